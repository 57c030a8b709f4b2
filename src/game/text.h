// Small text helpers of the game modules (CP1252 bytes).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace game {

// A decimal 32-bit integer, with an optional sign and blanks around it.
bool parseInt(std::string_view s, int32_t& out);
// Pieces of a text between "|" signs ("a||b" gives "a", "", "b"; "" gives one empty piece).
std::vector<std::string> splitBars(std::string_view s);

}  // namespace game
