// Command dispatch: the handlers of the command table, and the menus, tool bar, pop-up menu
// and keys derived from that table.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/FileDialog_win.h"
#include "base/Report_win.h"
#include "document/Document.h"
#include "exif/Exif_win.h"
#include "graffiti/Graffiti_win.h"
#include "graffiti/StyleDialogs_win.h"
#include "image/ImageFormat.h"
#include "image/Image_win.h"
#include "image/Preload_win.h"
#include "imageops/Monochrome_win.h"
#include "imageops/Rotate_win.h"
#include "imageops/Save_win.h"
#include "resources/resource.h"
#include "shell/Catalogue.h"
#include "shell/CommandTable.h"
#include "shell/ExifCommands_win.h"
#include "shell/Keys.h"
#include "shell/Shell_win.h"
#include "vectorize/ConversionSettings.h"
#include "vectorize/JwwExport_win.h"
#include "vectorize/LineStore_win.h"

namespace {

int OpenCommand(HWND wnd, LPARAM);
int ExitCommand(HWND wnd, LPARAM) {
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    return 0;
}

int ToggleBar(HWND wnd, HWND bar, uint32_t flag) {
    g_Host.WindowFlags ^= flag;
    ShowWindow(bar, (g_Host.WindowFlags & flag) ? SW_SHOW : SW_HIDE);
    ApplyCommandStates(wnd);
    RECT rc;
    GetClientRect(wnd, &rc);
    SendMessageA(wnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}
int StatusBarCommand(HWND wnd, LPARAM) { return ToggleBar(wnd, g_Host.StatusBar, kWindowStatusBar); }
int ToolBarCommand(HWND wnd, LPARAM) { return ToggleBar(wnd, g_Shell.ToolBar, kWindowToolBar); }

// Menu item and key Q alike. Without lines or graffiti the painter shows the image anyway,
// so the mark says so too.
int ShowImageCommand(HWND wnd, LPARAM) {
    g_Settings.InfoFlags ^= kInfoImageShown;
    if (VectorLineCount() == 0 && !GraffitiHasObjects()) g_Settings.InfoFlags |= kInfoImageShown;
    ApplyCommandStates(wnd);
    InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}

int HelpCommand(HWND wnd, LPARAM) {
    char path[MAX_PATH + 16];
    snprintf(path, sizeof path, "%spixaro.chm", g_Shell.ProgramFolder);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        char text[MAX_PATH + 64];
        snprintf(text, sizeof text, "ヘルプファイルが見つかりません。\n%s", path);
        ReportBox(wnd, Box::Error, text);
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
int SortBy(HWND wnd, SortOrder order) {
    SortCatalogueCommand(wnd, order);
    return 0;
}
int SortNaturalCommand(HWND wnd, LPARAM) { return SortBy(wnd, kSortNatural); }
int SortCodeCommand(HWND wnd, LPARAM) { return SortBy(wnd, kSortCode); }
int SortTimeCommand(HWND wnd, LPARAM) { return SortBy(wnd, kSortTime); }

int GraffitiModeCommand(HWND wnd, LPARAM) {
    g_Host.WindowFlags ^= kWindowGraffitiMode;
    AbortGraffitiCommand(g_GraffitiEditState);
    g_GraffitiEditState = kEditNone;
    UpdateGraffitiUi(wnd);
    InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}

// A graffiti tool: its editing state, its button pressed and its name in the status bar.
// A graffiti tool: its button pressed; the editor takes its first step, its status text and
// its style dialog.
int GraffitiTool(HWND wnd, int id, int command) {
    SetFocus(wnd);
    SendMessageA(g_Shell.ToolBar, TB_CHECKBUTTON, id, MAKELPARAM(TRUE, 0));
    g_GraffitiEditState = StartGraffitiCommand(g_GraffitiEditState, command);
    return 0;
}
int LineTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_LINE, kEditLine); }
int PolylineTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_POLYLINE, kEditPolyline); }
int EllipseTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_ELLIPSE, kEditEllipse); }
int TextTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_TEXT, kEditText); }
int LeaderTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_LEADER, kEditLeader); }
int GraffitiDeleteTool(HWND wnd, LPARAM) { return GraffitiTool(wnd, IDM_G_DELETE, kEditDelete); }

