// The synthesizer core over a small database built in memory: every unit is a
// run of one sample value, so the output shows which units played and for how long.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "speech/synthcore.h"
#include "speech/wave.h"

using namespace speech;

namespace {

struct Seg {
    int value;
    size_t length;
    bool operator==(const Seg& o) const { return value == o.value && length == o.length; }
};
std::ostream& operator<<(std::ostream& os, const Seg& r) { return os << "{" << r.value << "," << r.length << "}"; }

struct SynthCoreTest : ::testing::Test {
    std::string sink;
    std::map<std::string, std::pair<int, int>> units;  // name -> (sample value, length)

    // The units here are constant blocks whose samples are counted: no easing.
    void SetUp() override {
        resetSynth();
        synthState().easeJoins = false;
    }
    void TearDown() override { resetSynth(); }

    void unit(const std::string& name, int value, int length) { units[name] = {value, length}; }

    void open(int corte = 0, int sobra = 0, int interPal = 0) {
        SynthState& s = synthState();
        std::vector<IndexRecord> recs;
        s.dataImage.clear();
        for (const auto& [name, vl] : units) {
            IndexRecord r;
            r.name = name;
            r.length = uint16_t(vl.second);
            r.offset = uint32_t(s.dataImage.size());
            s.dataImage.append(size_t(vl.second), char(vl.first));
            recs.push_back(r);
        }
        s.index = parseIndex(buildIndex(recs), s.dataImage.size());
        s.settings.corteFon = corte;
        s.settings.sobraFon = sobra;
        s.settings.interPal = interPal;
        s.out.assign(kOutputSize, char(128));
        s.sink = &sink;
    }

    std::vector<Seg> speak(const std::string& t) {
        sink.clear();
        speakTranscription(t);
        std::vector<Seg> runs;
        for (unsigned char c : sink) {
            if (!runs.empty() && runs.back().value == c) ++runs.back().length;
            else runs.push_back({c, 1});
        }
        return runs;
    }
};

}  // namespace

TEST_F(SynthCoreTest, SyllableMarksInShortWordsChangeNothing) {
    unit("$KAZA", 10, 500);
    open();
    EXPECT_EQ(speak("[ka/za]"), speak("[kaza]"));
    EXPECT_EQ(speak("[kaza]"), (std::vector<Seg>{{10, 500}}));
}

TEST_F(SynthCoreTest, PausesComeOnlyAfterBracketsAndSplitWords) {
    unit("$KA", 10, 300);
    unit("$ZA", 20, 300);
    open(0, 0, 250);
    // Blank-separated tokens join without a pause; "]" adds INTERPAL in whole hundreds.
    EXPECT_EQ(speak("[ka za]"), (std::vector<Seg>{{10, 300}, {20, 300}}));
    EXPECT_EQ(speak("[ka][za]"), (std::vector<Seg>{{10, 300}, {128, 200}, {20, 300}}));
    // A long word is split at the syllable mark once it has 9 characters.
    const std::string t = "[ka/ka/ka/ka/ka/za]";
    size_t pos = 0;
    std::string token;
    char ender = 0;
    ASSERT_TRUE(readToken(t, pos, token, ender));
    EXPECT_EQ(token, "kakakakaka");
    EXPECT_EQ(ender, '/');
    ASSERT_TRUE(readToken(t, pos, token, ender));
    EXPECT_EQ(token, "za");
    EXPECT_EQ(ender, ']');
    EXPECT_FALSE(readToken(t, pos, token, ender));
}

TEST_F(SynthCoreTest, PunctuationTokensGiveTheirPauses) {
    open();
    EXPECT_EQ(speak("[ /_,]"), (std::vector<Seg>{{128, 4000}}));
    EXPECT_EQ(speak("[ /_.]"), (std::vector<Seg>{{128, 8000}}));
    EXPECT_EQ(speak("[ /_:]"), (std::vector<Seg>{{128, 8000}}));
    EXPECT_EQ(speak("[ /_;]"), (std::vector<Seg>{{128, 6000}}));
    EXPECT_EQ(synthState().stats.noise, 0);
}

TEST_F(SynthCoreTest, UnstressedUnitsAreCutButKeepTheirMinimum) {
    unit("$KA", 10, 1200);
    unit("$PA", 20, 800);
    unit("$A", 30, 1200);
    open(400, 1000);
    EXPECT_EQ(speak("[ka]"), (std::vector<Seg>{{10, 1000}}));
    EXPECT_EQ(speak("[pa]"), (std::vector<Seg>{{20, 800}}));
    EXPECT_EQ(speak("[kA]"), (std::vector<Seg>{{10, 1200}}));
    EXPECT_EQ(speak("[a]"), (std::vector<Seg>{{30, 1200}}));  // two-character names are never cut
    open(400, 0);
    EXPECT_EQ(speak("[ka]"), (std::vector<Seg>{{10, 800}}));
}

