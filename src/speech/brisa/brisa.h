// The embedded Portuguese engine: text -> phonemes with durations and pitch, made
// into sound by the `mbrola` program through a pipe when it and its voice are
// installed, and by the built-in diphone renderer otherwise.
#pragma once
#include <string>

namespace brisa {

// Takes effect at the next ttsOpen; empty = sound output.
void ttsSetOutputFile(const std::string& linuxPath);
// Names are Windows-style (CP1252, "c:\..." allowed); empty ones take their defaults
// (database "br4", "portug.nrl", "portug.exc", "portug.dfn", "portug.pro", "portug.abr").
bool ttsOpen(const std::string& database, const std::string& rules, const std::string& exceptions,
             const std::string& definitions, const std::string& prosody, const std::string& abbreviations);
void ttsSetFactors(double pitchFactor, double durationFactor);
// Returns when all the sound has been handed to the wave output or written.
bool ttsSpeak(const std::string& textCp1252);
bool ttsIsSpeaking();
void ttsStop();
void ttsClose();

// The last start-up error text (CP1252), empty when none.
std::string ttsErrorText();
// Which renderer ttsOpen found: "mbrola" (the pipe), "interno" or "" when closed.
std::string ttsBackend();

// The system voice "embedded": the speech settings name the files.
bool brisaVoiceOpen(int voice, int rate, int pitch);
void brisaVoiceSpeak(const std::string& textCp1252);
bool brisaVoiceBusy();
void brisaVoiceStop();
void brisaVoiceClose();
// `ludivar --speak TEXT --wav F` with the engine configured: its sound into F.  0 on success.
int brisaSpeakToWav(const std::string& textCp1252, const std::string& wavPath, int rate, int pitch);

}  // namespace brisa
