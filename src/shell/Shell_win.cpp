// Program entry, the main window and its message routing.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "resources/resource.h"
#include "shell/App_win.h"
#include "base/SjisText.h"
#include "shell/Startup.h"
#include "view/View_win.h"

ShellState g_Shell;
ShellSettings g_Settings;

namespace {

void OnCreate(HWND wnd) {
    g_Shell.MainWindow = wnd;
    g_Settings.DI |= 0x11;
    g_Shell.GraffitiEditState = 0;
    DragAcceptFiles(wnd, TRUE);
    if (OleInitialize(nullptr) != S_OK) MessageBoxA(nullptr, "OLEの初期化に失敗しました。", "Error", MB_ICONHAND);

    InitCommonControls();
    g_Shell.StatusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, "", wnd, IDC_STATUSBAR);
    g_Shell.ToolBar = CreateMainToolBar(wnd, g_Shell.Instance);
    ApplyInitialMenuState(wnd);

    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    if (n > 0 && n < sizeof module) {
        PathParts parts;
        if (SplitPath(module, parts) == 0)
            snprintf(g_Shell.ProgramFolder, sizeof g_Shell.ProgramFolder, "%s%s", parts.Drive, parts.Folder);
    }
    LoadSettings();
    UpdateProgramMenu(wnd);
    // The update check runs on its own thread: no network never holds start-up.
    if (g_Shell.SettingsKeyExisted) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        int32_t today = DayNumber(now.wYear, now.wMonth, now.wDay);
        if (today - int32_t(g_Settings.LUDPresent ? g_Settings.LUD : 0) > kUpdateCheckDays) StartUpdateCheck(wnd, false);
    }

    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    WindowRect pos = ValidateSavedPosition(g_Settings.Window, {desk.left, desk.top, desk.right, desk.bottom});
    MoveWindow(wnd, pos.Left, pos.Top, pos.Width, pos.Height, TRUE);

    LoadPlugins(wnd, g_Shell.ProgramFolder);
    LoadPlugins(wnd, nullptr);
    if (g_Settings.SearchSPI[0]) LoadPlugins(wnd, g_Settings.SearchSPI);

    HMENU menu = GetMenu(wnd);
    ShowWindow(g_Shell.StatusBar, SW_SHOW);
    CheckMenuItem(menu, IDM_STATUSBAR, MF_BYCOMMAND | MF_CHECKED);
    ShowWindow(g_Shell.ToolBar, SW_SHOW);
    CheckMenuItem(menu, IDM_TOOLBAR, MF_BYCOMMAND | MF_CHECKED);
    g_Shell.WindowFlags |= 3;
    SetStatusText(0, "");

    if (g_Shell.CommandLineGiven) {
        LoadImageFile(wnd, g_Shell.CommandLinePath, 0);
        StartFolderScan(wnd);
    }
}

void OnSize(HWND wnd, WPARAM wp, LPARAM lp) {
    StatusParts parts = StatusPartEdges(LOWORD(lp));
    SendMessageA(g_Shell.StatusBar, SB_SETPARTS, 3, LPARAM(parts.Edge));
    SendMessageA(g_Shell.StatusBar, WM_SIZE, wp, lp);
    RECT rc;
    GetClientRect(wnd, &rc);
    snprintf(g_Shell.SizeText, sizeof g_Shell.SizeText, " %d × %d", int(rc.right),
             ViewHeight(rc.bottom, StatusBarShown(), ToolBarShown()));
    SetStatusText(2, g_Shell.SizeText);
    RefitMainView(wnd);
    SendMessageA(g_Shell.ToolBar, WM_SIZE, wp, lp);
}

void OnDropFiles(HWND wnd, HDROP drop) {
    char path[300];
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    UINT got = DragQueryFileA(drop, 0, path, sizeof path);
    DragFinish(drop);
    if (got == 0) return;
    if (length >= kPathBytes) {
        MessageBoxA(wnd, "ファイルのパスが長すぎるため開けません。", "Error", MB_OK | MB_ICONHAND);
        return;
    }
    if (strcmp(path, CurrentPath) == 0) return;
    OpenFileAndScan(wnd, path);
}

