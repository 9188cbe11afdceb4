#include "shell/WindowSize.h"
#include "view/ViewState.h"

#include <gtest/gtest.h>

TEST(WindowSize, TypedSidesAreWholeNumbersInRange) {
    int side = -7;
    for (const char* bad : {"", " ", "abc", "320x", "0", "-5", "32768", "99999999999", "1e3", "3 2"}) {
        EXPECT_FALSE(ParseViewSide(bad, side)) << bad;
        EXPECT_EQ(side, -7) << "a refused text leaves the value alone";
    }
    EXPECT_TRUE(ParseViewSide("1", side));
    EXPECT_EQ(side, 1);
    EXPECT_TRUE(ParseViewSide(" 32767 ", side));
    EXPECT_EQ(side, 32767);
}

TEST(WindowSize, OuterSizeGivesTheViewExactly) {
    EXPECT_EQ(PresetViewSize(0).Width, 320);
    EXPECT_EQ(PresetViewSize(3).Height, 768);
    // Whatever bars are shown, the client area left inside the frame shows exactly the view.
    for (bool status : {false, true})
        for (bool tool : {false, true}) {
            const Size2 frame = {16, 59}, view = {640, 480};
            const Size2 o = OuterSizeForView(view, frame, status, tool);
            const ViewArea area = ViewAreaOf(o.Width - frame.Width, o.Height - frame.Height, tool, status);
            EXPECT_EQ(area.Width(), view.Width) << status << tool;
            EXPECT_EQ(area.Height(), view.Height) << status << tool;
        }

    // A huge image asks for the largest window the system tracks, not for a wrapped size.
    Size2 huge = OuterSizeForView({40000, 30000}, {16, 59}, true, true);
    Size2 c = ClampOuterSize(huge, {2576, 1952});
    EXPECT_EQ(c.Width, 2576);
    EXPECT_EQ(c.Height, 1952);
    c = ClampOuterSize({0, -3}, {2576, 1952});
    EXPECT_EQ(c.Width, 1);
    EXPECT_EQ(c.Height, 1);

    // A menu bar that wrapped took 19 more pixels: the second try adds them.
    c = CorrectOuterSize({336, 347}, {320, 288}, {320, 269});
    EXPECT_EQ(c.Width, 336);
    EXPECT_EQ(c.Height, 366);
}
