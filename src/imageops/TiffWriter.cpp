#include "imageops/TiffWriter.h"

#include <algorithm>
#include <new>

#include "base/Limits.h"

LzwEncoder::LzwEncoder(std::vector<uint8_t>& out) : out_(out), slots_(kSlots, Slot{0, 0, 0}) {}

void LzwEncoder::ResetTable() {
    // A generation per table spares clearing the slots at each of the many resets of a photo.
    if (++generation_ == 0) {
        for (Slot& s : slots_) s.Generation = 0;
        generation_ = 1;
    }
    width_ = 9;
    next_ = 258;
}

void LzwEncoder::Open(size_t bytes) {
    const size_t used = out_.size();
    out_.resize(used + bytes);
    cursor_ = out_.data() + used;
}

void LzwEncoder::Close() { out_.resize(size_t(cursor_ - out_.data())); }

inline void LzwEncoder::Emit(unsigned code) {
    bits_ = bits_ << width_ | code;  // bits already written fall off the top
    bitCount_ += width_;
    if (bitCount_ >= 16) {
        bitCount_ -= 8;
        *cursor_++ = uint8_t(bits_ >> bitCount_);
    }
    bitCount_ -= 8;
    *cursor_++ = uint8_t(bits_ >> bitCount_);
}

void LzwEncoder::Begin() {
    bits_ = 0;
    bitCount_ = 0;
    prefix_ = -1;
    ResetTable();
    Open(2);
    Emit(kClear);
    Close();
}

void LzwEncoder::Put(const uint8_t* data, size_t size) {
    if (!size) return;
    // A byte costs at most one code of 12 bits, and a Clear follows at most every 3836 codes.
    Open(size / 2 * 3 + size / 1024 + 8);
    size_t i = 0;
    if (prefix_ < 0) prefix_ = data[i++];
    unsigned ent = unsigned(prefix_);
    for (; i < size; ++i) {
        const unsigned c = data[i];
        const uint32_t key = ent << 8 | c;
        unsigned h = (key * 2654435761u) >> (32 - 14);
        for (;;) {
            Slot& s = slots_[h];
            if (s.Generation != generation_) {
                Emit(ent);
                s = Slot{key, uint16_t(next_), generation_};
                // The width grows as soon as the last code of a width is taken, one code before
                // a reader would need it; 4094 and 4095 stay unused, as other writers leave them.
                if (++next_ == 4094) {
                    Emit(kClear);
                    ResetTable();
                } else if (next_ > (1u << width_) - 1) {
                    ++width_;
                }
                ent = c;
                break;
            }
            if (s.Key == key) {
                ent = s.Code;
                break;
            }
            h = (h + 1) & (kSlots - 1);
        }
    }
    prefix_ = int(ent);
    Close();
}

void LzwEncoder::End() {
    Open(6);
    if (prefix_ >= 0) {
        Emit(unsigned(prefix_));
        // A reader adds an entry for this last code too, and may widen before the EOI.
        if (++next_ == 4094) {
            Emit(kClear);
            width_ = 9;
        } else if (next_ > (1u << width_) - 1) {
            ++width_;
        }
    }
    Emit(kEoi);
    if (bitCount_ > 0) *cursor_++ = uint8_t(bits_ << (8 - bitCount_));
    bitCount_ = 0;
    Close();
    prefix_ = -1;
}

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, unsigned v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

enum : unsigned { kShort = 3, kLong = 4, kRational = 5 };

// One row as R, G, B bytes.
void RowToRgb(const DibPixels& p, int y, const uint8_t* paletteRgb, uint8_t* rgb) {
    const uint8_t* src = p.Row(y);
    const int w = p.Width;
    switch (p.BitCount) {
    case 24:
    case 32: {
        const size_t step = p.BitCount / 8;
        for (int x = 0; x < w; ++x, src += step, rgb += 3) {
            rgb[0] = src[2];
            rgb[1] = src[1];
            rgb[2] = src[0];
        }
        break;
    }
    default:
        for (int x = 0; x < w; ++x, rgb += 3) {
            const uint8_t* c = paletteRgb + 3 * size_t(p.BitCount == 1 ? (src[x >> 3] >> (7 - (x & 7))) & 1 : src[x]);
            rgb[0] = c[0];
            rgb[1] = c[1];
            rgb[2] = c[2];
        }
        break;
    }
}

bool WellFormed(const DibPixels& p) {
    const size_t stride = DibPixels::StrideOf(p.Width, p.BitCount);
    return stride && p.Stride == stride && p.Height > 0 && p.Height <= kMaxImageSide &&
           p.Bits.size() / stride >= size_t(p.Height);
}

