#include "graffiti/StyleDialogs_win.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "base/Host_win.h"
#include "base/TextNumber.h"
#include "graffiti/Graffiti_win.h"
#include "graffiti/StyleSettings.h"
#include "image/Image_win.h"
#include "resources/resource.h"

extern GraffitiStore g_Graffiti;  // Graffiti_win.cpp

namespace {

GraffitiAttributes g_Style;
bool g_LineLoaded = false, g_TextLoaded = false;
HWND g_LineDialog = nullptr, g_TextDialog = nullptr;
int g_LineMode = kLineStyleLine;
int g_LastTextMode = kTextStyleNew;
bool g_Editing = false;  // mode 3: the editor holds the text being changed
bool g_Filling = false;  // controls are being set, not edited
COLORREF g_LineCustom[16], g_TextCustom[16];

constexpr const char* kDefaultFont = "ＭＳ ゴシック";
constexpr const char* kWeightItems[kWeightCount] = {" 1", " 100", " 200", " 400", " 600", " 800", "1000"};
constexpr const char* kAngleItems[] = {"-90", "-60", "-30", " 0", "30", "60", "90"};
constexpr int kAngleZero = 3;
constexpr int kAngleDegrees[] = {-90, -60, -30, 0, 30, 60, 90};

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void Check(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE); }

std::string ItemText(HWND dlg, int id) {
    char text[kRaWordBytes + 2];
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

int ListSelection(HWND dlg, int id) { return int(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0)); }

void FillList(HWND dlg, int id, const char* const* items, int count, int selected) {
    for (int i = 0; i < count; ++i) SendDlgItemMessageA(dlg, id, CB_ADDSTRING, 0, LPARAM(items[i]));
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, WPARAM(selected), 0);
}

// The right edge of the screen less the dialog's width, where a dialog with no stored
// position goes.
int32_t DefaultLeft(HWND dlg) {
    RECT r;
    GetWindowRect(dlg, &r);
    return GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left);
}

