#include "vectorize/Compressor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

// Levels 1..6: conversion and recompression parameters.
constexpr CompressionParams kConversion[6] = {
    {4.0f, 8, 1.0f, 7.0f}, {3.0f, 7, 0.5f, 5.0f}, {2.0f, 5, 0.05f, 3.0f},
    {1.0f, 3, 0.01f, 1.5f}, {0.8f, 2, 0.005f, 1.2f}, {0.0f, 0, 0.0f, 0.0f},
};
constexpr CompressionParams kRecompression[5] = {
    {2.5f, 8, 0.015f, 4.0f}, {2.0f, 5, 0.015f, 3.0f}, {1.5f, 4, 0.015f, 2.0f},
    {1.0f, 3, 0.015f, 1.5f}, {0.8f, 2, 0.015f, 1.2f},
};

constexpr int kNeighbourCount[9] = {0, 4, 8, 12, 20, 24, 28, 36, 44};
constexpr int8_t kNeighbours[44][2] = {
    {0, 1},   {0, -1},  {1, 0},   {-1, 0},  {-1, 1},  {1, -1},  {1, 1},   {-1, -1}, {-2, 0},
    {2, 0},   {0, 2},   {0, -2},  {-1, -2}, {1, 2},   {-2, -1}, {2, 1},   {-2, 1},  {2, -1},
    {-1, 2},  {1, -2},  {-2, -2}, {2, 2},   {-2, 2},  {2, -2},  {0, -3},  {0, 3},   {-3, 0},
    {3, 0},   {3, -1},  {-3, 1},  {1, -3},  {-1, 3},  {-1, -3}, {1, 3},   {-3, -1}, {3, 1},
    {3, -2},  {-3, 2},  {-2, 3},  {2, -3},  {-2, -3}, {2, 3},   {-3, -2}, {3, 2},
};

constexpr int kTileSize = 115;
constexpr int kTileMargin = 4;
constexpr double kExactEnough = 0.005;  // a cost this small is a straight continuation

// Short distances come from a table rounded to four decimals, so exact continuations such
// as (1,1)+(1,1) against (2,2) give a detour of exactly 0.
struct DistanceTable {
    double d[16][16];
    DistanceTable() {
        for (int i = 0; i < 16; ++i)
            for (int j = 0; j < 16; ++j) d[i][j] = std::round(std::sqrt(double(i * i + j * j)) * 10000.0) / 10000.0;
    }
};
const DistanceTable kDistances;

double Dist(int32_t dx, int32_t dy) {
    dx = std::abs(dx);
    dy = std::abs(dy);
    if (dx < 16 && dy < 16) return kDistances.d[dx][dy];
    return std::sqrt(double(dx) * dx + double(dy) * dy);
}
double Dist(uint32_t a, uint32_t b) { return Dist(PointX(a) - PointX(b), PointY(a) - PointY(b)); }

struct FPoint { double x, y; };
FPoint Mid(uint32_t a, uint32_t b) { return {(PointX(a) + PointX(b)) / 2.0, (PointY(a) + PointY(b)) / 2.0}; }
double Dist(FPoint a, FPoint b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)); }
double Dist(FPoint a, uint32_t b) { return Dist(a, FPoint{double(PointX(b)), double(PointY(b))}); }
// Midpoint with each coordinate truncated (coordinates are never negative).
uint32_t IntMid(uint32_t a, uint32_t b) { return PackPoint((PointX(a) + PointX(b)) / 2, (PointY(a) + PointY(b)) / 2); }

struct Node {
    int32_t index;
    int32_t next;
};

// Rank of each offset within three pixels in kNeighbours (-1 for none), and how far the first
// n offsets reach, so one look at the cells around an end finds every gap candidate.
struct NeighbourRanks {
    int8_t rank[7][7];
    int reach[45];
    NeighbourRanks() {
        for (auto& row : rank)
            for (int8_t& r : row) r = -1;
        reach[0] = 0;
        for (int n = 0; n < 44; ++n) {
            const int dx = kNeighbours[n][0], dy = kNeighbours[n][1];
            rank[dy + 3][dx + 3] = int8_t(n);
            reach[n + 1] = std::max({reach[n], std::abs(dx), std::abs(dy)});
        }
    }
};
const NeighbourRanks kRanks;

