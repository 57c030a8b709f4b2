// The engine's synthesizer calls: the `mbrola` program through pipes, or the
// built-in renderer when it is not installed.
#include "speech/brisa/mbrola.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace brisa {

namespace {

// Waits for the child's output after a flush: long enough for a loaded machine,
// and only ever reached when the program stops answering.
constexpr int kAnswerTimeoutMs = 10000;
// A real MBROLA may give a few samples fewer than the durations add up to:
// once some have come, this much quiet ends the utterance.
constexpr int kQuietMs = 300;

bool isFile(const std::string& p) {
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool writeAll(int fd, const std::string& s) {
    size_t at = 0;
    while (at < s.size()) {
        const ssize_t n = ::write(fd, s.data() + at, s.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += size_t(n);
    }
    return true;
}

void pipeStop(PipeState& p) {
    closeFd(p.toChild);
    closeFd(p.fromChild);
    if (p.pid > 0) {
        int status = 0;
        // It ends at the end of its input; a hung one is ended by its id.
        for (int i = 0; i < 50 && ::waitpid(p.pid, &status, WNOHANG) == 0; ++i) ::usleep(2000);
        if (::waitpid(p.pid, &status, WNOHANG) == 0) {
            ::kill(p.pid, SIGKILL);
            ::waitpid(p.pid, &status, 0);
        }
    }
    p.pid = -1;
}

bool pipeStart(PipeState& p) {
    const std::string prog = findMbrolaProgram();
    if (prog.empty()) return false;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return false;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    // -e: a diphone the voice lacks is skipped rather than ending the program.
    std::string a0 = "mbrola", a1 = "-e", a3 = "-", a4 = "-.raw";
    std::string a2 = p.dbPath;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    // A child that has gone must not end us with SIGPIPE when we write to it.
    ::signal(SIGPIPE, SIG_IGN);
    p.pid = pid;
    p.toChild = in[1];
    p.fromChild = out[0];
    p.expected = 0;
    p.received = 0;
    p.flushed = false;
    p.oddByte = false;
    p.error = 0;
    return true;
}

// Reads what the child has; waits up to `timeoutMs` for the first bytes.
size_t pipeReadSome(PipeState& p, int16_t* buf, size_t max, int timeoutMs) {
    if (p.fromChild < 0 || max == 0) return 0;
    pollfd pf{p.fromChild, POLLIN, 0};
    int r;
    do r = ::poll(&pf, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return 0;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(buf);
    size_t have = 0;
    if (p.oddByte) {
        bytes[0] = p.odd;
        have = 1;
        p.oddByte = false;
    }
    ssize_t n;
    do n = ::read(p.fromChild, bytes + have, max * 2 - have);
    while (n < 0 && errno == EINTR);
    if (n <= 0) {
        // The program has ended: whatever it owed will not come.
        p.error = 1;
        closeFd(p.fromChild);
        return 0;
    }
    have += size_t(n);
    if (have % 2) {
        p.oddByte = true;
        p.odd = bytes[have - 1];
        --have;
    }
    return have / 2;
}

size_t pipeRead(PipeState& p, int16_t* buf, size_t max) {
    if (!p.flushed) return pipeReadSome(p, buf, max, 0);
    const size_t owed = size_t(std::lround(p.expected));
    size_t got = 0;
    if (p.received < owed) {
        got = pipeReadSome(p, buf, std::min(max, owed - p.received), p.received > 0 ? kQuietMs : kAnswerTimeoutMs);
    }
    p.received += got;
    if (got == 0) {
        // The utterance is over: a new one counts from zero.
        p.flushed = false;
        p.expected = 0;
        p.received = 0;
    }
    return got;
}

}  // namespace

std::string findMbrolaProgram() {
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find(':', at);
        if (end == std::string::npos) end = list.size();
        std::string dir = list.substr(at, end - at);
        if (dir.empty()) dir = ".";
        const std::string cand = dir + "/mbrola";
        if (isFile(cand) && ::access(cand.c_str(), X_OK) == 0) return cand;
        at = end + 1;
    }
    return std::string();
}

std::string findMbrolaVoice(const std::string& given) {
    if (isFile(given)) return given;
    std::string dir, name = given;
    const size_t slash = given.rfind('/');
    if (slash != std::string::npos) {
        dir = given.substr(0, slash);
        name = given.substr(slash + 1);
    }
    if (name.empty()) return std::string();
    std::vector<std::string> cands;
    if (!dir.empty()) cands.push_back(dir + "/" + name + "/" + name);
    for (const char* sys : {"/usr/share/mbrola/", "/usr/local/share/mbrola/", "/usr/share/mbrola/voices/"}) {
        cands.push_back(std::string(sys) + name + "/" + name);
        cands.push_back(std::string(sys) + name);
    }
    for (const std::string& c : cands)
        if (isFile(c)) return c;
    return std::string();
}

int synthInit(Synth& s, Backend backend, const std::string& path) {
    synthClose(s);
    if (backend == Backend::Pipe) {
        s.pipe.dbPath = path;
        if (!pipeStart(s.pipe)) return -1;
        // The voice must load: a short silence has to come back.
        s.backend = Backend::Pipe;
        synthWrite(s, "_ 10");
        synthFlush(s);
        int16_t buf[512];
        size_t total = 0, n;
        while ((n = synthRead(s, buf, 512)) > 0) total += n;
        if (total == 0 || s.pipe.error) {
            synthClose(s);
            return -1;
        }
        return 0;
    }
    if (backend == Backend::Builtin) {
        std::string problem;
        if (!loadDiphoneDb(path, s.db, problem)) return -1;
        s.renderer = Renderer();
        s.renderer.db = &s.db;
        s.backend = Backend::Builtin;
        return 0;
    }
    return -1;
}

void synthReset(Synth& s) {
    if (s.backend == Backend::Builtin) {
        rendererReset(s.renderer);
    } else if (s.backend == Backend::Pipe) {
        PipeState& p = s.pipe;
        // A program that has gone is started again: one failed utterance must
        // not silence the rest of the session.
        if (p.error || p.fromChild < 0 || p.toChild < 0) {
            pipeStop(p);
            pipeStart(p);
        }
        int16_t drop[512];
        while (pipeReadSome(p, drop, 512, 0) > 0) {
        }
        p.expected = 0;
        p.received = 0;
        p.flushed = false;
        p.error = 0;
    }
}

void synthWrite(Synth& s, const std::string& line) {
    if (s.backend == Backend::Builtin) {
        rendererWrite(s.renderer, line);
    } else if (s.backend == Backend::Pipe) {
        Phone ph;
        bool bad = false;
        if (parsePhoneLine(line, ph, bad)) s.pipe.expected += ph.ms * kSampleRate / 1000.0;
        if (s.pipe.toChild < 0 || !writeAll(s.pipe.toChild, line + "\n")) s.pipe.error = 1;
    }
}

void synthFlush(Synth& s) {
    if (s.backend == Backend::Builtin) {
        rendererFlush(s.renderer);
    } else if (s.backend == Backend::Pipe) {
        if (s.pipe.toChild < 0 || !writeAll(s.pipe.toChild, "#\n")) s.pipe.error = 1;
        s.pipe.flushed = true;
    }
}

size_t synthRead(Synth& s, int16_t* buf, size_t max) {
    if (s.backend == Backend::Builtin) return rendererRead(s.renderer, buf, max);
    if (s.backend == Backend::Pipe) return pipeRead(s.pipe, buf, max);
    return 0;
}

int synthLastError(Synth& s) {
    if (s.backend == Backend::Builtin) return s.renderer.error;
    if (s.backend == Backend::Pipe) return s.pipe.error;
    return 0;
}

void synthClose(Synth& s) {
    if (s.backend == Backend::Pipe) pipeStop(s.pipe);
    s.backend = Backend::None;
    s.db = DiphoneDb();
    s.renderer = Renderer();
    s.pipe = PipeState();
}

}  // namespace brisa
