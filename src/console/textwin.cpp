#include "console/textwin.h"

#include <cstdlib>
#include <cstring>

#include "console/config.h"
#include "console/console.h"
#include "platform/braille.h"
#include "platform/files.h"
#include "platform/image.h"
#include "speech/sysvoice.h"
#include "util/text.h"

namespace con {

namespace {
TextWindow gTw;

int cellIndex(int absX, int absY) { return absY * gTw.width + absX; }

void invalidate(int absRow, int c0, int c1) {
    if (!plat::haveFront() || c1 <= c0) return;
    plat::front().invalidate(screenView(), absRow, c0, c1);
}

void invalidateWindow() {
    if (!plat::haveFront()) return;
    for (int r = gTw.top; r <= gTw.bottom; ++r) invalidate(r, gTw.left, gTw.right + 1);
}

void cursorMoved() {
    if (plat::haveFront() && gTw.exists) plat::front().cursorMoved(screenView());
}

// Pending stretch of the cursor row written since the last repaint.
int gDirtyRow = -1, gDirty0 = 0, gDirty1 = 0;

void markDirty(int absRow, int absCol) {
    if (gDirtyRow != absRow) {
        if (gDirtyRow >= 0) invalidate(gDirtyRow, gDirty0, gDirty1);
        gDirtyRow = absRow;
        gDirty0 = absCol;
        gDirty1 = absCol + 1;
        return;
    }
    if (absCol < gDirty0) gDirty0 = absCol;
    if (absCol + 1 > gDirty1) gDirty1 = absCol + 1;
}

void flushDirty() {
    if (gDirtyRow >= 0) invalidate(gDirtyRow, gDirty0, gDirty1);
    gDirtyRow = -1;
}

void newLine() {
    flushDirty();
    int winH = gTw.bottom - gTw.top + 1;
    if (gTw.y + 1 < winH) {
        ++gTw.y;
        return;
    }
    // Scroll only the window's columns: a window as wide as the screen is one
    // block of rows.
    if (gTw.left == 0 && gTw.right == gTw.width - 1) {
        const size_t from = size_t(cellIndex(0, gTw.top + 1)), to = size_t(cellIndex(0, gTw.top));
        const size_t count = size_t(cellIndex(0, gTw.bottom + 1)) - from;
        std::memmove(gTw.chars.data() + to, gTw.chars.data() + from, count);
        std::memmove(gTw.attrs.data() + to, gTw.attrs.data() + from, count);
    } else {
        for (int r = gTw.top; r < gTw.bottom; ++r) {
            std::memcpy(&gTw.chars[cellIndex(gTw.left, r)], &gTw.chars[cellIndex(gTw.left, r + 1)], gTw.right - gTw.left + 1);
            std::memcpy(&gTw.attrs[cellIndex(gTw.left, r)], &gTw.attrs[cellIndex(gTw.left, r + 1)], gTw.right - gTw.left + 1);
        }
    }
    std::memset(&gTw.chars[cellIndex(gTw.left, gTw.bottom)], ' ', gTw.right - gTw.left + 1);
    std::memset(&gTw.attrs[cellIndex(gTw.left, gTw.bottom)], gTw.textAttr, gTw.right - gTw.left + 1);
    invalidateWindow();
}

uint8_t chordBit(uint8_t vk) {
    switch (vk) {
        case 'F': return 1;
        case 'D': return 2;
        case 'S': return 4;
        case 'J': return 8;
        case 'K': return 16;
        case 'L': return 32;
        case ' ': return 64;
        default: return 0;
    }
}

// PC scan codes of the letters, for Alt+letter.
const uint8_t kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

struct ExtCode { plat::KeyId id; uint8_t plain, ctrl; };
const ExtCode kExtCodes[] = {
    {plat::KeyId::F1, 59, 94},   {plat::KeyId::F2, 60, 95},     {plat::KeyId::F3, 61, 96},
    {plat::KeyId::F4, 62, 97},   {plat::KeyId::F5, 63, 98},     {plat::KeyId::F6, 64, 99},
    {plat::KeyId::F7, 65, 100},  {plat::KeyId::F8, 66, 101},    {plat::KeyId::F9, 67, 102},
    {plat::KeyId::F10, 68, 103}, {plat::KeyId::F11, 69, 104},   {plat::KeyId::F12, 70, 105},
    {plat::KeyId::Home, 71, 119}, {plat::KeyId::Up, 72, 113},   {plat::KeyId::PgUp, 73, 132},
    {plat::KeyId::Left, 75, 115}, {plat::KeyId::Right, 77, 116}, {plat::KeyId::End, 79, 117},
    {plat::KeyId::Down, 80, 114}, {plat::KeyId::PgDn, 81, 118}, {plat::KeyId::Ins, 82, 255},
    {plat::KeyId::Del, 83, 83},
};

void announceBrailleMode(int mode, bool wasOn) {
    if (mode == 0) {
        if (wasOn) playToneMs(100, 200);
        return;
    }
    playToneMs(800, 200);
    playToneMs(mode == 1 ? 1600 : 400, 200);
}

void resetBrailleSigns() {
    gTw.capitalPending = false;
    gTw.capitalLock = false;
    gTw.numberMode = false;
}

void completeChord() {
    uint8_t dots = gTw.chordKeys & 63;
    bool space = gTw.chordKeys & 64;
    gTw.chordKeys = 0;
    const std::string& table = brailleTable();
    uint8_t c = uint8_t(table[dots]);
    if (space) {
        resetBrailleSigns();
        uint8_t out = dots == 0 ? ' ' : uint8_t(c & 31);
        if (gTw.keyCount < 64) pushKey(out);
        return;
    }
    if (gTw.brailleMode == 2) {
        if (c == '#') {
            gTw.numberMode = true;
            return;
        }
        if (c == '{') {
            if (gTw.capitalPending) gTw.capitalLock = true;
            gTw.capitalPending = true;
            return;
        }
        if (gTw.numberMode) {
            if (c >= 'a' && c <= 'i') c = uint8_t('1' + (c - 'a'));
            else if (c == 'j') c = '0';
            else if (dots == 4) c = '.';
            else if (dots == 16) gTw.numberMode = false;  // dot 5 ends numbers, still gives "~"
        }
        if (gTw.capitalPending || gTw.capitalLock) c = util::upperLatin(c);
        if (!gTw.capitalLock) gTw.capitalPending = false;
    }
    if (gTw.keyCount < 64) pushKey(c);
}

void setBrailleMode(int mode) {
    if (mode != 0 && plat::haveFront() && !plat::front().keyReleases()) {
        // A chord ends when its keys are let go: without releases every letter would go dead.
        plat::addNotice(plat::cp("Teclado Braille indisponível: o terminal não avisa quando as teclas são "
                                 "soltas. Use a janela gráfica."));
        announceBrailleMode(0, true);
        return;
    }
    bool wasOn = gTw.brailleMode != 0;
    gTw.brailleMode = mode;
    gTw.chordKeys = gTw.heldKeys = 0;
    resetBrailleSigns();
    announceBrailleMode(mode, wasOn);
}
}  // namespace

// The 64-entry dot table in CP1252, built once from its UTF-8 spelling.
const std::string& brailleTable() {
    static const std::string t = plat::cp(
        " a,b'k;l^cifímsp~e:h*o!r¬djgãntqýâ?ê-u\"v{îõàóxèç$ûÿü}z=á_ôwï#yúé");
    return t;
}

TextWindow& tw() { return gTw; }

void resetTextWindow() {
    brl::close();
    gTw = TextWindow();
    connectFronts();
    gTw.chars.fill(' ');
    for (int i = 0; i < 16; ++i) gTw.colourTable[i] = uint8_t(i);
    gDirtyRow = -1;
}

plat::ScreenView screenView() {
    plat::ScreenView v;
    v.width = gTw.width;
    v.height = gTw.height;
    v.chars = gTw.chars.data();
    v.attrs = gTw.attrs.data();
    v.colourTable = gTw.colourTable.data();
    v.cursorX = gTw.left + gTw.x;
    v.cursorY = gTw.top + gTw.y;
    v.caret = gTw.reading;
    v.textPaintingOff = gTw.textPaintingOff;
    return v;
}

void connectFronts() {
    plat::KeySink keys;
    keys.key = keyEvent;
    keys.waiting = [] { return gTw.keyCount; };
    keys.reading = [] { return gTw.reading; };
    plat::setKeySink(keys);
    plat::SpeechQuery speech;
    speech.producing = systemVoiceProducing;
    speech.busy = systemVoiceBusy;
    plat::setSpeechQuery(speech);
    plat::setScreenProvider(screenView);
    plat::setQuitHook(closeConsole);
}

void ensureWindow() {
    if (gTw.exists) return;
    gTw.exists = true;
    connectFronts();
    if (gTw.chars[0] == 0) gTw.chars.fill(' ');
    for (int i = 0; i < 16; ++i) gTw.colourTable[i] = uint8_t(i);
    // Colour table: comma-separated entries, stopping at the first that does not parse.
    const std::string& tab = settings().colourTable;
    if (!tab.empty()) {
        size_t pos = 0;
        for (int i = 0; i < 16 && pos <= tab.size(); ++i) {
            size_t comma = tab.find(',', pos);
            std::string item = tab.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
            size_t a = item.find_first_not_of(" \t"), b = item.find_last_not_of(" \t");
            if (a == std::string::npos) break;
            item = item.substr(a, b - a + 1);
            char* end = nullptr;
            long v = std::strtol(item.c_str(), &end, 10);
            if (end == item.c_str() || *end) break;
            gTw.colourTable[i] = uint8_t(v < 0 || v > 255 ? 255 : v);
            if (comma == std::string::npos) break;
            pos = comma + 1;
        }
    }
    gTw.coloursChangeable = !settings().fixedColours;
    gTw.slowScroll = settings().slowScroll;
    int bg = settings().background;
    int fg = settings().foreground;
    gTw.textAttr = uint8_t(((bg & 15) << 4) | (fg & 15));
    gTw.attrs.fill(gTw.textAttr);

    plat::WindowSettings ws;
    ws.magnifier = settings().magnifier;
    const std::string& face = settings().fontFace;
    if (!face.empty()) ws.fontFace = face;
    ws.fontWidth = settings().fontWidth;
    ws.fontHeight = settings().fontHeight;
    ws.fontWeight = settings().fontWeight;
    ws.normalSize = settings().normalSize;
    ws.slowScroll = gTw.slowScroll;
    if (plat::haveFront()) {
        plat::front().open(ws);
        if (!gTw.title.empty()) plat::front().setTitle(gTw.title);
        plat::front().invalidateAll(screenView());
    }
    if (const int mode = settings().brailleMode) setBrailleMode(mode);
    openBrailleDisplay();
}

void openBrailleDisplay() {
    if (!plat::haveFront()) return;
    brl::brailleState().enabled = settings().brailleLine;
    brl::setTable(settings().brailleTable);
    // Tests and automation reach a display only when they name one.
    if (plat::front().unattended() && !std::getenv("BRLAPI_HOST")) return;
    brl::open(uint64_t(uintptr_t(plat::front().nativeWindowId())));
}

void gotoXY(int col, int row) {
    ensureWindow();
    int w = gTw.right - gTw.left + 1, h = gTw.bottom - gTw.top + 1;
    int x = col - 1, y = row - 1;
    gTw.x = x < 0 ? 0 : (x >= w ? w - 1 : x);
    gTw.y = y < 0 ? 0 : (y >= h ? h - 1 : y);
    cursorMoved();
}

int whereX() { return gTw.x + 1; }
int whereY() { return gTw.y + 1; }

void setWindow(int left, int top, int right, int bottom) {
    ensureWindow();
    if (left < 1 || top < 1 || right > gTw.width || bottom > gTw.height || left > right || top > bottom) return;
    flushDirty();
    gTw.left = left - 1;
    gTw.top = top - 1;
    gTw.right = right - 1;
    gTw.bottom = bottom - 1;
    gTw.x = gTw.y = 0;
    cursorMoved();
}

void clearScreen() {
    ensureWindow();
    flushDirty();
    for (int r = gTw.top; r <= gTw.bottom; ++r) {
        std::memset(&gTw.chars[cellIndex(gTw.left, r)], ' ', gTw.right - gTw.left + 1);
        std::memset(&gTw.attrs[cellIndex(gTw.left, r)], gTw.textAttr, gTw.right - gTw.left + 1);
    }
    gTw.x = gTw.y = 0;
    invalidateWindow();
    cursorMoved();
}

void clearToEndOfLine() {
    ensureWindow();
    int absY = gTw.top + gTw.y;
    int from = gTw.left + gTw.x;
    if (from > gTw.right) return;
    std::memset(&gTw.chars[cellIndex(from, absY)], ' ', gTw.right - from + 1);
    std::memset(&gTw.attrs[cellIndex(from, absY)], gTw.textAttr, gTw.right - from + 1);
    if (gDirtyRow == absY) flushDirty();
    invalidate(absY, from, gTw.right + 1);
}

void setTextColor(int c) {
    ensureWindow();
    if (!gTw.coloursChangeable) return;
    gTw.textAttr = uint8_t((gTw.textAttr & 0xF0) | (c & 15));
}

void setTextBackground(int c) {
    ensureWindow();
    if (!gTw.coloursChangeable) return;
    gTw.textAttr = uint8_t((gTw.textAttr & 0x0F) | ((c & 15) << 4));
}

uint8_t textAttr() {
    ensureWindow();
    return gTw.textAttr;
}
void setTextAttr(uint8_t a) { gTw.textAttr = a; }

void write(const std::string& text) {
    ensureWindow();
    int winW = gTw.right - gTw.left + 1;
    for (unsigned char c : text) {
        if (c == 7) {
            if (plat::haveFront()) plat::front().systemBeep();
        } else if (c == 8) {
            if (gTw.x > 0) {
                --gTw.x;
                int ax = gTw.left + gTw.x, ay = gTw.top + gTw.y;
                gTw.chars[cellIndex(ax, ay)] = ' ';
                gTw.attrs[cellIndex(ax, ay)] = gTw.textAttr;
                markDirty(ay, ax);
            }
        } else if (c == 10) {
            newLine();
            gTw.x = 0;
        } else if (c == 13) {
            gTw.x = 0;
        } else if (c >= 32) {
            if (gTw.x >= winW) {
                gTw.x = 0;
                newLine();
            }
            int ax = gTw.left + gTw.x, ay = gTw.top + gTw.y;
            gTw.chars[cellIndex(ax, ay)] = c;
            gTw.attrs[cellIndex(ax, ay)] = gTw.textAttr;
            markDirty(ay, ax);
            ++gTw.x;
        }
    }
    flushDirty();
    cursorMoved();
}

void writeLn(const std::string& text) { write(text + "\r\n"); }

uint8_t screenChar(int col, int row) {
    int ax = gTw.left + col - 1, ay = gTw.top + row - 1;
    if (ax < 0 || ay < 0 || ax >= gTw.width || ay >= gTw.height) return ' ';
    return gTw.chars[cellIndex(ax, ay)];
}

uint8_t screenAttr(int col, int row) {
    int ax = gTw.left + col - 1, ay = gTw.top + row - 1;
    if (ax < 0 || ay < 0 || ax >= gTw.width || ay >= gTw.height) return gTw.textAttr;
    return gTw.attrs[cellIndex(ax, ay)];
}

std::string readLineRaw() {
    std::string line;
    for (;;) {
        uint8_t c = readKey();
        if (c == 0) {
            readKey();
            continue;
        }
        if (c == 13) {
            write("\r\n");
            return line;
        }
        if (c == 8) {
            if (!line.empty()) {
                line.pop_back();
                write("\b");
            }
            continue;
        }
        if (c >= 32 && line.size() < 126) {
            line += char(c);
            write(std::string(1, char(c)));
        }
    }
}

bool keyPressed() {
    ensureWindow();
    pumpMessages();
    return gTw.keyCount > 0;
}

uint8_t readKey() {
    ensureWindow();
    struct Reader {  // also when the program's end unwinds through the wait
        Reader() { ++gTw.keyReaders; }
        ~Reader() { --gTw.keyReaders; }
    } reader;
    pumpMessages();
    if (gTw.keyCount == 0 && plat::haveNotices() && speechSettings().open)
        for (const std::string& notice : plat::takeNotices()) speak(notice);
    if (gTw.keyCount == 0) {
        gTw.reading = true;
        cursorMoved();
        while (gTw.keyCount == 0) {
            plat::front().waitForInput();
            pumpMessages();
        }
        gTw.reading = false;
        cursorMoved();
    }
    uint8_t c = gTw.keys[0];
    gTw.lastMods = gTw.keyMods[0];
    --gTw.keyCount;
    std::memmove(&gTw.keys[0], &gTw.keys[1], gTw.keyCount);
    std::memmove(&gTw.keyMods[0], &gTw.keyMods[1], gTw.keyCount);
    return c;
}

uint8_t lastKeyMods() { return gTw.lastMods; }

void unreadKey(uint8_t code) {
    if (gTw.keyCount >= 64) return;
    std::memmove(&gTw.keys[1], &gTw.keys[0], size_t(gTw.keyCount));
    std::memmove(&gTw.keyMods[1], &gTw.keyMods[0], size_t(gTw.keyCount));
    gTw.keys[0] = code;
    gTw.keyMods[0] = gTw.lastMods;
    ++gTw.keyCount;
}
bool lastKeyShift() { return gTw.lastMods & plat::ModShift; }

void pushKey(uint8_t code) { pushKeyMods(code, 0); }

void pushKeyMods(uint8_t code, uint8_t mods) {
    if (gTw.keyCount >= 64) return;
    gTw.keys[gTw.keyCount] = code;
    gTw.keyMods[gTw.keyCount] = mods;
    ++gTw.keyCount;
}

void delayMs(int ms) {
    ensureWindow();
    if (ms > 0 && plat::haveFront()) plat::front().sleepMs(ms);
    pumpMessages();
}

void pumpMessages() {
    if (plat::haveFront()) plat::front().pump();
    int position = 0;
    if (brl::pollRoute(position) && gTw.keyCount <= 62) {
        gTw.routePosition = position;
        pushKey(0);
        pushKey(kBrailleRoute);
    }
    // A system voice inside the process plays through the wave output, fed here.
    speech::sysvoicePump();
}

void setWindowTitle(const std::string& text) {
    std::string t = text;
    size_t a = t.find_first_not_of(' '), b = t.find_last_not_of(' ');
    t = a == std::string::npos ? std::string() : t.substr(a, b - a + 1);
    if (t.size() > 140) t = t.substr(0, 140) + "...";
    gTw.title = t;
    if (plat::haveFront() && gTw.exists) plat::front().setTitle(t);
}

void closeConsole() {
    while (gTw.keyCount > 0) readKey();
    brl::close();
    toneOff();
    gTw.closed = true;
    plat::endProgram(0);
}

void copyToClipboard(const std::string& text) {
    if (plat::haveFront()) plat::front().clipboardSet(text);
}

std::string pasteFromClipboard(size_t max) {
    if (!plat::haveFront() || max == 0) return std::string();
    std::string s = plat::front().clipboardGet();
    if (s.size() > max - 1) s.resize(max - 1);
    return s;
}

bool decodeBmp(const std::string& bytes, plat::Picture& out) {
    auto u16 = [&](size_t o) { return uint32_t(uint8_t(bytes[o])) | uint32_t(uint8_t(bytes[o + 1])) << 8; };
    auto u32 = [&](size_t o) { return u16(o) | u16(o + 2) << 16; };
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    if (u32(14) != 40) return false;
    int32_t w = int32_t(u32(18)), h = int32_t(u32(22));
    uint32_t bits = u16(28), compression = u32(30), used = u32(46), dataOff = u32(10);
    bool topDown = h < 0;
    if (h == INT32_MIN) return false;  // cannot be turned positive
    if (topDown) h = -h;
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || compression != 0) return false;
    if ((long long)w * h > plat::kMaxPicturePixels) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    uint32_t palCount = bits <= 8 ? (used ? used : (1u << bits)) : 0;
    if (palCount > 256) return false;
    if (54 + size_t(palCount) * 4 > bytes.size()) return false;
    size_t stride = (size_t(w) * bits + 31) / 32 * 4;
    if (dataOff > bytes.size() || stride * size_t(h) > bytes.size() - dataOff) return false;
    plat::Picture pic;
    pic.width = w;
    pic.height = h;
    pic.rgb.resize(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = reinterpret_cast<const uint8_t*>(bytes.data()) + dataOff + stride * size_t(topDown ? y : h - 1 - y);
        uint8_t* dst = &pic.rgb[size_t(y) * w * 3];
        for (int x = 0; x < w; ++x) {
            uint8_t r, g, b;
            if (bits >= 24) {
                const uint8_t* p = row + size_t(x) * (bits / 8);
                b = p[0]; g = p[1]; r = p[2];
            } else {
                uint32_t idx;
                if (bits == 8) idx = row[x];
                else if (bits == 4) idx = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
                else idx = (row[x / 8] >> (7 - (x & 7))) & 1;
                if (idx >= palCount) idx = 0;
                const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + 54 + idx * 4;
                b = p[0]; g = p[1]; r = p[2];
            }
            dst[x * 3] = r; dst[x * 3 + 1] = g; dst[x * 3 + 2] = b;
        }
    }
    out = std::move(pic);
    return true;
}

