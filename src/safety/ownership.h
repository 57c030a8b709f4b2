// Which files in its folder a game owns.  Games of a collection share one folder
// with each other and with the teacher's files, so being inside the game's folder
// is not enough to change a file: without asking, a game's program writes, renames
// and removes only
//   - files and folders it made itself (kept in a list per game in the user's data
//     folder, so that a later play still knows them),
//   - the files it came with, recorded at its first play: its game file, its
//     program and the media its places and slides name, when they arrived with it,
//   - its data folder, "NAME.dados" beside its game file NAME.lud.
// Anything else in the folder (another game's files, the teacher's) is asked of
// the pupil: "Apagar aula.lud, na pasta ciencias? Pedido do jogo "X". Permitir? S/N".
// Paths here are Linux paths that resolve/resolveNew gave for writing.
#pragma once
#include <string>
#include <vector>

namespace safety {

// Starts keeping a game's own files; called once the game is entered.  gameFile is
// its file as the player names it (Windows-style, CP1252; empty: a game not saved
// yet, whose files are known for this play only); gameName is what the pupil
// hears; program and media are names as the game file writes them.  Until a game
// is claimed, and after leaveGame, only the folder rule applies.
void claimGameFiles(const std::string& gameFile, const std::string& gameName, const std::string& program,
                    const std::vector<std::string>& media);
// Records what an installer put beside a game file (paths relative to its folder) as
// the files it came with, so that its first play finds them its own.
void recordShipped(const std::string& gameFileLinuxPath, const std::vector<std::string>& relFiles);
// Forgets the current game's claim (its list stays on disk).
void forgetGameFiles();
bool gameFilesClaimed();

enum class Change { Write, Replace, Rename, Remove, RemoveFolder };

// True when the current game may make this change to `path` now: always for its own
// files and outside its folder (the `c:\` names under the user's copy of the data
// root are shared by all games as before); otherwise the pupil is asked, once a
// play for each change and file.  A refusal is said here.
bool mayChange(const std::string& path, Change change);
// True when `path` is the current game's own (no question is asked).
bool ownsPath(const std::string& path);

// What the game did, so that the list follows: a new file or folder is its own, a
// removed one is forgotten (a file of the same name made later by someone else is
// not the game's), a renamed one of its own keeps being its own under its new name.
void noteMade(const std::string& path, bool folder);
void noteGone(const std::string& path);
void noteMoved(const std::string& from, const std::string& to);

// Where the list of a game's own files is kept: proprios/ in the user's data folder,
// one file per game named by a digest of the game file's real path.
std::string ownedListFile(const std::string& gameFileLinuxPath);

}  // namespace safety
