// System voices: the user's own speech service behind five operations (open,
// speak, busy, stop, close), chosen by the kind fixed at open.
//   Server: speech-dispatcher (libspeechd), the desktop's voice
//   Espeak, Espeak54: espeak-ng inside the process, its samples through our wave output
//   Embedded: the embedded engine (src/speech/brisa), through our wave output
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "speech/settings.h"

namespace speech {

bool sysvoiceOpen(VoiceKind kind, int voice, int rate, int pitch);  // false: why in sysvoiceError()
void sysvoiceSpeak(const std::string& textCp1252);             // returns at once
bool sysvoiceBusy();
void sysvoiceStop();   // silent at once, queued texts dropped
void sysvoiceClose();  // waits for the end, then frees the voice

// Why the last open failed, in words for a log line (UTF-8).
std::string sysvoiceError();
// The kind open now (None when none), the voice chosen and the rate handed to it
// (words per minute for espeak-ng, -100..100 for speech-dispatcher; 0 = its own).
VoiceKind sysvoiceKind();
std::string sysvoiceVoiceName();
int sysvoiceNativeRate();

// The service went away while open (a speech server that died): callers
// close the voice and go on with the own synthesizer.
bool sysvoiceLost();

// Speech being made outside our wave output right now: the headless front's
// virtual clock waits for it in real time instead of racing past it.
bool sysvoiceProducing();
// Hands an in-process voice's samples on to the wave output; called on every
// pump of window messages, so it never waits.
void sysvoicePump();

// ---- the rules each kind applies (pure) -------------------------------------
// What a kind is given for a text: false when nothing is to be spoken.
bool voiceText(VoiceKind kind, const std::string& text, std::string& given);
// The order in which voices are numbered: Brazilian Portuguese first, then the
// other Portuguese ones, then the rest, each group in the service's own order.
std::vector<size_t> voiceOrder(const std::vector<std::string>& languages);
// Index into that order for a voice number (1-based); numbers below 1 or past
// the list give the first.  `clamped` tells the caller it happened.
size_t voiceIndex(int number, size_t count, bool& clamped);
// The configured rate and pitch on each service's scale.
int speechdScale(int value);       // -10..10 steps of 10, clamped to -100..100
int espeakWordsPerMinute(int rate);  // -10..10 around espeak-ng's 175, 0 = 175

}  // namespace speech
