#include <windows.h>

#include "document/Document.h"
#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "shell/Shell_win.h"
#include "shell/Title.h"
#include "vectorize/LineStore_win.h"
#include "view/View_win.h"

void UpdateTitle(HWND wnd) {
    TitleInput in;
    in.HasImage = HasImage();
    in.DisplayFlags = g_Settings.DisplayFlags;
    in.CurrentPath = g_Document.File.CPath();
    in.CurrentFolder = g_Document.File.FolderOnly();
    in.CurrentName = g_Document.File.Name();
    in.CurrentExtension = g_Document.File.Extension();
    in.GraffitiFilePath = GraffitiFileShown ? GraffitiFilePath : nullptr;
    in.ImageWidth = g_View.ImageWidth;
    in.ImageHeight = g_View.ImageHeight;
    in.Scale = g_View.Scale;
    in.CurrentIndex = CatalogueCurrentIndex();
    in.LastIndex = CatalogueLastIndex();
    in.LineCount = VectorLineCount();
    SetWindowTextA(wnd, FormatTitle(in).c_str());
}
