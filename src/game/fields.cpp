#include "game/fields.h"

#include <initializer_list>

#include "platform/platform.h"

namespace game {

namespace {

// One row of a table, written as a chain: Row(...).file("NOME").form("LUC_NOME", 1, 50).
// Keys and tags are written here in UTF-8 and kept in CP1252.
template <class Owner>
struct Row {
    Field<Owner> f;

    Row(FieldId id, FieldSection section, FieldKind kind, const char* name) {
        f.id = id;
        f.section = section;
        f.kind = kind;
        f.name = name;
    }
    Row& file(const char* key) {
        f.fileKey = plat::cp(key);
        return *this;
    }
    Row& onlyWhenSet() {
        f.fileOnlyWhenSet = true;
        return *this;
    }
    Row& yes(const char* letters) {
        f.yesLetters = letters;
        return *this;
    }
    Row& limits(int32_t lo, int32_t hi, bool stops) {
        f.min = lo;
        f.max = hi;
        f.badNumberStops = stops;
        return *this;
    }
    Row& script(std::initializer_list<const char*> tags, int rank) {
        for (const char* t : tags) f.scriptTags.push_back(plat::cp(t));
        f.scriptRank = rank;
        return *this;
    }
    Row& inSlide() {
        f.scriptInSlide = true;
        return *this;
    }
    Row& scriptLine(int n) {
        f.scriptLine = n;
        return *this;
    }
    Row& web(const char* key, int rank) {
        f.webKey = key;
        f.webRank = rank;
        return *this;
    }
    Row& form(const char* key, int rank, int width) {
        f.formKey = key;
        f.formRank = rank;
        f.formWidth = width;
        return *this;
    }
    Row& text(std::string* (*at)(Owner&)) {
        f.text = at;
        return *this;
    }
    Row& number(int32_t* (*at)(Owner&)) {
        f.number = at;
        return *this;
    }
    Row& flag(bool* (*at)(Owner&)) {
        f.flag = at;
        return *this;
    }
    Row& lines(std::vector<std::string>* (*at)(Owner&)) {
        f.lines = at;
        return *this;
    }
    operator Field<Owner>() const { return f; }
};

using G = Row<TJogo>;
using P = Row<TLugar>;
using S = Row<TSlide>;
using K = FieldKind;
using Id = FieldId;
constexpr FieldSection kGeneral = FieldSection::General, kModel = FieldSection::Model;

// Comment n (1..5) of the general data.
template <size_t N>
std::string* comment(TJogo& g) {
    return &g.general.comments[N - 1];
}

}  // namespace

const std::vector<GameField>& gameFields() {
    static const std::vector<GameField> fields = {
        G(Id::GameName, kGeneral, K::Text, "general.name").file("NOME DO JOGO").scriptLine(0).web("nome", 1)
            .form("LU_NOME", 1, 60).text([](TJogo& g) { return &g.general.name; }),
        G(Id::Author, kGeneral, K::Text, "general.author").file("AUTOR").scriptLine(1).web("autor", 2)
            .form("LU_AUTOR", 2, 60).text([](TJogo& g) { return &g.general.author; }),
        G(Id::CreationDate, kGeneral, K::Text, "general.creationDate").file("DATA DE CRIAÇÃO")
            .form("LU_CRIAC", 3, 60).text([](TJogo& g) { return &g.general.creationDate; }),
        G(Id::Version, kGeneral, K::Text, "general.version").file("VERSÃO").web("versao", 3)
            .form("LU_VERS", 4, 60).text([](TJogo& g) { return &g.general.version; }),
        G(Id::VersionDate, kGeneral, K::Text, "general.versionDate").file("DATA DA VERSÃO")
            .form("LU_DATA", 5, 60).text([](TJogo& g) { return &g.general.versionDate; }),
        G(Id::Program, kGeneral, K::Text, "general.program").file("SCRIPT").onlyWhenSet()
            .web("precisaPrograma", 7).text([](TJogo& g) { return &g.general.program; }),
        G(Id::Comment1, kGeneral, K::Text, "general.comment1").file("COMENTÁRIOS").scriptLine(2)
            .web("comentarios", 4).form("LU_COMEN1", 6, 60).text(comment<1>),
        G(Id::Comment2, kGeneral, K::Text, "general.comment2").file("COMENTÁRIOS2").scriptLine(3)
            .form("LU_COMEN2", 7, 60).text(comment<2>),
        G(Id::Comment3, kGeneral, K::Text, "general.comment3").file("COMENTÁRIOS3").scriptLine(4)
            .form("LU_COMEN3", 8, 60).text(comment<3>),
        G(Id::Comment4, kGeneral, K::Text, "general.comment4").file("COMENTÁRIOS4").scriptLine(5)
            .form("LU_COMEN4", 9, 60).text(comment<4>),
        G(Id::Comment5, kGeneral, K::Text, "general.comment5").file("COMENTÁRIOS5").scriptLine(6)
            .form("LU_COMEN5", 10, 60).text(comment<5>),

        G(Id::Background, kModel, K::Picture, "model.background").file("FUNDO").web("fundo", 8)
            .form("LU_IMG", 1, 60).text([](TJogo& g) { return &g.backgroundPicture; }),
        // The font is one line of the file but three fields of the form.
        G(Id::Font, kModel, K::Font, "model.font").file("FONTE DO TEXTO").web("fonte", 9),
        G(Id::FontFace, kModel, K::FontFace, "model.fontFace").form("LU_FONTE", 2, 60)
            .text([](TJogo& g) { return &g.font.face; }),
        G(Id::FontSize, kModel, K::FontSize, "model.fontSize").limits(1, 999, false).form("LU_TFONT", 3, 60)
            .number([](TJogo& g) { return &g.font.size; }),
        G(Id::FontBold, kModel, K::YesNo, "model.fontBold").form("LU_NEGRI", 4, 60)
            .flag([](TJogo& g) { return &g.font.bold; }),
        // The order of play and the narration are the user's choices of a run: never stored.
        G(Id::RandomOrder, kModel, K::YesNo, "model.randomOrder").web("aleatorio", 6).form("LU_ALEAT", 5, 60)
            .flag([](TJogo& g) { return &g.randomOrder; }),
        G(Id::Narration, kModel, K::YesNo, "model.narration").web("narrando", 5).form("LU_NARRA", 6, 60)
            .flag([](TJogo& g) { return &g.narration; }),
        G(Id::PlaceCount, kModel, K::Number, "model.placeCount").file("LUGARES").limits(0, kMaxPlaces, true)
            .number([](TJogo& g) { return &g.placeCount; }),
    };
    return fields;
}

const std::vector<PlaceField>& placeFields() {
    static const std::vector<PlaceField> fields = {
        // The name and the description are the script's first lines of a place, untagged.
        P(Id::PlaceName, FieldSection::Place, K::Text, "place.name").file("NOME").web("nome", 1)
            .form("LUC_NOME", 1, 50).text([](TLugar& p) { return &p.name; }),
        P(Id::Description, FieldSection::Place, K::Text, "place.description").file("DESCRIÇÃO")
            .text([](TLugar& p) { return &p.description; }),
        P(Id::Category, FieldSection::Place, K::Text, "place.category").file("CATEGORIA").script({"[CATEGORIA]"}, 1)
            .web("categoria", 2).form("LUC_CATE", 2, 80).text([](TLugar& p) { return &p.category; }),
        P(Id::Answer, FieldSection::Place, K::Text, "place.expectedAnswer").file("RESPOSTA ESPERADA")
            .script({"[RESPOSTA]"}, 2).inSlide().web("resposta", 3).form("LUC_RESP", 8, 80)
            .text([](TLugar& p) { return &p.expectedAnswer; }),
        P(Id::PlaceIfRight, FieldSection::Place, K::Places, "place.placeIfRight").file("LUGAR OK")
            .script({"[ACERTO]"}, 3).inSlide().web("lugarOk", 4).form("LUC_LUOK", 9, 80)
            .text([](TLugar& p) { return &p.placeIfRight; }),
        P(Id::PlaceIfWrong, FieldSection::Place, K::Places, "place.placeIfWrong").file("LUGAR ERRO")
            .script({"[ERRO]"}, 4).inSlide().web("lugarErro", 5).form("LUC_LERR", 10, 80)
            .text([](TLugar& p) { return &p.placeIfWrong; }),
        P(Id::Points, FieldSection::Place, K::Number, "place.points").file("PONTUAÇÃO").script({"[PONTOS]"}, 5)
            .web("pontos", 6).form("LUC_PONT", 7, 10).number([](TLugar& p) { return &p.points; }),
        P(Id::EndsGame, FieldSection::Place, K::YesNo, "place.endsGame").file("TERMINADOR").yes("Ss")
            .script({"[TERMINA]"}, 6).web("terminador", 7).form("LUC_JOGT", 11, 4)
            .flag([](TLugar& p) { return &p.endsGame; }),
        P(Id::SlideCount, FieldSection::Place, K::Number, "place.slideCount").file("NÚMERO DE SLIDES")
            .limits(0, kMaxSlides, true).number([](TLugar& p) { return &p.slideCount; }),
        P(Id::PlaceMedia, FieldSection::Place, K::Media, "place.media").file("MÍDIA").script({"[MÍDIA]", "[MIDIA]"}, 7)
            .web("midia", 8).form("LUC_MID", 4, 80).text([](TLugar& p) { return &p.media; }),
        P(Id::BackgroundColour, FieldSection::Place, K::Colour, "place.backgroundColour").file("COR DO FUNDO")
            .script({"[CORFUNDO]"}, 9).web("corFundo", 9).form("LUC_CFND", 5, 50)
            .text([](TLugar& p) { return &p.backgroundColour; }),
        P(Id::TextColour, FieldSection::Place, K::Colour, "place.textColour").file("COR DA LETRA")
            .script({"[CORLETRA]"}, 10).web("corLetra", 10).form("LUC_CLET", 6, 50)
            .text([](TLugar& p) { return &p.textColour; }),
        P(Id::PlaceBackground, FieldSection::Place, K::Picture, "place.backgroundPicture").file("FUNDO")
            .script({"[FUNDO]"}, 8).web("fundo", 11).form("LUG_IMGF", 3, 80)
            .text([](TLugar& p) { return &p.backgroundPicture; }),
    };
    return fields;
}

const std::vector<SlideField>& slideFields() {
    constexpr FieldSection kSlide = FieldSection::Slide;
    static const std::vector<SlideField> fields = {
        S(Id::Title, kSlide, K::Text, "slide.title").file("TÍTULO").web("titulo", 1).form("LUSL_TIT", 1, 60)
            .text([](TSlide& s) { return &s.title; }),
        S(Id::PicturePosition, kSlide, K::Position, "slide.picturePosition").file("POSIÇÃO FIGURA").onlyWhenSet()
            .script({"[POSFIGURA]"}, 2).web("posFigura", 3).form("LUSL_PFG", 3, 60)
            .text([](TSlide& s) { return &s.picturePosition; }),
        S(Id::Picture, kSlide, K::Picture, "slide.picture").file("FIGURA").script({"[FIGURA]", "[IMAGEM]"}, 3)
            .web("figura", 2).form("LUSL_FIG", 2, 80).text([](TSlide& s) { return &s.picture; }),
        S(Id::SlideMedia, kSlide, K::MediaList, "slide.media").file("MÍDIA").script({"[MÍDIA]", "[MIDIA]"}, 1)
            .web("midias", 4).form("LUSL_MID", 4, 80).text([](TSlide& s) { return &s.media; }),
        S(Id::WaitMedia, kSlide, K::YesNo, "slide.waitMedia").file("ESPERA MÍDIA").yes("S1").web("espera", 5)
            .form("LUSL_ESP", 5, 4).flag([](TSlide& s) { return &s.waitMedia; }),
        S(Id::Effect, kSlide, K::Effect, "slide.effect").file("EFEITO").onlyWhenSet().script({"[EFEITO]"}, 5)
            .form("LUSL_EFT", 7, 60).text([](TSlide& s) { return &s.effect; }),
        S(Id::AutoAdvance, kSlide, K::YesNo, "slide.autoAdvance").file("AUTO AVANÇA").yes("S1").web("auto", 6)
            .form("LUSL_AVN", 6, 4).flag([](TSlide& s) { return &s.autoAdvance; }),
        S(Id::SpeakText, kSlide, K::YesNo, "slide.speakText").file("FALA TEXTO").yes("S1").web("fala", 7)
            .form("LUSL_FAL", 8, 4).flag([](TSlide& s) { return &s.speakText; }),
        S(Id::TextPosition, kSlide, K::Position, "slide.textPosition").file("POSIÇÃO TEXTO").onlyWhenSet()
            .script({"[POSTEXTO]"}, 4).web("posTexto", 8).form("LUSL_PTX", 9, 60)
            .text([](TSlide& s) { return &s.textPosition; }),
        // Lines are numbered keys of the file, plain lines of the script and ten
        // fields of the form (labels LUSL_T1..LUSL_T10).
        S(Id::Text, kSlide, K::Lines, "slide.text").web("texto", 9).form("LUSL_T", 10, 50)
            .lines([](TSlide& s) { return &s.text; }),
    };
    return fields;
}

const std::string& yesNoText(bool b) {
    static const std::string yes = "SIM", no = plat::cp("NÃO");
    return b ? yes : no;
}

std::string fixedChoices(FieldKind kind) {
    switch (kind) {
    case FieldKind::YesNo: return plat::cp("SIM|NÃO");
    case FieldKind::Colour: return kColours;
    case FieldKind::Position: return kPositions;
    case FieldKind::Effect: return kEffects;
    case FieldKind::FontFace: return kFontFaces;
    case FieldKind::FontSize: return kFontSizes;
    default: return std::string();
    }
}

}  // namespace game
