// Lines compiled once at load: the commands that loops run most (SEJA, SOMA,
// SUBTRAI, MULTIPLICA, DIVIDE, CONCATENA, SE, ENQUANTO, REPETE, FIM, SENÃO) get
// their operands read, literals converted and jump partners found when the
// program is loaded, and the command of a one-line SE becomes a nested
// instruction.  A line is compiled only when its argument has the form that its
// handler would read successfully; everything value-dependent (a variable that
// is not a number, a division by zero, a full table of names) is decided when it
// runs, in the same order as the handler decides it.  Any other line, and every
// line while the debug trace is on, runs through its handler as before.
#include <cstring>

#include "platform/platform.h"
#include "script/interp.h"

namespace script {

namespace {

unsigned gNameGeneration = 1;

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }

// One operand or target, as readOperand and readTarget would find it.
struct Operand {
    enum Kind : uint8_t { Literal, Letter, Named };
    Kind kind = Literal;
    uint8_t letter = 0;
    bool isNumber = false;  // a literal that toNumber reads, as `number`
    int32_t number = 0;
    std::string text;       // the literal, or the name upper-cased
    mutable int slot = -1;  // named: position in the table, valid for `generation`
    mutable unsigned generation = 0;
};

enum class Op : uint8_t {
    Handler, Nothing, Soma, Arith, SejaCopy, Tamanho, Maiusc, Pos, Concatena,
    Se, Enquanto, Repete, FimRepete, FimEnquanto, Senao,
};

}  // namespace

struct Instr {
    Op op = Op::Handler;
    char arith = 0;           // '-', '*' or '/'
    bool restEmpty = true;    // nothing followed the operands
    Handler handler = nullptr;
    std::string arg;          // Op::Handler: the argument text
    Operand target, a, b;     // a condition's left and right are a and b
    bool negate = false;
    int compareOp = 0;
    int jump = 0;             // FIM: the loop line it pairs with
    std::unique_ptr<Instr> nested;  // a one-line SE's command
    bool nestedLine = false;        // SE with something after its condition
};

void forgetNameSlots() { ++gNameGeneration; }

namespace {

// --- reading forms at load ----------------------------------------------------

// readOperand without values: false for forms it would fail on and for "( )",
// whose end depends on the values read inside it.
bool formOperand(std::string_view& rest, Operand& o) {
    std::string_view t = trimView(rest);
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
        o.text = upperLatin(t.substr(1, n - 1));
    } else if (isLetter(c)) {
        o.kind = Operand::Letter;
        o.letter = uint8_t(upperLatinByte(uint8_t(c)) - 'A');
    } else {
        return false;
    }
    if (o.kind == Operand::Literal) o.isNumber = toNumber(o.text, o.number);
    t.remove_prefix(n);
    rest = trimView(t);
    return true;
}

bool formTarget(std::string_view& rest, Operand& o) {
    std::string_view t = trimView(rest);
    if (t.empty()) return false;
    size_t n = 1;
    if (t[0] == '$') {
        while (n < t.size() && isNameChar(t[n])) ++n;
        if (n == 1) return false;
        o.kind = Operand::Named;
        o.text = upperLatin(t.substr(1, n - 1));
    } else if (isLetter(t[0])) {
        if (t.size() > 1 && (isLetter(t[1]) || isDigit(t[1]))) return false;
        o.kind = Operand::Letter;
        o.letter = uint8_t(upperLatinByte(uint8_t(t[0])) - 'A');
    } else {
        return false;
    }
    t.remove_prefix(n);
    rest = trimView(t);
    return true;
}

bool formCondition(std::string_view& rest, Instr& in) {
    static const std::string kNaoAccented = plat::cp("NÃO");
    std::string_view t = trimView(rest);
    if (startsWithUpper(t, "NAO") || startsWithUpper(t, kNaoAccented)) {
        in.negate = true;
        t = trimView(t.substr(3));
        if (t.empty()) return false;
    }
    if (!formOperand(t, in.a) || t.empty()) return false;
    size_t len = 0;
    in.compareOp = conditionOperator(t, len);
    if (in.compareOp < 0) return false;
    t = trimView(t.substr(len));
    if (!formOperand(t, in.b)) return false;
    rest = t;
    return true;
}

std::unique_ptr<Instr> compileCommand(const std::string& key, std::string_view arg, Handler h);

// SEJA: a plain value, or TAMANHO, MAIUSC or POS of values.
bool compileSeja(std::string_view arg, Instr& in) {
    if (!formTarget(arg, in.target) || arg.empty()) return false;
    if (arg[0] == '=') arg = trimView(arg.substr(1));
    if (arg.empty()) return false;
    if (arg.size() <= 5) {
        std::string up = upperLatin(arg);
        if (up == "DATA" || up == "HORA" || up == "DIA" || up == "TEMPO") return false;
    }
    static const char* const kFuncs[] = {"TAMANHO ", "MAIUSC ", "TRIM ", "POS ", "RAND ", "PALAVRA "};
    for (int f = 0; f < 6; ++f) {
        if (!startsWithUpper(arg, kFuncs[f])) continue;
        if (f != 0 && f != 1 && f != 3) return false;
        arg = trimView(arg.substr(std::strlen(kFuncs[f])));
        if (f == 3 && !formOperand(arg, in.b)) return false;
        if (!formOperand(arg, in.a) || !arg.empty()) return false;
        in.op = f == 0 ? Op::Tamanho : f == 1 ? Op::Maiusc : Op::Pos;
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
    std::string_view arg = sp == std::string_view::npos ? std::string_view() : trimView(rest.substr(sp + 1));
    if (word.size() > 32) return false;
    std::string key = upperLatin(word);
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
    }
    if (!ok) return nullptr;
    return in;
}

