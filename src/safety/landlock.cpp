#include "safety/landlock.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/files.h"
#include "platform/process.h"
#include "util/atomic.h"
#include "util/folders.h"
#include "util/log.h"

extern char** environ;

// Older headers stop at ABI 2; the kernel tells which of these it knows.
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif

namespace safety {

namespace {

constexpr uint64_t kRead = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;
constexpr uint64_t kExec = LANDLOCK_ACCESS_FS_EXECUTE;
constexpr uint64_t kWriteFile = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_TRUNCATE;
constexpr uint64_t kWrite = kWriteFile | LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
                            LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                            LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_REFER;
// What a rule on a file (not a folder) may carry.
constexpr uint64_t kFileRights = kRead & ~uint64_t(LANDLOCK_ACCESS_FS_READ_DIR);

// Every right of each ABI we know; newer ones (device ioctls, the network) are not restricted.
uint64_t handledFor(int abi) {
    uint64_t all = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;  // ABI 1: bits 0..12
    if (abi >= 2) all |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3) all |= LANDLOCK_ACCESS_FS_TRUNCATE;
    return all;
}

bool gArmed = false, gUp = false, gNoticeSaid = false;
bool gFirstWall = true;
std::vector<std::string> gUserOutputs;

void sayOnce(const std::string& why) {
    if (gNoticeSaid) return;
    gNoticeSaid = true;
    util::log("ludivar: " + why + "; o jogo fica só com o confinamento do próprio programa");
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v == '/' ? std::string(v) : fallback;
}

std::string home() { return envOr("HOME", std::string()); }

bool addRule(int ruleset, const std::string& path, uint64_t rights, uint64_t handled) {
    const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return true;  // nothing there: nothing to allow
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return true;
    }
    if (!S_ISDIR(st.st_mode)) rights &= kFileRights | kWriteFile | kExec;
    landlock_path_beneath_attr attr{};
    attr.allowed_access = rights & handled;
    attr.parent_fd = fd;
    const long rc = ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &attr, 0);
    const int err = errno;
    ::close(fd);
    if (rc != 0 && err != EINVAL) return false;
    return true;
}

// ---- the launcher ----------------------------------------------------------------

constexpr size_t kMaxRequest = 64 * 1024;
constexpr size_t kMaxArgs = 256;
int gLauncher = -1;
std::mutex gLauncherLock;

// In the launcher: cwd, program and arguments, NUL-separated, make one request.
int spawnRequest(const char* data, size_t size) {
    if (size == 0 || data[size - 1] != '\0') return -1;
    std::vector<const char*> parts;
    for (size_t at = 0; at < size; at += std::strlen(data + at) + 1) parts.push_back(data + at);
    if (parts.size() < 2 || parts.size() > kMaxArgs + 2 || parts[0][0] != '/' || parts[1][0] == '\0') return -1;
    std::vector<char*> argv;
    for (size_t i = 1; i < parts.size(); ++i) argv.push_back(const_cast<char*>(parts[i]));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&fa);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addchdir_np(&fa, parts[0]);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&fa, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, reset;
    sigemptyset(&none);
    sigemptyset(&reset);
    sigaddset(&reset, SIGCHLD);  // ignored here so that children reap themselves, not in them
    sigaddset(&reset, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &reset);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? int(pid) : -1;
}

// A request that starts with this byte (a folder never does) writes a file of the
// settings folder: the name follows, and the contents come as a descriptor.
constexpr char kWriteRequest = '\x01';
constexpr off_t kMaxSettingsFile = 16 << 20;

