// Text scripts: reading the format, the import's values, writing the export, the
// round trip, and options R, G and I through the console.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/startup.h"
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

ParsedScript parse(const char* utf8) { return parseScript(scriptLines(cp(utf8))); }

const TLugar& placeOf(const ParsedScript& s, size_t i) { return s.places.at(i).place; }

std::vector<std::string> lines(std::initializer_list<const char*> l) {
    std::vector<std::string> out;
    for (const char* s : l) out.push_back(cp(s));
    return out;
}

// A script with one place holding `slides` slides, the 51st setting the answer.
std::string manySlides(int slides) {
    std::string s = "Jogo\nAutor\n----\nLugar\n";
    for (int i = 1; i <= slides; ++i) {
        s += "*\n";
        if (i == 51) s += "[RESPOSTA] tarde\n";
        s += "slide " + std::to_string(i) + "\n";
    }
    return s;
}

// Every field the format carries, and those the import fills in, compared.
void expectSamePlaces(const TJogo& a, const TJogo& b) {
    ASSERT_EQ(a.placeCount, b.placeCount);
    for (int n = 1; n <= a.placeCount; ++n) {
        SCOPED_TRACE("place " + std::to_string(n));
        const TLugar* p = a.place(n);
        const TLugar* q = b.place(n);
        ASSERT_TRUE(p && q);
        EXPECT_EQ(p->name, q->name);
        EXPECT_EQ(p->description, q->description);
        EXPECT_EQ(p->category, q->category);
        EXPECT_EQ(p->expectedAnswer, q->expectedAnswer);
        EXPECT_EQ(p->placeIfRight, q->placeIfRight);
        EXPECT_EQ(p->placeIfWrong, q->placeIfWrong);
        EXPECT_EQ(p->points, q->points);
        EXPECT_EQ(p->endsGame, q->endsGame);
        EXPECT_EQ(p->media, q->media);
        EXPECT_EQ(p->backgroundColour, q->backgroundColour);
        EXPECT_EQ(p->textColour, q->textColour);
        EXPECT_EQ(p->backgroundPicture, q->backgroundPicture);
        ASSERT_EQ(p->slideCount, q->slideCount);
        for (int s = 1; s <= p->slideCount; ++s) {
            SCOPED_TRACE("slide " + std::to_string(s));
            const TSlide* x = p->slide(s);
            const TSlide* y = q->slide(s);
            ASSERT_TRUE(x && y);
            EXPECT_EQ(x->title, y->title);
            EXPECT_EQ(x->picture, y->picture);
            EXPECT_EQ(x->picturePosition, y->picturePosition);
            EXPECT_EQ(x->media, y->media);
            EXPECT_EQ(x->waitMedia, y->waitMedia);
            EXPECT_EQ(x->effect, y->effect);
            EXPECT_EQ(x->autoAdvance, y->autoAdvance);
            EXPECT_EQ(x->speakText, y->speakText);
            EXPECT_EQ(x->textPosition, y->textPosition);
            EXPECT_EQ(x->text, y->text);
        }
    }
}

struct InFolder {
    fs::path before = fs::current_path();
    std::string dir = tempDir();
    InFolder() { fs::current_path(dir); }
    ~InFolder() { fs::current_path(before); }
};

std::string sample() { return readText(std::string(LUDIVAR_TEST_DATA) + "/textscript/viagem.txt"); }

}  // namespace

