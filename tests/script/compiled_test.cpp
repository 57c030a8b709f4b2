// Compiled lines against their handlers: each program runs once as loaded
// (compiled) and once with the debug trace on, which runs every line through its
// handler; the results, the failing line and every variable must agree.  The
// cases are the text rules where an integer kept beside a text could drift.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "support/script_run.h"

using namespace script;

namespace {

struct Outcome {
    int code = -1;
    int line = 0;
    std::map<std::string, std::string> vars;  // "A".."Z" and "$NAME"
};

Outcome runOnce(InProc& io, const std::string& dir, const std::string& text, bool handlers) {
    resetState();
    scriptReset();
    state().debug = handlers;
    Outcome o;
    io.run([&] {
        RunResult r = scripttest::run(text, "", dir);
        o.code = r.code;
        o.line = r.line;
    });
    for (char c = 'A'; c <= 'Z'; ++c) o.vars[std::string(1, c)] = state().letters[size_t(c - 'A')];
    for (const std::string& n : state().names) o.vars["$" + n] = scriptGetVariable(n);
    return o;
}

TEST(Compiled, AgreesWithTheHandlers) {
    const char* const programs[] = {
        // SOMA counts up the number at a text's end; others keep their text rules.
        "SEJA A \"arquivo9\"\nSOMA A 1\nSEJA B \"007\"\nSOMA B 1\nSEJA C -5\nSOMA C 3\nSEJA D 2147483647\n"
        "SOMA D 1\nSEJA E \" 12\"\nSOMA E 1\nSEJA F \"x-3\"\nSOMA F 5\nSOMA G 4\nSOMA $N 0\nSEJA H -0\nSOMA H 0\n",
        // Comparisons: padded digits, negative numbers compared as texts, exact ==.
        "SEJA A 10\nSEJA B 9\nSE A > B SOMA $GT 1\nSE -1 > -10 SOMA $NEG 1\nSE \"007\" = 7 SOMA $EQ 1\n"
        "SE \"007\" == 7 SOMA $EXACT 1\nSE A = \"10\" SOMA $T 1\nSE NÃO A < B SOMA $NAO 1\n"
        "SE \"abc\" < \"ABD\" SOMA $TXT 1\nSE \"\" < 0 SOMA $EMPTY 1\nSE \"Ludivar\" *=* \"diva\" SOMA $IN 1\n"
        "SOMA A 0\nSE A >= 10 SOMA $GE 1\nSE A == 10 SOMA $EQN 1\nSEJA C -1\nSOMA C 0\nSE C < -10 SOMA $TX 1\n"
        "SE C <> -1 SOMA $NE 1\nSE 12345678901234567890123 > 9 SOMA $LONG 1\nSE A =* 1 SOMA $PRE 1\n",
        // Arithmetic, hexadecimal and blank texts, the 32-bit wrap, division by zero.
        "SEJA A \"$10\"\nREPETE I A\nSOMA $N I\nFIM REPETE\nSEJA B \" 5\"\nMULTIPLICA B 2\nSEJA C 65536\n"
        "MULTIPLICA C 65536\nSEJA D \"0x7FFFFFFF\"\nSOMA D 0\nSUBTRAI D -1\nSEJA E D\nDIVIDE E -1\nDIVIDE D 0\n",
        // Texts: lengths, capitals, positions, joining onto numbers.
        "SEJA W \"ação e Água\"\nSEJA A TAMANHO W\nSEJA B MAIUSC W\nSEJA C POS \"e\" W\nSEJA D POS \"\" W\n"
        "SEJA E = W\nCONCATENA E W\nCONCATENA F 12\nSOMA F 1\nSEJA G F\nCONCATENA G F\nSEJA H MAIUSC H\n"
        "SOMA A 1\nSEJA I POS A \"x12y\"\nSEJA J TAMANHO A\nSEJA $K \"5\"\nSOMA $K 1\nSEJA L $K\n",
        // Blocks, loops and nested lines.
        "SEJA I 0\nENQUANTO I < 3\nSOMA I 1\nSE I = 2\nSOMA $DOIS 1\nSENÃO\nSOMA $OUTRO 1\nFIM SE\n"
        "FIM ENQUANTO\nREPETE J 2\nSE 1 = 1 * nada\nSE J = 1 SE 1 = 1 CONCATENA $S J\nFIM REPETE\n"
        "REPETE K 0\nSOMA $NUNCA 1\nFIM REPETE\nSE 1 = 1 SEJA $X \"dentro\"\nSE 1 = 2 SOMA $Y 1\n",
        // A counter made a text fails its loop at the REPETE line.
        "REPETE I 3\nSEJA I \"x\"\nFIM REPETE\n",
        // A one-line SE whose command fails fails the SE line.
        "SEJA A 1\nSE A = 1 SUBTRAI B 1\nSEJA C 2\n",
        // Expressions: a dropped operator, named variables, one that is not a number.
        "SEJA A (2 + 3 * 4)\nSE (A - 4) = 10 SOMA $E 1\nSEJA C (A + )\nSOMA A (A*2)\nSUBTRAI A (-A)\n"
        "SEJA $Y 4\nSEJA $X ($Y + 1)\nSEJA D ((1+2)*(3+4))\nCONCATENA D (D)\nSEJA B \"x\"\nSEJA E (B + 1)\n",
        "SEJA A 3\nSEJA D (7/(A-3))\n",
        // Expressions over variables that are empty when the program loads.
        "SEJA I 0\nENQUANTO I < 5\nSEJA X (I*3+7)\nSEJA $SOMA ($SOMA + X)\nSOMA I 1\nFIM ENQUANTO\n"
        "SE ($SOMA / 5) = 13 SOMA $OK 1\nSEJA $Q ($NOVO + 1)\nSEJA B (I + $VAZIO)\nSEJA C (I * (2 - $N2))\n",
        // Operators dropped after an operand that fails part-way, unary minus,
        // wrapping, and a name after a failing one that must not be made.
        "SEJA A 2\nSEJA B 3\nSEJA C (A * (B + + 1))\nSEJA D (A * -)\nSEJA E (- - A)\nSEJA F (-(A) * -B)\n"
        "SEJA G (2147483647 + A)\nSEJA H (0 - 2147483647 - 1)\nSEJA I (H / -1)\nSEJA J ((((A))))\n"
        "SEJA $T \"x\"\nSEJA K (A + 1)\nSOMA K ($T + $DEPOIS)\n",
        // A variable made a text inside a loop stops its expression there.
        "SEJA I 0\nREPETE K 4\nSE K = 3 SEJA I \"x\"\nSEJA $T (I + K)\nSOMA I 1\nFIM REPETE\n",
        // The table of names full: a new name in an expression fails its line.
        "REPETE I 100\nSEJA S \"SEJA $V\"\nCONCATENA S I\nCONCATENA S \" 1\"\nCMD S\nFIM REPETE\nSEJA $W 1\nSEJA A ($V1 + $V100)\nSEJA B ($NOVO + 1)\n",
        // A handler that reads a variable as a number and then writes its text.
        "SEJA A 5\nCMD \"SEJA A (A + 1)\"\nSOMA A 1\nSEJA B 5\nSUBSTITUI B \"5\" (B + 2)\nSOMA B 1\n",
        // CMD: a table of named variables reached by built texts, the same texts again
        // and again; constant texts; a text's command that only its handler runs.
        "REPETE I 30\nSEJA K (I - I / 7 * 7)\nSEJA C \"SOMA $H\"\nCONCATENA C K\nCONCATENA C \" \"\nCONCATENA C I\n"
        "CMD C\nFIM REPETE\nCMD \"SEJA $h3 ($H3 * 2)\"\nCMD \"se $H1 > 10 soma $MAIOR 1\"\nCMD \"CHECA $S\"\n"
        "CMD \"  CONCATENA $T \"\"ab\"\"  \"\nCMD \"CONCATENA $T $T\"\nSEJA D \"SEJA $U TAMANHO $T\"\nCMD D\n",
        // CMD of nothing, a comment, an unknown word, a block word, a failing command.
        "CMD \"\"\nSOMA A 1\nCMD \"* nada\"\nSOMA A 1\nCMD \"ENQUANTO 1 = 1\"\nSOMA A 1\n",
        "SEJA A 1\nCMD \"DIVIDE A 0\"\nSOMA A 1\n",
        "CMD \"NAOEXISTE 1\"\nSOMA A 1\n",
        "SEJA A \"x\"\nCMD \"SOMA B A\"\n",
        // A CMD that runs itself ends at the nesting limit, the same way on both paths.
        "SEJA C \"CMD C\"\nSOMA $N 1\nCMD C\nSOMA $N 1\n",
        "SEJA C \"SE 1 = 1 CMD C\"\nCMD C\nSOMA $N 1\n",
        // Variables named in any case are one variable.
        "SEJA $Nome 1\nSOMA $NOME 1\nCMD \"SOMA $nome 1\"\nSEJA $CAFÉ 2\nSOMA $café 1\nSEJA A $nOmE\n",
        // A file read line by line to its end, its status codes, a channel not open.
        "REMOVE \"@DIR@/linhas.txt\" &\nABRE #1 \"@DIR@/linhas.txt\" &\nESCREVE #1 \"um\"\nESCREVE #1 \" dois \"\nESCREVE #1 \"\"\n"
        "ESCREVE #1 \"ação\"\nESCREVE #1 \"sem fim\" &\nFECHA #1\nABRE #1 \"@DIR@/linhas.txt\"\nSEJA $N 0\nLE #1 A\nCHECA S\n"
        "ENQUANTO S = 0\nSOMA $N 1\nCONCATENA $T A\nCONCATENA $T \"|\"\nLE #1 A\nCHECA S\nFIM ENQUANTO\n"
        "LE #1 $DEPOIS resto\nCHECA $S2\nFECHA #1\nLE #2 B &\nCHECA $S3\nSOMA $S3 1\n",
        // The clock read as hundredths and as HH:MM:SS; the same draws from the same seed.
        "SEJA T TEMPO\nSEJA H = hora\nSEJA $TH TAMANHO H\nSEJA $DP POS \":\" H\nSE T >= 0 SOMA $OK 1\nSEJA T 0\n"
        "SEJA H 0\nREPETE I 8\nSEJA R RAND 6\nCONCATENA $RS R\nFIM REPETE\nSEJA A RAND 0\nSEJA B RAND -3\n"
        "SEJA C RAND (2+1)\nSEJA D RAND \"x\"\n",
        // The clock read again after a wait of two seconds (longer when the trace speaks).
        "SEJA A TEMPO\nSEJA $H1 HORA\nESPERA 2\nSEJA B TEMPO\nSEJA $H2 HORA\nSUBTRAI B A\nSE B >= 200 SOMA $OK 1\n"
        "SE B < 2000 SOMA $OK 1\nSE $H1 <> $H2 SOMA $MUDOU 1\nSEJA A 0\nSEJA B 0\nSEJA $H1 0\nSEJA $H2 0\n",
        // TRIM, PALAVRA, COPIA and SUBSTITUI, each onto its own operand too.
        "SEJA A TRIM \"  ab c  \"\nSEJA B \" x \"\nSEJA B TRIM B\nSEJA C TRIM 12\nSOMA C 1\nSEJA W \"um  dois tres\"\n"
        "SEJA D PALAVRA 2 W\nSEJA E PALAVRA 3 W\nSEJA F PALAVRA 9 W\nSEJA G PALAVRA \"1\" W\nSEJA W PALAVRA 1 W\n"
        "SEJA H PALAVRA 0 W\n",
        "SEJA W \"Ludivar\"\nCOPIA A W 2 4\nCOPIA B W \" 3 \" 99\nCOPIA C W 5 2\nCOPIA D W -1 1\nSEJA P 2\n"
        "COPIA E W P (P+1) resto\nCOPIA W W 3 5\nCOPIA $X $Y 1 1\nCOPIA F W \"x\" 2\n",
        "SEJA A \"banana\"\nSUBSTITUI A \"an\" \"AN\"\nSEJA B \"aaa\"\nSUBSTITUI B \"a\" \"aa\"\nSEJA C 1212\n"
        "SUBSTITUI C 12 3\nSOMA C 1\nSEJA D \"xy\"\nSUBSTITUI D D \"z\"\nSUBSTITUI E \"\" \"q\"\nSUBSTITUI A (1/0) 1\n",
        // Jumps and calls to labels, inside one-line SE too; a return without a call.
        "CHAMA @SUB\nCHAMA \"sub\"\nSE 1 = 1 CHAMA @Sub\nSE $N = 3 DESVIA @FIM\nSOMA $NUNCA 1\n@SUB\nSOMA $N 1\n"
        "RETORNA\n@FIM\nDESVIA \"depois\"\nSOMA $NUNCA 1\n@DEPOIS\nRETORNA\n",
        "SOMA $N 1\nDESVIA @NENHUM\n",
        "CHAMA @NENHUM\nSOMA $N 1\n",
        "@X\nSOMA $N 1\nCHAMA @X\n",
        "SEJA A 1\nDESVIA @FIM X\n",
        // Jumps and calls to the label a value names: several from one line, in any case.
        "SEJA I 0\n@VOLTA\nSOMA I 1\nSEJA $ALVO \"op\"\nCONCATENA $ALVO (I - I / 3 * 3)\nCHAMA $ALVO\n"
        "SE I < 9 DESVIA $DE\nDESVIA L\n@OP0\nSOMA $ZERO 1\nRETORNA\n@Op1\nSOMA $UM I\nRETORNA\n@op2\n"
        "SOMA $DOIS 1\nSEJA $DE \"volta\"\nRETORNA\n",
        "SEJA $DE \"volta\"\n@VOLTA\nSOMA I 1\nSE I < 3 DESVIA $DE\nSEJA $DE \"NENHUM\"\nDESVIA $DE\nSOMA $NUNCA 1\n",
        "SEJA A 2\nCHAMA A\nSOMA $N 1\n@2\nSOMA $N 10\nDESVIA (A / 0)\n",
        "CHAMA $VAZIO\nSOMA $N 1\n",
        "SEJA L \"X\"\n@X\nSOMA $N 1\nSE $N < 200 CHAMA L\n",
    };
    InProc io{"", "", false};
    const std::string dir = tempDir();
    for (const char* program : programs) {
        std::string p = program;  // "@DIR@": the folder the program may write in
        for (size_t at; (at = p.find("@DIR@")) != std::string::npos;) p.replace(at, 5, dir);
        Outcome compiled = runOnce(io, dir, p, false);
        Outcome handlers = runOnce(io, dir, p, true);
        EXPECT_EQ(compiled.code, handlers.code) << p;
        EXPECT_EQ(compiled.line, handlers.line) << p;
        EXPECT_EQ(compiled.vars, handlers.vars) << p;
    }
    resetState();
}

// CMD texts built at run time: texts of one shape that differ in their numbers
// and quoted texts share compiled code, so each group runs one shape with
// values at the edges, then the same shape again in a later program (the code
// is kept across runs).  A failing text ends its program, so each is last.
TEST(Compiled, TextsOfOneShapeAgreeWithTheHandlers) {
    const std::vector<std::vector<std::string>> groups = {
        {"SEJA $V1 = 345", "SEJA $V1 = 346", "SEJA $V2 = 007", "SEJA $V3 = -5", "SEJA $V3 = -0",
         "SEJA $V4 = 2147483647", "SEJA $V4 = 2147483648", "SEJA $V5 = -2147483648", "SEJA $V5 = 0",
         "SEJA $V6 = 99999999999999999999", "SEJA $V1 = 0009"},
        {"SEJA $T = \"abc\"", "SEJA $T = \"007\"", "SEJA $T = \"\"", "SEJA $T = \"x12\"", "SEJA $T = \" 4 \"",
         "SEJA $T = \"a\"\"b\"", "SEJA $T = \"sem fim"},
        {"SOMA $007 1", "SOMA $007 007", "SOMA $7 -3", "SOMA $0 2147483647", "SOMA $0 1", "SOMA A 12", "SOMA A 0x10",
         "SOMA A \"5\"", "SOMA A \"$A\"", "SOMA A \" 3\""},
        {"SE 1 = 1 SOMA $SIM 1", "SE 1 = 2 SOMA $SIM 1", "SE -1 > -10 SOMA $TXT 1", "SE -9 > -10 SOMA $TXT 1",
         "SE \"007\" = 7 SOMA $EQ 1", "SE \"007\" == 7 SOMA $EQ 10", "SE 10 > 9 SOMA $GT 1", "SE 9 > 10 SOMA $GT 5"},
        {"SEJA W \"Ludivar\"", "COPIA A W 2 4", "COPIA B W 5 2", "COPIA C W -1 1", "COPIA D W 3 99",
         "SUBSTITUI W \"u\" \"U\"", "SUBSTITUI W \"d\" 12", "SEJA P PALAVRA 1 \"um dois\"",
         "SEJA P PALAVRA 2 \"um dois\"", "SEJA Q POS \"v\" W", "SEJA Q TAMANHO \"abc\"", "SEJA Q TAMANHO 12345"},
        {"SEJA A 100", "DIVIDE A 7", "MULTIPLICA A -3", "SUBTRAI A 2147483647", "DIVIDE A 1", "DIVIDE A 0"},
        {"SEJA $V1 (1 + 2)", "SEJA $V1 (3 * 4)", "SEJA $V1 ($V1 - 07)", "CONCATENA $V1 12", "CONCATENA $V1 \"12\"",
         "SEJA $V1 RAND 1", "SEJA $V1 RAND 0", "SEJA $V1 RAND -4", "SEJA $V1 TRIM \" 5 \""},
        // Malformed, unknown or only read by their handler; the last of each fails.
        {"SEJA A = 5 6"}, {"SOMA A"}, {"SOMA 5 A"}, {"SOMA A1 2"}, {"SEJA $ 1"}, {"NAOEXISTE 12"},
        {"SOMA A \"5\" 6"}, {"SEJA A +5", "SOMA A 1"}, {"SE 1 = 1 NAOEXISTE 5"}, {"SE 1 = 2 NAOEXISTE 5"},
        {"CMD \"SOMA A 1\"", "CMD \"SOMA A 2\"", "CMD \"SOMA A \"\"x\"\"\""}, {"RETORNA 1"}, {"RETORNA"},
        {"SOMA A 1", "  SOMA   A   2  ", "soma a 3", "SOMA A 4 * fim", "SOMA A 5 6"},
        {"ESCREVE MUDO 12", "ESCREVE MUDO \"x\"", "LE #3 A &", "CHECA $S"},
    };
    auto quoted = [](const std::string& t) {
        std::string q = "\"";
        for (char c : t) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + "\"";
    };
    InProc io{"", "", false};
    const std::string dir = tempDir();
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& group : groups) {
            std::string p;
            for (const std::string& t : group) p += "SEJA $L " + quoted(t) + "\nCMD $L\nCHECA $S\nCONCATENA $ST $S\n";
            Outcome compiled = runOnce(io, dir, p, false);
            Outcome handlers = runOnce(io, dir, p, true);
            EXPECT_EQ(compiled.code, handlers.code) << p;
            EXPECT_EQ(compiled.line, handlers.line) << p;
            EXPECT_EQ(compiled.vars, handlers.vars) << p;
        }
    }
    resetState();
}

