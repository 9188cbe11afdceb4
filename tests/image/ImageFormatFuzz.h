// One fuzz body shared by the libFuzzer target and the crasher replay test: every header
// check of the image loaders and the plug-ins, then the promises their callers rely on.
#pragma once
#include <cstdint>
#include <vector>

#include "base/ByteReader.h"
#include "image/ImageFormat.h"
#include "image/RasterFile.h"
#include "image/plugins/SpiFormats.h"

inline void FuzzPluginHeads(const ByteReader& b) {
    spi::RasterHead head;
    spi::MetaFrame frame;
    spi::PngHead(b, head);
    spi::TiffHead(b, head);
    spi::TiffLayoutSane(b);
    spi::PlaceableWmfFrame(b, frame);
    spi::PlainWmfFrame(b, frame);
    spi::EmfFrame(b, frame);
    spi::WmfRecordsSane(b, 0);
    spi::WmfRecordsSane(b, spi::kPlaceableSize);
    spi::EmfRecordsSane(b);
}

// Ok promises that the rows lie after the pixel offset, and that 1-bit rows are never
// run-length coded (the window flips them in place).
inline void FuzzBmpHeader(const uint8_t* data, size_t size) {
    DibShape shape;
    if (CheckBmpFile(data, size, shape) != ImageCheck::Ok) return;
    const bool runLength = shape.Compression == 1 || shape.Compression == 2;
    if (runLength && (shape.BitCount == 1 || shape.BitCount == 24 || shape.TopDown)) __builtin_trap();
    if (runLength || shape.PixelBytes > (1u << 20)) return;
    ByteReader file(data, size);
    file.Seek(10);
    const uint32_t offset = file.U32LE();
    const uint8_t* pixels = file.At(offset).Bytes(shape.PixelBytes);
    if (!pixels) __builtin_trap();
    std::vector<uint8_t> rows(pixels, pixels + shape.PixelBytes);
    if (shape.BitCount == 1) FlipMonoRows(rows.data(), shape.Width, shape.Height, 0xFF, !shape.TopDown);
}

// An opened picture of a binary format holds every row (a sample may still be above the
// largest value); rows never carry bits past the width.
inline void FuzzRasterReader(const uint8_t* data, size_t size) {
    RasterReader file;
    if (file.Open(data, size) != ImageCheck::Ok) return;
    if (uint64_t(file.Width()) * uint64_t(file.Height()) > (1u << 22)) return;
    const bool text = size > 1 && data[0] == 'P' && data[1] <= '3';
    std::vector<uint8_t> mono((size_t(file.Width()) + 7) / 8);
    std::vector<uint32_t> colour(size_t(file.Width()));
    for (int y = 0; y < file.Height(); ++y) {
        const ImageCheck rc = file.Mono() ? file.ReadMonoRow(mono.data()) : file.ReadColourRow(colour.data());
        if (rc != ImageCheck::Ok) {
            if (rc == ImageCheck::Truncated && !text) __builtin_trap();
            return;
        }
        if (file.Mono() && file.Width() % 8 && (mono.back() & (0xFF >> (file.Width() % 8)))) __builtin_trap();
    }
}

inline void FuzzImageFormat(const uint8_t* data, size_t size) {
    int w = 0, h = 0;
    CheckPictureFile(data, size, w, h);
    FuzzPluginHeads(ByteReader(data, size));
    FuzzBmpHeader(data, size);
    FuzzRasterReader(data, size);
}
