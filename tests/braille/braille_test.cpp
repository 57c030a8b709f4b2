// The Braille display against a real brltty: the test plays the display through
// brltty's virtual driver on a Unix socket, reads back what brltty puts on its
// cells, and presses its routing and panning keys.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <random>

#include "console/console.h"
#include "console/menu.h"
#include "console/review.h"
#include "console/textwin.h"
#include "game/model.h"
#include "platform/braille.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "player/slide.h"
#include "support/inproc.h"

extern char** environ;

namespace {

// A condition that never comes true fails the test after this long (a wait, not a measure).
constexpr auto kPatience = std::chrono::seconds(30);

bool portFree(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// brltty with its virtual driver; this side of the socket is the display.
struct VirtualDisplay {
    std::string dir = tempDir();
    int listenFd = -1, fd = -1;
    pid_t pid = -1;
    std::string pending, visual, braille;

    bool start(int cells) {
        const std::string sock = dir + "/vr.sock";
        listenFd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        snprintf(a.sun_path, sizeof a.sun_path, "%s", sock.c_str());
        if (bind(listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd, 1) != 0) return false;
        // BrlAPI listens on port 4101 + n; other test runs on the machine may hold some.
        std::mt19937 rng(std::random_device{}());
        int n = 0;
        for (int tries = 0; tries < 50 && !n; ++tries) {
            int c = 100 + int(rng() % 800);
            if (portFree(4101 + c)) n = c;
        }
        if (!n) return false;
        const std::string host = "127.0.0.1:" + std::to_string(n);
        std::vector<std::string> args = {"brltty", "-n", "-e", "-q", "-b", "vr", "-d", "client:" + sock,
                                         "-x", "no", "-s", "no", "-t", "pt", "-A", "host=" + host + ",auth=none",
                                         "-f", "/dev/null", "-F", "/dev/null", "-P", dir + "/pid",
                                         "-W", dir, "-U", dir};
        std::vector<char*> argv;
        for (std::string& s : args) argv.push_back(s.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 2, (dir + "/brltty.log").c_str(), O_WRONLY | O_CREAT, 0644);
        const int rc = posix_spawnp(&pid, "brltty", &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) return false;
        pollfd p{listenFd, POLLIN, 0};
        if (poll(&p, 1, int(std::chrono::milliseconds(kPatience).count())) != 1) return false;
        fd = accept(listenFd, nullptr, nullptr);
        if (fd < 0 || !send("cells " + std::to_string(cells))) return false;
        setenv("BRLAPI_HOST", host.c_str(), 1);
        setenv("BRLAPI_AUTH", "none", 1);
        // The server answers once brltty has written its first screen.
        return waitFor([&] { return !visual.empty(); }, false);
    }

    ~VirtualDisplay() {
        con::resetTextWindow();  // leaves the display before brltty goes
        unsetenv("BRLAPI_HOST");
        if (fd >= 0) ::close(fd);
        if (listenFd >= 0) ::close(listenFd);
        if (pid > 0) {
            kill(pid, SIGTERM);
            // brltty may linger over its shutdown; it is ours, so it goes.
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (waitpid(pid, nullptr, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > end) {
                    kill(pid, SIGKILL);
                    waitpid(pid, nullptr, 0);
                    break;
                }
                usleep(20000);
            }
        }
    }

    bool send(const std::string& line) {
        const std::string l = line + "\n";
        return write(fd, l.data(), l.size()) == ssize_t(l.size());
    }

    void takeLine(const std::string& line) {
        auto quoted = [&](const char* tag) {
            const std::string t = std::string(tag) + " \"";
            if (line.rfind(t, 0) != 0 || line.size() < t.size() + 1) return false;
            (tag[0] == 'V' ? visual : braille) = line.substr(t.size(), line.size() - t.size() - 1);
            return true;
        };
        if (!quoted("Visual")) quoted("Braille");
    }

    // Reads what brltty writes until `done` holds; `pump` lets the program take
    // the display's keys meanwhile.
    bool waitFor(const std::function<bool()>& done, bool pump) {
        const auto end = std::chrono::steady_clock::now() + kPatience;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            if (pump) con::pumpMessages();
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 20) != 1) continue;
            char buf[4096];
            const ssize_t got = read(fd, buf, sizeof buf);
            if (got <= 0) return false;
            pending.append(buf, size_t(got));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
                takeLine(pending.substr(0, nl));
        }
        return true;
    }

    std::string text() const {  // the cells as text, right-trimmed
        const size_t e = visual.find_last_not_of(' ');
        return e == std::string::npos ? std::string() : visual.substr(0, e + 1);
    }
    // 1-based cell that shows the cursor (dots 7 and 8), 0 when none.
    int cursorCell() const {
        int cell = 1;
        size_t start = 0;
        for (;;) {
            const size_t bar = braille.find('|', start);
            const std::string dots = braille.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            if (dots.find('7') != std::string::npos && dots.find('8') != std::string::npos) return cell;
            if (bar == std::string::npos) return 0;
            start = bar + 1;
            ++cell;
        }
    }
    bool shows(const std::string& utf8, int cursor) {
        return waitFor([&] { return text() == utf8 && cursorCell() == cursor; }, true);
    }
};

struct DisplayCase {
    const char* what;
    std::string keys;
    std::function<void()> act;
    std::string shown;  // UTF-8, right-trimmed
    int cursor;         // 1-based cell, 0 for none
};

