// Screen review through the headless front: what is heard for each command, where
// the review position goes, and that nothing on the screen or in the edited field
// changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "console/config.h"
#include "console/console.h"
#include "console/review.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

using Events = std::vector<std::string>;

// A WAV file of `ms` of silence, 8-bit mono at 11025 Hz.
std::string silenceWav(int ms) {
    const uint32_t n = static_cast<uint32_t>(11025 * ms / 1000);
    auto u32 = [](uint32_t v) {
        return std::string{char(v & 255), char(v >> 8 & 255), char(v >> 16 & 255), char(v >> 24 & 255)};
    };
    auto u16 = [](uint32_t v) { return std::string{char(v & 255), char(v >> 8 & 255)}; };
    return "RIFF" + u32(36 + n) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(11025) + u32(11025) + u16(1) +
           u16(8) + "data" + u32(n) + std::string(n, char(128));
}

struct Review {
    std::unique_ptr<InProc> p;
    std::string savedRoot = plat::familyRoot();

    // letterMs > 0: every character of the letters folder is a recording of that
    // length, so that spelled words take time.
    explicit Review(const std::string& keys, int letterMs = 0) {
        // The review speaks through the console; the synthesizer's voice data is
        // not needed to see what is said.
        p = std::make_unique<InProc>(keys, "", false);
        if (letterMs > 0) {
            std::string letters = p->dir + "/root/sonare/som/letras";
            std::string cmd = "mkdir -p '" + letters + "'";
            EXPECT_EQ(std::system(cmd.c_str()), 0);
            for (int c = 32; c < 256; ++c)
                writeText(letters + "/_" + std::to_string(c) + ".wav", silenceWav(letterMs));
            plat::setFamilyRoot(p->dir + "/root");
        }
        con::installScreenReview();
    }
    ~Review() { plat::setFamilyRoot(savedRoot); }
    void put(int col, int row, const char* utf8, uint8_t attr = 0x07) {
        con::setTextAttr(attr);
        con::gotoXY(col, row);
        con::write(plat::cp(utf8));
        con::setTextAttr(0x07);
    }
    // Runs a review from the text cursor at (col, row); -1 when it returned normally.
    int review(int col, int row) {
        con::gotoXY(col, row);
        p->trace.clear();
        return p->run([] { con::screenReview(); });
    }
    // The sounds and texts heard, in order.
    Events heard() const {
        Events out;
        for (const std::string& e : p->trace)
            if (e.rfind("speak ", 0) == 0 || e.rfind("play ", 0) == 0 || e.rfind("voice ", 0) == 0 ||
                e == "click" || e == "beep")
                out.push_back(e);
        return out;
    }
    // What lies between the entry beep and the two leaving beeps.
    Events inside() const {
        Events h = heard();
        EXPECT_GE(h.size(), 3u);
        if (h.size() < 3) return h;
        EXPECT_EQ(h.front(), "beep");
        EXPECT_EQ(h[h.size() - 1], "beep");
        EXPECT_EQ(h[h.size() - 2], "beep");
        return Events(h.begin() + 1, h.end() - 2);
    }
    // Only the "speak" texts.
    Events said() const {
        Events out;
        for (const std::string& e : p->trace)
            if (e.rfind("speak ", 0) == 0) out.push_back(e.substr(6));
        return out;
    }
    int row() const { return con::reviewState().row; }
    int col() const { return con::reviewState().col; }
};

size_t indexOf(const Events& v, const std::string& e) {
    return static_cast<size_t>(std::find(v.begin(), v.end(), e) - v.begin());
}

}  // namespace

