// The window front in this process, on a real X display (Xvfb): SDL events in,
// PC codes out; cells, colour table, caret, picture and magnifier on the pixels.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "platform/platform.h"
#include "support/require.h"
#include "xdisplay.h"

namespace {

class WindowFrontTest : public testing::Test {
protected:
    void SetUp() override {
        LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
        dir_ = makeTempDir();
        shot_ = dir_ + "/shot.bmp";
        setenv("LUDIVAR_SCREENSHOT", shot_.c_str(), 1);
        setenv("ECOLAR_CONFIG_DIR", (dir_ + "/config").c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);  // quiet, and still in real time
    }

    void TearDown() override {
        if (front_) {
            front_->close();
            plat::setFront(nullptr);
            front_.reset();
        }
        con::resetTextWindow();
        con::resetConfig();
        unsetenv("LUDIVAR_SCREENSHOT");
        if (!dir_.empty()) {
            std::string cmd = "rm -rf '" + dir_ + "'";
            if (std::system(cmd.c_str())) {
            }
        }
    }

    // Opens the window with an 8 x 16 font and extra [VIDEO] lines.
    void start(const std::string& videoLines = "") {
        std::ofstream(dir_ + "/ECOLAR.INI") << "[VIDEO]\r\nLARGURALETRA=8\r\nALTURALETRA=16\r\n" << videoLines;
        con::resetConfig();
        con::setIniOverride(dir_ + "/ECOLAR.INI");
        con::resetTextWindow();
        front_.reset(plat::makeWindowFront());
        ASSERT_TRUE(front_ != nullptr);
        plat::setFront(front_.get());
        con::ensureWindow();
        Shot s = snap();
        cw_ = s.w / 80;
        ch_ = s.h / 25;
    }

    Shot snap() {
        std::remove(shot_.c_str());
        std::raise(SIGUSR1);
        front_->pump();
        Shot s;
        EXPECT_TRUE(loadShot(shot_, s)) << "no screenshot";
        return s;
    }

    static void keyDown(SDL_Keycode sym, Uint16 mod, const char* text = nullptr) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
        if (text) {
            SDL_Event t;
            std::memset(&t, 0, sizeof t);
            t.type = SDL_TEXTINPUT;
            std::strncpy(t.text.text, text, sizeof t.text.text - 1);
            SDL_PushEvent(&t);
        }
    }
    static void keyUp(SDL_Keycode sym, Uint16 mod = 0) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = SDL_KEYUP;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
    }
    static void mouse(Uint32 type, int x, int y) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = x;
            e.motion.y = y;
            e.motion.state = SDL_BUTTON_RMASK;
        } else {
            e.button.button = SDL_BUTTON_RIGHT;
            e.button.x = x;
            e.button.y = y;
        }
        SDL_PushEvent(&e);
    }

    std::vector<int> takeKeys() {
        front_->pump();
        std::vector<int> k;
        while (con::tw().keyCount > 0) k.push_back(con::readKey());
        return k;
    }

    // Gives the window the keyboard focus through the X server and waits until SDL
    // reports it: the caret and the keys sent by xdotool both need it.
    bool focusWindow() {
        const auto id = reinterpret_cast<uintptr_t>(front_->nativeWindowId());
        if (!id) return false;
        const std::string cmd = "xdotool windowfocus --sync " + std::to_string(id) + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return false;
        return pumpUntil([] { return SDL_GetKeyboardFocus() != nullptr; });
    }

    // Pumps until the condition holds; the long deadline only stops a broken build.
    bool pumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 3000; ++i) {
            front_->pump();
            if (done()) return true;
            SDL_Delay(10);
        }
        return false;
    }

    static bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

    static int exitCodeOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const plat::ProgramExit& e) {
            return e.code;
        }
        return -1;
    }

    std::unique_ptr<plat::Front> front_;
    std::string dir_, shot_;
    int cw_ = 0, ch_ = 0;
};

const uint32_t kBlack = rgb(0, 0, 0), kBlue = rgb(0, 0, 255), kRed = rgb(255, 0, 0), kWhite = rgb(255, 255, 255);

}  // namespace

