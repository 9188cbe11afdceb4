#pragma once
#include <windows.h>

// Replaces the current bitmap with its 1-bit conversion: mode 0 plain, otherwise edge
// extraction with the mode as test mask. 0 on success.
int MakeMonochrome(HWND wnd, int mode, HWND progressBar);
// Command 140: the monochrome dialog.
int MonochromeCommand(HWND wnd);
