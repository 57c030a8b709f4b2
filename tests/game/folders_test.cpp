// Folder listing, name order, short names, the spoken file chooser, the game file
// and game folder choice, loading reports and saving, driven through the console.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "console/textwin.h"
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

std::string cp(const char* s) { return plat::cp(s); }

void touch(const std::string& path, const std::string& text = "x") {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a test inside a folder of its own and goes back afterwards.
struct InFolder {
    fs::path before = fs::current_path();
    std::string dir = tempDir();
    explicit InFolder(std::initializer_list<const char*> files = {}) {
        for (const char* f : files) touch(dir + "/" + f);
        fs::current_path(dir);
    }
    ~InFolder() { fs::current_path(before); }
};

int countBefore(const std::vector<std::string>& trace, const std::string& event, const std::string& until) {
    int n = 0;
    for (const std::string& e : trace) {
        if (e == until) break;
        if (e == event) ++n;
    }
    return n;
}

}  // namespace

TEST(GameFolders, NameOrderMasksAndShortNames) {
    EXPECT_EQ(foldByte(uint8_t(cp("ç")[0])), 'C');
    EXPECT_EQ(foldByte(uint8_t(cp("É")[0])), 'E');
    EXPECT_EQ(foldByte(uint8_t(cp("ñ")[0])), 'N');
    EXPECT_EQ(foldByte(0x87), 'C');  // ç of the DOS code page
    EXPECT_EQ(foldByte(0xA4), 'N');  // ñ of the DOS code page
    EXPECT_EQ(foldByte('q'), 'Q');
    EXPECT_LT(compareNames(cp("água"), "Banana"), 0);
    EXPECT_LT(compareNames(cp("Ção"), "Casb"), 0);
    EXPECT_EQ(compareNames(cp("ÉPOCA"), "epoca"), 0);
    EXPECT_LT(compareNames("abc", "abcd"), 0);

    EXPECT_TRUE(maskMatches("*.lud*", "AULA.LUD"));
    EXPECT_TRUE(maskMatches("*.lud*", "aula.lud.bak"));
    EXPECT_FALSE(maskMatches("*.lud*", "aula.txt"));
    EXPECT_TRUE(maskMatches("aul*.*", "aula"));
    EXPECT_TRUE(maskMatches("aul*.*", "Aula.lud"));
    EXPECT_FALSE(maskMatches("aul*.*", "bula"));
    EXPECT_TRUE(maskMatches("*.**", "Pasta"));
    EXPECT_FALSE(maskMatches("*.lud*", "ludico"));
    EXPECT_TRUE(maskMatches("?ula.*", "bula.x"));
    EXPECT_TRUE(maskMatches(cp("*ção*.*"), cp("LIÇÃO.LUD")));

    std::vector<std::string> names = {"Minha aula.lud", "Minha aula 2.lud", "AULA.LUD", "x.lud",
                                      "Minha aula 3.lud", "Minha aula 4.lud", "Minha aula 5.lud", "foto.jpeg",
                                      "a+b.txt", ".oculto"};
    std::vector<std::string> s = shortNames(names);
    // Made up in name order: "Minha aula 2" to "5" come before "Minha aula.lud", which,
    // past four alike, gets a hash of its long name.
    EXPECT_TRUE(std::regex_match(s[0], std::regex("MI[0-9A-F]{4}~1\\.LUD"))) << s[0];
    EXPECT_EQ(s[1], "MINHAA~1.LUD");
    EXPECT_EQ(s[2], "AULA.LUD");
    EXPECT_EQ(s[3], "X.LUD");
    EXPECT_EQ(s[4], "MINHAA~2.LUD");
    EXPECT_EQ(s[5], "MINHAA~3.LUD");
    EXPECT_EQ(s[6], "MINHAA~4.LUD");
    EXPECT_EQ(s[7], "FOTO~1.JPE");
    EXPECT_EQ(s[8], "A_B~1.TXT");
    EXPECT_EQ(s[9], "OCULTO~1");
    for (const std::string& n : s) EXPECT_LE(n.size(), 12u) << n;

    EXPECT_EQ(tidyOptions("||a||b|||"), "a|b");
    EXPECT_EQ(tidyOptions("|"), "");
    EXPECT_EQ(tidyOptions("a|b"), "a|b");
}

