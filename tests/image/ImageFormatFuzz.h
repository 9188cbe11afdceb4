// One fuzz body shared by the libFuzzer target and the crasher replay test.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/ImageFormat.h"

inline void FuzzImageFormat(const uint8_t* data, size_t size) {
    DibShape shape;
    int w = 0, h = 0;
    CheckPictureFile(data, size, w, h);
    if (CheckBmpFile(data, size, shape) != ImageCheck::Ok) return;
    // A header that passed must describe rows that really fit after the pixel offset.
    if (shape.BitCount == 1 && shape.PixelBytes <= (1u << 20)) {
        std::vector<uint8_t> rows(size_t(shape.PixelBytes));
        uint32_t off = data[10] | (data[11] << 8) | (data[12] << 16) | (uint32_t(data[13]) << 24);
        if (off > size || size - off < shape.PixelBytes) __builtin_trap();
        std::memcpy(rows.data(), data + off, rows.size());
        FlipMonoRows(rows.data(), shape.Width, shape.Height, 0xFF, !shape.TopDown);
    }
}
