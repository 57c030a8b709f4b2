// Options D and C of the editor's menu: the general data and the presentation
// settings, each a form over copies that reach the game only once confirmed.
#include <array>

#include "catalog/catalog.h"
#include "console/console.h"
#include "console/form.h"
#include "console/textwin.h"
#include "editor/common.h"
#include "editor/editor.h"
#include "game/fields.h"
#include "platform/platform.h"

namespace editor {

using namespace detail;

namespace {

// After the form: "Confirma as alterações? "; giving up says "Desistiu".
bool confirmed() {
    if (confirm("LUCONFAL")) return true;
    catalog::SayMessage("LUDESIST", 2);
    return false;
}

// The fields of one form of the general data or the presentation settings, in form order.
std::vector<const game::GameField*> formFields(game::FieldSection section) {
    std::vector<const game::GameField*> out;
    for (const game::GameField* f : game::fieldsBy(game::gameFields(), &game::GameField::formRank))
        if (f->section == section) out.push_back(f);
    return out;
}

}  // namespace

void editGeneralData() {
    con::writeLn();
    con::formReserveLines(12);
    game::TJogo& g = game::current();
    static const std::vector<const game::GameField*> fields = formFields(game::FieldSection::General);
    std::vector<std::string> original;
    for (const game::GameField* f : fields) original.push_back(f->textOf(g));
    std::vector<std::string> texts = original;
    con::formStart();
    for (size_t i = 0; i < texts.size(); ++i)
        addField(fields[i]->formKey, &texts[i], std::string(), fields[i]->formWidth);
    con::formRun(true);
    if (!confirmed()) return;
    for (size_t i = 0; i < texts.size(); ++i)
        *fields[i]->text(g) = keptValue(original[i], texts[i], fields[i]->formWidth);
    game::RecountComments(g);
}

void editPresentation() {
    con::writeLn();
    con::formReserveLines(10);
    game::TJogo& g = game::current();
    static const std::vector<const game::GameField*> fields = formFields(game::FieldSection::Model);
    std::vector<std::string> original, choices;
    for (const game::GameField* f : fields) {
        original.push_back(game::fieldText(*f, g));
        choices.push_back(f->kind == game::FieldKind::Picture ? pictureChoices() : game::fixedChoices(f->kind));
    }
    std::vector<std::string> texts = original;
    con::formStart();
    for (size_t i = 0; i < texts.size(); ++i)
        addField(fields[i]->formKey, &texts[i], choicesOpeningOn(choices[i], texts[i]), fields[i]->formWidth);
    con::formRun(true);
    if (!confirmed()) return;
    for (size_t i = 0; i < texts.size(); ++i) {
        const game::GameField& f = *fields[i];
        const std::string text = keptValue(original[i], texts[i], f.formWidth);
        if (f.text) {
            *f.text(g) = text;
        } else if (f.number) {
            int32_t n = 0;
            // A size no font can be drawn at counts as no number at all.
            if (parseDecimal(text, n) && n >= f.min && n <= f.max) *f.number(g) = n;
        } else if (f.flag) {
            // Bold only when asked for; the other choices are on unless refused.
            *f.flag(g) = flagNotN(text, f.id != game::FieldId::FontBold);
        }
    }
}

}  // namespace editor
