// What a game may reach: names resolved inside its folder only, the questions
// asked once and kept per game, and media that never fetch addresses.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "console/config.h"
#include "console/console.h"
#include "platform/files.h"
#include "platform/media.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

// A games folder with one collection: the game, its shared media beside it, a
// victim outside, links that lead out, and the family root.
struct Tree {
    std::string top = tempDir();
    std::string games = top + "/jogos", game = games + "/colecao/jogo", shared = games + "/colecao/comum";
    std::string victim = top + "/vitima", family = top + "/familia";
    Tree() {
        for (const std::string& d : {game, shared, victim, family + "/sonare/som"}) std::system(("mkdir -p '" + d + "'").c_str());
        writeText(shared + "/som.wav", "x");
        writeText(victim + "/a.txt", "original");
        writeText(family + "/sonare/som/letra.wav", "x");
        symlink((victim + "/a.txt").c_str(), (game + "/atalho.txt").c_str());
        symlink(victim.c_str(), (game + "/pasta").c_str());
        symlink((victim + "/novo.txt").c_str(), (game + "/pendente.txt").c_str());
    }
};

struct Safety : ::testing::Test {
    Tree t;
    std::unique_ptr<InProc> io;
    void start(const std::string& keys, const std::string& ini = "") {
        io.reset();
        io = std::make_unique<InProc>(keys, ini, false);
        plat::setFamilyRoot(t.family);
    }
    void SetUp() override { start(""); }
    void TearDown() override {
        safety::resetSafety();
        plat::setFamilyRoot("");
    }
    safety::Scope scope(const std::string& identity = "jogo 1") {
        safety::Scope s;
        s.name = "Jogo";
        s.folder = t.game;
        s.gamesFolder = t.games;
        s.identity = identity;
        return s;
    }
};

TEST_F(Safety, NamesReachOnlyWhereTheGameMay) {
    ASSERT_TRUE(safety::enterGame(scope()));
    ASSERT_EQ(chdir(t.game.c_str()), 0);
    const std::string raiz = std::string(getenv("XDG_DATA_HOME")) + "/ludivar/raiz";
    struct Case {
        std::string name;
        safety::Access access;
        bool allowed;
    } cases[] = {
        {"dados.txt", safety::Access::Write, true},
        {"nova\\sub\\..\\dados.txt", safety::Access::Write, true},
        {"..\\comum\\som.wav", safety::Access::Read, true},       // collections share media
        {"..\\comum\\som.wav", safety::Access::Write, false},
        {"..\\..\\..\\vitima\\a.txt", safety::Access::Read, false},
        {"..\\..\\..\\vitima\\a.txt", safety::Access::Write, false},
        {t.victim + "/a.txt", safety::Access::Write, false},       // a Linux path
        {"/etc/passwd", safety::Access::Read, false},
        {"atalho.txt", safety::Access::Write, false},               // links lead out
        {"atalho.txt", safety::Access::Read, false},
        {"pasta\\a.txt", safety::Access::Write, false},
        {"pendente.txt", safety::Access::Write, false},             // a link to a file not yet there
        {"nada\\..\\..\\..\\..\\vitima\\b.txt", safety::Access::Write, false},
        {"c:\\sonare\\som\\letra.wav", safety::Access::Read, true}, // the family's data
        {"c:\\..\\..\\vitima\\a.txt", safety::Access::Read, false},
        {"c:\\sonare\\placar.txt", safety::Access::Write, true},    // into the user's copy of the root
    };
    for (const Case& c : cases) {
        std::string path = safety::resolve(c.name, c.access);
        EXPECT_EQ(!path.empty(), c.allowed) << c.name << " -> " << path;
    }
    EXPECT_EQ(safety::resolve("c:\\sonare\\placar.txt", safety::Access::Write), raiz + "/sonare/placar.txt");
    // Once written there, a c:\ name is read from the user's copy first.
    ASSERT_EQ(std::system(("mkdir -p '" + raiz + "/sonare/som'").c_str()), 0);
    writeText(raiz + "/sonare/som/letra.wav", "meu");
    EXPECT_EQ(safety::resolve("C:\\SONARE\\SOM\\LETRA.WAV", safety::Access::Read), raiz + "/sonare/som/letra.wav");
    EXPECT_TRUE(safety::resolveNew("..\\fora.txt").empty());
    EXPECT_EQ(safety::resolveNew("Novo.TXT"), t.game + "/Novo.TXT");
    safety::leaveGame();
    EXPECT_FALSE(safety::resolve("/etc/passwd", safety::Access::Read).empty());  // outside a game nothing is confined
}

