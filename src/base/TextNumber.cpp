#include "base/TextNumber.h"

#include <algorithm>

std::optional<int32_t> ParseWholeNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (text[i] - '0'), INT32_MAX);
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size()) return std::nullopt;
    return int32_t(negative ? -v : v);
}
