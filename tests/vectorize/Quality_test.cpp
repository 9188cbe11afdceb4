// Floors for the traced result against synthetic drawings with known segments, so that the
// tracing quality cannot regress unnoticed. bench/vectorize/Quality_bench.cpp prints the full table.
#include <gtest/gtest.h>

#include <vector>

#include "../../tools/quality/QualityScore.h"
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

}  // namespace
