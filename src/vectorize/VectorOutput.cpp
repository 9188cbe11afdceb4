#include "vectorize/VectorOutput.h"

#include <string>

uint64_t VectorBlockBytes(const LineStore& store) { return uint64_t(49) * uint64_t(store.EndpointCount()) + 200; }

size_t BuildVectorBlock(const LineStore& store, int32_t dpi, int32_t scale, uint8_t* out, size_t capacity) {
    const uint32_t lines = uint32_t(store.LineCount());
    const size_t header = WriteJwHeader(out, capacity, 0.0, 0.0, double(scale), lines);
    if (header == 0) return 0;
    const JwwPaperTransform t = ClipboardTransform(dpi, scale);
    const JwPen pen{1, 1, 0};
    JwBlockWriter w(out + header, capacity - header);
    for (int32_t i = 1; i < store.EndpointCount() && w.Ok(); i += 2) {
        const uint32_t a = store.Position(i), b = store.Position(i + 1);
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
    for (int32_t i = 1; i < endpoints; i += 2) {
        const uint32_t a = store.Position(i), b = store.Position(i + 1);
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
