#include "base/SjisText.h"

#include <cstring>

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool IsSjisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

size_t LastPathSeparator(std::string_view path, PathRule rule) {
    if (rule == PathRule::Posix) return path.rfind('/');
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsSjisLead(c) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/') last = i;
    }
    return last;
}

static char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SjisEqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsSjisLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool CopySjis(char* out, size_t size, std::string_view text) {
    if (size == 0) return false;
    size_t n = 0;
    while (n < text.size()) {
        size_t step = (IsSjisLead(static_cast<unsigned char>(text[n])) && n + 1 < text.size()) ? 2 : 1;
        if (n + step > size - 1) break;
        n += step;
    }
    if (n > 0) std::memcpy(out, text.data(), n);
    out[n] = 0;
    return n == text.size();
}

namespace {

// The length of the character at text[i] that may stand in a line as it is; 0 when the byte
// must become a blank.
size_t LineCharacter(std::string_view text, size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsSjisLead(c)) return i + 1 < text.size() && IsSjisTrail(static_cast<unsigned char>(text[i + 1])) ? 2 : 0;
    return c < 0x20 || c == 0x7F ? 0 : 1;
}

}  // namespace

void AppendOneLine(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = LineCharacter(text, i);
        if (n == 0) {
            out += ' ';
            ++i;
        } else {
            out.append(text.data() + i, n);
            i += n;
        }
    }
}

bool IsOneLine(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = LineCharacter(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

int SplitPath(std::string_view path, PathParts& out) {
    PathParts parts{};
    std::string_view rest = path;
    if (rest.size() >= 2 && rest[1] == ':' && !IsSjisLead(static_cast<unsigned char>(rest[0]))) {
        parts.Drive[0] = rest[0];
        parts.Drive[1] = ':';
        rest.remove_prefix(2);
    }
    size_t sep = LastPathSeparator(rest, PathRule::Cp932);
    std::string_view folder = sep == std::string_view::npos ? std::string_view() : rest.substr(0, sep + 1);
    std::string_view file = sep == std::string_view::npos ? rest : rest.substr(sep + 1);
    // The extension starts at the last dot of the file name; a trail byte is never a dot
    // (0x2E is below the trail range), so a plain search is safe here.
    size_t dot = file.rfind('.');
    std::string_view name = dot == std::string_view::npos ? file : file.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : file.substr(dot);
    if (!CopySjis(parts.Folder, sizeof parts.Folder, folder) || !CopySjis(parts.Name, sizeof parts.Name, name) ||
        !CopySjis(parts.Extension, sizeof parts.Extension, ext))
        return -1;
    out = parts;
    return 0;
}
