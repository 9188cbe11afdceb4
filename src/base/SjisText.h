// Shift-JIS aware text and path helpers. Every scan of Shift-JIS bytes goes through
// IsSjisLead, so a trail byte such as the 0x5C of "表" is never taken for a separator.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

bool IsSjisLead(unsigned char c);
// 0x40..0x7E and 0x80..0xFC: never a control byte, a blank or a dot.
bool IsSjisTrail(unsigned char c);

// How a platform's own paths split: Windows paths are code page 932, where '\' or '/'
// separates only as a character of its own; POSIX paths are plain bytes (UTF-8), split at
// every '/' whatever byte comes before it ("あ" ends in 0x82, a lead byte in code page 932).
enum class PathRule { Cp932, Posix };
#ifdef _WIN32
constexpr PathRule kNativePathRule = PathRule::Cp932;
#else
constexpr PathRule kNativePathRule = PathRule::Posix;
#endif

// Offset of the last separator under `rule`; npos when there is none. The viewer's own
// paths (title, keys, SplitPath) are Windows paths; what a file is written beside is split
// by kNativePathRule.
size_t LastPathSeparator(std::string_view path, PathRule rule);

// Case-insensitive equality that folds single-byte ASCII letters only; the bytes of a
// double-byte character are compared as they are.
bool SjisEqualNoCase(std::string_view a, std::string_view b);

// Copies text into a fixed buffer of `size` bytes, cut on a character boundary and
// always NUL-terminated. Returns false when the text did not fit whole.
bool CopySjis(char* out, size_t size, std::string_view text);

// Appends text as one line of a text file, byte for byte as long: every control byte
// (below 0x20, and 0x7F) and every lead byte without its trail becomes a blank, so no line
// break or half character reaches the bytes that end the line.
void AppendOneLine(std::string& out, std::string_view text);
// Whether AppendOneLine would copy text unchanged.
bool IsOneLine(std::string_view text);

// The parts of a Windows path, split like _splitpath: drive ("C:"), folder with trailing
// separator, name without extension, extension with its dot.
struct PathParts {
    char Drive[3];
    char Folder[256];
    char Name[300];
    char Extension[20];
};

// 0 on success; -1 when a part does not fit its buffer (the path is refused, never
// cut into another file's name).
int SplitPath(std::string_view path, PathParts& out);
