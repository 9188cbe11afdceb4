// Floors for the "芯線" mode at the default level on technical drawings, clean and scanned:
// every width and direction found, nothing beside the strokes, one line per straight stroke,
// ends in place and shared at corners; and the same lines whatever the crop, the number of
// threads or the palette order. bench/vectorize/Quality_bench.cpp prints the full table.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "../../tools/quality/TraceRun.h"

namespace {

using namespace quality;

std::vector<StoredLine> Trace(const MonoBits& bits, const TraceOptions& options) {
    static LineStore store(2000001);
    store.CreateStore();
    EXPECT_EQ(TraceImage(bits, options, store), kTraceDone);
    return StoredLines(store);
}

// Per drawing: the least recall in a direction, lines leaving their stroke, the end error
// at the 95th percentile and the share of corners ending on one point.
struct Bar {
    double minAngleRecall;
    int64_t maxLeaving;
    double maxEndP95, minCorners, maxWidthError;
};

// Clean drawings meet the full bar. On scanned ones, rough edges and the skew still cost a
// few ends and corners at sharp junctions and arrowheads: these bars hold what the tracer
// reaches there today, so that it cannot slip back.
Bar BarFor(Kind kind, bool scanned) {
    const Bar clean{0.99, 0, 1.5, 1.0, 1.0};
    if (!scanned) return clean;
    switch (kind) {
    case Kind::Hatching: return {0.99, 0, 1.6, 0.98, 1.0};
    case Kind::Dimensions: return {0.99, 0, 1.8, 0.9, 1.0};
    case Kind::Circles: return {0.99, 2, 1.5, 1.0, 1.0};
    case Kind::Scan: return {0.98, 1, 2.0, 0.97, 1.0};
    default: return clean;
    }
}

TEST(CentreQuality, FloorsAtTheDefaultLevel) {
    for (Kind kind : kTechnicalKinds)
        for (bool scanned : {false, true}) {
            if (kind == Kind::Scan && !scanned) continue;  // always scanned
            SCOPED_TRACE(testing::Message() << KindName(kind) << (scanned ? ", scanned" : ""));
            const Drawing d = MakeDrawing(kind, 1600, 1200, scanned ? 42 : 7, scanned);
            const DetailedScores s = ScoreDetailed(d, Segments(Trace(d.Image.Bits(), CentreOptionsFor(kDefaultLevel))));
            SCOPED_TRACE(Describe(s));
            const Bar bar = BarFor(kind, scanned);
            // Widths and directions with less than 100 px of truth say little.
            for (int w = 1; w <= kMaxWidth; ++w)
                EXPECT_GE(s.LengthByWidth[w] >= 100 ? s.RecallByWidth[w] : 1.0, 0.99) << "width " << w;
            for (int a = 0; a < kAngleBuckets; ++a)
                EXPECT_GE(s.LengthByAngle[a] >= 100 ? s.RecallByAngle[a] : 1.0, bar.minAngleRecall) << "at " << 15 * a << " degrees";
            EXPECT_GE(s.Recall, 0.99);
            EXPECT_GE(s.Precision, 0.98);
            EXPECT_LE(s.Fragmentation, 1.5);
            EXPECT_LE(s.Leaving, bar.maxLeaving);
            EXPECT_EQ(s.Spurious, 0);  // specks of 3 x 3 px or less are dropped
            EXPECT_LE(s.EndP95, bar.maxEndP95);
            EXPECT_GE(s.CornersShared, bar.minCorners);
            EXPECT_LE(s.WidthErrorP95, bar.maxWidthError);  // each line keeps its stroke's width
            EXPECT_GT(s.OutputLines, 0);
        }
}

// A line away from the crop's edges comes out the same, to the store point and the width,
// whether the sheet is traced whole or cut around it at any offset within a 32-pixel tile.
// The crop may add pieces only where it cuts a longer line of the sheet, one that runs out
// of the part compared.
TEST(CentreQuality, CropsGiveTheSameLines) {
    const Drawing d = MakeDrawing(Kind::Scan, 1600, 1200, 7);
    const std::vector<StoredLine> whole = Trace(d.Image.Bits(), CentreOptionsFor(kDefaultLevel));
    constexpr int kWindow = 480, kMargin = 40;
    size_t compared = 0;
    for (const auto& [wx, wy] : {std::pair{80, 640}, std::pair{880, 320}, std::pair{1040, 0}})
        for (const auto& [sx, sy] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{0, 3}, std::pair{8, 13}, std::pair{21, 31}, std::pair{31, 17}}) {
            const int left = wx + sx, top = wy + sy;
            SCOPED_TRACE(testing::Message() << "crop at " << left << "," << top);
            const auto cropped = LinesInside(Trace(Crop(d.Image, left, top, kWindow, kWindow).Bits(), CentreOptionsFor(kDefaultLevel)),
                                             kMargin, kMargin, kWindow - kMargin, kWindow - kMargin, left, top);
            const auto sheet = LinesInside(whole, left + kMargin, top + kMargin, left + kWindow - kMargin, top + kWindow - kMargin);
            std::vector<StoredLine> candidates, onlyCrop, onlySheet;
            std::set_difference(cropped.begin(), cropped.end(), sheet.begin(), sheet.end(), std::back_inserter(candidates));
            std::set_difference(sheet.begin(), sheet.end(), cropped.begin(), cropped.end(), std::back_inserter(onlySheet));
            for (const StoredLine& c : candidates) {
                const bool pieceOfLonger = std::any_of(whole.begin(), whole.end(), [&](const StoredLine& w) {
                    const bool inside = std::min(w.x1, w.x2) >= left + kMargin && std::max(w.x1, w.x2) <= left + kWindow - kMargin &&
                                        std::min(w.y1, w.y2) >= top + kMargin && std::max(w.y1, w.y2) <= top + kWindow - kMargin;
                    return !inside && PointSegmentDistance(c.x1, c.y1, w.x1, w.y1, w.x2, w.y2) <= 1.5 &&
                           PointSegmentDistance(c.x2, c.y2, w.x1, w.y1, w.x2, w.y2) <= 1.5;
                });
                if (!pieceOfLonger) onlyCrop.push_back(c);
            }
            EXPECT_TRUE(onlyCrop.empty() && onlySheet.empty())
                << onlyCrop.size() << " lines only in the crop, " << onlySheet.size() << " only in the whole sheet, of " << sheet.size()
                << (onlyCrop.empty() ? "" : "; first only in the crop: " + std::to_string(onlyCrop[0].x1) + "," + std::to_string(onlyCrop[0].y1) +
                                                 "-" + std::to_string(onlyCrop[0].x2) + "," + std::to_string(onlyCrop[0].y2));
            compared += sheet.size();
        }
    EXPECT_GE(compared, 100u) << "the crops hold too few lines to compare";
}

