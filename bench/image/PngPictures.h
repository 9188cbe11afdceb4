// The pictures the PNG benchmarks save and read: a 12-megapixel camera-like photo and an A4
// drawing scanned at 400 dpi as a 1-bit picture.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "../common/CameraPhoto.h"
#include "imageops/DibPixels.h"

constexpr int kPngPhotoWidth = 4000, kPngPhotoHeight = 3000;
constexpr int kA4Width400 = 4677, kA4Height400 = 6614;

// The top left of the benchmarks' 24-megapixel camera picture, as a 24-bit DIB.
inline DibPixels PngPhoto() {
    DibPixels p;
    p.Allocate(kPngPhotoWidth, kPngPhotoHeight, 24);
    std::vector<uint8_t> rgb(size_t(kCameraWidth) * 3);
    uint32_t seed = 1;
    for (int y = 0; y < p.Height; ++y) {
        CameraPhotoRow(y, seed, rgb.data());
        uint8_t* row = p.Row(y);
        for (int x = 0; x < p.Width; ++x) {
            row[3 * x] = rgb[3 * x + 2];
            row[3 * x + 1] = rgb[3 * x + 1];
            row[3 * x + 2] = rgb[3 * x];
        }
    }
    return p;
}

// Black lines on white: a frame, a grid of thin lines, thick walls, circles and some specks,
// as a building plan is.
inline DibPixels PngDrawing() {
    DibPixels p;
    p.Allocate(kA4Width400, kA4Height400, 1, 0xFF);
    p.Palette = {0x000000, 0xFFFFFF};
    const auto ink = [&p](int x, int y) {
        if (x >= 0 && y >= 0 && x < p.Width && y < p.Height) p.Row(y)[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
    };
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            const bool frame = x < 150 || x >= p.Width - 150 || y < 150 || y >= p.Height - 150;
            const bool border = frame && (x % 150 < 6 || y % 150 < 6 || x > p.Width - 157 || y > p.Height - 157);
            const bool grid = (x % 315 < 3 || y % 315 < 3) && !frame;
            const bool wall = (x % 1260 < 24 && y > 600 && y < 5800) || (y % 1575 < 24 && x > 400 && x < 4200);
            if (border || grid || wall) ink(x, y);
        }
    for (int c = 0; c < 40; ++c) {
        const int cx = 300 + (c * 977) % 4000, cy = 300 + (c * 1531) % 6000, r = 40 + (c * 37) % 300;
        for (int a = 0; a < 6283; ++a) {
            const double t = a / 1000.0;
            for (int w = 0; w < 4; ++w) ink(cx + int((r + w) * std::cos(t)), cy + int((r + w) * std::sin(t)));
        }
    }
    uint32_t seed = 3;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        ink(int(seed >> 8) % p.Width, int(seed >> 3) % p.Height);
    }
    return p;
}
