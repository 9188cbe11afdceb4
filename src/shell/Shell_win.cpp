// Program entry, the main window and its message routing.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "base/Report_win.h"
#include "base/SjisText.h"
#include "document/Document.h"
#include "graffiti/Graffiti_win.h"
#include "graffiti/StyleDialogs_win.h"
#include "image/ImageFormat.h"
#include "image/Image_win.h"
#include "image/Preload_win.h"
#include "imageops/DragOutData.h"
#include "imageops/DragOut_win.h"
#include "imageops/Rotate_win.h"
#include "imageops/Save_win.h"
#include "resources/resource.h"
#include "shell/Shell_win.h"
#include "shell/Startup.h"
#include "vectorize/JwwExport_win.h"
#include "vectorize/LineStore_win.h"
#include "view/View_win.h"

ShellState g_Shell;
Document g_Document;

namespace {

void DragOutCurrent() { DragOutCurrentFile(g_Host.MainWindow, g_Document.File.CPath()); }

void OnCreate(HWND wnd) {
    g_Host.MainWindow = wnd;
    g_Settings.InfoFlags |= kInfoImageAndLines;
    g_GraffitiEditState = kEditNone;
    SetHostCallbacks({OnChange, ShowPopupMenu, DragOutCurrent});
    SetViewEmfWriter(WriteViewEmf);
    DragAcceptFiles(wnd, TRUE);
    if (OleInitialize(nullptr) != S_OK) ReportBox(nullptr, Box::Error, "OLEの初期化に失敗しました。");

    InitCommonControls();
    g_Host.StatusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, "", wnd, IDC_STATUSBAR);
    g_Shell.ToolBar = CreateMainToolBar(wnd, g_Host.Instance);
    ApplyCommandStates(wnd);

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
        if (today - int32_t(g_Settings.UpdateCheckDayKnown ? g_Settings.UpdateCheckDay : 0) > kUpdateCheckDays) StartUpdateCheck(wnd, false);
    }

    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    WindowRect pos = ValidateSavedPosition(g_Settings.Window, {desk.left, desk.top, desk.right, desk.bottom});
    MoveWindow(wnd, pos.Left, pos.Top, pos.Width, pos.Height, TRUE);

    LoadPlugins(wnd, g_Shell.ProgramFolder);
    LoadPlugins(wnd, nullptr);
    if (g_Settings.PluginFolder[0]) LoadPlugins(wnd, g_Settings.PluginFolder);

    ShowWindow(g_Host.StatusBar, SW_SHOW);
    ShowWindow(g_Shell.ToolBar, SW_SHOW);
    g_Host.WindowFlags |= kWindowBars;
    ApplyCommandStates(wnd);
    SetStatusText(0, "");

    if (g_Shell.CommandLineGiven) {
        LoadPath(wnd, g_Shell.CommandLinePath, 0);
        StartFolderScan(wnd);
    }
}

void OnSize(HWND wnd, WPARAM wp, LPARAM lp) {
    StatusParts parts = StatusPartEdges(LOWORD(lp));
    SendMessageA(g_Host.StatusBar, SB_SETPARTS, 3, LPARAM(parts.Edge));
    SendMessageA(g_Host.StatusBar, WM_SIZE, wp, lp);
    RECT rc;
    GetClientRect(wnd, &rc);
    snprintf(g_Host.SizeText, sizeof g_Host.SizeText, " %d × %d", int(rc.right),
             ViewHeight(rc.bottom, StatusBarShown(), ToolBarShown()));
    SetStatusText(2, g_Host.SizeText);
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
        ReportBox(wnd, Box::Error, "ファイルのパスが長すぎるため開けません。");
        return;
    }
    if (HasImage() && g_Document.File.Path() == path) return;
    OpenFileAndScan(wnd, path);
}

void OnClose(HWND wnd) {
    if (!ConfirmDiscard(wnd, DiscardReason::Close)) return;
    CancelFolderScan();
    CloseStyleDialogs();  // they write their values as they close
    CloseImagePathDialog();
    CloseGraffitiExportDialog();
    SaveSettings(wnd);
    StopPreloader();
    if (HasImage()) ReleaseImage();
    UnloadPlugins();
    OleUninitialize();
    DestroyWindow(wnd);
}

