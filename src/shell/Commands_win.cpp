// Command dispatch: one table from command id to handler, the tool bar and the
// enabling of menu items and buttons.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "exif/Exif_win.h"
#include "image/Image_win.h"
#include "imageops/Monochrome_win.h"
#include "resources/resource.h"
#include "shell/App_win.h"
#include "shell/Keys.h"
#include "vectorize/LineStore_win.h"
#include "view/View_win.h"

namespace {

int OpenCommand(HWND wnd, LPARAM);
int ExitCommand(HWND wnd, LPARAM) {
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    return 0;
}

int ToggleBar(HWND wnd, int id, HWND bar, uint32_t bit) {
    bool show = (g_Shell.WindowFlags & bit) == 0;
    ShowWindow(bar, show ? SW_SHOW : SW_HIDE);
    CheckMenuItem(GetMenu(wnd), id, MF_BYCOMMAND | (show ? MF_CHECKED : MF_UNCHECKED));
    g_Shell.WindowFlags ^= bit;
    RECT rc;
    GetClientRect(wnd, &rc);
    SendMessageA(wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}
int StatusBarCommand(HWND wnd, LPARAM) { return ToggleBar(wnd, IDM_STATUSBAR, g_Shell.StatusBar, 1); }
int ToolBarCommand(HWND wnd, LPARAM) { return ToggleBar(wnd, IDM_TOOLBAR, g_Shell.ToolBar, 2); }

int ShowImageCommand(HWND wnd, LPARAM) {
    g_Settings.DI ^= 1;
    CheckMenuItem(GetMenu(wnd), IDM_SHOWIMAGE, MF_BYCOMMAND | ((g_Settings.DI & 1) ? MF_CHECKED : MF_UNCHECKED));
    InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}

int HelpCommand(HWND wnd, LPARAM) {
    char path[MAX_PATH + 16];
    snprintf(path, sizeof path, "%spixaro.chm", g_Shell.ProgramFolder);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "ヘルプファイルが見つかりません。\n%s", path);
        MessageBoxA(wnd, text, "Error", MB_OK | MB_ICONHAND);
        return -2;
    }
    ShellExecuteA(wnd, "open", path, nullptr, nullptr, SW_SHOW);
    return 0;
}

constexpr const char* kOnlineHelpPage = "https://www.norvane.example/pixaro/help/";
int OnlineHelpCommand(HWND wnd, LPARAM) {
    ShellExecuteA(wnd, "open", kOnlineHelpPage, nullptr, nullptr, SW_SHOW);
    return 0;
}

int UpdateCheckCommand(HWND wnd, LPARAM) {
    StartUpdateCheck(wnd, true);
    return 0;
}

int DeleteCommand(HWND wnd, LPARAM) {
    DeleteCurrentFile(wnd);
    UpdateTitle(wnd);
    return 0;
}
int FileListCommand(HWND wnd, LPARAM) {
    ShowFileList(wnd);
    return 0;
}
int NavigateBy(HWND wnd, int delta) {
    Navigate(wnd, delta, 0);
    return 0;
}
int PreviousCommand(HWND wnd, LPARAM) { return NavigateBy(wnd, -1); }
int FirstCommand(HWND wnd, LPARAM) { return NavigateBy(wnd, -99999); }
int NextCommand(HWND wnd, LPARAM) { return NavigateBy(wnd, +1); }
int LastCommand(HWND wnd, LPARAM) { return NavigateBy(wnd, +999999); }
int SortNaturalCommand(HWND wnd, LPARAM) {
    SortCatalogueCommand(wnd, 2);
    return 0;
}
int SortCodeCommand(HWND wnd, LPARAM) {
    SortCatalogueCommand(wnd, 1);
    return 0;
}
int SortTimeCommand(HWND wnd, LPARAM) {
    SortCatalogueCommand(wnd, 3);
    return 0;
}

