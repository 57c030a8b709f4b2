// Assignment, arithmetic and text commands, conditions, blocks, loops, jumps,
// calls, the host call and the debug trace.
#include <charconv>
#include <cstring>
#include <limits>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "script/interp.h"
#include "util/text.h"

namespace script {

namespace {

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

int32_t wrap(int64_t v) { return int32_t(uint32_t(uint64_t(v))); }

// Appends the decimal text of v to s without building a temporary.
void appendNumber(std::string& s, int64_t v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, size_t(r.ptr - buf));
}

// ---------------------------------------------------------------------------
// SEJA

const char* const kWeekdays[7] = {"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"};

std::string twoDigits(int v) {
    std::string r = numberText(v);
    return r.size() < 2 ? "0" + r : r;
}

bool sejaWord(const std::string& upper, std::string* var) {
    if (upper == "DATA") {
        plat::Date d = plat::currentDate();
        return assign(var, twoDigits(d.day) + "/" + twoDigits(d.month) + "/" + numberText(d.year));
    }
    if (upper == "HORA") {
        plat::Time t = plat::currentTime();
        return assign(var, twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second));
    }
    if (upper == "DIA") {
        int w = plat::currentDate().weekday;
        return assign(var, plat::cp(kWeekdays[(w % 7 + 7) % 7]));
    }
    // TEMPO: hundredths since the reference; starts again after a week.
    State& s = state();
    plat::Date d = plat::currentDate();
    plat::Time t = plat::currentTime();
    int days = d.weekday - s.refWeekday;
    if (days < 0) days += 7;
    int64_t v = (int64_t(days) * 24 + t.hour) * 360000 + int64_t(t.minute) * 6000 + t.second * 100 +
                t.hundredths - s.refTime;
    setNumberText(var, v);
    return true;
}

std::string palavra(int32_t k, std::string_view s) { return std::string(wordAt(k, s)); }

bool sejaFunction(std::string_view rest, std::string* var, bool& handled) {
    static const char* const kFuncs[] = {"TAMANHO ", "MAIUSC ", "TRIM ", "POS ", "RAND ", "PALAVRA "};
    int f = -1;
    for (int i = 0; i < 6; ++i)
        if (startsWithUpper(rest, kFuncs[i])) {
            f = i;
            break;
        }
    handled = f >= 0;
    if (!handled) return false;
    rest = util::trimView(rest.substr(std::strlen(kFuncs[f])));
    std::string first, main;
    if ((f == 3 || f == 5) && !readOperand(rest, first)) return false;
    if (!readOperand(rest, main) || !rest.empty()) return false;
    switch (f) {
        case 0: setNumberText(var, int64_t(main.size())); return true;
        case 1: return assign(var, util::upperLatin(main));
        case 2: return assign(var, util::trimView(main));
        case 3: {
            size_t p = first.empty() ? std::string::npos : main.find(first);
            setNumberText(var, p == std::string::npos ? 0 : int64_t(p) + 1);
            return true;
        }
        case 4: {
            int32_t n;
            if (!toNumber(main, n)) return false;
            // RAND of 0 or less has no range to draw from: it gives 0.
            int64_t r = n <= 0 ? 0 : int64_t(state().rng() % uint32_t(n));
            setNumberText(var, r);
            return true;
        }
        default: {
            int32_t k;
            if (!toNumber(first, k) || k < 1) return false;
            return assign(var, palavra(k, main));
        }
    }
}

bool cmdSeja(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var || arg.empty()) return false;
    if (arg[0] == '=') arg = util::trimView(arg.substr(1));
    if (arg.empty()) return false;
    if (arg.size() <= 5) {
        std::string up = util::upperLatin(arg);
        if (up == "DATA" || up == "HORA" || up == "DIA" || up == "TEMPO") return sejaWord(up, var);
    }
    bool handled;
    bool ok = sejaFunction(arg, var, handled);
    if (handled) return ok;
    std::string v;
    if (!readOperand(arg, v) || !assign(var, v)) return false;
    return arg.empty();
}

