// The game file (.lud): an INI-like text in Windows-1252 with the sections
// [DADOS GERAIS], [MODELO], [LUGAR n] and [SLIDE p s].  The reader fills a game
// from it, the writer stores a game in it, replacing the old file only once the
// new one is wholly written.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/model.h"
#include "util/result.h"

namespace game {

// Why a reading stopped.
enum class ReadStop : uint8_t {
    None,
    CannotOpen,         // the file cannot be opened
    ReadError,          // the system failed while reading
    UnknownLine,        // outside any section: not a known header
    UnknownKey,         // a key that does not belong to its section
    BadHeader,          // place or slide numbers that cannot be read
    HeaderOutOfRange,   // place outside 1..1000 or slide outside 1..50
    SlideWithoutPlace,  // a slide for a place that does not exist
    BadNumber,          // LUGARES or NÚMERO DE SLIDES not a decimal integer (or beyond the model's limits)
    NotText,            // a NUL byte: a binary file, no game
    TooLarge,           // beyond safety::kMaxGameFileBytes: no game is that big
};

struct ReadResult {
    bool ok = false;
    ReadStop stop = ReadStop::None;
    long line = 0;          // line at which reading stopped, from 1; 0 when none was read
    std::string content;    // that line as read (CP1252)
    bool utf8 = false;      // the file was UTF-8 (turned into CP1252 on reading)
    std::string lost;       // characters of a UTF-8 file that CP1252 cannot hold (UTF-8), each once
};

// Longest value kept: longer values are cut on reading.
constexpr size_t kMaxValue = 999;
// Bytes of a line kept in memory; the rest of an absurdly long line is skipped.
constexpr size_t kMaxLineKept = 4096;

// Where things stand in a file, for the checker's warnings (line numbers from 1).
struct FileMap {
    long modelLine = 0;              // [MODELO] header, 0 when none
    bool modelAfterPlaces = false;   // a [MODELO] came after places of the file
    int declaredPlaces = -1;         // the value of LUGARES; -1 when none
    long declaredLine = 0;
    std::vector<std::pair<int, long>> placeHeaders;  // every [LUGAR n] header read: n, line
    struct Line { int place = 0, slide = 0; long line = 0; std::string key, value; };
    std::vector<Line> flags;         // every flag line (TERMINADOR, ESPERA MÍDIA, AUTO AVANÇA, FALA TEXTO)
    std::vector<Line> answers;       // every RESPOSTA ESPERADA line
};

// Reads a game file (a Linux path) into `g` without saying anything.  On failure
// `g` holds what was read before it.  `map`, when given, is filled as the file is read.
ReadResult ReadGameFile(const std::string& linuxPath, TJogo& g, FileMap* map = nullptr);
// The same reader over bytes in memory.
ReadResult ReadGameText(const std::string& bytes, TJogo& g, FileMap* map = nullptr);

// The lines the program shows for a failed reading (CP1252), in order: the slide
// message when there is one, "Erro ao ler o arquivo do jogo", and, when a line was
// read, the line number and the content.
struct FailureReport {
    std::string slideMessage;   // empty unless the slide's place does not exist
    std::string heading;        // LUERRARQ
    std::string lineLabel;      // LULINHA, to be followed by the number
    std::string lineNumber;     // decimal; empty when no line was read
    std::string contentLabel;   // LUCONTEU
    std::string content;        // the line, made safe to show
};
FailureReport MakeFailureReport(const ReadResult& r);

// Loads a game file (Windows-style name) into the current game, which starts from a
// fresh game.  A failure is said and shown with its line and content, and waits for Enter.
bool LoadGame(const std::string& fileName);

// The bytes the writer produces for a game (CR LF, CP1252).
std::string GameText(const TJogo& g);
// The same bytes put in place of the file (a Linux path) as writeFileAtomically
// does, streamed: saving takes a slide's worth of memory beyond the game.
util::Result WriteGameFile(const std::string& linuxPath, const TJogo& g);

// The full path of the current game file, fixed when the game was loaded or named,
// so that saves never depend on the current folder.
std::string GameFilePath();
// A new game chosen by name: it lives in memory, and its file is made by the first
// save (LoadGame of that name, while no file exists, keeps the game in memory).
void StartNewGameFile(const std::string& name);
// The user agreed to replace the file of that name: the next save asks nothing.
void AgreeToReplace(const std::string& name);

// Writes the current game to its file.  Before replacing a file, asks when another
// program changed it since it was loaded, when the game has fewer places than the
// file holds, and when the game holds characters the file cannot; a "no" gives up.
// Says "Arquivo gravado", or "Erro ao criar o arquivo" and the reason.
bool SaveGame();
// Asks for a new name, makes it the current game file name (".lud" added when
// missing) and saves.
bool SaveGameAs();
// The name SaveGameAs makes of a typed answer: trimmed, ".lud" appended unless it
// already ends in ".LUD" (any case).  Empty when the answer is empty.
std::string GameFileNameFromAnswer(const std::string& answer);

}  // namespace game
