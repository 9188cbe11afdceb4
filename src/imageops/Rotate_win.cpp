#include "imageops/Rotate_win.h"

#include <windowsx.h>

#include <cstdio>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "imageops/DibPixels_win.h"
#include "imageops/Monochrome_win.h"
#include "imageops/Rotate.h"
#include "view/RubberBand.h"
#include "view/View_win.h"

namespace {

// Small pictures take the plain quarter turn; large ones the turn that keeps thin lines of
// scanned drawings by a vote among neighbours.
bool UsesPlainQuarterTurn(int width, int height) { return (height / 10) * (width / 10) < 50000; }

template <typename Turn>
int ReplaceByTurn(HWND wnd, Turn turn) {
    if (!HasImage()) return -1;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    DibPixels source, turned;
    HBITMAP bitmap = nullptr;
    if (ReadDibPixels(g_Image.Current, 0, source) && turn(source, turned)) {
        source = DibPixels();
        bitmap = CreateBitmapFromPixels(turned);
    }
    SetCursor(old);
    if (!bitmap) {
        ReportBox(wnd, Box::ErrorInformation, "画像を回転できません (メモリー不足です)。");
        return -1;
    }
    ReplaceCurrentBitmap(bitmap, false);
    g_Image.Edited = true;
    return 0;
}

}  // namespace

int RotateQuarter(HWND wnd, int degrees) {
    if (degrees != 90 && degrees != 270) return -1;
    return ReplaceByTurn(wnd, [degrees](const DibPixels& s, DibPixels& d) {
        return UsesPlainQuarterTurn(s.Width, s.Height) ? QuarterTurnPixels(s, degrees, d)
                                                       : RotateQuarterVote(s, degrees, d);
    });
}

int RotateByAngle(HWND wnd, double radians) {
    return ReplaceByTurn(wnd, [radians](const DibPixels& s, DibPixels& d) { return RotateByAnglePixels(s, radians, d); });
}

namespace {
struct StraightenPoints {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};
StraightenPoints g_Straighten;

POINT ImagePointOf(LPARAM lp) {
    const ViewMapping m = MappingOf(g_View);
    return {WindowToImage(GET_X_LPARAM(lp) - m.DestX, m.SourceX, m.Scale),
            WindowToImage(GET_Y_LPARAM(lp) - m.DestY, m.SourceY, m.Scale)};
}

double Guide(HWND wnd) {
    const StraightenPoints& p = g_Straighten;
    return InvertAngleGuide(wnd, p.X1, p.Y1, p.X2, p.Y2);
}
}  // namespace

int StraightenStep(HWND wnd, UINT msg, int state, LPARAM lp) {
    const int step = state & kEditStepMask;
    switch (step) {
    case 0:
        SetStatusText(0, "画像の角度を調整します　始点を指示してください");
        return kEditFineRotate | 1;
    case 1:
        if (msg != WM_LBUTTONDOWN) return state;
        {
            const POINT p = ImagePointOf(lp);
            g_Straighten = {p.x, p.y, p.x, p.y};
        }
        Guide(wnd);
        return kEditFineRotate | 2;
    case 2: {
        if (msg != WM_MOUSEMOVE && msg != WM_LBUTTONDOWN) return state;
        Guide(wnd);  // erases the last one
        const POINT p = ImagePointOf(lp);
        g_Straighten.X2 = p.x;
        g_Straighten.Y2 = p.y;
        if (msg == WM_LBUTTONDOWN) return kEditFineRotate | 3;
        const double theta = Guide(wnd);
        char text[128];
        snprintf(text, sizeof text, "終点を支持してください回転角度 %f (%f)rad", theta, theta * 180.0 / 3.14159265358979323846);
        SetStatusText(0, text);
        return state;
    }
    case 3: {
        SetStatusText(0, "回転処理中ですしばらくお待ちください");
        SYSTEMTIME start;
        GetLocalTime(&start);
        const StraightenPoints& p = g_Straighten;
        RotateByAngle(wnd, StraighteningAngle(p.X1, p.Y1, p.X2, p.Y2));
        InvalidateRect(wnd, nullptr, TRUE);
        UpdateWindow(wnd);
        SetStatusText(0, ElapsedTimeText(start).c_str());
        return kEditFineRotate | 4;
    }
    default:
        if (msg != WM_LBUTTONDOWN && msg != WM_RBUTTONDOWN) return state;
        SetStatusText(0, "");
        return kEditNone;
    }
}

int StraightenEscape(HWND wnd, int state) {
    if ((state & kEditStepMask) == 2) Guide(wnd);
    SetStatusText(0, "");
    return kEditNone;
}
