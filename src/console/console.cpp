// The speaking console: what is written is shown and spoken (speaking itself
// is speech's), keys are echoed, and lines are read through the line editor.
#include "console/console.h"

#include <algorithm>

#include "console/config.h"
#include "console/textwin.h"
#include "platform/braille.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "speech/env.h"
#include "speech/synth.h"
#include "speech/wave.h"
#include "util/text.h"

namespace con {

namespace {

ConsoleState gCon;
ReviewHook gReviewHook = nullptr;
DocumentGate gDocumentGate = nullptr;

// The longest field the editor takes.
constexpr int kMaxFieldLen = 2048;

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
// Letters as the line editor moves over words: ASCII and the Latin-1 letters.
bool isWordLetter(uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    if (c >= 192) return c != 215 && c != 247;
    return c == 138 || c == 140 || c == 142 || c == 154 || c == 156 || c == 158 || c == 159 ||
           c == 170 || c == 186;
}
int wordClass(uint8_t c) { return isWordLetter(c) ? 1 : isDigit(c) ? 2 : 0; }

bool defaultLauncher(const std::string& program, const std::vector<std::string>& args) {
    // Tests and automation never start desktop programs.
    if (plat::haveFront() && plat::front().unattended()) return false;
    if (program.empty()) return !args.empty() && plat::openWithDesktop(args[0]) > 0;
    return plat::spawnProgram(program, args) > 0;
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
    std::string p(prefix);
    return s.size() >= p.size() && util::upperLatin(s.substr(0, p.size())) == util::upperLatin(p);
}

}  // namespace

ConsoleState& console() { return gCon; }

void resetConsole() {
    gCon = ConsoleState();
    gReviewHook = nullptr;
    speech::resetSpeaker();
    connectSpeech();
}

void connectSpeech() {
    speech::Env e;
    e.keyWaiting = keyPressed;
    e.keyQueued = [] { return tw().keyCount > 0; };
    e.delayMs = delayMs;
    e.pump = pumpMessages;
    speech::setEnv(e);
}

void setReviewHook(ReviewHook hook) { gReviewHook = hook; }

bool reviewOnKey(uint8_t ext) {
    if (ext != 102 || !gReviewHook || !(lastKeyMods() & plat::ModAlt)) return false;
    gReviewHook();
    return true;
}

void setDocumentGate(DocumentGate gate) { gDocumentGate = gate; }

void writeAndSpeak(const std::string& text) {
    write(text);
    // The display has it before the voice starts; the answer goes after it.
    brl::show(brl::Content::Message, text, int(text.size()));
    pumpMessages();
    speak(text);
}

void writeLineAndSpeak(const std::string& text) {
    write(text);
    brl::show(brl::Content::Message, text);
    pumpMessages();
    speak(text);
    writeLn();
}

uint8_t readKeyAndSpeak() {
    uint8_t c = readKey();
    stopSpeech();
    speakChar(c);
    return c;
}

void readKeyWithEcho(uint8_t& ch, uint8_t& ext) {
    for (;;) {
        waitSpeech();
        ch = readKey();
        ext = 32;
        if (ch == 0) {
            ext = readKey();
            if (ext >= 16 && ext <= 18) ch = readKey();
        }
        if (ch == 0 && ext == 66) {
            speech::speakTime();
            continue;
        }
        if (ch == 0 && ext == 101) {  // Ctrl+F8, as in the line editor: the date
            speech::speakDate();
            continue;
        }
        if (ch > 31) {
            // Shown first: a low-vision user sees it while it is said.
            write(std::string(1, char(ch)));
            speakChar(ch);
        }
        return;
    }
}

// ---- sounds ------------------------------------------------------------------------

void errorBeep() {
    flushKeys();
    speech::beep();
}

void flushKeys() {
    while (keyPressed()) readKey();
}

// ---- documents -------------------------------------------------------------------

void openDocument(const std::string& name) {
    const std::string doc = util::trim(name);
    if (doc.empty()) return;
    // During a game the word may be the game's own text: the gate asks the pupil.
    if (gDocumentGate) {
        const size_t dot = doc.find('.');
        const std::string ext = dot == std::string::npos ? std::string() : util::upperLatin(doc.substr(dot + 1, 3));
        const bool program = ext == "EXE" || ext == "COM";
        if (!gDocumentGate(program ? DocumentKind::Program : DocumentKind::Document, doc)) return;
    }
    auto launch = gCon.launcher ? gCon.launcher : defaultLauncher;
    std::string program;
    std::vector<std::string> args;
    if (startsWithNoCase(doc, "http://") || startsWithNoCase(doc, "https://") || startsWithNoCase(doc, "www.")) {
        program = settings().programFor("HTM");
        std::string url = plat::cp1252ToUtf8(doc);
        // The desktop needs a scheme to know it is an address.
        if (program.empty() && startsWithNoCase(doc, "www.")) url = "http://" + url;
        args.push_back(url);
    } else {
        const size_t dot = doc.find('.');
        const std::string ext = dot == std::string::npos ? std::string() : util::upperLatin(doc.substr(dot + 1, 3));
        if (ext == "EXE" || ext == "COM") {
            const bool absolute = (doc.size() >= 2 && doc[1] == ':') || doc[0] == '\\' || doc[0] == '/';
            program = absolute ? plat::mapPath(doc) : plat::currentDir() + "/" + plat::mapPath(doc);
        } else {
            if (!ext.empty()) program = settings().programFor(ext);
            args.push_back(plat::mapPath(doc));
        }
    }
    if (!program.empty()) program = plat::mapPath(program);
    waitSpeech();
    launch(program, args);
    waitSpeech();
}

// ---- the line editor ---------------------------------------------------------

namespace {

struct Field {
    std::string text;  // always maxLen characters
    int col = 1, row = 1, maxLen = 0, width = 0;
    int pos = 1, first = 1;
    bool editable = true;
    bool selActive = false;
    int anchor = 1, selEnd = 1;  // selected: [min, max) in 1-based positions

