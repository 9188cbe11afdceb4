#include "graffiti/Graffiti_win.h"

#include <windowsx.h>

#include "base/Host_win.h"

int g_GraffitiEditState = kEditNone;
char GraffitiFilePath[kPathBytes];
int GraffitiFileShown;

namespace {

bool g_Changed = false;

}  // namespace

// The annotation layer arrives with its own store; until then it is always empty and a
// .trd file cannot be opened.
bool GraffitiHasObjects() { return false; }
bool GraffitiChanged() { return g_Changed; }
void MarkGraffitiChanged() {
    g_Changed = true;
    NotifyChange(Change::Graffiti);
}
void ClearGraffiti() {
    g_Changed = false;
    GraffitiFileShown = 0;
}
int ReadGraffitiFile(HWND, const char*) { return -2; }
void GetGraffitiExtent(int& width, int& height) { width = height = 0; }
void DrawGraffitiLayer(HDC, const ViewMapping&) {}
int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM) {
    // Without an active drawing command the right button opens the pop-up menu.
    if (msg == WM_RBUTTONUP && (state & kEditToolMask) == 0)
        RequestPopupMenu(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return state;
}
