// Lines compiled once at load: the commands that loops run most (SEJA with its
// functions, TEMPO and HORA, SOMA, SUBTRAI, MULTIPLICA, DIVIDE, CONCATENA, COPIA,
// SUBSTITUI, SE, ENQUANTO, REPETE, FIM, SENÃO, CHECA, LÊ #n, DESVIA, CHAMA and
// RETORNA to a label) get their operands read, literals converted and jump
// partners and labels found when the program is loaded, and the command of a one-line SE becomes a nested
// instruction; an expression becomes its steps, and a line that CMD runs is
// compiled by its text.  A line is compiled only when its argument has the form that its
// handler would read successfully; everything value-dependent (a variable that
// is not a number, a division by zero, a full table of names) is decided when it
// runs, in the same order as the handler decides it.  Any other line, and every
// line while the debug trace is on, runs through its handler as before.
#include <charconv>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "platform/platform.h"
#include "safety/stopwatch.h"
#include "script/interp.h"
#include "util/text.h"

namespace script {

namespace {

unsigned gNameGeneration = 1;

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }

// An expression's steps rewritten around one accumulator: an operator whose
// right operand is a plain number or variable takes it directly, so most steps
// neither push nor pop.  Operands are read, and operators applied, in the
// steps' own order.
struct AccStep {
    enum Kind : uint8_t { Load, Push, Apply, ApplyPop, Neg };
    Kind kind = Load;
    ExprStep::Kind leaf = ExprStep::Num;  // Load and Apply: what is read
    ExprStep::Kind op = ExprStep::Add;    // Apply and ApplyPop
    uint8_t letter = 0;
    int32_t num = 0;
    uint32_t step = 0;  // the step it came from (a named variable's name)
    mutable int slot = -1;  // a named variable's place in the table, while `generation` holds
    mutable unsigned generation = 0;
};

// One operand or target, as readOperand and readTarget would find it.
struct Operand {
    enum Kind : uint8_t { Literal, Letter, Named, Expression };
    Kind kind = Literal;
    uint8_t letter = 0;
    bool isNumber = false;  // a literal that toNumber reads, as `number`
    int32_t number = 0;
    std::string text;       // the literal, the name upper-cased, or the expression after "("
    mutable Value literal;  // the literal as a value; an expression's last result
    mutable int slot = -1;  // named: position in the table, valid for `generation`
    mutable unsigned generation = 0;
    int32_t source = -1;    // a literal of a CMD text: where it starts in that text
    std::vector<ExprStep> steps;  // an expression's steps; empty: read from its text
    std::vector<AccStep> code;    // the steps for the accumulator
};

// Deepest stack an expression's steps may need to run compiled.
constexpr size_t kMaxExprStack = 64;

enum class Op : uint8_t {
    Handler, Nothing, Soma, Arith, SejaCopy, Tamanho, Maiusc, Pos, Concatena,
    Se, Enquanto, Repete, FimRepete, FimEnquanto, Senao, Cmd, Checa, LeChannel,
    Tempo, Hora, Trim, Rand, Palavra, Copia, Substitui, Desvia, Chama, Retorna,
};

// The program whose lines are being compiled: its labels are known, so a jump
// to one is found once.  Null for the lines CMD runs.
const Program* gCompiling = nullptr;

// The CMD text being compiled: its literals note where they start in it, so the
// compiled line can be kept for every text of the same shape.
std::string_view gSourceText;

// A literal's text and what it reads as, as loading finds them.
void setLiteral(Operand& o) {
    o.number = 0;
    o.isNumber = toNumber(o.text, o.number);
    o.literal = o.text;
    int32_t n;
    if (canonicalNumber(o.text, n)) o.literal.setNumber(n);  // the same text, kept as a number
}

}  // namespace

using Exec = bool (*)(const Instr&);
namespace {
bool run(const Instr& in);
}  // namespace

struct Instr {
    Op op = Op::Handler;
    Exec exec = run;          // runs it: the general switch, or the command's own function
    char arith = 0;           // '-', '*' or '/'
    bool restEmpty = true;    // nothing followed the operands
    Handler handler = nullptr;
    std::string arg;          // Op::Handler: the argument text
    Operand target, a, b;     // a condition's left and right are a and b
    Operand c;                // COPIA: the source
    bool negate = false;
    int compareOp = 0;
    int jump = 0;             // FIM: the loop line it pairs with
    // A program's own line: where skipping its block or loop goes (0: found
    // when it runs, relative to the line running then).
    int end = 0;
    int channel = 0;          // LE #n
    std::unique_ptr<Instr> nested;  // a one-line SE's command
    bool nestedLine = false;        // SE with something after its condition
    // CMD of a literal: the line it names, compiled at its first run (null: by handler).
    mutable std::shared_ptr<const Instr> literalLine;
    mutable bool literalLooked = false;
    // DESVIA and CHAMA to the label a value names (a): the labels found so far.
    bool labelFromValue = false;
    struct FoundLabel {
        std::string text;
        int line;  // 0: no such label
    };
    mutable std::vector<FoundLabel> found;
};

void forgetNameSlots() { ++gNameGeneration; }

