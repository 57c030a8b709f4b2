// Where a teacher's games and settings live, the one-time move of the games that
// earlier versions kept inside the program's data, and names matched whatever
// their case and byte encoding.
#include "ludivar_paths.h"
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "console/config.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"
#include "util/folders.h"

namespace fs = std::filesystem;

namespace {

void touch(const std::string& path, const std::string& text = "x") {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct EnvGuard {
    std::string name, old;
    bool had;
    EnvGuard(const char* n, const std::string& v) : name(n), had(std::getenv(n) != nullptr) {
        if (had) old = std::getenv(n);
        setenv(n, v.c_str(), 1);
    }
    ~EnvGuard() {
        if (had) setenv(name.c_str(), old.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

}  // namespace

TEST(UserData, GamesFolderFromTheSetting) {
    std::string d = tempDir();
    EnvGuard data("XDG_DATA_HOME", d + "/data");
    struct Case { const char* dirjogos; bool isDefault; };
    const Case cases[] = {
        {"", true},
        {"   ", true},
        {"c:\\sonare\\ludivar", true},   // what every old ECOLAR.INI says
        {"C:\\SONARE\\LUDIVAR\\", true},
        {"d:/sonare/ludivar", true},
        {"c:\\sonare\\ludivar\\turma", false},
        {"c:\\meus jogos", false},
        {"/srv/jogos", false},
    };
    for (const Case& c : cases) EXPECT_EQ(plat::isDefaultGamesSetting(c.dirjogos), c.isDefault) << c.dirjogos;

    InProc ip("", "[LUDIVAR]\nDIRJOGOS=c:\\sonare\\ludivar\n", false);
    setenv("XDG_DATA_HOME", (d + "/data").c_str(), 1);
    EXPECT_EQ(plat::gamesDir(con::settings().gamesFolder), d + "/data/ludivar/jogos");
    EXPECT_TRUE(fs::is_directory(d + "/data/ludivar/jogos"));
    // A relative XDG folder is to be ignored: the default under $HOME holds.
    {
        EnvGuard rel("XDG_DATA_HOME", "relativo");
        EnvGuard home("HOME", d + "/casa");
        EXPECT_EQ(util::userDataDir(), d + "/casa/.local/share/ludivar");
    }
    fs::create_directories(d + "/outra");
    writeText(ip.dir + "/outro.ini", "[LUDIVAR]\nDIRJOGOS=" + d + "/outra\n");
    con::resetConfig();
    con::setIniOverride(ip.dir + "/outro.ini");
    EXPECT_EQ(plat::gamesDir(con::settings().gamesFolder), d + "/outra");

    // Settings: $ECOLAR_CONFIG_DIR first, then $XDG_CONFIG_HOME/ecolar.
    unsetenv("ECOLAR_CONFIG_DIR");
    EnvGuard cfg("XDG_CONFIG_HOME", d + "/cfg");
    EXPECT_EQ(util::settingsDir(), d + "/cfg/ecolar/");
}

TEST(UserData, OldGamesMoveOnceAndNothingIsReplaced) {
    std::string d = tempDir();
    std::string old = d + "/root/sonare/ludivar", games = d + "/jogos", marker = d + "/.copiados";
    touch(old + "/formas-e-cores/formas.lud", "demo");
    touch(old + "/Minha Turma/aula.lud", "aula da professora");
    touch(old + "/Minha Turma/figuras/gato.jpg", "gato");
    touch(old + "/sons/LUFIM.wav", "som");           // the program's own sounds
    touch(old + "/.aula.lud.Ab12Cd", "restos");       // an interrupted save
    touch(games + "/formas-e-cores/formas.lud", "editado pela professora");
    fs::create_directories(games);

    EXPECT_EQ(game::SeedGamesFolder(games, old, marker), 1);  // only "Minha Turma" was missing
    EXPECT_EQ(readText(games + "/formas-e-cores/formas.lud"), "editado pela professora");
    EXPECT_EQ(readText(games + "/Minha Turma/aula.lud"), "aula da professora");
    EXPECT_EQ(readText(games + "/Minha Turma/figuras/gato.jpg"), "gato");
    EXPECT_FALSE(fs::exists(games + "/sons"));
    EXPECT_FALSE(fs::exists(games + "/.aula.lud.Ab12Cd"));
    EXPECT_TRUE(fs::exists(marker));

    // Once: a game deleted by the teacher does not come back.
    fs::remove_all(games + "/Minha Turma");
    EXPECT_EQ(game::SeedGamesFolder(games, old, marker), 0);
    EXPECT_FALSE(fs::exists(games + "/Minha Turma"));
}

// The whole start-up: a fresh user, with the program's data holding a teacher's game.
TEST(UserData, FirstRunCopiesTheGamesAndSaysWhere) {
    std::string d = tempDir();
    touch(d + "/root/sonare/ludivar/Turma/aula.lud", "[DADOS GERAIS]\r\nNOME DO JOGO=Aula\r\n");
    // The program's own data: the build's voice and settings, beside the old game.
    fs::create_directory_symlink(std::string(LUDIVAR_BUILD_ROOT) + "/sonare/som", d + "/root/sonare/som");
    fs::create_symlink(std::string(LUDIVAR_BUILD_ROOT) + "/ECOLAR.INI", d + "/root/ECOLAR.INI");
    EnvGuard root("ECOLAR_ROOT", d + "/root");
    HeadlessResult r = runHeadless("{Esc}");
    EXPECT_EQ(r.exitCode, 0);
    // Said in a few words; the full path, where the teacher's game now is, stays on the screen.
    ASSERT_TRUE(r.contains("speak Seus jogos ficam na pasta jogos em sua pasta pessoal"));
    std::string games;
    for (const std::string& row : r.rows)
        if (row.rfind("Pasta de jogos: ", 0) == 0) games = row.substr(16);
    ASSERT_FALSE(games.empty()) << "the path is not on the screen";
    for (const std::string& e : r.trace) EXPECT_EQ(e.find(games), std::string::npos) << "said: " << e;
    EXPECT_NE(games.find("/ludivar/jogos"), std::string::npos) << games;
    EXPECT_NE(games.find("/xdg-data/"), std::string::npos) << games;  // never the real home
    EXPECT_EQ(readText(games + "/Turma/aula.lud"), "[DADOS GERAIS]\r\nNOME DO JOGO=Aula\r\n");
}

TEST(UserData, NamesMatchWhateverTheirCaseAndEncoding) {
    std::string d = tempDir();
    plat::forgetFolders();
    touch(d + "/" + plat::cp1252ToUtf8(plat::cp("ação.txt")));   // UTF-8 on disk
    touch(d + "/Hist\xF3ria/Gato.JPG");                          // Latin-1 on disk, from a Windows archive
    touch(d + "/plain.LUD");
    struct Case { const char* asked; std::string onDisk; };
    const Case cases[] = {
        {"AÇÃO.TXT", d + "/" + plat::cp1252ToUtf8(plat::cp("ação.txt"))},
        {"Ação.txt", d + "/" + plat::cp1252ToUtf8(plat::cp("ação.txt"))},
        {"história\\gato.jpg", d + "/Hist\xF3ria/Gato.JPG"},
        {"HISTÓRIA\\GATO.JPG", d + "/Hist\xF3ria/Gato.JPG"},
        {"PLAIN.lud", d + "/plain.LUD"},
    };
    for (const Case& c : cases) {
        std::string asked = plat::utf8ToCp1252(d) + "\\" + plat::cp(c.asked);
        EXPECT_EQ(plat::mapPath(asked), c.onDisk) << c.asked;
        EXPECT_TRUE(plat::fileExists(asked)) << c.asked;
    }
    std::vector<plat::DirEntry> entries;
    ASSERT_TRUE(plat::listDir(plat::utf8ToCp1252(d), entries));
    std::vector<std::string> names;
    for (const plat::DirEntry& e : entries) names.push_back(plat::cp1252ToUtf8(e.name));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"História", "ação.txt", "plain.LUD"}));

    // A file that appears after the folder was read is still found.
    touch(d + "/Novo.WAV");
    EXPECT_EQ(plat::mapPath(plat::utf8ToCp1252(d) + "\\novo.wav"), d + "/Novo.WAV");
}
