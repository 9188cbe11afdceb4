#include "vectorize/Tracer.h"

#include "vectorize/CentreLine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Runs of two or more set bits in a 9-bit window: bit 8 is the pixel before the window
// (offset -1), bits 7..0 are offsets 0..7 in travel direction.
struct WindowRuns {
    uint8_t count = 0;
    int8_t start[3] = {}, end[3] = {};
};

struct WindowTable {
    WindowRuns runs[512];
    WindowTable() {
        for (int pattern = 0; pattern < 512; ++pattern) {
            WindowRuns& w = runs[pattern];
            int runStart = -2;
            for (int o = -1; o <= 8; ++o) {
                const bool ink = o <= 7 && ((pattern >> (7 - o)) & 1);
                if (ink && runStart == -2) runStart = o;
                if (!ink && runStart != -2) {
                    if (o - 1 > runStart) {
                        w.start[w.count] = int8_t(runStart);
                        w.end[w.count] = int8_t(o - 1);
                        ++w.count;
                    }
                    runStart = -2;
                }
            }
        }
    }
};
const WindowTable kWindows;

constexpr int kTile = 32;
constexpr int kBandRows = 35;  // image rows Y-1 .. Y+33 of a tile row
constexpr int kMergeBatch = 700;

// Tile words: bit (40 - c) is tile column c, for c in -23..40.
constexpr uint64_t Columns(int from, int to) {
    uint64_t m = 0;
    for (int c = from; c <= to; ++c) m |= uint64_t(1) << (40 - c);
    return m;
}
constexpr uint64_t kWindowColumns = Columns(-1, 31);  // what the horizontal and diagonal windows see
constexpr uint64_t kNearColumns = Columns(-2, 32);    // and the outline filters beside them

// Each band row holds the image's pixels as words of 32 columns, bit 31 = leftmost, ink = 1;
// one word of paper on both sides of the traced columns.
class Band {
public:
    Band(const MonoBits& bits, int firstColumn, int words) : bits_(bits), first_(firstColumn), words_(words) {
        rows_.resize(size_t(words) * kBandRows);
        // Nothing beyond the grid is read, so every endpoint fits in the store.
        width_ = std::min(bits.Width, kTraceColumnLimit);
        height_ = std::min(bits.Height, kTraceRowLimit);
        rowBytes_ = (size_t(bits.Width) + 7) / 8;
        invert_ = bits.InkBit == 0 ? 0xFFFFFFFFu : 0u;
    }
    void Load(int firstRow) {
        for (int i = 0; i < kBandRows; ++i) {
            uint32_t* out = &rows_[size_t(i) * size_t(words_)];
            const int y = firstRow + i;
            if (y < 0 || y >= height_) {
                std::fill(out, out + words_, 0u);
                continue;
            }
            const uint8_t* row = bits_.Row(y);
            for (int w = 0; w < words_; ++w) out[w] = Word(row, first_ + w * 32);
        }
    }
    const uint32_t* Row(int i) const { return &rows_[size_t(i) * size_t(words_)]; }

private:
    // Columns c0 .. c0+31 (c0 a multiple of 8). Reads stop at the row's last byte and the
    // bits past the width are cleared, so the row padding is never ink.
    uint32_t Word(const uint8_t* row, int c0) const {
        if (c0 < 0 || c0 >= width_) return 0;
        const size_t b = size_t(c0) / 8;
        uint32_t v;
        if (b + 4 <= rowBytes_) {
            std::memcpy(&v, row + b, 4);
            v = __builtin_bswap32(v);
        } else {
            v = 0;
            for (size_t k = 0; k < 4; ++k) v |= uint32_t(b + k < rowBytes_ ? row[b + k] : 0) << (24 - 8 * k);
        }
        v ^= invert_;
        if (width_ - c0 < 32) v &= ~(0xFFFFFFFFu >> (width_ - c0));
        return v;
    }
    const MonoBits& bits_;
    int first_, words_, width_, height_;
    size_t rowBytes_;
    uint32_t invert_;
    std::vector<uint32_t> rows_;
};

class TileTracer {
public:
    TileTracer(LineStore& store, bool outline) : store_(store), outline_(outline) {}
    bool Failed() const { return failed_ != 0; }
    int Failure() const { return failed_; }

