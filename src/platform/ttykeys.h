// The pure halves of the terminal front, kept apart so they can be tested without a
// terminal: decoding the key sequences terminals send, and turning rows of cells into
// runs of equal attribute and ANSI output.  The window front uses the run builder too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "platform/platform.h"

namespace plat {
namespace tty {

// ---- key input ----------------------------------------------------------------
// Bytes arrive in arbitrary pieces; whatever does not yet form a whole key waits in
// `pending` until more bytes come or the caller decides that nothing more is coming
// (a lone ESC is then the Esc key, not the start of a sequence).
struct KeyDecoder {
    std::string pending;
    uint8_t eraseByte = 0x7f;  // the terminal's VERASE: that byte is Backspace
};

void decodeKeys(KeyDecoder& d, const char* data, size_t len, std::vector<KeyEvent>& out);
// Takes what is pending as typed.  Call after a quiet pause of a few tens of ms.
void flushKeys(KeyDecoder& d, std::vector<KeyEvent>& out);
inline bool hasPending(const KeyDecoder& d) { return !d.pending.empty(); }

// ---- cell runs --------------------------------------------------------------------
// A stretch [col0, col1) of one row whose cells share one attribute.
struct CellRun {
    int col0 = 0, col1 = 0;
    uint8_t attr = 0;
};
// Splits cells [col0, col1) of `row` into runs; the range is clipped to the row.
std::vector<CellRun> cellRuns(const ScreenView& v, int row, int col0, int col1);

// Palette entry of colour number `colour` (0-15) through the view's colour table;
// -1 when the table maps it outside the palette (drawn black).
int paletteIndex(const ScreenView& v, int colour);

// ANSI colour index (0-7 normal, 8-15 bright) closest to a palette entry.
int ansiIndex(int paletteEntry);
// SGR sequence selecting the colours of `attr` through the view's colour table.
// With `trueColour` the exact palette RGB values are sent.
std::string sgrFor(const ScreenView& v, uint8_t attr, bool trueColour);

// Escape output that redraws cells [col0, col1) of `row` on a terminal of
// termCols x termRows whose top line shows screen row `firstRow` (cells outside it are
// left out).  Characters below 32 are drawn as blanks; the rest go out as UTF-8.
std::string renderRow(const ScreenView& v, int row, int col0, int col1, bool trueColour,
                      int termCols, int termRows, int firstRow = 0);

// The screen row a terminal of termRows lines shows on its top line: the view moves
// only as far as needed to keep the cursor's row in sight (on an 80 x 24 terminal
// the answer typed on row 25 must still be seen).
int viewTop(int currentTop, int cursorRow, int termRows, int screenRows);

}  // namespace tty
}  // namespace plat
