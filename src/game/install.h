// Installing a game that came from elsewhere (a download, a pen drive) into a folder
// of its own under the games folder.  Only the game's files travel: its game file,
// the programs it runs and the media its places, slides and programs name, each
// one found inside the game's own folder.  An archive is unpacked member by member,
// every member confined to the new folder; links, devices and FIFOs, and archives
// that unpack to more than the budgets allow, are refused.  On any refusal the new
// folder is removed again, so a failed install leaves nothing behind.
// Paths are Linux paths (UTF-8); messages are CP1252, for the pupil to hear.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace game {

struct InstallLimits {
    // Far beyond any game's pictures and sounds; a download that unpacks to more is
    // no game, and filling the user's disk is what it would do.
    uint64_t maxBytes = uint64_t(1) << 30;
    // A game is a game file, a few programs and its media: thousands of files is abuse.
    size_t maxFiles = 4096;
    // Pictures and sounds barely compress: an archive that inflates a hundred times
    // beyond its own size, past the first few megabytes, is a bomb.
    uint64_t maxRatio = 100;
    uint64_t ratioFreeBytes = uint64_t(16) << 20;
};

struct InstallResult {
    bool ok = false;
    std::string folder;             // the new folder (Linux path), also when refused: it is gone then
    std::vector<std::string> games; // the game files installed, relative to folder, shallowest first
    std::vector<std::string> files; // every file installed, relative to folder
    std::string message;            // why it was refused (CP1252)
};

// True when `path` (a game file or archive) lies outside the games folder, the
// installed data and the folders the teacher trusts: such a game is offered to be
// installed.
bool comesFromElsewhere(const std::string& path, const std::string& gamesFolder);

// The names a game's file uses for its files, as it writes them (program, pictures, media).
struct TJogo;
std::vector<std::string> namedFiles(const TJogo& g);

// Copies the game whose file is `gameFile` into a new folder under `gamesFolder`,
// named after it ("jogo", or "jogo 2" and on when that exists: nothing is replaced).
InstallResult installGameFile(const std::string& gameFile, const std::string& gamesFolder,
                              const InstallLimits& limits = InstallLimits());
// Unpacks the archive `archive` into a fresh folder under `gamesFolder`.  A single
// folder at the top of the archive is not kept: its contents become the game's folder.
InstallResult installArchive(const std::string& archive, const std::string& gamesFolder,
                             const InstallLimits& limits = InstallLimits());

// True for a name that ends in ".zip", any case.
bool isArchiveName(const std::string& path);

}  // namespace game
