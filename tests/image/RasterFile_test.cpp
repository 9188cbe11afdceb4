#include "image/RasterFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Data = std::vector<uint8_t>;

Data FromText(const std::string& s) { return Data(s.begin(), s.end()); }

void Put(Data& b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

struct BmpFields {
    int32_t w = 4, h = 4;
    int bits = 24;
    uint32_t compression = 0, colors = 0, sizeImage = 0;
    uint32_t headerSize = 40;  // 12 makes a core header
    uint32_t masks = 0;        // bytes of bit masks after a 40-byte header
    int64_t pixelBytes = -1;   // -1: every row
    uint32_t planes = 1;
};

// A BMP file; the palette is entry i = (i, i, i), the pixels a running count.
Data Bmp(const BmpFields& f) {
    const bool core = f.headerSize == 12;
    const uint32_t entry = core ? 3 : 4;
    const uint32_t entries = f.colors ? f.colors : f.bits <= 8 ? 1u << f.bits : 0;
    const uint32_t offBits = 14 + f.headerSize + f.masks + entries * entry;
    const int64_t rows = int64_t((uint64_t(f.w) * uint64_t(f.bits) + 31) / 32 * 4) * (f.h < 0 ? -f.h : f.h);
    Data b(offBits + size_t(f.pixelBytes < 0 ? rows : f.pixelBytes));
    b[0] = 'B', b[1] = 'M';
    Put(b, 2, uint32_t(b.size()), 4);
    Put(b, 10, offBits, 4);
    Put(b, 14, f.headerSize, 4);
    if (core) {
        Put(b, 18, uint32_t(f.w), 2);
        Put(b, 20, uint32_t(f.h), 2);
        Put(b, 22, f.planes, 2);
        Put(b, 24, uint32_t(f.bits), 2);
    } else {
        Put(b, 18, uint32_t(f.w), 4);
        Put(b, 22, uint32_t(f.h), 4);
        Put(b, 26, f.planes, 2);
        Put(b, 28, uint32_t(f.bits), 2);
        Put(b, 30, f.compression, 4);
        Put(b, 34, f.sizeImage, 4);
        Put(b, 46, f.colors, 4);
    }
    for (uint32_t i = 0; i < entries; ++i)
        for (uint32_t k = 0; k < 3; ++k) b[14 + f.headerSize + f.masks + i * entry + k] = uint8_t(i);
    for (size_t i = offBits; i < b.size(); ++i) b[i] = uint8_t(i - offBits);
    return b;
}

// Opens and reads every row; the first failure, or Ok and the rows as bytes (mono) or
// colours (0x00BBGGRR).
struct Decoded {
    ImageCheck rc = ImageCheck::Ok;
    int w = 0, h = 0;
    bool whiteBlack = false;
    std::vector<uint32_t> values;
};
Decoded Decode(const Data& d, int maxWidth = kMaxImageSide) {
    Decoded out;
    RasterReader r;
    if ((out.rc = r.Open(d.data(), d.size(), maxWidth)) != ImageCheck::Ok) return out;
    out.w = r.Width();
    out.h = r.Height();
    out.whiteBlack = r.WhiteBlackComment();
    for (int y = 0; y < r.Height(); ++y) {
        if (r.Mono()) {
            Data row((size_t(r.Width()) + 7) / 8);
            if ((out.rc = r.ReadMonoRow(row.data())) != ImageCheck::Ok) return out;
            out.values.insert(out.values.end(), row.begin(), row.end());
        } else {
            std::vector<uint32_t> row(size_t(r.Width()));
            if ((out.rc = r.ReadColourRow(row.data())) != ImageCheck::Ok) return out;
            out.values.insert(out.values.end(), row.begin(), row.end());
        }
    }
    return out;
}

}  // namespace

