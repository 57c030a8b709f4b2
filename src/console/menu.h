// The two arrow-key choosers of the console: the pop-up choice menu, which
// restores the screen under it when it closes, and the scrolling list view with
// marks, which hands every key it does not use back to its caller.
// One of each can be active at a time; neither is re-entrant.
// Columns and rows are 1-based screen positions (the menu and the list assume the
// whole 80 x 25 window is current).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace con {

// One option of a choice menu.
struct TOpcoes {
    int number = 0;    // position at which it was added, from 1
    std::string key;   // message key; empty for plain-text options
    std::string text;  // shown and spoken (CP1252)
};

struct MenuState {
    int x = 1, y = 1, width = 1, height = 1;
    uint8_t savedAttr = 15;          // attribute in force at menuOpen
    std::vector<TOpcoes> options;
    int firstShown = 1;              // option drawn on row y
    int cursorX = 1, cursorY = 1;    // cursor at menuOpen (window-relative, 1-based)
    int savedX1 = 1, savedY1 = 1, savedX2 = 0, savedY2 = 0;  // rectangle under the menu
    std::vector<uint8_t> savedChars, savedAttrs;
    std::string lastChosen;          // text of the last option chosen; empty when none
    bool open = false;
};
MenuState& menuState();
void resetMenu();

// Prepares a menu whose top-left corner is column x, row y; pulls it inside the
// screen, saves the rectangle under it and sets the background colour.
void menuOpen(int x, int y, int width, int height, int background);
// Appends an option (its number is its position, from 1).
void menuAdd(const std::string& key, const std::string& text);
// Lets the user choose.  Returns the option's number, or 0 after Esc or Enter with no
// option current.  Restores the screen under the menu, the colours and the cursor,
// and discards the options.
int menuRun();
// Text of the option chosen by the last menuRun (empty after Esc or no choice).
const std::string& menuLastChosen();
int menuOptionCount();

// A list view item.
struct ListItem {
    std::string text;
    bool marked = false;
};

constexpr int kListMaxItems = 60000;

struct ListState {
    int x1 = 1, y1 = 1, x2 = 80, y2 = 25;
    int rows = 25;                   // y2 - y1 + 1
    int current = 0;                 // 0-based; -1 above the first, count below the last
    int firstShown = 0;
    std::vector<ListItem> items;
    uint8_t plainAttr = 15;          // colour of unmarked lines during a run
    bool open = false;
};
ListState& listState();
void resetList();

// Result of one run of the list view.
struct ListResult {
    uint8_t key = 0;   // key byte that ended the run (0 for an extended key)
    uint8_t ext = 0;   // extended code, 0 when the key was not extended
    int item = 0;      // current item number, from 1 (0 or count + 1 beyond an end)
    bool valid = false;  // item names an existing item
};

// Creates an empty list for the region (columns x1..x2, rows y1..y2).
void listOpen(int x1, int y1, int x2, int y2);
// Appends an unmarked item; ignored once the list holds kListMaxItems.
void listAdd(const std::string& text);
// Item i (from 1); an empty, unmarked item when i is out of range.
ListItem listItem(int i);
int listCount();
// Runs the list from item `start` (from 1); `speakFirst` tells whether the first
// drawing speaks the current item.
ListResult listRun(int start, bool speakFirst);
// Blanks the region and puts the cursor at its top-left corner.
void listClear();
// Discards the items and marks.
void listClose();

}  // namespace con
