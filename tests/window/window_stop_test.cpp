// The stop key in the window: Ctrl+Break, typed through XTest as a user types it,
// stops a game program that loops without drawing or reading a key.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"
#include "xdisplay.h"

using testsupport::runCommand;

TEST(WindowStopKey, CtrlBreakStopsATightLoop) {
    LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
    LUDIVAR_REQUIRE(testsupport::haveProgram("xdotool"), "xdotool is not installed");
    const std::string dir = makeTempDir(), err = dir + "/err.txt";
    {
        std::ofstream p(dir + "/laco.pro", std::ios::binary);
        p << "ENQUANTO 1 = 1\r\nSOMA N 1\r\nFIM ENQUANTO\r\n";
    }
    testsupport::Child child;
    testsupport::SpawnOptions o;
    o.errFile = err;
    o.env = {"ECOLAR_CONFIG_DIR=" + dir + "/config", "SDL_AUDIODRIVER=dummy"};
    ASSERT_TRUE(testsupport::spawn(child, {LUDIVAR_BIN, "--script", dir + "/laco.pro"}, o));

    // The window of this very process, once it is shown.
    std::string id;
    testsupport::waitUntil([&] {
        std::istringstream ids(runCommand("xdotool search --onlyvisible --pid " + std::to_string(child.pid)));
        ids >> id;
        return !id.empty();
    }, 30000, 100);
    int code = -1;
    if (!id.empty()) {
        // The keys go where the pointer is (no window manager gives focus here).
        runCommand("xdotool mousemove --window " + id + " 20 20 sleep 0.2 key ctrl+Pause");
        // The program stops; the window then stays up, titled "Programa terminado", until it is
        // closed.  Keys typed before that title are dropped, so Esc waits for it.
        testsupport::waitUntil([&] {
            return runCommand("xdotool getwindowname " + id).find("Programa terminado") != std::string::npos;
        }, 30000, 50);
        runCommand("xdotool mousemove --window " + id + " 20 20 sleep 0.1 key Escape");
        code = child.waitExit(30000);
    }
    ASSERT_FALSE(id.empty()) << "no window: " << readText(err);
    EXPECT_EQ(code, 1) << readText(err);
    EXPECT_NE(readText(err).find("Programa interrompido: laco.pro, linha "), std::string::npos) << readText(err);
}
