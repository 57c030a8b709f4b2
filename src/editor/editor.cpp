// The editor's menu: creating or opening a game, the option loop, and the small
// pieces every editor shares (confirmations, the side panel, form values).
#include "editor/editor.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/lexicon_form.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "export/webpage.h"
#include "console/textwin.h"
#include "editor/common.h"
#include "editor/program.h"
#include "game/fields.h"
#include "game/folders.h"
#include "game/gamefile.h"
#include "game/session.h"
#include "game/textscript.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "player/play.h"
#include "player/results.h"
#include "player/slide.h"
#include "util/text.h"

namespace editor {

using namespace detail;

namespace {

EditorState gEditor;

// The option menu's entries in order; entry 0 (nothing chosen) and the last give Esc.
constexpr std::array<uint8_t, 15> kMenuLetters = {kEsc, 'D', 'C', 'E', 'P', 'S', 'N', 'I',
                                                  'R',  'G', 'X', 'T', 'A', 'W', kEsc};
constexpr std::array<const char*, 14> kMenuKeys = {"LUAJP_D", "LUAJP_C", "LUAJP_E", "LUAJP_P", "LUAJP_S",
                                                   "LUAJP_N", "LUAJP_I", "LUAJP_R", "LUAJP_G", "LUAJP_X",
                                                   "LUAJP_T", "LUAJP_A", "LUAJP_W", "LUAJP_ES"};
// The help lists every letter the menu takes, in this order.
constexpr std::array<const char*, 13> kHelpKeys = {"LUAJP_D", "LUAJP_C", "LUAJP_P", "LUAJP_E", "LUAJP_S",
                                                   "LUAJP_N", "LUAJP_I", "LUAJP_R", "LUAJP_G", "LUAJP_W",
                                                   "LUAJP_X", "LUAJP_T", "LUAJP_A"};

// While the menu runs the game lives only in memory: the window must not close
// and Ctrl+Break must not end the program.  Restored however the menu is left.
struct NoClosing {
    bool before = con::breakCheck();
    NoClosing() { con::setBreakCheck(false); }
    ~NoClosing() { con::setBreakCheck(before); }
};

std::string lastComponent(const std::string& path) {
    size_t end = path.find_last_not_of("\\/");
    if (end == std::string::npos) return std::string();
    size_t start = path.find_last_of("\\/", end);
    start = start == std::string::npos ? 0 : start + 1;
    return path.substr(start, end - start + 1);
}

bool endsWithLud(const std::string& name) {
    return name.size() >= 4 && util::upperLatin(name.substr(name.size() - 4)) == ".LUD";
}

void showHelp() {
    const int x = con::whereX(), y = con::whereY();
    // The title, a blank line and one row per letter, the last without a line end.
    con::setWindow(40, 7, 80, 7 + 1 + int(kHelpKeys.size()));
    con::setTextBackground(1);
    con::clearScreen();
    catalog::SayMessage("LUOPCOES", 2);
    for (const char* key : kHelpKeys) catalog::SayMessage(key, key == kHelpKeys.back() ? 0 : 1);
    con::setTextBackground(0);
    wholeScreen();
    con::gotoXY(x, y);
}

uint8_t optionMenu() {
    catalog::ClearRightPanel();
    con::menuOpen(40, 7, 40, int(kMenuKeys.size()), 5);
    for (const char* key : kMenuKeys) catalog::AddMenuOption(key);
    return menuLetter(con::menuRun());
}

// A / Esc: one spoken key; true when it was S.
bool confirmedByS(const std::string& key) {
    catalog::SayMessage(key, 0);
    uint8_t k = readAnswerKey();
    if (k >= 32) con::write(std::string(1, char(k)));
    con::writeLn();
    return k == 'S';
}

void drawMenuScreen() {
    wholeScreen();
    con::setTextColor(15);  // the player may have left other colours behind
    con::setTextBackground(0);
    con::clearScreen();
    showGameTitle();
    con::setTextBackground(1);
    con::write(catalog::MessageText("LUINIC"));
    con::setTextBackground(0);
    con::writeLn();
    con::writeLn();
    catalog::SayMessage("LUOPPRIN", 2);
    catalog::SayMessage("LUOPSET", 2);
    con::setTextBackground(1);
    catalog::SayMessage("LUOPCAO", 0);
    con::setTextBackground(0);
}

}  // namespace

EditorState& editorState() { return gEditor; }
void resetEditor() { gEditor = EditorState(); }

uint8_t menuLetter(int choice) {
    if (choice < 0 || choice >= int(kMenuLetters.size())) return kEsc;
    return kMenuLetters[size_t(choice)];
}

std::string newGameFileName(const std::string& typed, const std::string& folder) {
    std::string name = util::trim(typed);
    if (name.empty()) name = lastComponent(folder) + ".lud";
    if (!endsWithLud(name)) name += ".lud";
    return name;
}

void createGame() {
    const std::string folder = game::createGameFolder();
    if (folder.empty()) return;
    catalog::SayMessage("LUNOMNOV", 1);
    std::string typed;
    con::readLine(typed);
    const std::string name = newGameFileName(typed, folder);
    if (util::trim(typed).empty()) {
        catalog::SayMessage("LUASSMES", 1);
        con::writeLineAndSpeak(name);
        con::writeLn();
    }
    if (plat::fileExists(name)) {
        if (!catalog::AgreeOrGiveUp("LUDESTRU")) return;
    }
    game::NewGame();
    // The game is playable as created: its first place opens on a slide with its name.
    if (game::TLugar* cover = game::current().place(1)) {
        insertSlideAt(*cover, 1, coverSlide(game::current().general.name));
    }
    game::session().currentGameFile = name;
    // Replacing an existing game was agreed above; the save makes the file.
    game::AgreeToReplace(name);
    if (game::SaveGame()) editorMenu();
}

void editGame() {
    if (game::chooseGameFolder().empty()) return;
    std::string file;
    if (!game::chooseGameFile(file)) return;
    if (!game::LoadGame(file)) return;
    editorMenu();
}

constexpr uint8_t kCtrlD = 4;  // the pronunciation dictionary, as at the main question

void editorMenu() {
    NoClosing noClosing;
    for (;;) {
        drawMenuScreen();
        uint8_t ch = 0, ext = 0;
        con::readKeyWithEcho(ch, ext);
        con::writeLn();
        uint8_t key = util::upperLatin(ch);
        if (ch == 0) {
            if (ext == kF1) {
                showHelp();
                continue;
            }
            if (ext == kF2) {
                game::SaveGame();
                continue;
            }
            if (ext == kF9 || ext == kUp || ext == kDown) {
                key = optionMenu();
            } else {
                catalog::SayMessage("LUOPINV", 1);
                continue;
            }
        }
        gEditor.lastKey = key;
        switch (key) {
            case 'D': editGeneralData(); break;
            case 'C': editPresentation(); break;
            case 'E': editPlaces(); break;
            case 'P': programMenu(); break;
            case 'S': game::SaveGame(); break;
            case 'N': game::SaveGameAs(); break;
            case 'I': game::importMedia(); break;
            case 'R': game::importScript(); break;
            case 'G': game::exportScript(); break;
            case 'W': web::ExportCurrentGame(); break;  // the game as a web page
            case 'T': showResults(); break;
            case kCtrlD: catalog::EditPronunciations(); break;
            case 'X': {
                if (!everyPlaceHasSlides()) break;
                player::NotRecorded trial;  // the author's own try is no pupil's play
                player::PlayGame(true);
                player::ClearSlide();
                break;
            }
            case 'A':
                if (confirmedByS("LUCNFABN")) {
                    catalog::SayMessage("LUNAOGRV", 1);
                    return;
                }
                catalog::SayMessage("LUDESIST", 1);
                break;
            case kEsc:
                // A game that could not be written stays open: leaving now would lose it.
                if (confirmedByS("LUCNFFIM")) {
                    if (game::SaveGame()) return;
                } else {
                    catalog::SayMessage("LUDESIST", 1);
                }
                break;
            default: catalog::SayMessage("LUOPINV", 1); break;
        }
    }
}

std::unique_ptr<game::TSlide> coverSlide(const std::string& gameName) {
    std::unique_ptr<game::TSlide> s = newEditorSlide();
    s->title = gameName;
    s->text = {gameName};
    return s;
}

int firstPlaceWithoutSlides(const game::TJogo& g) {
    for (int n = 1; n <= g.placeCount; ++n) {
        const game::TLugar* p = g.place(n);
        if (!p || p->slideCount <= 0) return n;
    }
    return 0;
}

bool everyPlaceHasSlides() {
    // A place without slides would play as silence and beeps: name it and offer a slide.
    for (;;) {
        const game::TJogo& g = game::current();
        const int n = firstPlaceWithoutSlides(g);
        if (n == 0) return true;
        const game::TLugar* p = g.place(n);
        if (!p) game::CreatePlace(game::current(), n);
        sayText(filledMessage("LUSEMSLN", {std::to_string(n), game::current().place(n)->name}), 0);
        offerFirstSlide(n);
        const game::TLugar* after = game::current().place(n);
        if (!after || after->slideCount <= 0) return false;
    }
}

// ---- shared pieces -------------------------------------------------------------------

namespace detail {

void wholeScreen() { con::setWindow(1, 1, 80, 25); }

std::string filledMessage(const std::string& key, const std::vector<std::string>& values) {
    std::string t = catalog::MessageText(key);
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string mark = "{" + std::to_string(i + 1) + "}";
        const size_t at = t.find(mark);
        if (at != std::string::npos) t.replace(at, mark.size(), values[i]);
    }
    return t;
}

Pick pickFromList(const std::vector<std::string>& items, int start, int bottom, const std::string& lastItem) {
    const int count = int(items.size());
    con::listOpen(1, 7, 30, bottom);
    for (const std::string& item : items) con::listAdd(item);
    con::listAdd(lastItem);
    con::ListResult r = con::listRun(std::max(1, std::min(start, count + 1)), true);
    con::listClose();
    Pick pick;
    pick.item = r.item;
    if (!r.valid) pick.command = kEsc;
    else if (r.key != 0) pick.command = util::upperLatin(r.key);
    else pick.command = kExt | r.ext;
    return pick;
}

void clearPanel(int bottom) {
    const int x = con::whereX(), y = con::whereY();
    const con::TextWindow& t = con::tw();
    const int l = t.left + 1, tp = t.top + 1, r = t.right + 1, b = t.bottom + 1;
    con::setWindow(40, 7, 80, bottom);
    con::setTextBackground(0);
    con::clearScreen();
    con::setWindow(l, tp, r, b);
    con::gotoXY(x, y);
}

void sidePanel(int bottom) {
    con::setWindow(40, 7, 80, bottom);
    con::setTextBackground(0);
    con::clearScreen();
}

void showGameTitle() { con::setWindowTitle("Ludivar " + game::session().currentGameFile); }

void sayText(const std::string& text, int lineEnds) {
    con::write(text);
    for (int i = 0; i < lineEnds; ++i) con::writeLn();
    con::speak(text);
    while (con::isSpeaking()) con::keyPressed();
}

bool confirm(const std::string& key) {
    catalog::SayMessage(key, 0);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    con::writeLn();
    return !(ch == kEsc || ch == 'N' || ch == 'n');
}

void pauseAfterSpeech() {
    con::waitSpeech();
    con::delayMs(1000);
}

void preview(int place, int slide) {
    player::DrawSlide(place, slide, "minitela");
    while (!con::keyPressed()) con::delayMs(50);
    player::ClearSlide();
}

uint8_t readAnswerKey() {
    uint8_t k = con::readKeyAndSpeak();
    if (k == 0) {
        con::readKey();
        return 0;
    }
    return util::upperLatin(k);
}

bool askBeforeOrAfter(bool& after) {
    catalog::SayMessage("LUANTDEP", 0);
    uint8_t k = con::readKeyAndSpeak();
    const uint8_t ext = k == 0 ? con::readKey() : 0;
    k = util::upperLatin(k);
    if (k == kEsc) {
        con::writeLn();
        catalog::SayMessage("LUDESIST", 1);
        return false;
    }
    if (k >= 32) con::write(std::string(1, char(k)));
    con::writeLn();
    after = !(k == 'A' || (k == 0 && ext == kUp));
    return true;
}

std::string fieldHelpKey(const std::string& formKey) {
    if (formKey.rfind("LU", 0) != 0) return std::string();
    std::string core;
    for (char c : formKey.substr(2))
        if (c != '_') core += c;
    while (!core.empty() && core.back() >= '0' && core.back() <= '9') core.pop_back();
    return "LUH" + core;
}

void addField(const std::string& formKey, std::string* target, const std::string& options, int width) {
    const size_t before = con::formState().fields.size();
    catalog::AddFormChoiceField(formKey, target, 255, options, width);
    const std::string help = fieldHelpKey(formKey);
    if (con::formState().fields.size() > before && catalog::HasMessage(help))
        con::formState().fields.back().help = catalog::MessageText(help);
}

std::string choicesOpeningOn(const std::string& options, const std::string& value) {
    // A yes/no list opens on the value the field holds, so Enter keeps it.
    const std::string& no = game::yesNoText(false);
    if (options == game::fixedChoices(game::FieldKind::YesNo) && !value.empty() &&
        util::upperLatin(uint8_t(value[0])) == 'N')
        return no + "|" + game::yesNoText(true);
    return options;
}

}  // namespace detail

