// The shell's settings dialogs: display settings, window size, external programs and keys,
// and the about box.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/FileDialog_win.h"
#include "base/Report_win.h"
#include "base/SjisText.h"
#include "image/Image_win.h"
#include "resources/resource.h"
#include "shell/Keys.h"
#include "shell/Shell_win.h"
#include "shell/WindowSize.h"
#include "PixaroVersion.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Display settings (599)

// The chooser's custom colours live as long as the program.
COLORREF g_CustomColours[16] = {};

constexpr uint32_t kDisplayBits = kDisplaySmoothZoom | 0x02 | kDisplayFullPath | kDisplayFolderAndName;
constexpr uint32_t kWriteTextBit = 0x80000000u;

struct InfoCheck {
    int id;
    uint32_t bit;
};
constexpr InfoCheck kInfoChecks[] = {
    {IDC_DS_WRITE_TEXT, kWriteTextBit},
    {520, 1u << 16}, {521, 1u << 17}, {522, 1u << 18}, {523, 1u << 19}, {524, 1u << 20},
    {530, 1u << 9},  {531, 1u << 10}, {532, 1u << 12}, {533, 1u << 11}, {534, 1u << 8},
    {535, 1u << 13}, {536, 1u << 14}, {537, 1u << 15},
};
constexpr uint32_t kInfoBits = 0x001FFF00u | kWriteTextBit;

void CheckIf(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

void BrowsePluginFolder(HWND dlg) {
    BROWSEINFOA info = {};
    info.hwndOwner = dlg;
    info.lpszTitle = "フォルダを選択してください";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = LPARAM(g_Settings.PluginFolder[0] ? g_Settings.PluginFolder : nullptr);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return;
    char path[MAX_PATH] = "";
    if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dlg, IDC_DS_SPI_FOLDER, path);
    CoTaskMemFree(chosen);
}

void InitDisplaySettings(HWND dlg) {
    const uint32_t dc = g_Settings.DisplayFlags, di = g_Settings.InfoFlags;
    CheckIf(dlg, IDC_DS_SMOOTH, dc & kDisplaySmoothZoom);
    int title = (dc & kDisplayFullPath) ? IDC_DS_FULLPATH : (dc & kDisplayFolderAndName) ? IDC_DS_FOLDERNAME : IDC_DS_NAMEONLY;
    CheckRadioButton(dlg, IDC_DS_FULLPATH, IDC_DS_NAMEONLY, title);
    for (const InfoCheck& c : kInfoChecks) CheckIf(dlg, c.id, di & c.bit);
    SendDlgItemMessageA(dlg, IDC_DS_SPI_FOLDER, EM_LIMITTEXT, sizeof g_Settings.PluginFolder - 1, 0);
    SetDlgItemTextA(dlg, IDC_DS_SPI_FOLDER, g_Settings.PluginFolder);
    PlaceWindow(dlg, kPlaceCentre);
}

// False (the dialog stays open) when the folder does not fit its setting.
bool ApplyDisplaySettings(HWND dlg) {
    char folder[1024] = "";
    GetDlgItemTextA(dlg, IDC_DS_SPI_FOLDER, folder, sizeof folder);
    if (strlen(folder) >= sizeof g_Settings.PluginFolder) {
        ReportBox(dlg, Box::Error, "フォルダのパスが長すぎます。");
        return false;
    }
    uint32_t dc = g_Settings.DisplayFlags & ~kDisplayBits;
    if (Checked(dlg, IDC_DS_SMOOTH)) dc |= kDisplaySmoothZoom;
    if (Checked(dlg, IDC_DS_FULLPATH)) dc |= kDisplayFullPath;
    if (Checked(dlg, IDC_DS_FOLDERNAME)) dc |= kDisplayFolderAndName;
    uint32_t di = g_Settings.InfoFlags & ~kInfoBits;
    for (const InfoCheck& c : kInfoChecks)
        if (Checked(dlg, c.id)) di |= c.bit;
    CopySjis(g_Settings.PluginFolder, sizeof g_Settings.PluginFolder, folder);
    if (dc != g_Settings.DisplayFlags || di != g_Settings.InfoFlags) {
        g_Settings.DisplayFlags = dc;
        g_Settings.InfoFlags = di;
        InvalidateRect(g_Host.MainWindow, nullptr, TRUE);
    }
    return true;
}

