#include "graffiti/GraffitiPaint.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

void PaintSteps::Clear() {
    count_ = 0;
    Font = FontRequest{};
    Text = nullptr;
    TextLength = 0;
}

void PaintSteps::Add(const PaintStep& step) {
    if (count_ < kCapacity) steps_[count_++] = step;
}

namespace {

// GDI keeps 27-bit device coordinates; past them drawing wraps or fails, so every value,
// and any sum of two, stays well inside.
int32_t Clamp(double v) {
    if (v != v) return 0;
    if (v >= kPaintCoordLimit) return kPaintCoordLimit;
    if (v <= -kPaintCoordLimit) return -kPaintCoordLimit;
    return static_cast<int32_t>(v);
}

struct Point {
    int32_t X, Y;
};

int32_t MapCoordinate(int32_t v, int origin, int dest, float scale) {
    int difference;
    // ImageToWindow subtracts in int; past its range the same float quotient is formed here.
    const double quotient = __builtin_sub_overflow(v, origin, &difference)
                                ? std::trunc(static_cast<float>(int64_t{v} - origin) / scale)
                                : ImageToWindow(v, origin, scale);
    return Clamp(quotient + dest);
}

Point MapPoint(int32_t x, int32_t y, const ViewMapping& m) {
    return {MapCoordinate(x, m.SourceX, m.DestX, m.Scale), MapCoordinate(y, m.SourceY, m.DestY, m.Scale)};
}

int32_t MapLength(int64_t length, float scale) {
    const int32_t v = Clamp(std::trunc(static_cast<float>(length) / scale));
    return v < 0 ? 0 : v;
}

Point Shifted(Point p, int32_t by) { return {Clamp(double(p.X) + by), Clamp(double(p.Y) + by)}; }

PaintStep At(PaintOp op, Point p) { return {op, p.X, p.Y, 0, 0, 0, 0, 0, 0}; }
PaintStep Box(PaintOp op, Point a, Point b) { return {op, a.X, a.Y, b.X, b.Y, 0, 0, 0, 0}; }
PaintStep Plain(PaintOp op, ColorRef colour = 0) { return {op, 0, 0, 0, 0, 0, 0, 0, colour}; }

// Styles above 4 would ask for user-defined or alternate dashes, which need more than a
// style number; such records draw solid.
int32_t PenStyle(uint32_t style) {
    const int32_t s = int32_t(style & kPenStyleMask);
    return s <= 4 ? s : 0;
}

void SelectPen(PaintSteps& steps, int32_t width, int32_t style, ColorRef colour) {
    steps.Add({width >= 2 ? PaintOp::SelectGeometricPen : PaintOp::SelectPen, 0, 0, 0, 0, width, 0,
               style, colour});
}

void SelectBrush(PaintSteps& steps, bool solid, ColorRef colour) {
    steps.Add(solid ? Plain(PaintOp::SelectSolidBrush, colour) : Plain(PaintOp::SelectNullBrush));
}

// Both arms of a head at tip t, each the vector d = o - t rotated by +-0.26179 rad and
// scaled by k. None when t and o coincide: the head has no direction.
template <class Factor>
void ArrowHead(PaintSteps& steps, Point t, Point o, Factor factor) {
    const double dx = double(o.X) - t.X, dy = double(o.Y) - t.Y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return;
    const double k = factor(length);
    static const double c = std::cos(0.26179), s = std::sin(0.26179);
    const auto arm = [&](double sa) {
        return Point{Clamp(t.X + std::trunc((c * dx - sa * dy) * k)),
                     Clamp(t.Y + std::trunc((sa * dx + c * dy) * k))};
    };
    steps.Add(At(PaintOp::MoveTo, arm(s)));
    steps.Add(At(PaintOp::LineTo, t));
    steps.Add(At(PaintOp::LineTo, arm(-s)));
}

void EndShape(PaintSteps& steps, Point tip, Point other, int32_t size, bool circle, bool arrow) {
    if (circle) {
        const int32_t r = size / 2;
        steps.Add(Box(PaintOp::Ellipse, Shifted(tip, -r), Shifted(tip, r)));
    }
    if (arrow) ArrowHead(steps, tip, other, [size](double length) { return size * 2.0 / length * 0.625; });
}

}  // namespace

void LineSteps(const GraffitiLine& line, const ViewMapping& m, PaintSteps& steps) {
    steps.Clear();
    const int32_t w = MapLength(line.Width, m.Scale);
    const int32_t style = PenStyle(line.Style);
    const Point p1 = MapPoint(line.X1, line.Y1, m), p2 = MapPoint(line.X2, line.Y2, m);
    const int32_t startSize = MapLength(int64_t{StartSizeCode(line.Style) + 1} * line.Width, m.Scale);
    const int32_t endSize = MapLength(int64_t{EndSizeCode(line.Style) + 1} * line.Width, m.Scale);

    steps.Add(Plain(PaintOp::SetRop2Copy));
    steps.Add(Plain(PaintOp::SetBkTransparent));
    SelectBrush(steps, line.Style & kLineFill, line.Fill);

    const auto copy = [&](int32_t shift, ColorRef colour) {
        const Point a = Shifted(p1, shift), b = Shifted(p2, shift);
        SelectPen(steps, w, style, colour);
        steps.Add(At(PaintOp::MoveTo, a));
        steps.Add(At(PaintOp::LineTo, b));
        EndShape(steps, a, b, startSize, line.Style & kStartCircle, line.Style & kStartArrow);
        EndShape(steps, b, a, endSize, line.Style & kEndCircle, line.Style & kEndArrow);
    };
    if (w >= 2 && (line.Style & kLineShadow)) copy(w / 2, line.Shadow);
    copy(0, line.Colour);
    steps.Add(Plain(PaintOp::RestoreObjects));
}

