// The terminal front in a real terminal (tmux on a private socket) of several sizes:
// what a smaller terminal shows follows the cursor both ways, on 80 x 24 the first row
// and the answer row are both in sight, and a slide's colours come out in as many
// colours as the terminal says it draws.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The demo played in a terminal of cols x rows, up to the answer of its first place.
class DemoInTmux {
public:
    // withGame false: Ludivar alone, at its main question.
    DemoInTmux(int cols, int rows, const std::string& env, bool withGame = true) {
        dir_ = tempDir();
        trace_ = dir_ + "/trace.txt";
        fs::copy(std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar", dir_ + "/jogos", fs::copy_options::recursive);
        // The copy is the games folder, so the game is played where it is without a question.
        writeText(dir_ + "/ECOLAR.INI", "[LUDIVAR]\r\nDIRJOGOS=" + dir_ + "/jogos\r\n");
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy ECOLAR_CONFIG_DIR=" + dir_ +
                                "/config " + env + " " + quoted(LUDIVAR_BIN) + " --tty --ini " + dir_ + "/ECOLAR.INI --trace " +
                                trace_ + (withGame ? " " + dir_ + "/jogos/formas-e-cores/formas.lud" : std::string());
        started_ = tmux("new-session -d -x " + std::to_string(cols) + " -y " + std::to_string(rows) + " " + quoted(cmd)) == 0;
    }
    ~DemoInTmux() { tmux("kill-server"); }
    bool started() const { return started_; }

    int tmux(const std::string& args) const {
        return std::system(("tmux -S " + dir_ + "/sock -f /dev/null " + args + " >/dev/null 2>&1").c_str());
    }
    std::string out(const std::string& args) const {
        return testsupport::runCommand("tmux -S " + dir_ + "/sock -f /dev/null " + args);
    }
    bool said(const std::string& text) const {
        return testsupport::waitUntil([&] { return readText(trace_).find("speak " + text) != std::string::npos; },
                                      60000, 20);
    }
    void type(const std::string& keys) const { tmux("send-keys -l " + quoted(keys)); }
    void enter() const { tmux("send-keys Enter"); }
    std::vector<std::string> screen() const {
        std::vector<std::string> lines;
        std::istringstream in(out("capture-pane -p"));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    std::string colouredScreen() const { return out("capture-pane -p -e"); }
    // Waits until nothing on the terminal shows `text`.
    bool gone(const std::string& text) const {
        return testsupport::waitUntil([&] { return out("capture-pane -p").find(text) == std::string::npos; }, 30000, 20);
    }
    // Waits until the terminal shows `text` (what the program draws arrives a moment later).
    bool shows(const std::string& text) const {
        return testsupport::waitUntil([&] { return out("capture-pane -p").find(text) != std::string::npos; }, 30000, 20);
    }
    std::string trace() const { return readText(trace_); }

    // Through the title card and the opening to the instructions, the place's answer.
    bool toTheFirstAnswer() const {
        if (!said("Aperte enter")) return false;
        enter();
        return said("Aperte Enter para começar.");
    }

private:
    std::string dir_, trace_;
    bool started_ = false;
};

}  // namespace

// One size per test: each plays the demo in real time, and three in one test would
// come near the test's time limit on a loaded machine.
static void followsTheCursor(int cols, int rows) {
    LUDIVAR_REQUIRE(testsupport::haveProgram("tmux"), "tmux is not installed");
    struct Case {
        int cols, rows;
    };
    // 70 letters typed on the answer row: past the right edge of a 60-column terminal
    const std::string typed = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqr";
    for (const Case& c : {Case{cols, rows}}) {
        const std::string name = std::to_string(c.cols) + "x" + std::to_string(c.rows);
        DemoInTmux t(c.cols, c.rows, "TERM=screen");
        ASSERT_TRUE(t.started()) << name;
        ASSERT_TRUE(t.toTheFirstAnswer()) << name << "\n" << t.trace();
        // the slide's first line and its last (the lines between have blanks to spare)
        EXPECT_TRUE(t.shows("Vamos aprender as formas e as cores!")) << name;
        EXPECT_TRUE(t.shows("Aperte Enter para começar.")) << name;
        // typed ten at a time (more than the program's type-ahead would be dropped);
        // the end of what was typed is always in sight
        for (size_t n = 10; n <= typed.size(); n += 10) {
            t.type(typed.substr(n - 10, 10));
            ASSERT_TRUE(t.shows(typed.substr(n - 10, 10))) << name << " after " << n << " letters";
        }
        // the cursor, shown once the program waits for the next key, right after the text
        const int wantX = std::min(int(typed.size()), c.cols - 1), wantY = c.rows < 25 ? c.rows - 1 : 24;
        std::string cursor;
        EXPECT_TRUE(testsupport::waitUntil([&] {
            cursor = t.out("display -p '#{cursor_flag} #{cursor_x} #{cursor_y}'");
            return cursor.rfind("1 " + std::to_string(wantX) + " " + std::to_string(wantY), 0) == 0;
        }, 30000, 20)) << name << ": cursor " << cursor;
        // then, the screen settled: the first row on the first line (narrower: the part the
        // view shows)
        const std::vector<std::string> lines = t.screen();
        ASSERT_EQ(int(lines.size()), c.rows) << name;
        EXPECT_TRUE(!lines[0].empty() && std::string("Vamos aprender as formas e as cores!").find(lines[0]) != std::string::npos)
            << name << ": first line is " << lines[0];
        const int y = wantY;
        EXPECT_NE(lines[size_t(y)].find(typed.substr(typed.size() - 12)), std::string::npos) << name << ": " << lines[size_t(y)];
    }
}

TEST(TerminalView, FollowsTheCursorAt60x20) { followsTheCursor(60, 20); }
TEST(TerminalView, FollowsTheCursorAt80x24) { followsTheCursor(80, 24); }
TEST(TerminalView, FollowsTheCursorAt100x30) { followsTheCursor(100, 30); }

TEST(TerminalView, SlideColoursInTheTerminalsColours) {
    LUDIVAR_REQUIRE(testsupport::haveProgram("tmux"), "tmux is not installed");
    struct Case {
        const char* env;
        const char* ink;    // yellow letters
        const char* paper;  // on blue
    };
    const Case cases[] = {
        {"TERM=screen", "93", "44"},
        {"TERM=xterm-256color", "38;5;226", "48;5;21"},
        {"TERM=xterm-256color COLORTERM=truecolor", "38;2;255;255;0", "48;2;0;0;255"},
    };
    for (const Case& c : cases) {
        DemoInTmux t(80, 25, c.env);
        ASSERT_TRUE(t.started()) << c.env;
        ASSERT_TRUE(t.toTheFirstAnswer()) << c.env << "\n" << t.trace();
        t.enter();
        ASSERT_TRUE(t.said("Escreva FORMAS ou CORES.")) << c.env;
        ASSERT_TRUE(t.shows("Por onde")) << c.env;
        const std::string screen = t.colouredScreen();
        const size_t at = screen.find("Por onde");
        ASSERT_NE(at, std::string::npos);
        const std::string before = screen.substr(screen.rfind('\n', at) + 1, at - screen.rfind('\n', at) - 1);
        EXPECT_NE(before.find(c.ink), std::string::npos) << c.env << ": " << before;
        EXPECT_NE(before.find(c.paper), std::string::npos) << c.env << ": " << before;
    }
}

// The notice of a small terminal is taken off the screen as soon as the terminal grows to
// the whole screen: it is no longer true.
TEST(TerminalView, TheSizeNoticeGoesWhenTheTerminalGrows) {
    LUDIVAR_REQUIRE(testsupport::haveProgram("tmux"), "tmux is not installed");
    DemoInTmux t(60, 20, "TERM=screen", false);
    ASSERT_TRUE(t.started());
    ASSERT_TRUE(t.said("Opção: Jogar, Criar ou Editar?")) << t.trace();
    ASSERT_TRUE(t.shows("menor que 80 por 25"));
    t.tmux("resize-window -x 80 -y 25");
    EXPECT_TRUE(t.gone("menor que 80 por 25")) << t.out("capture-pane -p");
    EXPECT_TRUE(t.shows("Opção: Jogar, Criar ou Editar?")) << "the question stays";
}
