// The embedded engine as system voice kind 3: its files named by [BRISATTS],
// its factors from the rate and pitch of [SERVFALA].
#include <algorithm>

#include "console/config.h"
#include "console/textwin.h"
#include "speech/brisa/brisa.h"

namespace brisa {

namespace {
std::string withBackslash(std::string s) {
    if (s.empty() || (s.back() != '\\' && s.back() != '/')) s += '\\';
    return s;
}
}  // namespace

bool brisaVoiceOpen(int /*voice*/, int rate, int pitch) {
    std::string dir = con::readConfig("BRISATTS", "DIR");
    if (dir.empty()) dir = "\\sonare\\brisatts\\";
    dir = withBackslash(dir);
    std::string base = con::readConfig("BRISATTS", "BASE");
    if (base.empty()) base = "portug";
    std::string db = con::readConfig("BRISATTS", "MBROLA_DB");
    if (db.empty()) db = "br4";
    ttsSetOutputFile(std::string());
    const std::string stem = dir + base;
    if (!ttsOpen(dir + db, stem + ".nrl", stem + ".exc", stem + ".dfn", stem + ".pro", stem + ".abr"))
        return false;
    // Very high rates would make durations negative: keep a tenth of the normal length.
    ttsSetFactors((pitch + 11) / 11.0, std::max(0.1, 0.8 - rate / 15.0));
    return true;
}

void brisaVoiceSpeak(const std::string& text) { ttsSpeak(text); }

bool brisaVoiceBusy() {
    if (con::keyPressed()) {
        ttsStop();
        return false;
    }
    return ttsIsSpeaking();
}

void brisaVoiceStop() { ttsStop(); }

void brisaVoiceClose() {
    while (ttsIsSpeaking()) con::delayMs(500);
    ttsStop();
    ttsClose();
}

}  // namespace brisa
