// Painting the current image and the view's mouse, key and wheel input.
#pragma once
#include <windows.h>

#include <cstdint>

#include "view/ViewGesture.h"
#include "view/ViewState.h"

extern ViewState g_View;
extern GestureMachine g_Gesture;

ClientLayout CurrentLayout(HWND wnd);
void RefitMainView(HWND wnd);
// After a load: the whole image, refitted (unless the caller keeps the view).
void ResetViewToImage(HWND wnd, int width, int height, bool keepView);
// The layers the view paints over the image in image coordinates (lines, graffiti);
// forceImage: nothing else to show, so the image is shown whatever the setting says.
struct PaintLayers {
    bool ForceImage = true;
    void (*Draw)(HDC dc, const ViewState& view) = nullptr;
};
void PaintView(HWND wnd, const PaintLayers& layers);
void RenderImage(HDC dc, int mode, const RECT& area, uint32_t displayFlags, uint32_t infoFlags, float scale,
                 int destX, int destY, int destWidth, int destHeight, int srcX, int srcY, int srcWidth, int srcHeight);
// Nonzero when the view took the message; clearGraffitiBit asks the caller to clear bit 0 of
// the graffiti editing state.
int ViewMouse(HWND wnd, UINT msg, LPARAM lp, WPARAM wp, bool& clearGraffitiBit);
// Whether the key was a view key, and the catalogue step it asks for (the shell steps).
bool ViewKeyDown(HWND wnd, int vk, ViewAction& step);
ViewAction ViewWheel(HWND wnd, int delta, int currentIndex, int lastIndex);

// Inverting rubber bands (R2_NOT): drawing the same band twice erases it.
void InvertRectangle(HWND wnd, int x1, int y1, int x2, int y2);          // window points
void InvertLine(HWND wnd, int x1, int y1, int x2, int y2);               // image points
void InvertEllipse(HWND wnd, int x1, int y1, int x2, int y2);            // image points
void InvertRotatedRectangle(HWND wnd, int x1, int y1, int x2, int y2, double degrees);  // window points
double InvertAngleGuide(HWND wnd, int x1, int y1, int x2, int y2);       // image points; the angle
