// Presenting places and walking a game, driven by key scripts through the
// headless front.  Which slides were drawn is read from the --slides dump.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "console/console.h"
#include "console/textwin.h"
#include "files.h"
#include "game/model.h"
#include "platform/files.h"
#include "platform/mci.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

struct Player {
    InProc ip;
    std::string dumps;
    explicit Player(const std::string& keys) : ip(keys, "", false) {
        script::scriptReset();
        player::setSlideSize(160, 100);
        dumps = ip.dir + "/slides";
        mkdir(dumps.c_str(), 0755);
        player::setSlideDumpDir(dumps);
        plat::changeDir(ip.dir);
    }
    ~Player() {
        player::resetSlideState();
        media::resetMedia();
    }
    game::TLugar& place(int n, const std::string& name, int slides) {
        game::TLugar* p = game::CreatePlace(game::current(), n);
        p->name = plat::utf8ToCp1252(name);
        for (int s = 1; s <= slides; ++s) game::CreateSlide(*p, s);
        p->slideCount = slides;
        return *p;
    }
    // "place-slide" of every slide drawn, in order.
    std::vector<std::string> drawn() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dumps.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        for (std::string& n : names) n = n.substr(5, n.size() - 9);
        return names;
    }
    std::vector<std::string> mediaTrace() const {
        std::vector<std::string> out;
        for (const std::string& t : ip.trace)
            if (t.rfind("media ", 0) == 0) {
                std::string m = t;
                size_t at = m.find(ip.dir);
                if (at != std::string::npos) m.erase(at, ip.dir.size() + 1);  // the folder and its "\"
                out.push_back(m);
            }
        return out;
    }
    int present(int n, uint8_t& key, std::string& answer) {
        return ip.run([&] { player::PresentPlace(n, key, answer); });
    }
    int play(int from = 1) {
        return ip.run([&] { player::PlayFrom(from, false); });
    }
};

using Strings = std::vector<std::string>;

TEST(Present, AnswerOnlyOnTheLastOfThreeSlides) {
    Player t("x{Enter}{Enter}casa{Enter}");
    t.place(1, "Início", 3);
    uint8_t key = 0;
    std::string answer;
    EXPECT_EQ(t.present(1, key, answer), -1);
    EXPECT_EQ(key, 13);
    EXPECT_EQ(answer, "casa");
    // The x on slide 1 only showed it again.
    EXPECT_EQ(t.drawn(), (Strings{"1-1", "1-1", "1-2", "1-3"}));
}

TEST(Present, AnAnswerTypedQuicklyDuringTheNarrationKeepsItsOrder) {
    Player t("{wait 200}c{wait 1}a{wait 1}s{wait 1}a{Enter}");
    t.place(1, "A", 1).slide(1)->text = {"Escreva o nome desta figura e aperte Enter, por favor."};
    uint8_t key = 0;
    std::string answer;
    t.present(1, key, answer);
    EXPECT_TRUE(t.ip.traced("stop"));  // the first letter cut the narration short
    EXPECT_EQ(answer, "casa");
    EXPECT_EQ(key, 13);
}

TEST(Present, BackspaceAtTheFirstSlideBeepsHomeGoesBack) {
    Player t("{Backspace}{Enter}{Right}{PgUp}{Enter}{Home}{End}{Left}{Backspace}{Esc}");
    t.place(1, "A", 3);
    uint8_t key = 0;
    std::string answer;
    t.present(1, key, answer);
    EXPECT_EQ(key, 27);
    EXPECT_EQ(t.drawn(), (Strings{"1-1", "1-1", "1-2", "1-3", "1-2", "1-3", "1-1", "1-3", "1-2", "1-1"}));
    EXPECT_EQ(t.ip.tracedCount("beep"), 1);
}

TEST(Present, ArrowsBeepAtTheEndsAndOtherExtendedKeysRepeat) {
    Player t("{Left}{F5}{End}{Right}{PgDn}{Esc}");
    t.place(1, "A", 2);
    uint8_t key = 0;
    std::string answer;
    t.present(1, key, answer);
    EXPECT_EQ(key, 27);
    EXPECT_EQ(t.drawn(), (Strings{"1-1", "1-1", "1-1", "1-2", "1-2", "1-2"}));
    EXPECT_EQ(t.ip.tracedCount("beep"), 3);
}

