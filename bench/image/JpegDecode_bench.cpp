// A 24-megapixel camera JPEG decoded into 32-bit bottom-up rows: DecodeJpeg with one and two
// threads, and the system's libjpeg (what Wine's picture loader runs) on the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "../common/CameraPhoto.h"
#include "image/JpegDecode.h"

namespace {

constexpr int kWidth = kCameraWidth, kHeight = kCameraHeight;

// Gradients, discs, bars and sensor noise at quality 92, 4:2:0: sized like a camera's file.
const std::vector<uint8_t>& CameraJpeg() {
    static const std::vector<uint8_t> file = [] {
        jpeg_compress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char* buffer = nullptr;
        unsigned long length = 0;
        jpeg_mem_dest(&info, &buffer, &length);
        info.image_width = kWidth;
        info.image_height = kHeight;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 92, TRUE);
        jpeg_start_compress(&info, TRUE);
        std::vector<uint8_t> row(size_t(kWidth) * 3);
        uint32_t seed = 1;
        for (int y = 0; y < kHeight; ++y) {
            CameraPhotoRow(y, seed, row.data());
            JSAMPROW p = row.data();
            jpeg_write_scanlines(&info, &p, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        std::vector<uint8_t> out(buffer, buffer + length);
        std::free(buffer);
        return out;
    }();
    return file;
}

struct Rows : PixelTarget {
    std::vector<uint8_t> pixels;
    uint8_t* Allocate(int w, int h) override {
        pixels.resize(size_t(w) * size_t(h) * 4);
        return pixels.data();
    }
};

void BM_Jpeg6000x4000_DecodeJpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = CameraJpeg();
    Rows rows;
    rows.Allocate(kWidth, kHeight);  // both decoders write into memory touched before the timing
    for (auto _ : state) {
        if (DecodeJpeg(file.data(), file.size(), rows, int(state.range(0))) != JpegDecodeResult::Ok)
            state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(rows.pixels.data());
    }
    state.counters["file_bytes"] = double(file.size());
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_Jpeg6000x4000_DecodeJpeg)->Arg(1)->Arg(2)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg's defaults (islow IDCT, fancy upsampling), rows written bottom-up as BGRX.
void BM_Jpeg6000x4000_Libjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = CameraJpeg();
    Rows rows;
    rows.Allocate(kWidth, kHeight);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGRX;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW p = rows.pixels.data() + size_t(kHeight - 1 - int(info.output_scanline)) * size_t(kWidth) * 4;
            jpeg_read_scanlines(&info, &p, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(rows.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_Jpeg6000x4000_Libjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
