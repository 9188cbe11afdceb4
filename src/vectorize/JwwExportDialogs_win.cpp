// Dialog 899 (the image-path text for JWW) and dialog 1399 (the graffiti layer as a JWW
// coordinate file or a metafile copy). Both are modeless tool dialogs without an owner.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "base/SjisText.h"
#include "base/TextNumber.h"
#include "document/Document.h"
#include "graffiti/GraffitiJww.h"
#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "imageops/Save_win.h"
#include "jww/JwwClipboard_win.h"
#include "resources/resource.h"
#include "vectorize/ConversionSettings.h"
#include "vectorize/JwwExport_win.h"
#include "vectorize/LineStore_win.h"

namespace {

HWND g_PathDialog = nullptr;
HWND g_ExportDialog = nullptr;
JwExportSettings g_Export;
bool g_Filling = false;

std::string ControlText(HWND dlg, int id) {
    char text[320] = {};
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

void SetNumber(HWND dlg, int id, int value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dlg, id, text);
}

void Enable(HWND dlg, std::initializer_list<int> ids, bool on) {
    for (int id : ids) EnableWindow(GetDlgItem(dlg, id), on);
}

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// ---- Dialog 899 ----

struct PathChoice {
    std::string Text;
    std::string MemoJpeg;  // the picture to write first, for the displayed-picture form
};

// Reads the controls into g_Export (typed values out of range take their replacements),
// sets the enabling that follows the size mode, and composes the text. The size of the
// displayed picture is what it will have once written: the image widened by the graffiti.
PathChoice ComposePathText(HWND dlg) {
    const ImagePathSettings typed = SanitizeImagePathSettings(ControlText(dlg, IDC_IP_DPI), "1",
                                                              ControlText(dlg, IDC_IP_JWSCALE),
                                                              ControlText(dlg, IDC_IP_WIDTH));
    g_Export.Dpi = typed.Dpi;
    g_Export.JwScale = typed.JwScale;
    g_Export.Width = typed.WidthMm;
    const bool actual = Checked(dlg, IDC_IP_ACTUAL);
    int mode = 0;
    if (!actual) mode = Checked(dlg, IDC_IP_ACROSS) ? 1 : Checked(dlg, IDC_IP_DOWN) ? 2 : 3;
    Enable(dlg, {IDC_IP_DPI, IDC_IP_DPI_LABEL, IDC_IP_DPI_UNIT}, actual);
    Enable(dlg, {IDC_IP_WIDTH, IDC_IP_WIDTH_LABEL, IDC_IP_WIDTH_UNIT, IDC_IP_LONGER, IDC_IP_ACROSS, IDC_IP_DOWN}, !actual);
    g_Export.Flags = uint32_t(mode) | (Checked(dlg, IDC_IP_DISPLAYED) ? kJwofDisplayed : 0) |
                     (Checked(dlg, IDC_IP_ABSOLUTE) ? kJwofAbsolute : 0);

    const bool displayed = (g_Export.Flags & kJwofDisplayed) != 0;
    const bool absolute = (g_Export.Flags & kJwofAbsolute) != 0;
    int width = 0, height = 0;
    if (displayed)
        DisplayedPictureSize(width, height);
    else
        GetImageSize(width, height);
    double w = 0, h = 0;
    ImagePaperSize(mode, width, height, g_Export.Dpi, g_Export.Width, w, h);

    // A layer read from a .trd names its background; the .trd's own folder holds both.
    PathParts own = {}, trd = {};
    SplitPath(g_Document.File.Path(), own);
    const bool fromTrd = GraffitiFileShown && SplitPath(GraffitiFilePath, trd) == 0;
    const PathParts& base = fromTrd ? trd : own;
    ImagePathParts parts;
    parts.Drive = base.Drive;
    parts.Directory = base.Folder;
    parts.BaseName = base.Name;
    parts.Extension = own.Extension;
    parts.FullPath = g_Document.File.CPath();
    parts.Background = GraffitiBackgroundName();
    const ImagePathSource source = displayed ? ImagePathSource::DisplayImage
                                   : fromTrd ? ImagePathSource::GraffitiFile
                                             : ImagePathSource::OriginalImage;
    PathChoice choice;
    if (!BuildImagePathText(source, absolute, parts, w, h, choice.Text)) choice.Text.clear();
    if (displayed) choice.MemoJpeg = std::string(base.Drive) + base.Folder + base.Name + "_memo.jpg";
    return choice;
}

void ShowPathText(HWND dlg) {
    if (g_Filling) return;
    SetDlgItemTextA(dlg, IDC_IP_TEXT, ComposePathText(dlg).Text.c_str());
}

int CopyImagePathToJw(HWND window, const std::string& text, int jwScale) {
    GraffitiRecordSettings rs;
    rs.Dpi = g_Export.Dpi;
    rs.Scale = g_Export.Scale;
    rs.SizeMode = int(g_Export.Flags & kJwofSizeMask);
    rs.WidthMm = g_Export.Width;
    GetImageSize(rs.ImageWidth, rs.ImageHeight);
    std::vector<uint8_t> bytes;
    if (!BuildImagePathBlock(text, GraffitiModeOn() ? &CurrentGraffitiStore() : nullptr, rs, jwScale, bytes)) {
        ReportBox(window, Box::ErrorBang, "メモリー確保失敗");
        return -2;
    }
    HGLOBAL block = AllocJwBlock(window, bytes.size());
    if (!block) return -2;
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return PutJwClipboard(window, block);
}

// "コピー": the displayed picture is written once, here, and only then named on the clipboard.
void CopyPath(HWND dlg) {
    PathChoice choice = ComposePathText(dlg);
    if (!choice.MemoJpeg.empty()) {
        const char* path = choice.MemoJpeg.c_str();
        if (choice.MemoJpeg.size() >= kPathBytes) {
            ReportBox(dlg, Box::ErrorBang, "JPEG のファイル名が長すぎます");
            return;
        }
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
            MessageBoxA(dlg, ("「" + choice.MemoJpeg + "」は既にあります。\n置き換えますか？").c_str(), "確認",
                        MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
            return;
        HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        int width = 0, height = 0;
        const SaveResult r = WriteDisplayedJpeg(g_Host.MainWindow, path, width, height);
        SetCursor(old);
        if (r != SaveResult::Saved) {
            ReportBox(dlg, Box::ErrorBang, (std::string(SaveResultText(r)) + "\n" + choice.MemoJpeg).c_str());
            return;
        }
        choice = ComposePathText(dlg);
    }
    if (choice.Text.empty()) {
        ReportBox(dlg, Box::ErrorBang, "画像パスが長すぎます");
        return;
    }
    SetDlgItemTextA(dlg, IDC_IP_TEXT, choice.Text.c_str());
    CopyImagePathToJw(dlg, choice.Text, g_Export.JwScale);
}

void LoadPathControls(HWND dlg) {
    g_Filling = true;
    SetNumber(dlg, IDC_IP_DPI, g_Export.Dpi);
    SetNumber(dlg, IDC_IP_JWSCALE, g_Export.JwScale);
    SetNumber(dlg, IDC_IP_WIDTH, g_Export.Width);
    const int mode = int(g_Export.Flags & kJwofSizeMask);
    CheckRadioButton(dlg, IDC_IP_ACTUAL, IDC_IP_BY_WIDTH, mode ? IDC_IP_BY_WIDTH : IDC_IP_ACTUAL);
    CheckRadioButton(dlg, IDC_IP_LONGER, IDC_IP_DOWN,
                     mode == 1 ? IDC_IP_ACROSS : mode == 2 ? IDC_IP_DOWN : IDC_IP_LONGER);
    CheckRadioButton(dlg, IDC_IP_ORIGINAL, IDC_IP_DISPLAYED,
                     (g_Export.Flags & kJwofDisplayed) ? IDC_IP_DISPLAYED : IDC_IP_ORIGINAL);
    CheckRadioButton(dlg, IDC_IP_ABSOLUTE, IDC_IP_SAME_FOLDER,
                     (g_Export.Flags & kJwofAbsolute) ? IDC_IP_ABSOLUTE : IDC_IP_SAME_FOLDER);
    g_Filling = false;
}

INT_PTR CALLBACK ImagePathProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        LoadJwExportSettings(*MakeSettingsRegistry(), g_Export);
        LoadPathControls(dlg);
        ShowPathText(dlg);
        PlaceWindow(dlg, kPlaceCentre);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        switch (id) {
        case IDC_IP_COPY: CopyPath(dlg); return TRUE;
        case IDCANCEL: SendMessageA(dlg, WM_CLOSE, 0, 0); return TRUE;
        case IDC_IP_DPI:
        case IDC_IP_WIDTH:
        case IDC_IP_JWSCALE:
            if (code == EN_CHANGE) ShowPathText(dlg);
            return TRUE;
        }
        if (code == BN_CLICKED && ((id >= IDC_IP_ACTUAL && id <= IDC_IP_SAME_FOLDER) || id == IDC_IP_ORIGINAL ||
                                   id == IDC_IP_DISPLAYED))
            ShowPathText(dlg);
        return FALSE;
    }
    case WM_CLOSE:
        ComposePathText(dlg);
        SaveJwExportSettings(*MakeSettingsRegistry(), g_Export);
        DestroyWindow(dlg);
        return TRUE;
    case WM_DESTROY:
        if (g_PathDialog == dlg) g_PathDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

// ---- Dialog 1399 ----

// DPI and scale as typed; false after saying why. Both divide what is written.
bool ReadExportScale(HWND dlg, int& dpi, int& n) {
    const std::optional<int32_t> d = ParseWholeNumber(ControlText(dlg, IDC_VEC_DPI).c_str());
    const std::optional<int32_t> s = ParseWholeNumber(ControlText(dlg, IDC_VEC_SCALE).c_str());
    if (!d || !s || *d <= 0 || *s <= 0) {
        ReportBox(dlg, Box::ErrorBang, "解像度と縮尺は 1 以上の整数で入力してください");
        return false;
    }
    dpi = *d, n = *s;
    g_Export.Dpi = dpi;
    g_Export.Scale = n;
    return true;
}

void ExportTextFile(HWND dlg) {
    int dpi, n;
    if (!ReadExportScale(dlg, dpi, n)) return;
    const std::string name = ControlText(dlg, IDC_VEC_FILENAME);
    if (name.empty()) {
        ReportBox(dlg, Box::ErrorBang, "出力座標ファイル名を入力してください");
        return;
    }
    CopySjis(g_Settings.OutputFile, sizeof g_Settings.OutputFile, name);
    const std::string text = ExportGraffitiText(CurrentGraffitiStore(), dpi, n);
    const SaveResult r = SaveBytes(name.c_str(), text.data(), text.size());
    if (r != SaveResult::Saved) ReportBox(dlg, Box::ErrorBang, (std::string(SaveResultText(r)) + "\n" + name).c_str());
}

INT_PTR CALLBACK GraffitiExportProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        LoadJwExportSettings(*MakeSettingsRegistry(), g_Export);
        SetNumber(dlg, IDC_VEC_DPI, g_Export.Dpi);
        SetNumber(dlg, IDC_VEC_SCALE, g_Export.Scale);
        SendDlgItemMessageA(dlg, IDC_VEC_FILENAME, EM_LIMITTEXT, sizeof g_Settings.OutputFile - 1, 0);
        SetDlgItemTextA(dlg, IDC_VEC_FILENAME, g_Settings.OutputFile);
        PlaceWindow(dlg, kPlaceCentre);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_GO_TEXT_FILE: ExportTextFile(dlg); return TRUE;
        case IDC_GO_CLIPBOARD: {
            int dpi, n;
            if (ReadExportScale(dlg, dpi, n)) CopyViewAsEmf(dlg, nullptr, dpi, n);
            return TRUE;
        }
        case IDCANCEL: SendMessageA(dlg, WM_CLOSE, 0, 0); return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        SaveJwExportSettings(*MakeSettingsRegistry(), g_Export);
        DestroyWindow(dlg);
        return TRUE;
    case WM_DESTROY:
        if (g_ExportDialog == dlg) g_ExportDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int OpenImagePathDialog(HWND) { return OpenToolDialog(g_PathDialog, IDD_IMAGEPATH, ImagePathProc); }
int OpenGraffitiExportDialog(HWND) { return OpenToolDialog(g_ExportDialog, IDD_GRAFFITI_OUT, GraffitiExportProc); }
HWND ImagePathDialogWindow() { return g_PathDialog; }
HWND GraffitiExportDialogWindow() { return g_ExportDialog; }

void CloseImagePathDialog() {
    if (g_PathDialog) SendMessageA(g_PathDialog, WM_CLOSE, 0, 0);
}
void CloseGraffitiExportDialog() {
    if (g_ExportDialog) SendMessageA(g_ExportDialog, WM_CLOSE, 0, 0);
}
