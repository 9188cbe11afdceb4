// The rows of embedded information (Exif and XP texts) drawn over the image, and their
// character cell. Portable: the painting glue makes the font and calls TextOutA per row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exif/ExifSummary.h"

constexpr int kOverlayWindowMode = 0;
constexpr int kOverlaySaveMode = 3;
constexpr uint32_t kInfoBurnIntoSavedImage = 0x80000000u;   // InfoFlags bit 31

struct OverlayArea { int Left = 0, Top = 0, Right = 0, Bottom = 0; };

// Font: height 2N, width N. Rows are right-aligned by CellWidth x text bytes.
struct OverlayCell { int N = 8, CellWidth = 9, LineHeight = 20, OffsetX = 0, OffsetY = 0; };

struct OverlayRow { int X = 0, Y = 0; std::string Text; };   // Text: Shift-JIS bytes

struct OverlayLayout {
    OverlayCell Cell;
    std::vector<OverlayRow> Rows;
};

// mode: kOverlayWindowMode paints the window; kOverlaySaveMode draws the whole image at 1:1
// (imageHeight sizes the font, (destX, destY) offsets every row) and yields no rows unless
// InfoFlags bit 31 is set. Rows whose text is empty are left out.
OverlayLayout LayoutOverlay(uint32_t infoFlags, const ExifSummary& summary, int mode,
                            const OverlayArea& area, int imageHeight, int destX, int destY);

// "%d/%2d/%2d(weekday) %2d:%02d" of the shooting time, weekday as Shift-JIS.
std::string ShotDateRowText(const SystemTime& time);
