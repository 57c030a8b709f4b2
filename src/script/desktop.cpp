// Desktop commands: waiting for and acting on other programs' windows,
// synthesized keys and clicks, the pointer, the clipboard and the controls that
// the accessibility bus describes.  Each asks the pupil first (src/safety).
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/access.h"
#include "platform/desktop.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "script/interp.h"
#include "util/text.h"

namespace script {

namespace {

// The longest texts the original's buffers held.
constexpr size_t kTitleWait = 249;
constexpr size_t kTitleRead = 254;
constexpr size_t kTitleMatch = 143;
constexpr size_t kClipboardIn = 255;
constexpr size_t kClipboardOut = 254;

struct DesktopState {
    a11y::Element element;  // the control read last
    bool keysRefused = false;  // a key of the running command met Ludivar's own window
};
DesktopState gDesk;

bool allowDesktop() { return safety::allow(safety::Reach::Desktop, "outros programas"); }

// Every command that needs the display asks this first.
bool reachDesktop() { return desk::available() && allowDesktop(); }

// Keys the game synthesizes go to whatever window has the focus: never to Ludivar's own
// (the window front's, or the terminal's that shows the terminal front), where they would
// answer its questions for the pupil.
bool ownWindowFocused() {
    desk::WindowInfo w;
    if (!desk::activeWindow(w)) return false;
    void* own = plat::haveFront() ? plat::front().nativeWindowId() : nullptr;
    if (own && w.id == reinterpret_cast<uintptr_t>(own)) return true;
    const char* term = std::getenv("WINDOWID");
    return term && *term && std::strtoul(term, nullptr, 10) == w.id;
}

// Checked before each key: the game may move the focus between its keys.
bool mayType() {
    safety::noteSyntheticKeys();
    return !ownWindowFocused();
}

// A command that synthesizes keys: fails, with the access-denied status, when one
// of its keys was held back from Ludivar's own window.
struct KeyCommand {
    KeyCommand() { gDesk.keysRefused = false; }
    bool done() {
        if (!gDesk.keysRefused) return true;
        state().status = 5;
        return false;
    }
};

std::string cut(std::string s, size_t max) {
    if (s.size() > max) s.resize(max);
    return s;
}

std::string activeTitle(size_t max) {
    desk::WindowInfo w;
    return desk::activeWindow(w) ? cut(w.title, max) : std::string();
}

// --- keys --------------------------------------------------------------------

enum : uint8_t { WantShift = 1, WantCtrl = 2, WantAlt = 4 };

void pause(int ms) { con::delayMs(ms); }

bool pressSym(uint32_t sym, bool down) {
    desk::KeyPlan k;
    if (!desk::findKey(sym, k)) return false;
    desk::sendKey(k, down);
    return true;
}

// Shift, Ctrl and Alt down in that order, the key down and up, and the same
// modifiers up in the same order.
void pressWithModifiers(const desk::KeyPlan& key, uint8_t mods, int gapMs) {
    if (gDesk.keysRefused || !mayType()) {
        gDesk.keysRefused = true;
        return;
    }
    static const struct { uint8_t bit; uint32_t sym; } kMods[] = {
        {WantShift, desk::SymShift}, {WantCtrl, desk::SymControl}, {WantAlt, desk::SymAlt}};
    for (const auto& m : kMods)
        if (mods & m.bit) pressSym(m.sym, true);
    desk::sendKey(key, true);
    if (gapMs) pause(gapMs);
    desk::sendKey(key, false);
    if (gapMs) pause(gapMs);
    for (const auto& m : kMods)
        if (mods & m.bit) pressSym(m.sym, false);
    con::pumpMessages();
}

// The X keysym of a CP1252 character: Latin-1 ones are their own code, the
// others go through Unicode.
uint32_t keysymOf(uint8_t c) {
    if (c < 0x80 || c >= 0xa0) return c;
    std::string u = plat::cp1252ToUtf8(std::string(1, char(c)));
    uint32_t cp = 0;
    if (u.size() == 3) cp = (uint32_t(uint8_t(u[0]) & 0x0f) << 12) | (uint32_t(uint8_t(u[1]) & 0x3f) << 6) |
                            (uint8_t(u[2]) & 0x3f);
    else if (u.size() == 2) cp = (uint32_t(uint8_t(u[0]) & 0x1f) << 6) | (uint8_t(u[1]) & 0x3f);
    if (cp == 0x20ac) return 0x20ac;  // EuroSign
    return cp ? 0x1000000u | cp : 0;
}

// An accented letter as its accent's dead key and the plain letter.
bool splitAccent(uint8_t c, uint32_t& dead, uint8_t& plain) {
    static const struct { uint32_t dead; const char* letters; const char* plain; } kAccents[] = {
        {desk::SymDeadGrave, "ÀÈÌÒÙàèìòù", "AEIOUaeiou"},
        {desk::SymDeadAcute, "ÁÉÍÓÚÝáéíóúý", "AEIOUYaeiouy"},
        {desk::SymDeadCircumflex, "ÂÊÎÔÛâêîôû", "AEIOUaeiou"},
        {desk::SymDeadTilde, "ÃÑÕãñõ", "ANOano"},
        {desk::SymDeadDiaeresis, "ÄËÏÖÜäëïöüÿ", "AEIOUaeiouy"},
    };
    for (const auto& a : kAccents) {
        std::string letters = plat::cp(a.letters);
        size_t at = letters.find(char(c));
        if (at != std::string::npos) {
            dead = a.dead;
            plain = uint8_t(a.plain[at]);
            return true;
        }
    }
    return false;
}

void typeBlank(int gapMs) {
    desk::KeyPlan k;
    if (desk::findKey(' ', k)) pressWithModifiers(k, 0, gapMs);
}

// One character as a person would type it on the current layout.
void typeChar(uint8_t c, int gapMs) {
    desk::KeyPlan k;
    if (c == 0) return;
    if (c < 32) {
        uint8_t letter = uint8_t(c + 64);
        uint32_t sym = letter >= 'A' && letter <= 'Z' ? uint32_t(letter + 32) : letter;
        if (desk::findKey(sym, k)) pressWithModifiers(k, WantCtrl, gapMs);
        return;
    }
    if (c < 128) {
        // A character the layout cannot make is skipped.
        if (desk::findKey(c == 127 ? uint32_t(desk::SymDelete) : uint32_t(c), k)) pressWithModifiers(k, 0, gapMs);
        return;
    }
    uint32_t dead;
    uint8_t plain;
    desk::KeyPlan d, p;
    if (splitAccent(c, dead, plain)) {
        if (desk::findKey(dead, d) && desk::findKey(plain, p)) {
            pressWithModifiers(d, 0, gapMs);
            pressWithModifiers(p, 0, gapMs);
            return;
        }
    }
    // Typed as itself where the layout has the character, else as a blank.
    uint32_t sym = keysymOf(c);
    if (sym && desk::findKey(sym, k)) pressWithModifiers(k, 0, gapMs);
    else typeBlank(gapMs);
}

// Virtual-key numbers of the Windows keyboard as X keysyms.
uint32_t keysymOfVirtualKey(int32_t vk) {
    if (vk >= '0' && vk <= '9') return uint32_t(vk);
    if (vk >= 'A' && vk <= 'Z') return uint32_t(vk + 32);
    if (vk >= 112 && vk <= 135) return desk::SymF1 + uint32_t(vk - 112);
    if (vk >= 96 && vk <= 105) return 0xffb0 + uint32_t(vk - 96);  // the keypad's digits
    static const struct { int32_t vk; uint32_t sym; } kKeys[] = {
        {8, desk::SymBackSpace}, {9, desk::SymTab},     {13, desk::SymReturn}, {16, desk::SymShift},
        {17, desk::SymControl},  {18, desk::SymAlt},    {19, 0xff13},          {20, 0xffe5},
        {27, desk::SymEscape},   {32, ' '},             {33, desk::SymPrior},  {34, desk::SymNext},
        {35, desk::SymEnd},      {36, desk::SymHome},   {37, desk::SymLeft},   {38, desk::SymUp},
        {39, desk::SymRight},    {40, desk::SymDown},   {44, desk::SymPrint},  {45, desk::SymInsert},
        {46, desk::SymDelete},   {91, 0xffeb},          {93, 0xff67},          {106, 0xffaa},
        {107, 0xffab},           {109, 0xffad},         {110, 0xffae},         {111, 0xffaf},
        {144, 0xff7f},           {145, 0xff14},
    };
    for (const auto& k : kKeys)
        if (k.vk == vk) return k.sym;
    return 0;
}

// A key name of ACIONA as a virtual-key number, 0 when it names none.
int32_t virtualKeyOfName(const std::string& name) {
    static const struct { const char* name; int32_t vk; } kNames[] = {
        {"UP", 38},     {"DOWN", 40},      {"LEFT", 37},  {"RIGHT", 39},    {"ESCAPE", 27}, {"ESC", 27},
        {"ENTER", 13},  {"RETURN", 13},    {"BACKSPACE", 8}, {"TAB", 9},    {"INS", 45},    {"HOME", 36},
        {"DEL", 46},    {"DELETE", 46},    {"END", 35},   {"PAGEUP", 33},   {"PRIOR", 33},  {"PAGEDN", 34},
        {"NEXT", 34},   {"SNAPSHOT", 44},
    };
    for (const auto& k : kNames)
        if (name == k.name) return k.vk;
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        bool digits = name[1] >= '1' && name[1] <= '9' && (name.size() == 2 || (name[2] >= '0' && name[2] <= '9'));
        int n = digits ? std::stoi(name.substr(1)) : 0;
        return n >= 1 && n <= 12 ? 111 + n : 0;
    }
    if (name.size() > 1 && name[0] == '#') {
        int32_t n;
        return toNumber(name.substr(1), n) && n > 0 && n < 256 ? n : 0;
    }
    if (name.size() == 1) return uint8_t(name[0]);
    return 0;
}

bool cmdEspera(std::string_view arg) {
    if (arg.empty()) return false;
    State& s = state();
    s.status = 0;
    int32_t seconds;
    if (!readNumber(arg, seconds)) return false;
    if (arg.empty()) {
        // A plain wait; Esc ends it early so that a long one never traps the pupil.
        for (int64_t left = int64_t(seconds) * 1000; left > 0; left -= 100) {
            if (stopKeyWaiting()) break;
            con::delayMs(int(left < 100 ? left : 100));
        }
        return true;
    }
    std::string text;
    if (!readOperand(arg, text)) return true;
    if (!reachDesktop()) return false;
    text = util::upperLatin(text);
    for (int64_t look = 0; look < int64_t(seconds) * 2; ++look) {
        if (util::upperLatin(activeTitle(kTitleWait)).find(text) != std::string::npos) return true;
        // Another program's window takes real time to come up, whatever the
        // front; the console answers between the slices.
        bool stopped = false;
        for (int slice = 0; slice < 5 && !(stopped = stopKeyWaiting()); ++slice) waitStep(-1, 0, 100);
        if (stopped) break;
    }
    s.status = 1;
    return true;
}

bool cmdDigita(std::string_view arg) {
    bool noEnter = takeAmpersand(arg);
    std::string text;
    if (!readOperand(arg, text) || !arg.empty()) return false;
    if (!reachDesktop() || !desk::loadKeymap()) return false;
    KeyCommand keys;
    for (char c : text) {
        typeChar(uint8_t(c), 0);
        pause(100);
    }
    desk::KeyPlan enter;
    if (!noEnter && desk::findKey(desk::SymReturn, enter)) {
        pressWithModifiers(enter, 0, 0);
        pause(100);
    }
    desk::sync();
    return keys.done();
}

bool cmdAciona(std::string_view arg) {
    KeyCommand keys;
    std::string v;
    if (!readOperand(arg, v) || v.empty() || !arg.empty()) return false;
    if (v.size() == 1) {
        if (!reachDesktop() || !desk::loadKeymap()) return false;
        uint8_t c = uint8_t(v[0]);
        desk::KeyPlan k;
        if (c >= 32 && c <= 127) {
            // The character's own key, without the modifiers it would need.
            if (desk::findKey(c == 127 ? uint32_t(desk::SymDelete) : uint32_t(c), k)) {
                k.shift = k.altGr = false;
                pressWithModifiers(k, 0, 1);
            }
        } else {
            typeChar(c, 1);
        }
        desk::sync();
        return keys.done();
    }
    std::string name = util::upperLatin(v);
    uint8_t mods = 0;
    static const struct { const char* prefix; uint8_t bit; } kPrefixes[] = {
        {"CTRL+", WantCtrl}, {"SHIFT+", WantShift}, {"ALT+", WantAlt}};
    for (const auto& p : kPrefixes) {
        if (name.compare(0, std::strlen(p.prefix), p.prefix) == 0) {
            name.erase(0, std::strlen(p.prefix));
            mods |= p.bit;
        }
    }
    if (name.empty()) return false;
    int32_t vk = virtualKeyOfName(name);
    uint32_t sym = vk ? keysymOfVirtualKey(vk) : 0;
    if (!sym) return false;
    if (!reachDesktop() || !desk::loadKeymap()) return false;
    desk::KeyPlan k;
    if (!desk::findKey(sym, k)) return false;
    // The key itself; the modifiers are the ones the script named.
    k.shift = k.altGr = false;
    pressWithModifiers(k, mods, 0);
    desk::sync();
    pause(100);
    return keys.done();
}

// The origin of window-relative coordinates: the foreground window's left edge
// plus its frame's side, and its top edge plus 4 pixels.
void origin(bool screen, int& x, int& y) {
    x = y = 0;
    desk::WindowInfo w;
    if (screen || !desk::activeWindow(w)) return;
    x = w.frameLeft + w.borderLeft;
    y = w.frameTop + 4;
}

bool cmdClica(std::string_view arg) {
    arg = util::trimView(arg);
    int clicks = 1;
    if (startsWithUpper(arg, "DUPLO")) {
        arg.remove_prefix(5);
        clicks = 2;
    } else if (startsWithUpper(arg, "NULO")) {
        arg.remove_prefix(4);
        clicks = 0;
    }
    arg = util::trimView(arg);
    bool screen = startsWithUpper(arg, "TELA");
    if (screen) arg = util::trimView(arg.substr(4));
    int32_t x, y;
    if (!readNumber(arg, x)) return false;
    arg = util::trimView(arg);
    if (!arg.empty() && arg[0] == ',') arg = util::trimView(arg.substr(1));
    if (!readNumber(arg, y)) return false;
    if (!reachDesktop()) return false;
    int ox, oy;
    origin(screen, ox, oy);
    desk::movePointer(int(int64_t(ox) + x), int(int64_t(oy) + y));
    for (int i = 0; i < clicks; ++i) {
        desk::sendButton(true);
        desk::sendButton(false);
    }
    con::pumpMessages();
    return arg.empty();
}

bool cmdCaptura(std::string_view arg) {
    if (arg.empty()) return false;
    size_t sp = arg.find(' ');
    std::string word = util::upperLatin(arg.substr(0, sp));
    arg = sp == std::string_view::npos ? std::string_view() : util::trimView(arg.substr(sp));
    std::string* var = readTarget(arg);
    if (!var) return false;
    std::string text;
    if (word == plat::cp("TÍTULO") || word == "TITULO" || word == "ATIVA") {
        if (!reachDesktop()) return false;
        text = activeTitle(kTitleRead);
    } else if (word == "FOCO") {
        // Only the console's own window can have the focus among its windows.
        desk::WindowInfo w;
        void* own = plat::haveFront() ? plat::front().nativeWindowId() : nullptr;
        if (own && desk::activeWindow(w) && w.id == reinterpret_cast<uintptr_t>(own)) text = con::tw().title;
    } else if (word == "CAMPO") {
        if (!reachDesktop() || !desk::loadKeymap()) return false;
        KeyCommand keys;
        // Taken first, so that the other program's copy shows as a new owner.
        desk::clipboardSet(std::string());
        // The field's whole line, selected and copied the way any field allows.
        desk::KeyPlan k;
        if (desk::findKey(desk::SymHome, k)) pressWithModifiers(k, 0, 0);
        pause(100);
        if (desk::findKey(desk::SymEnd, k)) pressWithModifiers(k, WantShift, 0);
        pause(100);
        if (desk::findKey(desk::SymInsert, k)) pressWithModifiers(k, WantCtrl, 0);
        desk::sync();
        if (!keys.done()) return false;
        pause(100);
        // The other program copies in its own time; an empty field copies nothing.
        for (int i = 0; i < 20 && desk::clipboardOwnedHere(); ++i) waitStep(-1, 0, 100);
        desk::clipboardGet(text);
        text = cut(text, kClipboardOut);
    }
    return assign(var, text);
}

bool cmdTransfere(std::string_view arg) {
    if (arg.empty()) return false;
    bool toClipboard;
    if (startsWithUpper(arg, "DE ")) toClipboard = true;
    else if (startsWithUpper(arg, "PARA ")) toClipboard = false;
    else return false;
    arg = util::trimView(arg.substr(toClipboard ? 3 : 5));
    std::string* var = readTarget(arg);
    if (!var || !arg.empty()) return false;
    // With a display the clipboard is the desktop's, shared with other programs.
    bool shared = desk::available();
    if (shared && !allowDesktop()) return false;
    if (toClipboard) {
        std::string text = cut(*var, kClipboardIn);
        if (shared) return desk::clipboardSet(text);
        con::copyToClipboard(text);
        return true;
    }
    std::string text;
    if (shared) {
        if (!desk::clipboardGet(text)) return false;
        text = cut(text, kClipboardOut);
    } else {
        text = con::pasteFromClipboard(kClipboardOut + 1);
    }
    return assign(var, text);
}

bool titleMatches(const std::string& title, const std::string& pattern, bool atStart, bool atEnd) {
    size_t at = title.find(pattern);
    if (at == std::string::npos) return false;
    if (atStart && at != 0) return false;
    if (atEnd && at != title.size() - pattern.size()) return false;
    return true;
}

bool cmdJanela(std::string_view arg) {
    State& s = state();
    s.status = 0;
    if (arg.empty()) return false;
    size_t sp = arg.find(' ');
    std::string action = util::upperLatin(arg.substr(0, sp));
    arg = sp == std::string_view::npos ? std::string_view() : util::trimView(arg.substr(sp));
    std::string pattern;
    if (!readOperand(arg, pattern)) return false;
    bool atStart = !pattern.empty() && pattern.front() == '*';
    if (atStart) pattern.erase(0, 1);
    bool atEnd = !pattern.empty() && pattern.back() == '*';
    if (atEnd) pattern.pop_back();
    pattern = util::upperLatin(pattern);
    if (!reachDesktop()) return false;
    for (const desk::WindowInfo& w : desk::topLevelWindows()) {
        if (!w.visible && !w.minimized) continue;
        std::string title = util::upperLatin(cut(w.title, kTitleMatch));
        if (title.empty() || !titleMatches(title, pattern, atStart, atEnd)) continue;
        desk::WindowAction a;
        if (action == "FECHA") a = desk::WindowAction::Close;
        else if (action == "NORMAL") a = desk::WindowAction::Normal;
        else if (action == "MAXIMIZA") a = desk::WindowAction::Maximize;
        else if (action == "MINIMIZA") a = desk::WindowAction::Minimize;
        else return false;
        desk::windowAction(w.id, a);
        return true;
    }
    s.status = 1;
    return true;
}

// --- accessibility --------------------------------------------------------------

bool cmdMsaa(std::string_view arg) {
    a11y::Element& e = gDesk.element;
    auto takeWord = [&](const char* word) {
        if (!startsWithUpper(arg, word)) return false;
        arg = util::trimView(arg.substr(std::strlen(word)));
        return true;
    };
    if (takeWord("MONITORA")) return a11y::available() && allowDesktop() && a11y::startMonitor();
    if (takeWord("FIM")) {
        e = a11y::Element();
        a11y::stopMonitor();
        return true;
    }
    if (takeWord("CHECA")) {
        std::string* var = readTarget(arg);
        if (!var) return false;
        a11y::Element got;
        con::pumpMessages();
        bool read = a11y::takeEvent(got) == a11y::Taken::Read;
        if (read) e = got;
        *var = read ? "1" : "0";
        return true;
    }
    if (takeWord("CAPTURA")) {
        int32_t x, y;
        if (!readNumber(arg, x) || !readNumber(arg, y)) return false;
        if (!a11y::available() || !allowDesktop()) return false;
        a11y::elementAt(x, y, e);
        return true;
    }
    if (takeWord("AREA")) {
        std::string* v[4];
        for (auto*& p : v)
            if (!(p = readTarget(arg))) return false;
        *v[0] = numberText(e.left);
        *v[1] = numberText(e.top);
        *v[2] = numberText(e.width);
        *v[3] = numberText(e.height);
        return true;
    }
    const std::string* field = nullptr;
    std::string code;
    if (takeWord("NOME")) field = &e.name;
    else if (takeWord("TIPO")) field = &e.roleText;
    else if (takeWord("ESTADO")) field = &e.state;
    else if (takeWord("VALOR")) field = &e.value;
    else if (takeWord("CODIGO") || takeWord(plat::cp("CÓDIGO").c_str())) field = &(code = numberText(e.roleCode));
    if (!field) return false;
    std::string* var = readTarget(arg);
    if (!var) return false;
    return assign(var, *field);
}

}  // namespace

bool readMouse(std::string_view arg) {
    arg = util::trimView(arg);
    bool screen = startsWithUpper(arg, "TELA");
    if (screen) arg = util::trimView(arg.substr(4));
    std::string* vx = readTarget(arg);
    std::string* vy = vx ? readTarget(arg) : nullptr;
    if (!vy) return false;
    if (!reachDesktop()) return false;
    int x = 0, y = 0, ox, oy;
    if (!desk::pointerPosition(x, y)) return false;
    origin(screen, ox, oy);
    *vx = numberText(int64_t(x) - ox);
    *vy = numberText(int64_t(y) - oy);
    return arg.empty();
}

std::vector<CommandEntry> desktopCommands() {
    return {
        {"ESPERA", cmdEspera},   {"DIGITA", cmdDigita},       {"ACIONA", cmdAciona}, {"CLICA", cmdClica},
        {"CAPTURA", cmdCaptura}, {"TRANSFERE", cmdTransfere}, {"JANELA", cmdJanela}, {"MSAA", cmdMsaa},
    };
}

}  // namespace script
