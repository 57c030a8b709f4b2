#include "game/model.h"

#include "platform/platform.h"

namespace game {

namespace {

template <class T, size_t N>
void deepCopy(std::array<std::unique_ptr<T>, N>& dst, const std::array<std::unique_ptr<T>, N>& src) {
    for (size_t i = 0; i < N; ++i) dst[i] = src[i] ? std::make_unique<T>(*src[i]) : nullptr;
}

}  // namespace

TLugar::TLugar(const TLugar& o)
    : name(o.name), description(o.description), category(o.category), expectedAnswer(o.expectedAnswer),
      placeIfRight(o.placeIfRight), placeIfWrong(o.placeIfWrong), points(o.points), endsGame(o.endsGame),
      media(o.media), backgroundColour(o.backgroundColour), textColour(o.textColour),
      backgroundPicture(o.backgroundPicture), slideCount(o.slideCount) {
    deepCopy(slides, o.slides);
}

TLugar& TLugar::operator=(const TLugar& o) {
    if (this != &o) {
        TLugar copy(o);
        *this = std::move(copy);
    }
    return *this;
}

TSlide* TLugar::slide(int s) const {
    if (s < 1 || s > kMaxSlides) return nullptr;
    return slides[size_t(s)].get();
}

TJogo::TJogo(const TJogo& o)
    : general(o.general), commentCount(o.commentCount), placeCount(o.placeCount),
      backgroundPicture(o.backgroundPicture), font(o.font), randomOrder(o.randomOrder), narration(o.narration) {
    deepCopy(places, o.places);
}

TJogo& TJogo::operator=(const TJogo& o) {
    if (this != &o) {
        TJogo copy(o);
        *this = std::move(copy);
    }
    return *this;
}

TLugar* TJogo::place(int n) const {
    if (n < 1 || n > kMaxPlaces) return nullptr;
    return places[size_t(n)].get();
}

ModelState& modelState() {
    static ModelState state;
    return state;
}

void resetModelState() { modelState() = ModelState(); }

TJogo& current() { return modelState().game; }

const std::string& WeekdayName(int weekday) {
    static const std::array<std::string, 7> names = {
        plat::cp("Domingo"), plat::cp("Segunda"), plat::cp("Terça"), plat::cp("Quarta"),
        plat::cp("Quinta"),  plat::cp("Sexta"),   plat::cp("Sábado"),
    };
    static const std::string none;
    if (weekday < 0 || weekday > 6) return none;
    return names[size_t(weekday)];
}

std::string DateText(int day, int month, int year, int weekday) {
    return std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year) + " - " +
           WeekdayName(weekday);
}

std::string TodayText() {
    plat::Date d = plat::currentDate();
    return DateText(d.day, d.month, d.year, d.weekday);
}

void ResetGeneralData(TJogo& g) {
    TDadosGerais& d = g.general;
    d.name = "Jogo experimental";
    d.author = "Projeto ECOLAR - LABSOM";
    d.creationDate = TodayText();
    d.version = "1.0";
    d.versionDate = d.creationDate;
    for (auto& c : d.comments) c.clear();
    d.program.clear();
    g.commentCount = 0;
}

void ResetGeneralData() { ResetGeneralData(current()); }

void ResetModel(TJogo& g) {
    g.placeCount = 0;
    for (auto& p : g.places) p.reset();
    g.backgroundPicture.clear();
    g.font = TFonteLetras();
    g.narration = true;
    // The random flag is the user's choice for the whole run: it stays.
}

void ResetModel() { ResetModel(current()); }

void InitPlace(TLugar& p) {
    p.name = "Capa";
    p.description.clear();
    p.category.clear();
    p.expectedAnswer.clear();
    p.placeIfRight.clear();
    p.placeIfWrong.clear();
    p.points = 0;
    p.endsGame = false;
    p.media.clear();
    p.backgroundPicture.clear();
    p.backgroundColour.clear();
    p.textColour.clear();
    p.slideCount = 0;
    for (auto& s : p.slides) s.reset();
    modelState().editorSlide = 1;
}

void InitSlide(TSlide& s) {
    s.title = "Meu jogo";
    s.picture.clear();
    s.picturePosition.clear();
    s.media.clear();
    s.effect.clear();
    s.textPosition.clear();
    s.waitMedia = true;
    s.autoAdvance = false;
    s.speakText = true;
    s.text = std::vector<std::string>();
}

TLugar* CreatePlace(TJogo& g, int n) {
    if (n < 1 || n > kMaxPlaces) return nullptr;
    auto p = std::make_unique<TLugar>();
    InitPlace(*p);
    g.places[size_t(n)] = std::move(p);
    if (g.placeCount < n) g.placeCount = n;
    return g.places[size_t(n)].get();
}

TSlide* CreateSlide(TLugar& p, int s) {
    if (s < 1 || s > kMaxSlides) return nullptr;
    auto sl = std::make_unique<TSlide>();
    InitSlide(*sl);
    p.slides[size_t(s)] = std::move(sl);
    return p.slides[size_t(s)].get();
}

void NewGame() {
    TJogo& g = current();
    ResetGeneralData(g);
    ResetModel(g);
    CreatePlace(g, 1);
    g.placeCount = 1;
}

int CountComments(const TDadosGerais& d) {
    for (int i = kComments; i >= 1; --i)
        if (!d.comments[size_t(i - 1)].empty()) return i;
    return 0;
}

void RecountComments(TJogo& g) { g.commentCount = CountComments(g.general); }

}  // namespace game
