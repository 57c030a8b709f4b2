// The services behind the system voices, one set of five operations each;
// sysvoice.cpp picks one by kind.  Only this family of files sees the
// services' own headers.
#pragma once
#include <cstdint>
#include <string>

namespace speech {

struct VoiceService {
    const char* name;
    bool (*open)(int voice, int rate, int pitch, std::string& why);
    void (*speak)(const std::string& textCp1252);
    bool (*busy)();
    void (*stop)();
    void (*close)();
    bool (*producing)();  // speech made outside our wave output
    void (*pump)();       // samples handed on to the wave output (may be null)
};

const VoiceService& speechdService();
// A service tells which voice it took and the rate it was given (tests, benchmarks).
void noteChosenVoice(const std::string& name, int nativeRate);
const VoiceService& espeakService();
// The embedded engine (src/speech/brisa): its sound goes through our wave output.
const VoiceService& brisaService();

// speech-dispatcher only: the server went away while the voice was open.
bool speechdLost();
// Steady-clock times (µs) of the server's last BEGIN and last END or CANCEL,
// and whether that last one was a CANCEL.
void speechdEventTimes(uint64_t& beginUs, uint64_t& doneUs, bool& cancelled);

}  // namespace speech
