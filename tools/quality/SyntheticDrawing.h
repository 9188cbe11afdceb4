// Deterministic synthetic drawings with known segments, for scoring the tracer: lines of
// every direction and widths 1-6, dashes, rectangles, filled areas, text-like clutter and
// noise specks. Header-only, shared by the quality test, the benchmarks and tools.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "vectorize/MonoBits.h"

namespace quality {

// In store coordinates: the centre of image pixel (c, r) is (c + 1, r + 1).
struct TrueSegment {
    double x1, y1, x2, y2;
    double width;
    double Length() const { return std::hypot(x2 - x1, y2 - y1); }
};

enum class Kind { Lines, Dashed, Rectangles, Filled, Text, Noise, Mixed };
constexpr Kind kAllKinds[] = {Kind::Lines, Kind::Dashed, Kind::Rectangles, Kind::Filled,
                              Kind::Text,  Kind::Noise,  Kind::Mixed};

inline const char* KindName(Kind k) {
    switch (k) {
    case Kind::Lines: return "lines";
    case Kind::Dashed: return "dashed";
    case Kind::Rectangles: return "rectangles";
    case Kind::Filled: return "filled";
    case Kind::Text: return "text";
    case Kind::Noise: return "noise";
    case Kind::Mixed: return "mixed";
    }
    return "?";
}

struct Sheet {
    const char* name;
    int width, height;
};
constexpr Sheet kA4At200 = {"A4@200", 2339, 1654};
constexpr Sheet kA3At300 = {"A3@300", 4961, 3508};
constexpr Sheet kA1At400 = {"A1@400", 13244, 9354};

// A filled rectangle, or a right triangle with its right angle at the bottom left (x0, y1).
struct FillArea {
    double x0, y0, x1, y1;
    bool triangle;
    // Deeper inside than `margin`: nothing drawn there can be told apart from the fill.
    bool Covers(double x, double y, double margin) const {
        if (x < x0 + margin || x > x1 - margin || y < y0 + margin || y > y1 - margin) return false;
        if (!triangle) return true;
        const double dx = x1 - x0, dy = y1 - y0;  // hypotenuse from (x0, y0) to (x1, y1)
        return ((x - x0) * dy - (y - y0) * dx) / std::hypot(dx, dy) <= -margin;
    }
};

struct Drawing {
    MonoImage Image;
    std::vector<TrueSegment> Truth;
    std::vector<FillArea> Fills;  // in store coordinates
};

class DrawingMaker {
public:
    DrawingMaker(int width, int height, uint32_t seed) : rng_(seed) {
        d_.Image = MonoImage(width, height);
    }

    Drawing Make(Kind kind) {
        const double area = double(Width()) * Height() / 1.0e6;  // megapixels
        auto count = [&](double perMegapixel) { return std::max(1, int(perMegapixel * area)); };
        switch (kind) {
        case Kind::Lines: Lines(count(12)); break;
        case Kind::Dashed: Dashed(count(6)); break;
        case Kind::Rectangles: Rectangles(count(8)); break;
        case Kind::Filled: Filled(count(4)); break;
        case Kind::Text: Text(count(25)); break;
        case Kind::Noise:
            Lines(count(4));
            Specks(count(400));
            break;
        case Kind::Mixed:
            Lines(count(8));
            Dashed(count(3));
            Rectangles(count(3));
            Filled(count(1));
            Text(count(12));
            Specks(count(100));
            break;
        }
        return std::move(d_);
    }

private:
    int Width() const { return d_.Image.Width; }
    int Height() const { return d_.Image.Height; }
    double Uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
    int Int(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }

    // Pixels whose centre lies within width/2 of the segment (round caps); 0-based pixels.
    void Stroke(double x1, double y1, double x2, double y2, double width, bool truth = true) {
        // An even width centred between pixel rows, so a horizontal stroke is `width` rows.
        if (int(width) % 2 == 0) x1 += 0.5, y1 += 0.5, x2 += 0.5, y2 += 0.5;
        const double r = width / 2 + 1e-9;
        const int left = std::max(0, int(std::floor(std::min(x1, x2) - r)));
        const int right = std::min(Width() - 1, int(std::ceil(std::max(x1, x2) + r)));
        const int top = std::max(0, int(std::floor(std::min(y1, y2) - r)));
        const int bottom = std::min(Height() - 1, int(std::ceil(std::max(y1, y2) + r)));
        const double dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
        for (int y = top; y <= bottom; ++y) {
            // Only the columns near the segment at this row.
            int from = left, to = right;
            if (std::abs(dy) > 1e-9 && std::abs(dx) > 1e-9) {
                const double t0 = (y - r - y1) / dy, t1 = (y + r - y1) / dy;
                const double xa = x1 + dx * std::clamp(std::min(t0, t1), 0.0, 1.0);
                const double xb = x1 + dx * std::clamp(std::max(t0, t1), 0.0, 1.0);
                const double slope = std::abs(dx / dy);
                from = std::max(left, int(std::floor(std::min(xa, xb) - r * (1 + slope))) - 1);
                to = std::min(right, int(std::ceil(std::max(xa, xb) + r * (1 + slope))) + 1);
            }
            for (int x = from; x <= to; ++x) {
                double t = len2 > 0 ? ((x - x1) * dx + (y - y1) * dy) / len2 : 0;
                t = std::clamp(t, 0.0, 1.0);
                const double ex = x1 + t * dx - x, ey = y1 + t * dy - y;
                if (ex * ex + ey * ey <= r * r) d_.Image.Set(x, y, true);
            }
        }
        if (truth) d_.Truth.push_back({x1 + 1, y1 + 1, x2 + 1, y2 + 1, width});
    }

    void Lines(int n) {
        for (int i = 0; i < n; ++i) {
            const double width = Int(1, 6);
            const double length = Uniform(80, Longest(1600));
            double angle;
            switch (i % 5) {
            case 0: angle = 0; break;
            case 1: angle = M_PI / 2; break;
            case 2: angle = (Int(0, 1) ? 1 : -1) * M_PI / 4; break;
            default: angle = Uniform(0, M_PI); break;
            }
            const double cx = Uniform(length / 2 + 10, Width() - length / 2 - 10);
            const double cy = Uniform(10, Height() - 10);
            double x1 = std::round(cx - std::cos(angle) * length / 2), y1 = std::round(cy - std::sin(angle) * length / 2);
            double x2 = std::round(cx + std::cos(angle) * length / 2), y2 = std::round(cy + std::sin(angle) * length / 2);
            Clip(x1, y1, x2, y2);
            Stroke(x1, y1, x2, y2, width);
        }
    }

    void Dashed(int n) {
        for (int i = 0; i < n; ++i) {
            const double width = Int(1, 3), dash = Int(12, 30), gap = Int(6, 12);
            const double length = Uniform(200, Longest(1200));
            const double angle = i % 3 == 0 ? 0 : i % 3 == 1 ? M_PI / 2 : Uniform(0, M_PI);
            const double ux = std::cos(angle), uy = std::sin(angle);
            const double sx = Uniform(10, Width() - 10), sy = Uniform(10, Height() - 10);
            for (double t = 0; t + dash <= length; t += dash + gap) {
                double x1 = std::round(sx + ux * t), y1 = std::round(sy + uy * t);
                double x2 = std::round(sx + ux * (t + dash)), y2 = std::round(sy + uy * (t + dash));
                if (!Inside(x1, y1) || !Inside(x2, y2)) break;
                Stroke(x1, y1, x2, y2, width);
            }
        }
    }

    void Rectangles(int n) {
        for (int i = 0; i < n; ++i) {
            const double width = Int(1, 4);
            const int w = Int(40, int(Longest(500))), h = Int(40, int(Longest(500)));
            const int x = Int(8, std::max(9, Width() - w - 8)), y = Int(8, std::max(9, Height() - h - 8));
            if (x + w >= Width() - 4 || y + h >= Height() - 4) continue;
            Stroke(x, y, x + w, y, width);
            Stroke(x + w, y, x + w, y + h, width);
            Stroke(x + w, y + h, x, y + h, width);
            Stroke(x, y + h, x, y, width);
        }
    }

