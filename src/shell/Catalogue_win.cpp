// The folder catalogue: the scan thread, navigation, deletion and the file list window.
// The scan builds a catalogue of its own and posts it; the main thread swaps it in only
// while it is still the newest scan, so nobody ever reads a half-written catalogue.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "base/SjisText.h"
#include "document/Document.h"
#include "graffiti/Graffiti_win.h"
#include "image/ImageFormat.h"
#include "image/Image_win.h"
#include "image/Preload_win.h"
#include "imageops/Batch_win.h"
#include "imageops/RenameJournal.h"
#include "resources/resource.h"
#include "shell/Catalogue.h"
#include "shell/Shell_win.h"

FileCatalogue g_Catalogue;

namespace {

LONG g_ScanGeneration = 0;

// The entry the user stepped to while its picture is still being decoded: the window keeps
// showing (and naming) the current picture until that one is ready.
int g_Pending = kNotCatalogued;
int g_Travel = +1;

struct ScanRequest {
    HWND wnd;
    LONG generation;
    char folder[kPathBytes];
    char fileName[kPathBytes];
    int pluginMask;
    SortOrder order;
};

struct ScanResult {
    LONG generation;
    bool searched;  // false when the folder could not be searched
    bool journal;   // an unfinished batch run left its journal there
    FileCatalogue catalogue;
};

int LocaleCompare(std::string_view a, std::string_view b) {
    int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(), int(b.size()));
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

uint64_t TimeValue(const FILETIME& t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; }

DWORD WINAPI ScanThread(LPVOID param) {
    ScanRequest* request = static_cast<ScanRequest*>(param);
    auto* result = new ScanResult{request->generation, false, false, {}};
    char pattern[kPathBytes + 8];
    snprintf(pattern, sizeof pattern, "%s*.*", request->folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        result->searched = true;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (SjisEqualNoCase(found.cFileName, kRenameJournalName)) result->journal = true;
            AddDirectoryEntry(result->catalogue, request->folder, found.cFileName, TimeValue(found.ftLastWriteTime),
                              request->pluginMask);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        FindCurrent(result->catalogue, request->fileName);
        SortCatalogue(result->catalogue, request->order, LocaleCompare);
    }
    // A window that is gone (or a newer scan) makes the result worthless.
    if (!PostMessageA(request->wnd, WM_APP_SCAN_DONE, WPARAM(request->generation), LPARAM(result))) delete result;
    delete request;
    return 1;
}

void EntryPath(int position, char* path, size_t size) {
    snprintf(path, size, "%s", g_Document.File.Sibling(g_Catalogue.NameAt(position)).c_str());
}

// Only JPEG files are decoded ahead: every other kind loads fast enough, or through plug-ins.
bool EntryJpegPath(int position, std::string& out) {
    if (!g_Catalogue.Valid(position)) return false;
    CurrentFile entry;
    if (!entry.Set(g_Document.File.Sibling(g_Catalogue.NameAt(position))) || !IsJpegExtension(entry.Extension()))
        return false;
    out = entry.Path();
    return true;
}

int BaseIndex() { return g_Catalogue.Valid(g_Pending) ? g_Pending : g_Catalogue.CurrentIndex; }

void EmptyView() {
    g_Pending = kNotCatalogued;
    g_Document.File.Clear();
    ReleaseImage();
    OnChange(Change::Picture);
}

// Loads the entry at the current index, dropping entries that fail until one loads. Every
// load, failed or not, tells the window through OnChange.
void LoadCurrentEntry(HWND wnd, int keep) {
    while (g_Catalogue.Valid(g_Catalogue.CurrentIndex)) {
        char path[kPathBytes];
        EntryPath(g_Catalogue.CurrentIndex, path, sizeof path);
        int rc = LoadPath(wnd, path, keep);
        if (rc != -2) break;
        RemovePosition(g_Catalogue, g_Catalogue.CurrentIndex);
        if (g_Catalogue.Count() == 0) EmptyView();
    }
}

void SelectEntryAsked(HWND wnd, int position, int keep) {
    g_Pending = kNotCatalogued;
    if (g_Catalogue.Count() == 0) return;
    if (position < 0) position = 0;
    if (position > g_Catalogue.LastIndex()) position = g_Catalogue.LastIndex();
    g_Catalogue.CurrentIndex = position;
    LoadCurrentEntry(wnd, keep);
}

INT_PTR CALLBACK FileListProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(dlg, IDC_FILELIST_LIST);
        // One redraw for the whole list: 10000 names must appear at once, not one by one.
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LB_INITSTORAGE, WPARAM(g_Catalogue.Count()), LPARAM(g_Catalogue.Count() * 32));
        for (int p = 0; p < g_Catalogue.Count(); ++p)
            SendMessageA(list, LB_ADDSTRING, 0, LPARAM(g_Catalogue.NameAt(p).c_str()));
        SendMessageA(list, LB_SETCURSEL, WPARAM(g_Catalogue.CurrentIndex), 0);
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        PlaceWindow(dlg, kPlaceBottomRight);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_FILELIST_LIST && HIWORD(wp) == LBN_DBLCLK) {
            HWND list = GetDlgItem(dlg, IDC_FILELIST_LIST);
            LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
            char name[300];
            if (sel == LB_ERR || SendMessageA(list, LB_GETTEXTLEN, WPARAM(sel), 0) >= LRESULT(sizeof name)) return TRUE;
            SendMessageA(list, LB_GETTEXT, WPARAM(sel), LPARAM(name));
            // The list is not refreshed: find the name again, the positions may have moved.
            FileCatalogue probe = g_Catalogue;
            FindCurrent(probe, name);
            if (probe.CurrentIndex != kNotCatalogued) SelectEntry(g_Host.MainWindow, probe.CurrentIndex, 0);
            InvalidateRect(g_Host.MainWindow, nullptr, TRUE);
            return TRUE;
        }
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            DestroyWindow(dlg);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (g_Shell.FileListDialog == dlg) g_Shell.FileListDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

