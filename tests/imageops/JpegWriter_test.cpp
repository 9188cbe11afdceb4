#include "imageops/JpegWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;

bool HaveImageMagick() { return std::system("command -v identify >/dev/null && command -v convert >/dev/null") == 0; }

std::string Temp(const std::string& name) { return "/tmp/pixaro_jpeg_" + std::to_string(getpid()) + "_" + name; }
struct TempFiles {
    ~TempFiles() { std::system(("rm -f " + Temp("*")).c_str()); }
};

std::string Capture(const std::string& command) {
    std::string out;
    FILE* f = popen(command.c_str(), "r");
    char buf[65536];
    for (size_t n; f && (n = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    if (f) pclose(f);
    return out;
}

std::string Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(Temp(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Temp(name);
}

// R, G, B bytes decoded by ImageMagick; empty when it complains about the data.
Bytes Decode(const std::string& path, int width, int height) {
    std::istringstream in(Capture("convert " + path + " ppm:- 2>" + Temp("err")));
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    Bytes px(size_t(w) * size_t(h) * 3);
    in.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size()));
    const bool clean = std::ifstream(Temp("err")).peek() == EOF;
    return magic == "P6" && w == width && h == height && maxval == 255 && in && clean ? px : Bytes{};
}

// Gradients, a hard-edged disc, bars and noise; or grey noise alone.
DibPixels Photo(int w, int h, bool greyNoise = false) {
    DibPixels p;
    p.Allocate(w, h, 24);
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int r = x * 255 / w, g = y * 255 / h, b = 255 - (x + y) * 255 / (w + h), n = int(seed >> 27) - 16;
            if ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < h * h / 9) r = 230, g = 40, b = 60;
            if (x % 40 < 6) r = g = b = 20;
            if (greyNoise) r = g = b = int(seed >> 24), n = 0;
            for (int c = 0; c < 3; ++c) p.Row(y)[size_t(x) * 3 + size_t(c)] = uint8_t(std::clamp((c ? c > 1 ? r : g : b) + n, 0, 255));
        }
    return p;
}

// PSNR of our file, and of ImageMagick's own file of the same pixels, quality 90 and sampling.
std::pair<double, double> PsnrBesideImageMagick(const DibPixels& src, const Bytes& jpeg) {
    std::string header = "P6\n" + std::to_string(src.Width) + " " + std::to_string(src.Height) + "\n255\n";
    Bytes ppm(header.begin(), header.end());
    for (int y = 0; y < src.Height; ++y)
        for (int x = 0; x < src.Width; ++x)
            for (int shift : {16, 8, 0}) ppm.push_back(uint8_t(src.ColourAt(x, y) >> shift));
    std::system(("convert " + Write("src.ppm", ppm) + " -sampling-factor 2x2 -quality 90 " + Temp("ref.jpg")).c_str());
    double psnr[2];
    int i = 0;
    for (const Bytes& px : {Decode(Write("ours.jpg", jpeg), src.Width, src.Height), Decode(Temp("ref.jpg"), src.Width, src.Height)}) {
        EXPECT_FALSE(px.empty()) << "decodes cleanly";
        double sum = 1e-9;
        for (size_t k = 0; k < px.size(); ++k) sum += std::pow(px[k] - double(ppm[header.size() + k]), 2);
        psnr[i++] = 10 * std::log10(255.0 * 255.0 * double(px.size()) / sum);
    }
    return {psnr[0], psnr[1]};
}

}  // namespace

TEST(JpegWriter, QualityAndFidelityAsImageMagick) {
    if (!HaveImageMagick()) GTEST_SKIP() << "identify/convert missing";
    TempFiles cleanup;
    const DibPixels src = Photo(256, 192);
    Bytes jpeg;
    for (int q : {30, 75, kJpegSaveQuality}) {
        ASSERT_TRUE(EncodeJpeg(src, q, jpeg));
        EXPECT_EQ(Capture("identify -format %Q " + Write("q.jpg", jpeg)), std::to_string(q));
    }
    const auto [ours, theirs] = PsnrBesideImageMagick(src, jpeg);
    std::printf("PSNR at quality 90: Pixaro %.3f dB, ImageMagick %.3f dB, %zu bytes\n", ours, theirs, jpeg.size());
    EXPECT_NEAR(ours, theirs, 0.5);
}