void ShowAt(HWND dlg, DialogPosition pos) {
    // A position left on a monitor that is gone puts the dialog back where it starts.
    if (!MonitorFromPoint(POINT{pos.X + 20, pos.Y + 10}, MONITOR_DEFAULTTONULL)) pos = {DefaultLeft(dlg), 0};
    SetWindowPos(dlg, nullptr, pos.X, pos.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

DialogPosition PositionOf(HWND dlg) {
    RECT r;
    GetWindowRect(dlg, &r);
    return {r.left, r.top};
}

// A running drawing command starts its object again after the text or its size changed.
void RestartGraffitiStep() {
    if (g_GraffitiEditState & kEditToolMask) g_GraffitiEditState &= ~kEditStepMask;
}

// ---- line style dialog ----

constexpr int kStartGroup[] = {IDC_LS_START_GROUP, IDC_LS_START_NONE, IDC_LS_START_CIRCLE, IDC_LS_START_ARROW,
                               IDC_LS_START_LABEL, IDC_LS_START_SIZE};
constexpr int kEndGroup[] = {IDC_LS_END_GROUP, IDC_LS_END_NONE, IDC_LS_END_CIRCLE, IDC_LS_END_ARROW,
                             IDC_LS_END_LABEL, IDC_LS_END_SIZE};

void ReadLineControls(HWND dlg) {
    g_Style.LineWidth = LineWidthFromText(ItemText(dlg, IDC_LS_WIDTH), g_Style.LineWidth);
    LineControls c;
    for (int i = 0; i <= 4; ++i)
        if (Checked(dlg, IDC_LS_SOLID + i)) c.PenStyle = i;
    c.Fill = Checked(dlg, IDC_ST_FILL);
    c.Shadow = Checked(dlg, IDC_ST_SHADOW);
    c.StartCircle = Checked(dlg, IDC_LS_START_CIRCLE);
    c.StartArrow = Checked(dlg, IDC_LS_START_ARROW);
    c.EndCircle = Checked(dlg, IDC_LS_END_CIRCLE);
    c.EndArrow = Checked(dlg, IDC_LS_END_ARROW);
    c.StartSize = ParseWholeNumber(ItemText(dlg, IDC_LS_START_SIZE));
    c.EndSize = ParseWholeNumber(ItemText(dlg, IDC_LS_END_SIZE));
    g_Style.LineStyle = LineStyleFromControls(g_Style.LineStyle, c);
}

// The radio of one end: both bits set selects none, as the renderer could not tell.
int ShapeRadio(bool circle, bool arrow, int noneId) { return circle == arrow ? noneId : circle ? noneId + 1 : noneId + 2; }

void SetSizeCode(HWND dlg, int id, int code, bool shaped) {
    // An end without a shape shows the usual starting size instead of 0.
    SetDlgItemInt(dlg, id, UINT(code == 0 && !shaped ? 10 : code), FALSE);
}

void LoadLineControls(HWND dlg, int mode) {
    g_Filling = true;
    const uint32_t s = g_Style.LineStyle;
    SetDlgItemInt(dlg, IDC_LS_WIDTH, UINT(g_Style.LineWidth), FALSE);
    int pen = int(s & kPenStyleMask);
    CheckRadioButton(dlg, IDC_LS_SOLID, IDC_LS_DASHDOTDOT, IDC_LS_SOLID + (pen <= 4 ? pen : 0));
    Check(dlg, IDC_ST_FILL, (s & kLineFill) != 0);
    Check(dlg, IDC_ST_SHADOW, (s & kLineShadow) != 0);
    bool sc = (s & kStartCircle) != 0, sa = (s & kStartArrow) != 0;
    bool ec = (s & kEndCircle) != 0, ea = (s & kEndArrow) != 0;
    CheckRadioButton(dlg, IDC_LS_START_NONE, IDC_LS_START_ARROW, ShapeRadio(sc, sa, IDC_LS_START_NONE));
    CheckRadioButton(dlg, IDC_LS_END_NONE, IDC_LS_END_ARROW, ShapeRadio(ec, ea, IDC_LS_END_NONE));
    SetSizeCode(dlg, IDC_LS_START_SIZE, StartSizeCode(s), sc || sa);
    SetSizeCode(dlg, IDC_LS_END_SIZE, EndSizeCode(s), ec || ea);
    for (int id : kStartGroup) Enable(dlg, id, mode == kLineStyleLine);
    for (int id : kEndGroup) Enable(dlg, id, mode == kLineStyleLine);
    Enable(dlg, IDC_ST_BACKGROUND, mode != kLineStylePolyline);
    Enable(dlg, IDC_ST_FILL, mode != kLineStylePolyline);
    g_Filling = false;
}

void DrawPenSample(const DRAWITEMSTRUCT& d) {
    FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    HPEN pen = CreatePen(int(d.CtlID - IDC_LS_SAMPLE_SOLID), 1, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ old = SelectObject(d.hDC, pen);
    int y = (d.rcItem.top + d.rcItem.bottom) / 2;
    MoveToEx(d.hDC, d.rcItem.left, y, nullptr);
    LineTo(d.hDC, d.rcItem.right, y);
    SelectObject(d.hDC, old);
    DeleteObject(pen);
}

INT_PTR CALLBACK LineProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        DialogPosition pos;
        LoadLineStyle(*MakeSettingsRegistry(), g_Style, pos, DefaultLeft(dlg));
        g_LineLoaded = true;
        SendDlgItemMessageA(dlg, IDC_LS_WIDTH, EM_LIMITTEXT, 3, 0);
        SendDlgItemMessageA(dlg, IDC_LS_START_SIZE, EM_LIMITTEXT, 2, 0);
        SendDlgItemMessageA(dlg, IDC_LS_END_SIZE, EM_LIMITTEXT, 2, 0);
        LoadLineControls(dlg, g_LineMode);
        ShowAt(dlg, pos);
        return TRUE;
    }
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (d->CtlID < IDC_LS_SAMPLE_SOLID || d->CtlID > IDC_LS_SAMPLE_LAST) return FALSE;
        DrawPenSample(*d);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (g_Filling) return FALSE;
        switch (id) {
        case IDC_LS_WIDTH:
        case IDC_LS_START_SIZE:
        case IDC_LS_END_SIZE:
            if (code == EN_CHANGE) ReadLineControls(dlg);
            return TRUE;
        case IDC_LS_COLOUR: ChooseColour(dlg, g_Style.LineColour, g_LineCustom); return TRUE;
        case IDC_ST_BACKGROUND: ChooseColour(dlg, g_Style.Background, g_LineCustom); return TRUE;
        case IDC_ST_SHADOW_COLOUR: ChooseColour(dlg, g_Style.Shadow, g_LineCustom); return TRUE;
        case IDCANCEL: DestroyWindow(dlg); return TRUE;
        }
        if (code == BN_CLICKED) ReadLineControls(dlg);
        return FALSE;
    }
    case WM_CLOSE: DestroyWindow(dlg); return TRUE;
    case WM_DESTROY:
        // Children still exist here, so every way out reads them one last time.
        ReadLineControls(dlg);
        SaveLineStyle(*MakeSettingsRegistry(), g_Style, PositionOf(dlg));
        if (g_LineDialog == dlg) g_LineDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

// ---- text style dialog ----

constexpr int kFrameRadios[] = {IDC_TS_FRAME_NONE, IDC_TS_FRAME_RECT, IDC_TS_FRAME_ROUND, IDC_TS_FRAME_LEADER};

int CALLBACK AddFontName(const LOGFONTA* lf, const TEXTMETRICA*, DWORD type, LPARAM list) {
    HWND combo = HWND(list);
    // Vertical-writing faces start with '@' and only turn the text on its side.
    if ((type & TRUETYPE_FONTTYPE) && lf->lfFaceName[0] != '@' &&
        SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(lf->lfFaceName)) == CB_ERR)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(lf->lfFaceName));
    return 1;
}

