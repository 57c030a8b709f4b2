// The place editor driven by keys: the list, insertion before and after, moving,
// removing, the place form with its choices, view, play from here, the menu and
// the limits.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include "console/menu.h"
#include "support/editor_session.h"

using namespace edtest;

namespace {

int runPlaces(Session& s) { return s.run(editor::editPlaces); }

}  // namespace

TEST(PlaceList, InsertBeforeOrAfterTheCurrentPlaceOrAtTheEnd) {
    struct Case {
        const char* keys;
        const char* names;
    };
    for (const Case& c : {Case{"{Down}iNovo{Enter}d{Esc}", "A,B,Novo,C"},
                          Case{"{Down}iNovo{Enter}a{Esc}", "A,Novo,B,C"},
                          Case{"{Down}iNovo{Enter}{Up}{Esc}", "A,Novo,B,C"},
                          Case{"{Down}iNovo{Enter}{Down}{Esc}", "A,B,Novo,C"},
                          Case{"{Down}iNovo{Enter}x{Esc}", "A,B,Novo,C"},
                          Case{"{Down}iNovo{Enter}{Enter}{Esc}", "A,B,Novo,C"},
                          Case{"iNovo{Enter}{Enter}{Esc}", "A,Novo,B,C"},  // Enter never goes before the first
                          Case{"iNovo{Enter}A{Esc}", "Novo,A,B,C"},
                          Case{"{End}iZ{Enter}x{Esc}", "A,B,C,Z"},
                          Case{"{End}iZ{Enter}d{Esc}", "A,B,C,Z"},
                          Case{"{Down}iNovo{Enter}{Esc}{Esc}", "A,B,C"},   // Esc at "antes ou depois"
                          Case{"{Down}i{Enter}{Esc}", "A,B,C"}}) {         // no name
        Session s(c.keys);
        gameWith({"A", "B", "C"});
        EXPECT_EQ(runPlaces(s), -1) << c.keys;
        EXPECT_EQ(placeNames(), c.names) << c.keys;
    }
    Session s("{Down}iNovo{Enter}d{Esc}");
    gameWith({"A", "B", "C"});
    runPlaces(s);
    const game::TLugar* p = game::current().place(3);
    EXPECT_EQ(p->textColour, "BRANCO");
    EXPECT_EQ(p->slideCount, 0);
    EXPECT_TRUE(s.saidInOrder({"Editando os lugares do jogo", "Escolha o lugar com as setas, depois tecle F9.",
                               "1 - A", "2 - B", "Informe o nome do lugar:", "Insere antes ou depois daqui? A ou seta acima: antes; D ou Enter: depois. ",
                               "2 - B"}));
    EXPECT_EQ(s.ip.row(7).substr(0, 30), "1 - A" + std::string(25, ' '));
    EXPECT_EQ(s.ip.row(11).rfind("Último local", 0), 0u);
    EXPECT_EQ(s.ip.row(5), "");
}

TEST(PlaceList, MoveAndRemove) {
    struct Case {
        const char* keys;
        const char* names;
        bool gaveUp;
    };
    for (const Case& c : {Case{"m{Down}{Down}{Enter}{Esc}", "B,C,A", false},
                          Case{"{Down}{Down}m{Up}{Up}{Enter}{Esc}", "C,A,B", false},
                          Case{"m{End}{Enter}{Esc}", "A,B,C", true},     // "Último lugar"
                          Case{"m{Down}{Esc}{Esc}", "A,B,C", true},
                          Case{"{Down}rs{Esc}", "A,C", false},
                          Case{"{Down}{F7}S{Esc}", "A,C", false},
                          Case{"{Down}rn{Esc}", "A,B,C", true},
                          Case{"{Down}r{Esc}{Esc}", "A,B,C", true}}) {
        Session s(c.keys);
        gameWith({"A", "B", "C"});
        EXPECT_EQ(runPlaces(s), -1) << c.keys;
        EXPECT_EQ(placeNames(), c.names) << c.keys;
        EXPECT_EQ(s.said("Desistiu"), c.gaveUp) << c.keys;
    }
    Session s("{Down}rs{Esc}");
    gameWith({"A", "B", "C"});
    runPlaces(s);
    EXPECT_EQ(s.ip.row(8).rfind("2 - C", 0), 0u);
    EXPECT_TRUE(s.saidInOrder({"Confirma a remoção? ", "2 - C"}));
}

