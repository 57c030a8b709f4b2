#include "game/gamefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>
#include <vector>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

#include "catalog/catalog.h"
#include "console/console.h"
#include "speech/lexicon.h"
#include "console/textwin.h"
#include "game/fields.h"
#include "game/session.h"
#include "game/text.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/atomic.h"
#include "util/result.h"
#include "util/text.h"
#include "safety/budget.h"

namespace game {

namespace {

// Keys of places in older games, whose place scripts are not used any more.
const std::string kOldPlaceScript = "SCRIPT", kOldPlaceScriptEnd = "SCRIPTFINAL";

// The field of a section whose file key this is, or nullptr.
template <class Owner>
const Field<Owner>* fileField(const std::vector<Field<Owner>>& fields, FieldSection section, const std::string& key) {
    for (const Field<Owner>& f : fields)
        if (f.section == section && !f.fileKey.empty() && f.fileKey == key) return &f;
    return nullptr;
}

enum class Section { None, General, Model, Place, Slide };

// One key line: the key upper-cased and trimmed, the value untouched (cut to 999).
// A line without "=" is its own key, unchanged.
struct KeyLine {
    std::string key;
    std::string_view value;
};

KeyLine splitKeyLine(std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {std::string(line), std::string_view()};
    std::string_view value = line.substr(eq + 1);
    if (value.size() > kMaxValue) value = value.substr(0, kMaxValue);
    return {util::upperLatin(util::trimView(line.substr(0, eq))), value};
}

// The reader, fed one line at a time so that a file is never held whole in memory.
struct Reader {
    explicit Reader(TJogo& game, FileMap* fileMap = nullptr) : g(game), map(fileMap) {}

    TJogo& g;
    FileMap* map;
    bool keepSlides = true;   // false: slides are read (and checked) but not kept
    bool placesRead = false;  // this file has given places already
    Section section = Section::None;
    std::unique_ptr<TLugar> place;
    int placeNo = 0;
    std::unique_ptr<TSlide> slide;
    int slidePlace = 0, slideNo = 0;
    bool modelSeen = false;
    // A header is acted on only when another line follows it: a header on the very
    // last line of a file is ignored.
    bool pending = false;
    std::string pendingHeader;
    long pendingLine = 0;
    long lineNo = 0;
    ReadResult result;

    bool fail(ReadStop why, long line, std::string_view content) {
        result.ok = false;
        result.stop = why;
        result.line = line;
        result.content = std::string(content);
        return false;
    }

    bool feed(std::string_view line) {
        ++lineNo;
        if (pending) {
            pending = false;
            if (!startSection()) return false;
        }
        // Text never holds a NUL: this is a binary file (or UTF-16), not a game.
        if (line.find('\0') != std::string_view::npos) return fail(ReadStop::NotText, lineNo, line);
        if (util::trimView(line).empty() || line[0] == ';') return true;
        if (section == Section::None) return header(line);
        KeyLine kl = splitKeyLine(line);
        if (store(kl)) return true;
        if (result.stop != ReadStop::None) return false;
        if (line[0] == '[') {
            endSection();
            return header(line);
        }
        return fail(ReadStop::UnknownKey, lineNo, line);
    }

    void finish() {
        pending = false;
        endSection();
        result.ok = true;
        result.stop = ReadStop::None;
    }

    // A line outside any section, or one that ended a section.
    bool header(std::string_view line) {
        std::string up = util::upperLatin(line);
        // Trailing blanks after a header are harmless; hand-edited files have them.
        std::string_view u = up;
        while (!u.empty() && uint8_t(u.back()) <= ' ') u.remove_suffix(1);
        if (u == "[DADOS GERAIS]" || u == "[MODELO]" || u.substr(0, 7) == "[LUGAR " || u.substr(0, 7) == "[SLIDE ") {
            pending = true;
            pendingHeader = std::string(line);
            pendingLine = lineNo;
            return true;
        }
        return fail(ReadStop::UnknownLine, lineNo, line);
    }

