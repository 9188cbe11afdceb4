// The traced vector lines as the rest of the program sees them.
#pragma once
#include <windows.h>

#include "view/ViewState.h"

long VectorLineCount();
void ClearVectorLines();
// Draws the segments that meet the visible source rectangle.
void DrawVectorLines(HDC dc, const ViewState& view);
void CloseVectorDialog();
