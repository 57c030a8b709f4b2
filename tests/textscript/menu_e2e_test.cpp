// Options R and G from the editor's menu, reached from the main question: a game
// is edited, a script imported into it, the game written out as a script and
// saved; the saved game holds what the script said.
#include "ludivar_paths.h"
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
    "{Esc}s" "{Esc}";               // finish saving, and leave

// A games root with a new game (one empty Capa, which the import replaces) and the script.
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

}  // namespace

TEST(TextScriptFromTheMenu, ImportExportAndSave) {
    const fs::path before = fs::current_path();
    const std::string root = makeRoot();
    InProc ip(kKeys, "[LUDIVAR]\nDIRJOGOS=" + root + "\n", false);
    app::setActions({player::PlayGameFromMenu, editor::createGame, editor::editGame});
    const int code = ip.run([] {
        app::StartUp();
        app::MainMenu();
        app::ShutDown();
    });
    app::setActions({});
    fs::current_path(before);
    EXPECT_EQ(code, 0) << ip.traceText();
    EXPECT_TRUE(ip.traced("speak Roteiro carregado."));
    EXPECT_TRUE(ip.traced("speak Roteiro equivalente criado."));

    TJogo saved;
    ASSERT_TRUE(ReadGameFile(root + "/aula/aula.lud", saved).ok);
    EXPECT_EQ(saved.general.author, plat::cp("Professora Márcia"));
    EXPECT_EQ(saved.general.version, "2.0");
    ASSERT_EQ(saved.placeCount, 3);
    EXPECT_EQ(saved.place(2)->slide(1)->title, "Rio 1");
    // The exported script is the saved game's, and reads back to the same game.
    const std::string exported = readText(root + "/aula/saida.txt");
    EXPECT_EQ(exported, scriptText(saved));
    TJogo again;
    again.general = saved.general;
    again.commentCount = saved.commentCount;
    appendScriptPlaces(again, parseScript(scriptLines(exported)));
    EXPECT_EQ(GameText(again), GameText(saved));
}

TEST(TextScriptFromTheMenu, ThroughTheProgram) {
    const std::string root = makeRoot();
    HeadlessResult r = runHeadless(kKeys, {}, "[LUDIVAR]\nDIRJOGOS=" + root + "\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    TJogo saved;
    ASSERT_TRUE(ReadGameFile(root + "/aula/aula.lud", saved).ok);
    EXPECT_EQ(saved.placeCount, 3);
    EXPECT_EQ(readText(root + "/aula/saida.txt"), scriptText(saved));
}
