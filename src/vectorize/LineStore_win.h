// The traced vector lines as the rest of the program sees them.
#pragma once
#include <windows.h>

#include "view/ViewState.h"

long VectorLineCount();
void ClearVectorLines();
// Draws the segments that meet the visible source rectangle.
void DrawVectorLines(HDC dc, const ViewState& view);
void CloseVectorDialog();
// Command 161: the conversion dialog (modeless, no owner), or the focus to it.
int OpenConversionDialog(HWND wnd);
// True while a conversion runs: the store must not be released under it.
bool ConversionBusy();

extern COLORREF g_VectorLineColour;
