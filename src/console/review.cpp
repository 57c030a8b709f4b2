// Screen review.  Everything here reads the screen through screenChar and
// screenAttr and never writes a cell: the user explores what is shown, and the
// field being edited when review was entered is left exactly as it was.
#include "console/review.h"

#include <algorithm>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "platform/braille.h"
#include "util/text.h"

namespace con {

namespace {

ReviewState g_review;

constexpr int kCols = 80;

// Plain codes.
enum : uint8_t {
    kCtrlC = 3, kBackspace = 8, kTab = 9, kCtrlK = 11, kCtrlL = 12, kEnter = 13, kEsc = 27, kSpace = 32,
};
// Extended codes.
enum : uint8_t {
    kShiftTabExt = 15, kF1 = 59, kF5 = 63, kF6 = 64, kHome = 71, kUp = 72, kPgUp = 73, kLeft = 75,
    kRight = 77, kEnd = 79, kDown = 80, kPgDn = 81, kCtrlF1 = 94, kCtrlF5 = 98, kCtrlLeft = 115,
    kCtrlRight = 116, kCtrlPgDn = 118, kCtrlPgUp = 132,
};

// --- the screen as the review sees it ---------------------------------------

bool isBlank(uint8_t c) { return c == ' ' || c == 0; }

bool isBlankAt(int col, int row) { return isBlank(reviewChar(col, row)); }

// Accented CP1252 letters belong to words: "não" is one word, not "n", "ã", "o".
bool isAccentedLetter(uint8_t c) { return c >= 192 && c != 215 && c != 247; }

bool isLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isAccentedLetter(c); }

bool isWordChar(uint8_t c) { return isLetter(c) || (c >= '0' && c <= '9'); }

bool isConsonant(uint8_t c) {
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 32);
    return (c >= 'B' && c <= 'D') || (c >= 'F' && c <= 'H') || (c >= 'J' && c <= 'N') ||
           (c >= 'P' && c <= 'T') || (c >= 'V' && c <= 'Z');
}

bool isSeparator(uint8_t c) {
    return c == '!' || c == ':' || c == '?' || c == '|' || (c >= 176 && c <= 223);
}

// Column one past the last non-blank of a row (1 on a blank row).
int pastLastNonBlank(int row) {
    for (int c = kCols; c >= 1; --c)
        if (!isBlankAt(c, row)) return c + 1;
    return 1;
}

// The field around a cell: cells of the cell's attribute without separators.  On
// a separator the field is empty (end = start - 1).
void fieldBounds(int col, int row, int& start, int& end) {
    const uint8_t attr = reviewAttr(col, row);
    auto inField = [&](int c) { return reviewAttr(c, row) == attr && !isSeparator(reviewChar(c, row)); };
    if (!inField(col)) {
        start = col;
        end = col - 1;
        return;
    }
    start = col;
    while (start > 1 && inField(start - 1)) --start;
    end = col;
    while (end < kCols && inField(end + 1)) ++end;
}

// The text cursor shows the review position (clamped to the window by gotoXY).
void showCursorAt(int col, int row) { gotoXY(col - tw().left, row - tw().top); }

void showCursor() { showCursorAt(g_review.col, g_review.row); }

// --- speaking ---------------------------------------------------------------

bool onlyConsonants(const std::string& w) {
    for (char c : w)
        if (!isConsonant(static_cast<uint8_t>(c))) return false;
    return true;
}

// Speaks the word at `col` of a row, not looking past column `limit`, and moves
// `col` past it.  Returns false when only blanks were left.
bool speakWordAt(int row, int& col, int limit) {
    limit = std::min(limit, kCols);
    while (col <= limit && isBlankAt(col, row)) ++col;
    if (col > limit) return false;
    const uint8_t first = reviewChar(col, row);
    std::string text;
    if (isWordChar(first)) {
        while (col <= limit && isWordChar(reviewChar(col, row))) {
            text += static_cast<char>(reviewChar(col, row));
            ++col;
            showCursorAt(col, row);
        }
        if (onlyConsonants(text))
            spell(text);
        else
            speak(text);
        return true;
    }
    // A run of one sign: "-----" is heard as three dashes, not five.
    while (col <= limit && reviewChar(col, row) == first) {
        if (text.size() < 3) text += static_cast<char>(first);
        ++col;
    }
    showCursorAt(col, row);
    speak(text);
    return true;
}

