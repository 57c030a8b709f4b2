// ECOLAR.INI and the speech settings: where the file is, how keys are read,
// and opening, routing and closing of speech.
#pragma once
#include <array>
#include <map>
#include <string>

#include "speech/settings.h"
#include "speech/speak.h"

namespace con {

// Profile rules: sections and keys without regard to case, values cut to `maxLen`.
// Reads the file named (a Linux path); empty when absent.
std::string iniRead(const std::string& file, const std::string& section,
                    const std::string& key, size_t maxLen = 255);
bool iniHasKey(const std::string& file, const std::string& section, const std::string& key);
// The same rules on a text already in memory (CP1252 or UTF-8, CR LF or LF).
std::string iniReadText(const std::string& text, const std::string& section,
                        const std::string& key, size_t maxLen = 255);
bool iniTextHasKey(const std::string& text, const std::string& section, const std::string& key);

// Where ECOLAR.INI is: --ini, else the user's settings folder, else the defaults
// shipped with the program.  Never the start folder nor a game's folder: those come
// with downloads, and the file names programs to start and folders a game may read.
void setIniOverride(const std::string& linuxPath);
std::string iniPath();          // the file the settings come from ("" when none exists)
// The folder Ludivar was started in: "@" stands for it when PGMECOLAR is empty.
void setStartFolder(const std::string& dir);
std::string startFolder();

int parseIntOr(const std::string& s, int dflt);
// A number of ECOLAR.INI: parsed as parseIntOr does, then kept within the range that
// makes sense for that key (per-speed keys of [SINTETIZADOR] are named with their digit).
int settingNumber(const std::string& section, const std::string& key, const std::string& text, int dflt);
// "@" substitution alone: `pgm` is PGMECOLAR as read (the start folder stands in
// when it is empty or itself begins with "@").
std::string substituteAt(const std::string& value, const std::string& pgm);

// The speech settings live in speech; the console reads them from the file and
// hands them down.
using speech::Punctuation;
using speech::SpeechSettings;
using speech::speechSettings;
using speech::VoiceKind;
// TODA, ALGUMA, NENHUMA as [TRADUTOR] PONTUACAO writes them; anything else is All.
Punctuation punctuationFromText(const std::string& text);
const char* punctuationText(Punctuation p);

// [SINTETIZADOR] keys of one speed (DIFONES3, CORTEFON3, ...).
struct SpeedKeys {
    std::string diphones;  // DIFONESn, cut to 8 characters
    int corteFon = 0, sobraFon = 0, interPal = 0;
    bool cutPeriods = false, fastRate = false;  // CORTAFALAn, RAPIDINHOn
    int pausePoint = 250, pauseComma = 150, pauseColon = 200;
};

// Every key the program reads, read once from the one file iniPath() names (and the
// kept settings).  Texts are CP1252; an empty text means the key is absent or empty,
// and the reader applies its own default.  Numbers are within settingNumber's ranges.
// Keys marked "@" have the program folder substituted.
struct Settings {
    std::string file;               // the ECOLAR.INI read ("" when none)
    bool fromCommandLine = false;   // --ini: the kept settings do not apply

    // [ECOLAR]
    std::string programFolder;      // PGMECOLAR, as written
    int programReturnWaitMs = 500;  // TEMPOESPERAPROGVOLTAR
    std::map<std::string, std::string> programs;  // PROG.<ext> by upper-case ext (@)

    // [LUDIVAR] (@)
    std::string gamesFolder;        // DIRJOGOS
    std::string soundsFolder;       // DIRLUDIVAR
    std::string editor;             // EDITOR
    bool resumeGames = true;        // RETOMAR: anything but NAO asks to resume
    enum class Pupil { SystemUser, Ask, Anonymous };
    Pupil aluno = Pupil::SystemUser;  // ALUNO: PERGUNTAR asks once per start, NAO records no name

    // [TRADUTOR] (@ but DIRDIFONES), with the kept settings over the file
    int speed = 3;                  // 1-5: kept speed, else VELOCIDADE
    Punctuation punctuation = Punctuation::All;  // kept level, else PONTUACAO
    bool systemVoice = false;       // SAPI set and not beginning with N
    std::string lettersFolder;      // DIRLETRAS
    std::string diphonesFolder;     // DIRDIFONES
    // LEITORTELA=ORCA: the user's screen reader speaks the screen, Ludivar stays silent.
    enum class ScreenReader { None, Orca };
    ScreenReader screenReader = ScreenReader::None;

