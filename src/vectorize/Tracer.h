// Raster-to-vector tracing: every run of two or more ink pixels inside a nine-pixel window,
// along four directions, becomes a tiny segment in the store; the compressor fuses them.
// Portable: the glue hands over the bitmap's bits and pumps messages in the callback.
#pragma once
#include "base/Limits.h"  // kTraceColumnLimit, kTraceRowLimit: regions reaching them are refused
#include "vectorize/Compressor.h"
#include "vectorize/LineStore.h"
#include "vectorize/MonoBits.h"

enum TraceResult {
    kTraceDone = 0,
    kTraceStopped = 1,    // cancelled by the callback, or the bits are not a usable 1-bit picture
    kTraceTooLarge = 2,   // "範囲が大きすぎます"; nothing traced
    kTraceStoreFull = 3,  // the store is full; the lines so far stay (StoreFullText)
    kTraceNoStore = 4,    // CreateStore has not run
    kTraceNoMemory = 5,   // working memory ran out; the lines so far stay (kTraceNoMemoryText)
};
// What the conversion dialog says when a trace ran out of memory: the picture and the lines
// traced so far stay.
constexpr const char* kTraceNoMemoryText =
    "メモリが足りないため、変換を途中で終了しました。\nここまでの線と画像はそのまま残ります。";

struct TraceOptions {
    ImageRegion Region;  // the displayed part of the image; Whole() = all of it
    CompressionParams Params = ConversionParams(kDefaultLevel);
    bool Outline = false;  // "輪郭線": pixels inside the stroke across a direction are not traced
    bool Compress = true;  // false keeps the raw window segments
    bool Centre = false;   // "芯線": one line along the middle of each straight stroke (CentreLine.h)
    int Level = kDefaultLevel;  // the centre-line mode's fit tolerance comes from it
    int Threads = 0;       // the centre-line mode's workers; 0 = one per core
};

TraceOptions TraceOptionsFor(int level, bool outline, const ImageRegion& region = {});

// The pixels a region covers, clipped to the picture: kTraceDone, or kTraceTooLarge when it
// reaches the column or row limit (for the whole picture, when the picture does).
int RegionBounds(const MonoBits& bits, const ImageRegion& region, int& x0, int& x1, int& y0, int& y1);
TraceOptions CentreOptionsFor(int level, const ImageRegion& region = {});

// Appends to whatever the store holds. The callback runs once per tile, while tracing and
// while compressing; a cancel during tracing returns kTraceStopped at once with the lines
// so far, a cancel during compression ends the compression and the result stays kTraceDone.
int TraceImage(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress = {});
