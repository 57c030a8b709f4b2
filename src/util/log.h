// The one place every module reports a problem the user or a developer should see.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace util {

// One line (the newline is added): to stderr, and appended to the log file when one is set.
void log(std::string_view line);
// The same line for the log file only: for reasons already on the user's screen,
// where stderr would land in the middle of the drawn cells.
void logToFileOnly(std::string_view line);
// Where log() writes: stderr or not, and a file to append to ("" for none).
void setLog(bool toStderr, const std::string& file);
// The log file grows to this many bytes, then starts again beside one older copy (FILE.1).
void setLogLimit(uint64_t bytes);
// The user's log, $XDG_STATE_HOME/ludivar/ludivar.log, its folder made when missing;
// returns its path ("" when the folder cannot be made, and then nothing is written).
std::string openUserLog();

}  // namespace util
