#include "graffiti/GraffitiStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/SjisText.h"

namespace {

int32_t ClampToInt32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int64_t Distance(int32_t a, int32_t b) { return std::abs(int64_t(a) - int64_t(b)); }

// A field without its NUL is cut on a character boundary; the bytes after the NUL are
// zeroed so equal texts are equal records.
void TerminateField(char* field, size_t size) {
    size_t n = strnlen(field, size);
    if (n == size) {
        char copy[kTextBytes];
        std::memcpy(copy, field, size);
        CopySjis(field, size, std::string_view(copy, size));
        n = std::strlen(field);
    }
    std::memset(field + n, 0, size - n);
}

void TerminateStrings(GraffitiText& t) {
    TerminateField(t.Font, sizeof t.Font);
    TerminateField(t.Text, sizeof t.Text);
}

std::string_view FieldText(const char* field, size_t size) { return std::string_view(field, strnlen(field, size)); }

struct Box64 {
    int64_t Left, Top, Right, Bottom;
    void Add(int32_t x, int32_t y) {
        Left = std::min<int64_t>(Left, x);
        Right = std::max<int64_t>(Right, x);
        Top = std::min<int64_t>(Top, y);
        Bottom = std::max<int64_t>(Bottom, y);
    }
};

Box64 BoxOf(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Box64 b{x1, y1, x1, y1};
    b.Add(x2, y2);
    return b;
}

IntBox Grown(const Box64& b, int64_t margin) {
    return {ClampToInt32(b.Left - margin), ClampToInt32(b.Top - margin), ClampToInt32(b.Right + margin),
            ClampToInt32(b.Bottom + margin)};
}

constexpr IntBox kNoBox = {0, 0, -1, -1};

}  // namespace

TextMetrics MeasureText(std::string_view text) {
    size_t rows = 1, longest = 0, current = 0;
    for (char c : text) {
        if (c == '\n') {
            ++rows;
            current = 0;
        } else if (c != '\r') {
            longest = std::max(longest, ++current);
        }
    }
    constexpr size_t kMax = size_t(std::numeric_limits<int>::max());
    return {int(std::min(longest + 1, kMax)), int(std::min(rows, kMax))};
}

