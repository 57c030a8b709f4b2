// A game given on the command line, its terminal hung up or the process told to end
// mid-game: the next start offers to go on from the same place, with the points made.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/headless.h"
#include "support/pty.h"

namespace fs = std::filesystem;

namespace {

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";

std::string program() {
    const char* bin = std::getenv("LUDIVAR_BIN");
    return bin && *bin ? bin : LUDIVAR_BIN;
}

// One start of `ludivar --tty GAME` on a terminal, its trace in a file of its own; the
// user's data folder is shared by the starts of one test.
class Start {
public:
    Start(const std::string& home, const std::string& game, int n) : trace_(home + "/trace" + std::to_string(n)) {
        started_ = pty_.start({program(), "--tty", "--trace", trace_, game},
                              {"WAYLAND_DISPLAY", "DISPLAY", "HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
                               "XDG_CONFIG_HOME=" + home + "/config", "ECOLAR_CONFIG_DIR=" + home + "/config",
                               "SDL_AUDIODRIVER=dummy", "TERM=xterm"});
    }
    bool started() const { return started_; }
    // Waits until a trace line begins with `event`, then types `bytes`.
    bool hearThenType(const std::string& event, const std::string& bytes) {
        const bool heard = pty_.waitFor([&] { return ("\n" + trace()).find("\nspeak " + event) != std::string::npos; });
        EXPECT_TRUE(heard) << "never said: " << event << "\n" << trace();
        if (heard && !bytes.empty()) {
            EXPECT_TRUE(pty_.send(bytes));
        }
        return heard;
    }
    int endWith(int sig) {
        ::kill(pty_.pid(), sig);
        return pty_.waitExit();
    }
    int waitExit() { return pty_.waitExit(); }
    std::string trace() const { return readText(trace_); }

private:
    std::string trace_;
    testsupport::Pty pty_;
    bool started_ = false;
};

TEST(ProgressOnClose, AHangUpOrTermMidGameResumesAtThatPlace) {
    // Played on in real time: the colours' short way, and the whole rest once, after SIGTERM.
    struct Case {
        int sig;
        bool playToTheEnd;
    };
    for (const Case& c : {Case{SIGTERM, true}, Case{SIGHUP, false}}) {
        SCOPED_TRACE(c.sig);
        // The game is in the user's games folder: one from elsewhere would first be offered
        // for installing.
        const std::string home = tempDir(), games = home + "/data/ludivar/jogos";
        const std::string game = games + "/formas-e-cores/formas.lud";
        fs::create_directories(games);
        fs::copy(kDemoGames + "/formas-e-cores", games + "/formas-e-cores", fs::copy_options::recursive);
        {
            Start first(home, game, 1);
            ASSERT_TRUE(first.started());
            ASSERT_TRUE(first.hearThenType("Aperte enter", "\r"));        // the title card
            ASSERT_TRUE(first.hearThenType("Vamos aprender", "\r"));
            ASSERT_TRUE(first.hearThenType("Por onde", "cores\r"));
            ASSERT_TRUE(first.hearThenType("Agora as cores.", "vermelho\r"));
            ASSERT_TRUE(first.hearThenType("De que cor é o céu", ""));    // the sky: 10 points so far
            EXPECT_EQ(first.endWith(c.sig), 128 + c.sig);
        }
        Start second(home, game, 2);
        ASSERT_TRUE(second.started());
        ASSERT_TRUE(second.hearThenType("Aperte enter", "\r"));
        ASSERT_TRUE(second.hearThenType("Continuar de onde parou? S/N", "s"));
        ASSERT_TRUE(second.hearThenType("De que cor é o céu", c.playToTheEnd ? "azul\r" : ""));
        EXPECT_EQ(second.trace().find("speak Agora as cores."), std::string::npos) << "started again from the beginning";
        if (!c.playToTheEnd) {
            EXPECT_EQ(second.endWith(SIGTERM), 128 + SIGTERM);
            continue;
        }
        ASSERT_TRUE(second.hearThenType("Agora um desafio", "muu\r"));
        // The points made before the end count: red, blue, the cow and the end.
        ASSERT_TRUE(second.hearThenType("Você fez 40 pontos.", "\r"));
        ASSERT_TRUE(second.hearThenType("Fim do Jogo", "\r"));
        EXPECT_EQ(second.waitExit(), 0);

        // A game played to its end leaves nothing to continue.
        Start third(home, game, 3);
        ASSERT_TRUE(third.started());
        ASSERT_TRUE(third.hearThenType("Aperte enter", "\r"));
        ASSERT_TRUE(third.hearThenType("Vamos aprender", ""));
        EXPECT_EQ(third.trace().find("Continuar de onde parou"), std::string::npos);
        EXPECT_EQ(third.endWith(SIGTERM), 128 + SIGTERM);
    }
}

}  // namespace
