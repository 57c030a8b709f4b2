// Slides composed off-screen: colours, pictures, text, positions, effects.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "console/textwin.h"
#include "files.h"
#include "game/model.h"
#include "platform/image.h"
#include "platform/mci.h"
#include "player/play.h"
#include "player/slide.h"
#include "script/script.h"
#include "support/headless.h"
#include "support/inproc.h"

namespace {

using testfiles::at;
using testfiles::near;

constexpr int W = 400, H = 300;

struct SlideTest : ::testing::Test {
    InProc ip{"", "", false};
    game::TLugar* place = nullptr;
    void SetUp() override {
        script::scriptReset();
        player::setSlideSize(W, H);
        place = game::CreatePlace(game::current(), 1);
    }
    void TearDown() override { player::resetSlideState(); }
    game::TSlide& addSlide(int n) {
        game::TSlide* s = game::CreateSlide(*place, n);
        place->slideCount = std::max(place->slideCount, n);
        return *s;
    }
    std::string jpeg(const std::string& name, int w, int h, plat::Rgb c) {
        std::string path = ip.dir + "/" + name;
        testfiles::writeJpeg(path, testfiles::solid(w, h, c));
        return path;
    }
    plat::Picture compose(int slide = 1) {
        plat::Picture p;
        player::ComposeSlide(1, slide, p);
        return p;
    }
};

int inkCount(const plat::Picture& p, plat::Rgb ink, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x1); ++x)
            if (near(at(p, x, y), ink, 60)) ++n;
    return n;
}

TEST(ColourIndex, NamesNumbersAndEverythingElse) {
    EXPECT_EQ(player::ColourIndex("4"), 4);
    EXPECT_EQ(player::ColourIndex("vermelho"), 4);
    EXPECT_EQ(player::ColourIndex("  Vermelha "), 4);
    EXPECT_EQ(player::ColourIndex("RED"), 4);
    EXPECT_EQ(player::ColourIndex("laranja"), 0);
    EXPECT_EQ(player::ColourIndex(""), 0);
    EXPECT_EQ(player::ColourIndex("amarela"), 14);
    EXPECT_EQ(player::ColourIndex("branco"), 15);
    EXPECT_EQ(player::ColourIndex("cinza"), 7);
    EXPECT_EQ(player::ColourIndex("marrom"), 6);
    EXPECT_EQ(player::ColourIndex("Roxa"), 5);
    EXPECT_EQ(player::ColourIndex("ciano"), 3);
    EXPECT_EQ(player::ColourIndex("verde"), 2);
    EXPECT_EQ(player::ColourIndex("azul"), 1);
    EXPECT_EQ(player::ColourIndex("15"), 15);
    // A number that is not one, or that is past the table, is black rather than a wild colour.
    EXPECT_EQ(player::ColourIndex("4x"), 0);
    EXPECT_EQ(player::ColourIndex("16"), 0);
    EXPECT_EQ(player::ColourIndex("99999999999999999999"), 0);
}

TEST(PlacePosition, WordsPickTheEdgesAndHalvesRoundTowardZero) {
    int x, y;
    player::PlacePosition("cima direita", 640, 480, 100, 50, x, y);
    EXPECT_EQ(x, 510);
    EXPECT_EQ(y, 30);
    player::PlacePosition("baixo esquerda", 640, 480, 100, 50, x, y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 400);
    player::PlacePosition("centro", 640, 480, 101, 51, x, y);
    EXPECT_EQ(x, 269);
    EXPECT_EQ(y, 214);
    player::PlacePosition("", 100, 100, 301, 50, x, y);
    EXPECT_EQ(x, -100);  // larger than the area: centred, sticking out on both sides
    player::PlacePosition("CENTRO DIREITA", 640, 480, 100, 50, x, y);
    EXPECT_EQ(x, 510);
    EXPECT_EQ(y, 215);
    player::PlacePosition("cima centro", 640, 480, 100, 50, x, y);
    EXPECT_EQ(x, 270);
    EXPECT_EQ(y, 30);
}

TEST_F(SlideTest, BackgroundColourAndPicturePlacedByPosition) {
    place->backgroundColour = "azul";
    game::TSlide& s = addSlide(1);
    s.picture = jpeg("fig.jpg", 60, 40, {255, 0, 0});
    s.picturePosition = "cima direita";
    plat::Picture p = compose();
    ASSERT_EQ(p.width, W);
    ASSERT_EQ(p.height, H);
    EXPECT_TRUE(near(at(p, 5, 5), {0, 0, 255}));
    EXPECT_TRUE(near(at(p, W - 30 - 60 + 2, 32), {255, 0, 0}));
    EXPECT_TRUE(near(at(p, W - 30 - 3, 30 + 37), {255, 0, 0}));
    EXPECT_TRUE(near(at(p, W - 30 + 2, 40), {0, 0, 255}));
    EXPECT_TRUE(near(at(p, W - 60, 30 + 42), {0, 0, 255}));

    // No position: "direita", centred vertically.
    s.picturePosition.clear();
    p = compose();
    EXPECT_TRUE(near(at(p, W - 30 - 30, (H - 40) / 2 + 20), {255, 0, 0}));
    EXPECT_TRUE(near(at(p, W - 60, (H - 40) / 2 - 3), {0, 0, 255}));
}

