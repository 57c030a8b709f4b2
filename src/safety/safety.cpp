#include "safety/safety.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <thread>
#include <sstream>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "safety/budget.h"
#include "safety/landlock.h"
#include "safety/ownership.h"
#include "safety/sha256.h"
#include "util/atomic.h"
#include "util/folders.h"
#include "util/text.h"

namespace safety {

namespace {

struct Answer {
    std::string identity, kind, target;
    bool allowed = false;
};

struct SafetyState {
    bool active = false;
    std::string name;
    std::string folder;       // real path, no trailing "/"
    std::string gamesFolder;  // real path or empty
    std::string identity;     // digest
    std::vector<Answer> session;  // answers given while no file could keep them
    std::string startDir;         // the current folder when the game began (DIR TROCA moves it)
    std::set<std::string> programs;  // digests of the programs the game came with
    std::string stranger;            // digest of the running program when it is not one of them
};
SafetyState gSafe;

// When the game's commands last synthesized keys (they reach a window some time later).
std::chrono::steady_clock::time_point gLastSynthetic;
bool gSynthesized = false;

const char* kindWord(Reach k) {
    switch (k) {
        case Reach::Run: return "EXECUTAR";
        case Reach::Open: return "ABRIR";
        case Reach::Network: return "REDE";
        case Reach::Desktop: return "AREADETRABALHO";
        case Reach::Device: return "DISPOSITIVO";
        case Reach::Address: return "ENDERECO";
        case Reach::SystemProgram: return "PROGRAMADOSISTEMA";
        case Reach::RunFile: return "EXECUTARARQUIVO";
        case Reach::OpenFile: return "ABRIRARQUIVO";
        case Reach::NewProgram: return "PROGRAMANOVO";
    }
    return "?";
}

std::string baseName(const std::string& path) {
    size_t s = path.find_last_of('/');
    return s == std::string::npos ? path : path.substr(s + 1);
}

bool inside(const std::string& path, const std::string& folder);

// A file named by its Linux path, said as "NAME, na pasta do jogo" or "NAME, na pasta /x/y".
std::string fileAndWhere(const std::string& path) {
    if (gSafe.active && inside(path, gSafe.folder) && path != gSafe.folder)
        return plat::utf8ToCp1252(path.substr(gSafe.folder.size() + (gSafe.folder == "/" ? 0 : 1))) +
               plat::cp(", na pasta do jogo");
    size_t s = path.find_last_of('/');
    std::string folder = s == std::string::npos || s == 0 ? std::string("/") : path.substr(0, s);
    return plat::utf8ToCp1252(baseName(path)) + ", na pasta " + plat::utf8ToCp1252(folder);
}

std::string wantText(Reach k, const std::string& target) {
    switch (k) {
        case Reach::Run: return plat::cp("executar o programa ") + target;
        case Reach::Open: return plat::cp("abrir ") + target;
        case Reach::Network: return plat::cp("usar a rede: ") + target;
        case Reach::Desktop: return plat::cp("controlar a área de trabalho: ") + target;
        case Reach::Device: return plat::cp("usar o dispositivo ") + target;
        case Reach::Address: return plat::cp("abrir o endereço ") + target + plat::cp(", na internet");
        case Reach::SystemProgram: return plat::cp("executar o programa ") + target + plat::cp(", do sistema");
        case Reach::RunFile: return plat::cp("executar o arquivo ") + fileAndWhere(target);
        case Reach::OpenFile: return plat::cp("abrir o arquivo ") + fileAndWhere(target);
        case Reach::NewProgram:
            return plat::cp("executar o programa ") + fileAndWhere(target) + plat::cp(", que o próprio jogo escreveu");
    }
    return target;
}

bool existsPath(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

std::string parentOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    if (s == std::string::npos || s == 0) return "/";
    return p.substr(0, s);
}

std::string realOf(const std::string& p) {
    char buf[PATH_MAX];
    if (!::realpath(p.c_str(), buf)) return std::string();
    return buf;
}

// `p` after "." and "..", with every existing part's symbolic links followed;
// parts that do not exist yet are kept as written.  Empty when a link dangles
// (writing through it would create its target anywhere).
std::string canonical(const std::string& p) {
    std::string cur = (!p.empty() && p[0] == '/') ? "/" : realOf(".");
    if (cur.empty()) return cur;
    int virtualDepth = 0;  // parts below the last existing folder
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string part = p.substr(i, j - i);
        i = j + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (virtualDepth > 0) --virtualDepth;
            cur = parentOf(cur);
            continue;
        }
        std::string next = cur == "/" ? "/" + part : cur + "/" + part;
        if (virtualDepth == 0 && existsPath(next)) {
            next = realOf(next);
            if (next.empty()) return next;
        } else {
            ++virtualDepth;
        }
        cur = next;
    }
    return cur;
}

