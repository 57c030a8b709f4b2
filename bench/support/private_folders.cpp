// Every benchmark runs with user folders of its own: the program it measures keeps
// games, progress, settings and its log there, never in the real user's home.
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

struct PrivateFolders {
    std::string root;
    pid_t owner = 0;
    PrivateFolders() {
        char tmpl[] = "/tmp/ludivar-bench-home-XXXXXX";
        if (!mkdtemp(tmpl)) {
            std::perror("ludivar bench: no private folder");
            std::exit(2);
        }
        root = tmpl;
        owner = getpid();
        const std::pair<const char*, const char*> vars[] = {
            {"HOME", "/home"},
            {"XDG_DATA_HOME", "/home/.local/share"},
            {"XDG_CONFIG_HOME", "/home/.config"},
            {"XDG_STATE_HOME", "/home/.local/state"},
            {"XDG_CACHE_HOME", "/home/.cache"},
            {"ECOLAR_CONFIG_DIR", "/home/.config/ecolar"},
        };
        for (const auto& v : vars) setenv(v.first, (root + v.second).c_str(), 1);
    }
    ~PrivateFolders() {
        // a forked child leaving must not take the parent's folders with it
        if (getpid() == owner) nftw(root.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
} gPrivateFolders;

}  // namespace