void FillFontList(HWND dlg) {
    HWND combo = GetDlgItem(dlg, IDC_TS_FONT);
    LOGFONTA lf = {};
    lf.lfCharSet = SHIFTJIS_CHARSET;
    HDC dc = GetDC(dlg);
    EnumFontFamiliesExA(dc, &lf, AddFontName, LPARAM(combo), 0);
    ReleaseDC(dlg, dc);
}

void SelectFont(HWND dlg) {
    LRESULT i = SendDlgItemMessageA(dlg, IDC_TS_FONT, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(g_Style.Font));
    SendDlgItemMessageA(dlg, IDC_TS_FONT, CB_SETCURSEL, i == CB_ERR ? WPARAM(-1) : WPARAM(i), 0);
}

int CheckedFrame(HWND dlg) {
    for (int k = 3; k >= 1; --k)
        if (Checked(dlg, kFrameRadios[k])) return k;
    return kFrameNone;
}

void ReadTextControls(HWND dlg) {
    SetAttributeText(g_Style, ItemText(dlg, IDC_TS_TEXT));
    int font = ListSelection(dlg, IDC_TS_FONT);
    char name[LF_FACESIZE + 1] = {};
    if (font >= 0 && SendDlgItemMessageA(dlg, IDC_TS_FONT, CB_GETLBTEXTLEN, WPARAM(font), 0) < LPARAM(sizeof name)) {
        SendDlgItemMessageA(dlg, IDC_TS_FONT, CB_GETLBTEXT, WPARAM(font), LPARAM(name));
        SetAttributeFont(g_Style, name);
    }
    TextControls c;
    c.Frame = CheckedFrame(dlg);
    c.Italic = Checked(dlg, IDC_TS_ITALIC);
    c.StrikeOut = Checked(dlg, IDC_TS_STRIKEOUT);
    c.Underline = Checked(dlg, IDC_TS_UNDERLINE);
    c.Fill = Checked(dlg, IDC_ST_FILL);
    c.Shadow = Checked(dlg, IDC_ST_SHADOW);
    g_Style.TextStyle = TextStyleFromControls(g_Style.TextStyle, c);
    g_Style.TextSize = TextSizeFromControls(g_Style.TextSize, ParseWholeNumber(ItemText(dlg, IDC_TS_CELL_W)).value_or(-1),
                                            ParseWholeNumber(ItemText(dlg, IDC_TS_CELL_H)).value_or(-1),
                                            ListSelection(dlg, IDC_TS_WEIGHT), Checked(dlg, IDC_TS_FIXED));
}

