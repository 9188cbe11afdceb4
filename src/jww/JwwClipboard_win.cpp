#include "jww/JwwClipboard_win.h"

#include <cstddef>

#include "base/Report_win.h"

namespace {

// Another program may hold the clipboard for a moment (a clipboard viewer reading our last
// block); a short wait saves the user a failed export.
bool OpenClipboardPatiently(HWND window) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(window)) return true;
        Sleep(25);
    }
    return false;
}

}  // namespace

UINT JwClipboardFormat() { return RegisterClipboardFormatA("Jw_win"); }

HGLOBAL AllocJwBlock(HWND owner, uint64_t bytes) {
    HGLOBAL block = bytes <= uint64_t(SIZE_MAX) ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(bytes)) : nullptr;
    if (!block) ReportBox(owner, Box::ErrorBang, "メモリー確保失敗");
    return block;
}

int PutJwClipboard(HWND window, HGLOBAL block, HENHMETAFILE metafile) {
    const UINT format = JwClipboardFormat();
    auto release = [&] {
        if (block) GlobalFree(block);
        if (metafile) DeleteEnhMetaFile(metafile);
    };
    if (!format || !OpenClipboardPatiently(window)) {
        release();
        ReportBox(window, Box::ErrorBang, "クリップボードが開けません");
        return -1;
    }
    EmptyClipboard();
    bool set = true;
    if (block) {
        if (SetClipboardData(format, block))
            block = nullptr;
        else
            set = false;
    }
    if (metafile && set) {
        if (SetClipboardData(CF_ENHMETAFILE, metafile))
            metafile = nullptr;
        else
            set = false;
    }
    CloseClipboard();
    if (!set) {
        release();
        ReportBox(window, Box::ErrorBang, "クリップボードにデータを置けません");
        return -1;
    }
    return 0;
}
