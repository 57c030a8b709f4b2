#include "console/kept.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <vector>

#include "console/config.h"
#include "console/console.h"
#include "game/gamefile.h"
#include "platform/files.h"

namespace con {

namespace {
constexpr const char* kSection = "LUDIVAR";

bool makeFolders(const std::string& dir) {
    std::string path;
    std::stringstream in(dir);
    std::string part;
    while (std::getline(in, part, '/')) {
        path += part + "/";
        if (part.empty()) continue;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}
}  // namespace

std::string keptSettingsPath() { return plat::configDir() + "mantidos.ini"; }

std::string keptSetting(const std::string& key) { return trim(iniRead(keptSettingsPath(), kSection, key)); }

bool keepSetting(const std::string& key, const std::string& value) {
    const std::string path = keptSettingsPath();
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while (text.size() < (1 << 16) && (n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    // Every line but the key's own is kept as it stands.
    std::vector<std::string> lines;
    std::stringstream in(text);
    std::string line;
    const std::string wanted = toUpperLatin(key);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos && toUpperLatin(trim(line.substr(0, eq))) == wanted) continue;
        if (trim(line).empty()) continue;
        lines.push_back(line);
    }
    if (lines.empty() || toUpperLatin(trim(lines[0])) != "[" + std::string(kSection) + "]")
        lines.insert(lines.begin(), "[" + std::string(kSection) + "]");
    lines.push_back(key + "=" + value);
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    if (!makeFolders(plat::configDir())) return false;
    return game::WriteFileAtomically(path, out);
}

}  // namespace con
