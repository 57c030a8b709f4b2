// Pictures in and out, and TrueType text drawn into pictures.
#include <gtest/gtest.h>

#include "files.h"
#include "platform/image.h"
#include "support/headless.h"

namespace {

using testfiles::at;
using testfiles::near;

TEST(Jpeg, RoundTripKeepsSizeAndColours) {
    plat::Picture pic = testfiles::solid(64, 48, {0, 0, 255});
    for (int y = 0; y < 48; ++y)
        for (int x = 32; x < 64; ++x) {
            uint8_t* d = &pic.rgb[(size_t(y) * 64 + x) * 3];
            d[0] = 255, d[1] = 255, d[2] = 0;
        }
    std::string bytes;
    ASSERT_TRUE(plat::encodeJpeg(pic, 90, bytes));
    plat::Picture out;
    ASSERT_TRUE(plat::decodeJpeg(bytes, out));
    EXPECT_EQ(out.width, 64);
    EXPECT_EQ(out.height, 48);
    EXPECT_TRUE(near(at(out, 4, 4), {0, 0, 255}));
    EXPECT_TRUE(near(at(out, 60, 40), {255, 255, 0}));
}

TEST(Jpeg, NotAJpegOrBrokenLeavesThePictureAlone) {
    plat::Picture out = testfiles::solid(2, 2, {1, 2, 3});
    EXPECT_FALSE(plat::decodeJpeg("", out));
    EXPECT_FALSE(plat::decodeJpeg("BM not a jpeg at all", out));
    EXPECT_FALSE(plat::decodeJpeg(std::string("\xFF\xD8\xFF\xE0garbage garbage garbage", 26), out));
    std::string bytes;
    ASSERT_TRUE(plat::encodeJpeg(testfiles::solid(40, 40, {9, 9, 9}), 80, bytes));
    EXPECT_FALSE(plat::decodeJpeg(bytes.substr(0, 20), out));  // the header cut off
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.rgb[0], 1);
    // A picture whose header claims a giant size is refused before any memory is taken.
    std::string giant = bytes;
    size_t sof = giant.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    giant[sof + 5] = char(0xFF), giant[sof + 6] = char(0xFF), giant[sof + 7] = char(0xFF), giant[sof + 8] = char(0xFF);
    EXPECT_FALSE(plat::decodeJpeg(giant, out));
    // Cut in the middle of the picture data: decoded as far as it goes, no crash.
    plat::Picture part;
    plat::decodeJpeg(bytes.substr(0, bytes.size() / 2), part);
}

TEST(Png, WrittenSlidesReadBackExactly) {
    std::string dir = tempDir();
    plat::Picture pic = testfiles::solid(13, 7, {10, 20, 30});
    pic.rgb[(3 * 13 + 5) * 3] = 250;
    ASSERT_TRUE(plat::writePng(dir + "/a.png", pic));
    plat::Picture back;
    ASSERT_TRUE(plat::readPng(dir + "/a.png", back));
    EXPECT_EQ(back.width, 13);
    EXPECT_EQ(back.height, 7);
    EXPECT_EQ(back.rgb, pic.rgb);
    EXPECT_FALSE(plat::writePng(dir + "/no/such/folder.png", pic));
    EXPECT_FALSE(plat::writePng(dir + "/empty.png", plat::Picture()));
    writeText(dir + "/fake.png", "not a png");
    EXPECT_FALSE(plat::readPng(dir + "/fake.png", back));
}

TEST(Bmp, BottomUpBgrWithPaddedRows) {
    plat::Picture pic = testfiles::solid(3, 2, {1, 2, 3});
    pic.rgb[0] = 9;  // top-left red
    std::string b = plat::encodeBmp(pic);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(uint8_t(b[14]), 40);
    // The top row is stored last; its first pixel is blue, green, red.
    EXPECT_EQ(uint8_t(b[54 + 12 + 0]), 3);
    EXPECT_EQ(uint8_t(b[54 + 12 + 2]), 9);
    EXPECT_EQ(uint8_t(b[54 + 2]), 1);
}

int countInk(const plat::Picture& p, plat::Rgb ink, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(p.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x1); ++x)
            if (near(at(p, x, y), ink, 60)) ++n;
    return n;
}

TEST(Text, DrawnInsideItsCellInTheGivenColour) {
    int f = plat::fontOpen("Arial", 32, false);
    ASSERT_GT(f, 0);
    EXPECT_FALSE(plat::fontFileFor("Arial", false).empty());
    int w = plat::textWidth(f, plat::cp("Ação"));
    EXPECT_GT(w, 30);
    EXPECT_LT(w, 120);
    plat::Picture pic = testfiles::solid(300, 100, {0, 0, 0});
    plat::drawText(pic, f, 50, 20, plat::cp("Ação"), {255, 255, 0});
    EXPECT_GT(countInk(pic, {255, 255, 0}, 50, 20, 50 + w, 52), 40);
    EXPECT_EQ(countInk(pic, {255, 255, 0}, 0, 0, 300, 20), 0);
    EXPECT_EQ(countInk(pic, {255, 255, 0}, 0, 52, 300, 100), 0);
    EXPECT_EQ(countInk(pic, {255, 255, 0}, 0, 0, 50, 100), 0);

    // Opaque text fills its cell with the background first.
    plat::Picture pic2 = testfiles::solid(300, 100, {0, 0, 0});
    plat::Rgb red{255, 0, 0};
    plat::drawText(pic2, f, 10, 10, "Texto", {255, 255, 255}, &red);
    EXPECT_TRUE(near(at(pic2, 11, 11), red));
    EXPECT_TRUE(near(at(pic2, 11, 9), {0, 0, 0}));

    int bold = plat::fontOpen("Arial", 32, true);
    EXPECT_GT(plat::textWidth(bold, "Mmmmmmmm"), plat::textWidth(f, "Mmmmmmmm"));
    plat::fontClose(bold);
    plat::fontClose(f);
    EXPECT_EQ(plat::textWidth(f, "x"), 0);  // a closed handle draws nothing
}

TEST(Text, UnknownFaceFallsBackToAnInstalledOne) {
    int f = plat::fontOpen("Fonte Que Nao Existe", 20, false);
    ASSERT_GT(f, 0);
    EXPECT_GT(plat::textWidth(f, "abc"), 0);
    plat::fontClose(f);
}

}  // namespace
