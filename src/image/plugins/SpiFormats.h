// Format sniffing and header sizes shared by the Susie plug-ins.
// Portable and header-only: every byte here comes from an untrusted file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/ByteReader.h"
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

inline bool IsPng(ByteReader b) {
    static const uint8_t kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const uint8_t* head = b.At(0).Bytes(8);
    return head && std::memcmp(head, kSig, 8) == 0;
}

inline bool IsTiff(ByteReader b) {
    ByteReader r = b.At(0);
    const uint32_t magic = r.U32LE();
    return r.Ok() && (magic == 0x002A4949 || magic == 0x2A004D4D);
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;

inline bool IsPlaceableWmf(ByteReader b) {
    ByteReader r = b.At(0);
    return r.U32LE() == kPlaceableKey && r.Ok();
}

inline bool IsPlainWmfAt(ByteReader b, size_t off) {
    ByteReader r = b.At(off);
    const uint32_t type = r.U16LE(), headerWords = r.U16LE(), version = r.U16LE();
    r.Skip(12);  // the rest of the 18-byte header
    return r.Ok() && (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}
inline bool IsPlainWmf(ByteReader b) { return IsPlainWmfAt(b, 0); }

inline bool IsEmf(ByteReader b) {
    ByteReader r = b.At(0);
    const uint32_t type = r.U32LE();
    r.Skip(36);
    const uint32_t signature = r.U32LE();
    return r.Ok() && type == 1 && signature == 0x464D4520;
}

struct RasterHead {
    int64_t width = 0, height = 0;
    bool bilevel = false;  // decodes to one bit per pixel
};

inline bool PngHead(ByteReader b, RasterHead& out) {
    ByteReader r = b.At(8);
    const uint32_t length = r.U32BE(), type = r.U32BE(), width = r.U32BE(), height = r.U32BE();
    const uint8_t depth = r.U8(), colour = r.U8();
    r.Skip(3);  // the rest of IHDR
    if (!IsPng(b) || !r.Ok() || length != 13 || type != 0x49484452) return false;
    out.width = width;
    out.height = height;
    out.bilevel = depth == 1 && (colour == 0 || colour == 3);
    return true;
}

// The first IFD of a TIFF file: its byte order and a reader over its entries, or false
// when the count runs past the end.
inline bool FirstIfd(ByteReader b, bool& bigEndian, uint32_t& count, ByteReader& entries) {
    if (!IsTiff(b)) return false;
    ByteReader r = b.At(0);
    bigEndian = r.U8() == 'M';
    r.Skip(3);
    entries = b.At(r.U32(bigEndian));
    count = entries.U16(bigEndian);
    return entries.Ok() && count <= entries.Remaining() / 12;
}

// Size of the first image of a TIFF file; later pages are not shown.
inline bool TiffHead(ByteReader b, RasterHead& out) {
    bool be;
    uint32_t count;
    ByteReader e;
    if (!FirstIfd(b, be, count, e)) return false;
    uint32_t bits = 1, samples = 1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t tag = e.U16(be), type = e.U16(be), values = e.U32(be);
        ByteReader field = e;
        const uint32_t value = type == 3 ? field.U16(be) : field.U32(be);
        e.Skip(4);
        if (tag == 256) out.width = value;
        else if (tag == 257) out.height = value;
        else if (tag == 258 && values == 1) bits = value;
        else if (tag == 277) samples = value;
    }
    out.bilevel = bits == 1 && samples == 1;
    return e.Ok() && out.width > 0 && out.height > 0;
}

// Every out-of-line value and every strip of the first IFD must lie inside the file:
// a decoder that trusts a lying count reads far past the buffer.
inline bool TiffLayoutSane(ByteReader b) {
    bool be;
    uint32_t count;
    ByteReader e;
    if (!FirstIfd(b, be, count, e)) return false;
    struct Array {
        uint32_t type = 0, values = 0;
        ByteReader at;
    } offsets, sizes;
    bool haveOffsets = false, haveSizes = false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t tag = e.U16(be), type = e.U16(be), values = e.U32(be);
        ByteReader inLine = e;
        const uint32_t offset = e.U32(be);
        static const uint8_t kTypeSize[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        const uint64_t unit = type < sizeof kTypeSize ? kTypeSize[type] : 0;
        const bool outOfLine = unit * values > 4;
        if (outOfLine && !b.Fits(offset, values, unit)) return false;
        const Array array{type, values, outOfLine ? b.At(offset) : inLine};
        if (tag == 273 || tag == 324) offsets = array, haveOffsets = true;
        if (tag == 279 || tag == 325) sizes = array, haveSizes = true;
    }
    if (!e.Ok()) return false;
    if (!haveOffsets || !haveSizes) return true;  // the decoder refuses it without reading strips
    // SHORT or LONG only, so the loop below reads inside the arrays checked above.
    if ((offsets.type != 3 && offsets.type != 4) || (sizes.type != 3 && sizes.type != 4)) return false;
    if (offsets.values == 0 || offsets.values != sizes.values) return false;
    for (uint32_t s = 0; s < offsets.values; ++s) {
        const uint32_t offset = offsets.type == 3 ? offsets.at.U16(be) : offsets.at.U32(be);
        const uint32_t size = sizes.type == 3 ? sizes.at.U16(be) : sizes.at.U32(be);
        if (!offsets.at.Ok() || !sizes.at.Ok() || !b.Fits(offset, size)) return false;
    }
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

inline bool PlaceableWmfFrame(ByteReader b, MetaFrame& out) {
    ByteReader r = b.At(6);
    const int16_t left = int16_t(r.U16LE()), top = int16_t(r.U16LE());
    const int16_t right = int16_t(r.U16LE()), bottom = int16_t(r.U16LE());
    const uint16_t inch = r.U16LE();
    r.Skip(kPlaceableSize - 16);
    if (!IsPlaceableWmf(b) || !r.Ok() || inch == 0) return false;
    out.left = left;
    out.top = top;
    out.right = right;
    out.bottom = bottom;
    out.unitsPerInch = inch;
    out.width = UnitsToPixels(int64_t{out.right} - out.left, out.unitsPerInch);
    out.height = UnitsToPixels(int64_t{out.bottom} - out.top, out.unitsPerInch);
    return true;
}

// A plain WMF carries no size: take its window origin and extent, else a default page.
inline bool PlainWmfFrame(ByteReader b, MetaFrame& out) {
    constexpr int64_t kLongestSide = 2048;
    if (!IsPlainWmf(b)) return false;
    int32_t orgX = 0, orgY = 0, extX = 0, extY = 0;
    uint64_t pos = uint64_t{b.At(2).U16LE()} * 2;
    for (int guard = 0; guard < 100000; ++guard) {
        ByteReader record = b.At(pos);
        const uint32_t words = record.U32LE(), function = record.U16LE();
        if (!record.Ok() || function == 0 || words < 3 || !b.Fits(pos, words, 2)) break;
        if ((function == 0x020B || function == 0x020C) && words >= 5) {
            const int16_t y = int16_t(record.U16LE()), x = int16_t(record.U16LE());
            if (function == 0x020B) orgY = y, orgX = x;
            else extY = y, extX = x;
        }
        pos += uint64_t{words} * 2;
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
inline bool EmfFrame(ByteReader b, MetaFrame& out) {
    if (!IsEmf(b)) return false;
    ByteReader r = b.At(8);
    int32_t bounds[4], frame[4];
    for (int32_t& v : bounds) v = int32_t(r.U32LE());
    for (int32_t& v : frame) v = int32_t(r.U32LE());
    out.left = frame[0];
    out.top = frame[1];
    out.right = frame[2];
    out.bottom = frame[3];
    out.unitsPerInch = 2540;
    out.width = UnitsToPixels(int64_t{out.right} - out.left, 2540);
    out.height = UnitsToPixels(int64_t{out.bottom} - out.top, 2540);
    if (out.width <= 0 || out.height <= 0) {
        out.width = int64_t{bounds[2]} - bounds[0] + 1;
        out.height = int64_t{bounds[3]} - bounds[1] + 1;
    }
    return r.Ok();
}

// Some GDI playback indexes its object table without a range check, so a bad index in a
// file can crash the viewer: walk the records first and refuse such files.
inline bool WmfRecordsSane(ByteReader b, size_t start) {
    if (!IsPlainWmfAt(b, start)) return false;
    ByteReader header = b.At(start);
    header.Skip(2);
    const uint32_t headerWords = header.U16LE();
    header.Skip(2);
    const uint32_t declaredWords = header.U32LE(), objects = header.U16LE();
    if (!b.Fits(start, declaredWords, 2)) return false;
    const ByteReader file = b.Sub(start, uint64_t{declaredWords} * 2);
    uint64_t pos = uint64_t{headerWords} * 2;
    for (uint32_t guard = 0; guard < 4000000 && file.Fits(pos, 6); ++guard) {
        ByteReader head = file.At(pos);
        const uint32_t words = head.U32LE(), function = head.U16LE();
        if (words < 3 || !file.Fits(pos, words, 2)) return false;
        if (function == 0) return true;
        const ByteReader record = file.Sub(pos, uint64_t{words} * 2);
        auto objectParam = [&](uint64_t param) {
            ByteReader p = record.At(6 + param * 2);
            const uint32_t index = p.U16LE();
            return p.Ok() && index < objects;
        };
        switch (function) {
        case 0x012A: case 0x012B: case 0x012C: case 0x012D: case 0x01F0: case 0x0234:
            if (!objectParam(0)) return false;
            break;
        case 0x0228: case 0x0429:  // fill and frame region: region, brush
            if (!objectParam(0) || !objectParam(1)) return false;
            break;
        }
        pos += uint64_t{words} * 2;
    }
    return false;
}

inline bool EmfRecordsSane(ByteReader b) {
    if (!IsEmf(b)) return false;
    ByteReader header = b.At(4);
    const uint32_t headerSize = header.U32LE();
    header.Seek(48);
    const uint32_t total = header.U32LE();
    header.Seek(56);
    const uint32_t handles = header.U16LE();
    if (!header.Ok() || headerSize < 88 || headerSize % 4 || total > b.Size() || headerSize > total) return false;
    const ByteReader file = b.Sub(0, total);
    uint64_t pos = headerSize;
    for (uint32_t guard = 0; guard < 4000000 && file.Fits(pos, 8); ++guard) {
        ByteReader head = file.At(pos);
        const uint32_t type = head.U32LE(), size = head.U32LE();
        if (size < 8 || size % 4 || !file.Fits(pos, size)) return false;
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
            ByteReader param = file.Sub(pos, size).At(at);
            const uint32_t index = param.U32LE();
            if (!param.Ok()) return false;
            bool stock = stockAllowed && (index & 0x80000000u) && (index & 0x7FFFFFFFu) <= 19;
            if (!stock && index >= handles) return false;
        }
        pos += size;
    }
    return false;
}

}  // namespace spi
