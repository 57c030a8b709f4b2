// Word classes, intonation, timing, letter-to-sound and stress of the embedded engine.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "speech/brisa/chain.h"
#include "support/headless.h"

namespace {

std::string cp(const char* s) { return plat::cp(s); }

const char* const kPro =
    "[DURAÇÃO]\n* comentário\na=80\nk=60\ns=90\n_,=200\n\n[CHAVES]\nde=pr\nquem=PI\n\n"
    "[PROSÓDIA]\nHERTZ=100\nTABHERTZ=50,60,70,80,90,100,110,120,130,140\n"
    "|PI|=785\n||?\?=?49\n|--|=555\n";

struct Files {
    std::string dir = tempDir();
    std::string path(const char* name, const std::string& text) {
        const std::string p = dir + "/" + name;
        EXPECT_TRUE(writeText(p, text));
        return p;
    }
};

TEST(BrisaChain, ProsodyFileProblemsNameFileAndLine) {
    Files f;
    struct Case { const char* text; bool ok; const char* message; };
    const Case cases[] = {
        {kPro, true, nullptr},
        {"[CHAVES]\n[PROSÓDIA]\n", false, "Duração dos difones errada ou ausente"},
        {"[DURAÇÃO]\na=1\n[PROSÓDIA]\n", false, "Prosódia: palavras chaves ausentes"},
        {"[DURAÇÃO]\n[CHAVES]\n", false, "Prosódia: especificações ausentes"},
        {"[DURAÇÃO]\na 80\n[CHAVES]\n[PROSÓDIA]\n", false, ":2: Configuração da prosódia: fonema errado: a 80"},
        {"[DURAÇÃO]\na=oito\n[CHAVES]\n[PROSÓDIA]\n", true, ":2: Configuração da prosódia: fonema errado: a=oito"},
        {"[DURAÇÃO]\n[CHAVES]\nde pr\n[PROSÓDIA]\n", false, ":3: Configuração da prosódia: chave errada: de pr"},
        {"[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\n||=55\n", false, ":4: Configuração da prosódia: chave errada: ||=55"},
    };
    for (const Case& c : cases) {
        brisa::resetLanguage();
        EXPECT_EQ(brisa::loadProsody(f.path("p.pro", c.text)), c.ok) << c.text;
        const auto& m = brisa::languageState().messages;
        if (c.message) {
            ASSERT_FALSE(m.empty()) << c.text;
            EXPECT_NE(m.back().find(cp(c.message)), std::string::npos) << m.back();
            EXPECT_EQ(m.back().rfind(f.dir, 0), 0u) << "the message names the file: " << m.back();
        } else {
            EXPECT_TRUE(m.empty()) << m.front();
        }
    }
    brisa::resetLanguage();
    EXPECT_FALSE(brisa::loadProsody(f.dir + "/falta.pro"));
    EXPECT_NE(brisa::languageState().messages.back().find(cp("Configuração da prosódia não foi achada")), std::string::npos);
}

TEST(BrisaChain, ClassesAndIntonation) {
    Files f;
    brisa::resetLanguage();
    ASSERT_TRUE(brisa::loadProsody(f.path("p.pro", kPro)));
    EXPECT_EQ(brisa::classifyWords("Quem vem de casa?..."),
              (std::vector<std::string>{"[--]", "[PI]Quem", "[XX]vem", "[PR]de", "[XX]casa", "[?\?]?", "[--]",
                                        "[.-].", "[--]"}));
    // "?" takes the last digit of the pattern before it.
    EXPECT_EQ(brisa::assignIntonation({"[--]", "[PI]Quem", "[XX]casa", "[?\?]?"}),
              (std::vector<std::string>{"555|", "785|Quem", "549|casa", "555|?"}));
    const auto lines = brisa::assignIntonation({"[XX]casa", "[?\?]?"});
    EXPECT_EQ(lines[0], "549|casa");  // "?" at the first entry takes 5
    EXPECT_EQ(brisa::assignIntonation({"[PI]Quem", "[XX]vem", "[?\?]?"})[1], "549|vem");
    brisa::resetLanguage();
    ASSERT_TRUE(brisa::loadProsody(f.path("q.pro", "[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\n")));
    EXPECT_EQ(brisa::assignIntonation({"[XX]casa"})[0], "555|casa");
}

TEST(BrisaChain, TimingDurationsPitchAndGlides) {
    Files f;
    brisa::resetLanguage();
    ASSERT_TRUE(brisa::loadProsody(f.path("p.pro", kPro)));
    ASSERT_TRUE(brisa::loadDiphoneList(f.path("d.dfn", "! lista\n_-k\nk-a\na-s\ns-a\na-_\n_-_\n_-a\na-k\nr2-_\n")));
    struct Case { std::vector<std::string> in; double pf, df; std::vector<std::string> out; };
    const Case cases[] = {
        // stressed phoneme 145 %, pitch points at start, stress and end of the word
        {{";539|casa", "k", ">a", "s", "a", ""}, 1.0, 1.0,
         {";casa", "k 60 50 100", "a 116 80 80", "s 90", "a 80 50 140", ""}},
        // duration factor, and a phoneme outside the table lasting 100
        {{";555|ax", "a", "x", ""}, 0.5, 0.5, {";ax", "a 40 50 50", "_ 50", "x 50", ""}},
        // before the stress of a word of more than 13 letters: 80 %
        {{";555|kkkkkkkkkkkkkk", "k", ">a", ""}, 1.0, 1.0,
         {";kkkkkkkkkkkkkk", "k 48 50 100", "a 116 80 100 100 100", ""}},
        // pauses: "_" alone, "_ n", and looked up; a final r2 before a missing diphone glides through "_"
        {{";555|,", "_,", "_", "_ 30"}, 1.0, 1.0, {";,", "_ 200 50 100", "_ 100", "_ 30"}},
        {{";555|ar", "a", "r2", "", ";555|a", "a", ""}, 1.0, 1.0,
         {";ar", "a 80 50 100", "_ 50", "r2 100", "", ";a", "_ 50", "a 80 50 100", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(brisa::timePhonemes(c.in, c.pf, c.df), c.out) << c.in[0];
    // Levels all 0: no pitch point at all.
    ASSERT_TRUE(brisa::loadProsody(f.path("z.pro", "[DURAÇÃO]\n[CHAVES]\n[PROSÓDIA]\nTABHERTZ=0,0,0,0,0,0,0,0,0,0\n")));
    for (const std::string& l : brisa::timePhonemes({";555|casa", "k", ">a", "s", "a", ""}, 1, 1))
        EXPECT_EQ(std::count(l.begin(), l.end(), ' '), l.empty() || l[0] == ';' ? 0 : 1) << l;
}

TEST(BrisaChain, StressPosition) {
    struct Case { const char* word; int pos; };
    const Case cases[] = {{"casa", 2},   {"animal", 5}, {"tatu", 4},   {"papai", 4},  {"aqui", 4},
                          {"agua", 1},   {"comem", 2},  {"jardim", 5}, {"café", 4},   {"CAFÉ", 4},
                          {"lâmpada", 2}, {"guerra", 3}, {"quase", 3},  {"querem", 3}, {"lingüiça", 6},
                          {"pts", 0},     {"", 0},
                          // an i/u after a vowel keeps the stress when it closes its syllable
                          {"ainda", 2},   {"saindo", 3}, {"incluindo", 6}, {"rainha", 3}, {"muito", 2},
                          {"mundo", 2},   {"cuidado", 5},
                          // an acute or circumflex wins over a tilde; a grave marks no stress
                          {"órfã", 1},    {"bênção", 2}, {"órgãos", 1}, {"mãe", 2},     {"àquele", 4}};
    for (const Case& c : cases) EXPECT_EQ(brisa::stressPosition(cp(c.word)), c.pos) << c.word;
}

TEST(BrisaChain, LettersToPhonemes) {
    Files f;
    brisa::resetLanguage();
    // Each context symbol once, on made-up letters, so a wrong reading shows.
    const std::string rules =
        "; regras de teste\n"
        "%(A)=a1|\n#(A)=a2|\n](B)=b1|\n_(C)=c1|\n|(D)=d1|\n(E)%=e1|\n(E)&=e2|\n(F)*=f1|\n(F)=f|\n"
        "(G)+=g1|\n(H)[=h1|\n(I)\\T=i1|\n(I)=i|\n(O)=o|\n(U)=u|\n(S)%=s2|\n(S)=s|\n(R)%=r2|\n(R)=r|\n"
        "(T)=t|\n(N)=n|\n(L)=l|\n(K)=k&w|\n(X)=|\n(QU)=k|\n(E)=e|\n(A)=a|\n(B)=b|\n(C)=c|\n(D)=d|\n(G)=g|\n(H)=h|\n"
        "sem parêntese\n";
    ASSERT_TRUE(brisa::loadBrisaRules(f.path("r.nrl", rules), f.path("e.exc", "CASA=KAZA|\n\nQUEM=KEN|\n")));
    EXPECT_EQ(brisa::languageState().messages.size(), 1u);  // the malformed rule is reported, not fatal
    auto phon = [](const char* word) {
        std::string out;
        for (const std::string& l : brisa::wordsToPhonemes({"555|" + plat::cp(word)})) out += l + "/";
        return out;
    };
    struct Case { const char* word; const char* lines; };
    const Case cases[] = {
        {"aa", ";555|aa/a1/a2//__/"},                          // % start, # vowel; no stress in two letters
        {"abb", ";555|abb/>a1/b1/b//__/"},                      // ] back vowel
        {"cca", ";555|cca/c1/c/>a//__/"},                       // _ start of word
        {"adsd", ";555|adsd/>a1/d/s/d1//__/"},                  // | n, r or s
        {"elen", ";555|elen/e2/l/>e2/n//__/"},                   // & liquid; % end
        {"fftf", ";555|fftf/f1/f1/t/f//__/"},                    // * consonant but l, r
        {"giga", ";555|giga/g1/>i/g/a//__/"},                   // + front vowel
        {"ahtah", ";555|ahtah/a1/h1/t/>a/h1//__/"},              // [ consonant but h, or end
        {"isti", ";555|isti/i1/s/t/>i//__/"},                     // \ an s when there is one
        {"kuxa", ";555|kuxa/k/w/>u/a//__/"},                    // & splits phonemes; a rule without output
        {"casas", ";555|casas/k/w/>a/a/s2//__/"},               // exception, with the final S moved
        {"quem", ";555|quem/k/w/>e2/n//__/"},
        {",", ";555|,/_,/__/"},
        {"", ";555|/__//__/"},
    };
    for (const Case& c : cases) EXPECT_EQ(phon(c.word), cp(c.lines)) << c.word;
    // Words that never take a stress mark.
    for (const char* w : {"por", "não", "sim", "com", "de", "os"})
        EXPECT_EQ(phon(w).find('>'), std::string::npos) << w;
    // Linking: a final s2 or r2 before a vowel.
    std::string joined;
    for (const auto& l : brisa::wordsToPhonemes({"555|ts", "555|os", "555|tr", "555|a", "555|tr", "555|t"}))
        joined += l + "/";
    EXPECT_NE(joined.find(";555|ts/t/z/"), std::string::npos) << joined;
    EXPECT_NE(joined.find(";555|tr/t/r//;555|a"), std::string::npos) << joined;
    EXPECT_NE(joined.find(";555|tr/t/r2//;555|t"), std::string::npos) << joined;
}

}  // namespace