// Cells of 2 x 2 positions: a gap search reads the four to nine cells around an end instead
// of probing each neighbour position.
inline uint32_t CellOf(uint32_t p) { return PackPoint(PointX(p) >> 1, PointY(p) >> 1); }

// Endpoints by cell for the candidate searches. Entries are only ever added: a search
// checks each against the store, so an endpoint that moves is simply added again.
class PositionIndex {
public:
    // Sized to the work at hand: a table left large by an earlier pass would spread a small
    // tile's probes over more cache than it needs.
    void Reset(size_t expected) {
        size_t want = 64;
        while (want < expected * 2) want <<= 1;
        nodes_.clear();
        used_ = 0;
        if (want != slots_.size()) {
            slots_.assign(want, Slot{});
            generation_ = 1;
        } else if (++generation_ == 0) {
            for (Slot& s : slots_) s.generation = 0;
            generation_ = 1;
        }
    }
    void Add(uint32_t position, int32_t index) {
        const uint32_t key = CellOf(position);
        if ((used_ + 1) * 2 > slots_.size()) Grow();
        Slot& s = Probe(key);
        if (s.generation != generation_) {
            s = Slot{key, -1, generation_};
            ++used_;
        }
        nodes_.push_back({index, s.head});
        s.head = int32_t(nodes_.size() - 1);
    }
    // The first entry of the chain of a cell (CellOf a position).
    int32_t Head(uint32_t key) const {
        const size_t mask = slots_.size() - 1;
        for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.generation != generation_) return -1;
            if (s.key == key) return s.head;
        }
    }
    const Node& At(int32_t n) const { return nodes_[size_t(n)]; }

private:
    struct Slot {
        uint32_t key = 0;
        int32_t head = -1;
        uint32_t generation = 0;
    };
    static size_t Hash(uint32_t key) { return size_t((key * 0x9E3779B1u) ^ (key >> 15)); }
    Slot& Probe(uint32_t key) {
        const size_t mask = slots_.size() - 1;
        for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (s.generation != generation_ || s.key == key) return s;
        }
    }
    void Grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        const uint32_t oldGeneration = generation_;
        slots_.assign(std::max<size_t>(64, old.size() * 2), Slot{});
        generation_ = 1;
        for (const Slot& s : old) {
            if (s.generation != oldGeneration) continue;
            Slot& to = Probe(s.key);
            to = Slot{s.key, s.head, generation_};
        }
    }
    std::vector<Slot> slots_;
    std::vector<Node> nodes_;
    size_t used_ = 0;
    uint32_t generation_ = 1;
};

