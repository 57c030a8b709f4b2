// The one interface between the program's logic and the machine it runs on.
// Three fronts implement it: window (SDL2), terminal (ANSI) and headless (tests).
// Texts crossing this interface are CP1252 bytes; fronts convert at their edges.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Keys as the fronts see them, before the console turns them into PC codes.
enum class KeyId : uint8_t {
    None, Char, Enter, Esc, Tab, Backspace, Space,
    Up, Down, Left, Right, Home, End, PgUp, PgDn, Ins, Del,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    Break,
};
enum : uint8_t { ModShift = 1, ModCtrl = 2, ModAlt = 4 };

// A key going down (or up, for the Braille chords).  For KeyId::Char, `vk` is the
// key's own letter or digit in upper case ('A'..'Z', '0'..'9', 0 for others) and
// `ch` the CP1252 character it types with the current modifiers (0 when none,
// e.g. with Ctrl or Alt held).
struct KeyEvent {
    KeyId id = KeyId::None;
    uint8_t mods = 0;
    uint8_t vk = 0;
    uint8_t ch = 0;
    bool up = false;
};

// Linux takes some of the program's keys for itself: Ctrl+Alt+Fn switches virtual
// consoles (under X the stock keymap turns them into XF86Switch_VT_n), a text console
// switches on Alt+Fn and Alt+arrows, and desktops keep Alt+F1/F2 and Ctrl+Alt+arrows.
// Each such binding keeps its key where it arrives and has a second key that reaches
// every front; this turns the second key into the first.  Called before any other
// decoding, since e.g. Ctrl+Shift+F9 would otherwise fall back to Ctrl+F9.
struct SecondBinding {
    KeyId id;
    uint8_t mods;      // exactly these modifiers
    KeyId asId;
    uint8_t asMods;
};
const std::vector<SecondBinding>& secondBindings();
KeyEvent applySecondBinding(const KeyEvent& ev);

// A read-only view of the text screen for painting.
struct ScreenView {
    int width = 80, height = 25;
    const uint8_t* chars = nullptr;   // width*height, row by row
    const uint8_t* attrs = nullptr;   // background*16 + foreground
    const uint8_t* colourTable = nullptr;  // 16 entries: colour number -> palette entry
    int cursorX = 0, cursorY = 0;     // absolute 0-based cell of the cursor
    bool caret = false;               // caret shown (only while reading a key)
    bool textPaintingOff = false;     // a slide picture covers the text
};

struct Rgb { uint8_t r, g, b; };
Rgb paletteEntry(int entry);  // the 16-entry palette; outside 0-15 gives black

// An RGB picture drawn over the text (BMP of the text window, or a composed slide).
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width*height*3, top row first
};

struct WindowSettings {
    std::string fontFace = "Lucida Console";
    int fontWidth = 0, fontHeight = 0;  // 0: the front chooses
    int fontWeight = 700;
    bool normalSize = true;  // CANTOTELA
    int magnifier = 2;
    bool slowScroll = false;
};

class Front {
public:
    virtual ~Front() = default;
    // For messages and logs only: what a front can do is asked through the methods below.
    virtual const char* name() const = 0;  // "window", "tty", "headless"

    // What the front is, asked by the layers above instead of comparing names.
    // It draws the cells on the terminal the program was started from (standard
    // output and maybe standard error are the screen the user reads).
    virtual bool drawsOnTerminal() const { return false; }
    // It has a window of its own on the desktop (a slide fills its canvas).
    virtual bool hasWindow() const { return false; }
    // Time is virtual: sounds, media and delays move a clock, nothing waits.
    virtual bool virtualClock() const { return false; }
    // Nobody sits at it (tests, automation): nothing is started behind the user's
    // back, no program, speech server or Braille display unless named.
    virtual bool unattended() const { return false; }
    // Ctrl+Break can be typed; where it cannot (a terminal), Ctrl+C outside fields stands for it.
    virtual bool hasBreakKey() const { return true; }
    // Milliseconds since 1970 as the program sees them: the system's clock, or for a
    // virtual clock the moment the front was made plus the virtual time gone since.
    virtual int64_t wallClockMs();
    virtual bool open(const WindowSettings& s) = 0;
    // Restores the terminal, closes the window; safe to call twice.
    virtual void close() = 0;

    // The model changed cells [col0, col1) of a row (absolute, 0-based).
    virtual void invalidate(const ScreenView& v, int row, int col0, int col1) = 0;
    virtual void invalidateAll(const ScreenView& v) = 0;
    // The cursor or caret moved; fronts that draw it update it.
    virtual void cursorMoved(const ScreenView& v) { (void)v; }

    // Dispatch pending input; keys are handed to the console's key translation.
    virtual void pump() = 0;
    // Called by readKey when the key buffer is empty: block until input arrives.
    // The headless front types the next key of its script here.
    virtual void waitForInput() = 0;

    virtual uint64_t nowMs() = 0;        // monotonic (virtual in headless)
    virtual void sleepMs(int ms) = 0;    // advances virtual time in headless

    virtual void setTitle(const std::string& text) = 0;
    virtual void systemBeep() {}
    // Picture drawn after the text (nullptr hides it).
    virtual void setPicture(const Picture* pic, int x, int y) { (void)pic; (void)x; (void)y; }
    // The close box and Ctrl+Break may end the program (off while the editor menu runs).
    virtual void setCloseAllowed(bool allowed) { (void)allowed; }

