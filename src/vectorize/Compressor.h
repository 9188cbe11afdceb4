// Line compression: local rewrite rules that fuse the tracer's chains of tiny segments into
// long lines, drop duplicates and close small gaps, at six precision levels. Portable; the
// glue pumps one message per tile through the progress callback.
#pragma once
#include <cstdint>
#include <functional>

#include "vectorize/LineStore.h"

struct CompressionParams {
    float MergeTolerance = 0;  // largest detour at which two lines meeting at a point join
    int Neighbourhood = 0;     // 0..8: how many neighbour positions a gap search looks at
    float GapTolerance = 0;    // largest detour at which a gap between nearby ends closes
    float MinLength = 0;       // lines not longer than this are deleted at the end; 0 keeps all
};

constexpr int kDefaultLevel = 3;  // "３(普通)", the conversion dialog's default
// Levels 1 (coarse) .. 6 (no compression); other values are clamped.
CompressionParams ConversionParams(int level);
// "再 圧 縮" parameters; false at level 6, where recompression is refused.
bool RecompressionParams(int level, CompressionParams& out);

// A part of the image in 0-based pixels; Width or Height 0 means the whole image.
struct ImageRegion {
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool Whole() const { return Width <= 0 || Height <= 0; }
};

// What the progress bars show, reported once per tile of tracing and of compression.
struct TraceProgress {
    enum Phase { Tracing, Compressing };
    Phase Stage = Tracing;
    int ColumnMin = 0, ColumnMax = 0, ColumnPos = 0;  // bar 720
    int RowMin = 0, RowMax = 0, RowPos = 0;           // bar 721
    int32_t Lines = 0;                                // for "%s Lines"
    bool Refresh = false;  // when the bars and the count text are due (not every tile)
};
// Returns true to cancel. The glue takes and dispatches one waiting message here.
using ProgressFn = std::function<bool(const TraceProgress&)>;

enum CompressResult { kCompressDone = 0, kCompressCancelled = 1, kCompressNoMemory = 2 };

// The incremental pass over endpoints first..last (the tracer's batches). May throw
// std::bad_alloc; TraceImage turns that into a result.
void MergeLocal(LineStore& store, int32_t first, int32_t last, float mergeTolerance, int neighbourhood,
                float gapTolerance);
// The tile-wise pass over a region, then RemoveShortLines over it. kCompressCancelled when
// the callback asked to stop, kCompressNoMemory when working memory ran out; either way the
// lines stay as far as they got.
int CompressRegion(LineStore& store, const ImageRegion& region, const CompressionParams& params,
                   const ProgressFn& progress = {});
// Deletes the lines whose first endpoint lies in the region and whose length is at most minLength.
void RemoveShortLines(LineStore& store, const ImageRegion& region, float minLength);

// The gap length limit of CloseGap: ends that continue each other join only when the joined
// line is at least this long, and two side-by-side lines fold into one only when their far
// ends are at most this far apart. Three pixels is the reach of the widest neighbour search.
constexpr double kGapLengthLimit = 3.0;
