// How speak cuts a text: zeros, numbers, runs of letters, dashes, marks and
// repeated characters, read back from the sound trace.
#include <gtest/gtest.h>

#include <algorithm>

#include "console/console.h"
#include "console/textwin.h"
#include "console_support.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/text.h"

namespace {

Events spoken(const std::string& text, const std::string& ini = "") {
    auto p = fresh("", ini);
    p->trace.clear();
    p->run([&] { con::speak(plat::cp(text.c_str())); });
    EXPECT_FALSE(p->trace.empty());
    if (!p->trace.empty()) {
        EXPECT_EQ(p->trace.front(), "speak " + text);
    }
    return sounds(*p);
}

}  // namespace

TEST(Speak, LeadingZerosAndNumberLengths) {
    EXPECT_EQ(spoken("007"), (Events{"play _zero", "play _zero", "play _sete"}));
    EXPECT_EQ(spoken("0"), (Events{"play _zero"}));

    Events six = spoken("123456");
    EXPECT_NE(std::find(six.begin(), six.end(), "play _mil"), six.end());
    EXPECT_EQ(std::find(six.begin(), six.end(), "play _49"), six.end());

    EXPECT_EQ(spoken("1234567"), (Events{"play _49", "play _50", "play _51", "play _52", "play _53",
                                          "play _54", "play _55"}));
    EXPECT_EQ(spoken("12-34"), (Events{"play _49", "play _50", "play _45", "play _51", "play _52"}));
}

TEST(Speak, DashesBetweenWordsBeforeDigitsAndAlone) {
    Events hyphen = spoken("guarda-chuva");
    EXPECT_EQ(countPrefix(hyphen, "synth "), 2);
    EXPECT_EQ(countPrefix(hyphen, "play _45"), 0);

    EXPECT_EQ(spoken("-5"), (Events{"play _MENOS", "play _cinco"}));

    // A dash standing between blanks is said, then the comma pause follows.
    auto p = fresh("", "[SINTETIZADOR]\nPAUSAVIRG3=3000\n");
    p->trace.clear();
    uint64_t before = p->now();
    p->run([] { con::speak("a - b"); });
    Events s = sounds(*p);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].rfind("synth ", 0), 0u);
    EXPECT_EQ(s[1], "play _45");
    EXPECT_EQ(s[2].rfind("synth ", 0), 0u);
    EXPECT_GE(p->now() - before, 3000u);
}

TEST(Speak, RowsOfMarksTurnIntoClicks) {
    Events stars = spoken("******");
    EXPECT_EQ(stars, (Events{"play _42", "play _42", "play _42", "play _42", "click", "click"}));

    // Every dash of a row is said; from the fifth on a click comes first.
    EXPECT_EQ(spoken("------"), (Events{"play _45", "play _45", "play _45", "play _45", "click",
                                         "play _45", "click", "play _45"}));
}

TEST(Speak, BlanksAndWordsEndARowOfMarks) {
    // Numbers apart, and blank texts said again and again, are no row of marks.
    EXPECT_EQ(countPrefix(spoken("1 2 3 4 5 6 7"), "click"), 0);
    auto p = fresh("", "");
    p->trace.clear();
    p->run([] {
        for (int k = 0; k < 6; ++k) con::speak("");
    });
    EXPECT_EQ(countPrefix(sounds(*p), "click"), 0);
    EXPECT_EQ(countPrefix(spoken("**a**b**c**"), "click"), 0);
    EXPECT_EQ(countPrefix(spoken("* * * * * *"), "click"), 0);
}

TEST(Speak, ThreeWsAreSpelledOnlyWhenAloneInTheirRun) {
    EXPECT_EQ(spoken("www."), (Events{"play _119", "play _119", "play _119", "play _46"}));
    EXPECT_EQ(spoken("WwW."), (Events{"play _87", "play _119", "play _87", "play _46"}));
    Events word = spoken("www site");
    EXPECT_EQ(countPrefix(word, "play _119"), 0);
    EXPECT_EQ(countPrefix(word, "synth "), 1);
}

TEST(Speak, PunctuationPausesFollowTheSettings) {
    const std::string ini = "[SINTETIZADOR]\nPAUSAPONTO3=1000\nPAUSADOISPONTOS3=400\nPAUSAVIRG3=700\n";
    auto timeOf = [&](const char* text) {
        auto p = fresh("", ini);
        uint64_t t0 = p->now();
        p->run([&] { con::speak(text); });
        return p->now() - t0;
    };
    // Each pause adds its setting to what the words and marks take themselves.
    const uint64_t dotPause = timeOf("a. b"), dotJoined = timeOf("a.b");
    EXPECT_GE(dotPause, dotJoined + 1000u);  // no blank after the dot: no pause
    EXPECT_LT(dotPause, dotJoined + 1100u);
    EXPECT_GE(timeOf("a: b"), timeOf("a b") + 400u);  // the colon pauses with or without a blank
    EXPECT_GE(timeOf("a:b"), timeOf("a b") + 400u);
    const uint64_t commaPause = timeOf("a, b"), commaJoined = timeOf("a,b");
    EXPECT_GE(commaPause, commaJoined + 700u);
    EXPECT_LT(commaPause, commaJoined + 800u);
    // The address marks are spelled, without the colon's pause.
    Events url = spoken("http://x");
    EXPECT_NE(std::find(url.begin(), url.end(), "play _58"), url.end());
    EXPECT_EQ(countPrefix(url, "play _47"), 2);
}

