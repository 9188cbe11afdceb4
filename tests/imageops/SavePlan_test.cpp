#include "imageops/SavePlan.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(SavePlan, NamesFormatsAndTheFilesASaveMustNotReplace) {
    char out[32];
    ASSERT_TRUE(ProposedSaveName("C:", "\\photos\\", "photo", false, out, sizeof out));
    EXPECT_STREQ(out, "C:\\photos\\photo_memo");
    ASSERT_TRUE(ProposedSaveName("C:", "\\photos\\", "plan", true, out, sizeof out));
    EXPECT_STREQ(out, "C:\\photos\\plan");
    // One byte short: refused and empty, never a cut name that could be another file.
    EXPECT_FALSE(ProposedSaveName("C:", "\\photos\\", "photo", false, out, strlen("C:\\photos\\photo_memo")));
    EXPECT_STREQ(out, "");

    EXPECT_EQ(FormatOfExtension(".JPG"), SaveFormat::Jpeg);
    EXPECT_EQ(FormatOfExtension(".Trd"), SaveFormat::Trd);
    EXPECT_EQ(FormatOfExtension(".tif"), SaveFormat::Tiff);
    EXPECT_EQ(FormatOfExtension(".tiff"), SaveFormat::Unknown);
    EXPECT_EQ(FormatOfExtension(".jpeg"), SaveFormat::Unknown);
    EXPECT_EQ(FormatOfExtension(""), SaveFormat::Unknown);

    char jpeg[260];
    ASSERT_TRUE(CompanionJpegPath("C:\\図表\\plan.TRD", jpeg, sizeof jpeg));
    EXPECT_STREQ(jpeg, "C:\\図表\\plan.jpg");
    EXPECT_FALSE(CompanionJpegPath("C:\\a\\plan.trd", jpeg, 12));

    EXPECT_TRUE(SameFilePath("C:\\Photos\\IMG_1.JPG", "c:/photos/img_1.jpg"));
    // "表" ends in 0x5C and "ソ" in 0x5C too: neither is a separator nor folded as a letter.
    EXPECT_TRUE(SameFilePath("C:\\表\\a.jpg", "C:/表/A.JPG"));
    EXPECT_FALSE(SameFilePath("C:\\ソ\\a.jpg", "C:\\ソ/\\a.jpg"));
    EXPECT_FALSE(SameFilePath("C:\\x\\a.jpg", "C:\\x\\a.jpg.jpg"));
    // Double-byte characters that differ only in a trail byte a letter fold would change.
    EXPECT_FALSE(SameFilePath("\x82\x61.jpg", "\x82\x41.jpg"));
}

TEST(SavePlan, CanvasTakesTheGraffitiThatReachesBeyondTheImage) {
    // 30 pixels left of the image and 10 below it.
    CanvasPlan p = PlanSaveCanvas(400, 300, true, GraffitiExtent{-30, 200, 5, 310});
    ASSERT_TRUE(p.Ok);
    EXPECT_EQ(p.Width, 430);
    EXPECT_EQ(p.Height, 310);
    EXPECT_EQ(p.ImageX, 30);
    EXPECT_EQ(p.ImageY, 0);
    // Beyond every side; hidden graffiti widens nothing; an empty layer's extent widens nothing.
    p = PlanSaveCanvas(400, 300, true, GraffitiExtent{-7, 450, -3, 302});
    EXPECT_TRUE(p.Ok && p.Width == 457 && p.Height == 305 && p.ImageX == 7 && p.ImageY == 3);
    p = PlanSaveCanvas(400, 300, false, GraffitiExtent{-7, 450, -3, 302});
    EXPECT_TRUE(p.Ok && p.Width == 400 && p.Height == 300 && p.ImageX == 0);
    p = PlanSaveCanvas(400, 300, true, GraffitiExtent{30000, 0, 30000, 0});
    EXPECT_TRUE(p.Ok && p.Width == 400 && p.Height == 300);
    // A canvas no picture could be: refused, not replaced by the image alone.
    EXPECT_FALSE(PlanSaveCanvas(30000, 300, true, GraffitiExtent{-30000, 10, 0, 10}).Ok);
    EXPECT_FALSE(PlanSaveCanvas(20000, 20000, false, GraffitiExtent{}).Ok);
    EXPECT_FALSE(PlanSaveCanvas(0, 10, false, GraffitiExtent{}).Ok);
    EXPECT_TRUE(PlanSaveCanvas(30000, 1, false, GraffitiExtent{}).Ok);
}

TEST(SavePlan, ScreenBmpHeadersAndArea) {
    uint8_t h[kBmpHeaderBytes];
    uint32_t size = 0;
    ASSERT_TRUE(BuildBmpHeaders(3, 2, h, size));
    const uint8_t golden[kBmpHeaderBytes] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // 12-byte rows
                                             40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    EXPECT_EQ(size, 78u);
    EXPECT_EQ(memcmp(h, golden, sizeof h), 0);
    EXPECT_FALSE(BuildBmpHeaders(0, 5, h, size));

    ScreenArea a;
    // Both bars, the view at (10, 40): the area is the view, not the bars.
    ASSERT_TRUE(PlanScreenArea(800, 600, 10, 40, true, true, a));
    EXPECT_EQ(a.X, 10);
    EXPECT_EQ(a.Y, 40);
    EXPECT_EQ(a.Width, 780);
    EXPECT_EQ(a.Height, 600 + 6 - 80);
    // Bars hidden: "client height + 6" would run off the window.
    ASSERT_TRUE(PlanScreenArea(800, 600, 0, 0, false, false, a));
    EXPECT_EQ(a.Height, 600);
    // The status bar covers the bottom rows whatever the origin.
    ASSERT_TRUE(PlanScreenArea(800, 600, 0, 0, true, true, a));
    EXPECT_EQ(a.Y, 28);
    EXPECT_LE(a.Y + a.Height, 580);
    EXPECT_FALSE(PlanScreenArea(40, 40, 30, 30, true, true, a));
}

TEST(SavePlan, CommonDialogErrors) {
    EXPECT_EQ(CommonDialogErrorText(0), "");
    EXPECT_EQ(CommonDialogErrorText(0x3002), "ファイル名が無効です。");
    EXPECT_EQ(CommonDialogErrorText(0xFFFF), "ダイアログボックスを作成できませんでした。");
    EXPECT_EQ(CommonDialogErrorText(0x4003), "CommDlgExtendedError 16387");
}
