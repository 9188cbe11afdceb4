#include "vectorize/VectorOutput_win.h"

#include <commctrl.h>

#include <string>

#include "base/SafeFile.h"
#include "jww/JwwClipboard_win.h"
#include "resources/resource.h"
#include "vectorize/VectorOutput.h"

namespace {

void ShowError(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), "Error!", MB_OK | MB_ICONEXCLAMATION);
}

int WriteTextFile(HWND dlg, const char* fileName, int dpi, int scale) {
    SetDlgItemTextA(dlg, IDC_VEC_STATUS, "書込中");
    HWND bar = GetDlgItem(dlg, IDC_VEC_PROGRESS_COLUMN);
    SendMessageA(bar, PBM_SETRANGE32, 1, 100);
    SafeFile file(fileName);
    bool written = file.Ok() && WriteVectorText(
        p_ta, dpi, scale, [&file](const char* data, size_t size) { return file.Write(data, size); },
        [bar](int percent) { SendMessageA(bar, PBM_SETPOS, WPARAM(percent), 0); });
    const SaveResult result = written ? file.Commit() : file.Result();
    if (result == SaveResult::Saved) return 0;
    ShowError(dlg, std::string(SaveResultText(result)) + "\n" + fileName);
    return -1;
}

int PutClipboardBlock(HWND dlg, int dpi, int scale) {
    HGLOBAL block = AllocJwBlock(dlg, VectorBlockBytes(p_ta));
    if (!block) return -1;
    auto* data = static_cast<uint8_t*>(GlobalLock(block));
    const size_t used = data ? BuildVectorBlock(p_ta, dpi, scale, data, GlobalSize(block)) : 0;
    GlobalUnlock(block);
    if (used == 0) {
        GlobalFree(block);
        ShowError(dlg, "メモリー確保失敗");
        return -1;
    }
    return PutJwClipboard(dlg, block);
}

}  // namespace

int WriteVectorOutput(HWND dlg, const char* fileName, int dpi, int scale) {
    if (p_ta.LineCount() == 0) {
        ShowError(dlg, "出力するラインがありません");
        return -1;
    }
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int rc = fileName[0] ? WriteTextFile(dlg, fileName, dpi, scale) : PutClipboardBlock(dlg, dpi, scale);
    SetCursor(old);
    return rc;
}
