// The conversion dialog "変換設定": traces the current 1-bit image into the line store,
// recompresses, clears, and keeps the running total. Tracing runs on the main thread and
// takes one waiting message per tile, which is how the "中止" button reaches it.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/FileDialog_win.h"
#include "base/Host_win.h"
#include "base/Limits.h"
#include "base/Report_win.h"
#include "image/Image_win.h"
#include "imageops/Monochrome.h"
#include "resources/resource.h"
#include "vectorize/ConversionSettings.h"
#include "vectorize/LineStore_win.h"
#include "vectorize/Tracer.h"
#include "vectorize/VectorOutput_win.h"
#include "view/View_win.h"

namespace {

ConversionSettings g_Conversion;
HWND g_Dialog = nullptr;
bool g_Busy = false;
bool g_CancelRequested = false;
bool g_CloseRequested = false;

// The lines of the last conversion when it was a "芯線" one: records first+1 .. end of the
// store, traced from region. "再 圧 縮" traces them again instead of merging them, since the
// compressor would pull apart the corners the lines share.
struct CentreRun {
    bool Valid = false;
    int32_t First = 0, End = 0;
    ImageRegion Region;
};
CentreRun g_CentreRun;

constexpr int kLevelButtons[] = {IDC_VEC_LEVEL1, IDC_VEC_LEVEL2, IDC_VEC_LEVEL3,
                                 IDC_VEC_LEVEL4, IDC_VEC_LEVEL5, IDC_VEC_LEVEL6};

void SetText(HWND dlg, int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); }

void ShowTotal(HWND dlg) {
    SetText(dlg, IDC_VEC_TOTAL, "総変換ライン数= " + FormatThousands(g_Conversion.TotalLines / 10000) + "万本");
}

void ShowLines(HWND dlg) { SetText(dlg, IDC_VEC_STATUS, FormatThousands(g_Lines.LineCount()) + " Lines"); }

void ResetBars(HWND dlg) {
    SendDlgItemMessageA(dlg, IDC_VEC_PROGRESS_COLUMN, PBM_SETPOS, 0, 0);
    SendDlgItemMessageA(dlg, IDC_VEC_PROGRESS_ROW, PBM_SETPOS, 0, 0);
}

struct Controls {
    int level = kDefaultLevel;
    bool outline = false;
    bool centre = false;
    char fileName[kPathBytes] = {};
};

// Shows what is wrong with a control's text and puts the caret there.
bool Refuse(HWND dlg, int id, const char* message) {
    ReportBox(dlg, Box::ErrorWarning, message);
    HWND control = GetDlgItem(dlg, id);
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
    return false;
}

// The settings as the controls hold them; false (after saying why) when one is unusable,
// and then nothing may be traced or written with them.
bool ReadControls(HWND dlg, Controls& c) {
    char text[64];
    GetDlgItemTextA(dlg, IDC_VEC_DPI, text, sizeof text);
    if (const char* why = CheckDpiText(text, g_Conversion.Dpi)) return Refuse(dlg, IDC_VEC_DPI, why);
    GetDlgItemTextA(dlg, IDC_VEC_SCALE, text, sizeof text);
    if (const char* why = CheckScaleText(text, g_Conversion.Scale)) return Refuse(dlg, IDC_VEC_SCALE, why);
    // Read into more room than a path takes, so a longer name is refused instead of cut.
    char name[kPathBytes + 64];
    GetDlgItemTextA(dlg, IDC_VEC_FILENAME, name, sizeof name);
    if (const char* why = CheckOutputName(name)) return Refuse(dlg, IDC_VEC_FILENAME, why);
    snprintf(c.fileName, sizeof c.fileName, "%s", name);
    snprintf(g_Settings.OutputFile, sizeof g_Settings.OutputFile, "%s", name);
    for (int i = 0; i < 6; ++i)
        if (IsDlgButtonChecked(dlg, kLevelButtons[i]) == BST_CHECKED) {
            c.level = i + 1;
            break;
        }
    int code = LevelCode(c.level, IsDlgButtonChecked(dlg, IDC_VEC_SOLID) == BST_CHECKED,
                         IsDlgButtonChecked(dlg, IDC_VEC_OUTLINE) == BST_CHECKED);
    c.level = code % 10;
    c.outline = code / 10 != 0;
    c.centre = IsDlgButtonChecked(dlg, IDC_VEC_CENTRE) == BST_CHECKED;
    return true;
}

