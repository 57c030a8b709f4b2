// Text scripts: reading an author's .txt game into the current game, writing the
// game back out in the same format, and copying media into the game's folder.
#include "game/textscript.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "catalog/catalog.h"
#include "game/session.h"
#include "console/console.h"
#include "console/form.h"
#include "console/textwin.h"
#include "game/folders.h"
#include "game/fields.h"
#include "game/gamefile.h"
#include "game/text.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "util/atomic.h"
#include "util/text.h"

namespace fs = std::filesystem;

namespace game {

namespace {

// ---- reading ---------------------------------------------------------------------

// Valid UTF-8 with at least one multi-byte sequence: text saved by a Linux editor.
// A CP1252 text with accents practically never passes.
bool isUtf8Text(const std::string& s) {
    bool multi = false;
    for (size_t i = 0; i < s.size();) {
        const uint8_t c = uint8_t(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t n = 0;
        if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c >= 0xE0 && c <= 0xEF) n = 2;
        else if (c >= 0xF0 && c <= 0xF4) n = 3;
        else return false;
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        multi = true;
        i += n + 1;
    }
    return multi;
}

bool isSeparator(const std::string& line) { return line.compare(0, 4, "----") == 0; }
bool isSlideStart(const std::string& line) { return line == "*"; }
bool isBlank(const std::string& line) { return util::trimView(line).empty(); }

// The escape: a line that would read as a separator, a slide start, a tag or an
// escape, written as text, gets a "\" before it; the reader takes that "\" away.
// A name line that is "\" alone is an empty name.  Scripts without such lines
// read as they always did.
bool needsEscape(std::string_view line) {
    return line.substr(0, 4) == "----" || (!line.empty() && (line[0] == '*' || line[0] == '[' || line[0] == '\\'));
}
std::string unescapeLine(const std::string& line) {
    if (line.size() >= 2 && line[0] == '\\' && needsEscape(std::string_view(line).substr(1))) return line.substr(1);
    return line;
}
std::string unescapeName(const std::string& line) { return line == "\\" ? std::string() : unescapeLine(line); }

// A tag of the script and the field it sets.  "[DESVIO]" sets both destinations of
// the place: it is no field of its own.
struct Tag {
    std::string text;  // upper case, CP1252
    const PlaceField* place = nullptr;
    const SlideField* slide = nullptr;
    bool both = false;
};

const std::string& bothDestinationsTag() {
    static const std::string tag = "[DESVIO]";
    return tag;
}

// A place's lines take the place's tags; a slide's lines take the slide's and those
// of the place's answer and destinations.
std::vector<Tag> tagsOf(bool inSlide) {
    std::vector<Tag> tags;
    if (inSlide)
        for (const SlideField& f : slideFields())
            for (const std::string& t : f.scriptTags) tags.push_back({t, nullptr, &f, false});
    for (const PlaceField& f : placeFields())
        if (!inSlide || f.scriptInSlide)
            for (const std::string& t : f.scriptTags) tags.push_back({t, &f, nullptr, false});
    tags.push_back({bothDestinationsTag(), nullptr, nullptr, true});
    return tags;
}

const std::vector<Tag>& placeTags() {
    static const std::vector<Tag> tags = tagsOf(false);
    return tags;
}

const std::vector<Tag>& slideTags() {
    static const std::vector<Tag> tags = tagsOf(true);
    return tags;
}

// The tag the line begins with (any case), and the rest of the line trimmed.
const Tag* findTag(const std::vector<Tag>& tags, const std::string& line, std::string& value) {
    for (const Tag& t : tags) {
        if (line.size() < t.text.size()) continue;
        if (util::upperLatin(std::string_view(line).substr(0, t.text.size())) != t.text) continue;
        value = util::trim(std::string_view(line).substr(t.text.size()));
        return &t;
    }
    return nullptr;
}

// A tagged value: a number that cannot be read leaves the field as it was.
template <class Owner>
void setField(const Field<Owner>& f, Owner& o, const std::string& v) {
    if (f.text) {
        *f.text(o) = v;
    } else if (f.flag) {
        *f.flag(o) = readsYes(f, v);
    } else if (f.number) {
        int32_t n = 0;
        if (parseInt(v, n)) *f.number(o) = n;
    }
}

void setTagged(const Tag& t, TLugar& p, TSlide* s, const std::string& v) {
    if (t.both) p.placeIfRight = p.placeIfWrong = v;
    else if (t.slide && s) setField(*t.slide, *s, v);
    else if (t.place) setField(*t.place, p, v);
}

// A place as the import starts it: the editors' new place with white letters.
void startPlace(TLugar& p) {
    InitPlace(p);
    p.textColour = "BRANCO";
    p.points = 0;
}

void startSlide(TSlide& s, const std::string& placeName, int number) {
    InitSlide(s);
    s.title = placeName + " " + std::to_string(number);
    s.waitMedia = true;
    s.autoAdvance = true;
    s.speakText = true;
}

constexpr size_t kSlideLines = 10;

// Reads the slide lines [begin, end) into s.  The first 10 text lines are kept,
// and blank lines closing the slide are left out: they are what separates the
// slide from the next block, and the export does not write them either.
void readSlide(const std::vector<std::string>& lines, size_t begin, size_t end, TLugar& p, TSlide& s) {
    for (size_t i = begin; i < end; ++i) {
        const std::string& line = lines[i];
        if (!line.empty() && line[0] == '[') {
            std::string value;
            if (const Tag* t = findTag(slideTags(), line, value)) setTagged(*t, p, &s, value);
            continue;
        }
        if (s.text.size() < kSlideLines) s.text.push_back(unescapeLine(line));
    }
    while (!s.text.empty() && isBlank(s.text.back())) s.text.pop_back();
}

// One place block: lines [begin, end).  False when it holds no name at all.
bool readPlace(const std::vector<std::string>& lines, size_t begin, size_t end, ScriptPlace& out) {
    size_t i = begin;
    while (i < end && isBlank(lines[i])) ++i;
    if (i == end) return false;
    TLugar& p = out.place;
    startPlace(p);
    p.name = util::trim(unescapeName(lines[i++]));
    for (; i < end && !isSlideStart(lines[i]); ++i) {
        const std::string& line = lines[i];
        if (isBlank(line)) continue;
        if (line[0] == '[') {
            std::string value;
            if (const Tag* t = findTag(placeTags(), line, value))
                setTagged(*t, p, nullptr, value);
            else
                out.ignored.push_back(line);
            continue;
        }
        p.description = util::trim(unescapeLine(line));
    }
    while (i < end) {
        size_t next = i + 1;
        while (next < end && !isSlideStart(lines[next])) ++next;
        if (p.slideCount < kMaxSlides) {
            const int n = p.slideCount + 1;
            TSlide* s = CreateSlide(p, n);
            startSlide(*s, p.name, n);
            readSlide(lines, i + 1, next, p, *s);
            p.slideCount = n;
        } else {
            // Beyond the place's room: the slide is refused, but the place's own
            // fields it sets still belong to the place.
            TSlide spare;
            startSlide(spare, p.name, 0);
            readSlide(lines, i + 1, next, p, spare);
            ++out.slidesDropped;
        }
        i = next;
    }
    return true;
}

}  // namespace

std::vector<std::string> scriptLines(const std::string& raw) {
    std::string bytes = raw;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    if (isUtf8Text(bytes)) bytes = plat::utf8ToCp1252(bytes);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t nl = bytes.find('\n', start);
        size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t cut = end;
        if (cut > start && bytes[cut - 1] == '\r') --cut;
        lines.emplace_back(bytes, start, cut - start);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

bool looksLikeScript(const std::vector<std::string>& lines) {
    bool separator = false, star = false;
    for (const std::string& l : lines) {
        separator = separator || isSeparator(l);
        star = star || isSlideStart(l);
    }
    return separator && star;
}

bool generalBlockValid(const std::vector<std::string>& general) {
    bool text = false;
    for (const std::string& l : general) {
        if (!l.empty() && l[0] == '*') return false;
        text = text || !isBlank(l);
    }
    return text;
}

ParsedScript parseScript(const std::vector<std::string>& lines) {
    ParsedScript out;
    size_t i = 0;
    while (i < lines.size() && !isSeparator(lines[i])) out.general.push_back(lines[i++]);
    out.generalValid = generalBlockValid(out.general);
    for (std::string& line : out.general) line = unescapeName(line);
    while (i < lines.size()) {
        const size_t begin = i + 1;  // past the separator
        size_t end = begin;
        while (end < lines.size() && !isSeparator(lines[end])) ++end;
        if (end == begin) break;  // two separators in a row: the script ends here
        ScriptPlace sp;
        if (readPlace(lines, begin, end, sp)) out.places.push_back(std::move(sp));
        i = end;
    }
    return out;
}

bool dropEmptyFirstPlace(TJogo& g) {
    if (g.placeCount != 1) return false;
    TLugar* p = g.place(1);
    if (!p || p->slideCount != 0) return false;
    g.places[1].reset();
    g.placeCount = 0;
    return true;
}

bool appendPlace(TJogo& g, const TLugar& p) {
    const int n = g.placeCount + 1;
    if (n > kMaxPlaces) return false;
    g.places[size_t(n)] = std::make_unique<TLugar>(p);
    g.placeCount = n;
    return true;
}

int appendScriptPlaces(TJogo& g, const ParsedScript& s) {
    dropEmptyFirstPlace(g);
    int added = 0;
    for (const ScriptPlace& sp : s.places) {
        if (!appendPlace(g, sp.place)) break;
        ++added;
    }
    return added;
}

// ---- writing ---------------------------------------------------------------------

namespace {

// A line the reader would take for a separator, a slide start, a tag or an escape
// is escaped, so that it comes back as the same text instead of cutting the place apart.
std::string asPlainLine(const std::string& line) { return needsEscape(line) ? "\\" + line : line; }
// A name line: the same, and an empty name is "\" alone (the reader skips blank lines).
std::string asNameLine(const std::string& line) { return isBlank(line) ? std::string("\\") : asPlainLine(line); }

void addLine(std::string& out, const std::string& line) {
    out += line;
    out += "\r\n";
}

void addTagged(std::string& out, const std::string& tag, const std::string& value) {
    if (!value.empty()) addLine(out, tag + " " + value);
}

// A tagged field, left out while it holds its starting value (empty, 0 or no).
template <class Owner>
void addField(std::string& out, const Field<Owner>& f, const Owner& o) {
    const std::string& tag = f.scriptTags.front();
    if (f.text) addTagged(out, tag, f.textOf(o));
    else if (f.number && f.numberOf(o) != 0) addLine(out, tag + " " + std::to_string(f.numberOf(o)));
    else if (f.flag && f.flagOf(o)) addLine(out, tag + " SIM");
}

}  // namespace

std::string scriptText(const TJogo& g) {
    static const std::vector<const PlaceField*> placeTagged = fieldsBy(placeFields(), &PlaceField::scriptRank);
    static const std::vector<const SlideField*> slideTagged = fieldsBy(slideFields(), &SlideField::scriptRank);
    std::string out;
    // The first block: the game's name and author (the comments it may hold are read
    // on import, never written).
    for (const GameField& f : gameFields())
        if (f.scriptLine == 0 || f.scriptLine == 1) addLine(out, asNameLine(f.textOf(g)));
    for (int n = 1; n <= g.placeCount; ++n) {
        const TLugar* p = g.place(n);
        if (!p) continue;
        addLine(out, kScriptSeparator);
        addLine(out, asNameLine(p->name));
        if (!p->description.empty()) addLine(out, asPlainLine(p->description));
        for (const PlaceField* f : placeTagged) {
            // Equal destinations are one "[DESVIO]" line.
            const bool same = !p->placeIfRight.empty() && p->placeIfRight == p->placeIfWrong;
            if (same && f->id == FieldId::PlaceIfRight) addTagged(out, bothDestinationsTag(), p->placeIfRight);
            else if (!(same && f->id == FieldId::PlaceIfWrong)) addField(out, *f, *p);
        }
        for (int s = 1; s <= p->slideCount; ++s) {
            const TSlide* sl = p->slide(s);
            if (!sl) continue;
            addLine(out, "*");
            for (const SlideField* f : slideTagged) addField(out, *f, *sl);
            size_t last = sl->text.size();
            while (last > 0 && isBlank(sl->text[last - 1])) --last;
            for (size_t i = 0; i < last; ++i) addLine(out, asPlainLine(sl->text[i]));
        }
    }
    return out;
}

// ---- the menu options ------------------------------------------------------------

namespace {

// The file name for options R and G; empty when the author gave up (already said).
std::string askScriptName() {
    catalog::SayMessage("LUINFROT", 1);
    std::string name = askFileName(10, "*.txt");
    if (name.empty()) {
        catalog::SayMessage("LUDESIST", 2);
        return name;
    }
    con::writeLn();
    return name;
}

void sayWithLine(const std::string& text) {
    con::writeLineAndSpeak(text);
    con::waitSpeech();
}

// The general data form on the script's first lines; stores them when confirmed.
void confirmGeneralData(std::vector<std::string> general) {
    static const std::vector<const GameField*> form = fieldsBy(gameFields(), &GameField::formRank);
    TJogo& g = current();
    general.resize(general.size() + 6);
    catalog::SayMessage("LUGERALT", 2);
    con::formReserveLines(12);
    // The general data form: the script's lines where it has them, the game's own values elsewhere.
    std::vector<const GameField*> fields;
    std::vector<std::string> texts;
    for (const GameField* f : form) {
        if (f->section != FieldSection::General) continue;
        fields.push_back(f);
        texts.push_back(f->scriptLine >= 0 ? general[size_t(f->scriptLine)] : f->textOf(g));
    }
    con::formStart();
    for (size_t i = 0; i < fields.size(); ++i)
        catalog::AddFormField(fields[i]->formKey, &texts[i], 255, fields[i]->formWidth);
    con::formRun(true);
    catalog::SayMessage("LUCONFAL", 0);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    con::writeLn();
    if (ch == 'N' || ch == 'n' || ch == 27) {
        catalog::SayMessage("LUDGNALT", 2);
        return;
    }
    for (size_t i = 0; i < fields.size(); ++i) *fields[i]->text(g) = texts[i];
    RecountComments(g);
}

void refuseScript() {
    catalog::SayMessage("LUNAOROT", 1);
    catalog::SayMessage("LUCONMAN", 1);
}

}  // namespace

void importScript() {
    const std::string name = askScriptName();
    if (name.empty()) return;
    if (!plat::fileExists(name)) {
        catalog::SayMessage("LUNAOEXI", 2);
        return;
    }
    std::error_code ec;
    const std::string path = plat::mapPath(name);
    const auto size = fs::file_size(path, ec);
    std::string bytes;
    if (ec || size > kMaxScriptBytes || fs::is_directory(path, ec) || !plat::readFile(name, bytes)) {
        catalog::SayMessage("LUARNACE", 1);
        return;
    }
    const std::vector<std::string> lines = scriptLines(bytes);
    bytes.clear();
    if (!looksLikeScript(lines)) {
        refuseScript();
        return;
    }
    const ParsedScript script = parseScript(lines);
    if (!script.generalValid) {
        refuseScript();
        return;
    }
    confirmGeneralData(script.general);

    TJogo& g = current();
    dropEmptyFirstPlace(g);
    for (const ScriptPlace& sp : script.places) {
        for (const std::string& line : sp.ignored) {
            catalog::SayMessage("LUDADIGN", 0);
            sayWithLine(sp.place.name + ":");
            sayWithLine(line);
        }
        if (!appendPlace(g, sp.place)) {
            sayWithLine(plat::cp("O jogo já tem 1000 lugares, o máximo; os demais lugares do roteiro não foram importados."));
            break;
        }
        if (sp.slidesDropped > 0) {
            catalog::SayMessage("LUSLDMAX", 0);
            sayWithLine(": " + sp.place.name);
        }
    }
    con::flushKeys();
    con::writeLn();
    catalog::SayMessage("LUROTCRG", 2);
    con::delayMs(1000);
}

void exportScript() {
    const std::string name = askScriptName();
    if (name.empty()) return;
    if (plat::fileExists(name)) {
        catalog::SayMessage("LUROTEXI", 0);
        uint8_t ch = 0, ext = 0;
        con::readKeyWithEcho(ch, ext);
        con::writeLn();
        if (ch != 'S' && ch != 's') return;
    }
    // A failed write keeps whatever file was there and says so.
    if (!util::writeFileAtomically(plat::mapPath(name), scriptText(current()))) {
        catalog::SayMessage("LUERRCRI", 2);
        return;
    }
    con::flushKeys();
    con::writeLn();
    catalog::SayMessage("LUROTCRI", 2);
    con::delayMs(1000);
}

namespace {

// A failed copy leaves an older file of that name as it was.
bool copyFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return true;  // already in the game's folder
    return util::copyFileAtomically(from, to).ok();
}

// The files of the folder being imported from, written under the prompt and said at
// once, so that no arrow key is needed to learn what is there.
void sayFolderFiles() {
    std::vector<std::string> names;
    for (const TDirEntry& e : dirList("*.*", kAttrArchive)) names.push_back(e.name);
    dirFree();
    con::gotoXY(1, 5);
    if (names.empty()) {
        catalog::SayMessage("LUPASVAZ", 1);
        return;
    }
    std::string text = catalog::MessageText("LUARQPAS");
    // Five rows at most: the file name field comes below them.
    const size_t room = 5 * 80 - 4;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string piece = (i ? ", " : "") + names[i];
        if (text.size() + piece.size() + 1 > room) {
            text += ", ...";
            break;
        }
        text += piece;
    }
    con::writeLineAndSpeak(text + ".");
}

}  // namespace

