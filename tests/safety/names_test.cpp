// Names a game's program could use to make the check and the open see two
// different files: control characters (a NUL ends the name the system opens)
// and hard links to files outside the game's folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"
#include "support/headless.h"

namespace {

struct Folders {
    std::string top = tempDir(), game = top + "/g", outside = top + "/fora";
    Folders() {
        EXPECT_EQ(std::system(("mkdir -p '" + game + "' '" + outside + "'").c_str()), 0);
        writeText(outside + "/alheio.pro", "ESCREVE \"alheio\"\r\n");
        writeText(outside + "/segredo.txt", "segredo");
        writeText(outside + "/vitima.txt", "original");
        writeText(game + "/lixo.txt", "lixo");
    }
    // Runs `program` (UTF-8; may hold NUL bytes) as the game's program.
    HeadlessResult run(const std::string& program) {
        writeText(game + "/p.pro", plat::utf8ToCp1252(program));
        EXPECT_EQ(chdir(game.c_str()), 0);  // a program run on its own names files from where it starts
        return runHeadless("", {"--script", game + "/p.pro"});
    }
};

TEST(ConfinedNames, ControlCharactersAreRefused) {
    Folders f;
    const std::string nul(1, '\0');
    struct Case {
        std::string program;
        std::string refused;  // the name as the pupil hears it
        int exitCode;
    } cases[] = {
        // The check would see a name inside the game; the load would stop at the NUL.
        {"DESVIA SCRIPT \"" + f.outside + "/alheio.pro" + nul + "/../../g/p.pro\"\r\n",
         f.outside + "/alheio.pro?/../../g/p.pro", 1},
        {"ABRE #1 \"../fora/segredo.txt" + nul + "/../../g/lixo.txt\"\r\nLÊ #1 $X\r\nESCREVE $X\r\n",
         "../fora/segredo.txt?/../../g/lixo.txt", 1},
        {"REPLICA \"lixo.txt\" \"novo\ttab.txt\" &\r\nCHECA $S\r\nESCREVE \"situação \" $S\r\n", "novo?tab.txt", 0},
        {"REMOVE \"lixo.txt\x01\"\r\n", "lixo.txt?", 1},
    };
    for (const Case& c : cases) {
        HeadlessResult r = f.run(c.program);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.refused << r.err;
        EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: " + c.refused)) << c.refused;
        EXPECT_FALSE(r.contains("speak alheio")) << c.refused;
        EXPECT_FALSE(r.contains("speak segredo")) << c.refused;
        if (c.exitCode == 0) {
            EXPECT_TRUE(r.contains("speak situação 5")) << c.refused;
        }
    }
    EXPECT_EQ(readText(f.game + "/lixo.txt"), "lixo");
}

TEST(ConfinedNames, AFileWithOtherHardLinksIsNotWrittenThrough) {
    Folders f;
    ASSERT_EQ(link((f.outside + "/vitima.txt").c_str(), (f.game + "/ligado.txt").c_str()), 0);
    HeadlessResult r = f.run("ABRE #1 \"ligado.txt\" &\r\nESCREVE #1 \"estragado\"\r\n");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: ligado.txt"));
    EXPECT_EQ(readText(f.outside + "/vitima.txt"), "original");
    // Reading it is harmless, and a file of its own is written as before.
    r = f.run("ABRE #1 \"ligado.txt\"\r\nLÊ #1 $X\r\nESCREVE $X\r\nABRE #2 \"meu.txt\" &\r\nESCREVE #2 \"meu\"\r\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.contains("speak original"));
    EXPECT_EQ(readText(f.game + "/meu.txt"), "meu\r\n");
}

}  // namespace
