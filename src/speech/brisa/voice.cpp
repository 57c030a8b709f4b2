// The embedded engine as the system voice kind "embedded": its files as the
// speech settings name them, its factors from the voice's rate and pitch.
#include <algorithm>

#include "platform/platform.h"
#include "speech/brisa/brisa.h"
#include "speech/env.h"
#include "speech/settings.h"
#include "speech/sysvoice_kinds.h"

namespace brisa {

namespace {
std::string withBackslash(std::string s) {
    if (s.empty() || (s.back() != '\\' && s.back() != '/')) s += '\\';
    return s;
}
}  // namespace

namespace {
// Opens the engine on the files the settings name, its sound going to `outputFile`
// (empty: the wave output).
bool openConfigured(int rate, int pitch, const std::string& outputFile) {
    const speech::SpeechSettings& ss = speech::speechSettings();
    const std::string dir = withBackslash(ss.brisaDir.empty() ? std::string("c:\\sonare\\brisatts\\") : ss.brisaDir);
    const std::string base = ss.brisaBase.empty() ? std::string("portug") : ss.brisaBase;
    const std::string db = ss.brisaDb.empty() ? std::string("br4") : ss.brisaDb;
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
    if (speech::shouldStop()) {
        ttsStop();
        return false;
    }
    return ttsIsSpeaking();
}

void brisaVoiceStop() { ttsStop(); }

void brisaVoiceClose() {
    while (ttsIsSpeaking()) speech::delayMs(500);
    ttsStop();
    ttsClose();
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
