#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../common/CameraPhoto.h"
#include "imageops/JpegWriter.h"

namespace {

constexpr int kWidth = kCameraWidth, kHeight = kCameraHeight;

const DibPixels& Photo() {
    static const DibPixels photo = [] {
        DibPixels p;
        p.Allocate(kWidth, kHeight, 24);
        uint32_t seed = 1;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* px = p.Row(y);
            CameraPhotoRow(y, seed, px);
            for (int x = 0; x < kWidth; ++x, px += 3) std::swap(px[0], px[2]);  // DIB rows are B, G, R
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