int GraffitiModeCommand(HWND wnd, LPARAM) {
    g_Shell.WindowFlags ^= 4;
    g_Shell.GraffitiEditState = 0;
    UpdateGraffitiUi(wnd);
    InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}

// A graffiti tool: its editing state, its button pressed and its name in the status bar.
int GraffitiTool(HWND wnd, int id, int state, const char* status) {
    g_Shell.GraffitiEditState = state;
    SetFocus(wnd);
    SendMessageA(g_Shell.ToolBar, TB_CHECKBUTTON, id, MAKELPARAM(TRUE, 0));
    SetStatusText(0, status);
    return 0;
}
int LineTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_LINE, 0x1000, "直線コマンド"); }
int PolylineTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_POLYLINE, 0x1100, "連続直線コマンド"); }
int EllipseTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_ELLIPSE, 0x1200, "楕円コマンド"); }
int TextTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_TEXT, 0x1300, "文字コマンド"); }
int LeaderTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_LEADER, 0x1400, "引出線付直線コマンド"); }
int GraffitiDeleteTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_DELETE, 0x1600, "削除コマンド"); }

int SendTo(int slot) {
    // The path goes as it is, unquoted: programs that were set up for it expect that.
    if (g_Settings.KeyApps[slot][0])
        ShellExecuteA(nullptr, "open", g_Settings.KeyApps[slot], CurrentPath, nullptr, SW_SHOWNORMAL);
    return 0;
}
int SendTo1(HWND, LPARAM) { return SendTo(0); }
int SendTo2(HWND, LPARAM) { return SendTo(1); }
int SendTo3(HWND, LPARAM) { return SendTo(2); }
int SendTo4(HWND, LPARAM) { return SendTo(3); }

int MonochromeDialogCommand(HWND wnd, LPARAM) { return MonochromeCommand(wnd); }

int VectorizeCommand(HWND wnd, LPARAM) { return OpenConversionDialog(wnd); }
int InfoRun(HWND wnd, LPARAM) { return InfoCommand(wnd); }
int MapRun(HWND wnd, LPARAM) { return MapCommand(wnd); }

int ProgramSettingsCommand(HWND wnd, LPARAM) {
    UpdateProgramMenu(wnd);
    return 0;
}

struct CommandRow {
    int id;
    int (*run)(HWND, LPARAM);
    bool needsImage;
};

// Every command of the menus, tool bar, pop-up menu and keys. A row without a handler
// is a command whose feature is not in this build yet: present, and inert. Commands that
// work on the image check for one here, whatever the menu state says.
constexpr CommandRow kCommands[] = {
    {IDM_OPEN, OpenCommand, false},
    {IDM_SAVE, nullptr, true},
    {IDM_DELETE, DeleteCommand, true},
    {IDM_IMAGEPATH_OUT, nullptr, true},
    {IDM_GRAFFITI_OUT, nullptr, true},
    {IDM_EXIT, ExitCommand, false},
    {IDM_EMF_COPY, nullptr, true},
    {IDM_BATCH, nullptr, false},
    {IDM_FILELIST, FileListCommand, false},
    {IDM_PREV, PreviousCommand, false},
    {IDM_FIRST, FirstCommand, false},
    {IDM_NEXT, NextCommand, false},
    {IDM_LAST, LastCommand, false},
    {IDM_STATUSBAR, StatusBarCommand, false},
    {IDM_TOOLBAR, ToolBarCommand, false},
    {IDM_SHOWIMAGE, ShowImageCommand, true},
    {IDM_ROTATE_LEFT, nullptr, true},
    {IDM_ROTATE_RIGHT, nullptr, true},
    {IDM_INFO, InfoRun, true},
    {IDM_FINE_ROTATE, nullptr, true},
    {IDM_MONOCHROME, MonochromeDialogCommand, true},
    {IDM_DISPLAY_SETTINGS, nullptr, false},
    {IDM_PROGRAM_SETTINGS, ProgramSettingsCommand, false},
    {IDM_VECTORIZE, VectorizeCommand, true},
    {IDM_GRAFFITI, GraffitiModeCommand, true},
    {IDM_SORT_NATURAL, SortNaturalCommand, false},
    {IDM_SORT_CODE, SortCodeCommand, false},
    {IDM_SORT_TIME, SortTimeCommand, false},
    {IDM_WINDOW_SIZE, nullptr, false},
    {IDM_ABOUT, nullptr, false},
    {IDM_HELP, HelpCommand, false},
    {IDM_UPDATE_CHECK, UpdateCheckCommand, false},
    {IDM_EXIF_REMOVE, nullptr, true},
    {IDM_SET_SHOT_TIME, nullptr, true},
    {IDM_MAP, MapRun, false},
    {IDM_HELP_ONLINE, OnlineHelpCommand, false},
    {IDM_G_LINE, LineTool, true},
    {IDM_G_POLYLINE, PolylineTool, true},
    {IDM_G_ELLIPSE, EllipseTool, true},
    {IDM_G_TEXT, TextTool, true},
    {IDM_G_LEADER, LeaderTool, true},
    {IDM_G_DELETE, GraffitiDeleteTool, true},
    {IDM_SENDTO1, SendTo1, true},
    {IDM_SENDTO2, SendTo2, true},
    {IDM_SENDTO3, SendTo3, true},
    {IDM_SENDTO4, SendTo4, true},
};

