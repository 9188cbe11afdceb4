// Saving and reading PNG: a camera-like photo and a 1-bit A4 drawing at 400 dpi at every zlib
// level (PngLevels' defaults are chosen from these), and the photo read back.
#include <benchmark/benchmark.h>

#include "image/PngRead.h"
#include "PngPictures.h"
#include "imageops/PngWriter.h"

namespace {

const DibPixels& Photo() {
    static const DibPixels photo = PngPhoto();
    return photo;
}

void Encode(benchmark::State& state, const DibPixels& picture, PngLevels levels) {
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> file;
        if (!EncodePng(picture, file, levels)) state.SkipWithError("EncodePng failed");
        benchmark::DoNotOptimize(file.data());
        bytes = file.size();
    }
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["ratio"] = double(bytes) / double(picture.Bits.size());
}

void BM_PngEncodePhoto12MP(benchmark::State& state) { Encode(state, Photo(), PngLevels{int(state.range(0)), 8}); }
BENCHMARK(BM_PngEncodePhoto12MP)->DenseRange(1, 9)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_PngDecodePhoto12MP(benchmark::State& state) {
    std::vector<uint8_t> file;
    EncodePng(Photo(), file);
    for (auto _ : state) {
        PngPicture picture;
        if (ReadPng(file.data(), file.size(), picture) != PngStatus::Ok) state.SkipWithError("ReadPng failed");
        benchmark::DoNotOptimize(picture.Bits.data());
    }
    state.counters["MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_PngDecodePhoto12MP)->Unit(benchmark::kMillisecond);

void BM_PngEncodeDrawingA4At400(benchmark::State& state) {
    static const DibPixels drawing = PngDrawing();
    Encode(state, drawing, PngLevels{3, int(state.range(0))});
}
BENCHMARK(BM_PngEncodeDrawingA4At400)->DenseRange(1, 9)->Unit(benchmark::kMillisecond);

}  // namespace
