// The place editor: the list of places with "Último local" after the last, the
// commands on the place under the cursor, and the place form.
#include <algorithm>
#include <array>

#include "catalog/catalog.h"
#include "game/session.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "editor/common.h"
#include "editor/editor.h"
#include "game/checker.h"
#include "game/fields.h"
#include "game/gamefile.h"
#include "platform/platform.h"
#include "player/play.h"
#include "player/slide.h"
#include "util/text.h"

namespace editor {

using namespace detail;

namespace {


constexpr std::array<const char*, 7> kOptionKeys = {"LUAJU_I", "LUAJU_E", "LUAJU_R", "LUAJU_M",
                                                    "LUAJU_S", "LUAJU_V", "LUAJU_X"};
constexpr std::array<uint8_t, 8> kOptionLetters = {kEsc, 'I', 'E', 'R', 'M', 'S', 'V', 'X'};

int& currentPlace() { return game::session().editorPlace; }

void drawPlacesScreen() {
    wholeScreen();
    con::setTextBackground(0);
    con::clearScreen();
    showGameTitle();
    con::setTextBackground(1);
    catalog::SayMessage("LUEDILOC", 2);
    con::setTextBackground(0);
    catalog::SayMessage("LUEDISET", 2);
}

// The same lines, written only: the form's header and what it leaves behind.
void drawPlaceHeader() {
    wholeScreen();
    con::setTextBackground(0);
    con::clearScreen();
    con::setTextBackground(1);
    con::write(catalog::MessageText("LUEDILOC"));
    con::setTextBackground(0);
    con::writeLn();
    con::writeLn();
    con::write(catalog::MessageText("LUEDISET"));
    con::writeLn();
    con::writeLn();
}

// Runs a list of the places and one last item.
Pick pickPlace(int start, int bottom, const std::string& lastItem) {
    const game::TJogo& g = game::current();
    std::vector<std::string> items;
    for (int n = 1; n <= std::max(0, g.placeCount); ++n) items.push_back(placeItem(g, n));
    return pickFromList(items, start, bottom, lastItem);
}

void showHelp() {
    con::setWindow(40, 7, 80, 25);
    con::setTextBackground(1);
    con::clearScreen();
    catalog::SayMessage("LUOPCOES", 2);
    for (const char* key : {"LUAJU_I", "LUAJU_E", "LUAJU_R", "LUAJU_M", "LUAJU_S", "LUAJU_V"})
        catalog::SayMessage(key, 1);
    catalog::SayMessage("LUAJU_X", 0);
    con::setTextBackground(0);
    wholeScreen();
}

int optionMenu() {
    wholeScreen();
    clearPanel(14);
    con::menuOpen(40, 7, 38, 7, 5);
    for (const char* key : kOptionKeys) catalog::AddMenuOption(key);
    int choice = con::menuRun();
    return choice >= 1 && choice <= 7 ? int(kOptionLetters[size_t(choice)]) : int(kEsc);
}

// Enter or E: the place's form, then the previous or next place's on PgUp / PgDn.
void walkForms(int& cur) {
    wholeScreen();
    for (;;) {
        int key = editPlace(cur);
        if (key == kPgUp) {
            if (cur <= 1) break;
            --cur;
        } else if (key == kPgDn) {
            if (cur >= game::current().placeCount) break;
            ++cur;
        } else {
            break;
        }
    }
}

void viewPlace(int cur) {
    const game::TLugar* p = game::current().place(cur);
    if (p && p->slideCount == 0) offerFirstSlide(cur);
    catalog::ClearRightPanel();
    uint8_t key = 0;
    std::string answer;
    player::PresentPlace(cur, key, answer);
    catalog::SayMessage("LUAPTENT", -1);
    con::readLineRaw();
    player::ClearSlide();
    catalog::ClearRightPanel();
}

void playFromHere(int cur) {
    if (!everyPlaceHasSlides()) return;
    if (!game::current().general.program.empty()) catalog::SayMessage("LUPRGINB", 1);
    player::PlayFrom(cur, false);
    player::ClearSlide();
}

// Acts on one command for the current place; true when the screen must be built again.
bool act(int command, int& cur) {
    game::TJogo& g = game::current();
    switch (command) {
        case kEnter:
        case 'E': walkForms(cur); return false;
        case 'I': insertPlace(cur); return false;
        case 'M': movePlace(cur); return false;
        case 'R': removePlace(cur); return false;
        case 'S':
            if (!g.place(cur)) {
                catalog::SayMessage("LULUGINV", 1);
                return false;
            }
            editSlides(cur);
            return true;
        case 'V': viewPlace(cur); return true;
        case 'X': playFromHere(cur); return true;
        case kExt | kF1: showHelp(); return false;
        case kExt | kF2: game::SaveGame(); return false;
        case kExt | kF7: removePlace(cur); return false;
        case kExt | kRight: {
            const game::TLugar* p = g.place(cur);
            if (p && p->slideCount > 0) preview(cur, 1);
            return false;
        }
        default:
            catalog::SayMessage("LUOPINV", 1);
            if (command & kExt) catalog::SayMessage("LUF1F9", 2);
            return false;
    }
}

}  // namespace

// ---- the places of a game --------------------------------------------------------

std::unique_ptr<game::TLugar> newEditorPlace(const std::string& name) {
    auto p = std::make_unique<game::TLugar>();
    game::InitPlace(*p);
    p->name = name;
    p->textColour = "BRANCO";
    return p;
}

bool insertPlaceAt(game::TJogo& g, int at, std::unique_ptr<game::TLugar> p) {
    return detail::insertSlot(g.places, g.placeCount, game::kMaxPlaces, at, std::move(p));
}

bool removePlaceAt(game::TJogo& g, int n) { return detail::removeSlot(g.places, g.placeCount, n); }

bool movePlaceTo(game::TJogo& g, int from, int to) { return detail::moveSlot(g.places, g.placeCount, from, to); }

std::string placeItem(const game::TJogo& g, int n) {
    const game::TLugar* p = g.place(n);
    return std::to_string(n) + " - " + (p ? p->name : std::string());
}

// ---- the place editor ------------------------------------------------------------------

void editPlaces() {
    int& cur = currentPlace();
    cur = 1;
    drawPlacesScreen();
    const std::string lastItem = plat::cp("Último local");
    for (;;) {
        Pick pick = pickPlace(cur, 15, lastItem);
        cur = pick.item;
        int command = pick.command;
        bool rebuild = false;
        bool fromMenu = false;
        // From here a letter chosen in the option menu is handled as if typed.
        for (;;) {
            if (command == kEsc) return;
            const int count = game::current().placeCount;
            if (cur == 0 || (cur > count && command != 'I' && command != (kExt | kF9))) break;
            wholeScreen();
            con::gotoXY(1, 3);
            con::clearToEndOfLine();
            // Row 3 names the option chosen in the menu; a typed letter leaves it empty
            // rather than showing an older menu's choice.
            if (fromMenu) con::write(con::menuLastChosen());
            con::writeLn();
            con::writeLn();
            clearPanel(25);  // the help reaches below the panel
            sidePanel(13);
            if (command == (kExt | kF9)) {
                command = optionMenu();
                fromMenu = true;
                continue;
            }
            rebuild = act(command, cur);
            break;
        }
        wholeScreen();
        if (rebuild) drawPlacesScreen();
    }
}

int editPlace(int n) {
    wholeScreen();
    drawPlaceHeader();
    con::gotoXY(1, 3);
    con::clearToEndOfLine();
    catalog::SayMessage("LUEDNLUG", 2);

    game::TJogo& g = game::current();
    const game::TLugar* p = g.place(n);
    static const auto fields = game::fieldsBy(game::placeFields(), &game::PlaceField::formRank);
    const size_t count = fields.size();
    // A place not made yet shows the values of an empty one.
    const game::TLugar blank{};
    std::vector<std::string> original;
    for (const game::PlaceField* f : fields) original.push_back(game::fieldText(*f, p ? *p : blank));
    std::vector<std::string> texts = original;

    std::string places;
    bool first = true;
    for (int i = 1; i <= g.placeCount; ++i)
        if (const game::TLugar* q = g.place(i)) {
            places += (first ? "" : "|") + q->name;
            first = false;
        }
    std::vector<std::string> choices;
    for (const game::PlaceField* f : fields) {
        switch (f->kind) {
        case game::FieldKind::Picture: choices.push_back(pictureChoices()); break;
        case game::FieldKind::Media: choices.push_back(placeMediaChoices()); break;
        case game::FieldKind::Places: choices.push_back(places); break;
        default: choices.push_back(game::fixedChoices(f->kind));
        }
    }

    con::formStart();
    for (size_t i = 0; i < count; ++i)
        addField(fields[i]->formKey, &texts[i], choicesOpeningOn(choices[i], texts[i]), fields[i]->formWidth);
    const int key = con::formRun(true);

    bool changed = false;
    for (size_t i = 0; i < count; ++i) {
        texts[i] = keptValue(original[i], texts[i], fields[i]->formWidth);
        changed |= texts[i] != original[i];
    }
    if (!changed) {
        catalog::SayMessage("LUOK", -1);
        drawPlaceHeader();
        return key;
    }
    if (!confirm("LUCONFAL")) {
        catalog::SayMessage("LUDESIST", 1);
        pauseAfterSpeech();
        drawPlaceHeader();
        return kEsc;
    }
    game::TLugar* place = g.place(n);
    if (!place && n >= 1 && n <= g.placeCount) place = game::CreatePlace(g, n);
    if (place) {
        for (size_t i = 0; i < count; ++i) {
            const game::PlaceField& f = *fields[i];
            int32_t number = 0;
            if (f.text) *f.text(*place) = texts[i];
            else if (f.number) *f.number(*place) = parseDecimal(texts[i], number) ? number : 0;
            // The place ends the game only when "S" was answered.
            else if (f.flag) *f.flag(*place) = flagIsS(texts[i]);
        }
        // Colours a pupil with low vision cannot read are said at once, while they can be mended.
        const std::string warning = game::contrastWarning(g, n);
        if (!warning.empty()) sayText(warning, 1);
        if (place->slideCount == 0) offerFirstSlide(n);
    }
    drawPlaceHeader();
    return key;
}

void insertPlace(int n) {
    game::TJogo& g = game::current();
    // The game holds at most 1000 places; say so before asking anything.
    if (g.placeCount >= game::kMaxPlaces) {
        sayText(plat::cp("Excedido o máximo de lugares do jogo"), 1);
        return;
    }
    catalog::SayMessage("LUTITLUG", 1);
    std::string name;
    con::readLine(name);
    if (util::trim(name).empty()) {
        catalog::SayMessage("LUDESIST", 1);
        return;
    }
    std::unique_ptr<game::TLugar> place = newEditorPlace(name);
    bool after = false;
    if (!askBeforeOrAfter(after)) return;
    const int count = std::max(0, g.placeCount);
    int at = n;
    if (n > count) at = count + 1;
    else if (after) at = n + 1;
    insertPlaceAt(g, std::max(1, at), std::move(place));
}

void removePlace(int n) {
    game::TJogo& g = game::current();
    if (n < 1 || n > g.placeCount) {
        catalog::SayMessage("LULUGINV", 1);
        return;
    }
    if (!confirm("LUCONREM")) {
        catalog::SayMessage("LUDESIST", 2);
        return;
    }
    removePlaceAt(g, n);
}

void movePlace(int n) {
    catalog::SayMessage("LUINFMOV", 1);
    wholeScreen();
    Pick pick = pickPlace(n, 16, plat::cp("Último lugar"));
    game::TJogo& g = game::current();
    if (pick.command != kEsc && pick.item >= 1 && pick.item <= g.placeCount && movePlaceTo(g, n, pick.item)) {
        catalog::ClearRightPanel();
        return;
    }
    con::gotoXY(1, 24);
    catalog::SayMessage("LUDESIST", 1);
    pauseAfterSpeech();
}

}  // namespace editor
