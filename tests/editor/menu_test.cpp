// The editor's menu as an author meets it: the prompt, the option menu on the
// arrows, help, saving, abandoning and finishing, and the start of a new game.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "console/textwin.h"
#include "game/gamefile.h"
#include "game/textscript.h"
#include "support/editor_session.h"

using namespace edtest;
namespace fs = std::filesystem;

TEST(EditorMenu, AbandonWithSEndsWithoutSavingAnythingElseGoesOn) {
    Session s("ax" "as");
    gameWith({"A"});
    EXPECT_EQ(s.run(editor::editorMenu), -1);
    EXPECT_TRUE(s.saidInOrder({"Ludivar - qual sua opção? ", "Confirma abandono sem gravar? ", "Desistiu",
                               "Ludivar - qual sua opção? ", "Confirma abandono sem gravar? ",
                               "Ok, as modificações não foram gravadas"}));
    EXPECT_FALSE(fs::exists(s.file("jogo.lud")));
    EXPECT_EQ(s.saidCount("Editando o jogo"), 2);
    EXPECT_EQ(con::tw().title, "Ludivar jogo.lud");
    EXPECT_EQ(s.ip.row(1), "Ludivar - editor de jogos educacionais");
    EXPECT_EQ(s.ip.attr(1, 1) >> 4, 1);
}

TEST(EditorMenu, EscapeInTheOptionMenuAsksToFinishAndNKeepsTheMenu) {
    Session s("{Down}{Esc}n" "{Esc}S");
    gameWith({"A"});
    EXPECT_EQ(s.run(editor::editorMenu), -1);
    EXPECT_TRUE(s.saidInOrder({"D - editar dados gerais.", "Confirma fim? ", "Desistiu", "Confirma fim? ",
                               "Arquivo gravado"}));
    EXPECT_EQ(slurp(s.file("jogo.lud")), game::GameText(game::current()));
}

TEST(EditorMenu, ArrowMenuLinesMapToTheirLetters) {
    // The fifth line is "S - Salvar o projeto."; F2 saves too, and neither leaves the menu.
    Session s("{Down}{Down}{Down}{Down}{Down}{Enter}" "{F2}");
    gameWith({"A"});
    EXPECT_EQ(s.run(editor::editorMenu), 3);  // still asking when the keys ran out
    EXPECT_EQ(s.saidCount("Arquivo gravado"), 2);
    EXPECT_TRUE(s.saidInOrder({"D - editar dados gerais.", "C - configurar apresentação.",
                               "E - Editar os lugares do jogo.", "P - programação avançada",
                               "S - Salvar o projeto.", "Arquivo gravado"}));
    EXPECT_EQ(s.saidCount("Editando o jogo"), 3);
    EXPECT_TRUE(fs::exists(s.file("jogo.lud")));

    // The menu's last line is the finish request.
    Session up("{Up}{End}{Enter}n");
    gameWith({"A"});
    EXPECT_EQ(up.run(editor::editorMenu), 3);
    EXPECT_TRUE(up.saidInOrder({"ESC - Terminar", "Confirma fim? ", "Desistiu"}));
}

TEST(EditorMenu, TheNinthLineWritesATextScriptAsGDoes) {
    std::string viaMenu, typed;
    {
        Session s("{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Enter}roteiro.txt{Enter}" "as");
        gameWith({"A", "B"});
        EXPECT_EQ(s.run(editor::editorMenu), -1);
        EXPECT_TRUE(s.said("G - Gerar um roteiro a partir do jogo"));
        viaMenu = slurp(s.file("roteiro.txt"));
        EXPECT_EQ(viaMenu, game::scriptText(game::current()));
    }
    {
        Session s("groteiro.txt{Enter}" "as");
        gameWith({"A", "B"});
        EXPECT_EQ(s.run(editor::editorMenu), -1);
        typed = slurp(s.file("roteiro.txt"));
    }
    EXPECT_FALSE(typed.empty());
    EXPECT_EQ(viaMenu, typed);
}

TEST(EditorMenu, HelpListsEveryLetterAndBadKeysAreRefused) {
    Session s("{F1}" "z" "{F5}");
    gameWith({"A"});
    EXPECT_EQ(s.run(editor::editorMenu), 3);
    EXPECT_TRUE(s.saidInOrder({"As opções são:", "D - editar dados gerais.", "C - configurar apresentação.",
                               "P - programação avançada", "E - Editar os lugares do jogo.",
                               "S - Salvar o projeto.", "N - Salvar com outro nome.",
                               "I - Importar mídias para o jogo.", "R - Importar um roteiro.",
                               "G - Gerar um roteiro a partir do jogo", "W - Gerar a página web do jogo.",
                               "X - Executar o jogo.", "T - Resultados dos alunos.",
                               "A - Abandonar sem gravar."}));
    EXPECT_EQ(s.saidCount("Opção inválida"), 2);
}

