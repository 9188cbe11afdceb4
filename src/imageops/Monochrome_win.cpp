// The monochrome dialog: reads the current bitmap into a plain buffer, converts it, and
// installs the 1-bit result as the current image.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "image/Image_win.h"
#include "imageops/Monochrome.h"
#include "imageops/Monochrome_win.h"
#include "resources/resource.h"

namespace {

// The edge extraction's two sliders, kept while the program runs.
struct EdgeParameters {
    int Sensitivity = 100;
    int Density = 250;
};
EdgeParameters g_Edges;

// The current bitmap as COLORREF pixels, rows top-down.
bool ReadPixels(HBITMAP bitmap, RgbImage& out) {
    BITMAP bm;
    if (!GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    out.Width = bm.bmWidth;
    out.Height = bm.bmHeight;
    out.Pixels.assign(size_t(bm.bmWidth) * size_t(bm.bmHeight), 0);
    BITMAPINFO bi = {};
    bi.bmiHeader = DibHeader(bm.bmWidth, -bm.bmHeight, 32);
    if (!ReadBitmapRows(bitmap, &bi, out.Pixels.data())) return false;
    for (uint32_t& p : out.Pixels) p = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);  // BGRA -> COLORREF
    return true;
}

// A bottom-up 1-bit DIB section with the palette (black, white), as the tracer reads it.
HBITMAP CreateMonoBitmap(const BilevelImage& m) {
    MonoDibInfo bi(m.Width, m.Height);
    bi.Colors[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, bi.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return nullptr;
    auto* dst = static_cast<uint8_t*>(bits);
    for (int y = 0; y < m.Height; ++y)
        memcpy(dst + size_t(m.Height - 1 - y) * size_t(m.Pitch), &m.Bits[size_t(y) * size_t(m.Pitch)], size_t(m.Pitch));
    return bmp;
}

int64_t MillisecondsOfDay(const SYSTEMTIME& t) {
    return ((int64_t(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

void EnableParameterControls(HWND dlg, bool enable) {
    for (int id : {IDC_MONO_DULL_LABEL, IDC_MONO_COARSE_LABEL, IDC_MONO_SENSITIVITY, IDC_MONO_DENSITY,
                   IDC_MONO_SHARP_LABEL, IDC_MONO_FINE_LABEL})
        EnableWindow(GetDlgItem(dlg, id), enable);
}

void RunConversion(HWND dlg) {
    HWND wnd = g_Host.MainWindow;
    SYSTEMTIME start;
    GetLocalTime(&start);
    bool simple = IsDlgButtonChecked(dlg, IDC_MONO_SIMPLE) == BST_CHECKED;
    if (!simple) {
        g_Edges.Sensitivity = 310 - int(SendDlgItemMessageA(dlg, IDC_MONO_SENSITIVITY, TBM_GETPOS, 0, 0));
        g_Edges.Density = 2250 - int(SendDlgItemMessageA(dlg, IDC_MONO_DENSITY, TBM_GETPOS, 0, 0));
    }
    if (MakeMonochrome(wnd, simple ? 0 : kDialogTestMask, GetDlgItem(dlg, IDC_MONO_PROGRESS)) != 0) return;
    g_Image.Edited = true;
    SetForegroundWindow(wnd);
    SetStatusText(0, ElapsedTimeText(start).c_str());
}

INT_PTR CALLBACK MonochromeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dlg, IDC_MONO_SENSITIVITY, TBM_SETRANGE, TRUE, MAKELPARAM(kSensitivityMin, kSensitivityMax));
        SendDlgItemMessageA(dlg, IDC_MONO_SENSITIVITY, TBM_SETPOS, TRUE, 310 - g_Edges.Sensitivity);
        SendDlgItemMessageA(dlg, IDC_MONO_DENSITY, TBM_SETRANGE, TRUE, MAKELPARAM(kDensityMin, kDensityMax));
        SendDlgItemMessageA(dlg, IDC_MONO_DENSITY, TBM_SETPOS, TRUE, 2250 - g_Edges.Density);
        PlaceWindow(dlg, kPlaceCentre);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_MONO_SIMPLE: EnableParameterControls(dlg, IsDlgButtonChecked(dlg, IDC_MONO_SIMPLE) != BST_CHECKED); return TRUE;
        case IDOK:
            RunConversion(dlg);
            EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int MakeMonochrome(HWND wnd, int mode, HWND progressBar) {
    RgbImage pixels;
    if (!HasImage() || !ReadPixels(g_Image.Current, pixels)) return -2;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    BilevelImage mono;
    bool ok;
    if (mode == 0) {
        ok = SimpleMonochrome(pixels, mono);
    } else {
        if (progressBar) SendMessageA(progressBar, PBM_SETRANGE32, 0, pixels.Height);
        int step = pixels.Height / 100 + 1;
        ok = ExtractEdges(pixels, g_Edges.Sensitivity, g_Edges.Density, mode, mono, [&](int row) {
            if (progressBar && row % step == 0) {
                SendMessageA(progressBar, PBM_SETPOS, WPARAM(row), 0);
                UpdateWindow(progressBar);
            }
        });
    }
    HBITMAP bitmap = ok ? CreateMonoBitmap(mono) : nullptr;
    SetCursor(old);
    if (!bitmap) {
        ReportBox(wnd, Box::Error, "白黒変換に必要なメモリを確保できません。");
        return -2;
    }
    ReplaceCurrentBitmap(bitmap, true);
    return 0;
}

std::string ElapsedTimeText(const SYSTEMTIME& start) {
    SYSTEMTIME end;
    GetLocalTime(&end);
    const ElapsedParts e = ElapsedBetween(MillisecondsOfDay(start), MillisecondsOfDay(end));
    char text[64];
    snprintf(text, sizeof text, "変換時間 %02d:%02d:%02d. %03d", e.Hours, e.Minutes, e.Seconds, e.Milliseconds);
    return text;
}

int MonochromeCommand(HWND wnd) {
    DialogBoxParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_MONOCHROME), wnd, MonochromeProc, 0);
    return 0;
}
