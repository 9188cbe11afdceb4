#include "graffiti/Graffiti_win.h"

#include <windowsx.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/Host_win.h"
#include "base/SafeFile.h"
#include "base/SjisText.h"
#include "graffiti/GraffitiPaint.h"
#include "graffiti/GraffitiStore.h"
#include "graffiti/TrdFile.h"
#include "image/Image_win.h"

int g_GraffitiEditState = kEditNone;
char GraffitiFilePath[kPathBytes];
int GraffitiFileShown;
GraffitiStore g_Graffiti;

namespace {

bool g_Changed = false;
// The background name a .trd file gave, kept for writing it back even when its image was
// not found; empty when the layer was drawn on an ordinary image file.
std::string g_TrdBackground;

// A whole layer is well under a megabyte; anything larger is not ours.
constexpr DWORD kMaxTrdBytes = 1u << 20;

void LoadError(HWND wnd, const char* text) { MessageBoxA(wnd, text, "Load Error", MB_OK | MB_ICONEXCLAMATION); }

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0, size = GetFileSize(file, &high), got = 0;
    bool ok = size != INVALID_FILE_SIZE && high == 0;
    if (ok) {
        // One byte past the limit is enough to tell a file that is too large.
        bytes.resize(size > kMaxTrdBytes ? kMaxTrdBytes + 1 : size);
        ok = bytes.empty() || (ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

bool FileExists(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder of `path` (with its separator) + name; false when it does not fit a path.
bool BesideFile(const char* path, const std::string& name, char (&out)[kPathBytes]) {
    const std::string_view p(path);
    const size_t sep = LastPathSeparator(p);
    const std::string folder(sep == std::string_view::npos ? std::string_view() : p.substr(0, sep + 1));
    const int n = snprintf(out, sizeof out, "%s%s", folder.c_str(), name.c_str());
    return n > 0 && size_t(n) < sizeof out;
}

// Plays one object's steps on dc. Each Select* replaces what the previous one of its kind
// created; everything created is deleted once it is no longer selected.
void Replay(HDC dc, const PaintSteps& steps) {
    HGDIOBJ pen = nullptr, brush = nullptr, font = nullptr;  // created by us, or null
    HGDIOBJ oldPen = nullptr, oldBrush = nullptr, oldFont = nullptr;
    auto select = [dc](HGDIOBJ made, HGDIOBJ& current, HGDIOBJ& original) {
        HGDIOBJ previous = SelectObject(dc, made);
        if (!original) original = previous;
        if (current) DeleteObject(current);
        current = made;
    };
    auto restore = [dc](HGDIOBJ& current, HGDIOBJ& original) {
        if (original) SelectObject(dc, original);
        if (current) DeleteObject(current);
        current = original = nullptr;
    };
    for (const PaintStep& st : steps) {
        switch (st.Op) {
        case PaintOp::SetRop2Copy: SetROP2(dc, R2_COPYPEN); break;
        case PaintOp::SetBkTransparent: SetBkMode(dc, TRANSPARENT); break;
        case PaintOp::SetBkOpaque: SetBkMode(dc, OPAQUE); break;
        case PaintOp::SetBkColour: SetBkColor(dc, st.Colour); break;
        case PaintOp::SetTextColour: SetTextColor(dc, st.Colour); break;
        case PaintOp::SelectPen: {
            HPEN p = CreatePen(st.Style, st.Width, st.Colour);
            if (p) select(p, pen, oldPen);
            break;
        }
        case PaintOp::SelectGeometricPen: {
            LOGBRUSH lb = {BS_SOLID, st.Colour, 0};
            HPEN p = ExtCreatePen(PS_GEOMETRIC | DWORD(st.Style), DWORD(st.Width), &lb, 0, nullptr);
            if (p) select(p, pen, oldPen);
            break;
        }
        case PaintOp::SelectNullBrush: {
            // A stock object: selected, never deleted.
            HGDIOBJ previous = SelectObject(dc, GetStockObject(NULL_BRUSH));
            if (!oldBrush) oldBrush = previous;
            if (brush) DeleteObject(brush);
            brush = nullptr;
            break;
        }
        case PaintOp::SelectSolidBrush: {
            HBRUSH b = CreateSolidBrush(st.Colour);
            if (b) select(b, brush, oldBrush);
            break;
        }
        case PaintOp::SelectFont: {
            LOGFONTA lf = {};
            lf.lfHeight = steps.Font.Height;
            lf.lfWidth = steps.Font.Width;
            lf.lfEscapement = steps.Font.Escapement;
            lf.lfOrientation = steps.Font.Orientation;
            lf.lfWeight = steps.Font.Weight;
            lf.lfItalic = steps.Font.Italic;
            lf.lfUnderline = steps.Font.Underline;
            lf.lfStrikeOut = steps.Font.StrikeOut;
            lf.lfCharSet = SHIFTJIS_CHARSET;
            snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", steps.Font.Face);
            HFONT f = CreateFontIndirectA(&lf);
            if (f) select(f, font, oldFont);
            break;
        }
        case PaintOp::MoveTo: MoveToEx(dc, st.X1, st.Y1, nullptr); break;
        case PaintOp::LineTo: LineTo(dc, st.X1, st.Y1); break;
        case PaintOp::Ellipse: Ellipse(dc, st.X1, st.Y1, st.X2, st.Y2); break;
        case PaintOp::Rectangle: Rectangle(dc, st.X1, st.Y1, st.X2, st.Y2); break;
        case PaintOp::RoundRect: RoundRect(dc, st.X1, st.Y1, st.X2, st.Y2, st.Width, st.Height); break;
        case PaintOp::DrawText: {
            RECT r = {st.X1, st.Y1, st.X2, st.Y2};
            if (steps.Text) DrawTextA(dc, steps.Text, steps.TextLength, &r, DT_WORDBREAK);
            break;
        }
        case PaintOp::RestoreObjects:
            restore(pen, oldPen);
            restore(brush, oldBrush);
            restore(font, oldFont);
            break;
        }
    }
    restore(pen, oldPen);
    restore(brush, oldBrush);
    restore(font, oldFont);
}

}  // namespace

void DrawGraffitiLine(HDC dc, const ViewMapping& mapping, int i) {
    PaintSteps steps;
    LineSteps(g_Graffiti.Line(i), mapping, steps);
    Replay(dc, steps);
}

void DrawGraffitiEllipse(HDC dc, const ViewMapping& mapping, int i) {
    PaintSteps steps;
    EllipseSteps(g_Graffiti.Ellipse(i), mapping, steps);
    Replay(dc, steps);
}

void DrawGraffitiText(HDC dc, const ViewMapping& mapping, int i) {
    PaintSteps steps;
    TextSteps(g_Graffiti.Text(i), mapping, steps);
    Replay(dc, steps);
}

// Lines, then ellipses, then texts, so texts are always on top.
void DrawGraffitiLayer(HDC dc, const ViewMapping& mapping) {
    for (int i = 0; i < g_Graffiti.LineCount(); ++i) DrawGraffitiLine(dc, mapping, i);
    for (int i = 0; i < g_Graffiti.EllipseCount(); ++i) DrawGraffitiEllipse(dc, mapping, i);
    for (int i = 0; i < g_Graffiti.TextCount(); ++i) DrawGraffitiText(dc, mapping, i);
}

bool GraffitiHasObjects() { return g_Graffiti.TotalCount() > 0; }
bool GraffitiChanged() { return g_Changed; }
void MarkGraffitiChanged() {
    g_Changed = true;
    NotifyChange(Change::Graffiti);
}
void ClearGraffiti() {
    g_Graffiti.Clear();
    g_Changed = false;
    GraffitiFileShown = 0;
    g_TrdBackground.clear();
}

namespace {

// The file read and checked whole, or null after saying why.
std::unique_ptr<TrdContents> DecodeFile(HWND wnd, const char* path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        LoadError(wnd, "ファイルが開けません");
        return nullptr;
    }
    auto contents = std::make_unique<TrdContents>();
    if (bytes.size() > kMaxTrdBytes || DecodeTrd(bytes.data(), bytes.size(), *contents) != 0) {
        LoadError(wnd, "ファイルフォーマットが違います");
        return nullptr;
    }
    return contents;
}

}  // namespace

bool CheckGraffitiFile(HWND wnd, const char* path) { return DecodeFile(wnd, path) != nullptr; }

int ReadGraffitiFile(HWND wnd, const char* path) {
    // Everything is checked before anything changes: a bad file leaves the current picture
    // and layer as they were.
    std::unique_ptr<TrdContents> contents = DecodeFile(wnd, path);
    if (!contents) return -2;
    char background[kPathBytes] = {};
    const bool named = !contents->OldFormat && IsUsableBackgroundName(contents->Background) &&
                       BesideFile(path, contents->Background, background);
    const bool found = named && FileExists(background);
    int width, height;
    TrdCanvasSize(contents->Store.Extent(), width, height);
    if (!found && uint64_t(width) * uint64_t(height) * 4 > kMaxPixelBytes) {
        LoadError(wnd, "ファイルフォーマットが違います");
        return -2;
    }

    bool loaded = found && LoadImageFile(wnd, background, 0) == 0;
    if (!loaded) {
        if (named) MessageBoxA(wnd, "このフォルダー内に下絵が見つかりません", "Error", MB_OK | MB_ICONEXCLAMATION);
        ReleaseImage();
        CreateBlankImage(wnd, width, height);
        if (!HasImage()) {
            MessageBoxA(wnd, "下絵の代わりの白紙を作れません (メモリー不足)", "Error", MB_OK | MB_ICONEXCLAMATION);
            return -2;
        }
    }
    g_Graffiti = contents->Store;
    g_TrdBackground = named ? contents->Background : std::string();
    g_Changed = false;
    return 0;
}

int WriteGraffitiFile(HWND wnd, const char* path) {
    if (!path || !path[0]) return 0;
    // Shown from a .trd file, the layer keeps the background name that file gave.
    std::string background = GraffitiFileShown ? g_TrdBackground : std::string(CurrentName) + CurrentExtension;
    if (!IsUsableBackgroundName(background)) background.clear();
    const std::vector<uint8_t> bytes = EncodeTrd(g_Graffiti, background);
    SafeFile file(path);
    file.Write(bytes.data(), bytes.size());
    const SaveResult result = file.Ok() ? file.Commit() : file.Result();
    if (result != SaveResult::Saved) {
        MessageBoxA(wnd, (std::string(SaveResultText(result)) + "\n" + path).c_str(), "Error!", MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    g_Changed = false;
    return 0;
}

void GetGraffitiExtent(int& width, int& height) {
    const GraffitiExtent e = g_Graffiti.Extent();
    width = e.MaxX;
    height = e.MaxY;
}

int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM) {
    // Without an active drawing command the right button opens the pop-up menu.
    if (msg == WM_RBUTTONUP && (state & kEditToolMask) == 0)
        RequestPopupMenu(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return state;
}
