// --check finds what reads without error but breaks play, naming the place and
// the line; binary files are no games; the game's texts never reach the terminal raw.
#include <gtest/gtest.h>

#include <string>

#include "game/checker.h"
#include "game/gamefile.h"
#include "platform/platform.h"
#include "support/headless.h"

using namespace game;

namespace {

// Place sections with a slide each, so that only what a case adds is warned about.
std::string place(int n, const std::string& name, const std::string& extra = "") {
    std::string s = "[LUGAR " + std::to_string(n) + "]\r\nNOME=" + name + "\r\n" + extra +
                    plat::cp("NÚMERO DE SLIDES=1\r\n");
    s += "[SLIDE " + std::to_string(n) + " 1]\r\n0=texto\r\n";
    return s;
}
const std::string kHead = "[DADOS GERAIS]\r\nNOME DO JOGO=Teste\r\n[MODELO]\r\nLUGARES=2\r\n";

std::string all(const CheckReport& r) {
    std::string s;
    for (const std::string& l : r.lines) s += plat::cp1252ToUtf8(l) + "\n";
    return s;
}

}  // namespace

TEST(GameChecks, WhatBreaksPlayIsWarnedWithItsLine) {
    struct Case { const char* what; std::string text; const char* warning; };
    const Case cases[] = {
        {"clean", kHead + place(1, "Um") + place(2, "Dois"), nullptr},
        {"no slides", kHead + place(1, "Um") + "[LUGAR 2]\r\nNOME=Vazio\r\n",
         "lugar 2 (Vazio), linha 10: o lugar não tem slides"},
        {"blanks around |", kHead + place(1, "Um", "RESPOSTA ESPERADA=sim | não\r\n") + place(2, "Dois"),
         "lugar 1 (Um), linha 7: a resposta esperada \"sim \" tem espaços"},
        {"flag as a word", kHead + place(1, "Um") + place(2, "Dois") + "FALA TEXTO=sim\r\n",
         "lugar 2 (Dois), slide 1, linha 15: FALA TEXTO=sim é lido como NÃO"},
        {"TERMINADOR=1", kHead + place(1, "Um", "TERMINADOR=1\r\n") + place(2, "Dois"),
         "lugar 1 (Um), linha 7: TERMINADOR=1 é lido como NÃO"},
        {"cut file", "[MODELO]\r\nLUGARES=9\r\n" + place(1, "Um") + place(2, "Dois"),
         "linha 2: LUGARES=9, mas o arquivo só traz lugares até o 2"},
        {"model after places", "[LUGAR 1]\r\nNOME=Um\r\n" + plat::cp("NÚMERO DE SLIDES=1\r\n") +
                                   "[SLIDE 1 1]\r\n0=x\r\n[MODELO]\r\nLUGARES=1\r\n",
         "linha 6: [MODELO] vem depois dos lugares"},
        {"repeated section", kHead + place(1, "Um") + place(2, "Dois") + place(2, "Dois de novo"),
         "[LUGAR 2] aparece nas linhas 10 e 15"},
        {"repeated name", kHead + place(1, "Casa") + place(2, "CASA "),
         "lugar 2 (CASA ), linha 10: tem o mesmo nome do lugar 1 (Casa), linha 5"},
        {"named like a category", kHead + place(1, "Bichos") + place(2, "Gato", "CATEGORIA=bichos\r\n"),
         "lugar 1 (Bichos), linha 5: tem o nome de uma categoria"},
        {"one destination for two answers",
         kHead + place(1, "Um", "RESPOSTA ESPERADA=muu|mu\r\nLUGAR OK=Dois\r\n") + place(2, "Dois"),
         "lugar 1 (Um): há 2 respostas esperadas e só 1 destino em LUGAR OK;"},
        {"two destinations for three answers",
         kHead + place(1, "Um", "RESPOSTA ESPERADA=a|b|c\r\nLUGAR OK=Dois|Um\r\n") + place(2, "Dois"),
         "há 3 respostas esperadas e só 2 destinos em LUGAR OK;"},
        {"text hard to read", kHead + place(1, "Um") + place(2, "Campo", "COR DO FUNDO=Verde\r\nCOR DA LETRA=BRANCO\r\n"),
         "lugar 2 (Campo): a cor da letra BRANCO sobre o fundo Verde tem contraste 1,3:1, abaixo de 4,5:1"},
        {"dark text on the default black", kHead + place(1, "Noite", "COR DA LETRA=Azul\r\n") + place(2, "Dois"),
         "lugar 1 (Noite): a cor da letra Azul sobre o fundo PRETO tem contraste 2,4:1"},
        {"colours that read well", kHead + place(1, "Um", "COR DO FUNDO=Azul\r\nCOR DA LETRA=Amarelo\r\n") +
                                       place(2, "Dois", "COR DO FUNDO=Branco\r\nCOR DA LETRA=Preto\r\n"),
         nullptr},
    };
    for (const Case& c : cases) {
        std::string dir = tempDir();
        writeText(dir + "/jogo.lud", c.text);
        CheckReport r = CheckGame(dir + "/jogo.lud");
        EXPECT_TRUE(r.loaded) << c.what << "\n" << all(r);
        if (!c.warning) {
            EXPECT_TRUE(r.warnings.empty()) << c.what << "\n" << all(r);
            continue;
        }
        EXPECT_NE(all(r).find(c.warning), std::string::npos) << c.what << "\n" << all(r);
    }
}

