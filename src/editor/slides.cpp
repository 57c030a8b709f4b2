// The slide editor of one place: the list of its slides with "Último slide"
// after the last, the commands on the slide under the cursor, and the slide form.
#include <algorithm>
#include <array>

#include "catalog/catalog.h"
#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "editor/common.h"
#include "editor/editor.h"
#include "game/fields.h"
#include "game/gamefile.h"
#include "platform/platform.h"
#include "player/slide.h"
#include "util/text.h"

namespace editor {

using namespace detail;

namespace {

constexpr int kTextFields = 10;  // text lines shown in the form

constexpr std::array<const char*, 6> kOptionKeys = {"LUAJS_I", "LUAJS_E", "LUAJS_R",
                                                    "LUAJS_M", "LUAJS_D", "LUAJS_V"};
constexpr std::array<uint8_t, 7> kOptionLetters = {kEsc, 'I', 'E', 'R', 'M', 'D', 'V'};

game::TLugar* placeOf(int place) {
    game::TJogo& g = game::current();
    return place >= 1 && place <= g.placeCount ? g.place(place) : nullptr;
}

// Slide n when it is one of the place's slides.
game::TSlide* slideOf(const game::TLugar& p, int n) { return n >= 1 && n <= p.slideCount ? p.slide(n) : nullptr; }

void drawSlidesScreen(const game::TLugar& p) {
    wholeScreen();
    con::setTextBackground(0);
    con::clearScreen();
    showGameTitle();
    con::setTextBackground(1);
    catalog::SayMessage("LUEDISLI", 2);
    con::setTextBackground(0);
    catalog::SayMessage("LUSLISET", 2);
    con::write(catalog::MessageText("LUEDNLUG") + ": " + p.name);
}

Pick pickSlide(const game::TLugar& p, int start, const std::string& lastItem) {
    std::vector<std::string> items;
    for (int s = 1; s <= std::max(0, p.slideCount); ++s) items.push_back(slideItem(p, s));
    return pickFromList(items, start, 16, lastItem);
}

void showHelp() {
    con::setWindow(40, 7, 80, 14);
    con::setTextBackground(1);
    con::clearScreen();
    catalog::SayMessage("LUOPCOES", 2);
    for (const char* key : {"LUAJS_I", "LUAJS_M", "LUAJS_R", "LUAJS_E", "LUAJS_V"}) catalog::SayMessage(key, 1);
    con::setTextBackground(0);
    wholeScreen();
}

int optionMenu() {
    wholeScreen();
    clearPanel(13);
    con::menuOpen(40, 7, 40, 6, 5);
    for (const char* key : kOptionKeys) catalog::AddMenuOption(key);
    int choice = con::menuRun();
    return choice >= 1 && choice <= 6 ? int(kOptionLetters[size_t(choice)]) : int(kEsc);
}

void walkForms(int place, int& cur) {
    wholeScreen();
    for (;;) {
        const int key = editSlide(place, cur);
        const game::TLugar* p = placeOf(place);
        if (key == kPgUp) {
            if (cur <= 1) break;
            --cur;
        } else if (key == kPgDn) {
            if (!p || cur >= p->slideCount) break;
            ++cur;
        } else {
            break;
        }
    }
}

void act(int place, int command, int& cur) {
    const game::TLugar* p = placeOf(place);
    switch (command) {
        case kEnter:
        case 'E': walkForms(place, cur); break;
        case 'D': insertSlide(place, cur, true, true); break;
        case 'I': insertSlide(place, cur, false, true); break;
        case 'M': moveSlide(place, cur); break;
        case 'R': removeSlide(place, cur); break;
        case 'V':
            clearPanel(13);
            wholeScreen();  // the slide covers the whole window
            viewSlide(place, cur);
            catalog::SayMessage("LUAPTENT", -1);
            con::readLineRaw();
            player::ClearSlide();
            clearPanel(13);
            break;
        case kExt | kF1: showHelp(); break;
        case kExt | kF2: game::SaveGame(); break;
        case kExt | kF7: removeSlide(place, cur); break;
        case kExt | kRight:
            if (p && slideOf(*p, cur)) preview(place, cur);
            break;
        default:
            catalog::SayMessage("LUOPINV", 1);
            if (!(command & kExt)) catalog::SayMessage("LUF1F9", 2);
            break;
    }
}

}  // namespace

// ---- the slides of a place -----------------------------------------------------------

std::unique_ptr<game::TSlide> newEditorSlide() {
    auto s = std::make_unique<game::TSlide>();
    game::InitSlide(*s);
    s->title = "Novo slide";
    s->autoAdvance = true;
    return s;
}

bool insertSlideAt(game::TLugar& p, int at, std::unique_ptr<game::TSlide> s) {
    return detail::insertSlot(p.slides, p.slideCount, game::kMaxSlides, at, std::move(s));
}

bool removeSlideAt(game::TLugar& p, int n) { return detail::removeSlot(p.slides, p.slideCount, n); }

bool moveSlideTo(game::TLugar& p, int from, int to) { return detail::moveSlot(p.slides, p.slideCount, from, to); }

std::string slideItem(const game::TLugar& p, int s) {
    const game::TSlide* sl = p.slide(s);
    return std::to_string(s) + " - " + (sl ? sl->title : std::string());
}

// ---- the slide editor -------------------------------------------------------------------

void editSlides(int place) {
    game::TLugar* p = placeOf(place);
    if (!p) {
        catalog::SayMessage("LULUGINV", 1);
        return;
    }
    if (p->slideCount == 0) offerFirstSlide(place);
    int& cur = game::modelState().editorSlide;
    const std::string lastItem = plat::cp("Último slide");
    for (;;) {
        drawSlidesScreen(*p);
        Pick pick = pickSlide(*p, cur, lastItem);
        cur = pick.item;
        int command = pick.command;
        for (;;) {
            if (command == kEsc) return;
            if (cur == 0 || (cur > p->slideCount && command != 'I' && command != (kExt | kF9))) break;
            clearPanel(14);  // the help reaches one row below the panel
            sidePanel(13);
            if (command == (kExt | kF9)) {
                command = optionMenu();
                continue;
            }
            act(place, command, cur);
            break;
        }
        wholeScreen();
    }
}

int editSlide(int place, int n) {
    wholeScreen();
    con::setTextBackground(0);
    con::clearScreen();
    showGameTitle();
    con::setTextBackground(1);
    catalog::SayMessage("LUEDSLID", 2);
    con::setTextBackground(0);

    game::TLugar* p = placeOf(place);
    const game::TSlide* s = p ? slideOf(*p, n) : nullptr;
    // Each slide field is one field of the form; the text is ten (labels LUSL_T1..LUSL_T10).
    struct FormLine {
        const game::SlideField* field;
        std::string key;
        int line;  // of the text; -1 for other fields
    };
    static const std::vector<FormLine> form = [] {
        std::vector<FormLine> out;
        for (const game::SlideField* f : game::fieldsBy(game::slideFields(), &game::SlideField::formRank)) {
            if (f->lines) {
                for (int i = 0; i < kTextFields; ++i) out.push_back({f, f->formKey + std::to_string(i + 1), i});
            } else {
                out.push_back({f, f->formKey, -1});
            }
        }
        return out;
    }();
    const size_t count = form.size();

    game::TSlide blank;
    game::InitSlide(blank);
    const game::TSlide& from = s ? *s : blank;
    std::vector<std::string> original, choices;
    for (const FormLine& l : form) {
        if (l.line < 0) original.push_back(game::fieldText(*l.field, from));
        else original.push_back(size_t(l.line) < from.text.size() ? from.text[size_t(l.line)] : std::string());
        switch (l.field->kind) {
        case game::FieldKind::Picture: choices.push_back(pictureChoices()); break;
        case game::FieldKind::MediaList: choices.push_back(slideMediaChoices()); break;
        default: choices.push_back(game::fixedChoices(l.field->kind));
        }
    }
    std::vector<std::string> texts = original;

    con::formStart();
    for (size_t i = 0; i < count; ++i)
        addField(form[i].key, &texts[i], choicesOpeningOn(choices[i], texts[i]), form[i].field->formWidth);
    const int key = con::formRun(true);

    bool changed = false;
    for (size_t i = 0; i < count; ++i) {
        texts[i] = keptValue(original[i], texts[i], form[i].field->formWidth);
        changed |= texts[i] != original[i];
    }
    if (!changed) {
        catalog::SayMessage("LUOK", -1);
        return key;
    }
    if (!confirm("LUCONFAL")) {
        catalog::SayMessage("LUDESIST", 2);
        return kEsc;
    }
    p = placeOf(place);
    game::TSlide* target = p ? slideOf(*p, n) : nullptr;
    if (!target && p && n >= 1 && n <= p->slideCount) target = game::CreateSlide(*p, n);
    if (!target) return key;
    // The ten lines of the form, empty ones included; lines past the tenth were
    // not shown, so they stay as they were.
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; ++i) {
        const game::SlideField& f = *form[i].field;
        if (form[i].line >= 0) lines.push_back(texts[i]);
        else if (f.text) *f.text(*target) = texts[i];
        else if (f.flag) *f.flag(*target) = flagNotN(texts[i], true);
    }
    for (size_t i = kTextFields; i < target->text.size(); ++i) lines.push_back(target->text[i]);
    target->text = std::move(lines);
    return key;
}

