#include "imageops/Rotate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;

// The pixel as stored: the index, or the bytes of a 24- or 32-bit pixel.
uint32_t Raw(const DibPixels& p, int x, int y) {
    if (p.BitCount <= 8) return uint32_t(p.IndexAt(x, y));
    uint32_t v = 0;
    std::memcpy(&v, p.Row(y) + size_t(x) * size_t(p.BitCount / 8), size_t(p.BitCount / 8));
    return v;
}

void SetRaw(DibPixels& p, int x, int y, uint32_t v) {
    uint8_t* row = p.Row(y);
    if (p.BitCount == 1) {
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = uint8_t(v ? row[x >> 3] | bit : row[x >> 3] & ~bit);
    } else {
        std::memcpy(row + size_t(x) * size_t(p.BitCount / 8), &v, size_t(std::max(1, p.BitCount / 8)));
    }
}

// Pixels told apart by their value: unique for 24 and 32 bits, position-scrambled indices
// for 8, pseudo-random for 1.
DibPixels Numbered(int w, int h, int bits) {
    DibPixels p;
    EXPECT_TRUE(p.Allocate(w, h, bits));
    if (bits == 1) p.Palette = {kBlack, kWhite};
    if (bits == 8)
        for (uint32_t i = 0; i < 256; ++i) p.Palette.push_back(i * 0x010101u);
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t n = uint32_t(y * w + x + 1);
            seed = seed * 1664525u + 1013904223u;
            switch (bits) {
            case 1: SetRaw(p, x, y, seed >> 31); break;
            case 8: SetRaw(p, x, y, (n * 37u + seed % 3) & 0xFF); break;
            case 24: SetRaw(p, x, y, n); break;
            default: SetRaw(p, x, y, n * 2654435761u); break;
            }
        }
    return p;
}

// Pixels of `got` that differ from `expected(c, r)`.
template <class F>
int Mismatches(const DibPixels& got, int width, F expected) {
    int bad = 0;
    for (int r = 0; r < got.Height; ++r)
        for (int c = 0; c < width; ++c) bad += Raw(got, c, r) != expected(c, r);
    return bad;
}

const int kSizes[][2] = {{1, 1}, {10, 3}, {3, 10}, {37, 5}, {13, 70}, {130, 67}, {300, 270}};

}  // namespace

TEST(Rotate, QuarterTurnIsTheExactPermutation) {
    for (int bits : {1, 8, 24, 32})
        for (auto [w, h] : kSizes) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << w << " x " << h);
            const DibPixels src = Numbered(w, h, bits);
            DibPixels right, left, back;
            ASSERT_TRUE(QuarterTurnPixels(src, 90, right));
            ASSERT_TRUE(QuarterTurnPixels(src, 270, left));
            for (const DibPixels* d : {&right, &left}) {
                EXPECT_EQ(d->Width, h);
                EXPECT_EQ(d->Height, w);
                EXPECT_EQ(d->BitCount, bits);
                EXPECT_EQ(d->Palette, src.Palette);
            }
            EXPECT_EQ(Mismatches(right, h, [&](int c, int r) { return Raw(src, r, h - 1 - c); }), 0);
            EXPECT_EQ(Mismatches(left, h, [&](int c, int r) { return Raw(src, w - 1 - r, c); }), 0);

            ASSERT_TRUE(QuarterTurnPixels(right, 270, back));
            EXPECT_TRUE(back.Bits == src.Bits) << "right then left";
            DibPixels turned = src;
            for (int i = 0; i < 4; ++i) ASSERT_TRUE(QuarterTurnPixels(turned, 90, turned));
            EXPECT_TRUE(turned.Bits == src.Bits) << "four right turns";
        }
    DibPixels d;
    for (int degrees : {0, 180, -90, 450}) EXPECT_FALSE(QuarterTurnPixels(Numbered(4, 4, 24), degrees, d));
}

TEST(Rotate, VoteTableOnHandMadeNeighbourhoods) {
    const uint32_t n[4] = {0x112233, 0x445566, 0x778899, 0xAABBCC};
    // The cells that copy: which neighbour, by quarter (qy rows, qx columns); -1 votes.
    const int copies[4][4] = {{0, 0, 1, 1}, {0, -1, -1, 1}, {2, -1, -1, 3}, {2, 2, 3, 3}};
    for (int qy = 0; qy < 4; ++qy)
        for (int qx = 0; qx < 4; ++qx)
            EXPECT_EQ(VoteQuarter(qx, qy, n), copies[qy][qx] >= 0 ? n[copies[qy][qx]] : kBlack)
                << "qx " << qx << " qy " << qy;

    // Votes: which neighbours are dark (bit i for neighbour i) and whether black wins.
    struct Case {
        int Qx, Qy, Dark;
        bool Black;
    } cases[] = {
        {1, 1, 0b0001, false}, {1, 1, 0b1001, true},  {1, 1, 0b0110, false}, {1, 1, 0b1110, true},
        {2, 1, 0b0010, false}, {2, 1, 0b1010, true},  {2, 1, 0b0101, false}, {2, 1, 0b1101, true},
        {1, 2, 0b0100, false}, {1, 2, 0b1100, true},  {1, 2, 0b0011, false}, {1, 2, 0b1011, true},
        {2, 2, 0b1000, false}, {2, 2, 0b1001, true},  {2, 2, 0b0110, false}, {2, 2, 0b0111, true},
        {1, 1, 0b0000, false},
    };
    for (const Case& k : cases) {
        uint32_t hood[4];
        for (int i = 0; i < 4; ++i) hood[i] = k.Dark >> i & 1 ? 0xFEFFFF : kWhite;  // nearly white is dark
        EXPECT_EQ(VoteQuarter(k.Qx, k.Qy, hood), k.Black ? kBlack : kWhite)
            << "qx " << k.Qx << " qy " << k.Qy << " dark " << k.Dark;
    }
    const uint32_t outside[4] = {0x123456, kWhite, kWhite, kWhite};
    EXPECT_EQ(VoteQuarter(3, 0, outside), kWhite) << "copying a neighbour beyond the edge gives white";
}

