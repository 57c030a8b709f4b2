// Forms.  The fields are drawn as label (on red) and value, then visited one at a
// time: announced, edited with editField and, on F9, offered their choices.
// Movement past either end beeps and parks on a pseudo-field (0 or count + 1)
// from which the next movement key comes back.
#include "console/form.h"

#include <algorithm>

#include "console/console.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "platform/braille.h"

namespace con {

namespace {

FormState g_form;

enum : int {
    kTab = 9, kEnter = 13, kEsc = 27,
};
// Extended codes (after the 0 byte), in editField's return space.
enum : int {
    kF9 = 67, kUp = 72, kPgUp = 73, kDown = 80, kPgDn = 81, kCtrlUp = 113, kCtrlDown = 114,
};
constexpr int kLabelBackground = 4;
constexpr int kValueBackground = 0;
constexpr int kCurrentColour = 14;
constexpr int kChoiceBackground = 5;

int fieldCount() { return static_cast<int>(g_form.fields.size()); }

int lastRow() { return tw().bottom - tw().top + 1; }

int fieldRow(int i) { return g_form.top + i - 1 - g_form.scroll; }

int valueColumn() { return g_form.labelWidth + 1; }

// Control bytes would move the cursor or ring the bell when written.
std::string shown(const std::string& text, int width) {
    std::string s = text.substr(0, static_cast<size_t>(std::max(width, 0)));
    for (char& c : s)
        if (static_cast<uint8_t>(c) < 32) c = ' ';
    s.resize(static_cast<size_t>(std::max(width, 0)), ' ');
    return s;
}

// The label and one blank, right-aligned in the label column.  A longer label is
// cut so that the value keeps its column (the line editor works there).
std::string labelCell(const std::string& label) {
    const size_t w = static_cast<size_t>(g_form.labelWidth);
    std::string s = label;
    if (s.size() > w - 1) s.resize(w - 1);
    s += ' ';
    for (char& c : s)
        if (static_cast<uint8_t>(c) < 32) c = ' ';
    return std::string(w - s.size(), ' ') + s;
}

void drawValue(const TCampo& f, int row) {
    gotoXY(valueColumn(), row);
    setTextBackground(kValueBackground);
    write(shown(f.value, formVisibleWidth(f.width)));
    clearToEndOfLine();
}

void drawLabel(const TCampo& f, int row) {
    gotoXY(1, row);
    setTextBackground(kLabelBackground);
    write(labelCell(f.label));
}

bool rowVisible(int row) { return row >= g_form.top && row <= lastRow(); }

void drawField(int i) {
    const int row = fieldRow(i);
    if (!rowVisible(row)) return;
    const TCampo& f = g_form.fields[static_cast<size_t>(i - 1)];
    uint8_t saved = textAttr();
    drawLabel(f, row);
    drawValue(f, row);
    setTextAttr(saved);
}

void drawAllFields() {
    for (int i = 1; i <= fieldCount(); ++i) drawField(i);
}

std::string withoutTrailingBlanks(const std::string& s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::vector<std::string> splitOptions(const std::string& options) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t bar = options.find('|', start);
        out.push_back(options.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

// Announces, edits and (on F9) offers the choices of field i; returns the key
// that ended the edit.
int visitField(int i, bool editable) {
    TCampo& f = g_form.fields[static_cast<size_t>(i - 1)];
    const int row = fieldRow(i);
    const int visible = formVisibleWidth(f.width);
    uint8_t saved = textAttr();
    drawLabel(f, row);
    setTextAttr(saved);
    setTextColor(kCurrentColour);
    drawValue(f, row);

    // The display shows the label and the value as soon as the field is reached.
    brl::setFieldLabel(f.label);
    brl::show(brl::Content::Field, withoutTrailingBlanks(f.value), 0);
    if (!f.key.empty() && recordedExists(f.key))
        speakRecorded(f.key);
    else
        speak(f.label);
    waitSpeech();
    speak(f.value);

    gotoXY(valueColumn(), row);
    setFieldHelp(f.help);
    int key = editField(f.value, valueColumn(), row, f.width, visible, editable);
    brl::setFieldLabel(std::string());
    setFieldHelp(std::string());
    f.value = withoutTrailingBlanks(f.value);
    if (key == kF9) f.value = formOfferChoices(f.options, f.value, valueColumn(), row);

    setTextAttr(saved);
    drawValue(f, row);
    setTextAttr(saved);
    return key;
}

// A key read while parked beyond an end, in editField's code space: plain keys
// keep their code, extended keys give their scan code.  Plain keys other than
// the three that move or end are folded to 0 so that a typed "r" or "q" is not
// taken for Ctrl+Down or Ctrl+Up.
int readParkedKey() {
    uint8_t c = readKey();
    if (c != 0) return (c == kTab || c == kEnter || c == kEsc) ? c : 0;
    uint8_t ext = readKey();
    if (ext == 16 || ext == 17 || ext == 18) {  // Alt+Q/W/E carry the typed character
        if (keyPressed()) readKey();
        return 0;
    }
    return ext;
}

// Keeps the current field on screen, one field of scroll at a time.
void scrollToCurrent(int current, int maxScroll) {
    bool moved = false;
    while (fieldRow(current) > lastRow() && g_form.scroll < maxScroll) {
        ++g_form.scroll;
        moved = true;
    }
    while (fieldRow(current) < g_form.top && g_form.scroll > 0) {
        --g_form.scroll;
        moved = true;
    }
    if (moved) drawAllFields();
}

// The cursor after the form: column 1 of the row below the last field, kept on the
// screen's last row when the form reaches it (a line end there would scroll the form
// that was just filled in off the screen).
void leaveCursorBelow() {
    const int row = g_form.top + fieldCount() - g_form.scroll;
    gotoXY(1, std::min(std::max(row, 1), lastRow()));
}

}  // namespace

FormState& formState() { return g_form; }

void resetForm() { g_form = FormState(); }

int formVisibleWidth(int width) { return std::max(0, std::min(width, kFormMaxVisible)); }

void formStart() {
    g_form.fields.clear();
    g_form.top = whereY();
    g_form.scroll = 0;
}

void formReserveLines(int n) {
    n = std::max(0, std::min(n, lastRow() - 1));
    const int col = whereX();
    for (int k = 0; k < n; ++k) writeLn();
    gotoXY(col, whereY() - n);
}

void formAddChoiceField(const std::string& key, const std::string& label, std::string* target,
                        const std::string& options, int width) {
    if (fieldCount() >= kFormMaxFields) return;
    TCampo f;
    f.key = key;
    f.label = label;
    f.value = target ? *target : std::string();
    f.options = options;
    f.width = std::max(width, 0);
    f.target = target;
    g_form.fields.push_back(std::move(f));
}

void formAddField(const std::string& key, const std::string& label, std::string* target, int width) {
    formAddChoiceField(key, label, target, std::string(), width);
}

std::string formOfferChoices(const std::string& options, const std::string& value, int col, int row) {
    if (options.empty()) return value;
    std::vector<std::string> choices = splitOptions(options);
    size_t longest = 1;
    for (const std::string& c : choices) longest = std::max(longest, c.size());
    const int height = std::min(static_cast<int>(choices.size()), lastRow());
    int top = row;
    if (top + height - 1 > lastRow()) top = std::max(1, lastRow() - height + 1);
    menuOpen(col, top, static_cast<int>(longest), height, kChoiceBackground);
    for (const std::string& c : choices) menuAdd(std::string(), c);
    if (menuRun() > 0) return menuLastChosen();
    return value;
}

int formRun(bool editable) {
    const int count = fieldCount();
    const int maxScroll = std::max(0, count + g_form.top - lastRow() - 1);
    drawAllFields();
    flushKeys();
    int current = 1;
    int key = 0;
    for (;;) {
        if (current >= 1 && current <= count) {
            key = visitField(current, editable);
        } else {
            int row = current <= 0 ? g_form.top : std::max(g_form.top, fieldRow(count));
            gotoXY(1, row);
            errorBeep();
            key = readParkedKey();
        }

        bool ends = false;
        switch (key) {
            case kTab: case kEnter: case kDown: ++current; break;
            case kUp: --current; break;
            case kCtrlUp: current = 1; break;
            case kCtrlDown: current = count; break;
            case kEsc: case kPgUp: case kPgDn: ends = true; break;
            default: break;  // the same field is edited again
        }
        if (ends) break;

        current = std::max(0, std::min(current, count + 1));
        scrollToCurrent(current, maxScroll);
    }

    for (TCampo& f : g_form.fields) {
        if (!f.target) continue;
        *f.target = f.value.substr(0, kFormTargetMax);
    }
    leaveCursorBelow();
    g_form.fields.clear();
    return key;
}

}  // namespace con
