// ECOLAR.INI: a profile reader of our own, the search for the file, the "@"
// folder substitution, and the opening and closing of speech.
#include "console/config.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "console/console.h"
#include "console/kept.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "speech/synth.h"
#include "speech/wave.h"

namespace con {

namespace {

// A configuration file is a few kilobytes; anything far larger is not one.
constexpr size_t kMaxIniBytes = 1 << 20;
// A PGMECOLAR that itself holds "@\" would substitute forever.
constexpr int kMaxSubstitutions = 16;

struct ConfigState {
    std::string iniOverride;
    std::string startFolder;
    bool startFolderSet = false;
    SpeechSettings speech;
    SystemVoiceOps voice;
};
ConfigState gCfg;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && isBlank(s[a])) ++a;
    while (b > a && isBlank(s[b - 1])) --b;
    return s.substr(a, b - a);
}

bool sameName(const std::string& a, const std::string& b) {
    return toUpperLatin(trimBlanks(a)) == toUpperLatin(trimBlanks(b));
}

// Files written on Linux are often UTF-8; the family's own are CP1252.  A text
// that is valid UTF-8 and uses multi-byte sequences is taken as UTF-8.
bool looksUtf8(const std::string& s) {
    bool multi = false;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { ++i; continue; }
        int n = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (n < 0 || c == 0xC0 || c == 0xC1) return false;
        if (i + n >= s.size()) return false;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        multi = true;
        i += n + 1;
    }
    return multi;
}

std::string toCp1252(std::string text) {
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (looksUtf8(text)) return plat::utf8ToCp1252(text);
    return text;
}

bool readWhole(const std::string& path, std::string& out) {
    if (path.empty()) return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.clear();
    char buf[4096];
    while (f && out.size() < kMaxIniBytes) {
        f.read(buf, sizeof buf);
        out.append(buf, static_cast<size_t>(f.gcount()));
    }
    return true;
}

// Walks the lines of a profile text: calls `found` with the value of the first
// matching key inside the sections of the given name (the first occurrence wins,
// as with the platform's profile reader).
bool findKey(const std::string& text, const std::string& section, const std::string& key,
             std::string& value) {
    bool inSection = false;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        if (j == std::string::npos) j = text.size();
        std::string line = text.substr(i, j - i);
        i = j + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = trimBlanks(line);
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;  // junk line
        if (!sameName(line.substr(0, eq), key)) continue;
        std::string v = trimBlanks(line.substr(eq + 1));
        // The profile reader drops one pair of enclosing quotes.
        if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
            v = v.substr(1, v.size() - 2);
        value = v;
        return true;
    }
    return false;
}

// An ECOLAR.INI in `dir` (a Linux path), matched without regard to case.
std::string findIniIn(const std::string& dir) {
    if (dir.empty()) return std::string();
    std::string d = dir;
    if (d.back() != '/') d += '/';
    struct stat st;
    if (stat((d + "ECOLAR.INI").c_str(), &st) == 0 && S_ISREG(st.st_mode)) return d + "ECOLAR.INI";
    DIR* h = opendir(d.c_str());
    if (!h) return std::string();
    std::string found;
    while (dirent* e = readdir(h)) {
        if (strcasecmp(e->d_name, "ECOLAR.INI") != 0) continue;
        std::string p = d + e->d_name;
        if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            found = p;
            break;
        }
    }
    closedir(h);
    return found;
}

std::string withBackslash(const std::string& folder) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder;
    return folder + "\\";
}

// A flag key of [SINTETIZADOR]: on when set and not beginning with "N".
bool flagOn(const std::string& v) { return !v.empty() && v[0] != 'N' && v[0] != 'n'; }

std::string startFolderCp1252() { return plat::utf8ToCp1252(startFolder()); }

}  // namespace

// ---- profile reading -------------------------------------------------------

std::string iniReadText(const std::string& text, const std::string& section,
                        const std::string& key, size_t maxLen) {
    std::string v;
    if (!findKey(toCp1252(text), section, key, v)) return std::string();
    if (v.size() > maxLen) v.resize(maxLen);
    return v;
}

bool iniTextHasKey(const std::string& text, const std::string& section, const std::string& key) {
    std::string v;
    return findKey(toCp1252(text), section, key, v);
}

std::string iniRead(const std::string& file, const std::string& section,
                    const std::string& key, size_t maxLen) {
    std::string text;
    if (!readWhole(file, text)) return std::string();
    return iniReadText(text, section, key, maxLen);
}

bool iniHasKey(const std::string& file, const std::string& section, const std::string& key) {
    std::string text;
    if (!readWhole(file, text)) return false;
    return iniTextHasKey(text, section, key);
}

