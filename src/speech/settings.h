// What speech needs to know of the user's configuration, handed down by the
// layer that reads ECOLAR.INI: speech itself never reads the file.
#pragma once
#include <string>

namespace speech {

// How much punctuation speak() names: every mark (the family's way), only the
// marks that change meaning, or none (marks only pause).  Spelling always names them.
enum class Punctuation { All, Some, None };

// Which system voice speaks.  TIPOSAPI numbers name them: 3 the embedded
// engine, 5 and 54 espeak-ng inside the process, every other number the
// speech server (speech-dispatcher).  None: no voice open.
enum class VoiceKind { None = 0, Embedded = 3, Server = 4, Espeak = 5, Espeak54 = 54 };
VoiceKind voiceKindFromNumber(int tiposapi);
int voiceKindNumber(VoiceKind kind);
inline bool inProcessEspeak(VoiceKind k) { return k == VoiceKind::Espeak || k == VoiceKind::Espeak54; }

struct SpeechSettings {
    bool open = false;
    Punctuation punctuation = Punctuation::All;
    int speed = 3;
    std::string lettersFolder = "c:\\sonare\\som\\letras\\";  // ends in "\"
    std::string soundFolder;    // ends in "\" when not empty
    int pausePoint = 250, pauseComma = 150, pauseColon = 200;
    // The per-speed keys of the own synthesizer.
    std::string dbName;
    int corteFon = 0, sobraFon = 0, interPal = 100;
    bool cutPeriods = false, fastRate = false;
    // The own synthesizer's folders as the window's copy of the file names them
    // (no "@" substitution): recordings of number words, and the diphones.
    std::string synthLetters = "c:\\sonare\\som\\letras";
    std::string synthDiphones = "c:\\sonare\\som\\difones";
    // The system voice: whether it speaks now, and how it was asked for.
    bool systemVoice = false;
    VoiceKind voiceKind = VoiceKind::Server;
    int voiceNumber = 0, voiceRate = 0, voicePitch = 0;
    // The embedded engine's files: folder (ends in "\"), base name of the
    // language files, diphone database.
    std::string brisaDir = "c:\\sonare\\brisatts\\";
    std::string brisaBase = "portug";
    std::string brisaDb = "br4";
    // The user's screen reader says what is shown: no voice and no recorded
    // speech of ours (tones stay, they are not speech).
    bool quiet = false;
};
SpeechSettings& speechSettings();
// Fresh settings (tests, and a new configuration).
void resetSpeechSettings();

}  // namespace speech
