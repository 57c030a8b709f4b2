// The game steps a user walks through: choosing and creating game folders,
// loading a broken game, saving and saving under a new name, the teachers'
// checker, and the same steps through the program itself (headless front).
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/checker.h"
#include "game/folders.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"
#include "support/require.h"

using namespace game;
namespace fs = std::filesystem;

namespace {

std::string u8(const std::string& cp1252) { return plat::cp1252ToUtf8(cp1252); }
std::string data(const std::string& rel) { return std::string(LUDIVAR_TEST_DATA) + "/games/" + rel; }

struct Here {
    fs::path before = fs::current_path();
    ~Here() { fs::current_path(before); }
};

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The events appear in this order (others may come between them).
bool inOrder(const std::vector<std::string>& trace, std::initializer_list<std::string> events) {
    auto it = events.begin();
    for (const std::string& e : trace)
        if (it != events.end() && e == *it) ++it;
    return it == events.end();
}

std::string screen(const InProc& p) {
    std::string s;
    for (int i = 1; i <= 25; ++i) s += p.row(i) + "\n";
    return s;
}

}  // namespace

TEST(GameFolderChoice, PicksACollectionUnderTheGamesRoot) {
    Here here;
    std::string root = tempDir();
    for (const char* d : {"matemática", "Bichos", "ciências"}) fs::create_directory(root + "/" + d);
    std::ofstream(root + "/solto.lud") << "";
    {
        InProc p("{Down}{Enter}", "", false);
        game::session().gamesRoot = plat::utf8ToCp1252(root);
        std::string path;
        EXPECT_EQ(p.run([&] { path = chooseGameFolder(); }), -1);
        EXPECT_EQ(u8(path), root + "\\ciências");
        EXPECT_EQ(fs::current_path(), fs::path(root + "/ciências"));
        const auto& folders = game::session().gameFolders;
        ASSERT_EQ(folders.size(), 3u);
        EXPECT_EQ(folders[0], "Bichos");
        EXPECT_EQ(u8(folders[2]), "matemática");
        EXPECT_TRUE(p.traced("speak Escolha uma pasta de jogos com as setas"));
        EXPECT_TRUE(p.traced(u8(plat::cp("speak ciências"))));
    }
    {
        InProc p("{Esc}", "", false);
        game::session().gamesRoot = plat::utf8ToCp1252(root);
        std::string path = "x";
        p.run([&] { path = chooseGameFolder(); });
        EXPECT_EQ(path, "");
        EXPECT_TRUE(p.traced("speak Desistiu"));
    }
}

TEST(GameFolderChoice, CreatesOrReusesAFolder) {
    Here here;
    std::string root = tempDir();
    fs::current_path(root);
    {
        InProc p("novo jogo{Enter}", "", false);
        std::string path;
        p.run([&] { path = createGameFolder(); });
        EXPECT_EQ(u8(path), root + "/novo jogo");
        EXPECT_TRUE(fs::is_directory(root + "/novo jogo"));
        EXPECT_EQ(fs::current_path(), fs::path(root + "/novo jogo"));
    }
    fs::current_path(root);
    {
        InProc p("NOVO JOGO{Enter}s", "", false);  // names from Windows: any case
        std::string path;
        p.run([&] { path = createGameFolder(); });
        EXPECT_TRUE(p.traced(u8(plat::cp("speak Diretório já existia, posso reusar? "))));
        EXPECT_EQ(u8(path), root + "/novo jogo");
    }
    fs::current_path(root);
    {
        InProc p("novo jogo{Enter}n", "", false);
        std::string path = "x";
        p.run([&] { path = createGameFolder(); });
        EXPECT_EQ(path, "");
        EXPECT_TRUE(p.traced("speak Desistiu"));
        EXPECT_EQ(fs::current_path(), fs::path(root));
    }
    {
        InProc p("   {Enter}", "", false);
        std::string path = "x";
        p.run([&] { path = createGameFolder(); });
        EXPECT_EQ(path, "");
    }
    {
        InProc p("sem/pai/aqui{Enter}", "", false);
        std::string path = "x";
        p.run([&] { path = createGameFolder(); });
        EXPECT_EQ(path, "");
        EXPECT_TRUE(p.traced(u8(plat::cp("speak Erro ao criar o diretório"))));
    }
}

