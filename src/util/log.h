// The one place every module reports a problem the user or a developer should see.
#pragma once
#include <string>
#include <string_view>

namespace util {

// One line (the newline is added): to stderr, and appended to the log file when one is set.
void log(std::string_view line);
// Where log() writes: stderr or not, and a file to append to ("" for none).
void setLog(bool toStderr, const std::string& file);

}  // namespace util
