// Commands that work with files, folders and other programs: the ten channels,
// deleting, renaming and copying files, folders, directory searches and
// starting programs.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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
    if (std::fflush(c.file) != 0) ok = false;
    s.status = ok ? 0 : (errno ? errno : kWriteFault);
    std::clearerr(c.file);
    return true;
}

int readChannelLine(int n, std::string& out) {
    out.clear();
    ScriptChannel& c = state().channels[size_t(n)];
    if (!c.open || !c.file || c.mode != ChannelMode::Read) return 1;
    errno = 0;
    int ch = std::getc(c.file);
    if (ch == EOF) {
        int rc = std::ferror(c.file) ? (errno ? errno : 100) : 1;
        std::clearerr(c.file);
        return rc;
    }
    bool tooLong = false;
    while (ch != EOF && ch != '\n') {
        if (out.size() < kMaxValue) out.push_back(char(ch));
        else tooLong = true;
        ch = std::getc(c.file);
    }
    if (!out.empty() && out.back() == '\r') out.pop_back();
    if (ch == EOF && std::ferror(c.file)) {
        int rc = errno ? errno : 100;
        std::clearerr(c.file);
        return rc;
    }
    if (tooLong) {
        out.clear();
        return -1;
    }
    // Data files written on Linux are UTF-8: read the way a program is.
    out = toWorkingCodePage(std::move(out));
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
        bool refused = false;
        int fd = safety::openFile(path, access, refused);
        if (refused) {
            safety::sayRefused(name);
            state().status = kAccessDenied;
            return false;
        }
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
    if (c.open && c.file) failed = std::fclose(c.file) != 0;
    closeNetwork(c);
    c = ScriptChannel();
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
    bool ok = !isDirectory(path) && ::unlink(path.c_str()) == 0;
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
    bool ok = !src.empty() && !dst.empty() && stat(src.c_str(), &st) == 0 &&
              (stat(dst.c_str(), &st) != 0 || sameFile(src, dst)) && std::rename(src.c_str(), dst.c_str()) == 0;
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
                break;
            case 1:
                if (!reach(name, safety::Access::Write, path)) return lenient;
                ok = ::rmdir(path.c_str()) == 0;
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
    // Addresses open in the browser; anything else runs on the pupil's machine.
    std::string what = params.empty() ? name : name + " " + params;
    bool address = name.find("://") != std::string::npos || startsWithUpper(name, "WWW.") ||
                   startsWithUpper(name, "MAILTO:");
    if (!safety::allow(address ? safety::Reach::Open : safety::Reach::Run, what)) {
        state().status = 5;  // access denied, as the file layer reports it
        return false;
    }
    con::waitSpeech();
    int pid = plat::shellOpen(name, params);
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
