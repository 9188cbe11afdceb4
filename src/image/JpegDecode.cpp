#include "image/JpegDecode.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "base/ByteReader.h"
#include "base/Limits.h"
#include "base/Workers.h"
#include "image/ImageFormat.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS kMaxImageSide
#include <stb_image.h>

namespace {

// What the markers say, as far as the choice of decoder goes.
struct JpegHead {
    int Width = 0, Height = 0, Components = 0;
    bool Progressive = false;
    uint8_t Ids[3] = {}, QuantTable[3] = {};
    // The two decoders read JFIF and Adobe segments by slightly different rules, and libjpeg
    // only those before the first scan.
    bool JfifStb = false, JfifLibjpeg = false;
    int AdobeStb = -1, AdobeLibjpeg = -1;  // colour transform, -1 without the segment
    // Tables defined so far, one bit per table number.
    unsigned Dc = 0, Ac = 0, Quant = 0;
};

bool TagIs(ByteReader segment, const char* tag, size_t n) {
    const uint8_t* p = segment.Bytes(n);
    return p && std::memcmp(p, tag, n) == 0;
}

// Both decoders' idea of whether three components hold RGB rather than YCbCr.
bool SameColourModel(const JpegHead& h) {
    if (h.Components != 3) return true;
    const bool rgbIds = h.Ids[0] == 'R' && h.Ids[1] == 'G' && h.Ids[2] == 'B';
    const bool stbRgb = rgbIds || (h.AdobeStb == 0 && !h.JfifStb);
    bool libjpegRgb = rgbIds;
    if (h.JfifLibjpeg)
        libjpegRgb = false;
    else if (h.AdobeLibjpeg >= 0)
        libjpegRgb = h.AdobeLibjpeg == 0;
    return stbRgb == libjpegRgb;
}

// A truncated file must reach the system loader, whose way of showing the missing part
// users know; padding after EOI is common and harmless.
bool EndsWithEoi(const uint8_t* data, size_t size) {
    while (size > 2 && (data[size - 1] == 0x00 || data[size - 1] == 0xFF)) --size;
    return size >= 4 && data[size - 2] == 0xFF && data[size - 1] == 0xD9;
}

bool ReadFrame(ByteReader s, uint8_t marker, JpegHead& h) {
    // Arithmetic coding, lossless and hierarchical frames are the system's.
    if (marker > 0xC2) return false;
    h.Progressive = marker == 0xC2;
    const uint8_t precision = s.U8();
    h.Height = s.U16BE();
    h.Width = s.U16BE();
    h.Components = s.U8();
    if (!s.Ok() || precision != 8 || (h.Components != 1 && h.Components != 3)) return false;
    for (int i = 0; i < h.Components; ++i) {
        h.Ids[i] = s.U8();
        s.Skip(1);  // sampling factors: stb checks them
        h.QuantTable[i] = s.U8();
    }
    return s.Ok();
}

// Huffman tables must fill their segment and hold at most 256 codes each: stb trusts the
// counts and writes past its tables otherwise. libjpeg refuses such files too.
bool ReadHuffmanTables(ByteReader s, JpegHead& h) {
    while (s.Remaining() > 0) {
        const uint8_t kind = s.U8();
        const uint8_t* counts = s.Bytes(16);
        if (!counts || kind >> 4 > 1 || (kind & 15) > 3) return false;
        unsigned codes = 0;
        for (int i = 0; i < 16; ++i) codes += counts[i];
        s.Skip(codes);
        if (codes > 256 || !s.Ok()) return false;
        (kind >> 4 ? h.Ac : h.Dc) |= 1u << (kind & 15);
    }
    return true;
}

bool ReadQuantTables(ByteReader s, JpegHead& h) {
    while (s.Remaining() > 0) {
        const uint8_t kind = s.U8();
        s.Skip(kind >> 4 ? 128 : 64);
        if (kind >> 4 > 1 || (kind & 15) > 3 || !s.Ok()) return false;
        h.Quant |= 1u << (kind & 15);
    }
    return true;
}

bool Defined(unsigned tables, int number) { return number < 4 && (tables >> number & 1); }

// A scan may only use tables defined before it: stb would read its uninitialised ones.
bool ScanTablesDefined(ByteReader s, const JpegHead& h) {
    const int count = s.U8();
    if (count < 1 || count > h.Components) return false;
    int component[3] = {}, tables[3] = {};
    for (int i = 0; i < count; ++i) {
        const uint8_t id = s.U8();
        tables[i] = s.U8();
        component[i] = int(std::find(h.Ids, h.Ids + h.Components, id) - h.Ids);
        if (component[i] == h.Components) return false;
    }
    const uint8_t spectralStart = s.U8();
    s.Skip(1);
    const uint8_t approximation = s.U8();
    if (!s.Ok()) return false;
    const bool dc = !h.Progressive || (spectralStart == 0 && approximation >> 4 == 0);
    const bool ac = !h.Progressive || spectralStart > 0;
    for (int i = 0; i < count; ++i) {
        if (!Defined(h.Quant, h.QuantTable[component[i]])) return false;
        if (dc && !Defined(h.Dc, tables[i] >> 4)) return false;
        if (ac && !Defined(h.Ac, tables[i] & 15)) return false;
    }
    return true;
}

// Entropy-coded bytes end at the first marker other than a stuffed zero or a restart.
void SkipEntropyData(ByteReader& r) {
    const size_t start = r.Pos(), count = r.Remaining();
    const uint8_t* data = r.Bytes(count);
    size_t i = 0;
    while (data && i < count) {
        const void* ff = std::memchr(data + i, 0xFF, count - i);
        if (!ff) break;
        i = size_t(static_cast<const uint8_t*>(ff) - data);
        size_t next = i + 1;
        while (next < count && data[next] == 0xFF) ++next;
        if (next < count && data[next] != 0x00 && (data[next] < 0xD0 || data[next] > 0xD7)) {
            r.Seek(start + next - 1);
            return;
        }
        i = next;
    }
}

// Every segment up to the first EOI, as stb will meet them.
bool WalkFile(const uint8_t* data, size_t size, JpegHead& head) {
    ByteReader r(data, size);
    if (r.U8() != 0xFF || r.U8() != 0xD8) return false;
    bool frame = false, scanned = false;
    for (;;) {
        const uint8_t marker = NextJpegMarker(r);
        if (!r.Ok()) return false;
        if (marker == 0xD9) return scanned;
        const uint16_t length = r.U16BE();
        if (length < 2) return false;
        const uint8_t* body = r.Bytes(length - 2u);
        if (!body) return false;
        const ByteReader segment(body, length - 2u);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (frame || !ReadFrame(segment, marker, head)) return false;  // a second frame is the system's too
            frame = true;
        } else if (marker == 0xC4) {
            if (!ReadHuffmanTables(segment, head)) return false;
        } else if (marker == 0xDB) {
            if (!ReadQuantTables(segment, head)) return false;
        } else if (marker == 0xDA) {
            if (!frame || !ScanTablesDefined(segment, head)) return false;
            scanned = true;
            SkipEntropyData(r);
        } else if (marker == 0xE0 && TagIs(segment, "JFIF", 5)) {
            head.JfifStb = true;
            head.JfifLibjpeg = head.JfifLibjpeg || (!scanned && segment.Size() >= 14);
        } else if (marker == 0xEE && segment.Size() >= 12) {
            if (TagIs(segment, "Adobe", 6)) head.AdobeStb = body[11];
            if (!scanned && TagIs(segment, "Adobe", 5)) head.AdobeLibjpeg = body[11];
        }
    }
}

