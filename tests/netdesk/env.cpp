#include "env.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/desktop.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/xserver.h"

namespace netdesk {

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

void startAll(Running& r) {
    r.dir = tempDir();
    for (const char* p : {"Xvfb", "openbox", "setxkbmap", "dbus-daemon"}) {
        if (!testsupport::haveProgram(p)) {
            r.s.why = std::string(p) + " is not installed";
            return;
        }
    }
    if (!testsupport::startXvfb(r.xvfb, "1024x768x24", r.s.why) ||
        !testsupport::startWindowManager(r.wm, r.s.why))
        return;
    // The stock layout has no dead keys; ABNT2 has them.
    if (!testsupport::runToEnd({"setxkbmap", "br"})) {
        r.s.why = "setxkbmap br failed";
        return;
    }
    r.s.x = true;

    std::string run = r.dir + "/run";
    ::mkdir(run.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    testsupport::SpawnOptions out;
    out.captureOut = true;
    if (testsupport::spawn(r.bus, {"dbus-daemon", "--session", "--nofork", "--print-address=1",
                                   "--address=unix:dir=" + r.dir}, out)) {
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
    testsupport::SpawnOptions o;
    o.captureOut = true;
    o.env = {"GDK_BACKEND=x11", "LC_ALL=C.UTF-8", "GTK_THEME=Adwaita"};
    if (!testsupport::spawn(p.child, argv, o)) return false;
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
    return testsupport::waitUntil([&] {
        desk::WindowInfo w;
        return desk::activeWindow(w) && plat::cp1252ToUtf8(w.title) == title;
    });
}

}  // namespace netdesk
