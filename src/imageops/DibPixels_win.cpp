#include "imageops/DibPixels_win.h"

#include <cstring>

#include "image/Image_win.h"

namespace {

struct DibInfo {
    BITMAPINFOHEADER Header = {};
    RGBQUAD Colours[256] = {};
    // Top-down, as DibPixels keeps its rows.
    DibInfo(int width, int height, int bitCount) : Header(DibHeader(width, -height, bitCount)) {
        if (bitCount <= 8) Header.biClrUsed = 1u << bitCount;
    }
    BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

}  // namespace

bool ReadDibPixels(HBITMAP bitmap, int bitCount, DibPixels& out) {
    BITMAP bm;
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    if (bitCount == 0) {
        const int own = bm.bmBitsPixel * bm.bmPlanes;
        bitCount = own == 1 || own == 8 || own == 32 ? own : own == 4 ? 8 : 24;
    }
    if (!out.Allocate(bm.bmWidth, bm.bmHeight, bitCount)) return false;
    DibInfo info(bm.bmWidth, bm.bmHeight, bitCount);
    HDC screen = GetDC(nullptr);
    const int read = GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight), out.Bits.data(), info.Info(), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (read != bm.bmHeight) return false;
    out.Palette.clear();
    if (bitCount <= 8)
        for (int i = 0; i < (1 << bitCount); ++i) {
            const RGBQUAD& c = info.Colours[i];
            out.Palette.push_back(uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue);
        }
    return true;
}

HBITMAP CreateBitmapFromPixels(const DibPixels& pixels) {
    if (pixels.Width <= 0 || pixels.Height <= 0) return nullptr;
    DibInfo info(pixels.Width, pixels.Height, pixels.BitCount);
    for (size_t i = 0; i < pixels.Palette.size() && i < 256; ++i) {
        const uint32_t c = pixels.Palette[i];
        info.Colours[i] = RGBQUAD{BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0};
    }
    // Bottom-up like every other picture Pixaro makes; the rows are turned while copying.
    info.Header.biHeight = pixels.Height;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, info.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    auto* dst = static_cast<uint8_t*>(bits);
    for (int y = 0; y < pixels.Height; ++y)
        memcpy(dst + size_t(pixels.Height - 1 - y) * pixels.Stride, pixels.Row(y), pixels.Stride);
    return bitmap;
}
