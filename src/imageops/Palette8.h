// An 8-bit copy of a picture for writers that need a palette: the platform's GIF encoder
// spoils pictures it has to reduce itself.
#pragma once
#include "imageops/DibPixels.h"

// The exact colours when the picture has 256 or fewer, so graffiti on a drawing keeps its
// own; otherwise a median-cut palette of up to 256 with every pixel taking its nearest entry,
// undithered so that lines stay crisp. The palette holds only the entries used. False for a
// malformed source or when the result cannot be held. `out` may be `source`.
bool ReduceTo8Bit(const DibPixels& source, DibPixels& out);

// Only the first step of ReduceTo8Bit: the exact colours, in order of first appearance.
// False (and `out` untouched) when the picture has more than 256, is malformed or cannot be held.
bool ExactTo8Bit(const DibPixels& source, DibPixels& out);