bool loadBmp(const std::string& file, plat::Picture& out) {
    std::string bytes;
    // A BMP larger than the biggest picture we accept is not read whole.
    if (!plat::readFile(file, bytes, size_t(16384) * 16384 * 4 + 4096)) return false;
    return decodeBmp(bytes, out);
}

bool showBitmap(const std::string& file) {
    plat::Picture pic;
    if (!loadBmp(file, pic)) return false;
    gTw.picture = std::move(pic);
    gTw.pictureShown = true;
    gTw.pictureX = gTw.pictureY = 0;
    return true;
}

void drawBitmap(int x, int y) {
    gTw.pictureX = x;
    gTw.pictureY = y;
    if (gTw.pictureShown && plat::haveFront()) plat::front().setPicture(&gTw.picture, x, y);
}

void hideBitmap() {
    gTw.pictureShown = false;
    gTw.picture = plat::Picture();
    if (plat::haveFront()) plat::front().setPicture(nullptr, 0, 0);
    repaintAll();
}

void setBreakCheck(bool on) {
    gTw.breakCheck = on;
    if (plat::haveFront()) plat::front().setCloseAllowed(on);
}
bool breakCheck() { return gTw.breakCheck; }

void setTextPaintingOff(bool off) {
    gTw.textPaintingOff = off;
    repaintAll();
}

