// The vector line store: traced segments as pairs of endpoint records (1-based pixel
// coordinates) and a grid counting how many endpoints were ever placed at each position.
// Portable; the view and the writers read it, the tracer and the compressor edit it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Failures besides success (AddSegment gives 1, the others 0).
enum LineStoreResult {
    kStoreFull = -10,        // the record table is full; nothing was added
    kStoreNotCreated = -11,  // CreateStore has not run since the start or the last ReleaseStore
    kStoreOutOfGrid = -12,   // a coordinate outside 0..kGridColumns-1 x 0..kGridRows-1
    kStoreNoMemory = -13,
};

// Position of an endpoint packed into one word, x in the low half: one compare finds equal points.
inline uint32_t PackPoint(int32_t x, int32_t y) { return uint32_t(x) | (uint32_t(y) << 16); }
inline int32_t PointX(uint32_t p) { return int32_t(p & 0xFFFF); }
inline int32_t PointY(uint32_t p) { return int32_t(p >> 16); }

// Two-bit endpoint counters (0..3, 3 meaning three or more) for 40,160 x 20,001 positions.
// Blocks of 1024 x 64 positions are allocated when an endpoint first lands in them, so a
// small drawing costs kilobytes and an A1 scan about 30 MB instead of 200 MB for all of it.
class EndpointGrid {
public:
    static constexpr int32_t kColumns = 40160;
    static constexpr int32_t kRows = 20001;

    EndpointGrid();
    ~EndpointGrid();
    EndpointGrid(const EndpointGrid&) = delete;
    EndpointGrid& operator=(const EndpointGrid&) = delete;

    // 0 outside the grid. A block that could not be allocated answers 3, so a search it
    // filters is never skipped wrongly.
    int Count(int32_t x, int32_t y) const {
        if (uint32_t(x) >= uint32_t(kColumns) || uint32_t(y) >= uint32_t(kRows)) return 0;
        const uint32_t* block = blocks_[BlockOf(x, y)];
        if (!block) return degraded_ ? 3 : 0;
        return int(block[WordOf(x, y)] >> (2 * (x & 15))) & 3;
    }
    void Increment(int32_t x, int32_t y);
    void Clear();                        // frees every block: all counters 0
    size_t AllocatedBytes() const { return blockCount_ * kBlockBytes; }

private:
    static constexpr int32_t kBlockColumns = 1024, kBlockRows = 64;
    static constexpr int32_t kBlocksAcross = (kColumns + kBlockColumns - 1) / kBlockColumns;
    static constexpr int32_t kBlocksDown = (kRows + kBlockRows - 1) / kBlockRows;
    static constexpr size_t kBlockWords = size_t(kBlockColumns / 16) * kBlockRows;
    static constexpr size_t kBlockBytes = kBlockWords * 4;
    static int32_t BlockOf(int32_t x, int32_t y) { return (y / kBlockRows) * kBlocksAcross + x / kBlockColumns; }
    static size_t WordOf(int32_t x, int32_t y) {
        return size_t(y % kBlockRows) * (kBlockColumns / 16) + size_t((x % kBlockColumns) / 16);
    }
    uint32_t* blocks_[kBlocksAcross * kBlocksDown];
    size_t blockCount_ = 0;
    bool degraded_ = false;
};

// One store per process (g_Lines below, the lines of the open drawing); tests build their
// own, small ones.
// Line k is records 2k-1 and 2k; record 0 is never used. Records are 4 bytes (packed
// position) plus a 4-byte length and a 1-byte width per line: 6.5 bytes an endpoint, 42 MB at full capacity.
class LineStore {
public:
    static constexpr int32_t kRecords = 6500000;

    explicit LineStore(int32_t records = kRecords);
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    // Empties the store and its grid, allocating the tables the first time: 0 or kStoreNoMemory.
    int CreateStore();
    void ClearStore();
    // Empties the store and frees its memory; the next CreateStore allocates again.
    void ReleaseStore();
    bool Created() const { return positions_ != nullptr; }

    // 1, or kStoreFull / kStoreNotCreated / kStoreOutOfGrid with the store unchanged.
    int AddSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Removes the line of `index`; the last line takes its two records, keeping its orientation.
    int DeleteLine(int32_t index);
    // Drops every line from record endpointCount + 1 on: a conversion's lines, which are the
    // last ones, taken back. The grid keeps its counters, as after any deletion.
    void TruncateLines(int32_t endpointCount);

