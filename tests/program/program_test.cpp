// The game's program: names, the generated text and its run through the
// interpreter, the editor command, and the menu's actions through the console.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "editor/program.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "script/script.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace editor;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

std::string cp(const char* s) { return plat::cp(s); }

void addPlace(game::TJogo& g, int n, const char* name, const char* answer, const char* right, const char* wrong,
              bool ends = false) {
    game::TLugar& p = *game::CreatePlace(g, n);
    p.name = cp(name);
    p.expectedAnswer = cp(answer);
    p.placeIfRight = cp(right);
    p.placeIfWrong = cp(wrong);
    p.endsGame = ends;
}

// What the launcher was asked to start.
Strings gArgs;
int gCalls = 0, gResult = 0;
int recordLaunch(const std::string&, const Strings& args, bool) {
    gArgs = args;
    ++gCalls;
    return gResult;
}

// A game folder of its own, the recorder as launcher, and aula.lud as the game file
// (set again by use() after each InProc, which starts the application state afresh).
struct InGame {
    fs::path before = fs::current_path();
    std::string dir = tempDir();
    InGame() {
        fs::current_path(dir);
        game::resetModelState();
        resetProgramState();
        programState().launcher = recordLaunch;
        gCalls = gResult = 0;
    }
    ~InGame() {
        resetProgramState();
        fs::current_path(before);
    }
    static void use() { game::session().currentGameFile = "aula.lud"; }
};

struct EnvVar {
    std::string name, old;
    bool had;
    EnvVar(const char* n, const char* value) : name(n), had(std::getenv(n) != nullptr) {
        if (had) old = std::getenv(n);
        value ? setenv(n, value, 1) : unsetenv(n);
    }
    ~EnvVar() { had ? setenv(name.c_str(), old.c_str(), 1) : unsetenv(name.c_str()); }
};

}  // namespace

TEST(ProgramText, TranscribedAndPlain) {
    game::TJogo g;
    g.general.name = cp("Viagem à serra");
    addPlace(g, 1, "Capa", "sim", "Fase1", "");
    addPlace(g, 2, "Fase1", "a|b", "Rio|Mar", "Capa");
    addPlace(g, 4, "Erro", "c", "", "Capa");  // place 3 stays empty and is skipped
    addPlace(g, 5, "Fim", "x", "Capa", "Capa", true);
    addPlace(g, 6, "Livre", "y", "", "");
    auto place = [](const char* n) {
        return std::string("\r\n@") + n + "\r\n    seja $LUGAR = \"" + n + "\"\r\n    chama remoto \"" + n + "\"\r\n";
    };
    const std::string title = cp("* Programação do jogo Viagem à serra\r\n");
    EXPECT_EQ(programText(g, false), title + place("Capa") + place("Fase1") + place("Erro") + place("Fim") +
                                         place("Livre"));
    // Transcribed, each place honours Esc; an answer list accepts each of its answers (it used to be
    // compared whole, "a|b", so no answer was ever right), and the program ends before its Esc question.
    auto esc = [](const char* n) {
        return std::string("    se $STATUS = \"$ESC$\" chama @#confirma-fim\r\n    se $STATUS = \"$ESC$\" desvia @") + n +
               "\r\n";
    };
    EXPECT_EQ(programText(g, true),
              title + place("Capa") + esc("Capa") + "    se $RESPOSTA = \"sim\"\r\n        desvia @Fase1\r\n    fim se\r\n" +
                  place("Fase1") + esc("Fase1") + "    se $RESPOSTA = \"a\" desvia @Rio\r\n" +
                  "    se $RESPOSTA = \"b\" desvia @Mar\r\n    desvia @Capa\r\n" + place("Erro") + esc("Erro") +
                  "    se $RESPOSTA <> \"c\"\r\n        desvia @Capa\r\n    fim se\r\n" + place("Fim") + esc("Fim") +
                  "    termina mudo\r\n" + place("Livre") + esc("Livre") + "    termina mudo\r\n\r\n@#confirma-fim\r\n" +
                  cp("    escreve \"Confirma fim? \" &\r\n    lê $TECLA &\r\n    escreve $TECLA\r\n") +
                  "    se $TECLA = \"S\" termina mudo\r\n    retorna\r\n");

    // A destination holding a blank is jumped to by its quoted name.
    game::TJogo h;
    addPlace(h, 1, "Fase 1", "sim", " Final feliz ", "Fase 1");
    EXPECT_NE(programText(h, true).find(cp("        desvia \"Final feliz\"\r\n    senão\r\n"
                                           "        desvia \"Fase 1\"\r\n")),
              std::string::npos);
}

