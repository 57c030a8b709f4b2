// The editors' rules on their own: moving places and slides about, the limits,
// the texts the forms read back, and the option table of the editor's menu.
#include <gtest/gtest.h>

#include "editor/editor.h"
#include "game/model.h"
#include "platform/platform.h"

using namespace editor;

namespace {

game::TJogo gameOf(std::initializer_list<const char*> names) {
    game::TJogo g;
    int n = 0;
    for (const char* name : names) game::CreatePlace(g, ++n)->name = name;
    return g;
}

std::string namesOf(const game::TJogo& g) {
    std::string s;
    for (int n = 1; n <= g.placeCount; ++n) s += g.place(n) ? g.place(n)->name : "_";
    return s;
}

game::TLugar placeWith(std::initializer_list<const char*> titles) {
    game::TLugar p;
    game::InitPlace(p);
    for (const char* t : titles) {
        game::TSlide* s = game::CreateSlide(p, ++p.slideCount);
        s->title = t;
    }
    return p;
}

std::string titlesOf(const game::TLugar& p) {
    std::string s;
    for (int i = 1; i <= p.slideCount; ++i) s += p.slide(i) ? p.slide(i)->title : "_";
    return s;
}

}  // namespace

TEST(PlaceMoves, InsertRemoveAndMoveKeepEveryOtherPlace) {
    game::TJogo g = gameOf({"A", "B", "C"});
    EXPECT_TRUE(insertPlaceAt(g, 3, newEditorPlace("N")));
    EXPECT_EQ(namesOf(g), "ABNC");
    EXPECT_TRUE(insertPlaceAt(g, 5, newEditorPlace("Z")));  // after the last
    EXPECT_EQ(namesOf(g), "ABNCZ");
    EXPECT_FALSE(insertPlaceAt(g, 7, newEditorPlace("?")));  // a hole would open
    EXPECT_FALSE(insertPlaceAt(g, 0, newEditorPlace("?")));

    EXPECT_TRUE(removePlaceAt(g, 2));
    EXPECT_EQ(namesOf(g), "ANCZ");
    EXPECT_EQ(g.place(5), nullptr);  // the slot after the last is emptied
    EXPECT_FALSE(removePlaceAt(g, 5));

    game::TJogo h = gameOf({"A", "B", "C"});
    EXPECT_TRUE(movePlaceTo(h, 1, 3));
    EXPECT_EQ(namesOf(h), "BCA");
    EXPECT_TRUE(movePlaceTo(h, 3, 1));
    EXPECT_EQ(namesOf(h), "ABC");
    EXPECT_TRUE(movePlaceTo(h, 2, 2));
    EXPECT_EQ(namesOf(h), "ABC");
    EXPECT_FALSE(movePlaceTo(h, 1, 4));
    EXPECT_EQ(namesOf(h), "ABC");

    // Holes travel with their slot and are never dereferenced.
    game::TJogo holes = gameOf({"A", "B", "C"});
    holes.places[2].reset();
    EXPECT_TRUE(movePlaceTo(holes, 2, 3));
    EXPECT_EQ(namesOf(holes), "AC_");
    EXPECT_TRUE(removePlaceAt(holes, 3));
    EXPECT_EQ(namesOf(holes), "AC");
    EXPECT_EQ(placeItem(holes, 2), "2 - C");
}

TEST(PlaceMoves, ThousandPlacesAtMost) {
    game::TJogo g;
    for (int n = 1; n <= game::kMaxPlaces; ++n) game::CreatePlace(g, n)->name = std::to_string(n);
    EXPECT_FALSE(insertPlaceAt(g, 1, newEditorPlace("demais")));
    EXPECT_EQ(g.placeCount, game::kMaxPlaces);
    EXPECT_EQ(g.place(1)->name, "1");
    EXPECT_TRUE(removePlaceAt(g, 1));
    EXPECT_TRUE(insertPlaceAt(g, 1000, newEditorPlace("último")));
    EXPECT_EQ(g.place(1000)->name, "último");
    EXPECT_EQ(g.place(999)->name, "1000");
}

