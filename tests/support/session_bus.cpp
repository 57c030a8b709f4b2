#include "support/session_bus.h"

#include <sys/stat.h>

#include <cstdlib>

namespace testsupport {

bool startSessionBus(Child& bus, const std::string& dir, std::string& why) {
    if (!haveProgram("dbus-daemon")) {
        why = "dbus-daemon is not installed";
        return false;
    }
    const std::string run = dir + "/run";
    ::mkdir(run.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    SpawnOptions out;
    out.captureOut = true;
    if (!spawn(bus, {"dbus-daemon", "--session", "--nofork", "--print-address=1", "--address=unix:dir=" + dir}, out)) {
        why = "dbus-daemon did not start";
        return false;
    }
    const std::string addr = bus.waitLine("unix:", true);
    if (addr.empty()) {
        why = "dbus-daemon gave no address";
        return false;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", addr.c_str(), 1);
    return true;
}

}  // namespace testsupport
