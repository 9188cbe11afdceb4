#include "imageops/Monochrome.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;

RgbImage Filled(int w, int h, uint32_t c) { return {w, h, std::vector<uint32_t>(size_t(w) * size_t(h), c)}; }

std::vector<int> BlackColumns(const BilevelImage& m, int y, int limit) {
    std::vector<int> xs;
    for (int x = 1; x < limit; ++x)
        if (m.IsBlack(x, y)) xs.push_back(x);
    return xs;
}

}  // namespace

TEST(Monochrome, SimpleConversionKeepsOnlyWhite) {
    RgbImage img = Filled(37, 3, kWhite);
    img.Pixels[1] = 0xFEFFFF;   // nearly white is black
    img.Pixels[40] = 0x808080;
    BilevelImage m;
    ASSERT_TRUE(SimpleMonochrome(img, m));
    EXPECT_EQ(m.Width, 64) << "rounded up to 32 columns";
    EXPECT_EQ(m.Pitch, 8);
    EXPECT_TRUE(m.IsBlack(1, 0));
    EXPECT_TRUE(m.IsBlack(3, 1));
    EXPECT_FALSE(m.IsBlack(0, 0));
    for (int x = 37; x < 64; ++x) EXPECT_FALSE(m.IsBlack(x, 2)) << "added columns are white, x " << x;
    ASSERT_TRUE(SimpleMonochrome(img, m, 128));
    EXPECT_FALSE(m.IsBlack(1, 0)) << "a lower threshold keeps light pixels white";
    EXPECT_FALSE(m.IsBlack(3, 1));
}

TEST(Monochrome, EdgesOfLinesAndAWhiteImage) {
    BilevelImage m;
    ASSERT_TRUE(ExtractEdges(Filled(40, 10, kWhite), 100, 250, kDialogTestMask, m));
    EXPECT_EQ(m.Width, 64);
    for (int y = 1; y < 9; ++y) EXPECT_TRUE(BlackColumns(m, y, 63).empty()) << "only the frame, row " << y;
    EXPECT_TRUE(m.IsBlack(0, 5));
    EXPECT_TRUE(m.IsBlack(63, 5));
    EXPECT_TRUE(m.IsBlack(20, 0));
    EXPECT_TRUE(m.IsBlack(20, 9));

    RgbImage vertical = Filled(40, 10, kWhite);
    for (int y = 0; y < 10; ++y) vertical.Pixels[size_t(y * 40 + 12)] = kBlack;
    ASSERT_TRUE(ExtractEdges(vertical, 100, 250, kDialogTestMask, m));
    for (int y = 1; y < 9; ++y) EXPECT_EQ(BlackColumns(m, y, 63), (std::vector<int>{11, 12})) << "row " << y;

    RgbImage horizontal = Filled(40, 10, kWhite);
    for (int x = 0; x < 40; ++x) horizontal.Pixels[size_t(5 * 40 + x)] = kBlack;
    ASSERT_TRUE(ExtractEdges(horizontal, 100, 250, kDialogTestMask, m));
    for (int x = 1; x < 39; ++x) {
        EXPECT_TRUE(m.IsBlack(x, 4)) << "the row above, x " << x;
        EXPECT_TRUE(m.IsBlack(x, 5)) << "its own row, x " << x;
        // Each column remembers the black of its mark on the line, so the first white row
        // after it is a density change too; the drift is gone one row further down.
        EXPECT_TRUE(m.IsBlack(x, 6));
        EXPECT_FALSE(m.IsBlack(x, 7));
    }
}

TEST(Monochrome, DensityLinesFollowTheDrift) {
    // A grey ramp of 0..255 over 256 columns: lines every D/10 grey levels.
    auto ramp = [] {
        RgbImage r{256, 4, {}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 256; ++x) r.Pixels.push_back(uint32_t(x) * 0x010101u);
        return r;
    };
    BilevelImage coarse, fine;
    ASSERT_TRUE(ExtractEdges(ramp(), 300, 250, kDialogTestMask, coarse));
    ASSERT_TRUE(ExtractEdges(ramp(), 300, 50, kDialogTestMask, fine));
    std::vector<int> c = BlackColumns(coarse, 1, 255), f = BlackColumns(fine, 1, 255);
    ASSERT_GE(c.size(), 8u);
    for (size_t i = 1; i < c.size(); ++i) EXPECT_EQ(c[i] - c[i - 1], 26) << "regular spacing";
    EXPECT_NEAR(double(f.size()) / double(c.size()), 5.0, 0.6) << "D 50 draws five times as many lines";
}

TEST(Monochrome, DistancesAndElapsedTime) {
    EXPECT_EQ(ColourDistanceSquared(kWhite, kBlack), 100 * 255 * 255);
    EXPECT_EQ(ColourDistanceSquared(0x0000FF, 0), 30 * 255 * 255) << "R is the low byte";
    EXPECT_EQ(ColourDistanceLinear(0x00FF00, 0), 59 * 255 / 14);
    ElapsedParts e = ElapsedBetween(23 * 3600000 + 59 * 60000 + 59 * 1000 + 900, 100);  // across midnight
    EXPECT_EQ(e.Hours, 0);
    EXPECT_EQ(e.Minutes, 0);
    EXPECT_EQ(e.Seconds, 0);
    EXPECT_EQ(e.Milliseconds, 200);
    BilevelImage m;
    EXPECT_FALSE(MakeWhiteMono(0, 5, m));
    EXPECT_FALSE(MakeWhiteMono(70000, 70000, m));
}