// Asked once per folder and run: a declined undo is not asked again at every scan.
void OfferUndo(HWND wnd) {
    static std::string declined;
    const std::string folder = g_Document.File.Folder();
    if (SjisEqualNoCase(declined, folder)) return;
    std::string current = g_Document.File.FileName();
    if (!OfferBatchUndo(wnd, folder.c_str(), current)) {
        declined = folder;
        return;
    }
    g_Document.File.Rename(current);  // the undo gave the shown file its old name back
    StartFolderScan(wnd);
}

}  // namespace

void PreloadNeighbours() {
    std::vector<std::string> paths;
    std::string path;
    const bool waiting = g_Catalogue.Valid(g_Pending);
    const int from = BaseIndex();
    if (waiting && EntryJpegPath(from, path)) paths.push_back(path);
    // Onward first, then the one behind, then one more onward.
    for (int step : {g_Travel, -g_Travel, 2 * g_Travel})
        if (g_Catalogue.Valid(from) && EntryJpegPath(from + step, path) && from + step != g_Catalogue.CurrentIndex)
            paths.push_back(path);
    PreloadPictures(paths, waiting);
}

void OnPictureReady() {
    // Not under a message box or modal dialog: it comes again when the window is enabled.
    if (!g_Catalogue.Valid(g_Pending) || !IsWindowEnabled(g_Host.MainWindow)) return;
    std::string path;
    if (EntryJpegPath(g_Pending, path) && PreloadRunning(path.c_str())) return;
    // Ready, or the decoder did not take it: the loader shows it, or says why it cannot.
    FinishPendingStep();
}

void FinishPendingStep() {
    // A step turned down (a question cancelled) leaves the window where it is.
    if (g_Catalogue.Valid(g_Pending) && !SelectEntry(g_Host.MainWindow, g_Pending, 0)) g_Pending = kNotCatalogued;
}

