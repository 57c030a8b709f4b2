#include "support/pty.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace testsupport {

Pty::~Pty() {
    if (pid_ > 0 && !ended()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
}

bool Pty::start(const std::vector<std::string>& argv, const std::vector<std::string>& env, int rows, int cols) {
    if (argv.empty() || pid_ > 0) return false;
    // Everything the child needs is made before the fork.
    std::vector<char*> av;
    for (const std::string& a : argv) av.push_back(const_cast<char*>(a.c_str()));
    av.push_back(nullptr);
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(rows);
    ws.ws_col = static_cast<unsigned short>(cols);
    pid_ = forkpty(&master_, nullptr, nullptr, &ws);
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        for (const std::string& e : env) {
            const size_t eq = e.find('=');
            if (eq == std::string::npos)
                unsetenv(e.c_str());
            else
                setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
        }
        execv(av[0], av.data());
        _exit(127);
    }
    return true;
}

void Pty::drain(int ms) {
    if (master_ < 0) return;
    pollfd pf{master_, POLLIN, 0};
    if (poll(&pf, 1, ms) <= 0) return;
    char buf[4096];
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) out_.append(buf, size_t(n));
}

bool Pty::send(const std::string& bytes) {
    return master_ >= 0 && write(master_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
}

bool Pty::ended() {
    if (code_ >= 0) return true;
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

bool Pty::waitFor(const std::function<bool()>& cond, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        drain(20);
        if (cond()) return true;
        if (ended()) {
            size_t before;
            do {  // what it wrote last
                before = out_.size();
                drain(0);
            } while (out_.size() > before);
            return cond();
        }
    }
    return false;
}

int Pty::waitExit(int ms) {
    waitFor([] { return false; }, ms);
    return ended() ? code_ : -1;
}

}  // namespace testsupport