    bool startSection() {
        std::string up = util::upperLatin(pendingHeader);
        std::string_view u = util::trimView(up);
        if (u == "[DADOS GERAIS]") {
            ResetGeneralData(g);
            section = Section::General;
        } else if (u == "[MODELO]") {
            if (map) {
                map->modelLine = pendingLine;
                map->modelAfterPlaces = map->modelAfterPlaces || placesRead;
            }
            if (placesRead) {
                // A [MODELO] after this file's places (hand-edited files have it) must
                // not throw them away: a save would then lose every place.
                TJogo fresh;
                ResetModel(fresh);
                g.backgroundPicture = fresh.backgroundPicture;
                g.font = fresh.font;
                g.narration = fresh.narration;
            } else {
                ResetModel(g);
            }
            modelSeen = true;
            section = Section::Model;
        } else if (u.substr(0, 7) == "[LUGAR ") {
            // "[LUGAR", the closing character and the blanks go; the rest is the number.
            std::string_view h = util::trimView(pendingHeader);
            int32_t n = 0;
            if (h.size() < 7 || !parseInt(h.substr(6, h.size() - 7), n))
                return fail(ReadStop::BadHeader, pendingLine, pendingHeader);
            if (n < 1 || n > kMaxPlaces) return fail(ReadStop::HeaderOutOfRange, pendingLine, pendingHeader);
            // Places of the game held before must not mix with this file's places,
            // even when the file has no [MODELO] section ahead of them.
            if (!modelSeen) {
                ResetModel(g);
                modelSeen = true;
            }
            place = std::make_unique<TLugar>();
            InitPlace(*place);
            placeNo = n;
            placesRead = true;
            if (map) map->placeHeaders.emplace_back(n, pendingLine);
            section = Section::Place;
        } else {
            std::string_view h = util::trimView(std::string_view(pendingHeader).substr(7));
            if (!h.empty()) h.remove_suffix(1);
            h = util::trimView(h);
            size_t sp = h.find(' ');
            int32_t p = 0, s = 0;
            if (sp == std::string_view::npos || !parseInt(h.substr(0, sp), p) || !parseInt(h.substr(sp + 1), s))
                return fail(ReadStop::BadHeader, pendingLine, pendingHeader);
            if (p < 1 || p > kMaxPlaces || s < 1 || s > kMaxSlides)
                return fail(ReadStop::HeaderOutOfRange, pendingLine, pendingHeader);
            // Checked at the header, so that the report names the slide's own line.
            if (!g.place(p)) return fail(ReadStop::SlideWithoutPlace, pendingLine, pendingHeader);
            slide = std::make_unique<TSlide>();
            InitSlide(*slide);
            slidePlace = p;
            slideNo = s;
            section = Section::Slide;
        }
        return true;
    }

    void endSection() {
        switch (section) {
        case Section::General:
            RecountComments(g);
            break;
        case Section::Place:
            g.places[size_t(placeNo)] = std::move(place);
            if (g.placeCount < placeNo) g.placeCount = placeNo;
            break;
        case Section::Slide:
            if (!keepSlides) {
                slide.reset();
            } else if (TLugar* p = g.place(slidePlace)) {
                slide->text.shrink_to_fit();
                p->slides[size_t(slideNo)] = std::move(slide);
            }
            break;
        default:
            break;
        }
        section = Section::None;
    }

    // Stores a key line of the current section; false when the key is not one of it
    // (or, with result.stop set, when its value cannot be taken).
    bool store(const KeyLine& kl) {
        const std::string& key = kl.key;
        std::string value(kl.value);
        switch (section) {
        case Section::General: {
            const GameField* f = fileField(gameFields(), FieldSection::General, key);
            return f && storeValue(*f, g, std::move(value));
        }
        case Section::Model: {
            const GameField* f = fileField(gameFields(), FieldSection::Model, key);
            if (!f) return false;
            if (f->id == FieldId::Font) {
                readFont(kl.value);
                return true;
            }
            if (f->id == FieldId::PlaceCount) {
                int32_t n = 0;
                if (!readNumber(*f, value, n)) return false;
                if (map) {
                    map->declaredPlaces = n;
                    map->declaredLine = lineNo;
                }
                // Places already read keep their numbers.
                g.placeCount = placesRead ? std::max(g.placeCount, n) : n;
                return true;
            }
            return storeValue(*f, g, std::move(value));
        }
        case Section::Place: {
            const PlaceField* f = fileField(placeFields(), FieldSection::Place, key);
            // Older games carried place scripts here; they are not used any more.
            if (!f) return key == kOldPlaceScript || key == kOldPlaceScriptEnd;
            if (map && f->id == FieldId::Answer) map->answers.push_back({placeNo, 0, lineNo, key, value});
            if (map && f->flag) map->flags.push_back({placeNo, 0, lineNo, key, value});
            return storeValue(*f, *place, std::move(value));
        }
        case Section::Slide: {
            // The slide's text lines: keys 0, 1, 2, ... kept in file order.
            if (!key.empty() && key[0] >= '0' && key[0] <= '9') {
                slide->text.push_back(std::move(value));
                return true;
            }
            const SlideField* f = fileField(slideFields(), FieldSection::Slide, key);
            if (!f) return false;
            if (map && f->flag) map->flags.push_back({slidePlace, slideNo, lineNo, key, value});
            return storeValue(*f, *slide, std::move(value));
        }
        default:
            return false;
        }
    }

