// Turning the current picture into a 1-bit image: the plain conversion (every pixel that is
// not white becomes black) and the edge extraction that marks outlines and density-change
// lines. Portable: the glue reads the pixels into a plain buffer and installs the result.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

// Pixels as COLORREF values (R in the low byte), rows top-down.
struct RgbImage {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;
    uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

// A 1-bit image, rows top-down, the leftmost pixel in the high bit, 1 = white (palette
// entry 1), 0 = black; width rounded up to a multiple of 32.
struct BilevelImage {
    int Width = 0, Height = 0;
    int Pitch = 0;  // bytes per row
    std::vector<uint8_t> Bits;
    bool IsBlack(int x, int y) const { return !(Bits[size_t(y) * size_t(Pitch) + size_t(x / 8)] & (0x80 >> (x % 8))); }
    void SetBlack(int x, int y) { Bits[size_t(y) * size_t(Pitch) + size_t(x / 8)] &= uint8_t(~(0x80 >> (x % 8))); }
};

constexpr int kDefaultSensitivity = 100;  // S
constexpr int kDefaultDensity = 250;      // D
constexpr int kSensitivityMin = 10, kSensitivityMax = 300;
constexpr int kDensityMin = 50, kDensityMax = 2200;
// Which neighbours the edge extraction compares.
enum EdgeTest : int {
    kTestHorizontal = 0x1,
    kTestVertical = 0x2,
    kTestBelowRight = 0x4,
    kTestBelowLeft = 0x8,
};
constexpr int kDialogTestMask = kTestHorizontal | kTestVertical;

int ColourDistanceSquared(uint32_t a, uint32_t b);  // 30 dR² + 59 dG² + 11 dB²
int ColourDistanceLinear(uint32_t a, uint32_t b);   // (30|dR| + 59|dG| + 11|dB|) / 14

// A white image of the rounded width; false when the size cannot be held.
bool MakeWhiteMono(int width, int height, BilevelImage& out);

// Every pixel darker than `threshold` in any channel becomes black; 255 is the plain
// conversion (only pure white stays white). Pixels beyond the source width are white.
bool SimpleMonochrome(const RgbImage& image, BilevelImage& out, int threshold = 255);

// Row progress: called with each examined row.
using RowProgress = std::function<void(int row)>;

// Edge extraction with sensitivity S, density D and a test mask: a one-pixel black frame,
// then outline and density-change marks row by row (the last row is not examined).
bool ExtractEdges(const RgbImage& image, int sensitivity, int density, int testMask, BilevelImage& out,
                  const RowProgress& progress = nullptr);

// "変換時間 %02d:%02d:%02d. %03d" parts of the time between two local clock readings given
// as milliseconds since midnight; hours wrap by 24.
struct ElapsedParts {
    int Hours, Minutes, Seconds, Milliseconds;
};
ElapsedParts ElapsedBetween(int64_t startMs, int64_t endMs);