TEST(GameLoad, ABrokenGameIsReportedWithItsLine) {
    InProc p("{Enter}", "", false);
    bool ok = true;
    EXPECT_EQ(p.run([&] { ok = LoadGame(plat::utf8ToCp1252(data("quebrado/QUEBRADO.LUD"))); }), -1);
    EXPECT_FALSE(ok);
    std::string s = screen(p);
    EXPECT_NE(s.find("Erro ao ler o arquivo do jogo\nO problema está na linha 12\nConteúdo lido:\nCOR=azul\nAperte enter"),
              std::string::npos)
        << s;
    EXPECT_TRUE(p.traced("speak 12"));
    EXPECT_TRUE(p.traced("speak COR=azul"));
    // What came before the failure is kept: the general data.
    EXPECT_EQ(current().general.name, "Quebrado");

    // A slide whose place does not exist says so first.
    std::string dir = tempDir();
    std::ofstream(dir + "/s.lud", std::ios::binary) << "[LUGAR 1]\r\n[SLIDE 3 1]\r\n0=x\r\n";
    InProc q("{Enter}", "", false);
    q.run([&] { ok = LoadGame(plat::utf8ToCp1252(dir + "/s.lud")); });
    EXPECT_FALSE(ok);
    EXPECT_NE(screen(q).find("Lugar do slide inválido\nErro ao ler o arquivo do jogo\nO problema está na linha 2\n"),
              std::string::npos)
        << screen(q);

    // A file that cannot be opened: no line, no wait.
    InProc r("", "", false);
    EXPECT_EQ(r.run([&] { ok = LoadGame(plat::utf8ToCp1252(dir + "/nada.lud")); }), -1);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(r.traced("speak Erro ao ler o arquivo do jogo"));
}

