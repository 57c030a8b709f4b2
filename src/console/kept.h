// Choices the user makes while the program runs and expects to find at the next
// start (punctuation level, speech speed).  They live in their own file in the
// user's settings folder, so that ECOLAR.INI files (shipped or the teacher's) are
// never rewritten and a kept choice wins over them.
#pragma once
#include <string>

namespace con {

// The file: keptSettingsPath() in the configuration folder (Linux path).
std::string keptSettingsPath();
// The kept value of a key of [LUDIVAR], empty when none was kept.
std::string keptSetting(const std::string& key);
// Keeps key=value (CP1252), replacing an earlier value; written atomically.
// False when the folder or the file cannot be written.
bool keepSetting(const std::string& key, const std::string& value);

}  // namespace con
