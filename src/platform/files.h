// File names as games and configuration write them ("c:\sonare\som\", "FIGURA.JPG")
// resolved on Linux: "\" is a separator, a drive letter maps to the family root,
// and a name that does not exist is matched without regard to case.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// The family root that "c:\" (any drive) stands for: $ECOLAR_ROOT, else the
// installed data folder, else the build's data folder.
std::string familyRoot();
void setFamilyRoot(const std::string& dir);  // tests
// <prefix>/share/ludivar/root for a binary at <prefix>/bin/NAME, when that folder exists.
std::string installedRootBeside(const std::string& exePath);

// The user's own writable data: $XDG_DATA_HOME/ludivar (default
// ~/.local/share/ludivar), made when missing.  Linux path, no trailing "/".
std::string userDataDir();
// The games folder for the DIRJOGOS setting (as read by the caller): the folder it
// names, or userDataDir()/jogos when it is empty or the family's old default
// "c:\sonare\ludivar" (which would put a teacher's games inside the program's own
// data).  Linux path; the default folder is made when missing.
std::string gamesDir(const std::string& dirjogos);
// True for the values of DIRJOGOS that mean the default games folder.
bool isDefaultGamesSetting(const std::string& dirjogos);

// Windows-style name (CP1252) -> Linux path (UTF-8), case resolved when needed.
std::string mapPath(const std::string& name);
bool fileExists(const std::string& name);     // takes a Windows-style name
bool dirExists(const std::string& name);
bool readFile(const std::string& name, std::string& out, size_t maxBytes = SIZE_MAX);
// The same for a Linux path, as it stands: at most maxBytes, regular files only.
bool readPath(const std::string& linuxPath, std::string& out, size_t maxBytes = SIZE_MAX);
std::string currentDir();                      // Linux path
bool changeDir(const std::string& name);

struct DirEntry { std::string name; bool isDir; };
// Entries of a folder (no "." or ".."), names converted to CP1252 whatever their
// encoding on disk (UTF-8, or Latin-1 from archives made on Windows).
bool listDir(const std::string& name, std::vector<DirEntry>& out);

// A name as found on disk (UTF-8 or Latin-1 bytes) -> CP1252.
std::string diskNameToCp1252(const std::string& raw);
// The key under which names match without regard to case: CP1252 upper-cased,
// accented letters included ("ação" and "AÇÃO" share one key).
std::string nameKey(const std::string& cp1252);
// Forgets the folders read for case-insensitive matching (tests).
void forgetFolders();

}  // namespace plat
