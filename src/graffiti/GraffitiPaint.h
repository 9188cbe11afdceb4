// How one graffiti object is drawn at a view mapping, as a short list of steps that the GDI
// layer replays in order. Portable, so the arithmetic is tested without a device context.
#pragma once
#include <cstddef>
#include <cstdint>

#include "graffiti/GraffitiStore.h"
#include "view/ViewState.h"

// Every coordinate and length in a step lies within +-kPaintCoordLimit window pixels.
constexpr int32_t kPaintCoordLimit = 1 << 26;

enum class PaintOp : uint8_t {
    SetRop2Copy,         // SetROP2(R2_COPYPEN)
    SetBkTransparent,    // SetBkMode(TRANSPARENT)
    SetBkOpaque,         // SetBkMode(OPAQUE)
    SetBkColour,         // SetBkColor(Colour)
    SetTextColour,       // SetTextColor(Colour)
    SelectPen,           // CreatePen(Style, Width, Colour); select it
    SelectGeometricPen,  // ExtCreatePen(PS_GEOMETRIC | Style, Width, {BS_SOLID, Colour}, 0, 0); select it
    SelectNullBrush,     // select GetStockObject(NULL_BRUSH)
    SelectSolidBrush,    // CreateSolidBrush(Colour); select it
    SelectFont,          // CreateFontIndirect(the list's Font); select it
    MoveTo,              // MoveToEx(X1, Y1)
    LineTo,              // LineTo(X1, Y1)
    Ellipse,             // Ellipse(X1, Y1, X2, Y2)
    Rectangle,           // Rectangle(X1, Y1, X2, Y2)
    RoundRect,           // RoundRect(X1, Y1, X2, Y2, Width, Height)
    DrawText,            // DrawTextA(the list's Text, TextLength, RECT{X1, Y1, X2, Y2}, DT_WORDBREAK)
    RestoreObjects,      // select the DC's own pen, brush and font back; delete every one created
};

// A Select* step replaces the object of its kind that an earlier step created; the replay
// deletes that one once it is no longer selected. Fields an op does not name are zero.
struct PaintStep {
    PaintOp Op;
    int32_t X1, Y1, X2, Y2;  // a point (MoveTo, LineTo) or a rectangle
    int32_t Width, Height;   // pen width; RoundRect's corner ellipse
    int32_t Style;           // pen style 0..4 (PS_SOLID .. PS_DASHDOTDOT)
    ColorRef Colour;
};

// A LOGFONTA with character set SHIFTJIS_CHARSET (128) and precisions, quality and pitch 0.
struct FontRequest {
    int32_t Height, Width;  // never negative
    int32_t Escapement, Orientation;
    int32_t Weight;
    bool Italic, Underline, StrikeOut;
    char Face[32];  // NUL-terminated
};

class PaintSteps {
public:
    static constexpr int kCapacity = 32;  // an arrowed, shadowed line takes 26

    void Clear();
    void Add(const PaintStep& step);  // refused when full, which no object reaches

    int Count() const { return count_; }
    const PaintStep& operator[](int i) const { return steps_[i]; }
    const PaintStep* begin() const { return steps_; }
    const PaintStep* end() const { return steps_ + count_; }

    FontRequest Font{};           // for SelectFont
    const char* Text = nullptr;   // for DrawText: the record's text, valid while the record is
    int TextLength = 0;           // bytes, without the NUL

private:
    PaintStep steps_[kCapacity];
    int count_ = 0;
};

// Each replaces the list's contents with the steps of one object.
void LineSteps(const GraffitiLine& line, const ViewMapping& mapping, PaintSteps& steps);
void EllipseSteps(const GraffitiEllipse& ellipse, const ViewMapping& mapping, PaintSteps& steps);
void TextSteps(const GraffitiText& text, const ViewMapping& mapping, PaintSteps& steps);
