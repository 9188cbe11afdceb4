#include "image/ImageFormat.h"

#include <algorithm>
#include <cstring>

#include "base/SjisText.h"

LoaderKind LoaderForExtension(std::string_view ext) {
    struct Row {
        const char* ext;
        LoaderKind kind;
    };
    static const Row kRows[] = {
        {".bmp", LoaderKind::Bitmap},      {".jpg", LoaderKind::Picture},     {".jpeg", LoaderKind::Picture},
        {".gif", LoaderKind::Picture},     {".png", LoaderKind::PluginPng},   {".wmf", LoaderKind::PluginWmf},
        {".emf", LoaderKind::PluginGdip},  {".tif", LoaderKind::PluginTiff},  {".tiff", LoaderKind::PluginTiff},
        {".jww", LoaderKind::PluginJww},   {".jws", LoaderKind::PluginJww},   {".trd", LoaderKind::Graffiti},
    };
    for (const Row& r : kRows)
        if (SjisEqualNoCase(ext, r.ext)) return r.kind;
    return LoaderKind::Unknown;
}

bool IsJpegExtension(std::string_view ext) { return SjisEqualNoCase(ext, ".jpg") || SjisEqualNoCase(ext, ".jpeg"); }

static uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
static uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
static uint32_t Be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

uint64_t DibRowBytes(int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0 || width > (int64_t(1) << 31)) return 0;
    return ((uint64_t(width) * uint64_t(bitCount) + 31) / 32) * 4;
}

static bool SizeAllowed(int64_t w, int64_t h, int bitCount, uint64_t& rowBytes) {
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) return false;
    rowBytes = DibRowBytes(w, bitCount);
    return rowBytes != 0 && rowBytes * uint64_t(h) <= kMaxPixelBytes;
}

ImageCheck CheckDibHeader(const uint8_t* header, size_t headerBytes, uint64_t bitsBytes, DibShape& shape) {
    if (headerBytes < 12) return ImageCheck::Truncated;
    uint32_t size = Le32(header);
    DibShape s;
    int64_t w, h;
    uint32_t planes, compression = 0, used = 0, entryBytes = 4;
    if (size == 12) {  // OS/2 core header
        w = Le16(header + 4);
        h = int16_t(Le16(header + 6));
        planes = Le16(header + 8);
        s.BitCount = int(Le16(header + 10));
        entryBytes = 3;
    } else if (size >= 40 && size <= 124) {
        if (headerBytes < size) return ImageCheck::Truncated;
        w = int32_t(Le32(header + 4));
        h = int32_t(Le32(header + 8));
        planes = Le16(header + 12);
        s.BitCount = int(Le16(header + 14));
        compression = Le32(header + 16);
        used = Le32(header + 32);
    } else {
        return ImageCheck::Corrupt;
    }
    if (planes != 1) return ImageCheck::Corrupt;
    switch (s.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return ImageCheck::Corrupt;
    }
    // Compressed and bit-field layouts are left to the system loader; only their size is ours.
    if (compression > 3 && compression != 6) return ImageCheck::Corrupt;
    s.TopDown = h < 0;
    if (h < 0) h = -h;
    if (w <= 0 || h <= 0) return ImageCheck::Corrupt;
    if (!SizeAllowed(w, h, s.BitCount, s.RowBytes)) return ImageCheck::TooLarge;
    s.Width = int(w);
    s.Height = int(h);
    s.PixelBytes = s.RowBytes * uint64_t(h);
    uint32_t maxColors = s.BitCount <= 8 ? (1u << s.BitCount) : 0;
    if (used > 256) return ImageCheck::Corrupt;
    s.Colors = used != 0 ? used : maxColors;
    uint64_t masks = (size == 40 && (compression == 3 || compression == 6)) ? (compression == 3 ? 12 : 16) : 0;
    if (uint64_t(size) + masks + uint64_t(s.Colors) * entryBytes > headerBytes) return ImageCheck::Truncated;
    if (compression == 0 || compression == 3 || compression == 6) {
        if (bitsBytes < s.PixelBytes) return ImageCheck::Truncated;
    }
    shape = s;
    return ImageCheck::Ok;
}

