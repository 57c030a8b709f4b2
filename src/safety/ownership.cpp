#include "safety/ownership.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "console/console.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "safety/safety.h"
#include "safety/sha256.h"
#include "util/atomic.h"
#include "util/folders.h"
#include "util/text.h"

namespace safety {

namespace {

// A game that makes more files than this keeps making them, but those beyond it
// are not remembered (changing them later asks): the list stays small to rewrite.
constexpr size_t kMaxOwned = 20000;
// A file a game names counts as having come with it when it arrived (its inode
// changed) no earlier than this before the game file did: the teacher's older
// pictures cannot be claimed by a new game that names them.
constexpr long kArrivalWindowSeconds = 3600;

struct Owned {
    bool claimed = false;
    std::string folder;      // the game's real folder, no trailing "/"
    std::string listFile;    // empty: remembered for this play only
    std::string dataFolder;  // "NAME.dados", relative to folder
    std::string gameName;    // as the pupil hears it, already made safe to say
    std::set<std::string> files, folders;  // relative to folder
    std::map<std::string, bool> answers;   // change and path -> the pupil's answer this play
};
Owned gOwn;

std::string realOf(const std::string& p) {
    char buf[PATH_MAX];
    if (!::realpath(p.c_str(), buf)) return std::string();
    return buf;
}

std::string baseOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

std::string parentOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    if (s == std::string::npos) return ".";
    return s == 0 ? "/" : p.substr(0, s);
}

// The path with its folder's links followed and its last part kept: a link in a
// file's place is the file that is changed (writes replace it, never follow it).
std::string normal(const std::string& path) {
    std::string dir = realOf(parentOf(path));
    if (dir.empty()) return std::string();
    std::string base = baseOf(path);
    if (base.empty() || base == ".") return dir;
    if (base == "..") return realOf(path);
    return dir == "/" ? "/" + base : dir + "/" + base;
}

// `path` relative to the game's folder; false when it lies elsewhere.
bool relative(const std::string& path, std::string& rel) {
    const std::string& f = gOwn.folder;
    if (path == f) {
        rel.clear();
        return true;
    }
    if (path.size() > f.size() && path.compare(0, f.size(), f) == 0 && path[f.size()] == '/') {
        rel = path.substr(f.size() + 1);
        return true;
    }
    return false;
}

bool under(const std::string& rel, const std::string& folder) {
    return !folder.empty() && (rel == folder || (rel.size() > folder.size() && rel.compare(0, folder.size(), folder) == 0 &&
                                                 rel[folder.size()] == '/'));
}

bool ownedRel(const std::string& rel) {
    if (rel.empty()) return false;  // the game's folder itself is the collection's
    if (under(rel, gOwn.dataFolder)) return true;
    if (gOwn.files.count(rel)) return true;
    for (const std::string& f : gOwn.folders)
        if (under(rel, f)) return true;
    return false;
}

// One entry a line: "A" and a file, or "P" and a folder, relative to the game's
// folder (UTF-8, never a control character: such names are refused before).
void save() {
    if (gOwn.listFile.empty()) return;
    std::string text = "# Arquivos do jogo, relativos a " + gOwn.folder + "\n";
    for (const std::string& f : gOwn.files) text += "A " + f + "\n";
    for (const std::string& f : gOwn.folders) text += "P " + f + "\n";
    util::makeFolders(parentOf(gOwn.listFile), 0700);
    if (!util::writeFileAtomically(gOwn.listFile, text).ok())
        gOwn.listFile.clear();  // kept for this play at least; the next one asks more
}

bool load(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 3 || line[1] != ' ') continue;
        std::string rel = line.substr(2);
        if (rel.empty() || hasControl(rel) || rel[0] == '/' || gOwn.files.size() + gOwn.folders.size() >= kMaxOwned)
            continue;
        if (line[0] == 'A') gOwn.files.insert(rel);
        else if (line[0] == 'P') gOwn.folders.insert(rel);
    }
    return true;
}

bool endsWithUpper(const std::string& name, const char* ext) {
    std::string up = util::upperLatin(name);
    std::string e = ext;
    return up.size() > e.size() && up.compare(up.size() - e.size(), e.size(), e) == 0;
}

// A file the game names, recorded as its own at its first play when it is a
// regular file in the game's folder that arrived with the game file.
void claimShipped(const std::string& name, const struct stat& game, bool isProgram) {
    if (name.empty() || hasControl(name)) return;
    // Another game's file or program is never one of this game's media.
    if (!isProgram && (endsWithUpper(name, ".LUD") || endsWithUpper(name, ".PRO"))) return;
    std::string path = resolve(name, Access::Read);
    std::string rel;
    if (path.empty() || !relative(path, rel) || rel.empty()) return;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1) return;
    if (long(st.st_ctime) < long(game.st_ctime) - kArrivalWindowSeconds) return;
    if (gOwn.files.size() + gOwn.folders.size() < kMaxOwned) gOwn.files.insert(rel);
}

// What the pupil hears as the game's name: control characters dropped, at most 40 characters.
std::string sayable(const std::string& name) {
    std::string out;
    for (char c : name)
        if (uint8_t(c) >= 0x20 && c != 0x7f) out += c;
    out = util::trim(out);
    if (out.size() > 40) out.resize(40);
    return out.empty() ? std::string("sem nome") : out;
}

const char* verb(Change c) {
    switch (c) {
        case Change::Write: return "Escrever em ";
        case Change::Replace: return "Substituir ";
        case Change::Rename: return "Renomear ";
        case Change::Remove: return "Apagar ";
        case Change::RemoveFolder: return "Apagar a pasta ";
    }
    return "";
}

