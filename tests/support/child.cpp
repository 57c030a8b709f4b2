#include "support/child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "support/wait.h"

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

}  // namespace

bool spawn(Child& c, const std::vector<std::string>& argv, const SpawnOptions& o) {
    if (argv.empty()) return false;
    c.stop();
    int fds[2] = {-1, -1};
    if (o.captureOut && ::pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (o.captureOut)
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    else
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    if (o.errFile.empty())
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_addopen(&fa, 2, o.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The given entries replace those of the same name (getenv takes the first one).
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e, name = nameOf(entry);
        bool replaced = false;
        for (const std::string& g : o.env) replaced = replaced || nameOf(g) == name;
        if (!replaced) envs.push_back(entry);
    }
    for (const std::string& g : o.env)
        if (g.find('=') != std::string::npos) envs.push_back(g);
    std::vector<char*> av, ev;
    for (const std::string& a : argv) av.push_back(const_cast<char*>(a.c_str()));
    av.push_back(nullptr);
    for (const std::string& e : envs) ev.push_back(const_cast<char*>(e.c_str()));
    ev.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, av[0], &fa, nullptr, av.data(), ev.data());
    posix_spawn_file_actions_destroy(&fa);
    if (o.captureOut) ::close(fds[1]);
    if (rc != 0) {
        if (o.captureOut) ::close(fds[0]);
        return false;
    }
    c.pid = pid;
    c.out = o.captureOut ? fds[0] : -1;
    c.code = -1;
    c.lines.clear();
    c.pending.clear();
    return true;
}

std::string Child::waitLine(const std::string& want, bool prefix) {
    auto matches = [&](const std::string& l) { return prefix ? l.compare(0, want.size(), want) == 0 : l == want; };
    for (const std::string& l : lines)
        if (matches(l)) return l;
    auto end = Clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (out >= 0) {
        pollfd p{out, POLLIN, 0};
        if (::poll(&p, 1, msLeft(end)) <= 0) return std::string();
        char buf[4096];
        ssize_t n = ::read(out, buf, sizeof buf);
        if (n <= 0) return std::string();
        pending.append(buf, size_t(n));
        size_t nl;
        bool found = false;
        std::string hit;
        while ((nl = pending.find('\n')) != std::string::npos) {
            lines.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            if (!found && matches(lines.back())) {
                found = true;
                hit = lines.back();
            }
        }
        if (found) return hit;
    }
    return std::string();
}

std::string Child::seen() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

bool Child::running() {
    if (pid <= 0) return false;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != pid) return true;
    code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid = -1;
    return false;
}

int Child::waitExit(int ms) {
    waitUntil([&] { return !running(); }, ms, 10);
    return pid > 0 ? -1 : code;
}

void Child::stop() {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        if (waitExit(kPatienceMs) < 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    if (out >= 0) ::close(out);
    out = -1;
}

std::string runCommand(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r")) {
        char buf[256];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool runToEnd(const std::vector<std::string>& argv) {
    Child c;
    return spawn(c, argv) && c.waitExit(kPatienceMs) == 0;
}

int runLogged(std::vector<std::string> args, const std::string& log) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    pid_t pid = 0;
    int status = 0;
    const bool started = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&fa);
    if (!started) return 127;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool haveProgram(const std::string& name) { return runToEnd({"sh", "-c", "command -v '" + name + "' >/dev/null"}); }

}  // namespace testsupport
