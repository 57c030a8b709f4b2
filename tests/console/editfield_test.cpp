// The spoken line editor: typing, deleting, selection, clipboard, the keys that
// end an edit and those that speak, and readLine.
#include <gtest/gtest.h>

#include <algorithm>

#include "console/console.h"
#include "console/textwin.h"
#include "console_support.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {

struct Edit {
    std::string text;
    int key = -1;
    std::unique_ptr<InProc> p;
};

// Runs one edit in a fresh console; the run before it is closed first.
void edit(Edit& e, const std::string& start, const std::string& keys, bool editable = true, int maxLen = 40,
          int width = 40, int col = 1, int row = 5) {
    e.p.reset();
    e.text = start;
    e.key = -1;
    e.p = fresh(keys);
    e.p->trace.clear();
    e.p->run([&] { e.key = con::editField(e.text, col, row, maxLen, width, editable); });
}

int endKey(const std::string& keys) {
    Edit e;
    edit(e, "a", keys);
    return e.key;
}

}  // namespace

TEST(EditField, FirstTypedKeyReplacesTheTextUnlessTheCursorMovedFirst) {
    Edit e;
    edit(e, "abc", "x{Enter}");
    EXPECT_EQ(e.text, "x");
    EXPECT_EQ(e.key, 13);
    EXPECT_EQ(e.p->tracedCount("click"), 2);
    EXPECT_TRUE(e.p->traced("play _120"));  // the echo of x

    edit(e, "abc", "{Right}x{Enter}");
    EXPECT_EQ(e.text, "axbc");
    EXPECT_EQ(e.p->tracedCount("click"), 0);
    EXPECT_EQ(e.p->row(5), "axbc");

    // Not editable: the clicks still warn, the text stays.
    edit(e, "abc", "x{Esc}", false);
    EXPECT_EQ(e.text, "abc");
    EXPECT_EQ(e.key, 27);
    EXPECT_EQ(e.p->tracedCount("click"), 2);
}

TEST(EditField, DeletingKeysAndTheirSounds) {
    Edit e;
    edit(e, "abc", "{Backspace}{Enter}");
    EXPECT_EQ(e.text, "abc");
    EXPECT_EQ(e.p->tracedCount("beep"), 1);

    edit(e, "abc", "{End}{Backspace}{Enter}");
    EXPECT_EQ(e.text, "ab");
    EXPECT_EQ(sounds(*e.p), (Events{"play _DEL", "play _99"}));

    edit(e, "abc", "{Right}{Del}{Tab}");
    EXPECT_EQ(e.text, "ac");
    EXPECT_EQ(e.key, 9);

    edit(e, "um dois  tres", "{End}{Ctrl+Left}{Ctrl+Backspace}{Enter}");
    EXPECT_EQ(e.text, "um dois");

    edit(e, "um dois  tres", "{Right}{Right}{Right}{Right}{Ctrl+Backspace}{Enter}");
    EXPECT_EQ(e.text, "um tres");
    // "_DEL" once, then every deleted character, blanks included.
    Events s = sounds(*e.p);
    auto del = std::find(s.begin(), s.end(), "play _DEL");
    ASSERT_NE(del, s.end());
    EXPECT_EQ(Events(del, s.end()), (Events{"play _DEL", "play _100", "play _111", "play _105", "play _115",
                                            "play _32", "play _32"}));

    edit(e, "abcdef", "{Right}{Right}{Ctrl+D}{Enter}");
    EXPECT_EQ(e.text, "ab");
    EXPECT_TRUE(e.p->traced("play _APFCPO"));
    edit(e, "abcdef", "{Right}{Right}{Ctrl+S}{Enter}");
    EXPECT_EQ(e.text, "cdef");
    EXPECT_TRUE(e.p->traced("play _APICPO"));
    edit(e, "abcdef", "{Right}{Ctrl+Y}{Enter}");
    EXPECT_EQ(e.text, "");
    EXPECT_TRUE(e.p->traced("play _CPOAPA"));

    // Without editable every deletion leaves the text as it was.
    edit(e, "abcdef", "{End}{Backspace}{Home}{Del}{Ctrl+D}{Ctrl+Y}{Enter}", false);
    EXPECT_EQ(e.text, "abcdef");
}

