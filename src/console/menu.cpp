// Choice menu and list view.  Both draw through the text window and speak through
// the console; neither keeps anything on screen that it did not restore or that the
// caller did not ask for.
#include "console/menu.h"

#include <algorithm>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/braille.h"
#include "util/text.h"

namespace con {

namespace {

constexpr int kScreenCols = 80;
constexpr int kScreenRows = 25;

// Key codes the two choosers act on.
enum : uint8_t {
    kEnter = 13, kEsc = 27, kSpace = 32,
    kFocusLost = 223,
};
enum : uint8_t {
    kF1 = 59, kF12 = 70, kHome = 71, kUp = 72, kPgUp = 73, kLeft = 75, kRight = 77,
    kEnd = 79, kDown = 80, kPgDn = 81, kCtrlF1 = 94, kCtrlF12 = 105,
    kCtrlPgDn = 118, kCtrlPgUp = 132,
};

MenuState g_menu;
ListState g_list;

// A text as it is drawn in a cell run of `width`: control bytes would move the
// cursor or ring the bell, so they show as blanks.
std::string fitted(const std::string& text, int width) {
    if (width <= 0) return std::string();
    std::string s = text.substr(0, static_cast<size_t>(width));
    for (char& c : s)
        if (static_cast<uint8_t>(c) < 32) c = ' ';
    s.resize(static_cast<size_t>(width), ' ');
    return s;
}

std::string withoutLeadingBlanks(const std::string& s) {
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

// Keys that start a first-character search in the menu.
bool isSearchKey(uint8_t ch) {
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) return true;
    if (ch >= '0' && ch <= '9') return true;
    if (ch >= 1 && ch < 32) return true;  // Enter and Esc are taken before this
    return ch == '*' || ch == '+' || ch == '-' || ch == '/';
}

// --- choice menu --------------------------------------------------------

int optionCount() { return static_cast<int>(g_menu.options.size()); }

int optionRow(int number) { return g_menu.y + number - g_menu.firstShown; }

void drawOption(int number, int colour) {
    const TOpcoes& o = g_menu.options[static_cast<size_t>(number - 1)];
    gotoXY(g_menu.x, optionRow(number));
    setTextColor(colour);
    write(fitted(o.text, g_menu.width));
    // The caret waits on the option, where a magnifier user looks for it.
    gotoXY(g_menu.x, optionRow(number));
}

void drawAllOptions() {
    for (int i = g_menu.firstShown; i <= optionCount(); ++i) {
        int row = optionRow(i);
        if (row < g_menu.y) continue;
        if (row > kScreenRows) break;
        drawOption(i, 15);
    }
}

// Next option after `current` whose text starts with `ch` (letters in capitals);
// count + 1 when there is none.
int searchOption(int current, uint8_t ch) {
    const int count = optionCount();
    uint8_t wanted = util::upperLatin(ch);
    int from = current > count ? 1 : current + 1;
    for (int i = std::max(from, 1); i <= count; ++i) {
        std::string t = withoutLeadingBlanks(g_menu.options[static_cast<size_t>(i - 1)].text);
        if (!t.empty() && util::upperLatin(static_cast<uint8_t>(t[0])) == wanted) return i;
    }
    return count + 1;
}

// Brings the current option into view; redraws everything when the view moved.
void scrollTo(int number) {
    int first = g_menu.firstShown;
    if (number < first) first = number;
    if (optionRow(number) > kScreenRows) first = number - (kScreenRows - g_menu.y);
    if (first != g_menu.firstShown) {
        g_menu.firstShown = first;
        drawAllOptions();
    }
}

void announceOption(int number, bool spellIt) {
    const TOpcoes& o = g_menu.options[static_cast<size_t>(number - 1)];
    if (spellIt)
        spell(o.text);
    else if (!o.key.empty() && recordedExists(o.key))
        speakRecorded(o.key);
    else
        speak(o.text);
}

void restoreSavedRectangle() {
    const int w = g_menu.savedX2 - g_menu.savedX1 + 1;
    if (w <= 0) return;
    for (int row = g_menu.savedY1; row <= g_menu.savedY2; ++row) {
        size_t base = static_cast<size_t>((row - g_menu.savedY1) * w);
        int col = 0;
        while (col < w) {
            // One write per run of equal attribute.
            uint8_t attr = g_menu.savedAttrs[base + static_cast<size_t>(col)];
            int end = col;
            std::string run;
            while (end < w && g_menu.savedAttrs[base + static_cast<size_t>(end)] == attr) {
                uint8_t c = g_menu.savedChars[base + static_cast<size_t>(end)];
                run.push_back(static_cast<char>(c < 32 ? ' ' : c));
                ++end;
            }
            gotoXY(g_menu.savedX1 + col, row);
            setTextAttr(attr);
            write(run);
            col = end;
        }
    }
}

// Reads a key for the menu: `ext` tells an extended code from a plain byte.
void readMenuKey(uint8_t& code, bool& ext) {
    for (;;) {
        code = readKey();
        ext = false;
        if (code == 0) {
            code = readKey();
            ext = true;
        }
        if (isSpeaking()) stopSpeech();
        // Screen review leaves the menu as it was: the next key is the menu's.
        if (!ext || !reviewOnKey(code)) return;
    }
}

// --- list view ----------------------------------------------------------

int itemCount() { return static_cast<int>(g_list.items.size()); }

void drawList(bool speakCurrent) {
    const int width = g_list.x2 - g_list.x1 + 1;
    for (int r = 0; r < g_list.rows; ++r) {
        int i = g_list.firstShown + r;
        setTextAttr(g_list.plainAttr);
        std::string text;
        if (i >= 0 && i < itemCount()) {
            const ListItem& it = g_list.items[static_cast<size_t>(i)];
            text = fitted(it.text, width);
            if (i == g_list.current)
                setTextColor(14);
            else if (it.marked)
                setTextColor(2);
        } else {
            text.assign(static_cast<size_t>(width), ' ');
        }
        gotoXY(g_list.x1, g_list.y1 + r);
        write(text);
    }
    setTextAttr(g_list.plainAttr);
    const bool exists = g_list.current >= 0 && g_list.current < itemCount();
    if (exists) brl::show(brl::Content::Menu, g_list.items[static_cast<size_t>(g_list.current)].text);
    if (speakCurrent && exists) {
        const ListItem& it = g_list.items[static_cast<size_t>(g_list.current)];
        if (it.marked) errorBeep();
        speak(it.text);
    }
    int shownRow = g_list.current - g_list.firstShown;
    if (shownRow >= 0 && shownRow < g_list.rows)
        gotoXY(g_list.x1, g_list.y1 + shownRow);
    else
        gotoXY(g_list.x1, g_list.y1);
}

// Applies a mark key to the list; false when the key is not one of them.
bool applyMarkKey(uint8_t key) {
    const bool exists = g_list.current >= 0 && g_list.current < itemCount();
    switch (key) {
    case kSpace:
        if (exists) g_list.items[static_cast<size_t>(g_list.current)].marked ^= true;
        return true;
    case '+':
        if (exists) g_list.items[static_cast<size_t>(g_list.current)].marked = true;
        return true;
    case '-':
        if (exists) g_list.items[static_cast<size_t>(g_list.current)].marked = false;
        return true;
    case '*':
        for (ListItem& it : g_list.items) it.marked = true;
        return true;
    case '/':
        for (ListItem& it : g_list.items) it.marked = false;
        return true;
    default:
        return false;
    }
}

}  // namespace

MenuState& menuState() { return g_menu; }
void resetMenu() { g_menu = MenuState(); }

void menuOpen(int x, int y, int width, int height, int background) {
    g_menu.options.clear();
    g_menu.firstShown = 1;
    g_menu.cursorX = whereX();
    g_menu.cursorY = whereY();

    // A menu wider than the screen is cut to it, so the options never wrap.
    width = std::clamp(width, 1, kScreenCols);
    if (x + width > kScreenCols) x = kScreenCols - width;
    x = std::max(x, 1);
    if (x + width - 1 > kScreenCols) width = kScreenCols - x + 1;
    if (y + height - 1 > kScreenRows) y = kScreenRows - height + 1;
    y = std::clamp(y, 1, kScreenRows);
    g_menu.x = x;
    g_menu.y = y;
    g_menu.width = width;
    g_menu.height = height;

    g_menu.savedAttr = textAttr();
    setTextBackground(background);

    g_menu.savedX1 = x;
    g_menu.savedY1 = y;
    g_menu.savedX2 = x + width - 1;
    g_menu.savedY2 = std::min(y + std::max(height, 0) - 1, kScreenRows);
    g_menu.savedChars.clear();
    g_menu.savedAttrs.clear();
    for (int row = g_menu.savedY1; row <= g_menu.savedY2; ++row)
        for (int col = g_menu.savedX1; col <= g_menu.savedX2; ++col) {
            g_menu.savedChars.push_back(screenChar(col, row));
            g_menu.savedAttrs.push_back(screenAttr(col, row));
        }
    g_menu.open = true;
}

void menuAdd(const std::string& key, const std::string& text) {
    TOpcoes o;
    o.number = optionCount() + 1;
    o.key = key;
    o.text = text;
    g_menu.options.push_back(std::move(o));
}

int menuRun() {
    g_menu.lastChosen.clear();
    g_menu.firstShown = 1;
    drawAllOptions();

    int current = 1;
    bool haveKey = false;  // on entry there is no key yet
    uint8_t key = 0;
    bool ext = false;
    for (;;) {
        const int count = optionCount();
        gotoXY(g_menu.x, optionRow(current));
        if (current >= 1 && current <= count) drawOption(current, 15);

        bool leave = false;
        if (haveKey && ext) {
            switch (key) {
            case kDown: ++current; break;
            case kUp: --current; break;
            case kHome: case kCtrlPgUp: current = 1; break;
            case kEnd: case kCtrlPgDn: current = count; break;
            case kPgUp: current -= 10; break;
            case kPgDn: current += 10; break;
            default: break;
            }
        } else if (haveKey) {
            if (key == kEnter || key == kEsc) {
                leave = true;
            } else if (key == kFocusLost) {
                while (!keyPressed()) delayMs(50);
            } else if (isSearchKey(key)) {
                current = searchOption(current, key);
            }
        }

        current = std::clamp(current, 0, count + 1);
        if (current < 1 || current > count) {
            errorBeep();
        } else if (!leave) {
            scrollTo(current);
            drawOption(current, 14);
            brl::show(brl::Content::Menu, g_menu.options[static_cast<size_t>(current - 1)].text);
            announceOption(current, haveKey && ext && key == kRight);
        }
        if (leave) break;
        readMenuKey(key, ext);
        haveKey = true;
    }

    const int count = optionCount();
    int result = 0;
    if (key != kEsc && current >= 1 && current <= count) {
        drawOption(current, 14);
        result = current;
        g_menu.lastChosen = g_menu.options[static_cast<size_t>(current - 1)].text;
    }

    gotoXY(1, std::min(g_menu.y + count, kScreenRows));
    g_menu.options.clear();
    restoreSavedRectangle();
    setTextAttr(g_menu.savedAttr);
    gotoXY(g_menu.cursorX, g_menu.cursorY);
    g_menu.open = false;
    return result;
}

const std::string& menuLastChosen() { return g_menu.lastChosen; }
int menuOptionCount() { return optionCount(); }

ListState& listState() { return g_list; }
void resetList() { g_list = ListState(); }

void listOpen(int x1, int y1, int x2, int y2) {
    // The region is kept on the screen: rows written past its edge would wrap and scroll.
    x1 = std::clamp(x1, 1, kScreenCols);
    x2 = std::clamp(x2, x1, kScreenCols);
    y1 = std::clamp(y1, 1, kScreenRows);
    y2 = std::clamp(y2, y1, kScreenRows);
    g_list.x1 = x1;
    g_list.y1 = y1;
    g_list.x2 = x2;
    g_list.y2 = y2;
    g_list.rows = y2 - y1 + 1;
    g_list.current = 0;
    g_list.firstShown = 0;
    g_list.items.clear();
    g_list.open = true;
}

void listAdd(const std::string& text) {
    if (itemCount() >= kListMaxItems) return;
    g_list.items.push_back(ListItem{text, false});
}

ListItem listItem(int i) {
    if (i < 1 || i > itemCount()) return ListItem();
    return g_list.items[static_cast<size_t>(i - 1)];
}

int listCount() { return itemCount(); }

ListResult listRun(int start, bool speakFirst) {
    const uint8_t keptAttr = textAttr();
    g_list.plainAttr = keptAttr;
    // A start far outside the list is brought back to just beyond its ends.
    g_list.current = std::clamp(start, 0, itemCount() + 1) - 1;

    ListResult res;
    bool first = true;
    for (;;) {
        if (g_list.current < g_list.firstShown) g_list.firstShown = g_list.current;
        if (g_list.current >= g_list.firstShown + g_list.rows)
            g_list.firstShown = g_list.current - g_list.rows + 1;
        g_list.current = std::max(g_list.current, -1);
        g_list.firstShown = std::max(g_list.firstShown, 0);
        drawList(first ? speakFirst : true);
        first = false;

        uint8_t key = readKey();
        if (key != 0) {
            if (applyMarkKey(key)) continue;
            res.key = key;
            break;
        }
        uint8_t ext = readKey();
        stopSpeech();
        if (reviewOnKey(ext)) continue;
        bool moved = true;
        switch (ext) {
        case kDown: ++g_list.current; break;
        case kUp: --g_list.current; break;
        case kPgUp: g_list.current -= 10; break;
        case kPgDn: g_list.current += 10; break;
        case kHome: case kCtrlPgUp: errorBeep(); g_list.current = 0; break;
        case kEnd: case kCtrlPgDn: errorBeep(); g_list.current = itemCount() - 1; break;
        default: moved = false; break;
        }
        if (!moved) {
            if ((ext >= kF1 && ext <= kF12) || (ext >= kCtrlF1 && ext <= kCtrlF12) ||
                ext == kLeft || ext == kRight) {
                res.ext = ext;
                break;
            }
            continue;
        }
        if (g_list.current < 0) {
            g_list.current = -1;
            errorBeep();
        } else if (g_list.current >= itemCount()) {
            g_list.current = itemCount();
            errorBeep();
        }
    }

    setTextAttr(keptAttr);
    res.item = g_list.current + 1;
    res.valid = res.item >= 1 && res.item <= itemCount();
    return res;
}

void listClear() {
    const std::string blanks(static_cast<size_t>(g_list.x2 - g_list.x1 + 1), ' ');
    for (int row = g_list.y1; row <= g_list.y2; ++row) {
        gotoXY(g_list.x1, row);
        write(blanks);
    }
    gotoXY(g_list.x1, g_list.y1);
}

void listClose() {
    g_list.items.clear();
    g_list.items.shrink_to_fit();
    g_list.current = 0;
    g_list.firstShown = 0;
    g_list.open = false;
}

}  // namespace con