bool inside(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.empty()) return false;
    if (folder == "/") return true;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

bool isDriveName(const std::string& name) {
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'));
}

// "c:\x\y" as "x\y".
std::string afterDrive(const std::string& name) {
    std::string rest = name.substr(2);
    while (!rest.empty() && (rest[0] == '\\' || rest[0] == '/')) rest.erase(0, 1);
    return rest;
}

bool endsWithPro(const std::string& name) {
    return name.size() > 4 && util::upperLatin(name.substr(name.size() - 4)) == ".PRO";
}

// The programs a game came with: every .pro file of its folder and of the folders
// just beneath it, by name and contents, within bounds (a collection folder may be
// large).  A program outside these bounds is still known by its own contents when it runs.
std::string folderPrograms(const std::string& folder, std::set<std::string>& digests) {
    constexpr size_t kMaxFiles = 512, kMaxBytes = size_t(64) << 20;
    std::vector<std::string> names;
    std::vector<std::string> subfolders;
    auto list = [&](const std::string& dir, const std::string& prefix, bool descend) {
        DIR* d = ::opendir(dir.c_str());
        if (!d) return;
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            struct stat st;
            if (lstat((dir + "/" + n).c_str(), &st) != 0) continue;
            if (S_ISREG(st.st_mode) && endsWithPro(n)) names.push_back(prefix + n);
            else if (descend && S_ISDIR(st.st_mode)) subfolders.push_back(n);
        }
        ::closedir(d);
    };
    list(folder, std::string(), true);
    std::sort(subfolders.begin(), subfolders.end());
    for (const std::string& sub : subfolders) {
        if (names.size() >= kMaxFiles) break;
        list(folder + "/" + sub, sub + "/", false);
    }
    std::sort(names.begin(), names.end());
    std::string summary;
    size_t total = 0;
    for (size_t i = 0; i < names.size() && i < kMaxFiles && total < kMaxBytes; ++i) {
        std::string bytes;
        if (!readFile(folder + "/" + names[i], bytes, kMaxBytes - total)) continue;
        total += bytes.size();
        std::string digest = sha256Hex(bytes);
        digests.insert(digest);
        summary += names[i] + '\0' + digest + '\n';
    }
    return summary;
}

}  // namespace

// Trust settings come from the user's settings folder or --ini only: an
// ECOLAR.INI beside the program's start folder could have come with a download.
std::vector<std::string> trustedFolders() {
    std::vector<std::string> out;
    std::string list = con::settings().trustedFolders;
    std::stringstream ss(list);
    std::string item;
    while (std::getline(ss, item, ';')) {
        item = util::trimSpaces(item);
        if (item.empty()) continue;
        std::string path = plat::cp1252ToUtf8(item);
        if (path[0] == '~') {
            const char* home = std::getenv("HOME");
            path = std::string(home ? home : "") + path.substr(1);
        }
        if (path[0] != '/') continue;  // a relative folder would depend on where the program started
        std::string real = realOf(path);
        if (!real.empty()) out.push_back(real);
    }
    return out;
}

