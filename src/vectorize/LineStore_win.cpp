#include "vectorize/LineStore_win.h"

// The tracer and its store arrive later; until then there are no lines to draw.
long VectorLineCount() { return 0; }
void ClearVectorLines() {}
void DrawVectorLines(HDC, const ViewState&) {}
void CloseVectorDialog() {}
