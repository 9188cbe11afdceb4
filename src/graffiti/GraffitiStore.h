// The graffiti layer: lines, ellipses and framed texts in image pixel coordinates, in fixed
// tables whose records are stored byte for byte in .trd files. Portable; the renderer, the
// editor, the .trd codec and the exporters all work on one store.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

using ColorRef = uint32_t;  // 0x00BBGGRR

// LineStyleWord
constexpr uint32_t kPenStyleMask = 0x0F;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
constexpr uint32_t kLineFill = 1u << 7;
constexpr uint32_t kLineShadow = 1u << 8;
constexpr uint32_t kEndCircle = 1u << 22, kEndArrow = 1u << 23;
constexpr uint32_t kStartCircle = 1u << 30, kStartArrow = 1u << 31;
inline int EndSizeCode(uint32_t style) { return int(style >> 16) & 63; }
inline int StartSizeCode(uint32_t style) { return int(style >> 24) & 63; }

// TextStyleWord
enum FrameKind { kFrameNone = 0, kFrameRect = 1, kFrameRound = 2, kFrameLeader = 3 };
constexpr uint32_t kFrameMask = 0x0F;
constexpr uint32_t kTextItalic = 1u << 4, kTextStrikeOut = 1u << 5, kTextUnderline = 1u << 6;
constexpr uint32_t kTextFill = 1u << 7, kTextShadow = 1u << 8;

// Lines and ellipses share one record; an ellipse is inscribed in the rectangle of its two
// points, which need not be ordered.
struct GraffitiLine {
    ColorRef Colour;
    ColorRef Fill;
    int32_t Width;   // image pixels, 0..100
    uint32_t Style;  // LineStyleWord
    int32_t X1, Y1, X2, Y2;
    ColorRef Shadow;
};
using GraffitiEllipse = GraffitiLine;
static_assert(sizeof(GraffitiLine) == 36, "the .trd record");

constexpr size_t kFontBytes = 30;   // 29 bytes of name and its NUL
constexpr size_t kTextBytes = 302;  // 301 bytes of text (CR LF between lines) and its NUL

struct GraffitiText {
    int32_t X1, Y1, X2, Y2;  // frame corners; a leader ends at the first
    int32_t LeaderX, LeaderY;
    uint32_t Style;  // TextStyleWord
    ColorRef Colour, Background, Shadow;
    int32_t Escapement, Orientation;  // tenths of a degree
    int32_t Weight;                   // 0..1000, 0 the default weight
    char Font[kFontBytes];
    char Text[kTextBytes];
};
static_assert(sizeof(GraffitiText) == 384, "the old .trd text record");
static_assert(offsetof(GraffitiText, Font) == 52, "the .trd text entry's fixed part");

struct GraffitiExtent {
    int32_t MinX, MaxX, MinY, MaxY;
};

enum GraffitiKind { kGraffitiLine, kGraffitiEllipse, kGraffitiText };

// Results besides 0.
constexpr int kGraffitiFull = -4;
constexpr int kGraffitiBadIndex = -5;

struct TextMetrics {
    int Columns, Rows;
};
// Rows = LF count + 1; columns = the longest line's bytes (CR not counted) + 1.
TextMetrics MeasureText(std::string_view text);
// Line n (from 1) of a text without its CR LF; empty past the last line.
std::string_view TextLine(std::string_view text, int n);
// Copies font and text into the record's fields, cut on a character boundary and
// NUL-terminated; false when either had to be cut.
bool SetTextStrings(GraffitiText& t, std::string_view font, std::string_view text);

struct IntBox {
    int32_t Left, Top, Right, Bottom;  // inclusive
};

class GraffitiStore {
public:
    static constexpr int kMaxLines = 2000, kMaxEllipses = 200, kMaxTexts = 200;

    GraffitiStore() { Clear(); }
    void Clear();

    int LineCount() const { return lineCount_; }
    int EllipseCount() const { return ellipseCount_; }
    int TextCount() const { return textCount_; }
    int TotalCount() const { return lineCount_ + ellipseCount_ + textCount_; }
    GraffitiExtent Extent() const { return extent_; }

