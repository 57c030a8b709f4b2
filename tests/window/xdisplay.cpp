#include "xdisplay.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

std::string findInPath(const char* prog) {
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t at = 0;
    while (at <= p.size()) {
        size_t colon = p.find(':', at);
        std::string dir = p.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        std::string file = (dir.empty() ? "." : dir) + "/" + prog;
        if (access(file.c_str(), X_OK) == 0) return file;
        if (colon == std::string::npos) break;
        at = colon + 1;
    }
    return std::string();
}

// Xvfb picks a free display itself and writes its number to the pipe once it
// accepts connections (-displayfd), so there is no race over display numbers.  Each
// test program has a server of its own: tests that run side by side on one display
// would take the keyboard focus from each other.
class Xvfb : public testing::Environment {
public:
    void SetUp() override {
        std::string bin = findInPath("Xvfb");
        const char* d = std::getenv("DISPLAY");
        if (bin.empty()) {
            ok_ = d && *d;
            return;
        }
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 3);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args = {bin, "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int rc = posix_spawn(&pid_, bin.c_str(), &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            pid_ = 0;
            return;
        }
        std::string num;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') num += c;
        close(fds[0]);
        if (num.empty()) return;
        setenv("DISPLAY", (":" + num).c_str(), 1);
        ok_ = true;
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = 0;
    }
    bool ok() const { return ok_; }

private:
    pid_t pid_ = 0;
    bool ok_ = false;
};

Xvfb* gXvfb = static_cast<Xvfb*>(testing::AddGlobalTestEnvironment(new Xvfb));

}  // namespace

bool haveDisplay() { return gXvfb && gXvfb->ok(); }

bool loadShot(const std::string& file, Shot& out) {
    SDL_Surface* s = SDL_LoadBMP(file.c_str());
    if (!s) return false;
    SDL_Surface* c = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(s);
    if (!c) return false;
    out.w = c->w;
    out.h = c->h;
    out.px.resize(size_t(c->w) * size_t(c->h));
    for (int y = 0; y < c->h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(c->pixels) + size_t(y) * size_t(c->pitch));
        for (int x = 0; x < c->w; ++x) out.px[size_t(y) * size_t(c->w) + size_t(x)] = row[x] & 0xffffff;
    }
    SDL_FreeSurface(c);
    return true;
}

int countInCell(const Shot& s, int cw, int ch, int col, int row, uint32_t colour) {
    int n = 0;
    for (int y = row * ch; y < (row + 1) * ch && y < s.h; ++y)
        for (int x = col * cw; x < (col + 1) * cw && x < s.w; ++x) n += s.at(x, y) == colour;
    return n;
}

bool cellAll(const Shot& s, int cw, int ch, int col, int row, uint32_t colour) {
    return countInCell(s, cw, ch, col, row, colour) == cw * ch;
}

std::string makeTempDir() {
    char tmpl[] = "/tmp/ludivar-window-XXXXXX";
    char* d = mkdtemp(tmpl);
    return d ? d : "/tmp";
}