// What is compiled depends on the line's text alone: the same program loads the
// same way whatever its variables hold, and loading it creates no variable.
TEST(Compiled, ByFormAloneAndWithoutMakingNames) {
    struct Case {
        const char* line;
        bool compiled;
    };
    const Case cases[] = {
        {"SEJA X (I*3+7)", true},
        {"SEJA $Y ($NOVO * 2 - (B / 4))", true},
        {"SOMA $T (I)", true},
        {"SE (A + $B) > 3 SOMA $C 1", true},
        {"ENQUANTO ($I - 1) < $LIMITE", true},
        {"SEJA X (I + )", true},        // the dropped operator is a form too
        {"SEJA X (I + 2", false},       // no closing parenthesis
        {"SEJA X (I J)", false},        // two operands in a row
        {"SEJA X ($ + 1)", false},      // a name with no letters
        {"SEJA X (I / 0)", true},       // fails when it runs, as its handler does
    };
    const char* const setups[] = {"", "I", "IABJ", "ABIJ$NOVO$B$I$LIMITE"};
    for (const char* setup : setups) {
        for (const Case& c : cases) {
            resetState();
            scriptReset();
            // Variables holding texts, numbers or nothing at load.
            std::string_view s = setup;
            int k = 0;
            while (!s.empty()) {
                if (s[0] == '$') {
                    size_t e = s.find('$', 1);
                    std::string name(s.substr(1, e == std::string_view::npos ? s.npos : e - 1));
                    ASSERT_TRUE(scriptSetVariable(name, k % 2 ? "texto" : "12"));
                    s.remove_prefix(e == std::string_view::npos ? s.size() : e);
                } else {
                    state().letters[size_t(s[0] - 'A')] = k % 2 ? "texto" : "12";
                    s.remove_prefix(1);
                }
                ++k;
            }
            const size_t namesBefore = state().names.size();
            Program p;
            ASSERT_TRUE(parseProgram(c.line, p)) << c.line;
            ASSERT_EQ(p.count(), 1);
            EXPECT_EQ(p.lines[1].code != nullptr, c.compiled) << c.line << " with " << setup;
            EXPECT_EQ(state().names.size(), namesBefore) << c.line << " with " << setup;
        }
    }
    resetState();
}

