#include "view/ViewState.h"

#include <climits>
#include <cstdint>

namespace {

// Truncation toward zero; out-of-range values saturate instead of being undefined.
int TruncToInt(double v) {
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

// The fit reserves 26 pixels for the tool bar while the layout places the image at 28.
constexpr int kToolBarFitHeight = 26;

bool HasImage(const ViewState& v) { return v.ImageWidth > 0 && v.ImageHeight > 0; }

// One fifth of the visible size toward the start (sign < 0) or the end, within the image.
bool Scroll(int& origin, int size, int extent, int sign) {
    const int old = origin;
    if (sign < 0) {
        if (origin < 1) return false;
        origin -= size / 5;
        if (origin < 0) origin = 0;
    } else {
        const int limit = extent - size;
        if (origin >= limit) return false;
        origin += size / 5;
        if (origin > limit) origin = limit;
    }
    return origin != old;
}

ViewAction ZoomIn(ViewState& v, const ClientLayout& client) {
    if (v.Scale <= 0.06) return ViewAction::None;
    v.SourceX = TruncToInt(v.SourceX + v.SourceWidth * 0.05);
    v.SourceY = TruncToInt(v.SourceY + v.SourceHeight * 0.05);
    // Multiplied by 1/1.1, not divided by 1.1: 110 must become 100, not 99.
    v.SourceWidth = TruncToInt(v.SourceWidth * 0.9090909090909091);
    v.SourceHeight = TruncToInt(v.SourceHeight * 0.9090909090909091);
    RefitView(v, client);
    return ViewAction::Repaint;
}

ViewAction ZoomOut(ViewState& v, const ClientLayout& client) {
    if (IsWholeImage(v)) return ViewAction::None;
    v.SourceX = TruncToInt(v.SourceX - v.SourceWidth * 0.05);
    v.SourceY = TruncToInt(v.SourceY - v.SourceHeight * 0.05);
    v.SourceWidth = TruncToInt(v.SourceWidth * 1.1);
    v.SourceHeight = TruncToInt(v.SourceHeight * 1.1);
    if (v.SourceX < 0) v.SourceX = 0;
    if (v.SourceY < 0) v.SourceY = 0;
    if (v.SourceWidth > v.ImageWidth) v.SourceWidth = v.ImageWidth;
    if (v.SourceHeight > v.ImageHeight) v.SourceHeight = v.ImageHeight;
    RefitView(v, client);
    return ViewAction::Repaint;
}

ViewAction Repaint(bool changed) { return changed ? ViewAction::Repaint : ViewAction::None; }

}  // namespace

ViewMapping MappingOf(const ViewState& v) { return {v.DestX, v.DestY, v.SourceX, v.SourceY, v.Scale}; }

int ImageToWindow(int value, int origin, float scale) {
    const float quotient = static_cast<float>(value - origin) / scale;
    return TruncToInt(quotient);
}

int WindowToImage(int offset, int origin, float scale) {
    const float product = static_cast<float>(offset) * scale;
    const float sum = product + static_cast<float>(origin);
    return TruncToInt(sum);
}

void SetWholeImage(ViewState& v) {
    v.SourceX = 0;
    v.SourceWidth = v.ImageWidth;
    v.SourceY = 0;
    v.SourceHeight = v.ImageHeight;
}

void ClampSourceToImage(ViewState& v) {
    if (v.ImageWidth <= 0 || v.ImageHeight <= 0) return;
    v.SourceX = v.SourceX < 0 ? 0 : (v.SourceX >= v.ImageWidth ? 0 : v.SourceX);
    v.SourceY = v.SourceY < 0 ? 0 : (v.SourceY >= v.ImageHeight ? 0 : v.SourceY);
    if (v.SourceWidth <= 0 || v.SourceWidth > v.ImageWidth - v.SourceX) v.SourceWidth = v.ImageWidth - v.SourceX;
    if (v.SourceHeight <= 0 || v.SourceHeight > v.ImageHeight - v.SourceY) v.SourceHeight = v.ImageHeight - v.SourceY;
}

bool IsWholeImage(const ViewState& v) {
    return v.SourceX == 0 && v.SourceWidth == v.ImageWidth && v.SourceY == 0 &&
           v.SourceHeight == v.ImageHeight;
}

int BarsHeight(bool toolBarShown, bool statusBarShown) {
    return (toolBarShown ? kToolBarHeight : 0) + (statusBarShown ? kStatusBarHeight : 0);
}

ViewArea ViewAreaOf(int clientWidth, int clientHeight, bool toolBarShown, bool statusBarShown) {
    return {0, toolBarShown ? kToolBarHeight : 0, clientWidth,
            clientHeight - (statusBarShown ? kStatusBarHeight : 0)};
}

bool RefitView(ViewState& v, const ClientLayout& client) {
    if (!HasImage(v)) return false;
    const int cw = client.Width, ch = client.Height;
    const int bars = (client.StatusBarShown ? kStatusBarHeight : 0) +
                     (client.ToolBarShown ? kToolBarFitHeight : 0);
    // A minimised window would divide by zero or give a negative scale.
    if (cw <= 2 || ch - bars <= 2) return false;

    const float sx = static_cast<float>(v.SourceWidth) / static_cast<float>(cw - 2);
    const float sy = static_cast<float>(v.SourceHeight) / static_cast<float>(ch - bars - 2);
    v.Scale = sx > sy ? sx : sy;
    if (v.Scale <= 0.01) v.Scale = 0.01f;

    v.SourceWidth = TruncToInt(static_cast<float>(cw) * v.Scale);
    v.SourceHeight = TruncToInt(static_cast<float>(ch - bars) * v.Scale);
    const ViewArea area = ViewAreaOf(cw, ch, client.ToolBarShown, client.StatusBarShown);
    v.DestWidth = area.Width();
    v.DestHeight = area.Height();
    v.DrawWidth = v.SourceWidth;
    v.DrawHeight = v.SourceHeight;
    v.DestX = area.Left;
    v.DestY = area.Top;

    if (v.SourceWidth > v.ImageWidth - v.SourceX) {
        v.SourceWidth = v.DrawWidth = v.ImageWidth - v.SourceX;
        v.DestWidth = TruncToInt(static_cast<float>(v.DrawWidth) / v.Scale);
        v.DestX = (cw - v.DestWidth) / 2;
    }
    if (v.SourceHeight > v.ImageHeight - v.SourceY) {
        v.SourceHeight = v.DrawHeight = v.ImageHeight - v.SourceY;
        v.DestHeight = TruncToInt(static_cast<float>(v.DrawHeight) / v.Scale);
        v.DestY = (ch - v.DestHeight) / 2 + 3;
    }
    return true;
}

ViewAction ApplyViewKey(ViewState& v, ViewKey key, const ClientLayout& client) {
    switch (key) {
    case ViewKey::Up:
        if (IsWholeImage(v)) return ViewAction::PreviousEntry;
        if (!HasImage(v)) return ViewAction::None;
        return Repaint(Scroll(v.SourceY, v.SourceHeight, v.ImageHeight, -1));
    case ViewKey::Down:
        if (IsWholeImage(v)) return ViewAction::NextEntry;
        if (!HasImage(v)) return ViewAction::None;
        return Repaint(Scroll(v.SourceY, v.SourceHeight, v.ImageHeight, +1));
    default:
        break;
    }
    if (!HasImage(v)) return ViewAction::None;
    switch (key) {
    case ViewKey::Left: return Repaint(Scroll(v.SourceX, v.SourceWidth, v.ImageWidth, -1));
    case ViewKey::Right: return Repaint(Scroll(v.SourceX, v.SourceWidth, v.ImageWidth, +1));
    case ViewKey::PageUp: return ZoomIn(v, client);
    case ViewKey::PageDown: return ZoomOut(v, client);
    default: return ViewAction::None;
    }
}

ViewAction ApplyWheel(ViewState& v, int delta, int currentIndex, int lastIndex) {
    if (delta == 0) return ViewAction::None;
    if (IsWholeImage(v)) {
        if (delta < 0) return currentIndex < lastIndex ? ViewAction::NextEntry : ViewAction::None;
        return currentIndex >= 1 ? ViewAction::PreviousEntry : ViewAction::None;
    }
    if (!HasImage(v)) return ViewAction::None;
    return Repaint(Scroll(v.SourceY, v.SourceHeight, v.ImageHeight, delta < 0 ? +1 : -1));
}

void ZoomToRectangle(ViewState& v, int sx, int sy, int px, int py,
                     int outerWidth, int outerHeight, const ClientLayout& client) {
    if (!HasImage(v) || outerWidth <= 0 || outerHeight <= 0) return;
    // A release on or above-left of the start spans no rectangle to zoom to.
    if (px - sx <= 0 && py - sy <= 0) return;

    v.SourceX += TruncToInt(static_cast<float>(sx - v.DestX) * v.Scale);
    v.SourceY += TruncToInt(static_cast<float>(sy - v.DestY) * v.Scale);
    // A start in the margin beside a centred image would leave the bitmap.
    if (v.SourceX < 0) v.SourceX = 0;
    if (v.SourceX > v.ImageWidth - 1) v.SourceX = v.ImageWidth - 1;
    if (v.SourceY < 0) v.SourceY = 0;
    if (v.SourceY > v.ImageHeight - 1) v.SourceY = v.ImageHeight - 1;

    // 64-bit: a long drag across a large source would overflow the product.
    const int64_t a = int64_t{px - sx} * v.SourceWidth / outerWidth;
    const int64_t b = int64_t{py - sy} * v.SourceHeight / outerHeight;
    const float scaleX = static_cast<float>(a) / static_cast<float>(outerWidth);
    const float scaleY = static_cast<float>(b) / static_cast<float>(outerHeight);
    v.Scale = scaleX > scaleY ? scaleX : scaleY;
    if (v.Scale <= 0.05) v.Scale = 0.05f;

    v.SourceWidth = TruncToInt(static_cast<float>(outerWidth) * v.Scale);
    v.SourceHeight = TruncToInt(static_cast<float>(outerHeight) * v.Scale);
    if (v.SourceWidth > v.ImageWidth - v.SourceX) v.SourceWidth = v.ImageWidth - v.SourceX;
    if (v.SourceHeight > v.ImageHeight - v.SourceY) v.SourceHeight = v.ImageHeight - v.SourceY;
    RefitView(v, client);
}

int ClassifyDirection(int sx, int sy, int px, int py) {
    const int64_t dx = int64_t{px} - sx, dy = int64_t{py} - sy;
    if (dx * dx + dy * dy < 300) return 0;
    const bool down = py >= sy;
    if (px > sx) {
        if (!down) return dx < -dy ? 1 : 2;
        return dy > dx ? 5 : 4;
    }
    if (down) return dy > -dx ? 7 : 8;
    return -dx < -dy ? 11 : 10;
}
