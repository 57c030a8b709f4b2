// The game session and the working folder: names seen from a game's folder
// without entering it, the one way of entering a folder, and the checker looking
// up a game's files in its own folder while the current folder stays put.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/checker.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "support/headless.h"

using namespace game;
namespace fs = std::filesystem;

namespace {

void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << "x";
}

// Goes back to the folder the test started in, whatever the test did.
struct Here {
    fs::path before = fs::current_path();
    ~Here() { fs::current_path(before); }
};

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& s : lines) all += plat::cp1252ToUtf8(s) + "\n";
    return all;
}

}  // namespace

TEST(GameSession, ResetForgetsTheGameAndItsFolders) {
    session().gamesRoot = "/jogos";
    session().currentGameFile = "aula.lud";
    session().editorPlace = 4;
    session().gameFolders = {"a", "b"};
    resetSession();
    EXPECT_EQ(session().gamesRoot, "");
    EXPECT_EQ(session().currentGameFile, "");
    EXPECT_EQ(session().editorPlace, 0);
    EXPECT_TRUE(session().gameFolders.empty());
}

TEST(GameSession, NamesSeenFromAFolder) {
    const std::string accented = "/jogos/ci\xc3\xaancias";  // "ciências" in UTF-8
    struct Case {
        std::string folder, name, want;
    } cases[] = {
        {"/jogos/aula", "fundo.jpg", "/jogos/aula/fundo.jpg"},
        {"/jogos/aula/", "midia\\som.wav", "/jogos/aula/midia\\som.wav"},
        {accented, "a.jpg", plat::utf8ToCp1252(accented) + "/a.jpg"},
        // Names with their own root are not the folder's.
        {"/jogos/aula", "c:\\sons\\a.wav", "c:\\sons\\a.wav"},
        {"/jogos/aula", "Z:x.wav", "Z:x.wav"},
        {"/jogos/aula", "\\raiz\\a.wav", "\\raiz\\a.wav"},
        {"/jogos/aula", "/tmp/a.wav", "/tmp/a.wav"},
        // A digit before ":" is no drive.
        {"/jogos/aula", "1:a.wav", "/jogos/aula/1:a.wav"},
        // No folder, or the current one: the name as it is.
        {"", "a.jpg", "a.jpg"},
        {".", "a.jpg", "a.jpg"},
        // A folder CP1252 cannot spell has no name in the program's terms.
        {"/jogos/\xe6\x97\xa5\xe6\x9c\xac", "a.jpg", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameInFolder(c.folder, c.name), c.want) << c.folder << " + " << c.name;
}

TEST(GameSession, EnteringAFolderOrStayingWhereItWas) {
    Here here;
    const std::string root = tempDir();
    fs::create_directories(root + "/Aula/Pasta");
    fs::current_path(root);
    struct Case {
        std::string name;
        bool entered;
        std::string after;  // relative to root
    } cases[] = {
        {"Aula", true, "Aula"},
        {"aula\\PASTA", true, "Aula/Pasta"},  // games come from Windows: any case, "\"
        {"nao existe", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        fs::current_path(root);
        EXPECT_EQ(enterFolder(c.name), c.entered) << c.name;
        EXPECT_TRUE(fs::equivalent(fs::current_path(), fs::path(root) / c.after)) << c.name;
    }
    fs::current_path(root);
    EXPECT_TRUE(enterFolderPath(root + "/Aula/Pasta"));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), root + "/Aula/Pasta"));
    EXPECT_FALSE(enterFolderPath(root + "/Aula/Nada"));
    EXPECT_FALSE(enterFolderPath(""));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), root + "/Aula/Pasta"));
}

// The checker finds a game's pictures in the game's folder, whatever the folder's
// name, and never in the current folder, which it leaves as it was.
TEST(GameSession, CheckerLooksInTheGameFolderAndStaysPut) {
    Here here;
    const std::string root = tempDir();
    // The current folder holds the missing picture: finding it there would be wrong.
    touch(fs::path(root) / "outra" / "nada.jpg");
    for (const char* folderName : {"aula", "ci\xc3\xaancias", "\xe6\x97\xa5\xe6\x9c\xac"}) {
        SCOPED_TRACE(folderName);
        const fs::path dir = fs::path(root) / folderName;
        touch(dir / "FUNDO.JPG");
        touch(dir / "midia" / "Som.wav");
        fs::current_path(fs::path(root) / "outra");
        TJogo g;
        ResetGeneralData(g);
        ResetModel(g);
        TLugar* p = CreatePlace(g, 1);
        p->backgroundPicture = "fundo.jpg";
        p->media = "midia\\som.wav";
        g.backgroundPicture = "nada.jpg";
        const std::string all = joined(GameWarnings(g, dir.string()));
        EXPECT_EQ(all.find("fundo.jpg"), std::string::npos) << all;
        EXPECT_EQ(all.find("som.wav"), std::string::npos) << all;
        EXPECT_NE(all.find("a imagem de fundo \"nada.jpg\" não existe"), std::string::npos) << all;
        EXPECT_TRUE(fs::equivalent(fs::current_path(), fs::path(root) / "outra"));
    }
}
