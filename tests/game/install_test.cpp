// Installing a game from elsewhere: only the game's own files travel, an archive's
// members stay inside the new folder, and a refused install leaves nothing behind.
// Through the installer itself and, as the pupil meets it, through the headless front.
#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "game/install.h"
#include "platform/platform.h"
#include "safety/ownership.h"
#include "support/headless.h"

namespace {

bool exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

void makeDirs(const std::string& d) { ASSERT_EQ(std::system(("mkdir -p '" + d + "'").c_str()), 0); }

std::vector<std::string> entriesOf(const std::string& dir) {
    std::vector<std::string> out;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
        closedir(d);
    }
    return out;
}

// A game file (CP1252) with one place naming `media`, driven by `program`.
void writeGame(const std::string& folder, const std::string& name, const std::string& programUtf8,
               const std::string& media = "") {
    writeText(folder + "/" + name + ".lud",
              plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=" + name + "\r\nSCRIPT=" + name +
                                 ".pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\nNOME=Capa\r\n"
                                 "MÍDIA=" + media + "\r\nTERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n"));
    writeText(folder + "/" + name + ".pro", plat::utf8ToCp1252(programUtf8));
}

// The same game file as bytes, for an archive.
std::string gameText(const std::string& name) {
    return plat::utf8ToCp1252("[DADOS GERAIS]\r\nNOME DO JOGO=" + name + "\r\nSCRIPT=" + name +
                              ".pro\r\n\r\n[MODELO]\r\nLUGARES=1\r\n\r\n[LUGAR 1]\r\nNOME=Capa\r\n"
                              "TERMINADOR=SIM\r\nNÚMERO DE SLIDES=0\r\n");
}

struct Member {
    std::string name;
    unsigned type = AE_IFREG;
    std::string data;  // contents; for a link, where it leads
    bool hardlink = false;
    uint64_t zeros = 0;  // that many zero bytes follow the data (a bomb's payload)
};

