// Screen review: a review cursor, independent of the text cursor, that moves over
// the rows, words, fields and characters of the screen and speaks them, reads
// ranges, searches, jumps and copies the screen, without changing anything.
// Entered from the line editor with Ctrl+Alt+F9, left with Esc.
#pragma once
#include <cstdint>
#include <string>

namespace con {

struct ReviewState {
    int row = 1, col = 1;     // review position, 1-based screen cell (col may be 81)
    std::string lastSearch;   // kept between reviews for the whole run
    bool active = false;
};
ReviewState& reviewState();
void resetReview();

// Runs the review until Esc.  The text cursor follows the review position while
// keys are read and is put back where it was on leaving.
void screenReview();
// Makes Ctrl+Alt+F9 in the line editor enter screenReview.
void installScreenReview();

// What the review sees of the screen: 1-based screen cells; outside the screen a
// blank with attribute 0.
uint8_t reviewChar(int col, int row);
uint8_t reviewAttr(int col, int row);
int reviewRows();
// The whole screen as the clipboard gets it: each row of 80 characters and CR LF.
std::string reviewScreenText();

}  // namespace con
