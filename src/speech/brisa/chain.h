// The embedded engine's language chain: text normalization, word classes and
// intonation, letter-to-sound with stress, and phoneme timing.  Texts are CP1252.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace brisa {

// ---- text normalization -------------------------------------------------------
bool loadAbbreviations(const std::string& linuxPath);
std::string normalizeText(const std::string& text);
std::string cardinalWords(uint64_t value);
std::string ordinalWords(uint64_t value, bool feminine);
std::string characterName(uint8_t code);

// ---- word classes, intonation, timing -------------------------------------------
bool loadProsody(const std::string& linuxPath);
bool loadDiphoneList(const std::string& linuxPath);
void freeDiphoneList();
bool hasDiphone(const std::string& pair);  // "a-b", without regard to case
std::vector<std::string> classifyWords(const std::string& text);
std::vector<std::string> assignIntonation(const std::vector<std::string>& entries);
std::vector<std::string> timePhonemes(const std::vector<std::string>& lines, double pitchFactor,
                                      double durationFactor);
// The steps above one entry or line at a time, their state carried by the caller.
std::string intonationClass(const std::string& entry);
std::string intonateEntry(const std::string& prevClass, const std::string& entry, const std::string& nextClass,
                          char& lastDigit);
struct TimingState {
    std::string pattern = "555";
    int emphasis = 100, stage = 0;
    size_t wordLen = 0;
    std::string prev = "_";
};
void timePhoneme(TimingState& st, const std::string& line, bool lastOfWord, double pitchFactor,
                 double durationFactor, std::vector<std::string>& out);

// ---- letter-to-sound and stress -----------------------------------------------
bool loadBrisaRules(const std::string& rulesPath, const std::string& exceptionsPath);
void freeBrisaRules();
std::vector<std::string> wordsToPhonemes(const std::vector<std::string>& lines);
// wordsToPhonemes in two steps: the words' lines (no closing pause), then the
// linking of a final r or s to a following vowel, for the word starts at `from` on.
void appendWordPhonemes(const std::vector<std::string>& lines, std::vector<std::string>& out);
void linkWords(std::vector<std::string>& out, size_t from);
int stressPosition(const std::string& word);
// The exception search alone: the word (upper case) as the table replaces it.
std::string applyExceptions(const std::string& upperWord);

// The whole chain: text -> MBROLA input lines.
std::vector<std::string> textToPhonemeLines(const std::string& text, double pitchFactor,
                                            double durationFactor);

// The same chain phrase by phrase, so that speaking can start before a long text is
// transcribed and the work stays linear in its length.  The lines of all the phrases
// together are exactly textToPhonemeLines' lines: each step keeps its state across
// phrases, and the text is cut only where normalization reads nothing across the cut.
class PhraseTranscriber {
public:
    PhraseTranscriber(const std::string& text, double pitchFactor, double durationFactor);
    // Replaces `lines` with the next phrase's lines (possibly none); false once the text is done.
    bool next(std::vector<std::string>& lines);
    // True once the last phrase has been given.
    bool done() const { return finished_; }
    // Where the next phrase ends in the text (exposed for tests).
    size_t nextCut() const;

private:
    std::string text_;
    size_t at_ = 0;
    bool started_ = false, finished_ = false;
    double pitchFactor_, durationFactor_;
    std::vector<std::string> entries_;   // classified, the last waiting for its right neighbour
    std::string prevClass_;
    char lastDigit_ = '5';
    std::vector<std::string> words_;     // phoneme lines not yet linked or timed
    size_t wordsBase_ = 0;               // index of words_[0] in the whole text's lines
    size_t linkFrom_ = 3;                // next line (whole-text index) the linking looks at
    TimingState timing_;
    std::string pending_;                // waits for the line after it (is it a word's last?)
    bool hasPending_ = false;
};

// ---- module state ---------------------------------------------------------------
constexpr size_t kMaxDurations = 100;     // the prosody file's duration table
constexpr size_t kMaxKeyWords = 1000;     // key words with their classes
constexpr size_t kMaxPatterns = 300;      // intonation pattern lines
constexpr size_t kMaxExceptions = 15000;  // exception words
constexpr size_t kRuleOutputUsed = 11;    // characters of a rule's output that count

struct Rule {
    std::string left, target, right, output;
};
struct Pattern {
    std::string prev, word, next, pattern;
};
struct LanguageState {
    std::vector<std::pair<std::string, std::string>> abbreviations;   // upper case, expansion
    std::vector<std::pair<std::string, int>> durations;
    std::vector<std::pair<std::string, std::string>> keyWords;        // sorted by word
    std::vector<Pattern> patterns;
    int hertz = 230;
    std::array<int, 10> tabHertz{};
    std::vector<std::string> diphones;                                // sorted, upper case
    std::array<std::vector<Rule>, 224> rules;                         // by first target char - 32
    std::vector<std::pair<std::string, std::string>> exceptions;      // sorted by word
    // What the loaders reported last ("file:line: message"), for --check style output.
    std::vector<std::string> messages;
};
LanguageState& languageState();
void resetLanguage();

// Reads a language file: UTF-8 files are brought to CP1252, CR LF to LF.
bool readLanguageFile(const std::string& linuxPath, std::vector<std::string>& lines);

}  // namespace brisa
