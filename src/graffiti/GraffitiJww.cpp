#include "graffiti/GraffitiJww.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/SjisText.h"
#include "base/TextNumber.h"

namespace {

constexpr double kFullTurn = 6.283184;
constexpr double kQuarterTurn = 1.57075;
constexpr double kArrowAngle = 0.26179;

std::string_view Field(const char* field, size_t size) { return std::string_view(field, strnlen(field, size)); }

double Distance(int32_t a, int32_t b) { return double(std::abs(int64_t(a) - int64_t(b))); }

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// JWW's line types for the pen styles solid, dash, dot, dash-dot, dash-dot-dot; other
// styles draw solid, as on screen.
int LineType(uint32_t style) {
    static constexpr int kTypes[5] = {1, 3, 2, 5, 7};
    const uint32_t s = style & kPenStyleMask;
    return s <= 4 ? kTypes[s] : 1;
}

// The record side: every value checked before a record is started, so nothing that is not
// a number reaches JWW.
class RecordOut {
public:
    RecordOut(JwBlockWriter& w, JwExtent& extent) : w_(w), extent_(extent) {}

    void Sen(const JwPen& pen, double x1, double y1, double x2, double y2) {
        if (AllFinite({x1, y1, x2, y2})) WriteJwSenRecord(w_, pen, x1, y1, x2, y2);
    }
    void Enko(const JwPen& pen, double cx, double cy, double r, double start, double arc, double flat, double tilt) {
        if (AllFinite({cx, cy, r, flat})) WriteJwEnkoRecord(w_, pen, cx, cy, r, start, arc, flat, tilt);
    }
    void Moji(const JwPen& pen, double sx, double sy, double x1, double y1, double x2, double y2,
              std::string_view text) {
        if (AllFinite({sx, sy, x1, y1, x2, y2})) WriteJwMojiRecord(w_, pen, sx, sy, 0.0, x1, y1, x2, y2, text);
    }
    void Widen(double x, double y) {
        if (AllFinite({x, y})) extent_.Add(x, y);
    }
    // Two sides from tip (px, py) along d = (dx, dy) turned by ±kArrowAngle and scaled by
    // factor(|d|).
    template <class Factor>
    void ArrowSides(const JwPen& pen, double px, double py, double dx, double dy, Factor factor) {
        const double length = std::hypot(dx, dy);
        // A head needs a direction; a zero-length shaft has none.
        if (!(length > 0)) return;
        const double k = factor(length);
        static const double c = std::cos(kArrowAngle), s = std::sin(kArrowAngle);
        for (double sa : {s, -s}) Sen(pen, px, py, px + k * (c * dx - sa * dy), py + k * (sa * dx + c * dy));
    }
    bool Ok() const { return w_.Ok(); }

private:
    JwBlockWriter& w_;
    JwExtent& extent_;
};

struct Paper {
    const GraffitiRecordSettings& s;
    int dpi;
    double operator()(double pixels) const {
        return JwwPaperValue(pixels, dpi, s.SizeMode, s.WidthMm, s.ImageWidth, s.ImageHeight);
    }
};

JwPen ShapePen(const GraffitiLine& l) {
    return {uint8_t(LineType(l.Style)), uint16_t(std::clamp(l.Width, 1, 8)), 0};
}

// A circle and/or an arrow head at (px, py), the shaft running to (qx, qy), decoded as the
// renderer does; a negative width draws no size, as on screen.
void EndShape(RecordOut& o, const JwPen& pen, const Paper& t, double px, double py, double qx, double qy,
              bool circle, bool arrow, int sizeCode, int32_t width) {
    const double size = t(double(int64_t(sizeCode + 1) * std::max(width, 0)));
    if (circle) o.Enko(pen, px, py, size * 0.5, 0.0, kFullTurn, 1.0, 0.0);
    if (arrow) o.ArrowSides(pen, px, py, qx - px, qy - py, [size](double length) { return size * 2.0 * 0.625 / length; });
}

void LineRecords(RecordOut& o, const Paper& t, const GraffitiLine& l) {
    const JwPen pen = ShapePen(l);
    const double x1 = t(l.X1), y1 = t(-double(l.Y1)), x2 = t(l.X2), y2 = t(-double(l.Y2));
    o.Widen(x1, y1);
    o.Widen(x2, y2);
    o.Sen(pen, x1, y1, x2, y2);
    EndShape(o, pen, t, x1, y1, x2, y2, l.Style & kStartCircle, l.Style & kStartArrow, StartSizeCode(l.Style), l.Width);
    EndShape(o, pen, t, x2, y2, x1, y1, l.Style & kEndCircle, l.Style & kEndArrow, EndSizeCode(l.Style), l.Width);
}

void EllipseRecords(RecordOut& o, const Paper& t, const GraffitiEllipse& e) {
    const JwPen pen = ShapePen(e);
    const double x1 = t(e.X1), y1 = t(-double(e.Y1)), x2 = t(e.X2), y2 = t(-double(e.Y2));
    o.Widen(x1, y1);
    o.Widen(x2, y2);
    // An ellipse of no width is the line it draws; its flatness would divide by zero.
    if (x1 == x2) return o.Sen(pen, x1, y1, x2, y2);
    const double width = std::abs(x2 - x1);
    o.Enko(pen, (x1 + x2) / 2, (y1 + y2) / 2, width / 2, 0.0, kFullTurn, std::abs(y2 - y1) / width, 0.0);
}

void TextRecords(RecordOut& o, const Paper& t, const GraffitiText& g) {
    const JwPen pen{1, 2, 0};
    const double x1 = t(g.X1), y1 = t(-double(g.Y1)), x2 = t(g.X2), y2 = t(-double(g.Y2));
    o.Widen(x1, y1);
    o.Widen(x2, y2);
    const double xmin = std::min(x1, x2), xmax = std::max(x1, x2), ylow = std::min(y1, y2), yhigh = std::max(y1, y2);
    const std::string_view text = Field(g.Text, sizeof g.Text);
    const TextMetrics m = MeasureText(text);
    const double w = 10 * t(Distance(g.X1, g.X2)), h = 10 * t(Distance(g.Y1, g.Y2));
    const double cw = std::max(std::abs(2 * w / m.Columns), 1.0), ch = std::max(std::abs(h / m.Rows), 1.0);

    switch (g.Style & kFrameMask) {
    case kFrameRect:
        o.Sen(pen, x1, y1, x1, y2);
        o.Sen(pen, x1, y2, x2, y2);
        o.Sen(pen, x2, y2, x2, y1);
        o.Sen(pen, x2, y1, x1, y1);
        break;
    case kFrameRound: {
        const double r = 0.025 * ch;
        o.Sen(pen, xmin, ylow + r, xmin, yhigh - r);
        o.Sen(pen, xmin + r, yhigh, xmax - r, yhigh);
        o.Sen(pen, xmax, yhigh - r, xmax, ylow + r);
        o.Sen(pen, xmax - r, ylow, xmin + r, ylow);
        // Quarters counter-clockwise from +x: upper right, upper left, lower left, lower right.
        o.Enko(pen, xmax - r, yhigh - r, r, 0.0, kQuarterTurn, 1.0, 0.0);
        o.Enko(pen, xmin + r, yhigh - r, r, 0.0, kQuarterTurn, 1.0, 1.57075);
        o.Enko(pen, xmin + r, ylow + r, r, 0.0, kQuarterTurn, 1.0, 3.1415);
        o.Enko(pen, xmax - r, ylow + r, r, 0.0, kQuarterTurn, 1.0, 4.71225);
        break;
    }
    case kFrameLeader: {
        const double px = t(g.LeaderX), py = t(-double(g.LeaderY));
        o.Widen(px, py);
        o.Sen(pen, px, py, x1, ylow);
        o.Sen(pen, x1, ylow, x2, ylow);
        o.ArrowSides(pen, px, py, x1 - px, ylow - py, [ch](double length) { return 0.1 * ch / length * 1.2; });
        break;
    }
    default:
        break;
    }
    for (int n = 1; n <= m.Rows; ++n) {
        const double y = yhigh - n * (yhigh - ylow) / m.Rows;
        o.Moji(pen, cw, ch, xmin, y, xmin + cw, y, TextLine(text, n));
    }
}

// A record's tag is at most kJwMaxTagBytes; a Moji's text length takes at most 3 bytes.
constexpr size_t kSenMax = kJwMaxTagBytes + kJwSenBytes, kEnkoMax = kJwMaxTagBytes + kJwEnkoBytes;
constexpr size_t kMojiMax = kJwMaxTagBytes + kJwMojiFixedBytes + 3;

}  // namespace

