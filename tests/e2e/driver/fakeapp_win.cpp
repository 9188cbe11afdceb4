// fakeapp: a stand-in for pixaro.exe with the same window class, controls and command ids, so
// every verb of pixdrv can be proved without the real program (see selftest.sh).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "imageops/DragOut_win.h"
#include "resources/resource.h"

namespace {

constexpr int kDialogEdit = 1001, kDialogCheck = 1002, kDialogReport = 1003, kDialogCombo = 1004;
constexpr COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
constexpr char kRegKey[] = "Software\\PixdrvFake";

HWND g_main, g_status, g_toolbar;
int g_index;            // which colour fills the client area
bool g_slowPaint;       // IDM_SHOWIMAGE: each WM_PAINT takes 150 ms
char g_name[MAX_PATH] = "";
char g_path[MAX_PATH] = "";  // dragged out by the left button alone, as pixaro does
POINT g_leftDown;

void SetStatus(int part, const char* text) { SendMessageA(g_status, SB_SETTEXTA, part, (LPARAM)text); }

void ShowState() {
    char buf[64];
    snprintf(buf, sizeof buf, "%d/3", g_index + 1);
    SetStatus(0, buf);
    SendMessageA(g_toolbar, TB_ENABLEBUTTON, IDM_PREV, g_index > 0);
    InvalidateRect(g_main, nullptr, TRUE);
}

void SetTitle(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/') name = p + 1;
    lstrcpynA(g_name, name, MAX_PATH);
    lstrcpynA(g_path, path, MAX_PATH);
    char title[MAX_PATH + 16];
    snprintf(title, sizeof title, "%s - Pixaro", g_name);
    SetWindowTextA(g_main, *g_name ? title : "Pixaro");
}

HMENU BuildMenu() {
    HMENU file = CreatePopupMenu(), view = CreatePopupMenu(), sort = CreatePopupMenu(), help = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, IDM_SAVE, "保存(&S)");
    AppendMenuA(file, MF_STRING, IDM_DELETE, "削除(&D)");
    AppendMenuA(file, MF_STRING, IDM_EXIT, "終了(&X)");
    AppendMenuA(sort, MF_STRING, IDM_SORT_NATURAL, "自然順");
    AppendMenuA(sort, MF_STRING, IDM_SORT_CODE, "コード順");
    AppendMenuA(view, MF_STRING | MF_CHECKED, IDM_STATUSBAR, "ステータスバー");
    AppendMenuA(view, MF_POPUP, (UINT_PTR)sort, "並べ替え");
    AppendMenuA(help, MF_STRING, IDM_ABOUT, "バージョン情報");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "ファイル(&F)");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)view, "表示(&V)");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)help, "ヘルプ(&H)");
    return bar;
}

// Like many programs, grays and checks are set only when a pop-up opens.
void OnInitMenuPopup(HMENU menu) {
    EnableMenuItem(menu, IDM_DELETE, MF_BYCOMMAND | (g_index > 0 ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, IDM_SORT_CODE, MF_BYCOMMAND | (g_index == 2 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, IDM_STATUSBAR, MF_BYCOMMAND | (IsWindowVisible(g_status) ? MF_CHECKED : MF_UNCHECKED));
}

INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SetDlgItemTextA(dlg, kDialogEdit, "初期値");
        // For save-text: CRLF lines, trail bytes 0x5C, half-width kana, no final line break,
        // and longer than any fixed buffer (selftest.sh builds the same bytes).
        std::string report;
        for (int i = 0; i < 5000; ++i) {
            char line[64];
            snprintf(line, sizeof line, "%03d 表示ソフト能力 ｶﾅ\r\n", i);
            report += line;
        }
        report += "終わり";
        SendDlgItemMessageA(dlg, kDialogReport, EM_SETLIMITTEXT, 0, 0);
        SetDlgItemTextA(dlg, kDialogReport, report.c_str());
        for (const char* item : {"---", "[A]", "[B]"}) SendDlgItemMessageA(dlg, kDialogCombo, CB_ADDSTRING, 0, LPARAM(item));
        SendDlgItemMessageA(dlg, kDialogCombo, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    // Item 2 is taken: a pick of it goes back to the previous one.
    static LRESULT previous = 0;
    if (msg == WM_COMMAND && LOWORD(wp) == kDialogCombo && HIWORD(wp) == CBN_SELCHANGE) {
        LRESULT picked = SendDlgItemMessageA(dlg, kDialogCombo, CB_GETCURSEL, 0, 0);
        if (picked == 2)
            SendDlgItemMessageA(dlg, kDialogCombo, CB_SETCURSEL, previous, 0);
        else
            previous = picked;
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        if (LOWORD(wp) == IDOK) {
            char text[256], line[320];
            GetDlgItemTextA(dlg, kDialogEdit, text, sizeof text);
            snprintf(line, sizeof line, "%s %s %d", text, IsDlgButtonChecked(dlg, kDialogCheck) ? "on" : "off",
                     int(SendDlgItemMessageA(dlg, kDialogCombo, CB_GETCURSEL, 0, 0)));
            SetStatus(1, line);
        }
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

void SaveSettings() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)) return;
    DWORD index = DWORD(g_index);
    RegSetValueExA(key, "Index", 0, REG_DWORD, (const BYTE*)&index, sizeof index);
    RegSetValueExA(key, "Name", 0, REG_SZ, (const BYTE*)"表示名", DWORD(strlen("表示名") + 1));
    RegCloseKey(key);
}

HGLOBAL GlobalCopy(const void* data, size_t size) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    if (h) {
        memcpy(GlobalLock(h), data, size);
        GlobalUnlock(h);
    }
    return h;
}