void importMedia() {
    con::setWindow(1, 1, 80, 25);
    con::clearScreen();
    con::setWindowTitle("Ludivar " + game::session().currentGameFile);
    con::setTextBackground(1);
    catalog::SayMessage("LUIMPORT", 0);
    con::setTextBackground(0);
    con::writeLn();
    con::writeLn();
    catalog::SayMessage("LUDIRIMP", 1);
    std::string folder;
    con::readLine(folder);
    folder = util::trim(folder);
    if (folder.empty()) {
        catalog::SayMessage("LUDESIST", 1);
        return;
    }
    const std::string gameFolder = plat::currentDir();
    if (!enterFolder(folder)) {
        catalog::SayMessage("LUNEXIST", 1);
        return;
    }
    sayFolderFiles();
    std::string copied;
    for (;;) {
        con::gotoXY(1, 10);
        catalog::SayMessage("LUUSESTA", 1);
        const std::string file = askAnyFileName(10);
        if (file.empty()) break;
        const fs::path source = plat::mapPath(file);
        const fs::path target = fs::path(gameFolder) / source.filename();
        con::writeLn();
        if (copyFile(source.string(), target.string())) {
            catalog::SayMessage("LUOKCOP", 1);
            copied += (copied.empty() ? "" : ", ") + target.filename().string();
        } else {
            catalog::SayMessage("LUERRCRI", 1);
        }
    }
    // Leaving after a copy tells what the game gained; only leaving with nothing is giving up.
    if (copied.empty()) {
        catalog::SayMessage("LUDESIST", 1);
    } else {
        catalog::SayMessage("LUCOPIAD", 0);
        con::writeLineAndSpeak(copied + ".");
    }
    enterFolderPath(gameFolder);
}

}  // namespace game
