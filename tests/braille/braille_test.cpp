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
#include <filesystem>
#include <functional>
#include <random>

#include "catalog/catalog.h"
#include "console/config.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/review.h"
#include "console/textwin.h"
#include "game/model.h"
#include "platform/braille.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "game/gamefile.h"
#include "ludivar_paths.h"
#include "support/inproc.h"

extern char** environ;

namespace {

// A condition that never comes true fails the test after this long (a wait, not a measure).
constexpr auto kPatience = std::chrono::seconds(30);
// The display as brltty's own 8-dot computer braille shows text: its cells read back as the text.
const char* const kComputerBraille = "[BRAILLE]\r\nTABELA=computador\r\n";

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
    int listenFd = -1, fd = -1, port = 0, launches = 0;
    pid_t pid = -1;
    std::string pending, visual, braille;

    bool start(int cells) {
        const std::string sock = dir + "/vr1.sock";
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
        port = n;
        return launch(cells);
    }

    // brltty on `port`, with this side of a fresh socket as its display.
    bool launch(int cells) {
        const std::string sock = dir + "/vr" + std::to_string(++launches) + ".sock";
        if (launches > 1) {
            ::close(listenFd);
            listenFd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            snprintf(a.sun_path, sizeof a.sun_path, "%s", sock.c_str());
            if (bind(listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd, 1) != 0)
                return false;
        }
        const std::string host = "127.0.0.1:" + std::to_string(port);
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
        visual.clear();
        return waitFor([&] { return !visual.empty(); }, false);
    }

