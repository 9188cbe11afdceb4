// One fuzz body shared by the libFuzzer target and the crasher replay test: every input is a
// valid 1-bit picture, traced in the "芯線" mode on one worker and on two.
//   byte 0, 1  width - 1, height - 1
//   byte 2     level 1..6 from its low bits; 0x80: a region from bytes 3..6
//   byte 3..6  region X, Y, Width, Height, which may run past the picture
//   then       the rows from the top, (width + 7) / 8 bytes each, leftmost pixel in the high
//              bit, 1 = ink; rows the input does not reach are paper
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vectorize/CentreLine.h"
#include "vectorize/Tracer.h"

inline void FuzzCentreLine(const uint8_t* data, size_t size) {
    constexpr size_t kHead = 7;
    if (size < kHead) return;
    const int width = 1 + data[0], height = 1 + data[1], level = 1 + (data[2] & 0x7F) % 6;
    MonoImage picture(width, height);
    const size_t rowBytes = (size_t(width) + 7) / 8;
    for (size_t k = kHead; k < size && (k - kHead) / rowBytes < size_t(height); ++k)
        picture.Data[(k - kHead) / rowBytes * picture.Stride + (k - kHead) % rowBytes] = data[k];
    ImageRegion region;
    int x0 = 0, y0 = 0, x1 = width, y1 = height;
    if (data[2] & 0x80) {
        region = {data[3] % width, data[4] % height, 1 + data[5], 1 + data[6]};
        x0 = region.X, y0 = region.Y, x1 = std::min(width, x0 + region.Width), y1 = std::min(height, y0 + region.Height);
    }
    static LineStore store(400001);
    std::vector<uint64_t> first;
    for (int threads : {1, 2}) {
        store.CreateStore();
        TraceOptions options = CentreOptionsFor(level, region);
        options.Threads = threads;
        if (TraceImage(picture.Bits(), options, store) != kTraceDone) __builtin_trap();
        if (store.EndpointCount() % 2 != 0) __builtin_trap();
        std::vector<uint64_t> ends;
        for (int32_t i = 1; i <= store.EndpointCount(); ++i) {
            const int32_t x = store.EndpointX(i), y = store.EndpointY(i);
            if (x <= x0 || y <= y0 || x > x1 || y > y1) __builtin_trap();  // 1-based, inside the region
            if ((i & 1) && x == store.EndpointX(i + 1) && y == store.EndpointY(i + 1)) __builtin_trap();
            if (!(store.LineLength(i) >= 0.0f) || !(store.LineWidth(i) > 0.0f)) __builtin_trap();
            ends.push_back(uint64_t(store.Position(i)) << 8 | uint64_t(store.LineWidth(i) * 2));
        }
        // The lines do not depend on the number of workers.
        if (threads == 1)
            first = std::move(ends);
        else if (ends != first)
            __builtin_trap();
    }
}
