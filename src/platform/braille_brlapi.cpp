// The Braille display through BrlAPI.  One connection per run; every failure
// leaves the program as it is without a display: nothing is said or shown.
#include "platform/braille.h"

#include <brlapi.h>

#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/platform.h"

namespace brl {

namespace {

BrailleState gBrl;
std::unique_ptr<char[]> gHandleMem;
int gFd = -1;  // the connection's socket: polled before asking the library for keys

brlapi_handle_t* handle() { return reinterpret_cast<brlapi_handle_t*>(gHandleMem.get()); }

// The default handler aborts the program; a display that goes away must not.
void BRLAPI_STDCALL onException(brlapi_handle_t*, int, brlapi_packetType_t, const void*, size_t) {
    gBrl.connected = false;
}

void dropConnection() {
    if (gHandleMem) brlapi__closeConnection(handle());
    gHandleMem.reset();
    gFd = -1;
    gBrl.connected = false;
}

const std::string& currentLine() {
    static const std::string empty;
    if (gBrl.line < 0 || gBrl.line >= int(gBrl.lines.size())) return empty;
    return gBrl.lines[size_t(gBrl.line)];
}

int lastWindowStart(int length, int cells) { return length <= 0 ? 0 : (length - 1) / cells * cells; }

// Sends the window of the current line, unless the display already shows it.
void refresh() {
    if (!gBrl.connected || gBrl.cells <= 0) return;
    const std::string& line = currentLine();
    std::string cells = gBrl.offset < int(line.size()) ? line.substr(size_t(gBrl.offset), size_t(gBrl.cells))
                                                       : std::string();
    for (char& c : cells)
        if (uint8_t(c) < 32) c = ' ';
    cells.resize(size_t(gBrl.cells), ' ');
    int cursor = BRLAPI_CURSOR_OFF;
    if (gBrl.line == 0 && gBrl.cursor >= gBrl.offset && gBrl.cursor < gBrl.offset + gBrl.cells)
        cursor = gBrl.cursor - gBrl.offset + 1;
    if (cells == gBrl.written && cursor == gBrl.writtenCursor) return;
    const std::string utf8 = plat::cp1252ToUtf8(cells);
    brlapi_writeArguments_t wa = BRLAPI_WRITEARGUMENTS_INITIALIZER;
    wa.regionBegin = 1;
    wa.regionSize = gBrl.cells;
    wa.text = utf8.c_str();
    wa.textSize = int(utf8.size());
    wa.charset = "UTF-8";
    wa.cursor = cursor;
    if (brlapi__write(handle(), &wa) < 0) {
        dropConnection();
        return;
    }
    gBrl.written = cells;
    gBrl.writtenCursor = cursor;
}

void setContent(Content kind, std::vector<std::string> lines, int cursor) {
    if (!gBrl.connected) return;
    const bool same = kind == gBrl.content && lines == gBrl.lines;
    if (!same) {
        gBrl.content = kind;
        gBrl.lines = std::move(lines);
        gBrl.line = 0;
        gBrl.offset = 0;
    }
    gBrl.cursor = cursor;
    // A moving cursor drags the window along; a line read by panning stays put.
    if (cursor >= 0) {
        gBrl.line = 0;
        gBrl.offset = offsetForCursor(gBrl.offset, cursor, gBrl.cells, int(currentLine().size()));
    }
    refresh();
}

void panRight() {
    const int length = int(currentLine().size());
    if (gBrl.offset + gBrl.cells < length) {
        gBrl.offset += gBrl.cells;
    } else if (gBrl.line + 1 < int(gBrl.lines.size())) {
        ++gBrl.line;
        gBrl.offset = 0;
    }
}

void panLeft() {
    if (gBrl.offset > 0) {
        gBrl.offset = std::max(0, gBrl.offset - gBrl.cells);
    } else if (gBrl.line > 0) {
        --gBrl.line;
        gBrl.offset = lastWindowStart(int(currentLine().size()), gBrl.cells);
    }
}

void moveLine(int by) {
    const int target = gBrl.line + by;
    if (target < 0 || target >= int(gBrl.lines.size())) return;
    gBrl.line = target;
    gBrl.offset = 0;
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
    gHandleMem.reset(new char[brlapi_getHandleSize()]);
    // Host and key come from BRLAPI_HOST and BRLAPI_AUTH, or brltty's defaults.
    gFd = brlapi__openConnection(handle(), nullptr, nullptr);
    if (gFd < 0) {
        gHandleMem.reset();
        return false;
    }
    brlapi__setExceptionHandler(handle(), onException);
    unsigned int x = 0, y = 0;
    int tty = -1;
    if (brlapi__getDisplaySize(handle(), &x, &y) == 0 && x > 0) {
        tty = brlapi__enterTtyMode(handle(), windowId ? int(windowId) : BRLAPI_TTY_DEFAULT, nullptr);
        // Without a terminal of its own (started by a service, or headless) the
        // program takes the display as a whole.
        if (tty < 0 && !windowId) tty = brlapi__enterTtyModeWithPath(handle(), nullptr, 0, nullptr);
    }
    if (tty < 0) {
        brlapi__closeConnection(handle());
        gHandleMem.reset();
        return false;
    }
    gBrl.connected = true;
    gBrl.cells = int(x);
    gBrl.written.clear();
    gBrl.writtenCursor = -2;
    refresh();
    return true;
}

void close() {
    if (gBrl.connected) brlapi__leaveTtyMode(handle());
    dropConnection();
    gBrl.content = Content::None;
    gBrl.lines.clear();
}

bool connected() { return gBrl.connected; }

void show(Content kind, const std::string& line, int cursor) { setContent(kind, {line}, cursor); }

void showLines(Content kind, const std::vector<std::string>& lines) { setContent(kind, lines, -1); }

bool pollRoute(int& position) {
    if (!gBrl.connected) {
        if (gHandleMem) dropConnection();  // the exception handler only marks it
        return false;
    }
    // The program pumps its messages often; a look at the socket costs far less
    // than a call into the library.
    pollfd p{gFd, POLLIN, 0};
    if (poll(&p, 1, 0) != 1) return false;
    brlapi_keyCode_t code = 0;
    for (;;) {
        const int got = brlapi__readKey(handle(), 0, &code);
        if (got < 0) {
            dropConnection();
            return false;
        }
        if (got == 0) return false;
        if ((code & BRLAPI_KEY_TYPE_MASK) != BRLAPI_KEY_TYPE_CMD) continue;
        const brlapi_keyCode_t block = code & BRLAPI_KEY_CMD_BLK_MASK;
        const int arg = int(code & BRLAPI_KEY_CMD_ARG_MASK);
        if (block == BRLAPI_KEY_CMD_ROUTE) {
            if (gBrl.content != Content::Field || gBrl.line != 0) continue;
            position = gBrl.offset + arg;
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
