// The interpreter's core: state, loading, the lexical readers, integer
// expressions, the command table and the run loop.
#include "script/interp.h"
#include "safety/budget.h"
#include "safety/safety.h"
#include "safety/stopwatch.h"

#include <charconv>
#include <chrono>
#include <utility>
#include <new>
#include <limits>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/text.h"

namespace script {

State gState;

namespace {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }

void dropFront(std::string_view& s, size_t n) { s.remove_prefix(n < s.size() ? n : s.size()); }

}  // namespace

void resetState() {
    closeAllChannels();
    gState = State();
    forgetNameSlots();
}

// ---------------------------------------------------------------------------
// Text helpers

bool startsWithUpper(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (util::upperLatin(uint8_t(s[i])) != uint8_t(prefix[i])) return false;
    return true;
}

std::string numberText(int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool assign(std::string* var, std::string_view value) {
    if (!var || value.size() > kMaxValue) return false;
    var->assign(value.data(), value.size());
    return true;
}

// ---------------------------------------------------------------------------
// Variables

std::string* namedVariable(std::string_view name, bool create) {
    Value* v = namedValue(name, create);
    return v ? &v->text() : nullptr;
}

Value* namedValue(std::string_view name, bool create) {
    static_assert(State::kNameSlots >= 2 * kMaxNames, "the name table must stay sparse");
    State& s = gState;
    uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ util::upperLatin(uint8_t(c))) * 16777619u;
    size_t at = h & (State::kNameSlots - 1);
    for (;; at = (at + 1) & (State::kNameSlots - 1)) {
        const int16_t n = s.nameSlots[at];
        if (n < 0) break;
        const std::string& known = s.names[size_t(n)];
        if (known.size() != name.size()) continue;
        size_t i = 0;
        while (i < name.size() && uint8_t(known[i]) == util::upperLatin(uint8_t(name[i]))) ++i;
        if (i == name.size()) return &s.named[size_t(n)];
    }
    if (!create || int(s.names.size()) >= kMaxNames) return nullptr;
    const int n = int(s.names.size());
    s.names.push_back(util::upperLatin(name));
    s.nameSlots[at] = int16_t(n);
    s.named[size_t(n)].clear();
    return &s.named[size_t(n)];
}

// ---------------------------------------------------------------------------
// Numbers

