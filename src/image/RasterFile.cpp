#include "image/RasterFile.h"

#include <cstring>
#include <string_view>

namespace {

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }

bool IsPnmSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The next byte without taking it; -1 at the end.
int Peek(const ByteReader& r) {
    ByteReader probe = r;
    const uint8_t c = probe.U8();
    return probe.Ok() ? c : -1;
}

// 1 to 6 for a PNM magic followed by a separator (or the end of a cut file), else 0.
int PnmFormat(ByteReader r) {
    const uint8_t p = r.U8(), digit = r.U8();
    if (!r.Ok() || p != 'P' || digit < '1' || digit > '6') return 0;
    const int next = Peek(r);
    return next < 0 || next == '#' || IsPnmSpace(next) ? digit - '0' : 0;
}

bool GoodDepth(int bitCount, uint32_t compression) {
    switch (compression) {
    case 0: return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    case kRle8: return bitCount == 8;
    case kRle4: return bitCount == 4;
    case kBitFields:
    case kAlphaBitFields: return bitCount == 16 || bitCount == 32;
    }
    return false;
}

ImageCheck CheckDib(const ByteReader& header, uint64_t bitsBytes, int64_t maxWidth, int64_t maxHeight,
                    DibShape& shape) {
    if (header.Size() < 12) return ImageCheck::Truncated;
    ByteReader r = header;
    const uint32_t size = r.U32LE();
    DibShape s;
    int64_t w, h;
    uint32_t planes, sizeImage = 0, used = 0;
    if (size == 12) {  // OS/2 core header
        w = r.U16LE();
        h = int16_t(r.U16LE());
        planes = r.U16LE();
        s.BitCount = r.U16LE();
        s.PaletteEntryBytes = 3;
        if (s.BitCount == 16 || s.BitCount == 32) return ImageCheck::Corrupt;
    } else if (size == 40 || size == 52 || size == 56 || size == 108 || size == 124) {
        if (!header.Fits(0, size)) return ImageCheck::Truncated;
        w = int32_t(r.U32LE());
        h = int32_t(r.U32LE());
        planes = r.U16LE();
        s.BitCount = r.U16LE();
        s.Compression = r.U32LE();
        sizeImage = r.U32LE();
        r.Skip(8);  // resolution
        used = r.U32LE();
    } else {
        return ImageCheck::Corrupt;
    }
    if (!r.Ok()) return ImageCheck::Truncated;
    if (planes != 1 || !GoodDepth(s.BitCount, s.Compression)) return ImageCheck::Corrupt;
    const bool runLength = s.Compression == kRle8 || s.Compression == kRle4;
    s.TopDown = h < 0;
    if (h < 0) h = -h;
    if (w <= 0 || h <= 0 || (runLength && s.TopDown)) return ImageCheck::Corrupt;
    if (!DibFits(w, h, s.BitCount, maxWidth, maxHeight)) return ImageCheck::TooLarge;
    s.Width = int(w);
    s.Height = int(h);
    s.RowBytes = DibRowBytes(w, s.BitCount);
    s.PixelBytes = s.RowBytes * uint64_t(h);
    if (used > 256) return ImageCheck::Corrupt;
    s.Colors = used != 0 ? used : s.BitCount <= 8 ? 1u << s.BitCount : 0;
    // A 40-byte header is followed by its masks; the longer ones hold them.
    const uint32_t masks = size != 40 ? 0 : s.Compression == kBitFields ? 12 : s.Compression == kAlphaBitFields ? 16 : 0;
    s.PaletteOffset = size + masks;
    if (!header.Fits(s.PaletteOffset, s.Colors, s.PaletteEntryBytes)) return ImageCheck::Truncated;
    if (runLength) {
        if (sizeImage == 0) return ImageCheck::Corrupt;
        if (sizeImage > bitsBytes) return ImageCheck::Truncated;
    } else if (bitsBytes < s.PixelBytes) {
        return ImageCheck::Truncated;
    }
    shape = s;
    return ImageCheck::Ok;
}

ImageCheck CheckBmp(const ByteReader& head, uint64_t fileSize, int64_t maxWidth, int64_t maxHeight,
                    DibShape& shape, uint32_t& pixelOffset) {
    if (fileSize == 0) return ImageCheck::Empty;
    ByteReader r = head;
    if (r.U8() != 'B' || r.U8() != 'M' || !r.Ok()) return ImageCheck::NotThisType;
    r.Seek(10);
    const uint32_t offBits = r.U32LE();
    r.Skip(12);  // the smallest info header
    if (!r.Ok()) return ImageCheck::Truncated;
    // The headers and palette must lie in the head read; the pixels only in the file.
    if (offBits < 14 + 12 || offBits > fileSize || offBits > head.Size()) return ImageCheck::Truncated;
    const ImageCheck rc = CheckDib(head.Sub(14, offBits - 14), fileSize - offBits, maxWidth, maxHeight, shape);
    if (rc == ImageCheck::Ok) pixelOffset = offBits;
    return rc;
}

}  // namespace

