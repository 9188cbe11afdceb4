#include "graffiti/GraffitiJww.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>


namespace {

constexpr char kGothic[] = "ＭＳ ゴシック";
constexpr char kMincho[] = "ＭＳ 明朝";

GraffitiLine Shape(int32_t width, uint32_t style, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {0xFF, 0, width, style, x1, y1, x2, y2, 0};
}

GraffitiText Text(uint32_t frame, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t lx, int32_t ly,
                  const char* font, const char* text) {
    GraffitiText t{};
    t.X1 = x1, t.Y1 = y1, t.X2 = x2, t.Y2 = y2, t.LeaderX = lx, t.LeaderY = ly, t.Style = frame;
    SetTextStrings(t, font, text);
    return t;
}

// Every kind: a line with a circle start and an arrow end, a dashed line, an ellipse and the
// three frames, the last with three rows of Shift-JIS. Pixel values that are multiples of 125
// land on exact binary fractions at 100 dpi.
std::unique_ptr<GraffitiStore> GoldenLayer() {
    auto s = std::make_unique<GraffitiStore>();
    s->RestoreLine(Shape(2, kStartCircle | 1u << 24 | kEndArrow, 0, 10, 100, 10));
    s->RestoreLine(Shape(1, 1, 0, 125, 250, 125));
    s->RestoreEllipse(Shape(1, 0, 0, 250, 250, 375));
    s->RestoreText(Text(kFrameRect, 0, 500, 250, 625, 250, 625, kGothic, "ABC"));
    s->RestoreText(Text(kFrameRound, 500, 500, 750, 750, 750, 750, kGothic, "ABC\r\nDEF"));
    s->RestoreText(Text(kFrameLeader, 1000, 500, 1250, 875, 750, 1000, kMincho, "表示\r\nソフト\r\n十"));
    return s;
}

// At 254 dpi in mode 0 a pixel is 0.01 cm, stored as 0.1.
GraffitiRecordSettings At254() {
    GraffitiRecordSettings s;
    s.Dpi = 254;
    s.ImageWidth = 2000, s.ImageHeight = 1500;
    return s;
}

JwContent ReadBlock(const std::vector<uint8_t>& block) {
    JwContent c;
    EXPECT_EQ(ReadJwBlock(block.data(), block.size(), c), "");
    EXPECT_EQ(c.BlockBytesUsed, block.size());
    return c;
}

JwContent ReadText(const std::string& text) {
    JwContent c;
    EXPECT_EQ(ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), c), "");
    return c;
}

}  // namespace

