#pragma once
#include <windows.h>

class QorBmp;
// Walks the JPEG markers and Exif block of the current file bytes into the summary.
int ParseJpegMarkers(QorBmp& image, HWND owner);
