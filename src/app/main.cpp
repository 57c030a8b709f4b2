// Ludivar: the entry.  Chooses the front, reads the options and runs the program.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/install_offer.h"
#include "app/startup.h"
#include "console/config.h"
#include "console/review.h"
#include "editor/editor.h"
#include "export/report.h"
#include "export/webpage.h"
#include "game/checker.h"
#include "game/gamefile.h"
#include "game/session.h"
#include "platform/mci.h"
#include "player/play.h"
#include "player/slide.h"
#include "safety/landlock.h"
#include "script/script.h"
#include "speech/settings.h"
#include "speech/speak.h"
#include "speech/synth.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/keyscript.h"
#include "platform/platform.h"
#include "platform/sdl_audio.h"
#include "speech/wave.h"
#include "ludivar_version.h"
#include "util/log.h"

namespace {

// A reason the user should see: on stderr, and in the user's log to be found later.
__attribute__((format(printf, 1, 2))) void report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buf[2048];
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    std::string line = buf;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    util::log(line);
}

struct Options {
    enum class FrontKind { Auto, Window, Tty, Headless } front = FrontKind::Auto;
    std::string ini, keys, screen, trace, check, script, speak, wav, slides, game, exportGame, exportPage,
        reportGame, reportPage;
    bool keysGiven = false, speakGiven = false;
};

void usage(FILE* out) {
    std::fprintf(out,
        "uso: ludivar [OPÇÕES] [JOGO.lud]\n"
        "\n"
        "Ludivar: jogos educativos falados, para pessoas cegas e com baixa visão.\n"
        "Sem opções, abre uma janela quando há tela gráfica; senão usa o terminal.\n"
        "\n"
        "  JOGO.lud                   joga esse jogo e termina\n"
        "  --tty                      usa o terminal, mesmo havendo tela gráfica\n"
        "  --window                   usa a janela gráfica\n"
        "  --headless                 sem janela e sem som, com relógio virtual (testes)\n"
        "  --ini ARQ                  usa esse ECOLAR.INI\n"
        "  --keys TECLAS              teclas a digitar (só com --headless)\n"
        "  --keys-file ARQ            lê do arquivo as teclas a digitar (só com --headless)\n"
        "  --screen ARQ               ao terminar, grava a tela nesse arquivo\n"
        "  --trace ARQ                grava nesse arquivo tudo o que é falado e tocado\n"
        "  --slides PASTA             grava cada slide mostrado como figura nessa pasta\n"
        "  --check JOGO.lud           verifica um jogo e lista o que o professor deve corrigir\n"
        "  --script PROGRAMA.pro      executa um programa de jogo sozinho\n"
        "  --export-html JOGO.lud PAGINA.html\n"
        "                             grava o jogo como uma página da web acessível\n"
        "  --relatorio JOGO.lud PAGINA.html\n"
        "                             grava os resultados dos alunos nesse jogo numa página\n"
        "  --speak TEXTO [--wav ARQ]  fala o texto em voz alta, ou num arquivo WAV\n"
        "  --help                     mostra esta ajuda\n"
        "  --version                  mostra a versão\n"
        "\n"
        "Códigos de saída: 0 fim normal, 1 erro no que foi pedido, 2 opção ou arquivo\n"
        "inválido, 3 o roteiro de teclas acabou, 255 Ctrl+Break.\n");
}

// A FIFO or a device would block the read, and a folder reads as nothing: only regular files are taken.
// A name that does not exist is left to the loader, which reports it in its own words.
bool regularFileOrSay(const std::string& path, const char* what) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return true;
    if (!S_ISREG(st.st_mode)) {
        report("ludivar: %s não é um arquivo comum: %s\n", what, path.c_str());
        return false;
    }
    return true;
}


// speech-dispatcher speaks on its own device: the text goes to it and the program waits for
// its end.  False when speech-dispatcher is not the voice or cannot be reached (the own
// voice then speaks instead, as anywhere else in the program).
bool serverIsTheVoice() {
    const con::Settings& set = con::settings();
    return set.systemVoice && speech::voiceKindFromNumber(set.voiceType) == speech::VoiceKind::Server;
}

bool speakThroughServer(const std::string& text) {
    if (!serverIsTheVoice()) return false;
    con::startSpeech(0, "");
    speech::speechSettings().quiet = false;  // asked to speak aloud: there is no screen to read
    const bool reached = speech::systemVoiceActive();
    if (reached) {
        speech::speak(text);
        speech::waitSpeech();
    }
    con::endSpeech();
    return reached;
}

