// Floors for the traced result against synthetic drawings with known segments, so that the
// tracing quality cannot regress unnoticed. bench/vectorize/Quality_bench.cpp prints the full table.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "../../tools/quality/TraceRun.h"
#include "vectorize/Tracer.h"

namespace {

using namespace quality;

Scores TraceAndScore(Kind kind, uint32_t seed, int level, bool outline) {
    static LineStore store(2000001);
    store.CreateStore();
    const Drawing d = MakeDrawing(kind, 1600, 1200, seed);
    EXPECT_EQ(TraceImage(d.Image.Bits(), TraceOptionsFor(level, outline), store), kTraceDone);
    std::vector<OutSegment> out;
    for (int32_t i = 1; i < store.EndpointCount(); i += 2)
        out.push_back({double(store.EndpointX(i)), double(store.EndpointY(i)), double(store.EndpointX(i + 1)),
                       double(store.EndpointY(i + 1))});
    return Score(d, out);
}

TEST(TraceQuality, FloorsAtTheDefaultLevel) {
    struct Row {
        const char* name;
        Kind kind;
        bool outline;
        double minRecall, maxEndpointError, maxSegmentsPerTrue, maxSpurious;
    };
    // Solid mode traces every row of a wide stroke, hence the many segments per true line;
    // filled areas are drawings for outline mode.
    const Row rows[] = {
        {"straight lines", Kind::Lines, false, 0.98, 1.8, 160, 0.03},
        {"dashed lines", Kind::Dashed, false, 0.99, 0.9, 3.5, 0.01},
        {"rectangles", Kind::Rectangles, false, 0.96, 1.2, 14, 0.04},
        {"text", Kind::Text, false, 0.965, 0.9, 1.6, 0.02},
        {"noise specks", Kind::Noise, false, 0.98, 1.6, 180, 0.25},
        {"filled areas, outline", Kind::Filled, true, 0.95, 0.6, 2.0, 0.06},
        {"mixed, outline", Kind::Mixed, true, 0.975, 1.45, 2.6, 0.05},
    };
    for (const Row& r : rows)
        for (uint32_t seed : {7u, 42u}) {
            SCOPED_TRACE(testing::Message() << r.name << ", seed " << seed);
            const Scores s = TraceAndScore(r.kind, seed, kDefaultLevel, r.outline);
            EXPECT_GE(s.Recall, r.minRecall);
            EXPECT_LE(s.EndpointError, r.maxEndpointError);
            EXPECT_LE(s.SegmentsPerTrue, r.maxSegmentsPerTrue);
            EXPECT_LE(s.SpuriousShare, r.maxSpurious);
        }
}

TEST(TraceQuality, LevelSixLosesNothing) {
    for (Kind kind : kAllKinds) {
        SCOPED_TRACE(KindName(kind));
        EXPECT_GE(TraceAndScore(kind, 7, 6, false).Recall, 0.999);
    }
}

// A perfect tracer, the truth rounded to store points, meets every floor; each kind of
// fault moves the score that should catch it. This keeps the truth of the technical
// drawings consistent (corners on exactly one point) and the scorer honest.
TEST(TraceQuality, DetailedScoreTellsFaultsFromAPerfectTrace) {
    auto rounded = [](const Drawing& d) {
        std::vector<OutSegment> out;
        for (const TrueSegment& t : d.Truth)
            out.push_back({std::round(t.x1), std::round(t.y1), std::round(t.x2), std::round(t.y2), t.width});
        return out;
    };
    for (Kind kind : kTechnicalKinds)
        for (bool scanned : {false, true}) {
            SCOPED_TRACE(testing::Message() << KindName(kind) << (scanned ? ", scanned" : ""));
            const Drawing d = MakeDrawing(kind, 1600, 1200, 7, scanned);
            const std::vector<OutSegment> perfect = rounded(d);
            const DetailedScores s = ScoreDetailed(d, perfect);
            SCOPED_TRACE(Describe(s));
            EXPECT_GE(s.Recall, 0.999);
            for (int w = 1; w <= kMaxWidth; ++w)
                EXPECT_GE(s.LengthByWidth[w] > 0 ? s.RecallByWidth[w] : 1.0, 0.999) << "width " << w;
            EXPECT_GE(s.Precision, 0.999);
            if (kind != Kind::Circles) {  // circles have no straight segment of 10 px
                EXPECT_DOUBLE_EQ(s.Fragmentation, 1.0);
            }
            EXPECT_EQ(s.Leaving + s.Spurious, 0);
            EXPECT_LE(s.EndP95, 0.71);
            EXPECT_EQ(s.CornersShared, 1.0);
            EXPECT_EQ(s.WidthErrorP95, 0.0);
            EXPECT_GT(s.Corners, kind == Kind::Offsets ? -1 : kind == Kind::Circles ? 0 : 10);
            EXPECT_GT(s.Ends, 20);

            // Each line in three pieces.
            std::vector<OutSegment> split;
            for (const OutSegment& o : perfect)
                for (int k = 0; k < 3; ++k)
                    split.push_back({o.x1 + (o.x2 - o.x1) * k / 3, o.y1 + (o.y2 - o.y1) * k / 3, o.x1 + (o.x2 - o.x1) * (k + 1) / 3,
                                     o.y1 + (o.y2 - o.y1) * (k + 1) / 3});
            // (A third next to a junction may lie along the other line the most.)
            if (kind != Kind::Circles) {
                EXPECT_NEAR(ScoreDetailed(d, split).Fragmentation, 3.0, 0.1);
            }
            std::vector<OutSegment> wider = perfect;
            for (OutSegment& o : wider) o.width += 2;
            EXPECT_EQ(ScoreDetailed(d, wider).WidthErrorP95, 2.0);

            // Every end pulled 1 px towards the line's middle: no corner is shared any more,
            // yet nothing leaves its stroke.
            std::vector<OutSegment> pulled;
            for (OutSegment o : perfect) {
                const double len = std::hypot(o.x2 - o.x1, o.y2 - o.y1), ux = (o.x2 - o.x1) / len, uy = (o.y2 - o.y1) / len;
                pulled.push_back({o.x1 + ux, o.y1 + uy, o.x2 - ux, o.y2 - uy});
            }
            const DetailedScores p = ScoreDetailed(d, pulled);
            EXPECT_EQ(p.CornersShared, kind == Kind::Offsets ? 1.0 : 0.0);
            EXPECT_EQ(p.Leaving, 0);
            EXPECT_GT(p.EndMean, 0.5);

            // The far end of every line swung 6 px sideways: the lines leave their strokes.
            std::vector<OutSegment> swung;
            for (OutSegment o : perfect) {
                const double len = std::hypot(o.x2 - o.x1, o.y2 - o.y1);
                swung.push_back({o.x1, o.y1, o.x2 - (o.y2 - o.y1) / len * 6, o.y2 + (o.x2 - o.x1) / len * 6});
            }
            const DetailedScores q = ScoreDetailed(d, swung);
            EXPECT_GT(q.Leaving, int64_t(perfect.size() / 2));
            EXPECT_LT(q.Precision, 0.95);

            // Thin lines missing: their width alone drops, and the empty trace scores nothing.
            std::vector<OutSegment> thick;
            for (size_t i = 0; i < d.Truth.size(); ++i)
                if (d.Truth[i].width > 1) thick.push_back(perfect[i]);
            const DetailedScores t = ScoreDetailed(d, thick);
            EXPECT_LT(t.RecallByWidth[1], 0.1);
            EXPECT_GE(s.LengthByWidth[2] > 0 ? t.RecallByWidth[2] : 1.0, 0.999);
            const DetailedScores none = ScoreDetailed(d, {});
            EXPECT_EQ(none.Recall, 0.0);
            EXPECT_EQ(none.Precision, 0.0);
        }
}

}  // namespace