TEST(Rotate, VotePathKeepsEveryLineAndPadsWhite) {
    for (int bits : {1, 8, 24, 32})
        for (auto [w, h] : {std::pair{10, 3}, {5, 32}, {40, 33}, {70, 9}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << w << " x " << h);
            const DibPixels src = Numbered(w, h, bits);
            const int width = (h + 31) / 32 * 32;
            for (int degrees : {90, 270}) {
                DibPixels plain, vote;
                ASSERT_TRUE(QuarterTurnPixels(src, degrees, plain));
                ASSERT_TRUE(RotateQuarterVote(src, degrees, vote));
                EXPECT_EQ(vote.Width, width);
                EXPECT_EQ(vote.Height, w);
                EXPECT_EQ(vote.BitCount, bits);
                EXPECT_EQ(Mismatches(vote, h, [&](int c, int r) { return Raw(plain, c, r); }), 0) << degrees;
                int notWhite = 0;
                for (int r = 0; r < w; ++r)
                    for (int c = h; c < width; ++c) notWhite += vote.ColourAt(c, r) != kWhite;
                EXPECT_EQ(notWhite, 0) << "padding, " << degrees;
            }
        }

    // A 1-bit picture whose palette has white first pads with index 0.
    DibPixels inverted = Numbered(9, 5, 1), vote;
    inverted.Palette = {kWhite, kBlack};
    ASSERT_TRUE(RotateQuarterVote(inverted, 90, vote));
    EXPECT_EQ(vote.Palette, inverted.Palette);
    EXPECT_EQ(vote.IndexAt(31, 3), 0);

    // Sampling in the right half of each pixel copies the next source column, which is
    // white beyond the last one.
    const DibPixels src = Numbered(6, 4, 24);
    ASSERT_TRUE(RotateQuarterVoteAt(src, 90, 0x1800, 0, vote));
    EXPECT_EQ(Mismatches(vote, 4, [&](int c, int r) { return r + 1 < 6 ? Raw(src, r + 1, 3 - c) : 0xFFFFFFu; }), 0);

    // The voting quarter keeps a diagonal pair as one black pixel at the upper one and drops
    // a lone dot; the result's black is the palette's.
    DibPixels dots;
    ASSERT_TRUE(dots.Allocate(8, 6, 8, 1));
    dots.Palette = {kBlack, kWhite, 0x800000};
    SetRaw(dots, 2, 1, 2), SetRaw(dots, 3, 2, 2), SetRaw(dots, 6, 4, 2);
    ASSERT_TRUE(RotateQuarterVoteAt(dots, 90, 0x0800, 0x0800, vote));
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 32; ++c)
            EXPECT_EQ(vote.IndexAt(c, r), c == 6 - 1 - 1 && r == 2 ? 0 : 1) << c << ", " << r;
}

