// A 1-bit picture as the tracer reads it: DIB-style rows (most significant bit leftmost),
// any row stride, either row order, and which bit value is ink.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct MonoBits {
    const uint8_t* Bits = nullptr;
    int Width = 0, Height = 0;
    size_t Stride = 0;     // bytes from one row to the next, at least (Width + 7) / 8
    bool BottomUp = true;  // DIB order: the first row in memory is the lowest image row
    uint8_t InkBit = 0;    // the bit value that is ink (see InkBitFromPalette)

    bool Valid() const { return Bits && Width > 0 && Height > 0 && Stride >= (size_t(Width) + 7) / 8; }
    // Image row y, counted from the top.
    const uint8_t* Row(int y) const { return Bits + size_t(BottomUp ? Height - 1 - y : y) * Stride; }
    bool Ink(int x, int y) const { return ((Row(y)[x >> 3] >> (7 - (x & 7))) & 1) == InkBit; }
};

// The darker palette entry is ink, whichever order a file or DIB section lists them in;
// with two equally dark entries index 0 is ink.
uint8_t InkBitFromPalette(uint8_t red0, uint8_t green0, uint8_t blue0, uint8_t red1, uint8_t green1, uint8_t blue1);

// A 1-bit picture that owns its rows: top-down, 4-byte aligned rows, bit 1 = ink.
struct MonoImage {
    int Width = 0, Height = 0;
    size_t Stride = 0;
    std::vector<uint8_t> Data;

    MonoImage() = default;
    MonoImage(int width, int height)
        : Width(width), Height(height), Stride((size_t(width) + 31) / 32 * 4), Data(Stride * size_t(height)) {}
    void Set(int x, int y, bool ink) {
        uint8_t& b = Data[size_t(y) * Stride + size_t(x >> 3)];
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        b = ink ? uint8_t(b | bit) : uint8_t(b & ~bit);
    }
    bool Ink(int x, int y) const { return (Data[size_t(y) * Stride + size_t(x >> 3)] >> (7 - (x & 7))) & 1; }
    MonoBits Bits() const { return MonoBits{Data.data(), Width, Height, Stride, false, 1}; }
};
