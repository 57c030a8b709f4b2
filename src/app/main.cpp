// Ludivar: the entry.  Chooses the front, reads the options and runs the program.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/startup.h"
#include "console/config.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/keyscript.h"
#include "platform/platform.h"

namespace {

struct Options {
    enum class FrontKind { Auto, Window, Tty, Headless } front = FrontKind::Auto;
    std::string ini, keys, screen, trace;
    bool keysGiven = false;
};

void usage() {
    std::fprintf(stderr,
                 "uso: ludivar [--tty | --headless] [--ini ARQ] [--keys TECLAS | --keys-file ARQ]\n"
                 "             [--screen ARQ] [--trace ARQ]\n");
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
        else if (a == "--trace") next(o.trace);
        else if (a == "--help" || a == "-h") { usage(); return 0; }
        else {
            std::fprintf(stderr, "ludivar: opção desconhecida: %s\n", a.c_str());
            usage();
            return 2;
        }
    }

    con::setStartFolder(plat::currentDir());
    if (!o.ini.empty()) con::setIniOverride(o.ini);

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

    int code = 0;
    try {
        app::StartUp();
        app::MainMenu();
        app::ShutDown();
    } catch (const plat::ProgramExit& e) {
        code = e.code;
    }
    if (!o.screen.empty()) plat::writeScreenDump(o.screen);
    front->close();
    plat::traceClose();
    plat::setFront(nullptr);
    return code;
}
