// One fuzz body for the libFuzzer target and the crasher replay: the first byte picks the
// coordinate text or the clipboard block reader; what either accepts must be consistent.
#pragma once
#include <cstddef>
#include <cstdint>

#include "jww/JwwFormat.h"

inline void FuzzJwwReader(const uint8_t* data, size_t size) {
    if (size == 0) return;
    JwContent c;
    if (data[0] & 1) {
        if (!ReadJwBlock(data + 1, size - 1, c).empty()) return;
        if (c.Lines.size() + c.Ellipses.size() + c.Texts.size() != c.Count) __builtin_trap();
        if (c.BlockBytesUsed > size - 1) __builtin_trap();
        return;
    }
    if (!ReadJwCoordinateText(data + 1, size - 1, c).empty()) return;
    // What was read, written again, reads back to as many objects.
    std::string again;
    for (const JwLineItem& l : c.Lines) AppendJwLine(again, l.X1, l.Y1, l.X2, l.Y2, l.Blanks);
    for (const JwPointItem& p : c.Points) AppendJwPoint(again, p.X, p.Y);
    for (const JwTextItem& t : c.Texts) AppendJwText(again, t.X, t.Y, t.Text);
    JwContent d;
    if (!ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(again.data()), again.size(), d).empty()) __builtin_trap();
    if (d.Lines.size() != c.Lines.size() || d.Points.size() != c.Points.size() || d.Texts.size() != c.Texts.size())
        __builtin_trap();
}
