// The title card: the game is chosen and loaded, then its name, author, version
// and comments are shown in a red box on a white one.
#include "catalog/catalog.h"
#include "console/console.h"
#include "speech/lexicon.h"
#include "console/textwin.h"
#include "game/folders.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/session.h"
#include "platform/braille.h"
#include "player/play.h"
#include "util/text.h"

namespace player {

namespace {

// The card's lines on the display, "Aperte enter" last: panning reads it through.
void showCardOnDisplay(const game::TJogo& g) {
    const game::TDadosGerais& d = g.general;
    std::vector<std::string> lines = {d.name, catalog::MessageText("LUAUTOR") + d.author,
                                      catalog::MessageText("LUVERSAO") + d.version};
    for (int i = 0; i < g.commentCount && i < game::kComments; ++i)
        if (!util::trim(d.comments[size_t(i)]).empty()) lines.push_back(util::trim(d.comments[size_t(i)]));
    lines.push_back(catalog::MessageText("LUAPTENT"));
    brl::showLines(brl::Content::Message, lines);
}

}  // namespace

void ShowTitleCard() {
    const game::TJogo& g = game::current();
    const game::TDadosGerais& d = g.general;
    con::clearScreen();
    con::setWindow(8, 9, 72, 19);
    con::setTextBackground(15);
    con::clearScreen();
    con::setWindow(10, 8, 70, 18);
    con::setTextColor(15);
    con::setTextBackground(4);
    con::clearScreen();
    con::writeLn();
    con::writeLn("    " + d.name);
    con::writeLn();
    con::writeLn("    " + catalog::MessageText("LUAUTOR") + d.author);
    con::writeLn();
    con::writeLn("    " + catalog::MessageText("LUVERSAO") + d.version);
    con::writeLn();
    for (int i = 0; i < g.commentCount && i < game::kComments; ++i) con::write("    " + d.comments[size_t(i)]);
    con::writeLn();
    showCardOnDisplay(g);
    if (g.narration) {
        auto own = [](const std::string& text) {
            speech::GameTexts scope;
            con::speak(text);
        };
        own(d.name);
        con::speak(catalog::MessageText("LUAUTOR"));
        own(d.author);
        con::speak(catalog::MessageText("LUVERSAO"));
        own(d.version);
        for (const std::string& c : d.comments) own(c);
    }
    con::setWindow(1, 1, 80, 25);
    con::gotoXY(1, 24);
    catalog::SayMessage("LUAPTENT", 0);
    while (con::readKey() != 13) {
    }
    con::setTextColor(15);
    con::setTextBackground(0);
}

bool TitleCard() {
    con::clearScreen();
    con::setWindowTitle("Ludivar");
    con::setTextBackground(1);
    con::write(catalog::MessageText("LUINIC"));
    con::setTextBackground(0);
    con::writeLn();
    con::writeLn();
    if (game::chooseGameFolder().empty()) return false;
    std::string file;
    if (!game::chooseGameFile(file)) return false;
    game::session().currentGameFile = file;
    if (!game::LoadGame(file)) return false;
    ShowTitleCard();
    return true;
}

}  // namespace player
