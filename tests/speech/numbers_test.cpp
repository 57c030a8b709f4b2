// Numbers, time and date: the words, the recording names and how they are played.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/textwin.h"
#include "platform/platform.h"
#include "speech/settings.h"
#include "speech/synth.h"
#include "speech/wave.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace speech;

namespace {

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& n : v) s += (s.empty() ? "" : " ") + n;
    return s;
}

std::string wordNames(const std::string& words, bool feminine) {
    std::vector<std::string> v;
    appendWordNames(v, words, feminine);
    return joined(v);
}

// A letters folder holding a few word recordings of `samples` samples each.
std::string lettersWith(const std::vector<std::string>& names, size_t samples) {
    const std::string dir = tempDir();
    for (const std::string& n : names)
        writeText(dir + "/" + n + ".wav", makeWaveHeader(samples, 11025, 1, 8) + std::string(samples, char(140)));
    return dir;
}

}  // namespace

TEST(NumberWords, GroupsScalesAndJoiners) {
    EXPECT_EQ(numberToWords("0"), "zero");
    EXPECT_EQ(numberToWords("000"), "zero");
    EXPECT_EQ(numberToWords("7"), "sete");
    EXPECT_EQ(numberToWords("17"), "dezessete");
    EXPECT_EQ(numberToWords("21"), "vinte e um");
    EXPECT_EQ(numberToWords("100"), "cem");
    EXPECT_EQ(numberToWords("101"), "cento e um");
    EXPECT_EQ(numberToWords("115"), "cento e quinze");
    EXPECT_EQ(numberToWords("340"), "trezentos e quarenta");
    EXPECT_EQ(numberToWords("1000"), "mil ");
    EXPECT_EQ(numberToWords("1001"), "mil e um");
    EXPECT_EQ(numberToWords("2500"), "dois mil e quinhentos");
    EXPECT_EQ(numberToWords("1250"), "mil e duzentos e cinquenta");
    EXPECT_EQ(numberToWords("1000000"), plat::cp("um milhão "));
    EXPECT_EQ(numberToWords("2000000"), plat::cp("dois milhões "));
    EXPECT_EQ(numberToWords("2000001"), plat::cp("dois milhões e um"));
    EXPECT_EQ(numberToWords("123456"), "cento e vinte e tres mil e quatrocentos e cinquenta e seis");
    EXPECT_EQ(numberToWords("999999999999999"),
              plat::cp("novecentos e noventa e nove trilhões novecentos e noventa e nove bilhões novecentos e "
                       "noventa e nove milhões novecentos e noventa e nove mil e novecentos e noventa e nove"));
}

TEST(NumberWords, OddInput) {
    EXPECT_EQ(numberToWords("0021"), "vinte e um");
    EXPECT_EQ(numberToWords(""), "zero");
    EXPECT_EQ(numberToWords("12ab"), "doze");
    // Beyond fifteen digits there are no scale words: the digits are said one by one.
    EXPECT_EQ(numberToWords("1234567890123456"),
              "um dois tres quatro cinco seis sete oito nove zero um dois tres quatro cinco seis");
}

TEST(NumberWords, RecordingNames) {
    EXPECT_EQ(numberWordFile("dezessete"), "_dezeset");
    EXPECT_EQ(numberWordFile("dezesseis"), "_dezesse");
    EXPECT_EQ(numberWordFile("quatorze"), "_quatorz");
    EXPECT_EQ(numberWordFile("cinquenta"), "_cinquen");
    EXPECT_EQ(numberWordFile("quatrocentos"), "_quatroc");
    EXPECT_EQ(numberWordFile(plat::cp("milhão")), "_milhao");
    EXPECT_EQ(numberWordFile(plat::cp("milhões")), "_milhoes");
    EXPECT_EQ(numberWordFile("e"), "_e");
    EXPECT_EQ(wordNames(numberToWords("17"), false), "_dezeset");
    EXPECT_EQ(wordNames(numberToWords("16"), false), "_dezesse");
}

TEST(NumberWords, FeminineChangesTheLastWordOnly) {
    EXPECT_EQ(wordNames("vinte e um", true), "_vinte _e _uma");
    EXPECT_EQ(wordNames("dois", true), "_duas");
    EXPECT_EQ(wordNames("um mil e dois", true), "_um _mil _e _duas");
    EXPECT_EQ(wordNames("vinte e um", false), "_vinte _e _um");
}

TEST(TimeAndDate, Examples) {
    EXPECT_EQ(joined(timeWordFiles(13, 1)), "_treze _horas _um _minuto");
    EXPECT_EQ(joined(timeWordFiles(1, 0)), "_uma _hora");
    EXPECT_EQ(joined(timeWordFiles(2, 21)), "_duas _horas _vinte _e _um _minutos");
    EXPECT_EQ(joined(timeWordFiles(21, 0)), "_vinte _e _uma _horas");
    EXPECT_EQ(joined(timeWordFiles(0, 0)), "_zero _hora");
    EXPECT_EQ(joined(dateWordFiles(1, 3, 2024, 5)), "_Sexta _primeir _de _Marco _de _dois _mil _e _vinte _e _quatro");
    EXPECT_EQ(joined(dateWordFiles(17, 2, 2000, 4)), "_Quinta _dezeset _de _Feverei _de _dois _mil");
    EXPECT_EQ(joined(dateWordFiles(2, 9, 2100, 4)), "_Quinta _dois _de _Setembr _de _dois _mil _e");
    EXPECT_EQ(joined(dateWordFiles(31, 12, 1999, 5)), "_Sexta _trinta _e _um _de _Dezembr _de _noventa _e _nove");
}

TEST(TimeAndDate, EveryRecordingHasAText) {
    std::vector<std::string> names;
    for (const auto& [name, said] : numberRecordings()) {
        EXPECT_LE(name.size(), 8u) << name;
        EXPECT_FALSE(said.empty()) << name;
        names.push_back(name);
    }
    for (const char* needed : {"_dezeset", "_milhao", "_milhoes", "_trilhoe", "_uma", "_duas", "_horas", "_minuto",
                               "_primeir", "_Domingo", "_Feverei", "_Sabado", "_cem", "_e", "_zero"})
        EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed;
}

TEST(NumberSpeech, AMissingWordFileLeavesAGap) {
    const std::string dir = lettersWith({"_vinte", "_um"}, 1000);
    InProc p("", "", false);
    speech::speechSettings().synthLetters = dir;  // handed down by whoever read the configuration
    const uint64_t t0 = p.now();
    p.run([] { speakNumberWords("vinte e um", false); });
    EXPECT_TRUE(p.traced("play _vinte"));
    EXPECT_TRUE(p.traced("play _e"));
    EXPECT_TRUE(p.traced("play _um"));
    // Two files of 1000 samples: about 181 ms; the missing "_e" adds nothing.
    const uint64_t took = p.now() - t0;
    EXPECT_GE(took, 175u);
    EXPECT_LT(took, 240u);
}

TEST(NumberSpeech, AKeyStopsTheWordsStillQueued) {
    const std::string dir = lettersWith({"_novecen", "_e", "_noventa", "_nove", "_mil"}, 20000);
    InProc p("{wait 300}x", "", false);
    speech::speechSettings().synthLetters = dir;
    p.run([] { speakNumberWords(numberToWords("999999"), false); });
    EXPECT_LT(p.now(), 600u);
    EXPECT_LT(p.tracedCount("play _nove"), 2);
    EXPECT_TRUE(con::keyPressed());  // the key stays for the next read
}