TEST(ProgramText, GeneratedProgramPlaysThroughTheInterpreter) {
    InProc p("ns");  // the answers to two "Confirma fim?" questions
    game::TJogo g;
    addPlace(g, 1, "Início", "sim|s", "Final feliz", "Volta");
    addPlace(g, 2, "Volta", "de novo", "", "Início");
    addPlace(g, 3, "Final feliz", "", "Início", "Volta", true);
    const std::string file = tempDir() + "/rota.pro";
    writeText(file, programText(g, true));

    // The host plays each place by answering from a list, as the player would.
    auto play = [&](Strings answers) {
        Strings visits;
        script::scriptReset();
        script::RunResult r = script::scriptRunWithHost(file, [&](const std::string& arg) {
            EXPECT_EQ(script::scriptGetVariable("LUGAR"), arg);
            visits.push_back(plat::cp1252ToUtf8(arg));
            std::string answer = answers.empty() ? std::string() : answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            script::scriptSetVariable("RESPOSTA", answer);
            script::scriptSetVariable("STATUS", answer == "ESC" ? "$ESC$" : "$OK$");
            return std::string("0");
        });
        EXPECT_EQ(r.code, script::RunOk) << "line " << r.line;
        return visits;
    };
    // Volta answered right has no jump of its own and runs on into Final feliz.
    EXPECT_EQ(play({"talvez", "de novo"}), (Strings{"Início", "Volta", "Final feliz"}));
    EXPECT_EQ(play({"talvez", "outra", "sim"}), (Strings{"Início", "Volta", "Início", "Final feliz"}));
    // The second accepted answer has no place of its own: on to the next place, as plain play goes.
    EXPECT_EQ(play({"S", "de novo"}), (Strings{"Início", "Volta", "Final feliz"}));
    // Esc asks "Confirma fim?": N shows the place again, S ends the game.
    EXPECT_EQ(play({"ESC", "sim"}), (Strings{"Início", "Início", "Final feliz"}));
    EXPECT_EQ(play({"ESC"}), (Strings{"Início"}));
    EXPECT_TRUE(p.traced("speak Confirma fim? "));
}

TEST(ProgramEditor, CommandForEachSetting) {
    InGame game;
    writeText(game.dir + "/aula.pro", "");
    const std::string target = plat::mapPath("aula.pro");
    EnvVar visual("VISUAL", nullptr), editorVar("EDITOR", nullptr), terminal("TERMINAL", nullptr);
    {
        // A setting with a blank is one program (the quoting of a command line).
        InProc p("", "[LUDIVAR]\nEDITOR=c:\\meus programas\\editor.exe\n");
        EditorCommand c = editorCommand("aula.pro", false);
        EXPECT_EQ(c.program, plat::mapPath("c:\\meus programas\\editor.exe"));
        EXPECT_EQ(c.args, Strings{target});
        EXPECT_FALSE(c.inTerminal);
        EXPECT_TRUE(editorCommand("aula.pro", true).inTerminal);
    }
    {
        InProc p("", "[LUDIVAR]\nEDITOR=\"/opt/meu editor/ed\" -n \"a b\" x\n");  // already quoted
        EXPECT_EQ(editorCommand("aula.pro", false).args, (Strings{"-n", "a b", "x", target}));
    }
    InProc p;
    EditorCommand c = editorCommand("aula.pro", false);
    EXPECT_EQ(c.program, "xdg-open");
    EXPECT_EQ(c.args, Strings{target});

    // $VISUAL before $EDITOR, read by the shell as the user wrote it: on our terminal,
    // or in a terminal emulator from the window.
    EnvVar v("VISUAL", "vim -c 'set ff=dos'");
    EnvVar e("EDITOR", "nano");
    const Strings shell = {"/bin/sh", "-c", "vim -c 'set ff=dos' \"$@\"", "editor", target};
    c = editorCommand("aula.pro", true);
    EXPECT_TRUE(c.inTerminal);
    EXPECT_EQ(c.program, shell[0]);
    EXPECT_EQ(c.args, Strings(shell.begin() + 1, shell.end()));
    const std::string bin = tempDir();
    writeText(bin + "/xterm", "#!/bin/sh\n");
    chmod((bin + "/xterm").c_str(), 0755);
    EnvVar path("PATH", bin.c_str());
    c = editorCommand("aula.pro", false);
    EXPECT_EQ(c.program, bin + "/xterm");
    Strings want = {"-e"};
    want.insert(want.end(), shell.begin(), shell.end());
    EXPECT_EQ(c.args, want);
}

