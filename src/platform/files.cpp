#include "ludivar_paths.h"
#include "platform/files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <mutex>
#include <unordered_map>

#include "platform/platform.h"
#include "util/folders.h"
#include "util/text.h"

namespace plat {

namespace {
std::string gRootOverride;

bool isDirPath(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool existsPath(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

std::string join(const std::string& dir, const std::string& part) {
    if (dir.empty()) return part;
    if (dir.back() == '/') return dir + part;
    return dir + "/" + part;
}

bool validUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = s[i];
        int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + size_t(len) > s.size()) return false;
        if (len == 2 && c < 0xC2) return false;  // overlong
        for (int k = 1; k < len; ++k)
            if ((uint8_t(s[i + size_t(k)]) & 0xC0) != 0x80) return false;
        i += size_t(len);
    }
    return true;
}

// One folder read for case-insensitive matching, kept until the folder changes.
struct Folder {
    struct timespec mtime {};
    time_t readAt = 0;
    std::unordered_map<std::string, std::string> byKey;  // nameKey -> name on disk
};

// Folders are known by their device and inode, so that a look-up needs no getcwd
// and a relative name stays right after the current folder changes.
struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId& o) const { return dev == o.dev && ino == o.ino; }
};
struct FolderIdHash {
    size_t operator()(const FolderId& f) const { return std::hash<uint64_t>()(uint64_t(f.ino) * 31 + uint64_t(f.dev)); }
};

struct FolderCache {
    std::mutex lock;
    std::unordered_map<FolderId, Folder, FolderIdHash> folders;
};

FolderCache& cache() {
    static FolderCache c;
    return c;
}

// Folders held at once; a game's names live in a handful of them.
constexpr size_t kMaxFoldersKept = 64;

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void readFolder(const std::string& dir, const struct timespec& mtime, Folder& f) {
    f.byKey.clear();
    f.mtime = mtime;
    f.readAt = std::time(nullptr);
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        f.byKey.emplace(nameKey(diskNameToCp1252(n)), n);  // the first of equal keys wins
    }
    closedir(d);
}

