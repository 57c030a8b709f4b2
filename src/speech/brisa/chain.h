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

// ---- letter-to-sound and stress -----------------------------------------------
bool loadBrisaRules(const std::string& rulesPath, const std::string& exceptionsPath);
void freeBrisaRules();
std::vector<std::string> wordsToPhonemes(const std::vector<std::string>& lines);
int stressPosition(const std::string& word);
// The exception search alone: the word (upper case) as the table replaces it.
std::string applyExceptions(const std::string& upperWord);

// The whole chain: text -> MBROLA input lines.
std::vector<std::string> textToPhonemeLines(const std::string& text, double pitchFactor,
                                            double durationFactor);

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