TEST(Present, AutoAdvanceGoesOnAfterMediaAndSpeech) {
    Player t("fim{Enter}");
    game::TLugar& p = t.place(1, "A", 3);
    testfiles::writeWav(t.ip.dir + "/som.wav", 2000);
    p.slide(1)->autoAdvance = true;
    p.slide(1)->media = "som.wav";
    p.slide(2)->autoAdvance = true;
    p.slide(2)->text = {"Segundo slide"};
    p.slide(3)->autoAdvance = true;  // the last slide waits all the same
    uint8_t key = 0;
    std::string answer;
    uint64_t t0 = t.ip.now();
    t.present(1, key, answer);
    EXPECT_EQ(answer, "fim");
    EXPECT_EQ(t.drawn(), (Strings{"1-1", "1-2", "1-3"}));
    EXPECT_GE(t.ip.now() - t0, 2000u);
    EXPECT_TRUE(t.ip.traced("speak Segundo slide"));
}

TEST(Present, APlaceWithoutSlidesBeepsUntilEscape) {
    Player t("x{Enter}{End}a{Esc}");
    t.place(1, "Vazio", 0);
    uint8_t key = 0;
    std::string answer = "old";
    t.present(1, key, answer);
    EXPECT_EQ(key, 27);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(t.ip.tracedCount("beep"), 5);
    EXPECT_TRUE(t.drawn().empty());
}

TEST(Present, APlaceOutsideTheGameBeeps) {
    Player t("");
    t.place(1, "A", 1);
    uint8_t key = 0;
    std::string answer;
    EXPECT_EQ(t.present(7, key, answer), -1);
    EXPECT_EQ(t.ip.tracedCount("beep"), 1);
    EXPECT_EQ(t.present(0, key, answer), -1);
    EXPECT_TRUE(t.drawn().empty());
}

TEST(Present, AnEmptyLineSplitsTheSpokenText) {
    Player t("{Enter}");
    game::TLugar& p = t.place(1, "A", 1);
    p.slide(1)->text = {"Bom dia,", "turma.", "", "Vamos $ACAO, turma", ""};
    script::scriptSetVariable("ACAO", "jogar");
    uint8_t key = 0;
    std::string answer;
    t.present(1, key, answer);
    EXPECT_TRUE(t.ip.traced("speak Bom dia, turma."));
    EXPECT_TRUE(t.ip.traced("speak Vamos jogar, turma"));
    // No narration, or a slide that keeps quiet: nothing is said.
    Player q("{Enter}{Enter}");
    game::TLugar& p2 = q.place(1, "A", 1);
    p2.slide(1)->text = {"Silêncio"};
    game::current().narration = false;
    q.present(1, key, answer);
    game::current().narration = true;
    p2.slide(1)->speakText = false;
    q.present(1, key, answer);
    EXPECT_FALSE(q.ip.traced(plat::cp1252ToUtf8(plat::cp("speak Silêncio"))));
}

TEST(Present, MediaPiecesPlayInTurnAndOnlyTheLastMayRunOn) {
    Player t("{Enter}");
    game::TLugar& p = t.place(1, "A", 1);
    p.media = "fundo.wav";
    testfiles::writeWav(t.ip.dir + "/fundo.wav", 60000);
    testfiles::writeWav(t.ip.dir + "/a.wav", 1000);
    testfiles::writeWav(t.ip.dir + "/b.wav", 2000);
    p.slide(1)->media = "a.wav|b.wav";
    uint8_t key = 0;
    std::string answer;
    uint64_t t0 = t.ip.now();
    t.present(1, key, answer);
    uint64_t waited = t.ip.now() - t0;
    EXPECT_GE(waited, 3000u);
    EXPECT_LT(waited, 3400u);
    EXPECT_EQ(t.mediaTrace(), (Strings{
                                  "media open \"fundo.wav\" alias midiaLugar",
                                  "media play midiaLugar",
                                  "media open a.wav alias midiaSlide",
                                  "media play midiaSlide notify",
                                  "media stop midiaSlide",
                                  "media close midiaSlide",
                                  "media open b.wav alias midiaSlide",
                                  "media play midiaSlide notify",
                                  "media stop midiaSlide",
                                  "media close midiaSlide",
                                  "media stop midiaSlide",
                                  "media close midiaSlide",
                                  "media stop midiaLugar",
                                  "media close midiaLugar",
                              }));

    // Not waited for: the slide goes on to its key while b.wav plays.
    Player n("{Enter}");
    game::TLugar& q = n.place(1, "A", 1);
    testfiles::writeWav(n.ip.dir + "/a.wav", 1000);
    testfiles::writeWav(n.ip.dir + "/b.wav", 2000);
    q.slide(1)->media = "a.wav|b.wav";
    q.slide(1)->waitMedia = false;
    t0 = n.ip.now();
    n.present(1, key, answer);
    waited = n.ip.now() - t0;
    EXPECT_GE(waited, 1000u);
    EXPECT_LT(waited, 1400u);
    // A place without media of its own opens nothing for it.
    for (const std::string& e : n.mediaTrace()) EXPECT_EQ(e.find("open \""), std::string::npos) << e;
}

