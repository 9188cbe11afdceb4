#include "image/PngRead.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "base/ByteReader.h"
#include "base/Limits.h"
#include "image/RasterFile.h"

namespace {

constexpr uint32_t Tag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 | uint8_t(d);
}
constexpr uint32_t kIhdr = Tag('I', 'H', 'D', 'R'), kPlte = Tag('P', 'L', 'T', 'E'), kIdat = Tag('I', 'D', 'A', 'T'),
                   kIend = Tag('I', 'E', 'N', 'D'), kTrns = Tag('t', 'R', 'N', 'S'), kPhys = Tag('p', 'H', 'Y', 's');

struct Pass {
    int X0, Y0, Dx, Dy;
};
constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// Colour type -> samples per pixel, 0 for a type PNG does not have.
int ChannelsOf(int colour) {
    switch (colour) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    }
    return 0;
}

bool DepthAllowed(int colour, int depth) {
    switch (colour) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default: return depth == 8 || depth == 16;
    }
}

// Colour over white to 8 bits as ImageMagick does it, so its decodes compare exactly: the
// blend rounded at 16 bits, then the top byte of that.
inline uint8_t Over16(uint32_t c, uint32_t a) {
    const uint64_t num = uint64_t(c) * a + 65535ull * (65535 - a);
    return uint8_t(((2 * num + 65535) / 131070) / 257);
}
inline uint8_t Over8(uint32_t c, uint32_t a) { return Over16(c * 257, a * 257); }

class Inflater {
public:
    ~Inflater() {
        if (open_) inflateEnd(&z_);
    }
    bool Open() {
        std::memset(&z_, 0, sizeof z_);
        open_ = inflateInit(&z_) == Z_OK;
        return open_;
    }
    z_stream& Z() { return z_; }

private:
    z_stream z_;
    bool open_ = false;
};

class Decoder {
public:
    explicit Decoder(PngTarget& target) : target_(target) {}
    PngStatus Run(const uint8_t* data, size_t size);

private:
    PngStatus ReadHeader(const uint8_t* body, uint32_t length);
    PngStatus Start();
    PngStatus Feed(const uint8_t* data, size_t size);
    bool NextPass();
    PngStatus FinishRow();
    void Emit(const uint8_t* row, uint8_t* out, int y);
    uint32_t Sample(const uint8_t* row, int i) const;

    PngTarget& target_;
    uint32_t width_ = 0, height_ = 0;
    int depth_ = 0, colour_ = 0, channels_ = 0, bpp_ = 0, bitsPerPixel_ = 0;
    bool interlaced_ = false;
    uint32_t palette_[256] = {};
    uint8_t alpha_[256];
    int paletteSize_ = 0;
    bool hasTrns_ = false;
    uint16_t trns_[3] = {};
    PngLayout layout_;

    Inflater inflater_;
    const Pass* passes_ = kWhole;
    int passCount_ = 1, pass_ = -1;
    uint32_t passWidth_ = 0, passHeight_ = 0, passRow_ = 0;
    size_t rowBytes_ = 0, filled_ = 0;
    std::vector<uint8_t> prev_, cur_;
    int rowsDone_ = 0, totalRows_ = 0;
    bool done_ = false;
};

PngStatus Decoder::ReadHeader(const uint8_t* body, uint32_t length) {
    if (length != 13) return PngStatus::Broken;
    ByteReader r(body, length);
    width_ = r.U32BE();
    height_ = r.U32BE();
    depth_ = r.U8();
    colour_ = r.U8();
    const int compression = r.U8(), filter = r.U8(), interlace = r.U8();
    channels_ = ChannelsOf(colour_);
    if (!r.Ok() || width_ == 0 || height_ == 0 || !channels_ || !DepthAllowed(colour_, depth_) || compression ||
        filter || interlace > 1)
        return PngStatus::Broken;
    // A bilevel picture may become a 1-bit DIB, so only its final depth can refuse it (Start).
    const bool mayBeBilevel = depth_ == 1 && (colour_ == 0 || colour_ == 3);
    if (!DibFits(width_, height_, mayBeBilevel ? 1 : 24)) return PngStatus::TooLarge;
    interlaced_ = interlace == 1;
    bitsPerPixel_ = channels_ * depth_;
    bpp_ = bitsPerPixel_ >= 8 ? bitsPerPixel_ / 8 : 1;
    std::memset(alpha_, 255, sizeof alpha_);
    return PngStatus::Ok;
}

