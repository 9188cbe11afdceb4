#include "imageops/PngWriter.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/Limits.h"
#include "imageops/Palette8.h"

namespace {

bool WellFormed(const DibPixels& p) {
    const size_t stride = DibPixels::StrideOf(p.Width, p.BitCount);
    return stride && p.Stride == stride && p.Height > 0 && p.Height <= kMaxImageSide &&
           p.Bits.size() / stride >= size_t(p.Height);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* body, size_t length) {
    Put32(out, uint32_t(length));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (length) out.insert(out.end(), body, body + length);
    Put32(out, uint32_t(crc32(0, out.data() + start, uInt(length + 4))));
}

// One zlib stream cut into IDAT chunks as it comes out.
class IdatStream {
public:
    explicit IdatStream(std::vector<uint8_t>& out) : out_(out), buffer_(kChunk) {}
    ~IdatStream() {
        if (open_) deflateEnd(&z_);
    }
    bool Open(int level, int strategy) {
        std::memset(&z_, 0, sizeof z_);
        open_ = deflateInit2(&z_, level, Z_DEFLATED, 15, 8, strategy) == Z_OK;
        z_.next_out = buffer_.data();
        z_.avail_out = kChunk;
        return open_;
    }
    bool Put(const uint8_t* data, size_t size) { return Run(data, size, Z_NO_FLUSH); }
    bool Finish() { return Run(nullptr, 0, Z_FINISH) && Flush(); }

private:
    static constexpr uInt kChunk = 256 * 1024;

    bool Run(const uint8_t* data, size_t size, int flush) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = uInt(size);
        for (;;) {
            const int rc = deflate(&z_, flush);
            if (rc == Z_STREAM_END) return true;
            // Z_BUF_ERROR only says no progress was possible, which a full buffer explains.
            if (rc != Z_OK && rc != Z_BUF_ERROR) return false;
            if (z_.avail_out == 0) {
                if (!Flush()) return false;
                continue;
            }
            if (flush == Z_NO_FLUSH && z_.avail_in == 0) return true;
            if (rc == Z_BUF_ERROR) return false;
        }
    }
    bool Flush() {
        const size_t used = kChunk - z_.avail_out;
        if (used) {
            if (out_.size() > kMaxFileBytes - used - 12) return false;
            PutChunk(out_, "IDAT", buffer_.data(), used);
        }
        z_.next_out = buffer_.data();
        z_.avail_out = kChunk;
        return true;
    }

    std::vector<uint8_t>& out_;
    std::vector<uint8_t> buffer_;
    z_stream z_;
    bool open_ = false;
};

inline uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Row `raw` (with `up` the row above, zeros for the first) filtered into out[1..n] with
// the filter whose bytes, read as signed, sum smallest; out[0] is its type.
// One filter over a row, into o (after its type byte); the sum of the outputs taken as signed
// bytes, which the row's choice minimises. A filter a loop of its own, so no pixel pays for
// choosing it.
template <int Filter>
uint64_t FilterInto(const uint8_t* raw, const uint8_t* up, size_t n, uint8_t* o) {
    constexpr size_t bpp = 3;
    o[0] = uint8_t(Filter);
    ++o;
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? raw[i - bpp] : 0, b = up[i], c = i >= bpp ? up[i - bpp] : 0;
        uint8_t v;
        if constexpr (Filter == 0) v = raw[i];
        else if constexpr (Filter == 1) v = uint8_t(raw[i] - a);
        else if constexpr (Filter == 2) v = uint8_t(raw[i] - b);
        else if constexpr (Filter == 3) v = uint8_t(raw[i] - (a + b) / 2);
        else v = uint8_t(raw[i] - Paeth(a, b, c));
        o[i] = v;
        sum += v < 128 ? v : 256 - v;
    }
    return sum;
}

void FilterRow(const uint8_t* raw, const uint8_t* up, size_t n, std::vector<uint8_t> (&trial)[5], uint8_t*& best) {
    const uint64_t sums[5] = {FilterInto<0>(raw, up, n, trial[0].data()), FilterInto<1>(raw, up, n, trial[1].data()),
                              FilterInto<2>(raw, up, n, trial[2].data()), FilterInto<3>(raw, up, n, trial[3].data()),
                              FilterInto<4>(raw, up, n, trial[4].data())};
    int f = 0;
    for (int k = 1; k < 5; ++k)
        if (sums[k] < sums[f]) f = k;
    best = trial[f].data();
}

