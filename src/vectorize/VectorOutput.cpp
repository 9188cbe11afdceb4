#include "vectorize/VectorOutput.h"

#include <algorithm>
#include <new>
#include <string>

#include "base/Limits.h"

int WidthClassColour(float widthPx, int32_t dpi) {
    if (dpi <= 0) dpi = 200;
    // mm < tenths / 10  <=>  px * 254 < tenths * dpi: exact for half-pixel widths, so a width
    // right on an edge falls on the same side every time.
    const double scaled = double(widthPx) * 254.0;
    if (scaled < double(kThinBelowTenthsMm) * dpi) return kThinColour;
    if (scaled < double(kMiddleBelowTenthsMm) * dpi) return kMiddleColour;
    return kThickColour;
}

bool HasLineWidths(const LineStore& store) {
    for (int32_t i = 1; i < store.EndpointCount(); i += 2)
        if (store.LineWidth(i) > 0) return true;
    return false;
}

uint64_t VectorBlockBytes(const LineStore& store) { return uint64_t(49) * uint64_t(store.EndpointCount()) + 200; }

size_t BuildVectorBlock(const LineStore& store, int32_t dpi, int32_t scale, uint8_t* out, size_t capacity) {
    const uint32_t lines = uint32_t(store.LineCount());
    const size_t header = WriteJwHeader(out, capacity, 0.0, 0.0, double(scale), lines);
    if (header == 0) return 0;
    const JwwPaperTransform t = ClipboardTransform(dpi, scale);
    JwPen pen{1, 1, 0};
    JwBlockWriter w(out + header, capacity - header);
    for (int32_t i = 1; i < store.EndpointCount() && w.Ok(); i += 2) {
        const uint32_t a = store.Position(i), b = store.Position(i + 1);
        pen.Colour = uint16_t(WidthClassColour(store.LineWidth(i), dpi));
        WriteJwSenRecord(w, pen, t.X(PointX(a)), t.Y(PointY(a)), t.X(PointX(b)), t.Y(PointY(b)));
    }
    return w.Ok() ? header + w.Size() : 0;
}

bool WriteVectorText(const LineStore& store, int32_t dpi, int32_t scale,
                     const std::function<bool(const char*, size_t)>& put, const std::function<void(int)>& progress) {
    constexpr size_t kChunk = 1 << 16;
    const JwwPaperTransform t = TextFileTransform(dpi, scale);
    const int32_t endpoints = store.EndpointCount();
    const int32_t step = endpoints / 100 > 0 ? endpoints / 100 : 1;
    int32_t nextTick = step;
    int percent = 1;
    if (progress) progress(percent);
    std::string text;
    text.reserve(kChunk + 256);
    const bool widths = HasLineWidths(store);
    int colour = 0;
    for (int32_t i = 1; i < endpoints; i += 2) {
        const uint32_t a = store.Position(i), b = store.Position(i + 1);
        if (widths) {
            const int c = WidthClassColour(store.LineWidth(i), dpi);
            if (c != colour) AppendJwColour(text, colour = c);
        }
        AppendJwLine(text, t.X(PointX(a)), t.Y(PointY(a)), t.X(PointX(b)), t.Y(PointY(b)));
        if (text.size() >= kChunk) {
            if (!put(text.data(), text.size())) return false;
            text.clear();
        }
        if (progress && i + 1 >= nextTick) {
            nextTick += step;
            if (percent < 100) progress(++percent);
        }
    }
    return text.empty() || put(text.data(), text.size());
}

ViewBlockResult BuildViewBlock(const ViewBlockInput& in, std::vector<uint8_t>& out) {
    out.clear();
    const GraffitiImageRect& r = in.Region;
    // The view's lines: those whose points lie in the shown pixels (1-based).
    const int32_t left = r.X + 1, top = r.Y + 1, right = r.X + r.W, bottom = r.Y + r.H;
    uint64_t lineCount = 0;
    if (in.Lines) ForEachLineIn(*in.Lines, left, top, right, bottom, [&](int, int, int, int) { ++lineCount; });
    const uint64_t bound = kJwLongHeaderBytes + (in.Graffiti ? GraffitiRecordBytesBound(*in.Graffiti) : 0) +
                           lineCount * (kJwSenBytes + kJwMaxTagBytes);
    if (bound > kMaxFileBytes) return ViewBlockResult::TooLarge;
    try {
        out.assign(size_t(bound), 0);
    } catch (const std::bad_alloc&) {
        return ViewBlockResult::NoMemory;
    }
    JwBlockWriter w(out.data() + kJwLongHeaderBytes, out.size() - kJwLongHeaderBytes);
    JwExtent extent;
    if (in.Graffiti) AppendGraffitiRecords(w, *in.Graffiti, in.GraffitiSettings, extent, r);
    if (in.Lines) {
        JwPen pen{1, 1, 0};
        ForEachLineIndexIn(*in.Lines, left, top, right, bottom, [&](int32_t i, int x1, int y1, int x2, int y2) {
            pen.Colour = uint16_t(WidthClassColour(in.Lines->LineWidth(i), in.Dpi));
            const double ax = x1 * 0.0254, ay = -y1 * 0.0254, bx = x2 * 0.0254, by = -y2 * 0.0254;
            WriteJwSenRecord(w, pen, ax, ay, bx, by);
            extent.Add(ax, ay);
            extent.Add(bx, by);
        });
    }
    if (!w.Ok()) {  // the bound above is a promise; a broken one must not go out half-written
        out.clear();
        return ViewBlockResult::TooLarge;
    }
    const double refX = extent.Empty() ? 0 : (extent.MinX + extent.MaxX) * 0.5 * 10;
    const double refY = extent.Empty() ? 0 : (extent.MinY + extent.MaxY) * 0.5 * 10;
    const size_t header = JwHeaderBytes(w.ObjectCount());
    // The records were written after room for the longer header; close the gap.
    std::copy(out.begin() + kJwLongHeaderBytes, out.begin() + kJwLongHeaderBytes + w.Size(), out.begin() + header);
    out.resize(header + w.Size() + 200);
    std::fill(out.begin() + header + w.Size(), out.end(), 0);
    WriteJwHeader(out.data(), header, refX, refY, in.Scale != 0 ? double(in.Scale) : 100.0, w.ObjectCount());
    return ViewBlockResult::Built;
}
