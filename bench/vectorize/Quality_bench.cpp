// The quality table: every synthetic drawing type at every precision level and in both
// extraction modes, scored against its known segments. Run with
//   pixaro_bench --benchmark_filter=Quality
// Columns: recall (share of true length within 1.5 px of the stroke), endErr (mean pixels from
// a true end to the nearest traced end), segPerTrue (traced lines per true segment),
// spurious (traced length away from every true segment, over the true length).
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <tuple>

#include "../../tools/quality/QualityScore.h"
#include "vectorize/Tracer.h"

namespace {

using namespace quality;

const Drawing& CachedDrawing(Kind kind, const Sheet& sheet) {
    static std::map<std::pair<int, std::string>, Drawing> made;
    const auto key = std::make_pair(int(kind), std::string(sheet.name));
    auto it = made.find(key);
    if (it == made.end()) it = made.emplace(key, MakeDrawing(kind, sheet.width, sheet.height, 7)).first;
    return it->second;
}

void Scored(benchmark::State& state, Kind kind, Sheet sheet, int level, bool outline) {
    const Drawing& d = CachedDrawing(kind, sheet);
    static LineStore store;
    for (auto _ : state) {
        store.CreateStore();
        TraceImage(d.Image.Bits(), TraceOptionsFor(level, outline), store);
    }
    std::vector<OutSegment> out;
    for (int32_t i = 1; i < store.EndpointCount(); i += 2)
        out.push_back({double(store.EndpointX(i)), double(store.EndpointY(i)), double(store.EndpointX(i + 1)),
                       double(store.EndpointY(i + 1))});
    const Scores s = Score(d, out);
    state.counters["recall"] = s.Recall;
    state.counters["endErr"] = s.EndpointError;
    state.counters["segPerTrue"] = s.SegmentsPerTrue;
    state.counters["spurious"] = s.SpuriousShare;
    state.counters["trueSegs"] = double(s.TrueSegments);
    state.counters["lines"] = double(s.OutputLines);
}

const bool kRegistered = [] {
    for (bool outline : {false, true})
        for (Kind kind : kAllKinds)
            for (int level = 1; level <= 6; ++level) {
                const std::string name = std::string("Quality/") + kA4At200.name + "/" + (outline ? "outline/" : "solid/") +
                                         KindName(kind) + "/L" + std::to_string(level);
                benchmark::RegisterBenchmark(name.c_str(), Scored, kind, kA4At200, level, outline)
                    ->Iterations(1)
                    ->Unit(benchmark::kMillisecond);
            }
    for (bool outline : {false, true}) {
        const std::string name = std::string("Quality/") + kA1At400.name + (outline ? "/outline" : "/solid") + "/mixed/L3";
        benchmark::RegisterBenchmark(name.c_str(), Scored, Kind::Mixed, kA1At400, 3, outline)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
