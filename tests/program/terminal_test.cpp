// The terminal front hands its terminal to the user's editor and takes it back:
// the editor reads what is typed, and the program goes on when it ends.  The
// program side runs in a fresh copy of this test program on a pseudo-terminal.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "console/config.h"
#include "console/textwin.h"
#include "editor/program.h"
#include "platform/platform.h"
#include "support/headless.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

// The program's side; only runs when started by the test below.
TEST(ProgramEditorTerminal, DISABLED_ChildSide) {
    const char* dir = std::getenv("LUDIVAR_TTY_CHILD");
    if (!dir) GTEST_SKIP() << "started by ProgramEditorTerminal.EditorOwnsTheTerminalMeanwhile";
    ASSERT_EQ(chdir(dir), 0);
    std::unique_ptr<plat::Front> front(plat::makeTtyFront());
    plat::setFront(front.get());
    con::ensureWindow();
    con::startSpeech(0, "");
    bool ok = false;
    try {
        ok = editor::runEditor("prog.pro");
        con::writeLn("de volta");
    } catch (const plat::ProgramExit&) {
    }
    front->close();
    plat::setFront(nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(slurp(std::string(dir) + "/prog.pro"), "linha digitada");
}

TEST(ProgramEditorTerminal, EditorOwnsTheTerminalMeanwhile) {
    const std::string dir = tempDir();
    writeText(dir + "/prog.pro", "");
    // The editor: announces itself, reads a line from the terminal into the file.
    const std::string ed = dir + "/editor.sh";
    writeText(ed, "#!/bin/sh\nprintf 'EDITOR PRONTO\\n'\nIFS= read -r line\nprintf '%s' \"$line\" > \"$1\"\n");
    chmod(ed.c_str(), 0755);
    std::string config = tempDir();

    int master = -1;
    winsize ws{25, 80, 0, 0};
    pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("LUDIVAR_TTY_CHILD", dir.c_str(), 1);
        setenv("VISUAL", ed.c_str(), 1);
        unsetenv("EDITOR");
        setenv("ECOLAR_CONFIG_DIR", config.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl("/proc/self/exe", "test_program", "--gtest_filter=ProgramEditorTerminal.DISABLED_ChildSide",
              "--gtest_also_run_disabled_tests", (char*)nullptr);
        _exit(127);
    }

    std::string seen;
    bool typed = false, ended = false;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 100) > 0) {
            char buf[4096];
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) seen.append(buf, size_t(n));
        }
        if (!typed && seen.find("EDITOR PRONTO") != std::string::npos) {
            const char line[] = "linha digitada\r";
            ASSERT_EQ(write(master, line, sizeof line - 1), ssize_t(sizeof line - 1));
            typed = true;
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
    EXPECT_TRUE(ended) << "the program did not come back from the editor";
    EXPECT_TRUE(typed) << seen;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_EQ(slurp(dir + "/prog.pro"), "linha digitada");
}
