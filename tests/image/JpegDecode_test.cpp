// The fast decoder against the system's libjpeg, the library under Wine's picture loader: both
// decode files libjpeg itself wrote, in every layout the decoder takes, and what it must leave
// to the system loader comes back NotForUs.
#include "image/JpegDecode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<uint8_t>;

struct Encoding {
    const char* name;
    int width = 333, height = 217;
    J_COLOR_SPACE input = JCS_RGB;
    int lumaH = 2, lumaV = 2;  // sampling of the first component; the others 1 x 1
    bool progressive = false;
    int restartRows = 0;
    bool arithmetic = false;
    bool rgbComponents = false;  // stored as RGB, not YCbCr
    bool jfif = true;
    int quality = 90;
};

struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void Trap(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1); }

int InputComponents(J_COLOR_SPACE space) { return space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3; }

// Gradients, a hard-edged disc and noise with a fixed seed: smooth areas and sharp edges.
Bytes Scene(int width, int height, int components) {
    Bytes px(size_t(width) * size_t(height) * size_t(components));
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 27) - 16;
            const int dx = x - width / 3, dy = y - height / 2;
            const bool disc = dx * dx + dy * dy < (height / 4) * (height / 4);
            const int base[4] = {disc ? 230 : x * 255 / width, disc ? 40 : y * 255 / height,
                                 disc ? 60 : 128 + (x + y) % 90, (x * y) % 200};
            for (int c = 0; c < components; ++c)
                px[(size_t(y) * size_t(width) + size_t(x)) * size_t(components) + size_t(c)] =
                    uint8_t(std::clamp(base[c] + noise, 0, 255));
        }
    return px;
}

bool Compress(const Encoding& e, const Bytes& px, Bytes& out) {
    jpeg_compress_struct info;
    ErrorTrap trap;
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    info.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = Trap;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = JDIMENSION(e.width);
    info.image_height = JDIMENSION(e.height);
    info.input_components = InputComponents(e.input);
    info.in_color_space = e.input;
    jpeg_set_defaults(&info);
    if (e.rgbComponents) jpeg_set_colorspace(&info, JCS_RGB);
    info.write_JFIF_header = e.jfif;
    jpeg_set_quality(&info, e.quality, TRUE);
    info.comp_info[0].h_samp_factor = e.lumaH;
    info.comp_info[0].v_samp_factor = e.lumaV;
    if (e.progressive) jpeg_simple_progression(&info);
    info.restart_in_rows = e.restartRows;
    info.arith_code = e.arithmetic;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(px.data() + size_t(info.next_scanline) * size_t(e.width) * size_t(info.input_components));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    out.assign(buffer, buffer + length);
    std::free(buffer);
    return true;
}

bool Encode(const Encoding& e, Bytes& out) { return Compress(e, Scene(e.width, e.height, InputComponents(e.input)), out); }

