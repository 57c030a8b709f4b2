// Commands that work with files, folders and other programs: the ten channels,
// deleting, renaming and copying files, folders, directory searches and
// starting programs.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <thread>

#include "console/config.h"
#include "console/console.h"
#include "console/textwin.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "safety/budget.h"
#include "safety/ownership.h"
#include "safety/safety.h"
#include "script/interp.h"
#include "util/atomic.h"
#include "util/result.h"
#include "util/text.h"

namespace script {

namespace {

// The I/O error numbers of the original's file layer where Linux has none.
constexpr int kNotOpenForOutput = 105;
constexpr int kWriteFault = 101;

bool isDirectory(const std::string& linuxPath) {
    struct stat st;
    return stat(linuxPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void say(const std::string& text) { con::writeLineAndSpeak(text); }

// The status a refused name leaves, as the file layer reports a denied access.
constexpr int kAccessDenied = 5;

// The Linux path of a name the game may use this way; otherwise the pupil hears
// what was refused and the status says so.  The command then fails, unless its
// "&" form asked to go on (as it does after any failure).
bool reach(const std::string& name, safety::Access access, std::string& path) {
    path = safety::resolve(name, access);
    if (!path.empty()) return true;
    safety::sayRefused(name);
    state().status = kAccessDenied;
    return false;
}

bool reachNew(const std::string& name, std::string& path) {
    path = safety::resolveNew(name);
    if (!path.empty()) return true;
    safety::sayRefused(name);
    state().status = kAccessDenied;
    return false;
}

bool exists(const std::string& linuxPath) {
    struct stat st;
    return lstat(linuxPath.c_str(), &st) == 0;
}

// A file of the game's folder that is not the game's own (another game's, the
// teacher's) changes only when the pupil allows it; the status says a refusal.
bool allowedChange(const std::string& path, safety::Change change) {
    if (safety::mayChange(path, change)) return true;
    state().status = kAccessDenied;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Channels

void closeChannel(int n) {
    if (n < 0 || n >= kChannelCount) return;
    ScriptChannel& c = state().channels[size_t(n)];
    if (c.file) std::fclose(c.file);
    closeNetwork(c);
    c = ScriptChannel();
}

void closeAllChannels() {
    for (int n = 0; n < kChannelCount; ++n) closeChannel(n);
}

namespace {

int writeErrorNumber() { return errno ? errno : kWriteFault; }

// Takes the failure a flush left on the channel: it is reported once.
int takeWriteError(ScriptChannel& c) {
    int e = c.writeError;
    c.writeError = 0;
    return e;
}

}  // namespace

void flushChannels() {
    State& s = state();
    for (ScriptChannel& c : s.channels) {
        if (!c.open || !c.file || c.mode != ChannelMode::Append) continue;
        errno = 0;
        if (std::fflush(c.file) != 0 && c.writeError == 0) c.writeError = writeErrorNumber();
        std::clearerr(c.file);
    }
    s.unwritten = false;
    s.lastFlush = std::chrono::steady_clock::now();
}

bool writeChannel(int n, const std::string& text, bool lineEnd) {
    State& s = state();
    ScriptChannel& c = s.channels[size_t(n)];
    if (!c.open || !c.file) return false;
    if (c.mode != ChannelMode::Append) {
        s.status = kNotOpenForOutput;
        return true;
    }
    errno = 0;
    bool ok = std::fwrite(text.data(), 1, text.size(), c.file) == text.size();
    if (ok && lineEnd) ok = std::fwrite("\r\n", 1, 2, c.file) == 2;
    int failed = ok ? 0 : writeErrorNumber();
    std::clearerr(c.file);
    // An earlier buffered line that could not be written is told first.
    int earlier = takeWriteError(c);
    s.status = earlier ? earlier : failed;
    s.unwritten = true;
    return true;
}

// How much of a read channel's file is taken at a time.
constexpr size_t kReadPiece = 64 * 1024;

int readChannelLine(int n, std::string& out) {
    out.clear();
    ScriptChannel& c = state().channels[size_t(n)];
    if (!c.open || !c.file || c.mode != ChannelMode::Read) return 1;
    // A read channel is read only here: its lines are cut from a buffer of its
    // own, filled straight from the file, rather than a character at a time.
    if (c.received.empty()) c.received.resize(kReadPiece);
    const int fd = fileno(c.file);
    bool any = false, tooLong = false, crDropped = false;
    for (;;) {
        if (c.receivePos == c.receiveFill) {
            ssize_t got;
            do got = ::read(fd, c.received.data(), c.received.size());
            while (got < 0 && errno == EINTR);
            c.receivePos = c.receiveFill = 0;
            if (got < 0) return errno ? errno : 100;
            if (got == 0) {
                if (!any) return 1;  // the end of the file
                break;               // its last line, without a line break
            }
            c.receiveFill = size_t(got);
        }
        any = true;
        const char* from = c.received.data() + c.receivePos;
        const size_t avail = c.receiveFill - c.receivePos;
        const char* nl = static_cast<const char*>(std::memchr(from, '\n', avail));
        const size_t take = nl ? size_t(nl - from) : avail;
        // The CR of a CR LF in the same piece is left out here rather than taken off after.
        crDropped = nl && take > 0 && from[take - 1] == '\r';
        const size_t keep = take - (crDropped ? 1 : 0);
        const size_t room = kMaxValue - out.size();
        out.append(from, std::min(keep, room));
        tooLong = tooLong || take > room;  // counted with its CR, as a line too long always was
        c.receivePos += take + (nl ? 1 : 0);
        if (nl) break;
    }
    if (!crDropped && !out.empty() && out.back() == '\r') out.pop_back();
    if (tooLong) {
        out.clear();
        return -1;
    }
    // Data files written on Linux are UTF-8: read the way a program is.  A line
    // of ASCII alone reads the same either way.
    bool ascii = true;
    for (char ch : out) ascii &= uint8_t(ch) < 0x80;
    if (!ascii) out = toWorkingCodePage(std::move(out));
    return 0;
}

namespace {

bool cmdAbre(std::string_view arg) {
    bool append = takeAmpersand(arg);
    std::string name;
    int n = readChannel(arg);
    bool parsed = n >= 0 && !arg.empty() && readOperand(arg, name) && !name.empty() && arg.empty();
    std::FILE* f = nullptr;
    if (parsed) {
        std::string path;
        safety::Access access = append ? safety::Access::Write : safety::Access::Read;
        if (!reach(name, access, path)) return false;
        const bool existed = append && exists(path);
        bool refused = false;
        int fd = safety::openFile(path, access, refused);
        if (refused) {
            safety::sayRefused(name);
            state().status = kAccessDenied;
            return false;
        }
        // Asked once the file is known to be one that can be written: appending has changed nothing yet.
        if (fd >= 0 && existed && !allowedChange(path, safety::Change::Write)) {
            ::close(fd);
            return false;
        }
        if (fd >= 0 && append && !existed) safety::noteMade(path, false);
        if (fd >= 0 && !(f = ::fdopen(fd, append ? "ab" : "rb"))) ::close(fd);
    }
    if (!f) {
        say(plat::cp("Erro na abertura do arquivo ") + name);
        return false;
    }
    // A channel opened again lets go of its old file first.
    closeChannel(n);
    ScriptChannel& c = state().channels[size_t(n)];
    c.open = true;
    c.network = false;
    c.mode = append ? ChannelMode::Append : ChannelMode::Read;
    c.file = f;
    return true;
}

bool cmdFecha(std::string_view arg) {
    int n = readChannel(arg);
    if (n < 0) {
        say("Erro no fechamento do arquivo");
        return false;
    }
    ScriptChannel& c = state().channels[size_t(n)];
    bool failed = false;
    int writeFailed = 0;
    if (c.open && c.file) {
        // What is still buffered goes now; a line that cannot be written is a
        // write error, told in the status as ESCREVE tells it.
        errno = 0;
        if (c.mode == ChannelMode::Append && std::fflush(c.file) != 0) writeFailed = writeErrorNumber();
        int earlier = takeWriteError(c);
        if (earlier) writeFailed = earlier;
        failed = std::fclose(c.file) != 0 && !writeFailed;
    }
    closeNetwork(c);
    c = ScriptChannel();
    if (writeFailed) state().status = writeFailed;
    if (failed) {
        say("Erro no fechamento do arquivo");
        return false;
    }
    return true;
}

bool cmdRemove(std::string_view arg) {
    if (arg.empty()) return false;
    bool lenient = takeAmpersand(arg);
    std::string name;
    // A name followed by more text is refused: deleting what a half-read line
    // happens to name is worse than stopping.
    if (!readOperand(arg, name) || name.empty() || !arg.empty()) return false;
    std::string path;
    if (!reach(name, safety::Access::Write, path)) return lenient;
    if (exists(path) && !isDirectory(path) && !allowedChange(path, safety::Change::Remove)) return lenient;
    bool ok = !isDirectory(path) && ::unlink(path.c_str()) == 0;
    if (ok) safety::noteGone(path);
    if (ok || lenient) return true;
    say(plat::cp("Erro no apagamento do arquivo ") + name);
    return false;
}

bool cmdRenomeia(std::string_view arg) {
    if (arg.empty()) return false;
    bool lenient = takeAmpersand(arg);
    std::string from, to;
    if (!readOperand(arg, from) || !readOperand(arg, to) || !arg.empty()) return false;
    std::string src, dst;
    if (!reach(from, safety::Access::Write, src) || !reachNew(to, dst)) return lenient;
    struct stat st;
    // Renaming never replaces another file (it would be lost); only the same
    // file under another case may be "replaced".
    bool possible = !src.empty() && !dst.empty() && stat(src.c_str(), &st) == 0 &&
                    (stat(dst.c_str(), &st) != 0 || sameFile(src, dst));
    if (possible && !allowedChange(src, safety::Change::Rename)) return lenient;
    bool ok = possible && std::rename(src.c_str(), dst.c_str()) == 0;
    if (ok) safety::noteMoved(src, dst);
    return ok || lenient;
}

bool cmdReplica(std::string_view arg) {
    if (arg.empty()) return false;
    bool lenient = takeAmpersand(arg);
    std::string from, to;
    if (!readOperand(arg, from) || !readOperand(arg, to) || !arg.empty()) return false;
    std::string src, dst;
    if (!reach(from, safety::Access::Read, src) || !reachNew(to, dst)) return lenient;
    bool refused = false;
    int inFd = safety::openFile(src, safety::Access::Read, refused);
    std::FILE* in = inFd >= 0 ? ::fdopen(inFd, "rb") : nullptr;
    if (!in) {
        if (inFd >= 0) ::close(inFd);
        return lenient;
    }
    struct stat inStat;
    if (fstat(inFd, &inStat) != 0 || !safety::chargeWrite(uint64_t(inStat.st_size))) {
        std::fclose(in);
        safety::sayWriteBudgetSpent(to);
        return lenient;
    }
    // Copying a file onto itself would empty it before the first read.
    if (sameFile(src, dst)) {
        std::fclose(in);
        return lenient;
    }
    const bool existed = exists(dst);
    if (existed && !allowedChange(dst, safety::Change::Replace)) {
        std::fclose(in);
        return lenient;
    }
    // The copy is written beside its target and renamed over it at the end, so
    // a failed copy leaves the old file whole; a link in the target's place is
    // replaced, never written through.
    bool readFailed = false;
    std::vector<char> buf(30000);
    auto copy = [&](int fd) {
        for (;;) {
            size_t n = std::fread(buf.data(), 1, buf.size(), in);
            if (n > 0 && !util::writeAll(fd, std::string_view(buf.data(), n)))
                return util::Result::failure(util::reasonInWords(errno));
            if (n < buf.size()) {
                // A read error is not retried: the same error would come again.
                readFailed = std::ferror(in) != 0;
                return readFailed ? util::Result::failure(util::reasonInWords(EIO)) : util::Result::success();
            }
        }
    };
    const util::Result copied = util::writeFileAtomically(dst, copy, util::AtLink::Replace);
    std::fclose(in);
    if (copied.ok() && !existed) safety::noteMade(dst, false);
    if (!copied && !lenient)
        say(readFailed ? plat::cp("Erro no processamento de arquivo ") + from : plat::cp("Erro na escrita de arquivo ") + to);
    return copied.ok() || lenient;
}

bool cmdDir(std::string_view arg) {
    bool lenient = takeAmpersand(arg);
    int op;
    if (startsWithUpper(arg, "CRIA ")) op = 0;
    else if (startsWithUpper(arg, "REMOVE ")) op = 1;
    else if (startsWithUpper(arg, "TROCA ")) op = 2;
    else return false;
    arg = util::trimView(arg.substr(arg.find(' ')));
    std::string name;
    if (!readOperand(arg, name) || !arg.empty()) return false;
    bool ok = false;
    if (!name.empty()) {
        std::string path;
        switch (op) {
            case 0:
                if (!reachNew(name, path)) return lenient;
                ok = ::mkdir(path.c_str(), 0777) == 0;
                if (ok) safety::noteMade(path, true);
                break;
            case 1:
                if (!reach(name, safety::Access::Write, path)) return lenient;
                if (isDirectory(path) && !allowedChange(path, safety::Change::RemoveFolder)) return lenient;
                ok = ::rmdir(path.c_str()) == 0;
                if (ok) safety::noteGone(path);
                break;
            default:
                if (!reach(name, safety::Access::Read, path)) return lenient;
                ok = game::enterFolderPath(path);
                break;
        }
    }
    if (ok || lenient) return true;
    say(plat::cp("Erro no processamento do diretório ") + name);
    return false;
}

// ---------------------------------------------------------------------------
// Directory searches with the wildcards of Windows names.

bool wildMatch(std::string_view mask, std::string_view name) {
    size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (m < mask.size() &&
                   (mask[m] == '?' || util::upperLatin(uint8_t(mask[m])) == util::upperLatin(uint8_t(name[n])))) {
            ++m;
            ++n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && (mask[m] == '*' || mask[m] == '?')) ++m;
    return m == mask.size();
}

void startSearch(const std::string& pattern, bool folders) {
    DirSearch& d = state().search;
    d = DirSearch();
    d.active = true;
    d.wanted = folders ? 16 : 32;
    size_t sep = pattern.find_last_of("\\/");
    std::string dir = sep == std::string::npos ? std::string(".") : pattern.substr(0, sep + 1);
    std::string mask = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
    if (mask.empty()) return;
    if (mask == "*.*") mask = "*";  // as on Windows, names without a dot match too
    // Only folders the game may read are listed.
    std::string path = safety::resolve(dir, safety::Access::Read);
    std::vector<plat::DirEntry> entries;
    if (path.empty() || !plat::listDir(plat::utf8ToCp1252(path), entries)) return;
    std::sort(entries.begin(), entries.end(), [](const plat::DirEntry& a, const plat::DirEntry& b) {
        std::string ua = util::upperLatin(a.name), ub = util::upperLatin(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
    for (const plat::DirEntry& e : entries) {
        if (e.name.empty() || e.name[0] == '.') continue;  // hidden on Linux
        if (!folders && e.isDir) continue;
        if (!wildMatch(mask, e.name)) continue;
        d.names.push_back(e.name);
        d.isDir.push_back(e.isDir);
    }
}

bool cmdBusca(std::string_view arg) {
    std::string* var = readTarget(arg);
    if (!var) return false;
    bool folders = false;
    if (startsWithUpper(arg, "DIR")) {
        arg = util::trimView(arg.substr(std::min<size_t>(4, arg.size())));
        folders = true;
    }
    DirSearch& d = state().search;
    std::string result;
    if (startsWithUpper(arg, "PROXIMO") || startsWithUpper(arg, plat::cp("PRÓXIMO"))) {
        if (!util::trimView(arg.substr(7)).empty()) return false;
        while (d.active && d.next < d.names.size()) {
            size_t i = d.next++;
            if (bool(d.isDir[i]) == (d.wanted == 16)) {
                result = d.names[i];
                break;
            }
        }
    } else if (!arg.empty()) {
        std::string pattern;
        if (!readOperand(arg, pattern) || !arg.empty()) return false;
        if (pattern.size() > 144) pattern.resize(144);
        startSearch(pattern, folders);
        if (!d.names.empty()) {
            result = d.names[0];  // the first entry may be a file even in a folder search
            d.next = 1;
        }
    } else {
        result = plat::utf8ToCp1252(plat::currentDir());
    }
    return assign(var, util::trimView(result));
}

// ---------------------------------------------------------------------------
// Starting other programs

// How an EXECUTA name is started, and what the pupil is asked for it.
struct Launch {
    enum How { None, Spawn, Opener } how = None;
    bool refused = false;  // None because the game may not reach the name
    safety::Reach kind = safety::Reach::Run;
    std::string asked;     // the question's target
    std::string path;      // what is spawned or handed to the opener (Linux, UTF-8)
};

bool startsWithNoCase(const std::string& s, const char* prefix) {
    return util::upperLatin(s.substr(0, std::strlen(prefix))) == util::upperLatin(prefix);
}

// Schemes the system opener hands to a browser or mail program; others may start any handler.
bool isAddress(const std::string& name) {
    for (const char* p : {"http://", "https://", "ftp://", "mailto:", "www."})
        if (startsWithNoCase(name, p)) return true;
    return false;
}

Launch planLaunch(const std::string& name, const std::string& params) {
    Launch l;
    if (name.empty() || safety::hasControl(name) || safety::hasControl(params)) return l;
    if (isAddress(name)) {
        // The opener takes a name without a scheme for a file: an address gets its scheme.
        std::string url = startsWithNoCase(name, "www.") ? "http://" + name : name;
        l.how = Launch::Opener;
        l.kind = safety::Reach::Address;
        l.asked = url;
        l.path = plat::cp1252ToUtf8(url);
        return l;
    }
    if (name.find_first_of("/\\:") == std::string::npos) {
        std::string program = safety::systemProgram(name);
        if (!program.empty()) {
            l.how = Launch::Spawn;
            l.kind = safety::Reach::SystemProgram;
            l.asked = params.empty() ? name : name + " " + params;
            l.path = program;
            return l;
        }
    }
    // A file the game may read, named in the question by its own name and folder.
    std::string path = safety::resolve(name, safety::Access::Read);
    struct stat st;
    if (path.empty() && !name.empty() && name[0] == '/') {
        // A system program named by its whole path: the question names the very file
        // that runs (links followed); documents outside the game stay out of reach.
        char real[PATH_MAX];
        if (::realpath(plat::cp1252ToUtf8(name).c_str(), real) && stat(real, &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(real, X_OK) == 0) {
            l.how = Launch::Spawn;
            l.kind = safety::Reach::RunFile;
            l.path = l.asked = real;
            return l;
        }
    }
    if (path.empty()) {
        l.refused = true;
        return l;
    }
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return l;
    l.path = path;
    l.asked = path;
    if (::access(path.c_str(), X_OK) == 0) {
        l.how = Launch::Spawn;
        l.kind = safety::Reach::RunFile;
    } else {
        l.how = Launch::Opener;
        l.kind = safety::Reach::OpenFile;
    }
    return l;
}

bool cmdExecuta(std::string_view arg) {
    bool noWait = takeAmpersand(arg);
    std::string v;
    if (!readOperand(arg, v) || !arg.empty()) return false;
    std::string name, params;
    if (!v.empty() && v[0] == '"') {
        size_t q = v.find('"', 1);
        if (q == std::string::npos) {
            name = v.substr(1);
        } else {
            name = v.substr(1, q - 1);
            params = util::trim(std::string_view(v).substr(q + 1));
        }
    } else {
        size_t sp = v.find(' ');
        name = v.substr(0, sp);
        if (sp != std::string::npos) params = v.substr(sp + 1);
    }
    // The original handed these over in 512-byte buffers.
    if (name.size() > 511) name.resize(511);
    if (params.size() > 511) params.resize(511);
    // What the pupil is asked is exactly what runs: an address goes to the system's
    // opener, a bare program name is looked up only in the system's program path, and
    // a file of the game is named as that file in the question.
    Launch l = planLaunch(name, params);
    if (l.how == Launch::None) {
        if (l.refused) {
            state().status = 5;
            safety::sayRefused(name);
        }
        return false;
    }
    if (!safety::allow(l.kind, l.asked)) {
        state().status = 5;  // access denied, as the file layer reports it
        return false;
    }
    con::waitSpeech();
    int pid = l.how == Launch::Spawn ? plat::spawnProgram(l.path, plat::splitCommandLine(params))
                                     : plat::openWithDesktop(l.path);
    if (pid < 0) return false;
    if (!noWait) {
        // The program's turn ends when it does; the console keeps pumping meanwhile.
        while (plat::processRunning(pid) && !plat::programStopRequested()) {
            con::delayMs(100);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        int ms = con::settings().programReturnWaitMs;
        con::delayMs(ms);
    }
    return true;
}

}  // namespace

std::vector<CommandEntry> fileCommands() {
    return {
        {"ABRE", cmdAbre},       {"FECHA", cmdFecha}, {"REMOVE", cmdRemove}, {"RENOMEIA", cmdRenomeia},
        {"REPLICA", cmdReplica}, {"DIR", cmdDir},     {"BUSCA", cmdBusca},   {"EXECUTA", cmdExecuta},
    };
}

}  // namespace script
