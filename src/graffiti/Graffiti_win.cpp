#include "graffiti/Graffiti_win.h"

#include <windowsx.h>

#include "shell/App_win.h"

// The annotation layer arrives with its own store; until then it is always empty and a
// .trd file cannot be opened.
bool GraffitiHasObjects() { return false; }
void ClearGraffiti() {}
int ReadGraffitiFile(HWND, const char*) { return -2; }
void GetGraffitiExtent(int& width, int& height) { width = height = 0; }
void DrawGraffitiLayer(HDC, const ViewMapping&) {}
int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM) {
    // Without an active drawing command the right button opens the pop-up menu.
    if (msg == WM_RBUTTONUP && (state & 0xFF00) == 0) ShowPopupMenu(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return state;
}