// ---- form values and flags -------------------------------------------------------------

bool parseDecimal(const std::string& text, int32_t& value) {
    const std::string t = util::trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i >= t.size()) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    value = int32_t(v);
    return true;
}

std::string shownValue(const std::string& value, int width) {
    size_t w = size_t(std::max(0, std::min(width, 255)));
    std::string s = value.substr(0, w);
    size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::string keptValue(const std::string& original, const std::string& edited, int width) {
    return edited == shownValue(original, width) ? original : edited;
}

bool flagNotN(const std::string& text, bool whenEmpty) {
    if (text.empty()) return whenEmpty;
    return util::upperLatin(uint8_t(text[0])) != 'N';
}

bool flagIsS(const std::string& text) {
    return !text.empty() && util::upperLatin(uint8_t(text[0])) == 'S';
}

namespace {
// A name matched by two masks is offered once.
std::string choicesOf(std::initializer_list<const char*> masks) {
    std::string all;
    std::vector<std::string> seen;
    for (const char* m : masks) {
        std::string names = game::filesAsOptions(m);
        size_t start = 0;
        while (start <= names.size()) {
            size_t bar = names.find('|', start);
            if (bar == std::string::npos) bar = names.size();
            std::string n = names.substr(start, bar - start);
            if (!n.empty() && std::find(seen.begin(), seen.end(), n) == seen.end()) {
                seen.push_back(n);
                all += "|" + n;
            }
            start = bar + 1;
        }
    }
    return game::tidyOptions(all);
}
}  // namespace

std::string pictureChoices() { return choicesOf({"*.jpg", "*.jpeg"}); }
std::string placeMediaChoices() {
    return choicesOf({"*.wav", "*.wma", "*.mid", "*.mp3", "*.avi", "*.mpg", "*.mpeg"});
}
std::string slideMediaChoices() {
    return choicesOf({"*.wav", "*.wma", "*.mid", "*.mp3", "*.avi", "*.mp4", "*.mpg", "*.mpeg"});
}

}  // namespace editor
