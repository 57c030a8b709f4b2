// Hostile games in the window, keys typed through XTest as a pupil types them and a
// window manager giving the focus: the game's own keys never reach Ludivar's window,
// keys typed ahead never answer a question, a spoofed name is quoted after Ludivar's
// words, a FIFO does not hang the game and the stop key ends lines that are slow.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"
#include "support/xserver.h"
#include "xdisplay.h"

namespace {

using testsupport::runCommand;

bool exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

// The program in its window, its sound trace read back as it grows.
class HostileWindow : public testing::Test {
protected:
    void SetUp() override {
        LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
        LUDIVAR_REQUIRE(testsupport::haveProgram("xdotool"), "xdotool is not installed");
        LUDIVAR_REQUIRE(testsupport::haveProgram("openbox"), "openbox is not installed");
        std::string why;
        // The focus check asks the window manager which window is active.
        LUDIVAR_REQUIRE(testsupport::startWindowManager(wm_, why), why);
        dir_ = makeTempDir();
    }
    void TearDown() override {
        child_.stop();
        wm_.stop();
    }

    void start(const std::vector<std::string>& args) {
        testsupport::SpawnOptions o;
        o.errFile = dir_ + "/err.txt";
        o.env = {"ECOLAR_CONFIG_DIR=" + dir_ + "/config", "XDG_DATA_HOME=" + dir_ + "/data", "SDL_AUDIODRIVER=dummy"};
        std::vector<std::string> argv{LUDIVAR_BIN, "--window", "--trace", dir_ + "/trace.txt"};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_TRUE(testsupport::spawn(child_, argv, o));
        testsupport::waitUntil([&] {
            std::istringstream ids(runCommand("xdotool search --onlyvisible --pid " + std::to_string(child_.pid)));
            ids >> id_;
            return !id_.empty() || !child_.running();
        }, 60000, 100);
        ASSERT_FALSE(id_.empty()) << "no window: " << err();
    }

    std::string err() const { return readText(dir_ + "/err.txt"); }
    std::string trace() const { return readText(dir_ + "/trace.txt"); }
    // Lines of the trace that hold `text`.
    int heard(const std::string& text) const {
        std::istringstream in(trace());
        int n = 0;
        for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
        return n;
    }
    bool waitHeard(const std::string& text, int times = 1) {
        return testsupport::waitUntil([&] { return heard(text) >= times || !child_.running(); }, 30000, 20) &&
               heard(text) >= times;
    }
    // Real key events to the window, given the focus as a pupil gives it.
    void keys(const std::string& xdotoolKeys) {
        runCommand("xdotool windowactivate --sync " + id_ + " key --delay 30 " + xdotoolKeys);
    }
    // A program that ended leaves its window up, titled "Programa terminado", until Esc.
    // Its last words are spoken in real time first (an error naming a long path takes
    // 15 s), so the deadline only catches a program that never ends.
    int closeAfterEnd() {
        testsupport::waitUntil([&] {
            return !child_.running() ||
                   runCommand("xdotool getwindowname " + id_).find("Programa terminado") != std::string::npos;
        }, 90000, 50);
        if (child_.running()) keys("Escape");
        return child_.waitExit(30000);
    }
    std::string program(const std::string& name, const std::string& utf8) {
        writeText(dir_ + "/" + name, plat::utf8ToCp1252(utf8));
        return dir_ + "/" + name;
    }

