// Turning a picture: quarter turns as exact pixel permutations, the large-picture quarter turn
// with its 2x2 sub-pixel rule, turns by any angle, and the angle that straightens a dragged
// edge. Portable: the glue reads the bitmap into a DibPixels and installs the result.
//
// Paletted pictures keep their palette and indices. Where a result needs white (padding,
// pixels from outside the picture) or black (a vote), it takes the palette entry of exactly
// that colour; failing that a new entry if the palette has fewer than 2^depth entries;
// failing that the nearest entry.
//
// `dst` may be the source; otherwise its storage is reused.
#pragma once
#include <cstdint>

#include "imageops/DibPixels.h"

// 90 turns clockwise, 270 counter-clockwise; anything else is refused. The result is H x W:
// for 90, dst(c, r) = src(r, H-1-c); for 270, dst(c, r) = src(W-1-r, c).
bool QuarterTurnPixels(const DibPixels& src, int degrees, DibPixels& dst);

// The 2x2 rule of the large-picture quarter turn. Neighbours are (X,Y), (X+1,Y), (X,Y+1),
// (X+1,Y+1) as 0x00RRGGBB (white for those outside the picture); qx, qy (0..3) are the
// quarter of the pixel the sampling point falls in. The result is a neighbour's colour, or
// black / white from a weighted vote of the neighbours that are not pure white.
uint32_t VoteQuarter(int qx, int qy, const uint32_t n[4]);

// The quarter turn for large pictures: the result is W high and H rounded up to a multiple
// of 32 wide, the added columns white; the first H columns follow QuarterTurnPixels' mapping,
// each decided by VoteQuarter at the sampling point the turn's fixed-point start gives.
bool RotateQuarterVote(const DibPixels& src, int degrees, DibPixels& dst);
// The same with the sampling point at a chosen place inside each source pixel (13-bit
// fractions along x and y).
bool RotateQuarterVoteAt(const DibPixels& src, int degrees, int fractionX, int fractionY, DibPixels& dst);

// A turn by `angle` radians about the centre, same size with the width rounded up to a
// multiple of 32; pixels whose source falls outside the picture are white.
bool RotateByAnglePixels(const DibPixels& src, double angle, DibPixels& dst);
