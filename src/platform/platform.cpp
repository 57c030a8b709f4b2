#include "platform/platform.h"

#include <algorithm>

#include <cstdio>
#include <memory>

namespace plat {

namespace {
Front* gFront = nullptr;
FILE* gTrace = nullptr;
std::vector<std::string>* gCapture = nullptr;

// CP1252 0x80-0x9F; 0 marks the five undefined codes.
const uint16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

const Rgb kPalette[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},  {255, 0, 0},     {142, 0, 142},
    {68, 34, 34},    {192, 192, 192}, {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
    {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255}};

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
}  // namespace

Rgb paletteEntry(int entry) {
    if (entry < 0 || entry > 15) return {0, 0, 0};
    return kPalette[entry];
}

const std::vector<SecondBinding>& secondBindings() {
    static const std::vector<SecondBinding> table = {
        {KeyId::F9, ModCtrl | ModShift, KeyId::F9, ModCtrl | ModAlt},    // screen review
        {KeyId::F11, ModCtrl | ModShift, KeyId::F11, ModCtrl | ModAlt},  // Braille keyboard on / next mode
        {KeyId::F12, ModCtrl | ModShift, KeyId::F12, ModCtrl | ModAlt},  // Braille keyboard off
        {KeyId::F1, ModShift, KeyId::Right, ModAlt},                     // phonetic name of the letter
    };
    return table;
}

KeyEvent applySecondBinding(const KeyEvent& ev) {
    for (const SecondBinding& b : secondBindings()) {
        if (b.id != ev.id || b.mods != ev.mods) continue;
        KeyEvent out = ev;
        out.id = b.asId;
        out.mods = b.asMods;
        return out;
    }
    return ev;
}

namespace {
std::vector<std::string> gNotices;
void (*gNoticeWithdrawn)(const std::string&) = nullptr;
}

void addNotice(const std::string& text) { gNotices.push_back(text); }
void withdrawNotice(const std::string& text) {
    gNotices.erase(std::remove(gNotices.begin(), gNotices.end(), text), gNotices.end());
    if (gNoticeWithdrawn) gNoticeWithdrawn(text);
}
void setNoticeWithdrawnHook(void (*hook)(const std::string&)) { gNoticeWithdrawn = hook; }
bool haveNotices() { return !gNotices.empty(); }
std::vector<std::string> takeNotices() {
    std::vector<std::string> out;
    out.swap(gNotices);
    return out;
}

namespace {
KeySink gKeys;
SpeechQuery gSpeech;
ScreenView (*gScreen)() = nullptr;
void (*gQuit)() = nullptr;
}  // namespace

void setKeySink(const KeySink& sink) { gKeys = sink; }
void sendKey(const KeyEvent& ev) {
    if (gKeys.key) gKeys.key(ev);
}
int keysWaiting() { return gKeys.waiting ? gKeys.waiting() : 0; }
bool readingKey() { return gKeys.reading && gKeys.reading(); }

void setSpeechQuery(const SpeechQuery& query) { gSpeech = query; }
bool externalSpeechProducing() { return gSpeech.producing && gSpeech.producing(); }
bool externalSpeechBusy() { return gSpeech.busy && gSpeech.busy(); }

void setScreenProvider(ScreenView (*provider)()) { gScreen = provider; }
ScreenView currentScreen() { return gScreen ? gScreen() : ScreenView(); }

void setQuitHook(void (*quit)()) { gQuit = quit; }
void quitProgram() {
    if (gQuit) gQuit();
    endProgram(0);
}

Front& front() { return *gFront; }
void setFront(Front* f) { gFront = f; }
bool haveFront() { return gFront != nullptr; }

void traceOpen(const std::string& file) {
    traceClose();
    gTrace = std::fopen(file.c_str(), "wb");
}

void traceCapture(std::vector<std::string>* sink) { gCapture = sink; }

void trace(const char* kind, const std::string& text) {
    if (!gTrace && !gCapture) return;
    std::string line = kind;
    if (!text.empty()) {
        line += ' ';
        // One event per line: line breaks inside a text become blanks.
        std::string t = cp1252ToUtf8(text);
        for (char& c : t)
            if (c == '\r' || c == '\n') c = ' ';
        line += t;
    }
    if (gCapture) gCapture->push_back(line);
    if (gTrace) {
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), gTrace);
        std::fflush(gTrace);
    }
}

void traceClose() {
    if (gTrace) std::fclose(gTrace);
    gTrace = nullptr;
}

bool tracing() { return gTrace || gCapture; }

void endProgram(int code) { throw ProgramExit{code}; }

std::string cp1252ToUtf8(const std::string& s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (unsigned char c : s) {
        if (c < 0x80) out += char(c);
        else if (c < 0xA0) appendUtf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : c);
        else appendUtf8(out, c);
    }
    return out;
}

std::string utf8ToCp1252(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = s[i];
        uint32_t cp;
        int len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out += '?'; ++i; continue; }
        if (i + len > s.size()) { out += '?'; break; }
        bool ok = true;
        for (int k = 1; k < len; ++k) {
            unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) { out += '?'; ++i; continue; }
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) { out += char(cp); continue; }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == cp) { mapped = char(0x80 + k); break; }
        if (mapped == '?' && cp >= 0x80 && cp < 0xA0) mapped = char(cp);
        out += mapped;
    }
    return out;
}

std::string cp(const char* utf8) { return utf8ToCp1252(utf8 ? utf8 : ""); }

HeadlessOptions& headlessOptions() {
    static HeadlessOptions o;
    return o;
}

namespace {
bool gStopArmed = false;
bool gStopRequested = false;
}  // namespace

void armProgramStop(bool on) {
    gStopArmed = on;
    gStopRequested = false;
}
bool programStopArmed() { return gStopArmed; }
void requestProgramStop() {
    if (gStopArmed) gStopRequested = true;
}
bool programStopRequested() { return gStopRequested; }

}  // namespace plat
