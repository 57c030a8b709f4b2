// Network commands against real sockets on the loopback addresses, with the
// peer written here, and the waits that share their give-up rules.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "support/script_run.h"
#include "safety/safety.h"

using namespace script;
using scripttest::var;

namespace {

struct Net : ::testing::Test {
    std::unique_ptr<InProc> io;
    void start(const std::string& keys) {
        io.reset();
        io = std::make_unique<InProc>(keys, "", false);
        io->run([] { scriptReset(); });
    }
    RunResult go(const std::string& text) {
        RunResult r;
        io->run([&] { r = scripttest::run(text); });
        return r;
    }
};

// A listening socket on a loopback address and a free port.
struct Listener {
    int fd = -1;
    int port = 0;
    explicit Listener(bool v6 = false) {
        fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
        sockaddr_storage ss{};
        socklen_t len;
        if (v6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
            len = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&ss);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            len = sizeof *a;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&ss), len) != 0 || ::listen(fd, 4) != 0) return;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len);
        port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port : reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    }
    ~Listener() { ::close(fd); }
    bool pending() {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
};

// Reads until `n` bytes came or the peer closed.
std::string readBytes(int fd, size_t n, int patienceMs = 20000) {
    std::string got;
    char buf[256];
    while (got.size() < n) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, patienceMs) <= 0) break;
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r <= 0) break;
        got.append(buf, size_t(r));
    }
    return got;
}

void sendAll(int fd, const std::string& s) { ASSERT_EQ(::send(fd, s.data(), s.size(), MSG_NOSIGNAL), ssize_t(s.size())); }

TEST_F(Net, ConnectionErrorsAreSaidAndFail) {
    Listener closed;
    int deadPort = closed.port;
    ::close(closed.fd);
    closed.fd = ::socket(AF_INET, SOCK_STREAM, 0);
    struct Case {
        std::string line, said;
    } cases[] = {
        {"CONECTA #1 \"127.0.0.1\" \"porta\"", "Erro na porta TCP/IP"},
        {"SERVE #1 \"8o\"", "Erro na porta TCP/IP"},
        {"CONECTA #1 \"127.0.0.1\" 70000", "Erro na porta TCP/IP"},
        {"CONECTA #1 \"127.0.0.1\" " + std::to_string(deadPort), "Erro de conexao"},
        {"CONECTA #1 \"127.0.0.1\"", "Erro de conexao"},
        {"CONECTA #x \"127.0.0.1\" 80", "Erro de conexao"},
        {"SERVE #1", "Erro de conexao"},
        {"CONECTA #1 \"\" 80", "Erro de conexao"},
    };
    for (const Case& c : cases) {
        start("SSSS");
        RunResult r = go(c.line + "\nESCREVE \"depois\"\n");
        EXPECT_EQ(r.code, RunFailed) << c.line;
        EXPECT_TRUE(io->traced("speak " + c.said)) << c.line << "\n" << io->traceText();
        EXPECT_FALSE(io->traced("speak depois")) << c.line;
    }
}

TEST_F(Net, ChatWithAPeerByName) {
    // "localhost" may resolve to ::1 first while the peer listens on IPv4 only:
    // the next address must still be tried.
    Listener peer;
    std::string got, sentBack = "resposta\r\nsegunda";
    std::thread t([&] {
        int c = ::accept(peer.fd, nullptr, nullptr);
        got = readBytes(c, 7);
        sendAll(c, sentBack);
        ::close(c);
    });
    start("S");
    RunResult r = go("INTERNET INICIA\nCONECTA #1 \"localhost\" " + std::to_string(peer.port) +
                     "\nESCREVE #1 \"olá\" \"!\"\nCHECA S\nESCREVE #1 \"x\" &\nLÊ #1 X\nCHECA T\n"
                     "OBSERVA #1 K\nIP LOCAL #1 L\nIP REMOTO #1 R\nLÊ #1 Y\nCHECA U\nFECHA #1\n"
                     "OBSERVA #1 M\nINTERNET TERMINA\nIP LOCAL #1 Z\n");
    t.join();
    EXPECT_EQ(r.code, RunFailed) << io->traceText();
    EXPECT_EQ(r.line, 16);  // a closed connection has no address
    EXPECT_EQ(got, plat::utf8ToCp1252("olá!\r\nx"));
    EXPECT_EQ(var("S"), "1");
    EXPECT_EQ(var("X"), "resposta");
    EXPECT_EQ(var("T"), "0");
    EXPECT_EQ(var("K"), "1");
    EXPECT_EQ(var("L"), "127.0.0.1");
    EXPECT_EQ(var("R"), "127.0.0.1");
    EXPECT_EQ(var("Y"), "segunda");  // the peer closed before a line end
    EXPECT_EQ(var("U"), "1");
    EXPECT_EQ(var("M"), "0");
    std::string asked = "Usar a rede: localhost:" + std::to_string(peer.port) + "? Pedido do jogo ";
    EXPECT_NE(io->traceText().find(asked), std::string::npos) << io->traceText();
}

