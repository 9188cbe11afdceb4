#include "vectorize/Compressor.h"

#include <gtest/gtest.h>

#include "Segments.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

namespace {

LineStore& StoreWith(const std::vector<Seg>& segs) {
    static LineStore store(4001);
    store.CreateStore();
    for (const Seg& s : segs) store.AddSegment(s.x1, s.y1, s.x2, s.y2);
    return store;
}

// Lines with their ends in a fixed order, sorted: the store's order and orientation are free.
std::vector<Seg> Normalised(const LineStore& s) {
    std::vector<Seg> out;
    for (int32_t i = 1; i < s.EndpointCount(); i += 2) {
        Seg g{s.EndpointX(i), s.EndpointY(i), s.EndpointX(i + 1), s.EndpointY(i + 1)};
        if (std::tie(g.x2, g.y2) < std::tie(g.x1, g.y1)) g = {g.x2, g.y2, g.x1, g.y1};
        out.push_back(g);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// What a conversion runs after tracing, at one level.
void CompressAsConversion(LineStore& s, int level) {
    const CompressionParams p = ConversionParams(level);
    MergeLocal(s, 1, s.EndpointCount(), p.MergeTolerance, std::min(p.Neighbourhood, 2), 0.015f);
    if (p.Neighbourhood > 2) CompressRegion(s, {}, {p.MergeTolerance, 2, 0.015f, p.MinLength});
    CompressRegion(s, {}, p);
    RemoveShortLines(s, {}, p.MinLength);
}

struct Case {
    const char* name;
    std::vector<Seg> in;
    std::vector<Seg> want;  // normalised
};

void ExpectAtLevels(const Case& c, int from, int to) {
    for (int level = from; level <= to; ++level) {
        SCOPED_TRACE(testing::Message() << c.name << " at level " << level);
        LineStore& s = StoreWith(c.in);
        CompressAsConversion(s, level);
        EXPECT_EQ(Normalised(s), c.want);
    }
}

TEST(Compressor, CollinearChainsMergeAtEveryLevel) {
    const Case cases[] = {
        {"two tracer windows", {{6, 10, 8, 10}, {8, 10, 16, 10}}, {{6, 10, 16, 10}}},
        {"out of store order", {{16, 10, 24, 10}, {6, 10, 8, 10}, {8, 10, 16, 10}}, {{6, 10, 24, 10}}},
        {"upward vertical windows", {{5, 20, 5, 12}, {5, 12, 5, 4}}, {{5, 4, 5, 20}}},
        {"diagonal", {{1, 1, 4, 4}, {4, 4, 12, 12}}, {{1, 1, 12, 12}}},
        {"meeting at first ends", {{8, 10, 1, 10}, {8, 10, 16, 10}}, {{1, 10, 16, 10}}},
        {"identical twice", {{3, 3, 20, 3}, {3, 3, 20, 3}}, {{3, 3, 20, 3}}},
        {"identical reversed", {{3, 3, 20, 3}, {20, 3, 3, 3}}, {{3, 3, 20, 3}}},
        {"contained, sharing an end", {{3, 3, 30, 3}, {3, 3, 12, 3}}, {{3, 3, 30, 3}}},
        {"zero length on a line end", {{9, 9, 9, 9}, {9, 9, 30, 9}}, {{9, 9, 30, 9}}},
    };
    for (const Case& c : cases) ExpectAtLevels(c, 1, 6);

    LineStore& s = StoreWith({{6, 10, 8, 10}, {8, 10, 16, 10}});
    CompressAsConversion(s, 6);
    EXPECT_EQ(s.LineLength(1), 10.0f) << "the merged line carries the length of its parts";
}

TEST(Compressor, GapsCloseWithinReach) {
    // Level 5 looks one pixel around an end, levels 1 to 4 two pixels or more.
    const Case oneAway[] = {
        {"one pixel", {{10, 10, 30, 10}, {31, 10, 60, 10}}, {{10, 10, 60, 10}}},
        {"one pixel aside", {{10, 10, 30, 10}, {31, 11, 60, 11}}, {{10, 10, 60, 11}}},
    };
    for (const Case& c : oneAway) ExpectAtLevels(c, 1, 5);
    const Case twoAway[] = {
        {"two pixels", {{10, 10, 30, 10}, {32, 10, 60, 10}}, {{10, 10, 60, 10}}},
        {"vertical, two pixels", {{7, 10, 7, 40}, {7, 42, 7, 80}}, {{7, 10, 7, 80}}},
    };
    for (const Case& c : twoAway) ExpectAtLevels(c, 1, 4);
    const Case stays[] = {
        {"six pixels", {{10, 10, 30, 10}, {36, 10, 60, 10}}, {{10, 10, 30, 10}, {36, 10, 60, 10}}},
        {"no compression", {{10, 10, 30, 10}, {31, 10, 60, 10}}, {{10, 10, 30, 10}, {31, 10, 60, 10}}},
    };
    ExpectAtLevels(stays[0], 1, 6);
    ExpectAtLevels(stays[1], 6, 6);
}

TEST(Compressor, CornersStayCorners) {
    const Case cases[] = {
        {"L", {{10, 10, 50, 10}, {50, 10, 50, 50}}, {{10, 10, 50, 10}, {50, 10, 50, 50}}},
        {"T", {{10, 10, 90, 10}, {50, 10, 50, 60}}, {{10, 10, 90, 10}, {50, 10, 50, 60}}},
        {"X without shared ends", {{10, 10, 90, 90}, {10, 90, 90, 10}}, {{10, 10, 90, 90}, {10, 90, 90, 10}}},
        {"acute V", {{10, 10, 90, 20}, {10, 10, 90, 40}}, {{10, 10, 90, 20}, {10, 10, 90, 40}}},
        {"vertical then slanted", {{50, 10, 50, 50}, {50, 50, 80, 90}}, {{50, 10, 50, 50}, {50, 50, 80, 90}}},
    };
    for (const Case& c : cases) ExpectAtLevels(c, 1, 6);

    // A bend of 2 pixels over 100 is within every tolerance but level 6's.
    const Case bend{"shallow bend", {{10, 10, 60, 10}, {60, 10, 110, 12}}, {{10, 10, 110, 12}}};
    ExpectAtLevels(bend, 1, 5);
    ExpectAtLevels({"shallow bend kept", bend.in, {{10, 10, 60, 10}, {60, 10, 110, 12}}}, 6, 6);
}

TEST(Compressor, LevelSixKeepsEverythingElse) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(1, 2000);
    std::vector<Seg> in;
    for (int k = 0; k < 300; ++k) in.push_back({coord(rng), coord(rng), coord(rng), coord(rng)});
    in.push_back({5, 5, 6, 5});  // short lines too
    LineStore& s = StoreWith(in);
    CompressAsConversion(s, 6);
    for (Seg& g : in)
        if (std::tie(g.x2, g.y2) < std::tie(g.x1, g.y1)) g = {g.x2, g.y2, g.x1, g.y1};
    std::sort(in.begin(), in.end());
    EXPECT_EQ(Normalised(s), in);

    CompressionParams p;
    EXPECT_FALSE(RecompressionParams(6, p)) << "recompression is refused at level 6";
    EXPECT_TRUE(RecompressionParams(kDefaultLevel, p));
}

TEST(Compressor, ShortLinesGo) {
    const Case cases[] = {
        {"exactly the minimum goes", {{1, 1, 8, 1}}, {}},
        {"a little longer stays", {{1, 1, 8, 2}}, {{1, 1, 8, 2}}},
        // Each deletion moves the last line into the freed records; it is looked at too.
        {"a run of short lines at the end", {{1, 50, 90, 50}, {1, 1, 3, 1}, {1, 3, 4, 3}, {1, 5, 2, 5}, {1, 7, 6, 7}},
         {{1, 50, 90, 50}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineStore& s = StoreWith(c.in);
        RemoveShortLines(s, {}, ConversionParams(1).MinLength);
        EXPECT_EQ(Normalised(s), c.want);
    }
}

// Two halves of a line meeting in a tile that holds no other end: the tile has only the two
// ends at the joint, and they still join.
TEST(Compressor, RecompressionJoinsHalvesMeetingAlone) {
    LineStore& s = StoreWith({{10, 20, 300, 20}, {300, 20, 600, 20}});
    EXPECT_EQ(CompressRegion(s, {}, ConversionParams(3)), kCompressDone);
    EXPECT_EQ(Normalised(s), (std::vector<Seg>{{10, 20, 600, 20}}));
}

// Regions are 0-based image pixels and the store is 1-based: column c is x = c + 1.
TEST(Compressor, RegionsCompareInStoreCoordinates) {
    // Columns 10..19 of the image are store x 11..20.
    LineStore& s = StoreWith({{10, 5, 11, 5}, {11, 6, 12, 6}, {20, 7, 21, 7}, {21, 8, 22, 8}});
    RemoveShortLines(s, {10, 0, 10, 100}, 3.0f);
    EXPECT_EQ(Normalised(s), (std::vector<Seg>{{10, 5, 11, 5}, {21, 8, 22, 8}}));

    // Region columns 200..299: tiles start at column 192 (x 193) and reach 4 pixels past
    // their 115, so a join at x 189 or 311 is inside, one at x 188 or 312 is not.
    struct Row {
        const char* name;
        int joinX;
        size_t lines;
    };
    const Row rows[] = {{"left margin", 189, 1}, {"left of it", 188, 2}, {"right margin", 311, 1}, {"right of it", 312, 2}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        LineStore& t = StoreWith({{r.joinX - 60, 20, r.joinX, 20}, {r.joinX, 20, r.joinX + 60, 20}});
        CompressRegion(t, {200, 0, 100, 50}, ConversionParams(3));
        EXPECT_EQ(t.LineCount(), int32_t(r.lines));
    }
}

// Zero lengths, coincident points and vertical partners must not reach a division by zero
// or leave NaN lengths, at any level.
TEST(Compressor, DegenerateGeometryStaysFinite) {
    const std::vector<Seg> fixed[] = {
        {{5, 5, 5, 5}, {5, 5, 5, 5}, {5, 5, 5, 5}},
        {{5, 5, 5, 5}, {5, 5, 9, 5}, {9, 5, 9, 5}},
        {{20, 20, 21, 30}, {20, 20, 20, 10}, {20, 20, 20, 30}},  // partners straight above and below
        {{20, 20, 30, 20}, {30, 20, 20, 20}, {20, 20, 30, 20}},
        {{10, 10, 20, 10}, {10, 11, 20, 11}, {10, 12, 20, 12}},  // equal lines side by side
        {{10, 10, 12, 10}, {12, 10, 11, 12}, {11, 12, 10, 10}},  // tiny triangle
        {{10, 10, 40, 10}, {12, 11, 40, 10}},                    // gap partners sharing a far end
    };
    std::vector<std::vector<Seg>> inputs(std::begin(fixed), std::end(fixed));
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> near(1, 8);
    for (int k = 0; k < 20; ++k) {  // crowded 8x8 corners: everything coincides somewhere
        std::vector<Seg> crowd;
        for (int n = 0; n < 60; ++n) crowd.push_back({near(rng), near(rng), near(rng), near(rng)});
        inputs.push_back(crowd);
    }
    for (size_t n = 0; n < inputs.size(); ++n)
        for (int level = 1; level <= 6; ++level) {
            SCOPED_TRACE(testing::Message() << "input " << n << " level " << level);
            LineStore& s = StoreWith(inputs[n]);
            CompressAsConversion(s, level);
            CompressionParams re;
            if (RecompressionParams(level, re)) CompressRegion(s, {}, re);
            ASSERT_EQ(s.EndpointCount() % 2, 0);
            for (int32_t i = 1; i <= s.EndpointCount(); ++i) {
                ASSERT_TRUE(std::isfinite(s.LineLength(i))) << i;
                ASSERT_GE(s.LineLength(i), 0.0f);
                ASSERT_GE(s.EndpointX(i), 1);
                ASSERT_GE(s.EndpointY(i), 1);
            }
        }
}

TEST(Compressor, CompressionReportsEachTileAndCancels) {
    std::vector<Seg> in;
    for (int x = 1; x < 400; x += 8) in.push_back({x, 100, x + 8, 100});
    LineStore& s = StoreWith(in);
    int calls = 0;
    EXPECT_EQ(CompressRegion(s, {}, ConversionParams(3), [&](const TraceProgress&) { return ++calls == 2; }),
              kCompressCancelled);
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_EQ(CompressRegion(s, {}, ConversionParams(3), [&](const TraceProgress& p) {
                  EXPECT_EQ(p.Stage, TraceProgress::Compressing);
                  ++calls;
                  return false;
              }),
              kCompressDone);
    EXPECT_EQ(calls, 4) << "tiles of 115 over 400 columns and 100 rows";
    EXPECT_EQ(Normalised(s), (std::vector<Seg>{{1, 100, 401, 100}}));
}

}  // namespace