TEST(GraffitiJww, GoldenLayerAsRecordsAndText) {
    const auto layer = GoldenLayer();
    std::vector<uint8_t> block;
    ASSERT_TRUE(BuildImagePathBlock("^@BMa.jpg,1.0,1.0", layer.get(), At254(), 50.0, block));
    const JwContent c = ReadBlock(block);
    ASSERT_EQ(c.Count, 29u);
    ASSERT_EQ(c.Lines.size(), 16u);
    ASSERT_EQ(c.Ellipses.size(), 6u);
    ASSERT_EQ(c.Texts.size(), 7u);
    EXPECT_EQ(c.Scale, 50.0);
    // Extent x 0..12.5 cm, y -10 (the leader tip) .. -0.1, its centre in millimetres.
    EXPECT_DOUBLE_EQ(c.RefX, 62.5);
    EXPECT_DOUBLE_EQ(c.RefY, -50.5);
    // The image-path record: below the image, which is 1500 px tall.
    EXPECT_EQ(c.Texts[0].Text, "^@BMa.jpg,1.0,1.0");
    EXPECT_DOUBLE_EQ(c.Texts[0].Y, -150.0);
    EXPECT_EQ(c.Texts[0].Colour, 1);

    // The width-2 line: colour 2, then its start circle (size (1 + 1) x 2 px, radius half).
    EXPECT_EQ(c.Lines[0].Colour, 2);
    EXPECT_DOUBLE_EQ(c.Lines[0].Y1, -1.0);
    EXPECT_DOUBLE_EQ(c.Lines[0].X2, 10.0);
    EXPECT_DOUBLE_EQ(c.Ellipses[0].Radius, 0.2);
    // The end arrow: two sides from (10, -1) back along the line, 1.25 x (size 2 px) long,
    // 0.26179 rad either side of it, the positive turn first.
    for (int i : {1, 2}) {
        const JwLineItem& a = c.Lines[size_t(i)];
        EXPECT_DOUBLE_EQ(a.X1, 10.0);
        EXPECT_DOUBLE_EQ(a.Y1, -1.0);
        EXPECT_NEAR(std::hypot(a.X2 - a.X1, a.Y2 - a.Y1), 0.25, 1e-12);
        EXPECT_NEAR(std::atan2(a.Y2 - a.Y1, -(a.X2 - a.X1)), i == 1 ? -0.26179 : 0.26179, 1e-12);
    }
    EXPECT_EQ(c.Lines[3].Type, 3);  // dashed
    const JwEllipseItem& e = c.Ellipses[1];
    EXPECT_DOUBLE_EQ(e.Cx, 12.5);
    EXPECT_DOUBLE_EQ(e.Cy, -31.25);
    EXPECT_DOUBLE_EQ(e.Flatness, 0.5);

    // Rectangle sides, then the rounded frame: quarters of r = 0.025 x 12.5 mm cell height
    // (3.125 stored) turned 0, 90, 180, 270 degrees at the upper right, upper left, lower
    // left and lower right.
    EXPECT_EQ(c.Lines[4].Colour, 2);
    EXPECT_DOUBLE_EQ(c.Lines[8].X1, 50.0);
    EXPECT_DOUBLE_EQ(c.Lines[8].Y1, -75.0 + 3.125);
    const double tilts[4] = {0.0, 1.57075, 3.1415, 4.71225};
    const double cx[4] = {75 - 3.125, 50 + 3.125, 50 + 3.125, 75 - 3.125};
    const double cy[4] = {-50 - 3.125, -50 - 3.125, -75 + 3.125, -75 + 3.125};
    for (int i = 0; i < 4; ++i) {
        const JwEllipseItem& q = c.Ellipses[size_t(2 + i)];
        EXPECT_DOUBLE_EQ(q.Radius, 3.125);
        EXPECT_DOUBLE_EQ(q.Tilt, tilts[i]);
        EXPECT_DOUBLE_EQ(q.Cx, cx[i]);
        EXPECT_DOUBLE_EQ(q.Cy, cy[i]);
    }
    // The leader from the tip (75, -100) to the underline's start (100, -87.5).
    EXPECT_DOUBLE_EQ(c.Lines[12].X1, 75.0);
    EXPECT_DOUBLE_EQ(c.Lines[12].Y1, -100.0);
    EXPECT_DOUBLE_EQ(c.Lines[13].X2, 125.0);
    EXPECT_DOUBLE_EQ(c.Lines[13].Y2, -87.5);
    // Three rows of 12.5 mm from one row below the upper edge down to the lower one;
    // a cell is 2 x 25 mm / 7 columns wide.
    const double rowY[3] = {-62.5, -75.0, -87.5};
    const char* rows[3] = {"表示", "ソフト", "十"};
    for (int i = 0; i < 3; ++i) {
        const JwTextItem& t = c.Texts[size_t(4 + i)];
        EXPECT_EQ(t.Text, rows[i]);
        EXPECT_DOUBLE_EQ(t.X, 100.0);
        EXPECT_DOUBLE_EQ(t.Y, rowY[i]);
        EXPECT_DOUBLE_EQ(t.Width, 50.0 / 7);
        EXPECT_DOUBLE_EQ(t.Height, 12.5);
        EXPECT_EQ(t.Colour, 2);
    }

    const std::string expected = std::string(
        "lc 2\r\nlt 1\r\n"
        "0.000000 -2.540000 25.400000 -2.540000\r\n"
        "lc 1\r\nlt 3\r\n"
        "0.000000 -31.750000 63.500000 -31.750000\r\n"
        "lt 1\r\n"
        "ci 31.750000 -79.375000 31.750000 0 360 0.500000 0.000000 \r\n"
        "lc 2\r\nlt 1\r\ncc 0  \r\n"
        "0.000000 -127.000000 \r\n0.000000 -158.750000 \r\n63.500000 -158.750000 \r\n"
        "63.500000 -127.000000 \r\n0.000000 -127.000000 \r\n"
        "cn\"$<ＭＳ ゴシック>\r\n"
        "cn0 31.750000 31.750000 0 2 \r\n"
        "ch 0.000000 -158.750000 1 0 \"ABC \r\n"
        "127.000000 -182.562500 127.000000 -134.937500 \r\n"
        "134.937500 -127.000000 182.562500 -127.000000 \r\n"
        "190.500000 -134.937500 190.500000 -182.562500  \r\n"
        "182.562500 -190.500000 134.937500 -190.500000 \r\n"
        "ci 182.562500 -134.937500 7.937500 0 90 1 0 \r\n"
        "ci 134.937500 -134.937500 7.937500 90 180 1 0 \r\n"
        "ci 134.937500 -182.562500 7.937500 180 270 1 0 \r\n"
        "ci 182.562500 -182.562500 7.937500 270 360 1 0 \r\n"
        "cn0 31.750000 31.750000 0 2 \r\n"
        "ch 127.000000 -158.750000 1 0 \"ABC \r\n"
        "ch 127.000000 -190.500000 1 0 \"DEF \r\n"
        "190.500000 -254.000000 254.000000 -222.250000 \r\n"
        "254.000000 -222.250000 317.500000 -222.250000 \r\n"
        "190.500000 -254.000000 210.296367 -236.445877 \r\n"
        "190.500000 -254.000000 216.421119 -248.695380 \r\n"
        "cn\"$<ＭＳ 明朝>\r\n"
        "cn0 18.142857 31.750000 0 2 \r\n"
        "ch 254.000000 -158.750000 1 0 \"表示 \r\n"
        "ch 254.000000 -190.500000 1 0 \"ソフト \r\n"
        "ch 254.000000 -222.250000 1 0 \"十 \r\n");
    EXPECT_EQ(ExportGraffitiText(*layer, 100, 1), expected);

    // Scale 1/N multiplies coordinates and the rounded corners, not the character size.
    const JwContent twice = ReadText(ExportGraffitiText(*layer, 100, 2));
    EXPECT_DOUBLE_EQ(twice.Ellipses[1].Radius, 15.875);
    EXPECT_DOUBLE_EQ(twice.Texts[0].Width, 31.75);
}

