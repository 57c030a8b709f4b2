#include "game/folders.h"
#include "game/gamefile.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unordered_set>

#include "catalog/catalog.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "game/model.h"
#include "game/session.h"
#include "game/text.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/text.h"

namespace game {

namespace {

namespace fs = std::filesystem;

FolderState gFolders;

enum : uint8_t { kTab = 9, kEnter = 13, kEsc = 27, kSpace = 32, kFocusGained = 222, kFocusLost = 223 };
enum : uint8_t {
    kF5 = 63, kHome = 71, kUp = 72, kPgUp = 73, kLeft = 75, kRight = 77, kEnd = 79, kDown = 80, kPgDn = 81,
    kCtrlF5 = 98, kCtrlPgDn = 118, kCtrlPgUp = 132,
};

// The family's fold table: a-z raised, and the accented letters of both DOS code
// page 850 and Windows-1252 folded to their plain capitals.  Where the two code
// pages put different letters on one byte, Windows-1252 wins for the letters it
// has (the names we see are Windows-1252); the others keep the DOS letter.
const std::array<uint8_t, 256>& foldTable() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) t[size_t(i)] = uint8_t(i);
        for (int c = 'a'; c <= 'z'; ++c) t[size_t(c)] = uint8_t(c - 32);
        auto set = [&](const char* bytes, char to) {
            for (const char* p = bytes; *p; ++p) t[uint8_t(*p)] = uint8_t(to);
        };
        // Code page 850, 0x80-0xED.
        set("\x80\x87", 'C');                                  // Ç ç
        set("\x81\x96\x97\x9A\xA3\xE9\xEA\xEB", 'U');          // ü û ù Ü ú Ú Û Ù
        set("\x82\x88\x89\x8A\x90\xD2\xD3\xD4", 'E');          // é ê ë è É Ê Ë È
        set("\x83\x84\x85\x86\x8E\x8F\xA0\xB5\xB6\xB7\xC6\xC7", 'A');  // â ä à å Ä Å á Á Â À ã Ã
        set("\x8B\x8C\x8D\xA1\xD5\xD6\xD7\xD8\xDE", 'I');      // ï î ì í ı Í Î Ï Ì
        set("\x93\x94\x95\x99\xA2\x9B\x9D\xE0\xE2\xE3\xE4\xE5", 'O');  // ô ö ò Ö ó ø Ø Ó Ô Ò õ Õ
        set("\xA4\xA5", 'N');                                  // ñ Ñ
        set("\x98\xEC\xED", 'Y');                              // ÿ ý Ý
        set("\x91\x92", 'A');                                  // æ Æ
        set("\xD0\xD1", 'D');                                  // ð Ð
        set("\xE1", 'S');                                      // ß
        // Windows-1252 letters above 0x80.
        set("\x8A\x9A", 'S');                                  // Š š
        set("\x8C\x9C", 'O');                                  // Œ œ
        set("\x8E\x9E", 'Z');                                  // Ž ž
        set("\x9F\xDD\xFD\xFF", 'Y');                          // Ÿ Ý ý ÿ
        set("\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xE0\xE1\xE2\xE3\xE4\xE5\xE6", 'A');
        set("\xC7\xE7", 'C');
        set("\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", 'E');
        set("\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", 'I');
        set("\xD0\xF0", 'D');
        set("\xD1\xF1", 'N');
        set("\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8", 'O');
        set("\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", 'U');
        set("\xDF", 'S');
        return t;
    }();
    return table;
}

bool isSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// "jogos\*.lud" -> folder "jogos\" and pattern "*.lud".
void splitMask(const std::string& mask, std::string& folder, std::string& pattern) {
    size_t i = mask.size();
    while (i > 0 && !isSeparator(mask[i - 1])) --i;
    folder = mask.substr(0, i);
    pattern = mask.substr(i);
}

std::string searchPattern(const std::string& pattern) {
    return pattern + (pattern.find('.') != std::string::npos ? "*" : "*.*");
}

bool valid83Char(uint8_t c) {
    if (c >= 128) return true;  // accented letters stay, as the DOS code page has them
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(char(c)) != std::string_view::npos;
}

