// One fuzz body shared by the libFuzzer target and the crasher replay test: any file the
// readers accept is traced (small ones), with the mode and level taken from its last byte.
#pragma once
#include <cstddef>
#include <cstdint>

#include "vectorize/TraceInput.h"
#include "vectorize/Tracer.h"

inline void FuzzTraceInput(const uint8_t* data, size_t size) {
    TraceInput in;
    if (ReadTraceInput(data, size, in) != kInputOk) return;
    const int width = in.Mono ? in.Bits.Width : in.Colour.Width, height = in.Mono ? in.Bits.Height : in.Colour.Height;
    if (width > 512 || height > 512) return;
    if (!in.Mono) {
        in.Bits = MonoImage(in.Colour.Width, in.Colour.Height);
        for (int y = 0; y < in.Colour.Height; ++y)
            for (int x = 0; x < in.Colour.Width; ++x) in.Bits.Set(x, y, (in.Colour.At(x, y) & 0xFF) < 128);
    }
    static LineStore store(400001);
    store.CreateStore();
    const uint8_t options = data[size - 1];
    ImageRegion region;
    if (options & 0x40) region = {options & 7, (options >> 3) & 7, in.Bits.Width / 2 + 1, in.Bits.Height / 2 + 1};
    const int rc = TraceImage(in.Bits.Bits(), TraceOptionsFor(1 + options % 6, (options & 0x80) != 0, region), store);
    if (rc != kTraceDone && rc != kTraceStoreFull) __builtin_trap();
    if (store.EndpointCount() % 2 != 0) __builtin_trap();
    for (int32_t i = 1; i <= store.EndpointCount(); ++i) {
        const int32_t x = store.EndpointX(i), y = store.EndpointY(i);
        if (x < 1 || y < 1 || x > in.Bits.Width || y > in.Bits.Height) __builtin_trap();  // only real pixels
        if (!(store.LineLength(i) >= 0.0f)) __builtin_trap();                              // NaN fails too
    }
}