    // Records 0..count-1; callers check the index against the count.
    const GraffitiLine& Line(int i) const { return lines_[i]; }
    const GraffitiEllipse& Ellipse(int i) const { return ellipses_[i]; }
    const GraffitiText& Text(int i) const { return texts_[i]; }

    // 0 (a degenerate object, both points equal, is not stored but is no failure) or
    // kGraffitiFull. The extent grows by the object's points.
    int AddLine(const GraffitiLine& l);
    int AddEllipse(const GraffitiEllipse& e);
    // index -1 appends (kGraffitiFull when 200 are stored); 0..count-1 replaces;
    // anything else is kGraffitiBadIndex. A leader tip on the first corner moves 5 left.
    int PutText(const GraffitiText& t, int index);

    // The last record moves into the hole; kGraffitiBadIndex outside 0..count-1.
    int DeleteLine(int i);
    int DeleteEllipse(int i);
    int DeleteText(int i);

    // Edits of the editing commands; each widens the extent by the new points, and a leader
    // tip on the first corner moves 5 left as in PutText. kGraffitiBadIndex outside 0..count-1.
    int SetLinePoints(int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    int SetEllipsePoints(int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    int SetTextPoints(int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t leaderX, int32_t leaderY);
    int SetLineAttributes(int i, ColorRef colour, ColorRef fill, ColorRef shadow, int32_t width, uint32_t style);
    int SetEllipseAttributes(int i, ColorRef colour, ColorRef fill, ColorRef shadow, int32_t width, uint32_t style);
    int SetTextAttributes(int i, ColorRef colour, ColorRef background, ColorRef shadow, uint32_t style);

    // (W, H) of one character cell of text i; -1 when its frame has no width or height.
    // kGraffitiBadIndex outside 0..count-1.
    int CellSize(int i, int32_t& w, int32_t& h) const;
    // Half-width and flatness (height / width) of ellipse i for the exporters; false (and
    // both 0) for an ellipse of no width, which has no finite flatness.
    bool EllipseMeasures(int i, double& halfWidth, double& flatness) const;
    // The object's box meets [x, x + w] x [y, y + h], ends included; false for a bad index.
    bool MeetsRectangle(GraffitiKind kind, int i, int32_t x, int32_t y, int32_t w, int32_t h) const;
    // The box to repaint after object i changes, with its margin, in image pixels; an empty
    // box (Right < Left) for a bad index.
    IntBox RepaintBox(GraffitiKind kind, int i) const;

    // The .trd reader's way in: a record as stored, without the editing rules (the reader
    // has validated it); the extent grows by its points. kGraffitiFull when the table is full.
    int RestoreLine(const GraffitiLine& l);
    int RestoreEllipse(const GraffitiEllipse& e);
    int RestoreText(const GraffitiText& t);

private:
    void Widen(int32_t x, int32_t y);
    void WidenText(const GraffitiText& t);
    int RestoreShape(GraffitiLine* table, int& count, int capacity, const GraffitiLine& l);

    int lineCount_ = 0;
    GraffitiLine lines_[kMaxLines];
    int ellipseCount_ = 0;
    GraffitiEllipse ellipses_[kMaxEllipses];
    int textCount_ = 0;
    GraffitiText texts_[kMaxTexts];
    GraffitiExtent extent_;
};

// The attributes new objects receive (edited by the style dialogs).
struct GraffitiAttributes {
    ColorRef LineColour = 0x000000FF;
    int32_t LineWidth = 0;
    uint32_t LineStyle = 0;
    ColorRef Background = 0x00FFFFFF;
    ColorRef Shadow = 0x00000000;
    ColorRef TextColour = 0x000000FF;
    uint32_t TextStyle = 0;
    uint32_t TextSize = 0x00010008;  // TextSizeWord: W 8, H 16
    char Font[kFontBytes] = "ＭＳ ゴシック";
    char Text[kTextBytes] = "ここに文字を書いてください";
};
