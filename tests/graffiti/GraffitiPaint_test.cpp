#include "graffiti/GraffitiPaint.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

namespace {

std::vector<PaintStep> Only(const PaintSteps& steps, PaintOp op, PaintOp alt = PaintOp(255)) {
    std::vector<PaintStep> found;
    for (const PaintStep& s : steps)
        if (s.Op == op || s.Op == alt) found.push_back(s);
    return found;
}
std::vector<PaintStep> Pens(const PaintSteps& s) { return Only(s, PaintOp::SelectPen, PaintOp::SelectGeometricPen); }
std::array<int, 4> Corners(const PaintStep& s) { return {s.X1, s.Y1, s.X2, s.Y2}; }

GraffitiLine MakeLine(int x1, int y1, int x2, int y2, int width, uint32_t style) {
    return {0x0000FF, 0x00FF00, width, style, x1, y1, x2, y2, 0x333333};
}

GraffitiText MakeText(int x1, int y1, int x2, int y2, uint32_t style, const char* text) {
    GraffitiText t{x1, y1, x2, y2, 0, 0, style, 0x0000FF, 0xFFFFFF, 0x808080, 0, 0, 400, "ＭＳ ゴシック", ""};
    std::strcpy(t.Text, text);
    return t;
}

// The head drawn last, MoveTo(arm) LineTo(tip) LineTo(arm): tip, arm lengths and ±15° about (dx, dy).
void ExpectHead(const PaintSteps& steps, int tipX, int tipY, double dx, double dy, double arm) {
    const auto moves = Only(steps, PaintOp::MoveTo), lines = Only(steps, PaintOp::LineTo);
    ASSERT_GE(lines.size(), 2u);
    const PaintStep &a = moves.back(), &t = lines[lines.size() - 2], &b = lines.back();
    EXPECT_EQ(t.X1, tipX);
    EXPECT_EQ(t.Y1, tipY);
    for (auto [end, angle] : {std::pair{a, 0.26179}, std::pair{b, -0.26179}}) {
        EXPECT_NEAR(std::hypot(end.X1 - t.X1, end.Y1 - t.Y1), arm, 1.5);
        const double turn = std::atan2(end.Y1 - t.Y1, end.X1 - t.X1) - std::atan2(dy, dx);
        EXPECT_NEAR(std::remainder(turn, 2 * std::numbers::pi), angle, 0.03);
    }
}

TEST(GraffitiPaint, EveryPrimitiveMapsWithTruncationAtEveryZoom) {
    for (float s : {8.0f, 4.0f, 2.0f, 1.0f, 0.5f, 0.25f, 0.125f}) {
        SCOPED_TRACE(s);
        const ViewMapping m{10, 20, 100, 50, s};
        const auto X = [&](int x) { return int(std::trunc((x - 100) / double(s))) + 10; };
        const auto Y = [&](int y) { return int(std::trunc((y - 50) / double(s))) + 20; };
        const int w = int(12 / s), shift = w / 2;  // at 8 a cosmetic pen and no shadow
        PaintSteps steps;

        LineSteps(MakeLine(301, 131, -501, 903, 12, kLineShadow | 1), m, steps);
        const auto pens = Pens(steps), moves = Only(steps, PaintOp::MoveTo), lines = Only(steps, PaintOp::LineTo);
        ASSERT_EQ(pens.size(), w >= 2 ? 2u : 1u);
        EXPECT_EQ(pens.back().Op, w >= 2 ? PaintOp::SelectGeometricPen : PaintOp::SelectPen);
        EXPECT_EQ(pens.back().Width, w);
        EXPECT_EQ(pens.back().Style, 1);
        EXPECT_EQ(Corners(moves.back()), (std::array{X(301), Y(131), 0, 0}));
        EXPECT_EQ(Corners(lines.back()), (std::array{X(-501), Y(903), 0, 0}));
        EXPECT_EQ(Corners(lines.front()), (std::array{X(-501) + shift, Y(903) + shift, 0, 0}));

        EllipseSteps(MakeLine(-7, 9, 203, 77, 12, kLineShadow | kLineFill), m, steps);
        const auto ellipses = Only(steps, PaintOp::Ellipse), brushes = Only(steps, PaintOp::SelectSolidBrush);
        ASSERT_EQ(ellipses.size(), w >= 2 ? 2u : 1u);
        EXPECT_EQ(brushes.front().Colour, w >= 2 ? 0x333333u : 0x00FF00u);
        EXPECT_EQ(Corners(ellipses.back()), (std::array{X(-7), Y(9), X(203), Y(77)}));
        EXPECT_EQ(Corners(ellipses.front()), (std::array{X(-7) + shift, Y(9) + shift, X(203) + shift, Y(77) + shift}));

        TextSteps(MakeText(403, 251, -3, 11, kFrameNone, "abc"), m, steps);
        EXPECT_EQ(Corners(Only(steps, PaintOp::DrawText).at(0)), (std::array{X(-3), Y(11), X(403), Y(251)}));
        EXPECT_EQ(steps.Font.Height, int(240 / s));
        EXPECT_EQ(steps.Font.Width, int(406 / s) / 6);
    }
}

TEST(GraffitiPaint, LineEndsAndPens) {
    PaintSteps steps;
    for (auto [width, scale] : {std::pair{1, 1.0f}, std::pair{3, 2.0f}}) {
        LineSteps(MakeLine(0, 0, 50, 50, width, kLineShadow), {0, 0, 0, 0, scale}, steps);
        ASSERT_EQ(Pens(steps).size(), 1u);
        EXPECT_EQ(Pens(steps)[0].Op, PaintOp::SelectPen);
        EXPECT_EQ(Pens(steps)[0].Width, 1);
    }

    // Width 4, size code 9 at scale 1: arms 1.25 x 40 long, pointing back along the line.
    LineSteps(MakeLine(100, 100, 300, 100, 4, kStartArrow | (9u << 24)), {0, 0, 0, 0, 1.0f}, steps);
    ExpectHead(steps, 100, 100, 200, 0, 50);
    LineSteps(MakeLine(400, 300, 100, 50, 4, kEndArrow | (9u << 16)), {0, 0, 0, 0, 1.0f}, steps);
    ExpectHead(steps, 100, 50, 300, 250, 50);

    // Both shapes at one end, circle radius S / 2 and filled.
    LineSteps(MakeLine(100, 100, 300, 100, 4, kStartArrow | kStartCircle | kLineFill | (9u << 24)),
              {0, 0, 0, 0, 1.0f}, steps);
    EXPECT_EQ(Corners(Only(steps, PaintOp::Ellipse).at(0)), (std::array{80, 80, 120, 120}));
    EXPECT_EQ(Only(steps, PaintOp::SelectSolidBrush).at(0).Colour, 0x00FF00u);
    ExpectHead(steps, 100, 100, 200, 0, 50);

    // Both ends on one window pixel: no direction, so no arms, in the shadow copy too.
    LineSteps(MakeLine(100, 100, 103, 101, 40, kLineShadow | kStartArrow | kEndArrow | kEndCircle),
              {0, 0, 0, 0, 8.0f}, steps);
    EXPECT_EQ(Only(steps, PaintOp::MoveTo).size(), 2u);
    EXPECT_EQ(Only(steps, PaintOp::LineTo).size(), 2u);
    EXPECT_EQ(Only(steps, PaintOp::Ellipse).size(), 2u);
}

TEST(GraffitiPaint, TextFontFramesLeaderAndShadow) {
    const ViewMapping one{0, 0, 0, 0, 1.0f};
    PaintSteps steps;
    TextSteps(MakeText(0, 0, 100, 20, kFrameNone, "abc"), one, steps);
    EXPECT_EQ(steps.Font.Height, 20);
    EXPECT_EQ(steps.Font.Width, 100 / 6);
    EXPECT_TRUE(Pens(steps).empty());

    // H = 100 / 2 rows, W = 200 / (3 + 2); the rectangle loses H/10 above, H/6 below and W/2
    // on the left, and the font then fits it. The filled frame is the text's background.
    TextSteps(MakeText(200, 100, 0, 0, kFrameRound | kTextFill, "ab\r\ncd"), one, steps);
    EXPECT_EQ(Only(steps, PaintOp::RoundRect).at(0).Height, 25);
    EXPECT_EQ(Pens(steps).at(0).Width, 50 / 15);
    EXPECT_EQ(Corners(Only(steps, PaintOp::DrawText).at(0)), (std::array{20, 5, 200, 92}));
    EXPECT_EQ(steps.Font.Height, 87 / 2);
    EXPECT_EQ(steps.Font.Width, 180 / 3);
    EXPECT_EQ(Only(steps, PaintOp::SetBkTransparent, PaintOp::SetBkOpaque).back().Op, PaintOp::SetBkTransparent);

    // Shadow: a copy at (+W/20, +H/20) in the shadow colour, then the main copy W/20 - W/10 left.
    TextSteps(MakeText(0, 0, 600, 100, kFrameNone | kTextShadow, "abc"), one, steps);
    const auto draws = Only(steps, PaintOp::DrawText), colours = Only(steps, PaintOp::SetTextColour);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(Corners(draws[0]), (std::array{5, 5, 605, 105}));
    EXPECT_EQ(Corners(draws[1]), (std::array{5 - 10, 0, 600 + 5 - 10, 100}));
    EXPECT_EQ(colours.at(1).Colour, 0x808080u);

    // Leader: tip, first corner, along the top edge; the head at the tip points to the corner.
    GraffitiText leader = MakeText(200, 100, 400, 180, kFrameLeader, "abc");
    leader.LeaderX = 20, leader.LeaderY = 10;
    TextSteps(leader, one, steps);
    const auto lines = Only(steps, PaintOp::LineTo);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Corners(Only(steps, PaintOp::MoveTo).at(0)), (std::array{20, 10, 0, 0}));
    EXPECT_EQ(Corners(lines[0]), (std::array{200, 100, 0, 0}));
    EXPECT_EQ(Corners(lines[1]), (std::array{400, 100, 0, 0}));
    ExpectHead(steps, 20, 10, 180, 90, 0.625 * 80);

