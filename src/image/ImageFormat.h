// Portable checks and pixel work for the image loaders: which loader an extension
// takes, header checks before a system loader sees the bytes, and the 1-bit row work.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Limits.h"

enum class LoaderKind { Bitmap, Picture, PluginPng, PluginWmf, PluginGdip, PluginTiff, PluginJww, Graffiti, Unknown };

LoaderKind LoaderForExtension(std::string_view extension);
bool IsJpegExtension(std::string_view extension);

enum class ImageCheck {
    Ok,
    Empty,        // no bytes at all
    NotThisType,  // the bytes are not of the type the extension names
    Truncated,    // the header promises more bytes than the file holds
    TooLarge,     // the size is beyond what Pixaro can hold
    Corrupt,      // fields that cannot describe an image
};

struct DibShape {
    int Width = 0;
    int Height = 0;  // always positive; TopDown tells the row order
    bool TopDown = false;
    int BitCount = 0;
    uint32_t Colors = 0;      // palette entries
    uint64_t RowBytes = 0;    // 4-byte aligned
    uint64_t PixelBytes = 0;  // RowBytes * Height
};

// Row pitch of a DIB; 0 on overflow.
uint64_t DibRowBytes(int64_t width, int bitCount);

// Checks a BITMAPINFOHEADER (or core header) followed by its palette inside `headerBytes`,
// and that `bitsBytes` hold all rows. Used for BMP files and for plug-in results.
ImageCheck CheckDibHeader(const uint8_t* header, size_t headerBytes, uint64_t bitsBytes, DibShape& shape);

// A whole .bmp file: file header, info header, palette, pixel data inside the file.
ImageCheck CheckBmpFile(const uint8_t* bytes, size_t size, DibShape& shape);
// The same from the first `headBytes` of a file of `fileSize` bytes (headers and palette
// must lie in the head), so a large file need not be read to be judged.
ImageCheck CheckBmpHead(const uint8_t* head, size_t headBytes, uint64_t fileSize, DibShape& shape);

// Files for the picture loader, told by their content (JPEG, GIF or BMP): the size in the
// header is checked before decoding, so a forged header cannot make it allocate gigabytes.
ImageCheck CheckPictureFile(const uint8_t* bytes, size_t size, int& width, int& height);

// 1-bit plug-in images become device bitmaps, in which a 0 bit is black.
uint8_t MonoInversionMask(uint8_t paletteEntry0Blue);
int MonoDibPitch(int width);     // ((w + 31) / 32) * 4
int MonoDevicePitch(int width);  // ((w + 15) / 16) * 2
// Width of the device bitmap: when the pitches differ the bitmap is made wider so that
// its rows line up with the DIB rows; the extra columns are the row padding.
int MonoDeviceWidth(int width);
// Turns bottom-up rows top-down in place (rows already top-down stay in place), XOR-ing
// every byte with the mask, and makes the padding bits beyond `width` paper (1 in the
// device bitmap) so the widened columns do not show as ink.
void FlipMonoRows(uint8_t* bits, int width, int height, uint8_t mask, bool bottomUp);