void EllipseSteps(const GraffitiEllipse& e, const ViewMapping& m, PaintSteps& steps) {
    steps.Clear();
    const int32_t w = MapLength(e.Width, m.Scale);
    const int32_t style = PenStyle(e.Style);
    const bool fill = e.Style & kLineFill;
    const Point p1 = MapPoint(e.X1, e.Y1, m), p2 = MapPoint(e.X2, e.Y2, m);

    steps.Add(Plain(PaintOp::SetRop2Copy));
    steps.Add(Plain(PaintOp::SetBkTransparent));
    if (w >= 2 && (e.Style & kLineShadow)) {
        SelectPen(steps, w, style, e.Shadow);
        SelectBrush(steps, fill, e.Shadow);
        steps.Add(Box(PaintOp::Ellipse, Shifted(p1, w / 2), Shifted(p2, w / 2)));
    }
    SelectPen(steps, w, style, e.Colour);
    SelectBrush(steps, fill, e.Fill);
    steps.Add(Box(PaintOp::Ellipse, p1, p2));
    steps.Add(Plain(PaintOp::RestoreObjects));
}

void TextSteps(const GraffitiText& t, const ViewMapping& m, PaintSteps& steps) {
    steps.Clear();
    const std::string_view text(t.Text, strnlen(t.Text, sizeof t.Text));
    steps.Text = t.Text;
    steps.TextLength = int(text.size());
    const TextMetrics metrics = MeasureText(text);
    const int64_t frameWidth = std::abs(int64_t{t.X1} - t.X2), frameHeight = std::abs(int64_t{t.Y1} - t.Y2);
    int32_t h = MapLength(frameHeight, m.Scale) / metrics.Rows;
    int32_t w = MapLength(frameWidth, m.Scale) / (metrics.Columns + 2);

    steps.Add(Plain(PaintOp::SetTextColour, t.Colour));
    const bool fill = t.Style & kTextFill;
    if (fill) {
        steps.Add(Plain(PaintOp::SetBkColour, t.Background));
        steps.Add(Plain(PaintOp::SetBkOpaque));
    } else {
        steps.Add(Plain(PaintOp::SetBkTransparent));
    }

    const Point c1 = MapPoint(t.X1, t.Y1, m), c2 = MapPoint(t.X2, t.Y2, m);
    PaintStep rect = Box(PaintOp::DrawText, {std::min(c1.X, c2.X), std::min(c1.Y, c2.Y)},
                         {std::max(c1.X, c2.X), std::max(c1.Y, c2.Y)});
    const uint32_t kind = t.Style & kFrameMask;
    if (kind >= kFrameRect && kind <= kFrameLeader) {
        steps.Add(Plain(PaintOp::SetRop2Copy));
        steps.Add({PaintOp::SelectPen, 0, 0, 0, 0, h / 15, 0, 0, t.Colour});
        SelectBrush(steps, fill, t.Background);
        if (fill) steps.Add(Plain(PaintOp::SetBkTransparent));
        if (kind == kFrameRect) {
            steps.Add(Box(PaintOp::Rectangle, c1, c2));
        } else if (kind == kFrameRound) {
            steps.Add({PaintOp::RoundRect, c1.X, c1.Y, c2.X, c2.Y, h / 2, h / 2, 0, 0});
        } else {
            const Point tip = MapPoint(t.LeaderX, t.LeaderY, m);
            steps.Add(At(PaintOp::MoveTo, tip));
            steps.Add(At(PaintOp::LineTo, c1));
            steps.Add(At(PaintOp::LineTo, {c2.X, c1.Y}));
            ArrowHead(steps, tip, c1, [h](double length) { return 0.625 * h / length; });
        }
        steps.Add(Plain(PaintOp::RestoreObjects));
        rect.Y1 = Clamp(double(rect.Y1) + h / 10);
        rect.Y2 = Clamp(double(rect.Y2) - h / 6);
        rect.X1 = Clamp(double(rect.X1) + w / 2);
        h = int32_t((int64_t{rect.Y2} - rect.Y1) / metrics.Rows);
        w = int32_t((int64_t{rect.X2} - rect.X1) / metrics.Columns);
    }

    FontRequest& font = steps.Font;
    // A height of 0 would ask GDI for its default size, far taller than a frame this small.
    font.Height = std::max(h, 1);
    font.Width = std::max(w, 0);
    font.Escapement = t.Escapement;
    font.Orientation = t.Orientation;
    font.Weight = std::clamp(t.Weight, 0, 1000);
    font.Italic = t.Style & kTextItalic;
    font.Underline = t.Style & kTextUnderline;
    font.StrikeOut = t.Style & kTextStrikeOut;
    const size_t face = strnlen(t.Font, sizeof t.Font);
    std::memcpy(font.Face, t.Font, face);
    font.Face[face] = '\0';
    steps.Add(Plain(PaintOp::SelectFont));

    const auto move = [&rect](int32_t dx, int32_t dy) {
        rect.X1 = Clamp(double(rect.X1) + dx);
        rect.X2 = Clamp(double(rect.X2) + dx);
        rect.Y1 = Clamp(double(rect.Y1) + dy);
        rect.Y2 = Clamp(double(rect.Y2) + dy);
    };
    if (t.Style & kTextShadow) {
        steps.Add(Plain(PaintOp::SetTextColour, t.Shadow));
        move(font.Width / 20, font.Height / 20);
        steps.Add(rect);
        steps.Add(Plain(PaintOp::SetTextColour, t.Colour));
        move(-(font.Width / 10), -(font.Height / 20));
        steps.Add(Plain(PaintOp::SetBkTransparent));
    }
    steps.Add(rect);
    steps.Add(Plain(PaintOp::RestoreObjects));
}