TEST_F(WindowFrontTest, KeysBecomeThePcCodes) {
    start();
    keyDown(SDLK_a, 0, "a");
    keyDown(SDLK_UP, 0);
    keyDown(SDLK_k, KMOD_LCTRL);             // Ctrl+K types nothing, the letter names it
    keyDown(SDLK_F1, KMOD_LCTRL);
    keyDown(SDLK_INSERT, KMOD_LSHIFT);
    keyDown(SDLK_KP_8, 0);                   // keypad without Num Lock moves
    keyDown(SDLK_RETURN, KMOD_RCTRL);
    keyDown(SDLK_BACKSLASH, KMOD_LCTRL);
    EXPECT_EQ(takeKeys(), (std::vector<int>{'a', 0, 72, 11, 0, 94, 0, 254, 0, 72, 10, 28}));

    SDL_StartTextInput();
    SDL_Event t;
    std::memset(&t, 0, sizeof t);
    t.type = SDL_TEXTINPUT;
    std::strcpy(t.text.text, "\xc3\xa7\xe2\x82\xac");  // "ç€" from an input method, no key events
    SDL_PushEvent(&t);
    keyDown(SDLK_q, KMOD_RALT, "/");         // AltGr+Q on a Brazilian keyboard
    keyDown(SDLK_SEMICOLON, KMOD_LSHIFT, ":");
    EXPECT_EQ(takeKeys(), (std::vector<int>{0xe7, 0x80, '/', ':'}));
}

TEST_F(WindowFrontTest, AltCombinationsOnlyWithTheBreakCheckOff) {
    start();
    keyDown(SDLK_x, KMOD_LALT, "x");
    keyDown(SDLK_F1, KMOD_LALT);
    EXPECT_TRUE(takeKeys().empty());
    con::setBreakCheck(false);
    keyDown(SDLK_x, KMOD_LALT, "x");
    keyDown(SDLK_3, KMOD_LALT, "3");
    keyDown(SDLK_RIGHT, KMOD_LALT);
    EXPECT_EQ(takeKeys(), (std::vector<int>{0, 45, 0, 122, 0, 77}));
}

TEST_F(WindowFrontTest, BrailleChordsComeFromKeyUps) {
    start();
    con::tw().brailleMode = 1;
    keyDown(SDLK_f, 0, "f");
    keyDown(SDLK_d, 0, "d");
    EXPECT_TRUE(takeKeys().empty());
    keyUp(SDLK_f);
    EXPECT_TRUE(takeKeys().empty());  // dot 2 still held
    keyUp(SDLK_d);
    EXPECT_EQ(takeKeys(), (std::vector<int>{'b'}));
}

TEST_F(WindowFrontTest, CtrlBreakEndsWith255AndTheCloseBoxClosesUnlessBarred) {
    start();
    keyDown(SDLK_PAUSE, KMOD_LCTRL);
    EXPECT_EQ(exitCodeOf([&] { front_->pump(); }), 255);

    con::setBreakCheck(false);  // as the editor's menu does: no close, no break
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    EXPECT_EQ(exitCodeOf([&] { front_->pump(); }), -1);
    keyDown(SDLK_F4, KMOD_LALT);
    EXPECT_EQ(exitCodeOf([&] { front_->pump(); }), -1);

    con::setBreakCheck(true);
    SDL_PushEvent(&e);
    EXPECT_EQ(exitCodeOf([&] { front_->pump(); }), 0);
    keyDown(SDLK_F4, KMOD_LALT);  // Alt+F4 is the close box from the keyboard
    EXPECT_EQ(exitCodeOf([&] { front_->pump(); }), 0);
}

TEST_F(WindowFrontTest, TheWindowSaysWhatItIsAndReachesUpOnlyThroughItsHooks) {
    start();
    EXPECT_TRUE(front_->hasWindow());
    EXPECT_FALSE(front_->drawsOnTerminal());
    EXPECT_FALSE(front_->virtualClock());
    EXPECT_FALSE(front_->unattended());
    EXPECT_TRUE(front_->hasBreakKey());

    // Another layer registered in the console's place gets the keys and the close box.
    static std::vector<plat::KeyEvent> got;
    got.clear();
    plat::KeySink sink;
    sink.key = [](const plat::KeyEvent& ev) { got.push_back(ev); };
    plat::setKeySink(sink);
    plat::setQuitHook([] { throw plat::ProgramExit{9}; });
    keyDown(SDLK_UP, 0);
    front_->pump();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, plat::KeyId::Up);
    EXPECT_EQ(con::tw().keyCount, 0);
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    EXPECT_EQ(exitCodeOf([&] { front_->pump(); }), 9);
    EXPECT_FALSE(con::tw().closed);  // the console's own close did not run
    con::connectFronts();
}

