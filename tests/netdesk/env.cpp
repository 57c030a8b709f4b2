#include "env.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/desktop.h"
#include "platform/platform.h"
#include "support/headless.h"

#include <X11/Xlib.h>

extern char** environ;

namespace netdesk {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Polls a condition until it holds or the patience runs out.
template <class F>
bool waitFor(F cond) {
    auto end = Clock::now() + std::chrono::milliseconds(kPatienceMs);
    for (;;) {
        if (cond()) return true;
        if (msLeft(end) == 0) return false;
        ::poll(nullptr, 0, 20);
    }
}

}  // namespace

bool eventually(const std::function<bool()>& cond) { return waitFor(cond); }

bool spawn(Child& c, const std::vector<std::string>& argv, bool captureOut, const std::vector<std::string>& env) {
    int fds[2] = {-1, -1};
    if (captureOut && ::pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (captureOut) posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    else posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) envs.push_back(*e);
    for (const std::string& e : env) envs.push_back(e);
    std::vector<char*> av, ev;
    for (const std::string& a : argv) av.push_back(const_cast<char*>(a.c_str()));
    av.push_back(nullptr);
    for (const std::string& e : envs) ev.push_back(const_cast<char*>(e.c_str()));
    ev.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, av[0], &fa, nullptr, av.data(), ev.data());
    posix_spawn_file_actions_destroy(&fa);
    if (captureOut) ::close(fds[1]);
    if (rc != 0) {
        if (captureOut) ::close(fds[0]);
        return false;
    }
    c.pid = pid;
    c.out = captureOut ? fds[0] : -1;
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

bool Child::waitExit() {
    if (pid < 0) return true;
    bool gone = waitFor([&] { return ::waitpid(pid, nullptr, WNOHANG) == pid; });
    if (gone) pid = -1;
    return gone;
}

void Child::stop() {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        if (!waitExit()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    if (out >= 0) ::close(out);
    out = -1;
}

namespace {

struct Running {
    Session s;
    Child xvfb, wm, bus, a11yBus;
    std::string dir;
    ~Running() {
        wm.stop();
        a11yBus.stop();
        bus.stop();
        xvfb.stop();
    }
};

bool haveProgram(const char* name) {
    Child c;
    return spawn(c, {"sh", "-c", std::string("command -v ") + name + " >/dev/null"}, false) &&
           waitFor([&] {
               int st;
               if (::waitpid(c.pid, &st, WNOHANG) != c.pid) return false;
               c.pid = st == 0 ? -2 : -3;
               return true;
           }) &&
           c.pid == -2;
}

// The window manager has set its check window on the root.
bool managerRunning() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    bool up = XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False), 0, 1,
                                 False, AnyPropertyType, &type, &format, &items, &after, &data) == 0 &&
              items == 1;
    if (data) XFree(data);
    XCloseDisplay(d);
    return up;
}

bool runToEnd(const std::vector<std::string>& argv) {
    Child c;
    if (!spawn(c, argv, false)) return false;
    int st = -1;
    bool ended = waitFor([&] { return ::waitpid(c.pid, &st, WNOHANG) == c.pid; });
    c.pid = -1;
    return ended && WIFEXITED(st) && WEXITSTATUS(st) == 0;
}

void startAll(Running& r) {
    r.dir = tempDir();
    for (const char* p : {"Xvfb", "openbox", "setxkbmap", "dbus-daemon"}) {
        if (!haveProgram(p)) {
            r.s.why = std::string(p) + " is not installed";
            return;
        }
    }
    // Xvfb picks a free display itself and says which when it is ready.
    if (!spawn(r.xvfb, {"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"}, true)) {
        r.s.why = "Xvfb did not start";
        return;
    }
    std::string num;
    auto end = Clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (num.empty() || num.back() != '\n') {
        pollfd p{r.xvfb.out, POLLIN, 0};
        char ch;
        if (::poll(&p, 1, msLeft(end)) <= 0 || ::read(r.xvfb.out, &ch, 1) != 1) break;
        num += ch;
    }
    if (num.empty() || num.back() != '\n') {
        r.s.why = "Xvfb gave no display";
        return;
    }
    num.pop_back();
    setenv("DISPLAY", (":" + num).c_str(), 1);
    spawn(r.wm, {"openbox", "--sm-disable"}, false);
    if (!waitFor(managerRunning)) {
        r.s.why = "openbox did not come up";
        return;
    }
    // The stock layout has no dead keys; ABNT2 has them.
    if (!runToEnd({"setxkbmap", "br"})) {
        r.s.why = "setxkbmap br failed";
        return;
    }
    r.s.x = true;

    std::string run = r.dir + "/run";
    ::mkdir(run.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    if (spawn(r.bus, {"dbus-daemon", "--session", "--nofork", "--print-address=1", "--address=unix:dir=" + r.dir},
              true)) {
        std::string addr = r.bus.waitLine("unix:", true);
        if (!addr.empty()) {
            setenv("DBUS_SESSION_BUS_ADDRESS", addr.c_str(), 1);
            r.s.bus = true;
        }
    }
    if (!r.s.bus) r.s.why = "no D-Bus session";
}

}  // namespace

const Session& session() {
    static std::unique_ptr<Running> r;
    if (!r) {
        r = std::make_unique<Running>();
        startAll(*r);
    }
    return r->s;
}

bool startProbe(Probe& p, const std::string& title, const std::string& field) {
#ifdef NETDESK_PROBE
    std::vector<std::string> argv = {NETDESK_PROBE, title};
    if (!field.empty()) argv.push_back(field);
    if (!spawn(p.child, argv, true, {"GDK_BACKEND=x11", "LC_ALL=C.UTF-8", "GTK_THEME=Adwaita"})) return false;
    std::string area = p.child.waitLine("area ", true), off = p.child.waitLine("off ", true);
    if (area.empty() || off.empty() || p.child.waitLine("ready").empty()) return false;
    std::sscanf(area.c_str(), "area %d %d %d %d", &p.areaX, &p.areaY, &p.areaW, &p.areaH);
    std::sscanf(off.c_str(), "off %d %d %d %d", &p.offX, &p.offY, &p.offW, &p.offH);
    return waitActive(title);
#else
    (void)p;
    (void)title;
    (void)field;
    return false;
#endif
}

bool waitActive(const std::string& title) {
    return waitFor([&] {
        desk::WindowInfo w;
        return desk::activeWindow(w) && plat::cp1252ToUtf8(w.title) == title;
    });
}

}  // namespace netdesk
