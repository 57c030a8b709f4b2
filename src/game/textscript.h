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

// A text script cut into lines (CR LF or LF; a final line end makes no extra line).
std::vector<std::string> scriptLines(const std::string& bytes);
// A file is a text script when it holds a separator line and a line that is exactly "*".
bool looksLikeScript(const std::vector<std::string>& lines);

// A line of a place that began with "[" but with no known tag.
struct IgnoredLine {
    std::string place;  // the place's name
    std::string line;   // the line as written
};

// What a script holds, before it is added to a game.
struct ParsedScript {
    std::vector<std::string> general;  // block 1, as written
    std::vector<TLugar> places;        // one per place block, slides included
    std::vector<IgnoredLine> ignored;
    std::vector<std::string> slidesCut;  // names of places whose slides passed 50 (the excess is dropped)
};
// Cuts the lines into blocks and reads every place block (up to the first empty
// block).  Values the format does not carry take the import's starting values.
ParsedScript parseScript(const std::vector<std::string>& lines);
// Whether block 1 can be the general data: not empty, no line beginning with "*".
bool generalBlockValid(const std::vector<std::string>& general);

// Adds the parsed places after the last place of the game (dropping the empty
// first place of a just-created game).  Returns how many were added; places that
// would pass 1000 are left out.
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
