// Word classes, intonation patterns and phoneme timing of the embedded engine,
// driven by the prosody file and the diphone list.
#include "speech/brisa/chain.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "util/log.h"
#include "util/text.h"

namespace brisa {

namespace {

LanguageState& L() { return languageState(); }

// A loader's complaint: kept for callers and shown on stderr with file and line.
void report(const std::string& path, size_t line, const std::string& message) {
    std::string where = plat::utf8ToCp1252(path);
    if (line > 0) where += ":" + std::to_string(line);
    L().messages.push_back(where + ": " + message);
    util::log("ludivar: " + plat::cp1252ToUtf8(L().messages.back()));
}

// Whole-text number: digits with an optional sign, blanks around allowed.
bool parseNumber(const std::string& s, long& out) {
    const std::string t = util::trimLineSpace(s);
    if (t.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (*end != '\0') return false;
    out = v;
    return true;
}

bool isPatternText(const std::string& p) {
    if (p.size() != 3) return false;
    for (size_t i = 0; i < 3; ++i)
        if (!((p[i] >= '0' && p[i] <= '9') || (i == 0 && p[i] == '?'))) return false;
    return true;
}

bool isWordCharCp(uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c & ~0x20) {
        case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC7: case 0xC9: case 0xCA: case 0xCC:
        case 0xCD: case 0xD1: case 0xD3: case 0xD4: case 0xD5: case 0xD9: case 0xDA: case 0xDC:
            return c >= 0xC0;
        default:
            return false;
    }
}

}  // namespace

bool loadProsody(const std::string& path) {
    LanguageState& s = L();
    s.durations.clear();
    s.keyWords.clear();
    s.patterns.clear();
    s.hertz = 230;
    s.tabHertz.fill(0);
    std::vector<std::string> lines;
    if (!readLanguageFile(path, lines)) {
        report(path, 0, plat::cp("Configuração da prosódia não foi achada"));
        return false;
    }
    // One pass per section; a "[" line ends the section it is in.
    auto section = [&](const char* header, auto&& onLine) -> int {
        const std::string want = plat::cp(header);
        size_t i = 0;
        while (i < lines.size() && util::upperLatin(util::trimLineSpace(lines[i])) != want) ++i;
        if (i == lines.size()) return -1;
        for (++i; i < lines.size(); ++i) {
            const std::string line = util::trimLineSpace(lines[i]);
            if (line.empty() || line[0] == '*' || line[0] == ';') continue;
            if (line[0] == '[') break;
            if (!onLine(line, i + 1)) return 0;
        }
        return 1;
    };
    int rc = section("[DURAÇÃO]", [&](const std::string& line, size_t n) {
        const size_t eq = line.find('=');
        const std::string bad = plat::cp("Configuração da prosódia: fonema errado: ") + line;
        if (eq == std::string::npos) {
            report(path, n, bad);
            return false;
        }
        long ms = 100;
        if (!parseNumber(line.substr(eq + 1), ms) || ms < 0 || ms > 100000) {
            report(path, n, bad);
            ms = 100;
        }
        if (s.durations.size() < kMaxDurations) s.durations.emplace_back(util::trimLineSpace(line.substr(0, eq)).substr(0, 2), int(ms));
        return true;
    });
    if (rc < 0) report(path, 0, plat::cp("Duração dos difones errada ou ausente"));
    if (rc <= 0) return false;
    rc = section("[CHAVES]", [&](const std::string& line, size_t n) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            report(path, n, plat::cp("Configuração da prosódia: chave errada: ") + line);
            return false;
        }
        if (s.keyWords.size() < kMaxKeyWords)
            s.keyWords.emplace_back(util::upperLatin(util::trimLineSpace(line.substr(0, eq))), util::upperLatin(util::trimLineSpace(line.substr(eq + 1))).substr(0, 2));
        return true;
    });
    if (rc < 0) report(path, 0, plat::cp("Prosódia: palavras chaves ausentes"));
    if (rc <= 0) return false;
    std::stable_sort(s.keyWords.begin(), s.keyWords.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    rc = section("[PROSÓDIA]", [&](const std::string& raw, size_t n) {
        const std::string line = util::upperLatin(raw);
        const std::string bad = plat::cp("Configuração da prosódia: chave errada: ") + raw;
        if (line.compare(0, 6, "HERTZ=") == 0) {
            long hz = 0;
            if (!parseNumber(line.substr(6), hz) || hz <= 0 || hz > 1000) {
                report(path, n, bad);
                return false;
            }
            s.hertz = int(hz);
            return true;
        }
        if (line.compare(0, 9, "TABHERTZ=") == 0) {
            // Missing levels stay 0: they give no pitch point.
            std::string rest = line.substr(9);
            for (size_t d = 0; d < 10 && !rest.empty(); ++d) {
                const size_t comma = rest.find(',');
                long v = 0;
                if (!parseNumber(rest.substr(0, comma), v) || v < 0 || v > 1000) {
                    report(path, n, bad);
                    return false;
                }
                s.tabHertz[d] = int(v);
                rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
            }
            return true;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            report(path, n, bad);
            return false;
        }
        Pattern p;
        std::string classes = util::trimLineSpace(line.substr(0, eq));
        const size_t bar1 = classes.find('|');
        const size_t bar2 = bar1 == std::string::npos ? std::string::npos : classes.find('|', bar1 + 1);
        p.prev = util::trimLineSpace(classes.substr(0, bar1)).substr(0, 3);
        if (bar1 != std::string::npos) p.word = util::trimLineSpace(classes.substr(bar1 + 1, bar2 - bar1 - 1)).substr(0, 3);
        if (bar2 != std::string::npos) p.next = util::trimLineSpace(classes.substr(bar2 + 1)).substr(0, 3);
        p.pattern = util::trimLineSpace(line.substr(eq + 1));
        // A pattern is three pitch digits (the first may be "?"); anything else could
        // never be read back by the timing step.
        if (!isPatternText(p.pattern)) {
            report(path, n, bad);
            return false;
        }
        if (s.patterns.size() < kMaxPatterns) s.patterns.push_back(p);
        return true;
    });
    if (rc < 0) report(path, 0, plat::cp("Prosódia: especificações ausentes"));
    return rc > 0;
}