namespace {

// --- reading forms at load ----------------------------------------------------

// readOperand without values: false for the forms it would fail on.
bool formOperand(std::string_view& rest, Operand& o) {
    std::string_view t = util::trimView(rest);
    if (t.empty()) return false;
    char c = t[0];
    size_t n = 1;
    if (c == '-' || isDigit(c)) {
        while (n < t.size() && isDigit(t[n])) ++n;
        o.kind = Operand::Literal;
        o.text.assign(t.data(), n);
    } else if (c == '"') {
        o.kind = Operand::Literal;
        o.text.clear();
        for (;;) {
            size_t q = t.find('"', n);
            if (q == std::string_view::npos) {
                o.text.append(t.data() + n, t.size() - n);
                n = t.size();
                break;
            }
            o.text.append(t.data() + n, q - n);
            if (q + 1 < t.size() && t[q + 1] == '"') {
                o.text.push_back('"');
                n = q + 2;
                continue;
            }
            n = q + 1;
            break;
        }
    } else if (c == '$') {
        while (n < t.size() && isNameChar(t[n])) ++n;
        if (n == 1) return false;
        o.kind = Operand::Named;
        o.text = util::upperLatin(t.substr(1, n - 1));
    } else if (isLetter(c)) {
        o.kind = Operand::Letter;
        o.letter = uint8_t(util::upperLatin(uint8_t(c)) - 'A');
    } else if (c == '(') {
        size_t end;
        if (!arithmeticSteps(t.substr(1), end, o.steps) || 1 + end >= t.size() || t[1 + end] != ')') return false;
        o.kind = Operand::Expression;
        o.text.assign(t.data() + 1, end + 1);  // up to its ")": the reader looks no further
        // Steps that would need a deep stack, or that do not leave exactly one
        // value, are read from the text instead.
        size_t depth = 0;
        bool fits = true;
        for (const ExprStep& st : o.steps) {
            const size_t needs = st.kind <= ExprStep::Named ? 0 : st.kind == ExprStep::Neg ? 1 : 2;
            if (depth < needs || depth >= kMaxExprStack) {
                fits = false;
                break;
            }
            depth = needs == 0 ? depth + 1 : needs == 1 ? depth : depth - 1;
        }
        if (!fits || depth != 1) o.steps.clear();
        // Rewrites them for the accumulator (steps stays: it keeps the names).
        bool live = false;
        for (size_t i = 0; i < o.steps.size(); ++i) {
            const ExprStep& st = o.steps[i];
            AccStep a;
            if (st.kind <= ExprStep::Named) {
                a.leaf = st.kind;
                a.letter = st.letter;
                a.num = st.num;
                a.step = uint32_t(i);
                if (live && i + 1 < o.steps.size() && o.steps[i + 1].kind >= ExprStep::Add) {
                    a.kind = AccStep::Apply;
                    a.op = o.steps[++i].kind;
                } else {
                    if (live) {
                        AccStep push;
                        push.kind = AccStep::Push;
                        o.code.push_back(push);
                    }
                    a.kind = AccStep::Load;
                    live = true;
                }
            } else if (st.kind == ExprStep::Neg) {
                a.kind = AccStep::Neg;
            } else {
                a.kind = AccStep::ApplyPop;
                a.op = st.kind;
            }
            o.code.push_back(a);
        }
        n = end + 2;
    } else {
        return false;
    }
    if (o.kind == Operand::Literal) {
        setLiteral(o);
        if (!gSourceText.empty() && t.data() >= gSourceText.data() &&
            t.data() < gSourceText.data() + gSourceText.size())
            o.source = int32_t(t.data() - gSourceText.data());
    }
    t.remove_prefix(n);
    rest = util::trimView(t);
    return true;
}

bool formTarget(std::string_view& rest, Operand& o) {
    std::string_view t = util::trimView(rest);
    if (t.empty()) return false;
    size_t n = 1;
    if (t[0] == '$') {
        while (n < t.size() && isNameChar(t[n])) ++n;
        if (n == 1) return false;
        o.kind = Operand::Named;
        o.text = util::upperLatin(t.substr(1, n - 1));
    } else if (isLetter(t[0])) {
        if (t.size() > 1 && (isLetter(t[1]) || isDigit(t[1]))) return false;
        o.kind = Operand::Letter;
        o.letter = uint8_t(util::upperLatin(uint8_t(t[0])) - 'A');
    } else {
        return false;
    }
    t.remove_prefix(n);
    rest = util::trimView(t);
    return true;
}

bool formCondition(std::string_view& rest, Instr& in) {
    static const std::string kNaoAccented = plat::cp("NÃO");
    std::string_view t = util::trimView(rest);
    if (startsWithUpper(t, "NAO") || startsWithUpper(t, kNaoAccented)) {
        in.negate = true;
        t = util::trimView(t.substr(3));
        if (t.empty()) return false;
    }
    if (!formOperand(t, in.a) || t.empty()) return false;
    size_t len = 0;
    in.compareOp = conditionOperator(t, len);
    if (in.compareOp < 0) return false;
    t = util::trimView(t.substr(len));
    if (!formOperand(t, in.b)) return false;
    rest = t;
    return true;
}

std::unique_ptr<Instr> compileCommand(const std::string& key, std::string_view arg, Handler h);

// SEJA: a plain value, or TAMANHO, MAIUSC or POS of values.
bool compileSeja(std::string_view arg, Instr& in) {
    if (!formTarget(arg, in.target) || arg.empty()) return false;
    if (arg[0] == '=') arg = util::trimView(arg.substr(1));
    if (arg.empty()) return false;
    if (arg.size() <= 5) {
        std::string up = util::upperLatin(arg);
        if (up == "TEMPO" || up == "HORA") {
            in.op = up == "TEMPO" ? Op::Tempo : Op::Hora;
            return true;
        }
        if (up == "DATA" || up == "DIA") return false;
    }
    static const char* const kFuncs[] = {"TAMANHO ", "MAIUSC ", "TRIM ", "POS ", "RAND ", "PALAVRA "};
    static const Op kOps[] = {Op::Tamanho, Op::Maiusc, Op::Trim, Op::Pos, Op::Rand, Op::Palavra};
    for (int f = 0; f < 6; ++f) {
        if (!startsWithUpper(arg, kFuncs[f])) continue;
        arg = util::trimView(arg.substr(std::strlen(kFuncs[f])));
        // POS and PALAVRA read their first operand into b.
        if ((f == 3 || f == 5) && !formOperand(arg, in.b)) return false;
        if (!formOperand(arg, in.a) || !arg.empty()) return false;
        in.op = kOps[f];
        return true;
    }
    if (!formOperand(arg, in.a) || !arg.empty()) return false;
    in.op = Op::SejaCopy;
    return true;
}

// The command after a one-line SE's condition, as executeLine would run it.
bool compileNested(std::string_view rest, Instr& in) {
    if (rest.empty()) return true;  // a block
    in.nestedLine = true;
    if (rest[0] == '*' || rest[0] == '@') {
        in.nested.reset(new Instr);
        in.nested->op = Op::Nothing;
        return true;
    }
    size_t sp = rest.find(' ');
    std::string_view word = sp == std::string_view::npos ? rest : rest.substr(0, sp);
    std::string_view arg = sp == std::string_view::npos ? std::string_view() : util::trimView(rest.substr(sp + 1));
    if (word.size() > 32) return false;
    std::string key = util::upperLatin(word);
    static const std::string kSenaoAccented = plat::cp("SENÃO");
    if (key == "REPETE" || key == "ENQUANTO" || key == "SENAO" || key == "FIM" || key == kSenaoAccented) return false;
    Handler h = lookupCommand(key);
    if (!h) return false;  // reported as invalid by the handler path
    // SE inside SE inside SE...: past the run's own nesting limit the handler
    // path decides, so a long line cannot exhaust the stack while loading.
    static int depth = 0;
    if (depth < kMaxNesting) {
        ++depth;
        in.nested = compileCommand(key, arg, h);
        --depth;
    }
    if (!in.nested) {
        in.nested.reset(new Instr);
        in.nested->handler = h;
        in.nested->arg.assign(arg.data(), arg.size());
    }
    return true;
}

bool execNothing(const Instr&);
bool execConcatena(const Instr&);
bool execCmd(const Instr&);
bool execSoma(const Instr&);
bool execSejaCopy(const Instr&);
bool execSejaExpression(const Instr&);
bool execSe(const Instr&);
bool execEnquanto(const Instr&);
bool execRepete(const Instr&);
bool execFimRepete(const Instr&);
bool execFimEnquanto(const Instr&);
bool execSenao(const Instr&);
bool execLeChannel(const Instr&);

void specialise(Instr& in) {
    switch (in.op) {
        case Op::Nothing: in.exec = execNothing; break;
        case Op::Soma: in.exec = execSoma; break;
        case Op::Concatena: in.exec = execConcatena; break;
        case Op::Cmd: in.exec = execCmd; break;
        case Op::SejaCopy:
            in.exec = in.a.kind == Operand::Expression && !in.a.code.empty() ? execSejaExpression : execSejaCopy;
            break;
        case Op::Se: in.exec = execSe; break;
        case Op::Enquanto: in.exec = execEnquanto; break;
        case Op::Repete: in.exec = execRepete; break;
        case Op::FimRepete: in.exec = execFimRepete; break;
        case Op::FimEnquanto: in.exec = execFimEnquanto; break;
        case Op::Senao: in.exec = execSenao; break;
        case Op::LeChannel: in.exec = execLeChannel; break;
        default: in.exec = run; break;
    }
}

std::unique_ptr<Instr> compileCommand(const std::string& key, std::string_view arg, Handler h) {
    std::unique_ptr<Instr> in(new Instr);
    in->handler = h;
    bool ok = false;
    if (key == "SOMA") {
        in->op = Op::Soma;
        ok = formTarget(arg, in->target) && !arg.empty() && formOperand(arg, in->a);
    } else if (key == "SUBTRAI" || key == "MULTIPLICA" || key == "DIVIDE") {
        in->op = Op::Arith;
        in->arith = key[0] == 'S' ? '-' : key[0] == 'M' ? '*' : '/';
        ok = formTarget(arg, in->target) && !arg.empty() && formOperand(arg, in->a);
        in->restEmpty = arg.empty();
    } else if (key == "CONCATENA") {
        in->op = Op::Concatena;
        ok = formTarget(arg, in->target) && formOperand(arg, in->a) && arg.empty();
    } else if (key == "SEJA") {
        ok = compileSeja(arg, *in);
    } else if (key == "SE") {
        in->op = Op::Se;
        ok = formCondition(arg, *in) && compileNested(arg, *in);
    } else if (key == "ENQUANTO") {
        in->op = Op::Enquanto;
        ok = formCondition(arg, *in);
    } else if (key == "REPETE") {
        in->op = Op::Repete;
        ok = formTarget(arg, in->target) && !arg.empty() && formOperand(arg, in->a);
    } else if (key == "SENAO" || key == plat::cp("SENÃO")) {
        in->op = Op::Senao;
        ok = arg.empty();
    } else if (key == "CMD") {
        in->op = Op::Cmd;
        ok = formOperand(arg, in->a) && arg.empty();
    } else if (key == "COPIA") {
        // Whatever follows the two positions is not read.
        in->op = Op::Copia;
        ok = formTarget(arg, in->target) && formTarget(arg, in->c) && formOperand(arg, in->a) &&
             formOperand(arg, in->b);
    } else if (key == "SUBSTITUI") {
        in->op = Op::Substitui;
        ok = formTarget(arg, in->target) && formOperand(arg, in->a) && formOperand(arg, in->b);
    } else if ((key == "DESVIA" || key == "CHAMA") && gCompiling && !arg.empty()) {
        // To a label named by "@NAME" or a literal: found now in the program's labels.
        in->op = key == "DESVIA" ? Op::Desvia : Op::Chama;
        in->arg.assign(arg.data(), arg.size());
        std::string label;
        if (arg[0] == '@') {
            label.assign(arg.data() + 1, arg.size() - 1);
            ok = label.find(' ') == std::string::npos;
        } else if (arg[0] == '"' || arg[0] == '-' || (arg[0] >= '0' && arg[0] <= '9')) {
            Operand o;
            ok = formOperand(arg, o) && arg.empty();
            label = o.text;
        } else if (arg[0] == '$' || arg[0] == '(' || isLetter(arg[0])) {
            // A label a variable holds: found when it runs, as the handler finds it.
            in->labelFromValue = ok = formOperand(arg, in->a) && arg.empty();
        }
        if (ok && !in->labelFromValue) {
            auto it = gCompiling->labels.find(util::upperLatin(label));
            in->jump = it == gCompiling->labels.end() || it->second > gCompiling->count() ? 0 : it->second;
        }
    } else if (key == "RETORNA") {
        in->op = Op::Retorna;
        ok = arg.empty();
    } else if (key == "CHECA") {
        in->op = Op::Checa;
        ok = formTarget(arg, in->target) && arg.empty();
    } else if (key == "LE" || key == plat::cp("LÊ")) {
        // LE #n VAR (whatever follows the variable is not read); the other
        // forms read the keyboard or the mouse and keep their handler.
        in->op = Op::LeChannel;
        in->arg.assign(arg.data(), arg.size());  // a network channel is read by the handler
        std::string_view t = arg;
        takeAmpersand(t);
        in->channel = readChannel(t);
        ok = in->channel >= 0 && !t.empty() && formTarget(t, in->target);
    }
    if (!ok) return nullptr;
    specialise(*in);
    return in;
}

// --- running ------------------------------------------------------------------

[[gnu::always_inline]] inline Value* variable(const Operand& o) {
    State& s = state();
    if (o.kind == Operand::Letter) return &s.letters[o.letter];
    if (o.generation == gNameGeneration) return &s.named[size_t(o.slot)];
    Value* v = namedValue(o.text, true);
    if (v) {
        o.slot = int(v - s.named.data());
        o.generation = gNameGeneration;
    }
    return v;
}

inline bool numberOf(Value& v, int32_t& n);

// A plain number or variable of an expression, as the reader reads it.
[[gnu::always_inline]] inline bool readLeaf(const AccStep& a, const std::vector<ExprStep>& steps, int32_t& out) {
    State& s = state();
    if (a.leaf == ExprStep::Num) {
        out = a.num;
        return true;
    }
    if (a.leaf == ExprStep::Letter) return numberOf(s.letters[a.letter], out);
    Value* v;
    if (a.generation == gNameGeneration) {
        v = &s.named[size_t(a.slot)];
    } else {
        v = namedValue(steps[a.step].name, true);
        if (!v) return false;
        a.slot = int(v - s.named.data());
        a.generation = gNameGeneration;
    }
    return numberOf(*v, out);
}

// The reader's arithmetic: 32 bits wrapping; a division by zero fails.
[[gnu::always_inline]] inline bool applyOp(ExprStep::Kind op, int32_t a, int32_t b, int32_t& out) {
    switch (op) {
        case ExprStep::Add: out = int32_t(uint32_t(a) + uint32_t(b)); return true;
        case ExprStep::Sub: out = int32_t(uint32_t(a) - uint32_t(b)); return true;
        case ExprStep::Mul: out = int32_t(uint32_t(a) * uint32_t(b)); return true;
        default:
            if (b == 0) return false;
            out = (a == std::numeric_limits<int32_t>::min() && b == -1) ? a : a / b;
            return true;
    }
}

// The variables are read, and the operators applied, with the reader's rules:
// variables read in order and made when first named, the first that is not a
// number failing it, and so does a division by zero.
bool runCode(const Operand& o, int32_t& out) {
    // One operand and one operator, the commonest shape, without the loop.
    if (o.code.size() == 2 && o.code[1].kind == AccStep::Apply) {
        int32_t a, b;
        return readLeaf(o.code[0], o.steps, a) && readLeaf(o.code[1], o.steps, b) && applyOp(o.code[1].op, a, b, out);
    }
    int32_t stack[kMaxExprStack];
    size_t sp = 0;
    int32_t acc = 0, r;
    // Tested commonest first: branches predict better here than one jump table.
    for (const AccStep& a : o.code) {
        if (a.kind == AccStep::Apply) {
            if (!readLeaf(a, o.steps, r) || !applyOp(a.op, acc, r, acc)) return false;
        } else if (a.kind == AccStep::Load) {
            if (!readLeaf(a, o.steps, acc)) return false;
        } else if (a.kind == AccStep::Push) {
            stack[sp++] = acc;
        } else if (a.kind == AccStep::ApplyPop) {
            if (!applyOp(a.op, stack[--sp], acc, acc)) return false;
        } else {
            acc = int32_t(0u - uint32_t(acc));  // Neg
        }
    }
    out = acc;
    return true;
}

bool evaluate(const Operand& o, int32_t& n) {
    if (!o.code.empty()) return runCode(o, n);
    std::string_view e = o.text;
    return evaluateArithmetic(e, n) && !e.empty() && e[0] == ')';
}

[[gnu::always_inline]] inline Value* value(const Operand& o) {
    if (o.kind == Operand::Literal) return &o.literal;
    if (o.kind != Operand::Expression) return variable(o);
    int32_t n;
    if (!evaluate(o, n)) return nullptr;
    o.literal.setNumber(n);
    return &o.literal;
}

// toNumber of the value's text, without writing the text when it is a number.
inline bool numberOf(Value& v, int32_t& n) { return v.number(n) || toNumber(v.view(), n); }

[[gnu::always_inline]] inline bool number(const Operand& o, int32_t& n) {
    if (o.kind == Operand::Literal) {
        n = o.number;
        return o.isNumber;
    }
    if (o.kind == Operand::Expression) return evaluate(o, n);
    Value* v = variable(o);
    return v && numberOf(*v, n);
}

[[gnu::always_inline]] inline bool condition(const Instr& in, bool& result) {
    Value* l = value(in.a);
    if (!l) return false;
    Value* r = value(in.b);
    if (!r) return false;
    int32_t x, y;
    bool c;
    const int op = in.compareOp;
    // Two numbers as their texts compare: equal texts are equal numbers, and
    // texts of digits alone compare by value.
    if (op != 4 && op != 5 && op != 6 && l->number(x) && r->number(y) && (op == 2 || (x >= 0 && y >= 0))) {
        switch (op) {
            case 0: c = x >= y; break;
            case 1: c = x <= y; break;
            case 3: c = x != y; break;
            case 2:
            case 7: c = x == y; break;
            case 8: c = x < y; break;
            default: c = x > y; break;
        }
    } else {
        c = compareValues(l->view(), r->view(), op);
    }
    result = c != in.negate;
    return true;
}

// Past a block or a loop: to the end found at load, or the one the line running now pairs with.
inline void skip(const Instr& in) {
    if (in.end > 0) state().current = in.end;
    else skipToEnd();
}

// REPETE (first pass) and FIM REPETE (the next ones): counts the target up and
// leaves the loop past its limit.
inline bool repete(const Instr& in, bool fromFim) {
    Value* var = variable(in.target);
    if (!var) return false;
    int32_t limit;
    if (!number(in.a, limit)) return false;
    int32_t counter = 0;
    if (fromFim && !numberOf(*var, counter)) return false;
    int32_t next = int32_t(uint32_t(counter) + 1u);
    var->setNumber(next);
    if (limit < next) skip(in);
    return true;
}

bool runNested(const Instr& code);
bool runNested(std::shared_ptr<const Instr> code);
std::shared_ptr<const Instr> compileLine(std::string_view text);

// The date and time of day as the platform gives them; the calendar is worked
// out once per second, since only the hundredths change within one.
void readClock(plat::Date& d, plat::Time& t) {
    static int64_t second = std::numeric_limits<int64_t>::min();
    static plat::Date date;
    static plat::Time time;
    const int64_t ms = plat::wallClockMs();
    const int64_t sec = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    if (sec != second) {
        date = plat::dateAt(ms);
        time = plat::timeAt(ms);
        second = sec;
    }
    d = date;
    t = time;
    int within = int(ms % 1000);
    if (within < 0) within += 1000;
    t.hundredths = within / 10;
}

// The commands loops run most, each its own small function: a line calls its
// own through Instr::exec rather than going through the general switch.
bool execNothing(const Instr&) { return true; }

bool execConcatena(const Instr& in) {
    Value* var = variable(in.target);
    Value* v = var ? value(in.a) : nullptr;
    if (!v || var->view().size() + v->view().size() > kMaxValue) return false;
    const std::string& add = v->view();
    var->text().append(add);
    return true;
}

bool execCmd(const Instr& in) {
    if (in.a.kind != Operand::Literal) {
        Value* v = value(in.a);
        return v && runLineText(v->view());
    }
    if (!in.literalLooked) {
        in.literalLine = compileLine(in.a.text);
        in.literalLooked = true;
    }
    if (!in.literalLine) return executeLine(in.a.text, true);
    return runNested(in.literalLine);
}

bool execSoma(const Instr& in) {
    Value* var = variable(in.target);
    int32_t add, n;
    if (!var || !number(in.a, add)) return false;
    if (!var->number(n)) return addToTextNumber(var->text(), add);
    var->setNumber(int32_t(uint32_t(n) + uint32_t(add)));
    return true;
}

bool execSejaCopy(const Instr& in) {
    Value* var = variable(in.target);
    Value* v = var ? value(in.a) : nullptr;
    if (!v) return false;
    if (v == var) return true;
    int32_t n;
    if (v->number(n)) {
        var->setNumber(n);
        return true;
    }
    return assign(&var->text(), v->view());
}

// SEJA of an expression: its result straight into the variable.
bool execSejaExpression(const Instr& in) {
    Value* var = variable(in.target);
    int32_t n;
    if (!var || !runCode(in.a, n)) return false;
    var->setNumber(n);
    return true;
}

// LE #n: a file's line read into the variable.
bool execLeChannel(const Instr& in) {
    State& s = state();
    flushWrites();
    s.status = 0;
    Value* var = variable(in.target);
    if (!var) return false;
    if (s.channels[size_t(in.channel)].network) return in.handler(in.arg);
    // Read into a kept buffer, then copied into the variable's own: no
    // allocation per line, and a line too long leaves the variable as it was.
    std::string& line = s.lineRead;
    const int rc = readChannelLine(in.channel, line);
    if (rc < 0) return false;
    s.status = rc;
    if (rc == 0) var->text().assign(line);
    else var->clear();
    return true;
}

bool execSe(const Instr& in) {
    State& s = state();
    bool r;
    if (!condition(in, r)) return false;
    if (r) {
        if (!in.nestedLine) return true;
        if (in.nested->op == Op::Nothing) return true;
        if (s.nesting >= kMaxNesting) return false;
        ++s.nesting;
        bool ok = in.nested->exec(*in.nested);
        s.error = !ok;
        --s.nesting;
        return ok;
    }
    if (in.nestedLine) return true;
    if (in.end > 0) s.current = in.end;
    else skipFalseBlock();
    return true;
}

bool execEnquanto(const Instr& in) {
    bool r;
    if (!condition(in, r)) return false;
    if (!r) skip(in);
    return true;
}

bool execRepete(const Instr& in) { return repete(in, false); }

bool execFimRepete(const Instr& in) {
    state().current = in.jump;
    return repete(in, true);
}

bool execFimEnquanto(const Instr& in) {
    state().current = in.jump - 1;
    return true;
}

bool execSenao(const Instr& in) {
    skip(in);
    return true;
}

// The line of the label that the value of a DESVIA or CHAMA names, as findLabel
// finds it: 0 when there is none, -1 when the value cannot be read.
int labelNamed(const Instr& in) {
    State& s = state();
    Value* v = value(in.a);
    if (!v) return -1;
    const std::string& text = v->view();
    int line = -1;
    for (const Instr::FoundLabel& f : in.found)
        if (f.text == text) line = f.line;
    if (line < 0) {
        auto it = s.prog.labels.find(util::upperLatin(text));
        line = it == s.prog.labels.end() ? 0 : it->second;
        // A few labels per line are kept; a line that names ever new ones looks them up.
        if (in.found.size() < 8) in.found.push_back({text, line});
    }
    return line > s.lineCount ? 0 : line;
}

bool run(const Instr& in) {
    State& s = state();
    switch (in.op) {
        case Op::Handler: return in.handler(in.arg);
        case Op::Nothing: return true;
        case Op::Soma: return execSoma(in);
        case Op::Arith: {
            Value* var = variable(in.target);
            int32_t a, b, r;
            if (!var || !numberOf(*var, a) || !number(in.a, b)) return false;
            if (!arithmetic(a, b, in.arith, r)) return false;
            var->setNumber(r);
            return in.restEmpty;
        }
        case Op::SejaCopy: return execSejaCopy(in);
        case Op::Tamanho: {
            Value* var = variable(in.target);
            Value* v = var ? value(in.a) : nullptr;
            if (!v) return false;
            var->setNumber(int32_t(v->view().size()));
            return true;
        }
        case Op::Maiusc: {
            Value* var = variable(in.target);
            Value* v = var ? value(in.a) : nullptr;
            if (!v || v->view().size() > kMaxValue) return false;
            if (v != var) var->text().assign(v->view());
            for (char& c : var->text()) c = char(util::upperLatin(uint8_t(c)));
            return true;
        }
        case Op::Pos: {
            Value* var = variable(in.target);
            Value* first = var ? value(in.b) : nullptr;
            Value* main = first ? value(in.a) : nullptr;
            if (!main) return false;
            const std::string& f = first->view();
            size_t p = f.empty() ? std::string::npos : main->view().find(f);
            var->setNumber(p == std::string::npos ? 0 : int32_t(p) + 1);
            return true;
        }
        case Op::Concatena: return execConcatena(in);
        case Op::Se: return execSe(in);
        case Op::Enquanto: return execEnquanto(in);
        case Op::Repete: return execRepete(in);
        case Op::FimRepete: return execFimRepete(in);
        case Op::FimEnquanto: return execFimEnquanto(in);
        case Op::Senao: return execSenao(in);
        case Op::Cmd: return execCmd(in);
        case Op::Tempo: {
            // Hundredths since the reference; starts again after a week.
            Value* var = variable(in.target);
            if (!var) return false;
            plat::Date d;
            plat::Time t;
            readClock(d, t);
            int days = d.weekday - s.refWeekday;
            if (days < 0) days += 7;
            const int64_t v = (int64_t(days) * 24 + t.hour) * 360000 + int64_t(t.minute) * 6000 + t.second * 100 +
                              t.hundredths - s.refTime;
            var->setNumber(int32_t(uint32_t(uint64_t(v))));
            return true;
        }
        case Op::Hora: {
            Value* var = variable(in.target);
            if (!var) return false;
            plat::Date d;
            plat::Time t;
            readClock(d, t);
            char buf[48];
            char* at = buf;
            for (int part : {t.hour, t.minute, t.second}) {
                if (at != buf) *at++ = ':';
                if (part >= 0 && part < 10) *at++ = '0';
                at = std::to_chars(at, buf + sizeof buf, part).ptr;
            }
            var->text().assign(buf, size_t(at - buf));
            return true;
        }
        case Op::Trim: {
            Value* var = variable(in.target);
            Value* v = var ? value(in.a) : nullptr;
            if (!v) return false;
            std::string_view t = util::trimView(v->view());
            s.scratch.assign(t.data(), t.size());  // the value may be the variable itself
            var->text().swap(s.scratch);
            return true;
        }
        case Op::Rand: {
            Value* var = variable(in.target);
            int32_t n;
            if (!var || !number(in.a, n)) return false;
            // RAND of 0 or less has no range to draw from: it gives 0.
            var->setNumber(n <= 0 ? 0 : int32_t(s.rng() % uint32_t(n)));
            return true;
        }
        case Op::Palavra: {
            Value* var = variable(in.target);
            Value* first = var ? value(in.b) : nullptr;
            Value* main = first ? value(in.a) : nullptr;
            int32_t k;
            if (!main || !numberOf(*first, k) || k < 1) return false;
            std::string_view w = wordAt(k, main->view());
            s.scratch.assign(w.data(), w.size());
            var->text().swap(s.scratch);
            return true;
        }
        case Op::Copia: {
            Value* dst = variable(in.target);
            Value* src = dst ? variable(in.c) : nullptr;
            Value* va = src ? value(in.a) : nullptr;
            Value* vb = va ? value(in.b) : nullptr;
            if (!vb) return false;
            // The positions are read as their trimmed texts.
            int32_t from, to;
            if (!va->number(from) && !toNumber(util::trimView(va->view()), from)) return false;
            if (!vb->number(to) && !toNumber(util::trimView(vb->view()), to)) return false;
            if (from < 1) from = 1;
            const std::string& t = src->view();
            s.scratch.clear();
            if (to >= from && size_t(from) <= t.size())
                s.scratch.assign(t, size_t(from) - 1, size_t(int64_t(to) - from + 1));
            dst->text().swap(s.scratch);
            return true;
        }
        case Op::Substitui: {
            Value* var = variable(in.target);
            Value* old = var ? value(in.a) : nullptr;
            Value* repl = old ? value(in.b) : nullptr;
            if (!repl) return false;
            const std::string& text = var->view();
            const std::string& o = old->view();
            if (!substitute(text, o, repl->view(), s.scratch)) return false;
            var->text().swap(s.scratch);
            return true;
        }
        case Op::Desvia: {
            if (s.stop) return false;
            const int to = in.labelFromValue ? labelNamed(in) : in.jump;
            if (to <= 0) return false;
            s.current = to;
            return true;
        }
        case Op::Chama: {
            if (s.stop || s.depth >= kMaxCallDepth) return in.handler(in.arg);  // it says why
            int to = in.jump;
            if (in.labelFromValue && (to = labelNamed(in)) < 0) return false;
            s.calls[size_t(s.depth++)] = s.current;
            if (to <= 0) return false;
            s.current = to;
            return true;
        }
        case Op::Retorna:
            if (s.depth == 0) return in.handler(in.arg);  // it says why
            s.current = s.calls[size_t(--s.depth)];
            return true;
        case Op::Checa: {
            Value* var = variable(in.target);
            if (!var) return false;
            var->setNumber(s.status);
            return true;
        }
        case Op::LeChannel: return execLeChannel(in);
    }
    return false;
}

// A nested line as executeLine runs it: within the nesting limit, its result
// in the error flag.  The shared pointer keeps the code alive while it runs.
bool runNested(const Instr& code) {
    State& s = state();
    if (s.nesting >= kMaxNesting) return false;
    ++s.nesting;
    bool ok = code.exec(code);
    s.error = !ok;
    --s.nesting;
    return ok;
}

bool runNested(std::shared_ptr<const Instr> code) { return runNested(*code); }

// The line as executeLine(text, true) would run it, compiled; null when it is
// empty, a comment, a block word, unknown or of a form only its handler reads.
std::shared_ptr<const Instr> compileLine(std::string_view text) {
    std::string_view t = util::trimView(text);
    if (t.empty() || t[0] == '*' || t[0] == '@') return nullptr;
    size_t sp = t.find(' ');
    std::string_view word = sp == std::string_view::npos ? t : t.substr(0, sp);
    std::string_view arg = sp == std::string_view::npos ? std::string_view() : util::trimView(t.substr(sp + 1));
    if (word.size() > 32) return nullptr;
    std::string key = util::upperLatin(word);
    static const std::string kSenaoAccented = plat::cp("SENÃO");
    if (key == "REPETE" || key == "ENQUANTO" || key == "SENAO" || key == "FIM" || key == kSenaoAccented)
        return nullptr;
    Handler h = lookupCommand(key);
    if (!h) return nullptr;
    // A CMD whose text is a CMD, and so on: past the run's own nesting limit
    // the handler path decides, so compiling cannot exhaust the stack.
    static int depth = 0;
    if (depth >= kMaxNesting) return nullptr;
    ++depth;
    std::shared_ptr<const Instr> code = compileCommand(key, arg, h);
    --depth;
    return code;
}

}  // namespace

