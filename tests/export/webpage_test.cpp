// The game as a web page: media confined to the game's folder, game texts that
// cannot break out of the page, and the demo game played to its end in a real
// headless Chromium (tests/web/play.js, which needs `npm ci` in tests/web).
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "export/webpage.h"
#include "game/fields.h"
#include "game/model.h"
#include "platform/platform.h"
#include "support/editor_session.h"
#include "support/child.h"
#include "support/headless.h"


namespace {

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";


game::TLugar& placeWithSlide(game::TJogo& g, int n, const std::string& picture, const std::string& media) {
    game::TLugar& p = *game::CreatePlace(g, n);
    p.slideCount = 1;
    game::TSlide& s = *game::CreateSlide(p, 1);
    s.picture = picture;
    s.media = media;
    return p;
}

TEST(WebPage, MediaOutsideTheGameFolderStayOut) {
    namespace fs = std::filesystem;
    const std::string root = tempDir();
    const std::string folder = root + "/jogo";
    fs::create_directories(folder + "/Figuras");
    const std::string secret = "SEGREDO-DO-PROFESSOR-123";
    writeText(root + "/segredo.jpg", secret);
    writeText(folder + "/Figuras/Casa.JPG", "imagem-da-casa");
    writeText(folder + "/som.wav", "RIFF-som");
    writeText(folder + "/filme.avi", "avi");
    fs::create_symlink(root + "/segredo.jpg", folder + "/atalho.jpg");

    struct Case {
        std::string name;    // as the game names it
        bool inlined;
        web::Left why;       // when left out
    };
    const std::vector<Case> cases = {
        {"figuras\\casa.jpg", true, {}},  // Windows separators and another case
        {"som.wav", true, {}},
        {"..\\segredo.jpg", false, web::Left::OutsideFolder},
        {"atalho.jpg", false, web::Left::OutsideFolder},  // a link that leads out
        {root + "/segredo.jpg", false, web::Left::OutsideFolder},
        {"c:\\segredo.jpg", false, web::Left::OutsideFolder},
        {"nao-existe.jpg", false, web::Left::Missing},
        {"filme.avi", false, web::Left::NotPlayable},
        {"$FIGURA.jpg", false, web::Left::Variable},
    };
    game::TJogo g;
    game::ResetModel(g);
    for (size_t i = 0; i < cases.size(); ++i)
        placeWithSlide(g, int(i) + 1, plat::utf8ToCp1252(cases[i].name), "");
    web::ExportReport rep;
    const std::string page = web::GamePage(g, folder, rep);

    EXPECT_EQ(page.find("U0VHUkVETy1ETy1QUk9GRVNTT1It"), std::string::npos) << "the secret went into the page";
    EXPECT_NE(page.find("aW1hZ2VtLWRhLWNhc2E="), std::string::npos) << "the game's own picture is missing";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int found = 0;
        for (const web::LeftOut& l : rep.leftOut)
            if (l.name == plat::utf8ToCp1252(c.name)) {
                ++found;
                EXPECT_EQ(int(l.why), int(c.why));
            }
        EXPECT_EQ(found, c.inlined ? 0 : 1);
    }
}

// However many places name a medium, and by whatever spelling, the page holds
// it once and the report names a missing one once.
TEST(WebPage, EachMediumOnceWhateverTheMentions) {
    const std::string folder = tempDir();
    writeText(folder + "/Som.wav", "RIFF-um-som");
    game::TJogo g;
    game::ResetModel(g);
    for (int n = 1; n <= 40; ++n)
        placeWithSlide(g, n, n % 2 ? "falta.jpg" : " FALTA.jpg", n % 3 ? "som.wav" : ".\\SOM.WAV").media = "Som.wav";
    web::ExportReport rep;
    const std::string page = web::GamePage(g, folder, rep);
    size_t uris = 0;
    for (size_t at = 0; (at = page.find("data:audio", at)) != std::string::npos; ++at) ++uris;
    EXPECT_EQ(uris, 1u);
    EXPECT_EQ(rep.inlinedBytes, std::string("RIFF-um-som").size());
    ASSERT_EQ(rep.leftOut.size(), 2u);  // the two spellings: the report names what the game wrote
    EXPECT_EQ(rep.leftOut[0].name, "falta.jpg");
    EXPECT_EQ(rep.leftOut[1].name, "FALTA.jpg");
    EXPECT_EQ(int(rep.leftOut[0].why), int(web::Left::Missing));
}

