#include <benchmark/benchmark.h>

#include "imageops/Palette8.h"
#include "imageops/TiffWriter.h"

// A 24-megapixel photo stand-in: smooth gradients with grain, so neither LZW nor the palette
// has it easy.
static const DibPixels& Photo() {
    static const DibPixels photo = [] {
        DibPixels p;
        p.Allocate(6000, 4000, 24);
        uint32_t seed = 1;
        for (int y = 0; y < p.Height; ++y) {
            uint8_t* row = p.Row(y);
            for (int x = 0; x < p.Width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const uint32_t grain = (seed >> 24) % 12;
                row[3 * x] = uint8_t((x + y) * 255 / 10000 + grain);
                row[3 * x + 1] = uint8_t(y * 240 / 4000 + grain);
                row[3 * x + 2] = uint8_t((x / 3 + (y * y) / 40000) % 240 + grain);
            }
        }
        return p;
    }();
    return photo;
}

static void BM_EncodeTiffPhoto24MP(benchmark::State& state) {
    const DibPixels& photo = Photo();
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> file;  // a fresh file each time, as each save makes one
        EncodeTiff(photo, file);
        benchmark::DoNotOptimize(file.data());
        bytes = file.size();
    }
    state.counters["MB"] = double(bytes) / 1e6;
    state.SetBytesProcessed(state.iterations() * int64_t(photo.Bits.size()));
}
BENCHMARK(BM_EncodeTiffPhoto24MP)->Unit(benchmark::kMillisecond);

static void BM_Palette8Photo24MP(benchmark::State& state) {
    const DibPixels& photo = Photo();
    size_t entries = 0;
    for (auto _ : state) {
        DibPixels out;
        ReduceTo8Bit(photo, out);
        benchmark::DoNotOptimize(out.Bits.data());
        entries = out.Palette.size();
    }
    state.counters["entries"] = double(entries);
    state.SetItemsProcessed(state.iterations() * int64_t(photo.Width) * photo.Height);
}
BENCHMARK(BM_Palette8Photo24MP)->Unit(benchmark::kMillisecond);
