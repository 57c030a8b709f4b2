// Assignment, conditions, blocks, loops, jumps, calls and the run's results,
// each through a small program run in-process.
#include <gtest/gtest.h>

#include "support/script_run.h"

using namespace script;
using scripttest::run;
using scripttest::var;

namespace {

struct Statements : ::testing::Test {
    InProc io{"", "", false};
    std::string dir = tempDir();  // one folder: a program may read only beside itself
    void SetUp() override {
        resetState();
        scriptReset();
    }
    RunResult go(const std::string& text, const std::string& label = "") {
        RunResult r;
        io.run([&] { r = run(text, label, dir); });
        return r;
    }
};

TEST_F(Statements, ResultCodesAndLines) {
    RunResult r = go("* nota\n   * nota\n@fim\n\nSEJA A 1\nSEJA B 2\nSEJA C \"x\" \"y\"\nSEJA D 4\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 7);
    EXPECT_EQ(var("C"), "x");  // assigned, then the leftover fails the line
    EXPECT_EQ(var("D"), "");

    r = go("SEJA A 1\nSEJA B 2\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(r.line, 3);
    r = go("SEJA A 1\nTERMINA MUDO\nSEJA A 2\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(var("A"), "1");

    r = go("@inicio\nSEJA A 5\n@outro\nSEJA B 6\n", "OUTRO");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "1");
    EXPECT_EQ(var("B"), "6");
    r = go("SEJA A 7\n", "nenhum");
    EXPECT_EQ(r.code, RunNoLabel);
    EXPECT_EQ(r.line, 1);
    EXPECT_EQ(var("A"), "1");

    io.run([&] { r = scriptRun("/nao/existe.pro"); });
    EXPECT_EQ(r.code, RunLoadFailed);
    EXPECT_EQ(var("B"), "6");  // variables survive a failed load

    r = go("xyz 1\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_TRUE(io.traced("speak Comando inválido: XYZ"));
}

TEST_F(Statements, OversizedProgramsFailToLoad) {
    std::string many;
    for (int i = 0; i < kMaxLines; ++i) many += "SOMA A 1\n";
    RunResult r = go(many);
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "5000");
    r = go(many + "SOMA A 1\n");
    EXPECT_EQ(r.code, RunLoadFailed);  // nothing of a cut program runs
    EXPECT_EQ(var("A"), "5000");
    r = go("ESCREVE \"" + std::string(kMaxValue + 10, 'x') + "\"\n");
    EXPECT_EQ(r.code, RunLoadFailed);
}

TEST_F(Statements, SejaFormsAndFunctions) {
    go("seja a = 5\nSEJA $a \"x\"\nSEJA $A = $a \n"
       "SEJA $P1 PALAVRA 2 \"um dois  três\"\nSEJA $P2 palavra 3 \"um dois  três\"\n"
       "SEJA $P3 PALAVRA 4 \"um dois  três\"\n"
       "SEJA $POS1 POS \"c\" \"abcabc\"\nSEJA $POS2 POS \"z\" \"abc\"\nSEJA $POS3 POS \"\" \"abc\"\n"
       "SEJA $T TAMANHO \"\"\nSEJA $M MAIUSC \"ação\"\nSEJA $TR TRIM \"  a b  \"\n"
       "SEJA $R RAND 10\nSEJA $ZERO RAND 0\n");
    EXPECT_EQ(var("A"), "5");
    EXPECT_EQ(var("$A"), "x");
    EXPECT_EQ(var("$P1"), "dois");
    EXPECT_EQ(var("$P2"), "três");
    EXPECT_EQ(var("$P3"), "");
    EXPECT_EQ(var("$POS1"), "3");
    EXPECT_EQ(var("$POS2"), "0");
    EXPECT_EQ(var("$POS3"), "0");
    EXPECT_EQ(var("$T"), "0");
    EXPECT_EQ(var("$M"), "AÇÃO");
    EXPECT_EQ(var("$TR"), "a b");
    int r = std::stoi(var("$R"));
    EXPECT_TRUE(r >= 0 && r < 10);
    EXPECT_EQ(var("$ZERO"), "0");

    EXPECT_EQ(go("SEJA $P PALAVRA 0 \"a b\"\n").code, RunFailed);
    EXPECT_EQ(go("SEJA $P RAND \"x\"\n").code, RunFailed);
    EXPECT_EQ(go("SEJA $P TAMANHO \"a\" \"b\"\n").code, RunFailed);
    EXPECT_EQ(go("SEJA $P =\n").code, RunFailed);

    go("SEJA D DATA\nSEJA H hora\nSEJA W DIA\nSEJA T TEMPO\n");
    EXPECT_EQ(var("D").size(), 10u);
    EXPECT_EQ(var("D")[2], '/');
    EXPECT_EQ(var("H").size(), 8u);
    plat::Date d = plat::currentDate();
    const char* days[] = {"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"};
    EXPECT_EQ(var("W"), days[d.weekday]);
    EXPECT_GE(std::stoi(var("T")), 0);
}

TEST_F(Statements, ArithmeticAndTextCommands) {
    go("SEJA A \"arquivo9\"\nSOMA A 1\nSEJA B \"x-3\"\nSOMA B 5\nSOMA C 4\nSEJA D \"abc\"\nSOMA D 1\n"
       "SEJA E 10\nSUBTRAI E 15\nSEJA F 6\nMULTIPLICA F -7\nSEJA G -7\nDIVIDE G 2\n"
       "SEJA H \"ab\"\nCONCATENA H \"cd\"\nCOPIA I H 2 3\nCOPIA J H -5 1\nCOPIA K H 3 2\n"
       "SEJA L \"aXbXc\"\nSUBSTITUI L \"X\" \"--\"\nSEJA M \"ab\"\nSUBSTITUI M \"\" \".\"\n"
       "SEJA N \"aaa\"\nSUBSTITUI N \"aa\" \"a\"\n");
    EXPECT_EQ(var("A"), "arquivo10");
    EXPECT_EQ(var("B"), "x2");
    EXPECT_EQ(var("C"), "4");
    EXPECT_EQ(var("D"), "abc1");
    EXPECT_EQ(var("E"), "-5");
    EXPECT_EQ(var("F"), "-42");
    EXPECT_EQ(var("G"), "-3");
    EXPECT_EQ(var("H"), "abcd");
    EXPECT_EQ(var("I"), "bc");
    EXPECT_EQ(var("J"), "a");
    EXPECT_EQ(var("K"), "");
    EXPECT_EQ(var("L"), "a--b--c");
    EXPECT_EQ(var("M"), ".a.b.");
    EXPECT_EQ(var("N"), "a");  // the replacement takes part in the next test

    RunResult r = go("SEJA A 7\nDIVIDE A 0\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(var("A"), "7");
    EXPECT_TRUE(io.traced("speak Divisão por zero"));
    EXPECT_EQ(go("SEJA A \"x\"\nSUBTRAI A 1\n").code, RunFailed);
    EXPECT_EQ(go("SEJA A 1\nCONCATENA A\n").code, RunFailed);
}

TEST_F(Statements, TextsCannotGrowWithoutBound) {
    // Doubling a text until it passes the limit fails the command, it does not eat memory.
    RunResult r = go("SEJA A \"x\"\n@mais\nSUBSTITUI A \"x\" \"xx\"\nDESVIA @mais\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 3);
    EXPECT_LE(state().letters[0].size(), kMaxValue);
    r = go("SEJA A \"xxxxxxxxxxxxxxxx\"\n@mais\nCONCATENA A A\nDESVIA @mais\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_LE(state().letters[0].size(), kMaxValue);
}

TEST_F(Statements, Conditions) {
    go("SEJA X 10\nSEJA Y 9\nSEJA $R \"nao\"\n"
       "SEJA A 0\nSE X > Y SEJA A 1\n"
       "SEJA X \"10a\"\nSEJA Y \"9a\"\nSEJA B 0\nSE X > Y SEJA B 1\n"
       "SEJA C 0\nSE \"abc\" == \"ABC\" SEJA C 1\nSEJA D 0\nSE \"abc\" = \"ABC\" SEJA D 1\n"
       "SEJA E 0\nSE NÃO $R = \"sim\" SEJA E 1\n"
       "SEJA F 0\nSE \"abab\" *= \"ab\" SEJA F 1\nSEJA G 0\nSE \"xxab\" *= \"ab\" SEJA G 1\n"
       "SEJA H 0\nSE \"abc\" =* \"ab\" SEJA H 1\nSEJA I 0\nSE \"abc\" *=* \"bc\" SEJA I 1\n"
       "SEJA J 0\nSE \"\" < \"0\" SEJA J 1\nSEJA K 0\nSE -1 > -10 SEJA K 1\n");
    EXPECT_EQ(var("A"), "1");
    EXPECT_EQ(var("B"), "0");  // texts that are not all digits compare unpadded
    EXPECT_EQ(var("C"), "0");
    EXPECT_EQ(var("D"), "1");
    EXPECT_EQ(var("E"), "1");
    EXPECT_EQ(var("F"), "0");
    EXPECT_EQ(var("G"), "1");
    EXPECT_EQ(var("H"), "1");
    EXPECT_EQ(var("I"), "1");
    EXPECT_EQ(var("J"), "1");
    EXPECT_EQ(var("K"), "0");  // signed numbers compare as texts: "-1" sorts first
    EXPECT_EQ(go("SE 1 ! 2\n").code, RunFailed);
    EXPECT_EQ(go("SE 1 = 1 REPETE I 3\n").code, RunFailed);
    EXPECT_EQ(go("SE 1 = 1 FIM SE\n").code, RunFailed);
}

TEST_F(Statements, Blocks) {
    go("SEJA A \"\"\n"
       "SE 1 = 2\n  SEJA A \"errado\"\n  SE 1 = 1\n    SEJA A \"errado2\"\n  SENÃO\n    SEJA A \"errado3\"\n"
       "  FIM SE\nSENÃO\n  CONCATENA A \"senao\"\nFIM SE\n"
       "SE 1 = 1\n  CONCATENA A \"+verdade\"\nSENÃO\n  SE 2 = 2\n    CONCATENA A \"+nunca\"\n  FIM SE\n"
       "  CONCATENA A \"+vazou\"\nFIM SE\nCONCATENA A \"+fim\"\n");
    // SENÃO in a true part skips to its own block's FIM SE, past a block nested in the else part
    // (pairing by the first FIM SE below ran "+vazou").
    EXPECT_EQ(var("A"), "senao+verdade+fim");
    RunResult r = go("SEJA A 1\nSE 1 = 2\nSEJA A 2\n");
    EXPECT_EQ(r.code, RunOk);  // a block left open runs off the end
    EXPECT_EQ(var("A"), "1");
}

// Loops and blocks pair by nesting; these used to hang or run skipped lines.
TEST_F(Statements, NestedLoopsAndBlocksPairByNesting) {
    struct Case {
        const char* program;
        const char* expected;  // $S afterwards
    } cases[] = {
        {"SEJA S \"\"\nREPETE I 2\nREPETE J 3\nCONCATENA S I\nCONCATENA S J\nFIM REPETE\nCONCATENA S \"|\"\n"
         "FIM REPETE\n",
         "111213|212223|"},
        {"SEJA S \"\"\nSEJA I 0\nENQUANTO I < 2\nSOMA I 1\nSEJA J 0\nENQUANTO J < 2\nSOMA J 1\nCONCATENA S J\n"
         "FIM ENQUANTO\nCONCATENA S \"|\"\nFIM ENQUANTO\n",
         "12|12|"},
        // A false outer loop skips past its own end, not the inner one's.
        {"SEJA S \"a\"\nENQUANTO 1 = 2\nENQUANTO 1 = 1\nFIM ENQUANTO\nSEJA S \"errado\"\nFIM ENQUANTO\n"
         "CONCATENA S \"b\"\n",
         "ab"},
        // A nested SE whose condition cannot be evaluated still opens a block while skipping.
        {"SEJA S \"a\"\nSE 1 = 2\nSE (1 / 0) = 1\nSEJA S \"x\"\nFIM SE\nSEJA S \"errado\"\nFIM SE\n"
         "CONCATENA S \"b\"\n",
         "ab"},
        // A program that never nests keeps its pairing by nearest line.
        {"SEJA S \"\"\nREPETE I 2\nCONCATENA S I\nFIM REPETE\nREPETE I 3\nCONCATENA S I\nFIM REPETE\n", "12123"},
        {"SEJA S \"\"\nSE 1 = 2 CONCATENA S \"x\"\nSE 1 = 1\nCONCATENA S \"v\"\nSENÃO\nCONCATENA S \"f\"\n"
         "FIM SE\n",
         "v"},
    };
    for (const Case& c : cases) {
        RunResult r = go(c.program);
        EXPECT_EQ(r.code, RunOk) << c.program;
        EXPECT_EQ(var("S"), c.expected) << c.program;
    }
}

TEST_F(Statements, Loops) {
    go("SEJA S \"\"\nREPETE I 3\nCONCATENA S I\nFIM REPETE\nREPETE J 0\nSEJA S \"nunca\"\nFIM REPETE\n"
       "SEJA N 0\nENQUANTO N < 5\nSOMA N 1\nFIM ENQUANTO\n");
    EXPECT_EQ(var("S"), "123");
    EXPECT_EQ(var("I"), "4");
    EXPECT_EQ(var("J"), "1");
    EXPECT_EQ(var("N"), "5");
    EXPECT_EQ(go("FIM REPETE\n").code, RunFailed);
    EXPECT_EQ(go("FIM\n").code, RunFailed);
    EXPECT_EQ(go("FIM OUTRA\n").code, RunOk);
    EXPECT_EQ(go("REPETE I 2\nSEJA I \"x\"\nFIM REPETE\n").code, RunFailed);
    // The limit is read again on each pass.
    go("SEJA L 2\nSEJA C 0\nREPETE I L\nSOMA C 1\nSEJA L 5\nFIM REPETE\n");
    EXPECT_EQ(var("C"), "5");
}

TEST_F(Statements, JumpsAndCalls) {
    scriptSetVariable("ALVO", "destino");
    RunResult r = go("SEJA A 0\nDESVIA $ALVO\nSEJA A 1\n@destino\nSOMA A 10\nCHAMA @sub\nSOMA A 100\nTERMINA\n"
                     "@sub\nSOMA A 1000\nRETORNA\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "1110");
    EXPECT_EQ(go("DESVIA @dois nomes\n@dois nomes\n").code, RunFailed);
    EXPECT_EQ(go("DESVIA @nada\n").code, RunFailed);
    r = go("RETORNA\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_TRUE(io.traced("speak Retorno sem chamada"));

    // Twenty nested calls work, the twenty-first fails.
    r = go("SEJA N 0\n@rec\nSOMA N 1\nSE N < 21 CHAMA @rec\nTERMINA\n");
    EXPECT_EQ(r.code, RunOk);
    r = go("SEJA N 0\n@rec\nSOMA N 1\nSE N < 22 CHAMA @rec\nTERMINA\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 4);
    EXPECT_EQ(var("N"), "21");
    EXPECT_TRUE(io.traced("speak Muitas chamadas sem retorno"));
}

TEST_F(Statements, DesviaScriptReplacesTheProgram) {
    std::string second = scripttest::writeProgram("SEJA B 2\n@meio\nSOMA B 40\nCHAMA @volta\nTERMINA\n@volta\nRETORNA\n",
                                                  "segundo.pro", dir);
    std::string first = "SEJA A 1\nDESVIA SCRIPT \"" + second + "\" @meio\nSEJA A 99\n";
    RunResult r = go(first);
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "1");
    EXPECT_EQ(var("B"), "40");
    EXPECT_EQ(r.line, 5);
    // A program that cannot be loaded fails on the DESVIA line.
    r = go("SEJA A 1\nDESVIA SCRIPT \"/nao/ha.pro\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 2);
    // The loop tables follow the new program.
    std::string loop = scripttest::writeProgram("SEJA S \"\"\nREPETE K 2\nCONCATENA S K\nFIM REPETE\n", "laco.pro", dir);
    r = go("REPETE I 3\nDESVIA SCRIPT \"" + loop + "\"\nFIM REPETE\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("S"), "12");
    // A failure names the program whose line it is, the line and its command.
    std::string bad = scripttest::writeProgram("SEJA A 1\nSOMA A \"x\"\n", "ruim.pro", dir);
    r = go("SEJA A 0\nDESVIA SCRIPT \"" + bad + "\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(plat::cp1252ToUtf8(failurePlace(r)), bad.substr(bad.rfind('/') + 1) + ", linha 2: SOMA A \"x\"");
}

TEST_F(Statements, RemoteCallsTheHost) {
    std::string got;
    RunResult r;
    io.run([&] {
        r = scriptRunWithHost(scripttest::writeProgram("CHAMA REMOTO \"sala 1\" $S\nCHAMA REMOTO \"sala 2\"\n"),
                              [&](const std::string& a) {
                                  got += a + ";";
                                  scriptSetVariable("LUGAR", a);
                                  return std::string("$OK$");
                              });
    });
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(got, "sala 1;sala 2;");
    EXPECT_EQ(var("$S"), "$OK$");
    EXPECT_EQ(var("$LUGAR"), "sala 2");
    EXPECT_EQ(go("CHAMA REMOTO \"x\"\n").code, RunFailed);  // no host
    EXPECT_EQ(go("CHAMA REMOTO \"x\" $S 1\n").code, RunFailed);
}

TEST_F(Statements, CmdChecaDebug) {
    RunResult r = go("SEJA C \"ESCREVE 5\"\nCMD C\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(io.row(1), "5");
    EXPECT_EQ(go("SEJA C \"FIM SE\"\nCMD C\n").code, RunFailed);
    // A command that runs itself stops at the nesting limit instead of overflowing the stack.
    r = go("SEJA C \"CMD C\"\nCMD C\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 2);

    go("CHECA S\n");
    EXPECT_EQ(var("S"), "0");
    EXPECT_EQ(go("CHECA S 1\n").code, RunFailed);

    io.trace.clear();
    go("DEBUG n\nSEJA A   1\nDEBUG N\nSEJA B 2\n");
    EXPECT_TRUE(io.traced("speak Debug ligado"));
    EXPECT_TRUE(io.traced("speak SEJA A   1"));
    EXPECT_TRUE(io.traced("speak DEBUG N"));
    EXPECT_TRUE(io.traced("speak Debug desligado"));
    EXPECT_FALSE(io.traced("speak SEJA B 2"));
}

TEST_F(Statements, RandomSequenceIsFixedUntilRandomiza) {
    std::string p = "SEJA A RAND 1000000\nSEJA B RAND 1000000\n";
    resetState();
    go(p);
    std::string a1 = var("A") + var("B");
    resetState();
    go(p);
    EXPECT_EQ(var("A") + var("B"), a1);
    EXPECT_EQ(go("RANDOMIZA 1\n").code, RunFailed);
    EXPECT_EQ(go("RANDOMIZA\n").code, RunOk);
}

TEST_F(Statements, HostInterfaceKeepsVariablesUntilReset) {
    scriptSetVariable("pontos", "10");
    go("SOMA $PONTOS 5\nSEJA Z 1\n");
    EXPECT_EQ(scriptGetVariable("Pontos"), "15");
    io.run([] { scriptReset(); });
    EXPECT_EQ(scriptGetVariable("PONTOS"), "");
    EXPECT_EQ(var("Z"), "");
}

}  // namespace
