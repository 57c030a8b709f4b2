// The results page: written by --relatorio from the results of a game, untrusted
// names kept as text, and checked in a real headless Chromium (tests/web/report.js)
// at a desktop and a phone width, with axe-core.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "platform/image.h"
#include "platform/platform.h"
#include "player/results.h"
#include "support/child.h"
#include "support/headless.h"


namespace {

namespace fs = std::filesystem;
const std::string kDemo = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar/formas-e-cores";


player::PlayRecord play(int n, const std::string& pupil, int32_t score, const std::vector<std::pair<std::string, int>>& circle) {
    player::PlayRecord r;
    r.id = std::to_string(n);
    r.when = "2026-03-0" + std::to_string(n) + " 10:00:00";
    r.pupil = plat::cp(pupil.c_str());
    r.score = score;
    for (const auto& a : circle) {
        player::Visit v;
        v.place = 3;
        v.name = plat::cp("Círculo");
        v.answer = plat::cp(a.first.c_str());
        v.right = a.second;
        r.visits.push_back(v);
    }
    player::Visit q;
    q.place = 5;
    q.name = "Quadrado";
    q.answer = "quadrado";
    q.right = 1;
    r.visits.push_back(q);
    return r;
}

// A game copied with results of three plays; returns the game file.
std::string gameWithResults(const std::string& dir) {
    fs::copy(kDemo, dir + "/jogo", fs::copy_options::recursive);
    const std::string game = dir + "/jogo/formas.lud";
    const std::string csv = player::resultsPathOfGame(game);
    EXPECT_FALSE(csv.empty());
    EXPECT_TRUE(player::appendRecord(csv, play(1, "Ana", 20, {{"roda", 0}, {"bola", 1}})));
    EXPECT_TRUE(player::appendRecord(csv, play(2, "<script>alert('x')</script> & Bia", 50, {{"bola", 1}})));
    EXPECT_TRUE(player::appendRecord(csv, play(3, "Ana", 40, {{"roda", 0}, {"círculo", 1}})));
    return game;
}

TEST(ResultsPage, WrittenByTheCommandWithTablesAndCharts) {
    const std::string dir = tempDir(), page = dir + "/relatorio.html";
    const std::string game = gameWithResults(dir);
    ASSERT_EQ(testsupport::runLogged({LUDIVAR_BIN, "--relatorio", game, page}, dir + "/log"), 0) << readText(dir + "/log");
    EXPECT_NE(readText(dir + "/log").find("Página de resultados gravada: " + page), std::string::npos);
    const std::string html = readText(page);
    for (const char* part : {"<html lang=\"pt-BR\">", "<caption>Resumo</caption>", "<th scope=\"row\">Jogadas</th><td>3</td>",
                             "<th scope=\"row\">Alunos</th><td>2</td>", "<td>36,7</td>", "<th scope=\"col\">Lugar</th>",
                             "<th scope=\"row\">Círculo</th><td>3</td><td>1</td><td>roda (2)</td>",
                             "role=\"img\" aria-labelledby=\"grafico-pontos-titulo grafico-pontos-desc\"",
                             "2026-03-01 10:00:00, 20; 2026-03-02 10:00:00, 50; 2026-03-03 10:00:00, 40.",
                             "Círculo, 1 de 3", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; Bia"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    for (const char* never : {"<script", "http://www.w3.org/1999", "src=", "href=", "@import", "url("})
        EXPECT_EQ(html.find(never), std::string::npos) << never;
    // Nothing of it lands in the game's folder.
    EXPECT_FALSE(fs::exists(dir + "/jogo/formas.html"));
}

TEST(ResultsPage, ACommandThatCannotWriteSaysSo) {
    const std::string dir = tempDir();
    const std::string game = gameWithResults(dir);
    struct Case { std::vector<std::string> args; int code; };
    const std::vector<Case> cases = {
        {{LUDIVAR_BIN, "--relatorio", game, dir + "/nao/existe/r.html"}, 1},
        {{LUDIVAR_BIN, "--relatorio", dir + "/nenhum.lud", dir + "/r.html"}, 1},
        {{LUDIVAR_BIN, "--relatorio", dir, dir + "/r.html"}, 2},
        {{LUDIVAR_BIN, "--relatorio", game}, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(testsupport::runLogged(c.args, dir + "/log"), c.code) << c.args[2] << readText(dir + "/log");
}

// How much of a picture is drawn in the charts' blue.
int bluePixels(const plat::Picture& p) {
    int n = 0;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3)
        if (p.rgb[i] < 60 && p.rgb[i + 1] < 110 && p.rgb[i + 2] > 110) ++n;
    return n;
}

TEST(ResultsPage, ReadsWellInChromiumOnADesktopAndAPhone) {
    const std::string web = std::string(LUDIVAR_SOURCE_DIR) + "/tests/web";
    ASSERT_TRUE(fs::exists(web + "/node_modules/puppeteer-core")) << "run `npm ci` in tests/web first";
    ASSERT_TRUE(fs::exists(web + "/node_modules/axe-core")) << "run `npm ci` in tests/web first";
    const std::string dir = tempDir(), page = dir + "/relatorio.html", shots = dir + "/telas";
    fs::create_directories(shots);
    ASSERT_EQ(testsupport::runLogged({LUDIVAR_BIN, "--relatorio", gameWithResults(dir), page}, dir + "/log"), 0) << readText(dir + "/log");
    ASSERT_EQ(testsupport::runLogged({"node", web + "/report.js", page, shots}, dir + "/web.log"), 0) << readText(dir + "/web.log");
    for (int width : {1280, 390}) {
        for (int chart : {1, 2}) {
            SCOPED_TRACE(std::to_string(width) + "-" + std::to_string(chart));
            plat::Picture pic;
            ASSERT_TRUE(plat::readPng(shots + "/" + std::to_string(width) + "-" + std::to_string(chart) + ".png", pic));
            EXPECT_LE(pic.width, width);
            EXPECT_GE(pic.width, width == 390 ? 300 : 500);
            EXPECT_GT(bluePixels(pic), 100);  // the line and points, or the bars
        }
    }
}

}  // namespace
