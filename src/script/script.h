// The game-program interpreter as its hosts see it: the player resets it, runs a
// program with its place-playing handler, and reads and sets named variables.
// Texts are CP1252 bytes.
#pragma once
#include <functional>
#include <string>

namespace script {

// The host's handler for CHAMA REMOTO: gets the argument text, returns the reply
// that the script may store in a variable.
using HostCall = std::function<std::string(const std::string& argument)>;

// Result codes of a run.
enum RunCode : int {
    RunOk = 0,           // ran off its end or reached TERMINA
    RunFailed = 1,       // a command failed; `line` is the failing line
    RunLoadFailed = 2,   // the file could not be read (or is too big)
    RunNoLabel = 3,      // the start label was not found
    RunStopped = 4,      // the pupil stopped it with the stop key; `line` is where it was
};

struct RunResult {
    int code = RunOk;
    int line = 0;  // the line where the run stopped (one past the end when it ran off it)
    std::string file;     // the program that line belongs to (after DESVIA SCRIPT, the new one)
    std::string command;  // the text of that line, when there is one
};

// What a teacher needs of a failed run, after the words that start it:
// "JOGO.PRO, linha 12: SOMA X" (the file's name without folders).
std::string failurePlace(const RunResult& r);

// Empties every variable, marks the channels closed, clears the host handler and
// takes a new time reference.  Called once at start and by the player before a game.
void scriptReset();

// Loads and runs a program, optionally from a label.  Variables and channels are
// kept from the previous run.
RunResult scriptRun(const std::string& file, const std::string& startLabel = std::string());

// scriptRun with `handler` installed for CHAMA REMOTO for the length of the run.
RunResult scriptRunWithHost(const std::string& file, HostCall handler);

// Named variables by name without "$", any case.  An unknown name reads as empty.
std::string scriptGetVariable(const std::string& name);
// Creates the variable when needed; false when the table of names is full.
bool scriptSetVariable(const std::string& name, const std::string& value);

// `ludivar --script FILE.pro`: runs a program with no host.  `path` is a program
// name like any other (CP1252, Windows or Linux style).  Returns the process
// exit code: 0 when the run's result was 0, else 1 after printing the result code
// and the line.
int runScriptFile(const std::string& path);

}  // namespace script
