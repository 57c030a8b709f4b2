// A game's own pronunciation dictionary: loaded from its folder with the game,
// heard in its slides, title card and program, never in Ludivar's own messages;
// the user's dictionary under it everywhere.
#include "ludivar_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "catalog/catalog.h"
#include "console/console.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "platform/files.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "speech/lexicon.h"
#include "speech/synth.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace fs = std::filesystem;

namespace {

// The synth lines a text gives, heard with no dictionary at all.
std::vector<std::string> plainSynth(InProc& p, const std::string& text) {
    const speech::Lexicon user = speech::userLexicon(), game = speech::gameLexicon();
    speech::resetLexicons();
    p.trace.clear();
    p.run([&] { con::speak(text); });
    speech::setUserLexicon(user);
    speech::setGameLexicon(game);
    std::vector<std::string> out;
    for (const std::string& e : p.trace)
        if (e.rfind("synth ", 0) == 0) out.push_back(e);
    return out;
}

std::vector<std::string> synthOf(InProc& p, const std::function<void()>& fn) {
    p.trace.clear();
    p.run(fn);
    std::vector<std::string> out;
    for (const std::string& e : p.trace)
        if (e.rfind("synth ", 0) == 0) out.push_back(e);
    return out;
}

speech::Lexicon lexicon(const std::string& text) { return speech::parseLexicon(text, nullptr); }

}  // namespace

// Which texts hear the game's list (sabia=sabiá) and which only the user's (casa=cása).
TEST(GameLexicon, OnlyTheGamesOwnTextsHearIt) {
    InProc p("{Enter}");
    script::scriptReset();
    player::setSlideSize(160, 100);
    const std::string said = "sabi\xE1 c\xE1sa", plain = "nunca c\xE1sa";
    const std::vector<std::string> gameReading = plainSynth(p, said);
    const std::vector<std::string> userOnly = plainSynth(p, plain);
    ASSERT_FALSE(gameReading.empty());
    ASSERT_NE(gameReading, userOnly);
    speech::setGameLexicon(lexicon("sabia=sabi\xE1\n"));
    speech::setUserLexicon(lexicon("casa=c\xE1sa\nsabia=nunca\n"));

    game::TLugar* place = game::CreatePlace(game::current(), 1);
    game::CreateSlide(*place, 1);
    place->slideCount = 1;
    place->slide(1)->text = {"Sabia casa"};
    struct Row {
        const char* what;
        std::function<void()> speak;
        const std::vector<std::string>* heard;
    } rows[] = {
        {"slide", [] {
             uint8_t key = 0;
             std::string answer;
             player::PresentPlace(1, key, answer);
         }, &gameReading},
        {"program", [&] {
             writeText(p.dir + "/p.pro", "FALA \"sabia casa\"\n");
             script::scriptRun(p.dir + "/p.pro", "");
         }, &gameReading},
        // Outside the game's texts the game's list is silent and the user's speaks.
        {"Ludivar", [] { con::speak("sabia casa"); }, &userOnly},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(synthOf(p, r.speak), *r.heard);
    }
    // The screen keeps what was written.
    EXPECT_TRUE(p.traced("speak sabia casa"));
    player::resetSlideState();
}

// The game's file beside its game file is read with the game, and a game without one has none.
TEST(GameLexicon, LoadedFromTheGamesFolder) {
    InProc p("", "", false);
    const std::string games = p.dir + "/jogos";
    fs::copy(std::string(LUDIVAR_BUILD_ROOT) + "/sonare/ludivar", games, fs::copy_options::recursive);
    const std::string folder = games + "/formas-e-cores";
    writeText(folder + "/pronuncia.txt", "# palavras do jogo\nformas=fórmas\nnada disso\n");
    p.run([&] {
        ASSERT_TRUE(plat::changeDir(folder));
        ASSERT_TRUE(game::LoadGame("formas.lud"));
    });
    ASSERT_EQ(speech::gameLexicon().size(), 1u);
    EXPECT_EQ(speech::gameLexicon()[0].said, plat::utf8ToCp1252("fórmas"));
    p.run([&] {
        ASSERT_TRUE(plat::changeDir(games + "/formas-e-cores-programa"));
        ASSERT_TRUE(game::LoadGame("formas.lud"));
    });
    EXPECT_TRUE(speech::gameLexicon().empty());
}