    // The tile at image (x, y) from band words `word` (its own) with `word - 1` and `word + 1`
    // beside it. firstRow: the first tile row of the region; lastColumn: the last tile of its row.
    void Trace(const Band& band, int word, int x, int y, bool firstRow, bool lastColumn) {
        uint64_t w[kBandRows];
        uint64_t any = 0;
        for (int i = 0; i < kBandRows; ++i) {
            const uint32_t* r = band.Row(i);
            w[i] = (uint64_t(r[word - 1]) << 41) | (uint64_t(r[word]) << 9) | (uint64_t(r[word + 1]) >> 23);
            any |= w[i];
        }
        if (!(any & kNearColumns)) return;
        Horizontal(w, x, y, firstRow);
        for (int g = 0; g < kTile && !failed_; g += 8) Group(w + g + 1, g, x, y, lastColumn);
    }

private:
    void Emit(unsigned pattern, int bx, int by, int dx, int dy) {
        const WindowRuns& runs = kWindows.runs[pattern];
        for (int n = runs.count - 1; n >= 0; --n) {
            const int s = runs.start[n], e = runs.end[n];
            const int rc = store_.AddSegment(bx + s * dx, by + s * dy, bx + e * dx, by + e * dy);
            if (rc < 0 && !failed_) failed_ = rc;
        }
    }

    // w[0] is image row y-1; tile row r is w[r + 1].
    void Horizontal(const uint64_t* w, int x, int y, bool firstRow) {
        // Outline needs the rows above and below: its rows are 1..32, and row 0 too at the
        // top of the region, so every image row is traced once.
        const int from = outline_ && !firstRow ? 1 : 0, to = outline_ ? 32 : 31;
        for (int r = from; r <= to; ++r) {
            uint64_t h = w[r + 1];
            if (outline_) h &= ~(w[r] & w[r + 2]);
            h &= kWindowColumns;
            const uint64_t pairs = h & (h >> 1);
            if (!pairs) continue;
            for (int b = 24; b >= 0; b -= 8) {
                const int shift = 33 - b;
                if (!((pairs >> shift) & 0xFF)) continue;
                Emit(unsigned(h >> shift) & 0x1FF, x + b + 1, y + r + 1, 1, 0);
                if (failed_) return;
            }
        }
    }

    static uint64_t Thin(uint64_t v) { return v & ~((v << 1) & (v >> 1)); }
    static uint64_t Runs(const uint64_t* lane) {
        uint64_t m = 0;
        for (int k = 0; k < 8; ++k) m |= lane[k] & lane[k + 1];
        return m;
    }
    static unsigned Gather(const uint64_t* lane, int bit) {
        unsigned p = 0;
        for (int k = 0; k < 9; ++k) p |= unsigned((lane[k] >> bit) & 1) << k;
        return p;
    }

    // Rows g .. g+8 (l[0] = row g): vertical and both diagonal windows, by column.
    void Group(const uint64_t* l, int g, int x, int y, bool lastColumn) {
        uint64_t any = 0;
        for (int k = 0; k < 9; ++k) any |= l[k];
        if (!(any & kNearColumns)) return;
        uint64_t v[9], ul[9], ur[9];
        for (int k = 0; k < 9; ++k) {
            v[k] = outline_ ? Thin(l[k]) : l[k];
            const uint64_t d = l[k] & kWindowColumns;
            ul[k] = Thin(d << k);  // bit (40 - a): pixel (a + k, g + k)
            ur[k] = Thin(d >> k);  // bit (40 - a): pixel (a - k, g + k)
        }
        // Candidates by loop column c at bit (48 - c), c = -8 .. 38.
        uint64_t vc;
        if (outline_)  // the window of column c-1 at c; the last tile adds its column 31
            vc = (Runs(v) & Columns(-1, lastColumn ? 31 : 30)) << 7;
        else
            vc = (Runs(v) & Columns(0, 31)) << 8;
        const uint64_t ulc = (Runs(ul) & Columns(-9, 30)) << 7;
        const uint64_t urc = (Runs(ur) & Columns(-1, 37)) << 7;
        const int by = y + g + 8;
        for (uint64_t all = vc | ulc | urc; all;) {
            const int bit = 63 - __builtin_clzll(all);
            all &= ~(uint64_t(1) << bit);
            const int c = 48 - bit;
            if ((vc >> bit) & 1) {
                const int column = outline_ ? c - 1 : c;
                Emit(Gather(v, 40 - column), x + column + 1, by, 0, -1);
            }
            if ((ulc >> bit) & 1) Emit(Gather(ul, 41 - c), x + c + 7, by, -1, -1);
            if ((urc >> bit) & 1) Emit(Gather(ur, 41 - c), x + c - 7, by, 1, -1);
            if (failed_) return;
        }
    }