void SaveTextDialog(HWND dlg) { SaveTextStyle(*MakeSettingsRegistry(), g_Style, PositionOf(dlg)); }

// Frame radios, fill check and "文字変更" for a mode; frame kind 3 is the leader command's own.
void ApplyTextMode(HWND dlg, int mode) {
    g_Filling = true;
    uint32_t& style = g_Style.TextStyle;
    const bool leader = mode == kTextStyleLeader || (mode == kTextStyleEdit && (style & kFrameMask) == kFrameLeader);
    if (mode == kTextStyleLeader) style = (style & ~kFrameMask) | kFrameLeader;
    if (!leader && (style & kFrameMask) == kFrameLeader) style &= ~kFrameMask;
    for (int k = 0; k < 3; ++k) {
        Enable(dlg, kFrameRadios[k], !leader);
        Check(dlg, kFrameRadios[k], !leader && int(style & kFrameMask) == k);
    }
    Enable(dlg, IDC_TS_FRAME_LEADER, leader);
    Check(dlg, IDC_TS_FRAME_LEADER, leader);
    Enable(dlg, IDC_ST_FILL, !leader);
    Enable(dlg, IDC_TS_FIXED, true);
    Enable(dlg, IDC_TS_APPLY, mode == kTextStyleEdit);
    const uint32_t size = g_Style.TextSize;
    SetDlgItemInt(dlg, IDC_TS_CELL_W, UINT(SizeCellWidth(size)), FALSE);
    SetDlgItemInt(dlg, IDC_TS_CELL_H, UINT(SizeCellHeight(size)), FALSE);
    Check(dlg, IDC_TS_FIXED, (size & kSizeFixed) != 0);
    int weight = SizeWeightIndex(size);
    SendDlgItemMessageA(dlg, IDC_TS_WEIGHT, CB_SETCURSEL, WPARAM(weight < kWeightCount ? weight : 0), 0);
    g_Filling = false;
}

void LoadTextControls(HWND dlg) {
    g_Filling = true;
    SetDlgItemTextA(dlg, IDC_TS_TEXT, g_Style.Text);
    SelectFont(dlg);
    const uint32_t s = g_Style.TextStyle;
    Check(dlg, IDC_TS_ITALIC, (s & kTextItalic) != 0);
    Check(dlg, IDC_TS_STRIKEOUT, (s & kTextStrikeOut) != 0);
    Check(dlg, IDC_TS_UNDERLINE, (s & kTextUnderline) != 0);
    Check(dlg, IDC_ST_FILL, (s & kTextFill) != 0);
    Check(dlg, IDC_ST_SHADOW, (s & kTextShadow) != 0);
    g_Filling = false;
}

// Mode 3 copies text i aside; the frame radios follow it and W and H come from its cells.
bool BeginTextEdit(int index) {
    if (index < 0 || index >= g_Graffiti.TextCount()) return false;
    g_Editing = true;
    const GraffitiText& text = g_Graffiti.Text(index);
    g_Style.TextStyle = (g_Style.TextStyle & ~kFrameMask) | (text.Style & kFrameMask);
    int32_t w = -1, h = -1;
    if (g_Graffiti.CellSize(index, w, h) != 0) w = h = -1;
    g_Style.TextSize = TextSizeFromControls(g_Style.TextSize, w, h, -1, true);
    return true;
}

void SetTextMode(HWND dlg, int mode) {
    if (mode == kTextStyleRepeat) mode = g_LastTextMode;
    if (mode == kTextStyleNew || mode == kTextStyleLeader) {
        g_LastTextMode = mode;
        g_Editing = false;
    }
    ApplyTextMode(dlg, mode);
}