    // A number within the field's limits.  Outside them, a field that must hold a
    // number stops the reading; any other reads as 0.
    template <class Owner>
    bool readNumber(const Field<Owner>& f, const std::string& value, int32_t& n) {
        if (parseInt(value, n) && n >= f.min && n <= f.max) return true;
        n = 0;
        if (!f.badNumberStops) return true;
        fail(ReadStop::BadNumber, lineNo, currentLine);
        return false;
    }

    template <class Owner>
    bool storeValue(const Field<Owner>& f, Owner& o, std::string value) {
        if (f.text) {
            *f.text(o) = std::move(value);
        } else if (f.flag) {
            *f.flag(o) = readsYes(f, value);
        } else if (f.number) {
            int32_t n = 0;
            if (!readNumber(f, value, n)) return false;
            *f.number(o) = n;
        }
        return true;
    }

    std::string currentLine;  // the line being read, for a failure report

    // FONTE DO TEXTO: face, then optionally size and bold, joined by ",".
    void readFont(std::string_view v) {
        TFonteLetras f;
        f.size = 20;
        f.bold = false;
        size_t c1 = v.find(',');
        if (c1 == std::string_view::npos) {
            f.face = std::string(v);
        } else {
            f.face = std::string(v.substr(0, c1));
            std::string_view rest = v.substr(c1 + 1);
            std::string_view boldPart = rest;
            size_t c2 = rest.find(',');
            if (c2 != std::string_view::npos) {
                int32_t size = 0;
                if (parseInt(util::trimView(rest.substr(0, c2)), size)) {
                    f.size = size;
                    boldPart = rest.substr(c2 + 1);
                }
            }
            f.bold = !(boldPart.empty() || boldPart[0] == '0' || boldPart[0] == 'N' || boldPart[0] == 'n');
        }
        f.handle = 0;
        f.halfLineHeight = 0;
        f.lineHeight = 0;
        g.font = f;
    }
};

// Streaming check of a byte stream: is it valid UTF-8, and does it hold at least
// one multi-byte sequence?  Such a file came from a Linux editor (or a Windows one
// saving UTF-8 without a mark); anything else is CP1252, as the format is.
struct Utf8Sniffer {
    int need = 0;         // continuation bytes still expected
    bool valid = true;
    bool multiByte = false;

    void feed(const char* data, size_t n) {
        for (size_t i = 0; i < n && valid; ++i) {
            uint8_t c = uint8_t(data[i]);
            if (need > 0) {
                if ((c & 0xC0) != 0x80) valid = false;
                --need;
                continue;
            }
            if (c < 0x80) continue;
            if (c >= 0xC2 && c <= 0xDF) need = 1;
            else if (c >= 0xE0 && c <= 0xEF) need = 2;
            else if (c >= 0xF0 && c <= 0xF4) need = 3;
            else valid = false;
            multiByte = true;
        }
    }
    bool isUtf8() const { return valid && need == 0 && multiByte; }
};

bool startsWithBom(const char* data, size_t n) { return n >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0; }

// UTF-8 -> CP1252; characters that CP1252 cannot hold become "?" and are noted
// (as UTF-8), so that a save can say so before it loses them.
std::string utf8LineToCp1252(const std::string& line, std::string& lost) {
    std::string out = plat::utf8ToCp1252(line);
    if (out.find('?') == std::string::npos) return out;
    // Walk both texts together: each character of the input gave one byte.
    size_t i = 0, o = 0;
    while (i < line.size() && o < out.size()) {
        uint8_t c = uint8_t(line[i]);
        size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        if (out[o] == '?' && line[i] != '?' && lost.size() < 64) {
            std::string ch = line.substr(i, len);
            if (lost.find(ch) == std::string::npos) lost += ch;
        }
        i += len;
        ++o;
    }
    return out;
}

// Splits a byte stream into lines at LF (a CR before it goes too), keeping at most
// kMaxLineKept bytes of each line.  A UTF-8 file (see Utf8Sniffer, or one with a
// byte-order mark) has its lines turned into CP1252.
struct LineSplitter {
    std::string cur;
    bool first = true;
    bool utf8 = false;
    bool stopped = false;
    std::string lost;  // characters of a UTF-8 file that CP1252 cannot hold

