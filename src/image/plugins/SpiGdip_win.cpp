// Susie image plug-in, one source and one DLL per format: SPI_KIND 1 = PNG (our own reader),
// 2 = TIFF, 3 = WMF, 4 = EMF (through GDI+).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <memory>
#include <new>
#include "SpiDll_win.h"
#include "image/PngRead.h"

#ifndef SPI_KIND
#error "SPI_KIND selects the accepted format"
#endif

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

using namespace spi;

enum class Kind { Png = 1, Tiff = 2, Wmf = 3, Emf = 4 };
constexpr Kind kKind = static_cast<Kind>(SPI_KIND);
constexpr bool kMetafile = kKind == Kind::Wmf || kKind == Kind::Emf;

constexpr const char* kInfo[][4] = {
    {"00IN", "Pixaro PNG plug-in", "*.png", "PNG image"},
    {"00IN", "Pixaro TIFF plug-in (GDI+)", "*.tif;*.tiff", "TIFF image"},
    {"00IN", "Pixaro WMF plug-in (GDI+)", "*.wmf", "Windows metafile"},
    {"00IN", "Pixaro GDI+ plug-in", "*.emf", "Enhanced metafile"},
};

bool Accepts(ByteReader b) {
    switch (kKind) {
    case Kind::Png: return IsPng(b);
    case Kind::Tiff: return IsTiff(b);
    case Kind::Wmf: return IsPlaceableWmf(b) || IsPlainWmf(b);
    case Kind::Emf: return IsEmf(b);
    }
    return false;
}

int FromStatus(GpStatus status) { return status == OutOfMemory ? kNoMemory : kBroken; }

class ComApartment {
public:
    ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() { if (SUCCEEDED(hr_)) CoUninitialize(); }
private:
    HRESULT hr_;
};

// Per call rather than per process: GDI+ must not be started or stopped inside DllMain.
class GdiplusSession {
public:
    GdiplusSession() {
        GdiplusStartupInput input;
        ok_ = GdiplusStartup(&token_, &input, nullptr) == Ok;
    }
    ~GdiplusSession() { if (ok_) GdiplusShutdown(token_); }
    bool Started() const { return ok_; }
private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

struct ImageDeleter { void operator()(GpImage* p) const { GdipDisposeImage(p); } };
struct GraphicsDeleter { void operator()(GpGraphics* p) const { GdipDeleteGraphics(p); } };
struct StreamDeleter { void operator()(IStream* p) const { p->Release(); } };
using ImagePtr = std::unique_ptr<GpImage, ImageDeleter>;
using StreamPtr = std::unique_ptr<IStream, StreamDeleter>;

int OpenStream(InputBlock& in, StreamPtr& out) {
    ULARGE_INTEGER size;
    size.QuadPart = in.Size();
    HGLOBAL mem = in.Detach();
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        GlobalFree(mem);
        return kNoMemory;
    }
    out.reset(stream);
    // GlobalSize may round the block up; decoders should not see the slack.
    stream->SetSize(size);
    return kOk;
}

int ImageSize(GpImage* image, int64_t& width, int64_t& height) {
    UINT w = 0, h = 0;
    if (GdipGetImageWidth(image, &w) != Ok || GdipGetImageHeight(image, &h) != Ok) return kBroken;
    width = w;
    height = h;
    return kOk;
}

RGBQUAD Quad(ARGB c) {
    return RGBQUAD{static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0};
}

// Only a black-and-white style pair goes to the host's 1-bit path, which ignores colour.
bool GreyPair(GpImage* image, RGBQUAD (&palette)[2]) {
    INT size = 0;
    if (GdipGetImagePaletteSize(image, &size) != Ok || size < static_cast<INT>(sizeof(ColorPalette)))
        return false;
    std::unique_ptr<uint8_t[]> storage(new (std::nothrow) uint8_t[size]);
    auto* colours = reinterpret_cast<ColorPalette*>(storage.get());
    if (!colours || GdipGetImagePalette(image, colours, size) != Ok || colours->Count != 2)
        return false;
    for (int i = 0; i < 2; ++i) {
        palette[i] = Quad(colours->Entries[i]);
        if (palette[i].rgbRed != palette[i].rgbGreen || palette[i].rgbGreen != palette[i].rgbBlue)
            return false;
    }
    return true;
}

