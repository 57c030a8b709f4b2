// `ludivar --speak TEXT [--wav FILE]` with each kind of voice: the own voice, the embedded
// engine, espeak-ng inside the program and speech-dispatcher (a private server playing
// into a null sink).  Aloud, the text is heard through that voice and the program ends
// after it; into a file, the voice's own samples land there, or one clear refusal.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/speechd_server.h"

namespace {

struct Spoken {
    int code = -1;
    std::string out, trace;
    double seconds = 0;
};

// The shipped settings with the voice switched: SAPI=NAO for the own voice, else SAPI=SIM
// and that TIPOSAPI.
std::string iniWithVoice(int kind) {
    std::string ini = readText(std::string(LUDIVAR_SOURCE_DIR) + "/data/ECOLAR.INI");
    auto set = [&](const std::string& key, const std::string& value) {
        const size_t at = ini.find("\n" + key + "=");
        if (at == std::string::npos) return false;
        const size_t end = ini.find_first_of("\r\n", at + 1);
        ini.replace(at + 1, end - at - 1, key + "=" + value);
        return true;
    };
    EXPECT_TRUE(set("SAPI", kind == 0 ? "NAO" : "SIM"));
    if (kind != 0) {
        EXPECT_TRUE(set("TIPOSAPI", std::to_string(kind)));
    }
    return ini;
}

Spoken speakWith(int kind, const std::string& args, const std::string& env) {
    const std::string dir = tempDir();
    writeText(dir + "/ECOLAR.INI", iniWithVoice(kind));
    const std::string cmd = "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY HOME='" + dir + "' " + env +
                            " timeout 120 '" + LUDIVAR_BIN + "' --ini ECOLAR.INI --trace trace.txt " + args +
                            " 2>&1 </dev/null";
    Spoken s;
    const auto start = std::chrono::steady_clock::now();
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) s.out.append(buf, n);
    const int status = pclose(p);
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    s.trace = readText(dir + "/trace.txt");
    return s;
}

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

const char* const kText = "Um, dois, três, quatro, cinco, seis, sete, oito, nove, dez.";

}  // namespace

TEST(Speak, AloudThroughEveryKindOfVoice) {
    SpeechServer server;
    std::string why;
    const bool serverUp = server.start(why);
    LUDIVAR_REQUIRE(serverUp, why);
    struct Case {
        const char* voice;
        int kind;
        std::string env;
        const char* event;  // how the text reached its voice, in the trace (the engine writes its own file)
    };
    const Case cases[] = {
        {"own voice", 0, "SDL_AUDIODRIVER=dummy", "synth "},
        {"embedded engine", 3, "SDL_AUDIODRIVER=dummy", nullptr},
        {"espeak-ng", 5, "SDL_AUDIODRIVER=dummy", "voice "},
        // speech-dispatcher plays on its own device: no sound device is needed here.
        {"speech-dispatcher", 4, "SDL_AUDIODRIVER=nenhum SPEECHD_ADDRESS=" + server.address(), "voice "},
    };
    for (const Case& c : cases) {
        const Spoken s = speakWith(c.kind, std::string("--speak '") + kText + "'", c.env);
        EXPECT_EQ(s.code, 0) << c.voice << "\n" << s.out;
        if (c.event) {
            EXPECT_NE(s.trace.find(c.event), std::string::npos) << c.voice << "\n" << s.trace;
        }
        // Ten numbers take well over a second to say; ending sooner is ending before the voice did.
        EXPECT_GT(s.seconds, 1.5) << c.voice;
    }
}

TEST(Speak, IntoAFileWithEveryKindThatCanWriteOne) {
    struct Case {
        const char* voice;
        int kind;
        int rate, bits;  // of the file; 0: refused
    };
    const Case cases[] = {
        {"own voice", 0, 11025, 8},
        {"embedded engine", 3, 16000, 16},
        {"espeak-ng", 5, 22050, 16},
        {"speech-dispatcher", 4, 0, 0},
    };
    for (const Case& c : cases) {
        const std::string wav = tempDir() + "/fala.wav";
        const Spoken s = speakWith(c.kind, std::string("--speak '") + kText + "' --wav '" + wav + "'",
                                   "SDL_AUDIODRIVER=nenhum SPEECHD_ADDRESS=unix_socket:/nao/ha/servidor");
        const std::string image = readText(wav);
        struct stat st;
        EXPECT_NE(stat((wav + ".part").c_str(), &st), 0) << c.voice << ": a partial file was left";
        if (c.rate == 0) {
            EXPECT_EQ(s.code, 1) << c.voice;
            EXPECT_NE(s.out.find("o speech-dispatcher não grava a fala em arquivo"), std::string::npos) << s.out;
            EXPECT_EQ(s.out.find('\n'), s.out.size() - 1) << "one message:\n" << s.out;
            EXPECT_TRUE(image.empty()) << c.voice;
            continue;
        }
        EXPECT_EQ(s.code, 0) << c.voice << "\n" << s.out;
        ASSERT_GT(image.size(), 44u + 20000u) << c.voice;
        EXPECT_EQ(image.substr(0, 4), "RIFF") << c.voice;
        EXPECT_EQ(le32(image, 4), image.size() - 8) << c.voice;
        EXPECT_EQ(le32(image, 24), uint32_t(c.rate)) << c.voice;
        EXPECT_EQ(uint8_t(image[34]), c.bits) << c.voice;
        EXPECT_EQ(le32(image, 40), image.size() - 44) << c.voice;
    }
}
