// The embedded engine as system voice kind 3: its files named by [BRISATTS],
// its factors from the rate and pitch of [SERVFALA].
#include <algorithm>

#include "console/config.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "speech/brisa/brisa.h"
#include "speech/sysvoice_kinds.h"

namespace brisa {

namespace {
std::string withBackslash(std::string s) {
    if (s.empty() || (s.back() != '\\' && s.back() != '/')) s += '\\';
    return s;
}
}  // namespace

namespace {
// Opens the engine on the files [BRISATTS] names, its sound going to `outputFile`
// (empty: the wave output).
bool openConfigured(int rate, int pitch, const std::string& outputFile) {
    std::string dir = con::settings().engineFolder;
    if (dir.empty()) dir = "\\sonare\\brisatts\\";
    // A folder from the root of the drive ("\sonare\...") is on the family's drive.
    if (dir[0] == '\\' && (dir.size() < 2 || dir[1] != '\\')) dir = "c:" + dir;
    dir = withBackslash(dir);
    std::string base = con::settings().engineBase;
    if (base.empty()) base = "portug";
    std::string db = con::settings().engineVoice;
    if (db.empty()) db = "br4";
    ttsSetOutputFile(outputFile);
    const std::string stem = dir + base;
    if (!ttsOpen(dir + db, stem + ".nrl", stem + ".exc", stem + ".dfn", stem + ".pro", stem + ".abr"))
        return false;
    // Very high rates would make durations negative: keep a tenth of the normal length.
    ttsSetFactors((pitch + 11) / 11.0, std::max(0.1, 0.8 - rate / 15.0));
    return true;
}
}  // namespace

bool brisaVoiceOpen(int /*voice*/, int rate, int pitch) { return openConfigured(rate, pitch, std::string()); }

int brisaSpeakToWav(const std::string& textCp1252, const std::string& wavPath, int rate, int pitch) {
    // The engine writes its own 16-bit 16 kHz file; the voice in use is set aside meanwhile.
    const bool ok = openConfigured(rate, pitch, wavPath) && ttsSpeak(textCp1252);
    ttsClose();
    ttsSetOutputFile(std::string());
    return ok ? 0 : 1;
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

int brisaSpeakConfiguredToWav(const std::string& textCp1252, const std::string& wavPath) {
    int rate = con::settings().voiceRate;
    if (rate > 10) rate = 0;  // as the voice is opened
    const int pitch = con::settings().voicePitch;
    return brisaSpeakToWav(textCp1252, wavPath, rate, pitch);
}

}  // namespace brisa

namespace speech {

namespace {
bool serviceOpen(int voice, int rate, int pitch, std::string& why) {
    if (brisa::brisaVoiceOpen(voice, rate, pitch)) return true;
    why = brisa::ttsErrorText().empty() ? std::string("sem os arquivos do motor ou o banco de voz")
                                        : plat::cp1252ToUtf8(brisa::ttsErrorText());
    return false;
}
bool notProducing() { return false; }  // its sound is in our wave output
}  // namespace

const VoiceService& brisaService() {
    static const VoiceService s = {"motor embutido", serviceOpen,  brisa::brisaVoiceSpeak, brisa::brisaVoiceBusy,
                                   brisa::brisaVoiceStop, brisa::brisaVoiceClose, notProducing, nullptr};
    return s;
}

}  // namespace speech
