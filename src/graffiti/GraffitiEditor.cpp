#include "graffiti/GraffitiEditor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace edit;

namespace {

// Working points are kept as the 16-bit values the layer was designed around.
int32_t Clamp16(int64_t v) { return int32_t(std::clamp<int64_t>(v, -32768, 32767)); }

int32_t ImageX(const EditInput& in, int x) { return Clamp16(WindowToImage(x - in.Mapping.DestX, in.Mapping.SourceX, in.Mapping.Scale)); }
int32_t ImageY(const EditInput& in, int y) { return Clamp16(WindowToImage(y - in.Mapping.DestY, in.Mapping.SourceY, in.Mapping.Scale)); }
int WindowX(const EditInput& in, int32_t x) { return ImageToWindow(x, in.Mapping.SourceX, in.Mapping.Scale) + in.Mapping.DestX; }
int WindowY(const EditInput& in, int32_t y) { return ImageToWindow(y, in.Mapping.SourceY, in.Mapping.Scale) + in.Mapping.DestY; }

Band MakeBand(const EditInput& in, BandKind kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double degrees = 0) {
    return Band{kind, WindowX(in, x1), WindowY(in, y1), WindowX(in, x2), WindowY(in, y2), degrees};
}

double Distance(double x1, double y1, double x2, double y2) { return std::hypot(x2 - x1, y2 - y1); }

// Distance from p to segment a-b as the picker measures it; false when off the segment's ends.
bool SegmentDistance(int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t px, int32_t py, double& dist, double& t) {
    const double dx = double(bx) - ax, dy = double(by) - ay;
    const double len2 = dx * dx + dy * dy;
    if (len2 == 0) return false;
    t = (dx * (double(px) - ax) + dy * (double(py) - ay)) / len2;
    if (t <= -0.05 || t >= 1.05) return false;
    dist = Distance(px, py, ax + std::trunc(dx * t), ay + std::trunc(dy * t));
    return true;
}

bool EllipseDistance(const GraffitiEllipse& e, int32_t px, int32_t py, double& dist, int& part) {
    const int64_t cx = (int64_t{e.X1} + e.X2) / 2, cy = (int64_t{e.Y1} + e.Y2) / 2;
    const double a = double(std::llabs(int64_t{e.X2} - e.X1)) / 2, b = double(std::llabs(int64_t{e.Y2} - e.Y1)) / 2;
    if (a == 0 || b == 0) {
        // A flat ellipse is drawn as its diameter, so it is measured as one.
        double t = 0;
        const int32_t x1 = a == 0 ? int32_t(cx) : e.X1, x2 = a == 0 ? int32_t(cx) : e.X2;
        const int32_t y1 = b == 0 ? int32_t(cy) : e.Y1, y2 = b == 0 ? int32_t(cy) : e.Y2;
        part = 1;
        return SegmentDistance(x1, y1, x2, y2, px, py, dist, t);
    }
    const double ux = double(px) - double(cx);
    const double v = std::trunc((double(py) - double(cy)) * a / b);
    const double r = std::hypot(ux, v);
    if (r == 0) return false;
    const double c = ux / r, s = std::sqrt(std::max(0.0, 1 - c * c));
    double ox = double(cx) + a, oy = double(cy);
    part = 1;
    if (v < 0) {
        ox = double(cx) + a * c, oy = double(cy) - b * s, part = 3;
    } else if (v > 0) {
        ox = double(cx) + a * c, oy = double(cy) + b * s, part = 2;
    }
    dist = Distance(px, py, ox, oy);
    return true;
}

bool TextDistance(const GraffitiText& t, int32_t px, int32_t py, double& dist, int& part) {
    bool hit = false;
    if ((t.Style & kFrameMask) == kFrameLeader) {
        double u = 0;
        if (SegmentDistance(t.LeaderX, t.LeaderY, t.X1, t.Y1, px, py, dist, u)) {
            hit = true;
            part = u < 0.5 ? 1 : (u > 0.8 ? 2 : 0);
        }
    }
    if (px > std::min(t.X1, t.X2) && px < std::max(t.X1, t.X2) && py > std::min(t.Y1, t.Y2) && py < std::max(t.Y1, t.Y2)) {
        dist = 8.0;
        part = 3;
        hit = true;
    }
    return hit;
}

IntBox Union(const IntBox& a, const IntBox& b) {
    if (a.Right < a.Left) return b;
    if (b.Right < b.Left) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

GraffitiKind KindOf(int pickKind) {
    return pickKind == kPickLine ? kGraffitiLine : pickKind == kPickEllipse ? kGraffitiEllipse : kGraffitiText;
}

int CountOf(const GraffitiStore& s, GraffitiKind k) {
    return k == kGraffitiLine ? s.LineCount() : k == kGraffitiEllipse ? s.EllipseCount() : s.TextCount();
}

bool SameShape(const GraffitiLine& a, const GraffitiLine& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameText(const GraffitiText& a, const GraffitiText& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const GraffitiLine& ShapeAt(const GraffitiStore& s, GraffitiKind k, int i) { return k == kGraffitiLine ? s.Line(i) : s.Ellipse(i); }

bool Matches(const GraffitiStore& s, GraffitiKind k, int i, const GraffitiLine& shape, const GraffitiText& text) {
    if (i < 0 || i >= CountOf(s, k)) return false;
    return k == kGraffitiText ? SameText(s.Text(i), text) : SameShape(ShapeAt(s, k, i), shape);
}

// Where the record now is: its old slot, else the last equal one; -1 when it is gone.
int Locate(const GraffitiStore& s, GraffitiKind k, int i, const GraffitiLine& shape, const GraffitiText& text) {
    if (Matches(s, k, i, shape, text)) return i;
    for (int j = CountOf(s, k) - 1; j >= 0; --j)
        if (Matches(s, k, j, shape, text)) return j;
    return -1;
}

int DeleteFrom(GraffitiStore& s, GraffitiKind k, int i) {
    return k == kGraffitiLine ? s.DeleteLine(i) : k == kGraffitiEllipse ? s.DeleteEllipse(i) : s.DeleteText(i);
}

bool IsDrawing(int command) { return command >= kLine && command <= kLeader; }

void Status(EditHost& host, const char* format, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    host.SetStatus(0, buffer);
}

}  // namespace

int GestureDirection(int pressX, int pressY, int x, int y) { return ClassifyDirection(pressX, pressY, x, y); }

EditOp GestureOperation(bool atFirst, int button, int direction) {
    if (direction == 0) return EditOp::None;
    if (button == 2) {
        if (direction == 2 || direction == 4) return EditOp::Midpoint;
        if (!atFirst && (direction == 5 || direction == 7)) return EditOp::Offset;
        return EditOp::None;
    }
    if (!atFirst) return direction == 8 ? EditOp::Cancel : EditOp::None;
    switch (direction) {
    case 1: return EditOp::TextEdit;
    case 4: return EditOp::Move;
    case 5: return EditOp::AttributeChange;
    case 7: return EditOp::AttributeGet;
    case 10: return EditOp::Delete;
    case 11: return EditOp::EndpointMove;
    default: return EditOp::None;
    }
}

const char* GestureLabel(EditOp op) {
    switch (op) {
    case EditOp::TextEdit: return "文字編集";
    case EditOp::Move: return "移動";
    case EditOp::AttributeChange: return "属性変更";
    case EditOp::AttributeGet: return "属性取得";
    case EditOp::Delete: return "削除";
    case EditOp::EndpointMove: return "端点移動";
    case EditOp::Midpoint: return "中間点";
    case EditOp::Cancel: return "キャンセル";
    case EditOp::Offset: return "オフセット";
    default: return "";
    }
}

Pick PickObject(const GraffitiStore& store, int32_t x, int32_t y) {
    Pick best;
    best.Distance = kPickRange;
    auto consider = [&](int kind, int index, double dist, int part) {
        if (dist < best.Distance) best = Pick{kind, index, part, dist};
    };
    for (int i = 0; i < store.LineCount(); ++i) {
        const GraffitiLine& l = store.Line(i);
        double d = 0, t = 0;
        if (SegmentDistance(l.X1, l.Y1, l.X2, l.Y2, x, y, d, t)) consider(kPickLine, i, d, t < 0.2 ? 1 : (t > 0.8 ? 2 : 0));
    }
    for (int i = 0; i < store.EllipseCount(); ++i) {
        double d = 0;
        int part = 0;
        if (EllipseDistance(store.Ellipse(i), x, y, d, part)) consider(kPickEllipse, i, d, part);
    }
    for (int i = 0; i < store.TextCount(); ++i) {
        double d = 0;
        int part = 0;
        if (TextDistance(store.Text(i), x, y, d, part)) consider(kPickText, i, d, part);
    }
    if (best.Kind == 0) best.Distance = 0;
    return best;
}

SnapPoint SnapToLineEnd(const GraffitiStore& store, int32_t x, int32_t y, float scale) {
    SnapPoint snap;
    const Pick p = PickObject(store, x, y);
    if (p.Kind != kPickLine) return snap;
    const double tolerance = std::clamp(15.0 * double(scale), 5.0, 100.0);
    const GraffitiLine& l = store.Line(p.Index);
    double best = tolerance;
    if (const double d = Distance(x, y, l.X1, l.Y1); d < best) snap = {true, l.X1, l.Y1}, best = d;
    if (const double d = Distance(x, y, l.X2, l.Y2); d < best) snap = {true, l.X2, l.Y2};
    return snap;
}

// ---- bands, label, bookkeeping ----

void GraffitiEditor::ShowBands(const Band* bands, int count, EditHost& host) {
    EraseBands(host);
    for (int i = 0; i < count && i < 3; ++i) {
        host.DrawBand(bands[i]);
        bands_[bandCount_++] = bands[i];
    }
}

void GraffitiEditor::EraseBands(EditHost& host) {
    while (bandCount_ > 0) host.EraseBand(bands_[--bandCount_]);
}

void GraffitiEditor::ClearLabel(EditHost& host) {
    if (labelShown_) host.HideLabel();
    labelShown_ = false;
}

void GraffitiEditor::Track(const GraffitiStore& store, GraffitiKind kind, int index) {
    if (createdCount_ == kTracked) {
        std::copy(created_ + 1, created_ + kTracked, created_);
        --createdCount_;
    }
    Created& c = created_[createdCount_++];
    c = Created{};
    c.Kind = kind;
    c.Index = index;
    if (kind == kGraffitiText) c.Text = store.Text(index);
    else c.Shape = ShapeAt(store, kind, index);
}

void GraffitiEditor::Refresh(const GraffitiStore& store, GraffitiKind kind, int index, const GraffitiLine& oldShape,
                             const GraffitiText& oldText) {
    for (int i = 0; i < createdCount_; ++i) {
        Created& c = created_[i];
        if (c.Kind != kind || c.Index != index) continue;
        if (kind == kGraffitiText ? !SameText(c.Text, oldText) : !SameShape(c.Shape, oldShape)) continue;
        if (kind == kGraffitiText) c.Text = store.Text(index);
        else c.Shape = ShapeAt(store, kind, index);
    }
}

void GraffitiEditor::Remove(GraffitiStore& store, GraffitiKind kind, int index, EditHost& host) {
    const IntBox box = store.RepaintBox(kind, index);
    const int last = CountOf(store, kind) - 1;
    if (DeleteFrom(store, kind, index) != 0) return;
    host.InvalidateImageBox(box);
    host.MarkChanged();
    // The last record now sits in the hole.
    int kept = 0;
    for (int i = 0; i < createdCount_; ++i) {
        Created c = created_[i];
        if (c.Kind == kind && c.Index == index) continue;
        if (c.Kind == kind && c.Index == last) c.Index = index;
        created_[kept++] = c;
    }
    createdCount_ = kept;
    if (kind == kGraffitiText && textEdit_.Active && textEdit_.Index == last) textEdit_.Index = index;
}

void GraffitiEditor::Changed(GraffitiStore& store, EditHost& host, GraffitiKind kind, int index, const IntBox& before) {
    host.InvalidateImageBox(Union(before, store.RepaintBox(kind, index)));
    host.MarkChanged();
    Refresh(store, kind, index, target_.Shape, target_.Text);
}

bool GraffitiEditor::TargetStillThere(const GraffitiStore& store) {
    const GraffitiKind kind = KindOf(target_.Picked.Kind);
    const int at = Locate(store, kind, target_.Picked.Index, target_.Shape, target_.Text);
    if (at < 0) return false;
    target_.Picked.Index = at;
    return true;
}

void GraffitiEditor::TakeTarget(const GraffitiStore& store, const Pick& pick) {
    target_ = Target{};
    target_.Picked = pick;
    if (pick.Kind == kPickText) target_.Text = store.Text(pick.Index);
    else target_.Shape = ShapeAt(store, KindOf(pick.Kind), pick.Index);
}

void GraffitiEditor::CopyAttributes(const GraffitiStore& store, const Pick& pick) {
    clipboardSet_ = true;
    if (pick.Kind == kPickText) {
        const GraffitiText& t = store.Text(pick.Index);
        clipColour_ = t.Colour, clipFill_ = t.Background, clipShadow_ = t.Shadow, clipTextStyle_ = t.Style;
    } else {
        const GraffitiLine& l = ShapeAt(store, KindOf(pick.Kind), pick.Index);
        clipColour_ = l.Colour, clipFill_ = l.Fill, clipShadow_ = l.Shadow, clipWidth_ = l.Width, clipLineStyle_ = l.Style;
    }
}

void GraffitiEditor::FixedFrame(const TextAttributes& ta, int32_t x, int32_t y, bool left, int32_t& x2, int32_t& y2) const {
    GraffitiText probe{};
    SetTextStrings(probe, "", ta.Text ? ta.Text : "");
    const TextMetrics m = MeasureText(probe.Text);
    const int32_t w = int32_t(ta.Size & 0xFFF), h = int32_t((ta.Size >> 12) & 0xFFF);
    x2 = Clamp16(left ? x - w * m.Columns : x + w * m.Columns);
    y2 = Clamp16(y - h * m.Rows);
}

// ---- commands ----

int GraffitiEditor::StartCommand(int state, int command, const GraffitiStore& store, EditHost& host) {
    EraseBands(host);
    ClearLabel(host);
    createdCount_ = 0;
    const int result = (state & ~0xFFFF) | (command & kCommandMask);
    switch (command) {
    case kLine: host.OpenLineStyleDialog(1); host.SetStatus(0, "直線コマンド"); break;
    case kPolyline: host.OpenLineStyleDialog(3); host.SetStatus(0, "連続直線コマンド"); break;
    case kEllipse: host.OpenLineStyleDialog(2); host.SetStatus(0, "楕円コマンド"); break;
    case kText: host.OpenTextStyleDialog(1, -1); host.SetStatus(0, "文字コマンド"); break;
    case kLeader: host.OpenTextStyleDialog(2, -1); host.SetStatus(0, "引出線付直線コマンド"); break;
    case kDelete: host.SetStatus(0, "削除コマンド"); break;
    default: break;
    }
    if ((command == kText || command == kLeader) && (host.CurrentTextAttributes().Size & kTextFixedSize))
        Status(host, "文字　[%d]   %X", store.TextCount(), unsigned(result));
    return result;
}

int GraffitiEditor::Step(int state, const EditInput& in, GraffitiStore& store, EditHost& host) {
    switch (in.Event) {
    case EditEvent::Move: return OnMove(state, in, store, host);
    case EditEvent::LeftDown:
    case EditEvent::RightDown: return OnPress(state, in);
    case EditEvent::LeftUp:
    case EditEvent::RightUp: return OnRelease(state, in, store, host);
    case EditEvent::Escape: return OnEscape(state, store, host);
    }
    return state;
}

int GraffitiEditor::OnPress(int state, const EditInput& in) {
    if (state & kPressed) return state;  // the other button while one is held
    pressX_ = in.X, pressY_ = in.Y;
    button_ = in.Event == EditEvent::LeftDown ? 1 : 2;
    direction_ = 0;
    gesture_ = EditOp::None;
    return state | kPressed;
}

int GraffitiEditor::OnMove(int state, const EditInput& in, GraffitiStore& store, EditHost& host) {
    if (state & kPressed) {
        if ((state & kCommandMask) == kMidpoint) return state;
        direction_ = GestureDirection(pressX_, pressY_, in.X, in.Y);
        const EditOp op = GestureOperation((state & kStepMask) == 1, button_, direction_);
        if (op != gesture_) {
            gesture_ = op;
            ClearLabel(host);
            if (op != EditOp::None) {
                host.ShowLabel(pressX_, pressY_, GestureLabel(op));
                host.SetStatus(0, GestureLabel(op));
                labelShown_ = true;
            } else {
                host.SetStatus(0, "");
            }
        }
        return state;
    }
    ClearLabel(host);
    FollowBands(state, ImageX(in, in.X), ImageY(in, in.Y), in, store, host);
    return state;
}

void GraffitiEditor::ShiftLock(int32_t refX, int32_t refY, int32_t& x, int32_t& y) {
    if (std::llabs(int64_t{x} - refX) <= std::llabs(int64_t{y} - refY)) x = refX;
    else y = refY;
}

void GraffitiEditor::FollowBands(int state, int32_t mx, int32_t my, const EditInput& in, GraffitiStore& store,
                                 EditHost& host) {
    const int command = state & kCommandMask, step = state & kStepMask;
    const bool shift = in.Shift && !in.Control;
    Band b[3];
    int n = 0;
    if (step == kIdle && (command == kText || command == kLeader)) {
        const TextAttributes ta = host.CurrentTextAttributes();
        if (!(ta.Size & kTextFixedSize)) return;
        int32_t x2 = 0, y2 = 0;
        FixedFrame(ta, mx, my, false, x2, y2);
        b[n++] = MakeBand(in, BandKind::Rect, mx, my, x2, y2);
        ShowBands(b, n, host);
        Status(host, "文字　[%d]  (%d,%d)-(%d,%d)  %X ", store.TextCount(), mx, my, x2, y2, unsigned(state));
        return;
    }
    if (step == kSecond && IsDrawing(command)) {
        if (shift) ShiftLock(p1x_, p1y_, mx, my);
        p2x_ = mx, p2y_ = my;
        if (command == kLine || command == kPolyline) {
            b[n++] = MakeBand(in, BandKind::Line, p1x_, p1y_, mx, my);
            Status(host, "直線 (%d,%d)-(%d,%d)  [Shift]:水平垂直", p1x_, p1y_, mx, my);
        } else if (command == kEllipse) {
            b[n++] = MakeBand(in, BandKind::Ellipse, p1x_, p1y_, mx, my);
            Status(host, "楕円 (%d,%d)-(%d,%d)", p1x_, p1y_, mx, my);
        } else if (command == kText) {
            b[n++] = MakeBand(in, BandKind::Rect, p1x_, p1y_, mx, my, textDirection_);
            Status(host, "文字　(%d,%d)-(%d,%d)", p1x_, p1y_, mx, my);
        } else {
            b[n++] = MakeBand(in, BandKind::Line, p1x_, p1y_, mx, my);
            Status(host, "引出線 (%d,%d)-(%d,%d)", p1x_, p1y_, mx, my);
        }
    } else if (step == kLeaderFrame && command == kLeader) {
        if (shift) ShiftLock(p1x_, p1y_, mx, my);
        p2x_ = mx, p2y_ = my;
        b[n++] = MakeBand(in, BandKind::Line, tipX_, tipY_, p1x_, p1y_);
        b[n++] = MakeBand(in, BandKind::Rect, p1x_, p1y_, mx, my);
        Status(host, "文字　(%d,%d)-(%d,%d)", p1x_, p1y_, mx, my);
    } else if (step == kFixedTip && command == kLeader) {
        int32_t x2 = 0, y2 = 0;
        FixedFrame(host.CurrentTextAttributes(), mx, my, false, x2, y2);
        b[n++] = MakeBand(in, BandKind::Line, tipX_, tipY_, mx, my);
        b[n++] = MakeBand(in, BandKind::Rect, mx, my, x2, y2);
        Status(host, "引き出し線付文字　[%d]  (%d,%d)-(%d,%d)  %X ", store.TextCount(), mx, my, x2, y2, unsigned(state));
    } else if (step == kFixedCorner && command == kLeader) {
        int32_t x2 = 0, y2 = 0;
        FixedFrame(host.CurrentTextAttributes(), p1x_, p1y_, mx < p1x_, x2, y2);
        b[n++] = MakeBand(in, BandKind::Line, tipX_, tipY_, p1x_, p1y_);
        b[n++] = MakeBand(in, BandKind::Rect, p1x_, p1y_, x2, y2);
        Status(host, "文字位置　[%d]  (%d,%d)-(%d,%d)  %X ", store.TextCount(), p1x_, p1y_, x2, y2, unsigned(state));
    } else if (step == kMoving) {
        const int kind = target_.Picked.Kind;
        const int32_t ox = kind == kPickText ? target_.Text.X1 : target_.Shape.X1;
        const int32_t oy = kind == kPickText ? target_.Text.Y1 : target_.Shape.Y1;
        if (shift) ShiftLock(ox, oy, mx, my);
        const int32_t x2 = Clamp16(int64_t{mx} + moveDx_), y2 = Clamp16(int64_t{my} + moveDy_);
        if (kind == kPickLine) {
            b[n++] = MakeBand(in, BandKind::Line, mx, my, x2, y2);
            Status(host, "直線移動 (%d,%d)-(%d,%d)", mx, my, x2, y2);
        } else if (kind == kPickEllipse) {
            b[n++] = MakeBand(in, BandKind::Ellipse, mx, my, x2, y2);
            Status(host, "楕円移動 (%d,%d)-(%d,%d)", mx, my, x2, y2);
        } else {
            b[n++] = MakeBand(in, BandKind::Rect, mx, my, x2, y2, target_.Text.Escapement / 10.0);
            if ((target_.Text.Style & kFrameMask) == kFrameLeader)
                b[n++] = MakeBand(in, BandKind::Line, target_.Text.LeaderX, target_.Text.LeaderY, mx, my);
            Status(host, "文字移動　(%d,%d)-(%d,%d)", mx, my, x2, y2);
        }
    } else if (step == kEndpoint) {
        int32_t fx = 0, fy = 0;
        EndpointAnchor(fx, fy);
        if (shift) ShiftLock(fx, fy, mx, my);
        b[n++] = MakeBand(in, BandKind::Line, fx, fy, mx, my);
    } else {
        return;
    }
    ShowBands(b, n, host);
}

void GraffitiEditor::EndpointAnchor(int32_t& x, int32_t& y) const {
    if (target_.Picked.Kind == kPickText) x = target_.Text.X1, y = target_.Text.Y1;
    else if (target_.Picked.Part == 1) x = target_.Shape.X2, y = target_.Shape.Y2;
    else x = target_.Shape.X1, y = target_.Shape.Y1;
}

int GraffitiEditor::OnRelease(int state, const EditInput& in, GraffitiStore& store, EditHost& host) {
    ClearLabel(host);
    if (!(state & kPressed)) return state;
    const int releasedButton = in.Event == EditEvent::LeftUp ? 1 : 2;
    if (releasedButton != button_) return state;
    const int base = state & ~kPressed;
    const int command = base & kCommandMask, step = base & kStepMask;
    if (command == kMidpoint) {
        if (button_ != 2) return base;
        const SnapPoint b = SnapToLineEnd(store, ImageX(in, in.X), ImageY(in, in.Y), in.Mapping.Scale);
        if (!b.Found) return base;
        const int resume = (base & ~0xFFFF) | (savedState_ & 0xFFFF);
        return Place(resume, Clamp16((int64_t{ax_} + b.X) / 2), Clamp16((int64_t{ay_} + b.Y) / 2), false, in, store, host);
    }
    if (direction_ != 0) return RunOperation(base, gesture_, in, store, host);
    if (button_ == 1) {
        const bool first = step == kIdle;
        const int32_t x = ImageX(in, first ? pressX_ : in.X), y = ImageY(in, first ? pressY_ : in.Y);
        return Place(base, x, y, in.Shift && !in.Control, in, store, host);
    }
    if ((command == kNone || command == kDelete) && step == kIdle) {
        host.RequestPopupMenu(in.X, in.Y);
        return base;
    }
    const SnapPoint snap = SnapToLineEnd(store, ImageX(in, in.X), ImageY(in, in.Y), in.Mapping.Scale);
    if (snap.Found) return Place(base, snap.X, snap.Y, false, in, store, host);
    if (step == kIdle) {
        EraseBands(host);
        host.RequestPopupMenu(in.X, in.Y);
        return (base & ~kStepMask);
    }
    return base;
}

int GraffitiEditor::Place(int state, int32_t x, int32_t y, bool shift, const EditInput& in, GraffitiStore& store,
                          EditHost& host) {
    const int command = state & kCommandMask, step = state & kStepMask;
    const int idle = state & ~kStepMask;
    x = Clamp16(x), y = Clamp16(y);
    if (step == kMoving) {
        EraseBands(host);
        if (TargetStillThere(store)) PlaceMoved(x, y, shift, store, host);
        return idle;
    }
    if (step == kEndpoint) {
        EraseBands(host);
        if (TargetStillThere(store)) PlaceEndpoint(x, y, shift, store, host);
        return idle;
    }
    if (command == kNone) return idle;
    if (command == kDelete) {
        const Pick p = PickObject(store, x, y);
        if (p.Kind) Remove(store, KindOf(p.Kind), p.Index, host);
        return idle;
    }
    if (step == kIdle) {
        if (command == kText || command == kLeader) {
            const TextAttributes ta = host.CurrentTextAttributes();
            if (ta.Size & kTextFixedSize) {
                EraseBands(host);
                if (command == kLeader) {
                    tipX_ = x, tipY_ = y;
                    return idle | kFixedTip;
                }
                p1x_ = x, p1y_ = y;
                FixedFrame(ta, x, y, false, p2x_, p2y_);
                tipX_ = 0, tipY_ = 0;
                CreateObject(state, store, host);
                return idle;
            }
        }
        p1x_ = x, p1y_ = y;
        if (command == kText) textDirection_ = host.CurrentTextAttributes().Direction;
        const char* format = command == kEllipse ? "楕円 (%d,%d)-" : command == kText ? "文字 (%d,%d)-"
                             : command == kLeader ? "引出線 (%d,%d)-" : "Line (%d,%d)-";
        Status(host, format, x, y);
        return idle | kSecond;
    }
    if (step == kSecond && IsDrawing(command)) {
        if (shift) ShiftLock(p1x_, p1y_, x, y);
        p2x_ = x, p2y_ = y;
        EraseBands(host);
        if (command == kLeader) {
            tipX_ = p1x_, tipY_ = p1y_;
            p1x_ = x, p1y_ = y;
            const Band guide = MakeBand(in, BandKind::Line, tipX_, tipY_, p1x_, p1y_);
            ShowBands(&guide, 1, host);
            return idle | kLeaderFrame;
        }
        if (command == kText) tipX_ = 0, tipY_ = 0;
        CreateObject(state, store, host);
        if (command == kPolyline && (p1x_ != p2x_ || p1y_ != p2y_)) {
            p1x_ = p2x_, p1y_ = p2y_;
            return idle | kSecond;
        }
        return idle;
    }
    if (step == kLeaderFrame && command == kLeader) {
        if (shift) ShiftLock(p1x_, p1y_, x, y);
        p2x_ = x, p2y_ = y;
        EraseBands(host);
        CreateObject(state, store, host);
        return idle;
    }
    if (step == kFixedTip && command == kLeader) {
        p1x_ = x, p1y_ = y;
        return idle | kFixedCorner;
    }
    if (step == kFixedCorner && command == kLeader) {
        EraseBands(host);
        FixedFrame(host.CurrentTextAttributes(), p1x_, p1y_, x < p1x_, p2x_, p2y_);
        CreateObject(state, store, host);
        return idle;
    }
    return idle;
}

void GraffitiEditor::PlaceMoved(int32_t x, int32_t y, bool shift, GraffitiStore& store, EditHost& host) {
    const GraffitiKind kind = KindOf(target_.Picked.Kind);
    const int i = target_.Picked.Index;
    const int32_t ox = kind == kGraffitiText ? target_.Text.X1 : target_.Shape.X1;
    const int32_t oy = kind == kGraffitiText ? target_.Text.Y1 : target_.Shape.Y1;
    if (shift) ShiftLock(ox, oy, x, y);
    const int32_t x2 = Clamp16(int64_t{x} + moveDx_), y2 = Clamp16(int64_t{y} + moveDy_);
    const IntBox before = store.RepaintBox(kind, i);
    if (kind == kGraffitiLine) {
        if (target_.Picked.Part == 1) store.SetLinePoints(i, x, y, x2, y2);
        else if (target_.Picked.Part == 2) store.SetLinePoints(i, x2, y2, x, y);
        else return;
    } else if (kind == kGraffitiEllipse) {
        store.SetEllipsePoints(i, x, y, x2, y2);
    } else {
        store.SetTextPoints(i, x, y, x2, y2, target_.Text.LeaderX, target_.Text.LeaderY);
    }
    Changed(store, host, kind, i, before);
}

void GraffitiEditor::PlaceEndpoint(int32_t x, int32_t y, bool shift, GraffitiStore& store, EditHost& host) {
    const GraffitiKind kind = KindOf(target_.Picked.Kind);
    const int i = target_.Picked.Index;
    int32_t fx = 0, fy = 0;
    EndpointAnchor(fx, fy);
    if (shift) ShiftLock(fx, fy, x, y);
    const IntBox before = store.RepaintBox(kind, i);
    if (kind == kGraffitiText) {
        const GraffitiText& t = target_.Text;
        store.SetTextPoints(i, t.X1, t.Y1, t.X2, t.Y2, x, y);
    } else if (target_.Picked.Part == 1) {
        store.SetLinePoints(i, x, y, target_.Shape.X2, target_.Shape.Y2);
    } else {
        store.SetLinePoints(i, target_.Shape.X1, target_.Shape.Y1, x, y);
    }
    Changed(store, host, kind, i, before);
}

int GraffitiEditor::RunOperation(int base, EditOp op, const EditInput& in, GraffitiStore& store, EditHost& host) {
    const int idle = base & ~kStepMask;
    const int32_t px = ImageX(in, pressX_), py = ImageY(in, pressY_);
    switch (op) {
    case EditOp::None:
    case EditOp::Offset: return base;
    case EditOp::Cancel:
        EraseBands(host);
        return idle;
    case EditOp::Midpoint: {
        const SnapPoint a = SnapToLineEnd(store, px, py, in.Mapping.Scale);
        if (!a.Found) return base;
        ax_ = a.X, ay_ = a.Y;
        savedState_ = base & 0xFFFF;
        host.SetStatus(0, "2点間中心　◆◆B点指示◆◆");
        return (base & ~0xFFFF) | kMidpoint;
    }
    default: break;
    }
    const Pick p = PickObject(store, px, py);
    if (!p.Kind) return idle;
    const GraffitiKind kind = KindOf(p.Kind);
    switch (op) {
    case EditOp::Delete: Remove(store, kind, p.Index, host); return idle;
    case EditOp::Move: {
        if (kind == kGraffitiText && p.Part != 3) return idle;
        TakeTarget(store, p);
        CopyAttributes(store, p);
        const bool text = kind == kGraffitiText;
        moveDx_ = int64_t{text ? target_.Text.X2 : target_.Shape.X2} - (text ? target_.Text.X1 : target_.Shape.X1);
        moveDy_ = int64_t{text ? target_.Text.Y2 : target_.Shape.Y2} - (text ? target_.Text.Y1 : target_.Shape.Y1);
        return idle | kMoving;
    }
    case EditOp::EndpointMove: {
        const bool lineEnd = kind == kGraffitiLine && (p.Part == 1 || p.Part == 2);
        const bool leaderTip = kind == kGraffitiText && p.Part == 1 && (store.Text(p.Index).Style & kFrameMask) == kFrameLeader;
        if (!lineEnd && !leaderTip) return idle;
        TakeTarget(store, p);
        CopyAttributes(store, p);
        return idle | kEndpoint;
    }
    case EditOp::AttributeGet:
        CopyAttributes(store, p);
        if (kind == kGraffitiText)
            Status(host, "属性取得　文字[%d] 線色=%x 背景色=%x　影色=%x", p.Index, clipColour_, clipFill_, clipShadow_);
        else
            Status(host, kind == kGraffitiLine ? "属性取得　線[%d] 太さ=%d　線色=%x 背景色=%x　影色=%x"
                                               : "属性取得　楕円[%d] 太さ=%d　線色=%x 背景色=%x　影色=%x",
                   p.Index, clipWidth_, clipColour_, clipFill_, clipShadow_);
        return idle;
    case EditOp::AttributeChange: {
        if (!clipboardSet_) return idle;
        TakeTarget(store, p);
        const IntBox before = store.RepaintBox(kind, p.Index);
        if (kind == kGraffitiLine) store.SetLineAttributes(p.Index, clipColour_, clipFill_, clipShadow_, clipWidth_, clipLineStyle_);
        else if (kind == kGraffitiEllipse)
            store.SetEllipseAttributes(p.Index, clipColour_, clipFill_, clipShadow_, clipWidth_, clipLineStyle_);
        else store.SetTextAttributes(p.Index, clipColour_, clipFill_, clipShadow_, clipTextStyle_);
        Changed(store, host, kind, p.Index, before);
        return idle;
    }
    case EditOp::TextEdit:
        if (kind != kGraffitiText) return idle;
        textEdit_ = PendingText{true, p.Index, store.Text(p.Index)};
        host.OpenTextStyleDialog(3, p.Index);
        return idle;
    default: return idle;
    }
}

void GraffitiEditor::CreateObject(int state, GraffitiStore& store, EditHost& host) {
    const int command = state & kCommandMask;
    if (command == kLine || command == kPolyline || command == kEllipse) {
        const LineAttributes la = host.CurrentLineAttributes();
        const uint32_t style = command == kPolyline ? la.Style & 0xFFFFu : la.Style;
        const GraffitiLine l{la.Colour, la.Fill, la.Width, style, p1x_, p1y_, p2x_, p2y_, la.Shadow};
        const GraffitiKind kind = command == kEllipse ? kGraffitiEllipse : kGraffitiLine;
        const int before = CountOf(store, kind);
        if (kind == kGraffitiLine) store.AddLine(l);
        else store.AddEllipse(l);
        if (CountOf(store, kind) == before) return;
        Track(store, kind, before);
        host.DrawNewObject(kind, before);
        host.MarkChanged();
        host.SetStatus(0, kind == kGraffitiLine ? "直線" : "楕円");
        return;
    }
    const TextAttributes ta = host.CurrentTextAttributes();
    GraffitiText t{};
    t.X1 = p1x_, t.Y1 = p1y_, t.X2 = p2x_, t.Y2 = p2y_;
    t.LeaderX = command == kLeader ? tipX_ : 0;
    t.LeaderY = command == kLeader ? tipY_ : 0;
    t.Style = ta.Style;
    t.Colour = ta.Colour, t.Background = ta.Background, t.Shadow = ta.Shadow;
    t.Escapement = 10 * textDirection_;
    t.Orientation = 10 * ta.CharAngle;
    t.Weight = ta.Weight;
    SetTextStrings(t, ta.Font ? ta.Font : "", ta.Text ? ta.Text : "");
    const int before = store.TextCount();
    if (store.PutText(t, -1) != 0 || store.TextCount() == before) return;
    Track(store, kGraffitiText, before);
    host.DrawNewObject(kGraffitiText, before);
    host.MarkChanged();
    host.SetStatus(0, command == kLeader ? "引出線付文字" : "文字");
}

int GraffitiEditor::Abort(int state, EditHost& host) {
    ClearLabel(host);
    EraseBands(host);
    const int command = state & kCommandMask;
    return (state & ~0xFFFF) | (command == kMidpoint ? savedState_ & kCommandMask : command);
}

int GraffitiEditor::OnEscape(int state, GraffitiStore& store, EditHost& host) {
    ClearLabel(host);
    EraseBands(host);
    const int high = state & ~0xFFFF;
    const int command = state & kCommandMask, step = state & kStepMask;
    if (command == kMidpoint) return high | (savedState_ & kCommandMask);
    if (step > 1 || !IsDrawing(command)) return high | command;
    const GraffitiKind kind = command == kEllipse ? kGraffitiEllipse
                              : (command == kText || command == kLeader) ? kGraffitiText : kGraffitiLine;
    for (int i = createdCount_ - 1; i >= 0; --i) {
        const Created c = created_[i];
        if (c.Kind != kind) continue;
        const int at = Locate(store, kind, c.Index, c.Shape, c.Text);
        if (at < 0) {
            std::copy(created_ + i + 1, created_ + createdCount_, created_ + i);
            --createdCount_;
            continue;
        }
        Remove(store, kind, at, host);
        break;
    }
    return high | command;
}

int GraffitiEditor::LocateTextEdit(const GraffitiStore& store) const {
    return textEdit_.Active ? Locate(store, kGraffitiText, textEdit_.Index, GraffitiLine{}, textEdit_.Original) : -1;
}

int GraffitiEditor::ApplyTextEdit(GraffitiStore& store, const GraffitiText& replacement, EditHost& host) {
    if (!textEdit_.Active) return kGraffitiBadIndex;
    textEdit_.Active = false;
    const int at = Locate(store, kGraffitiText, textEdit_.Index, GraffitiLine{}, textEdit_.Original);
    if (at < 0) return kGraffitiBadIndex;
    const IntBox before = store.RepaintBox(kGraffitiText, at);
    const int result = store.PutText(replacement, at);
    if (result != 0) return result;
    host.InvalidateImageBox(Union(before, store.RepaintBox(kGraffitiText, at)));
    host.MarkChanged();
    Refresh(store, kGraffitiText, at, GraffitiLine{}, textEdit_.Original);
    return 0;
}
