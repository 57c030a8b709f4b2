// The Braille display, through BrlAPI (brltty's client library): the line that
// the user works on, or the message being said, is written to the display; its
// routing keys come back as a position in that line, and its panning keys scroll
// a long line here.
// Texts are CP1252.  With a liblouis table (Portuguese grade 1 unless the user
// names another) the program writes the cells itself: brltty does not contract
// text that a client writes.  Without one ("computador") the display gets the
// text and brltty's own table shows it in 8-dot computer braille.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace brl {

// What the display shows; routing keys move a cursor only in a field.
enum class Content { None, Field, Menu, Slide, Review, Message };

struct BrailleState {
    bool enabled = true;     // [BRAILLE] LINHA: "N" turns the output off
    bool connected = false;
    bool wanted = false;     // open() was asked: a lost connection is tried again
    uint64_t windowId = 0;   // the tty that open() took, kept for the next try
    int64_t nextTryMs = 0;   // steady clock, ms
    std::string table = "pt-pt-g1.utb";  // liblouis table; empty: brltty's computer braille
    int cells = 0;           // width of the display
    Content content = Content::None;
    std::vector<std::string> lines;  // what is shown, one line at a time
    std::string label;       // said before a field's value and shown before it
    int line = 0;            // the line on the display
    int offset = 0;          // first cell of that line on the display
    int cursor = -1;         // 0-based character in the current line; -1 none
    std::string written;     // the cells last sent, to skip repeats
    int writtenCursor = -2;
    int routed = -1;         // position of the last routing key in the current line
};
BrailleState& brailleState();

// Connects to brltty and takes the tty of `windowId` (an X window; 0: the
// controlling terminal), so that brltty shows other programs again when the
// focus leaves.  False, silently, when no brltty answers or output is off; the
// connection is then tried again every few seconds while keys are read.
bool open(uint64_t windowId);
void close();
bool connected();
// The liblouis table for what is written from now on; empty for computer braille.
void setTable(const std::string& table);

// Shows one line with a cursor (0-based, -1 for none), or several lines starting
// at the first (panning past a line's end goes on to the next).  A message that
// the display holds already as its last line (a card ending in "Aperte enter")
// leaves the card there.
void show(Content kind, const std::string& line, int cursor = -1);
void showLines(Content kind, const std::vector<std::string>& lines);
// The label the next fields are shown after ("Nome: João"); empty for none.
void setFieldLabel(const std::string& label);

// Reads the display's keys; panning is handled here, and a lost connection is
// tried again.  True when a routing key was pressed on a field: `position` is the
// 0-based place in the field's text.
bool pollRoute(int& position);

// The window of `cells` that shows `cursor`, starting from `offset` (pure: tests).
int offsetForCursor(int offset, int cursor, int cells, int length);

// A line in cells: dots 1-8 as bits 0-7, the cell of each character (and one
// past the end), the character of each cell.
struct Translation {
    std::vector<uint8_t> dots;
    std::vector<int> inToOut, outToIn;
};
// Through the liblouis table; false when the table cannot be used.
bool translate(const std::string& table, const std::string& text, Translation& out);

}  // namespace brl
