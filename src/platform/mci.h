// Media command strings in the manner of the Windows MCI: the player's place and
// slide media and the script's TOCA and MCI commands all speak through here.
// Every command sent appears in the sound trace as "media <command>".
#pragma once
#include <string>

namespace media {

// Error codes returned by mciSend (0 is success).
enum : int {
    kOk = 0,
    kErrUnrecognizedKeyword = 259,
    kErrUnrecognizedCommand = 261,
    kErrDeviceNotOpen = 263,
    kErrMissingParameter = 273,
    kErrBadArgument = 274,
    kErrFileNotFound = 275,
    kErrAliasInUse = 289,
    kErrUnsupportedFile = 296,
};

// Sends one command string (CP1252), for example
//   open "c:\jogos\som.wav" alias midiaLugar
//   play midiaLugar notify        status midiaLugar mode
//   window midiaSlide handle 1234 put midiaSlide destination
//   stop midiaLugar               close midiaLugar
//   play c:\jogos\som.wav         (opens the file by itself and closes it at the end)
// File names are the program's own (Windows-style, mapped with plat::mapPath).
// Gives 0 on success or an error code; `result` (when given) receives the reply
// text, e.g. "playing" / "stopped" for "status ... mode".
int mciSend(const std::string& command, std::string* result = nullptr);

// Text of an error code, for the script's MCI command and diagnostics.
std::string mciErrorText(int code);

// "play ... notify": the callback runs, on the program's thread, once the device
// has played to its end (not when it is stopped or closed). One callback per alias;
// an empty function removes it.
using NotifyFn = void (*)(const std::string& alias);
void setNotify(const std::string& alias, NotifyFn fn);

// Delivers pending end-of-play notifications; cheap, called by every poll of the
// media state (status, the player's waits).
void pollMedia();

// Closes every device and forgets every alias (tests, program end); a registered
// wait stays.
void resetMedia();

// "play ... wait" passes time in steps of 50 ms through this: the program registers
// its console's delay at start-up, which keeps the window, the Braille display and
// the voices going.  Without one the front sleeps and pumps its events.
using WaitFn = void (*)(int ms);
void setWaitHook(WaitFn fn);

// Decodes a JPEG picture at its full size and saves it as a 24-bit Windows BMP
// file (replacing one that exists). Both names are the program's own names.
bool jpegToBmp(const std::string& jpegPath, const std::string& bmpPath);

}  // namespace media
