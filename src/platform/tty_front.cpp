// The terminal front: the 80 x 25 cells on the alternate screen of an ANSI terminal
// in raw mode, keys decoded from the terminal's sequences, sound through SDL audio
// when a device exists.  Whatever way the program ends (return, exit, a signal, a
// crash) the terminal gets its modes, screen and cursor back.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl_audio.h"
#include "platform/terminfo.h"
#include "platform/ttykeys.h"

namespace plat {

namespace {

// ---- terminal state, reachable from signal handlers ------------------------------

struct TermState {
    termios saved{};
    bool haveSaved = false;
    volatile sig_atomic_t active = 0;    // our modes are on
    volatile sig_atomic_t winch = 0;     // the terminal was resized
    volatile sig_atomic_t resumed = 0;   // back from a stop: modes to set again
    volatile sig_atomic_t closeAllowed = 1;
    bool handlersInstalled = false;
};
TermState gTerm;

// Alternate screen, keep our title on the stack, no autowrap (the bottom-right cell
// would scroll), cursor hidden until a key is read, an underline cursor.
const char kEnter[] = "\x1b[?1049h\x1b[22;0t\x1b[?7l\x1b[?25l\x1b[3 q\x1b[0m\x1b[2J";
const char kLeave[] = "\x1b[0m\x1b[?25h\x1b[?7h\x1b[0 q\x1b[2J\x1b[?1049l\x1b[23;0t";

void writeAll(const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(STDOUT_FILENO, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd pf{STDOUT_FILENO, POLLOUT, 0};
                ::poll(&pf, 1, 100);
                continue;
            }
            return;
        }
        p += w;
        n -= size_t(w);
    }
}

void setRawMode() {
    if (!gTerm.haveSaved) return;
    termios raw = gTerm.saved;
    cfmakeraw(&raw);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSADRAIN, &raw);
}

// Async-signal-safe: write(2) and tcsetattr(3) only.
void leaveTerminal() {
    if (!gTerm.active) return;
    gTerm.active = 0;
    writeAll(kLeave, sizeof kLeave - 1);
    if (gTerm.haveSaved) tcsetattr(STDIN_FILENO, TCSADRAIN, &gTerm.saved);
}

void enterTerminal() {
    setRawMode();
    writeAll(kEnter, sizeof kEnter - 1);
    gTerm.active = 1;
}

void onEndSignal(int sig) {
    if (sig == SIGINT && !gTerm.closeAllowed) return;
    leaveTerminal();
    ::signal(sig, SIG_DFL);
    ::raise(sig);  // delivered when the handler returns: the process ends as the signal says
}

void onStopSignal(int) {
    const bool was = gTerm.active;
    leaveTerminal();
    gTerm.resumed = was ? 1 : 0;
    ::signal(SIGTSTP, SIG_DFL);
    ::raise(SIGTSTP);
}

void onContinue(int) {
    ::signal(SIGTSTP, onStopSignal);
    // the modes are set again by the program's thread at its next pump
}

void onWinch(int) { gTerm.winch = 1; }

void atExitRestore() { leaveTerminal(); }

void installHandlers() {
    if (gTerm.handlersInstalled) return;
    gTerm.handlersInstalled = true;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = onEndSignal;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        sigaction(sig, &sa, nullptr);
    sa.sa_handler = onStopSignal;
    sigaction(SIGTSTP, &sa, nullptr);
    sa.sa_handler = onContinue;
    sigaction(SIGCONT, &sa, nullptr);
    sa.sa_handler = onWinch;
    sa.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &sa, nullptr);
    std::atexit(atExitRestore);
}

uint64_t steadyMs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// How many colours the terminal draws: COLORTERM names true colour; otherwise the
// terminal's terminfo entry counts its colours.
enum class ColourDepth { Ansi16, Xterm256, True };

ColourDepth detectColourDepth() {
    const char* ct = std::getenv("COLORTERM");
    if (ct && (std::strcmp(ct, "truecolor") == 0 || std::strcmp(ct, "24bit") == 0)) return ColourDepth::True;
    return terminfoColours(STDOUT_FILENO) >= 256 ? ColourDepth::Xterm256 : ColourDepth::Ansi16;
}

