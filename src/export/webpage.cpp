// The game as one web page: the game's data as JSON inside the page, its media as
// data: addresses, and the player script.  Nothing in the page is fetched.
#include "export/webpage.h"

#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <memory>

#include "catalog/catalog.h"
#include "console/console.h"
#include "console/textwin.h"
#include "game/fields.h"
#include "game/gamefile.h"
#include "game/session.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "player/slide.h"
#include "util/atomic.h"
#include "util/log.h"
#include "util/result.h"
#include "util/text.h"

namespace web {

namespace {

// ---- JSON -------------------------------------------------------------------

// A CP1252 text as a JSON string that is also safe inside a <script> element:
// a game's text must never close the element or open a comment.
std::string jsonText(const std::string& cp1252) {
    const std::string s = plat::cp1252ToUtf8(cp1252);
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '<': out += "\\u003c"; break;
            case '>': out += "\\u003e"; break;
            case '&': out += "\\u0026"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

std::string jsonBool(bool b) { return b ? "true" : "false"; }

std::string base64(const std::string& bytes) {
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out += kDigits[(v >> k) & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// ---- media ------------------------------------------------------------------

// The type a browser plays a medium as; empty for kinds it cannot show.
std::string mimeType(const std::string& linuxPath) {
    const size_t dot = linuxPath.rfind('.');
    if (dot == std::string::npos) return std::string();
    const std::string ext = util::upperLatin(linuxPath.substr(dot + 1));
    static const std::map<std::string, std::string> kTypes = {
        {"JPG", "image/jpeg"}, {"JPEG", "image/jpeg"}, {"PNG", "image/png"},  {"GIF", "image/gif"},
        {"BMP", "image/bmp"},  {"WAV", "audio/wav"},   {"MP3", "audio/mpeg"}, {"OGG", "audio/ogg"},
        {"OGA", "audio/ogg"},  {"OPUS", "audio/ogg"},  {"FLAC", "audio/flac"}, {"M4A", "audio/mp4"},
        {"MP4", "video/mp4"},  {"WEBM", "video/webm"}, {"OGV", "video/ogg"},
    };
    auto it = kTypes.find(ext);
    return it == kTypes.end() ? std::string() : it->second;
}

std::string realPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

std::string confinedIn(const std::string& root, const std::string& nameCp1252, bool& outside);

// Media go into the page once each, however many slides name them.  A name is
// resolved once (the disk is asked per distinct name, not per mention), and the
// report's list of what was left out is kept in a set beside it: the cost of a
// game stays in proportion to its places.
struct MediaTable {
    std::string root;  // the game's folder as realpath gives it; empty when it is none
    ExportReport& report;
    std::unordered_map<std::string, int> byName;  // trimmed name -> index or -1
    std::unordered_map<std::string, int> byPath;
    std::unordered_set<std::string> leftKeys;
    std::vector<std::string> uris;

    MediaTable(const std::string& folder, ExportReport& r) : root(realPath(folder)), report(r) {}

    // Index of the medium in the page, or -1 (and a line in the report).
    int add(const std::string& nameCp1252) {
        std::string name = util::trim(nameCp1252);
        if (name.empty()) return -1;
        auto seen = byName.find(name);
        if (seen != byName.end()) return seen->second;
        const int index = resolve(name);
        byName.emplace(std::move(name), index);
        return index;
    }

    int resolve(const std::string& name) {
        // A variable is known only while a program runs; the page has none.
        if (name.find('$') != std::string::npos) return leave(name, Left::Variable);
        bool outside = false;
        const std::string path = root.empty() ? std::string() : confinedIn(root, name, outside);
        if (path.empty()) return leave(name, outside ? Left::OutsideFolder : Left::Missing);
        auto known = byPath.find(path);
        if (known != byPath.end()) return known->second;
        const std::string type = mimeType(path);
        if (type.empty()) return leave(name, Left::NotPlayable);
        std::string bytes;
        if (!plat::readFile(plat::utf8ToCp1252(path), bytes, kMaxMediumBytes + 1)) return leave(name, Left::Missing);
        if (bytes.size() > kMaxMediumBytes) return leave(name, Left::TooLarge);
        report.inlinedBytes += bytes.size();
        uris.push_back("data:" + type + ";base64," + base64(bytes));
        byPath.emplace(path, int(uris.size()) - 1);
        return int(uris.size()) - 1;
    }

    int leave(const std::string& name, Left why) {
        if (leftKeys.insert(std::to_string(int(why)) + ':' + name).second) report.leftOut.push_back({name, why});
        return -1;
    }
};

std::string mediumRef(int index) { return index < 0 ? "null" : std::to_string(index); }

// A colour of the game as CSS; empty texts keep the player's defaults.
std::string cssColour(const std::string& colour) {
    if (util::trim(colour).empty()) return "null";
    const plat::Rgb c = plat::paletteEntry(player::ColourIndex(colour));
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"#%02x%02x%02x\"", c.r, c.g, c.b);
    return buf;
}

// A field's value in the page, drawn by its kind.
template <class Owner>
std::string fieldJson(const game::Field<Owner>& f, const Owner& o, MediaTable& media) {
    using game::FieldKind;
    switch (f.kind) {
    case FieldKind::Number: return std::to_string(f.numberOf(o));
    case FieldKind::YesNo: return jsonBool(f.flagOf(o));
    case FieldKind::Colour: return cssColour(f.textOf(o));
    case FieldKind::Picture:
    case FieldKind::Media: return mediumRef(media.add(f.textOf(o)));
    case FieldKind::MediaList: {
        const std::string& list = f.textOf(o);
        std::string out = "[";
        bool first = true;
        size_t start = 0;
        for (;;) {
            const size_t bar = list.find('|', start);
            const std::string piece = list.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
            if (!util::trim(piece).empty()) {
                out += (first ? "" : ",") + mediumRef(media.add(piece));
                first = false;
            }
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        return out + "]";
    }
    case FieldKind::Lines: {
        const std::vector<std::string>& lines = f.linesOf(o);
        std::string out = "[";
        for (size_t i = 0; i < lines.size(); ++i) out += (i ? "," : "") + jsonText(lines[i]);
        return out + "]";
    }
    default: return jsonText(f.textOf(o));
    }
}

void addMember(std::string& out, const char* key, const std::string& value) {
    out += std::string(out.empty() ? "{" : ",") + "\"" + key + "\":" + value;
}

std::string slideJson(const game::TSlide& s, MediaTable& media) {
    static const auto fields = game::fieldsBy(game::slideFields(), &game::SlideField::webRank);
    std::string out;
    for (const game::SlideField* f : fields) {
        addMember(out, f->webKey, fieldJson(*f, s, media));
        // Whether the slide names a picture at all, found or not.
        if (f->id == game::FieldId::PicturePosition)
            addMember(out, "temFigura", jsonBool(!util::trim(s.picture).empty()));
    }
    return out + "}";
}

std::string placeJson(const game::TLugar& p, MediaTable& media) {
    static const auto fields = game::fieldsBy(game::placeFields(), &game::PlaceField::webRank);
    std::string out;
    for (const game::PlaceField* f : fields) addMember(out, f->webKey, fieldJson(*f, p, media));
    out += ",\"slides\":[";
    // Slides 1..number of slides; an empty slot shows only the place's background.
    const int count = std::max(0, std::min(p.slideCount, game::kMaxSlides));
    for (int s = 1; s <= count; ++s) {
        const game::TSlide* slide = p.slide(s);
        out += (s > 1 ? "," : "") + (slide ? slideJson(*slide, media) : std::string("null"));
    }
    return out + "]}";
}

// The catalogue's texts that play speaks, so that the page says what Ludivar says.
std::string messagesJson() {
    static const char* kKeys[] = {"LUAUTOR", "LUVERSAO", "LUAPTENT", "LUCNFFIM", "LUFIMJOG",
                                  "LUPRGINC", "LUCATNEX", "LUCATEXC"};
    std::string out = "{";
    for (const char* key : kKeys) out += std::string(out.size() > 1 ? "," : "") + "\"" + key + "\":" + jsonText(catalog::MessageText(key));
    return out + "}";
}

std::string htmlText(const std::string& cp1252) {
    std::string out;
    for (char c : plat::cp1252ToUtf8(cp1252)) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string dirOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string ConfinedMedium(const std::string& gameFolder, const std::string& nameCp1252, bool& outside) {
    outside = false;
    const std::string root = realPath(gameFolder);
    if (root.empty()) return std::string();
    return confinedIn(root, nameCp1252, outside);
}

namespace {

std::string confinedIn(const std::string& root, const std::string& nameCp1252, bool& outside) {
    outside = false;
    std::string name = util::trim(nameCp1252);
    for (char& c : name)
        if (c == '\\') c = '/';
    const bool drive = name.size() >= 2 && name[1] == ':';
    const bool absolute = drive || (!name.empty() && name[0] == '/');
    // Names are resolved as the player resolves them (drive letters, case), then
    // judged by where they really lead, links followed.
    const std::string mapped = plat::mapPath(absolute ? name : plat::utf8ToCp1252(root) + "/" + name);
    const std::string real = realPath(mapped);
    if (real.empty()) {
        // A name that leads nowhere still must not be read as "missing" when it
        // points away from the folder: the report says where it pointed.
        outside = absolute || name.find("..") != std::string::npos;
        return std::string();
    }
    if (real.compare(0, root.size(), root) != 0 || real.size() <= root.size() || real[root.size()] != '/') {
        outside = true;
        return std::string();
    }
    return real;
}

}  // namespace

std::string GamePage(const game::TJogo& g, const std::string& gameFolder, ExportReport& report) {
    MediaTable media(gameFolder, report);
    report.needsProgram = !util::trim(g.general.program).empty();

    static const auto fields = game::fieldsBy(game::gameFields(), &game::GameField::webRank);
    std::string data;
    for (const game::GameField* f : fields) {
        switch (f->id) {
        case game::FieldId::Comment1: {
            // The five comments as one list, and how many of them count.
            std::string list = "[";
            for (int i = 0; i < game::kComments; ++i) list += (i ? "," : "") + jsonText(g.general.comments[size_t(i)]);
            addMember(data, f->webKey, list + "]");
            addMember(data, "numComentarios", std::to_string(g.commentCount));
            break;
        }
        case game::FieldId::Program:
            // The page plays without the program: it only says there is one.
            addMember(data, f->webKey, jsonBool(report.needsProgram));
            break;
        case game::FieldId::Font:
            addMember(data, f->webKey, "{\"face\":" + jsonText(g.font.face) + ",\"tamanho\":" +
                                           std::to_string(g.font.size) + ",\"negrito\":" + jsonBool(g.font.bold) + "}");
            break;
        default:
            addMember(data, f->webKey, fieldJson(*f, g, media));
        }
    }
    data += ",\"lugares\":[null";
    const int count = std::max(0, std::min(g.placeCount, game::kMaxPlaces));
    for (int n = 1; n <= count; ++n) {
        const game::TLugar* p = g.place(n);
        data += "," + (p ? placeJson(*p, media) : std::string("null"));
    }
    data += "],\"textos\":" + messagesJson();
    data += "}";

    std::string mediaJson = "[";
    for (size_t i = 0; i < media.uris.size(); ++i) mediaJson += (i ? ",\"" : "\"") + media.uris[i] + "\"";
    mediaJson += "]";

    const std::string title = htmlText(g.general.name);
    std::string page;
    page.reserve(mediaJson.size() + data.size() + 32768);
    page += "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n";
    // The page reaches nothing outside itself, whatever the game holds.
    page += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
            "media-src data:; style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<meta name=\"generator\" content=\"Ludivar\">\n";
    page += "<title>" + title + " - Ludivar</title>\n<style>\n" + std::string(kPageStyle) + "</style>\n</head>\n<body>\n";
    page += PlayerMarkup(title);
    page += "<script type=\"application/json\" id=\"dados-jogo\">" + data + "</script>\n";
    page += "<script type=\"application/json\" id=\"midias-jogo\">" + mediaJson + "</script>\n";
    page += "<script>\n" + std::string(kPlayerScript) + "</script>\n</body>\n</html>\n";
    return page;
}

std::string LeftOutText(const LeftOut& l) {
    const char* why = "";
    switch (l.why) {
        case Left::OutsideFolder: why = "Fora da pasta do jogo, não incluído: "; break;
        case Left::Missing: why = "Arquivo não encontrado, não incluído: "; break;
        case Left::NotPlayable: why = "Formato que o navegador não toca, não incluído: "; break;
        case Left::TooLarge: why = "Arquivo grande demais, não incluído: "; break;
        case Left::Variable: why = "Nome com variável do programa, não incluído: "; break;
    }
    return plat::cp(why) + l.name;
}

int RunExport(const std::string& gameFile, const std::string& outFile) {
    auto g = std::make_unique<game::TJogo>();
    game::ReadResult r = game::ReadGameFile(gameFile, *g);
    if (!r.ok) {
        game::FailureReport f = game::MakeFailureReport(r);
        std::string text = f.heading;
        if (r.line > 0) text += "\n" + f.lineLabel + f.lineNumber + "\n" + f.contentLabel + "\n" + f.content;
        util::log(plat::cp1252ToUtf8(text));
        return 1;
    }
    game::RecountComments(*g);
    ExportReport report;
    const std::string page = GamePage(*g, dirOf(gameFile), report);
    for (const LeftOut& l : report.leftOut) std::printf("%s\n", plat::cp1252ToUtf8(LeftOutText(l)).c_str());
    if (report.needsProgram)
        std::printf("O jogo tem um programa: a página joga os lugares sem ele.\n");
    if (util::Result saved = util::writeFileAtomically(outFile, page); !saved) {
        util::log("Erro ao gravar " + outFile + ": " + saved.reason());
        return 1;
    }
    std::printf("Página gravada: %s\n", outFile.c_str());
    std::fflush(stdout);
    return 0;
}

void ExportCurrentGame() {
    const std::string file = game::session().currentGameFile;
    std::string base = file;
    if (base.size() >= 4 && util::upperLatin(base.substr(base.size() - 4)) == ".LUD") base.resize(base.size() - 4);
    if (util::trim(base).empty()) base = "jogo";
    const std::string out = base + ".html";
    ExportReport report;
    const std::string page = GamePage(game::current(), plat::currentDir(), report);
    for (const LeftOut& l : report.leftOut) con::writeLineAndSpeak(LeftOutText(l));
    std::string outPath = plat::mapPath(out);
    if (outPath.empty() || outPath[0] != '/') outPath = plat::currentDir() + "/" + plat::cp1252ToUtf8(out);
    if (!util::writeFileAtomically(outPath, page)) {
        catalog::SayMessage("LUERRCRI", 1);
        con::delayMs(1000);
        return;
    }
    catalog::SayMessage("LUWEBOK", 0);
    con::writeLineAndSpeak(out);
    con::delayMs(1000);
}

}  // namespace web