TEST(Present, AKeyCutsTheMediaWaitsShort) {
    Player t("{wait 300}x{Enter}");
    game::TLugar& p = t.place(1, "A", 1);
    testfiles::writeWav(t.ip.dir + "/a.wav", 5000);
    testfiles::writeWav(t.ip.dir + "/b.wav", 5000);
    p.slide(1)->media = "a.wav|b.wav";
    uint8_t key = 0;
    std::string answer;
    uint64_t t0 = t.ip.now();
    t.present(1, key, answer);
    EXPECT_LT(t.ip.now() - t0, 1000u);
    EXPECT_EQ(answer, "");  // the x was discarded before the slide's key
    EXPECT_EQ(key, 13);
}

TEST(Present, MissingMediaIsSkippedAndVideoGoesToTheWindow) {
    Player t("{Enter}");
    game::TLugar& p = t.place(1, "A", 1);
    p.slide(1)->media = "nao existe.mp4";
    uint8_t key = 0;
    std::string answer;
    uint64_t t0 = t.ip.now();
    t.present(1, key, answer);
    EXPECT_LT(t.ip.now() - t0, 200u);
    Strings m = t.mediaTrace();
    EXPECT_NE(std::find(m.begin(), m.end(), "media open \"nao existe.mp4\" alias midiaSlide"), m.end());
    // The open failed: no window, no play.
    EXPECT_EQ(std::find(m.begin(), m.end(), "media play midiaSlide notify"), m.end());
}

// A small game: Início asks SIM|NÃO, right A|B, wrong C; A, B, C end the game.
struct Game : Player {
    explicit Game(const std::string& keys) : Player(keys) {
        game::TLugar& i = place(1, "Início", 1);
        i.expectedAnswer = plat::cp("SIM|NÃO");
        i.placeIfRight = "A|B";
        i.placeIfWrong = "C";
        i.points = 5;
        for (int n = 2; n <= 4; ++n) {
            game::TLugar& p = place(n, std::string(1, char('A' + n - 2)), 1);
            p.endsGame = true;
            p.points = 10 * n;
        }
    }
    std::string visited() const {
        std::string s;
        for (const std::string& d : drawn()) s += d.substr(0, d.find('-'));
        return s;
    }
};

TEST(Play, AnswersChooseTheDestination) {
    struct Case {
        const char* typed;
        const char* path;
    };
    for (const Case& c : {Case{"sim", "12"}, Case{"não", "13"}, Case{"  Não ", "13"}, Case{"talvez", "14"},
                          Case{"sím", "14"}, Case{"", "14"}}) {
        Game g(std::string(c.typed) + "{Enter}{Enter}{Enter}");
        EXPECT_EQ(g.play(), -1) << c.typed;
        EXPECT_EQ(g.visited(), c.path) << c.typed;
        EXPECT_EQ(g.ip.row(1), "Fim do Jogo");
    }
}

TEST(Play, PointsOnEveryArrival) {
    Game g("x{Enter}x{Enter}sim{Enter}{Enter}{Enter}");
    game::current().place(1)->placeIfWrong = plat::cp("início");  // wrong: try again
    g.play();
    EXPECT_EQ(g.visited(), "1112");
    EXPECT_EQ(player::playState().score, 5 * 3 + 20);
    EXPECT_EQ(script::scriptGetVariable("PONTOS"), "35");
}