// libjpeg's 4:2:2 upsampler: stb's weighs the last chroma sample of a row the wrong way round
// (a coloured column at the right edge of many camera pictures).
stbi_uc* ResampleRowH2(stbi_uc* out, stbi_uc* in, stbi_uc*, int w, int) {
    if (w == 1) {
        out[0] = out[1] = in[0];
        return out;
    }
    out[0] = in[0];
    out[1] = stbi_uc((in[0] * 3 + in[1] + 2) >> 2);
    for (int i = 1; i < w - 1; ++i) {
        const int near = in[i] * 3;
        out[i * 2] = stbi_uc((near + in[i - 1] + 1) >> 2);
        out[i * 2 + 1] = stbi_uc((near + in[i + 1] + 2) >> 2);
    }
    out[w * 2 - 2] = stbi_uc((in[w - 1] * 3 + in[w - 2] + 1) >> 2);
    out[w * 2 - 1] = in[w - 1];
    return out;
}

struct StbJpeg {
    stbi__context source;
    stbi__jpeg* jpeg = nullptr;
    ~StbJpeg() {
        if (!jpeg) return;
        stbi__cleanup_jpeg(jpeg);
        STBI_FREE(jpeg);
    }
};

// stb's own last step (upsampling and colour conversion into a buffer of its own) replaced by
// one that writes the target's rows directly, any band of rows on its own: no second copy of
// the picture, and the conversion spreads over threads.
void ConvertBand(stbi__jpeg* z, bool rgb, uint8_t* out, int first, int end) {
    const int width = int(z->s->img_x), height = int(z->s->img_y), n = z->s->img_n;
    std::vector<stbi_uc> lines(size_t(n) * (size_t(width) + 3));
    const stbi_uc* row[3] = {};
    for (int y = first; y < end; ++y) {
        for (int k = 0; k < n; ++k) {
            const auto& c = z->img_comp[k];
            const int hs = z->img_h_max / c.h, vs = z->img_v_max / c.v;
            const resample_row_func resample = hs == 1 && vs == 1   ? resample_row_1
                                               : hs == 1 && vs == 2 ? stbi__resample_row_v_2
                                               : hs == 2 && vs == 1 ? ResampleRowH2
                                               : hs == 2 && vs == 2 ? z->resample_row_hv_2_kernel
                                                                    : stbi__resample_row_generic;
            // Where stb's row-by-row walk would stand at row y: the stored rows around it.
            const int step = (y + vs / 2) % vs, wraps = (y + vs / 2) / vs;
            stbi_uc* below = c.data + size_t(c.w2) * size_t(std::min(wraps, c.y - 1));
            stbi_uc* above = c.data + size_t(c.w2) * size_t(wraps == 0 ? 0 : std::min(wraps - 1, c.y - 1));
            const bool nearBelow = step >= vs / 2;
            row[k] = resample(lines.data() + size_t(k) * (size_t(width) + 3), nearBelow ? below : above,
                              nearBelow ? above : below, (width + hs - 1) / hs, hs);
        }
        uint8_t* d = out + size_t(width) * 4 * size_t(height - 1 - y);
        if (n == 1) {
            for (int x = 0; x < width; ++x, d += 4) d[0] = d[1] = d[2] = row[0][x], d[3] = 0;
        } else if (rgb) {
            for (int x = 0; x < width; ++x, d += 4) d[0] = row[2][x], d[1] = row[1][x], d[2] = row[0][x], d[3] = 0;
        } else {
            z->YCbCr_to_RGB_kernel(d, row[0], row[1], row[2], width, 4);  // RGBA, alpha 255
            for (int x = 0; x < width; ++x, d += 4) {
                const uint8_t r = d[0];
                d[0] = d[2], d[2] = r, d[3] = 0;
            }
        }
    }
}

}  // namespace

