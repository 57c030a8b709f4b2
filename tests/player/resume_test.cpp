// A game left in the middle resumes where the pupil left it, with its points; a
// finished or changed game starts afresh; the question can be turned off.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include "platform/platform.h"
#include "player/resume.h"
#include "support/headless.h"

namespace {

// Four places of 10, 20, 30 and 40 points, one slide each; the last ends the game.
std::string quizGame(const std::string& name) {
    std::string t = "[DADOS GERAIS]\r\nNOME DO JOGO=" + name + "\r\n\r\n[MODELO]\r\nLUGARES=4\r\n";
    for (int n = 1; n <= 4; ++n) {
        const std::string k = std::to_string(n);
        t += "\r\n[LUGAR " + k + "]\r\nNOME=Pergunta " + k + "\r\nPONTUA\xC7\xC3O=" + k + "0\r\n" +
             "TERMINADOR=" + (n == 4 ? "SIM" : "N\xC3O") + "\r\nN\xDAMERO DE SLIDES=1\r\n" +
             "\r\n[SLIDE " + k + " 1]\r\nFALA TEXTO=SIM\r\n0=Lugar " + k + " com $PONTOS pontos\r\n";
    }
    return t;
}

struct Shelf {
    std::string home, games, ini;
    Shelf() {
        home = tempDir();
        games = home + "/jogos";
        mkdir(games.c_str(), 0755);
        mkdir((games + "/quiz").c_str(), 0755);
        writeText(games + "/quiz/quiz.lud", quizGame("Quiz"));
        setHeadlessEnv({"XDG_DATA_HOME=" + home + "/data", "ECOLAR_CONFIG_DIR=" + home + "/config"});
        ini = "[LUDIVAR]\nDIRJOGOS=" + games + "\n";
    }
    ~Shelf() { setHeadlessEnv({}); }
    // J, the folder (its one game is taken without asking), Enter at the title card, then `keys`.
    HeadlessResult play(const std::string& keys, const std::string& extraIni = "") const {
        return runHeadless("J{Enter}{Enter}" + keys, {}, ini + extraIni);
    }
};

bool saidAt(const HeadlessResult& r, const std::string& text) {
    return std::find(r.trace.begin(), r.trace.end(), "speak " + text) != r.trace.end();
}

}  // namespace

TEST(Resume, LeftAtTheThirdPlaceResumesThereWithItsPoints) {
    Shelf s;
    // Places 1 and 2 pass with Enter; at place 3, Esc and S leave the game.
    HeadlessResult first = s.play("{Enter}{Enter}{Esc}S{Enter}{Esc}");
    ASSERT_TRUE(saidAt(first, "Lugar 3 com 60 pontos")) << first.err;
    EXPECT_FALSE(saidAt(first, "Continuar de onde parou? S/N "));

    // S: place 3 again with the 30 points of places 1 and 2 and its own 30.
    HeadlessResult again = s.play("S{Enter}{Enter}{Enter}{Esc}");
    EXPECT_TRUE(saidAt(again, "Continuar de onde parou? S/N "));
    EXPECT_TRUE(saidAt(again, "Lugar 3 com 60 pontos"));
    EXPECT_FALSE(saidAt(again, "Lugar 1 com 10 pontos"));
    EXPECT_TRUE(saidAt(again, "Lugar 4 com 100 pontos"));

    // The game was finished: the next time starts at place 1 without a question.
    HeadlessResult third = s.play("{Esc}S{Enter}{Esc}");
    EXPECT_FALSE(saidAt(third, "Continuar de onde parou? S/N "));
    EXPECT_TRUE(saidAt(third, "Lugar 1 com 10 pontos"));
}

TEST(Resume, NoStartsAfreshAndAChangedGameOrTheSettingAsksNothing) {
    Shelf s;
    s.play("{Enter}{Esc}S{Enter}{Esc}");  // left at place 2
    HeadlessResult no = s.play("N{Esc}S{Enter}{Esc}");
    EXPECT_TRUE(saidAt(no, "Continuar de onde parou? S/N "));
    EXPECT_TRUE(saidAt(no, "Lugar 1 com 10 pontos"));

    // That run left the game at place 1; the teacher's setting turns the question off.
    HeadlessResult off = s.play("{Esc}S{Enter}{Esc}", "RETOMAR=NAO\n");
    EXPECT_FALSE(saidAt(off, "Continuar de onde parou? S/N "));
    EXPECT_TRUE(saidAt(off, "Lugar 1 com 10 pontos"));

    // A changed game is another game.
    writeText(s.games + "/quiz/quiz.lud", quizGame("Quiz novo"));
    HeadlessResult changed = s.play("{Esc}S{Enter}{Esc}");
    EXPECT_FALSE(saidAt(changed, "Continuar de onde parou? S/N "));
}

TEST(Resume, ProgressFilesThatDoNotFitAreNotRead) {
    player::Progress p;
    p.place = 3;
    p.score = -5;
    p.categories.push_back({"Fim do jogo", 2, 1, {4, 2}});
    const std::string text = player::progressText("a-b", p);
    player::Progress back;
    ASSERT_TRUE(player::parseProgress(text, "a-b", back));
    EXPECT_EQ(back.place, 3);
    EXPECT_EQ(back.score, -5);
    ASSERT_EQ(back.categories.size(), 1u);
    EXPECT_EQ(back.categories[0].nextPlace, "Fim do jogo");
    EXPECT_EQ(back.categories[0].places, (std::vector<int>{4, 2}));
    const char* bad[] = {"", "LUDIVAR-PROGRESSO 1\njogo a-b\npontos 1\n", "LUDIVAR-PROGRESSO 1\njogo a-c\nlugar 1\npontos 1\n",
                         "LUDIVAR-PROGRESSO 1\njogo a-b\nlugar 1001\npontos 1\n",
                         "LUDIVAR-PROGRESSO 1\njogo a-b\nlugar 1\npontos 1\ncategoria 1 1 0,2 X\n",
                         "LUDIVAR-PROGRESSO 1\njogo a-b\nlugar 1\npontos 99999999999\n"};
    for (const char* b : bad) EXPECT_FALSE(player::parseProgress(b, "a-b", back)) << b;
    EXPECT_FALSE(player::parseProgress(text, "a-c", back));
}
