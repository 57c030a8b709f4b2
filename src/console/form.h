// Forms: a vertical list of labelled text fields filled in one after the other,
// each announced, edited with the spoken line editor and, when it has choices,
// offered them in a choice menu on F9.  One form can be active at a time.
#pragma once
#include <string>
#include <vector>

namespace con {

constexpr int kFormMaxFields = 200;
constexpr int kFormLabelWidth = 28;   // label column, value starts at column 29
constexpr int kFormMaxVisible = 79 - kFormLabelWidth;  // 51 columns of value at most
constexpr size_t kFormTargetMax = 255;  // capacity of every caller's text variable

// One form field.
struct TCampo {
    std::string key;      // message key; its recording, when there is one, announces the field
    std::string label;    // shown left of the value, right-aligned
    std::string value;    // the text being edited; starts as the target's text
    std::string options;  // choices separated by "|" ("SIM|NÃO"); empty: none
    int width = 0;        // greatest number of characters of the value
    std::string* target = nullptr;  // receives the value when the form ends
    std::string help;     // said by F1 once no word is left to read; empty: the beep
};

struct FormState {
    std::vector<TCampo> fields;  // numbered from 1 in the order added
    int top = 1;                 // row of field 1 when not scrolled
    int scroll = 0;              // fields scrolled off above the top row
    int labelWidth = kFormLabelWidth;
};
FormState& formState();
void resetForm();

// Empties the field table; the cursor row becomes the form's top row.
void formStart();
// Writes n line ends (scrolling the screen when the form would not fit below the
// cursor) and moves the cursor back up n rows, to the column it was at.
void formReserveLines(int n);
// Appends a field without choices / with choices ("A|B|C").  The value starts as
// the target's text.  Fields beyond kFormMaxFields are ignored.
void formAddField(const std::string& key, const std::string& label, std::string* target, int width);
void formAddChoiceField(const std::string& key, const std::string& label, std::string* target,
                        const std::string& options, int width);
// Runs the form; returns the key that ended it: 27 (Esc) or the extended codes
// 73 (Page Up) and 81 (Page Down).  Every target then holds its field's value
// (trailing blanks removed, cut to 255), whatever key ended it.  The fields are
// discarded; the cursor is left at column 1 of the row below the last field.
int formRun(bool editable);

// Columns of value shown for a field of this width.
int formVisibleWidth(int width);
// Lets the user pick one of the "|"-separated options in a choice menu opened at
// (col, row); the option chosen, or `value` unchanged after Esc (or with no options).
std::string formOfferChoices(const std::string& options, const std::string& value, int col, int row);

}  // namespace con
