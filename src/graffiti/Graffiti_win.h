// The graffiti layer as the rest of the program sees it.
#pragma once
#include <windows.h>

#include <string>

#include "base/Limits.h"
#include "graffiti/GraffitiStore.h"
#include "view/ViewState.h"

// The editing state: the active tool in bits 8..15 (with 0x1000), its step in the low byte.
enum GraffitiEdit : int {
    kEditNone = 0,
    kEditLine = 0x1000,
    kEditPolyline = 0x1100,
    kEditEllipse = 0x1200,
    kEditText = 0x1300,
    kEditLeader = 0x1400,
    kEditDelete = 0x1600,
    kEditToolMask = 0xFF00,
    kEditStepMask = 0x00FF,
    kEditPressed = 0x0001,  // the current step's button is down
    kEditFineRotate = 0x10000,
};
// Kept by the main window between mouse messages.
extern int g_GraffitiEditState;

extern char GraffitiFilePath[kPathBytes];
extern int GraffitiFileShown;

bool GraffitiHasObjects();
// Changed since it was last saved, read or cleared: only then is leaving it asked about.
bool GraffitiChanged();
void MarkGraffitiChanged();
void ClearGraffiti();
// Reads a .trd file into the layer and leaves its background (or a blank canvas) as the
// current image; 0 on success.
int ReadGraffitiFile(HWND wnd, const char* path);
// Reads and checks a .trd file without changing anything; false after the message.
bool CheckGraffitiFile(HWND wnd, const char* path);
// Writes the layer as a .trd file through a temporary file; a failure is shown and -1
// returned, and the old file is kept.
int WriteGraffitiFile(HWND wnd, const char* path);
// The picture a .trd written at trdPath names as its background (beside it); false when
// it names none.
bool GraffitiBackgroundBeside(const char* trdPath, char (&out)[kPathBytes]);
void GetGraffitiExtent(int& width, int& height);
GraffitiExtent CurrentGraffitiExtent();
// Every object, or only those whose box meets the image rectangle `onlyMeeting`.
void DrawGraffitiLayer(HDC dc, const ViewMapping& mapping, const RECT* onlyMeeting = nullptr);
// The layer itself, for the exports; and the background name its .trd recorded ("" if none).
const GraffitiStore& CurrentGraffitiStore();
const std::string& GraffitiBackgroundName();
// One object, straight onto dc after it was made or changed, without repainting the rest.
void DrawGraffitiLine(HDC dc, const ViewMapping& mapping, int index);
void DrawGraffitiEllipse(HDC dc, const ViewMapping& mapping, int index);
void DrawGraffitiText(HDC dc, const ViewMapping& mapping, int index);
// A drawing command started from the menu, tool bar or keys: the new editing state.
int StartGraffitiCommand(int state, int command);
// Back to the command's first step, its bands erased.
int AbortGraffitiCommand(int state);
// Rubber bands in progress, and drawing them again after a repaint wiped them.
bool GraffitiBandsShown();
void RedrawGraffitiBands();
int GraffitiEscape(HWND wnd, int state);
// The text the style dialog is changing, found again in the layer (-1 when it is gone), and
// the change applied to it.
int LocateGraffitiTextEdit();
int ApplyGraffitiTextEdit(const GraffitiText& replacement);
// The editor's answer to a mouse message the view did not take: the new editing state.
int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM wp);
