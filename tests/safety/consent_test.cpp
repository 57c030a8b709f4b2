// The pupil's consent is the pupil's own: keys typed before a question never answer
// it, the question says what runs and where before the game's own words, and what
// runs is exactly what was asked.  Games played through the headless front and, where
// keys typed ahead matter, through the terminal front on a pseudo-terminal.
#include "ludivar_paths.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/headless.h"
#include "support/pty.h"

namespace {

bool exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

void makeDirs(const std::string& d) { ASSERT_EQ(std::system(("mkdir -p '" + d + "'").c_str()), 0); }

void writeScript(const std::string& path, const std::string& body) {
    writeText(path, "#!/bin/sh\n" + body + "\n");
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

// A game (file name `file`, heard as `title`) with one place, driven by `program`.
void writeGame(const std::string& folder, const std::string& file, const std::string& titleUtf8,
               const std::string& programUtf8) {
    writeText(folder + "/" + file + ".lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=" + titleUtf8 + "\r\nSCRIPT=" + file +
                                 ".pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\nNOME=Capa\r\n"
                                 "TERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n"));
    writeText(folder + "/" + file + ".pro", plat::utf8ToCp1252(programUtf8));
}

struct Played {
    HeadlessResult r;
    std::string top, game;
};

// Plays the only game of a fresh games folder; `answers` follow the keys that choose it.
Played play(const std::string& title, const std::string& program, const std::string& answers,
            const std::string& top = tempDir()) {
    Played p;
    p.top = top;
    p.game = top + "/jogos/jogo";
    makeDirs(p.game);
    std::string prog = program;
    for (size_t at; (at = prog.find("@TOP@")) != std::string::npos;) prog.replace(at, 5, top);
    writeGame(p.game, "Jogo", title, prog);
    p.r = runHeadless("j{Enter}{Enter}" + answers, {}, "[LUDIVAR]\nDIRJOGOS=" + top + "/jogos\n");
    return p;
}

TEST(Consent, KeysTypedBeforeAQuestionNeverAnswerIt) {
    // The first S answers the key read; the second arrives while "pronto" is said and
    // must be dropped: the question is answered by the N typed after it began.
    Played p = play("Jogo", "LÊ &\r\nESCREVE \"pronto\"\r\nEXECUTA \"touch @TOP@/executou\"\r\n",
                    "S{wait 1}S{wait 600000}N{Esc}");
    EXPECT_FALSE(exists(p.top + "/executou")) << p.r.err;
    EXPECT_TRUE(p.r.contains("speak Não permitido: executar o programa touch " + p.top + "/executou, do sistema"));
}

TEST(Consent, TheQuestionSaysWhatAndWhereBeforeTheGamesName) {
    const struct {
        const char* title;  // NOME DO JOGO
        const char* quoted;
    } rows[] = {
        {"Jogo", "\"Jogo\""},
        // A whole question of its own: said after Ludivar's, quoted and cut at 40 characters.
        {"Sorteio quer abrir o caderno. Permitir? S/N. Agora responda",
         "\"Sorteio quer abrir o caderno. Permitir?\""},
        {"Nome \"com\" aspas", "\"Nome 'com' aspas\""},
    };
    for (const auto& row : rows) {
        Played p = play(row.title, "EXECUTA \"true\"\r\n", "N{Esc}");
        EXPECT_TRUE(p.r.contains(std::string("speak Executar o programa true, do sistema? Pedido do jogo ") + row.quoted +
                                 ". Permitir? S/N "))
            << row.title << "\n" << p.r.err;
    }
}

TEST(Consent, WhatRunsIsExactlyWhatWasAsked) {
    // The game ships executables named like an address and like a system program; the
    // system has its own opener and program (a folder of the test's, first in PATH).
    const std::string top = tempDir(), bin = top + "/bin", game = top + "/jogos/jogo";
    makeDirs(bin);
    makeDirs(game);
    writeScript(bin + "/xdg-open", "printf '%s' \"$1\" > '" + top + "/aberto'");
    writeScript(bin + "/gnome-calculator", "touch '" + top + "/sistema'");
    writeScript(game + "/WWW.ESCOLA.COM.BR", "touch '" + top + "/do-jogo-endereco'");
    writeScript(game + "/Gnome-Calculator", "touch '" + top + "/do-jogo-calc'");
    writeScript(game + "/abrir.sh", "touch '" + top + "/do-jogo-nomeado'");
    const char* path = std::getenv("PATH");
    setHeadlessEnv({"PATH=" + bin + ":" + (path ? path : "/usr/bin:/bin")});
    Played p = play("Jogo",
                    "EXECUTA \"WWW.ESCOLA.COM.BR\"\r\n"
                    "EXECUTA \"gnome-calculator\"\r\n"
                    "EXECUTA \"abrir.sh\"\r\n"
                    "EXECUTA \"nada-assim\"\r\n",
                    "SSS{Esc}", top);
    setHeadlessEnv({});
    EXPECT_EQ(readText(top + "/aberto"), "http://WWW.ESCOLA.COM.BR") << p.r.err;
    EXPECT_TRUE(exists(top + "/sistema"));
    EXPECT_FALSE(exists(top + "/do-jogo-endereco"));
    EXPECT_FALSE(exists(top + "/do-jogo-calc"));
    // A file of the game runs only when the question names it as that file.
    EXPECT_TRUE(exists(top + "/do-jogo-nomeado"));
    const std::string asked = ". Permitir? S/N ";
    for (const char* q :
         {"Abrir o endereço http://WWW.ESCOLA.COM.BR, na internet? Pedido do jogo \"Jogo\"",
          "Executar o programa gnome-calculator, do sistema? Pedido do jogo \"Jogo\"",
          "Executar o arquivo abrir.sh, na pasta do jogo? Pedido do jogo \"Jogo\""})
        EXPECT_TRUE(p.r.contains(std::string("speak ") + q + asked)) << q;
    EXPECT_EQ(p.r.count("speak Executar o arquivo nada-assim, na pasta do jogo? Pedido do jogo \"Jogo\"" + asked), 0);
}

TEST(Consent, AProgramTheGameWroteIsAskedAboutWhenRun) {
    // The game writes a program and moves to it: asked (N refuses), and a shipped
    // second program runs without a question.
    const std::string top = tempDir(), game = top + "/jogos/jogo";
    makeDirs(game);
    writeText(game + "/parte2.pro", plat::utf8ToCp1252("ESCREVE \"segunda parte\"\r\n"));
    Played p = play("Jogo",
                    "ABRE #1 \"novo.pro\" &\r\nESCREVE #1 \"EXECUTA \"\"touch @TOP@/escrito\"\"\"\r\nFECHA #1\r\n"
                    "DESVIA SCRIPT \"novo.pro\"\r\n",
                    "N{Esc}", top);
    EXPECT_TRUE(p.r.contains("speak Executar o programa novo.pro, na pasta do jogo, que o próprio jogo escreveu? "
                             "Pedido do jogo \"Jogo\". Permitir? S/N "))
        << p.r.err;
    EXPECT_FALSE(exists(top + "/escrito"));
    Played shipped = play("Jogo", "DESVIA SCRIPT \"parte2.pro\"\r\n", "{Esc}", top);
    EXPECT_TRUE(shipped.r.contains("speak segunda parte")) << shipped.r.err;
    for (const std::string& e : shipped.r.trace) EXPECT_EQ(e.find("Permitir?"), std::string::npos) << e;
}

TEST(Consent, TypedAheadKeysOnTheTerminalNeverAnswer) {
    const std::string dir = tempDir();
    writeText(dir + "/p.pro",
              plat::utf8ToCp1252("ESCREVE \"aperte\"\r\nLÊ &\r\nESCREVE \"pronto\"\r\nEXECUTA \"touch " + dir +
                                 "/executou\"\r\n"));
    testsupport::Pty t;
    ASSERT_TRUE(t.start({LUDIVAR_BIN, "--tty", "--script", dir + "/p.pro"},
                        {"ECOLAR_CONFIG_DIR=" + dir + "/config", "XDG_DATA_HOME=" + dir + "/data",
                         "SDL_AUDIODRIVER=dummy", "TERM=xterm"}));
    ASSERT_TRUE(t.waitFor([&] { return t.output().find("aperte") != std::string::npos; }));
    ASSERT_TRUE(t.send("SS"));  // one key for the read, one typed ahead
    ASSERT_TRUE(t.waitFor([&] { return t.output().find("Permitir? S/N") != std::string::npos; })) << t.output();
    ASSERT_TRUE(t.send("N"));
    EXPECT_EQ(t.waitExit(), 1) << t.output();  // a refused command ends the program with its error
    EXPECT_NE(t.output().find("Não permitido"), std::string::npos) << t.output();
    EXPECT_FALSE(exists(dir + "/executou")) << t.output();
}

}  // namespace