TEST(TextScript, LinesAndRecognition) {
    EXPECT_EQ(scriptLines("a\r\nb\n\nc\r\n"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(scriptLines("a\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(scriptLines("").empty());
    // A script saved as UTF-8 (with or without a mark) reads as the CP1252 one.
    EXPECT_EQ(scriptLines("\xEF\xBB\xBF[M\xC3\x8D" "DIA] x\n"), lines({"[MÍDIA] x"}));
    EXPECT_EQ(scriptLines(cp("Ação\n")), lines({"Ação"}));

    EXPECT_TRUE(looksLikeScript(lines({"n", "----", "P", "*", "t"})));
    // Well-formed blocks without a line that is exactly "*" are not a script.
    EXPECT_FALSE(looksLikeScript(lines({"n", "----", "P", "[RESPOSTA] a", "* texto", " *"})));
    EXPECT_FALSE(looksLikeScript(lines({"n", "P", "*"})));
    EXPECT_TRUE(looksLikeScript(lines({"n", "-----x", "*"})));

    EXPECT_TRUE(generalBlockValid(lines({"Nome", "Autor"})));
    EXPECT_FALSE(generalBlockValid(lines({"Nome", "*autor"})));
    EXPECT_FALSE(generalBlockValid(lines({})));
    EXPECT_FALSE(generalBlockValid(lines({"", "  "})));
}

TEST(TextScript, PlaceAndSlideBlocks) {
    // The Capa example: one slide titled after the place, with the import's flags.
    ParsedScript s = parse("Jogo\nAutor\n----\nCapa\n[RESPOSTA] sim\n[DESVIO] Fim\n*\nlinha 1\nlinha 2\n");
    EXPECT_EQ(s.general, lines({"Jogo", "Autor"}));
    ASSERT_EQ(s.places.size(), 1u);
    const TLugar& capa = placeOf(s, 0);
    EXPECT_EQ(capa.name, "Capa");
    EXPECT_EQ(capa.expectedAnswer, "sim");
    EXPECT_EQ(capa.placeIfRight, "Fim");
    EXPECT_EQ(capa.placeIfWrong, "Fim");
    EXPECT_EQ(capa.textColour, "BRANCO");
    EXPECT_EQ(capa.points, 0);
    ASSERT_EQ(capa.slideCount, 1);
    const TSlide* sl = capa.slide(1);
    ASSERT_TRUE(sl);
    EXPECT_EQ(sl->title, "Capa 1");
    EXPECT_EQ(sl->text, lines({"linha 1", "linha 2"}));
    EXPECT_TRUE(sl->waitMedia);
    EXPECT_TRUE(sl->autoAdvance);
    EXPECT_TRUE(sl->speakText);

    // Tags in any case; values trimmed; the last description wins; unknown tags are
    // kept for the report; a bad number leaves the points alone.
    s = parse("J\n----\n\n  Rio  \nprimeira\n[pontos] 10\n[PONTOS] dez\n[mídia]  som.wav \n[XYZ] nada\n"
              "segunda descrição\n[termina] Sim\n[Categoria] água\n[corFundo] Azul\n[ACERTO] A|B\n[erro] C\n");
    const TLugar& rio = placeOf(s, 0);
    EXPECT_EQ(rio.name, "Rio");
    EXPECT_EQ(rio.points, 10);
    EXPECT_EQ(rio.media, "som.wav");
    EXPECT_EQ(rio.description, cp("segunda descrição"));
    EXPECT_TRUE(rio.endsGame);
    EXPECT_EQ(rio.category, cp("água"));
    EXPECT_EQ(rio.backgroundColour, "Azul");
    EXPECT_EQ(rio.placeIfRight, "A|B");
    EXPECT_EQ(rio.placeIfWrong, "C");
    EXPECT_EQ(rio.slideCount, 0);  // no "*": no slides
    EXPECT_EQ(s.places[0].ignored, lines({"[XYZ] nada"}));
    EXPECT_FALSE(placeOf(parse("J\n----\nP\n[TERMINA]\n"), 0).endsGame);
    EXPECT_FALSE(placeOf(parse("J\n----\nP\n[TERMINA] nao\n"), 0).endsGame);

    // Slides: 12 text lines keep 10; inner empty lines stay, closing ones go; slide
    // tags, place tags inside a slide, and unknown "[" lines dropped silently.
    s = parse("J\n----\nP\n*\n[Imagem] a.jpg\n[posfigura] cima\n[POSTEXTO] baixo\n[efeito] CRESCER\n"
              "[MIDIA] x.wav|y.wav\n[erro] Volta\n[qualquer] coisa\n1\n\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n"
              "*\num\n\n\n  \n*\n");
    const TLugar& p = placeOf(s, 0);
    EXPECT_TRUE(s.places[0].ignored.empty());
    EXPECT_EQ(p.placeIfWrong, "Volta");
    ASSERT_EQ(p.slideCount, 3);
    const TSlide* first = p.slide(1);
    EXPECT_EQ(first->picture, "a.jpg");
    EXPECT_EQ(first->picturePosition, "cima");
    EXPECT_EQ(first->textPosition, "baixo");
    EXPECT_EQ(first->effect, "CRESCER");
    EXPECT_EQ(first->media, "x.wav|y.wav");
    EXPECT_EQ(first->text, lines({"1", "", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(p.slide(2)->text, lines({"um"}));
    EXPECT_TRUE(p.slide(3)->text.empty());
    EXPECT_EQ(p.slide(3)->title, "P 3");

    // Two separators in a row end the script; a block of blank lines adds nothing.
    s = parse("J\n----\nA\n*\n----\n\n  \n----\nB\n----\n----\nC\n*\n");
    ASSERT_EQ(s.places.size(), 2u);
    EXPECT_EQ(placeOf(s, 0).name, "A");
    EXPECT_EQ(placeOf(s, 1).name, "B");
}

TEST(TextScript, FiftySlidesAtMost) {
    ParsedScript s = parseScript(scriptLines(manySlides(52)));
    const TLugar& p = placeOf(s, 0);
    EXPECT_EQ(p.slideCount, kMaxSlides);
    EXPECT_EQ(s.places[0].slidesDropped, 2);
    EXPECT_EQ(p.slide(50)->text, lines({"slide 50"}));
    EXPECT_EQ(p.slide(51), nullptr);
    EXPECT_EQ(p.expectedAnswer, "tarde");  // a place field in a refused slide still counts
    EXPECT_EQ(parseScript(scriptLines(manySlides(50))).places[0].slidesDropped, 0);
}

TEST(TextScript, AppendingToGames) {
    ParsedScript s = parse("J\n----\nA\n*\nx\n----\nB\n");
    // A just-created game gives up its empty first place.
    TJogo fresh;
    CreatePlace(fresh, 1);
    EXPECT_EQ(appendScriptPlaces(fresh, s), 2);
    EXPECT_EQ(fresh.placeCount, 2);
    EXPECT_EQ(fresh.place(1)->name, "A");
    EXPECT_EQ(fresh.place(2)->name, "B");

    // A game whose only place has slides keeps it; the script goes after it.
    TJogo withSlides;
    CreateSlide(*CreatePlace(withSlides, 1), 1);
    withSlides.place(1)->slideCount = 1;
    EXPECT_EQ(appendScriptPlaces(withSlides, s), 2);
    EXPECT_EQ(withSlides.placeCount, 3);
    EXPECT_EQ(withSlides.place(1)->name, "Capa");
    EXPECT_EQ(withSlides.place(3)->name, "B");

    // Never past place 1000: the places that fit are added, the game stays whole.
    TJogo full;
    for (int n = 1; n <= 999; ++n) CreatePlace(full, n);
    EXPECT_EQ(appendScriptPlaces(full, s), 1);
    EXPECT_EQ(full.placeCount, kMaxPlaces);
    EXPECT_EQ(full.place(1000)->name, "A");
    EXPECT_FALSE(appendPlace(full, *full.place(1)));
    EXPECT_EQ(full.placeCount, kMaxPlaces);
}

TEST(TextScript, ExportText) {
    TJogo g;
    g.general.name = cp("Viagem");
    g.general.author = "Ana";
    TLugar* a = CreatePlace(g, 1);
    a->name = "Rio";
    a->description = cp("Descrição");
    a->category = "agua";
    a->expectedAnswer = "sim";
    a->placeIfRight = a->placeIfWrong = "Fim";
    a->points = -3;
    a->media = "m.wav";
    a->backgroundPicture = "f.jpg";
    a->backgroundColour = "Azul";
    a->textColour = "Branco";
    TSlide* s = CreateSlide(*a, 1);
    s->title = "ignorado";
    s->media = "s.wav";
    s->picturePosition = "cima";
    s->picture = "p.jpg";
    s->textPosition = "baixo";
    s->effect = "CRESCER";
    s->text = {"a", "", "b", "", " "};
    CreateSlide(*a, 2);
    a->slideCount = 2;
    TLugar* b = CreatePlace(g, 3);  // place 2 stays empty and is skipped
    b->name = "Fim";
    b->placeIfRight = "Rio";
    b->endsGame = true;
    TLugar* c = CreatePlace(g, 4);
    c->name = "Erro";
    c->placeIfWrong = "Rio";
    // Text that the reader would take for structure comes back as text.
    TSlide* t = CreateSlide(*c, 1);
    t->text = {"----", "*", "[nota]", "ok"};
    c->slideCount = 1;

    const std::string want = cp(
        "Viagem\r\nAna\r\n"
        "----------------------------------------\r\nRio\r\nDescrição\r\n[CATEGORIA] agua\r\n[RESPOSTA] sim\r\n"
        "[DESVIO] Fim\r\n[PONTOS] -3\r\n[MÍDIA] m.wav\r\n[FUNDO] f.jpg\r\n[CORFUNDO] Azul\r\n[CORLETRA] Branco\r\n"
        "*\r\n[MÍDIA] s.wav\r\n[POSFIGURA] cima\r\n[FIGURA] p.jpg\r\n[POSTEXTO] baixo\r\n[EFEITO] CRESCER\r\n"
        "a\r\n\r\nb\r\n*\r\n"
        "----------------------------------------\r\nFim\r\n[ACERTO] Rio\r\n[TERMINA] SIM\r\n"
        "----------------------------------------\r\nErro\r\n[ERRO] Rio\r\n*\r\n ----\r\n *\r\n [nota]\r\nok\r\n");
    EXPECT_EQ(scriptText(g), want);

    TJogo back;
    appendScriptPlaces(back, parseScript(scriptLines(scriptText(g))));
    EXPECT_EQ(back.place(3)->slide(1)->text, lines({" ----", " *", " [nota]", "ok"}));
    EXPECT_EQ(back.place(1)->description, cp("Descrição"));
}

TEST(TextScript, ImportExportImportKeepsPlacesAndSlides) {
    ParsedScript first = parseScript(scriptLines(sample()));
    TJogo a;
    ASSERT_EQ(appendScriptPlaces(a, first), 3);
    a.general.name = cp("Viagem pelo Brasil");
    EXPECT_TRUE(first.places[0].ignored.empty());

    // What the sample says, and what the format leaves to the import.
    const TLugar& capa = *a.place(1);
    EXPECT_EQ(capa.description, "Abertura do jogo");
    EXPECT_EQ(capa.expectedAnswer, cp("sim|não"));
    EXPECT_EQ(capa.placeIfRight, "Rio|Fim");
    EXPECT_EQ(capa.placeIfWrong, "Capa");
    EXPECT_EQ(capa.textColour, "BRANCO");
    EXPECT_EQ(capa.slide(1)->text, lines({"Bem-vindo à viagem!", "", "Quer começar? Responda sim ou não."}));
    EXPECT_EQ(capa.slide(2)->media, "vento.wav");
    EXPECT_EQ(a.place(2)->slide(1)->title, "Rio 1");
    EXPECT_EQ(a.place(2)->slide(1)->picture, "amazonas.jpg");
    EXPECT_EQ(a.place(2)->points, 10);
    EXPECT_EQ(a.place(2)->textColour, "Amarelo");
    EXPECT_EQ(a.place(2)->slide(1)->text, lines({"Qual é o maior rio do Brasil?", "  (pense bem)"}));
    EXPECT_EQ(a.place(3)->name, "Fim");
    EXPECT_EQ(a.place(3)->points, -5);
    EXPECT_TRUE(a.place(3)->endsGame);

    const std::string exported = scriptText(a);
    TJogo b;
    b.general.name = a.general.name;
    appendScriptPlaces(b, parseScript(scriptLines(exported)));
    expectSamePlaces(a, b);
    EXPECT_EQ(scriptText(b), exported);

    // A game from the editors: the format drops titles and flags, the import gives its own.
    TJogo edited = a;
    edited.place(1)->slide(1)->title = "Abertura";
    edited.place(1)->slide(1)->autoAdvance = false;
    edited.place(2)->slide(1)->speakText = false;
    TJogo c;
    appendScriptPlaces(c, parseScript(scriptLines(scriptText(edited))));
    expectSamePlaces(a, c);
}

// ---- through the console -----------------------------------------------------------

TEST(TextScriptConsole, ImportWithConfirmedGeneralData) {
    InFolder f;
    writeText(f.dir + "/viagem.txt", sample());
    writeText(f.dir + "/ruim.txt", "Jogo\n----\nLugar\n[RESPOSTA] a\n");
    writeText(f.dir + "/estrela.txt", "*Jogo\n----\nLugar\n*\n");
    resetModelState();
    NewGame();
    current().general.creationDate = cp("1/2/2020 - Sábado");
    TJogo before = current();

    {
        InProc p("ruim.txt{Enter}estrela.txt{Enter}nada.txt{Enter}{Esc}");
        p.run([] {
            importScript();
            importScript();
            importScript();
            importScript();
        });
        EXPECT_EQ(p.tracedCount("speak Este não parece ser um arquivo de roteiro."), 2);
        EXPECT_EQ(p.tracedCount("speak Consulte o manual para maiores detalhes."), 2);
        EXPECT_TRUE(p.traced("speak Arquivo não existe."));
        EXPECT_TRUE(p.traced("speak Desistiu"));
        expectSamePlaces(current(), before);
        EXPECT_EQ(current().general.name, before.general.name);
    }

    // The form shows the script's lines; Esc ends it and Enter confirms.
    InProc p("viagem.txt{Enter}{Esc}{Enter}", "", true);
    p.run(importScript);
    EXPECT_TRUE(p.traced("speak Dados gerais serão alterados, confira."));
    EXPECT_TRUE(p.traced("speak Roteiro carregado."));
    const TJogo& g = current();
    EXPECT_EQ(g.general.name, cp("Viagem pelo Brasil"));
    EXPECT_EQ(g.general.author, cp("Professora Márcia"));
    EXPECT_EQ(g.general.comments[0], "Um jogo sobre os rios e as cidades.");
    EXPECT_EQ(g.general.comments[1], "Para o quarto ano.");
    EXPECT_EQ(g.general.comments[2], "");
    EXPECT_EQ(g.commentCount, 2);
    EXPECT_EQ(g.general.creationDate, cp("1/2/2020 - Sábado"));
    // The empty Capa of the new game made way for the script's places.
    ASSERT_EQ(g.placeCount, 3);
    EXPECT_EQ(g.place(1)->slideCount, 2);
    EXPECT_EQ(g.place(1)->slide(1)->picture, "mapa.jpg");
}

TEST(TextScriptConsole, DeclinedGeneralDataStillImportsAndReportsLines) {
    InFolder f;
    writeText(f.dir + "/r.txt", cp("Outro\nNinguém\n----\nPraia\n[SOM] mar.wav\n*\nareia\n----\nSerra\n"));
    writeText(f.dir + "/muitos.txt", manySlides(53));
    resetModelState();
    NewGame();
    TLugar* capa = current().place(1);
    CreateSlide(*capa, 1);
    capa->slideCount = 1;
    const TDadosGerais general = current().general;

    InProc p("r.txt{Enter}{Esc}nmuitos.txt{Enter}{Esc}N");
    p.run([] {
        importScript();
        importScript();
    });
    EXPECT_EQ(p.tracedCount("speak Dados gerais não foram alterados."), 2);
    EXPECT_EQ(current().general.name, general.name);
    EXPECT_EQ(current().general.author, general.author);
    // Dados ignorados: the place's name with a colon, then the line.
    EXPECT_TRUE(p.traced("speak Dados ignorados no lugar: "));
    EXPECT_TRUE(p.traced("speak Praia:"));
    EXPECT_TRUE(p.traced("speak [SOM] mar.wav"));
    // The Capa with a slide stays; both scripts come after it.
    ASSERT_EQ(current().placeCount, 4);
    EXPECT_EQ(current().place(1)->name, "Capa");
    EXPECT_EQ(current().place(2)->name, "Praia");
    EXPECT_EQ(current().place(3)->name, "Serra");
    EXPECT_EQ(current().place(4)->slideCount, kMaxSlides);
    EXPECT_TRUE(p.traced("speak Excedido o máximo de slides do lugar"));
    EXPECT_EQ(p.tracedCount("speak Roteiro carregado."), 2);
}

TEST(TextScriptConsole, ImportStopsAtThousandPlaces) {
    InFolder f;
    writeText(f.dir + "/r.txt", "J\n----\nA\n*\n----\nB\n*\n");
    resetModelState();
    TJogo& g = current();
    for (int n = 1; n <= 999; ++n) CreatePlace(g, n);
    InProc p("r.txt{Enter}{Esc}n");
    p.run(importScript);
    EXPECT_EQ(g.placeCount, kMaxPlaces);
    EXPECT_EQ(g.place(1000)->name, "A");
    EXPECT_TRUE(p.traced("speak O jogo já tem 1000 lugares, o máximo; os demais lugares do roteiro não foram importados."));
    EXPECT_TRUE(p.traced("speak Roteiro carregado."));
}

TEST(TextScriptConsole, ExportWritesAndAsksBeforeReplacing) {
    InFolder f;
    resetModelState();
    appendScriptPlaces(current(), parseScript(scriptLines(sample())));
    current().general.name = "Viagem";
    {
        InProc p("saida.txt{Enter}");
        p.run(exportScript);
        EXPECT_TRUE(p.traced("speak Roteiro equivalente criado."));
        EXPECT_EQ(readText(f.dir + "/saida.txt"), scriptText(current()));
    }
    writeText(f.dir + "/velho.txt", "antigo");
    {
        InProc p("velho.txt{Enter}n");
        p.run(exportScript);
        EXPECT_TRUE(p.traced("speak Um roteiro com este nome já existe.  Quer sobrescrever? "));
        EXPECT_FALSE(p.traced("speak Roteiro equivalente criado."));
        EXPECT_EQ(readText(f.dir + "/velho.txt"), "antigo");
    }
    {
        InProc p("velho.txt{Enter}S");
        p.run(exportScript);
        EXPECT_EQ(readText(f.dir + "/velho.txt"), scriptText(current()));
    }
    // A folder that cannot be written is reported, not announced as done.
    {
        InProc p("nao/existe/x.txt{Enter}");
        p.run(exportScript);
        EXPECT_TRUE(p.traced("speak Erro ao criar o arquivo"));
        EXPECT_FALSE(p.traced("speak Roteiro equivalente criado."));
    }
}

TEST(TextScriptConsole, MediaImportCopiesIntoTheGameFolder) {
    InFolder f;
    fs::create_directories(f.dir + "/jogo");
    fs::create_directories(f.dir + "/midias");
    std::string big(5000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7);
    writeText(f.dir + "/midias/som.wav", big);
    writeText(f.dir + "/jogo/som.wav", "velho");
    writeText(f.dir + "/jogo/capa.jpg", "minha capa");
    fs::current_path(f.dir + "/jogo");
    {
        InProc p("../midias{Enter}som.wav{Enter}{Esc}");
        p.run(importMedia);
        EXPECT_TRUE(p.traced("speak Ok, copiado"));
        EXPECT_EQ(readText(f.dir + "/jogo/som.wav"), big);
        EXPECT_EQ(fs::current_path(), fs::path(f.dir + "/jogo"));
    }
    // Choosing a file of the game's own folder leaves it as it is.
    {
        InProc p(".{Enter}capa.jpg{Enter}{Esc}");
        p.run(importMedia);
        EXPECT_EQ(readText(f.dir + "/jogo/capa.jpg"), "minha capa");
    }
    {
        InProc p("../nenhuma{Enter}");
        p.run(importMedia);
        EXPECT_TRUE(p.traced("speak Esta pasta não existe"));
    }
    {
        InProc p("../midias{Enter}falta.wav{Enter}{Esc}");
        p.run(importMedia);
        EXPECT_TRUE(p.traced("speak Erro ao criar o arquivo"));
        EXPECT_FALSE(fs::exists(f.dir + "/jogo/falta.wav"));
    }
}
