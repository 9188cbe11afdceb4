// Scores traced lines against a drawing's true segments. A point counts as matched when it
// lies within 1.5 pixels of the inked stroke, that is within 1.5 + (width - 1) / 2 of the
// true centre line, since the tracer may follow any part of a wide stroke. True points
// buried inside a filled area are left out: no tracer can see them. Score gives the summary
// the solid and outline floors use; ScoreDetailed the per-width, per-direction table.
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
    double width = 0;  // the stroke width the tracer measured; 0 when it gives none
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
            if (drawing.Buried(x, y)) {
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

namespace quality {

// The fuller table the centre-line mode is judged by, per width and per direction.
constexpr int kMaxWidth = 8;      // widths 1..8 are indices 1..8; wider ones count as 8
constexpr int kAngleBuckets = 7;  // 0, 15, ..., 90 degrees, folded so that 135 counts as 45

inline int WidthBucket(double width) { return std::clamp(int(std::lround(width)), 1, kMaxWidth); }
inline int AngleBucket(const TrueSegment& t) {
    const double degrees = std::atan2(std::abs(t.y2 - t.y1), std::abs(t.x2 - t.x1)) * 180 / M_PI;
    return std::clamp(int(std::lround(degrees / 15)), 0, kAngleBuckets - 1);
}

struct DetailedScores {
    double Recall = 0;  // share of true length within reach of an output line
    double RecallByWidth[kMaxWidth + 1] = {}, LengthByWidth[kMaxWidth + 1] = {};  // true pixels per width
    double RecallByAngle[kAngleBuckets] = {}, LengthByAngle[kAngleBuckets] = {};  // straight segments only
    double Precision = 0;  // share of output length within reach of some true segment
    // Output lines per straight true segment of 10 px or more that has any (each output line
    // counts for the true segment it lies along the most).
    double Fragmentation = 0;
    double FragmentationByWidth[kMaxWidth + 1] = {}, FragmentationByAngle[kAngleBuckets] = {};
    // Output length along true segments of each width over their true length: about 1
    // for one line per stroke, about w when every row of a w-pixel stroke is traced.
    double CopiesByWidth[kMaxWidth + 1] = {};
    // |measured - true width| over output lines that give one, along straight true segments.
    double WidthErrorMean = 0, WidthErrorP95 = 0;
    int64_t Leaving = 0;      // output lines partly on a stroke and partly beyond reach of every one
    int64_t Spurious = 0;     // output lines nowhere near any stroke
    double WorstLeave = 0;    // pixels beyond reach of the worst point of a leaving line (8 = far)
    double EndP95 = 0, EndMean = 0;  // from each true end to the nearest output end, capped at 10
    int64_t Ends = 0;
    double CornersShared = 0;  // share of corner groups whose lines all end on one store point
    int64_t Corners = 0;
    int64_t OutputLines = 0, TrueSegments = 0;
};

inline DetailedScores ScoreDetailed(const Drawing& drawing, const std::vector<OutSegment>& out) {
    const std::vector<TrueSegment>& truth = drawing.Truth;
    DetailedScores s;
    s.OutputLines = int64_t(out.size());
    s.TrueSegments = int64_t(truth.size());
    if (truth.empty()) return s;
    const double w = drawing.Image.Width + 2, h = drawing.Image.Height + 2;
    SegmentGrid outGrid(w, h), truthGrid(w, h);
    for (size_t i = 0; i < out.size(); ++i) outGrid.Add(int(i), out[i].x1, out[i].y1, out[i].x2, out[i].y2, 5.0);
    for (size_t i = 0; i < truth.size(); ++i)
        truthGrid.Add(int(i), truth[i].x1, truth[i].y1, truth[i].x2, truth[i].y2, Reach(truth[i]));

    // Recall, overall, per width and per direction.
    double trueLength = 0, covered = 0, coveredByWidth[kMaxWidth + 1] = {}, coveredByAngle[kAngleBuckets] = {};
    for (const TrueSegment& t : truth) {
        const double len = t.Length(), reach = Reach(t);
        const int steps = std::max(1, int(std::ceil(len)));
        const int wb = WidthBucket(t.width), ab = AngleBucket(t);
        for (int k = 0; k < steps; ++k) {
            const double f = (k + 0.5) / steps, piece = len / steps;
            const double x = t.x1 + (t.x2 - t.x1) * f, y = t.y1 + (t.y2 - t.y1) * f;
            if (drawing.Buried(x, y)) continue;
            trueLength += piece;
            s.LengthByWidth[wb] += piece;
            if (!t.Curved()) s.LengthByAngle[ab] += piece;
            for (int id : outGrid.Near(x, y)) {
                const OutSegment& o = out[size_t(id)];
                if (PointSegmentDistance(x, y, o.x1, o.y1, o.x2, o.y2) <= reach) {
                    covered += piece;
                    coveredByWidth[wb] += piece;
                    if (!t.Curved()) coveredByAngle[ab] += piece;
                    break;
                }
            }
        }
    }
    s.Recall = trueLength > 0 ? covered / trueLength : 0;
    for (int i = 1; i <= kMaxWidth; ++i) s.RecallByWidth[i] = s.LengthByWidth[i] > 0 ? coveredByWidth[i] / s.LengthByWidth[i] : 0;
    for (int i = 0; i < kAngleBuckets; ++i) s.RecallByAngle[i] = s.LengthByAngle[i] > 0 ? coveredByAngle[i] / s.LengthByAngle[i] : 0;

    // Precision, leaving lines, and which true segment each output line lies along.
    std::vector<int> assigned(out.size(), -1);
    double outLength = 0, nearLength = 0;
    std::vector<std::pair<int, int>> votes;
    for (size_t i = 0; i < out.size(); ++i) {
        const OutSegment& o = out[i];
        const double len = std::hypot(o.x2 - o.x1, o.y2 - o.y1);
        const int steps = std::max(1, int(std::ceil(len)));
        votes.clear();
        bool anyNear = false, anyFar = false;
        double worst = 0;
        for (int k = 0; k <= steps; ++k) {
            const double f = double(k) / steps;
            const double x = o.x1 + (o.x2 - o.x1) * f, y = o.y1 + (o.y2 - o.y1) * f;
            if (drawing.Buried(x, y)) continue;
            double excess = 8;
            for (int id : truthGrid.Near(x, y)) {
                const TrueSegment& t = truth[size_t(id)];
                const double e = PointSegmentDistance(x, y, t.x1, t.y1, t.x2, t.y2) - Reach(t);
                excess = std::min(excess, e);
                if (e > 0) continue;
                auto v = std::find_if(votes.begin(), votes.end(), [&](const std::pair<int, int>& p) { return p.first == id; });
                if (v == votes.end()) votes.push_back({id, 1});
                else ++v->second;
            }
            (excess <= 0 ? anyNear : anyFar) = true;
            worst = std::max(worst, excess);
            if (k < steps) {  // length weights: the piece after this sample
                const double mx = o.x1 + (o.x2 - o.x1) * (k + 0.5) / steps, my = o.y1 + (o.y2 - o.y1) * (k + 0.5) / steps;
                if (drawing.Buried(mx, my)) continue;
                bool near = false;
                for (int id : truthGrid.Near(mx, my)) {
                    const TrueSegment& t = truth[size_t(id)];
                    if (PointSegmentDistance(mx, my, t.x1, t.y1, t.x2, t.y2) <= Reach(t)) {
                        near = true;
                        break;
                    }
                }
                outLength += len / steps;
                if (near) nearLength += len / steps;
            }
        }
        if (anyNear && anyFar) {
            ++s.Leaving;
            s.WorstLeave = std::max(s.WorstLeave, worst);
        } else if (anyFar) {
            ++s.Spurious;
        }
        // Near a junction a piece lies within reach of both lines: the direction decides.
        double best = 0;
        for (const auto& v : votes) {
            const TrueSegment& t = truth[size_t(v.first)];
            const double along = len > 0 ? std::abs((o.x2 - o.x1) * (t.x2 - t.x1) + (o.y2 - o.y1) * (t.y2 - t.y1)) / (len * t.Length()) : 1;
            if (v.second * along > best) best = v.second * along, assigned[i] = v.first;
        }
    }
    s.Precision = outLength > 0 ? nearLength / outLength : 0;

    // Fragmentation.
    std::vector<std::vector<int>> linesOf(truth.size());
    for (size_t i = 0; i < out.size(); ++i)
        if (assigned[i] >= 0) {
            linesOf[size_t(assigned[i])].push_back(int(i));
            s.CopiesByWidth[WidthBucket(truth[size_t(assigned[i])].width)] += std::hypot(out[i].x2 - out[i].x1, out[i].y2 - out[i].y1);
        }
    for (int i = 1; i <= kMaxWidth; ++i) s.CopiesByWidth[i] = s.LengthByWidth[i] > 0 ? s.CopiesByWidth[i] / s.LengthByWidth[i] : 0;
    std::vector<double> widthErrors;
    for (size_t i = 0; i < out.size(); ++i)
        if (assigned[i] >= 0 && out[i].width > 0 && !truth[size_t(assigned[i])].Curved())
            widthErrors.push_back(std::abs(out[i].width - truth[size_t(assigned[i])].width));
    if (!widthErrors.empty()) {
        double sum = 0;
        for (double e : widthErrors) sum += e;
        s.WidthErrorMean = sum / double(widthErrors.size());
        std::sort(widthErrors.begin(), widthErrors.end());
        s.WidthErrorP95 = widthErrors[size_t(std::ceil(0.95 * double(widthErrors.size()))) - 1];
    }
    int64_t counted = 0;
    double fragSum = 0, fragByWidth[kMaxWidth + 1] = {}, fragByAngle[kAngleBuckets] = {};
    int64_t countByWidth[kMaxWidth + 1] = {}, countByAngle[kAngleBuckets] = {};
    for (size_t i = 0; i < truth.size(); ++i) {
        const TrueSegment& t = truth[i];
        if (t.Curved() || t.Length() < 10 || linesOf[i].empty() || drawing.Buried((t.x1 + t.x2) / 2, (t.y1 + t.y2) / 2)) continue;
        const double n = double(linesOf[i].size());
        fragSum += n, ++counted;
        fragByWidth[WidthBucket(t.width)] += n, ++countByWidth[WidthBucket(t.width)];
        fragByAngle[AngleBucket(t)] += n, ++countByAngle[AngleBucket(t)];
    }
    s.Fragmentation = counted > 0 ? fragSum / double(counted) : 0;
    for (int i = 1; i <= kMaxWidth; ++i) s.FragmentationByWidth[i] = countByWidth[i] ? fragByWidth[i] / double(countByWidth[i]) : 0;
    for (int i = 0; i < kAngleBuckets; ++i) s.FragmentationByAngle[i] = countByAngle[i] ? fragByAngle[i] / double(countByAngle[i]) : 0;

    // True ends: every segment end except the inner joints of a curve's chord chain.
    struct End {
        int64_t kx, ky;  // the point in thousandths of a pixel
        int segment;
        double x, y;
    };
    std::vector<End> ends;
    for (size_t i = 0; i < truth.size(); ++i)
        for (int e = 0; e < 2; ++e) {
            const TrueSegment& t = truth[i];
            const double x = e ? t.x2 : t.x1, y = e ? t.y2 : t.y1;
            if (drawing.Buried(x, y)) continue;
            ends.push_back({std::llround(x * 1000), std::llround(y * 1000), int(i), x, y});
        }
    std::sort(ends.begin(), ends.end(), [](const End& a, const End& b) {
        return a.kx != b.kx ? a.kx < b.kx : a.ky != b.ky ? a.ky < b.ky : a.segment < b.segment;
    });
    std::vector<double> errors;
    int64_t shared = 0;
    for (size_t g = 0; g < ends.size();) {
        size_t e = g;
        while (e < ends.size() && ends[e].kx == ends[g].kx && ends[e].ky == ends[g].ky) ++e;
        // Drop the joints where a curve's chords meet each other.
        std::vector<End> group;
        for (size_t k = g; k < e; ++k) {
            const int curve = truth[size_t(ends[k].segment)].Curve;
            bool joint = false;
            for (size_t m = g; m < e && curve; ++m) joint = joint || (m != k && truth[size_t(ends[m].segment)].Curve == curve);
            if (!joint) group.push_back(ends[k]);
        }
        g = e;
        for (const End& end : group) {
            double best = 10;
            for (int id : outGrid.Near(end.x, end.y)) {
                const OutSegment& o = out[size_t(id)];
                best = std::min({best, std::hypot(o.x1 - end.x, o.y1 - end.y), std::hypot(o.x2 - end.x, o.y2 - end.y)});
            }
            errors.push_back(best);
        }
        if (group.size() < 2) continue;
        ++s.Corners;
        bool same = true, first = true;
        double cx = 0, cy = 0;
        for (const End& end : group) {
            double best = 1e18, bx = 0, by = 0;
            for (int line : linesOf[size_t(end.segment)]) {
                const OutSegment& o = out[size_t(line)];
                for (int k = 0; k < 2; ++k) {
                    const double x = k ? o.x2 : o.x1, y = k ? o.y2 : o.y1, d = std::hypot(x - end.x, y - end.y);
                    if (d < best) best = d, bx = x, by = y;
                }
            }
            if (best == 1e18) same = false;
            else if (first) cx = bx, cy = by, first = false;
            else same = same && bx == cx && by == cy;
        }
        if (same) ++shared;
    }
    s.Ends = int64_t(errors.size());
    if (!errors.empty()) {
        double sum = 0;
        for (double e : errors) sum += e;
        s.EndMean = sum / double(errors.size());
        std::sort(errors.begin(), errors.end());
        s.EndP95 = errors[size_t(std::ceil(0.95 * double(errors.size()))) - 1];
    }
    s.CornersShared = s.Corners > 0 ? double(shared) / double(s.Corners) : 1;
    return s;
}

}  // namespace quality
