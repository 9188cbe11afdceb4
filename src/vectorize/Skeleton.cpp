#include "vectorize/Skeleton.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/Workers.h"

BitPlane::BitPlane(int width, int height)
    : width_(width), height_(height), words_((width + 2 + 63) / 64), data_(size_t(height + 2) * size_t(words_)) {}

void ForRowBands(int height, int threads, const RowJob& rows) {
    if (height <= 0) return;
    const int bands = std::clamp((height + 31) / 32, 1, 256);
    RunJobs(threads, bands, [&](int band) {
        const int first = int(int64_t(height) * band / bands), last = int(int64_t(height) * (band + 1) / bands);
        if (first < last) rows(first, last);
    });
}

namespace {

// Bit x of the result is the pixel x + k of the row.
inline uint64_t At(const uint64_t* r, int i, int words, int k) {
    if (k == 0) return r[i];
    if (k > 0) return (r[i] >> k) | (i + 1 < words ? r[i + 1] << (64 - k) : 0);
    return (r[i] << -k) | (i > 0 ? r[i - 1] >> (64 + k) : 0);
}

// Bit x of the result is set when bit x - k of v is, k = 1 or 2.
inline uint64_t Up(const uint64_t* v, int i, int k) { return (v[i] << k) | (i > 0 ? v[i - 1] >> (64 - k) : 0); }

inline uint64_t TwoOf(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    return (a & b) | (a & c) | (a & d) | (b & c) | (b & d) | (c & d);
}

struct RowReader {
    const BitPlane& plane;
    std::vector<uint64_t> zero;
    explicit RowReader(const BitPlane& p) : plane(p), zero(size_t(p.Words()), 0) {}
    const uint64_t* operator()(int y) const { return y < -1 || y > plane.Height() ? zero.data() : plane.Row(y); }
};

// The top-left corners of size x size boxes, one row of words a picture row; Apply sets or
// clears every pixel of every marked box.
class BoxMarks {
public:
    BoxMarks(const BitPlane& plane, int size)
        : size_(size), words_(plane.Words()), marks_(size_t(plane.Height() + size - 1) * size_t(plane.Words()), 0) {}
    // y = -(size - 1) .. height - 1; the rows above the picture stay empty.
    uint64_t* Row(int y) { return &marks_[size_t(y + size_ - 1) * size_t(words_)]; }
    void Apply(BitPlane& plane, int threads, bool ink) {
        ForRowBands(plane.Height(), threads, [&](int first, int last) {
            for (int y = first; y < last; ++y)
                for (int i = 0; i < words_; ++i) {
                    uint64_t m = 0;
                    for (int r = y - size_ + 1; r <= y; ++r) {
                        const uint64_t* v = Row(r);
                        m |= v[i];
                        for (int k = 1; k < size_; ++k) m |= Up(v, i, k);
                    }
                    uint64_t& word = plane.Row(y)[i];
                    word = ink ? word | m : word & ~m;
                }
        });
    }

private:
    int size_, words_;
    std::vector<uint64_t> marks_;
};

const std::array<uint8_t, 256> kReversed = [] {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        int r = 0;
        for (int b = 0; b < 8; ++b)
            if (v & (1 << b)) r |= 0x80 >> b;
        t[size_t(v)] = uint8_t(r);
    }
    return t;
}();

uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;  // the targets are little-endian
}

}  // namespace

BitPlane LoadRegion(const MonoBits& bits, int x0, int y0, int width, int height, int threads) {
    BitPlane plane(width, height);
    const int words = plane.Words();
    const uint8_t invert = bits.InkBit ? 0 : 0xFF;
    const size_t used = (size_t(x0) + size_t(width) + 7) / 8;
    ForRowBands(height, threads, [&](int first, int last) {
        // Eight paper bytes in front so that column x0 - 1 can be read, and room behind.
        std::vector<uint8_t> row(8 + (size_t(x0) + size_t(words) * 64) / 8 + 24, 0);
        for (int y = first; y < last; ++y) {
            const uint8_t* src = bits.Row(y0 + y);
            for (size_t i = 0; i < used; ++i) row[8 + i] = kReversed[uint8_t(src[i] ^ invert)];
            uint64_t* out = plane.Row(y);
            for (int j = 0; j < words; ++j) {
                const size_t p = 64 + size_t(j) * 64 - 1 + size_t(x0);
                const unsigned s = unsigned(p & 7);
                uint64_t v = Load64(&row[p >> 3]) >> s;
                if (s) v |= Load64(&row[(p >> 3) + 8]) << (64 - s);
                // Only columns 0 .. width-1 of the region: bits 1 .. width.
                const int lo = j * 64, hi = lo + 63;
                if (lo == 0) v &= ~uint64_t(1);
                if (hi > width) v &= width - lo >= 0 ? (~uint64_t(0) >> (63 - (width - lo))) : 0;
                out[j] = v;
            }
        }
    });
    return plane;
}

