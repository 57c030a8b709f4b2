// What pupils did: one record per play of a game, appended to the game's results
// file in the user's data folder (never the game's folder, which a game's program may
// write), and the figures a teacher reads from them.
//
// The file is CSV in UTF-8 with a header, one row per place visited (a play that
// visited none has one row with the place columns empty); the rows of one play share
// its first columns and are written by one append, so a killed program leaves whole
// plays only.  Texts are CP1252 in memory, as everywhere else in the program.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/model.h"

namespace player {

enum class PlayEnd { Finished, Left, Error };  // "fim", "esc", "erro" in the file
const char* playEndText(PlayEnd e);

struct Visit {
    int32_t place = 0;       // the place's number when it was played
    std::string name;        // the place's name
    std::string answer;      // as typed, trimmed
    int right = -1;          // 1 right, 0 wrong, -1 no expected answer or not answered
    int32_t points = 0;      // the place's points
    int64_t seconds = 0;     // time spent there
};

struct PlayRecord {
    std::string id;          // unique per play
    std::string when;        // "YYYY-MM-DD HH:MM:SS", local time
    std::string pupil;       // empty: anonymous
    PlayEnd end = PlayEnd::Finished;
    int32_t score = 0;
    std::vector<Visit> visits;
};

extern const char* const kResultsHeader;  // the CSV header line, without its line end

// The results file of a game identity (gameIdentity): one per game path, like the
// progress files, so a game edited later keeps its history.
std::string resultsPath(const std::string& identity);
// The results file of a game file (Linux path): empty when the file cannot be read.
std::string resultsPathOfGame(const std::string& linuxGamePath);

// The rows of one record (UTF-8, each ending in a line end).
std::string recordText(const PlayRecord& r);
// Reads a results file's text.  False when it does not parse; `whole` is then
// meaningless.  A last record cut short (a program killed while writing) is not a
// fault: it is left out and `whole` ends before it.
bool parseResults(const std::string& text, std::vector<PlayRecord>& plays, size_t* whole = nullptr);

// Appends one record.  A file that does not parse is renamed aside (kept) and a new
// one started; a record cut short at the end is dropped first.  `asideName` gets the
// name the damaged file was given.
bool appendRecord(const std::string& path, const PlayRecord& r, std::string* asideName = nullptr);
// The plays of a results file; a missing file gives none.  False when it does not parse.
bool loadResults(const std::string& path, std::vector<PlayRecord>& plays);
bool eraseResults(const std::string& path);

// Whether an answer is one of the place's expected answers, as the play loop compares them.
bool answerIsRight(const game::TLugar& p, const std::string& answer);

// ---- figures ---------------------------------------------------------------------------

struct PlaceFigures {
    int32_t place = 0;
    std::string name;
    int plays = 0;           // plays that answered this place
    int rightFirst = 0;      // of them, right at the first answer
    std::vector<std::pair<std::string, int>> wrong;  // most often typed first, 3 at most
    // Every answer given here: the play's index in `plays`, the visit.
    std::vector<std::pair<size_t, Visit>> answers;
};

struct Figures {
    int plays = 0;
    int pupils = 0;          // named pupils, each counted once
    double meanScore = 0;
    std::vector<PlaceFigures> places;  // the game's places with an expected answer, in order
};
// Places are matched by name (case not minded): numbers change as the author edits.
Figures figuresOf(const game::TJogo& g, const std::vector<PlayRecord>& plays);
// "33,3": one decimal, Brazilian style.
std::string decimalText(double v);

// ---- recording from the play loop ------------------------------------------------------

// Plays are recorded unless turned off (the editor's own trial plays).
void setRecordPlays(bool on);
struct NotRecorded {
    NotRecorded() { setRecordPlays(false); }
    ~NotRecorded() { setRecordPlays(true); }
};

// One play, from its start to its end: the record is appended when it goes, however
// the play ended (a play not marked otherwise was left).
class Recording {
public:
    explicit Recording(const std::string& gameFileCp1252);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
};
// Called by the play loop: a place presented, then its answer (or Esc), then the end.
void visitStarts(int place);
void visitEnds(const std::string& answer, bool answered);
void playEnds(PlayEnd how);

// The pupil's name for records: asked once per start when the settings say so.
std::string pupilName();
void forgetPupil();  // tests

}  // namespace player
