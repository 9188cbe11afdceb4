// The save command and the writers it shares with the other commands that write pictures.
#pragma once
#include <windows.h>

#include "base/SafeFile.h"

// The common dialog's error, if it was one (code 0 is the user's cancel and says nothing).
void ShowCommonDialogError(HWND owner, DWORD code);
// The index of the GDI+ encoder for the MIME type, its CLSID in `clsid`; -1 when none.
int GetEncoderClsid(const WCHAR* mime, CLSID* clsid);

// The bitmap (the current image's own when null) written as a file of that format.
SaveResult WritePng(const char* path, HBITMAP bitmap);
SaveResult WriteJpeg(const char* path, HBITMAP bitmap);
SaveResult WriteGif(const char* path, HBITMAP bitmap);
SaveResult WriteTiff(const char* path, HBITMAP bitmap);
// The view as it is on screen, as a 24-bit BMP.
SaveResult WriteScreenBmp(HWND wnd, const char* path);

// The picture as the save command would draw it (with the graffiti when shown) as a JPEG;
// its size in pixels in width and height.
SaveResult WriteDisplayedJpeg(HWND wnd, const char* path, int& width, int& height);
// The size that picture has, without drawing it; false when it could not be made.
bool DisplayedPictureSize(int& width, int& height);

// Writes an .emf file of the view, for the save command; set by the shell, which owns the
// metafile copy.
using ViewEmfWriter = SaveResult (*)(HWND wnd, const char* path);
void SetViewEmfWriter(ViewEmfWriter writer);

// The save command. True when a file was written, so the shell lists the folder again.
bool SaveCurrentImage(HWND wnd);