// The xterm colour (16-255, the ones every 256-colour terminal agrees on) nearest to `c`.
int nearestXterm256(Rgb c) {
    static const int kLevels[6] = {0, 95, 135, 175, 215, 255};
    auto dist = [&](int r, int g, int b) {
        return (r - c.r) * (r - c.r) + (g - c.g) * (g - c.g) + (b - c.b) * (b - c.b);
    };
    int best = 16, bestDist = 1 << 30;
    for (int i = 0; i < 216; ++i) {
        const int d = dist(kLevels[i / 36], kLevels[i / 6 % 6], kLevels[i % 6]);
        if (d < bestDist) {
            bestDist = d;
            best = 16 + i;
        }
    }
    for (int i = 0; i < 24; ++i) {
        const int v = 8 + 10 * i;
        const int d = dist(v, v, v);
        if (d < bestDist) {
            bestDist = d;
            best = 232 + i;
        }
    }
    return best;
}

bool blankCell(uint8_t c) { return c == ' ' || c == 0; }

// A lone ESC is the Esc key once nothing has followed it for this long.
constexpr uint64_t kEscWaitMs = 30;

class TtyFront : public Front {
public:
    TtyFront() {
        // our handlers restore the terminal; SDL's would turn SIGINT into a quit event
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    }
    ~TtyFront() override { close(); }

    const char* name() const override { return "tty"; }
    bool drawsOnTerminal() const override { return true; }
    bool hasBreakKey() const override { return false; }

    bool open(const WindowSettings&) override {
        if (open_) return true;
        open_ = true;
        // The screen line says it; stderr would land in the middle of the drawn cells.
        if (!audio::start()) addNotice(audio::noDeviceText());
        if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &gTerm.saved) == 0) {
            gTerm.haveSaved = true;
            decoder_.eraseByte = uint8_t(gTerm.saved.c_cc[VERASE] ? gTerm.saved.c_cc[VERASE] : 0x7f);
        }
        installHandlers();
        depth_ = detectColourDepth();
        readSize();
        noteSmallTerminal();
        enterTerminal();
        return true;
    }

    bool keyReleases() const override { return false; }

    void close() override {
        if (!open_) return;
        open_ = false;
        leaveTerminal();
        audio::shutdown();
    }

    void invalidate(const ScreenView& v, int row, int col0, int col1) override {
        view_ = v;
        haveView_ = true;
        if (!gTerm.active || v.textPaintingOff) return;
        if (followCursor()) return redraw();
        std::string out = renderCells(row, col0, col1);
        out += cursorSequence(v);
        writeAll(out.data(), out.size());
    }

    void invalidateAll(const ScreenView& v) override {
        view_ = v;
        haveView_ = true;
        if (!gTerm.active || v.textPaintingOff) return;
        redraw();
    }

    void cursorMoved(const ScreenView& v) override {
        view_ = v;
        haveView_ = true;
        if (!gTerm.active) return;
        if (followCursor() && !v.textPaintingOff) return redraw();
        std::string out = cursorSequence(v);
        writeAll(out.data(), out.size());
    }

    void pump() override {
        if (!open_) return;
        checkSignals();
        readInput(0);
    }

    void waitForInput() override {
        if (!open_) return;
        checkSignals();
        // short waits keep sounds and a pending Esc moving
        readInput(eof_ ? -1 : 20);
        if (eof_) sleepMs(20);
    }

    uint64_t nowMs() override { return steadyMs(); }

    void sleepMs(int ms) override {
        if (ms <= 0) return;
        timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }

    void setTitle(const std::string& text) override {
        std::string t;
        for (char c : cp1252ToUtf8(text))
            if (uint8_t(c) >= 32 && c != 0x7f) t += c;
        title_ = "\x1b]0;" + t + "\x07";
        if (gTerm.active) writeAll(title_.data(), title_.size());
    }

    void systemBeep() override {
        if (gTerm.active) writeAll("\x07", 1);
    }

    void setCloseAllowed(bool allowed) override { gTerm.closeAllowed = allowed ? 1 : 0; }

    bool audioOpen(int rate, int bits, int channels) override { return audio::openSource(rate, bits, channels); }
    void audioQueue(const uint8_t* data, size_t len) override { audio::queue(data, len); }
    int audioPending() override { return audio::pending(); }
    void audioReset() override { audio::reset(); }
    void audioClose() override { audio::closeSource(); }
    int audioDeviceBufferFrames() override { return audio::deviceBufferFrames(); }
    void tone(int hz) override { audio::tone(hz); }

    // No system clipboard reaches a terminal program reliably; the program's own
    // copy and paste work within the run.
    void clipboardSet(const std::string& text) override { clipboard_ = text; }
    std::string clipboardGet() override { return clipboard_; }

