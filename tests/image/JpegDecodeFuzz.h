// One fuzz body shared by the libFuzzer target and the crasher replay test: the whole decode
// with one thread or two, then what the window relies on for a picture it shows.
#pragma once
#include <cstdint>
#include <vector>

#include "image/ImageFormat.h"
#include "image/JpegDecode.h"

struct FuzzPixels : PixelTarget {
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    uint8_t* Allocate(int w, int h) override {
        if (w <= 0 || h <= 0 || !pixels.empty()) __builtin_trap();
        width = w;
        height = h;
        pixels.assign(size_t(w) * size_t(h) * 4, 0xAA);
        return pixels.data();
    }
};

inline void FuzzJpegDecode(const uint8_t* data, size_t size) {
    int w = 0, h = 0;
    // A forged frame of 30000 x 30000 is a legal picture: decoding it tells nothing new and
    // takes gigabytes under the sanitizers.
    if (CheckPictureFile(data, size, w, h) == ImageCheck::Ok && int64_t(w) * h > (int64_t{1} << 20)) return;
    FuzzPixels target;
    const JpegDecodeResult rc = DecodeJpeg(data, size, target, 1 + int(size % 2));
    if (rc != JpegDecodeResult::Ok) return;
    if (target.width != w || target.height != h) __builtin_trap();
    for (size_t i = 3; i < target.pixels.size(); i += 4)
        if (target.pixels[i] != 0) __builtin_trap();
}
