// The kernel's wall (Landlock) behind the confinement of safety.h.  Once a game is
// chosen in a mode that ends with it (a game given on the command line, --script, the
// pupil mode), the kernel itself keeps the process to the game's folder, the shared
// folders it may read and Ludivar's own files, so that a fault in the confinement
// still reaches nothing else.  The restriction cannot be lifted and passes to child
// processes: programs the pupil agreed to run are started by a launcher forked before it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "util/result.h"

namespace safety {

// The Landlock ABI the kernel offers: 0 when it has none or refuses the call.
int landlockAbi();

// What the wall lets through, as Linux paths (missing ones are left out when applied).
struct WallPaths {
    std::vector<std::string> read;     // read files and list folders
    std::vector<std::string> system;   // read, and run programs (libraries, tools)
    std::vector<std::string> write;    // read, write, make and remove beneath
    std::vector<std::string> devices;  // read and write, nothing made (devices, terminals)
};
// The paths for a game in `gameFolder` (real path) beside `gamesFolder` (real path or empty).
WallPaths wallPaths(const std::string& gameFolder, const std::string& gamesFolder);

enum class WallResult { Up, NoKernel, Failed };
// Restricts this process (and its future children) to `paths`, after PR_SET_NO_NEW_PRIVS.
// NoKernel: no Landlock here; Failed: the kernel refused a step (nothing was restricted).
WallResult raiseWall(const WallPaths& paths);

// The modes that end with the game: starts the launcher and makes the next game entered
// raise the wall.  Call once, early, before any thread is started.
void armKernelWall();
// A folder the user named on the command line for Ludivar's output (the screen dump, the
// slides): written behind the wall too.
void kernelWallAlsoWrites(const std::string& folder);
// Called by enterGame with the game's real folders; raises the wall when armed (once).
void kernelWallOnEnter(const std::string& gameFolder, const std::string& gamesFolder);
// Whether the wall is up in this process.
bool kernelWallUp();

// The launcher: a process forked before the wall that starts approved programs
// unconfined.  Gives the new process's id, or -1.  Only for spawnProgram's hook.
int launchThroughHelper(const std::string& program, const std::vector<std::string>& args);
// The launcher writes the settings folder for the program once the wall is up (the wall
// leaves that folder read-only): `fileName` in it gets what `contentsFd` holds.
util::Result writeThroughHelper(const std::string& fileName, int contentsFd);

namespace testing {
// Turns the confinement of safety.h off (resolve maps names as outside a game), so a
// test can show the kernel alone refusing a hostile name.  Tests only.
void setFirstWall(bool on);
bool firstWallOn();
}  // namespace testing

}  // namespace safety
