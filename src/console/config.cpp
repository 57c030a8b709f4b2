// ECOLAR.INI: a profile reader of our own, the search for the file, the "@"
// folder substitution, and the opening and closing of speech.
#include "console/config.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "speech/lexicon.h"
#include "speech/speak.h"
#include "speech/synth.h"
#include "speech/wave.h"
#include "util/atomic.h"
#include "util/folders.h"
#include "util/log.h"
#include "util/text.h"

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
    Settings settings;
    bool settingsLoaded = false;
    bool speechOpenedBefore = false;
};
ConfigState gCfg;


bool sameName(const std::string& a, const std::string& b) {
    return util::upperLatin(util::trimSpaces(a)) == util::upperLatin(util::trimSpaces(b));
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

bool readWhole(const std::string& path, std::string& out) { return plat::readPath(path, out, kMaxIniBytes); }

// Walks the key lines of a profile text in order, calling `visit(section, key, value)`
// (names trimmed, one pair of enclosing quotes dropped from the value, as the
// platform's profile reader does) until it returns true.
template <typename Visit>
bool walkKeys(const std::string& text, Visit visit) {
    std::string section;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        if (j == std::string::npos) j = text.size();
        std::string line = text.substr(i, j - i);
        i = j + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = util::trimSpaces(line);
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;  // junk line
        std::string v = util::trimSpaces(line.substr(eq + 1));
        if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
            v = v.substr(1, v.size() - 2);
        if (visit(section, util::trimSpaces(line.substr(0, eq)), v)) return true;
    }
    return false;
}

