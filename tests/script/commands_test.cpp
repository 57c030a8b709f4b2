// Console, media and file commands, run as small programs against the headless
// front with a key script; screen, trace and files are checked afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "console/menu.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/process.h"
#include "support/script_run.h"

using namespace script;
using scripttest::var;

namespace {

struct Commands : ::testing::Test {
    std::string dir = tempDir();
    std::unique_ptr<InProc> io;
    void start(const std::string& keys = "") {
        io.reset();  // its destructor lets go of the front
        io = std::make_unique<InProc>(keys, "", false);
        resetState();
        io->run([] { scriptReset(); });
    }
    void SetUp() override { start(); }
    RunResult go(const std::string& text) {
        RunResult r;
        io->run([&] { r = scripttest::run(text, "", dir); });
        return r;
    }
    std::string file(const std::string& name) { return dir + "/" + name; }
};

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

TEST_F(Commands, EscreveToTheConsole) {
    RunResult r = go("ESCREVE \"um\"\nESCREVE\nESCREVE MUDO \"mudo\"\nESCREVE \"a\" 1 &\nESCREVE \"b\"\n"
                     "SEJA A \"x\"\nSEJA B \"y\"\nESCREVE AB\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(io->row(1), "um");
    EXPECT_EQ(io->row(2), "");
    EXPECT_EQ(io->row(3), "mudo");
    EXPECT_EQ(io->row(4), "a1b");  // "&" leaves the cursor after the text
    EXPECT_EQ(io->row(5), "xy");
    EXPECT_TRUE(io->traced("speak um"));
    EXPECT_FALSE(io->traced("speak mudo"));
    EXPECT_TRUE(io->traced("speak a1"));

    r = go("ESCREVE \"a\" ,\nESCREVE \"nunca\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 1);
    EXPECT_EQ(go("ESCREVE #x \"a\"\n").code, RunFailed);
}

// Lines past the screen's foot scroll it up by one row each, keeping every
// row's text and colour in order, whatever the line's length.
TEST_F(Commands, EscreveScrollsTheScreen) {
    for (int lines : {24, 25, 26, 60}) {
        start();
        std::string text;
        for (int i = 1; i <= lines; ++i) {
            text += i % 2 ? "COR 14\n" : "COR 7\n";
            text += "ESCREVE MUDO \"" + std::string(size_t(i % 7) * 12, '-') + std::to_string(i) + "\"\n";
        }
        ASSERT_EQ(go(text).code, RunOk);
        // The last line written sits above the empty row the cursor moved to.
        const int last = lines < 25 ? lines + 1 : 25;
        const int first = lines - (last - 1) + 1;  // the line on row 1
        const int attrOfFirst = io->attr(1, 1), attrOfSecond = io->attr(1, 2);
        EXPECT_NE(attrOfFirst, attrOfSecond);
        for (int row = 1; row < last; ++row) {
            const int i = first + row - 1;
            EXPECT_EQ(io->row(row), std::string(size_t(i % 7) * 12, '-') + std::to_string(i)) << lines << " " << row;
            EXPECT_EQ(io->attr(1, row), row % 2 ? attrOfFirst : attrOfSecond) << lines << " " << row;
        }
        EXPECT_EQ(io->row(last), "") << lines;
    }
}

TEST_F(Commands, TelaCorFundoBipa) {
    RunResult r = go("TELA @10,5\nESCREVE \"aqui\"\nCOR 14\nFUNDO 1\nESCREVE \"cor\"\nBIPA\nBIPA 1\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(io->row(5), "         aqui");
    EXPECT_EQ(io->attr(1, 6), 0x1E);
    EXPECT_EQ(io->tracedCount("beep"), 1);
    EXPECT_EQ(io->tracedCount("click"), 1);
    EXPECT_EQ(go("TELA @10\n").code, RunFailed);
    EXPECT_EQ(go("TELA @a,b\n").code, RunFailed);
    EXPECT_EQ(go("COR \"azul\"\n").code, RunFailed);

    EXPECT_EQ(go("SEJA X \"LIMPA\"\nTELA X\n").code, RunOk);
    EXPECT_EQ(io->row(5), "");
    EXPECT_EQ(go("SEJA X \"limpa\"\nTELA X\n").code, RunFailed);  // the value is not upper-cased
    EXPECT_EQ(go("TELA limpa\n").code, RunOk);                    // the argument is
}

TEST_F(Commands, FileChannelsRoundTrip) {
    std::string f = file("dados.txt");
    RunResult r = go("ABRE #1 \"" + f + "\" &\nESCREVE #1 \"linha um\"\nESCREVE #1 \"sem fim\" &\nESCREVE #1 \"!\"\n"
                     "CHECA $W\nFECHA #1\nFECHA #1\n"
                     "ABRE #2 \"" + f + "\"\nLÊ #2 A\nLE #2 B\nLÊ #2 C\nCHECA $S\nESCREVE #2 \"x\"\nCHECA $E\n"
                     "FECHA #2\nESCREVE #3 \"nunca aberto\"\nSEJA $FIM \"ok\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(readText(f), "linha um\r\nsem fim!\r\n");
    EXPECT_EQ(var("$W"), "0");
    EXPECT_EQ(var("A"), "linha um");
    EXPECT_EQ(var("B"), "sem fim!");
    EXPECT_EQ(var("C"), "");
    EXPECT_EQ(var("$S"), "1");    // end of file
    EXPECT_NE(var("$E"), "0");    // a channel opened for reading takes no writing
    EXPECT_EQ(var("$FIM"), "ok");  // writing to a closed channel is reported, not fatal
    EXPECT_TRUE(io->traced("speak Erro no processamento de arquivo"));

    // Reading a channel opened for appending gives the end of file.
    r = go("ABRE #4 \"" + f + "\" &\nLÊ #4 X\nCHECA $S\nFECHA #4\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("X"), "");
    EXPECT_EQ(var("$S"), "1");

    r = go("ABRE #1 \"" + file("nao_ha.txt") + "\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_TRUE(io->traced("speak Erro na abertura do arquivo " + file("nao_ha.txt")));
    EXPECT_EQ(go("FECHA 1\n").code, RunFailed);
    EXPECT_TRUE(io->traced("speak Erro no fechamento do arquivo"));
    EXPECT_EQ(go("LÊ #1\n").code, RunFailed);
}

// Lines are cut the same wherever they fall in the file: across the reader's
// pieces, blank, CR LF or LF, the last without a line break; one longer than any
// value fails its LE and the next line reads.
TEST_F(Commands, LinesReadWhereverTheyFall) {
    const std::string wide(70000, 'w'), huge(kMaxValue + 10, 'h');
    struct Case {
        std::string text;
        std::vector<std::string> lines;  // then the end of the file
    };
    const std::vector<Case> cases = {
        {"um\r\n\r\ndois\ntr\u00eas", {"um", "", "dois", "três"}},
        {std::string(65535, 'a') + "\r\n" + wide + "\n" + "fim\n", {std::string(65535, 'a'), wide, "fim"}},
        {std::string(65536, 'b') + "\n\n", {std::string(65536, 'b'), ""}},
        {"\n", {""}},
        {"", {}},
        // Only the CR of a line's own CR LF goes; one at the very end of the file too.
        {"ab\r\r\n\r\nc\rd\nfim\r", {"ab\r", "", "c\rd", "fim"}},
        {std::string(65534, 'c') + "\r\r\n" + "x", {std::string(65534, 'c') + "\r", "x"}},
    };
    for (const Case& c : cases) {
        writeText(file("linhas.txt"), c.text);
        std::string prog = "ABRE #3 \"" + file("linhas.txt") + "\"\n";
        for (size_t i = 0; i <= c.lines.size(); ++i)
            prog += "LE #3 $L" + std::to_string(i) + "\nCHECA $S" + std::to_string(i) + "\n";
        prog += "LE #3 $DEPOIS\nCHECA $FIM\nFECHA #3\n";
        ASSERT_EQ(go(prog).code, RunOk);
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(var("$L" + std::to_string(i)), c.lines[i]) << i;
            EXPECT_EQ(var("$S" + std::to_string(i)), "0") << i;
        }
        EXPECT_EQ(var("$S" + std::to_string(c.lines.size())), "1");
        EXPECT_EQ(var("$FIM"), "1");  // and stays at the end
    }
    writeText(file("longa.txt"), "antes\n" + huge + "\ndepois\n");
    EXPECT_EQ(go("ABRE #3 \"" + file("longa.txt") + "\"\nLE #3 A\nLE #3 B\n").code, RunFailed);
    EXPECT_EQ(var("A"), "antes");
    EXPECT_EQ(go("LE #3 C\nFECHA #3\n").code, RunOk);
    EXPECT_EQ(var("C"), "depois");
}

// A data file written on Linux (UTF-8, maybe with its mark) reads as the same text as its CP1252 twin.
TEST_F(Commands, DataFilesInUtf8ReadAsTheirText) {
    writeText(file("utf8.txt"), "\xEF\xBB\xBF" "ação\r\nÊxito\n");
    writeText(file("cp.txt"), plat::utf8ToCp1252("ação\r\nÊxito\n"));
    for (const char* name : {"utf8.txt", "cp.txt"}) {
        RunResult r = go("ABRE #1 \"" + file(name) + "\"\nLÊ #1 A\nLÊ #1 B\nFECHA #1\n");
        EXPECT_EQ(r.code, RunOk) << name;
        EXPECT_EQ(var("A"), "ação") << name;
        EXPECT_EQ(var("B"), "Êxito") << name;
    }
}

TEST_F(Commands, TenChannelsAndAFileRemovedWhileOpen) {
    std::string prog;
    for (int i = 0; i < 10; ++i) {
        writeText(file("c" + std::to_string(i)), "canal " + std::to_string(i) + "\n");
        prog += "ABRE #" + std::to_string(i) + " \"" + file("c" + std::to_string(i)) + "\"\n";
    }
    prog += "REMOVE \"" + file("c9") + "\"\nLÊ #9 A\nLÊ #0 B\n";
    for (int i = 0; i < 10; ++i) prog += "FECHA #" + std::to_string(i) + "\n";
    RunResult r = go(prog);
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "canal 9");
    EXPECT_EQ(var("B"), "canal 0");
    EXPECT_FALSE(exists(file("c9")));
}

TEST_F(Commands, KeysAndLines) {
    start("{F1}{Enter}xsegredo{Enter}ola{Enter}{Esc}");
    RunResult r = go("LÊ A &\nLÊ B &\nLÊ MUDO C &\nLÊ SENHA $P\nLÊ $L\nSEJA $E \"velho\"\nLÊ EDITA $E\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("A"), "#0#59");
    EXPECT_EQ(var("B"), "#13");
    EXPECT_EQ(var("C"), "x");
    EXPECT_EQ(var("$P"), "segredo");
    EXPECT_EQ(var("$L"), "ola");
    EXPECT_EQ(var("$E"), "");  // Esc empties an edited value
    EXPECT_FALSE(io->traced("speak segredo"));
    // The password was typed black on black.
    EXPECT_EQ(io->row(1), "segredo");
    EXPECT_EQ(io->attr(1, 1), 0);
}

TEST_F(Commands, Folders) {
    std::string d = file("pasta");
    RunResult r = go("DIR CRIA \"" + d + "\"\nDIR CRIA \"" + d + "\" &\nDIR CRIA \"" + d + "\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_EQ(r.line, 3);
    EXPECT_TRUE(io->traced("speak Erro no processamento do diretório " + d));
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    // Back to the program's own folder: a folder outside it is no place to go.
    r = go("DIR TROCA \"" + d + "\"\nBUSCA $AQUI\nDIR TROCA \"" + dir + "\"\nDIR REMOVE \"" + d + "\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("$AQUI"), d);
    EXPECT_FALSE(exists(d));
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(go("DIR APAGA \"x\"\n").code, RunFailed);
}

TEST_F(Commands, SearchWalksToTheEnd) {
    for (const char* n : {"b.txt", "A.TXT", "c.dat", "d.txt"}) writeText(file(n), "x");
    mkdir(file("sub.txt").c_str(), 0755);
    RunResult r = go("BUSCA X \"" + dir + "/*.txt\"\nSEJA S X\n@mais\nBUSCA X PRÓXIMO\nSE X = \"\" DESVIA @fim\n"
                     "CONCATENA S \",\"\nCONCATENA S X\nDESVIA @mais\n@fim\n"
                     "BUSCA $D DIR \"" + dir + "/*.txt\"\nBUSCA $D PROXIMO\nBUSCA $N \"" + dir + "/*.xyz\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("S"), "A.TXT,b.txt,d.txt");  // folders are left out of a file search
    EXPECT_EQ(var("$D"), "sub.txt");
    EXPECT_EQ(var("$N"), "");
    EXPECT_EQ(go("BUSCA X PRÓXIMO 1\n").code, RunFailed);
}

TEST_F(Commands, RemoveRenameCopy) {
    writeText(file("a.txt"), std::string(70000, 'z'));
    RunResult r = go("REPLICA \"" + file("a.txt") + "\" \"" + file("b.txt") + "\"\n"
                     "RENOMEIA \"" + file("b.txt") + "\" \"" + file("C.txt") + "\"\n"
                     "REMOVE \"" + file("a.txt") + "\"\nREMOVE \"" + file("a.txt") + "\" &\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_FALSE(exists(file("a.txt")));
    EXPECT_EQ(readText(file("C.txt")), std::string(70000, 'z'));

    r = go("REMOVE \"" + file("a.txt") + "\"\n");
    EXPECT_EQ(r.code, RunFailed);
    EXPECT_TRUE(io->traced("speak Erro no apagamento do arquivo " + file("a.txt")));
    // Renaming onto an existing file would lose it: refused.
    writeText(file("d.txt"), "d");
    EXPECT_EQ(go("RENOMEIA \"" + file("C.txt") + "\" \"" + file("d.txt") + "\"\n").code, RunFailed);
    EXPECT_EQ(readText(file("d.txt")), "d");
    // Copying a file onto itself must not empty it.
    go("REPLICA \"" + file("d.txt") + "\" \"" + file("d.txt") + "\" &\n");
    EXPECT_EQ(readText(file("d.txt")), "d");
    EXPECT_EQ(go("REPLICA \"" + file("nada") + "\" \"" + file("e") + "\"\n").code, RunFailed);
    // A name followed by more text deletes nothing.
    EXPECT_EQ(go("REMOVE \"" + file("d.txt") + "\" \"x\"\n").code, RunFailed);
    EXPECT_TRUE(exists(file("d.txt")));
}

TEST_F(Commands, MenuReturnsTheFunctionKey) {
    start("{Down}{F2}");
    RunResult r = go("MENU CRIA 1 1 40 10\nMENU ADICIONA \"primeiro\"\nMENU ADICIONA \"segundo\"\n"
                     "MENU ADICIONA \"terceiro\"\nSEJA N 1\nMENU EXECUTA N K T\nMENU TERMINA\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(var("N"), "2");
    EXPECT_EQ(var("K"), "#0#60");
    EXPECT_EQ(var("T"), "segundo");
    EXPECT_EQ(go("MENU CRIA 1 1 40\n").code, RunFailed);
    EXPECT_EQ(go("MENU OUTRO\n").code, RunFailed);
}

TEST_F(Commands, ImagemShowsAJpegThroughATemporaryBitmap) {
    plat::Picture pic;
    pic.width = 16;
    pic.height = 8;
    pic.rgb.assign(16 * 8 * 3, 200);
    std::string jpeg;
    ASSERT_TRUE(plat::encodeJpeg(pic, 90, jpeg));
    writeText(file("foto.jpg"), jpeg);
    // A link planted in the shared temporary folder under a name one could guess is never written through.
    const std::string tmp = tempDir(), planted = tmp + "/ludivar-" + std::to_string(getpid()) + "-$$$.bmp";
    writeText(file("vitima.txt"), "intacto");
    ASSERT_EQ(symlink(file("vitima.txt").c_str(), planted.c_str()), 0);
    const char* oldTmp = getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
    RunResult r = go("IMAGEM \"" + file("foto.jpg") + "\" 10 20\n");
    if (oldTmp) setenv("TMPDIR", savedTmp.c_str(), 1);
    else unsetenv("TMPDIR");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_TRUE(con::tw().pictureShown);
    EXPECT_EQ(con::tw().picture.width, 16);
    EXPECT_EQ(con::tw().pictureX, 10);
    EXPECT_EQ(readText(file("vitima.txt")), "intacto");
    std::vector<plat::DirEntry> left;
    ASSERT_TRUE(plat::listDir(tmp, left));
    EXPECT_EQ(left.size(), 1u);  // the planted link alone: the picture's own file is gone
    EXPECT_EQ(go("IMAGEM\n").code, RunOk);
    EXPECT_FALSE(con::tw().pictureShown);
    EXPECT_EQ(go("IMAGEM \"" + file("nada.jpg") + "\"\n").code, RunFailed);
    EXPECT_EQ(go("IMAGEM \"" + file("nada.jpg") + "\" &\n").code, RunOk);
    EXPECT_EQ(go("IMAGEM \"x\" 1\n").code, RunFailed);
}

TEST_F(Commands, TocaAndMciGoThroughTheMediaLayer) {
    // Media are read from where the game may read, as any file is.
    RunResult r = go("TOCA \"" + file("nada.wav") + "\"\nTOCA \"" + file("fundo.wav") + "\" &\nMCI $R \"status x mode\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_TRUE(io->traced("media open \"" + file("nada.wav") + "\" alias myfile"));
    EXPECT_TRUE(io->traced("media play myfile"));
    EXPECT_TRUE(io->traced("media close myfile"));
    EXPECT_TRUE(io->traced("media play " + file("fundo.wav")));
    EXPECT_TRUE(io->traced("media status x mode"));
}

TEST_F(Commands, ExecutaPassesParametersAfterAQuotedName) {
    start("SS");  // the pupil allows each program when asked
    std::string out = file("saida.txt");
    RunResult r = go("EXECUTA \"\"\"/bin/sh\"\" -c \"\"echo oi > '" + out + "'\"\"\"\n");
    EXPECT_EQ(r.code, RunOk);
    EXPECT_EQ(readText(out), "oi\n");
    EXPECT_EQ(go("EXECUTA \"/nao/existe/programa\"\n").code, RunFailed);
    EXPECT_EQ(plat::splitCommandLine("-c  \"a b\" x\"\""), (std::vector<std::string>{"-c", "a b", "x"}));
}

}  // namespace
