// One fuzz body shared by the libFuzzer target and the crasher replay test: the read, and
// for a picture it takes, our writer and reader again, which must give the same pixels.
#pragma once
#include <cstdint>
#include <vector>

#include "image/PngRead.h"
#include "imageops/PngWriter.h"

struct FuzzPngPicture : PngPicture {
    int begun = 0;
    bool Begin(const PngLayout& layout) override {
        if (begun++ || layout.Width <= 0 || layout.Height <= 0) __builtin_trap();
        // A forged header of 30000 x 5000 is a legal picture: reading it tells nothing new
        // and takes gigabytes under the sanitizers.
        if (int64_t(layout.Width) * layout.Height > (int64_t{1} << 20)) return false;
        return PngPicture::Begin(layout);
    }
};

inline void FuzzPngRead(const uint8_t* data, size_t size) {
    FuzzPngPicture picture;
    if (ReadPng(data, size, picture) != PngStatus::Ok) return;
    const PngLayout& l = picture.Layout;
    if (picture.begun != 1 || (l.BitCount != 1 && l.BitCount != 24)) __builtin_trap();
    if (int64_t(l.Width) * l.Height > 4096) return;
    DibPixels pixels;
    if (!pixels.Allocate(l.Width, l.Height, l.BitCount)) __builtin_trap();
    if (l.BitCount == 1) pixels.Palette = {l.Palette[0], l.Palette[1]};
    for (int y = 0; y < l.Height; ++y)
        for (int x = 0; x < l.Width; ++x) {
            const uint32_t c = picture.ColourAt(x, y);
            uint8_t* row = pixels.Row(y);
            if (l.BitCount == 1) {
                const uint8_t bit = uint8_t(0x80 >> (x & 7));
                if (picture.Bits[size_t(y) * picture.Stride + size_t(x >> 3)] & bit) row[x >> 3] |= bit;
            } else {
                row[3 * x] = uint8_t(c), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c >> 16);
            }
        }
    std::vector<uint8_t> again;
    if (!EncodePng(pixels, again, {1, 1})) __builtin_trap();
    PngPicture back;
    if (ReadPng(again.data(), again.size(), back) != PngStatus::Ok) __builtin_trap();
    for (int y = 0; y < l.Height; ++y)
        for (int x = 0; x < l.Width; ++x)
            if (back.ColourAt(x, y) != picture.ColourAt(x, y)) __builtin_trap();
}
