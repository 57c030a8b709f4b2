// Start-up, the main question and the end of the program.
#pragma once
#include <string>
#include <vector>

namespace app {

struct AppState {
    std::string gamesRoot;                 // sub-folders hold the games
    std::string currentGameFile;           // game being played or edited
    int editorPlace = 0;                   // place selected in the place editor
    std::vector<std::string> gameFolders;  // filled when the user chooses a folder
    std::vector<std::string> notices;      // said at start, kept on the bottom rows of the question
};
AppState& appState();
void resetAppState();

// What the three answers lead to; main() installs the player and the editors.
struct Actions {
    void (*play)() = nullptr;
    void (*create)() = nullptr;
    void (*edit)() = nullptr;
};
void setActions(const Actions& a);

void StartUp();
// The games folder (CP1252) from the settings.  For the default folder, the games
// that the program's data folder holds are first copied there once (and the user
// is told so), so that no game lives inside the program's own data.
std::string GamesFolderSetting();
// Copies into `games` what it lacks of `oldGames`, unless `marker` exists; then
// writes `marker`.  Gives the number of games (top-level entries) copied.
int SeedGamesFolder(const std::string& games, const std::string& oldGames, const std::string& marker);
void MainMenu();
[[noreturn]] void ShutDown();
int ChooseByArrows();  // 'J', 'C', 'E' or 27

extern const char* const kVersionText;

}  // namespace app