ImageCheck CheckDibHeader(const uint8_t* header, size_t headerBytes, uint64_t bitsBytes, DibShape& shape) {
    return CheckDib(ByteReader(header, headerBytes), bitsBytes, kMaxImageSide, kMaxImageSide, shape);
}

ImageCheck CheckBmpHead(const uint8_t* head, size_t headBytes, uint64_t fileSize, DibShape& shape) {
    uint32_t pixelOffset;
    return CheckBmp(ByteReader(head, headBytes), fileSize, kMaxImageSide, kMaxImageSide, shape, pixelOffset);
}

bool IsPbmHead(const ByteReader& head) {
    const int format = PnmFormat(head.At(0));
    return (format == 1 || format == 4) && head.Size() > 2;
}

ImageCheck RasterReader::Open(const uint8_t* data, size_t size, int maxWidth, int maxHeight) {
    *this = RasterReader();
    file_ = ByteReader(data, size);
    ByteReader r = file_;
    if (r.U8() == 'B' && r.U8() == 'M' && r.Ok()) return OpenBmp(maxWidth, maxHeight);
    format_ = PnmFormat(file_);
    if (format_ == 0) return ImageCheck::NotThisType;
    pixels_ = file_.At(2);
    return OpenPnm(maxWidth, maxHeight);
}

ImageCheck RasterReader::OpenBmp(int maxWidth, int maxHeight) {
    uint32_t pixelOffset = 0;
    if (ImageCheck rc = CheckBmp(file_, file_.Size(), maxWidth, maxHeight, shape_, pixelOffset); rc != ImageCheck::Ok)
        return rc;
    if (shape_.Compression != 0 || shape_.BitCount == 16) return ImageCheck::Unsupported;
    ByteReader palette = file_.At(14 + uint64_t(shape_.PaletteOffset));
    for (uint32_t i = 0; i < shape_.Colors; ++i) {  // a missing entry stays black
        const uint8_t* e = palette.Bytes(shape_.PaletteEntryBytes);
        if (e) palette_[i] = Rgb(e[2], e[1], e[0]);
    }
    format_ = 'B';
    pixels_ = file_.Sub(pixelOffset);
    width_ = shape_.Width;
    height_ = shape_.Height;
    mono_ = shape_.BitCount == 1;
    return ImageCheck::Ok;
}

// Whitespace and '#' comments between the header fields, and between P1/P2/P3 values.
void RasterReader::SkipPnmSpace() {
    for (int c = Peek(pixels_); c >= 0; c = Peek(pixels_)) {
        if (IsPnmSpace(c)) {
            pixels_.Skip(1);
            continue;
        }
        if (c != '#') return;
        pixels_.Skip(1);
        const size_t start = pixels_.Pos();
        while ((c = Peek(pixels_)) >= 0 && c != '\n' && c != '\r') pixels_.Skip(1);
        const size_t length = pixels_.Pos() - start;
        std::string_view line(reinterpret_cast<const char*>(pixels_.At(start).Bytes(length)), length);
        while (!line.empty() && IsPnmSpace(uint8_t(line.front()))) line.remove_prefix(1);
        while (!line.empty() && IsPnmSpace(uint8_t(line.back()))) line.remove_suffix(1);
        if (line == "palette white-black") whiteBlack_ = true;
    }
}

ImageCheck RasterReader::PnmNumber(uint32_t& value) {
    SkipPnmSpace();
    int c = Peek(pixels_);
    if (c < 0) return ImageCheck::Truncated;
    if (c < '0' || c > '9') return ImageCheck::Corrupt;
    uint64_t v = 0;
    for (; c >= '0' && c <= '9'; c = Peek(pixels_)) {
        v = v * 10 + uint64_t(c - '0');
        if (v > 0xFFFFFFFFu) return ImageCheck::Corrupt;
        pixels_.Skip(1);
    }
    value = uint32_t(v);
    return ImageCheck::Ok;
}

