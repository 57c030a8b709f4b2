#include "game/gamefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "app/catalog.h"
#include "app/startup.h"
#include "console/console.h"
#include "console/textwin.h"
#include "game/text.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace game {

namespace {

// The keys of the file, as CP1252 bytes, in the order the writer produces them.
struct FileKeys {
    std::string name = "NOME DO JOGO", author = "AUTOR", created = plat::cp("DATA DE CRIAÇÃO"),
                version = plat::cp("VERSÃO"), versionDate = plat::cp("DATA DA VERSÃO"), script = "SCRIPT",
                comment1 = plat::cp("COMENTÁRIOS");
    std::string background = "FUNDO", font = "FONTE DO TEXTO", places = "LUGARES";
    std::string placeName = "NOME", description = plat::cp("DESCRIÇÃO"), category = "CATEGORIA",
                expected = "RESPOSTA ESPERADA", right = "LUGAR OK", wrong = "LUGAR ERRO",
                points = plat::cp("PONTUAÇÃO"), ends = "TERMINADOR", slides = plat::cp("NÚMERO DE SLIDES"),
                media = plat::cp("MÍDIA"), bgColour = "COR DO FUNDO", textColour = "COR DA LETRA",
                scriptEnd = "SCRIPTFINAL";
    std::string title = plat::cp("TÍTULO"), picPos = plat::cp("POSIÇÃO FIGURA"), picture = "FIGURA",
                waitMedia = plat::cp("ESPERA MÍDIA"), effect = "EFEITO", autoAdvance = plat::cp("AUTO AVANÇA"),
                speakText = "FALA TEXTO", textPos = plat::cp("POSIÇÃO TEXTO");
    std::string yes = "SIM", no = plat::cp("NÃO");
};

const FileKeys& keys() {
    static const FileKeys k;
    return k;
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
    return {upperLatin(trimView(line.substr(0, eq))), value};
}

// The reader, fed one line at a time so that a file is never held whole in memory.
struct Reader {
    explicit Reader(TJogo& game) : g(game) {}

