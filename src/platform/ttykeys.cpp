// Terminal key sequences -> KeyEvents, and cells -> ANSI output.
#include "platform/ttykeys.h"

#include <algorithm>
#include <cstdio>

namespace plat {
namespace tty {

namespace {

constexpr uint8_t kEsc = 0x1b;
constexpr size_t kMaxSequence = 40;  // longer CSI runs are junk and are dropped

KeyEvent named(KeyId id, uint8_t mods) {
    KeyEvent e;
    e.id = id;
    e.mods = mods;
    if (id == KeyId::Space && !(mods & (ModCtrl | ModAlt))) e.ch = ' ';
    return e;
}

// A character key typed as byte `c` (already CP1252).
KeyEvent charKey(uint8_t c, uint8_t mods) {
    KeyEvent e;
    e.id = KeyId::Char;
    e.mods = mods;
    if (c >= 'a' && c <= 'z') {
        e.vk = uint8_t(c - 32);
    } else if (c >= 'A' && c <= 'Z') {
        e.vk = c;
        e.mods |= ModShift;
    } else if (c >= '0' && c <= '9') {
        e.vk = c;
    }
    e.ch = (mods & (ModCtrl | ModAlt)) ? 0 : c;
    return e;
}

// xterm's modifier parameter: 1 + (shift 1, alt 2, ctrl 4, meta 8).
uint8_t xtermMods(int m) {
    if (m < 2) return 0;
    int bits = m - 1;
    uint8_t mods = 0;
    if (bits & 1) mods |= ModShift;
    if (bits & (2 | 8)) mods |= ModAlt;
    if (bits & 4) mods |= ModCtrl;
    return mods;
}

// A control byte (below 32, or DEL) as the key that types it.
void controlKey(const KeyDecoder& d, uint8_t c, uint8_t mods, std::vector<KeyEvent>& out) {
    if (c == d.eraseByte) {
        out.push_back(named(KeyId::Backspace, mods));
    } else if (c == 0x7f || c == 0x08) {
        // whichever of DEL and ^H is not the erase byte comes from Ctrl+Backspace
        out.push_back(named(KeyId::Backspace, mods | ModCtrl));
    } else if (c == '\t') {
        out.push_back(named(KeyId::Tab, mods));
    } else if (c == '\r') {
        out.push_back(named(KeyId::Enter, mods));
    } else if (c == '\n') {
        out.push_back(named(KeyId::Enter, mods | ModCtrl));
    } else if (c == 0) {
        out.push_back(named(KeyId::Space, mods | ModCtrl));
    } else if (c >= 1 && c <= 26) {
        KeyEvent e = charKey(uint8_t('a' + c - 1), mods | ModCtrl);
        out.push_back(e);
    } else if (c >= 0x1c && c <= 0x1f) {
        // Ctrl+\ ] ^ _ : no letter to name them by, so the control code travels as ch
        KeyEvent e;
        e.id = KeyId::Char;
        e.mods = mods | ModCtrl;
        e.ch = c;
        out.push_back(e);
    }
}

size_t utf8Length(uint8_t lead) {
    if (lead >= 0xc2 && lead <= 0xdf) return 2;
    if (lead >= 0xe0 && lead <= 0xef) return 3;
    if (lead >= 0xf0 && lead <= 0xf4) return 4;
    return 0;
}

std::string utf8Encode(uint32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xc0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        s += char(0xe0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3f));
        s += char(0x80 | (cp & 0x3f));
    } else if (cp < 0x110000) {
        s += char(0xf0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3f));
        s += char(0x80 | ((cp >> 6) & 0x3f));
        s += char(0x80 | (cp & 0x3f));
    }
    return s;
}

uint8_t toCp1252(const std::string& utf8) {
    std::string c = utf8ToCp1252(utf8);
    return c.size() == 1 ? uint8_t(c[0]) : uint8_t('?');
}

// A key named by its Unicode code point (kitty's CSI u, xterm's modifyOtherKeys).
void codepointKey(const KeyDecoder& d, uint32_t cp, uint8_t mods, std::vector<KeyEvent>& out) {
    switch (cp) {
    case 13: out.push_back(named(KeyId::Enter, mods)); return;
    case 9: out.push_back(named(KeyId::Tab, mods)); return;
    case 27: out.push_back(named(KeyId::Esc, mods)); return;
    case 8:
    case 127: out.push_back(named(KeyId::Backspace, mods)); return;
    case 32: out.push_back(named(KeyId::Space, mods)); return;
    default: break;
    }
    if (cp < 32) {
        controlKey(d, uint8_t(cp), mods, out);
        return;
    }
    uint8_t c = cp < 0x80 ? uint8_t(cp) : toCp1252(utf8Encode(cp));
    if (mods & ModCtrl) {
        // Ctrl with a letter is named by the letter, as a terminal without this
        // protocol would send it as a control byte
        if (c >= 'A' && c <= 'Z') c = uint8_t(c + 32);
        if (c >= 'a' && c <= 'z') {
            out.push_back(charKey(c, mods));
            return;
        }
    }
    KeyEvent e = charKey(c, mods);
    if ((mods & ModShift) && c >= 'a' && c <= 'z') e.ch = (mods & (ModCtrl | ModAlt)) ? 0 : uint8_t(c - 32);
    out.push_back(e);
}

