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
