// Commands 193 and 194 of the pop-up menu: the Exif-free "Ne_" copy of the current file and
// its file times set to the shooting time.
#pragma once
#include <windows.h>

int RemoveExifCommand(HWND wnd, LPARAM);
int SetShotTimeCommand(HWND wnd, LPARAM);
// Whether the pop-up items are offered, read from the current file on disk.
bool CurrentHasExif();
bool CurrentTimesDifferFromShot();