namespace {

// A bounded table of compiled lines: when the young half fills, it becomes the
// old half and the old one is dropped, so lines in use stay without a table
// that grows with every new text a program builds.
template <class V>
class Kept {
public:
    explicit Kept(size_t half) : half_(half) {}
    V* find(const std::string& key) {
        auto it = young_.find(key);
        if (it != young_.end()) return &it->second;
        auto old = old_.find(key);
        if (old == old_.end()) return nullptr;
        V v = std::move(old->second);
        old_.erase(old);
        return add(key, std::move(v));
    }
    V* add(const std::string& key, V v) {
        if (young_.size() >= half_) {
            old_.swap(young_);
            young_.clear();
            ++ageings_;
        }
        return &young_.insert_or_assign(key, std::move(v)).first->second;
    }

    // An entry found stays where it is until the table ages (or it is found again).
    unsigned ageings() const { return ageings_; }

private:
    size_t half_;
    unsigned ageings_ = 0;
    std::unordered_map<std::string, V> young_, old_;
};

// Bytes that stand for a number and for a quoted text in a shape.
constexpr char kNumberMark = '\x01', kQuotedMark = '\x02';

struct Piece {
    uint32_t at, size;  // in the text; a quoted one with its quotes
    bool quoted;
};

// The text with its numbers and simple quoted texts taken out: names and words
// (with their digits) stay.  False when the text holds the marks themselves.
// What each byte is to the shape: 0 kept as it is, 1 starts a name or word,
// 2 a digit, 3 a quote or a mark.
struct ShapeClasses {
    uint8_t of[256] = {};
    ShapeClasses() {
        for (int c = 0; c < 256; ++c) {
            if (c == '$' || c == '_' || isLetter(char(c))) of[c] = 1;
            else if (isDigit(char(c))) of[c] = 2;
        }
        of[uint8_t('"')] = of[uint8_t(kNumberMark)] = of[uint8_t(kQuotedMark)] = 3;
    }
};
const ShapeClasses kShapeClasses;

bool shapeOf(std::string_view t, std::string& shape, std::vector<Piece>& pieces) {
    shape.clear();
    pieces.clear();
    const uint8_t* const of = kShapeClasses.of;
    const size_t n = t.size();
    size_t i = 0, kept = 0;  // t[kept, i) goes into the shape as it is
    while (i < n) {
        const char c = t[i];
        const uint8_t k = of[uint8_t(c)];
        if (k == 0) {
            ++i;
            continue;
        }
        if (k == 1) {
            for (++i; i < n && of[uint8_t(t[i])] - 1u < 2u;) ++i;  // letters, digits, '_' and '$'
            continue;
        }
        size_t j = i + 1;
        if (isDigit(c)) {
            while (j < n && isDigit(t[j])) ++j;
            shape.append(t.data() + kept, i - kept).push_back(kNumberMark);
            pieces.push_back({uint32_t(i), uint32_t(j - i), false});
        } else if (c == '"') {
            const size_t q = t.find('"', j);
            if (q == std::string_view::npos || (q + 1 < n && t[q + 1] == '"')) {
                // Quotes inside quotes, or no end: the rest is kept as it is.
                for (; i < n; ++i)
                    if (t[i] == kNumberMark || t[i] == kQuotedMark) return false;
                break;
            }
            j = q + 1;
            shape.append(t.data() + kept, i - kept).push_back(kQuotedMark);
            pieces.push_back({uint32_t(i), uint32_t(j - i), true});
        } else if (c == kNumberMark || c == kQuotedMark) {
            return false;
        } else {
            ++i;
            continue;
        }
        i = kept = j;
    }
    shape.append(t.data() + kept, n - kept);
    return true;
}

// A compiled line kept for its shape, and the literals each piece becomes.
struct Shaped {
    std::shared_ptr<Instr> code;  // null: lines of this shape are kept by their text
    std::vector<Operand*> literals;
};

void literalsOf(Instr& in, std::vector<Operand*>& out, bool& plain) {
    if (in.op == Op::Cmd || in.op == Op::Handler || in.op == Op::LeChannel) plain = false;
    for (Operand* o : {&in.target, &in.a, &in.b, &in.c})
        if (o->kind == Operand::Literal && o->source >= 0) out.push_back(o);
    if (in.nested) literalsOf(*in.nested, out, plain);
}

// The code for `text` when every piece of it became one literal, each taken
// whole (a number with its sign), and nothing else in it keeps text of its own:
// then another text of the same shape differs only in those literals.
Shaped shapedCode(std::string_view text, const std::vector<Piece>& pieces) {
    Shaped out;
    gSourceText = text;
    std::shared_ptr<const Instr> compiled = compileLine(text);
    gSourceText = std::string_view();
    if (!compiled) return out;
    auto code = std::const_pointer_cast<Instr>(compiled);
    std::vector<Operand*> found;
    bool plain = true;
    literalsOf(*code, found, plain);
    if (!plain) return out;
    for (const Piece& p : pieces) {
        Operand* match = nullptr;
        for (Operand* o : found) {
            const size_t from = size_t(o->source);
            const bool signedHere = !p.quoted && from + 1 == p.at && text[from] == '-';
            if (from != p.at && !signedHere) continue;
            const std::string_view whole = p.quoted ? text.substr(p.at + 1, p.size - 2)
                                                    : text.substr(from, p.at + p.size - from);
            if (o->text == whole) match = o;
            break;
        }
        if (!match) return out;
        out.literals.push_back(match);
    }
    out.code = std::move(code);
    return out;
}

// The kept code given the literals of this text.
void setPieces(Shaped& k, std::string_view text, const std::vector<Piece>& pieces) {
    for (size_t i = 0; i < pieces.size(); ++i) {
        Operand& o = *k.literals[i];
        const Piece& p = pieces[i];
        std::string_view whole;
        if (p.quoted) {
            whole = text.substr(p.at + 1, p.size - 2);
        } else {
            const bool sign = o.text.size() > 0 && o.text[0] == '-';
            whole = text.substr(p.at - (sign ? 1 : 0), p.size + (sign ? 1 : 0));
        }
        if (o.text == whole) continue;
        o.text.assign(whole.data(), whole.size());
        setLiteral(o);
    }
}

}  // namespace