// ---- where the file is ---------------------------------------------------------

void setIniOverride(const std::string& linuxPath) { gCfg.iniOverride = linuxPath; }

void setStartFolder(const std::string& dir) {
    gCfg.startFolder = dir;
    gCfg.startFolderSet = true;
}

std::string startFolder() {
    if (!gCfg.startFolderSet) setStartFolder(plat::currentDir());
    return gCfg.startFolder;
}

std::string iniPath() {
    if (!gCfg.iniOverride.empty()) return gCfg.iniOverride;
    std::string p = findIniIn(plat::configDir());
    if (p.empty()) p = findIniIn(startFolder());
    if (p.empty()) p = findIniIn(plat::familyRoot());
    return p;
}

std::string windowsIniPath() {
    if (!gCfg.iniOverride.empty()) return gCfg.iniOverride;
    // The start folder is readConfig's fallback only; the window and the
    // synthesizer fall back to the defaults we ship.
    std::string p = findIniIn(plat::configDir());
    if (p.empty()) p = findIniIn(plat::familyRoot());
    return p;
}

// ---- keys --------------------------------------------------------------------

std::string substituteAt(const std::string& value, const std::string& pgm) {
    std::string folder = pgm;
    if (folder.empty() || folder[0] == '@') folder = startFolderCp1252();
    std::string v = value;
    for (int round = 0; round < kMaxSubstitutions; ++round) {
        bool leading = !v.empty() && v[0] == '@';
        size_t at = v.find("@\\");
        if (!leading && at == std::string::npos) break;
        if (leading) v = folder + v.substr(1);
        std::string out;
        size_t i = leading ? folder.size() : 0;
        out = v.substr(0, i);
        while (i < v.size()) {
            size_t k = v.find("@\\", i);
            if (k == std::string::npos) {
                out += v.substr(i);
                break;
            }
            out += v.substr(i, k - i);
            out += folder;
            i = k + 1;  // keeps the "\"
        }
        v = out;
    }
    return v;
}

std::string readConfig(const std::string& section, const std::string& key) {
    std::string path = iniPath();
    std::string text;
    if (!readWhole(path, text)) return std::string();
    std::string sec = section.empty() ? std::string("ECOLAR") : section;
    std::string v = iniReadText(text, sec, key);
    if (v.empty() || (v[0] != '@' && v.find("@\\") == std::string::npos)) return v;
    return substituteAt(v, iniReadText(text, "ECOLAR", "PGMECOLAR"));
}

std::string readWindowsIni(const std::string& section, const std::string& key, size_t maxLen) {
    return iniRead(windowsIniPath(), section.empty() ? std::string("ECOLAR") : section, key, maxLen);
}

int parseIntOr(const std::string& s, int dflt) {
    std::string t = trimBlanks(s);
    if (t.empty()) return dflt;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return dflt;
    return static_cast<int>(v);
}

// ---- speech ----------------------------------------------------------------------

SpeechSettings& speechSettings() { return gCfg.speech; }

void resetConfig() {
    // The installed voice back-end is not configuration: it stays across a reset.
    SystemVoiceOps ops = gCfg.voice;
    gCfg = ConfigState();
    gCfg.voice = ops;
}

void setSystemVoiceOps(const SystemVoiceOps& ops) { gCfg.voice = ops; }
bool systemVoiceActive() { return gCfg.speech.systemVoice; }

bool systemVoiceBusy() {
    return gCfg.speech.systemVoice && gCfg.voice.busy && gCfg.voice.busy();
}

void systemVoiceSpeak(const std::string& text) {
    if (gCfg.speech.systemVoice && gCfg.voice.speak) gCfg.voice.speak(text);
}

void systemVoiceStop() {
    if (!gCfg.speech.systemVoice || !gCfg.voice.stop) return;
    // The embedded engine is always told to stop; the others only while busy.
    if (gCfg.speech.voiceKind == 3 || systemVoiceBusy()) gCfg.voice.stop();
}

Punctuation punctuationFromText(const std::string& text) {
    const std::string t = toUpperLatin(trim(text));
    if (t == "ALGUMA") return Punctuation::Some;
    if (t == "NENHUMA") return Punctuation::None;
    return Punctuation::All;
}

const char* punctuationText(Punctuation p) {
    switch (p) {
        case Punctuation::Some: return "ALGUMA";
        case Punctuation::None: return "NENHUMA";
        default: return "TODA";
    }
}

