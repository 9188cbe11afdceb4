#include "vectorize/LineStore.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using Seg = std::array<int32_t, 4>;

std::vector<Seg> Lines(const LineStore& s) {
    std::vector<Seg> out;
    for (int32_t i = 1; i < s.EndpointCount(); i += 2)
        out.push_back({s.EndpointX(i), s.EndpointY(i), s.EndpointX(i + 1), s.EndpointY(i + 1)});
    return out;
}

TEST(LineStore, AddDeleteAndGrid) {
    LineStore s(101);
    ASSERT_EQ(s.CreateStore(), 0);
    EXPECT_EQ(s.LineCount(), 0);
    EXPECT_EQ(LinesStatusText(s), "0 Lines");

    // A zero-length segment is stored with length 0 and counts its pixel twice.
    ASSERT_EQ(s.AddSegment(5, 5, 5, 5), 1);
    EXPECT_EQ(s.LineLength(1), 0.0f);
    EXPECT_EQ(s.GridCount(5, 5), 2);
    // Four ends at one pixel leave its counter at 3.
    for (int k = 0; k < 4; ++k) s.AddSegment(9, 9, 20 + k, 30);
    EXPECT_EQ(s.GridCount(9, 9), 3);
    EXPECT_FLOAT_EQ(s.LineLength(3), std::sqrt(11.0f * 11 + 21 * 21));
    EXPECT_EQ(s.LineLength(4), s.LineLength(3)) << "either endpoint names the line";
    EXPECT_EQ(s.MaxX(), 23);
    EXPECT_EQ(s.MaxY(), 30);
    EXPECT_EQ(LinesStatusText(s), "5 Lines");

    // Deleting a middle line moves the last one into its records, orientation kept; the grid keeps its counts.
    s.DeleteLine(4);
    EXPECT_EQ(Lines(s), (std::vector<Seg>{{5, 5, 5, 5}, {9, 9, 23, 30}, {9, 9, 21, 30}, {9, 9, 22, 30}}));
    EXPECT_EQ(s.GridCount(20, 30), 1);
    // Either endpoint of the last line removes just that line.
    s.DeleteLine(8);
    s.DeleteLine(5);
    EXPECT_EQ(Lines(s), (std::vector<Seg>{{5, 5, 5, 5}, {9, 9, 23, 30}}));
    EXPECT_EQ(s.MaxX(), 23) << "deletions never lower the extent";

    // The grid answers 0 off its edges, and moves count at the new place.
    for (auto [x, y] : {std::pair{-1, 5}, {5, -1}, {40160, 5}, {5, 20001}, {-3, -3}}) EXPECT_EQ(s.GridCount(x, y), 0);
    s.GridIncrement(40159, 20000);
    EXPECT_EQ(s.GridCount(40159, 20000), 1);
    s.MoveEndpoint(1, PackPoint(700, 800));
    EXPECT_EQ(s.GridCount(700, 800), 1);
    EXPECT_EQ(s.EndpointX(1), 700);

    s.ClearStore();
    EXPECT_EQ(s.LineCount(), 0);
    EXPECT_EQ(s.GridCount(9, 9), 0);
    EXPECT_EQ(s.MaxX(), 0);
}

// A conversion's lines taken back: the lines before them stay with their widths, and
// counts that are not a line boundary or lie beyond the end change nothing wrongly.
TEST(LineStore, TruncateTakesBackTheLastLines) {
    LineStore s(101);
    ASSERT_EQ(s.CreateStore(), 0);
    for (int k = 0; k < 4; ++k) {
        s.AddSegment(1, 1 + k, 9, 1 + k);
        s.SetLineWidth(2 * k + 1, float(k + 1));
    }
    s.TruncateLines(20);
    EXPECT_EQ(s.LineCount(), 4);
    s.TruncateLines(5);
    EXPECT_EQ(s.EndpointCount(), 4) << "never half a line";
    EXPECT_EQ(s.LineWidth(3), 2.0f);
    EXPECT_EQ(s.LineWidth(5), 0.0f);
    s.AddSegment(2, 2, 3, 3);
    EXPECT_EQ(s.LineWidth(5), 0.0f) << "a new line has no width of the old one";
    EXPECT_EQ(s.EndpointY(5), 2);
    s.TruncateLines(0);
    EXPECT_EQ(s.LineCount(), 0);
    s.TruncateLines(-2);
    EXPECT_EQ(s.LineCount(), 0);
}

TEST(LineStore, RefusesWhatItCannotHold) {
    LineStore s(11);  // record 0 unused: 5 lines
    EXPECT_EQ(s.AddSegment(1, 1, 2, 2), kStoreNotCreated);
    ASSERT_EQ(s.CreateStore(), 0);
    EXPECT_EQ(s.FreeLines(), 5);
    struct Row {
        const char* name;
        Seg seg;
        int want;
    };
    const Row rows[] = {
        {"x beyond the grid", {40160, 1, 1, 1}, kStoreOutOfGrid},
        {"negative y", {1, 1, 1, -1}, kStoreOutOfGrid},
        {"y beyond the grid", {1, 20001, 1, 1}, kStoreOutOfGrid},
        {"the far grid corner", {40159, 20000, 0, 0}, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(s.AddSegment(r.seg[0], r.seg[1], r.seg[2], r.seg[3]), r.want);
    }
    for (int k = 0; k < 4; ++k) EXPECT_EQ(s.AddSegment(k, 0, k, 10), 1);
    EXPECT_TRUE(s.Full());
    EXPECT_EQ(s.AddSegment(1, 1, 2, 2), kStoreFull);
    EXPECT_EQ(s.EndpointCount(), 10) << "a full store is left as it was";
    EXPECT_NE(StoreFullText(s).find("5 Lines"), std::string::npos);

    s.ReleaseStore();
    EXPECT_FALSE(s.Created());
    EXPECT_EQ(s.LineCount(), 0);
    EXPECT_EQ(s.AddSegment(1, 1, 2, 2), kStoreNotCreated);
    EXPECT_EQ(s.CreateStore(), 0);
    EXPECT_EQ(s.AddSegment(1, 1, 2, 2), 1);
}

TEST(LineStore, FullSizeTable) {
    LineStore s;
    ASSERT_EQ(s.CreateStore(), 0);
    EXPECT_EQ(s.Capacity(), 6500000);
    EXPECT_EQ(s.FreeLines(), 3249999);
    EXPECT_LE(s.MemoryBytes(), size_t(41) << 20) << "6.5 bytes an endpoint";
}

TEST(LineStore, VisibleLines) {
    LineStore s(101);
    s.CreateStore();
    s.AddSegment(10, 10, 20, 10);   // inside
    s.AddSegment(0, 50, 200, 50);   // crosses the box without an end inside
    s.AddSegment(30, 30, 40, 40);   // right of it
    s.AddSegment(5, 200, 15, 210);  // below it
    std::vector<Seg> seen;
    ForEachLineIn(s, 1, 1, 25, 100, [&](int32_t a, int32_t b, int32_t c, int32_t d) { seen.push_back({a, b, c, d}); });
    EXPECT_EQ(seen, (std::vector<Seg>{{10, 10, 20, 10}, {0, 50, 200, 50}}));
}

}  // namespace