TEST(WebPage, GameTextsStayText) {
    game::TJogo g;
    game::ResetModel(g);
    game::ResetGeneralData(g);
    g.general.name = "</script><script>alert(1)</script>";
    game::TLugar& p = placeWithSlide(g, 1, "", "");
    p.name = "<!--";
    p.slide(1)->text = {"a & b \"c\" \\ </SCRIPT>", std::string("linha\x01", 6)};
    web::ExportReport rep;
    const std::string page = web::GamePage(g, tempDir(), rep);
    // Only the page's own three script elements close.
    size_t closes = 0;
    for (size_t at = 0; (at = page.find("</script", at)) != std::string::npos; ++at) ++closes;
    EXPECT_EQ(closes, 3u);
    EXPECT_EQ(page.find("</SCRIPT>"), std::string::npos);
    EXPECT_EQ(page.find("<!--"), std::string::npos);
    EXPECT_NE(page.find("<title>&lt;/script&gt;&lt;script&gt;alert(1)&lt;/script&gt; - Ludivar</title>"),
              std::string::npos);
    EXPECT_NE(page.find("\\u0001"), std::string::npos);
}

// The page's data names every field of the tables that has a name there, in the
// order the page's player was written for, each drawn by its kind.
TEST(WebPage, DataFollowsTheFieldTables) {
    const std::string folder = tempDir();
    writeText(folder + "/fig.jpg", "jpeg bytes");
    game::TJogo g;
    game::ResetModel(g);
    game::ResetGeneralData(g);
    g.general.name = "Jogo";
    g.general.comments[1] = "dois";
    game::RecountComments(g);
    game::TLugar& p = placeWithSlide(g, 1, "fig.jpg", "som.wav|fig.jpg| ");
    p.name = "Lugar";
    p.points = -5;
    p.endsGame = true;
    p.backgroundColour = "Azul";
    p.placeIfRight = "2|3";
    game::TSlide& s = *p.slide(1);
    s.title = "T";
    s.picturePosition = "centro";
    s.waitMedia = false;
    s.text = {"um", ""};
    web::ExportReport rep;
    const std::string page = web::GamePage(g, folder, rep);
    auto has = [&](const std::string& json) {
        EXPECT_NE(page.find(json), std::string::npos) << json;
    };
    has("{\"nome\":\"Jogo\",\"autor\":");
    has(",\"comentarios\":[\"\",\"dois\",\"\",\"\",\"\"],\"numComentarios\":2,\"narrando\":true,"
        "\"aleatorio\":false,\"precisaPrograma\":false,\"fundo\":null,\"fonte\":{\"face\":\"Arial\","
        "\"tamanho\":24,\"negrito\":false},\"lugares\":[null,");
    has("{\"nome\":\"Lugar\",\"categoria\":\"\",\"resposta\":\"\",\"lugarOk\":\"2|3\",\"lugarErro\":\"\","
        "\"pontos\":-5,\"terminador\":true,\"midia\":null,\"corFundo\":\"#");
    has("\"corLetra\":null,\"fundo\":null,\"slides\":[{\"titulo\":\"T\",\"figura\":0,"
        "\"posFigura\":\"centro\",\"temFigura\":true,\"midias\":[null,0],\"espera\":false,\"auto\":false,"
        "\"fala\":true,\"posTexto\":\"\",\"texto\":[\"um\",\"\"]}]}");
    auto named = [&](const auto& fields) {
        for (const auto& f : fields)
            if (f.webKey) has("\"" + std::string(f.webKey) + "\":");
    };
    named(game::gameFields());
    named(game::placeFields());
    named(game::slideFields());
}

const std::string kWebTests = std::string(LUDIVAR_SOURCE_DIR) + "/tests/web";

