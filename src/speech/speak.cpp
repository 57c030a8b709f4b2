// The own voice: speak cuts a text into numbers, runs of letters and marks
// and hands each to its speaker (number words, the diphone synthesizer, the
// recorded letters); and the short sounds (beep, click, telephone tones).
#include "speech/speak.h"

#include <random>

#include "platform/files.h"
#include "platform/platform.h"
#include "speech/env.h"
#include "speech/lexicon.h"
#include "speech/synth.h"
#include "speech/wave.h"

namespace speech {

namespace {

struct SpeakerState {
    bool speechPending = true;  // a system voice may still be playing
    bool speechAborted = false;
    uint8_t lastPunct = 0;      // repetition tracking of speak()
    int repeatCount = 0;
    std::string clickSamples;   // 256 samples drawn once at start
};
SpeakerState gSp;

constexpr int kToneRate = 11025;

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
// Letters as speak cuts them: ASCII letters and the letters of CP1252 (the
// ordinals, micro and the soft hyphen ride along inside words).  Its quotes,
// dashes, inverted marks and symbols are marks like their ASCII kin, so a
// mark touching a word is still a mark.
bool isRunLetter(uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
        case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:  // Š Œ Ž š œ ž Ÿ
        case 0xAA: case 0xAD: case 0xB5: case 0xBA:  // ª soft hyphen µ º
        // Money and trade signs: the voice's front end reads them as the words they stand for.
        case 0x80: case 0x83: case 0x89: case 0x99: case 0xA2: case 0xA3: case 0xA5:  // € ƒ ‰ ™ ¢ £ ¥
            return true;
        default:
            return c >= 0xC0 && c != 0xD7 && c != 0xF7;  // × ÷ are symbols
    }
}
// Blanks: the no-break space, a list's bullet, and the codes CP1252 leaves undefined.
bool isBlank(uint8_t c) {
    return c == ' ' || c == '\t' || c == 0xA0 || c == 0x95 ||  // no-break space, bullet
           c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}
// The apostrophes that join an elided word ("d'água", "d’água").
bool isApostrophe(uint8_t c) { return c == '\'' || c == 0x92; }

uint8_t upperLatin(uint8_t c) { return (c >= 'a' && c <= 'z') || c > 223 ? uint8_t(c - 32) : c; }
std::string upperLatin(std::string s) {
    for (char& c : s) c = char(upperLatin(uint8_t(c)));
    return s;
}

std::string folderFor(const std::string& name) {
    const SpeechSettings& ss = speechSettings();
    return !name.empty() && name[0] == '_' ? ss.lettersFolder : ss.soundFolder;
}

// Recorded files and tones wait for a system voice still speaking.
void waitPendingVoice() {
    if (!gSp.speechPending) return;
    waitSpeech();
    gSp.speechPending = false;
}

void playRecordedIn(const std::string& folder, const std::string& name) {
    waitPendingVoice();
    if (shouldStop()) return;  // a waiting key cuts every sound before it starts
    plat::trace("play", name);
    playFile(plat::mapPath(folder + name + ".wav"));
}

// A mark's name at the pace of the speed in use: the voice has each name
// recorded per speed in a folder of the letters folder named after the speed's
// diphone database; a voice without it says the one recording of every speed.
void speakMarkName(uint8_t mark) {
    const SpeechSettings& ss = speechSettings();
    const std::string name = "_" + std::to_string(mark);
    if (!ss.dbName.empty()) {
        const std::string paced = ss.lettersFolder + ss.dbName + "\\";
        if (plat::fileExists(paced + name + ".wav")) {
            playRecordedIn(paced, name);
            return;
        }
    }
    playRecordedIn(ss.lettersFolder, name);
}

void playTone(const char* kind, const std::string& samples) {
    waitPendingVoice();
    plat::trace(kind);
    playSamples(reinterpret_cast<const uint8_t*>(samples.data()), samples.size(), kToneRate, 1, 8);
    waitSpeech();
}

const std::string& beepSamples() {
    static const std::string s = [] {
        static const uint8_t pattern[8] = {128, 112, 96, 80, 64, 80, 96, 112};
        std::string b(512, '\0');
        for (size_t i = 0; i < b.size(); ++i) b[i] = char(pattern[i % 8]);
        b.back() = char(128);
        return b;
    }();
    return s;
}

// A mark is said (at the user's punctuation level), then the pause its
// settings give, at every level.
void speakPunctuation(uint8_t mark, uint8_t next) {
    if (shouldStop()) return;
    waitSpeech();
    if (markNamed(mark)) speakMarkName(mark);
    const SpeechSettings& ss = speechSettings();
    int pause = 0;
    switch (mark) {
        case '(': case ')': case ':': case ';': pause = ss.pauseColon; break;
        case ',': case '-': case 0x96: case 0x97: pause = next == ' ' ? ss.pauseComma : 0; break;  // – —
        case '.': case 0x85: pause = next == ' ' ? ss.pausePoint : 0; break;  // …
        default: break;
    }
    for (int n = pause / 50; n > 0 && !shouldStop(); --n) delayMs(50);
}

// The own voice on a whole text.
void speakOwn(const std::string& text) {
    SpeakerState& c = gSp;
    const std::string t = text + " ";
    c.speechAborted = false;
    size_t i = 0;
    while (i < t.size() && !c.speechAborted) {
        if (shouldStop()) {
            stopSpeech();
            break;
        }
        const uint8_t ch = uint8_t(t[i]);
        // A row of marks is a run of the same mark: words, numbers and blanks
        // end it, so the blanks between numbers or empty texts never click.
        const bool mark = !(ch >= '0' && ch <= '9') && !isRunLetter(ch) && !isBlank(ch);
        if (!mark) {
            c.lastPunct = 0;
            c.repeatCount = 0;
        }
        if (ch == '0') {
            speakRecorded("_zero");
            ++i;
            continue;
        }
        if (ch >= '1' && ch <= '9') {
            size_t j = i;
            bool dash = false;
            while (j < t.size() && (isDigit(uint8_t(t[j])) || t[j] == '-')) dash |= t[j++] == '-';
            const std::string run = t.substr(i, j - i);
            i = j;
            if (dash || run.size() >= 7) spell(run);
            else speakNumberWords(numberToWords(run), false);
            continue;
        }
        if (isRunLetter(ch)) {
            size_t j = i;
            // The apostrophe of d'água stays in the run, for the front end to join the words.
            auto elision = [&](size_t k) {
                return isApostrophe(uint8_t(t[k])) && (t[k - 1] == 'd' || t[k - 1] == 'D') && k + 1 < t.size() &&
                       isRunLetter(uint8_t(t[k + 1]));
            };
            while (j < t.size() && (isRunLetter(uint8_t(t[j])) || t[j] == ' ' || elision(j))) ++j;
            std::string run = t.substr(i, j - i);
            i = j;
            if (upperLatin(run) == "WWW") {
                spell(run);
            } else {
                if (run.size() > 999) run.resize(999);
                synthSpeak(transcribeText(run));
            }
            // Hyphenated words are read as one: the dash between letters is dropped.
            // A dash after a blank ("sim -nada") joins nothing: it is a mark.
            if (i + 1 < t.size() && t[i] == '-' && isRunLetter(uint8_t(t[i + 1])) && t[i - 1] != ' ') ++i;
            continue;
        }
        // Any other character: rows of the same mark are shortened to clicks.
        if (ch == c.lastPunct) ++c.repeatCount;
        else c.repeatCount = 0;
        c.lastPunct = ch;
        uint8_t k = ch;
        if (c.repeatCount > 3) {
            click();
            if (ch != '-') k = ' ';
        }
        const uint8_t next = i + 1 < t.size() ? uint8_t(t[i + 1]) : 0;
        if (k == '-') {
            if (t.size() - i < 3 || next == ' ' || next == '-') speakPunctuation('-', next);
            else if (isDigit(next)) speakRecorded("_MENOS");
            else if (markNamed('-')) speakMarkName('-');
        } else if (t.compare(i, 3, "://") == 0) {
            spell(":");
        } else if (isBlank(k)) {
            // silent
        } else if (k == '(' || k == ')' || k == ',' || k == '.' || k == ':' || k == ';' || k == 0x85 || k == 0x96 ||
                   k == 0x97) {
            speakPunctuation(k, next);
        } else if (!shouldStop() && markNamed(k)) {
            speakMarkName(k);
        }
        ++i;
    }
}

}  // namespace