Punctuation configuredPunctuation() {
    std::string v = keptSetting("PONTUACAO");
    if (v.empty()) v = readConfig("TRADUTOR", "PONTUACAO");
    return punctuationFromText(v);
}

int effectiveSpeed(int requested) {
    int s = requested;
    if (s <= 0) s = parseIntOr(readConfig("TRADUTOR", "VELOCIDADE"), 3);
    if (s < 1 || s > 5) s = 3;
    return s;
}

void readSpeedKeys(int speed) {
    SpeechSettings& ss = gCfg.speech;
    const std::string d = std::to_string(speed);
    auto key = [&](const char* name) { return readConfig("SINTETIZADOR", name + d); };
    ss.dbName = key("DIFONES");
    if (ss.dbName.size() > 8) ss.dbName.resize(8);
    ss.corteFon = parseIntOr(key("CORTEFON"), 0);
    ss.sobraFon = parseIntOr(key("SOBRAFON"), 0);
    ss.interPal = parseIntOr(key("INTERPAL"), 0);
    ss.cutPeriods = flagOn(key("CORTAFALA"));
    ss.fastRate = flagOn(key("RAPIDINHO"));
    ss.pausePoint = parseIntOr(key("PAUSAPONTO"), 250);
    ss.pauseComma = parseIntOr(key("PAUSAVIRG"), 150);
    ss.pauseColon = parseIntOr(key("PAUSADOISPONTOS"), 200);
    speech::setCutPeriods(ss.cutPeriods);
    speech::setFastRate(ss.fastRate);
}

namespace {

[[noreturn]] void failStart(int code) {
    const SpeechSettings& ss = gCfg.speech;
    writeLn(plat::cp("Erro de inicialização: ") + std::to_string(code));
    writeLn(plat::cp("Banco de dados de voz: ") + ss.dbName);
    speech::synthClose();
    while (readKey() != 13) {
    }
    flushKeys();
    toneOff();
    // Not a normal end: whoever started us sees that speech could not start.
    plat::endProgram(1);
}

void openSystemVoice() {
    SpeechSettings& ss = gCfg.speech;
    ss.systemVoice = false;
    const std::string sapi = readConfig("TRADUTOR", "SAPI");
    if (!flagOn(sapi)) return;
    const int voice = parseIntOr(readConfig("SERVFALA", "VOZ"), 0);
    int rate = parseIntOr(readConfig("SERVFALA", "VELOCIDADE"), 0);
    const int pitch = parseIntOr(readConfig("SERVFALA", "TOM"), 0);
    const int tipo = parseIntOr(readConfig("SERVFALA", "TIPOSAPI"), 0);
    // 3, 5 and 54 name their kinds; every other value is the SAPI 4 kind.
    const int kind = (tipo == 3 || tipo == 5 || tipo == 54) ? tipo : 4;
    if (kind != 4 && rate > 10) rate = 0;
    ss.voiceKind = kind;
    if (!gCfg.voice.open) {
        std::fprintf(stderr, "ludivar: nenhuma voz do sistema disponível (TIPOSAPI %d); fala o sintetizador próprio\n",
                     tipo);
        return;
    }
    if (!gCfg.voice.open(kind, voice, rate, pitch)) return;
    ss.systemVoice = true;
    while (gCfg.voice.busy && gCfg.voice.busy()) delayMs(50);
}

}  // namespace

void startSpeech(int speed, const std::string& soundFolder) {
    SpeechSettings& ss = gCfg.speech;
    ss.speed = effectiveSpeed(speed);
    ss.punctuation = configuredPunctuation();
    readSpeedKeys(ss.speed);
    speech::SynthSettings syn;
    syn.dbName = ss.dbName;
    syn.corteFon = ss.corteFon;
    syn.sobraFon = ss.sobraFon;
    syn.interPal = ss.interPal;
    int rc = speech::synthOpen(syn);
    if (rc != 0) failStart(rc);
    ss.soundFolder = withBackslash(soundFolder);
    std::string letters = readConfig("TRADUTOR", "DIRLETRAS");
    if (letters.empty()) letters = "c:\\sonare\\som\\letras\\";
    ss.lettersFolder = withBackslash(letters);
    // Opening the synthesizer may have reset the playback switches.
    readSpeedKeys(ss.speed);
    openSystemVoice();
    ss.open = true;
    ensureClickSamples();
}

void endSpeech() {
    SpeechSettings& ss = gCfg.speech;
    waitSpeech();
    stopSpeech();
    if (ss.systemVoice && gCfg.voice.close) gCfg.voice.close();
    ss.systemVoice = false;
    speech::synthClose();
    ss.open = false;
}

}  // namespace con