double JwwPaperValue(double pixels, int dpi, int sizeMode, int widthMm, int imageWidth, int imageHeight) {
    const double d = dpi > 0 ? dpi : 100, w = imageWidth > 0 ? imageWidth : 100, h = imageHeight > 0 ? imageHeight : 100;
    switch (sizeMode) {
    case 0: return pixels * 2.54 / d;
    case 1: return pixels * widthMm / w * 0.1;
    case 2: return pixels * widthMm / h * 0.1;
    case 3: return pixels * widthMm / (w >= h ? w : h) * 0.1;
    default: return 0;
    }
}

void JwExtent::Add(double x, double y) {
    MinX = std::min(MinX, x);
    MaxX = std::max(MaxX, x);
    MinY = std::min(MinY, y);
    MaxY = std::max(MaxY, y);
}

bool AppendGraffitiRecords(JwBlockWriter& w, const GraffitiStore& store, const GraffitiRecordSettings& settings,
                           JwExtent& extent, const std::optional<GraffitiImageRect>& filter) {
    RecordOut o(w, extent);
    const Paper t{settings, settings.Dpi == 0 ? 96 : settings.Dpi};
    const auto keep = [&](GraffitiKind kind, int i) {
        return !filter || store.MeetsRectangle(kind, i, filter->X, filter->Y, filter->W, filter->H);
    };
    for (int i = 0; i < store.LineCount() && o.Ok(); ++i)
        if (keep(kGraffitiLine, i)) LineRecords(o, t, store.Line(i));
    for (int i = 0; i < store.EllipseCount() && o.Ok(); ++i)
        if (keep(kGraffitiEllipse, i)) EllipseRecords(o, t, store.Ellipse(i));
    for (int i = 0; i < store.TextCount() && o.Ok(); ++i)
        if (keep(kGraffitiText, i)) TextRecords(o, t, store.Text(i));
    return o.Ok();
}

