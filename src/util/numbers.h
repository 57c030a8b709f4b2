// Whole numbers as Brazilian Portuguese words (CP1252), for the speech modules.
#pragma once
#include <string>
#include <string_view>

namespace util {

// The engine reads "três" and "cinqüenta" (the diaeresis tells its letter rules to
// sound the u); the recorded number words are named "tres" and "cinquenta".  The
// scale words ("milhão", "bilhões") keep their accents either way.
enum class NumberSpelling { Spoken, WordFiles };

// The number the leading decimal digits of `digits` make, in words: "mil e um",
// "dois milhões e cem".  Leading zeros are skipped; nothing but zeros (or no digit)
// is "zero".  More than fifteen digits have no words: they are said one by one.
std::string numberWords(std::string_view digits, NumberSpelling spelling = NumberSpelling::Spoken);

}  // namespace util
