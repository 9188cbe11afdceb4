// One fuzz body for the libFuzzer target and the crasher replay: a file the reader takes is
// written again and must read back to the same records; one it refuses must not reach the
// output.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "graffiti/TrdFile.h"

inline bool SameTrdStore(const GraffitiStore& a, const GraffitiStore& b) {
    if (a.LineCount() != b.LineCount() || a.EllipseCount() != b.EllipseCount() || a.TextCount() != b.TextCount())
        return false;
    for (int i = 0; i < a.LineCount(); ++i)
        if (std::memcmp(&a.Line(i), &b.Line(i), sizeof(GraffitiLine)) != 0) return false;
    for (int i = 0; i < a.EllipseCount(); ++i)
        if (std::memcmp(&a.Ellipse(i), &b.Ellipse(i), sizeof(GraffitiEllipse)) != 0) return false;
    for (int i = 0; i < a.TextCount(); ++i)
        if (std::memcmp(&a.Text(i), &b.Text(i), sizeof(GraffitiText)) != 0) return false;
    const GraffitiExtent x = a.Extent(), y = b.Extent();
    return x.MinX == y.MinX && x.MaxX == y.MaxX && x.MinY == y.MinY && x.MaxY == y.MaxY;
}

inline void FuzzTrdFile(const uint8_t* data, size_t size) {
    static const std::unique_ptr<TrdContents> first = std::make_unique<TrdContents>(),
                                              second = std::make_unique<TrdContents>();
    first->Store.Clear();
    first->Background = "untouched";
    const int rc = DecodeTrd(data, size, *first);
    if (rc != 0) {
        if (rc != kTrdBadMagic && rc != kTrdCorrupt) __builtin_trap();
        if (first->Background != "untouched" || first->Store.TotalCount() != 0) __builtin_trap();
        return;
    }
    for (int i = 0; i < first->Store.TextCount(); ++i) {
        const GraffitiText& t = first->Store.Text(i);
        if (t.Font[kFontBytes - 1] != 0 || t.Text[kTextBytes - 1] != 0) __builtin_trap();
    }
    const std::vector<uint8_t> again = EncodeTrd(first->Store, first->Background);
    if (DecodeTrd(again.data(), again.size(), *second) != 0) __builtin_trap();
    if (second->OldFormat || second->Background != first->Background) __builtin_trap();
    if (!SameTrdStore(first->Store, second->Store)) __builtin_trap();
    // The current form is its own fixed point.
    if (!first->OldFormat && (again.size() > size || std::memcmp(again.data(), data, again.size()) != 0))
        __builtin_trap();
}
