// A teacher's game is never lost or mixed up: every load starts fresh, a new game
// has no file before its first save, saves go to the game's own file whatever the
// current folder, and a save asks before replacing what it should not.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "game/folders.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace game;
namespace fs = std::filesystem;

namespace {

std::string lud(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) s += plat::cp(l) + "\r\n";
    return s;
}

// A game with `places` places named P1, P2, ...
std::string gameWith(int places, const char* name = "Bichos") {
    std::string s = lud({"[DADOS GERAIS]"}) + "NOME DO JOGO=" + name + "\r\nSCRIPT=bichos.pro\r\n" +
                    lud({"[MODELO]"}) + "LUGARES=" + std::to_string(places) + "\r\n";
    for (int i = 1; i <= places; ++i)
        s += "[LUGAR " + std::to_string(i) + "]\r\nNOME=P" + std::to_string(i) + "\r\n";
    return s;
}

struct InFolder {
    fs::path before = fs::current_path();
    std::string dir = tempDir();
    InFolder() { fs::current_path(dir); }
    ~InFolder() { fs::current_path(before); }
};

std::string gFile;  // the current game file across runs

// Loads `file` as the editor does, in a run of its own (over the game held before,
// which a load must not keep anything of, and a new game that lives only in memory).
bool loadAsEditor(const std::string& file) {
    InProc p("{Enter}", "", false, InProc::KeepGame);
    game::session().currentGameFile = gFile = file;
    bool ok = false;
    p.run([&] { ok = LoadGame(file); });
    return ok;
}

// Saves the current game, answering questions with `keys`.
bool saveWith(const std::string& keys, std::vector<std::string>* trace = nullptr) {
    InProc p(keys, "", false, InProc::KeepGame);
    game::session().currentGameFile = gFile;
    bool ok = false;
    p.run([&] { ok = SaveGame(); });
    if (trace) *trace = p.trace;
    return ok;
}

bool said(const std::vector<std::string>& trace, const std::string& start) {
    for (const std::string& e : trace)
        if (e.rfind("speak " + start, 0) == 0) return true;
    return false;
}

}  // namespace