bool runLineText(const std::string& text) {
    if (state().debug) return executeLine(text, true);
    // Only short texts are kept, in bounded tables.  A text whose numbers and
    // quoted texts change from pass to pass (a table reached through built
    // lines) is kept by its shape, the literals set anew each time.
    constexpr size_t kHalf = 1024, kMaxKeptText = 256;
    static Kept<std::shared_ptr<const Instr>> byText(kHalf);
    static Kept<Shaped> byShape(kHalf);
    static std::string shape;
    static std::vector<Piece> pieces;
    if (text.size() <= kMaxKeptText && shapeOf(text, shape, pieces) && !pieces.empty()) {
        Shaped* k = byShape.find(shape);
        if (!k) k = byShape.add(shape, shapedCode(text, pieces));
        if (k->code) {
            // Taken out while it runs: a CMD inside it running the same shape
            // finds no code and goes by its text.  Put back unless the table aged.
            setPieces(*k, text, pieces);
            std::shared_ptr<Instr> code = std::move(k->code);
            const unsigned ageings = byShape.ageings();
            const bool ok = runNested(*code);
            if (byShape.ageings() == ageings) k->code = std::move(code);
            return ok;
        }
    }
    if (auto* kept = byText.find(text)) {
        if (!*kept) return executeLine(text, true);
        std::shared_ptr<const Instr> code = std::move(*kept);
        const unsigned ageings = byText.ageings();
        const bool ok = runNested(*code);
        if (byText.ageings() == ageings) *kept = std::move(code);
        return ok;
    }
    std::shared_ptr<const Instr> code = compileLine(text);
    if (text.size() <= kMaxKeptText) byText.add(text, code);
    if (!code) return executeLine(text, true);
    return runNested(std::move(code));
}