int CopyBilevel(GpBitmap* bitmap, int64_t width, int64_t height, const RGBQUAD (&palette)[2],
                DibOut& dib) {
    // Padding bits take the lighter entry so the host's extra columns look like paper.
    uint8_t paper = palette[1].rgbRed > palette[0].rgbRed ? 0xFF : 0x00;
    GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    BitmapData data{};
    GpStatus status = GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat1bppIndexed, &data);
    if (status != Ok) return FromStatus(status);
    size_t used = static_cast<size_t>((width + 7) / 8);
    uint8_t tailMask = static_cast<uint8_t>(0xFF >> (width % 8 ? width % 8 : 8));
    for (int64_t y = 0; y < height; ++y) {
        uint8_t* out = dib.Row(y);
        const uint8_t* in = static_cast<const uint8_t*>(data.Scan0) + y * data.Stride;
        std::memcpy(out, in, used);
        out[used - 1] = static_cast<uint8_t>((out[used - 1] & ~tailMask) | (paper & tailMask));
        std::memset(out + used, paper, dib.Stride() - used);
    }
    GdipBitmapUnlockBits(bitmap, &data);
    return kOk;
}

// Read as ARGB so transparent pixels come out on white rather than black.
int CopyColour(GpBitmap* bitmap, int64_t width, int64_t height, DibOut& dib, SpiProgress progress,
               LONG_PTR lData) {
    constexpr int64_t kStripRows = 256;
    for (int64_t top = 0; top < height; top += kStripRows) {
        if (Cancelled(progress, static_cast<int>(top), static_cast<int>(height), lData)) return kCancelled;
        int64_t rows = height - top < kStripRows ? height - top : kStripRows;
        GpRect strip(0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows));
        BitmapData data{};
        GpStatus status =
            GdipBitmapLockBits(bitmap, &strip, ImageLockModeRead, PixelFormat32bppARGB, &data);
        if (status != Ok) return FromStatus(status);
        for (int64_t y = 0; y < rows; ++y) {
            const uint8_t* in = static_cast<const uint8_t*>(data.Scan0) + y * data.Stride;
            uint8_t* out = dib.Row(top + y);
            for (int64_t x = 0; x < width; ++x, in += 4, out += 3) {
                unsigned alpha = in[3], white = 255 * (255 - alpha) + 127;
                out[0] = static_cast<uint8_t>((in[0] * alpha + white) / 255);
                out[1] = static_cast<uint8_t>((in[1] * alpha + white) / 255);
                out[2] = static_cast<uint8_t>((in[2] * alpha + white) / 255);
            }
            std::memset(out, 0, dib.Stride() - static_cast<size_t>(width) * 3);
        }
        GdipBitmapUnlockBits(bitmap, &data);
    }
    return kOk;
}

// Rows straight into the DIB the host receives.
class PngToDib : public PngTarget {
public:
    PngToDib(DibOut& dib, SpiProgress progress, LONG_PTR lData) : dib_(dib), progress_(progress), lData_(lData) {}
    bool Begin(const PngLayout& layout) override {
        layout_ = layout;
        RGBQUAD palette[2];
        for (int i = 0; i < 2; ++i) {
            const uint32_t c = layout.Palette[i];
            palette[i] = RGBQUAD{static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0};
        }
        if (dib_.Allocate(layout.Width, layout.Height, layout.BitCount, palette, layout.Dpi) != kOk) return false;
        // Interlaced files fill rows piecewise; the padding must not be left undefined.
        for (int y = 0; y < layout.Height; ++y) std::memset(dib_.Row(y), 0, dib_.Stride());
        return true;
    }
    uint8_t* Row(int y) override { return dib_.Row(y); }
    bool Continue(int done, int total) override { return !Cancelled(progress_, done, total, lData_); }