// Writes an archive as the tools that make them do (zip, or tar where zip has no
// such member), names and types exactly as given.
bool writeArchive(const std::string& path, const std::vector<Member>& members, bool tar = false) {
    archive* a = archive_write_new();
    if (tar) archive_write_set_format_pax_restricted(a);
    else archive_write_set_format_zip(a);
    bool ok = archive_write_open_filename(a, path.c_str()) == ARCHIVE_OK;
    const std::string zeros(1 << 20, '\0');
    for (const Member& m : members) {
        if (!ok) break;
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, m.name.c_str());
        archive_entry_set_filetype(e, m.type);
        archive_entry_set_perm(e, 0644);
        if (m.hardlink) archive_entry_set_hardlink(e, m.data.c_str());
        else if (m.type == AE_IFLNK) archive_entry_set_symlink(e, m.data.c_str());
        const bool body = m.type == AE_IFREG && !m.hardlink;
        archive_entry_set_size(e, body ? la_int64_t(m.data.size() + m.zeros) : 0);
        ok = archive_write_header(a, e) == ARCHIVE_OK;
        if (ok && body) {
            ok = archive_write_data(a, m.data.data(), m.data.size()) == la_ssize_t(m.data.size());
            for (uint64_t left = m.zeros; ok && left > 0;) {
                size_t n = size_t(std::min<uint64_t>(left, zeros.size()));
                ok = archive_write_data(a, zeros.data(), n) == la_ssize_t(n);
                left -= n;
            }
        }
        archive_entry_free(e);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

// Unix zips carry a member's mode in the central directory: that is where a device
// or a FIFO arrives from.  Gives the member `name` that mode.
bool setZipMode(const std::string& path, const std::string& name, unsigned mode) {
    std::string z = readText(path);
    for (size_t at = 0; (at = z.find("PK\x01\x02", at)) != std::string::npos; at += 4) {
        const size_t nameLen = uint8_t(z[at + 28]) | uint8_t(z[at + 29]) << 8;
        if (z.compare(at + 46, nameLen, name) != 0) continue;
        z[at + 5] = 3;  // made on Unix: the mode is read from the high half of the attributes
        const uint32_t attrs = uint32_t(mode) << 16;
        for (int i = 0; i < 4; ++i) z[at + 38 + size_t(i)] = char(attrs >> (8 * i));
        return writeText(path, z);
    }
    return false;
}

TEST(InstallArchive, HostileMembersAreRefusedAndLeaveNothing) {
    const std::string top = tempDir(), games = top + "/jogos";
    makeDirs(games);
    const std::string lud = gameText("Jogo");
    std::vector<Member> many{{"jogo.lud", AE_IFREG, lud}};
    for (int i = 0; i < 4200; ++i) many.push_back({"f" + std::to_string(i) + ".txt", AE_IFREG, "x"});
    struct Case {
        const char* what;
        std::vector<Member> members;
        bool tar;
        const char* said;       // part of the message
        const char* patched;    // a zip member given the mode of a block device after writing
    } cases[] = {
        {"a parent's name", {{"jogo.lud", AE_IFREG, lud}, {"../fora.txt", AE_IFREG, "x"}}, false,
         "um nome fora da pasta do jogo: ../fora.txt", nullptr},
        {"deeper climbing", {{"jogo.lud", AE_IFREG, lud}, {"a/../../fora.txt", AE_IFREG, "x"}}, false,
         "um nome fora da pasta do jogo", nullptr},
        {"Windows climbing", {{"jogo.lud", AE_IFREG, lud}, {"a\\..\\..\\fora.txt", AE_IFREG, "x"}}, false,
         "um nome fora da pasta do jogo", nullptr},
        {"an absolute name", {{"jogo.lud", AE_IFREG, lud}, {top + "/fora.txt", AE_IFREG, "x"}}, false,
         "um nome fora da pasta do jogo: /", nullptr},
        {"a drive", {{"jogo.lud", AE_IFREG, lud}, {"c:\\fora.txt", AE_IFREG, "x"}}, false,
         "um nome fora da pasta do jogo", nullptr},
        {"a symbolic link", {{"jogo.lud", AE_IFREG, lud}, {"atalho", AE_IFLNK, top}}, false, "um atalho: atalho",
         nullptr},
        // Zip carries no hard links; the same reader takes tar, which does.
        {"a hard link", {{"jogo.lud", AE_IFREG, lud}, {"ligado", AE_IFREG, "/etc/passwd", true}}, true,
         "uma ligação a outro arquivo: ligado", nullptr},
        {"a device in zip", {{"jogo.lud", AE_IFREG, lud}, {"disco", AE_IFREG, ""}}, false, "um dispositivo: disco",
         "disco"},
        {"a FIFO", {{"jogo.lud", AE_IFREG, lud}, {"canal", AE_IFIFO, ""}}, true, "um canal (FIFO): canal",
         nullptr},
        {"a device", {{"jogo.lud", AE_IFREG, lud}, {"disco", AE_IFBLK, ""}}, true, "um dispositivo: disco", nullptr},
        {"a bomb", {{"jogo.lud", AE_IFREG, lud}, {"bomba.wav", AE_IFREG, "RIFF", false, uint64_t(48) << 20}}, false,
         "bomba de compactação", nullptr},
        {"too many members", many, false, "membros demais", nullptr},
        {"no game", {{"leia.txt", AE_IFREG, "x"}}, false, "nenhum jogo (.lud)", nullptr},
        {"not an archive", {}, false, "não é um arquivo .zip", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string zip = top + "/baixado.zip";
        if (c.members.empty()) {
            ASSERT_TRUE(writeText(zip, "isto não é um zip"));
        } else {
            ASSERT_TRUE(writeArchive(zip, c.members, c.tar));
        }
        if (c.patched) {
            ASSERT_TRUE(setZipMode(zip, c.patched, S_IFBLK | 0644));
        }
        game::InstallResult r = game::installArchive(zip, games);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(plat::utf8ToCp1252(c.said)), std::string::npos) << plat::cp1252ToUtf8(r.message);
        EXPECT_EQ(r.message.rfind(plat::cp("O jogo não foi instalado: "), 0), 0u);
        EXPECT_EQ(entriesOf(games), std::vector<std::string>{});  // the new folder went with the refusal
        EXPECT_FALSE(exists(top + "/fora.txt"));
    }
}

TEST(InstallArchive, AFifoInAZipNeverLandsAsAFifo) {
    const std::string top = tempDir(), games = top + "/jogos", zip = top + "/fila.zip";
    makeDirs(games);
    ASSERT_TRUE(writeArchive(zip, {{"jogo.lud", AE_IFREG, gameText("Jogo")}, {"canal", AE_IFREG, ""}}));
    ASSERT_TRUE(setZipMode(zip, "canal", S_IFIFO | 0644));
    // The zip reader gives such a member as a plain file; were it ever given as a
    // FIFO, it would be refused.  Either way no FIFO is made.
    game::InstallResult r = game::installArchive(zip, games);
    struct stat st;
    if (r.ok) {
        ASSERT_EQ(lstat((r.folder + "/canal").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
    } else {
        EXPECT_NE(r.message.find("FIFO"), std::string::npos);
    }
}

TEST(InstallArchive, GamesComeOutInAFolderOfTheirOwn) {
    const std::string top = tempDir(), games = top + "/jogos", zip = top + "/Ciências.zip";
    makeDirs(games + "/Ciências");  // taken: a second folder is made, nothing replaced
    writeText(games + "/Ciências/plano.txt", "do professor");
    // One folder at the top is how archives are usually made: it is not kept.
    ASSERT_TRUE(writeArchive(zip, {{"ciencias/", AE_IFDIR, ""},
                                   {"ciencias/b.lud", AE_IFREG, gameText("B")},
                                   {"ciencias/a.lud", AE_IFREG, gameText("A")},
                                   {"ciencias/a.pro", AE_IFREG, "ESCREVE \"a\"\r\n"},
                                   {"ciencias/./fig/gato.jpg", AE_IFREG, std::string(3000, 'g')},
                                   {"ciencias/vazio.txt", AE_IFREG, ""}}));
    game::InstallResult r = game::installArchive(zip, games);
    ASSERT_TRUE(r.ok) << plat::cp1252ToUtf8(r.message);
    EXPECT_EQ(r.folder, games + "/Ciências 2");
    EXPECT_EQ(r.games, (std::vector<std::string>{"a.lud", "b.lud"}));
    EXPECT_EQ(readText(r.folder + "/a.pro"), "ESCREVE \"a\"\r\n");
    EXPECT_EQ(readText(r.folder + "/fig/gato.jpg"), std::string(3000, 'g'));
    EXPECT_TRUE(exists(r.folder + "/vazio.txt"));
    EXPECT_EQ(readText(games + "/Ciências/plano.txt"), "do professor");
    // What came in the archive is the games' own: their programs may change it without asking.
    char real[4096];
    ASSERT_TRUE(realpath((r.folder + "/a.lud").c_str(), real));
    const std::string owned = readText(safety::ownedListFile(real));
    for (const char* f : {"A a.pro", "A fig/gato.jpg", "A b.lud"}) EXPECT_NE(owned.find(f), std::string::npos) << f;
}

TEST(InstallGameFile, OnlyTheGamesOwnFilesTravel) {
    const std::string top = tempDir(), games = top + "/jogos", from = top + "/Downloads";
    makeDirs(games);
    makeDirs(from + "/Figuras");
    writeText(top + "/segredo.txt", "segredo");
    writeText(from + "/alheio.txt", "de outra pessoa");
    writeText(from + "/Figuras/Gato.JPG", "gato");
    writeText(from + "/parte2.pro", plat::utf8ToCp1252("TOCA \"miau.wav\"\r\n"));
    writeText(from + "/miau.wav", "miau");
    ASSERT_EQ(symlink((top + "/segredo.txt").c_str(), (from + "/atalho.txt").c_str()), 0);
    ASSERT_EQ(mkfifo((from + "/canal.txt").c_str(), 0644), 0);
    writeGame(from, "Bichos",
              "ABRE #1 \"../segredo.txt\"\r\nABRE #2 \"atalho.txt\"\r\nABRE #3 \"canal.txt\"\r\n"
              "ABRE #4 \"" + top + "/segredo.txt\"\r\nDESVIA SCRIPT \"PARTE2.PRO\"\r\n",
              "figuras\\gato.jpg|..\\segredo.txt");
    for (const char* folder : {"Bichos", "Bichos 2"}) {
        SCOPED_TRACE(folder);
        game::InstallResult r = game::installGameFile(from + "/Bichos.lud", games);
        ASSERT_TRUE(r.ok) << plat::cp1252ToUtf8(r.message);
        EXPECT_EQ(r.folder, games + "/" + folder);
        EXPECT_EQ(r.games, std::vector<std::string>{"Bichos.lud"});
        // Found whatever the case the game wrote them in, kept as they are on disk.
        EXPECT_EQ(readText(r.folder + "/Figuras/Gato.JPG"), "gato");
        EXPECT_EQ(readText(r.folder + "/parte2.pro"), readText(from + "/parte2.pro"));
        EXPECT_EQ(readText(r.folder + "/miau.wav"), "miau");  // named by the second program
        EXPECT_EQ(readText(r.folder + "/Bichos.pro"), readText(from + "/Bichos.pro"));
        std::vector<std::string> got = entriesOf(r.folder);
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, (std::vector<std::string>{"Bichos.lud", "Bichos.pro", "Figuras", "miau.wav", "parte2.pro"}));
    }
    EXPECT_EQ(readText(games + "/Bichos/Bichos.lud"), readText(from + "/Bichos.lud"));
}

TEST(InstallGameFile, WhereItComesFrom) {
    const std::string top = tempDir(), games = top + "/jogos";
    makeDirs(games + "/aula");
    makeDirs(top + "/Downloads");
    writeText(games + "/aula/a.lud", "x");
    writeText(top + "/Downloads/a.lud", "x");
    ASSERT_EQ(symlink((games + "/aula").c_str(), (top + "/atalho").c_str()), 0);
    EXPECT_FALSE(game::comesFromElsewhere(games + "/aula/a.lud", games));
    EXPECT_FALSE(game::comesFromElsewhere(top + "/atalho/a.lud", games));  // the same folder by a link
    EXPECT_TRUE(game::comesFromElsewhere(top + "/Downloads/a.lud", games));
    EXPECT_TRUE(game::isArchiveName("/x/JOGO.ZIP"));
    EXPECT_FALSE(game::isArchiveName("/x/zip.lud"));
}

// ---- as the pupil meets it ------------------------------------------------------

struct Downloaded {
    std::string top = tempDir(), games = top + "/jogos", from = top + "/Downloads";
    std::string ini = "[LUDIVAR]\nDIRJOGOS=" + games + "\n";
    Downloaded() {
        makeDirs(games);
        makeDirs(from);
    }
};

// Leaves a mark where it plays, and says so.
const char* const kMarking = "ABRE #1 \"marca.txt\" &\r\nESCREVE #1 \"aqui\"\r\nFECHA #1\r\nESCREVE \"marcado\"\r\n";

TEST(InstallOffer, YesInstallsAndPlaysFromTheNewFolderNoPlaysInPlace) {
    const std::string question =
        "speak O jogo \"Jogo.lud\" está fora da pasta de jogos. Instalar o jogo numa pasta só dele, na pasta de "
        "jogos? S para instalar, N para jogar onde está. ";
    struct Case {
        const char* keys;
        bool installed;
    } cases[] = {
        {"S{Enter}{Enter}{Esc}", true},
        {"s{Enter}{Enter}{Esc}", true},
        {"N{Enter}{Enter}{Esc}", false},
        // Typed during the greeting, before the question: dropped; the N after it answers.
        {"{wait 1}S{wait 600000}N{Enter}{Enter}{Esc}", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Downloaded d;
        writeGame(d.from, "Jogo", kMarking);
        HeadlessResult r = runHeadless(c.keys, {d.from + "/Jogo.lud"}, d.ini);
        EXPECT_EQ(r.count(question), 1) << r.err;
        EXPECT_TRUE(r.contains("speak marcado")) << r.err;
        EXPECT_EQ(r.contains("speak Jogo instalado na pasta Jogo, na pasta de jogos."), c.installed);
        EXPECT_EQ(exists(d.games + "/Jogo/marca.txt"), c.installed);
        EXPECT_EQ(exists(d.from + "/marca.txt"), !c.installed);
        EXPECT_EQ(exists(d.games + "/Jogo"), c.installed);
    }
    // Inside the games folder there is nothing to offer.
    Downloaded d;
    makeDirs(d.games + "/meu");
    writeGame(d.games + "/meu", "Jogo", kMarking);
    HeadlessResult r = runHeadless("{Enter}{Enter}{Esc}", {d.games + "/meu/Jogo.lud"}, d.ini);
    EXPECT_EQ(r.count(question), 0);
    EXPECT_TRUE(r.contains("speak marcado")) << r.err;
}

TEST(InstallOffer, AZipIsInstalledThenPlayedOrRefusedAsAWhole) {
    const std::string asked = "speak O arquivo \"aula.zip\" traz um jogo. Instalar o jogo numa pasta só dele, na "
                              "pasta de jogos? S para instalar, N para desistir. ";
    {
        SCOPED_TRACE("two games: the chooser lists them");
        Downloaded d;
        ASSERT_TRUE(writeArchive(d.from + "/aula.zip",
                                 {{"um.lud", AE_IFREG, gameText("um")},
                                  {"um.pro", AE_IFREG, plat::utf8ToCp1252("ESCREVE \"sou o um\"\r\n")},
                                  {"dois.lud", AE_IFREG, gameText("dois")},
                                  {"dois.pro", AE_IFREG, plat::utf8ToCp1252(kMarking)}}));
        HeadlessResult r = runHeadless("Sdois{Enter}{Enter}{Enter}{Esc}", {d.from + "/aula.zip"}, d.ini);
        EXPECT_EQ(r.count(asked), 1) << r.err;
        EXPECT_TRUE(r.contains("speak marcado")) << r.err;
        EXPECT_FALSE(r.contains("speak sou o um"));
        EXPECT_TRUE(exists(d.games + "/aula/marca.txt"));
    }
    {
        SCOPED_TRACE("no: nothing is unpacked");
        Downloaded d;
        ASSERT_TRUE(writeArchive(d.from + "/aula.zip", {{"um.lud", AE_IFREG, gameText("um")}}));
        HeadlessResult r = runHeadless("N{Enter}", {d.from + "/aula.zip"}, d.ini);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.contains("speak O jogo não foi instalado.")) << r.err;
        EXPECT_EQ(entriesOf(d.games), std::vector<std::string>{});
    }
    {
        SCOPED_TRACE("a link inside: the pupil hears why");
        Downloaded d;
        ASSERT_TRUE(writeArchive(d.from + "/aula.zip",
                                 {{"um.lud", AE_IFREG, gameText("um")}, {"chave", AE_IFLNK, "/etc/passwd"}}));
        HeadlessResult r = runHeadless("S{Enter}", {d.from + "/aula.zip"}, d.ini);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.contains("speak O jogo não foi instalado: o arquivo traz um atalho: chave.")) << r.err;
        EXPECT_EQ(entriesOf(d.games), std::vector<std::string>{});
    }
}

}  // namespace
