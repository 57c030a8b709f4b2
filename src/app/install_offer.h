// The offer to install a game opened from outside the games folder.
#pragma once
#include <string>

namespace app {

// Asks whether the game at `path` (a game file or a .zip, Linux path) is to be
// installed into a folder of its own under the games folder, and installs it on
// yes.  Gives the game file to play (Linux path): the installed one, the one where
// it lies when the pupil says no, or empty when there is nothing to play (an
// archive not installed, an install refused, a choice given up).
std::string OfferToInstall(const std::string& path);

}  // namespace app
