// Choosing files and folders by ear: the folder listing, the spoken file chooser
// with marks, asking for a file name, and the game steps built on them (the game
// file of the current folder, the game folders under the games root, the option
// texts of the editors' picture and media fields).
// Names are Windows-style CP1252 texts ("\" separates folders); they are resolved
// on disk without regard to case.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace game {

constexpr int32_t kAttrFolder = 16;
constexpr int32_t kAttrArchive = 32;  // "a file": anything that is not a folder

struct TDirEntry {
    int32_t attributes = 0;  // 16 for a folder, 32 for a file
    std::string name;        // the long name
    std::string shortName;   // the 8.3 name
    uint8_t marked = 0;
};

struct FolderState {
    std::vector<TDirEntry> listing;
    // The chooser while it runs.
    int x1 = 1, y1 = 1, x2 = 80, y2 = 25, width = 80;
    int firstShown = 0, lastShown = 0;
    std::string margin;
    uint8_t savedAttr = 15;
    int savedX = 1, savedY = 1;
    std::vector<uint8_t> savedChars, savedAttrs;
    int current = 0;
    uint8_t lastLetter = 0;
    // The key that ended the last choice or typed name: 13, 9, 27 or an extended code.
    int lastKey = 0;
};
FolderState& folderState();
void resetFolderState();

// Lists the current folder (or the folder part of the mask) into the module's
// listing, sorted by name, and returns it.  A mask with a "." gets "*" appended,
// any other "*.*".  An entry is taken when it has every requested attribute bit,
// or, for the request 32, when it is not a folder.
std::vector<TDirEntry>& dirList(const std::string& mask, int32_t attributes);
void dirFree();

// The file chooser over the region (x1, y1)-(x2, y2): a path, "@TAB@" after Tab,
// or an empty text.
std::string chooseFile(int x1, int y1, int x2, int y2, int32_t attributes, const std::string& mask);
// Asks for a file name at the cursor; an arrow key or a mask opens the chooser.
std::string askFileName(int rows, const std::string& defaultMask);
std::string askAnyFileName(int rows);
// The key that ended the last choice or typed name.
int lastFileKey();

// Chooses or creates the game file of the current folder.  On success the name is
// also the current game file name.
bool chooseGameFile(std::string& fileName);
// Picks a game collection under the games root and makes it the current folder;
// returns its path, empty on Esc or error.
std::string chooseGameFolder();
// Asks for (or picks) a folder for a new game, creates it when needed and makes it
// the current folder; returns its full path, empty on giving up or error.
std::string createGameFolder();

// File names of the current folder matching the mask, joined by "|".
std::string filesAsOptions(const std::string& mask);
// Removes leading and trailing "|" and turns every "||" into "|".
std::string tidyOptions(const std::string& text);

// Helpers, exposed for the tests.
uint8_t foldByte(uint8_t c);                                   // the name-order fold table
int compareNames(const std::string& a, const std::string& b);  // <0, 0, >0
bool maskMatches(const std::string& pattern, const std::string& name);  // Windows wildcards, any case
// 8.3 names for the names of one folder (same order), made up as Windows does.
std::vector<std::string> shortNames(const std::vector<std::string>& names);

}  // namespace game
