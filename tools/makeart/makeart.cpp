// makeart: draws Pixaro's tool bar strip and program icon from code, so the
// art has no outside source and can be redrawn after a change.
//
//   g++ -std=c++20 -O2 tools/makeart/makeart.cpp -o /tmp/makeart
//   /tmp/makeart [output folder, default src/resources]
//
// Writes toolbar.bmp (25 images of 16x15, 8-bit) and pixaro.ico
// (32x32 and 16x16, 32-bit with alpha). Run by hand; the outputs are committed.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The tool bar maps this grey to the button face, so it must stay exact.
constexpr Rgb kFace{192, 192, 192};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kDark{64, 64, 64};
constexpr Rgb kMid{112, 112, 112};
constexpr Rgb kLight{224, 224, 228};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kFolder{240, 190, 50};
constexpr Rgb kFolderLight{255, 226, 120};
constexpr Rgb kFolderEdge{128, 84, 0};
constexpr Rgb kBlue{50, 100, 210};
constexpr Rgb kSky{150, 200, 250};
constexpr Rgb kNavy{0, 24, 120};
constexpr Rgb kRed{215, 30, 30};
constexpr Rgb kDarkRed{120, 0, 0};
constexpr Rgb kGreen{40, 160, 50};
constexpr Rgb kDarkGreen{0, 90, 10};
constexpr Rgb kPencil{250, 200, 40};
constexpr Rgb kWood{240, 205, 150};
constexpr Rgb kPink{240, 140, 160};
constexpr Rgb kSteel{170, 176, 190};
constexpr Rgb kBrown{110, 70, 30};

using Shape = std::function<bool(double, double)>;

// ---------------------------------------------------------------------------
// Shapes in continuous coordinates; a pixel belongs to a shape when its
// centre does.

Shape Box(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
}

Shape Ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1.0;
    };
}

Shape Circle(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }

Shape Polygon(std::vector<std::array<double, 2>> pts) {
    return [pts = std::move(pts)](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            auto [xi, yi] = pts[i];
            auto [xj, yj] = pts[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
}

double SegmentDistance(double x, double y, double x0, double y0, double x1, double y1) {
    double dx = x1 - x0, dy = y1 - y0;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0) : 0.0;
    double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
    return std::sqrt(ex * ex + ey * ey);
}

// A stroke of the given width with round ends.
Shape Stroke(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) { return SegmentDistance(x, y, x0, y0, x1, y1) <= width / 2; };
}

Shape Polyline(std::vector<std::array<double, 2>> pts, double width) {
    return [pts = std::move(pts), width](double x, double y) {
        for (size_t i = 1; i < pts.size(); ++i)
            if (SegmentDistance(x, y, pts[i - 1][0], pts[i - 1][1], pts[i][0], pts[i][1]) <= width / 2)
                return true;
        return false;
    };
}

// Part of a ring; angles in degrees, counter-clockwise from +x with y up.
Shape Arc(double cx, double cy, double r0, double r1, double from, double to) {
    return [=](double x, double y) {
        double dx = x - cx, dy = cy - y;
        double d = std::sqrt(dx * dx + dy * dy);
        if (d < r0 || d > r1) return false;
        double a = std::atan2(dy, dx) * 180.0 / M_PI;
        while (a < from) a += 360;
        return a <= to;
    };
}

// Rectangle of the given length and width along a direction, from (x, y).
Shape Bar(double x, double y, double angleDeg, double length, double width) {
    double ux = std::cos(angleDeg * M_PI / 180), uy = -std::sin(angleDeg * M_PI / 180);
    double nx = -uy * width / 2, ny = ux * width / 2;
    double ex = x + ux * length, ey = y + uy * length;
    return Polygon({{x + nx, y + ny}, {ex + nx, ey + ny}, {ex - nx, ey - ny}, {x - nx, y - ny}});
}

