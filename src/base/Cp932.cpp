#include "base/Cp932.h"

#include <algorithm>
#include <array>

namespace {

int LeadIndex(uint8_t lead) {
    if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xFC) return lead - 0xE0 + 31;
    return -1;
}

int TrailIndex(uint8_t trail) {
    if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
    if (trail >= 0x80 && trail <= 0xFC) return trail - 0x80 + 63;
    return -1;
}

uint8_t LeadOf(int index) { return uint8_t(index < 31 ? 0x81 + index : 0xE0 + index - 31); }
uint8_t TrailOf(int index) { return uint8_t(index < 63 ? 0x40 + index : 0x80 + index - 63); }

struct Pair {
    uint16_t Unicode, Code;
};
constexpr size_t kCells = 60 * 188;

// Lower rank wins when one character has several codes.
int Rank(uint16_t code) {
    uint8_t lead = uint8_t(code >> 8);
    if (lead == 0xED || lead == 0xEE) return 3;   // NEC-selected IBM extensions
    if (lead >= 0xFA && lead <= 0xFC) return 2;   // IBM extensions
    if (lead == 0x87) return 1;                   // NEC row 13
    return 0;
}

struct ReverseTable {
    std::array<Pair, kCells> Pairs;
    size_t Count = 0;
    ReverseTable() {
        for (int l = 0; l < 60; ++l)
            for (int t = 0; t < 188; ++t)
                if (uint16_t u = kCp932DoubleByte[l][t]) Pairs[Count++] = {u, uint16_t(LeadOf(l) << 8 | TrailOf(t))};
        std::sort(Pairs.begin(), Pairs.begin() + Count, [](const Pair& a, const Pair& b) {
            if (a.Unicode != b.Unicode) return a.Unicode < b.Unicode;
            if (Rank(a.Code) != Rank(b.Code)) return Rank(a.Code) < Rank(b.Code);
            return a.Code < b.Code;
        });
    }
};

const ReverseTable& Reverse() {
    static const ReverseTable table;
    return table;
}

void PutUtf8(std::string& out, uint32_t u) {
    if (u < 0x80) {
        out += char(u);
    } else if (u < 0x800) {
        out += char(0xC0 | u >> 6);
        out += char(0x80 | (u & 0x3F));
    } else {
        out += char(0xE0 | u >> 12);
        out += char(0x80 | (u >> 6 & 0x3F));
        out += char(0x80 | (u & 0x3F));
    }
}

}  // namespace

uint16_t Cp932DoubleToUnicode(uint8_t lead, uint8_t trail) {
    int l = LeadIndex(lead), t = TrailIndex(trail);
    return (l < 0 || t < 0) ? 0 : kCp932DoubleByte[l][t];
}

int UnicodeToCp932(uint16_t u, char out[2]) {
    if (u < 0x80) {
        out[0] = char(u);
        return 1;
    }
    if (u >= 0xFF61 && u <= 0xFF9F) {
        out[0] = char(u - 0xFF61 + 0xA1);
        return 1;
    }
    const ReverseTable& r = Reverse();
    const Pair* end = r.Pairs.data() + r.Count;
    const Pair* p = std::lower_bound(r.Pairs.data(), end, u, [](const Pair& a, uint16_t v) { return a.Unicode < v; });
    if (p != end && p->Unicode == u) {
        out[0] = char(p->Code >> 8);
        out[1] = char(p->Code & 0xFF);
        return 2;
    }
    const Cp932BestFit* fits = kCp932BestFit + kCp932BestFitCount;
    const Cp932BestFit* f = std::lower_bound(kCp932BestFit, fits, u,
                                             [](const Cp932BestFit& a, uint16_t v) { return a.Unicode < v; });
    if (f == fits || f->Unicode != u) return 0;
    if (f->Code < 0x100) {
        out[0] = char(f->Code);
        return 1;
    }
    out[0] = char(f->Code >> 8);
    out[1] = char(f->Code & 0xFF);
    return 2;
}

size_t Utf16ToCp932(const uint16_t* units, size_t count, char* out, size_t size) {
    if (size == 0) return 0;
    size_t n = 0;
    for (size_t i = 0; i < count && units[i] != 0; ++i) {
        uint16_t u = units[i];
        char bytes[2];
        int len;
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) ++i;
            bytes[0] = kCp932Fallback;
            len = 1;
        } else {
            len = UnicodeToCp932(u, bytes);
            if (len == 0) {
                bytes[0] = kCp932Fallback;
                len = 1;
            }
        }
        if (n + size_t(len) > size - 1) break;
        for (int k = 0; k < len; ++k) out[n++] = bytes[k];
    }
    out[n] = 0;
    return n;
}

std::string Cp932ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        uint8_t c = uint8_t(text[i]);
        if (c < 0x80) {
            out += char(c);
        } else if (c >= 0xA1 && c <= 0xDF) {
            PutUtf8(out, 0xFF61 + c - 0xA1);
        } else if (LeadIndex(c) >= 0 && i + 1 < text.size()) {
            uint16_t u = Cp932DoubleToUnicode(c, uint8_t(text[i + 1]));
            if (u != 0 || TrailIndex(uint8_t(text[i + 1])) >= 0) ++i;
            PutUtf8(out, u ? u : 0xFFFD);
        } else {
            PutUtf8(out, 0xFFFD);
        }
    }
    return out;
}
