// The program as a Linux user starts it: on a pseudo-terminal (a display that cannot be
// reached, a terminal of 80 x 24, no sound device, the Braille mode asked for where no
// key releases come), and from the command line (help, version, refusals, hangs).
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <filesystem>
#include <utility>
#include <vector>

#include "support/headless.h"
#include "support/pty.h"

namespace {

std::string program() {
    const char* bin = std::getenv("LUDIVAR_BIN");
    return bin && *bin ? bin : LUDIVAR_BIN;
}

// The program on a pseudo-terminal of `rows` x 80, its trace in a file; every wait is
// for a condition (a deadline only keeps a broken program from hanging the test).
class PtyRun {
public:
    PtyRun(int rows, const std::vector<std::string>& env) {
        dir_ = tempDir();
        trace_ = dir_ + "/trace.txt";
        // Not a first start (which says where the games went instead of the greeting).
        std::filesystem::create_directories(dir_ + "/data/ludivar");
        writeText(dir_ + "/data/ludivar/.jogos-copiados", "\n");
        std::vector<std::string> all = {"WAYLAND_DISPLAY", "DISPLAY=:97",  // nothing listens there
                                        "HOME=" + dir_, "XDG_DATA_HOME=" + dir_ + "/data", "ECOLAR_CONFIG_DIR=" + dir_ + "/config",
                                        "SDL_AUDIODRIVER=dummy", "TERM=xterm"};
        all.insert(all.end(), env.begin(), env.end());
        started_ = pty_.start({program(), "--trace", trace_}, all, rows, 80);
    }
    bool started() const { return started_; }

