// Terminal key decoding: the sequences common terminals send, split reads, the Esc
// timeout, and the codes the console makes of the decoded keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/textwin.h"
#include "platform/ttykeys.h"

using plat::KeyEvent;
using plat::KeyId;
using plat::ModAlt;
using plat::ModCtrl;
using plat::ModShift;

namespace {

std::vector<KeyEvent> decode(const std::string& bytes, bool flush = true) {
    plat::tty::KeyDecoder d;
    std::vector<KeyEvent> out;
    plat::tty::decodeKeys(d, bytes.data(), bytes.size(), out);
    if (flush) plat::tty::flushKeys(d, out);
    return out;
}

KeyEvent one(const std::string& bytes) {
    std::vector<KeyEvent> k = decode(bytes);
    EXPECT_EQ(k.size(), 1u) << "for " << bytes.size() << " bytes";
    return k.empty() ? KeyEvent() : k[0];
}

void expectKey(const std::string& bytes, KeyId id, uint8_t mods) {
    KeyEvent e = one(bytes);
    EXPECT_EQ(int(e.id), int(id)) << "sequence ESC" << bytes.substr(1);
    EXPECT_EQ(int(e.mods), int(mods)) << "sequence ESC" << bytes.substr(1);
}

// The program codes the console makes of what the terminal sent.
std::vector<int> codes(const std::string& bytes) {
    con::resetTextWindow();
    con::setBreakCheck(false);  // lets Alt combinations through, as in the editor
    for (const KeyEvent& e : decode(bytes)) con::keyEvent(e);
    std::vector<int> out;
    for (int i = 0; i < con::tw().keyCount; ++i) out.push_back(con::tw().keys[size_t(i)]);
    con::resetTextWindow();
    return out;
}

}  // namespace

TEST(TtyKeys, CursorKeysInBothModesAndWithModifiers) {
    expectKey("\x1b[A", KeyId::Up, 0);
    expectKey("\x1b[B", KeyId::Down, 0);
    expectKey("\x1bOC", KeyId::Right, 0);  // application cursor mode
    expectKey("\x1bOD", KeyId::Left, 0);
    expectKey("\x1b[1;5A", KeyId::Up, ModCtrl);
    expectKey("\x1b[1;2D", KeyId::Left, ModShift);
    expectKey("\x1b[1;3C", KeyId::Right, ModAlt);
    expectKey("\x1b[1;6B", KeyId::Down, ModCtrl | ModShift);
    expectKey("\x1b[1;9A", KeyId::Up, ModAlt);  // Meta counts as Alt
    expectKey("\x1b[a", KeyId::Up, ModShift);   // rxvt
    expectKey("\x1bOd", KeyId::Left, ModCtrl);  // rxvt
    expectKey("\x1b\x1b[C", KeyId::Right, ModAlt);
}

TEST(TtyKeys, EditingKeysInTheirVariousSpellings) {
    expectKey("\x1b[H", KeyId::Home, 0);
    expectKey("\x1bOH", KeyId::Home, 0);
    expectKey("\x1b[1~", KeyId::Home, 0);
    expectKey("\x1b[7~", KeyId::Home, 0);
    expectKey("\x1b[F", KeyId::End, 0);
    expectKey("\x1b[4~", KeyId::End, 0);
    expectKey("\x1b[8~", KeyId::End, 0);
    expectKey("\x1b[1;5H", KeyId::Home, ModCtrl);
    expectKey("\x1b[5~", KeyId::PgUp, 0);
    expectKey("\x1b[6;5~", KeyId::PgDn, ModCtrl);
    expectKey("\x1b[2~", KeyId::Ins, 0);
    expectKey("\x1b[2;2~", KeyId::Ins, ModShift);
    expectKey("\x1b[2$", KeyId::Ins, ModShift);  // rxvt
    expectKey("\x1b[3~", KeyId::Del, 0);
    expectKey("\x1b[3^", KeyId::Del, ModCtrl);  // rxvt
    expectKey("\x1b[Z", KeyId::Tab, ModShift);
}

