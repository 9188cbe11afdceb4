// Saving: the dialog, the canvas of image, overlay and graffiti, and the writers. Every
// file goes through SafeFile, so a failed save leaves the old file as it was.
#include "imageops/Save_win.h"

#include <windows.h>
#include <commdlg.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/FileDialog_win.h"
#include "base/Host_win.h"
#include "base/Report_win.h"
#include "base/SjisText.h"
#include "exif/ExifOps_win.h"
#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "imageops/DibPixels_win.h"
#include "imageops/JpegWriter.h"
#include "imageops/Palette8.h"
#include "imageops/PngWriter.h"
#include "imageops/SavePlan.h"
#include "imageops/TiffWriter.h"
#include "view/Overlay.h"
#include "view/View_win.h"

namespace gdip = Gdiplus::DllExports;

namespace {

void ShowSaveFailure(HWND wnd, SaveResult r, const char* path) {
    ReportBox(wnd, Box::ErrorWarning, (std::string(SaveResultText(r)) + "\n" + path).c_str());
}

bool ReadPictureOf(HBITMAP bitmap, DibPixels& pixels) {
    return ReadDibPixels(bitmap ? bitmap : g_Image.Current, 24, pixels);
}

// GDI+ writes into memory; the file layer puts the bytes in place.
SaveResult SaveThroughGdiplus(Gdiplus::GpBitmap* image, const WCHAR* mime, const char* path) {
    CLSID clsid;
    if (!image || GetEncoderClsid(mime, &clsid) < 0) return SaveResult::EncodeFailed;
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) return SaveResult::EncodeFailed;
    SaveResult result = SaveResult::EncodeFailed;
    HGLOBAL block = nullptr;
    STATSTG stat = {};
    if (gdip::GdipSaveImageToStream(image, stream, &clsid, nullptr) == Gdiplus::Ok &&
        GetHGlobalFromStream(stream, &block) == S_OK && stream->Stat(&stat, STATFLAG_NONAME) == S_OK &&
        stat.cbSize.QuadPart > 0 && stat.cbSize.QuadPart <= GlobalSize(block)) {
        const void* bytes = GlobalLock(block);
        if (bytes) {
            result = SaveBytes(path, bytes, size_t(stat.cbSize.QuadPart));
            GlobalUnlock(block);
        }
    }
    stream->Release();
    return result;
}

Gdiplus::GpBitmap* GdiplusBitmapOf(DibPixels& pixels, Gdiplus::PixelFormat format) {
    Gdiplus::GpBitmap* image = nullptr;
    if (gdip::GdipCreateBitmapFromScan0(pixels.Width, pixels.Height, INT(pixels.Stride), format, pixels.Bits.data(),
                                        &image) != Gdiplus::Ok)
        return nullptr;
    return image;
}

SaveResult WriteEncoded(const char* path, HBITMAP bitmap, bool (*encode)(const DibPixels&, std::vector<uint8_t>&)) {
    DibPixels pixels;
    std::vector<uint8_t> bytes;
    if (!ReadPictureOf(bitmap, pixels) || !encode(pixels, bytes)) return SaveResult::EncodeFailed;
    pixels = DibPixels();  // the encoded file is all that is needed now
    return SaveBytes(path, bytes.data(), bytes.size());
}

}  // namespace

void ShowCommonDialogError(HWND owner, DWORD code) {
    const std::string text = CommonDialogErrorText(code);
    if (!text.empty()) ReportBox(owner, Box::ErrorQuestion, text.c_str());
}

