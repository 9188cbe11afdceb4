#include "imageops/Rotate.h"
#include "view/RubberBand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <tuple>
#include <vector>

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

// Pixels told apart by their value: unique for 24 and 32 bits, scrambled indices for 8,
// pseudo-random for 1.
DibPixels Numbered(int w, int h, int bits) {
    DibPixels p;
    EXPECT_TRUE(p.Allocate(w, h, bits));
    for (uint32_t i = 0; bits <= 8 && i < (1u << bits); ++i)
        p.Palette.push_back(bits == 1 ? i * kWhite : i * 0x010101u);  // greys up to white
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t n = uint32_t(y * w + x + 1);
            seed = seed * 1664525u + 1013904223u;
            SetRaw(p, x, y, bits == 1 ? seed >> 31 : bits == 8 ? (n * 37u + seed % 3) & 0xFF : n * 2654435761u);
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

    // Votes: qx, qy, the dark neighbours (bit i for neighbour i), whether black wins.
    const int cases[][4] = {{1, 1, 0b0001, 0}, {1, 1, 0b1001, 1}, {1, 1, 0b0110, 0}, {1, 1, 0b1110, 1},
                            {2, 1, 0b0010, 0}, {2, 1, 0b1010, 1}, {2, 1, 0b0101, 0}, {2, 1, 0b1101, 1},
                            {1, 2, 0b0100, 0}, {1, 2, 0b1100, 1}, {1, 2, 0b0011, 0}, {1, 2, 0b1011, 1},
                            {2, 2, 0b1000, 0}, {2, 2, 0b1001, 1}, {2, 2, 0b0110, 0}, {2, 2, 0b0111, 1}};
    for (const auto& k : cases) {
        uint32_t hood[4];
        for (int i = 0; i < 4; ++i) hood[i] = k[2] >> i & 1 ? 0xFEFFFF : kWhite;  // nearly white is dark
        EXPECT_EQ(VoteQuarter(k[0], k[1], hood), k[3] ? kBlack : kWhite) << k[0] << k[1] << " dark " << k[2];
    }
    const uint32_t outside[4] = {0x123456, kWhite, kWhite, kWhite};
    EXPECT_EQ(VoteQuarter(3, 0, outside), kWhite) << "copying a neighbour beyond the edge gives white";
}

TEST(Rotate, VotePathKeepsEveryLineAndPadsWhite) {
    for (auto [bits, whiteFirst] : {std::pair{1, false}, {1, true}, {8, false}, {24, false}, {32, false}})
        for (auto [w, h] : {std::pair{10, 3}, {5, 32}, {40, 33}, {70, 9}}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << w << " x " << h << ", white first " << whiteFirst);
            DibPixels src = Numbered(w, h, bits);
            if (whiteFirst) src.Palette = {kWhite, kBlack};
            const int width = (h + 31) / 32 * 32;
            for (int degrees : {90, 270}) {
                DibPixels plain, vote;
                ASSERT_TRUE(QuarterTurnPixels(src, degrees, plain));
                ASSERT_TRUE(RotateQuarterVote(src, degrees, vote));
                EXPECT_EQ(vote.Width, width);
                EXPECT_EQ(vote.Height, w);
                EXPECT_EQ(vote.BitCount, bits);
                EXPECT_EQ(vote.Palette, src.Palette);
                EXPECT_EQ(Mismatches(vote, h, [&](int c, int r) { return Raw(plain, c, r); }), 0) << degrees;
                int notWhite = 0;
                for (int r = 0; r < w; ++r)
                    for (int c = h; c < width; ++c) notWhite += vote.ColourAt(c, r) != kWhite;
                EXPECT_EQ(notWhite, 0) << "padding, " << degrees;
            }
        }

    // Sampling in the right half of each pixel copies the next source column, which is
    // white beyond the last one.
    const DibPixels src = Numbered(6, 4, 24);
    DibPixels vote;
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

TEST(Rotate, ByAngleFollowsTheDirectFormulaAtEveryDepth) {
    // Cosines of 0.5 and 0.75 put many running sums a rounding error away from whole numbers.
    const double angles[] = {0, 1.7 * std::numbers::pi / 180, -0.3, std::numbers::pi / 3, std::acos(0.75),
                             std::numbers::pi};
    for (auto [w, h, bits, whiteFirst] : {std::tuple{600, 500, 24, false}, {601, 499, 32, false},
                                          {300, 250, 1, false}, {301, 249, 1, true}}) {
        DibPixels src = Numbered(w, h, bits);
        if (whiteFirst) src.Palette = {kWhite, kBlack};
        const uint32_t white = bits == 1 ? !whiteFirst : bits == 24 ? kWhite : 0xFFFFFFFF;
        const double cx = w * 0.5, cy = h * 0.5;
        for (double a : angles) {
            DibPixels out;
            ASSERT_TRUE(RotateByAnglePixels(src, a, out));
            ASSERT_EQ(out.Width, (w + 31) / 32 * 32);
            ASSERT_EQ(out.Height, h);
            ASSERT_EQ(out.BitCount, bits) << "a 1-bit picture stays 1-bit";
            EXPECT_EQ(out.Palette, src.Palette);
            const double co = std::cos(a), si = std::sin(a);
            const int bad = Mismatches(out, out.Width, [&](int c, int r) {
                const int sx = int(std::trunc((c - cx) * co - (r - cy) * si + cx + 0.5));
                const int sy = int(std::trunc((c - cx) * si + (r - cy) * co + cy + 0.5));
                return sx < 0 || sx >= w || sy < 0 || sy >= h ? white : Raw(src, sx, sy);
            });
            EXPECT_EQ(bad, 0) << w << " x " << h << ", " << bits << " bits, angle " << a;
        }
        DibPixels out;
        ASSERT_TRUE(RotateByAnglePixels(src, 0, out));
        EXPECT_EQ(Mismatches(out, out.Width, [&](int c, int r) { return c < w ? Raw(src, c, r) : white; }), 0)
            << "no turn: the picture, then white whichever index white has";
    }

    // A 16-colour palette without white gains it for the corners.
    DibPixels grey = Numbered(20, 20, 8), out;
    grey.Palette.resize(16);
    std::fill(grey.Bits.begin(), grey.Bits.end(), 3);
    ASSERT_TRUE(RotateByAnglePixels(grey, 0.5, out));
    ASSERT_EQ(out.Palette.size(), 17u);
    EXPECT_EQ(out.Palette[16], kWhite);
    EXPECT_EQ(out.IndexAt(0, 0), 16);
    EXPECT_EQ(out.IndexAt(10, 10), 3);
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