Shape Union(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

Shape Minus(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

// ---------------------------------------------------------------------------
// One 16x15 tool bar image, drawn with hard edges: the tool bar greys out
// disabled buttons by silhouette, which blurs soft edges.

constexpr int kTileW = 16, kTileH = 15, kTiles = 25;

struct Tile {
    std::array<Rgb, kTileW * kTileH> px;
    Tile() { px.fill(kFace); }

    Rgb& At(int x, int y) { return px[y * kTileW + x]; }

    void Set(int x, int y, Rgb c) {
        if (x >= 0 && x < kTileW && y >= 0 && y < kTileH) At(x, y) = c;
    }

    static bool Inside(const Shape& s, int x, int y) { return s(x + 0.5, y + 0.5); }

    void Fill(const Shape& s, Rgb c) {
        for (int y = 0; y < kTileH; ++y)
            for (int x = 0; x < kTileW; ++x)
                if (Inside(s, x, y)) At(x, y) = c;
    }

    // Fills with an outline one pixel wide along the shape's own border.
    void Draw(const Shape& s, Rgb fill, Rgb edge) {
        for (int y = 0; y < kTileH; ++y)
            for (int x = 0; x < kTileW; ++x) {
                if (!Inside(s, x, y)) continue;
                bool border = !Inside(s, x - 1, y) || !Inside(s, x + 1, y) || !Inside(s, x, y - 1) ||
                              !Inside(s, x, y + 1);
                At(x, y) = border ? edge : fill;
            }
    }

    void Rect(int x0, int y0, int x1, int y1, Rgb c) { Fill(Box(x0, y0, x1 + 0.99, y1 + 0.99), c); }

    void Frame(int x0, int y0, int x1, int y1, Rgb fill, Rgb edge) {
        Rect(x0, y0, x1, y1, edge);
        if (x1 - x0 > 1 && y1 - y0 > 1) Rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill);
    }

    // One-pixel line between pixel centres (Bresenham).
    void Line(int x0, int y0, int x1, int y1, Rgb c) {
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
        for (;;) {
            Set(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }

    void Handle(int x, int y) { Frame(x - 1, y - 1, x + 1, y + 1, kWhite, kBlack); }

    Tile Mirrored() const {
        Tile t;
        for (int y = 0; y < kTileH; ++y)
            for (int x = 0; x < kTileW; ++x) t.At(x, y) = px[y * kTileW + (kTileW - 1 - x)];
        return t;
    }
};

// --- the pictograms, in tool bar image order --------------------------------

Tile Open() {
    Tile t;
    t.Draw(Polygon({{0.5, 2.5}, {5.5, 2.5}, {6.5, 3.5}, {12.5, 3.5}, {12.5, 12.5}, {0.5, 12.5}}),
           kFolder, kFolderEdge);
    t.Draw(Polygon({{0.5, 12.5}, {3.5, 6.5}, {15.6, 6.5}, {12.6, 12.5}}), kFolderLight, kFolderEdge);
    return t;
}

Tile Save() {
    Tile t;
    t.Draw(Polygon({{1, 0.5}, {13, 0.5}, {15, 2.5}, {15, 14.5}, {1, 14.5}}), kBlue, kNavy);
    t.Frame(4, 0, 11, 6, kWhite, kNavy);
    t.Line(5, 2, 10, 2, kSky);
    t.Line(5, 4, 10, 4, kSky);
    t.Frame(4, 9, 11, 14, kSteel, kNavy);
    t.Rect(8, 10, 9, 13, kNavy);
    return t;
}

Tile Delete() {
    Tile t;
    t.Draw(Polygon({{2.5, 4.5}, {13.5, 4.5}, {12.3, 15}, {3.7, 15}}), kLight, kDark);
    for (int x : {5, 8, 10}) t.Line(x, 6, x, 12, kMid);
    t.Rect(1, 2, 14, 3, kDark);
    t.Frame(5, 0, 10, 2, kFace, kDark);
    t.Rect(6, 1, 9, 1, kFace);
    return t;
}

Tile FileList() {
    Tile t;
    t.Frame(1, 0, 14, 14, kWhite, kDark);
    for (int row = 0; row < 4; ++row) {
        int y = 2 + row * 3;
        bool selected = row == 1;
        if (selected) t.Rect(2, y - 1, 13, y + 1, kBlue);
        t.Rect(3, y, 4, y, selected ? kWhite : kNavy);
        t.Line(6, y, 12 - (row % 2) * 2, y, selected ? kWhite : kMid);
    }
    return t;
}

// Pixel-exact arrow heads look crisper at this size than sampled triangles.
void ArrowDown(Tile& t, int cx, int y, int half, Rgb c) {
    for (int k = 0; k <= half; ++k) t.Line(cx - half + k, y + k, cx + half - k, y + k, c);
}

// Sine-shaped scribble from x0 to x1 around height y.
Shape Wave(double x0, double x1, double y, double amplitude, double period, double width) {
    std::vector<std::array<double, 2>> pts;
    for (double x = x0; x <= x1 + 1e-9; x += 0.25)
        pts.push_back({x, y + amplitude * std::sin((x - x0) * 2 * M_PI / period)});
    return Polyline(std::move(pts), width);
}

Tile RotateLeft() {
    Tile t;
    t.Fill(Arc(8.5, 7.5, 2.9, 5.1, -60, 179), kBlue);
    ArrowDown(t, 4, 7, 3, kBlue);
    return t;
}

// Rotates (x, y) about (cx, cy) by deg degrees, counter-clockwise on screen.
std::array<double, 2> Turn(double x, double y, double cx, double cy, double deg) {
    double a = deg * M_PI / 180, dx = x - cx, dy = y - cy;
    return {cx + dx * std::cos(a) + dy * std::sin(a), cy - dx * std::sin(a) + dy * std::cos(a)};
}

Tile FineRotate() {
    Tile t;
    // A picture turned by a few degrees, with the arrow showing the sense.
    const double cx = 7.5, cy = 9, deg = 12;
    auto quad = [&](double x0, double y0, double x1, double y1) {
        return Polygon({Turn(x0, y0, cx, cy, deg), Turn(x1, y0, cx, cy, deg), Turn(x1, y1, cx, cy, deg),
                        Turn(x0, y1, cx, cy, deg)});
    };
    t.Draw(quad(1.2, 4.5, 13.8, 13.5), kSky, kDark);
    Shape inner = quad(2.2, 5.5, 12.8, 12.5);
    Shape hill = Polygon({Turn(1, 13, cx, cy, deg), Turn(5.5, 8.5, cx, cy, deg), Turn(8.5, 11, cx, cy, deg),
                          Turn(10.5, 9.5, cx, cy, deg), Turn(14, 12.5, cx, cy, deg), Turn(14, 14, cx, cy, deg)});
    t.Fill([=](double x, double y) { return inner(x, y) && hill(x, y); }, kGreen);
    t.Fill(Arc(7.5, 9, 6.6, 8.1, 58, 120), kRed);
    ArrowDown(t, 3, 2, 2, kRed);
    return t;
}

Tile First() {
    Tile t;
    t.Draw(Box(1.5, 1.5, 4, 13.5), kBlue, kNavy);
    t.Draw(Polygon({{4, 7.5}, {13.5, 0.5}, {13.5, 14.5}}), kBlue, kNavy);
    return t;
}

Tile Previous() {
    Tile t;
    t.Draw(Polygon({{2.5, 7.5}, {12, 0.5}, {12, 14.5}}), kBlue, kNavy);
    return t;
}

Tile Info() {
    Tile t;
    t.Draw(Circle(8, 7.5, 7.2), kBlue, kNavy);
    t.Rect(7, 2, 8, 3, kWhite);
    t.Rect(7, 5, 8, 11, kWhite);
    t.Rect(6, 5, 6, 5, kWhite);
    t.Rect(6, 11, 9, 11, kWhite);
    return t;
}

Tile Monochrome() {
    Tile t;
    t.Frame(1, 0, 14, 14, kWhite, kBlack);
    t.Fill(Polygon({{14.9, 0}, {14.9, 15}, {0, 15}}), kBlack);
    return t;
}

Tile Vectorize() {
    Tile t;
    // Jagged pixel line, then the same line as a clean vector with end points.
    for (int i = 0; i < 4; ++i) t.Rect(1 + i * 2, 12 - i * 2, 2 + i * 2, 13 - i * 2, kMid);
    t.Line(5, 7, 13, 1, kRed);
    t.Line(6, 7, 14, 1, kRed);
    t.Handle(5, 8);
    t.Handle(13, 2);
    return t;
}

Tile JwwOut() {
    Tile t;
    t.Frame(0, 0, 11, 9, kSky, kDark);
    t.Fill(Polygon({{1, 9}, {5, 4}, {8, 7}, {9.5, 5.5}, {11, 7}, {11, 9}}), kGreen);
    t.Rect(8, 2, 9, 3, kPencil);
    // Set square: the drawing goes to the CAD program.
    t.Draw(Minus(Polygon({{4.5, 14.8}, {15.8, 14.8}, {15.8, 4}}), Polygon({{9.5, 13.5}, {14.5, 13.5}, {14.5, 8.6}})),
           kPencil, kFolderEdge);
    return t;
}

// Pencil lying from lower left (tip) to upper right.
void PencilAt(Tile& t, double tipX, double tipY, double length) {
    const double a = 45, w = 4.6;
    double ux = std::cos(a * M_PI / 180), uy = -std::sin(a * M_PI / 180);
    double cone = 3.6;
    double bx = tipX + ux * cone, by = tipY + uy * cone;
    double nx = -uy * w / 2, ny = ux * w / 2;
    t.Draw(Polygon({{tipX, tipY}, {bx + nx, by + ny}, {bx - nx, by - ny}}), kWood, kBrown);
    t.Fill(Polygon({{tipX - 0.5, tipY + 0.5}, {tipX + 2.2, tipY - 0.2}, {tipX + 0.2, tipY - 2.2}}), kBlack);
    double body = length - cone - 2.8;
    t.Draw(Bar(bx, by, a, body, w), kPencil, kFolderEdge);
    double fx = bx + ux * body, fy = by + uy * body;
    t.Draw(Bar(fx, fy, a, 2.8, w), kPink, kDarkRed);
}

Tile Graffiti() {
    Tile t;
    PencilAt(t, 0.6, 14.4, 18.4);
    return t;
}

Tile LineTool() {
    Tile t;
    t.Line(2, 12, 13, 2, kRed);
    t.Line(3, 12, 13, 3, kRed);
    t.Handle(2, 12);
    t.Handle(13, 2);
    return t;
}

Tile PolylineTool() {
    Tile t;
    const int p[][2] = {{1, 12}, {5, 3}, {10, 11}, {14, 2}};
    for (int i = 1; i < 4; ++i) {
        t.Line(p[i - 1][0], p[i - 1][1], p[i][0], p[i][1], kRed);
        t.Line(p[i - 1][0] + 1, p[i - 1][1], p[i][0] + 1, p[i][1], kRed);
    }
    for (auto& q : p) t.Handle(q[0], q[1]);
    return t;
}

Tile EllipseTool() {
    Tile t;
    t.Fill(Minus(Ellipse(8, 7.5, 7.5, 5.6), Ellipse(8, 7.5, 5.4, 3.5)), kRed);
    return t;
}

// A bold capital A in a box of w x h pixels at (x, y).
void LetterA(Tile& t, double x, double y, double w, double h, Rgb c) {
    double stem = w * 0.26;
    Shape outer = Polygon({{x, y + h}, {x + w / 2 - stem / 2, y}, {x + w / 2 + stem / 2, y}, {x + w, y + h}});
    Shape inner = Polygon({{x + stem * 1.35, y + h + 1}, {x + w / 2, y + stem * 1.1},
                           {x + w - stem * 1.35, y + h + 1}});
    Shape bar = Box(x, y + h * 0.58, x + w, y + h * 0.58 + std::max(1.0, h * 0.14));
    t.Fill(Union(Minus(outer, inner), [=](double px, double py) { return bar(px, py) && outer(px, py); }), c);
}

Tile TextTool() {
    Tile t;
    LetterA(t, 1.2, 0.6, 13.6, 13.8, kNavy);
    return t;
}

Tile LeaderTool() {
    Tile t;
    LetterA(t, 6.6, 0.6, 9, 8.6, kNavy);
    t.Line(6, 11, 15, 11, kBlack);
    t.Line(6, 11, 3, 13, kBlack);
    t.Fill(Polygon({{0, 15}, {5.2, 14.6}, {1.6, 10.6}}), kBlack);
    return t;
}

Tile GraffitiDelete() {
    Tile t;
    // A scribble being rubbed out by an eraser.
    t.Fill(Wave(0.5, 7, 12, 1.6, 3.5, 1.2), kRed);
    t.Draw(Bar(4.5, 11.5, 45, 5, 6.4), kPink, kDarkRed);
    t.Draw(Bar(8, 8, 45, 7.6, 6.4), kBlue, kNavy);
    return t;
}

Tile GraffitiData() {
    Tile t;
    t.Frame(0, 0, 9, 14, kWhite, kDark);
    t.Fill(Wave(1.8, 8.2, 7.5, 2.6, 6.4, 1.3), kRed);
    // Out, then in.
    t.Draw(Union(Box(9.5, 2.5, 12.5, 5.5), Polygon({{12, 0}, {16, 4}, {12, 8}})), kGreen, kDarkGreen);
    t.Draw(Union(Box(12, 9.5, 15.5, 12.5), Polygon({{12.6, 7}, {8.6, 11}, {12.6, 15}})), kBlue, kNavy);
    return t;
}

Tile Zoom() {
    Tile t;
    t.Fill(Stroke(9.5, 9.5, 13.8, 13.8, 3.2), kBrown);
    t.Draw(Circle(6.2, 6.2, 5.6), kSky, kDark);
    t.Fill(Arc(6.2, 6.2, 2.5, 3.6, 100, 170), kWhite);
    return t;
}

Tile SendTo() {
    Tile t;
    t.Frame(0, 3, 11, 14, kWhite, kDark);
    t.Rect(1, 4, 10, 5, kBlue);
    t.Fill(Polygon({{9, 1}, {15.5, 1}, {15.5, 7.5}}), kGreen);
    t.Fill(Stroke(4.5, 11.5, 12.5, 3.5, 2.2), kGreen);
    return t;
}

std::vector<Tile> ToolbarTiles() {
    Tile rotateLeft = RotateLeft(), first = First(), previous = Previous();
    return {Open(),        Save(),        Delete(),       FileList(),      rotateLeft,
            rotateLeft.Mirrored(), FineRotate(), first,   previous,        previous.Mirrored(),
            first.Mirrored(), Info(),     Monochrome(),   Vectorize(),     JwwOut(),
            Graffiti(),    LineTool(),    PolylineTool(), EllipseTool(),   TextTool(),
            LeaderTool(),  GraffitiDelete(), GraffitiData(), Zoom(),       SendTo()};
}

// ---------------------------------------------------------------------------
// File writers (little-endian, as Windows reads them).

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xff);
    b.push_back((v >> 8) & 0xff);
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}

void PutInfoHeader(std::vector<uint8_t>& b, int w, int h, int bits, uint32_t imageSize, uint32_t colours = 0) {
    Put32(b, 40);
    Put32(b, w);
    Put32(b, h);
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, 0);  // BI_RGB
    Put32(b, imageSize);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, colours);
    Put32(b, colours);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// 8-bit with a colour table: the tool bar swaps the face grey for the
