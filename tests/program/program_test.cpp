// The game's program: names, the generated text and its run through the
// interpreter, the editor command, and the menu's actions through the console.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "editor/program.h"
#include "game/model.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "script/script.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace editor;
namespace fs = std::filesystem;

namespace {

std::string cp(const char* s) { return plat::cp(s); }

game::TLugar& addPlace(game::TJogo& g, int n, const char* name, const char* answer, const char* right,
                       const char* wrong, bool ends = false) {
    game::TLugar& p = *game::CreatePlace(g, n);
    p.name = cp(name);
    p.expectedAnswer = cp(answer);
    p.placeIfRight = cp(right);
    p.placeIfWrong = cp(wrong);
    p.endsGame = ends;
    return p;
}

// What the launcher was asked to start.
struct Launch {
    std::string program;
    std::vector<std::string> args;
    bool inTerminal = false;
    int calls = 0;
};
Launch gLaunch;
int gLaunchResult = 0;

int recordLaunch(const std::string& program, const std::vector<std::string>& args, bool inTerminal) {
    gLaunch.program = program;
    gLaunch.args = args;
    gLaunch.inTerminal = inTerminal;
    ++gLaunch.calls;
    return gLaunchResult;
}

// A test inside a game folder of its own, with the recorder as launcher.
struct InGame {
    fs::path before = fs::current_path();
    std::string dir = tempDir();
    explicit InGame(const std::string& gameFile = "aula.lud") {
        fs::current_path(dir);
        game::resetModelState();
        resetProgramState();
        programState().launcher = recordLaunch;
        gLaunch = Launch();
        gLaunchResult = 0;
        file = gameFile;
    }
    std::string file;
    // InProc starts the application state afresh: the game file is set again after it.
    void use() const { app::appState().currentGameFile = file; }
    ~InGame() {
        resetProgramState();
        fs::current_path(before);
    }
};

// Sets or clears an environment variable for the length of a test.
struct EnvVar {
    std::string name;
    std::string old;
    bool had;
    EnvVar(const char* n, const char* value) : name(n) {
        const char* o = std::getenv(n);
        had = o != nullptr;
        if (had) old = o;
        if (value)
            setenv(n, value, 1);
        else
            unsetenv(n);
    }
    ~EnvVar() {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

game::TJogo sampleGame() {
    game::TJogo g;
    g.general.name = cp("Viagem à serra");
    addPlace(g, 1, "Capa", "sim", "Fase1", "");
    addPlace(g, 2, "Fase1", "a|b", "Rio|Mar", "Capa");
    addPlace(g, 4, "Erro", "c", "", "Capa");  // place 3 stays empty and is skipped
    addPlace(g, 5, "Fim", "x", "Capa", "Capa", true);
    addPlace(g, 6, "Livre", "y", "", "");
    return g;
}

}  // namespace

TEST(ProgramNames, DefaultAndTyped) {
    EXPECT_EQ(defaultProgramName("aula.lud"), "aula.pro");
    EXPECT_EQ(defaultProgramName("AULA.LUD"), "AULA.pro");
    EXPECT_EQ(defaultProgramName("jogos\\aula.Lud"), "jogos\\aula.pro");
    EXPECT_EQ(defaultProgramName("aula"), "aula.pro");
    EXPECT_EQ(defaultProgramName("aula.lud.bak"), "aula.lud.bak.pro");
    EXPECT_EQ(programNameFromAnswer("aula"), "aula.pro");
    EXPECT_EQ(programNameFromAnswer(" aula.PRO  "), "aula.PRO");
    EXPECT_EQ(programNameFromAnswer("pro"), "pro.pro");
    EXPECT_EQ(programNameFromAnswer("   "), "");
}

TEST(ProgramText, TranscribedAndPlain) {
    const game::TJogo g = sampleGame();
    EXPECT_EQ(programText(g, true), cp("* Programação do jogo Viagem à serra\r\n"
                                       "\r\n"
                                       "@Capa\r\n"
                                       "    seja $LUGAR = \"Capa\"\r\n"
                                       "    chama remoto \"Capa\"\r\n"
                                       "    se $RESPOSTA = \"sim\"\r\n"
                                       "        desvia @Fase1\r\n"
                                       "    fim se\r\n"
                                       "\r\n"
                                       "@Fase1\r\n"
                                       "    seja $LUGAR = \"Fase1\"\r\n"
                                       "    chama remoto \"Fase1\"\r\n"
                                       "    se $RESPOSTA = \"a|b\"\r\n"
                                       "        desvia @Rio|Mar\r\n"
                                       "    senão\r\n"
                                       "        desvia @Capa\r\n"
                                       "    fim se\r\n"
                                       "\r\n"
                                       "@Erro\r\n"
                                       "    seja $LUGAR = \"Erro\"\r\n"
                                       "    chama remoto \"Erro\"\r\n"
                                       "    se $RESPOSTA <> \"c\"\r\n"
                                       "        desvia @Capa\r\n"
                                       "    fim se\r\n"
                                       "\r\n"
                                       "@Fim\r\n"
                                       "    seja $LUGAR = \"Fim\"\r\n"
                                       "    chama remoto \"Fim\"\r\n"
                                       "    termina mudo\r\n"
                                       "\r\n"
                                       "@Livre\r\n"
                                       "    seja $LUGAR = \"Livre\"\r\n"
                                       "    chama remoto \"Livre\"\r\n"));
    std::string plain = cp("* Programação do jogo Viagem à serra\r\n");
    for (const char* n : {"Capa", "Fase1", "Erro", "Fim", "Livre"})
        plain += std::string("\r\n@") + n + "\r\n    seja $LUGAR = \"" + n + "\"\r\n    chama remoto \"" + n + "\"\r\n";
    EXPECT_EQ(programText(g, false), plain);

    // A destination holding a blank is jumped to by its quoted name.
    game::TJogo h;
    addPlace(h, 1, "Fase 1", "sim", " Final feliz ", "Fase 1");
    EXPECT_NE(programText(h, true).find("@Fase 1\r\n    seja $LUGAR = \"Fase 1\"\r\n"), std::string::npos);
    EXPECT_NE(programText(h, true).find(cp("        desvia \"Final feliz\"\r\n    senão\r\n"
                                           "        desvia \"Fase 1\"\r\n")),
              std::string::npos);
}

TEST(ProgramText, GeneratedProgramPlaysThroughTheInterpreter) {
    InProc p;
    game::TJogo g;
    g.general.name = "Rota";
    addPlace(g, 1, "Início", "sim", "Final feliz", "Volta");
    addPlace(g, 2, "Volta", "de novo", "", "Início");
    addPlace(g, 3, "Final feliz", "", "Início", "Volta", true);
    const std::string file = tempDir() + "/rota.pro";
    writeText(file, programText(g, true));

    // The host plays each place by answering from a list, as the player would.
    std::vector<std::string> answers = {cp("não"), "de novo", "SIM"};
    std::vector<std::string> visits, lugar;
    script::scriptReset();
    script::RunResult r = script::scriptRunWithHost(file, [&](const std::string& arg) {
        visits.push_back(arg);
        lugar.push_back(script::scriptGetVariable("LUGAR"));
        const std::string a = answers.empty() ? std::string() : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        script::scriptSetVariable("RESPOSTA", a);
        return std::string("0");
    });
    EXPECT_EQ(r.code, script::RunOk) << "line " << r.line;
    // Início answered wrong goes to Volta; Volta answered right has no jump of its own
    // and runs on into the next place, Final feliz, which ends the run.
    EXPECT_EQ(visits, (std::vector<std::string>{cp("Início"), "Volta", "Final feliz"}));
    EXPECT_EQ(lugar, visits);

    // A wrong answer at Volta sends play back to Início, whose right answer ends it.
    answers = {"talvez", "outra", "sim"};
    visits.clear();
    lugar.clear();
    script::scriptReset();
    r = script::scriptRunWithHost(file, [&](const std::string& arg) {
        visits.push_back(arg);
        lugar.push_back(script::scriptGetVariable("LUGAR"));
        script::scriptSetVariable("RESPOSTA", answers.empty() ? std::string() : answers.front());
        if (!answers.empty()) answers.erase(answers.begin());
        return std::string("0");
    });
    EXPECT_EQ(r.code, script::RunOk) << "line " << r.line;
    EXPECT_EQ(visits, (std::vector<std::string>{cp("Início"), "Volta", cp("Início"), "Final feliz"}));
}

TEST(ProgramEditor, CommandForEachSetting) {
    InGame game;
    writeText(game.dir + "/aula.pro", "");
    const std::string target = plat::mapPath("aula.pro");
    EnvVar visual("VISUAL", nullptr), editorVar("EDITOR", nullptr), terminal("TERMINAL", nullptr);

    // The EDITOR setting: a path with a blank is one program, wherever it is.
    {
        InProc p("", "[LUDIVAR]\nEDITOR=c:\\meus programas\\editor.exe\n");
        EditorCommand c = editorCommand("aula.pro", "window");
        EXPECT_EQ(c.program, plat::mapPath("c:\\meus programas\\editor.exe"));
        EXPECT_NE(c.program.find("meus programas"), std::string::npos);
        EXPECT_EQ(c.args, (std::vector<std::string>{target}));
        EXPECT_FALSE(c.inTerminal);
        EXPECT_TRUE(editorCommand("aula.pro", "tty").inTerminal);
    }
    // Already quoted: the quoted part is the program, the rest its arguments.
    {
        InProc p("", "[LUDIVAR]\nEDITOR=\"/opt/meu editor/ed\" -n \"a b\" x\n");
        EditorCommand c = editorCommand("aula.pro", "window");
        EXPECT_EQ(c.program, "/opt/meu editor/ed");
        EXPECT_EQ(c.args, (std::vector<std::string>{"-n", "a b", "x", target}));
    }
    // A bare name is looked up in PATH.
    {
        InProc p("", "[LUDIVAR]\nEDITOR=gedit\n");
        EXPECT_EQ(editorCommand("aula.pro", "window").program, "gedit");
    }

    InProc p;
    // No setting: the desktop's association opens the file.
    EditorCommand c = editorCommand("aula.pro", "window");
    EXPECT_EQ(c.program, "xdg-open");
    EXPECT_EQ(c.args, (std::vector<std::string>{target}));
    EXPECT_TRUE(c.viaDesktop);

    // $VISUAL before $EDITOR, handed to the shell as the user wrote it, on our terminal.
    EnvVar v("VISUAL", "vim -c 'set ff=dos'");
    EnvVar e("EDITOR", "nano");
    c = editorCommand("aula.pro", "tty");
    EXPECT_EQ(c.program, "/bin/sh");
    EXPECT_EQ(c.args, (std::vector<std::string>{"-c", "vim -c 'set ff=dos' \"$@\"", "editor", target}));
    EXPECT_TRUE(c.inTerminal);

    // In the window, a terminal emulator runs it.
    const std::string bin = tempDir();
    writeText(bin + "/xterm", "#!/bin/sh\n");
    chmod((bin + "/xterm").c_str(), 0755);
    {
        EnvVar path("PATH", bin.c_str());
        c = editorCommand("aula.pro", "window");
        EXPECT_EQ(c.program, bin + "/xterm");
        EXPECT_EQ(c.args, (std::vector<std::string>{"-e", "/bin/sh", "-c", "vim -c 'set ff=dos' \"$@\"", "editor",
                                                    target}));
        EXPECT_FALSE(c.inTerminal);
    }
    {
        EnvVar path("PATH", "/nonexistent");
        EXPECT_EQ(editorCommand("aula.pro", "window").program, "xdg-open");
    }
}

TEST(ProgramEditor, RunWaitsAndReports) {
    InGame game;
    {
        InProc p("", "[ECOLAR]\nTEMPOESPERAPROGVOLTAR=2000\n");
        const uint64_t start = p.now();
        bool ok = false;
        p.run([&] { ok = runEditor("aula.pro"); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(gLaunch.calls, 1);
        EXPECT_TRUE(p.traced("speak Chamando editor"));
        EXPECT_GE(p.now() - start, 2000u);
    }
    {
        gLaunchResult = -1;
        InProc p;
        bool ok = true;
        p.run([&] { ok = runEditor("aula.pro"); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Erro na edição do arquivo de programa"));
    }
    // Without a launcher the headless front starts nothing and says so.
    {
        resetProgramState();
        InProc p;
        bool ok = true;
        p.run([&] { ok = runEditor("aula.pro"); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Erro na edição do arquivo de programa"));
    }
    // A started editor is waited for until it ends.
    {
        static int pid = -1;
        programState().launcher = [](const std::string&, const std::vector<std::string>&, bool) {
            pid = plat::spawnProgram("sleep", {"0.3"});
            return pid;
        };
        InProc p;
        bool ok = false;
        p.run([&] { ok = runEditor("aula.pro"); });
        EXPECT_TRUE(ok);
        ASSERT_GT(pid, 0);
        EXPECT_FALSE(plat::processRunning(pid));
    }
}

TEST(ProgramMenu, CreateAndGenerate) {
    InGame game;
    game::TJogo& g = game::current();
    g = sampleGame();
    {
        // The proposed name, accepted: an empty file that becomes the game's program.
        InProc p("{Enter}");
        game.use();
        bool ok = false;
        p.run([&] { ok = createProgram(true); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(g.general.program, "aula.pro");
        EXPECT_TRUE(fs::exists(game.dir + "/aula.pro"));
        EXPECT_EQ(fs::file_size(game.dir + "/aula.pro"), 0u);
        EXPECT_EQ(gLaunch.calls, 1);
        EXPECT_EQ(gLaunch.args.back(), plat::mapPath("aula.pro"));
    }
    writeText(game.dir + "/aula.pro", "guardado");
    {
        // An existing file is kept unless the author agrees to lose it.
        g.general.program = "antes.pro";
        InProc p("{Enter}n");
        game.use();
        bool ok = true;
        p.run([&] { ok = createProgram(false); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Arquivo já existe, quer destruir? "));
        EXPECT_TRUE(p.traced("speak Desistiu"));
        EXPECT_EQ(readText(game.dir + "/aula.pro"), "guardado");
        EXPECT_EQ(g.general.program, "antes.pro");
    }
    {
        // Generating with transcription: the file holds exactly the program text.
        InProc p("{Enter}ss");
        game.use();
        p.run(generateProgram);
        EXPECT_TRUE(p.traced("speak Transcreve também a programação simples pré-existente? "));
        EXPECT_EQ(readText(game.dir + "/aula.pro"), programText(g, true));
        EXPECT_EQ(g.general.program, "aula.pro");
        EXPECT_TRUE(p.traced("speak Chamando editor"));
    }
    {
        InProc p("roteiro{Enter}N");
        game.use();
        p.run(generateProgram);
        EXPECT_EQ(readText(game.dir + "/roteiro.pro"), programText(g, false));
        EXPECT_EQ(g.general.program, "roteiro.pro");
    }
    {
        // Esc at the question: the program was created and named, nothing is written.
        gLaunch = Launch();
        InProc p("outro.PRO{Enter}{Esc}");
        game.use();
        p.run(generateProgram);
        EXPECT_EQ(g.general.program, "outro.PRO");
        EXPECT_EQ(fs::file_size(game.dir + "/outro.PRO"), 0u);
        EXPECT_EQ(gLaunch.calls, 0);
    }
    {
        // A file that cannot be created leaves the game's program alone.
        InProc p("nao/ha/x{Enter}");
        game.use();
        bool ok = true;
        p.run([&] { ok = createProgram(false); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Programa não pôde ser criado"));
        EXPECT_EQ(g.general.program, "outro.PRO");
    }
}

TEST(ProgramMenu, MenuAssociateEditDrop) {
    InGame game;
    game::TJogo& g = game::current();
    g.general.program = "velho.pro";
    writeText(game.dir + "/existente.pro", "* meu\r\n");
    {
        InProc p("{Esc}");
        game.use();
        p.run(programMenu);
        EXPECT_TRUE(p.traced("speak Programação avançada"));
        EXPECT_TRUE(p.traced("speak Desistiu"));
        EXPECT_EQ(g.general.program, "velho.pro");
        EXPECT_EQ(gLaunch.calls, 0);
    }
    {
        // The fifth option: the game goes back to the simple programming.
        InProc p("{Down}{Down}{Down}{Down}{Enter}");
        game.use();
        p.run(programMenu);
        EXPECT_TRUE(p.traced("speak Programa inibido."));
        EXPECT_EQ(g.general.program, "");
    }
    {
        // Editing with no program asks for one first, then opens it.
        InProc p("existente.pro{Enter}");
        game.use();
        p.run(editProgram);
        EXPECT_TRUE(p.traced("speak Programa não está selecionado."));
        EXPECT_TRUE(p.traced("speak Use as setas para escolher o programa"));
        EXPECT_EQ(g.general.program, "existente.pro");
        EXPECT_EQ(gLaunch.calls, 1);
        EXPECT_EQ(gLaunch.args.back(), plat::mapPath("existente.pro"));
    }
    {
        // Giving up the choice keeps what there was.
        InProc p("{Esc}");
        game.use();
        p.run(associateProgram);
        EXPECT_TRUE(p.traced("speak Desistiu"));
        EXPECT_EQ(g.general.program, "existente.pro");
    }
    {
        g.general.program.clear();
        gLaunch = Launch();
        InProc p("{Esc}");
        game.use();
        p.run(editProgram);
        EXPECT_EQ(gLaunch.calls, 0);
        EXPECT_EQ(g.general.program, "");
    }
}
