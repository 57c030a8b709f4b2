// What the editor tells a teacher where the teacher is: F1 on every form field,
// the keys a question takes, yes/no lists that keep the value, every menu letter.
#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "console/menu.h"
#include "editor/common.h"
#include "game/checker.h"
#include "game/fields.h"
#include "support/editor_session.h"

using namespace edtest;

namespace {

std::string enters(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "{Enter}";
    return s;
}

template <class Owner>
void expectHelpForEveryFormField(const std::vector<game::Field<Owner>>& table) {
    for (const game::Field<Owner>* f : game::fieldsBy(table, &game::Field<Owner>::formRank)) {
        std::string key = f->formKey;
        if (f->lines) key += "1";
        const std::string help = editor::detail::fieldHelpKey(key);
        EXPECT_TRUE(catalog::HasMessage(help)) << f->name << " " << help;
        EXPECT_GT(catalog::MessageText(help).size(), 20u) << f->name;
    }
}

}  // namespace

TEST(FieldHelp, EveryFormFieldHasItsHelp) {
    struct Case {
        const char* formKey;
        const char* helpKey;
    };
    for (const Case& c : {Case{"LUC_RESP", "LUHCRESP"}, Case{"LU_COMEN3", "LUHCOMEN"}, Case{"LUSL_T10", "LUHSLT"},
                          Case{"LUSL_TIT", "LUHSLTIT"}, Case{"LUG_IMGF", "LUHGIMGF"}, Case{"X", ""}})
        EXPECT_EQ(editor::detail::fieldHelpKey(c.formKey), c.helpKey) << c.formKey;
    expectHelpForEveryFormField(game::gameFields());
    expectHelpForEveryFormField(game::placeFields());
    expectHelpForEveryFormField(game::slideFields());
}

TEST(FieldHelp, F1InAFormSaysWhatTheFieldTakes) {
    // F1 reads the field word by word; past the last word (at once in an empty field) it
    // says what the field takes instead of beeping.
    struct Case {
        const char* keys;
        std::vector<std::string> said;
    };
    const std::string answers =
        "Respostas aceitas separadas por barra: muu|mu; um destino para cada resposta, na mesma ordem";
    const std::string name = "O nome do lugar, usado nos destinos. Exemplo: Vaca";
    // In the place form the expected answer is the eighth field.
    for (const Case& c : {Case{"{Enter}" "{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{F1}{Esc}{Esc}",
                               {"Resposta esperada", answers}},
                          Case{"{Enter}{F1}{F1}{Esc}{Esc}", {"Nome", "A", "A", name}}}) {
        Session s(c.keys);
        gameWith({"A", "B"});
        EXPECT_EQ(s.run(editor::editPlaces), -1) << c.keys;
        auto it = c.said.begin();
        for (const std::string& e : s.ip.trace)
            if (it != c.said.end() && e == "speak " + *it) ++it;
        EXPECT_EQ(it, c.said.end()) << c.keys << "\n" << s.ip.traceText();
        EXPECT_EQ(s.ip.tracedCount("beep"), 0) << c.keys;
    }
    // The first text line of the slide form is the tenth field.
    Session slide("{Enter}" + enters(9) + "{F1}{F1}{F1}{F1}{Esc}{Esc}");
    gameWith({"A"});
    EXPECT_EQ(slide.run([] { editor::editSlides(1); }), -1);
    EXPECT_TRUE(slide.saidInOrder({"Texto 1", "texto", "de", "A",
                                   "Uma linha do texto do slide, mostrada e falada. Exemplo: Que bicho faz muu?"}));
}

TEST(FieldHelp, AYesNoListOpensOnTheValueTheFieldHolds) {
    // "Jogo termina aqui?" is the eleventh field: F9 and Enter at once keep what it holds.
    for (bool ends : {false, true}) {
        Session s("{Enter}" + enters(10) + "{F9}{Enter}{Esc}{Esc}");
        game::TJogo& g = gameWith({"A", "B"});
        g.place(1)->endsGame = ends;
        EXPECT_EQ(s.run(editor::editPlaces), -1);
        EXPECT_EQ(g.place(1)->endsGame, ends);
        EXPECT_FALSE(s.said("Confirma as alterações? ")) << ends;
    }
    // The list still offers the other value, one arrow away.
    Session s("{Enter}" + enters(10) + "{F9}{Down}{Enter}{Esc}s{Esc}");
    game::TJogo& g = gameWith({"A", "B"});
    EXPECT_EQ(s.run(editor::editPlaces), -1);
    EXPECT_TRUE(g.place(1)->endsGame);
}

TEST(EditorMenu, TheArrowMenuOffersTheWebPage) {
    Session s("{Up}{End}{Up}{Enter}" "as");
    gameWith({"A"});
    EXPECT_EQ(s.run(editor::editorMenu), -1);
    EXPECT_TRUE(s.saidInOrder({"ESC - Terminar", "W - Gerar a página web do jogo.", "Página web gravada: "}))
        << s.ip.traceText();
}