TEST_F(WindowFrontTest, CellsInTheirColours) {
    start();
    EXPECT_EQ(cw_, 8);
    EXPECT_GE(ch_, 12);
    EXPECT_LE(ch_, 16);
    con::gotoXY(1, 1);
    con::setTextAttr(0x1f);
    con::write("AB");
    con::gotoXY(1, 3);
    con::setTextAttr(0x4e);
    con::write(" ");
    Shot s = snap();
    ASSERT_EQ(s.w, 80 * cw_);
    ASSERT_EQ(s.h, 25 * ch_);
    // blue cells with white letters, a red blank, black everywhere else
    for (int col = 0; col < 2; ++col) {
        EXPECT_GT(countInCell(s, cw_, ch_, col, 0, kBlue), cw_ * ch_ / 3);
        EXPECT_GT(countInCell(s, cw_, ch_, col, 0, kWhite), 4);
        EXPECT_EQ(countInCell(s, cw_, ch_, col, 0, kBlack), 0);
    }
    EXPECT_TRUE(cellAll(s, cw_, ch_, 0, 2, kRed));
    EXPECT_TRUE(cellAll(s, cw_, ch_, 2, 0, kBlack));
    EXPECT_TRUE(cellAll(s, cw_, ch_, 79, 24, kBlack));
    EXPECT_TRUE(cellAll(s, cw_, ch_, 1, 2, kBlack));
}

TEST_F(WindowFrontTest, TheColourTableMapsColoursToPaletteEntries) {
    start("TABCORES=1,0\r\n");
    // the screen starts on background 0, which the table now shows blue
    con::gotoXY(1, 2);
    con::setTextAttr(0x10);
    con::write(" ");
    Shot s = snap();
    EXPECT_TRUE(cellAll(s, cw_, ch_, 40, 10, kBlue));
    EXPECT_TRUE(cellAll(s, cw_, ch_, 0, 1, kBlack));
}

