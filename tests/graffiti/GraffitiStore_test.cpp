#include "graffiti/GraffitiStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <tuple>

namespace {

constexpr int32_t kLo = INT32_MIN, kHi = INT32_MAX;

GraffitiLine Seg(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width = 1, uint32_t style = 0) {
    return {0xFF, 0xFFFFFF, width, style, x1, y1, x2, y2, 0};
}
GraffitiText Txt(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const char* text, uint32_t style = kFrameRect,
                 int32_t lx = 0, int32_t ly = 0) {
    GraffitiText t{x1, y1, x2, y2, lx, ly, style, 0, 0, 0, 0, 0, 0, {}, {}};
    SetTextStrings(t, "font", text);
    return t;
}
auto Ext(const GraffitiStore& s) { return std::tuple(s.Extent().MinX, s.Extent().MaxX, s.Extent().MinY, s.Extent().MaxY); }
auto Box(IntBox b) { return std::tuple(b.Left, b.Top, b.Right, b.Bottom); }

}  // namespace

TEST(GraffitiStore, CapacitiesAndIndexes) {
    auto s = std::make_unique<GraffitiStore>();
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(s->AddLine(Seg(i, 0, i, 10)), 0);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(s->AddEllipse(Seg(0, 0, 5, 5)) | s->PutText(Txt(0, 0, 9, 9, "t"), -1), 0);
    const auto before = Ext(*s);
    EXPECT_EQ(s->AddLine(Seg(-50, -50, 9000, 9000)), kGraffitiFull);
    EXPECT_EQ(s->AddEllipse(Seg(-50, -50, 9000, 9000)), kGraffitiFull);
    EXPECT_EQ(s->PutText(Txt(-50, -50, 9000, 9000, "t"), -1), kGraffitiFull);
    EXPECT_EQ(s->AddLine(Seg(7, 7, 7, 7)), 0);  // degenerate: stored nowhere, no failure
    EXPECT_EQ(s->TotalCount(), 2400);
    EXPECT_EQ(Ext(*s), before);

    EXPECT_EQ(s->PutText(Txt(1, 2, 30, 40, "new"), 199), 0);  // a replacement is no append
    EXPECT_STREQ(s->Text(199).Text, "new");
    int32_t w, h;
    for (int bad : {-2, 200, kLo}) {
        EXPECT_EQ(s->PutText(Txt(1, 2, 3, 4, "x"), bad), kGraffitiBadIndex);
        EXPECT_EQ(s->DeleteText(bad) & s->DeleteEllipse(bad) & s->CellSize(bad, w, h), kGraffitiBadIndex);
        EXPECT_EQ(s->SetTextPoints(bad, 1, 2, 3, 4, 5, 6) & s->SetEllipsePoints(bad, 0, 0, 1, 1), kGraffitiBadIndex);
    }
    EXPECT_EQ(s->DeleteLine(2000) & s->SetLinePoints(-1, 0, 0, 1, 1) & s->SetLineAttributes(2000, 0, 0, 0, 1, 0),
              kGraffitiBadIndex);
    EXPECT_FALSE(s->MeetsRectangle(kGraffitiLine, 2000, 0, 0, 100, 100));
    EXPECT_LT(s->RepaintBox(kGraffitiText, -1).Right, s->RepaintBox(kGraffitiText, -1).Left);
    EXPECT_EQ(s->TotalCount(), 2400);

    s->Clear();
    EXPECT_EQ(s->TotalCount(), 0);
    EXPECT_EQ(Ext(*s), std::tuple(30000, 0, 30000, 0));
    EXPECT_EQ(s->DeleteLine(0), kGraffitiBadIndex);
}

TEST(GraffitiStore, DeletionMovesTheLastAndTheExtentOnlyGrows) {
    auto owner = std::make_unique<GraffitiStore>();
    GraffitiStore& s = *owner;
    s.AddLine(Seg(100, 200, 300, 400));
    s.AddLine(Seg(110, 210, 120, 220));
    s.AddLine(Seg(130, 230, 140, 240));
    ASSERT_EQ(s.DeleteLine(0), 0);
    EXPECT_EQ(s.LineCount(), 2);
    EXPECT_EQ(s.Line(0).X1, 130);
    EXPECT_EQ(s.Line(2).X1, 0);  // the freed slot is zero
    EXPECT_EQ(Ext(s), std::tuple(100, 300, 200, 400));

    EXPECT_EQ(s.SetLinePoints(1, -10, 205, 310, 900), 0);
    EXPECT_EQ(s.SetLinePoints(1, 150, 250, 160, 260), 0);
    s.AddEllipse(Seg(0, 0, 10, 10));
    EXPECT_EQ(s.SetEllipsePoints(0, 5, -70, 20, 20), 0);
    s.PutText(Txt(500, 600, 700, 800, "a"), -1);  // no leader: the tip (0, 0) counts too
    EXPECT_EQ(Ext(s), std::tuple(-10, 700, -70, 900));

    // A tip on the first corner moves 5 left, on adding and on moving.
    s.PutText(Txt(-20, 50, 40, 80, "b", kFrameLeader, -20, 50), -1);
    EXPECT_EQ(std::tuple(s.Text(1).LeaderX, s.Text(1).LeaderY, s.Extent().MinX), std::tuple(-25, 50, -25));
    EXPECT_EQ(s.SetTextPoints(1, 60, 61, 90, 99, 60, 61), 0);
    EXPECT_EQ(s.Text(1).LeaderX, 55);

    // A caller's record without NULs is cut inside its fields.
    GraffitiText raw = Txt(0, 0, 10, 10, "");
    std::memset(raw.Font, 'f', sizeof raw.Font);
    std::memset(raw.Text, 'x', sizeof raw.Text);
    s.PutText(raw, 0);
    EXPECT_EQ(std::strlen(s.Text(0).Font), kFontBytes - 1);
    EXPECT_EQ(std::strlen(s.Text(0).Text), kTextBytes - 1);
}

