#include "player/resume.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "game/gamefile.h"
#include "platform/files.h"
#include "util/atomic.h"
#include "util/folders.h"

namespace player {

namespace {

constexpr const char* kHeader = "LUDIVAR-PROGRESSO 1";
constexpr size_t kMaxProgressBytes = 1 << 20;

uint64_t fnv1a(const std::string& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string hex(uint64_t v) {
    char b[17];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return b;
}

std::string dataDir() { return util::userDataDir() + "/"; }

bool readInt(std::istream& in, int32_t& v, int32_t lo, int32_t hi) {
    long long x = 0;
    if (!(in >> x) || x < lo || x > hi) return false;
    v = int32_t(x);
    return true;
}

}  // namespace

std::string gameIdentity(const std::string& linuxPath) {
    char* real = realpath(linuxPath.c_str(), nullptr);
    if (!real) return std::string();
    const std::string full = real;
    std::free(real);
    std::string bytes;
    if (!plat::readPath(full, bytes)) return std::string();
    return hex(fnv1a(full)) + "-" + hex(fnv1a(bytes));
}

std::string progressPath(const std::string& identity) {
    // One file per game path: a changed game's old progress is simply replaced.
    return dataDir() + "progresso/" + identity.substr(0, identity.find('-')) + ".txt";
}

std::string progressText(const std::string& identity, const Progress& p) {
    std::ostringstream out;
    out << kHeader << "\n" << "jogo " << identity << "\n"
        << "lugar " << p.place << "\n" << "pontos " << p.score << "\n";
    for (const CategoryProgress& c : p.categories) {
        out << "categoria " << c.limit << " " << c.references << " ";
        for (size_t i = 0; i < c.places.size(); ++i) out << (i ? "," : "") << c.places[i];
        if (c.places.empty()) out << "-";
        // The place name comes last: it may hold blanks.
        out << " " << c.nextPlace << "\n";
    }
    return out.str();
}

bool parseProgress(const std::string& text, const std::string& identity, Progress& p) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return false;
    Progress r;
    bool haveGame = false, havePlace = false, haveScore = false;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string word;
        ls >> word;
        if (word == "jogo") {
            std::string id;
            ls >> id;
            if (id != identity) return false;
            haveGame = true;
        } else if (word == "lugar") {
            if (!readInt(ls, r.place, 1, 1000)) return false;
            havePlace = true;
        } else if (word == "pontos") {
            if (!readInt(ls, r.score, INT32_MIN, INT32_MAX)) return false;
            haveScore = true;
        } else if (word == "categoria") {
            CategoryProgress c;
            std::string places;
            if (!readInt(ls, c.limit, INT32_MIN, INT32_MAX) || !readInt(ls, c.references, 0, INT32_MAX) ||
                !(ls >> places))
                return false;
            if (places != "-") {
                std::istringstream ps(places);
                std::string n;
                while (std::getline(ps, n, ',')) {
                    char* end = nullptr;
                    long v = std::strtol(n.c_str(), &end, 10);
                    if (n.empty() || *end || v < 1 || v > 1000) return false;
                    c.places.push_back(int(v));
                }
            }
            std::getline(ls, c.nextPlace);
            if (!c.nextPlace.empty() && c.nextPlace[0] == ' ') c.nextPlace.erase(0, 1);
            r.categories.push_back(std::move(c));
        } else if (!word.empty()) {
            return false;
        }
    }
    if (!haveGame || !havePlace || !haveScore) return false;
    p = std::move(r);
    return true;
}

bool saveProgress(const std::string& identity, const Progress& p) {
    if (identity.empty() || !util::makeFolders(dataDir() + "progresso/", 0700)) return false;
    return util::writeFileAtomically(progressPath(identity), progressText(identity, p)).ok();
}

bool loadProgress(const std::string& identity, Progress& p) {
    if (identity.empty()) return false;
    std::string text;
    if (!plat::readPath(progressPath(identity), text, kMaxProgressBytes)) return false;
    return parseProgress(text, identity, p);
}

void clearProgress(const std::string& identity) {
    if (!identity.empty()) std::remove(progressPath(identity).c_str());
}

}  // namespace player
