// A full line store (3,250,000 lines) in JWW's two forms: the coordinate text the dialog
// writes to a file and the "Jw_win" block it puts on the clipboard. The store is filled once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "vectorize/VectorOutput.h"

namespace {

// Short strokes scattered over an A1 sheet at 400 dpi, as a traced drawing has them.
const LineStore& FullStore() {
    static LineStore store;
    static bool made = false;
    if (!made) {
        store.CreateStore();
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> x(1, 13000), y(1, 9300), d(-40, 40);
        while (!store.Full()) {
            const int x1 = x(rng), y1 = y(rng);
            store.AddSegment(x1, y1, std::clamp(x1 + d(rng), 1, 13000), std::clamp(y1 + d(rng), 1, 9300));
        }
        made = true;
    }
    return store;
}

void BM_CoordinateText(benchmark::State& state) {
    const LineStore& store = FullStore();
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        WriteVectorText(store, 400, 100, [&bytes](const char* p, size_t n) {
            benchmark::DoNotOptimize(p);
            bytes += n;
            return true;
        });
    }
    state.counters["lines"] = store.LineCount();
    state.counters["fileMB"] = double(bytes) / (1 << 20);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_CoordinateText)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ClipboardBlock(benchmark::State& state) {
    const LineStore& store = FullStore();
    std::vector<uint8_t> block(VectorBlockBytes(store));
    size_t used = 0;
    for (auto _ : state) {
        std::memset(block.data(), 0, block.size());  // GlobalAlloc's zero fill is part of the cost
        used = BuildVectorBlock(store, 400, 100, block.data(), block.size());
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["lines"] = store.LineCount();
    state.counters["blockMB"] = double(block.size()) / (1 << 20);
    state.counters["usedMB"] = double(used) / (1 << 20);
}
BENCHMARK(BM_ClipboardBlock)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
