// Process start with posix_spawn.  Children are kept in a list so that their
// ends can be reaped without touching other children of the program (mbrola,
// media helpers).
#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/platform.h"

extern char** environ;

namespace plat {

namespace {

std::vector<int> gChildren;
SpawnHook gSpawnHook = nullptr;

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

void setSpawnHook(SpawnHook hook) { gSpawnHook = hook; }

int spawnProgram(const std::string& program, const std::vector<std::string>& args) {
    reapFinished();
    if (program.empty()) return -1;
    if (gSpawnHook) return gSpawnHook(program, args);
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

std::vector<std::string> splitCommandLine(const std::string& params) {
    std::vector<std::string> out;
    std::string cur;
    bool inQuote = false, have = false;
    for (char c : params) {
        if (c == '"') {
            inQuote = !inQuote;
            have = true;
        } else if ((c == ' ' || c == '\t') && !inQuote) {
            if (have) out.push_back(cp1252ToUtf8(cur));
            cur.clear();
            have = false;
        } else {
            cur.push_back(c);
            have = true;
        }
    }
    if (have) out.push_back(cp1252ToUtf8(cur));
    return out;
}

int shellOpen(const std::string& target, const std::string& params) {
    if (target.empty()) return -1;
    std::string utf8 = cp1252ToUtf8(target);
    if (utf8.find("://") != std::string::npos || utf8.compare(0, 7, "mailto:") == 0 ||
        utf8.compare(0, 4, "www.") == 0)
        return openWithDesktop(utf8);
    std::string path = mapPath(target);
    struct stat st;
    if (!path.empty() && stat(path.c_str(), &st) == 0) {
        if (path[0] != '/') path = "./" + path;  // a file here, not a PATH look-up
        if (S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0) return spawnProgram(path, splitCommandLine(params));
        return openWithDesktop(path);
    }
    // Not a file: a program name looked up in PATH, unless it names a place.
    if (utf8.find_first_of("/\\:") != std::string::npos) return -1;
    return spawnProgram(utf8, splitCommandLine(params));
}

}  // namespace plat
