// Games of a collection share one folder with each other and with the teacher's
// files.  A game dropped into it changes, without asking, only what is its own:
// files it made (remembered between plays), what it came with and its data folder.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/platform.h"
#include "support/headless.h"

namespace {

bool exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

void makeDirs(const std::string& d) { ASSERT_EQ(std::system(("mkdir -p '" + d + "'").c_str()), 0); }

int filesIn(const std::string& dir) {
    int n = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
    }
    return n;
}

// A game file (CP1252) with one place naming `media`, driven by `program`.
void writeGame(const std::string& folder, const std::string& name, const std::string& programUtf8,
               const std::string& media = "") {
    writeText(folder + "/" + name + ".lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=" + name + "\r\nSCRIPT=" + name +
                                 ".pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\nNOME=Capa\r\n"
                                 "MÍDIA=" + media + "\r\nTERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n"));
    writeText(folder + "/" + name + ".pro", plat::utf8ToCp1252(programUtf8));
}

// A collection folder as a teacher keeps it: a game of theirs and their notes.
struct Collection {
    std::string top = tempDir(), folder = top + "/jogos/ciencias";
    Collection() {
        makeDirs(folder);
        writeGame(folder, "aula", "ESCREVE \"aula\"\r\n");
        writeText(folder + "/plano.txt", "plano original");
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }
    // Plays the game from its file; `answers` are the keys typed while it runs.
    HeadlessResult play(const std::string& game, const std::string& answers) const {
        return runHeadless("{Enter}" + answers + "{Esc}", {path(game + ".lud")}, "[LUDIVAR]\nDIRJOGOS=" + top + "/jogos\n");
    }
};

int questions(const HeadlessResult& r) {
    int n = 0;
    for (const std::string& e : r.trace)
        if (e.find("Permitir? S/N") != std::string::npos) ++n;
    return n;
}

TEST(GameOwnsItsFiles, TheTeachersFilesAndOtherGamesAreAsked) {
    struct Case {
        const char* command;   // what the hostile game tries
        const char* question;  // what the pupil is asked first
        const char* file;      // the file it is after
        const char* afterYes;  // its contents once allowed; nullptr: gone
        bool stopsOnNo;        // a refused ABRE fails the program, as any refused name does
    } cases[] = {
        {"REMOVE \"aula.lud\" &", "Apagar aula.lud", "aula.lud", nullptr, false},
        {"REMOVE \"AULA.PRO\" &", "Apagar aula.pro", "aula.pro", nullptr, false},
        {"RENOMEIA \"aula.pro\" \"roubado.pro\" &", "Renomear aula.pro", "aula.pro", nullptr, false},
        {"REPLICA \"Hostil.pro\" \"plano.txt\" &", "Substituir plano.txt", "plano.txt", "*program*", false},
        {"ABRE #1 \"plano.txt\" &\r\nESCREVE #1 \"estragado\" &\r\nFECHA #1 &", "Escrever em plano.txt",
         "plano.txt", "plano originalestragado", true},
    };
    for (const Case& c : cases) {
        for (const char* answer : {"N", "s"}) {
            SCOPED_TRACE(std::string(c.command) + " answered " + answer);
            Collection col;
            const std::string before = readText(col.path(c.file));
            const std::string program =
                std::string(c.command) + "\r\nCHECA $S\r\nESCREVE \"situação \" $S\r\nESCREVE \"fim\"\r\n";
            writeGame(col.folder, "Hostil", program);
            // A key typed before the question is no answer to it.
            HeadlessResult r = col.play("Hostil", std::string("{wait 1}S") + answer);
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_TRUE(r.contains(std::string("speak ") + c.question +
                                   ", na pasta ciencias? Pedido do jogo \"Hostil\". Permitir? S/N "));
            EXPECT_EQ(questions(r), 1);
            const bool stopped = answer[0] == 'N' && c.stopsOnNo;
            EXPECT_EQ(r.contains("speak fim"), !stopped);
            if (answer[0] == 'N') {
                EXPECT_EQ(readText(col.path(c.file)), before);
                if (!stopped) {
                    EXPECT_TRUE(r.contains("speak situação 5"));
                }
                EXPECT_TRUE(r.contains(std::string("speak Não permitido: ") + c.question));
                EXPECT_FALSE(exists(col.path("roubado.pro")));
            } else if (!c.afterYes) {
                EXPECT_FALSE(exists(col.path(c.file)));
                EXPECT_TRUE(r.contains("speak situação 0"));
            } else {
                const std::string want = std::string(c.afterYes) == "*program*" ? program : c.afterYes;
                EXPECT_EQ(readText(col.path(c.file)), plat::utf8ToCp1252(want));
            }
        }
    }
}

