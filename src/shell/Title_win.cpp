#include <windows.h>

#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "shell/Shell_win.h"
#include "shell/Title.h"
#include "vectorize/LineStore_win.h"
#include "view/View_win.h"

void UpdateTitle(HWND wnd) {
    TitleInput in;
    in.HasImage = HasImage();
    in.DisplayFlags = g_Settings.DCflag;
    in.CurrentPath = CurrentPath;
    in.CurrentFolder = CurrentFolder;
    in.CurrentName = CurrentName;
    in.CurrentExtension = CurrentExtension;
    in.GraffitiFilePath = GraffitiFileShown ? GraffitiFilePath : nullptr;
    in.ImageWidth = g_View.ImageWidth;
    in.ImageHeight = g_View.ImageHeight;
    in.Scale = g_View.Scale;
    in.CurrentIndex = CatalogueCurrentIndex();
    in.LastIndex = CatalogueLastIndex();
    in.LineCount = VectorLineCount();
    SetWindowTextA(wnd, FormatTitle(in).c_str());
}
