#include "imageops/Palette8.h"

#include <algorithm>
#include <new>
#include <utility>

#include "base/Limits.h"

namespace {

constexpr int kLevels = 64;  // histogram cells per channel: 6 bits, at most 3 levels off
constexpr int kCells = kLevels * kLevels * kLevels;

bool WellFormed(const DibPixels& p) {
    const size_t stride = DibPixels::StrideOf(p.Width, p.BitCount);
    return stride && p.Stride == stride && p.Height > 0 && p.Height <= kMaxImageSide &&
           p.Bits.size() / stride >= size_t(p.Height);
}

// One row as 0x00RRGGBB; missing palette entries read as black, as ColourAt has them.
void RowColours(const DibPixels& p, int y, const uint32_t* palette, uint32_t* out) {
    const uint8_t* src = p.Row(y);
    switch (p.BitCount) {
    case 24:
    case 32: {
        const size_t step = p.BitCount / 8;
        for (int x = 0; x < p.Width; ++x, src += step) out[x] = uint32_t(src[0]) | uint32_t(src[1]) << 8 | uint32_t(src[2]) << 16;
        break;
    }
    case 8:
        for (int x = 0; x < p.Width; ++x) out[x] = palette[src[x]];
        break;
    default:
        for (int x = 0; x < p.Width; ++x) out[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    }
}

int CellOf(uint32_t c) { return int((c >> 18 & 0x3F) << 12 | (c >> 10 & 0x3F) << 6 | (c >> 2 & 0x3F)); }

// Every pixel indexed by its own colour, in the order of first appearance; false as soon as
// a 257th colour turns up.
bool ExactColours(const DibPixels& src, const uint32_t* palette, DibPixels& out) {
    constexpr unsigned kSlots = 1024;
    uint32_t keys[kSlots] = {};  // colour + 1, 0 for an empty slot
    uint8_t values[kSlots];
    std::vector<uint32_t> row(size_t(src.Width));
    out.Palette.clear();
    uint32_t last = ~0u;
    uint8_t lastIndex = 0;
    for (int y = 0; y < src.Height; ++y) {
        RowColours(src, y, palette, row.data());
        uint8_t* dst = out.Row(y);
        for (int x = 0; x < src.Width; ++x) {
            const uint32_t c = row[size_t(x)];
            if (c != last) {
                unsigned h = (c * 2654435761u) >> 22;
                while (keys[h] && keys[h] != c + 1) h = (h + 1) & (kSlots - 1);
                if (!keys[h]) {
                    if (out.Palette.size() == 256) return false;
                    keys[h] = c + 1;
                    values[h] = uint8_t(out.Palette.size());
                    out.Palette.push_back(c);
                }
                last = c;
                lastIndex = values[h];
            }
            dst[x] = lastIndex;
        }
    }
    return true;
}

struct Cell {
    uint32_t N;
    uint32_t Low[3];  // the sums of the 2 bits each channel loses to the cell
};

// A box of cells, kept tight around the occupied ones.
struct Box {
    int Lo[3], Hi[3];
    uint64_t N = 0;
    uint64_t Sum[3] = {};  // exact channel sums of its pixels
    double Error = 0;      // squared spread along its worst axis, in cell units
    int Axis = 0;
};

class MedianCut {
public:
    explicit MedianCut(const std::vector<Cell>& cells) : cells_(cells) {}

    // Box bounds shrunk to the occupied cells, its sums and where it would best be split.
    void Measure(Box& b) const {
        int lo[3] = {kLevels, kLevels, kLevels}, hi[3] = {-1, -1, -1};
        double s[3] = {}, q[3] = {};
        b.N = 0;
        uint64_t sum[3] = {};
        for (int r = b.Lo[0]; r <= b.Hi[0]; ++r)
            for (int g = b.Lo[1]; g <= b.Hi[1]; ++g)
                for (int bl = b.Lo[2]; bl <= b.Hi[2]; ++bl) {
                    const Cell& c = cells_[size_t(r << 12 | g << 6 | bl)];
                    if (!c.N) continue;
                    const int at[3] = {r, g, bl};
                    b.N += c.N;
                    for (int k = 0; k < 3; ++k) {
                        if (at[k] < lo[k]) lo[k] = at[k];
                        if (at[k] > hi[k]) hi[k] = at[k];
                        s[k] += double(c.N) * at[k];
                        q[k] += double(c.N) * at[k] * at[k];
                        sum[k] += uint64_t(c.N) * uint64_t(at[k] * 4) + c.Low[k];
                    }
                }
        b.Error = 0;
        double worst = -1;
        for (int k = 0; k < 3; ++k) {
            b.Lo[k] = lo[k];
            b.Hi[k] = hi[k];
            b.Sum[k] = sum[k];
            const double e = b.N ? q[k] - s[k] * s[k] / double(b.N) : 0;
            b.Error += e;
            if (hi[k] > lo[k] && e > worst) {
                worst = e;
                b.Axis = k;
            }
        }
        if (worst < 0) b.Error = 0;  // one cell: nothing to split
    }

    // Cut along the box's axis where the two halves spread least along it.
    void Split(Box& b, Box& upper) const {
        const int axis = b.Axis;
        double n[kLevels] = {}, s[kLevels] = {}, q[kLevels] = {};
        for (int r = b.Lo[0]; r <= b.Hi[0]; ++r)
            for (int g = b.Lo[1]; g <= b.Hi[1]; ++g)
                for (int bl = b.Lo[2]; bl <= b.Hi[2]; ++bl) {
                    const Cell& c = cells_[size_t(r << 12 | g << 6 | bl)];
                    const int v = axis == 0 ? r : axis == 1 ? g : bl;
                    n[v] += c.N;
                    s[v] += double(c.N) * v;
                    q[v] += double(c.N) * v * v;
                }
        double nTotal = 0, sTotal = 0, qTotal = 0;
        for (int v = b.Lo[axis]; v <= b.Hi[axis]; ++v) nTotal += n[v], sTotal += s[v], qTotal += q[v];
        double nl = 0, sl = 0, ql = 0, best = -1;
        int cut = b.Lo[axis];
        for (int v = b.Lo[axis]; v < b.Hi[axis]; ++v) {
            nl += n[v], sl += s[v], ql += q[v];
            const double nr = nTotal - nl, sr = sTotal - sl;
            if (nl <= 0 || nr <= 0) continue;
            const double e = ql - sl * sl / nl + (qTotal - ql) - sr * sr / nr;
            if (best < 0 || e < best) best = e, cut = v;
        }
        upper = b;
        upper.Lo[axis] = cut + 1;
        b.Hi[axis] = cut;
        Measure(b);
        Measure(upper);
    }

private:
    const std::vector<Cell>& cells_;
};

uint32_t Rounded(uint64_t sum, uint64_t n) { return uint32_t((sum + n / 2) / n); }

// The nearest palette entry by plain distance, searched outward from the green level:
// a handful of entries per look-up instead of all 256.
class NearestEntry {
public:
    explicit NearestEntry(const std::vector<uint32_t>& palette) {
        for (size_t i = 0; i < palette.size(); ++i)
            entries_.push_back({int(palette[i] >> 16 & 0xFF), int(palette[i] >> 8 & 0xFF), int(palette[i] & 0xFF), int(i)});
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.G < b.G; });
        size_t at = 0;
        for (int g = 0; g < 256; ++g) {
            while (at < entries_.size() && entries_[at].G < g) ++at;
            firstAtOrAbove_[g] = at;
        }
    }

