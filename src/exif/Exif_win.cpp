#include "exif/Exif_win.h"

#include <shellapi.h>

#include "exif/ExifParser.h"
#include "image/ImageFormat.h"
#include "image/Image_win.h"
#include "base/SjisText.h"

namespace {

InfoReport g_InfoReport;

struct ReadHandle {
    HANDLE h;
    explicit ReadHandle(const char* path)
        : h(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ReadHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
};

}  // namespace

int ParseJpegMarkers(QorBmp& image, HWND) {
    return ParseJpegMarkers(image.FileData, image.FileSize, image.Exif, g_InfoReport);
}

const InfoReport& CurrentInfoReport() { return g_InfoReport; }

int LoadJpegMetadata(QorBmp& image, HWND owner, const char* path) {
    ResetExifSummary(image.Exif);
    ReleaseImage();
    PathParts parts;
    if (SplitPath(path, parts) != 0 || !IsJpegExtension(parts.Extension)) return 0;
    ReadHandle file(path);
    if (file.h != INVALID_HANDLE_VALUE) {
        FILETIME written, local;
        if (GetFileTime(file.h, nullptr, nullptr, &written) && FileTimeToLocalFileTime(&written, &local))
            image.Exif.FileWriteTime = {local.dwLowDateTime, local.dwHighDateTime};
        LARGE_INTEGER size;
        // The same ceiling as the loader's: a header walk never needs more.
        if (GetFileSizeEx(file.h, &size) && size.QuadPart > 0 && size.QuadPart <= (1 << 30)) {
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(size.QuadPart));
            BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
            DWORD done = 0, got = 0;
            while (data && done < DWORD(size.QuadPart) &&
                   ReadFile(file.h, data + done, DWORD(size.QuadPart) - done, &got, nullptr) && got > 0)
                done += got;
            if (data && done == DWORD(size.QuadPart)) {
                image.FileBytes = block;
                image.FileData = data;
                image.FileSize = done;
            } else if (block) {
                if (data) GlobalUnlock(block);
                GlobalFree(block);
            }
        }
    }
    return ParseJpegMarkers(image, owner);
}

int MapCommand(HWND wnd) {
    if (g_Image.Exif.MapLink[0] == 0) {
        MessageBoxA(wnd, "ＧＰＳ情報がありません", "Error", MB_OK);
        return -1;
    }
    ShellExecuteA(nullptr, "open", g_Image.Exif.MapLink, nullptr, nullptr, SW_SHOW);
    return 0;
}
