// Case and blanks of CP1252 text, the way every module of the program reads it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace util {

// Letters raised to capitals: a-z, à-þ (not ÷), š œ ž ÿ to Š Œ Ž Ÿ.  ß and µ have no
// capital in CP1252 and stay; every other byte (÷ and × included) is left alone.
// The other way round, lowerLatin: exactly the capitals that upperLatin makes, lowered.
// One pair of tables, made by the compiler (the interpreter raises byte by byte).
struct CaseTables {
    std::array<uint8_t, 256> upper{}, lower{};
    constexpr CaseTables() {
        for (int c = 0; c < 256; ++c) upper[size_t(c)] = lower[size_t(c)] = uint8_t(c);
        for (int c = 'a'; c <= 'z'; ++c) pair(c, c - 32);
        for (int c = 0xE0; c <= 0xFE; ++c)
            if (c != 0xF7) pair(c, c - 32);  // ÷ is no letter
        pair(0x9A, 0x8A);  // š Š
        pair(0x9C, 0x8C);  // œ Œ
        pair(0x9E, 0x8E);  // ž Ž
        pair(0xFF, 0x9F);  // ÿ Ÿ
    }
    constexpr void pair(int small, int capital) {
        upper[size_t(small)] = uint8_t(capital);
        lower[size_t(capital)] = uint8_t(small);
    }
};
inline constexpr CaseTables kCase{};

inline uint8_t upperLatin(uint8_t c) { return kCase.upper[c]; }
std::string upperLatin(std::string_view s);
inline uint8_t lowerLatin(uint8_t c) { return kCase.lower[c]; }
std::string lowerLatin(std::string_view s);

// Three meanings of "blank", each for the texts that rely on it:
// trim: every byte up to the space, controls included (typed lines, game fields).
std::string_view trimView(std::string_view s);
std::string trim(std::string_view s);
// trimSpaces: only spaces and tabs (a settings line keeps any other control byte).
std::string trimSpaces(std::string_view s);
// trimLineSpace: spaces, tabs, CR and LF (the speech engine's language files).
std::string trimLineSpace(std::string_view s);

}  // namespace util