int SaveCommand(HWND wnd, LPARAM) {
    if (SaveCurrentImage(wnd)) StartFolderScan(wnd);
    return 0;
}

int BatchCommand(HWND, LPARAM) {
    BatchHost host;
    host.EntryNames = CatalogueNamesInOrder;
    host.Apply = ApplyBatchChanges;
    return OpenBatchDialog(host);
}

int Rotate(HWND wnd, int degrees) {
    if (RotateQuarter(wnd, degrees) == 0) InvalidateRect(wnd, nullptr, TRUE);
    return 0;
}
int RotateLeftCommand(HWND wnd, LPARAM) { return Rotate(wnd, 270); }
int RotateRightCommand(HWND wnd, LPARAM) { return Rotate(wnd, 90); }

int FineRotateCommand(HWND wnd, LPARAM lp) {
    AbortGraffitiCommand(g_GraffitiEditState);
    g_GraffitiEditState = StraightenStep(wnd, 0, kEditFineRotate, lp);
    return 0;
}

int ImagePathCommand(HWND wnd, LPARAM) { return OpenImagePathDialog(wnd); }
int GraffitiExportCommand(HWND wnd, LPARAM) { return OpenGraffitiExportDialog(wnd); }
int EmfCopyCommand(HWND wnd, LPARAM) {
    JwExportSettings s;
    LoadJwExportSettings(*MakeSettingsRegistry(), s);
    return CopyViewAsEmf(wnd, nullptr, s.Dpi, s.JwScale);
}

// The path goes quoted, so one with spaces reaches the program as one argument.
int SendTo(HWND wnd, int slot) {
    const char* program = g_Settings.KeyApps[slot];
    if (!program[0] || !HasImage() || g_Document.File.Empty()) return -1;
    std::string parameter = QuotedArgument(g_Document.File.CPath());
    INT_PTR rc = INT_PTR(ShellExecuteA(nullptr, "open", program, parameter.c_str(), nullptr, SW_SHOWNORMAL));
    if (rc > 32) return 0;
    char text[400];
    snprintf(text, sizeof text, "外部ソフトを起動できません。\n%s", program);
    ReportBox(wnd, Box::Error, text);
    return -2;
}
int SendTo1(HWND wnd, LPARAM) { return SendTo(wnd, 0); }
int SendTo2(HWND wnd, LPARAM) { return SendTo(wnd, 1); }
int SendTo3(HWND wnd, LPARAM) { return SendTo(wnd, 2); }
int SendTo4(HWND wnd, LPARAM) { return SendTo(wnd, 3); }

int MonochromeDialogCommand(HWND wnd, LPARAM) { return MonochromeCommand(wnd); }

// The tool dialogs exclude each other: opening one closes the others first.
int VectorizeCommand(HWND wnd, LPARAM) { return OpenConversionDialog(wnd); }
int InfoRun(HWND wnd, LPARAM) { return InfoCommand(wnd, IsJpegExtension(PictureFile().Extension())); }
int MapRun(HWND wnd, LPARAM) { return MapCommand(wnd, g_Image.Exif.MapLink); }

int ProgramSettingsCommand(HWND wnd, LPARAM) {
    ShowProgramSettings(wnd);
    UpdateProgramMenu(wnd);
    return 0;
}
int DisplaySettingsCommand(HWND wnd, LPARAM) { return ShowDisplaySettings(wnd); }
int WindowSizeCommand(HWND, LPARAM) {
    OpenWindowSizeDialog();
    return 0;
}
int AboutCommand(HWND wnd, LPARAM) { return ShowAbout(wnd); }

struct Handler {
    int id;
    int (*run)(HWND, LPARAM);
    bool opensToolDialog;
};

