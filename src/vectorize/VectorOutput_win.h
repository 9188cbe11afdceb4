#pragma once
#include <windows.h>

// Writes the whole line store for JWW: the coordinate text file `fileName`, or the "Jw_win"
// clipboard block when it is empty. Shows progress in the conversion dialog and every
// failure in a message; 0 on success.
int WriteVectorOutput(HWND dialog, const char* fileName, int dpi, int scale);