    std::array<SpeedKeys, 5> speeds;  // [SINTETIZADOR] (@), speed n at [n - 1]

    // [SERVFALA] (@)
    int voiceType = 0;              // TIPOSAPI as written
    int voice = 0, voiceRate = 0, voicePitch = 0;  // VOZ, VELOCIDADE, TOM

    // [BRISATTS] (@)
    std::string engineFolder, engineBase, engineVoice;  // DIR, BASE, MBROLA_DB

    // [VIDEO] and [BRAILLE], 80 characters at most
    std::string colourTable;        // TABCORES, the window parses it
    bool fixedColours = false;      // CORESFIXAS=S
    bool slowScroll = false;        // LENTO=S
    int background = 0, foreground = 15;  // CORFUNDO, CORLETRA
    int magnifier = 2;              // AMPLIF 1-7
    std::string fontFace;           // FONTE
    int fontWidth = 0, fontHeight = 0, fontWeight = 700;  // LARGURALETRA, ALTURALETRA, PESOLETRA
    bool normalSize = true;         // CANTOTELA empty or S
    int brailleMode = 0;            // MODO: 0 off, 1 or 2
    bool brailleLine = true;        // LINHA empty or not N
    std::string brailleTable = "pt-pt-g1.utb";  // TABELA: a liblouis table; "" for computer braille

    // [SEGURANCA]
    std::string trustedFolders;     // PASTASCONFIAVEIS, ";" between folders (4096 at most)
    bool pupilMode = false;         // MODOALUNO=SIM: the session ends with the game played

    // PROG.<ext>, "" when none is set.
    std::string programFor(const std::string& ext) const;
};
// The settings in force; read on first use when loadSettings was not called.
const Settings& settings();
// Reads them again: at start, when speech reopens, after a kept setting changes.
void loadSettings();
// The settings an ECOLAR.INI text gives, with the kept settings' text over it
// (empty when none or under --ini).
Settings settingsFromText(const std::string& iniText, const std::string& keptText);

// Fresh settings, no override, start folder forgotten, no system voice (tests).
void resetConfig();

// The speed actually used for a requested one: 0 or below takes the kept speed,
// else [TRADUTOR] VELOCIDADE; anything outside 1-5 gives 3.
int effectiveSpeed(int requested);
// Takes the per-speed keys of [SINTETIZADOR] into the speech settings and hands them to
// the synthesizer's and the playback's switches.
void readSpeedKeys(int speed);

// Reads the speech settings from the file and opens speech with them.
// Returns normally on success; on failure of the own synthesizer it reports,
// waits for Enter and ends the program.
void startSpeech(int speed, const std::string& soundFolder);
// The level the user kept last (Ctrl+P), else [TRADUTOR] PONTUACAO.
Punctuation configuredPunctuation();
bool keepPunctuation(Punctuation p);
// The same, giving the synthesizer's failure code (0 on success) instead of ending.
int trySpeech(int speed, const std::string& soundFolder);
void endSpeech();

// Settings the user changes while running and expects to find at the next start (the
// speed chosen with Ctrl+F4) live in ludivar.ini of the configuration folder, never in
// the shipped data; they apply unless --ini names a configuration.
std::string keptSettingsPath();
bool keepSpeed(int speed);
// Sets one key of an INI file (made when missing), keeping every other line.
bool iniWriteKey(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

// `ludivar --speak TEXT --wav F`: the text with the configured voice into a WAV
// file, speech opened for it when it is not.  0 on success, else a message on
// stderr and 1.
int speakToWav(const std::string& textCp1252, const std::string& wavPath);

// System voices are speech's (speech/speak.h); these names stay for callers.
using speech::builtinSystemVoiceOps;
using speech::kSystemVoiceMissing;
using speech::setSystemVoiceOps;
using speech::systemVoiceActive;
using speech::systemVoiceBusy;
using speech::systemVoiceProducing;
using speech::systemVoiceSpeak;
using speech::systemVoiceStop;
using speech::SystemVoiceOps;

}  // namespace con
