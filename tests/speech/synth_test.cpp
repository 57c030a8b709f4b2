// The synthesizer as the program opens and uses it: the shipped voice data,
// the opening codes, and the spoken WAV file of the command line.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/platform.h"
#include "speech/phonetics.h"
#include "speech/synth.h"
#include "speech/synthcore.h"
#include "speech/wave.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace speech;

namespace {

const std::string kRoot = LUDIVAR_BUILD_ROOT;
const std::string kDiphones = kRoot + "/sonare/som/difones";
const std::string kLetters = kRoot + "/sonare/som/letras";

std::string iniFor(const std::string& letters, const std::string& diphones) {
    return "[TRADUTOR]\r\nDIRLETRAS=" + letters + "\r\nDIRDIFONES=" + diphones +
           "\r\n[SINTETIZADOR]\r\nDIFONES3=DIFONES2\r\n";
}

void copyFile(const std::string& from, const std::string& to) { writeText(to, readText(from)); }

}  // namespace

TEST(Synth, OpeningReportsWhatIsMissing) {
    // The folders come with the settings; the configuration file is not read here.
    const std::string empty = tempDir();
    const std::string partial = tempDir();
    copyFile(kDiphones + "/DIFONES2.IND", partial + "/DIFONES2.IND");
    copyFile(kDiphones + "/DIFONES2.DIF", partial + "/DIFONES2.DIF");
    copyFile(kDiphones + "/regras.rgr", partial + "/regras.rgr");
    const std::string whole = tempDir();
    for (const char* f : {"DIFONES2.IND", "DIFONES2.DIF", "regras.rgr", "portug.exc"})
        copyFile(kDiphones + "/" + f, whole + "/" + f);
    const struct {
        std::string letters, diphones;
        int code;
    } rows[] = {
        {empty + "/none", kDiphones, 1},  // no letters folder
        {kLetters, empty, 1},             // no database in the folder
        {kLetters, partial, 2},           // rules but no exceptions
        {kLetters, whole, 0},
    };
    for (const auto& r : rows) {
        InProc p("", iniFor(kLetters, kDiphones), false);
        SynthSettings set;
        set.letters = r.letters;
        set.diphones = r.diphones;
        set.dbName = "DIFONES2";
        EXPECT_EQ(synthOpen(set), r.code) << r.letters << " " << r.diphones;
        EXPECT_EQ(synthIsOpen(), r.code == 0);
        synthClose();
    }
    InProc p("", "", false);
    SynthSettings unnamed;  // no DIFONESs key: the name used before any settings
    unnamed.letters = kLetters;
    unnamed.diphones = whole;
    EXPECT_EQ(synthOpen(unnamed), 0);
    synthClose();
    EXPECT_FALSE(synthIsOpen());
}

TEST(Synth, DamagedDatabaseFilesStillOpenAndSpeak) {
    const std::string dir = tempDir();
    std::string ind = readText(kDiphones + "/DIFONES2.IND");
    writeText(dir + "/DIFONES2.IND", ind.substr(0, ind.size() / 2 + 7));  // not a multiple of 15
    writeText(dir + "/DIFONES2.DIF", readText(kDiphones + "/DIFONES2.DIF").substr(0, 5000));  // offsets past the end
    writeText(dir + "/regras.rgr", readText(kDiphones + "/regras.rgr") + "\n(((((\n" + std::string(5000, 'x') + "\n");
    writeText(dir + "/portug.exc", "=\nsem igual\n" + std::string(3000, '=') + "\n");
    InProc p("", iniFor(kLetters, dir), false);
    SynthSettings set;
    set.letters = kLetters;
    set.diphones = dir;
    set.dbName = "DIFONES2";
    ASSERT_EQ(synthOpen(set), 0);
    p.run([] { synthSpeak(transcribeText(plat::cp("Opção: Jogar, Criar ou Editar"))); });
    EXPECT_TRUE(p.traced("synth [ o^/p/ s/A~w][ /_:][ j/o^/ g/A/r][ /_,][ k/R/i/ A/r][ O^][ e^/ dj/i/ t/A/r]"));
    synthClose();
}

TEST(Synth, TheShippedVoiceCoversItsOwnRules) {
    InProc p;
    ASSERT_TRUE(synthIsOpen());
    SynthState& s = synthState();
    s.stats = SynthStats();
    std::string sink;
    s.sink = &sink;
    const char* texts[] = {"Ludivar, editor de jogos educacionais.", "Opção: Jogar, Criar ou Editar?",
                           "Diretório de jogos não foi encontrado", "Aperte enter", "Desistiu",
                           "Parabéns! Você acertou a pergunta e ganhou pontos.",
                           "Fim do jogo. Quer jogar outra vez? Sim ou não.", "Mãe, pães, põe, órgão, muito bem."};
    for (const char* t : texts) speakTranscription(transcribeText(plat::cp(t)));
    s.sink = nullptr;
    EXPECT_EQ(s.stats.noise, 0);
    EXPECT_EQ(s.stats.fallbacks, 0);
    EXPECT_GT(s.stats.lookups, 50);
    EXPECT_GT(sink.size(), 11025u * 5);  // some seconds of speech
}

TEST(Synth, SpeaksTranscriptionsThroughThePlayer) {
    InProc p;
    const uint64_t t0 = p.now();
    p.run([] { synthSpeak(transcribeText("casa")); });
    EXPECT_TRUE(p.traced("synth [ k/A/ z/a^]"));
    EXPECT_GT(p.now() - t0, 200u);  // the sound took its time
    EXPECT_LT(p.now() - t0, 1200u);
}

TEST(Synth, AKeyCutsALongText) {
    InProc p("{wait 300}x");
    std::string text;
    for (int i = 0; i < 40; ++i) text += "casa amarela ";
    const uint64_t t0 = p.now();
    p.run([&] { synthSpeak(transcribeText(text)); });
    EXPECT_LT(p.now() - t0, 600u);
}

TEST(Synth, SpeakToWavWritesTheWholeSentence) {
    const std::string wav = tempDir() + "/out.wav";
    HeadlessResult r = runHeadless("", {"--speak", "Fim do Ludivar, 21 casas às 13:01.", "--wav", wav});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.contains("synth [ f/i~][ d/u][ l/u/ dj/i/ v/A/r]"));
    EXPECT_TRUE(r.contains("play _vinte"));
    EXPECT_TRUE(r.contains("play _treze"));
    std::string samples;
    int rate = 0;
    ASSERT_TRUE(readWave8(wav, samples, rate));
    EXPECT_EQ(rate, 11025);
    const double seconds = double(samples.size()) / 11025.0;
    EXPECT_GT(seconds, 3.0);
    EXPECT_LT(seconds, 9.0);
    double energy = 0;
    for (unsigned char c : samples) energy += (double(c) - 128) * (double(c) - 128);
    EXPECT_GT(std::sqrt(energy / double(samples.size())), 8.0);  // speech, not silence
}

TEST(Synth, SpeakToWavReportsAFileItCannotWrite) {
    HeadlessResult r = runHeadless("", {"--speak", "casa", "--wav", "/nonexistent/dir/out.wav"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("/nonexistent/dir/out.wav"), std::string::npos);
}