TEST(GameOwnsItsFiles, ItsOwnFilesNeedNoQuestion) {
    Collection col;
    // What it came with: a sound its place names, and its data folder.
    writeText(col.path("tema.wav"), "RIFF");
    makeDirs(col.path("Hostil.dados"));
    writeText(col.path("Hostil.dados/placar.txt"), "0");
    writeGame(col.folder, "Hostil",
              "ABRE #1 \"novo.txt\" &\r\nESCREVE #1 \"meu\"\r\nFECHA #1\r\n"
              "ABRE #1 \"novo.txt\" &\r\nESCREVE #1 \"de novo\"\r\nFECHA #1\r\n"  // again, now that it exists
              "ABRE #2 \"novo.txt\"\r\nLÊ #2 $A\r\nFECHA #2\r\nESCREVE \"lido \" $A\r\n"
              "REPLICA \"novo.txt\" \"copia.txt\"\r\nREPLICA \"novo.txt\" \"copia.txt\"\r\n"
              "RENOMEIA \"copia.txt\" \"outra.txt\"\r\nREMOVE \"outra.txt\"\r\nREMOVE \"novo.txt\"\r\n"
              "DIR CRIA \"minhas\"\r\nREPLICA \"tema.wav\" \"minhas\\a.txt\"\r\nRENOMEIA \"minhas\" \"suas\"\r\n"
              "REMOVE \"suas\\a.txt\"\r\nDIR REMOVE \"suas\"\r\n"
              "ABRE #3 \"tema.wav\" &\r\nESCREVE #3 \"x\"\r\nFECHA #3\r\nREMOVE \"tema.wav\"\r\n"
              "REPLICA \"Hostil.lud\" \"Hostil.dados\\placar.txt\"\r\nREMOVE \"Hostil.dados\\placar.txt\"\r\n"
              "REMOVE \"plano.txt\" &\r\nESCREVE \"fim\"\r\n",
              "tema.wav");
    HeadlessResult r = col.play("Hostil", "N");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.contains("speak lido meu")) << r.err;
    EXPECT_TRUE(r.contains("speak fim"));
    // Asked about the teacher's notes only.
    EXPECT_EQ(questions(r), 1);
    EXPECT_TRUE(r.contains("speak Apagar plano.txt, na pasta ciencias? Pedido do jogo \"Hostil\". Permitir? S/N "));
    EXPECT_EQ(readText(col.path("plano.txt")), "plano original");
    for (const char* gone : {"novo.txt", "copia.txt", "outra.txt", "minhas", "suas", "tema.wav", "Hostil.dados/placar.txt"})
        EXPECT_FALSE(exists(col.path(gone))) << gone;
}

TEST(GameOwnsItsFiles, ALaterPlayKnowsWhatItMade) {
    Collection col;
    const std::string data = tempDir();
    setHeadlessEnv({"XDG_DATA_HOME=" + data});
    writeGame(col.folder, "Hostil",
              "ABRE #1 \"placar.txt\" &\r\nESCREVE #1 \"1\"\r\nFECHA #1\r\nDIR CRIA \"fotos\"\r\n"
              "REPLICA \"placar.txt\" \"fotos\\a.txt\"\r\nREPLICA \"placar.txt\" \"velho.txt\"\r\n"
              "REMOVE \"velho.txt\"\r\nESCREVE \"primeira\"\r\n");
    HeadlessResult first = col.play("Hostil", "");
    EXPECT_TRUE(first.contains("speak primeira")) << first.err;
    EXPECT_EQ(questions(first), 0);
    // What it made is remembered in the user's data folder, never in the game's.
    EXPECT_EQ(filesIn(data + "/ludivar/proprios"), 1);
    EXPECT_EQ(filesIn(col.folder), 7);  // aula.lud, aula.pro, plano.txt, the game's two, placar.txt, fotos
    // The teacher makes a file under a name the game used and deleted.
    writeText(col.path("velho.txt"), "do professor");
    writeGame(col.folder, "Hostil",
              "ABRE #1 \"placar.txt\" &\r\nESCREVE #1 \"2\"\r\nFECHA #1\r\nREPLICA \"placar.txt\" \"fotos\\a.txt\"\r\n"
              "RENOMEIA \"fotos\" \"imagens\"\r\nREMOVE \"imagens\\a.txt\"\r\n"
              "REMOVE \"velho.txt\" &\r\nESCREVE \"segunda\"\r\n");
    HeadlessResult second = col.play("Hostil", "N");
    EXPECT_TRUE(second.contains("speak segunda")) << second.err;
    EXPECT_EQ(questions(second), 1);
    EXPECT_TRUE(second.contains("speak Apagar velho.txt, na pasta ciencias? Pedido do jogo \"Hostil\". Permitir? S/N "));
    EXPECT_EQ(readText(col.path("placar.txt")), "1\r\n2\r\n");
    EXPECT_EQ(readText(col.path("velho.txt")), "do professor");
    EXPECT_FALSE(exists(col.path("imagens/a.txt")));
    // Another user (another data folder) never saw the game make them: they are asked about.
    setHeadlessEnv({});
    writeGame(col.folder, "Hostil", "REMOVE \"placar.txt\" &\r\nESCREVE \"terceira\"\r\n");
    HeadlessResult other = col.play("Hostil", "N");
    EXPECT_TRUE(other.contains("speak terceira")) << other.err;
    EXPECT_EQ(questions(other), 1);
    EXPECT_TRUE(exists(col.path("placar.txt")));
}

}  // namespace
