// What a game may take of the machine: memory, the size of its file and what it
// writes.  Each is refused with a message; Ludivar itself never aborts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"
#include "support/headless.h"

namespace {

// A text of 512 KB in $A, built by doubling.
const std::string kHalfMegabyteInA = "SEJA $A \"xxxxxxxx\"\r\nREPETE I 16\r\nCONCATENA $A $A\r\nFIM REPETE\r\n";

TEST(Budgets, AProgramThatWouldExhaustThemFailsWithAMessage) {
    const std::string dir = tempDir();
    ASSERT_EQ(chdir(dir.c_str()), 0);  // a program run on its own names files from where it starts
    struct Case {
        std::string program;
        std::string said;
    } cases[] = {
        {kHalfMegabyteInA + "MENU CRIA 1 1 40 10\r\nENQUANTO 1 = 1\r\nMENU ADICIONA $A\r\nFIM ENQUANTO\r\n",
         "Memória do programa esgotada: o limite é de 256 MB"},
        // Written a little at a time, never kept: it is the total written that counts.
        {kHalfMegabyteInA + "ENQUANTO 1 = 1\r\nABRE #1 \"saida.txt\" &\r\nESCREVE #1 $A\r\nFECHA #1\r\n"
                            "REMOVE \"saida.txt\"\r\nFIM ENQUANTO\r\n",
         "Erro na escrita de arquivo #1: o jogo passou do limite de 256 MB escritos"},
        {kHalfMegabyteInA + "ABRE #1 \"fonte.txt\" &\r\nESCREVE #1 $A\r\nFECHA #1\r\nENQUANTO 1 = 1\r\n"
                            "REPLICA \"fonte.txt\" \"copia.txt\"\r\nFIM ENQUANTO\r\n",
         "Erro na escrita de arquivo copia.txt: o jogo passou do limite de 256 MB escritos"},
    };
    for (const Case& c : cases) {
        writeText(dir + "/p.pro", plat::utf8ToCp1252(c.program));
        HeadlessResult r = runHeadless("", {"--script", dir + "/p.pro"});
        EXPECT_EQ(r.exitCode, 1) << c.said << r.err;
        EXPECT_TRUE(r.contains("speak " + c.said)) << c.said;
        EXPECT_NE(r.err.find("p.pro, linha "), std::string::npos) << r.err;
    }
}

TEST(Budgets, AGameFileBeyondTheLimitIsNotRead) {
    const std::string dir = tempDir(), big = dir + "/Grande.lud";
    writeText(big, "[DADOS GERAIS]\r\nNOME DO JOGO=Grande\r\n");
    ASSERT_EQ(truncate(big.c_str(), (off_t(64) << 20) + 1), 0);  // sparse: nothing is written
    HeadlessResult check = runHeadless("", {"--check", big});
    EXPECT_NE(check.exitCode, 0);
    EXPECT_NE(check.out.find("O arquivo passa de 64 MB: não é um jogo."), std::string::npos) << check.out << check.err;
    HeadlessResult play = runHeadless("{Esc}{Esc}", {big});
    EXPECT_TRUE(play.contains("speak O arquivo passa de 64 MB: não é um jogo.")) << play.err;
    // One byte less is read (and fails as a file of blank lines would, on its own terms).
    ASSERT_EQ(truncate(big.c_str(), off_t(64) << 20), 0);
    check = runHeadless("", {"--check", big});
    EXPECT_EQ(check.out.find("passa de 64 MB"), std::string::npos) << check.out;
}

}  // namespace