void repaintAll() {
    if (plat::haveFront() && gTw.exists) plat::front().invalidateAll(screenView());
}

void setWindowMinimized(bool minimized) {
    ensureWindow();
    if (plat::haveFront()) plat::front().setMinimized(minimized);
    if (!minimized) repaintAll();
}

void toneOn(int hz) {
    plat::trace("tone", std::to_string(hz));
    if (plat::haveFront()) plat::front().tone(hz);
}

void toneOff() {
    if (plat::haveFront()) plat::front().tone(0);
}

void playToneMs(int hz, int ms) {
    toneOn(hz);
    if (plat::haveFront()) plat::front().sleepMs(ms);
    toneOff();
}

// Ctrl+Break; in the terminal, where Ctrl+Break cannot be typed, Ctrl+C while no
// key is being read (in a field it stays copy).
static bool isStopKey(const plat::KeyEvent& ev) {
    if (!(ev.mods & plat::ModCtrl) || (ev.mods & plat::ModAlt)) return false;
    if (ev.id == plat::KeyId::Break) return true;
    return ev.id == plat::KeyId::Char && ev.vk == 'C' && !gTw.reading && gTw.keyReaders == 0 && plat::haveFront() &&
           !plat::front().hasBreakKey();
}

void keyEvent(const plat::KeyEvent& typed) {
    using plat::KeyId;
    const plat::KeyEvent ev = plat::applySecondBinding(typed);
    bool ctrl = ev.mods & plat::ModCtrl, alt = ev.mods & plat::ModAlt, shift = ev.mods & plat::ModShift;
    if (ev.up) {
        if (gTw.brailleMode == 0) return;
        uint8_t bit = 0;
        bool chordKey = !ctrl && ((ev.id == KeyId::Char && ev.vk >= 'A' && ev.vk <= 'Z') || ev.id == KeyId::Space);
        if (chordKey) bit = chordBit(ev.id == KeyId::Space ? ' ' : ev.vk);
        if (!chordKey) {
            resetBrailleSigns();
            return;
        }
        gTw.heldKeys &= uint8_t(~bit);
        if (gTw.heldKeys == 0 && gTw.chordKeys != 0) completeChord();
        return;
    }
    if (plat::programStopArmed() && isStopKey(ev)) {
        plat::requestProgramStop();
        // A key being waited for ends with Esc, so the program stops at once.
        if (gTw.reading) pushKey(27);
        return;
    }
    if (ev.id == KeyId::Break) {
        if (ctrl && gTw.breakCheck) plat::endProgram(255);
        return;
    }
    if (alt && !ctrl && gTw.breakCheck && ev.id != KeyId::Left && ev.id != KeyId::Right) {
        // With the break check on, Alt combinations go to the system, except the arrows.
        return;
    }
    // F10 is the system's menu key: like the Alt combinations it reaches us only with the check off.
    if (ev.id == KeyId::F10 && !ctrl && gTw.breakCheck) return;
    if (alt && !ctrl && ev.id >= KeyId::F1 && ev.id <= KeyId::F12) {
        // Alt+F1..F10 are 104..113, Alt+F11 and Alt+F12 139 and 140 (not the plain F-key codes).
        const int n = int(ev.id) - int(KeyId::F1);
        if (gTw.keyCount <= 62) {
            pushKeyMods(0, ev.mods);
            pushKeyMods(uint8_t(n < 10 ? 104 + n : 139 + (n - 10)), ev.mods);
        }
        return;
    }
    if (alt) {
        if (ctrl && ev.id == KeyId::F12) {
            setBrailleMode(0);
            return;
        }
        if (ctrl && ev.id == KeyId::F11) {
            setBrailleMode(gTw.brailleMode == 0 ? 1 : (gTw.brailleMode == 1 ? 2 : 1));
            return;
        }
        if (ev.id == KeyId::Char && ev.vk >= 'A' && ev.vk <= 'Z') {
            if (gTw.keyCount <= 62) {
                pushKeyMods(0, ev.mods);
                pushKeyMods(kLetterScan[ev.vk - 'A'], ev.mods);
            }
            return;
        }
        if (ev.id == KeyId::Char && ev.vk >= '0' && ev.vk <= '9') {
            if (gTw.keyCount <= 62) {
                pushKeyMods(0, ev.mods);
                pushKeyMods(ev.vk == '0' ? 129 : uint8_t(120 + ev.vk - '1'), ev.mods);
            }
            return;
        }
    }
    if (!ctrl && gTw.brailleMode != 0 &&
        ((ev.id == KeyId::Char && chordBit(ev.vk)) || ev.id == KeyId::Space)) {
        uint8_t bit = chordBit(ev.id == KeyId::Space ? ' ' : ev.vk);
        gTw.chordKeys |= bit;
        gTw.heldKeys |= bit;
        return;
    }
    for (const ExtCode& e : kExtCodes) {
        if (e.id != ev.id) continue;
        if (gTw.keyCount > 62) return;
        uint8_t code = ctrl ? e.ctrl : e.plain;
        if (ev.id == KeyId::Ins && shift && !ctrl) code = 254;
        pushKeyMods(0, ev.mods);
        pushKeyMods(code, ev.mods);
        return;
    }
    // Character keys.
    uint8_t c = 0;
    switch (ev.id) {
        case KeyId::Enter: c = ctrl ? 10 : 13; break;
        case KeyId::Backspace: c = ctrl ? 127 : 8; break;
        case KeyId::Esc: c = 27; break;
        case KeyId::Tab: c = 9; break;
        case KeyId::Space: c = ' '; break;
        case KeyId::Char:
            if (gTw.brailleMode != 0 && !ctrl) {
                bool letter = (ev.ch >= 'a' && ev.ch <= 'z') || (ev.ch >= 'A' && ev.ch <= 'Z');
                if (letter) return;  // the chord produces letters
            }
            c = ev.ch;
            if (ctrl && !c && ev.vk >= 'A' && ev.vk <= 'Z') c = uint8_t(ev.vk - 'A' + 1);
            break;
        default: return;
    }
    if (ev.id != KeyId::Char && c == 0) return;
    if (ev.id == KeyId::Char && c == 0) return;
    pushKeyMods(c, ev.mods);
}

}  // namespace con