// For clip-save: a registered block with a NUL inside and an odd size (also written to
// jw_win.bin for file-same), text with its NUL, a bitmap of known pixels and a metafile.
void CopyToClipboard(HWND wnd) {
    unsigned char block[147];
    for (size_t i = 0; i < sizeof block; ++i) block[i] = (unsigned char)(i * 37 + 11);
    HANDLE f = CreateFileA("jw_win.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    if (f != INVALID_HANDLE_VALUE) {
        WriteFile(f, block, sizeof block, &written, nullptr);
        CloseHandle(f);
    }
    const char text[] = "図形 ﾃｷｽﾄ\r\n";
    // Bottom-up 24-bit rows, blue-green-red: 3 x 2 pixels padded to 12 bytes a row.
    const unsigned char pixels[24] = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,
                                      0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x56, 0x34, 0x12, 0, 0, 0};
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 3, 2);
    SetDIBits(screen, bmp, 0, 2, pixels, &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    HDC emf = CreateEnhMetaFileA(nullptr, nullptr, nullptr, "fakeapp\0clip\0");
    Rectangle(emf, 10, 10, 90, 60);
    HENHMETAFILE meta = CloseEnhMetaFile(emf);
    if (!OpenClipboard(wnd)) return;
    EmptyClipboard();
    SetClipboardData(RegisterClipboardFormatA("Jw_win"), GlobalCopy(block, sizeof block));
    SetClipboardData(CF_TEXT, GlobalCopy(text, sizeof text));
    SetClipboardData(CF_BITMAP, bmp);
    SetClipboardData(CF_ENHMETAFILE, meta);
    CloseClipboard();
}

// For save-dialog and attrib: the name chosen goes to the status bar and the file gets a known
// text, unless it is read-only (checked here: under Wine root may write it, and MoveFileEx
// replaces it).
void SaveAs(HWND wnd) {
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = wnd;
    ofn.lpstrFilter = "テキスト\0*.txt\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "出力先";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;  // IDM_SAVE writes to the current folder
    ofn.lpstrDefExt = "txt";
    if (!GetSaveFileNameA(&ofn)) {
        SetStatus(1, "キャンセル");
        return;
    }
    const char text[] = "新しい内容";
    DWORD attr = GetFileAttributesA(path);
    bool ok = attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_READONLY);
    HANDLE f = ok ? CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr) : INVALID_HANDLE_VALUE;
    DWORD written = 0;
    ok = f != INVALID_HANDLE_VALUE && WriteFile(f, text, DWORD(strlen(text)), &written, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    char line[MAX_PATH + 32];
    snprintf(line, sizeof line, "%s%s", ok ? "" : "書けません ", path);
    SetStatus(1, line);
}

UINT_PTR CALLBACK OldStyleHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

// A hook without OFN_EXPLORER gets the old dialog, whose name box is edt1, not cmb13.
void OpenOldStyle(HWND wnd) {
    char path[MAX_PATH] = "", line[MAX_PATH + 16];
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = wnd;
    ofn.lpstrFilter = "テキスト\0*.txt\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "古い形式";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_ENABLEHOOK;
    ofn.lpfnHook = OldStyleHook;
    // An open dialog moves the current folder, OFN_NOCHANGEDIR or not.
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    snprintf(line, sizeof line, "開く %s", GetOpenFileNameA(&ofn) ? path : "-");
    SetCurrentDirectoryA(folder);
    SetStatus(1, line);
}

