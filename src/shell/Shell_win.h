// The shell's glue: the main window's own state, commands, the catalogue, the title and the
// one entry through which every new picture, line or graffiti change reaches the window.
#pragma once
#include <windows.h>

#include "base/Host_win.h"
#include "base/Limits.h"
#include "document/CurrentFile.h"
#include "imageops/Batch_win.h"
#include "imageops/DragOutData.h"
#include "shell/DiscardPlan.h"

constexpr UINT WM_APP_FOREGROUND = WM_APP;          // a drag-out ended: wParam = DiskChange
constexpr UINT WM_APP_UPDATE_RESULT = WM_APP + 1;   // update check finished: wParam = version or -1, lParam = manual
constexpr UINT WM_APP_SCAN_DONE = WM_APP + 2;       // folder scan finished: wParam = generation, lParam = result

struct ShellState {
    HWND ToolBar = nullptr;
    HWND FileListDialog = nullptr;
    char CommandLinePath[kPathBytes] = {};
    bool CommandLineGiven = false;
    char ProgramFolder[kPathBytes] = {};
    bool SettingsKeyExisted = false;
};
extern ShellState g_Shell;

constexpr const char* kHomePage = "https://www.norvane.example/pixaro/";

// Settings and the update check.
void LoadSettings();
void SaveSettings(HWND wnd);
void StoreUpdateCheckDay(int32_t day);
void StartUpdateCheck(HWND wnd, bool manual);
void OnUpdateResult(HWND wnd, WPARAM wp, LPARAM lp);
void UpdateTitle(HWND wnd);

// Commands, tool bar and menus, all derived from the command table.
HWND CreateMainToolBar(HWND wnd, HINSTANCE instance);
bool ToolTipText(NMHDR* hdr);
// Every menu item, button and check mark follows the real state.
void ApplyCommandStates(HWND wnd);
void DispatchCommand(HWND wnd, int id, LPARAM lp);
void HandleAssignedKey(HWND wnd, int vk);
void UpdateGraffitiUi(HWND wnd);
void UpdateProgramMenu(HWND wnd);
void ShowPopupMenu(HWND wnd, POINT clientPoint);
// A new picture, lines or graffiti: view, commands, title and tool dialogs follow.
void OnChange(Change change);
// While a conversion writes lines for the current picture nothing may replace it: true
// (with the reason in the status bar) when that is so.
bool RefuseWhileConverting();
// Asks the plan's questions for leaving the current picture; true when the user agreed (or
// nothing needed asking) and what had to go is gone.
bool ConfirmDiscard(HWND wnd, DiscardReason reason);

// Opening a file: the questions, the load and the scan of its folder. 0, -2 or -3 (declined).
int OpenFileAndScan(HWND wnd, const char* path);
// Loads a path as the current picture (an image, or a graffiti file with its canvas).
int LoadPath(HWND wnd, const char* path, int keep);
// The file the picture on screen was read from: the open file, or a graffiti file's
// background; empty for a blank canvas.
CurrentFile PictureFile();

// The settings dialogs: display settings, external programs and keys, and the about box are
// modal; the window size dialog is modeless and ownerless.
int ShowDisplaySettings(HWND wnd);
int ShowProgramSettings(HWND wnd);
int ShowAbout(HWND wnd);
void OpenWindowSizeDialog();
HWND WindowSizeDialogWindow();

// The folder catalogue.
void StartFolderScan(HWND wnd);
void CancelFolderScan();
void OnScanDone(HWND wnd, WPARAM wp, LPARAM lp);
bool SelectEntry(HWND wnd, int position, int keep);
void Navigate(HWND wnd, int delta, int keep);
// One entry back or on; at either end nothing happens (a beep when asked for).
void StepEntry(HWND wnd, int delta, int keep, bool beepAtEnd);
void DeleteCurrentFile(HWND wnd);
// After a drag-out: the file reloaded, or the folder rescanned (and the neighbour shown).
void AfterDragOutEnded(HWND wnd, AfterDragOut action);
void SortCatalogueCommand(HWND wnd, int order);
// Asks for the current entry's neighbours to be decoded ahead; OnPictureReady shows the
// entry stepped to once its decode has ended.
void PreloadNeighbours();
void OnPictureReady();
// Shows the entry stepped to now, waiting for its decode.
void FinishPendingStep();
void ShowFileList(HWND wnd);
int CatalogueCount();
int CatalogueCurrentIndex();
int CatalogueLastIndex();
// What a batch run reads and changes of the catalogue.
std::vector<std::string> CatalogueNamesInOrder();
void ApplyBatchChanges(const std::vector<BatchEntryChange>& changes);
