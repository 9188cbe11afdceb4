#include "exif/Exif_win.h"

#include <shellapi.h>

#include "base/Report_win.h"
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
        ReportBox(wnd, Box::ErrorPlain, "ＧＰＳ情報がありません");
        return -1;
    }
    ShellExecuteA(nullptr, "open", mapLink, nullptr, nullptr, SW_SHOW);
    return 0;
}
