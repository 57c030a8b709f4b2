// Letter-to-sound of the embedded engine: exception words, the stressed vowel,
// context rules from the rules file, and the linking of words.
#include "speech/brisa/chain.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "util/log.h"
#include "util/text.h"

namespace brisa {

namespace {

LanguageState& L() { return languageState(); }

void report(const std::string& path, size_t line, const std::string& message) {
    L().messages.push_back(plat::utf8ToCp1252(path) + ":" + std::to_string(line) + ": " + message);
    util::log("ludivar: " + plat::cp1252ToUtf8(L().messages.back()));
}

bool in(uint8_t c, const char* set) {
    for (const char* p = set; *p; ++p)
        if (uint8_t(*p) == c) return true;
    return false;
}

// Classes on upper-cased words (CP1252 bytes, so the accented capitals are spelled out).
const char kVowels[] = "AEIOU\xC0\xC1\xC2\xC3\xC9\xCA\xCC\xCD\xD3\xD4\xD5\xD9\xDA\xDC";
const char kBackVowels[] = "AO\xC1\xC2\xD3\xD4";
const char kFrontVowels[] = "EI\xC9\xCA\xCD\xCE";  // c and g soften before ê and î too (você)
const char kConsonants[] = "BCDFGHJKLMNPQRSTVWXYZ\xC7\xD1";
const char kLiquidsNasals[] = "LMNRZ";
const char kNRS[] = "NRS";

uint8_t up(char c) { return uint8_t(c >= 'a' && c <= 'z' ? c - 32 : c); }

bool isVowel(uint8_t c) { return in(c, kVowels); }

bool matchRule(const Rule& r, const std::string& w, size_t p) {
    const size_t n = r.target.size();
    if (p + n > w.size()) return false;
    for (size_t k = 0; k < n; ++k)
        if (up(r.target[k]) != uint8_t(w[p + k])) return false;
    // Left context, from its last symbol leftwards.
    long q = long(p) - 1;
    for (long k = long(r.left.size()) - 1; k >= 0; --k) {
        const char s = r.left[size_t(k)];
        const bool have = q >= 0;
        const uint8_t c = have ? uint8_t(w[size_t(q)]) : 0;
        switch (s) {
            case '#': if (!have || !isVowel(c)) return false; --q; break;
            case '%': if (have) return false; break;
            case ']': if (!have || !in(c, kBackVowels)) return false; --q; break;
            case '_':
                if (have) {
                    if (!isVowel(c)) return false;
                    --q;
                }
                break;
            case '|': if (!have || !in(c, kNRS)) return false; --q; break;
            default: if (!have || c != up(s)) return false; --q; break;
        }
    }
    // Right context, from its first symbol rightwards.
    size_t q2 = p + n;
    for (char s : r.right) {
        const bool have = q2 < w.size();
        const uint8_t c = have ? uint8_t(w[q2]) : 0;
        switch (s) {
            case '#': if (!have || !isVowel(c)) return false; ++q2; break;
            case '%': if (have) return false; break;
            case '&': if (!have || !in(c, kLiquidsNasals)) return false; ++q2; break;
            case '*': if (!have || !in(c, kConsonants) || c == 'L' || c == 'R') return false; break;
            case '+': if (!have || !in(c, kFrontVowels)) return false; ++q2; break;
            case '[': if (have && (!in(c, kConsonants) || c == 'H')) return false; break;
            case '\\': if (have && c == 'S') ++q2; break;
            default: if (!have || c != up(s)) return false; ++q2; break;
        }
    }
    return true;
}

// Letters of one word -> phoneme lines, ">" before the stressed one, then an empty line.
void convertWord(const std::string& w, int stress, std::vector<std::string>& out) {
    const size_t s = stress >= 1 ? size_t(stress) : SIZE_MAX;
    bool marked = false;
    std::string ph;
    size_t p = 1;
    while (p <= w.size()) {
        const uint8_t c = uint8_t(w[p - 1]);
        const Rule* win = nullptr;
        if (c >= 32) {
            for (const Rule& r : L().rules[size_t(up(char(c))) - 32]) {
                if (matchRule(r, w, p - 1)) {
                    win = &r;
                    break;
                }
            }
        }
        if (!win) {
            ++p;
            continue;
        }
        std::string o = win->output.substr(0, kRuleOutputUsed);
        // The endings that open a stressed e/o (-eta, -odo) also end words stressed
        // earlier (método, parâmetro): off the stress the vowel stays closed.
        if ((o == "ee" || o == "oo") && s != SIZE_MAX && (p > s || p + win->target.size() <= s)) o.pop_back();
        for (char ch : o) {
            if (p >= s && !marked) {
                ph += '>';
                marked = true;
            }
            if (ch == '&') {
                out.push_back(ph);
                ph.clear();
            } else {
                ph += ch;
            }
        }
        if (!o.empty()) {
            out.push_back(ph);
            ph.clear();
        }
        p += win->target.size();
    }
    out.push_back(ph);
}

}  // namespace

bool loadBrisaRules(const std::string& rulesPath, const std::string& exceptionsPath) {
    LanguageState& s = L();
    for (auto& list : s.rules) list.clear();
    s.exceptions.clear();
    std::vector<std::string> lines;
    if (!readLanguageFile(rulesPath, lines)) return false;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (util::trimLineSpace(line).empty() || line[0] == ';') continue;
        const size_t open = line.find('(');
        const size_t close = open == std::string::npos ? open : line.find(')', open + 1);
        const size_t eq = close == std::string::npos ? close : line.find('=', close + 1);
        if (eq == std::string::npos) {
            report(rulesPath, n + 1, "regra sem \"(\", \")\" ou \"=\": " + line);
            continue;
        }
        Rule r;
        r.left = line.substr(0, open).substr(0, 5);
        r.target = line.substr(open + 1, close - open - 1).substr(0, 5);
        r.right = line.substr(close + 1, eq - close - 1).substr(0, 5);
        std::string o = line.substr(eq + 1);
        const size_t bar = o.find('|');
        if (bar != std::string::npos) o.erase(bar);
        r.output = util::trimLineSpace(o).substr(0, 20);
        if (r.target.empty() || uint8_t(r.target[0]) < 32) continue;
        s.rules[size_t(up(r.target[0])) - 32].push_back(r);
    }
    if (!readLanguageFile(exceptionsPath, lines)) return false;
    for (size_t n = 0; n < lines.size() && s.exceptions.size() < kMaxExceptions; ++n) {
        const std::string line = util::trimLineSpace(lines[n]);
        if (line.empty() || line[0] == ';') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            report(exceptionsPath, n + 1, "linha sem \"=\": " + line);
            continue;
        }
        std::string rep = line.substr(eq + 1);
        const size_t bar = rep.find('|');
        if (bar != std::string::npos) rep.erase(bar);
        s.exceptions.emplace_back(util::upperLatin(util::trimLineSpace(line.substr(0, eq))), util::upperLatin(util::trimLineSpace(rep)));
    }
    std::stable_sort(s.exceptions.begin(), s.exceptions.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

void freeBrisaRules() {
    for (auto& list : L().rules) list.clear();
    L().exceptions.clear();
}

std::string applyExceptions(const std::string& upperWord) {
    const auto& ex = L().exceptions;
    std::string word = upperWord, suffix;
    while (!word.empty()) {
        auto it = std::lower_bound(ex.begin(), ex.end(), word,
                                   [](const auto& e, const std::string& w) { return e.first < w; });
        if (it != ex.end() && it->first == word) return it->second + suffix;
        const char last = word.back();
        if (last != 'S' && last != 'M') break;
        suffix.insert(suffix.begin(), last);
        word.pop_back();
    }
    return upperWord;
}

int stressPosition(const std::string& word) {
    const std::string w = util::lowerLatin(word);
    const int n = int(w.size());
    // An acute or circumflex marks the stress even before a tilde (órfã, órgão, bênção); a tilde
    // marks it alone; the grave of a contraction marks none (àquele).
    const char kAcute[] = "\xE1\xE2\xE9\xEA\xED\xF3\xF4\xFA";
    const char kTilde[] = "\xE3\xF5";
    const char kFinder[] = "aeiouwy\xFC";
    bool anyVowel = false;
    int tilde = 0;
    for (int i = n - 1; i >= 0; --i) {
        if (in(uint8_t(w[size_t(i)]), kAcute)) return i + 1;
        if (!tilde && in(uint8_t(w[size_t(i)]), kTilde)) tilde = i + 1;
        anyVowel |= in(uint8_t(w[size_t(i)]), kFinder);
    }
    if (tilde) return tilde;
    if (!anyVowel) return 0;
    int state = 0, r = 0;
    for (int i = n - 1; i >= 0; --i) {
        const char c = w[size_t(i)];
        const int here = i + 1;
        const bool finder = in(uint8_t(c), kFinder);
        bool stop = false;
        switch (state) {
            case 0:
                if (c == 'a' || c == 'e' || c == 'o') { r = here; state = 1; }
                else if (c == 'i') { r = here; state = 20; }
                else if (c == 'u') { r = here; state = 10; }
                else if (c == 'm') state = 40;
                // -ens ends a paroxytone as -em does (jovens, itens, imagens).
                else if (c == 'n' && i + 2 == n && w[size_t(i + 1)] == 's') state = 40;
                else if (c != 's') state = 30;
                break;
            case 1:
                if (c == 'u') state = 4;
                // ei-a, ai-o, oi-a: the i glides off the vowel before it, which takes the stress (ideia, meio, joia).
                else if (c == 'i' && i > 0 && in(uint8_t(w[size_t(i - 1)]), "aeo")) { r = here - 1; stop = true; }
                else if (finder) { r = here; stop = true; }
                else state = 2;
                break;
            case 2:
                if (c == 'a' || c == 'e' || c == 'o') { r = here; stop = true; }
                else if (c == 'i' || c == 'u') {
                    r = here;
                    state = 3;
                    // a-in-da, u-in-do, ra-i-nha: after a vowel an i/u that closes its syllable keeps the stress.
                    const char x = i + 1 < n ? w[size_t(i + 1)] : 0, after = i + 2 < n ? w[size_t(i + 2)] : 0;
                    const bool closes = in(uint8_t(x), "lmnrz") && after &&
                                        ((x == 'n' && after == 'h') || (x == 'r' && after == 'r') ||
                                         (!in(uint8_t(after), kFinder) && after != 'h'));
                    if (closes && i > 0 && in(uint8_t(w[size_t(i - 1)]), "aeiou")) stop = true;
                }
                break;
            case 3:
                if (c == 'a' || c == 'e' || c == 'o') { r = here; stop = true; }
                else if (c == 'u') state = 5;
                else stop = true;
                break;
            case 4:
                if (c == 'g' || c == 'q') { r = here + 2; state = 2; }
                else { r = here + 1; stop = true; }
                break;
            case 5:
                r = (c == 'g' || c == 'q') ? here + 2 : here + 1;
                stop = true;
                break;
            case 10:
                if (c == 'a' || c == 'e' || c == 'i' || c == 'o') r = here;
                stop = true;
                break;
            case 20:
                if (c == 'a' || c == 'e' || c == 'o') { r = here; stop = true; }
                else if (c == 'u') state = 21;
                else stop = true;
                break;
            case 21:
                r = (c == 'g' || c == 'q') ? here + 2 : here + 1;
                stop = true;
                break;
            case 30:
                if (finder) { r = here; stop = true; }
                break;
            case 40:
                if (c == 'a' || c == 'e') { r = here; state = 1; }
                else if (c == 'i' || c == 'o' || c == 'u') { r = here; stop = true; }
                else state = 0;
                break;
        }
        if (stop) break;
    }
    return r;
}

void appendWordPhonemes(const std::vector<std::string>& lines, std::vector<std::string>& out) {
    static const char* const kUnstressed[] = {"POR", "DAS", "DOS", "COM", "N\xC3O", "SIM"};
    for (const std::string& line : lines) {
        out.push_back(";" + line);
        const std::string text = util::upperLatin(line.size() > 4 ? line.substr(4) : std::string());
        if (text.empty()) {
            out.push_back("__");
            out.push_back("");
            continue;
        }
        const char c = text[0];
        if (in(uint8_t(c), " !(),.:;?")) {
            if (c != ' ') out.push_back(std::string("_") + c);
            continue;
        }
        std::string word = applyExceptions(text);
        // "^" or "'" alone: the word reads by the rules with its stressed e/o closed or open.
        char quality = 0;
        if (!word.empty() && (word[0] == '^' || word[0] == '\'') &&
            word.find_first_not_of("SM", 1) == std::string::npos) {
            quality = word[0];
            // A plural in -os may open the closed o of its singular (morto, mortos; novo, novos):
            // the rules decide those.
            const size_t len = text.size();
            if (quality == '^' && word.size() > 1 && len > 2 && text.compare(len - 2, 2, "OS") == 0) quality = 0;
            word = text;
        }
        int stress = 0;
        // One or two letters are a clitic (de, em, se) unless an accent or an interjection says otherwise (só, é, oi).
        static const char* const kStressedPairs[] = {"OI", "OH", "AI", "UI", "EI"};
        const bool stressedPair =
            word.size() <= 2 && (word.find_first_of("\xC1\xC2\xC3\xC9\xCA\xCD\xD3\xD4\xD5\xDA") != std::string::npos ||
                                 std::find(std::begin(kStressedPairs), std::end(kStressedPairs), word) != std::end(kStressedPairs));
        if ((word.size() > 2 || stressedPair) &&
            std::find(std::begin(kUnstressed), std::end(kUnstressed), word) == std::end(kUnstressed))
            stress = stressPosition(word);
        // Before m or n the vowel is nasal and keeps no quality.
        const bool nasal = stress >= 1 && size_t(stress) < word.size() && in(uint8_t(word[size_t(stress)]), "MN");
        if (quality && stress >= 1 && !nasal) {
            char& v = word[size_t(stress - 1)];
            if (v == 'E') v = char(quality == '^' ? 0xCA : 0xC9);
            else if (v == 'O') v = char(quality == '^' ? 0xD4 : 0xD3);
        }
        convertWord(word, stress, out);
    }
}

void linkWords(std::vector<std::string>& out, size_t from) {
    // Linking: a final r or s before a word that starts with a vowel.
    for (size_t i = std::max<size_t>(from, 2); i + 1 < out.size(); ++i) {
        if (out[i].empty() || out[i][0] != ';') continue;
        std::string next = out[i + 1];
        if (!next.empty() && uint8_t(next[0]) == 168) next.erase(0, 1);
        if (!next.empty() && next[0] == '>') next.erase(0, 1);  // a stressed first vowel links too
        if (next.empty() || !in(uint8_t(next[0]), "aeiouwy")) continue;
        std::string& last = out[i - 2];
        if (last == "r2") last = "r";
        else if (last == "s2") last = "z";
    }
}

std::vector<std::string> wordsToPhonemes(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    appendWordPhonemes(lines, out);
    out.push_back("__");
    linkWords(out, 3);
    return out;
}

std::vector<std::string> textToPhonemeLines(const std::string& text, double pitchFactor, double durationFactor) {
    const std::string norm = normalizeText(text);
    return timePhonemes(wordsToPhonemes(assignIntonation(classifyWords(norm))), pitchFactor, durationFactor);
}

}  // namespace brisa
