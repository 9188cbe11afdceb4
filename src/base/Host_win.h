// The one main window as every part sees it: its handles, the bars, the status text, the
// settings key, and the way a part tells the shell that something changed. Parts below the
// shell never call command code; they report here and the shell follows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "base/Settings.h"

// WindowFlags: which bars are shown, and graffiti mode.
enum WindowFlag : uint32_t {
    kWindowStatusBar = 0x1,
    kWindowToolBar = 0x2,
    kWindowGraffitiMode = 0x4,
    kWindowBars = kWindowStatusBar | kWindowToolBar,
};

struct HostWindow {
    HINSTANCE Instance = nullptr;
    HWND MainWindow = nullptr;
    HWND StatusBar = nullptr;
    uint32_t WindowFlags = kWindowBars;
    char SizeText[64] = {};  // " %d × %d" of the last WM_SIZE, restored after gestures
};
extern HostWindow g_Host;

inline bool StatusBarShown() { return (g_Host.WindowFlags & kWindowStatusBar) != 0; }
inline bool ToolBarShown() { return (g_Host.WindowFlags & kWindowToolBar) != 0; }
inline bool GraffitiModeOn() { return (g_Host.WindowFlags & kWindowGraffitiMode) != 0; }

void SetStatusText(int part, const char* text);
// Positions a dialog on the desktop (PlaceMode).
void PlaceWindow(HWND wnd, int mode);
// After a tool dialog changed what the window shows: repaint it and bring it forward.
void RaiseMainWindow();
// The system colour chooser, opened full at `colour` with the caller's 16 custom colours;
// false (colour unchanged) when cancelled.
bool ChooseColour(HWND owner, uint32_t& colour, COLORREF* custom);
// The settings key of the current user, for the tool dialogs' own values.
std::unique_ptr<SettingsRegistry> MakeSettingsRegistry();

enum class Change {
    Picture,          // a new current picture: refit the view to it
    PictureKeepView,  // a new current picture of the same drawing: keep the view
    Lines,            // the vector lines changed
    Graffiti,         // the graffiti layer changed
};
struct HostCallbacks {
    void (*Changed)(Change change) = nullptr;
    void (*PopupMenu)(HWND wnd, POINT clientPoint) = nullptr;
    void (*DragOut)() = nullptr;  // drags the current file out; returns when the drag ended
};
// Installed once by the shell at start-up.
void SetHostCallbacks(const HostCallbacks& callbacks);
void NotifyChange(Change change);
void RequestPopupMenu(HWND wnd, POINT clientPoint);
void RequestDragOut();

// A whole file into `bytes`; false when it cannot be read. A file over `limit` bytes is read
// only to limit + 1, which is enough for the caller to call it too large.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, uint32_t limit);
