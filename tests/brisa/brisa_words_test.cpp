// The embedded engine on everyday words: the stressed vowel of frequent words
// against espeak-ng's (the checked list), soft c, -eia/-eio stress, what schools
// write (nº, R$, Av., sex., dates, letters) and the fall of a statement.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/platform.h"
#include "speech/brisa/chain.h"

namespace {

const std::string kData = std::string(LUDIVAR_SOURCE_DIR) + "/data/brisatts/";

std::string cp(const char* s) { return plat::cp(s); }

struct BrisaWords : ::testing::Test {
    void SetUp() override {
        brisa::resetLanguage();
        ASSERT_TRUE(brisa::loadBrisaRules(kData + "portug.nrl", kData + "portug.exc"));
        ASSERT_TRUE(brisa::loadAbbreviations(kData + "portug.abr"));
        ASSERT_TRUE(brisa::loadProsody(kData + "portug.pro"));
    }
    void TearDown() override { brisa::resetLanguage(); }
};

// The phonemes of one word, the stressed one with a leading ">".
std::vector<std::string> phonemes(const std::string& wordUtf8) {
    std::vector<std::string> out;
    for (const std::string& l : brisa::wordsToPhonemes({"555|" + plat::utf8ToCp1252(wordUtf8)}))
        if (!l.empty() && l[0] != ';' && l[0] != '_') out.push_back(l);
    return out;
}

// The vowel the stress mark falls on (a stressed onset passes the mark on).
std::string stressedVowel(const std::string& wordUtf8) {
    static const std::set<std::string> vowels = {"a", "a2", "@", "e", "ee", "en", "i", "in",
                                                 "o", "oo", "on", "u", "un"};
    bool marked = false;
    for (std::string p : phonemes(wordUtf8)) {
        if (p[0] == '>') {
            marked = true;
            p.erase(0, 1);
        }
        if (marked && vowels.count(p)) return p;
    }
    return "";
}

std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// Share of the list's words whose stressed e/o the engine reads as espeak-ng does
// (the words espeak-ng is known to misread left out).
double listAgreement(const std::string& listName, long& compared) {
    std::set<std::string> known;
    std::vector<std::string> stems;
    for (const std::string& l : fileLines(std::string(LUDIVAR_SOURCE_DIR) + "/tools/phoncompare-known.txt")) {
        if (l.empty() || l[0] == '#') continue;
        const std::string w = l.substr(0, l.find_first_of(" \t"));
        if (w.back() == '*') stems.push_back(w.substr(0, w.size() - 1));
        else known.insert(w);
    }
    long agree = 0;
    compared = 0;
    for (const std::string& l : fileLines(std::string(LUDIVAR_SOURCE_DIR) + "/data/voice/" + listName)) {
        if (l.empty() || l[0] == '#') continue;
        std::istringstream fields(l);
        std::string rank, word, count, theirs;
        fields >> rank >> word >> count >> theirs;
        bool isKnown = known.count(word) > 0;
        for (const std::string& s : stems) isKnown |= word.compare(0, s.size(), s) == 0;
        if (isKnown) continue;
        const std::string ours = stressedVowel(word);
        const bool ourEo = ours == "e" || ours == "ee" || ours == "o" || ours == "oo";
        const bool theirEo = theirs == "e" || theirs == "E" || theirs == "o" || theirs == "O";
        if (!ourEo && !theirEo) continue;
        ++compared;
        const std::string want = theirs == "E" ? "ee" : theirs == "O" ? "oo" : theirs;
        if (ours == want) ++agree;
    }
    return compared ? double(agree) / double(compared) : 0.0;
}

}  // namespace

