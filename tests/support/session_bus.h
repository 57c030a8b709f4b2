// A private D-Bus session bus for tests that talk to the desktop: the accessibility
// bus and its registry are started by it on demand, never the user's own.
#pragma once
#include <string>

#include "support/child.h"

namespace testsupport {

// Starts dbus-daemon --session listening under `dir`, and points this process's
// DBUS_SESSION_BUS_ADDRESS (and XDG_RUNTIME_DIR, where the accessibility bus puts
// its socket) at it; children started later inherit them.
bool startSessionBus(Child& bus, const std::string& dir, std::string& why);

}  // namespace testsupport