size_t GraffitiRecordBytesBound(const GraffitiStore& store) {
    // A line: itself, and at each end a circle and two arrow sides.
    size_t bytes = size_t(store.LineCount()) * (5 * kSenMax + 2 * kEnkoMax);
    bytes += size_t(store.EllipseCount()) * kEnkoMax;
    for (int i = 0; i < store.TextCount(); ++i) {
        const std::string_view text = Field(store.Text(i).Text, kTextBytes);
        // The rounded frame is the largest: four sides and four quarters.
        bytes += 4 * kSenMax + 4 * kEnkoMax + size_t(MeasureText(text).Rows) * kMojiMax + text.size();
    }
    return bytes;
}

bool BuildImagePathBlock(std::string_view text, const GraffitiStore* layer, const GraffitiRecordSettings& settings,
                         double jwScale, std::vector<uint8_t>& out) {
    out.clear();
    // Records go behind room for the longer header and move up once the count is known.
    const size_t room = kJwLongHeaderBytes;
    out.assign(room + kMojiMax + text.size() + (layer ? GraffitiRecordBytesBound(*layer) : 0), 0);
    JwBlockWriter w(out.data() + room, out.size() - room);
    const Paper t{settings, settings.Dpi == 0 ? 96 : settings.Dpi};
    WriteJwMojiRecord(w, {0, 1, 0}, 3.0, 3.0, 0.5, 0.0, t(-double(settings.ImageHeight)), 300.0, 0.0, text);
    JwExtent extent;
    if (w.Ok() && layer) AppendGraffitiRecords(w, *layer, settings, extent);
    if (!w.Ok()) {
        out.clear();
        return false;
    }
    const double refX = extent.Empty() ? 0.0 : (extent.MinX + extent.MaxX) / 2 * 10;
    const double refY = extent.Empty() ? 0.0 : (extent.MinY + extent.MaxY) / 2 * 10;
    uint8_t header[kJwLongHeaderBytes];
    const size_t headerBytes =
        WriteJwHeader(header, sizeof header, refX, refY, jwScale == 0 ? 100.0 : jwScale, w.ObjectCount());
    std::memmove(out.data() + headerBytes, out.data() + room, w.Size());
    std::memcpy(out.data(), header, headerBytes);
    out.resize(headerBytes + w.Size());
    return true;
}

// ---- Coordinate text ----

namespace {

void AppendWidth(std::string& out, int32_t width) { AppendJwColour(out, width >= 8 ? 8 : width >= 1 ? int(width) : 1); }

void AppendType(std::string& out, uint32_t style) {
    out += "lt ";
    out += char('0' + LineType(style));
    out += "\r\n";
}

}  // namespace