void OnCommand(HWND wnd, int id) {
    switch (id) {
    case IDM_NEXT: g_index = (g_index + 1) % 3; ShowState(); break;
    case IDM_PREV: g_index = (g_index + 2) % 3; ShowState(); break;
    case IDM_SAVE: {
        HANDLE f = CreateFileA("保存 結果.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        break;
    }
    case IDM_SHOWIMAGE:
        g_slowPaint = !g_slowPaint;
        SendMessageA(g_toolbar, TB_CHECKBUTTON, IDM_SHOWIMAGE, g_slowPaint);
        break;
    case IDM_STATUSBAR: ShowWindow(g_status, IsWindowVisible(g_status) ? SW_HIDE : SW_SHOW); break;
    case IDM_ABOUT: {
        int r = MessageBoxA(wnd, "画像ビューア\n続けますか?", "Pixaro", MB_YESNO | MB_ICONQUESTION);
        SetStatus(1, r == IDYES ? "はい" : "いいえ");
        break;
    }
    case IDM_INFO: SetTimer(wnd, 1, 300, nullptr); break;               // a box that comes late
    case IDM_FINE_ROTATE: Sleep(400); MessageBoxA(wnd, "遅い箱", "Pixaro", MB_OK); break;
    case IDM_DISPLAY_SETTINGS:
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DISPLAY_SETTINGS), wnd, SettingsProc, 0);
        break;
    case IDM_EMF_COPY: PostQuitMessage(3); break;                       // a bad exit code
    case IDM_GRAFFITI_OUT: CopyToClipboard(wnd); break;
    case IDM_IMAGEPATH_OUT: SaveAs(wnd); break;
    case IDM_OPEN: OpenOldStyle(wnd); break;
    case IDM_BATCH: Sleep(60000); break;                                // a hung program
    case IDM_EXIT: DestroyWindow(wnd); break;
    case IDM_MONOCHROME:                                                // a leak of every kind
        for (int i = 0; i < 20; ++i) {
            CreateEventW(nullptr, TRUE, FALSE, nullptr);
            CreateSolidBrush(RGB(i, 0, 0));
            CreateMenu();
        }
        SetStatus(1, "leaked");
        break;
    }
}

void OnPaint(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    if (g_slowPaint) Sleep(150);
    HBRUSH brush = CreateSolidBrush(kColours[g_index]);
    FillRect(dc, &ps.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(wnd, &ps);
}

void ShowMouse(const char* what, LPARAM lp, WPARAM keys) {
    char buf[64];
    snprintf(buf, sizeof buf, "%s %d,%d%s%s", what, (short)LOWORD(lp), (short)HIWORD(lp),
             keys & MK_LBUTTON ? " L" : "", keys & MK_RBUTTON ? " R" : "");
    SetStatus(1, buf);
}

// Like the view's menu: built when the right button comes up, gone when it closes.
void ShowPopup(HWND wnd, LPARAM lp) {
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, IDM_INFO, "情報");
    AppendMenuA(popup, MF_STRING | MF_GRAYED, IDM_MAP, "地図");
    POINT pt{(short)LOWORD(lp), (short)HIWORD(lp)};
    ClientToScreen(wnd, &pt);
    TrackPopupMenu(popup, 0, pt.x, pt.y, 0, wnd, nullptr);
    DestroyMenu(popup);
}