bool runCompiled(const Instr& code) {
    bool ok = code.exec(code);
    state().error = !ok;
    return ok;
}

namespace {

// Quick code reaches the front only to say why it failed (so the stop flag
// cannot change while it runs and succeeds) and its work is bounded by the
// longest value: lines of it look at the clock less often than other lines do.
bool isQuick(const Instr& in) {
    switch (in.op) {
        case Op::Nothing: case Op::Soma: case Op::Arith: case Op::SejaCopy: case Op::Tamanho: case Op::Maiusc:
        case Op::Pos: case Op::Concatena: case Op::Enquanto: case Op::Repete: case Op::FimRepete:
        case Op::FimEnquanto: case Op::Senao: case Op::Checa: case Op::Tempo: case Op::Hora: case Op::Trim:
        case Op::Rand: case Op::Palavra: case Op::Copia: case Op::Substitui: case Op::Desvia: case Op::Chama:
        case Op::Retorna:
            return true;
        case Op::Se: return !in.nestedLine || isQuick(*in.nested);
        default: return false;
    }
}

// Quick lines between two looks at the clock's stop check.
constexpr int kQuickLinesPerClockLook = 16;

}  // namespace

void runQuickLines() {
    State& s = state();
    const Instr* const* quick = s.prog.quick.data();  // quick lines never load a program
    const int count = s.lineCount;
    int untilClock = kQuickLinesPerClockLook;
    for (;;) {
        const int cur = s.current;
        if (cur < 1 || cur > count) return;
        const Instr* in = quick[cur];
        if (!in) return;
        const bool ok = in->exec(*in);
        s.error = !ok;
        // As stopKeyPressed, without asking for a flag that only the look can set.
        if (++s.sinceStopPoll >= kStopPollLines ||
            (--untilClock == 0 && (untilClock = kQuickLinesPerClockLook, safety::stopCheckDue()))) {
            lookAtStopKey();
            if (plat::programStopRequested()) {
                s.stopped = true;
                return;
            }
        } else if (!ok && plat::programStopRequested()) {
            // A failing line may have told the pupil why, through the front.
            s.stopped = true;
            return;
        }
        if (!ok) return;
        ++s.current;
    }
}