// ---------------------------------------------------------------------------
// Arithmetic and text

bool cmdSoma(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var || arg.empty()) return false;
    int32_t add;
    if (!readNumber(arg, add)) return false;
    return addToTextNumber(*var, add);
}

bool arith(std::string_view arg, char op) {
    std::string* var = readTarget(arg);
    if (!var || arg.empty()) return false;
    int32_t a, b;
    if (!toNumber(*var, a) || !readNumber(arg, b)) return false;
    int32_t r;
    if (!arithmetic(a, b, op, r)) return false;
    setNumberText(var, r);
    return arg.empty();
}

bool cmdSubtrai(std::string_view a) { return arith(a, '-'); }
bool cmdMultiplica(std::string_view a) { return arith(a, '*'); }
bool cmdDivide(std::string_view a) { return arith(a, '/'); }

bool cmdConcatena(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var) return false;
    std::string v;
    if (!readOperand(arg, v) || !arg.empty()) return false;
    if (var->size() + v.size() > kMaxValue) return false;
    *var += v;
    return true;
}

bool cmdCopia(std::string_view arg) {
    std::string* dst = readTarget(arg);
    if (!dst) return false;
    std::string* src = readTarget(arg);
    if (!src) return false;
    std::string a, b;
    int32_t from, to;
    if (!readOperand(arg, a) || !readOperand(arg, b)) return false;
    if (!toNumber(util::trimView(a), from) || !toNumber(util::trimView(b), to)) return false;
    if (from < 1) from = 1;
    std::string r;
    if (to >= from && size_t(from) <= src->size()) {
        size_t n = size_t(int64_t(to) - from + 1);
        r = src->substr(size_t(from) - 1, n);
    }
    *dst = std::move(r);
    return true;
}

}  // namespace

// Replaces from the end towards the start, each test made on the text as
// changed so far (a replacement can take part in the next match).
bool substitute(const std::string& text, const std::string& old, const std::string& repl, std::string& out) {
    const size_t L = old.size();
    if (text.size() < L) {
        out = text;
        return true;
    }
    // The text is kept as the untouched front text[0, keep) and a tail built in
    // reverse, so each replacement costs only its own length.
    size_t keep = text.size();
    std::string tailRev;
    auto charAt = [&](size_t i) -> char {  // 0-based position in the changed text
        return i < keep ? text[i] : tailRev[tailRev.size() - 1 - (i - keep)];
    };
    for (size_t p = text.size() - L + 1; p >= 1; --p) {
        size_t i0 = p - 1;
        bool match = true;
        for (size_t k = 0; k < L; ++k)
            if (charAt(i0 + k) != old[k]) {
                match = false;
                break;
            }
        if (!match) continue;
        // Drop the L matched characters, then put repl in their place.
        size_t fromFront = keep - i0 < L ? keep - i0 : L;
        for (size_t k = keep; k > i0 + fromFront; --k) tailRev.push_back(text[k - 1]);
        size_t fromTail = L - fromFront;
        tailRev.resize(tailRev.size() - fromTail);
        keep = i0;
        // Characters of the front that the match did not cover stay in front.
        if (tailRev.size() + repl.size() + keep > kMaxValue) return false;
        for (size_t k = repl.size(); k > 0; --k) tailRev.push_back(repl[k - 1]);
    }
    out.assign(text, 0, keep);
    out.append(tailRev.rbegin(), tailRev.rend());
    return out.size() <= kMaxValue;
}

namespace {

bool cmdSubstitui(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var) return false;
    std::string old, repl, out;
    if (!readOperand(arg, old) || !readOperand(arg, repl)) return false;
    if (!substitute(*var, old, repl, out)) return false;
    *var = std::move(out);
    return true;
}

// ---------------------------------------------------------------------------
// Conditions

