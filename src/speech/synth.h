// The own diphone synthesizer, its text-to-phonetics front end and the number speaker.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace speech {

struct SynthSettings {
    // Folders of the number-word recordings and of the diphones; empty = the defaults.
    std::string letters, diphones;
    std::string dbName;   // DIFONESs
    int corteFon = 0, sobraFon = 0, interPal = 100;
};
// 0 ok, 1 folders or database files missing, 2 rules or exceptions not loaded.
int synthOpen(const SynthSettings& s);
void synthClose();
bool synthIsOpen();
// Speaks a phonetic transcription (waits while it plays; a key cuts it).
void synthSpeak(const std::string& transcription);
// Text (letters and blanks) -> phonetic transcription.
std::string transcribeText(const std::string& text);

// Numbers: digits (up to 15) -> words separated by blanks; spoken from recordings.
std::string numberToWords(const std::string& digits);
void speakNumberWords(const std::string& words, bool feminine);
void speakTime();
void speakDate();

// ---- added by the speech module -------------------------------------------
// Linux path of a recording of the letters folder ([TRADUTOR] dirLetras).
std::string letterFilePath(const std::string& name);
// Recording name of one number word ("dezessete" -> "_dezeset", cut to 8).
std::string numberWordFile(const std::string& word);
// The recordings that speakTime and speakDate play, in order.
std::vector<std::string> timeWordFiles(int hour, int minute);
std::vector<std::string> dateWordFiles(int day, int month, int year, int weekday);
// Recording names of a string of number words; feminine turns a last "um"/"dois" into "uma"/"duas".
void appendWordNames(std::vector<std::string>& out, const std::string& words, bool feminine);
// Every number, time and date recording with what it says (CP1252), for the voice builder.
std::vector<std::pair<std::string, std::string>> numberRecordings();

// Speaks a text (CP1252) with the open voice into a WAV file: the own synthesizer's
// sound as 8-bit mono 11025 Hz, the embedded engine's as it writes it, espeak-ng's at
// its own rate.  False with the reason (UTF-8) when there is no file.
bool renderToWav(const std::string& textCp1252, const std::string& wavPath, std::string& problem);
// Why speech-dispatcher's voice gives no file (UTF-8).
extern const char* const kServerWritesNoFile;

}  // namespace speech