TEST(EditorMenu, NeitherCtrlBreakNorTheWindowEndTheEditor) {
    Session s("{Ctrl+Break}as");
    gameWith({"A"});
    // Ctrl+Break typed at the prompt is ignored; the check is back on once the menu has ended.
    EXPECT_EQ(s.run(editor::editorMenu), -1);
    EXPECT_TRUE(con::breakCheck());
    EXPECT_TRUE(s.said("Ok, as modificações não foram gravadas"));

    // Outside the editor the same key ends the program.
    Session outside("{Ctrl+Break}");
    EXPECT_EQ(outside.run([] { con::readKey(); }), 255);

    // Leaving by a program end (the keys ran out) switches it back on as well.
    Session cut("");
    gameWith({"A"});
    EXPECT_EQ(cut.run(editor::editorMenu), 3);
    EXPECT_TRUE(con::breakCheck());
}

TEST(EditorMenu, AFailedSaveAtTheFinishKeepsTheGameOpen) {
    Session s("{Esc}s" "as");
    gameWith({"A"});
    game::session().currentGameFile = "sem pasta\\jogo.lud";
    EXPECT_EQ(s.run(editor::editorMenu), -1);
    EXPECT_TRUE(s.saidInOrder({"Confirma fim? ", "Erro ao criar o arquivo", "Editando o jogo",
                               "Confirma abandono sem gravar? "}));
}

TEST(EditorMenu, AFailedSaveAsKeepsTheOpenFileForTheNextSave) {
    // N to a folder that does not exist fails; S then writes the game where it was.
    Session s("Nsem pasta\\outro{Enter}" "S" "as");
    gameWith({"A", "B"});
    EXPECT_EQ(s.run(editor::editorMenu), -1);
    EXPECT_EQ(s.saidCount("Erro ao criar o arquivo"), 1);
    EXPECT_EQ(s.saidCount("Arquivo gravado"), 1);
    EXPECT_EQ(game::session().currentGameFile, "jogo.lud");
    EXPECT_NE(slurp(s.file("jogo.lud")).find("NOME=B"), std::string::npos);
}

TEST(EditorMenu, OldFileStaysWhenTheWriteFails) {
    Session s("s" "{Esc}s" "as");
    gameWith({"Novo"});
    game::current().general.comments[0] = std::string(3000, 'c');
    const std::string old = "[DADOS GERAIS]\r\nNOME DO JOGO=antigo\r\n";
    { std::ofstream(s.file("jogo.lud"), std::ios::binary) << old; }
    // A file size limit makes the new text fail half-way, whatever our rights.
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 1024;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int code = s.run(editor::editorMenu);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(s.saidCount("Erro ao criar o arquivo"), 2);
    EXPECT_TRUE(s.said("Ok, as modificações não foram gravadas"));
    EXPECT_EQ(slurp(s.file("jogo.lud")), old);
}

TEST(CreateGame, AnEmptyNameTakesTheFolderName) {
    Session s("Aula{Enter}{Enter}" "as");
    EXPECT_EQ(s.run(editor::createGame), -1);
    EXPECT_TRUE(s.saidInOrder({"Informe o novo nome deste jogo:", "Assumido o mesmo do diretório", "Aula.lud",
                               "Arquivo gravado", "Editando o jogo"}));
    const std::string path = s.file("Aula/Aula.lud");
    ASSERT_TRUE(fs::exists(path));
    game::TJogo fresh;
    game::ResetGeneralData(fresh);
    game::ResetModel(fresh);
    game::CreatePlace(fresh, 1);
    editor::insertSlideAt(*fresh.place(1), 1, editor::coverSlide(fresh.general.name));
    EXPECT_EQ(slurp(path), game::GameText(fresh));
    EXPECT_EQ(game::session().currentGameFile, "Aula.lud");
    EXPECT_EQ(con::tw().title, "Ludivar Aula.lud");
}

