// Hostile games played through the headless front, as a pupil plays them: they
// harm nothing outside their folder, and the stop key ends any program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"
#include "support/headless.h"

namespace {

bool exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

void makeDirs(const std::string& d) { ASSERT_EQ(std::system(("mkdir -p '" + d + "'").c_str()), 0); }

// A game file (CP1252) with one place that ends the game, driven by `program`.
void writeGame(const std::string& folder, const std::string& name, const std::string& programUtf8) {
    writeText(folder + "/" + name + ".lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=" + name + "\r\nSCRIPT=" + name +
                                 ".pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\nNOME=Capa\r\n"
                                 "TERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n"));
    writeText(folder + "/" + name + ".pro", plat::utf8ToCp1252(programUtf8));
}

TEST(HostileGame, HarmsNothingOutsideItsFolder) {
    const std::string top = tempDir(), games = top + "/jogos", game = games + "/hostil", victim = top + "/vitima";
    makeDirs(game);
    makeDirs(victim + "/vazia");
    for (const char* f : {"a", "b", "c", "d", "e", "f"}) writeText(victim + "/" + f + ".txt", "original");
    writeText(game + "/lixo.txt", "lixo");
    makeDirs(game + "/Hostil.dados");
    writeText(game + "/Hostil.dados/dados.txt", "meu");
    ASSERT_EQ(symlink(victim.c_str(), (game + "/atalho").c_str()), 0);
    writeGame(game, "Hostil",
              "REMOVE \"..\\..\\vitima\\a.txt\" &\r\n"                    // deleting, escaping with ".."
              "REMOVE \"" + victim + "/b.txt\" &\r\n"                     // an absolute path
              "RENOMEIA \"..\\..\\vitima\\c.txt\" \"meu.txt\" &\r\n"      // renaming
              "REPLICA \"lixo.txt\" \"..\\..\\vitima\\d.txt\" &\r\n"      // copying over
              "REPLICA \"lixo.txt\" \"atalho\\e.txt\" &\r\n"              // through a symbolic link
              "DIR REMOVE \"..\\..\\vitima\\vazia\" &\r\n"
              "REPLICA \"c:\\..\\..\\..\\..\\" + victim.substr(1) + "/f.txt\" \"roubado.txt\" &\r\n"
              "CHECA $S\r\nESCREVE \"situação \" $S\r\n"
              "REMOVE \"Hostil.dados\\dados.txt\"\r\n"                   // its data folder is its own
              "REPLICA \"lixo.txt\" \"c:\\sonare\\placar.txt\"\r\n"       // an old game's c:\ write
              "EXECUTA \"touch " + top + "/executou\"\r\n"                // executing: the pupil says N
              "ESCREVE \"nunca\"\r\n");
    // N answers the question, a key leaves the error, Esc leaves Ludivar.
    HeadlessResult r = runHeadless("j{Enter}{Enter}N{Esc}{Esc}", {}, "[LUDIVAR]\nDIRJOGOS=" + games + "\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* f : {"a", "b", "c", "d", "e", "f"}) EXPECT_EQ(readText(victim + "/" + f + ".txt"), "original") << f;
    EXPECT_TRUE(exists(victim + "/vazia"));
    EXPECT_FALSE(exists(game + "/meu.txt"));
    EXPECT_FALSE(exists(game + "/roubado.txt"));
    EXPECT_FALSE(exists(top + "/executou"));
    EXPECT_FALSE(exists(game + "/Hostil.dados/dados.txt"));
    EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: ..\\..\\vitima\\a.txt"));
    EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: atalho\\e.txt"));
    EXPECT_TRUE(r.contains("speak situação 5"));
    EXPECT_TRUE(r.contains("speak Executar o programa touch " + top + "/executou, do sistema? Pedido do jogo \"Hostil\". "
                           "Permitir? S/N "));
    // The teacher hears where it stopped: the program's name, the line and the command.
    EXPECT_TRUE(r.contains("speak Hostil.pro, linha 12: EXECUTA \"touch " + top + "/executou\""));
    EXPECT_FALSE(r.contains("speak nunca"));
}

TEST(HostileGame, ReadsAndFoldersOutsideAreRefused) {
    const std::string top = tempDir(), game = top + "/jogo";
    makeDirs(game);
    writeText(top + "/segredo.txt", "segredo");
    struct Case {
        const char* program;
        const char* said;  // spoken, or empty
        int exitCode;
    } cases[] = {
        {"ABRE #1 \"../segredo.txt\"\r\nLÊ #1 $X\r\nESCREVE $X\r\n", "Acesso negado fora da pasta do jogo: ../segredo.txt", 1},
        {"ABRE #1 \"../segredo.txt\" &\r\nESCREVE #1 \"estragado\"\r\n",
         "Acesso negado fora da pasta do jogo: ../segredo.txt", 1},
        {"DIR TROCA \"..\"\r\nREMOVE \"segredo.txt\"\r\n", "Acesso negado fora da pasta do jogo: ..", 1},
        {"DESVIA SCRIPT \"../segredo.txt\"\r\n", "Acesso negado fora da pasta do jogo: ../segredo.txt", 1},
        {"BUSCA $N \"../*.txt\"\r\nESCREVE \"achou [\" $N \"]\"\r\n", "achou []", 0},
    };
    for (const Case& c : cases) {
        writeText(game + "/p.pro", plat::utf8ToCp1252(c.program));
        HeadlessResult r = runHeadless("", {"--script", game + "/p.pro"});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.program << r.err;
        EXPECT_TRUE(r.contains(std::string("speak ") + c.said)) << c.program;
        EXPECT_EQ(readText(top + "/segredo.txt"), "segredo") << c.program;
        EXPECT_FALSE(r.contains("speak segredo")) << c.program;
    }
}

// A running program stops at Ctrl+Break, whatever it is doing; the application goes on.
TEST(StopKey, StopsAnyProgramAndReturnsToItsCaller) {
    const std::string dir = tempDir();
    struct Case {
        const char* program;
        const char* keys;
    } cases[] = {
        {"SEJA N 0\r\nENQUANTO 1 = 1\r\nSOMA N 1\r\nFIM ENQUANTO\r\n", "{wait 200}{Ctrl+Break}"},
        {"@volta\r\nREPETE I 1000000\r\nREPETE J 1000000\r\nFIM REPETE\r\nFIM REPETE\r\nDESVIA @volta\r\n",
         "{wait 200}{Ctrl+Break}"},
        {"LÊ $NOME\r\nESCREVE \"nunca\"\r\n", "{Ctrl+Break}"},  // waiting in a field
    };
    for (const Case& c : cases) {
        writeText(dir + "/laco.pro", plat::utf8ToCp1252(c.program));
        HeadlessResult r = runHeadless(c.keys, {"--script", dir + "/laco.pro"});
        EXPECT_EQ(r.exitCode, 1) << c.program << r.err;
        EXPECT_NE(r.err.find("Programa interrompido: laco.pro, linha "), std::string::npos) << c.program << r.err;
        EXPECT_FALSE(r.contains("speak nunca"));
    }
    // In play the game ends as on a program error and the main question comes back.
    const std::string games = tempDir();
    makeDirs(games + "/laco");
    writeGame(games + "/laco", "Laco", "ENQUANTO 1 = 1\r\nSOMA N 1\r\nFIM ENQUANTO\r\n");
    HeadlessResult r = runHeadless("j{Enter}{Enter}{wait 200}{Ctrl+Break}{Esc}", {}, "[LUDIVAR]\nDIRJOGOS=" + games + "\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.contains("speak Programa interrompido: "));
    EXPECT_TRUE(r.contains("speak Fim do Ludivar"));
}

}  // namespace
