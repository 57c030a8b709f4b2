// The stop key in the terminal front: Ctrl+C stops a running program, but in a
// field it stays a key of the field.  The program runs on a pseudo-terminal.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/headless.h"
#include "support/pty.h"

namespace {

struct TtyRun {
    std::string seen;
    int exitCode = -1;
};

// Runs `ludivar --tty --script` on a pseudo-terminal; each time the screen shows
// `when[i]`, types `keys[i]`.  Waits for the end (a minute at most: a hang fails).
TtyRun runOnTerminal(const std::string& program, const std::vector<std::pair<std::string, std::string>>& steps) {
    const std::string dir = tempDir();
    writeText(dir + "/p.pro", plat::utf8ToCp1252(program));
    TtyRun r;
    testsupport::Pty t;
    if (!t.start({LUDIVAR_BIN, "--tty", "--script", dir + "/p.pro"},
                 {"ECOLAR_CONFIG_DIR=" + dir + "/config", "XDG_DATA_HOME=" + dir + "/data", "SDL_AUDIODRIVER=dummy",
                  "TERM=xterm"}))
        return r;
    size_t step = 0;
    bool typing = true;
    t.waitFor([&] {
        if (typing && step < steps.size() && t.output().find(steps[step].first) != std::string::npos) {
            typing = t.send(steps[step].second);
            ++step;
        }
        return false;  // on to the end
    });
    r.exitCode = t.waitExit(0);
    r.seen = t.output();
    return r;
}

TEST(StopKeyTerminal, CtrlCStopsARunningProgramButNotAField) {
    // A tight loop that draws nothing after its first line.
    TtyRun loop = runOnTerminal("ESCREVE \"girando\"\r\nENQUANTO 1 = 1\r\nSOMA N 1\r\nFIM ENQUANTO\r\n",
                                {{"girando", "\x03"}});
    EXPECT_EQ(loop.exitCode, 1) << loop.seen;
    EXPECT_NE(loop.seen.find("Programa interrompido"), std::string::npos) << loop.seen;
    // In a field Ctrl+C is the field's (copy): the program goes on once the line is given.
    // (typed once the field reads keys, which the caret shows: before that, Ctrl+C is the stop key)
    const std::string reading = "\x1b[?25h";
    TtyRun field = runOnTerminal("LÊ $N\r\nESCREVE \"lido\"\r\n", {{reading, "\x03"}, {reading, "ana\r"}});
    EXPECT_EQ(field.exitCode, 0) << field.seen;
    EXPECT_NE(field.seen.find("lido"), std::string::npos) << field.seen;
}

}  // namespace