    LineStore& store_;
    bool outline_;
    int failed_ = 0;
};

int Trace(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress);

}  // namespace

TraceOptions TraceOptionsFor(int level, bool outline, const ImageRegion& region) {
    TraceOptions o;
    o.Region = region;
    o.Params = ConversionParams(level);
    o.Outline = outline;
    o.Level = level;
    return o;
}

int RegionBounds(const MonoBits& bits, const ImageRegion& region, int& x0, int& x1, int& y0, int& y1) {
    if (region.Whole()) {
        if (bits.Width >= kTraceColumnLimit || bits.Height >= kTraceRowLimit) return kTraceTooLarge;
        x0 = 0, x1 = bits.Width, y0 = 0, y1 = bits.Height;
        return kTraceDone;
    }
    x0 = std::max(region.X, 0), y0 = std::max(region.Y, 0);
    if (int64_t(x0) + region.Width >= kTraceColumnLimit || int64_t(y0) + region.Height >= kTraceRowLimit) return kTraceTooLarge;
    x1 = std::min(x0 + region.Width, bits.Width), y1 = std::min(y0 + region.Height, bits.Height);
    return kTraceDone;
}

TraceOptions CentreOptionsFor(int level, const ImageRegion& region) {
    TraceOptions o = TraceOptionsFor(level, false, region);
    o.Centre = true;
    return o;
}

int TraceImage(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress) {
    try {
        if (!store.Created()) return kTraceNoStore;
        if (!bits.Valid()) return kTraceStopped;
        return options.Centre ? TraceCentreLines(bits, options, store, progress) : Trace(bits, options, store, progress);
    } catch (const std::bad_alloc&) {  // a 32-bit process can run out; the caller gets a code
        return kTraceNoMemory;
    }
}

namespace {

int Trace(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress) {
    const ImageRegion& region = options.Region;
    int x0, x1, y0, y1;
    if (RegionBounds(bits, region, x0, x1, y0, y1) != kTraceDone) return kTraceTooLarge;
    x0 = x0 / kTile * kTile;  // whole tiles from the left
    if (x1 <= x0 || y1 <= y0) return kTraceDone;

    const CompressionParams& p = options.Params;
    const int nearby = std::min(p.Neighbourhood, 2);
    const int tiles = (x1 - x0 + kTile - 1) / kTile;
    Band band(bits, x0 - kTile, tiles + 2);
    TileTracer tracer(store, options.Outline);

    TraceProgress report;
    report.ColumnMin = x0, report.ColumnMax = x1;
    report.RowMin = y0, report.RowMax = p.MergeTolerance == 0 ? y1 : 3 * y1;
    report.RowPos = y0;
    const int columnStep = std::max(1, (x1 - x0) / 100), rowStep = std::max(1, (3 * y1 - y0) / 100);

    int32_t markA = store.EndpointCount() + 1, markB = markA;
    for (int y = y0; y < y1; y += kTile) {
        if (y % rowStep == 0) report.RowPos = y;
        band.Load(y - 1);
        for (int t = 0; t < tiles; ++t) {
            const int x = x0 + t * kTile;
            tracer.Trace(band, t + 1, x, y, y == y0, t == tiles - 1);
            if (tracer.Failed()) return tracer.Failure() == kStoreFull ? kTraceStoreFull : kTraceStopped;
            if (progress) {
                report.ColumnPos = x;
                report.Lines = store.LineCount();
                report.Refresh = x % columnStep == 0;
                if (progress(report)) return kTraceStopped;
            }
            if (options.Compress && store.EndpointCount() - markB >= kMergeBatch) {
                MergeLocal(store, markA, store.EndpointCount(), p.MergeTolerance, nearby, 0.01f);
                markA = markB;
                markB = store.EndpointCount();
            }
        }
    }
    if (!options.Compress) return kTraceDone;
    MergeLocal(store, markA, store.EndpointCount(), p.MergeTolerance, nearby, 0.015f);
    // A cancel here stops the compression passes; what was traced stays a finished conversion.
    int compressed = kCompressDone;
    if (p.Neighbourhood > 2) compressed = CompressRegion(store, region, {p.MergeTolerance, 2, 0.015f, p.MinLength}, progress);
    if (compressed == kCompressDone) compressed = CompressRegion(store, region, p, progress);
    if (compressed == kCompressNoMemory) return kTraceNoMemory;
    RemoveShortLines(store, region, p.MinLength);
    return kTraceDone;
}

}  // namespace