// system's button face only through the colour table, never in 24-bit data.
std::vector<uint8_t> ToolbarBmp(const std::vector<Tile>& tiles) {
    const int w = kTileW * static_cast<int>(tiles.size()), h = kTileH;
    const int stride = (w + 3) & ~3;
    std::vector<Rgb> palette{kFace, kBlack, kWhite};
    std::vector<uint8_t> index(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c = tiles[x / kTileW].px[y * kTileW + x % kTileW];
            auto it = std::find(palette.begin(), palette.end(), c);
            if (it == palette.end()) it = palette.insert(palette.end(), c);
            index[y * w + x] = static_cast<uint8_t>(it - palette.begin());
        }
    if (palette.size() > 256) return {};
    const uint32_t headers = 14 + 40 + 4 * palette.size();
    std::vector<uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, headers + stride * h);
    Put32(b, 0);
    Put32(b, headers);
    PutInfoHeader(b, w, h, 8, stride * h, palette.size());
    for (Rgb c : palette) b.insert(b.end(), {c.b, c.g, c.r, 0});
    for (int y = h - 1; y >= 0; --y) {
        b.insert(b.end(), index.begin() + y * w, index.begin() + (y + 1) * w);
        b.resize(b.size() + stride - w, 0);
    }
    return b;
}