TEST_F(Net, ServeAcceptsIpv4AndIpv6Peers) {
    for (const char* host : {"127.0.0.1", "::1"}) {
        Listener probe;  // a free port for the server
        int port = probe.port;
        ::close(probe.fd);
        probe.fd = -1;
        std::string got;
        std::thread t([&] {
            bool v6 = std::string(host) == "::1";
            sockaddr_storage ss{};
            socklen_t len;
            if (v6) {
                auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
                a->sin6_family = AF_INET6;
                a->sin6_addr = in6addr_loopback;
                a->sin6_port = htons(uint16_t(port));
                len = sizeof *a;
            } else {
                auto* a = reinterpret_cast<sockaddr_in*>(&ss);
                a->sin_family = AF_INET;
                a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                a->sin_port = htons(uint16_t(port));
                len = sizeof *a;
            }
            // The server listens when the script gets there: try until it does.
            for (int i = 0; i < 2000; ++i) {
                int c = ::socket(ss.ss_family, SOCK_STREAM, 0);
                if (::connect(c, reinterpret_cast<sockaddr*>(&ss), len) == 0) {
                    sendAll(c, "oi\n");
                    got = readBytes(c, 5);
                    ::close(c);
                    return;
                }
                ::close(c);
                ::poll(nullptr, 0, 10);
            }
        });
        start("S");
        RunResult r = go("SERVE #2 " + std::to_string(port) + "\nLÊ #2 X\nIP REMOTO #2 R\nESCREVE #2 \"tchau\" &\n");
        t.join();
        EXPECT_EQ(r.code, RunOk) << host;
        EXPECT_EQ(var("X"), "oi");
        EXPECT_EQ(var("R"), host);
        EXPECT_EQ(got, "tchau");
    }
}

TEST_F(Net, EscAndTheStopKeyGiveUpTheWaits) {
    // SERVE with nobody coming, and a connected peer that never writes a line.
    Listener peer;
    std::string connect = "CONECTA #1 \"127.0.0.1\" " + std::to_string(peer.port) + "\n";
    struct Case {
        std::string program, keys;
        int code;
        const char* status;  // CHECA after the wait, when the run gets there
    } cases[] = {
        {"SERVE #1 0\n", "S{wait 500}{Esc}", RunFailed, nullptr},
        {"SERVE #1 0\n", "S{wait 500}{Ctrl+Break}", RunStopped, nullptr},
        {connect + "LÊ #1 X\nCHECA S\n", "S{wait 500}{Esc}", RunOk, "1"},
        {connect + "LÊ #1 X\nCHECA S\n", "S{wait 500}{Ctrl+Break}", RunStopped, nullptr},
        {"ESPERA 600\nCHECA S\n", "{wait 500}{Esc}", RunOk, "0"},
    };
    for (const Case& c : cases) {
        start(c.keys);
        uint64_t before = io->now();
        RunResult r = go(c.program);
        EXPECT_EQ(r.code, c.code) << c.program << c.keys;
        EXPECT_LT(io->now() - before, 25000u) << c.program;  // well before the 30 s give-up
        if (c.status) {
            EXPECT_EQ(var("S"), c.status) << c.program;
        }
    }
}

