// The traced lines over the view, and the store's share of image changes.
#include "vectorize/LineStore_win.h"

#include "base/Host_win.h"

#include "vectorize/LineStore.h"

COLORREF g_VectorLineColour = RGB(255, 0, 0);

long VectorLineCount() { return g_Lines.LineCount(); }

void ClearVectorLines() {
    g_Lines.ReleaseStore();
    NotifyChange(Change::Lines);
}

void DrawVectorLines(HDC dc, const ViewState& v) {
    if (g_Lines.LineCount() == 0) return;
    HPEN pen = CreatePen(PS_SOLID, 1, g_VectorLineColour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    // Strong magnification marks both ends, so short lines stay findable.
    const bool ends = v.Scale <= 0.15f;
    // The store counts pixels from 1: image column c is x = c + 1.
    ForEachLineIn(g_Lines, v.SourceX + 1, v.SourceY + 1, v.SourceX + v.SourceWidth, v.SourceY + v.SourceHeight,
                  [&](int x1, int y1, int x2, int y2) {
                      int wx1 = ImageToWindow(x1, v.SourceX, v.Scale) + v.DestX;
                      int wy1 = ImageToWindow(y1, v.SourceY, v.Scale) + v.DestY;
                      int wx2 = ImageToWindow(x2, v.SourceX, v.Scale) + v.DestX;
                      int wy2 = ImageToWindow(y2, v.SourceY, v.Scale) + v.DestY;
                      MoveToEx(dc, wx1, wy1, nullptr);
                      LineTo(dc, wx2, wy2);
                      if (ends) {
                          Ellipse(dc, wx1 - 3, wy1 - 3, wx1 + 3, wy1 + 3);
                          Ellipse(dc, wx2 - 3, wy2 - 3, wx2 + 3, wy2 + 3);
                      }
                  });
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}
