// The choice menu: moving, searching by first character, beeps, scrolling, the
// announcement of options and the screen restored under it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/review.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

std::unique_ptr<InProc> fresh(const std::string& keys = "") { return quietConsole(keys); }

// What was said and beeped, in order ("speak ..." and "beep").
std::vector<std::string> heard(const InProc& p) { return spokenAndBeeped(p); }

struct MenuRun {
    int result = -1;
    int exitCode = -1;
    std::string chosen;
};

// Opens a menu with the options of `list` ("A|B|C") and runs it.
MenuRun runMenu(InProc& p, const std::string& list, int x = 10, int y = 5, int width = 20,
                int height = -1, int background = 4) {
    std::vector<std::string> opts;
    size_t from = 0;
    for (;;) {
        size_t bar = list.find('|', from);
        opts.push_back(list.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
        if (bar == std::string::npos) break;
        from = bar + 1;
    }
    MenuRun r;
    r.exitCode = p.run([&] {
        con::menuOpen(x, y, width, height < 0 ? int(opts.size()) : height, background);
        for (const std::string& o : opts) con::menuAdd("", plat::cp(o.c_str()));
        r.result = con::menuRun();
    });
    r.chosen = plat::cp1252ToUtf8(con::menuLastChosen());
    return r;
}

const char* kFonts = "Arial|Courier New|Times New Roman|Verdana";

}  // namespace

TEST(ChoiceMenu, EnterChoosesTheCurrentOption) {
    auto p = fresh("{Down}{Down}{Enter}");
    MenuRun r = runMenu(*p, kFonts);
    EXPECT_EQ(r.result, 3);
    EXPECT_EQ(r.chosen, "Times New Roman");
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Arial", "speak Courier New",
                                                    "speak Times New Roman"}));
}

TEST(ChoiceMenu, LetterSearchThenNoMatchBeepsAndEnterGivesNothing) {
    auto p = fresh("tx{Enter}");
    MenuRun r = runMenu(*p, kFonts);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.chosen, "");
    // x matches nothing: a beep, and Enter with no option current beeps again.
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Arial", "speak Times New Roman", "beep",
                                                    "beep"}));
}

TEST(ChoiceMenu, SameLetterCyclesThroughItsOptions) {
    // Digits and signs search like letters; leading blanks are skipped.
    auto d = fresh("2-{Enter}");
    EXPECT_EQ(runMenu(*d, "1 um|2 dois| -menos|+mais").result, 3);

    auto p = fresh("mmmmm{Enter}");
    MenuRun r = runMenu(*p, "Maria|Pedro|  marta|Mario|Paulo");
    EXPECT_EQ(r.result, 3);
    EXPECT_EQ(r.chosen, "  marta");
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Maria", "speak   marta", "speak Mario",
                                                    "beep", "speak Maria", "speak   marta"}));
}

TEST(ChoiceMenu, MovingPastTheEndsBeepsAndComesBack) {
    auto p = fresh("{Up}{Down}{End}{Down}{Up}{Enter}");
    MenuRun r = runMenu(*p, kFonts);
    EXPECT_EQ(r.result, 4);
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Arial", "beep", "speak Arial", "speak Verdana",
                                                    "beep", "speak Verdana"}));
}

TEST(ChoiceMenu, EscapeGivesZeroAndNoChosenText) {
    auto p = fresh("{Down}{Esc}");
    MenuRun r = runMenu(*p, kFonts);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.chosen, "");
    EXPECT_EQ(p->tracedCount("beep"), 0);

    // A chosen text from an earlier run is forgotten by the next one.
    auto q = fresh("{Enter}{Esc}");
    EXPECT_EQ(runMenu(*q, kFonts).chosen, "Arial");
    EXPECT_EQ(runMenu(*q, kFonts).chosen, "");
}

