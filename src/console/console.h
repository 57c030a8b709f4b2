// The speaking console: everything written is shown and spoken, every key read
// can be echoed, and lines are read through a spoken line editor.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "speech/speak.h"

namespace con {

struct ConsoleState {
    bool echoTyped = true;      // editField speaks each typed character
    // Starts a program for openDocument; empty program = the desktop's association.
    // Tests put a recorder here; the headless front never starts anything.
    bool (*launcher)(const std::string& program, const std::vector<std::string>& args) = nullptr;
};
ConsoleState& console();
// Fresh console and speaker state; the console's hooks are registered with speech.
void resetConsole();
// Registers what speech needs from the console (keys, waits, the pump).
void connectSpeech();

// Speaking itself lives in speech; the console and the layers above call it
// through these names.
using speech::ensureClickSamples;
using speech::isSpeaking;
using speech::recordedExists;
using speech::recordedPath;
using speech::speak;
using speech::speakChar;
using speech::speakRecorded;
using speech::spell;
using speech::stopSpeech;
using speech::waitSpeech;
using speech::click;
using speech::playDtmf;

void writeAndSpeak(const std::string& text);
void writeLineAndSpeak(const std::string& text);
uint8_t readKeyAndSpeak();
void readKeyWithEcho(uint8_t& ch, uint8_t& ext);
int editField(std::string& text, int col, int row, int maxLen, int width, bool editable);
// A text F1 says in the next fields edited once no word is left to read (an empty
// field, or the cursor past the last word) instead of beeping; empty: the beep.
void setFieldHelp(const std::string& text);
int editFieldToEdge(std::string& text, int col, int row, int maxLen, bool editable);
void readLine(std::string& text);
void errorBeep();
void flushKeys();
// Opens a document, an address or a program with the desktop.  During a game
// the gate registered by the layer that confines games decides first.
void openDocument(const std::string& name);
enum class DocumentKind { Program, Document };
using DocumentGate = bool (*)(DocumentKind kind, const std::string& name);
void setDocumentGate(DocumentGate gate);

// Ctrl+Alt+F9 in the line editor and in menus enters screen review; installed by the
// review module.
using ReviewHook = void (*)();
void setReviewHook(ReviewHook hook);
// For readers of their own keys (menus, lists): runs the review when the extended key
// `ext` just read is Ctrl+Alt+F9, and says so.
bool reviewOnKey(uint8_t ext);

}  // namespace con
