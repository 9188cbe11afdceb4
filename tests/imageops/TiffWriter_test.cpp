#include "imageops/TiffWriter.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// A TIFF LZW reader of our own: the width grows once the next entry is 2^w - 1.
std::vector<uint8_t> LzwDecode(const std::vector<uint8_t>& in) {
    std::vector<std::vector<uint8_t>> table;
    std::vector<uint8_t> out;
    const size_t none = ~size_t(0);
    size_t width = 9, previous = none;
    for (size_t bit = 0; bit + width <= in.size() * 8;) {
        size_t code = 0;
        for (size_t i = 0; i < width; ++i, ++bit) code = code << 1 | (in[bit / 8] >> (7 - bit % 8) & 1);
        if (code == 257) return out;
        if (code == 256) {
            table.assign(258, {});
            for (int i = 0; i < 256; ++i) table[size_t(i)] = {uint8_t(i)};
            width = 9, previous = none;
            continue;
        }
        if (code > table.size() || (code == table.size() && previous == none)) break;
        std::vector<uint8_t> entry = code < table.size() ? table[code] : table[previous];
        if (code == table.size()) entry.push_back(entry[0]);
        out.insert(out.end(), entry.begin(), entry.end());
        if (previous != none && table.size() < 4096) {
            table.push_back(table[previous]);
            table.back().push_back(entry[0]);
        }
        previous = code;
        if (table.size() + 1 >= (1u << width) && width < 12) ++width;
    }
    ADD_FAILURE() << "bad code or no EOI";
    return out;
}

uint32_t Noise(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// Noise, or (photo) gradients with a little grain; paletted depths get 200 entries, so
// higher indices read as black.
DibPixels Picture(int w, int h, int bitCount, bool photo) {
    DibPixels p;
    EXPECT_TRUE(p.Allocate(w, h, bitCount));
    uint32_t seed = uint32_t(w * 31 + h);
    for (int y = 0; y < h; ++y)
        for (size_t i = 0; i < p.Stride; ++i)
            p.Row(y)[i] = uint8_t(photo ? (i / 3 * 255 / size_t(w) + size_t(y) * (i % 3 + 1)) / 2 + Noise(seed) % 9 : Noise(seed));
    for (int i = 0; bitCount <= 8 && i < 200; ++i) p.Palette.push_back(Noise(seed) & 0xFFFFFF);
    return p;
}

std::string OutputOf(const std::string& command) {
    std::string text;
    if (FILE* f = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, f)) text += buffer;
        pclose(f);
    }
    return text;
}

uint32_t Read(const std::vector<uint8_t>& f, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes; i-- > 0;) v = v << 8 | f[at + size_t(i)];
    return v;
}

}  // namespace

TEST(TiffWriter, LzwRoundTripsAcrossWidthChangesAndResets) {
    // No pair of bytes repeats, so every byte costs one code: the code count is the length.
    std::vector<uint8_t> pairs, packed;
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b) pairs.insert(pairs.end(), {uint8_t(a), uint8_t(b)});
    LzwEncoder lzw(packed);
    // The lengths whose last code (the reader's next entry) reaches 511, 1023, 2047 and the
    // full table, each with its neighbours; also runs through several table resets.
    std::vector<size_t> lengths = {0, 1, 2, 20000, pairs.size()};
    for (size_t edge : {254u, 766u, 1790u, 3836u})
        for (size_t n = edge - 3; n <= edge + 3; ++n) lengths.push_back(n);
    for (size_t n : lengths) {
        packed.clear();
        lzw.Begin();
        for (size_t at = 0, piece; at < n; at += piece) {  // in uneven pieces, as rows arrive
            piece = std::min(n - at, at % 7 + 1);
            lzw.Put(pairs.data() + at, piece);
        }
        lzw.End();
        ASSERT_EQ(LzwDecode(packed), std::vector<uint8_t>(pairs.begin(), pairs.begin() + long(n))) << n << " bytes";
    }

    std::vector<uint8_t> runs;
    for (int i = 0; i < 60000; ++i) runs.push_back(uint8_t(i / 37 % 5 * 40));
    packed.clear();
    lzw.Begin();
    lzw.Put(runs.data(), runs.size());
    lzw.End();
    EXPECT_LT(packed.size(), runs.size() / 10) << "repeats are compressed";
    EXPECT_EQ(LzwDecode(packed), runs);
}

