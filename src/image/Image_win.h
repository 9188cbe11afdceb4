// The current image: its bitmap, the current file's bytes and metadata, and the
// Susie plug-ins that decode PNG, TIFF, WMF and EMF.
#pragma once
#include <windows.h>

#include <string>

#include "base/Limits.h"
#include "base/SjisText.h"
#include "exif/ExifSummary.h"
#include "image/PluginMask.h"

enum PluginSlot { kSlotPng, kSlotSpare, kSlotGif, kSlotWmf, kSlotGdip, kSlotTiff, kSlotJww, kSlotCount };

class ShownPicture {
public:
    ~ShownPicture();
    BITMAP Bitmap = {};
    HGLOBAL FileBytes = nullptr;
    DWORD FileSize = 0;
    const BYTE* FileData = nullptr;
    COLORREF OverlayColor = RGB(255, 0, 0);
    ExifSummary Exif = {};
    HBITMAP Current = nullptr;
    // The file the picture was read from (for a graffiti file, its background); empty for a
    // blank canvas. Which file is open is the document's business, not the picture's.
    std::string SourcePath;
    // The name part of SourcePath, without its folder.
    std::string SourceName() const {
        const size_t sep = LastPathSeparator(SourcePath, PathRule::Cp932);
        return sep == std::string::npos ? SourcePath : SourcePath.substr(sep + 1);
    }
    // Rotated or converted since it was loaded or saved: leaving asks first.
    bool Edited = false;
};
extern ShownPicture g_Image;

// Starts GDI+ for the run; false (after saying so) when it cannot be had.
bool StartGdiplus();
bool GdiplusReady();

// The only way a file's picture becomes the one shown. keepGraffiti 1 also keeps the view.
// 0 or -2; the shell is told of the new picture (or of none, after a failure).
int LoadImageFile(HWND wnd, const char* path, int keepGraffiti);
void LoadPlugins(HWND owner, const char* folder);
void UnloadPlugins();
int GetPluginMask();
int GetImageSize(int& width, int& height);
int GetBitsPerPixel();
void CreateBlankImage(HWND wnd, int width, int height);
// Installs a new bitmap of the same file (rotation, conversion); the old one goes.
void ReplaceCurrentBitmap(HBITMAP bitmap, bool keepView);
void ReleaseImage();
// A DIB header of that size and depth, BI_RGB; a negative height stores the top row first.
inline BITMAPINFOHEADER DibHeader(int width, int height, int bitCount) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bitCount);
    h.biCompression = BI_RGB;
    return h;
}

// A bottom-up 1-bit DIB header with room for its two palette entries.
struct MonoDibInfo {
    BITMAPINFOHEADER Header = {};
    RGBQUAD Colors[2] = {};
    MonoDibInfo(int width, int height) : Header(DibHeader(width, height, 1)) {}
    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

// The rows of a bitmap in the DIB layout `info` describes (header filled in, room for the
// palette after it, which is filled); false unless every row was read.
bool ReadBitmapRows(HBITMAP bitmap, BITMAPINFO* info, void* rows);
inline bool HasImage() { return g_Image.Current != nullptr; }
