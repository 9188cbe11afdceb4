// Our PNG writer read back by our reader: colour, palette and 1-bit pictures of awkward
// sizes come back pixel for pixel, in the layout each was meant to take.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "image/PngRead.h"
#include "imageops/PngWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

// IHDR's depth and colour type.
std::pair<int, int> DepthAndColour(const Bytes& png) { return {png[24], png[25]}; }

DibPixels Picture(int w, int h, int bitCount, int colours, uint32_t seed) {
    DibPixels p;
    EXPECT_TRUE(p.Allocate(w, h, bitCount));
    std::mt19937 rnd(seed);
    std::vector<uint32_t> set;
    for (int i = 0; i < colours; ++i) set.push_back(rnd() & 0xFFFFFF);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = p.Row(y);
        for (int x = 0; x < w; ++x) {
            if (bitCount == 1) {
                if (rnd() & 1) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
                continue;
            }
            // Smooth with noise, as photographs are, unless a palette is asked for.
            const uint32_t c = colours ? set[rnd() % set.size()]
                                       : uint32_t((x * 7 + rnd() % 9) & 255) << 16 | uint32_t((y * 3) & 255) << 8 | (rnd() & 255);
            uint8_t* px = row + size_t(x) * size_t(bitCount / 8);
            px[0] = uint8_t(c), px[1] = uint8_t(c >> 8), px[2] = uint8_t(c >> 16);
        }
    }
    return p;
}

void ExpectSamePixels(const DibPixels& p, const PngPicture& back) {
    ASSERT_EQ(back.Layout.Width, p.Width);
    ASSERT_EQ(back.Layout.Height, p.Height);
    int wrong = 0;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
            if (back.ColourAt(x, y) != p.ColourAt(x, y) && wrong++ < 3) ADD_FAILURE() << x << "," << y;
}

TEST(PngRoundTrip, EveryLayoutComesBack) {
    struct Case {
        int w, h, bitCount, colours;
        int depth, colour;  // what the file should hold
    };
    const Case cases[] = {
        {1, 1, 24, 0, 1, 3},       {3, 5, 24, 0, 4, 3},      {1000, 7, 24, 0, 8, 2},  {37, 11, 32, 0, 8, 2},
        {3, 5, 24, 3, 2, 3},       {1000, 7, 24, 16, 4, 3},  {13, 9, 24, 17, 8, 3},   {1000, 7, 24, 256, 8, 3},
        {1, 1, 1, 0, 1, 0},        {3, 5, 1, 0, 1, 0},       {1000, 7, 1, 0, 1, 0},   {13, 3, 24, 2, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " " << c.bitCount << " bits, " << c.colours << " colours");
        DibPixels p = Picture(c.w, c.h, c.bitCount, c.colours, uint32_t(c.w * 31 + c.h + c.colours));
        if (c.bitCount == 1) p.Palette = {0x000000, 0xFFFFFF};
        Bytes png;
        ASSERT_TRUE(EncodePng(p, png));
        EXPECT_EQ(DepthAndColour(png), std::make_pair(c.depth, c.colour));
        PngPicture back;
        ASSERT_EQ(ReadPng(png.data(), png.size(), back), PngStatus::Ok);
        ExpectSamePixels(p, back);
        EXPECT_EQ(back.Layout.BitCount, c.bitCount == 1 ? 1 : 24);
    }
}

// The IDAT bodies joined: one zlib stream.
Bytes IdatStream(const Bytes& png) {
    Bytes stream;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 | size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::equal(png.begin() + long(at) + 4, png.begin() + long(at) + 8, "IDAT"))
            stream.insert(stream.end(), png.begin() + long(at) + 8, png.begin() + long(at + 8 + length));
        at += length + 12;
    }
    return stream;
}

size_t DeflatedSize(const uint8_t* data, size_t size, int level, int strategy) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, uLong(size)));
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    deflateEnd(&z);
    return size_t(z.total_out);
}

