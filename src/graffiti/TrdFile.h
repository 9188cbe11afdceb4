// The .trd graffiti file over byte buffers: the current form is written, the current and the
// old form are read. Every integer is little-endian 32-bit, written and read field by field.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graffiti/GraffitiStore.h"

// Results of DecodeTrd besides 0.
constexpr int kTrdBadMagic = -6;  // not a graffiti file (also anything under 15 bytes)
constexpr int kTrdCorrupt = -7;   // a graffiti file, but damaged or beyond the store's capacities

// About 160 KB: callers allocate it on the heap and copy the store in only on success.
struct TrdContents {
    GraffitiStore Store;
    std::string Background;  // as stored: a bare file name or a full path; empty in the old form
    bool OldFormat = false;
};

// The current form. A background name is cut at a NUL and to kPathBytes - 1 bytes (on a
// character boundary), so everything written reads back.
std::vector<uint8_t> EncodeTrd(const GraffitiStore& store, std::string_view background);

// 0, kTrdBadMagic or kTrdCorrupt. Rejected: counts that are negative or above the capacities,
// a font name over 29 bytes, a text over 301 bytes or a background name of kPathBytes bytes or
// more without its NUL, a non-NUL byte after the current magic, and a file ending early. Bytes
// after the last text are ignored, as the format has no trailer to check them against. In the
// old form the fixed-size font and text fields are cut on a character boundary when they lack
// a NUL. `out` is written only when the whole file is good; otherwise it is left as it was.
int DecodeTrd(const uint8_t* data, size_t size, TrdContents& out);

// A bare file name (no folder, drive or device name) with an extension of an image the viewer
// opens, other than .trd: only such a background name is looked for beside a .trd file.
bool IsUsableBackgroundName(std::string_view name);

// The blank canvas for a layer shown without its image: the extent's maxima, each clamped to
// 1..kMaxImageSide.
void TrdCanvasSize(const GraffitiExtent& extent, int& w, int& h);