void OnDrop(HDROP drop) {
    char first[MAX_PATH] = "", buf[64];
    UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    DragQueryFileA(drop, 0, first, MAX_PATH);
    POINT pt;
    DragQueryPoint(drop, &pt);
    DragFinish(drop);
    snprintf(buf, sizeof buf, "drop %u at %ld,%ld", n, pt.x, pt.y);
    SetStatus(1, buf);
    SetTitle(first);
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: OnCommand(wnd, LOWORD(wp)); return 0;
    case WM_INITMENUPOPUP: OnInitMenuPopup(HMENU(wp)); return 0;
    case WM_PAINT: OnPaint(wnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
        SendMessageA(g_status, WM_SIZE, 0, 0);
        SendMessageA(g_toolbar, TB_AUTOSIZE, 0, 0);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_RIGHT || wp == VK_NEXT) OnCommand(wnd, IDM_NEXT);
        if (wp == VK_LEFT || wp == VK_PRIOR) OnCommand(wnd, IDM_PREV);
        if (wp == VK_HOME) { g_index = 0; ShowState(); }
        if (wp == 'S' && GetKeyState(VK_CONTROL) < 0) SetStatus(1, "ctrl S");
        return 0;
    case WM_SYSKEYDOWN:
        if (wp == 'X') { SetStatus(1, "alt X"); return 0; }
        break;
    case WM_CHAR: {
        if (wp < 0x20) return 0;
        char buf[32];
        snprintf(buf, sizeof buf, "char %c", char(wp));
        SetStatus(1, buf);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        POINT pt{(short)LOWORD(lp), (short)HIWORD(lp)};
        ScreenToClient(wnd, &pt);
        char buf[64];
        snprintf(buf, sizeof buf, "wheel %d at %ld,%ld", (short)HIWORD(wp), pt.x, pt.y);
        SetStatus(1, buf);
        return 0;
    }
    case WM_LBUTTONDOWN:
        g_leftDown = {(short)LOWORD(lp), (short)HIWORD(lp)};
        ShowMouse("ldown", lp, wp);
        return 0;
    case WM_LBUTTONUP: ShowMouse("lup", lp, wp); return 0;
    case WM_RBUTTONDOWN: ShowMouse("rdown", lp, wp); return 0;
    case WM_RBUTTONUP:
        ShowMouse("rup", lp, wp);
        ShowPopup(wnd, lp);
        return 0;
    case WM_MOUSEMOVE: {
        if (wp) ShowMouse("move", lp, wp);
        const long dx = (short)LOWORD(lp) - g_leftDown.x, dy = (short)HIWORD(lp) - g_leftDown.y;
        if (wp == MK_LBUTTON && *g_path && dx * dx + dy * dy > 1600) DragOutCurrentFile(wnd, g_path);
        return 0;
    }
    case WM_APP: SetStatus(1, "drag ended"); return 0;
    case WM_DROPFILES: OnDrop(HDROP(wp)); return 0;
    case WM_TIMER:
        KillTimer(wnd, wp);
        MessageBoxA(wnd, "遅れて出る箱", "Pixaro", MB_OK | MB_ICONWARNING);
        return 0;
    case WM_CLOSE: SaveSettings(); DestroyWindow(wnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

HWND CreateToolbar(HWND parent) {
    HWND tb = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT, 0, 0, 0, 0,
                              parent, (HMENU)IDC_TOOLBAR, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP std{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageA(tb, TB_ADDBITMAP, 0, (LPARAM)&std);
    TBBUTTON buttons[] = {
        {STD_UNDO, IDM_PREV, 0, BTNS_BUTTON, {}, 0, 0},
        {STD_REDOW, IDM_NEXT, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {STD_PROPERTIES, IDM_SHOWIMAGE, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, 0},
        {STD_HELP, IDM_INFO, TBSTATE_ENABLED | TBSTATE_HIDDEN, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageA(tb, TB_ADDBUTTONS, ARRAYSIZE(buttons), (LPARAM)buttons);
    SendMessageA(tb, TB_AUTOSIZE, 0, 0);
    return tb;
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmdLine, int show) {
    if (lstrcmpA(cmdLine, "bad") == 0) MessageBoxA(nullptr, "開けません", "Error", MB_OK | MB_ICONERROR);  // before the window
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "Pixaro";
    RegisterClassA(&wc);
    g_main = CreateWindowExA(WS_EX_ACCEPTFILES, "Pixaro", "Pixaro", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 480,
                             nullptr, BuildMenu(), inst, nullptr);
    g_toolbar = CreateToolbar(g_main);
    g_status = CreateWindowExA(0, STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                               g_main, (HMENU)IDC_STATUSBAR, inst, nullptr);
    int parts[] = {120, 400, -1};
    SendMessageA(g_status, SB_SETPARTS, 3, (LPARAM)parts);
    SetStatus(2, "日本語テキスト");
    char arg[MAX_PATH];
    lstrcpynA(arg, cmdLine, MAX_PATH);
    char* p = arg;
    if (*p == '"') {
        p++;
        if (char* q = strchr(p, '"')) *q = 0;
    }
    SetTitle(lstrcmpA(p, "bad") == 0 ? "" : p);
    ShowState();
    ShowWindow(g_main, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