int GetEncoderClsid(const WCHAR* mime, CLSID* clsid) {
    UINT count = 0, size = 0;
    if (gdip::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || count == 0 || size == 0) return -1;
    std::vector<uint8_t> list(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(list.data());
    if (gdip::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return -1;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && lstrcmpW(codecs[i].MimeType, mime) == 0) {
            *clsid = codecs[i].Clsid;
            return int(i);
        }
    return -1;
}

SaveResult WritePng(const char* path, HBITMAP bitmap) {
    return WriteEncoded(path, bitmap, [](const DibPixels& p, std::vector<uint8_t>& out) { return EncodePng(p, out); });
}

SaveResult WriteGif(const char* path, HBITMAP bitmap) {
    // GIF from 24 bits is broken on some GDI+ versions; an 8-bit picture with its own
    // palette is what the format holds anyway.
    DibPixels pixels, reduced;
    if (!ReadPictureOf(bitmap, pixels) || !ReduceTo8Bit(pixels, reduced)) return SaveResult::EncodeFailed;
    pixels = DibPixels();
    Gdiplus::GpBitmap* image = GdiplusBitmapOf(reduced, PixelFormat8bppIndexed);
    if (!image) return SaveResult::EncodeFailed;
    std::vector<uint8_t> paletteBlock(sizeof(Gdiplus::ColorPalette) + 256 * sizeof(Gdiplus::ARGB));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(paletteBlock.data());
    palette->Flags = 0;
    palette->Count = UINT(reduced.Palette.size());
    for (size_t i = 0; i < reduced.Palette.size(); ++i) palette->Entries[i] = 0xFF000000u | reduced.Palette[i];
    SaveResult r = SaveResult::EncodeFailed;
    if (gdip::GdipSetImagePalette(image, palette) == Gdiplus::Ok) r = SaveThroughGdiplus(image, L"image/gif", path);
    gdip::GdipDisposeImage(image);
    return r;
}

SaveResult WriteJpeg(const char* path, HBITMAP bitmap) {
    return WriteEncoded(path, bitmap, [](const DibPixels& p, std::vector<uint8_t>& out) {
        return EncodeJpeg(p, kJpegSaveQuality, out);
    });
}

SaveResult WriteTiff(const char* path, HBITMAP bitmap) { return WriteEncoded(path, bitmap, EncodeTiff); }

SaveResult WriteScreenBmp(HWND wnd, const char* path) {
    RECT client;
    GetClientRect(wnd, &client);
    ScreenArea area;
    uint8_t header[kBmpHeaderBytes];
    uint32_t fileSize = 0;
    if (!PlanScreenArea(client.right, client.bottom, g_View.DestX, g_View.DestY, StatusBarShown(), ToolBarShown(),
                        area) ||
        !BuildBmpHeaders(area.Width, area.Height, header, fileSize))
        return SaveResult::EncodeFailed;
    std::vector<uint8_t> file;
    try {
        file.assign(fileSize, 0);
    } catch (const std::bad_alloc&) {
        return SaveResult::EncodeFailed;
    }
    memcpy(file.data(), header, sizeof header);
    // The copy is taken from the screen: the window must be in front and fully painted.
    SetActiveWindow(wnd);
    SetForegroundWindow(wnd);
    UpdateWindow(wnd);
    HDC dc = GetDC(wnd);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP shot = CreateCompatibleBitmap(dc, area.Width, area.Height);
    bool ok = mem && shot;
    if (ok) {
        HGDIOBJ old = SelectObject(mem, shot);
        ok = BitBlt(mem, 0, 0, area.Width, area.Height, dc, area.X, area.Y, SRCCOPY) != 0;
        SelectObject(mem, old);
    }
    if (ok) {
        BITMAPINFO bi = {};
        memcpy(&bi.bmiHeader, header + 14, sizeof bi.bmiHeader);
        ok = GetDIBits(mem, shot, 0, UINT(area.Height), file.data() + kBmpHeaderBytes, &bi, DIB_RGB_COLORS) ==
             area.Height;
    }
    if (shot) DeleteObject(shot);
    if (mem) DeleteDC(mem);
    ReleaseDC(wnd, dc);
    if (!ok) return SaveResult::EncodeFailed;
    return SaveBytes(path, file.data(), file.size());
}

namespace {

// The picture as saved: a white canvas, the image (with the overlay rows burned in when the
// user asked for that) and the graffiti shown over it, all at 1:1.
HBITMAP DrawCanvas(HWND wnd, const CanvasPlan& plan, bool graffitiShown) {
    // A 24-bit DIB: what every writer reads, so no conversion on the way out.
    BITMAPINFO bi = {};
    bi.bmiHeader = DibHeader(plan.Width, plan.Height, 24);
    void* bits = nullptr;
    HDC wdc = GetDC(wnd);
    HDC dc = CreateCompatibleDC(wdc);
    HBITMAP canvas = dc ? CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    ReleaseDC(wnd, wdc);
    if (!canvas) {
        if (dc) DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, canvas);
    const int w = plan.ImageWidth, h = plan.ImageHeight;
    // Only the margins the graffiti added are left for the white brush: filling a picture
    // the image then covers whole costs as much as drawing it.
    const HBRUSH white = HBRUSH(GetStockObject(WHITE_BRUSH));
    const RECT margins[] = {{-1, -1, plan.Width + 1, plan.ImageY},
                            {-1, plan.ImageY + h, plan.Width + 1, plan.Height + 1},
                            {-1, plan.ImageY, plan.ImageX, plan.ImageY + h},
                            {plan.ImageX + w, plan.ImageY, plan.Width + 1, plan.ImageY + h}};
    for (const RECT& r : margins)
        if (r.right > r.left && r.bottom > r.top) FillRect(dc, &r, white);
    const RECT area = {0, 0, w, h};
    RenderImage(dc, kOverlaySaveMode, area, g_Settings.DisplayFlags, g_Settings.InfoFlags, 1.0f, plan.ImageX, plan.ImageY, w, h, 0,
                0, w, h);
    if (graffitiShown) DrawGraffitiLayer(dc, ViewMapping{plan.ImageX, plan.ImageY, 0, 0, 1.0f});
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    return canvas;
}

ViewEmfWriter g_ViewEmfWriter = nullptr;

CanvasPlan PlanCurrentCanvas() {
    int width = 0, height = 0;
    GetImageSize(width, height);
    return PlanSaveCanvas(width, height, GraffitiModeOn(), CurrentGraffitiExtent());
}

bool Confirm(HWND wnd, const std::string& text) {
    return MessageBoxA(wnd, text.c_str(), "確認", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

bool AskSaveName(HWND wnd, char (&path)[kPathBytes]) {
    char proposal[kPathBytes] = {};
    bool fits;
    // The picture's own file: for a graffiti file's layer, its background.
    PathParts picture = {};
    const bool hasFile = SplitPath(g_Image.SourcePath, picture) == 0;
    if (GraffitiFileShown) {
        PathParts trd;
        fits = SplitPath(GraffitiFilePath, trd) == 0 &&
               ProposedSaveName(trd.Drive, trd.Folder, trd.Name, true, proposal, sizeof proposal);
    } else {
        fits = hasFile && ProposedSaveName(picture.Drive, picture.Folder, picture.Name, false, proposal, sizeof proposal);
    }
    if (!fits) proposal[0] = 0;  // the dialog starts empty rather than with a cut name
    memcpy(path, proposal, sizeof path);
    FileNameQuestion q;
    q.Title = "ファイル保存";
    q.Filter = "trd(*.trd)\0*.trd\0jpg(*.jpg)\0*.jpg\0emf(*.emf)\0*.emf\0tif(*.tif)\0*.tif\0"
               "png(*.png)\0*.png\0gif(*.gif)\0*.gif\0bmp(*.bmp)\0*.bmp\0";
    q.FilterIndex = 1;
    q.DefaultExtension = picture.Extension[0] == '.' ? picture.Extension + 1 : picture.Extension;
    q.Flags = OFN_OVERWRITEPROMPT;
    if (AskFileName(wnd, FileNameKind::Save, q, path, sizeof path)) return true;
    ShowCommonDialogError(wnd, CommDlgExtendedError());
    return false;
}

// The file the current picture came from (the background, for a layer read from a .trd).
bool CurrentPictureFile(char (&out)[kPathBytes]) {
    if (GraffitiFileShown) return GraffitiBackgroundBeside(GraffitiFilePath, out);
    return CopySjis(out, sizeof out, g_Image.SourcePath) && out[0];
}

std::string FileNameOf(const char* path) {
    const std::string_view p(path);
    const size_t sep = LastPathSeparator(p, kNativePathRule);
    return std::string(sep == std::string_view::npos ? p : p.substr(sep + 1));
}

enum class TrdSaved { Nothing, TrdOnly, Both };

// The .trd and, unless it would replace a picture the layer stands on, its JPEG.
TrdSaved SaveGraffitiWithJpeg(HWND wnd, const char* path, HBITMAP canvas) {
    char jpeg[kPathBytes], current[kPathBytes], background[kPathBytes];
    std::string why;  // why the JPEG is left out, for the user
    bool writeJpeg = false;
    if (!CompanionJpegPath(path, jpeg, sizeof jpeg)) {
        why = "JPEG のファイル名が長すぎるため、JPEG は保存しません。";
    } else if ((CurrentPictureFile(current) && SameFilePath(jpeg, current)) ||
               (GraffitiBackgroundBeside(path, background) && SameFilePath(jpeg, background))) {
        // That JPEG is the picture under the layer: replacing it would burn the graffiti into
        // the background, which then shows it twice.
        why = "「" + FileNameOf(jpeg) + "」は落書きの下絵なので、JPEG は保存しません。";
    } else {
        writeJpeg = GetFileAttributesA(jpeg) == INVALID_FILE_ATTRIBUTES ||
                    Confirm(wnd, "「" + FileNameOf(jpeg) + "」は既にあります。\n置き換えますか？\n"
                                 "(キャンセルすると落書きファイルだけを保存します)");
    }
    if (WriteGraffitiFile(wnd, path) != 0) return TrdSaved::Nothing;
    if (!writeJpeg) {
        if (!why.empty()) MessageBoxA(wnd, why.c_str(), "保存", MB_OK | MB_ICONINFORMATION);
        return TrdSaved::TrdOnly;
    }
    const SaveResult r = WriteJpeg(jpeg, canvas);
    if (r != SaveResult::Saved) {
        ShowSaveFailure(wnd, r, jpeg);
        return TrdSaved::TrdOnly;
    }
    if (!SetFileTimesFromShot(jpeg, g_Image.Exif.ShotFileTime, nullptr))
        SetStatusText(0, "撮影日時がないため、JPEG の日時はそのままです");
    return TrdSaved::Both;
}

}  // namespace

void SetViewEmfWriter(ViewEmfWriter writer) { g_ViewEmfWriter = writer; }

bool DisplayedPictureSize(int& width, int& height) {
    const CanvasPlan plan = PlanCurrentCanvas();
    width = plan.Width, height = plan.Height;
    return plan.Ok;
}

SaveResult WriteDisplayedJpeg(HWND wnd, const char* path, int& width, int& height) {
    const CanvasPlan plan = PlanCurrentCanvas();
    HBITMAP canvas = plan.Ok && HasImage() ? DrawCanvas(wnd, plan, GraffitiModeOn()) : nullptr;
    if (!canvas) return SaveResult::EncodeFailed;
    width = plan.Width, height = plan.Height;
    const SaveResult r = WriteJpeg(path, canvas);
    DeleteObject(canvas);
    return r;
}

bool SaveCurrentImage(HWND wnd) {
    if (!HasImage()) {
        ReportBox(wnd, Box::ErrorWarning, "保存する画像がありません。");
        return false;
    }
    char path[kPathBytes];
    if (!AskSaveName(wnd, path)) return false;
    PathParts parts;
    if (SplitPath(path, parts) != 0) {
        ReportBox(wnd, Box::ErrorWarning, "ファイル名が長すぎます。");
        return false;
    }
    const SaveFormat format = FormatOfExtension(parts.Extension);
    if (format == SaveFormat::Unknown) {
        ReportBox(wnd, Box::ErrorWarning, "この拡張子では保存できません。\ntrd, jpg, emf, tif, png, gif, bmp のどれかを選んでください。");
        return false;
    }
    char current[kPathBytes];
    if (format != SaveFormat::Trd && CurrentPictureFile(current) && SameFilePath(path, current) &&
        !Confirm(wnd, "表示中の画像ファイル「" + FileNameOf(path) +
                          "」に上書きします。\nExif 情報と元の画像の圧縮は失われ、表示中の落書きと埋め込み文字は画像に書き込まれます。\nよろしいですか？"))
        return false;

    HCURSOR oldCursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    SaveResult result = SaveResult::Saved;
    bool written = false, fullPicture = true;
    if (format == SaveFormat::Bmp || format == SaveFormat::Emf) {
        // Only the view at its zoom: the full-size picture is still unsaved.
        fullPicture = false;
        result = format == SaveFormat::Bmp ? WriteScreenBmp(wnd, path)
                 : g_ViewEmfWriter         ? g_ViewEmfWriter(wnd, path)
                                           : SaveResult::EncodeFailed;
        written = result == SaveResult::Saved;
    } else {
        const bool graffitiShown = GraffitiModeOn();
        const CanvasPlan plan = PlanCurrentCanvas();
        HBITMAP canvas = plan.Ok ? DrawCanvas(wnd, plan, graffitiShown) : nullptr;
        if (!canvas) {
            SetCursor(oldCursor);
            ReportBox(wnd, Box::ErrorWarning, "保存する画像を作れません (大きすぎるか、メモリー不足です)。\n何も保存していません。");
            return false;
        }
        switch (format) {
        case SaveFormat::Trd: {
            const TrdSaved saved = SaveGraffitiWithJpeg(wnd, path, canvas);
            written = saved != TrdSaved::Nothing;
            fullPicture = saved == TrdSaved::Both;
            break;
        }
        case SaveFormat::Jpeg: result = WriteJpeg(path, canvas); break;
        case SaveFormat::Png: result = WritePng(path, canvas); break;
        case SaveFormat::Tiff: result = WriteTiff(path, canvas); break;
        case SaveFormat::Gif: result = WriteGif(path, canvas); break;
        default: break;
        }
        if (format != SaveFormat::Trd) written = result == SaveResult::Saved;
        DeleteObject(canvas);
    }
    SetCursor(oldCursor);
    if (format != SaveFormat::Trd && result != SaveResult::Saved) {
        ShowSaveFailure(wnd, result, path);
        return false;
    }
    if (written && fullPicture) g_Image.Edited = false;
    return written;
}
