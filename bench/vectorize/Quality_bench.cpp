// The quality table: every synthetic drawing type at every precision level in the three
// extraction modes side by side, scored against its known segments. Run with
//   pixaro_bench --benchmark_filter=Quality
// Columns: recall (share of true length within 1.5 px of the stroke), precision (share of
// traced length within 1.5 px of a stroke), frag (traced lines per straight true segment of
// 10 px or more), endP95 and endMean (pixels from a true end to the nearest traced end,
// capped at 10), corners (share of corners, Ts and crosses whose lines all end on one
// point), leaving (traced lines partly off every stroke), spurious (traced lines nowhere
// near one), worstLeave (pixels beyond reach of the worst point of those), segPerTrue
// (traced lines over true segments). Centre mode adds widthErrP95 (pixels between the width
// it measured and the true one, 95th percentile); at level 3 also recall per width
// (r_w1..r_w8) and per direction (r_a0..r_a90); hatching adds the recall of its 1-px lines
// per direction at every level; the level-3 rows of the technical
// drawings and of the straight lines add the fragmentation of axis-aligned (f_axis) and
// diagonal (f_a45) lines, and per width the traced length over the true length (copies_w1..:
// about 1 for one line per stroke, about w when every row of the stroke is traced).
// CropInvariance: the share of lines traced in a crop (40 px or more inside it) that the
// whole sheet does not give at the same place, over crops at 0..31 px shifts; and of the true
// segments of 20 px or more inside (cropStrokes), how many one trace finds (90% of their
// length) and the other loses (half or more): keptOnlyInCrop, keptOnlyInSheet.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <tuple>

#include "../../tools/quality/TraceRun.h"

