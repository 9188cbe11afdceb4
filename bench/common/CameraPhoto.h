// Gradients, hard-edged discs and bars, and sensor noise: a picture that compresses like a
// camera's photograph. Shared by the benchmarks that write and read 24-megapixel JPEGs.
#pragma once
#include <algorithm>
#include <cstdint>

constexpr int kCameraWidth = 6000, kCameraHeight = 4000;

// Row y as R, G, B bytes; `seed` carries the noise from row to row.
inline void CameraPhotoRow(int y, uint32_t& seed, uint8_t* rgb) {
    for (int x = 0; x < kCameraWidth; ++x, rgb += 3) {
        seed = seed * 1664525u + 1013904223u;
        const int n = int(seed >> 28) - 8;
        int r = x * 255 / kCameraWidth, g = y * 255 / kCameraHeight, b = 128 + (x / 7 + y / 5) % 100;
        const int dx = x % 1500 - 750, dy = y % 1000 - 500;
        if (dx * dx + dy * dy < 400 * 400) r = 220 - dy / 10, g = 60, b = 50 + dx / 10;
        if (x % 600 < 40) r = g = b = 30;
        rgb[0] = uint8_t(std::clamp(r + n, 0, 255));
        rgb[1] = uint8_t(std::clamp(g + n, 0, 255));
        rgb[2] = uint8_t(std::clamp(b + n, 0, 255));
    }
}
