// The game model and the game file: new-game values, reading rules, writing, round
// trips, files from Windows, absurd files and the atomic save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <regex>

#include "game/gamefile.h"
#include "game/model.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "util/atomic.h"
#include "util/result.h"

using namespace game;
namespace fs = std::filesystem;

namespace {

// A game file from UTF-8 lines, as CP1252 with CR LF.
std::string lud(std::initializer_list<const char*> lines, const char* eol = "\r\n") {
    std::string s;
    for (const char* l : lines) s += plat::cp(l) + eol;
    return s;
}

std::string cp(const char* s) { return plat::cp(s); }

ReadResult read(const std::string& text, TJogo& g) { return ReadGameText(text, g); }

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A game that uses every field, with the cases the writer must keep.
TJogo richGame() {
    TJogo g;
    ResetGeneralData(g);
    ResetModel(g);
    g.general.name = cp("Animais do Brasil");
    g.general.author = cp("Professora Conceição");
    g.general.creationDate = "1/2/2020 - Sábado";
    g.general.version = "2.1";
    g.general.versionDate = "3/4/2021 - Sexta";
    g.general.program = "animais.pro";
    g.general.comments = {cp("Primeiro comentário"), "", cp("terceiro ção"), "", ""};
    RecountComments(g);
    g.backgroundPicture = "fundo.jpg";
    g.font = {"Verdana", 28, true};
    TLugar* p1 = CreatePlace(g, 1);
    p1->name = "Capa";
    p1->expectedAnswer = cp("SIM|NÃO");
    p1->placeIfRight = "Onça|Fim";
    p1->placeIfWrong = "Capa";
    p1->points = -5;
    p1->endsGame = false;
    p1->media = "musica.mp3";
    p1->backgroundColour = "Azul";
    p1->textColour = "14";
    p1->backgroundPicture = "$FUNDO.jpg";
    p1->description = "  espaços  ";
    p1->slideCount = 3;
    TSlide* s1 = CreateSlide(*p1, 1);
    s1->title = cp("Título");
    s1->picture = "onca.jpg";
    s1->picturePosition = "cima esquerda";
    s1->media = "a.wav|b.wav";
    s1->waitMedia = false;
    s1->effect = "QUADRADOS";
    s1->autoAdvance = true;
    s1->speakText = false;
    s1->textPosition = "baixo";
    s1->text = {cp("Olá, $NOME."), "", "linha 3 = com igual", "  recuada"};
    CreateSlide(*p1, 3)->text = {"só a terceira"};  // slide 2 left empty
    TLugar* p3 = CreatePlace(g, 3);                   // place 2 left empty
    p3->name = cp("Onça");
    p3->category = "ANIMAIS";
    p3->endsGame = true;
    p3->points = 2147483647;
    g.placeCount = 4;  // a trailing empty slot
    return g;
}

}  // namespace

TEST(GameModel, NewGameValues) {
    resetModelState();
    current().randomOrder = true;
    NewGame();
    const TJogo& g = current();
    EXPECT_EQ(g.placeCount, 1);
    ASSERT_NE(g.place(1), nullptr);
    EXPECT_EQ(g.place(1)->name, "Capa");
    EXPECT_EQ(g.place(1)->slideCount, 0);
    EXPECT_EQ(g.place(2), nullptr);
    EXPECT_EQ(g.general.name, "Jogo experimental");
    EXPECT_EQ(g.general.author, "Projeto ECOLAR - LABSOM");
    EXPECT_EQ(g.general.version, "1.0");
    EXPECT_EQ(g.general.versionDate, g.general.creationDate);
    EXPECT_TRUE(std::regex_match(plat::cp1252ToUtf8(g.general.creationDate),
                                 std::regex("[1-9][0-9]?/[1-9][0-9]?/[0-9]{4} - (Domingo|Segunda|Terça|Quarta|Quinta|Sexta|Sábado)")))
        << g.general.creationDate;
    EXPECT_EQ(g.font.face, "Arial");
    EXPECT_EQ(g.font.size, 24);
    EXPECT_FALSE(g.font.bold);
    EXPECT_TRUE(g.narration);
    EXPECT_TRUE(g.randomOrder);  // the user's choice outlives the game
    EXPECT_EQ(DateText(7, 3, 2025, 5), "7/3/2025 - Sexta");
    EXPECT_EQ(DateText(1, 12, 2024, 6), cp("1/12/2024 - Sábado"));

    TSlide s;
    s.text = {"old"};
    InitSlide(s);
    EXPECT_EQ(s.title, "Meu jogo");
    EXPECT_TRUE(s.waitMedia);
    EXPECT_TRUE(s.speakText);
    EXPECT_FALSE(s.autoAdvance);
    EXPECT_TRUE(s.text.empty());

    modelState().editorSlide = 7;
    TLugar p;
    InitPlace(p);
    EXPECT_EQ(modelState().editorSlide, 1);
    EXPECT_EQ(CreatePlace(current(), 1001), nullptr);
    EXPECT_EQ(CreateSlide(p, 51), nullptr);
    EXPECT_EQ(current().place(0), nullptr);
}