// The handlers of the command table's rows; a row without one is a command whose feature is
// not in this build yet: present, and inert.
constexpr Handler kHandlers[] = {
    {IDM_OPEN, OpenCommand, false},
    {IDM_SAVE, SaveCommand, false},
    {IDM_BATCH, BatchCommand, false},
    {IDM_ROTATE_LEFT, RotateLeftCommand, false},
    {IDM_ROTATE_RIGHT, RotateRightCommand, false},
    {IDM_FINE_ROTATE, FineRotateCommand, false},
    {IDM_IMAGEPATH_OUT, ImagePathCommand, true},
    {IDM_GRAFFITI_OUT, GraffitiExportCommand, true},
    {IDM_EMF_COPY, EmfCopyCommand, false},
    {IDM_DELETE, DeleteCommand, false},
    {IDM_EXIT, ExitCommand, false},
    {IDM_FILELIST, FileListCommand, false},
    {IDM_PREV, PreviousCommand, false},
    {IDM_FIRST, FirstCommand, false},
    {IDM_NEXT, NextCommand, false},
    {IDM_LAST, LastCommand, false},
    {IDM_STATUSBAR, StatusBarCommand, false},
    {IDM_TOOLBAR, ToolBarCommand, false},
    {IDM_SHOWIMAGE, ShowImageCommand, false},
    {IDM_INFO, InfoRun, false},
    {IDM_MONOCHROME, MonochromeDialogCommand, false},
    {IDM_PROGRAM_SETTINGS, ProgramSettingsCommand, false},
    {IDM_DISPLAY_SETTINGS, DisplaySettingsCommand, false},
    {IDM_WINDOW_SIZE, WindowSizeCommand, false},
    {IDM_ABOUT, AboutCommand, false},
    {IDM_VECTORIZE, VectorizeCommand, true},
    {IDM_GRAFFITI, GraffitiModeCommand, false},
    {IDM_SORT_NATURAL, SortNaturalCommand, false},
    {IDM_SORT_CODE, SortCodeCommand, false},
    {IDM_SORT_TIME, SortTimeCommand, false},
    {IDM_HELP, HelpCommand, false},
    {IDM_UPDATE_CHECK, UpdateCheckCommand, false},
    {IDM_MAP, MapRun, false},
    {IDM_EXIF_REMOVE, RemoveExifCommand, false},
    {IDM_SET_SHOT_TIME, SetShotTimeCommand, false},
    {IDM_HELP_ONLINE, OnlineHelpCommand, false},
    {IDM_G_LINE, LineTool, true},
    {IDM_G_POLYLINE, PolylineTool, true},
    {IDM_G_ELLIPSE, EllipseTool, true},
    {IDM_G_TEXT, TextTool, true},
    {IDM_G_LEADER, LeaderTool, true},
    {IDM_G_DELETE, GraffitiDeleteTool, false},
    {IDM_SENDTO1, SendTo1, false},
    {IDM_SENDTO2, SendTo2, false},
    {IDM_SENDTO3, SendTo3, false},
    {IDM_SENDTO4, SendTo4, false},
};

const Handler* FindHandler(int id) {
    for (const Handler& h : kHandlers)
        if (h.id == id) return &h;
    return nullptr;
}

// Every tool dialog except the one about to open is asked to close.
void CloseOtherToolDialogs(int opening) {
    if (opening != IDM_VECTORIZE) CloseVectorDialog();
    if (opening != IDM_IMAGEPATH_OUT) CloseImagePathDialog();
    if (opening != IDM_GRAFFITI_OUT) CloseGraffitiExportDialog();
    // A drawing command keeps the style dialog it shows itself.
    if (opening != IDM_G_LINE && opening != IDM_G_POLYLINE && opening != IDM_G_ELLIPSE) CloseLineStyleDialog();
    if (opening != IDM_G_TEXT && opening != IDM_G_LEADER) CloseTextStyleDialog();
}