bool loadDiphoneList(const std::string& path) {
    std::vector<std::string> lines;
    L().diphones.clear();
    if (!readLanguageFile(path, lines)) return false;
    auto nameChar = [](char c) {
        return c == '2' || c == '@' || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    for (const std::string& raw : lines) {
        const std::string line = util::trimLineSpace(raw);
        if (line.empty() || line[0] == '!' || line[0] == '*' || line[0] == ';') continue;
        size_t i = 0;
        std::string a, b;
        while (i < line.size() && nameChar(line[i])) a += line[i++];
        while (i < line.size() && !nameChar(line[i])) ++i;
        while (i < line.size() && nameChar(line[i])) b += line[i++];
        L().diphones.push_back(util::upperLatin(a + "-" + b));
    }
    std::sort(L().diphones.begin(), L().diphones.end());
    return true;
}

void freeDiphoneList() { L().diphones.clear(); }

bool hasDiphone(const std::string& pair) {
    return std::binary_search(L().diphones.begin(), L().diphones.end(), util::upperLatin(pair));
}

std::vector<std::string> classifyWords(const std::string& text) {
    std::vector<std::string> out{"[--]"};
    size_t i = 0;
    while (true) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        std::string cls, tok;
        if (text[i] == '.' && i + 1 < text.size() && text[i + 1] == '.') {
            cls = ".-";
            tok = ".";
            while (i < text.size() && text[i] == '.') ++i;
        } else if (!isWordCharCp(uint8_t(text[i]))) {
            cls = std::string(2, text[i]);
            tok = std::string(1, text[i]);
            ++i;
        } else {
            const size_t start = i;
            while (i < text.size() && isWordCharCp(uint8_t(text[i]))) ++i;
            tok = text.substr(start, i - start);
            const std::string up = util::upperLatin(tok);
            const auto& kw = L().keyWords;
            auto it = std::lower_bound(kw.begin(), kw.end(), up,
                                       [](const auto& e, const std::string& w) { return e.first < w; });
            cls = (it != kw.end() && it->first == up) ? it->second : "XX";
        }
        out.push_back("[" + cls + "]" + tok);
        if (tok[0] == '!' || tok[0] == '.' || tok[0] == '?') out.push_back("[--]");
    }
    return out;
}

std::string intonationClass(const std::string& entry) { return entry.size() >= 3 ? entry.substr(1, 2) : std::string(); }

std::string intonateEntry(const std::string& prev, const std::string& entry, const std::string& next, char& lastDigit) {
    const std::string cur = intonationClass(entry);
    std::string pattern = "555";
    for (const Pattern& p : L().patterns) {
        if ((p.prev.empty() || p.prev == prev) && (p.word.empty() || p.word == cur) &&
            (p.next.empty() || p.next == next)) {
            pattern = p.pattern;
            break;
        }
    }
    if (!pattern.empty() && pattern[0] == '?') pattern[0] = lastDigit;
    if (pattern.size() >= 3) lastDigit = pattern[2];
    return pattern + "|" + (entry.size() > 4 ? entry.substr(4) : std::string());
}

