// Test-only Susie plug-in: PBM pictures (P1, P4) as 1-bit DIBs of their exact width.
// Installed as testplugins/ifpng.spi so .png samples holding PBM reach the host's 1-bit path.
#include <new>
#include "SpiDll_win.h"

namespace {

using namespace spi;

constexpr const char* kInfo[] = {"00IN", "Pixaro test plug-in (PBM as 1-bit)", "*.png", "PBM image"};

int Decode(const InputBlock& in, DibOut& dib) {
    Pbm pbm;
    int rc = ParsePbm(in.View(), pbm);
    if (rc != kOk) return rc;
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0};
    const RGBQUAD blackFirst[2] = {black, white}, whiteFirst[2] = {white, black};
    if ((rc = dib.Allocate(pbm.width, pbm.height, 1, pbm.whiteFirst ? whiteFirst : blackFirst, 0)) != kOk)
        return rc;
    // Ink is 1 in PBM; with black first it must become index 0.
    uint8_t flip = pbm.whiteFirst ? 0x00 : 0xFF;
    uint8_t paper = pbm.whiteFirst ? 0x00 : 0xFF;
    uint8_t tailMask = static_cast<uint8_t>(0xFF >> (pbm.width % 8 ? pbm.width % 8 : 8));
    for (int64_t y = 0; y < pbm.height; ++y) {
        const uint8_t* src = pbm.rows.data() + static_cast<size_t>(y) * pbm.stride;
        uint8_t* out = dib.Row(y);
        for (size_t i = 0; i < pbm.stride; ++i) out[i] = src[i] ^ flip;
        out[pbm.stride - 1] = static_cast<uint8_t>((out[pbm.stride - 1] & ~tailMask) | (paper & tailMask));
        std::memset(out + pbm.stride, paper, dib.Stride() - pbm.stride);
    }
    return kOk;
}

}  // namespace

SPI_EXPORT int __stdcall GetPluginInfo(int infono, LPSTR buf, int buflen) {
    return PluginInfo(kInfo, 4, infono, buf, buflen);
}

SPI_EXPORT int __stdcall IsSupported(LPCSTR filename, DWORD_PTR dw) {
    Head head;
    return ReadHead(dw, head) && IsPbm(head.bytes) ? 1 : 0;
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
