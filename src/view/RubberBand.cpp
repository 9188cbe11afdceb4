#include "view/RubberBand.h"

#include <cmath>
#include <cstdlib>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

BandPoint MapToWindow(const ViewMapping& m, int imageX, int imageY) {
    return {ImageToWindow(imageX, m.SourceX, m.Scale) + m.DestX, ImageToWindow(imageY, m.SourceY, m.Scale) + m.DestY};
}

std::array<BandPoint, 5> RotatedRectOutline(BandPoint p1, BandPoint p2, double degrees) {
    const double a = degrees * kPi / 180.0;
    const double ux = std::cos(a), uy = -std::sin(a);
    const double d = (p2.X - p1.X) * std::cos(a) - (p2.Y - p1.Y) * std::sin(a);
    const int ox = int(d * ux), oy = int(d * uy);  // truncation toward zero
    return {{p1, {p1.X + ox, p1.Y + oy}, p2, {p2.X - ox, p2.Y - oy}, p1}};
}

double StraighteningAngle(int x1, int y1, int x2, int y2) {
    double dx = double(x2) - x1, dy = double(y2) - y1;
    if (dx == 0 && dy == 0) return 0;
    // A dragged edge has no direction: point it down (near vertical) or right (near
    // horizontal), which keeps the angle within a quarter of a right angle without wrapping.
    const bool upright = std::fabs(dx) <= std::fabs(dy);
    if (upright ? dy < 0 : dx < 0) dx = -dx, dy = -dy;
    return upright ? std::atan2(dy, dx) - kPi / 2 : std::atan2(dy, dx);
}

AngleGuide PlanAngleGuide(const ViewMapping& m, int x1, int y1, int x2, int y2) {
    AngleGuide g;
    if (x1 == x2 && y1 == y2) return g;
    const BandPoint a = MapToWindow(m, x1, y1), b = MapToWindow(m, x2, y2);
    const int dx = x2 - x1, dy = y2 - y1;
    if (std::abs(dx) <= std::abs(dy)) {
        const BandPoint foot{a.X, b.Y};
        const int s = x1 <= x2 ? 1 : -1;
        g.Lines = {{a.X, 0, a.X, 1500},
                   {a.X, a.Y, b.X, b.Y},
                   {b.X, b.Y, foot.X, foot.Y},
                   {foot.X, foot.Y, foot.X + 15 * s, foot.Y + 5},
                   {foot.X, foot.Y, foot.X + 15 * s, foot.Y - 5}};
    } else {
        const BandPoint foot{b.X, a.Y};
        const int s = y1 <= y2 ? 1 : -1;
        g.Lines = {{0, a.Y, 2000, a.Y},
                   {a.X, a.Y, b.X, b.Y},
                   {b.X, b.Y, foot.X, foot.Y},
                   {foot.X, foot.Y, foot.X - 5, foot.Y + 15 * s},
                   {foot.X, foot.Y, foot.X + 5, foot.Y + 15 * s}};
    }
    g.Angle = StraighteningAngle(x1, y1, x2, y2);
    return g;
}