// --- running ------------------------------------------------------------------

std::string* variable(const Operand& o) {
    State& s = state();
    if (o.kind == Operand::Letter) return &s.letters[o.letter];
    if (o.generation == gNameGeneration) return &s.named[size_t(o.slot)];
    std::string* v = namedVariable(o.text, true);
    if (v) {
        o.slot = int(v - s.named.data());
        o.generation = gNameGeneration;
    }
    return v;
}

const std::string* value(const Operand& o) { return o.kind == Operand::Literal ? &o.text : variable(o); }

bool number(const Operand& o, int32_t& n) {
    if (o.kind == Operand::Literal) {
        n = o.number;
        return o.isNumber;
    }
    const std::string* v = variable(o);
    return v && toNumber(*v, n);
}

bool condition(const Instr& in, bool& result) {
    const std::string* l = value(in.a);
    if (!l) return false;
    const std::string* r = value(in.b);
    if (!r) return false;
    result = compareValues(*l, *r, in.compareOp) != in.negate;
    return true;
}

// REPETE (first pass) and FIM REPETE (the next ones): counts the target up and
// leaves the loop past its limit.
bool repete(const Instr& in, bool fromFim) {
    std::string* var = variable(in.target);
    if (!var) return false;
    int32_t limit;
    if (!number(in.a, limit)) return false;
    int32_t counter = 0;
    if (fromFim && !toNumber(*var, counter)) return false;
    int32_t next = int32_t(uint32_t(counter) + 1u);
    setNumberText(var, next);
    if (limit < next) skipToEnd();
    return true;
}

bool run(const Instr& in) {
    State& s = state();
    switch (in.op) {
        case Op::Handler: return in.handler(in.arg);
        case Op::Nothing: return true;
        case Op::Soma: {
            std::string* var = variable(in.target);
            int32_t add;
            return var && number(in.a, add) && addToTextNumber(*var, add);
        }
        case Op::Arith: {
            std::string* var = variable(in.target);
            int32_t a, b;
            if (!var || !toNumber(*var, a) || !number(in.a, b)) return false;
            return arithmetic(var, a, b, in.arith) && in.restEmpty;
        }
        case Op::SejaCopy: {
            std::string* var = variable(in.target);
            const std::string* v = var ? value(in.a) : nullptr;
            return v && (v == var || assign(var, *v));
        }
        case Op::Tamanho: {
            std::string* var = variable(in.target);
            const std::string* v = var ? value(in.a) : nullptr;
            if (!v) return false;
            setNumberText(var, int64_t(v->size()));
            return true;
        }
        case Op::Maiusc: {
            std::string* var = variable(in.target);
            const std::string* v = var ? value(in.a) : nullptr;
            if (!v || v->size() > kMaxValue) return false;
            if (v != var) var->assign(*v);
            for (char& c : *var) c = char(upperLatinByte(uint8_t(c)));
            return true;
        }
        case Op::Pos: {
            std::string* var = variable(in.target);
            const std::string* first = var ? value(in.b) : nullptr;
            const std::string* main = first ? value(in.a) : nullptr;
            if (!main) return false;
            size_t p = first->empty() ? std::string::npos : main->find(*first);
            setNumberText(var, p == std::string::npos ? 0 : int64_t(p) + 1);
            return true;
        }
        case Op::Concatena: {
            std::string* var = variable(in.target);
            const std::string* v = var ? value(in.a) : nullptr;
            if (!v || var->size() + v->size() > kMaxValue) return false;
            var->append(*v);
            return true;
        }
        case Op::Se: {
            bool r;
            if (!condition(in, r)) return false;
            if (r) {
                if (!in.nestedLine) return true;
                if (in.nested->op == Op::Nothing) return true;
                if (s.nesting >= kMaxNesting) return false;
                ++s.nesting;
                bool ok = run(*in.nested);
                s.error = !ok;
                --s.nesting;
                return ok;
            }
            if (!in.nestedLine) skipFalseBlock();
            return true;
        }
        case Op::Enquanto: {
            bool r;
            if (!condition(in, r)) return false;
            if (!r) skipToEnd();
            return true;
        }
        case Op::Repete: return repete(in, false);
        case Op::FimRepete:
            s.current = in.jump;
            return repete(in, true);
        case Op::FimEnquanto:
            s.current = in.jump - 1;
            return true;
        case Op::Senao: skipToEnd(); return true;
    }
    return false;
}

}  // namespace

bool runCompiled(const Instr& code) {
    bool ok = run(code);
    state().error = !ok;
    return ok;
}

void compileProgram(Program& p) {
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
            if (L.fim == BlockEnd::Enquanto) {
                in->op = Op::FimEnquanto;
            } else {
                in->op = Op::FimRepete;
                std::string_view arg = p.lines[size_t(loop)].repeteArg;
                if (!formTarget(arg, in->target) || arg.empty() || !formOperand(arg, in->a)) continue;
            }
        } else {
            in = compileCommand(L.key, L.arg, L.handler);
        }
        if (in) L.code = std::move(in);
    }
}

}  // namespace script