void compileProgram(Program& p) {
    p.quick.assign(size_t(p.count()) + 2, nullptr);
    struct Compiling {
        explicit Compiling(const Program& p) { gCompiling = &p; }
        ~Compiling() { gCompiling = nullptr; }
    } compiling(p);
    // Where a skip from line k goes, as skipToEnd finds it.
    auto endOf = [&p](int k) {
        const int to = size_t(k) < p.match.size() ? p.match[size_t(k)] : 0;
        return to > 0 ? to : p.count() + 1;
    };
    for (int k = 1; k <= p.count(); ++k) {
        Line& L = p.lines[size_t(k)];
        if (L.nop || !L.handler) continue;
        std::unique_ptr<Instr> in;
        if (L.fim == BlockEnd::Se) {
            in.reset(new Instr);
            in->op = Op::Nothing;  // FIM SE ends nothing when run
        } else if (L.fim == BlockEnd::Enquanto || L.fim == BlockEnd::Repete) {
            // FIM's own argument is exactly the loop word here; a FIM REPETE runs its
            // REPETE line's argument as that line read it, upper-cased.
            int loop = p.match[size_t(k)];
            if (loop == 0 || L.arg.size() != (L.fim == BlockEnd::Enquanto ? 8u : 6u)) continue;
            in.reset(new Instr);
            in->jump = loop;
            in->end = endOf(loop);
            if (L.fim == BlockEnd::Enquanto) {
                in->op = Op::FimEnquanto;
            } else {
                in->op = Op::FimRepete;
                std::string_view arg = p.lines[size_t(loop)].repeteArg;
                if (!formTarget(arg, in->target) || arg.empty() || !formOperand(arg, in->a)) continue;
            }
        } else {
            in = compileCommand(L.key, L.arg, L.handler);
            if (in && (in->op == Op::Senao || in->op == Op::Enquanto || in->op == Op::Repete ||
                       (in->op == Op::Se && !in->nestedLine && L.seOpener)))
                in->end = endOf(k);
        }
        if (!in) continue;
        specialise(*in);
        if (isQuick(*in)) p.quick[size_t(k)] = in.get();
        L.code = std::move(in);
    }
}

}  // namespace script