// In the launcher: replaces `name` in the settings folder with what `fd` holds.  The
// answer is 0 or an errno value.
int32_t writeRequest(const std::string& folder, const std::string& name, int fd) {
    if (fd < 0 || name.empty() || name.size() > 255 || name[0] == '.' || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return EINVAL;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxSettingsFile) return EINVAL;
    std::string bytes(size_t(st.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return EIO;
        got += size_t(n);
    }
    util::makeFolders(folder, 0700);
    return util::writeFileAtomically(folder + "/" + name, bytes).ok() ? 0 : EIO;
}

[[noreturn]] void launcherLoop(int sock, pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(0);
    ::signal(SIGCHLD, SIG_IGN);
    ::signal(SIGINT, SIG_IGN);  // Ctrl+C in the terminal is for the program, which ends us
    // Nothing of the program's but the standard streams and our socket stays open here.
    if (::dup2(sock, 3) < 0) ::_exit(1);
    if (::syscall(SYS_close_range, 4u, ~0u, 0u) != 0)
        for (int fd = 4; fd < 1024; ++fd) ::close(fd);
    // The folder as it was named when the program started; the game cannot change it.
    const std::string settings = util::settingsDir();
    std::vector<char> buf(kMaxRequest);
    for (;;) {
        iovec iov{buf.data(), buf.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(3, &msg, MSG_CMSG_CLOEXEC);
        if (n == 0) ::_exit(0);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::_exit(0);
        }
        int fd = -1;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS && c->cmsg_len == CMSG_LEN(sizeof(int)))
                std::memcpy(&fd, CMSG_DATA(c), sizeof fd);
        int32_t answer;
        if (buf[0] == kWriteRequest)
            answer = writeRequest(settings, std::string(buf.data() + 1, size_t(n) - 1), fd);
        else
            answer = spawnRequest(buf.data(), size_t(n));
        if (fd >= 0) ::close(fd);
        if (::send(3, &answer, sizeof answer, MSG_NOSIGNAL) != sizeof answer) ::_exit(0);
    }
}

void startLauncher() {
    if (gLauncher >= 0) return;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pair[0]);
        ::close(pair[1]);
        return;
    }
    if (pid == 0) {
        ::close(pair[0]);
        launcherLoop(pair[1], parent);
    }
    ::close(pair[1]);
    gLauncher = pair[0];
    plat::setSpawnHook(launchThroughHelper);
}

}  // namespace

int landlockAbi() {
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi > 0 ? int(abi) : 0;
}

