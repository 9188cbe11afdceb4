// Test-only Susie plug-in: PBM pictures (P1, P4) as 1-bit DIBs of their exact width.
// Installed as testplugins/ifpng.spi so .png samples holding PBM reach the host's 1-bit path.
#include <new>
#include "SpiDll_win.h"

namespace {

using namespace spi;

constexpr const char* kInfo[] = {"00IN", "Pixaro test plug-in (PBM as 1-bit)", "*.png", "PBM image"};

int Decode(const InputBlock& in, DibOut& dib) {
    if (!IsPbmHead(in.View())) return kUnknownFormat;
    RasterReader pbm;
    switch (pbm.Open(in.Data(), in.Size())) {
    case ImageCheck::Ok: break;
    case ImageCheck::TooLarge: return kNoMemory;
    default: return kBroken;
    }
    // PBM lists white first; without the comment the DIB lists black first, as most plug-ins do.
    const bool whiteFirst = pbm.WhiteBlackComment();
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0};
    const RGBQUAD blackFirst[2] = {black, white}, whiteBlack[2] = {white, black};
    int rc = dib.Allocate(pbm.Width(), pbm.Height(), 1, whiteFirst ? whiteBlack : blackFirst, 0);
    if (rc != kOk) return rc;
    const uint8_t flip = whiteFirst ? 0x00 : 0xFF, paper = flip;
    const size_t used = (static_cast<size_t>(pbm.Width()) + 7) / 8;
    const uint8_t tailMask = static_cast<uint8_t>(0xFF >> (pbm.Width() % 8 ? pbm.Width() % 8 : 8));
    for (int y = 0; y < pbm.Height(); ++y) {
        uint8_t* out = dib.Row(y);
        if (pbm.ReadMonoRow(out) != ImageCheck::Ok) return kBroken;
        for (size_t i = 0; i < used; ++i) out[i] ^= flip;
        out[used - 1] = static_cast<uint8_t>((out[used - 1] & ~tailMask) | (paper & tailMask));
        std::memset(out + used, paper, dib.Stride() - used);
    }
    return kOk;
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infono, LPSTR buf, int buflen) {
    return PluginInfo(kInfo, 4, infono, buf, buflen);
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR filename, DWORD_PTR dw) {
    Head head;
    return ReadHead(dw, head) && IsPbmHead(head.bytes) ? 1 : 0;
}

SPI_EXPORT int __stdcall GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HANDLE* pHBInfo,
                                    HANDLE* pHBm, SpiProgress progress, LONG_PTR lData) {
    if (!pHBInfo || !pHBm) return kInternalError;
    *pHBInfo = *pHBm = nullptr;
    if (Cancelled(progress, 0, 1, lData)) return kCancelled;
    InputBlock in;
    int rc = ReadInput(buf, len, flag, in);
    if (rc != kOk) return rc;
    DibOut dib;
    try {
        rc = Decode(in, dib);
    } catch (const std::bad_alloc&) {
        rc = kNoMemory;
    }
    if (rc == kOk && Cancelled(progress, 1, 1, lData)) rc = kCancelled;
    if (rc == kOk) dib.Release(pHBInfo, pHBm);
    return rc;
}
