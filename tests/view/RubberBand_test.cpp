#include "view/RubberBand.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(RubberBand, RotatedRectangleCorners) {
    struct Row {
        const char* name;
        double degrees;
        BandPoint corner1, corner3;
    };
    // p1 (10,10), p2 (110,60).
    const Row rows[] = {
        {"upright", 0, {110, 10}, {10, 60}},
        // With pi as 3.1415926535 the quarter-turn leg is 49.99..., truncated to 49.
        {"quarter turn", 90, {10, 59}, {110, 11}},
        {"30 degrees", 30, {63, -20}, {57, 90}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto o = RotatedRectOutline({10, 10}, {110, 60}, r.degrees);
        EXPECT_EQ(o[0].X, 10);
        EXPECT_EQ(o[4].Y, 10) << "the outline closes at p1";
        EXPECT_EQ(o[2].X, 110);
        EXPECT_EQ(o[1].X, r.corner1.X);
        EXPECT_EQ(o[1].Y, r.corner1.Y);
        EXPECT_EQ(o[3].X, r.corner3.X);
        EXPECT_EQ(o[3].Y, r.corner3.Y);
    }
}

TEST(RubberBand, AngleGuideQuadrants) {
    const ViewMapping m{5, 28, 100, 200, 2.0f};  // window = (image - source) / 2 + dest
    struct Row {
        const char* name;
        int x2, y2;
        double angle;
        bool vertical;
    };
    // p1 (300, 400); angles are measured from the guide line.
    const Row rows[] = {
        {"steep down-right", 310, 500, std::atan2(100.0, 10.0) - M_PI / 2, true},
        {"steep up-left", 290, 300, std::atan2(-100.0, -10.0) - M_PI / 2 + M_PI, true},
        {"flat right-down", 400, 410, std::atan2(10.0, 100.0), false},
        {"flat left-up", 200, 390, std::atan2(-10.0, -100.0) + M_PI, false},
        {"steep down-left", 290, 500, std::atan2(100.0, -10.0) - M_PI / 2, true},
        {"flat left-down", 200, 410, std::atan2(10.0, -100.0) - M_PI, false},
        {"steep up-right", 310, 300, std::atan2(-100.0, 10.0) - M_PI / 2 + M_PI, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AngleGuide g = PlanAngleGuide(m, 300, 400, r.x2, r.y2);
        ASSERT_EQ(g.Lines.size(), 5u);
        EXPECT_NEAR(g.Angle, r.angle, 1e-12);
        EXPECT_LT(std::fabs(g.Angle), M_PI / 4 + 1e-9) << "a guide angle is within 45 degrees";
        const BandSegment& guide = g.Lines[0];
        if (r.vertical) {
            EXPECT_EQ(guide.X1, (300 - 100) / 2 + 5);
            EXPECT_EQ(guide.Y2, 1500);
        } else {
            EXPECT_EQ(guide.Y1, (400 - 200) / 2 + 28);
            EXPECT_EQ(guide.X2, 2000);
        }
    }
    EXPECT_TRUE(PlanAngleGuide(m, 7, 7, 7, 7).Lines.empty());
    EXPECT_EQ(PlanAngleGuide(m, 7, 7, 7, 7).Angle, 0.0);
}
