// The text window model and the keyboard translation, driven through the headless front.
#include <gtest/gtest.h>

#include "console/textwin.h"
#include "platform/keyscript.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace con;

namespace {
plat::KeyEvent key(plat::KeyId id, uint8_t mods = 0) {
    plat::KeyEvent ev;
    ev.id = id;
    ev.mods = mods;
    return ev;
}
plat::KeyEvent letter(char c, bool up = false, uint8_t mods = 0) {
    plat::KeyEvent ev;
    ev.id = plat::KeyId::Char;
    ev.vk = uint8_t(c >= 'a' ? c - 32 : c);
    ev.ch = uint8_t(c);
    ev.up = up;
    ev.mods = mods;
    return ev;
}
std::string drain() {
    std::string s;
    while (tw().keyCount > 0) s += char(readKey());
    return s;
}
// Types a Braille chord: all keys down, then all up.
void chord(const std::string& keys) {
    for (char c : keys) keyEvent(c == ' ' ? key(plat::KeyId::Space) : letter(c));
    for (char c : keys) {
        plat::KeyEvent ev = c == ' ' ? key(plat::KeyId::Space) : letter(c);
        ev.up = true;
        keyEvent(ev);
    }
}
}  // namespace

TEST(TextWindow, WritingWrapsScrollsAndClamps) {
    InProc p("", "", false);
    p.run([] {
        clearScreen();
        write(std::string(81, 'x'));
        EXPECT_EQ(screenChar(1, 2), 'x');
        EXPECT_EQ(screenChar(2, 2), ' ');
        EXPECT_EQ(whereX(), 2);
        gotoXY(100, 100);
        EXPECT_EQ(whereX(), 80);
        EXPECT_EQ(whereY(), 25);
        write("ab\bc");
        EXPECT_EQ(whereY(), 25);
    });
}

TEST(TextWindow, LineFeedOnBottomRowScrollsOnlyTheWindowColumns) {
    InProc p("", "", false);
    p.run([] {
        clearScreen();
        gotoXY(1, 1);
        write("outside-left");
        gotoXY(1, 2);
        write("row2-outside");
        setWindow(5, 1, 20, 3);
        gotoXY(1, 3);
        write("inside");
        write("\r\n");  // bottom row of the window: scrolls columns 5-20 of rows 1-3
    });
    EXPECT_EQ(p.row(1), "outs-outside");  // columns 1-4 kept, 5-20 took row 2's cells
    EXPECT_EQ(p.row(2), "row2inside");
}

TEST(TextWindow, ColoursFixedAndColourTable) {
    InProc p("", "[VIDEO]\nCORESFIXAS=s\n", false);
    p.run([] {
        uint8_t before = textAttr();
        setTextColor(4);
        setTextBackground(2);
        EXPECT_EQ(textAttr(), before);
    });
    InProc q("", "[VIDEO]\nTABCORES= 1 , 0\nCORFUNDO=1\nCORLETRA=14\n", false);
    q.run([] {
        ensureWindow();
        EXPECT_EQ(tw().colourTable[0], 1);
        EXPECT_EQ(tw().colourTable[1], 0);
        EXPECT_EQ(tw().colourTable[2], 2);
        EXPECT_EQ(tw().colourTable[15], 15);
        EXPECT_EQ(textAttr(), 0x1E);
    });
    InProc r("", "[VIDEO]\nTABCORES=3,x,9\n", false);
    r.run([] {
        ensureWindow();
        EXPECT_EQ(tw().colourTable[0], 3);
        EXPECT_EQ(tw().colourTable[1], 1);  // reading stopped at the first bad value
        EXPECT_EQ(tw().colourTable[2], 2);
    });
}

TEST(Keyboard, ExtendedKeysAltAndControlCodes) {
    InProc p("", "", false);
    p.run([] {
        ensureWindow();
        keyEvent(key(plat::KeyId::F1));
        keyEvent(key(plat::KeyId::F1, plat::ModCtrl));
        keyEvent(key(plat::KeyId::Ins, plat::ModShift));
        keyEvent(key(plat::KeyId::Ins, plat::ModCtrl));
        keyEvent(key(plat::KeyId::PgUp, plat::ModCtrl));
        keyEvent(key(plat::KeyId::Enter, plat::ModCtrl));
        keyEvent(key(plat::KeyId::Backspace, plat::ModCtrl));
        EXPECT_EQ(drain(), std::string("\0;\0^\0\xFE\0\xFF\0\x84\n\x7F", 12));
        // Alt combinations are the system's while the break check is on, except the arrows.
        keyEvent(key(plat::KeyId::F1, plat::ModAlt));
        keyEvent(letter('a', false, plat::ModAlt));
        EXPECT_EQ(tw().keyCount, 0);
        keyEvent(key(plat::KeyId::Right, plat::ModAlt));
        EXPECT_EQ(drain(), std::string("\0M", 2));
        setBreakCheck(false);
        keyEvent(letter('q', false, plat::ModAlt));
        keyEvent(letter('1', false, plat::ModAlt));
        keyEvent(letter('0', false, plat::ModAlt));
        EXPECT_EQ(drain(), std::string("\0\x10\0\x78\0\x81", 6));
    });
}

