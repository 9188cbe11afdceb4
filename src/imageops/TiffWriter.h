// Writing a picture as an LZW-compressed TIFF ourselves: the platform's encoder leaves TIFF
// uncompressed, which makes scans several times larger than they need be.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageops/DibPixels.h"

// The LZW of TIFF: codes MSB-first, Clear 256 and EOI 257, 9 to 12 bits with the width
// growing one code early (as TIFF readers expect), and a Clear when the table is full.
// One Begin ... End run appends one strip to `out`; the encoder is reused for the next.
class LzwEncoder {
public:
    static constexpr unsigned kClear = 256, kEoi = 257;

    explicit LzwEncoder(std::vector<uint8_t>& out);
    void Begin();
    void Put(const uint8_t* data, size_t size);
    void End();

private:
    struct Slot {
        uint32_t Key;  // prefix code << 8 | byte
        uint16_t Code;
        uint16_t Generation;  // the slot is empty unless this is the table's current one
    };
    static constexpr unsigned kSlots = 1u << 14;

    void Open(size_t bytes);  // room for the codes to come
    void Close();             // the output cut back to what was written
    void Emit(unsigned code);
    void ResetTable();

    std::vector<uint8_t>& out_;
    uint8_t* cursor_ = nullptr;
    std::vector<Slot> slots_;
    uint16_t generation_ = 0;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
    int width_ = 9;
    unsigned next_ = 258;
    int prefix_ = -1;  // the string being matched, -1 before the first byte
};

// A baseline little-endian TIFF: RGB 8,8,8 in strips of about 64 KiB, LZW without predictor,
// 96 dpi. Every DibPixels depth is taken (1 and 8 bits through the palette). False for an
// empty or malformed picture, or when the file would be larger than Pixaro reads back.
bool EncodeTiff(const DibPixels& pixels, std::vector<uint8_t>& out);
