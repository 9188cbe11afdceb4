// Geometry of the inverting rubber bands the editors draw over the view: the rotated
// rectangle and the angle guide. Portable: the glue draws the returned segments.
#pragma once
#include <array>
#include <vector>

#include "view/ViewState.h"

struct BandPoint {
    int X = 0, Y = 0;
};
struct BandSegment {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// Window points of an image point.
BandPoint MapToWindow(const ViewMapping& m, int imageX, int imageY);

// Outline p1 -> p1 + d*u -> p2 -> p2 - d*u -> p1 of the rectangle with opposite corners p1 and
// p2 turned by `degrees` (window points).
std::array<BandPoint, 5> RotatedRectOutline(BandPoint p1, BandPoint p2, double degrees);

struct AngleGuide {
    std::vector<BandSegment> Lines;  // empty when the points coincide
    double Angle = 0;               // radians
};

// The turn that makes a line dragged from (x1, y1) to (x2, y2) vertical (when at least as
// tall as wide) or horizontal; within [-pi/4, pi/4], 0 for a line of no length.
double StraighteningAngle(int x1, int y1, int x2, int y2);

// The guide between two image points: a guide line through p1, the line p1-p2, the leg to
// the guide and an arrowhead on it, and the angle the points make with the guide.
AngleGuide PlanAngleGuide(const ViewMapping& m, int x1, int y1, int x2, int y2);
