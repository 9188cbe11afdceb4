#include "document/CurrentFile.h"

#include "base/Limits.h"

bool CurrentFile::Set(std::string_view path) {
    PathParts parts;
    if (path.empty() || path.size() >= kPathBytes || SplitPath(path, parts) != 0) return false;
    path_.assign(path);
    parts_ = parts;
    return true;
}

void CurrentFile::Clear() {
    path_.clear();
    parts_ = PathParts{};
}

bool CurrentFile::Rename(std::string_view fileName) {
    if (Empty() || fileName.empty() || LastPathSeparator(fileName, PathRule::Cp932) != std::string_view::npos) return false;
    return Set(Sibling(fileName));
}
