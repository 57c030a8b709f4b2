// Which voice speaks: the own synthesizer, or a system voice chosen by its
// kind, opened and closed here with the settings handed down from above.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"
#include "speech/env.h"
#include "speech/settings.h"
#include "speech/speak.h"
#include "speech/synth.h"
#include "speech/sysvoice.h"
#include "speech/wave.h"
#include "util/log.h"

namespace speech {

namespace {

struct VoicesState {
    SpeechSettings settings;
    SystemVoiceOps voice = builtinSystemVoiceOps();
    bool voiceMissingSaid = false;  // the user hears it once a run
};
VoicesState gVo;

bool builtinVoice() { return gVo.voice.open == sysvoiceOpen; }

// The terminal front draws on standard output: a log line on the same
// terminal would land in the middle of the screen the user reads.
bool stderrIsOurScreen() {
    if (!plat::haveFront() || !plat::front().drawsOnTerminal()) return false;
    struct stat err, out;
    if (!isatty(2) || fstat(2, &err) != 0 || fstat(1, &out) != 0) return false;
    return S_ISCHR(err.st_mode) && S_ISCHR(out.st_mode) && err.st_rdev == out.st_rdev;
}

// A configured voice that cannot speak: the own voice says so, once, and the
// reason goes to the log when the log is not our screen.
void reportVoiceMissing(const std::string& reasonUtf8) {
    if (gVo.voiceMissingSaid) return;
    gVo.voiceMissingSaid = true;
    const std::string line = "ludivar: voz do sistema indisponível (TIPOSAPI " +
                             std::to_string(voiceKindNumber(gVo.settings.voiceKind)) + "): " + reasonUtf8 +
                             "; fala o sintetizador próprio";
    if (stderrIsOurScreen()) util::logToFileOnly(line);
    else util::log(line);
    speak(plat::cp(kSystemVoiceMissing));
}

// Opens the system voice the settings ask for; returns why it could not
// (empty when it opened).
std::string openSystemVoice() {
    SpeechSettings& ss = gVo.settings;
    ss.systemVoice = false;
    if (!gVo.voice.open) return "nenhum serviço de voz instalado";
    if (!gVo.voice.open(ss.voiceKind, ss.voiceNumber, ss.voiceRate, ss.voicePitch)) {
        const std::string why = builtinVoice() ? sysvoiceError() : std::string();
        return why.empty() ? std::string("a voz não abriu") : why;
    }
    ss.systemVoice = true;
    while (gVo.voice.busy && gVo.voice.busy()) delayMs(50);
    return std::string();
}

}  // namespace

SpeechSettings& speechSettings() { return gVo.settings; }

void resetSpeechSettings() {
    // The installed voice back-end is not configuration: it stays across a reset.
    gVo.settings = SpeechSettings();
    gVo.voiceMissingSaid = false;
}

const char* const kSystemVoiceMissing = "Voz do sistema indisponível.";

SystemVoiceOps builtinSystemVoiceOps() {
    SystemVoiceOps ops;
    ops.open = sysvoiceOpen;
    ops.speak = sysvoiceSpeak;
    ops.busy = sysvoiceBusy;
    ops.stop = sysvoiceStop;
    ops.close = sysvoiceClose;
    return ops;
}

void setSystemVoiceOps(const SystemVoiceOps& ops) { gVo.voice = ops; }

bool systemVoiceActive() {
    if (!gVo.settings.systemVoice) return false;
    if (builtinVoice() && sysvoiceLost()) {
        gVo.settings.systemVoice = false;
        sysvoiceClose();
        reportVoiceMissing("o speech-dispatcher deixou de responder");
        return false;
    }
    return true;
}

bool systemVoiceBusy() { return gVo.settings.systemVoice && gVo.voice.busy && gVo.voice.busy(); }

void systemVoiceSpeak(const std::string& text) {
    if (!gVo.settings.systemVoice || !gVo.voice.speak) return;
    std::string given;
    if (!voiceText(gVo.settings.voiceKind, text, given)) return;
    plat::trace("voice", given);
    gVo.voice.speak(given);
}

void systemVoiceStop() {
    if (!gVo.settings.systemVoice || !gVo.voice.stop) return;
    // Voices inside the process (and the embedded engine) stop at no cost and
    // are always told to; the speech server only while it speaks, which spares
    // a round trip on every key of the line editor.
    if (gVo.settings.voiceKind != VoiceKind::Server || systemVoiceBusy()) gVo.voice.stop();
}

bool systemVoiceProducing() {
    if (!gVo.settings.systemVoice) return false;
    // A voice put in by a test makes nothing outside the wave output.
    return builtinVoice() && sysvoiceProducing();
}

int openSpeech(bool wantSystemVoice) {
    SpeechSettings& ss = gVo.settings;
    SynthSettings syn;
    syn.letters = ss.synthLetters;
    syn.diphones = ss.synthDiphones;
    syn.dbName = ss.dbName;
    syn.corteFon = ss.corteFon;
    syn.sobraFon = ss.sobraFon;
    syn.interPal = ss.interPal;
    const int rc = synthOpen(syn);
    if (rc != 0) {
        synthClose();
        return rc;
    }
    // Opening the synthesizer may have reset the playback switches.
    setCutPeriods(ss.cutPeriods);
    setFastRate(ss.fastRate);
    const std::string missing = wantSystemVoice ? openSystemVoice() : std::string();
    if (!wantSystemVoice) ss.systemVoice = false;
    ss.open = true;
    ensureClickSamples();
    if (!missing.empty()) reportVoiceMissing(missing);
    return 0;
}

void closeSpeech() {
    SpeechSettings& ss = gVo.settings;
    waitSpeech();
    stopSpeech();
    if (ss.systemVoice && gVo.voice.close) gVo.voice.close();
    ss.systemVoice = false;
    synthClose();
    ss.open = false;
}

}  // namespace speech