TEST(Play, TheScoreStaysWithin32Bits) {
    struct Case { int32_t first, second; const char* spoken; };
    const Case cases[] = {
        {2147483647, 1, "2147483647"},
        {2147483600, 100, "2147483647"},
        {-2147483647 - 1, -1, "-2147483648"},
        {-5, 3, "-2"},
    };
    for (const Case& c : cases) {
        Game g("sim{Enter}{Enter}{Enter}");
        game::current().place(1)->points = c.first;
        game::current().place(2)->points = c.second;
        g.play();
        EXPECT_EQ(script::scriptGetVariable("PONTOS"), c.spoken) << c.first << " + " << c.second;
    }
}

TEST(Play, AProgramThatChangesTheFolderLeavesItAsItFoundIt) {
    Game g("{Enter}");
    mkdir((g.ip.dir + "/outra").c_str(), 0755);
    writeText(g.ip.dir + "/jogo.pro", "DIR TROCA \"outra\"\n");
    game::current().general.program = "jogo.pro";
    g.ip.run([] { player::PlayGame(true); });
    EXPECT_EQ(plat::currentDir(), g.ip.dir);
}

TEST(Play, EscapeAsksForConfirmation) {
    Game g("{Esc}n{Esc}s{Enter}");
    g.play();
    EXPECT_EQ(g.visited(), "11");
    EXPECT_EQ(player::playState().score, 5);  // shown again, not arrived again
    EXPECT_TRUE(g.ip.traced("speak Confirma fim? "));
    EXPECT_TRUE(g.ip.traced("speak Fim do Jogo"));
}

TEST(Play, ThreeEmptyAnswerFieldsLeadToTheNextPlaceAndPastTheLastEndsPlay) {
    Player t("qualquer{Enter}{Enter}{Enter}{Enter}");
    t.place(1, "Um", 1);
    t.place(2, "Dois", 1);
    EXPECT_EQ(t.play(), -1);
    EXPECT_EQ(t.drawn(), (Strings{"1-1", "2-1"}));
    EXPECT_EQ(t.ip.row(1), "Fim do Jogo");
    EXPECT_EQ(t.ip.row(3), "Aperte enter");
}

TEST(Play, EmptyExpectedAnswerAcceptsOnlyEnter) {
    Game g("{Enter}{Enter}{Enter}");
    game::current().place(1)->expectedAnswer.clear();
    g.play();
    EXPECT_EQ(g.visited(), "12");
    Game h("x{Enter}{Enter}{Enter}");
    game::current().place(1)->expectedAnswer.clear();
    h.play();
    EXPECT_EQ(h.visited(), "14");
}

TEST(Play, ABadDestinationIsReportedWithItsPlace) {
    Game g("talvez{Enter}{Enter}{Enter}");
    game::current().place(1)->placeIfWrong = "Lugar Nenhum";
    g.play();
    EXPECT_EQ(g.visited(), "1");
    EXPECT_TRUE(g.ip.traced("speak Programação de desvio incorreto no lugar: "));
    EXPECT_TRUE(g.ip.traced("speak Início -- Lugar Nenhum"));
    EXPECT_EQ(g.ip.row(1), "Fim do Jogo");
}

TEST(Play, ACategoryLeadsToItsNextPlace) {
    Game g("sim{Enter}{Enter}{Enter}{Enter}");
    game::TJogo& j = game::current();
    j.place(1)->placeIfRight = "PERGUNTAS";
    j.place(2)->category = " perguntas";
    j.place(3)->category = "Perguntas";
    j.place(3)->name = "fim";
    j.place(2)->endsGame = false;
    g.play();
    EXPECT_EQ(g.visited(), "13");
    ASSERT_EQ(player::playState().categoryCount, 1);
    const player::TCateg& c = player::playState().categories[0];
    EXPECT_EQ(c.name, "PERGUNTAS");
    EXPECT_EQ(c.references, 1);
    EXPECT_EQ(c.placeCount, 2);
    EXPECT_EQ(c.places, (std::vector<int>{2, 3}));
}

