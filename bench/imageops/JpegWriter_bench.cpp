#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imageops/JpegWriter.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// Gradients, hard-edged discs and bars, and noise: a picture that compresses like a photo.
const DibPixels& Photo() {
    static const DibPixels photo = [] {
        DibPixels p;
        p.Allocate(kWidth, kHeight, 24);
        uint32_t seed = 1;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* px = p.Row(y);
            for (int x = 0; x < kWidth; ++x, px += 3) {
                seed = seed * 1664525u + 1013904223u;
                const int n = int(seed >> 28) - 8;
                int r = x * 255 / kWidth, g = y * 255 / kHeight, b = 128 + (x / 7 + y / 5) % 100;
                const int dx = x % 1500 - 750, dy = y % 1000 - 500;
                if (dx * dx + dy * dy < 400 * 400) r = 220 - dy / 10, g = 60, b = 50 + dx / 10;
                if (x % 600 < 40) r = g = b = 30;
                px[0] = uint8_t(std::clamp(b + n, 0, 255));
                px[1] = uint8_t(std::clamp(g + n, 0, 255));
                px[2] = uint8_t(std::clamp(r + n, 0, 255));
            }
        }
        return p;
    }();
    return photo;
}

void BM_Jpeg6000x4000_Pixaro(benchmark::State& state) {
    const DibPixels& photo = Photo();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (!EncodeJpeg(photo, kJpegSaveQuality, out)) state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = double(out.size());
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_Jpeg6000x4000_Pixaro)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole `convert` process on the same pixels, written once as PPM.
void BM_Jpeg6000x4000_ImageMagickProcess(benchmark::State& state) {
    if (std::system("command -v convert >/dev/null") != 0) {
        state.SkipWithError("convert missing");
        return;
    }
    const std::string ppm = "/tmp/pixaro_jpeg_bench.ppm", jpeg = "/tmp/pixaro_jpeg_bench.jpg";
    const DibPixels& photo = Photo();
    if (FILE* f = std::fopen(ppm.c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
        std::vector<uint8_t> row(size_t(kWidth) * 3);
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* px = photo.Row(y);
            for (size_t x = 0; x < size_t(kWidth); ++x)
                for (size_t c = 0; c < 3; ++c) row[x * 3 + c] = px[x * 3 + 2 - c];
            std::fwrite(row.data(), 1, row.size(), f);
        }
        std::fclose(f);
    }
    const std::string command = "convert -sampling-factor 2x2 -quality 90 " + ppm + " " + jpeg;
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("convert failed");
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
    std::remove(ppm.c_str());
    std::remove(jpeg.c_str());
}
BENCHMARK(BM_Jpeg6000x4000_ImageMagickProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