TEST(TtyKeys, FunctionKeys) {
    expectKey("\x1bOP", KeyId::F1, 0);
    expectKey("\x1bOS", KeyId::F4, 0);
    expectKey("\x1b[1;2P", KeyId::F1, ModShift);
    expectKey("\x1b[1;5R", KeyId::F3, ModCtrl);
    expectKey("\x1b[11~", KeyId::F1, 0);  // old xterm, rxvt
    expectKey("\x1b[[A", KeyId::F1, 0);   // Linux console
    expectKey("\x1b[[E", KeyId::F5, 0);
    expectKey("\x1b[15~", KeyId::F5, 0);
    expectKey("\x1b[17~", KeyId::F6, 0);
    expectKey("\x1b[21~", KeyId::F10, 0);
    expectKey("\x1b[23~", KeyId::F11, 0);
    expectKey("\x1b[24;5~", KeyId::F12, ModCtrl);
    expectKey("\x1b[24;7~", KeyId::F12, ModCtrl | ModAlt);
    expectKey("\x1bO5P", KeyId::F1, ModCtrl);  // old xterm puts the modifier after O
}

TEST(TtyKeys, ControlBytesAndTheEraseByte) {
    expectKey("\r", KeyId::Enter, 0);
    expectKey("\n", KeyId::Enter, ModCtrl);
    expectKey("\t", KeyId::Tab, 0);
    expectKey("\x7f", KeyId::Backspace, 0);
    expectKey("\x08", KeyId::Backspace, ModCtrl);
    expectKey(std::string(1, '\0'), KeyId::Space, ModCtrl);

    // a terminal whose erase character is ^H swaps the two
    plat::tty::KeyDecoder d;
    d.eraseByte = 0x08;
    std::vector<KeyEvent> out;
    plat::tty::decodeKeys(d, "\x08\x7f", 2, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].id, KeyId::Backspace);
    EXPECT_EQ(out[0].mods, 0);
    EXPECT_EQ(out[1].mods, ModCtrl);

    KeyEvent k = one("\x0b");  // Ctrl+K
    EXPECT_EQ(k.id, KeyId::Char);
    EXPECT_EQ(k.vk, 'K');
    EXPECT_EQ(k.mods, ModCtrl);
    EXPECT_EQ(k.ch, 0);
}

TEST(TtyKeys, CharactersCarryTheirLetterAndCp1252Code) {
    KeyEvent a = one("a");
    EXPECT_EQ(a.id, KeyId::Char);
    EXPECT_EQ(a.vk, 'A');
    EXPECT_EQ(a.ch, 'a');
    EXPECT_EQ(a.mods, 0);
    KeyEvent big = one("Q");
    EXPECT_EQ(big.vk, 'Q');
    EXPECT_EQ(big.ch, 'Q');
    EXPECT_EQ(big.mods, ModShift);
    KeyEvent sp = one(" ");
    EXPECT_EQ(sp.id, KeyId::Space);
    EXPECT_EQ(sp.ch, ' ');

    KeyEvent c = one("\xc3\xa7");  // ç
    EXPECT_EQ(c.id, KeyId::Char);
    EXPECT_EQ(c.ch, 0xe7);
    EXPECT_EQ(one("\xe2\x82\xac").ch, 0x80);  // € is 0x80 in CP1252
    EXPECT_EQ(one("\xe2\x98\x83").ch, '?');   // no CP1252 form
    EXPECT_EQ(one("\xe9").ch, 0xe9);          // a Latin-1 terminal sends the byte
}

TEST(TtyKeys, AltComesAsAnEscPrefix) {
    KeyEvent k = one("\x1bx");
    EXPECT_EQ(k.id, KeyId::Char);
    EXPECT_EQ(k.vk, 'X');
    EXPECT_EQ(k.mods, ModAlt);
    EXPECT_EQ(k.ch, 0);
    KeyEvent d = one("\x1b" "5");
    EXPECT_EQ(d.vk, '5');
    EXPECT_EQ(d.mods, ModAlt);
    expectKey("\x1b\x7f", KeyId::Backspace, ModAlt);
    expectKey("\x1b\r", KeyId::Enter, ModAlt);
}