// The demo game played in headless Chromium by keys and by clicks: tests/web/play.js
// says what it checks.
TEST(WebPage, DemoPlaysInABrowser) {
    const std::string web = kWebTests;
    ASSERT_TRUE(std::filesystem::exists(web + "/node_modules/puppeteer-core"))
        << "run `npm ci` in tests/web first";
    struct Case { const char* mode; const char* game; };
    for (const Case& c : {Case{"demo", "formas-e-cores"}, Case{"clicks", "formas-e-cores"},
                          Case{"program", "formas-e-cores-programa"}}) {
        SCOPED_TRACE(c.mode);
        const std::string dir = tempDir(), pageFile = dir + "/" + c.mode + ".html";
        ASSERT_EQ(testsupport::runLogged({LUDIVAR_BIN, "--export-html", kDemoGames + "/" + c.game + "/formas.lud", pageFile},
                      dir + "/export.log"), 0)
            << readText(dir + "/export.log");
        EXPECT_EQ(testsupport::runLogged({"node", web + "/play.js", c.mode, pageFile}, dir + "/play.log"), 0) << readText(dir + "/play.log");
    }
}

// A game made to be hard to read: a silent slide in black on black over a
// titled picture, with a line longer than any phone; then a question beside an
// untitled picture.  play.js's "access" mode knows these texts.
TEST(WebPage, SilentDarkGameIsReadableInABrowser) {
    ASSERT_TRUE(std::filesystem::exists(kWebTests + "/node_modules/puppeteer-core"))
        << "run `npm ci` in tests/web first";
    const std::string dir = tempDir(), demo = kDemoGames + "/formas-e-cores";
    std::filesystem::copy_file(demo + "/casa.jpg", dir + "/casa.jpg");
    std::filesystem::copy_file(demo + "/circulo.jpg", dir + "/circulo.jpg");
    game::TJogo g;
    game::ResetModel(g);
    game::ResetGeneralData(g);
    g.general.name = plat::cp("Jogo de leitura");
    game::TLugar& p = *game::CreatePlace(g, 1);
    p.name = plat::cp("Praça");
    p.backgroundColour = "preto";
    p.textColour = "preto";
    p.expectedAnswer = "SOL LUA";
    p.placeIfRight = "Fim";
    p.placeIfWrong = plat::cp("Praça");
    p.slideCount = 2;
    game::TSlide& quiet = *game::CreateSlide(p, 1);
    quiet.title = "Uma casa amarela";
    quiet.picture = "casa.jpg";
    quiet.speakText = false;
    quiet.autoAdvance = false;
    quiet.text = {plat::cp("Texto que só se lê, sem voz."), "",
                  plat::cp("Umapalavracompridademaisparacaberemqualquertelefone e uma frase longa que passa da "
                           "largura de qualquer tela estreita, de telefone ou de lupa.")};
    game::TSlide& ask = *game::CreateSlide(p, 2);
    ask.title.clear();  // an untitled picture is decoration
    ask.picture = "circulo.jpg";
    ask.text = {"Que palavras?"};
    game::TLugar& end = *game::CreatePlace(g, 2);
    end.name = "Fim";
    end.endsGame = true;
    end.slideCount = 1;
    game::CreateSlide(end, 1)->text = {"Acabou."};
    g.placeCount = 2;
    web::ExportReport rep;
    ASSERT_TRUE(writeText(dir + "/leitura.html", web::GamePage(g, dir, rep)));
    EXPECT_TRUE(rep.leftOut.empty());
    EXPECT_EQ(testsupport::runLogged({"node", kWebTests + "/play.js", "access", dir + "/leitura.html"}, dir + "/play.log"), 0)
        << readText(dir + "/play.log");
}

}  // namespace

// W in the editor's menu writes the game in memory beside its file and says what stayed out.
TEST(WebPage, EditorWritesThePageBesideTheGame) {
    edtest::Session s("w");
    game::TJogo& g = edtest::gameWith({"Praça"});
    g.general.name = plat::cp("Jogo da praça");
    g.place(1)->slide(1)->picture = "..\\fora.jpg";
    EXPECT_EQ(s.run(editor::editorMenu), 3);  // back at the menu when the keys ran out
    EXPECT_TRUE(s.saidInOrder({"Fora da pasta do jogo, não incluído: ..\\fora.jpg", "Página web gravada: ",
                               "jogo.html"}));
    const std::string page = readText(s.file("jogo.html"));
    EXPECT_NE(page.find("<title>Jogo da praça - Ludivar</title>"), std::string::npos);
    EXPECT_NE(page.find("\"nome\":\"Praça\""), std::string::npos);
}