TEST(Rotate, ByAngleKeepsDepthAndPaletteAndPadsWhite) {
    for (const auto& palette : {std::vector<uint32_t>{kBlack, kWhite}, std::vector<uint32_t>{kWhite, kBlack}}) {
        DibPixels src = Numbered(40, 20, 1), out;
        src.Palette = palette;
        ASSERT_TRUE(RotateByAnglePixels(src, 0, out));
        EXPECT_EQ(out.Width, 64);
        EXPECT_EQ(out.Height, 20);
        EXPECT_EQ(out.BitCount, 1);
        EXPECT_EQ(out.Palette, palette);
        EXPECT_EQ(Mismatches(out, 64,
                             [&](int c, int r) { return c < 40 ? Raw(src, c, r) : uint32_t(palette[0] == kBlack); }),
                  0)
            << "the picture, then white whichever index white has";

        // Half round about (20, 10), the rounding shifts the picture by a pixel: column 0 and
        // row 0 come from beyond the far edges, and column 41 (source -0.5, truncated to 0)
        // repeats column 0.
        ASSERT_TRUE(RotateByAnglePixels(src, std::numbers::pi, out));
        EXPECT_EQ(Mismatches(out, 64,
                             [&](int c, int r) {
                                 return c >= 1 && c <= 41 && r >= 1 ? Raw(src, std::max(0, 40 - c), 20 - r)
                                                                    : uint32_t(palette[0] == kBlack);
                             }),
                  0);
    }
    const DibPixels photo = Numbered(33, 7, 24);
    DibPixels out;
    ASSERT_TRUE(RotateByAnglePixels(photo, 0, out));
    EXPECT_EQ(out.Width, 64);
    EXPECT_EQ(Mismatches(out, 64, [&](int c, int r) { return c < 33 ? Raw(photo, c, r) : kWhite; }), 0);

    // A 16-colour palette without white gains it for the corners.
    DibPixels grey = Numbered(20, 20, 8);
    grey.Palette.resize(16, 0x808080);
    std::fill(grey.Bits.begin(), grey.Bits.end(), 3);
    ASSERT_TRUE(RotateByAnglePixels(grey, 0.5, out));
    ASSERT_EQ(out.Palette.size(), 17u);
    EXPECT_EQ(out.Palette[16], kWhite);
    EXPECT_EQ(out.IndexAt(0, 0), 16);
    EXPECT_EQ(out.IndexAt(10, 10), 3);
}

TEST(Rotate, ByAngleMatchesTheDirectFormulaOnEveryPixel) {
    for (auto [w, h] : {std::pair{600, 500}, {601, 499}}) {
        const DibPixels src = Numbered(w, h, 24);
        const double cx = w * 0.5, cy = h * 0.5;
        // Cosines of 0.5 and 0.75 put many sums a rounding error away from whole numbers.
        for (double a : {1.7 * std::numbers::pi / 180, -0.3, std::numbers::pi / 3, std::acos(0.75), 2.5}) {
            DibPixels out;
            ASSERT_TRUE(RotateByAnglePixels(src, a, out));
            ASSERT_EQ(out.Width, (w + 31) / 32 * 32);
            const double co = std::cos(a), si = std::sin(a);
            const int bad = Mismatches(out, out.Width, [&](int c, int r) {
                const int sx = int(std::trunc((c - cx) * co - (r - cy) * si + cx + 0.5));
                const int sy = int(std::trunc((c - cx) * si + (r - cy) * co + cy + 0.5));
                return sx < 0 || sx >= w || sy < 0 || sy >= h ? kWhite : Raw(src, sx, sy);
            });
            EXPECT_EQ(bad, 0) << w << " x " << h << ", angle " << a;
        }
    }
}

TEST(Rotate, StraighteningTurnsADraggedEdgeUpright) {
    const double tilt = std::atan(3.0 / 100.0);
    EXPECT_NEAR(std::abs(tilt) * 180 / std::numbers::pi, 1.718, 0.001);
    EXPECT_NEAR(StraighteningAngle(0, 0, 3, 100), -tilt, 1e-12) << "down";
    EXPECT_NEAR(StraighteningAngle(3, 100, 0, 0), -tilt, 1e-12) << "up";
    EXPECT_NEAR(StraighteningAngle(0, 0, 100, 3), tilt, 1e-12) << "left to right";
    EXPECT_NEAR(StraighteningAngle(100, 3, 0, 0), tilt, 1e-12) << "right to left";
    EXPECT_NEAR(StraighteningAngle(3, 0, 0, 100), tilt, 1e-12) << "leaning the other way";
    EXPECT_NEAR(StraighteningAngle(0, 0, 100, 100), -std::numbers::pi / 4, 1e-12);
    EXPECT_EQ(StraighteningAngle(5, 5, 5, 5), 0.0);

    // A line 3 in 100 off vertical, then one off horizontal, turned by the angle from its ends.
    for (bool upright : {true, false}) {
        DibPixels pic;
        ASSERT_TRUE(pic.Allocate(200, 200, 24, 0xFF));
        for (int t = 0; t <= 100; ++t) {
            const int along = 50 + t, across = 98 + (3 * t + 50) / 100;
            SetRaw(pic, upright ? across : along, upright ? along : across, 0);
        }
        const int ends[2][2] = {{98, 50}, {101, 150}};
        for (int order = 0; order < 2; ++order) {
            const int* a = ends[order];
            const int* b = ends[1 - order];
            const double theta =
                upright ? StraighteningAngle(a[0], a[1], b[0], b[1]) : StraighteningAngle(a[1], a[0], b[1], b[0]);
            DibPixels out;
            ASSERT_TRUE(RotateByAnglePixels(pic, theta, out));
            int lo = 1000, hi = -1, count = 0;
            for (int y = 0; y < out.Height; ++y)
                for (int x = 0; x < 200; ++x)
                    if (out.ColourAt(x, y) == kBlack) {
                        const int across = upright ? x : y;
                        lo = std::min(lo, across), hi = std::max(hi, across), ++count;
                    }
            EXPECT_GE(count, 95) << "upright " << upright << " order " << order;
            EXPECT_LE(hi - lo, 2) << "within a pixel of one line; upright " << upright << " order " << order;
        }
    }
}
