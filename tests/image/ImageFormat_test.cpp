#include "image/ImageFormat.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(PictureCheck, ReadsJpegAndGifSizesBeforeDecoding) {
    // SOI, an APP0 segment, then SOF0 with height 480 and width 640.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xC0, 0x00, 0x11,
                                 0x08, 0x01, 0xE0, 0x02, 0x80, 0x03};
    std::vector<uint8_t> huge = jpeg;
    huge[13] = 0xEA;  // 60000 = 0xEA60
    huge[14] = 0x60;
    huge[15] = 0xEA;
    huge[16] = 0x60;
    std::vector<uint8_t> fill = jpeg;
    fill.insert(fill.begin() + 8, {0x00, 0xFF, 0xFF});
    std::vector<uint8_t> cutFrame(jpeg.begin(), jpeg.begin() + 15);
    std::vector<uint8_t> noFrame = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
    std::vector<uint8_t> cutSegment = {0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 0x00};
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0x0A, 0x00, 0x07, 0x00, 0, 0, 0};
    std::vector<uint8_t> gifShort(gif.begin(), gif.begin() + 8);
    std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
                                1, 0, 0, 0, 1, 0, 24, 0};
    bmp.resize(58);
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
        {"jpeg fill bytes before the frame", fill, ImageCheck::Ok, 640, 480},
        {"jpeg frame header cut", cutFrame, ImageCheck::Truncated, 0, 0},
        {"jpeg without frame", noFrame, ImageCheck::Corrupt, 0, 0},
        {"jpeg segment past the end", cutSegment, ImageCheck::Truncated, 0, 0},
        {"gif", gif, ImageCheck::Ok, 10, 7},
        {"gif header cut", gifShort, ImageCheck::Truncated, 0, 0},
        {"bmp", bmp, ImageCheck::Ok, 1, 1},
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