    TJogo& g;
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
        if (trimView(line).empty() || line[0] == ';') return true;
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
        std::string up = upperLatin(line);
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
        std::string up = upperLatin(pendingHeader);
        std::string_view u = trimView(up);
        if (u == "[DADOS GERAIS]") {
            ResetGeneralData(g);
            section = Section::General;
        } else if (u == "[MODELO]") {
            ResetModel(g);
            modelSeen = true;
            section = Section::Model;
        } else if (u.substr(0, 7) == "[LUGAR ") {
            // "[LUGAR", the closing character and the blanks go; the rest is the number.
            std::string_view h = trimView(pendingHeader);
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
            section = Section::Place;
        } else {
            std::string_view h = trimView(std::string_view(pendingHeader).substr(7));
            if (!h.empty()) h.remove_suffix(1);
            h = trimView(h);
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
            if (TLugar* p = g.place(slidePlace)) {
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
        const FileKeys& k = keys();
        const std::string& key = kl.key;
        std::string value(kl.value);
        switch (section) {
        case Section::General: {
            TDadosGerais& d = g.general;
            if (key == k.name) d.name = std::move(value);
            else if (key == k.author) d.author = std::move(value);
            else if (key == k.created) d.creationDate = std::move(value);
            else if (key == k.version) d.version = std::move(value);
            else if (key == k.versionDate) d.versionDate = std::move(value);
            else if (key == k.script) d.program = std::move(value);
            else if (key == k.comment1) d.comments[0] = std::move(value);
            else if (key.size() == k.comment1.size() + 1 && key.compare(0, k.comment1.size(), k.comment1) == 0 &&
                     key.back() >= '2' && key.back() <= '5')
                d.comments[size_t(key.back() - '1')] = std::move(value);
            else return false;
            return true;
        }
        case Section::Model:
            if (key == k.background) g.backgroundPicture = std::move(value);
            else if (key == k.font) readFont(kl.value);
            else if (key == k.places) {
                int32_t n = 0;
                if (!parseInt(value, n) || n < 0 || n > kMaxPlaces) {
                    fail(ReadStop::BadNumber, lineNo, currentLine);
                    return false;
                }
                g.placeCount = n;
            } else return false;
            return true;
        case Section::Place: {
            TLugar& p = *place;
            if (key == k.placeName) p.name = std::move(value);
            else if (key == k.description) p.description = std::move(value);
            else if (key == k.category) p.category = std::move(value);
            else if (key == k.expected) p.expectedAnswer = std::move(value);
            else if (key == k.right) p.placeIfRight = std::move(value);
            else if (key == k.wrong) p.placeIfWrong = std::move(value);
            else if (key == k.points) {
                int32_t n = 0;
                p.points = parseInt(value, n) ? n : 0;
            } else if (key == k.ends) p.endsGame = !value.empty() && upperLatin(uint8_t(value[0])) == 'S';
            else if (key == k.slides) {
                int32_t n = 0;
                if (!parseInt(value, n) || n < 0 || n > kMaxSlides) {
                    fail(ReadStop::BadNumber, lineNo, currentLine);
                    return false;
                }
                p.slideCount = n;
            } else if (key == k.media) p.media = std::move(value);
            else if (key == k.bgColour) p.backgroundColour = std::move(value);
            else if (key == k.textColour) p.textColour = std::move(value);
            else if (key == k.background) p.backgroundPicture = std::move(value);
            else if (key == k.script || key == k.scriptEnd) {
                // Older games carried place scripts here; they are not used any more.
            } else return false;
            return true;
        }
        case Section::Slide: {
            TSlide& s = *slide;
            auto flag = [&] { return !value.empty() && (value[0] == 'S' || value[0] == '1'); };
            if (!key.empty() && key[0] >= '0' && key[0] <= '9') s.text.push_back(std::move(value));
            else if (key == k.title) s.title = std::move(value);
            else if (key == k.picPos) s.picturePosition = std::move(value);
            else if (key == k.picture) s.picture = std::move(value);
            else if (key == k.media) s.media = std::move(value);
            else if (key == k.waitMedia) s.waitMedia = flag();
            else if (key == k.effect) s.effect = std::move(value);
            else if (key == k.autoAdvance) s.autoAdvance = flag();
            else if (key == k.speakText) s.speakText = flag();
            else if (key == k.textPos) s.textPosition = std::move(value);
            else return false;
            return true;
        }
        default:
            return false;
        }
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
                if (parseInt(trimView(rest.substr(0, c2)), size)) {
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

// Splits a byte stream into lines at LF (a CR before it goes too), keeping at most
// kMaxLineKept bytes of each line.  A UTF-8 byte-order mark makes the file UTF-8:
// its lines are turned into CP1252.
struct LineSplitter {
    std::string cur;
    bool first = true;
    bool utf8 = false;
    bool stopped = false;

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
            if (cur.compare(0, 3, "\xEF\xBB\xBF") == 0) {
                utf8 = true;
                cur.erase(0, 3);
            }
        }
        if (utf8) cur = plat::utf8ToCp1252(cur);
        if (!onLine(std::string_view(cur))) stopped = true;
        cur.clear();
    }
};

}  // namespace

ReadResult ReadGameText(const std::string& bytes, TJogo& g) {
    Reader r(g);
    LineSplitter sp;
    auto onLine = [&](std::string_view line) {
        r.currentLine.assign(line);
        return r.feed(line);
    };
    sp.feed(bytes.data(), bytes.size(), onLine);
    sp.end(onLine);
    if (sp.stopped) return r.result;
    r.finish();
    return r.result;
}

ReadResult ReadGameFile(const std::string& linuxPath, TJogo& g) {
    ReadResult res;
    struct stat st;
    std::FILE* f = nullptr;
    // Only plain files: a folder or a device (/dev/zero) is no game.
    if (stat(linuxPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) f = std::fopen(linuxPath.c_str(), "rb");
    if (!f) {
        res.stop = ReadStop::CannotOpen;
        return res;
    }
    Reader r(g);
    LineSplitter sp;
    auto onLine = [&](std::string_view line) {
        r.currentLine.assign(line);
        return r.feed(line);
    };
    std::unique_ptr<char[]> buf(new char[65536]);
    size_t n;
    while (!sp.stopped && (n = std::fread(buf.get(), 1, 65536, f)) > 0) sp.feed(buf.get(), n, onLine);
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (sp.stopped) return r.result;
    if (readError) {
        r.fail(ReadStop::ReadError, r.lineNo, r.currentLine);
        return r.result;
    }
    sp.end(onLine);
    if (sp.stopped) return r.result;
    r.finish();
    return r.result;
}

FailureReport MakeFailureReport(const ReadResult& r) {
    FailureReport rep;
    if (r.stop == ReadStop::SlideWithoutPlace) rep.slideMessage = app::MessageText("LULSLINV");
    rep.heading = app::MessageText("LUERRARQ");
    if (r.line > 0) {
        rep.lineLabel = app::MessageText("LULINHA");
        rep.lineNumber = std::to_string(r.line);
        rep.contentLabel = app::MessageText("LUCONTEU");
        // Junk bytes must not move the cursor or ring: controls are shown as blanks,
        // and a huge line is cut to what a value may hold.
        rep.content = r.content.substr(0, kMaxValue);
        for (char& c : rep.content)
            if (uint8_t(c) < 32) c = ' ';
    }
    return rep;
}

bool LoadGame(const std::string& fileName) {
    ReadResult r = ReadGameFile(plat::mapPath(fileName), current());
    if (r.ok) return true;
    FailureReport rep = MakeFailureReport(r);
    if (!rep.slideMessage.empty()) app::SayMessage("LULSLINV", 1);
    app::SayMessage("LUERRARQ", 1);
    if (r.line > 0) {
        app::SayMessage("LULINHA", 0);
        con::writeLineAndSpeak(rep.lineNumber);
        app::SayMessage("LUCONTEU", 1);
        con::writeLineAndSpeak(rep.content);
        con::flushKeys();
        app::SayMessage("LUAPTENT", 1);
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

}  // namespace

std::string GameText(const TJogo& g) {
    const FileKeys& k = keys();
    auto yesNo = [&](bool b) -> const std::string& { return b ? k.yes : k.no; };
    std::string out;
    const TDadosGerais& d = g.general;
    out += "[DADOS GERAIS]\r\n";
    putLine(out, k.name, d.name);
    putLine(out, k.author, d.author);
    putLine(out, k.created, d.creationDate);
    putLine(out, k.version, d.version);
    putLine(out, k.versionDate, d.versionDate);
    if (!d.program.empty()) putLine(out, k.script, d.program);
    putLine(out, k.comment1, d.comments[0]);
    // The count is recomputed here so that comments edited without a recount still reach the file.
    if (std::max(g.commentCount, CountComments(d)) > 1)
        for (int i = 2; i <= kComments; ++i) putLine(out, k.comment1 + char('0' + i), d.comments[size_t(i - 1)]);

    out += "\r\n[MODELO]\r\n";
    putLine(out, k.background, g.backgroundPicture);
    putLine(out, k.font, g.font.face + "," + std::to_string(g.font.size) + "," + yesNo(g.font.bold));
    putLine(out, k.places, std::to_string(g.placeCount));

    int lastPlace = std::min<int>(g.placeCount, kMaxPlaces);
    for (int i = 1; i <= lastPlace; ++i) {
        const TLugar* p = g.place(i);
        if (!p) continue;
        out += "\r\n[LUGAR " + std::to_string(i) + "]\r\n";
        putLine(out, k.placeName, p->name);
        putLine(out, k.description, p->description);
        putLine(out, k.category, p->category);
        putLine(out, k.expected, p->expectedAnswer);
        putLine(out, k.right, p->placeIfRight);
        putLine(out, k.wrong, p->placeIfWrong);
        putLine(out, k.points, std::to_string(p->points));
        putLine(out, k.ends, yesNo(p->endsGame));
        putLine(out, k.slides, std::to_string(p->slideCount));
        putLine(out, k.media, p->media);
        putLine(out, k.bgColour, p->backgroundColour);
        putLine(out, k.textColour, p->textColour);
        putLine(out, k.background, p->backgroundPicture);
        int lastSlide = std::min<int>(p->slideCount, kMaxSlides);
        for (int s = 1; s <= lastSlide; ++s) {
            const TSlide* sl = p->slide(s);
            if (!sl) continue;
            out += "\r\n[SLIDE " + std::to_string(i) + " " + std::to_string(s) + "]\r\n";
            putLine(out, k.title, sl->title);
            if (!sl->picturePosition.empty()) putLine(out, k.picPos, sl->picturePosition);
            putLine(out, k.picture, sl->picture);
            putLine(out, k.media, sl->media);
            putLine(out, k.waitMedia, yesNo(sl->waitMedia));
            if (!sl->effect.empty()) putLine(out, k.effect, sl->effect);
            putLine(out, k.autoAdvance, yesNo(sl->autoAdvance));
            putLine(out, k.speakText, yesNo(sl->speakText));
            if (!sl->textPosition.empty()) putLine(out, k.textPos, sl->textPosition);
            for (size_t t = 0; t < sl->text.size(); ++t) putLine(out, std::to_string(t), sl->text[t]);
        }
    }
    return out;
}

namespace {

std::string errnoText() { return std::strerror(errno); }

// The file that a save replaces: a link is followed so that the link stays a link.
std::string saveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (realpath(path.c_str(), buf)) return buf;
    }
    return path;
}

bool writeAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += w;
        n -= size_t(w);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& linuxPath, const std::string& bytes, std::string* why) {
    auto failed = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (linuxPath.empty()) return failed("nome vazio");
    std::string target = saveTarget(linuxPath);
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) return failed("nome vazio");

