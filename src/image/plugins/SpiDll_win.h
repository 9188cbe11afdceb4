// Win32 side shared by the Susie plug-ins: reading the input and handing back a DIB.
#pragma once
#include <windows.h>
#include <cstring>
#include "SpiFormats.h"

typedef int(__stdcall* SpiProgress)(int num, int denom, LONG_PTR data);

#define SPI_EXPORT extern "C" __declspec(dllexport)

namespace spi {

// The whole input in a movable global block, the form a GDI+ stream wants.
class InputBlock {
public:
    InputBlock() = default;
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;
    ~InputBlock() { Free(); }

    int Allocate(size_t n) {
        Free();
        if (n == 0 || n > kMaxPluginInputBytes) return n == 0 ? kUnknownFormat : kNoMemory;
        mem_ = GlobalAlloc(GMEM_MOVEABLE, n);
        if (!mem_) return kNoMemory;
        data_ = static_cast<uint8_t*>(GlobalLock(mem_));
        if (!data_) { Free(); return kMemoryError; }
        size_ = n;
        return kOk;
    }
    uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }
    ByteReader View() const { return ByteReader(data_, size_); }
    // The block goes to a stream that frees it.
    HGLOBAL Detach() {
        if (data_) GlobalUnlock(mem_);
        HGLOBAL h = mem_;
        mem_ = nullptr; data_ = nullptr; size_ = 0;
        return h;
    }
    void Free() { if (HGLOBAL h = Detach()) GlobalFree(h); }

private:
    HGLOBAL mem_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// flag & 7 == 1: buf is the data, len its length; 0: buf is a path, len an offset into it.
inline int ReadInput(LPCSTR buf, LONG_PTR len, unsigned flag, InputBlock& out) {
    if (!buf) return kInternalError;
    if ((flag & 7) == 1) {
        if (len <= 0) return kUnknownFormat;
        int rc = out.Allocate(static_cast<size_t>(len));
        if (rc == kOk) std::memcpy(out.Data(), buf, static_cast<size_t>(len));
        return rc;
    }
    if ((flag & 7) != 0 || len < 0) return kInternalError;
    HANDLE file = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kReadError;
    int rc = kOk;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < len) rc = kReadError;
    LARGE_INTEGER start{};
    start.QuadPart = len;
    if (rc == kOk && !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) rc = kReadError;
    uint64_t n = rc == kOk ? static_cast<uint64_t>(size.QuadPart - len) : 0;
    if (rc == kOk) rc = n > kMaxPluginInputBytes ? kNoMemory : out.Allocate(static_cast<size_t>(n));
    for (uint64_t done = 0; rc == kOk && done < n;) {
        DWORD chunk = static_cast<DWORD>(n - done > (1u << 24) ? (1u << 24) : n - done), got = 0;
        if (!ReadFile(file, out.Data() + done, chunk, &got, nullptr) || got == 0) rc = kReadError;
        done += got;
    }
    CloseHandle(file);
    if (rc != kOk) out.Free();
    return rc;
}

// IsSupported gets either a 2 KB head of the file or, by the old convention, a file handle.
struct Head {
    uint8_t copy[2048];
    ByteReader bytes;
};
inline bool ReadHead(DWORD_PTR dw, Head& head) {
    if (dw == 0) return false;
    if ((dw & ~DWORD_PTR{0xFFFF}) != 0) {
        head.bytes = ByteReader(reinterpret_cast<const uint8_t*>(dw), sizeof head.copy);
        return true;
    }
    std::memset(head.copy, 0, sizeof head.copy);
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(dw), head.copy, sizeof head.copy, &got, nullptr))
        return false;
    head.bytes = ByteReader(head.copy, got);
    return true;
}

// The two LocalAlloc'd results of GetPicture; both are freed unless Release() hands them over.
class DibOut {
public:
    DibOut() = default;
    DibOut(const DibOut&) = delete;
    DibOut& operator=(const DibOut&) = delete;
    ~DibOut() {
        if (info_) { LocalUnlock(info_); LocalFree(info_); }
        if (bits_) { LocalUnlock(bits_); LocalFree(bits_); }
    }

    // palette: two entries for 1 bpp, ignored for 24 bpp.
    int Allocate(int64_t width, int64_t height, int bpp, const RGBQUAD* palette, double dpi) {
        if (!DibFits(width, height, bpp)) return kNoMemory;
        stride_ = static_cast<size_t>(DibRowBytes(width, bpp));
        size_t colours = bpp == 1 ? 2 : 0;
        // One spare RGBQUAD so readers that take bmiColors[0] of a 24-bit header stay inside.
        size_t infoSize = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * (colours ? colours : 1);
        size_t bitsSize = stride_ * static_cast<size_t>(height);
        info_ = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, infoSize);
        bits_ = LocalAlloc(LMEM_MOVEABLE, bitsSize);
        if (!info_ || !bits_) return kNoMemory;
        header_ = static_cast<BITMAPINFO*>(LocalLock(info_));
        pixels_ = static_cast<uint8_t*>(LocalLock(bits_));
        if (!header_ || !pixels_) return kMemoryError;
        BITMAPINFOHEADER& h = header_->bmiHeader;
        h.biSize = sizeof(BITMAPINFOHEADER);
        h.biWidth = static_cast<LONG>(width);
        h.biHeight = static_cast<LONG>(height);
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bpp);
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(bitsSize);
        LONG perMetre = dpi > 0 && dpi < 100000 ? static_cast<LONG>(dpi / 0.0254 + 0.5) : 3780;
        h.biXPelsPerMeter = h.biYPelsPerMeter = perMetre;
        h.biClrUsed = h.biClrImportant = static_cast<DWORD>(colours);
        for (size_t i = 0; i < colours; ++i) header_->bmiColors[i] = palette[i];
        return kOk;
    }
    size_t Stride() const { return stride_; }
    // Row 0 is the top of the picture; the DIB keeps it last.
    uint8_t* Row(int64_t topDownRow) const {
        int64_t height = header_->bmiHeader.biHeight;
        return pixels_ + static_cast<size_t>(height - 1 - topDownRow) * stride_;
    }
    void Release(HANDLE* info, HANDLE* bits) {
        LocalUnlock(info_);
        LocalUnlock(bits_);
        *info = info_;
        *bits = bits_;
        info_ = bits_ = nullptr;
    }

private:
    HLOCAL info_ = nullptr, bits_ = nullptr;
    BITMAPINFO* header_ = nullptr;
    uint8_t* pixels_ = nullptr;
    size_t stride_ = 0;
};

inline int CopyInfo(const char* text, LPSTR buf, int buflen) {
    if (!buf || buflen <= 0) return 0;
    int n = static_cast<int>(std::strlen(text));
    if (n >= buflen) n = buflen - 1;
    std::memcpy(buf, text, static_cast<size_t>(n));
    buf[n] = '\0';
    return n;
}

// Info strings: the API version, a description, then pattern/name pairs.
inline int PluginInfo(const char* const* table, int count, int infono, LPSTR buf, int buflen) {
    if (infono < 0 || infono >= count) return 0;
    return CopyInfo(table[infono], buf, buflen);
}

inline bool Cancelled(SpiProgress progress, int num, int denom, LONG_PTR data) {
    return progress && progress(num, denom, data) != 0;
}

}  // namespace spi