std::vector<std::string> assignIntonation(const std::vector<std::string>& entries) {
    std::vector<std::string> out;
    char lastDigit = '5';
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string prev = i > 0 ? intonationClass(entries[i - 1]) : std::string();
        const std::string next = i + 1 < entries.size() ? intonationClass(entries[i + 1]) : std::string();
        out.push_back(intonateEntry(prev, entries[i], next, lastDigit));
    }
    return out;
}

namespace {

int durationOf(const std::string& name) {
    for (const auto& d : L().durations)
        if (d.first == name) return d.second;
    return 100;
}

// Pitch of a pattern digit; 0 when the level is 0 (no point).
int pitchOf(char digit, double pitchFactor) {
    if (digit < '0' || digit > '9') return 0;
    const int level = L().tabHertz[size_t(digit - '0')];
    if (level == 0) return 0;
    // Out-of-range factors (a TOM of a million) must not overflow the conversion.
    const double hz = std::clamp(double(level) * pitchFactor * double(L().hertz), 0.0, 1e8);
    return int(hz) / 100;
}

}  // namespace

void timePhoneme(TimingState& st, const std::string& input, bool lastOfWord, double pitchFactor,
                 double durationFactor, std::vector<std::string>& out) {
    std::string line = input;
    if (line.empty()) {
        st.emphasis = 100;
        out.push_back(line);
        return;
    }
    if (line[0] == ';') {
        if (line.size() >= 5 && line[4] == '|') {
            st.pattern = line.substr(1, 3);
            line.erase(1, 4);
            st.wordLen = line.size() - 1;
            st.stage = 0;
        }
        out.push_back(line);  // MBROLA reads it as a comment
        return;
    }
    bool stressed = false;
    if (line[0] == '>') {
        st.emphasis = 145;
        line.erase(0, 1);
        if (!line.empty() && uint8_t(line[0]) == 168) line.erase(0, 1);
        st.stage = 2;
        stressed = true;
    } else if (uint8_t(line[0]) == 168) {
        line.erase(0, 1);
        st.emphasis = 100;
    }
    if (line.empty()) return;
    std::string phoneme;
    long base;
    if (line[0] == '_') {
        phoneme = "_";
        long n = 0;
        char* end = nullptr;
        if (line == "_") {
            base = 100;
        } else if (line[1] == ' ' && (n = std::strtol(line.c_str() + 2, &end, 10), end && *end == '\0' && n >= 0)) {
            base = n;
        } else {
            base = durationOf(line.substr(0, 2));
        }
    } else {
        phoneme = line;
        base = durationOf(line);
        if (st.stage < 2) {
            if (st.wordLen > 13) base = base * 80 / 100;
            else if (st.wordLen > 9) base = base * 90 / 100;
        }
    }
    base = std::clamp(base, 0L, 100000L);
    const long ms = std::min(60000L, long(std::clamp(double(base) * st.emphasis * durationFactor, 0.0, 1e9)) / 100);
    // Only the stressed phoneme is lengthened; what follows it in the word is not.
    if (stressed) st.emphasis = 100;
    std::string outLine = phoneme + " " + std::to_string(ms);
    auto addPoint = [&](int percent, char digit) {
        const int hz = pitchOf(digit, pitchFactor);
        if (hz > 0) outLine += " " + std::to_string(percent) + " " + std::to_string(hz);
    };
    if (st.stage == 0) {
        addPoint(50, st.pattern[0]);
        st.stage = 1;
    } else if (st.stage == 2) {
        addPoint(80, st.pattern[1]);
        st.stage = 3;
        // A word stressed on its last phoneme still reaches its final pitch.
        if (lastOfWord) addPoint(100, st.pattern[2]);
    } else if (st.stage == 3 && lastOfWord) {
        addPoint(50, st.pattern[2]);
    }
    if (!hasDiphone(st.prev + "-" + phoneme)) {
        if (st.prev == "r2" && hasDiphone("r2-_")) out.push_back("_ 50");
        else if (hasDiphone(st.prev + "-y")) out.push_back("y 50");
        else out.push_back("_ 50");
    }
    st.prev = phoneme;
    out.push_back(outLine);
}

std::vector<std::string> timePhonemes(const std::vector<std::string>& lines, double pitchFactor,
                                      double durationFactor) {
    std::vector<std::string> out;
    TimingState st;
    for (size_t i = 0; i < lines.size(); ++i)
        timePhoneme(st, lines[i], i + 1 >= lines.size() || lines[i + 1].empty(), pitchFactor, durationFactor, out);
    return out;
}

}  // namespace brisa
