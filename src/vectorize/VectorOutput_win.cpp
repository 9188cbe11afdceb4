#include "vectorize/VectorOutput_win.h"

#include <commctrl.h>

#include <string>

#include "base/Report_win.h"
#include "base/SafeFile.h"
#include "jww/JwwClipboard_win.h"
#include "resources/resource.h"
#include "vectorize/VectorOutput.h"

namespace {

int WriteTextFile(HWND dlg, const char* fileName, int dpi, int scale) {
    SetDlgItemTextA(dlg, IDC_VEC_STATUS, "書込中");
    HWND bar = GetDlgItem(dlg, IDC_VEC_PROGRESS_COLUMN);
    SendMessageA(bar, PBM_SETRANGE32, 1, 100);
    SafeFile file(fileName);
    bool written = file.Ok() && WriteVectorText(
        g_Lines, dpi, scale, [&file](const char* data, size_t size) { return file.Write(data, size); },
        [bar](int percent) { SendMessageA(bar, PBM_SETPOS, WPARAM(percent), 0); });
    const SaveResult result = written ? file.Commit() : file.Result();
    if (result == SaveResult::Saved) return 0;
    ReportBox(dlg, Box::ErrorBang, std::string(SaveResultText(result)) + "\n" + fileName);
    return -1;
}

int PutClipboardBlock(HWND dlg, int dpi, int scale) {
    HGLOBAL block = AllocJwBlock(dlg, VectorBlockBytes(g_Lines));
    if (!block) return -1;
    auto* data = static_cast<uint8_t*>(GlobalLock(block));
    const size_t used = data ? BuildVectorBlock(g_Lines, dpi, scale, data, GlobalSize(block)) : 0;
    GlobalUnlock(block);
    if (used == 0) {
        GlobalFree(block);
        ReportBox(dlg, Box::ErrorBang, "メモリー確保失敗");
        return -1;
    }
    return PutJwClipboard(dlg, block);
}

}  // namespace

int WriteVectorOutput(HWND dlg, const char* fileName, int dpi, int scale) {
    if (g_Lines.LineCount() == 0) {
        ReportBox(dlg, Box::ErrorBang, "出力するラインがありません");
        return -1;
    }
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int rc = fileName[0] ? WriteTextFile(dlg, fileName, dpi, scale) : PutClipboardBlock(dlg, dpi, scale);
    SetCursor(old);
    return rc;
}