TEST(GameKeeping, EveryLoadStartsFromAFreshGame) {
    InFolder f;
    writeText("bichos.lud", gameWith(3));
    struct Case { const char* what; std::string text; int places; };
    const Case cases[] = {
        {"empty file", "", 0},
        {"places only", lud({"[LUGAR 1]", "NOME=Sozinho"}), 1},
        {"comments only", lud({"; nada"}), 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(loadAsEditor("bichos.lud"));
        ASSERT_EQ(current().general.name, "Bichos");
        writeText("outro.lud", c.text);
        ASSERT_TRUE(loadAsEditor("outro.lud")) << c.what;
        EXPECT_EQ(current().general.name, "Jogo experimental") << c.what;
        EXPECT_EQ(current().general.program, "") << c.what;
        int n = 0;
        for (int i = 1; i <= kMaxPlaces; ++i) n += current().place(i) ? 1 : 0;
        EXPECT_EQ(n, c.places) << c.what;
        // Saving it never writes the other game's name or program.
        ASSERT_TRUE(saveWith("s"));
        std::string saved = readText("outro.lud");
        EXPECT_EQ(saved.find("Bichos"), std::string::npos) << c.what;
        EXPECT_EQ(saved.find("bichos.pro"), std::string::npos) << c.what;
    }
}

TEST(GameKeeping, ANewGameHasNoFileBeforeItsFirstSave) {
    InFolder f;
    std::string name;
    {
        InProc p("aula{Enter}s", "", false);
        p.run([&] { chooseGameFile(name); });
        gFile = name;
    }
    EXPECT_FALSE(fs::exists("aula.lud"));
    ASSERT_TRUE(loadAsEditor("aula.lud"));  // the new game stays in memory
    EXPECT_EQ(current().general.name, "Jogo experimental");
    EXPECT_FALSE(fs::exists("aula.lud"));
    ASSERT_TRUE(saveWith(""));
    EXPECT_NE(readText("aula.lud").find("NOME DO JOGO=Jogo experimental"), std::string::npos);
}

// A game program may move the current folder (DIR TROCA); saves still go to the
// game's own folder, and a bare name given to "save as" goes beside the game.
TEST(GameKeeping, SavesGoToTheGamesOwnFolder) {
    InFolder f;
    fs::create_directory("sub");
    writeText("jogo.lud", gameWith(2));
    writeText("existe.lud", "outro jogo");
    ASSERT_TRUE(loadAsEditor("jogo.lud"));
    current().general.name = "Mudado";
    fs::current_path(f.dir + "/sub");
    ASSERT_TRUE(saveWith(""));
    {
        InProc p("copia{Enter}", "", false, InProc::KeepGame);
        game::session().currentGameFile = gFile;
        p.run([] { SaveGameAs(); });
    }
    std::vector<std::string> trace;
    {
        InProc p("existe{Enter}n", "", false, InProc::KeepGame);
        game::session().currentGameFile = "copia.lud";
        p.run([] { SaveGameAs(); });
        trace = p.trace;
    }
    fs::current_path(f.dir);
    EXPECT_FALSE(fs::exists("sub/jogo.lud"));
    EXPECT_FALSE(fs::exists("sub/copia.lud"));
    EXPECT_NE(readText("jogo.lud").find("NOME DO JOGO=Mudado"), std::string::npos);
    EXPECT_NE(readText("copia.lud").find("NOME DO JOGO=Mudado"), std::string::npos);
    // Another game of that name is replaced only when the user says so.
    EXPECT_TRUE(said(trace, "Posso destruir o jogo existente?"));
    EXPECT_EQ(readText("existe.lud"), "outro jogo");
}

TEST(GameKeeping, ASaveAsksBeforeReplacingWhatItShouldNot) {
    struct Case {
        const char* what;
        void (*before)(const std::string& file);  // what happens between load and save
        const char* keys;
        bool saved;
        const char* question;  // start of what is asked, or said on failure
    };
    const Case cases[] = {
        {"unchanged", [](const std::string&) {}, "", true, nullptr},
        {"changed on disk, keep theirs",
         [](const std::string& file) { writeText(file, gameWith(2, "Outra copia")); }, "n", false,
         "O arquivo do jogo foi alterado"},
        {"changed on disk, replace",
         [](const std::string& file) { writeText(file, gameWith(2, "Outra copia")); }, "s", true,
         "O arquivo do jogo foi alterado"},
        {"fewer places, declined", [](const std::string&) { current().places[2].reset(); }, "n", false,
         "O jogo vai ser gravado com 1 lugares, menos que os 2"},
        {"fewer places, agreed", [](const std::string&) { current().places[2].reset(); }, "s", true,
         "O jogo vai ser gravado com 1 lugares"},
        {"read-only copy", [](const std::string& file) { chmod(file.c_str(), 0444); }, "", false,
         "sem permiss"},
    };
    for (const Case& c : cases) {
        InFolder f;
        writeText("jogo.lud", gameWith(2));
        ASSERT_TRUE(loadAsEditor("jogo.lud"));
        current().general.name = "Nosso";
        std::string onDisk;
        c.before("jogo.lud");
        onDisk = readText("jogo.lud");
        std::vector<std::string> trace;
        EXPECT_EQ(saveWith(c.keys, &trace), c.saved) << c.what;
        if (c.question) {
            EXPECT_TRUE(said(trace, plat::cp1252ToUtf8(plat::cp(c.question)))) << c.what;
        }
        if (c.saved) {
            EXPECT_NE(readText("jogo.lud").find("NOME DO JOGO=Nosso"), std::string::npos) << c.what;
        } else {
            EXPECT_EQ(readText("jogo.lud"), onDisk) << c.what;
        }
        if (std::string(c.what) == "read-only copy") {
            EXPECT_TRUE(said(trace, "Erro ao criar o arquivo")) << c.what;
        }
    }
}

TEST(GameKeeping, StaleTemporaryFilesGoAtTheNextSave) {
    InFolder f;
    writeText("jogo.lud", gameWith(1));
    writeText(".jogo.lud.ludivar-Ab12Cd", std::string(5000, 'x'));  // a save killed while writing
    // Hidden files of other programs beside the game, whatever their shape, are not ours.
    const char* others[] = {".jogo.lud.Xy12Zz", ".aula.lud.Xy12Ab", ".aula.lud.backup", ".prova.lud.antiga"};
    for (const char* n : others) writeText(n, std::string(5000, 'x'));
    writeText(".outro.lud.ludivar-Qw34Er", std::string(5000, 'x'));  // a save under way: it holds its lock
    writeText(".config.Ab12Cd", "not ours");
    int busy = open(".outro.lud.ludivar-Qw34Er", O_RDONLY);
    ASSERT_EQ(flock(busy, LOCK_EX), 0);
    ASSERT_TRUE(loadAsEditor("jogo.lud"));
    ASSERT_TRUE(saveWith(""));
    close(busy);
    EXPECT_FALSE(fs::exists(".jogo.lud.ludivar-Ab12Cd"));
    for (const char* n : others) EXPECT_TRUE(fs::exists(n)) << n;
    EXPECT_TRUE(fs::exists(".outro.lud.ludivar-Qw34Er"));
    EXPECT_TRUE(fs::exists(".config.Ab12Cd"));
}

TEST(GameKeeping, FilesInEitherEncoding) {
    struct Case { const char* what; std::string bytes; std::string name; std::string lost; };
    const Case cases[] = {
        {"UTF-8 without a mark", "[DADOS GERAIS]\nNOME DO JOGO=Ação\n[LUGAR 1]\nNOME=x\n", plat::cp("Ação"), ""},
        {"CP1252", "[DADOS GERAIS]\r\nNOME DO JOGO=A\xE7\xE3o\r\n", plat::cp("Ação"), ""},
        {"ASCII", "[DADOS GERAIS]\r\nNOME DO JOGO=Acao\r\n", "Acao", ""},
        {"CP1252 that looks like UTF-8 once", "[DADOS GERAIS]\r\nNOME DO JOGO=\xC3\xA7 e \xE7\r\n", "\xC3\xA7 e \xE7", ""},
        {"UTF-8 beyond CP1252", "[DADOS GERAIS]\nNOME DO JOGO=Ir \xE2\x86\x92 sair\n", "Ir ? sair", "\xE2\x86\x92"},
    };
    for (const Case& c : cases) {
        TJogo g;
        ReadResult r = ReadGameText(c.bytes, g);
        ASSERT_TRUE(r.ok) << c.what << " line " << r.line;
        EXPECT_EQ(g.general.name, c.name) << c.what;
        EXPECT_EQ(r.lost, c.lost) << c.what;
    }
    // A character the file cannot hold is said before saving, never dropped in silence.
    InFolder f;
    writeText("seta.lud", cases[4].bytes);
    ASSERT_TRUE(loadAsEditor("seta.lud"));
    std::vector<std::string> trace;
    EXPECT_FALSE(saveWith("n", &trace));
    EXPECT_TRUE(said(trace, plat::cp1252ToUtf8(plat::cp("O arquivo do jogo não guarda estes caracteres"))));
    EXPECT_EQ(readText("seta.lud"), cases[4].bytes);
    EXPECT_TRUE(saveWith("s"));
    EXPECT_NE(readText("seta.lud").find("NOME DO JOGO=Ir ? sair"), std::string::npos);
}
