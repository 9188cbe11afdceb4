// The metafile copy: what the view shows, drawn again into an enhanced metafile, and the
// same objects as "Jw_win" records so JWW can take them as its own.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Host_win.h"
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

void ShowError(HWND owner, const char* text) { MessageBoxA(owner, text, "Error!", MB_OK | MB_ICONEXCLAMATION); }

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
        RenderImage(mem, 0, client, g_Settings.DCflag, g_Settings.DI, v.Scale, v.DestX, v.DestY, v.DestWidth,
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
    RECT client;
    GetClientRect(main, &client);
    if (StatusBarShown()) client.bottom -= 20;
    if (ToolBarShown()) client.top += 26;
    HDC ref = GetDC(main);
    // The frame is in 0.01 mm, so a paste comes out at the size the window shows.
    const double mmX = double(GetDeviceCaps(ref, HORZSIZE)) / std::max(1, GetDeviceCaps(ref, HORZRES));
    const double mmY = double(GetDeviceCaps(ref, VERTSIZE)) / std::max(1, GetDeviceCaps(ref, VERTRES));
    const RECT frame = {LONG(client.left * mmX * 100), LONG(client.top * mmY * 100), LONG(client.right * mmX * 100),
                        LONG(client.bottom * mmY * 100)};
    HDC dc = CreateEnhMetaFileA(ref, nullptr, &frame, "Pixaro\0");
    ReleaseDC(main, ref);
    if (!dc) return r;

    if (g_Settings.DI & kInfoImageShown) DrawShownPicture(main, dc, client);
    const RECT region = {v.SourceX, v.SourceY, v.SourceX + v.SourceWidth, v.SourceY + v.SourceHeight};
    // Graffiti and lines are drawn as the view draws them, over the picture; the drawing's
    // scale (dpi, n) goes into the records only.
    const bool graffiti = GraffitiModeOn();
    if (graffiti) DrawGraffitiLayer(dc, MappingOf(v), &region);

    // Vector lines in view: counted first, so the block is sized from what is really there.
    const bool lines = (g_Settings.DI & kInfoVectorLines) != 0 && p_ta.LineCount() > 0;
    const int32_t left = v.SourceX + 1, top = v.SourceY + 1, right = v.SourceX + v.SourceWidth,
                  bottom = v.SourceY + v.SourceHeight;
    uint64_t lineCount = 0;
    if (lines) ForEachLineIn(p_ta, left, top, right, bottom, [&](int, int, int, int) { ++lineCount; });
    if (lines) DrawVectorLines(dc, v);
    r.Metafile = CloseEnhMetaFile(dc);
    if (!r.Metafile || !withRecords) return r;

    const GraffitiStore& store = CurrentGraffitiStore();
    const uint64_t bound = kJwLongHeaderBytes + (graffiti ? GraffitiRecordBytesBound(store) : 0) +
                           lineCount * (kJwSenBytes + kJwMaxTagBytes);
    if (bound > kMaxFileBytes) {
        r.BlockOk = false;
        return r;
    }
    try {
        r.Block.assign(size_t(bound), 0);
    } catch (const std::bad_alloc&) {
        r.BlockOk = false;
        return r;
    }
    JwBlockWriter w(r.Block.data() + kJwLongHeaderBytes, r.Block.size() - kJwLongHeaderBytes);
    JwExtent extent;
    if (graffiti) {
        JwExportSettings paths;
        LoadJwExportSettings(*MakeSettingsRegistry(), paths);
        GraffitiRecordSettings rs;
        rs.Dpi = dpi;
        rs.Scale = n;
        rs.SizeMode = int(paths.Flags & kJwofSizeMask);
        rs.WidthMm = paths.Width;
        GetImageSize(rs.ImageWidth, rs.ImageHeight);
        AppendGraffitiRecords(w, store, rs, extent,
                              GraffitiImageRect{region.left, region.top, region.right - region.left,
                                                region.bottom - region.top});
    }
    if (lines) {
        JwPen pen{1, 1, 0};
        ForEachLineIndexIn(p_ta, left, top, right, bottom, [&](int32_t i, int x1, int y1, int x2, int y2) {
            pen.Colour = uint16_t(WidthClassColour(p_ta.LineWidth(i), dpi));
            const double ax = x1 * 0.0254, ay = -y1 * 0.0254, bx = x2 * 0.0254, by = -y2 * 0.0254;
            WriteJwSenRecord(w, pen, ax, ay, bx, by);
            extent.Add(ax, ay);
            extent.Add(bx, by);
        });
    }
    if (!w.Ok()) {
        r.BlockOk = false;
        r.Block.clear();
        return r;
    }
    const double refX = extent.Empty() ? 0 : (extent.MinX + extent.MaxX) * 0.5 * 10;
    const double refY = extent.Empty() ? 0 : (extent.MinY + extent.MaxY) * 0.5 * 10;
    const size_t header = JwHeaderBytes(w.ObjectCount());
    // The records were written after room for the longer header; close the gap.
    std::copy(r.Block.begin() + kJwLongHeaderBytes, r.Block.begin() + kJwLongHeaderBytes + w.Size(),
              r.Block.begin() + header);
    r.Block.resize(header + w.Size() + 200);
    std::fill(r.Block.begin() + header + w.Size(), r.Block.end(), 0);
    WriteJwHeader(r.Block.data(), header, refX, refY, n != 0 ? double(n) : 100.0, w.ObjectCount());
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
    ShowError(window, "解像度と縮尺は 1 以上の整数で入力してください");
    return false;
}

}  // namespace

int CopyViewAsEmf(HWND window, const char* fileName, int dpi, int n) {
    if (!HasImage() || !UsableScale(window, dpi, n)) return -2;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const bool records = !fileName && g_Settings.CP_JWout != 0;
    EmfResult r = DrawView(window, dpi, n, records);
    SetCursor(old);
    if (!r.Metafile || !r.BlockOk) {
        if (r.Metafile) DeleteEnhMetaFile(r.Metafile);
        ShowError(window, "メモリー確保失敗");
        return -2;
    }
    if (fileName) {
        const SaveResult saved = SaveMetafile(r.Metafile, fileName);
        if (saved != SaveResult::Saved)
            ShowError(window, (std::string(SaveResultText(saved)) + "\n" + fileName).c_str());
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
