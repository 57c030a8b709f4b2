// Pictures and media are reads like any other: a game reaches them in its own
// folder, its collection and the family's data only, and a refusal is the same
// whether the file outside exists or not.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "platform/image.h"
#include "platform/platform.h"
#include "support/headless.h"

namespace {

struct MediaTree {
    std::string top = tempDir(), games = top + "/jogos", game = games + "/meu", outside = top + "/fora";
    MediaTree() {
        EXPECT_EQ(std::system(("mkdir -p '" + game + "' '" + outside + "'").c_str()), 0);
        plat::Picture pic;
        pic.width = pic.height = 8;
        pic.rgb.assign(8 * 8 * 3, 90);
        std::string jpeg;
        EXPECT_TRUE(plat::encodeJpeg(pic, 80, jpeg));
        for (const std::string& d : {game, outside}) {
            writeText(d + "/foto.jpg", jpeg);
            writeText(d + "/som.wav", "RIFF");
        }
    }
    HeadlessResult run(const std::string& programUtf8) {
        writeText(game + "/p.pro", plat::utf8ToCp1252(programUtf8));
        EXPECT_EQ(chdir(game.c_str()), 0);  // a program run on its own names files from where it starts
        return runHeadless("", {"--script", game + "/p.pro"});
    }
};

TEST(ConfinedMedia, ScriptCommandsReadOnlyWhereTheGameMay) {
    MediaTree t;
    struct Case {
        std::string program;
        std::string refused;  // empty: allowed
    } cases[] = {
        {"IMAGEM \"../fora/foto.jpg\"\r\n", "../fora/foto.jpg"},
        {"TOCA \"..\\fora\\som.wav\"\r\n", "..\\fora\\som.wav"},
        {"TOCA \"" + t.outside + "/som.wav\" &\r\n", t.outside + "/som.wav"},
        {"MCI $R \"open ..\\fora\\som.wav alias x\"\r\n", "..\\fora\\som.wav"},
        {"MCI $R \"open waveaudio!..\\fora\\som.wav alias x\"\r\n", "..\\fora\\som.wav"},
        {"MCI $R \"play " + t.outside + "/som.wav\"\r\n", t.outside + "/som.wav"},
        {"IMAGEM \"foto.jpg\"\r\nMCI $R \"open som.wav alias x\"\r\nMCI $R \"close x\"\r\n", ""},
    };
    for (const Case& c : cases) {
        HeadlessResult r = t.run(c.program);
        if (c.refused.empty()) {
            EXPECT_EQ(r.exitCode, 0) << c.program << r.err;
            EXPECT_TRUE(r.contains("media open som.wav alias x")) << c.program;
            continue;
        }
        EXPECT_EQ(r.exitCode, 1) << c.program << r.err;
        EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: " + c.refused)) << c.program;
        for (const std::string& line : r.trace) {
            EXPECT_EQ(line.find("media"), std::string::npos) << c.program << line;
        }
    }
}

TEST(ConfinedMedia, AFileOutsideLooksTheSameWhetherItExistsOrNot) {
    MediaTree t;
    for (const char* name : {"foto.jpg", "nenhuma.jpg"}) {
        HeadlessResult r = t.run(std::string("IMAGEM \"../fora/") + name + "\" &\r\nCHECA $S\r\nESCREVE \"situação \" $S\r\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.contains(std::string("speak Acesso negado fora da pasta do jogo: ../fora/") + name)) << name;
        EXPECT_TRUE(r.contains("speak situação 5")) << name;
    }
}

TEST(ConfinedMedia, SlidesReadOnlyWhereTheGameMay) {
    MediaTree t;
    writeText(t.game + "/Meu.lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=Meu\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n"
                                 "[LUGAR 1]\r\nNOME=Capa\r\nTERMINADOR=SIM\r\nMÍDIA=..\\..\\fora\\som.wav\r\n"
                                 "NÚMERO DE SLIDES=1\r\n\r\n[SLIDE 1 1]\r\nFIGURA=..\\..\\fora\\foto.jpg\r\n"
                                 "MÍDIA=..\\..\\fora\\som.wav\r\n"));
    HeadlessResult r = runHeadless("j{Enter}{Enter}{Enter}{Esc}{Esc}", {}, "[LUDIVAR]\nDIRJOGOS=" + t.games + "\n");
    EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 3) << r.exitCode << r.err;
    EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: ..\\..\\fora\\som.wav"));
    EXPECT_TRUE(r.contains("speak Acesso negado fora da pasta do jogo: ..\\..\\fora\\foto.jpg"));
    for (const std::string& line : r.trace)
        if (line.find("fora") != std::string::npos) {
            EXPECT_EQ(line.rfind("speak Acesso negado", 0), 0u) << line;
        }
}

}  // namespace