ImageCheck CheckBmpHead(const uint8_t* head, size_t headBytes, uint64_t fileSize, DibShape& shape) {
    if (fileSize == 0) return ImageCheck::Empty;
    if (headBytes < 2 || head[0] != 'B' || head[1] != 'M') return ImageCheck::NotThisType;
    if (headBytes < 14 + 12) return ImageCheck::Truncated;
    uint32_t offBits = Le32(head + 10);
    // The headers and palette must lie in the head read; the pixels only in the file.
    if (offBits < 14 + 12 || offBits > fileSize || offBits > headBytes) return ImageCheck::Truncated;
    return CheckDibHeader(head + 14, offBits - 14, fileSize - offBits, shape);
}

ImageCheck CheckBmpFile(const uint8_t* bytes, size_t size, DibShape& shape) {
    return CheckBmpHead(bytes, size, size, shape);
}

ImageCheck CheckPictureFile(const uint8_t* bytes, size_t size, int& width, int& height) {
    if (size == 0) return ImageCheck::Empty;
    int64_t w = 0, h = 0;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {  // the picture loader also reads bitmaps
        DibShape shape;
        ImageCheck rc = CheckBmpFile(bytes, size, shape);
        if (rc != ImageCheck::Ok) return rc;
        width = shape.Width;
        height = shape.Height;
        return rc;
    }
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        size_t pos = 2;
        for (;;) {
            while (pos < size && bytes[pos] != 0xFF) ++pos;  // tolerate fill bytes between segments
            while (pos < size && bytes[pos] == 0xFF) ++pos;
            if (pos >= size) return ImageCheck::Truncated;
            uint8_t marker = bytes[pos++];
            if (marker == 0xD9 || marker == 0xDA) return ImageCheck::Corrupt;  // no frame header before the scan
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
            if (size - pos < 2) return ImageCheck::Truncated;
            uint32_t length = Be16(bytes + pos);
            if (length < 2) return ImageCheck::Corrupt;
            bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame) {
                if (length < 8 || size - pos < 7) return ImageCheck::Truncated;
                h = Be16(bytes + pos + 3);
                w = Be16(bytes + pos + 5);
                break;
            }
            if (size - pos < length) return ImageCheck::Truncated;
            pos += length;
        }
    } else {
        if (size < 6 || (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0))
            return ImageCheck::NotThisType;
        if (size < 13) return ImageCheck::Truncated;
        w = Le16(bytes + 6);
        h = Le16(bytes + 8);
    }
    uint64_t row;
    if (w <= 0 || h <= 0) return ImageCheck::Corrupt;
    if (!SizeAllowed(w, h, 32, row)) return ImageCheck::TooLarge;
    width = int(w);
    height = int(h);
    return ImageCheck::Ok;
}

uint8_t MonoInversionMask(uint8_t paletteEntry0Blue) { return paletteEntry0Blue != 0 ? 0xFF : 0x00; }
int MonoDibPitch(int width) { return ((width + 31) / 32) * 4; }
int MonoDevicePitch(int width) { return ((width + 15) / 16) * 2; }
int MonoDeviceWidth(int width) {
    return MonoDevicePitch(width) == MonoDibPitch(width) ? width : 16 * ((width + 15) / 16) + 1;
}

void FlipMonoRows(uint8_t* bits, int width, int height, uint8_t mask, bool bottomUp) {
    const size_t pitch = size_t(MonoDibPitch(width));
    if (bottomUp) {
        for (int r = 1; r <= height / 2; ++r) {
            uint8_t* a = bits + size_t(r - 1) * pitch;
            uint8_t* b = bits + size_t(height - r) * pitch;
            for (size_t i = 0; i < pitch; ++i) {
                uint8_t t = a[i] ^ mask;
                a[i] = b[i] ^ mask;
                b[i] = t;
            }
        }
        if (height % 2 == 1) {
            uint8_t* m = bits + size_t(height / 2) * pitch;
            for (size_t i = 0; i < pitch; ++i) m[i] ^= mask;
        }
    } else {
        for (size_t i = 0; i < pitch * size_t(height); ++i) bits[i] ^= mask;
    }
    // Padding bits become paper: the widened device bitmap shows them as columns.
    const int fullBytes = width / 8, restBits = width % 8;
    for (int r = 0; r < height; ++r) {
        uint8_t* row = bits + size_t(r) * pitch;
        size_t first = size_t(fullBytes);
        if (restBits) {
            row[first] |= uint8_t(0xFF >> restBits);
            ++first;
        }
        for (size_t i = first; i < pitch; ++i) row[i] = 0xFF;
    }
}
