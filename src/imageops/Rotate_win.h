// Turning the current image: by a quarter (commands 130, 131) and by any angle, with the
// two-point straightening that picks the angle from an edge in the picture.
#pragma once
#include <windows.h>

// 90 (right) or 270 (left). 0 when the image was turned; -1 after a message (image kept).
int RotateQuarter(HWND wnd, int degrees);
// Any angle in radians, the width rounded up to a multiple of 32 and the corners white.
int RotateByAngle(HWND wnd, double radians);

// Straightening, as an editing state: the state to keep after entering (message 0) and
// after each mouse message.
int StraightenStep(HWND wnd, UINT msg, int state, LPARAM lp);
// Leaves straightening, erasing the guide.
int StraightenEscape(HWND wnd, int state);