// Reads from (sr, sc) to (er, ec) row by row, with a click after each row; a
// waiting key stops it.  Returns the place where the reading stopped.
void readRange(int sr, int sc, int er, int ec, int& stopRow, int& stopCol) {
    stopRow = sr;
    stopCol = sc;
    if (sr == er && ec < sc) {
        errorBeep();
        return;
    }
    for (int r = sr; r <= er; ++r) {
        const int from = r == sr ? sc : 1;
        const int to = r == er ? ec : kCols;
        int c = std::max(from, 1);
        stopRow = r;
        if (systemVoiceActive()) {
            // The voice reads a whole row at a time far better than word by word.
            std::string text;
            for (int k = c; k <= std::min(to, kCols); ++k) text += static_cast<char>(reviewChar(k, r));
            if (text.find_first_not_of(" \0", 0, 2) != std::string::npos) speak(text);
            c = std::max(c, to + 1);
        } else {
            while (c <= to && c <= kCols && !keyPressed()) {
                if (!speakWordAt(r, c, to)) c = to + 1;
            }
        }
        stopCol = c;
        if (keyPressed()) return;
        click();
    }
    if (ec >= kCols && stopCol > kCols) stopCol = pastLastNonBlank(stopRow);
}

// Reads a range and keeps the review position where it was.
void readRangeInPlace(int sr, int sc, int er, int ec) {
    int r, c;
    readRange(sr, sc, er, ec, r, c);
}

void readRow(int row) { readRangeInPlace(row, 1, row, kCols); }

// --- commands -----------------------------------------------------------------

bool screenHasLetter(int& col, int& row, bool fromTop) {
    const int rows = reviewRows();
    for (int k = 0; k < rows * kCols; ++k) {
        int idx = fromTop ? k : rows * kCols - 1 - k;
        int r = idx / kCols + 1, c = idx % kCols + 1;
        if (isLetter(reviewChar(c, r))) {
            col = c;
            row = r;
            return true;
        }
    }
    return false;
}

void wordLeft() {
    int c = g_review.col - 1;
    while (c >= 1 && isBlankAt(c, g_review.row)) --c;
    if (c < 1) {
        errorBeep();
        g_review.col = 1;
        return;
    }
    while (c > 1 && !isBlankAt(c - 1, g_review.row)) --c;
    g_review.col = c;
    click();
}

void wordRight() {
    int c = g_review.col;
    while (c <= kCols && !isBlankAt(c, g_review.row)) ++c;
    while (c <= kCols && isBlankAt(c, g_review.row)) ++c;
    if (c <= kCols) {
        g_review.col = c;
        click();
    } else {
        errorBeep();
        g_review.col = pastLastNonBlank(g_review.row);
    }
}

void search(const std::string& text) {
    if (!text.empty()) {
        for (int r = g_review.row; r <= reviewRows(); ++r) {
            std::string line;
            for (int c = 1; c <= kCols; ++c) line += static_cast<char>(reviewChar(c, r));
            // On the first row only what lies right of the position counts.
            size_t from = r == g_review.row ? static_cast<size_t>(std::max(g_review.col, 0)) : 0;
            size_t at = line.find(text, from);
            if (at != std::string::npos) {
                g_review.row = r;
                g_review.col = static_cast<int>(at) + 1;
                click();
                return;
            }
        }
    }
    errorBeep();
    errorBeep();
}

