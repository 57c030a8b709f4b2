// Small text helpers of the game modules (CP1252 bytes).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace game {

// a-z and every byte above 223 raised to capitals (accented Latin-1 letters too).
uint8_t upperLatin(uint8_t c);
std::string upperLatin(std::string_view s);
// Removes the bytes up to the blank (controls included) from both ends.
std::string_view trimView(std::string_view s);
std::string trimText(std::string_view s);
// A decimal 32-bit integer, with an optional sign and blanks around it.
bool parseInt(std::string_view s, int32_t& out);
// Pieces of a text between "|" signs ("a||b" gives "a", "", "b"; "" gives one empty piece).
std::vector<std::string> splitBars(std::string_view s);

}  // namespace game
