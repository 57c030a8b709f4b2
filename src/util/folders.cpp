#include "util/folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace util {

namespace {

bool isFolder(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An XDG base folder: the variable when it holds an absolute path (a relative one
// is to be ignored), else the default under $HOME.
std::string xdgBase(const char* var, const char* underHome) {
    if (const char* v = std::getenv(var); v && v[0] == '/') return v;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + underHome;
}

}  // namespace

bool makeFolders(const std::string& path, mode_t mode) {
    if (path.empty()) return false;
    if (isFolder(path)) return true;
    const size_t slash = path.find_last_of('/', path.find_last_not_of('/'));
    if (slash != std::string::npos && slash > 0) makeFolders(path.substr(0, slash), mode);
    return (::mkdir(path.c_str(), mode) == 0 || errno == EEXIST) && isFolder(path);
}

std::string userDataDir() { return xdgBase("XDG_DATA_HOME", "/.local/share") + "/ludivar"; }

std::string settingsDir() {
    if (const char* env = std::getenv("ECOLAR_CONFIG_DIR"); env && *env) {
        std::string d = env;
        if (d.back() != '/') d += '/';
        return d;
    }
    return xdgBase("XDG_CONFIG_HOME", "/.config") + "/ecolar/";
}

std::string userStateDir() { return xdgBase("XDG_STATE_HOME", "/.local/state") + "/ludivar"; }

}  // namespace util
