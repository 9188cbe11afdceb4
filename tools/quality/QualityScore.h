// Scores traced lines against a drawing's true segments. A point counts as matched when it
// lies within 1.5 pixels of the inked stroke, that is within 1.5 + (width - 1) / 2 of the
// true centre line, since the tracer may follow any part of a wide stroke. True points
// buried inside a filled area are left out: no tracer can see them.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "SyntheticDrawing.h"

namespace quality {

struct Scores {
    double Recall = 0;            // share of true length within reach of an output line
    double EndpointError = 0;     // mean distance from a true end to the nearest output end (capped at 10)
    double SegmentsPerTrue = 0;   // output lines per true segment
    double SpuriousShare = 0;     // output length far from every true segment, over the true length
    int64_t OutputLines = 0;
    int64_t TrueSegments = 0;
};

struct OutSegment {
    double x1, y1, x2, y2;
};

class SegmentGrid {
public:
    SegmentGrid(double width, double height) : across_(int(width / kCell) + 2), down_(int(height / kCell) + 2) {
        cells_.resize(size_t(across_) * size_t(down_));
    }
    // Registers segment `id` in every cell within `reach` of it.
    void Add(int id, double x1, double y1, double x2, double y2, double reach) {
        const double len = std::hypot(x2 - x1, y2 - y1);
        const int steps = std::max(1, int(len / (kCell / 2)));
        const double margin = reach + kCell / 2;
        for (int s = 0; s <= steps; ++s) {
            const double x = x1 + (x2 - x1) * s / steps, y = y1 + (y2 - y1) * s / steps;
            for (int cy = Cell(y - margin, down_); cy <= Cell(y + margin, down_); ++cy)
                for (int cx = Cell(x - margin, across_); cx <= Cell(x + margin, across_); ++cx) {
                    std::vector<int>& v = cells_[size_t(cy * across_ + cx)];
                    if (v.empty() || v.back() != id) v.push_back(id);
                }
        }
    }
    const std::vector<int>& Near(double x, double y) const {
        return cells_[size_t(Cell(y, down_) * across_ + Cell(x, across_))];
    }

private:
    static constexpr double kCell = 16;
    static int Cell(double v, int n) { return std::clamp(int(std::floor(v / kCell)), 0, n - 1); }
    int across_, down_;
    std::vector<std::vector<int>> cells_;
};

inline double PointSegmentDistance(double px, double py, double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - x1) * dx + (py - y1) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x1 + t * dx - px, y1 + t * dy - py);
}

inline double Reach(const TrueSegment& t) { return 1.5 + (t.width - 1) / 2; }

inline Scores Score(const Drawing& drawing, const std::vector<OutSegment>& out) {
    const std::vector<TrueSegment>& truth = drawing.Truth;
    const int width = drawing.Image.Width, height = drawing.Image.Height;
    auto buried = [&](double x, double y) {
        for (const FillArea& f : drawing.Fills)
            if (f.Covers(x, y, 1.5)) return true;
        return false;
    };
    Scores s;
    s.OutputLines = int64_t(out.size());
    s.TrueSegments = int64_t(truth.size());
    if (truth.empty()) return s;
    const double w = width + 2, h = height + 2;
    SegmentGrid outGrid(w, h), truthGrid(w, h);
    for (size_t i = 0; i < out.size(); ++i) outGrid.Add(int(i), out[i].x1, out[i].y1, out[i].x2, out[i].y2, 5.0);
    for (size_t i = 0; i < truth.size(); ++i)
        truthGrid.Add(int(i), truth[i].x1, truth[i].y1, truth[i].x2, truth[i].y2, Reach(truth[i]));

    double trueLength = 0, covered = 0, endError = 0;
    for (const TrueSegment& t : truth) {
        const double len = t.Length(), reach = Reach(t);
        trueLength += len;
        const int steps = std::max(1, int(std::ceil(len)));
        for (int k = 0; k < steps; ++k) {
            const double f = (k + 0.5) / steps;
            const double x = t.x1 + (t.x2 - t.x1) * f, y = t.y1 + (t.y2 - t.y1) * f;
            if (buried(x, y)) {
                trueLength -= len / steps;
                continue;
            }
            for (int id : outGrid.Near(x, y)) {
                const OutSegment& o = out[size_t(id)];
                if (PointSegmentDistance(x, y, o.x1, o.y1, o.x2, o.y2) <= reach) {
                    covered += len / steps;
                    break;
                }
            }
        }
        for (int end = 0; end < 2; ++end) {
            const double x = end ? t.x2 : t.x1, y = end ? t.y2 : t.y1;
            double best = 10;
            for (int id : outGrid.Near(x, y)) {
                const OutSegment& o = out[size_t(id)];
                best = std::min({best, std::hypot(o.x1 - x, o.y1 - y), std::hypot(o.x2 - x, o.y2 - y)});
            }
            endError += best;
        }
    }
    double spurious = 0;
    for (const OutSegment& o : out) {
        const double len = std::hypot(o.x2 - o.x1, o.y2 - o.y1);
        const int steps = std::max(1, int(std::ceil(len)));
        for (int k = 0; k < steps; ++k) {
            const double f = (k + 0.5) / steps;
            const double x = o.x1 + (o.x2 - o.x1) * f, y = o.y1 + (o.y2 - o.y1) * f;
            bool near = false;
            for (int id : truthGrid.Near(x, y)) {
                const TrueSegment& t = truth[size_t(id)];
                if (PointSegmentDistance(x, y, t.x1, t.y1, t.x2, t.y2) <= Reach(t)) {
                    near = true;
                    break;
                }
            }
            if (!near) spurious += len / steps;
        }
    }
    s.Recall = covered / trueLength;
    s.EndpointError = endError / (2.0 * double(truth.size()));
    s.SegmentsPerTrue = double(out.size()) / double(truth.size());
    s.SpuriousShare = spurious / trueLength;
    return s;
}

}  // namespace quality
