// The metafile copy: what the view shows, drawn again into an enhanced metafile, and the
// same objects as "Jw_win" records so JWW can take them as its own.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Host_win.h"
#include "base/Report_win.h"
#include "graffiti/GraffitiJww.h"
#include "graffiti/Graffiti_win.h"
#include "image/Image_win.h"
#include "jww/JwwClipboard_win.h"
#include "jww/JwwFormat.h"
#include "vectorize/ConversionSettings.h"
#include "vectorize/JwwExport_win.h"
#include "vectorize/LineStore.h"
#include "vectorize/LineStore_win.h"
#include "vectorize/VectorOutput.h"
#include "view/View_win.h"

namespace {

// The metafile and its records, built while drawing.
struct EmfResult {
    HENHMETAFILE Metafile = nullptr;
    std::vector<uint8_t> Block;  // header and records; empty when not asked for
    bool BlockOk = true;
};

// The picture as the window shows it, at the window's resolution: a metafile of the whole
// source picture would carry every pixel of a camera photograph (72 MB at 6000 x 4000).
void DrawShownPicture(HWND main, HDC emf, const RECT& client) {
    const ViewState& v = g_View;
    if (v.DestWidth <= 0 || v.DestHeight <= 0) return;
    HDC wdc = GetDC(main);
    HDC mem = CreateCompatibleDC(wdc);
    // A DIB section: copied from a device bitmap, Wine's metafile recorder kept the
    // picture's size on every copy (75 MB after fifty).
    BITMAPINFO bi = {};
    bi.bmiHeader = DibHeader(v.DestX + v.DestWidth, v.DestY + v.DestHeight, 24);
    void* bits = nullptr;
    HBITMAP shown = CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(main, wdc);
    if (mem && shown) {
        HGDIOBJ old = SelectObject(mem, shown);
        RenderImage(mem, 0, client, g_Settings.DisplayFlags, g_Settings.InfoFlags, v.Scale, v.DestX, v.DestY, v.DestWidth,
                    v.DestHeight, v.SourceX, v.SourceY, v.DrawWidth, v.DrawHeight);
        BitBlt(emf, v.DestX, v.DestY, v.DestWidth, v.DestHeight, mem, v.DestX, v.DestY, SRCCOPY);
        SelectObject(mem, old);
    }
    if (shown) DeleteObject(shown);
    if (mem) DeleteDC(mem);
}

EmfResult DrawView(HWND window, int dpi, int n, bool withRecords) {
    EmfResult r;
    HWND main = g_Host.MainWindow;
    const ViewState& v = g_View;
    RECT whole;
    GetClientRect(main, &whole);
    const ViewArea shown = ViewAreaOf(whole.right, whole.bottom, ToolBarShown(), StatusBarShown());
    const RECT client = {shown.Left, shown.Top, shown.Right, shown.Bottom};
    HDC ref = GetDC(main);
    // The frame is in 0.01 mm, so a paste comes out at the size the window shows.
    const double mmX = double(GetDeviceCaps(ref, HORZSIZE)) / std::max(1, GetDeviceCaps(ref, HORZRES));
    const double mmY = double(GetDeviceCaps(ref, VERTSIZE)) / std::max(1, GetDeviceCaps(ref, VERTRES));
    const RECT frame = {LONG(client.left * mmX * 100), LONG(client.top * mmY * 100), LONG(client.right * mmX * 100),
                        LONG(client.bottom * mmY * 100)};
    HDC dc = CreateEnhMetaFileA(ref, nullptr, &frame, "Pixaro\0");
    ReleaseDC(main, ref);
    if (!dc) return r;

    if (g_Settings.InfoFlags & kInfoImageShown) DrawShownPicture(main, dc, client);
    const RECT region = {v.SourceX, v.SourceY, v.SourceX + v.SourceWidth, v.SourceY + v.SourceHeight};
    // Graffiti and lines are drawn as the view draws them, over the picture; the drawing's
    // scale (dpi, n) goes into the records only.
    const bool graffiti = GraffitiModeOn();
    if (graffiti) DrawGraffitiLayer(dc, MappingOf(v), &region);

    const bool lines = (g_Settings.InfoFlags & kInfoVectorLines) != 0 && g_Lines.LineCount() > 0;
    if (lines) DrawVectorLines(dc, v);
    r.Metafile = CloseEnhMetaFile(dc);
    if (!r.Metafile || !withRecords) return r;

    ViewBlockInput in;
    in.Region = {region.left, region.top, region.right - region.left, region.bottom - region.top};
    in.Dpi = dpi;
    in.Scale = n;
    if (lines) in.Lines = &g_Lines;
    if (graffiti) {
        in.Graffiti = &CurrentGraffitiStore();
        JwExportSettings paths;
        LoadJwExportSettings(*MakeSettingsRegistry(), paths);
        in.GraffitiSettings.Dpi = dpi;
        in.GraffitiSettings.Scale = n;
        in.GraffitiSettings.SizeMode = int(paths.Flags & kJwofSizeMask);
        in.GraffitiSettings.WidthMm = paths.Width;
        GetImageSize(in.GraffitiSettings.ImageWidth, in.GraffitiSettings.ImageHeight);
    }
    r.BlockOk = BuildViewBlock(in, r.Block) == ViewBlockResult::Built;
    return r;
}

// Drawn in memory and written through the file layer, so a failure keeps the old file.
// Takes the metafile.
SaveResult SaveMetafile(HENHMETAFILE metafile, const char* path) {
    if (!metafile) return SaveResult::EncodeFailed;
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    std::vector<uint8_t> bytes(size);
    const bool got = size > 0 && GetEnhMetaFileBits(metafile, size, bytes.data()) == size;
    DeleteEnhMetaFile(metafile);
    return got ? SaveBytes(path, bytes.data(), bytes.size()) : SaveResult::EncodeFailed;
}

bool UsableScale(HWND window, int dpi, int n) {
    if (dpi > 0 && n >= 0) return true;
    ReportBox(window, Box::ErrorBang, "解像度と縮尺は 1 以上の整数で入力してください");
    return false;
}

}  // namespace

int CopyViewAsEmf(HWND window, const char* fileName, int dpi, int n) {
    if (!HasImage() || !UsableScale(window, dpi, n)) return -2;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const bool records = !fileName && g_Settings.CopyJwRecords != 0;
    EmfResult r = DrawView(window, dpi, n, records);
    SetCursor(old);
    if (!r.Metafile || !r.BlockOk) {
        if (r.Metafile) DeleteEnhMetaFile(r.Metafile);
        ReportBox(window, Box::ErrorBang, "メモリー確保失敗");
        return -2;
    }
    if (fileName) {
        const SaveResult saved = SaveMetafile(r.Metafile, fileName);
        if (saved != SaveResult::Saved)
            ReportBox(window, Box::ErrorBang, (std::string(SaveResultText(saved)) + "\n" + fileName).c_str());
        return saved == SaveResult::Saved ? 0 : -1;
    }
    HGLOBAL block = nullptr;
    if (records) {
        block = AllocJwBlock(window, r.Block.size());
        if (!block) {
            DeleteEnhMetaFile(r.Metafile);
            return -2;
        }
        void* p = GlobalLock(block);
        memcpy(p, r.Block.data(), r.Block.size());
        GlobalUnlock(block);
    }
    return PutJwClipboard(window, block, r.Metafile);
}

SaveResult WriteViewEmf(HWND window, const char* path) {
    if (!HasImage()) return SaveResult::EncodeFailed;
    return SaveMetafile(DrawView(window, 96, 0, false).Metafile, path);
}