TEST(Speak, AKeyCutsALongTextAndStaysInTheBuffer) {
    auto p = fresh("{wait 2500}x", "[SINTETIZADOR]\nPAUSAPONTO3=1000\n");
    p->trace.clear();
    uint8_t key = 0;
    p->run([&] {
        con::speak("um. dois. tres. quatro. cinco. seis.");
        key = con::readKey();
    });
    EXPECT_EQ(key, 'x');
    Events s = sounds(*p);
    EXPECT_LT(countPrefix(s, "synth "), 6);
    EXPECT_GE(countPrefix(s, "synth "), 2);
    // Nothing is said after the stop.
    auto stop = std::find(p->trace.begin(), p->trace.end(), "stop");
    ASSERT_NE(stop, p->trace.end());
    for (auto it = stop; it != p->trace.end(); ++it) EXPECT_EQ(it->rfind("synth ", 0), std::string::npos);
    EXPECT_LT(p->now(), 4000u);
}

TEST(Speak, SpellStopsAtAKeyAndSoundsWaitForNone) {
    auto p = fresh("");
    p->trace.clear();
    p->run([] {
        con::pushKey('q');
        con::spell("abc");
        con::speakRecorded("LUFIM");
    });
    EXPECT_TRUE(sounds(*p).empty());
    p->trace.clear();
    p->run([] {
        con::flushKeys();
        con::spell("ab");
        con::errorBeep();
        con::click();
    });
    EXPECT_EQ(sounds(*p), (Events{"play _97", "play _98", "beep", "click"}));
}

TEST(Speak, RecordedNamesGoToTheirFolders) {
    // The synthesizer reads its own units from the same folder, so it must exist.
    auto p = fresh("", "[TRADUTOR]\nDIRLETRAS=c:\\sonare\\som\\letras\n");
    p->run([] { con::startSpeech(0, "c:\\sons"); });
    EXPECT_EQ(con::speechSettings().lettersFolder, "c:\\sonare\\som\\letras\\");
    EXPECT_EQ(con::speechSettings().soundFolder, "c:\\sons\\");
    const std::string root = plat::familyRoot();
    EXPECT_EQ(con::recordedPath("_65"), root + "/sonare/som/letras/_65.wav");
    EXPECT_EQ(con::recordedPath("LUFIM"), root + "/sons/LUFIM.wav");
    EXPECT_FALSE(con::recordedExists("LUNADA"));
}

TEST(Speak, UpperCaseCoversLatinLetters) {
    EXPECT_EQ(util::upperLatin(plat::cp("ação é já")), plat::cp("AÇÃO É JÁ"));
    EXPECT_EQ(util::upperLatin(uint8_t('z')), 'Z');
    EXPECT_EQ(util::upperLatin(uint8_t('1')), '1');
    EXPECT_EQ(util::trim("  a b \t"), "a b");
}

TEST(Speak, ReadKeyWithEchoSaysTheTimeOnF8AndEchoesCharacters) {
    auto p = fresh("{F8}k");
    p->trace.clear();
    uint8_t ch = 0, ext = 0;
    p->run([&] {
        con::gotoXY(1, 3);
        con::readKeyWithEcho(ch, ext);
    });
    EXPECT_EQ(ch, 'k');
    EXPECT_EQ(ext, 32);
    EXPECT_EQ(p->row(3), "k");
    Events s = sounds(*p);
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s.back(), "play _107");
    EXPECT_TRUE(p->traced("play _horas") || p->traced("play _hora"));

    // Alt+Q, W and E carry the character they typed behind their code.
    p->run([&] {
        con::pushKey(0);
        con::pushKey(17);
        con::pushKey('?');
        con::readKeyWithEcho(ch, ext);
    });
    EXPECT_EQ(ch, '?');
    EXPECT_EQ(ext, 17);
    EXPECT_EQ(p->row(3), "k?");
}

TEST(Speak, DtmfTonesFromTheLettersFolder) {
    auto p = fresh("");
    p->trace.clear();
    uint64_t t0 = p->now();
    p->run([] { con::playDtmf("1*#,a"); });
    EXPECT_EQ(sounds(*p), (Events{"play dtmf_1", "play dtmf_X", "play dtmf_#"}));
    EXPECT_GE(p->now() - t0, 1300u);
}
