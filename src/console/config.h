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

struct SpeechSettings {
    bool open = false;
    int speed = 3;
    std::string lettersFolder;  // ends in "\"
    std::string soundFolder;    // ends in "\" when not empty
    int pausePoint = 250, pauseComma = 150, pauseColon = 200;
    bool systemVoice = false;
    int voiceKind = 4;
    std::string dbName;
    int corteFon = 0, sobraFon = 0, interPal = 100;
    bool cutPeriods = false, fastRate = false;
};
SpeechSettings& speechSettings();

// Returns normally on success; on failure of the own synthesizer it reports,
// waits for Enter and ends the program.
void startSpeech(int speed, const std::string& soundFolder);
void endSpeech();

}  // namespace con