// The image's overlays in paint order: graffiti, then the vector lines.
void DrawLayers(HDC dc, const ViewState& view) {
    if (GraffitiModeOn()) DrawGraffitiLayer(dc, MappingOf(view));
    if (g_Settings.InfoFlags & kInfoVectorLines) DrawVectorLines(dc, view);
}

void StepFromView(HWND wnd, ViewAction action, bool beepAtEnd) {
    if (action == ViewAction::PreviousEntry) StepEntry(wnd, -1, 0, beepAtEnd);
    if (action == ViewAction::NextEntry) StepEntry(wnd, +1, 0, beepAtEnd);
}

void OnKeyDown(HWND wnd, int vk) {
    if (vk == VK_ESCAPE && (g_GraffitiEditState & kEditFineRotate)) {
        g_GraffitiEditState = StraightenEscape(wnd, g_GraffitiEditState);
        return;
    }
    if (vk == VK_ESCAPE && GraffitiModeOn() && (g_GraffitiEditState & kEditToolMask)) {
        g_GraffitiEditState = GraffitiEscape(wnd, g_GraffitiEditState);
        return;
    }
    ViewAction step;
    if (ViewKeyDown(wnd, vk, step))
        StepFromView(wnd, step, true);
    else
        HandleAssignedKey(wnd, vk);
}

void OnMouse(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    // Straightening takes every click itself: its two points are not view gestures.
    if (g_GraffitiEditState & kEditFineRotate) {
        g_GraffitiEditState = StraightenStep(wnd, msg, g_GraffitiEditState, lp);
        return;
    }
    bool clearStep = false;
    const int taken = ViewMouse(wnd, msg, lp, wp, clearStep);
    if (clearStep) g_GraffitiEditState &= ~kEditPressed;
    if (taken != 0)
        g_GraffitiEditState &= ~kEditPressed;
    else
        g_GraffitiEditState = GraffitiMouse(wnd, msg, g_GraffitiEditState, lp, wp);
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
    case WM_PAINT:
        // Bands in progress are painted over whole and inverted again, so the screen keeps
        // matching what the editor will erase.
        if (GraffitiBandsShown()) InvalidateRect(wnd, nullptr, FALSE);
        PaintView(wnd, {VectorLineCount() == 0 && !GraffitiHasObjects(), DrawLayers});
        RedrawGraffitiBands();
        UpdateTitle(wnd);
        return 0;
    case WM_CLOSE: OnClose(wnd); return 0;
    case WM_KEYDOWN: OnKeyDown(wnd, int(wp)); return 0;
    case WM_COMMAND: DispatchCommand(wnd, LOWORD(wp), lp); return 0;
    case WM_INITMENUPOPUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        OnMouse(wnd, msg, wp, lp);
        return 0;
    case WM_MOUSEWHEEL:
        StepFromView(wnd, ViewWheel(wnd, GET_WHEEL_DELTA_WPARAM(wp), CatalogueCurrentIndex(), CatalogueLastIndex()), false);
        return 0;
    case WM_DROPFILES:
        OnDropFiles(wnd, HDROP(wp));
        SetForegroundWindow(wnd);
        SetFocus(wnd);
        return 0;
    case WM_APP_FOREGROUND:
        BringToForeground(wnd);
        AfterDragOutEnded(wnd, DecideAfterDragOut(wp <= 2 ? DiskChange(wp) : DiskChange::Changed, g_Image.Edited));
        return 0;
    case WM_APP_UPDATE_RESULT: OnUpdateResult(wnd, wp, lp); return 0;
    case WM_APP_SCAN_DONE: OnScanDone(wnd, wp, lp); return 0;
    case WM_ENABLE:
        if (wp) OnPictureReady();
        return 0;
    case WM_NOTIFY:
        if (ToolTipText(reinterpret_cast<NMHDR*>(lp))) return 0;
        return DefWindowProcA(wnd, msg, wp, lp);
    default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}

}  // namespace

void OnChange(Change change) {
    HWND wnd = g_Host.MainWindow;
    if (change == Change::Picture || change == Change::PictureKeepView) {
        int width, height;
        GetImageSize(width, height);
        ResetViewToImage(wnd, width, height, change == Change::PictureKeepView);
        // The conversion dialog traces 1-bit pictures only.
        if (GetBitsPerPixel() != 1) CloseVectorDialog();
        PreloadNeighbours();
    }
    ApplyCommandStates(wnd);
    UpdateTitle(wnd);
    InvalidateRect(wnd, nullptr, TRUE);
}

