#include "vectorize/Tracer.h"

#include <gtest/gtest.h>

#include "Segments.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

MonoImage Picture(const std::vector<std::string>& art) {
    MonoImage m(int(art[0].size()), int(art.size()));
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x) m.Set(x, y, art[size_t(y)][size_t(x)] == '#');
    return m;
}

MonoImage Blank(int width, int height) { return MonoImage(width, height); }

LineStore& Store() {
    static LineStore store(200001);
    store.CreateStore();
    return store;
}

std::vector<Seg> Segments(const LineStore& s, bool normalise) {
    std::vector<Seg> out;
    for (int32_t i = 1; i < s.EndpointCount(); i += 2) {
        Seg g{s.EndpointX(i), s.EndpointY(i), s.EndpointX(i + 1), s.EndpointY(i + 1)};
        if (normalise && std::tie(g.x2, g.y2) < std::tie(g.x1, g.y1)) g = {g.x2, g.y2, g.x1, g.y1};
        out.push_back(g);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The raw window segments, as the tracer adds them (sorted; their order is the compressor's business).
std::vector<Seg> Raw(const MonoBits& bits, bool outline, ImageRegion region = {}) {
    LineStore& s = Store();
    TraceOptions o;
    o.Outline = outline;
    o.Compress = false;
    o.Region = region;
    EXPECT_EQ(TraceImage(bits, o, s), kTraceDone);
    return Segments(s, false);
}

std::vector<Seg> Traced(const MonoImage& m, int level, bool outline) {
    LineStore& s = Store();
    EXPECT_EQ(TraceImage(m.Bits(), TraceOptionsFor(level, outline), s), kTraceDone);
    return Segments(s, true);
}

TEST(Tracer, WindowsGiveRunsOfTwoOrMore) {
    const std::string blank(40, '.');
    auto row = [&](int from, int to) {
        std::string r = blank;
        for (int x = from; x <= to; ++x) r[size_t(x)] = '#';
        return r;
    };
    struct Row {
        const char* name;
        std::vector<std::string> art;
        std::vector<Seg> want;
    };
    const Row rows[] = {
        {"single pixel", {blank, row(7, 7), blank}, {}},
        {"two pixels", {blank, row(3, 4), blank}, {{4, 2, 5, 2}}},
        {"columns 5 to 20", {blank, row(5, 20), blank}, {{6, 2, 8, 2}, {8, 2, 16, 2}, {16, 2, 21, 2}}},
        {"two pixels across a word", {row(31, 32)}, {{32, 1, 33, 1}}},
        {"vertical, rows 2 to 12",
         {blank, blank, row(3, 3), row(3, 3), row(3, 3), row(3, 3), row(3, 3), row(3, 3), row(3, 3), row(3, 3), row(3, 3),
          row(3, 3), row(3, 3), blank},
         {{4, 9, 4, 3}, {4, 13, 4, 9}}},
        {"diagonal down-right", {blank, blank, row(2, 2), row(3, 3), row(4, 4), blank}, {{5, 5, 3, 3}}},
        {"diagonal down-left", {blank, blank, row(4, 4), row(3, 3), row(2, 2), blank}, {{3, 5, 5, 3}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const MonoImage m = Picture(r.art);
        EXPECT_EQ(Raw(m.Bits(), false), r.want) << "solid";
        EXPECT_EQ(Raw(m.Bits(), true), r.want) << "outline: nothing here is inside a stroke";
    }
}

TEST(Tracer, OutlineOfAFilledSquare) {
    MonoImage m = Blank(20, 20);
    for (int y = 3; y <= 12; ++y)
        for (int x = 3; x <= 12; ++x) m.Set(x, y, true);
    const std::vector<Seg> sides{{4, 4, 4, 13}, {4, 4, 13, 4}, {4, 13, 13, 13}, {13, 4, 13, 13}};
    // Levels 1 and 2 join pieces up to 4 and 3 pixels of detour: they cut the corners of
    // a shape this small.
    for (int level = 3; level <= 6; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(Traced(m, level, true), sides);
    }
    EXPECT_GE(Traced(m, 6, false).size(), 20u) << "solid traces every row and column";
}

// A one-pixel frame on the image border: each side must be traced along its direction,
// every pixel pair exactly once, also when the width is a multiple of 32.
TEST(Tracer, BorderFramesAreTracedOnce) {
    struct Row {
        int width, height;
    };
    const Row sizes[] = {{64, 40}, {32, 32}, {50, 37}, {33, 5}, {96, 70}};
    for (const Row& size : sizes)
        for (bool outline : {false, true}) {
            SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << (outline ? " outline" : " solid"));
            MonoImage m = Blank(size.width, size.height);
            for (int x = 0; x < size.width; ++x) m.Set(x, 0, true), m.Set(x, size.height - 1, true);
            for (int y = 0; y < size.height; ++y) m.Set(0, y, true), m.Set(size.width - 1, y, true);
            std::map<std::tuple<int, int, char>, int> pairs;  // (x, y, direction) of the pair's first pixel
            for (const Seg& s : Raw(m.Bits(), outline)) {
                if (s.y1 == s.y2)
                    for (int x = std::min(s.x1, s.x2); x < std::max(s.x1, s.x2); ++x) ++pairs[{x, s.y1, 'h'}];
                else if (s.x1 == s.x2)
                    for (int y = std::min(s.y1, s.y2); y < std::max(s.y1, s.y2); ++y) ++pairs[{s.x1, y, 'v'}];
            }
            int missing = 0, twice = 0;
            for (int y : {1, size.height})
                for (int x = 1; x < size.width; ++x) {
                    const int n = pairs[{x, y, 'h'}];
                    missing += n == 0, twice += n > 1;
                }
            for (int x : {1, size.width})
                for (int y = 1; y < size.height; ++y) {
                    const int n = pairs[{x, y, 'v'}];
                    missing += n == 0, twice += n > 1;
                }
            EXPECT_EQ(missing, 0);
            EXPECT_EQ(twice, 0);
        }
}

// Bits past the width (row padding) and bytes past a row's last byte are never read as ink.
TEST(Tracer, RowPaddingIsPaper) {
    for (int width : {33, 37, 40, 64, 65}) {
        for (uint8_t inkBit : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "width " << width << " ink bit " << int(inkBit));
            const size_t stride = (size_t(width) + 7) / 8;  // no spare bytes: a read past a row is caught
            std::vector<uint8_t> rows(stride * 4, inkBit ? 0x00 : 0xFF);
            for (size_t r = 0; r < 4; ++r) {
                uint8_t& last = rows[r * stride + stride - 1];
                const int used = width % 8 == 0 ? 8 : width % 8;
                last = uint8_t(inkBit ? (0xFF >> used) : ~(0xFF >> used));  // only the padding is ink
            }
            const MonoBits bits{rows.data(), width, 4, stride, true, inkBit};
            EXPECT_TRUE(Raw(bits, false).empty());
            EXPECT_TRUE(Raw(bits, true).empty());
        }
    }
}

TEST(Tracer, InkFollowsThePaletteAndRowOrder) {
    struct Row {
        const char* name;
        uint8_t c0[3], c1[3];
        uint8_t ink;
    };
    const Row rows[] = {
        {"black, white", {0, 0, 0}, {255, 255, 255}, 0},
        {"white, black", {255, 255, 255}, {0, 0, 0}, 1},
        {"dark blue, pale yellow", {0, 0, 128}, {255, 255, 160}, 0},
        {"pale green, dark red", {200, 255, 200}, {128, 0, 0}, 1},
        {"equal", {9, 9, 9}, {9, 9, 9}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(InkBitFromPalette(r.c0[0], r.c0[1], r.c0[2], r.c1[0], r.c1[1], r.c1[2]), r.ink);
    }

    const MonoImage m = Picture({"..........", ".######...", ".#....#...", ".######.#.", "........#."});
    const std::vector<Seg> want = Raw(m.Bits(), false);
    ASSERT_FALSE(want.empty());
    for (uint8_t inkBit : {0, 1})
        for (bool bottomUp : {false, true}) {
            SCOPED_TRACE(testing::Message() << "ink bit " << int(inkBit) << (bottomUp ? " bottom-up" : " top-down"));
            std::vector<uint8_t> dib(4 * size_t(m.Height));
            for (int y = 0; y < m.Height; ++y)
                for (int x = 0; x < m.Width; ++x) {
                    const bool bit = m.Ink(x, y) == (inkBit == 1);
                    if (bit) dib[size_t(bottomUp ? m.Height - 1 - y : y) * 4 + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
                }
            EXPECT_EQ(Raw(MonoBits{dib.data(), m.Width, m.Height, 4, bottomUp, inkBit}, false), want);
        }
}

TEST(Tracer, RegionsAndLimits) {
    MonoImage m = Blank(200, 60);
    for (int x = 0; x < 200; ++x) m.Set(x, 30, true);
    const std::vector<Seg> whole = Raw(m.Bits(), false);
    EXPECT_EQ(Raw(m.Bits(), false, {0, 0, 200, 60}), whole);
    // Columns 70..99 start at the tile of column 64 and end with the tile that holds 99.
    std::vector<Seg> part = Raw(m.Bits(), false, {70, 0, 30, 60});
    ASSERT_FALSE(part.empty());
    EXPECT_EQ(part.front().x1, 64) << "from column 63, the pixel before the first window";
    EXPECT_EQ(part.back().x2, 128);

    LineStore& s = Store();
    std::vector<uint8_t> bytes(5000 * 2);
    struct Row {
        const char* name;
        int width, height;
        ImageRegion region;
        int want;
    };
    const Row rows[] = {
        {"region to column 40000", 100, 2, {39900, 0, 100, 1}, kTraceTooLarge},
        {"region to row 20000", 100, 2, {0, 19999, 10, 1}, kTraceTooLarge},
        {"image of 40000 columns", 40000, 2, {}, kTraceTooLarge},
        {"image of 39999 columns", 39999, 2, {}, kTraceDone},
        {"region beside the image", 100, 2, {500, 0, 10, 1}, kTraceDone},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const MonoBits bits{bytes.data(), r.width, r.height, (size_t(r.width) + 7) / 8, false, 1};
        TraceOptions o;
        o.Region = r.region;
        EXPECT_EQ(TraceImage(bits, o, s), r.want);
        EXPECT_EQ(s.LineCount(), 0);
    }
    EXPECT_EQ(TraceImage(MonoBits{}, {}, s), kTraceStopped);
    LineStore never;
    EXPECT_EQ(TraceImage(m.Bits(), {}, never), kTraceNoStore);
}

TEST(Tracer, ProgressPerTileCancelAndFullStore) {
    MonoImage m = Blank(100, 70);  // 4 x 3 tiles
    for (int y = 0; y < 70; y += 3)
        for (int x = 0; x < 100; ++x) m.Set(x, y, true);
    LineStore& s = Store();
    TraceOptions raw;
    raw.Compress = false;
    int calls = 0;
    EXPECT_EQ(TraceImage(m.Bits(), raw, s, [&](const TraceProgress& p) {
                  EXPECT_EQ(p.Stage, TraceProgress::Tracing);
                  EXPECT_EQ(p.Lines, s.LineCount());
                  return ++calls < 0;
              }),
              kTraceDone);
    EXPECT_EQ(calls, 12);

    // A cancel in the first tile keeps that tile's segments.
    EXPECT_EQ(TraceImage(m.Bits(), {}, Store(), [](const TraceProgress&) { return true; }), kTraceStopped);
    const std::vector<Seg> firstTile = Segments(s, false);
    EXPECT_EQ(Raw(m.Bits(), false, {0, 0, 32, 32}), firstTile);

    LineStore small(41);
    small.CreateStore();
    EXPECT_EQ(TraceImage(m.Bits(), {}, small), kTraceStoreFull);
    EXPECT_EQ(small.LineCount(), 20);
}

}  // namespace