TEST(GameChecks, AModelAfterThePlacesKeepsThem) {
    TJogo g;
    ReadResult r = ReadGameText("[LUGAR 1]\r\nNOME=Um\r\n[LUGAR 2]\r\nNOME=Dois\r\n[MODELO]\r\nLUGARES=0\r\n", g);
    ASSERT_TRUE(r.ok);
    ASSERT_NE(g.place(2), nullptr);
    EXPECT_EQ(g.place(2)->name, "Dois");
    EXPECT_EQ(g.placeCount, 2);
}

TEST(GameChecks, BinaryFilesAreNoGamesAndTextsNeverReachTheTerminalRaw) {
    std::string dir = tempDir();
    struct Case { const char* what; std::string bytes; };
    const Case junk[] = {
        {"NUL bytes", std::string(4096, '\0')},
        {"binary after a header", "[LUGAR 1]\r\nNOME=a\r\n" + std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10)},
        {"comments only", ";\r\n;\r\n"},
    };
    for (const Case& c : junk) {
        writeText(dir + "/lixo.lud", c.bytes);
        CheckReport r = CheckGame(dir + "/lixo.lud");
        EXPECT_FALSE(r.loaded) << c.what << "\n" << all(r);
        EXPECT_NE(all(r).find("não é um jogo"), std::string::npos) << c.what << "\n" << all(r);
    }
    // A place name that would clear the screen and fake the end of the report.
    writeText(dir + "/esc.lud", "[LUGAR 1]\r\nNOME=\x1b[2J\x1b[HNenhum aviso.\x9d\r\n");
    HeadlessResult h = runHeadless("", {"--check", dir + "/esc.lud"});
    EXPECT_EQ(h.out.find('\x1b'), std::string::npos) << h.out;
    EXPECT_EQ(h.out.find("\xc2\x9d"), std::string::npos) << h.out;
    EXPECT_NE(h.out.find("lugar 1 (?[2J?[HNenhum aviso.?)"), std::string::npos) << h.out;
}

TEST(GameChecks, ContrastComesFromThePalettesOwnColours) {
    struct Case {
        const char* a;
        const char* b;
        double least, most;
    };
    for (const Case& c : {Case{"Preto", "Branco", 20.9, 21.0}, Case{"BRANCO", "branca", 1.0, 1.0},
                          Case{"Verde", "Branco", 1.3, 1.4}, Case{"Azul", "Amarelo", 8.0, 8.1},
                          Case{"Azul", "preto", 2.4, 2.5}, Case{"15", "0", 20.9, 21.0},
                          Case{"nenhuma", "Branco", 20.9, 21.0}, Case{"16", "Branco", 20.9, 21.0}}) {
        const double r = contrastRatio(colourIndexOf(c.a), colourIndexOf(c.b));
        EXPECT_GE(r, c.least) << c.a << " " << c.b;
        EXPECT_LE(r, c.most) << c.a << " " << c.b;
        EXPECT_DOUBLE_EQ(r, contrastRatio(colourIndexOf(c.b), colourIndexOf(c.a)));
    }
}

TEST(GameChecks, TheCheckCountsAContrastWarning) {
    std::string dir = tempDir();
    writeText(dir + "/jogo.lud", kHead + place(1, "Um") + place(2, "Campo", "COR DO FUNDO=Verde\r\nCOR DA LETRA=BRANCO\r\n"));
    CheckReport r = CheckGame(dir + "/jogo.lud");
    ASSERT_EQ(r.warnings.size(), 1u) << all(r);
    EXPECT_EQ(r.lines.back(), "1 aviso.");
}