bool fits83(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos) return false;
    if (dot != std::string::npos && ext.empty()) return false;
    for (char c : base + ext)
        if (!valid83Char(util::upperLatin(uint8_t(c)))) return false;
    return true;
}

// The characters a short name keeps: capitals, with the ones DOS refuses as "_".
std::string clean83(const std::string& s) {
    std::string out;
    for (char ch : s) {
        uint8_t c = util::upperLatin(uint8_t(ch));
        if (c == ' ' || c == '.') continue;
        out += valid83Char(c) ? char(c) : '_';
    }
    return out;
}

uint16_t nameHash(const std::string& s) {
    uint32_t h = 0;
    for (char c : s) h = h * 31 + uint8_t(c);
    return uint16_t(h ^ (h >> 16));
}

const char* const kHex = "0123456789ABCDEF";

}  // namespace

FolderState& folderState() { return gFolders; }

void resetFolderState() { gFolders = FolderState(); }

uint8_t foldByte(uint8_t c) { return foldTable()[c]; }

int compareNames(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        uint8_t x = foldByte(uint8_t(a[i])), y = foldByte(uint8_t(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool maskMatches(const std::string& pattern, const std::string& name) {
    // As on Windows, "*.*" (and any pattern ending in "." and stars) also takes
    // names without an extension.
    size_t stars = pattern.find_last_not_of('*');
    if (stars != std::string::npos && stars + 1 < pattern.size() && pattern[stars] == '.' &&
        name.find('.') == std::string::npos && maskMatches(pattern.substr(0, stars), name))
        return true;
    size_t p = 0, n = 0, star = std::string::npos, back = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            back = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || foldByte(uint8_t(pattern[p])) == foldByte(uint8_t(name[n])))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++back;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> shortNames(const std::vector<std::string>& names) {
    std::vector<std::string> out(names.size());
    // A set: a folder of many thousands of files must not be checked name by name.
    std::unordered_set<std::string> taken;
    taken.reserve(names.size());
    auto isTaken = [&](const std::string& s) { return taken.count(s) != 0; };
    // Names that already are 8.3 keep them; the others are made up in name order.
    for (size_t i = 0; i < names.size(); ++i)
        if (fits83(names[i])) taken.insert(out[i] = util::upperLatin(names[i]));
    std::vector<size_t> order;
    for (size_t i = 0; i < names.size(); ++i)
        if (out[i].empty()) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return compareNames(names[a], names[b]) < 0; });
    for (size_t i : order) {
        const std::string& name = names[i];
        std::string stripped = name;
        while (!stripped.empty() && stripped[0] == '.') stripped.erase(0, 1);
        size_t dot = stripped.rfind('.');
        std::string base = clean83(stripped.substr(0, dot));
        std::string ext = dot == std::string::npos ? "" : clean83(stripped.substr(dot + 1)).substr(0, 3);
        if (base.empty()) base = "_";
        std::string tail = ext.empty() ? "" : "." + ext;
        std::string made;
        for (int k = 1; k <= 4 && made.empty(); ++k) {
            std::string candidate = base.substr(0, 6) + "~" + std::to_string(k) + tail;
            if (!isTaken(candidate)) made = candidate;
        }
        // Past four alike, Windows mixes a hash of the long name into the short one.
        for (int k = 1; made.empty(); ++k) {
            uint16_t h = uint16_t(nameHash(name) + k - 1);
            std::string hex = {kHex[h >> 12], kHex[(h >> 8) & 15], kHex[(h >> 4) & 15], kHex[h & 15]};
            std::string candidate = base.substr(0, 2) + hex + "~1" + tail;
            if (!isTaken(candidate)) made = candidate;
        }
        taken.insert(out[i] = made);
    }
    return out;
}

std::vector<TDirEntry>& dirList(const std::string& mask, int32_t attributes) {
    std::vector<TDirEntry>& list = gFolders.listing;
    list.clear();
    std::string folder, pattern;
    splitMask(mask, folder, pattern);
    std::vector<plat::DirEntry> entries;
    if (!plat::listDir(folder.empty() ? std::string() : folder, entries)) return list;
    // Hidden files (and our own temporary files) are no choice.
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const plat::DirEntry& e) { return e.name.empty() || e.name[0] == '.'; }),
                  entries.end());
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    std::vector<std::string> shorts = shortNames(names);
    std::string search = searchPattern(pattern);
    for (size_t i = 0; i < entries.size(); ++i) {
        int32_t attr = entries[i].isDir ? kAttrFolder : kAttrArchive;
        bool wanted = (attr & attributes) == attributes || (attributes == kAttrArchive && !entries[i].isDir);
        if (!wanted) continue;
        if (!maskMatches(search, entries[i].name) && !maskMatches(search, shorts[i])) continue;
        list.push_back({attr, entries[i].name, shorts[i], 0});
    }
    // Windows file systems give names in this order; so do we.
    std::stable_sort(list.begin(), list.end(),
                     [](const TDirEntry& a, const TDirEntry& b) { return compareNames(a.name, b.name) < 0; });
    return list;
}