bool Encode(const DibPixels& pixels, std::vector<uint8_t>& out) {
    const int w = pixels.Width, h = pixels.Height;
    const size_t rowBytes = size_t(w) * 3;
    size_t rows = rowBytes >= 65536 ? 1 : 65536 / rowBytes;
    const int rowsPerStrip = rows < size_t(h) ? int(rows) : h;
    const int strips = (h + rowsPerStrip - 1) / rowsPerStrip;
    // The file must stay readable by Pixaro itself; the directory and arrays follow the strips.
    const uint64_t tailBytes = 512 + 8 * uint64_t(strips);

    // Missing palette entries read as black, as ColourAt has them.
    uint8_t paletteRgb[256 * 3] = {};
    for (size_t i = 0; i < pixels.Palette.size() && i < 256; ++i) {
        paletteRgb[3 * i] = uint8_t(pixels.Palette[i] >> 16);
        paletteRgb[3 * i + 1] = uint8_t(pixels.Palette[i] >> 8);
        paletteRgb[3 * i + 2] = uint8_t(pixels.Palette[i]);
    }

    // Room for a picture that does not compress, so the strips are not copied as they grow;
    // a process short of address space grows the file instead.
    try {
        out.reserve(size_t(std::min<uint64_t>(uint64_t(rowBytes) * uint64_t(h) * 17 / 16 + tailBytes, kMaxFileBytes)));
    } catch (const std::bad_alloc&) {
    }
    out.assign(8, 0);
    out[0] = out[1] = 'I';
    Put16(out, 2, 42);
    std::vector<uint32_t> offsets, counts;
    std::vector<uint8_t> rgb(rowBytes);
    LzwEncoder lzw(out);
    for (int s = 0; s < strips; ++s) {
        const size_t start = out.size();
        lzw.Begin();
        for (int y = s * rowsPerStrip, end = y + rowsPerStrip < h ? y + rowsPerStrip : h; y < end; ++y) {
            RowToRgb(pixels, y, paletteRgb, rgb.data());
            lzw.Put(rgb.data(), rowBytes);
        }
        lzw.End();
        if (out.size() + tailBytes > kMaxFileBytes) return false;
        offsets.push_back(uint32_t(start));
        counts.push_back(uint32_t(out.size() - start));
    }

    if (out.size() & 1) out.push_back(0);  // the directory and its values start on a word
    struct Entry {
        unsigned Tag, Type;
        uint32_t Count, Value;
    };
    constexpr uint32_t kEntries = 13;
    const size_t ifd = out.size(), values = ifd + 2 + 12 * kEntries + 4;
    const uint32_t bitsAt = uint32_t(values), xResAt = bitsAt + 6, yResAt = xResAt + 8, offsetsAt = yResAt + 8,
                   countsAt = offsetsAt + 4 * uint32_t(strips);
    const bool arrays = strips > 1;  // a single strip's offset and count sit in their entries
    const Entry entries[kEntries] = {
        {256, kLong, 1, uint32_t(w)},
        {257, kLong, 1, uint32_t(h)},
        {258, kShort, 3, bitsAt},
        {259, kShort, 1, 5},  // LZW
        {262, kShort, 1, 2},  // RGB
        {273, kLong, uint32_t(strips), arrays ? offsetsAt : offsets[0]},
        {277, kShort, 1, 3},
        {278, kLong, 1, uint32_t(rowsPerStrip)},
        {279, kLong, uint32_t(strips), arrays ? countsAt : counts[0]},
        {282, kRational, 1, xResAt},
        {283, kRational, 1, yResAt},
        {284, kShort, 1, 1},  // chunky
        {296, kShort, 1, 2},  // inches
    };
    out.resize(size_t(arrays ? countsAt + 4 * uint32_t(strips) : offsetsAt), 0);
    Put32(out, 4, uint32_t(ifd));
    Put16(out, ifd, kEntries);
    for (uint32_t i = 0; i < kEntries; ++i) {
        const size_t at = ifd + 2 + 12 * i;
        Put16(out, at, entries[i].Tag);
        Put16(out, at + 2, entries[i].Type);
        Put32(out, at + 4, entries[i].Count);
        Put32(out, at + 8, entries[i].Value);  // a SHORT in place fills the first two bytes
    }
    Put32(out, ifd + 2 + 12 * kEntries, 0);  // no further directory
    for (int i = 0; i < 3; ++i) Put16(out, bitsAt + 2 * size_t(i), 8);
    Put32(out, xResAt, 96);
    Put32(out, xResAt + 4, 1);
    Put32(out, yResAt, 96);
    Put32(out, yResAt + 4, 1);
    if (arrays) {
        for (int i = 0; i < strips; ++i) {
            Put32(out, offsetsAt + 4 * size_t(i), offsets[size_t(i)]);
            Put32(out, countsAt + 4 * size_t(i), counts[size_t(i)]);
        }
    }
    return true;
}

}  // namespace

bool EncodeTiff(const DibPixels& pixels, std::vector<uint8_t>& out) {
    out.clear();
    if (!WellFormed(pixels)) return false;
    bool done = false;
    try {
        done = Encode(pixels, out);
    } catch (const std::bad_alloc&) {
        // A 32-bit process can run out of room for a large noisy picture.
    }
    if (!done) out.clear();
    if (out.capacity() / 2 > out.size()) out.shrink_to_fit();  // most of the room was not needed
    return done;
}