    // Solid rectangles and triangles apart from each other; their truth is the outline.
    void Filled(int n) {
        for (int i = 0; i < n; ++i) {
            const int w = Int(30, int(Longest(300))), h = Int(30, int(Longest(300)));
            const int x = Int(8, std::max(9, Width() - w - 8)), y = Int(8, std::max(9, Height() - h - 8));
            if (x + w >= Width() - 4 || y + h >= Height() - 4) continue;
            bool apart = true;
            for (const FillArea& f : d_.Fills)
                apart = apart && (x + 1 > f.x1 + 6 || x + w + 1 < f.x0 - 6 || y + 1 > f.y1 + 6 || y + h + 1 < f.y0 - 6);
            if (!apart) continue;
            d_.Fills.push_back({double(x + 1), double(y + 1), double(x + w + 1), double(y + h + 1), i % 2 == 1});
            if (i % 2 == 0) {
                for (int yy = y; yy <= y + h; ++yy)
                    for (int xx = x; xx <= x + w; ++xx) d_.Image.Set(xx, yy, true);
                Edge(x, y, x + w, y);
                Edge(x + w, y, x + w, y + h);
                Edge(x + w, y + h, x, y + h);
                Edge(x, y + h, x, y);
            } else {  // right triangle with its right angle at the bottom left
                for (int yy = y; yy <= y + h; ++yy) {
                    const int right = x + int(std::floor(double(w) * (yy - y) / h));
                    for (int xx = x; xx <= right; ++xx) d_.Image.Set(xx, yy, true);
                }
                Edge(x, y, x, y + h);
                Edge(x, y + h, x + w, y + h);
                Edge(x + w, y + h, x, y);
            }
        }
    }
    void Edge(double x1, double y1, double x2, double y2) { d_.Truth.push_back({x1 + 1, y1 + 1, x2 + 1, y2 + 1, 1}); }

    // Rows of character-like cells: a few short strokes in boxes of 10-18 pixels.
    void Text(int words) {
        for (int i = 0; i < words; ++i) {
            const int size = Int(10, 18), letters = Int(3, 10);
            const double width = Int(1, 2);
            const int x = Int(4, std::max(5, Width() - letters * size - 4)), y = Int(4, std::max(5, Height() - size - 4));
            if (x + letters * size >= Width() - 2 || y + size >= Height() - 2) continue;
            for (int k = 0; k < letters; ++k) {
                const int cx = x + k * size, strokes = Int(2, 4);
                for (int s = 0; s < strokes; ++s) {
                    const int ax = cx + Int(1, size - 3), ay = y + Int(0, size - 2);
                    const int bx = cx + Int(1, size - 3), by = y + Int(0, size - 2);
                    if (std::abs(ax - bx) + std::abs(ay - by) < 4) continue;
                    Stroke(ax, ay, bx, by, width);
                }
            }
        }
    }

    void Specks(int n) {
        for (int i = 0; i < n; ++i) {
            const int x = Int(1, Width() - 4), y = Int(1, Height() - 4), size = Int(1, 3);
            for (int yy = 0; yy < size; ++yy)
                for (int xx = 0; xx < size; ++xx)
                    if (Int(0, 3) != 0) d_.Image.Set(x + xx, y + yy, true);
        }
    }

    // Sizes are in pixels, so a larger sheet is more of the same density, not longer lines.
    double Longest(double pixels) const { return std::max(41.0, std::min(pixels, std::min(Width(), Height()) * 0.8)); }
    bool Inside(double x, double y) const { return x >= 2 && y >= 2 && x <= Width() - 3 && y <= Height() - 3; }
    void Clip(double& x1, double& y1, double& x2, double& y2) const {
        auto clamp = [&](double& x, double& y) {
            x = std::clamp(x, 2.0, double(Width() - 3));
            y = std::clamp(y, 2.0, double(Height() - 3));
        };
        clamp(x1, y1);
        clamp(x2, y2);
    }

    std::mt19937 rng_;
    Drawing d_;
};

inline Drawing MakeDrawing(Kind kind, int width, int height, uint32_t seed) {
    return DrawingMaker(width, height, seed).Make(kind);
}

// PBM (P4) bytes of a picture, for peers such as potrace.
inline std::string ToPbm(const MonoImage& image) {
    std::string out = "P4\n" + std::to_string(image.Width) + " " + std::to_string(image.Height) + "\n";
    const size_t rowBytes = (size_t(image.Width) + 7) / 8;
    for (int y = 0; y < image.Height; ++y)
        out.append(reinterpret_cast<const char*>(&image.Data[size_t(y) * image.Stride]), rowBytes);
    return out;
}

}  // namespace quality