void resetSpeaker() { gSp = SpeakerState(); }

void ensureClickSamples() {
    if (!gSp.clickSamples.empty()) return;
    std::random_device rd;
    std::mt19937 gen(rd());
    std::uniform_int_distribution<int> dist(128, 187);
    std::string s(256, char(128));
    for (int i = 0; i < 64; ++i) s[i] = char(dist(gen));
    gSp.clickSamples = s;
}

// Symbols (@, %, +, ...) carry content and are named at every level; of the
// punctuation proper, the level "alguma" keeps the marks that change a
// sentence's meaning: questions, exclamations and every kind of bracket.
bool markNamed(uint8_t mark) {
    const Punctuation level = speechSettings().punctuation;
    if (level == Punctuation::All) return true;
    switch (mark) {
        case '?': case '!': case '(': case ')': case '[': case ']': case '{': case '}':
        case 0xA1: case 0xBF:  // ¡ ¿
            return level == Punctuation::Some;
        case ',': case '.': case ':': case ';': case '-': case '"': case '\'':
        case 0x82: case 0x84: case 0x85: case 0x8B: case 0x9B:  // ‚ „ … ‹ ›
        case 0x91: case 0x92: case 0x93: case 0x94: case 0x96: case 0x97:  // ‘ ’ “ ” – —
        case 0xAB: case 0xBB:  // « »
            return false;
        default:
            return true;
    }
}

