#include "support/xserver.h"

#include <X11/Xlib.h>

#include <cstdlib>

#include "support/wait.h"

namespace testsupport {

namespace {

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

}  // namespace

bool startXvfb(Child& server, const std::string& screen, std::string& why) {
    SpawnOptions o;
    o.captureOut = true;
    if (!spawn(server, {"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, o)) {
        why = "Xvfb did not start";
        return false;
    }
    // The display number comes once the server is ready.
    const std::string num = server.waitLine("", true);
    if (num.empty()) {
        why = "Xvfb gave no display";
        server.stop();
        return false;
    }
    setenv("DISPLAY", (":" + num).c_str(), 1);
    return true;
}

bool startWindowManager(Child& wm, std::string& why) {
    if (!spawn(wm, {"openbox", "--sm-disable"})) {
        why = "openbox did not start";
        return false;
    }
    if (!waitUntil(managerRunning, kPatienceMs, 20)) {
        why = "openbox did not come up";
        return false;
    }
    return true;
}

}  // namespace testsupport
