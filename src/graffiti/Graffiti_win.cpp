#include "graffiti/Graffiti_win.h"

#include <windowsx.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "base/SafeFile.h"
#include "base/SjisText.h"
#include "graffiti/GraffitiEditor.h"
#include "graffiti/GraffitiPaint.h"
#include "graffiti/GraffitiStore.h"
#include "graffiti/StyleDialogs_win.h"
#include "graffiti/TrdFile.h"
#include "image/Image_win.h"
#include "view/RubberBand.h"
#include "view/View_win.h"

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

bool FileExists(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder of `path` (with its separator) + name; false when it does not fit a path.
bool BesideFile(const char* path, const std::string& name, char (&out)[kPathBytes]) {
    const std::string_view p(path);
    const size_t sep = LastPathSeparator(p, kNativePathRule);
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
void DrawGraffitiLayer(HDC dc, const ViewMapping& mapping, const RECT* onlyMeeting) {
    auto meets = [&](GraffitiKind kind, int i) {
        return !onlyMeeting || g_Graffiti.MeetsRectangle(kind, i, onlyMeeting->left, onlyMeeting->top,
                                                         onlyMeeting->right - onlyMeeting->left,
                                                         onlyMeeting->bottom - onlyMeeting->top);
    };
    for (int i = 0; i < g_Graffiti.LineCount(); ++i)
        if (meets(kGraffitiLine, i)) DrawGraffitiLine(dc, mapping, i);
    for (int i = 0; i < g_Graffiti.EllipseCount(); ++i)
        if (meets(kGraffitiEllipse, i)) DrawGraffitiEllipse(dc, mapping, i);
    for (int i = 0; i < g_Graffiti.TextCount(); ++i)
        if (meets(kGraffitiText, i)) DrawGraffitiText(dc, mapping, i);
}

const GraffitiStore& CurrentGraffitiStore() { return g_Graffiti; }
const std::string& GraffitiBackgroundName() { return g_TrdBackground; }

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
    if (!ReadWholeFile(path, bytes, kMaxTrdBytes)) {
        ReportBox(wnd, Box::LoadError, "ファイルが開けません");
        return nullptr;
    }
    auto contents = std::make_unique<TrdContents>();
    if (bytes.size() > kMaxTrdBytes || DecodeTrd(bytes.data(), bytes.size(), *contents) != 0) {
        ReportBox(wnd, Box::LoadError, "ファイルフォーマットが違います");
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
        ReportBox(wnd, Box::LoadError, "ファイルフォーマットが違います");
        return -2;
    }

    bool loaded = found && LoadImageFile(wnd, background, 0) == 0;
    if (!loaded) {
        if (named) ReportBox(wnd, Box::ErrorWarning, "このフォルダー内に下絵が見つかりません");
        ReleaseImage();
        CreateBlankImage(wnd, width, height);
        if (!HasImage()) {
            ReportBox(wnd, Box::ErrorWarning, "下絵の代わりの白紙を作れません (メモリー不足)");
            return -2;
        }
    }
    g_Graffiti = contents->Store;
    g_TrdBackground = named ? contents->Background : std::string();
    g_Changed = false;
    return 0;
}

namespace {
// Shown from a .trd file, the layer keeps the background name that file gave.
std::string BackgroundNameToWrite() {
    std::string background = GraffitiFileShown ? g_TrdBackground : g_Image.SourceName();
    if (!IsUsableBackgroundName(background)) background.clear();
    return background;
}
}  // namespace

bool GraffitiBackgroundBeside(const char* trdPath, char (&out)[kPathBytes]) {
    const std::string name = BackgroundNameToWrite();
    out[0] = 0;
    return !name.empty() && BesideFile(trdPath, name, out);
}

int WriteGraffitiFile(HWND wnd, const char* path) {
    if (!path || !path[0]) return 0;
    const std::vector<uint8_t> bytes = EncodeTrd(g_Graffiti, BackgroundNameToWrite());
    const SaveResult result = SaveBytes(path, bytes.data(), bytes.size());
    if (result != SaveResult::Saved) {
        ReportBox(wnd, Box::ErrorBang, (std::string(SaveResultText(result)) + "\n" + path).c_str());
        return -1;
    }
    g_Changed = false;
    return 0;
}

GraffitiExtent CurrentGraffitiExtent() { return g_Graffiti.Extent(); }

void GetGraffitiExtent(int& width, int& height) {
    const GraffitiExtent e = g_Graffiti.Extent();
    width = e.MaxX;
    height = e.MaxY;
}

namespace {

// The editor's window side: bands drawn inverted straight onto the window, new objects drawn
// at once, everything else handed to the status bar, the dialogs and the pop-up menu.
class WindowEditHost : public EditHost {
public:
    void DrawBand(const Band& b) override { Invert(b); }
    void EraseBand(const Band& b) override { Invert(b); }
    void InvalidateImageBox(const IntBox& box) override {
        const ViewMapping m = MappingOf(g_View);
        RECT r = {ImageToWindow(box.Left, m.SourceX, m.Scale) + m.DestX - 1,
                  ImageToWindow(box.Top, m.SourceY, m.Scale) + m.DestY - 1,
                  ImageToWindow(box.Right, m.SourceX, m.Scale) + m.DestX + 2,
                  ImageToWindow(box.Bottom, m.SourceY, m.Scale) + m.DestY + 2};
        InvalidateRect(g_Host.MainWindow, &r, TRUE);
    }
    void DrawNewObject(GraffitiKind kind, int index) override {
        HDC dc = GetDC(g_Host.MainWindow);
        const ViewMapping m = MappingOf(g_View);
        if (kind == kGraffitiLine) DrawGraffitiLine(dc, m, index);
        if (kind == kGraffitiEllipse) DrawGraffitiEllipse(dc, m, index);
        if (kind == kGraffitiText) DrawGraffitiText(dc, m, index);
        ReleaseDC(g_Host.MainWindow, dc);
    }
    void SetStatus(int part, const char* text) override { SetStatusText(part, text); }
    // The gesture's operation is named in the status bar's second part.
    // A small framed text beside the press point, and the same text in the status bar.
    void ShowLabel(int x, int y, const char* text) override {
        SetStatusText(1, text);
        HWND wnd = g_Host.MainWindow;
        if (!label_)
            label_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_BORDER | SS_CENTER | SS_NOPREFIX, 0, 0, 0, 0, wnd,
                                     nullptr, g_Host.Instance, nullptr);
        if (!label_) return;
        SendMessageA(label_, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        SetWindowTextA(label_, text);
        HDC dc = GetDC(label_);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, int(strlen(text)), &size);
        SelectObject(dc, old);
        ReleaseDC(label_, dc);
        SetWindowPos(label_, HWND_TOP, x + 8, y - size.cy - 12, size.cx + 8, size.cy + 4, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        UpdateWindow(label_);
    }
    void HideLabel() override {
        SetStatusText(1, "");
        if (label_) DestroyWindow(label_);
        label_ = nullptr;
    }
    void RequestPopupMenu(int x, int y) override { ::RequestPopupMenu(g_Host.MainWindow, POINT{x, y}); }
    LineAttributes CurrentLineAttributes() override {
        const GraffitiLine l = ::CurrentLineAttributes();
        return {l.Colour, l.Fill, l.Shadow, l.Width, l.Style};
    }
    TextAttributes CurrentTextAttributes() override {
        uint32_t size = 0;
        text_ = ::CurrentTextAttributes(size);
        TextAttributes a;
        a.Colour = text_.Colour, a.Background = text_.Background, a.Shadow = text_.Shadow;
        a.Style = text_.Style, a.Size = size;
        a.Direction = text_.Escapement / 10, a.CharAngle = text_.Orientation / 10, a.Weight = text_.Weight;
        a.Font = text_.Font, a.Text = text_.Text;
        return a;
    }
    void OpenLineStyleDialog(int mode) override { ::OpenLineStyleDialog(mode); }
    void OpenTextStyleDialog(int mode, int index) override { ::OpenTextStyleDialog(mode, index); }
    void MarkChanged() override { MarkGraffitiChanged(); }

private:
    static void Invert(const Band& b) {
        HWND wnd = g_Host.MainWindow;
        HDC dc = GetDC(wnd);
        SetROP2(dc, R2_NOT);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        if (b.Kind == BandKind::Line) {
            MoveToEx(dc, b.X1, b.Y1, nullptr);
            LineTo(dc, b.X2, b.Y2);
        } else if (b.Kind == BandKind::Ellipse) {
            Ellipse(dc, b.X1, b.Y1, b.X2, b.Y2);
        } else {
            const auto outline = RotatedRectOutline({b.X1, b.Y1}, {b.X2, b.Y2}, b.Degrees);
            POINT pts[outline.size()];
            for (size_t i = 0; i < outline.size(); ++i) pts[i] = {outline[i].X, outline[i].Y};
            Polyline(dc, pts, int(outline.size()));
        }
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        ReleaseDC(wnd, dc);
    }
    GraffitiText text_{};  // keeps the strings handed out alive until the next call
    HWND label_ = nullptr;
};

WindowEditHost g_EditHost;
GraffitiEditor g_Editor;

}  // namespace

int StartGraffitiCommand(int state, int command) {
    return g_Editor.StartCommand(state, command, g_Graffiti, g_EditHost);
}

int AbortGraffitiCommand(int state) { return g_Editor.Abort(state, g_EditHost); }

bool GraffitiBandsShown() { return g_Editor.BandCount() > 0; }

void RedrawGraffitiBands() {
    for (int i = 0; i < g_Editor.BandCount(); ++i) g_EditHost.DrawBand(g_Editor.BandAt(i));
}

int GraffitiEscape(HWND wnd, int state) {
    EditInput in;
    in.Event = EditEvent::Escape;
    in.Mapping = MappingOf(g_View);
    return g_Editor.Step(state, in, g_Graffiti, g_EditHost);
}

int LocateGraffitiTextEdit() { return g_Editor.LocateTextEdit(g_Graffiti); }
int ApplyGraffitiTextEdit(const GraffitiText& replacement) {
    return g_Editor.ApplyTextEdit(g_Graffiti, replacement, g_EditHost);
}

int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM wp) {
    EditInput in;
    switch (msg) {
    case WM_MOUSEMOVE: in.Event = EditEvent::Move; break;
    case WM_LBUTTONDOWN: in.Event = EditEvent::LeftDown; break;
    case WM_LBUTTONUP: in.Event = EditEvent::LeftUp; break;
    case WM_RBUTTONDOWN: in.Event = EditEvent::RightDown; break;
    case WM_RBUTTONUP: in.Event = EditEvent::RightUp; break;
    default: return state;
    }
    in.X = GET_X_LPARAM(lp);
    in.Y = GET_Y_LPARAM(lp);
    in.Shift = (wp & MK_SHIFT) != 0;
    in.Control = (wp & MK_CONTROL) != 0;
    in.Mapping = MappingOf(g_View);
    return g_Editor.Step(state, in, g_Graffiti, g_EditHost);
}
