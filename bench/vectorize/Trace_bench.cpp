// Trace + compress of synthetic drawings from A4 at 200 dpi to A1 at 400 dpi, and the memory
// the line store takes. The drawings are made once, outside the timing.
#include <benchmark/benchmark.h>

#include <map>

#include "../../tools/quality/SyntheticDrawing.h"
#include "vectorize/Tracer.h"

namespace {

using namespace quality;

constexpr Sheet kSheets[] = {kA4At200, kA3At300, kA1At400};

const Drawing& MixedDrawing(int sheet) {
    static std::map<int, Drawing> made;
    auto it = made.find(sheet);
    if (it == made.end())
        it = made.emplace(sheet, MakeDrawing(Kind::Mixed, kSheets[sheet].width, kSheets[sheet].height, 7)).first;
    return it->second;
}

// Args: sheet, level, mode (0 solid, 1 outline, 2 centre line on all cores).
void BM_TraceAndCompress(benchmark::State& state) {
    const int sheet = int(state.range(0)), level = int(state.range(1)), mode = int(state.range(2));
    const Drawing& d = MixedDrawing(sheet);
    static LineStore store;
    const TraceOptions options = mode == 2 ? CentreOptionsFor(level) : TraceOptionsFor(level, mode == 1);
    for (auto _ : state) {
        store.CreateStore();
        benchmark::DoNotOptimize(TraceImage(d.Image.Bits(), options, store));
    }
    const double pixels = double(d.Image.Width) * d.Image.Height;
    state.SetLabel(std::string(kSheets[sheet].name) + (mode == 2 ? " centre" : mode == 1 ? " outline" : " solid"));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(pixels));
    state.counters["lines"] = store.LineCount();
    state.counters["storeMB"] = double(store.MemoryBytes()) / (1 << 20);
    state.counters["gridMB"] = double(store.GridBytes()) / (1 << 20);
}
BENCHMARK(BM_TraceAndCompress)
    ->ArgNames({"sheet", "level", "mode"})
    ->Args({0, 3, 0})
    ->Args({1, 3, 0})
    ->Args({2, 3, 0})
    ->Args({2, 3, 1})
    ->Args({2, 1, 0})
    ->Args({2, 6, 0})
    ->Args({0, 3, 2})
    ->Args({2, 3, 2})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Tracing alone, the raw window segments without merging (into a store that cannot fill).
void BM_TraceRaw(benchmark::State& state) {
    const Drawing& d = MixedDrawing(int(state.range(0)));
    static LineStore store(60000001);
    TraceOptions options;
    options.Compress = false;
    for (auto _ : state) {
        store.CreateStore();
        benchmark::DoNotOptimize(TraceImage(d.Image.Bits(), options, store));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * d.Image.Width * int64_t(d.Image.Height));
    state.counters["rawLines"] = store.LineCount();
}
BENCHMARK(BM_TraceRaw)->Arg(2)->Unit(benchmark::kMillisecond);

// A full store: 3,249,999 lines spread over an A1 sheet at 400 dpi.
void BM_FullStoreMemory(benchmark::State& state) {
    static LineStore store;
    for (auto _ : state) {
        store.CreateStore();
        uint32_t seed = 1;
        while (!store.Full()) {
            seed = seed * 1664525u + 1013904223u;
            const int32_t x = int32_t(seed % 13244) + 1, y = int32_t((seed >> 8) % 9354) + 1;
            store.AddSegment(x, y, x + 3, y + 1);
        }
    }
    state.counters["lines"] = store.LineCount();
    state.counters["bytesPerEndpoint"] = double(store.TableBytes()) / store.Capacity();
    state.counters["tableMB"] = double(store.TableBytes()) / (1 << 20);
    state.counters["gridMB"] = double(store.GridBytes()) / (1 << 20);
}
BENCHMARK(BM_FullStoreMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