TEST(GameModel, CommentCountAndDeepCopies) {
    TDadosGerais d;
    EXPECT_EQ(CountComments(d), 0);
    d.comments[0] = "a";
    d.comments[2] = "c";
    EXPECT_EQ(CountComments(d), 3);

    TJogo g = richGame();
    TJogo copy = g;
    copy.place(1)->slide(1)->text[0] = "changed";
    copy.place(1)->name = "other";
    EXPECT_EQ(g.place(1)->slide(1)->text[0], cp("Olá, $NOME."));
    EXPECT_EQ(g.place(1)->name, "Capa");
    TLugar placeCopy = *g.place(1);
    placeCopy.slide(3)->text.clear();
    EXPECT_EQ(g.place(1)->slide(3)->text.size(), 1u);
}

TEST(GameFile, NewGameIsWrittenAsTheExample) {
    TJogo g;
    ResetGeneralData(g);
    ResetModel(g);
    CreatePlace(g, 1);
    g.general.creationDate = g.general.versionDate = "7/3/2025 - Sexta";
    std::string expected = lud({"[DADOS GERAIS]", "NOME DO JOGO=Jogo experimental", "AUTOR=Projeto ECOLAR - LABSOM",
                                "DATA DE CRIAÇÃO=7/3/2025 - Sexta", "VERSÃO=1.0", "DATA DA VERSÃO=7/3/2025 - Sexta",
                                "COMENTÁRIOS=", "", "[MODELO]", "FUNDO=", "FONTE DO TEXTO=Arial,24,NÃO", "LUGARES=1", "",
                                "[LUGAR 1]", "NOME=Capa", "DESCRIÇÃO=", "CATEGORIA=", "RESPOSTA ESPERADA=", "LUGAR OK=",
                                "LUGAR ERRO=", "PONTUAÇÃO=0", "TERMINADOR=NÃO", "NÚMERO DE SLIDES=0", "MÍDIA=",
                                "COR DO FUNDO=", "COR DA LETRA=", "FUNDO="});
    EXPECT_EQ(GameText(g), expected);
}

TEST(GameFile, RoundTripKeepsTheGame) {
    TJogo g = richGame();
    std::string text = GameText(g);
    // Comments 2 to 5 are written because comment 3 is filled; slide 2 and place 2 are skipped.
    EXPECT_NE(text.find(cp("COMENTÁRIOS2=\r\nCOMENTÁRIOS3=terceiro ção\r\n")), std::string::npos);
    EXPECT_EQ(text.find("[LUGAR 2]"), std::string::npos);
    EXPECT_EQ(text.find("[SLIDE 1 2]"), std::string::npos);
    EXPECT_NE(text.find("[SLIDE 1 3]"), std::string::npos);
    EXPECT_NE(text.find("FONTE DO TEXTO=Verdana,28,SIM\r\n"), std::string::npos);
    EXPECT_NE(text.find("0=" + cp("Olá, $NOME.") + "\r\n1=\r\n2=linha 3 = com igual\r\n3=  recuada\r\n"),
              std::string::npos);

    // The writer puts every stored field in the file, so equal texts mean equal games.
    TJogo back;
    ReadResult r = read(text, back);
    ASSERT_TRUE(r.ok) << r.line << ": " << r.content;
    EXPECT_EQ(GameText(back), text);
    EXPECT_EQ(back.place(1)->slide(1)->text, g.place(1)->slide(1)->text);
    EXPECT_TRUE(back.font.bold);
    EXPECT_EQ(back.commentCount, 3);

    // Only one comment: comments 2 to 5 are not written, and read back empty.
    g.general.comments = {"um", "", "", "", ""};
    RecountComments(g);
    text = GameText(g);
    EXPECT_EQ(text.find(cp("COMENTÁRIOS2")), std::string::npos);
    TJogo back2;
    ASSERT_TRUE(read(text, back2).ok);
    EXPECT_EQ(GameText(back2), text);
    EXPECT_EQ(back2.general.comments[2], "");
}

