// The program itself in a window: started as a user starts it, photographed once it
// waits at the question, and closed from outside.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/headless.h"
#include "support/require.h"
#include "support/wait.h"
#include "xdisplay.h"

namespace {

bool fileExists(const std::string& f) {
    struct stat st;
    return stat(f.c_str(), &st) == 0;
}

std::string program() {
    const char* bin = std::getenv("LUDIVAR_BIN");
    return bin && *bin ? bin : LUDIVAR_BIN;
}

}  // namespace

TEST(WindowProgram, GreetingRowOnBlueTheRestBlack) {
    LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
    const std::string dir = makeTempDir(), shot = dir + "/shot.bmp", err = dir + "/err.txt";
    testsupport::Child child;
    testsupport::SpawnOptions o;
    o.errFile = err;
    // A later start: the first one shows where the games went, below the question.
    std::filesystem::create_directories(dir + "/data/ludivar");
    writeText(dir + "/data/ludivar/.jogos-copiados", "");
    o.env = {"ECOLAR_CONFIG_DIR=" + dir + "/config",  // nobody's own settings
             "XDG_DATA_HOME=" + dir + "/data", "LUDIVAR_SCREENSHOT=" + shot, "SDL_AUDIODRIVER=dummy"};
    ASSERT_TRUE(testsupport::spawn(child, {program()}, o)) << program();

    // the first picture is taken when the program first waits for a key
    bool ended = false;
    testsupport::waitUntil([&] { return fileExists(shot) || (ended = !child.running()); }, 60000, 50);
    if (ended) FAIL() << "the program ended early: " << readText(err);
    Shot s;
    const bool got = loadShot(shot, s);
    if (!got) FAIL() << "no screenshot of the window: " << readText(err);
    ASSERT_EQ(s.w % 80, 0);
    ASSERT_EQ(s.h % 25, 0);
    const int cw = s.w / 80, ch = s.h / 25;
    const uint32_t blue = rgb(0, 0, 255), black = rgb(0, 0, 0), white = rgb(255, 255, 255);

    // "Ludivar - editor de jogos educacionais - Versão 2.2.0": 53 cells on blue
    // (one report for the first wrong cell keeps a failure readable)
    int whitePixels = 0;
    for (int col = 0; col < 53; ++col) {
        whitePixels += countInCell(s, cw, ch, col, 0, white);
        if (countInCell(s, cw, ch, col, 0, blue) <= cw * ch / 3 || countInCell(s, cw, ch, col, 0, black) > 0) {
            ADD_FAILURE() << "row 1, column " << col + 1 << " is not on blue; the program said: " << readText(err);
            break;
        }
    }
    EXPECT_GT(whitePixels, 53 * 4);  // the letters are there
    for (int col = 54; col < 80; ++col)
        if (!cellAll(s, cw, ch, col, 0, black)) {
            ADD_FAILURE() << "row 1, column " << col + 1 << " is not black";
            break;
        }
    // below it only the question on row 4; everything else black
    for (int row = 1; row < 25; ++row) {
        for (int col = row == 3 ? 40 : 0; col < 80; ++col)
            if (!cellAll(s, cw, ch, col, row, black)) {
                ADD_FAILURE() << "cell " << col + 1 << "," << row + 1 << " is not black";
                row = 25;
                break;
            }
    }
    EXPECT_GT(countInCell(s, cw, ch, 0, 3, white), 0);  // the question is written

    // SIGTERM reaches the program as a close request: a normal end
    kill(child.pid, SIGTERM);
    EXPECT_EQ(child.waitExit(testsupport::kPatienceMs), 0) << readText(err);
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str())) {
    }
}

// Speech that cannot start ends the program, but the window stays with the reason on it,
// titled "Programa terminado", until the user closes it (it used to wait for Enter in
// silence, or vanish with the reason).
TEST(WindowProgram, AnEndWithoutClosingLeavesTheWindowUp) {
    LUDIVAR_REQUIRE(haveDisplay(), "no X display and no Xvfb to start");
    LUDIVAR_REQUIRE(std::system("command -v xdotool >/dev/null 2>&1") == 0, "xdotool is not installed");
    const std::string dir = makeTempDir(), err = dir + "/err.txt", ini = dir + "/ECOLAR.INI";
    std::ofstream(ini) << "[TRADUTOR]\r\nDIRDIFONES=c:\\nenhum\\lugar\r\n[SINTETIZADOR]\r\nDIFONES3=VOZ3\r\n";
    testsupport::Child child;
    testsupport::SpawnOptions o;
    o.errFile = err;
    o.env = {"ECOLAR_CONFIG_DIR=" + dir + "/config", "SDL_AUDIODRIVER=dummy"};
    ASSERT_TRUE(testsupport::spawn(child, {program(), "--window", "--ini", ini}, o)) << program();

    // Wait for the window by its title; the deadline only stops a broken build.
    std::string id;
    testsupport::waitUntil([&] {
        id = testsupport::runCommand("xdotool search --name '^Programa terminado$'");
        return !id.empty() || !child.running();
    }, 60000, 100);
    id = id.substr(0, id.find_first_of("\r\n"));  // the first, should there be more
    ASSERT_FALSE(id.empty()) << "no window titled Programa terminado: " << readText(err);
    EXPECT_TRUE(child.running());  // still up
    EXPECT_NE(readText(err).find("Erro de inicialização: "), std::string::npos) << readText(err);
    // Esc closes it; the status says that speech could not start.
    const std::string key = "xdotool windowfocus --sync " + id + " key Escape";
    EXPECT_EQ(std::system(key.c_str()), 0);
    EXPECT_EQ(child.waitExit(30000), 1);
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str())) {
    }
}
