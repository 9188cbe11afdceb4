// Portable checks and pixel work for the image loaders: which loader an extension
// takes, header checks before a system loader sees the bytes (BMP ones in RasterFile.h),
// and the 1-bit row work.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "image/RasterFile.h"

enum class LoaderKind { Bitmap, Picture, PluginPng, PluginWmf, PluginGdip, PluginTiff, PluginJww, Graffiti, Unknown };

LoaderKind LoaderForExtension(std::string_view extension);
bool IsJpegExtension(std::string_view extension);

// Files for the picture loader, told by their content (JPEG, GIF or BMP): the size in the
// header is checked before decoding, so a forged header cannot make it allocate gigabytes.
ImageCheck CheckPictureFile(const uint8_t* bytes, size_t size, int& width, int& height);

// The code of the next JPEG marker that begins a segment, SOS or EOI, after fill bytes and the
// markers that stand alone (TEM, RST0-7); `r` is left on the segment's length. 0 and a failed
// reader when the bytes run out. The walk starts after SOI.
uint8_t NextJpegMarker(ByteReader& r);

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