TEST(Play, CategorySettingsRedirectAndUnknownOnesAreReported) {
    Game g("sim{Enter}{Enter}{Enter}");
    game::TJogo& j = game::current();
    j.place(2)->category = "Grupo";
    j.place(1)->placeIfRight = "grupo , c , 3|B";
    g.play();
    EXPECT_EQ(g.visited(), "14");
    EXPECT_EQ(player::playState().categories[0].nextPlace, "C");
    EXPECT_EQ(player::playState().categories[0].limit, 3);

    Game h("sim{Enter}{Enter}{Enter}{Enter}");
    game::current().place(1)->placeIfRight = "SUMIDA,B";
    h.play();
    EXPECT_TRUE(h.ip.traced("speak SUMIDA"));
    EXPECT_TRUE(h.ip.traced("speak Categoria inexistente, aperte enter"));
    EXPECT_EQ(h.visited(), "1");  // then "SUMIDA" names no place either
}

TEST(Play, MoreThanTwentyCategoriesAreReported) {
    Player t("{Enter}{Enter}{Esc}s{Enter}");
    for (int n = 1; n <= 22; ++n) t.place(n, "L" + std::to_string(n), 1).category = "C" + std::to_string(n);
    t.play();
    EXPECT_EQ(t.ip.tracedCount("speak Número de categorias esgotada, aperte enter"), 2);
    EXPECT_EQ(player::playState().categoryCount, 20);
}

TEST(Play, AnEmptyGameEndsAtOnceAndHolesAreSteppedOver) {
    Player t("{Enter}");
    EXPECT_EQ(t.play(), -1);
    EXPECT_EQ(t.ip.row(1), "Fim do Jogo");
    Player h("{Enter}{Enter}{Enter}");
    h.place(1, "Um", 1);
    h.place(3, "Três", 1);
    EXPECT_EQ(h.play(), -1);
    EXPECT_EQ(h.drawn(), (Strings{"1-1", "3-1"}));
}

TEST(Play, ShuffleKeepsEveryPlaceOfACategory) {
    Player t("");
    for (int n = 1; n <= 12; ++n) t.place(n, "L", 0).category = "Q";
    player::BuildCategories();
    player::ShuffleCategories();
    std::vector<int> v = player::playState().categories[0].places;
    std::sort(v.begin(), v.end());
    EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(Substitute, FirstAndAll) {
    Player t("");
    script::scriptSetVariable("FIG", "gato");
    script::scriptSetVariable("N", "3");
    EXPECT_EQ(player::SubstituteFirst("$FIG.jpg"), "gato.jpg");
    EXPECT_EQ(player::SubstituteFirst("a $fig. b $N"), "a gato. b $N");  // only the first
    EXPECT_EQ(player::SubstituteFirst("a $fig b"), "a ");  // the name runs to "." or the end
    EXPECT_EQ(player::SubstituteFirst("$NADA.jpg"), ".jpg");
    EXPECT_EQ(player::SubstituteFirst("sem nada"), "sem nada");
    EXPECT_EQ(player::SubstituteAll("O $FIG tem $N vidas, $NADA."), "O gato tem 3 vidas, $NADA.");
    script::scriptSetVariable("X", "$N");
    EXPECT_EQ(player::SubstituteAll("$X e $N"), "$N e 3");  // a value is not read again
    EXPECT_EQ(player::SubstituteAll("$"), "$");
}

TEST(Script, PlayPlaceForScriptStatuses) {
    Game g("sim{Enter}{Esc}{Esc}{Enter}");
    EXPECT_EQ(player::PlayPlaceForScript("nenhum"), "$ERRO$");
    EXPECT_EQ(script::scriptGetVariable("STATUS"), "$ERRO$");
    EXPECT_EQ(script::scriptGetVariable("LUGAR"), "nenhum");
    std::string s;
    g.ip.run([&] { s = player::PlayPlaceForScript(plat::cp("INÍCIO")); });
    EXPECT_EQ(s, "$OK$");
    EXPECT_EQ(script::scriptGetVariable("LUGAR"), "A");
    EXPECT_EQ(script::scriptGetVariable("RESPOSTA"), "sim");
    EXPECT_EQ(script::scriptGetVariable("PONTOS"), "5");
    g.ip.run([&] { s = player::PlayPlaceForScript("b"); });
    EXPECT_EQ(s, "$ESC$");
    EXPECT_EQ(script::scriptGetVariable("PONTOS"), "35");  // the score goes on adding up
    // Shown again after Esc (the program's "Confirma fim?" answered N): the same visit, counted once.
    g.ip.run([&] { s = player::PlayPlaceForScript("b"); });
    EXPECT_EQ(s, "$ESC$");
    EXPECT_EQ(script::scriptGetVariable("PONTOS"), "35");
    g.ip.run([&] { s = player::PlayPlaceForScript("C"); });
    EXPECT_EQ(s, "$FIM$");
    EXPECT_EQ(script::scriptGetVariable("STATUS"), "$FIM$");
}

TEST(Script, ExpectedAnswersFromAVariableCompareInCapitals) {
    Game g("gato{Enter}{Enter}");
    game::current().place(1)->expectedAnswer = "$BICHO";
    game::current().place(1)->placeIfRight = "B";
    script::scriptSetVariable("BICHO", "gato");
    g.play();
    EXPECT_EQ(g.visited(), "13");
}

}  // namespace

