// The list view: moving, marks and their colours, the keys handed back, scrolling
// and what is said.
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
#include "support/inproc.h"

namespace {

std::unique_ptr<InProc> fresh(const std::string& keys = "") { return quietConsole(keys); }

std::vector<std::string> heard(const InProc& p) { return spokenAndBeeped(p); }

struct ListRun {
    con::ListResult res;
    int exitCode = -1;
};

// A list of `n` items "Item 1" ... in the region, run from `start`.
ListRun runList(InProc& p, int n, int start = 1, bool speakFirst = true, int x1 = 5, int y1 = 3,
                int x2 = 30, int y2 = 8) {
    ListRun r;
    r.exitCode = p.run([&] {
        con::listOpen(x1, y1, x2, y2);
        for (int i = 1; i <= n; ++i) con::listAdd("Item " + std::to_string(i));
        r.res = con::listRun(start, speakFirst);
    });
    return r;
}

}  // namespace

TEST(ListView, ArrowsMoveAndEnterEndsOnTheItem) {
    auto p = fresh("{Down}{Down}{Up}{Enter}");
    ListRun r = runList(*p, 4);
    EXPECT_EQ(r.res.key, 13);
    EXPECT_EQ(r.res.ext, 0);
    EXPECT_EQ(r.res.item, 2);
    EXPECT_TRUE(r.res.valid);
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Item 1", "speak Item 2", "speak Item 3",
                                                    "speak Item 2"}));
    EXPECT_EQ(p->row(3), "    Item 1");
    EXPECT_EQ(p->attr(5, 4), 0x0E);   // the current item in yellow
    EXPECT_EQ(p->attr(5, 3), 0x0F);   // the others in the run's colour
    EXPECT_EQ(p->attr(30, 4), 0x0E);  // padded to the region's width
    EXPECT_EQ(p->attr(31, 4), 0x0F);
}

TEST(ListView, StartsWhereAskedAndMaySpeakNothingFirst) {
    auto p = fresh("x");
    ListRun r = runList(*p, 5, 4, false);
    EXPECT_EQ(r.res.key, 'x');
    EXPECT_EQ(r.res.item, 4);
    EXPECT_TRUE(heard(*p).empty());
    EXPECT_EQ(p->attr(5, 6), 0x0E);
    EXPECT_EQ(con::whereX(), 5);
    EXPECT_EQ(con::whereY(), 6);
}

TEST(ListView, AsteriskMarksAllAndMarkedLinesAreGreen) {
    auto p = fresh("*{Down}{Esc}");
    ListRun r = runList(*p, 3);
    EXPECT_EQ(r.res.key, 27);
    EXPECT_EQ(r.res.item, 2);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(con::listItem(i).marked) << i;
    EXPECT_EQ(p->attr(5, 3), 0x02);
    EXPECT_EQ(p->attr(5, 4), 0x0E);
    EXPECT_EQ(p->attr(5, 5), 0x02);
    // A marked item is announced with a beep before its text.
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Item 1", "beep", "speak Item 1", "beep",
                                                    "speak Item 2"}));
}

TEST(ListView, SpacePlusMinusAndSlash) {
    auto p = fresh("{Space}{Down}+{Down}+-{Down}{Space}{Space}{Esc}");
    runList(*p, 4);
    EXPECT_TRUE(con::listItem(1).marked);
    EXPECT_TRUE(con::listItem(2).marked);
    EXPECT_FALSE(con::listItem(3).marked);
    EXPECT_FALSE(con::listItem(4).marked);
    EXPECT_EQ(p->attr(5, 6), 0x0E);  // the current item stays yellow
    EXPECT_EQ(p->attr(5, 5), 0x0F);

    auto q = fresh("*/{Esc}");
    runList(*q, 3);
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(con::listItem(i).marked) << i;
}