struct ButtonRow {
    int image;
    int id;
    const char* tip;
    BYTE style;
    bool separatorBefore;
};

constexpr BYTE kCheckGroup = TBSTYLE_CHECK | TBSTYLE_GROUP;
constexpr ButtonRow kButtons[] = {
    {0, IDM_OPEN, "読込み", TBSTYLE_BUTTON, false},
    {1, IDM_SAVE, "保存", TBSTYLE_BUTTON, false},
    {2, IDM_DELETE, "削除", TBSTYLE_BUTTON, false},
    {3, IDM_FILELIST, "ファイル一覧", TBSTYLE_BUTTON, true},
    {4, IDM_ROTATE_LEFT, "左90度回転", TBSTYLE_BUTTON, false},
    {5, IDM_ROTATE_RIGHT, "右90度回転", TBSTYLE_BUTTON, false},
    {6, IDM_FINE_ROTATE, "回転角微調整", TBSTYLE_BUTTON, false},
    {7, IDM_FIRST, "最初の画像", TBSTYLE_BUTTON, true},
    {8, IDM_PREV, "前の画像", TBSTYLE_BUTTON, false},
    {9, IDM_NEXT, "次の画像", TBSTYLE_BUTTON, false},
    {10, IDM_LAST, "最後の画像", TBSTYLE_BUTTON, false},
    {11, IDM_INFO, "Exif情報表示", TBSTYLE_BUTTON, true},
    {12, IDM_MONOCHROME, "白黒変換", TBSTYLE_BUTTON, false},
    {13, IDM_VECTORIZE, "ラスターベクタ変換", TBSTYLE_BUTTON, false},
    {14, IDM_IMAGEPATH_OUT, "JWW画像情報出力", TBSTYLE_BUTTON, false},
    {15, IDM_GRAFFITI, "落書き", TBSTYLE_CHECK, true},
    {16, IDM_G_LINE, "直線", kCheckGroup, false},
    {17, IDM_G_POLYLINE, "連続直線", kCheckGroup, false},
    {18, IDM_G_ELLIPSE, "楕円", kCheckGroup, false},
    {19, IDM_G_TEXT, "文字", kCheckGroup, false},
    {20, IDM_G_LEADER, "引出線付文字", kCheckGroup, false},
    {21, IDM_G_DELETE, "落書き削除", kCheckGroup, false},
    {22, IDM_GRAFFITI_OUT, "落書きデータ入出力", TBSTYLE_BUTTON, false},
};

