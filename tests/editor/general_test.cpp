// The general data and presentation forms: what reaches the game, and only after
// the author has confirmed.
#include <gtest/gtest.h>

#include "support/editor_session.h"

using namespace edtest;

namespace {
game::TDadosGerais& data() { return game::current().general; }
}  // namespace

TEST(GeneralData, EscapeInTheFormThenEnterStoresWhatWasTyped) {
    Session s("Matemática{Enter}Ana{Esc}{Enter}");
    gameWith({"A"});
    const std::string created = data().creationDate;
    EXPECT_EQ(s.run(editor::editGeneralData), -1);
    EXPECT_EQ(u8(data().name), "Matemática");
    EXPECT_EQ(data().author, "Ana");
    EXPECT_EQ(data().creationDate, created);
    EXPECT_TRUE(s.saidInOrder({"Nome do Jogo", "Autor", "Confirma as alterações? "}));
}

TEST(GeneralData, CommentCountFollowsTheLastFilledComment) {
    Session s("{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}dois{Enter}{Enter}{Enter}{Ctrl+Y}{Esc}s");
    gameWith({"A"});
    data().comments[4] = "cinco";
    game::RecountComments(game::current());
    EXPECT_EQ(s.run(editor::editGeneralData), -1);
    EXPECT_EQ(data().comments[1], "dois");
    EXPECT_EQ(data().comments[4], "");
    EXPECT_EQ(game::current().commentCount, 2);
}

TEST(GeneralData, GivingUpLeavesEverythingAndLongValuesSurviveAVisit) {
    for (const char* answer : {"n", "N", "{Esc}"}) {
        Session s(std::string("Outro{Enter}Beto{Esc}") + answer);
        gameWith({"A"});
        const game::TJogo before = game::current();
        EXPECT_EQ(s.run(editor::editGeneralData), -1);
        EXPECT_EQ(game::GameText(game::current()), game::GameText(before)) << answer;
        EXPECT_TRUE(s.said("Desistiu")) << answer;
    }
    // A name longer than its 60-column field is shown cut but stays whole unless edited.
    Session s("{Enter}Beto{Esc}s");
    gameWith({"A"});
    const std::string longName(70, 'x');
    data().name = longName;
    EXPECT_EQ(s.run(editor::editGeneralData), -1);
    EXPECT_EQ(data().name, longName);
    EXPECT_EQ(data().author, "Beto");
}

TEST(Presentation, FlagsSizesAndTheirDefaultsWhenEmpty) {
    // Size "abc", Negrito "não", Aleatório and Narrando cleared.
    Session s("{Enter}{Enter}abc{Enter}não{Enter}{Ctrl+Y}{Enter}{Ctrl+Y}{Esc}{Enter}");
    game::TJogo& g = gameWith({"A"});
    g.font.bold = true;
    g.randomOrder = false;
    g.narration = false;
    EXPECT_EQ(s.run(editor::editPresentation), -1);
    EXPECT_EQ(g.font.size, 24);
    EXPECT_FALSE(g.font.bold);
    EXPECT_TRUE(g.randomOrder);
    EXPECT_TRUE(g.narration);
    EXPECT_TRUE(s.saidInOrder({"Imagem de fundo", "Fonte do texto", "Tamanho", "Negrito", "Aleatório",
                               "Narrando"}));

    struct Case {
        const char* keys;
        bool bold;
        int size;
    };
    for (const Case& c : {Case{"{Enter}{Enter}18{Enter}x{Esc}s", true, 18},
                          Case{"{Enter}{Enter}0{Enter}{Ctrl+Y}{Esc}s", false, 24},
                          Case{"{Enter}{Enter}-3{Enter}SIM{Esc}n", true, 24}}) {
        Session t(c.keys);
        game::TJogo& h = gameWith({"A"});
        h.font.bold = true;
        EXPECT_EQ(t.run(editor::editPresentation), -1) << c.keys;
        EXPECT_EQ(h.font.bold, c.bold) << c.keys;
        EXPECT_EQ(h.font.size, c.size) << c.keys;
    }
}

TEST(Presentation, PictureChoicesOfTheGamesFolder) {
    {
        // No picture files: F9 edits the same field again, anything may be typed.
        Session s("{F9}fundo.jpg{Esc}s");
        game::TJogo& g = gameWith({"A"});
        EXPECT_EQ(editor::pictureChoices(), "");
        EXPECT_EQ(s.run(editor::editPresentation), -1);
        EXPECT_EQ(g.backgroundPicture, "fundo.jpg");
    }
    Session s("{F9}{Down}{Enter}{Esc}s");
    for (const char* f : {"zebra.jpg", "arara.jpeg", "som.wav", "filme.mp4"}) std::ofstream(s.file(f)) << "x";
    EXPECT_EQ(editor::pictureChoices(), "zebra.jpg|arara.jpeg");
    EXPECT_EQ(editor::placeMediaChoices(), "som.wav");
    EXPECT_EQ(editor::slideMediaChoices(), "som.wav|filme.mp4");
    game::TJogo& g = gameWith({"A"});
    EXPECT_EQ(s.run(editor::editPresentation), -1);
    EXPECT_EQ(g.backgroundPicture, "arara.jpeg");
}
