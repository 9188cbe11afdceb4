#include "base/FileDialog_win.h"

#include <commdlg.h>

bool AskFileName(HWND owner, FileNameKind kind, const FileNameQuestion& q, char* path, size_t size) {
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = q.Filter;
    ofn.nFilterIndex = q.FilterIndex;
    ofn.lpstrCustomFilter = q.CustomFilter;
    ofn.nMaxCustFilter = q.CustomFilterSize;
    ofn.lpstrFile = path;
    ofn.nMaxFile = DWORD(size);
    ofn.lpstrTitle = q.Title;
    ofn.lpstrDefExt = q.DefaultExtension;
    ofn.lpstrInitialDir = q.InitialFolder;
    ofn.Flags = q.Flags;
    return (kind == FileNameKind::Save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)) != 0;
}