constexpr int kInitiallyDisabledMenu[] = {IDM_SAVE, IDM_DELETE, IDM_IMAGEPATH_OUT, IDM_GRAFFITI_OUT, IDM_FILELIST,
                                          IDM_PREV, IDM_FIRST, IDM_NEXT, IDM_LAST, IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT,
                                          IDM_INFO, IDM_VECTORIZE, IDM_SORT_NATURAL, IDM_SORT_CODE, IDM_SORT_TIME,
                                          IDM_G_LINE, IDM_G_POLYLINE, IDM_G_ELLIPSE, IDM_G_TEXT, IDM_G_LEADER,
                                          IDM_G_DELETE, IDM_SHOWIMAGE};
constexpr int kInitiallyDisabledButtons[] = {IDM_SAVE, IDM_DELETE, IDM_IMAGEPATH_OUT, IDM_FILELIST, IDM_PREV,
                                             IDM_FIRST, IDM_NEXT, IDM_LAST, IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT,
                                             IDM_INFO, IDM_FINE_ROTATE, IDM_MONOCHROME, IDM_VECTORIZE, IDM_GRAFFITI};
constexpr int kGraffitiTools[] = {IDM_G_LINE, IDM_G_POLYLINE, IDM_G_ELLIPSE, IDM_G_TEXT,
                                  IDM_G_LEADER, IDM_G_DELETE, IDM_GRAFFITI_OUT};
constexpr int kImageMenu[] = {IDM_SAVE, IDM_DELETE, IDM_IMAGEPATH_OUT, IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT,
                              IDM_INFO, IDM_FINE_ROTATE, IDM_GRAFFITI};
constexpr int kImageButtons[] = {IDM_SAVE, IDM_DELETE, IDM_IMAGEPATH_OUT, IDM_ROTATE_LEFT, IDM_ROTATE_RIGHT,
                                 IDM_INFO, IDM_FINE_ROTATE, IDM_MONOCHROME, IDM_GRAFFITI};
constexpr int kNavigation[] = {IDM_FILELIST, IDM_PREV, IDM_FIRST, IDM_NEXT, IDM_LAST};
constexpr int kSortMenu[] = {IDM_SORT_NATURAL, IDM_SORT_CODE, IDM_SORT_TIME};

const char* TooltipFor(int id) {
    for (const ButtonRow& b : kButtons)
        if (b.id == id) return b.tip;
    return nullptr;
}

void EnableMenu(HWND wnd, int id, bool enable) {
    EnableMenuItem(GetMenu(wnd), id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}
void EnableButton(int id, bool enable) { SendMessageA(g_Shell.ToolBar, TB_ENABLEBUTTON, id, MAKELPARAM(enable, 0)); }

// The open dialog's filter lists the plug-in types that are loaded.
int ShowOpenDialog(HWND wnd, char* path, size_t size) {
    char pattern[160] = "*.jpeg;*.jpg;*.gif;*.bmp;*.trd";
    int mask = GetPluginMask();
    if (mask & 1) strcat(pattern, ";*.png");
    if (mask & 16) strcat(pattern, ";*.tif");
    if (mask & 8) strcat(pattern, ";*.wmf");
    if (mask & 128) strcat(pattern, ";*.emf");
    if (mask & 96) strcat(pattern, ";*.jww;*.jws");
    char filter[200] = {};
    size_t descLen = strlen("画像");
    memcpy(filter, "画像", descLen);
    memcpy(filter + descLen + 1, pattern, strlen(pattern));  // ends in two NULs: the array is zeroed
    snprintf(path, size, "%s", CurrentPath);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = wnd;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = DWORD(size);
    ofn.lpstrTitle = "ファイルを開く";
    ofn.Flags = OFN_FILEMUSTEXIST;
    ofn.lpstrDefExt = "bmp";
    return GetOpenFileNameA(&ofn) ? 0 : -2;
}

int OpenCommand(HWND wnd, LPARAM) {
    char path[kPathBytes];
    if (ShowOpenDialog(wnd, path, sizeof path) != 0) return -2;
    int rc = OpenFileAndScan(wnd, path);
    if (rc == -2) {
        char text[kPathBytes + 64];
        snprintf(text, sizeof text, "%s が読込めません", path);
        MessageBoxA(wnd, text, "error", MB_OK);
    }
    return rc;
}

}  // namespace

