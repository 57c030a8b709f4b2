// Speaking: the one entry point the layers above call.  A text goes whole to
// the system voice when one is open; otherwise the own voice cuts it into
// numbers, runs of letters and marks and hands each to its speaker.  Every
// sound can be cut by a key (shouldStop), which then stays for the next read.
#pragma once
#include <cstdint>
#include <string>

#include "speech/settings.h"

namespace speech {

void speak(const std::string& text);
void speakChar(uint8_t ch);
void speakRecorded(const std::string& name);
bool recordedExists(const std::string& name);
std::string recordedPath(const std::string& name);  // Linux path of the WAV file
void spell(const std::string& text);
bool isSpeaking();   // a waiting key stops the speech and answers false
void stopSpeech();
void waitSpeech();   // wait while isSpeaking
void beep();
void click();
void playDtmf(const std::string& text);
void ensureClickSamples();   // draws the click's random part once
// Whether speak() names a mark at the user's punctuation level.
bool markNamed(uint8_t mark);
// The own voice's state between texts (tests start from a fresh one).
void resetSpeaker();

// ---- opening and closing ------------------------------------------------------
// Opens the own synthesizer and, when asked for, the system voice, with the
// settings in speechSettings() (their `open` and `systemVoice` are set here).
// Returns the synthesizer's failure code (0 on success); a system voice that
// cannot speak is reported once and the own voice takes over.
int openSpeech(bool wantSystemVoice);
// Waits for the end of what is said and closes both.
void closeSpeech();

// ---- the system voice ------------------------------------------------------------
// The installed operations are the real services (speech/sysvoice.h); tests may
// put others in.  Without an `open`, a configured voice is reported missing and
// the own synthesizer speaks.
struct SystemVoiceOps {
    bool (*open)(VoiceKind kind, int voice, int rate, int pitch) = nullptr;
    void (*speak)(const std::string& text) = nullptr;  // returns at once
    bool (*busy)() = nullptr;
    void (*stop)() = nullptr;
    void (*close)() = nullptr;
};
SystemVoiceOps builtinSystemVoiceOps();
void setSystemVoiceOps(const SystemVoiceOps& ops);
// Active and still reachable: a speech server that went away is closed here,
// the user is told once, and the own synthesizer takes over.
bool systemVoiceActive();
bool systemVoiceBusy();
// Hands the text on in the form the kind takes (traced as "voice").
void systemVoiceSpeak(const std::string& text);
void systemVoiceStop();
// Speech made outside the wave output right now (the headless clock waits
// for it in real time).
bool systemVoiceProducing();
// What the own voice says, once, when a configured system voice cannot speak.
extern const char* const kSystemVoiceMissing;

}  // namespace speech
