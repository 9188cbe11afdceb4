#include "imageops/JpegWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "base/Limits.h"

namespace {

// The zig-zag order: kNatural[k] is the row-major index of the k-th coefficient.
constexpr uint8_t kNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Annex K.1 and K.2 (the tables of quality 50), in zig-zag order as DQT carries them.
constexpr uint8_t kLumaBase[64] = {
    16, 11,  12,  14,  12,  10,  16, 14,  13,  14,  18,  17,  16,  19,  24,  40,
    26, 24,  22,  22,  24,  49,  35, 37,  29,  40,  58,  51,  61,  60,  57,  51,
    56, 55,  64,  72,  92,  78,  64, 68,  87,  69,  55,  56,  80,  109, 81,  87,
    95, 98,  103, 104, 103, 62,  77, 113, 121, 112, 100, 120, 92,  101, 103, 99};
constexpr uint8_t kChromaBase[64] = {
    17, 18, 18, 24, 21, 24, 47, 26, 26, 47, 99, 66, 56, 66, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Annex K.3: code counts per length 1..16, then the symbols in code order.
constexpr uint8_t kDcLumaCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcChromaCounts[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcLumaCounts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcLumaSymbols[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kAcChromaCounts[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr uint8_t kAcChromaSymbols[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct HuffTableDef {
    const uint8_t* Counts;
    const uint8_t* Symbols;
    size_t SymbolCount;
    uint8_t ClassAndId;  // as DHT and SOS name it
};
constexpr HuffTableDef kDcLuma{kDcLumaCounts, kDcSymbols, 12, 0x00};
constexpr HuffTableDef kAcLuma{kAcLumaCounts, kAcLumaSymbols, 162, 0x10};
constexpr HuffTableDef kDcChroma{kDcChromaCounts, kDcSymbols, 12, 0x01};
constexpr HuffTableDef kAcChroma{kAcChromaCounts, kAcChromaSymbols, 162, 0x11};

// The code and its length for each symbol (Annex C).
struct HuffCodes {
    uint32_t Code[256] = {};
    uint8_t Size[256] = {};
    explicit HuffCodes(const HuffTableDef& def) {
        uint32_t code = 0;
        size_t k = 0;
        for (int len = 1; len <= 16; ++len, code <<= 1)
            for (int i = 0; i < def.Counts[len - 1]; ++i, ++code) {
                Code[def.Symbols[k]] = code;
                Size[def.Symbols[k++]] = uint8_t(len);
            }
    }
};

// The AAN scale of each frequency: the fast DCT leaves coefficient (v, u) multiplied by
// 8 * s[v] * s[u], which the quantisation divides out.
constexpr double kAanScale[8] = {1.0,         1.387039845, 1.306562965, 1.175875602,
                                 1.0,         0.785694958, 0.541196100, 0.275899379};

struct Quantiser {
    uint8_t Table[64];  // zig-zag order, for DQT
    float Multiplier[64];  // row-major: 1 / (quantiser * AAN scale)
    Quantiser(const uint8_t* base, int quality) {
        quality = std::clamp(quality, 1, 100);
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        for (int k = 0; k < 64; ++k) {
            Table[k] = uint8_t(std::clamp((base[k] * scale + 50) / 100, 1, 255));
            const int i = kNatural[k];
            Multiplier[i] = float(1.0 / (double(Table[k]) * kAanScale[i >> 3] * kAanScale[i & 7] * 8.0));
        }
    }
};

// The float AAN forward DCT (as the IJG library's jfdctflt) along the first index of
// d[i * 8 + lane], on eight lanes at once so the compiler can use vector registers.
inline void AanLanes(float* d) {
    for (int c = 0; c < 8; ++c) {
        const float t0 = d[0 * 8 + c] + d[7 * 8 + c], t7 = d[0 * 8 + c] - d[7 * 8 + c];
        const float t1 = d[1 * 8 + c] + d[6 * 8 + c], t6 = d[1 * 8 + c] - d[6 * 8 + c];
        const float t2 = d[2 * 8 + c] + d[5 * 8 + c], t5 = d[2 * 8 + c] - d[5 * 8 + c];
        const float t3 = d[3 * 8 + c] + d[4 * 8 + c], t4 = d[3 * 8 + c] - d[4 * 8 + c];
        // Even part.
        const float t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
        d[0 * 8 + c] = t10 + t11;
        d[4 * 8 + c] = t10 - t11;
        const float z1 = (t12 + t13) * 0.707106781f;
        d[2 * 8 + c] = t13 + z1;
        d[6 * 8 + c] = t13 - z1;
        // Odd part.
        const float o10 = t4 + t5, o11 = t5 + t6, o12 = t6 + t7;
        const float z5 = (o10 - o12) * 0.382683433f;
        const float z2 = 0.541196100f * o10 + z5, z4 = 1.306562965f * o12 + z5;
        const float z3 = o11 * 0.707106781f;
        const float z11 = t7 + z3, z13 = t7 - z3;
        d[5 * 8 + c] = z13 + z2;
        d[3 * 8 + c] = z13 - z2;
        d[1 * 8 + c] = z11 + z4;
        d[7 * 8 + c] = z11 - z4;
    }
}

// The quantised coefficients, row-major, of the 8x8 samples at `src` (rows `stride` apart).
inline void TransformBlock(const uint8_t* src, size_t stride, const Quantiser& q, int* out) {
    alignas(16) float d[64];
    // Loaded transposed (d[x * 8 + y]): the first pass runs along the rows, the transpose
    // brings the columns under the second, and the result is row-major (d[v * 8 + u]).
    for (int y = 0; y < 8; ++y, src += stride)
        for (int x = 0; x < 8; ++x) d[x * 8 + y] = float(int(src[x]) - 128);
    AanLanes(d);
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 8; ++j) std::swap(d[i * 8 + j], d[j * 8 + i]);
    AanLanes(d);
    for (int i = 0; i < 64; ++i) {
        // Rounds to nearest as the IJG library does; the clamp keeps baseline's 10/11 bits.
        const int v = int(d[i] * q.Multiplier[i] + 16384.5f) - 16384;
        out[i] = std::clamp(v, -1023, 1023);
    }
}

constexpr size_t kChunk = 64 * 1024;  // bytes handed to the sink at a time
constexpr size_t kSlack = 8 * 1024;   // room for one MCU (at most about 2.5 KiB) beyond it

class Writer {
public:
    explicit Writer(const JpegSink& sink) : sink_(sink), buf_(kChunk + kSlack), p_(buf_.data()) {}

    bool Failed() const { return failed_; }

    void Byte(uint8_t b) { *p_++ = b; }
    void Word(unsigned w) { Byte(uint8_t(w >> 8)); Byte(uint8_t(w)); }
    void Bytes(const uint8_t* b, size_t n) { std::memcpy(p_, b, n); p_ += n; }

    // Appends n <= 27 bits (bits < 2^n), stuffing a zero after each 0xFF byte.
    void Put(uint32_t bits, int n) {
        acc_ = (acc_ << n) | bits;
        nbits_ += n;
        if (nbits_ < 32) return;
        nbits_ -= 32;
        const uint32_t w = uint32_t(acc_ >> nbits_), v = ~w;
        if (((v - 0x01010101u) & ~v & 0x80808080u) == 0) {  // no 0xFF byte in w
            p_[0] = uint8_t(w >> 24);
            p_[1] = uint8_t(w >> 16);
            p_[2] = uint8_t(w >> 8);
            p_[3] = uint8_t(w);
            p_ += 4;
        } else {
            for (int s = 24; s >= 0; s -= 8) StuffedByte(uint8_t(w >> s));
        }
    }

    // Pads the last byte with 1-bits and writes the bits still held.
    void FinishBits() {
        const int pad = (8 - nbits_ % 8) % 8;
        acc_ = (acc_ << pad) | ((1u << pad) - 1);
        nbits_ += pad;
        while (nbits_ > 0) {
            nbits_ -= 8;
            StuffedByte(uint8_t(acc_ >> nbits_));
        }
    }

    // Hands the buffer over once it holds a chunk (or always, when `all`).
    bool Flush(bool all) {
        const size_t n = size_t(p_ - buf_.data());
        if (failed_ || (!all && n < kChunk)) return !failed_;
        if (n && !sink_(buf_.data(), n)) failed_ = true;
        p_ = buf_.data();
        return !failed_;
    }

private:
    void StuffedByte(uint8_t b) {
        *p_++ = b;
        if (b == 0xFF) *p_++ = 0;
    }

    const JpegSink& sink_;
    std::vector<uint8_t> buf_;
    uint8_t* p_;
    uint64_t acc_ = 0;
    int nbits_ = 0;
    bool failed_ = false;
};

// One block's Huffman codes (F.1.2): the DC difference, then runs of zeros and values.
inline void EncodeBlock(Writer& w, const int* coef, int& lastDc, const HuffCodes& dc, const HuffCodes& ac) {
    int zz[64];
    uint64_t nonzero = 0;
    for (int k = 1; k < 64; ++k) {
        zz[k] = coef[kNatural[k]];
        nonzero |= uint64_t(zz[k] != 0) << k;
    }
    const int diff = coef[0] - lastDc;
    lastDc = coef[0];
    int s = int(std::bit_width(unsigned(diff < 0 ? -diff : diff)));
    w.Put((dc.Code[s] << s) | (unsigned(diff < 0 ? diff - 1 : diff) & ((1u << s) - 1)), dc.Size[s] + s);
    int last = 0;
    while (nonzero) {
        const int k = std::countr_zero(nonzero);
        nonzero &= nonzero - 1;
        int run = k - last - 1;
        last = k;
        for (; run >= 16; run -= 16) w.Put(ac.Code[0xF0], ac.Size[0xF0]);
        const int v = zz[k];
        s = int(std::bit_width(unsigned(v < 0 ? -v : v)));
        const int symbol = run << 4 | s;
        w.Put((ac.Code[symbol] << s) | (unsigned(v < 0 ? v - 1 : v) & ((1u << s) - 1)), ac.Size[symbol] + s);
    }
    if (last != 63) w.Put(ac.Code[0], ac.Size[0]);  // end of block
}

void WriteHeaders(Writer& w, int width, int height, const Quantiser& luma, const Quantiser& chroma) {
    static constexpr uint8_t kJfif[] = {0xFF, 0xD8,                          // SOI
                                        0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0,  // APP0
                                        1,    1,    0, 0,  1,   0,   1,   0,   0};  // 1.01, 1:1
    w.Bytes(kJfif, sizeof kJfif);
    w.Word(0xFFDB);
    w.Word(2 + 2 * 65);
    w.Byte(0);
    w.Bytes(luma.Table, 64);
    w.Byte(1);
    w.Bytes(chroma.Table, 64);
    static constexpr uint8_t kComponents[] = {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    w.Word(0xFFC0);
    w.Word(8 + 9);
    w.Byte(8);
    w.Word(unsigned(height));
    w.Word(unsigned(width));
    w.Bytes(kComponents, sizeof kComponents);
    w.Word(0xFFC4);
    w.Word(unsigned(2 + 4 * 17 + 2 * 12 + 2 * 162));
    for (const HuffTableDef* def : {&kDcLuma, &kAcLuma, &kDcChroma, &kAcChroma}) {
        w.Byte(def->ClassAndId);
        w.Bytes(def->Counts, 16);
        w.Bytes(def->Symbols, def->SymbolCount);
    }
    static constexpr uint8_t kScan[] = {0xFF, 0xDA, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
    w.Bytes(kScan, sizeof kScan);
}

// Rows of the picture as B, G, R bytes, the last pixel repeated out to the padded width.
class RowReader {
public:
    RowReader(const DibPixels& p, size_t paddedWidth) : p_(p), padded_(paddedWidth) {
        if (p.BitCount > 8) return;
        for (size_t i = 0; i < 256; ++i) {
            const uint32_t c = i < p.Palette.size() ? p.Palette[i] : 0;
            for (int ch = 0; ch < 3; ++ch) lut_[i * 3 + size_t(ch)] = uint8_t(c >> (8 * ch));
        }
    }

    void Read(int y, uint8_t* dst) const {
        const uint8_t* src = p_.Row(y);
        const size_t w = size_t(p_.Width);
        switch (p_.BitCount) {
        case 24: std::memcpy(dst, src, w * 3); break;
        case 32:
            for (size_t x = 0; x < w; ++x) std::memcpy(dst + x * 3, src + x * 4, 3);
            break;
        case 8:
            for (size_t x = 0; x < w; ++x) std::memcpy(dst + x * 3, lut_ + size_t(src[x]) * 3, 3);
            break;
        default:
            for (size_t x = 0; x < w; ++x) std::memcpy(dst + x * 3, lut_ + ((src[x >> 3] >> (7 - (x & 7))) & 1) * 3, 3);
            break;
        }
        for (size_t x = w; x < padded_; ++x) std::memcpy(dst + x * 3, dst + (w - 1) * 3, 3);
    }

private:
    const DibPixels& p_;
    size_t padded_;
    uint8_t lut_[256 * 3] = {};
};

// BT.601 full range in 16.16 fixed point, as the IJG library converts.
constexpr int kFix = 16;
constexpr int kYR = 19595, kYG = 38470, kYB = 7471;
constexpr int kCbR = -11059, kCbG = -21709, kCbB = 32768;
constexpr int kCrR = 32768, kCrG = -27439, kCrB = -5329;

// Two rows of B, G, R into two rows of Y and one of Cb and Cr, each from the mean of 2x2.
void ConvertPair(const uint8_t* a, const uint8_t* b, size_t width, uint8_t* y0, uint8_t* y1, uint8_t* cb,
                 uint8_t* cr) {
    constexpr int kHalf = 1 << (kFix - 1);
    // Four pixels summed: two more bits to shift out, and the offset of 128 just under half.
    constexpr int kChromaShift = kFix + 2, kChromaBias = (128 << kChromaShift) + (1 << (kChromaShift - 1)) - 1;
    for (size_t x = 0; x < width; x += 2, a += 6, b += 6) {
        const int b0 = a[0], g0 = a[1], r0 = a[2], b1 = a[3], g1 = a[4], r1 = a[5];
        const int b2 = b[0], g2 = b[1], r2 = b[2], b3 = b[3], g3 = b[4], r3 = b[5];
        y0[x] = uint8_t((kYR * r0 + kYG * g0 + kYB * b0 + kHalf) >> kFix);
        y0[x + 1] = uint8_t((kYR * r1 + kYG * g1 + kYB * b1 + kHalf) >> kFix);
        y1[x] = uint8_t((kYR * r2 + kYG * g2 + kYB * b2 + kHalf) >> kFix);
        y1[x + 1] = uint8_t((kYR * r3 + kYG * g3 + kYB * b3 + kHalf) >> kFix);
        const int r = r0 + r1 + r2 + r3, g = g0 + g1 + g2 + g3, bl = b0 + b1 + b2 + b3;
        cb[x / 2] = uint8_t((kCbR * r + kCbG * g + kCbB * bl + kChromaBias) >> kChromaShift);
        cr[x / 2] = uint8_t((kCrR * r + kCrG * g + kCrB * bl + kChromaBias) >> kChromaShift);
    }
}

bool Encode(const DibPixels& pixels, int quality, const JpegSink& sink) {
    const int width = pixels.Width, height = pixels.Height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    const size_t rowBytes = DibPixels::StrideOf(width, pixels.BitCount);
    if (!rowBytes || pixels.Stride < rowBytes ||
        uint64_t(pixels.Stride) * uint64_t(height - 1) + rowBytes > uint64_t(pixels.Bits.size()))
        return false;

    const Quantiser luma(kLumaBase, quality), chroma(kChromaBase, quality);
    static const HuffCodes dcLuma(kDcLuma), acLuma(kAcLuma), dcChroma(kDcChroma), acChroma(kAcChroma);

    Writer w(sink);
    WriteHeaders(w, width, height, luma, chroma);

    // One row of MCUs (16 picture rows) at a time.
    const size_t padded = (size_t(width) + 15) / 16 * 16, half = padded / 2;
    const RowReader reader(pixels, padded);
    std::vector<uint8_t> rows(padded * 3 * 2), yPlane(padded * 16), cbPlane(half * 8), crPlane(half * 8);
    uint8_t* const row0 = rows.data();
    uint8_t* const row1 = row0 + padded * 3;
    alignas(16) int coef[64];
    int lastY = 0, lastCb = 0, lastCr = 0;
    for (int top = 0; top < height; top += 16) {
        for (int pair = 0; pair < 8; ++pair) {
            const int y = std::min(top + 2 * pair, height - 1);
            reader.Read(y, row0);
            if (y + 1 < height)
                reader.Read(y + 1, row1);
            else
                std::memcpy(row1, row0, padded * 3);
            ConvertPair(row0, row1, padded, &yPlane[size_t(2 * pair) * padded], &yPlane[size_t(2 * pair + 1) * padded],
                        &cbPlane[size_t(pair) * half], &crPlane[size_t(pair) * half]);
        }
        for (size_t mcu = 0; mcu < padded / 16; ++mcu) {
            for (size_t block = 0; block < 4; ++block) {
                TransformBlock(&yPlane[(block >> 1) * 8 * padded + mcu * 16 + (block & 1) * 8], padded, luma, coef);
                EncodeBlock(w, coef, lastY, dcLuma, acLuma);
            }
            TransformBlock(&cbPlane[mcu * 8], half, chroma, coef);
            EncodeBlock(w, coef, lastCb, dcChroma, acChroma);
            TransformBlock(&crPlane[mcu * 8], half, chroma, coef);
            EncodeBlock(w, coef, lastCr, dcChroma, acChroma);
            if (!w.Flush(false)) return false;
        }
    }
    w.FinishBits();
    w.Word(0xFFD9);  // EOI
    return w.Flush(true);
}

}  // namespace

bool EncodeJpegTo(const DibPixels& pixels, int quality, const JpegSink& sink) {
    try {
        return Encode(pixels, quality, sink);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool EncodeJpeg(const DibPixels& pixels, int quality, std::vector<uint8_t>& out) {
    out.clear();
    const bool ok = EncodeJpegTo(pixels, quality, [&out](const void* data, size_t size) {
        if (size > kMaxFileBytes - out.size()) return false;
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + size);
        return true;
    });
    if (!ok) {
        out.clear();
        out.shrink_to_fit();
    }
    return ok;
}