TEST(ChoiceMenu, PagesAndHomeEnd) {
    std::string list;
    for (int i = 1; i <= 25; ++i) list += (i > 1 ? "|" : "") + std::string("Item ") + std::to_string(i);
    auto p = fresh("{PgDn}{PgDn}{PgDn}{PgUp}{Home}{Ctrl+PgDn}{Ctrl+PgUp}{PgDn}{Enter}");
    MenuRun r = runMenu(*p, list, 1, 1, 20, 25);
    EXPECT_EQ(r.result, 11);
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Item 1", "speak Item 11", "speak Item 21",
                                                    "beep", "speak Item 16", "speak Item 1",
                                                    "speak Item 25", "speak Item 1", "speak Item 11"}));
}

TEST(ChoiceMenu, RightSpellsTheOption) {
    auto p = fresh("{Right}{Enter}");
    runMenu(*p, "Ok|Nada");
    std::vector<std::string> plays;
    for (const std::string& e : p->trace)
        if (e.rfind("play _", 0) == 0) plays.push_back(e);
    ASSERT_GE(plays.size(), 2u);
    EXPECT_EQ(plays[plays.size() - 2], "play _79");
    EXPECT_EQ(plays.back(), "play _107");
}

TEST(ChoiceMenu, RecordedPromptOfTheOptionKeyIsPlayed) {
    auto p = fresh("{Down}{Enter}");
    // Any file will do for existence; the player skips what it cannot play.
    ASSERT_TRUE(writeText(p->dir + "/LUCRIAR.wav", "RIFF"));
    con::speechSettings().soundFolder = p->dir + "/";
    int result = -1;
    p->run([&] {
        con::menuOpen(1, 1, 12, 2, 4);
        con::menuAdd("LUJOGAR", "Jogar");
        con::menuAdd("LUCRIAR", "Criar");
        result = con::menuRun();
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(p->traced("speak Jogar"));
    EXPECT_TRUE(p->traced("play LUCRIAR"));
    EXPECT_FALSE(p->traced("speak Criar"));
}

TEST(ChoiceMenu, DrawnInsideTheScreenWithHighlight) {
    // No keys: the script runs out while the menu waits, leaving it on screen.
    auto p = fresh("{Down}");
    MenuRun r = runMenu(*p, kFonts, 60, 24, 30, 4, 4);
    EXPECT_EQ(r.exitCode, 3);
    // Pulled left to column 50 and up so that its four rows fit.
    EXPECT_EQ(p->row(22), std::string(49, ' ') + "Arial");
    EXPECT_EQ(p->row(23), std::string(49, ' ') + "Courier New");
    EXPECT_EQ(p->row(25), std::string(49, ' ') + "Verdana");
    EXPECT_EQ(p->attr(50, 22), 0x4F);  // plain options: white on red
    EXPECT_EQ(p->attr(79, 22), 0x4F);  // padded to the width
    EXPECT_EQ(p->attr(80, 22), 0x0F);
    EXPECT_EQ(p->attr(50, 23), 0x4E);  // the current one in yellow
    EXPECT_EQ(con::whereX(), 50);
    EXPECT_EQ(con::whereY(), 23);
}

TEST(ChoiceMenu, ScrollsToShowTheCurrentOption) {
    std::string list;
    for (int i = 1; i <= 12; ++i) list += (i > 1 ? "|" : "") + std::string("Opt ") + std::to_string(i);
    auto p = fresh("{End}");
    MenuRun r = runMenu(*p, list, 1, 20, 10, 6);
    EXPECT_EQ(r.exitCode, 3);
    // Six rows from row 20: option 12 is on the last row, options 7-12 shown.
    for (int row = 20; row <= 25; ++row) EXPECT_EQ(p->row(row), "Opt " + std::to_string(row - 13)) << row;
    EXPECT_EQ(p->attr(1, 25), 0x4E);

    auto q = fresh("{End}{Home}");
    runMenu(*q, list, 1, 20, 10, 6);
    for (int row = 20; row <= 25; ++row) EXPECT_EQ(q->row(row), "Opt " + std::to_string(row - 19)) << row;
}

TEST(ChoiceMenu, RestoresScreenColoursAndCursor) {
    auto p = fresh("{Down}{Enter}");
    int result = -1;
    p->run([&] {
        con::setTextAttr(0x1A);
        for (int r = 3; r <= 8; ++r) {
            con::gotoXY(1, r);
            con::write("row " + std::to_string(r) + " " + std::string(20, '.'));
        }
        con::setTextAttr(0x2C);
        con::gotoXY(6, 5);
        con::write("MIX");  // a second attribute run inside the rectangle
        con::setTextAttr(0x07);
        con::gotoXY(33, 17);
        con::menuOpen(4, 4, 12, 3, 5);
        con::menuAdd("", "um");
        con::menuAdd("", "dois");
        con::menuAdd("", "tres");
        result = con::menuRun();
    });
    EXPECT_EQ(result, 2);
    const std::string dots(20, '.');
    EXPECT_EQ(p->row(4), "row 4 " + dots);
    EXPECT_EQ(p->row(5), "row 5MIX" + dots.substr(2));
    EXPECT_EQ(p->row(6), "row 6 " + dots);
    EXPECT_EQ(p->attr(4, 4), 0x1A);
    EXPECT_EQ(p->attr(6, 5), 0x2C);
    EXPECT_EQ(p->attr(9, 5), 0x1A);
    EXPECT_EQ(p->attr(15, 6), 0x1A);
    EXPECT_EQ(con::textAttr(), 0x07);
    EXPECT_EQ(con::whereX(), 33);
    EXPECT_EQ(con::whereY(), 17);
    EXPECT_TRUE(con::menuState().options.empty());
}

TEST(ChoiceMenu, EmptyMenuBeepsAndGivesZero) {
    auto p = fresh("{Down}{Enter}");
    int result = -1;
    p->run([&] {
        con::menuOpen(1, 1, 10, 3, 4);
        result = con::menuRun();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(p->tracedCount("beep"), 3);
    EXPECT_EQ(con::menuLastChosen(), "");
}

TEST(ChoiceMenu, TextsAreCutToTheWidthAndControlBytesShowAsBlanks) {
    auto p = fresh("");
    runMenu(*p, std::string("a\rb\nc\bd|abcdefghijklmnop"), 1, 1, 8, 2);
    EXPECT_EQ(p->row(1), "a b c d");
    EXPECT_EQ(p->row(2), "abcdefgh");
}

TEST(ChoiceMenu, WiderThanTheScreenStaysOnIt) {
    auto p = fresh("");
    runMenu(*p, "x|y", 5, 3, 200, 2);
    EXPECT_EQ(con::menuState().x, 1);
    EXPECT_EQ(con::menuState().width, 80);
    EXPECT_EQ(p->row(3), "x");
    EXPECT_EQ(p->row(4), "y");
    EXPECT_EQ(p->row(5), "");
}

TEST(ChoiceMenu, FocusLostWaitsForTheNextKey) {
    // 223 is the pseudo-key of a window that lost the focus; "ß" types the same code.
    auto p = fresh("ß{Enter}");
    uint64_t start = p->now();
    EXPECT_EQ(runMenu(*p, kFonts).result, 1);
    EXPECT_GE(p->now() - start, 60000u);  // the headless user typed only after a minute
}

// Ctrl+Alt+F9 (Ctrl+Shift+F9 on a Linux keyboard) reviews the screen from a menu too;
// Esc comes back to the menu on the same option, and without the review the key is
// just an unknown key.
TEST(ChoiceMenu, ScreenReviewLeavesTheMenuOnItsOption) {
    for (bool review : {true, false}) {
        SCOPED_TRACE(review);
        auto p = fresh("{Down}{Ctrl+Alt+F9}{Esc}{Enter}");
        if (review) con::installScreenReview();
        MenuRun r = runMenu(*p, kFonts);
        EXPECT_EQ(r.result, review ? 2 : 0);
        // The review beeps once on entry and twice on leaving.
        EXPECT_EQ(p->tracedCount("beep"), review ? 3 : 0);
        EXPECT_EQ(r.chosen, review ? "Courier New" : "");
    }
}