// `--speak TEXT` without a file: rendered as for --wav (the own voice, the embedded engine,
// espeak-ng), then played on the sound device.  No device is an error the caller must see,
// not a silent success.
int speakAloud(const std::string& text) {
    if (speakThroughServer(text)) return 0;
    if (!plat::audio::start()) {
        report("ludivar: %s\n", plat::cp1252ToUtf8(plat::audio::noDeviceText()).c_str());
        return 1;
    }
    const char* tmpdir = std::getenv("TMPDIR");
    std::string name = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/ludivar-fala-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        report("ludivar: não foi possível criar um arquivo temporário\n");
        return 1;
    }
    close(fd);
    int code = con::speakToWav(text, name);
    std::string image;
    speech::WaveFormat fmt;
    size_t start = 0, len = 0;
    if (code == 0 && plat::readPath(name, image) && speech::parseWaveImage(image, fmt, start, len) &&
        plat::audio::openSource(fmt.rate, fmt.bits, fmt.channels)) {
        plat::audio::queue(reinterpret_cast<const uint8_t*>(image.data()) + start, len);
        while (plat::audio::pending() > 0) usleep(10000);
        plat::audio::closeSource();
    } else if (code == 0) {
        code = 1;
    }
    std::remove(name.c_str());
    plat::audio::shutdown();
    return code;
}

// `ludivar GAME.lud`: the game's folder becomes the current one, as when it is chosen from the menu.
// One from elsewhere (a download, a .zip) is first offered to be installed in the games folder.
void playOneGame(const std::string& given) {
    app::StartUp();
    const std::string path = app::OfferToInstall(given);
    if (path.empty()) app::ShutDown();
    const size_t slash = path.rfind('/');
    const std::string folder = path.substr(0, slash == 0 ? 1 : slash), file = path.substr(slash + 1);
    if (!game::enterFolder(plat::utf8ToCp1252(folder))) return app::ShutDown();
    game::session().currentGameFile = plat::utf8ToCp1252(file);
    if (game::LoadGame(plat::utf8ToCp1252(file))) {
        player::ShowTitleCard();
        player::PlayGameFile();
    }
    app::ShutDown();
}

