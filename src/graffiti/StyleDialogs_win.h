// The line and text style dialogs: modeless, without an owner, at most one of each. Their
// values are read from the registry when they open and written when they close.
#pragma once
#include <windows.h>

#include <cstdint>

#include "graffiti/GraffitiStore.h"

enum LineStyleMode { kLineStyleLine = 1, kLineStyleEllipse = 2, kLineStylePolyline = 3 };
enum TextStyleMode { kTextStyleNew = 1, kTextStyleLeader = 2, kTextStyleEdit = 3, kTextStyleRepeat = 10 };

// Opens the dialog (or brings the open one to that mode): 0, -2 without an image, or
// kGraffitiBadIndex for an edit of a text that does not exist.
int OpenLineStyleDialog(int mode);
int OpenTextStyleDialog(int mode, int textIndex = -1);
void CloseLineStyleDialog();
void CloseTextStyleDialog();
void CloseStyleDialogs();

struct StyleDialogHandles {
    HWND Line, Text;  // null when closed
};
StyleDialogHandles StyleDialogWindows();

// What a new object gets: from the open dialog, else the stored values. Points are zero.
GraffitiLine CurrentLineAttributes();
// sizeWord: the TextSizeWord (cell W and H, fixed-size bit).
GraffitiText CurrentTextAttributes(uint32_t& sizeWord);
