#include "imageops/Rotate.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0;
constexpr int kFractionBits = 13;
constexpr int64_t kOnePixel = int64_t{1} << kFractionBits;
constexpr double kPi = std::numbers::pi;

bool Usable(const DibPixels& p) {
    const size_t stride = DibPixels::StrideOf(p.Width, p.BitCount);
    return stride && p.Height > 0 && p.Stride >= stride && p.Bits.size() / p.Stride >= size_t(p.Height);
}

int64_t RoundUp32(int v) { return (int64_t(v) + 31) / 32 * 32; }

int Distance(uint32_t a, uint32_t b) {
    auto d = [&](int shift) { return int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF); };
    return 30 * d(16) * d(16) + 59 * d(8) * d(8) + 11 * d(0) * d(0);
}

// The index that stands for `colour` in a paletted picture: the exact entry, else a new one
// while the depth has unused indices, else the nearest.
uint32_t PaletteIndex(std::vector<uint32_t>& palette, int bitCount, uint32_t colour) {
    for (size_t i = 0; i < palette.size(); ++i)
        if ((palette[i] & 0xFFFFFF) == colour) return uint32_t(i);
    if (palette.size() < (size_t{1} << bitCount)) {
        palette.push_back(colour);
        return uint32_t(palette.size() - 1);
    }
    size_t best = 0;
    int bestDistance = INT_MAX;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int d = Distance(palette[i] & 0xFFFFFF, colour);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return uint32_t(best);
}

// A pixel as stored: the index for 1 and 8 bits, B | G << 8 | R << 16 (| X << 24) otherwise.
uint32_t StoredAt(const DibPixels& p, int x, int y) {
    const uint8_t* row = p.Row(y);
    switch (p.BitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 8: return row[x];
    case 24: row += size_t(x) * 3; return uint32_t(row[0]) | uint32_t(row[1]) << 8 | uint32_t(row[2]) << 16;
    default: {
        uint32_t v;
        std::memcpy(&v, row + size_t(x) * 4, 4);
        return v;
    }
    }
}

