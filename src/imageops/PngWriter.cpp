#include "imageops/PngWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/Limits.h"
#include "base/Workers.h"
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

inline uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One filter over a row, into o (after its type byte); the sum of the outputs taken as signed
// bytes, which the row's choice minimises. A filter a loop of its own, and the first pixel
// apart, so that the loop over the rest has no branch and the compiler can widen it.
template <int Filter>
inline uint8_t Predicted(int a, int b, int c) {
    if constexpr (Filter == 0) return 0;
    else if constexpr (Filter == 1) return uint8_t(a);
    else if constexpr (Filter == 2) return uint8_t(b);
    else if constexpr (Filter == 3) return uint8_t((a + b) >> 1);
    else return Paeth(a, b, c);
}

template <int Filter>
uint64_t FilterInto(const uint8_t* raw, const uint8_t* up, size_t n, uint8_t* o) {
    constexpr size_t bpp = 3;
    o[0] = uint8_t(Filter);
    ++o;
    uint32_t sum = 0;  // at most 128 a byte, and a row holds under 2^17 bytes
    const size_t head = n < bpp ? n : bpp;
    for (size_t i = 0; i < head; ++i) {
        const uint8_t v = uint8_t(raw[i] - Predicted<Filter>(0, up[i], 0));
        o[i] = v;
        sum += v < 128 ? v : 256u - v;
    }
    for (size_t i = bpp; i < n; ++i) {
        const uint8_t v = uint8_t(raw[i] - Predicted<Filter>(raw[i - bpp], up[i], up[i - bpp]));
        o[i] = v;
        sum += v < 128 ? v : 256u - v;
    }
    return sum;
}

// Row `raw` (with `up` the row above, zeros for the first) through the filter whose bytes,
// read as signed, sum smallest.
void FilterRow(const uint8_t* raw, const uint8_t* up, size_t n, std::vector<uint8_t> (&trial)[5], uint8_t*& best) {
    const uint64_t sums[5] = {FilterInto<0>(raw, up, n, trial[0].data()), FilterInto<1>(raw, up, n, trial[1].data()),
                              FilterInto<2>(raw, up, n, trial[2].data()), FilterInto<3>(raw, up, n, trial[3].data()),
                              FilterInto<4>(raw, up, n, trial[4].data())};
    int f = 0;
    for (int k = 1; k < 5; ++k)
        if (sums[k] < sums[f]) f = k;
    best = trial[f].data();
}

// Filtered rows, each with its type byte, in order from Start(y); one source per band.
class RgbRows {
public:
    explicit RgbRows(const DibPixels& p) : p_(p), n_(size_t(p.Width) * 3), raw_(n_), up_(n_) {
        for (auto& t : trial_) t.resize(n_ + 1);
    }
    size_t Bytes() const { return n_ + 1; }
    void Start(int y) {
        y_ = y;
        if (y > 0) Convert(y - 1, up_);
        else std::fill(up_.begin(), up_.end(), uint8_t(0));
    }
    const uint8_t* Next() {
        Convert(y_++, raw_);
        uint8_t* best = nullptr;
        FilterRow(raw_.data(), up_.data(), n_, trial_, best);
        raw_.swap(up_);
        return best;
    }

private:
    void Convert(int y, std::vector<uint8_t>& into) const {
        const uint8_t* src = p_.Row(y);
        const size_t step = p_.BitCount / 8;
        for (size_t x = 0, i = 0; i < n_; ++x, i += 3) {
            into[i] = src[x * step + 2];
            into[i + 1] = src[x * step + 1];
            into[i + 2] = src[x * step];
        }
    }
    const DibPixels& p_;
    const size_t n_;
    std::vector<uint8_t> raw_, up_, trial_[5];
    int y_ = 0;
};

// Indices of an 8-bit picture packed to `depth` bits, unfiltered: prediction across palette
// indices only scatters them.
class IndexedRows {
public:
    IndexedRows(const DibPixels& p, int depth)
        : p_(p), depth_(depth), n_((size_t(p.Width) * size_t(depth) + 7) / 8), row_(n_ + 1) {}
    size_t Bytes() const { return n_ + 1; }
    void Start(int y) { y_ = y; }
    const uint8_t* Next() {
        const uint8_t* src = p_.Row(y_++);
        std::memset(row_.data(), 0, row_.size());
        if (p_.BitCount == 1 || depth_ == 8) {
            std::memcpy(row_.data() + 1, src, n_);
        } else {
            for (int x = 0; x < p_.Width; ++x) {
                const size_t bit = size_t(x) * size_t(depth_);
                row_[1 + (bit >> 3)] |= uint8_t(src[x] << (8 - depth_ - int(bit & 7)));
            }
        }
        if (p_.BitCount == 1 && p_.Width % 8) row_[n_] &= uint8_t(0xFF << (8 - p_.Width % 8));
        return row_.data();
    }

private:
    const DibPixels& p_;
    const int depth_;
    const size_t n_;
    std::vector<uint8_t> row_;
    int y_ = 0;
};

// The rows are cut into bands of about this many bytes, each deflated on its own core with
// the 32 KiB before it as its dictionary, so the file packs as one stream would and comes
// out the same on any machine. A band ends on a sync flush: the streams join byte to byte.
constexpr size_t kBandBytes = size_t{1} << 20;
constexpr size_t kWindow = 32768;