TEST(EditField, CtrlUBringsBackTheStartingText) {
    Edit e;
    edit(e, "abc", "{End}{Backspace}{Backspace}z{Ctrl+U}{Enter}");
    EXPECT_EQ(e.text, "abc");
    EXPECT_EQ(e.p->tracedCount("beep"), 3);
}

TEST(EditField, FullFieldRefusesMoreAndMovesBeepAtTheEnds) {
    Edit e;
    edit(e, "abc", "{End}x{Enter}", true, 3, 3);
    EXPECT_EQ(e.text, "abc");
    EXPECT_EQ(e.p->tracedCount("beep"), 1);

    edit(e, "ab", "{Left}{Right}{Right}{Right}{Enter}");
    EXPECT_EQ(sounds(*e.p), (Events{"beep", "play _97", "play _98", "beep"}));

    edit(e, "um 22 tres", "{Ctrl+Right}{Ctrl+Right}{Ctrl+Right}x{Enter}");
    EXPECT_EQ(e.text, "um 22 tresx");
    EXPECT_EQ(e.p->tracedCount("click"), 2);
    EXPECT_EQ(e.p->tracedCount("beep"), 1);
}

TEST(EditField, ShiftSelectsCopyAndPasteGoThroughTheClipboard) {
    auto p = fresh("{Shift+Right}{Shift+Right}{Ctrl+C}{End}{Ctrl+V}{Enter}");
    std::string text = "abc";
    int key = 0;
    p->run([&] { key = con::editField(text, 1, 5, 40, 40, true); });
    EXPECT_EQ(text, "abcab");
    EXPECT_EQ(key, 13);

    // The selection shows on background 8 while the edit runs, and is gone after it.
    static int selected = -1, unselected = -1;
    p.reset();
    p = fresh("{Shift+Right}{Shift+Right}{Ctrl+Alt+F9}{Enter}");
    con::setReviewHook([] {
        selected = con::screenAttr(1, 5);
        unselected = con::screenAttr(3, 5);
    });
    text = "abc";
    p->run([&] {
        con::setTextAttr(0x0F);
        con::editField(text, 1, 5, 40, 40, true);
    });
    EXPECT_EQ(selected, 0x8F);
    EXPECT_EQ(unselected, 0x0F);
    EXPECT_EQ(p->attr(1, 5), 0x0F);

    // A pasted text replaces the selection and stops at its first line end.
    p.reset();
    p = fresh("{Home}{Shift+End}{Shift+Ins}{Enter}");
    p->run([&] {
        plat::front().clipboardSet("novo\r\nresto");
        text = "velho";
        con::editField(text, 1, 5, 40, 40, true);
    });
    EXPECT_EQ(text, "novo");

    // Copy without a selection takes the whole field and a line end.
    p.reset();
    p = fresh("{Ctrl+Ins}{Enter}");
    p->run([&] {
        text = "linha ";
        con::editField(text, 1, 5, 40, 40, true);
    });
    EXPECT_EQ(plat::front().clipboardGet(), "linha\r\n");

    // Delete takes the selected characters and says each one.
    p.reset();
    p = fresh("{Right}{Shift+Right}{Shift+Right}{Del}{Enter}");
    p->trace.clear();
    p->run([&] {
        text = "abcd";
        con::editField(text, 1, 5, 40, 40, true);
    });
    EXPECT_EQ(text, "ad");
    Events s = sounds(*p);
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ((Events(s.end() - 3, s.end())), (Events{"play _DEL", "play _98", "play _99"}));
}

