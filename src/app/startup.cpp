#include "app/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/catalog.h"
#include "console/config.h"
#include "console/console.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/folders.h"
#include "util/atomic.h"

namespace app {

const char* const kVersionText = "2.2 alfa";

namespace {
AppState gState;
Actions gActions;
}  // namespace

AppState& appState() { return gState; }
void resetAppState() { gState = AppState(); }
void setActions(const Actions& a) { gActions = a; }

namespace {

namespace fs = std::filesystem;

// Copies what `to` lacks from `from`, folders included; nothing present is replaced.
void copyMissing(const fs::path& from, const fs::path& to, int depth) {
    std::error_code ec;
    if (depth > 16) return;  // a loop of links must not run forever
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path src = it->path();
        const fs::path dst = to / src.filename();
        if (it->is_directory(ec)) {
            fs::create_directories(dst, ec);
            copyMissing(src, dst, depth + 1);
        } else if (it->is_regular_file(ec) && !fs::exists(dst, ec)) {
            (void)util::copyFileAtomically(src, dst);  // an interrupted copy is never taken for a whole one
        }
    }
}

}  // namespace

int SeedGamesFolder(const std::string& games, const std::string& oldGames, const std::string& marker) {
    std::error_code ec;
    if (fs::exists(marker, ec) || oldGames.empty() || !fs::is_directory(oldGames, ec)) return 0;
    if (fs::equivalent(games, oldGames, ec)) return 0;
    int copied = 0;
    for (fs::directory_iterator it(oldGames, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        // The program's own sounds and leftovers of interrupted saves are no games.
        if (name.empty() || name[0] == '.' || plat::nameKey(name) == "SONS") continue;
        fs::path dst = fs::path(games) / name;
        std::error_code e2;
        if (!fs::exists(dst, e2)) ++copied;
        if (it->is_directory(e2)) {
            fs::create_directories(dst, e2);
            copyMissing(it->path(), dst, 0);
        } else if (it->is_regular_file(e2) && !fs::exists(dst, e2)) {
            (void)util::copyFileAtomically(it->path(), dst);
        }
    }
    if (std::FILE* f = std::fopen(marker.c_str(), "wb")) {
        std::fputs(oldGames.c_str(), f);
        std::fputs("\n", f);
        std::fclose(f);
    }
    return copied;
}

std::string GamesFolderSetting() {
    std::string games = plat::gamesDir();
    if (plat::isDefaultGamesSetting(con::readConfig("LUDIVAR", "DIRJOGOS"))) {
        // The games that the program's data folder holds (the demo games, and those
        // that earlier versions saved there) move to the user's folder once.
        std::string oldGames = plat::mapPath("c:\\sonare\\ludivar");
        std::string marker = util::userDataDir() + "/.jogos-copiados";
        if (SeedGamesFolder(games, oldGames, marker) > 0) {
            con::writeLineAndSpeak(plat::cp("Jogos copiados para a pasta de jogos:"));
            con::writeLineAndSpeak(plat::utf8ToCp1252(games));
        }
    }
    return plat::utf8ToCp1252(games);
}

void StartUp() {
    std::string sounds = con::readConfig("LUDIVAR", "DIRLUDIVAR");
    con::startSpeech(0, sounds);
    con::clearScreen();
    con::setWindowTitle("Ludivar");
    con::setTextBackground(1);
    con::flushKeys();
    SayMessage("LUINIC", 0);
    con::write(" - ");
    SayMessage("LUVERSAO", 0);
    con::writeLineAndSpeak(kVersionText);
    con::setTextBackground(0);
    con::writeLn();
    gState.notices = plat::takeNotices();
    for (const std::string& notice : gState.notices) con::writeLineAndSpeak(notice);
    gState.currentGameFile.clear();
    gState.editorPlace = 0;
    gState.gameFolders.clear();
    gState.gamesRoot = GamesFolderSetting();
    if (!plat::changeDir(gState.gamesRoot)) {
        SayMessage("LUDIRNAO", 2);
        con::writeLineAndSpeak(gState.gamesRoot);
        SayMessage("LUDIRATU", 2);
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
    AddMenuOption("LUJOGAR");
    AddMenuOption("LUCRIAR");
    AddMenuOption("LUEDITAR");
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
        int answer = AskKey("LUJOGCRI", 0, 1);
        if (answer == 27) return;
        if (answer == 0) {
            answer = ChooseByArrows();
            if (answer == 27) return;
        }
        plat::changeDir(gState.gamesRoot);
        if (answer == 'C' && gActions.create) gActions.create();
        else if (answer == 'E' && gActions.edit) gActions.edit();
        else if (answer == 'J' && gActions.play) gActions.play();
    }
}

void ShutDown() {
    gState.gameFolders.clear();
    con::writeLn();
    con::setTextBackground(1);
    SayMessage("LUFIM", 0);
    con::setTextBackground(0);
    con::delayMs(1000);
    con::endSpeech();
    con::closeConsole();
}

}  // namespace app