// libjpeg's default decode (islow IDCT, fancy upsampling), as BGR rows from the top.
bool ReferenceDecode(const Bytes& file, Bytes& bgr, int& width, int& height) {
    jpeg_decompress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = Trap;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    width = int(info.output_width);
    height = int(info.output_height);
    bgr.assign(size_t(width) * size_t(height) * 3, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = bgr.data() + size_t(info.output_scanline) * size_t(width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

struct VectorTarget : PixelTarget {
    Bytes pixels;
    int width = 0, height = 0, calls = 0;
    bool refuse = false;
    uint8_t* Allocate(int w, int h) override {
        ++calls;
        if (refuse) return nullptr;
        width = w;
        height = h;
        pixels.assign(size_t(w) * size_t(h) * 4, 0xAA);
        return pixels.data();
    }
};

JpegDecodeResult Decode(const Bytes& file, VectorTarget& target, int threads = 1) {
    return DecodeJpeg(file.data(), file.size(), target, threads);
}

}  // namespace

TEST(JpegDecode, AgreesWithLibjpeg) {
    const Encoding rows[] = {
        {.name = "baseline 4:2:0"},
        {.name = "baseline 4:2:2", .lumaV = 1},
        {.name = "baseline 4:4:4", .lumaH = 1, .lumaV = 1},
        {.name = "4:4:0", .lumaH = 1},
        {.name = "4:1:1", .lumaH = 4, .lumaV = 1},
        {.name = "progressive 4:2:0", .progressive = true},
        {.name = "restart every 2 MCU rows", .restartRows = 2},
        {.name = "greyscale", .input = JCS_GRAYSCALE},
        {.name = "RGB components", .lumaH = 1, .lumaV = 1, .rgbComponents = true, .jfif = false},
        {.name = "1 x 1 pixel", .width = 1, .height = 1},
        {.name = "quality 40, 17 x 9", .width = 17, .height = 9, .quality = 40},
    };
    for (const Encoding& e : rows) {
        SCOPED_TRACE(e.name);
        Bytes file, want;
        int w = 0, h = 0;
        ASSERT_TRUE(Encode(e, file));
        ASSERT_TRUE(ReferenceDecode(file, want, w, h));
        VectorTarget one, many;
        ASSERT_EQ(Decode(file, one, 1), JpegDecodeResult::Ok);
        ASSERT_EQ(Decode(file, many, 3), JpegDecodeResult::Ok);
        ASSERT_EQ(one.calls, 1);
        ASSERT_EQ(one.width, w);
        ASSERT_EQ(one.height, h);
        EXPECT_EQ(one.pixels, many.pixels);
        double sum[3] = {};
        size_t far = 0;
        int worst = 0;
        for (int y = 0; y < h; ++y) {
            const uint8_t* ours = one.pixels.data() + size_t(h - 1 - y) * size_t(w) * 4;  // bottom-up
            const uint8_t* ref = want.data() + size_t(y) * size_t(w) * 3;
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(ours[x * 4 + 3], 0);
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(ours[x * 4 + c]) - int(ref[x * 3 + c]));
                    sum[c] += d;
                    far += d > 8;
                    worst = std::max(worst, d);
                }
            }
        }
        const double samples = double(w) * double(h);
        std::printf("%-26s mean %.3f %.3f %.3f  >8 %.4f%%  max %d\n", e.name, sum[0] / samples, sum[1] / samples,
                    sum[2] / samples, 100.0 * double(far) / (3 * samples), worst);
        // Just above the worst seen: mean 0.20 (quality 40), largest difference 3.
        for (double s : sum) EXPECT_LE(s / samples, 0.25);
        EXPECT_EQ(far, 0u);
        EXPECT_LE(worst, 4);
    }
}