ImageCheck RasterReader::OpenPnm(int maxWidth, int maxHeight) {
    const bool bitmap = format_ == 1 || format_ == 4, binary = format_ >= 4;
    const int channels = format_ == 3 || format_ == 6 ? 3 : 1;
    uint32_t width = 0, height = 0;
    ImageCheck rc = PnmNumber(width);
    if (rc == ImageCheck::Ok) rc = PnmNumber(height);
    if (rc == ImageCheck::Ok && !bitmap) rc = PnmNumber(maxValue_);
    if (rc != ImageCheck::Ok) return rc;
    if (width == 0 || height == 0 || maxValue_ == 0 || maxValue_ > 65535) return ImageCheck::Corrupt;
    if (!DibFits(width, height, bitmap ? 1 : 8 * channels, maxWidth, maxHeight)) return ImageCheck::TooLarge;
    if (binary) {  // exactly one whitespace byte ends the header
        const uint8_t c = pixels_.U8();
        if (!pixels_.Ok()) return ImageCheck::Truncated;
        if (!IsPnmSpace(c)) return ImageCheck::Corrupt;
    }
    const uint64_t samples = uint64_t(width) * height * uint64_t(channels);
    // Each text bit takes a byte, each text sample a digit and a separator.
    const uint64_t need = format_ == 4 ? (uint64_t(width) + 7) / 8 * height
                          : format_ == 1 ? samples
                          : binary       ? samples * (maxValue_ > 255 ? 2 : 1)
                                         : samples * 2 - 1;
    if (need > pixels_.Remaining()) return ImageCheck::Truncated;
    width_ = int(width);
    height_ = int(height);
    mono_ = bitmap;
    palette_[0] = Rgb(255, 255, 255);
    return ImageCheck::Ok;
}

ByteReader RasterReader::BmpRow() {
    const int y = shape_.TopDown ? row_ : height_ - 1 - row_;
    return pixels_.Sub(uint64_t(y) * shape_.RowBytes, shape_.RowBytes);
}

ImageCheck RasterReader::ReadMonoRow(uint8_t* out) {
    if (!mono_ || row_ >= height_) return ImageCheck::Corrupt;
    const size_t rowBytes = (size_t(width_) + 7) / 8;
    if (format_ == 1) {
        std::memset(out, 0, rowBytes);
        for (int x = 0; x < width_; ++x) {
            SkipPnmSpace();
            const uint8_t c = pixels_.U8();
            if (!pixels_.Ok()) return ImageCheck::Truncated;
            if (c != '0' && c != '1') return ImageCheck::Corrupt;
            if (c == '1') out[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    } else {
        const uint8_t* src = format_ == 'B' ? BmpRow().Bytes(rowBytes) : pixels_.Bytes(rowBytes);
        if (!src) return ImageCheck::Truncated;
        std::memcpy(out, src, rowBytes);
        if (width_ % 8) out[rowBytes - 1] &= uint8_t(0xFF << (8 - width_ % 8));
    }
    ++row_;
    return ImageCheck::Ok;
}

ImageCheck RasterReader::ReadColourRow(uint32_t* out) {
    if (mono_ || format_ == 0 || row_ >= height_) return ImageCheck::Corrupt;
    if (format_ == 'B') {
        const uint8_t* src = BmpRow().Bytes(shape_.RowBytes);
        if (!src) return ImageCheck::Truncated;
        for (int x = 0; x < width_; ++x) {
            switch (shape_.BitCount) {
            case 4: out[x] = palette_[(src[x / 2] >> (x % 2 ? 0 : 4)) & 15]; break;
            case 8: out[x] = palette_[src[x]]; break;
            case 24: out[x] = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            default: out[x] = Rgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]); break;
            }
        }
        ++row_;
        return ImageCheck::Ok;
    }
    const bool text = format_ <= 3, wide = maxValue_ > 255;
    const int channels = format_ == 3 || format_ == 6 ? 3 : 1;
    for (int x = 0; x < width_; ++x) {
        uint32_t c[3] = {0, 0, 0};
        for (int k = 0; k < channels; ++k) {
            if (text) {
                if (ImageCheck rc = PnmNumber(c[k]); rc != ImageCheck::Ok) return rc;
            } else {
                c[k] = wide ? pixels_.U16BE() : pixels_.U8();
                if (!pixels_.Ok()) return ImageCheck::Truncated;
            }
            if (c[k] > maxValue_) return ImageCheck::Corrupt;
            c[k] = c[k] * 255 / maxValue_;
        }
        out[x] = channels == 3 ? Rgb(c[0], c[1], c[2]) : Rgb(c[0], c[0], c[0]);
    }
    ++row_;
    return ImageCheck::Ok;
}
