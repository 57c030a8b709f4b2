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
#include <map>
#include <string>
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

}  // namespace phoncmp