PngStatus Decoder::Start() {
    if (colour_ == 3 && paletteSize_ == 0) return PngStatus::Broken;
    layout_.Width = int(width_);
    layout_.Height = int(height_);
    const auto grey = [](uint32_t c) { return (c & 0xFF) == (c >> 8 & 0xFF) && (c & 0xFF) == (c >> 16 & 0xFF); };
    if (depth_ == 1 && !hasTrns_ && colour_ == 0) {
        layout_.BitCount = 1;
        layout_.Palette[0] = 0;
        layout_.Palette[1] = 0xFFFFFF;
    } else if (depth_ == 1 && !hasTrns_ && colour_ == 3 && paletteSize_ == 2 && grey(palette_[0]) &&
               grey(palette_[1])) {
        layout_.BitCount = 1;
        layout_.Palette[0] = palette_[0];
        layout_.Palette[1] = palette_[1];
    }
    if (!DibFits(width_, height_, layout_.BitCount)) return PngStatus::TooLarge;
    if (interlaced_) {
        passes_ = kAdam7;
        passCount_ = 7;
    }
    for (int p = 0; p < passCount_; ++p) {
        const Pass& s = passes_[p];
        if (width_ > uint32_t(s.X0) && height_ > uint32_t(s.Y0)) totalRows_ += int((height_ - s.Y0 + s.Dy - 1) / s.Dy);
    }
    if (!inflater_.Open()) return PngStatus::NoMemory;
    try {
        const size_t most = (size_t(width_) * size_t(bitsPerPixel_) + 7) / 8 + 1;
        prev_.resize(most);
        cur_.resize(most);
    } catch (const std::bad_alloc&) {
        return PngStatus::NoMemory;
    }
    if (!target_.Begin(layout_)) return PngStatus::NoMemory;
    NextPass();
    return PngStatus::Ok;
}

// Moves to the next pass that holds pixels; false after the last.
bool Decoder::NextPass() {
    while (++pass_ < passCount_) {
        const Pass& s = passes_[pass_];
        if (width_ <= uint32_t(s.X0) || height_ <= uint32_t(s.Y0)) continue;
        passWidth_ = (width_ - s.X0 + s.Dx - 1) / s.Dx;
        passHeight_ = (height_ - s.Y0 + s.Dy - 1) / s.Dy;
        passRow_ = 0;
        rowBytes_ = (size_t(passWidth_) * size_t(bitsPerPixel_) + 7) / 8;
        filled_ = 0;
        std::memset(prev_.data(), 0, prev_.size());
        return true;
    }
    done_ = true;
    return false;
}

inline uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

PngStatus Decoder::FinishRow() {
    uint8_t* row = cur_.data() + 1;
    const uint8_t* up = prev_.data() + 1;
    const size_t n = rowBytes_, bpp = size_t(bpp_);
    switch (cur_[0]) {
    case 0: break;
    case 1:
        for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + up[i]);
        break;
    case 3:
        for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + ((i >= bpp ? row[i - bpp] : 0) + up[i]) / 2);
        break;
    case 4:
        for (size_t i = 0; i < bpp && i < n; ++i) row[i] = uint8_t(row[i] + up[i]);
        for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + Paeth(row[i - bpp], up[i], up[i - bpp]));
        break;
    default: return PngStatus::Broken;
    }
    const Pass& s = passes_[pass_];
    const int y = int(s.Y0 + passRow_ * s.Dy);
    uint8_t* out = target_.Row(y);
    if (!out) return PngStatus::NoMemory;
    Emit(row, out, y);
    cur_.swap(prev_);
    filled_ = 0;
    if (++rowsDone_ % 256 == 0 && !target_.Continue(rowsDone_, totalRows_)) return PngStatus::Cancelled;
    if (++passRow_ == passHeight_) NextPass();
    return PngStatus::Ok;
}