TEST(GameFolders, ListingAndOptions) {
    InFolder f({"b.jpg", "A.JPG", "c.txt", ".escondido.jpg", "sub/d.jpg", "zeta.lud", "Índio.lud"});
    fs::create_directory("Pasta");
    std::vector<TDirEntry>& all = dirList("*.*", kAttrArchive);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].name, "A.JPG");
    EXPECT_EQ(all[1].name, "b.jpg");
    EXPECT_EQ(all[2].name, "c.txt");
    EXPECT_EQ(all[3].name, cp("Índio.lud"));  // Í sorts as I
    EXPECT_EQ(all[4].name, "zeta.lud");
    EXPECT_EQ(all[0].attributes, kAttrArchive);
    std::vector<TDirEntry>& dirs = dirList("*.*", kAttrFolder);
    ASSERT_EQ(dirs.size(), 2u);
    EXPECT_EQ(dirs[0].name, "Pasta");
    EXPECT_EQ(dirs[1].name, "sub");
    EXPECT_EQ(dirList("sub\\*.jpg", kAttrArchive).size(), 1u);
    EXPECT_EQ(dirList("zet", kAttrArchive).size(), 1u);  // a prefix lists every name it starts
    dirFree();
    EXPECT_TRUE(folderState().listing.empty());

    // Pictures with no "*.jpeg" files: just the "*.jpg" names, no empty choice.
    std::string pictures = tidyOptions(filesAsOptions("*.jpg") + "|" + filesAsOptions("*.jpeg"));
    EXPECT_EQ(pictures, "A.JPG|b.jpg");
    EXPECT_EQ(tidyOptions(filesAsOptions("*.wav") + "|" + filesAsOptions("*.mp3")), "");
}

// Entries are told apart by the type the folder gives; links are judged by
// what they lead to, and one that leads nowhere is no choice.
TEST(GameFolders, LinksListedAsWhatTheyLeadTo) {
    InFolder f({"jogo.lud", "Pasta/dentro.lud"});
    fs::create_directory_symlink("Pasta", "Atalho");
    fs::create_symlink("jogo.lud", "elo.lud");
    fs::create_symlink("nao-existe.lud", "quebrado.lud");
    std::vector<TDirEntry>& files = dirList("*.*", kAttrArchive);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "elo.lud");
    EXPECT_EQ(files[1].name, "jogo.lud");
    std::vector<TDirEntry>& folders = dirList("*.*", kAttrFolder);
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].name, "Atalho");
    EXPECT_EQ(folders[1].name, "Pasta");
    EXPECT_EQ(folders[0].attributes, kAttrFolder);
    dirFree();
}

TEST(GameChooser, OneGameFileIsTakenWithoutAsking) {
    InFolder f({"unico.lud", "outro.txt"});
    InProc p("", "", false);
    std::string name;
    bool ok = false;
    EXPECT_EQ(p.run([&] { ok = chooseGameFile(name); }), -1);
    EXPECT_TRUE(ok);
    EXPECT_EQ(name, "unico.lud");
    EXPECT_EQ(game::session().currentGameFile, "unico.lud");
    EXPECT_FALSE(p.traced("speak Informe o nome do jogo ou use as setas"));
}

TEST(GameChooser, TypedNames) {
    InFolder f({"um.lud", "dois.lud"});
    {
        // A new name: the file is offered and the game in memory is new; the file is
        // made by the first save, so giving up leaves no empty game behind.
        InProc p("aula{Enter}s", "", false);
        current().general.name = "antigo";
        std::string name;
        bool ok = false;
        int rc = p.run([&] { ok = chooseGameFile(name); });
        EXPECT_EQ(rc, -1);
        EXPECT_TRUE(ok);
        EXPECT_EQ(name, "aula.lud");
        EXPECT_TRUE(p.traced(plat::cp1252ToUtf8(cp("speak Arquivo não existe."))));
        EXPECT_TRUE(p.traced("speak Quer editar um novo jogo?"));
        EXPECT_FALSE(fs::exists("aula.lud"));
        EXPECT_EQ(current().general.name, "Jogo experimental");
    }
    {
        // Capitals as typed; an existing file is taken as it is.
        InProc p("UM.LUD{Enter}", "", false);
        std::string name;
        bool ok = false;
        p.run([&] { ok = chooseGameFile(name); });
        EXPECT_TRUE(ok);
        EXPECT_EQ(name, "UM.LUD");
    }
    {
        // Not wanted: nothing is created.
        InProc p("novo{Enter}n", "", false);
        std::string name;
        bool ok = true;
        p.run([&] { ok = chooseGameFile(name); });
        EXPECT_FALSE(ok);
        EXPECT_FALSE(fs::exists("novo.lud"));
        EXPECT_TRUE(p.traced("speak Desistiu"));
    }
}