    bool hasSel() const { return selActive && anchor != selEnd; }
    int selLo() const { return std::min(anchor, selEnd); }
    int selHi() const { return std::max(anchor, selEnd); }
    uint8_t at(int p) const { return p >= 1 && p <= maxLen ? uint8_t(text[p - 1]) : uint8_t(' '); }

    int lastNonBlank() const {
        int p = maxLen;
        while (p >= 1 && text[p - 1] == ' ') --p;
        return p;
    }
    bool nonBlankFrom(int p) const { return lastNonBlank() >= p; }

    void keepInView() {
        if (pos < first) first = pos;
        if (pos > first + width) first = pos - width;
        if (first < 1) first = 1;
    }

    void draw(bool highlight) {
        keepInView();
        gotoXY(col, row);
        const int start = first - 1;
        const int len = std::max(0, std::min(width, maxLen - start));
        std::string vis = len > 0 ? text.substr(size_t(start), size_t(len)) : std::string();
        // A control code from a file would move the cursor or scroll when written.
        for (char& c : vis)
            if (uint8_t(c) < 32) c = ' ';
        const int lo = std::max(selLo(), first), hi = std::min(selHi(), first + len);
        if (highlight && hasSel() && lo < hi) {
            const uint8_t attr = textAttr();
            write(vis.substr(0, size_t(lo - first)));
            setTextAttr(uint8_t(0x80 | (attr & 0x0F)));
            write(vis.substr(size_t(lo - first), size_t(hi - lo)));
            setTextAttr(attr);
            write(vis.substr(size_t(hi - first)));
        } else {
            write(vis);
        }
        if (len < 80) clearToEndOfLine();
        gotoXY(col + pos - first, row);
        // The display gets the whole field, not the part the window shows.
        brl::show(brl::Content::Field, text.substr(0, size_t(std::max(lastNonBlank(), std::min(pos, maxLen)))),
                  pos - 1);
    }

