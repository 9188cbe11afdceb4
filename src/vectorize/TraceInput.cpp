#include "vectorize/TraceInput.h"

#include <new>

#include "image/RasterFile.h"

namespace {

int ResultOf(ImageCheck rc) {
    switch (rc) {
    case ImageCheck::Ok: return kInputOk;
    case ImageCheck::Empty:
    case ImageCheck::Truncated: return kInputTruncated;
    case ImageCheck::TooLarge: return kInputTooLarge;
    case ImageCheck::NotThisType: return kInputNotImage;
    case ImageCheck::Corrupt: return kInputCorrupt;
    case ImageCheck::Unsupported: return kInputUnsupported;
    }
    return kInputCorrupt;
}

int ReadPicture(RasterReader& file, TraceInput& out) {
    TraceInput in;
    in.Mono = file.Mono();
    if (in.Mono) {
        const uint32_t c0 = file.MonoColour(0), c1 = file.MonoColour(1);
        const uint8_t invert = InkBitFromPalette(uint8_t(c0), uint8_t(c0 >> 8), uint8_t(c0 >> 16), uint8_t(c1),
                                                 uint8_t(c1 >> 8), uint8_t(c1 >> 16))
                                   ? 0x00
                                   : 0xFF;
        in.Bits = MonoImage(file.Width(), file.Height());
        const size_t rowBytes = (size_t(file.Width()) + 7) / 8;
        for (int y = 0; y < file.Height(); ++y) {
            uint8_t* row = &in.Bits.Data[size_t(y) * in.Bits.Stride];
            if (ImageCheck rc = file.ReadMonoRow(row); rc != ImageCheck::Ok) return ResultOf(rc);
            for (size_t b = 0; b < rowBytes; ++b) row[b] ^= invert;
            if (file.Width() % 8) row[rowBytes - 1] &= uint8_t(0xFF << (8 - file.Width() % 8));  // padding is paper
        }
    } else {
        in.Colour.Width = file.Width();
        in.Colour.Height = file.Height();
        in.Colour.Pixels.resize(size_t(file.Width()) * size_t(file.Height()));
        for (int y = 0; y < file.Height(); ++y)
            if (ImageCheck rc = file.ReadColourRow(&in.Colour.Pixels[size_t(y) * size_t(file.Width())]);
                rc != ImageCheck::Ok)
                return ResultOf(rc);
    }
    out = std::move(in);
    return kInputOk;
}

}  // namespace

int ReadTraceInput(const uint8_t* data, size_t size, TraceInput& out) {
    RasterReader file;
    if (ImageCheck rc = file.Open(data, size, kTraceColumnLimit - 1, kTraceRowLimit - 1); rc != ImageCheck::Ok)
        return ResultOf(rc);
    try {
        return ReadPicture(file, out);
    } catch (const std::bad_alloc&) {  // a picture the file really holds, but too big for memory
        return kInputTooLarge;
    }
}

const char* TraceInputErrorText(int result) {
    switch (result) {
    case kInputOk: return "ok";
    case kInputNotImage: return "not a BMP, PBM, PGM or PPM image";
    case kInputTruncated: return "truncated: the file ends before its pixels do";
    case kInputTooLarge: return "too large: the tracer takes fewer than 40000 columns and 20000 rows, and 512 MiB of pixels";
    case kInputCorrupt: return "corrupt header or pixel data";
    case kInputUnsupported: return "unsupported BMP (compressed or 16-bit); save it as an uncompressed BMP";
    }
    return "unknown error";
}
