// The window size dialog's arithmetic: which view size is asked for, and the outer window
// size that gives the view exactly that size.
#pragma once
#include <string_view>

struct Size2 {
    int Width, Height;
};

// Windows keeps window coordinates in 16 bits: no side beyond this.
constexpr int kMaxViewSide = 32767;

// A typed side: a whole number in 1..32767; false for anything else.
bool ParseViewSide(std::string_view text, int& side);

// The preset of radio button `index` (0..3: QVGA, VGA, SVGA, XGA).
Size2 PresetViewSize(int index);

// The outer window size for a view of `view`, with `frame` what the frame and menu add to
// a client area (AdjustWindowRectEx) and the bars that are shown below and above the view.
Size2 OuterSizeForView(Size2 view, Size2 frame, bool statusBar, bool toolBar);

// An outer size the system accepts: each side at least 1 and at most `largest` (the largest
// window it tracks), so fitting a huge image gives the largest window, not a wrapped one.
Size2 ClampOuterSize(Size2 outer, Size2 largest);

// When the client came out other than wanted (a menu bar that wrapped onto two lines), the
// outer size that corrects it.
Size2 CorrectOuterSize(Size2 outer, Size2 wantedClient, Size2 gotClient);