    void removeAt(int p, int count) {
        text.erase(size_t(p - 1), size_t(count));
        text.append(size_t(count), ' ');
    }
    void clear() { text.assign(size_t(maxLen), ' '); }
    std::string trimmedText() const { return text.substr(0, size_t(lastNonBlank())); }
};

int fieldWidthToEdge(int col) {
    const int winW = tw().right - tw().left + 1;
    return std::max(1, winW - col - 1);
}

void deletedSound(const std::string& removed) {
    speakRecorded("_DEL");
    spell(removed);
}

void backspace(Field& f) {
    if (f.pos == 1) {
        errorBeep();
        return;
    }
    --f.pos;
    const uint8_t d = f.at(f.pos);
    if (f.editable) f.removeAt(f.pos, 1);
    f.draw(true);
    deletedSound(std::string(1, char(d)));
}

// Ctrl+Backspace: the word at or before the cursor and the blanks after it.
void deleteWord(Field& f) {
    const int last = f.lastNonBlank();
    int p = std::min(f.pos, f.maxLen);
    if (p < 1 || p > last || f.at(p) == ' ') {
        p = std::min(f.pos - 1, last);
        while (p >= 1 && f.at(p) == ' ') --p;
    }
    if (p < 1) {
        errorBeep();
        return;
    }
    int s = p, e = p;
    while (s > 1 && f.at(s - 1) != ' ') --s;
    while (e < f.maxLen && f.at(e + 1) != ' ') ++e;
    int blanksEnd = e;
    while (blanksEnd < f.maxLen && f.at(blanksEnd + 1) == ' ') ++blanksEnd;
    // Up to the next word; after the last word only the blanks the cursor passed
    // (the rest is the field's padding, not worth hearing).
    if (blanksEnd < last) e = blanksEnd;
    else e = std::max(e, std::min(blanksEnd, f.pos - 1));
    const std::string removed = f.text.substr(size_t(s - 1), size_t(e - s + 1));
    if (f.editable) f.removeAt(s, e - s + 1);
    f.pos = s;
    f.draw(true);
    deletedSound(removed);
}

void deleteKey(Field& f) {
    if (f.hasSel()) {
        const int lo = f.selLo(), hi = f.selHi();
        const std::string removed = f.text.substr(size_t(lo - 1), size_t(hi - lo));
        if (f.editable) f.removeAt(lo, hi - lo);
        f.pos = lo;
        f.selActive = false;
        f.draw(true);
        deletedSound(removed);
        return;
    }
    if (f.pos > f.lastNonBlank()) {
        errorBeep();  // nothing under the cursor
        return;
    }
    const uint8_t d = f.at(f.pos);
    if (f.editable) f.removeAt(f.pos, 1);
    f.draw(true);
    deletedSound(std::string(1, char(d)));
}

void typeChar(Field& f, uint8_t ch, bool firstKey) {
    if (firstKey && f.nonBlankFrom(f.pos)) {
        click();
        click();
        if (f.editable) f.clear();
    }
    if (!f.editable) return;
    if (f.pos > f.maxLen) {
        errorBeep();
        return;
    }
    f.text.insert(size_t(f.pos - 1), 1, char(ch));
    f.text.resize(size_t(f.maxLen));
    ++f.pos;
    f.draw(true);
    if (gCon.echoTyped) speakChar(ch);
}

void copySelection(const Field& f) {
    if (f.hasSel()) copyToClipboard(f.text.substr(size_t(f.selLo() - 1), size_t(f.selHi() - f.selLo())));
    else copyToClipboard(f.trimmedText() + "\r\n");
}

void paste(Field& f, bool firstKey) {
    // A field that may not be changed takes no text from the clipboard either.
    if (!f.editable) {
        errorBeep();
        return;
    }
    std::string clip = pasteFromClipboard(size_t(f.maxLen) + 1);
    const size_t eol = clip.find_first_of("\r\n");
    if (eol != std::string::npos) clip.resize(eol);
    for (char& c : clip)
        if (uint8_t(c) < 32) c = ' ';
    if (clip.empty()) {
        errorBeep();
        return;
    }
    if (firstKey && f.nonBlankFrom(f.pos)) {
        click();
        click();
        f.clear();
        f.selActive = false;
    }
    int start = f.pos;
    if (f.hasSel()) {
        start = f.selLo();
        f.removeAt(start, f.selHi() - start);
    }
    f.text.insert(size_t(start - 1), clip);
    f.text.resize(size_t(f.maxLen), ' ');
    const int end = std::min(start + int(clip.size()), f.maxLen + 1);
    f.selActive = true;
    f.anchor = start;
    f.selEnd = end;
    f.pos = end;
}

// F1: from the cursor to the end of the word, and the cursor past it.
// Said by F1 once no word is left to read: what the field being edited takes.
std::string gFieldHelp;

void readWord(Field& f) {
    const int last = f.lastNonBlank();
    int p = f.pos;
    while (p <= last && f.at(p) == ' ') ++p;
    if (p > last) {
        if (gFieldHelp.empty()) errorBeep();
        else speak(gFieldHelp);
        return;
    }
    const uint8_t c = f.at(p);
    int q = p + 1;
    if (isWordLetter(c)) {
        while (q <= f.maxLen && isWordLetter(f.at(q))) ++q;
        const std::string word = f.text.substr(size_t(p - 1), size_t(q - p));
        // Consonants alone cannot be pronounced: such a word is spelled.
        static const std::string kConsonants = "BCDFGHJKLMNPQRSTVXZ";
        bool pronounceable = false;
        for (char w : util::upperLatin(word))
            if (kConsonants.find(w) == std::string::npos) pronounceable = true;
        f.pos = q;
        f.draw(true);
        if (pronounceable) speak(word);
        else spell(word);
        return;
    }
    if (isDigit(c) || (c == '-' && isDigit(f.at(p + 1)))) {
        while (q <= f.maxLen && isDigit(f.at(q))) ++q;
        f.pos = q;
        f.draw(true);
        speak(f.text.substr(size_t(p - 1), size_t(q - p)));
        return;
    }
    f.pos = q;
    f.draw(true);
    spell(std::string(1, char(c)));
}

void wordLeft(Field& f) {
    int p = f.pos - 1;
    while (p >= 1 && wordClass(f.at(p)) == 0) --p;
    if (p < 1) {
        errorBeep();
        return;
    }
    const int cls = wordClass(f.at(p));
    while (p > 1 && wordClass(f.at(p - 1)) == cls) --p;
    f.pos = p;
    f.draw(true);
    click();
}

void wordRight(Field& f) {
    int p = f.pos;
    const int cls = wordClass(f.at(p));
    if (cls != 0)
        while (p <= f.maxLen && wordClass(f.at(p)) == cls) ++p;
    while (p <= f.maxLen && wordClass(f.at(p)) == 0) ++p;
    const int last = f.lastNonBlank();
    if (p > last) {
        f.pos = last + 1;
        f.draw(true);
        errorBeep();
        return;
    }
    f.pos = p;
    f.draw(true);
    click();
}

// F12: the word under the cursor, blanks as its limits, without the marks
// that usually surround a name in a text (the closing ones too: "(nota.txt)"
// names nota.txt).
void openWordUnderCursor(Field& f) {
    int p = f.pos;
    if (f.at(p) == ' ' && p > 1 && f.at(p - 1) != ' ') --p;  // just after a word
    std::string word;
    if (p <= f.maxLen && f.at(p) != ' ') {
        int s = p, e = p;
        while (s > 1 && f.at(s - 1) != ' ') --s;
        while (e < f.maxLen && f.at(e + 1) != ' ') ++e;
        word = f.text.substr(size_t(s - 1), size_t(e - s + 1));
    }
    static const std::string kStrip = "\"(*-.<=>[_{)]},;!?'";
    size_t a = 0, b = word.size();
    while (a < b && kStrip.find(word[a]) != std::string::npos) ++a;
    while (b > a && kStrip.find(word[b - 1]) != std::string::npos) --b;
    word = word.substr(a, b - a);
    if (word.empty()) {
        errorBeep();
        return;
    }
    openDocument(word);
}

// Ctrl+P: the next punctuation level, said and kept for the next start.
void cyclePunctuation() {
    SpeechSettings& ss = speechSettings();
    ss.punctuation = ss.punctuation == Punctuation::All    ? Punctuation::Some
                     : ss.punctuation == Punctuation::Some ? Punctuation::None
                                                           : Punctuation::All;
    keepPunctuation(ss.punctuation);
    static const char* const names[] = {"Pontuação toda", "Pontuação alguma", "Pontuação nenhuma"};
    stopSpeech();
    speak(plat::cp(names[int(ss.punctuation)]));
}

void changeSpeed() {
    speakRecorded("_VELOC");
    uint8_t k = 0;
    do {
        k = readKeyAndSpeak();
    } while (keyPressed());
    if (k == 27 || k == 13) return;
    const std::string folder = speechSettings().soundFolder;
    const int before = speechSettings().speed;
    endSpeech();
    if (trySpeech(int(k) - 48, folder) == 0) {
        keepSpeed(speechSettings().speed);
        return;
    }
    // A speed whose voice data does not open must not end the program (and lose an
    // unsaved game): the speed in use goes on, and the user hears why.
    const int wanted = speechSettings().speed;
    const std::string db = speechSettings().dbName;
    startSpeech(before, folder);
    speak(plat::cp("Velocidade ") + std::to_string(wanted) + plat::cp(" indisponível: o banco de voz ") + db +
          plat::cp(" não abre. Continua a velocidade ") + std::to_string(before) + ".");
}

enum : int { kContinue = -1 };

// A key without the 0 prefix.
int plainKey(Field& f, uint8_t ch, bool firstKey) {
    switch (ch) {
        case 13: case 10: case 27: case 9: return ch;
        case 8: backspace(f); break;
        case 127: deleteWord(f); break;
        case 4:
            if (f.editable) {
                for (int p = f.pos; p <= f.maxLen; ++p) f.text[size_t(p - 1)] = ' ';
                f.draw(true);
                speakRecorded("_APFCPO");
            }
            break;
        case 19:
            if (f.editable) {
                f.removeAt(1, std::min(f.pos - 1, f.maxLen));
                f.pos = 1;
                f.draw(true);
                speakRecorded("_APICPO");
            }
            break;
        case 21:
            break;  // handled by editField, which keeps the starting text
        case 25:
            if (f.editable) {
                f.clear();
                f.pos = 1;
                f.draw(true);
                speakRecorded("_CPOAPA");
            }
            break;
        case 11: speak(std::to_string(f.pos)); break;
        case 28: playDtmf(f.text); break;
        case 16: cyclePunctuation(); break;                           // Ctrl+P
        case 3: copySelection(f); break;
        case 22: paste(f, firstKey); break;
        default:
            if (ch >= 32) typeChar(f, ch, firstKey);
            break;  // other control codes are ignored
    }
    return kContinue;
}

// An extended key (after the 0).
int extendedKey(Field& f, uint8_t ext, bool alt, bool firstKey) {
    switch (ext) {
        case 59: readWord(f); break;                                  // F1
        case 62:                                                      // F4
            gCon.echoTyped = !gCon.echoTyped;
            speakRecorded(gCon.echoTyped ? "_FALACI" : "_FALDLG");
            break;
        case 94: speak(f.trimmedText()); break;                       // Ctrl+F1
        case 97: changeSpeed(); break;                                // Ctrl+F4
        case 66: speech::speakTime(); break;                          // F8
        case 101: speech::speakDate(); break;                         // Ctrl+F8
        case 102:                                                     // Ctrl+F9
            if (!alt) return ext;
            if (gReviewHook) gReviewHook();
            break;
        case 70: openWordUnderCursor(f); break;                       // F12
        case 71: f.pos = 1; break;                                    // Home
        case 79: f.pos = f.lastNonBlank() + 1; break;                 // End
        case 75:                                                      // Left
            if (f.pos == 1) {
                errorBeep();
            } else {
                --f.pos;
                f.draw(true);
                speakChar(f.at(f.pos));
            }
            break;
        case 77: {                                                    // Right
            if (f.pos > f.lastNonBlank()) {
                errorBeep();
                break;
            }
            const uint8_t c = f.at(f.pos);
            ++f.pos;
            f.draw(true);
            if (alt && isWordLetter(c)) speakRecorded("_FON" + std::to_string(c));
            else speakChar(c);
            break;
        }
        case kBrailleRoute: {                                         // a routing key of the display
            f.pos = std::clamp(tw().routePosition + 1, 1, f.lastNonBlank() + 1);
            f.draw(true);
            if (f.pos <= f.lastNonBlank()) speakChar(f.at(f.pos));
            break;
        }
        case 115: wordLeft(f); break;                                 // Ctrl+Left
        case 116: wordRight(f); break;                                // Ctrl+Right
        case 83: deleteKey(f); break;                                 // Delete
        case 255: copySelection(f); break;                            // Ctrl+Insert
        case 254: paste(f, firstKey); break;                          // Shift+Insert
        default:
            if (ext >= 120 && ext <= 129) break;                      // Alt+digits
            return ext;
    }
    return kContinue;
}

}  // namespace

int editField(std::string& text, int col, int row, int maxLen, int width, bool editable) {
    ensureWindow();
    const int winW = tw().right - tw().left + 1;
    const int winH = tw().bottom - tw().top + 1;
    Field f;
    f.col = std::max(1, std::min(col, winW));
    f.row = std::max(1, std::min(row, winH));
    f.maxLen = std::max(0, std::min(maxLen, kMaxFieldLen));
    f.width = std::max(0, std::min(width, f.maxLen));
    // A field never runs past the window's edge: it would wrap and scroll.
    f.width = std::min(f.width, winW - f.col + 1);
    if (f.row == winH && f.col + f.width - 1 >= winW) --f.width;
    f.width = std::max(f.width, std::min(1, f.maxLen));
    f.editable = editable;
    f.text = text.substr(0, size_t(f.maxLen));
    f.text.resize(size_t(f.maxLen), ' ');
    const std::string startText = f.text;

    int result = 0;
    // The whole field counts as reading keys: Ctrl+C in it is copy, never the stop key.
    struct Reader {
        Reader() { ++tw().keyReaders; }
        ~Reader() { --tw().keyReaders; }
    } reader;
    for (bool firstKey = true;; firstKey = false) {
        f.draw(true);
        uint8_t ch = readKey();
        uint8_t ext = 0;
        bool extended = false;
        if (ch == 0) {
            ext = readKey();
            extended = true;
            if (ext >= 16 && ext <= 18) {  // Alt+Q/W/E: the character they typed follows
                ch = readKey();
                extended = ch == 0;
                if (extended) ext = readKey();
            }
        }
        stopSpeech();
        const bool shift = lastKeyShift();
        const bool alt = (lastKeyMods() & plat::ModAlt) != 0;
        int r = kContinue;
        if (!extended) {
            if (ch == 21) {
                if (f.editable) {
                    f.text = startText;
                    f.pos = 1;
                    f.draw(true);
                    errorBeep();
                    errorBeep();
                    errorBeep();
                }
            } else {
                r = plainKey(f, ch, firstKey);
            }
            if (r == kContinue && ch != 3 && ch != 22) f.selActive = false;
        } else {
            if (shift && !f.selActive) {
                f.selActive = true;
                f.anchor = f.selEnd = f.pos;
            }
            r = extendedKey(f, ext, alt, firstKey);
            if (r == kContinue) {
                if (shift) f.selEnd = f.pos;
                else if (ext != 255 && ext != 254) f.selActive = false;
            }
        }
        if (r != kContinue) {
            result = r;
            break;
        }
    }
    f.selActive = false;
    f.draw(false);
    text = f.trimmedText();
    return result;
}

void setFieldHelp(const std::string& text) { gFieldHelp = text; }

int editFieldToEdge(std::string& text, int col, int row, int maxLen, bool editable) {
    ensureWindow();
    return editField(text, col, row, maxLen, fieldWidthToEdge(col), editable);
}

void readLine(std::string& text) {
    text.clear();
    const int col = whereX(), row = whereY();
    const int key = editFieldToEdge(text, col, row, 255, true);
    if (key == 27) {
        gotoXY(col, row);
        write(std::string(std::min(text.size(), size_t(fieldWidthToEdge(col))), ' '));
        text.clear();
    }
    writeLn();
}

}  // namespace con
