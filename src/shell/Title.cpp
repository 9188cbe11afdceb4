#include "shell/Title.h"

#include <cstdio>
#include <cstring>

#include "base/Settings.h"
#include "base/SjisText.h"
#include "vectorize/LineStore.h"
#include "PixaroVersion.h"

std::string FolderPart(const char* folder) {
    std::string_view f(folder);
    size_t last = LastPathSeparator(f, PathRule::Cp932);
    if (last == std::string_view::npos) return std::string();
    size_t previous = LastPathSeparator(f.substr(0, last), PathRule::Cp932);
    if (previous == std::string_view::npos) return std::string();
    return std::string(f.substr(previous + 1));
}

std::string FormatTitle(const TitleInput& in) {
    if (!in.HasImage) return "Pixaro Ver" PIXARO_VERSION_TEXT;
    std::string file;
    if (in.DisplayFlags & kDisplayFullPath)
        file = in.CurrentPath;
    else if (in.DisplayFlags & kDisplayFolderAndName)
        file = FolderPart(in.CurrentFolder) + in.CurrentName + in.CurrentExtension;
    else
        file = std::string(in.CurrentName) + in.CurrentExtension;
    if (in.GraffitiFilePath) file = file + "(" + in.GraffitiFilePath + ")";
    char rest[160];
    snprintf(rest, sizeof rest, " %d x %d (%d/%d)  表示倍率 %.2f ", in.ImageWidth,
             in.ImageHeight, in.CurrentIndex + 1, in.LastIndex + 1, 1.0 / double(in.Scale));
    std::string title = file + rest;
    if (in.LineCount > 0) title += " [" + FormatThousands(in.LineCount) + "]Lines ";
    return title;
}
