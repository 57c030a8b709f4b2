// The slide editor driven by keys: duplicating and inserting, the first slide
// offered, moving and removing, the slide form and its conversions, the limit.
#include <gtest/gtest.h>

#include "support/editor_session.h"

using namespace edtest;

namespace {

int runSlides(Session& s, int place = 1) {
    return s.run([place] { editor::editSlides(place); });
}

game::TLugar& place1() { return *game::current().place(1); }

}  // namespace

TEST(SlideList, DuplicateAndInsertBeforeOrAfter) {
    {
        Session s("{Down}d{Enter}d{Esc}");
        gameWith({"P"}, 3);
        game::TSlide& two = *place1().slide(2);
        two.text = {"um", "dois"};
        two.picture = "b.jpg";
        two.media = "b.wav";
        two.autoAdvance = false;
        two.effect = "CRESCER";
        EXPECT_EQ(runSlides(s), -1);
        EXPECT_EQ(slideTitles(place1()), "P 1,P 2,Novo slide,P 3");
        const game::TSlide& copy = *place1().slide(3);
        EXPECT_EQ(copy.text, two.text);
        EXPECT_EQ(copy.picture, "b.jpg");
        EXPECT_EQ(copy.media, "b.wav");
        EXPECT_FALSE(copy.autoAdvance);
        EXPECT_EQ(copy.effect, "CRESCER");
        EXPECT_TRUE(s.saidInOrder({"Editando os slides do jogo", "Escolha o slide com as setas, tecle F9 para opções",
                                   "2 - P 2", "Informe o título do slide", "Insere antes ou depois daqui? A ou seta acima: antes; D ou Enter: depois. "}));
        EXPECT_EQ(s.ip.row(5), "Editando lugar: P");
    }
    struct Case {
        const char* keys;
        const char* titles;
    };
    for (const Case& c : {Case{"{Down}iNovo{Enter}a{Esc}", "P 1,Novo,P 2,P 3"},
                          Case{"{Down}iNovo{Enter}x{Esc}", "P 1,P 2,Novo,P 3"},
                          Case{"{Down}i{Enter}D{Esc}", "P 1,P 2,Novo slide,P 3"},
                          Case{"{End}{Enter}" "iFim{Enter}x{Esc}", "P 1,P 2,P 3,Fim"},  // Enter there does nothing
                          Case{"{Down}iNovo{Enter}{Esc}{Esc}", "P 1,P 2,P 3"},
                          Case{"{F9}{Down}{Down}{Down}{Down}{Enter}{Enter}d{Esc}", "P 1,Novo slide,P 2,P 3"},
                          Case{"iNovo{Enter}{Up}{Esc}", "Novo,P 1,P 2,P 3"}}) {
        Session s(c.keys);
        gameWith({"P"}, 3);
        EXPECT_EQ(runSlides(s), -1) << c.keys;
        EXPECT_EQ(slideTitles(place1()), c.titles) << c.keys;
    }
    Session s("{Down}i{Enter}d{Esc}");
    gameWith({"P"}, 3);
    runSlides(s);
    const game::TSlide& fresh = *place1().slide(3);
    EXPECT_TRUE(fresh.autoAdvance);
    EXPECT_TRUE(fresh.text.empty());
    EXPECT_EQ(game::modelState().editorSlide, 2);  // the cursor stays on the slide it was on
}

TEST(SlideList, FiftySlidesAtMost) {
    Session s("id{Esc}");
    gameWith({"P"}, 50);
    EXPECT_EQ(runSlides(s), -1);
    EXPECT_EQ(place1().slideCount, 50);
    EXPECT_EQ(s.saidCount("Excedido o máximo de slides do lugar"), 2);
    EXPECT_FALSE(s.said("Informe o título do slide"));
}

TEST(SlideList, TheFirstSlideOffered) {
    {
        Session s("{Enter}{Esc}");
        game::TJogo& g = gameWith({"Rio"}, 0);
        g.place(1)->category = "rios";
        EXPECT_EQ(runSlides(s), -1);
        EXPECT_EQ(slideTitles(place1()), "Rio 1");
        EXPECT_EQ(place1().slide(1)->text, std::vector<std::string>{"rios"});
        EXPECT_TRUE(s.saidInOrder({"Este lugar ainda não tem nenhum slide.", "Posso criar automaticamente? ",
                                   "Editando os slides do jogo", "1 - Rio 1"}));
    }
    for (const char* answer : {"n", "{Esc}"}) {
        Session s(std::string(answer) + "{Esc}");
        gameWith({"Rio"}, 0);
        EXPECT_EQ(runSlides(s), -1) << answer;
        EXPECT_EQ(place1().slideCount, 0) << answer;
        EXPECT_EQ(s.said("Desistiu"), std::string(answer) == "{Esc}") << answer;
    }
}

