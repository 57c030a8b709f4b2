// The program itself in a window: started as a user starts it, photographed once it
// waits at the question, and closed from outside.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "xdisplay.h"

extern char** environ;

namespace {

bool fileExists(const std::string& f) {
    struct stat st;
    return stat(f.c_str(), &st) == 0;
}

std::string slurp(const std::string& f) {
    std::ifstream in(f);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Waits up to `ms` for the child to end; its exit code, or -1 while it still runs.
int waitExit(pid_t pid, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

}  // namespace

TEST(WindowProgram, GreetingRowOnBlueTheRestBlack) {
    if (!haveDisplay()) GTEST_SKIP() << "no X display and no Xvfb to start";
    const char* bin = std::getenv("LUDIVAR_BIN");
    std::string program = bin && *bin ? bin : LUDIVAR_BIN;
    const std::string dir = makeTempDir(), shot = dir + "/shot.bmp", err = dir + "/err.txt";

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string v = *e;
        if (v.rfind("ECOLAR_CONFIG_DIR=", 0) && v.rfind("LUDIVAR_SCREENSHOT=", 0) && v.rfind("SDL_AUDIODRIVER=", 0))
            env.push_back(v);
    }
    env.push_back("ECOLAR_CONFIG_DIR=" + dir + "/config");  // nobody's own settings
    env.push_back("LUDIVAR_SCREENSHOT=" + shot);
    env.push_back("SDL_AUDIODRIVER=dummy");
    std::vector<char*> cenv;
    for (std::string& v : env) cenv.push_back(v.data());
    cenv.push_back(nullptr);
    std::vector<char*> argv = {program.data(), nullptr};

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), cenv.data()), 0) << program;
    posix_spawn_file_actions_destroy(&fa);

    // the first picture is taken when the program first waits for a key
    for (int i = 0; i < 600 && !fileExists(shot); ++i) {
        if (waitExit(pid, 0) >= 0) FAIL() << "the program ended early: " << slurp(err);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Shot s;
    const bool got = loadShot(shot, s);
    if (!got) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "no screenshot of the window: " << slurp(err);
    }
    ASSERT_EQ(s.w % 80, 0);
    ASSERT_EQ(s.h % 25, 0);
    const int cw = s.w / 80, ch = s.h / 25;
    const uint32_t blue = rgb(0, 0, 255), black = rgb(0, 0, 0), white = rgb(255, 255, 255);

    // "Ludivar - editor de jogos educacionais - Versão 2.2 alfa": 56 cells on blue
    // (one report for the first wrong cell keeps a failure readable)
    int whitePixels = 0;
    for (int col = 0; col < 56; ++col) {
        whitePixels += countInCell(s, cw, ch, col, 0, white);
        if (countInCell(s, cw, ch, col, 0, blue) <= cw * ch / 3 || countInCell(s, cw, ch, col, 0, black) > 0) {
            ADD_FAILURE() << "row 1, column " << col + 1 << " is not on blue; the program said: " << slurp(err);
            break;
        }
    }
    EXPECT_GT(whitePixels, 56 * 4);  // the letters are there
    for (int col = 57; col < 80; ++col)
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
    kill(pid, SIGTERM);
    int code = waitExit(pid, 10000);
    if (code < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(code, 0) << slurp(err);
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str())) {
    }
}

// Speech that cannot start ends the program, but the window stays with the reason on it,
// titled "Programa terminado", until the user closes it (it used to wait for Enter in
// silence, or vanish with the reason).
TEST(WindowProgram, AnEndWithoutClosingLeavesTheWindowUp) {
    if (!haveDisplay()) GTEST_SKIP() << "no X display and no Xvfb to start";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    const char* bin = std::getenv("LUDIVAR_BIN");
    std::string program = bin && *bin ? bin : LUDIVAR_BIN;
    const std::string dir = makeTempDir(), err = dir + "/err.txt", ini = dir + "/ECOLAR.INI";
    std::ofstream(ini) << "[TRADUTOR]\r\nDIRDIFONES=c:\\nenhum\\lugar\r\n[SINTETIZADOR]\r\nDIFONES3=VOZ3\r\n";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string v = *e;
        if (v.rfind("ECOLAR_CONFIG_DIR=", 0) && v.rfind("SDL_AUDIODRIVER=", 0)) env.push_back(v);
    }
    env.push_back("ECOLAR_CONFIG_DIR=" + dir + "/config");
    env.push_back("SDL_AUDIODRIVER=dummy");
    std::vector<char*> cenv;
    for (std::string& v : env) cenv.push_back(v.data());
    cenv.push_back(nullptr);
    std::string iniArg = "--ini", windowArg = "--window";
    std::vector<char*> argv = {program.data(), windowArg.data(), iniArg.data(), const_cast<char*>(ini.c_str()), nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), cenv.data()), 0) << program;
    posix_spawn_file_actions_destroy(&fa);

    // Wait for the window by its title; the deadline only stops a broken build.
    std::string id;
    for (int i = 0; i < 600 && id.empty(); ++i) {
        if (waitExit(pid, 0) >= 0) break;
        FILE* p = popen("xdotool search --name '^Programa terminado$' 2>/dev/null", "r");
        char buf[64];
        if (p && fgets(buf, sizeof buf, p)) id = buf;
        if (p) pclose(p);
        if (id.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
    ASSERT_FALSE(id.empty()) << "no window titled Programa terminado: " << slurp(err);
    EXPECT_EQ(waitExit(pid, 0), -1);  // still up
    EXPECT_NE(slurp(err).find("Erro de inicialização: "), std::string::npos) << slurp(err);
    // Esc closes it; the status says that speech could not start.
    const std::string key = "xdotool windowfocus --sync " + id + " key Escape";
    EXPECT_EQ(std::system(key.c_str()), 0);
    int code = waitExit(pid, 30000);
    if (code < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(code, 1);
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str())) {
    }
}
