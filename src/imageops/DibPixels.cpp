#include "imageops/DibPixels.h"

#include "base/Limits.h"

size_t DibPixels::StrideOf(int width, int bitCount) {
    if (width <= 0 || width > kMaxImageSide) return 0;
    if (bitCount != 1 && bitCount != 8 && bitCount != 24 && bitCount != 32) return 0;
    return ((size_t(width) * size_t(bitCount) + 31) / 32) * 4;
}

bool DibPixels::Allocate(int width, int height, int bitCount, uint8_t fill) {
    Bits.clear();
    Width = Height = BitCount = 0;
    Stride = StrideOf(width, bitCount);
    if (!Stride || height <= 0 || height > kMaxImageSide || uint64_t(Stride) * uint64_t(height) > kMaxPixelBytes)
        return false;
    Bits.assign(Stride * size_t(height), fill);
    Width = width;
    Height = height;
    BitCount = bitCount;
    return true;
}

int DibPixels::IndexAt(int x, int y) const {
    const uint8_t* row = Row(y);
    return BitCount == 1 ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x];
}

uint32_t DibPixels::ColourAt(int x, int y) const {
    const uint8_t* row = Row(y);
    switch (BitCount) {
    case 24: row += size_t(x) * 3; break;
    case 32: row += size_t(x) * 4; break;
    default: {
        size_t i = size_t(IndexAt(x, y));
        return i < Palette.size() ? Palette[i] & 0xFFFFFF : 0;
    }
    }
    return uint32_t(row[0]) | uint32_t(row[1]) << 8 | uint32_t(row[2]) << 16;
}
