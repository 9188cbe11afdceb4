// What a save will write, decided before anything is written: the writer for the chosen
// extension, the proposed name, the canvas around the image and the graffiti, and the
// names that must never be written over by accident.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "graffiti/GraffitiStore.h"

enum class SaveFormat { Trd, Jpeg, Emf, Tiff, Png, Gif, Bmp, Unknown };

// By extension (with its dot), without regard to case.
SaveFormat FormatOfExtension(const char* extension);

// The name the save dialog proposes: the current file's drive, folder and name, plus "_memo"
// unless the layer came from a .trd file of that name. False when it does not fit `size`.
bool ProposedSaveName(const char* drive, const char* folder, const char* name, bool fromGraffitiFile, char* out,
                      size_t size);

// The saved picture: the image at (ImageX, ImageY) on a white canvas widened to take the
// graffiti that reaches beyond it. Ok is false when the canvas could not be held.
struct CanvasPlan {
    int Width = 0, Height = 0, ImageX = 0, ImageY = 0;
    int ImageWidth = 0, ImageHeight = 0;
    bool Ok = false;
};
CanvasPlan PlanSaveCanvas(int imageWidth, int imageHeight, bool graffitiShown, const GraffitiExtent& extent);

// The JPEG written beside a .trd: the same path with ".jpg". False when it does not fit.
bool CompanionJpegPath(const char* trdPath, char* out, size_t size);

// Whether two paths name the same file: ASCII letters folded, '/' taken as '\', the bytes
// of double-byte characters compared as they are.
bool SameFilePath(const char* a, const char* b);

// The message for a common-dialog error code; empty for 0 (the user cancelled).
std::string CommonDialogErrorText(unsigned long code);

// The two headers of a bottom-up 24-bit BMP; false when the file would not fit 32 bits.
constexpr size_t kBmpHeaderBytes = 54;
bool BuildBmpHeaders(int width, int height, uint8_t (&out)[kBmpHeaderBytes], uint32_t& fileSize);

// The part of the window a screen BMP copies: the view's drawing area, kept inside the
// client area between the bars. Empty (false) when nothing of the view is visible.
struct ScreenArea {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
bool PlanScreenArea(int clientWidth, int clientHeight, int destX, int destY, bool statusBarShown, bool toolBarShown,
                    ScreenArea& out);