TEST(Keyboard, BufferHoldsSixtyFourAndCtrlBreakEnds) {
    InProc p("", "", false);
    int code = p.run([] {
        ensureWindow();
        for (int i = 0; i < 70; ++i) keyEvent(letter('a'));
        EXPECT_EQ(tw().keyCount, 64);
        drain();
        for (int i = 0; i < 31; ++i) keyEvent(key(plat::KeyId::Up));
        keyEvent(key(plat::KeyId::Down));  // 62 waiting: an extended key still fits
        keyEvent(key(plat::KeyId::Down));  // 64 waiting: dropped
        EXPECT_EQ(tw().keyCount, 64);
        keyEvent(key(plat::KeyId::Break, plat::ModCtrl));
    });
    EXPECT_EQ(code, 255);
}

TEST(Keyboard, BrailleChordsSignsAndTones) {
    InProc p("", "[BRAILLE]\nMODO=2\n", false);
    p.run([] {
        ensureWindow();
        chord("jkls");  // number sign, dots 3456
        chord("f");     // a -> 1
        chord("fd");    // b -> 2
        EXPECT_EQ(drain(), "12");
        chord("k");     // dot 5 ends numbers and still gives its character
        EXPECT_EQ(drain(), "~");
        chord("jl");    // capital sign (dots 46)
        chord("f");
        EXPECT_EQ(drain(), "A");
        chord("jl");
        chord("jl");    // capital lock
        chord("f");
        chord("fd");
        EXPECT_EQ(drain(), "AB");
        keyEvent(key(plat::KeyId::Esc));  // not a chord key: ordinary code, signs reset on its key up
        EXPECT_EQ(drain(), "\x1B");
        chord(" fdj");  // space with dots 1-2-4: Ctrl+F
        EXPECT_EQ(drain(), "\x06");
        chord(" ");
        EXPECT_EQ(drain(), " ");
    });
    // The mode read at start is announced with two tones.
    EXPECT_TRUE(p.traced("tone 800"));
    EXPECT_TRUE(p.traced("tone 400"));
}

TEST(Pictures, BmpReaderRejectsWhatItCannotRead) {
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    auto bmp = [&](int w, int h, uint32_t hdr, size_t cut = 0, bool pixels = true) {
        std::string s = "BM" + le32(0) + le32(0) + le32(54) + le32(hdr) + le32(uint32_t(w)) + le32(uint32_t(h)) +
                        le16(1) + le16(24) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + le32(0);
        size_t stride = (size_t(w) * 24 + 31) / 32 * 4;
        std::string px(pixels ? stride * size_t(h > 0 ? h : -int64_t(h)) : 0, '\0');
        if (!px.empty()) { px[0] = 10; px[1] = 20; px[2] = 30; }  // bottom-left pixel, BGR
        s += px;
        if (cut) s.resize(s.size() - cut);
        return s;
    };
    plat::Picture pic;
    ASSERT_TRUE(decodeBmp(bmp(3, 2, 40), pic));
    EXPECT_EQ(pic.width, 3);
    EXPECT_EQ(pic.rgb[(1 * 3 + 0) * 3 + 0], 30);  // bottom row comes last, as RGB
    plat::Picture untouched;
    untouched.width = 7;
    EXPECT_FALSE(decodeBmp(bmp(3, 2, 12), untouched));
    EXPECT_FALSE(decodeBmp(bmp(3, 2, 40, 5), untouched));
    EXPECT_FALSE(decodeBmp(bmp(100000, 100000, 40, 0, false), untouched));  // claims far more than it holds
    EXPECT_FALSE(decodeBmp(bmp(4000, 4000, 40, 0, false), untouched));
    EXPECT_FALSE(decodeBmp("BM", untouched));
    EXPECT_FALSE(decodeBmp(bmp(3, INT32_MIN, 40, 0, false), untouched));  // top-down height that cannot be negated
    plat::Picture topDown;
    ASSERT_TRUE(decodeBmp(bmp(3, -2, 40), topDown));
    EXPECT_EQ(topDown.rgb[0], 30);  // top-down: the first row stored is the top
    EXPECT_EQ(untouched.width, 7);
}

TEST(KeyScript, ParsesKeysWaitsAndReportsErrors) {
    std::vector<plat::ScriptKey> keys;
    std::string err;
    ASSERT_TRUE(plat::parseKeyScript("aç{{{Ctrl+Alt+F9}{wait 250}{Shift+End}{Ctrl+D}", keys, err));
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[1].ev.ch, 0xE7);
    EXPECT_EQ(keys[2].ev.ch, '{');
    EXPECT_EQ(keys[3].ev.id, plat::KeyId::F9);
    EXPECT_EQ(keys[3].ev.mods, plat::ModCtrl | plat::ModAlt);
    EXPECT_EQ(keys[4].waitMs, 250);
    EXPECT_EQ(keys[4].ev.mods, plat::ModShift);
    EXPECT_EQ(keys[5].ev.ch, 4);
    EXPECT_FALSE(plat::parseKeyScript("ab{Bogus}", keys, err));
    EXPECT_NE(err.find("character 3"), std::string::npos);
    EXPECT_FALSE(plat::parseKeyScript("{Enter", keys, err));
    EXPECT_FALSE(plat::parseKeyScript("{wait x}a", keys, err));
}

TEST(HeadlessFront, UnreadableKeyScriptExitsTwoAndRunningOutExitsThree) {
    HeadlessResult bad = runHeadless("{Nope}");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("Nope"), std::string::npos);
    HeadlessResult out = runHeadless("");
    EXPECT_EQ(out.exitCode, 3);
    EXPECT_EQ(out.rows[3].rfind("Opção: Jogar, Criar ou Editar?", 0), 0u);
}
