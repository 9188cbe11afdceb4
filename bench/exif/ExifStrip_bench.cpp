// The Exif-free copy of a camera-sized JPEG held in memory: the segment plan plus one copy of
// the bytes, so the whole-process figure of pixaro-exif --strip is mostly file I/O.
#include <benchmark/benchmark.h>

#include <vector>

#include "exif/ExifStrip.h"

namespace {

void Append(std::vector<uint8_t>& out, uint8_t code, size_t payload, uint8_t fill) {
    out.insert(out.end(), {0xFF, code, uint8_t((payload + 2) >> 8), uint8_t(payload + 2)});
    out.insert(out.end(), payload, fill);
}

// APP0, a 40 KB Exif APP1 (a thumbnail's worth), XMP, tables and 3 MB of scan.
std::vector<uint8_t> CameraFile() {
    std::vector<uint8_t> f = {0xFF, 0xD8};
    Append(f, 0xE0, 14, 0);
    const size_t exifStart = f.size();
    Append(f, 0xE1, 40000, 0x11);
    std::copy_n("Exif\0\0", 6, f.begin() + long(exifStart) + 4);
    Append(f, 0xE1, 3000, 0x22);
    for (int i = 0; i < 2; ++i) Append(f, 0xDB, 67, 1);
    Append(f, 0xC0, 15, 2);
    for (int i = 0; i < 4; ++i) Append(f, 0xC4, 180, 3);
    Append(f, 0xDA, 10, 0);
    for (size_t i = 0; i < 3000000; ++i) f.push_back(uint8_t(i * 131 % 255));
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

void BM_ExifFreeCopy(benchmark::State& state) {
    const std::vector<uint8_t> file = CameraFile();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildExifFreeCopy(file.data(), file.size(), out));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ExifFreeCopy)->Unit(benchmark::kMicrosecond);

}  // namespace
