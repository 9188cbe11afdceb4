// Moving pixels between GDI bitmaps and DibPixels.
#pragma once
#include <windows.h>

#include "imageops/DibPixels.h"

// The bitmap's rows at `bitCount` (1, 8, 24 or 32), or at its own depth when 0 (other
// depths read as 24 bits); 1- and 8-bit reads bring the palette. False when the bitmap
// cannot be read or held.
bool ReadDibPixels(HBITMAP bitmap, int bitCount, DibPixels& out);
// A DIB section holding the pixels (and palette); null when it cannot be created.
HBITMAP CreateBitmapFromPixels(const DibPixels& pixels);