uint32_t Decoder::Sample(const uint8_t* row, int i) const {
    switch (depth_) {
    case 16: return uint32_t(row[2 * i]) << 8 | row[2 * i + 1];
    case 8: return row[i];
    default: {
        const size_t bit = size_t(i) * size_t(depth_);
        return (row[bit >> 3] >> (8 - depth_ - int(bit & 7))) & ((1u << depth_) - 1);
    }
    }
}

void Decoder::Emit(const uint8_t* row, uint8_t* out, int y) {
    const Pass& s = passes_[pass_];
    const int n = int(passWidth_);
    if (layout_.BitCount == 1) {
        if (s.Dx == 1) {
            std::memcpy(out, row, rowBytes_);
            return;
        }
        for (int i = 0; i < n; ++i) {
            const int x = s.X0 + i * s.Dx;
            const uint8_t bit = uint8_t(0x80 >> (x & 7));
            if (Sample(row, i))
                out[x >> 3] |= bit;
            else
                out[x >> 3] &= uint8_t(~bit);
        }
        return;
    }
    const size_t step = size_t(s.Dx) * 3;
    uint8_t* o = out + size_t(s.X0) * 3;
    if (depth_ == 8 && (colour_ == 2 || colour_ == 6) && !(colour_ == 2 && hasTrns_)) {
        // The common camera and screenshot cases, without the per-sample switch.
        const int c = channels_;
        for (int i = 0; i < n; ++i, row += c, o += step) {
            if (c == 4 && row[3] != 255) {
                o[0] = Over8(row[2], row[3]);
                o[1] = Over8(row[1], row[3]);
                o[2] = Over8(row[0], row[3]);
            } else {
                o[0] = row[2];
                o[1] = row[1];
                o[2] = row[0];
            }
        }
        return;
    }
    const int maxSample = (1 << depth_) - 1;
    for (int i = 0; i < n; ++i, o += step) {
        uint32_t r, g, b, a;
        if (colour_ == 3) {
            const uint32_t index = Sample(row, i);
            const uint32_t c = int(index) < paletteSize_ ? palette_[index] : 0;
            const uint32_t alpha = alpha_[index];
            o[0] = Over8(c & 0xFF, alpha);
            o[1] = Over8(c >> 8 & 0xFF, alpha);
            o[2] = Over8(c >> 16 & 0xFF, alpha);
            continue;
        }
        if (colour_ == 0 || colour_ == 4) {
            r = g = b = Sample(row, i * channels_);
            a = colour_ == 4 ? Sample(row, i * 2 + 1) : uint32_t(maxSample);
            if (colour_ == 0 && hasTrns_ && r == trns_[0]) a = 0;
        } else {
            r = Sample(row, i * channels_);
            g = Sample(row, i * channels_ + 1);
            b = Sample(row, i * channels_ + 2);
            a = colour_ == 6 ? Sample(row, i * 4 + 3) : uint32_t(maxSample);
            if (colour_ == 2 && hasTrns_ && r == trns_[0] && g == trns_[1] && b == trns_[2]) a = 0;
        }
        if (depth_ == 16) {
            o[0] = Over16(b, a);
            o[1] = Over16(g, a);
            o[2] = Over16(r, a);
        } else {
            // Grey below 8 bits widens exactly: 255 is a multiple of 1, 3 and 15.
            const uint32_t scale = 255 / uint32_t(maxSample);
            a = a * scale;
            o[0] = Over8(b * scale, a);
            o[1] = Over8(g * scale, a);
            o[2] = Over8(r * scale, a);
        }
    }
}

PngStatus Decoder::Feed(const uint8_t* data, size_t size) {
    z_stream& z = inflater_.Z();
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    while (z.avail_in > 0 && !done_) {
        const size_t want = rowBytes_ + 1;
        z.next_out = cur_.data() + filled_;
        z.avail_out = uInt(want - filled_);
        const int rc = inflate(&z, Z_NO_FLUSH);
        filled_ = want - z.avail_out;
        if (rc == Z_MEM_ERROR) return PngStatus::NoMemory;
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return PngStatus::Broken;
        if (filled_ == want) {
            const PngStatus s = FinishRow();
            if (s != PngStatus::Ok) return s;
        }
        if (rc == Z_STREAM_END) return done_ ? PngStatus::Ok : PngStatus::Broken;
        if (rc == Z_BUF_ERROR) break;
    }
    return PngStatus::Ok;
}