    template <class F>
    void feed(const char* data, size_t n, F&& onLine) {
        size_t i = 0;
        while (i < n && !stopped) {
            const void* nl = std::memchr(data + i, '\n', n - i);
            size_t end = nl ? size_t(static_cast<const char*>(nl) - data) : n;
            if (cur.size() < kMaxLineKept) cur.append(data + i, std::min(end - i, kMaxLineKept - cur.size()));
            if (!nl) return;
            emit(onLine);
            i = end + 1;
        }
    }

    template <class F>
    void end(F&& onLine) {
        if (!stopped && !cur.empty()) emit(onLine);
    }

    template <class F>
    void emit(F&& onLine) {
        if (!cur.empty() && cur.back() == '\r') cur.pop_back();
        if (first) {
            first = false;
            if (startsWithBom(cur.data(), cur.size())) {
                utf8 = true;
                cur.erase(0, 3);
            }
        }
        if (utf8) cur = utf8LineToCp1252(cur, lost);
        if (!onLine(std::string_view(cur))) stopped = true;
        cur.clear();
    }
};

}  // namespace

ReadResult ReadGameText(const std::string& bytes, TJogo& g, FileMap* map) {
    Reader r(g, map);
    LineSplitter sp;
    Utf8Sniffer sniff;
    sniff.feed(bytes.data(), bytes.size());
    sp.utf8 = sniff.isUtf8();
    auto onLine = [&](std::string_view line) {
        r.currentLine.assign(line);
        return r.feed(line);
    };
    sp.feed(bytes.data(), bytes.size(), onLine);
    sp.end(onLine);
    r.result.utf8 = sp.utf8;
    r.result.lost = sp.lost;
    if (sp.stopped) return r.result;
    r.finish();
    return r.result;
}

namespace {

ReadResult readGameFile(const std::string& linuxPath, TJogo& g, FileMap* map, bool keepSlides);

}  // namespace

ReadResult ReadGameFile(const std::string& linuxPath, TJogo& g, FileMap* map) {
    return readGameFile(linuxPath, g, map, true);
}

namespace {

ReadResult readGameFile(const std::string& linuxPath, TJogo& g, FileMap* map, bool keepSlides) {
    ReadResult res;
    struct stat st;
    std::FILE* f = nullptr;
    // Only plain files: a folder or a device (/dev/zero) is no game.
    if (stat(linuxPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (uint64_t(st.st_size) > safety::kMaxGameFileBytes) {
            res.stop = ReadStop::TooLarge;
            return res;
        }
        f = std::fopen(linuxPath.c_str(), "rb");
    }
    if (!f) {
        res.stop = ReadStop::CannotOpen;
        return res;
    }
    Reader r(g, map);
    r.keepSlides = keepSlides;
    LineSplitter sp;
    auto onLine = [&](std::string_view line) {
        r.currentLine.assign(line);
        return r.feed(line);
    };
    std::unique_ptr<char[]> buf(new char[65536]);
    size_t n;
    // The encoding is the whole file's: a first pass decides it.
    Utf8Sniffer sniff;
    while (sniff.valid && (n = std::fread(buf.get(), 1, 65536, f)) > 0) sniff.feed(buf.get(), n);
    sp.utf8 = sniff.isUtf8() && !std::ferror(f);
    std::rewind(f);
    while (!sp.stopped && (n = std::fread(buf.get(), 1, 65536, f)) > 0) sp.feed(buf.get(), n, onLine);
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    r.result.utf8 = sp.utf8;
    r.result.lost = sp.lost;
    if (sp.stopped) return r.result;
    if (readError) {
        r.fail(ReadStop::ReadError, r.lineNo, r.currentLine);
        return r.result;
    }
    sp.end(onLine);
    r.result.lost = sp.lost;
    if (sp.stopped) return r.result;
    r.finish();
    return r.result;
}

}  // namespace

FailureReport MakeFailureReport(const ReadResult& r) {
    FailureReport rep;
    if (r.stop == ReadStop::SlideWithoutPlace) rep.slideMessage = catalog::MessageText("LULSLINV");
    rep.heading = catalog::MessageText("LUERRARQ");
    if (r.line > 0) {
        rep.lineLabel = catalog::MessageText("LULINHA");
        rep.lineNumber = std::to_string(r.line);
        rep.contentLabel = catalog::MessageText("LUCONTEU");
        // Junk bytes must not move the cursor or ring: controls are shown as blanks,
        // and a huge line is cut to what a value may hold.
        rep.content = r.content.substr(0, kMaxValue);
        for (char& c : rep.content)
            if (uint8_t(c) < 32) c = ' ';
    }
    return rep;
}

namespace {

// What a save compares, to tell whether another program changed the file since it
// was loaded or last saved.
struct DiskStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime {};
};

DiskStamp stampOf(const std::string& path) {
    DiskStamp d;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return d;
    d.exists = true;
    d.dev = st.st_dev;
    d.ino = st.st_ino;
    d.size = st.st_size;
    d.mtime = st.st_mtim;
    return d;
}

bool sameStamp(const DiskStamp& a, const DiskStamp& b) {
    return a.exists == b.exists && (!a.exists || (a.dev == b.dev && a.ino == b.ino && a.size == b.size &&
                                                  a.mtime.tv_sec == b.mtime.tv_sec &&
                                                  a.mtime.tv_nsec == b.mtime.tv_nsec));
}

// The file the current game belongs to.  Saves go to its full path, so that a
// game program that changed the current folder cannot send them elsewhere.
struct GameFileState {
    std::string name;            // the current game file name it was made for (CP1252)
    std::string path;            // its full Linux path
    DiskStamp known;             // the file as loaded or last saved
    bool pendingNew = false;     // a new game whose file is made by its first save
    bool replaceAgreed = false;  // the user agreed to replace what is on disk
    std::string lost;            // characters read that the file cannot hold (UTF-8)
};
GameFileState gFile;

std::string absolutePath(const std::string& linuxPath) {
    if (linuxPath.empty() || linuxPath[0] == '/') return linuxPath;
    std::string here = plat::currentDir();
    return here == "/" ? "/" + linuxPath : here + "/" + linuxPath;
}

void adopt(const std::string& name, const std::string& path) {
    gFile = GameFileState();
    gFile.name = name;
    gFile.path = path;
    gFile.known = stampOf(path);
}

// A question answered with S (yes) or anything else (no), said and echoed.
bool askYes(const std::string& questionCp1252) {
    con::write(questionCp1252);
    con::speak(questionCp1252);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    con::writeLn();
    return ch == 'S' || ch == 's';
}

int placesIn(const TJogo& g) {
    int n = 0;
    for (int i = 1; i <= std::min<int>(g.placeCount, kMaxPlaces); ++i) n += g.place(i) ? 1 : 0;
    return n;
}

// "U+2192" for each character: the console cannot show what CP1252 lacks.
std::string describeChars(const std::string& utf8) {
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        uint8_t c = uint8_t(utf8[i]);
        int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < len && i + size_t(k) < utf8.size(); ++k) cp = (cp << 6) | (uint8_t(utf8[i + size_t(k)]) & 0x3F);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%sU+%04X", out.empty() ? "" : " ", unsigned(cp));
        out += buf;
        i += size_t(len);
    }
    return out;
}