    // Padding bits of a 1-bit picture take the lighter entry, so the host's extra columns
    // look like paper.
    void PaperPadding() {
        if (layout_.BitCount != 1) return;
        const uint8_t paper = (layout_.Palette[1] & 0xFF) > (layout_.Palette[0] & 0xFF) ? 0xFF : 0x00;
        const size_t used = (static_cast<size_t>(layout_.Width) + 7) / 8;
        const uint8_t tailMask = static_cast<uint8_t>(0xFF >> (layout_.Width % 8 ? layout_.Width % 8 : 8));
        for (int y = 0; y < layout_.Height; ++y) {
            uint8_t* out = dib_.Row(y);
            out[used - 1] = static_cast<uint8_t>((out[used - 1] & ~tailMask) | (paper & tailMask));
            std::memset(out + used, paper, dib_.Stride() - used);
        }
    }

private:
    DibOut& dib_;
    SpiProgress progress_;
    LONG_PTR lData_;
    PngLayout layout_;
};

int DecodePng(InputBlock& in, DibOut& dib, SpiProgress progress, LONG_PTR lData) {
    PngToDib target(dib, progress, lData);
    switch (ReadPng(in.Data(), in.Size(), target)) {
    case PngStatus::Ok: target.PaperPadding(); return kOk;
    case PngStatus::Cancelled: return kCancelled;
    case PngStatus::TooLarge:
    case PngStatus::NoMemory: return kNoMemory;
    default: return kBroken;
    }
}

int DecodeRaster(InputBlock& in, DibOut& dib, SpiProgress progress, LONG_PTR lData) {
    RasterHead head;
    bool known = TiffHead(in.View(), head);
    if (!known) return kBroken;
    // Refuse before GDI+ tries to allocate what the header claims.
    if (!DibFits(head.width, head.height, head.bilevel ? 1 : 24)) return kNoMemory;
    if (!TiffLayoutSane(in.View())) return kBroken;

    StreamPtr stream;
    int rc = OpenStream(in, stream);
    if (rc != kOk) return rc;
    GpBitmap* raw = nullptr;
    GpStatus status = GdipCreateBitmapFromStream(stream.get(), &raw);
    if (status != Ok || !raw) return FromStatus(status);
    ImagePtr image(raw);

    int64_t width = 0, height = 0;
    if ((rc = ImageSize(image.get(), width, height)) != kOk) return rc;
    PixelFormat format = 0;
    GdipGetImagePixelFormat(image.get(), &format);
    REAL dpi = 0;
    GdipGetImageHorizontalResolution(image.get(), &dpi);

    RGBQUAD palette[2]{};
    if (format == PixelFormat1bppIndexed && GreyPair(image.get(), palette)) {
        if ((rc = dib.Allocate(width, height, 1, palette, dpi)) != kOk) return rc;
        return CopyBilevel(raw, width, height, palette, dib);
    }
    if ((rc = dib.Allocate(width, height, 24, nullptr, dpi)) != kOk) return rc;
    return CopyColour(raw, width, height, dib, progress, lData);
}

int LoadMetafile(InputBlock& in, const MetaFrame& frame, StreamPtr& stream, ImagePtr& out) {
    GpMetafile* metafile = nullptr;
    if (kKind == Kind::Wmf && !IsPlaceableWmf(in.View())) {
        // No placeable header to read a size from: give GDI+ the frame worked out here.
        HMETAFILE handle = SetMetaFileBitsEx(static_cast<UINT>(in.Size()), in.Data());
        if (!handle) return kBroken;
        WmfPlaceableFileHeader header{};
        header.Key = kPlaceableKey;
        header.BoundingBox = {static_cast<INT16>(frame.left), static_cast<INT16>(frame.top),
                              static_cast<INT16>(frame.right), static_cast<INT16>(frame.bottom)};
        header.Inch = static_cast<INT16>(frame.unitsPerInch);
        GpStatus status = GdipCreateMetafileFromWmf(handle, TRUE, &header, &metafile);
        if (status != Ok || !metafile) {
            DeleteMetaFile(handle);
            return FromStatus(status);
        }
        out.reset(metafile);
        return kOk;
    }
    int rc = OpenStream(in, stream);
    if (rc != kOk) return rc;
    GpStatus status = GdipCreateMetafileFromStream(stream.get(), &metafile);
    if (status != Ok || !metafile) return FromStatus(status);
    out.reset(metafile);
    return kOk;
}