// ---------------------------------------------------------------------------
// The program icon: painted with soft edges by supersampling, since icons
// carry an alpha channel.

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

using Paint = std::function<Rgba(double, double)>;

Paint Solid(Rgb c, double alpha = 1) {
    return [=](double, double) { return Rgba{c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha}; };
}

Paint VerticalGradient(Rgb top, Rgb bottom, double y0, double y1) {
    return [=](double, double y) {
        double t = std::clamp((y - y0) / (y1 - y0), 0.0, 1.0);
        auto mix = [t](uint8_t p, uint8_t q) { return (p + (q - p) * t) / 255.0; };
        return Rgba{mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), 1};
    };
}

class IconCanvas {
public:
    // size: pixels; units: the design's coordinate range across the icon.
    IconCanvas(int size, double units) : size_(size), scale_(units / (size * kSub)), buf_(n() * n()) {}

    void Layer(const Shape& s, const Paint& p) {
        for (int j = 0; j < n(); ++j)
            for (int i = 0; i < n(); ++i) {
                double x = (i + 0.5) * scale_, y = (j + 0.5) * scale_;
                if (!s(x, y)) continue;
                Rgba src = p(x, y);
                Rgba& d = buf_[j * n() + i];
                double a = src.a + d.a * (1 - src.a);
                if (a <= 0) continue;
                d.r = (src.r * src.a + d.r * d.a * (1 - src.a)) / a;
                d.g = (src.g * src.a + d.g * d.a * (1 - src.a)) / a;
                d.b = (src.b * src.a + d.b * d.a * (1 - src.a)) / a;
                d.a = a;
            }
    }