namespace {

using namespace quality;

const Drawing& CachedDrawing(Kind kind, const Sheet& sheet) {
    static std::map<std::pair<int, std::string>, Drawing> made;
    const auto key = std::make_pair(int(kind), std::string(sheet.name));
    auto it = made.find(key);
    if (it == made.end()) it = made.emplace(key, MakeDrawing(kind, sheet.width, sheet.height, 7)).first;
    return it->second;
}

bool Technical(Kind kind) {
    for (Kind k : kTechnicalKinds)
        if (k == kind) return true;
    return false;
}

void Scored(benchmark::State& state, Kind kind, Sheet sheet, int level, Mode mode) {
    const Drawing& d = CachedDrawing(kind, sheet);
    static LineStore store;
    for (auto _ : state) {
        store.CreateStore();
        TraceImage(d.Image.Bits(), OptionsFor(mode, level), store);
    }
    const DetailedScores s = ScoreDetailed(d, Segments(StoredLines(store)));
    state.counters["recall"] = s.Recall;
    state.counters["precision"] = s.Precision;
    state.counters["frag"] = s.Fragmentation;
    state.counters["endP95"] = s.EndP95;
    state.counters["endMean"] = s.EndMean;
    state.counters["corners"] = s.CornersShared;
    state.counters["leaving"] = double(s.Leaving);
    state.counters["spurious"] = double(s.Spurious);
    state.counters["worstLeave"] = s.WorstLeave;
    if (mode == Mode::Centre) state.counters["widthErrP95"] = s.WidthErrorP95;
    state.counters["segPerTrue"] = double(s.OutputLines) / double(std::max<int64_t>(1, s.TrueSegments));
    state.counters["lines"] = double(s.OutputLines);
    if (mode == Mode::Centre && level == 3) {
        for (int w = 1; w <= kMaxWidth; ++w)
            if (s.LengthByWidth[w] > 0) state.counters["r_w" + std::to_string(w)] = s.RecallByWidth[w];
        for (int a = 0; a < kAngleBuckets; ++a)
            if (s.LengthByAngle[a] > 0) state.counters["r_a" + std::to_string(15 * a)] = s.RecallByAngle[a];
    }
    if (kind == Kind::Hatching)
        for (int a : {2, 3, 4}) state.counters["r_a" + std::to_string(15 * a)] = s.RecallByAngle[a];
    if (level == 3 && (Technical(kind) || kind == Kind::Lines)) {
        state.counters["f_axis"] = (s.FragmentationByAngle[0] + s.FragmentationByAngle[6]) / 2;
        state.counters["f_a45"] = s.FragmentationByAngle[3];
        for (int w = 1; w <= kMaxWidth; ++w)
            if (s.LengthByWidth[w] > 0) state.counters["copies_w" + std::to_string(w)] = s.CopiesByWidth[w];
    }
}

// Share of a true segment's length within reach of the lines.
double Covered(const TrueSegment& t, const std::vector<OutSegment>& lines) {
    const int steps = std::max(1, int(t.Length()));
    int covered = 0;
    for (int k = 0; k < steps; ++k) {
        const double f = (k + 0.5) / steps, x = t.x1 + (t.x2 - t.x1) * f, y = t.y1 + (t.y2 - t.y1) * f;
        for (const OutSegment& o : lines)
            if (PointSegmentDistance(x, y, o.x1, o.y1, o.x2, o.y2) <= Reach(t)) {
                ++covered;
                break;
            }
    }
    return double(covered) / steps;
}

void CropInvariance(benchmark::State& state, Mode mode) {
    const Drawing& d = CachedDrawing(Kind::Scan, kA4At200);
    static LineStore store;
    int64_t lines = 0, differing = 0, strokes = 0, onlyInCrop = 0, onlyInSheet = 0;
    for (auto _ : state) {
        store.CreateStore();
        TraceImage(d.Image.Bits(), OptionsFor(mode, 3), store);
        const std::vector<StoredLine> whole = StoredLines(store);
        constexpr int kWindow = 480, kMargin = 40;
        for (int wy = 0; wy + kWindow + 32 < d.Image.Height; wy += 400)
            for (int wx = 0; wx + kWindow + 32 < d.Image.Width; wx += 400)
                for (int shift : {0, 5, 17, 31}) {
                    const int left = wx + shift, top = wy + shift;
                    store.CreateStore();
                    TraceImage(Crop(d.Image, left, top, kWindow, kWindow).Bits(), OptionsFor(mode, 3), store);
                    // Store coordinates are 1-based in both: the crop's (x, y) is the sheet's (x + left, y + top).
                    const auto cropped = LinesInside(StoredLines(store), kMargin, kMargin, kWindow - kMargin, kWindow - kMargin, left, top);
                    const auto sheet = LinesInside(whole, left + kMargin, top + kMargin, left + kWindow - kMargin, top + kWindow - kMargin);
                    std::vector<StoredLine> common;
                    std::set_intersection(cropped.begin(), cropped.end(), sheet.begin(), sheet.end(), std::back_inserter(common));
                    lines += int64_t(cropped.size());
                    differing += int64_t(cropped.size() - common.size());
                    // True segments of 20 px or more inside: found (90%) in one trace, lost (50%) in the other.
                    std::vector<OutSegment> near, inCrop = Segments(cropped);
                    for (const OutSegment& o : Segments(whole))
                        if (std::max(o.x1, o.x2) >= left && std::min(o.x1, o.x2) <= left + kWindow && std::max(o.y1, o.y2) >= top &&
                            std::min(o.y1, o.y2) <= top + kWindow)
                            near.push_back(o);
                    for (const TrueSegment& t : d.Truth) {
                        auto inside = [&](double x, double y) {
                            return x >= left + kMargin && x <= left + kWindow - kMargin && y >= top + kMargin && y <= top + kWindow - kMargin;
                        };
                        if (t.Length() < 20 || !inside(t.x1, t.y1) || !inside(t.x2, t.y2)) continue;
                        ++strokes;
                        const double a = Covered(t, inCrop), b = Covered(t, near);
                        onlyInCrop += a >= 0.9 && b <= 0.5;
                        onlyInSheet += b >= 0.9 && a <= 0.5;
                    }
                }
    }
    state.counters["cropLines"] = double(lines);
    state.counters["cropDiffer"] = lines ? double(differing) / double(lines) : 0;
    state.counters["cropStrokes"] = double(strokes);
    state.counters["keptOnlyInCrop"] = double(onlyInCrop);
    state.counters["keptOnlyInSheet"] = double(onlyInSheet);
}

const bool kRegistered = [] {
    for (Mode mode : kAllModes) {
        for (Kind kind : kAllKinds)
            for (int level = 1; level <= 6; ++level) {
                const std::string name = std::string("Quality/") + kA4At200.name + "/" + ModeName(mode) + "/" + KindName(kind) + "/L" +
                                         std::to_string(level);
                benchmark::RegisterBenchmark(name.c_str(), Scored, kind, kA4At200, level, mode)->Iterations(1)->Unit(benchmark::kMillisecond);
            }
        for (Kind kind : kTechnicalKinds)
            for (int level = 1; level <= 6; ++level) {
                const std::string name = std::string("Quality/") + kA4At200.name + "/" + ModeName(mode) + "/" + KindName(kind) + "/L" +
                                         std::to_string(level);
                benchmark::RegisterBenchmark(name.c_str(), Scored, kind, kA4At200, level, mode)->Iterations(1)->Unit(benchmark::kMillisecond);
            }
    }
    for (Kind kind : {Kind::Mixed, Kind::Scan})
        for (Mode mode : kAllModes) {
            const std::string name = std::string("Quality/") + kA1At400.name + "/" + ModeName(mode) + "/" + KindName(kind) + "/L3";
            benchmark::RegisterBenchmark(name.c_str(), Scored, kind, kA1At400, 3, mode)->Iterations(1)->Unit(benchmark::kMillisecond);
        }
    for (Mode mode : kAllModes) {
        const std::string name = std::string("CropInvariance/") + kA4At200.name + "/" + ModeName(mode) + "/scan/L3";
        benchmark::RegisterBenchmark(name.c_str(), CropInvariance, mode)->Iterations(1)->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
