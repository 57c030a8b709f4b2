// Whole programs through `ludivar --headless --script`: exit code, screen and trace.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include "support/headless.h"

namespace {

std::string program(const char* name) { return std::string(LUDIVAR_TEST_DATA) + "/scripts/" + name; }

bool hasLine(const HeadlessResult& r, const std::string& prefix) {
    for (const std::string& row : r.rows)
        if (row.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

TEST(ScriptProgram, AsksAnswersAndEndsWithZero) {
    HeadlessResult r = runHeadless("Ana Maria{Enter}{F1}", {"--script", program("ola.pro")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.rows[0], "Qual é o seu nome? Ana Maria");
    EXPECT_EQ(r.rows[1], "Olá, Ana Maria!");
    EXPECT_EQ(r.rows[2], "Letras: 9, segunda palavra: Maria, primeiro a em 3");
    EXPECT_EQ(r.rows[3], "Tecla: #0#59");
    EXPECT_FALSE(hasLine(r, "nunca"));
    EXPECT_TRUE(r.contains("speak Olá, Ana Maria!"));
}

TEST(ScriptProgram, BlocksLoopsAndCalls) {
    HeadlessResult r = runHeadless("", {"--script", program("blocos.pro")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.rows[0], "repete: 1[dois]3 fim com I=4");
    EXPECT_EQ(r.rows[1], "enquanto: 246");
    EXPECT_EQ(r.rows[2], "cmd ok");
    EXPECT_FALSE(hasLine(r, "pulado"));
}

TEST(ScriptProgram, AFailureReportsTheLineAndExitsOne) {
    HeadlessResult r = runHeadless("", {"--script", program("erro.pro")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Erro de execução no programa"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("linha 3"), std::string::npos) << r.err;
    EXPECT_TRUE(r.contains("speak Divisão por zero"));
    EXPECT_FALSE(hasLine(r, "nunca"));
}

TEST(ScriptProgram, RemoteCallFailsWithoutAGame) {
    HeadlessResult r = runHeadless("", {"--script", program("remoto.pro")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("linha 2"), std::string::npos) << r.err;
    EXPECT_EQ(r.rows[0], "antes");
    EXPECT_FALSE(hasLine(r, "depois"));
}

TEST(ScriptProgram, AMissingFileIsALoadFailure) {
    HeadlessResult r = runHeadless("", {"--script", program("nao_existe.pro")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("resultado 2"), std::string::npos) << r.err;
}

}  // namespace
