// The JPEG marker and Exif walk of the current image, the information window and the map
// command.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ExifSummary;
class InfoReport;

// Walks the current file's bytes into `summary` and the process-wide report. Returns 0.
int ParseJpegMarkers(const uint8_t* data, size_t size, ExifSummary& summary);
// The report of the last walk.
const InfoReport& CurrentInfoReport();

// Command 132 and key E: the information window with the report (or why there is none).
int InfoCommand(HWND wnd, bool currentIsJpeg);
// Command 195: opens the map link of the current photograph, or says there is none.
int MapCommand(HWND wnd, const char* mapLink);