TEST(JpegWriter, MarkersStuffingAndStreaming) {
    TempFiles cleanup;
    const DibPixels src = Photo(512, 512, true);  // noise: many 0xFF bytes to stuff
    Bytes jpeg, pieces;
    ASSERT_TRUE(EncodeJpeg(src, kJpegSaveQuality, jpeg));
    // SOI, APP0 JFIF 1.01 1:1; DQT of two tables (3 = (16 * 20 + 50) / 100 first);
    // SOF0 of Y 2x2, Cb and Cr 1x1; DHT of the four tables; SOS of three components.
    EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + 26),
              (Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0xFF, 0xDB, 0, 132, 0, 3}));
    EXPECT_EQ(Bytes(jpeg.begin() + 154, jpeg.begin() + 177),
              (Bytes{0xFF, 0xC0, 0, 17, 8, 2, 0, 2, 0, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1, 0xFF, 0xC4, 1, 162}));
    EXPECT_EQ(Bytes(jpeg.begin() + 593, jpeg.begin() + 607), (Bytes{0xFF, 0xDA, 0, 12, 3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0}));
    size_t stuffed = 0, markers = 0;
    for (size_t i = 607; i + 2 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF) ++(jpeg[++i] == 0 ? stuffed : markers);
    EXPECT_GT(stuffed, 100u);
    EXPECT_EQ(markers, 0u);
    EXPECT_EQ(Bytes(jpeg.end() - 2, jpeg.end()), (Bytes{0xFF, 0xD9}));

    int calls = 0;
    ASSERT_TRUE(EncodeJpegTo(src, 90, [&](const void* d, size_t n) {
        pieces.insert(pieces.end(), static_cast<const uint8_t*>(d), static_cast<const uint8_t*>(d) + n);
        return ++calls && n <= 72 * 1024;
    }));
    EXPECT_EQ(pieces, jpeg);
    EXPECT_GT(calls, 2);
    calls = 0;
    EXPECT_FALSE(EncodeJpegTo(src, 90, [&](const void*, size_t) { return ++calls, false; }));
    EXPECT_EQ(calls, 1) << "a refused piece stops the encoder";
    DibPixels broken = src;
    broken.Bits.pop_back();
    EXPECT_FALSE(EncodeJpeg(broken, 90, jpeg));
    EXPECT_TRUE(jpeg.empty());
    EXPECT_FALSE(EncodeJpeg(DibPixels{}, 90, jpeg));

    if (!HaveImageMagick()) GTEST_SKIP() << "convert missing";
    ASSERT_TRUE(EncodeJpeg(src, kJpegSaveQuality, jpeg));
    const auto [ours, theirs] = PsnrBesideImageMagick(src, jpeg);
    std::printf("PSNR of grey noise at quality 90: Pixaro %.3f dB, ImageMagick %.3f dB\n", ours, theirs);
    EXPECT_NEAR(ours, theirs, 0.5);
}

TEST(JpegWriter, OddSizesAndDepthsDecode) {
    if (!HaveImageMagick()) GTEST_SKIP() << "convert missing";
    TempFiles cleanup;
    const int rgb[3] = {200, 80, 30};
    for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {33, 1}, {1, 40}})
        for (int depth : {1, 8, 24, 32}) {
            DibPixels p;  // the colour at index 1 or 200 of a green palette, or in every pixel
            ASSERT_TRUE(p.Allocate(w, h, depth, depth == 1 ? 0xFF : depth == 8 ? 200 : 0xAB));
            p.Palette.assign(depth == 1 ? 2 : depth == 8 ? 256 : 0, 0x00FF00);
            if (!p.Palette.empty()) p.Palette[depth == 1 ? 1 : 200] = 0xC8501E;
            for (int y = 0; y < h && depth > 8; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c) p.Row(y)[size_t(x * depth / 8 + c)] = uint8_t(rgb[2 - c]);
            Bytes jpeg;
            ASSERT_TRUE(EncodeJpeg(p, kJpegSaveQuality, jpeg));
            const Bytes px = Decode(Write("odd.jpg", jpeg), w, h);
            ASSERT_EQ(px.size(), size_t(w * h * 3)) << w << "x" << h << " depth " << depth;
            for (size_t k = 0; k < px.size(); ++k)
                ASSERT_NEAR(px[k], rgb[k % 3], 3) << w << "x" << h << " depth " << depth << " byte " << k;
        }
}
