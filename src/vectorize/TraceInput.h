// Pictures for the command-line tracer: 1-bit BMP and PBM (P1/P4) as they are; grey and
// colour BMP, PGM (P2/P5) and PPM (P3/P6) as colours, for the monochrome conversion.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageops/Monochrome.h"
#include "vectorize/MonoBits.h"

enum TraceInputResult {
    kInputOk = 0,
    kInputNotImage = -1,     // neither BMP nor PBM/PGM/PPM
    kInputTruncated = -2,    // the header promises more pixels than the file holds
    kInputTooLarge = -3,     // 40,000 columns or 20,000 rows or more, or past kMaxPixelBytes
    kInputCorrupt = -4,      // header fields that cannot describe a picture
    kInputUnsupported = -5,  // a compressed or 16-bit BMP
};

struct TraceInput {
    bool Mono = false;  // Bits holds the picture; otherwise Colour does (grey as R = G = B)
    MonoImage Bits;
    RgbImage Colour;
};

// Fills `out` only on kInputOk.
int ReadTraceInput(const uint8_t* data, size_t size, TraceInput& out);
const char* TraceInputErrorText(int result);
