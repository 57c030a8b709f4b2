#include "safety/timed_run.h"

#include "ludivar_paths.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/headless.h"

TimedRun runTimed(const std::string& keys, const std::vector<std::string>& args, double deadline,
                  const std::vector<std::string>& env) {
    const std::string dir = tempDir();
    std::vector<std::string> argv = {LUDIVAR_BIN, "--headless", "--keys", keys, "--trace", dir + "/trace.txt"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    TimedRun r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0) return r;
    if (pid == 0) {
        setenv("ECOLAR_CONFIG_DIR", (dir + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir + "/xdg-config").c_str(), 1);
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        int devnull = open("/dev/null", O_RDONLY);
        int err = open((dir + "/err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (devnull < 0 || err < 0 || dup2(devnull, 0) < 0 || dup2(err, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        execv(LUDIVAR_BIN, cargv.data());
        _exit(127);
    }
    int status = 0;
    bool ended = false;
    for (;;) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            break;
        }
        std::chrono::duration<double> ran = std::chrono::steady_clock::now() - start;
        if (ran.count() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else {
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.trace = readText(dir + "/trace.txt");
    r.err = readText(dir + "/err.txt");
    return r;
}

TimedRun runOnTerminal(const std::string& program, const std::string& when, const std::string& keys,
                       double deadline) {
    const std::string dir = tempDir();
    TimedRun r;
    int master = -1;
    winsize ws{25, 80, 0, 0};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
    if (pid < 0) return r;
    if (pid == 0) {
        setenv("ECOLAR_CONFIG_DIR", (dir + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("TERM", "xterm", 1);
        execl(LUDIVAR_BIN, "ludivar", "--tty", "--script", program.c_str(), (char*)nullptr);
        _exit(127);
    }
    bool typed = false, ended = false;
    int status = 0;
    for (;;) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 20) > 0) {
            char buf[4096];
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) r.trace.append(buf, size_t(n));
        }
        if (!typed && r.trace.find(when) != std::string::npos) {
            typed = write(master, keys.data(), keys.size()) == ssize_t(keys.size());
        }
        if (waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            break;
        }
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > deadline) break;
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else {
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    close(master);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}
