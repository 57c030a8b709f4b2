// A game written as one accessible web page: every place and slide, with its
// pictures and sounds inlined, and a player in the page that plays it as Ludivar
// does, with the same keys and texts, for a browser and a screen reader.
// The page needs no server and no network: it opens from a local file.
#pragma once
#include <string>
#include <vector>

#include "game/model.h"

namespace web {

// Why a medium named by the game did not go into the page.
enum class Left { OutsideFolder, Missing, NotPlayable, TooLarge, Variable };

struct LeftOut {
    std::string name;  // as the game names it (CP1252)
    Left why;
};

struct ExportReport {
    std::vector<LeftOut> leftOut;
    bool needsProgram = false;  // the game names a program: the page plays without it
    size_t inlinedBytes = 0;
};

// Largest medium put into a page; beyond it a page would be slow to open.
constexpr size_t kMaxMediumBytes = 32u << 20;

// A medium named by a game, as a Linux path inside the game's folder (realpath):
// empty when the name leads outside the folder (the game is untrusted) or to
// nothing.  `outside` tells the two apart.
std::string ConfinedMedium(const std::string& gameFolder, const std::string& nameCp1252, bool& outside);

// The page for a game whose folder (a Linux path) holds its media.
std::string GamePage(const game::TJogo& g, const std::string& gameFolder, ExportReport& report);

// `ludivar --export-html GAME.lud OUT.html`: reads the game file, writes the page
// (atomically) and prints what was left out.  0 when written, 1 otherwise.
int RunExport(const std::string& gameFile, const std::string& outFile);

// The editor's option: the current game as a page beside its game file, said
// and shown with what was left out.
void ExportCurrentGame();

// The text of a report line, as the command prints and the editor says it (CP1252).
std::string LeftOutText(const LeftOut& l);

// The player of the page (script and style), kept apart from the data.
extern const char* const kPlayerScript;
extern const char* const kPageStyle;
// The page's visible body (the play area, its buttons and the log), for a game
// whose name is already HTML-escaped.
std::string PlayerMarkup(const std::string& titleHtml);

}  // namespace web