void EnableCommand(HWND wnd, int id, bool enable) {
    EnableMenu(wnd, id, enable);
    EnableButton(id, enable);
}

HWND CreateMainToolBar(HWND wnd, HINSTANCE instance) {
    TBBUTTON buttons[sizeof kButtons / sizeof kButtons[0] + 4] = {};
    int n = 0;
    for (const ButtonRow& b : kButtons) {
        if (b.separatorBefore) buttons[n++] = TBBUTTON{0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {}, 0, 0};
        buttons[n++] = TBBUTTON{b.image, b.id, TBSTATE_ENABLED, b.style, {}, 0, 0};
    }
    HWND bar = CreateToolbarEx(wnd, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR, TOOLBAR_IMAGES, instance,
                               IDB_TOOLBAR, buttons, n, 16, 15, 16, 15, sizeof(TBBUTTON));
    if (bar) SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) | TBSTYLE_FLAT);
    return bar;
}

// Tool bar tooltips ask their text by command id.
bool ToolTipText(NMHDR* hdr) {
    if (hdr->code != TTN_GETDISPINFOA) return false;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(hdr);
    const char* tip = TooltipFor(int(hdr->idFrom));
    if (!tip) return false;
    info->lpszText = const_cast<char*>(tip);
    return true;
}

void ApplyInitialMenuState(HWND wnd) {
    for (int id : kInitiallyDisabledMenu) EnableMenu(wnd, id, false);
    CheckMenuItem(GetMenu(wnd), IDM_SHOWIMAGE, MF_BYCOMMAND | MF_CHECKED);
    CheckMenuItem(GetMenu(wnd), IDM_GRAFFITI, MF_BYCOMMAND | MF_UNCHECKED);
    for (int id : kInitiallyDisabledButtons) EnableButton(id, false);
    for (int id : kGraffitiTools) SendMessageA(g_Shell.ToolBar, TB_HIDEBUTTON, id, MAKELPARAM(TRUE, 0));
}

void UpdateCommandStates(HWND wnd) {
    bool image = HasImage();
    bool two = CatalogueCount() >= 2;
    for (int id : kImageMenu) EnableMenu(wnd, id, image);
    for (int id : kImageButtons) EnableButton(id, image);
    EnableMenu(wnd, IDM_SHOWIMAGE, image);
    if (!image) EnableCommand(wnd, IDM_VECTORIZE, false);
    for (int id : kNavigation) EnableCommand(wnd, id, two);
    for (int id : kSortMenu) EnableMenu(wnd, id, two);
}

void DispatchCommand(HWND wnd, int id, LPARAM lp) {
    if (id < IDM_FIRST_COMMAND || id > IDM_LAST_COMMAND) return;
    for (const CommandRow& row : kCommands)
        if (row.id == id) {
            if (row.run && (!row.needsImage || HasImage())) row.run(wnd, lp);
            return;
        }
}

void CloseOtherToolDialogs(HWND keep) {
    for (HWND* dialog : {&g_Shell.VectorDialog, &g_Shell.ImagePathDialog, &g_Shell.LineStyleDialog,
                         &g_Shell.TextStyleDialog, &g_Shell.GraffitiOutDialog})
        if (*dialog && *dialog != keep) SendMessageA(*dialog, WM_CLOSE, 0, 0);
}