TEST(GameChooser, ArrowsOpenTheChooser) {
    InFolder f({"alfa.lud", "beta.lud", "bravo.lud", "charlie.lud", "sub/x1.lud", "sub/x2.lud"});
    auto choose = [](const std::string& keys, std::string& name, InProc*& out) {
        static std::unique_ptr<InProc> keep;
        keep.reset();  // the old harness lets go of the front before the new one takes it
        keep = std::make_unique<InProc>(keys, "", false);
        out = keep.get();
        bool ok = false;
        keep->run([&] { ok = chooseGameFile(name); });
        return ok;
    };
    InProc* p = nullptr;
    std::string name;
    EXPECT_TRUE(choose("{Down}{Down}{Enter}", name, p));
    EXPECT_EQ(name, "beta.lud");
    EXPECT_TRUE(p->traced("speak alfa.lud"));

    // Esc in the chooser: no name, "Desistiu".
    name.clear();
    EXPECT_FALSE(choose("{Down}{Esc}", name, p));
    EXPECT_TRUE(p->traced("speak Desistiu"));
    EXPECT_EQ(lastFileKey(), 27);

    // F5 and a letter, Ctrl+F5 for the next one; a letter no name starts with goes past the end.
    EXPECT_TRUE(choose("{Down}{F5}b{Enter}", name, p));
    EXPECT_EQ(name, "beta.lud");
    EXPECT_TRUE(choose("{Down}{F5}b{Ctrl+F5}{Enter}", name, p));
    EXPECT_EQ(name, "bravo.lud");
    EXPECT_FALSE(choose("{Down}{F5}z{Enter}", name, p));
    EXPECT_TRUE(p->traced("beep"));

    // Tab goes back to the name prompt with two clicks.
    EXPECT_FALSE(choose("{Down}{Tab}{Esc}", name, p));
    EXPECT_EQ(p->tracedCount("click"), 2);

    // A folder typed with a backslash lists its games; the current folder stays.
    fs::path here = fs::current_path();
    EXPECT_TRUE(choose("sub\\{Down}{Down}{Enter}", name, p));
    EXPECT_EQ(name, "sub\\x2.lud");
    EXPECT_EQ(fs::current_path(), here);
    // The same with Enter: a folder is listed, not taken for a file named ".lud".
    EXPECT_TRUE(choose("sub{Enter}{Enter}", name, p));
    EXPECT_EQ(name, "sub\\x1.lud");

    // Up from the first entry beeps and leaves no entry current.
    EXPECT_FALSE(choose("{Down}{Up}{Enter}", name, p));
}

TEST(GameChooser, EmptyFolderHasNoChooser) {
    InFolder f({"leia.txt"});
    InProc p("{Down}", "", false);
    std::string name;
    bool ok = true;
    EXPECT_EQ(p.run([&] { ok = chooseGameFile(name); }), -1);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(p.traced(plat::cp1252ToUtf8(cp("speak Este diretório não tem arquivos .LUD"))));
}

TEST(GameChooser, MarksAndSpelling) {
    InFolder f({"a1.lud", "a2.lud", "a3.lud", "a4.lud", "Nome comprido.lud"});
    {
        // Shift+End marks from the current entry to the last with one beep; the last
        // entry, marked, is then announced after a beep.
        InProc p("{Down}{Shift+End}{Enter}", "", false);
        std::string r;
        p.run([&] { r = chooseFile(1, 5, 40, 9, kAttrArchive, "*.lud"); });
        EXPECT_EQ(r, "Nome comprido.lud");
        EXPECT_EQ(countBefore(p.trace, "beep", "speak Nome comprido.lud"), 2);
    }
    {
        // Shift+Down marks the entry left (a beep) and the new one; Shift+Up unmarks
        // with a click; Space toggles.
        InProc p("{Shift+Down}{Shift+Up}{Space}{Enter}", "", false);
        std::string r;
        p.run([&] { r = chooseFile(1, 5, 40, 9, kAttrArchive, "*.lud"); });
        EXPECT_EQ(r, "a1.lud");
        EXPECT_EQ(p.tracedCount("click"), 1);
        EXPECT_GE(p.tracedCount("beep"), 3);  // Shift+Down, a2 marked, a1 marked by Space
    }
    {
        // Right spells the long name, Left the short one.
        InProc p("{End}{Left}{Enter}", "", false);
        std::string r;
        p.run([&] { r = chooseFile(1, 5, 40, 9, kAttrArchive, "*.lud"); });
        EXPECT_EQ(r, "Nome comprido.lud");
        std::string spelled;
        for (const std::string& e : p.trace)
            if (e.rfind("play _", 0) == 0 && e.size() > 6 && isdigit(uint8_t(e[6]))) spelled += char(std::stoi(e.substr(6)));
        EXPECT_NE(spelled.find("NOMECO~1.LUD"), std::string::npos) << spelled;
    }
}

