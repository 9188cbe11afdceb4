#include "shell/Startup.h"

#include <cstring>

int ParseCommandLine(std::string_view commandLine, char* out, size_t size) {
    if (size == 0) return -1;
    out[0] = 0;
    if (commandLine.empty()) return 0;
    std::string_view path = commandLine;
    if (path.front() == '"') {
        path.remove_prefix(1);
        size_t close = path.find('"');
        if (close != std::string_view::npos) path = path.substr(0, close);
    }
    if (path.size() >= size) return -1;
    std::memcpy(out, path.data(), path.size());
    out[path.size()] = 0;
    return 1;
}

WindowRect ValidateSavedPosition(const WindowRect& saved, const IntRect& desktop) {
    if (saved.Left < 0 || saved.Left > desktop.Right || saved.Top < 0 || saved.Top > desktop.Bottom)
        return kDefaultWindowRect;
    // A zero or negative size would leave an invisible window that no restart repairs.
    if (saved.Width < 100 || saved.Height < 100 || saved.Width > 32767 || saved.Height > 32767)
        return kDefaultWindowRect;
    return saved;
}

StatusParts StatusPartEdges(int clientWidth) { return {{clientWidth - 250, clientWidth - 150, clientWidth}}; }

int ViewHeight(int clientHeight, bool statusBarShown, bool toolBarShown) {
    return ViewAreaOf(0, clientHeight, toolBarShown, statusBarShown).Height();
}

int32_t DayNumber(int year, int month, int day) { return year * 365 + month * 30 + day - 730030; }

int64_t ParseVersionReply(const char* bytes, size_t size) {
    size_t i = 0;
    while (i < size && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    if (i >= size || bytes[i] < '0' || bytes[i] > '9') return -1;
    int64_t value = 0;
    for (; i < size && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
        if (value > (INT64_MAX - 9) / 10) return -1;
        value = value * 10 + (bytes[i] - '0');
    }
    return value;
}
