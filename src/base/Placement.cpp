#include "base/Placement.h"

IntPoint PlacePosition(int mode, const IntRect& desktop, int width, int height) {
    int dw = desktop.Right - desktop.Left;
    int dh = desktop.Bottom - desktop.Top;
    switch (mode) {
    case kPlaceTopRight: return {desktop.Right - width, 0};
    case kPlaceBottomRight: return {desktop.Right - width, desktop.Bottom - height};
    case kPlaceRightMiddle: return {desktop.Right - width, (dh - height) / 2};
    default: return {(dw - width) / 2, (dh - height) / 2};
    }
}
