// Forms through the headless front: announcements, movement and the beeps at
// both ends, F9 choices, widths, scrolling and the write-back of every target.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "console/config.h"
#include "console/console.h"
#include "console/form.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

using Events = std::vector<std::string>;

struct Form {
    std::unique_ptr<InProc> p;
    std::string savedRoot = plat::familyRoot();

    explicit Form(const std::string& keys) {
        p = std::make_unique<InProc>(keys, "", false);
    }
    ~Form() { plat::setFamilyRoot(savedRoot); }

    // Starts a form on row `top`.
    void start(int top) {
        con::gotoXY(1, top);
        con::formStart();
    }
    // Runs it; the key that ended it, or -(exit code) when the key script ran out.
    int run(bool editable = true) {
        p->trace.clear();
        int key = 0;
        int rc = p->run([&] { key = con::formRun(editable); });
        return rc == -1 ? key : -rc;
    }
    Events said() const {
        Events out;
        for (const std::string& e : p->trace)
            if (e.rfind("speak ", 0) == 0) out.push_back(plat::utf8ToCp1252(e.substr(6)));
        return out;
    }
    int beeps() const { return p->tracedCount("beep"); }
};

}  // namespace

TEST(Form, MovingPastEitherEndBeepsAndComesBack) {
    Form f("{Up}{Up}{Down}{Ctrl+Down}{Down}{Up}{Esc}");
    std::string a = "um", b = "dois", c = "tres";
    f.start(3);
    con::formAddField("", "Nome", &a, 20);
    con::formAddField("", "Autor", &b, 20);
    con::formAddField("", "Data", &c, 20);
    EXPECT_EQ(f.run(), 27);
    // Up twice beeps twice at number 0; Down comes back to field 1; Ctrl+Down goes
    // to field 3; Down beeps below it and Up comes back.
    EXPECT_EQ(f.said(), (Events{"Nome", "um", "Nome", "um", "Data", "tres", "Data", "tres"}));
    EXPECT_EQ(f.beeps(), 3);
    EXPECT_EQ(con::formState().fields.size(), 0u);
}

TEST(Form, EveryTargetIsWrittenWhateverKeyEndsTheForm) {
    Form f("novo{Enter}{Esc}");
    std::string a = "velho", b = "outro";
    f.start(2);
    con::formAddField("", "Nome", &a, 20);
    con::formAddField("", "Autor", &b, 20);
    EXPECT_EQ(f.run(), 27);
    EXPECT_EQ(a, "novo");
    EXPECT_EQ(b, "outro");
    // The cursor waits below the last field.
    EXPECT_EQ(con::whereX(), 1);
    EXPECT_EQ(con::whereY(), 4);

    Form g("{Tab}x   {PgDn}");
    std::string c = "c", d = "d";
    g.start(5);
    con::formAddField("", "Um", &c, 10);
    con::formAddField("", "Dois", &d, 10);
    EXPECT_EQ(g.run(), 81);
    EXPECT_EQ(c, "c");
    EXPECT_EQ(d, "x");  // trailing blanks never reach the target

    Form h("{PgUp}");
    std::string e = "e";
    h.start(5);
    con::formAddField("", "Um", &e, 10);
    EXPECT_EQ(h.run(), 73);
}

TEST(Form, F9OffersTheChoicesOrReeditsTheField) {
    Form f("{F9}{Esc}");
    std::string a = "abc";
    f.start(4);
    con::formAddField("", "Nome", &a, 20);
    EXPECT_EQ(f.run(), 27);
    EXPECT_EQ(f.said(), (Events{"Nome", "abc", "Nome", "abc"}));
    EXPECT_EQ(a, "abc");

    Form g("{F9}{Down}{Enter}{Esc}");
    std::string yes = plat::cp("SIM");
    g.start(4);
    con::formAddChoiceField("", "Ativo", &yes, plat::cp("SIM|NÃO"), 3);
    EXPECT_EQ(g.run(), 27);
    EXPECT_EQ(yes, plat::cp("NÃO"));
    EXPECT_EQ(g.said(), (Events{"Ativo", "SIM", "SIM", plat::cp("NÃO"), "Ativo", plat::cp("NÃO")}));

    // Esc in the menu keeps the value.
    Form h("{F9}{Down}{Esc}{Esc}");
    std::string no = "SIM";
    h.start(4);
    con::formAddChoiceField("", "Ativo", &no, plat::cp("SIM|NÃO"), 3);
    EXPECT_EQ(h.run(), 27);
    EXPECT_EQ(no, "SIM");
}

TEST(Form, TheChoiceMenuOpensBesideTheValue) {
    // The script ends while the menu is on screen.
    Form f("{F9}{Down}");
    std::string a = "SIM";
    f.start(10);
    con::formAddChoiceField("", "Ativo", &a, plat::cp("SIM|NÃO|TALVEZ"), 6);
    EXPECT_EQ(f.run(), -3);
    EXPECT_EQ(f.p->row(10).substr(28), "SIM");
    EXPECT_EQ(f.p->row(11).substr(28), "NÃO");
    EXPECT_EQ(f.p->row(12).substr(28), "TALVEZ");
    EXPECT_EQ(f.p->attr(29, 11) >> 4, 5);
    EXPECT_EQ(f.p->attr(34, 12) >> 4, 5);
    EXPECT_EQ(f.p->attr(35, 12) >> 4, 0);

    // On the last rows the menu moves up to fit.
    Form g("{F9}");
    std::string b = "A";
    g.start(24);
    con::formAddChoiceField("", "Letra", &b, "A|B|C|D", 1);
    EXPECT_EQ(g.run(), -3);
    EXPECT_EQ(g.p->row(22).substr(28), "A");
    EXPECT_EQ(g.p->row(25).substr(28), "D");
}