TEST(TtyKeys, LoneEscWaitsForTheFlush) {
    plat::tty::KeyDecoder d;
    std::vector<KeyEvent> out;
    plat::tty::decodeKeys(d, "\x1b", 1, out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(plat::tty::hasPending(d));
    plat::tty::flushKeys(d, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, KeyId::Esc);
    EXPECT_FALSE(plat::tty::hasPending(d));

    // two Escs typed quickly are two Escs
    std::vector<KeyEvent> two = decode("\x1b\x1b");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].id, KeyId::Esc);
    EXPECT_EQ(two[1].id, KeyId::Esc);
    // Esc then a letter, flushed: Alt with the letter (what the terminal means)
    EXPECT_EQ(one("\x1b[").mods, ModAlt);
}

TEST(TtyKeys, SequencesSplitAcrossReads) {
    const std::string seq = "\x1b[24;5~" "\xc3\xa1" "\x1bOP";
    for (size_t cut = 1; cut < seq.size(); ++cut) {
        plat::tty::KeyDecoder d;
        std::vector<KeyEvent> out;
        plat::tty::decodeKeys(d, seq.data(), cut, out);
        plat::tty::decodeKeys(d, seq.data() + cut, seq.size() - cut, out);
        ASSERT_EQ(out.size(), 3u) << "cut at " << cut;
        EXPECT_EQ(out[0].id, KeyId::F12);
        EXPECT_EQ(out[0].mods, ModCtrl);
        EXPECT_EQ(out[1].ch, 0xe1);
        EXPECT_EQ(out[2].id, KeyId::F1);
        EXPECT_FALSE(plat::tty::hasPending(d));
    }
}

TEST(TtyKeys, KeyProtocolsThatNameCodePoints) {
    KeyEvent k = one("\x1b[97;5u");  // kitty: Ctrl+a
    EXPECT_EQ(k.id, KeyId::Char);
    EXPECT_EQ(k.vk, 'A');
    EXPECT_EQ(k.mods, ModCtrl);
    expectKey("\x1b[13;5u", KeyId::Enter, ModCtrl);
    expectKey("\x1b[27;5;13~", KeyId::Enter, ModCtrl);  // xterm modifyOtherKeys
    KeyEvent s = one("\x1b[97;2u");
    EXPECT_EQ(s.ch, 'A');
}

TEST(TtyKeys, JunkIsDroppedWithoutEatingTheKeysAfterIt) {
    // focus reports, device replies and unknown finals produce nothing
    EXPECT_TRUE(decode("\x1b[I").empty());
    EXPECT_TRUE(decode("\x1b[?1;2c").empty());
    EXPECT_TRUE(decode("\x1b[99~").empty());
    std::vector<KeyEvent> k = decode(std::string("\x1b[") + std::string(100, '1') + "~x");
    ASSERT_FALSE(k.empty());
    EXPECT_EQ(k.back().ch, 'x');
    // a sequence cut off by a control byte gives up and lets the byte through
    std::vector<KeyEvent> cut = decode("\x1b[1\r");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].id, KeyId::Enter);
}

TEST(TtyKeys, TheConsoleMakesThePcCodes) {
    EXPECT_EQ(codes("\x1b[A"), (std::vector<int>{0, 72}));
    EXPECT_EQ(codes("\x1b[1;5A"), (std::vector<int>{0, 113}));
    EXPECT_EQ(codes("\x1b[2;2~"), (std::vector<int>{0, 254}));  // Shift+Insert
    EXPECT_EQ(codes("\x1b[2;5~"), (std::vector<int>{0, 255}));
    EXPECT_EQ(codes("\x1b[15;5~"), (std::vector<int>{0, 98}));  // Ctrl+F5
    EXPECT_EQ(codes("\x15\x0b"), (std::vector<int>{21, 11}));    // Ctrl+U, Ctrl+K
    EXPECT_EQ(codes("\x1c"), (std::vector<int>{28}));            // Ctrl+Backslash
    EXPECT_EQ(codes("\x1bq"), (std::vector<int>{0, 16}));        // Alt+Q
    EXPECT_EQ(codes("\x1b" "1"), (std::vector<int>{0, 120}));    // Alt+1
    EXPECT_EQ(codes("\x7f\x08\r\n"), (std::vector<int>{8, 127, 13, 10}));
    EXPECT_EQ(codes("\xc3\xa3" "b"), (std::vector<int>{0xe3, 'b'}));
}