// "参照...": the output file chosen in the save dialog.
void BrowseOutputName(HWND dlg) {
    char name[kPathBytes] = {};
    GetDlgItemTextA(dlg, IDC_VEC_FILENAME, name, sizeof name);
    FileNameQuestion q;
    q.Title = "出力座標ファイル名";
    q.Filter = "座標ファイル (*.txt)\0*.txt\0すべてのファイル (*.*)\0*.*\0";
    q.DefaultExtension = "txt";
    q.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (AskFileName(dlg, FileNameKind::Save, q, name, sizeof name)) SetDlgItemTextA(dlg, IDC_VEC_FILENAME, name);
}

// The part of the image the view shows; the whole image when it is shown fitted.
ImageRegion DisplayedRegion() {
    if (IsWholeImage(g_View)) return {};
    return {g_View.SourceX, g_View.SourceY, g_View.SourceWidth, g_View.SourceHeight};
}

// The current bitmap as bottom-up 1-bit rows; ink is the darker palette entry.
bool ReadMonoBits(std::vector<uint8_t>& storage, MonoBits& bits) {
    BITMAP bm;
    if (!HasImage() || !GetObjectA(g_Image.Current, sizeof bm, &bm) || bm.bmBitsPixel != 1) return false;
    MonoDibInfo bi(bm.bmWidth, bm.bmHeight);
    const size_t stride = (size_t(bm.bmWidth) + 31) / 32 * 4;
    storage.assign(stride * size_t(bm.bmHeight), 0);
    if (!ReadBitmapRows(g_Image.Current, bi.Info(), storage.data())) return false;
    const RGBQUAD &c0 = bi.Colors[0], &c1 = bi.Colors[1];
    bits = {storage.data(), bm.bmWidth, bm.bmHeight, stride, true,
            InkBitFromPalette(c0.rgbRed, c0.rgbGreen, c0.rgbBlue, c1.rgbRed, c1.rgbGreen, c1.rgbBlue)};
    return true;
}