TEST(GameChooser, RegionIsDrawnAndRestored) {
    InFolder f({"pasta1/a.lud", "um.lud", "dois.lud"});
    {
        // With no key left the program stops inside the chooser: its drawing is on screen.
        InProc p("", "", false);
        EXPECT_EQ(p.run([&] { chooseFile(1, 5, 30, 8, 0, "*.*"); }), 3);
        EXPECT_EQ(p.row(5), " dois.lud");
        EXPECT_EQ(p.row(6), " pasta1");
        EXPECT_EQ(p.row(7), " um.lud");
        EXPECT_EQ(p.attr(2, 5), 6 * 16 + 14);  // the current entry
        EXPECT_EQ(p.attr(2, 6), 6 * 16 + 3);   // a folder
        EXPECT_EQ(p.attr(2, 7), 6 * 16 + 15);  // a file
        EXPECT_EQ(p.attr(30, 8), 6 * 16 + 15); // the rest of the region
        EXPECT_EQ(p.attr(31, 8), 15);
    }
    {
        // A one-row chooser has no margin.
        InProc p("{Down}", "", false);
        EXPECT_EQ(p.run([&] { chooseFile(10, 2, 20, 2, kAttrArchive, "*.lud"); }), 3);
        EXPECT_EQ(p.row(2), "         um.lud");
    }
    {
        InProc p("{Down}{Enter}", "", false);
        std::string r;
        p.run([&] {
            con::gotoXY(1, 6);
            con::write("conteudo que fica");
            con::gotoXY(3, 3);
            r = chooseFile(1, 5, 30, 8, 0, "*.*");
        });
        EXPECT_EQ(r, "pasta1");
        EXPECT_EQ(p.row(6), "conteudo que fica");
        EXPECT_EQ(p.row(5), "");
        EXPECT_EQ(con::whereX(), 3);
        EXPECT_EQ(con::whereY(), 3);
    }
}

TEST(GameChooser, NearTheBottomTheScreenMakesRoom) {
    InFolder f({"um.lud", "dois.lud", "tres.lud"});
    InProc p("{Down}", "", false);
    EXPECT_EQ(p.run([&] {
        con::gotoXY(1, 23);
        con::write("acima");
        con::gotoXY(1, 24);
        askFileName(10, "*.lud");
    }), 3);
    // The prompt on row 24 asks for ten rows: the screen goes up by eight.
    EXPECT_EQ(p.row(15), "acima");
    EXPECT_EQ(p.row(16), " dois.lud");
    EXPECT_EQ(p.row(18), " um.lud");
    EXPECT_EQ(p.attr(2, 25), 6 * 16 + 15);
    EXPECT_EQ(p.attr(80, 25), 15);  // the last cell is left alone
}

TEST(GameFolders, ShortNamesStayDistinctInLargeFolders) {
    // Thousands of names alike, and 8.3 names that the made-up ones must not repeat.
    struct Case {
        const char* pattern;
        int count;
    };
    const Case cases[] = {{"Minha aula %d.lud", 3000}, {"MINHAA~%d.LUD", 6}, {"foto muito longa %05d", 2000}};
    std::vector<std::string> names;
    for (const Case& c : cases)
        for (int i = 1; i <= c.count; ++i) {
            char buf[64];
            std::snprintf(buf, sizeof buf, c.pattern, i);
            names.push_back(buf);
        }
    std::vector<std::string> s = shortNames(names);
    ASSERT_EQ(s.size(), names.size());
    std::set<std::string> seen;
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_LE(s[i].size(), 12u) << s[i];
        EXPECT_TRUE(seen.insert(s[i]).second) << names[i] << " -> " << s[i] << " again";
    }
    EXPECT_EQ(s[3000], "MINHAA~1.LUD");  // an 8.3 name keeps itself
}
