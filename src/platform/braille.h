// The Braille display, through BrlAPI (brltty's client library): the line that
// the user works on is written to the display, its routing keys come back as a
// position in that line, and its panning keys scroll a long line here.
// Texts are CP1252; the display gets UTF-8 text and brltty's own table does the
// rest (contracted or not is the user's choice in brltty).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace brl {

// What the display shows; routing keys move a cursor only in a field.
enum class Content { None, Field, Menu, Slide, Review };

struct BrailleState {
    bool enabled = true;     // [BRAILLE] LINHA: "N" turns the output off
    bool connected = false;
    int cells = 0;           // width of the display
    Content content = Content::None;
    std::vector<std::string> lines;  // what is shown, one line at a time
    int line = 0;            // the line on the display
    int offset = 0;          // first character of that line on the display
    int cursor = -1;         // 0-based in the current line; -1 none
    std::string written;     // the cells last sent, to skip repeats
    int writtenCursor = -2;
    int routed = -1;         // position of the last routing key in the current line
};
BrailleState& brailleState();

// Connects to brltty and takes the tty of `windowId` (an X window; 0: the
// controlling terminal), so that brltty shows other programs again when the
// focus leaves.  False, silently, when no brltty answers or output is off.
bool open(uint64_t windowId);
void close();
bool connected();

// Shows one line with a cursor (0-based, -1 for none), or several lines starting
// at the first (panning past a line's end goes on to the next).
void show(Content kind, const std::string& line, int cursor = -1);
void showLines(Content kind, const std::vector<std::string>& lines);

// Reads the display's keys; panning is handled here.  True when a routing key
// was pressed on a field: `position` is the 0-based place in the field's line.
bool pollRoute(int& position);

// The window of `cells` that shows `cursor`, starting from `offset` (pure: tests).
int offsetForCursor(int offset, int cursor, int cells, int length);

}  // namespace brl
