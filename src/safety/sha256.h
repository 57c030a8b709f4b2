// SHA-256, for the identity of a game's contents: a hostile game must not be able
// to pass for one the pupil already allowed.
#pragma once
#include <string>

namespace safety {
// Lower-case hex digest of the bytes.
std::string sha256Hex(const std::string& bytes);
}
