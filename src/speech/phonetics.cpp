// Text-to-phonetics front end.  The rules and exceptions are data (regras.rgr,
// portug.exc); this file only knows the character classes, the stress state
// machine and how contexts are matched.
#include "speech/phonetics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace speech {

namespace {

PhoneticsState gPhon;

// ---- character classes ----------------------------------------------------

inline bool isVowel(unsigned char c) {
    switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u':
    case 'A': case 'E': case 'I': case 'O': case 'U':
        return true;
    default:
        return false;
    }
}
inline bool isConsonant(unsigned char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
    return c >= 'B' && c <= 'Z' && !isVowel(c);
}
inline bool isLetter(unsigned char c) { return isVowel(c) || isConsonant(c); }
inline bool isAccent(unsigned char c) { return c == '\'' || c == '"' || c == '^' || c == '`' || c == '~'; }
inline bool isWordChar(unsigned char c) { return isLetter(c) || isAccent(c); }
inline bool isSeparator(unsigned char c) {
    return c == ' ' || c == '!' || c == ',' || c == '.' || c == ':' || c == ';' || c == '?';
}
inline bool isFrontVowel(unsigned char c) { return c == 'E' || c == 'I' || c == 'e' || c == 'i'; }
inline bool isOpenVowel(unsigned char c) { return c == 'A' || c == 'O' || c == 'a' || c == 'o'; }
inline unsigned char upper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }
inline unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
// A letter of the text before normalization (plain or Windows-1252 accented).
inline bool isLetterOrAccented(unsigned char c) { return isLetter(c) || (c >= 192 && c != 215 && c != 247); }
inline bool isUpperVowel(unsigned char c) { return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U'; }

// ---- normalization table ----------------------------------------------------

const char* const kBlankMark = " \x01 ";

struct NormTable {
    std::array<const char*, 256> out{};
    std::array<uint8_t, 256> len{};
    NormTable() {
        for (int c = 0; c < 256; ++c) out[c] = nullptr;
        auto set = [&](const char* text, std::initializer_list<int> codes) {
            for (int c : codes) out[c] = text;
        };
        // Texts are Windows-1252: 192-255 are the accented letters, 128-159
        // the typographic marks word processors put in.
        set("a'", {193, 225});
        set("a`", {192, 224});
        set("a^", {194, 226});
        set("a~", {195, 196, 227, 228});
        set("a", {197, 229});
        set("ae", {198, 230});
        set("e'", {201, 233});
        set("e`", {200, 232});
        set("e^", {202, 234});
        set("e\"", {203, 235});
        set("i'", {205, 237});
        set("i`", {204, 236});
        set("i^", {206, 238});
        set("i\"", {207, 239});
        set("o'", {211, 243});
        set("o`", {210, 214, 242, 246});
        set("o^", {212, 244});
        set("o~", {213, 245});
        set("u'", {218, 250});
        set("u`", {217, 249});
        set("u^", {219, 251});
        set("u", {220, 252});
        set("nh", {209, 241});
        set("ss", {199, 231});
        set("x", {215, 247});
        set("0", {216, 248});
        set("?", {168, 191});
        set("\"", {174, 175});
        set("\xA7", {167});
        set("\xAB", {171});
        set("\xBB", {187});
        // Quotes read as the plain marks, standing apart so that they do not
        // join the word as an accent; dashes are the pause they stand for.
        set(" \" ", {132, 139, 147, 148, 155});
        set(" ' ", {130, 145, 146});
        set(" , ", {150, 151});
        set(" . ", {133});
        set(" euros ", {128});
        set(" florins ", {131});
        set(" por mil ", {137});
        set(" marca comercial ", {153});
        set(" centavos ", {162});
        set(" libras ", {163});
        set(" ienes ", {165});
        set("x", {138, 154});
        set("j", {142, 158});
        set("oe", {140, 156});
        set("i", {159});
        set(" ", {149, 160});  // bullet, no-break space
        set("", {173});        // soft hyphen: the word goes on
        for (int c : {129, 134, 135, 136, 141, 143, 144, 152, 157, 161, 164, 166, 169, 170, 172, 176, 177, 178,
                      179, 180, 181, 182, 183, 184, 185, 186, 188, 189, 190, 208, 221, 222, 223, 240, 253, 254, 255})
            out[c] = kBlankMark;
        for (int c = 0; c < 256; ++c) len[c] = uint8_t(out[c] ? std::strlen(out[c]) : 0);
    }
};
const NormTable& normTable() {
    static const NormTable t;
    return t;
}

// ---- rule file parsing --------------------------------------------------------

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find('\n', i);
        if (j == std::string::npos) j = text.size();
        size_t end = j;
        if (end > i && text[end - 1] == '\r') --end;
        lines.push_back(text.substr(i, end - i));
        i = j + 1;
    }
    return lines;
}

