// The CP1252 case tables and the three trims.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "util/text.h"

namespace {

// Every pair of small and capital letter in CP1252, written out by hand.
std::map<int, int> letterPairs() {
    std::map<int, int> p;
    for (int c = 'a'; c <= 'z'; ++c) p[c] = c - 32;
    const char* small = "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
                        "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF8\xF9\xFA\xFB\xFC\xFD\xFE";
    const char* capital = "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
                          "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD\xDE";
    for (int i = 0; small[i]; ++i) p[uint8_t(small[i])] = uint8_t(capital[i]);
    p[0x9A] = 0x8A;  // š
    p[0x9C] = 0x8C;  // œ
    p[0x9E] = 0x8E;  // ž
    p[0xFF] = 0x9F;  // ÿ
    return p;
}

TEST(UtilCase, EveryByteRaisedOnlyWhenItIsASmallLetter) {
    const std::map<int, int> pairs = letterPairs();
    std::map<int, int> lowered;
    for (const auto& [s, c] : pairs) lowered[c] = s;
    for (int b = 0; b < 256; ++b) {
        const auto up = pairs.find(b);
        const int wantUpper = up == pairs.end() ? b : up->second;
        EXPECT_EQ(util::upperLatin(uint8_t(b)), wantUpper) << "byte " << b;
        const auto down = lowered.find(b);
        const int wantLower = down == lowered.end() ? b : down->second;
        EXPECT_EQ(util::lowerLatin(uint8_t(b)), wantLower) << "byte " << b;
    }
}

TEST(UtilCase, SignsAndLettersWithoutAPairStay) {
    struct Case {
        uint8_t byte;
        const char* what;
    };
    const Case cases[] = {{0xF7, "÷"}, {0xD7, "×"}, {0xDF, "ß"}, {0xB5, "µ"}, {0xAA, "ª"}, {0xBA, "º"}, {0x83, "ƒ"}};
    for (const Case& c : cases) {
        EXPECT_EQ(util::upperLatin(c.byte), c.byte) << c.what;
        EXPECT_EQ(util::lowerLatin(c.byte), c.byte) << c.what;
    }
}

TEST(UtilCase, TextsByteForByte) {
    struct Case {
        std::string small, capital;
    };
    const Case cases[] = {
        {"a\xE7\xE3o \xE9 j\xE1", "A\xC7\xC3O \xC9 J\xC1"},  // ação é já
        {"10 \xF7 2 = 5", "10 \xF7 2 = 5"},
        {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},
        {"", ""},
        {std::string("a\0b", 3), std::string("A\0B", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(util::upperLatin(c.small), c.capital);
        EXPECT_EQ(util::lowerLatin(c.capital), util::lowerLatin(c.small));
        EXPECT_EQ(util::upperLatin(util::lowerLatin(c.capital)), c.capital);
    }
}

TEST(UtilTrim, EachMeaningOfBlank) {
    struct Case {
        std::string in, trim, spaces, lineSpace;
    };
    const Case cases[] = {
        {"  a b \t", "a b", "a b", "a b"},
        {"\r\nlinha\r\n", "linha", "\r\nlinha\r\n", "linha"},
        {"\x01 x \x1A", "x", "\x01 x \x1A", "\x01 x \x1A"},
        {"\t\t", "", "", ""},
        {"", "", "", ""},
        {"\xA0nbsp\xA0", "\xA0nbsp\xA0", "\xA0nbsp\xA0", "\xA0nbsp\xA0"},  // no blank above 127
        {" meio  meio ", "meio  meio", "meio  meio", "meio  meio"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(util::trim(c.in), c.trim) << c.in;
        EXPECT_EQ(util::trimView(c.in), c.trim) << c.in;
        EXPECT_EQ(util::trimSpaces(c.in), c.spaces) << c.in;
        EXPECT_EQ(util::trimLineSpace(c.in), c.lineSpace) << c.in;
    }
}

}  // namespace
