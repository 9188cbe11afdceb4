// The graffiti layer as the rest of the program sees it.
#pragma once
#include <windows.h>

#include "view/ViewState.h"

bool GraffitiHasObjects();
void ClearGraffiti();
// Reads a .trd file into the layer and leaves its background (or a blank canvas) as the
// current image; 0 on success.
int ReadGraffitiFile(HWND wnd, const char* path);
void GetGraffitiExtent(int& width, int& height);
void DrawGraffitiLayer(HDC dc, const ViewMapping& mapping);
// The editor's answer to a mouse message the view did not take: the new editing state.
int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM wp);
