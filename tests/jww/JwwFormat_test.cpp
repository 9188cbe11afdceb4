#include "jww/JwwFormat.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

std::vector<uint8_t> Le(uint64_t v, int n) {
    std::vector<uint8_t> b;
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return b;
}
std::vector<uint8_t> LeDouble(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return Le(bits, 8);
}
void Add(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }
void Add(std::vector<uint8_t>& out, const char* text) { out.insert(out.end(), text, text + std::strlen(text)); }

std::string Printf6(double v) {
    char b[400];
    std::snprintf(b, sizeof b, "%f", v);
    return b;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

// The numbers must be the C library's "%f" to the last digit, or JWW places lines elsewhere.
TEST(JwwText, FixedMatchesPrintfAndCommandsReadBack) {
    std::mt19937_64 rng(7);
    std::vector<double> values = {0.0, -0.0, -2.54, 0.0000005, 0.0000015, -0.0000004, 2.5e-7, 123456789.125,
                                  1e15, -1e22, 38.099999999999994, 12.700000000000001, 0.1 + 0.2};
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) values.push_back(wide(rng));
    for (int i = 0; i < 2000; ++i) values.push_back(std::ldexp(double(rng() >> 11), -int(rng() % 70)));
    for (double v : values) {
        std::string s;
        AppendFixed6(s, v);
        ASSERT_EQ(s, Printf6(v)) << v;
    }

    std::string text;
    AppendJwLine(text, 1, -2, 3.5, -4.25);
    AppendJwLine(text, 0, 0, 1, 1, 1);
    AppendJwLine(text, 0, 0, 1, 1, 2);
    AppendJwPoint(text, 5, -6);
    AppendJwEllipse(text, 1, 2, 3, 0.5, 30);
    AppendJwQuarterArc(text, 1, 2, 3, 2);
    text += "cc 0  \r\nlc 8\r\nlt 5\r\n";
    AppendJwFont(text, "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9");
    AppendJwTextSize(text, 2.5, 3);
    AppendJwText(text, 10, -20, "\x95\x5c abc");
    EXPECT_EQ(text,
              "1.000000 -2.000000 3.500000 -4.250000\r\n"
              "0.000000 0.000000 1.000000 1.000000 \r\n"
              "0.000000 0.000000 1.000000 1.000000  \r\n"
              "5.000000 -6.000000 \r\n"
              "ci 1.000000 2.000000 3.000000 0 360 0.500000 30.000000 \r\n"
              "ci 1.000000 2.000000 3.000000 180 270 1 0 \r\n"
              "cc 0  \r\nlc 8\r\nlt 5\r\n"
              "cn\"$<\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9>\r\n"
              "cn0 2.500000 3.000000 0 2 \r\n"
              "ch 10.000000 -20.000000 1 0 \"\x95\x5c abc \r\n");

    JwContent c;
    ASSERT_EQ(ReadJwCoordinateText(Bytes(text), text.size(), c), "");
    ASSERT_EQ(c.Lines.size(), 3u);
    EXPECT_EQ(c.Lines[0].Y2, -4.25);
    EXPECT_EQ(c.Lines[2].Blanks, 2);
    ASSERT_EQ(c.Points.size(), 1u);
    ASSERT_EQ(c.Ellipses.size(), 2u);
    EXPECT_EQ(c.Ellipses[1].Start, 180);
    ASSERT_EQ(c.Texts.size(), 1u);
    EXPECT_EQ(c.Texts[0].Text, "\x95\x5c abc");
    EXPECT_EQ(c.Texts[0].Height, 3);
    EXPECT_EQ(c.Texts[0].Colour, 8);
    EXPECT_EQ(c.MinY, -20);
    EXPECT_EQ(c.MaxX, 10);

    for (const char* bad : {"1.0 2.0 3.0 4.0\n", "1.0 2.0 3.0\r\n", "1.0 2.0 3.0 4.0   \r\n", "nan 1 2 3\r\n",
                            "ci 1 2 3 0 360 1 0\r\n", "1 2 3 4\r\nxx\r\n", "1 2 3 4", "lc x\r\n"}) {
        JwContent bad_content;
        EXPECT_NE(ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(bad), std::strlen(bad), bad_content), "")
            << bad;
    }
}