TEST(GraffitiStore, TextMetricsAndMeasures) {
    EXPECT_EQ(std::tuple(MeasureText("").Columns, MeasureText("").Rows), std::tuple(1, 1));
    EXPECT_EQ(std::tuple(MeasureText("abc").Columns, MeasureText("abc").Rows), std::tuple(4, 1));
    const TextMetrics m = MeasureText("ab\r\ncdef\r\n\r\n\x95\x5c");
    EXPECT_EQ(std::tuple(m.Columns, m.Rows), std::tuple(5, 4));
    EXPECT_EQ(TextLine("ab\r\ncdef\r\n", 2), "cdef");
    EXPECT_EQ(TextLine("ab\r\ncdef\r\n", 4), "");
    EXPECT_EQ(TextLine(std::string(1000, '\n') + "end", 1001), "end");  // beyond any line table

    GraffitiText t{};  // a double-byte character that does not fit is left out whole
    EXPECT_FALSE(SetTextStrings(t, std::string(28, 'a') + "\x82\xa0", "ok"));
    EXPECT_EQ(std::strlen(t.Font), 28u);

    auto s = std::make_unique<GraffitiStore>();
    s->PutText(Txt(0, 0, 80, 32, "abc\r\nxy"), -1);
    s->PutText(Txt(10, 0, 10, 32, "a"), -1);
    s->PutText(Txt(kLo, kLo, kHi, kHi, ""), -1);
    int32_t w = 0, h = 0;
    EXPECT_EQ(s->CellSize(0, w, h), 0);
    EXPECT_EQ(std::tuple(w, h), std::tuple(20, 16));
    EXPECT_EQ(s->CellSize(1, w, h), -1);
    EXPECT_EQ(s->CellSize(2, w, h), 0);
    EXPECT_EQ(w, kHi);

    s->AddEllipse(Seg(0, 0, 10, -5, 4));
    s->AddEllipse(Seg(3, 0, 3, 50));
    s->AddEllipse(Seg(kLo, kLo, kHi, kHi));
    double half = -1, flat = -1;
    EXPECT_TRUE(s->EllipseMeasures(0, half, flat));
    EXPECT_EQ(std::tuple(half, flat), std::tuple(5.0, 0.5));
    EXPECT_FALSE(s->EllipseMeasures(1, half, flat));
    EXPECT_EQ(std::tuple(half, flat), std::tuple(0.0, 0.0));
    EXPECT_TRUE(s->EllipseMeasures(2, half, flat));
    EXPECT_TRUE(std::isfinite(half) && flat == 1);
}

TEST(GraffitiStore, BoxesAndRepaintMargins) {
    auto s = std::make_unique<GraffitiStore>();
    s->AddLine(Seg(10, 10, 20, 30, 3, 2u << 24 | 5u << 16 | kEndArrow));
    EXPECT_TRUE(s->MeetsRectangle(kGraffitiLine, 0, 20, 30, 5, 5));  // ends touch
    EXPECT_TRUE(s->MeetsRectangle(kGraffitiLine, 0, 25, 35, -5, -5));
    EXPECT_FALSE(s->MeetsRectangle(kGraffitiLine, 0, 21, 0, 5, 50));
    EXPECT_EQ(Box(s->RepaintBox(kGraffitiLine, 0)), std::tuple(-8, -8, 38, 48));  // 3 x (5 + 1)

    s->AddEllipse(Seg(0, 0, 10, -5, 4));
    s->AddEllipse(Seg(kLo, kLo, kHi, kHi, 100));
    EXPECT_EQ(Box(s->RepaintBox(kGraffitiEllipse, 0)), std::tuple(-4, -9, 14, 4));
    EXPECT_EQ(Box(s->RepaintBox(kGraffitiEllipse, 1)), std::tuple(kLo, kLo, kHi, kHi));

    // The hit box always takes the tip; the repaint box only for a leader.
    s->PutText(Txt(100, 100, 200, 150, "a", kFrameRect, 300, 400), -1);
    EXPECT_TRUE(s->MeetsRectangle(kGraffitiText, 0, 290, 390, 10, 10));
    EXPECT_FALSE(s->MeetsRectangle(kGraffitiText, 0, kHi, kHi, kHi, kHi));
    EXPECT_EQ(Box(s->RepaintBox(kGraffitiText, 0)), std::tuple(85, 85, 215, 165));
    s->SetTextAttributes(0, 0, 0, 0, kFrameLeader);
    EXPECT_EQ(Box(s->RepaintBox(kGraffitiText, 0)), std::tuple(85, 85, 315, 415));
}
