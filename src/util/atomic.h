// Replacing a file so that it is always either the old file or the whole new one.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "util/result.h"

namespace util {

// A link standing at the path: Follow replaces the file it leads to (a save through
// a link keeps the link); Replace puts the new file in the link's place, never
// writing outside the folder named (for names that come from a game).
enum class AtLink { Follow, Replace };

// Writes a temporary with a unique name beside the file (".NAME.ludivar-XXXXXX"),
// syncs it, renames it over the file and syncs the folder.  On any failure the
// temporary is removed and the old file stays as it was.  A file without write
// permission is not replaced.  An existing file's permissions carry over; a new one
// gets those the umask allows.  Stale temporaries of this writer left in the folder
// by a run that died are removed; nothing else is touched.
Result writeFileAtomically(const std::string& path, std::string_view bytes, AtLink atLink = AtLink::Follow);
// The same with the contents put into the open temporary by `fill` (a copy that
// streams from another file).  A failure that `fill` reports is handed back as it is.
Result writeFileAtomically(const std::string& path, const std::function<Result(int fd)>& fill,
                           AtLink atLink = AtLink::Follow);
// Copies a file through writeFileAtomically.
Result copyFileAtomically(const std::string& from, const std::string& to, AtLink atLink = AtLink::Follow);

// Writes into one folder handed to another process: behind the kernel's wall this
// process may only read the settings folder, and the launcher forked before the wall
// writes there for it.  `writer` gets the file's name and a descriptor holding the
// whole contents, and does the atomic write itself.  An empty folder hands nothing.
using FolderWriter = std::function<Result(const std::string& fileName, int contentsFd)>;
void handFolderWritesTo(const std::string& folder, FolderWriter writer);

// Writes all of `bytes` to `fd`, going on after interruptions.
bool writeAll(int fd, std::string_view bytes);
// True for a temporary name of writeFileAtomically: ".NAME.ludivar-" and six letters or digits.
bool isAtomicTemporary(std::string_view fileName);
// The reason for a failed system call (an errno value) in the program's words (CP1252).
std::string reasonInWords(int err);

}  // namespace util