CommandState CurrentCommandState() {
    CommandState s;
    s.Image = HasImage();
    s.MonoImage = s.Image && GetBitsPerPixel() == 1;
    s.Entries = CatalogueCount();
    s.Exif = CurrentHasExif();
    s.ShotTimeDiffers = CurrentTimesDifferFromShot();
    s.MapLink = g_Image.Exif.MapLink[0] != 0;
    s.GraffitiMode = GraffitiModeOn();
    for (int k = 0; k < kProgramSlots; ++k)
        if (!FileNamePart(g_Settings.KeyApps[k]).empty()) s.ProgramsSet |= uint8_t(1 << k);
    s.Converting = ConversionBusy();
    s.StatusBar = StatusBarShown();
    s.ToolBar = ToolBarShown();
    s.ImageShown = (g_Settings.InfoFlags & kInfoImageShown) != 0;
    return s;
}

BYTE ToolBarStyle(ButtonStyle style) {
    switch (style) {
    case ButtonStyle::Check: return TBSTYLE_CHECK;
    case ButtonStyle::CheckGroup: return TBSTYLE_CHECK | TBSTYLE_GROUP;
    case ButtonStyle::Plain: break;
    }
    return TBSTYLE_BUTTON;
}

// The open dialog's filter lists the plug-in types that are loaded.
int ShowOpenDialog(HWND wnd, char* path, size_t size) {
    char pattern[160] = "*.jpeg;*.jpg;*.gif;*.bmp;*.trd";
    int mask = GetPluginMask();
    if (mask & kPluginPng) strcat(pattern, ";*.png");
    if (mask & kPluginTiff) strcat(pattern, ";*.tif");
    if (mask & kPluginWmf) strcat(pattern, ";*.wmf");
    if (mask & kPluginGdip) strcat(pattern, ";*.emf");
    if (mask & kPluginJww) strcat(pattern, ";*.jww;*.jws");
    char filter[200] = {};
    size_t descLen = strlen("画像");
    memcpy(filter, "画像", descLen);
    memcpy(filter + descLen + 1, pattern, strlen(pattern));  // ends in two NULs: the array is zeroed
    snprintf(path, size, "%s", g_Document.File.CPath());
    FileNameQuestion q;
    q.Title = "ファイルを開く";
    q.Filter = filter;
    q.Flags = OFN_FILEMUSTEXIST;
    q.DefaultExtension = "bmp";
    return AskFileName(wnd, FileNameKind::Open, q, path, size) ? 0 : -2;
}

int OpenCommand(HWND wnd, LPARAM) {
    char path[kPathBytes];
    if (ShowOpenDialog(wnd, path, sizeof path) != 0) return -2;
    int rc = OpenFileAndScan(wnd, path);
    if (rc == -2) {
        char text[kPathBytes + 64];
        snprintf(text, sizeof text, "%s が読込めません", path);
        ReportBox(wnd, Box::ErrorLower, text);
    }
    return rc;
}

}  // namespace

HWND CreateMainToolBar(HWND wnd, HINSTANCE instance) {
    TBBUTTON buttons[2 * 64] = {};
    int n = 0;
    for (const CommandInfo& c : CommandTable()) {
        if (c.Button.Image < 0) continue;
        if (c.Button.SeparatorBefore) buttons[n++] = TBBUTTON{0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {}, 0, 0};
        buttons[n++] = TBBUTTON{c.Button.Image, c.Id, TBSTATE_ENABLED, ToolBarStyle(c.Button.Style), {}, 0, 0};
    }
    HWND bar = CreateToolbarEx(wnd, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR, TOOLBAR_IMAGES, instance,
                               IDB_TOOLBAR, buttons, n, 16, 15, 16, 15, sizeof(TBBUTTON));
    if (bar) SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) | TBSTYLE_FLAT);
    return bar;
}

// Tool bar tooltips ask their text by command id.
bool ToolTipText(NMHDR* hdr) {
    if (hdr->code != TTN_GETDISPINFOA) return false;
    const CommandInfo* c = FindCommand(int(hdr->idFrom));
    if (!c || !c->Button.Tip) return false;
    reinterpret_cast<NMTTDISPINFOA*>(hdr)->lpszText = const_cast<char*>(c->Button.Tip);
    return true;
}