namespace {

std::string escapeField(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string unescapeField(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The file holds one answer a line: identity, kind, S or N, target (UTF-8).
std::vector<Answer> loadAnswers() {
    std::vector<Answer> out;
    std::ifstream f(answersFile(), std::ios::binary);
    std::string line;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t a = line.find('\t'), b = a == std::string::npos ? a : line.find('\t', a + 1),
               c = b == std::string::npos ? b : line.find('\t', b + 1);
        if (c == std::string::npos) continue;
        Answer ans;
        ans.identity = line.substr(0, a);
        ans.kind = line.substr(a + 1, b - a - 1);
        ans.allowed = line.substr(b + 1, c - b - 1) == "S";
        ans.target = plat::utf8ToCp1252(unescapeField(line.substr(c + 1)));
        out.push_back(ans);
    }
    return out;
}

// Adds an answer; a failure keeps the old answers.
bool keepAnswer(const Answer& ans) {
    std::string file = answersFile();
    util::makeFolders(parentOf(file), 0700);
    std::string old;
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        old = ss.str();
    }
    if (old.empty()) old = "# Respostas dadas aos jogos: identidade, tipo, S ou N, alvo\n";
    if (old.back() != '\n') old += '\n';
    old += ans.identity + "\t" + ans.kind + "\t" + (ans.allowed ? "S" : "N") + "\t" +
           escapeField(plat::cp1252ToUtf8(ans.target)) + "\n";
    return util::writeFileAtomically(file, old).ok();
}

// Keys the game synthesized a moment ago may still be on their way to the window.
void settleSyntheticKeys() {
    if (!gSynthesized) return;
    const auto settle = std::chrono::milliseconds(700);
    while (std::chrono::steady_clock::now() - gLastSynthetic < settle) {
        con::delayMs(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    gSynthesized = false;
}

// One key: S allows, anything else refuses.  Only a key typed once the question has
// begun answers it: keys typed ahead, or synthesized by the game, are dropped first.
bool askPupil(const std::string& question) {
    settleSyntheticKeys();
    con::flushKeys();
    con::writeAndSpeak(question);
    uint8_t k = con::readKeyAndSpeak();
    if (k == 0) {
        con::readKey();
        k = 'N';
    }
    k = util::upperLatin(k);
    bool yes = k == 'S';
    con::writeLn(yes ? "S" : "N");
    return yes;
}

// What an answer is kept for: the game, the program asking when it is not one the game
// came with, and for a file run or opened, that file's contents.
std::string answerIdentity(Reach kind, const std::string& target) {
    std::string id = gSafe.identity;
    if (!gSafe.stranger.empty()) id = sha256Hex(id + "|" + gSafe.stranger);
    if (kind == Reach::RunFile || kind == Reach::OpenFile || kind == Reach::NewProgram) {
        std::string bytes;
        bool read = readFile(target, bytes, size_t(256) << 20);
        id = sha256Hex(id + "|" + (read ? sha256Hex(bytes) : std::string("?")));
    }
    return id;
}

}  // namespace

std::string userRoot() { return util::userDataDir() + "/raiz"; }

std::string answersFile() { return util::settingsDir() + "permissoes.txt"; }

void resetSafety() {
    gSafe = SafetyState();
    forgetGameFiles();
}

namespace {
// The console opens documents for the line editor (F12); during a game the
// word may be the game's own text, so the pupil says whether it opens.
bool documentGate(con::DocumentKind kind, const std::string& name) {
    if (!inGame()) return true;
    return allow(kind == con::DocumentKind::Program ? Reach::Run : Reach::Open, name);
}
}  // namespace

bool enterGame(const Scope& scope) {
    std::string folder = realOf(scope.folder.empty() ? "." : scope.folder);
    if (folder.empty()) return false;
    con::setDocumentGate(documentGate);
    gSafe.active = true;
    gSafe.name = scope.name;
    gSafe.folder = folder;
    gSafe.gamesFolder = scope.gamesFolder.empty() ? std::string() : realOf(scope.gamesFolder);
    // Collections share media side by side only when the game is one of them.
    if (!inside(folder, gSafe.gamesFolder)) gSafe.gamesFolder.clear();
    gSafe.programs.clear();
    gSafe.stranger.clear();
    if (!scope.program.empty()) gSafe.programs.insert(sha256Hex(scope.program));
    gSafe.identity = sha256Hex(scope.identity + std::string(1, '\0') + folderPrograms(folder, gSafe.programs));
    gSafe.session.clear();
    gSafe.startDir = plat::currentDir();
    resetWriteBudget();
    forgetGameFiles();  // until the player says which files are the game's own
    kernelWallOnEnter(gSafe.folder, gSafe.gamesFolder);
    return true;
}

void leaveGame() {
    // Whoever played the game (the editor, the main question) finds its folder as it left it.
    if (gSafe.active && !gSafe.startDir.empty()) {
        int rc = ::chdir(gSafe.startDir.c_str());
        (void)rc;  // a folder gone meanwhile leaves us where we are
    }
    gSafe.active = false;
    gSafe.session.clear();
    forgetGameFiles();
    gSafe.programs.clear();
    gSafe.stranger.clear();
}

bool inGame() { return gSafe.active; }

Scope programScope(const std::string& programName) {
    Scope s;
    std::string path = plat::mapPath(programName);
    size_t slash = path.find_last_of('/');
    s.folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    size_t sep = programName.find_last_of("\\/");
    s.name = sep == std::string::npos ? programName : programName.substr(sep + 1);
    plat::readFile(programName, s.identity, size_t(64) << 20);
    s.program = s.identity;
    return s;
}

Scope gameScope(const std::string& gameFile, const std::string& programName, const std::string& gamesRoot) {
    Scope s;
    if (gameFile.empty()) {
        s.folder = ".";
        s.name = programName;
    } else {
        std::string path = plat::mapPath(gameFile);
        size_t slash = path.find_last_of('/');
        s.folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
        s.name = gameFile;
        plat::readFile(gameFile, s.identity, size_t(64) << 20);
    }
    size_t sep = s.name.find_last_of("\\/");
    if (sep != std::string::npos) s.name = s.name.substr(sep + 1);
    if (!gamesRoot.empty()) s.gamesFolder = plat::mapPath(gamesRoot);
    if (!programName.empty()) {
        std::string program;
        plat::readFile(programName, program, size_t(64) << 20);
        s.identity += std::string(1, '\0') + program;
        s.program = program;
    }
    return s;
}

bool hasControl(const std::string& name) {
    for (char c : name)
        if (uint8_t(c) < 0x20 || c == 0x7f) return true;
    return false;
}

std::string resolve(const std::string& name, Access access) {
    if (name.empty() || hasControl(name)) return std::string();
    if (!gSafe.active || !testing::firstWallOn()) return plat::mapPath(name);
    std::string path;
    if (isDriveName(name)) {
        // Games made on Windows write into the data root: their writes go to the
        // user's copy of it, and their reads look there first.
        std::string rest = afterDrive(name);
        util::makeFolders(userRoot());
        std::string mine = realOf(userRoot());
        if (mine.empty()) return std::string();
        std::string base = plat::utf8ToCp1252(mine);
        std::string real = canonical(plat::mapPath(rest.empty() ? base : base + "\\" + rest));
        if (!inside(real, mine)) return std::string();
        if (access == Access::Write) {
            bool folderName = name.back() == '\\' || name.back() == '/';
            util::makeFolders(folderName ? real : parentOf(real));
            return real;
        }
        if (existsPath(real)) return real;
        path = canonical(plat::mapPath(name));
        std::string root = realOf(plat::familyRoot());
        return inside(path, root) ? path : std::string();
    }
    path = canonical(plat::mapPath(name));
    if (path.empty()) return path;
    if (inside(path, gSafe.folder)) return path;
    if (access == Access::Write) return std::string();
    if (inside(path, gSafe.gamesFolder)) return path;
    std::string root = realOf(plat::familyRoot());
    if (!root.empty() && inside(path, root)) return path;
    std::string mine = realOf(userRoot());
    if (!mine.empty() && inside(path, mine)) return path;
    return std::string();
}

std::string resolveNew(const std::string& name) {
    if (hasControl(name)) return std::string();
    size_t sep = name.find_last_of("\\/");
    std::string base = sep == std::string::npos ? name : name.substr(sep + 1);
    if (base.empty() || base == "." || base == "..") return resolve(name, Access::Write);
    std::string folder = sep == std::string::npos ? std::string(".") : name.substr(0, sep + 1);
    if (isDriveName(name) && sep == std::string::npos) folder = name.substr(0, 2) + "\\";
    std::string dir;
    if (!gSafe.active || !testing::firstWallOn()) {
        dir = plat::mapPath(folder);
        if (sep != std::string::npos && dir.empty()) dir = "/";
    } else {
        dir = resolve(folder, Access::Write);
        if (dir.empty()) return dir;
    }
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::string full = dir + plat::cp1252ToUtf8(base);
    if (!gSafe.active || !existsPath(full)) return full;
    // An existing name may be a link that leads out of the folder.
    std::string real = canonical(full);
    std::string mine = realOf(userRoot());
    if (inside(real, gSafe.folder) || (!mine.empty() && inside(real, mine))) return full;
    return std::string();
}

int openFile(const std::string& path, Access access, bool& refused) {
    refused = false;
    if (path.empty() || path.find('\0') != std::string::npos) {
        refused = true;
        return -1;
    }
    // Looked at before opening: opening a device may already do something.
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return -1;
    int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    flags |= access == Access::Write ? (O_WRONLY | O_APPEND | O_CREAT) : O_RDONLY;
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return -1;
    // What was opened is what counts: the name may have changed since it was looked at.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (access == Access::Write && st.st_nlink > 1)) {
        refused = S_ISREG(st.st_mode) && st.st_nlink > 1;
        ::close(fd);
        return -1;
    }
    // Regular files never block; the flag would only surprise later reads.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool readFile(const std::string& path, std::string& out, size_t maxBytes) {
    bool refused = false;
    int fd = openFile(path, Access::Read, refused);
    if (fd < 0) return false;
    out.clear();
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        if (out.size() + size_t(n) > maxBytes) {
            ok = false;
            break;
        }
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return ok;
}

ReadCheck checkRead(const std::string& name) {
    if (name.empty()) return ReadCheck::Ok;  // names nothing: its reader fails as before
    std::string path = resolve(name, Access::Read);
    if (path.empty()) return ReadCheck::Refused;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return ReadCheck::NotAFile;
    return ReadCheck::Ok;
}

bool mayRead(const std::string& name) {
    ReadCheck c = checkRead(name);
    if (c == ReadCheck::Refused) sayRefused(name);
    return c == ReadCheck::Ok;
}

void sayRefused(const std::string& name) {
    std::string shown = name;
    for (char& c : shown)
        if (uint8_t(c) < 0x20 || c == 0x7f) c = '?';  // a NUL would end the line where it is said
    con::writeLineAndSpeak(plat::cp("Acesso negado fora da pasta do jogo: ") + shown);
}

std::string reachText(Reach kind, const std::string& target) { return wantText(kind, target); }

std::string quotedGameName(const std::string& name) {
    std::string clean;
    for (char c : name) {
        if (uint8_t(c) < 0x20 || c == 0x7f) continue;
        clean += c == '"' ? '\'' : c;
    }
    clean = util::trim(clean);
    if (clean.size() > 40) clean = util::trim(clean.substr(0, 40));
    return "\"" + clean + "\"";
}

std::string systemProgram(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || hasControl(name) ||
        name.find_first_of("/\\") != std::string::npos)
        return std::string();
    const char* env = std::getenv("PATH");
    std::string list = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::string file = plat::cp1252ToUtf8(name);
    std::string mine = realOf(userRoot());
    std::stringstream ss(list);
    std::string dir;
    while (std::getline(ss, dir, ':')) {
        // An empty or relative entry means the current folder: the game's, as likely as not.
        if (dir.empty() || dir[0] != '/') continue;
        std::string realDir = realOf(dir);
        if (realDir.empty()) continue;
        if (gSafe.active && (inside(realDir, gSafe.folder) || inside(realDir, gSafe.gamesFolder) ||
                             (!mine.empty() && inside(realDir, mine))))
            continue;
        std::string path = realDir + "/" + file;
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) return path;
    }
    return std::string();
}