    // brltty dies without a word to its clients, as a crash or a kill does.
    void kill9() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (fd >= 0) ::close(fd);
        fd = -1;
        pending.clear();
        visual.clear();
        braille.clear();
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
    // The cells as dot bits (dot n is bit n-1), dots 7 and 8 of the cursor left out.
    std::vector<uint8_t> dots() const {
        std::vector<uint8_t> out;
        size_t start = 0;
        for (;;) {
            const size_t bar = braille.find('|', start);
            uint8_t d = 0;
            for (size_t i = start; i < (bar == std::string::npos ? braille.size() : bar); ++i)
                if (braille[i] >= '1' && braille[i] <= '6') d |= uint8_t(1u << (braille[i] - '1'));
            out.push_back(d);
            if (bar == std::string::npos) return out;
            start = bar + 1;
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
        InProc p(c.keys, kComputerBraille, false);
        p.run(c.act);
        EXPECT_TRUE(brl::connected());
        EXPECT_TRUE(d.shows(c.shown, c.cursor)) << "display: [" << d.text() << "] cursor " << d.cursorCell();
    }
}

TEST(BrailleDisplay, RoutingKeysMoveTheCursorAndPanningScrolls) {
    VirtualDisplay d;
    ASSERT_TRUE(d.start(20)) << d.dir;
    InProc p("{Enter}x{Enter}", kComputerBraille, false);
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

// ---- literary braille --------------------------------------------------------

std::vector<uint8_t> tableCells(const std::string& utf8Text) {
    brl::Translation t;
    EXPECT_TRUE(brl::translate("pt-pt-g1.utb", plat::cp(utf8Text.c_str()), t)) << "liblouis and its pt-pt-g1.utb table";
    return t.dots;
}

TEST(BrailleDisplay, PortugueseGradeOneCellsAreTheTablesOwn) {
    VirtualDisplay d;
    ASSERT_TRUE(d.start(40)) << d.dir;
    const std::string sentence = "Olá, professora. Ação!";
    const std::vector<uint8_t> expected = tableCells(sentence);
    // The table marks the capitals and keeps accents in their own cells: not the text's own length.
    ASSERT_FALSE(expected.empty());
    EXPECT_NE(expected.size(), plat::cp(sentence.c_str()).size());
    InProc p("", "", false);  // no TABELA: grade 1 is the default
    p.run([&] { con::writeLineAndSpeak(plat::cp(sentence.c_str())); });
    auto prefix = [&] {
        const std::vector<uint8_t> all = d.dots();
        return all.size() < expected.size() ? all : std::vector<uint8_t>(all.begin(), all.begin() + long(expected.size()));
    };
    EXPECT_TRUE(d.waitFor([&] { return prefix() == expected; }, true)) << d.braille;
    std::vector<uint8_t> shown = d.dots();
    ASSERT_GE(shown.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(shown.begin(), shown.begin() + long(expected.size())), expected) << d.braille;
    for (size_t i = expected.size(); i < shown.size(); ++i) EXPECT_EQ(shown[i], 0) << "cell " << i + 1;
}

TEST(BrailleDisplay, TranslationMapsCharactersAndCells) {
    struct Case {
        const char* text;
        const char* what;
        std::vector<uint8_t> firstCells;  // dots bits of the first cells
    };
    const Case cases[] = {
        {"a", "a letter is one cell, dot 1", {0x01}},
        {"pa", "p is dots 1234", {0x0F, 0x01}},
        {"Ana", "a capital is preceded by its sign", {}},
        {"ação", "accented letters", {}},
        {"", "an empty line", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        brl::Translation t;
        const std::string text = plat::cp(c.text);
        ASSERT_TRUE(brl::translate("pt-pt-g1.utb", text, t));
        ASSERT_EQ(t.inToOut.size(), text.size() + 1);
        ASSERT_EQ(t.outToIn.size(), t.dots.size());
        EXPECT_EQ(t.inToOut.back(), int(t.dots.size()));
        for (size_t i = 0; i + 1 < t.inToOut.size(); ++i) {
            EXPECT_LE(t.inToOut[i], t.inToOut[i + 1]);  // in order
            const int cell = t.inToOut[i];
            ASSERT_GE(cell, 0);
            ASSERT_LT(cell, int(t.dots.size()));
            EXPECT_EQ(t.outToIn[size_t(cell)], int(i)) << "character " << i << " back from its cell";
        }
        for (size_t i = 0; i < c.firstCells.size(); ++i) EXPECT_EQ(t.dots.at(i), c.firstCells[i]) << i;
    }
    brl::Translation t;
    ASSERT_TRUE(brl::translate("pt-pt-g1.utb", "Ana", t));
    EXPECT_EQ(t.dots.size(), 4u);
    EXPECT_EQ(t.inToOut[1], 2);  // "n" after the capital sign and "A"
    EXPECT_FALSE(brl::translate("nao-existe.utb", "Ana", t));
}

TEST(BrailleDisplay, RoutingGoesThroughTheTranslation) {
    VirtualDisplay d;
    ASSERT_TRUE(d.start(40)) << d.dir;
    // The capital sign takes the first cell: "casa" starts one cell later than its character.
    const std::string text0 = "Ana casa";
    brl::Translation t;
    ASSERT_TRUE(brl::translate("pt-pt-g1.utb", text0, t));
    const int cellOfC = t.inToOut[4];
    ASSERT_EQ(cellOfC, 5);
    InProc p("{Enter}x{Enter}", "", false);
    std::string text = text0;
    p.run([&] { con::editField(text, 1, 1, 40, 40, true); });
    ASSERT_TRUE(d.waitFor([&] { return d.cursorCell() == t.inToOut[0] + 1; }, true)) << d.braille;
    ASSERT_TRUE(d.send("Route " + std::to_string(cellOfC)));
    ASSERT_TRUE(d.waitFor([] { return con::tw().keyCount >= 2; }, true));
    p.run([&] { con::editField(text, 1, 1, 40, 40, true); });
    EXPECT_EQ(text, "Ana xcasa");
}

// ---- reconnecting --------------------------------------------------------------

TEST(BrailleDisplay, ComesBackAfterBrlttyRestarts) {
    VirtualDisplay d;
    ASSERT_TRUE(d.start(40)) << d.dir;
    InProc p("", kComputerBraille, false);
    p.run([] { con::writeLineAndSpeak(plat::cp("Fim do Jogo")); });
    ASSERT_TRUE(d.shows("Fim do Jogo", 0));
    d.kill9();
    // The program goes on without a display, keys and all, while brltty is away.
    const auto gone = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) con::pumpMessages();
    EXPECT_LT(std::chrono::steady_clock::now() - gone, std::chrono::seconds(1));
    EXPECT_FALSE(brl::connected());
    ASSERT_TRUE(d.launch(40)) << d.dir;
    EXPECT_TRUE(d.shows("Fim do Jogo", 0)) << "display: [" << d.text() << "]";
    EXPECT_TRUE(brl::connected());
    p.run([] { con::writeLineAndSpeak(plat::cp("Aperte enter")); });
    EXPECT_TRUE(d.shows("Aperte enter", 0));
}

// ---- the display before the voice -------------------------------------------------

// A voice that, the moment it is handed a text, looks at the real display: what
// the program sent must be there while the voice has not yet said a word.
struct Heard {
    std::string text;        // what the voice got (UTF-8)
    std::string shown;       // the real display then (UTF-8, right-trimmed)
    int cursor = 0;          // its cursor cell
    bool caughtUp = false;   // the display reached what the program had sent
    uint64_t virtualMs = 0;  // the headless clock when speech began
    long long realUs = 0;    // how long brltty took to show it
};
VirtualDisplay* gWatch = nullptr;
std::vector<Heard> gHeard;

void watchingVoiceSpeak(const std::string& text) {
    Heard h;
    h.text = plat::cp1252ToUtf8(text);
    h.virtualMs = plat::front().nowMs();
    std::string sent = brl::brailleState().written;
    sent.erase(sent.find_last_not_of(' ') + 1);
    const auto start = std::chrono::steady_clock::now();
    const int cursor = std::max(0, brl::brailleState().writtenCursor);  // 0: no cursor
    h.caughtUp = gWatch->waitFor([&] { return gWatch->text() == sent && gWatch->cursorCell() == cursor; }, false);
    h.realUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    h.shown = gWatch->text();
    h.cursor = gWatch->cursorCell();
    gHeard.push_back(h);
}

struct Watched {
    VirtualDisplay d;
    std::unique_ptr<InProc> p;
    explicit Watched(const std::string& keys) {
        if (!d.start(40)) return;
        p = std::make_unique<InProc>(keys, kComputerBraille, false);
        gWatch = &d;
        gHeard.clear();
        con::SystemVoiceOps ops;
        ops.speak = watchingVoiceSpeak;
        ops.busy = [] { return false; };
        con::setSystemVoiceOps(ops);
        con::speechSettings().systemVoice = true;
    }
    ~Watched() {
        con::speechSettings().systemVoice = false;
        con::setSystemVoiceOps(con::SystemVoiceOps());
        gWatch = nullptr;
    }
    // The display as each of these texts began to be said.
    std::string report() const {
        std::string r;
        for (const Heard& h : gHeard)
            r += "said [" + h.text + "] shown [" + h.shown + "] cursor " + std::to_string(h.cursor) + "\n";
        return r;
    }
};

struct Expected {
    std::string said;   // the start of what the voice gets
    std::string shown;  // the display meanwhile
    int cursor;         // 1-based cell, 0 none
};

// Each expected text is said, in this order, with the display already showing its line.
void expectShownWhileSaid(const Watched& w, const std::vector<Expected>& expected) {
    size_t from = 0;
    for (const Expected& e : expected) {
        SCOPED_TRACE("said: " + e.said);
        bool found = false;
        for (; from < gHeard.size() && !found; ++from) {
            const Heard& h = gHeard[from];
            if (h.text.rfind(e.said, 0) != 0) continue;
            found = true;
            EXPECT_TRUE(h.caughtUp) << "brltty never showed what was sent";
            EXPECT_EQ(h.shown, e.shown);
            EXPECT_EQ(h.cursor, e.cursor);
        }
        EXPECT_TRUE(found) << w.report();
    }
    for (const Heard& h : gHeard) EXPECT_TRUE(h.caughtUp) << h.text;
}

TEST(BrailleFollowsSpeech, PromptsAndMessagesBeforeTheirSpeech) {
    Watched w("j{Enter}{Esc}");
    ASSERT_TRUE(w.p) << w.d.dir;
    w.p->run([] {
        catalog::AskKey("LUJOGCRI", 0, 1);
        // The editor's question comes after a list: the list's item must not stay.
        brl::show(brl::Content::Menu, plat::cp("Praça da Sé"));
        catalog::SayMessage("LUOPCAO", 0);
        con::writeLineAndSpeak("FORMAS");
        catalog::SayMessage("LUCATNEX", 1);
        catalog::SayMessage("LUCNFFIM", 1);
        std::string name = plat::cp("João"), answer = "42";
        con::formStart();
        catalog::AddFormField("LUC_NOME", &name, 255, 30);
        catalog::AddFormField("LUC_RESP", &answer, 255, 30);
        con::formRun(true);
    });
    expectShownWhileSaid(w, {
        {"Opção: Jogar, Criar ou Editar?", "Opção: Jogar, Criar ou Editar?", 32},
        {"Ludivar - qual sua opção?", "Ludivar - qual sua opção?", 27},
        {"FORMAS", "FORMAS", 0},
        {"Categoria inexistente", "Categoria inexistente, aperte enter", 0},
        {"Confirma fim?", "Confirma fim?", 15},  // the answer goes after the question
        {"Nome", "Nome João", 6},                 // the label before the value
        {"João", "Nome João", 6},
        {"Resposta esperada", "Resposta esperada 42", 19},
    });
}

const std::string kDemoGames = std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar";

struct DemoGame : Watched {
    std::string folder;
    explicit DemoGame(const std::string& keys) : Watched(keys) {
        if (!p) return;
        script::scriptReset();
        folder = p->dir + "/jogo";
        std::filesystem::copy(kDemoGames + "/formas-e-cores", folder, std::filesystem::copy_options::recursive);
        player::setSlideSize(160, 100);
    }
    ~DemoGame() {
        player::resetSlideState();
        media::resetMedia();
    }
    int play() {
        return p->run([&] {
            ASSERT_TRUE(plat::changeDir(folder));
            ASSERT_TRUE(game::LoadGame("formas.lud"));
            player::ShowTitleCard();
            player::PlayGame(true);
        });
    }
};

TEST(BrailleFollowsSpeech, TheDemoGamePlayedToItsEnd) {
    DemoGame g("{Enter}{Enter}formas{Enter}bola{Enter}x{Enter}{Enter}quadrado{Enter}triângulo{Enter}"
               "Vermelha{Enter} azul {Enter}muu{Enter}{Enter}{Enter}");
    ASSERT_TRUE(g.p) << g.d.dir;
    EXPECT_EQ(g.play(), -1);
    expectShownWhileSaid(g, {
        {"Formas e Cores", "Formas e Cores", 0},  // the title card, from its first line
        {"Aperte enter", "Formas e Cores", 0},    // the card stays while the pupil is told
        {"Vamos aprender", "Vamos aprender as formas e as cores!", 0},
        {"Por onde você quer começar?", "Por onde você quer começar?", 0},
        {"Parabéns, você terminou o jogo!", "Parabéns, você terminou o jogo!", 0},
        {"Você fez 60 pontos.", "Parabéns, você terminou o jogo!", 0},  // the slide's next line, by panning
        {"Fim do Jogo", "Fim do Jogo", 0},
        {"Aperte enter", "Aperte enter", 13},
    });
}

TEST(BrailleFollowsSpeech, LeavingTheDemoAsksOnTheDisplay) {
    DemoGame g("{Enter}{Enter}cores{Enter}{Esc}s{Enter}");
    ASSERT_TRUE(g.p) << g.d.dir;
    g.play();
    expectShownWhileSaid(g, {
        {"Confirma fim?", "Confirma fim?", 15},
        {"Fim do Jogo", "Fim do Jogo", 0},
    });
}

}  // namespace
