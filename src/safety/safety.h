// What a game may do.  A game, its program and its media come from the internet:
// its program writes only inside its own folder, reads only there, in the games
// folder and in the family's data, and anything that reaches further (running a
// program, opening an address, the network, the desktop, devices) is asked of
// the pupil once and the answer kept.  Every command that touches the outside
// calls this module.  Texts are CP1252 bytes; paths returned are Linux paths.
#pragma once
#include <string>
#include <vector>

namespace safety {

// What a game reaches outside its folder.  Run and Open are a program or document named
// by a word of the game (F12); the others say exactly what will run, and where.
enum class Reach {
    Run,         // a program (target: its name)
    Open,        // a document or address (target: as written)
    Network,     // target: host and port
    Desktop,     // other programs' windows
    Device,      // target: the device
    Address,     // an internet address, opened with the system's opener (target: the address)
    SystemProgram,  // a program of the system's program path (target: name and parameters)
    RunFile,     // a file run as a program (target: its Linux path; the answer holds for these contents)
    OpenFile,    // a file opened with its program (target: its Linux path; as RunFile)
    NewProgram,  // a game program not among those the game came with (target: its Linux path)
};

// True when the current game may do it: asks the pupil once ("Executar o programa X, do sistema?
// Pedido do jogo "N". Permitir? S/N"), remembers the answer per game (its file and every program it
// came with), kind and target; trusted folders from [SEGURANCA] need no question.  Keys waiting
// before the question never answer it.
bool allow(Reach kind, const std::string& target);

// The question's words for a reach: what and where, in Ludivar's words ("executar o
// programa calc, do sistema").  CP1252.
std::string reachText(Reach kind, const std::string& target);
// A game's name as a question quotes it: control characters dropped, at most 40
// characters, in double quotes.  CP1252.
std::string quotedGameName(const std::string& name);

// The executable a program name (CP1252, no folder) stands for in the system's program
// path, or empty.  Folders of the path that are relative, or that a game may write
// into, are skipped: a game's own file never passes for a system program.
std::string systemProgram(const std::string& name);

// Called with each program about to be run during a game (path: Linux path, bytes:
// its contents).  A program the game did not come with asks (Reach::NewProgram) when
// it lies where the game could have written it; every later question is then asked for
// that program's contents too.  False: it must not run.
bool programLoaded(const std::string& path, const std::string& bytes);

// The game's commands just synthesized keys: a question waits for those still on their
// way to arrive and drops them before it is asked.
void noteSyntheticKeys();

// ---- the current game ------------------------------------------------------

// The game being played, as the player (or `--script`) sets it before a run.
struct Scope {
    std::string name;         // what the pupil hears: the game's file name without folders (CP1252)
    std::string folder;       // the game's folder (Linux path, any spelling; resolved when entered)
    std::string gamesFolder;  // where collections live side by side (Linux path; empty: none)
    std::string identity;     // the game's bytes (game file, then program): a changed game asks again
    std::string program;      // the program's bytes (it counts among the game's own programs)
};
// Enters a game: from now on names resolve for it.  Returns false when its
// folder does not exist (nothing is entered then).
bool enterGame(const Scope& scope);
void leaveGame();
bool inGame();
// The scope for a program run on its own: its folder is its game folder.
Scope programScope(const std::string& programName);
// The scope of a game played from its file (Windows-style names, CP1252; an empty
// game file means the current folder).
Scope gameScope(const std::string& gameFile, const std::string& programName, const std::string& gamesRoot);
// Enters a game for as long as it lives (also when the program's end unwinds through it).
struct GameGuard {
    explicit GameGuard(const Scope& scope) : entered(enterGame(scope)) {}
    ~GameGuard() {
        if (entered) leaveGame();
    }
    GameGuard(const GameGuard&) = delete;
    GameGuard& operator=(const GameGuard&) = delete;
    bool entered;
};

// The folders [SEGURANCA] PASTASCONFIAVEIS names, as real paths (those that exist).
std::vector<std::string> trustedFolders();

// ---- confinement -------------------------------------------------------------

enum class Access { Read, Write };

// The Linux path a game's name (Windows or Linux spelling, CP1252) stands for, after
// "..", symbolic links and the user's copy of the data root; empty when the current
// game may not reach it that way.  Outside a game, the name is mapped as usual.
std::string resolve(const std::string& name, Access access);
// A name about to be made (a new file, a folder, a rename's target): its folder
// resolved as resolve does, its last part kept as written.  Empty when refused.
std::string resolveNew(const std::string& name);
// True when a name holds a control character (NUL among them): a name is checked
// whole but opened up to its first NUL, so such names are refused outright.
bool hasControl(const std::string& name);

// Opens a path that resolve or resolveNew gave, for reading or (Access::Write)
// appending, made when missing.  Never blocks and never follows a link in its last
// part; anything but a regular file (a FIFO would hang the game, a device or a socket
// is no game's file) fails.  Writing refuses a file with other hard links, which
// would write through to a file elsewhere.  Gives the descriptor, or -1 with
// `refused` telling whether it was refused (say so with sayRefused) or just failed.
int openFile(const std::string& path, Access access, bool& refused);
// The whole of a regular file opened as openFile does, at most maxBytes (a longer
// file fails: it would be read cut).  False when it cannot be read.
bool readFile(const std::string& path, std::string& out, size_t maxBytes);

// For readers that open by name themselves (pictures, media): whether the game may
// read `name`, and that it is no FIFO, device or socket (which would block or reach
// outside).  A missing file is Ok here: its reader reports it as it always has.
enum class ReadCheck { Ok, Refused, NotAFile };
ReadCheck checkRead(const std::string& name);
// The same, saying a refusal as sayRefused does; true when the name may be read.
bool mayRead(const std::string& name);

// Says (and shows) that a name was refused: "Acesso negado fora da pasta do jogo: NAME".
void sayRefused(const std::string& name);

// The user's writable copy of the data root ("c:\" names written by games):
// $XDG_DATA_HOME/ludivar/raiz, else ~/.local/share/ludivar/raiz.
std::string userRoot();
// Where answers are kept: permissoes.txt in the user's settings folder.
std::string answersFile();

// Fresh state (tests): no game, answers forgotten from memory.
void resetSafety();

}  // namespace safety