TEST(Review, GoToTakesFourDigitsAndANonDigitMovesNothing) {
    Review r("{F6}1205{Ctrl+K}{Esc}");
    EXPECT_EQ(r.review(7, 3), -1);
    Events in = r.inside();
    ASSERT_GE(in.size(), 6u);
    EXPECT_EQ(in[0], "speak Entre linha e coluna");
    EXPECT_EQ(Events(in.begin() + 1, in.begin() + 5), (Events{"play _49", "play _50", "play _48", "play _53"}));
    EXPECT_EQ(in[5], "speak 12 5");
    EXPECT_EQ(std::count(in.begin(), in.end(), "beep"), 0);
    EXPECT_EQ(r.row(), 12);
    EXPECT_EQ(r.col(), 5);

    Review bad("{F6}1x{Ctrl+K}{Esc}");
    EXPECT_EQ(bad.review(7, 3), -1);
    Events b = bad.inside();
    ASSERT_GE(b.size(), 5u) << bad.p->traceText();
    EXPECT_EQ(b[1], "play _49");
    EXPECT_EQ(b[2], "beep");
    EXPECT_EQ(b[3], "beep");
    EXPECT_EQ(b[4], "speak 3 7");
    EXPECT_EQ(bad.row(), 3);
    EXPECT_EQ(bad.col(), 7);

    // A position beyond the screen is pulled back, with a beep for each correction.
    Review far("{F6}9999{Ctrl+K}{Esc}");
    far.review(1, 1);
    Events f = far.inside();
    EXPECT_EQ(far.row(), 25);
    EXPECT_EQ(far.col(), 80);
    EXPECT_EQ(std::count(f.begin(), f.end(), "beep"), 2);
    EXPECT_EQ(far.said().back(), "25 80");
}

TEST(Review, RowReadingWordsSignsAndBlankRows) {
    Review r("TL{Down}TL{Esc}");
    r.put(1, 11, "casa BCD ----- 42");
    EXPECT_EQ(r.review(30, 10), -1);
    Events in = r.inside();
    // Row 10 is blank: TL gives only the row's click.  Down clicks, then reads
    // row 11 (a click after it), then TL reads it again.
    ASSERT_GE(in.size(), 2u);
    EXPECT_EQ(in[0], "click");
    EXPECT_EQ(in[1], "click");
    EXPECT_EQ(std::count(in.begin(), in.end(), "click"), 4);
    // Words with a vowel are said, consonant-only words spelled, a run of one
    // sign is cut to three.
    EXPECT_EQ(r.said(), (Events{"casa", "---", "42", "casa", "---", "42"}));
    size_t b = indexOf(in, "play _66");
    ASSERT_LT(b + 2, in.size());
    EXPECT_EQ(in[b + 1], "play _67");
    EXPECT_EQ(in[b + 2], "play _68");
    // The row commands leave the position where it was: column 1 after Down.
    EXPECT_EQ(r.row(), 11);
    EXPECT_EQ(r.col(), 1);
}

TEST(Review, AKeyDuringTheScreenReadingStopsItAfterTheCurrentWord) {
    // Consonant-only words are spelled, a letter at a time, each letter 100 ms;
    // no letter appears twice, so each play names its word.
    const std::vector<std::string> words = {"bcd", "fgh", "jkl", "mnp", "qrs", "tvw", "xz"};
    Review r("TT{wait 1000}{Ctrl+K}{Esc}", 100);
    std::string line;
    for (const std::string& w : words) line += w + " ";
    r.put(1, 1, line.c_str());
    r.put(1, 2, "zzz");
    EXPECT_EQ(r.review(1, 5), -1);

    int lastWord = -1;
    size_t played = 0;
    for (const std::string& e : r.heard()) {
        if (e.rfind("play _", 0) != 0 || e.size() < 8) continue;
        int code = std::atoi(e.c_str() + 6);
        if (code < 'a' || code > 'z') continue;
        for (size_t k = 0; k < words.size(); ++k)
            if (words[k].find(char(code)) != std::string::npos) {
                EXPECT_GE(static_cast<int>(k), lastWord) << "words out of order";
                lastWord = static_cast<int>(k);
            }
        ++played;
    }
    ASSERT_GT(lastWord, 0) << r.p->traceText();
    ASSERT_LT(lastWord, static_cast<int>(words.size()) - 1) << "the key came after the whole row was read";
    // The word being spelled was cut short, and the position went past it.
    EXPECT_LT(played, 3u * static_cast<size_t>(lastWord + 1));
    int endCol = 1;
    for (int k = 0; k <= lastWord; ++k) endCol += static_cast<int>(words[k].size()) + 1;
    EXPECT_EQ(r.said().back(), "1 " + std::to_string(endCol - 1));
    Events in = r.inside();
    EXPECT_EQ(std::count(in.begin(), in.end(), "click"), 0);
    EXPECT_FALSE(r.p->traced("play _122"));
}

TEST(Review, TheWholeScreenReadingEndsPastTheLastRowText) {
    Review r("TT{Ctrl+K}{Esc}");
    r.put(1, 1, "um");
    r.put(1, 25, "fim aqui");
    EXPECT_EQ(r.review(10, 10), -1);
    Events in = r.inside();
    EXPECT_EQ(std::count(in.begin(), in.end(), "click"), 25);  // one per row
    Events s = r.said();
    EXPECT_EQ(s, (Events{"um", "fim", "aqui", "25 9"}));
}