TEST(GameFile, WriterKeepsEveryValueOnItsLine) {
    TJogo g = richGame();
    g.place(1)->name = "linha\r\n[LUGAR 9]\nNOME=intruso";
    g.general.comments[4] = "quinto";  // edited without a recount: still written
    g.commentCount = 1;
    g.place(3)->slideCount = 0;
    CreateSlide(*g.place(3), 1);       // beyond the number of slides: not shown, not written
    std::string text = GameText(g);
    TJogo back;
    ASSERT_TRUE(read(text, back).ok);
    EXPECT_EQ(back.place(1)->name, "linha  [LUGAR 9] NOME=intruso");
    EXPECT_EQ(back.place(9), nullptr);
    EXPECT_EQ(back.general.comments[4], "quinto");
    EXPECT_EQ(back.place(3)->slide(1), nullptr);
}

TEST(GameFile, KeysAreTrimmedAndUpperCasedValuesUntouched) {
    TJogo g;
    ReadResult r = read(lud({"[DADOS GERAIS]", "  nome do jogo =X", "data de criação=hoje", "[modelo]", "LUGARES=0",
                             "[LUGAR 1]", "NOME= X ", "descrição=d=e", "[lugar 2]", "NOME", "[slide 2 1]", "  0 = a ",
                             "7=b", "5"}),
                     g);
    ASSERT_TRUE(r.ok) << r.line << ": " << r.content;
    EXPECT_EQ(g.general.name, "X");
    EXPECT_EQ(g.general.creationDate, "hoje");
    EXPECT_EQ(g.place(1)->name, " X ");
    EXPECT_EQ(g.place(1)->description, "d=e");
    EXPECT_EQ(g.place(2)->name, "");  // a line without "=" is a key with an empty value
    EXPECT_EQ(g.place(2)->slide(1)->text, (std::vector<std::string>{" a ", "b", ""}));
    EXPECT_EQ(g.placeCount, 2);

    // A line without "=" keeps its case: "nome" is no key.
    TJogo h;
    r = read(lud({"[LUGAR 1]", "nome"}), h);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.stop, ReadStop::UnknownKey);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.content, "nome");

    // Values longer than 999 characters are cut.
    TJogo k;
    ASSERT_TRUE(read("[LUGAR 1]\r\nNOME=" + std::string(5000, 'x') + "\r\n", k).ok);
    EXPECT_EQ(k.place(1)->name, std::string(999, 'x'));
}

TEST(GameFile, FontValues) {
    struct Case {
        const char* value;
        const char* face;
        int size;
        bool bold;
    } cases[] = {
        {"Verdana", "Verdana", 20, false},     {"Verdana,28,SIM", "Verdana", 28, true},
        {"Verdana,28,NÃO", "Verdana", 28, false}, {"Verdana,xx,SIM", "Verdana", 20, true},
        {"Verdana,28", "Verdana", 20, true},   {"Arial, 16 ,0", "Arial", 16, false},
        {"Arial,16,", "Arial", 16, false},     {"Arial,16,nada", "Arial", 16, false},
        {",,", "", 20, true},
    };
    for (const Case& c : cases) {
        TJogo g;
        ASSERT_TRUE(read(lud({"[MODELO]", (std::string("FONTE DO TEXTO=") + c.value).c_str()}), g).ok) << c.value;
        EXPECT_EQ(g.font.face, c.face) << c.value;
        EXPECT_EQ(g.font.size, c.size) << c.value;
        EXPECT_EQ(g.font.bold, c.bold) << c.value;
    }
}

