#include "app/install_offer.h"

#include "console/console.h"
#include "console/textwin.h"
#include "game/folders.h"
#include "game/install.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "util/text.h"

namespace app {

namespace {

std::string baseOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

// One key typed after the question is spoken: S installs, anything else does not.
// Keys typed before it are no answer to it.
bool askToInstall(const std::string& question) {
    con::flushKeys();
    con::writeAndSpeak(question);
    uint8_t k = con::readKeyAndSpeak();
    if (k == 0) {
        con::readKey();
        k = 'N';
    }
    const bool yes = util::upperLatin(k) == 'S';
    con::writeLn(yes ? "S" : "N");
    return yes;
}

}  // namespace

std::string OfferToInstall(const std::string& path) {
    const std::string games = plat::mapPath(game::session().gamesRoot);
    const bool archive = game::isArchiveName(path);
    if (!archive && !game::comesFromElsewhere(path, games)) return path;
    // The file's name came with the download: quoted and cut like any game's name.
    const std::string name = safety::quotedGameName(plat::utf8ToCp1252(baseOf(path)));
    const std::string question =
        archive ? plat::cp("O arquivo ") + name +
                      plat::cp(" traz um jogo. Instalar o jogo numa pasta só dele, na pasta de jogos? "
                               "S para instalar, N para desistir. ")
                : plat::cp("O jogo ") + name +
                      plat::cp(" está fora da pasta de jogos. Instalar o jogo numa pasta só dele, na pasta de jogos? "
                               "S para instalar, N para jogar onde está. ");
    if (!askToInstall(question)) {
        if (!archive) return path;
        con::writeLineAndSpeak(plat::cp("O jogo não foi instalado."));
        con::waitSpeech();  // heard whole before the farewell
        return std::string();
    }
    const game::InstallResult r = archive ? game::installArchive(path, games) : game::installGameFile(path, games);
    if (!r.ok) {
        con::writeLineAndSpeak(r.message);
        con::waitSpeech();
        return std::string();
    }
    con::writeLineAndSpeak(plat::cp("Jogo instalado na pasta ") + plat::utf8ToCp1252(baseOf(r.folder)) +
                           plat::cp(", na pasta de jogos."));
    if (r.games.size() == 1) return r.folder + "/" + r.games[0];
    // Several games came together: the pupil picks one, as from the games folder.
    const std::string& first = r.games[0];
    const size_t slash = first.find_last_of('/');
    const std::string folder = slash == std::string::npos ? r.folder : r.folder + "/" + first.substr(0, slash);
    if (!game::enterFolderPath(folder)) return std::string();
    std::string file;
    if (!game::chooseGameFile(file)) return std::string();
    const std::string chosen = plat::mapPath(file);
    return !chosen.empty() && chosen[0] == '/' ? chosen : folder + "/" + chosen;
}

}  // namespace app