// Endpoints by compression tile, so a tile finds its endpoints without scanning the store.
// Bucket i+1 holds tile i; buckets 0 and n+1 hold the margins before the first and after
// the last tile. Each entry keeps the position it was filed under: an entry whose endpoint
// has since moved or been replaced is stale (the move filed a new one) and is skipped.
class TileBuckets {
public:
    TileBuckets(const LineStore& store, int32_t x0, int32_t y0, int32_t columns, int32_t rows)
        : store_(store), x0_(x0), y0_(y0), across_(columns + 2), down_(rows + 2) {
        const size_t buckets = size_t(across_) * size_t(down_);
        start_.assign(buckets + 1, 0);
        extraHeads_.assign(buckets, -1);
        const int32_t n = store.EndpointCount();
        for (int32_t i = 1; i <= n; ++i)
            if (int32_t b = BucketOf(store.Position(i)); b >= 0) ++start_[size_t(b) + 1];
        for (size_t b = 0; b < buckets; ++b) start_[b + 1] += start_[b];
        items_.resize(size_t(start_[buckets]));
        std::vector<int32_t> fill(start_.begin(), start_.end() - 1);
        for (int32_t i = 1; i <= n; ++i)
            if (int32_t b = BucketOf(store.Position(i)); b >= 0) items_[size_t(fill[size_t(b)]++)] = {i, store.Position(i)};
    }
    void Add(uint32_t p, int32_t index) {
        const int32_t b = BucketOf(p);
        if (b < 0) return;
        extras_.push_back({{index, p}, extraHeads_[size_t(b)]});
        extraHeads_[size_t(b)] = int32_t(extras_.size() - 1);
    }
    // Current endpoints inside x0..x1-1 x y0..y1-1 of tile (tx, ty) and the tiles around it.
    template <class F>
    void ForEachIn(int32_t tx, int32_t ty, int32_t x0, int32_t y0, int32_t x1, int32_t y1, F&& f) const {
        const int32_t count = store_.EndpointCount();
        auto visit = [&](const Entry& e) {
            const int32_t x = PointX(e.pos), y = PointY(e.pos);
            if (x >= x0 && x < x1 && y >= y0 && y < y1 && e.index <= count && store_.Position(e.index) == e.pos)
                f(e.index);
        };
        for (int32_t by = ty; by <= ty + 2; ++by)
            for (int32_t bx = tx; bx <= tx + 2; ++bx) {
                const size_t b = size_t(by * across_ + bx);
                for (int32_t k = start_[b]; k < start_[b + 1]; ++k) visit(items_[size_t(k)]);
                for (int32_t n = extraHeads_[b]; n >= 0; n = extras_[size_t(n)].next) visit(extras_[size_t(n)].entry);
            }
    }

private:
    struct Entry {
        int32_t index;
        uint32_t pos;
    };
    struct Extra {
        Entry entry;
        int32_t next;
    };
    int32_t BucketOf(uint32_t p) const {
        const int32_t bx = FloorDiv(PointX(p) - x0_) + 1, by = FloorDiv(PointY(p) - y0_) + 1;
        if (bx < 0 || bx >= across_ || by < 0 || by >= down_) return -1;
        return by * across_ + bx;
    }
    static int32_t FloorDiv(int32_t v) { return v >= 0 ? v / kTileSize : -((-v + kTileSize - 1) / kTileSize); }
    const LineStore& store_;
    int32_t x0_, y0_, across_, down_;
    std::vector<int32_t> start_, extraHeads_;
    std::vector<Entry> items_;
    std::vector<Extra> extras_;
};

struct PassRules {
    double mergeTolerance;
    int neighbours;  // entries of kNeighbours searched
    double gapTolerance;
    bool geometricLengths;  // Detour from the endpoints rather than the stored lengths
    bool bridge;
    bool stopWhenExact;  // end the same-position search at a cost of kExactEnough
    size_t sameCap, partnerCap;
};

// One pass of the rewrite rules, either over a contiguous range of records (MergeLocal) or
// over the endpoints of one compression tile (CompressRegion, Tile = true). Every edit goes
// through Move and Delete, which keep the position index, the tile's members and the buckets current.
template <bool Tile>
class MergePass {
public:
    MergePass(LineStore& store, const PassRules& rules, PositionIndex& index)
        : s_(store), rules_(rules), index_(index) {}

    void RunRange(int32_t first, int32_t last) {
        if (first < 1) first = 1;
        if (!(first & 1)) ++first;
        last_ = std::min(last, s_.EndpointCount());
        if (last_ <= first) return;
        index_.Reset(size_t(last_ - first + 1));
        for (int32_t t = first; t <= last_; ++t) index_.Add(s_.Position(t), t);
        for (int32_t e = first; e < last_;) {
            const int back = Examine(e);
            e = std::max(first, e + 1 - back);
        }
    }

