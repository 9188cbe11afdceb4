#include "image/ImageFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A BMP file with the given header fields and `pixelBytes` bytes of pixel data.
std::vector<uint8_t> Bmp(int32_t w, int32_t h, int bits, size_t pixelBytes, uint32_t colors = 0) {
    uint32_t palette = (bits <= 8 ? (colors ? colors : (1u << bits)) : 0) * 4;
    std::vector<uint8_t> b(14 + 40 + palette + pixelBytes);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, 14 + 40 + palette);
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(w));
    Put32(b, 22, uint32_t(h));
    Put16(b, 26, 1);
    Put16(b, 28, uint32_t(bits));
    Put32(b, 46, colors);
    return b;
}

}  // namespace

TEST(Loader, ChosenByExtensionWithoutCase) {
    EXPECT_EQ(LoaderForExtension(".BMP"), LoaderKind::Bitmap);
    EXPECT_EQ(LoaderForExtension(".Jpeg"), LoaderKind::Picture);
    EXPECT_EQ(LoaderForExtension(".gif"), LoaderKind::Picture);
    EXPECT_EQ(LoaderForExtension(".TIFF"), LoaderKind::PluginTiff);
    EXPECT_EQ(LoaderForExtension(".emf"), LoaderKind::PluginGdip);
    EXPECT_EQ(LoaderForExtension(".trd"), LoaderKind::Graffiti);
    EXPECT_EQ(LoaderForExtension(".jpgx"), LoaderKind::Unknown);
    EXPECT_EQ(LoaderForExtension(""), LoaderKind::Unknown);
    EXPECT_TRUE(IsJpegExtension(".JPG"));
    EXPECT_FALSE(IsJpegExtension(".gif"));
}

TEST(BmpCheck, RefusesWhatTheSystemLoaderMustNotSee) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        ImageCheck want;
    };
    std::vector<uint8_t> text(200, 'x');
    std::vector<uint8_t> corePalette = Bmp(4, 4, 24, 64);
    std::vector<uint8_t> badPlanes = Bmp(4, 4, 24, 64);
    Put16(badPlanes, 26, 2);
    std::vector<uint8_t> offBeyond = Bmp(4, 4, 24, 64);
    Put32(offBeyond, 10, 5000);
    const Row rows[] = {
        {"24-bit ok", Bmp(320, 240, 24, 320 * 3 * 240), ImageCheck::Ok},
        {"1-bit width 10 ok", Bmp(10, 7, 1, 4 * 7), ImageCheck::Ok},
        {"top-down ok", Bmp(10, -7, 1, 4 * 7), ImageCheck::Ok},
        {"empty", {}, ImageCheck::Empty},
        {"text", text, ImageCheck::NotThisType},
        {"half the pixels", Bmp(320, 240, 24, 320 * 3 * 120), ImageCheck::Truncated},
        {"60000 x 60000", Bmp(60000, 60000, 24, 16), ImageCheck::TooLarge},
        {"over 512 MiB", Bmp(32000, 32000, 32, 16), ImageCheck::TooLarge},
        {"zero width", Bmp(0, 5, 24, 16), ImageCheck::Corrupt},
        {"two planes", badPlanes, ImageCheck::Corrupt},
        {"7 bits", Bmp(4, 4, 7, 64), ImageCheck::Corrupt},
        {"palette of 300", Bmp(4, 4, 8, 64, 300), ImageCheck::Corrupt},
        {"pixel offset past the end", offBeyond, ImageCheck::Truncated},
        {"header cut", std::vector<uint8_t>(corePalette.begin(), corePalette.begin() + 30), ImageCheck::Truncated},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        DibShape shape;
        EXPECT_EQ(CheckBmpFile(r.bytes.data(), r.bytes.size(), shape), r.want);
    }
    // Judged from its head alone: the pixels need only lie in the file.
    std::vector<uint8_t> big = Bmp(320, 240, 24, 320 * 3 * 240);
    DibShape fromHead;
    EXPECT_EQ(CheckBmpHead(big.data(), 54, big.size(), fromHead), ImageCheck::Ok);
    EXPECT_EQ(fromHead.Width, 320);
    EXPECT_EQ(CheckBmpHead(big.data(), 54, big.size() - 1, fromHead), ImageCheck::Truncated);
    std::vector<uint8_t> mono = Bmp(10, 7, 1, 4 * 7);
    EXPECT_EQ(CheckBmpHead(mono.data(), 60, mono.size(), fromHead), ImageCheck::Truncated)
        << "the palette must be in the head read";

    DibShape shape;
    std::vector<uint8_t> topDown = Bmp(10, -7, 1, 4 * 7);
    ASSERT_EQ(CheckBmpFile(topDown.data(), topDown.size(), shape), ImageCheck::Ok);
    EXPECT_TRUE(shape.TopDown);
    EXPECT_EQ(shape.Height, 7);
    EXPECT_EQ(shape.RowBytes, 4u);
    EXPECT_EQ(shape.Colors, 2u);
}

