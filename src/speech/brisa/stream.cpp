// The language chain phrase by phrase (see PhraseTranscriber in chain.h).
#include <algorithm>

#include "speech/brisa/chain.h"

namespace brisa {

namespace {

// Phrases longer than these are cut at a clause mark, then at a word's end.
constexpr size_t kClauseCut = 200;
constexpr size_t kWordCut = 400;

bool isLetterByte(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0; }

// A word end where a cut changes nothing: the word has two letters or more (a capital
// alone may be read as a letter name by what follows it) and is not "letra" (which
// makes the next capital a letter name).
bool safeWordEnd(const std::string& t, size_t last, size_t from) {
    size_t start = last + 1;
    while (start > from && isLetterByte(uint8_t(t[start - 1]))) --start;
    if (start == from || last + 1 - start < 2) return false;
    // The word must be whole letters from a blank on: no digits, hyphens or marks before it.
    if (t[start - 1] != ' ') return false;
    std::string w = t.substr(start, last + 1 - start);
    for (char& c : w)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return w != "letra";
}

}  // namespace

PhraseTranscriber::PhraseTranscriber(const std::string& text, double pitchFactor, double durationFactor)
    : text_(text), pitchFactor_(pitchFactor), durationFactor_(durationFactor) {}

size_t PhraseTranscriber::nextCut() const {
    const size_t n = text_.size();
    // A one-character text is read as that character's name: never leave one behind.
    if (n < 2 || at_ + 2 >= n) return n;
    for (size_t i = at_ + 1; i + 2 < n; ++i) {
        const char c = text_[i], after = text_[i + 1];
        const size_t len = i + 1 - at_;
        // The cut goes before the blank, so the next phrase starts as the text did there.
        // A full stop before a line break is read "ponto": no cut there.
        if ((c == '.' || c == '!' || c == '?') && after == ' ') return i + 1;
        if ((c == '!' || c == '?') && (after == '\n' || after == '\r' || after == '\t')) return i + 1;
        if (len >= kClauseCut && (c == ',' || c == ';' || c == ':') && after == ' ') return i + 1;
        if (len >= kWordCut && after == ' ' && safeWordEnd(text_, i, at_)) return i + 1;
    }
    return n;
}

bool PhraseTranscriber::next(std::vector<std::string>& lines) {
    lines.clear();
    if (finished_) return false;
    const size_t cut = nextCut();
    const bool last = cut >= text_.size();
    std::vector<std::string> entries = classifyWords(normalizeText(text_.substr(at_, cut - at_)));
    at_ = cut;
    // Every piece opens with a sentence start; only the text's own first one is real.
    if (started_ && !entries.empty()) entries.erase(entries.begin());
    started_ = true;
    entries_.insert(entries_.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));

    // Intonation looks at both neighbours: the last entry waits for the next phrase.
    std::vector<std::string> intoned;
    const size_t ready = last ? entries_.size() : (entries_.empty() ? 0 : entries_.size() - 1);
    for (size_t k = 0; k < ready; ++k) {
        const std::string next = k + 1 < entries_.size() ? intonationClass(entries_[k + 1]) : std::string();
        intoned.push_back(intonateEntry(prevClass_, entries_[k], next, lastDigit_));
        prevClass_ = intonationClass(entries_[k]);
    }
    entries_.erase(entries_.begin(), entries_.begin() + long(ready));

    appendWordPhonemes(intoned, words_);
    if (last) words_.push_back("__");
    // Linking at line i changes line i - 2 from lines i and i + 1.
    const size_t total = wordsBase_ + words_.size();
    if (linkFrom_ + 1 < total) {
        linkWords(words_, linkFrom_ - wordsBase_);
        linkFrom_ = total - 1;
    }
    const size_t settled = last ? total : (linkFrom_ >= 2 ? linkFrom_ - 2 : 0);
    const size_t take = settled > wordsBase_ ? settled - wordsBase_ : 0;

    // Timing looks one line ahead (does the word end here?).
    for (size_t k = 0; k < take; ++k) {
        if (hasPending_)
            timePhoneme(timing_, pending_, words_[k].empty(), pitchFactor_, durationFactor_, lines);
        pending_ = std::move(words_[k]);
        hasPending_ = true;
    }
    words_.erase(words_.begin(), words_.begin() + long(take));
    wordsBase_ += take;
    if (last) {
        if (hasPending_) timePhoneme(timing_, pending_, true, pitchFactor_, durationFactor_, lines);
        hasPending_ = false;
        finished_ = true;
    }
    return true;
}

}  // namespace brisa