TEST(CreateGame, AnExistingGameIsDestroyedOnlyOnS) {
    Session s("Aula{Enter}s" "bichos{Enter}n");
    fs::create_directory(s.file("Aula"));
    { std::ofstream(s.file("Aula/bichos.lud"), std::ios::binary) << "antigo"; }
    EXPECT_EQ(s.run(editor::createGame), -1);
    EXPECT_TRUE(s.saidInOrder({"Posso destruir o jogo existente? ", "Desistiu"}));
    EXPECT_EQ(slurp(s.file("Aula/bichos.lud")), "antigo");
    EXPECT_FALSE(s.said("Editando o jogo"));

    Session yes("Aula{Enter}s" "bichos.LUD{Enter}S" "as");
    fs::create_directory(yes.file("Aula"));
    { std::ofstream(yes.file("Aula/bichos.LUD"), std::ios::binary) << "antigo"; }
    EXPECT_EQ(yes.run(editor::createGame), -1);
    EXPECT_TRUE(fs::exists(yes.file("Aula/bichos.LUD")));
    EXPECT_TRUE(yes.said("Editando o jogo"));
}

TEST(EditGame, OpensTheChosenGameAndOnlyAGameThatLoads) {
    Session s("{Enter}" "as");
    fs::create_directory(s.file("aula"));
    game::TJogo saved = gameWith({"Floresta", "Rio"});
    saved.general.name = "Bichos";
    { std::ofstream(s.file("aula/bichos.lud"), std::ios::binary) << game::GameText(saved); }
    game::resetModelState();
    game::session().gamesRoot = s.ip.dir;
    EXPECT_EQ(s.run(editor::editGame), -1);
    EXPECT_EQ(game::current().general.name, "Bichos");
    EXPECT_EQ(placeNames(), "Floresta,Rio");
    EXPECT_TRUE(s.said("Editando o jogo"));
    EXPECT_EQ(con::tw().title, "Ludivar bichos.lud");

    Session broken("{Enter}{Enter}");
    fs::create_directory(broken.file("aula"));
    { std::ofstream(broken.file("aula/bichos.lud"), std::ios::binary) << "isto não é um jogo\r\n"; }
    game::session().gamesRoot = broken.ip.dir;
    EXPECT_EQ(broken.run(editor::editGame), -1);
    EXPECT_TRUE(broken.said("Erro ao ler o arquivo do jogo"));
    EXPECT_FALSE(broken.said("Editando o jogo"));
}

// A new game plays as created: its first place opens on a slide with the game's name.
TEST(CreateGame, ANewGamePlaysAtOnceFromTheEditor) {
    Session s("Aula{Enter}{Enter}" "x{Enter}{Enter}" "as");
    EXPECT_EQ(s.run(editor::createGame), -1);
    const game::TLugar* cover = game::current().place(1);
    ASSERT_NE(cover, nullptr);
    ASSERT_EQ(cover->slideCount, 1);
    EXPECT_EQ(cover->slide(1)->title, game::current().general.name);
    EXPECT_TRUE(s.saidInOrder({"Editando o jogo", "Jogo experimental", "Ludivar - qual sua opção? "}));
    EXPECT_FALSE(s.said("Posso criar automaticamente? "));
}

// Playing from the editor names a place without slides instead of beeping through it.
TEST(EditorMenu, PlayNamesAPlaceWithoutSlidesAndOffersOne) {
    struct Case {
        const char* keys;
        const char* where;  // "menu" or "places": where X is typed
        int slidesAfter;
        bool played;
    };
    for (const Case& c : {Case{"xn" "as", "menu", 0, false},
                          Case{"x{Esc}" "as", "menu", 0, false},
                          Case{"xs{Enter}{Enter}{Enter}{Enter}" "as", "menu", 1, true},
                          Case{"xn{Esc}", "places", 0, false}}) {
        Session s(c.keys);
        game::TJogo& g = gameWith({"A", "B"});
        g.place(2)->slideCount = 0;
        g.place(2)->slides[1].reset();
        const int code = s.run(std::string(c.where) == "menu" ? editor::editorMenu : editor::editPlaces);
        EXPECT_EQ(code, -1) << c.keys << "\n" << s.ip.traceText();
        EXPECT_TRUE(s.saidInOrder({"O lugar 2, B, não tem nenhum slide; jogando, ele não mostraria nada. ",
                                   "Posso criar automaticamente? "}))
            << c.keys;
        EXPECT_EQ(game::current().place(2)->slideCount, c.slidesAfter) << c.keys;
        EXPECT_EQ(s.said("texto de A"), c.played) << c.keys;
    }
}