bool toNumber(std::string_view t, int32_t& value) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        neg = t[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < t.size() && (t[i] == '$' || t[i] == 'x' || t[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= t.size()) return false;
    uint64_t v = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (isDigit(c)) d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * (hex ? 16 : 10) + uint64_t(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        // A hexadecimal text is a 32-bit pattern: $FFFFFFFF is -1.
        uint32_t bits = uint32_t(v);
        if (neg) bits = 0u - bits;
        value = int32_t(bits);
        return true;
    }
    if (neg) {
        if (v > 2147483648ull) return false;
        value = int32_t(-int64_t(v));
    } else {
        if (v > 2147483647ull) return false;
        value = int32_t(v);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Integer expressions inside "( )".  A recursive-descent reader over one
// current token, in the manner of the original: when an operand after an
// operator is missing, the token that stopped it decides between failure and
// ending the expression early.

namespace {

enum class Tok { Num, LParen, RParen, Plus, Minus, Star, Slash, Bad, End };

struct ExprReader {
    std::string_view text;
    size_t pos = 0;        // next character to scan
    size_t tokStart = 0;   // first character of the current token
    Tok tok = Tok::End;
    int32_t num = 0;
    int depth = 0;
    bool tooDeep = false;
    bool formOnly = false;  // every variable reads as a number: only where it ends counts
    std::vector<ExprStep>* steps = nullptr;  // formOnly: the steps, as they are applied
    ExprStep operand;                        // formOnly: what the current Num token reads

    void emit(ExprStep::Kind k) {
        if (!steps) return;
        ExprStep st;
        st.kind = k;
        steps->push_back(std::move(st));
    }

    void next() {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        tokStart = pos;
        if (pos >= text.size()) {
            tok = Tok::End;
            return;
        }
        char c = text[pos];
        switch (c) {
            case '(': tok = Tok::LParen; ++pos; return;
            case ')': tok = Tok::RParen; ++pos; return;
            case '+': tok = Tok::Plus; ++pos; return;
            case '-': tok = Tok::Minus; ++pos; return;
            case '*': tok = Tok::Star; ++pos; return;
            case '/': tok = Tok::Slash; ++pos; return;
            default: break;
        }
        if (isDigit(c)) {
            uint32_t v = 0;  // literals wrap like the arithmetic does
            while (pos < text.size() && isDigit(text[pos])) v = v * 10u + uint32_t(text[pos++] - '0');
            num = int32_t(v);
            tok = Tok::Num;
            if (steps) operand = ExprStep{ExprStep::Num, 0, num, {}};
            return;
        }
        Value* var = nullptr;
        if (isLetter(c)) {
            ++pos;
            if (formOnly) {
                // Read by its form: no value is looked at, so where the
                // expression ends is the same whatever the variables hold.
                num = 1;
                tok = Tok::Num;
                if (steps) operand = ExprStep{ExprStep::Letter, uint8_t(util::upperLatin(uint8_t(c)) - 'A'), 0, {}};
                return;
            }
            var = &gState.letters[size_t(util::upperLatin(uint8_t(c)) - 'A')];
        } else if (c == '$') {
            size_t b = ++pos;
            while (pos < text.size() && isNameChar(text[pos])) ++pos;
            if (pos == b) {
                tok = Tok::Bad;
                return;
            }
            if (formOnly) {  // and no name is made while a program loads
                num = 1;
                tok = Tok::Num;
                if (steps) operand = ExprStep{ExprStep::Named, 0, 0, util::upperLatin(text.substr(b, pos - b))};
                return;
            }
            var = namedValue(text.substr(b, pos - b), true);
        }
        if (var && (var->number(num) || toNumber(var->view(), num))) {
            tok = Tok::Num;
            return;
        }
        tok = Tok::Bad;
    }

    static int32_t wrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
    static int32_t wrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
    static int32_t wrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }

    bool factor(int32_t& v) {
        switch (tok) {
            case Tok::Num:
                v = num;
                if (steps) steps->push_back(std::move(operand));
                next();
                return true;
            case Tok::Minus: {
                if (++depth > kMaxExprDepth) {
                    tooDeep = true;
                    return false;
                }
                next();
                int32_t f;
                bool ok = factor(f);
                --depth;
                if (!ok) return false;
                v = wrapSub(0, f);
                emit(ExprStep::Neg);
                return true;
            }
            case Tok::LParen: {
                if (++depth > kMaxExprDepth) {
                    tooDeep = true;
                    return false;
                }
                next();
                bool ok = expression(v);
                --depth;
                if (!ok || tok != Tok::RParen) return false;
                next();
                return true;
            }
            default:
                return false;
        }
    }

    bool term(int32_t& v) {
        if (!factor(v)) return false;
        while (tok == Tok::Star || tok == Tok::Slash) {
            Tok op = tok;
            next();
            int32_t f;
            if (!factor(f)) {
                if (tooDeep || tok == Tok::Star || tok == Tok::Slash) return false;
                return true;  // the operator is dropped
            }
            emit(op == Tok::Star ? ExprStep::Mul : ExprStep::Div);
            if (op == Tok::Star) {
                v = wrapMul(v, f);
            } else {
                if (f == 0 && !formOnly) return false;  // a division by zero fails the expression
                if (f == 0) f = 1;
                v = (v == std::numeric_limits<int32_t>::min() && f == -1) ? v : v / f;
            }
        }
        return true;
    }

    bool expression(int32_t& v) {
        if (!term(v)) return false;
        while (tok == Tok::Plus || tok == Tok::Minus) {
            Tok op = tok;
            next();
            int32_t t;
            if (!term(t)) {
                if (tooDeep || tok == Tok::Plus || tok == Tok::Minus) return false;
                return true;
            }
            emit(op == Tok::Plus ? ExprStep::Add : ExprStep::Sub);
            v = op == Tok::Plus ? wrapAdd(v, t) : wrapSub(v, t);
        }
        return true;
    }
};

}  // namespace

bool arithmeticExtent(std::string_view text, size_t& end) {
    ExprReader r;
    r.text = text;
    r.formOnly = true;
    r.next();
    int32_t v = 0;
    if (!r.expression(v)) return false;
    end = r.tokStart;
    return true;
}

bool arithmeticSteps(std::string_view text, size_t& end, std::vector<ExprStep>& steps) {
    ExprReader r;
    r.text = text;
    r.formOnly = true;
    r.steps = &steps;
    steps.clear();
    r.next();
    int32_t v = 0;
    if (!r.expression(v)) return false;
    end = r.tokStart;
    return true;
}

bool evaluateArithmetic(std::string_view& text, int32_t& value) {
    ExprReader r;
    r.text = text;
    r.next();
    int32_t v = 0;
    if (!r.expression(v)) return false;
    text.remove_prefix(r.tokStart);
    value = v;
    return true;
}

// ---------------------------------------------------------------------------
// Operands, targets, channels

bool readOperand(std::string_view& rest, std::string& out) {
    std::string_view t = util::trimView(rest);
    if (t.empty()) return false;
    char c = t[0];
    if (c == '-' || isDigit(c)) {
        size_t n = 1;
        while (n < t.size() && isDigit(t[n])) ++n;
        out.assign(t.data(), n);
        dropFront(t, n);
    } else if (c == '"') {
        out.clear();
        size_t i = 1;
        for (;;) {
            size_t q = t.find('"', i);
            if (q == std::string_view::npos) {
                out.append(t.data() + i, t.size() - i);
                i = t.size();
                break;
            }
            out.append(t.data() + i, q - i);
            if (q + 1 < t.size() && t[q + 1] == '"') {
                out.push_back('"');
                i = q + 2;
                continue;
            }
            i = q + 1;
            break;
        }
        dropFront(t, i);
    } else if (c == '$') {
        size_t n = 1;
        while (n < t.size() && isNameChar(t[n])) ++n;
        if (n == 1) return false;
        Value* v = namedValue(t.substr(1, n - 1), true);
        if (!v) return false;
        out = v->view();
        dropFront(t, n);
    } else if (isLetter(c)) {
        out = gState.letters[size_t(util::upperLatin(uint8_t(c)) - 'A')].view();
        dropFront(t, 1);
    } else if (c == '(') {
        std::string_view e = t.substr(1);
        int32_t v;
        if (!evaluateArithmetic(e, v)) return false;
        if (e.empty() || e[0] != ')') return false;
        out = numberText(v);
        t = e.substr(1);
    } else {
        return false;
    }
    rest = util::trimView(t);
    return true;
}

bool readValues(std::string_view& rest, std::string& out) {
    std::string one;
    while (readOperand(rest, one)) {
        if (out.size() + one.size() > kMaxValue) return false;
        out += one;
    }
    return true;
}

bool readNumber(std::string_view& rest, int32_t& value) {
    std::string v;
    return readOperand(rest, v) && toNumber(v, value);
}

std::string* readTarget(std::string_view& rest) {
    std::string_view t = util::trimView(rest);
    if (t.empty()) return nullptr;
    std::string* var = nullptr;
    if (t[0] == '$') {
        size_t n = 1;
        while (n < t.size() && isNameChar(t[n])) ++n;
        if (n == 1) return nullptr;
        var = namedVariable(t.substr(1, n - 1), true);
        if (!var) return nullptr;
        t.remove_prefix(n);
    } else if (isLetter(t[0])) {
        if (t.size() > 1 && (isLetter(t[1]) || isDigit(t[1]))) return nullptr;
        var = &gState.letters[size_t(util::upperLatin(uint8_t(t[0])) - 'A')].text();
        t.remove_prefix(1);
    } else {
        return nullptr;
    }
    rest = util::trimView(t);
    return var;
}

int readChannel(std::string_view& rest) {
    std::string_view t = util::trimView(rest);
    if (t.size() < 2 || t[0] != '#' || !isDigit(t[1])) return -1;
    if (t.size() > 2 && t[2] != ' ') return -1;
    int n = t[1] - '0';
    t.remove_prefix(2);
    while (!t.empty() && t[0] == ' ') t.remove_prefix(1);
    rest = t;
    return n;
}

bool takeAmpersand(std::string_view& arg) {
    if (arg.empty() || arg.back() != '&') return false;
    arg.remove_suffix(1);
    arg = util::trimView(arg);
    return true;
}

// ---------------------------------------------------------------------------
// Loading

// Script files are Windows-1252; a file that is valid UTF-8 and uses it (as
// Linux editors write) is converted, since such byte runs are all but
// impossible in a real CP1252 text.
std::string toWorkingCodePage(std::string text) {
    if (text.size() >= 3 && uint8_t(text[0]) == 0xEF && uint8_t(text[1]) == 0xBB && uint8_t(text[2]) == 0xBF)
        text.erase(0, 3);
    bool multibyte = false;
    size_t i = 0;
    while (i < text.size()) {
        uint8_t c = uint8_t(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || (len == 2 && c < 0xC2) || i + size_t(len) > text.size()) return text;
        for (int k = 1; k < len; ++k)
            if ((uint8_t(text[i + size_t(k)]) & 0xC0) != 0x80) return text;
        multibyte = true;
        i += size_t(len);
    }
    if (!multibyte) return text;  // moved, not copied
    return plat::utf8ToCp1252(text);
}

namespace {

std::string collapseBlanks(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    bool prevBlank = false;
    for (char c : s) {
        if (c == ' ') {
            if (prevBlank) continue;
            prevBlank = true;
        } else {
            prevBlank = false;
        }
        r.push_back(c);
    }
    return r;
}

void splitWord(std::string_view text, std::string& word, std::string& arg) {
    size_t sp = text.find(' ');
    std::string_view w = sp == std::string_view::npos ? text : text.substr(0, sp);
    std::string_view a = sp == std::string_view::npos ? std::string_view() : text.substr(sp + 1);
    word.assign(w.data(), w.size());
    for (char& c : word)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    a = util::trimView(a);
    arg.assign(a.data(), a.size());
}

void parseLine(std::string_view raw, Line& L) {
    L.text = util::trim(raw);
    // Comments and labels are never a command nor a block word: long comment lines
    // are common in big programs, so they are not copied again.
    if (L.text.empty() || L.text[0] == '*' || L.text[0] == '@') {
        L.nop = true;
        return;
    }
    splitWord(L.text, L.word, L.arg);
    L.key = util::upperLatin(L.word);
    L.handler = lookupCommand(L.key);
    const std::string n = collapseBlanks(util::upperLatin(L.text));
    L.seOpenerCandidate = n.size() > 3 && n.compare(0, 3, "SE ") == 0;
    L.seOpener = L.seOpenerCandidate && isWholeCondition(std::string_view(n).substr(3));
    L.senao = n == "SENAO" || n == plat::cp("SENÃO");
    if (n == "FIM SE") L.fim = BlockEnd::Se;
    else if (n == "FIM ENQUANTO") L.fim = BlockEnd::Enquanto;
    else if (n == "FIM REPETE") L.fim = BlockEnd::Repete;
}

// First word as FIM's backward search sees it: the text before the first blank,
// upper-cased.
std::string firstWord(const Line& L) {
    size_t sp = L.text.find(' ');
    return util::upperLatin(sp == std::string::npos ? std::string_view(L.text)
                                              : std::string_view(L.text).substr(0, sp));
}

// Pairs one kind of loop by nesting.  What nesting cannot pair falls back on
// the nearest line: a FIM with no open loop returns to the nearest loop line
// above, a loop never closed skips to the nearest FIM below.
void pairLoops(Program& p, const char* word, BlockEnd end) {
    const int n = p.count();
    std::vector<int> open;
    int lastOpener = 0;
    for (int k = 1; k <= n; ++k) {
        const Line& L = p.lines[size_t(k)];
        if (L.fim == end) {
            int opener = lastOpener;
            if (!open.empty()) {
                opener = open.back();
                open.pop_back();
                p.match[size_t(opener)] = k;
            }
            p.match[size_t(k)] = opener;
        } else if (L.fim == BlockEnd::None && firstWord(L) == word) {
            open.push_back(k);
            lastOpener = k;
        }
    }
    int nextEnd = 0;
    for (int k = n; k >= 1; --k) {
        const Line& L = p.lines[size_t(k)];
        if (L.fim == end) nextEnd = k;
        else if (L.fim == BlockEnd::None && firstWord(L) == word && p.match[size_t(k)] == 0)
            p.match[size_t(k)] = nextEnd;
    }
}

// SE blocks by nesting: a false condition goes to the block's first SENÃO (or its
// FIM SE), every SENÃO of the block goes to its FIM SE.
void pairBlocks(Program& p) {
    const int n = p.count();
    struct Open {
        int line;
        std::vector<int> senaos;
    };
    std::vector<Open> open;
    std::vector<int> strays;  // SENÃO lines outside any block
    for (int k = 1; k <= n; ++k) {
        Line& L = p.lines[size_t(k)];
        if (L.seOpener) {
            open.push_back({k, {}});
        } else if (L.senao) {
            if (open.empty()) {
                strays.push_back(k);
            } else {
                if (open.back().senaos.empty()) p.match[size_t(open.back().line)] = k;
                open.back().senaos.push_back(k);
            }
        } else if (L.fim == BlockEnd::Se) {
            for (int s : strays) p.match[size_t(s)] = k;  // as before: the next FIM SE
            strays.clear();
            if (open.empty()) continue;
            Open& b = open.back();
            if (b.senaos.empty()) p.match[size_t(b.line)] = k;
            for (int s : b.senaos) p.match[size_t(s)] = k;
            open.pop_back();
        }
    }
}

}  // namespace

bool parseProgram(const std::string& text, Program& out) {
    Program p;
    p.lines.emplace_back();
    size_t i = 0;
    while (i < text.size()) {
        size_t e = i;
        while (e < text.size() && text[e] != '\n' && text[e] != '\r') ++e;
        if (e - i > kMaxValue) return false;
        if (p.count() >= kMaxLines) return false;
        p.lines.emplace_back();
        parseLine(std::string_view(text).substr(i, e - i), p.lines.back());
        if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
        i = e + 1;
    }
    int n = p.count();
    p.match.assign(size_t(n) + 2, 0);
    p.nextBlockMark.assign(size_t(n) + 2, 0);
    pairLoops(p, "ENQUANTO", BlockEnd::Enquanto);
    pairLoops(p, "REPETE", BlockEnd::Repete);
    pairBlocks(p);
    for (int k = 1; k <= n; ++k) {
        Line& L = p.lines[size_t(k)];
        if (L.fim == BlockEnd::None && firstWord(L) == "REPETE") {
            size_t sp = L.text.find(' ');
            L.repeteArg = sp == std::string::npos ? std::string()
                                                  : util::upperLatin(util::trimView(std::string_view(L.text).substr(sp + 1)));
        }
        if (!L.text.empty() && L.text[0] == '@') p.labels.emplace(util::upperLatin(std::string_view(L.text).substr(1)), k);
    }
    int mark = 0;
    for (int k = n; k >= 0; --k) {
        p.nextBlockMark[size_t(k)] = mark;
        if (k == 0) break;
        const Line& L = p.lines[size_t(k)];
        if (L.fim == BlockEnd::Se || L.senao || L.seOpener) mark = k;
    }
    compileProgram(p);
    out = std::move(p);
    return true;
}

bool loadScript(const std::string& file, const std::string& linuxPath) {
    std::string text;
    if (file.empty()) return false;
    if (!linuxPath.empty() ? !safety::readFile(linuxPath, text, kMaxScriptBytes)
                           : !plat::readFile(file, text, kMaxScriptBytes + 1))
        return false;
    if (text.size() > kMaxScriptBytes) return false;
    // A program the game did not come with may have to be asked about first.
    if (!safety::programLoaded(!linuxPath.empty() ? linuxPath : plat::mapPath(file), text)) return false;
    Program p;
    if (!parseProgram(toWorkingCodePage(std::move(text)), p)) return false;
    p.file = file;
    State& s = gState;
    // The line running now may be one of the old lines: keep them until it ends.
    if (s.running) s.retired.push_back(std::move(s.prog));
    s.prog = std::move(p);
    s.lineCount = s.prog.count();
    return true;
}

bool findLabel(const std::string& name) {
    State& s = gState;
    auto it = s.prog.labels.find(util::upperLatin(name));
    if (it == s.prog.labels.end() || it->second > s.lineCount) return false;
    s.current = it->second;
    return true;
}

// ---------------------------------------------------------------------------
// The command table

namespace {

// Commands that read or change files, run or drive other programs, or wait for
// the pupil: the lines a program buffered are written before they run.
const char* const kFlushFirst[] = {
    "ABRE",  "LÊ",      "LE",    "REPLICA", "RENOMEIA", "REMOVE",    "BUSCA",  "EXECUTA", "DIR",
    "MENU",  "FALA",    "TOCA",  "MCI",     "ESPERA",   "DIGITA",    "ACIONA", "CLICA",   "CAPTURA",
    "TRANSFERE", "JANELA", "MSAA", "SENSOR",
};
constexpr size_t kFlushFirstCount = sizeof kFlushFirst / sizeof kFlushFirst[0];
Handler gFlushedHandlers[kFlushFirstCount];

template <size_t I>
bool flushThenRun(std::string_view arg) {
    flushWrites();
    return gFlushedHandlers[I](arg);
}

template <size_t... I>
constexpr std::array<Handler, sizeof...(I)> flushingHandlers(std::index_sequence<I...>) {
    return {&flushThenRun<I>...};
}

struct Table {
    std::unordered_map<std::string, Handler> map;
    std::string senaoAccented;
    Table() {
        for (auto* group : {&statementCommands, &consoleCommands, &fileCommands, &networkCommands,
                            &desktopCommands, &deviceCommands})
            for (const CommandEntry& e : (*group)()) map.emplace(plat::cp(e.word), e.handler);
        static constexpr auto kWrappers = flushingHandlers(std::make_index_sequence<kFlushFirstCount>());
        for (size_t i = 0; i < kFlushFirstCount; ++i) {
            auto it = map.find(plat::cp(kFlushFirst[i]));
            if (it == map.end()) continue;
            gFlushedHandlers[i] = it->second;
            it->second = kWrappers[i];
        }
        senaoAccented = plat::cp("SENÃO");
    }
};

const Table& table() {
    static const Table t;
    return t;
}

bool runCommand(std::string_view word, std::string_view key, std::string_view arg, Handler h) {
    State& s = gState;
    if (s.debug) {
        std::string t(word);
        t += ' ';
        t.append(arg.data(), arg.size());
        con::writeLineAndSpeak(t);
    }
    if (!h) {
        con::writeLineAndSpeak(plat::cp("Comando inválido: ") + std::string(key));
        s.error = true;
        return false;
    }
    bool ok = h(arg);
    s.error = !ok;
    return ok;
}

bool isBlockWord(std::string_view key) {
    return key == "REPETE" || key == "ENQUANTO" || key == "SENAO" || key == "FIM" || key == table().senaoAccented;
}

}  // namespace

Handler lookupCommand(const std::string& upperWord) {
    const auto& m = table().map;
    auto it = m.find(upperWord);
    return it == m.end() ? nullptr : it->second;
}

bool executeLine(const std::string& text, bool nested) {
    State& s = gState;
    std::string_view t = util::trimView(text);
    if (t.empty() || t[0] == '*' || t[0] == '@') return true;
    if (s.nesting >= kMaxNesting) return false;
    // Only the blank separates the word; a-z are upper-cased for the trace and
    // every byte with util::upperLatin for the table.
    size_t sp = t.find(' ');
    std::string_view rawWord = sp == std::string_view::npos ? t : t.substr(0, sp);
    std::string_view arg = sp == std::string_view::npos ? std::string_view() : util::trimView(t.substr(sp + 1));
    char wbuf[32];
    std::string longWord;
    std::string_view word, key;
    char kbuf[32];
    if (rawWord.size() <= sizeof wbuf) {
        for (size_t i = 0; i < rawWord.size(); ++i) {
            char c = rawWord[i];
            wbuf[i] = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
            kbuf[i] = char(util::upperLatin(uint8_t(c)));
        }
        word = std::string_view(wbuf, rawWord.size());
        key = std::string_view(kbuf, rawWord.size());
    } else {
        longWord = util::upperLatin(rawWord);  // no command is this long: it is reported as invalid
        word = key = longWord;
    }
    if (nested && isBlockWord(key)) return false;
    ++s.nesting;
    bool ok = runCommand(word, key, arg, lookupCommand(std::string(key)));
    --s.nesting;
    return ok;
}

// ---------------------------------------------------------------------------
// Runs and the host interface

void flushValues() {
    State& s = gState;
    for (Value& v : s.letters) v.flush();
    for (size_t i = 0; i < s.names.size(); ++i) s.named[i].flush();
}

namespace {

void takeTimeReference() {
    plat::Date d = plat::currentDate();
    plat::Time t = plat::currentTime();
    gState.refWeekday = d.weekday;
    gState.refTime = t.hour * 360000 + t.minute * 6000 + t.second * 100 + t.hundredths;
}

void runLoop() {
    State& s = gState;
    while (s.current >= 1 && s.current <= s.lineCount && !s.stop && !s.error) {
        if (!s.retired.empty()) s.retired.clear();
        // The debug trace shows each line as its handler reads it.
        if (s.prog.quick[size_t(s.current)] && !s.debug) {
            runQuickLines();
            if (s.stopped) break;
            continue;
        }
        const Line& L = s.prog.lines[size_t(s.current)];
        if (!L.nop) {
            if (L.code && !s.debug) runCompiled(*L.code);
            else runCommand(L.word, L.key, L.arg, L.handler);
        }
        if (stopKeyPressed()) {
            s.stopped = true;
            break;
        }
        if (!s.stop && !s.error) ++s.current;
    }
    s.retired.clear();
    flushValues();
    flushWrites();
}

}  // namespace

void lookAtStopKey() {
    State& s = gState;
    s.sinceStopPoll = 0;
    if (s.unwritten && std::chrono::steady_clock::now() - s.lastFlush >= std::chrono::milliseconds(kFlushMs))
        flushChannels();
    if (plat::haveFront()) plat::front().pollStopKey();
}

bool stopKeyPressed() {
    State& s = gState;
    if (++s.sinceStopPoll >= kStopPollLines || safety::stopCheckDue()) lookAtStopKey();
    return plat::programStopRequested();
}

void scriptReset() {
    State& s = gState;
    for (Value& v : s.letters) v.clear();
    for (Value& v : s.named) v.clear();
    s.names.clear();
    s.nameSlots = State::emptyNameSlots();
    forgetNameSlots();
    // Files are closed rather than just forgotten: an open handle nobody can
    // reach again would stay open until the program ends.
    closeAllChannels();
    s.current = 1;
    s.error = false;
    s.depth = 0;
    s.status = 0;
    s.host = nullptr;
    s.stop = true;
    con::delayMs(1);
    takeTimeReference();
}

RunResult scriptRun(const std::string& file, const std::string& startLabel) {
    State& s = gState;
    RunResult r;
    if (s.running) {  // a host handler that runs a program inside a program
        r.code = RunFailed;
        r.line = s.current;
        return r;
    }
    if (!loadScript(file)) {
        r.code = RunLoadFailed;
        r.file = file;
        return r;
    }
    // A program run outside a game is confined to its own folder.
    struct ScopeGuard {
        bool mine = false;
        ~ScopeGuard() {
            if (mine) safety::leaveGame();
        }
    } guard;
    if (!safety::inGame()) guard.mine = safety::enterGame(safety::programScope(file));
    s.current = 1;
    s.error = false;
    s.stop = false;
    s.depth = 0;
    s.status = 0;
    s.nesting = 0;
    if (!startLabel.empty() && !findLabel(startLabel)) {
        r.code = RunNoLabel;
        r.line = 1;
    } else {
        s.running = true;
        s.stopped = false;
        s.sinceStopPoll = 0;
        s.lastFlush = std::chrono::steady_clock::now();
        safety::StopWatch watch;
        plat::armProgramStop(true);
        try {
            runLoop();
        } catch (const std::bad_alloc&) {
            // Memory ran out inside a line: the program fails there, Ludivar goes on.
            s.retired.clear();
            flushValues();
            flushWrites();
            s.error = true;
            safety::sayMemorySpent();
        } catch (...) {
            // The program's end (plat::ProgramExit) passes through; leave the
            // interpreter ready for another run.
            plat::armProgramStop(false);
            flushValues();
            flushWrites();
            s.running = false;
            s.lineCount = 0;
            s.retired.clear();
            throw;
        }
        plat::armProgramStop(false);
        s.running = false;
        r.code = s.stopped ? RunStopped : s.error ? RunFailed : RunOk;
        r.line = s.current;
        if (r.line >= 1 && r.line <= s.prog.count()) r.command = s.prog.lines[size_t(r.line)].text;
    }
    r.file = s.prog.file;
    s.lineCount = 0;
    return r;
}

std::string failurePlace(const RunResult& r) {
    size_t sep = r.file.find_last_of("\\/");
    std::string out = sep == std::string::npos ? r.file : r.file.substr(sep + 1);
    if (r.code == RunLoadFailed) return out;
    out += ", linha " + numberText(r.line);
    if (!r.command.empty()) {
        // A whole long line read aloud would bury the place it failed at.
        constexpr size_t kShown = 60;
        out += ": " + (r.command.size() > kShown ? r.command.substr(0, kShown) + "..." : r.command);
    }
    return out;
}

RunResult scriptRunWithHost(const std::string& file, HostCall handler) {
    State& s = gState;
    s.host = std::move(handler);
    RunResult r;
    try {
        r = scriptRun(file);
    } catch (...) {
        s.host = nullptr;
        throw;
    }
    s.host = nullptr;
    return r;
}

std::string scriptGetVariable(const std::string& name) {
    std::string* v = namedVariable(name, false);
    return v ? *v : std::string();
}

bool scriptSetVariable(const std::string& name, const std::string& value) {
    if (name.empty() || value.size() > kMaxValue) return false;
    std::string* v = namedVariable(name, true);
    if (!v) return false;
    *v = value;
    return true;
}

}  // namespace script