TEST(GameFile, FlagsAndNumbers) {
    TJogo g;
    ReadResult r = read(lud({"[LUGAR 1]", "TERMINADOR=sim", "PONTUAÇÃO=abc", "NÚMERO DE SLIDES= 3 ", "[LUGAR 2]",
                             "TERMINADOR=", "PONTUAÇÃO=-12", "[SLIDE 1 1]", "ESPERA MÍDIA=sim", "AUTO AVANÇA=1",
                             "FALA TEXTO=S", "[SLIDE 1 2]", "ESPERA MÍDIA=", "FALA TEXTO=NÃO", "[LUGAR 3]",
                             "PONTUAÇÃO=99999999999"}),
                     g);
    ASSERT_TRUE(r.ok) << r.line << ": " << r.content;
    EXPECT_TRUE(g.place(1)->endsGame);
    EXPECT_EQ(g.place(1)->points, 0);
    EXPECT_EQ(g.place(1)->slideCount, 3);
    EXPECT_FALSE(g.place(2)->endsGame);
    EXPECT_EQ(g.place(2)->points, -12);
    EXPECT_EQ(g.place(3)->points, 0);
    const TSlide* s1 = g.place(1)->slide(1);
    EXPECT_FALSE(s1->waitMedia);  // "sim": only a capital S counts
    EXPECT_TRUE(s1->autoAdvance);
    EXPECT_TRUE(s1->speakText);
    EXPECT_FALSE(g.place(1)->slide(2)->waitMedia);
    EXPECT_FALSE(g.place(1)->slide(2)->speakText);
}

TEST(GameFile, ReadingFailuresNameTheirLine) {
    struct Case {
        std::string text;
        ReadStop stop;
        long line;
        std::string content;
    } cases[] = {
        {lud({"; comentário", " ; recuado"}), ReadStop::UnknownLine, 2, " ; recuado"},
        {lud({"NOME DO JOGO=x"}), ReadStop::UnknownLine, 1, "NOME DO JOGO=x"},
        {lud({"[DADOS GERAIS]", "", "NOME=x"}), ReadStop::UnknownKey, 3, "NOME=x"},
        {lud({"[MODELO]", "COMENTÁRIOS=x"}), ReadStop::UnknownKey, 2, cp("COMENTÁRIOS=x")},
        {lud({"[LUGAR x]", "NOME=a"}), ReadStop::BadHeader, 1, "[LUGAR x]"},
        {lud({"[LUGAR 0]", ""}), ReadStop::HeaderOutOfRange, 1, "[LUGAR 0]"},
        {lud({"[LUGAR 1001]", ""}), ReadStop::HeaderOutOfRange, 1, "[LUGAR 1001]"},
        {lud({"[LUGAR 1]", "[SLIDE 1 51]", ""}), ReadStop::HeaderOutOfRange, 2, "[SLIDE 1 51]"},
        {lud({"[LUGAR 1]", "[SLIDE 1]", ""}), ReadStop::BadHeader, 2, "[SLIDE 1]"},
        {lud({"[SLIDE 3 1]", "0=a", "[LUGAR 3]"}), ReadStop::SlideWithoutPlace, 1, "[SLIDE 3 1]"},
        {lud({"[MODELO]", "LUGARES=muitos"}), ReadStop::BadNumber, 2, "LUGARES=muitos"},
        {lud({"[MODELO]", "LUGARES=1001"}), ReadStop::BadNumber, 2, "LUGARES=1001"},
        {lud({"[LUGAR 1]", "NÚMERO DE SLIDES="}), ReadStop::BadNumber, 2, cp("NÚMERO DE SLIDES=")},
        {lud({"[LUGAR 1]", "NÚMERO DE SLIDES=51"}), ReadStop::BadNumber, 2, cp("NÚMERO DE SLIDES=51")},
        {lud({"[LUGAR 1]", "[OUTRA]", "x"}), ReadStop::UnknownLine, 2, "[OUTRA]"},
    };
    for (const Case& c : cases) {
        TJogo g;
        ReadResult r = read(c.text, g);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.stop, c.stop) << c.text;
        EXPECT_EQ(r.line, c.line) << c.text;
        EXPECT_EQ(r.content, c.content) << c.text;
    }
}