TEST_F(SynthCoreTest, StressHoldsForTheStressedUnitOnly) {
    unit("$KA", 10, 1000);
    unit("$ZA", 20, 1000);
    open(400, 0);
    // The stressed unit plays whole, the ones after it are cut; "[" starts afresh.
    EXPECT_EQ(speak("[ kA za][ka]"), (std::vector<Seg>{{10, 1000}, {20, 600}, {10, 600}}));
}

TEST_F(SynthCoreTest, AMissingUnitEndingInAVowelIsRebuilt) {
    unit("$K", 10, 1000);
    unit("$E", 20, 500);
    unit("$PR", 30, 1000);
    unit("$ECIRC", 40, 500);
    unit("$KACIRC", 50, 1000);
    unit("$NN", 60, 1000);
    unit("$MI", 70, 1000);
    open();
    EXPECT_EQ(speak("[kE]"), (std::vector<Seg>{{10, 900}, {20, 500}}));
    EXPECT_EQ(speak("[pRe^]"), (std::vector<Seg>{{30, 900}, {40, 500}}));
    EXPECT_EQ(speak("[ka~]"), (std::vector<Seg>{{50, 900}, {60, 900}}));
    EXPECT_EQ(speak("[mi~]"), (std::vector<Seg>{{70, 900}, {60, 900}}));
    EXPECT_GT(synthState().stats.fallbacks, 0);
    EXPECT_EQ(synthState().stats.noise, 0);
}

TEST_F(SynthCoreTest, ShortMissingUnitsBecomeNoise) {
    open();
    sink.clear();
    speakTranscription("[q]");
    ASSERT_EQ(sink.size(), 300u);
    for (unsigned char c : sink) {
        EXPECT_GE(c, 88);
        EXPECT_LE(c, 167);
    }
    EXPECT_EQ(synthState().stats.noise, 1);
    // A longer name that cannot be rebuilt is silence.
    EXPECT_TRUE(speak("[kt]").empty());
}

TEST_F(SynthCoreTest, TheWordAlgorithmCutsSyllablesIntoUnits) {
    std::vector<std::string> asked;
    open();
    synthState().requested = &asked;
    auto units = [&](const std::string& t) {
        asked.clear();
        sink.clear();
        speakTranscription(t);
        std::string s;
        for (const std::string& n : asked) s += n + " ";
        return s;
    };
    EXPECT_EQ(units("[pra]"), "$P $RA ");              // two consonants: the first alone
    EXPECT_EQ(units("[pRa]"), "$PRA ");                // our cluster R is no consonant here
    EXPECT_EQ(units("[nha]"), "$NHA ");
    EXPECT_EQ(units("[tchi]"), "$TCHI ");
    EXPECT_EQ(units("[djia]"), "$DJIA ");
    EXPECT_EQ(units("[karr]"), "$KA $RR ");
    EXPECT_EQ(units("[kar]"), "$KA $R ");
    EXPECT_EQ(units("[kay]"), "$KA $AY ");
    EXPECT_EQ(units("[ke^y]"), "$KECIRC $EYCIRC ");
    EXPECT_EQ(units("[ma~w]"), "$MACIRC $AWTIL ");     // mão: a~ before the glide becomes a^
    EXPECT_EQ(units("[as]"), "$A $S ");
    EXPECT_EQ(units("[ka~za]"), "$KATIL $ZA ");
    EXPECT_EQ(units("[ /_b]"), "_98 ");
    EXPECT_EQ(units("[|]"), "_84 ");                   // the bar is the recording of T
    synthState().requested = nullptr;
}

TEST_F(SynthCoreTest, FactorsShortenTheUnitsOfAWord) {
    unit("$KA", 10, 1000);
    unit("$AY", 20, 1000);
    unit("$S", 30, 1000);
    unit("$A", 40, 1000);
    open();
    EXPECT_EQ(speak("[kay]"), (std::vector<Seg>{{10, 600}, {20, 1000}}));
    EXPECT_EQ(speak("[as]"), (std::vector<Seg>{{40, 700}, {30, 1000}}));
}

TEST_F(SynthCoreTest, FullBuffersArePlayedAsWaveImages) {
    unit("$KA", 10, 30000);
    open();
    static std::vector<std::string> played;
    played.clear();
    SynthState& s = synthState();
    s.sink = nullptr;
    s.player = [](const std::string& image) { played.push_back(image); };
    speakTranscription("[ka ka ka ka ka]");
    size_t total = 0;
    for (const std::string& img : played) {
        EXPECT_LE(img.size(), kOutputSize);
        WaveFormat f;
        size_t start = 0, len = 0;
        ASSERT_TRUE(parseWaveImage(img, f, start, len));
        EXPECT_EQ(f.rate, 11025);
        EXPECT_EQ(f.bits, 8);
        EXPECT_EQ(f.channels, 1);
        EXPECT_EQ(start, 44u);
        total += len;
    }
    EXPECT_GE(played.size(), 3u);
    EXPECT_EQ(total, 150000u);
}