// compareKey without building texts when it can: digits-only texts compare by
// value once padded to 21 places, everything else upper-cased.
void compareKey(const std::string& v, std::string& key) {
    key.clear();
    bool digits = true;
    for (char c : v)
        if (!isDigit(c)) {
            digits = false;
            break;
        }
    if (digits) {
        if (v.size() >= 21) {
            key.assign(v, v.size() - 21, 21);
        } else {
            key.assign(21 - v.size(), '0');
            key += v;
        }
        if (v.empty()) key.assign(20, '0');
        return;
    }
    key.resize(v.size());
    for (size_t i = 0; i < v.size(); ++i) key[i] = char(util::upperLatin(uint8_t(v[i])));
}

// Two texts of 1 to 21 digits compare as their padded keys do without building
// them: leading zeros dropped, the longer is the greater, then digit by digit.
bool digitsWithin(const std::string& v) {
    if (v.empty() || v.size() > 21) return false;
    for (char c : v)
        if (!isDigit(c)) return false;
    return true;
}

int compareDigits(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && a[i] == '0') ++i;
    while (j < b.size() && b[j] == '0') ++j;
    size_t la = a.size() - i, lb = b.size() - j;
    if (la != lb) return la < lb ? -1 : 1;
    return std::memcmp(a.data() + i, b.data() + j, la);
}

bool lastOccurrenceAtEnd(const std::string& l, const std::string& r) {
    if (r.empty()) return false;
    size_t p = l.find(r);
    return p != std::string::npos && p == l.size() - r.size();
}

}  // namespace

std::string_view wordAt(int32_t k, std::string_view s) {
    for (int32_t i = 1; i < k && !s.empty(); ++i) {
        size_t sp = s.find(' ');
        if (sp == std::string_view::npos) s = std::string_view();
        else s = util::trimView(s.substr(sp + 1));
    }
    size_t sp = s.find(' ');
    return sp == std::string_view::npos ? s : s.substr(0, sp);
}

void setNumberText(std::string* var, int64_t v) {
    var->clear();
    appendNumber(*var, v);
}

bool addToTextNumber(std::string& t, int32_t add) {
    // The number at the end of the text (digits and one "-" before them) is
    // counted up; the rest stays: arquivo9 + 1 = arquivo10.
    size_t e = t.size(), b = e;
    while (b > 0 && isDigit(t[b - 1])) --b;
    bool neg = b > 0 && t[b - 1] == '-';
    int64_t tail = 0;
    if (e - b > 10) return false;
    for (size_t i = b; i < e; ++i) tail = tail * 10 + (t[i] - '0');
    if (neg) tail = -tail;
    if (tail > std::numeric_limits<int32_t>::max() || tail < std::numeric_limits<int32_t>::min()) return false;
    t.resize(neg ? b - 1 : b);
    appendNumber(t, wrap(tail + add));
    return true;
}

bool arithmetic(int32_t a, int32_t b, char op, int32_t& result) {
    int64_t r;
    switch (op) {
        case '-': r = int64_t(a) - b; break;
        case '*': r = int64_t(a) * b; break;
        default:
            if (b == 0) {
                con::writeLineAndSpeak(plat::cp("Divisão por zero"));
                return false;
            }
            r = (a == std::numeric_limits<int32_t>::min() && b == -1) ? a : a / b;
            break;
    }
    result = wrap(r);
    return true;
}

int conditionOperator(std::string_view t, size_t& len) {
    // Tried in this order: >= <= == <> *=* =* *= = < >
    int op = -1;
    len = 1;
    char c0 = t.empty() ? '\0' : t[0], c1 = t.size() > 1 ? t[1] : '\0', c2 = t.size() > 2 ? t[2] : '\0';
    if (c0 == '>' && c1 == '=') op = 0, len = 2;
    else if (c0 == '<' && c1 == '=') op = 1, len = 2;
    else if (c0 == '=' && c1 == '=') op = 2, len = 2;
    else if (c0 == '<' && c1 == '>') op = 3, len = 2;
    else if (c0 == '*' && c1 == '=' && c2 == '*') op = 4, len = 3;
    else if (c0 == '=' && c1 == '*') op = 5, len = 2;
    else if (c0 == '*' && c1 == '=') op = 6, len = 2;
    else if (c0 == '=') op = 7;
    else if (c0 == '<') op = 8;
    else if (c0 == '>') op = 9;
    return op;
}

