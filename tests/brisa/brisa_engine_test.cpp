// The embedded engine end to end: start-up and its error texts, the WAV file, the
// wave output, the pipe to an `mbrola` program (our stand-in speaking its protocol)
// and the built-in renderer over the shipped diphone database.
#include "ludivar_paths.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/files.h"
#include "platform/platform.h"
#include "speech/brisa/brisa.h"
#include "speech/brisa/chain.h"
#include "speech/brisa/render.h"
#include "speech/settings.h"
#include "speech/wave.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

const std::string kData = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/brisatts/";

std::string standinDir() {
    std::string bin = LUDIVAR_BIN;
    return bin.substr(0, bin.rfind('/')) + "/standin";
}

bool openShipped(const std::string& db = kData + "br4", const std::string& nrl = kData + "portug.nrl") {
    return brisa::ttsOpen(db, nrl, kData + "portug.exc", kData + "portug.dfn", kData + "portug.pro",
                          kData + "portug.abr");
}

std::vector<int16_t> wavSamples(const std::string& path, uint32_t* declared = nullptr) {
    const std::string f = readText(path);
    if (f.size() < 44) return {};
    const auto* p = reinterpret_cast<const uint8_t*>(f.data());
    if (declared) *declared = speech::waveLe32(p + 40);
    EXPECT_EQ(f.compare(0, 4, "RIFF"), 0);
    EXPECT_EQ(speech::waveLe32(p + 4), f.size() - 8);
    EXPECT_EQ(speech::waveLe32(p + 24), 16000u);
    EXPECT_EQ(speech::waveLe16(p + 34), 16);
    std::vector<int16_t> s((f.size() - 44) / 2);
    std::memcpy(s.data(), f.data() + 44, s.size() * 2);
    return s;
}

// Sum of the durations in the lines the chain gives, in samples.
size_t chainSamples(const std::string& text, double df) {
    double ms = 0;
    for (const std::string& l : brisa::textToPhonemeLines(text, 1.0, df)) {
        brisa::Phone p;
        bool bad;
        if (brisa::parsePhoneLine(l, p, bad)) ms += p.ms;
    }
    return size_t(std::lround(ms * 16));
}