// The questions a save asks before it replaces what is on disk; false when the
// user declines one of them.
bool saveAgreed(const std::string& path, const TJogo& g) {
    DiskStamp now = stampOf(path);
    if (now.exists && !gFile.replaceAgreed && !sameStamp(now, gFile.known)) {
        if (!askYes(plat::cp("O arquivo do jogo foi alterado no disco por outro programa depois que foi aberto. "
                             "Gravar por cima? ")))
            return false;
    }
    if (now.exists && !gFile.replaceAgreed) {
        // Only its places are counted: the file's slides would double the memory a save takes.
        TJogo onDisk;
        readGameFile(path, onDisk, nullptr, false);
        int before = placesIn(onDisk), after = placesIn(g);
        if (after < before &&
            !askYes(plat::cp("O jogo vai ser gravado com ") + std::to_string(after) +
                    plat::cp(" lugares, menos que os ") + std::to_string(before) +
                    plat::cp(" do arquivo no disco. Gravar mesmo assim? ")))
            return false;
    }
    if (!gFile.lost.empty() &&
        !askYes(plat::cp("O arquivo do jogo não guarda estes caracteres, que serão gravados como ponto de "
                         "interrogação: ") +
                describeChars(gFile.lost) + plat::cp(". Gravar mesmo assim? ")))
        return false;
    return true;
}

}  // namespace