INT_PTR CALLBACK DisplaySettingsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: InitDisplaySettings(dlg); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_DS_SPI_BROWSE: BrowsePluginFolder(dlg); return TRUE;
        case IDC_DS_COLOUR: {
            // The colour applies at once; Cancel of the dialog keeps it.
            uint32_t colour = g_Image.OverlayColor;
            if (ChooseColour(dlg, colour, g_CustomColours)) {
                g_Image.OverlayColor = colour;
                InvalidateRect(g_Host.MainWindow, nullptr, TRUE);
            }
            return TRUE;
        }
        case IDOK:
            if (ApplyDisplaySettings(dlg)) EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// Window size (1500)

HWND g_SizeDialog = nullptr;

// The wanted view size from the first checked button; false (and said why) when there is none.
bool WantedViewSize(HWND dlg, Size2& view) {
    for (int i = 0; i < 4; ++i)
        if (Checked(dlg, IDC_WS_QVGA + i)) {
            view = PresetViewSize(i);
            return true;
        }
    if (Checked(dlg, IDC_WS_FIT)) {
        if (!HasImage()) {
            ReportBox(dlg, Box::Error, "画像が表示されていません。");
            return false;
        }
        GetImageSize(view.Width, view.Height);
        view.Width = std::min(std::max(view.Width, 1), kMaxViewSide);
        view.Height = std::min(std::max(view.Height, 1), kMaxViewSide);
        return true;
    }
    if (!Checked(dlg, IDC_WS_ANY)) return false;
    for (int id : {IDC_WS_WIDTH, IDC_WS_HEIGHT}) {
        char text[64] = "";
        GetDlgItemTextA(dlg, id, text, sizeof text);
        if (!ParseViewSide(text, id == IDC_WS_WIDTH ? view.Width : view.Height)) {
            ReportBox(dlg, Box::ErrorWarning, "幅と高さは 1 ～ 32767 の数で入力してください。");
            SetFocus(GetDlgItem(dlg, id));
            SendDlgItemMessageA(dlg, id, EM_SETSEL, 0, -1);
            return false;
        }
    }
    return true;
}

Size2 ClientSize(HWND wnd) {
    RECT rc;
    GetClientRect(wnd, &rc);
    return {int(rc.right - rc.left), int(rc.bottom - rc.top)};
}

// The main window resized so that its view measures `view`. The frame comes from the
// window's own style and menu; a menu bar that wraps at the new width is measured and made
// up for in a second step.
void ResizeMainWindow(Size2 view) {
    HWND wnd = g_Host.MainWindow;
    if (IsZoomed(wnd) || IsIconic(wnd)) ShowWindow(wnd, SW_RESTORE);
    RECT r = {0, 0, 100, 100};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongA(wnd, GWL_STYLE)), GetMenu(wnd) != nullptr,
                       DWORD(GetWindowLongA(wnd, GWL_EXSTYLE)));
    const Size2 frame = {int(r.right - r.left) - 100, int(r.bottom - r.top) - 100};
    const Size2 largest = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    const Size2 wanted = OuterSizeForView(view, {0, 0}, StatusBarShown(), ToolBarShown());
    Size2 outer = ClampOuterSize(OuterSizeForView(view, frame, StatusBarShown(), ToolBarShown()), largest);
    const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(wnd, nullptr, 0, 0, outer.Width, outer.Height, flags);
    Size2 got = ClientSize(wnd);
    if (got.Width != wanted.Width || got.Height != wanted.Height) {
        Size2 again = ClampOuterSize(CorrectOuterSize(outer, wanted, got), largest);
        if (again.Width != outer.Width || again.Height != outer.Height)
            SetWindowPos(wnd, nullptr, 0, 0, again.Width, again.Height, flags);
    }
}

