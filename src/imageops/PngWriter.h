// Writing PNG ourselves: the platform's encoder takes half a minute for a camera picture
// under Wine, and always writes 24 bits.
#pragma once
#include <cstdint>
#include <vector>

#include "imageops/DibPixels.h"

// zlib levels (Png_bench.cpp measures every level). Photos: level 2 writes the 12-MP camera
// picture (36 MB of pixels) as 14.2 MB in 0.39 s on two cores, 0.71 s under Wine, which keeps
// its save from OK to done within a second and a half there; 3 packs it 6% smaller for 40%
// more time, 6 no smaller than 3 for four times the time, and 9 12% smaller for ten times.
// Drawings and other palette pictures are quick at any level, and 8 packs an A4 drawing at
// 400 dpi a third smaller than 3 does in 0.1 s; 9 gains 3% more for two and a half times that.
struct PngLevels {
    int Colour = 2;
    int Indexed = 8;
};

// A picture of 256 colours or fewer is written with a palette of its exact colours, packed
// to 1, 2, 4 or 8 bits by how many there are (a 1-bit picture stays 1-bit); any other as
// 8-bit RGB, each row with the filter whose output sums smallest. Levels are zlib's, 1..9.
// The whole file in `out`; false (and `out` empty) for an empty or malformed picture, when
// zlib fails or the file would be larger than Pixaro reads back.
bool EncodePng(const DibPixels& pixels, std::vector<uint8_t>& out, PngLevels levels = {});