bool ConfirmDiscard(HWND wnd, DiscardReason reason) {
    DiscardState state;
    state.Converting = ConversionBusy();
    state.VectorLines = VectorLineCount() > 0;
    state.GraffitiObjects = GraffitiHasObjects();
    state.GraffitiChanged = GraffitiChanged();
    state.ImageEdited = g_Image.Edited;
    DiscardPlan plan = PlanDiscard(reason, state);
    if (plan.Refused) return !RefuseWhileConverting();
    // Every question first: Cancel must leave everything as it was.
    for (int i = 0; i < plan.QuestionCount; ++i) {
        const Question& q = plan.Questions[i];
        if (MessageBoxA(wnd, q.Text, q.Caption, MB_OKCANCEL | (q.Icon ? MB_ICONQUESTION : 0)) != IDOK) return false;
    }
    if (plan.ClearLines) ClearVectorLines();
    if (plan.ClearGraffiti) ClearGraffiti();
    return true;
}

// The one place the open file changes. It is the file gone to even when it cannot be shown,
// so the folder steps go on from there; a graffiti file is itself the open file, whatever
// background it shows.
int LoadPath(HWND wnd, const char* path, int keep) {
    PathParts parts;
    if (SplitPath(path, parts) == 0 && LoaderForExtension(parts.Extension) == LoaderKind::Graffiti) {
        if (keep != 0) return -2;
        g_Document.File.Set(path);
        if (ReadGraffitiFile(wnd, path) != 0 || !HasImage()) return -2;
        snprintf(GraffitiFilePath, sizeof GraffitiFilePath, "%s", path);
        g_Host.WindowFlags |= kWindowGraffitiMode;
        GraffitiFileShown = -1;
        OnChange(Change::Picture);
        return 0;
    }
    GraffitiFileShown = 0;
    g_Document.File.Set(path);  // a path too long to open stays out; the loader says so
    return LoadImageFile(wnd, path, keep);
}

CurrentFile PictureFile() {
    CurrentFile picture;
    picture.Set(g_Image.SourcePath);
    return picture;
}

int OpenFileAndScan(HWND wnd, const char* path) {
    // A graffiti file that cannot be read says so before anything is asked or cleared.
    PathParts parts;
    if (SplitPath(path, parts) == 0 && LoaderForExtension(parts.Extension) == LoaderKind::Graffiti &&
        !CheckGraffitiFile(wnd, path))
        return -2;
    if (!ConfirmDiscard(wnd, DiscardReason::Load)) return -3;
    int rc = LoadPath(wnd, path, 0);
    StartFolderScan(wnd);
    return rc;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    g_Host.Instance = instance;
    StartGdiplus();
    int parsed = ParseCommandLine(commandLine ? commandLine : "", g_Shell.CommandLinePath, sizeof g_Shell.CommandLinePath);
    g_Shell.CommandLineGiven = parsed == 1;
    // The first picture decodes while the window is being made.
    StartPreloader(OnPictureReady);
    if (PathParts parts; g_Shell.CommandLineGiven && SplitPath(g_Shell.CommandLinePath, parts) == 0 &&
                         IsJpegExtension(parts.Extension))
        PreloadPictures({g_Shell.CommandLinePath}, true);
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
    g_Host.MainWindow = wnd;
    g_Gesture = GestureMachine{};
    UpdateWindow(wnd);
    if (parsed < 0)
        ReportBox(wnd, Box::Error, "コマンドラインのパスが長すぎるため開けません。");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (g_Shell.FileListDialog && IsDialogMessageA(g_Shell.FileListDialog, &msg)) continue;
        if (HWND size = WindowSizeDialogWindow(); size && IsDialogMessageA(size, &msg)) continue;
        if (HWND vector = ConversionDialogWindow(); vector && IsDialogMessageA(vector, &msg)) continue;
        StyleDialogHandles style = StyleDialogWindows();
        if (style.Line && IsDialogMessageA(style.Line, &msg)) continue;
        if (style.Text && IsDialogMessageA(style.Text, &msg)) continue;
        if (HWND path = ImagePathDialogWindow(); path && IsDialogMessageA(path, &msg)) continue;
        if (HWND out = GraffitiExportDialogWindow(); out && IsDialogMessageA(out, &msg)) continue;
        if (HWND batch = BatchDialogWindow(); batch && IsDialogMessageA(batch, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
