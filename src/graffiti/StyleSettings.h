// The line and text style dialogs' values: their registry values, and the style and size
// words built from what the controls hold. Portable, so the rules are tested without a window.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Settings.h"
#include "graffiti/GraffitiStore.h"

// TextSizeWord
constexpr uint32_t kSizeWidthMask = 0xFFF, kSizeHeightMask = 0xFFF000, kSizeWeightMask = 0xF000000;
constexpr uint32_t kSizeFixed = 1u << 28;
constexpr int32_t kMinCellWidth = 4, kMinCellHeight = 8, kMaxCellSide = 1000;
constexpr int kWeightCount = 7;
inline int32_t SizeCellWidth(uint32_t size) { return int32_t(size & kSizeWidthMask); }
inline int32_t SizeCellHeight(uint32_t size) { return int32_t((size & kSizeHeightMask) >> 12); }
inline int SizeWeightIndex(uint32_t size) { return int((size & kSizeWeightMask) >> 24); }
// The font weight of a weight index; 1 for an index outside 0..6.
int32_t WeightOfIndex(int index);

constexpr int32_t kMaxLineWidth = 100;
constexpr int kMaxSizeCode = 63;
constexpr size_t kRaWordBytes = 500, kRaFontBytes = 200;

// Left and upper edge of a dialog on the screen.
struct DialogPosition {
    int32_t X = 0, Y = 0;
};

// Line dialog: Ra_St02, Ra_St03, RColor, RColorB, RColorK, LineDX, LineDY. A missing value
// keeps its default; the left edge defaults to defaultX (screen right edge - dialog width).
void LoadLineStyle(SettingsRegistry& registry, GraffitiAttributes& a, DialogPosition& pos, int32_t defaultX);
void SaveLineStyle(SettingsRegistry& registry, const GraffitiAttributes& a, const DialogPosition& pos);
// Text dialog: Ra_Word, Ra_font, Ra_sz, Ra_St01, RColorM, RColorB, RColorK, WordDX, WordDY.
void LoadTextStyle(SettingsRegistry& registry, GraffitiAttributes& a, DialogPosition& pos, int32_t defaultX);
void SaveTextStyle(SettingsRegistry& registry, const GraffitiAttributes& a, const DialogPosition& pos);

// CR LF <-> backslash "n"; the second byte of a double-byte character is never taken for
// either, so the 0x5C of "表" before an "n" stays as it is.
std::string EscapeLineBreaks(std::string_view text);
std::string UnescapeLineBreaks(std::string_view text);

// Width edit: clamped to 0..100; no number keeps the previous width.
int32_t LineWidthFromText(std::string_view text, int32_t previous);

struct LineControls {
    int PenStyle = -1;  // 0..4 from the checked radio; -1 none checked
    bool Fill = false, Shadow = false;
    bool StartCircle = false, StartArrow = false;
    bool EndCircle = false, EndArrow = false;
    std::optional<int32_t> StartSize, EndSize;  // nullopt keeps the previous code
};
// Bits the dialog does not own are kept from previous; each size code stays in its 6 bits.
uint32_t LineStyleFromControls(uint32_t previous, const LineControls& c);

struct TextControls {
    int Frame = 0;  // 0..3
    bool Italic = false, StrikeOut = false, Underline = false, Fill = false, Shadow = false;
};
uint32_t TextStyleFromControls(uint32_t previous, const TextControls& c);

// W 4..1000, H 8..1000, weight index 0..6. A negative side (the -1 of a frame with no cell
// size) or a weight index outside 0..6 keeps the previous field; the other bits stay.
uint32_t TextSizeFromControls(uint32_t previous, int32_t w, int32_t h, int weightIndex, bool fixed);

// Copies text into the record-sized field, cut on a character boundary.
void SetAttributeText(GraffitiAttributes& a, std::string_view text);
void SetAttributeFont(GraffitiAttributes& a, std::string_view font);

// The second frame corner of a fixed-size text: W per column and H per row from (x1, y1),
// on the side where the old corner lay.
void FixedSizeCorner(int32_t x1, int32_t y1, int32_t& x2, int32_t& y2, uint32_t size, std::string_view text);