PngStatus Decoder::Run(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ByteReader r(data, size);
    const uint8_t* sig = r.Bytes(8);
    if (!sig || std::memcmp(sig, kSignature, 8) != 0) return PngStatus::NotPng;
    bool header = false, started = false, idatEnded = false;
    for (;;) {
        const uint32_t length = r.U32BE();
        const uint8_t* typed = r.Bytes(4);
        if (!r.Ok()) return PngStatus::Truncated;
        if (length > 0x7FFFFFFFu) return PngStatus::Broken;
        const uint8_t* body = r.Bytes(length);
        const uint32_t crc = r.U32BE();
        if (!r.Ok()) return PngStatus::Truncated;
        if (uint32_t(crc32(crc32(0, typed, 4), body, uInt(length))) != crc) return PngStatus::BadChecksum;
        const uint32_t type = uint32_t(typed[0]) << 24 | uint32_t(typed[1]) << 16 | uint32_t(typed[2]) << 8 | typed[3];
        if (!header) {
            if (type != kIhdr) return PngStatus::Broken;
            const PngStatus s = ReadHeader(body, length);
            if (s != PngStatus::Ok) return s;
            header = true;
            continue;
        }
        if (type == kIdat) {
            if (idatEnded) return PngStatus::Broken;
            if (!started) {
                const PngStatus s = Start();
                if (s != PngStatus::Ok) return s;
                started = true;
            }
            const PngStatus s = Feed(body, length);
            if (s != PngStatus::Ok) return s;
            // What follows the picture (text, time, IEND) is no concern of ours.
            if (done_) return PngStatus::Ok;
            continue;
        }
        if (started) idatEnded = true;
        if (type == kIend || type == kIhdr) return PngStatus::Broken;
        if (started) continue;
        if (type == kPlte) {
            if (length == 0 || length % 3 || length > 768 || paletteSize_) return PngStatus::Broken;
            paletteSize_ = int(length / 3);
            for (int i = 0; i < paletteSize_; ++i)
                palette_[i] = uint32_t(body[3 * i]) << 16 | uint32_t(body[3 * i + 1]) << 8 | body[3 * i + 2];
        } else if (type == kTrns) {
            if (colour_ == 3 && length <= 256) {
                for (uint32_t i = 0; i < length; ++i) alpha_[i] = body[i];
                hasTrns_ = length > 0;
            } else if (colour_ == 0 && length == 2) {
                trns_[0] = uint16_t(body[0] << 8 | body[1]);
                hasTrns_ = true;
            } else if (colour_ == 2 && length == 6) {
                for (int i = 0; i < 3; ++i) trns_[i] = uint16_t(body[2 * i] << 8 | body[2 * i + 1]);
                hasTrns_ = true;
            }
        } else if (type == kPhys) {
            if (length == 9 && body[8] == 1) {
                const uint32_t perMetre = uint32_t(body[0]) << 24 | uint32_t(body[1]) << 16 | uint32_t(body[2]) << 8 | body[3];
                layout_.Dpi = perMetre * 0.0254;
            }
        } else if (!(typed[0] & 0x20)) {
            return PngStatus::Broken;  // a critical chunk we do not know changes the picture
        }
    }
}

}  // namespace

PngStatus ReadPng(const uint8_t* data, size_t size, PngTarget& target) {
    try {
        Decoder decoder(target);
        return decoder.Run(data, size);
    } catch (const std::bad_alloc&) {
        return PngStatus::NoMemory;
    }
}

bool PngPicture::Begin(const PngLayout& layout) {
    Layout = layout;
    Stride = layout.BitCount == 1 ? (size_t(layout.Width) + 7) / 8 : size_t(layout.Width) * 3;
    try {
        Bits.assign(Stride * size_t(layout.Height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

uint32_t PngPicture::ColourAt(int x, int y) const {
    const uint8_t* row = Bits.data() + size_t(y) * Stride;
    if (Layout.BitCount == 1) return Layout.Palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
    const uint8_t* p = row + size_t(x) * 3;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
