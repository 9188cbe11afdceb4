#include "graffiti/StyleSettings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/MemoryRegistry.h"

TEST(StyleSettings, DefaultsAndRoundTrip) {
    MemoryRegistry reg;
    GraffitiAttributes a;
    DialogPosition line, word;
    LoadLineStyle(reg, a, line, 1700);
    LoadTextStyle(reg, a, word, 1650);
    EXPECT_EQ(line.X, 1700) << "missing positions put the dialog at the top right";
    EXPECT_EQ(line.Y, 0);
    EXPECT_EQ(word.X, 1650);
    EXPECT_EQ(a.LineColour, 0x000000FFu);
    EXPECT_EQ(a.Background, 0x00FFFFFFu);
    EXPECT_EQ(a.TextSize, 0x00010008u);
    EXPECT_STREQ(a.Font, "ＭＳ ゴシック");
    EXPECT_STREQ(a.Text, "ここに文字を書いてください");
    EXPECT_EQ(WeightOfIndex(SizeWeightIndex(a.TextSize)), 1);

    a.LineStyle = kStartArrow | 3;
    a.LineWidth = 7;
    a.Shadow = 0x123456;
    a.TextSize = 0x10020030;
    a.TextStyle = kFrameRound | kTextItalic;
    SetAttributeText(a, "表\r\nソn");
    SetAttributeFont(a, "ＭＳ 明朝");
    SaveLineStyle(reg, a, {10, -20});
    SaveTextStyle(reg, a, {-5, 30});
    EXPECT_EQ(reg.values["Ra_Word"].Bytes.size(), 500u);
    EXPECT_EQ(reg.values["Ra_font"].Bytes.size(), 200u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reg.values["Ra_Word"].Bytes.data())), "表\\nソn");

    GraffitiAttributes b;
    LoadLineStyle(reg, b, line, 0);
    LoadTextStyle(reg, b, word, 0);
    EXPECT_EQ(b.LineStyle, a.LineStyle);
    EXPECT_EQ(b.LineWidth, 7);
    EXPECT_EQ(b.Shadow, 0x123456u);
    EXPECT_EQ(b.TextSize, 0x10020030u);
    EXPECT_EQ(b.TextStyle, a.TextStyle);
    EXPECT_STREQ(b.Text, "表\r\nソn") << "the 0x5C trail bytes are no line breaks";
    EXPECT_STREQ(b.Font, "ＭＳ 明朝");
    EXPECT_EQ(line.X, 10);
    EXPECT_EQ(line.Y, -20);
    EXPECT_EQ(word.X, -5);
    EXPECT_EQ(word.Y, 30);

    // Stored values out of range come back within the fields; a string without its NUL
    // and longer than the record is cut on a character boundary.
    reg.Put("Ra_St03", 150);
    std::string longText(299, 'x');
    longText += "表表";
    reg.values["Ra_Word"] = {RegType::String, std::vector<uint8_t>(longText.begin(), longText.end())};
    reg.Put("Ra_sz", 0x00FFFFFF);
    LoadLineStyle(reg, b, line, 0);
    LoadTextStyle(reg, b, word, 0);
    EXPECT_EQ(b.LineWidth, 100);
    EXPECT_EQ(std::strlen(b.Text), 301u);
    EXPECT_EQ(SizeCellWidth(b.TextSize), 1000);
    EXPECT_EQ(SizeCellHeight(b.TextSize), 1000);
}

TEST(StyleSettings, LineBreakEscapes) {
    EXPECT_EQ(EscapeLineBreaks("ab\r\ncd\r\n"), "ab\\ncd\\n");
    EXPECT_EQ(UnescapeLineBreaks("ab\\ncd"), "ab\r\ncd");
    EXPECT_EQ(UnescapeLineBreaks("表n"), "表n");
    EXPECT_EQ(UnescapeLineBreaks("ソ\\n"), "ソ\r\n");
    EXPECT_EQ(UnescapeLineBreaks("a\\"), "a\\");
    EXPECT_EQ(EscapeLineBreaks("\r"), "\r");
    const std::string text = "一行目\r\n二行目\r\n表示";
    EXPECT_EQ(UnescapeLineBreaks(EscapeLineBreaks(text)), text);
}