TEST_F(WindowFrontTest, TheCaretShowsOnlyWhileReading) {
    start();
    con::gotoXY(5, 3);
    if (haveXdotool() || testsupport::componentsRequired()) {
        // The real focus, on a display of our own: nothing can take it away meanwhile.
        ASSERT_TRUE(focusWindow());
    } else {
        SDL_Event focus;  // the caret needs the focus; say the window has it
        std::memset(&focus, 0, sizeof focus);
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        SDL_PushEvent(&focus);
    }
    Shot off = snap();
    con::tw().reading = true;
    front_->cursorMoved(con::screenView());
    Shot on = snap();
    con::tw().reading = false;
    front_->cursorMoved(con::screenView());
    Shot again = snap();
    EXPECT_EQ(off.px, again.px);
    // the caret: the cursor cell's pixels inverted, a cell wide, 2 pixels high
    int changed = 0, minY = 1 << 30, maxY = -1;
    for (int y = 0; y < on.h; ++y)
        for (int x = 0; x < on.w; ++x)
            if (on.at(x, y) != off.at(x, y)) {
                ++changed;
                EXPECT_EQ(on.at(x, y), off.at(x, y) ^ 0xffffffu);
                EXPECT_GE(x, 4 * cw_);
                EXPECT_LT(x, 5 * cw_);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    EXPECT_EQ(changed, 2 * cw_);
    EXPECT_EQ(maxY - minY, 1);
    EXPECT_GE(minY, 2 * ch_);
    EXPECT_LT(maxY, 3 * ch_);
}

TEST_F(WindowFrontTest, ThePictureGoesOverTheText) {
    start();
    plat::Picture pic;
    pic.width = 20;
    pic.height = 10;
    pic.rgb.assign(20 * 10 * 3, 0);
    for (size_t i = 0; i < pic.rgb.size(); i += 3) pic.rgb[i] = 255;
    con::tw().picture = pic;
    con::tw().pictureShown = true;
    con::drawBitmap(3, 4);
    con::gotoXY(1, 1);
    con::setTextAttr(0x1f);
    con::write("   ");  // repainting the text under the picture keeps the picture on top
    Shot s = snap();
    EXPECT_EQ(s.at(3, 4), kRed);
    EXPECT_EQ(s.at(22, 13), kRed);
    EXPECT_EQ(s.at(2, 4), kBlue);
    EXPECT_EQ(s.at(23, 4), cw_ * 3 > 23 ? kBlue : kBlack);

    // while text painting is off, writing changes no pixel
    con::setTextPaintingOff(true);
    Shot before = snap();
    con::gotoXY(10, 10);
    con::write("XXXX");
    EXPECT_EQ(snap().px, before.px);
    con::setTextPaintingOff(false);
    EXPECT_GT(countInCell(snap(), cw_, ch_, 9, 9, kWhite), 0);

    con::hideBitmap();
    Shot gone = snap();
    EXPECT_EQ(gone.at(3, 4), kBlue);
    EXPECT_EQ(gone.at(22, 13), kBlue);
}

TEST_F(WindowFrontTest, TheMagnifierEnlargesAroundTheMouse) {
    start("AMPLIF=3\r\n");
    con::gotoXY(1, 1);
    con::setTextAttr(0x10);
    con::write(" ");
    Shot plain = snap();
    EXPECT_EQ(plain.at(cw_, 0), kBlack);
    // at the top-left corner the source is the window's top-left third
    mouse(SDL_MOUSEBUTTONDOWN, 0, 0);
    Shot big = snap();
    EXPECT_EQ(big.at(3 * cw_ - 1, 3 * ch_ - 1), kBlue);
    EXPECT_EQ(big.at(3 * cw_ + 1, 0), kBlack);
    // moving to the bottom-right corner shows that corner (black here)
    mouse(SDL_MOUSEMOTION, plain.w - 1, plain.h - 1);
    EXPECT_EQ(snap().at(0, 0), kBlack);
    mouse(SDL_MOUSEBUTTONUP, plain.w - 1, plain.h - 1);
    EXPECT_EQ(snap().px, plain.px);
}

TEST_F(WindowFrontTest, ResizingStaysBetween16x4And80x25Cells) {
    start();
    SDL_Window* win = nullptr;
    for (Uint32 id = 1; id < 100000 && !win; ++id) win = SDL_GetWindowFromID(id);
    ASSERT_TRUE(win != nullptr);
    int w = 0, h = 0;
    SDL_GetWindowMinimumSize(win, &w, &h);
    EXPECT_EQ(w, 16 * cw_);
    EXPECT_EQ(h, 4 * ch_);
    SDL_GetWindowMaximumSize(win, &w, &h);
    EXPECT_EQ(w, 80 * cw_);
    EXPECT_EQ(h, 25 * ch_);
    SDL_SetWindowSize(win, 5000, 5000);
    SDL_GetWindowSize(win, &w, &h);
    EXPECT_LE(w, 80 * cw_);
    EXPECT_LE(h, 25 * ch_);
    SDL_SetWindowSize(win, 1, 1);
    SDL_GetWindowSize(win, &w, &h);
    EXPECT_GE(w, 16 * cw_);
    EXPECT_GE(h, 4 * ch_);
}

TEST_F(WindowFrontTest, TitleAndClipboardCrossAsUtf8) {
    start();
    con::setWindowTitle(plat::cp("  Edição de jogo  "));
    SDL_Window* win = nullptr;
    for (Uint32 id = 1; id < 100000 && !win; ++id) win = SDL_GetWindowFromID(id);
    ASSERT_TRUE(win != nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(win), "Edição de jogo");

    con::copyToClipboard(plat::cp("Versão 2.2"));
    char* raw = SDL_GetClipboardText();
    EXPECT_STREQ(raw, "Versão 2.2");
    SDL_free(raw);
    EXPECT_EQ(con::pasteFromClipboard(256), plat::cp("Versão 2.2"));
    EXPECT_EQ(con::pasteFromClipboard(4), plat::cp("Ver"));
}

// Keys typed on a real keyboard go through the X server's keymap: with the stock one,
// Ctrl+Alt+F9 becomes a console switch and never arrives, so each such key has a
// second one that does.
TEST_F(WindowFrontTest, SecondKeysArriveThroughTheXServer) {
    LUDIVAR_REQUIRE(haveXdotool(), "xdotool is not installed");
    start();
    ASSERT_TRUE(focusWindow());
    struct Case {
        const char* keys;        // as xdotool names them
        std::vector<int> codes;  // before the Escape that marks the end of the case
        uint8_t mods;
        int braille;
    };
    const Case cases[] = {
        {"ctrl+alt+F9", {}, 0, 0},
        {"ctrl+shift+F9", {0, 102}, plat::ModCtrl | plat::ModAlt, 0},
        {"shift+F1", {0, 77}, plat::ModAlt, 0},
        {"ctrl+alt+F11", {}, 0, 0},
        {"ctrl+shift+F11", {}, 0, 1},
        {"ctrl+shift+F12", {}, 0, 0},
    };
    for (const Case& c : cases) {
        con::flushKeys();
        const std::string cmd = std::string("xdotool key ") + c.keys + " Escape";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        ASSERT_TRUE(pumpUntil([] {
            for (int i = 0; i < con::tw().keyCount; ++i)
                if (con::tw().keys[size_t(i)] == 27) return true;
            return false;
        })) << c.keys;
        std::vector<int> got;
        for (int i = 0; con::tw().keys[size_t(i)] != 27; ++i) {
            got.push_back(con::tw().keys[size_t(i)]);
            EXPECT_EQ(int(con::tw().keyMods[size_t(i)]), int(c.mods)) << c.keys;
        }
        EXPECT_EQ(got, c.codes) << c.keys;
        EXPECT_EQ(con::tw().brailleMode, c.braille) << c.keys;
    }
}
