// Portable pieces of start-up and the main window: the command line, window placement,
// the saved position check, the status-bar layout and the update check's arithmetic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Limits.h"     // kPathBytes
#include "view/ViewState.h"  // bar heights

// 0: no file given, 1: path copied, -1: the path does not fit `size` bytes (refused).
int ParseCommandLine(std::string_view commandLine, char* out, size_t size);

struct IntRect {
    int Left, Top, Right, Bottom;
};
struct IntPoint {
    int X, Y;
};

// Top-left corner for a window of the given size. Modes: 0 centred, 1 top-right,
// 2 bottom-right, 3 right edge and centred vertically.
IntPoint PlacePosition(int mode, const IntRect& desktop, int width, int height);

struct WindowRect {
    int Left, Top, Width, Height;
};
constexpr WindowRect kDefaultWindowRect{0, 0, 800, 600};

// A saved position off the desktop (or a size that cannot be a window) gives the default.
WindowRect ValidateSavedPosition(const WindowRect& saved, const IntRect& desktop);

// Right edges of the three status-bar parts for a client width.
struct StatusParts {
    int Edge[3];
};
StatusParts StatusPartEdges(int clientWidth);

// Height of the view between the bars.
int ViewHeight(int clientHeight, bool statusBarShown, bool toolBarShown);


// Local date as the update check stores it.
int32_t DayNumber(int year, int month, int day);
constexpr int kUpdateCheckDays = 14;
constexpr int64_t kThisVersion = 20250122;

// The decimal number at the start of the server's reply; -1 when there is none.
int64_t ParseVersionReply(const char* bytes, size_t size);