bool programLoaded(const std::string& path, const std::string& bytes) {
    if (!gSafe.active) return true;
    std::string digest = sha256Hex(bytes);
    if (gSafe.programs.count(digest)) {
        gSafe.stranger.clear();
        return true;
    }
    // Where the game may write, a program it did not come with is one it may have written.
    std::string real = canonical(path);
    std::string mine = realOf(userRoot());
    bool writable = inside(real, gSafe.folder) || (!mine.empty() && inside(real, mine));
    gSafe.stranger.clear();
    if (writable && !allow(Reach::NewProgram, real)) return false;
    gSafe.stranger = digest;
    return true;
}

void noteSyntheticKeys() {
    gLastSynthetic = std::chrono::steady_clock::now();
    gSynthesized = true;
}

bool allow(Reach kind, const std::string& target) {
    if (gSafe.active) {
        for (const std::string& t : trustedFolders())
            if (inside(gSafe.folder, t)) return true;
    }
    const char* word = kindWord(kind);
    const std::string identity = answerIdentity(kind, target);
    for (const Answer& a : gSafe.session)
        if (a.identity == identity && a.kind == word && a.target == target) return a.allowed;
    if (gSafe.active) {
        for (const Answer& a : loadAnswers())
            if (a.identity == identity && a.kind == word && a.target == target) return a.allowed;
    }
    std::string game = gSafe.active && !gSafe.name.empty() ? gSafe.name : std::string("sem nome");
    con::stopSpeech();
    // What and where first, in Ludivar's words; the game's own words (its name) last.
    std::string what = wantText(kind, target);
    if (!what.empty() && what[0] >= 'a' && what[0] <= 'z') what[0] = char(what[0] - 'a' + 'A');
    bool yes = askPupil(what + plat::cp("? Pedido do jogo ") + quotedGameName(game) + ". Permitir? S/N ");
    Answer ans;
    ans.identity = identity;
    ans.kind = word;
    ans.target = target;
    ans.allowed = yes;
    // Without a game there is nothing to tie the answer to beyond this run.
    if (!gSafe.active || !keepAnswer(ans)) gSafe.session.push_back(ans);
    if (!yes) con::writeLineAndSpeak(plat::cp("Não permitido: ") + wantText(kind, target));
    return yes;
}

}  // namespace safety
