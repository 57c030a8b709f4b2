#include "app/startup.h"

#include <algorithm>

#include <string>

#include "catalog/catalog.h"
#include "catalog/lexicon_form.h"
#include "console/config.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "game/session.h"
#include "platform/platform.h"
#include "util/folders.h"
#include "util/atomic.h"
#include "ludivar_version.h"

namespace app {

// the same string --version prints and the package carries
const char* const kVersionText = LUDIVAR_VERSION;

namespace {
constexpr uint8_t kCtrlD = 4;  // the pronunciation dictionary
AppState gState;
Actions gActions;
}  // namespace

AppState& appState() { return gState; }
void resetAppState() { gState = AppState(); }
void setActions(const Actions& a) { gActions = a; }

namespace {
// A notice that stopped being true leaves the notices shown at the main question, and
// any whole-screen row that shows it is cleared at once.
void withdrawShownNotice(const std::string& text) {
    gState.notices.erase(std::remove(gState.notices.begin(), gState.notices.end(), text), gState.notices.end());
    const con::TextWindow& w = con::tw();
    if (w.left != 0 || w.top != 0 || w.right != 79 || w.bottom != 24) return;  // a game's own window
    const std::string shown = text.substr(0, 79);
    const int x = con::whereX(), y = con::whereY();
    const uint8_t attr = con::textAttr();
    for (int row = 1; row <= 25; ++row) {
        bool same = true;
        for (size_t i = 0; i < shown.size() && same; ++i) same = con::screenChar(int(i) + 1, row) == uint8_t(shown[i]);
        if (!same) continue;
        con::setTextAttr(con::screenAttr(1, row));
        con::gotoXY(1, row);
        con::clearToEndOfLine();
    }
    con::setTextAttr(attr);
    con::gotoXY(x, y);
}
}  // namespace

void StartUp() {
    plat::setNoticeWithdrawnHook(withdrawShownNotice);
    std::string sounds = con::settings().soundsFolder;
    con::startSpeech(0, sounds);
    con::clearScreen();
    con::setWindowTitle("Ludivar");
    con::setTextBackground(1);
    con::flushKeys();
    game::Session& session = game::session();
    session.currentGameFile.clear();
    session.editorPlace = 0;
    session.gameFolders.clear();
    bool copied = false;
    session.gamesRoot = game::GamesFolderSetting(&copied);
    // On a first start where the games went is what the user needs to hear: the name
    // and version stay on the screen unsaid, so the main question comes within seconds.
    if (copied) {
        con::writeLn(catalog::MessageText("LUINIC") + " - " + catalog::MessageText("LUVERSAO") + kVersionText);
    } else {
        catalog::SayMessage("LUINIC", 0);
        con::write(" - ");
        catalog::SayMessage("LUVERSAO", 0);
        con::writeLineAndSpeak(kVersionText);
    }
    con::setTextBackground(0);
    con::writeLn();
    gState.notices = plat::takeNotices();
    for (const std::string& notice : gState.notices) con::writeLineAndSpeak(notice);
    if (copied) {
        const std::string where = plat::cp("Seus jogos ficam na pasta jogos, em sua pasta pessoal.");
        con::writeLn(plat::cp("Jogos copiados para a pasta de jogos:"));
        con::writeLn(session.gamesRoot);
        con::writeLn(where);
        // Said without its comma and full stop: naming them in a one-off notice only delays the question.
        con::speak(plat::cp("Seus jogos ficam na pasta jogos em sua pasta pessoal"));
        while (con::isSpeaking()) con::keyPressed();
        // The full path stays in sight below the main question.
        gState.notices.push_back(plat::cp("Pasta de jogos: ") + session.gamesRoot);
    }
    if (!game::enterFolder(session.gamesRoot)) {
        catalog::SayMessage("LUDIRNAO", 2);
        con::writeLineAndSpeak(session.gamesRoot);
        catalog::SayMessage("LUDIRATU", 2);
    }
}

namespace {
// What the machine lacks stays in sight above the bottom row (an 80 x 24 terminal shows
// rows 1-24 while the cursor is up at the question).
void showNotices() {
    int row = 24 - int(gState.notices.size()) + 1;
    for (const std::string& notice : gState.notices) {
        if (row >= 6) {
            con::gotoXY(1, row);
            con::write(notice.substr(0, 79));
        }
        ++row;
    }
}
}  // namespace

int ChooseByArrows() {
    con::menuOpen(con::whereX(), con::whereY(), 12, 3, 4);
    catalog::AddMenuOption("LUJOGAR");
    catalog::AddMenuOption("LUCRIAR");
    catalog::AddMenuOption("LUEDITAR");
    con::flushKeys();
    int choice = con::menuRun();
    int letter = choice == 1 ? 'J' : choice == 2 ? 'C' : choice == 3 ? 'E' : 27;
    if (letter != 27) con::writeLn(std::string(1, char(letter)));
    con::writeLn();
    return letter;
}

void MainMenu() {
    for (;;) {
        for (int row = 2; row <= 25; ++row) {
            con::gotoXY(1, row);
            con::clearToEndOfLine();
        }
        showNotices();
        con::gotoXY(1, 4);
        int answer = catalog::AskKey("LUJOGCRI", 0, 1);
        if (answer == 27) return;
        if (answer == 0) {
            answer = ChooseByArrows();
            if (answer == 27) return;
        }
        game::enterFolder(game::session().gamesRoot);
        if (answer == 'C' && gActions.create) gActions.create();
        else if (answer == 'E' && gActions.edit) gActions.edit();
        else if (answer == 'J' && gActions.play) gActions.play();
        else if (answer == kCtrlD) catalog::EditPronunciations();
    }
}

void ShutDown() {
    game::session().gameFolders.clear();
    con::writeLn();
    con::setTextBackground(1);
    catalog::SayMessage("LUFIM", 0);
    con::setTextBackground(0);
    con::delayMs(1000);
    con::endSpeech();
    con::closeConsole();
}

}  // namespace app
