// An X server of the test program's own, and a window manager on it.
#pragma once
#include <string>

#include "support/child.h"

namespace testsupport {

// Starts Xvfb on a display it picks itself (-displayfd: no race over display numbers)
// and points DISPLAY at it once it accepts connections.  `screen` is WxHxDEPTH.
bool startXvfb(Child& server, const std::string& screen, std::string& why);
// Starts openbox on DISPLAY and waits until it manages the screen.
bool startWindowManager(Child& wm, std::string& why);

}  // namespace testsupport
