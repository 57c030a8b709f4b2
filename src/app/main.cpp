// Ludivar: the entry.  Chooses the front, reads the options and runs the program.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/startup.h"
#include "console/config.h"
#include "console/review.h"
#include "editor/editor.h"
#include "export/webpage.h"
#include "game/checker.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "speech/synth.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/keyscript.h"
#include "platform/platform.h"

namespace {

struct Options {
    enum class FrontKind { Auto, Window, Tty, Headless } front = FrontKind::Auto;
    std::string ini, keys, screen, trace, check, script, speak, wav, slides, exportGame, exportPage;
    bool keysGiven = false, speakGiven = false;
};

void usage() {
    std::fprintf(stderr,
                 "uso: ludivar [--tty | --headless] [--ini ARQ] [--keys TECLAS | --keys-file ARQ]\n"
                 "             [--screen ARQ] [--trace ARQ] [--slides PASTA]\n"
                 "       ludivar --check JOGO.lud\n"
                 "       ludivar --export-html JOGO.lud PAGINA.html\n"
                 "       ludivar --script PROGRAMA.pro\n"
                 "       ludivar --speak TEXTO --wav ARQ.wav\n");
}

bool readWhole(const std::string& path, std::string& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    out = ss.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&](std::string& dst) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "ludivar: %s precisa de um valor\n", a.c_str());
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
            if (!readWhole(file, o.keys)) {
                std::fprintf(stderr, "ludivar: não foi possível ler o roteiro de teclas %s\n", file.c_str());
                return 2;
            }
            o.keysGiven = true;
        }
        else if (a == "--screen") next(o.screen);
        else if (a == "--check") next(o.check);
        else if (a == "--export-html") { next(o.exportGame); next(o.exportPage); }
        else if (a == "--script") next(o.script);
        else if (a == "--speak") { next(o.speak); o.speakGiven = true; }
        else if (a == "--wav") next(o.wav);
        else if (a == "--slides") next(o.slides);
        else if (a == "--trace") next(o.trace);
        else if (a == "--help" || a == "-h") { usage(); return 0; }
        else {
            std::fprintf(stderr, "ludivar: opção desconhecida: %s\n", a.c_str());
            usage();
            return 2;
        }
    }

    con::setStartFolder(plat::currentDir());
    // The program moves to the games folder; names given on the command line stay where the user meant.
    for (std::string* path : {&o.ini, &o.screen, &o.trace, &o.wav, &o.slides, &o.check, &o.script,
                              &o.exportGame, &o.exportPage})
        if (!path->empty() && (*path)[0] != '/') *path = plat::currentDir() + "/" + *path;
    if (!o.ini.empty()) con::setIniOverride(o.ini);

    // The checker needs no window and no sound.
    if (!o.check.empty()) return game::runCheck(plat::utf8ToCp1252(o.check));
    // So does the web page: it is written from the file, not from a session.
    if (!o.exportGame.empty()) return web::RunExport(o.exportGame, o.exportPage);
    if (o.speakGiven && o.wav.empty()) {
        std::fprintf(stderr, "ludivar: --speak precisa de --wav ARQ\n");
        return 2;
    }
    // Speaking into a file needs no keys and no screen: the headless front keeps it silent.
    if (o.speakGiven) o.front = Options::FrontKind::Headless;

    std::unique_ptr<plat::Front> front;
    if (o.front == Options::FrontKind::Headless) {
        plat::headlessOptions().keys = o.keys;
        std::vector<plat::ScriptKey> parsed;
        std::string error;
        if (!plat::parseKeyScript(o.keys, parsed, error)) {
            std::fprintf(stderr, "ludivar: roteiro de teclas ilegível: %s\n", error.c_str());
            return 2;
        }
        front.reset(plat::makeHeadlessFront());
    } else {
        bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        if (o.front == Options::FrontKind::Window || (o.front == Options::FrontKind::Auto && display))
            front.reset(plat::makeWindowFront());
        if (!front) {
            if (!isatty(0) || !isatty(1)) {
                std::fprintf(stderr, "ludivar: sem janela e sem terminal; use --headless\n");
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
        if (ec) std::fprintf(stderr, "ludivar: não foi possível criar a pasta %s\n", o.slides.c_str());
        player::setSlideDumpDir(o.slides);
    }
    con::installScreenReview();
    app::setActions({player::PlayGameFromMenu, editor::createGame, editor::editGame});

    int code = 0;
    try {
        if (o.speakGiven) {
            code = speech::speakToWav(plat::utf8ToCp1252(o.speak), o.wav);
        } else if (!o.script.empty()) {
            con::startSpeech(0, con::readConfig("LUDIVAR", "DIRLUDIVAR"));
            code = script::runScriptFile(plat::utf8ToCp1252(o.script));
            con::endSpeech();
        } else {
            app::StartUp();
            app::MainMenu();
            app::ShutDown();
        }
    } catch (const plat::ProgramExit& e) {
        code = e.code;
    }
    if (!o.screen.empty()) plat::writeScreenDump(o.screen);
    front->close();
    plat::traceClose();
    plat::setFront(nullptr);
    return code;
}