TEST(EditField, TheVisibleStretchScrollsAndTheLastRowIsNarrower) {
    std::string long100(100, 'y');
    Edit e;
    edit(e, long100, "{Enter}", true, 100, 80, 1, 25);
    EXPECT_EQ(e.p->row(25), std::string(79, 'y'));

    edit(e, long100, "{Enter}", true, 100, 80, 1, 24);
    EXPECT_EQ(e.p->row(24), std::string(80, 'y'));

    edit(e, "0123456789abcdef", "{End}{Enter}", true, 40, 10, 3, 5);
    EXPECT_EQ(e.p->row(5), "  6789abcdef");

    // Control codes in a text from a file show as blanks and move nothing.
    edit(e, "a\nb\rc\bd", "{Enter}", true, 40, 40, 1, 25);
    EXPECT_EQ(e.p->row(25), "a b c d");
    EXPECT_EQ(e.p->row(24), "");
}

TEST(EditField, KeysThatEndTheEditAndKeysThatAreIgnored) {
    EXPECT_EQ(endKey("{Up}"), 72);
    EXPECT_EQ(endKey("{PgDn}"), 81);
    EXPECT_EQ(endKey("{F2}"), 60);
    EXPECT_EQ(endKey("{Ctrl+F9}"), 102);
    EXPECT_EQ(endKey("{Ctrl+Enter}"), 10);
    Edit e;
    edit(e, "a", "{Alt+Left}{Ctrl+B}{Enter}");
    EXPECT_EQ(e.key, 13);
    EXPECT_EQ(e.text, "a");
}

TEST(EditField, SpeakingKeys) {
    Edit e;
    edit(e, "abc", "{End}{Ctrl+K}{Enter}");
    EXPECT_TRUE(e.p->traced("speak 4"));

    edit(e, "  casa 42 brr", "{F1}{F1}{F1}{F1}x{Enter}");
    EXPECT_TRUE(e.p->traced("speak casa"));
    EXPECT_TRUE(e.p->traced("speak 42"));
    // Only consonants: spelled.
    Events s = sounds(*e.p);
    auto b = std::find(s.begin(), s.end(), "play _98");
    ASSERT_NE(b, s.end());
    EXPECT_EQ(e.p->tracedCount("beep"), 1);  // the fourth F1 finds the end
    EXPECT_EQ(e.text, "  casa 42 brrx");

    edit(e, "abc def", "{Ctrl+F1}{Enter}");
    EXPECT_TRUE(e.p->traced("speak abc def"));

    edit(e, "ab", "{Alt+Right}{Right}{Enter}");
    EXPECT_EQ(sounds(*e.p), (Events{"play _FON97", "play _98"}));

    edit(e, "", "{F4}a{F4}b{Enter}");
    EXPECT_EQ(sounds(*e.p), (Events{"play _FALDLG", "play _FALACI", "play _98"}));
    EXPECT_EQ(e.text, "ab");
}

TEST(EditField, ReviewHookOnCtrlAltF9) {
    static int calls = 0;
    calls = 0;
    auto p = fresh("{Ctrl+Alt+F9}{Enter}");
    con::setReviewHook([] { ++calls; });
    std::string text = "a";
    int key = 0;
    p->run([&] { key = con::editField(text, 1, 5, 10, 10, true); });
    EXPECT_EQ(key, 13);
    EXPECT_EQ(calls, 1);
}

TEST(EditField, CtrlF4ChangesTheSpeed) {
    auto p = fresh("{Ctrl+F4}5{Enter}");
    std::string text;
    p->run([&] { con::editField(text, 1, 5, 10, 10, true); });
    EXPECT_EQ(con::speechSettings().speed, 5);
    EXPECT_TRUE(p->traced("play _VELOC"));

    p.reset();
    p = fresh("{Ctrl+F4}9{Enter}", "[TRADUTOR]\nVELOCIDADE=2\n");
    p->run([&] { con::editField(text, 1, 5, 10, 10, true); });
    EXPECT_EQ(con::speechSettings().speed, 3);

    p.reset();
    p = fresh("{Ctrl+F4}{Esc}{Enter}", "[TRADUTOR]\nVELOCIDADE=2\n");
    p->run([&] { con::editField(text, 1, 5, 10, 10, true); });
    EXPECT_EQ(con::speechSettings().speed, 2);
}

