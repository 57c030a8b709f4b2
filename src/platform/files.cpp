#include "platform/files.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/platform.h"

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

// Finds `part` inside `dir` without regard to case when the exact name is absent.
std::string resolvePart(const std::string& dir, const std::string& part) {
    std::string exact = dir.empty() ? part : (dir == "/" ? "/" + part : dir + "/" + part);
    if (part == "." || part == ".." || existsPath(exact)) return exact;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return exact;
    std::string found;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, part.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    if (found.empty()) return exact;
    return dir.empty() ? found : (dir == "/" ? "/" + found : dir + "/" + found);
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

std::string configDir() {
    if (const char* env = std::getenv("ECOLAR_CONFIG_DIR"); env && *env) {
        std::string d = env;
        if (d.back() != '/') d += '/';
        return d;
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/ecolar/";
}

std::string mapPath(const std::string& name) {
    std::string s = cp1252ToUtf8(name);
    for (char& c : s)
        if (c == '\\') c = '/';
    std::string prefix;
    // "c:" (any drive letter) is the family root.
    if (s.size() >= 2 && s[1] == ':' && ((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z'))) {
        prefix = familyRoot();
        s = s.substr(2);
        if (s.empty() || s[0] != '/') s = "/" + s;
        s = prefix + s;
    }
    if (s.empty()) return s;
    if (existsPath(s)) return s;
    // Resolve part by part without regard to case.
    std::string out;
    size_t i = 0;
    if (s[0] == '/') { out = "/"; i = 1; }
    bool trailing = s.back() == '/';
    while (i <= s.size()) {
        size_t j = s.find('/', i);
        if (j == std::string::npos) j = s.size();
        std::string part = s.substr(i, j - i);
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
    const std::string path = mapPath(name);
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
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        struct stat st;
        std::string full = path + "/" + n;
        if (stat(full.c_str(), &st) != 0) continue;
        out.push_back({utf8ToCp1252(n), S_ISDIR(st.st_mode), uint64_t(st.st_size)});
    }
    closedir(d);
    return true;
}

}  // namespace plat