    testsupport::Child wm_, child_;
    std::string dir_, id_;
};

TEST_F(HostileWindow, TheGamesKeysNeverReachLudivarsOwnWindow) {
    // Allowed to control the desktop, the game types S while Ludivar's window has the
    // focus, hoping to answer the question that follows: the command is refused there.
    ASSERT_NO_FATAL_FAILURE(start({"--script", program("digita.pro", "DIGITA \"S\"\r\nESCREVE \"digitou\"\r\n"
                                                                     "EXECUTA \"touch " + dir_ + "/executou\"\r\n")}));
    ASSERT_TRUE(waitHeard("Controlar a área de trabalho")) << trace() << err();
    keys("s");
    EXPECT_EQ(closeAfterEnd(), 1) << err();
    EXPECT_EQ(heard("speak Erro de execução no programa digita.pro, linha 1: DIGITA \"S\""), 1) << trace();
    EXPECT_EQ(heard("speak digitou"), 0) << trace();
    EXPECT_EQ(heard("Executar o programa touch"), 0) << trace();
    EXPECT_FALSE(exists(dir_ + "/executou"));
}

TEST_F(HostileWindow, KeysTypedAheadNeverAnswerAQuestion) {
    // The program asks only once a key is waiting: that S is surely typed ahead of the
    // question, and must not answer it.
    ASSERT_NO_FATAL_FAILURE(start({"--script", program("adiante.pro", "ESCREVE \"aperte\"\r\n@espera\r\n"
                                                                      "OBSERVA TECLADO V\r\nSE V = 0 DESVIA @espera\r\n"
                                                                      "EXECUTA \"touch " + dir_ + "/executou\"\r\n")}));
    ASSERT_TRUE(waitHeard("speak aperte")) << trace() << err();
    keys("s");
    ASSERT_TRUE(waitHeard("Executar o programa touch")) << trace() << err();
    keys("n");
    EXPECT_EQ(closeAfterEnd(), 1) << err();
    EXPECT_EQ(heard("speak Não permitido: executar o programa touch"), 1) << trace();
    EXPECT_FALSE(exists(dir_ + "/executou"));
}

TEST_F(HostileWindow, ASpoofedNameIsQuotedAfterLudivarsWords) {
    const std::string games = dir_ + "/jogos", game = games + "/jogo";
    ASSERT_EQ(std::system(("mkdir -p '" + game + "'").c_str()), 0);
    writeText(game + "/Jogo.lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=Sorteio quer abrir o caderno. Permitir? S/N. Agora "
                                 "responda\r\nSCRIPT=Jogo.pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\n"
                                 "NOME=Capa\r\nTERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n"));
    writeText(game + "/Jogo.pro", "EXECUTA \"true\"\r\n");
    writeText(dir_ + "/ECOLAR.INI", "[LUDIVAR]\r\nDIRJOGOS=" + games + "\r\n");
    ASSERT_NO_FATAL_FAILURE(start({"--ini", dir_ + "/ECOLAR.INI", game + "/Jogo.lud"}));
    const std::string asked = "speak Executar o programa true, do sistema? Pedido do jogo \"Sorteio quer abrir o "
                              "caderno. Permitir?\". Permitir? S/N ";
    // Enter through the title card until the question comes.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        if (heard(asked) > 0 || !child_.running()) return true;
        keys("Return");
        return false;
    }, 30000, 500)) << trace() << err();
    ASSERT_EQ(heard(asked), 1) << trace();
    keys("n");
    EXPECT_TRUE(waitHeard("speak Não permitido: executar o programa true")) << trace();
    // Whatever it says about the refusal, Esc ends it.
    testsupport::waitUntil([&] {
        if (!child_.running()) return true;
        keys("Escape");
        return false;
    }, 30000, 500);
    EXPECT_FALSE(child_.running()) << trace();
}

TEST_F(HostileWindow, AFifoDoesNotHangTheGame) {
    ASSERT_EQ(mkfifo((dir_ + "/fila").c_str(), 0600), 0);
    ASSERT_NO_FATAL_FAILURE(
        start({"--script", program("fila.pro", "ABRE #1 \"" + dir_ + "/fila\"\r\nLÊ #1 $X\r\nESCREVE \"nunca\"\r\n")}));
    EXPECT_EQ(closeAfterEnd(), 1) << err();
    EXPECT_EQ(heard("speak Erro na abertura do arquivo " + dir_ + "/fila"), 1) << trace() << err();
    EXPECT_EQ(heard("speak nunca"), 0);
}

TEST_F(HostileWindow, TheStopKeyEndsSlowLines) {
    // Each line reloads a 14 MB program: counting lines alone, the key would wait for thousands of loads.
    std::string big = "ESCREVE \"girando\"\r\nDESVIA SCRIPT \"" + dir_ + "/grande.pro\"\r\n";
    const std::string filler = "* " + std::string(3500, 'x') + "\r\n";
    while (big.size() < (size_t(14) << 20)) big += filler;
    writeText(dir_ + "/grande.pro", big);
    ASSERT_NO_FATAL_FAILURE(start({"--script", dir_ + "/grande.pro"}));
    ASSERT_TRUE(waitHeard("speak girando")) << err();
    keys("ctrl+Pause");
    EXPECT_EQ(closeAfterEnd(), 1) << err();
    EXPECT_NE(err().find("Programa interrompido: grande.pro, linha "), std::string::npos) << err();
}

}  // namespace