TEST(Review, LeftAtColumnOneBeepsTwiceAndStays) {
    Review r("{Home}{Left}{Right}{Right}{Left}{Ctrl+K}{Esc}");
    r.put(1, 4, "xy");
    EXPECT_EQ(r.review(5, 4), -1);
    Events in = r.inside();
    // Two beeps for Left at column 1; then Right speaks the character under the
    // position and Left the one before it.
    ASSERT_GE(in.size(), 6u);
    EXPECT_EQ(Events(in.begin(), in.begin() + 6),
              (Events{"beep", "beep", "play _120", "play _121", "play _121", "speak 4 2"}));
    EXPECT_EQ(r.col(), 2);
}

TEST(Review, RowMovesBeepAtTheEdges) {
    Review r("{Up}{PgDn}{Down}{Ctrl+K}{Esc}");
    r.put(1, 1, "topo");
    r.put(1, 25, "base");
    EXPECT_EQ(r.review(3, 2), -1);
    Events in = r.inside();
    // Up reads row 1; Page Down reads row 25; Down past it clicks, then the
    // correction beeps.
    ASSERT_GE(in.size(), 7u) << r.p->traceText();
    EXPECT_EQ(Events(in.begin(), in.begin() + 7),
              (Events{"speak topo", "click", "speak base", "click", "click", "beep", "speak 25 1"}));
}

TEST(Review, SearchLooksRightOfThePositionAndBelowOnly) {
    Review r("{F5}abc{Enter}{Ctrl+K}{Esc}");
    r.put(1, 2, "abc acima");
    r.put(1, 6, "abc xyz");
    EXPECT_EQ(r.review(6, 6), -1);
    Events in = r.inside();
    size_t q = indexOf(in, "speak Qual texto");
    ASSERT_LT(q, in.size());
    ASSERT_LT(q + 6, in.size());
    EXPECT_EQ(Events(in.begin() + static_cast<long>(q) + 1, in.begin() + static_cast<long>(q) + 7),
              (Events{"play _97", "play _98", "play _99", "beep", "beep", "speak 6 6"}));
}

TEST(Review, SearchFindsTheNextMatchAndIsRememberedBetweenReviews) {
    Review r("{F5}gatx{Backspace}o{Enter}{Ctrl+K}{Ctrl+F5}{Ctrl+K}{Esc}{Ctrl+F5}{Ctrl+K}{Esc}");
    r.put(1, 3, "gato gato");
    r.put(12, 9, "o gato");
    EXPECT_EQ(r.review(1, 3), -1);
    Events in = r.inside();
    EXPECT_LT(indexOf(in, "play _DEL"), in.size());
    Events s = r.said();
    // The match at the position itself does not count.
    EXPECT_EQ(s[s.size() - 2], "3 6");
    EXPECT_EQ(s.back(), "9 14");
    EXPECT_EQ(con::reviewState().lastSearch, "gato");

    // A new review starts at the text cursor and still knows the text.
    EXPECT_EQ(r.review(1, 4), -1);
    EXPECT_EQ(r.said().back(), "9 14");
    EXPECT_EQ(r.inside().front(), "click");
}

TEST(Review, FieldsFollowTheColoursAndStopAtSeparators) {
    Review r("{Ctrl+F1}{Tab}{Ctrl+F1}{Ctrl+K}IC{Ctrl+K}{Esc}");
    r.put(1, 8, "Nome: Maria Silva", 0x1F);
    r.put(18, 8, " Idade: 42", 0x07);
    EXPECT_EQ(r.review(8, 8), -1);
    // The field at column 8 runs from the blank after ":" to the end of "Silva".
    // Tab lands two columns past it, on "Idade"; IC reads that field up to the position.
    EXPECT_EQ(r.said(), (Events{"Maria", "Silva", "Idade", "8 19", "I", "8 19"})) << r.p->traceText();
}

TEST(Review, RangeCommandsAroundThePosition) {
    Review r("IL{Ctrl+K}FL{Ctrl+K}ix{Esc}");
    r.put(1, 7, "primeiro segundo terceiro");
    EXPECT_EQ(r.review(10, 7), -1);
    EXPECT_EQ(r.said(), (Events{"primeiro", "7 10", "segundo", "terceiro", "7 10"}));
    // An unknown second letter: beep, click, beep.
    Events in = r.inside();
    EXPECT_EQ(Events(in.end() - 3, in.end()), (Events{"beep", "click", "beep"}));
}

