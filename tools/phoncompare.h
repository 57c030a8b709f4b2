// The pronunciation comparison tool: a word list is transcribed by one of our
// transcribers and by espeak-ng, both are mapped to one common phoneme alphabet
// and the words that agree are counted per category.
//
// The common alphabet is one token per phone:
//   vowels      a 6 (reduced a) E e i O o u, nasal a~ e~ i~ o~ u~
//   glides      j w
//   consonants  p b t d k g f v s z S (ch) Z (j) m n J (nh) L (lh) l r (tap) R (strong r) tS dZ
//   stress      a leading ' on the stressed vowel ('a, 'E, 'o~)
// A letter a transcriber could not read comes out as "?" followed by it.
//
// A transcriber is one entry of the table in phoncompare.cpp: a name for
// --with, a start function and a word function.
#pragma once
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace phoncmp {

using Phones = std::vector<std::string>;

struct Options {
    std::string rules, exceptions;             // our own front end's data files
    std::map<std::string, std::string> extra;  // --set KEY=VALUE, for other transcribers
};

struct Transcriber {
    const char* name;   // chosen by --with NAME
    const char* about;  // one line for --help
    // Loads what the transcriber needs; false with a message in `error`.
    bool (*open)(const Options& options, std::string& error);
    // One lower-case word (UTF-8) in the common alphabet.
    Phones (*transcribe)(const std::string& wordUtf8);
};

// Our own front end (regras.rgr, portug.exc).
const Transcriber& ownTranscriber();
// The embedded engine's letter-to-sound (data/brisatts).
const Transcriber& brisaTranscriber();

// espeak-ng's phoneme mnemonics for pt-br (the -x output) in the common alphabet.
Phones fromEspeak(const std::string& mnemonics);
// Our front end's transcription of one word ("[ k/A/ z/a^]") in the common alphabet.
Phones fromOwn(const std::string& transcription);

// Helpers on the common alphabet.
bool isNucleus(const std::string& phone);    // a vowel, stressed or not
bool isConsonant(const std::string& phone);
int stressFromEnd(const Phones& word);        // 1 = last vowel; 0 when unmarked
std::string join(const Phones& word);         // "k 'a z 6"

// ---- comparing (phoncompare_core.cpp: the tool and the tests share it) ----

// The words of a list: one a line, or the frequent-word lists' "rank<TAB>word<TAB>..."
// under "#" comments.  Only plain lower-case Portuguese words are kept (no names,
// abbreviations or hyphens); every `every`-th of them, at most `limit` (0: all).
std::vector<std::string> listWords(const std::string& text, long every = 1, long limit = 0);
// The lines of a text, without their line ends (LF or CR LF).
std::vector<std::string> lines(const std::string& text);
bool readWholeFile(const std::string& path, std::string& out);

// Words espeak-ng misreads on purpose-differing readings of ours (phoncompare-known.txt):
// a word, or a stem and "*" for a family, then its reason.
struct KnownList {
    std::unordered_map<std::string, std::string> reasons;
    void parse(const std::string& text);
    bool contains(const std::string& word) const;
};

struct Category {
    const char* name;
    long agree = 0, total = 0;
    double share() const { return total ? double(agree) / double(total) : 0.0; }
};

// The per-category counts of a list: each word's reading by a transcriber (ours)
// against espeak-ng's (theirs).  A disagreement is written to `diffs` when given.
struct Tally {
    Category stress{"stress"}, eo{"stressed e/o quality"}, vowel{"stressed vowel (all)"}, x{"x"},
        cons{"consonants"}, whole{"whole word"};
    void add(const std::string& word, const Phones& ours, const Phones& theirs, std::FILE* diffs = nullptr);
    std::vector<const Category*> all() const { return {&stress, &eo, &vowel, &x, &cons, &whole}; }
};

}  // namespace phoncmp