    struct stat st;
    bool existed = stat(target.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) return failed(std::strerror(EISDIR));
    mode_t mode;
    if (existed) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }

    std::string tmpl = dir + "/." + base + ".XXXXXX";
    std::unique_ptr<char[]> name(new char[tmpl.size() + 1]);
    std::memcpy(name.get(), tmpl.c_str(), tmpl.size() + 1);
    int fd = mkstemp(name.get());
    if (fd < 0) return failed(errnoText());
    std::string tmp = name.get();
    auto abandon = [&](const std::string& reason) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return failed(reason);
    };
    if (fchmod(fd, mode) != 0) return abandon(errnoText());
    if (!writeAll(fd, bytes.data(), bytes.size())) return abandon(errnoText());
    if (fsync(fd) != 0) return abandon(errnoText());
    if (::close(fd) != 0) {
        ::unlink(tmp.c_str());
        return failed(errnoText());
    }
    if (std::rename(tmp.c_str(), target.c_str()) != 0) {
        std::string reason = errnoText();
        ::unlink(tmp.c_str());
        return failed(reason);
    }
    // The new name must reach the disk too; a folder that cannot be synced is not an error.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool SaveGame() {
    const std::string& name = app::appState().currentGameFile;
    bool ok = !trimView(name).empty() && WriteFileAtomically(plat::mapPath(name), GameText(current()));
    app::SayMessage(ok ? "LUARQOK" : "LUERRCRI", 1);
    con::delayMs(1000);
    return ok;
}

std::string GameFileNameFromAnswer(const std::string& answer) {
    std::string name = trimText(answer);
    if (name.empty()) return name;
    if (name.size() < 4 || upperLatin(std::string_view(name).substr(name.size() - 4)) != ".LUD") name += ".lud";
    return name;
}

bool SaveGameAs() {
    app::SayMessage("LUNOMNOV", 1);
    std::string answer;
    con::readLine(answer);
    std::string name = GameFileNameFromAnswer(answer);
    if (name.empty()) {
        app::SayMessage("LUDESIST", 1);
        return false;
    }
    // A name that cannot be written must not replace the file the game came from:
    // the next save would fail the same way and leaving would lose the work.
    std::string& current = app::appState().currentGameFile;
    const std::string previous = current;
    current = name;
    if (SaveGame()) return true;
    current = previous;
    return false;
}

}  // namespace game
