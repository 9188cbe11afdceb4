// Hand-drawn pictures with known answers for the "芯線" mode: one line per straight stroke,
// junctions shared exactly, rings closed, and dirt of a scan ignored.
#include "vectorize/CentreLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "../../tools/quality/SyntheticDrawing.h"
#include "vectorize/Tracer.h"

namespace {

struct Line {
    double x1, y1, x2, y2, width;
};

// Pixels whose centre lies within width/2 of the segment; an even width is centred between
// pixel rows, so the true middle of such a stroke lies on half pixels.
void Paint(MonoImage& m, double x1, double y1, double x2, double y2, double width) {
    const double r = width / 2 + 1e-9, dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x) {
            const double t = len2 > 0 ? std::clamp(((x - x1) * dx + (y - y1) * dy) / len2, 0.0, 1.0) : 0.0;
            if (std::hypot(x1 + t * dx - x, y1 + t * dy - y) <= r) m.Set(x, y, true);
        }
}

// The lines in 0-based pixels with their widths.
std::vector<Line> Trace(const MonoImage& m, int level = kDefaultLevel, int threads = 0) {
    static LineStore store(200001);
    store.CreateStore();
    TraceOptions options = CentreOptionsFor(level);
    options.Threads = threads;
    EXPECT_EQ(TraceImage(m.Bits(), options, store), kTraceDone);
    std::vector<Line> out;
    for (int32_t i = 1; i < store.EndpointCount(); i += 2)
        out.push_back({store.EndpointX(i) - 1.0, store.EndpointY(i) - 1.0, store.EndpointX(i + 1) - 1.0,
                       store.EndpointY(i + 1) - 1.0, store.LineWidth(i)});
    return out;
}

double EndError(const Line& out, double x1, double y1, double x2, double y2) {
    const double same = std::max(std::hypot(out.x1 - x1, out.y1 - y1), std::hypot(out.x2 - x2, out.y2 - y2));
    const double swapped = std::max(std::hypot(out.x1 - x2, out.y1 - y2), std::hypot(out.x2 - x1, out.y2 - y1));
    return std::min(same, swapped);
}

TEST(CentreLine, AStraightStrokeOfAnyWidthAndAngleIsOneLineAlongItsMiddle) {
    for (int width : {1, 2, 3, 5, 8})
        for (int degrees = 0; degrees < 180; degrees += 5) {
            SCOPED_TRACE(testing::Message() << "width " << width << ", " << degrees << " degrees");
            const double a = degrees * M_PI / 180, half = width % 2 ? 0.0 : 0.5;
            const double x1 = std::round(100 - 70 * std::cos(a)), y1 = std::round(100 - 70 * std::sin(a));
            const double x2 = std::round(100 + 70 * std::cos(a)), y2 = std::round(100 + 70 * std::sin(a));
            MonoImage m(200, 200);
            Paint(m, x1 + half, y1 + half, x2 + half, y2 + half, width);
            const std::vector<Line> out = Trace(m);
            ASSERT_EQ(out.size(), 1u);
            EXPECT_LE(EndError(out[0], x1 + half, y1 + half, x2 + half, y2 + half), 1.5);
            EXPECT_NEAR(out[0].width, width, 0.75);
        }
}