TEST(Review, WordsAndFirstAndLastLetters) {
    Review r("{Ctrl+PgDn}{Ctrl+K}{Ctrl+PgUp}{Ctrl+K}{Ctrl+Right}{Ctrl+K}"
             "{Ctrl+Left}{Ctrl+Left}{Ctrl+K}{End}{Ctrl+K}{Esc}");
    r.put(5, 3, "-- um dois");
    r.put(1, 20, "fim. 9");
    EXPECT_EQ(r.review(1, 1), -1);
    Events s = r.said();
    EXPECT_EQ(s, (Events{"fim", ".", "9", "20 3", "--", "um", "dois", "3 8", "3 11", "3 5", "3 15"}))
        << r.p->traceText();
}

TEST(Review, AccentedWordsAreReadWhole) {
    Review r("{F1}{Ctrl+Right}{Ctrl+K}{Esc}");
    r.put(1, 1, "não é");
    EXPECT_EQ(r.review(1, 1), -1);
    Events s = r.said();
    EXPECT_NE(std::find(s.begin(), s.end(), "não"), s.end()) << r.p->traceText();
    EXPECT_NE(std::find(s.begin(), s.end(), "1 5"), s.end()) << r.p->traceText();
}

TEST(Review, CopiesTheWholeScreenAndChangesNothing) {
    Review r("{Ctrl+C}TT{Esc}");
    r.put(1, 1, "linha um");
    r.put(3, 25, "fundo");
    std::string before(reinterpret_cast<const char*>(con::tw().chars.data()), con::tw().chars.size());
    EXPECT_EQ(r.review(4, 4), -1);
    std::string clip = plat::front().clipboardGet();
    ASSERT_EQ(clip.size(), 25u * 82u);
    EXPECT_EQ(clip.substr(0, 10), "linha um  ");
    EXPECT_EQ(clip.substr(80, 2), "\r\n");
    EXPECT_EQ(clip.substr(24 * 82, 7), "  fundo");
    std::string after(reinterpret_cast<const char*>(con::tw().chars.data()), con::tw().chars.size());
    EXPECT_EQ(before, after);
    EXPECT_EQ(con::whereX(), 4);
    EXPECT_EQ(con::whereY(), 4);
}

TEST(Review, OtherKeysBeepClickBeep) {
    Review r("{F7}{Esc}");  // (F10 is the system's menu key: it does not reach the review)
    r.review(1, 1);
    EXPECT_EQ(r.inside(), (Events{"beep", "click", "beep"}));
}

TEST(Review, SystemVoiceGetsWholeRowStretches) {
    Review r("FL{Esc}");
    con::SystemVoiceOps ops;
    ops.speak = [](const std::string&) {};
    ops.busy = [] { return false; };
    con::setSystemVoiceOps(ops);
    con::speechSettings().systemVoice = true;
    r.put(1, 2, "um BCD dois");
    r.review(4, 2);
    con::speechSettings().systemVoice = false;
    con::setSystemVoiceOps(con::SystemVoiceOps());
    std::string stretch = "BCD dois" + std::string(80 - 11, ' ');
    EXPECT_EQ(r.said(), (Events{stretch}));
}

// Entered from the line editor with Ctrl+Alt+F9: the text cursor comes back and
// the field goes on being edited from where it was.
TEST(Review, EnteredFromTheLineEditorLeavesTheFieldAlone) {
    Review r("{Right}{Ctrl+Alt+F9}{PgDn}{F6}0101{Ctrl+K}{Esc}X{Enter}");
    r.put(1, 1, "topo da tela");
    std::string text = "abc";
    int key = 0;
    EXPECT_EQ(r.p->run([&] { key = con::editField(text, 10, 5, 20, 20, true); }), -1);
    EXPECT_EQ(key, 13);
    EXPECT_EQ(text, "aXbc");
    EXPECT_EQ(r.p->row(5), "         aXbc");
    EXPECT_TRUE(r.p->traced("speak 1 1"));
    // One beep on entry, two on leaving, none from the review's own keys.
    EXPECT_EQ(r.p->tracedCount("beep"), 3);
}