// The "CSI n ~" keys.
KeyId tildeKey(int n) {
    switch (n) {
    case 1: case 7: return KeyId::Home;
    case 2: return KeyId::Ins;
    case 3: return KeyId::Del;
    case 4: case 8: return KeyId::End;
    case 5: return KeyId::PgUp;
    case 6: return KeyId::PgDn;
    case 11: return KeyId::F1;
    case 12: return KeyId::F2;
    case 13: return KeyId::F3;
    case 14: return KeyId::F4;
    case 15: return KeyId::F5;
    case 17: return KeyId::F6;
    case 18: return KeyId::F7;
    case 19: return KeyId::F8;
    case 20: return KeyId::F9;
    case 21: return KeyId::F10;
    case 23: return KeyId::F11;
    case 24: return KeyId::F12;
    default: return KeyId::None;
    }
}

KeyId letterKey(char f) {
    switch (f) {
    case 'A': return KeyId::Up;
    case 'B': return KeyId::Down;
    case 'C': return KeyId::Right;
    case 'D': return KeyId::Left;
    case 'H': return KeyId::Home;
    case 'F': return KeyId::End;
    case 'P': return KeyId::F1;
    case 'Q': return KeyId::F2;
    case 'R': return KeyId::F3;
    case 'S': return KeyId::F4;
    default: return KeyId::None;
    }
}

// Parses "ESC [ ..." starting at p[i] == ESC.  Returns the bytes used, 0 when the
// sequence is not complete yet.
size_t decodeCsi(const KeyDecoder& d, const std::string& p, size_t i, uint8_t mods,
                 std::vector<KeyEvent>& out) {
    size_t j = i + 2;
    if (j >= p.size()) return 0;
    if (p[j] == '[') {  // the Linux console's F1-F5
        if (j + 1 >= p.size()) return 0;
        char f = p[j + 1];
        if (f >= 'A' && f <= 'E') out.push_back(named(KeyId(int(KeyId::F1) + (f - 'A')), mods));
        return j + 2 - i;
    }
    std::vector<int> params;
    int cur = -1;
    bool privateMarker = false;
    for (; j < p.size(); ++j) {
        if (j - i > kMaxSequence) return j - i;  // junk: drop what was seen
        unsigned char c = uint8_t(p[j]);
        if (c >= '0' && c <= '9') {
            cur = (cur < 0 ? 0 : cur) * 10 + (c - '0');
            if (cur > 0x10ffff) cur = 0x10ffff;
        } else if (c == ';' || c == ':') {
            params.push_back(cur);
            cur = -1;
        } else if (c == '<' || c == '=' || c == '>' || c == '?') {
            privateMarker = true;
        } else if ((c >= 0x40 && c <= 0x7e) || (c == '$' && !privateMarker)) {
            break;
        } else if (c >= 0x20 && c <= 0x2f) {
            // intermediate byte: part of a reply we never asked for; keep scanning
        } else {
            // a control byte inside a sequence: the sequence was cut off; drop it
            return j - i;
        }
    }
    if (j >= p.size()) return 0;
    params.push_back(cur);
    const char f = p[j];
    const size_t used = j + 1 - i;
    if (privateMarker) return used;
    auto param = [&](size_t k, int dflt) { return k < params.size() && params[k] >= 0 ? params[k] : dflt; };
    const uint8_t m = uint8_t(mods | xtermMods(param(1, 1)));

    if (f == '~' || f == '$' || f == '^' || f == '@') {
        int n = param(0, 0);
        uint8_t rx = 0;  // rxvt puts Shift and Ctrl in the final byte
        if (f == '$') rx = ModShift;
        if (f == '^') rx = ModCtrl;
        if (f == '@') rx = ModShift | ModCtrl;
        if (n == 27 && params.size() >= 3) {  // xterm modifyOtherKeys
            codepointKey(d, uint32_t(param(2, 0)), uint8_t(mods | xtermMods(param(1, 1))), out);
            return used;
        }
        KeyId id = tildeKey(n);
        if (id != KeyId::None) out.push_back(named(id, uint8_t(m | rx)));
        return used;
    }
    if (f == 'u') {
        codepointKey(d, uint32_t(param(0, 0)), m, out);
        return used;
    }
    if (f == 'Z') {
        out.push_back(named(KeyId::Tab, uint8_t(m | ModShift)));
        return used;
    }
    if (f >= 'a' && f <= 'd') {  // rxvt's Shift+arrows
        out.push_back(named(letterKey(char(f - 32)), uint8_t(m | ModShift)));
        return used;
    }
    KeyId id = letterKey(f);
    if (id != KeyId::None) out.push_back(named(id, m));
    return used;  // anything else (focus reports, keypad 5, ...) is no key of ours
}