// "文字変更": the editor finds the text again before it is replaced, so a text deleted or
// moved meanwhile never has another one overwritten in its place.
void ApplyToEditedText(HWND dlg) {
    ReadTextControls(dlg);
    const int index = g_Editing ? LocateGraffitiTextEdit() : -1;
    if (index < 0) {
        SetStatusText(0, "変更する文字が見つかりません");
    } else {
        const GraffitiText was = g_Graffiti.Text(index);
        uint32_t size = 0;
        GraffitiText t = CurrentTextAttributes(size);
        t.X1 = was.X1, t.Y1 = was.Y1, t.X2 = was.X2, t.Y2 = was.Y2;
        t.LeaderX = was.LeaderX, t.LeaderY = was.LeaderY;
        if (size & kSizeFixed) FixedSizeCorner(t.X1, t.Y1, t.X2, t.Y2, size, t.Text);
        ApplyGraffitiTextEdit(t);
    }
    g_Editing = false;
    SetTextMode(dlg, g_LastTextMode);
    RaiseMainWindow();
}

INT_PTR CALLBACK TextProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        DialogPosition pos;
        LoadTextStyle(*MakeSettingsRegistry(), g_Style, pos, DefaultLeft(dlg));
        g_TextLoaded = true;
        SendDlgItemMessageA(dlg, IDC_TS_TEXT, EM_LIMITTEXT, kTextBytes - 1, 0);
        SendDlgItemMessageA(dlg, IDC_TS_CELL_W, EM_LIMITTEXT, 4, 0);
        SendDlgItemMessageA(dlg, IDC_TS_CELL_H, EM_LIMITTEXT, 4, 0);
        FillFontList(dlg);
        FillList(dlg, IDC_TS_WEIGHT, kWeightItems, kWeightCount, 0);
        FillList(dlg, IDC_TS_DIRECTION, kAngleItems, 7, kAngleZero);
        FillList(dlg, IDC_TS_ANGLE, kAngleItems, 7, kAngleZero);
        LoadTextControls(dlg);
        ShowAt(dlg, pos);
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (g_Filling) return FALSE;
        switch (id) {
        case IDC_TS_TEXT:
            if (code != EN_CHANGE) return FALSE;
            ReadTextControls(dlg);
            SaveTextDialog(dlg);
            RestartGraffitiStep();
            return TRUE;
        case IDC_TS_CELL_W:
        case IDC_TS_CELL_H:
            if (code != EN_CHANGE) return FALSE;
            ReadTextControls(dlg);
            RestartGraffitiStep();
            return TRUE;
        case IDC_TS_FIXED:
            ReadTextControls(dlg);
            RestartGraffitiStep();
            return TRUE;
        case IDC_TS_FONT:
        case IDC_TS_WEIGHT:
            if (code == CBN_SELCHANGE) ReadTextControls(dlg);
            return TRUE;
        case IDC_TS_COLOUR: ChooseColour(dlg, g_Style.TextColour, g_TextCustom); return TRUE;
        case IDC_ST_BACKGROUND: ChooseColour(dlg, g_Style.Background, g_TextCustom); return TRUE;
        case IDC_ST_SHADOW_COLOUR: ChooseColour(dlg, g_Style.Shadow, g_TextCustom); return TRUE;
        case IDC_TS_APPLY: ApplyToEditedText(dlg); return TRUE;
        case IDOK:
            ReadTextControls(dlg);
            SaveTextDialog(dlg);
            return TRUE;
        case IDCANCEL: DestroyWindow(dlg); return TRUE;
        }
        if (code == BN_CLICKED) ReadTextControls(dlg);
        return FALSE;
    }
    case WM_CLOSE: DestroyWindow(dlg); return TRUE;
    case WM_DESTROY:
        ReadTextControls(dlg);
        SaveTextDialog(dlg);
        g_Editing = false;
        if (g_TextDialog == dlg) g_TextDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