TEST(ProgramEditor, RunWaitsAndReports) {
    InGame game;
    {
        InProc p("", "[ECOLAR]\nTEMPOESPERAPROGVOLTAR=2000\n");
        const uint64_t start = p.now();
        bool ok = false;
        p.run([&] { ok = runEditor("aula.pro"); });
        EXPECT_TRUE(ok && gCalls == 1 && p.traced("speak Chamando editor"));
        EXPECT_GE(p.now() - start, 2000u);
    }
    for (bool recorder : {true, false}) {  // a failed start; the headless front starting nothing
        gResult = -1;
        if (!recorder) resetProgramState();
        InProc p;
        bool ok = true;
        p.run([&] { ok = runEditor("aula.pro"); });
        EXPECT_FALSE(ok);
        EXPECT_TRUE(p.traced("speak Erro na edição do arquivo de programa"));
    }
    // A started editor is waited for until it ends.
    static int pid = -1;
    programState().launcher = [](const std::string&, const Strings&, bool) {
        return pid = plat::spawnProgram("sleep", {"0.3"});
    };
    InProc p;
    p.run([] { runEditor("aula.pro"); });
    ASSERT_GT(pid, 0);
    EXPECT_FALSE(plat::processRunning(pid));
}

TEST(ProgramMenu, CreateAndGenerate) {
    InGame game;
    game::TJogo& g = game::current();
    addPlace(g, 1, "Capa", "sim", "Fim", "");
    addPlace(g, 2, "Fim", "", "", "", true);
    auto session = [](const std::string& keys, void (*fn)()) {
        InProc p(keys, "", true, InProc::KeepGame);
        InGame::use();
        p.run(fn);
        return p.traceText();
    };
    // The proposed name accepted: an empty file, the game's program, opened.
    session("{Enter}", [] { createProgram(true); });
    EXPECT_EQ(g.general.program, "aula.pro");
    EXPECT_EQ(readText(game.dir + "/aula.pro"), "");
    EXPECT_EQ(gArgs, Strings{plat::mapPath("aula.pro")});

    // An existing file is kept unless the author agrees to lose it.
    writeText(game.dir + "/aula.pro", "guardado");
    g.general.program = "antes.pro";
    std::string said = session("{Enter}n", [] { createProgram(false); });
    EXPECT_NE(said.find("speak Arquivo já existe, quer destruir? "), std::string::npos);
    EXPECT_EQ(readText(game.dir + "/aula.pro"), "guardado");
    EXPECT_EQ(g.general.program, "antes.pro");

    // Generating: S transcribes, N does not.
    gCalls = 0;
    session("{Enter}ss", generateProgram);
    EXPECT_EQ(readText(game.dir + "/aula.pro"), programText(g, true));
    session("roteiro{Enter}N", generateProgram);
    EXPECT_EQ(readText(game.dir + "/roteiro.pro"), programText(g, false));
    EXPECT_EQ(g.general.program, "roteiro.pro");
    EXPECT_EQ(gCalls, 2);

    // Esc at the question: the program was created and named, nothing is written.
    session("outro.PRO{Enter}{Esc}", generateProgram);
    EXPECT_EQ(g.general.program, "outro.PRO");
    EXPECT_EQ(readText(game.dir + "/outro.PRO"), "");
    EXPECT_EQ(gCalls, 2);

    // A file that cannot be created leaves the game's program alone.
    said = session("nao/ha/x{Enter}", [] { createProgram(false); });
    EXPECT_NE(said.find("speak Programa não pôde ser criado"), std::string::npos);
    EXPECT_EQ(g.general.program, "outro.PRO");
}

TEST(ProgramMenu, MenuAssociateEditDrop) {
    InGame game;
    game::TJogo& g = game::current();
    g.general.program = "velho.pro";
    writeText(game.dir + "/existente.pro", "* meu\r\n");
    auto session = [](const std::string& keys, void (*fn)()) {
        InProc p(keys, "", true, InProc::KeepGame);
        InGame::use();
        p.run(fn);
        return p.traceText();
    };
    std::string said = session("{Esc}", programMenu);
    EXPECT_NE(said.find("speak Desistiu"), std::string::npos);
    EXPECT_EQ(g.general.program, "velho.pro");

    said = session("{Down}{Down}{Down}{Down}{Enter}", programMenu);  // the fifth option
    EXPECT_NE(said.find("speak Programa inibido."), std::string::npos);
    EXPECT_EQ(g.general.program, "");

    // Editing with no program asks for one first, then opens it.
    said = session("existente.pro{Enter}", editProgram);
    EXPECT_NE(said.find("speak Programa não está selecionado."), std::string::npos);
    EXPECT_EQ(g.general.program, "existente.pro");
    EXPECT_EQ(gArgs, Strings{plat::mapPath("existente.pro")});

    session("{Esc}", associateProgram);  // giving up keeps what there was
    EXPECT_EQ(g.general.program, "existente.pro");
    g.general.program.clear();
    gCalls = 0;
    session("{Esc}", editProgram);
    EXPECT_EQ(gCalls, 0);
}