std::string GameFilePath() {
    const std::string& name = game::session().currentGameFile;
    if (util::trimView(name).empty()) return std::string();
    if (gFile.name != name || gFile.path.empty()) adopt(name, absolutePath(plat::mapPath(name)));
    return gFile.path;
}

void StartNewGameFile(const std::string& name) {
    adopt(name, absolutePath(plat::mapPath(name)));
    gFile.pendingNew = true;
}

void AgreeToReplace(const std::string& name) {
    adopt(name, absolutePath(plat::mapPath(name)));
    gFile.replaceAgreed = true;
}

bool LoadGame(const std::string& fileName) {
    std::string path = absolutePath(plat::mapPath(fileName));
    // The game's own pronunciation dictionary lives beside its file.
    speech::loadGameLexicon(path.substr(0, path.rfind('/')));
    // A new game chosen by name lives in memory until its first save.
    if (gFile.pendingNew && gFile.path == path && !stampOf(path).exists) {
        gFile.name = fileName;
        return true;
    }
    DiskStamp stamp = stampOf(path);
    // Every file starts from a fresh game: one without [DADOS GERAIS] or [MODELO]
    // must not keep the name, program or places of the game held before.
    TJogo& g = current();
    ResetGeneralData(g);
    ResetModel(g);
    ReadResult r = ReadGameFile(path, g);
    adopt(fileName, path);
    gFile.known = stamp;
    gFile.lost = r.lost;
    if (r.ok) return true;
    FailureReport rep = MakeFailureReport(r);
    if (!rep.slideMessage.empty()) catalog::SayMessage("LULSLINV", 1);
    catalog::SayMessage("LUERRARQ", 1);
    if (r.stop == ReadStop::TooLarge) con::writeLineAndSpeak(safety::gameFileTooLargeText());
    if (r.line > 0) {
        catalog::SayMessage("LULINHA", 0);
        con::writeLineAndSpeak(rep.lineNumber);
        catalog::SayMessage("LUCONTEU", 1);
        con::writeLineAndSpeak(rep.content);
        con::flushKeys();
        catalog::SayMessage("LUAPTENT", 1);
        con::readLineRaw();
    }
    return false;
}

namespace {

// A value goes on one line: a line break inside it would cut the file's structure.
void putLine(std::string& out, const std::string& key, const std::string& value) {
    out += key;
    out += '=';
    size_t at = out.size();
    out += value;
    for (size_t i = at; i < out.size(); ++i)
        if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
    out += "\r\n";
}

// A field's line; a text written only when set is left out while empty.
template <class Owner>
void putField(std::string& out, const Field<Owner>& f, const Owner& o) {
    if (f.fileOnlyWhenSet && f.textOf(o).empty()) return;
    putLine(out, f.fileKey, fieldText(f, o));
}

// The file's bytes in order.  `spill` is offered the text made so far after
// each slide and may take it away (and empty `out`), so that a save holds a
// slide's worth of the file rather than all of it; false stops the writing.
bool writeGame(const TJogo& g, std::string& out, const std::function<bool(std::string&)>& spill) {
    out += "[DADOS GERAIS]\r\n";
    // Comments 2 to 5 are written together, only when one of them holds something.  The
    // count is recomputed here so that comments edited without a recount still reach the file.
    const bool moreComments = std::max(g.commentCount, CountComments(g.general)) > 1;
    for (const GameField& f : gameFields()) {
        if (f.section != FieldSection::General || f.fileKey.empty()) continue;
        if (f.id >= FieldId::Comment2 && f.id <= FieldId::Comment5 && !moreComments) continue;
        putField(out, f, g);
    }

    out += "\r\n[MODELO]\r\n";
    for (const GameField& f : gameFields()) {
        if (f.section != FieldSection::Model || f.fileKey.empty()) continue;
        if (f.id == FieldId::Font)
            putLine(out, f.fileKey, g.font.face + "," + std::to_string(g.font.size) + "," + yesNoText(g.font.bold));
        else
            putField(out, f, g);
    }

    int lastPlace = std::min<int>(g.placeCount, kMaxPlaces);
    for (int i = 1; i <= lastPlace; ++i) {
        const TLugar* p = g.place(i);
        if (!p) continue;
        out += "\r\n[LUGAR " + std::to_string(i) + "]\r\n";
        for (const PlaceField& f : placeFields())
            if (!f.fileKey.empty()) putField(out, f, *p);
        int lastSlide = std::min<int>(p->slideCount, kMaxSlides);
        for (int s = 1; s <= lastSlide; ++s) {
            const TSlide* sl = p->slide(s);
            if (!sl) continue;
            out += "\r\n[SLIDE " + std::to_string(i) + " " + std::to_string(s) + "]\r\n";
            for (const SlideField& f : slideFields())
                if (!f.fileKey.empty()) putField(out, f, *sl);
            // The text lines come last, keyed by their number from 0.
            for (size_t t = 0; t < sl->text.size(); ++t) putLine(out, std::to_string(t), sl->text[t]);
            if (spill && !spill(out)) return false;
        }
    }
    return !spill || spill(out);
}

}  // namespace

