// A segment as the store's tests compare them, printed readably by GoogleTest.
#pragma once
#include <ostream>
#include <tuple>

struct Seg {
    int x1, y1, x2, y2;
    bool operator==(const Seg& o) const { return std::tie(x1, y1, x2, y2) == std::tie(o.x1, o.y1, o.x2, o.y2); }
    bool operator<(const Seg& o) const { return std::tie(x1, y1, x2, y2) < std::tie(o.x1, o.y1, o.x2, o.y2); }
};

inline void PrintTo(const Seg& s, std::ostream* os) {
    *os << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
}
