// Text normalization of the embedded engine: numbers, ordinals, spelled words,
// abbreviations and symbol names.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "speech/brisa/chain.h"
#include "support/headless.h"

namespace {

std::string cp(const char* s) { return plat::cp(s); }

TEST(BrisaText, NumberWords) {
    struct Case { uint64_t v; const char* words; };
    const Case cardinals[] = {
        {0, "zero"}, {7, "sete"}, {15, "quinze"}, {21, "vinte e um"}, {100, "cem"}, {101, "cento e um"},
        {110, "cento e dez"}, {200, "duzentos"}, {1000, "mil "}, {1234, "mil e duzentos e trinta e quatro"},
        {2000, "dois mil "}, {2000000, "dois milhões "}, {1000000, "um milhão "},
        {3000000001ULL, "três bilhões e um"}, {999999999999999ULL,
         "novecentos e noventa e nove trilhões novecentos e noventa e nove bilhões novecentos e noventa e nove "
         "milhões novecentos e noventa e nove mil e novecentos e noventa e nove"}};
    for (const Case& c : cardinals) EXPECT_EQ(brisa::cardinalWords(c.v), cp(c.words)) << c.v;
    struct Ord { uint64_t v; bool fem; const char* words; };
    const Ord ordinals[] = {{1, false, "primeiro"}, {2, true, "segunda"}, {21, false, "vigésimo primeiro"},
                            {10, true, "décima"}, {1999, false, "milésimo nongentésimo nonagésimo nono"},
                            {0, false, "zero"}, {2000, false, "dois mil "}};
    for (const Ord& o : ordinals) EXPECT_EQ(brisa::ordinalWords(o.v, o.fem), cp(o.words)) << o.v;
}

TEST(BrisaText, Normalization) {
    const std::string dir = tempDir();
    ASSERT_TRUE(writeText(dir + "/a.abr", "; abreviaturas\n\nSr = senhor\nDr=doutor\nBRT=Brasília\n"));
    ASSERT_TRUE(brisa::loadAbbreviations(dir + "/a.abr"));
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"007", "zero zero sete "},
        {"0", "zéro"},                       // one character: its name
        {"1.000", "mil  "},
        {"1.000 reais", "mil   reais"},
        {"1.5", "um ponto cinco "},
        {"3,14", "três vírgula quatorze "},
        {"-5", "menos cinco "},
        {"12-34", " um dois traço três quatro "},
        {"1º", "primeiro "},
        {"2ª", "segunda "},
        {"3os. lugares", "terceiros  lugares"},
        {"BRT", "bêérretê"},
        {"o Sr. Silva", "o senhor Silva"},
        {"Dr.", "doutor"},                   // a listed abbreviation at the end of the text
        {"$", "cifrão"},
        {"a@b", "a arrôba bê"},  // a lone consonant is spelled
        {"sim - não", "sim , não"},
        {"fim...", "fim... "},
        {"a.b", "a ponto bê"},
        {"linha\tdois\n", "linhadois"},
        // at most fifteen digits to a number
        {"1234567890123456789", "cento e vinte e três trilhões quatrocentos e cinqüenta e seis bilhões setecentos e "
                                "oitenta e nove milhões doze mil e trezentos e quarenta e cinco seis mil e setecentos "
                                "e oitenta e nove "},
    };
    for (const Case& c : cases) EXPECT_EQ(brisa::normalizeText(cp(c.in)), cp(c.out)) << c.in;
    EXPECT_EQ(brisa::characterName(uint8_t('C')), cp(" sê"));
    EXPECT_EQ(brisa::characterName(0xE7), cp("Cê cedilha"));
    EXPECT_EQ(brisa::characterName(0xDF), "");
    EXPECT_FALSE(brisa::loadAbbreviations(dir + "/falta.abr"));
}

}  // namespace