    // Shape filled with an outline of the given width (in design units).
    void Outlined(const Shape& s, const Paint& fill, Rgb edge, double width) {
        Layer(s, Solid(edge));
        Layer(Eroded(s, width), fill);
    }

    // Straight-alpha BGRA rows, top row first.
    std::vector<uint8_t> Pixels() const {
        std::vector<uint8_t> out;
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x) {
                Rgba sum;
                for (int j = 0; j < kSub; ++j)
                    for (int i = 0; i < kSub; ++i) {
                        const Rgba& p = buf_[(y * kSub + j) * n() + x * kSub + i];
                        sum.r += p.r * p.a, sum.g += p.g * p.a, sum.b += p.b * p.a, sum.a += p.a;
                    }
                auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
                double a = sum.a / (kSub * kSub);
                double k = sum.a > 0 ? 1 / sum.a : 0;
                out.insert(out.end(), {byte(sum.b * k), byte(sum.g * k), byte(sum.r * k), byte(a)});
            }
        return out;
    }

private:
    static constexpr int kSub = 8;
    int n() const { return size_ * kSub; }

    // Approximates shrinking a shape by testing points around each sample.
    static Shape Eroded(const Shape& s, double w) {
        return [=](double x, double y) {
            for (int k = 0; k < 16; ++k) {
                double a = k * M_PI / 8;
                if (!s(x + w * std::cos(a), y + w * std::sin(a))) return false;
            }
            return s(x, y);
        };
    }

    int size_;
    double scale_;
    std::vector<Rgba> buf_;
};

