// ECOLAR.INI and the speech settings: where the file is, how keys are read,
// and opening, routing and closing of speech.
#pragma once
#include <string>

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

// How much punctuation speak() names: every mark (the family's way), only the
// marks that change meaning, or none (marks only pause).  Spelling always names them.
enum class Punctuation { All, Some, None };
// TODA, ALGUMA, NENHUMA as [TRADUTOR] PONTUACAO writes them; anything else is All.
Punctuation punctuationFromText(const std::string& text);
const char* punctuationText(Punctuation p);

struct SpeechSettings {
    bool open = false;
    Punctuation punctuation = Punctuation::All;
    int speed = 3;
    std::string lettersFolder = "c:\\sonare\\som\\letras\\";  // ends in "\"
    std::string soundFolder;    // ends in "\" when not empty
    int pausePoint = 250, pauseComma = 150, pauseColon = 200;
    bool systemVoice = false;
    int voiceKind = 4;
    std::string dbName;
    int corteFon = 0, sobraFon = 0, interPal = 100;
    bool cutPeriods = false, fastRate = false;
};
SpeechSettings& speechSettings();
// Fresh settings, no override, start folder forgotten, no system voice (tests).
void resetConfig();

// The speed actually used for a requested one: 0 or below asks [TRADUTOR]
// VELOCIDADE; anything outside 1-5 gives 3.
int effectiveSpeed(int requested);
// Reads the per-speed keys of [SINTETIZADOR] into the settings and hands them to
// the synthesizer's and the playback's switches.
void readSpeedKeys(int speed);

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

// System voices plug in here (kind 3 the embedded engine, 5 and 54 espeak-ng
// in-process, every other kind speech-dispatcher).  The installed operations are
// the real services (speech/sysvoice.h); tests may put others in.  Without an
// `open`, a configured voice is reported missing and the own synthesizer speaks.
struct SystemVoiceOps {
    bool (*open)(int kind, int voice, int rate, int pitch) = nullptr;
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

}  // namespace con
