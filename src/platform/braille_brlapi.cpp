// The Braille display through BrlAPI.  Every failure leaves the program as it is
// without a display: nothing is said or shown, and the connection is tried again
// now and then, so that a brltty that restarts gets the display back.
#include "platform/braille.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "platform/brlapi_lib.h"
#include "platform/platform.h"

namespace brl {

namespace {

constexpr int64_t kRetryMs = 2000;

BrailleState gBrl;
std::unique_ptr<char[]> gHandleMem;
int gFd = -1;  // the connection's socket: polled before asking the library for keys

// The current line as the display has it: the text, the cells and their maps.
struct Layout {
    std::string text;       // CP1252, the field's label first
    int fieldStart = 0;     // where a field's own text begins in `text`
    bool louis = false;     // cells from liblouis; else the text goes to brltty
    Translation t;
    int length() const { return louis ? int(t.dots.size()) : int(text.size()); }
    int cellOf(int ch) const {
        if (!louis) return ch;
        return t.inToOut.empty() ? 0 : t.inToOut[size_t(std::clamp(ch, 0, int(t.inToOut.size()) - 1))];
    }
    int charOf(int cell) const {
        if (!louis) return cell;
        if (cell >= int(t.outToIn.size())) return int(text.size()) + cell - int(t.outToIn.size());
        return t.outToIn[size_t(std::max(cell, 0))];
    }
};
Layout gLayout;
bool gLayoutValid = false;

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Only called with a connection made, so the library's table is there.
const plat::brlapilib::Api& brlapi() { return *plat::brlapilib::api(); }

brlapi_handle_t* handle() { return reinterpret_cast<brlapi_handle_t*>(gHandleMem.get()); }

// The default handler aborts the program; a display that goes away must not.
void BRLAPI_STDCALL onException(brlapi_handle_t*, int, brlapi_packetType_t, const void*, size_t) {
    gBrl.connected = false;
}

void dropConnection() {
    if (gHandleMem) brlapi().closeConnection(handle());
    gHandleMem.reset();
    gFd = -1;
    gBrl.connected = false;
    gBrl.nextTryMs = steadyMs() + kRetryMs;
}

const std::string& currentLine() {
    static const std::string empty;
    if (gBrl.line < 0 || gBrl.line >= int(gBrl.lines.size())) return empty;
    return gBrl.lines[size_t(gBrl.line)];
}

const Layout& layout() {
    if (gLayoutValid) return gLayout;
    gLayout = Layout();
    const bool labelled = gBrl.content == Content::Field && gBrl.line == 0 && !gBrl.label.empty();
    gLayout.fieldStart = labelled ? int(gBrl.label.size()) + 1 : 0;
    gLayout.text = (labelled ? gBrl.label + " " : std::string()) + currentLine();
    for (char& c : gLayout.text)
        if (uint8_t(c) < 32) c = ' ';
    gLayout.louis = !gBrl.table.empty() && translate(gBrl.table, gLayout.text, gLayout.t);
    gLayoutValid = true;
    return gLayout;
}

void changed() { gLayoutValid = false; }

int lastWindowStart(int length, int cells) { return length <= 0 ? 0 : (length - 1) / cells * cells; }

// The cell of the cursor in the current line, -1 when it has none there.
int cursorCell() {
    if (gBrl.line != 0 || gBrl.cursor < 0) return -1;
    const Layout& l = layout();
    return l.cellOf(l.fieldStart + gBrl.cursor);
}

// Unicode's braille patterns carry the dots: brltty puts them on the cells as they are.
std::string patternsUtf8(const std::vector<uint8_t>& dots, size_t from, size_t count) {
    std::string s;
    for (size_t i = from; i < from + count; ++i) {
        const unsigned cp = 0x2800u + (i < dots.size() ? dots[i] : 0u);
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

// Sends the window of the current line, unless the display already shows it.
void refresh() {
    if (!gBrl.connected || gBrl.cells <= 0) return;
    const Layout& l = layout();
    std::string utf8;
    if (l.louis) {
        utf8 = patternsUtf8(l.t.dots, size_t(gBrl.offset), size_t(gBrl.cells));
    } else {
        std::string cells = gBrl.offset < int(l.text.size())
                                ? l.text.substr(size_t(gBrl.offset), size_t(gBrl.cells))
                                : std::string();
        cells.resize(size_t(gBrl.cells), ' ');
        utf8 = plat::cp1252ToUtf8(cells);
    }
    int cursor = BRLAPI_CURSOR_OFF;
    const int at = cursorCell();
    if (at >= gBrl.offset && at < gBrl.offset + gBrl.cells) cursor = at - gBrl.offset + 1;
    if (utf8 == gBrl.written && cursor == gBrl.writtenCursor) return;
    brlapi_writeArguments_t wa = BRLAPI_WRITEARGUMENTS_INITIALIZER;
    wa.regionBegin = 1;
    wa.regionSize = gBrl.cells;
    wa.text = utf8.c_str();
    wa.textSize = int(utf8.size());
    wa.charset = "UTF-8";
    wa.cursor = cursor;
    if (brlapi().write(handle(), &wa) < 0) {
        dropConnection();
        return;
    }
    gBrl.written = utf8;
    gBrl.writtenCursor = cursor;
}

void setContent(Content kind, std::vector<std::string> lines, int cursor) {
    // A message already held as the last line of a card keeps the card (and its first line) on.
    if (kind == Content::Message && lines.size() == 1 && gBrl.content == Content::Message &&
        gBrl.lines.size() > 1 && gBrl.lines.back() == lines[0])
        return;
    const bool same = kind == gBrl.content && lines == gBrl.lines;
    if (!same) {
        gBrl.content = kind;
        gBrl.lines = std::move(lines);
        gBrl.line = 0;
        gBrl.offset = 0;
        changed();
    }
    gBrl.cursor = cursor;
    // A moving cursor drags the window along; a line read by panning stays put.
    if (cursor >= 0) {
        if (gBrl.line != 0) changed();
        gBrl.line = 0;
        // Without a display, connect() places the window when one comes.
        if (gBrl.connected) gBrl.offset = offsetForCursor(gBrl.offset, cursorCell(), gBrl.cells, layout().length());
    }
    refresh();
}

void panRight() {
    const int length = layout().length();
    if (gBrl.offset + gBrl.cells < length) {
        gBrl.offset += gBrl.cells;
    } else if (gBrl.line + 1 < int(gBrl.lines.size())) {
        ++gBrl.line;
        gBrl.offset = 0;
        changed();
    }
}

void panLeft() {
    if (gBrl.offset > 0) {
        gBrl.offset = std::max(0, gBrl.offset - gBrl.cells);
    } else if (gBrl.line > 0) {
        --gBrl.line;
        changed();
        gBrl.offset = lastWindowStart(layout().length(), gBrl.cells);
    }
}

void moveLine(int by) {
    const int target = gBrl.line + by;
    if (target < 0 || target >= int(gBrl.lines.size())) return;
    gBrl.line = target;
    gBrl.offset = 0;
    changed();
}

bool connect() {
    // Without the library there is no display to find, as when brltty is not running.
    if (!plat::brlapilib::api()) return false;
    gHandleMem.reset(new char[brlapi().getHandleSize()]);
    // Host and key come from BRLAPI_HOST and BRLAPI_AUTH, or brltty's defaults.
    gFd = brlapi().openConnection(handle(), nullptr, nullptr);
    if (gFd < 0) {
        gHandleMem.reset();
        return false;
    }
    brlapi().setExceptionHandler(handle(), onException);
    unsigned int x = 0, y = 0;
    int tty = -1;
    const uint64_t windowId = gBrl.windowId;
    if (brlapi().getDisplaySize(handle(), &x, &y) == 0 && x > 0) {
        tty = brlapi().enterTtyMode(handle(), windowId ? int(windowId) : BRLAPI_TTY_DEFAULT, nullptr);
        // Without a terminal of its own (started by a service, or headless) the
        // program takes the display as a whole.
        if (tty < 0 && !windowId) tty = brlapi().enterTtyModeWithPath(handle(), nullptr, 0, nullptr);
    }
    if (tty < 0) {
        brlapi().closeConnection(handle());
        gHandleMem.reset();
        gFd = -1;
        return false;
    }
    gBrl.connected = true;
    gBrl.cells = int(x);
    gBrl.written.clear();
    gBrl.writtenCursor = -2;
    // What the program showed meanwhile comes back at once.
    gBrl.offset = offsetForCursor(gBrl.offset, cursorCell(), gBrl.cells, layout().length());
    refresh();
    return true;
}

// A lost or never made connection is tried again every few seconds; each try
// costs a refused connect, nothing a key would wait for.
void retry() {
    if (!gBrl.wanted || !gBrl.enabled) return;
    const int64_t now = steadyMs();
    if (now < gBrl.nextTryMs) return;
    gBrl.nextTryMs = now + kRetryMs;
    connect();
}

}  // namespace

BrailleState& brailleState() { return gBrl; }

int offsetForCursor(int offset, int cursor, int cells, int length) {
    if (cells <= 0) return 0;
    offset = std::clamp(offset, 0, lastWindowStart(std::max(length, cursor + 1), cells));
    if (cursor < 0) return offset;
    if (cursor < offset || cursor >= offset + cells) offset = cursor / cells * cells;
    return offset;
}

bool open(uint64_t windowId) {
    if (gBrl.connected) return true;
    if (!gBrl.enabled) return false;
    gBrl.wanted = true;
    gBrl.windowId = windowId;
    gBrl.nextTryMs = steadyMs() + kRetryMs;
    return connect();
}

void close() {
    if (gBrl.connected) brlapi().leaveTtyMode(handle());
    dropConnection();
    gBrl.wanted = false;
    gBrl.content = Content::None;
    gBrl.lines.clear();
    gBrl.label.clear();
    changed();
}

bool connected() { return gBrl.connected; }

void setTable(const std::string& table) {
    if (table == gBrl.table) return;
    gBrl.table = table;
    changed();
    gBrl.offset = 0;
    refresh();
}

void setFieldLabel(const std::string& label) {
    if (label == gBrl.label) return;
    gBrl.label = label;
    if (gBrl.content == Content::Field) changed();
}

void show(Content kind, const std::string& line, int cursor) { setContent(kind, {line}, cursor); }

void showLines(Content kind, const std::vector<std::string>& lines) { setContent(kind, lines, -1); }

bool pollRoute(int& position) {
    if (!gBrl.connected) {
        if (gHandleMem) dropConnection();  // the exception handler only marks it
        retry();
        return false;
    }
    // The program pumps its messages often; a look at the socket costs far less
    // than a call into the library.
    pollfd p{gFd, POLLIN, 0};
    if (poll(&p, 1, 0) != 1) return false;
    if (p.revents & (POLLHUP | POLLERR)) {
        dropConnection();
        return false;
    }
    brlapi_keyCode_t code = 0;
    for (;;) {
        const int got = brlapi().readKey(handle(), 0, &code);
        if (got < 0 || !gBrl.connected) {
            dropConnection();
            return false;
        }
        if (got == 0) return false;
        if ((code & BRLAPI_KEY_TYPE_MASK) != BRLAPI_KEY_TYPE_CMD) continue;
        const brlapi_keyCode_t block = code & BRLAPI_KEY_CMD_BLK_MASK;
        const int arg = int(code & BRLAPI_KEY_CMD_ARG_MASK);
        if (block == BRLAPI_KEY_CMD_ROUTE) {
            if (gBrl.content != Content::Field || gBrl.line != 0) continue;
            // The cell pressed, back through the translation to a character of the
            // field; a cell of its label goes to the field's start.
            const Layout& l = layout();
            position = std::max(0, l.charOf(gBrl.offset + arg) - l.fieldStart);
            gBrl.routed = position;
            return true;
        }
        switch (code & BRLAPI_KEY_CODE_MASK) {
            case BRLAPI_KEY_CMD_FWINRT: panRight(); break;
            case BRLAPI_KEY_CMD_FWINLT: panLeft(); break;
            case BRLAPI_KEY_CMD_LNDN: moveLine(1); break;
            case BRLAPI_KEY_CMD_LNUP: moveLine(-1); break;
            default: continue;
        }
        refresh();
    }
}

}  // namespace brl
