// Deterministic synthetic drawings with known segments, for scoring the tracer: lines of
// every direction and widths 1-6, dashes, rectangles, filled areas, text-like clutter and
// noise specks; and the draughtsman's content: 1-px hatching, dimension lines with ticks or
// arrowheads, walls 3-8 px wide meeting in Ts and crosses, circles and arcs, short lines at
// every offset within a 32-pixel tile, any of them optionally as a skewed, rough scan.
// Header-only, shared by the quality tests, the benchmarks and tools.
//
// Truth conventions. Coordinates are continuous: an even-width stroke along an axis has its
// centre line on a half pixel, so it is exactly `width` rows. A true segment ends where its
// stroke's round or square cap is centred, half the width inside the ink. Segments are split
// where another line ends on or crosses them, so a T is three true segments and a cross four,
// all ending on exactly the same point. A curve is a chain of chords with sagitta < 0.05 px
// sharing one `Curve` id; its inner joints are neither ends nor corners.
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
    int Curve = 0;  // from 1: the circle or arc this is a chord of; 0 for a straight segment
    double Length() const { return std::hypot(x2 - x1, y2 - y1); }
    bool Curved() const { return Curve != 0; }
};

enum class Kind { Lines, Dashed, Rectangles, Filled, Text, Noise, Mixed, Hatching, Dimensions, Walls, Circles, Offsets, Scan };
// The kinds the solid and outline floors were set on.
constexpr Kind kAllKinds[] = {Kind::Lines, Kind::Dashed, Kind::Rectangles, Kind::Filled,
                              Kind::Text,  Kind::Noise,  Kind::Mixed};
// Technical drawings: what the centre-line mode is for. Scan is always scanned.
constexpr Kind kTechnicalKinds[] = {Kind::Hatching, Kind::Dimensions, Kind::Walls,
                                    Kind::Circles,  Kind::Offsets,    Kind::Scan};

