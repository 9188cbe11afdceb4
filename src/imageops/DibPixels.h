// A picture's pixels in the layout of a DIB, so the glue moves them in and out with one
// GetDIBits or CreateDIBSection: rows top-down, each padded to a multiple of 4 bytes.
// 24 and 32 bits hold B, G, R (and an unused byte); 1 and 8 bits index the palette.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct DibPixels {
    int Width = 0, Height = 0, BitCount = 0;
    size_t Stride = 0;
    std::vector<uint8_t> Bits;
    std::vector<uint32_t> Palette;  // 0x00RRGGBB, as many entries as the depth indexes

    // Bytes per row, or 0 for a depth other than 1, 8, 24, 32 or a width that cannot be held.
    static size_t StrideOf(int width, int bitCount);
    // Rows filled with `fill`; false (and empty) when the size is outside the image limits.
    bool Allocate(int width, int height, int bitCount, uint8_t fill = 0);
    uint8_t* Row(int y) { return Bits.data() + size_t(y) * Stride; }
    const uint8_t* Row(int y) const { return Bits.data() + size_t(y) * Stride; }
    // The colour at (x, y) as 0x00RRGGBB, through the palette for 1 and 8 bits.
    uint32_t ColourAt(int x, int y) const;
    // The palette index of 1- and 8-bit pixels.
    int IndexAt(int x, int y) const;
};
