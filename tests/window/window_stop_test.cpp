// The stop key in the window: Ctrl+Break, typed through XTest as a user types it,
// stops a game program that loops without drawing or reading a key.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "xdisplay.h"

extern char** environ;

namespace {

std::string slurpFile(const std::string& f) {
    std::ifstream in(f);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

int waitEnd(pid_t pid, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

}  // namespace

TEST(WindowStopKey, CtrlBreakStopsATightLoop) {
    if (!haveDisplay()) GTEST_SKIP() << "no X display and no Xvfb to start";
    if (run("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is not installed";
    const std::string dir = makeTempDir(), err = dir + "/err.txt";
    {
        std::ofstream p(dir + "/laco.pro", std::ios::binary);
        p << "ENQUANTO 1 = 1\r\nSOMA N 1\r\nFIM ENQUANTO\r\n";
    }
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string v = *e;
        if (v.rfind("ECOLAR_CONFIG_DIR=", 0) && v.rfind("SDL_AUDIODRIVER=", 0)) env.push_back(v);
    }
    env.push_back("ECOLAR_CONFIG_DIR=" + dir + "/config");
    env.push_back("SDL_AUDIODRIVER=dummy");
    std::vector<char*> cenv;
    for (std::string& v : env) cenv.push_back(v.data());
    cenv.push_back(nullptr);
    std::string program = LUDIVAR_BIN, scriptOpt = "--script", script = dir + "/laco.pro";
    std::vector<char*> argv = {program.data(), scriptOpt.data(), script.data(), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), cenv.data()), 0);
    posix_spawn_file_actions_destroy(&fa);

    // The window of this very process, once it is shown.
    std::string id;
    for (int i = 0; i < 300 && id.empty(); ++i) {
        std::istringstream ids(run("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
        ids >> id;
        if (id.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    int code = -1;
    if (!id.empty()) {
        // The keys go where the pointer is (no window manager gives focus here).
        run("xdotool mousemove --window " + id + " 20 20 sleep 0.2 key ctrl+Pause");
        // The program stops; the window then stays up, titled "Programa terminado", until it is
        // closed.  Keys typed before that title are dropped, so Esc waits for it.
        for (int i = 0; i < 600 && run("xdotool getwindowname " + id).find("Programa terminado") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        run("xdotool mousemove --window " + id + " 20 20 sleep 0.1 key Escape");
        code = waitEnd(pid, 30000);
    }
    if (code < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_FALSE(id.empty()) << "no window: " << slurpFile(err);
    EXPECT_EQ(code, 1) << slurpFile(err);
    EXPECT_NE(slurpFile(err).find("Programa interrompido: laco.pro, linha "), std::string::npos) << slurpFile(err);
}