TEST_F(BrisaWords, StressedVowelOfEverydayWords) {
    struct Case { const char* word; const char* vowel; };
    const Case cases[] = {
        {"você", "e"},   {"vocês", "e"}, {"ideia", "ee"}, {"meio", "e"},    {"areia", "e"},  {"passeio", "e"},
        {"ele", "e"},    {"dele", "e"},  {"pela", "e"},   {"foram", "o"},   {"todo", "o"},   {"sobre", "o"},
        {"essa", "ee"},  {"olha", "oo"}, {"nova", "oo"},  {"começa", "ee"}, {"volta", "oo"}, {"escreve", "ee"},
        {"jovens", "oo"}, {"itens", "i"}, {"hoje", "o"},   {"bolo", "o"},    {"praia", "a"},  {"papais", "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(stressedVowel(c.word), c.vowel) << c.word;
}

// The families the own voice reads by its endings, read alike by the engine's rules.
TEST_F(BrisaWords, RegularFamiliesOfTheStressedEAndO) {
    struct Case { const char* word; const char* vowel; };
    const Case cases[] = {
        {"eleva", "ee"},    {"levam", "ee"},    {"deva", "e"},       {"escreva", "e"},  {"trevas", "ee"},
        {"oeste", "ee"},    {"prestes", "ee"},  {"investe", "ee"},   {"deste", "e"},    {"bebeste", "e"},
        {"converta", "e"},  {"invertam", "e"},  {"converte", "ee"},  {"acessem", "ee"}, {"processe", "ee"},
        {"parede", "e"},    {"pede", "ee"},     {"velhas", "ee"},    {"ovelha", "e"},   {"mescla", "ee"},
        {"herdam", "ee"},   {"metros", "ee"},   {"sequer", "ee"},    {"querem", "ee"},  {"derem", "ee"},
        {"sofre", "oo"},    {"corpos", "oo"},   {"corpo", "o"},      {"erguem", "ee"},  {"acerquem", "ee"},
        {"porcos", "oo"},   {"fogos", "oo"},    {"esforços", "oo"},  {"poços", "oo"},   {"moços", "o"},
        {"gostos", "o"},    {"rostos", "o"},    {"postos", "oo"},
        {"quebro", "ee"},   {"queda", "ee"},    {"sobem", "oo"},     {"moem", "oo"},    {"abençoem", "o"},
        {"aprovo", "oo"},
        {"castelo", "ee"},  {"cabelos", "e"},   {"novelo", "e"},     {"modelos", "e"},  {"sinceros", "ee"},
        {"exagero", "e"},   {"conservo", "ee"}, {"nervos", "e"},     {"impeça", "ee"},  {"recomeça", "ee"},
        {"pareça", "e"},    {"conheça", "e"},   {"negros", "e"},     {"empregos", "e"}, {"chefes", "ee"},
        {"fechos", "ee"},   {"digerem", "ee"},  {"solte", "oo"},     {"comporto", "oo"}, {"porto", "o"},
        {"aeroporto", "o"}, {"regresse", "ee"}, {"piores", "oo"},  {"anteriores", "o"}, {"ordens", "oo"},
        {"bordo", "oo"},    {"acordo", "o"},    {"reforçam", "oo"},   {"porem", "o"},    {"viver", "e"},
        {"sobreviver", "e"}, {"tiver", "ee"},   {"queres", "ee"},
    };
    for (const Case& c : cases) EXPECT_EQ(stressedVowel(c.word), c.vowel) << c.word;
}

// An acute or circumflex is the stress even beside a tilde; short words with an accent,
// and interjections, are stressed; clitics and the grave of a contraction are not.
TEST_F(BrisaWords, WrittenAccentsAndShortWordsTakeTheirStress) {
    struct Case { const char* word; const char* vowel; };
    const Case cases[] = {
        {"órfã", "oo"}, {"órfãs", "oo"}, {"órgão", "oo"}, {"bênção", "en"}, {"ímã", "i"},  {"mão", "@"},
        {"só", "oo"},   {"pé", "ee"},    {"sé", "ee"},    {"lê", "e"},     {"é", "ee"},    {"oi", "o"},
        {"àquele", "e"}, {"àquela", "ee"}, {"de", ""},    {"em", ""},      {"se", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(stressedVowel(c.word), c.vowel) << c.word;
}

TEST_F(BrisaWords, CIsSoftBeforeEveryFrontVowel) {
    for (const char* w : {"você", "cê", "cedo", "cinema", "décimo", "docê"}) {
        const auto ph = phonemes(w);
        bool soft = false, hard = false;
        for (const std::string& p : ph) {
            soft |= p == "s" || p == ">s";
            hard |= p == "k" || p == ">k";
        }
        EXPECT_TRUE(soft && !hard) << w;
    }
}

TEST_F(BrisaWords, FrequentWordsAgreeWithTheCheckedList) {
    long compared = 0;
    EXPECT_GE(listAgreement("frequentes.txt", compared), 0.95);
    EXPECT_GT(compared, 800);
    // Words ranked after the list: no entry of theirs, the rules alone.
    EXPECT_GE(listAgreement("frequentes-controle.txt", compared), 0.85);
    EXPECT_GT(compared, 300);
}

TEST_F(BrisaWords, WhatSchoolsWrite) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"nº 5", "número cinco "},
        {"Nº. 12", "número doze "},
        {"R$ 10,50", "dez reais e cinqüenta centavos "},
        {"R$ 1,00", "um real "},
        {"R$ 0,01", "um centavo "},
        {"R$ 1.250", "mil e duzentos e cinqüenta reais "},
        {"R$", "reais"},
        {"Av. Brasil", "avenida Brasil"},
        {"Aula na sex. de manhã", "Aula na sexta de manhã"},
        {"25/12/2024", "vinte e cinco de dezembro de dois mil e vinte e quatro "},
        {"01/05/2025", "primeiro de maio de dois mil e vinte e cinco "},
        {"32/13/2024", "trinta e dois  barra treze  barra dois mil e vinte e quatro "},
        {"a letra O", "a letra ó"},
        {"Resposta: B.", "Resposta: bê."},
        {"O menino", "O menino"},
        {"(C)", "( sê)"},
    };
    for (const Case& c : cases) EXPECT_EQ(brisa::normalizeText(cp(c.in)), cp(c.out)) << c.in;
}

TEST_F(BrisaWords, AStatementFallsOverItsLastStressedSyllable) {
    for (const char* text : {"O menino comeu o bolo.", "Hoje tem aula.", "Você acertou."}) {
        const auto lines = brisa::textToPhonemeLines(cp(text), 1.0, 1.0);
        // The pitch points of the last word: its start, its stressed vowel, its end.
        size_t lastWord = 0;
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].size() > 1 && lines[i][0] == ';' && std::isalpha(static_cast<unsigned char>(lines[i][1])))
                lastWord = i;
        std::vector<double> hz;
        for (size_t i = lastWord + 1; i < lines.size() && (lines[i].empty() || lines[i][0] != ';'); ++i) {
            std::istringstream f(lines[i]);
            std::string ph;
            long ms, pct, h;
            f >> ph >> ms;
            while (f >> pct >> h) hz.push_back(double(h));
        }
        ASSERT_GE(hz.size(), 2u) << text;
        double peak = 0;
        for (size_t k = 0; k + 1 < hz.size(); ++k) peak = std::max(peak, hz[k]);
        EXPECT_GE(12.0 * std::log2(peak / hz.back()), 2.0) << text;
    }
}