void dirFree() { gFolders.listing = std::vector<TDirEntry>(); }

int lastFileKey() { return gFolders.lastKey; }

// ---- the chooser ---------------------------------------------------------------

namespace {

int entryCount() { return int(gFolders.listing.size()); }
int visibleRows() { return gFolders.y2 - gFolders.y1 + 1; }

void drawEntry(int i, bool highlighted) {
    FolderState& f = gFolders;
    if (i < f.firstShown || i > f.lastShown || i < 0 || i >= entryCount()) return;
    const TDirEntry& e = f.listing[size_t(i)];
    int fg = highlighted ? 14 : e.marked ? 2 : (e.attributes & kAttrFolder) ? 3 : 15;
    con::setTextAttr(uint8_t(6 * 16 + fg));
    std::string text = f.margin + e.name.substr(0, size_t(std::max(0, f.width - int(f.margin.size()))));
    for (char& c : text)
        if (uint8_t(c) < 32) c = ' ';
    text.resize(size_t(std::max(0, f.width)), ' ');
    con::gotoXY(f.x1, f.y1 + i - f.firstShown);
    con::write(text);
}

void drawAll() {
    FolderState& f = gFolders;
    for (int r = 0; r < visibleRows(); ++r) {
        int i = f.firstShown + r;
        if (i < entryCount()) {
            drawEntry(i, false);
        } else {
            con::setTextAttr(uint8_t(6 * 16 + 15));
            con::gotoXY(f.x1, f.y1 + r);
            con::write(std::string(size_t(std::max(0, f.width)), ' '));
        }
    }
}

// Keeps the current entry in view, moving the window of shown entries one by one.
void scrollToCurrent() {
    FolderState& f = gFolders;
    int rows = visibleRows();
    int first = f.firstShown;
    int cur = std::clamp(f.current, 0, std::max(0, entryCount() - 1));
    if (cur < first) first = cur;
    if (cur > first + rows - 1) first = cur - rows + 1;
    first = std::max(0, std::min(first, entryCount() - rows));
    if (first != f.firstShown) {
        f.firstShown = first;
        f.lastShown = std::min(entryCount() - 1, first + rows - 1);
        drawAll();
    }
}

void saveRegion() {
    FolderState& f = gFolders;
    f.savedAttr = con::textAttr();
    f.savedX = con::whereX();
    f.savedY = con::whereY();
    f.savedChars.clear();
    f.savedAttrs.clear();
    for (int y = f.y1; y <= f.y2; ++y)
        for (int x = f.x1; x <= f.x2; ++x) {
            f.savedChars.push_back(con::screenChar(x, y));
            f.savedAttrs.push_back(con::screenAttr(x, y));
        }
}

void restoreRegion() {
    FolderState& f = gFolders;
    size_t k = 0;
    for (int y = f.y1; y <= f.y2; ++y) {
        int x = f.x1;
        while (x <= f.x2 && k < f.savedChars.size()) {
            // Runs of one attribute are written together.
            uint8_t attr = f.savedAttrs[k];
            std::string run;
            int start = x;
            while (x <= f.x2 && k < f.savedChars.size() && f.savedAttrs[k] == attr) {
                uint8_t c = f.savedChars[k++];
                run += char(c < 32 ? ' ' : c);
                ++x;
            }
            con::setTextAttr(attr);
            con::gotoXY(start, y);
            con::write(run);
        }
    }
    con::setTextAttr(f.savedAttr);
    con::gotoXY(f.savedX, f.savedY);
}

void mark(int i, bool on) {
    if (i >= 0 && i < entryCount()) gFolders.listing[size_t(i)].marked = on ? 1 : 0;
}

bool marked(int i) { return i >= 0 && i < entryCount() && gFolders.listing[size_t(i)].marked; }

void moveDown(bool shift) {
    FolderState& f = gFolders;
    if (shift) {
        if (!marked(f.current) && f.current >= 0 && f.current < entryCount()) con::errorBeep();
        mark(f.current, true);
    }
    ++f.current;
    if (shift) mark(f.current, true);
}

void moveUp(bool shift) {
    FolderState& f = gFolders;
    if (shift) {
        if (marked(f.current)) con::click();
        mark(f.current, false);
    }
    --f.current;
}

void searchLetter(uint8_t letter) {
    FolderState& f = gFolders;
    uint8_t want = util::upperLatin(letter);
    int i = std::max(f.current + 1, 0);
    for (; i < entryCount(); ++i) {
        const std::string& n = f.listing[size_t(i)].name;
        if (!n.empty() && util::upperLatin(uint8_t(n[0])) == want) break;
    }
    f.current = i;
}

}  // namespace

