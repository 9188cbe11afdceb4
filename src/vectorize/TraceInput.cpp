#include "vectorize/TraceInput.h"

#include <new>

#include "image/ImageFormat.h"
#include "vectorize/Tracer.h"

namespace {

bool TooLarge(uint64_t width, uint64_t height) { return width >= kTraceColumnLimit || height >= kTraceRowLimit; }

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }

// The PNM header: magic, width, height and (but for bitmaps) the largest sample value,
// with '#' comments anywhere between them.
class PnmHeader {
public:
    PnmHeader(const uint8_t* data, size_t size) : p_(data), size_(size) {}
    // False when a number is missing or absurd; `pos` is then meaningless.
    bool Number(uint32_t& value) {
        SkipSpace();
        if (pos_ >= size_ || p_[pos_] < '0' || p_[pos_] > '9') return false;
        uint64_t v = 0;
        while (pos_ < size_ && p_[pos_] >= '0' && p_[pos_] <= '9') {
            v = v * 10 + (p_[pos_++] - '0');
            if (v > 0xFFFFFFFFu) return false;
        }
        value = uint32_t(v);
        return true;
    }
    bool AtEnd() { return pos_ >= size_; }
    size_t Pos() const { return pos_; }
    void SkipSpace() {
        while (pos_ < size_) {
            if (p_[pos_] == '#') {
                while (pos_ < size_ && p_[pos_] != '\n' && p_[pos_] != '\r') ++pos_;
            } else if (p_[pos_] == ' ' || p_[pos_] == '\t' || p_[pos_] == '\n' || p_[pos_] == '\r' ||
                       p_[pos_] == '\v' || p_[pos_] == '\f') {
                ++pos_;
            } else {
                return;
            }
        }
    }
    // The single whitespace byte that ends a binary header.
    bool EndOfHeader() {
        if (pos_ >= size_) return false;
        const uint8_t c = p_[pos_++];
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }
    void Seek(size_t pos) { pos_ = pos; }

private:
    const uint8_t* p_;
    size_t size_;
    size_t pos_ = 2;
};