bool compareValues(const std::string& left, const std::string& right, int op) {
    if (op == 2) return left == right;
    if (op == 4) return !right.empty() && left.find(right) != std::string::npos;
    if (op == 5) return !right.empty() && left.compare(0, right.size(), right) == 0;
    if (op == 6) return lastOccurrenceAtEnd(left, right);
    int c;
    if (digitsWithin(left) && digitsWithin(right)) {
        c = compareDigits(left, right);
    } else {
        State& s = state();
        compareKey(left, s.keyA);
        compareKey(right, s.keyB);
        c = s.keyA.compare(s.keyB);
    }
    switch (op) {
        case 0: return c >= 0;
        case 1: return c <= 0;
        case 3: return c != 0;
        case 7: return c == 0;
        case 8: return c < 0;
        default: return c > 0;
    }
}

bool evaluateCondition(std::string_view& rest, bool& result) {
    static const std::string kNaoAccented = plat::cp("NÃO");
    bool negate = false;
    std::string_view t = util::trimView(rest);
    if (startsWithUpper(t, "NAO") || startsWithUpper(t, kNaoAccented)) {
        negate = true;
        t = util::trimView(t.substr(3));
        if (t.empty()) return false;
    }
    std::string left, right;
    if (!readOperand(t, left) || t.empty()) return false;
    size_t len = 0;
    int op = conditionOperator(t, len);
    if (op < 0) return false;
    t = util::trimView(t.substr(len));
    if (!readOperand(t, right)) return false;
    bool r = compareValues(left, right, op);
    result = negate ? !r : r;
    rest = t;
    return true;
}

namespace {

// Passes over one operand by its form: a number, a string, a variable, a letter
// or a parenthesised expression.  False when there is none.
bool skipOperandForm(std::string_view& t) {
    t = util::trimView(t);
    if (t.empty()) return false;
    char c = t[0];
    size_t n = 1;
    if (c == '-' || (c >= '0' && c <= '9')) {
        while (n < t.size() && t[n] >= '0' && t[n] <= '9') ++n;
    } else if (c == '"') {
        for (;;) {
            size_t q = t.find('"', n);
            if (q == std::string_view::npos) {
                n = t.size();
                break;
            }
            n = q + 1;
            if (n < t.size() && t[n] == '"') {
                ++n;
                continue;
            }
            break;
        }
    } else if (c == '$') {
        auto nameChar = [](char ch) {
            return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_';
        };
        while (n < t.size() && nameChar(t[n])) ++n;
        if (n == 1) return false;
    } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        // a letter variable
    } else if (c == '(') {
        int depth = 1;
        bool quoted = false;
        while (n < t.size() && depth > 0) {
            if (t[n] == '"') quoted = !quoted;
            else if (!quoted && t[n] == '(') ++depth;
            else if (!quoted && t[n] == ')') --depth;
            ++n;
        }
        if (depth > 0) return false;
    } else {
        return false;
    }
    t.remove_prefix(n);
    t = util::trimView(t);
    return true;
}

}  // namespace

bool isWholeCondition(std::string_view t) {
    static const std::string kNaoAccented = plat::cp("NÃO");
    t = util::trimView(t);
    if (startsWithUpper(t, "NAO") || startsWithUpper(t, kNaoAccented)) {
        t = util::trimView(t.substr(3));
        if (t.empty()) return false;
    }
    if (!skipOperandForm(t) || t.empty()) return false;
    static const char* const kOps[] = {">=", "<=", "==", "<>", "*=*", "=*", "*=", "=", "<", ">"};
    size_t len = 0;
    for (const char* op : kOps) {
        std::string_view o(op);
        if (t.substr(0, o.size()) == o) {
            len = o.size();
            break;
        }
    }
    if (len == 0) return false;
    t.remove_prefix(len);
    return skipOperandForm(t) && t.empty();
}