WallPaths wallPaths(const std::string& gameFolder, const std::string& gamesFolder) {
    WallPaths p;
    const std::string h = home(), data = util::userDataDir();
    const std::string config = envOr("XDG_CONFIG_HOME", h.empty() ? std::string() : h + "/.config");
    const std::string cache = envOr("XDG_CACHE_HOME", h.empty() ? std::string() : h + "/.cache");
    if (!gameFolder.empty()) p.write.push_back(gameFolder);
    if (!gamesFolder.empty()) p.read.push_back(gamesFolder);
    p.read.push_back(plat::familyRoot());
    // Ludivar's own data is read whole (the games may live in it) and written only where the
    // program writes: the user's copy of the data root, the game files, progress and results.
    p.read.push_back(data);
    for (const char* own : {"/raiz", "/proprios", "/progresso", "/resultados"}) p.write.push_back(data + own);
    // The settings say what the program trusts and what the pupil allowed: read here, and
    // written only by the launcher on the program's behalf (see handFolderWritesTo).
    p.read.push_back(util::settingsDir());
    p.write.push_back(util::userStateDir());
    p.write.push_back(envOr("TMPDIR", "/tmp"));
    p.write.push_back("/dev/shm");
    // The speech server, the sound server, the desktop bus and the display keep sockets and
    // shared memory in the runtime folder.
    if (const char* run = std::getenv("XDG_RUNTIME_DIR")) p.write.push_back(run);
    if (!cache.empty()) p.write.push_back(cache + "/fontconfig");
    p.read.push_back("/var/cache/fontconfig");
    p.read.push_back("/var/lib/dbus/machine-id");
    for (const char* sys : {"/usr", "/lib", "/lib64", "/lib32", "/libx32", "/bin", "/sbin", "/opt"})
        p.system.push_back(sys);
    // Speech, media, Braille and accessibility libraries are opened when first used, which
    // may be behind the wall: the loader must still find them where it was told to look.
    if (const char* extra = std::getenv("LD_LIBRARY_PATH")) {
        const std::string list = extra;
        for (size_t at = 0; at <= list.size();) {
            size_t end = list.find(':', at);
            if (end == std::string::npos) end = list.size();
            if (end > at && list[at] == '/') p.read.push_back(list.substr(at, end - at));
            at = end + 1;
        }
    }
    p.read.push_back("/etc/ld.so.preload");
    // What the C library, fontconfig, sound, speech, the display and the media layer read in /etc.
    for (const char* etc : {"/etc/ld.so.cache", "/etc/ld.so.conf", "/etc/ld.so.conf.d", "/etc/localtime",
                            "/etc/timezone", "/etc/locale.alias", "/etc/locale.conf", "/etc/default/locale",
                            "/etc/nsswitch.conf", "/etc/passwd", "/etc/group", "/etc/host.conf",
                            "/etc/hosts", "/etc/resolv.conf", "/etc/gai.conf", "/etc/services",
                            "/etc/protocols", "/etc/ssl", "/etc/ca-certificates", "/etc/mime.types",
                            "/etc/mailcap", "/etc/machine-id", "/etc/fonts", "/etc/alsa", "/etc/asound.conf",
                            "/etc/pulse", "/etc/pipewire", "/etc/openal", "/etc/libao.conf", "/etc/mpv",
                            "/etc/speech-dispatcher", "/etc/espeak-ng", "/etc/brltty.conf", "/etc/brltty",
                            "/etc/liblouis", "/etc/X11", "/etc/drirc", "/etc/vdpau_wrapper.cfg",
                            "/etc/libva.conf", "/etc/xdg", "/etc/gtk-3.0", "/etc/dbus-1", "/etc/at-spi2",
                            "/etc/sdl2", "/etc/magic", "/etc/magic.mime"})
        p.read.push_back(etc);
    // The process's own view of itself and of the machine (cores, memory, sound cards).
    p.read.push_back("/proc/self");
    for (const char* proc : {"/proc/cpuinfo", "/proc/meminfo", "/proc/stat", "/proc/asound", "/proc/sys/kernel",
                             "/proc/filesystems", "/proc/mounts"})
        p.read.push_back(proc);
    p.read.push_back("/sys");
    // The user's own settings of the libraries Ludivar uses (fonts, sound, display), never the home.
    if (!config.empty())
        for (const char* own : {"/fontconfig", "/pulse", "/mpv", "/speech-dispatcher", "/gtk-3.0", "/dconf"})
            p.read.push_back(config + own);
    if (!h.empty())
        for (const char* own : {"/.fonts", "/.local/share/fonts", "/.fonts.conf", "/.asoundrc", "/.Xauthority",
                                "/.Xdefaults", "/.Xresources"})
            p.read.push_back(h + own);
    if (const char* xauth = std::getenv("XAUTHORITY")) p.read.push_back(xauth);
    for (const char* dev : {"/dev/null", "/dev/zero", "/dev/full", "/dev/random", "/dev/urandom", "/dev/tty",
                            "/dev/pts", "/dev/ptmx", "/dev/snd", "/dev/dri", "/dev/fd"})
        p.devices.push_back(dev);
    return p;
}

WallResult raiseWall(const WallPaths& paths) {
    const int abi = landlockAbi();
    if (abi <= 0) return WallResult::NoKernel;
    const uint64_t handled = handledFor(abi);
    landlock_ruleset_attr ruleset{};
    ruleset.handled_access_fs = handled;
    const int fd = int(::syscall(SYS_landlock_create_ruleset, &ruleset, sizeof ruleset, 0));
    if (fd < 0) return WallResult::Failed;
    bool ok = true;
    for (const std::string& p : paths.read) ok = ok && addRule(fd, p, kRead, handled);
    for (const std::string& p : paths.system) ok = ok && addRule(fd, p, kRead | kExec, handled);
    for (const std::string& p : paths.write) ok = ok && addRule(fd, p, kRead | kWrite, handled);
    for (const std::string& p : paths.devices) ok = ok && addRule(fd, p, kRead | kWriteFile, handled);
    ok = ok && ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    ok = ok && ::syscall(SYS_landlock_restrict_self, fd, 0) == 0;
    ::close(fd);
    return ok ? WallResult::Up : WallResult::Failed;
}

