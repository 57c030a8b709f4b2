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

// A lone ESC is the Esc key once nothing has followed it for this long.
constexpr uint64_t kEscWaitMs = 30;

class TtyFront : public Front {
public:
    TtyFront() {
        // our handlers restore the terminal; SDL's would turn SIGINT into a quit event
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        const char* ct = std::getenv("COLORTERM");
        trueColour_ = ct && (std::strcmp(ct, "truecolor") == 0 || std::strcmp(ct, "24bit") == 0);
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
        std::string out = tty::renderRow(v, row, col0, col1, trueColour_, cols_, rows_, top_);
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
        const int y = v.cursorY - top_;
        if (!v.caret || v.cursorX >= cols_ || y < 0 || y >= rows_) return "\x1b[?25l";
        char buf[40];
        std::snprintf(buf, sizeof buf, "\x1b[%d;%dH\x1b[?25h", y + 1, v.cursorX + 1);
        return buf;
    }

    // A terminal shorter than the screen shows the rows around the cursor; true when
    // the view moved and everything must be drawn again.
    bool followCursor() {
        const int top = tty::viewTop(top_, view_.cursorY, rows_, view_.height);
        if (top == top_) return false;
        top_ = top;
        return true;
    }

    void noteSmallTerminal() {
        if (smallNoted_ || (cols_ >= 80 && rows_ >= 25)) return;
        smallNoted_ = true;
        addNotice(cp("Terminal de ") + std::to_string(cols_) + " por " + std::to_string(rows_) +
                  cp(", menor que 80 por 25: a tela acompanha o cursor."));
    }

    void redraw() {
        std::string out = "\x1b[0m\x1b[2J";
        if (haveView_ && !view_.textPaintingOff)
            for (int r = 0; r < view_.height; ++r)
                out += tty::renderRow(view_, r, 0, view_.width, trueColour_, cols_, rows_, top_);
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
            top_ = tty::viewTop(top_, view_.cursorY, rows_, view_.height);
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
    bool trueColour_ = false;
    int cols_ = 80, rows_ = 25;
    int top_ = 0;  // screen row on the terminal's first line
    bool smallNoted_ = false;
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
