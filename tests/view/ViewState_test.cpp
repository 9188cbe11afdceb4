#include "view/ViewState.h"

#include <gtest/gtest.h>

namespace {

ViewState Make(int imageWidth, int imageHeight, int sx, int sy, int sw, int sh, float scale = 1.0f) {
    ViewState v;
    v.ImageWidth = imageWidth;
    v.ImageHeight = imageHeight;
    v.SourceX = sx;
    v.SourceY = sy;
    v.SourceWidth = sw;
    v.SourceHeight = sh;
    v.Scale = scale;
    return v;
}

ViewState Whole(int imageWidth, int imageHeight) {
    return Make(imageWidth, imageHeight, 0, 0, imageWidth, imageHeight);
}

constexpr ClientLayout kNoBars{802, 402, false, false};

struct Rect { int x, y, w, h; };

void ExpectSource(const ViewState& v, Rect want) {
    EXPECT_EQ(v.SourceX, want.x);
    EXPECT_EQ(v.SourceY, want.y);
    EXPECT_EQ(v.SourceWidth, want.w);
    EXPECT_EQ(v.SourceHeight, want.h);
}

TEST(ViewState, RefitKeepsCornerAndCentresWhereTheImageEnds) {
    struct Row {
        const char* name; ViewState in; ClientLayout client;
        Rect source, dest; int drawWidth, drawHeight; float scale;
    };
    const Row rows[] = {
        {"reduced, both bars, ends on both axes", Whole(1000, 500), {802, 348, true, true},
         {0, 0, 1000, 500}, {101, 27, 600, 300}, 1000, 500, 500.0f / 300.0f},
        {"tool bar alone takes 26 in the fit", Whole(1000, 1000), {600, 628, false, true},
         {0, 0, 1000, 1000}, {1, 18, 598, 598}, 1000, 1000, 1000.0f / 598.0f},
        {"enlarged below scale 1", Whole(100, 50), {402, 202, false, false},
         {0, 0, 100, 50}, {0, 0, 402, 202}, 100, 50, 0.25f},
        {"tiny image stops at 0.01", Whole(2, 1), {1002, 502, false, false},
         {0, 0, 2, 1}, {401, 204, 200, 100}, 2, 1, 0.01f},
        {"zoomed region keeps its corner", Make(4000, 3000, 1000, 500, 800, 400), kNoBars,
         {1000, 500, 802, 402}, {0, 0, 802, 402}, 802, 402, 1.0f},
        {"region at the right edge is centred", Make(4000, 3000, 3500, 0, 800, 400), kNoBars,
         {3500, 0, 500, 402}, {151, 0, 500, 402}, 500, 402, 1.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ViewState v = row.in;
        ASSERT_TRUE(RefitView(v, row.client));
        ExpectSource(v, row.source);
        EXPECT_EQ(v.DestX, row.dest.x);
        EXPECT_EQ(v.DestY, row.dest.y);
        EXPECT_EQ(v.DestWidth, row.dest.w);
        EXPECT_EQ(v.DestHeight, row.dest.h);
        EXPECT_EQ(v.DrawWidth, row.drawWidth);
        EXPECT_EQ(v.DrawHeight, row.drawHeight);
        EXPECT_EQ(v.Scale, row.scale);
    }
}

TEST(ViewState, RefitDoesNothingWithoutImageOrRoom) {
    struct Row { const char* name; ViewState in; ClientLayout client; };
    const Row rows[] = {
        {"no image", Make(0, 0, 0, 0, 0, 0), kNoBars},
        {"minimised", Whole(100, 100), {0, 0, true, true}},
        {"two pixels wide", Whole(100, 100), {2, 400, false, false}},
        {"bars leave two pixels", Whole(100, 100), {400, 48, true, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ViewState v = row.in;
        v.Scale = 3.0f;
        EXPECT_FALSE(RefitView(v, row.client));
        EXPECT_EQ(v.Scale, 3.0f);
        ExpectSource(v, {row.in.SourceX, row.in.SourceY, row.in.SourceWidth, row.in.SourceHeight});
    }
}

TEST(ViewState, MappingRoundsToFloatThenTruncatesTowardZero) {
    struct Row { const char* name; bool toWindow; int value, origin; float scale; int want; };
    const Row rows[] = {
        {"reduction", true, 100, 0, 3.0f, 33},
        {"left of origin truncates toward zero", true, 90, 100, 3.0f, -3},
        {"float quotient 69.999999 rounds to 70", true, 7, 0, 0.1f, 70},
        {"enlargement", true, 1040, 1000, 0.25f, 160},
        {"window to image", false, 160, 1000, 0.25f, 1040},
        {"float product 6.9999999 rounds to 7", false, 10, 0, 0.7f, 7},
        {"negative offset truncates toward zero", false, -1, 0, 1.5f, -1},
        {"zero scale saturates", true, 5, 0, 0.0f, 2147483647},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int got = row.toWindow ? ImageToWindow(row.value, row.origin, row.scale)
                                     : WindowToImage(row.value, row.origin, row.scale);
        EXPECT_EQ(got, row.want);
    }
}

TEST(ViewState, KeysScrollZoomOrChangeFiles) {
    struct Row {
        const char* name; ViewState in; ViewKey key; ViewAction want; Rect source; float scale;
        ClientLayout client = kNoBars;
    };
    const ViewState zoomed = Make(4000, 3000, 1000, 500, 800, 400);
    const Row rows[] = {
        {"left at 0", Make(4000, 3000, 0, 500, 800, 400), ViewKey::Left, ViewAction::None,
         {0, 500, 800, 400}, 1.0f},
        {"left stops at 0", Make(4000, 3000, 100, 500, 800, 400), ViewKey::Left,
         ViewAction::Repaint, {0, 500, 800, 400}, 1.0f},
        {"left by a fifth", zoomed, ViewKey::Left, ViewAction::Repaint, {840, 500, 800, 400}, 1.0f},
        {"right by a fifth", Make(4000, 3000, 3000, 0, 800, 400), ViewKey::Right,
         ViewAction::Repaint, {3160, 0, 800, 400}, 1.0f},
        {"right stops at the edge", Make(4000, 3000, 3100, 0, 800, 400), ViewKey::Right,
         ViewAction::Repaint, {3200, 0, 800, 400}, 1.0f},
        {"right at the edge", Make(4000, 3000, 3200, 0, 800, 400), ViewKey::Right,
         ViewAction::None, {3200, 0, 800, 400}, 1.0f},
        {"up on whole image", Whole(4000, 3000), ViewKey::Up, ViewAction::PreviousEntry,
         {0, 0, 4000, 3000}, 1.0f},
        {"down on whole image", Whole(4000, 3000), ViewKey::Down, ViewAction::NextEntry,
         {0, 0, 4000, 3000}, 1.0f},
        {"up stops at 0", Make(4000, 3000, 0, 50, 800, 400), ViewKey::Up, ViewAction::Repaint,
         {0, 0, 800, 400}, 1.0f},
        {"down by a fifth", Make(4000, 3000, 0, 2500, 800, 400), ViewKey::Down,
         ViewAction::Repaint, {0, 2580, 800, 400}, 1.0f},
        {"down at the bottom", Make(4000, 3000, 0, 2600, 800, 400), ViewKey::Down,
         ViewAction::None, {0, 2600, 800, 400}, 1.0f},
        {"page up zooms by 1.1", zoomed, ViewKey::PageUp, ViewAction::Repaint,
         {1040, 520, 728, 365}, 727.0f / 800.0f},
        {"page up multiplies by 1/1.1 (110 -> 100)", Make(4000, 3000, 0, 0, 110, 10), ViewKey::PageUp,
         ViewAction::Repaint, {5, 0, 102, 102}, 1.0f, {102, 102, false, false}},
        {"page up stops at 0.06", Make(4000, 3000, 0, 0, 48, 24, 0.06f), ViewKey::PageUp,
         ViewAction::None, {0, 0, 48, 24}, 0.06f},
        {"page down on whole image", Whole(4000, 3000), ViewKey::PageDown, ViewAction::None,
         {0, 0, 4000, 3000}, 1.0f},
        {"page down zooms out by 1.1", zoomed, ViewKey::PageDown, ViewAction::Repaint,
         {960, 480, 882, 442}, 1.1f},
        {"page down keeps origin and size inside", Make(1000, 800, 20, 10, 950, 700),
         ViewKey::PageDown, ViewAction::Repaint, {0, 0, 1000, 772}, 1.1f, {1002, 702, false, false}},
        {"no image", Make(0, 0, 5, 5, 10, 10), ViewKey::Left, ViewAction::None, {5, 5, 10, 10}, 1.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ViewState v = row.in;
        EXPECT_EQ(ApplyViewKey(v, row.key, row.client), row.want);
        ExpectSource(v, row.source);
        EXPECT_EQ(v.Scale, row.scale);
    }
}

TEST(ViewState, PageUpNeverZoomsPastTheFloor) {
    ViewState v = Whole(4000, 3000);
    RefitView(v, kNoBars);
    int presses = 0;
    while (presses < 1000 && ApplyViewKey(v, ViewKey::PageUp, kNoBars) == ViewAction::Repaint)
        ++presses;
    EXPECT_GT(presses, 40);
    EXPECT_LE(v.Scale, 0.06f);
    EXPECT_GT(v.Scale, 0.05f);
    for (int i = 0; i < 1000 && ApplyViewKey(v, ViewKey::PageDown, kNoBars) == ViewAction::Repaint; ++i) {
        ASSERT_GE(v.SourceX, 0);
        ASSERT_LE(v.SourceX + v.SourceWidth, v.ImageWidth);
    }
    EXPECT_TRUE(IsWholeImage(v));
}

TEST(ViewState, WheelChangesFilesOnlyOnWholeImage) {
    struct Row { const char* name; ViewState in; int delta, index, last; ViewAction want; int sourceY; };
    const Row rows[] = {
        {"toward user: next", Whole(400, 300), -120, 3, 5, ViewAction::NextEntry, 0},
        {"toward user at last", Whole(400, 300), -120, 5, 5, ViewAction::None, 0},
        {"away: previous", Whole(400, 300), 120, 1, 5, ViewAction::PreviousEntry, 0},
        {"away at first", Whole(400, 300), 120, 0, 5, ViewAction::None, 0},
        {"zero delta", Whole(400, 300), 0, 3, 5, ViewAction::None, 0},
        {"zoomed: toward user scrolls down", Make(4000, 3000, 0, 500, 800, 400), -120, 3, 5,
         ViewAction::Repaint, 580},
        {"zoomed: away scrolls up", Make(4000, 3000, 0, 500, 800, 400), 120, 3, 5,
         ViewAction::Repaint, 420},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ViewState v = row.in;
        EXPECT_EQ(ApplyWheel(v, row.delta, row.index, row.last), row.want);
        EXPECT_EQ(v.SourceY, row.sourceY);
    }
}

TEST(ViewState, ZoomToRectangle) {
    ViewState base = Make(4000, 3000, 0, 0, 1600, 800, 2.0f);
    base.DestX = 10;
    base.DestY = 20;
    struct Row { const char* name; int sx, sy, px, py, w, h; Rect source; float scale; };
    const Row rows[] = {
        {"half the window", 110, 70, 310, 170, 800, 400, {200, 100, 401, 201}, 0.5f},
        {"tiny rectangle stops at 0.05", 110, 70, 112, 71, 800, 400, {200, 100, 40, 20}, 0.05f},
        {"limited to the image's right edge", 1810, 70, 2210, 170, 800, 400,
         {3600, 100, 400, 402}, 1.0f},
        {"start left of the image stays inside", 0, 70, 200, 170, 800, 400, {0, 100, 401, 201}, 0.5f},
        {"zero outer size", 110, 70, 310, 170, 0, 400, {0, 0, 1600, 800}, 2.0f},
        {"negative outer size", 110, 70, 310, 170, 800, -1, {0, 0, 1600, 800}, 2.0f},
        {"release on the start", 110, 70, 110, 70, 800, 400, {0, 0, 1600, 800}, 2.0f},
        {"release above-left", 110, 70, 90, 50, 800, 400, {0, 0, 1600, 800}, 2.0f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ViewState v = base;
        ZoomToRectangle(v, row.sx, row.sy, row.px, row.py, row.w, row.h, kNoBars);
        ExpectSource(v, row.source);
        EXPECT_EQ(v.Scale, row.scale);
        EXPECT_GE(v.Scale, 0.05f);
    }
}

TEST(ViewState, DirectionClockPositions) {
    struct Row { const char* name; int sx, sy, px, py, want; };
    const Row rows[] = {
        {"within 17 pixels", 0, 0, 10, 10, 0},
        {"289 is too short", 0, 0, 17, 0, 0},
        {"straight right counts as down", 0, 0, 18, 0, 4},
        {"steep up-right", 0, 0, 10, -20, 1},
        {"up-right diagonal", 0, 0, 15, -15, 2},
        {"flat up-right", 0, 0, 20, -10, 2},
        {"steep down-right", 0, 0, 10, 20, 5},
        {"down-right diagonal", 0, 0, 15, 15, 4},
        {"straight down", 0, 0, 0, 20, 7},
        {"down-left diagonal", 0, 0, -15, 15, 8},
        {"straight left", 0, 0, -20, 0, 8},
        {"straight up", 0, 0, 0, -20, 11},
        {"up-left diagonal", 0, 0, -15, -15, 10},
        {"flat up-left", 0, 0, -20, -10, 10},
        {"offset start", 100, 100, 110, 120, 5},
        {"full 16-bit span does not overflow", -32768, -32768, 32767, 32767, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ClassifyDirection(row.sx, row.sy, row.px, row.py), row.want);
    }
}

}  // namespace

TEST(ViewState, KeptViewIsClampedToANewImage) {
    struct Row {
        const char* name;
        int sx, sy, sw, sh, iw, ih;
        int ex, ey, ew, eh;
    };
    const Row rows[] = {
        {"region inside stays", 10, 20, 100, 50, 640, 480, 10, 20, 100, 50},
        {"wider than the new image", 0, 0, 640, 480, 320, 240, 0, 0, 320, 240},
        {"origin beyond the new image", 400, 300, 100, 100, 320, 240, 0, 0, 100, 100},
        {"runs past the right edge", 300, 0, 100, 100, 320, 240, 300, 0, 20, 100},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ViewState v;
        v.SourceX = r.sx;
        v.SourceY = r.sy;
        v.SourceWidth = r.sw;
        v.SourceHeight = r.sh;
        v.ImageWidth = r.iw;
        v.ImageHeight = r.ih;
        ClampSourceToImage(v);
        EXPECT_EQ(v.SourceX, r.ex);
        EXPECT_EQ(v.SourceY, r.ey);
        EXPECT_EQ(v.SourceWidth, r.ew);
        EXPECT_EQ(v.SourceHeight, r.eh);
    }
}
