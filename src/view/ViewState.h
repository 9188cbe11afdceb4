// The view's mapping between image pixels and window pixels: the fit, zoom and scroll input.
// Portable: the window procedure reads the client area and replays the results.
#pragma once

struct ViewState {
    int SourceX = 0, SourceWidth = 0, SourceY = 0, SourceHeight = 0;   // requested region, image pixels
    int DestX = 0, DestY = 0, DestWidth = 0, DestHeight = 0;           // window pixels, set by the fit
    int DrawWidth = 0, DrawHeight = 0;                                 // source extent actually stretched
    float Scale = 1.0f;                                                // image pixels per window pixel
    int ImageWidth = 0, ImageHeight = 0;                               // 0 = no image
};

struct ViewMapping { int DestX, DestY, SourceX, SourceY; float Scale; };
ViewMapping MappingOf(const ViewState& view);

// Client rectangle of the main window and which bars take part of it.
struct ClientLayout { int Width, Height; bool StatusBarShown, ToolBarShown; };

constexpr int kToolBarHeight = 28;
constexpr int kStatusBarHeight = 20;

// The part of the client area the picture is shown in: between the tool bar and the status
// bar, whichever are shown. Painting, the metafile copy, saving the screen and the window
// size all take it from here.
struct ViewArea {
    int Left, Top, Right, Bottom;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};
int BarsHeight(bool toolBarShown, bool statusBarShown);
ViewArea ViewAreaOf(int clientWidth, int clientHeight, bool toolBarShown, bool statusBarShown);

// Both truncate toward zero after rounding to a 32-bit float, as every drawing step expects.
int ImageToWindow(int value, int origin, float scale);
int WindowToImage(int offset, int origin, float scale);

void SetWholeImage(ViewState& view);
// Keeps a requested region inside the image after the image changed under a kept view.
void ClampSourceToImage(ViewState& view);
bool IsWholeImage(const ViewState& view);

// Widens the requested region to the window's proportions keeping its top-left corner and
// centres the image along an axis where it ends. False when nothing was done: no image, or
// a view area of 2 pixels or less (minimised window).
bool RefitView(ViewState& view, const ClientLayout& client);

enum class ViewKey { Left, Right, Up, Down, PageUp, PageDown };
// PreviousEntry/NextEntry: the shell navigates the catalogue (and beeps at the ends).
enum class ViewAction { None, Repaint, PreviousEntry, NextEntry };

ViewAction ApplyViewKey(ViewState& view, ViewKey key, const ClientLayout& client);
// delta < 0: the wheel turned toward the user. Entries change only when allowed; no beep.
ViewAction ApplyWheel(ViewState& view, int delta, int currentIndex, int lastIndex);

// Zooms to the rectangle from start (sx, sy) to release point (px, py), window coordinates;
// outerWidth x outerHeight is the main window's outer size. Refits; the caller invalidates.
void ZoomToRectangle(ViewState& view, int sx, int sy, int px, int py,
                     int outerWidth, int outerHeight, const ClientLayout& client);

// 0 while the point is within about 17 pixels of the start, else the clock position
// 1, 2, 4, 5, 7, 8, 10 or 11 of the point seen from the start.
int ClassifyDirection(int sx, int sy, int px, int py);