    leader.LeaderX = 203, leader.LeaderY = 101;  // on the corner's window pixel at scale 8
    TextSteps(leader, {0, 0, 0, 0, 8.0f}, steps);
    EXPECT_EQ(Only(steps, PaintOp::MoveTo).size(), 1u);
    EXPECT_EQ(Only(steps, PaintOp::LineTo).size(), 2u);
}

TEST(GraffitiPaint, HugeValuesStayWithinTheLimit) {
    const auto within = [](const PaintSteps& steps) {
        for (const PaintStep& s : steps)
            for (int v : {s.X1, s.Y1, s.X2, s.Y2, s.Width, s.Height})
                if (v > kPaintCoordLimit || v < -kPaintCoordLimit) return false;
        return steps.Font.Height >= 0 && steps.Font.Width >= 0 && steps.Font.Height <= kPaintCoordLimit;
    };
    const uint32_t all = kLineShadow | kLineFill | kStartArrow | kStartCircle | kEndArrow | kEndCircle | (63u << 16) |
                         (63u << 24) | 7;
    for (ViewMapping m : {ViewMapping{0, 0, 0, 0, 0.125f}, ViewMapping{INT_MAX, INT_MIN, INT_MIN, INT_MAX, 0.125f},
                          ViewMapping{5, 5, -2000000000, 2000000000, 1e-30f}}) {
        PaintSteps steps;
        LineSteps(MakeLine(INT_MAX, INT_MIN, INT_MIN, 70000, INT_MAX, all), m, steps);
        EXPECT_TRUE(within(steps));
        EllipseSteps(MakeLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, all), m, steps);
        EXPECT_TRUE(within(steps));
        GraffitiText t = MakeText(INT_MIN, INT_MAX, INT_MAX, INT_MIN, kFrameLeader | kTextShadow, "a\r\n\r\nb");
        t.LeaderX = -70000, t.LeaderY = INT_MAX;
        std::memset(t.Font, 'F', sizeof t.Font);  // no NUL in the record
        TextSteps(t, m, steps);
        EXPECT_TRUE(within(steps));
        EXPECT_GE(steps.Font.Height, 1);
        EXPECT_EQ(std::strlen(steps.Font.Face), sizeof t.Font);
    }
}

}  // namespace
