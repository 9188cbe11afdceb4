// The JPEG marker and Exif walk of the current image, the information window and the map
// command.
#pragma once
#include <windows.h>

class QorBmp;
class InfoReport;

// Walks the current file bytes into image.Exif and the process-wide report. Returns 0.
int ParseJpegMarkers(QorBmp& image, HWND owner);
// Reads a file for its metadata only (batch conversion): resets the summary, releases the
// image, and for a .jpg/.jpeg file reads it whole and walks it. Returns 0.
int LoadJpegMetadata(QorBmp& image, HWND owner, const char* path);
// The report of the last walk.
const InfoReport& CurrentInfoReport();

// Command 132 and key E: the information window with the report.
int InfoCommand(HWND wnd);
// Command 195: opens the map link of the current photograph, or says there is none.
int MapCommand(HWND wnd);