    // The tile's endpoints at its start, kept sorted by index.
    void RunTile(std::vector<int32_t>& members, std::vector<uint8_t>& flags, TileBuckets* buckets,
                 int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        members_ = &members;
        flags_ = &flags;
        buckets_ = buckets;
        ax0_ = x0, ay0_ = y0, ax1_ = x1, ay1_ = y1;
        if (members.size() < 2) return;
        index_.Reset(members.size());
        for (int32_t t : members) {
            flags[size_t(t)] = 1;
            index_.Add(s_.Position(t), t);
        }
        // Two ends meeting at a point are the smallest thing to merge, so the pass runs
        // while two remain.
        for (size_t p = 0; p < members.size() && members.size() >= 2;) {
            const int32_t e = members[p];
            const int back = Examine(e);
            p = size_t(std::lower_bound(members.begin(), members.end(), e + 1 - back) - members.begin());
        }
        for (int32_t t : members) flags[size_t(t)] = 0;
        buckets_ = nullptr;
    }

private:
    // Both written without branches: the candidate filters below run on every index entry
    // and their outcome is unpredictable. No index is ever above the count a pass began with.
    bool Tracked(int32_t t) const {
        if constexpr (Tile) return (t <= s_.EndpointCount()) & ((*flags_)[size_t(t)] != 0);
        return t <= last_;
    }
    bool InArea(uint32_t p) const {
        if constexpr (!Tile) return true;
        const int32_t x = PointX(p), y = PointY(p);
        return (x >= ax0_) & (x < ax1_) & (y >= ay0_) & (y < ay1_);
    }
    uint32_t Pos(int32_t i) const { return s_.Position(i); }
    uint32_t Other(int32_t i) const { return s_.Position(LineStore::Partner(i)); }
    double Len(int32_t i) const { return s_.LineLength(i); }
    void AddLen(int32_t i, double extra) { s_.SetLineLength(i, float(Len(i) + extra)); }

    void Move(int32_t i, uint32_t p) {
        s_.MoveEndpoint(i, p);
        if (Tracked(i)) index_.Add(p, i);
        if (buckets_) buckets_->Add(p, i);
    }

    void Delete(int32_t i) {
        const int32_t a = LineStore::FirstOfLine(i), c = s_.EndpointCount();
        const bool moved = a != c - 1;  // the last line takes the freed records
        if constexpr (Tile) {
            std::vector<uint8_t>& f = *flags_;
            const uint8_t m1 = f[size_t(c - 1)], m2 = f[size_t(c)];
            for (int32_t t : {a, a + 1}) Forget(t);
            if (moved) {
                Forget(c - 1);
                Forget(c);
            }
            s_.DeleteLine(i);
            if (moved) {
                if (m1) Remember(a);
                if (m2) Remember(a + 1);
            }
        } else {
            s_.DeleteLine(i);
            last_ = std::min(last_ - 2, s_.EndpointCount());
            if (moved && a <= last_) {
                index_.Add(Pos(a), a);
                index_.Add(Pos(a + 1), a + 1);
            }
        }
        if (buckets_ && moved) {
            buckets_->Add(Pos(a), a);
            buckets_->Add(Pos(a + 1), a + 1);
        }
    }
    void Forget(int32_t t) {
        if (!(*flags_)[size_t(t)]) return;
        (*flags_)[size_t(t)] = 0;
        auto it = std::lower_bound(members_->begin(), members_->end(), t);
        if (it != members_->end() && *it == t) members_->erase(it);
    }
    void Remember(int32_t t) {
        (*flags_)[size_t(t)] = 1;
        members_->insert(std::lower_bound(members_->begin(), members_->end(), t), t);
        index_.Add(Pos(t), t);
    }
    // Deletes two lines, the higher index first so the lower one keeps its records.
    void DeleteTwo(int32_t a, int32_t b) {
        if (LineStore::FirstOfLine(a) < LineStore::FirstOfLine(b)) std::swap(a, b);
        Delete(a);
        Delete(b);
    }

    // Tracked endpoints at q with an index above `bound`, in store order.
    void Collect(uint32_t q, int32_t bound, std::vector<int32_t>& out, size_t cap) const {
        out.clear();
        size_t kept = 0;
        for (int32_t n = index_.Head(CellOf(q)); n >= 0; n = index_.At(n).next) {
            const int32_t t = index_.At(n).index;
            if (kept == out.size()) out.resize(kept + 8);
            out[kept] = t;
            kept += (t > bound) & Tracked(t) & (Pos(t) == q);
        }
        out.resize(kept);
        if (out.size() > 1) {
            std::sort(out.begin(), out.end());
            out.erase(std::unique(out.begin(), out.end()), out.end());
        }
        if (out.size() > cap) out.resize(cap);
    }

