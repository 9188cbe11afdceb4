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
    Put32(b, 34, uint32_t(stride * size_t(height)));
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

TEST(TraceInput, TakesTheTracersLimitsAndReportsEveryFailure) {
    const std::vector<uint8_t> fullBmp = Bmp(64, 64, 1, {0, 0xFFFFFF}, std::vector<std::vector<uint8_t>>(64));
    const std::vector<uint8_t> cutBmp(fullBmp.begin(), fullBmp.end() - 10);
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        int want;
    };
    const Row rows[] = {
        {"39999 columns", Bytes("P4\n39999 1\n" + std::string(5000, '\0')), kInputOk},
        {"text", Bytes("hello, world"), kInputNotImage},
        {"P4 cut short", Bytes(std::string("P4\n100 100\n") + '\0'), kInputTruncated},
        {"BMP cut short", cutBmp, kInputTruncated},
        {"40000 columns", Bytes("P4\n40000 1\n"), kInputTooLarge},
        {"20000 rows", Bytes("P1\n1 20000\n"), kInputTooLarge},
        {"grey past 512 MiB of pixels", Bytes("P5\n30000 19000\n255\n"), kInputTooLarge},
        {"P1 digit 2", Bytes("P1\n2 1\n1 2\n"), kInputCorrupt},
        {"BMP run-length", Bmp(4, 4, 8, {0, 0xFFFFFF}, std::vector<std::vector<uint8_t>>(4), false, 1), kInputUnsupported},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TraceInput in;
        in.Colour.Width = 99;
        EXPECT_EQ(ReadTraceInput(r.bytes.data(), r.bytes.size(), in), r.want);
        EXPECT_STRNE(TraceInputErrorText(r.want), "unknown error");
        if (r.want != kInputOk) {
            EXPECT_EQ(in.Colour.Width, 99) << "nothing written on failure";
        }
    }
    TraceInput grey;
    const std::vector<uint8_t> p2 = Bytes("P2\n2 1\n255\n0 128\n");
    ASSERT_EQ(ReadTraceInput(p2.data(), p2.size(), grey), kInputOk);
    EXPECT_FALSE(grey.Mono);
    EXPECT_EQ(grey.Colour.Pixels, (std::vector<uint32_t>{0, 0x808080}));
}

}  // namespace