TEST(PictureCheck, ReadsJpegAndGifSizesBeforeDecoding) {
    // SOI, an APP0 segment, then SOF0 with height 480 and width 640.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xC0, 0x00, 0x11,
                                 0x08, 0x01, 0xE0, 0x02, 0x80, 0x03};
    std::vector<uint8_t> huge = jpeg;
    huge[13] = 0xEA;  // 60000 = 0xEA60
    huge[14] = 0x60;
    huge[15] = 0xEA;
    huge[16] = 0x60;
    std::vector<uint8_t> noFrame = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
    std::vector<uint8_t> cutSegment = {0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 0x00};
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0x0A, 0x00, 0x07, 0x00, 0, 0, 0};
    std::vector<uint8_t> gifShort(gif.begin(), gif.begin() + 8);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        ImageCheck want;
        int w, h;
    };
    const Row rows[] = {
        {"jpeg", jpeg, ImageCheck::Ok, 640, 480},
        {"jpeg 60000 x 60000", huge, ImageCheck::TooLarge, 0, 0},
        {"jpeg without frame", noFrame, ImageCheck::Corrupt, 0, 0},
        {"jpeg segment past the end", cutSegment, ImageCheck::Truncated, 0, 0},
        {"gif", gif, ImageCheck::Ok, 10, 7},
        {"gif header cut", gifShort, ImageCheck::Truncated, 0, 0},
        {"png named jpg", png, ImageCheck::NotThisType, 0, 0},
        {"empty", {}, ImageCheck::Empty, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        int w = 0, h = 0;
        EXPECT_EQ(CheckPictureFile(r.bytes.data(), r.bytes.size(), w, h), r.want);
        if (r.want == ImageCheck::Ok) {
            EXPECT_EQ(w, r.w);
            EXPECT_EQ(h, r.h);
        }
    }
}

TEST(MonoRows, PitchesAndWidening) {
    struct Row {
        int width, dib, device, deviceWidth;
    };
    const Row rows[] = {{1, 4, 2, 17}, {10, 4, 2, 17}, {16, 4, 2, 17}, {17, 4, 4, 17},
                        {20, 4, 4, 20}, {32, 4, 4, 32}, {33, 8, 6, 49}, {48, 8, 6, 49}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.width);
        EXPECT_EQ(MonoDibPitch(r.width), r.dib);
        EXPECT_EQ(MonoDevicePitch(r.width), r.device);
        EXPECT_EQ(MonoDeviceWidth(r.width), r.deviceWidth);
        // The widened bitmap's device pitch must equal the DIB pitch, or rows shear.
        EXPECT_EQ(MonoDevicePitch(MonoDeviceWidth(r.width)), r.dib);
    }
    EXPECT_EQ(MonoInversionMask(0), 0x00);
    EXPECT_EQ(MonoInversionMask(0xFF), 0xFF);
}

TEST(MonoRows, FlipInvertAndPadAsPaper) {
    // Width 10: two data bytes a row (the second holds 2 pixels), two padding bytes.
    for (int height : {1, 2, 3, 4}) {
        for (uint8_t mask : {uint8_t(0x00), uint8_t(0xFF)}) {
            SCOPED_TRACE(testing::Message() << "height " << height << " mask " << int(mask));
            std::vector<uint8_t> bits(size_t(4 * height));
            for (int r = 0; r < height; ++r) {
                bits[size_t(4 * r)] = uint8_t(0x10 + r);
                bits[size_t(4 * r + 1)] = 0x40;  // pixel 8 set, pixel 9 clear, padding clear
            }
            std::vector<uint8_t> flipped = bits;
            FlipMonoRows(flipped.data(), 10, height, mask, true);
            for (int r = 0; r < height; ++r) {
                const uint8_t* row = &flipped[size_t(4 * r)];
                EXPECT_EQ(row[0], uint8_t((0x10 + (height - 1 - r)) ^ mask)) << "row " << r;
                EXPECT_EQ(row[1] & 0xC0, (0x40 ^ mask) & 0xC0) << "real pixels keep their value";
                EXPECT_EQ(row[1] & 0x3F, 0x3F) << "padding bits are paper";
                EXPECT_EQ(row[2], 0xFF);
                EXPECT_EQ(row[3], 0xFF);
            }
            std::vector<uint8_t> topDown = bits;
            FlipMonoRows(topDown.data(), 10, height, mask, false);
            for (int r = 0; r < height; ++r)
                EXPECT_EQ(topDown[size_t(4 * r)], uint8_t((0x10 + r) ^ mask)) << "top-down rows stay in place";
        }
    }
}