namespace {

// The layer as coordinate commands, one kind of object at a time. Single precision, as the
// numbers JWW has always been given.
class GraffitiTextWriter {
public:
    GraffitiTextWriter(std::string& out, int dpi, int n) : out_(out), n_(n), fd_(float(dpi)), fn_(float(n)) {}

    void Lines(const GraffitiStore& store) {
        for (int i = 0; i < store.LineCount(); ++i) {
            const GraffitiLine& l = store.Line(i);
            Pen(l);
            AppendJwLine(out_, X(l.X1), Y(l.Y1), X(l.X2), Y(l.Y2));
        }
    }

    void Ellipses(const GraffitiStore& store) {
        for (int i = 0; i < store.EllipseCount(); ++i) {
            const GraffitiEllipse& e = store.Ellipse(i);
            Pen(e);
            const float x1 = X(e.X1), y1 = Y(e.Y1), x2 = X(e.X2), y2 = Y(e.Y2);
            const double width = Distance(e.X1, e.X2);
            // An ellipse of no width is the line it draws; its flatness would divide by zero.
            if (width == 0) {
                AppendJwLine(out_, x1, y1, x2, y2);
                continue;
            }
            const float radius = fn_ * (float(width) / 2) * 25.4f / fd_;
            AppendJwEllipse(out_, (x1 + x2) / 2, (y1 + y2) / 2, radius, float(Distance(e.Y1, e.Y2)) / float(width), 0);
        }
    }

    void Texts(const GraffitiStore& store) {
        if (store.TextCount() == 0) return;
        out_ += "lc 2\r\nlt 1\r\ncc 0  \r\n";
        for (int i = 0; i < store.TextCount(); ++i) Text(store.Text(i));
    }

private:
    float X(int32_t x) const { return fn_ * float(x) * 25.4f / fd_; }
    float Y(int32_t y) const { return fn_ * float(y) * -25.4f / fd_; }
    float Paper(double d) const { return float(d) * 25.4f / fd_; }

    // Width and line type only when they change.
    void Pen(const GraffitiLine& l) {
        if (l.Width != lastWidth_) AppendWidth(out_, l.Width), lastWidth_ = l.Width;
        const int type = int(l.Style & kPenStyleMask);
        if (type != lastType_) AppendType(out_, l.Style), lastType_ = type;
    }

    struct Box {
        float X1, Y1, X2, Y2;
        double XMin, XMax, YMin, YMax;
    };

    void Frame(const GraffitiText& g, const Box& b, float h) {
        switch (g.Style & kFrameMask) {
        case kFrameRect:
            AppendJwPoint(out_, b.X1, b.Y1);
            AppendJwPoint(out_, b.X1, b.Y2);
            AppendJwPoint(out_, b.X2, b.Y2);
            AppendJwPoint(out_, b.X2, b.Y1);
            AppendJwPoint(out_, b.X1, b.Y1);
            break;
        case kFrameRound: {
            const double r = n_ * double(h) * 0.25;
            AppendJwLine(out_, b.XMin, b.YMin + r, b.XMin, b.YMax - r, 1);
            AppendJwLine(out_, b.XMin + r, b.YMax, b.XMax - r, b.YMax, 1);
            AppendJwLine(out_, b.XMax, b.YMax - r, b.XMax, b.YMin + r, 2);
            AppendJwLine(out_, b.XMax - r, b.YMin, b.XMin + r, b.YMin, 1);
            AppendJwQuarterArc(out_, b.XMax - r, b.YMax - r, r, 0);
            AppendJwQuarterArc(out_, b.XMin + r, b.YMax - r, r, 1);
            AppendJwQuarterArc(out_, b.XMin + r, b.YMin + r, r, 2);
            AppendJwQuarterArc(out_, b.XMax - r, b.YMin + r, r, 3);
            break;
        }
        case kFrameLeader: Leader(g, b, h); break;
        default: break;
        }
    }

    void Leader(const GraffitiText& g, const Box& b, float h) {
        const double tx = X(g.LeaderX), ty = Y(g.LeaderY);
        AppendJwLine(out_, tx, ty, b.X1, b.YMin, 1);
        AppendJwLine(out_, b.X1, b.YMin, b.X2, b.YMin, 1);
        const double dx = b.X1 - tx, dy = b.YMin - ty, length = std::hypot(dx, dy);
        // A head needs a direction; a tip on the underline's start gives none.
        if (length <= 0) return;
        const double c = std::cos(kArrowAngle), s = std::sin(kArrowAngle);
        const double k = n_ * 0.8333333333333334 * h / length;
        for (double sa : {s, -s}) AppendJwLine(out_, tx, ty, tx + k * (c * dx - sa * dy), ty + k * (sa * dx + c * dy), 1);
    }