// The first matching key inside the sections of the given name (the first
// occurrence wins, as with the platform's profile reader).
bool findKey(const std::string& text, const std::string& section, const std::string& key,
             std::string& value) {
    return walkKeys(text, [&](const std::string& sec, const std::string& k, const std::string& v) {
        if (!sameName(sec, section) || !sameName(k, key)) return false;
        value = v;
        return true;
    });
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

void setIniOverride(const std::string& linuxPath) {
    gCfg.iniOverride = linuxPath;
    gCfg.settingsLoaded = false;
}

void setStartFolder(const std::string& dir) {
    gCfg.startFolder = dir;
    gCfg.startFolderSet = true;
    gCfg.settingsLoaded = false;  // "@" may stand for it
}

std::string startFolder() {
    if (!gCfg.startFolderSet) setStartFolder(plat::currentDir());
    return gCfg.startFolder;
}

std::string iniPath() {
    if (!gCfg.iniOverride.empty()) return gCfg.iniOverride;
    std::string p = findIniIn(util::settingsDir());
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

int parseIntOr(const std::string& s, int dflt) {
    std::string t = util::trimSpaces(s);
    if (t.empty()) return dflt;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return dflt;
    return static_cast<int>(v);
}

namespace {
// What each number of ECOLAR.INI may be.  A value outside is taken as the nearest
// limit: INTERPAL3=2147483647 would otherwise ask for gigabytes of silence between
// two words and a huge PAUSAPONTO would wait for weeks after a full stop.
struct NumberRange {
    const char* section;
    const char* key;  // per-speed keys without their digit
    int lo, hi;
};
constexpr NumberRange kNumberRanges[] = {
    {"SINTETIZADOR", "CORTEFON", 0, 20000},      // samples of a unit (units are far shorter)
    {"SINTETIZADOR", "SOBRAFON", 0, 20000},
    {"SINTETIZADOR", "INTERPAL", 0, 22000},      // samples: two seconds at most
    {"SINTETIZADOR", "PAUSAPONTO", 0, 10000},    // milliseconds
    {"SINTETIZADOR", "PAUSAVIRG", 0, 10000},
    {"SINTETIZADOR", "PAUSADOISPONTOS", 0, 10000},
    {"SERVFALA", "VOZ", 0, 999999},  // an index into lists of some 13,000 voices
    {"SERVFALA", "VELOCIDADE", -100, 100},
    {"SERVFALA", "TOM", -100, 100},
    {"ECOLAR", "TEMPOESPERAPROGVOLTAR", 0, 60000},
    {"VIDEO", "LARGURALETRA", 0, 200},           // pixels; 0 lets the front choose
    {"VIDEO", "ALTURALETRA", 0, 400},
    {"VIDEO", "PESOLETRA", 100, 1000},
};
}  // namespace

int settingNumber(const std::string& section, const std::string& key, const std::string& text, int dflt) {
    const int v = parseIntOr(text, dflt);
    std::string k = util::upperLatin(key);
    const std::string sec = util::upperLatin(section.empty() ? std::string("ECOLAR") : section);
    if (sec == "SINTETIZADOR" && !k.empty() && k.back() >= '0' && k.back() <= '9') k.pop_back();
    for (const NumberRange& r : kNumberRanges)
        if (sec == r.section && k == r.key) return std::min(std::max(v, r.lo), r.hi);
    return v;
}

// ---- the settings in force ----------------------------------------------------------

namespace {

// The keys of one text, read as the family's readers read them: most with "@"
// replaced by the program folder, the window's and the synthesizer's folders as written.
class KeyReader {
public:
    explicit KeyReader(const std::string& cp1252Text) : text_(cp1252Text) {
        pgm_ = raw("ECOLAR", "PGMECOLAR");
    }
    std::string raw(const char* section, const std::string& key, size_t maxLen = 255) const {
        std::string v;
        if (!findKey(text_, section, key, v)) return std::string();
        if (v.size() > maxLen) v.resize(maxLen);
        return v;
    }
    std::string value(const char* section, const std::string& key) const { return substituted(raw(section, key)); }
    std::string substituted(const std::string& v) const {
        if (v.empty() || (v[0] != '@' && v.find("@\\") == std::string::npos)) return v;
        return substituteAt(v, pgm_);
    }
    int number(const char* section, const std::string& key, int dflt) const {
        return settingNumber(section, key, value(section, key), dflt);
    }
    // Window keys: no substitution, 80 characters, as the window has always read them.
    std::string window(const char* section, const char* key) const { return raw(section, key, 80); }
    int windowNumber(const char* section, const char* key, int dflt) const {
        return settingNumber(section, key, window(section, key), dflt);
    }
    const std::string& pgm() const { return pgm_; }
    const std::string& text() const { return text_; }

private:
    const std::string& text_;
    std::string pgm_;
};

bool startsWithS(const std::string& v) { return !v.empty() && (v[0] == 'S' || v[0] == 's'); }

void readProgramKeys(const KeyReader& in, Settings& s) {
    walkKeys(in.text(), [&](const std::string& sec, const std::string& key, const std::string& v) {
        if (!sameName(sec, "ECOLAR")) return false;
        const std::string k = util::upperLatin(key);
        if (k.compare(0, 5, "PROG.") != 0) return false;
        // The first occurrence wins, as for every other key.
        if (!s.programs.count(k.substr(5))) s.programs[k.substr(5)] = in.substituted(v.substr(0, 255));
        return false;
    });
}

}  // namespace

std::string Settings::programFor(const std::string& ext) const {
    const std::string k = util::upperLatin(util::trimSpaces("PROG." + ext)).substr(5);
    auto it = programs.find(k);
    return it == programs.end() ? std::string() : it->second;
}

Settings settingsFromText(const std::string& iniText, const std::string& keptText) {
    const std::string text = toCp1252(iniText);
    const KeyReader in(text);
    Settings s;
    s.programFolder = in.pgm();
    s.programReturnWaitMs = in.number("ECOLAR", "TEMPOESPERAPROGVOLTAR", 500);
    readProgramKeys(in, s);

    s.gamesFolder = in.value("LUDIVAR", "DIRJOGOS");
    s.soundsFolder = in.value("LUDIVAR", "DIRLUDIVAR");
    s.editor = in.value("LUDIVAR", "EDITOR");
    s.resumeGames = util::upperLatin(util::trim(in.value("LUDIVAR", "RETOMAR"))) != "NAO";
    const std::string aluno = util::upperLatin(util::trim(in.value("LUDIVAR", "ALUNO")));
    s.aluno = aluno == "PERGUNTAR" ? Settings::Pupil::Ask
            : aluno == "NAO" || aluno == "N\xC3O" ? Settings::Pupil::Anonymous : Settings::Pupil::SystemUser;

    // What the user kept (Ctrl+F4, Ctrl+P) wins over the file.
    const std::string kept = toCp1252(keptText);
    std::string keptValue;
    int speed = findKey(kept, "TRADUTOR", "VELOCIDADE", keptValue) ? parseIntOr(keptValue, 0) : 0;
    if (speed < 1 || speed > 5) speed = in.number("TRADUTOR", "VELOCIDADE", 3);
    s.speed = speed >= 1 && speed <= 5 ? speed : 3;
    if (!findKey(kept, "TRADUTOR", "PONTUACAO", keptValue) || keptValue.empty())
        keptValue = in.value("TRADUTOR", "PONTUACAO");
    s.punctuation = punctuationFromText(keptValue);
    s.systemVoice = flagOn(in.value("TRADUTOR", "SAPI"));
    s.lettersFolder = in.value("TRADUTOR", "DIRLETRAS");
    s.diphonesFolder = in.raw("TRADUTOR", "DIRDIFONES");
    s.screenReader = util::upperLatin(util::trim(in.value("TRADUTOR", "LEITORTELA"))) == "ORCA"
                   ? Settings::ScreenReader::Orca : Settings::ScreenReader::None;

    for (int n = 1; n <= 5; ++n) {
        SpeedKeys& k = s.speeds[size_t(n - 1)];
        const std::string d = std::to_string(n);
        auto number = [&](const char* name, int dflt) { return in.number("SINTETIZADOR", name + d, dflt); };
        k.diphones = in.value("SINTETIZADOR", "DIFONES" + d).substr(0, 8);
        k.corteFon = number("CORTEFON", 0);
        k.sobraFon = number("SOBRAFON", 0);
        k.interPal = number("INTERPAL", 0);
        k.cutPeriods = flagOn(in.value("SINTETIZADOR", "CORTAFALA" + d));
        k.fastRate = flagOn(in.value("SINTETIZADOR", "RAPIDINHO" + d));
        k.pausePoint = number("PAUSAPONTO", 250);
        k.pauseComma = number("PAUSAVIRG", 150);
        k.pauseColon = number("PAUSADOISPONTOS", 200);
    }

    s.voiceType = in.number("SERVFALA", "TIPOSAPI", 0);
    s.voice = in.number("SERVFALA", "VOZ", 0);
    s.voiceRate = in.number("SERVFALA", "VELOCIDADE", 0);
    s.voicePitch = in.number("SERVFALA", "TOM", 0);

    s.engineFolder = in.value("BRISATTS", "DIR");
    s.engineBase = in.value("BRISATTS", "BASE");
    s.engineVoice = in.value("BRISATTS", "MBROLA_DB");

    s.colourTable = in.window("VIDEO", "TABCORES");
    const std::string fixed = in.window("VIDEO", "CORESFIXAS");
    s.fixedColours = fixed == "S" || fixed == "s";
    const std::string slow = in.window("VIDEO", "LENTO");
    s.slowScroll = slow == "S" || slow == "s";
    s.background = parseIntOr(in.window("VIDEO", "CORFUNDO"), 0);
    s.foreground = parseIntOr(in.window("VIDEO", "CORLETRA"), 15);
    const std::string amp = in.window("VIDEO", "AMPLIF");
    s.magnifier = (!amp.empty() && amp[0] >= '1' && amp[0] <= '7') ? amp[0] - '0' : 2;
    s.fontFace = in.window("VIDEO", "FONTE");
    s.fontWidth = in.windowNumber("VIDEO", "LARGURALETRA", 0);
    s.fontHeight = in.windowNumber("VIDEO", "ALTURALETRA", 0);
    s.fontWeight = in.windowNumber("VIDEO", "PESOLETRA", 700);
    const std::string corner = in.window("VIDEO", "CANTOTELA");
    s.normalSize = corner.empty() || startsWithS(corner);
    const std::string mode = in.window("BRAILLE", "MODO");
    s.brailleMode = mode.empty() ? 0 : (mode[0] & 3);
    if (s.brailleMode == 3) s.brailleMode = 1;
    const std::string line = in.window("BRAILLE", "LINHA");
    s.brailleLine = line.empty() || (line[0] != 'N' && line[0] != 'n');
    const std::string table = util::trim(in.window("BRAILLE", "TABELA"));
    if (util::upperLatin(table) == "COMPUTADOR") s.brailleTable.clear();
    else if (!table.empty()) s.brailleTable = table;

    s.trustedFolders = in.raw("SEGURANCA", "PASTASCONFIAVEIS", 4096);
    s.pupilMode = util::upperLatin(util::trim(in.raw("SEGURANCA", "MODOALUNO"))) == "SIM";
    return s;
}

void loadSettings() {
    const std::string path = iniPath();
    std::string text, kept;
    if (path.empty() || !readWhole(path, text)) text.clear();
    // A configuration named on the command line is used as it stands.
    const bool fromCommandLine = !gCfg.iniOverride.empty();
    if (fromCommandLine || !readWhole(keptSettingsPath(), kept)) kept.clear();
    gCfg.settings = settingsFromText(text, kept);
    gCfg.settings.file = path;
    gCfg.settings.fromCommandLine = fromCommandLine;
    gCfg.settingsLoaded = true;
    speech::loadUserLexicon();  // the user's pronunciation dictionary, beside the settings
}

const Settings& settings() {
    if (!gCfg.settingsLoaded) loadSettings();
    return gCfg.settings;
}

// ---- speech ----------------------------------------------------------------------

void resetConfig() {
    gCfg = ConfigState();
    speech::resetSpeechSettings();
}

Punctuation punctuationFromText(const std::string& text) {
    const std::string t = util::upperLatin(util::trim(text));
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

Punctuation configuredPunctuation() { return settings().punctuation; }

bool keepPunctuation(Punctuation p) {
    const bool ok = iniWriteKey(keptSettingsPath(), "TRADUTOR", "PONTUACAO", punctuationText(p));
    loadSettings();
    return ok;
}

int effectiveSpeed(int requested) {
    int s = requested;
    if (s <= 0) s = settings().speed;
    if (s < 1 || s > 5) s = 3;
    return s;
}

void readSpeedKeys(int speed) {
    SpeechSettings& ss = speechSettings();
    const SpeedKeys k = settings().speeds[size_t(std::min(std::max(speed, 1), 5) - 1)];
    ss.dbName = k.diphones;
    ss.corteFon = k.corteFon;
    ss.sobraFon = k.sobraFon;
    ss.interPal = k.interPal;
    ss.cutPeriods = k.cutPeriods;
    ss.fastRate = k.fastRate;
    ss.pausePoint = k.pausePoint;
    ss.pauseComma = k.pauseComma;
    ss.pauseColon = k.pauseColon;
    speech::setCutPeriods(ss.cutPeriods);
    speech::setFastRate(ss.fastRate);
}

namespace {

// Without a voice nothing can be said: the reason is shown, beeped and left for stderr
// (the window stays up with it); waiting for Enter in silence would look like a hang.
[[noreturn]] void failStart(int code) {
    const SpeechSettings& ss = speechSettings();
    const std::string line1 = plat::cp("Erro de inicialização: ") + std::to_string(code);
    const std::string line2 = plat::cp("Banco de dados de voz: ") + ss.dbName;
    writeLn(line1);
    writeLn(line2);
    plat::addNotice(line1 + ". " + line2);
    speech::synthClose();
    if (plat::haveFront()) plat::front().systemBeep();
    playToneMs(440, 300);
    flushKeys();
    toneOff();
    // Not a normal end: whoever started us sees that speech could not start.
    plat::endProgram(1);
}

// A folder from the root of the drive ("\sonare\...") is on the family's drive.
std::string onFamilyDrive(std::string dir) {
    if (!dir.empty() && dir[0] == '\\' && (dir.size() < 2 || dir[1] != '\\')) dir = "c:" + dir;
    return dir;
}

// The system voice asked for ([TRADUTOR] SAPI, [SERVFALA], [BRISATTS]) into the
// settings; true when one is asked for.
bool readVoiceKeys(SpeechSettings& ss) {
    const Settings& set = settings();
    if (!set.systemVoice) return false;
    ss.voiceNumber = set.voice;
    int rate = set.voiceRate;
    ss.voicePitch = set.voicePitch;
    ss.voiceKind = speech::voiceKindFromNumber(set.voiceType);
    if (ss.voiceKind != VoiceKind::Server && rate > 10) rate = 0;
    ss.voiceRate = rate;
    const std::string& dir = set.engineFolder;
    ss.brisaDir = withBackslash(onFamilyDrive(dir.empty() ? std::string("\\sonare\\brisatts\\") : dir));
    ss.brisaBase = set.engineBase.empty() ? std::string("portug") : set.engineBase;
    ss.brisaDb = set.engineVoice.empty() ? std::string("br4") : set.engineVoice;
    return true;
}

}  // namespace

int trySpeech(int speed, const std::string& soundFolder) {
    // Reopening speech (Ctrl+F4) takes the settings as they are now; the first
    // opening uses those read at start.
    if (gCfg.speechOpenedBefore) loadSettings();
    gCfg.speechOpenedBefore = true;
    connectSpeech();
    SpeechSettings& ss = speechSettings();
    ss.speed = effectiveSpeed(speed);
    ss.punctuation = configuredPunctuation();
    readSpeedKeys(ss.speed);
    ss.synthLetters = settings().lettersFolder;
    if (ss.synthLetters.empty()) ss.synthLetters = "c:\\sonare\\som\\letras";
    ss.synthDiphones = settings().diphonesFolder;
    if (ss.synthDiphones.empty()) ss.synthDiphones = "c:\\sonare\\som\\difones";
    ss.soundFolder = withBackslash(soundFolder);
    std::string letters = settings().lettersFolder;
    if (letters.empty()) letters = "c:\\sonare\\som\\letras\\";
    ss.lettersFolder = withBackslash(letters);
    ss.quiet = settings().screenReader == Settings::ScreenReader::Orca;
    return speech::openSpeech(readVoiceKeys(ss));
}

void startSpeech(int speed, const std::string& soundFolder) {
    const int rc = trySpeech(speed, soundFolder);
    if (rc != 0) failStart(rc);
}

// ---- settings kept for the next start ------------------------------------------------

std::string keptSettingsPath() { return util::settingsDir() + "ludivar.ini"; }

bool iniWriteKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
    std::string text;
    readWhole(file, text);
    text = toCp1252(text);
    // Lines as they are, the key replaced in its section (or added at the section's end).
    std::vector<std::string> lines;
    for (size_t i = 0; i < text.size();) {
        size_t j = text.find('\n', i);
        if (j == std::string::npos) j = text.size();
        std::string line = text.substr(i, j - i);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        i = j + 1;
    }
    const std::string entry = key + "=" + value;
    int sectionAt = -1, insertAt = -1;
    bool done = false;
    for (size_t n = 0; n < lines.size() && !done; ++n) {
        const std::string t = util::trimSpaces(lines[n]);
        if (!t.empty() && t[0] == '[') {
            const size_t close = t.find(']');
            const bool ours = sameName(t.substr(1, close == std::string::npos ? std::string::npos : close - 1), section);
            if (sectionAt >= 0 && insertAt < 0) insertAt = int(n);
            if (ours && sectionAt < 0) sectionAt = int(n);
            continue;
        }
        const size_t eq = t.find('=');
        if (sectionAt >= 0 && insertAt < 0 && eq != std::string::npos && eq > 0 && sameName(t.substr(0, eq), key)) {
            lines[n] = entry;
            done = true;
        }
    }
    if (!done) {
        if (sectionAt < 0) {
            if (!lines.empty() && !util::trimSpaces(lines.back()).empty()) lines.push_back("");
            lines.push_back("[" + section + "]");
            lines.push_back(entry);
        } else {
            size_t at = insertAt < 0 ? lines.size() : size_t(insertAt);
            while (at > size_t(sectionAt) + 1 && util::trimSpaces(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + long(at), entry);
        }
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    const size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0) util::makeFolders(file.substr(0, slash));
    return util::writeFileAtomically(file, out).ok();
}

bool keepSpeed(int speed) {
    const bool ok = iniWriteKey(keptSettingsPath(), "TRADUTOR", "VELOCIDADE", std::to_string(speed));
    loadSettings();
    return ok;
}

void endSpeech() { speech::closeSpeech(); }

int speakToWav(const std::string& textCp1252, const std::string& wavPath) {
    // Speaking needs a front (keys, clock); without one the headless front serves.
    std::unique_ptr<plat::Front> own;
    if (!plat::haveFront()) {
        own.reset(plat::makeHeadlessFront());
        plat::setFront(own.get());
    }
    std::string problem;
    try {
        const bool wasOpen = speechSettings().open;
        if (!wasOpen) startSpeech(0, "");
        speech::renderToWav(textCp1252, wavPath, problem);
        if (!wasOpen) endSpeech();
    } catch (const plat::ProgramExit&) {
        speech::endCapture();
        problem = "a fala não pôde ser iniciada (faltam as letras gravadas ou o banco de voz)";
    }
    if (own) {
        own->close();
        plat::setFront(nullptr);
    }
    if (problem.empty()) return 0;
    util::log("ludivar: " + problem);  // UTF-8, like the path given
    return 1;
}

}  // namespace con