TEST_F(Safety, AQuestionIsAskedOnceAndKeptPerGameKindAndTarget) {
    start("SNN");
    const std::string question = "speak Executar o programa calc? Pedido do jogo \"Jogo\". Permitir? S/N ";
    std::vector<bool> answers;
    io->run([&] {
        safety::enterGame(scope());
        answers.push_back(safety::allow(safety::Reach::Run, "calc"));     // asked: S
        answers.push_back(safety::allow(safety::Reach::Run, "calc"));     // kept
        answers.push_back(safety::allow(safety::Reach::Open, "calc"));    // another kind: N
        safety::leaveGame();
        safety::enterGame(scope());
        answers.push_back(safety::allow(safety::Reach::Run, "calc"));     // kept across plays
        safety::leaveGame();
        safety::enterGame(scope("jogo 1, mudado"));
        answers.push_back(safety::allow(safety::Reach::Run, "calc"));     // a changed game asks again: N
        safety::leaveGame();
    });
    EXPECT_EQ(answers, (std::vector<bool>{true, true, false, true, false}));
    EXPECT_EQ(io->tracedCount(question), 2);
    EXPECT_TRUE(io->traced("speak Não permitido: abrir calc"));
}

// A word the line editor opens during a game is the game's text: the pupil is
// asked (a program to run, a document to open); outside a game nothing is asked.
TEST_F(Safety, DocumentsOpenedDuringAGameAreAskedFor) {
    static std::vector<std::string> launched;
    const struct {
        const char* keys;
        bool inGame;
        const char* doc;
        bool launches;
        int questions;
    } rows[] = {
        {"S", true, "calc.exe", true, 1},
        {"N", true, "calc.exe", false, 1},
        {"S", true, "nota.txt", true, 1},
        {"N", true, "nota.txt", false, 1},
        {"", false, "nota.txt", true, 0},
        {"", false, "calc.exe", true, 0},
    };
    for (const auto& r : rows) {
        start(r.keys);
        launched.clear();
        con::console().launcher = [](const std::string& prog, const std::vector<std::string>& args) {
            launched.push_back(prog + "|" + (args.empty() ? std::string() : args[0]));
            return true;
        };
        io->run([&] {
            if (r.inGame) safety::enterGame(scope());
            con::openDocument(r.doc);
            if (r.inGame) safety::leaveGame();
        });
        EXPECT_EQ(launched.size(), r.launches ? 1u : 0u) << r.keys << r.doc;
        int asked = 0;
        for (const std::string& e : io->trace)
            if (e.find("Permitir? S/N") != std::string::npos) ++asked;
        EXPECT_EQ(asked, r.questions) << r.keys << r.doc;
    }
}

TEST_F(Safety, OnlyTheUsersOwnSettingsTrustAFolder) {
    const std::string trust = "[SEGURANCA]\nPASTASCONFIAVEIS=/nao/existe; " + t.games + "\n";
    // A settings file in the game's folder (and the program's start folder) is no one's word.
    writeText(t.game + "/ECOLAR.INI", trust);
    ASSERT_EQ(chdir(t.game.c_str()), 0);
    con::setStartFolder(t.game);
    start("N");
    bool allowed = true;
    io->run([&] {
        safety::enterGame(scope());
        allowed = safety::allow(safety::Reach::Network, "servidor:80");
    });
    EXPECT_FALSE(allowed);
    // The same setting given with --ini trusts the games folder: nothing is asked.
    start("", trust);
    io->run([&] {
        safety::enterGame(scope());
        allowed = safety::allow(safety::Reach::Network, "servidor:80");
    });
    EXPECT_TRUE(allowed);
    EXPECT_EQ(io->traceText().find("Permitir?"), std::string::npos);
}

// A loopback server that counts the connections made to it.
struct Counter {
    int fd = -1, port = 0;
    std::atomic<int> hits{0};
    std::atomic<bool> done{false};
    std::thread th;
    Counter() {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        listen(fd, 8);
        th = std::thread([this] {
            while (!done) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 20) > 0) {
                    int c = accept(fd, nullptr, nullptr);
                    if (c >= 0) {
                        ++hits;
                        close(c);
                    }
                }
            }
        });
    }
    ~Counter() {
        done = true;
        th.join();
        close(fd);
    }
};

TEST(SafetyMedia, PlaylistsNeverFetchTheAddressesTheyList) {
    Counter server;
    const std::string dir = tempDir(), url = "http://127.0.0.1:" + std::to_string(server.port);
    writeText(dir + "/lista.m3u", "#EXTM3U\n" + url + "/som.mp3\n");
    writeText(dir + "/lista.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\n" + url + "/parte.ts\n#EXT-X-ENDLIST\n");
    writeText(dir + "/http:x", "not a medium");  // a relative name that looks like an address
    for (const char* f : {"/lista.m3u", "/lista.m3u8"}) {
        plat::MediaInfo info;
        plat::mediaProbe(dir + f, info);
        int id = plat::mediaOpen(dir + f);
        if (id) plat::mediaClose(id);
    }
    ASSERT_EQ(chdir(dir.c_str()), 0);
    plat::MediaInfo info;
    plat::mediaProbe("http:x", info);
    EXPECT_EQ(server.hits.load(), 0);
}

}  // namespace
