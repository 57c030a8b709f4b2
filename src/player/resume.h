// Where a pupil left a game: kept per user (the user's data folder) so that the
// next J on the same game can continue there.  A game is known by its full path and
// the bytes of its file, so a changed game starts afresh.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace player {

struct CategoryProgress {
    std::string nextPlace;
    int32_t limit = 0, references = 0;
    std::vector<int> places;  // the order they are taken in (shuffled or not)
};

struct Progress {
    int32_t place = 0;        // the place to present again
    int32_t score = 0;        // the points before that place's own were added
    std::vector<CategoryProgress> categories;  // in the order BuildCategories makes them
};

// The identity of a game file (Linux path): empty when the file cannot be read.
std::string gameIdentity(const std::string& linuxPath);
// The progress file of a game identity (a Linux path in the user's data folder).
std::string progressPath(const std::string& identity);

bool saveProgress(const std::string& identity, const Progress& p);
// False when there is none, or it was written for other contents, or it cannot be read.
bool loadProgress(const std::string& identity, Progress& p);
void clearProgress(const std::string& identity);

// The progress file's text and its reader (kept apart for the fuzz-like checks).
std::string progressText(const std::string& identity, const Progress& p);
bool parseProgress(const std::string& text, const std::string& identity, Progress& p);

}  // namespace player