    // Extra length of the path A_i -> P -> A_j over the straight line A_i -> A_j.
    double Detour(int32_t i, int32_t j) const {
        const uint32_t p = Pos(i), ai = Other(i), aj = Other(j);
        const double a = rules_.geometricLengths ? Dist(ai, p) : Len(i);
        const double b = rules_.geometricLengths ? Dist(aj, p) : Len(j);
        return a + b - Dist(ai, aj);
    }
    // For a bridge through the short line i: the detour of A_j -> M -> A_k.
    double Detour(int32_t i, int32_t j, int32_t k) const {
        const uint32_t m = IntMid(Pos(i), Other(i)), aj = Other(j), ak = Other(k);
        return Dist(aj, m) + Dist(m, ak) - Dist(aj, ak);
    }
    double GapCost(int32_t i, int32_t j) const {
        const FPoint m = Mid(Pos(i), Pos(j));
        const uint32_t ai = Other(i), aj = Other(j);
        return Dist(m, ai) + Dist(m, aj) - Dist(ai, aj);
    }

    void JoinEnds(int32_t i, int32_t j) {
        Move(i, Other(j));
        AddLen(i, Len(j));
        Delete(j);
    }

    int JoinAtPoint(int32_t i, int32_t j) {
        if (i == j || Pos(i) != Pos(j)) return 0;
        if (i > j) std::swap(i, j);
        if (j > s_.EndpointCount()) return 0;
        const uint32_t p = Pos(i), ai = Other(i), aj = Other(j);
        if (ai == p) {
            Delete(i);
            return 9;
        }
        if (aj == p || ai == aj) {
            Delete(j);
            return 3;
        }
        if (Detour(i, j) < rules_.mergeTolerance) {
            JoinEnds(i, j);
            return 1;
        }
        const int64_t dxi = PointX(ai) - PointX(p), dyi = PointY(ai) - PointY(p);
        const int64_t dxj = PointX(aj) - PointX(p), dyj = PointY(aj) - PointY(p);
        const double dij = Dist(ai, aj), dpi = Dist(p, ai), dpj = Dist(p, aj);
        const bool beyond = dij > dpi && dij >= dpj;  // A_j lies beyond P, seen from A_i
        const bool onLine = dxi != 0 ? dxj * dyi / dxi == dyj : dxj == 0;
        if (onLine) {
            if (beyond) {
                JoinEnds(i, j);
                return 1;
            }
        } else {
            // Half resolution; a vertical line j takes A_i within one column as on it.
            const bool roughly = dxj != 0 ? dyi / 2 == (dyj * dxi / dxj) / 2 : std::abs(dxi) <= 1;
            if (!roughly || beyond) return 0;
        }
        if (dpi < dpj) {
            Delete(i);
            return 2;
        }
        Delete(j);
        return 3;
    }

    int Bridge(int32_t i, int32_t j, int32_t k) {
        const uint32_t p = Pos(i), pk = Pos(k);
        if (Pos(j) != p || Dist(pk, p) >= 3.0) return 0;
        const uint32_t b = Other(j), c = Other(k);
        if (c == p) {
            Delete(k);
            return 6;
        }
        if (pk == b) {
            Delete(j);
            return 7;
        }
        const uint32_t m = IntMid(p, pk);
        const double d = Dist(b, m) + Dist(m, c) - Dist(c, b);
        if (d <= rules_.gapTolerance) {
            Move(i, b);
            Move(LineStore::Partner(i), c);
            AddLen(i, Len(j) + Len(k));
            DeleteTwo(k, j);
            return 8;
        }
        Move(j, m);
        AddLen(j, Len(i) / 2);
        if (c == b) {
            DeleteTwo(k, i);
            return 5;
        }
        return 0;
    }

