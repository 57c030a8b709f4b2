// Shared helpers of the console tests: a fresh run with settings cleared, and
// the sound events of a trace without the bookkeeping ("stop", "speak").
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "console/config.h"
#include "support/inproc.h"

inline std::unique_ptr<InProc> fresh(const std::string& keys = "", const std::string& ini = "",
                                     bool openSpeech = true) {
    return std::make_unique<InProc>(keys, ini, openSpeech);
}

// The sounds heard, in order: play, synth, click, beep and voice events.
inline std::vector<std::string> sounds(const InProc& p) {
    std::vector<std::string> out;
    for (const std::string& e : p.trace) {
        if (e.rfind("play ", 0) == 0 || e.rfind("synth ", 0) == 0 || e.rfind("voice ", 0) == 0 ||
            e == "click" || e == "beep")
            out.push_back(e);
    }
    return out;
}

inline int countPrefix(const std::vector<std::string>& v, const std::string& prefix) {
    int n = 0;
    for (const std::string& e : v)
        if (e.rfind(prefix, 0) == 0) ++n;
    return n;
}

using Events = std::vector<std::string>;
