// The optional libraries (media, Braille, accessibility, system voices) are opened
// when a feature first needs them: a start that uses none of them maps none, each
// one loads when asked, and one that cannot be loaded leaves its feature as it is
// without its service, with one log line naming the library.
#include "ludivar_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/a11y_window.h"
#include "platform/access.h"
#include "platform/atk_lib.h"
#include "platform/atspi_lib.h"
#include "platform/braille.h"
#include "platform/brlapi_lib.h"
#include "platform/louis_lib.h"
#include "platform/media.h"
#include "platform/mpv_lib.h"
#include "speech/espeak_lib.h"
#include "speech/speechd_lib.h"
#include "speech/sysvoice.h"
#include "support/child.h"
#include "support/headless.h"

namespace {

const std::vector<std::string> kOptional = {"libmpv.so.2",     "libbrlapi.so.0.8",    "liblouis.so.20",
                                            "libspeechd.so.2", "libespeak-ng.so.1",   "libatk-1.0.so.0",
                                            "libatk-bridge-2.0.so.0", "libatspi.so.0"};

// A short tone as a Sun audio file: a medium that only libmpv reads (not a WAV file).
std::string writeAu(const std::string& path) {
    std::string au = ".snd";
    auto be32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) au += char((v >> s) & 0xff);
    };
    const uint32_t samples = 8000 / 5;
    be32(24);
    be32(samples * 2);
    be32(3);  // 16-bit linear
    be32(8000);
    be32(1);
    for (uint32_t i = 0; i < samples; ++i) {
        const int16_t v = int16_t((i / 10) % 2 ? 8000 : -8000);
        au += char(uint16_t(v) >> 8);
        au += char(uint16_t(v) & 0xff);
    }
    writeText(path, au);
    return path;
}

// The feature behind one library, used twice (the second use must not log again);
// "yes" when it worked.  Run in a child whose loader may be given a broken copy.
std::string useFeature(const std::string& which, const std::string& dir) {
    bool ok = false;
    std::string said;
    for (int i = 0; i < 2; ++i) {
        if (which == "mpv") {
            plat::MediaInfo info;
            ok = plat::mediaProbe(writeAu(dir + "/tom.au"), info) && info.durationMs > 150;
        } else if (which == "louis") {
            brl::Translation t;
            ok = brl::translate("pt-pt-g1.utb", "casa", t) && !t.dots.empty();
        } else if (which == "espeak") {
            ok = speech::sysvoiceOpen(speech::VoiceKind::Espeak, 0, 0, 0);
            if (!ok) said = speech::sysvoiceError();
            speech::sysvoiceClose();
        } else if (which == "speechd") {
            ok = speech::sysvoiceOpen(speech::VoiceKind::Server, 0, 0, 0);
            if (!ok) said = speech::sysvoiceError();
            speech::sysvoiceClose();
        } else if (which == "brlapi") {
            ok = brl::open(0);
            brl::close();
        } else if (which == "atspi") {
            ok = a11y::available();
        } else if (which == "atk") {
            ok = plat::a11y::start("Ludivar");
        }
    }
    return (ok ? "yes\n" : "no\n") + said;
}

// This test program run again as a child that uses one feature and ends, once
// everything is set up (before any test runs).
struct FeatureChild : ::testing::Environment {
    void SetUp() override {
        const char* which = std::getenv("LUDIVAR_TEST_USE_FEATURE");
        if (!which) return;
        const std::string dir = std::getenv("LUDIVAR_TEST_DIR");
        writeText(dir + "/out-" + which, useFeature(which, dir));
        std::fflush(stderr);
        _exit(0);
    }
};
[[maybe_unused]] ::testing::Environment* const kFeatureChild = ::testing::AddGlobalTestEnvironment(new FeatureChild);

struct FeatureRun {
    std::string out, err;
};

FeatureRun runFeature(const std::string& which, const std::string& dir, std::vector<std::string> env) {
    env.push_back("LUDIVAR_TEST_USE_FEATURE=" + which);
    env.push_back("LUDIVAR_TEST_DIR=" + dir);
    testsupport::Child c;
    testsupport::SpawnOptions o;
    o.errFile = dir + "/err-" + which;
    o.env = env;
    FeatureRun r;
    std::remove((dir + "/out-" + which).c_str());
    if (!testsupport::spawn(c, {"/proc/self/exe"}, o)) return r;
    EXPECT_EQ(c.waitExit(60000), 0) << which;
    r.out = readText(dir + "/out-" + which);
    r.err = readText(o.errFile);
    return r;
}

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The files the loader mapped, from its own account (LD_DEBUG=files) of every process
// that wrote into `dir`.
std::set<std::string> loaderAccount(const std::string& dir) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind("ld.", 0) != 0) continue;
        std::istringstream in(readText(entry.path().string()));
        std::string line;
        while (std::getline(in, line)) {
            const size_t at = line.find("file="), end = line.find(" [");
            if (at != std::string::npos && end > at && line.find("generating link map") != std::string::npos)
                files.insert(line.substr(at + 5, end - at - 5));
        }
    }
    return files;
}

}  // namespace

