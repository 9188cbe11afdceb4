// Format sniffing and header sizes shared by the Susie plug-ins.
// Portable and header-only: every byte here comes from an untrusted file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "image/RasterFile.h"  // DibRowBytes, DibFits

namespace spi {

// Susie return codes.
constexpr int kOk = 0;
constexpr int kCancelled = 1;
constexpr int kUnknownFormat = 2;
constexpr int kBroken = 3;
constexpr int kNoMemory = 4;
constexpr int kMemoryError = 5;
constexpr int kReadError = 6;
constexpr int kInternalError = 8;

constexpr int kScreenDpi = 96;

// Positional reads that return 0 past the end instead of reading it.
struct Bytes {
    const uint8_t* p;
    size_t n;
    bool Has(uint64_t off, uint64_t len) const { return off <= n && len <= n - off; }
    uint32_t U8(size_t off) const { return Has(off, 1) ? p[off] : 0; }
    uint32_t U16(size_t off, bool be = false) const {
        if (!Has(off, 2)) return 0;
        return be ? (p[off] << 8 | p[off + 1]) : (p[off + 1] << 8 | p[off]);
    }
    uint32_t U32(size_t off, bool be = false) const {
        if (!Has(off, 4)) return 0;
        uint32_t a = p[off], b = p[off + 1], c = p[off + 2], d = p[off + 3];
        return be ? (a << 24 | b << 16 | c << 8 | d) : (d << 24 | c << 16 | b << 8 | a);
    }
    int32_t S16(size_t off) const { return static_cast<int16_t>(U16(off)); }
    int32_t S32(size_t off) const { return static_cast<int32_t>(U32(off)); }
};

inline bool IsPng(Bytes b) {
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!b.Has(0, 8)) return false;
    for (size_t i = 0; i < 8; ++i)
        if (b.p[i] != kSig[i]) return false;
    return true;
}

