// The main window's title: which file, its size, its place in the folder and the
// display magnification.
#pragma once
#include <cstdint>
#include <string>

struct TitleInput {
    bool HasImage = false;
    uint32_t DisplayFlags = 0;        // bit 2 full path, bit 3 folder + name
    const char* CurrentPath = "";
    const char* CurrentFolder = "";   // with trailing separator
    const char* CurrentName = "";
    const char* CurrentExtension = "";
    const char* GraffitiFilePath = nullptr;  // non-null while a graffiti file is shown
    int ImageWidth = 0, ImageHeight = 0;
    int CurrentIndex = -1, LastIndex = -1;
    float Scale = 1.0f;
    long LineCount = 0;
};

// The last folder of `folder` with its trailing separator; empty for a root folder.
std::string FolderPart(const char* folder);
std::string FormatTitle(const TitleInput& in);
