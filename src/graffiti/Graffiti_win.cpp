#include "graffiti/Graffiti_win.h"

// The annotation layer arrives with its own store; until then it is always empty and a
// .trd file cannot be opened.
bool GraffitiHasObjects() { return false; }
void ClearGraffiti() {}
int ReadGraffitiFile(HWND, const char*) { return -2; }
void GetGraffitiExtent(int& width, int& height) { width = height = 0; }
void DrawGraffitiLayer(HDC, const ViewMapping&) {}
int GraffitiMouse(HWND, UINT, int state, LPARAM, WPARAM) { return state; }