TEST_F(Net, SilentPeerGivesUpAfterThirtySeconds) {
    Listener peer;
    std::thread t([&] {
        int c = ::accept(peer.fd, nullptr, nullptr);
        sendAll(c, "meia");
        readBytes(c, 1, 90000);  // silent until the script closes
        ::close(c);
    });
    start("S");
    ASSERT_EQ(go("CONECTA #1 \"127.0.0.1\" " + std::to_string(peer.port) + "\n").code, RunOk);
    uint64_t before = io->now();
    RunResult r = go("LÊ #1 X\nCHECA S\n");
    uint64_t waited = io->now() - before;
    go("FECHA #1\n");
    t.join();
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("X"), "meia");
    EXPECT_EQ(var("S"), "1");
    EXPECT_GE(waited, 29000u);
    EXPECT_LE(waited, 32000u);
}

TEST_F(Net, RefusedConsentReachesNothing) {
    Listener peer;
    start("N");
    RunResult r = go("CONECTA #1 \"127.0.0.1\" " + std::to_string(peer.port) + "\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_FALSE(peer.pending());
}

TEST_F(Net, KeyboardAndFileObservation) {
    // The data file sits beside the program, inside the game's folder.
    std::string program = scripttest::writeProgram("*");
    std::string file = program.substr(0, program.rfind('/')) + "/a.txt";
    writeText(file, "linha\r\n");
    writeText(program, plat::utf8ToCp1252("ESPERA 3\nOBSERVA TECLADO K\nLÊ C &\nOBSERVA TECLADO J\nABRE #2 \"" +
                                          file + "\"\nOBSERVA #2 F\nSEJA I \"x\"\nIP LOCAL #2 I\nOBSERVA K\n"));
    start("{wait 500}x");
    uint64_t before = io->now();
    RunResult r;
    io->run([&] { r = scriptRun(program); });
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 9);  // neither TECLADO nor a channel
    EXPECT_EQ(var("I"), "");  // a file has no address
    EXPECT_GE(io->now() - before, 3000u);  // the key did not cut the wait short
    EXPECT_EQ(var("K"), "1");
    EXPECT_EQ(var("C"), "x");
    EXPECT_EQ(var("J"), "0");
    EXPECT_EQ(var("F"), "0");
}

TEST_F(Net, SensorWithoutAPort) {
    setenv("LUDIVAR_PARPORT", "/nonexistent/parport", 1);
    start("");
    RunResult r = go("SEJA S = 9\nSENSOR S\nSENSOR\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 3);  // no variable
    EXPECT_EQ(var("S"), "0");
    EXPECT_EQ(io->tracedCount("beep"), 2);
    EXPECT_EQ(io->row(1), "porta paralela não disponível.");
}

// The program itself with no display and no accessibility bus: desktop
// commands fail at once, and the clipboard is the program's own.
TEST_F(Net, DesktopCommandsWithoutADisplay) {
    struct Case {
        std::string program;
        const char* row1;
    } cases[] = {
        {"SEJA X \"abc\"\nTRANSFERE DE X\nTRANSFERE PARA Y\nESCREVE Y\nDIGITA \"x\"\nESCREVE \"nunca\"\n", "abc"},
        {"MSAA MONITORA\nESCREVE \"nunca\"\n", "Erro"},
        {"ESPERA 100 \"janela\"\nESCREVE \"nunca\"\n", "Erro"},
    };
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"}) {
        const char* v = getenv(name);
        if (v) saved.emplace_back(name, v);
        unsetenv(name);
    }
    for (const Case& c : cases) {
        HeadlessResult r = runHeadless("", {"--script", scripttest::writeProgram(c.program)});
        EXPECT_EQ(r.exitCode, 1) << c.program << r.out;
        EXPECT_EQ(r.rows[0].substr(0, 4), std::string(c.row1).substr(0, 4)) << c.program;
        for (const std::string& row : r.rows) EXPECT_EQ(row.find("nunca"), std::string::npos) << c.program;
    }
    for (const auto& v : saved) setenv(v.first.c_str(), v.second.c_str(), 1);
}

}  // namespace
