// Text-to-phonetics front end of the own synthesizer: normalization, exception
// words, stress marking and context-sensitive letter-to-sound rules.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace speech {

// One rule of "regras.rgr": left(focus)right=output|
struct LetterRule {
    std::string left;    // at most 5, read right to left from the letter before the focus
    std::string focus;   // at most 5, capitals
    std::string right;   // at most 5, read left to right after the focus
    std::string output;  // at most 11
    // Quick rejection while matching: the literal letter the context must show
    // right after the focus / right before it (0 when the context starts with a symbol).
    char rightFirst = 0, leftLast = 0;
};

struct PhoneticsState {
    std::array<std::vector<LetterRule>, 64> rules;            // by first focus character, 32..95
    // For each list and each (upper-cased) character after the focus's first
    // one, the rules that can still match, in file order; 0 stands for the end.
    std::array<std::vector<std::vector<uint16_t>>, 64> candidates;
    std::vector<std::pair<std::string, std::string>> exceptions;  // word -> respelling, sorted
    size_t ruleCount = 0;
};
PhoneticsState& phonetics();
void resetPhonetics();

constexpr size_t kMaxExceptions = 15000;
constexpr size_t kMaxWordLength = 255;

// Empties the rules and the exception table, then reads the rules file.
bool loadLetterRules(const std::string& linuxPath);
bool loadExceptionWords(const std::string& linuxPath);
void freeLetterRules();
// The same, from text already in memory (tests, the voice builder).
void parseLetterRules(const std::string& text);
void parseExceptionWords(const std::string& text);

// Steps of transcribeText, exposed for tests and the benchmark.
std::string normalizeText(const std::string& text);
// Marks the stressed vowel of a lower-case word in place (upper case); returns
// its index or -1.  `vowelsInText` is the count of vowels the word had in the text.
int markStress(std::string& word, int vowelsInText);
// Letter-to-sound conversion of one (stress-marked) word: "[...]".
std::string wordToSound(const std::string& word);
// Exception look-up with the s/m suffix retry; false when the word is not listed.
// A respelling of "^" or "'" alone keeps the word and only closes or opens its
// stressed e/o (the generated list of frequent words).
bool lookUpException(const std::string& word, std::string& respelling);
std::string transcribeText(const std::string& text);

}  // namespace speech
