#include "game/install.h"

#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <memory>
#include <set>

#include "game/gamefile.h"
#include "game/model.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "safety/budget.h"
#include "safety/ownership.h"
#include "safety/safety.h"
#include "util/atomic.h"
#include "util/folders.h"
#include "util/text.h"

namespace game {

namespace {

std::string realOf(const std::string& p) {
    char buf[PATH_MAX];
    return ::realpath(p.c_str(), buf) ? std::string(buf) : std::string();
}

bool within(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.empty()) return false;
    if (folder == "/") return true;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

std::string parentOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    if (s == std::string::npos) return ".";
    return s == 0 ? "/" : p.substr(0, s);
}

std::string baseOf(const std::string& p) {
    size_t s = p.find_last_of('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

bool endsWithAnyCase(const std::string& name, const char* ext) {
    const std::string up = util::upperLatin(name), e = ext;
    return up.size() > e.size() && up.compare(up.size() - e.size(), e.size(), e) == 0;
}

std::string stemOf(const std::string& path) {
    std::string stem = baseOf(path);
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    return stem;
}

// A folder name from a game's file name: no separators, no control characters, not hidden.
std::string folderNameFor(const std::string& stem) {
    std::string out;
    for (char c : stem)
        if (uint8_t(c) >= 0x20 && c != 0x7f && c != '/' && c != '\\') out += c;
    out = util::trimSpaces(out);
    while (!out.empty() && out[0] == '.') out.erase(0, 1);
    if (out.size() > 100) out.resize(100);
    return out.empty() ? std::string("jogo") : out;
}

// Makes a folder that did not exist: mkdir fails on an existing one, so two installs
// at once, or a folder made meanwhile, are never shared.
std::string makeFreshFolder(const std::string& gamesFolder, const std::string& stem) {
    const std::string name = folderNameFor(stem);
    for (int n = 1; n < 10000; ++n) {
        std::string path = gamesFolder + "/" + name + (n == 1 ? std::string() : " " + std::to_string(n));
        if (::mkdir(path.c_str(), 0777) == 0) return path;
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

// The new folder holds only what the installer made: regular files and folders.
void removeTree(const std::string& folder) {
    if (!folder.empty()) ::nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// A name from a game or an archive as a relative path of plain parts ("a/b.jpg"):
// empty when it is absolute, names a drive, climbs with "..", or holds a control character.
std::string plainRelative(const std::string& raw) {
    if (raw.empty() || safety::hasControl(raw)) return std::string();
    std::string name = raw;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name[0] == '/') return std::string();
    if (name.size() >= 2 && name[1] == ':') return std::string();  // "c:\" is the shared root, no game's file
    std::string out;
    size_t i = 0;
    while (i <= name.size()) {
        size_t j = name.find('/', i);
        if (j == std::string::npos) j = name.size();
        const std::string part = name.substr(i, j - i);
        i = j + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return std::string();
        out += (out.empty() ? "" : "/") + part;
    }
    return out;
}

// The entry of `dir` a part stands for: itself when it exists, else the one of the
// same name in any case (games come from Windows).  Empty when there is none.
std::string entryFor(const std::string& dir, const std::string& part) {
    struct stat st;
    if (::lstat((dir + "/" + part).c_str(), &st) == 0) return part;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return std::string();
    const std::string key = plat::nameKey(plat::diskNameToCp1252(part));
    std::string found;
    while (dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        if (plat::nameKey(plat::diskNameToCp1252(n)) == key) {
            found = n;
            break;
        }
    }
    ::closedir(d);
    return found;
}

// A game's name for one of its files, found in its folder: the relative path as it
// stands on disk, walking only real folders to a regular file (links are not followed,
// so nothing outside the folder can be carried in).  Empty when it is not such a file.
std::string findInFolder(const std::string& folder, const std::string& gameName) {
    const std::string rel = plainRelative(plat::cp1252ToUtf8(gameName));
    if (rel.empty()) return std::string();
    std::string here = folder, out;
    size_t i = 0;
    while (i < rel.size()) {
        size_t j = rel.find('/', i);
        if (j == std::string::npos) j = rel.size();
        const std::string part = entryFor(here, rel.substr(i, j - i));
        if (part.empty()) return std::string();
        here += "/" + part;
        out += (out.empty() ? "" : "/") + part;
        struct stat st;
        if (::lstat(here.c_str(), &st) != 0) return std::string();
        const bool last = j == rel.size();
        if (last ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode)) return std::string();
        i = j + 1;
    }
    return out;
}

// The quoted texts of a program: the names of the programs it goes on to and of the
// media it plays are among them.
std::vector<std::string> quotedTexts(const std::string& program) {
    std::vector<std::string> out;
    size_t i = 0;
    while ((i = program.find('"', i)) != std::string::npos) {
        size_t j = program.find_first_of("\"\r\n", i + 1);
        if (j == std::string::npos) break;
        if (program[j] == '"') {
            if (j > i + 1) out.push_back(program.substr(i + 1, j - i - 1));
            i = j + 1;
        } else {
            i = j;
        }
    }
    return out;
}

struct Budget {
    const InstallLimits& limits;
    uint64_t bytes = 0, archiveBytes = 0;
    size_t files = 0;
    // Empty while within the budgets; else what to tell the user.
    std::string spent(uint64_t more) {
        bytes += more;
        if (bytes > limits.maxBytes) return plat::cp("o jogo passa do tamanho máximo de ") +
                                            std::to_string(limits.maxBytes >> 20) + " MB";
        if (archiveBytes && bytes > limits.ratioFreeBytes && bytes / limits.maxRatio > archiveBytes)
            return plat::cp("o arquivo se expande demais: é uma bomba de compactação");
        return std::string();
    }
    std::string oneMore() {
        return ++files > limits.maxFiles
                   ? plat::cp("o jogo tem arquivos demais (mais de ") + std::to_string(limits.maxFiles) + ")"
                   : std::string();
    }
};

// Copies one regular file by descriptor (no link followed, nothing that would block)
// through the atomic writer, within the budget.
util::Result copyWithin(const std::string& from, const std::string& to, Budget& budget) {
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return util::Result::failure(util::reasonInWords(errno));
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return util::Result::failure(plat::cp("não é um arquivo comum: ") + plat::utf8ToCp1252(baseOf(from)));
    }
    util::makeFolders(parentOf(to));
    util::Result r = util::writeFileAtomically(
        to,
        [&](int out) -> util::Result {
            char buf[65536];
            for (;;) {
                ssize_t n = ::read(in, buf, sizeof buf);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return util::Result::failure(util::reasonInWords(errno));
                if (n == 0) return util::Result::success();
                std::string over = budget.spent(uint64_t(n));
                if (!over.empty()) return util::Result::failure(over);
                if (!util::writeAll(out, std::string_view(buf, size_t(n))))
                    return util::Result::failure(util::reasonInWords(errno));
            }
        },
        util::AtLink::Replace);
    ::close(in);
    return r;
}

InstallResult refused(InstallResult r, const std::string& why) {
    removeTree(r.folder);
    r.ok = false;
    r.games.clear();
    r.files.clear();
    r.message = plat::cp("O jogo não foi instalado: ") + why + ".";
    return r;
}

// Every installed game takes the files beside and below it as the ones it came with.
void recordEachGame(const InstallResult& r) {
    for (const std::string& gameRel : r.games) {
        const std::string gamePath = realOf(r.folder + "/" + gameRel);
        if (gamePath.empty()) continue;
        const std::string dir = parentOf(gameRel);
        std::vector<std::string> own;
        for (const std::string& f : r.files) {
            if (gameRel.find('/') == std::string::npos) own.push_back(f);
            else if (f.size() > dir.size() && f.compare(0, dir.size(), dir) == 0 && f[dir.size()] == '/')
                own.push_back(f.substr(dir.size() + 1));
        }
        safety::recordShipped(gamePath, own);
    }
}

bool shallowerFirst(const std::string& a, const std::string& b) {
    const auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
    return depth(a) != depth(b) ? depth(a) < depth(b) : a < b;
}

}  // namespace

bool isArchiveName(const std::string& path) { return endsWithAnyCase(path, ".ZIP"); }

bool comesFromElsewhere(const std::string& path, const std::string& gamesFolder) {
    const std::string real = realOf(path);
    if (real.empty()) return false;  // nothing to install; the loader says it is missing
    const std::string folder = parentOf(real);
    if (within(folder, realOf(gamesFolder))) return false;
    if (within(folder, realOf(plat::familyRoot()))) return false;  // the games Ludivar ships
    for (const std::string& t : safety::trustedFolders())
        if (within(folder, t)) return false;
    return true;
}

std::vector<std::string> namedFiles(const TJogo& g) {
    std::vector<std::string> out{g.general.program, g.backgroundPicture};
    auto addList = [&](const std::string& list) {
        size_t start = 0;
        for (size_t bar; (bar = list.find('|', start)) != std::string::npos; start = bar + 1)
            out.push_back(util::trim(std::string_view(list).substr(start, bar - start)));
        out.push_back(util::trim(std::string_view(list).substr(start)));
    };
    for (int n = 1; n <= g.placeCount; ++n) {
        const TLugar* p = g.place(n);
        if (!p) continue;
        addList(p->media);
        out.push_back(p->backgroundPicture);
        for (int k = 1; k <= p->slideCount; ++k)
            if (const TSlide* sl = p->slide(k)) {
                addList(sl->media);
                out.push_back(sl->picture);
            }
    }
    out.erase(std::remove_if(out.begin(), out.end(), [](const std::string& s) { return s.empty(); }), out.end());
    return out;
}

InstallResult installGameFile(const std::string& gameFile, const std::string& gamesFolder,
                              const InstallLimits& limits) {
    InstallResult r;
    const std::string real = realOf(gameFile);
    struct stat st;
    if (real.empty() || ::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return refused(r, plat::cp("o arquivo do jogo não pôde ser lido"));
    const std::string from = parentOf(real), lud = baseOf(real);
    auto game = std::make_unique<TJogo>();
    if (!ReadGameFile(real, *game).ok) return refused(r, plat::cp("o arquivo do jogo não pôde ser lido"));
    r.folder = makeFreshFolder(gamesFolder, stemOf(lud));
    if (r.folder.empty())
        return refused(r, plat::cp("não foi possível criar uma pasta em ") + plat::utf8ToCp1252(gamesFolder));

    Budget budget{limits};
    std::set<std::string> seen{lud};
    std::deque<std::string> names;
    for (const std::string& n : namedFiles(*game)) names.push_back(n);
    std::vector<std::string> copied{lud};
    if (!budget.oneMore().empty()) return refused(r, budget.oneMore());
    util::Result ok = copyWithin(real, r.folder + "/" + lud, budget);
    if (!ok) return refused(r, ok.reason());
    while (!names.empty()) {
        const std::string rel = findInFolder(from, names.front());
        names.pop_front();
        if (rel.empty() || !seen.insert(rel).second) continue;
        std::string over = budget.oneMore();
        if (!over.empty()) return refused(r, over);
        ok = copyWithin(from + "/" + rel, r.folder + "/" + rel, budget);
        if (!ok) return refused(r, ok.reason());
        copied.push_back(rel);
        // A program names the programs it goes on to and the media it plays.
        if (endsWithAnyCase(rel, ".PRO")) {
            std::string text;
            if (plat::readPath(r.folder + "/" + rel, text, size_t(safety::kMaxGameFileBytes)))
                for (const std::string& q : quotedTexts(text)) names.push_back(q);
        }
    }
    r.ok = true;
    r.games = {lud};
    r.files = copied;
    recordEachGame(r);
    return r;
}

namespace {

struct ArchiveCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveCloser>;

ArchivePtr openArchive(const std::string& path) {
    ArchivePtr a(archive_read_new());
    if (!a) return a;
    // Zip is what games travel in; tar is read too (its content decides, not its name).
    archive_read_support_format_zip(a.get());
    archive_read_support_format_tar(a.get());
    archive_read_support_filter_none(a.get());
    if (archive_read_open_filename(a.get(), path.c_str(), 65536) != ARCHIVE_OK) a.reset();
    return a;
}

std::string memberName(archive_entry* e) {
    const char* n = archive_entry_pathname(e);
    if (!n) n = archive_entry_pathname_utf8(e);
    return n ? std::string(n) : std::string();
}

// Why a member cannot be installed, or empty.  Only plain files and folders inside the
// new folder are made: a link would reach outside, a device or a FIFO is no game's file.
std::string memberRefusal(archive_entry* e, const std::string& name, std::string& rel) {
    const std::string said = plat::utf8ToCp1252(name.substr(0, 80));
    rel = plainRelative(name);
    if (rel.empty()) return plat::cp("o arquivo traz um nome fora da pasta do jogo: ") + said;
    if (archive_entry_hardlink(e)) return plat::cp("o arquivo traz uma ligação a outro arquivo: ") + said;
    switch (archive_entry_filetype(e)) {
        case AE_IFREG:
        case AE_IFDIR: return std::string();
        case AE_IFLNK: return plat::cp("o arquivo traz um atalho: ") + said;
        case AE_IFIFO: return plat::cp("o arquivo traz um canal (FIFO): ") + said;
        case AE_IFCHR:
        case AE_IFBLK: return plat::cp("o arquivo traz um dispositivo: ") + said;
        default: return plat::cp("o arquivo traz algo que não é arquivo nem pasta: ") + said;
    }
}

struct Member {
    std::string rel;
    bool folder = false;
};

// Reads every member's header: the whole archive is judged before anything is written.
std::string listMembers(const std::string& path, const InstallLimits& limits, std::vector<Member>& out) {
    ArchivePtr a = openArchive(path);
    if (!a) return plat::cp("não é um arquivo .zip que o Ludivar leia");
    archive_entry* e = nullptr;
    int rc;
    while ((rc = archive_read_next_header(a.get(), &e)) == ARCHIVE_OK || rc == ARCHIVE_WARN) {
        if (out.size() >= limits.maxFiles)
            return plat::cp("o arquivo tem membros demais (mais de ") + std::to_string(limits.maxFiles) + ")";
        Member m;
        std::string why = memberRefusal(e, memberName(e), m.rel);
        if (!why.empty()) return why;
        m.folder = archive_entry_filetype(e) == AE_IFDIR;
        out.push_back(m);
    }
    if (rc != ARCHIVE_EOF) return plat::cp("o arquivo .zip está danificado");
    return std::string();
}

// One folder holding everything ("jogo/...") is how archives are usually made: it is
// not kept, the game's folder is already named after it.
std::string commonTop(const std::vector<Member>& members) {
    std::string top;
    for (const Member& m : members) {
        size_t slash = m.rel.find('/');
        if (slash == std::string::npos && !m.folder) return std::string();
        const std::string first = slash == std::string::npos ? m.rel : m.rel.substr(0, slash);
        if (top.empty()) top = first;
        else if (top != first) return std::string();
    }
    return top;
}

std::string stripTop(const std::string& rel, const std::string& top) {
    if (top.empty()) return rel;
    return rel.size() > top.size() ? rel.substr(top.size() + 1) : std::string();
}

}  // namespace

InstallResult installArchive(const std::string& archivePath, const std::string& gamesFolder,
                             const InstallLimits& limits) {
    InstallResult r;
    struct stat st;
    if (::stat(archivePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return refused(r, plat::cp("o arquivo .zip não pôde ser lido"));
    std::vector<Member> members;
    std::string why = listMembers(archivePath, limits, members);
    if (!why.empty()) return refused(r, why);
    const std::string top = commonTop(members);
    for (const Member& m : members) {
        const std::string rel = stripTop(m.rel, top);
        if (!m.folder && endsWithAnyCase(rel, ".LUD")) r.games.push_back(rel);
    }
    if (r.games.empty()) return refused(r, plat::cp("o arquivo não traz nenhum jogo (.lud)"));
    std::sort(r.games.begin(), r.games.end(), shallowerFirst);

    r.folder = makeFreshFolder(gamesFolder, stemOf(archivePath));
    if (r.folder.empty())
        return refused(r, plat::cp("não foi possível criar uma pasta em ") + plat::utf8ToCp1252(gamesFolder));
    ArchivePtr a = openArchive(archivePath);
    if (!a) return refused(r, plat::cp("o arquivo .zip não pôde ser lido"));
    Budget budget{limits};
    budget.archiveBytes = uint64_t(st.st_size) ? uint64_t(st.st_size) : 1;
    archive_entry* e = nullptr;
    int rc;
    while ((rc = archive_read_next_header(a.get(), &e)) == ARCHIVE_OK || rc == ARCHIVE_WARN) {
        // Checked again: the archive may have changed since it was listed.
        std::string rel;
        why = memberRefusal(e, memberName(e), rel);
        if (!why.empty()) return refused(r, why);
        rel = stripTop(rel, top);
        if (rel.empty()) continue;
        const std::string dest = r.folder + "/" + rel;
        if (archive_entry_filetype(e) == AE_IFDIR) {
            if (!util::makeFolders(dest)) return refused(r, plat::cp("não foi possível criar a pasta ") +
                                                                 plat::utf8ToCp1252(rel));
            continue;
        }
        why = budget.oneMore();
        if (!why.empty()) return refused(r, why);
        util::makeFolders(parentOf(dest));
        util::Result ok = util::writeFileAtomically(
            dest,
            [&](int out) -> util::Result {
                const void* block;
                size_t size;
                la_int64_t offset;
                int got;
                uint64_t written = 0;
                while ((got = archive_read_data_block(a.get(), &block, &size, &offset)) == ARCHIVE_OK) {
                    // Sparse members leave holes: they are written as the zeros they stand for.
                    if (offset < 0 || uint64_t(offset) < written)
                        return util::Result::failure(plat::cp("o arquivo .zip está danificado"));
                    std::string over = budget.spent(uint64_t(offset) - written + size);
                    if (!over.empty()) return util::Result::failure(over);
                    if (uint64_t(offset) > written &&
                        ::lseek(out, off_t(offset), SEEK_SET) < 0)
                        return util::Result::failure(util::reasonInWords(errno));
                    if (!util::writeAll(out, std::string_view(static_cast<const char*>(block), size)))
                        return util::Result::failure(util::reasonInWords(errno));
                    written = uint64_t(offset) + size;
                }
                if (got != ARCHIVE_EOF) return util::Result::failure(plat::cp("o arquivo .zip está danificado"));
                if (::ftruncate(out, off_t(written)) != 0) return util::Result::failure(util::reasonInWords(errno));
                return util::Result::success();
            },
            util::AtLink::Replace);
        if (!ok) return refused(r, ok.reason());
        r.files.push_back(rel);
    }
    if (rc != ARCHIVE_EOF) return refused(r, plat::cp("o arquivo .zip está danificado"));
    r.ok = true;
    recordEachGame(r);
    return r;
}

}  // namespace game