// The commands loops use are compiled when their form allows, and run in the
// quick loop when they can neither wait nor reach the pupil; the differential
// test above only means something for lines that do compile.
TEST(Compiled, WhatIsCompiledAndWhatRunsQuick) {
    struct Case {
        const char* line;
        bool compiled, quick;
    };
    const Case cases[] = {
        {"LE #1 X", true, false},           // a file's line: compiled, but a network channel may wait
        {"LÊ #2 $L resto", true, false},
        {"LE #1 X &", true, false},
        {"LE #1", false, false},
        {"LE X", false, false},             // the keyboard
        {"CHECA S", true, true},
        {"CHECA S 1", false, false},
        {"SEJA T TEMPO", true, true},
        {"SEJA H = hora", true, true},
        {"SEJA D DATA", false, false},
        {"SEJA T TRIM A", true, true},
        {"SEJA R RAND 6", true, true},
        {"SEJA P PALAVRA 2 W", true, true},
        {"SEJA P PALAVRA W", false, false},
        {"COPIA C W 1 (I+1)", true, true},
        {"COPIA C 1 2", false, false},
        {"SUBSTITUI W \"a\" \"b\"", true, true},
        {"DESVIA @FIM", true, true},
        {"DESVIA \"fim\"", true, true},
        {"DESVIA @FIM X", false, false},
        {"DESVIA SCRIPT \"outro.pro\"", false, false},
        {"CHAMA @FIM", true, true},
        {"CHAMA REMOTO \"x\"", false, false},
        {"RETORNA", true, true},
        {"RETORNA 1", false, false},
        {"SE A = 1 SOMA B 1", true, true},
        {"SE A = 1 BIPA", true, false},     // its command goes through the handler
        {"CMD \"SOMA S 1\"", true, false},  // the text may name any command
        {"SEJA X (I*3+7)", true, true},
        {"ESCREVE MUDO A", false, false},
    };
    for (const Case& c : cases) {
        Program p;
        ASSERT_TRUE(parseProgram(plat::utf8ToCp1252(std::string(c.line) + "\n@FIM\n"), p)) << c.line;
        EXPECT_EQ(p.lines[1].code != nullptr, c.compiled) << c.line;
        EXPECT_EQ(p.quick[1] != nullptr, c.quick) << c.line;
    }
    // A jump CMD runs finds its label in the program running it.
    resetState();
    InProc io{"", "", false};
    const std::string dir = tempDir();
    io.run([&] {
        scriptReset();
        EXPECT_EQ(scripttest::run("CMD \"DESVIA @FIM\"\nSOMA $NUNCA 1\n@FIM\nSOMA $DEPOIS 1\n", "", dir).code, RunOk);
    });
    EXPECT_EQ(scriptGetVariable("NUNCA"), "");
    EXPECT_EQ(scriptGetVariable("DEPOIS"), "1");
    resetState();
}

TEST(Compiled, LoadingAProgramMakesNoVariable) {
    InProc io{"", "", false};
    resetState();
    scriptReset();
    const std::string path = scripttest::writeProgram(
        "SEJA $A ($B + $C)\nSE $D = ($E * 2) SOMA $F ($G)\nENQUANTO $H < ($I)\nFIM ENQUANTO\n"
        "REPETE $J ($K)\nFIM REPETE\nCONCATENA $L $M\nSEJA $N POS $O $P\nCMD \"SEJA $Q 1\"\n");
    io.run([&] { ASSERT_TRUE(loadScript(path)); });
    EXPECT_TRUE(state().names.empty());
    for (char c = 'A'; c <= 'Z'; ++c) EXPECT_TRUE(state().letters[size_t(c - 'A')].view().empty()) << c;
    resetState();
}

}  // namespace
