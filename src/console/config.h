// ECOLAR.INI and the speech settings: where the file is, how keys are read,
// and opening, routing and closing of speech.
#pragma once
#include <string>

#include "speech/settings.h"
#include "speech/speak.h"

namespace con {

// Profile rules: sections and keys without regard to case, values cut to `maxLen`.
// Reads the file named (a Linux path); empty when absent.
std::string iniRead(const std::string& file, const std::string& section,
                    const std::string& key, size_t maxLen = 255);
bool iniHasKey(const std::string& file, const std::string& section, const std::string& key);
// The same rules on a text already in memory (CP1252 or UTF-8, CR LF or LF).
std::string iniReadText(const std::string& text, const std::string& section,
                        const std::string& key, size_t maxLen = 255);
bool iniTextHasKey(const std::string& text, const std::string& section, const std::string& key);

// Where ECOLAR.INI is: --ini, else the configuration folder, else the start folder,
// else the defaults shipped with the program.
void setIniOverride(const std::string& linuxPath);
std::string iniPath();          // the file readConfig uses ("" when none exists)
std::string windowsIniPath();   // the copy the window and synthesizer settings use
void setStartFolder(const std::string& dir);
std::string startFolder();

// Value of a key, with "@" replaced by the family's program folder.  Empty section = ECOLAR.
std::string readConfig(const std::string& section, const std::string& key);
// Same file, no substitution (window keys, diphone folders).
std::string readWindowsIni(const std::string& section, const std::string& key, size_t maxLen = 255);
int parseIntOr(const std::string& s, int dflt);
// A number of ECOLAR.INI: parsed as parseIntOr does, then kept within the range that
// makes sense for that key (per-speed keys of [SINTETIZADOR] are named with their digit).
int settingNumber(const std::string& section, const std::string& key, const std::string& text, int dflt);
// "@" substitution alone: `pgm` is PGMECOLAR as read (the start folder stands in
// when it is empty or itself begins with "@").
std::string substituteAt(const std::string& value, const std::string& pgm);

// The speech settings live in speech; the console reads them from the file and
// hands them down.
using speech::Punctuation;
using speech::SpeechSettings;
using speech::speechSettings;
using speech::VoiceKind;
// TODA, ALGUMA, NENHUMA as [TRADUTOR] PONTUACAO writes them; anything else is All.
Punctuation punctuationFromText(const std::string& text);
const char* punctuationText(Punctuation p);

// Fresh settings, no override, start folder forgotten, no system voice (tests).
void resetConfig();

// The speed actually used for a requested one: 0 or below asks [TRADUTOR]
// VELOCIDADE; anything outside 1-5 gives 3.
int effectiveSpeed(int requested);
// Reads the per-speed keys of [SINTETIZADOR] into the settings and hands them to
// the synthesizer's and the playback's switches.
void readSpeedKeys(int speed);

// Reads the speech settings from the file and opens speech with them.
// Returns normally on success; on failure of the own synthesizer it reports,
// waits for Enter and ends the program.
void startSpeech(int speed, const std::string& soundFolder);
// The level the user kept last (Ctrl+P), else [TRADUTOR] PONTUACAO.
Punctuation configuredPunctuation();
bool keepPunctuation(Punctuation p);
// The same, giving the synthesizer's failure code (0 on success) instead of ending.
int trySpeech(int speed, const std::string& soundFolder);
void endSpeech();

// Settings the user changes while running and expects to find at the next start (the
// speed chosen with Ctrl+F4) live in ludivar.ini of the configuration folder, never in
// the shipped data; they apply unless --ini names a configuration.
std::string keptSettingsPath();
int keptSpeed();           // 0 when none is kept
bool keepSpeed(int speed);
// Sets one key of an INI file (made when missing), keeping every other line.
bool iniWriteKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

// `ludivar --speak TEXT --wav F`: the text with the configured voice into a WAV
// file, speech opened for it when it is not.  0 on success, else a message on
// stderr and 1.
int speakToWav(const std::string& textCp1252, const std::string& wavPath);

// System voices are speech's (speech/speak.h); these names stay for callers.
using speech::builtinSystemVoiceOps;
using speech::kSystemVoiceMissing;
using speech::setSystemVoiceOps;
using speech::systemVoiceActive;
using speech::systemVoiceBusy;
using speech::systemVoiceProducing;
using speech::systemVoiceSpeak;
using speech::systemVoiceStop;
using speech::SystemVoiceOps;

}  // namespace con