TEST(CentreLine, LinesMeetingAtATeeOrACrossEndOnOnePoint) {
    for (int width : {1, 6}) {
        SCOPED_TRACE(testing::Message() << "width " << width);
        const double h = width % 2 ? 0.0 : 0.5;
        MonoImage tee(200, 200), cross(200, 200);
        Paint(tee, 20 + h, 50 + h, 180 + h, 50 + h, width);
        Paint(tee, 100 + h, 50 + h, 100 + h, 170 + h, width);
        Paint(cross, 20 + h, 100 + h, 180 + h, 100 + h, width);
        Paint(cross, 100 + h, 20 + h, 100 + h, 180 + h, width);
        for (const auto& [picture, arms] : {std::make_pair(&tee, 3u), std::make_pair(&cross, 4u)}) {
            const std::vector<Line> out = Trace(*picture);
            ASSERT_EQ(out.size(), arms);
            std::map<std::pair<double, double>, int> ends;
            for (const Line& l : out) ++ends[{l.x1, l.y1}], ++ends[{l.x2, l.y2}];
            const auto shared = std::max_element(ends.begin(), ends.end(), [](auto& p, auto& q) { return p.second < q.second; });
            EXPECT_EQ(shared->second, int(arms));
            const double middle = picture == &tee ? 50 : 100;
            EXPECT_LE(std::hypot(shared->first.first - 100 - h, shared->first.second - middle - h), 1.0);
            for (const Line& l : out) EXPECT_NEAR(l.width, width, 0.75);
        }
    }
}

TEST(CentreLine, ACircleIsAClosedRingOfChordsWithinTheTolerance) {
    for (int level : {1, 3, 5}) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        MonoImage m(200, 200);
        constexpr int kSides = 256;
        for (int k = 0; k < kSides; ++k) {
            const double a = 2 * M_PI * k / kSides, b = 2 * M_PI * (k + 1) / kSides;
            Paint(m, 100 + 60 * std::cos(a), 100 + 60 * std::sin(a), 100 + 60 * std::cos(b), 100 + 60 * std::sin(b), 2);
        }
        const std::vector<Line> out = Trace(m, level);
        ASSERT_GE(out.size(), 8u);
        std::map<std::pair<double, double>, int> ends;
        // The level's tolerance, the quarter pixel a 2-pixel stroke adds, and the chords' ends
        // on whole pixels.
        const double allowed = CentreTolerance(level) + 1.25;
        for (const Line& l : out) {
            ++ends[{l.x1, l.y1}], ++ends[{l.x2, l.y2}];
            for (double t : {0.0, 0.5, 1.0})
                EXPECT_LE(std::abs(std::hypot(l.x1 + t * (l.x2 - l.x1) - 100, l.y1 + t * (l.y2 - l.y1) - 100) - 60), allowed);
        }
        for (const auto& [point, count] : ends) EXPECT_EQ(count, 2) << point.first << "," << point.second;
    }
}

TEST(CentreLine, SpecksPinholesAndThePaletteOrderChangeNothing) {
    MonoImage clean(160, 120);
    Paint(clean, 20, 60, 140, 60, 8);
    MonoImage dirty = clean;
    for (int x = 30; x < 130; x += 9) dirty.Set(x, 60 + (x % 3) - 1, false);  // pinholes inside the wall
    for (int x = 10; x < 150; x += 20) {                                        // specks away from it
        dirty.Set(x, 20, true);
        dirty.Set(x + 1, 21, true), dirty.Set(x + 2, 22, true), dirty.Set(x, 22, true);
    }
    const std::vector<Line> expected = Trace(clean);
    ASSERT_EQ(expected.size(), 1u);
    auto same = [&](const std::vector<Line>& got) {
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i].x1 == expected[i].x1 && got[i].y1 == expected[i].y1 && got[i].x2 == expected[i].x2 &&
                        got[i].y2 == expected[i].y2 && got[i].width == expected[i].width);
    };
    same(Trace(dirty));
    same(Trace(dirty, kDefaultLevel, 1));
    // The same picture with ink as 0 bits, as a DIB with the dark colour first stores it.
    MonoImage inverted = dirty;
    for (uint8_t& b : inverted.Data) b = uint8_t(~b);
    static LineStore store(2001);
    store.CreateStore();
    MonoBits bits = inverted.Bits();
    bits.InkBit = 0;
    ASSERT_EQ(TraceImage(bits, CentreOptionsFor(kDefaultLevel), store), kTraceDone);
    ASSERT_EQ(store.LineCount(), 1);
    EXPECT_EQ(store.EndpointX(1) - 1.0, expected[0].x1);
    EXPECT_EQ(store.EndpointX(2) - 1.0, expected[0].x2);
}

