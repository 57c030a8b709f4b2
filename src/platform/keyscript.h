// Key scripts of the headless front: characters typed as themselves, {Name} keys
// with Ctrl+/Alt+/Shift+ prefixes, {{ for a brace, {wait N} for an impatient key.
#pragma once
#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat {

struct ScriptKey {
    KeyEvent ev;
    int waitMs = -1;  // >= 0: typed this long after the previous key, whatever the program does
};

// Parses a UTF-8 script.  On failure returns false and says where in `error`.
bool parseKeyScript(const std::string& script, std::vector<ScriptKey>& out, std::string& error);

}  // namespace plat
