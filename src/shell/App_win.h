// Process-wide shell state of the one main window, shared by the glue files.
#pragma once
#include <windows.h>

#include "shell/Settings.h"

constexpr UINT WM_APP_FOREGROUND = WM_APP;          // sent by the drag-out drop source
constexpr UINT WM_APP_UPDATE_RESULT = WM_APP + 1;   // update check finished: wParam = version or -1, lParam = manual
constexpr UINT WM_APP_SCAN_DONE = WM_APP + 2;       // folder scan finished: wParam = generation, lParam = result

struct ShellState {
    HINSTANCE Instance = nullptr;
    HWND MainWindow = nullptr;
    HWND StatusBar = nullptr;
    HWND ToolBar = nullptr;
    uint32_t WindowFlags = 3;  // bit 0 status bar, bit 1 tool bar, bit 2 graffiti mode
    char CommandLinePath[kPathBytes] = {};
    bool CommandLineGiven = false;
    char ProgramFolder[kPathBytes] = {};
    int ImageEdited = 0;
    int GraffitiEditState = 0;
    bool GraffitiConfirm = false;
    bool SettingsKeyExisted = false;
    HWND VectorDialog = nullptr, ImagePathDialog = nullptr, LineStyleDialog = nullptr;
    HWND TextStyleDialog = nullptr, GraffitiOutDialog = nullptr, FileListDialog = nullptr;
    char SizeText[64] = {};  // " %d × %d" of the last WM_SIZE, restored after gestures
};
extern ShellState g_Shell;
extern ShellSettings g_Settings;

inline bool StatusBarShown() { return (g_Shell.WindowFlags & 1) != 0; }
inline bool ToolBarShown() { return (g_Shell.WindowFlags & 2) != 0; }
inline bool GraffitiModeOn() { return (g_Shell.WindowFlags & 4) != 0; }

void SetStatusText(int part, const char* text);
void PlaceWindow(HWND wnd, int mode);
void LoadSettings();
void SaveSettings(HWND wnd);
void StoreUpdateCheckDay(int32_t day);
// The settings key of the current user, for the tool dialogs' own values.
std::unique_ptr<SettingsRegistry> MakeSettingsRegistry();
void StartUpdateCheck(HWND wnd, bool manual);
void OnUpdateResult(HWND wnd, WPARAM wp, LPARAM lp);
void UpdateTitle(HWND wnd);

// Commands, tool bar and menus.
HWND CreateMainToolBar(HWND wnd, HINSTANCE instance);
bool ToolTipText(NMHDR* hdr);
void ApplyInitialMenuState(HWND wnd);
// Menu items and buttons follow the real state: an image loaded, two or more entries.
void UpdateCommandStates(HWND wnd);
void EnableCommand(HWND wnd, int id, bool enable);
void DispatchCommand(HWND wnd, int id, LPARAM lp);
void HandleAssignedKey(HWND wnd, int vk);
void UpdateGraffitiUi(HWND wnd);
// The tool dialogs exclude each other: every open one except `keep` is asked to close.
void CloseOtherToolDialogs(HWND keep);
void UpdateProgramMenu(HWND wnd);
void ShowPopupMenu(HWND wnd, POINT clientPoint);

// Opening a file: load it and catalogue its folder.
int OpenFileAndScan(HWND wnd, const char* path);

// The folder catalogue.
void StartFolderScan(HWND wnd);
void CancelFolderScan();
void OnScanDone(HWND wnd, WPARAM wp, LPARAM lp);
bool SelectEntry(HWND wnd, int position, int keep);
void Navigate(HWND wnd, int delta, int keep);
// One entry back or on; at either end nothing happens (a beep when asked for).
void StepEntry(HWND wnd, int delta, int keep, bool beepAtEnd);
void DeleteCurrentFile(HWND wnd);
void SortCatalogueCommand(HWND wnd, int order);
void ShowFileList(HWND wnd);
int CatalogueCount();
int CatalogueCurrentIndex();
int CatalogueLastIndex();