// A false block's condition: on to the block's first SENÃO or its FIM SE, by
// nesting.  A block opened by a nested line (SE ... SE, CMD) has no entry in the
// tables and is scanned for.
void skipFalseBlock() {
    State& s = state();
    const Program& p = s.prog;
    int k = s.current;
    if (k < 1 || k > s.lineCount) {
        s.current = s.lineCount + 1;
        return;
    }
    if (p.lines[size_t(k)].seOpener) {
        int to = p.match[size_t(k)];
        s.current = to > 0 ? to : s.lineCount + 1;
        return;
    }
    int depth = 1;
    while (k >= 0 && k <= s.lineCount) {
        k = p.nextBlockMark[size_t(k)];
        if (k == 0 || k > s.lineCount) break;
        const Line& L = p.lines[size_t(k)];
        if (L.seOpener) {
            ++depth;
        } else if (L.fim == BlockEnd::Se) {
            if (--depth == 0) {
                s.current = k;
                return;
            }
        } else if (L.senao && depth == 1) {
            s.current = k;
            return;
        }
    }
    s.current = s.lineCount + 1;
}

// From a SENÃO, ENQUANTO or REPETE line to the end it pairs with; the run ends
// when there is none.
void skipToEnd() {
    State& s = state();
    int k = s.current;
    int next = k >= 1 && k <= s.lineCount ? s.prog.match[size_t(k)] : 0;
    s.current = next > 0 ? next : s.lineCount + 1;
}

namespace {

bool cmdSe(std::string_view arg) {
    bool r;
    if (!evaluateCondition(arg, r)) return false;
    if (r) return arg.empty() ? true : executeLine(std::string(arg), true);
    if (arg.empty()) skipFalseBlock();
    return true;
}

bool cmdSenao(std::string_view arg) {
    if (!arg.empty()) return false;
    skipToEnd();
    return true;
}

bool cmdEnquanto(std::string_view arg) {
    bool r;
    if (!evaluateCondition(arg, r)) return false;
    if (!r) skipToEnd();
    return true;
}

bool repete(std::string_view arg, bool fromFim) {
    std::string* var = readTarget(arg);
    if (!var || arg.empty()) return false;
    int32_t limit;
    if (!readNumber(arg, limit)) return false;
    int32_t counter = 0;
    if (fromFim && !toNumber(*var, counter)) return false;
    int32_t next = wrap(int64_t(counter) + 1);
    setNumberText(var, next);
    if (limit < next) skipToEnd();
    return true;
}

bool cmdRepete(std::string_view arg) { return repete(arg, false); }

bool cmdFim(std::string_view arg) {
    if (arg.empty()) return false;
    bool enq = arg.size() == 8 && startsWithUpper(arg, "ENQUANTO");
    bool rep = arg.size() == 6 && startsWithUpper(arg, "REPETE");
    State& s = state();
    if (enq || rep) {
        if (s.current < 1 || s.current > s.lineCount) return false;
        int k = s.prog.match[size_t(s.current)];
        if (k == 0) return false;
        if (enq) {
            s.current = k - 1;
            return true;
        }
        s.current = k;
        return repete(s.prog.lines[size_t(k)].repeteArg, true);
    }
    return true;  // FIM SE, and any other word, ends nothing
}

bool cmdDesvia(std::string_view argView) {
    State& s = state();
    if (s.stop || argView.empty()) return false;
    // Our own copy: loading another program replaces the line this text lives in.
    const std::string argCopy(argView);
    std::string_view arg = argCopy;
    bool hadScript = false, loaded = false;
    if (startsWithUpper(arg, "SCRIPT")) {
        arg.remove_prefix(6);
        if (arg.empty() || arg[0] != ' ') return false;
        arg = util::trimView(arg);
        std::string file;
        if (!readOperand(arg, file)) return false;
        hadScript = true;
        // Another program is read as any file is: from where the game may read.
        std::string path = safety::resolve(file, safety::Access::Read);
        if (path.empty()) {
            safety::sayRefused(file);
            return false;
        }
        loaded = loadScript(file, path);
        // Only a program that did load starts over; a failed load leaves the
        // failing line as the one reported.
        if (loaded) s.current = 0;
    }
    if (!arg.empty() && arg[0] == '@') {
        std::string_view name = arg.substr(1);
        if (name.find(' ') != std::string_view::npos) return hadScript && loaded;
        if (hadScript && !loaded) return false;
        return findLabel(std::string(name));
    }
    std::string_view t = arg;
    std::string label;
    if (!arg.empty() && readOperand(t, label) && t.empty()) {
        if (hadScript && !loaded) return false;
        return findLabel(label);
    }
    return hadScript && loaded;
}

bool cmdChama(std::string_view arg) {
    State& s = state();
    if (s.stop || arg.empty()) return false;
    if (startsWithUpper(arg, "REMOTO ")) {
        arg = util::trimView(arg.substr(7));
        std::string value;
        if (!readOperand(arg, value)) return false;
        std::string* var = nullptr;
        if (!arg.empty()) {
            var = readTarget(arg);
            if (!var || !arg.empty()) return false;
        }
        if (!s.host) return false;
        HostCall host = s.host;  // the handler may be replaced while it runs
        flushWrites();           // the host plays a place: the pupil's turn
        std::string reply = host(value);
        if (var) return assign(var, reply);
        return true;
    }
    std::string label;
    if (arg[0] == '@') {
        std::string_view name = arg.substr(1);
        if (name.find(' ') != std::string_view::npos) return false;
        label.assign(name.data(), name.size());
    } else {
        if (!readOperand(arg, label) || !arg.empty()) return false;
    }
    if (s.depth >= kMaxCallDepth) {
        con::writeLineAndSpeak("Muitas chamadas sem retorno");
        return false;
    }
    s.calls[size_t(s.depth++)] = s.current;
    return findLabel(label);
}

bool cmdRetorna(std::string_view arg) {
    State& s = state();
    if (!arg.empty()) return false;
    if (s.depth == 0) {
        con::writeLineAndSpeak("Retorno sem chamada");
        return false;
    }
    s.current = s.calls[size_t(--s.depth)];
    return true;
}

bool cmdTermina(std::string_view) {
    state().stop = true;
    return true;
}

bool cmdCmd(std::string_view arg) {
    std::string v;
    if (!readOperand(arg, v) || !arg.empty()) return false;
    return runLineText(v);
}

bool cmdCheca(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var || !arg.empty()) return false;
    setNumberText(var, state().status);
    return true;
}

