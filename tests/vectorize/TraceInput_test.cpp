#include "vectorize/TraceInput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + size_t(k)] = uint8_t(v >> (8 * k));
}

// A BMP with a 40-byte header; `rows` are top-down and padded here to 4 bytes.
std::vector<uint8_t> Bmp(int width, int height, int bitCount, const std::vector<uint32_t>& palette,
                         const std::vector<std::vector<uint8_t>>& rows, bool topDown = false, uint32_t compression = 0) {
    const size_t stride = (size_t(width) * size_t(bitCount) + 31) / 32 * 4;
    const size_t offBits = 14 + 40 + palette.size() * 4;
    std::vector<uint8_t> b(offBits + stride * size_t(height), 0);
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(offBits));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(width));
    Put32(b, 22, uint32_t(topDown ? -height : height));
    b[26] = 1;
    b[28] = uint8_t(bitCount);
    Put32(b, 30, compression);
    Put32(b, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) Put32(b, 54 + 4 * i, palette[i]);
    for (int y = 0; y < height; ++y) {
        const size_t row = size_t(topDown ? y : height - 1 - y);
        for (size_t k = 0; k < rows[size_t(y)].size(); ++k) b[offBits + row * stride + k] = rows[size_t(y)][k];
    }
    return b;
}

std::string InkOf(const MonoImage& m) {
    std::string s;
    for (int y = 0; y < m.Height; ++y) {
        for (int x = 0; x < m.Width; ++x) s += m.Ink(x, y) ? '#' : '.';
        s += '/';
    }
    return s;
}

TEST(TraceInput, ReadsBitmapsAsTheyAre) {
    const std::string want = "#../..#/";  // 3 x 2, ink top left and bottom right
    const uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Row rows[] = {
        {"P1", Bytes("P1\n3 2\n1 0 0\n0 0 1\n")},
        {"P1 packed, with a comment", Bytes("P1 # drawn by hand\n3 2\n100001")},
        {"P4", Bytes(std::string("P4\n3 2\n") + '\x80' + '\x20')},
        {"P4 with ink in the padding", Bytes(std::string("P4\n3 2\n") + '\x9F' + '\x3F')},
        {"BMP, palette black then white", Bmp(3, 2, 1, {kBlack, kWhite}, {{0x7F}, {0xDF}})},
        {"BMP, palette white then black", Bmp(3, 2, 1, {kWhite, kBlack}, {{0x80}, {0x20}})},
        {"BMP top-down", Bmp(3, 2, 1, {kWhite, kBlack}, {{0x80}, {0x20}}, true)},
        {"BMP, ink in the padding", Bmp(3, 2, 1, {kWhite, kBlack}, {{0x9F, 0xFF, 0xFF, 0xFF}, {0x3F}})},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TraceInput in;
        ASSERT_EQ(ReadTraceInput(r.bytes.data(), r.bytes.size(), in), kInputOk);
        ASSERT_TRUE(in.Mono);
        EXPECT_EQ(InkOf(in.Bits), want);
    }
}

// Colours as COLORREF values, red in the low byte, for the monochrome conversion.
TEST(TraceInput, ReadsGreyAndColourAsColours) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        std::vector<uint32_t> want;
    };
    const Row rows[] = {
        {"P2", Bytes("P2\n2 2\n255\n0 128\n255 7\n"), {0, 0x808080, 0xFFFFFF, 0x070707}},
        {"P5, 16-bit samples", Bytes(std::string("P5 2 1 65535\n") + '\xFF' + '\xFF' + '\x80' + '\x00'), {0xFFFFFF, 0x7F7F7F}},
        {"P3 red, blue", Bytes("P3\n2 1\n255\n255 0 0 0 0 255\n"), {0x0000FF, 0xFF0000}},
        {"P6 green", Bytes(std::string("P6\n1 1\n255\n") + '\x00' + '\xFF' + '\x00'), {0x00FF00}},
        {"P3 maxval 15", Bytes("P3 1 1 15 15 0 5"), {0x5500FF}},
        {"BMP 8-bit", Bmp(2, 1, 8, {0x000000, 0x123456}, {{1, 0}}), {0x563412, 0}},
        {"BMP 24-bit, blue first", Bmp(2, 1, 24, {}, {{255, 0, 0, 0, 0, 255}}), {0xFF0000, 0x0000FF}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TraceInput in;
        ASSERT_EQ(ReadTraceInput(r.bytes.data(), r.bytes.size(), in), kInputOk);
        ASSERT_FALSE(in.Mono);
        EXPECT_EQ(in.Colour.Pixels, r.want);
    }
}

TEST(TraceInput, RefusesBadFiles) {
    const std::vector<uint8_t> fullBmp = Bmp(64, 64, 1, {0, 0xFFFFFF}, std::vector<std::vector<uint8_t>>(64));
    const std::vector<uint8_t> cutBmp(fullBmp.begin(), fullBmp.end() - 10);
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        int want;
    };
    const Row rows[] = {
        {"empty", {}, kInputNotImage},
        {"text", Bytes("hello, world"), kInputNotImage},
        {"P7", Bytes("P7\n1 1\n"), kInputNotImage},
        {"P4 cut short", Bytes(std::string("P4\n100 100\n") + '\0'), kInputTruncated},
        {"P4 header cut", Bytes("P4\n100"), kInputTruncated},
        {"P1 cut short", Bytes("P1\n4 4\n0101"), kInputTruncated},
        {"P2 cut short", Bytes("P2\n3 3\n255\n1 2 3 4 5 6 7 8"), kInputTruncated},
        {"40000 columns", Bytes("P4\n40000 1\n"), kInputTooLarge},
        {"20000 rows", Bytes("P1\n1 20000\n"), kInputTooLarge},
        {"width overflows", Bytes("P4\n99999999999 1\n"), kInputCorrupt},
        {"zero width", Bytes("P4\n0 5\n"), kInputCorrupt},
        {"maxval 0", Bytes("P5\n1 1\n0\n\x01"), kInputCorrupt},
        {"sample above maxval", Bytes("P2\n1 1\n15\n16\n"), kInputCorrupt},
        {"P1 digit 2", Bytes("P1\n2 1\n1 2\n"), kInputCorrupt},
        {"BMP cut short", cutBmp, kInputTruncated},
        {"BMP run-length", Bmp(4, 4, 8, {0, 0xFFFFFF}, std::vector<std::vector<uint8_t>>(4), false, 1), kInputUnsupported},
        {"BMP 16-bit", Bmp(4, 4, 16, {}, std::vector<std::vector<uint8_t>>(4)), kInputUnsupported},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TraceInput in;
        in.Colour.Width = 99;
        EXPECT_EQ(ReadTraceInput(r.bytes.data(), r.bytes.size(), in), r.want);
        EXPECT_EQ(in.Colour.Width, 99) << "nothing written on failure";
        EXPECT_STRNE(TraceInputErrorText(r.want), "unknown error");
    }
}


}  // namespace
