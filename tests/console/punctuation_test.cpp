// The punctuation level: which marks speak() names at each level, that the pauses
// stay, and that Ctrl+P in a field cycles the level, says it and keeps it.
#include <gtest/gtest.h>

#include <algorithm>

#include "console/console.h"
#include "console_support.h"
#include "platform/platform.h"

namespace {

bool has(const Events& e, const std::string& s) { return std::find(e.begin(), e.end(), s) != e.end(); }

}  // namespace

TEST(Punctuation, EachLevelNamesItsMarksAndKeepsThePauses) {
    struct Case {
        const char* level;
        bool comma, point, colon, paren, question, at;
    } cases[] = {
        {"", true, true, true, true, true, true},  // no key: every mark, as always
        {"TODA", true, true, true, true, true, true},
        {"alguma", false, false, false, true, true, true},
        {"NENHUMA", false, false, false, false, false, true},
    };
    uint64_t firstDuration = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        std::string ini = "[SINTETIZADOR]\nPAUSAVIRG3=1000\nPAUSAPONTO3=2000\nPAUSADOISPONTOS3=3000\n";
        if (*c.level) ini += std::string("[TRADUTOR]\nPONTUACAO=") + c.level + "\n";
        auto p = fresh("", ini);
        p->trace.clear();
        const uint64_t before = p->now();
        p->run([] { con::speak("sim, a. b: (c) d? e@f"); });
        const uint64_t took = p->now() - before;
        Events s = sounds(*p);
        EXPECT_EQ(has(s, "play _44"), c.comma);
        EXPECT_EQ(has(s, "play _46"), c.point);
        EXPECT_EQ(has(s, "play _58"), c.colon);
        EXPECT_EQ(has(s, "play _40"), c.paren);
        EXPECT_EQ(has(s, "play _41"), c.paren);
        EXPECT_EQ(has(s, "play _63"), c.question);
        EXPECT_EQ(has(s, "play _64"), c.at);
        // Comma 1 s, point 2 s, colon and both parentheses 3 s each.
        EXPECT_GE(took, 12000u);
        if (!firstDuration) firstDuration = took;
        // Naming fewer marks only takes their own sound away, never a pause.
        EXPECT_LE(took, firstDuration);
    }
}

TEST(Punctuation, CtrlPCyclesSaysAndKeepsTheLevel) {
    auto p = fresh("{Right}{Right}{Ctrl+P}{Ctrl+P}{Enter}", "[TRADUTOR]\nPONTUACAO=NENHUMA\n");
    std::string text = "a,";
    p->trace.clear();
    p->run([&] { con::editField(text, 1, 1, 10, 10, true); });
    EXPECT_TRUE(p->traced("speak Pontuação toda"));
    EXPECT_TRUE(p->traced("speak Pontuação alguma"));
    // Spelling with Right names the mark whatever the level.
    EXPECT_TRUE(p->traced("play _44"));
    EXPECT_EQ(con::iniRead(con::keptSettingsPath(), "TRADUTOR", "PONTUACAO"), "ALGUMA");
    EXPECT_EQ(con::speechSettings().punctuation, con::Punctuation::Some);

    // The next start reads the kept level (a configuration named with --ini is used as it stands).
    const std::string cfg = p->dir + "/config";
    auto q = fresh("");
    setenv("ECOLAR_CONFIG_DIR", cfg.c_str(), 1);
    con::loadSettings();
    EXPECT_EQ(con::configuredPunctuation(), con::Punctuation::Some);
}