void UpdateGraffitiUi(HWND wnd) {
    bool on = GraffitiModeOn();
    HMENU menu = GetMenu(wnd);
    CheckMenuItem(menu, IDM_GRAFFITI, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    SendMessageA(g_Shell.ToolBar, TB_CHECKBUTTON, IDM_GRAFFITI, MAKELPARAM(on, 0));
    for (int id : kGraffitiTools) {
        EnableMenu(wnd, id, on);
        SendMessageA(g_Shell.ToolBar, TB_HIDEBUTTON, id, MAKELPARAM(!on, 0));
        SendMessageA(g_Shell.ToolBar, TB_CHECKBUTTON, id, MAKELPARAM(FALSE, 0));
    }
    SetStatusText(0, on ? "落書き編集" : "");
}

void UpdateProgramMenu(HWND wnd) {
    HMENU menu = GetMenu(wnd);
    for (int k = 0; k < kProgramSlots; ++k) {
        std::string name = ProgramFileName(g_Settings.KeyApps[k]);
        char label[400];
        snprintf(label, sizeof label, "外部ソフト[%s]に送る", name.c_str());
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_STATE;
        info.dwTypeData = label;
        info.fState = name.empty() ? (MFS_DISABLED | MFS_GRAYED) : MFS_ENABLED;
        SetMenuItemInfoA(menu, IDM_SENDTO1 + k, FALSE, &info);
    }
    DrawMenuBar(wnd);
}

void ShowPopupMenu(HWND wnd, POINT point) {
    HMENU loaded = LoadMenuA(g_Shell.Instance, "MYPOPUP");
    if (!loaded) return;
    HMENU popup = GetSubMenu(loaded, 0);
    auto enable = [&](int id, bool on) { EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    bool image = HasImage();
    enable(IDM_DELETE, image);
    enable(IDM_INFO, image);
    enable(IDM_EMF_COPY, image);
    bool three = CatalogueCount() >= 3;
    enable(IDM_SORT_NATURAL, three);
    enable(IDM_SORT_CODE, three);
    enable(IDM_SORT_TIME, three);
    const ExifSummary& exif = g_Image.Exif;
    bool hasExif = exif.ExifSegmentStart != 0;
    auto sameTime = [](const FileTime& a, const FileTime& b) { return a.Low == b.Low && a.High == b.High; };
    bool shotTimeDiffers = hasExif && (exif.ShotFileTime.Low | exif.ShotFileTime.High) != 0 &&
                           (!sameTime(exif.ShotFileTime, exif.FileWriteTime) ||
                            !sameTime(exif.ShotFileTime, exif.FileCreateTime));
    enable(IDM_SET_SHOT_TIME, shotTimeDiffers);
    enable(IDM_EXIF_REMOVE, hasExif);
    enable(IDM_MAP, exif.MapLink[0] != 0);
    ClientToScreen(wnd, &point);
    TrackPopupMenu(popup, 0, point.x, point.y, 0, wnd, nullptr);
    DestroyMenu(loaded);
}

void HandleAssignedKey(HWND wnd, int vk) {
    if (vk == VK_DELETE) {
        DispatchCommand(wnd, IDM_DELETE, 0);
        return;
    }
    int slot = FindKeySlot(g_Settings.Keys, KeyIndexFromVirtualKey(vk));
    // Slots 0..3 send to the programs, 4 information, 5 map, 9..11 the tool dialogs.
    static const int kSlotCommands[kKeySlots] = {IDM_SENDTO1, IDM_SENDTO2, IDM_SENDTO3, IDM_SENDTO4, IDM_INFO, IDM_MAP,
                                                 0, 0, 0, IDM_MONOCHROME, IDM_VECTORIZE, IDM_IMAGEPATH_OUT};
    switch (slot) {
    case -1: return;
    case 6:
    case 7: StepEntry(wnd, slot == 6 ? -1 : +1, 1, true); return;
    case 8:
        g_Settings.DI ^= 1;
        InvalidateRect(wnd, nullptr, TRUE);
        return;
    default: DispatchCommand(wnd, kSlotCommands[slot], 0);
    }
}
