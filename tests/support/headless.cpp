#include "ludivar_paths.h"
#include "support/headless.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {
std::vector<std::string> gDirs;
std::vector<std::string> gExtraEnv;

std::string envName(const std::string& entry) { return entry.substr(0, entry.find('=') + 1); }
struct Cleanup {
    ~Cleanup() {
        // Tests may leave the program inside a folder that is about to go.
        if (chdir("/") != 0) return;
        for (const std::string& d : gDirs) {
            std::string cmd = "rm -rf '" + d + "'";
            if (std::system(cmd.c_str())) {}
        }
    }
} gCleanup;

// Nobody's own games, settings or log: every test program, and every program it starts,
// keeps its XDG folders under a temporary folder.
struct PrivateXdg {
    PrivateXdg() {
        char tmpl[] = "/tmp/ludivar-xdg-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        gDirs.push_back(tmpl);
        setenv("XDG_DATA_HOME", (std::string(tmpl) + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (std::string(tmpl) + "/config").c_str(), 1);
        setenv("XDG_STATE_HOME", (std::string(tmpl) + "/state").c_str(), 1);
        setenv("XDG_CACHE_HOME", (std::string(tmpl) + "/cache").c_str(), 1);
    }
} gPrivateXdg;

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}
}  // namespace

std::string tempDir() {
    char tmpl[] = "/tmp/ludivar-test-XXXXXX";
    char* d = mkdtemp(tmpl);
    std::string dir = d ? d : "/tmp";
    gDirs.push_back(dir);
    return dir;
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
    return bool(f);
}

std::string readText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool HeadlessResult::contains(const std::string& event) const { return count(event) > 0; }

int HeadlessResult::count(const std::string& event) const {
    int n = 0;
    for (const std::string& t : trace)
        if (t == event) ++n;
    return n;
}

HeadlessResult runHeadless(const std::string& keys, const std::vector<std::string>& args, const std::string& iniText) {
    std::string dir = tempDir();
    std::string screen = dir + "/screen.txt", trace = dir + "/trace.txt", out = dir + "/out.txt", err = dir + "/err.txt";
    std::vector<std::string> argv = {LUDIVAR_BIN, "--headless", "--keys", keys, "--screen", screen, "--trace", trace};
    if (!iniText.empty()) {
        writeText(dir + "/ECOLAR.INI", iniText);
        argv.push_back("--ini");
        argv.push_back(dir + "/ECOLAR.INI");
    }
    for (const std::string& a : args) argv.push_back(a);
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);

    // The user's own configuration never leaks into a test.
    std::string cfg = "ECOLAR_CONFIG_DIR=" + dir + "/config";
    std::vector<std::string> env;
    // Nor its data folder (games, progress).
    std::vector<std::string> over = {cfg, "XDG_DATA_HOME=" + dir + "/xdg-data", "XDG_CONFIG_HOME=" + dir + "/xdg-config",
                                     "XDG_STATE_HOME=" + dir + "/xdg-state"};
    over.insert(over.end(), gExtraEnv.begin(), gExtraEnv.end());
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& o : over) replaced |= envName(o) == envName(entry);
        if (!replaced) env.push_back(entry);
    }
    // Later entries win: a test's own configuration folder over the run's.
    for (const std::string& o : over) {
        env.erase(std::remove_if(env.begin(), env.end(), [&](const std::string& e) { return envName(e) == envName(o); }),
                  env.end());
        env.push_back(o);
    }
    std::vector<char*> cenv;
    for (std::string& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid;
    HeadlessResult r;
    if (posix_spawn(&pid, LUDIVAR_BIN, &fa, nullptr, cargv.data(), cenv.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&fa);
    std::vector<std::string> lines = splitLines(readText(screen));
    size_t sep = 0;
    while (sep < lines.size() && lines[sep] != "--") ++sep;
    r.rows.assign(lines.begin(), lines.begin() + std::min(sep, lines.size()));
    if (sep < lines.size()) r.attrs.assign(lines.begin() + sep + 1, lines.end());
    r.rows.resize(25);
    r.trace = splitLines(readText(trace));
    r.out = readText(out);
    r.err = readText(err);
    return r;
}

void setHeadlessEnv(const std::vector<std::string>& entries) { gExtraEnv = entries; }

int attrAt(const HeadlessResult& r, int col, int row) {
    if (row < 1 || row > int(r.attrs.size())) return -1;
    const std::string& line = r.attrs[row - 1];
    size_t at = size_t(col - 1) * 2;
    if (col < 1 || at + 2 > line.size()) return -1;
    return int(std::stoul(line.substr(at, 2), nullptr, 16));
}