void StartFolderScan(HWND wnd) {
    // A new catalogue is coming: positions and decodes of the old one mean nothing in it.
    g_Pending = kNotCatalogued;
    ForgetPreloaded();
    auto* request = new ScanRequest{};
    request->wnd = wnd;
    request->generation = InterlockedIncrement(&g_ScanGeneration);
    snprintf(request->folder, sizeof request->folder, "%s", g_Document.File.Folder().c_str());
    snprintf(request->fileName, sizeof request->fileName, "%s", g_Document.File.FileName().c_str());
    request->pluginMask = GetPluginMask();
    request->order = SortOrder(g_Settings.FileOrder);
    SetWindowTextA(wnd, "ファイルソート中");
    HANDLE thread = CreateThread(nullptr, 0, ScanThread, request, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        delete request;
}

void CancelFolderScan() { InterlockedIncrement(&g_ScanGeneration); }

void OnScanDone(HWND wnd, WPARAM wp, LPARAM lp) {
    auto* result = reinterpret_cast<ScanResult*>(lp);
    if (LONG(wp) == g_ScanGeneration) {
        // A folder that cannot be searched leaves no stale catalogue behind.
        g_Catalogue = result->searched ? std::move(result->catalogue) : FileCatalogue{};
        ApplyCommandStates(wnd);
        PreloadNeighbours();
        UpdateTitle(wnd);
        if (result->journal) OfferUndo(wnd);
    }
    delete result;
}

bool SelectEntry(HWND wnd, int position, int keep) {
    if (!ConfirmDiscard(wnd, keep == 0 ? DiscardReason::Load : DiscardReason::LoadKeeping)) return false;
    SelectEntryAsked(wnd, position, keep);
    return true;
}

void Navigate(HWND wnd, int delta, int keep) {
    g_GraffitiEditState = AbortGraffitiCommand(g_GraffitiEditState);
    int target = NavigationTarget(g_Catalogue, BaseIndex(), delta);
    if (target != kNotCatalogued) {
        if (delta != 0) g_Travel = delta > 0 ? +1 : -1;
        std::string path;
        if (g_Catalogue.Valid(g_Pending) && target == g_Catalogue.CurrentIndex) {
            g_Pending = kNotCatalogued;  // back where the window is: nothing to wait for
            PreloadNeighbours();
            return;
        }
        // A picture not decoded yet is waited for without holding the window: the keys that
        // come meanwhile step on from it.
        if (keep == 0 && delta != 0 && EntryJpegPath(target, path) && !PreloadHolds(path.c_str()) &&
            !PreloadFailed(path.c_str())) {
            if (!g_Catalogue.Valid(g_Pending)) {
                if (!ConfirmDiscard(wnd, DiscardReason::Load)) return;
                g_Image.Edited = false;  // its loss is agreed to; it is not asked again
            }
            g_Pending = target;
            PreloadNeighbours();
            return;
        }
        SelectEntry(wnd, target, keep);
        return;
    }
    // Not catalogued: a reload goes by the path itself.
    if (delta == 0 && !g_Document.File.Empty()) {
        if (!ConfirmDiscard(wnd, keep == 0 ? DiscardReason::Load : DiscardReason::LoadKeeping)) return;
        const std::string path = g_Document.File.Path();  // LoadPath sets the file it reads from
        LoadPath(wnd, path.c_str(), keep);
    }
}

void StepEntry(HWND wnd, int delta, int keep, bool beepAtEnd) {
    const int from = BaseIndex();
    bool atEnd = g_Catalogue.Count() == 0 ||
                 (from != kNotCatalogued && (delta < 0 ? from <= 0 : from >= g_Catalogue.LastIndex()));
    if (!atEnd)
        Navigate(wnd, delta, keep);
    else if (beepAtEnd)
        MessageBeep(0);
}

void DeleteCurrentFile(HWND wnd) {
    if (!HasImage() || g_Document.File.Empty()) return;
    // The next entry replaces this one: its questions come before the file goes.
    if (!ConfirmDiscard(wnd, DiscardReason::Delete)) return;
    char list[kPathBytes + 2] = {};
    snprintf(list, kPathBytes, "%s", g_Document.File.CPath());
    SHFILEOPSTRUCTA op = {};
    op.hwnd = wnd;
    op.wFunc = FO_DELETE;
    op.pFrom = list;
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    if (SHFileOperationA(&op) != 0 || op.fAnyOperationsAborted) return;
    if (g_Catalogue.CurrentIndex != kNotCatalogued) RemovePosition(g_Catalogue, g_Catalogue.CurrentIndex);
    if (g_Catalogue.CurrentIndex == kNotCatalogued || g_Catalogue.Count() == 0) {
        EmptyView();
        return;
    }
    SelectEntryAsked(wnd, g_Catalogue.CurrentIndex, 0);
}

void AfterDragOutEnded(HWND wnd, AfterDragOut action) {
    switch (action) {
    case AfterDragOut::Keep: return;
    // Keeping the graffiti: it was drawn over this file, which is still the same picture.
    case AfterDragOut::Reload: Navigate(wnd, 0, 1); return;
    case AfterDragOut::Rescan: break;
    case AfterDragOut::RescanShowNeighbour:
        if (g_Catalogue.CurrentIndex != kNotCatalogued) {
            RemovePosition(g_Catalogue, g_Catalogue.CurrentIndex);
            if (g_Catalogue.Count() > 0 && !SelectEntry(wnd, g_Catalogue.CurrentIndex, 0)) return;
        }
        if (g_Catalogue.CurrentIndex == kNotCatalogued || g_Catalogue.Count() == 0) EmptyView();
        break;
    }
    // The target may have put the file back under another name: the folder is read again.
    StartFolderScan(wnd);
}

void SortCatalogueCommand(HWND wnd, int order) {
    g_Settings.FileOrder = uint32_t(order);
    ForgetPreloaded();
    // The stepped-to entry keeps its place by its name.
    const std::string pending = g_Catalogue.Valid(g_Pending) ? g_Catalogue.NameAt(g_Pending) : std::string();
    SortCatalogue(g_Catalogue, SortOrder(order), LocaleCompare);
    g_Pending = pending.empty() ? kNotCatalogued : PositionOfName(g_Catalogue, pending);
    PreloadNeighbours();
    UpdateTitle(wnd);
}

void ShowFileList(HWND wnd) {
    if (g_Shell.FileListDialog) DestroyWindow(g_Shell.FileListDialog);
    g_Shell.FileListDialog =
        CreateDialogParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_FILELIST), wnd, FileListProc, 0);
    if (g_Shell.FileListDialog) ShowWindow(g_Shell.FileListDialog, SW_SHOW);
}

int CatalogueCount() { return g_Catalogue.Count(); }
int CatalogueCurrentIndex() { return g_Catalogue.CurrentIndex; }
int CatalogueLastIndex() { return g_Catalogue.LastIndex(); }

std::vector<std::string> CatalogueNamesInOrder() {
    std::vector<std::string> names;
    for (int p = 0; p < g_Catalogue.Count(); ++p) names.push_back(g_Catalogue.NameAt(p));
    return names;
}

// A batch run's renames and times, without a rescan; the current path follows its file.
void ApplyBatchChanges(const std::vector<BatchEntryChange>& changes) {
    for (const BatchEntryChange& c : changes) {
        if (!g_Catalogue.Valid(c.Position)) continue;
        CatalogueEntry& e = g_Catalogue.Entries[size_t(g_Catalogue.Order[size_t(c.Position)])];
        if (c.WriteTime) e.WriteTime = c.WriteTime;
        if (c.NewName.empty()) continue;
        e.Name = c.NewName;
        if (c.Position != g_Catalogue.CurrentIndex) continue;
        g_Document.File.Rename(c.NewName);
    }
    ForgetPreloaded();  // decoded under the old names
    PreloadNeighbours();
    UpdateTitle(g_Host.MainWindow);
}