TEST(StyleSettings, LineWidthAndStyleWord) {
    EXPECT_EQ(LineWidthFromText("150", 3), 100);
    EXPECT_EQ(LineWidthFromText("-5", 3), 0);
    EXPECT_EQ(LineWidthFromText(" 12 ", 3), 12);
    EXPECT_EQ(LineWidthFromText("abc", 3), 3);
    EXPECT_EQ(LineWidthFromText("", 3), 3);
    EXPECT_EQ(LineWidthFromText("99999999999999", 3), 100);

    LineControls c;
    c.PenStyle = 2;
    c.StartArrow = true;
    c.StartSize = 10;
    c.EndSize = 64;
    uint32_t s = LineStyleFromControls(0, c);
    EXPECT_EQ(s & kPenStyleMask, 2u);
    EXPECT_EQ(EndSizeCode(s), 63);
    EXPECT_EQ(StartSizeCode(s), 10);
    EXPECT_EQ(s & (kStartCircle | kStartArrow), kStartArrow) << "the end's size code spills into no start bit";

    c.StartSize = -3;
    c.StartCircle = true;
    c.EndArrow = true;
    c.Fill = c.Shadow = true;
    s = LineStyleFromControls(0, c);
    EXPECT_EQ(StartSizeCode(s), 0);
    EXPECT_EQ(s & (kStartCircle | kStartArrow), kStartCircle) << "the circle wins over the arrow";
    EXPECT_EQ(s & (kEndCircle | kEndArrow), kEndArrow);
    EXPECT_EQ(s & (kLineFill | kLineShadow), kLineFill | kLineShadow);

    // Unreadable size texts keep their codes; bits no control owns stay; no radio gives 0.
    LineControls none;
    uint32_t before = (5u << 24) | (7u << 16) | (1u << 5) | kEndCircle | 4;
    s = LineStyleFromControls(before, none);
    EXPECT_EQ(s, (5u << 24) | (7u << 16) | (1u << 5));
}

TEST(StyleSettings, TextStyleAndSizeWords) {
    TextControls t;
    t.Frame = kFrameLeader;
    t.Underline = t.Fill = true;
    EXPECT_EQ(TextStyleFromControls(kTextItalic | kFrameRect, t), kFrameLeader | kTextUnderline | kTextFill);
    EXPECT_EQ(TextStyleFromControls(1u << 20, {}), 1u << 20);

    const uint32_t start = 0x00010008;
    uint32_t s = TextSizeFromControls(start, 12, 24, 3, true);
    EXPECT_EQ(SizeCellWidth(s), 12);
    EXPECT_EQ(SizeCellHeight(s), 24);
    EXPECT_EQ(SizeWeightIndex(s), 3);
    EXPECT_EQ(WeightOfIndex(SizeWeightIndex(s)), 400);
    EXPECT_NE(s & kSizeFixed, 0u);

    s = TextSizeFromControls(s, 2000, 2, 7, false);
    EXPECT_EQ(SizeCellWidth(s), 1000);
    EXPECT_EQ(SizeCellHeight(s), 8);
    EXPECT_EQ(SizeWeightIndex(s), 3) << "a weight index past the list keeps the old one";
    EXPECT_EQ(s & kSizeFixed, 0u);

    // The -1 of a frame without a cell size keeps both sides; bits above 28 never move.
    uint32_t high = 0xE0000000u | TextSizeFromControls(start, 20, 30, 6, true);
    s = TextSizeFromControls(high, -1, -1, -1, true);
    EXPECT_EQ(s, high);
    s = TextSizeFromControls(high, 0, 0, 0, false);
    EXPECT_EQ(s & 0xE0000000u, 0xE0000000u);
    EXPECT_EQ(SizeCellWidth(s), 4);
    EXPECT_EQ(SizeCellHeight(s), 8);
}

TEST(StyleSettings, FixedSizeCorner) {
    // "ab\r\nc": 3 columns, 2 rows; the corner stays on its side of the first.
    int32_t x2 = 50, y2 = -50;
    FixedSizeCorner(100, 100, x2, y2, TextSizeFromControls(0, 10, 20, 0, true), "ab\r\nc");
    EXPECT_EQ(x2, 70);
    EXPECT_EQ(y2, 60);
    x2 = 200, y2 = 200;
    FixedSizeCorner(100, 100, x2, y2, TextSizeFromControls(0, 10, 20, 0, true), "ab\r\nc");
    EXPECT_EQ(x2, 130);
    EXPECT_EQ(y2, 140);

}
