// The first start of a new user: the demo games are copied to the user's games
// folder, and the main question is heard soon, the folder said in a few words and
// its full path kept in sight.
#include <gtest/gtest.h>

#include <string>

#include "app/startup.h"
#include "console/console.h"
#include "player/play.h"
#include "support/headless.h"
#include "support/inproc.h"
#include "util/folders.h"

namespace {

constexpr uint64_t kQuestionWithinMs = 3000;

// The virtual time at which everything start-up said has been heard: the main
// question's first sound comes then.
struct StartTiming {
    uint64_t questionAt = 0;
    std::vector<std::string> trace;
    std::string bottom;  // the screen's last rows at the question
};

StartTiming startOnce(InProc& ip) {
    StartTiming t;
    ip.run([&] {
        app::StartUp();
        con::waitSpeech();
        t.questionAt = ip.now();
        app::MainMenu();
        for (int r = 20; r <= 25; ++r) t.bottom += ip.row(r) + "\n";
        app::ShutDown();
    });
    t.trace = ip.trace;
    return t;
}

TEST(FirstStart, TheQuestionComesWithinThreeSecondsAndTheFolderIsSaidBriefly) {
    InProc first("{Esc}", "", false);
    const std::string games = util::userDataDir() + "/jogos";
    const StartTiming a = startOnce(first);
    EXPECT_TRUE(first.traced("speak Seus jogos ficam na pasta jogos em sua pasta pessoal")) << first.traceText();
    for (const std::string& e : a.trace) EXPECT_EQ(e.find(games), std::string::npos) << "the path was said: " << e;
    EXPECT_NE(a.bottom.find("Pasta de jogos: " + games), std::string::npos) << a.bottom;
    RecordProperty("questionAtMs", int(a.questionAt));  // the figure, in the XML report
    EXPECT_LE(a.questionAt, kQuestionWithinMs) << first.traceText();
    EXPECT_TRUE(first.traced("speak Opção: Jogar, Criar ou Editar? "));
}

}  // namespace
