// The window closed mid-game, from its close box or with Alt+F4: the next start of the
// same game offers to go on from the place the pupil was at.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"
#include "xdisplay.h"

namespace fs = std::filesystem;
using testsupport::runCommand;

namespace {

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";

// What a window manager sends when the close box is clicked.
bool sendCloseBox(unsigned long window) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(d, window, False, NoEventMask, &e) != 0;
    XFlush(d);
    XCloseDisplay(d);
    return sent;
}

// One start of `ludivar --window GAME`, its trace in a file of its own.
class WindowStart {
public:
    WindowStart(const std::string& home, const std::string& game, int n) : trace_(home + "/trace" + std::to_string(n)) {
        testsupport::SpawnOptions o;
        o.errFile = home + "/err" + std::to_string(n);
        o.env = {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data", "XDG_CONFIG_HOME=" + home + "/config",
                 "ECOLAR_CONFIG_DIR=" + home + "/config", "SDL_AUDIODRIVER=dummy"};
        started_ = testsupport::spawn(child_, {LUDIVAR_BIN, "--window", "--trace", trace_, game}, o);
        if (!started_) return;
        testsupport::waitUntil([&] {
            std::istringstream ids(runCommand("xdotool search --onlyvisible --pid " + std::to_string(child_.pid)));
            ids >> id_;
            return !id_.empty();
        }, 30000, 50);
    }
    bool shown() const { return started_ && !id_.empty(); }
    bool heard(const std::string& event) {
        const bool ok = testsupport::waitUntil(
            [&] { return ("\n" + readText(trace_)).find("\nspeak " + event) != std::string::npos; }, 60000, 20);
        EXPECT_TRUE(ok) << "never said: " << event << "\n" << readText(trace_);
        return ok;
    }
    // Keys typed through XTest where the pointer is (no window manager gives focus).
    void keys(const std::string& xdotoolArgs) {
        runCommand("xdotool mousemove --window " + id_ + " 20 20 sleep 0.1 " + xdotoolArgs);
    }
    unsigned long window() const { return std::stoul(id_); }
    int waitExit() { return child_.waitExit(30000); }
    std::string trace() const { return readText(trace_); }

private:
    std::string trace_, id_;
    testsupport::Child child_;
    bool started_ = false;
};

enum class Close { Box, AltF4 };

// A game started with Enter, "cores" at the menu, then closed at the red question; the
// next start offers to continue and goes on there.
void closeMidGameThenResume(Close how) {
    LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
    LUDIVAR_REQUIRE(testsupport::haveProgram("xdotool"), "xdotool is not installed");
    // In the user's games folder: a game from elsewhere would first be offered for installing.
    const std::string home = makeTempDir(), games = home + "/data/ludivar/jogos";
    const std::string game = games + "/formas-e-cores/formas.lud";
    fs::create_directories(games);
    fs::copy(kDemoGames + "/formas-e-cores", games + "/formas-e-cores", fs::copy_options::recursive);
    {
        WindowStart first(home, game, 1);
        ASSERT_TRUE(first.shown());
        ASSERT_TRUE(first.heard("Aperte enter"));
        first.keys("key Return");
        ASSERT_TRUE(first.heard("Vamos aprender"));
        first.keys("key Return");
        ASSERT_TRUE(first.heard("Por onde"));
        first.keys("type cores");
        first.keys("key Return");
        ASSERT_TRUE(first.heard("Agora as cores."));
        if (how == Close::Box) ASSERT_TRUE(sendCloseBox(first.window()));
        else first.keys("key alt+F4");
        EXPECT_EQ(first.waitExit(), 0);
    }
    WindowStart second(home, game, 2);
    ASSERT_TRUE(second.shown());
    ASSERT_TRUE(second.heard("Aperte enter"));
    second.keys("key Return");
    ASSERT_TRUE(second.heard("Continuar de onde parou? S/N"));
    second.keys("key s");
    ASSERT_TRUE(second.heard("Agora as cores."));
    EXPECT_EQ(second.trace().find("speak Vamos aprender"), std::string::npos) << "started afresh";
    ASSERT_TRUE(sendCloseBox(second.window()));
    EXPECT_EQ(second.waitExit(), 0);
}

TEST(WindowCloseProgress, TheCloseBoxMidGameKeepsThePlace) { closeMidGameThenResume(Close::Box); }
TEST(WindowCloseProgress, AltF4MidGameKeepsThePlace) { closeMidGameThenResume(Close::AltF4); }

}  // namespace