struct Band {
    int First = 0, End = 0;
    std::vector<uint8_t> Deflated;
    uLong Adler = 1;
    bool Ok = false;
};

class Deflater {
public:
    ~Deflater() {
        if (open_) deflateEnd(&z_);
    }
    bool Open(int level, int strategy) {
        std::memset(&z_, 0, sizeof z_);
        open_ = deflateInit2(&z_, level, Z_DEFLATED, -15, 8, strategy) == Z_OK;
        return open_;
    }
    bool Dictionary(const std::vector<uint8_t>& d) {
        return d.empty() || deflateSetDictionary(&z_, d.data(), uInt(d.size())) == Z_OK;
    }
    bool Put(const uint8_t* data, size_t size, int flush, std::vector<uint8_t>& out) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = uInt(size);
        for (;;) {
            if (out.size() - used_ < 64 * 1024) out.resize(std::max<size_t>(out.size() * 2, 256 * 1024));
            z_.next_out = out.data() + used_;
            z_.avail_out = uInt(out.size() - used_);
            const int rc = deflate(&z_, flush);
            used_ = out.size() - z_.avail_out;
            if (rc == Z_STREAM_END) break;
            // Z_BUF_ERROR only says no progress was possible, which a full buffer explains.
            if (rc != Z_OK && rc != Z_BUF_ERROR) return false;
            if (z_.avail_out != 0 && z_.avail_in == 0 && flush != Z_FINISH) break;
        }
        if (flush != Z_NO_FLUSH) out.resize(used_);
        return true;
    }

private:
    z_stream z_;
    bool open_ = false;
    size_t used_ = 0;
};

template <class Rows>
void DeflateBand(Rows rows, Band& band, bool last, int level, int strategy) {
    const size_t bytes = rows.Bytes();
    const int before = int(std::min<size_t>(size_t(band.First), (kWindow + bytes - 1) / bytes));
    rows.Start(band.First - before);
    std::vector<uint8_t> dictionary;
    for (int i = 0; i < before; ++i) {
        const uint8_t* row = rows.Next();
        dictionary.insert(dictionary.end(), row, row + bytes);
    }
    if (dictionary.size() > kWindow) dictionary.erase(dictionary.begin(), dictionary.end() - kWindow);
    Deflater z;
    if (!z.Open(level, strategy) || !z.Dictionary(dictionary)) return;
    for (int y = band.First; y < band.End; ++y) {
        const uint8_t* row = rows.Next();
        band.Adler = adler32(band.Adler, row, uInt(bytes));
        if (!z.Put(row, bytes, Z_NO_FLUSH, band.Deflated)) return;
    }
    band.Ok = z.Put(nullptr, 0, last ? Z_FINISH : Z_SYNC_FLUSH, band.Deflated);
}

// The zlib stream of all rows, one piece a band: the header goes before the first, the
// Adler-32 of the whole after the last. Each piece is written as an IDAT of its own.
template <class Rows>
bool DeflateRows(const Rows& rows, int height, int level, int strategy, std::vector<Band>& bands) {
    const size_t bytes = rows.Bytes();
    const int perBand = int(std::max<size_t>(1, kBandBytes / bytes));
    bands.resize(size_t((height + perBand - 1) / perBand));
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i].First = int(i) * perBand;
        bands[i].End = std::min(height, bands[i].First + perBand);
    }
    RunJobs(0, int(bands.size()), [&](int i) {
        DeflateBand(rows, bands[size_t(i)], size_t(i) + 1 == bands.size(), level, strategy);
    });
    uLong adler = 1;
    for (const Band& band : bands) {
        if (!band.Ok) return false;
        adler = adler32_combine(adler, band.Adler, z_off_t((band.End - band.First) * bytes));
    }
    const uint8_t cmf = 0x78, flg = uint8_t(level == 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3) << 6;
    const uint8_t header[2] = {cmf, uint8_t(flg | (31 - (cmf * 256 + flg) % 31))};
    bands.front().Deflated.insert(bands.front().Deflated.begin(), header, header + 2);
    Put32(bands.back().Deflated, uint32_t(adler));
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
    if (!palette.empty()) {
        // Black then white is plain 1-bit grey, which needs no palette.
        const bool grey =
            depth == 1 && palette.size() == 2 && (palette[0] & 0xFFFFFF) == 0 && (palette[1] & 0xFFFFFF) == 0xFFFFFF;
        colour = grey ? 0 : 3;
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
    std::vector<Band> bands;
    const bool deflated = colour == 2 ? DeflateRows(RgbRows(*p), p->Height, levels.Colour, Z_FILTERED, bands)
                                      : DeflateRows(IndexedRows(*p, depth), p->Height, levels.Indexed,
                                                    Z_DEFAULT_STRATEGY, bands);
    if (!deflated) return false;
    for (Band& band : bands) {
        if (out.size() + band.Deflated.size() > kMaxFileBytes) return false;
        PutChunk(out, "IDAT", band.Deflated.data(), band.Deflated.size());
        std::vector<uint8_t>().swap(band.Deflated);
    }
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
