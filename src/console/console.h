// The speaking console: everything written is shown and spoken, every key read
// can be echoed, and lines are read through a spoken line editor.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace con {

struct ConsoleState {
    bool echoTyped = true;      // editField speaks each typed character
    bool speechPending = true;  // a system voice may still be playing
    bool speechAborted = false;
    uint8_t lastPunct = 0;      // repetition tracking of speak()
    int repeatCount = 0;
    std::string clickSamples;   // 256 samples drawn once at start
    // Starts a program for openDocument; empty program = the desktop's association.
    // Tests put a recorder here; the headless front never starts anything.
    bool (*launcher)(const std::string& program, const std::vector<std::string>& args) = nullptr;
};
ConsoleState& console();
void resetConsole();
void ensureClickSamples();   // draws the click's random part once

void speak(const std::string& text);
void speakChar(uint8_t ch);
void speakRecorded(const std::string& name);
bool recordedExists(const std::string& name);
std::string recordedPath(const std::string& name);  // Linux path of the WAV file
void spell(const std::string& text);
bool isSpeaking();
void stopSpeech();
void waitSpeech();   // wait while isSpeaking
void writeAndSpeak(const std::string& text);
void writeLineAndSpeak(const std::string& text);
uint8_t readKeyAndSpeak();
void readKeyWithEcho(uint8_t& ch, uint8_t& ext);
int editField(std::string& text, int col, int row, int maxLen, int width, bool editable);
int editFieldToEdge(std::string& text, int col, int row, int maxLen, bool editable);
void readLine(std::string& text);
void errorBeep();
void click();
void flushKeys();
void playDtmf(const std::string& text);
void openDocument(const std::string& name);

// Ctrl+Alt+F9 in the line editor enters screen review; installed by the review module.
using ReviewHook = void (*)();
void setReviewHook(ReviewHook hook);

}  // namespace con
