// Text scripts: reading the format, the import's values, the exact export, the
// round trip, and options R, G and I through the console.
#include "ludivar_paths.h"
#include <gtest/gtest.h>

#include <filesystem>

#include "game/gamefile.h"
#include "game/model.h"
#include "game/textscript.h"
#include "platform/platform.h"
#include "support/headless.h"
#include "support/inproc.h"

using namespace game;
namespace fs = std::filesystem;

namespace {

std::string cp(const char* s) { return plat::cp(s); }
ParsedScript parse(const std::string& utf8) { return parseScript(scriptLines(plat::utf8ToCp1252(utf8))); }
std::vector<std::string> lines(std::initializer_list<const char*> l) {
    std::vector<std::string> out;
    for (const char* s : l) out.push_back(cp(s));
    return out;
}
std::string sample() { return readText(std::string(LUDIVAR_TEST_DATA) + "/textscript/viagem.txt"); }

// A place with `slides` slides, the 51st setting the place's answer.
std::string manySlides(int slides) {
    std::string s = "Jogo\n----\nLugar\n";
    for (int i = 1; i <= slides; ++i) s += "*\n" + std::string(i == 51 ? "[RESPOSTA] tarde\n" : "") + "s\n";
    return s;
}

// The game file text holds every field of places and slides: equal texts, equal games.
TJogo imported(const std::string& script) {
    TJogo g;
    appendScriptPlaces(g, parseScript(scriptLines(script)));
    return g;
}

struct InFolder {
    fs::path before = fs::current_path();
    std::string dir = tempDir();
    InFolder() { fs::current_path(dir); }
    ~InFolder() { fs::current_path(before); }
};

}  // namespace

TEST(TextScript, LinesAndRecognition) {
    EXPECT_EQ(scriptLines("a\r\nb\n\nc\r\n"), lines({"a", "b", "", "c"}));
    // Saved as UTF-8 by a Linux editor, with or without a mark: read as CP1252.
    EXPECT_EQ(scriptLines("\xEF\xBB\xBF[M\xC3\x8D" "DIA] x"), lines({"[MÍDIA] x"}));
    EXPECT_EQ(scriptLines(cp("Ação")), lines({"Ação"}));
    EXPECT_TRUE(looksLikeScript(lines({"n", "-----x", "P", "*"})));
    // Well-formed blocks without a line that is exactly "*" are refused.
    EXPECT_FALSE(looksLikeScript(lines({"n", "----", "P", "* texto", " *"})));
    EXPECT_FALSE(looksLikeScript(lines({"n", "P", "*"})));
    EXPECT_TRUE(generalBlockValid(lines({"Nome", "Autor"})));
    EXPECT_FALSE(generalBlockValid(lines({"Nome", "*autor"})));
    EXPECT_FALSE(generalBlockValid(lines({"", " "})));
}

