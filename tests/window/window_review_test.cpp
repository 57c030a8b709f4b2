// Screen review in the window reads what the pupil sees: the demo played in a window
// to its first question, Ctrl+Shift+F9 on that slide enters review (it does not play
// the slide again), and the review reads the question written on it.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"
#include "xdisplay.h"

namespace fs = std::filesystem;

namespace {

std::string program() {
    const char* bin = std::getenv("LUDIVAR_BIN");
    return bin && *bin ? bin : LUDIVAR_BIN;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// The words spoken from trace line `from` on, one text after another.
std::string spokenFrom(const std::string& trace, size_t from) {
    const std::vector<std::string> all = lines(trace);
    std::string said;
    for (size_t i = from; i < all.size(); ++i)
        if (all[i].rfind("speak ", 0) == 0) said += all[i].substr(6) + " ";
    return said;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(WindowReview, OnTheFirstQuestionReviewReadsTheQuestion) {
    LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
    LUDIVAR_REQUIRE(testsupport::haveProgram("xdotool"), "xdotool is not installed");
    const std::string dir = makeTempDir(), trace = dir + "/trace.txt", err = dir + "/err.txt";
    fs::copy(std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar", dir + "/jogos", fs::copy_options::recursive);
    testsupport::Child child;
    testsupport::SpawnOptions o;
    o.errFile = err;
    o.env = {"ECOLAR_CONFIG_DIR=" + dir + "/config", "SDL_AUDIODRIVER=dummy"};
    // The copy is the games folder: the game is played where it is, without a question.
    writeText(dir + "/ECOLAR.INI", "[LUDIVAR]\r\nDIRJOGOS=" + dir + "/jogos\r\n");
    ASSERT_TRUE(testsupport::spawn(child,
                                   {program(), "--window", "--ini", dir + "/ECOLAR.INI", "--trace", trace,
                                    dir + "/jogos/formas-e-cores/formas.lud"},
                                   o));
    // said from trace line `from` on, as one text or word by word
    auto traced = [&](const std::string& what, size_t from = 0) {
        return testsupport::waitUntil(
            [&] { return spokenFrom(readText(trace), from).find(what) != std::string::npos; }, 60000, 20);
    };
    auto key = [&](const std::string& keys) {
        std::string id = testsupport::runCommand("xdotool search --pid " + std::to_string(child.pid));
        id = id.substr(0, id.find_first_of("\r\n"));
        ASSERT_FALSE(id.empty());
        ASSERT_EQ(std::system(("xdotool windowfocus --sync " + id + " key --delay 30 " + keys).c_str()), 0) << keys;
    };

    // the title card, the opening and the instructions, then the menu's question
    ASSERT_TRUE(traced("Aperte enter")) << readText(trace) << readText(err);
    key("Return");
    ASSERT_TRUE(traced("Aperte Enter para começar.")) << readText(trace) << readText(err);
    key("Return");
    ASSERT_TRUE(traced("Escreva FORMAS ou CORES.")) << readText(trace) << readText(err);

    // review, from its first row
    const size_t mark = lines(readText(trace)).size();
    key("ctrl+shift+F9 Prior");
    EXPECT_TRUE(traced("Por onde você quer começar", mark)) << "review read: " << spokenFrom(readText(trace), mark);
    EXPECT_EQ(spokenFrom(readText(trace), mark).find("Equipe Ludivar"), std::string::npos);

    // leaving review, the slide is still there to answer: it is not played again
    // Esc leaves with two beeps, each dropping keys typed ahead: the answer comes after them
    key("Escape");
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const std::vector<std::string> all = lines(readText(trace));
        size_t beeps = 0;
        for (size_t i = mark; i < all.size(); ++i) beeps += all[i] == "beep";
        return beeps >= 3;
    }, 60000, 20)) << readText(trace);
    key("f o r m a s Return");
    ASSERT_TRUE(traced("Que forma é esta?", mark)) << readText(trace);
    EXPECT_EQ(count(readText(trace), "speak Escreva FORMAS ou CORES."), 1u) << readText(trace);
    child.stop();
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str())) {
    }
}