Shape RoundBox(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r && x >= x0 && x <= x1 && y >= y0 && y <= y1;
    };
}

constexpr Rgb kFrameWood{196, 128, 60};
constexpr Rgb kFrameEdge{96, 56, 20};
constexpr Rgb kSkyTop{70, 150, 235};
constexpr Rgb kSkyLow{190, 228, 255};
constexpr Rgb kSun{255, 205, 40};
constexpr Rgb kHill{70, 170, 70};
constexpr Rgb kHillFar{120, 160, 200};
constexpr Rgb kPencilLight{255, 232, 140};

struct PencilSpec {
    double tipX, tipY, length, width, cone, ferrule, eraser, edge;
};

// Pencil pointing down-left at 45 degrees, tip first.
void PaintPencil(IconCanvas& c, const PencilSpec& p, bool highlight) {
    const double ux = std::sqrt(0.5), uy = -std::sqrt(0.5);
    double bx = p.tipX + ux * p.cone, by = p.tipY + uy * p.cone;
    double nx = -uy * p.width / 2, ny = ux * p.width / 2;
    c.Outlined(Polygon({{p.tipX, p.tipY}, {bx + nx, by + ny}, {bx - nx, by - ny}}), Solid(kWood), kBrown,
               p.edge * 0.8);
    double lead = p.cone * 0.32;
    c.Layer(Polygon({{p.tipX - 0.3, p.tipY + 0.3}, {p.tipX + ux * lead + nx * 0.35, p.tipY + uy * lead + ny * 0.35},
                     {p.tipX + ux * lead - nx * 0.35, p.tipY + uy * lead - ny * 0.35}}),
            Solid(kDark));
    double body = p.length - p.cone - p.ferrule - p.eraser;
    c.Outlined(Bar(bx, by, 45, body, p.width), Solid(kPencil), kFolderEdge, p.edge);
    if (highlight) c.Layer(Bar(bx - nx * 0.15, by - ny * 0.15, 45, body, p.width * 0.22), Solid(kPencilLight));
    double fx = bx + ux * body, fy = by + uy * body;
    c.Outlined(Bar(fx, fy, 45, p.ferrule, p.width), Solid(kSteel), kDark, p.edge * 0.7);
    fx += ux * p.ferrule, fy += uy * p.ferrule;
    c.Outlined(Bar(fx, fy, 45, p.eraser, p.width), Solid(kPink), kDarkRed, p.edge);
}

