#include "image/Image_win.h"

#include <gdiplus.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstring>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "base/SjisText.h"
#include "base/Workers.h"
#include "exif/Exif_win.h"
#include "image/ImageFormat.h"
#include "image/Preload_win.h"

// The decoders the pictures come through: the plug-ins and GDI+, loaded once for the run.
// Defined before g_Image, so they outlive the picture they decoded.
struct Codecs {
    ~Codecs();
    ULONG_PTR GdiplusToken = 0;
    int PluginMask = 0;
    HMODULE Plugins[kSlotCount] = {};
};
Codecs g_Codecs;

ShownPicture g_Image;


bool StartGdiplus() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_Codecs.GdiplusToken, &input, nullptr) == Gdiplus::Ok) return true;
    g_Codecs.GdiplusToken = 0;
    ReportBox(nullptr, Box::Error, "GDI+の初期化に失敗しました。\nGDI+を使う読込みと保存はできません。");
    return false;
}

bool GdiplusReady() { return g_Codecs.GdiplusToken != 0; }

ShownPicture::~ShownPicture() { ReleaseImage(); }

Codecs::~Codecs() {
    UnloadPlugins();
    if (GdiplusToken) Gdiplus::GdiplusShutdown(GdiplusToken);
}

namespace {

constexpr int kLoadFailed = -2;

// Status part 0 gets "<path> が読込めません" with the reason where we know it.
void ReportUnreadable(const char* path, const char* reason) {
    char text[600];
    snprintf(text, sizeof text, "%s が読込めません%s", path, reason ? reason : "");
    SetStatusText(0, text);
}

const char* CheckReason(ImageCheck rc) {
    switch (rc) {
    case ImageCheck::Empty: return "（空のファイルです）";
    case ImageCheck::NotThisType: return "（画像の形式が違います）";
    case ImageCheck::Truncated: return "（ファイルが途中で切れています）";
    case ImageCheck::TooLarge: return "（画像が大きすぎます）";
    case ImageCheck::Corrupt: return "（ファイルが壊れています）";
    default: return nullptr;
    }
}

// An open file handle that closes on every path.
struct FileHandle {
    HANDLE h;
    explicit FileHandle(const char* path)
        : h(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~FileHandle() {
        if (ok()) CloseHandle(h);
    }
    bool ok() const { return h != INVALID_HANDLE_VALUE; }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

bool FileSize32(HANDLE h, DWORD& size) {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(h, &li) || li.QuadPart > kMaxFileBytes) return false;
    size = DWORD(li.QuadPart);
    return true;
}

void FreeFileBytes() {
    if (g_Image.FileBytes) {
        if (g_Image.FileData) GlobalUnlock(g_Image.FileBytes);
        GlobalFree(g_Image.FileBytes);
    }
    g_Image.FileBytes = nullptr;
    g_Image.FileData = nullptr;
    g_Image.FileSize = 0;
}

void DeleteCurrentBitmap() {
    RecycleBitmap(g_Image.Current);
    g_Image.Current = nullptr;
}

void StoreLocalTime(const FILETIME& utc, FileTime& out) {
    FILETIME local;
    FileTimeToLocalFileTime(&utc, &local);
    out = {local.dwLowDateTime, local.dwHighDateTime};
}

HBITMAP LoadBitmapFile(const char* path) {
    // The header is checked first: the system loader must never see a forged size.
    FileHandle file(path);
    if (!file.ok()) {
        SetStatusText(0, "ファイルが開けません");
        return nullptr;
    }
    DWORD size;
    if (!FileSize32(file.h, size)) {
        ReportUnreadable(path, CheckReason(ImageCheck::TooLarge));
        return nullptr;
    }
    BYTE head[14 + 124 + 1024] = {};
    DWORD headBytes = size < sizeof head ? size : DWORD(sizeof head);
    if (!ReadFileExactly(file.h, head, headBytes)) {
        ReportUnreadable(path, nullptr);
        return nullptr;
    }
    DibShape shape;
    ImageCheck rc = CheckBmpHead(head, headBytes, size, shape);
    if (rc != ImageCheck::Ok) {
        ReportUnreadable(path, CheckReason(rc));
        return nullptr;
    }
    HBITMAP bmp = HBITMAP(LoadImageA(g_Host.Instance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bmp) ReportUnreadable(path, nullptr);
    return bmp;
}

// Copies a bitmap owned by someone else into a DIB section of our own: 32-bit, like our
// decoder's pictures, since a 24-bit source makes every stretch convert every pixel.
HBITMAP CopyToDibSection(HBITMAP source) {
    BITMAP bm;
    if (!GetObjectA(source, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader = DibHeader(bm.bmWidth, bm.bmHeight, 32);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP copy = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy) {
        HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
        HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, copy);
        BitBlt(to, 0, 0, bm.bmWidth, bm.bmHeight, from, 0, 0, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        DeleteDC(from);
        DeleteDC(to);
    }
    ReleaseDC(nullptr, screen);
    return copy;
}

void StoreFileTimes(const FILETIME& created, const FILETIME& accessed, const FILETIME& written) {
    StoreLocalTime(created, g_Image.Exif.FileCreateTime);
    StoreLocalTime(accessed, g_Image.Exif.FileAccessTime);
    StoreLocalTime(written, g_Image.Exif.FileWriteTime);
}

// A picture decoded ahead on the worker becomes the current one without reading the file again.
HBITMAP InstallPreloaded(const char* path, DecodedJpeg& picture) {
    HBITMAP bitmap = picture.Bitmap;
    NoteShownPicture(path, picture);
    StoreFileTimes(picture.Created, picture.Accessed, picture.Written);
    g_Image.FileBytes = picture.FileBlock;
    g_Image.FileData = static_cast<const BYTE*>(GlobalLock(picture.FileBlock));
    g_Image.FileSize = picture.FileSize;
    picture.FileBlock = nullptr;
    return bitmap;
}

HBITMAP LoadPictureFile(HWND wnd, const char* path) {
    FreeFileBytes();
    if (DecodedJpeg ahead; TakePreloaded(path, ahead)) return InstallPreloaded(path, ahead);
    FileHandle file(path);
    if (!file.ok()) {
        SetStatusText(0, "ファイルが開けません");
        return nullptr;
    }
    FILETIME created = {}, accessed = {}, written = {};
    if (GetFileTime(file.h, &created, &accessed, &written)) StoreFileTimes(created, accessed, written);
    DWORD size;
    if (!FileSize32(file.h, size)) {
        ReportUnreadable(path, CheckReason(ImageCheck::TooLarge));
        return nullptr;
    }
    if (size == 0) {
        ReportUnreadable(path, CheckReason(ImageCheck::Empty));
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) {
        char text[64];
        snprintf(text, sizeof text, "[%lu]メモリ確保失敗", static_cast<unsigned long>(size));
        ReportBox(wnd, Box::ApiLoadError, text);
        return nullptr;
    }
    g_Image.FileBytes = block;
    g_Image.FileData = static_cast<const BYTE*>(GlobalLock(block));
    g_Image.FileSize = size;
    if (!g_Image.FileData || !ReadFileExactly(file.h, const_cast<BYTE*>(g_Image.FileData), size)) {
        FreeFileBytes();  // the metadata walk must not see a half-read file
        SetStatusText(0, "ファイルが読込めません");
        return nullptr;
    }
    int width, height;
    ImageCheck rc = CheckPictureFile(g_Image.FileData, size, width, height);
    if (rc != ImageCheck::Ok) {
        ReportUnreadable(path, CheckReason(rc));
        return nullptr;
    }
    // Our decoder first, with every core; what it does not take goes to the picture loader.
    if (HBITMAP bitmap = DecodeJpegToBitmap(g_Image.FileData, size, CoreCount())) {
        DecodedJpeg shown;
        shown.Created = created;
        shown.Accessed = accessed;
        shown.Written = written;
        shown.Width = width;
        shown.Height = height;
        if (ReadPictureStamp(file.h, shown.Stamp)) NoteShownPicture(path, shown);
        return bitmap;
    }
    IStream* stream = nullptr;
    HRESULT hr = CreateStreamOnHGlobal(block, FALSE, &stream);
    if (hr == E_INVALIDARG) ReportBox(wnd, Box::StreamError, " E_INVALIDARG");
    if (hr == E_OUTOFMEMORY) ReportBox(wnd, Box::StreamError, "E_OUTOFMEMORY");
    if (FAILED(hr) || !stream) return nullptr;
    IPicture* picture = nullptr;
    OleLoadPicture(stream, LONG(GlobalSize(block)), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
    stream->Release();
    if (!picture) {
        SetStatusText(0, "IPicture取得失敗");
        return nullptr;
    }
    // The picture owns its bitmap: copy it and let the picture go now, so exactly one
    // owner (us) deletes the current bitmap.
    OLE_HANDLE handle = 0;
    HBITMAP result = nullptr;
    short type = PICTYPE_UNINITIALIZED;
    if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle)))
        result = CopyToDibSection(HBITMAP(UINT_PTR(handle)));
    picture->Release();
    if (!result) SetStatusText(0, "IPicture取得失敗");
    return result;
}

// Pointer-sized where the 64-bit plug-ins take a pointer or a length: passed as a 32-bit
// LONG/DWORD, the upper half of the register or stack slot is whatever was there before.
using IsSupportedFn = int(WINAPI*)(LPCSTR, DWORD_PTR);
using GetPictureFn = int(WINAPI*)(LPCSTR, LONG_PTR, UINT, HANDLE*, HANDLE*, FARPROC, LONG_PTR);

// Locks a plug-in result handle for the duration of one load and frees it at the end.
struct LocalBlock {
    HLOCAL h = nullptr;
    void* p = nullptr;
    ~LocalBlock() {
        if (h) {
            if (p) LocalUnlock(h);
            LocalFree(h);
        }
    }
};

struct GlobalBlock {
    HGLOBAL h = nullptr;
    ~GlobalBlock() {
        if (h) GlobalFree(h);
    }
};

HBITMAP LoadWithPlugin(HWND wnd, int slot, const char* path) {
    HMODULE module = g_Codecs.Plugins[slot];
    auto isSupported = module ? reinterpret_cast<IsSupportedFn>(GetProcAddress(module, "IsSupported")) : nullptr;
    auto getPicture = module ? reinterpret_cast<GetPictureFn>(GetProcAddress(module, "GetPicture")) : nullptr;
    if (!isSupported || !getPicture) {
        ReportBox(wnd, Box::SpiFunctionError, "SPI関数取得できません");
        return nullptr;
    }
    GlobalBlock block;
    DWORD size = 0;
    {
        FileHandle file(path);
        if (!file.ok()) {
            SetStatusText(0, "SPI Erroe ファイル内容がありません");
            return nullptr;
        }
        if (!FileSize32(file.h, size)) {
            ReportUnreadable(path, CheckReason(ImageCheck::TooLarge));
            return nullptr;
        }
        // Plug-ins read a 2 KB head whatever the file size: pad short files with zeros.
        block.h = GlobalAlloc(GPTR, size < 2048 ? 2048 : size);
        if (!block.h) {
            char text[64];
            snprintf(text, sizeof text, "[%lu]メモリ確保失敗", static_cast<unsigned long>(size));
            ReportBox(wnd, Box::ApiLoadError, text);
            return nullptr;
        }
        if (!ReadFileExactly(file.h, static_cast<BYTE*>(block.h), size)) {
            SetStatusText(0, "SPI Error ファイル内容をロードできません");
            return nullptr;
        }
    }
    const char* data = static_cast<const char*>(block.h);
    if (size == 0 || isSupported(path, reinterpret_cast<DWORD_PTR>(data)) == 0) {
        ReportBox(wnd, Box::SpiError, "このプラグインでは、対応できません");
        return nullptr;
    }
    LocalBlock info, bits;
    HANDLE hInfo = nullptr, hBits = nullptr;
    int rc = slot == kSlotJww ? getPicture(path, 0, 0, &hInfo, &hBits, nullptr, 0)
                              : getPicture(data, LONG_PTR(size), 1, &hInfo, &hBits, nullptr, 0);
    info.h = hInfo;
    bits.h = hBits;
    if (rc != 0 || !hInfo || !hBits) {
        ReportBox(wnd, Box::SpiError, "画像が展開できません");
        return nullptr;
    }
    info.p = LocalLock(info.h);
    bits.p = LocalLock(bits.h);
    DibShape shape;
    // The plug-in's header is checked against the sizes of the blocks it really returned.
    if (!info.p || !bits.p ||
        CheckDibHeader(static_cast<const uint8_t*>(info.p), LocalSize(info.h), LocalSize(bits.h), shape) !=
            ImageCheck::Ok) {
        ReportBox(wnd, Box::SpiError, "画像が展開できません");
        return nullptr;
    }
    auto* header = static_cast<BITMAPINFO*>(info.p);
    HDC screen = GetDC(nullptr);
    HBITMAP result;
    if (shape.BitCount == 1 && header->bmiHeader.biSize >= 40) {
        uint8_t mask = MonoInversionMask(header->bmiColors[0].rgbBlue);
        auto* rows = static_cast<uint8_t*>(bits.p);
        FlipMonoRows(rows, shape.Width, shape.Height, mask, !shape.TopDown);
        result = CreateBitmap(MonoDeviceWidth(shape.Width), shape.Height, 1, 1, rows);
    } else {
        result = CreateDIBitmap(screen, &header->bmiHeader, CBM_INIT, bits.p, header, DIB_RGB_COLORS);
    }
    ReleaseDC(nullptr, screen);
    if (!result) ReportBox(wnd, Box::SpiError, "画像が展開できません");
    return result;
}

void AfterNewBitmap(bool keepView) { NotifyChange(keepView ? Change::PictureKeepView : Change::Picture); }

}  // namespace

int LoadImageFile(HWND wnd, const char* path, int keepGraffiti) {
    // The shell has asked its questions: from here the old picture goes, loaded or not. An
    // unchanged decoded one waits in the cache, for a step back.
    if (!g_Image.Edited && g_Image.FileBytes && g_Image.FileData &&
        HandBackShownPicture(g_Image.SourcePath.c_str(), g_Image.Current, g_Image.FileBytes, g_Image.FileSize)) {
        GlobalUnlock(g_Image.FileBytes);
        g_Image.FileBytes = nullptr;
        g_Image.FileData = nullptr;
        g_Image.FileSize = 0;
        g_Image.Current = nullptr;
    }
    ReleaseImage();
    g_Image.Edited = false;
    struct Announce {
        bool keepView;
        ~Announce() { AfterNewBitmap(keepView); }
    } announce{keepGraffiti == 1};
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    struct Restore {
        ~Restore() { SetCursor(LoadCursor(nullptr, IDC_ARROW)); }
    } restore;

    size_t length = strlen(path);
    PathParts parts;
    if (length >= kPathBytes || SplitPath(path, parts) != 0) {
        SetStatusText(0, "パスが長すぎるため読込めません");
        return kLoadFailed;
    }
    HBITMAP bitmap = nullptr;
    switch (LoaderForExtension(parts.Extension)) {
    case LoaderKind::Bitmap: bitmap = LoadBitmapFile(path); break;
    case LoaderKind::Picture:
        bitmap = LoadPictureFile(wnd, path);
        if (IsJpegExtension(parts.Extension)) {
            if (!bitmap) ReportUnreadable(path, nullptr);
            ParseJpegMarkers(g_Image.FileData, g_Image.FileSize, g_Image.Exif);
        }
        break;
    case LoaderKind::PluginPng: bitmap = LoadWithPlugin(wnd, kSlotPng, path); break;
    case LoaderKind::PluginWmf: bitmap = LoadWithPlugin(wnd, kSlotWmf, path); break;
    case LoaderKind::PluginGdip: bitmap = LoadWithPlugin(wnd, kSlotGdip, path); break;
    case LoaderKind::PluginTiff: bitmap = LoadWithPlugin(wnd, kSlotTiff, path); break;
    case LoaderKind::PluginJww: bitmap = LoadWithPlugin(wnd, kSlotJww, path); break;
    case LoaderKind::Graffiti: return kLoadFailed;  // the graffiti layer reads those
    case LoaderKind::Unknown: ReportUnreadable(path, "（対応していない種類のファイルです）"); break;
    }
    if (!bitmap) return kLoadFailed;
    g_Image.Current = bitmap;
    g_Image.SourcePath = path;
    return 0;
}

void LoadPlugins(HWND owner, const char* folder) {
    struct Row {
        const char* name;
        int bit;
        int slot;
    };
    static const Row kRows[] = {{"ifpng", kPluginPng, kSlotPng},
                                {"ifwmf", kPluginWmf, kSlotWmf},
                                {"iftiff6", kPluginTiff, kSlotTiff},
                                {"ifgif", kPluginGif, kSlotGif},
                                {"ifgdip", kPluginGdip, kSlotGdip}};
    for (const Row& r : kRows) {
        if (g_Codecs.PluginMask & r.bit) continue;
        char found[MAX_PATH];
        DWORD n = SearchPathA(folder, r.name, kPluginSuffix, sizeof found, found, nullptr);
        if (n == 0 || n >= sizeof found) continue;
        HMODULE module = LoadLibraryA(found);
        if (!module) {
            char text[64];
            snprintf(text, sizeof text, "%s%s が読込めません", r.name, kPluginSuffix);
            ReportBox(owner, Box::SpiLoadError, text);
            continue;
        }
        g_Codecs.Plugins[r.slot] = module;
        g_Codecs.PluginMask |= r.bit;
    }
}

void UnloadPlugins() {
    for (HMODULE& m : g_Codecs.Plugins) {
        if (m) FreeLibrary(m);
        m = nullptr;
    }
    g_Codecs.PluginMask = 0;
}

int GetPluginMask() { return g_Codecs.PluginMask; }

int GetImageSize(int& width, int& height) {
    width = height = 0;
    if (!g_Image.Current || !GetObjectA(g_Image.Current, sizeof g_Image.Bitmap, &g_Image.Bitmap)) return -1;
    width = g_Image.Bitmap.bmWidth;
    height = g_Image.Bitmap.bmHeight;
    return 0;
}

int GetBitsPerPixel() {
    if (!g_Image.Current || !GetObjectA(g_Image.Current, sizeof g_Image.Bitmap, &g_Image.Bitmap)) return 0;
    return g_Image.Bitmap.bmBitsPixel;
}

void CreateBlankImage(HWND wnd, int width, int height) {
    ForgetShownPicture();
    DeleteCurrentBitmap();
    g_Image.SourcePath.clear();
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return;
    HDC wdc = GetDC(wnd);
    g_Image.Current = CreateCompatibleBitmap(wdc, width, height);
    if (g_Image.Current) {
        HDC mem = CreateCompatibleDC(wdc);
        HGDIOBJ old = SelectObject(mem, g_Image.Current);
        RECT r = {-1, -1, width + 1, height + 1};
        FillRect(mem, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    ReleaseDC(wnd, wdc);
    AfterNewBitmap(false);
}

void ReplaceCurrentBitmap(HBITMAP bitmap, bool keepView) {
    ForgetShownPicture();
    DeleteCurrentBitmap();
    g_Image.Current = bitmap;
    AfterNewBitmap(keepView);
}

bool ReadBitmapRows(HBITMAP bitmap, BITMAPINFO* info, void* rows) {
    const LONG height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    HDC screen = GetDC(nullptr);
    int read = GetDIBits(screen, bitmap, 0, UINT(height), rows, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return read == height;
}

void ReleaseImage() {
    FreeFileBytes();
    ResetExifSummary(g_Image.Exif);
    ForgetShownPicture();
    DeleteCurrentBitmap();
    g_Image.SourcePath.clear();
}
