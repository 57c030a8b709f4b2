// Lines written to a file channel are buffered: they wait in memory until a
// command that could look at the disk, the pupil or the network, the program's
// end or the periodic flush.  Each case runs single lines (as a program's lines
// run) and reads the file between them.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>

#include "safety/safety.h"
#include "support/script_run.h"

using namespace script;

namespace {

struct FileWrites : ::testing::Test {
    std::string dir = tempDir();
    std::unique_ptr<InProc> io;
    void start(const std::string& keys = "") {
        io.reset();
        io = std::make_unique<InProc>(keys, "", false);
        resetState();
        io->run([] { scriptReset(); });
    }
    void SetUp() override { start(); }
    void TearDown() override {
        io->run([] { closeAllChannels(); });
        resetState();
    }
    std::string file(const std::string& name) { return dir + "/" + name; }
    std::string quoted(const std::string& name) { return "\"" + file(name) + "\""; }
    // Runs lines one by one inside the program's folder; false when one failed.
    bool lines(const std::vector<std::string>& text) {
        bool ok = true;
        io->run([&] {
            safety::GameGuard guard(safety::programScope(file("p.pro")));
            for (const std::string& t : text) ok = executeLine(plat::utf8ToCp1252(t), false) && ok;
        });
        return ok;
    }
};

TEST_F(FileWrites, OnDiskBeforeEveryCommandThatCouldLookAtIt) {
    struct Case {
        const char* what;
        std::vector<std::string> before;  // after ABRE #1, before the line written
        std::string point;                // the line after which the data is on disk
        std::string keys = "";
    };
    writeText(file("outro.txt"), "outro\r\n");
    const std::string out = file("saida.txt");
    const Case cases[] = {
        {"FECHA", {}, "FECHA #1"},
        {"ABRE of another channel", {}, "ABRE #2 " + quoted("outro.txt")},
        {"LÊ of a file", {"ABRE #2 " + quoted("outro.txt")}, "LÊ #2 X"},
        {"LE of a file", {"ABRE #2 " + quoted("outro.txt")}, "LE #2 X"},
        {"LÊ of a key", {}, "LÊ A &", "x"},
        {"REPLICA", {}, "REPLICA " + quoted("outro.txt") + " " + quoted("copia.txt")},
        {"RENOMEIA", {"REPLICA " + quoted("outro.txt") + " " + quoted("r1.txt")},
         "RENOMEIA " + quoted("r1.txt") + " " + quoted("r2.txt")},
        {"REMOVE", {"REPLICA " + quoted("outro.txt") + " " + quoted("apagar.txt")}, "REMOVE " + quoted("apagar.txt")},
        {"BUSCA", {}, "BUSCA X " + quoted("*.txt")},
        {"DIR", {}, "DIR CRIA " + quoted("pasta")},
        {"FALA", {}, "FALA \"oi\" &"},
        {"ESCREVE spoken on the screen", {}, "ESCREVE \"na tela\""},
        {"CHAMA REMOTO", {}, "CHAMA REMOTO \"lugar\""},
    };
    for (const Case& c : cases) {
        start(c.keys);
        std::remove(out.c_str());
        state().host = [](const std::string&) { return std::string("feito"); };
        state().stop = false;  // as inside a run, where CHAMA may call
        ASSERT_TRUE(lines({"ABRE #1 \"" + out + "\" &"})) << c.what;
        ASSERT_TRUE(lines(c.before)) << c.what;
        ASSERT_TRUE(lines({"ESCREVE #1 \"linha\"", "ESCREVE #1 \"e mais\" &"})) << c.what;
        EXPECT_EQ(state().status, 0) << c.what;
        EXPECT_EQ(readText(out), "") << c.what << ": written at once, not buffered";
        EXPECT_TRUE(lines({c.point})) << c.what;
        EXPECT_EQ(readText(out), "linha\r\ne mais") << c.what;
    }
}

TEST_F(FileWrites, ComputingLinesLeaveThemBufferedUntilTheirTimeIsUp) {
    const std::string out = file("tempo.txt");
    ASSERT_TRUE(lines({"ABRE #1 \"" + out + "\" &", "ESCREVE #1 \"linha\"", "SOMA I 1", "SEJA $X (I*3)"}));
    auto pollLines = [] {
        for (int k = 0; k < kStopPollLines; ++k) stopKeyPressed();
    };
    // Within its time, a look at the stop key leaves the buffer alone...
    state().lastFlush = std::chrono::steady_clock::now();
    io->run(pollLines);
    EXPECT_EQ(readText(out), "");
    // ...and past it, writes it.
    state().lastFlush = std::chrono::steady_clock::now() - std::chrono::milliseconds(kFlushMs);
    io->run(pollLines);
    EXPECT_EQ(readText(out), "linha\r\n");
}

TEST_F(FileWrites, OnDiskWhenTheProgramEnds) {
    const std::string out = file("fim.txt");
    const std::string program = "ABRE #1 \"" + out + "\" &\nREPETE I 3\nESCREVE #1 \"linha \" I\nFIM REPETE\n";
    for (const char* ending : {"", "TERMINA\n", "SOMA I\n"}) {  // off the end, TERMINA, a failed line
        start();
        std::remove(out.c_str());
        RunResult r;
        io->run([&] { r = scripttest::run(program + ending, "", dir); });
        EXPECT_EQ(r.code, *ending == 'S' ? RunFailed : RunOk) << ending;
        EXPECT_EQ(readText(out), "linha 1\r\nlinha 2\r\nlinha 3\r\n") << ending;
    }
}

// The file may grow only a few bytes: what is buffered beyond them fails when
// it is written, and the status tells so at the next ESCREVE or FECHA.
struct SmallFileLimit {
    struct rlimit old {};
    void (*oldHandler)(int) = nullptr;
    explicit SmallFileLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~SmallFileLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

TEST_F(FileWrites, AFailedWriteShowsInTheStatus) {
    struct Case {
        const char* what;
        std::vector<std::string> then;  // after the long line is buffered
    };
    const Case cases[] = {
        {"told by FECHA", {"FECHA #1"}},
        {"told by the next ESCREVE after a flush", {"BUSCA X \"*.nada\"", "ESCREVE #1 \"x\""}},
    };
    const std::string out = file("cheio.txt");
    for (const Case& c : cases) {
        start();
        std::remove(out.c_str());
        {
            SmallFileLimit limit(4);
            ASSERT_TRUE(lines({"ABRE #1 \"" + out + "\" &", "ESCREVE #1 \"uma linha longa demais\""})) << c.what;
            EXPECT_EQ(state().status, 0) << c.what;
            state().status = 0;
            EXPECT_TRUE(lines(c.then)) << c.what;
            EXPECT_EQ(state().status, EFBIG) << c.what;
            lines({"FECHA #1"});
        }
        EXPECT_EQ(readText(out).size(), 4u) << c.what;
    }
}

}  // namespace