std::string_view TextLine(std::string_view text, int n) {
    if (n < 1) return {};
    size_t start = 0;
    for (int line = 1; line < n; ++line) {
        const size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) return {};
        start = lf + 1;
    }
    const size_t lf = text.find('\n', start);
    std::string_view line = lf == std::string_view::npos ? text.substr(start) : text.substr(start, lf - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool SetTextStrings(GraffitiText& t, std::string_view font, std::string_view text) {
    const std::string_view f = font.substr(0, font.find('\0')), x = text.substr(0, text.find('\0'));
    std::memset(t.Font, 0, sizeof t.Font);
    std::memset(t.Text, 0, sizeof t.Text);
    const bool fontWhole = CopySjis(t.Font, sizeof t.Font, f), textWhole = CopySjis(t.Text, sizeof t.Text, x);
    return fontWhole && textWhole && f.size() == font.size() && x.size() == text.size();
}

void GraffitiStore::Clear() {
    std::memset(lines_, 0, sizeof lines_);
    std::memset(ellipses_, 0, sizeof ellipses_);
    std::memset(texts_, 0, sizeof texts_);
    lineCount_ = ellipseCount_ = textCount_ = 0;
    extent_ = {30000, 0, 30000, 0};
}

void GraffitiStore::Widen(int32_t x, int32_t y) {
    extent_.MinX = std::min(extent_.MinX, x);
    extent_.MaxX = std::max(extent_.MaxX, x);
    extent_.MinY = std::min(extent_.MinY, y);
    extent_.MaxY = std::max(extent_.MaxY, y);
}

void GraffitiStore::WidenText(const GraffitiText& t) {
    Widen(t.X1, t.Y1);
    Widen(t.X2, t.Y2);
    Widen(t.LeaderX, t.LeaderY);
}

int GraffitiStore::AddLine(const GraffitiLine& l) {
    if (l.X1 == l.X2 && l.Y1 == l.Y2) return 0;
    return RestoreLine(l);
}

int GraffitiStore::AddEllipse(const GraffitiEllipse& e) {
    if (e.X1 == e.X2 && e.Y1 == e.Y2) return 0;
    return RestoreEllipse(e);
}

int GraffitiStore::PutText(const GraffitiText& t, int index) {
    if (index < -1 || index >= textCount_) return kGraffitiBadIndex;
    if (t.X1 == t.X2 && t.Y1 == t.Y2) return 0;
    if (index == -1 && textCount_ == kMaxTexts) return kGraffitiFull;
    GraffitiText& slot = texts_[index == -1 ? textCount_++ : index];
    slot = t;
    if (slot.LeaderX == slot.X1 && slot.LeaderY == slot.Y1) slot.LeaderX = ClampToInt32(int64_t(slot.X1) - 5);
    TerminateStrings(slot);
    WidenText(slot);
    return 0;
}

template <typename Record>
static int DeleteSlot(Record* records, int& count, int i) {
    if (i < 0 || i >= count) return kGraffitiBadIndex;
    --count;
    if (i != count) records[i] = records[count];
    std::memset(&records[count], 0, sizeof(Record));
    return 0;
}

int GraffitiStore::DeleteLine(int i) { return DeleteSlot(lines_, lineCount_, i); }
int GraffitiStore::DeleteEllipse(int i) { return DeleteSlot(ellipses_, ellipseCount_, i); }
int GraffitiStore::DeleteText(int i) { return DeleteSlot(texts_, textCount_, i); }

static int SetPoints(GraffitiLine* records, int count, int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (i < 0 || i >= count) return kGraffitiBadIndex;
    records[i].X1 = x1;
    records[i].Y1 = y1;
    records[i].X2 = x2;
    records[i].Y2 = y2;
    return 0;
}

int GraffitiStore::SetLinePoints(int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (SetPoints(lines_, lineCount_, i, x1, y1, x2, y2) != 0) return kGraffitiBadIndex;
    Widen(x1, y1);
    Widen(x2, y2);
    return 0;
}

int GraffitiStore::SetEllipsePoints(int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (SetPoints(ellipses_, ellipseCount_, i, x1, y1, x2, y2) != 0) return kGraffitiBadIndex;
    Widen(x1, y1);
    Widen(x2, y2);
    return 0;
}

int GraffitiStore::SetTextPoints(int i, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t leaderX,
                                 int32_t leaderY) {
    if (i < 0 || i >= textCount_) return kGraffitiBadIndex;
    GraffitiText& t = texts_[i];
    t.X1 = x1;
    t.Y1 = y1;
    t.X2 = x2;
    t.Y2 = y2;
    t.LeaderX = leaderX == x1 && leaderY == y1 ? ClampToInt32(int64_t(x1) - 5) : leaderX;
    t.LeaderY = leaderY;
    WidenText(t);
    return 0;
}

static int SetAttributes(GraffitiLine* records, int count, int i, ColorRef colour, ColorRef fill, ColorRef shadow,
                         int32_t width, uint32_t style) {
    if (i < 0 || i >= count) return kGraffitiBadIndex;
    GraffitiLine& r = records[i];
    r.Colour = colour;
    r.Fill = fill;
    r.Shadow = shadow;
    r.Width = width;
    r.Style = style;
    return 0;
}

int GraffitiStore::SetLineAttributes(int i, ColorRef colour, ColorRef fill, ColorRef shadow, int32_t width,
                                     uint32_t style) {
    return SetAttributes(lines_, lineCount_, i, colour, fill, shadow, width, style);
}

int GraffitiStore::SetEllipseAttributes(int i, ColorRef colour, ColorRef fill, ColorRef shadow, int32_t width,
                                        uint32_t style) {
    return SetAttributes(ellipses_, ellipseCount_, i, colour, fill, shadow, width, style);
}

int GraffitiStore::SetTextAttributes(int i, ColorRef colour, ColorRef background, ColorRef shadow, uint32_t style) {
    if (i < 0 || i >= textCount_) return kGraffitiBadIndex;
    GraffitiText& t = texts_[i];
    t.Colour = colour;
    t.Background = background;
    t.Shadow = shadow;
    t.Style = style;
    return 0;
}

int GraffitiStore::CellSize(int i, int32_t& w, int32_t& h) const {
    if (i < 0 || i >= textCount_) return kGraffitiBadIndex;
    const GraffitiText& t = texts_[i];
    const int64_t width = Distance(t.X1, t.X2), height = Distance(t.Y1, t.Y2);
    if (width == 0 || height == 0) return -1;
    const TextMetrics m = MeasureText(FieldText(t.Text, sizeof t.Text));
    w = ClampToInt32(width / m.Columns);
    h = ClampToInt32(height / m.Rows);
    return 0;
}

bool GraffitiStore::EllipseMeasures(int i, double& halfWidth, double& flatness) const {
    halfWidth = flatness = 0;
    if (i < 0 || i >= ellipseCount_) return false;
    const GraffitiEllipse& e = ellipses_[i];
    const int64_t width = Distance(e.X1, e.X2);
    if (width == 0) return false;
    halfWidth = double(width) / 2;
    flatness = double(Distance(e.Y1, e.Y2)) / double(width);
    return true;
}

bool GraffitiStore::MeetsRectangle(GraffitiKind kind, int i, int32_t x, int32_t y, int32_t w, int32_t h) const {
    Box64 box;
    if (kind == kGraffitiLine && i >= 0 && i < lineCount_) {
        box = BoxOf(lines_[i].X1, lines_[i].Y1, lines_[i].X2, lines_[i].Y2);
    } else if (kind == kGraffitiEllipse && i >= 0 && i < ellipseCount_) {
        box = BoxOf(ellipses_[i].X1, ellipses_[i].Y1, ellipses_[i].X2, ellipses_[i].Y2);
    } else if (kind == kGraffitiText && i >= 0 && i < textCount_) {
        const GraffitiText& t = texts_[i];
        box = BoxOf(t.X1, t.Y1, t.X2, t.Y2);
        box.Add(t.LeaderX, t.LeaderY);
    } else {
        return false;
    }
    const int64_t left = std::min<int64_t>(x, int64_t(x) + w), right = std::max<int64_t>(x, int64_t(x) + w);
    const int64_t top = std::min<int64_t>(y, int64_t(y) + h), bottom = std::max<int64_t>(y, int64_t(y) + h);
    return box.Left <= right && left <= box.Right && box.Top <= bottom && top <= box.Bottom;
}

IntBox GraffitiStore::RepaintBox(GraffitiKind kind, int i) const {
    if (kind == kGraffitiLine && i >= 0 && i < lineCount_) {
        const GraffitiLine& l = lines_[i];
        const int64_t codes = std::max(StartSizeCode(l.Style), EndSizeCode(l.Style)) + 1;
        return Grown(BoxOf(l.X1, l.Y1, l.X2, l.Y2), std::max<int64_t>(l.Width, 0) * codes);
    }
    if (kind == kGraffitiEllipse && i >= 0 && i < ellipseCount_) {
        const GraffitiEllipse& e = ellipses_[i];
        return Grown(BoxOf(e.X1, e.Y1, e.X2, e.Y2), std::max<int64_t>(e.Width, 0));
    }
    if (kind == kGraffitiText && i >= 0 && i < textCount_) {
        const GraffitiText& t = texts_[i];
        Box64 box = BoxOf(t.X1, t.Y1, t.X2, t.Y2);
        if ((t.Style & kFrameMask) == kFrameLeader) box.Add(t.LeaderX, t.LeaderY);
        return Grown(box, 15);
    }
    return kNoBox;
}

// Lines and ellipses share their record, so one restore serves both tables.
int GraffitiStore::RestoreShape(GraffitiLine* table, int& count, int capacity, const GraffitiLine& l) {
    if (count == capacity) return kGraffitiFull;
    table[count++] = l;
    Widen(l.X1, l.Y1);
    Widen(l.X2, l.Y2);
    return 0;
}

int GraffitiStore::RestoreLine(const GraffitiLine& l) { return RestoreShape(lines_, lineCount_, kMaxLines, l); }

int GraffitiStore::RestoreEllipse(const GraffitiEllipse& e) {
    return RestoreShape(ellipses_, ellipseCount_, kMaxEllipses, e);
}

int GraffitiStore::RestoreText(const GraffitiText& t) {
    if (textCount_ == kMaxTexts) return kGraffitiFull;
    GraffitiText& slot = texts_[textCount_++];
    slot = t;
    TerminateStrings(slot);
    WidenText(slot);
    return 0;
}