bool WriteRgb(const DibPixels& p, IdatStream& idat) {
    const size_t n = size_t(p.Width) * 3;
    std::vector<uint8_t> raw(n), up(n, 0), trial[5];
    for (auto& t : trial) t.resize(n + 1);
    const size_t step = p.BitCount / 8;
    for (int y = 0; y < p.Height; ++y) {
        const uint8_t* src = p.Row(y);
        for (size_t x = 0, i = 0; i < n; ++x, i += 3) {
            raw[i] = src[x * step + 2];
            raw[i + 1] = src[x * step + 1];
            raw[i + 2] = src[x * step];
        }
        uint8_t* best = nullptr;
        FilterRow(raw.data(), up.data(), n, trial, best);
        if (!idat.Put(best, n + 1)) return false;
        raw.swap(up);
    }
    return true;
}

// Indices of an 8-bit picture packed to `depth` bits, unfiltered: prediction across palette
// indices only scatters them.
bool WriteIndexed(const DibPixels& p, int depth, IdatStream& idat) {
    const size_t n = (size_t(p.Width) * size_t(depth) + 7) / 8;
    std::vector<uint8_t> row(n + 1);
    for (int y = 0; y < p.Height; ++y) {
        const uint8_t* src = p.Row(y);
        std::memset(row.data(), 0, row.size());
        if (p.BitCount == 1 || depth == 8) {
            std::memcpy(row.data() + 1, src, n);
        } else {
            for (int x = 0; x < p.Width; ++x) {
                const size_t bit = size_t(x) * size_t(depth);
                row[1 + (bit >> 3)] |= uint8_t(src[x] << (8 - depth - int(bit & 7)));
            }
        }
        if (p.BitCount == 1 && p.Width % 8) row[n] &= uint8_t(0xFF << (8 - p.Width % 8));
        if (!idat.Put(row.data(), row.size())) return false;
    }
    return true;
}

bool Encode(const DibPixels& source, const PngLevels& levels, std::vector<uint8_t>& out) {
    DibPixels indexed;
    const DibPixels* p = &source;
    int depth = 8, colour = 2;
    std::vector<uint32_t> palette;
    if (source.BitCount == 1) {
        depth = 1;
        palette = source.Palette;
        palette.resize(2, 0);  // a missing entry is black, as everywhere else
    } else if (ExactTo8Bit(source, indexed)) {
        p = &indexed;
        palette = indexed.Palette;
        const size_t count = palette.size();
        depth = count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8;
    }
    bool grey = false;
    if (!palette.empty()) {
        colour = 3;
        // Black then white is plain 1-bit grey, which needs no palette.
        grey = depth == 1 && palette.size() == 2 && (palette[0] & 0xFFFFFF) == 0 && (palette[1] & 0xFFFFFF) == 0xFFFFFF;
        if (grey) colour = 0;
    }
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    out.insert(out.end(), kSignature, kSignature + 8);
    const uint8_t header[13] = {uint8_t(p->Width >> 24), uint8_t(p->Width >> 16), uint8_t(p->Width >> 8),
                                uint8_t(p->Width),       uint8_t(p->Height >> 24), uint8_t(p->Height >> 16),
                                uint8_t(p->Height >> 8), uint8_t(p->Height),       uint8_t(depth),
                                uint8_t(colour),         0, 0, 0};
    PutChunk(out, "IHDR", header, sizeof header);
    if (colour == 3) {
        std::vector<uint8_t> plte;
        for (uint32_t c : palette) {
            plte.push_back(uint8_t(c >> 16));
            plte.push_back(uint8_t(c >> 8));
            plte.push_back(uint8_t(c));
        }
        PutChunk(out, "PLTE", plte.data(), plte.size());
    }
    IdatStream idat(out);
    if (!idat.Open(colour == 2 ? levels.Colour : levels.Indexed, colour == 2 ? Z_FILTERED : Z_DEFAULT_STRATEGY))
        return false;
    const bool written = colour == 2 ? WriteRgb(*p, idat) : WriteIndexed(*p, depth, idat);
    if (!written || !idat.Finish()) return false;
    PutChunk(out, "IEND", nullptr, 0);
    return out.size() <= kMaxFileBytes;
}

}  // namespace

bool EncodePng(const DibPixels& pixels, std::vector<uint8_t>& out, PngLevels levels) {
    out.clear();
    const auto valid = [](int level) { return level >= 1 && level <= 9; };
    if (!WellFormed(pixels) || !valid(levels.Colour) || !valid(levels.Indexed)) return false;
    bool done = false;
    try {
        done = Encode(pixels, levels, out);
    } catch (const std::bad_alloc&) {
    }
    if (!done) out.clear();
    if (out.capacity() / 2 > out.size()) out.shrink_to_fit();
    return done;
}
