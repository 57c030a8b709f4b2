// Process start with posix_spawn.  Children are kept in a list so that their
// ends can be reaped without touching other children of the program (mbrola,
// media helpers).
#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

extern char** environ;

namespace plat {

namespace {

std::vector<int> gChildren;

void reapFinished() {
    gChildren.erase(std::remove_if(gChildren.begin(), gChildren.end(),
                                   [](int pid) {
                                       int status = 0;
                                       pid_t r = waitpid(pid, &status, WNOHANG);
                                       return r == pid || r < 0;
                                   }),
                    gChildren.end());
}

}  // namespace

int spawnProgram(const std::string& program, const std::vector<std::string>& args) {
    reapFinished();
    if (program.empty()) return -1;
    std::vector<std::string> all;
    all.reserve(args.size() + 1);
    all.push_back(program);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&fa);
    posix_spawnattr_init(&attr);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&fa, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    // Its own process group: Ctrl+C in our terminal is not meant for it.
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    int rc = posix_spawnp(&pid, program.c_str(), &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return -1;
    gChildren.push_back(pid);
    return pid;
}

int openWithDesktop(const std::string& target) {
    if (target.empty()) return -1;
    return spawnProgram("xdg-open", {target});
}

bool processRunning(int pid) {
    if (pid <= 0) return false;
    auto it = std::find(gChildren.begin(), gChildren.end(), pid);
    if (it == gChildren.end()) return kill(pid, 0) == 0;
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == 0) return true;
    gChildren.erase(it);
    return false;
}

}  // namespace plat