TEST(GraffitiJww, PenStateAndEmptyLayer) {
    GraffitiStore s;
    EXPECT_EQ(ExportGraffitiText(s, 100, 1), "");
    std::vector<uint8_t> block;
    ASSERT_TRUE(BuildImagePathBlock("^@BMx.jpg,1,1", &s, At254(), 0.0, block));
    JwContent c = ReadBlock(block);
    EXPECT_EQ(c.Count, 1u);
    EXPECT_EQ(c.RefX, 0.0);
    EXPECT_EQ(c.RefY, 0.0);
    EXPECT_EQ(c.Scale, 100.0);
    ASSERT_TRUE(BuildImagePathBlock("^@BMx.jpg,1,1", nullptr, At254(), 0.0, block));
    EXPECT_EQ(ReadBlock(block).Count, 1u);

    // Two solid width-3 lines state their colour and type once.
    s.RestoreLine(Shape(3, 0, 0, 10, 100, 10));
    s.RestoreLine(Shape(3, 0, 0, 20, 100, 20));
    EXPECT_EQ(ExportGraffitiText(s, 100, 1),
              "lc 3\r\nlt 1\r\n0.000000 -2.540000 25.400000 -2.540000\r\n"
              "0.000000 -5.080000 25.400000 -5.080000\r\n");

    // Widths and styles past the tables: a first width of 0 needs no colour, a negative one
    // is the thinnest, and an unknown style draws solid.
    s.Clear();
    const int32_t widths[] = {0, 9, -4, 7, 100};
    const uint32_t styles[] = {4, 3, 2, 15, 9};
    for (int i = 0; i < 5; ++i) s.RestoreLine(Shape(widths[i], styles[i], 0, 0, 125, 0));
    std::string text = ExportGraffitiText(s, 100, 1);
    EXPECT_EQ(text.find("lc "), text.find("lc 8"));
    const JwContent t = ReadText(text);
    ASSERT_EQ(t.Lines.size(), 5u);
    const int colours[] = {1, 8, 1, 7, 8}, types[] = {7, 5, 2, 1, 1};
    ASSERT_TRUE(BuildImagePathBlock("", &s, At254(), 0.0, block));
    c = ReadBlock(block);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(t.Lines[size_t(i)].Colour, i == 0 ? 1 : colours[i]) << i;
        EXPECT_EQ(t.Lines[size_t(i)].Type, types[i]) << i;
        EXPECT_EQ(c.Lines[size_t(i)].Colour, colours[i]) << i;
        EXPECT_EQ(c.Lines[size_t(i)].Type, types[i]) << i;
    }
    EXPECT_DOUBLE_EQ(c.RefX, 6.25);

    // The metafile copy keeps what meets its rectangle: the first golden line alone.
    const auto layer = GoldenLayer();
    std::vector<uint8_t> room(GraffitiRecordBytesBound(*layer));
    JwBlockWriter f(room.data(), room.size());
    JwExtent none;
    ASSERT_TRUE(AppendGraffitiRecords(f, *layer, At254(), none, GraffitiImageRect{40, 0, 20, 20}));
    EXPECT_EQ(f.ObjectCount(), 4u);  // the line, its circle and two arrow sides
    EXPECT_DOUBLE_EQ(none.MaxY, -0.1);
}

