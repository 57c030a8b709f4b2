// The editors' rules on their own: empty slots and limits when places and slides
// move, the texts the forms read back, and the option table's edges.
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

}  // namespace

TEST(PlaceMoves, HolesTravelWithTheirSlotAndTheLimitsHold) {
    game::TJogo holes = gameOf({"A", "B", "C"});
    holes.places[2].reset();
    EXPECT_TRUE(movePlaceTo(holes, 2, 3));
    EXPECT_EQ(namesOf(holes), "AC_");
    EXPECT_TRUE(removePlaceAt(holes, 3));
    EXPECT_EQ(namesOf(holes), "AC");
    EXPECT_EQ(holes.place(3), nullptr);  // the slot after the last is emptied
    EXPECT_FALSE(insertPlaceAt(holes, 4, newEditorPlace("?")));  // a hole would open
    EXPECT_FALSE(movePlaceTo(holes, 1, 3));

    game::TJogo full;
    for (int n = 1; n <= game::kMaxPlaces; ++n) game::CreatePlace(full, n)->name = std::to_string(n);
    EXPECT_FALSE(insertPlaceAt(full, 1, newEditorPlace("demais")));
    EXPECT_EQ(full.place(1)->name, "1");

    game::TLugar p;
    game::InitPlace(p);
    while (p.slideCount < game::kMaxSlides) ASSERT_TRUE(insertSlideAt(p, 1, newEditorSlide()));
    EXPECT_FALSE(insertSlideAt(p, 1, newEditorSlide()));
    EXPECT_EQ(p.slideCount, game::kMaxSlides);
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

    EXPECT_EQ(menuLetter(0), 27);
    EXPECT_EQ(menuLetter(9), 'G');
    EXPECT_EQ(menuLetter(11), 'T');
    EXPECT_EQ(menuLetter(13), 'W');
    EXPECT_EQ(menuLetter(14), 27);
    EXPECT_EQ(menuLetter(40), 27);
}