void askAndSearch() {
    speak("Qual texto");
    std::string text;
    for (;;) {
        showCursor();
        uint8_t c = readKey();
        if (c == 0) {
            readKey();  // extended keys have no place in a search text
            continue;
        }
        if (c == kEsc) return;
        if (c == kEnter) break;
        if (c == kBackspace) {
            if (text.empty()) {
                errorBeep();
                continue;
            }
            uint8_t gone = static_cast<uint8_t>(text.back());
            text.pop_back();
            speakRecorded("_DEL");
            speakChar(gone);
            continue;
        }
        if (c < 32) continue;
        text += static_cast<char>(c);
        speakChar(c);
    }
    if (!text.empty()) g_review.lastSearch = text;
    search(text);
}

void goTo() {
    speak("Entre linha e coluna");
    int digits[4];
    for (int& d : digits) {
        showCursor();
        uint8_t c = readKey();
        if (c == 0) readKey();
        if (c < '0' || c > '9') {
            errorBeep();
            errorBeep();
            return;
        }
        speakChar(c);
        d = c - '0';
    }
    g_review.row = digits[0] * 10 + digits[1];
    g_review.col = digits[2] * 10 + digits[3];
}

bool isRangeFirst(uint8_t c) {
    c = util::upperLatin(c);
    return c == 'I' || c == 'T' || c == 'L' || c == 'F';
}

void unknownKey() {
    errorBeep();
    click();
    errorBeep();
}

// The two-letter range commands: I (up to the position), T or L (all), F (from
// the position), over T (the screen), L (the row) or C (the field).
void rangeCommand(uint8_t first) {
    showCursor();
    uint8_t second = readKey();
    if (second == 0) {
        readKey();
        unknownKey();
        return;
    }
    first = util::upperLatin(first);
    second = util::upperLatin(second);
    if (second != 'T' && second != 'L' && second != 'C') {
        unknownKey();
        return;
    }
    const int row = g_review.row, col = g_review.col, last = reviewRows();
    int sr = row, sc = 1, er = row, ec = kCols;
    if (second == 'T') {
        if (first == 'I') { sr = 1; sc = 1; er = row; ec = col - 1; }
        else if (first == 'F') { sr = row; sc = col; er = last; ec = kCols; }
        else { sr = 1; sc = 1; er = last; ec = kCols; }
        int r, c;
        readRange(sr, sc, er, ec, r, c);
        g_review.row = r;
        g_review.col = c;
        return;
    }
    if (second == 'L') {
        if (first == 'I') ec = col - 1;
        else if (first == 'F') sc = col;
    } else {
        int start, end;
        fieldBounds(col, row, start, end);
        sc = start;
        ec = end;
        if (first == 'I') ec = std::min(end, col);
        else if (first == 'F') sc = col;
    }
    readRangeInPlace(sr, sc, er, ec);
}

void speakPosition() { speak(std::to_string(g_review.row) + " " + std::to_string(g_review.col)); }