namespace {

// How a mark is treated by the punctuation levels.
enum class Kind { Meaning, Quiet, Symbol };

struct MarkRow {
    uint8_t code;
    Kind kind;
};

// Every mark of CP1252 the levels sort, plain and typographic alike.
const MarkRow kMarks[] = {
    {'?', Kind::Meaning},  {'!', Kind::Meaning},  {'(', Kind::Meaning},  {')', Kind::Meaning},
    {'[', Kind::Meaning},  {']', Kind::Meaning},  {'{', Kind::Meaning},  {'}', Kind::Meaning},
    {0xA1, Kind::Meaning}, {0xBF, Kind::Meaning},  // ¡ ¿
    {',', Kind::Quiet},    {'.', Kind::Quiet},    {':', Kind::Quiet},    {';', Kind::Quiet},
    {'-', Kind::Quiet},    {'"', Kind::Quiet},    {'\'', Kind::Quiet},   {0x82, Kind::Quiet},  // ‚
    {0x84, Kind::Quiet},   {0x85, Kind::Quiet},   {0x8B, Kind::Quiet},   {0x9B, Kind::Quiet},  // „ … ‹ ›
    {0x91, Kind::Quiet},   {0x92, Kind::Quiet},   {0x93, Kind::Quiet},   {0x94, Kind::Quiet},  // ‘ ’ “ ”
    {0x96, Kind::Quiet},   {0x97, Kind::Quiet},   {0xAB, Kind::Quiet},   {0xBB, Kind::Quiet},  // – — « »
    {'@', Kind::Symbol},   {'%', Kind::Symbol},   {'+', Kind::Symbol},   {'#', Kind::Symbol},
    {'$', Kind::Symbol},   {'&', Kind::Symbol},   {'*', Kind::Symbol},   {'/', Kind::Symbol},
    {'<', Kind::Symbol},   {'=', Kind::Symbol},   {'>', Kind::Symbol},   {'\\', Kind::Symbol},
    {'^', Kind::Symbol},   {'_', Kind::Symbol},   {'`', Kind::Symbol},   {'|', Kind::Symbol},
    {'~', Kind::Symbol},   {0x86, Kind::Symbol},  {0x87, Kind::Symbol},  {0xA6, Kind::Symbol},  // † ‡ ¦
    {0xA7, Kind::Symbol},  {0xA9, Kind::Symbol},  {0xAE, Kind::Symbol},  {0xB0, Kind::Symbol},  // § © ® °
    {0xB1, Kind::Symbol},  {0xBD, Kind::Symbol},  {0xD7, Kind::Symbol},  {0xF7, Kind::Symbol},  // ± ½ × ÷
};

bool namedAt(Kind kind, const char* level) {
    const std::string l = level;
    if (l == "TODA" || kind == Kind::Symbol) return true;
    return l == "ALGUMA" && kind == Kind::Meaning;
}

}  // namespace

// Each mark, apart and touching a word on either side, at each level: named
// exactly where the level says, and never swallowed into the words.
TEST(Punctuation, EveryMarkAtEveryLevelApartOrTouchingAWord) {
    for (const char* level : {"TODA", "ALGUMA", "NENHUMA"}) {
        auto p = fresh("", std::string("[TRADUTOR]\nPONTUACAO=") + level + "\n");
        for (const MarkRow& m : kMarks) {
            const std::string mark(1, char(m.code));
            SCOPED_TRACE(std::string(level) + " mark " + std::to_string(m.code));
            p->trace.clear();
            // Apart, after a word, before a word ("sim -nada" is no hyphenated word).
            const std::string text = "sim " + mark + " nada. sim" + mark + " nada. sim " + mark + "nada";
            p->run([&] { con::speak(text); });
            const Events s = sounds(*p);
            const std::string name = "play _" + std::to_string(m.code);
            int expected = namedAt(m.kind, level) ? 3 : 0;
            if (m.code == '.') expected = namedAt(m.kind, level) ? 5 : 0;  // the two full stops too
            EXPECT_EQ(countPrefix(s, name), expected);
            // The words stay words: two runs a part, none holding the mark.
            EXPECT_EQ(countPrefix(s, "synth "), 6);
        }
    }
}

// The marks of a question or an exclamation are both kept, the opening one and the closing one.
TEST(Punctuation, InvertedMarksKeepTheSentenceFinalMark) {
    const struct {
        const char* level;
        Events names;
    } rows[] = {
        {"TODA", {"play _191", "play _63", "play _161", "play _33"}},
        {"ALGUMA", {"play _191", "play _63", "play _161", "play _33"}},
        {"NENHUMA", {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.level);
        auto p = fresh("", std::string("[TRADUTOR]\nPONTUACAO=") + r.level + "\n");
        p->trace.clear();
        p->run([] { con::speak("\xBFque? \xA1sim!"); });
        Events names;
        for (const std::string& e : sounds(*p))
            if (e.rfind("play _", 0) == 0) names.push_back(e);
        EXPECT_EQ(names, r.names);
        EXPECT_EQ(countPrefix(sounds(*p), "synth "), 2);
    }
}

// A mark's name keeps the pace of the speed: at speed 5 it takes less than half
// of what it takes at speed 1.
TEST(Punctuation, MarkNamesFollowTheSpeed) {
    auto timeAt = [](int speed, const char* text) {
        auto p = fresh();
        p->run([speed] { con::startSpeech(speed, ""); });
        p->trace.clear();
        const uint64_t before = p->now();
        p->run([text] { con::speak(text); });
        EXPECT_TRUE(p->traced("play _" + std::to_string(uint8_t(text[0])))) << speed;
        return p->now() - before;
    };
    for (const char* mark : {"?", "@", "\x93"}) {
        SCOPED_TRACE(mark);
        const uint64_t slow = timeAt(1, mark), fast = timeAt(5, mark);
        EXPECT_GT(slow, 0u);
        EXPECT_LT(fast * 2, slow);
    }
}
