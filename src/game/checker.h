// The teachers' game checker (`ludivar --check GAME.lud`): loads a game with the
// program's own reader, tells the reading failure as the program would, and then
// lists what a teacher can mend: destinations that lead nowhere, missing pictures
// and media, places no path reaches, slides that are never shown and "$" variables.
// No window and no sound.
#pragma once
#include <string>
#include <vector>

#include "game/model.h"

namespace game {

struct CheckReport {
    bool loaded = false;
    std::vector<std::string> lines;     // everything to print, in order (CP1252)
    std::vector<std::string> warnings;  // the warning lines alone (also in `lines`)
};

// Checks the game file at a Linux path.
CheckReport CheckGame(const std::string& linuxPath);
// The warnings for a loaded game whose files live in `gameDir` (a Linux path).
std::vector<std::string> GameWarnings(const TJogo& g, const std::string& gameDir);

// The palette entry (0-15) a colour of the game names, as the slides draw it:
// a name ("Verde", "BRANCO", "yellow"), or a number 0-15; anything else is black.
int colourIndexOf(const std::string& colour);
// The WCAG contrast ratio (1 to 21) of two palette entries, from their real RGB values.
double contrastRatio(int paletteA, int paletteB);
// Below this a pupil with low vision can hardly read a slide's text.
constexpr double kLeastContrast = 4.5;
// The warning a place's text colour on its background colour deserves ("lugar 2
// (Campo): a cor da letra BRANCO sobre o fundo Verde tem contraste 1,4:1 ..."), or
// an empty text when they read well.  Colours left empty are the slides' own:
// white text on black.
std::string contrastWarning(const TJogo& g, int place);

// A report line made safe for a terminal: controls become "?".
std::string PrintableLine(const std::string& cp1252);

// Checks the game file named `path` (CP1252, Windows-style names accepted) and
// prints the report to standard output in UTF-8; 0 when the game loads, 1 when not.
int runCheck(const std::string& path);

}  // namespace game