    int CloseGap(int32_t i, int32_t j) {
        const uint32_t pi = Pos(i), pj = Pos(j);
        if (std::abs(PointX(pi) - PointX(pj)) >= 4 || std::abs(PointY(pi) - PointY(pj)) >= 4) return 0;
        const uint32_t ai = Other(i), aj = Other(j);
        const FPoint m = Mid(pi, pj);
        const double mai = Dist(m, ai), maj = Dist(m, aj);
        const double s = maj + mai, d = Dist(ai, aj);
        if (s - d <= rules_.gapTolerance) {
            if (d < kGapLengthLimit) return 0;
            JoinEnds(i, j);
            return 1;
        }
        if (PointX(ai) - PointX(pi) == PointX(aj) - PointX(pj) && PointY(ai) - PointY(pi) == PointY(aj) - PointY(pj)) {
            if (PointX(pj) != PointX(ai) && PointY(pj) != PointY(ai)) {
                Move(i, pj);
                Delete(j);
                return 1;
            }
            Move(j, pi);
            Delete(i);
            return 2;
        }
        if (d > kGapLengthLimit || s <= 2 * kGapLengthLimit) return 0;
        const FPoint n = Mid(ai, aj);
        const double nm = Dist(n, m);
        if (nm >= mai && nm >= maj) {
            Move(LineStore::Partner(i), PackPoint(int32_t(n.x), int32_t(n.y)));
            AddLen(i, maj);
            Delete(j);
            return 2;
        }
        if (mai > maj) {
            Delete(j);
            return 3;
        }
        Delete(i);
        return 2;
    }

    // Candidates at the same position and, for bridges, at the partner's position.
    int SamePosition(int32_t e) {
        const uint32_t p = Pos(e);
        const int32_t bound = std::max(e, LineStore::Partner(e));
        int32_t best = -1;
        for (bool again = true; again;) {
            again = false;
            Collect(p, bound, found_, rules_.sameCap);
            same_.clear();
            best = -1;
            double bestValue = 10000;
            for (int32_t j : found_) {
                if (Other(e) == Other(j)) {  // the same line twice
                    Delete(j);
                    again = true;
                    break;
                }
                const double d = Detour(e, j);
                same_.push_back(j);
                if (d < bestValue) {
                    bestValue = d;
                    best = j;
                    if (rules_.stopWhenExact && bestValue <= kExactEnough) break;
                }
            }
        }
        if (best >= 0) {
            if (int r = JoinAtPoint(e, best)) return r;
            for (int32_t j : same_)
                if (j != best)
                    if (int r = JoinAtPoint(e, j)) return r;
            return 0;
        }
        if (!rules_.bridge || same_.empty()) return 0;
        Collect(Other(e), bound, partner_, rules_.partnerCap);
        if (partner_.empty()) return 0;
        int32_t bj = -1, bk = -1;
        double bestValue = 0;
        for (int32_t j : same_)
            for (int32_t k : partner_) {
                const double d = Detour(e, j, k);
                if (bj < 0 || d < bestValue) bestValue = d, bj = j, bk = k;
            }
        return Bridge(e, bj, bk);
    }

