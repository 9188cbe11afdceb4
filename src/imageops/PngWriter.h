// Writing PNG ourselves: the platform's encoder takes half a minute for a camera picture
// under Wine, and always writes 24 bits.
#pragma once
#include <cstdint>
#include <vector>

#include "imageops/DibPixels.h"

// Level 3: the benchmark's camera picture (Png_bench.cpp) packs within 3% of level 6 at
// less than half its time, while 7..9 buy under 1% for several times the time.
constexpr int kPngSaveLevel = 3;

// A picture of 256 colours or fewer is written with a palette of its exact colours, packed
// to 1, 2, 4 or 8 bits by how many there are (a 1-bit picture stays 1-bit); any other as
// 8-bit RGB, each row with the filter whose output sums smallest. `level` is zlib's, 1..9.
// The whole file in `out`; false (and `out` empty) for an empty or malformed picture, when
// zlib fails or the file would be larger than Pixaro reads back.
bool EncodePng(const DibPixels& pixels, int level, std::vector<uint8_t>& out);