// 32x32, one design unit per pixel.
std::vector<uint8_t> PaintIconLarge() {
    IconCanvas c(32, 32);
    c.Layer(RoundBox(2, 4, 29, 31, 3), Solid(kBlack, 0.22));  // shadow
    c.Outlined(RoundBox(1, 3, 28, 30, 2.5), Solid(kFrameWood), kFrameEdge, 1);
    Shape photo = Box(5, 7, 24, 26);
    c.Layer(Box(4, 6, 25, 27), Solid(kFrameEdge));
    c.Layer(photo, VerticalGradient(kSkyTop, kSkyLow, 7, 26));
    auto clip = [&](Shape s) { return [=](double x, double y) { return photo(x, y) && s(x, y); }; };
    c.Layer(clip(Circle(9.5, 11.5, 2.8)), Solid(kSun));
    c.Layer(clip(Polygon({{7, 27}, {15, 12.5}, {23, 27}})), Solid(kHillFar));
    c.Layer(Polygon({{13.1, 16}, {15, 12.5}, {16.9, 16}, {15.9, 15.3}, {15, 16.4}, {14.1, 15.3}}), Solid(kWhite));
    c.Layer(clip(Polygon({{4, 27}, {4, 20}, {9.5, 16.5}, {15, 21}, {20, 19}, {25, 23}, {25, 27}})), Solid(kHill));
    c.Layer(Polyline({{7.5, 23.5}, {10, 21.5}, {12.5, 23}, {15, 21.5}, {17.5, 22.5}}, 1.7), Solid(kRed));
    PaintPencil(c, {17.5, 22.5, 20, 6, 5, 2.4, 3, 1}, true);
    return c.Pixels();
}