// The name on disk in `dir` whose key is `key`, reading the folder only when it
// changed since it was last read.  Empty when none matches.
std::string findInFolder(const std::string& dir, const std::string& key) {
    const std::string abs = dir.empty() ? std::string(".") : dir;
    struct stat st;
    if (stat(abs.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
    FolderCache& c = cache();
    std::lock_guard<std::mutex> guard(c.lock);
    const FolderId id{st.st_dev, st.st_ino};
    auto it = c.folders.find(id);
    if (it == c.folders.end()) {
        if (c.folders.size() >= kMaxFoldersKept) c.folders.clear();
        it = c.folders.emplace(id, Folder()).first;
        readFolder(abs, st.st_mtim, it->second);
    } else if (!sameTime(it->second.mtime, st.st_mtim)) {
        readFolder(abs, st.st_mtim, it->second);
    }
    auto hit = it->second.byKey.find(key);
    if (hit != it->second.byKey.end()) return hit->second;
    // A folder changed within the second it was read may have changed again without
    // a new time stamp: a miss is then checked against a fresh reading.
    if (st.st_mtim.tv_sec + 1 >= it->second.readAt) {
        readFolder(abs, st.st_mtim, it->second);
        hit = it->second.byKey.find(key);
        if (hit != it->second.byKey.end()) return hit->second;
    }
    return std::string();
}

// Finds `part` (CP1252) inside `dir`: as UTF-8, as its own bytes (Latin-1 names
// unzipped from Windows), then without regard to case in either encoding.
std::string resolvePart(const std::string& dir, const std::string& part, bool exactTried = false) {
    std::string utf = cp1252ToUtf8(part);
    std::string exact = join(dir, utf);
    if (part == "." || part == ".." || (!exactTried && existsPath(exact))) return exact;
    if (utf != part && existsPath(join(dir, part))) return join(dir, part);
    std::string found = findInFolder(dir, nameKey(part));
    return found.empty() ? exact : join(dir, found);
}
}  // namespace

std::string installedRootBeside(const std::string& exe) {
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return std::string();
    // <prefix>/bin/ludivar finds <prefix>/share/ludivar/root, whatever the prefix.
    const std::string root = exe.substr(0, slash) + "/../share/ludivar/root";
    if (!isDirPath(root)) return std::string();
    char buf[PATH_MAX];
    return realpath(root.c_str(), buf) ? std::string(buf) : root;
}

std::string familyRoot() {
    if (!gRootOverride.empty()) return gRootOverride;
    if (const char* env = std::getenv("ECOLAR_ROOT"); env && *env) return env;
    // The data goes with the binary: an installed one uses its installed data and one in
    // the build tree the build's, even when another copy is installed elsewhere.
    static const std::string beside = [] {
        char buf[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        return n > 0 ? installedRootBeside(std::string(buf, size_t(n))) : std::string();
    }();
    if (!beside.empty()) return beside;
    return LUDIVAR_BUILD_ROOT;
}

void setFamilyRoot(const std::string& dir) { gRootOverride = dir; }

bool isDefaultGamesSetting(const std::string& dirjogos) {
    std::string v;
    for (char c : dirjogos) v += c == '/' ? '\\' : char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    v = util::trimSpaces(v);
    while (!v.empty() && v.back() == '\\') v.pop_back();
    if (v.empty()) return true;
    // Any drive letter: every drive is the family root.
    return v.size() == 17 && v[0] >= 'a' && v[0] <= 'z' && v.compare(1, 16, ":\\sonare\\ludivar") == 0;
}

std::string gamesDir(const std::string& setting) {
    if (!isDefaultGamesSetting(setting)) {
        std::string d = mapPath(setting);
        while (d.size() > 1 && d.back() == '/') d.pop_back();
        // Fixed once: the current folder changes as games are chosen and played.
        if (!d.empty() && d[0] != '/') d = join(currentDir(), d);
        return d;
    }
    std::string d = util::userDataDir() + "/jogos";
    util::makeFolders(d, 0755);
    return d;
}

std::string diskNameToCp1252(const std::string& raw) {
    return validUtf8(raw) ? utf8ToCp1252(raw) : raw;
}

std::string nameKey(const std::string& cp1252) { return util::upperLatin(cp1252); }

void forgetFolders() {
    FolderCache& c = cache();
    std::lock_guard<std::mutex> guard(c.lock);
    c.folders.clear();
}

std::string mapPath(const std::string& name) {
    std::string cp = name;
    for (char& c : cp)
        if (c == '\\') c = '/';
    // "c:" (any drive letter) is the family root, a Linux path taken as it is.
    std::string base;
    if (cp.size() >= 2 && cp[1] == ':' && ((cp[0] >= 'a' && cp[0] <= 'z') || (cp[0] >= 'A' && cp[0] <= 'Z'))) {
        base = familyRoot();
        cp = cp.substr(2);
        if (cp.empty() || cp[0] != '/') cp = "/" + cp;
        while (base.size() > 1 && base.back() == '/') base.pop_back();
    } else if (!cp.empty() && cp[0] == '/') {
        base = "/";
    }
    std::string whole = base == "/" ? cp1252ToUtf8(cp) : base + cp1252ToUtf8(cp);
    if (whole.empty() || existsPath(whole)) return whole;
    // A plain name in the current folder: its exact form was just tried.
    if (base.empty() && cp.find('/') == std::string::npos) return resolvePart(std::string(), cp, true);
    // Resolve part by part.
    std::string out = base;
    bool trailing = cp.back() == '/';
    size_t i = 0;
    while (i <= cp.size()) {
        size_t j = cp.find('/', i);
        if (j == std::string::npos) j = cp.size();
        std::string part = cp.substr(i, j - i);
        if (!part.empty()) out = resolvePart(out, part);
        i = j + 1;
    }
    if (trailing && !out.empty() && out.back() != '/') out += '/';
    return out;
}

bool fileExists(const std::string& name) {
    struct stat st;
    return stat(mapPath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool dirExists(const std::string& name) { return isDirPath(mapPath(name)); }

bool readFile(const std::string& name, std::string& out, size_t maxBytes) {
    return readPath(mapPath(name), out, maxBytes);
}

bool readPath(const std::string& path, std::string& out, size_t maxBytes) {
    struct stat st;
    // A FIFO or device would block the read and a folder reads as nothing.
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.clear();
    char buf[65536];
    while (f && out.size() < maxBytes) {
        f.read(buf, sizeof buf);
        std::streamsize n = f.gcount();
        if (n <= 0) break;
        size_t take = std::min<size_t>(size_t(n), maxBytes - out.size());
        out.append(buf, take);
    }
    return true;
}

std::string currentDir() {
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return ".";
    return buf;
}

bool changeDir(const std::string& name) { return chdir(mapPath(name).c_str()) == 0; }

bool listDir(const std::string& name, std::vector<DirEntry>& out) {
    std::string path = name.empty() ? "." : mapPath(name);
    DIR* d = opendir(path.c_str());
    if (!d) return false;
    out.clear();
    while (dirent* e = readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        // The entry's type comes with it on most file systems: a folder of
        // thousands of files is listed without a stat each.  Links are followed
        // (a dangling one is no entry), as are file systems that give no type.
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st;
            if (fstatat(dirfd(d), n, &st, 0) != 0) continue;
            isDir = S_ISDIR(st.st_mode);
        }
        out.push_back({diskNameToCp1252(n), isDir});
    }
    closedir(d);
    return true;
}

}  // namespace plat