void armKernelWall() {
    if (gArmed) return;
    if (landlockAbi() <= 0) {
        sayOnce("o kernel não oferece Landlock");
        return;
    }
    gArmed = true;
    startLauncher();
}

void kernelWallOnEnter(const std::string& gameFolder, const std::string& gamesFolder) {
    if (!gArmed || gUp) return;
    // The folders Ludivar writes must exist before the wall: it cannot make them afterwards.
    const std::string data = util::userDataDir();
    for (const char* own : {"/raiz", "/proprios", "/progresso", "/resultados"}) util::makeFolders(data + own, 0700);
    util::makeFolders(util::settingsDir(), 0700);
    util::makeFolders(util::userStateDir(), 0700);
    // The sound server's client makes its folder on first use; behind the wall it could not.
    const std::string config = envOr("XDG_CONFIG_HOME", home().empty() ? std::string() : home() + "/.config");
    if (!config.empty()) util::makeFolders(config + "/pulse", 0700);
    WallPaths paths = wallPaths(gameFolder, gamesFolder);
    paths.write.insert(paths.write.end(), gUserOutputs.begin(), gUserOutputs.end());
    const WallResult r = raiseWall(paths);
    if (r == WallResult::Up) {
        gUp = true;
        util::handFolderWritesTo(util::settingsDir(), writeThroughHelper);
    }
    else sayOnce(r == WallResult::NoKernel ? "o kernel não oferece Landlock" : "o kernel recusou o Landlock");
}

bool kernelWallUp() { return gUp; }

void kernelWallAlsoWrites(const std::string& folder) {
    if (!folder.empty()) gUserOutputs.push_back(folder);
}

util::Result writeThroughHelper(const std::string& fileName, int contentsFd) {
    const std::string request = kWriteRequest + fileName;
    if (request.size() > kMaxRequest) return util::Result::failure("nome longo demais");
    iovec iov{const_cast<char*>(request.data()), request.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &contentsFd, sizeof contentsFd);
    std::lock_guard<std::mutex> hold(gLauncherLock);
    if (gLauncher < 0) return util::Result::failure(util::reasonInWords(EPIPE));
    if (::sendmsg(gLauncher, &msg, MSG_NOSIGNAL) != ssize_t(request.size()))
        return util::Result::failure(util::reasonInWords(errno));
    int32_t err = EIO;
    ssize_t n;
    do n = ::recv(gLauncher, &err, sizeof err, 0);
    while (n < 0 && errno == EINTR);
    if (n != sizeof err) return util::Result::failure(util::reasonInWords(EPIPE));
    return err == 0 ? util::Result::success() : util::Result::failure(util::reasonInWords(err));
}

int launchThroughHelper(const std::string& program, const std::vector<std::string>& args) {
    std::string request = plat::currentDir();
    request.push_back('\0');
    if (args.size() > kMaxArgs) return -1;
    std::vector<std::string> parts{program};
    parts.insert(parts.end(), args.begin(), args.end());
    for (const std::string& a : parts) {
        if (a.find('\0') != std::string::npos) return -1;
        request += a;
        request.push_back('\0');
    }
    if (request.size() > kMaxRequest) return -1;
    std::lock_guard<std::mutex> hold(gLauncherLock);
    if (gLauncher < 0) return -1;
    if (::send(gLauncher, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) return -1;
    int32_t pid = -1;
    ssize_t n;
    do n = ::recv(gLauncher, &pid, sizeof pid, 0);
    while (n < 0 && errno == EINTR);
    return n == sizeof pid ? pid : -1;
}

namespace testing {
void setFirstWall(bool on) { gFirstWall = on; }
bool firstWallOn() { return gFirstWall; }
}  // namespace testing

}  // namespace safety
