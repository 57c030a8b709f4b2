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
// The "Windows folder" where ECOLAR.INI lives: $ECOLAR_CONFIG_DIR, else ~/.config/ecolar/.
std::string configDir();

// Windows-style name (CP1252) -> Linux path (UTF-8), case resolved when needed.
std::string mapPath(const std::string& name);
bool fileExists(const std::string& name);     // takes a Windows-style name
bool dirExists(const std::string& name);
bool readFile(const std::string& name, std::string& out, size_t maxBytes = SIZE_MAX);
std::string currentDir();                      // Linux path
bool changeDir(const std::string& name);

struct DirEntry { std::string name; bool isDir; uint64_t size; };
// Entries of a folder (no "." or ".."), names converted to CP1252.
bool listDir(const std::string& name, std::vector<DirEntry>& out);

}  // namespace plat