std::string GameText(const TJogo& g) {
    std::string out;
    writeGame(g, out, nullptr);
    return out;
}

util::Result WriteGameFile(const std::string& linuxPath, const TJogo& g) {
    return util::writeFileAtomically(linuxPath, [&g](int fd) {
        // Written in pieces of some 64 KiB: the file is never whole in memory.
        constexpr size_t kPiece = 64 * 1024;
        std::string out;
        out.reserve(2 * kPiece);
        bool writeFailed = false;
        int err = 0;
        const bool whole = writeGame(g, out, [&](std::string& text) {
            if (text.size() < kPiece) return true;
            if (!util::writeAll(fd, text)) {
                err = errno;
                writeFailed = true;
                return false;
            }
            text.clear();
            return true;
        });
        if (whole && !writeFailed && !out.empty() && !util::writeAll(fd, out)) {
            err = errno;
            writeFailed = true;
        }
        return writeFailed ? util::Result::failure(util::reasonInWords(err)) : util::Result::success();
    });
}

bool SaveGame() {
    std::string path = GameFilePath();
    const TJogo& g = current();
    if (!path.empty() && !saveAgreed(path, g)) {
        catalog::SayMessage("LUDESIST", 1);
        return false;
    }
    const util::Result saved = WriteGameFile(path, g);
    const bool ok = saved.ok();
    if (ok) {
        gFile.known = stampOf(path);
        gFile.pendingNew = false;
        gFile.replaceAgreed = false;
        gFile.lost.clear();
        catalog::SayMessage("LUARQOK", 1);
    } else {
        catalog::SayMessage("LUERRCRI", 1);
        con::writeLineAndSpeak(saved.reason());
    }
    con::delayMs(1000);
    return ok;
}

std::string GameFileNameFromAnswer(const std::string& answer) {
    std::string name = util::trim(answer);
    if (name.empty()) return name;
    if (name.size() < 4 || util::upperLatin(std::string_view(name).substr(name.size() - 4)) != ".LUD") name += ".lud";
    return name;
}

bool SaveGameAs() {
    catalog::SayMessage("LUNOMNOV", 1);
    std::string answer;
    con::readLine(answer);
    std::string name = GameFileNameFromAnswer(answer);
    if (name.empty()) {
        catalog::SayMessage("LUDESIST", 1);
        return false;
    }
    // A name that cannot be written must not replace the file the game came from:
    // the next save would fail the same way and leaving would lose the work.
    // A name without a folder goes beside the game's own file.
    std::string folder = GameFilePath();
    folder = folder.empty() ? std::string() : folder.substr(0, folder.rfind('/') + 1);
    bool bare = name.find_first_of("\\/:") == std::string::npos;
    std::string path = bare && !folder.empty() ? plat::mapPath(plat::utf8ToCp1252(folder) + name)
                                               : absolutePath(plat::mapPath(name));
    std::string& current = game::session().currentGameFile;
    const std::string previous = current;
    const GameFileState before = gFile;
    if (path != before.path && stampOf(path).exists) {
        if (!catalog::AgreeOrGiveUp("LUDESTRU")) return false;
    }
    current = name;
    if (path != before.path) {
        adopt(name, path);
        gFile.replaceAgreed = true;
        gFile.lost = before.lost;
    } else {
        gFile.name = name;
    }
    if (SaveGame()) return true;
    current = previous;
    gFile = before;
    return false;
}

}  // namespace game
