#include "shell/ExifCommands_win.h"

#include <cstdio>
#include <string>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "document/Document.h"
#include "exif/ExifOps_win.h"
#include "image/Image_win.h"
#include "shell/Shell_win.h"

namespace {

}  // namespace

int RemoveExifCommand(HWND wnd, LPARAM) {
    // The menus grey the item then; a key or a posted command gets a word in the status bar.
    if (!CurrentHasExif()) {
        SetStatusText(0, "Exif 情報がありません");
        return -1;
    }
    // The copy goes beside the photograph the Exif came from (a graffiti file's background).
    const CurrentFile photo = PictureFile();
    const std::string copyName = "Ne_" + photo.FileName();
    char target[kPathBytes];
    const int n = snprintf(target, sizeof target, "%s", photo.Sibling(copyName).c_str());
    // A cut name would name another file.
    if (n < 0 || size_t(n) >= sizeof target) {
        ReportBox(wnd, Box::ErrorWarning, std::string(SaveResultText(SaveResult::NoName)) + "\n" + copyName);
        return -1;
    }
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    StripRefusal why = StripRefusal::None;
    const SaveResult r = WriteWithoutExif(g_Image.FileData, g_Image.FileSize, target, &why);
    SetCursor(old);
    if (why != StripRefusal::None) {
        ReportBox(wnd, Box::ErrorWarning, std::string(StripRefusalText(why)) + "\n" + g_Document.File.Path());
        return -1;
    }
    if (r != SaveResult::Saved) {
        ReportBox(wnd, Box::ErrorWarning, std::string(SaveResultText(r)) + "\n" + target);
        return -1;
    }
    SetStatusText(0, (copyName + " に Exif 情報を除いて保存しました").c_str());
    return 0;
}

int SetShotTimeCommand(HWND wnd, LPARAM) {
    const FileTime shot = g_Image.Exif.ShotFileTime;
    if ((shot.Low | shot.High) == 0) {
        SetStatusText(0, "撮影日時がないため、ファイルの日時はそのままです");
        return -1;
    }
    if (!SetFileTimesFromShot(g_Document.File.CPath(), shot, nullptr)) {
        ReportBox(wnd, Box::ErrorWarning, std::string("ファイルの日時を変更できません (ファイルがないか、使用中です)\n") + g_Document.File.Path());
        return -1;
    }
    // The loader keeps the times as local time.
    g_Image.Exif.FileCreateTime = shot;
    g_Image.Exif.FileWriteTime = shot;
    SetStatusText(0, (std::string("ファイルの日時を撮影日時 ") + g_Image.Exif.ShotDateText + " にしました").c_str());
    return 0;
}

bool CurrentHasExif() { return HasImage() && g_Image.FileData && HasExifSegment(g_Image.Exif); }

bool CurrentTimesDifferFromShot() {
    return CurrentHasExif() && FileTimesDifferFromShot(g_Document.File.CPath(), g_Image.Exif.ShotFileTime);
}