    // Candidates around e, searched offset by offset in kNeighbours order and by index at
    // each offset, the first `sameCap` of them kept.
    int Neighbours(int32_t e) {
        const uint32_t p = Pos(e);
        const int32_t px = PointX(p), py = PointY(p);
        const int32_t bound = std::max(e, LineStore::Partner(e));
        const int n = rules_.neighbours, reach = kRanks.reach[n];
        size_t kept = 0;
        for (int32_t cy = std::max(py - reach, 0) >> 1; cy <= (py + reach) >> 1; ++cy)
            for (int32_t cx = std::max(px - reach, 0) >> 1; cx <= (px + reach) >> 1; ++cx)
                for (int32_t k = index_.Head(PackPoint(cx, cy)); k >= 0; k = index_.At(k).next) {
                    const int32_t t = index_.At(k).index;
                    const uint32_t q = Pos(t);
                    const int32_t dx = PointX(q) - px, dy = PointY(q) - py;
                    const int rank = kRanks.rank[std::clamp(dy, -3, 3) + 3][std::clamp(dx, -3, 3) + 3];
                    if (kept == ranked_.size()) ranked_.resize(kept + 16);
                    ranked_[kept] = (uint64_t(uint32_t(rank)) << 32) | uint32_t(t);
                    kept += (t > bound) & Tracked(t) & (std::abs(dx) <= reach) & (std::abs(dy) <= reach) &
                            (rank >= 0) & (rank < n) & InArea(q);
                }
        if (kept == 0) return 0;
        ranked_.resize(kept);
        std::sort(ranked_.begin(), ranked_.end());
        ranked_.erase(std::unique(ranked_.begin(), ranked_.end()), ranked_.end());
        near_.clear();
        int32_t best = -1;
        double bestCost = 0;
        for (uint64_t r : ranked_) {
            if (near_.size() >= rules_.sameCap) break;
            const int32_t j = int32_t(uint32_t(r));
            near_.push_back(j);
            const double cost = GapCost(e, j);
            if (best < 0 || cost < bestCost) bestCost = cost, best = j;
            if (bestCost <= kExactEnough) break;
        }
        if (int r = CloseGap(e, best)) return r;
        for (int32_t j : near_)
            if (j != best)
                if (int r = CloseGap(e, j)) return r;
        return 0;
    }

    // One endpoint; the answer is how many endpoints to step back so that an endpoint
    // whose line changed is examined again.
    int Examine(int32_t e) {
        // The index knows the endpoints exactly, so the endpoint grid's first test (is any
        // other end here at all?) adds nothing: every placement is counted in the grid, and
        // where it says no, the index finds no candidate either.
        const uint32_t p = Pos(e);
        if (Other(e) == p) {  // zero length
            Delete(e);
            return (e & 1) ? 1 : 2;
        }
        if (InArea(p)) {
            switch (SamePosition(e)) {
            case 0: break;
            case 1: return 1;
            case 2: case 9: return 2;
            case 4: case 5: return (e & 1) ? 1 : 2;
            case 8: return (e & 1) ? 1 : 2;
            default: return 0;
            }
        }
        if (rules_.neighbours == 0) return 0;
        switch (Neighbours(e)) {
        case 1: return 1;
        case 2: case 9: return 2;
        default: return 0;
        }
    }

    LineStore& s_;
    const PassRules& rules_;
    PositionIndex& index_;
    int32_t last_ = 0;
    std::vector<int32_t>* members_ = nullptr;
    std::vector<uint8_t>* flags_ = nullptr;
    TileBuckets* buckets_ = nullptr;
    int32_t ax0_ = 0, ay0_ = 0, ax1_ = 0, ay1_ = 0;
    std::vector<int32_t> found_, same_, partner_, near_;
    std::vector<uint64_t> ranked_;  // (offset rank, index) of gap candidates
};

int ClampNeighbourhood(int level) { return kNeighbourCount[std::clamp(level, 0, 8)]; }

// The region in store coordinates, inclusive: column c of the image is x = c + 1.
struct StoreBox {
    int32_t x0, y0, x1, y1;
};

StoreBox BoxOf(const LineStore& store, const ImageRegion& r, bool alignColumns) {
    if (r.Whole()) return {1, 1, store.MaxX(), store.MaxY()};
    const int32_t x = std::max(r.X, 0), y = std::max(r.Y, 0);
    const int32_t left = alignColumns ? x / 32 * 32 : x;
    const int64_t right = int64_t(x) + r.Width, bottom = int64_t(y) + r.Height;
    return {left + 1, y + 1, int32_t(std::min<int64_t>(right, store.MaxX())),
            int32_t(std::min<int64_t>(bottom, store.MaxY()))};
}

void RemoveShortLinesIn(LineStore& store, const StoreBox* box, float minLength) {
    if (!(minLength > 0) || !store.Created()) return;
    for (int32_t i = 1; i < store.EndpointCount();) {
        const uint32_t p = store.Position(i);
        const bool inside = !box || (PointX(p) >= box->x0 && PointX(p) <= box->x1 && PointY(p) >= box->y0 &&
                                     PointY(p) <= box->y1);
        if (inside && store.LineLength(i) <= minLength) {
            store.DeleteLine(i);  // the last line now sits here and is examined next
            continue;
        }
        i += 2;
    }
}

