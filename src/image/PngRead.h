// Our own PNG reader for the ifpng plug-in: GDI+ under Wine is slow and accepts files with
// broken checksums. Every colour type and depth, Adam7, transparency composited on white.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class PngStatus {
    Ok,
    NotPng,       // no PNG signature
    Broken,       // bad structure: header, chunk order, filter, compressed data
    BadChecksum,  // a chunk's CRC does not match
    Truncated,    // the file ends before the picture does
    TooLarge,     // sides or rows beyond src/base/Limits.h
    NoMemory,     // the target could not be had
    Cancelled,    // the target asked to stop
};

// What the picture becomes: 24-bit B, G, R, or 1-bit when the file is a bilevel picture in
// two greys (grey at depth 1, or a two-grey palette at depth 1, without transparency).
struct PngLayout {
    int Width = 0, Height = 0;
    int BitCount = 24;
    uint32_t Palette[2] = {};  // 0x00RRGGBB for index 0 and 1 of a 1-bit picture
    double Dpi = 0;            // from pHYs, 0 when the file gives none
};

struct PngTarget {
    virtual ~PngTarget() = default;
    // Called once, after the header and before any row; false when the memory cannot be had.
    virtual bool Begin(const PngLayout& layout) = 0;
    // Row y (0 = top) with room for Width*3 bytes or (Width+7)/8 bytes. With interlacing a row
    // is asked for again in later passes and must keep what was written.
    virtual uint8_t* Row(int y) = 0;
    // Called now and then with rows done so far out of `total`; false stops the read.
    virtual bool Continue(int done, int total) { return true; }
};

PngStatus ReadPng(const uint8_t* data, size_t size, PngTarget& target);

// The whole picture in memory, rows top-down and tight (no padding); for tests and tools.
struct PngPicture : PngTarget {
    PngLayout Layout;
    size_t Stride = 0;
    std::vector<uint8_t> Bits;
    bool Begin(const PngLayout& layout) override;
    uint8_t* Row(int y) override { return Bits.data() + size_t(y) * Stride; }
    // 0x00RRGGBB at (x, y).
    uint32_t ColourAt(int x, int y) const;
};
