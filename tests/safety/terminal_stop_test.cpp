// The stop key in the terminal front: Ctrl+C stops a running program, but in a
// field it stays a key of the field.  The program runs on a pseudo-terminal.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "platform/platform.h"
#include "support/headless.h"

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
    int master = -1;
    winsize ws{25, 80, 0, 0};
    pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
    if (pid < 0) return r;
    if (pid == 0) {
        setenv("ECOLAR_CONFIG_DIR", (dir + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("TERM", "xterm", 1);
        execl(LUDIVAR_BIN, "ludivar", "--tty", "--script", (dir + "/p.pro").c_str(), (char*)nullptr);
        _exit(127);
    }
    size_t step = 0;
    int status = 0;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 50) > 0) {
            char buf[4096];
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) r.seen.append(buf, size_t(n));
        }
        if (step < steps.size() && r.seen.find(steps[step].first) != std::string::npos) {
            const std::string& k = steps[step].second;
            if (write(master, k.data(), k.size()) != ssize_t(k.size())) break;
            ++step;
        }
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            break;
        }
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    close(master);
    if (ended && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (ended && WIFSIGNALED(status)) r.exitCode = 128 + WTERMSIG(status);
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