TEST(Form, LabelsOnRedAndVisibleWidths) {
    Form f("");
    std::string wide(60, 'a'), narrow = "wxyz";
    f.start(6);
    con::formAddField("", "Largo", &wide, 60);
    con::formAddField("", "Estreito", &narrow, 4);
    EXPECT_EQ(f.run(), -3);  // waiting in the first field
    EXPECT_EQ(f.p->row(6), std::string(22, ' ') + "Largo " + std::string(51, 'a'));
    EXPECT_EQ(f.p->row(7), std::string(19, ' ') + "Estreito wxyz");
    EXPECT_EQ(f.p->attr(1, 7) >> 4, 4);
    EXPECT_EQ(f.p->attr(28, 7) >> 4, 4);
    EXPECT_EQ(f.p->attr(29, 7) >> 4, 0);
    // The field being edited is drawn in yellow.
    EXPECT_EQ(f.p->attr(29, 6) & 15, 14);
    EXPECT_NE(f.p->attr(29, 7) & 15, 14);
}

TEST(Form, AFieldTakesItsWholeWidthAndNoMore) {
    Form f(std::string(61, 'x') + "{Enter}{Esc}");
    std::string v;
    f.start(2);
    con::formAddField("", "Texto", &v, 60);
    EXPECT_EQ(f.run(), 27);
    EXPECT_EQ(v, std::string(60, 'x'));
    EXPECT_EQ(f.beeps(), 2);  // the 61st character, then below the last field

    // Targets hold at most 255 characters, however wide the field.
    Form g(std::string(300, 'y') + "{Esc}");
    std::string w;
    g.start(2);
    con::formAddField("", "Texto", &w, 300);
    EXPECT_EQ(g.run(), 27);
    EXPECT_EQ(w, std::string(255, 'y'));
}

TEST(Form, LongFormsScrollOneFieldAtATime) {
    std::string keys;
    for (int i = 0; i < 6; ++i) keys += "{Down}";
    Form f(keys);
    std::vector<std::string> v(10);
    std::vector<std::string> labels;
    for (int i = 0; i < 10; ++i) labels.push_back("Campo " + std::to_string(i + 1));
    f.start(20);
    for (int i = 0; i < 10; ++i) {
        v[i] = "v" + std::to_string(i + 1);
        con::formAddField("", labels[i], &v[i], 10);
    }
    EXPECT_EQ(f.run(), -3);  // on field 7
    EXPECT_EQ(con::formState().scroll, 1);
    EXPECT_EQ(f.p->row(20).substr(20, 7), "Campo 2");
    EXPECT_EQ(f.p->row(25).substr(20, 7), "Campo 7");
    // Rows above the form are left alone.
    EXPECT_EQ(f.p->row(19), "");

    Form g(keys + "{Down}{Down}{Down}{Down}{Ctrl+Up}");
    g.start(20);
    for (int i = 0; i < 10; ++i) con::formAddField("", labels[i], &v[i], 10);
    EXPECT_EQ(g.run(), -3);
    EXPECT_EQ(con::formState().scroll, 0);
    EXPECT_EQ(g.p->row(20).substr(20, 7), "Campo 1");
    EXPECT_EQ(g.beeps(), 1);  // Down past field 10
}

TEST(Form, AFormThatReachesTheBottomStaysWhereItWasFilledIn) {
    Form f("{Esc}");
    std::string a = "a", b = "b";
    f.start(24);
    con::formAddField("", "Um", &a, 5);
    con::formAddField("", "Dois", &b, 5);
    EXPECT_EQ(f.run(), 27);
    // Nothing scrolls: the cursor waits on the last row, at its start.
    EXPECT_EQ(f.p->row(24).substr(25), "Um a");
    EXPECT_EQ(f.p->row(25).substr(23), "Dois b");
    EXPECT_EQ(con::whereY(), 25);
    EXPECT_EQ(con::whereX(), 1);
}

TEST(Form, ReserveLinesScrollsAndComesBack) {
    Form f("");
    con::gotoXY(1, 1);
    con::write("topo");
    con::gotoXY(7, 23);
    con::formReserveLines(5);
    EXPECT_EQ(con::whereX(), 7);
    EXPECT_EQ(con::whereY(), 20);
    EXPECT_EQ(f.p->row(1), "");  // "topo" scrolled off

    con::gotoXY(3, 5);
    con::formReserveLines(4);
    EXPECT_EQ(con::whereX(), 3);
    EXPECT_EQ(con::whereY(), 5);
}

TEST(Form, ARecordedPromptReplacesTheLabel) {
    Form f("{Esc}");
    std::string root = f.p->dir + "/root";
    ASSERT_EQ(std::system(("mkdir -p '" + root + "/som'").c_str()), 0);
    writeText(root + "/som/LUC_NOME.wav", "RIFF");
    plat::setFamilyRoot(root);
    con::speechSettings().soundFolder = "c:\\som\\";
    std::string a = "Maria";
    f.start(2);
    con::formAddField("LUC_NOME", "Nome", &a, 20);
    con::formAddField("LUC_NADA", "Outro", &a, 20);
    EXPECT_EQ(f.run(), 27);
    EXPECT_TRUE(f.p->traced("play LUC_NOME"));
    EXPECT_EQ(f.said(), (Events{"Maria"}));
}

TEST(Form, WithoutFieldsOnlyEndingKeysLeave) {
    Form f("{Down}x{Esc}");
    f.start(3);
    EXPECT_EQ(f.run(), 27);
    EXPECT_EQ(f.beeps(), 3);
}
