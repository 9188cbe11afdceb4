// Shift-JIS aware text and path helpers. Every scan of Shift-JIS bytes goes through
// IsSjisLead, so a trail byte such as the 0x5C of "表" is never taken for a separator.
#pragma once
#include <cstddef>
#include <string_view>

bool IsSjisLead(unsigned char c);

// Offset of the last '\' or '/' that is a character of its own; npos when there is none.
size_t LastPathSeparator(std::string_view path);

// Case-insensitive equality that folds single-byte ASCII letters only; the bytes of a
// double-byte character are compared as they are.
bool SjisEqualNoCase(std::string_view a, std::string_view b);

// Copies text into a fixed buffer of `size` bytes, cut on a character boundary and
// always NUL-terminated. Returns false when the text did not fit whole.
bool CopySjis(char* out, size_t size, std::string_view text);

// The parts of a path, split like _splitpath: drive ("C:"), folder with trailing
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
