// Options D and C of the editor's menu: the general data and the presentation
// settings, each a form over copies that reach the game only once confirmed.
#include <array>

#include "catalog/catalog.h"
#include "console/console.h"
#include "console/form.h"
#include "console/textwin.h"
#include "editor/common.h"
#include "editor/editor.h"
#include "platform/platform.h"

namespace editor {

using namespace detail;

namespace {

constexpr int32_t kMaxFontSize = 999;

// After the form: "Confirma as alterações? "; giving up says "Desistiu".
bool confirmed() {
    if (confirm("LUCONFAL")) return true;
    catalog::SayMessage("LUDESIST", 2);
    return false;
}

}  // namespace

void editGeneralData() {
    con::writeLn();
    con::formReserveLines(12);
    game::TJogo& g = game::current();
    game::TDadosGerais& d = g.general;
    constexpr int kWidth = 60;
    std::array<std::string, 10> original = {d.name,        d.author,      d.creationDate, d.version,
                                            d.versionDate, d.comments[0], d.comments[1],  d.comments[2],
                                            d.comments[3], d.comments[4]};
    std::array<std::string, 10> texts = original;
    static constexpr std::array<const char*, 10> keys = {"LU_NOME",   "LU_AUTOR",  "LU_CRIAC",  "LU_VERS",
                                                         "LU_DATA",   "LU_COMEN1", "LU_COMEN2", "LU_COMEN3",
                                                         "LU_COMEN4", "LU_COMEN5"};
    con::formStart();
    for (size_t i = 0; i < texts.size(); ++i) catalog::AddFormField(keys[i], &texts[i], 255, kWidth);
    con::formRun(true);
    if (!confirmed()) return;
    for (size_t i = 0; i < texts.size(); ++i) texts[i] = keptValue(original[i], texts[i], kWidth);
    d.name = texts[0];
    d.author = texts[1];
    d.creationDate = texts[2];
    d.version = texts[3];
    d.versionDate = texts[4];
    for (size_t i = 0; i < d.comments.size(); ++i) d.comments[i] = texts[5 + i];
    game::RecountComments(g);
}

void editPresentation() {
    con::writeLn();
    con::formReserveLines(10);
    game::TJogo& g = game::current();
    constexpr int kWidth = 60;
    enum { Picture, Face, Size, Bold, Random, Narration, Count };
    std::array<std::string, Count> original = {g.backgroundPicture,         g.font.face,
                                               std::to_string(g.font.size), catalog::YesNoText(g.font.bold),
                                               catalog::YesNoText(g.randomOrder), catalog::YesNoText(g.narration)};
    std::array<std::string, Count> texts = original;
    const std::string yesNo = plat::cp("SIM|NÃO");
    const std::array<std::string, Count> choices = {pictureChoices(), game::kFontFaces, game::kFontSizes,
                                                    yesNo, yesNo, yesNo};
    static constexpr std::array<const char*, Count> keys = {"LU_IMG",   "LU_FONTE", "LU_TFONT",
                                                            "LU_NEGRI", "LU_ALEAT", "LU_NARRA"};
    con::formStart();
    for (size_t i = 0; i < Count; ++i) catalog::AddFormChoiceField(keys[i], &texts[i], 255, choices[i], kWidth);
    con::formRun(true);
    if (!confirmed()) return;
    for (size_t i = 0; i < Count; ++i) texts[i] = keptValue(original[i], texts[i], kWidth);
    g.backgroundPicture = texts[Picture];
    g.font.face = texts[Face];
    int32_t size = 0;
    // A size no font can be drawn at counts as no number at all.
    if (parseDecimal(texts[Size], size) && size >= 1 && size <= kMaxFontSize) g.font.size = size;
    g.font.bold = flagNotN(texts[Bold], false);
    g.randomOrder = flagNotN(texts[Random], true);
    g.narration = flagNotN(texts[Narration], true);
}

}  // namespace editor