void ApplyCommandStates(HWND wnd) {
    const CommandState state = CurrentCommandState();
    HMENU menu = GetMenu(wnd);
    HWND bar = g_Shell.ToolBar;
    for (const CommandInfo& c : CommandTable()) {
        EnableMenuItem(menu, c.Id, MF_BYCOMMAND | (ControlEnabled(c, Surface::Menu, state) ? MF_ENABLED : MF_GRAYED));
        const bool checked = CheckedIn(c, state);
        if (c.Check != CheckMark::None) CheckMenuItem(menu, c.Id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
        if (c.Button.Image < 0 || !bar) continue;
        SendMessageA(bar, TB_ENABLEBUTTON, c.Id, MAKELPARAM(ControlEnabled(c, Surface::Button, state), 0));
        SendMessageA(bar, TB_HIDEBUTTON, c.Id, MAKELPARAM(c.Button.GraffitiOnly && !state.GraffitiMode, 0));
        if (c.Check != CheckMark::None) SendMessageA(bar, TB_CHECKBUTTON, c.Id, MAKELPARAM(checked, 0));
    }
}

bool RefuseWhileConverting() {
    if (!ConversionBusy()) return false;
    SetStatusText(0, kBusyConvertingText);
    MessageBeep(MB_ICONEXCLAMATION);
    return true;
}

void DispatchCommand(HWND wnd, int id, LPARAM lp) {
    switch (JudgeCommand(id, CurrentCommandState())) {
    case DispatchVerdict::Run: break;
    case DispatchVerdict::RefusedConverting: RefuseWhileConverting(); return;
    case DispatchVerdict::NotACommand:
    case DispatchVerdict::NotNow: return;
    }
    const Handler* h = FindHandler(id);
    if (!h) return;
    // A command acts on the picture the user stepped to, as if the step had not waited.
    if (id != IDM_PREV && id != IDM_NEXT && id != IDM_FIRST && id != IDM_LAST) FinishPendingStep();
    if (h->opensToolDialog) CloseOtherToolDialogs(id);
    QuietPreloading(true);
    h->run(wnd, lp);
    QuietPreloading(false);
}

void UpdateGraffitiUi(HWND wnd) {
    ApplyCommandStates(wnd);
    for (const CommandInfo& c : CommandTable())
        if (c.Button.GraffitiOnly) SendMessageA(g_Shell.ToolBar, TB_CHECKBUTTON, c.Id, MAKELPARAM(FALSE, 0));
    SetStatusText(0, GraffitiModeOn() ? "落書き編集" : "");
}

void UpdateProgramMenu(HWND wnd) {
    HMENU menu = GetMenu(wnd);
    for (int k = 0; k < kProgramSlots; ++k) {
        std::string name = FileNamePart(g_Settings.KeyApps[k]);
        char label[400];
        snprintf(label, sizeof label, "外部ソフト[%s]に送る", name.c_str());
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING;
        info.dwTypeData = label;
        SetMenuItemInfoA(menu, IDM_SENDTO1 + k, FALSE, &info);
    }
    ApplyCommandStates(wnd);
    DrawMenuBar(wnd);
}

void ShowPopupMenu(HWND wnd, POINT point) {
    HMENU loaded = LoadMenuA(g_Host.Instance, "MYPOPUP");
    if (!loaded) return;
    HMENU popup = GetSubMenu(loaded, 0);
    const CommandState state = CurrentCommandState();
    for (const CommandInfo& c : CommandTable())
        EnableMenuItem(popup, c.Id, MF_BYCOMMAND | (ControlEnabled(c, Surface::Popup, state) ? MF_ENABLED : MF_GRAYED));
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
    KeySlotAction action = KeySlotActionOf(slot);
    if (action.Command)
        DispatchCommand(wnd, action.Command, 0);
    else if (action.Step)
        StepEntry(wnd, action.Step, 1, true);
}
