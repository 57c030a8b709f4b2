// The common phoneme alphabet of the comparison tool, and the readers that
// bring our front end's transcriptions and espeak-ng's mnemonics into it.
#include <cstring>

#include "phoncompare.h"

namespace phoncmp {

namespace {

bool startsWith(const std::string& s, size_t i, const char* t) { return s.compare(i, std::strlen(t), t) == 0; }

std::string baseOf(const std::string& p) { return !p.empty() && p[0] == '\'' ? p.substr(1) : p; }

// A word read without any stress mark but with one vowel is stressed on it:
// both sides leave some monosyllables unmarked.
void markLoneVowel(Phones& w) {
    int vowels = 0, at = -1;
    for (size_t k = 0; k < w.size(); ++k) {
        if (w[k][0] == '\'') return;
        if (isNucleus(w[k])) {
            ++vowels;
            at = int(k);
        }
    }
    if (vowels == 1) w[size_t(at)] = "'" + w[size_t(at)];
}

std::string nasal(const std::string& v) {
    const std::string b = baseOf(v);
    const std::string pre = v.size() > b.size() ? "'" : "";
    if (b == "a" || b == "6") return pre + "a~";
    if (b == "e" || b == "E") return pre + "e~";
    if (b == "o" || b == "O") return pre + "o~";
    if (b == "i" || b == "u") return pre + b + "~";
    return v;
}

}  // namespace

bool isNucleus(const std::string& p) {
    const std::string b = baseOf(p);
    if (b.empty()) return false;
    return std::strchr("a6EeiOou", b[0]) != nullptr;
}

bool isConsonant(const std::string& p) {
    return !p.empty() && !isNucleus(p) && p != "j" && p != "w";
}

int stressFromEnd(const Phones& w) {
    // An unstressed i or u before a vowel, or after one that is not itself a
    // glide, counts as a glide however it is written (dália: -lia or -lja;
    // cenário: -rio or -rju), so that syllables count alike on both sides.
    std::vector<bool> glide(w.size(), false);
    for (size_t k = 0; k < w.size(); ++k) {
        if (w[k] != "i" && w[k] != "u") continue;
        glide[k] = (k + 1 < w.size() && isNucleus(w[k + 1])) || (k > 0 && isNucleus(w[k - 1]) && !glide[k - 1]);
    }
    int n = 0;
    for (size_t k = w.size(); k-- > 0;) {
        if (!isNucleus(w[k]) || glide[k]) continue;
        ++n;
        if (w[k][0] == '\'') return n;
    }
    return 0;
}

std::string join(const Phones& w) {
    std::string s;
    for (const std::string& p : w) {
        if (!s.empty()) s += ' ';
        s += p;
    }
    return s;
}

Phones fromOwn(const std::string& t) {
    Phones out;
    size_t i = 0;
    while (i < t.size()) {
        const char c = t[i];
        if (c == '[' || c == ']' || c == '/' || c == ' ') {
            ++i;
            continue;
        }
        if (c == '_') {  // a letter no rule read
            out.push_back(std::string("?") + (i + 1 < t.size() ? t[i + 1] : '?'));
            i += 2;
            continue;
        }
        static const struct { const char* ours; const char* common; } multi[] = {
            {"tch", "tS"}, {"dj", "dZ"}, {"lh", "L"}, {"nh", "J"}, {"rr", "R"}};
        bool done = false;
        for (const auto& m : multi)
            if (startsWith(t, i, m.ours)) {
                out.push_back(m.common);
                i += std::strlen(m.ours);
                done = true;
                break;
            }
        if (done) continue;
        const char* vowels = "aeiouAEIOU";
        if (std::strchr(vowels, c)) {
            const bool stressed = c >= 'A' && c <= 'Z';
            const char v = stressed ? char(c + 32) : c;
            const char mark = i + 1 < t.size() && (t[i + 1] == '^' || t[i + 1] == '~') ? t[i + 1] : 0;
            std::string p;
            if (mark == '~') p = std::string(1, v) + "~";
            else if (v == 'a') p = mark ? "6" : "a";
            else if (v == 'e') p = mark ? "e" : "E";
            else if (v == 'o') p = mark ? "o" : "O";
            else p = std::string(1, v);
            out.push_back(stressed ? "'" + p : p);
            i += mark ? 2 : 1;
            continue;
        }
        switch (c) {
        case 'y': case 'Y': out.push_back("j"); break;
        case 'w': case 'W': out.push_back("w"); break;
        case 'x': out.push_back("S"); break;
        case 'j': out.push_back("Z"); break;
        case 'R': out.push_back("r"); break;
        case 'L': out.push_back("l"); break;
        default:
            if (std::strchr("pbtdkgfvszmnlr", c)) out.push_back(std::string(1, c));
            else out.push_back(std::string("?") + c);
        }
        ++i;
    }
    markLoneVowel(out);
    return out;
}

Phones fromEspeak(const std::string& m) {
    // First pass: raw phones; the high vowels written U I y w j are glides or
    // vowels by their neighbours, settled in the second pass.
    struct Raw {
        std::string p;
        enum Kind { Vowel, High, Cons } kind;
        bool stressed = false, nasal = false;
    };
    std::vector<Raw> raw;
    bool stressNext = false;
    size_t i = 0;
    while (i < m.size()) {
        const char c = m[i];
        if (c == '\'') {
            stressNext = true;
            ++i;
            continue;
        }
        if (std::strchr(",;:_!-@#? |\t\r\n", c)) {  // secondary stress, pauses, the vowel after a tap
            ++i;
            continue;
        }
        if (startsWith(m, i, "tS") || startsWith(m, i, "dZ")) {
            raw.push_back({m.substr(i, 2), Raw::Cons});
            i += 2;
            continue;
        }
        if (startsWith(m, i, "l^") || startsWith(m, i, "n^")) {
            raw.push_back({c == 'l' ? "L" : "J", Raw::Cons});
            i += 2;
            continue;
        }
        if (c == '~') {
            if (!raw.empty()) raw.back().nasal = true;
            ++i;
            continue;
        }
        // m or n closing a syllable (tempo, bomba) is the nasal coda too.
        const bool codaNasal =
            (c == 'm' || c == 'n') && i + 1 < m.size() && std::strchr("pbtdkgfvszSZmnlrRx*", m[i + 1]) &&
            !raw.empty() && raw.back().kind != Raw::Cons;
        if (c == 'N' || codaNasal) {  // nasal coda: the vowel before it (past a glide) is nasal
            size_t k = raw.size();
            while (k > 0 && raw[k - 1].kind == Raw::High) --k;
            if (k > 0 && raw[k - 1].kind == Raw::Vowel) {
                raw[k - 1].nasal = true;
                // ẽj keeps its glide only at the end of the word
                const bool atEnd = m.find_first_not_of("sz", i + 1) == std::string::npos;
                if (!atEnd) raw.resize(k);
            } else {
                raw.push_back({"n", Raw::Cons});
            }
            ++i;
            continue;
        }
        static const char* const vowelMap[][2] = {{"a", "a"}, {"&", "6"}, {"e", "e"}, {"E", "E"}, {"i", "i"},
                                                  {"o", "o"}, {"O", "O"}, {"u", "u"}};
        bool done = false;
        for (const auto& v : vowelMap)
            if (c == v[0][0]) {
                raw.push_back({v[1], Raw::Vowel, stressNext});
                stressNext = false;
                done = true;
                break;
            }
        if (done) {
            ++i;
            continue;
        }
        if (std::strchr("UIywj", c)) {
            raw.push_back({(c == 'U' || c == 'w') ? "u" : "i", Raw::High, stressNext});
            stressNext = false;
            ++i;
            continue;
        }
        switch (c) {
        case '*': case 'r': case 'R': raw.push_back({"r", Raw::Cons}); break;
        case 'x': case 'h': raw.push_back({"R", Raw::Cons}); break;
        default:
            if (std::strchr("pbtdkgfvszSZmnl", c)) raw.push_back({std::string(1, c), Raw::Cons});
            else raw.push_back({std::string("?") + c, Raw::Cons});
        }
        ++i;
    }
    // Second pass: a high vowel after a vowel, or before one, is a glide.
    Phones out;
    bool prevVowel = false;
    for (size_t k = 0; k < raw.size(); ++k) {
        Raw r = raw[k];
        if (r.kind == Raw::High && !r.stressed) {
            const bool nextVowel = k + 1 < raw.size() && raw[k + 1].kind != Raw::Cons;
            if (prevVowel || nextVowel) {
                if (r.nasal && !out.empty() && isNucleus(out.back())) out.back() = nasal(out.back());
                out.push_back(r.p == "u" ? "w" : "j");
                prevVowel = false;
                continue;
            }
        }
        if (r.kind == Raw::Cons) {
            // A closing l is the w that Brazilians say (alto, sol); espeak-ng writes either.
            const bool closing = k + 1 == raw.size() || raw[k + 1].kind == Raw::Cons;
            out.push_back(r.p == "l" && closing && prevVowel ? "w" : r.p);
            prevVowel = false;
            continue;
        }
        std::string p = r.nasal ? nasal(r.p) : r.p;
        if (p == "6~") p = "a~";
        out.push_back(r.stressed ? "'" + p : p);
        prevVowel = true;
    }
    markLoneVowel(out);
    return out;
}

}  // namespace phoncmp