namespace {

TEST(TitleCard, RedBoxOnWhiteWithTheGameData) {
    Player t("x{F1}{Enter}");
    game::TJogo& g = game::current();
    g.general.name = "Jogo das Letras";
    g.general.author = "Ana";
    g.general.version = "2.0";
    g.general.comments[0] = "Primeiro";
    g.general.comments[2] = "Terceiro";
    game::RecountComments(g);
    EXPECT_EQ(t.ip.run([] { player::ShowTitleCard(); }), -1);
    const std::string box(9, ' ');  // the red box starts at column 10
    EXPECT_EQ(t.ip.row(9), box + "    Jogo das Letras");
    EXPECT_EQ(t.ip.row(11), box + "    Autor: Ana");
    EXPECT_EQ(t.ip.row(13), box + "    Versão 2.0");
    EXPECT_EQ(t.ip.row(15), box + "    Primeiro        Terceiro");
    EXPECT_EQ(t.ip.attr(10, 8), 4 * 16 + 15);   // red box, white letters
    EXPECT_EQ(t.ip.attr(70, 18), 4 * 16 + 15);
    EXPECT_EQ(t.ip.attr(8, 19) >> 4, 15);       // the white box around it
    EXPECT_EQ(t.ip.attr(72, 9) >> 4, 15);
    EXPECT_EQ(t.ip.attr(7, 9) >> 4, 0);
    EXPECT_EQ(t.ip.attr(10, 19) >> 4, 15);
    EXPECT_EQ(t.ip.row(24), "Aperte enter");
    std::vector<std::string> said;
    for (const std::string& e : t.ip.trace)
        if (e == "speak" || e.rfind("speak ", 0) == 0) said.push_back(e);
    EXPECT_EQ(said, (Strings{"speak Jogo das Letras", "speak Autor: ", "speak Ana", "speak Versão ", "speak 2.0",
                             "speak Primeiro", "speak", "speak Terceiro", "speak", "speak", "speak Aperte enter"}));
    EXPECT_EQ(con::textAttr(), 15);
}

TEST(GameProgram, MissingProgramPlaysPlainAndFailingOneIsReported) {
    Player t("{Enter}{Enter}");
    t.place(1, "Um", 1);
    game::current().general.program = "sumiu.pro";
    t.ip.run([] { player::PlayGame(true); });
    EXPECT_TRUE(t.ip.traced("speak Programa ainda não existe, executando a programação simples."));
    EXPECT_EQ(t.drawn(), (Strings{"1-1"}));
    EXPECT_TRUE(t.ip.traced("speak Fim do Jogo"));

    Player p("{Enter}");
    p.place(1, "Um", 1);
    writeText(p.ip.dir + "/jogo.pro", "CHAMA REMOTO \"Um\" $S\r\nSEJA $X = (1 +\r\nCOMANDOQUENAOEXISTE\r\n");
    game::current().general.program = "jogo.pro";
    p.ip.run([] { player::PlayGame(true); });
    EXPECT_EQ(p.drawn(), (Strings{"1-1"}));
    EXPECT_EQ(script::scriptGetVariable("S"), "$OK$");
    EXPECT_TRUE(p.ip.traced("speak Erro de execução no programa "));
    EXPECT_FALSE(p.ip.traced("speak Fim do Jogo"));
}

}  // namespace