    void Text(const GraffitiText& g) {
        const float x1 = X(g.X1), y1 = Y(g.Y1), x2 = X(g.X2), y2 = Y(g.Y2);
        const Box b{x1, y1, x2, y2, std::min(x1, x2), std::max(x1, x2), std::min(y1, y2), std::max(y1, y2)};
        const std::string_view text = Field(g.Text, sizeof g.Text);
        const TextMetrics m = MeasureText(text);
        const float w = std::abs(Paper(Distance(g.X1, g.X2)) * 2.0f / float(m.Columns));
        const float h = std::abs(Paper(Distance(g.Y1, g.Y2)) / float(m.Rows));
        Frame(g, b, h);
        const std::string_view font = Field(g.Font, sizeof g.Font);
        if (font != lastFont_) AppendJwFont(out_, font), lastFont_ = font;
        AppendJwTextSize(out_, w, h);
        for (int row = 1; row <= m.Rows; ++row)
            AppendJwText(out_, b.XMin, b.YMax - row * (b.YMax - b.YMin) / m.Rows, TextLine(text, row));
    }

    std::string& out_;
    int n_;
    float fd_, fn_;
    int32_t lastWidth_ = 0;
    int lastType_ = -1;
    std::string_view lastFont_;
};

}  // namespace

std::string ExportGraffitiText(const GraffitiStore& store, int dpi, int n) {
    std::string out;
    if (dpi <= 0 || n <= 0) return out;
    GraffitiTextWriter writer(out, dpi, n);
    writer.Lines(store);
    writer.Ellipses(store);
    writer.Texts(store);
    return out;
}

// ---- Image-path text ----

namespace {

int InRange(std::string_view typed, int low, int high, int fallback) {
    const std::optional<int32_t> v = ParseWholeNumber(typed);
    return v && *v >= low && *v <= high ? int(*v) : fallback;
}

void Append(std::string& out, std::string_view s) { out.append(s.data(), s.size()); }

}  // namespace

ImagePathSettings SanitizeImagePathSettings(std::string_view dpi, std::string_view scale, std::string_view jwScale,
                                            std::string_view widthMm) {
    ImagePathSettings s;
    s.Dpi = InRange(dpi, 100, 2000, 600);
    s.Scale = InRange(scale, 1, 10000, 1);
    s.JwScale = InRange(jwScale, 1, 10000, 1);
    s.WidthMm = InRange(widthMm, 1, 1000, 125);
    return s;
}

bool ImagePaperSize(int mode, int imageWidth, int imageHeight, int dpi, int widthMm, double& w, double& h) {
    w = h = 0;
    if (imageWidth <= 0 || imageHeight <= 0 || dpi <= 0) return false;
    const double iw = imageWidth, ih = imageHeight, side = widthMm;
    if (mode == 3) mode = imageWidth > imageHeight ? 1 : 2;
    switch (mode) {
    case 0: w = iw * 25.4 / dpi, h = ih * 25.4 / dpi; return true;
    case 1: w = side, h = ih * side / iw; return true;
    case 2: w = iw * side / ih, h = side; return true;
    default: return false;
    }
}

bool BuildImagePathText(ImagePathSource source, bool absolute, const ImagePathParts& p, double w, double h,
                        std::string& out) {
    out = "^@BM";
    switch (source) {
    case ImagePathSource::DisplayImage:
        if (absolute) Append(out, p.Drive), Append(out, p.Directory);
        Append(out, p.BaseName);
        out += "_memo.jpg";
        break;
    case ImagePathSource::OriginalImage:
        if (absolute) {
            Append(out, p.FullPath);
        } else {
            Append(out, p.BaseName);
            Append(out, p.Extension);
        }
        break;
    case ImagePathSource::GraffitiFile:
        if (absolute) Append(out, p.Drive), Append(out, p.Directory);
        Append(out, p.Background);
        break;
    }
    out += ',';
    AppendFixed6(out, w);
    out += ',';
    AppendFixed6(out, h);
    // A path cut short, or with a byte blanked, would name another file; refuse it whole.
    if (out.size() > kImagePathTextLimit || !IsOneLine(out)) {
        out.clear();
        return false;
    }
    return true;
}