HWND CreateStyleDialog(int resource, DLGPROC proc) {
    HWND dlg = CreateDialogParamA(g_Host.Instance, MAKEINTRESOURCEA(resource), nullptr, proc, 0);
    if (dlg) ShowWindow(dlg, SW_SHOW);
    return dlg;
}

// Stored values for a dialog not opened yet in this run.
void EnsureLoaded(bool& loaded, void (*load)(SettingsRegistry&, GraffitiAttributes&, DialogPosition&, int32_t)) {
    if (loaded) return;
    DialogPosition unused;
    load(*MakeSettingsRegistry(), g_Style, unused, 0);
    loaded = true;
}

}  // namespace

int OpenLineStyleDialog(int mode) {
    if (!HasImage()) return -2;
    if (mode < kLineStyleLine || mode > kLineStylePolyline) mode = kLineStyleLine;
    g_LineMode = mode;
    if (g_LineDialog) {
        ReadLineControls(g_LineDialog);
        LoadLineControls(g_LineDialog, mode);
        return 0;
    }
    g_LineDialog = CreateStyleDialog(IDD_LINESTYLE, LineProc);
    return 0;
}

int OpenTextStyleDialog(int mode, int textIndex) {
    if (!HasImage()) return -2;
    if (mode == kTextStyleEdit && (textIndex < 0 || textIndex >= g_Graffiti.TextCount())) return kGraffitiBadIndex;
    if (mode != kTextStyleEdit && mode != kTextStyleLeader && mode != kTextStyleRepeat) mode = kTextStyleNew;
    if (g_TextDialog)
        ReadTextControls(g_TextDialog);
    else if (!(g_TextDialog = CreateStyleDialog(IDD_TEXTSTYLE, TextProc)))
        return 0;
    if (mode == kTextStyleEdit) BeginTextEdit(textIndex);
    SetTextMode(g_TextDialog, mode);
    return 0;
}

void CloseLineStyleDialog() {
    if (g_LineDialog) DestroyWindow(g_LineDialog);
}

void CloseTextStyleDialog() {
    if (g_TextDialog) DestroyWindow(g_TextDialog);
}

void CloseStyleDialogs() {
    CloseLineStyleDialog();
    CloseTextStyleDialog();
}

StyleDialogHandles StyleDialogWindows() { return {g_LineDialog, g_TextDialog}; }

GraffitiLine CurrentLineAttributes() {
    if (g_LineDialog)
        ReadLineControls(g_LineDialog);
    else
        EnsureLoaded(g_LineLoaded, LoadLineStyle);
    GraffitiLine l = {};
    l.Colour = g_Style.LineColour;
    l.Fill = g_Style.Background;
    l.Shadow = g_Style.Shadow;
    l.Width = g_Style.LineWidth;
    l.Style = g_Style.LineStyle;
    return l;
}

GraffitiText CurrentTextAttributes(uint32_t& sizeWord) {
    GraffitiText t = {};
    if (g_TextDialog) {
        ReadTextControls(g_TextDialog);
        t.Style = g_Style.TextStyle;
        t.Weight = WeightOfIndex(ListSelection(g_TextDialog, IDC_TS_WEIGHT));
        int direction = ListSelection(g_TextDialog, IDC_TS_DIRECTION), angle = ListSelection(g_TextDialog, IDC_TS_ANGLE);
        t.Escapement = direction >= 0 && direction < 7 ? kAngleDegrees[direction] * 10 : 0;
        t.Orientation = angle >= 0 && angle < 7 ? kAngleDegrees[angle] * 10 : 0;
        SetTextStrings(t, g_Style.Font, g_Style.Text);
    } else {
        EnsureLoaded(g_TextLoaded, LoadTextStyle);
        SetTextStrings(t, kDefaultFont, g_Style.Text);
    }
    t.Colour = g_Style.TextColour;
    t.Background = g_Style.Background;
    t.Shadow = g_Style.Shadow;
    sizeWord = g_Style.TextSize;
    return t;
}
