// System voices, for real: espeak-ng inside the process (heard through the
// headless wave output and its virtual clock) and a speech-dispatcher that
// each test starts on private sockets.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "speech/sysvoice.h"
#include "speech/sysvoice_kinds.h"
#include "support/headless.h"
#include "support/inproc.h"
#include "support/speechd_server.h"

// libspeechd reads the voice list (13,000 voices with espeak-ng) with a strstr per
// line.  AddressSanitizer's strstr measures the whole rest of the list on every call,
// which turns the reading quadratic (minutes); the library's own strstr is not ours to
// check, so this test program takes the plain one.
#if defined(__SANITIZE_ADDRESS__)
#define LUDIVAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUDIVAR_ASAN 1
#endif
#endif
#ifdef LUDIVAR_ASAN
extern "C" const char* __asan_default_options() { return "intercept_strstr=0"; }
#endif

namespace {

std::string voiceIni(int kind, const std::string& more = "") {
    return "[TRADUTOR]\nSAPI=SIM\n[SERVFALA]\nTIPOSAPI=" + std::to_string(kind) + "\n" + more;
}

const std::string kLong =
    "Era uma vez um menino que morava numa casa grande perto do rio, e todos os dias ele ia até a "
    "margem olhar os peixes que nadavam devagar entre as pedras.";

int countPrefix(const std::vector<std::string>& trace, const std::string& prefix) {
    int n = 0;
    for (const std::string& e : trace)
        if (e.rfind(prefix, 0) == 0) ++n;
    return n;
}

uint64_t nowUs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

// Waits (in real time, bounded) for a condition set by a server.
template <typename F>
bool eventually(F ready, int seconds = 20) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

TEST(SystemVoiceRules, WhatEachKindIsGivenAndHowVoicesAreNumbered) {
    struct Row {
        int kind;
        const char* text;
        bool spoken;
        const char* given;
    };
    const Row rows[] = {
        {4, "7", true, "7."},      {4, " 7 ", true, "7."},   {4, "17", true, "17"}, {4, "", false, ""},
        {4, "  \t", false, ""},    {9, "7", true, "7."},     {5, "", true, " "},    {54, "", true, " "},
        {5, "7", true, "7"},       {5, " a ", true, " a "},  {3, "", true, ""},
    };
    for (const Row& r : rows) {
        std::string given;
        const speech::VoiceKind kind = speech::voiceKindFromNumber(r.kind);
        EXPECT_EQ(speech::voiceText(kind, r.text, given), r.spoken) << r.kind << " '" << r.text << "'";
        if (r.spoken) {
            EXPECT_EQ(given, r.given) << r.kind << " '" << r.text << "'";
        }
    }

    // Brazilian voices first, then the other Portuguese ones, each group in the service's order.
    const std::vector<std::string> langs = {"af", "pt", "en-US", "pt-BR", "pt-br", "PT-pt"};
    EXPECT_EQ(speech::voiceOrder(langs), (std::vector<size_t>{3, 4, 1, 5, 0, 2}));
    // Ten steps of the rate make espeak-ng three times faster, within what it can do.
    EXPECT_EQ(speech::espeakWordsPerMinute(10), 450);
    EXPECT_EQ(speech::espeakWordsPerMinute(-10), 80);
}

// TIPOSAPI numbers: three name their own kinds, every other one is the speech
// server's, and a kind gives back the number that names it.
TEST(SystemVoiceRules, TiposapiNumbersNameKinds) {
    using speech::VoiceKind;
    const struct {
        int number;
        VoiceKind kind;
        int back;
    } rows[] = {
        {3, VoiceKind::Embedded, 3}, {5, VoiceKind::Espeak, 5},   {54, VoiceKind::Espeak54, 54},
        {4, VoiceKind::Server, 4},   {0, VoiceKind::Server, 4},   {1, VoiceKind::Server, 4},
        {-3, VoiceKind::Server, 4},  {53, VoiceKind::Server, 4},  {55, VoiceKind::Server, 4},
        {45, VoiceKind::Server, 4},  {2147483647, VoiceKind::Server, 4},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(speech::voiceKindFromNumber(r.number), r.kind) << r.number;
        EXPECT_EQ(speech::voiceKindNumber(speech::voiceKindFromNumber(r.number)), r.back) << r.number;
    }
    EXPECT_TRUE(speech::inProcessEspeak(VoiceKind::Espeak));
    EXPECT_TRUE(speech::inProcessEspeak(VoiceKind::Espeak54));
    EXPECT_FALSE(speech::inProcessEspeak(VoiceKind::Embedded));
    EXPECT_FALSE(speech::inProcessEspeak(VoiceKind::Server));
}

// VOZ and VELOCIDADE with espeak-ng: a number past the list, or none, takes
// the first voice (Brazilian) at its own rate; a rate the scale lacks is left out.
TEST(EspeakVoice, VoiceNumberAndRate) {
    struct Row {
        const char* servfala;
        const char* voice;
        int wpm;
    };
    const Row rows[] = {
        {"VOZ=0\nVELOCIDADE=5\n", "Portuguese (Brazil)", 175},
        {"VOZ=999\nVELOCIDADE=5\n", "Portuguese (Brazil)", 175},
        {"VOZ=1\nVELOCIDADE=5\n", "Portuguese (Brazil)", speech::espeakWordsPerMinute(5)},
        {"VOZ=2\nVELOCIDADE=-3\n", "Portuguese (Portugal)", speech::espeakWordsPerMinute(-3)},
        {"VOZ=1\nVELOCIDADE=-40\n", "Portuguese (Brazil)", 175},
        {"VOZ=1\nVELOCIDADE=40\n", "Portuguese (Brazil)", 175},
    };
    for (const Row& r : rows) {
        InProc p("", voiceIni(5, r.servfala));
        ASSERT_TRUE(con::systemVoiceActive()) << r.servfala;
        EXPECT_EQ(speech::sysvoiceKind(), speech::VoiceKind::Espeak);
        EXPECT_EQ(speech::sysvoiceVoiceName(), r.voice) << r.servfala;
        EXPECT_EQ(speech::sysvoiceNativeRate(), r.wpm) << r.servfala;
        p.run([] { con::endSpeech(); });
        EXPECT_EQ(speech::sysvoiceKind(), speech::VoiceKind::None);
    }
}

// The whole text goes to espeak-ng, its sound takes its time on the wave
// output, and an impatient key silences it there and stays to be read.
TEST(EspeakVoice, SpeaksWholeTextsAndAKeyCutsThem) {
    InProc p("{wait 6000}x", voiceIni(54));
    ASSERT_TRUE(con::systemVoiceActive());
    p.trace.clear();

    uint64_t t0 = p.now();
    p.run([] { con::speak("007 casas, 12-34."); });
    p.run([] { con::waitSpeech(); });
    // Numbers and marks are not cut up: the voice reads them itself.
    EXPECT_EQ(p.trace, (std::vector<std::string>{"speak 007 casas, 12-34.", "voice 007 casas, 12-34."}));
    EXPECT_GE(p.now() - t0, 1000u) << "the samples did not play through the wave output";
    EXPECT_LT(p.now(), 6000u) << "the key came before the text ended";

    p.trace.clear();
    p.run([] { con::speak(plat::cp(kLong.c_str())); });
    p.run([] { con::waitSpeech(); });
    EXPECT_EQ(p.trace.back(), "stop");
    EXPECT_LT(p.now(), 6100u);
    EXPECT_FALSE(con::isSpeaking());
    uint8_t key = 0;
    p.run([&] { key = con::readKey(); });
    EXPECT_EQ(key, 'x');

    // After a stop the voice speaks the next text in full; an empty text is one blank.
    p.trace.clear();
    t0 = p.now();
    p.run([] {
        con::speak("");
        con::speak("fim");
        con::waitSpeech();
    });
    EXPECT_EQ(p.trace, (std::vector<std::string>{"speak", "voice  ", "speak fim", "voice fim"}));
    EXPECT_GE(p.now() - t0, 200u);
}

// A voice that cannot open: the own voice says so once (not again when Ctrl+F4
// reopens speech) and speaks on; the reason goes to standard error.
TEST(SystemVoiceFallBack, OwnVoiceSaysOnceAndTheLogSaysWhy) {
    const std::string notice = std::string("speak ") + con::kSystemVoiceMissing;
    setenv("SPEECHD_ADDRESS", "unix_socket:/nonexistent/ludivar/sock", 1);
    struct Row {
        int kind;
        const char* reason;
        const char* more;
    };
    // Kind 3 fails when its folder holds no engine.
    for (const Row& r : {Row{3, "TIPOSAPI 3", "[BRISATTS]\nDIR=c:\\nao\\ha\\motor\n"}, Row{4, "speech-dispatcher", ""},
                         Row{17, "speech-dispatcher", ""}}) {
        InProc p("", voiceIni(r.kind, r.more));
        EXPECT_FALSE(con::systemVoiceActive());
        p.run([] {
            con::endSpeech();
            con::startSpeech(2, "");
            con::speak("casa");
        });
        EXPECT_EQ(p.tracedCount(notice), 1) << r.kind;
        EXPECT_EQ(countPrefix(p.trace, "voice "), 0);
        EXPECT_EQ(p.trace.back().rfind("synth ", 0), 0u) << "the own synthesizer speaks on";

        HeadlessResult h = runHeadless("{Esc}", {}, voiceIni(r.kind, r.more));
        EXPECT_EQ(h.exitCode, 0);
        EXPECT_NE(h.err.find(r.reason), std::string::npos) << h.err;
        EXPECT_EQ(h.count(notice), 1);
        ASSERT_FALSE(h.rows.empty());
        EXPECT_EQ(h.rows[0].find("indispon"), std::string::npos) << "the notice is spoken, not written";
    }
    unsetenv("SPEECHD_ADDRESS");
}

// A teacher's road with espeak-ng: every text of the start, the main question
// and the farewell is spoken by it, none by the own synthesizer.
TEST(EspeakVoice, TheProgramSpeaksThroughIt) {
    HeadlessResult h = runHeadless("{Esc}", {}, voiceIni(5, "VOZ=1\n"));
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_EQ(countPrefix(h.trace, "synth "), 0);
    EXPECT_TRUE(h.contains("voice Opção: Jogar, Criar ou Editar? "));
    EXPECT_TRUE(h.contains("voice Fim do Ludivar"));
    EXPECT_EQ(countPrefix(h.trace, "speak "), countPrefix(h.trace, "voice "));
}

// speech-dispatcher: the voice chosen, the text it is given, busy while the
// server speaks (in real time, on a null sink), and a key that cancels it.
TEST(SpeechdVoice, SpeaksInRealTimeAndAKeyCancels) {
    SpeechServer server;
    std::string why;
    ASSERT_TRUE(server.start(why)) << why;
    setenv("SPEECHD_ADDRESS", server.address().c_str(), 1);

    struct Row {
        const char* servfala;
        const char* voice;  // empty: the server's own for pt-BR
        int rate;
    };
    const Row rows[] = {
        {"VOZ=0\nVELOCIDADE=0\n", "", 0},
        {"VOZ=1\nVELOCIDADE=15\nTOM=2\n", "Portuguese (Brazil)", 100},
        {"VOZ=99999\nVELOCIDADE=-2\n", "Portuguese (Brazil)", -20},
    };
    for (const Row& r : rows) {
        InProc p("", voiceIni(4, r.servfala));
        ASSERT_TRUE(con::systemVoiceActive()) << r.servfala;
        EXPECT_EQ(speech::sysvoiceVoiceName(), r.voice);
        EXPECT_EQ(speech::sysvoiceNativeRate(), r.rate);
        p.run([] { con::endSpeech(); });
    }

    {
        InProc p("x", voiceIni(4));
        ASSERT_TRUE(con::systemVoiceActive());
        p.trace.clear();
        const uint64_t saidUs = nowUs();
        p.run([] { con::speak("7"); });
        EXPECT_TRUE(con::isSpeaking()) << "the server's words take real time";
        // The headless user listens to the end before typing (the line editor
        // stops speech on every key it reads).
        uint8_t key = 0;
        p.run([&] {
            key = con::readKey();
            con::stopSpeech();
            con::speak("   ");
        });
        EXPECT_EQ(key, 'x');
        EXPECT_FALSE(con::systemVoiceBusy());
        uint64_t beginUs = 0, doneUs = 0;
        bool cancelled = true;
        EXPECT_TRUE(eventually([&] {
            speech::speechdEventTimes(beginUs, doneUs, cancelled);
            return doneUs > saidUs;
        }));
        EXPECT_FALSE(cancelled) << "the key was typed while the server still spoke";
        EXPECT_EQ(p.trace, (std::vector<std::string>{"speak 7", "voice 7.", "stop", "speak    "}));
        p.run([] { con::endSpeech(); });
    }

    InProc p("{wait 600}x", voiceIni(4));
    ASSERT_TRUE(con::systemVoiceActive());
    p.trace.clear();
    const uint64_t startUs = nowUs();
    p.run([] {
        con::speak(plat::cp(kLong.c_str()));
        con::waitSpeech();
    });
    EXPECT_EQ(p.trace.back(), "stop");
    EXPECT_FALSE(con::systemVoiceBusy()) << "a stop drops everything at once";
    // The server itself was told: its CANCEL comes (an END would mean it spoke on to the end).
    uint64_t beginUs = 0, doneUs = 0;
    bool cancelled = false;
    EXPECT_TRUE(eventually([&] {
        speech::speechdEventTimes(beginUs, doneUs, cancelled);
        return doneUs > startUs;
    }));
    EXPECT_TRUE(cancelled);
    uint8_t key = 0;
    p.run([&] { key = con::readKey(); });
    EXPECT_EQ(key, 'x');
    p.run([] { con::endSpeech(); });
    unsetenv("SPEECHD_ADDRESS");
}

// A speech server that dies while it speaks must not leave the program
// waiting for ever, nor mute: the own voice takes over.
TEST(SpeechdVoice, AServerThatDiesHandsOverToTheOwnVoice) {
    SpeechServer server;
    std::string why;
    ASSERT_TRUE(server.start(why)) << why;
    setenv("SPEECHD_ADDRESS", server.address().c_str(), 1);
    InProc p("", voiceIni(4));
    ASSERT_TRUE(con::systemVoiceActive());
    p.run([] { con::speak(plat::cp(kLong.c_str())); });
    ASSERT_TRUE(eventually([] { return con::systemVoiceBusy(); }));
    server.killSpeechd();
    EXPECT_TRUE(eventually([] { return !con::systemVoiceBusy(); })) << "busy for ever after the server died";
    p.trace.clear();
    p.run([] { con::speak("casa"); });
    EXPECT_FALSE(con::systemVoiceActive());
    EXPECT_EQ(p.tracedCount(std::string("speak ") + con::kSystemVoiceMissing), 1);
    EXPECT_EQ(p.trace.back().rfind("synth ", 0), 0u);
    unsetenv("SPEECHD_ADDRESS");
}
