// The information window: the report of the current JPEG, modal, resizable, in a fixed-pitch
// font so its columns stay aligned.
#include <windows.h>

#include <cstddef>

#include "exif/ExifParser.h"
#include "exif/ExifResource.h"
#include "exif/Exif_win.h"
#include "base/Host_win.h"

namespace {

// An edit control breaks lines at "\r\n" only.
char g_Shown[2 * kInfoReportBytes + 2];
HFONT g_Font;
bool g_ShowingJpeg;

const char* ReportText() {
    // The report is rebuilt only for JPEG files: another type must not show the last JPEG's.
    if (!g_ShowingJpeg) return "JPEG ファイルではないため、Exif 情報はありません";
    return CurrentInfoReport().Text();
}

void ToWindowsLines(const char* text, char* out, size_t size) {
    size_t n = 0;
    for (; *text && n + 2 < size; ++text) {
        if (*text == '\n') out[n++] = '\r';
        out[n++] = *text;
    }
    out[n] = 0;
}

void LayOut(HWND dlg) {
    RECT rc;
    GetClientRect(dlg, &rc);
    RECT unit = {7, 7, 50, 14};  // margin and button size in dialog units
    MapDialogRect(dlg, &unit);
    HWND ok = GetDlgItem(dlg, IDOK);
    const int bw = unit.right, bh = unit.bottom, m = unit.left;
    MoveWindow(ok, rc.right - m - bw, rc.bottom - m - bh, bw, bh, TRUE);
    MoveWindow(GetDlgItem(dlg, IDC_EXIF_REPORT), m, m, rc.right - 2 * m, rc.bottom - 3 * m - bh, TRUE);
}

INT_PTR CALLBACK InfoProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND edit = GetDlgItem(dlg, IDC_EXIF_REPORT);
        if (!g_Font)
            g_Font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
        if (g_Font) SendMessageA(edit, WM_SETFONT, WPARAM(g_Font), FALSE);
        SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
        ToWindowsLines(ReportText(), g_Shown, sizeof g_Shown);
        SetWindowTextA(edit, g_Shown);
        SendMessageA(edit, EM_SETSEL, 0, 0);
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
        LayOut(dlg);
        PlaceWindow(dlg, kPlaceCentre);
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE;
    }
    case WM_SIZE: LayOut(dlg); return TRUE;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {240, 160};
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int InfoCommand(HWND wnd, bool currentIsJpeg) {
    g_ShowingJpeg = currentIsJpeg;
    DialogBoxParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_EXIF_INFO), wnd, InfoProc, 0);
    return 0;
}