TEST(TextScript, PlaceAndSlideBlocks) {
    // One slide titled after the place, with the import's starting values.
    ParsedScript s = parse("Jogo\nAutor\n----\nCapa\n[RESPOSTA] sim\n[DESVIO] Fim\n*\nlinha 1\nlinha 2\n");
    const TLugar& capa = s.places.at(0).place;
    EXPECT_EQ(capa.expectedAnswer, "sim");
    EXPECT_EQ(capa.placeIfRight + capa.placeIfWrong, "FimFim");
    EXPECT_EQ(capa.textColour, "BRANCO");
    ASSERT_EQ(capa.slideCount, 1);
    const TSlide& sl = *capa.slide(1);
    EXPECT_EQ(sl.title, "Capa 1");
    EXPECT_EQ(sl.text, lines({"linha 1", "linha 2"}));
    EXPECT_TRUE(sl.waitMedia && sl.autoAdvance && sl.speakText);

    // Tags in any case, values trimmed, the last description wins, unknown tags kept
    // for the report, a bad number ignored, no "*" gives no slides.
    s = parse("J\n----\n\n  Rio  \nprimeira\n[pontos] 10\n[PONTOS] dez\n[mídia]  som.wav \n[XYZ] nada\n"
              "segunda\n[termina] Sim\n[ACERTO] A|B\n");
    const TLugar& rio = s.places.at(0).place;
    EXPECT_EQ(rio.name, "Rio");
    EXPECT_EQ(rio.points, 10);
    EXPECT_EQ(rio.media, "som.wav");
    EXPECT_EQ(rio.description, "segunda");
    EXPECT_TRUE(rio.endsGame);
    EXPECT_EQ(rio.placeIfRight, "A|B");
    EXPECT_EQ(rio.slideCount, 0);
    EXPECT_EQ(s.places[0].ignored, lines({"[XYZ] nada"}));
    EXPECT_FALSE(parse("J\n----\nP\n[TERMINA]\n").places.at(0).place.endsGame);

    // 12 text lines keep 10, inner empty lines stay, closing ones go; slide tags,
    // place tags inside a slide, other "[" lines dropped silently.
    s = parse("J\n----\nP\n*\n[Imagem] a.jpg\n[posfigura] cima\n[erro] Volta\n[qualquer] x\n"
              "1\n\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n*\num\n\n  \n");
    const TLugar& p = s.places.at(0).place;
    EXPECT_TRUE(s.places[0].ignored.empty());
    EXPECT_EQ(p.placeIfWrong, "Volta");
    EXPECT_EQ(p.slide(1)->picture, "a.jpg");
    EXPECT_EQ(p.slide(1)->picturePosition, "cima");
    EXPECT_EQ(p.slide(1)->text, lines({"1", "", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(p.slide(2)->text, lines({"um"}));

    // Two separators in a row end the script; a block of blank lines adds nothing.
    s = parse("J\n----\nA\n*\n----\n\n  \n----\nB\n----\n----\nC\n*\n");
    ASSERT_EQ(s.places.size(), 2u);
    EXPECT_EQ(s.places[1].place.name, "B");

    // At most 50 slides; a place field set in a refused slide still counts.
    s = parseScript(scriptLines(manySlides(52)));
    EXPECT_EQ(s.places[0].place.slideCount, kMaxSlides);
    EXPECT_EQ(s.places[0].slidesDropped, 2);
    EXPECT_EQ(s.places[0].place.expectedAnswer, "tarde");
}

TEST(TextScript, ExportText) {
    TJogo g;
    g.general.name = "Viagem";
    g.general.author = "Ana";
    TLugar* a = CreatePlace(g, 1);
    a->name = "Rio";
    a->description = cp("Descrição");
    a->expectedAnswer = "sim";
    a->placeIfRight = a->placeIfWrong = "Fim";
    a->points = -3;
    a->media = "m.wav";
    a->textColour = "Branco";
    TSlide* s = CreateSlide(*a, 1);
    s->picture = "p.jpg";
    s->effect = "CRESCER";
    s->text = {"a", "", "b", "", " "};
    CreateSlide(*a, 2);
    a->slideCount = 2;
    TLugar* b = CreatePlace(g, 3);  // place 2 stays empty and is skipped
    b->name = "Fim";
    b->placeIfRight = "Rio";
    b->endsGame = true;
    // Text the reader would take for structure comes back as text.
    CreateSlide(*b, 1)->text = {"----", "*", "[nota]"};
    b->slideCount = 1;

    EXPECT_EQ(scriptText(g), cp("Viagem\r\nAna\r\n"
                                "----------------------------------------\r\nRio\r\nDescrição\r\n[RESPOSTA] sim\r\n"
                                "[DESVIO] Fim\r\n[PONTOS] -3\r\n[MÍDIA] m.wav\r\n[CORLETRA] Branco\r\n"
                                "*\r\n[FIGURA] p.jpg\r\n[EFEITO] CRESCER\r\na\r\n\r\nb\r\n*\r\n"
                                "----------------------------------------\r\nFim\r\n[ACERTO] Rio\r\n"
                                "[TERMINA] SIM\r\n*\r\n\\----\r\n\\*\r\n\\[nota]\r\n"));
    EXPECT_EQ(imported(scriptText(g)).place(2)->slide(1)->text, lines({"----", "*", "[nota]"}));
}

TEST(TextScript, ImportExportImportKeepsPlacesAndSlides) {
    TJogo a = imported(sample());
    ASSERT_EQ(a.placeCount, 3);
    const TLugar& capa = *a.place(1);
    EXPECT_EQ(capa.expectedAnswer, cp("sim|não"));
    EXPECT_EQ(capa.slide(1)->text, lines({"Bem-vindo à viagem!", "", "Quer começar? Responda sim ou não."}));
    EXPECT_EQ(a.place(2)->slide(1)->title, "Rio 1");
    EXPECT_EQ(a.place(3)->points, -5);

    const std::string exported = scriptText(a);
    EXPECT_EQ(GameText(imported(exported)), GameText(a));
    // What the format drops (titles, flags) comes back with the import's values.
    TJogo edited = a;
    edited.place(1)->slide(1)->title = "Abertura";
    edited.place(2)->slide(1)->autoAdvance = false;
    EXPECT_EQ(scriptText(edited), exported);
}

// Whatever a game holds, its export imports back to the same texts; and scripts
// written before the escape read as they did.
TEST(TextScript, EscapedLinesRoundTrip) {
    const char* tricky[] = {"*estrela", "----", "*", "[nota]", "\\", "\\*", "\\----", "[CATEGORIA] falsa", "ok"};
    for (const char* t : tricky) {
        TJogo g;
        g.general.name = t;
        g.general.author = t;
        TLugar* p = CreatePlace(g, 1);
        p->name = t;
        p->description = t;
        TSlide* s = CreateSlide(*p, 1);
        s->text = {t, "meio", t};
        p->slideCount = 1;
        TLugar* q = CreatePlace(g, 2);  // the place after must survive too
        q->name = "Depois";
        CreateSlide(*q, 1)->text = {"fim"};
        q->slideCount = 1;
        const std::vector<std::string> ls = scriptLines(scriptText(g));
        ASSERT_TRUE(looksLikeScript(ls)) << t;
        ParsedScript back = parseScript(ls);
        ASSERT_TRUE(back.generalValid) << t;
        EXPECT_EQ(back.general[0], t);
        EXPECT_EQ(back.general[1], t);
        ASSERT_EQ(back.places.size(), 2u) << t;
        EXPECT_EQ(back.places[0].place.name, t);
        EXPECT_EQ(back.places[0].place.description, t);
        EXPECT_EQ(back.places[0].place.category, "") << t;
        ASSERT_NE(back.places[0].place.slide(1), nullptr) << t;
        EXPECT_EQ(back.places[0].place.slide(1)->text, lines({t, "meio", t}));
        EXPECT_EQ(back.places[1].place.name, "Depois") << t;
    }
    // An empty place name survives too (a blank line would be skipped).
    TJogo g;
    g.general.name = "Jogo";
    CreatePlace(g, 1)->name = "";
    CreateSlide(*g.place(1), 1)->text = {"x"};
    g.place(1)->slideCount = 1;
    ParsedScript back = parseScript(scriptLines(scriptText(g)));
    ASSERT_EQ(back.places.size(), 1u);
    EXPECT_EQ(back.places[0].place.name, "");
    EXPECT_EQ(back.places[0].place.slide(1)->text, lines({"x"}));
    // An old script's lines keep their meaning: a blank before "[" or "*" stays text as it was.
    ParsedScript old = parseScript(lines({"Velho", "----", "Lugar", "*", " [nota]", " *", "\\sem escape"}));
    ASSERT_EQ(old.places.size(), 1u);
    EXPECT_EQ(old.places[0].place.slide(1)->text, lines({" [nota]", " *", "\\sem escape"}));
}

// ---- through the console -----------------------------------------------------------

TEST(TextScriptConsole, ImportRefusalsAndConfirmedGeneralData) {
    InFolder f;
    writeText(f.dir + "/viagem.txt", sample());
    writeText(f.dir + "/ruim.txt", "Jogo\n----\nLugar\n[RESPOSTA] a\n");
    writeText(f.dir + "/estrela.txt", "*Jogo\n----\nLugar\n*\n");
    resetModelState();
    NewGame();
    const std::string before = GameText(current());
    {
        InProc p("ruim.txt{Enter}estrela.txt{Enter}nada.txt{Enter}{Esc}", "", true, InProc::KeepGame);
        p.run([] {
            for (int i = 0; i < 4; ++i) importScript();
        });
        EXPECT_EQ(p.tracedCount("speak Este não parece ser um arquivo de roteiro."), 2);
        EXPECT_TRUE(p.traced("speak Arquivo não existe."));
        EXPECT_TRUE(p.traced("speak Desistiu"));
        EXPECT_EQ(GameText(current()), before);
    }
    // The form shows the script's lines; Esc ends it and Enter confirms.
    InProc p("viagem.txt{Enter}{Esc}{Enter}", "", true, InProc::KeepGame);
    p.run(importScript);
    EXPECT_TRUE(p.traced("speak Roteiro carregado."));
    const TJogo& g = current();
    EXPECT_EQ(g.general.author, cp("Professora Márcia"));
    EXPECT_EQ(g.general.comments[1], "Para o quarto ano.");
    EXPECT_EQ(g.commentCount, 2);
    ASSERT_EQ(g.placeCount, 3);  // the new game's empty Capa made way
    EXPECT_EQ(g.place(1)->slideCount, 2);
}

TEST(TextScriptConsole, DeclinedGeneralDataAndLimits) {
    InFolder f;
    writeText(f.dir + "/r.txt", "Outro\n----\nPraia\n[SOM] mar.wav\n*\nareia\n");
    writeText(f.dir + "/muitos.txt", manySlides(53));
    resetModelState();
    for (int n = 1; n <= 998; ++n) CreateSlide(*CreatePlace(current(), n), 1);
    const std::string name = current().general.name;

    InProc p("r.txt{Enter}{Esc}n" "muitos.txt{Enter}{Esc}N" "r.txt{Enter}{Esc}n", "", true, InProc::KeepGame);
    p.run([] {
        for (int i = 0; i < 3; ++i) importScript();
    });
    EXPECT_EQ(p.tracedCount("speak Dados gerais não foram alterados."), 3);
    EXPECT_EQ(current().general.name, name);
    // The unknown line, with the place's name and a colon before it.
    EXPECT_TRUE(p.traced("speak Dados ignorados no lugar: "));
    EXPECT_TRUE(p.traced("speak Praia:"));
    EXPECT_TRUE(p.traced("speak [SOM] mar.wav"));
    EXPECT_TRUE(p.traced("speak Excedido o máximo de slides do lugar"));
    EXPECT_EQ(current().place(1000)->slideCount, kMaxSlides);
    // The third import finds the game full.
    EXPECT_TRUE(p.traced(
        "speak O jogo já tem 1000 lugares, o máximo; os demais lugares do roteiro não foram importados."));
    EXPECT_EQ(current().placeCount, kMaxPlaces);
}

TEST(TextScriptConsole, ExportAndMediaImport) {
    InFolder f;
    resetModelState();
    current() = imported(sample());
    writeText(f.dir + "/velho.txt", "antigo");
    {
        InProc p("saida.txt{Enter}" "velho.txt{Enter}n" "nao/existe/x.txt{Enter}");
        p.run([] {
            for (int i = 0; i < 3; ++i) exportScript();
        });
        EXPECT_EQ(readText(f.dir + "/saida.txt"), scriptText(current()));
        EXPECT_EQ(readText(f.dir + "/velho.txt"), "antigo");
        EXPECT_EQ(p.tracedCount("speak Roteiro equivalente criado."), 1);
        EXPECT_TRUE(p.traced("speak Erro ao criar o arquivo"));  // not announced as done
    }

    fs::create_directories(f.dir + "/midias");
    const std::string big(5000, 'x');
    writeText(f.dir + "/midias/som.wav", big);
    writeText(f.dir + "/capa.jpg", "minha capa");
    InProc p("midias{Enter}som.wav{Enter}falta.wav{Enter}{Esc}" ".{Enter}capa.jpg{Enter}{Esc}" "nenhuma{Enter}");
    p.run([] {
        for (int i = 0; i < 3; ++i) importMedia();
    });
    EXPECT_EQ(readText(f.dir + "/som.wav"), big);
    EXPECT_FALSE(fs::exists(f.dir + "/falta.wav"));
    EXPECT_EQ(readText(f.dir + "/capa.jpg"), "minha capa");  // its own folder: left as it is
    EXPECT_EQ(p.tracedCount("speak Ok, copiado"), 2);
    EXPECT_TRUE(p.traced("speak Erro ao criar o arquivo"));
    EXPECT_TRUE(p.traced("speak Esta pasta não existe"));
    EXPECT_EQ(fs::current_path(), fs::path(f.dir));
}
