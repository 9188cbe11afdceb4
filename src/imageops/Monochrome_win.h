#pragma once
#include <windows.h>

#include <string>

// Replaces the current bitmap with its 1-bit conversion: mode 0 plain, otherwise edge
// extraction with the mode as test mask. 0 on success.
int MakeMonochrome(HWND wnd, int mode, HWND progressBar);
// Command 140: the monochrome dialog.
int MonochromeCommand(HWND wnd);
// "変換時間 %02d:%02d:%02d. %03d" from `start` (a GetLocalTime reading) to now.
std::string ElapsedTimeText(const SYSTEMTIME& start);
