// Real time of a headless start-up to the main question and out again ({Esc}),
// as a whole process: median and worst of 30 runs.  Goal: under 50 ms.
// Then the window and the terminal fronts side by side: time from start to the first
// text handed to speech, and the peak memory by then.  Goal for the window: under
// 100 ms and 40 MB.  Last, what a start costs before any feature is used: shared
// libraries mapped, processor time and peak memory of `--version` and of the terminal
// front up to its first question, beside /bin/true.
#include "ludivar_paths.h"
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Peak resident memory of a process, in MB.
double peakMb(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// A display for the window: the one there, else an Xvfb of our own.
pid_t gXvfb = 0;
bool ensureDisplay() {
    if (const char* d = std::getenv("DISPLAY"); d && *d) return true;
    int fds[2];
    if (pipe(fds) != 0) return false;
    gXvfb = fork();
    if (gXvfb == 0) {
        dup2(fds[1], 3);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string num;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') num += c;
    close(fds[0]);
    if (num.empty()) return false;
    setenv("DISPLAY", (":" + num).c_str(), 1);
    return true;
}

// What a run cost the machine: processor time (user + system), peak resident memory.
struct Cost {
    double cpuMs = 0, maxRssMb = 0;
};

Cost costOf(const rusage& ru) {
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return {ms(ru.ru_utime) + ms(ru.ru_stime), double(ru.ru_maxrss) / 1024.0};
}

// One start of a front up to its first "speak" trace line: ms and peak MB, or ms < 0.
// With `libraries`, the run counts the shared libraries mapped by then instead.
int librariesMapped(const std::string& log, pid_t pid);
std::string loaderLogPrefix() {
    return (std::filesystem::temp_directory_path() / ("ludivar-bench-ld-" + std::to_string(getpid()))).string();
}

std::pair<double, double> firstSpeech(const std::string& bin, const char* front, Cost* cost = nullptr,
                                      int* libraries = nullptr) {
    const std::string loaderLog = libraries ? loaderLogPrefix() : std::string();
    int fds[2];
    if (pipe(fds) != 0) return {-1, 0};
    const bool tty = std::strcmp(front, "--tty") == 0;
    int master = -1;
    winsize ws{};
    ws.ws_row = 25;
    ws.ws_col = 80;
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = tty ? forkpty(&master, nullptr, nullptr, &ws) : fork();
    if (pid == 0) {
        dup2(fds[1], 3);
        if (!loaderLog.empty()) {
            setenv("LD_DEBUG", "files", 1);
            setenv("LD_DEBUG_OUTPUT", loaderLog.c_str(), 1);
        }
        if (!tty) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
        }
        execl(bin.c_str(), bin.c_str(), front, "--trace", "/dev/fd/3", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string got;
    double ms = -1, mb = 0;
    for (;;) {
        pollfd pf[2] = {{fds[0], POLLIN, 0}, {master, POLLIN, 0}};
        if (poll(pf, tty ? 2 : 1, 10000) <= 0) break;
        char buf[4096];
        if (tty && (pf[1].revents & POLLIN) && read(master, buf, sizeof buf) <= 0) break;
        if (pf[0].revents & (POLLIN | POLLHUP)) {
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, size_t(n));
            if (got.find("speak ") != std::string::npos) {
                ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                mb = peakMb(pid);
                break;
            }
        }
    }
    kill(pid, SIGKILL);
    rusage ru{};
    wait4(pid, nullptr, 0, &ru);
    if (cost) *cost = costOf(ru);
    if (libraries) *libraries = librariesMapped(loaderLog, pid);
    close(fds[0]);
    if (master >= 0) close(master);
    return {ms, mb};
}

void compareFronts(const std::string& bin, int runs) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const bool display = ensureDisplay();
    for (const char* front : {"--window", "--tty"}) {
        if (std::strcmp(front, "--window") == 0 && !display) {
            std::printf("window: no display, not measured\n");
            continue;
        }
        std::vector<double> ms, mb;
        for (int i = 0; i < runs; ++i) {
            auto r = firstSpeech(bin, front);
            if (r.first < 0) {
                std::printf("%s: no speech within 10 s\n", front + 2);
                return;
            }
            ms.push_back(r.first);
            mb.push_back(r.second);
        }
        std::sort(ms.begin(), ms.end());
        std::sort(mb.begin(), mb.end());
        std::printf("%-6s start to first speech: median %.1f ms (min %.1f, max %.1f), peak memory median %.1f MB"
                    " over %d runs%s\n",
                    front + 2, ms[ms.size() / 2], ms.front(), ms.back(), mb[mb.size() / 2], runs,
                    std::strcmp(front, "--window") == 0 ? " (goal < 100 ms, < 40 MB)" : "");
    }
    if (gXvfb > 0) {
        kill(gXvfb, SIGTERM);
        waitpid(gXvfb, nullptr, 0);
    }
}

// The shared objects the loader mapped for the process whose account is `log`.<pid>
// (the program's own libraries and those opened later; not the loader itself).
int librariesMapped(const std::string& log, pid_t pid) {
    const std::string file = log + "." + std::to_string(pid);
    std::ifstream f(file);
    std::string line;
    int n = 0;
    while (std::getline(f, line))
        if (line.find("generating link map") != std::string::npos) ++n;
    std::remove(file.c_str());
    return n;
}

// A short run to its end: its cost, and the libraries mapped (the loader's account),
// which is taken in a run of its own so that it does not weigh on the cost.
struct Start {
    Cost cost;
    int libraries = 0;
};

bool runToEnd(const std::vector<std::string>& argv, const std::string& loaderLog, Start& out) {
    for (int pass = 0; pass < 2; ++pass) {
        const bool count = pass == 1;
        pid_t pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            if (count) {
                setenv("LD_DEBUG", "files", 1);
                setenv("LD_DEBUG_OUTPUT", loaderLog.c_str(), 1);
            }
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        int status = 0;
        rusage ru{};
        wait4(pid, &status, 0, &ru);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
        if (count) out.libraries = librariesMapped(loaderLog, pid);
        else out.cost = costOf(ru);
    }
    return true;
}

void printStart(const char* what, std::vector<Start>& runs) {
    std::vector<double> cpu, rss;
    for (const Start& r : runs) {
        cpu.push_back(r.cost.cpuMs);
        rss.push_back(r.cost.maxRssMb);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(rss.begin(), rss.end());
    std::printf("%-30s %3d libraries mapped, processor time median %.1f ms (%.1f-%.1f), peak memory %.1f MB\n",
                what, runs.front().libraries, cpu[cpu.size() / 2], cpu.front(), cpu.back(), rss[rss.size() / 2]);
}

// Interleaved, so that a neighbour's load falls on all three alike.
void compareStarts(const std::string& bin, int runs) {
    const std::string log = loaderLogPrefix();
    std::vector<Start> truth, version, tty;
    for (int i = 0; i < runs; ++i) {
        Start t, v, f;
        if (!runToEnd({"/bin/true"}, log, t) || !runToEnd({bin, "--version"}, log, v)) {
            std::printf("start-up cost: a run failed\n");
            return;
        }
        if (firstSpeech(bin, "--tty", &f.cost).first < 0) {
            std::printf("start-up cost: the terminal front did not reach its first question\n");
            return;
        }
        truth.push_back(t);
        version.push_back(v);
        tty.push_back(f);
    }
    // The loader's account of the terminal front up to its first question, in a run of its own.
    firstSpeech(bin, "--tty", nullptr, &tty.front().libraries);
    printStart("/bin/true", truth);
    printStart("ludivar --version", version);
    printStart("ludivar --tty to first question", tty);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    // Another build of the program (an older one, to compare with) may be named second.
    const std::string program = argc > 2 ? argv[2] : LUDIVAR_BIN;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        std::string bin = program;
        std::vector<char*> args = {bin.data(), const_cast<char*>("--headless"), const_cast<char*>("--keys"),
                                   const_cast<char*>("{Esc}"), nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", 1, 0);
        auto t0 = std::chrono::steady_clock::now();
        pid_t pid;
        if (posix_spawn(&pid, bin.c_str(), &fa, nullptr, args.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", bin.c_str());
            return 2;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        auto t1 = std::chrono::steady_clock::now();
        posix_spawn_file_actions_destroy(&fa);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "run %d ended with status %d\n", i, status);
            return 2;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("headless start-up and {Esc}: median %.1f ms, min %.1f ms, max %.1f ms over %d runs (goal < 50 ms)\n",
                ms[ms.size() / 2], ms.front(), ms.back(), runs);
    compareFronts(program, std::min(runs, 15));
    compareStarts(program, std::min(runs, 15));
    return 0;
}