std::string chooseFile(int x1, int y1, int x2, int y2, int32_t attributes, const std::string& mask) {
    FolderState& f = gFolders;
    std::string folder, pattern;
    splitMask(mask, folder, pattern);
    // The folder is listed where it is; a name chosen in it carries the folder,
    // unless the folder is the current one.
    if (!folder.empty() && !plat::dirExists(folder)) return std::string();
    dirList(mask, attributes);
    if (f.listing.empty()) {
        dirFree();
        return std::string();
    }
    std::error_code ec;
    const bool listedHere = folder.empty() || fs::equivalent(plat::mapPath(folder), fs::current_path(ec), ec);
    if (x2 >= 80 && y2 >= 25) x2 = 79;
    f.x1 = std::clamp(x1, 1, 80);
    f.y1 = std::clamp(y1, 1, 25);
    f.x2 = std::clamp(x2, f.x1, 80);
    f.y2 = std::clamp(y2, f.y1, 25);
    f.width = f.x2 - f.x1 + 1;
    f.margin = f.y2 > f.y1 ? " " : "";
    saveRegion();
    f.current = 0;
    f.firstShown = 0;
    f.lastShown = std::min(entryCount() - 1, visibleRows() - 1);
    drawAll();

    uint8_t ch = 0, ext = 0;
    bool haveKey = false;
    for (;;) {
        scrollToCurrent();
        int row = f.y1 + std::clamp(f.current, f.firstShown, std::max(f.firstShown, f.lastShown)) - f.firstShown;
        con::gotoXY(f.x1, row);
        drawEntry(f.current, false);
        bool ending = false;
        if (haveKey) {
            bool shift = con::lastKeyShift();
            if (ch != 0) {
                switch (ch) {
                case kSpace: mark(f.current, !marked(f.current)); break;
                case '+': mark(f.current, true); break;
                case '-': mark(f.current, false); break;
                case '*':
                    for (auto& e : f.listing) e.marked = 1;
                    drawAll();
                    break;
                case '/':
                    for (auto& e : f.listing) e.marked = 0;
                    drawAll();
                    break;
                case kFocusGained: break;
                case kFocusLost:
                    while (!con::keyPressed()) con::delayMs(10);
                    break;
                case kEnter: case kTab: case kEsc: ending = true; break;
                default: break;  // no move: the entry is said again
                }
            } else {
                switch (ext) {
                case kDown: moveDown(shift); break;
                case kUp: moveUp(shift); break;
                case kPgDn: for (int k = 0; k < 10; ++k) moveDown(shift); break;
                case kPgUp: for (int k = 0; k < 10; ++k) moveUp(shift); break;
                case kHome: case kCtrlPgUp:
                    if (shift) {
                        for (int i = 0; i <= f.current && i < entryCount(); ++i) mark(i, false);
                        con::errorBeep();
                        drawAll();
                    }
                    f.current = 0;
                    break;
                case kEnd: case kCtrlPgDn:
                    if (shift) {
                        for (int i = std::max(0, f.current); i < entryCount(); ++i) mark(i, true);
                        con::errorBeep();
                        drawAll();
                    }
                    f.current = entryCount() - 1;
                    break;
                case kF5: {
                    uint8_t letter = con::readKey();
                    if (letter == 0) {
                        con::readKey();  // an extended key is no letter
                        f.current = entryCount();
                    } else {
                        f.lastLetter = letter;
                        searchLetter(letter);
                    }
                    break;
                }
                case kCtrlF5:
                    if (f.lastLetter) searchLetter(f.lastLetter);
                    else f.current = entryCount();
                    break;
                default: break;  // Left, Right and the rest: no move
                }
            }
        }
        f.current = std::clamp(f.current, -1, entryCount());
        if (f.current < 0 || f.current >= entryCount()) {
            con::errorBeep();
            con::gotoXY(f.x2, f.y2);
        } else if (!ending) {
            scrollToCurrent();
            drawEntry(f.current, true);
            con::gotoXY(f.x1, f.y1 + f.current - f.firstShown);
            const TDirEntry& e = f.listing[size_t(f.current)];
            if (haveKey && ch == 0 && ext == kRight) {
                con::spell(e.name);
            } else if (haveKey && ch == 0 && ext == kLeft) {
                con::spell(e.shortName);
            } else {
                if (e.marked) con::errorBeep();
                con::speak(e.name);
            }
        }
        if (ending) break;
        con::waitSpeech();
        ch = con::readKey();
        ext = 0;
        if (ch == 0) ext = con::readKey();
        haveKey = true;
    }

    std::string result;
    f.lastKey = ch;
    if (ch == kTab) {
        result = "@TAB@";
    } else if (ch == kEnter && f.current >= 0 && f.current < entryCount()) {
        drawEntry(f.current, true);
        result = f.listing[size_t(f.current)].name;
        if (!listedHere) {
            std::string prefix = folder;
            if (!isSeparator(prefix.back())) prefix += '\\';
            result = prefix + result;
        }
    }
    dirFree();
    restoreRegion();
    return result;
}

