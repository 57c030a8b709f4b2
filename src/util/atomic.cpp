#include "util/atomic.h"

#include <dirent.h>
#include <sys/mman.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <vector>

namespace util {

namespace {

constexpr std::string_view kTag = ".ludivar-";
constexpr size_t kUniqueLen = 6;  // mkstemp's XXXXXX

Result failedWith(int err) { return Result::failure(reasonInWords(err)); }

// The file a write replaces: with Follow, a link is followed so that it stays a link.
std::string targetOf(const std::string& path, AtLink atLink) {
    struct stat st;
    if (atLink == AtLink::Follow && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (::realpath(path.c_str(), buf)) return buf;
    }
    return path;
}

// A writer holds a lock on its temporary while it writes, so one that can be locked
// was left by a run that died.  An empty one made this very moment may belong to a
// writer that is about to lock it.
void removeStaleTemporaries(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    while (dirent* e = ::readdir(d))
        if (isAtomicTemporary(e->d_name)) stale.push_back(e->d_name);
    ::closedir(d);
    for (const std::string& n : stale) {
        const std::string path = dir + "/" + n;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        const bool fresh = ::fstat(fd, &st) == 0 && st.st_size == 0 && std::time(nullptr) - st.st_mtime < 60;
        if (!fresh && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
        ::close(fd);
    }
}

std::mutex gHandedLock;
std::string gHandedFolder;
FolderWriter gHandedWriter;

// "a//b/" and "a/b" name the same folder.
std::string folderKey(const std::string& dir) {
    std::string k;
    for (char c : dir)
        if (!(c == '/' && !k.empty() && k.back() == '/')) k += c;
    while (k.size() > 1 && k.back() == '/') k.pop_back();
    return k;
}

FolderWriter handedWriterFor(const std::string& dir) {
    std::lock_guard<std::mutex> hold(gHandedLock);
    if (gHandedFolder.empty() || folderKey(dir) != gHandedFolder) return nullptr;
    return gHandedWriter;
}

Result writeThroughHandedWriter(const FolderWriter& writer, const std::string& base,
                                const std::function<Result(int fd)>& fill) {
    const int fd = ::memfd_create("ludivar-escrita", MFD_CLOEXEC);
    if (fd < 0) return failedWith(errno);
    Result r = fill(fd);
    if (r && ::lseek(fd, 0, SEEK_SET) != 0) r = failedWith(errno);
    if (r) r = writer(base, fd);
    ::close(fd);
    return r;
}

}  // namespace

void handFolderWritesTo(const std::string& folder, FolderWriter writer) {
    std::lock_guard<std::mutex> hold(gHandedLock);
    gHandedFolder = folder.empty() ? std::string() : folderKey(folder);
    gHandedWriter = std::move(writer);
}

bool writeAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    size_t n = bytes.size();
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= size_t(w);
    }
    return true;
}

bool isAtomicTemporary(std::string_view n) {
    if (n.size() < 2 + kTag.size() + kUniqueLen || n[0] != '.') return false;
    const std::string_view unique = n.substr(n.size() - kUniqueLen);
    for (char c : unique)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return n.substr(n.size() - kUniqueLen - kTag.size(), kTag.size()) == kTag;
}

Result writeFileAtomically(const std::string& path, const std::function<Result(int fd)>& fill, AtLink atLink) {
    if (path.empty()) return Result::failure("nome vazio");
    const std::string target = targetOf(path, atLink);
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) return Result::failure("nome vazio");
    if (FolderWriter handed = handedWriterFor(dir)) return writeThroughHandedWriter(handed, base, fill);

    struct stat st;
    const bool existed = ::lstat(target.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) return failedWith(EISDIR);
    // A file without write permission is a protected copy: never replaced.
    if (existed && S_ISREG(st.st_mode) && (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        return failedWith(EACCES);
    removeStaleTemporaries(dir);
    mode_t mode;
    if (existed && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string tmp = dir + "/." + base + std::string(kTag) + "XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return failedWith(errno);
    ::flock(fd, LOCK_EX);  // ours while we write: see removeStaleTemporaries
    auto abandon = [&](Result why) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return why;
    };
    if (::fchmod(fd, mode) != 0) return abandon(failedWith(errno));
    if (Result filled = fill(fd); !filled) return abandon(filled);
    if (::fsync(fd) != 0) return abandon(failedWith(errno));
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return failedWith(err);
    }
    if (std::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return failedWith(err);
    }
    // The new name must reach the disk too; a folder that cannot be synced is not an error.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return Result::success();
}

Result writeFileAtomically(const std::string& path, std::string_view bytes, AtLink atLink) {
    return writeFileAtomically(
        path, [bytes](int fd) { return writeAll(fd, bytes) ? Result::success() : failedWith(errno); }, atLink);
}

Result copyFileAtomically(const std::string& from, const std::string& to, AtLink atLink) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return failedWith(errno);
    Result r = writeFileAtomically(
        to,
        [in](int out) {
            char buf[65536];
            for (;;) {
                const ssize_t n = ::read(in, buf, sizeof buf);
                if (n == 0) return Result::success();
                if (n < 0) {
                    if (errno == EINTR) continue;
                    return failedWith(errno);
                }
                if (!writeAll(out, std::string_view(buf, size_t(n)))) return failedWith(errno);
            }
        },
        atLink);
    ::close(in);
    return r;
}

std::string reasonInWords(int err) {
    switch (err) {
        case EACCES:
        case EPERM: return "sem permiss\xE3o para gravar";
        case ENOSPC:
        case EDQUOT: return "disco cheio";
        case EROFS: return "disco s\xF3 de leitura";
        case ENOENT:
        case ENOTDIR: return "a pasta n\xE3o existe";
        case EISDIR: return "o nome \xE9 de uma pasta";
        case ENAMETOOLONG: return "nome longo demais";
        case EFBIG: return "arquivo grande demais";
        case EIO: return "erro de leitura ou grava\xE7\xE3o no disco";
        default: return "erro do sistema n\xFAmero " + std::to_string(err);
    }
}

}  // namespace util