void RemoveSpecks(BitPlane& plane, int threads) {
    const int h = plane.Height(), words = plane.Words();
    BoxMarks marks(plane, 3);
    auto mark = [&](int y) { return marks.Row(y); };
    const RowReader row(plane);
    ForRowBands(h, threads, [&](int first, int last) {
        for (int y = first; y < last; ++y)
            for (int i = 0; i < words; ++i) {
                uint64_t near = 0;
                for (int r = y - 1; r <= y + 3; ++r) {
                    const uint64_t* p = row(r);
                    near |= p[i] | (i > 0 ? p[i - 1] : 0) | (i + 1 < words ? p[i + 1] : 0);
                }
                if (!near) {
                    mark(y)[i] = 0;
                    continue;
                }
                auto h5 = [&](int r) {
                    const uint64_t* p = row(r);
                    return At(p, i, words, -1) | p[i] | At(p, i, words, 1) | At(p, i, words, 2) | At(p, i, words, 3);
                };
                uint64_t box = 0, ring = h5(y - 1) | h5(y + 3);
                for (int r = y; r <= y + 2; ++r) {
                    const uint64_t* p = row(r);
                    box |= p[i] | At(p, i, words, 1) | At(p, i, words, 2);
                    ring |= At(p, i, words, -1) | At(p, i, words, 3);
                }
                mark(y)[i] = box & ~ring;
            }
    });
    marks.Apply(plane, threads, false);
}

void FillPinholes(BitPlane& plane, int threads) {
    const int h = plane.Height(), words = plane.Words();
    BoxMarks marks(plane, 2);
    auto mark = [&](int y) { return marks.Row(y); };
    const RowReader row(plane);
    ForRowBands(h, threads, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const uint64_t *above = row(y - 1), *top = row(y), *bottom = row(y + 1), *below = row(y + 2);
            for (int i = 0; i < words; ++i) {
                if (!above[i] || !below[i]) {  // the ring needs ink above and below
                    mark(y)[i] = 0;
                    continue;
                }
                const uint64_t ring = above[i] & At(above, i, words, 1) & below[i] & At(below, i, words, 1) &
                                      At(top, i, words, -1) & At(bottom, i, words, -1) & At(top, i, words, 2) &
                                      At(bottom, i, words, 2);
                const uint64_t full = top[i] & At(top, i, words, 1) & bottom[i] & At(bottom, i, words, 1);
                mark(y)[i] = ring & ~full;
            }
        }
    });
    marks.Apply(plane, threads, true);
}

void SmoothEdges(BitPlane& plane, int threads) {
    const int h = plane.Height(), words = plane.Words();
    std::vector<uint64_t> flips(size_t(h) * size_t(words), 0);
    const RowReader row(plane);
    ForRowBands(h, threads, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            const uint64_t *up = row(y - 1), *mid = row(y), *down = row(y + 1);
            for (int i = 0; i < words; ++i) {
                uint64_t flip = 0;
                if (up[i] | mid[i] | down[i]) {
                    const uint64_t n = up[i], ne = At(up, i, words, 1), e = At(mid, i, words, 1), se = At(down, i, words, 1);
                    const uint64_t s = down[i], sw = At(down, i, words, -1), w = At(mid, i, words, -1), nw = At(up, i, words, -1);
                    const uint64_t p = mid[i];
                    // For each side: the three pixels there, the two beside, the three opposite.
                    const uint64_t sides[4][8] = {{s, sw, se, e, w, n, nw, ne},
                                                  {n, nw, ne, e, w, s, sw, se},
                                                  {e, ne, se, n, s, w, nw, sw},
                                                  {w, nw, sw, n, s, e, ne, se}};
                    for (const auto& q : sides) {
                        const uint64_t base = q[0] & q[1] & q[2] & ~q[5] & ~q[6] & ~q[7];
                        flip |= p & base & ~q[3] & ~q[4];   // a bump
                        flip |= ~p & base & q[3] & q[4];    // a notch
                    }
                }
                flips[size_t(y) * size_t(words) + size_t(i)] = flip;
            }
        }
    });
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < words; ++i) plane.Row(y)[i] ^= flips[size_t(y) * size_t(words) + size_t(i)];
    // Bits outside the picture stay paper.
    const int lastBit = plane.Width() + 1;
    for (int y = 0; y < h; ++y) {
        plane.Row(y)[0] &= ~uint64_t(1);
        for (int i = 0; i < words; ++i) {
            const int lo = i * 64;
            if (lo + 63 < lastBit) continue;
            plane.Row(y)[i] &= lastBit - lo > 0 ? (~uint64_t(0) >> (64 - (lastBit - lo))) : 0;
        }
    }
}

