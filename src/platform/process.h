// Starting other programs: documents, addresses and programs named by games and
// settings.  The desktop's association stands in for the shell's "open" verb.
#pragma once
#include <string>
#include <vector>

namespace plat {

// Starts `program` (a Linux path, or a name looked up in PATH) with `args`, in the
// current folder, with its standard streams on /dev/null so that it cannot
// disturb the terminal front.  Returns the process id, or -1 when it could not
// be started.  Finished children are reaped by the next call or by processRunning.
int spawnProgram(const std::string& program, const std::vector<std::string>& args);
// Where spawnProgram hands its programs when set (a launcher outside a restricted
// process); it returns the process id or -1.  Such processes are not our children.
using SpawnHook = int (*)(const std::string& program, const std::vector<std::string>& args);
void setSpawnHook(SpawnHook hook);
// Opens a file or an address with the desktop's association (xdg-open).
int openWithDesktop(const std::string& target);
// Whether a process started here is still running (reaps it when it has ended).
bool processRunning(int pid);

// The shell's "open" verb: `target` is a program's own name (CP1252, Windows or
// Linux style).  An executable file (by name or on PATH) is run with `params`
// split like a command line; a document or an address goes to the desktop's
// association (the parameters are not used then).  Returns the process id, or
// -1 when nothing could be started.
int shellOpen(const std::string& target, const std::string& params);
// Splits a command line (CP1252) into UTF-8 arguments: blanks separate, double
// quotes group and are dropped.
std::vector<std::string> splitCommandLine(const std::string& params);

}  // namespace plat