// "ESC O x": application cursor keys and F1-F4.
size_t decodeSs3(const std::string& p, size_t i, uint8_t mods, std::vector<KeyEvent>& out) {
    size_t j = i + 2;
    int modParam = 0;
    while (j < p.size() && p[j] >= '0' && p[j] <= '9' && j - i < 6) modParam = modParam * 10 + (p[j++] - '0');
    if (j >= p.size()) return 0;
    const char f = p[j];
    const uint8_t m = uint8_t(mods | xtermMods(modParam));
    if (f >= 'a' && f <= 'd') {  // rxvt's Ctrl+arrows
        out.push_back(named(letterKey(char(f - 32)), uint8_t(m | ModCtrl)));
    } else if (f == 'M') {
        out.push_back(named(KeyId::Enter, m));
    } else if (f >= 'p' && f <= 'y') {  // application keypad digits
        out.push_back(charKey(uint8_t('0' + (f - 'p')), m));
    } else if (f == 'j' || f == 'k' || f == 'm' || f == 'n' || f == 'o') {
        static const char kp[] = {'*', '+', 0, '-', '.', '/'};
        out.push_back(charKey(uint8_t(kp[f - 'j']), m));
    } else {
        KeyId id = letterKey(f);
        if (id != KeyId::None) out.push_back(named(id, m));
    }
    return j + 1 - i;
}

// One plain (non-ESC) key at p[i].  Returns the bytes used, 0 when a UTF-8
// character is still incomplete (never when `final`).
size_t decodePlain(const KeyDecoder& d, const std::string& p, size_t i, uint8_t mods, bool final,
                   std::vector<KeyEvent>& out) {
    const uint8_t c = uint8_t(p[i]);
    if (c < 0x20 || c == 0x7f) {
        controlKey(d, c, mods, out);
        return 1;
    }
    if (c == ' ') {
        out.push_back(named(KeyId::Space, mods));
        return 1;
    }
    if (c < 0x80) {
        out.push_back(charKey(c, mods));
        return 1;
    }
    size_t len = utf8Length(c);
    if (len == 0) {  // not UTF-8: a terminal in a Latin-1 locale sends the byte itself
        out.push_back(charKey(c, mods));
        return 1;
    }
    size_t k = 1;
    while (k < len && i + k < p.size() && (uint8_t(p[i + k]) & 0xc0) == 0x80) ++k;
    if (k < len) {
        if (i + k >= p.size() && !final) return 0;
        out.push_back(charKey(c, mods));  // broken sequence: take the byte as it is
        return 1;
    }
    out.push_back(charKey(toCp1252(p.substr(i, len)), mods));
    return len;
}

// Decodes one key at p[i]; 0 means "wait for more bytes" (never when `final`).
size_t decodeOne(const KeyDecoder& d, const std::string& p, size_t i, bool final, std::vector<KeyEvent>& out) {
    if (uint8_t(p[i]) != kEsc) return decodePlain(d, p, i, 0, final, out);
    if (i + 1 >= p.size()) {
        if (!final) return 0;
        out.push_back(named(KeyId::Esc, 0));
        return 1;
    }
    const char c = p[i + 1];
    if (c == '[' || c == 'O') {
        size_t used = c == '[' ? decodeCsi(d, p, i, 0, out) : decodeSs3(p, i, 0, out);
        if (used) return used;
        if (!final) return 0;
        if (i + 2 >= p.size()) {  // "ESC [" and nothing after it: Alt with the bracket
            out.push_back(charKey(uint8_t(c), ModAlt));
            return 2;
        }
        out.push_back(named(KeyId::Esc, 0));  // a cut-off sequence: the Esc is all we trust
        return p.size() - i;
    }
    if (uint8_t(c) == kEsc) {
        // ESC ESC [ ... is Alt with a sequence key (rxvt, some xterm settings)
        if (i + 2 >= p.size() && !final) return 0;
        if (i + 2 < p.size() && (p[i + 2] == '[' || p[i + 2] == 'O')) {
            std::vector<KeyEvent> inner;
            size_t used = p[i + 2] == '[' ? decodeCsi(d, p, i + 1, 0, inner) : decodeSs3(p, i + 1, 0, inner);
            if (used == 0 && !final) return 0;
            if (used) {
                for (KeyEvent& e : inner) {
                    e.mods |= ModAlt;
                    if (e.id == KeyId::Char || e.id == KeyId::Space) e.ch = 0;
                    out.push_back(e);
                }
                return used + 1;
            }
        }
        out.push_back(named(KeyId::Esc, 0));
        return 1;
    }
    // ESC before any other key: that key with Alt
    size_t used = decodePlain(d, p, i + 1, ModAlt, final, out);
    return used ? used + 1 : 0;
}

