// Screen and dialogue pieces shared by the editors (not for other modules).
#pragma once
#include <cstdint>
#include <string>

namespace editor {
namespace detail {

// Key codes: plain bytes, and extended codes after the 0 byte.
enum : uint8_t { kEnter = 13, kEsc = 27 };
enum : uint8_t {
    kF1 = 59, kF2 = 60, kF7 = 65, kF9 = 67, kUp = 72, kPgUp = 73, kRight = 77, kDown = 80, kPgDn = 81,
};

// The whole 80 x 25 screen as the window.
void wholeScreen();
// The editors' side panel (columns 40-80, rows top..bottom) as the window, cleared on background 0.
void sidePanel(int bottom);
// Clears columns 40-80, rows 7..bottom, to background 0 without changing the window.
void clearPanel(int bottom);
// "Ludivar " and the game file name.
void showGameTitle();
// Writes and speaks a text of our own (CP1252) followed by line ends, as SayMessage does.
void sayText(const std::string& text, int lineEnds);
// "Confirma as alterações? " / "Confirma a remoção? " and one key with echo, then a
// line end.  False when the author answered N or Esc.
bool confirm(const std::string& key);
// Waits for the speech to end and one second more, so that "Desistiu" is heard
// before the screen changes.
void pauseAfterSpeech();
// Shows place or slide s in the small frame until a key waits, then takes it off.
void preview(int place, int slide);
// Reads one spoken key in capitals; an extended key gives 0 (its code is read too).
uint8_t readAnswerKey();

}  // namespace detail
}  // namespace editor