class PathGuard {
public:
    explicit PathGuard(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        setenv("PATH", path.c_str(), 1);
    }
    ~PathGuard() { setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

TEST(BrisaEngine, StartUpFailuresLeaveTheirTexts) {
    PathGuard noMbrola("/nonexistent");
    const std::string dir = tempDir();
    struct Case { std::string db, nrl, exc, dfn, pro, abr, out; const char* text; };
    const std::string m = dir + "/missing";
    const Case cases[] = {
        {kData + "br4", m, kData + "portug.exc", kData + "portug.dfn", kData + "portug.pro", kData + "portug.abr", "",
         "Erro na base de dados de português"},
        {kData + "br4", kData + "portug.nrl", m, kData + "portug.dfn", kData + "portug.pro", kData + "portug.abr", "",
         "Erro na base de dados de português"},
        {kData + "br4", kData + "portug.nrl", kData + "portug.exc", kData + "portug.dfn", kData + "portug.pro", m, "",
         "Erro no arquivo de abreviaturas"},
        {kData + "br4", kData + "portug.nrl", kData + "portug.exc", kData + "portug.dfn", m, kData + "portug.abr", "",
         "Erro no arquivo de prosódia"},
        {kData + "br4", kData + "portug.nrl", kData + "portug.exc", m, kData + "portug.pro", kData + "portug.abr", "",
         "Erro no arquivo de prosódia"},
        {kData + "br4", kData + "portug.nrl", kData + "portug.exc", kData + "portug.dfn", kData + "portug.pro",
         kData + "portug.abr", dir + "/no/such/folder/out.wav", "Arquivo de saída não pode ser criado"},
        {m, kData + "portug.nrl", kData + "portug.exc", kData + "portug.dfn", kData + "portug.pro",
         kData + "portug.abr", "", ""},  // no voice at all: no text
    };
    for (const Case& c : cases) {
        brisa::ttsSetOutputFile(c.out);
        EXPECT_FALSE(brisa::ttsOpen(c.db, c.nrl, c.exc, c.dfn, c.pro, c.abr)) << c.text;
        EXPECT_EQ(brisa::ttsErrorText(), plat::cp(c.text));
        EXPECT_EQ(brisa::ttsBackend(), "");
    }
    brisa::ttsSetOutputFile("");
    // Empty names take the defaults, looked up where we are.
    const std::string here = plat::currentDir();
    ASSERT_EQ(chdir(kData.c_str()), 0);
    const bool opened = brisa::ttsOpen("", "", "", "", "", "");
    EXPECT_EQ(chdir(here.c_str()), 0);
    EXPECT_TRUE(opened);
    EXPECT_EQ(brisa::ttsBackend(), "interno");
    brisa::ttsClose();
}

TEST(BrisaEngine, WavFileHoldsWhatWasSpoken) {
    PathGuard noMbrola("/nonexistent");
    const std::string out = tempDir() + "/fala.wav";
    brisa::ttsSetOutputFile(out);
    ASSERT_TRUE(openShipped());
    brisa::ttsSetFactors(1.0, 1.0);
    EXPECT_TRUE(brisa::ttsSpeak(plat::cp("Você quer jogar outra vez?")));
    EXPECT_FALSE(brisa::ttsIsSpeaking());
    const size_t first = chainSamples(plat::cp("Você quer jogar outra vez?"), 1.0);
    EXPECT_TRUE(brisa::ttsSpeak("   "));  // nothing to say
    EXPECT_TRUE(brisa::ttsSpeak(plat::cp("Até logo.")));
    const size_t second = chainSamples(plat::cp("Até logo."), 1.0);
    brisa::ttsClose();
    brisa::ttsSetOutputFile("");
    uint32_t declared = 0;
    const std::vector<int16_t> s = wavSamples(out, &declared);
    EXPECT_EQ(declared, s.size() * 2);
    EXPECT_EQ(s.size(), first + second);  // every phoneme lasts what the timing step gave it
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
    EXPECT_GT(peak, 3000) << "speech, not silence";
}

TEST(BrisaEngine, ShortUtterancePadded) {
    PathGuard noMbrola("/nonexistent");
    InProc ip("", "", false);
    ip.run([] {
        ASSERT_TRUE(openShipped());
        // A tiny duration factor leaves fewer than 128 samples.
        brisa::ttsSetFactors(1.0, 0.02);
        const size_t n = chainSamples("a", 0.02);
        ASSERT_GT(n, 0u);
        ASSERT_LT(n, 128u);
        speech::waveState().lastQueuedLen = 0;
        EXPECT_TRUE(brisa::ttsSpeak("a"));
        EXPECT_EQ(speech::waveState().lastQueuedLen, 256u);
        EXPECT_EQ(speech::waveState().lastOpenRate, 16000);
        EXPECT_EQ(speech::waveState().lastOpenBits, 16);
        brisa::ttsStop();
        EXPECT_FALSE(brisa::ttsIsSpeaking());
        brisa::ttsClose();
    });
}

TEST(BrisaEngine, AKeyCutsALongText) {
    PathGuard noMbrola("/nonexistent");
    InProc ip("{wait 300}x", "", false);
    std::string text;
    for (int i = 0; i < 30; ++i) text += "A casa amarela fica no alto do morro. ";
    ip.run([&] {
        ASSERT_TRUE(openShipped());
        brisa::ttsSetFactors(1.0, 1.0);
        const uint64_t t0 = ip.now();
        EXPECT_TRUE(brisa::ttsSpeak(text));
        EXPECT_FALSE(brisa::ttsIsSpeaking());
        // About a minute of speech; the key 300 ms in ends it within a piece or two.
        EXPECT_LT(ip.now() - t0, 2000u);
        brisa::ttsClose();
    });
}

TEST(BrisaEngine, PipeToMbrolaProgram) {
    PathGuard standin(standinDir());
    const std::string dir = tempDir();
    ASSERT_EQ(mkdir((dir + "/br4").c_str(), 0755), 0);
    ASSERT_TRUE(writeText(dir + "/br4/br4", "voz"));
    const std::string log = dir + "/linhas.log";
    setenv("MBROLA_STANDIN_LOG", log.c_str(), 1);
    // A rules file that makes y the phoneme the stand-in dies on.
    ASSERT_TRUE(writeText(dir + "/r.nrl", "(Y)=crash|\n" + readText(kData + "portug.nrl")));
    const std::string out = dir + "/pipe.wav";
    brisa::ttsSetOutputFile(out);
    ASSERT_TRUE(openShipped(dir + "/br4", dir + "/r.nrl"));
    EXPECT_EQ(brisa::ttsBackend(), "mbrola");
    brisa::ttsSetFactors(1.0, 1.0);
    EXPECT_TRUE(brisa::ttsSpeak("casa"));
    EXPECT_FALSE(brisa::ttsSpeak("aya"));   // the program ended mid-utterance
    EXPECT_TRUE(brisa::ttsSpeak("casa"));   // and is started again for the next one
    std::vector<std::string> want{"_ 10", "#"};
    for (const std::string& l : brisa::textToPhonemeLines("casa", 1.0, 1.0))
        if (!l.empty()) want.push_back(l);
    want.push_back("#");
    const size_t perCasa = chainSamples("casa", 1.0);
    brisa::ttsClose();
    brisa::ttsSetOutputFile("");
    unsetenv("MBROLA_STANDIN_LOG");
    const std::vector<int16_t> s = wavSamples(out);
    EXPECT_GE(s.size(), 2 * perCasa);
    // The lines went in the order of the chain, each utterance closed by a flush.
    std::vector<std::string> got;
    std::ifstream in(log);
    for (std::string l; std::getline(in, l) && got.size() < want.size();) got.push_back(l);
    EXPECT_EQ(got, want);
}

TEST(BrisaEngine, RendererHonoursDurationsPitchAndJoins) {
    brisa::DiphoneDb db;
    std::string problem;
    ASSERT_TRUE(brisa::loadDiphoneDb(kData + "br4.ddb", db, problem)) << problem;
    // A steady vowel at 150 Hz and at 95 Hz: the period of the output follows.
    for (double hz : {150.0, 95.0}) {
        const auto s = brisa::renderPhoneLines(db, {"_ 50", "a 400 0 " + std::to_string(hz) + " 100 " +
                                                    std::to_string(hz), "_ 50"});
        ASSERT_EQ(s.size(), size_t(500 * 16));
        // The shortest lag that correlates nearly as well as the best one (not a multiple of the period).
        std::vector<double> r(321, 0.0);
        double best = 0;
        for (int l = 40; l <= 320; ++l) {
            double xy = 0, xx = 0, yy = 0;
            for (size_t i = 2400; i < 4400; ++i) {
                xy += double(s[i]) * s[i + size_t(l)];
                xx += double(s[i]) * s[i];
                yy += double(s[i + size_t(l)]) * s[i + size_t(l)];
            }
            r[size_t(l)] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
            best = std::max(best, r[size_t(l)]);
        }
        int lag = 40;
        while (lag < 320 && !(r[size_t(lag)] >= 0.9 * best && r[size_t(lag)] >= r[size_t(lag + 1)])) ++lag;
        EXPECT_NEAR(16000.0 / lag, hz, hz * 0.06) << hz;
    }
    // No click at the joins: no step between samples larger than the largest inside the diphones used.
    for (const char* text : {"casa", "O menino foi à escola.", "Quantas patas tem uma aranha?"}) {
        const auto lines = brisa::textToPhonemeLines(plat::cp(text), 1.0, 1.0);
        int sourceStep = 0;
        std::string prev = "_";
        for (const std::string& l : lines) {
            brisa::Phone p;
            bool bad;
            if (!brisa::parsePhoneLine(l, p, bad)) continue;
            if (const brisa::Diphone* d = db.find(prev, p.name))
                for (size_t i = 1; i < d->samples.size(); ++i)
                    sourceStep = std::max(sourceStep, std::abs(d->samples[i] - d->samples[i - 1]));
            prev = p.name;
        }
        const auto s = brisa::renderPhoneLines(db, lines);
        int step = 0;
        for (size_t i = 1; i < s.size(); ++i) step = std::max(step, std::abs(s[i] - s[i - 1]));
        EXPECT_LE(step, sourceStep) << text;
    }
}

TEST(BrisaEngine, DamagedDatabaseIsRefused) {
    const std::string good = readText(kData + "br4.ddb");
    ASSERT_GT(good.size(), 1000u);
    const std::string dir = tempDir();
    struct Case { const char* what; std::string bytes; };
    std::string badMark = good;
    // The first unit's first mark pointed past its samples.
    const size_t nameLen = uint8_t(good[12]);
    const size_t markAt = 12 + 4 + nameLen + 4 + 4;
    badMark.replace(markAt, 4, std::string("\xff\xff\xff\x7f", 4));
    const Case cases[] = {{"truncated", good.substr(0, good.size() / 2)},
                          {"not a database", "RIFF" + good.substr(4)},
                          {"a mark outside its unit", badMark},
                          {"trailing bytes", good + "x"},
                          {"empty", ""}};
    for (const Case& c : cases) {
        ASSERT_TRUE(writeText(dir + "/d.ddb", c.bytes));
        brisa::DiphoneDb db;
        std::string problem;
        EXPECT_FALSE(brisa::loadDiphoneDb(dir + "/d.ddb", db, problem)) << c.what;
        EXPECT_FALSE(problem.empty()) << c.what;
        EXPECT_TRUE(db.units.empty()) << c.what;
    }
}

}  // namespace

namespace {

TEST(BrisaVoice, ConfiguredFilesRateAndPitch) {
    PathGuard noMbrola("/nonexistent");
    // Rate and pitch reach the engine as its duration and pitch factors.
    struct Case { int rate, pitch; double df; };
    const Case cases[] = {{0, 0, 0.8}, {6, 0, 0.4}, {-3, 11, 1.0}};
    const std::string dir = tempDir();
    for (const Case& c : cases) {
        InProc ip("", "", false);
        speech::speechSettings().brisaDir = "c:\\sonare\\brisatts";  // the "\\" is added
        const std::string wav = dir + "/v" + std::to_string(c.rate) + ".wav";
        int rc = -1;
        ip.run([&] { rc = brisa::brisaSpeakToWav("Bom dia.", wav, c.rate, c.pitch); });
        EXPECT_EQ(rc, 0);
        ip.run([&] { ASSERT_TRUE(openShipped()); });
        const size_t want = chainSamples("Bom dia.", c.df);
        brisa::ttsClose();
        EXPECT_EQ(wavSamples(wav).size(), want) << c.rate;
    }
    // A folder without the engine's files: the voice does not open.
    InProc bad("", "", false);
    speech::speechSettings().brisaDir = "c:\\nao\\existe\\";
    bad.run([] {
        EXPECT_FALSE(brisa::brisaVoiceOpen(1, 0, 0));
    });
    InProc good("", "", false);
    good.run([] {
        ASSERT_TRUE(brisa::brisaVoiceOpen(1, 0, 0));
        brisa::brisaVoiceSpeak("casa");
        EXPECT_EQ(speech::waveState().lastOpenRate, 16000);
        brisa::brisaVoiceClose();
        EXPECT_EQ(brisa::ttsBackend(), "");
    });
}

}  // namespace

namespace {

// The shipped ECOLAR.INI with the engine chosen.
std::string engineIni() {
    std::string ini = readText(std::string(LUDIVAR_SOURCE_DIR) + "/data/ECOLAR.INI");
    const size_t sapi = ini.find("SAPI=NAO");
    const size_t tipo = ini.find("TIPOSAPI=4");
    if (sapi == std::string::npos || tipo == std::string::npos) return std::string();
    ini.replace(sapi, 8, "SAPI=SIM");
    ini.replace(ini.find("TIPOSAPI=4"), 10, "TIPOSAPI=3");
    return ini;
}

TEST(BrisaProgram, SpeaksEverythingWithTheEngine) {
    const std::string ini = engineIni();
    ASSERT_FALSE(ini.empty());
    const std::string wav = tempDir() + "/motor.wav";
    HeadlessResult r = runHeadless("", {"--speak", "Você quer jogar outra vez?", "--wav", wav}, ini);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<int16_t> s = wavSamples(wav);
    EXPECT_GT(s.size(), 16000u * 1);
    EXPECT_LT(s.size(), 16000u * 5);
    double energy = 0;
    for (int16_t v : s) energy += double(v) * v;
    EXPECT_GT(std::sqrt(energy / double(s.size())), 500.0);  // speech, not silence
    // The whole program speaks through it: the main question goes to the engine.
    HeadlessResult run = runHeadless("{Esc}", {}, ini);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    bool voiced = false;
    for (const std::string& t : run.trace) voiced |= t.rfind("voice ", 0) == 0;
    EXPECT_TRUE(voiced) << run.err;
    EXPECT_EQ(run.err.find("indispon"), std::string::npos) << run.err;
}

}  // namespace
