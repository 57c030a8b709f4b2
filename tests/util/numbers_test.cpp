// Whole numbers in words, in both spellings.
#include <gtest/gtest.h>

#include <string>

#include "util/numbers.h"

namespace {

using util::NumberSpelling;

TEST(UtilNumbers, WordsOfATableOfNumbers) {
    struct Case {
        const char* digits;
        const char* spoken;
        const char* wordFiles;
    };
    // CP1252: ê \xEA, ü \xFC, ã \xE3, õ \xF5.
    const Case cases[] = {
        {"0", "zero", "zero"},
        {"1", "um", "um"},
        {"3", "tr\xEAs", "tres"},
        {"16", "dezesseis", "dezesseis"},
        {"21", "vinte e um", "vinte e um"},
        {"53", "cinq\xFC" "enta e tr\xEAs", "cinquenta e tres"},
        {"100", "cem", "cem"},
        {"101", "cento e um", "cento e um"},
        {"110", "cento e dez", "cento e dez"},
        {"999", "novecentos e noventa e nove", "novecentos e noventa e nove"},
        {"1000", "mil ", "mil "},
        {"1001", "mil e um", "mil e um"},
        {"1100", "mil e cem", "mil e cem"},
        {"2000", "dois mil ", "dois mil "},
        {"2013", "dois mil e treze", "dois mil e treze"},
        {"1000000", "um milh\xE3o ", "um milh\xE3o "},
        {"1000001", "um milh\xE3o e um", "um milh\xE3o e um"},
        {"2000000", "dois milh\xF5" "es ", "dois milh\xF5" "es "},
        {"3000000000", "tr\xEAs bilh\xF5" "es ", "tres bilh\xF5" "es "},
        {"1000000000000", "um trilh\xE3o ", "um trilh\xE3o "},
        {"007", "sete", "sete"},
        {"12x34", "doze", "doze"},
        {"", "zero", "zero"},
        {"000", "zero", "zero"},
        {"1234567890123456", "um dois tr\xEAs quatro cinco seis sete oito nove zero um dois tr\xEAs quatro cinco seis",
         "um dois tres quatro cinco seis sete oito nove zero um dois tres quatro cinco seis"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(util::numberWords(c.digits), c.spoken) << c.digits;
        EXPECT_EQ(util::numberWords(c.digits, NumberSpelling::WordFiles), c.wordFiles) << c.digits;
    }
}

TEST(UtilNumbers, EveryNumberBelowAMillionHasWordsWithoutDoubleBlanks) {
    for (int n = 1; n < 1000000; n += 7) {
        const std::string w = util::numberWords(std::to_string(n));
        ASSERT_FALSE(w.empty()) << n;
        EXPECT_EQ(w.find("  "), std::string::npos) << n;
        EXPECT_NE(w.compare(0, 6, "um mil"), 0) << n << ": " << w;
        EXPECT_EQ(w.find("zero"), std::string::npos) << n;
    }
}

}  // namespace