INT_PTR CALLBACK WindowSizeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        CheckRadioButton(dlg, IDC_WS_QVGA, IDC_WS_ANY, IDC_WS_FIT);
        PlaceWindow(dlg, kPlaceCentre);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_WS_WIDTH:
        case IDC_WS_HEIGHT:
            // Typing picks the typed size; merely entering the box does not.
            if (HIWORD(wp) == EN_CHANGE) CheckRadioButton(dlg, IDC_WS_QVGA, IDC_WS_ANY, IDC_WS_ANY);
            return TRUE;
        case IDOK: {
            Size2 view = {};
            if (!WantedViewSize(dlg, view)) return TRUE;
            DestroyWindow(dlg);
            ResizeMainWindow(view);
            return TRUE;
        }
        case IDCANCEL: DestroyWindow(dlg); return TRUE;
        }
        break;
    case WM_DESTROY: g_SizeDialog = nullptr; return FALSE;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// External programs and keys (1700)

struct ProgramWork {
    char Apps[kProgramSlots][256];
    uint32_t Keys[kKeySlots];
};

void LabelProgram(HWND dlg, const ProgramWork& work, int k) {
    char label[400];
    if (work.Apps[k][0])
        snprintf(label, sizeof label, "外部ソフト%d [ %s ]に送る", k + 1, FileNamePart(work.Apps[k]).c_str());
    else
        snprintf(label, sizeof label, "   未設定   ");
    SetDlgItemTextA(dlg, IDC_PG_LABEL1 + k, label);
}

void InitPrograms(HWND dlg, ProgramWork& work) {
    for (int k = 0; k < kProgramSlots; ++k) CopySjis(work.Apps[k], sizeof work.Apps[k], g_Settings.KeyApps[k]);
    memcpy(work.Keys, g_Settings.Keys, sizeof work.Keys);
    NormaliseKeyTable(work.Keys);
    for (int s = 0; s < kKeySlots; ++s) {
        HWND combo = GetDlgItem(dlg, IDC_PG_KEY1 + s);
        for (uint32_t i = 0; i <= kMaxKeyIndex; ++i) SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(KeyLabel(i).c_str()));
        SendMessageA(combo, CB_SETCURSEL, work.Keys[s], 0);
    }
    for (int k = 0; k < kProgramSlots; ++k) LabelProgram(dlg, work, k);
    PlaceWindow(dlg, kPlaceCentre);
}

void BrowseProgram(HWND dlg, ProgramWork& work, int k) {
    SetDlgItemTextA(dlg, IDC_PG_LABEL1 + k, "・・・選択中・・・");
    char userFilter[256] = "実行ファイル選択\0*.exe";
    char file[MAX_PATH] = "";
    std::string folder = FolderPart(work.Apps[k]);
    FileNameQuestion q;
    q.Filter = "実行ファイル (*.exe)\0*.exe\0";
    q.CustomFilter = userFilter;
    q.CustomFilterSize = sizeof userFilter;
    q.InitialFolder = folder.empty() ? nullptr : folder.c_str();
    q.Flags = OFN_FILEMUSTEXIST;
    const bool chosen = AskFileName(dlg, FileNameKind::Open, q, file, sizeof file);
    // A path that does not fit the table is refused whole: cut, it would name another program.
    const bool fits = strlen(file) < sizeof work.Apps[k];
    if (chosen && fits) memcpy(work.Apps[k], file, strlen(file) + 1);
    if ((chosen && !fits) || (!chosen && CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)) {
        char text[MAX_PATH + 80];
        snprintf(text, sizeof text, "パスが長すぎるため設定できません。\n%s", file);
        ReportBox(dlg, Box::Error, text);
    }
    LabelProgram(dlg, work, k);
}

