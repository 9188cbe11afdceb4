// The metadata walk of a camera-like JPEG header held in memory (target: under 20 µs a file).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "../../tests/exif/ExifBuilder.h"
#include "exif/ExifParser.h"

namespace {

using namespace exiftest;

// What a camera writes: IFD0, the Exif IFD with a maker note, interoperability, GPS and the
// thumbnail IFD with an 8 KB thumbnail, in the camera's byte order.
std::vector<uint8_t> CameraHeader(bool bigEndian) {
    std::vector<Ent> ifd0 = {Ascii(0x010E, "                               "), Ascii(0x010F, "Pixacam"),
                             Ascii(0x0110, "PX-1 Mark II"), Shorts(0x0112, {1}), Rationals(0x011A, {72, 1}),
                             Rationals(0x011B, {72, 1}), Shorts(0x0128, {2}), Ascii(0x0131, "Firmware 1.02"),
                             Ascii(0x0132, "2023:04:05 06:07:08"), Shorts(0x0213, {2}), Ascii(0x8298, "Norvane"),
                             Pointer(0x8769, 2), Pointer(0x8825, 4), Xp(0x9C9B, u"港の風景")};
    std::vector<Ent> exif = {Rationals(0x829A, {1, 250}), Rationals(0x829D, {56, 10}), Shorts(0x8822, {3}),
                             Shorts(0x8827, {400}), Bytes(0x9000, "0231", 7), Ascii(0x9003, "2023:04:05 06:07:08"),
                             Ascii(0x9004, "2023:04:05 06:07:08"), Bytes(0x9101, std::string("\1\2\3\0", 4), 7),
                             Rationals(0x9102, {4, 1}), Values(0x9201, 10, {8, 1}), Rationals(0x9202, {50, 10}),
                             Values(0x9204, 10, {0, 3}), Rationals(0x9205, {30, 10}), Shorts(0x9207, {5}),
                             Shorts(0x9209, {16}), Rationals(0x920A, {240, 10}),
                             Bytes(0x927C, std::string(6000, 'm'), 7), Ascii(0x9290, "00"), Ascii(0x9291, "00"),
                             Ascii(0x9292, "00"), Bytes(0xA000, "0100", 7), Shorts(0xA001, {1}),
                             Longs(0xA002, {6000}), Longs(0xA003, {4000}), Pointer(0xA005, 3),
                             Rationals(0xA20E, {6000000, 236}), Rationals(0xA20F, {4000000, 157}),
                             Shorts(0xA210, {2}), Bytes(0xA217, "\x02", 7), Bytes(0xA300, "\x03", 7),
                             Bytes(0xA301, "\x01", 7), Shorts(0xA401, {0}), Shorts(0xA402, {0}), Shorts(0xA403, {0}),
                             Rationals(0xA404, {1, 1}), Shorts(0xA405, {36}), Shorts(0xA406, {0}),
                             Shorts(0xA408, {0}), Shorts(0xA409, {0}), Shorts(0xA40A, {0})};
    std::vector<Ent> interop = {Ascii(1, "R98"), Bytes(2, "0100", 7)};
    std::vector<Ent> gps = {Bytes(0, std::string("\2\3\0\0", 4)), Ascii(1, "N"),
                            Rationals(2, {35, 1, 39, 1, 2967, 100}), Ascii(3, "E"),
                            Rationals(4, {139, 1, 44, 1, 4089, 100}), Bytes(5, std::string(1, '\0')),
                            Rationals(6, {40, 1}), Rationals(7, {6, 1, 7, 1, 8, 1}), Ascii(18, "WGS-84"),
                            Ascii(29, "2023:04:05")};
    std::vector<Ent> ifd1 = {Shorts(0x0103, {6}), Rationals(0x011A, {72, 1}), Rationals(0x011B, {72, 1}),
                             Shorts(0x0128, {2}), Longs(0x0201, {0}), Longs(0x0202, {8000})};
    std::vector<uint8_t> tiff = Tiff(bigEndian).Build({{ifd0, 1}, {ifd1}, {exif}, {interop}, {gps}});
    tiff.resize(tiff.size() + 8000, 0x55);  // the thumbnail
    return Jpeg(tiff, true);
}

void BM_ParseCameraHeader(benchmark::State& state) {
    const std::vector<uint8_t> file = CameraHeader(state.range(0) != 0);
    auto report = std::make_unique<InfoReport>();
    for (auto _ : state) {
        ExifSummary summary;
        ResetExifSummary(summary);
        ParseJpegMarkers(file.data(), file.size(), summary, *report);
        benchmark::DoNotOptimize(summary);
        benchmark::DoNotOptimize(report->Length());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
    state.counters["report_bytes"] = double(report->Length());
}
BENCHMARK(BM_ParseCameraHeader)->Arg(0)->Arg(1)->ArgName("big_endian")->Unit(benchmark::kMicrosecond);

// The worst a hostile header can cost: IFD0 with 65535 entries runs to the report's limit.
void BM_ParseHostileHeader(benchmark::State& state) {
    std::vector<Ent> many;
    for (int i = 0; i < 5000; ++i) many.push_back(Rationals(uint16_t(0xC000 + i % 100), {1, 2, 3, 4, 5, 6, 7, 8}));
    std::vector<uint8_t> tiff = Tiff(false).Build({{many}});
    tiff[8] = 0xFF;  // the entry count now claims 65535
    tiff[9] = 0xFF;
    std::vector<uint8_t> file = {0xFF, 0xD8};
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.begin() + 65000);
    Segment(file, 0xE1, app1);
    file.insert(file.end(), tiff.begin() + 65000, tiff.end());
    auto report = std::make_unique<InfoReport>();
    for (auto _ : state) {
        ExifSummary summary;
        ResetExifSummary(summary);
        ParseJpegMarkers(file.data(), file.size(), summary, *report);
        benchmark::DoNotOptimize(report->Length());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseHostileHeader)->Unit(benchmark::kMicrosecond);

}  // namespace
