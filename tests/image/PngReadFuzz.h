// One fuzz body shared by the libFuzzer target and the crasher replay test: the read as
// given, then with every chunk's CRC made right (else nearly every mutation stops at the
// first checksum), and for a picture it takes, our writer and reader again, which must
// give the same pixels.
#pragma once
#include <zlib.h>

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

// The chunks' CRCs recomputed in place, as far as whole chunks go.
inline void FixPngChecksums(std::vector<uint8_t>& b) {
    for (size_t at = 8; at + 12 <= b.size();) {
        const uint32_t length = uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
        if (length > b.size() - at - 12) return;
        const uint32_t crc = uint32_t(crc32(0, &b[at + 4], uInt(length + 4)));
        uint8_t* p = &b[at + 8 + length];
        p[0] = uint8_t(crc >> 24), p[1] = uint8_t(crc >> 16), p[2] = uint8_t(crc >> 8), p[3] = uint8_t(crc);
        at += 12 + size_t(length);
    }
}

inline void FuzzPngOnce(const uint8_t* data, size_t size) {
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

inline void FuzzPngRead(const uint8_t* data, size_t size) {
    FuzzPngOnce(data, size);
    std::vector<uint8_t> fixed(data, data + size);
    FixPngChecksums(fixed);
    FuzzPngOnce(fixed.data(), fixed.size());
}
