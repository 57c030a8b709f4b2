// A teacher's whole road: create a game, fill its general data, insert places,
// give them answers and destinations, write their slides, generate the program,
// save, and then play the game along the path its answers choose.  Run
// in-process and through the program itself.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "console/textwin.h"
#include "editor/program.h"
#include "support/editor_session.h"

using namespace edtest;
namespace fs = std::filesystem;

namespace {

std::string enters(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "{Enter}";
    return s;
}

// Opens the slide editor on the current place and writes Texto 1 of its first slide.
std::string slideText(const std::string& text) { return "s{Enter}" + enters(9) + text + "{Esc}s{Esc}"; }

std::string roadKeys() {
    std::string k;
    k += "c" "aula{Enter}" "{Enter}";                 // a new folder, the name taken from it
    k += "d" "Bichos{Enter}Ana{Esc}{Enter}";           // general data
    k += "e";                                          // the places, the cursor on Capa
    k += "iA{Enter}d" "{Down}iB{Enter}d" "{Down}iC{Enter}d";  // Capa, A, B, C; the cursor on B
    k += "{Up}{Up}" "s" "{Enter}" + enters(9) + "Bem-vindo{Esc}s{Esc}";  // Capa's slide, made with the game
    // A: 10 points, "sim" goes to C, anything else to B; its first slide offered and accepted.
    k += "{Down}{Enter}" + enters(6) + "10{Enter}sim{Enter}C{Enter}B{Esc}s{Enter}";
    k += slideText("Você gosta de bichos?");
    k += "{Down}{Enter}" + enters(10) + "SIM{Esc}s{Enter}" + slideText("Que pena");   // B ends the game
    k += "{Down}{Enter}" + enters(10) + "SIM{Esc}s{Enter}" + slideText("Que bom");    // C ends the game
    k += "{Esc}";
    k += "p{Enter}" "{Enter}" "s";                     // generate the program, aula.pro, with the answers
    k += "{Esc}s";                                     // finish, saving
    // Play it: the folder, the title card, then Capa, "sim" at A, and C.
    k += "j{Enter}" "{Enter}" "{Enter}" "sim{Enter}" "{Enter}" "{Enter}";
    k += "{Esc}";
    return k;
}

std::vector<std::string> tenLines(const std::string& first) {
    std::vector<std::string> lines(10);
    lines[0] = cp(first);
    return lines;
}

// The game the road should have made.
game::TJogo expectedGame() {
    game::TJogo g;
    game::ResetGeneralData(g);
    game::ResetModel(g);
    g.general.name = "Bichos";
    g.general.author = "Ana";
    g.general.program = "aula.pro";
    game::CreatePlace(g, 1);  // Capa, as a new game has it
    auto add = [&](int n, const char* name) {
        g.places[size_t(n)] = editor::newEditorPlace(name);
        g.placeCount = n;
        return g.places[size_t(n)].get();
    };
    game::TLugar* a = add(2, "A");
    a->points = 10;
    a->expectedAnswer = "sim";
    a->placeIfRight = "C";
    a->placeIfWrong = "B";
    add(3, "B")->endsGame = true;
    add(4, "C")->endsGame = true;
    const char* texts[] = {"Bem-vindo", "Você gosta de bichos?", "Que pena", "Que bom"};
    for (int n = 1; n <= 4; ++n) {
        game::TLugar* p = g.place(n);
        p->slides[1] = editor::newEditorSlide();
        p->slides[1]->title = n == 1 ? std::string("Jogo experimental") : p->name + " 1";
        p->slides[1]->text = tenLines(texts[n - 1]);
        p->slideCount = 1;
    }
    return g;
}

void checkRoad(const std::string& root, const std::vector<std::string>& trace) {
    const game::TJogo expected = expectedGame();
    EXPECT_EQ(slurp(root + "/aula/aula.lud"), game::GameText(expected));
    EXPECT_EQ(slurp(root + "/aula/aula.pro"), editor::programText(expected, true));

    auto spoken = [&](const std::string& text) {
        for (size_t i = 0; i < trace.size(); ++i)
            if (trace[i] == "speak " + text) return int(i);
        return -1;
    };
    // Played after saving, in the order the answers lead: Capa, A, then C (not B).
    const int saved = spoken("Arquivo gravado");
    ASSERT_GE(saved, 0);
    int last = saved;
    for (const char* text : {"Bem-vindo", "Você gosta de bichos?", "Que bom"}) {
        int at = -1;
        for (size_t i = size_t(last) + 1; i < trace.size(); ++i)
            if (trace[i] == std::string("speak ") + text) {
                at = int(i);
                break;
            }
        EXPECT_GT(at, last) << text;
        if (at > last) last = at;
    }
    for (size_t i = size_t(saved); i < trace.size(); ++i) EXPECT_NE(trace[i], "speak Que pena");
}

}  // namespace

TEST(TeacherRoad, InProcess) {
    Here here;
    const std::string root = tempDir();
    InProc ip(roadKeys(), "[LUDIVAR]\nDIRJOGOS=" + root + "\n", false);
    script::scriptReset();
    player::setSlideSize(160, 100);
    app::setActions({player::PlayGameFromMenu, editor::createGame, editor::editGame});
    const int code = ip.run([] {
        app::StartUp();
        app::MainMenu();
        app::ShutDown();
    });
    app::setActions({});
    player::resetSlideState();
    media::resetMedia();
    EXPECT_EQ(code, 0) << ip.traceText();
    checkRoad(root, ip.trace);
    EXPECT_TRUE(ip.traced("speak Fim do Ludivar"));
}

TEST(TeacherRoad, ThroughTheProgram) {
    const std::string root = tempDir();
    const std::string ini = "[LUDIVAR]\nDIRJOGOS=" + root + "\n";
    HeadlessResult r = runHeadless(roadKeys(), {}, ini);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    checkRoad(root, r.trace);
}
