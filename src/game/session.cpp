// The game session, the games folder it starts from and the one way the working
// folder changes.
#include "game/session.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "console/config.h"
#include "console/console.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/atomic.h"
#include "util/folders.h"

namespace game {

namespace {
Session gSession;
}  // namespace

Session& session() { return gSession; }
void resetSession() { gSession = Session(); }

bool enterFolder(const std::string& name) { return enterFolderPath(plat::mapPath(name)); }

bool enterFolderPath(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

std::string nameInFolder(const std::string& folder, const std::string& name) {
    const bool drive = name.size() >= 2 && name[1] == ':' &&
                       ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'));
    const bool rooted = drive || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
    if (rooted || folder.empty() || folder == ".") return name;
    std::string base = plat::utf8ToCp1252(folder);
    // A folder whose name CP1252 cannot spell cannot be named in the program's terms.
    if (plat::cp1252ToUtf8(base) != folder) return std::string();
    if (base.back() != '/') base += '/';
    return base + name;
}

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

std::string GamesFolderSetting(bool* copied) {
    std::string games = plat::gamesDir(con::settings().gamesFolder);
    if (copied) *copied = false;
    if (plat::isDefaultGamesSetting(con::settings().gamesFolder)) {
        // The games that the program's data folder holds (the demo games, and those
        // that earlier versions saved there) move to the user's folder once.
        std::string oldGames = plat::mapPath("c:\\sonare\\ludivar");
        std::string marker = util::userDataDir() + "/.jogos-copiados";
        if (SeedGamesFolder(games, oldGames, marker) > 0 && copied) *copied = true;
    }
    return plat::utf8ToCp1252(games);
}

}  // namespace game