TEST(SlideList, MoveRemoveAndRefusedKeys) {
    struct Case {
        const char* keys;
        const char* titles;
    };
    for (const Case& c : {Case{"m{Down}{Enter}{Esc}", "P 2,P 1,P 3"},
                          Case{"m{End}{Enter}{Esc}", "P 1,P 2,P 3"},
                          Case{"{Down}rs{Esc}", "P 1,P 3"},
                          Case{"{Down}{F7}n{Esc}", "P 1,P 2,P 3"}}) {
        Session s(c.keys);
        gameWith({"P"}, 3);
        EXPECT_EQ(runSlides(s), -1) << c.keys;
        EXPECT_EQ(slideTitles(place1()), c.titles) << c.keys;
    }
    Session s("q{F5}{F1}{Esc}");
    gameWith({"P"}, 1);
    EXPECT_EQ(runSlides(s), -1);
    EXPECT_EQ(s.saidCount("Opção inválida"), 2);
    EXPECT_EQ(s.saidCount("Aperte F9 para menu, F1 para ajuda."), 1);
    EXPECT_TRUE(s.saidInOrder({"As opções são:", "I - inserir novo slide", "V - visualizar slide"}));
}

TEST(SlideList, ViewAndPageKeysThroughTheForms) {
    Session s("v{Enter}" "{Enter}{PgDn}{PgDn}{PgDn}" "{Esc}");
    gameWith({"P"}, 3);
    EXPECT_EQ(runSlides(s), -1);
    EXPECT_TRUE(s.said("Aperte enter"));
    EXPECT_FALSE(player::slideState().view.shown);
    EXPECT_EQ(s.saidCount("Editore o slide, ESC termina"), 3);
    EXPECT_EQ(game::modelState().editorSlide, 3);
}

TEST(SlideForm, ThreeLinesBecomeTenAndFlagsReadBack) {
    // Title changed; "Avanço automático" cleared; "Fala Texto" answered não.
    Session s("Outro{Enter}{Enter}{Enter}{Enter}{Enter}{Ctrl+Y}{Enter}{Enter}não{Esc}s");
    gameWith({"P"}, 1);
    game::TSlide& sl = *place1().slide(1);
    sl.text = {"um", "dois", "três"};
    sl.autoAdvance = false;
    int key = 0;
    EXPECT_EQ(s.run([&] { key = editor::editSlide(1, 1); }), -1);
    EXPECT_EQ(key, 27);
    EXPECT_EQ(sl.title, "Outro");
    ASSERT_EQ(sl.text.size(), 10u);
    EXPECT_EQ(sl.text[2], "três");
    for (size_t i = 3; i < 10; ++i) EXPECT_EQ(sl.text[i], "") << i;
    EXPECT_TRUE(sl.autoAdvance);
    EXPECT_FALSE(sl.speakText);
    EXPECT_TRUE(sl.waitMedia);
    EXPECT_TRUE(s.saidInOrder({"Editore o slide, ESC termina", "Título", "Figura .JPG", "Posiçao da figura",
                               "Mídia a tocar", "Espera a mídia", "Avanço automático", "Efeito", "Fala Texto"}));
}

TEST(SlideForm, LinesPastTheTenthAndLongLinesAreKept) {
    Session s("Outro{Esc}s");
    gameWith({"P"}, 1);
    game::TSlide& sl = *place1().slide(1);
    sl.text.clear();
    for (int i = 1; i <= 12; ++i) sl.text.push_back("linha " + std::to_string(i));
    sl.text[0] = std::string(70, 'x');
    EXPECT_EQ(s.run([] { editor::editSlide(1, 1); }), -1);
    ASSERT_EQ(sl.text.size(), 12u);
    EXPECT_EQ(sl.text[0], std::string(70, 'x'));
    EXPECT_EQ(sl.text[11], "linha 12");
}

TEST(SlideForm, NothingChangedAndGivingUp) {
    {
        Session s("{PgDn}");
        gameWith({"P"}, 2);
        int key = 0;
        EXPECT_EQ(s.run([&] { key = editor::editSlide(1, 1); }), -1);
        EXPECT_EQ(key, 81);
        EXPECT_TRUE(s.said("Ok"));
        EXPECT_FALSE(s.said("Confirma as alterações? "));
    }
    for (const char* answer : {"N", "{Esc}"}) {
        Session s(std::string("Outro{Enter}{Enter}{Enter}{Enter}{Enter}n{PgDn}") + answer);
        gameWith({"P"}, 2);
        const std::string before = game::GameText(game::current());
        int key = 0;
        EXPECT_EQ(s.run([&] { key = editor::editSlide(1, 1); }), -1);
        EXPECT_EQ(key, 27) << answer;
        EXPECT_EQ(game::GameText(game::current()), before) << answer;
        EXPECT_TRUE(s.said("Desistiu")) << answer;
    }
}