TEST(GameSave, SaveAndSaveAs) {
    Here here;
    std::string dir = tempDir();
    fs::current_path(dir);
    resetModelState();
    NewGame();
    current().general.name = "Salvo";
    {
        InProc p("teste{Enter}", "", false);
        bool ok = false;
        p.run([&] { ok = SaveGameAs(); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(game::session().currentGameFile, "teste.lud");
        EXPECT_TRUE(p.traced("speak Arquivo gravado"));
        EXPECT_EQ(slurp(dir + "/teste.lud"), GameText(current()));
    }
    {
        // An existing file in another case is replaced, not doubled.
        InProc p("TESTE.LUD{Enter}", "", false);
        current().general.name = "Outro";
        bool ok = false;
        p.run([&] { ok = SaveGameAs(); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(game::session().currentGameFile, "TESTE.LUD");
        EXPECT_EQ(slurp(dir + "/teste.lud"), GameText(current()));
        EXPECT_FALSE(fs::exists(dir + "/TESTE.LUD"));
    }
    {
        InProc p("{Esc}", "", false);
        game::session().currentGameFile = "antes.lud";
        bool ok = true;
        p.run([&] { ok = SaveGameAs(); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Desistiu"));
        EXPECT_EQ(game::session().currentGameFile, "antes.lud");
    }
    {
        // A save that cannot be written says so and leaves the old file alone.
        InProc p("", "", false);
        game::session().currentGameFile = "pasta\\que\\nao\\existe.lud";
        bool ok = true;
        p.run([&] { ok = SaveGame(); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Erro ao criar o arquivo"));
        EXPECT_GE(p.now(), 1000u);
    }
}

TEST(GameChecker, ReportsOnThreeGames) {
    CheckReport good = CheckGame(data("certo/bichos.lud"));
    EXPECT_TRUE(good.loaded);
    EXPECT_TRUE(good.warnings.empty()) << u8(good.warnings.empty() ? "" : good.warnings[0]);
    EXPECT_EQ(u8(good.lines.back()), "Nenhum aviso.");

    CheckReport broken = CheckGame(data("quebrado/quebrado.lud"));
    EXPECT_FALSE(broken.loaded);
    ASSERT_EQ(broken.lines.size(), 4u);
    EXPECT_EQ(u8(broken.lines[1]), "O problema está na linha 12");
    EXPECT_EQ(broken.lines[3], "COR=azul");

    CheckReport bad = CheckGame(data("destinos/destinos.lud"));
    EXPECT_TRUE(bad.loaded);
    std::string all;
    for (const std::string& w : bad.warnings) all += u8(w) + "\n";
    auto has = [&](const std::string& piece) { return all.find(piece) != std::string::npos; };
    EXPECT_TRUE(has("lugar 1 (Capa): LUGAR OK \"Quarto\" não é nome de lugar nem de categoria.")) << all;
    EXPECT_TRUE(has("lugar 1 (Capa): LUGAR ERRO \"Porão\" não é nome de lugar nem de categoria.")) << all;
    EXPECT_FALSE(has("\"Sala\"")) << all;
    EXPECT_FALSE(has("PERGUNTAS")) << all;  // a category, with its next place set
    EXPECT_TRUE(has("a imagem de fundo \"nao-tem.jpg\" não existe")) << all;
    EXPECT_TRUE(has("a mídia \"falta.wav\" não existe")) << all;
    EXPECT_TRUE(has("a figura \"sala.jpg\" não existe")) << all;
    EXPECT_FALSE(has("FIGURA.JPG")) << all;      // found as figura.jpg
    EXPECT_FALSE(has("midia\\Som.wav")) << all;  // found as MIDIA/som.WAV
    EXPECT_TRUE(has("lugar 4 (Isolado): nenhum caminho")) << all;
    EXPECT_FALSE(has("lugar 3 (Cozinha): nenhum caminho")) << all;  // reached through the category
    EXPECT_TRUE(has("o slide 2 está além do número de slides (1)")) << all;
    EXPECT_TRUE(has("usa a variável $NOME")) << all;
    EXPECT_TRUE(has("usa a variável $FUNDO")) << all;
    EXPECT_EQ(u8(bad.lines.back()), std::to_string(bad.warnings.size()) + " avisos.");
}

TEST(GameChecker, CategoriesAndPaths) {
    std::string dir = tempDir();
    TJogo g;
    ResetGeneralData(g);
    ResetModel(g);
    TLugar* a = CreatePlace(g, 1);
    a->expectedAnswer = "X|Y";
    // A category setting whose next place is missing, then the category itself,
    // which leads to the place named FIM.
    a->placeIfRight = plat::cp("bichos,Leão,2|BICHOS");
    a->placeIfWrong = "Nenhuma,Fim";  // a category no place carries: leads nowhere
    TLugar* b = CreatePlace(g, 2);     // named "Capa" like place 1, which takes the name
    b->category = " Bichos ";
    b->endsGame = true;
    TLugar* c = CreatePlace(g, 3);
    c->name = "Fim";
    std::vector<std::string> w = GameWarnings(g, dir);
    std::string all;
    for (const std::string& s : w) all += u8(s) + "\n";
    EXPECT_NE(all.find("o próximo lugar \"Leão\" da categoria não existe"), std::string::npos) << all;
    EXPECT_NE(all.find("a categoria \"NENHUMA\" não existe"), std::string::npos) << all;
    EXPECT_NE(all.find("lugar 2 (Capa): nenhum caminho"), std::string::npos) << all;
    EXPECT_EQ(all.find("lugar 3 (Fim): nenhum caminho"), std::string::npos) << all;
    EXPECT_EQ(all.find("\"BICHOS\""), std::string::npos) << all;

    // A game with a program: its paths are the program's, and its variables get values.
    g.general.program = "falta.pro";
    g.place(1)->expectedAnswer = "$RESP";
    w = GameWarnings(g, dir);
    all.clear();
    for (const std::string& s : w) all += u8(s) + "\n";
    EXPECT_EQ(all.find("nenhum caminho"), std::string::npos) << all;
    EXPECT_NE(all.find("o programa do jogo \"falta.pro\" não existe"), std::string::npos) << all;
    EXPECT_NE(all.find("usa a variável $RESP.\n"), std::string::npos) << all;
}

TEST(GameChecker, CommandLine) {
    HeadlessResult good = runHeadless("", {"--check", data("certo/bichos.lud")});
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_EQ(good.out, "Jogo \"Bichos da mata\" lido sem erros: 3 lugares, 3 slides.\nNenhum aviso.\n");
    EXPECT_TRUE(good.trace.empty());

    HeadlessResult broken = runHeadless("", {"--check", data("quebrado/quebrado.lud")});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(broken.out, "Erro ao ler o arquivo do jogo\nO problema está na linha 12\nConteúdo lido:\nCOR=azul\n");
    EXPECT_TRUE(broken.trace.empty());

    HeadlessResult bad = runHeadless("", {"--check", data("destinos/destinos.lud")});
    EXPECT_EQ(bad.exitCode, 0);
    EXPECT_NE(bad.out.find("Aviso: lugar 1 (Capa): LUGAR ERRO \"Porão\" não é nome de lugar nem de categoria.\n"),
              std::string::npos)
        << bad.out;

    HeadlessResult none = runHeadless("", {"--check", data("nao/existe.lud")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out.rfind("Erro ao ler o arquivo do jogo\n", 0), 0u) << none.out;
}

TEST(GameThroughConsole, FolderThenGameThenReport) {
    Here here;
    std::string root = tempDir();
    fs::copy(data(""), root, fs::copy_options::recursive);
    {
        // The third folder (quebrado) has one game: it is taken at once and fails to load.
        InProc p("{Down}{Down}{Enter}{Enter}", "", false);
        game::session().gamesRoot = plat::utf8ToCp1252(root);
        bool loaded = true;
        EXPECT_EQ(p.run([&] {
            std::string file;
            loaded = !chooseGameFolder().empty() && chooseGameFile(file) && LoadGame(file);
        }), -1);
        EXPECT_FALSE(loaded);
        std::string trace = p.traceText();
        EXPECT_NE(trace.find("speak quebrado\n"), std::string::npos) << trace;
        EXPECT_TRUE(inOrder(p.trace, {"speak quebrado", "speak Erro ao ler o arquivo do jogo",
                                      "speak O problema está na linha ", "speak 12", "speak COR=azul",
                                      "speak Aperte enter"}))
            << trace;
        EXPECT_EQ(game::session().currentGameFile, "quebrado.lud");
    }
    fs::current_path(here.before);
    fs::create_directory(root + "/varios");
    for (const char* n : {"um.lud", "dois.lud", "tres.lud"}) std::ofstream(root + "/varios/" + n) << "";
    {
        // Several games: the name prompt, and Down opens the chooser; when the keys run
        // out its drawing is on screen, ten rows under the prompt.
        InProc p("{Down}{Down}{Down}{Enter}{Down}{Down}", "", false);
        game::session().gamesRoot = plat::utf8ToCp1252(root);
        EXPECT_EQ(p.run([&] {
            std::string file;
            if (!chooseGameFolder().empty()) chooseGameFile(file);
        }), 3);
        std::string trace = p.traceText();
        EXPECT_NE(trace.find("speak Informe o nome do jogo ou use as setas\n"), std::string::npos) << trace;
        EXPECT_TRUE(inOrder(p.trace, {"speak Informe o nome do jogo ou use as setas", "speak dois.lud",
                                      "speak tres.lud"}))
            << trace;
        int row = 0;
        for (int i = 1; i <= 25; ++i)
            if (p.row(i) == " tres.lud") row = i;
        ASSERT_GT(row, 0) << screen(p);
        EXPECT_EQ(p.row(row - 1), " dois.lud");
        EXPECT_EQ(p.row(row + 1), " um.lud");
        EXPECT_EQ(p.attr(2, row), 6 * 16 + 14);
        EXPECT_EQ(p.attr(2, row - 1), 6 * 16 + 15);
        EXPECT_EQ(p.attr(79, row - 1 + 9), 6 * 16 + 15);  // ten rows, to column 79 on the last row
    }
}

TEST(GameThroughProgram, PlayReportsABrokenGame) {
    LUDIVAR_REQUIRE(runHeadless("{Esc}").exitCode == 0, "the program cannot start its speech here");
    std::string root = tempDir();
    fs::copy(data(""), root, fs::copy_options::recursive);
    std::string ini = "[LUDIVAR]\nDIRJOGOS=" + root + "\n";
    HeadlessResult r = runHeadless("j{Down}{Down}{Enter}{Enter}{Esc}", {}, ini);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(inOrder(r.trace, {"speak quebrado", "speak O problema está na linha ", "speak 12",
                                  "speak Aperte enter", "speak Fim do Ludivar"}));
}

TEST(GameChecker, CategoryCaseAndThePlayersOwnVariablesAreNotWarned) {
    std::string dir = tempDir();
    std::string game =
        "[DADOS GERAIS]\r\nNOME DO JOGO=Teste\r\n\r\n[MODELO]\r\nLUGARES=3\r\n\r\n"
        "[LUGAR 1]\r\nNOME=Capa\r\nCATEGORIA=\r\nRESPOSTA ESPERADA=\r\nLUGAR OK=perguntas\r\nLUGAR ERRO=perguntas\r\n"
        "PONTUA\xC7\xC3O=1\r\nN\xDAMERO DE SLIDES=1\r\n\r\n[SLIDE 1 1]\r\n0=Pontos: $PONTOS, lugar $LUGAR\r\n\r\n"
        "[LUGAR 2]\r\nNOME=Quiz\r\nCATEGORIA=PERGUNTAS\r\nTERMINADOR=SIM\r\nN\xDAMERO DE SLIDES=0\r\n\r\n"
        "[LUGAR 3]\r\nNOME=Fim\r\nTERMINADOR=SIM\r\nN\xDAMERO DE SLIDES=0\r\n";
    writeText(dir + "/t.lud", game);
    HeadlessResult r = runHeadless("", {"--check", dir + "/t.lud"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.find("perguntas"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("$PONTOS"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("$LUGAR"), std::string::npos) << r.out;
}
