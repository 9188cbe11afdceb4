// Bringing the current picture into JWW: the metafile copy of the view (with the same
// objects as a "Jw_win" block), the image-path dialog and the graffiti export dialog.
#pragma once
#include <windows.h>

#include "base/SafeFile.h"

// The visible part of the view (image, graffiti, vector lines) as an enhanced metafile: on
// the clipboard (with the "Jw_win" block when CP_JWout is on) or, with a file name, in that
// file. dpi and n give the drawing's scale (n 0: the view's zoom). 0, −1 (clipboard or file),
// −2 (memory, or values that cannot be used); every failure has been shown.
int CopyViewAsEmf(HWND window, const char* fileName, int dpi, int n);
// The save command's ".emf": the view at the screen's resolution, into `path`.
SaveResult WriteViewEmf(HWND window, const char* path);

// Dialogs 899 and 1399: modeless, one each, only with a picture.
int OpenImagePathDialog(HWND wnd);
int OpenGraffitiExportDialog(HWND wnd);
HWND ImagePathDialogWindow();
HWND GraffitiExportDialogWindow();
void CloseImagePathDialog();
void CloseGraffitiExportDialog();