// One key typed after the question: S allows, anything else refuses.
bool askPupil(const std::string& question) {
    con::stopSpeech();
    con::flushKeys();  // keys typed before the question are no answer to it
    con::writeAndSpeak(question);
    uint8_t k = con::readKeyAndSpeak();
    if (k == 0) {
        con::readKey();
        k = 'N';
    }
    bool yes = util::upperLatin(k) == 'S';
    con::writeLn(yes ? "S" : "N");
    return yes;
}

}  // namespace

std::string ownedListFile(const std::string& gameFileLinuxPath) {
    return util::userDataDir() + "/proprios/" + sha256Hex(gameFileLinuxPath) + ".txt";
}

void claimGameFiles(const std::string& gameFile, const std::string& gameName, const std::string& program,
                    const std::vector<std::string>& media) {
    gOwn = Owned();
    gOwn.gameName = sayable(gameName);
    std::string gamePath = gameFile.empty() ? std::string() : realOf(plat::mapPath(gameFile));
    gOwn.folder = gamePath.empty() ? realOf(".") : parentOf(gamePath);
    if (gOwn.folder.empty()) return;
    gOwn.claimed = true;
    if (gamePath.empty()) return;
    std::string stem = baseOf(gamePath);
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    gOwn.dataFolder = stem + ".dados";
    gOwn.listFile = ownedListFile(gamePath);
    if (load(gOwn.listFile)) return;
    // The first play: what came with the game is its own from now on.
    struct stat game;
    if (lstat(gamePath.c_str(), &game) != 0) return;
    gOwn.files.insert(baseOf(gamePath));
    claimShipped(program, game, true);
    for (const std::string& m : media) claimShipped(m, game, false);
    save();
}

void recordShipped(const std::string& gameFileLinuxPath, const std::vector<std::string>& relFiles) {
    const Owned kept = gOwn;
    gOwn = Owned();
    gOwn.folder = parentOf(gameFileLinuxPath);
    gOwn.listFile = ownedListFile(gameFileLinuxPath);
    for (const std::string& rel : relFiles)
        if (!rel.empty() && !hasControl(rel) && rel[0] != '/' && gOwn.files.size() < kMaxOwned) gOwn.files.insert(rel);
    save();
    gOwn = kept;
}

void forgetGameFiles() { gOwn = Owned(); }

bool gameFilesClaimed() { return gOwn.claimed; }

bool ownsPath(const std::string& path) {
    if (!gOwn.claimed) return true;
    std::string rel;
    std::string p = normal(path);
    if (p.empty()) return false;
    return !relative(p, rel) || ownedRel(rel);
}

bool mayChange(const std::string& path, Change change) {
    if (!gOwn.claimed || !inGame()) return true;
    std::string p = normal(path);
    if (p.empty()) return false;
    std::string rel;
    if (!relative(p, rel)) return true;  // outside the folder: only the user's copy of the data root gets here
    if (ownedRel(rel)) return true;
    std::string key = std::to_string(int(change)) + "\t" + rel;
    auto it = gOwn.answers.find(key);
    bool yes;
    std::string what = verb(change) + plat::utf8ToCp1252(baseOf(p));
    if (it != gOwn.answers.end()) {
        yes = it->second;
    } else {
        std::string where = plat::utf8ToCp1252(baseOf(parentOf(p)));
        yes = askPupil(what + ", na pasta " + where + "? Pedido do jogo \"" + gOwn.gameName + "\". Permitir? S/N ");
        gOwn.answers[key] = yes;
    }
    if (!yes) con::writeLineAndSpeak(plat::cp("Não permitido: ") + what);
    return yes;
}

void noteMade(const std::string& path, bool folder) {
    if (!gOwn.claimed) return;
    std::string rel;
    std::string p = normal(path);
    if (p.empty() || !relative(p, rel) || rel.empty() || ownedRel(rel)) return;
    if (gOwn.files.size() + gOwn.folders.size() >= kMaxOwned) return;
    (folder ? gOwn.folders : gOwn.files).insert(rel);
    save();
}

void noteGone(const std::string& path) {
    if (!gOwn.claimed) return;
    std::string rel;
    std::string p = normal(path);
    if (p.empty() || !relative(p, rel) || rel.empty()) return;
    bool changed = gOwn.files.erase(rel) + gOwn.folders.erase(rel) > 0;
    // Whatever was recorded below a folder that is gone is gone with it.
    for (auto* set : {&gOwn.files, &gOwn.folders}) {
        for (auto it = set->begin(); it != set->end();) {
            if (under(*it, rel)) {
                it = set->erase(it);
                changed = true;
            } else {
                ++it;
            }
        }
    }
    if (changed) save();
}

void noteMoved(const std::string& from, const std::string& to) {
    if (!gOwn.claimed) return;
    std::string a, b;
    std::string pa = normal(from), pb = normal(to);
    if (pa.empty() || pb.empty() || !relative(pa, a) || a.empty() || !ownedRel(a)) return;
    bool folder = gOwn.folders.count(a) > 0;
    std::vector<std::string> files, folders;  // entries below a renamed folder move with it
    for (const std::string& f : gOwn.files)
        if (under(f, a) && f != a) files.push_back(f);
    for (const std::string& f : gOwn.folders)
        if (under(f, a) && f != a) folders.push_back(f);
    noteGone(pa);
    if (!relative(pb, b) || b.empty()) return;
    struct stat st;
    if (!folder) folder = stat(pb.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!ownedRel(b)) (folder ? gOwn.folders : gOwn.files).insert(b);
    for (const std::string& f : files) gOwn.files.insert(b + f.substr(a.size()));
    for (const std::string& f : folders) gOwn.folders.insert(b + f.substr(a.size()));
    save();
}

}  // namespace safety