TEST(EditField, F12OpensTheWordUnderTheCursor) {
    static std::vector<std::string> launched;
    launched.clear();
    auto p = fresh("{Right}{Right}{Right}{Right}{Right}{Right}{F12}{End}{F12}{Enter}",
                   "[ECOLAR]\nPROG.TXT=c:\\bin\\editor\n");
    con::console().launcher = [](const std::string& prog, const std::vector<std::string>& args) {
        launched.push_back(prog + "|" + (args.empty() ? std::string() : args[0]));
        return true;
    };
    std::string text = "veja (nota.txt) www.site.br";  // the marks around a name are not part of it
    p->run([&] { con::editField(text, 1, 5, 60, 60, true); });
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[0], plat::familyRoot() + "/bin/editor|nota.txt");
    EXPECT_EQ(launched[1], "|http://www.site.br");

    launched.clear();
    p.reset();
    p = fresh("{F12}{Enter}");
    con::console().launcher = [](const std::string& prog, const std::vector<std::string>&) {
        launched.push_back(prog);
        return true;
    };
    text = "   ";
    p->run([&] { con::editField(text, 1, 5, 60, 60, true); });
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(p->tracedCount("beep"), 1);
}

// The gate a layer above registers decides before anything starts: programs
// and other documents are asked about as such, and a refusal starts nothing.
TEST(EditField, DocumentGateDecidesBeforeAnythingStarts) {
    static std::vector<std::string> launched, asked;
    static bool answer = true;
    const struct {
        const char* text;
        bool allow;
        const char* kind;
        size_t launches;
    } rows[] = {
        {"jogo.exe", true, "program", 1},  {"jogo.EXE", false, "program", 0}, {"util.com", false, "program", 0},
        {"nota.txt", true, "document", 1}, {"nota.txt", false, "document", 0},
        {"www.site.br", false, "document", 0},
    };
    for (const auto& r : rows) {
        launched.clear();
        asked.clear();
        answer = r.allow;
        auto p = fresh("{F12}{Enter}");
        con::console().launcher = [](const std::string& prog, const std::vector<std::string>& args) {
            launched.push_back(prog + "|" + (args.empty() ? std::string() : args[0]));
            return true;
        };
        con::setDocumentGate([](con::DocumentKind kind, const std::string& name) {
            asked.push_back(std::string(kind == con::DocumentKind::Program ? "program " : "document ") + name);
            return answer;
        });
        std::string text = r.text;
        p->run([&] { con::editField(text, 1, 5, 60, 60, true); });
        con::setDocumentGate(nullptr);
        EXPECT_EQ(asked, std::vector<std::string>{std::string(r.kind) + " " + r.text}) << r.text;
        EXPECT_EQ(launched.size(), r.launches) << r.text;
    }
}

TEST(ReadLine, EscEmptiesTheTextAndBlanksWhatWasTyped) {
    auto p = fresh("abc{Esc}");
    std::string text = "old";
    p->run([&] {
        con::gotoXY(5, 7);
        con::write("> ");
        con::readLine(text);
    });
    EXPECT_EQ(text, "");
    EXPECT_EQ(p->row(7), "    >");
    EXPECT_EQ(con::whereY(), 8);

    p.reset();
    p = fresh("abc{Enter}");
    p->run([&] {
        con::gotoXY(1, 7);
        con::readLine(text);
    });
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(p->row(7), "abc");
    EXPECT_EQ(con::whereX(), 1);
    EXPECT_EQ(con::whereY(), 8);
}
