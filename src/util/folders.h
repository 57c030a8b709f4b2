// The folders the program keeps the user's things in, and making folders.
#pragma once
#include <sys/types.h>

#include <string>

namespace util {

// mkdir -p: makes the folder and any missing parents.  True when `path` is a
// folder afterwards (also when it was one already).
bool makeFolders(const std::string& path, mode_t mode = 0777);

// The user's own writable data: $XDG_DATA_HOME/ludivar, else ~/.local/share/ludivar.
// A Linux path without a trailing "/"; not made here.
std::string userDataDir();
// Where the settings (ECOLAR.INI, ludivar.ini, permissions) live: $ECOLAR_CONFIG_DIR,
// else $XDG_CONFIG_HOME/ecolar, else ~/.config/ecolar.  Ends in "/".
std::string settingsDir();
// What the program keeps between runs that is neither data nor settings (logs):
// $XDG_STATE_HOME/ludivar, else ~/.local/state/ludivar.  No trailing "/"; not made here.
std::string userStateDir();

}  // namespace util
