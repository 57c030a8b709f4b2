// The comparing half of the pronunciation comparison: word lists, the known
// differences, our own front end as a transcriber and the per-category counts.
// The tool adds espeak-ng's cached readings; the tests read espeak-ng in process.
#include <algorithm>
#include <cstring>

#include "phoncompare.h"
#include "platform/platform.h"
#include "speech/phonetics.h"
#include "util/text.h"

namespace phoncmp {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        if (j == std::string::npos) j = text.size();
        std::string l = text.substr(i, j - i);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
        i = j + 1;
    }
    return out;
}

namespace {

// Lower-case words of Portuguese letters only: names, abbreviations and
// compounds with hyphens are left out.
bool plainWord(const std::string& w) {
    if (w.empty()) return false;
    static const std::string accented = plat::cp("áàâãéêíóôõúüç");
    const std::string cp = plat::utf8ToCp1252(w);
    for (unsigned char c : cp)
        if (!(c >= 'a' && c <= 'z') && accented.find(char(c)) == std::string::npos) return false;
    return true;
}

bool openOwn(const Options& o, std::string& error) {
    std::string rules, exc;
    if (!readWholeFile(o.rules, rules) || !readWholeFile(o.exceptions, exc)) {
        error = "cannot read " + o.rules + " or " + o.exceptions;
        return false;
    }
    speech::parseLetterRules(rules);
    speech::parseExceptionWords(exc);
    return true;
}

Phones transcribeOwn(const std::string& wordUtf8) {
    return fromOwn(speech::transcribeText(plat::utf8ToCp1252(wordUtf8)));
}

std::string stressedVowel(const Phones& w) {
    for (const std::string& p : w)
        if (p[0] == '\'') return p.substr(1);
    return "";
}

// espeak-ng writes lh as l and a glide (filho, júlio alike): so do we, here.
// d and j side by side are the dj of adjetivo, however they are written.
Phones consonants(const Phones& w) {
    Phones out;
    for (const std::string& p : w) {
        if (!isConsonant(p)) continue;
        if (p == "Z" && !out.empty() && out.back() == "d") out.back() = "dZ";
        else out.push_back(p == "L" ? "l" : p);
    }
    return out;
}

// Whole-word form: an unstressed high vowel next to another vowel is heard
// alike as glide or vowel (índio, piano), so both are written as the vowel;
// lh is l and that vowel; ou is o.
Phones wholeForm(const Phones& w) {
    Phones out;
    for (const std::string& p : w) {
        if (p == "L") {
            out.push_back("l");
            out.push_back("i");
        } else if (p == "Z" && !out.empty() && out.back() == "d") {
            out.back() = "dZ";
        } else if (p == "w" && !out.empty() && (out.back() == "o" || out.back() == "'o")) {
            // ou is said o in Brazil (falou, outro): both spellings of it agree
        } else {
            out.push_back(p == "j" ? "i" : p == "w" ? "u" : p);
        }
    }
    return out;
}

}  // namespace

bool readWholeFile(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
    std::fclose(f);
    return true;
}

std::vector<std::string> listWords(const std::string& text, long every, long limit) {
    std::vector<std::string> words;
    long seen = 0;
    every = std::max(1L, every);
    for (std::string w : lines(text)) {
        if (!w.empty() && w[0] == '#') continue;
        if (w.find('\t') != std::string::npos) {
            const size_t tab = w.find('\t');
            const bool ranked = tab > 0 && w.find_first_not_of("0123456789") == tab;
            w = ranked ? w.substr(tab + 1, w.find('\t', tab + 1) - tab - 1) : w.substr(0, tab);
        }
        if (!plainWord(w)) continue;
        if (seen++ % every != 0) continue;
        words.push_back(w);
        if (limit > 0 && long(words.size()) >= limit) break;
    }
    return words;
}

void KnownList::parse(const std::string& text) {
    for (const std::string& l : lines(text)) {
        if (l.empty() || l[0] == '#') continue;
        const size_t sp = l.find_first_of(" \t");
        reasons[l.substr(0, sp)] = sp == std::string::npos ? "" : util::trimLineSpace(l.substr(sp));
    }
}

bool KnownList::contains(const std::string& w) const {
    if (reasons.count(w)) return true;
    for (size_t n = w.size(); n > 0; --n)
        if (reasons.count(w.substr(0, n) + "*")) return true;
    return false;
}

void Tally::add(const std::string& w, const Phones& ours, const Phones& theirs, std::FILE* diffs) {
    auto count = [&](Category& c, bool ok) {
        ++c.total;
        if (ok) ++c.agree;
        else if (diffs)
            std::fprintf(diffs, "%s\t%s\t%s\t%s\n", c.name, w.c_str(), join(ours).c_str(), join(theirs).c_str());
    };
    const int so = stressFromEnd(ours), st = stressFromEnd(theirs);
    count(stress, so == st && so != 0);
    const std::string vo = stressedVowel(ours), vt = stressedVowel(theirs);
    const bool sameVowel = so == st && vo == vt;
    count(vowel, sameVowel);
    auto eoFamily = [](const std::string& v) { return !v.empty() && std::strchr("eEoO", v[0]); };
    if (eoFamily(vo) || eoFamily(vt)) count(eo, sameVowel);
    const bool sameCons = consonants(ours) == consonants(theirs);
    if (w.find('x') != std::string::npos) count(x, sameCons);
    count(cons, sameCons);
    count(whole, wholeForm(ours) == wholeForm(theirs));
}

const Transcriber& ownTranscriber() {
    static const Transcriber t{"own", "our own voice's front end (regras.rgr, portug.exc)", openOwn, transcribeOwn};
    return t;
}

}  // namespace phoncmp
