#pragma once
#include <windows.h>

// Writes the whole line store for JWW: a coordinate text file, or "Jw_win" clipboard data
// when the file name is empty. 0 on success.
int WriteVectorOutput(HWND dialog, const char* fileName, int dpi, int scale);