// Pictures of several bands (each deflated on its own core) make one valid stream, checksum
// included, that packs within a percent of what one deflate of it gives.
TEST(PngRoundTrip, BandsJoinIntoOneStream) {
    struct Case {
        int w, h, bitCount, colours;
        size_t rowBytes;  // filtered, with the type byte
    };
    for (const Case& c : {Case{700, 1600, 24, 0, 2101}, Case{2003, 1500, 24, 200, 2004}, Case{4001, 4500, 1, 0, 502}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " " << c.bitCount << " bits");
        DibPixels p = Picture(c.w, c.h, c.bitCount, c.colours, uint32_t(c.w));
        if (c.bitCount == 1) p.Palette = {0x000000, 0xFFFFFF};
        // Rows repeating every four: a band that did not start from what came before would
        // have to spell its first rows out again.
        for (int y = 4; y < c.h; ++y) std::copy_n(p.Row(y % 4), p.Stride, p.Row(y));
        // zlib's fastest levels pack such rows by luck of their hash chains, either way.
        Bytes png;
        ASSERT_TRUE(EncodePng(p, png, {6, 8}));
        PngPicture back;
        ASSERT_EQ(ReadPng(png.data(), png.size(), back), PngStatus::Ok);
        ExpectSamePixels(p, back);

        const Bytes stream = IdatStream(png);
        Bytes rows(c.rowBytes * size_t(c.h) + 1);
        uLongf size = uLongf(rows.size());
        ASSERT_EQ(uncompress(rows.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
        ASSERT_EQ(size, c.rowBytes * size_t(c.h));
        const bool rgb = c.bitCount == 24 && !c.colours;
        EXPECT_LT(double(stream.size()), double(DeflatedSize(rows.data(), size, rgb ? 6 : 8, rgb ? Z_FILTERED : Z_DEFAULT_STRATEGY)) * 1.01);
    }
}

TEST(PngRoundTrip, OneBitKeepsItsOwnPalette) {
    // White first (as scanners write), and a pair of colours: both stay 1-bit in the file.
    for (const std::vector<uint32_t>& palette : {std::vector<uint32_t>{0xFFFFFF, 0x000000},
                                                  std::vector<uint32_t>{0x102030, 0xFFEE00}}) {
        DibPixels p = Picture(29, 4, 1, 0, 9);
        p.Palette = palette;
        Bytes png;
        ASSERT_TRUE(EncodePng(p, png, {9, 9}));
        EXPECT_EQ(DepthAndColour(png), std::make_pair(1, 3));
        PngPicture back;
        ASSERT_EQ(ReadPng(png.data(), png.size(), back), PngStatus::Ok);
        ExpectSamePixels(p, back);
    }
    // 257 colours go to RGB: a palette would have to drop one.
    DibPixels many;
    ASSERT_TRUE(many.Allocate(257, 1, 24));
    for (int x = 0; x < 257; ++x) many.Row(0)[x * 3] = uint8_t(x), many.Row(0)[x * 3 + 1] = uint8_t(x >> 8);
    Bytes png;
    ASSERT_TRUE(EncodePng(many, png, {1, 1}));
    EXPECT_EQ(DepthAndColour(png), std::make_pair(8, 2));
}

TEST(PngRoundTrip, RefusesWhatItCannotWrite) {
    Bytes png{1, 2, 3};
    DibPixels none;
    EXPECT_FALSE(EncodePng(none, png));
    EXPECT_TRUE(png.empty());
    DibPixels p = Picture(4, 4, 24, 0, 1);
    EXPECT_FALSE(EncodePng(p, png, {0, 3}));
    EXPECT_FALSE(EncodePng(p, png, {3, 10}));
    p.Bits.resize(p.Bits.size() - 1);  // rows shorter than the sides need
    EXPECT_FALSE(EncodePng(p, png));
}

TEST(PngRoundTrip, TargetCanStopTheRead) {
    struct Stopping : PngPicture {
        int asked = 0;
        bool Continue(int done, int total) override {
            EXPECT_LE(done, total);
            return ++asked < 2;
        }
    };
    const DibPixels p = Picture(5, 600, 24, 0, 4);
    Bytes png;
    ASSERT_TRUE(EncodePng(p, png, {1, 1}));
    Stopping target;
    EXPECT_EQ(ReadPng(png.data(), png.size(), target), PngStatus::Cancelled);
    EXPECT_EQ(target.asked, 2);
}

}  // namespace
