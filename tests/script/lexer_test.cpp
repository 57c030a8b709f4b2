// Operands, targets, channels, numbers and expressions.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/script_run.h"

using namespace script;

namespace {

struct Lexer : ::testing::Test {
    void SetUp() override { resetState(); }
    std::string operand(std::string_view& rest) {
        std::string v;
        EXPECT_TRUE(readOperand(rest, v)) << rest;
        return v;
    }
    bool expr(const std::string& text, int32_t& v) {
        std::string_view r = text;
        std::string out;
        if (!readOperand(r, out) || !r.empty()) return false;
        return toNumber(out, v);
    }
};

TEST_F(Lexer, NumbersAcceptDecimalAndHexWithin32Bits) {
    int32_t v;
    EXPECT_TRUE(toNumber("  -12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(toNumber("+007", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(toNumber("$ff", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(toNumber("0x10", v));
    EXPECT_EQ(v, 16);
    EXPECT_TRUE(toNumber("X1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(toNumber("$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(toNumber("2147483647", v));
    EXPECT_TRUE(toNumber("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    for (const char* bad : {"", " ", "-", "12 ", "1a", "2147483648", "-2147483649", "$", "0x", "$100000000",
                            "99999999999999999999999"})
        EXPECT_FALSE(toNumber(bad, v)) << bad;
}

TEST_F(Lexer, OperandForms) {
    state().letters[0] = "alfa";
    state().letters[1] = "beta";
    std::string_view r = "007 -x \"ele disse \"\"oi\"\"\" AB";
    EXPECT_EQ(operand(r), "007");
    EXPECT_EQ(operand(r), "-");  // a "-" alone is a literal
    EXPECT_EQ(operand(r), "");   // x: the empty variable X
    EXPECT_EQ(operand(r), "ele disse \"oi\"");
    EXPECT_EQ(operand(r), "alfa");  // AB reads as A, then B
    EXPECT_EQ(operand(r), "beta");
    EXPECT_TRUE(r.empty());

    r = "\"sem \"\"fim";  // no closing quote: the rest of the text
    EXPECT_EQ(operand(r), "sem \"fim");
    std::string v;
    for (const char* bad : {"", ",", "$", "$ x", "#1", "(1"}) {
        r = bad;
        EXPECT_FALSE(readOperand(r, v)) << bad;
    }
}

TEST_F(Lexer, NamedVariablesIgnoreCaseAndDifferFromLetters) {
    std::string_view r = "$Lugar";
    std::string* a = readTarget(r);
    ASSERT_TRUE(a);
    *a = "sala";
    EXPECT_EQ(scriptGetVariable("LUGAR"), "sala");
    EXPECT_EQ(scriptGetVariable("lugar"), "sala");
    r = "$A";
    *readTarget(r) = "named";
    r = "a";
    EXPECT_EQ(*readTarget(r), "");
    EXPECT_EQ(scriptGetVariable("nunca_usada"), "");
    EXPECT_EQ(state().names.size(), 2u);  // reading through the host creates nothing
}

TEST_F(Lexer, TargetsAndChannels) {
    std::string_view r = "AB 1";
    EXPECT_EQ(readTarget(r), nullptr);  // a letter followed by a letter is not a variable
    r = "x1";
    EXPECT_EQ(readTarget(r), nullptr);
    r = "  x = 3";
    EXPECT_EQ(readTarget(r), &state().letters[23]);
    EXPECT_EQ(r, "= 3");
    r = "#3   X";
    EXPECT_EQ(readChannel(r), 3);
    EXPECT_EQ(r, "X");
    r = "#3";
    EXPECT_EQ(readChannel(r), 3);
    for (const char* bad : {"#", "#a", "#12", "3"}) {
        r = bad;
        EXPECT_EQ(readChannel(r), -1) << bad;
    }
    std::string_view a = "\"a&b\" &";
    EXPECT_TRUE(takeAmpersand(a));
    EXPECT_EQ(a, "\"a&b\"");
    EXPECT_FALSE(takeAmpersand(a));
}

TEST_F(Lexer, ExpressionsFollowTheFailureRule) {
    int32_t v;
    struct Case { const char* text; int32_t value; };
    for (Case c : {Case{"(2+3*4)", 14}, {"(-7/2)", -3}, {"(10/3)", 3}, {"(-10/3)", -3}, {"(2*(3+4))", 14},
                   {"(3+)", 3}, {"( 1 - -2 )", 3}, {"(2147483647+1)", INT32_MIN}}) {
        ASSERT_TRUE(expr(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    for (const char* bad : {"(3++4)", "(1/0)", "(5/(2-2))", "()", "(1", "(1 2)", "(3+*4)", "(x)"})
        EXPECT_FALSE(expr(bad, v)) << bad;

    state().letters[0] = "21";
    ASSERT_TRUE(expr("(A*2)", v));
    EXPECT_EQ(v, 42);
    scriptSetVariable("N", " 12");  // leading blanks are allowed in a number
    ASSERT_TRUE(expr("($n+1)", v));
    EXPECT_EQ(v, 13);
    scriptSetVariable("N", "12 ");
    EXPECT_FALSE(expr("($N+1)", v));
    scriptSetVariable("N", "");
    EXPECT_FALSE(expr("($N+1)", v));
}

TEST_F(Lexer, DeepExpressionsFailWithoutExhaustingTheStack) {
    int32_t v;
    std::string deep = std::string(200000, '(') + "1" + std::string(200000, ')');
    EXPECT_FALSE(expr(deep, v));
    std::string minus = "(" + std::string(200000, '-') + "1)";
    EXPECT_FALSE(expr(minus, v));
    std::string ok = std::string(100, '(') + "1" + std::string(100, ')');
    EXPECT_TRUE(expr(ok, v));
}

TEST_F(Lexer, NameTableHolds101Names) {
    for (int i = 0; i < kMaxNames; ++i) ASSERT_TRUE(scriptSetVariable("V" + std::to_string(i), "x"));
    EXPECT_FALSE(scriptSetVariable("OUTRA", "x"));
    std::string_view r = "$OUTRA";
    std::string v;
    EXPECT_FALSE(readOperand(r, v));
    EXPECT_EQ(scriptGetVariable("V100"), "x");
    EXPECT_TRUE(scriptSetVariable("v100", "y"));  // existing names still work
}

// Names are found without regard to case, accented capitals included, each in
// its own slot however the table fills; an emptied table forgets them all.
TEST_F(Lexer, NamesFoundInAnyCase) {
    for (int i = 0; i < kMaxNames; ++i) ASSERT_TRUE(scriptSetVariable("Nome_" + std::to_string(i), std::to_string(i)));
    for (int i = 0; i < kMaxNames; ++i) EXPECT_EQ(scriptGetVariable("NOME_" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(state().names.size(), size_t(kMaxNames));
    scriptReset();
    ASSERT_TRUE(scriptSetVariable(plat::cp("ação"), "1"));
    EXPECT_EQ(scriptGetVariable(plat::cp("AÇÃO")), "1");
    EXPECT_EQ(scriptGetVariable(plat::cp("acao")), "");  // another name
    std::string_view r = "$Nome_1 resto";
    std::string v;
    ASSERT_TRUE(readOperand(r, v));
    EXPECT_EQ(v, "");
    EXPECT_EQ(r, "resto");
    EXPECT_EQ(state().names.size(), 2u);  // AÇÃO and NOME_1: looking a name up makes none
}

TEST_F(Lexer, ProgramsArePairedOnceWhenParsed) {
    Program p;
    ASSERT_TRUE(parseProgram("  * nota\r\n@Fim\rrepete i 3\n  fim   repete\nenquanto a = b\nfim enquanto\n", p));
    ASSERT_EQ(p.count(), 6);
    EXPECT_TRUE(p.lines[1].nop);
    EXPECT_TRUE(p.lines[2].nop);
    EXPECT_EQ(p.labels.at("FIM"), 2);
    EXPECT_EQ(p.lines[3].word, "REPETE");
    EXPECT_EQ(p.lines[3].arg, "i 3");
    EXPECT_EQ(p.lines[3].repeteArg, "I 3");
    EXPECT_EQ(p.lines[4].fim, BlockEnd::Repete);
    EXPECT_EQ(p.match[4], 3);
    EXPECT_EQ(p.match[3], 4);
    EXPECT_EQ(p.match[6], 5);
    EXPECT_EQ(p.match[5], 6);

    std::string tooMany;
    for (int i = 0; i <= kMaxLines; ++i) tooMany += "SEJA A 1\n";
    EXPECT_FALSE(parseProgram(tooMany, p));
    EXPECT_FALSE(parseProgram("ESCREVE \"" + std::string(kMaxValue + 1, 'x') + "\"", p));
}

}  // namespace
