#include "imageops/Palette8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

uint32_t Noise(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

void SetColour(DibPixels& p, int x, int y, uint32_t c) {
    uint8_t* px = p.Row(y) + size_t(x) * size_t(p.BitCount / 8);
    px[0] = uint8_t(c);
    px[1] = uint8_t(c >> 8);
    px[2] = uint8_t(c >> 16);
}

void ExpectSameColours(const DibPixels& source, const DibPixels& out) {
    ASSERT_EQ(out.BitCount, 8);
    ASSERT_EQ(out.Width, source.Width);
    ASSERT_EQ(out.Height, source.Height);
    ASSERT_LE(out.Palette.size(), 256u);
    for (int y = 0; y < source.Height; ++y)
        for (int x = 0; x < source.Width; ++x) {
            ASSERT_LT(size_t(out.IndexAt(x, y)), out.Palette.size());
            ASSERT_EQ(out.ColourAt(x, y), source.ColourAt(x, y)) << x << "," << y;
        }
}

}  // namespace

TEST(Palette8, FewColoursKeepTheirExactValues) {
    DibPixels source, out;
    EXPECT_FALSE(ReduceTo8Bit(source, out));

    // 256 colours a few levels apart, where the cells of a histogram would merge them.
    ASSERT_TRUE(source.Allocate(37, 13, 24));
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint32_t i = uint32_t(y * 37 + x) % 256;
            SetColour(source, x, y, 0x204060 + ((i & 7) | (i >> 3 & 7) << 8 | (i >> 6) << 16));
        }
    ASSERT_TRUE(ReduceTo8Bit(source, out));
    ExpectSameColours(source, out);

    ASSERT_TRUE(source.Allocate(1, 1, 32));
    SetColour(source, 0, 0, 0x123456);
    ASSERT_TRUE(ReduceTo8Bit(source, out));
    ExpectSameColours(source, out);
    EXPECT_EQ(out.Palette.size(), 1u);

    // Paletted sources, including a repeated colour and indices past the palette (black).
    uint32_t seed = 7;
    ASSERT_TRUE(source.Allocate(5, 3, 8));
    for (int i = 0; i < 250; ++i) source.Palette.push_back(i == 9 ? 0xABCDEF : Noise(seed) & 0xFFFFFF);
    source.Palette[3] = 0xABCDEF;
    for (int i = 0; i < 15; ++i) source.Row(i / 5)[i % 5] = uint8_t(i == 14 ? 255 : i * 17 % 16);
    ASSERT_TRUE(ReduceTo8Bit(source, out));
    ExpectSameColours(source, out);
    ASSERT_TRUE(source.Allocate(9, 2, 1, 0xA5));
    source.Palette = {0xFF0000, 0x00FF00};
    ASSERT_TRUE(ReduceTo8Bit(source, source)) << "in place";
    EXPECT_EQ(source.ColourAt(0, 0), 0x00FF00u);
    EXPECT_EQ(source.ColourAt(1, 1), 0xFF0000u);
    EXPECT_EQ(source.ColourAt(8, 1), 0x00FF00u);
}

TEST(Palette8, PhotoGetsAMedianCutPaletteWithSmallError) {
    // Gradients with grain, a flat block and a red line: many thousands of colours.
    const int w = 301, h = 199;
    DibPixels source, out;
    ASSERT_TRUE(source.Allocate(w, h, 24));
    uint32_t seed = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t r = uint32_t(x * 255 / w), g = uint32_t(y * 255 / h), b = uint32_t((x + y) * 255 / (w + h));
            uint32_t c = (r << 16 | g << 8 | b) + (Noise(seed) % 8) * 0x010101u;
            if (x >= 200 && x < 240 && y >= 20 && y < 60) c = 0x7A7D80;
            if (y == 150) c = 0xFF0000;
            SetColour(source, x, y, c);
        }
    ASSERT_TRUE(ReduceTo8Bit(source, out));
    ASSERT_EQ(out.BitCount, 8);
    ASSERT_GT(out.Palette.size(), 200u);
    ASSERT_LE(out.Palette.size(), 256u);
    std::set<uint32_t> entries(out.Palette.begin(), out.Palette.end());
    EXPECT_EQ(entries.size(), out.Palette.size()) << "no entry wasted on a duplicate";

    double error = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_LT(size_t(out.IndexAt(x, y)), out.Palette.size());
            const uint32_t a = source.ColourAt(x, y), b = out.ColourAt(x, y);
            for (int shift : {0, 8, 16}) error += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
        }
    // Measured 3.5 levels per channel.
    EXPECT_LT(error / (3.0 * w * h), 4.0);
    // No dithering: the flat block takes one entry, and the line stays one pure colour.
    for (int y = 20; y < 60; ++y)
        for (int x = 200; x < 240; ++x) ASSERT_EQ(out.IndexAt(x, y), out.IndexAt(200, 20));
    for (int x = 0; x < w; ++x) ASSERT_EQ(out.IndexAt(x, 150), out.IndexAt(0, 150));
    EXPECT_EQ(out.ColourAt(0, 150), 0xFF0000u);

    // 257 colours: one over, so reduced, yet each pixel stays within a level or two.
    ASSERT_TRUE(source.Allocate(257, 1, 24));
    for (int x = 0; x < 257; ++x) SetColour(source, x, 0, uint32_t(x) * 0x010203u);
    ASSERT_TRUE(ReduceTo8Bit(source, out));
    EXPECT_LE(out.Palette.size(), 256u);
    for (int x = 0; x < 257; ++x) {
        const uint32_t a = source.ColourAt(x, 0), b = out.ColourAt(x, 0);
        for (int shift : {0, 8, 16}) EXPECT_LE(std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)), 6) << x;
    }
}