TEST(GameFile, SectionOrderRules) {
    // A place read again after its slides replaces it and loses them.
    TJogo g;
    ReadResult r = read(lud({"[LUGAR 3]", "NOME=a", "[SLIDE 3 1]", "0=x", "[LUGAR 3]", "NOME=b", ""}), g);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(g.place(3)->name, "b");
    EXPECT_EQ(g.place(3)->slide(1), nullptr);
    EXPECT_EQ(g.placeCount, 3);

    // A header on the very last line is ignored, even one that could not be read.
    for (const char* last : {"[LUGAR 5]", "[SLIDE 9 1]", "[LUGAR zz]", "[DADOS GERAIS]"}) {
        TJogo h;
        h.general.name = "kept";
        r = read(lud({"[LUGAR 1]", "NOME=a"}) + last, h);
        EXPECT_TRUE(r.ok) << last;
        EXPECT_EQ(h.place(5), nullptr);
        EXPECT_EQ(h.placeCount, 1);
        EXPECT_EQ(h.general.name, "kept");
    }

    // A file of comments and empty lines changes nothing.
    TJogo before = richGame();
    TJogo same = before;
    r = read(lud({"; só comentários", "", "   ", ";[LUGAR 1]"}), same);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(GameText(same), GameText(before));

    // [MODELO] empties the places of the game held before; so do places that come first.
    TJogo old = richGame();
    old.randomOrder = true;
    old.narration = false;
    ASSERT_TRUE(read(lud({"[MODELO]", "LUGARES=0"}), old).ok);
    EXPECT_EQ(old.place(1), nullptr);
    EXPECT_TRUE(old.randomOrder);
    EXPECT_TRUE(old.narration);
    TJogo old2 = richGame();
    ASSERT_TRUE(read(lud({"[LUGAR 2]", "NOME=novo"}), old2).ok);
    EXPECT_EQ(old2.place(1), nullptr);
    EXPECT_EQ(old2.place(3), nullptr);
    EXPECT_EQ(old2.placeCount, 2);

    // On failure the game holds what was read before it, without the section that failed.
    TJogo part;
    r = read(lud({"[LUGAR 1]", "NOME=um", "[LUGAR 2]", "NOME=dois", "ERRADO=1"}), part);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(part.place(1)->name, "um");
    EXPECT_EQ(part.place(2), nullptr);
}

TEST(GameFile, FilesFromWindows) {
    std::string crlf = lud({"[DADOS GERAIS]", "NOME DO JOGO=Ação", "[LUGAR 1]", "NOME=Avó"});
    std::string lf = lud({"[DADOS GERAIS]", "NOME DO JOGO=Ação", "[LUGAR 1]", "NOME=Avó"}, "\n");
    std::string bom = "\xEF\xBB\xBF[DADOS GERAIS]\nNOME DO JOGO=Ação\n[LUGAR 1]\nNOME=Avó";
    for (const std::string& text : {crlf, lf, bom}) {
        TJogo g;
        ASSERT_TRUE(read(text, g).ok);
        EXPECT_EQ(g.general.name, "A\xE7\xE3o");
        EXPECT_EQ(g.place(1)->name, "Av\xF3");
    }
    // Header lines with blanks after them, as hand editing leaves them.
    TJogo g;
    EXPECT_TRUE(read("[MODELO]  \r\nLUGARES=1\r\n[LUGAR 1] \t\r\nNOME=x\r\n", g).ok);
    EXPECT_EQ(g.place(1)->name, "x");
}

TEST(GameFile, AbsurdFilesAreReadOrRefused) {
    std::string dir = tempDir();
    // A 10 MB line with no "=": refused, its content cut.
    {
        std::string path = dir + "/longa.lud";
        std::ofstream(path, std::ios::binary) << "[LUGAR 1]\r\n" << std::string(10 << 20, 'z') << "\r\n";
        TJogo g;
        ReadResult r = ReadGameFile(path, g);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, 2);
        EXPECT_EQ(r.content.size(), kMaxLineKept);
        EXPECT_EQ(MakeFailureReport(r).content.size(), kMaxValue);
    }
    // A 10 MB value: read, cut to 999.
    {
        std::string path = dir + "/valor.lud";
        std::ofstream(path, std::ios::binary) << "[LUGAR 1]\r\nNOME=" << std::string(10 << 20, 'v') << "\r\nCATEGORIA=c";
        TJogo g;
        ASSERT_TRUE(ReadGameFile(path, g).ok);
        EXPECT_EQ(g.place(1)->name.size(), kMaxValue);
        EXPECT_EQ(g.place(1)->category, "c");
    }
    // A million lines.
    {
        std::string path = dir + "/milhao.lud";
        {
            std::ofstream f(path, std::ios::binary);
            f << "[LUGAR 1]\r\n[SLIDE 1 1]\r\n";
            for (int i = 0; i < 1000000; ++i) f << "0=x\r\n";
        }
        TJogo g;
        ASSERT_TRUE(ReadGameFile(path, g).ok);
        EXPECT_EQ(g.place(1)->slide(1)->text.size(), 1000000u);
    }
    // Binary junk: never a crash; the controls of the reported line are blanked.
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string junk(size_t(rng() % 4000), '\0');
        for (char& c : junk) c = char(rng());
        if (round % 2) junk = "[LUGAR 1]\r\n[SLIDE 1 1]\r\n" + junk;
        TJogo g;
        ReadResult r = ReadGameText(junk, g);
        if (!r.ok) {
            for (char c : MakeFailureReport(r).content) EXPECT_GE(uint8_t(c), 32);
        }
    }
    // What is no plain file is no game.
    TJogo g;
    EXPECT_EQ(ReadGameFile(dir, g).stop, ReadStop::CannotOpen);
    EXPECT_EQ(ReadGameFile("/dev/zero", g).stop, ReadStop::CannotOpen);
    EXPECT_EQ(ReadGameFile(dir + "/nao-existe.lud", g).stop, ReadStop::CannotOpen);
    EXPECT_EQ(ReadGameFile(dir + "/nao-existe.lud", g).line, 0);
}