// The pupil mode: once a game has been played (and the kernel's wall raised for it), the
// session ends, since the wall cannot be lifted for the next game.
void endWithTheGame(void (*action)()) {
    action();
    if (safety::kernelWallUp()) app::ShutDown();
}
void playPupil() { endWithTheGame(player::PlayGameFromMenu); }
void createPupil() { endWithTheGame(editor::createGame); }
void editPupil() { endWithTheGame(editor::editGame); }

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&](std::string& dst) {
            if (i + 1 >= argc) {
                report("ludivar: %s precisa de um valor\n", a.c_str());
                std::exit(2);
            }
            dst = argv[++i];
        };
        if (a == "--tty") o.front = Options::FrontKind::Tty;
        else if (a == "--headless") o.front = Options::FrontKind::Headless;
        else if (a == "--window") o.front = Options::FrontKind::Window;
        else if (a == "--ini") next(o.ini);
        else if (a == "--keys") { next(o.keys); o.keysGiven = true; }
        else if (a == "--keys-file") {
            std::string file;
            next(file);
            if (!regularFileOrSay(file, "roteiro de teclas")) return 2;
            if (!plat::readPath(file, o.keys)) {
                report("ludivar: não foi possível ler o roteiro de teclas %s\n", file.c_str());
                return 2;
            }
            o.keysGiven = true;
        }
        else if (a == "--screen") next(o.screen);
        else if (a == "--check") next(o.check);
        else if (a == "--export-html") { next(o.exportGame); next(o.exportPage); }
        else if (a == "--relatorio") { next(o.reportGame); next(o.reportPage); }
        else if (a == "--script") next(o.script);
        else if (a == "--speak") { next(o.speak); o.speakGiven = true; }
        else if (a == "--wav") next(o.wav);
        else if (a == "--slides") next(o.slides);
        else if (a == "--trace") next(o.trace);
        else if (a == "--help" || a == "-h") { usage(stdout); return 0; }
        else if (a == "--version") { std::printf("ludivar %s\n", LUDIVAR_VERSION); return 0; }
        else if (a.size() > 1 && a[0] == '-') {
            report("ludivar: opção desconhecida: %s\n", a.c_str());
            usage(stderr);
            return 2;
        } else if (o.game.empty()) {
            o.game = a;
        } else {
            report("ludivar: um jogo só: %s\n", a.c_str());
            return 2;
        }
    }
    // Keys typed by a script belong to the front that types them; a window or terminal would ignore them.
    if (o.keysGiven && o.front != Options::FrontKind::Headless) {
        report("ludivar: --keys e --keys-file só valem com --headless\n");
        return 2;
    }

    con::setStartFolder(plat::currentDir());
    // The program moves to the games folder; names given on the command line stay where the user meant.
    for (std::string* path : {&o.ini, &o.screen, &o.trace, &o.wav, &o.slides, &o.check, &o.script, &o.game,
                              &o.exportGame, &o.exportPage, &o.reportGame, &o.reportPage})
        if (!path->empty() && (*path)[0] != '/') *path = plat::currentDir() + "/" + *path;
    if (!o.ini.empty()) con::setIniOverride(o.ini);
    con::loadSettings();

    if ((!o.check.empty() && !regularFileOrSay(o.check, "jogo")) ||
        (!o.game.empty() && !regularFileOrSay(o.game, "jogo")) ||
        (!o.script.empty() && !regularFileOrSay(o.script, "programa")))
        return 2;
    // The modes that end with the game get the kernel's wall once it is chosen; the launcher
    // it needs is forked now, before the fronts and the sound start their threads.
    const bool endsWithGame = !o.script.empty() || !o.game.empty() || con::settings().pupilMode;
    const bool othersOnly = !o.check.empty() || !o.exportGame.empty() || !o.reportGame.empty() || o.speakGiven;
    if (endsWithGame && !othersOnly) {
        safety::armKernelWall();
        if (!o.screen.empty()) safety::kernelWallAlsoWrites(o.screen.substr(0, o.screen.rfind('/') + 1));
        if (!o.slides.empty()) safety::kernelWallAlsoWrites(o.slides);
    }
    // The checker needs no window and no sound.
    // reasons go to the user's log as well as to stderr
    util::openUserLog();
    if (!o.check.empty()) return game::runCheck(plat::utf8ToCp1252(o.check));
    // So does the web page: it is written from the file, not from a session.
    if (!o.exportGame.empty()) {
        if (!regularFileOrSay(o.exportGame, "jogo")) return 2;
        return web::RunExport(o.exportGame, o.exportPage);
    }
    if (!o.reportGame.empty()) {
        if (!regularFileOrSay(o.reportGame, "jogo")) return 2;
        return web::RunResultsReport(o.reportGame, o.reportPage);
    }
    // Speaking into a file needs no keys and no screen: the headless front keeps it silent.
    if (o.speakGiven) o.front = Options::FrontKind::Headless;

    std::unique_ptr<plat::Front> front;
    if (o.front == Options::FrontKind::Headless) {
        plat::headlessOptions().keys = o.keys;
        std::vector<plat::ScriptKey> parsed;
        std::string error;
        if (!plat::parseKeyScript(o.keys, parsed, error)) {
            report("ludivar: roteiro de teclas ilegível: %s\n", error.c_str());
            return 2;
        }
        front.reset(plat::makeHeadlessFront());
    } else {
        bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        if (o.front == Options::FrontKind::Window || (o.front == Options::FrontKind::Auto && display))
            front.reset(plat::makeWindowFront());
        if (!front) {
            if (!isatty(0) || !isatty(1)) {
                report("ludivar: sem janela e sem terminal; use --headless\n");
                return 2;
            }
            front.reset(plat::makeTtyFront());
        }
    }
    if (!front) return 2;
    plat::setFront(front.get());
    if (!o.trace.empty()) plat::traceOpen(o.trace);
    if (!o.slides.empty()) {
        // The folder is made when missing, so a first run with --slides does not lose its pictures.
        std::error_code ec;
        std::filesystem::create_directories(o.slides, ec);
        if (ec) report("ludivar: não foi possível criar a pasta %s\n", o.slides.c_str());
        player::setSlideDumpDir(o.slides);
    }
    con::installScreenReview();
    if (con::settings().pupilMode) app::setActions({playPupil, createPupil, editPupil});
    else app::setActions({player::PlayGameFromMenu, editor::createGame, editor::editGame});
    media::setWaitHook(con::delayMs);

    int code = 0;
    try {
        if (o.speakGiven && !o.wav.empty() && serverIsTheVoice()) {
            report("ludivar: %s\n", speech::kServerWritesNoFile);
            code = 1;
        } else if (o.speakGiven) {
            code = o.wav.empty() ? speakAloud(plat::utf8ToCp1252(o.speak))
                                 : con::speakToWav(plat::utf8ToCp1252(o.speak), o.wav);
        } else if (!o.script.empty()) {
            con::startSpeech(0, con::settings().soundsFolder);
            code = script::runScriptFile(plat::utf8ToCp1252(o.script));
            con::endSpeech();
        } else if (!o.game.empty()) {
            playOneGame(o.game);
        } else {
            app::StartUp();
            app::MainMenu();
            app::ShutDown();
        }
    } catch (const plat::ProgramExit& e) {
        code = e.code;
    }
    if (!o.screen.empty()) plat::writeScreenDump(o.screen);
    // Ctrl+Break asks to leave at once; any other end that did not close the console leaves
    // its last screen up (the reason speech could not start, a program's output).
    // What the user was told on the screen also goes to stderr: at once beside a window,
    // and once a drawn terminal has its own screen back.
    auto noticesToStderr = [] {
        for (const std::string& notice : plat::takeNotices())
            report("ludivar: %s\n", plat::cp1252ToUtf8(notice).c_str());
    };
    if (front->hasWindow()) noticesToStderr();
    if (con::tw().exists && !con::tw().closed && code != 255) front->holdAfterEnd();
    front->close();
    if (front->drawsOnTerminal()) noticesToStderr();
    plat::traceClose();
    plat::setFront(nullptr);
    return code;
}