std::string askFileName(int rows, const std::string& defaultMask) {
    FolderState& f = gFolders;
    for (;;) {
        int col = con::whereX(), row = con::whereY();
        std::string text;
        int key = con::editFieldToEdge(text, col, row, 255, true);
        f.lastKey = key;
        if (key == kEsc) return std::string();
        if (key == kEnter && util::trimView(text).empty()) return std::string();
        text = util::trim(text);
        if (!text.empty() && !isSeparator(text.back()) && plat::dirExists(text)) text += '\\';
        size_t lastSep = text.find_last_of("\\/");
        std::string folderPart = lastSep == std::string::npos ? std::string() : text.substr(0, lastSep + 1);
        // A bare folder lists its files of the default kind rather than naming a file
        // called ".lud" in it.
        if (text.empty() || isSeparator(text.back())) {
            std::string defFolder, defPattern;
            splitMask(defaultMask, defFolder, defPattern);
            text += text.empty() ? defaultMask : defPattern;
        }
        if (key != kEnter || text.find('*') != std::string::npos) {
            // Near the bottom the screen scrolls first, so that all the rows asked for show.
            int over = row + std::min(rows, 25) - 1 - 25;
            if (over > 0) {
                con::gotoXY(1, 25);
                for (int i = 0; i < over; ++i) con::writeLn();
                row -= over;
            }
            text = chooseFile(col, row, 80, std::min(25, row + rows - 1), kAttrArchive, text);
            if (text.empty()) return text;
        }
        if (text == "@TAB@") {
            con::click();
            con::click();
            con::gotoXY(col, row);
            continue;
        }
        if (text.find('\\') != std::string::npos || text.find(':') != std::string::npos ||
            text.find('/') != std::string::npos)
            return text;
        return folderPart + text;
    }
}

std::string askAnyFileName(int rows) { return askFileName(rows, "*.*"); }