void OnClose(HWND wnd) {
    // Every question first: Cancel must leave everything as it was.
    bool clearGraffiti = GraffitiHasObjects();
    if (clearGraffiti && g_Shell.GraffitiConfirm &&
        MessageBoxA(wnd, "落書きデータがクリアーされます", "確認", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    if (g_Shell.ImageEdited && MessageBoxA(wnd, "終了しますか？", "終了確認", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    if (clearGraffiti) ClearGraffiti();
    CancelFolderScan();
    SaveSettings(wnd);
    if (HasImage()) ReleaseImage();
    UnloadPlugins();
    OleUninitialize();
    DestroyWindow(wnd);
}

void BringToForeground(HWND wnd) {
    DWORD other = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD self = GetCurrentThreadId();
    AttachThreadInput(self, other, TRUE);
    SetForegroundWindow(wnd);
    AttachThreadInput(self, other, FALSE);
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: OnCreate(wnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE: OnSize(wnd, wp, lp); return 0;
    case WM_PAINT: PaintView(wnd); return 0;
    case WM_CLOSE: OnClose(wnd); return 0;
    case WM_KEYDOWN:
        if (!ViewKeyDown(wnd, int(wp))) HandleAssignedKey(wnd, int(wp));
        return 0;
    case WM_COMMAND: DispatchCommand(wnd, LOWORD(wp), lp); return 0;
    case WM_INITMENUPOPUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (ViewMouse(wnd, msg, lp, wp) != 0)
            g_Shell.GraffitiEditState &= ~1;
        else
            g_Shell.GraffitiEditState = GraffitiMouse(wnd, msg, g_Shell.GraffitiEditState, lp, wp);
        return 0;
    case WM_MOUSEWHEEL: ViewWheel(wnd, GET_WHEEL_DELTA_WPARAM(wp)); return 0;
    case WM_DROPFILES:
        OnDropFiles(wnd, HDROP(wp));
        SetForegroundWindow(wnd);
        SetFocus(wnd);
        return 0;
    case WM_APP_FOREGROUND:
        BringToForeground(wnd);
        Navigate(wnd, 0, 0);
        return 0;
    case WM_APP_UPDATE_RESULT: OnUpdateResult(wnd, wp, lp); return 0;
    case WM_APP_SCAN_DONE: OnScanDone(wnd, wp, lp); return 0;
    case WM_NOTIFY:
        if (ToolTipText(reinterpret_cast<NMHDR*>(lp))) return 0;
        return DefWindowProcA(wnd, msg, wp, lp);
    default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}

}  // namespace

void SetStatusText(int part, const char* text) {
    if (g_Shell.StatusBar) SendMessageA(g_Shell.StatusBar, SB_SETTEXTA, WPARAM(part), LPARAM(text));
}

void PlaceWindow(HWND wnd, int mode) {
    RECT desk, rc;
    GetWindowRect(GetDesktopWindow(), &desk);
    GetWindowRect(wnd, &rc);
    IntPoint p = PlacePosition(mode, {desk.left, desk.top, desk.right, desk.bottom}, rc.right - rc.left, rc.bottom - rc.top);
    SetWindowPos(wnd, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

int OpenFileAndScan(HWND wnd, const char* path) {
    int rc = LoadImageFile(wnd, path, 0);
    if (rc == 0) g_Shell.ImageEdited = 0;  // a file just opened has no edits to lose
    if (rc != -3) StartFolderScan(wnd);
    return rc;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    g_Shell.Instance = instance;
    int parsed = ParseCommandLine(commandLine ? commandLine : "", g_Shell.CommandLinePath, sizeof g_Shell.CommandLinePath);
    g_Shell.CommandLineGiven = parsed == 1;
    if (!previous) {
        WNDCLASSA wc = {};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, "IDI_QOR");
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
        wc.lpszMenuName = "PixaroMENU01";
        wc.lpszClassName = "Pixaro";
        if (!RegisterClassA(&wc)) return 0;
    }
    HWND wnd = CreateWindowExA(0, "Pixaro", "Pixaro", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_MAXIMIZE, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!wnd) return 0;
    ShowWindow(wnd, show);
    g_Shell.MainWindow = wnd;
    g_Gesture = GestureMachine{};
    UpdateWindow(wnd);
    if (parsed < 0)
        MessageBoxA(wnd, "コマンドラインのパスが長すぎるため開けません。", "Error", MB_OK | MB_ICONHAND);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (g_Shell.FileListDialog && IsDialogMessageA(g_Shell.FileListDialog, &msg)) continue;
        if (g_Shell.VectorDialog && IsDialogMessageA(g_Shell.VectorDialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
