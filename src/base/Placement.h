// Window rectangles and where a dialog goes on the desktop.
#pragma once

struct IntRect {
    int Left, Top, Right, Bottom;
};
struct IntPoint {
    int X, Y;
};
struct WindowRect {
    int Left, Top, Width, Height;
};
constexpr WindowRect kDefaultWindowRect{0, 0, 800, 600};

enum PlaceMode { kPlaceCentre = 0, kPlaceTopRight = 1, kPlaceBottomRight = 2, kPlaceRightMiddle = 3 };

// Top-left corner for a window of the given size on the desktop.
IntPoint PlacePosition(int mode, const IntRect& desktop, int width, int height);