    int Find(int r, int g, int b) const {
        int best = 0, bestDistance = 1 << 30;
        auto consider = [&](const Entry& e) {
            const int dg = e.G - g;
            if (dg * dg >= bestDistance) return false;
            const int dr = e.R - r, db = e.B - b, d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) bestDistance = d, best = e.Index;
            return true;
        };
        const size_t start = firstAtOrAbove_[g];
        for (size_t i = start; i < entries_.size() && consider(entries_[i]); ++i) {
        }
        for (size_t i = start; i-- > 0 && consider(entries_[i]);) {
        }
        return best;
    }

private:
    struct Entry {
        int R, G, B, Index;
    };
    std::vector<Entry> entries_;
    size_t firstAtOrAbove_[256];
};

void Reduce(const DibPixels& src, const uint32_t* palette, DibPixels& out) {
    std::vector<uint32_t> row(size_t(src.Width));
    std::vector<Cell> cells(kCells, Cell{0, {0, 0, 0}});
    for (int y = 0; y < src.Height; ++y) {
        RowColours(src, y, palette, row.data());
        for (uint32_t c : row) {
            Cell& cell = cells[size_t(CellOf(c))];
            ++cell.N;
            cell.Low[0] += c >> 16 & 3;
            cell.Low[1] += c >> 8 & 3;
            cell.Low[2] += c & 3;
        }
    }

    MedianCut cut(cells);
    std::vector<Box> boxes(1);
    for (int k = 0; k < 3; ++k) boxes[0].Lo[k] = 0, boxes[0].Hi[k] = kLevels - 1;
    cut.Measure(boxes[0]);
    boxes.reserve(256);
    while (boxes.size() < 256) {
        size_t worst = 0;
        for (size_t i = 1; i < boxes.size(); ++i)
            if (boxes[i].Error > boxes[worst].Error) worst = i;
        if (boxes[worst].Error <= 0) break;  // every box is one cell
        Box upper;
        cut.Split(boxes[worst], upper);
        boxes.push_back(upper);
    }
    std::vector<uint32_t> entries;
    for (const Box& b : boxes)
        entries.push_back(Rounded(b.Sum[0], b.N) << 16 | Rounded(b.Sum[1], b.N) << 8 | Rounded(b.Sum[2], b.N));

    // The occupied cells with their exact sums: what the palette is fitted to from here on.
    struct Occupied {
        int Index;
        uint64_t N, Sum[3];
        int Mean[3];
    };
    std::vector<Occupied> occupied;
    for (int i = 0; i < kCells; ++i) {
        const Cell& c = cells[size_t(i)];
        if (!c.N) continue;
        Occupied o{i, c.N, {}, {}};
        const int at[3] = {i >> 12, i >> 6 & 0x3F, i & 0x3F};
        for (int k = 0; k < 3; ++k) {
            o.Sum[k] = uint64_t(c.N) * uint64_t(at[k] * 4) + c.Low[k];
            o.Mean[k] = int(Rounded(o.Sum[k], o.N));
        }
        occupied.push_back(o);
    }
    // Box boundaries are straight cuts; moving each entry to the mean of the colours nearest
    // it a few times lowers the error by about a tenth.
    std::vector<int16_t> map(kCells, -1);
    for (int round = 0;; ++round) {
        NearestEntry nearest(entries);
        for (const Occupied& o : occupied) map[size_t(o.Index)] = int16_t(nearest.Find(o.Mean[0], o.Mean[1], o.Mean[2]));
        if (round == 3) break;
        std::vector<uint64_t> sums(entries.size() * 4, 0);
        for (const Occupied& o : occupied) {
            uint64_t* s = &sums[size_t(map[size_t(o.Index)]) * 4];
            s[0] += o.N;
            for (int k = 0; k < 3; ++k) s[k + 1] += o.Sum[k];
        }
        for (size_t e = 0; e < entries.size(); ++e) {
            const uint64_t* s = &sums[e * 4];
            if (s[0]) entries[e] = Rounded(s[1], s[0]) << 16 | Rounded(s[2], s[0]) << 8 | Rounded(s[3], s[0]);
        }
    }
    // Entries no cell chose are dropped.
    std::vector<int16_t> renumber(entries.size(), -1);
    out.Palette.clear();
    for (const Occupied& o : occupied) {
        int16_t& n = renumber[size_t(map[size_t(o.Index)])];
        if (n < 0) {
            n = int16_t(out.Palette.size());
            out.Palette.push_back(entries[size_t(map[size_t(o.Index)])]);
        }
        map[size_t(o.Index)] = n;
    }

    for (int y = 0; y < src.Height; ++y) {
        RowColours(src, y, palette, row.data());
        uint8_t* dst = out.Row(y);
        for (int x = 0; x < src.Width; ++x) dst[x] = uint8_t(map[size_t(CellOf(row[size_t(x)]))]);
    }
}

}  // namespace

namespace {

// The exact colours when there are 256 or fewer; otherwise the reduced palette, or false.
bool To8Bit(const DibPixels& source, DibPixels& out, bool reduceWhenMore) {
    if (!WellFormed(source)) return false;
    try {
        uint32_t palette[256] = {};
        for (size_t i = 0; i < source.Palette.size() && i < 256; ++i) palette[i] = source.Palette[i] & 0xFFFFFF;
        DibPixels result;
        if (!result.Allocate(source.Width, source.Height, 8)) return false;
        if (!ExactColours(source, palette, result)) {
            if (!reduceWhenMore) return false;
            Reduce(source, palette, result);
        }
        out = std::move(result);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool ReduceTo8Bit(const DibPixels& source, DibPixels& out) { return To8Bit(source, out, true); }

bool ExactTo8Bit(const DibPixels& source, DibPixels& out) { return To8Bit(source, out, false); }