// 16x16 on a grid of two design units per pixel; edges sit on pixel
// boundaries so the small frame stays sharp.
std::vector<uint8_t> PaintIconSmall() {
    IconCanvas c(16, 32);
    c.Outlined(RoundBox(0, 2, 28, 30, 2), Solid(kFrameWood), kFrameEdge, 2);
    Shape photo = Box(4, 6, 24, 26);
    c.Layer(photo, VerticalGradient(kSkyTop, kSkyLow, 6, 26));
    auto clip = [&](Shape s) { return [=](double x, double y) { return photo(x, y) && s(x, y); }; };
    c.Layer(clip(Circle(10, 12, 3.4)), Solid(kSun));
    c.Layer(clip(Polygon({{4, 26}, {4, 20}, {10, 16}, {16, 22}, {20, 20}, {24, 22}, {24, 26}})), Solid(kHill));
    c.Layer(Box(6, 22, 16, 24), Solid(kRed));
    PaintPencil(c, {16, 24, 21, 7.4, 6, 2.4, 3.6, 2}, false);
    return c.Pixels();
}

std::vector<uint8_t> IconFile(const std::vector<int>& sizes) {
    std::vector<std::vector<uint8_t>> images;
    for (int s : sizes) {
        std::vector<uint8_t> px = s >= 32 ? PaintIconLarge() : PaintIconSmall();
        const int maskStride = ((s + 31) / 32) * 4;
        std::vector<uint8_t> img;
        PutInfoHeader(img, s, s * 2, 32, s * s * 4 + maskStride * s);
        for (int y = s - 1; y >= 0; --y) img.insert(img.end(), px.begin() + y * s * 4, px.begin() + (y + 1) * s * 4);
        // AND mask: set where the image is fully transparent.
        for (int y = s - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < s; ++x)
                if (px[(y * s + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
            img.insert(img.end(), row.begin(), row.end());
        }
        images.push_back(std::move(img));
    }
    std::vector<uint8_t> b;
    Put16(b, 0);
    Put16(b, 1);  // icon
    Put16(b, images.size());
    uint32_t offset = 6 + 16 * images.size();
    for (size_t i = 0; i < images.size(); ++i) {
        b.push_back(sizes[i]);
        b.push_back(sizes[i]);
        b.push_back(0);
        b.push_back(0);
        Put16(b, 1);
        Put16(b, 32);
        Put32(b, images[i].size());
        Put32(b, offset);
        offset += images[i].size();
    }
    for (auto& img : images) b.insert(b.end(), img.begin(), img.end());
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "src/resources";
    std::vector<Tile> tiles = ToolbarTiles();
    if (tiles.size() != kTiles) {
        std::fprintf(stderr, "makeart: %zu tool bar images, expected %d\n", tiles.size(), kTiles);
        return 1;
    }
    std::vector<uint8_t> strip = ToolbarBmp(tiles);
    if (strip.empty()) {
        std::fprintf(stderr, "makeart: tool bar uses more than 256 colours\n");
        return 1;
    }
    bool ok = WriteFile(dir + "/toolbar.bmp", strip) &&
              WriteFile(dir + "/pixaro.ico", IconFile({32, 16}));
    if (!ok) {
        std::perror(("makeart: writing to " + dir).c_str());
        return 1;
    }
    return 0;
}