bool chooseGameFile(std::string& fileName) {
    con::writeLn();
    std::string name;
    if (dirList("*.lud", kAttrArchive).size() == 1) {
        name = gFolders.listing[0].name;
    } else {
        catalog::SayMessage("LUNOMJOG", 1);
        name = askFileName(10, "*.lud");
        con::writeLn();
        if (!name.empty()) con::writeLn(name);
    }
    dirFree();
    if (name.empty()) {
        catalog::SayMessage(gFolders.lastKey == kEsc || gFolders.lastKey == kEnter ? "LUDESIST" : "LUNAOTEM", 1);
        return false;
    }
    if (name.size() < 4 || util::upperLatin(std::string_view(name).substr(name.size() - 4)) != ".LUD") name += ".lud";
    if (!plat::fileExists(name)) {
        catalog::SayMessage("LUNAOEXI", 1);
        if (!catalog::AgreeOrGiveUp("LUQUERCR")) return false;
        // The file is made by the first save: giving up now leaves nothing behind.
        NewGame();
        fileName = name;
        game::session().currentGameFile = name;
        StartNewGameFile(name);
        return true;
    }
    fileName = name;
    game::session().currentGameFile = name;
    return true;
}

namespace {

// The games root, or the current folder when the root cannot be entered (start-up
// has told the user so).
std::string gamesRootOrHere() {
    const std::string& root = game::session().gamesRoot;
    if (!root.empty() && plat::dirExists(root)) return root;
    return plat::utf8ToCp1252(plat::currentDir());
}

}  // namespace

std::string chooseGameFolder() {
    std::string root = gamesRootOrHere();
    std::vector<std::string>& folders = game::session().gameFolders;
    folders.clear();
    std::vector<plat::DirEntry> entries;
    plat::listDir(root, entries);
    for (const auto& e : entries)
        if (e.isDir && !e.name.empty() && e.name[0] != '.') folders.push_back(e.name);
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });

    con::flushKeys();
    con::writeLn();
    catalog::SayMessage("LUESCPAS", 1);
    // Room for the menu below the prompt: scroll now rather than under the menu.
    for (int i = 0; i < 7; ++i) con::writeLn();
    con::gotoXY(1, con::whereY() - 7);

    int width = 20;
    for (const std::string& n : folders) width = std::max(width, int(n.size()));
    width = std::min(width, 80);
    con::menuOpen(con::whereX(), con::whereY(), width, 26 - con::whereY(), 4);
    for (const std::string& n : folders) con::menuAdd("", n);
    con::flushKeys();
    int chosen = con::menuRun();
    if (chosen < 1 || chosen > int(folders.size())) {
        catalog::SayMessage("LUDESIST", 1);
        return std::string();
    }
    std::string path = root;
    if (!path.empty() && !isSeparator(path.back())) path += '\\';
    path += folders[size_t(chosen - 1)];
    con::writeLn(path);
    if (!enterFolder(path)) {
        catalog::SayMessage("LUERCRIA", 1);
        return std::string();
    }
    return path;
}

std::string createGameFolder() {
    catalog::SayMessage("LUDIRACR", 1);
    std::string text;
    int key = con::editFieldToEdge(text, con::whereX(), con::whereY(), 120, true);
    gFolders.lastKey = key;
    con::writeLn();
    if (key == kEsc) return std::string();
    if (key != kEnter) text = chooseGameFolder();
    text = util::trim(text);
    if (text.empty()) return std::string();
    if (plat::dirExists(text)) {
        if (!catalog::AgreeOrGiveUp("LUDIREXI")) return std::string();
    } else {
        std::error_code ec;
        if (!fs::create_directory(plat::mapPath(text), ec) || ec) {
            catalog::SayMessage("LUERCRIA", 1);
            return std::string();
        }
    }
    if (!enterFolder(text)) {
        catalog::SayMessage("LUERACED", 1);
        return std::string();
    }
    return plat::utf8ToCp1252(plat::currentDir());
}

std::string filesAsOptions(const std::string& mask) {
    std::string out;
    for (const TDirEntry& e : dirList(mask, kAttrArchive)) {
        if (!out.empty()) out += '|';
        out += e.name;
    }
    dirFree();
    return out;
}

std::string tidyOptions(const std::string& text) {
    std::string s = text;
    size_t at;
    while ((at = s.find("||")) != std::string::npos) s.erase(at, 1);
    while (!s.empty() && s.front() == '|') s.erase(0, 1);
    while (!s.empty() && s.back() == '|') s.pop_back();
    return s;
}

}  // namespace game