bool insertSlide(int place, int n, bool copyCurrent, bool ask) {
    game::TLugar* p = placeOf(place);
    if (!p) return false;
    if (p->slideCount >= game::kMaxSlides) {
        catalog::SayMessage("LUSLDMAX", 1);
        return false;
    }
    std::unique_ptr<game::TSlide> s = newEditorSlide();
    if (copyCurrent) {
        if (const game::TSlide* src = slideOf(*p, n)) {
            // All but the title, which the new slide is given.
            for (const game::SlideField& f : game::slideFields())
                if (f.id != game::FieldId::Title) game::copyField(f, *src, *s);
        }
    }
    const int count = std::max(0, p->slideCount);
    int at = n;
    if (ask) {
        catalog::SayMessage("LUTITSLD", 1);
        std::string title;
        con::readLine(title);
        if (!util::trim(title).empty()) s->title = title;
        bool after = false;
        if (!askBeforeOrAfter(after)) return false;
        if (after && n <= count) at = n + 1;
    }
    at = std::max(1, std::min(at, count + 1));
    return insertSlideAt(*p, at, std::move(s));
}

void offerFirstSlide(int place) {
    game::TLugar* p = placeOf(place);
    if (!p) return;
    con::writeLn();
    catalog::SayMessage("LUSEMSLD", 1);
    catalog::SayMessage("LUCRIAUT", 0);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    con::writeLn();
    if (ch == kEsc) {
        catalog::SayMessage("LUDESIST", 2);
        return;
    }
    if (ch == 'N' || ch == 'n') return;
    if (!insertSlide(place, 1, false, false)) return;
    game::TSlide* s = p->slide(1);
    s->title = p->name + " 1";
    s->text = {p->category};
}

void removeSlide(int place, int n) {
    game::TLugar* p = placeOf(place);
    if (!p || n < 1 || n > p->slideCount) {
        catalog::SayMessage("LUSLDINV", 1);
        return;
    }
    if (!confirm("LUCONREM")) {
        catalog::SayMessage("LUDESIST", 2);
        return;
    }
    removeSlideAt(*p, n);
}

void moveSlide(int place, int n) {
    catalog::SayMessage("LUINFMOV", 1);
    wholeScreen();
    game::TLugar* p = placeOf(place);
    if (p) {
        Pick pick = pickSlide(*p, n, plat::cp("Último slide"));
        if (pick.command != kEsc && pick.item >= 1 && pick.item <= p->slideCount && moveSlideTo(*p, n, pick.item))
            return;
    }
    con::gotoXY(1, 24);
    catalog::SayMessage("LUDESIST", 1);
    pauseAfterSpeech();
}

void viewSlide(int place, int n) {
    const game::TLugar* p = placeOf(place);
    if (!p || n < 1 || n > p->slideCount) {
        con::errorBeep();
        return;
    }
    player::DrawSlide(place, n, "");
}

}  // namespace editor