namespace {

// One pass of the two-step parallel thinning: the pixels of one row that go in this step.
uint64_t Deletable(const uint64_t* up, const uint64_t* mid, const uint64_t* down, int i, int words, bool odd) {
    const uint64_t p = mid[i];
    if (!p) return 0;
    const uint64_t p2 = up[i], p3 = At(up, i, words, 1), p4 = At(mid, i, words, 1), p5 = At(down, i, words, 1);
    const uint64_t p6 = down[i], p7 = At(down, i, words, -1), p8 = At(mid, i, words, -1), p9 = At(up, i, words, -1);
    const uint64_t a = ~p2 & (p3 | p4), b = ~p4 & (p5 | p6), c = ~p6 & (p7 | p8), d = ~p8 & (p9 | p2);
    const uint64_t oneCrossing = (a | b | c | d) & ~TwoOf(a, b, c, d);
    const uint64_t q1 = p9 | p2, q2 = p3 | p4, q3 = p5 | p6, q4 = p7 | p8;
    const uint64_t r1 = p2 | p3, r2 = p4 | p5, r3 = p6 | p7, r4 = p8 | p9;
    const uint64_t neighbours = TwoOf(q1, q2, q3, q4) & TwoOf(r1, r2, r3, r4) & (~(q1 & q2 & q3 & q4) | ~(r1 & r2 & r3 & r4));
    const uint64_t side = odd ? (p2 | p3 | ~p5) & p4 : (p6 | p7 | ~p9) & p8;
    return p & oneCrossing & neighbours & ~side;
}

// Removes the inner corner pixel of each staircase step, where two neighbours that touch each
// other diagonally are also joined through the pixel: such pixels would look like junctions.
// One corner direction at a time, all at once: a pixel whose removal a corner relies on is
// never a corner of the same direction, and the result does not depend on where a scan of
// the picture starts, so a crop gives the same skeleton as the whole sheet.
void RemoveStairCorners(BitPlane& plane, int threads) {
    const int h = plane.Height(), words = plane.Words();
    std::vector<uint64_t> gone(size_t(h) * size_t(words), 0);
    const RowReader row(plane);
    for (int corner = 0; corner < 4; ++corner) {
        ForRowBands(h, threads, [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                const uint64_t *up = row(y - 1), *mid = row(y), *down = row(y + 1);
                for (int i = 0; i < words; ++i) {
                    uint64_t& out = gone[size_t(y) * size_t(words) + size_t(i)];
                    out = 0;
                    if (!mid[i]) continue;
                    const uint64_t n = up[i], s = down[i], e = At(mid, i, words, 1), w = At(mid, i, words, -1);
                    const uint64_t ne = At(up, i, words, 1), nw = At(up, i, words, -1), se = At(down, i, words, 1),
                                   sw = At(down, i, words, -1);
                    switch (corner) {
                    case 0: out = mid[i] & n & e & ~s & ~w & ~sw; break;
                    case 1: out = mid[i] & e & s & ~n & ~w & ~nw; break;
                    case 2: out = mid[i] & s & w & ~n & ~e & ~ne; break;
                    default: out = mid[i] & w & n & ~s & ~e & ~se; break;
                    }
                }
            }
        });
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < words; ++i) plane.Row(y)[i] &= ~gone[size_t(y) * size_t(words) + size_t(i)];
    }
}

}  // namespace

bool Thin(BitPlane& plane, int threads, const std::function<bool()>& step) {
    const int h = plane.Height(), words = plane.Words();
    if (h == 0) return true;
    std::vector<uint64_t> gone(size_t(h) * size_t(words), 0);
    // The words of each row changed in the last two passes; only words next to them can
    // change next, which keeps the passes over a large filled area cheap.
    struct Span {
        int lo = 0, hi = -1;
        void Add(int a, int b) { lo = hi < lo ? a : std::min(lo, a), hi = std::max(hi, b); }
    };
    std::vector<Span> last(static_cast<size_t>(h), Span{0, words - 1}), before = last, look(static_cast<size_t>(h));
    const RowReader row(plane);
    for (int pass = 0, quiet = 0; quiet < 2; ++pass) {
        for (int y = 0; y < h; ++y) {
            Span s;
            for (int r = std::max(0, y - 1); r <= std::min(h - 1, y + 1); ++r)
                for (const Span* t : {&last[size_t(r)], &before[size_t(r)]})
                    if (t->lo <= t->hi) s.Add(std::max(0, t->lo - 1), std::min(words - 1, t->hi + 1));
            look[size_t(y)] = s;
        }
        const bool odd = pass & 1;
        ForRowBands(h, threads, [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                const Span s = look[size_t(y)];
                uint64_t* out = &gone[size_t(y) * size_t(words)];
                const uint64_t *up = row(y - 1), *mid = row(y), *down = row(y + 1);
                for (int i = s.lo; i <= s.hi; ++i) out[i] = Deletable(up, mid, down, i, words, odd);
            }
        });
        before.swap(last);
        bool any = false;
        for (int y = 0; y < h; ++y) {
            Span changed;
            const Span s = look[size_t(y)];
            uint64_t* r = plane.Row(y);
            const uint64_t* g = &gone[size_t(y) * size_t(words)];
            for (int i = s.lo; i <= s.hi; ++i)
                if (g[i]) {
                    r[i] &= ~g[i];
                    changed.Add(i, i);
                }
            last[size_t(y)] = changed;
            any = any || changed.lo <= changed.hi;
        }
        quiet = any ? 0 : quiet + 1;
        if (step && step()) return false;
    }
    RemoveStairCorners(plane, threads);
    return true;
}
