#include "base/Utf8Text.h"

#include <cstdint>
#include <vector>

#include "base/Cp932.h"

namespace {

// Length of the well-formed character at text[i], or 0.
size_t CharLength(std::string_view text, size_t i, uint32_t& cp) {
    const uint8_t c = uint8_t(text[i]);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t n;
    uint32_t min;
    if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000, cp = c & 0x07;
    else return 0;
    if (text.size() - i < n) return 0;
    for (size_t k = 1; k < n; ++k) {
        const uint8_t t = uint8_t(text[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

bool IsUtf8Text(std::string_view text) {
    bool high = false;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        const size_t n = CharLength(text, i, cp);
        if (n == 0) return false;
        high |= n > 1;
        i += n;
    }
    return high;
}

size_t Utf8ToCp932(std::string_view text, char* out, size_t size) {
    std::vector<uint16_t> units;
    units.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        size_t n = CharLength(text, i, cp);
        if (n == 0) {
            cp = '?';
            n = 1;
        }
        if (cp == 0) break;
        if (cp >= 0x10000) {
            // Utf16ToCp932 turns a pair into one '?', as Windows does.
            cp -= 0x10000;
            units.push_back(uint16_t(0xD800 | cp >> 10));
            units.push_back(uint16_t(0xDC00 | (cp & 0x3FF)));
        } else {
            units.push_back(uint16_t(cp));
        }
        i += n;
    }
    return Utf16ToCp932(units.data(), units.size(), out, size);
}

size_t Utf8Fit(std::string_view text, size_t max) {
    if (text.size() <= max) return text.size();
    size_t n = max;
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    return n;
}