    int32_t EndpointCount() const { return count_; }
    int32_t LineCount() const { return count_ / 2; }
    int32_t Capacity() const { return records_; }
    // Lines that still fit.
    int32_t FreeLines() const { return (records_ - 1 - count_) / 2; }
    bool Full() const { return FreeLines() == 0; }
    int32_t MaxX() const { return maxX_; }
    int32_t MaxY() const { return maxY_; }

    // Record `index` (1 .. EndpointCount()); 0 outside that range.
    int32_t EndpointX(int32_t index) const { return InUse(index) ? PointX(positions_[index]) : 0; }
    int32_t EndpointY(int32_t index) const { return InUse(index) ? PointY(positions_[index]) : 0; }
    static int32_t Partner(int32_t index) { return (index & 1) ? index + 1 : index - 1; }
    static int32_t FirstOfLine(int32_t index) { return (index & 1) ? index : index - 1; }
    // The length field of the line of `index`: the chord when added, the path it replaced after merges.
    float LineLength(int32_t index) const { return InUse(index) ? lengths_[(index + 1) / 2] : 0.0f; }

    int GridCount(int32_t x, int32_t y) const { return grid_.Count(x, y); }
    void GridIncrement(int32_t x, int32_t y) { grid_.Increment(x, y); }

    // The compressor's edits. Moving an endpoint counts it in the grid at its new place, so
    // the grid stays a safe filter for endpoints that merges placed where none was traced.
    uint32_t Position(int32_t index) const { return positions_[index]; }
    void MoveEndpoint(int32_t index, uint32_t point);
    void SetLineLength(int32_t index, float length) { lengths_[(index + 1) / 2] = length; }
    // The stroke width the centre-line mode measured, in pixels (half-pixel steps, up to
    // 127.5); 0 for lines of the other modes. Kept beside the records, it follows a line
    // through DeleteLine.
    float LineWidth(int32_t index) const { return InUse(index) ? widths_[(index + 1) / 2] * 0.5f : 0.0f; }
    void SetLineWidth(int32_t index, float pixels);

    // Memory of the record tables (allocated whole) and of the grid blocks in use.
    size_t TableBytes() const;
    size_t GridBytes() const { return grid_.AllocatedBytes(); }
    size_t MemoryBytes() const { return TableBytes() + GridBytes(); }

private:
    bool InUse(int32_t index) const { return index >= 1 && index <= count_; }
    int32_t records_;
    int32_t count_ = 0;
    int32_t maxX_ = 0, maxY_ = 0;
    std::unique_ptr<uint32_t[]> positions_;  // records_ entries, [0] unused
    std::unique_ptr<float[]> lengths_;       // one per line, [0] unused
    std::unique_ptr<uint8_t[]> widths_;      // one per line in half pixels, [0] unused
    EndpointGrid grid_;
};

// The program's one store.
extern LineStore g_Lines;

// "%s Lines" with the count grouped by thousands.
std::string LinesStatusText(const LineStore& store);
// The message for a trace that stopped at the store's capacity, with the count reached.
std::string StoreFullText(const LineStore& store);

// Calls f(x1, y1, x2, y2) for every line whose bounding box meets the rectangle
// left..right x top..bottom (store coordinates, inclusive): what the view draws.
// ForEachLineIndexIn also gives the line's first endpoint, for its width.
template <class F>
void ForEachLineIndexIn(const LineStore& store, int32_t left, int32_t top, int32_t right, int32_t bottom, F&& f) {
    const int32_t n = store.EndpointCount();
    for (int32_t i = 1; i < n; i += 2) {
        const uint32_t a = store.Position(i), b = store.Position(i + 1);
        const int32_t x1 = PointX(a), y1 = PointY(a), x2 = PointX(b), y2 = PointY(b);
        if ((x1 < left && x2 < left) || (x1 > right && x2 > right)) continue;
        if ((y1 < top && y2 < top) || (y1 > bottom && y2 > bottom)) continue;
        f(i, x1, y1, x2, y2);
    }
}
template <class F>
void ForEachLineIn(const LineStore& store, int32_t left, int32_t top, int32_t right, int32_t bottom, F&& f) {
    ForEachLineIndexIn(store, left, top, right, bottom,
                       [&f](int32_t, int32_t x1, int32_t y1, int32_t x2, int32_t y2) { f(x1, y1, x2, y2); });
}

// "6,500,000": every line count the user sees.
std::string FormatThousands(int64_t value);
