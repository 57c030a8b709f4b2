// The window as screen readers see it: an application on the accessibility bus
// (AT-SPI, through ATK and its bridge) with one frame holding a terminal-like
// text object.  Its text is the 25 rows of the screen, its caret the cursor; it
// sends text and caret events as the screen changes.  Everything runs on the
// program's one thread, from the window's event loop.
#pragma once
#include <string>

#include "platform/platform.h"

namespace plat::a11y {

// Joins the accessibility bus, when a session bus is there to find it by (no
// daemon is ever started from here).  False when it is not there or refused us;
// the reason is logged once.  Only the first call in a process tries.
bool start(const std::string& titleUtf8);
// Leaves the bus (the window closes).
void stop();
bool running();

// The window's title (UTF-8), its place on the screen and its cell size.
void setTitle(const std::string& titleUtf8);
void setGeometry(int x, int y, int cellW, int cellH);
void setFocused(bool focused);

// Takes what changed on the screen since the last call (text, cursor, whether a
// key is being read), tells listeners, and answers waiting requests.  Cheap when
// nothing changed; call it from every turn of the event loop.
void pump();

// ---- the text model, kept apart from ATK so that it can be checked on its own ----

// Each row is 80 characters and a line break ("\n"), the last row without it.
constexpr int kRowChars = 81;
int offsetOf(int col, int row);  // 0-based cell -> character offset

enum class Unit { Char, WordStart, WordEnd, Word, LineStart, LineEnd, Line };
// The span [start, end) of `unit` around `offset` in `text` (one byte per character).
void spanAt(const std::string& text, int offset, Unit unit, int& start, int& end);

// The screen as the accessible text: CP1252 cells, control codes shown as spaces.
std::string screenText(const ScreenView& v);

}  // namespace plat::a11y