TEST(RasterLimits, OneGateForEverySize) {
    struct Row {
        const char* name;
        int64_t w, h;
        int bits;
        bool fits;
    };
    const Row rows[] = {
        {"one pixel", 1, 1, 24, true},
        {"widest side", kMaxImageSide, 1, 24, true},
        {"side past the limit", kMaxImageSide + 1, 1, 1, false},
        {"negative height", 10, -1, 24, false},
        {"512 MiB of 32-bit rows", 8192, 16384, 32, true},
        {"one row more", 8192, 16385, 32, false},
        {"largest 1-bit", kMaxImageSide, kMaxImageSide, 1, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(DibFits(r.w, r.h, r.bits), r.fits);
    }
    EXPECT_TRUE(DibFits(39999, 19999, 1, 39999, 19999)) << "a caller may allow wider pictures";
    EXPECT_FALSE(DibFits(int64_t(1) << 40, 1, 32, INT64_MAX, INT64_MAX)) << "row bytes overflow";
}

TEST(BmpHeader, OkPromisesThePixelsFit) {
    Data offBeyond = Bmp({});
    Put(offBeyond, 10, 5000, 4);
    Data offLate = Bmp({.w = 4, .h = 4, .bits = 24, .pixelBytes = 48 + 16});
    Put(offLate, 10, 14 + 40 + 17, 4);  // rows start too late to end inside the file
    const Data full = Bmp({});
    struct Row {
        const char* name;
        Data bytes;
        ImageCheck want;
    };
    const Row rows[] = {
        {"24-bit", Bmp({.w = 320, .h = 240}), ImageCheck::Ok},
        {"1-bit width 10", Bmp({.w = 10, .h = 7, .bits = 1}), ImageCheck::Ok},
        {"top-down", Bmp({.w = 10, .h = -7, .bits = 1}), ImageCheck::Ok},
        {"core header", Bmp({.bits = 8, .headerSize = 12}), ImageCheck::Ok},
        {"108-byte header", Bmp({.headerSize = 108}), ImageCheck::Ok},
        {"empty", {}, ImageCheck::Empty},
        {"text", Data(200, 'x'), ImageCheck::NotThisType},
        {"header cut", Data(full.begin(), full.begin() + 30), ImageCheck::Truncated},
        {"half the pixels", Bmp({.w = 320, .h = 240, .pixelBytes = 320 * 3 * 120}), ImageCheck::Truncated},
        {"pixel offset past the end", offBeyond, ImageCheck::Truncated},
        {"rows end past the file", offLate, ImageCheck::Truncated},
        {"60000 x 60000", Bmp({.w = 60000, .h = 60000, .pixelBytes = 16}), ImageCheck::TooLarge},
        {"zero width", Bmp({.w = 0, .h = 5, .pixelBytes = 16}), ImageCheck::Corrupt},
        {"two planes", Bmp({.planes = 2}), ImageCheck::Corrupt},
        {"7 bits", Bmp({.bits = 7, .pixelBytes = 64}), ImageCheck::Corrupt},
        {"palette of 300", Bmp({.bits = 8, .colors = 300}), ImageCheck::Corrupt},
        {"47-byte header", Bmp({.headerSize = 47}), ImageCheck::Corrupt},
        {"64-byte header", Bmp({.headerSize = 64}), ImageCheck::Corrupt},
        {"core header of 32 bits", Bmp({.bits = 32, .headerSize = 12}), ImageCheck::Corrupt},
        {"run-length 8, coded size inside", Bmp({.bits = 8, .compression = 1, .sizeImage = 10, .pixelBytes = 10}),
         ImageCheck::Ok},
        {"run-length without coded size", Bmp({.bits = 8, .compression = 1, .pixelBytes = 10}), ImageCheck::Corrupt},
        {"run-length coded size past the end", Bmp({.bits = 8, .compression = 1, .sizeImage = 11, .pixelBytes = 10}),
         ImageCheck::Truncated},
        {"run-length top-down", Bmp({.h = -4, .bits = 8, .compression = 1, .sizeImage = 2, .pixelBytes = 2}),
         ImageCheck::Corrupt},
        {"1-bit run-length 4", Bmp({.bits = 1, .compression = 2, .sizeImage = 2, .pixelBytes = 2}),
         ImageCheck::Corrupt},
        {"bit fields after the header", Bmp({.bits = 16, .compression = 3, .masks = 12}), ImageCheck::Ok},
        {"bit fields, masks cut", Bmp({.bits = 16, .compression = 3, .masks = 4, .pixelBytes = 0}),
         ImageCheck::Truncated},
        {"bit fields of 24 bits", Bmp({.bits = 24, .compression = 3, .masks = 12}), ImageCheck::Corrupt},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        DibShape shape;
        EXPECT_EQ(CheckBmpFile(r.bytes.data(), r.bytes.size(), shape), r.want);
    }

    DibShape shape;
    const Data topDown = Bmp({.w = 10, .h = -7, .bits = 1});
    ASSERT_EQ(CheckBmpFile(topDown.data(), topDown.size(), shape), ImageCheck::Ok);
    EXPECT_TRUE(shape.TopDown);
    EXPECT_EQ(shape.Height, 7);
    EXPECT_EQ(shape.RowBytes, 4u);
    EXPECT_EQ(shape.PixelBytes, 28u);
    EXPECT_EQ(shape.Colors, 2u);
    const Data fields = Bmp({.bits = 32, .compression = 6, .colors = 2, .masks = 16});
    ASSERT_EQ(CheckBmpFile(fields.data(), fields.size(), shape), ImageCheck::Ok);
    EXPECT_EQ(shape.PaletteOffset, 56u) << "the palette follows the masks";
    const Data core = Bmp({.bits = 1, .headerSize = 12});
    ASSERT_EQ(CheckBmpFile(core.data(), core.size(), shape), ImageCheck::Ok);
    EXPECT_EQ(shape.PaletteEntryBytes, 3u);
}

TEST(BmpHeader, JudgedFromTheHeadOrAsAPluginResult) {
    // The head holds the headers and palette; the pixels need only lie in the file.
    const Data big = Bmp({.w = 320, .h = 240});
    DibShape shape;
    EXPECT_EQ(CheckBmpHead(big.data(), 54, big.size(), shape), ImageCheck::Ok);
    EXPECT_EQ(shape.Width, 320);
    EXPECT_EQ(CheckBmpHead(big.data(), 54, big.size() - 1, shape), ImageCheck::Truncated);
    const Data mono = Bmp({.w = 10, .h = 7, .bits = 1});
    EXPECT_EQ(CheckBmpHead(mono.data(), 60, mono.size(), shape), ImageCheck::Truncated)
        << "the palette must be in the head read";
    const Data limit = Bmp({.w = 8192, .h = 16384, .bits = 32, .pixelBytes = 0});
    EXPECT_EQ(CheckBmpHead(limit.data(), limit.size(), limit.size() + (512u << 20), shape), ImageCheck::Ok);

    // A plug-in hands back the header block and the bits block separately.
    const Data result = Bmp({.w = 10, .h = 7, .bits = 1});
    const uint8_t* info = result.data() + 14;
    EXPECT_EQ(CheckDibHeader(info, 48, 28, shape), ImageCheck::Ok);
    EXPECT_EQ(CheckDibHeader(info, 48, 27, shape), ImageCheck::Truncated) << "bits block one byte short";
    EXPECT_EQ(CheckDibHeader(info, 47, 28, shape), ImageCheck::Truncated) << "palette cut";
    EXPECT_EQ(CheckDibHeader(info, 11, 28, shape), ImageCheck::Truncated);
}

TEST(RasterReader, ReadsPbmTextAndBinary) {
    struct Row {
        const char* name;
        std::string text;
        ImageCheck want;
        int w, h;
        std::vector<uint32_t> rows;  // row bytes, top row first
        bool whiteBlack;
    };
    const Row rows[] = {
        {"P1", "P1\n3 2\n1 0 1\n0 1 0\n", ImageCheck::Ok, 3, 2, {0xA0, 0x40}, false},
        {"P1 digits run together", "P1 3 2 101010", ImageCheck::Ok, 3, 2, {0xA0, 0x40}, false},
        {"P1 comment between values", "P1\n3 2\n1 0 # x\n1 0 1 0", ImageCheck::Ok, 3, 2, {0xA0, 0x40}, false},
        {"P4, padding bits cleared", std::string("P4\n10 2\n\xFF\xFF\x80\x7F", 12), ImageCheck::Ok, 10, 2,
         {0xFF, 0xC0, 0x80, 0x40}, false},
        {"palette comment", std::string("P4\n# palette white-black \n1 1\n\x80", 31), ImageCheck::Ok, 1, 1, {0x80},
         true},
        {"comment right after the magic", std::string("P4#x\n1 1\n\x80", 10), ImageCheck::Ok, 1, 1, {0x80}, false},
        {"P4 cut short", std::string("P4\n16 2\n\xFF\xFF\xFF", 11), ImageCheck::Truncated, 0, 0, {}, false},
        {"P4 header cut", "P4\n100", ImageCheck::Truncated, 0, 0, {}, false},
        {"P4 magic alone", "P4", ImageCheck::Truncated, 0, 0, {}, false},
        {"P1 fewer bytes than pixels", "P1\n4 4\n0101", ImageCheck::Truncated, 0, 0, {}, false},
        {"P1 ends in the last row", "P1\n2 2\n1 0 1  ", ImageCheck::Truncated, 0, 0, {}, false},
        {"P1 digit 2", "P1\n2 1\n1 2\n", ImageCheck::Corrupt, 0, 0, {}, false},
        {"no separator after the header", "P4\n1 1x", ImageCheck::Corrupt, 0, 0, {}, false},
        {"width past 32 bits", "P4\n99999999999 1\n", ImageCheck::Corrupt, 0, 0, {}, false},
        {"zero width", "P4\n0 5\n", ImageCheck::Corrupt, 0, 0, {}, false},
        {"wider than the limit", "P4\n32768 1\n", ImageCheck::TooLarge, 0, 0, {}, false},
        {"P7", "P7\n1 1\n", ImageCheck::NotThisType, 0, 0, {}, false},
        {"magic without separator", "P12 2\n", ImageCheck::NotThisType, 0, 0, {}, false},
        {"empty", "", ImageCheck::NotThisType, 0, 0, {}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Decoded d = Decode(FromText(r.text));
        ASSERT_EQ(d.rc, r.want);
        if (r.want != ImageCheck::Ok) continue;
        EXPECT_EQ(d.w, r.w);
        EXPECT_EQ(d.h, r.h);
        EXPECT_EQ(d.values, r.rows);
        EXPECT_EQ(d.whiteBlack, r.whiteBlack);
    }
    RasterReader pbm;
    const Data one = FromText("P1 1 1 1");
    ASSERT_EQ(pbm.Open(one.data(), one.size()), ImageCheck::Ok);
    EXPECT_EQ(pbm.MonoColour(0), 0xFFFFFFu) << "PBM: 0 is white";
    EXPECT_EQ(pbm.MonoColour(1), 0u);
    const Data wide = FromText("P4\n35000 1\n" + std::string(4375, '\0'));
    EXPECT_EQ(Decode(wide, 39999).rc, ImageCheck::Ok) << "the caller's wider limit";

    struct Head {
        const char* text;
        bool pbm;
    };
    for (const Head& h : {Head{"P1\n", true}, Head{"P4#", true}, Head{"P4", false}, Head{"P5\n", false},
                          Head{"BM\n", false}}) {
        SCOPED_TRACE(h.text);
        const Data d = FromText(h.text);
        EXPECT_EQ(IsPbmHead(ByteReader(d.data(), d.size())), h.pbm);
    }
}

TEST(RasterReader, ReadsGreyColourAndBmpRows) {
    Data bmp1 = Bmp({.w = 3, .h = 2, .bits = 1});  // rows in the file: bottom 0x00.., top 0x04..
    Data bmp1TopDown = Bmp({.w = 3, .h = -2, .bits = 1});
    Data missing = Bmp({.w = 2, .h = 1, .bits = 8, .colors = 1});
    missing[54] = missing[55] = missing[56] = 9;  // entry 0; the second pixel's index 1 has none
    struct Row {
        const char* name;
        Data bytes;
        ImageCheck want;
        std::vector<uint32_t> values;
    };
    const Row rows[] = {
        {"P2", FromText("P2\n2 2\n255\n0 128\n255 7\n"), ImageCheck::Ok, {0, 0x808080, 0xFFFFFF, 0x070707}},
        {"P5, 16-bit samples", FromText(std::string("P5 2 1 65535\n\xFF\xFF\x80\x00", 17)), ImageCheck::Ok,
         {0xFFFFFF, 0x7F7F7F}},
        {"P3 red, blue", FromText("P3\n2 1\n255\n255 0 0 0 0 255\n"), ImageCheck::Ok, {0x0000FF, 0xFF0000}},
        {"P6 green", FromText(std::string("P6\n1 1\n255\n\x00\xFF\x00", 14)), ImageCheck::Ok, {0x00FF00}},
        {"P3 maxval 15", FromText("P3 1 1 15 15 0 5"), ImageCheck::Ok, {0x5500FF}},
        {"BMP 1-bit, bottom-up", bmp1, ImageCheck::Ok, {0x00, 0x00}},
        {"BMP 1-bit, top-down", bmp1TopDown, ImageCheck::Ok, {0x00, 0x00}},
        {"BMP 4-bit", Bmp({.w = 4, .h = 1, .bits = 4}), ImageCheck::Ok, {0, 0, 0, 0x010101}},
        {"BMP 8-bit, missing palette entry black", missing, ImageCheck::Ok, {0x090909, 0}},
        {"BMP 24-bit, blue first", Bmp({.w = 2, .h = 1}), ImageCheck::Ok, {0x000102, 0x030405}},
        {"BMP 32-bit", Bmp({.w = 1, .h = 1, .bits = 32}), ImageCheck::Ok, {0x000102}},
        {"P2 cut short", FromText("P2\n3 3\n255\n1 2 3 4 5 6 7 8"), ImageCheck::Truncated, {}},
        {"P2 sample above maxval", FromText("P2\n1 1\n15\n16\n"), ImageCheck::Corrupt, {}},
        {"P5 maxval 0", FromText("P5\n1 1\n0\n\x01"), ImageCheck::Corrupt, {}},
        {"BMP run-length", Bmp({.bits = 8, .compression = 1, .sizeImage = 2, .pixelBytes = 2}),
         ImageCheck::Unsupported, {}},
        {"BMP 16-bit", Bmp({.bits = 16}), ImageCheck::Unsupported, {}},
        {"BMP cut short", Bmp({.pixelBytes = 47}), ImageCheck::Truncated, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const Decoded d = Decode(r.bytes);
        ASSERT_EQ(d.rc, r.want);
        if (r.want == ImageCheck::Ok) {
            EXPECT_EQ(d.values, r.values);
        }
    }
    // Distinct rows show the order: the file's last row is the top one unless top-down.
    bmp1[14 + 40 + 8] = 0xE0;
    bmp1TopDown[14 + 40 + 8] = 0xE0;
    EXPECT_EQ(Decode(bmp1).values, (std::vector<uint32_t>{0x00, 0xE0}));
    EXPECT_EQ(Decode(bmp1TopDown).values, (std::vector<uint32_t>{0xE0, 0x00}));
    RasterReader mono;
    ASSERT_EQ(mono.Open(bmp1.data(), bmp1.size()), ImageCheck::Ok);
    EXPECT_EQ(mono.MonoColour(1), 0x010101u) << "palette entries as 0x00BBGGRR";
}
