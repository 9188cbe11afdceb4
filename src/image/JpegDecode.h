#pragma once
#include <cstddef>
#include <cstdint>
// Where decoded rows go: 32-bit BGRX (X = 0), bottom-up (the picture's last row first), rows width*4 bytes apart.
struct PixelTarget {
    virtual ~PixelTarget() = default;
    // The memory for width*height*4 bytes, or nullptr when it cannot be had.
    virtual uint8_t* Allocate(int width, int height) = 0;
};
enum class JpegDecodeResult { Ok, NotForUs, NoMemory };
// Decodes a whole JPEG file held in memory. Takes only what it reproduces faithfully (8-bit Huffman
// baseline or progressive, grey or YCbCr/RGB three components, complete up to EOI, sides within
// kMaxImageSide); everything else is NotForUs and goes to the system's loader, which keeps today's
// messages. threads > 1 spreads the colour conversion over that many threads (RunJobs, src/base/Workers.h).
// Allocate is called once, after the picture decoded, so NotForUs never leaves memory behind.
JpegDecodeResult DecodeJpeg(const uint8_t* data, size_t size, PixelTarget& target, int threads);