TEST_F(SynthCoreTest, IndexFilesAreReadDefensively) {
    // Three records out of order, the last one pointing past the data, and a stray byte.
    std::vector<IndexRecord> recs(3);
    recs[0].name = "$ZA";
    recs[0].length = 100;
    recs[0].offset = 0;
    recs[1].name = "$KA";
    recs[1].length = 100;
    recs[1].offset = 100;
    recs[2].name = "$PA";
    recs[2].length = 500;
    recs[2].offset = 150;
    std::string image;
    for (const IndexRecord& r : recs) image += buildIndex({r});  // keeps file order
    image += "x";
    std::vector<IndexRecord> idx = parseIndex(image, 250);
    ASSERT_EQ(idx.size(), 3u);
    EXPECT_EQ(idx[0].name, "$KA");
    EXPECT_EQ(idx[1].name, "$PA");
    EXPECT_EQ(idx[1].length, 100);  // cut to the data that exists
    EXPECT_EQ(idx[2].name, "$ZA");
    // A record whose offset lies beyond the data plays nothing; a name length over 8 is cut.
    image = buildIndex({recs[0]});
    image[0] = char(200);
    image[11] = char(0xFF);
    idx = parseIndex(image, 250);
    ASSERT_EQ(idx.size(), 1u);
    EXPECT_EQ(idx[0].name.size(), 8u);
    EXPECT_EQ(idx[0].length, 0);
    EXPECT_TRUE(parseIndex("short", 100).empty());
    std::string none;
    EXPECT_FALSE(readUnitFile("/nonexistent/DIFONES2.IND", none));
}

TEST_F(SynthCoreTest, TokensHoldAtMostFortyCharacters) {
    open();
    std::string t = "[" + std::string(100, 'k') + "]";
    size_t pos = 0;
    std::string token;
    char ender = 0;
    ASSERT_TRUE(readToken(t, pos, token, ender));
    EXPECT_EQ(token.size(), kMaxToken);
    EXPECT_EQ(ender, ']');
    speakTranscription(t);  // and speaking it ends
    speakTranscription("[_");
    speakTranscription("_");
    speakTranscription("]]]///[[[");
}

TEST_F(SynthCoreTest, UnitsCutShortEndWhereTheWaveRisesThroughZero) {
    // A vowel-like unit (a sine of 97 samples a period) cut to 0.6 of its
    // length before a glide, and also by CORTEFON: each cut moves back to a
    // rise through zero, never by more than a period and a half.
    const struct { int length, corte; } cases[] = {{1000, 0}, {1163, 0}, {1500, 433}, {2000, 1}};
    for (const auto& c : cases) {
        unit("$KA", 0, c.length);
        unit("$AY", 20, 3000);
        open(c.corte, 0, 0);
        SynthState& s = synthState();
        const size_t at = findUnit("$KA")->offset;
        for (int i = 0; i < c.length; ++i)
            s.dataImage[at + size_t(i)] = char(128 + std::lround(60 * std::sin(2 * M_PI * (i + 13) / 97.0)));
        speak("[kay]");
        const size_t asked = size_t(std::lround((c.length - c.corte) * 0.6));
        const size_t played = sink.find(char(20));  // where the glide's unit starts
        ASSERT_LE(played, asked) << c.length;
        EXPECT_GE(played + 150, asked) << c.length;
        ASSERT_GE(played, 1u);
        const int last = static_cast<unsigned char>(sink[played - 1]) - 128;
        const int next = static_cast<unsigned char>(s.dataImage[at + played]) - 128;
        EXPECT_TRUE(std::abs(last) <= 2 || (last < 0 && next >= 0)) << c.length << ": " << last << " " << next;
    }
}

TEST_F(SynthCoreTest, EasedJoinsKeepEveryUnitsLengthAndNeverStep) {
    // Loud constant blocks meet each other, a word gap and the end of the speech:
    // eased, no two neighbouring samples differ by a tenth of full scale, each
    // unit keeps its length and the last sound slopes back to the middle value.
    unit("$KA", 10, 1000);
    unit("$ZA", 230, 800);
    open(0, 0, 300);
    synthState().easeJoins = true;
    const std::vector<Seg> runs = speak("[ka][za]");
    size_t total = 0;
    for (size_t i = 1; i < sink.size(); ++i)
        ASSERT_LT(std::abs(int(static_cast<unsigned char>(sink[i])) - static_cast<unsigned char>(sink[i - 1])), 26) << i;
    for (const Seg& r : runs) total += size_t(r.length);
    EXPECT_EQ(total, 1000u + 33 + 300 + 800 + 33);  // units, two slopes to silence, the gap
    EXPECT_EQ(static_cast<unsigned char>(sink.back()), 128);
    EXPECT_EQ(static_cast<unsigned char>(sink[500]), 10);  // a unit's middle is untouched
}
