// Painting the current image between the bars, and the view's mouse, key and wheel input.
#include "view/View_win.h"

#include <windowsx.h>

#include "base/Host_win.h"
#include "image/Image_win.h"
#include "view/Overlay.h"
#include "view/RubberBand.h"

ViewState g_View;
GestureMachine g_Gesture;

ClientLayout CurrentLayout(HWND wnd) {
    RECT rc;
    GetClientRect(wnd, &rc);
    return {int(rc.right), int(rc.bottom), StatusBarShown(), ToolBarShown()};
}

void RefitMainView(HWND wnd) { RefitView(g_View, CurrentLayout(wnd)); }

void ResetViewToImage(HWND wnd, int width, int height, bool keepView) {
    g_View.ImageWidth = width;
    g_View.ImageHeight = height;
    if (keepView)
        ClampSourceToImage(g_View);
    else
        SetWholeImage(g_View);
    RefitMainView(wnd);
}

void RenderImage(HDC dc, int mode, const RECT& area, uint32_t displayFlags, uint32_t infoFlags, float scale,
                 int destX, int destY, int destWidth, int destHeight, int srcX, int srcY, int srcWidth,
                 int srcHeight) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = SelectObject(mem, g_Image.Current);
    if (scale == 1.0f) {
        BitBlt(dc, destX, destY, destWidth, destHeight, mem, srcX, srcY, SRCCOPY);
    } else {
        // Reduction always smooths; enlargement only when the user asked for it.
        bool smooth = scale > 1.0f || (displayFlags & kDisplaySmoothZoom) != 0;
        SetStretchBltMode(dc, smooth ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(dc, destX, destY, nullptr);
        StretchBlt(dc, destX, destY, destWidth, destHeight, mem, srcX, srcY, srcWidth, srcHeight, SRCCOPY);
    }
    SelectObject(mem, oldBitmap);
    DeleteDC(mem);

    SetTextColor(dc, g_Image.OverlayColor);
    SetBkMode(dc, TRANSPARENT);
    OverlayArea oa{int(area.left), int(area.top), int(area.right), int(area.bottom)};
    OverlayLayout layout = LayoutOverlay(infoFlags, g_Image.Exif, mode, oa, g_View.ImageHeight, destX, destY);
    if (layout.Rows.empty()) return;
    HFONT font = CreateFontA(2 * layout.Cell.N, layout.Cell.N, 0, 0, 900, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                             "ＭＳ ゴシック");
    HGDIOBJ oldFont = SelectObject(dc, font);
    for (const OverlayRow& row : layout.Rows) TextOutA(dc, row.X, row.Y, row.Text.data(), int(row.Text.size()));
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

void PaintView(HWND wnd, const PaintLayers& layers) {
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    if (HasImage()) {
        if (layers.ForceImage) g_Settings.InfoFlags |= kInfoImageShown;
        RECT client;
        GetClientRect(wnd, &client);
        const ViewArea shown = ViewAreaOf(client.right, client.bottom, ToolBarShown(), StatusBarShown());
        const RECT area = {shown.Left, shown.Top, shown.Right, shown.Bottom};
        const ViewState& v = g_View;
        if (g_Settings.InfoFlags & kInfoImageShown)
            RenderImage(dc, 0, area, g_Settings.DisplayFlags, g_Settings.InfoFlags, v.Scale, v.DestX, v.DestY, v.DestWidth,
                        v.DestHeight, v.SourceX, v.SourceY, v.DrawWidth, v.DrawHeight);
        if (layers.Draw) layers.Draw(dc, v);
    }
    EndPaint(wnd, &ps);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

namespace {

// A window DC set up for inverting drawing, released on scope exit.
struct InvertingDc {
    HWND wnd;
    HDC dc;
    explicit InvertingDc(HWND w) : wnd(w), dc(GetDC(w)) {
        SetROP2(dc, R2_NOT);
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    ~InvertingDc() { ReleaseDC(wnd, dc); }
    void Segment(int x1, int y1, int x2, int y2) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    }
};

void InvertBand(HWND wnd, const BandLine& band) {
    if (band.Draw) InvertRectangle(wnd, band.X1, band.Y1, band.X2, band.Y2);
}

}  // namespace

int ViewMouse(HWND wnd, UINT msg, LPARAM lp, WPARAM wp, bool& clearGraffitiBit) {
    clearGraffitiBit = false;
    MouseEvent event;
    switch (msg) {
    case WM_LBUTTONDOWN: event = MouseEvent::LeftDown; break;
    case WM_RBUTTONDOWN: event = MouseEvent::RightDown; break;
    case WM_LBUTTONUP: event = MouseEvent::LeftUp; break;
    case WM_RBUTTONUP: event = MouseEvent::RightUp; break;
    default: event = MouseEvent::Move; break;
    }
    GestureEffects fx = ViewGesture(g_Gesture, event, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), (wp & MK_LBUTTON) != 0,
                                    (wp & MK_RBUTTON) != 0, GraffitiModeOn(), HasImage());
    InvertBand(wnd, fx.Erase);
    InvertBand(wnd, fx.Draw);
    switch (fx.Status) {
    case GestureStatus::WholeView: SetStatusText(2, "全体表示"); break;
    case GestureStatus::ZoomView: SetStatusText(2, "拡大表示"); break;
    case GestureStatus::MoveView: SetStatusText(2, "move"); break;
    case GestureStatus::SizeText: SetStatusText(2, g_Host.SizeText); break;
    case GestureStatus::Unchanged: break;
    }
    if (fx.CrossCursor) SetCursor(LoadCursor(nullptr, IDC_CROSS));
    if (fx.ArrowCursor) SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (fx.StartDragOut) RequestDragOut();
    switch (fx.Finish) {
    case GestureFinish::FitWhole:
        SetWholeImage(g_View);
        RefitMainView(wnd);
        InvalidateRect(wnd, nullptr, TRUE);
        break;
    case GestureFinish::ZoomRect: {
        RECT outer;
        GetWindowRect(wnd, &outer);
        ZoomToRectangle(g_View, fx.FromX, fx.FromY, fx.ToX, fx.ToY, outer.right - outer.left, outer.bottom - outer.top,
                        CurrentLayout(wnd));
        InvalidateRect(wnd, nullptr, TRUE);
        break;
    }
    case GestureFinish::ClearGraffitiBit: clearGraffitiBit = true; break;
    case GestureFinish::None: break;
    }
    return fx.State != 0 ? fx.State : (fx.Consumed ? kGestureUndecided : 0);
}

bool ViewKeyDown(HWND wnd, int vk, ViewAction& step) {
    step = ViewAction::None;
    ViewKey key;
    switch (vk) {
    case VK_LEFT: key = ViewKey::Left; break;
    case VK_RIGHT: key = ViewKey::Right; break;
    case VK_UP: key = ViewKey::Up; break;
    case VK_DOWN: key = ViewKey::Down; break;
    case VK_PRIOR: key = ViewKey::PageUp; break;
    case VK_NEXT: key = ViewKey::PageDown; break;
    default: return false;
    }
    if (!HasImage()) return true;
    step = ApplyViewKey(g_View, key, CurrentLayout(wnd));
    if (step == ViewAction::Repaint) InvalidateRect(wnd, nullptr, TRUE);
    return true;
}

ViewAction ViewWheel(HWND wnd, int delta, int currentIndex, int lastIndex) {
    if (!HasImage()) return ViewAction::None;
    ViewAction step = ApplyWheel(g_View, delta, currentIndex, lastIndex);
    if (step == ViewAction::Repaint) InvalidateRect(wnd, nullptr, TRUE);
    return step;
}

void InvertRectangle(HWND wnd, int x1, int y1, int x2, int y2) { Rectangle(InvertingDc(wnd).dc, x1, y1, x2, y2); }

void InvertLine(HWND wnd, int x1, int y1, int x2, int y2) {
    ViewMapping m = MappingOf(g_View);
    BandPoint a = MapToWindow(m, x1, y1), b = MapToWindow(m, x2, y2);
    InvertingDc(wnd).Segment(a.X, a.Y, b.X, b.Y);
}

void InvertEllipse(HWND wnd, int x1, int y1, int x2, int y2) {
    ViewMapping m = MappingOf(g_View);
    BandPoint a = MapToWindow(m, x1, y1), b = MapToWindow(m, x2, y2);
    Ellipse(InvertingDc(wnd).dc, a.X, a.Y, b.X, b.Y);
}

void InvertRotatedRectangle(HWND wnd, int x1, int y1, int x2, int y2, double degrees) {
    auto outline = RotatedRectOutline({x1, y1}, {x2, y2}, degrees);
    InvertingDc dc(wnd);
    for (size_t i = 0; i + 1 < outline.size(); ++i)
        dc.Segment(outline[i].X, outline[i].Y, outline[i + 1].X, outline[i + 1].Y);
}

double InvertAngleGuide(HWND wnd, int x1, int y1, int x2, int y2) {
    AngleGuide guide = PlanAngleGuide(MappingOf(g_View), x1, y1, x2, y2);
    if (!guide.Lines.empty()) {
        InvertingDc dc(wnd);
        for (const BandSegment& s : guide.Lines) dc.Segment(s.X1, s.Y1, s.X2, s.Y2);
    }
    return guide.Angle;
}