TEST(JpegDecode, LeavesTheRestToTheSystemLoader) {
    Encoding cmyk{"CMYK"}, arithmetic{"arithmetic coding"}, rgbJfif{"RGB components under JFIF"}, plain{"plain"};
    cmyk.input = JCS_CMYK;
    arithmetic.arithmetic = true;
    rgbJfif.rgbComponents = true;  // libjpeg reads YCbCr because of the JFIF segment, stb RGB by the ids
    Bytes cmykFile, arithmeticFile, rgbJfifFile, file;
    ASSERT_TRUE(Encode(cmyk, cmykFile));
    ASSERT_TRUE(Encode(arithmetic, arithmeticFile));
    ASSERT_TRUE(Encode(rgbJfif, rgbJfifFile));
    ASSERT_TRUE(Encode(plain, file));
    auto frameAt = [&file](uint8_t marker) {
        for (size_t i = 2; i + 1 < file.size(); ++i)
            if (file[i] == 0xFF && file[i + 1] == marker) return i;
        return size_t(0);
    };
    const size_t sof = frameAt(0xC0), sos = frameAt(0xDA);
    ASSERT_NE(sof, 0u);
    ASSERT_NE(sos, 0u);
    // libjpeg here cannot write 12-bit files; the frame header alone decides.
    Bytes twelveBit = file, lossless = file, tall = file, zeroWidth = file, padded = file, trailer = file,
          undefinedTable = file;
    twelveBit[sof + 4] = 12;
    lossless[sof + 1] = 0xC3;
    tall[sof + 5] = 0x80;  // height 0x80xx: beyond the largest side
    zeroWidth[sof + 7] = zeroWidth[sof + 8] = 0;
    undefinedTable[sos + 6] = 0x33;  // the first component's Huffman tables: number 3 was never defined
    padded.insert(padded.end(), {0, 0, 0xFF, 0});
    trailer.insert(trailer.end(), {'M', 'P', '4', 0});
    const Bytes cut(file.begin(), file.begin() + long(file.size() * 6 / 10));
    const Bytes noEoi(file.begin(), file.end() - 2);
    struct Row {
        const char* name;
        const Bytes& bytes;
        JpegDecodeResult want;
    };
    const Bytes empty, soiEoi = {0xFF, 0xD8, 0xFF, 0xD9};
    const Row rows[] = {
        {"CMYK", cmykFile, JpegDecodeResult::NotForUs},
        {"arithmetic", arithmeticFile, JpegDecodeResult::NotForUs},
        {"RGB under JFIF", rgbJfifFile, JpegDecodeResult::NotForUs},
        {"12-bit", twelveBit, JpegDecodeResult::NotForUs},
        {"lossless frame", lossless, JpegDecodeResult::NotForUs},
        {"height over the limit", tall, JpegDecodeResult::NotForUs},
        {"width 0", zeroWidth, JpegDecodeResult::NotForUs},
        {"scan with undefined tables", undefinedTable, JpegDecodeResult::NotForUs},
        {"cut at 60 %", cut, JpegDecodeResult::NotForUs},
        {"EOI missing", noEoi, JpegDecodeResult::NotForUs},
        {"data after EOI", trailer, JpegDecodeResult::NotForUs},
        {"SOI and EOI only", soiEoi, JpegDecodeResult::NotForUs},
        {"empty", empty, JpegDecodeResult::NotForUs},
        {"padding after EOI", padded, JpegDecodeResult::Ok},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        VectorTarget target;
        EXPECT_EQ(Decode(r.bytes, target), r.want);
        EXPECT_EQ(target.calls, r.want == JpegDecodeResult::Ok ? 1 : 0);
    }
}

TEST(JpegDecode, SurvivesDamagedScansAndMissingMemory) {
    for (bool progressive : {false, true}) {
        Encoding e{"damaged"};
        e.progressive = progressive;
        e.restartRows = progressive ? 0 : 1;
        Bytes file;
        ASSERT_TRUE(Encode(e, file));
        size_t scan = 0;
        for (size_t i = 2; i + 1 < file.size() && !scan; ++i)
            if (file[i] == 0xFF && file[i + 1] == 0xDA) scan = i;
        ASSERT_NE(scan, 0u);
        uint32_t seed = 7;
        for (int round = 0; round < 40; ++round) {
            SCOPED_TRACE(round);
            Bytes damaged = file;
            for (int k = 0; k < 1 + round % 8; ++k) {
                seed = seed * 1664525u + 1013904223u;
                const size_t at = scan + (seed >> 8) % (damaged.size() - 2 - scan);
                damaged[at] = round % 3 == 0 ? 0xFF : uint8_t(seed >> 3);
            }
            VectorTarget target;
            const JpegDecodeResult rc = Decode(damaged, target, 2);
            EXPECT_NE(rc, JpegDecodeResult::NoMemory);
            if (rc == JpegDecodeResult::Ok) {
                EXPECT_EQ(target.pixels.size(), size_t(e.width) * size_t(e.height) * 4);
            }
        }
    }
    Bytes file;
    ASSERT_TRUE(Encode(Encoding{"no memory"}, file));
    VectorTarget refusing;
    refusing.refuse = true;
    EXPECT_EQ(Decode(file, refusing), JpegDecodeResult::NoMemory);
    EXPECT_EQ(refusing.calls, 1);
}