TEST(PlaceList, KeysThatDoNothingAndOnesThatAreRefused) {
    Session s("{End}{Enter}" "{End}e" "{Up}q" "{F5}" "{F1}" "{Esc}");
    gameWith({"A", "B"});
    EXPECT_EQ(runPlaces(s), -1);
    EXPECT_FALSE(s.said("Editando lugar"));
    EXPECT_EQ(s.saidCount("Opção inválida"), 2);
    EXPECT_EQ(s.saidCount("Aperte F9 para menu, F1 para ajuda."), 1);
    EXPECT_TRUE(s.saidInOrder({"Opção inválida", "Opção inválida", "Aperte F9 para menu, F1 para ajuda.",
                               "As opções são:", "V - visualizar", "X - executar a partir daqui"}));
    EXPECT_EQ(placeNames(), "A,B");
}

TEST(PlaceList, OptionMenuLettersAreHandledAsTyped) {
    Session s("{Down}{F9}{Enter}Novo{Enter}d" "{F9}{Esc}");
    gameWith({"A", "B"});
    EXPECT_EQ(runPlaces(s), -1);  // Esc in the menu ends the editor
    EXPECT_EQ(placeNames(), "A,B,Novo");
    EXPECT_TRUE(s.saidInOrder({"I - inserir novo lugar", "Informe o nome do lugar:"}));

    // On "Último local" the menu's I appends; its E does nothing.
    Session end("{End}{F9}{Down}{Enter}" "{F9}{Enter}Fim{Enter}x" "{Esc}");
    gameWith({"A"});
    EXPECT_EQ(runPlaces(end), -1);
    EXPECT_EQ(placeNames(), "A,Fim");
    EXPECT_FALSE(end.said("Editando lugar"));
}

TEST(PlaceList, AThousandPlacesRefuseOneMore) {
    Session s("{End}i{Esc}");
    game::TJogo& g = gameWith({});
    for (int n = 1; n <= game::kMaxPlaces; ++n) game::CreatePlace(g, n)->name = "L" + std::to_string(n);
    EXPECT_EQ(runPlaces(s), -1);
    EXPECT_EQ(g.placeCount, game::kMaxPlaces);
    EXPECT_TRUE(s.said("Excedido o máximo de lugares do jogo"));
    EXPECT_FALSE(s.said("Informe o nome do lugar:"));
}

TEST(PlaceForm, EveryFieldWithItsChoicesAndConversions) {
    // Name, category, picture, media, background colour from the menu (Verde), text colour,
    // points, answers, destination if right from the places menu (C), if wrong, ends.
    Session s("{Enter}" "Floresta{Enter}bichos{Enter}f.jpg{Enter}m.wav{Enter}{F9}{Down}{Down}{Enter}{Enter}"
              "Amarelo{Enter}15{Enter}sim|não{Enter}{F9}{Down}{Down}{Enter}{Enter}B{Enter}s{Esc}{Enter}"
              "{Esc}");
    gameWith({"A", "B", "C"});
    EXPECT_EQ(runPlaces(s), -1);
    const game::TLugar* p = game::current().place(1);
    EXPECT_EQ(p->name, "Floresta");
    EXPECT_EQ(p->category, "bichos");
    EXPECT_EQ(p->backgroundPicture, "f.jpg");
    EXPECT_EQ(p->media, "m.wav");
    EXPECT_EQ(p->backgroundColour, "Verde");
    EXPECT_EQ(p->textColour, "Amarelo");
    EXPECT_EQ(p->points, 15);
    EXPECT_EQ(u8(p->expectedAnswer), "sim|não");
    EXPECT_EQ(p->placeIfRight, "C");
    EXPECT_EQ(p->placeIfWrong, "B");
    EXPECT_TRUE(p->endsGame);
    EXPECT_EQ(p->slideCount, 1);
    EXPECT_TRUE(s.saidInOrder({"Editando lugar", "Nome", "Categoria", "Imagem de fundo .JPG", "Mídia de fundo",
                               "Cor do Fundo", "Verde", "Cor da Letra", "Pontos ganhos ao chegar",
                               "Resposta esperada", "Se OK, que lugar?", "C", "Erro, que lugar?",
                               "Jogo termina aqui?", "Confirma as alterações? ", "1 - Floresta"}));
    EXPECT_EQ(s.ip.row(7).rfind("1 - Floresta", 0), 0u);
}

