// What the network and desktop tests start for themselves: child processes
// with their output read line by line, an X server with a window manager and
// the Brazilian layout, a private D-Bus session with the accessibility bus,
// and the accessible probe program.
#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace netdesk {

// Every wait below ends at the condition; this is only the bound after which
// the test fails instead of hanging.
constexpr int kPatienceMs = 20000;

struct Child {
    pid_t pid = -1;
    int out = -1;        // its standard output, when captured
    std::string pending;  // read and not yet split into lines
    std::vector<std::string> lines;
    // Reads until a line equal to (or, with prefix, beginning with) `want`
    // arrives; returns it, or an empty text after kPatienceMs.
    std::string waitLine(const std::string& want, bool prefix = false);
    bool waitExit();
    std::string seen() const;  // every line so far (for failure messages)
    void stop();
    ~Child() { stop(); }
};

// Checks a condition until it holds or the patience runs out.
bool eventually(const std::function<bool()>& cond);

// Starts `argv` with `env` added to the environment; output captured when asked.
bool spawn(Child& c, const std::vector<std::string>& argv, bool captureOut,
           const std::vector<std::string>& env = {});

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