void run(KeyDecoder& d, bool final, std::vector<KeyEvent>& out) {
    size_t i = 0;
    while (i < d.pending.size()) {
        size_t used = decodeOne(d, d.pending, i, final, out);
        if (used == 0) break;
        i += used;
    }
    d.pending.erase(0, i);
}

}  // namespace

void decodeKeys(KeyDecoder& d, const char* data, size_t len, std::vector<KeyEvent>& out) {
    d.pending.append(data, len);
    run(d, false, out);
}

void flushKeys(KeyDecoder& d, std::vector<KeyEvent>& out) {
    run(d, true, out);
    d.pending.clear();
}

// ---- cells ------------------------------------------------------------------------

std::vector<CellRun> cellRuns(const ScreenView& v, int row, int col0, int col1) {
    std::vector<CellRun> runs;
    if (!v.attrs || row < 0 || row >= v.height) return runs;
    if (col0 < 0) col0 = 0;
    if (col1 > v.width) col1 = v.width;
    const uint8_t* a = v.attrs + size_t(row) * size_t(v.width);
    for (int c = col0; c < col1;) {
        int e = c + 1;
        while (e < col1 && a[e] == a[c]) ++e;
        runs.push_back(CellRun{c, e, a[c]});
        c = e;
    }
    return runs;
}

int paletteIndex(const ScreenView& v, int colour) {
    colour &= 15;
    int entry = v.colourTable ? v.colourTable[colour] : colour;
    return entry >= 0 && entry <= 15 ? entry : -1;
}

int ansiIndex(int paletteEntry) {
    // the palette is in the PC's order (blue before red); ANSI has red first
    static const int kMap[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    return paletteEntry >= 0 && paletteEntry <= 15 ? kMap[paletteEntry] : 0;
}

std::string sgrFor(const ScreenView& v, uint8_t attr, bool trueColour) {
    int fg = paletteIndex(v, attr & 15);
    int bg = paletteIndex(v, attr >> 4);
    char buf[64];
    if (trueColour) {
        Rgb f = paletteEntry(fg), b = paletteEntry(bg);
        std::snprintf(buf, sizeof buf, "\x1b[38;2;%d;%d;%d;48;2;%d;%d;%dm", f.r, f.g, f.b, b.r, b.g, b.b);
    } else {
        int a = ansiIndex(fg), b = ansiIndex(bg);
        std::snprintf(buf, sizeof buf, "\x1b[%d;%dm", a < 8 ? 30 + a : 90 + a - 8, b < 8 ? 40 + b : 100 + b - 8);
    }
    return buf;
}

int viewTop(int currentTop, int cursorRow, int termRows, int screenRows) {
    if (termRows >= screenRows || termRows <= 0) return 0;
    int top = std::min(std::max(currentTop, 0), screenRows - termRows);
    if (cursorRow < top) top = cursorRow;
    if (cursorRow >= top + termRows) top = cursorRow - termRows + 1;
    return std::min(std::max(top, 0), screenRows - termRows);
}

std::string renderRow(const ScreenView& v, int row, int col0, int col1, bool trueColour, int termCols,
                      int termRows, int firstRow) {
    std::string out;
    if (!v.chars || row < firstRow || row - firstRow >= termRows) return out;
    if (col1 > termCols) col1 = termCols;
    std::vector<CellRun> runs = cellRuns(v, row, col0, col1);
    if (runs.empty()) return out;
    char buf[32];
    std::snprintf(buf, sizeof buf, "\x1b[%d;%dH", row - firstRow + 1, runs.front().col0 + 1);
    out += buf;
    const uint8_t* ch = v.chars + size_t(row) * size_t(v.width);
    for (const CellRun& r : runs) {
        out += sgrFor(v, r.attr, trueColour);
        std::string text;
        for (int c = r.col0; c < r.col1; ++c) {
            uint8_t b = ch[c];
            // control codes (C0, DEL, and the bytes CP1252 leaves undefined, which
            // would become C1 controls) must not reach the terminal
            if (b < 32 || b == 0x7f || b == 0x81 || b == 0x8d || b == 0x8f || b == 0x90 || b == 0x9d) b = ' ';
            text += char(b);
        }
        out += cp1252ToUtf8(text);
    }
    return out;
}

}  // namespace tty
}  // namespace plat