int DecodeMetafile(InputBlock& in, DibOut& dib, SpiProgress progress, LONG_PTR lData) {
    ByteReader b = in.View();
    MetaFrame frame;
    bool known = kKind == Kind::Emf  ? EmfFrame(b, frame)
                 : IsPlaceableWmf(b) ? PlaceableWmfFrame(b, frame)
                                     : PlainWmfFrame(b, frame);
    if (!known) return kBroken;
    if (!DibFits(frame.width, frame.height, 24)) return kNoMemory;
    bool sane = kKind == Kind::Emf ? EmfRecordsSane(b) : WmfRecordsSane(b, IsPlaceableWmf(b) ? kPlaceableSize : 0);
    if (!sane) return kBroken;
    int64_t width = frame.width, height = frame.height;

    StreamPtr stream;
    ImagePtr metafile;
    int rc = LoadMetafile(in, frame, stream, metafile);
    if (rc != kOk) return rc;
    if (Cancelled(progress, 0, 2, lData)) return kCancelled;

    GpBitmap* raw = nullptr;
    GpStatus status = GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0,
                                                PixelFormat24bppRGB, nullptr, &raw);
    if (status != Ok || !raw) return FromStatus(status);
    ImagePtr canvas(raw);
    {
        GpGraphics* graphics = nullptr;
        if ((status = GdipGetImageGraphicsContext(canvas.get(), &graphics)) != Ok)
            return FromStatus(status);
        std::unique_ptr<GpGraphics, GraphicsDeleter> owner(graphics);
        GdipGraphicsClear(graphics, 0xFFFFFFFF);
        GdipSetPageUnit(graphics, UnitPixel);
        status = GdipDrawImageRectI(graphics, metafile.get(), 0, 0, static_cast<INT>(width),
                                    static_cast<INT>(height));
        if (status != Ok) return FromStatus(status);
    }
    if (Cancelled(progress, 1, 2, lData)) return kCancelled;

    if ((rc = dib.Allocate(width, height, 24, nullptr, kScreenDpi)) != kOk) return rc;
    GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    BitmapData data{};
    status = GdipBitmapLockBits(raw, &all, ImageLockModeRead, PixelFormat24bppRGB, &data);
    if (status != Ok) return FromStatus(status);
    size_t used = static_cast<size_t>(width) * 3;
    for (int64_t y = 0; y < height; ++y) {
        uint8_t* out = dib.Row(y);
        std::memcpy(out, static_cast<const uint8_t*>(data.Scan0) + y * data.Stride, used);
        std::memset(out + used, 0, dib.Stride() - used);
    }
    GdipBitmapUnlockBits(raw, &data);
    return kOk;
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infono, LPSTR buf, int buflen) {
    return PluginInfo(kInfo[SPI_KIND - 1], 4, infono, buf, buflen);
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR filename, DWORD_PTR dw) {
    Head head;
    return ReadHead(dw, head) && Accepts(head.bytes) ? 1 : 0;
}

SPI_EXPORT int __stdcall GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HANDLE* pHBInfo,
                                    HANDLE* pHBm, SpiProgress progress, LONG_PTR lData) {
    if (!pHBInfo || !pHBm) return kInternalError;
    *pHBInfo = *pHBm = nullptr;
    if (Cancelled(progress, 0, 1, lData)) return kCancelled;
    InputBlock in;
    int rc = ReadInput(buf, len, flag, in);
    if (rc != kOk) return rc;
    if (!Accepts(in.View())) return kUnknownFormat;

    DibOut dib;
    if (kKind == Kind::Png) {
        try {
            rc = DecodePng(in, dib, progress, lData);
        } catch (const std::bad_alloc&) {
            rc = kNoMemory;
        }
        if (rc == kOk && Cancelled(progress, 1, 1, lData)) rc = kCancelled;
        if (rc == kOk) dib.Release(pHBInfo, pHBm);
        return rc;
    }
    ComApartment com;
    GdiplusSession gdiplus;
    if (!gdiplus.Started()) return kInternalError;
    rc = kMetafile ? DecodeMetafile(in, dib, progress, lData) : DecodeRaster(in, dib, progress, lData);
    if (rc == kOk && Cancelled(progress, 1, 1, lData)) rc = kCancelled;
    if (rc == kOk) dib.Release(pHBInfo, pHBm);
    return rc;
}