inline bool IsTiff(Bytes b) {
    return b.Has(0, 4) && ((b.U32(0) == 0x002A4949) || (b.U32(0) == 0x2A004D4D));
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;

inline bool IsPlaceableWmf(Bytes b) { return b.Has(0, 4) && b.U32(0) == kPlaceableKey; }

inline bool IsPlainWmfAt(Bytes b, size_t off) {
    uint32_t type = b.U16(off), headerWords = b.U16(off + 2), version = b.U16(off + 4);
    return b.Has(off, 18) && (type == 1 || type == 2) && headerWords == 9 &&
           (version == 0x0100 || version == 0x0300);
}
inline bool IsPlainWmf(Bytes b) { return IsPlainWmfAt(b, 0); }

inline bool IsEmf(Bytes b) { return b.Has(0, 44) && b.U32(0) == 1 && b.U32(40) == 0x464D4520; }

struct RasterHead {
    int64_t width = 0, height = 0;
    bool bilevel = false;  // decodes to one bit per pixel
};

inline bool PngHead(Bytes b, RasterHead& out) {
    if (!IsPng(b) || b.U32(8, true) != 13 || b.U32(12, true) != 0x49484452 || !b.Has(16, 13))
        return false;
    out.width = b.U32(16, true);
    out.height = b.U32(20, true);
    uint32_t depth = b.U8(24), colour = b.U8(25);
    out.bilevel = depth == 1 && (colour == 0 || colour == 3);
    return true;
}

// Size of the first image of a TIFF file; later pages are not shown.
inline bool TiffHead(Bytes b, RasterHead& out) {
    if (!IsTiff(b)) return false;
    bool be = b.U8(0) == 'M';
    size_t ifd = b.U32(4, be);
    uint32_t count = b.U16(ifd, be);
    if (!b.Has(ifd, 2) || count > (b.n - ifd - 2) / 12) return false;
    uint32_t bits = 1, samples = 1;
    for (uint32_t i = 0; i < count; ++i) {
        size_t e = ifd + 2 + size_t{i} * 12;
        uint32_t tag = b.U16(e, be), type = b.U16(e + 2, be);
        uint32_t value = type == 3 ? b.U16(e + 8, be) : b.U32(e + 8, be);
        if (tag == 256) out.width = value;
        else if (tag == 257) out.height = value;
        else if (tag == 258 && b.U32(e + 4, be) == 1) bits = value;
        else if (tag == 277) samples = value;
    }
    out.bilevel = bits == 1 && samples == 1;
    return out.width > 0 && out.height > 0;
}

// Every out-of-line value and every strip of the first IFD must lie inside the file:
// a decoder that trusts a lying count reads far past the buffer.
inline bool TiffLayoutSane(Bytes b) {
    if (!IsTiff(b)) return false;
    bool be = b.U8(0) == 'M';
    size_t ifd = b.U32(4, be);
    if (!b.Has(ifd, 2)) return false;
    uint32_t count = b.U16(ifd, be);
    if (count > (b.n - ifd - 2) / 12) return false;
    size_t offsetsEntry = 0, sizesEntry = 0;
    for (uint32_t i = 0; i < count; ++i) {
        size_t e = ifd + 2 + size_t{i} * 12;
        uint32_t tag = b.U16(e, be), type = b.U16(e + 2, be);
        uint64_t values = b.U32(e + 4, be);
        static const uint8_t kTypeSize[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        uint64_t unit = type < sizeof kTypeSize ? kTypeSize[type] : 0;
        if (unit * values > 4 && !b.Has(b.U32(e + 8, be), unit * values)) return false;
        if (tag == 273 || tag == 324) offsetsEntry = e;
        if (tag == 279 || tag == 325) sizesEntry = e;
    }
    if (!offsetsEntry || !sizesEntry) return true;  // the decoder refuses it without reading strips
    // SHORT or LONG only, so the loop below is bounded by the checked array sizes.
    for (size_t entry : {offsetsEntry, sizesEntry})
        if (b.U16(entry + 2, be) != 3 && b.U16(entry + 2, be) != 4) return false;
    uint32_t strips = b.U32(offsetsEntry + 4, be);
    if (strips == 0 || strips != b.U32(sizesEntry + 4, be)) return false;
    auto value = [&](size_t entry, uint32_t index) -> uint64_t {
        uint32_t type = b.U16(entry + 2, be);
        size_t unit = type == 3 ? 2 : 4;
        size_t at = strips * unit <= 4 ? entry + 8 : b.U32(entry + 8, be);
        return type == 3 ? b.U16(at + index * unit, be) : b.U32(at + index * unit, be);
    };
    for (uint32_t s = 0; s < strips; ++s)
        if (!b.Has(value(offsetsEntry, s), value(sizesEntry, s))) return false;
    return true;
}

// Logical picture frame of a metafile and its size in screen pixels.
struct MetaFrame {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t unitsPerInch = 0;
    int64_t width = 0, height = 0;
};

inline int64_t UnitsToPixels(int64_t units, int64_t perInch) {
    if (units < 0) units = -units;
    return (units * kScreenDpi + perInch / 2) / perInch;
}

inline bool PlaceableWmfFrame(Bytes b, MetaFrame& out) {
    if (!IsPlaceableWmf(b) || !b.Has(0, kPlaceableSize)) return false;
    out.left = b.S16(6);
    out.top = b.S16(8);
    out.right = b.S16(10);
    out.bottom = b.S16(12);
    out.unitsPerInch = static_cast<int32_t>(b.U16(14));
    if (out.unitsPerInch == 0) return false;
    out.width = UnitsToPixels(int64_t{out.right} - out.left, out.unitsPerInch);
    out.height = UnitsToPixels(int64_t{out.bottom} - out.top, out.unitsPerInch);
    return true;
}

// A plain WMF carries no size: take its window origin and extent, else a default page.
inline bool PlainWmfFrame(Bytes b, MetaFrame& out) {
    constexpr int64_t kLongestSide = 2048;
    if (!IsPlainWmf(b)) return false;
    int32_t orgX = 0, orgY = 0, extX = 0, extY = 0;
    size_t pos = size_t{b.U16(2)} * 2;
    for (int guard = 0; guard < 100000 && b.Has(pos, 6); ++guard) {
        uint64_t words = b.U32(pos);
        uint32_t function = b.U16(pos + 4);
        if (function == 0 || words < 3 || words > (b.n - pos) / 2) break;
        if (function == 0x020B && words >= 5) { orgY = b.S16(pos + 6); orgX = b.S16(pos + 8); }
        if (function == 0x020C && words >= 5) { extY = b.S16(pos + 6); extX = b.S16(pos + 8); }
        pos += static_cast<size_t>(words) * 2;
    }
    if (extX == 0 || extY == 0) { orgX = orgY = 0; extX = 640; extY = 480; }
    out.left = orgX;
    out.top = orgY;
    out.right = orgX + extX;
    out.bottom = orgY + extY;
    int64_t w = extX < 0 ? -int64_t{extX} : extX, h = extY < 0 ? -int64_t{extY} : extY;
    int64_t longest = w > h ? w : h;
    // Logical units of unknown size: keep the shape, bring the longest side into a screenful.
    if (longest <= kLongestSide) {
        out.unitsPerInch = kScreenDpi;
        out.width = w;
        out.height = h;
        return true;
    }
    out.unitsPerInch = static_cast<int32_t>((longest * kScreenDpi + kLongestSide / 2) / kLongestSide);
    out.width = (w * kLongestSide + longest / 2) / longest;
    out.height = (h * kLongestSide + longest / 2) / longest;
    return true;
}

// rclFrame is in 0.01 mm; rclBounds (device pixels, inclusive) only when the frame is empty.
inline bool EmfFrame(Bytes b, MetaFrame& out) {
    if (!IsEmf(b)) return false;
    out.left = b.S32(24);
    out.top = b.S32(28);
    out.right = b.S32(32);
    out.bottom = b.S32(36);
    out.unitsPerInch = 2540;
    out.width = UnitsToPixels(int64_t{out.right} - out.left, 2540);
    out.height = UnitsToPixels(int64_t{out.bottom} - out.top, 2540);
    if (out.width <= 0 || out.height <= 0) {
        out.width = int64_t{b.S32(16)} - b.S32(8) + 1;
        out.height = int64_t{b.S32(20)} - b.S32(12) + 1;
    }
    return true;
}

// Some GDI playback indexes its object table without a range check, so a bad index in a
// file can crash the viewer: walk the records first and refuse such files.
inline bool WmfRecordsSane(Bytes b, size_t start) {
    if (!IsPlainWmfAt(b, start)) return false;
    uint64_t declaredWords = b.U32(start + 6);
    uint32_t objects = b.U16(start + 10);
    if (declaredWords > (b.n - start) / 2) return false;
    size_t end = start + static_cast<size_t>(declaredWords) * 2;
    size_t pos = start + size_t{b.U16(start + 2)} * 2;
    for (uint32_t guard = 0; guard < 4000000 && pos + 6 <= end; ++guard) {
        uint64_t words = b.U32(pos);
        uint32_t function = b.U16(pos + 4);
        if (words < 3 || words > (end - pos) / 2) return false;
        if (function == 0) return true;
        auto objectParam = [&](uint64_t param) {
            return words > 3 + param && b.U16(pos + 6 + static_cast<size_t>(param) * 2) < objects;
        };
        switch (function) {
        case 0x012A: case 0x012B: case 0x012C: case 0x012D: case 0x01F0: case 0x0234:
            if (!objectParam(0)) return false;
            break;
        case 0x0228: case 0x0429:  // fill and frame region: region, brush
            if (!objectParam(0) || !objectParam(1)) return false;
            break;
        }
        pos += static_cast<size_t>(words) * 2;
    }
    return false;
}

inline bool EmfRecordsSane(Bytes b) {
    if (!IsEmf(b)) return false;
    uint32_t headerSize = b.U32(4), total = b.U32(48), handles = b.U16(56);
    if (headerSize < 88 || headerSize % 4 || total > b.n || headerSize > total) return false;
    size_t pos = headerSize;
    for (uint32_t guard = 0; guard < 4000000 && pos + 8 <= total; ++guard) {
        uint32_t type = b.U32(pos), size = b.U32(pos + 4);
        if (size < 8 || size % 4 || size > total - pos) return false;
        if (type == 14) return true;  // EOF
        size_t at = 0;
        bool stockAllowed = false;
        switch (type) {
        case 37: case 40: case 48:  // select, delete, select palette
            at = 8; stockAllowed = true;
            break;
        case 38: case 39: case 49: case 50: case 51: case 82: case 93: case 94: case 95: case 99: case 100:
        case 101: case 122:
            at = 8;
            break;
        case 71: case 72:  // fill and frame region: the brush
            at = 28;
            break;
        }
        if (at) {
            if (size < at + 4) return false;
            uint32_t index = b.U32(pos + at);
            bool stock = stockAllowed && (index & 0x80000000u) && (index & 0x7FFFFFFFu) <= 19;
            if (!stock && index >= handles) return false;
        }
        pos += size;
    }
    return false;
}

}  // namespace spi
