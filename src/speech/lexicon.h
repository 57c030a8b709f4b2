// Pronunciation dictionaries: "palavra=como dizer" lines that change how a word
// is said, never how it is written.  The user's list applies to every text; a
// game's own list only to that game's texts, spoken inside a GameTexts scope.
#pragma once
#include <string>
#include <vector>

namespace speech {

struct LexiconEntry {
    std::string word;  // CP1252, as written by the user
    std::string said;  // CP1252
};
using Lexicon = std::vector<LexiconEntry>;

// A line that could not be read: its number (from 1) and why.
struct LexiconProblem {
    int line = 0;
    std::string reason;
};

// Parses the file's text (UTF-8, or CP1252 when it is not valid UTF-8).  Blank
// lines and lines starting with '#' or ';' are comments; a bad line is left out
// and reported.  A word listed twice keeps its last reading.
Lexicon parseLexicon(const std::string& text, std::vector<LexiconProblem>* problems);
// The file's text (UTF-8) of a list, one entry a line.
std::string lexiconFileText(const Lexicon& lexicon);
// A single word (letters only) and a reading without line breaks or '='.
bool validLexiconWord(const std::string& word);
bool validLexiconReading(const std::string& said);
// Adds or replaces the entry of `word` (matched without regard to case).
void lexiconSet(Lexicon& lexicon, const std::string& word, const std::string& said);
bool lexiconRemove(Lexicon& lexicon, const std::string& word);

// Whole words replaced, matched without regard to case (accents count); each
// word is looked up in `first`, then in `second` (which may be null), once.
std::string applyLexicon(const std::string& text, const Lexicon& first, const Lexicon* second = nullptr);

// Reads a dictionary file (a Linux path); a missing file is an empty list; each
// bad line is logged with the file's name and its line number.
Lexicon loadLexiconFile(const std::string& path);

// The lists in use.
void setUserLexicon(Lexicon lexicon);
const Lexicon& userLexicon();
void setGameLexicon(Lexicon lexicon);
const Lexicon& gameLexicon();
void resetLexicons();
// The user's file: pronuncia.txt in the settings folder.
std::string userLexiconPath();
void loadUserLexicon();
// The game's file: pronuncia.txt in the folder of its game file (a Linux path).
void loadGameLexicon(const std::string& gameFolder);
// What speak() gives the voices: the user's list on every text, and inside a
// GameTexts scope the game's list first.
std::string spokenForm(const std::string& text);

// Marks the texts spoken while it lives as the game's own.
class GameTexts {
public:
    GameTexts();
    ~GameTexts();
    GameTexts(const GameTexts&) = delete;
    GameTexts& operator=(const GameTexts&) = delete;
};

}  // namespace speech
