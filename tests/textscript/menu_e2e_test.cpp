// Options R and G of the editor's menu from the main question: a game is edited,
// a script imported into it, the game written back out as a script and saved;
// the saved game holds what the script said.  In-process and through the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/startup.h"
#include "editor/editor.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/textscript.h"
#include "platform/platform.h"
#include "player/play.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace game;
namespace fs = std::filesystem;

namespace {

const char* kKeys =
    "e{Enter}"                      // edit: the one folder, its one game
    "r" "viagem.txt{Enter}{Esc}s"   // import, the general data confirmed as the form shows them
    "g" "saida.txt{Enter}"          // export
    "{Esc}s"                        // finish, saving
    "{Esc}";                        // and leave the program

// A games root with one folder holding a new game (one empty Capa) and the script.
std::string makeRoot() {
    const std::string root = tempDir();
    fs::create_directories(root + "/aula");
    resetModelState();
    NewGame();
    current().general.version = "2.0";
    writeText(root + "/aula/aula.lud", GameText(current()));
    writeText(root + "/aula/viagem.txt", readText(std::string(LUDIVAR_TEST_DATA) + "/textscript/viagem.txt"));
    return root;
}

void checkSaved(const std::string& root, const std::vector<std::string>& trace) {
    auto said = [&](const char* text) {
        for (const std::string& e : trace)
            if (e == std::string("speak ") + text) return true;
        return false;
    };
    EXPECT_TRUE(said("Roteiro carregado."));
    EXPECT_TRUE(said("Roteiro equivalente criado."));

    TJogo saved;
    ASSERT_TRUE(ReadGameFile(root + "/aula/aula.lud", saved).ok);
    EXPECT_EQ(saved.general.name, plat::cp("Viagem pelo Brasil"));
    EXPECT_EQ(saved.general.author, plat::cp("Professora Márcia"));
    EXPECT_EQ(saved.general.version, "2.0");
    EXPECT_EQ(saved.commentCount, 2);
    ASSERT_EQ(saved.placeCount, 3);
    EXPECT_EQ(saved.place(1)->name, "Capa");
    EXPECT_EQ(saved.place(1)->slideCount, 2);
    EXPECT_EQ(saved.place(2)->slide(1)->title, "Rio 1");
    EXPECT_TRUE(saved.place(2)->slide(1)->autoAdvance);
    EXPECT_TRUE(saved.place(3)->endsGame);

    // The exported script is the saved game's script, and reads back to the same game.
    const std::string exported = readText(root + "/aula/saida.txt");
    EXPECT_EQ(exported, scriptText(saved));
    TJogo again;
    again.general = saved.general;
    again.commentCount = saved.commentCount;
    appendScriptPlaces(again, parseScript(scriptLines(exported)));
    EXPECT_EQ(GameText(again), GameText(saved));
}

}  // namespace

TEST(TextScriptFromTheMenu, InProcess) {
    const fs::path before = fs::current_path();
    const std::string root = makeRoot();
    InProc ip(kKeys, "[LUDIVAR]\nDIRJOGOS=" + root + "\n", false);
    resetModelState();
    editor::resetEditor();
    app::setActions({player::PlayGameFromMenu, editor::createGame, editor::editGame});
    const int code = ip.run([] {
        app::StartUp();
        app::MainMenu();
        app::ShutDown();
    });
    app::setActions({});
    fs::current_path(before);
    EXPECT_EQ(code, 0) << ip.traceText();
    checkSaved(root, ip.trace);
}

TEST(TextScriptFromTheMenu, ThroughTheProgram) {
    const std::string root = makeRoot();
    const std::string ini = "[LUDIVAR]\nDIRJOGOS=" + root + "\n";
    HeadlessResult r = runHeadless(kKeys, {}, ini);
    if (!r.contains("speak Editando o jogo")) GTEST_SKIP() << "the program does not lead E to the editor yet";
    EXPECT_EQ(r.exitCode, 0) << r.err;
    checkSaved(root, r.trace);
}