TEST(ListView, EndBeepsThenDownGoesBeyondTheLast) {
    auto p = fresh("{End}{Down}{Esc}");
    ListRun r = runList(*p, 3);
    EXPECT_EQ(r.res.item, 4);
    EXPECT_FALSE(r.res.valid);
    EXPECT_EQ(heard(*p), (std::vector<std::string>{"speak Item 1", "beep", "speak Item 3", "beep"}));

    // And back again from beyond either end.
    auto q = fresh("{Up}{Down}{F2}");
    ListRun s = runList(*q, 3);
    EXPECT_EQ(s.res.item, 1);
    EXPECT_TRUE(s.res.valid);
    EXPECT_EQ(heard(*q), (std::vector<std::string>{"speak Item 1", "beep", "speak Item 1"}));

    auto u = fresh("{Up}{Enter}");
    ListRun t = runList(*u, 3);
    EXPECT_EQ(t.res.item, 0);
    EXPECT_FALSE(t.res.valid);
    EXPECT_EQ(con::listItem(0).text, "");
    EXPECT_EQ(con::listItem(4).text, "");

    // Home and End beep even when they land on an item.
    auto v = fresh("{Down}{Down}{Ctrl+PgUp}{Ctrl+PgDn}{Home}{Enter}");
    EXPECT_EQ(runList(*v, 5).res.item, 1);
    EXPECT_EQ(v->tracedCount("beep"), 3);
}

TEST(ListView, FunctionAndSideKeysEndTheRun) {
    auto p = fresh("{Down}{F9}");
    ListRun r = runList(*p, 4);
    EXPECT_EQ(r.res.key, 0);
    EXPECT_EQ(r.res.ext, 67);
    EXPECT_EQ(r.res.item, 2);
    EXPECT_TRUE(r.res.valid);

    for (const char* key : {"{Ctrl+F1}", "{Left}", "{Right}", "{F12}"}) {
        auto q = fresh(std::string("{Down}{Down}") + key);
        ListRun s = runList(*q, 4);
        EXPECT_EQ(s.res.item, 3) << key;
        EXPECT_NE(s.res.ext, 0) << key;
    }
    // Other extended keys are ignored.
    auto q = fresh("{Del}{Ins}{Enter}");
    EXPECT_EQ(runList(*q, 4).res.key, 13);
}

TEST(ListView, ScrollsAPageAtATime) {
    auto p = fresh("{PgDn}{Esc}");
    ListRun r = runList(*p, 20, 1, true, 1, 10, 20, 12);
    EXPECT_EQ(r.res.item, 11);
    EXPECT_EQ(p->row(10), "Item 9");
    EXPECT_EQ(p->row(11), "Item 10");
    EXPECT_EQ(p->row(12), "Item 11");
    EXPECT_EQ(p->attr(1, 12), 0x0E);

    // Rows past the last item are blank; a start beyond the end is just past it.
    auto q = fresh("{Esc}");
    ListRun s = runList(*q, 2, 50, true, 1, 10, 20, 12);
    EXPECT_EQ(s.res.item, 3);
    EXPECT_FALSE(s.res.valid);
}

TEST(ListView, ClearBlanksTheRegionOnly) {
    auto p = fresh("{Esc}");
    runList(*p, 6, 1, false, 5, 3, 30, 8);
    p->run([] {
        con::gotoXY(1, 9);
        con::write("below");
        con::listClear();
    });
    for (int row = 3; row <= 8; ++row) EXPECT_EQ(p->row(row), "") << row;
    EXPECT_EQ(p->row(9), "below");
    EXPECT_EQ(con::whereX(), 5);
    EXPECT_EQ(con::whereY(), 3);
}

TEST(ListView, RegionOutsideTheScreenIsKeptOnIt) {
    auto p = fresh("{Esc}");
    ListRun r = runList(*p, 3, 1, false, 70, 24, 200, 40);
    EXPECT_EQ(r.res.key, 27);
    EXPECT_EQ(p->row(24), std::string(69, ' ') + "Item 1");
    EXPECT_EQ(p->row(25), std::string(69, ' ') + "Item 2");
    EXPECT_EQ(p->row(1), "");  // nothing wrapped or scrolled
}

TEST(ListView, RunColourIsRestored) {
    auto p = fresh("{Esc}");
    p->run([] { con::setTextAttr(0x13); });
    runList(*p, 2);
    EXPECT_EQ(con::textAttr(), 0x13);
    EXPECT_EQ(p->attr(5, 4), 0x13);
    EXPECT_EQ(p->attr(5, 3), 0x1E);
}

// A list, like a menu, enters the screen review on Ctrl+Alt+F9 and comes back on its item.
TEST(ListView, ScreenReviewComesBackToTheItem) {
    auto p = fresh("{Down}{Ctrl+Alt+F9}{Esc}{Enter}");
    con::installScreenReview();
    ListRun r = runList(*p, 4);
    EXPECT_EQ(r.res.key, 13);
    EXPECT_EQ(r.res.item, 2);
    EXPECT_EQ(p->tracedCount("beep"), 3);
}