void Store(DibPixels& p, int x, int y, uint32_t v) {
    uint8_t* row = p.Row(y);
    switch (p.BitCount) {
    case 1: {
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = uint8_t(v & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case 8: row[x] = uint8_t(v); break;
    case 24: row += size_t(x) * 3; row[0] = uint8_t(v), row[1] = uint8_t(v >> 8), row[2] = uint8_t(v >> 16); break;
    default: std::memcpy(row + size_t(x) * 4, &v, 4); break;
    }
}

// How white and black are stored at this depth, adding palette entries as needed.
struct Inks {
    uint32_t White = 0xFFFFFFFF, Black = 0xFF000000;
    uint8_t WhiteFill = 0xFF;  // a byte of white pixels
};
Inks InksFor(std::vector<uint32_t>& palette, int bitCount, bool needWhite, bool needBlack) {
    Inks inks;
    if (bitCount > 8) return inks;
    if (needWhite) inks.White = PaletteIndex(palette, bitCount, kWhite);
    if (needBlack) inks.Black = PaletteIndex(palette, bitCount, kBlack);
    inks.WhiteFill = bitCount == 1 ? (inks.White ? 0xFF : 0x00) : uint8_t(inks.White);
    return inks;
}

// Where a result is built: in the caller's picture, reusing its storage (on this kind of
// machine first touching fresh pages costs more than the turn itself), unless that is the
// source.
DibPixels& Target(const DibPixels& src, DibPixels& dst, DibPixels& spare) { return &src == &dst ? spare : dst; }

// ---- Quarter turns ----

constexpr int kTile = 64;

// Fills the first src.Height columns of dst (src.Width rows), a tile at a time so that both
// the rows read and the rows written stay in the cache.
template <int Bpp>
void TurnBytes(const DibPixels& src, bool right, DibPixels& dst) {
    const int w = src.Width, h = src.Height;
    const ptrdiff_t step = right ? -ptrdiff_t(src.Stride) : ptrdiff_t(src.Stride);
    const uint8_t* base = src.Bits.data();
    for (int r0 = 0; r0 < w; r0 += kTile) {
        const int r1 = std::min(w, r0 + kTile);
        for (int c0 = 0; c0 < h; c0 += kTile) {
            const int c1 = std::min(h, c0 + kTile);
            for (int r = r0; r < r1; ++r) {
                const int sx = right ? r : w - 1 - r;
                const int sy = right ? h - 1 - c0 : c0;
                ptrdiff_t at = ptrdiff_t(sy) * ptrdiff_t(src.Stride) + ptrdiff_t(sx) * Bpp;
                uint8_t* d = dst.Row(r) + size_t(c0) * Bpp;
                for (int c = c0; c < c1; ++c, at += step, d += Bpp) std::memcpy(d, base + at, Bpp);
            }
        }
    }
}

// Row j of the 8x8 bit matrix in byte 7-j, column i in bit 7-i; returns the transpose.
uint64_t Transpose8x8(uint64_t x) {
    uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x ^= t ^ (t << 28);
    return x;
}

// 1 bit: each destination byte holds 8 source rows, so 8 source rows by 8 columns turn as one
// bit-matrix transpose. Rows beyond the picture read as `pad`.
void TurnBits(const DibPixels& src, bool right, uint8_t pad, DibPixels& dst) {
    const int w = src.Width, h = src.Height;
    const int groups = (h + 7) / 8, srcBytes = (w + 7) / 8;
    const std::vector<uint8_t> padRow(size_t(srcBytes), pad);
    constexpr int kBlock = 32;
    for (int k0 = 0; k0 < groups; k0 += kBlock) {
        const int k1 = std::min(groups, k0 + kBlock);
        for (int b0 = 0; b0 < srcBytes; b0 += kBlock) {
            const int b1 = std::min(srcBytes, b0 + kBlock);
            for (int k = k0; k < k1; ++k) {
                const uint8_t* rows[8];
                for (int j = 0; j < 8; ++j) {
                    const int sy = right ? h - 1 - (8 * k + j) : 8 * k + j;
                    rows[j] = sy >= 0 && sy < h ? src.Row(sy) : padRow.data();
                }
                for (int b = b0; b < b1; ++b) {
                    uint64_t m = 0;
                    for (int j = 0; j < 8; ++j) m = m << 8 | rows[j][b];
                    m = Transpose8x8(m);
                    const int count = std::min(8, w - 8 * b);
                    for (int i = 0; i < count; ++i) {
                        const int x = 8 * b + i;
                        dst.Row(right ? x : w - 1 - x)[k] = uint8_t(m >> (56 - 8 * i));
                    }
                }
            }
        }
    }
}

void Turn(const DibPixels& src, bool right, uint8_t pad, DibPixels& dst) {
    switch (src.BitCount) {
    case 1: TurnBits(src, right, pad, dst); break;
    case 8: TurnBytes<1>(src, right, dst); break;
    case 24: TurnBytes<3>(src, right, dst); break;
    default: TurnBytes<4>(src, right, dst); break;
    }
}

// ---- The 2x2 rule ----

struct Cell {
    int Copy;            // the neighbour copied, or -1 for a vote
    int Weights[4] = {};
};
constexpr Cell kCells[4][4] = {
    {{0}, {0}, {1}, {1}},
    {{0}, {-1, {4, 2, 2, 1}}, {-1, {2, 4, 2, 1}}, {1}},
    {{2}, {-1, {2, 2, 4, 1}}, {-1, {1, 2, 2, 4}}, {3}},
    {{2}, {2}, {3}, {3}},
};
constexpr int kPickWhite = 4, kPickBlack = 5;

int Pick(int qx, int qy, const bool notWhite[4]) {
    const Cell& cell = kCells[qy & 3][qx & 3];
    if (cell.Copy >= 0) return cell.Copy;
    int sum = 0;
    for (int i = 0; i < 4; ++i)
        if (notWhite[i]) sum += cell.Weights[i];
    return sum >= 5 ? kPickBlack : kPickWhite;
}

}  // namespace

bool QuarterTurnPixels(const DibPixels& src, int degrees, DibPixels& dst) {
    if ((degrees != 90 && degrees != 270) || !Usable(src)) return false;
    DibPixels spare;
    DibPixels& out = Target(src, dst, spare);
    if (!out.Allocate(src.Height, src.Width, src.BitCount)) return false;
    out.Palette = src.Palette;
    Turn(src, degrees == 90, 0, out);
    if (&out != &dst) dst = std::move(out);
    return true;
}

uint32_t VoteQuarter(int qx, int qy, const uint32_t n[4]) {
    bool notWhite[4];
    for (int i = 0; i < 4; ++i) notWhite[i] = (n[i] & 0xFFFFFF) != kWhite;
    const int pick = Pick(qx, qy, notWhite);
    return pick == kPickWhite ? kWhite : pick == kPickBlack ? kBlack : n[pick];
}

bool RotateQuarterVote(const DibPixels& src, int degrees, DibPixels& dst) {
    if (degrees != 90 && degrees != 270) return false;
    // The sampling point inside each source pixel is the fraction of the turn's fixed-point
    // start. It is worked out with the same truncated cos and sin as the steps: in floating
    // point cos(pi/2) is 6e-17, not 0, which leaves starts such as 16383.99999 for a 10000 x 3
    // picture that truncate to a fraction of 8191 and make the rule copy the next row instead.
    const double a = degrees == 90 ? -kPi / 2 : kPi / 2;
    const int64_t cosStep = int64_t(std::cos(a) * double(kOnePixel));
    const int64_t sinStep = int64_t(std::sin(a) * double(kOnePixel));
    const int64_t cx = src.Width / 2, cy = src.Height / 2;
    const int64_t x0 = cx * kOnePixel - cy * cosStep + cx * sinStep;
    const int64_t y0 = cy * kOnePixel - cx * cosStep - cy * sinStep;
    return RotateQuarterVoteAt(src, degrees, int(x0 & (kOnePixel - 1)), int(y0 & (kOnePixel - 1)), dst);
}

bool RotateQuarterVoteAt(const DibPixels& src, int degrees, int fractionX, int fractionY, DibPixels& dst) {
    if ((degrees != 90 && degrees != 270) || !Usable(src)) return false;
    const bool right = degrees == 90;
    const int w = src.Width, h = src.Height;
    const double a = right ? -kPi / 2 : kPi / 2;
    // Per destination column (along a row) and per destination row, in 1/8192 pixel.
    const int64_t acrossX = int64_t(std::cos(a) * double(kOnePixel));
    const int64_t acrossY = int64_t(std::sin(a) * double(kOnePixel));
    const int64_t downX = int64_t(std::cos(a + kPi / 2) * double(kOnePixel));
    const int64_t downY = int64_t(std::sin(a + kPi / 2) * double(kOnePixel));
    // The start's whole part is the source pixel of destination (0, 0): (0, H-1) turning right,
    // (W-1, 0) turning left. Starting at the far edge (H or W) would shift the picture a pixel
    // and lose its first line.
    fractionX &= int(kOnePixel - 1);
    fractionY &= int(kOnePixel - 1);
    const int64_t startX = int64_t(right ? 0 : w - 1) * kOnePixel + fractionX;
    const int64_t startY = int64_t(right ? h - 1 : 0) * kOnePixel + fractionY;

    const int qx = (fractionX >> 11) & 3, qy = (fractionY >> 11) & 3;
    const bool wholeSteps = acrossX % kOnePixel == 0 && acrossY % kOnePixel == 0 && downX % kOnePixel == 0 &&
                            downY % kOnePixel == 0;
    const bool noneWhite[4] = {true, true, true, true};
    const int cell = Pick(qx, qy, noneWhite);
    // With whole-pixel steps every pixel is sampled at the same place, and where that place
    // copies (X, Y) the result is the plain quarter turn.
    const bool plain = wholeSteps && cell == 0;

    const int64_t width = RoundUp32(h);
    DibPixels spare;
    DibPixels& out = Target(src, dst, spare);
    out.Palette = src.Palette;
    const Inks inks = InksFor(out.Palette, src.BitCount, width > h || !plain, !plain && kCells[qy][qx].Copy < 0);
    if (width > INT_MAX || !out.Allocate(int(width), w, src.BitCount, inks.WhiteFill)) return false;

    if (plain) {
        Turn(src, right, inks.WhiteFill, out);
    } else {
        const int dx[4] = {0, 1, 0, 1}, dy[4] = {0, 0, 1, 1};
        for (int r = 0; r < w; ++r) {
            int64_t x = startX + r * downX, y = startY + r * downY;
            for (int c = 0; c < h; ++c, x += acrossX, y += acrossY) {
                const int px = int(x >> kFractionBits), py = int(y >> kFractionBits);
                const int sqx = int(x >> 11) & 3, sqy = int(y >> 11) & 3;
                uint32_t stored[4];
                bool notWhite[4];
                for (int i = 0; i < 4; ++i) {
                    const int nx = px + dx[i], ny = py + dy[i];
                    const bool inside = nx >= 0 && nx < w && ny >= 0 && ny < h;
                    stored[i] = inside ? StoredAt(src, nx, ny) : inks.White;
                    notWhite[i] = inside && src.ColourAt(nx, ny) != kWhite;
                }
                const int pick = Pick(sqx, sqy, notWhite);
                Store(out, c, r, pick == kPickWhite ? inks.White : pick == kPickBlack ? inks.Black : stored[pick]);
            }
        }
    }
    if (&out != &dst) dst = std::move(out);
    return true;
}

namespace {

struct AngleTurn {
    double Cos, Sin, Cx, Cy;
};

// The source pixel of destination (c, r), truncated toward zero.
void SourceOf(const AngleTurn& t, int c, int r, int& sx, int& sy) {
    sx = int((c - t.Cx) * t.Cos - (r - t.Cy) * t.Sin + t.Cx + 0.5);
    sy = int((c - t.Cx) * t.Sin + (r - t.Cy) * t.Cos + t.Cy + 0.5);
}

// Along a row the source position grows by (cos, sin) per column. The running sums drift
// from the direct formula by far less than this, so only a sum this close to a whole number
// can truncate differently; those few pixels take the formula.
constexpr double kNearWhole = 1e-6;

bool NearWhole(double v, int truncated) {
    const double f = std::fabs(v - truncated);
    return f < kNearWhole || f > 1 - kNearWhole;
}

template <int Bits>
void TurnRows(const DibPixels& src, const AngleTurn& t, uint32_t white, DibPixels& out) {
    const int w = src.Width, h = src.Height, width = out.Width;
    for (int r = 0; r < out.Height; ++r) {
        uint8_t* d = out.Row(r);
        double x = (0 - t.Cx) * t.Cos - (r - t.Cy) * t.Sin + t.Cx + 0.5;
        double y = (0 - t.Cx) * t.Sin + (r - t.Cy) * t.Cos + t.Cy + 0.5;
        unsigned byte = 0;
        for (int c = 0; c < width; ++c, x += t.Cos, y += t.Sin) {
            int sx = int(x), sy = int(y);
            if (NearWhole(x, sx) || NearWhole(y, sy)) SourceOf(t, c, r, sx, sy);
            const bool inside = unsigned(sx) < unsigned(w) && unsigned(sy) < unsigned(h);
            if constexpr (Bits == 1) {
                const unsigned bit = inside ? (src.Row(sy)[sx >> 3] >> (7 - (sx & 7))) & 1 : white;
                byte = byte << 1 | bit;
                if ((c & 7) == 7) d[c >> 3] = uint8_t(byte), byte = 0;
            } else if constexpr (Bits == 8) {
                d[c] = inside ? src.Row(sy)[sx] : uint8_t(white);
            } else {
                constexpr int kBpp = Bits / 8;
                if (inside) std::memcpy(d + size_t(c) * kBpp, src.Row(sy) + size_t(sx) * kBpp, kBpp);
                // else left as the white the rows were filled with
            }
        }
    }
}

}  // namespace

bool RotateByAnglePixels(const DibPixels& src, double angle, DibPixels& dst) {
    if (!Usable(src) || !std::isfinite(angle)) return false;
    const int64_t width = RoundUp32(src.Width);
    DibPixels spare;
    DibPixels& out = Target(src, dst, spare);
    out.Palette = src.Palette;
    const Inks inks = InksFor(out.Palette, src.BitCount, true, false);
    if (width > INT_MAX || !out.Allocate(int(width), src.Height, src.BitCount, inks.WhiteFill)) return false;
    const AngleTurn t{std::cos(angle), std::sin(angle), src.Width * 0.5, src.Height * 0.5};
    switch (src.BitCount) {
    case 1: TurnRows<1>(src, t, inks.White, out); break;
    case 8: TurnRows<8>(src, t, inks.White, out); break;
    case 24: TurnRows<24>(src, t, inks.White, out); break;
    default: TurnRows<32>(src, t, inks.White, out); break;
    }
    if (&out != &dst) dst = std::move(out);
    return true;
}