// A prompt leaves no text behind that is no longer true, in the screen model itself.
TEST(EditorScreens, APromptClearsTheRowsItReplaces) {
    struct Case {
        const char* keys;
        bool placeList;
        const char* gone;  // text no row may show any more
    };
    for (const Case& c : {Case{"{F1}iNovo", true, "X - executar a partir daqui"},
                          Case{"{F1}iNovo", true, "D - editar dados gerais."},
                          Case{"iNovo", true, "D - editar dados gerais."},
                          Case{"{F1}iNovo", false, "V - "}}) {
        Session s(c.keys);
        gameWith({"A", "B"});
        con::menuState().lastChosen = cp("D - editar dados gerais.");  // an older menu's choice
        const int code = c.placeList ? s.run(editor::editPlaces) : s.run([] { editor::editSlides(1); });
        EXPECT_EQ(code, 3) << c.keys;  // still asking for the name
        for (int row = 1; row <= 25; ++row)
            EXPECT_EQ(s.ip.row(row).find(c.gone), std::string::npos) << c.keys << " row " << row << ": " << s.ip.row(row);
    }
    // A letter chosen in the option menu is still named on row 3.
    Session s("{F9}{Enter}Novo");
    gameWith({"A", "B"});
    EXPECT_EQ(s.run(editor::editPlaces), 3);
    EXPECT_EQ(s.ip.row(3), "I - inserir novo lugar");
}

// Colours chosen in the place form that a pupil with low vision cannot read are said at once.
TEST(PlaceForm, ColoursHardToReadAreWarnedWhenChosen) {
    struct Case {
        const char* background;
        const char* text;
        bool warned;
    };
    // The background colour is the fifth field, the text colour the sixth.
    for (const Case& c : {Case{"Verde", "BRANCO", true}, Case{"Azul", "Amarelo", false},
                          Case{"Branco", "Cinza", true}}) {
        Session s(std::string("{Enter}{Enter}{Enter}{Enter}{Enter}") + c.background + "{Enter}" + c.text +
                  "{Esc}s{Esc}");
        gameWith({"A", "B"});
        EXPECT_EQ(s.run(editor::editPlaces), -1) << c.background;
        EXPECT_EQ(u8(game::current().place(1)->backgroundColour), c.background);
        const std::string warning = std::string("lugar 1 (A): a cor da letra ") + c.text + " sobre o fundo " +
                                    c.background;
        bool found = false;
        for (const std::string& e : s.ip.trace)
            if (e.rfind("speak " + warning, 0) == 0) found = true;
        EXPECT_EQ(found, c.warned) << c.background << "/" << c.text << "\n" << s.ip.traceText();
    }
}

// A terminal names a picture by its slide's title, never by a file name that could give the answer away.
TEST(SlideOnTerminal, APictureIsShownByItsTitleNotItsFile) {
    struct Case {
        const char* title;
        const char* line;
    };
    for (const Case& c : {Case{"Um animal que mia", "[Figura: Um animal que mia]"}, Case{"", "[Figura]"},
                          Case{"   ", "[Figura]"}}) {
        game::TSlide s;
        game::InitSlide(s);
        s.title = c.title;
        s.picture = "gato.jpg";
        const std::string line = player::TerminalPictureLine(s);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(line.find("gato"), std::string::npos);
    }
}

// The checker and the slides read colour names alike, so a warning matches what is drawn.
TEST(PlaceForm, TheCheckerReadsColoursAsTheSlidesDo) {
    for (const char* name : {"Preto", "azul", "VERDE", "Ciano", "vermelha", "Roxo", "magenta", "Marrom", "cinza",
                             "Amarelo", "branca", "WHITE", "7", "15", "16", "x1", "", " Verde "})
        EXPECT_EQ(game::colourIndexOf(name), player::ColourIndex(name)) << name;
}

// Importing lists the folder's files at once and, after a copy, says what was copied.
TEST(MediaImport, ListsTheFilesAtOnceAndTellsWhatWasCopied) {
    struct Case {
        const char* keys;
        bool copied;
    };
    for (const Case& c : {Case{"imidias{Enter}gato.jpg{Enter}{Esc}" "as", true},
                          Case{"imidias{Enter}{Esc}" "as", false}}) {
        Session s(c.keys);
        gameWith({"A"});
        std::filesystem::create_directory(s.file("midias"));
        { std::ofstream(s.file("midias/gato.jpg")) << "jpg"; }
        { std::ofstream(s.file("midias/miau.wav")) << "wav"; }
        EXPECT_EQ(s.run(editor::editorMenu), -1) << c.keys;
        EXPECT_TRUE(s.saidInOrder({"Informe a pasta que contém os arquivos a importar",
                                   "Arquivos nesta pasta: gato.jpg, miau.wav.",
                                   "Use as setas para selecionar um arquivo"}))
            << c.keys << "\n" << s.ip.traceText();
        EXPECT_EQ(std::filesystem::exists(s.file("gato.jpg")), c.copied);
        EXPECT_EQ(s.saidInOrder({"Ok, copiado", "Copiados para o jogo: ", "gato.jpg."}), c.copied) << c.keys;
        EXPECT_EQ(s.said("Desistiu"), !c.copied) << c.keys;
    }
}
