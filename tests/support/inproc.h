// Drives the console in-process through the headless front: a key script, an
// ECOLAR.INI text, the trace captured in memory and the screen read back.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

struct InProc {
    // Every module starts afresh (app::resetAll); a test that holds one game in memory
    // across runs (loaded or built in one, saved in the next) keeps it with KeepGame.
    enum Game { FreshGame, KeepGame };
    // keys: key script (DESIGN.md syntax); iniText: ECOLAR.INI for the run (empty: shipped defaults);
    // openSpeech: call con::startSpeech(0, "") as the program does at start.
    explicit InProc(const std::string& keys = "", const std::string& iniText = "", bool openSpeech = true,
                    Game keep = FreshGame);
    ~InProc();
    InProc(const InProc&) = delete;
    InProc& operator=(const InProc&) = delete;

    // Runs fn; returns -1 when it returned normally, else the program's exit code.
    int run(const std::function<void()>& fn);

    std::string row(int n) const;     // 1-based screen row, UTF-8, right-trimmed
    int attr(int col, int row) const; // 1-based
    bool traced(const std::string& event) const;
    int tracedCount(const std::string& event) const;
    std::string traceText() const;    // all events, one per line
    uint64_t now() const;             // virtual clock, ms

    std::vector<std::string> trace;
    std::string dir;  // temporary folder of this run (ECOLAR.INI lives here)

private:
    std::unique_ptr<plat::Front> front_;
};

// A console for menu, list and message tests: speech not opened (what is said is read
// from the trace, not heard), the window drawn with the colours of the settings, and
// the trace emptied of what drawing it said.
std::unique_ptr<InProc> quietConsole(const std::string& keys = "");
// What was said and beeped, in order ("speak ..." and "beep" events).
std::vector<std::string> spokenAndBeeped(const InProc& p);
