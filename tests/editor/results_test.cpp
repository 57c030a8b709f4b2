// "Resultados" in the editor's menu: the figures said and shown, a place's plays,
// the page, and erasing after a confirmation.
#include <gtest/gtest.h>

#include "support/editor_session.h"
#include "player/results.h"

namespace {

using edtest::Session;

player::PlayRecord play(const char* pupil, int32_t score, std::vector<std::pair<const char*, int>> circle) {
    player::PlayRecord r;
    r.id = pupil + std::to_string(score);
    r.when = "2026-03-01 10:00:00";
    r.pupil = edtest::cp(pupil);
    r.score = score;
    for (const auto& a : circle) {
        player::Visit v;
        v.name = edtest::cp("Círculo");
        v.answer = a.first;
        v.right = a.second;
        r.visits.push_back(v);
    }
    return r;
}

// The game in memory, its file on disk and three plays recorded for it.
std::string prepare(Session& s) {
    game::TJogo& g = edtest::gameWith({"Capa", "Círculo", "Quadrado"});
    g.general.name = "Formas";
    g.place(2)->expectedAnswer = "BOLA";
    g.place(3)->expectedAnswer = "QUADRADO";
    writeText(s.file("jogo.lud"), "jogo");
    const std::string csv = player::resultsPathOfGame(s.file("jogo.lud"));
    EXPECT_TRUE(player::appendRecord(csv, play("Ana", 10, {{"roda", 0}, {"bola", 1}})));
    EXPECT_TRUE(player::appendRecord(csv, play("Bia", 30, {{"bola", 1}})));
    EXPECT_TRUE(player::appendRecord(csv, play("ana", 20, {{"Roda", 0}, {"dado", 0}})));
    return csv;
}

TEST(EditorResults, SpeaksAndShowsTheFigures) {
    Session s("t" "{Down}{Enter}" "{Esc}" "{Up}{Enter}" "{Down}" "{Esc}");  // the summary is on screen at the end
    const std::string csv = prepare(s);
    EXPECT_EQ(s.run(editor::editorMenu), 3);
    const std::string figures = "Jogadas: 3. Alunos: 2. Média de pontos: 20.";
    const std::string circle = "Círculo: 1 de 3 acertaram de primeira. Erradas mais digitadas: roda (2), dado (1).";
    EXPECT_TRUE(s.saidInOrder({"Resultados do jogo: Formas", figures, circle,
                               "Quadrado: 0 de 0 acertaram de primeira.", "Quadrado",
                               "Nenhuma jogada passou por este lugar.", circle, "Círculo",
                               "2026-03-01 10:00:00, Ana: roda, errada", "2026-03-01 10:00:00, Ana: bola, certa"}))
        << s.ip.traceText();
    // What was said is on the screen.
    bool shown = false;
    for (int r = 1; r <= 25; ++r) shown |= s.ip.row(r).find("Jogadas: 3. Alunos: 2.") != std::string::npos;
    EXPECT_TRUE(shown);
    EXPECT_TRUE(std::filesystem::exists(csv));
}

TEST(EditorResults, ErasedOnlyAfterYes) {
    struct Case { const char* keys; bool erased; const char* said; };
    for (const Case& c : {Case{"ta" "n" "{Esc}", false, "Desistiu"}, Case{"ta" "s", true, "Resultados apagados."}}) {
        SCOPED_TRACE(c.keys);
        Session s(c.keys);
        const std::string csv = prepare(s);
        s.run(editor::editorMenu);
        EXPECT_TRUE(s.saidInOrder({"Apagar todos os resultados deste jogo? S/N ", c.said})) << s.ip.traceText();
        EXPECT_EQ(std::filesystem::exists(csv), !c.erased);
    }
}

TEST(EditorResults, WritesThePageBesideTheResults) {
    Session s("tp{Enter}{Esc}");
    const std::string csv = prepare(s);
    s.run(editor::editorMenu);
    const std::string page = csv.substr(0, csv.size() - 4) + ".html";
    EXPECT_TRUE(s.said("Página de resultados gravada: " + page)) << s.ip.traceText();
    EXPECT_NE(readText(page).find("<caption>Resumo</caption>"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(s.file("jogo.html")));
}

TEST(EditorResults, NoPlaysAndTheMenuEntry) {
    Session s("t{Enter}" "{F1}");
    edtest::gameWith({"Capa"});
    writeText(s.file("jogo.lud"), "jogo");
    s.run(editor::editorMenu);
    EXPECT_TRUE(s.saidInOrder({"Nenhuma jogada registrada para este jogo.", "As opções são:", "X - Executar o jogo.",
                               "T - Resultados dos alunos.", "A - Abandonar sem gravar."}));
    EXPECT_EQ(editor::menuLetter(11), 'T');
}

// The author's own try from the editor is not a pupil's play.
TEST(EditorResults, TheEditorsTrialPlayIsNotRecorded) {
    Session s("x{Enter}{Enter}");
    edtest::gameWith({"Capa"});
    writeText(s.file("jogo.lud"), "jogo");
    s.run(editor::editorMenu);
    EXPECT_TRUE(s.said("Fim do Jogo"));
    EXPECT_FALSE(std::filesystem::exists(player::resultsPathOfGame(s.file("jogo.lud"))));
}

}  // namespace