TEST(BrailleDisplay, ShowsWhatTheUserWorksOn) {
    const std::string longText(30, 'a');
    const std::string longer = longText + std::string(25, 'b');
    const std::vector<DisplayCase> cases = {
        {"a field with its cursor after two moves left", "ação{Left}{Left}{Enter}",
         [] { std::string t; con::editField(t, 1, 1, 40, 40, true); }, "ação", 3},
        {"a field longer than the display: the window follows the cursor", longer + "{Enter}",
         [] { std::string t; con::editField(t, 1, 1, 80, 78, true); }, std::string(15, 'b'), 16},
        {"a choice menu: the current option", "{Down}{Enter}",
         [] {
             con::menuOpen(5, 5, 20, 3, 1);
             con::menuAdd("", plat::cp("Jogar"));
             con::menuAdd("", plat::cp("Criar jogo"));
             con::menuAdd("", plat::cp("Editar"));
             con::menuRun();
         },
         "Criar jogo", 0},
        {"a slide: its first text line (Esc leaves it on the display)", "{Esc}",
         [] {
             game::resetModelState();
             player::resetSlideState();
             player::setSlideSize(160, 100);
             game::TLugar& p = *game::CreatePlace(game::current(), 1);
             p.slideCount = 2;
             game::CreateSlide(p, 1)->text = {plat::cp("Você está em $LUGAR"), "", "e agora?"};
             game::CreateSlide(p, 2);
             p.name = plat::cp("Praça");
             uint8_t key = 0;
             std::string answer;
             player::PresentPlace(1, key, answer);
         },
         "Você está em $LUGAR", 0},
        // The keys run out inside the review, which leaves its row on the display.
        {"screen review: the reviewed row with its cursor", "{Ctrl+Alt+F9}{Up}{Right}{Right}",
         [] {
             con::installScreenReview();
             con::gotoXY(1, 3);
             con::write(plat::cp("Nome: João"));
             std::string t;
             con::editField(t, 1, 4, 20, 20, true);
         },
         "Nome: João", 3},
    };
    VirtualDisplay d;
    ASSERT_TRUE(d.start(40)) << d.dir;
    for (const DisplayCase& c : cases) {
        SCOPED_TRACE(c.what);
        InProc p(c.keys, "", false);
        p.run(c.act);
        EXPECT_TRUE(brl::connected());
        EXPECT_TRUE(d.shows(c.shown, c.cursor)) << "display: [" << d.text() << "] cursor " << d.cursorCell();
    }
}

TEST(BrailleDisplay, RoutingKeysMoveTheCursorAndPanningScrolls) {
    VirtualDisplay d;
    ASSERT_TRUE(d.start(20)) << d.dir;
    InProc p("{Enter}x{Enter}", "", false);
    std::string text = plat::cp("casa amarela");
    p.run([&] { con::editField(text, 1, 1, 40, 40, true); });
    ASSERT_TRUE(d.shows("casa amarela", 1));
    // Cell 6 is the "a" of "amarela": the next letter typed goes in front of it.
    ASSERT_TRUE(d.send("Route 5"));
    ASSERT_TRUE(d.waitFor([] { return con::tw().keyCount >= 2; }, true));
    p.run([&] { con::editField(text, 1, 1, 40, 40, true); });
    EXPECT_EQ(plat::cp1252ToUtf8(text), "casa xamarela");
    EXPECT_TRUE(d.shows("casa xamarela", 7));

    // A slide's lines on a display of 20 cells: panning goes along a line, then to the next.
    brl::showLines(brl::Content::Slide, {plat::cp("De que cor é o céu num dia de sol?"), "azul"});
    ASSERT_TRUE(d.shows("De que cor é o céu n", 0));
    // The driver takes one command per read: each is sent once the one before shows.
    for (const char* expected : {"um dia de sol?", "azul"}) {
        ASSERT_TRUE(d.send("FWINRT"));
        EXPECT_TRUE(d.shows(expected, 0));
    }
    ASSERT_TRUE(d.send("FWINLT"));
    EXPECT_TRUE(d.shows("um dia de sol?", 0)) << d.text();
}

TEST(BrailleDisplay, OffByTheSettingAndSilentWithoutBrltty) {
    // No brltty answers: nothing changes, nothing is said.
    setenv("BRLAPI_HOST", "127.0.0.1:999", 1);
    {
        InProc p("ok{Enter}", "", false);
        std::string t;
        p.run([&] { con::editField(t, 1, 1, 20, 20, true); });
        EXPECT_FALSE(brl::connected());
        EXPECT_EQ(t, "ok");
        EXPECT_EQ(p.row(1), "ok");
    }
    VirtualDisplay d;
    ASSERT_TRUE(d.start(40)) << d.dir;
    InProc p("ok{Enter}", "[BRAILLE]\r\nLINHA=NÃO\r\n", false);
    std::string t;
    p.run([&] { con::editField(t, 1, 1, 20, 20, true); });
    EXPECT_FALSE(brl::connected());
}

TEST(BrailleDisplay, WindowFollowsTheCursor) {
    struct Case { int offset, cursor, cells, length, expected; };
    const Case cases[] = {
        {0, 5, 40, 10, 0},    // in view
        {0, 45, 40, 60, 40},  // past the right edge: the next window
        {40, 3, 40, 60, 0},   // left of the window
        {40, -1, 40, 10, 0},  // no cursor, a shorter line: back to its last window
        {0, 80, 40, 80, 80},  // just past the end of a full line
    };
    for (const Case& c : cases)
        EXPECT_EQ(brl::offsetForCursor(c.offset, c.cursor, c.cells, c.length), c.expected)
            << c.offset << " " << c.cursor;
}

}  // namespace
