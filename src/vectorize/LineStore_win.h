// The traced vector lines as the rest of the program sees them.
#pragma once
#include <windows.h>

#include "view/ViewState.h"

long VectorLineCount();
void ClearVectorLines();
// Draws the segments that meet the visible source rectangle.
void DrawVectorLines(HDC dc, const ViewState& view);
// The conversion dialog (modeless, no owner): opened by command 161 or a key, or given the
// focus; null while closed.
int OpenConversionDialog(HWND wnd);
// A modeless tool dialog without an owner, opened into `slot` only with a picture, or given
// the focus when it is open already; -2 without a picture.
int OpenToolDialog(HWND& slot, int resource, DLGPROC proc);
HWND ConversionDialogWindow();
void CloseVectorDialog();
// True while a conversion runs: the store must not be released under it.
bool ConversionBusy();

extern COLORREF g_VectorLineColour;