std::string cutTo(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

bool readWhole(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char buf[65536];
    size_t got;
    // Language files are small; a bound keeps a wrong path from eating memory.
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0 && out.size() < (32u << 20)) out.append(buf, got);
    std::fclose(f);
    return true;
}

// ---- context matching ---------------------------------------------------------

// `focusAt` is where the focus starts: "!" asks that its letter be the
// stressed vowel (upper case in the word), so that one spelling can read open
// when stressed and reduced when not.
bool matchRight(const std::string& w, size_t focusAt, size_t i, const std::string& ctx) {
    const size_t n = w.size();
    for (unsigned char sym : ctx) {
        switch (sym) {
        case '!':
            if (!isUpperVowel(static_cast<unsigned char>(w[focusAt]))) return false;
            break;
        case '#': {
            size_t start = i;
            while (i < n && (isVowel(w[i]) || isAccent(w[i]))) ++i;
            if (i == start) return false;
            break;
        }
        case '%':
            if (i < n) return false;
            break;
        case '&':
            if (i >= n) return false;
            switch (upper(w[i])) {
            case 'L': case 'M': case 'N': case 'R': case 'Z': ++i; break;
            default: return false;
            }
            break;
        case '*':
            if (i >= n || !isConsonant(w[i]) || upper(w[i]) == 'R' || upper(w[i]) == 'L') return false;
            break;
        case '+':
            if (i >= n || !isFrontVowel(w[i])) return false;
            ++i;
            if (i < n && isAccent(w[i])) ++i;
            break;
        case '[':
            if (i < n && (!isConsonant(w[i]) || upper(w[i]) == 'H')) return false;
            break;
        case '\\':
            if (i < n && upper(w[i]) == 'S') ++i;
            break;
        default:
            if (i >= n || upper(w[i]) != sym) return false;
            ++i;
        }
    }
    return true;
}

bool matchLeft(const std::string& w, long j, const std::string& ctx) {
    const size_t focusAt = size_t(j + 1);
    for (size_t k = ctx.size(); k-- > 0;) {
        unsigned char sym = ctx[k];
        switch (sym) {
        case '!':  // the focus is the stressed vowel, as on the right
            if (focusAt >= w.size() || !isUpperVowel(static_cast<unsigned char>(w[focusAt]))) return false;
            break;
        case '#': {
            long start = j;
            while (j >= 0 && (isVowel(w[j]) || isAccent(w[j]))) --j;
            if (j == start) return false;
            break;
        }
        case '%':
            if (j >= 0) return false;
            break;
        case ']':
            if (j >= 0 && isOpenVowel(w[j])) --j;
            else if (j >= 1 && isAccent(w[j]) && isOpenVowel(w[j - 1])) j -= 2;
            else return false;
            break;
        case '_':
            if (j < 0) break;
            if (isVowel(w[j])) --j;
            else if (j >= 1 && isAccent(w[j]) && isVowel(w[j - 1])) j -= 2;
            else return false;
            break;
        case '|':
            if (j < 0) return false;
            switch (upper(w[j])) {
            case 'N': case 'R': case 'S': --j; break;
            default: return false;
            }
            break;
        default:
            if (j < 0 || upper(w[j]) != sym) return false;
            --j;
        }
    }
    return true;
}

// ---- stress -------------------------------------------------------------------

inline bool isOneOf(unsigned char c, const char* set) { return c && std::strchr(set, c) != nullptr; }

// "u" made silent by a g or q before it (que, gui).
inline bool silentU(const std::string& w, long k) {
    return k >= 1 && w[k] == 'u' && (w[k - 1] == 'g' || w[k - 1] == 'q');
}

}  // namespace

