// Start-up, the main question and the end of the program.
#pragma once
#include <string>
#include <vector>

namespace app {

// The game being worked on is game::session(); what stays here is the program's own.
struct AppState {
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
void MainMenu();
[[noreturn]] void ShutDown();
int ChooseByArrows();  // 'J', 'C', 'E' or 27

extern const char* const kVersionText;

}  // namespace app