TEST(OptionalLibraries, AStartThatUsesNoneMapsNone) {
    struct Row {
        const char* what;
        std::vector<std::string> args;  // after the program; "headless": through the headless front
    };
    const Row rows[] = {{"--version", {"--version"}}, {"--help", {"--help"}}, {"headless", {}}};
    for (const Row& r : rows) {
        const std::string dir = tempDir();
        const std::vector<std::string> account = {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + dir + "/ld"};
        if (r.args.empty()) {
            // Start, the main question spoken, and out.
            setHeadlessEnv(account);
            EXPECT_EQ(runHeadless("{Esc}").exitCode, 0);
            setHeadlessEnv({});
        } else {
            std::vector<std::string> argv = {LUDIVAR_BIN};
            argv.insert(argv.end(), r.args.begin(), r.args.end());
            testsupport::Child c;
            testsupport::SpawnOptions o;
            o.env = account;
            ASSERT_TRUE(testsupport::spawn(c, argv, o));
            EXPECT_EQ(c.waitExit(60000), 0) << r.what;
        }
        const std::set<std::string> files = loaderAccount(dir);
        EXPECT_EQ(files.count("libc.so.6"), 1u) << r.what << ": the loader's account was not read";
        for (const std::string& lib : kOptional) EXPECT_EQ(files.count(lib), 0u) << r.what << " mapped " << lib;
    }
}

// Each table loads in full (every function we call is found) from any thread at
// once, and the library is then in the process.
TEST(OptionalLibraries, EachLoadsOnceWhenAsked) {
    struct Row {
        const char* soname;
        bool (*loaded)();
    };
    const Row rows[] = {
        {"libmpv.so.2", [] { return plat::mpvlib::api() != nullptr; }},
        {"libbrlapi.so.0.8", [] { return plat::brlapilib::api() != nullptr; }},
        {"liblouis.so.20", [] { return plat::louislib::api() != nullptr; }},
        {"libatk-bridge-2.0.so.0", [] { return plat::atklib::api() != nullptr; }},
        {"libatspi.so.0", [] { return plat::atspilib::api() != nullptr; }},
        {"libgobject-2.0.so.0", [] { return plat::gliblib::api() != nullptr; }},
        {"libspeechd.so.2", [] { return speech::speechdlib::api() != nullptr; }},
        {"libespeak-ng.so.1", [] { return speech::espeaklib::api() != nullptr; }},
    };
    for (const Row& r : rows) {
        std::vector<std::thread> threads;
        std::vector<char> got(4, 0);
        for (size_t i = 0; i < got.size(); ++i) threads.emplace_back([&, i] { got[i] = r.loaded(); });
        for (std::thread& t : threads) t.join();
        for (char g : got) EXPECT_TRUE(g) << r.soname;
        const std::string maps = readText("/proc/self/maps");
        EXPECT_NE(maps.find(std::string("/") + r.soname), std::string::npos) << r.soname << " is not mapped";
    }
}

// A library the loader cannot use (here: an empty file found first on the library
// path): the feature is as without its service, and the log names the library once.
TEST(OptionalLibraries, OneThatCannotLoadLeavesTheFeatureAsWithoutItsService) {
    struct Row {
        const char* feature;
        const char* soname;
        const char* worksWithIt;  // "yes": the feature works here when the library loads
        const char* sameAsNoService;  // what the program says when the service is missing
    };
    const Row rows[] = {
        {"mpv", "libmpv.so.2", "yes", ""},
        {"louis", "liblouis.so.20", "yes", ""},
        {"espeak", "libespeak-ng.so.1", "yes", "não iniciou"},
        {"speechd", "libspeechd.so.2", "", "sem conexão com o speech-dispatcher"},
        {"brlapi", "libbrlapi.so.0.8", "", ""},
        {"atspi", "libatspi.so.0", "", ""},
        {"atk", "libatk-1.0.so.0", "", ""},
    };
    const std::string dir = tempDir();
    const std::string broken = dir + "/broken";
    ASSERT_EQ(std::system(("mkdir -p '" + broken + "'").c_str()), 0);
    // No server or display to reach: only the library decides. A bus that is named
    // (and not there) gets the accessibility code as far as the library.
    const std::vector<std::string> env = {"SPEECHD_ADDRESS=unix_socket:" + dir + "/no-speechd", "BRLAPI_HOST=127.0.0.1:9", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir + "/no-bus",
                                          "AT_SPI_BUS_ADDRESS", "NO_AT_BRIDGE"};
    for (const Row& r : rows) {
        ASSERT_TRUE(writeText(broken + "/" + r.soname, ""));
        std::vector<std::string> withBroken = env;
        withBroken.push_back("LD_LIBRARY_PATH=" + broken);
        const FeatureRun bad = runFeature(r.feature, dir, withBroken);
        EXPECT_EQ(bad.out.rfind("no\n", 0), 0u) << r.feature << ": " << bad.out;
        EXPECT_EQ(countOf(bad.err, std::string("biblioteca ") + r.soname + " não carregou"), 1)
            << r.feature << ": " << bad.err;
        EXPECT_NE(bad.err.find("file too short"), std::string::npos) << r.feature << ": the loader's reason\n" << bad.err;
        if (*r.sameAsNoService) {
            EXPECT_NE(bad.out.find(r.sameAsNoService), std::string::npos) << bad.out;
        }
        std::remove((broken + "/" + r.soname).c_str());

        const FeatureRun good = runFeature(r.feature, dir, env);
        EXPECT_EQ(good.err.find("não carregou"), std::string::npos) << r.feature << ": " << good.err;
        if (*r.worksWithIt) {
            EXPECT_EQ(good.out.rfind("yes\n", 0), 0u) << r.feature << ": " << good.out;
        }
    }
}
