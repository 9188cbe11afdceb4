#include "imageops/Monochrome.h"

#include <cstdlib>

#include "base/Limits.h"

namespace {

constexpr uint32_t kOutside = 0xFFFFFFFFu;  // what reading outside the picture gives

int Channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }

uint32_t Mean3(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) out |= uint32_t((Channel(a, shift) + Channel(b, shift) + Channel(c, shift)) / 3) << shift;
    return out;
}

}  // namespace

int ColourDistanceSquared(uint32_t a, uint32_t b) {
    int dr = Channel(a, 0) - Channel(b, 0), dg = Channel(a, 8) - Channel(b, 8), db = Channel(a, 16) - Channel(b, 16);
    return 30 * dr * dr + 59 * dg * dg + 11 * db * db;
}

int ColourDistanceLinear(uint32_t a, uint32_t b) {
    int dr = Channel(a, 0) - Channel(b, 0), dg = Channel(a, 8) - Channel(b, 8), db = Channel(a, 16) - Channel(b, 16);
    return (30 * std::abs(dr) + 59 * std::abs(dg) + 11 * std::abs(db)) / 14;
}

bool MakeWhiteMono(int width, int height, BilevelImage& out) {
    if (width <= 0 || height <= 0 || width > 65536 || height > 65536) return false;
    const int rounded = (width + 31) / 32 * 32;
    const uint64_t bytes = uint64_t(rounded / 8) * uint64_t(height);
    if (bytes > kMaxPixelBytes) return false;
    out.Width = rounded;
    out.Height = height;
    out.Pitch = rounded / 8;
    out.Bits.assign(size_t(bytes), 0xFF);
    return true;
}

bool SimpleMonochrome(const RgbImage& image, BilevelImage& out, int threshold) {
    if (!MakeWhiteMono(image.Width, image.Height, out)) return false;
    const uint32_t t = uint32_t(threshold < 0 ? 0 : threshold > 255 ? 255 : threshold);
    for (int y = 0; y < image.Height; ++y) {
        const uint32_t* src = &image.Pixels[size_t(y) * size_t(image.Width)];
        uint8_t* row = &out.Bits[size_t(y) * size_t(out.Pitch)];
        for (int x0 = 0; x0 < image.Width; x0 += 8) {
            uint8_t byte = 0;
            const int n = image.Width - x0 < 8 ? image.Width - x0 : 8;
            for (int k = 0; k < n; ++k) {
                const uint32_t c = src[x0 + k];
                const bool white = (c & 0xFF) >= t && ((c >> 8) & 0xFF) >= t && ((c >> 16) & 0xFF) >= t;
                byte |= uint8_t(white) << (7 - k);
            }
            if (n < 8) byte |= uint8_t(0xFF >> n);  // columns beyond the picture stay white
            row[x0 / 8] = byte;
        }
    }
    return true;
}

bool ExtractEdges(const RgbImage& image, int sensitivity, int density, int testMask, BilevelImage& out,
                  const RowProgress& progress) {
    if (!MakeWhiteMono(image.Width, image.Height, out)) return false;
    const int W = image.Width, H = image.Height;
    // The frame drawn by a black pen around the white fill.
    for (int x = 0; x < out.Width; ++x) {
        out.SetBlack(x, 0);
        out.SetBlack(x, H - 1);
    }
    for (int y = 0; y < H; ++y) {
        out.SetBlack(0, y);
        out.SetBlack(out.Width - 1, y);
    }
    auto pixel = [&](int x, int y) { return (x < 0 || y < 0 || x >= W || y >= H) ? kOutside : image.At(x, y); };
    const int64_t s2 = int64_t(sensitivity) * sensitivity, d2 = int64_t(density) * density;
    const int s10 = sensitivity / 10;
    // The column memory covers every column: wide scans are not cut at a fixed size.
    std::vector<uint32_t> columnMemory(size_t(W), 0);
    for (int y = 0; y + 1 < H; ++y) {
        int x = 0;
        uint32_t c = pixel(x, y);
        uint32_t below = pixel(x, y + 1), belowLeft = pixel(x - 1, y + 1);
        uint32_t ref = Mean3(c, below, belowLeft);
        while (true) {
            bool mark = false;
            if (y == 0) columnMemory[size_t(x)] = c;
            const uint32_t right = pixel(x + 1, y);
            if (right == kOutside) break;
            if (testMask & kTestHorizontal) {
                if (ColourDistanceSquared(ref, right) > d2) mark = true;
                if (ColourDistanceSquared(columnMemory[size_t(x)], right) > d2) mark = true;
                if (!mark && ColourDistanceSquared(c, right) > s2) mark = true;
            }
            const uint32_t belowRight = pixel(x + 1, y + 1);
            if (belowRight != kOutside && (testMask & kTestBelowRight) && !mark && s10 < ColourDistanceLinear(c, belowRight)) mark = true;
            if (below != kOutside && (testMask & kTestVertical) && !mark && ColourDistanceSquared(c, below) > s2) mark = true;
            if (belowLeft != kOutside && (testMask & kTestBelowLeft) && !mark && s10 < ColourDistanceLinear(c, belowLeft)) mark = true;
            if (mark) {
                columnMemory[size_t(x)] = right;
                out.SetBlack(x, y);
                ref = right;
            }
            belowLeft = below != kOutside ? below : c;
            below = belowRight != kOutside ? belowRight : c;
            c = right;
            ++x;
        }
        if (progress) progress(y);
    }
    return true;
}

ElapsedParts ElapsedBetween(int64_t startMs, int64_t endMs) {
    int64_t ms = endMs - startMs;
    if (ms < 0) ms += 24 * 3600 * 1000;  // past midnight
    return {int((ms / 3600000) % 24), int((ms / 60000) % 60), int((ms / 1000) % 60), int(ms % 1000)};
}
