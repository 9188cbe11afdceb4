// The file on screen: one path, with its folder, name and extension taken from it. It is set
// in one place (the shell's load entry) and follows the file through renames, so the title,
// the folder steps and every command read the same file.
#pragma once
#include <string>
#include <string_view>

#include "base/SjisText.h"

class CurrentFile {
public:
    // False, leaving the file as it was, when the path is empty or a part of it is too long
    // to be a file name here.
    bool Set(std::string_view path);
    void Clear();
    // The same folder, another name (a batch rename); false as for Set.
    bool Rename(std::string_view fileName);

    bool Empty() const { return path_.empty(); }
    const std::string& Path() const { return path_; }
    const char* CPath() const { return path_.c_str(); }
    // Drive and folder with the trailing separator: where a sibling's name is appended.
    std::string Folder() const { return std::string(parts_.Drive) + parts_.Folder; }
    // The folder without the drive, as the title shows its last part.
    const char* FolderOnly() const { return parts_.Folder; }
    const char* Name() const { return parts_.Name; }
    const char* Extension() const { return parts_.Extension; }
    std::string FileName() const { return std::string(parts_.Name) + parts_.Extension; }
    // FOLDER + fileName: a file beside this one.
    std::string Sibling(std::string_view fileName) const { return Folder().append(fileName); }

private:
    std::string path_;
    PathParts parts_{};
};