// One waiting message per call: a release of the left button on "中止" cancels, anything
// else is handled as usual, so the program stays alive during a long conversion.
bool PumpOneMessage(HWND dlg, const TraceProgress& p) {
    if (p.Refresh) {
        SendDlgItemMessageA(dlg, IDC_VEC_PROGRESS_COLUMN, PBM_SETRANGE32, WPARAM(p.ColumnMin), LPARAM(p.ColumnMax));
        SendDlgItemMessageA(dlg, IDC_VEC_PROGRESS_COLUMN, PBM_SETPOS, WPARAM(p.ColumnPos), 0);
        SendDlgItemMessageA(dlg, IDC_VEC_PROGRESS_ROW, PBM_SETRANGE32, WPARAM(p.RowMin), LPARAM(p.RowMax));
        SendDlgItemMessageA(dlg, IDC_VEC_PROGRESS_ROW, PBM_SETPOS, WPARAM(p.RowPos), 0);
        SetText(dlg, IDC_VEC_STATUS, FormatThousands(p.Lines) + " Lines");
    }
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_LBUTTONUP && msg.hwnd == GetDlgItem(dlg, IDC_VEC_CONVERT)) return true;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return true;
        }
        if (!IsDialogMessageA(dlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // The button pressed from the keyboard, or the dialog closed meanwhile.
    return g_CancelRequested;
}

std::string ElapsedText(const SYSTEMTIME& start) {
    SYSTEMTIME end;
    GetLocalTime(&end);
    auto ms = [](const SYSTEMTIME& t) { return (int64_t(t.wHour) * 3600 + t.wMinute * 60 + t.wSecond) * 1000; };
    ElapsedParts e = ElapsedBetween(ms(start), ms(end));
    char text[96];
    snprintf(text, sizeof text, "%s Lines\n変換時間 %02d:%02d:%02d", FormatThousands(g_Lines.LineCount()).c_str(), e.Hours,
             e.Minutes, e.Seconds);
    return text;
}

void FinishOutput(HWND dlg, const Controls& c, const SYSTEMTIME& start) {
    WriteVectorOutput(dlg, c.fileName, g_Conversion.Dpi, g_Conversion.Scale);
    char count[32];
    snprintf(count, sizeof count, "%7d Lines", int(g_Lines.LineCount()));
    SetText(dlg, IDC_VEC_STATUS, count);
    SetText(dlg, IDC_VEC_STATUS, ElapsedText(start));
    ResetBars(dlg);
}

// Traces the current image into the store; kTraceStopped after telling the user when it is
// not a 1-bit picture.
int RunTrace(HWND dlg, const TraceOptions& options) {
    std::vector<uint8_t> storage;
    MonoBits bits;
    if (!ReadMonoBits(storage, bits)) {
        ReportBox(dlg, Box::ErrorPlain, "白黒ビットマップではありません\n白黒に変換してからこの操作を行ってください");
        return kTraceStopped;
    }
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int rc = TraceImage(bits, options, g_Lines, [dlg](const TraceProgress& p) { return PumpOneMessage(dlg, p); });
    SetCursor(old);
    return rc;
}

void Convert(HWND dlg) {
    Controls c;
    if (!ReadControls(dlg, c)) return;
    g_Busy = true;
    g_CancelRequested = false;
    for (int id : {IDC_VEC_CLEAR, IDC_VEC_RECOMPRESS, IDC_VEC_CLEAR_TOTAL}) EnableWindow(GetDlgItem(dlg, id), FALSE);
    SetDlgItemTextA(dlg, IDC_VEC_CONVERT, "中止");
    SYSTEMTIME start;
    GetLocalTime(&start);
    const ImageRegion region = DisplayedRegion();
    const int32_t before = g_Lines.EndpointCount();
    const int rc = RunTrace(dlg, c.centre ? CentreOptionsFor(c.level, region) : TraceOptionsFor(c.level, c.outline, region));
    g_CentreRun = {c.centre, before, g_Lines.EndpointCount(), region};
    SetText(dlg, IDC_VEC_TOTAL, "変換終了");
    if (rc == kTraceDone) {
        // A long-used total stops at the top instead of turning negative.
        g_Conversion.TotalLines = int32_t(std::min<int64_t>(int64_t(g_Conversion.TotalLines) + g_Lines.LineCount(), INT32_MAX));
        ShowTotal(dlg);
        FinishOutput(dlg, c, start);
        EnableWindow(GetDlgItem(dlg, IDC_VEC_CLEAR), TRUE);
        EnableWindow(GetDlgItem(dlg, IDC_VEC_RECOMPRESS), TRUE);
    } else if (rc == kTraceTooLarge) {
        ReportBox(dlg, Box::ErrorPlain, "範囲が大きすぎます");
    } else if (rc == kTraceStoreFull) {
        char text[160];
        snprintf(text, sizeof text, "ラインが上限の %s 本に達したため、変換を途中で終了しました。",
                 FormatThousands(g_Lines.LineCount()).c_str());
        ReportBox(dlg, Box::ErrorWarning, text);
        ShowLines(dlg);
        EnableWindow(GetDlgItem(dlg, IDC_VEC_CLEAR), TRUE);
    } else if (rc == kTraceNoMemory) {
        ReportBox(dlg, Box::ErrorWarning, kTraceNoMemoryText);
        ShowLines(dlg);
        EnableWindow(GetDlgItem(dlg, IDC_VEC_CLEAR), TRUE);
    }
    EnableWindow(GetDlgItem(dlg, IDC_VEC_CLEAR_TOTAL), TRUE);
    SetDlgItemTextA(dlg, IDC_VEC_CONVERT, "ベクトル変換");
    g_Busy = false;
    g_Settings.InfoFlags |= kInfoVectorLines;
    NotifyChange(Change::Lines);
    RaiseMainWindow();
}

// The last "芯線" conversion traced again at the level now chosen, level 6 included.
void RetraceCentreRun(HWND dlg, const Controls& c, const SYSTEMTIME& start) {
    g_Busy = true;
    g_CancelRequested = false;
    g_Lines.TruncateLines(g_CentreRun.First);
    const int rc = RunTrace(dlg, CentreOptionsFor(c.level, g_CentreRun.Region));
    g_Busy = false;
    // Even cut short, the run's lines are still the last ones: the next try starts over.
    g_CentreRun.End = g_Lines.EndpointCount();
    if (rc == kTraceDone) {
        FinishOutput(dlg, c, start);
    } else {
        // The lines so far stay on screen, the file keeps the last full result.
        if (rc == kTraceTooLarge) ReportBox(dlg, Box::ErrorPlain, "範囲が大きすぎます");
        if (rc == kTraceStoreFull) ReportBox(dlg, Box::ErrorWarning, StoreFullText(g_Lines).c_str());
        if (rc == kTraceNoMemory) ReportBox(dlg, Box::ErrorWarning, kTraceNoMemoryText);
        ShowLines(dlg);
        ResetBars(dlg);
    }
    NotifyChange(Change::Lines);
    RaiseMainWindow();
}

void Recompress(HWND dlg) {
    if (g_Lines.LineCount() == 0) return;
    Controls c;
    if (!ReadControls(dlg, c)) return;
    SYSTEMTIME start;
    GetLocalTime(&start);
    if (g_CentreRun.Valid && g_CentreRun.End == g_Lines.EndpointCount()) return RetraceCentreRun(dlg, c, start);
    CompressionParams params;
    if (RecompressionParams(c.level, params)) {
        g_Busy = true;
        g_CancelRequested = false;
        CompressRegion(g_Lines, DisplayedRegion(), params, [dlg](const TraceProgress& p) { return PumpOneMessage(dlg, p); });
        g_Busy = false;
    } else {
        ReportBox(dlg, Box::ErrorPlain, "圧縮率を指定してください");
    }
    FinishOutput(dlg, c, start);
    RaiseMainWindow();
}

void ChooseLineColour(HWND dlg) {
    static COLORREF custom[16];
    uint32_t colour = g_VectorLineColour;
    if (!ChooseColour(dlg, colour, custom)) return;
    g_VectorLineColour = colour;
    InvalidateRect(g_Host.MainWindow, nullptr, TRUE);
}

// What the user typed last is kept for next time, as far as it is usable; nothing is said
// about the rest on the way out.
void KeepUsableTexts(HWND dlg) {
    char text[kPathBytes + 64];
    GetDlgItemTextA(dlg, IDC_VEC_DPI, text, sizeof text);
    CheckDpiText(text, g_Conversion.Dpi);
    GetDlgItemTextA(dlg, IDC_VEC_SCALE, text, sizeof text);
    CheckScaleText(text, g_Conversion.Scale);
    GetDlgItemTextA(dlg, IDC_VEC_FILENAME, text, sizeof text);
    if (!CheckOutputName(text)) snprintf(g_Settings.OutputFile, sizeof g_Settings.OutputFile, "%s", text);
}

void CloseDialog(HWND dlg) {
    if (g_Busy) {
        // The conversion ends at the next tile; the dialog goes when it has.
        g_CancelRequested = true;
        g_CloseRequested = true;
        return;
    }
    KeepUsableTexts(dlg);
    g_Conversion.Centre = IsDlgButtonChecked(dlg, IDC_VEC_CENTRE) == BST_CHECKED;
    SaveConversionSettings(*MakeSettingsRegistry(), g_Conversion);
    DestroyWindow(dlg);
}

INT_PTR CALLBACK ConversionProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        g_Busy = false;
        g_CloseRequested = false;
        LoadConversionSettings(*MakeSettingsRegistry(), g_Conversion);
        g_CentreRun = {};
        if (g_Lines.CreateStore() != 0)
            ReportBox(dlg, Box::Error, "ベクトルデータ用のメモリを確保できません。");
        ShowTotal(dlg);
        ShowLines(dlg);
        SetDlgItemInt(dlg, IDC_VEC_DPI, UINT(g_Conversion.Dpi), FALSE);
        SetDlgItemInt(dlg, IDC_VEC_SCALE, UINT(g_Conversion.Scale), FALSE);
        SendDlgItemMessageA(dlg, IDC_VEC_FILENAME, EM_LIMITTEXT, kPathBytes - 1, 0);
        SetDlgItemTextA(dlg, IDC_VEC_FILENAME, g_Settings.OutputFile);
        // "輪郭線" is never remembered.
        CheckRadioButton(dlg, IDC_VEC_SOLID, IDC_VEC_CENTRE, g_Conversion.Centre ? IDC_VEC_CENTRE : IDC_VEC_SOLID);
        CheckRadioButton(dlg, IDC_VEC_LEVEL1, IDC_VEC_LEVEL6, IDC_VEC_LEVEL3);
        EnableWindow(GetDlgItem(dlg, IDC_VEC_CLEAR), FALSE);
        EnableWindow(GetDlgItem(dlg, IDC_VEC_RECOMPRESS), FALSE);
        PlaceWindow(dlg, kPlaceTopRight);
        InvalidateRect(g_Host.MainWindow, nullptr, TRUE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_VEC_CONVERT:
            if (g_Busy)
                g_CancelRequested = true;
            else
                Convert(dlg);
            if (g_CloseRequested) CloseDialog(dlg);
            return TRUE;
        case IDC_VEC_RECOMPRESS:
            if (!g_Busy) Recompress(dlg);
            if (g_CloseRequested) CloseDialog(dlg);
            return TRUE;
        case IDC_VEC_CLEAR:
            if (!g_Busy && g_Lines.LineCount() > 0) {
                g_Lines.ClearStore();
                g_CentreRun = {};
                ResetBars(dlg);
                EnableWindow(GetDlgItem(dlg, IDC_VEC_RECOMPRESS), FALSE);
                SetText(dlg, IDC_VEC_STATUS, "0 Lines");
                NotifyChange(Change::Lines);
            }
            return TRUE;
        case IDC_VEC_COLOUR: ChooseLineColour(dlg); return TRUE;
        case IDC_VEC_BROWSE: BrowseOutputName(dlg); return TRUE;
        case IDC_VEC_CLEAR_TOTAL:
            g_Conversion.TotalLines = 0;
            ShowTotal(dlg);
            return TRUE;
        case IDCANCEL: CloseDialog(dlg); return TRUE;
        }
        return FALSE;
    case WM_CLOSE: CloseDialog(dlg); return TRUE;
    case WM_DESTROY:
        if (g_Dialog == dlg) g_Dialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

bool ConversionBusy() { return g_Busy; }

int OpenToolDialog(HWND& slot, int resource, DLGPROC proc) {
    if (!HasImage()) return -2;
    if (slot) {
        SetFocus(slot);
        return 0;
    }
    slot = CreateDialogParamA(g_Host.Instance, MAKEINTRESOURCEA(resource), nullptr, proc, 0);
    if (slot) ShowWindow(slot, SW_SHOW);
    return 0;
}

int OpenConversionDialog(HWND) { return OpenToolDialog(g_Dialog, IDD_VECTORIZE, ConversionProc); }

HWND ConversionDialogWindow() { return g_Dialog; }

void CloseVectorDialog() {
    if (g_Dialog) SendMessageA(g_Dialog, WM_CLOSE, 0, 0);
}
