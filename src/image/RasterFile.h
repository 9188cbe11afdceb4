// BMP and PNM (PBM, PGM, PPM) pictures from untrusted bytes: the one reader behind the
// window's BMP checks, the check of plug-in results, the test PBM plug-in and the
// command-line tracer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/ByteReader.h"
#include "base/Limits.h"

enum class ImageCheck {
    Ok,
    Empty,        // no bytes at all
    NotThisType,  // the bytes are not of the type the extension names
    Truncated,    // the header promises more bytes than the file holds
    TooLarge,     // the size is beyond what Pixaro can hold
    Corrupt,      // fields that cannot describe an image
    Unsupported,  // a valid layout whose pixels only the system decodes (run-length, 16-bit, bit fields)
};

// Row pitch of a DIB; 0 on overflow.
inline uint64_t DibRowBytes(int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0 || width > (int64_t{1} << 31)) return 0;
    return (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
}

// The one gate for a picture size read from a file: both sides inside the limits and its
// rows, as a DIB of `bitCount` bits, within kMaxPixelBytes.
inline bool DibFits(int64_t width, int64_t height, int bitCount, int64_t maxWidth = kMaxImageSide,
                    int64_t maxHeight = kMaxImageSide) {
    if (width <= 0 || height <= 0 || width > maxWidth || height > maxHeight) return false;
    const uint64_t row = DibRowBytes(width, bitCount);
    return row != 0 && uint64_t(height) <= kMaxPixelBytes / row;
}

struct DibShape {
    int Width = 0;
    int Height = 0;  // always positive; TopDown tells the row order
    bool TopDown = false;
    int BitCount = 0;
    uint32_t Compression = 0;        // 0 rows; 1, 2 run-length; 3, 6 rows with bit fields
    uint32_t Colors = 0;             // palette entries
    uint32_t PaletteOffset = 0;      // from the start of the info header
    uint32_t PaletteEntryBytes = 4;  // 3 after a core header
    uint64_t RowBytes = 0;           // 4-byte aligned
    uint64_t PixelBytes = 0;         // RowBytes * Height
};

// Checks a DIB header (core, 40, 52, 56, 108 or 124 bytes) followed by its palette inside
// `headerBytes`, against `bitsBytes` of pixel data. Ok promises:
// - the depth is 1, 4, 8, 16, 24 or 32 and agrees with the compression (run-length 8 with
//   8 bits, run-length 4 with 4 bits, bit fields with 16 or 32), so a 1-bit or 24-bit
//   header always describes plain rows;
// - the header, its bit masks and its palette lie inside `headerBytes`;
// - rows (and bit fields): all PixelBytes lie inside `bitsBytes`; run-length: the coded
//   size the header gives is not 0 and lies inside `bitsBytes`, and rows are bottom-up.
// Any other header size is Corrupt. Used for BMP files and for plug-in results.
ImageCheck CheckDibHeader(const uint8_t* header, size_t headerBytes, uint64_t bitsBytes, DibShape& shape);

// The same for a .bmp file from its first `headBytes` of `fileSize` bytes: the headers and
// palette must lie in the head and before the pixel offset, the pixels (as promised above)
// after the pixel offset inside the file. A large file need not be read to be judged.
ImageCheck CheckBmpHead(const uint8_t* head, size_t headBytes, uint64_t fileSize, DibShape& shape);
inline ImageCheck CheckBmpFile(const uint8_t* bytes, size_t size, DibShape& shape) {
    return CheckBmpHead(bytes, size, size, shape);
}

// The head of a file looks like a PBM (P1 or P4, then a separator): the test plug-in's
// IsSupported.
bool IsPbmHead(const ByteReader& head);

// A BMP or PNM picture opened for decoding: BMP with plain rows of 1, 4, 8, 24 or 32 bits,
// PNM P1 to P6. Rows come top-down, one call each, in order.
class RasterReader {
public:
    // Checks the whole header, that the sides stay within the limits given, and that the
    // file holds every row (text files: at least one byte for every value).
    ImageCheck Open(const uint8_t* data, size_t size, int maxWidth = kMaxImageSide, int maxHeight = kMaxImageSide);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Mono() const { return mono_; }  // one bit a pixel: ReadMonoRow, else ReadColourRow
    // 1-bit pictures: the colour of palette index 0 or 1 as 0x00BBGGRR; PBM is white, black.
    uint32_t MonoColour(int index) const { return palette_[index & 1]; }
    // The PBM header carries the comment "# palette white-black".
    bool WhiteBlackComment() const { return whiteBlack_; }

    // The next row of a 1-bit picture: (Width + 7) / 8 bytes of palette indices, the
    // leftmost pixel in the high bit, bits past the width 0.
    ImageCheck ReadMonoRow(uint8_t* out);
    // The next row of any other picture: Width colours as 0x00BBGGRR, grey as R = G = B.
    ImageCheck ReadColourRow(uint32_t* out);

private:
    ImageCheck OpenBmp(int maxWidth, int maxHeight);
    ImageCheck OpenPnm(int maxWidth, int maxHeight);
    ImageCheck PnmNumber(uint32_t& value);
    void SkipPnmSpace();
    ByteReader BmpRow();

    ByteReader file_;
    ByteReader pixels_;  // BMP: from the pixel offset; PNM: the cursor after the header
    int format_ = 0;     // 'B' for BMP, 1 to 6 for PNM
    int width_ = 0, height_ = 0, row_ = 0;
    bool mono_ = false, whiteBlack_ = false;
    DibShape shape_;
    uint32_t maxValue_ = 1;
    uint32_t palette_[256] = {};
};