PositionIndex& SharedIndex() {
    static PositionIndex index;
    return index;
}

}  // namespace

CompressionParams ConversionParams(int level) { return kConversion[std::clamp(level, 1, 6) - 1]; }

bool RecompressionParams(int level, CompressionParams& out) {
    if (level < 1 || level > 5) return false;
    out = kRecompression[level - 1];
    return true;
}

void MergeLocal(LineStore& store, int32_t first, int32_t last, float mergeTolerance, int neighbourhood,
                float gapTolerance) {
    if (!store.Created()) return;
    const PassRules rules{mergeTolerance, ClampNeighbourhood(neighbourhood), gapTolerance, false, true, false, 49, 10};
    MergePass<false>(store, rules, SharedIndex()).RunRange(first, last);
}

namespace {

int Compress(LineStore& store, const ImageRegion& region, const CompressionParams& params, const ProgressFn& progress) {
    if (!store.Created() || store.EndpointCount() < 2) return kCompressDone;
    const StoreBox box = BoxOf(store, region, true);
    const PassRules rules{params.MergeTolerance, ClampNeighbourhood(params.Neighbourhood), params.GapTolerance,
                          true, false, true, 50, 0};
    if (box.x1 >= box.x0 && box.y1 >= box.y0) {
        const int32_t columns = (box.x1 - box.x0) / kTileSize + 1, rows = (box.y1 - box.y0) / kTileSize + 1;
        TileBuckets buckets(store, box.x0, box.y0, columns, rows);
        std::vector<uint8_t> flags(size_t(store.EndpointCount()) + 1, 0);
        std::vector<int32_t> members;
        MergePass<true> pass(store, rules, SharedIndex());
        TraceProgress report;
        report.Stage = TraceProgress::Compressing;
        report.ColumnMin = box.x0 - 1;
        report.ColumnMax = box.x1;
        report.RowMin = box.y0 - 1;
        report.RowMax = 3 * box.y1;
        report.RowPos = box.y1;
        for (int32_t ty = 0; ty < rows; ++ty) {
            const int32_t y = box.y0 + ty * kTileSize;
            for (int32_t tx = 0; tx < columns; ++tx) {
                const int32_t x = box.x0 + tx * kTileSize;
                const int32_t ax0 = x - kTileMargin, ax1 = x + kTileSize + kTileMargin;
                const int32_t ay0 = y - kTileMargin, ay1 = y + kTileSize + kTileMargin;
                members.clear();
                buckets.ForEachIn(tx, ty, ax0, ay0, ax1, ay1, [&](int32_t t) { members.push_back(t); });
                std::sort(members.begin(), members.end());
                members.erase(std::unique(members.begin(), members.end()), members.end());
                pass.RunTile(members, flags, &buckets, ax0, ay0, ax1, ay1);
                if (progress) {
                    report.ColumnPos = x - 1;
                    report.Lines = store.LineCount();
                    report.Refresh = true;
                    if (progress(report)) return kCompressCancelled;
                }
            }
            report.RowPos = int(y * 1.5) + box.y1;
        }
    }
    RemoveShortLinesIn(store, &box, params.MinLength);
    return kCompressDone;
}

}  // namespace

int CompressRegion(LineStore& store, const ImageRegion& region, const CompressionParams& params,
                   const ProgressFn& progress) {
    try {
        return Compress(store, region, params, progress);
    } catch (const std::bad_alloc&) {
        return kCompressNoMemory;
    }
}

void RemoveShortLines(LineStore& store, const ImageRegion& region, float minLength) {
    if (region.Whole()) {
        RemoveShortLinesIn(store, nullptr, minLength);
        return;
    }
    const StoreBox box = BoxOf(store, region, false);
    RemoveShortLinesIn(store, &box, minLength);
}