bool isSpeaking() {
    if (shouldStop()) {
        stopSpeech();
        return false;
    }
    if (isPlaying()) return true;
    return systemVoiceBusy();
}

void stopSpeech() {
    stopPlayback();
    gSp.speechAborted = true;
    systemVoiceStop();
    plat::trace("stop");
}

void waitSpeech() {
    while (isSpeaking()) delayMs(5);
}

// Quiet for the screen reader's sake, but never when the speech is going into a
// file: that was asked for by name.
bool keptQuiet() { return speechSettings().quiet && !capturing(); }

void speakChar(uint8_t ch) {
    if (!keptQuiet()) playRecordedIn(speechSettings().lettersFolder, "_" + std::to_string(ch));
}

void speakRecorded(const std::string& name) {
    if (!keptQuiet()) playRecordedIn(folderFor(name), name);
}

std::string recordedPath(const std::string& name) { return plat::mapPath(folderFor(name) + name + ".wav"); }

bool recordedExists(const std::string& name) { return plat::fileExists(folderFor(name) + name + ".wav"); }

void spell(const std::string& text) {
    for (char c : text) {
        if (shouldStop()) return;
        speakChar(uint8_t(c));
    }
}

void speak(const std::string& text) {
    plat::trace("speak", text);
    if (keptQuiet()) return;
    // The pronunciation dictionaries change what is heard, never what is shown.
    const std::string said = spokenForm(text);
    if (systemVoiceActive()) {
        // The voice reads numbers, words and marks itself: the text goes whole.
        waitSpeech();
        if (!shouldStop()) {
            systemVoiceSpeak(said);
            gSp.speechPending = true;
        }
        return;
    }
    speakOwn(said);
}

void beep() { playTone("beep", beepSamples()); }

void click() {
    ensureClickSamples();
    if (shouldStop()) return;
    const bool cutting = cutPeriodsOn();
    setCutPeriods(false);
    playTone("click", gSp.clickSamples);
    setCutPeriods(cutting);
}

void playDtmf(const std::string& text) {
    const bool fast = waveState().fastRate;
    setFastRate(false);
    for (char raw : text) {
        if (shouldStop()) break;
        const uint8_t c = upperLatin(uint8_t(raw));
        if (isDigit(c) || c == '#' || c == '*') {
            playRecordedIn(speechSettings().lettersFolder, std::string("dtmf_") + char(c == '*' ? 'X' : c));
            delayMs(100);
        } else if (c == ',') {
            delayMs(1000);
        }
    }
    setFastRate(fast);
}

}  // namespace speech
