// The 80 x 25 text window: cells, cursor, colours, key buffer, Braille keyboard,
// picture over the text.  Coordinates in the interface are 1-based and relative
// to the current text window.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include "platform/platform.h"

namespace con {

struct TextWindow {
    int width = 80, height = 25;
    std::array<uint8_t, 80 * 25> chars{};
    std::array<uint8_t, 80 * 25> attrs{};
    int left = 0, top = 0, right = 79, bottom = 24;  // 0-based, inclusive
    int x = 0, y = 0;                                // relative to the window
    uint8_t textAttr = 15;
    bool coloursChangeable = true;
    std::array<uint8_t, 16> colourTable{};
    std::array<uint8_t, 64> keys{};
    std::array<uint8_t, 64> keyMods{};  // modifiers held (plat::ModShift...) for each waiting code
    int keyCount = 0;
    uint8_t lastMods = 0;
    int brailleMode = 0;
    uint8_t chordKeys = 0, heldKeys = 0;
    bool capitalPending = false, capitalLock = false, numberMode = false;
    bool breakCheck = true;
    bool reading = false;
    int keyReaders = 0;  // readKey and fields under way: Ctrl+C there is a key, not the stop key
    bool textPaintingOff = false;
    bool exists = false;
    bool closed = false;  // closeConsole ran: the program ended the normal way
    bool slowScroll = false;
    std::string title;
    plat::Picture picture;
    bool pictureShown = false;
    int pictureX = 0, pictureY = 0;
    int routePosition = 0;  // 0-based place in the field of the last Braille routing key
};

TextWindow& tw();          // the one text window
void resetTextWindow();    // fresh state (tests)
void ensureWindow();       // creates the window on first use
// Hands the fronts their way into the console: keys, the key buffer, the screen,
// system-voice speech and the quit of a closed window (ensureWindow does it).
void connectFronts();
// Connects the Braille display unless [BRAILLE] LINHA is "N" (ensureWindow does it).
void openBrailleDisplay();
// A routing key of the Braille display arrives as the extended key 0, kBrailleRoute;
// its position in the field is routePosition.
constexpr uint8_t kBrailleRoute = 250;
plat::ScreenView screenView();

void gotoXY(int col, int row);
int whereX();
int whereY();
void setWindow(int left, int top, int right, int bottom);
void clearScreen();
void clearToEndOfLine();
void setTextColor(int c);
void setTextBackground(int c);
uint8_t textAttr();
void setTextAttr(uint8_t a);
void write(const std::string& text);     // CP1252 bytes at the cursor
void writeLn(const std::string& text = std::string());
uint8_t screenChar(int col, int row);
uint8_t screenAttr(int col, int row);
std::string readLineRaw();               // standard-input style line, at most 126

bool keyPressed();
uint8_t readKey();
void pushKey(uint8_t code);
void pushKeyMods(uint8_t code, uint8_t mods);
// Modifiers held for the code readKey returned last (the line editor's Shift
// selection and its Ctrl+Alt+F9 / Alt+Right need them).
uint8_t lastKeyMods();
// Puts a code back in front of the waiting keys (with the modifiers it was read with).
void unreadKey(uint8_t code);
bool lastKeyShift();
void delayMs(int ms);
void pumpMessages();
void setWindowTitle(const std::string& text);
[[noreturn]] void closeConsole();
void copyToClipboard(const std::string& text);
std::string pasteFromClipboard(size_t max);
bool showBitmap(const std::string& file);
void hideBitmap();
void drawBitmap(int x, int y);
void setBreakCheck(bool on);
bool breakCheck();
void setTextPaintingOff(bool off);
void repaintAll();
void setWindowMinimized(bool minimized);

void toneOn(int hz);   // looping tone; traced as "tone <hz>"
void playToneMs(int hz, int ms);
void toneOff();

// Keyboard translation: the fronts hand every key event here.
void keyEvent(const plat::KeyEvent& ev);
// Braille chord table (64 CP1252 characters, indexed by the dots as bits).
const std::string& brailleTable();

// BMP reader: the 40-byte info header form only.  Fails without changing `out`.
bool loadBmp(const std::string& file, plat::Picture& out);
bool decodeBmp(const std::string& bytes, plat::Picture& out);

}  // namespace con
