// Runs the headless program with a deadline: a game that hangs the program
// fails its test at the deadline instead of hanging the test.
#pragma once
#include <string>
#include <vector>

struct TimedRun {
    int exitCode = -1;   // -1: killed at the deadline
    double seconds = 0;  // how long it ran
    std::string trace, err;
    bool said(const std::string& text) const { return trace.find("speak " + text + "\n") != std::string::npos; }
};

// `ludivar --headless --keys KEYS --trace ... ARGS`, killed after `deadline` seconds;
// `env` entries ("NAME=value") are set for it.
TimedRun runTimed(const std::string& keys, const std::vector<std::string>& args, double deadline,
                  const std::vector<std::string>& env = {});

// `ludivar --tty --script PROGRAM` on a pseudo-terminal: once the screen shows
// `when`, types `keys`; killed after `deadline` seconds.  `trace` holds what the
// terminal showed.
TimedRun runOnTerminal(const std::string& program, const std::string& when, const std::string& keys,
                       double deadline);