JpegDecodeResult DecodeJpeg(const uint8_t* data, size_t size, PixelTarget& target, int threads) {
    JpegHead head;
    if (!data || size > size_t(INT_MAX) || !EndsWithEoi(data, size) || !WalkFile(data, size, head))
        return JpegDecodeResult::NotForUs;
    if (!DibFits(head.Width, head.Height, 32) || !SameColourModel(head)) return JpegDecodeResult::NotForUs;

    StbJpeg stb;
    stbi__start_mem(&stb.source, data, int(size));
    stb.jpeg = static_cast<stbi__jpeg*>(stbi__malloc(sizeof(stbi__jpeg)));
    if (!stb.jpeg) return JpegDecodeResult::NoMemory;
    stbi__jpeg* z = stb.jpeg;
    z->s = &stb.source;
    stbi__setup_jpeg(z);
    z->s->img_n = 0;  // as stb's own loader: its clean-up frees only components it made
    if (!stbi__decode_jpeg_image(z)) {
        const char* why = stbi_failure_reason();
        return why && std::strcmp(why, "outofmem") == 0 ? JpegDecodeResult::NoMemory : JpegDecodeResult::NotForUs;
    }
    const int width = int(z->s->img_x), height = int(z->s->img_y);
    if (width != head.Width || height != head.Height || z->s->img_n != head.Components)
        return JpegDecodeResult::NotForUs;
    const bool rgb = z->s->img_n == 3 && (z->rgb == 3 || (z->app14_color_transform == 0 && !z->jfif));
    uint8_t* out = target.Allocate(width, height);
    if (!out) return JpegDecodeResult::NoMemory;

    const int parts = std::max(1, threads);
    const int bands = std::min(height, parts == 1 ? 1 : parts * 4);
    try {
        RunJobs(parts, bands, [&](int band) {
            ConvertBand(z, rgb, out, int(int64_t(height) * band / bands), int(int64_t(height) * (band + 1) / bands));
        });
    } catch (const std::bad_alloc&) {
        return JpegDecodeResult::NoMemory;
    }
    return JpegDecodeResult::Ok;
}