TEST_F(SlideTest, BackgroundPictureStretchedAndPlacePictureThroughAVariable) {
    game::current().backgroundPicture = jpeg("fundo.jpg", 10, 10, {0, 200, 0});
    addSlide(1);
    plat::Picture p = compose();
    EXPECT_TRUE(near(at(p, 0, 0), {0, 200, 0}));
    EXPECT_TRUE(near(at(p, W - 1, H - 1), {0, 200, 0}));
    // The place's own picture wins; its name may come from a variable.
    jpeg("lugar.jpg", 16, 16, {200, 0, 200});
    script::scriptSetVariable("FIG", ip.dir + "/lugar");
    place->backgroundPicture = "$FIG.jpg";
    p = compose();
    EXPECT_TRUE(near(at(p, W / 2, H / 2), {200, 0, 200}));
}

TEST_F(SlideTest, MissingOrBrokenPicturesAreSkipped) {
    place->backgroundColour = "verde";
    game::TSlide& s = addSlide(1);
    s.picture = ip.dir + "/naoexiste.jpg";
    game::current().backgroundPicture = ip.dir + "/quebrado.jpg";
    writeText(ip.dir + "/quebrado.jpg", "\xFF\xD8 this is no picture");
    plat::Picture p = compose();
    EXPECT_TRUE(near(at(p, W - 40, H / 2), {0, 255, 0}));
    // A slide number past the place's slides, or a place that does not exist: background only / black.
    p = compose(7);
    EXPECT_TRUE(near(at(p, 10, 10), {0, 255, 0}));
    EXPECT_FALSE(player::ComposeSlide(99, 1, p));
    EXPECT_EQ(p.width, W);
    EXPECT_TRUE(near(at(p, 10, 10), {0, 0, 0}));
}

TEST_F(SlideTest, TextBlockMeasuredAndPlacedInTheTextColour) {
    game::TSlide& s = addSlide(1);
    s.text = {"MMMM", "", ""};  // trailing empty lines do not count in the height
    s.textPosition = "baixo esquerda";
    place->textColour = "amarelo";
    plat::Picture p = compose();
    int lh = game::current().font.lineHeight;
    EXPECT_EQ(lh, 32);  // 24 points at 96 pixels per inch
    EXPECT_GT(inkCount(p, {255, 255, 0}, 30, H - 30 - lh, 200, H - 30), 50);
    EXPECT_EQ(inkCount(p, {255, 255, 0}, 0, 0, W, H - 30 - lh), 0);
    EXPECT_EQ(inkCount(p, {255, 255, 0}, 0, 0, 29, H), 0);
    EXPECT_EQ(inkCount(p, {255, 255, 0}, 0, H - 30, W, H), 0);

    // Two lines, centred: the block is two line heights high around the middle.
    s.text = {"Um", "Dois"};
    s.textPosition = "centro";
    place->textColour.clear();  // white
    p = compose();
    EXPECT_GT(inkCount(p, {255, 255, 255}, 0, H / 2 - lh, W, H / 2), 20);
    EXPECT_GT(inkCount(p, {255, 255, 255}, 0, H / 2, W, H / 2 + lh), 20);
    EXPECT_EQ(inkCount(p, {255, 255, 255}, 0, 0, W, H / 2 - lh), 0);
    EXPECT_EQ(inkCount(p, {255, 255, 255}, 0, H / 2 + lh, W, H), 0);
}

TEST_F(SlideTest, TextIsOpaqueOnlyWhenThePlaceHasABackgroundColour) {
    game::current().backgroundPicture = jpeg("fundo.jpg", 8, 8, {0, 200, 0});
    game::TSlide& s = addSlide(1);
    s.text = {"Olá"};
    s.textPosition = "cima esquerda";
    plat::Picture p = compose();
    EXPECT_TRUE(near(at(p, 31, 31), {0, 200, 0}));  // transparent: the picture shows between the letters
    place->backgroundColour = "vermelho";
    p = compose();
    EXPECT_TRUE(near(at(p, 31, 31), {255, 0, 0}));  // opaque: the text's cell in the background colour
    EXPECT_TRUE(near(at(p, 20, 20), {0, 200, 0}));  // the picture is drawn over the colour everywhere else
}