INT_PTR CALLBACK ProgramsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    ProgramWork* work = reinterpret_cast<ProgramWork*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        InitPrograms(dlg, *reinterpret_cast<ProgramWork*>(lp));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (!work) break;
        if (id >= IDC_PG_BROWSE1 && id < IDC_PG_BROWSE1 + kProgramSlots) {
            BrowseProgram(dlg, *work, id - IDC_PG_BROWSE1);
            return TRUE;
        }
        if (id >= IDC_PG_DELETE1 && id < IDC_PG_DELETE1 + kProgramSlots) {
            const int k = id - IDC_PG_DELETE1;
            work->Apps[k][0] = 0;
            work->Keys[k] = 0;
            SendDlgItemMessageA(dlg, IDC_PG_KEY1 + k, CB_SETCURSEL, 0, 0);
            LabelProgram(dlg, *work, k);
            return TRUE;
        }
        if (id >= IDC_PG_KEY1 && id < IDC_PG_KEY1 + kKeySlots && HIWORD(wp) == CBN_SELCHANGE) {
            const int s = id - IDC_PG_KEY1;
            const LRESULT picked = SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
            if (picked < 0) return TRUE;
            work->Keys[s] = ChooseKey(work->Keys, s, uint32_t(picked));
            if (work->Keys[s] != uint32_t(picked)) SendDlgItemMessageA(dlg, id, CB_SETCURSEL, work->Keys[s], 0);
            return TRUE;
        }
        if (id == IDOK) {
            for (int k = 0; k < kProgramSlots; ++k) memcpy(g_Settings.KeyApps[k], work->Apps[k], sizeof work->Apps[k]);
            memcpy(g_Settings.Keys, work->Keys, sizeof work->Keys);
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// About (9999)

constexpr const char* kProductName = "Pixaro";
constexpr const char* kVersionText = "Ver" PIXARO_VERSION_TEXT;
constexpr const char* kMailLink = "mailto:support@norvane.example?subject=Pixaro%20Ver" PIXARO_VERSION_TEXT "%20Response";

HFONT g_LinkFont = nullptr;

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        char text[64];
        snprintf(text, sizeof text, "%s %s", kProductName, kVersionText);
        SetDlgItemTextA(dlg, IDC_AB_VERSION, text);
        LOGFONTA lf = {};
        GetObjectA(HFONT(SendMessageA(dlg, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        lf.lfUnderline = TRUE;
        g_LinkFont = CreateFontIndirectA(&lf);
        for (int id : {IDC_AB_HOME, IDC_AB_MAIL}) SendDlgItemMessageA(dlg, id, WM_SETFONT, WPARAM(g_LinkFont), FALSE);
        PlaceWindow(dlg, kPlaceCentre);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(HWND(lp));
        if (id != IDC_AB_HOME && id != IDC_AB_MAIL) break;
        HDC dc = HDC(wp);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        return INT_PTR(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR: {
        const int id = GetDlgCtrlID(HWND(wp));
        if (id != IDC_AB_HOME && id != IDC_AB_MAIL) break;
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_AB_HOME:
            if (HIWORD(wp) == STN_CLICKED) ShellExecuteA(nullptr, "open", kHomePage, nullptr, nullptr, SW_SHOW);
            return TRUE;
        case IDC_AB_MAIL:
            if (HIWORD(wp) == STN_CLICKED) ShellExecuteA(nullptr, "open", kMailLink, nullptr, nullptr, SW_SHOW);
            return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dlg, LOWORD(wp)); return TRUE;
        }
        break;
    case WM_DESTROY:
        if (g_LinkFont) DeleteObject(g_LinkFont);
        g_LinkFont = nullptr;
        break;
    }
    return FALSE;
}

}  // namespace

int ShowDisplaySettings(HWND wnd) {
    return int(DialogBoxParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_DISPLAY_SETTINGS), wnd, DisplaySettingsProc, 0));
}

void OpenWindowSizeDialog() {
    if (g_SizeDialog) {
        SetForegroundWindow(g_SizeDialog);
        return;
    }
    g_SizeDialog = CreateDialogParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_WINDOW_SIZE), nullptr, WindowSizeProc, 0);
}

HWND WindowSizeDialogWindow() { return g_SizeDialog; }

int ShowProgramSettings(HWND wnd) {
    ProgramWork work = {};
    return int(DialogBoxParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_PROGRAMS), wnd, ProgramsProc, LPARAM(&work)));
}

int ShowAbout(HWND wnd) {
    return int(DialogBoxParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_ABOUT), wnd, AboutProc, 0));
}