bool cmdRandomiza(std::string_view arg) {
    if (!arg.empty()) return false;
    plat::Time t = plat::currentTime();
    std::random_device rd;
    state().rng.seed(rd() ^ uint32_t(t.hour * 360000 + t.minute * 6000 + t.second * 100 + t.hundredths));
    return true;
}

bool cmdDebug(std::string_view arg) {
    State& s = state();
    if (arg == "-" || (!arg.empty() && arg[0] == 'N')) {
        s.debug = false;
        con::writeLineAndSpeak("Debug desligado");
    } else {
        s.debug = true;
        con::writeLineAndSpeak("Debug ligado");
    }
    return true;
}

}  // namespace

std::vector<CommandEntry> statementCommands() {
    return {
        {"DEBUG", cmdDebug},         {"SEJA", cmdSeja},           {"SOMA", cmdSoma},
        {"SUBTRAI", cmdSubtrai},     {"MULTIPLICA", cmdMultiplica}, {"DIVIDE", cmdDivide},
        {"CONCATENA", cmdConcatena}, {"COPIA", cmdCopia},         {"SUBSTITUI", cmdSubstitui},
        {"CMD", cmdCmd},             {"CHECA", cmdCheca},         {"DESVIA", cmdDesvia},
        {"SE", cmdSe},               {"SENAO", cmdSenao},         {"SENÃO", cmdSenao},
        {"ENQUANTO", cmdEnquanto},   {"REPETE", cmdRepete},       {"FIM", cmdFim},
        {"TERMINA", cmdTermina},     {"CHAMA", cmdChama},         {"RETORNA", cmdRetorna},
        {"RANDOMIZA", cmdRandomiza},
    };
}

}  // namespace script