private:
    void readSize() {
        winsize ws{};
        if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
            cols_ = ws.ws_col;
            rows_ = ws.ws_row;
        } else {
            cols_ = 80;
            rows_ = 25;
        }
    }

    std::string cursorSequence(const ScreenView& v) const {
        const int y = v.cursorY >= 0 && v.cursorY < 25 ? lineOf_[size_t(v.cursorY)] : -1;
        const int x = v.cursorX - left_;
        if (!v.caret || x < 0 || x >= cols_ || y < 0 || y >= rows_) return "\x1b[?25l";
        char buf[40];
        std::snprintf(buf, sizeof buf, "\x1b[%d;%dH\x1b[?25h", y + 1, x + 1);
        return buf;
    }

    // Which screen rows a terminal with fewer lines shows: blank rows go first, those
    // farthest from the cursor before the others, so that on 80 x 24 the title and the
    // answer row are both in sight; when blank rows are not enough, the lines follow
    // the cursor's row.
    std::array<int, 25> layoutRows(int& first) const {
        std::array<int, 25> line;
        const int height = std::min(view_.height, 25);
        for (int r = 0; r < 25; ++r) line[size_t(r)] = r < height ? r : -1;
        first = 0;
        if (!haveView_ || !view_.chars || rows_ >= height) return line;
        const int cursor = std::clamp(view_.cursorY, 0, height - 1);
        std::vector<int> blank;
        for (int r = 0; r < height; ++r) {
            if (r == cursor) continue;
            const uint8_t* c = view_.chars + size_t(r) * size_t(view_.width);
            if (std::all_of(c, c + view_.width, blankCell)) blank.push_back(r);
        }
        std::stable_sort(blank.begin(), blank.end(),
                         [&](int a, int b) { return std::abs(a - cursor) > std::abs(b - cursor); });
        std::array<bool, 25> hidden{};
        int toHide = height - rows_;
        for (size_t i = 0; i < blank.size() && toHide > 0; ++i, --toHide) hidden[size_t(blank[i])] = true;
        std::vector<int> kept;
        int cursorAt = 0;
        for (int r = 0; r < height; ++r)
            if (!hidden[size_t(r)]) {
                if (r == cursor) cursorAt = int(kept.size());
                kept.push_back(r);
            }
        first = tty::viewTop(topIndex_, cursorAt, rows_, int(kept.size()));
        line.fill(-1);
        for (int i = first; i < int(kept.size()) && i - first < rows_; ++i) line[size_t(kept[size_t(i)])] = i - first;
        return line;
    }

    // A terminal smaller than the screen shows the rows and columns around the cursor;
    // true when the view moved and everything must be drawn again.
    bool followCursor() {
        int first = 0;
        const std::array<int, 25> line = layoutRows(first);
        // sideways the start of the rows stays in sight while the cursor is there too;
        // past the right edge the view ends at the cursor, where the typing is
        const int left = cols_ >= view_.width ? 0 : std::clamp(view_.cursorX - cols_ + 1, 0, view_.width - cols_);
        topIndex_ = first;
        if (line == lineOf_ && left == left_) return false;
        lineOf_ = line;
        left_ = left;
        return true;
    }

    std::string sgr(uint8_t attr) const {
        if (depth_ != ColourDepth::Xterm256) return tty::sgrFor(view_, attr, depth_ == ColourDepth::True);
        const int fg = nearestXterm256(paletteEntry(tty::paletteIndex(view_, attr & 15)));
        const int bg = nearestXterm256(paletteEntry(tty::paletteIndex(view_, attr >> 4)));
        char buf[40];
        std::snprintf(buf, sizeof buf, "\x1b[38;5;%d;48;5;%dm", fg, bg);
        return buf;
    }

    // Escape output drawing cells [col0, col1) of a screen row where the layout puts it.
    std::string renderCells(int row, int col0, int col1) const {
        std::string out;
        if (!haveView_ || !view_.chars || row < 0 || row >= 25) return out;
        const int line = lineOf_[size_t(row)];
        if (line < 0 || line >= rows_) return out;
        col0 = std::max(col0, left_);
        col1 = std::min(col1, left_ + cols_);
        const std::vector<tty::CellRun> runs = tty::cellRuns(view_, row, col0, col1);
        if (runs.empty()) return out;
        char buf[32];
        std::snprintf(buf, sizeof buf, "\x1b[%d;%dH", line + 1, runs.front().col0 - left_ + 1);
        out += buf;
        const uint8_t* ch = view_.chars + size_t(row) * size_t(view_.width);
        for (const tty::CellRun& r : runs) {
            out += sgr(r.attr);
            std::string text;
            for (int c = r.col0; c < r.col1; ++c) {
                uint8_t b = ch[c];
                // control codes (C0, DEL, and the bytes CP1252 leaves undefined, which
                // would become C1 controls) must not reach the terminal
                if (b < 32 || b == 0x7f || b == 0x81 || b == 0x8d || b == 0x8f || b == 0x90 || b == 0x9d) b = ' ';
                text += char(b);
            }
            out += cp1252ToUtf8(text);
        }
        return out;
    }

    void noteSmallTerminal() {
        if (cols_ >= 80 && rows_ >= 25) {
            // Grown to the whole screen: the notice is no longer true.
            if (smallNoted_) withdrawNotice(smallNotice_);
            smallNoted_ = false;
            return;
        }
        if (smallNoted_) return;
        smallNoted_ = true;
        smallNotice_ = cp("Terminal de ") + std::to_string(cols_) + " por " + std::to_string(rows_) +
                       cp(", menor que 80 por 25: a tela acompanha o cursor.");
        addNotice(smallNotice_);
    }

    void redraw() {
        std::string out = "\x1b[0m\x1b[2J";
        if (haveView_ && !view_.textPaintingOff)
            for (int r = 0; r < view_.height; ++r) out += renderCells(r, 0, view_.width);
        if (haveView_) out += cursorSequence(view_);
        if (!title_.empty()) out += title_;
        writeAll(out.data(), out.size());
    }

    void checkSignals() {
        if (gTerm.resumed) {
            gTerm.resumed = 0;
            enterTerminal();
            redraw();
        }
        if (gTerm.winch) {
            gTerm.winch = 0;
            readSize();
            noteSmallTerminal();
            followCursor();
            if (gTerm.active) redraw();
        }
    }

    // Reads what the terminal sent (waiting up to timeoutMs for the first byte) and
    // hands the decoded keys to the console.
    void readInput(int timeoutMs) {
        std::vector<KeyEvent> keys;
        if (!eof_) {
            int wait = timeoutMs;
            if (tty::hasPending(decoder_)) {
                uint64_t since = steadyMs() - lastInput_;
                int left = since >= kEscWaitMs ? 0 : int(kEscWaitMs - since);
                if (wait < 0 || wait > left) wait = left;
            }
            pollfd pf{STDIN_FILENO, POLLIN, 0};
            int r = ::poll(&pf, 1, wait < 0 ? 0 : wait);
            if (r > 0 && (pf.revents & (POLLIN | POLLHUP | POLLERR))) {
                char buf[256];
                ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
                if (n > 0) {
                    lastInput_ = steadyMs();
                    tty::decodeKeys(decoder_, buf, size_t(n), keys);
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    eof_ = true;
                }
            }
        }
        if (tty::hasPending(decoder_) && (eof_ || steadyMs() - lastInput_ >= kEscWaitMs)) tty::flushKeys(decoder_, keys);
        for (const KeyEvent& k : keys) sendKey(k);
        if (eof_ && !eofHandled_) {
            // the terminal went away: nobody is left to answer, so the program ends
            eofHandled_ = true;
            if (gTerm.closeAllowed) quitProgram();
        }
    }

    bool open_ = false;
    ColourDepth depth_ = ColourDepth::Ansi16;
    int cols_ = 80, rows_ = 25;
    std::array<int, 25> lineOf_{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}};
    int topIndex_ = 0;  // rows kept (not hidden as blank) above the first line shown
    int left_ = 0;      // screen column on the terminal's first column
    bool smallNoted_ = false;
    std::string smallNotice_;  // the size notice as it was noted, to withdraw it
    ScreenView view_;
    bool haveView_ = false;
    std::string title_;
    std::string clipboard_;
    tty::KeyDecoder decoder_;
    uint64_t lastInput_ = 0;
    bool eof_ = false, eofHandled_ = false;
};

}  // namespace

Front* makeTtyFront() { return new TtyFront(); }

}  // namespace plat