namespace {

// Which rules of a list can match, by the character that follows the focus's
// first letter: most rules drop out on it, so the search stays short.
void indexRules() {
    for (size_t l = 0; l < gPhon.rules.size(); ++l) {
        const auto& list = gPhon.rules[l];
        auto& cand = gPhon.candidates[l];
        cand.clear();
        if (list.empty() || list.size() > 65535) continue;
        cand.resize(256);
        for (int next = 0; next < 256; ++next) {
            for (size_t k = 0; k < list.size(); ++k) {
                const LetterRule& r = list[k];
                if (r.focus.size() >= 2) {
                    if (next == 0 || static_cast<unsigned char>(r.focus[1]) != next) continue;
                } else if (r.rightFirst) {
                    if (static_cast<unsigned char>(r.rightFirst) != next) continue;
                }
                cand[size_t(next)].push_back(uint16_t(k));
            }
        }
    }
}

}  // namespace

PhoneticsState& phonetics() { return gPhon; }

void resetPhonetics() {
    for (auto& list : gPhon.rules) list.clear();
    for (auto& c : gPhon.candidates) c.clear();
    gPhon.exceptions.clear();
    gPhon.ruleCount = 0;
}

void freeLetterRules() { resetPhonetics(); }

void parseLetterRules(const std::string& text) {
    resetPhonetics();
    for (const std::string& line : splitLines(text)) {
        size_t open = line.find('(');
        size_t close = open == std::string::npos ? std::string::npos : line.find(')', open + 1);
        size_t eq = line.find('=', close == std::string::npos ? (open == std::string::npos ? 0 : open + 1) : close + 1);
        size_t bar = eq == std::string::npos ? std::string::npos : line.find('|', eq + 1);
        auto part = [&](size_t from, size_t to) {
            if (from == std::string::npos || from > line.size()) return std::string();
            if (to == std::string::npos || to > line.size()) to = line.size();
            return line.substr(from, to - from);
        };
        LetterRule r;
        // A missing delimiter ends its part at the end of the line.
        size_t leftEnd = open == std::string::npos ? line.size() : open;
        r.left = cutTo(part(0, leftEnd), 5);
        if (open == std::string::npos) continue;  // no focus
        r.focus = cutTo(part(open + 1, close != std::string::npos ? close : eq), 5);
        if (close != std::string::npos) r.right = cutTo(part(close + 1, eq), 5);
        if (eq != std::string::npos) r.output = cutTo(part(eq + 1, bar), 11);
        if (r.focus.empty()) continue;
        if (!r.right.empty() && !std::strchr("#%&*+[\\!", r.right[0])) r.rightFirst = r.right[0];
        if (!r.left.empty() && !std::strchr("#%]_|!", r.left.back())) r.leftLast = r.left.back();
        unsigned char first = r.focus[0];
        if (first < 32 || first > 95) continue;
        gPhon.rules[first - 32].push_back(std::move(r));
        ++gPhon.ruleCount;
    }
    indexRules();
}

bool loadLetterRules(const std::string& linuxPath) {
    resetPhonetics();
    std::string text;
    if (!readWhole(linuxPath, text)) return false;
    parseLetterRules(text);
    return true;
}