    // Reads the terminal (the program would block on a full one) until `event` begins
    // a trace line; false when the program ends first or a minute passes.
    bool waitTrace(const std::string& event) {
        return pty_.waitFor([&] { return ("\n" + readText(trace_)).find("\n" + event) != std::string::npos; });
    }
    void send(const std::string& bytes) {
        if (!pty_.send(bytes)) ADD_FAILURE() << "write";
    }
    int waitExit() { return pty_.waitExit(); }
    const std::string& output() const { return pty_.output(); }
    std::string trace() const { return readText(trace_); }

private:
    std::string dir_, trace_;
    testsupport::Pty pty_;
    bool started_ = false;
};

struct Cli {
    int code;
    std::string out;
};
// A command line through the shell, stdout and stderr together; `timeout` stands
// guard over the hangs these tests look for.
Cli cli(const std::string& args, const std::string& env = "") {
    const std::string cmd = "cd '" + tempDir() + "' && env -u DISPLAY -u WAYLAND_DISPLAY " + env + " timeout 60 '" +
                            program() + "' " + args + " 2>&1 </dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    Cli r{-1, ""};
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace

TEST(LinuxFronts, OnATerminalTheProgramSaysWhatTheMachineLacks) {
    struct Case {
        const char* what;
        int rows;
        std::vector<std::string> env;
        std::vector<std::pair<std::string, std::string>> steps;  // trace event awaited, then bytes typed
    };
    // A key cuts the speech at once (the trace still names each text), so a step types
    // as soon as its text is handed over instead of listening to it all.
    const std::string greeting = "speak Ludivar - editor de jogos educacionais";
    const std::string question = "speak Opção: Jogar, Criar ou Editar?";
    const std::string farewell = "speak Fim do Ludivar";
    const Case cases[] = {
        // DISPLAY set but unreachable: the terminal, not an invisible window.
        {"unreachable display", 25, {}, {{greeting, "\x1b"}, {question, ""}, {farewell, "\x1b"}}},
        {"80 x 24", 24, {},
         {{"speak Terminal de 80 por 24, menor que 80 por 25: a tela acompanha o cursor.", "\x1b"},
          {farewell, "\x1b"}}},
        {"no sound device", 25, {"SDL_AUDIODRIVER=nenhum"}, {{"speak Sem dispositivo de som: ", "\x1b"}, {farewell, "\x1b"}}},
        // Ctrl+Alt+F11 as xterm sends it: refused with its reason, and letters still type.
        {"Braille without key releases", 25, {},
         {{greeting, "\x1b[23;7~"},
          {"speak Teclado Braille indisponível: o terminal não avisa quando as teclas são soltas. Use a janela "
           "gráfica.",
           "x"},
          {"play _120", "\x1b"},
          {farewell, "\x1b"}}},
    };
    for (const Case& c : cases) {
        PtyRun run(c.rows, c.env);
        ASSERT_TRUE(run.started()) << c.what;
        bool ok = true;
        for (const auto& step : c.steps) {
            ok = run.waitTrace(step.first);
            EXPECT_TRUE(ok) << c.what << ": no \"" << step.first << "\" in\n" << run.trace();
            if (!ok) break;
            if (!step.second.empty()) run.send(step.second);
        }
        if (!ok) continue;
        EXPECT_EQ(run.waitExit(), 0) << c.what;
        EXPECT_NE(run.output().find("\x1b[?1049h"), std::string::npos) << c.what << ": not the terminal front";
    }
}

TEST(LinuxFronts, CommandLineAnswersAndRefusals) {
    const std::string dir = tempDir();
    const std::string fifo = dir + "/fila.pro";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    writeText(dir + "/teclas.txt", "{Esc}");
    struct Case {
        std::string args;
        int code;
        std::string says;
    };
    const Case cases[] = {
        {"--help", 0, "--speak TEXTO [--wav ARQ]"},
        {"--version", 0, "ludivar 2.2.0\n"},
        {"--keys '{Esc}'", 2, "--keys e --keys-file só valem com --headless"},
        {"--tty --keys-file " + dir + "/teclas.txt", 2, "só valem com --headless"},
        {"--headless --keys-file " + fifo, 2, "não é um arquivo comum"},
        // A FIFO used to hang and a folder to run as an empty program with status 0.
        {"--script " + fifo, 2, "não é um arquivo comum"},
        {"--script " + dir, 2, "não é um arquivo comum"},
        {"--headless " + fifo, 2, "não é um arquivo comum"},
        {"--check " + dir + "/nada.lud", 1, "Erro ao ler o arquivo do jogo"},
        {"--check " + dir, 2, "não é um arquivo comum"},
        {"--headless --bobagem", 2, "opção desconhecida"},
        // Aloud with no sound device: an error, not a silent success.
        {"--speak 'Olá' ", 1, "Sem dispositivo de som"},
    };
    for (const Case& c : cases) {
        const Cli r = cli(c.args, "SDL_AUDIODRIVER=nenhum");
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    // Every option is explained.
    const std::string help = cli("--help").out;
    for (const char* opt : {"--tty", "--window", "--headless", "--ini", "--keys", "--keys-file", "--screen", "--trace",
                            "--slides", "--check", "--script", "--speak", "--wav", "--help", "--version", "JOGO.lud"})
        EXPECT_NE(help.find(opt), std::string::npos) << opt;
}

TEST(LinuxFronts, ExtremeSettingsNoLongerHang) {
    const std::string dir = tempDir();
    std::string ini = readText(std::string(LUDIVAR_SOURCE_DIR) + "/data/ECOLAR.INI");
    for (const char* key : {"INTERPAL3=", "PAUSAPONTO3="}) {
        const size_t at = ini.find(key);
        ASSERT_NE(at, std::string::npos) << key;
        ini.replace(at, ini.find('\n', at) - at, std::string(key) + "2147483647\r");
    }
    writeText(dir + "/ECOLAR.INI", ini);
    const Cli r = cli("--ini " + dir + "/ECOLAR.INI --speak 'Um. Dois.' --wav " + dir + "/fala.wav");
    EXPECT_EQ(r.code, 0) << r.out;
    struct stat st;
    ASSERT_EQ(stat((dir + "/fala.wav").c_str(), &st), 0);
    // The pause after the first full stop is the longest allowed (ten seconds), not weeks.
    EXPECT_LT(st.st_size, 44 + 2 * 22050 * 40);
}

TEST(LinuxFronts, AGameNamedOnTheCommandLineIsPlayed) {
    const std::string game = std::string(LUDIVAR_TEST_DATA) + "/games/certo/bichos.lud";
    HeadlessResult r = runHeadless("{Enter}", {game});
    EXPECT_EQ(r.exitCode, 3) << r.err;  // the script ran out inside the game
    // Its title card comes straight after the greeting: no question, no folder or file to choose.
    bool named = false;
    for (const std::string& row : r.rows) named = named || row.find("Bichos da mata") != std::string::npos;
    EXPECT_TRUE(named || r.contains("speak Bichos da mata")) << r.err;
    EXPECT_FALSE(r.contains("speak Opção: Jogar, Criar ou Editar?"));
}

TEST(LinuxFronts, TheDateAtTheMainQuestionAsInFields) {
    // Ctrl+F8 used to be taken as an extended key there, opening the menu of the three options.
    const HeadlessResult r = runHeadless("{Ctrl+F8}{Esc}");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.contains("play _de"));  // "... de <mês> de <ano>"
    EXPECT_FALSE(r.contains("speak Jogar"));
}
