// The pronunciation dictionary: reading its lines, matching whole words, and the
// own voice hearing the reading while the screen keeps the written word.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "console/console.h"
#include "console/textwin.h"
#include "console_support.h"
#include "platform/platform.h"
#include "speech/lexicon.h"
#include "support/headless.h"
#include "util/folders.h"
#include "util/log.h"

namespace {

std::string cp(const char* utf8) { return plat::utf8ToCp1252(utf8); }

std::vector<std::string> synthLines(const InProc& p) {
    std::vector<std::string> out;
    for (const std::string& e : p.trace)
        if (e.rfind("synth ", 0) == 0) out.push_back(e);
    return out;
}

}  // namespace

TEST(Lexicon, LinesAreReadOrReportedWithTheirNumber) {
    const std::string text =
        "# comentário\n"
        "sabia=sabiá\r\n"
        "\n"
        "  Ludivar =  ludivár \n"
        "sem igual\n"
        "duas palavras=x\n"
        "vazio=\n"
        "a=b=c\n"
        "=nada\n"
        "SABIA=sabía\n";
    std::vector<speech::LexiconProblem> problems;
    const speech::Lexicon lex = speech::parseLexicon(text, &problems);
    // The last reading of a word wins, in the place of the first.
    ASSERT_EQ(lex.size(), 2u);
    EXPECT_EQ(lex[0].word, "SABIA");
    EXPECT_EQ(lex[0].said, cp("sabía"));
    EXPECT_EQ(lex[1].word, "Ludivar");
    EXPECT_EQ(lex[1].said, cp("ludivár"));
    std::vector<int> lines;
    for (const auto& p : problems) lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{5, 6, 7, 8, 9}));
    // A file in CP1252 reads the same, and what is written reads back.
    EXPECT_EQ(speech::parseLexicon(cp("sabia=sabiá\n"), nullptr)[0].said, cp("sabiá"));
    const speech::Lexicon again = speech::parseLexicon(speech::lexiconFileText(lex), nullptr);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1].said, lex[1].said);
}

TEST(Lexicon, WholeWordsWithoutRegardToCaseButAccentsCount) {
    const speech::Lexicon lex = speech::parseLexicon("sabia=SABIA1\nsábia=SABIA2\nsabiá=SABIA3\nvó=avó\n", nullptr);
    const struct {
        const char* text;
        const char* said;
    } rows[] = {
        {"sabia sábia sabiá", "SABIA1 SABIA2 SABIA3"},
        {"Sabia, SÁBIA; Sabiá!", "SABIA1, SABIA2; SABIA3!"},
        {"sabiamente ressabia sabias", "sabiamente ressabia sabias"},
        {"(sabia)\"sabia\"-sabia", "(SABIA1)\"SABIA1\"-SABIA1"},
        {"vó vo VÓ avó", "avó vo avó avó"},  // a reading is never read again
        {"", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(speech::applyLexicon(cp(r.text), lex), cp(r.said)) << r.text;
    // The first list wins; the second fills in.
    const speech::Lexicon game = speech::parseLexicon("sabia=JOGO\n", nullptr);
    EXPECT_EQ(speech::applyLexicon(cp("sabia vó"), game, &lex), cp("JOGO avó"));
}

// The user's file is read with the settings: the own voice hears the reading,
// the screen shows the word, and a bad line is logged with its number.
TEST(Lexicon, TheOwnVoiceHearsTheUsersReading) {
    auto p = fresh();
    const std::vector<std::string> plain = [&] {
        p->trace.clear();
        p->run([] { con::speak(plat::utf8ToCp1252("Ele sabiá")); });
        return synthLines(*p);
    }();
    const std::string log = p->dir + "/log.txt";
    util::setLog(false, log);
    util::makeFolders(p->dir + "/config");
    writeText(p->dir + "/config/pronuncia.txt", "sabia=sabiá\nquebrada\n");
    p->trace.clear();
    p->run([] {
        con::loadSettings();
        con::writeAndSpeak("Ele sabia");
    });
    util::setLog(true, "");
    EXPECT_EQ(synthLines(*p), plain);
    EXPECT_TRUE(p->traced("speak Ele sabia"));
    EXPECT_NE(p->row(1).find("Ele sabia"), std::string::npos);
    std::ifstream in(log);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_NE(got.str().find("pronuncia.txt:2:"), std::string::npos) << got.str();
}

// The scope of a game's texts: its list first, then the user's; outside, the user's alone.
TEST(Lexicon, GameTextsScope) {
    speech::resetLexicons();
    speech::setUserLexicon(speech::parseLexicon("casa=lar\nsabia=x\n", nullptr));
    speech::setGameLexicon(speech::parseLexicon("sabia=sabiá\n", nullptr));
    EXPECT_EQ(speech::spokenForm("sabia casa"), "x lar");
    {
        speech::GameTexts own;
        EXPECT_EQ(speech::spokenForm("sabia casa"), cp("sabiá lar"));
        {
            speech::GameTexts nested;
            EXPECT_EQ(speech::spokenForm("sabia"), cp("sabiá"));
        }
        EXPECT_EQ(speech::spokenForm("sabia"), cp("sabiá"));
    }
    EXPECT_EQ(speech::spokenForm("sabia casa"), "x lar");
    speech::resetLexicons();
}