void parseExceptionWords(const std::string& text) {
    gPhon.exceptions.clear();
    for (std::string line : splitLines(text)) {
        if (gPhon.exceptions.size() >= kMaxExceptions) break;
        if (line.empty()) continue;
        line = cutTo(line, 255);
        size_t eq = line.find('=');
        // A line without "=" names no respelling; taking it would silence the word.
        if (eq == std::string::npos || eq == 0) continue;
        std::string word = line.substr(0, eq);
        std::string resp = line.substr(eq + 1);
        size_t bar = resp.find('|');
        if (bar != std::string::npos) resp.erase(bar);
        gPhon.exceptions.emplace_back(std::move(word), std::move(resp));
    }
    std::sort(gPhon.exceptions.begin(), gPhon.exceptions.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool loadExceptionWords(const std::string& linuxPath) {
    std::string text;
    if (!readWhole(linuxPath, text)) return false;
    parseExceptionWords(text);
    return true;
}

std::string normalizeText(const std::string& text) {
    const NormTable& t = normTable();
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = text[i];
        const bool letterBefore = i > 0 && isLetter(text[i - 1]);
        const bool letterAfter = i + 1 < n && isLetter(text[i + 1]);
        if ((c == 'W' || c == 'w') && (letterBefore || letterAfter)) {
            out += 'u';
        } else if ((c == 'Y' || c == 'y') && (letterBefore || letterAfter)) {
            out += 'i';
        } else if (i > 0 && (text[i - 1] == 'D' || text[i - 1] == 'd') &&
                   (c == '\'' || ((c == 145 || c == 146) && i + 1 < n &&
                                   isLetterOrAccented(static_cast<unsigned char>(text[i + 1]))))) {
            // d'água and d’água read as one word; a closing quote after a d stays a quote
        } else if ((c == 199 || c == 231) && ((i > 0 && isLetterOrAccented(static_cast<unsigned char>(text[i - 1]))) ||
                                              (i + 1 < n && isLetterOrAccented(static_cast<unsigned char>(text[i + 1]))))) {
            // Inside a word ç is written w, a letter no word keeps after the step above: it
            // sounds as ss but closes the e/o before it where ss opens it (cabeça, começo; promessa).
            out += 'w';
        } else if (c < 32) {
            out += kBlankMark;
        } else if (c < 128) {
            out += char(c);
        } else {
            out.append(t.out[c], t.len[c]);
        }
    }
    return out;
}

bool lookUpException(const std::string& word, std::string& respelling) {
    const auto& table = gPhon.exceptions;
    if (table.empty() || word.empty()) return false;
    // Without the s or m at its end, as long as letters remain.
    for (size_t len = word.size();; --len) {
        const std::string_view stem(word.data(), len);
        auto it = std::lower_bound(table.begin(), table.end(), stem,
                                   [](const auto& e, std::string_view w) { return std::string_view(e.first) < w; });
        if (it != table.end() && std::string_view(it->first) == stem) {
            respelling = it->second;
            respelling.append(word, len, std::string::npos);
            return true;
        }
        if (len < 2 || (word[len - 1] != 's' && word[len - 1] != 'm')) return false;
    }
}

int markStress(std::string& w, int vowelsInText) {
    const long n = long(w.size());
    if (vowelsInText == 0 || n == 0) return -1;
    if (vowelsInText == 1 && lower(w[n - 1]) != 'l') return -1;
    int state = 0;
    long chosen = -1;
    for (long k = n - 1; k >= 0 && chosen < 0; --k) {
        const unsigned char c = w[k];
        switch (state) {
        case 0:
            if (isOneOf(c, "aeo")) state = 5;
            else if (isOneOf(c, "iu")) state = 3;
            else if (isOneOf(c, "lnrxz")) state = 1;
            else if (c == 'm') state = 2;
            else if (c == 's') state = 4;
            break;
        case 1:
            if (isVowel(c)) chosen = k;
            break;
        case 2:
            if (isOneOf(c, "ae")) state = 5;
            else if (isOneOf(c, "iu")) state = 3;
            else if (c == 'o') chosen = k;
            break;
        case 3:
            // A consonant (or a u silenced by g, q) before the final i/u leaves the stress on it.
            if (isConsonant(c) || silentU(w, k)) chosen = k + 1;
            else chosen = k;
            break;
        case 4:
            if (isOneOf(c, "aeo")) state = 5;
            else if (isOneOf(c, "iu")) state = 3;
            // -ns ends a word as -m does: bombons, atuns, jardins stress their last vowel, jovens does not.
            else if (c == 'n' && k + 2 == n) state = 2;
            break;
        case 5:
            if (isOneOf(c, "aeo")) chosen = k;
            else if (isOneOf(c, "iu")) state = 8;
            break;
        case 8: {
            if (isConsonant(c) || silentU(w, k)) {
                chosen = k + 1;
                break;
            }
            // ai-nh, a-ir-, u-in-t: the i/u closes its own syllable and keeps the stress.
            bool closed = false;
            if (k + 2 < n) {
                const unsigned char x = w[k + 2];
                const unsigned char after = k + 3 < n ? w[k + 3] : 0;
                if (isOneOf(x, "lmnrz")) {
                    if (x == 'n' && after == 'h') closed = true;
                    else if (x == 'r' && after == 'r') closed = true;
                    else if (after && isConsonant(after) && after != 'h') closed = true;
                }
            }
            chosen = closed ? k + 1 : k;
            break;
        }
        }
    }
    // An i or u that opens the word before the last syllable is its stressed vowel (içam, isso).
    if (chosen < 0 && state == 8) chosen = 0;
    if (chosen < 0 || chosen >= n) return -1;
    w[chosen] = char(upper(w[chosen]));
    return int(chosen);
}

namespace {

// The vowel a written acute or circumflex accent stands on, or npos.  That
// vowel is the only stressed one: órfão, bênção and ímã stress it, not the ã.
size_t writtenStress(const std::string& w) {
    for (size_t k = 1; k < w.size(); ++k)
        if ((w[k] == '\'' || w[k] == '^') && isVowel(static_cast<unsigned char>(w[k - 1]))) return k - 1;
    return std::string::npos;
}

void appendWordSound(const std::string& w, std::string& out) {
    out += '[';
    const size_t n = w.size();
    const size_t written = writtenStress(w);
    size_t p = 0;
    while (p < n) {
        const unsigned char L = upper(w[p]);
        const LetterRule* win = nullptr;
        if (L >= 32 && L <= 95 && !gPhon.candidates[L - 32].empty()) {
            const auto& list = gPhon.rules[L - 32];
            const unsigned char next = p + 1 < n ? upper(w[p + 1]) : 0;
            for (uint16_t k : gPhon.candidates[L - 32][next]) {
                const LetterRule& r = list[k];
                const size_t f = r.focus.size();
                if (p + f > n) continue;
                if (r.rightFirst && (p + f >= n || upper(w[p + f]) != static_cast<unsigned char>(r.rightFirst))) continue;
                if (r.leftLast && (p == 0 || upper(w[p - 1]) != static_cast<unsigned char>(r.leftLast))) continue;
                bool same = true;
                for (size_t k = 0; k < f && same; ++k) same = upper(w[p + k]) == static_cast<unsigned char>(r.focus[k]);
                if (!same) continue;
                if (!matchLeft(w, long(p) - 1, r.left)) continue;
                if (!matchRight(w, p, p + f, r.right)) continue;
                win = &r;
                break;
            }
        }
        const size_t at = out.size();
        if (win) {
            out += win->output;
        } else {
            out += " /_";
            out += char(L);
        }
        if (written != std::string::npos && (written < p || written >= p + (win ? win->focus.size() : 1))) {
            for (size_t k = at; k < out.size(); ++k)
                if (isUpperVowel(static_cast<unsigned char>(out[k]))) out[k] = char(lower(out[k]));
        }
        if (isUpperVowel(w[p])) {
            for (size_t k = at; k < out.size(); ++k) {
                const char c = out[k];
                if (c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u') {
                    out[k] = char(c - 32);
                    break;
                }
            }
        }
        p += win ? win->focus.size() : 1;
        if (p < n) out += '/';
    }
    out += ']';
}

}  // namespace

std::string wordToSound(const std::string& w) {
    std::string out;
    appendWordSound(w, out);
    return out;
}

namespace {

// Whether lower-case letters can be read as Portuguese syllables: an onset
// (one consonant, a digraph or a consonant with r or l), vowels, and at most
// one of the consonants that close a syllable.  UFRJ, ABC and PT cannot.
bool readableAsWord(const std::string& w, size_t p = 0) {
    if (p == w.size()) return true;
    auto hasAt = [&](size_t at, const char* t) { return w.compare(at, std::strlen(t), t) == 0; };
    std::vector<size_t> onsets = {p};
    if (p < w.size() && isConsonant(w[p])) {
        onsets = {p + 1};
        for (const char* d : {"ch", "lh", "nh", "qu", "gu"})
            if (hasAt(p, d)) onsets.push_back(p + 2);
        if (p + 1 < w.size() && std::strchr("pbtdcgfv", w[p]) && (w[p + 1] == 'r' || w[p + 1] == 'l'))
            onsets.push_back(p + 2);
    }
    for (size_t q : onsets) {
        size_t v = q;
        while (v < w.size() && isVowel(w[v])) ++v;
        if (v == q) continue;
        if (readableAsWord(w, v)) return true;
        if (v < w.size() && std::strchr("srlmnzx", w[v]) && readableAsWord(w, v + 1)) return true;
    }
    return false;
}

// Quiz answers and spelled letters: a capital standing alone at the end of
// the text, before ")", "." or ":", or after the word "letra", is the letter.
bool isLetterByName(const std::string& t, size_t after, const std::string& prevWord) {
    if (prevWord == "letra") return true;
    size_t k = after;
    while (k < t.size() && t[k] == ' ') ++k;
    return k == t.size() || t[k] == ')' || t[k] == '.' || t[k] == ':';
}

void appendSpelled(const std::string& chars, std::string& out) {
    for (char c : chars) {
        out += "[ /_";
        out += c;
        out += ']';
    }
}

// "^" or "'" alone (with the s or m the look-up carried over): the word reads
// by the rules, its stressed e or o closed or open.
bool isQualityMark(const std::string& r) {
    return !r.empty() && (r[0] == '^' || r[0] == '\'') &&
           r.find_first_not_of("sm", 1) == std::string::npos;
}

}  // namespace

std::string transcribeText(const std::string& text) {
    const std::string t = normalizeText(text);
    std::string out;
    out.reserve(t.size() * 3);
    std::string word, respelling, prevWord;
    const size_t n = t.size();
    size_t i = 0;
    while (i < n) {
        while (i < n && t[i] == ' ') ++i;
        if (i >= n) break;
        word.clear();
        int vowels = 0, capitals = 0, smalls = 0, accents = 0;
        bool explicitAccent = false;
        if (isLetter(lower(t[i]))) {
            while (i < n && isWordChar(t[i]) && word.size() < kMaxWordLength) {
                const unsigned char c = lower(t[i]);
                if (t[i] >= 'A' && t[i] <= 'Z') ++capitals;
                else if (t[i] >= 'a' && t[i] <= 'z') ++smalls;
                else ++accents;
                word += char(c);
                if (isVowel(c)) ++vowels;
                // A grave accent (à, àquele) marks a contraction, not the stress.
                if (i + 1 < n && isAccent(t[i + 1]) && t[i + 1] != '"' && t[i + 1] != '`') explicitAccent = true;
                ++i;
            }
        } else {
            word += t[i++];
        }
        const std::string written = word;
        const bool allCapitals = capitals > 0 && smalls == 0 && accents == 0;
        if (allCapitals && capitals == 1 && isLetterByName(t, i, prevWord)) {
            appendSpelled(std::string(1, char(upper(word[0]))), out);
            prevWord = written;
            continue;
        }
        prevWord = written;
        char quality = 0;  // an exception that only gives the stressed e/o's quality
        if (!gPhon.exceptions.empty() && lookUpException(word, respelling) && isQualityMark(respelling)) {
            quality = respelling[0];
            // A plural in -os may open the closed o of its singular (morto, mortos; novo, novos):
            // the rules decide those.
            const size_t len = word.size();
            if (quality == '^' && respelling.size() > 1 && len > 2 && word.compare(len - 2, 2, "os") == 0) quality = 0;
        } else if (!gPhon.exceptions.empty() && lookUpException(word, respelling)) {
            word.swap(respelling);
            // A respelling that writes an accent says where the stress is
            // (voce^, porque^): marking it again would move it.
            for (size_t k = 1; k < word.size() && !explicitAccent; ++k)
                explicitAccent = isAccent(static_cast<unsigned char>(word[k])) && word[k] != '"' &&
                                 isVowel(static_cast<unsigned char>(word[k - 1]));
        } else if (allCapitals && capitals >= 2 && capitals <= 5 && !readableAsWord(word)) {
            appendSpelled(word, out);
            continue;
        }
        if (word.empty()) continue;
        if (!explicitAccent) {
            const int at = markStress(word, vowels);
            if (quality && at >= 0 && (word[size_t(at)] == 'E' || word[size_t(at)] == 'O'))
                word.insert(size_t(at) + 1, 1, quality);
            // A monosyllable that ends in r, z, l or x reads closed by the rules; an open one (dez,
            // voz) is marked so.
            if (quality == '\'' && at < 0 && vowels == 1 && std::strchr("rzlx", word.back())) {
                const size_t v = word.find_first_of("eo");
                if (v != std::string::npos && word.find_first_of("aiu") == std::string::npos) {
                    word[v] = char(upper(word[v]));
                    word.insert(v + 1, 1, quality);
                }
            }
        }
        bool spell = static_cast<unsigned char>(word[0]) == 1;
        if (!spell) {
            spell = true;
            for (unsigned char c : word)
                if (!isConsonant(c) && !isSeparator(c)) {
                    spell = false;
                    break;
                }
        }
        if (spell) appendSpelled(word, out);
        else appendWordSound(word, out);
    }
    return out;
}

}  // namespace speech