TEST_F(SlideTest, TextVariablesAreReplacedWhenDrawnButMeasuredAsWritten) {
    game::TSlide& s = addSlide(1);
    s.text = {"$NOME"};
    s.textPosition = "cima esquerda";
    script::scriptSetVariable("NOME", "MMMMMMMMMMMM");
    plat::Picture p = compose();
    EXPECT_GT(inkCount(p, {255, 255, 255}, 150, 30, W, 62), 10);
    script::scriptSetVariable("NOME", "");
    p = compose();  // an empty value leaves the reference as written
    EXPECT_GT(inkCount(p, {255, 255, 255}, 30, 30, 120, 62), 10);
}

TEST_F(SlideTest, EveryEffectEndsWithThePlainSlideAndKeepsItsPace) {
    place->backgroundColour = "cinza";
    game::TSlide& s = addSlide(1);
    s.picture = jpeg("fig.jpg", 90, 70, {250, 10, 10});
    s.text = {"Efeitos"};
    plat::Picture image = compose();
    struct Case {
        const char* name;
        uint64_t waits;  // virtual milliseconds the steps wait
    };
    const Case cases[] = {
        {"ESQUERDA", (W + 15) / 16 * 10},
        {"direita", ((W - 1) / 16 + 1 + ((W - 1) % 16 ? 1 : 0)) * 10},  // from W - 1, the last strip at 0
        {"CIMA", (H + 15) / 16 * 10},
        {"BAIXO", ((H - 1) / 16 + 1 + ((H - 1) % 16 ? 1 : 0)) * 10},
        {"ESQUERDA DIREITA", (W / 2 / 4 + 1) * 5},
        {"CIMA BAIXO", (H / 2 / 4 + 1) * 5},
        {"QUADRADOS", (std::min(W, H) / 2 / 4 + 1) * 5},
        {"CRESCER", ((W / 2 - 1) / 16) * 10},
        {"PREENCHER", ((W / 8) * ((H + 7) / 8) + 511) / 512 * 5},
        {"DIAGONAL", (W + 31) / 32 * 5},
        {"NENHUM", 0},
    };
    for (const Case& c : cases) {
        player::SlideView view;
        view.pic = testfiles::solid(W, H, {1, 2, 3});
        view.shown = true;
        uint64_t t0 = ip.now();
        player::Reveal(c.name, view, image, H, W);
        EXPECT_EQ(ip.now() - t0, c.waits) << c.name;
        EXPECT_TRUE(view.pic.rgb == image.rgb) << c.name;
    }
}

TEST_F(SlideTest, ScreenSizesThatAreNotMultiplesOfTheSteps) {
    player::setSlideSize(203, 101);
    place->backgroundColour = "branco";
    addSlide(1).text = {"x"};
    plat::Picture image = compose();
    for (const char* e : {"ESQUERDA", "DIREITA", "CIMA", "BAIXO", "ESQUERDA DIREITA", "CIMA BAIXO", "QUADRADOS",
                          "CRESCER", "PREENCHER", "DIAGONAL"}) {
        player::SlideView view;
        player::Reveal(e, view, image, image.height, image.width);
        EXPECT_TRUE(view.pic.rgb == image.rgb) << e;
    }
}

TEST_F(SlideTest, MinitelaIsAHalfSizePreviewAndSlidesAreDumped) {
    place->backgroundColour = "vermelho";
    addSlide(1);
    player::setSlideDumpDir(ip.dir);
    player::DrawSlide(1, 1, "minitela");
    const player::SlideView& v = player::slideState().view;
    EXPECT_TRUE(v.shown);
    EXPECT_EQ(v.pic.width, W / 2);
    EXPECT_EQ(v.pic.height, H / 2);
    EXPECT_EQ(v.x, W / 2 - 20);
    EXPECT_EQ(v.y, H / 2 - 20);
    EXPECT_TRUE(near(at(v.pic, 3, 3), {255, 0, 0}));
    player::DrawSlide(1, 1, "");
    EXPECT_EQ(player::slideState().view.pic.width, W);
    plat::Picture dumped;
    ASSERT_TRUE(plat::readPng(ip.dir + "/0001-1-1.png", dumped));
    EXPECT_EQ(dumped.rgb, player::slideState().lastSlide.rgb);
    EXPECT_TRUE(plat::readPng(ip.dir + "/0002-1-1.png", dumped));
    player::ClearSlide();
    EXPECT_FALSE(player::slideState().view.shown);
}

}  // namespace
