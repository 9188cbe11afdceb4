// A portable baseline JPEG encoder, because the platform's encoder (GDI+ under Wine) ignores
// the quality it is given. Baseline JFIF, YCbCr with 2x2 chroma subsampling (4:2:0), the
// standard Huffman tables of the JPEG standard (Annex K), and the standard quantisation
// tables scaled for the quality the way the IJG library scales them, so `identify` reads
// the quality back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "imageops/DibPixels.h"

constexpr int kJpegSaveQuality = 90;

// Takes the file's bytes piece by piece, in order; returning false stops the encoder.
using JpegSink = std::function<bool(const void* data, size_t size)>;

// Any depth of DibPixels is accepted (1 and 8 bits go through the palette; an index beyond
// it is black). `quality` is clamped to 1..100. False when the picture is empty or
// malformed (sides outside 1..kMaxImageSide, rows shorter than the depth needs) or when the
// sink refuses a piece. Pieces are at most 64 KiB, so the whole file is never held here.
bool EncodeJpegTo(const DibPixels& pixels, int quality, const JpegSink& sink);

// The whole file in `out` (cleared first, and left empty on failure). False as above or
// when the output cannot be held (more than kMaxFileBytes, or memory runs out).
bool EncodeJpeg(const DibPixels& pixels, int quality, std::vector<uint8_t>& out);