int ReadPnm(const uint8_t* data, size_t size, TraceInput& out) {
    const int kind = data[1] - '0';
    PnmHeader h(data, size);
    uint32_t width = 0, height = 0, maxval = 1;
    if (!h.Number(width) || !h.Number(height)) return h.AtEnd() ? kInputTruncated : kInputCorrupt;
    if (kind != 1 && kind != 4 && !h.Number(maxval)) return h.AtEnd() ? kInputTruncated : kInputCorrupt;
    if (width == 0 || height == 0 || maxval == 0 || maxval > 65535) return kInputCorrupt;
    if (TooLarge(width, height)) return kInputTooLarge;
    const bool binary = kind >= 4;
    if (binary && !h.EndOfHeader()) return h.AtEnd() ? kInputTruncated : kInputCorrupt;
    const size_t begin = h.Pos(), left = size - begin;
    const int channels = kind == 3 || kind == 6 ? 3 : 1;
    const uint64_t samples = uint64_t(width) * height * channels;
    const uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    // Each ASCII bit takes a byte, each ASCII sample a digit and a separator.
    const uint64_t need = kind == 4   ? uint64_t((width + 7) / 8) * height
                          : kind == 1 ? samples
                          : binary    ? samples * sampleBytes
                                      : samples * 2 - 1;
    if (need > left) return kInputTruncated;

    TraceInput in;
    if (kind == 1 || kind == 4) {
        in.Mono = true;
        in.Bits = MonoImage(int(width), int(height));
        const size_t rowBytes = (size_t(width) + 7) / 8;
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* row = &in.Bits.Data[size_t(y) * in.Bits.Stride];
            if (kind == 4) {
                for (size_t b = 0; b < rowBytes; ++b) row[b] = data[begin + size_t(y) * rowBytes + b];
                if (width % 8) row[rowBytes - 1] &= uint8_t(0xFF << (8 - width % 8));  // padding is paper
                continue;
            }
            for (uint32_t x = 0; x < width; ++x) {
                h.SkipSpace();
                if (h.AtEnd()) return kInputTruncated;
                const uint8_t c = data[h.Pos()];
                if (c != '0' && c != '1') return kInputCorrupt;
                h.Seek(h.Pos() + 1);
                if (c == '1') row[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
        }
    } else {
        in.Colour.Width = int(width);
        in.Colour.Height = int(height);
        in.Colour.Pixels.resize(size_t(width) * height);
        size_t at = begin;
        auto sample = [&](uint32_t& v) -> int {
            if (!binary) {
                if (!h.Number(v)) return h.AtEnd() ? kInputTruncated : kInputCorrupt;
            } else if (sampleBytes == 2) {
                v = uint32_t(data[at] << 8 | data[at + 1]);
                at += 2;
            } else {
                v = data[at++];
            }
            if (v > maxval) return kInputCorrupt;
            v = v * 255 / maxval;
            return kInputOk;
        };
        for (uint32_t& pixel : in.Colour.Pixels) {
            uint32_t c[3] = {0, 0, 0};
            for (int k = 0; k < channels; ++k)
                if (int rc = sample(c[k]); rc != kInputOk) return rc;
            pixel = channels == 3 ? Rgb(c[0], c[1], c[2]) : Rgb(c[0], c[0], c[0]);
        }
    }
    out = std::move(in);
    return kInputOk;
}

int ReadBmp(const uint8_t* data, size_t size, TraceInput& out) {
    DibShape shape;
    switch (CheckBmpFile(data, size, shape)) {
    case ImageCheck::Ok: break;
    case ImageCheck::Empty:
    case ImageCheck::Truncated: return kInputTruncated;
    case ImageCheck::TooLarge: return kInputTooLarge;
    case ImageCheck::NotThisType: return kInputNotImage;
    case ImageCheck::Corrupt: return kInputCorrupt;
    }
    if (TooLarge(uint64_t(shape.Width), uint64_t(shape.Height))) return kInputTooLarge;
    const uint32_t headerSize = Le32(data + 14);
    const uint32_t compression = headerSize >= 40 ? Le32(data + 30) : 0;
    if (compression != 0 || shape.BitCount == 16) return kInputUnsupported;
    const size_t entryBytes = headerSize == 12 ? 3 : 4;
    const uint8_t* palette = data + 14 + headerSize;  // CheckBmpFile saw every entry inside the file
    const uint8_t* pixels = data + Le32(data + 10);
    auto colour = [&](uint32_t index, uint8_t rgb[3]) {
        if (index >= shape.Colors) {  // a missing entry shows black
            rgb[0] = rgb[1] = rgb[2] = 0;
            return;
        }
        const uint8_t* e = palette + index * entryBytes;
        rgb[0] = e[2], rgb[1] = e[1], rgb[2] = e[0];
    };
    auto rowOf = [&](int y) {
        return pixels + size_t(shape.TopDown ? y : shape.Height - 1 - y) * size_t(shape.RowBytes);
    };

    TraceInput in;
    if (shape.BitCount == 1) {
        uint8_t c0[3], c1[3];
        colour(0, c0);
        colour(1, c1);
        const uint8_t invert = InkBitFromPalette(c0[0], c0[1], c0[2], c1[0], c1[1], c1[2]) ? 0x00 : 0xFF;
        in.Mono = true;
        in.Bits = MonoImage(shape.Width, shape.Height);
        const size_t rowBytes = (size_t(shape.Width) + 7) / 8;
        for (int y = 0; y < shape.Height; ++y) {
            const uint8_t* src = rowOf(y);
            uint8_t* dst = &in.Bits.Data[size_t(y) * in.Bits.Stride];
            for (size_t b = 0; b < rowBytes; ++b) dst[b] = src[b] ^ invert;
            if (shape.Width % 8) dst[rowBytes - 1] &= uint8_t(0xFF << (8 - shape.Width % 8));
        }
    } else {
        uint32_t colourOfIndex[256];
        for (uint32_t i = 0; i < 256; ++i) {
            uint8_t c[3];
            colour(i, c);
            colourOfIndex[i] = Rgb(c[0], c[1], c[2]);
        }
        in.Colour.Width = shape.Width;
        in.Colour.Height = shape.Height;
        in.Colour.Pixels.resize(size_t(shape.Width) * size_t(shape.Height));
        for (int y = 0; y < shape.Height; ++y) {
            const uint8_t* src = rowOf(y);
            uint32_t* dst = &in.Colour.Pixels[size_t(y) * size_t(shape.Width)];
            for (int x = 0; x < shape.Width; ++x) {
                switch (shape.BitCount) {
                case 4: dst[x] = colourOfIndex[(src[x / 2] >> (x % 2 ? 0 : 4)) & 15]; break;
                case 8: dst[x] = colourOfIndex[src[x]]; break;
                case 24: dst[x] = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
                default: dst[x] = Rgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]); break;
                }
            }
        }
    }
    out = std::move(in);
    return kInputOk;
}

}  // namespace

int ReadTraceInput(const uint8_t* data, size_t size, TraceInput& out) {
    try {
        if (size >= 2 && data[0] == 'B' && data[1] == 'M') return ReadBmp(data, size, out);
        if (size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6') return ReadPnm(data, size, out);
    } catch (const std::bad_alloc&) {  // a picture the file really holds, but too big for memory
        return kInputTooLarge;
    }
    return kInputNotImage;
}

const char* TraceInputErrorText(int result) {
    switch (result) {
    case kInputOk: return "ok";
    case kInputNotImage: return "not a BMP, PBM, PGM or PPM image";
    case kInputTruncated: return "truncated: the file ends before its pixels do";
    case kInputTooLarge: return "too large: the tracer takes fewer than 40000 columns and 20000 rows";
    case kInputCorrupt: return "corrupt header or pixel data";
    case kInputUnsupported: return "unsupported BMP (compressed or 16-bit); save it as an uncompressed BMP";
    }
    return "unknown error";
}
