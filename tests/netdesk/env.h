// What the network and desktop tests start for themselves: an X server with a
// window manager and the Brazilian layout, a private D-Bus session with the
// accessibility bus, and the accessible probe program.
#pragma once
#include <string>

#include "support/child.h"
#include "support/wait.h"

namespace netdesk {

// Every wait ends at its condition; kPatienceMs only bounds a broken build's.
using testsupport::Child;
using testsupport::kPatienceMs;

// One X session for the whole test program: Xvfb, openbox, setxkbmap br, and a
// D-Bus session bus.  $DISPLAY and $DBUS_SESSION_BUS_ADDRESS point at them.
struct Session {
    bool x = false, bus = false;
    std::string why;  // what could not start
};
const Session& session();

// The probe program: a window titled `title`, its field holding `field`.
struct Probe {
    Child child;
    int areaX = 0, areaY = 0, areaW = 0, areaH = 0;
    int offX = 0, offY = 0, offW = 0, offH = 0;  // the unavailable button
};
bool startProbe(Probe& p, const std::string& title, const std::string& field = "");
// Waits until the window manager says the window with this title is active.
bool waitActive(const std::string& title);

}  // namespace netdesk
