#include "support/inproc.h"

#include <cstdlib>

#include "app/reset.h"
#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "game/session.h"
#include "game/model.h"
#include "platform/files.h"
#include "support/headless.h"

InProc::InProc(const std::string& keys, const std::string& iniText, bool openSpeech, Game keep) {
    dir = tempDir();
    setenv("ECOLAR_CONFIG_DIR", (dir + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "/xdg-data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/xdg-config").c_str(), 1);
    setenv("XDG_STATE_HOME", (dir + "/xdg-state").c_str(), 1);
    const game::ModelState kept = keep == KeepGame ? game::modelState() : game::ModelState();
    app::resetAll();
    if (keep == KeepGame) game::modelState() = kept;
    if (!iniText.empty()) {
        writeText(dir + "/ECOLAR.INI", iniText);
        con::setIniOverride(dir + "/ECOLAR.INI");
    } else {
        con::setIniOverride("");
    }
    plat::headlessOptions().keys = keys;
    front_.reset(plat::makeHeadlessFront());
    plat::setFront(front_.get());
    plat::traceCapture(&trace);
    if (openSpeech) run([] { con::startSpeech(0, ""); });
}

InProc::~InProc() {
    plat::traceCapture(nullptr);
    plat::setFront(nullptr);
    con::setIniOverride("");
}

int InProc::run(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const plat::ProgramExit& e) {
        return e.code;
    }
    return -1;
}

std::string InProc::row(int n) const {
    const con::TextWindow& t = con::tw();
    if (n < 1 || n > t.height) return std::string();
    std::string r(reinterpret_cast<const char*>(&t.chars[(n - 1) * t.width]), t.width);
    size_t end = r.find_last_not_of(' ');
    r = end == std::string::npos ? std::string() : r.substr(0, end + 1);
    return plat::cp1252ToUtf8(r);
}

int InProc::attr(int col, int row) const {
    const con::TextWindow& t = con::tw();
    if (col < 1 || row < 1 || col > t.width || row > t.height) return -1;
    return t.attrs[(row - 1) * t.width + col - 1];
}

bool InProc::traced(const std::string& event) const { return tracedCount(event) > 0; }

int InProc::tracedCount(const std::string& event) const {
    int n = 0;
    for (const std::string& e : trace)
        if (e == event) ++n;
    return n;
}

std::string InProc::traceText() const {
    std::string s;
    for (const std::string& e : trace) s += e + "\n";
    return s;
}

uint64_t InProc::now() const { return plat::haveFront() ? plat::front().nowMs() : 0; }

std::unique_ptr<InProc> quietConsole(const std::string& keys) {
    auto p = std::make_unique<InProc>(keys, "", false);
    // The window takes its colours from the settings when it is first used.
    p->run([] { con::ensureWindow(); });
    p->trace.clear();
    return p;
}

std::vector<std::string> spokenAndBeeped(const InProc& p) {
    std::vector<std::string> out;
    for (const std::string& e : p.trace)
        if (e.rfind("speak ", 0) == 0 || e == "beep") out.push_back(e);
    return out;
}
