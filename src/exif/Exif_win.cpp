#include "exif/Exif_win.h"

#include <shellapi.h>

#include "exif/ExifParser.h"

namespace {

InfoReport g_InfoReport;

}  // namespace

int ParseJpegMarkers(const uint8_t* data, size_t size, ExifSummary& summary) {
    return ParseJpegMarkers(data, size, summary, g_InfoReport);
}

const InfoReport& CurrentInfoReport() { return g_InfoReport; }

int MapCommand(HWND wnd, const char* mapLink) {
    if (mapLink[0] == 0) {
        MessageBoxA(wnd, "ＧＰＳ情報がありません", "Error", MB_OK);
        return -1;
    }
    ShellExecuteA(nullptr, "open", mapLink, nullptr, nullptr, SW_SHOW);
    return 0;
}