TEST(PlaceForm, NothingChangedGivingUpAndPointsThatAreNoNumber) {
    {
        Session s("{Enter}{Esc}{Esc}");
        gameWith({"A", "B"});
        EXPECT_EQ(runPlaces(s), -1);
        EXPECT_TRUE(s.said("Ok"));
        EXPECT_FALSE(s.said("Confirma as alterações? "));
    }
    {
        Session s("{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}dez{Esc}s{Esc}");
        game::TJogo& g = gameWith({"A"});
        g.place(1)->points = 5;
        runPlaces(s);
        EXPECT_EQ(g.place(1)->points, 0);
    }
    for (const char* answer : {"n", "{Esc}"}) {
        Session s(std::string("{Enter}Outro{Enter}cat{Esc}") + answer + "{Esc}");
        game::TJogo& g = gameWith({"A", "B"});
        const std::string before = game::GameText(g);
        EXPECT_EQ(runPlaces(s), -1);
        EXPECT_EQ(game::GameText(g), before) << answer;
        EXPECT_TRUE(s.said("Desistiu")) << answer;
    }
}

TEST(PlaceForm, PageKeysWalkThroughThePlacesForms) {
    Session s("{Enter}{PgDn}{PgDn}{PgDn}{Esc}");
    gameWith({"A", "B", "C"});
    EXPECT_EQ(runPlaces(s), -1);
    EXPECT_EQ(s.saidCount("Editando lugar"), 3);  // the last place's PgDn ends the walk
    EXPECT_TRUE(s.saidInOrder({"Nome", "A", "Nome", "B", "Nome", "C", "3 - C"}));
    EXPECT_EQ(game::session().editorPlace, 3);

    Session up("{Down}{Enter}{PgUp}{PgUp}{Esc}");
    gameWith({"A", "B", "C"});
    EXPECT_EQ(runPlaces(up), -1);
    EXPECT_EQ(up.saidCount("Editando lugar"), 2);
    EXPECT_EQ(game::session().editorPlace, 1);
}

TEST(PlaceForm, APlaceWithoutSlidesIsOfferedOne) {
    // Rio is appended and stands where the cursor was; its form, then Enter at the offer.
    Session s("{End}iRio{Enter}x" "{Enter}{Enter}rios{Esc}s{Enter}" "{Esc}");
    gameWith({"A"});
    EXPECT_EQ(runPlaces(s), -1);
    const game::TLugar* p = game::current().place(2);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->name, "Rio");
    ASSERT_EQ(p->slideCount, 1);
    EXPECT_EQ(p->slide(1)->title, "Rio 1");
    EXPECT_EQ(p->slide(1)->text, std::vector<std::string>{"rios"});
    EXPECT_TRUE(s.saidInOrder({"Este lugar ainda não tem nenhum slide.", "Posso criar automaticamente? "}));
}

TEST(PlaceView, ViewPlayFromHereAndThePreview) {
    {
        Session s("v{Enter}{Enter}{Esc}");
        gameWith({"A", "B"});
        EXPECT_EQ(runPlaces(s), -1);
        EXPECT_TRUE(s.saidInOrder({"texto de A", "Aperte enter", "Editando os lugares do jogo"}));
        EXPECT_FALSE(player::slideState().view.shown);
    }
    {
        Session s("{Down}x{Enter}{Enter}{Enter}{Esc}");
        gameWith({"A", "B", "C"});
        game::current().general.program = "jogo.pro";
        EXPECT_EQ(runPlaces(s), -1);
        EXPECT_TRUE(s.saidInOrder({"Programa inibido.", "texto de B", "texto de C", "Fim do Jogo"}));
        EXPECT_FALSE(s.said("texto de A"));
    }
    {
        Session s("{Right}{Esc}");
        const std::string dumps = s.ip.dir + "/slides";
        mkdir(dumps.c_str(), 0755);
        player::setSlideDumpDir(dumps);
        gameWith({"A"});
        EXPECT_EQ(runPlaces(s), -1);
        int files = 0;
        if (DIR* d = opendir(dumps.c_str())) {
            while (dirent* e = readdir(d)) files += e->d_name[0] != '.';
            closedir(d);
        }
        EXPECT_EQ(files, 1);
        EXPECT_FALSE(player::slideState().view.shown);  // taken off once a key waited
    }
}
