#include <benchmark/benchmark.h>

#include "imageops/Monochrome.h"

static RgbImage Photo(int w, int h) {
    RgbImage img{w, h, std::vector<uint32_t>(size_t(w) * size_t(h))};
    uint32_t seed = 1;
    for (auto& p : img.Pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = (seed >> 8) & 0xFFFFFF;
    }
    return img;
}

// 50 megapixels (8660 x 5774), the plain conversion.
static void BM_SimpleMonochrome50MP(benchmark::State& state) {
    const RgbImage img = Photo(8660, 5774);
    BilevelImage out;
    for (auto _ : state) {
        SimpleMonochrome(img, out);
        benchmark::DoNotOptimize(out.Bits.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(img.Pixels.size()));
}
BENCHMARK(BM_SimpleMonochrome50MP)->Unit(benchmark::kMillisecond);

static void BM_ExtractEdges12MP(benchmark::State& state) {
    const RgbImage img = Photo(4000, 3000);
    BilevelImage out;
    for (auto _ : state) {
        ExtractEdges(img, kDefaultSensitivity, kDefaultDensity, kDialogTestMask, out);
        benchmark::DoNotOptimize(out.Bits.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(img.Pixels.size()));
}
BENCHMARK(BM_ExtractEdges12MP)->Unit(benchmark::kMillisecond);
