#include "graffiti/GraffitiStore.h"

// CR and LF never occur as the second byte of a Shift-JIS character, so bytes are scanned
// one at a time.

TextMetrics MeasureText(std::string_view text) {
    int rows = 1, columns = 0, line = 0;
    for (char c : text) {
        if (c == '\n') {
            ++rows;
            line = 0;
        } else if (c != '\r' && ++line > columns) {
            columns = line;
        }
    }
    return {columns + 1, rows};
}

std::string_view TextLine(std::string_view text, int n) {
    size_t start = 0;
    for (; n > 1; --n) {
        const size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) return {};
        start = lf + 1;
    }
    if (n < 1) return {};
    std::string_view line = text.substr(start, text.find('\n', start) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}