TEST(SlideMoves, InsertRemoveMoveAndTheFiftySlideLimit) {
    game::TLugar p = placeWith({"A", "B", "C"});
    EXPECT_TRUE(moveSlideTo(p, 1, 2));
    EXPECT_EQ(titlesOf(p), "BAC");
    EXPECT_TRUE(removeSlideAt(p, 1));
    EXPECT_EQ(titlesOf(p), "AC");
    EXPECT_EQ(p.slide(3), nullptr);
    EXPECT_TRUE(insertSlideAt(p, 3, newEditorSlide()));
    EXPECT_EQ(slideItem(p, 3), "3 - Novo slide");
    EXPECT_FALSE(insertSlideAt(p, 5, newEditorSlide()));

    while (p.slideCount < game::kMaxSlides) ASSERT_TRUE(insertSlideAt(p, 1, newEditorSlide()));
    EXPECT_FALSE(insertSlideAt(p, 1, newEditorSlide()));
    EXPECT_EQ(p.slideCount, 50);
    EXPECT_EQ(p.slide(48)->title, "A");  // A, C and the new one pushed to the end
    EXPECT_EQ(p.slide(50)->title, "Novo slide");
}

TEST(NewRecords, TheEditorsStartingValues) {
    auto p = newEditorPlace("Rio");
    EXPECT_EQ(p->name, "Rio");
    EXPECT_EQ(p->textColour, "BRANCO");
    EXPECT_EQ(p->backgroundColour, "");
    EXPECT_EQ(p->slideCount, 0);
    EXPECT_FALSE(p->endsGame);
    auto s = newEditorSlide();
    EXPECT_EQ(s->title, "Novo slide");
    EXPECT_TRUE(s->autoAdvance);
    EXPECT_TRUE(s->waitMedia);
    EXPECT_TRUE(s->speakText);
    EXPECT_TRUE(s->text.empty());
}

TEST(FormTexts, NumbersFlagsAndValuesLongerThanTheirField) {
    int32_t v = 7;
    EXPECT_TRUE(parseDecimal("42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(parseDecimal(" -15 ", v));
    EXPECT_EQ(v, -15);
    EXPECT_TRUE(parseDecimal("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    v = 7;
    for (const char* bad : {"", "dez", "12a", "+", "2147483648", "1 2", "99999999999999999999"}) {
        EXPECT_FALSE(parseDecimal(bad, v)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }

    EXPECT_FALSE(flagNotN(plat::cp("não"), true));
    EXPECT_FALSE(flagNotN("N", true));
    EXPECT_TRUE(flagNotN("x", false));
    EXPECT_TRUE(flagNotN("", true));
    EXPECT_FALSE(flagNotN("", false));
    EXPECT_TRUE(flagIsS("sim"));
    EXPECT_FALSE(flagIsS(""));
    EXPECT_FALSE(flagIsS(plat::cp("NÃO")));

    const std::string longName(70, 'x');
    EXPECT_EQ(shownValue(longName, 50), std::string(50, 'x'));
    EXPECT_EQ(shownValue("abc   ", 60), "abc");
    EXPECT_EQ(keptValue(longName, std::string(50, 'x'), 50), longName);  // a visit does not cut it
    EXPECT_EQ(keptValue(longName, "novo", 50), "novo");
    EXPECT_EQ(keptValue("abc  ", "abc", 60), "abc  ");
    EXPECT_EQ(keptValue("abc", "", 60), "");
}

TEST(EditorMenu, OptionTableAndNewFileNames) {
    const std::string letters = "DCEPSNIRGXA";
    EXPECT_EQ(menuLetter(0), 27);
    for (int i = 1; i <= 11; ++i) EXPECT_EQ(menuLetter(i), letters[size_t(i - 1)]) << i;
    EXPECT_EQ(menuLetter(12), 27);
    EXPECT_EQ(menuLetter(13), 27);
    EXPECT_EQ(menuLetter(-1), 27);

    EXPECT_EQ(newGameFileName("", "/jogos/Aula"), "Aula.lud");
    EXPECT_EQ(newGameFileName("   ", "c:\\jogos\\Aula\\"), "Aula.lud");
    EXPECT_EQ(newGameFileName("bichos", "/x"), "bichos.lud");
    EXPECT_EQ(newGameFileName(" Bichos.LUD ", "/x"), "Bichos.LUD");
    EXPECT_EQ(newGameFileName("a.lu", "/x"), "a.lu.lud");
}
