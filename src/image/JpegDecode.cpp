#include "image/JpegDecode.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "base/ByteReader.h"
#include "base/Limits.h"
#include "base/Workers.h"
#include "image/ImageFormat.h"

// stb weighs the last chroma sample of a 4:2:2 row the wrong way round (a visible column at the
// right edge of most camera pictures); its use takes this one, libjpeg's, and its own definition
// is renamed out of the way.
static unsigned char* stbi__resample_row_h_2(unsigned char* out, unsigned char* in, unsigned char*, int w, int) {
    if (w == 1) {
        out[0] = out[1] = in[0];
        return out;
    }
    out[0] = in[0];
    out[1] = uint8_t((in[0] * 3 + in[1] + 2) >> 2);
    for (int i = 1; i < w - 1; ++i) {
        const int near = in[i] * 3;
        out[i * 2] = uint8_t((near + in[i - 1] + 1) >> 2);
        out[i * 2 + 1] = uint8_t((near + in[i + 1] + 2) >> 2);
    }
    out[w * 2 - 2] = uint8_t((in[w - 1] * 3 + in[w - 2] + 1) >> 2);
    out[w * 2 - 1] = in[w - 1];
    return out;
}
#define stbi__resample_row_h_2(...) StbResampleRowH2Unused(__VA_ARGS__)

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS kMaxImageSide
#include <stb_image.h>
[[maybe_unused]] static auto* const kStbOwnResampleRowH2 = StbResampleRowH2Unused;

namespace {

// What the markers before the first scan say, as far as the choice of decoder goes.
struct JpegHead {
    int Width = 0, Height = 0, Components = 0;
    uint8_t Ids[3] = {};
    // The two decoders read JFIF and Adobe segments by slightly different rules.
    bool JfifStb = false, JfifLibjpeg = false;
    int AdobeStb = -1, AdobeLibjpeg = -1;  // colour transform, -1 without the segment
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

bool ReadHead(const uint8_t* data, size_t size, JpegHead& head) {
    ByteReader r(data, size);
    if (r.U8() != 0xFF || r.U8() != 0xD8) return false;
    bool frame = false;
    for (;;) {
        const uint8_t marker = NextJpegMarker(r);
        if (!r.Ok() || marker == 0xD9) return false;
        if (marker == 0xDA) return frame;
        const uint16_t length = r.U16BE();
        if (length < 2) return false;
        const uint8_t* body = r.Bytes(length - 2u);
        if (!body) return false;
        ByteReader segment(body, length - 2u);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            // Arithmetic coding, lossless and hierarchical frames are the system's; so is a second frame.
            if (frame || marker > 0xC2) return false;
            frame = true;
            const uint8_t precision = segment.U8();
            head.Height = segment.U16BE();
            head.Width = segment.U16BE();
            head.Components = segment.U8();
            if (!segment.Ok() || precision != 8 || (head.Components != 1 && head.Components != 3)) return false;
            for (int i = 0; i < head.Components; ++i) {
                const uint8_t id = segment.U8();
                segment.Skip(2);  // sampling factors and table: stb checks them
                if (i < 3) head.Ids[i] = id;
            }
            if (!segment.Ok()) return false;
        } else if (marker == 0xE0 && TagIs(segment, "JFIF", 5)) {
            head.JfifStb = true;
            head.JfifLibjpeg = head.JfifLibjpeg || segment.Size() >= 14;
        } else if (marker == 0xEE && segment.Size() >= 12) {
            if (TagIs(segment, "Adobe", 6)) head.AdobeStb = body[11];
            if (TagIs(segment, "Adobe", 5)) head.AdobeLibjpeg = body[11];
        }
    }
}

struct StbFree {
    void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

}  // namespace

JpegDecodeResult DecodeJpeg(const uint8_t* data, size_t size, PixelTarget& target, int threads) {
    JpegHead head;
    if (!data || size > size_t(INT_MAX) || !EndsWithEoi(data, size) || !ReadHead(data, size, head))
        return JpegDecodeResult::NotForUs;
    if (!DibFits(head.Width, head.Height, 32) || !SameColourModel(head)) return JpegDecodeResult::NotForUs;

    const int channels = head.Components == 1 ? 1 : 3;
    int width = 0, height = 0, found = 0;
    std::unique_ptr<stbi_uc, StbFree> pixels(stbi_load_from_memory(data, int(size), &width, &height, &found, channels));
    if (!pixels) {
        const char* why = stbi_failure_reason();
        return why && std::strcmp(why, "outofmem") == 0 ? JpegDecodeResult::NoMemory : JpegDecodeResult::NotForUs;
    }
    if (width != head.Width || height != head.Height) return JpegDecodeResult::NotForUs;
    uint8_t* out = target.Allocate(width, height);
    if (!out) return JpegDecodeResult::NoMemory;

    const size_t inPitch = size_t(width) * size_t(channels), outPitch = size_t(width) * 4;
    const int parts = std::max(1, threads);
    const int bands = std::min(height, parts == 1 ? 1 : parts * 4);
    const stbi_uc* in = pixels.get();
    RunJobs(parts, bands, [&](int band) {
        const int first = int(int64_t(height) * band / bands), end = int(int64_t(height) * (band + 1) / bands);
        for (int y = first; y < end; ++y) {
            const uint8_t* s = in + inPitch * size_t(y);
            uint8_t* d = out + outPitch * size_t(height - 1 - y);
            if (channels == 1) {
                for (int x = 0; x < width; ++x, d += 4) d[0] = d[1] = d[2] = s[x], d[3] = 0;
            } else {
                for (int x = 0; x < width; ++x, s += 3, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 0;
            }
        }
    });
    return JpegDecodeResult::Ok;
}