inline const char* KindName(Kind k) {
    switch (k) {
    case Kind::Lines: return "lines";
    case Kind::Dashed: return "dashed";
    case Kind::Rectangles: return "rectangles";
    case Kind::Filled: return "filled";
    case Kind::Text: return "text";
    case Kind::Noise: return "noise";
    case Kind::Mixed: return "mixed";
    case Kind::Hatching: return "hatching";
    case Kind::Dimensions: return "dimensions";
    case Kind::Walls: return "walls";
    case Kind::Circles: return "circles";
    case Kind::Offsets: return "offsets";
    case Kind::Scan: return "scan";
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
    // Deep inside a filled area, where no tracer can see a true line.
    bool Buried(double x, double y) const {
        for (const FillArea& f : Fills)
            if (f.Covers(x, y, 1.5)) return true;
        return false;
    }
};

class DrawingMaker {
public:
    // `scanned`: skew 0.3 degrees, rough edges, pinholes in wide strokes and specks.
    DrawingMaker(int width, int height, uint32_t seed, bool scanned = false) : rng_(seed), scanned_(scanned) {
        d_.Image = MonoImage(width, height);
    }

    Drawing Make(Kind kind) {
        if (kind == Kind::Scan) scanned_ = true;
        if (scanned_) {
            skew_ = 0.3 * M_PI / 180;
            // Keep whole objects on the sheet after turning it about its centre.
            margin_ += std::hypot(Width(), Height()) / 2 * std::sin(skew_);
        }
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
        case Kind::Hatching: Hatching(count(3)); break;
        case Kind::Dimensions: Dimensions(count(10)); break;
        case Kind::Walls: Walls(count(2)); break;
        case Kind::Circles: Circles(count(8)); break;
        case Kind::Offsets: Offsets(); break;
        case Kind::Scan:
            Walls(count(0.8));
            Hatching(count(1.5));
            Dimensions(count(5));
            Circles(count(4));
            break;
        }
        if (scanned_) {
            RoughEdges(0.05);
            Pinholes(0.01);
            AwaySpecks(count(60));
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
        InkRound(x1, y1, x2, y2, width);
        if (truth) d_.Truth.push_back({x1 + 1, y1 + 1, x2 + 1, y2 + 1, width});
    }

    void InkRound(double x1, double y1, double x2, double y2, double width) {
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

    // ---- Technical drawings. Geometry is in unturned 0-based pixel coordinates; Turn maps
    // it onto the (possibly skewed) sheet for ink and truth alike.
    struct Pt {
        double x, y;
    };
    Pt Turn(Pt p) const {
        if (skew_ == 0) return p;
        const double cx = Width() / 2.0, cy = Height() / 2.0, c = std::cos(skew_), s = std::sin(skew_);
        return {cx + (p.x - cx) * c - (p.y - cy) * s, cy + (p.x - cx) * s + (p.y - cy) * c};
    }
    void Truth(Pt a, Pt b, double width, int curve = 0) {
        const Pt p = Turn(a), q = Turn(b);
        d_.Truth.push_back({p.x + 1, p.y + 1, q.x + 1, q.y + 1, width, curve});
    }
    // True pieces between consecutive points of a straight stroke cut where others meet it.
    void Chain(std::vector<Pt> points, double width) {
        const Pt a = points.front();
        std::sort(points.begin(), points.end(), [&](Pt p, Pt q) { return std::hypot(p.x - a.x, p.y - a.y) < std::hypot(q.x - a.x, q.y - a.y); });
        for (size_t i = 1; i < points.size(); ++i)
            if (std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y) > 1e-9) Truth(points[i - 1], points[i], width);
    }
    void Round(Pt a, Pt b, double width) {
        const Pt p = Turn(a), q = Turn(b);
        InkRound(p.x, p.y, q.x, q.y, width);
    }
    // A stroke with square caps reaching width/2 beyond its ends, as walls are drawn.
    void Square(Pt a, Pt b, double width) {
        const Pt p = Turn(a), q = Turn(b);
        const double len = std::hypot(q.x - p.x, q.y - p.y), ux = (q.x - p.x) / len, uy = (q.y - p.y) / len;
        const double r = width / 2 + 1e-9, reach = r * 1.5 + 1;
        const int left = std::max(0, int(std::floor(std::min(p.x, q.x) - reach)));
        const int right = std::min(Width() - 1, int(std::ceil(std::max(p.x, q.x) + reach)));
        const int top = std::max(0, int(std::floor(std::min(p.y, q.y) - reach)));
        const int bottom = std::min(Height() - 1, int(std::ceil(std::max(p.y, q.y) + reach)));
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const double along = (x - p.x) * ux + (y - p.y) * uy, across = -(x - p.x) * uy + (y - p.y) * ux;
                if (along >= -r && along <= len + r && std::abs(across) <= r) d_.Image.Set(x, y, true);
            }
    }
    // A circle (span 2 pi) or an arc with round caps, centred on (cx, cy), from angle `from`.
    void Ring(double cx, double cy, double radius, double width, double from, double span) {
        const bool full = span >= 2 * M_PI - 1e-9;
        const Pt c = Turn({cx, cy});
        const double r = width / 2 + 1e-9, start = from + skew_;
        const Pt e1 = {c.x + radius * std::cos(start), c.y + radius * std::sin(start)};
        const Pt e2 = {c.x + radius * std::cos(start + span), c.y + radius * std::sin(start + span)};
        const int left = std::max(0, int(std::floor(c.x - radius - r))), right = std::min(Width() - 1, int(std::ceil(c.x + radius + r)));
        const int top = std::max(0, int(std::floor(c.y - radius - r))), bottom = std::min(Height() - 1, int(std::ceil(c.y + radius + r)));
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                bool ink = false;
                if (std::abs(std::hypot(x - c.x, y - c.y) - radius) <= r) {
                    double a = std::atan2(y - c.y, x - c.x) - start;
                    a -= 2 * M_PI * std::floor(a / (2 * M_PI));
                    ink = full || a <= span;
                }
                if (!full) ink = ink || std::hypot(x - e1.x, y - e1.y) <= r || std::hypot(x - e2.x, y - e2.y) <= r;
                if (ink) d_.Image.Set(x, y, true);
            }
        // Chords short enough that they stray less than 0.05 px from the arc.
        const double step = 2 * std::acos(1 - 0.05 / radius);
        const int n = std::max(2, int(std::ceil(span / step)));
        const int curve = ++curves_;
        Pt prev = {cx + radius * std::cos(from), cy + radius * std::sin(from)};
        for (int k = 1; k <= n; ++k) {
            const double a = k == n && full ? from : from + span * k / n;
            const Pt p = {cx + radius * std::cos(a), cy + radius * std::sin(a)};
            Truth(prev, p, width, curve);
            prev = p;
        }
    }
    // Offset of a stroke's centre line from whole pixels: even widths lie between rows.
    static double Half(int width) { return width % 2 == 0 ? 0.5 : 0; }

    // Finds room for a w x h box (with a gap around it) that overlaps no earlier one.
    bool Place(double w, double h, double& x, double& y) {
        for (int attempt = 0; attempt < 60; ++attempt) {
            const double lo = margin_, hiX = Width() - margin_ - w, hiY = Height() - margin_ - h;
            if (hiX <= lo || hiY <= lo) return false;
            x = std::floor(Uniform(lo, hiX)), y = std::floor(Uniform(lo, hiY));
            bool apart = true;
            for (const Box& b : boxes_) apart = apart && (x > b.x1 + 12 || x + w < b.x0 - 12 || y > b.y1 + 12 || y + h < b.y0 - 12);
            if (apart) {
                boxes_.push_back({x, y, x + w, y + h});
                return true;
            }
        }
        return false;
    }

    // Rectangles of 1-3 px filled with 1-px hatch lines at 30, 45 or 60 degrees, 6-12 px
    // apart, ending on the rectangle's centre line: Ts at acute angles.
    void Hatching(int n) {
        for (int i = 0; i < n; ++i) {
            const double w = Int(120, int(Longest(360))), h = Int(100, int(Longest(300)));
            double x, y;
            if (!Place(w + 8, h + 8, x, y)) continue;
            const int border = Int(1, 3);
            const double x0 = x + 4 + Half(border), y0 = y + 4 + Half(border), x1 = x0 + w, y1 = y0 + h;
            const double angle = (30 + 15 * (i % 3)) * M_PI / 180 * (Int(0, 1) ? 1 : -1);
            const double ux = std::cos(angle), uy = std::sin(angle), nx = -uy, ny = ux;
            const double spacing = Int(6, 12);
            std::vector<Pt> sides[4] = {{{x0, y0}, {x1, y0}}, {{x1, y0}, {x1, y1}}, {{x1, y1}, {x0, y1}}, {{x0, y1}, {x0, y0}}};
            double lo = 1e18, hi = -1e18;
            for (const Pt& p : {Pt{x0, y0}, Pt{x1, y0}, Pt{x0, y1}, Pt{x1, y1}}) {
                lo = std::min(lo, p.x * nx + p.y * ny);
                hi = std::max(hi, p.x * nx + p.y * ny);
            }
            for (double c = lo + Uniform(1, spacing); c < hi - 1; c += spacing) {
                // Where the line n.p = c crosses the rectangle, and on which sides.
                Pt ends[2];
                int side[2], found = 0;
                for (int s = 0; s < 4 && found < 2; ++s) {
                    const Pt a = sides[s][0], b = sides[s][1];
                    const double fa = a.x * nx + a.y * ny - c, fb = b.x * nx + b.y * ny - c;
                    if ((fa < 0) == (fb < 0) || fa == fb) continue;
                    const double t = fa / (fa - fb);
                    ends[found] = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
                    side[found++] = s;
                }
                if (found < 2) continue;
                bool nearCorner = false;
                for (const Pt& e : ends)
                    for (const Pt& k : {Pt{x0, y0}, Pt{x1, y0}, Pt{x0, y1}, Pt{x1, y1}})
                        nearCorner = nearCorner || std::hypot(e.x - k.x, e.y - k.y) < border + 4;
                if (nearCorner || std::hypot(ends[1].x - ends[0].x, ends[1].y - ends[0].y) < 15) continue;
                Round(ends[0], ends[1], 1);
                Truth(ends[0], ends[1], 1);
                sides[side[0]].push_back(ends[0]);
                sides[side[1]].push_back(ends[1]);
            }
            for (const auto& s : sides) {
                Round(s[0], s[1], border);
                Chain(s, border);
            }
        }
    }

    // Dimension lines 1-2 px wide: a 45-degree tick crossing each end, or open arrowheads
    // of two barbs 10-14 px long at 15-20 degrees. The tick is two true segments from the end.
    void Dimensions(int n) {
        for (int i = 0; i < n; ++i) {
            const int width = Int(1, 2);
            const double length = Uniform(150, Longest(700));
            double angle;
            switch (i % 4) {
            case 0: angle = 0; break;
            case 1: angle = M_PI / 2; break;
            case 2: angle = (30 + 15 * Int(0, 2)) * M_PI / 180 * (Int(0, 1) ? 1 : -1); break;
            default: angle = Uniform(0, M_PI); break;
            }
            const bool arrows = Int(0, 1) == 1;
            const double ux = std::cos(angle), uy = std::sin(angle);
            const double bw = std::abs(ux) * length + 40, bh = std::abs(uy) * length + 40;
            double x, y;
            if (!Place(bw, bh, x, y)) continue;
            const double sx = std::round(x + 20 + (ux < 0 ? -ux * length : 0)) + Half(width);
            const double sy = std::round(y + 20 + (uy < 0 ? -uy * length : 0)) + Half(width);
            const Pt a = {sx, sy}, b = {std::round(sx + ux * length - Half(width)) + Half(width), std::round(sy + uy * length - Half(width)) + Half(width)};
            Round(a, b, width);
            Truth(a, b, width);
            for (int end = 0; end < 2; ++end) {
                const Pt e = end ? b : a;
                const double dx = end ? ux : -ux, dy = end ? uy : -uy;  // outwards
                if (!arrows) {
                    const double half = Uniform(6, 10), c = std::cos(M_PI / 4), s = std::sin(M_PI / 4);
                    const Pt t = {dx * c - dy * s, dx * s + dy * c};
                    const Pt p = {e.x + t.x * half, e.y + t.y * half}, q = {e.x - t.x * half, e.y - t.y * half};
                    Round(p, q, width);
                    Truth(e, p, width);
                    Truth(e, q, width);
                } else {
                    const double barb = Uniform(10, 14), spread = Uniform(15, 20) * M_PI / 180;
                    for (int sign : {1, -1}) {
                        const double c = std::cos(sign * spread), s = std::sin(sign * spread);
                        const Pt p = {e.x - (dx * c - dy * s) * barb, e.y - (dx * s + dy * c) * barb};
                        Round(e, p, width);
                        Truth(e, p, width);
                    }
                }
            }
        }
    }

    // Floor plans: outer walls 4-8 px with square corners, an inner wall across each way
    // (Ts at the outer walls, a cross where they meet) and one wall ending free in a room.
    void Walls(int n) {
        for (int i = 0; i < n; ++i) {
            const double w = Int(200, int(Longest(520))), h = Int(160, int(Longest(420)));
            double x, y;
            if (!Place(w + 16, h + 16, x, y)) continue;
            const int outer = Int(4, 8), inner = Int(3, outer);
            const double x0 = x + 8 + Half(outer), y0 = y + 8 + Half(outer), x1 = x0 + w, y1 = y0 + h;
            const double xv = std::floor(x0 + w * Uniform(0.45, 0.65)) + Half(inner);
            const double yh = std::floor(y0 + h * Uniform(0.3, 0.5)) + Half(inner);
            const double xp = std::floor(x0 + (xv - x0) * Uniform(0.3, 0.7)) + Half(inner);
            const double yp = std::floor(y1 - (y1 - yh) * Uniform(0.35, 0.6)) + Half(inner);
            const Pt tl = {x0, y0}, tr = {x1, y0}, br = {x1, y1}, bl = {x0, y1};
            Square(tl, tr, outer), Square(tr, br, outer), Square(br, bl, outer), Square(bl, tl, outer);
            Square({xv, y0}, {xv, y1}, inner);
            Square({x0, yh}, {x1, yh}, inner);
            Square({xp, y1}, {xp, yp}, inner);
            Chain({tl, {xv, y0}, tr}, outer);
            Chain({tr, {x1, yh}, br}, outer);
            Chain({br, {xv, y1}, {xp, y1}, bl}, outer);
            Chain({bl, {x0, yh}, tl}, outer);
            Chain({{xv, y0}, {xv, yh}, {xv, y1}}, inner);
            Chain({{x0, yh}, {xv, yh}, {x1, yh}}, inner);
            Truth({xp, y1}, {xp, yp}, inner);
        }
    }

    // Circles and arcs of radius 15-150 and width 1-4; some circles with a 1-px centre cross.
    void Circles(int n) {
        for (int i = 0; i < n; ++i) {
            const int width = Int(1, 4);
            const double radius = Uniform(15, std::min(150.0, Longest(150) / 2));
            const double box = 2 * (radius + width + 6);
            double x, y;
            if (!Place(box, box, x, y)) continue;
            const double cx = std::floor(x + box / 2) + Half(width), cy = std::floor(y + box / 2) + Half(width);
            if (i % 2 == 0) {
                Ring(cx, cy, radius, width, Uniform(0, 2 * M_PI), 2 * M_PI);
                if (width % 2 == 1 && radius > 30) {
                    const double arm = Uniform(6, 10);
                    const Pt c = {cx, cy};
                    Round({cx - arm, cy}, {cx + arm, cy}, 1);
                    Round({cx, cy - arm}, {cx, cy + arm}, 1);
                    Truth(c, {cx - arm, cy}, 1), Truth(c, {cx + arm, cy}, 1);
                    Truth(c, {cx, cy - arm}, 1), Truth(c, {cx, cy + arm}, 1);
                }
            } else {
                Ring(cx, cy, radius, width, Uniform(0, 2 * M_PI), Uniform(M_PI / 3, 1.5 * M_PI));
            }
        }
    }

    // Short lines of widths 1-6 in cells of 128 px, starting at x and y offsets that run
    // through 0..31 of the 32-pixel tile, at axis, diagonal and odd angles.
    void Offsets() {
        const double kAngles[] = {0, 90, 45, 135, 30, 60, 120, 150, 15, 75};
        int k = 0;
        for (int cy = 0; cy + 128 <= Height(); cy += 128)
            for (int cx = 0; cx + 128 <= Width(); cx += 128, ++k) {
                const int width = Int(1, 6);
                const double angle = (k % 11 == 10 ? Uniform(0, 180) : kAngles[k % 11 % 10]) * M_PI / 180;
                const double length = Uniform(20, 32);
                const Pt a = {cx + 32.0 + k % 32 + Half(width), cy + 16.0 + (k * 11 + k / 32) % 32 + Half(width)};
                const Pt b = {a.x + std::cos(angle) * length, a.y + std::sin(angle) * length};
                auto off = [&](Pt p) {
                    p = Turn(p);
                    return p.x < 8 || p.y < 8 || p.x > Width() - 9 || p.y > Height() - 9;
                };
                if (off(a) || off(b)) continue;
                Round(a, b, width);
                Truth(a, b, width);
            }
    }

    // ---- Scan artefacts, after all drawing.
    // Each pixel on a boundary flips with probability p: paper beside ink becomes ink; ink
    // beside paper becomes paper only where the stroke is 3 px thick or more across that
    // side, so thin lines get bumps but no breaks.
    void RoughEdges(double p) {
        const MonoImage before = d_.Image;
        auto ink = [&](int x, int y) { return x >= 0 && y >= 0 && x < Width() && y < Height() && before.Ink(x, y); };
        const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x) {
                const bool here = before.Ink(x, y);
                bool boundary = false, thick = false;
                for (int s = 0; s < 4; ++s)
                    if (ink(x + dx[s], y + dy[s]) != here) {
                        boundary = true;
                        thick = thick || (ink(x - dx[s], y - dy[s]) && ink(x - 2 * dx[s], y - 2 * dy[s]));
                    }
                if (!boundary || (here && !thick)) continue;
                if (Uniform(0, 1) < p) d_.Image.Set(x, y, !here);
            }
    }
    // Single paper pixels with ink all round, that is inside strokes 3 px wide or more.
    void Pinholes(double p) {
        for (int y = 1; y + 1 < Height(); ++y)
            for (int x = 1; x + 1 < Width(); ++x) {
                if (!d_.Image.Ink(x, y)) continue;
                bool surrounded = true;
                for (int j = -1; j <= 1 && surrounded; ++j)
                    for (int i = -1; i <= 1; ++i) surrounded = surrounded && d_.Image.Ink(x + i, y + j);
                if (surrounded && Uniform(0, 1) < p) d_.Image.Set(x, y, false);
            }
    }
    // Specks of at most 3 x 3 px with no ink within 8 px.
    void AwaySpecks(int n) {
        for (int i = 0; i < n; ++i) {
            const int x = Int(10, Width() - 14), y = Int(10, Height() - 14), size = Int(1, 3);
            bool clear = true;
            for (int yy = y - 8; yy < y + size + 8 && clear; ++yy)
                for (int xx = x - 8; xx < x + size + 8; ++xx) clear = clear && !d_.Image.Ink(xx, yy);
            if (!clear) continue;
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

    struct Box {
        double x0, y0, x1, y1;
    };
    std::mt19937 rng_;
    bool scanned_;
    double skew_ = 0;      // radians, clockwise on the sheet
    double margin_ = 16;   // from the sheet's edges to any placed object
    int curves_ = 0;
    std::vector<Box> boxes_;
    Drawing d_;
};

inline Drawing MakeDrawing(Kind kind, int width, int height, uint32_t seed, bool scanned = false) {
    return DrawingMaker(width, height, seed, scanned).Make(kind);
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