// Fonts and texts are whatever a .trd file holds: each row still makes one "ch" command and a
// font one "cn" command, so nothing in them can end a line early or add a command.
TEST(GraffitiJww, ControlBytesStayInsideTheirCommand) {
    GraffitiStore s;
    s.RestoreText(Text(0, 0, 0, 100, 100, 0, 0, "F>\r\nlc 8\r\ncn\"$<G", "a\rb\r\n\x1A\x95\n\t\x82\xA0"));
    s.RestoreText(Text(0, 0, 0, 100, 100, 0, 0, kGothic, "one\r\ntwo"));
    const std::string text = ExportGraffitiText(s, 100, 1);
    EXPECT_NE(text.find("cn\"$<F>  lc 8  cn\"$<G>\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"a b \r\n"), std::string::npos);
    EXPECT_NE(text.find("\"   \r\n"), std::string::npos) << "end of file and a lead byte before LF";
    EXPECT_NE(text.find("\" \x82\xA0 \r\n"), std::string::npos) << "a whole character is kept";
    EXPECT_NE(text.find("cn\"$<ＭＳ ゴシック>\r\ncn0 "), std::string::npos);
    const JwContent c = ReadText(text);
    ASSERT_EQ(c.Texts.size(), 5u);
    EXPECT_EQ(c.Texts[0].Font, "F>  lc 8  cn\"$<G");
    EXPECT_EQ(c.Texts[2].Text, " \x82\xA0");
    EXPECT_EQ(c.Texts[3].Text, "one");
    EXPECT_EQ(c.Texts[4].Text, "two");
    EXPECT_EQ(c.Texts[4].Font, kGothic);
    EXPECT_EQ(c.Lines.size() + c.Points.size() + c.Ellipses.size(), 0u);

    // The reader takes no control byte inside a line either, so --check refuses such a file.
    const std::string lone = "cn\"$<F\rG>\r\n";
    JwContent d;
    EXPECT_NE(ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(lone.data()), lone.size(), d), "");
}

TEST(GraffitiJww, PaperValuesAndImagePathText) {
    // Centimetres: at a resolution, or the width, height or longer side made WIDTH mm.
    EXPECT_DOUBLE_EQ(JwwPaperValue(200, 200, 0, 0, 0, 0), 2.54);
    EXPECT_DOUBLE_EQ(JwwPaperValue(200, 0, 0, 0, 0, 0), 5.08);  // no resolution counts as 100
    EXPECT_DOUBLE_EQ(JwwPaperValue(400, 0, 1, 125, 800, 1600), 6.25);
    EXPECT_DOUBLE_EQ(JwwPaperValue(400, 0, 2, 125, 800, 1600), 3.125);
    EXPECT_DOUBLE_EQ(JwwPaperValue(400, 0, 3, 125, 800, 1600), 3.125);
    EXPECT_DOUBLE_EQ(JwwPaperValue(400, 0, 3, 125, 0, -5), 50.0);
    EXPECT_EQ(JwwPaperValue(400, 0, 4, 125, 800, 800), 0.0);

    double w, h;
    ASSERT_TRUE(ImagePaperSize(0, 1000, 500, 200, 125, w, h));
    EXPECT_DOUBLE_EQ(w, 127.0);
    EXPECT_DOUBLE_EQ(h, 63.5);
    ASSERT_TRUE(ImagePaperSize(3, 400, 800, 600, 125, w, h));
    EXPECT_DOUBLE_EQ(w, 62.5);
    EXPECT_DOUBLE_EQ(h, 125.0);
    ASSERT_TRUE(ImagePaperSize(3, 800, 400, 600, 125, w, h));
    EXPECT_DOUBLE_EQ(h, 62.5);
    ASSERT_TRUE(ImagePaperSize(3, 300, 300, 600, 125, w, h));
    EXPECT_DOUBLE_EQ(w, 125.0);
    EXPECT_DOUBLE_EQ(h, 125.0);
    EXPECT_FALSE(ImagePaperSize(4, 400, 300, 600, 100, w, h));
    EXPECT_FALSE(ImagePaperSize(1, 0, 300, 600, 100, w, h));

    ImagePathSettings s = SanitizeImagePathSettings(" 2000 ", "10000", "1", "1000");
    EXPECT_EQ(s.Dpi, 2000);
    EXPECT_EQ(s.Scale, 10000);
    EXPECT_EQ(s.JwScale, 1);
    EXPECT_EQ(s.WidthMm, 1000);
    s = SanitizeImagePathSettings("99", "0", "10001", "125mm");
    EXPECT_EQ(s.Dpi, 600);
    EXPECT_EQ(s.Scale, 1);
    EXPECT_EQ(s.JwScale, 1);
    EXPECT_EQ(s.WidthMm, 125);

    ImagePathParts p;
    p.Drive = "C:", p.Directory = "\\図面\\表\\", p.BaseName = "写真", p.Extension = ".bmp";
    p.FullPath = "C:\\図面\\表\\写真.bmp", p.Background = "背景.png";
    std::string out;
    const auto text = [&](ImagePathSource source, bool absolute) {
        EXPECT_TRUE(BuildImagePathText(source, absolute, p, 127.0, 63.5, out));
        return out;
    };
    EXPECT_EQ(text(ImagePathSource::DisplayImage, true), "^@BMC:\\図面\\表\\写真_memo.jpg,127.000000,63.500000");
    EXPECT_EQ(text(ImagePathSource::DisplayImage, false), "^@BM写真_memo.jpg,127.000000,63.500000");
    EXPECT_EQ(text(ImagePathSource::OriginalImage, true), "^@BMC:\\図面\\表\\写真.bmp,127.000000,63.500000");
    EXPECT_EQ(text(ImagePathSource::OriginalImage, false), "^@BM写真.bmp,127.000000,63.500000");
    EXPECT_EQ(text(ImagePathSource::GraffitiFile, true), "^@BMC:\\図面\\表\\背景.png,127.000000,63.500000");
    EXPECT_EQ(text(ImagePathSource::GraffitiFile, false), "^@BM背景.png,127.000000,63.500000");

    // Refused whole, never cut: the limit holds, one byte past it does not.
    const std::string longName(kImagePathTextLimit - std::string("^@BM,127.000000,63.500000").size(), 'a');
    p.FullPath = longName;
    EXPECT_EQ(text(ImagePathSource::OriginalImage, true).size(), kImagePathTextLimit);
    const std::string tooLong = longName + "b";
    p.FullPath = tooLong;
    EXPECT_FALSE(BuildImagePathText(ImagePathSource::OriginalImage, true, p, 127.0, 63.5, out));
    EXPECT_TRUE(out.empty());
    // So is a name with a control byte or half a character: blanked, it would name another file.
    for (const char* bad : {"a\r\nb.jpg", "a\x1A.jpg", "a\x95"}) {
        p.FullPath = bad;
        EXPECT_FALSE(BuildImagePathText(ImagePathSource::OriginalImage, true, p, 127.0, 63.5, out)) << bad;
    }
    // A text too long for one record leaves no block.
    std::vector<uint8_t> block{1, 2, 3};
    EXPECT_FALSE(BuildImagePathBlock(std::string(0xFFFF, 'a'), nullptr, At254(), 1.0, block));
    EXPECT_TRUE(block.empty());
}

TEST(GraffitiJww, DegenerateLayersStayFinite) {
    auto s = std::make_unique<GraffitiStore>();
    const uint32_t ends = kStartCircle | kStartArrow | kEndCircle | kEndArrow | 63u << 24 | 63u << 16;
    s->RestoreLine(Shape(5, ends | 15, 30, 40, 30, 40));  // no length: circles, no heads
    s->RestoreLine(Shape(100, ends, -30000, -30000, 30000, 30000));
    s->RestoreLine(Shape(INT_MAX, ends, INT_MIN, INT_MAX, INT_MAX, INT_MIN));
    s->RestoreLine(Shape(-7, ends, 0, 0, 1, 0));
    s->RestoreEllipse(Shape(3, 0, 50, 0, 50, 200));  // no width: drawn as its line
    s->RestoreEllipse(Shape(3, 0, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    // A leader tip on the underline's start: no head. Frames and texts past the tables.
    s->RestoreText(Text(kFrameLeader, 10, 20, 60, 80, 10, 80, kGothic, "A\r\nB"));
    s->RestoreText(Text(kFrameRound, 5, 5, 5, 5, 5, 5, "", ""));
    s->RestoreText(Text(9, -30000, 30000, 30000, -30000, 0, 0, kGothic, "x"));
    s->RestoreText(Text(kFrameLeader, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MIN, kGothic, "\n\n"));

    const std::string text = ExportGraffitiText(*s, 100, 1);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    JwContent c = ReadText(text);
    EXPECT_EQ(c.Lines.size(), 4u + 1 + 4 + 2 + 4);  // lines, flat ellipse, round frame, leaders, one head
    EXPECT_EQ(ReadText(ExportGraffitiText(*s, 1, 10000)).Ellipses.size(), 1u + 4);

    GraffitiRecordSettings settings;
    for (int mode = 0; mode <= 4; ++mode) {
        for (int dpi : {0, -1, 1, INT_MAX}) {
            for (int side : {0, 1, INT_MAX}) {
                settings.Dpi = dpi, settings.SizeMode = mode, settings.WidthMm = side == 1 ? 0 : INT_MAX;
                settings.ImageWidth = side, settings.ImageHeight = side == 1 ? INT_MAX : side;
                std::vector<uint8_t> block;
                ASSERT_TRUE(BuildImagePathBlock("^@BMa.jpg,1,1", s.get(), settings, 1.0, block));
                // The reader refuses any value that is not finite.
                c = ReadBlock(block);
                // The path; 1 + 2 circles; 3 x (1 + 2 circles + 4 sides); 2 ellipses; a headless
                // leader and 2 rows; a rounded frame and 1 row; 1 row; a leader and 3 rows. When
                // every paper value is 0 no line has a direction for its heads.
                const bool flat = mode == 4 || (mode > 0 && settings.WidthMm == 0);
                EXPECT_EQ(c.Count, 1u + 3 + 3 * 7 + 2 + 4 + 9 + 1 + 7 - (flat ? 14 : 0))
                    << mode << " " << dpi << " " << side;
            }
        }
    }
}

TEST(GraffitiJww, FullLayerStaysInsideItsBound) {
    auto s = std::make_unique<GraffitiStore>();
    const uint32_t ends = kStartCircle | kStartArrow | kEndCircle | kEndArrow | 63u << 24 | 63u << 16;
    for (int i = 0; i < GraffitiStore::kMaxLines; ++i) s->RestoreLine(Shape(100, ends, i, 0, i + 7, 900));
    for (int i = 0; i < GraffitiStore::kMaxEllipses; ++i) s->RestoreEllipse(Shape(1, 0, i, 0, i + 50, 30));
    // Texts of 301 bytes: all line feeds (the most rows) or long Shift-JIS rows, every frame.
    std::string feeds(kTextBytes - 1, '\n'), rows;
    while (rows.size() + 10 < kTextBytes) rows += "表示ソフト\r\n";
    rows.resize(kTextBytes - 1, 'x');
    for (int i = 0; i < GraffitiStore::kMaxTexts; ++i)
        s->RestoreText(Text(uint32_t(1 + i % 3), 0, i, 400, i + 300, 500, 900, kGothic,
                            (i % 2 ? feeds : rows).c_str()));

    const size_t bound = GraffitiRecordBytesBound(*s);
    std::vector<uint8_t> room(bound);
    JwBlockWriter w(room.data(), room.size());
    JwExtent extent;
    ASSERT_TRUE(AppendGraffitiRecords(w, *s, At254(), extent));
    EXPECT_LE(w.Size(), bound);
    EXPECT_GT(w.Size(), bound * 3 / 4);  // a bound, not a guess
    // One byte short, the writer stops and says so (ASan watches the edge).
    JwBlockWriter shortOne(room.data(), w.Size() - 1);
    EXPECT_FALSE(AppendGraffitiRecords(shortOne, *s, At254(), extent));

    std::vector<uint8_t> block;
    ASSERT_TRUE(BuildImagePathBlock("^@BMa.jpg,1,1", s.get(), At254(), 1.0, block));
    const JwContent c = ReadBlock(block);
    EXPECT_EQ(c.Count, w.ObjectCount() + 1);
    EXPECT_EQ(ReadText(ExportGraffitiText(*s, 600, 100)).Texts.size(),
              100 * size_t(MeasureText(feeds).Rows + MeasureText(rows).Rows));
}
