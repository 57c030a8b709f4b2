// Games in and out of plain text: the text script ("roteiro", a .txt file an
// author writes with any editor) imported into and exported from the current
// game, and the copying of media files into the game's folder.
// Texts are CP1252 bytes.
#pragma once
#include <string>
#include <vector>

#include "game/model.h"

namespace game {

// A separator line is any line beginning with "----"; the export writes forty dashes.
inline constexpr const char* kScriptSeparator = "----------------------------------------";
// Largest script read: far above 1000 places of 50 full slides.
constexpr size_t kMaxScriptBytes = 64u << 20;

// A script's bytes cut into lines (CR LF or LF; a final line end makes no extra
// line).  A script saved as UTF-8 (as Linux editors do) is turned into CP1252.
std::vector<std::string> scriptLines(const std::string& bytes);
// Lines that would read as a separator, a slide start, a tag or an escape are
// written with a "\" before them, which the reader takes away; an empty name is
// written as "\" alone.
// A file is a text script when it holds a separator line and a line that is exactly "*".
bool looksLikeScript(const std::vector<std::string>& lines);

// One place block as read.
struct ScriptPlace {
    TLugar place;                      // slides included, at most 50
    std::vector<std::string> ignored;  // place lines beginning with "[" with no known tag
    int slidesDropped = 0;             // slides beyond the 50th, left out
};

// What a script holds, before it is added to a game.
struct ParsedScript {
    std::vector<std::string> general;  // block 1, escapes taken away
    bool generalValid = false;         // generalBlockValid of block 1 as written
    std::vector<ScriptPlace> places;   // one per place block, in order
};
// Cuts the lines into blocks and reads every place block up to the first empty
// block.  Values the format does not carry take the import's starting values.
ParsedScript parseScript(const std::vector<std::string>& lines);
// Whether block 1 can be the general data: some text, and no line beginning with "*".
bool generalBlockValid(const std::vector<std::string>& general);

// A just-created game holds one place without slides: it makes way for the import.
// True when it was dropped.
bool dropEmptyFirstPlace(TJogo& g);
// Appends a place after the last place of the game; false when that would pass
// place 1000 (the game is then unchanged).
bool appendPlace(TJogo& g, const TLugar& p);
// dropEmptyFirstPlace and appendPlace for every parsed place; the number added.
int appendScriptPlaces(TJogo& g, const ParsedScript& s);

// The text script of a game (CP1252, "\r\n" after every line).
std::string scriptText(const TJogo& g);

// Option R: asks for a .txt file and imports it into the current game.
void importScript();
// Option G: asks for a file name and writes the current game as a text script.
void exportScript();
// Option I: copies files chosen from another folder into the game's folder.
void importMedia();

}  // namespace game