TEST(CentreLine, LevelSixKeepsOnlyExactlyCollinearPixelsTogether) {
    MonoImage m(120, 80);
    Paint(m, 10, 10, 100, 62, 1);  // about 30 degrees: a staircase of unequal steps
    const std::vector<Line> fine = Trace(m, 6), coarse = Trace(m, 3);
    EXPECT_EQ(coarse.size(), 1u);
    ASSERT_GT(fine.size(), 10u);
    for (size_t i = 0; i + 1 < fine.size(); ++i) {  // a connected polyline through ink pixels
        EXPECT_TRUE(fine[i].x2 == fine[i + 1].x1 && fine[i].y2 == fine[i + 1].y1);
        EXPECT_TRUE(m.Ink(int(fine[i].x2), int(fine[i].y2)));
    }
}

// Lines read on towards where they meet may meet beyond the edge where the picture or the
// region cuts a stroke off: a ring's corner above a picture, a junction by a stub right of
// one, an arrowhead's tip right of a region. Every end stays on the pixels traced.
TEST(CentreLine, EveryEndLiesInsideThePictureAndTheRegion) {
    struct Case {
        MonoImage picture;
        ImageRegion region;
        std::vector<int> levels;
    };
    auto fromRows = [](int width, int height, std::vector<uint8_t> rows) {
        MonoImage m(width, height);
        const size_t bytes = (size_t(width) + 7) / 8;
        for (int y = 0; y < height; ++y)
            std::copy_n(rows.begin() + std::ptrdiff_t(size_t(y) * bytes), bytes, m.Data.begin() + std::ptrdiff_t(size_t(y) * m.Stride));
        return m;
    };
    const MonoImage lines = quality::MakeDrawing(quality::Kind::Lines, 2339, 1654, 7).Image;
    const Case cases[] = {
        {fromRows(10, 15, {0x7d, 0x40, 0x7d, 0x40, 0x7d, 0x40, 0xdf, 0xc0, 0xce, 0xc0, 0xce, 0xc0, 0xdf, 0xc0, 0xce, 0xc0,
                           0xcf, 0xc0, 0xcf, 0xc0, 0xcf, 0xc0, 0x2f, 0x00, 0xcc, 0xc0, 0xf5, 0xc0, 0xff, 0xc0}),
         {}, {1, 2, 3, 4, 5, 6}},
        {fromRows(16, 8, {0xff, 0x86, 0x80, 0x01, 0x80, 0x01, 0xff, 0xff, 0x1c, 0x18, 0x18, 0x18, 0x3c, 0x3c, 0x00, 0x02}),
         {}, {1, 2, 3, 4, 5, 6}},
        {lines, {100, 100, 800, 600}, {1, 3, 6}},
    };
    static LineStore store(200001);
    for (const Case& c : cases)
        for (int level : c.levels) {
            SCOPED_TRACE(testing::Message() << c.picture.Width << " x " << c.picture.Height << ", level " << level);
            store.CreateStore();
            EXPECT_EQ(TraceImage(c.picture.Bits(), CentreOptionsFor(level, c.region), store), kTraceDone);
            EXPECT_GT(store.LineCount(), 0);
            const bool whole = c.region.Whole();
            const int left = whole ? 1 : c.region.X + 1, top = whole ? 1 : c.region.Y + 1;
            const int right = whole ? c.picture.Width : c.region.X + c.region.Width;
            const int bottom = whole ? c.picture.Height : c.region.Y + c.region.Height;
            for (int32_t i = 1; i <= store.EndpointCount(); ++i) {
                EXPECT_TRUE(store.EndpointX(i) >= left && store.EndpointX(i) <= right) << store.EndpointX(i);
                EXPECT_TRUE(store.EndpointY(i) >= top && store.EndpointY(i) <= bottom) << store.EndpointY(i);
            }
        }
}

}  // namespace
