// The game being worked on: where the games live, which game file is open, the
// place the place editor stands on and the game folders last offered.  Start-up
// fills it; the chooser, the editors, the player and the web page read it.
#pragma once
#include <string>
#include <vector>

namespace game {

struct Session {
    std::string gamesRoot;                 // sub-folders hold the games (CP1252)
    std::string currentGameFile;           // game being played or edited
    int editorPlace = 0;                   // place selected in the place editor
    std::vector<std::string> gameFolders;  // filled when the user chooses a folder
};
Session& session();
void resetSession();

// The games folder (CP1252) from the settings.  For the default folder, the games
// that the program's data folder holds are first copied there once (`copied` tells,
// so that the user can be told), so that no game lives inside the program's own data.
std::string GamesFolderSetting(bool* copied = nullptr);
// Copies into `games` what it lacks of `oldGames`, unless `marker` exists; then
// writes `marker`.  Gives the number of games (top-level entries) copied.
int SeedGamesFolder(const std::string& games, const std::string& oldGames, const std::string& marker);

// The working folder is the open game's folder: relative names of a game (its
// pictures, media, program) are found there.  Every change of it by start-up, the
// folder choosers, the media import, the player and the program's DIR TROCA goes
// through these two, so that there is one place to follow it.
// `name` is the program's own name (CP1252, "\" or "c:\"); false when it cannot be
// entered, and then the folder stays as it was.
bool enterFolder(const std::string& name);
// The same for a Linux path (UTF-8), e.g. one that confinement has already resolved.
bool enterFolderPath(const std::string& path);

// A game's own name as seen from `folder` (a Linux path), without entering it: the
// program's name of the same file.  Names with a root of their own ("c:\", "\",
// "/") stay as they are.  Empty when the folder has no CP1252 spelling.
std::string nameInFolder(const std::string& folder, const std::string& name);

}  // namespace game
