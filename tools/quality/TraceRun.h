// Tracing a synthetic drawing and comparing results: the store's lines as plain values,
// crops of a picture, and the same picture with the other palette order.
#pragma once
#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "QualityScore.h"
#include "vectorize/Tracer.h"

namespace quality {

enum class Mode { Solid, Outline, Centre };
constexpr Mode kAllModes[] = {Mode::Solid, Mode::Outline, Mode::Centre};
inline const char* ModeName(Mode m) { return m == Mode::Solid ? "solid" : m == Mode::Outline ? "outline" : "centre"; }
inline TraceOptions OptionsFor(Mode m, int level) {
    return m == Mode::Centre ? CentreOptionsFor(level) : TraceOptionsFor(level, m == Mode::Outline);
}

// A line as the store holds it, with the width in the store's half pixels.
struct StoredLine {
    int32_t x1, y1, x2, y2;
    int widthHalves;
    bool operator==(const StoredLine& o) const { return Key() == o.Key(); }
    bool operator<(const StoredLine& o) const { return Key() < o.Key(); }
    std::tuple<int32_t, int32_t, int32_t, int32_t, int> Key() const { return {x1, y1, x2, y2, widthHalves}; }
};

inline std::vector<StoredLine> StoredLines(const LineStore& store) {
    std::vector<StoredLine> lines;
    for (int32_t i = 1; i < store.EndpointCount(); i += 2)
        lines.push_back({store.EndpointX(i), store.EndpointY(i), store.EndpointX(i + 1), store.EndpointY(i + 1),
                         int(store.LineWidth(i) * 2 + 0.5f)});
    return lines;
}

inline std::vector<OutSegment> Segments(const std::vector<StoredLine>& lines) {
    std::vector<OutSegment> out;
    for (const StoredLine& l : lines) out.push_back({double(l.x1), double(l.y1), double(l.x2), double(l.y2), l.widthHalves * 0.5});
    return out;
}

inline MonoImage Crop(const MonoImage& image, int left, int top, int width, int height) {
    MonoImage out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.Set(x, y, image.Ink(left + x, top + y));
    return out;
}

// The lines lying wholly inside left..right x top..bottom (store coordinates), shifted by
// (dx, dy), in a canonical order: each line from its smaller end, sorted.
inline std::vector<StoredLine> LinesInside(const std::vector<StoredLine>& lines, int32_t left, int32_t top, int32_t right,
                                           int32_t bottom, int32_t dx = 0, int32_t dy = 0) {
    std::vector<StoredLine> inside;
    for (StoredLine l : lines) {
        if (std::min(l.x1, l.x2) < left || std::max(l.x1, l.x2) > right || std::min(l.y1, l.y2) < top || std::max(l.y1, l.y2) > bottom)
            continue;
        l.x1 += dx, l.x2 += dx, l.y1 += dy, l.y2 += dy;
        if (std::tie(l.x2, l.y2) < std::tie(l.x1, l.y1)) std::swap(l.x1, l.x2), std::swap(l.y1, l.y2);
        inside.push_back(l);
    }
    std::sort(inside.begin(), inside.end());
    return inside;
}

}  // namespace quality

#include <sstream>
#include <string>

namespace quality {

// One line per score, for failure messages.
inline std::string Describe(const DetailedScores& s) {
    std::ostringstream o;
    o << "recall " << s.Recall << ", by width";
    for (int w = 1; w <= kMaxWidth; ++w)
        if (s.LengthByWidth[w] > 0) o << " " << w << ":" << s.RecallByWidth[w];
    o << ", by angle";
    for (int a = 0; a < kAngleBuckets; ++a)
        if (s.LengthByAngle[a] > 0) o << " " << 15 * a << ":" << s.RecallByAngle[a];
    o << "; precision " << s.Precision << "; fragmentation " << s.Fragmentation << "; leaving " << s.Leaving << " (worst "
      << s.WorstLeave << " px), spurious " << s.Spurious << "; ends p95 " << s.EndP95 << " mean " << s.EndMean << " of "
      << s.Ends << "; width error p95 " << s.WidthErrorP95 << " mean " << s.WidthErrorMean << "; corners shared " << s.CornersShared << " of " << s.Corners << "; " << s.OutputLines << " lines for "
      << s.TrueSegments << " true segments";
    return o.str();
}

}  // namespace quality
