// Other programs on the desktop: their windows, synthesized keys and pointer
// events, and the desktop clipboard.  On Linux this is the X display named by
// $DISPLAY (XTest, EWMH, the CLIPBOARD selection); every function fails quietly
// when no display can be reached.  Texts are CP1252 bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace desk {

// An X display answers (opened on first use, kept open).
bool available();

// --- keyboard -------------------------------------------------------------
// X keysym numbers, stable across servers (the logic needs no X header for them).
enum : uint32_t {
    SymBackSpace = 0xff08, SymTab = 0xff09, SymReturn = 0xff0d, SymEscape = 0xff1b,
    SymHome = 0xff50, SymLeft = 0xff51, SymUp = 0xff52, SymRight = 0xff53, SymDown = 0xff54,
    SymPrior = 0xff55, SymNext = 0xff56, SymEnd = 0xff57, SymPrint = 0xff61, SymInsert = 0xff63,
    SymF1 = 0xffbe, SymShift = 0xffe1, SymControl = 0xffe3, SymAlt = 0xffe9, SymDelete = 0xffff,
    SymDeadGrave = 0xfe50, SymDeadAcute = 0xfe51, SymDeadCircumflex = 0xfe52, SymDeadTilde = 0xfe53,
    SymDeadDiaeresis = 0xfe57,
};

// The key that produces a keysym in the current layout, with the level
// modifiers (Shift, AltGr) it needs.
struct KeyPlan {
    unsigned keycode = 0;
    bool shift = false, altGr = false;
};
// Reads the layout afresh (it may have changed since the last command).
bool loadKeymap();
bool findKey(uint32_t keysym, KeyPlan& out);
// Down: level modifiers, then the key.  Up: the key, then the level modifiers.
void sendKey(const KeyPlan& key, bool down);
// Waits until the server has handled every event sent.
void sync();

// --- pointer -----------------------------------------------------------------
bool movePointer(int x, int y);
void sendButton(bool down);  // the left button
bool pointerPosition(int& x, int& y);

// --- windows ------------------------------------------------------------------
struct WindowInfo {
    unsigned long id = 0;
    std::string title;  // CP1252
    bool minimized = false, visible = false;
    int frameLeft = 0, frameTop = 0;  // outer edge of the window manager's frame, screen pixels
    int borderLeft = 0;               // width of the frame's left side
};
// The window the window manager says is active.
bool activeWindow(WindowInfo& out);
// Managed top-level windows, topmost first.
std::vector<WindowInfo> topLevelWindows();
enum class WindowAction { Close, Normal, Maximize, Minimize };
bool windowAction(unsigned long id, WindowAction action);

// --- clipboard (the CLIPBOARD selection) --------------------------------------
// Takes the selection and serves it to other programs from a thread of its own.
bool clipboardSet(const std::string& text);
// The selection's text; an empty text when nobody owns it.
bool clipboardGet(std::string& text);
// The selection is still the one this program placed there.
bool clipboardOwnedHere();

}  // namespace desk