    // Audio: a queue of PCM buffers on one open device.
    virtual bool audioOpen(int rate, int bits, int channels) = 0;
    virtual void audioQueue(const uint8_t* data, size_t len) = 0;
    virtual int audioPending() = 0;    // buffers queued and not yet finished
    virtual void audioReset() = 0;     // drop everything queued, silence at once
    virtual void audioClose() = 0;
    virtual int audioDeviceBufferFrames() { return 0; }
    // A looping square tone for the Braille announcements; hz 0 stops it.
    virtual void tone(int hz) = 0;

    virtual void clipboardSet(const std::string& text) = 0;
    virtual std::string clipboardGet() = 0;

    // A game program may minimize the window and bring it back.
    virtual void setMinimized(bool minimized) { (void)minimized; }

    // The stop key's check while a game program runs without reading keys: reads
    // pending input so that Ctrl+Break (Ctrl+C in the terminal) is seen.
    virtual void pollStopKey() { pump(); }

    // Media surfaces: the window front shows video inside its window.
    virtual void* nativeWindowId() { return nullptr; }

    // Whether key releases arrive (the Braille chords need them; terminals send none).
    virtual bool keyReleases() const { return true; }
    // The program ended without closing its console (an error, Ctrl+Break, a program run
    // on its own): a window stays up, titled "Programa terminado", until the user closes it.
    virtual void holdAfterEnd() {}
};

// What the fronts need from the console above them.  The console registers these
// when its window comes up; until then keys are dropped and the screen is blank.
struct KeySink {
    void (*key)(const KeyEvent& ev) = nullptr;  // a key went down (or up)
    int (*waiting)() = nullptr;                 // codes in the key buffer
    bool (*reading)() = nullptr;                // a key is being waited for
};
void setKeySink(const KeySink& sink);
void sendKey(const KeyEvent& ev);
int keysWaiting();
bool readingKey();

// Speech made outside our wave output (a system voice): the virtual clock keeps
// pace with it and a key waits for its end.
struct SpeechQuery {
    bool (*producing)() = nullptr;  // sound being made right now
    bool (*busy)() = nullptr;       // still speaking, or about to
};
void setSpeechQuery(const SpeechQuery& query);
bool externalSpeechProducing();
bool externalSpeechBusy();

// The text screen as it stands, for the screen dump.
void setScreenProvider(ScreenView (*provider)());
ScreenView currentScreen();

// The user ended the program from the front (close box, Alt+F4, the terminal
// went away).  The hook ends it the normal way and does not return; without
// one the program ends with code 0.
void setQuitHook(void (*quit)());
[[noreturn]] void quitProgram();

// What the user must hear about the machine (no sound device, a terminal smaller
// than the screen, a refused Braille mode): fronts note it, the start-up shows and
// speaks what is there, and later notes are spoken when a key is next read.
void addNotice(const std::string& textCp1252);
std::vector<std::string> takeNotices();
bool haveNotices();
// A noted fact stopped being true (the terminal grew to the whole screen): it leaves the
// queue, and the hook takes it off the screen at once.
void withdrawNotice(const std::string& textCp1252);
void setNoticeWithdrawnHook(void (*hook)(const std::string& textCp1252));

Front& front();
void setFront(Front* f);
bool haveFront();

Front* makeHeadlessFront();   // options taken from headlessOptions()
Front* makeTtyFront();
Front* makeWindowFront();     // nullptr when no display can be opened

// Sound trace: one event per line, UTF-8.  Written by every front when --trace is given.
void traceOpen(const std::string& file);
void trace(const char* kind, const std::string& textCp1252 = std::string());
void traceClose();
// Tests: collect trace lines in memory as well (nullptr stops).
void traceCapture(std::vector<std::string>* sink);
bool tracing();

// The stop key of a running game program.  While armed, Ctrl+Break (and Ctrl+C in
// the terminal outside fields) stops the game program instead of the application.
void armProgramStop(bool on);
bool programStopArmed();
void requestProgramStop();
bool programStopRequested();

// The program's end.  Thrown so that main (or a test) can unwind and return `code`.
struct ProgramExit { int code; };
[[noreturn]] void endProgram(int code);

// Text conversion at the edges.
std::string cp1252ToUtf8(const std::string& s);
std::string utf8ToCp1252(const std::string& s);   // unknown characters become '?'
// A UTF-8 source literal as the CP1252 text the program works with: cp("Versão ").
std::string cp(const char* utf8);

// The time of day, from the front's clock (a virtual clock moves it too).
struct Date { int day, month, year, weekday; };          // weekday 0 = Sunday
struct Time { int hour, minute, second, hundredths; };
Date currentDate();
Time currentTime();
int64_t wallClockMs();          // the front's, or the system's when there is none
int64_t systemWallClockMs();
// Local date and time of a moment (milliseconds since 1970).
Date dateAt(int64_t epochMs);
Time timeAt(int64_t epochMs);

// Headless options (set by main before the front is made).
struct HeadlessOptions {
    std::string keys;        // key script text (UTF-8)
    std::string screenFile;  // dump at exit
};
HeadlessOptions& headlessOptions();
// Writes the text window as the headless front's screen dump.
bool writeScreenDump(const std::string& file);

}  // namespace plat