TEST(GameFile, SaveReplacesTheFileOnlyWhenWhollyWritten) {
    std::string dir = tempDir();
    std::string path = dir + "/jogo.lud";
    TJogo g = richGame();
    ASSERT_TRUE(util::writeFileAtomically(path, "velho"));
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(util::writeFileAtomically(path, GameText(g)));
    EXPECT_EQ(slurp(path), GameText(g));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A save through a link replaces the file it points to and leaves the link.
    std::string link = dir + "/atalho.lud";
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(util::writeFileAtomically(link, "pelo atalho"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(path), "pelo atalho");

    // A write that fails half-way (the file size limit) leaves the old file whole
    // and no temporary file behind.
    ASSERT_TRUE(util::writeFileAtomically(path, "antigo e inteiro"));
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const util::Result r = util::writeFileAtomically(path, std::string(100000, 'n'));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.reason().empty());
    EXPECT_EQ(slurp(path), "antigo e inteiro");
    int files = 0;
    for (auto& e : fs::directory_iterator(dir)) files += e.path().filename().string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(files, 2);  // jogo.lud and the link

    // A folder that does not exist, or a name that is a folder.
    EXPECT_FALSE(util::writeFileAtomically(dir + "/nao/existe.lud", "x"));
    EXPECT_FALSE(util::writeFileAtomically(dir, "x"));
    EXPECT_TRUE(fs::is_directory(dir));
}

// The streamed save writes exactly the writer's bytes, however many pieces a
// large game takes, and a write that fails part-way leaves the old file whole.
TEST(GameFile, StreamedSaveWritesTheWholeGameOrNothing) {
    const std::string dir = tempDir();
    const std::string path = dir + "/grande.lud";
    TJogo g = richGame();
    for (int n = 2; n <= 40; ++n) {
        TLugar* p = CreatePlace(g, n);
        p->name = "Lugar " + std::to_string(n);
        p->slideCount = 20;
        for (int s = 1; s <= 20; s += (n % 3) + 1) {  // with gaps between slides
            TSlide* sl = CreateSlide(*p, s);
            for (int t = 0; t < 12; ++t) sl->text.push_back(std::string(60, char('a' + (n + s + t) % 26)));
        }
    }
    g.placeCount = 40;
    const std::string text = GameText(g);
    ASSERT_GT(text.size(), 4u * 64 * 1024);
    ASSERT_TRUE(WriteGameFile(path, g));
    EXPECT_TRUE(slurp(path) == text);

    ASSERT_TRUE(util::writeFileAtomically(path, "antigo e inteiro"));
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100000;  // past the first pieces, short of the end
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const util::Result r = WriteGameFile(path, g);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.reason().empty());
    EXPECT_EQ(slurp(path), "antigo e inteiro");
    int files = 0;
    for (auto& e : fs::directory_iterator(dir)) files += e.path().filename().string()[0] == '.' ? 100 : 1;
    EXPECT_EQ(files, 1);
}

TEST(GameFile, SaveAsNames) {
    EXPECT_EQ(GameFileNameFromAnswer("teste"), "teste.lud");
    EXPECT_EQ(GameFileNameFromAnswer("TESTE.LUD"), "TESTE.LUD");
    EXPECT_EQ(GameFileNameFromAnswer("  aula.Lud "), "aula.Lud");
    EXPECT_EQ(GameFileNameFromAnswer("lud"), "lud.lud");
    EXPECT_EQ(GameFileNameFromAnswer("jogos\\aula"), "jogos\\aula.lud");
    EXPECT_EQ(GameFileNameFromAnswer("   "), "");
}
