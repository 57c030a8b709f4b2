// Desktop commands under a real X server with a real window manager (Xvfb,
// openbox, the ABNT2 layout) against the probe program, which reports what
// reached it; accessibility through a private D-Bus session's AT-SPI bus.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "support/script_run.h"
#include "env.h"
#include "platform/desktop.h"
#include "safety/safety.h"
#include "support/require.h"

using namespace script;
using scripttest::var;
using netdesk::Probe;

namespace {

struct Desk : ::testing::Test {
    std::unique_ptr<InProc> io;
    void SetUp() override {
        const netdesk::Session& s = netdesk::session();
        LUDIVAR_REQUIRE(s.x, "no X session: " << s.why);
    }
    // Every run answers the one question about the desktop.
    void start(const std::string& keys = "S") {
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

TEST_F(Desk, TypingGoesThroughTheLayoutAndItsDeadKeys) {
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Sonda de teclas"));
    start();
    RunResult r = go("DIGITA \"ação Ü?\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(p.child.waitLine("text ação Ü?"), "text ação Ü?") << p.child.seen();
    EXPECT_EQ(p.child.waitLine("key Return -"), "key Return -");
    // Each accent came as its dead key.
    EXPECT_EQ(p.child.waitLine("key dead_tilde", true), "key dead_tilde -") << p.child.seen();
    EXPECT_EQ(p.child.waitLine("key dead_diaeresis", true), "key dead_diaeresis s");
}

TEST_F(Desk, KeyNamesAndTheirModifiers) {
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Sonda de nomes"));
    struct Case {
        const char* value;
        bool ok;
        const char* arrives;  // what the probe reports, when it should get a key
    } cases[] = {
        {"CTRL+SHIFT+ESC", true, "key Escape cs"},
        {"SHIFT+CTRL+ESC", false, nullptr},  // prefixes go in the order CTRL+, SHIFT+, ALT+
        {"#65", true, "key a -"},
        {"F13", false, nullptr},
        {"ctrl+f5", true, "key F5 c"},
        {"?", true, "key slash -"},  // the key of "?" without its Shift
        {"SHIFT+HOME", true, "key Home s"},
        {"CTRL+", false, nullptr},
    };
    for (const Case& c : cases) {
        start();
        RunResult r = go(std::string("ACIONA \"") + c.value + "\"\n");
        EXPECT_EQ(r.code, c.ok ? RunOk : RunFailed) << c.value;
        if (c.arrives) {
            EXPECT_EQ(p.child.waitLine(c.arrives), c.arrives) << c.value;
        }
    }
}

TEST_F(Desk, ClicksAndThePointer) {
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Sonda de cliques"));
    int x = p.areaX + 20, y = p.areaY + 30;
    start();
    RunResult r = go("CLICA TELA " + std::to_string(x) + ", " + std::to_string(y) + "\nCLICA DUPLO TELA " +
                     std::to_string(x + 5) + " " + std::to_string(y) +
                     "\nCLICA NULO 10 20\nLÊ MOUSE A B\nLÊ RATO TELA C D\nCLICA NULO TELA 1 2 3\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 6);  // text after y
    std::string single = "click " + std::to_string(x) + " " + std::to_string(y) + " 1";
    std::string twice = "click " + std::to_string(x + 5) + " " + std::to_string(y) + " 2";
    EXPECT_EQ(p.child.waitLine(single), single) << p.child.seen();
    EXPECT_EQ(p.child.waitLine(twice), twice);
    EXPECT_EQ(var("A"), "10");
    EXPECT_EQ(var("B"), "20");
    // Relative to the window: its frame starts left of and above the click area.
    EXPECT_GT(std::stoi(var("C")), 10);
    EXPECT_GT(std::stoi(var("D")), 20);
    EXPECT_LE(std::stoi(var("C")), p.areaX + 10);
    EXPECT_LE(std::stoi(var("D")), p.areaY + 20);
    int px, py;
    ASSERT_TRUE(desk::pointerPosition(px, py));
    EXPECT_EQ(px, 1);  // the failing line still moved the pointer
    EXPECT_EQ(py, 2);
}

TEST_F(Desk, WindowsByTitlePattern) {
    Probe meu, bloco;
    ASSERT_TRUE(netdesk::startProbe(meu, "Meu bloco"));
    ASSERT_TRUE(netdesk::startProbe(bloco, "Bloco de notas"));
    auto minimized = [](const std::string& title) {
        for (const desk::WindowInfo& w : desk::topLevelWindows())
            if (plat::cp1252ToUtf8(w.title) == title) return w.minimized;
        return false;
    };
    start();
    RunResult r = go("JANELA MINIMIZA \"*bloco\"\nCHECA A\nJANELA MINIMIZA \"*xyz\"\nCHECA B\n"
                     "JANELA PULA \"bloco*\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 5);  // an action other than the four, on a window that matched
    EXPECT_EQ(var("A"), "0");
    EXPECT_EQ(var("B"), "1");
    EXPECT_TRUE(testsupport::waitUntil([&] { return minimized("Bloco de notas"); }));
    EXPECT_FALSE(minimized("Meu bloco"));
    // "notas*": the title must end with it.  NORMAL brings the minimized one back.
    start();
    r = go("JANELA NORMAL \"de notas*\"\nCHECA A\nJANELA FECHA \"bloco de*\"\nCHECA B\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "0");
    EXPECT_EQ(var("B"), "1");  // "BLOCO DE" is not at the end of either title
    EXPECT_TRUE(netdesk::waitActive("Bloco de notas"));
    start();
    r = go("JANELA FECHA \"*meu bloco*\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_GE(meu.child.waitExit(netdesk::kPatienceMs), 0);
}

TEST_F(Desk, TitlesWaitsAndTheClipboard) {
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Bloco ação", "valor do campo"));
    std::string longText(300, 'x');
    start();
    RunResult r = go("ESPERA 2 \"bloco AÇÃO\"\nCHECA A\nESPERA 1 \"inexistente\"\nCHECA B\nCAPTURA TÍTULO T\n"
                     "CAPTURA CAMPO C\nSEJA L \"" + longText + "\"\nTRANSFERE DE L\nTRANSFERE PARA M\n"
                     "SEJA N \"colado\"\nTRANSFERE DE N\nACIONA \"SHIFT+INS\"\nCAPTURA OUTRA O\n");
    EXPECT_EQ(r.code, RunOk) << io->traceText();
    EXPECT_EQ(var("A"), "0");
    EXPECT_EQ(var("B"), "1");
    EXPECT_EQ(var("T"), "Bloco ação");
    EXPECT_EQ(var("C"), "valor do campo");
    EXPECT_EQ(var("M"), std::string(254, 'x'));
    EXPECT_EQ(var("O"), "");
    // The other program pastes what the game placed on the clipboard.
    EXPECT_EQ(p.child.waitLine("text colado", true).substr(0, 11), "text colado");
}

TEST_F(Desk, RefusedConsentTouchesNothing) {
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Sonda recusada"));
    start("N");
    RunResult r = go("DIGITA \"nada\"\n");
    EXPECT_EQ(r.code, RunFailed);
    // A key sent now arrives first: nothing came before it.
    start();
    EXPECT_EQ(go("ACIONA \"F2\"\n").code, RunOk);
    std::string first = p.child.waitLine("key ", true);
    EXPECT_EQ(first, "key F2 -");
}

TEST_F(Desk, AccessibilityEventsAndControls) {
    LUDIVAR_REQUIRE(netdesk::session().bus, netdesk::session().why);
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Sonda acessível"));
    start("SSSSSSSS");  // each program asks once
    ASSERT_EQ(go("MSAA MONITORA\nMSAA CHECA E\n").code, RunOk);
    // Events arrive in their own time: check until one is there.
    auto nextEvent = [&] {
        for (int i = 0; i < 400; ++i) {
            EXPECT_EQ(go("MSAA CHECA E\n").code, RunOk);
            if (var("E") == "1") return true;
            ::poll(nullptr, 0, 50);
        }
        return false;
    };
    EXPECT_EQ(go("ACIONA \"TAB\"\n").code, RunOk);
    ASSERT_TRUE(nextEvent());
    EXPECT_EQ(go("MSAA NOME N\nMSAA TIPO T\nMSAA ESTADO S\nMSAA CÓDIGO C\nMSAA AREA X Y W H\n").code, RunOk);
    EXPECT_EQ(var("N"), "Aceito");
    EXPECT_EQ(var("T"), "caixa de seleção");
    EXPECT_EQ(var("S"), "marcado");
    EXPECT_EQ(var("C"), "44");
    // The control under a point: the centre of the one just read.
    int cx = std::stoi(var("X")) + std::stoi(var("W")) / 2, cy = std::stoi(var("Y")) + std::stoi(var("H")) / 2;
    EXPECT_EQ(go("MSAA CAPTURA " + std::to_string(cx) + " " + std::to_string(cy) + "\nMSAA NOME M\n").code, RunOk);
    EXPECT_EQ(var("M"), "Aceito");
    // The next focus change is the next entry: none came twice.
    EXPECT_EQ(go("ACIONA \"TAB\"\n").code, RunOk);
    ASSERT_TRUE(nextEvent());
    EXPECT_EQ(go("MSAA NOME N\nMSAA VALOR V\nMSAA CODIGO C\n").code, RunOk);
    EXPECT_EQ(var("N"), "Campo");
    EXPECT_EQ(var("C"), "42");
    // The unavailable button, down to its label's parent.
    EXPECT_EQ(go("MSAA CAPTURA " + std::to_string(p.offX + p.offW / 2) + " " + std::to_string(p.offY + p.offH / 2) +
                 "\nMSAA NOME N\nMSAA TIPO T\nMSAA ESTADO S\nMSAA CODIGO C\n")
                  .code,
              RunOk);
    EXPECT_EQ(var("N"), "Desligado");
    EXPECT_EQ(var("T"), "botão de apertar");
    EXPECT_EQ(var("S"), "indisponível");
    EXPECT_EQ(var("C"), "43");
    EXPECT_EQ(go("MSAA FIM\nMSAA CHECA E\nMSAA SALTA\n").code, RunFailed);
    EXPECT_EQ(var("E"), "0");
}

// A whole game program through the program itself: it asks a server on the
// loopback address what to type, waits for the window and types into it.
TEST_F(Desk, GameProgramChatsWaitsAndTypes) {
    int srv = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(srv, reinterpret_cast<sockaddr*>(&a), len), 0);
    ASSERT_EQ(::listen(srv, 1), 0);
    ::getsockname(srv, reinterpret_cast<sockaddr*>(&a), &len);
    std::string heard;
    std::thread server([&] {
        int c = ::accept(srv, nullptr, nullptr);
        char buf[64];
        ssize_t n = ::read(c, buf, sizeof buf);
        if (n > 0) heard.assign(buf, size_t(n));
        const char reply[] = "Ol\xe1, mundo\r\n";  // the peer speaks CP1252, as games do
        (void)::write(c, reply, sizeof reply - 1);
        ::poll(nullptr, 0, 0);
        ::close(c);
    });
    Probe p;
    ASSERT_TRUE(netdesk::startProbe(p, "Caderno do aluno"));
    std::string program = scripttest::writeProgram(
        "INTERNET INICIA\nCONECTA #1 \"127.0.0.1\" " + std::to_string(ntohs(a.sin_port)) +
        "\nESCREVE #1 \"PEDE\"\nLÊ #1 $TEXTO\nFECHA #1\nESPERA 5 \"caderno\"\nCHECA S\n"
        "SE S = 0 DIGITA $TEXTO\nTERMINA\n");
    HeadlessResult r = runHeadless("SS", {"--script", program});
    server.join();
    ::close(srv);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(heard, "PEDE\r\n");
    // The server's text is CP1252 inside the program and UTF-8 on the desktop.
    std::string want = "text " + plat::cp1252ToUtf8("Ol\xe1, mundo");
    EXPECT_EQ(p.child.waitLine(want), want) << p.child.seen();
    EXPECT_EQ(p.child.waitLine("key Return -"), "key Return -");
}

}  // namespace