// Header forms, the class tags of a block that mixes all three classes, and the text
// length forms, byte for byte; then the block read back.
TEST(JwwBlock, GoldenBytesAndMixedClassesReadBack) {
    uint8_t header[150];
    EXPECT_EQ(WriteJwHeader(header, sizeof header, 1.5, -2, 100, 65534), 146u);
    EXPECT_EQ(header[144], 0xFE);
    EXPECT_EQ(header[145], 0xFF);
    EXPECT_EQ(WriteJwHeader(header, sizeof header, 1.5, -2, 100, 65535), 150u);
    EXPECT_EQ(std::vector<uint8_t>(header + 144, header + 150), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(header + 16, header + 24), LeDouble(100));
    EXPECT_EQ(std::vector<uint8_t>(header + 136, header + 144), LeDouble(100));
    EXPECT_EQ(WriteJwHeader(header, 149, 0, 0, 1, 65535), 0u) << "a header that does not fit is not written";

    std::vector<uint8_t> block(200000);
    JwBlockWriter w(block.data(), block.size());
    const JwPen pen{2, 7, 3};
    EXPECT_EQ(WriteJwSenRecord(w, pen, 1, 2, 3, 4), 14u + 47u);
    EXPECT_EQ(WriteJwSenRecord(w, pen, 5, 6, 7, 8), 49u);
    const std::string text255(255, 'a');
    EXPECT_EQ(WriteJwMojiRecord(w, pen, 2.5, 3, 0.5, 1, 1, 9, 1, text255), 15u + 93u + 3u + 255u);
    EXPECT_EQ(WriteJwEnkoRecord(w, pen, 10, 20, 5, 0, 360, 1, 0), 15u + 75u);
    EXPECT_EQ(WriteJwMojiRecord(w, pen, 2.5, 3, 0.5, 1, 1, 9, 1, "ab"), 2u + 93u + 1u + 2u);
    EXPECT_EQ(w.ObjectCount(), 5u);
    EXPECT_EQ(w.IndexCounter(), 8u) << "three new classes and five records";

    std::vector<uint8_t> expect;
    Add(expect, {0xFF, 0xFF, 0xBC, 0x02, 0x08, 0x00});
    Add(expect, "CDataSen");
    Add(expect, {0, 0, 0, 0, 2, 7, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x02});
    for (double v : {10.0, 20.0, 30.0, 40.0}) Add(expect, LeDouble(v));
    Add(expect, {0x01, 0x80});  // the first class written has index 1
    Add(expect, {0, 0, 0, 0, 2, 7, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x02});
    for (double v : {50.0, 60.0, 70.0, 80.0}) Add(expect, LeDouble(v));
    Add(expect, {0xFF, 0xFF, 0xBC, 0x02, 0x09, 0x00});
    Add(expect, "CDataMoji");
    Add(expect, {0, 0, 0, 0, 2, 7, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x02});
    for (double v : {10.0, 10.0, 90.0, 10.0}) Add(expect, LeDouble(v));
    Add(expect, Le(3, 4));
    for (double v : {2.5, 3.0, 0.5, 0.0}) Add(expect, LeDouble(v));
    Add(expect, {9, 0x82, 0x6c, 0x82, 0x72, 0x20, 0x96, 0xbe, 0x92, 0xa9});
    Add(expect, {0xFF, 0xFF, 0x00});
    Add(expect, text255.c_str());
    Add(expect, {0xFF, 0xFF, 0xBC, 0x02, 0x09, 0x00});
    Add(expect, "CDataEnko");
    Add(expect, {0, 0, 0, 0, 2, 7, 0, 0, 0, 3, 0, 0, 0, 0x00, 0x02});
    for (double v : {100.0, 200.0, 50.0, 0.0, 360.0, 0.0, 1.0}) Add(expect, LeDouble(v));  // ..., tilt, flatness
    Add(expect, Le(0, 4));
    Add(expect, {0x04, 0x80});  // CDataMoji got index 4: after Sen(1), two records and its own step
    ASSERT_GE(w.Size(), expect.size());
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + expect.size()), expect);

    std::vector<uint8_t> whole(146);
    WriteJwHeader(whole.data(), whole.size(), 0, 0, 50, w.ObjectCount());
    whole.insert(whole.end(), block.begin(), block.begin() + w.Size());
    whole.resize(whole.size() + 300);  // the zero tail the clipboard block keeps
    JwContent c;
    ASSERT_EQ(ReadJwBlock(whole.data(), whole.size(), c), "");
    EXPECT_EQ(c.Scale, 50);
    EXPECT_EQ(c.BlockBytesUsed, 146 + w.Size());
    ASSERT_EQ(c.Lines.size(), 2u);
    EXPECT_EQ(c.Lines[1].X2, 70);
    EXPECT_EQ(c.Lines[1].Colour, 7);
    ASSERT_EQ(c.Texts.size(), 2u);
    EXPECT_EQ(c.Texts[0].Text, text255);
    EXPECT_EQ(c.Texts[1].Text, "ab");
    ASSERT_EQ(c.Ellipses.size(), 1u);
    EXPECT_EQ(c.Ellipses[0].Flatness, 1);
    EXPECT_EQ(c.Ellipses[0].End, 360);

    // Cut anywhere, the block is refused, never read past its end.
    for (size_t cut : {size_t(0), size_t(145), size_t(146 + 20), size_t(146 + 62), 146 + w.Size() - 1}) {
        JwContent part;
        EXPECT_NE(ReadJwBlock(whole.data(), cut, part), "") << cut;
    }
}