// One key; false on Esc.
bool handleKey() {
    showCursor();
    uint8_t c = readKey();
    uint8_t ext = 0;
    if (c == 0) ext = readKey();
    const bool shift = lastKeyMods() & plat::ModShift;
    ReviewState& v = g_review;

    if (c != 0) {
        switch (c) {
            case kEsc: return false;
            case kBackspace:
                if (v.col == 1) errorBeep();
                else speakChar(reviewChar(v.col - 1, v.row));
                --v.col;
                return true;
            case kTab: {
                int start, end;
                fieldBounds(v.col, v.row, start, end);
                if (shift) {
                    v.col = start - 2;
                } else {
                    v.col = end + 2;
                    if (v.col > kCols) v.col = pastLastNonBlank(v.row);
                }
                click();
                return true;
            }
            case kEnter:
                ++v.row;
                v.col = 1;
                click();
                return true;
            case kSpace: readRow(v.row); return true;
            case kCtrlK: case kCtrlL: speakPosition(); return true;
            case kCtrlC:
                copyToClipboard(reviewScreenText());
                click();
                return true;
            default:
                if (isRangeFirst(c)) rangeCommand(c);
                else unknownKey();
                return true;
        }
    }

    switch (ext) {
        case kRight:
            speakChar(reviewChar(v.col, v.row));
            ++v.col;
            break;
        case kLeft:
            if (v.col == 1) errorBeep();
            else speakChar(reviewChar(v.col - 1, v.row));
            --v.col;
            break;
        case kHome: v.col = 1; break;
        case kEnd: v.col = pastLastNonBlank(v.row); break;
        case kUp: case kDown:
            if (ext == kDown) click();
            v.row += ext == kUp ? -1 : 1;
            v.col = 1;
            if (v.row >= 1 && v.row <= reviewRows()) readRow(v.row);
            break;
        case kPgUp: case kPgDn:
            v.row = ext == kPgUp ? 1 : reviewRows();
            v.col = 1;
            readRow(v.row);
            break;
        case kCtrlPgUp: case kCtrlPgDn: {
            int col, row;
            if (screenHasLetter(col, row, ext == kCtrlPgUp)) {
                v.col = col;
                v.row = row;
                readRow(row);
            } else {
                errorBeep();
            }
            break;
        }
        case kCtrlLeft: wordLeft(); break;
        case kCtrlRight: wordRight(); break;
        case kShiftTabExt: {
            int start, end;
            fieldBounds(v.col, v.row, start, end);
            v.col = start - 2;
            click();
            break;
        }
        case kF1:
            speakWordAt(v.row, v.col, kCols);
            if (v.col > kCols - 1) {
                click();
                v.col = pastLastNonBlank(v.row);
            }
            break;
        case kCtrlF1: {
            int start, end;
            fieldBounds(v.col, v.row, start, end);
            readRangeInPlace(v.row, start, v.row, end);
            break;
        }
        case kF5: askAndSearch(); break;
        case kCtrlF5: search(v.lastSearch); break;
        case kF6: goTo(); break;
        case 16: case 17: case 18:
            // Alt+Q/W/E bring the character typed with them; the whole key is unknown here.
            if (keyPressed()) readKey();
            unknownKey();
            break;
        default: unknownKey(); break;
    }
    return true;
}

// Keeps the position on the screen; each correction is heard.
void keepOnScreen() {
    ReviewState& v = g_review;
    auto correct = [](int& value, int to) {
        value = to;
        errorBeep();
        flushKeys();
    };
    if (v.col < 1) correct(v.col, 1);
    if (v.col > kCols + 1) correct(v.col, kCols);
    if (v.row < 1) correct(v.row, 1);
    if (v.row > reviewRows()) correct(v.row, reviewRows());
}

// The display follows the review position: its row, with the cursor on its column.
void showReviewLine() {
    std::string row;
    for (int c = 1; c <= kCols; ++c) row += static_cast<char>(reviewChar(c, g_review.row));
    brl::show(brl::Content::Review, row, g_review.col - 1);
}

}  // namespace

ReviewState& reviewState() { return g_review; }

void resetReview() { g_review = ReviewState(); }

int reviewRows() { return tw().height; }

uint8_t reviewChar(int col, int row) {
    if (col < 1 || col > kCols || row < 1 || row > reviewRows()) return ' ';
    return screenChar(col - tw().left, row - tw().top);
}

uint8_t reviewAttr(int col, int row) {
    if (col < 1 || col > kCols || row < 1 || row > reviewRows()) return 0;
    return screenAttr(col - tw().left, row - tw().top);
}

std::string reviewScreenText() {
    std::string text;
    for (int r = 1; r <= reviewRows(); ++r) {
        for (int c = 1; c <= kCols; ++c) text += static_cast<char>(reviewChar(c, r));
        text += "\r\n";
    }
    return text;
}

void screenReview() {
    if (g_review.active) return;  // one review at a time
    ensureWindow();
    const int savedX = whereX(), savedY = whereY();
    g_review.active = true;
    g_review.col = savedX + tw().left;
    g_review.row = savedY + tw().top;
    errorBeep();
    try {
        for (showReviewLine(); handleKey(); showReviewLine()) keepOnScreen();
    } catch (...) {
        g_review.active = false;
        throw;
    }
    g_review.active = false;
    gotoXY(savedX, savedY);
    errorBeep();
    errorBeep();
}

void installScreenReview() { setReviewHook(&screenReview); }

}  // namespace con