// The store, widths included, depends on nothing but the picture: not on the run, the
// number of threads, the palette order or the row order.
TEST(CentreQuality, SameStoreWhateverTheThreadsAndPalette) {
    const Drawing d = MakeDrawing(Kind::Scan, 1600, 1200, 42);
    TraceOptions one = CentreOptionsFor(kDefaultLevel), two = one;
    one.Threads = 1;
    two.Threads = 2;
    const std::vector<StoredLine> first = Trace(d.Image.Bits(), two);
    ASSERT_GT(first.size(), 100u) << "nothing traced to compare";
    EXPECT_TRUE(Trace(d.Image.Bits(), two) == first) << "two runs differ";
    EXPECT_TRUE(Trace(d.Image.Bits(), one) == first) << "one thread differs from two";

    // Ink as bit 0 (the darker palette entry listed first), rows stored bottom-up as in a DIB.
    MonoImage flipped = d.Image;
    for (int y = 0; y < d.Image.Height; ++y)
        for (size_t b = 0; b < d.Image.Stride; ++b)
            flipped.Data[size_t(d.Image.Height - 1 - y) * d.Image.Stride + b] = uint8_t(~d.Image.Data[size_t(y) * d.Image.Stride + b]);
    MonoBits bits = flipped.Bits();
    bits.InkBit = 0;
    bits.BottomUp = true;
    EXPECT_TRUE(Trace(bits, two) == first) << "the other palette order differs";
}

}  // namespace