TEST(TiffWriter, ImageMagickReadsEveryDepthExactly) {
    DibPixels bad;
    std::vector<uint8_t> file;
    EXPECT_FALSE(EncodeTiff(bad, file));
    bad = Picture(10, 3, 24, false);
    bad.Bits.pop_back();
    EXPECT_FALSE(EncodeTiff(bad, file));
    EXPECT_TRUE(file.empty());

    if (access("/usr/bin/identify", X_OK) || access("/usr/bin/compare", X_OK)) GTEST_SKIP() << "no ImageMagick";
    std::string dir = testing::TempDir() + "pixaro_tiff_XXXXXX";
    ASSERT_TRUE(mkdtemp(dir.data()));
    const std::string tif = dir + "/out.tif", ppm = dir + "/src.ppm";
    struct Case {
        int W, H, Bits;
        bool Photo;
    };
    // 600 x 400 of noise fills and resets the code table many times in each strip; rows of
    // 16000 pixels take a strip each.
    for (Case c : {Case{1, 1, 24, false}, Case{10, 3, 24, true}, Case{37, 29, 24, true}, Case{300, 200, 24, true},
                   Case{600, 400, 24, false}, Case{37, 29, 32, false}, Case{300, 200, 8, false}, Case{37, 29, 1, false},
                   Case{16000, 5, 24, true}}) {
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " at " << c.Bits << " bits");
        const DibPixels p = Picture(c.W, c.H, c.Bits, c.Photo);
        ASSERT_TRUE(EncodeTiff(p, file));

        // What readers let pass: an odd directory offset, strip arrays as SHORT, strips far
        // from 64 KiB.
        const size_t ifd = Read(file, 4, 4), rowBytes = size_t(c.W) * 3;
        EXPECT_EQ(ifd % 2, 0u);
        size_t rowsPerStrip = 0, strips[2] = {};
        for (size_t at = ifd + 2; at < ifd + 2 + 12 * Read(file, ifd, 2); at += 12) {
            const uint32_t tag = Read(file, at, 2);
            if (tag == 278) rowsPerStrip = Read(file, at + 8, 4);
            if (tag == 273 || tag == 279) strips[tag == 279] = Read(file, at + 2, 2) == 4 ? Read(file, at + 4, 4) : 0;
        }
        EXPECT_TRUE(rowsPerStrip == size_t(c.H) || rowsPerStrip == std::max<size_t>(1, 65536 / rowBytes));
        EXPECT_LE(rowsPerStrip * rowBytes, std::max<size_t>(65536, rowBytes));
        EXPECT_EQ(strips[0], (size_t(c.H) + rowsPerStrip - 1) / rowsPerStrip);
        EXPECT_EQ(strips[1], strips[0]);

        std::ofstream(tif, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        std::ofstream source(ppm, std::ios::binary);
        source << "P6\n" << c.W << " " << c.H << "\n255\n";
        for (int y = 0; y < c.H; ++y)
            for (int x = 0; x < c.W; ++x) {
                const uint32_t colour = p.ColourAt(x, y);
                source.put(char(colour >> 16)).put(char(colour >> 8)).put(char(colour));
            }
        source.close();
        // Any warning of the reader (such as unsorted tags) lands in the text.
        EXPECT_EQ(OutputOf("/usr/bin/identify -format '%C %w %h' " + tif), "LZW " + std::to_string(c.W) + " " + std::to_string(c.H));
        EXPECT_EQ(OutputOf("/usr/bin/compare -metric AE " + ppm + " " + tif + " null:"), "0");
    }
    std::remove(tif.c_str());
    std::remove(ppm.c_str());
    rmdir(dir.c_str());
}