// Past 32766 objects a class introduced late is referred to by the long tag, and a block
// of 65535 objects or more carries the long count; the reader follows both.
TEST(JwwBlock, LongIndexesAndCounts) {
    std::vector<uint8_t> block(70000 * 49 + 1000);
    JwBlockWriter w(block.data(), block.size());
    const JwPen pen;
    for (int i = 0; i < 40000; ++i) WriteJwSenRecord(w, pen, i, 0, i, 1);
    const size_t before = w.Size();
    WriteJwEnkoRecord(w, pen, 0, 0, 1, 0, 360, 1, 0);
    WriteJwEnkoRecord(w, pen, 0, 0, 2, 0, 360, 1, 0);
    std::vector<uint8_t> longTag{0xFF, 0x7F};
    Add(longTag, Le(0x80000000u | 40002u, 4));  // 40000 records, then Sen's and Enko's own steps
    const auto at = block.begin() + long(before + 15 + kJwEnkoBytes);
    EXPECT_EQ(std::vector<uint8_t>(at, at + 6), longTag);
    for (int i = 0; i < 30000; ++i) WriteJwSenRecord(w, pen, i, 0, i, 1);
    ASSERT_TRUE(w.Ok());
    std::vector<uint8_t> whole(150);
    ASSERT_EQ(WriteJwHeader(whole.data(), whole.size(), 0, 0, 1, w.ObjectCount()), 150u);
    whole.insert(whole.end(), block.begin(), block.begin() + w.Size());
    JwContent c;
    ASSERT_EQ(ReadJwBlock(whole.data(), whole.size(), c), "");
    EXPECT_EQ(c.Count, 70002u);
    EXPECT_EQ(c.Lines.size(), 70000u);
    EXPECT_EQ(c.Ellipses[1].Radius, 20);

    // A writer that runs out of room stops cleanly and says so.
    uint8_t small[100];
    JwBlockWriter tight(small, sizeof small);
    EXPECT_EQ(WriteJwSenRecord(tight, pen, 0, 0, 1, 1), 61u);
    EXPECT_EQ(WriteJwSenRecord(tight, pen, 0, 0, 1, 1), 0u);
    EXPECT_FALSE(tight.Ok());
    EXPECT_EQ(tight.Size(), 61u) << "no half record";
}
