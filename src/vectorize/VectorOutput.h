// The line store in JWW's two forms: the coordinate text file (millimetres on paper) and
// the "Jw_win" clipboard block (one CDataSen a line, ×0.01 then ×10 by the record writer).
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "graffiti/GraffitiJww.h"
#include "jww/JwwFormat.h"
#include "vectorize/LineStore.h"

// Centre lines carry the stroke width they were traced from; JWW gets it as the line
// colour number, by the width on paper (width in pixels x 25.4 / dpi):
//   thin    below 0.3 mm        colour 1   (200 dpi: up to 2 px)
//   middle  0.3 mm to 0.6 mm    colour 2   (200 dpi: 2.5-4.5 px)
//   thick   0.6 mm and more     colour 3   (200 dpi: 5 px and more)
// Lines without a width (0, the other modes) are colour 1 too, and a store without any
// width is written exactly as before widths existed: no "lc" in the text.
constexpr int kThinColour = 1, kMiddleColour = 2, kThickColour = 3;
constexpr int kThinBelowTenthsMm = 3, kMiddleBelowTenthsMm = 6;
int WidthClassColour(float widthPx, int32_t dpi);
// Whether any line of the store has a measured width.
bool HasLineWidths(const LineStore& store);

// The block's size: 49 bytes for every endpoint plus 200, in 64 bits so that a full store
// cannot wrap it; the caller checks it against what it can allocate.
uint64_t VectorBlockBytes(const LineStore& store);

// Writes the header (reference 0,0, all scales N, the line count) and a record per line at
// out, which the caller has zero-filled; a line's pen colour is its width class. Returns the bytes used, or 0 when they do not fit.
size_t BuildVectorBlock(const LineStore& store, int32_t dpi, int32_t scale, uint8_t* out, size_t capacity);

// The text file's bytes, handed to `put` in pieces of about 64 KiB; with widths in the
// store, "lc N" comes before the first line and wherever the class changes. `progress` gets 1..100
// as the lines go. False as soon as `put` fails.
bool WriteVectorText(const LineStore& store, int32_t dpi, int32_t scale,
                     const std::function<bool(const char*, size_t)>& put,
                     const std::function<void(int percent)>& progress = {});

// The "Jw_win" block of what the view shows, for the metafile copy: the graffiti layer's
// objects that meet the shown region (when a layer is given), then the vector lines inside
// it (when a store is given) in their width classes, under a header whose reference point
// is the centre of what was written and whose scales are `scale` (0 counts as 100).
struct ViewBlockInput {
    const GraffitiStore* Graffiti = nullptr;
    GraffitiRecordSettings GraffitiSettings;
    GraffitiImageRect Region = {0, 0, 0, 0};  // image pixels shown
    const LineStore* Lines = nullptr;
    int32_t Dpi = 200;
    int32_t Scale = 100;
};
enum class ViewBlockResult { Built, TooLarge, NoMemory };
ViewBlockResult BuildViewBlock(const ViewBlockInput& in, std::vector<uint8_t>& out);
