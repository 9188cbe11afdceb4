// spicheck: load one Susie plug-in, decode one file the way the viewer does, report the result.
//   spicheck [-i] [-f] [-h] [-o OFFSET] [-d OUT.bmp] PLUGIN.spi FILE
// -i lists the plug-in info strings, -f decodes from the file instead of memory,
// -h gives IsSupported an open file handle instead of the head, -d saves the result.
// Prints "OK width height bpp palette0=RRGGBB topleft=RRGGBB center=RRGGBB" (exit 0),
// "UNSUPPORTED" (2), "ERROR code" (3), "BAD reason" for a malformed result (4), other failures (1).
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

typedef int(__stdcall* GetPluginInfoFn)(int, LPSTR, int);
typedef int(__stdcall* IsSupportedFn)(LPCSTR, DWORD_PTR);
typedef int(__stdcall* ProgressFn)(int, int, LONG_PTR);
typedef int(__stdcall* GetPictureFn)(LPCSTR, LONG_PTR, unsigned int, HANDLE*, HANDLE*, ProgressFn, LONG_PTR);

int __stdcall CountProgress(int, int, LONG_PTR data) {
    ++*reinterpret_cast<int*>(data);
    return 0;
}

bool ReadWhole(const char* path, std::vector<char>& out, DWORD& size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) {
        // Plug-ins may read a zero-padded 2 KB head wherever the data starts.
        out.assign(static_cast<size_t>(size) + 2048, 0);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(file, out.data(), size, &got, nullptr) && got == size);
    }
    CloseHandle(file);
    return ok;
}

struct Dib {
    const BITMAPINFO* info;
    const uint8_t* bits;
    size_t stride;
    unsigned Pixel(LONG x, LONG y) const {  // y from the top; returns 0xRRGGBB
        const BITMAPINFOHEADER& h = info->bmiHeader;
        LONG row = h.biHeight > 0 ? h.biHeight - 1 - y : y;
        const uint8_t* p = bits + static_cast<size_t>(row) * stride;
        auto rgb = [](unsigned red, unsigned green, unsigned blue) { return red << 16 | green << 8 | blue; };
        if (h.biBitCount == 1) {
            const RGBQUAD& q = info->bmiColors[(p[x / 8] >> (7 - x % 8)) & 1];
            return rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        if (h.biBitCount != 24 && h.biBitCount != 32) return 0;
        const uint8_t* bgr = p + static_cast<size_t>(x) * (h.biBitCount / 8);
        return rgb(bgr[2], bgr[1], bgr[0]);
    }
};

bool WriteBmp(const char* path, const BITMAPINFO* info, size_t infoSize, const uint8_t* bits, size_t bitsSize) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = static_cast<DWORD>(sizeof file + infoSize);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + bitsSize);
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(info, infoSize, 1, out) == 1 &&
              std::fwrite(bits, bitsSize, 1, out) == 1;
    return std::fclose(out) == 0 && ok;
}

int Usage() {
    std::fprintf(stderr, "usage: spicheck [-i] [-f] [-h] [-o OFFSET] [-d OUT.bmp] PLUGIN.spi FILE\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool info = false, fromFile = false, byHandle = false;
    long offset = 0;
    const char* dump = nullptr;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        if (!std::strcmp(argv[arg], "-i")) info = true;
        else if (!std::strcmp(argv[arg], "-f")) fromFile = true;
        else if (!std::strcmp(argv[arg], "-h")) byHandle = true;
        else if (!std::strcmp(argv[arg], "-o") && arg + 1 < argc) offset = std::atol(argv[++arg]);
        else if (!std::strcmp(argv[arg], "-d") && arg + 1 < argc) dump = argv[++arg];
        else return Usage();
    }
    if (argc - arg != 2) return Usage();
    const char* pluginPath = argv[arg];
    const char* path = argv[arg + 1];

    HMODULE plugin = LoadLibraryA(pluginPath);
    if (!plugin) {
        std::printf("LOADFAIL %lu\n", GetLastError());
        return 1;
    }
    auto getInfo = reinterpret_cast<GetPluginInfoFn>(GetProcAddress(plugin, "GetPluginInfo"));
    auto isSupported = reinterpret_cast<IsSupportedFn>(GetProcAddress(plugin, "IsSupported"));
    auto getPicture = reinterpret_cast<GetPictureFn>(GetProcAddress(plugin, "GetPicture"));
    if (!getInfo || !isSupported || !getPicture) {
        std::printf("NOFUNC\n");
        return 1;
    }
    if (info) {
        char text[256];
        for (int i = 0; getInfo(i, text, sizeof text) > 0; ++i) std::printf("INFO %d %s\n", i, text);
    }

    std::vector<char> data;
    DWORD size = 0;
    // An offset past the end is left for the plug-in's file path to refuse.
    if (!ReadWhole(path, data, size) || offset < 0 || (!fromFile && static_cast<DWORD>(offset) > size)) {
        std::printf("READFAIL\n");
        return 1;
    }
    DWORD headOffset = static_cast<DWORD>(offset) > size ? size : static_cast<DWORD>(offset);
    int supported = 0;
    if (byHandle) {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFilePointer(file, static_cast<LONG>(headOffset), nullptr, FILE_BEGIN);
        supported = isSupported(path, reinterpret_cast<DWORD_PTR>(file));
        CloseHandle(file);
    } else {
        supported = isSupported(path, reinterpret_cast<DWORD_PTR>(data.data() + headOffset));
    }
    if (!supported) {
        std::printf("UNSUPPORTED\n");
        return 2;
    }

    HANDLE infoHandle = nullptr, bitsHandle = nullptr;
    int calls = 0;
    int rc = fromFile ? getPicture(path, offset, 0, &infoHandle, &bitsHandle, CountProgress,
                                   reinterpret_cast<LONG_PTR>(&calls))
                      : getPicture(data.data() + offset, static_cast<LONG_PTR>(size) - offset, 1, &infoHandle,
                                   &bitsHandle, CountProgress, reinterpret_cast<LONG_PTR>(&calls));
    if (rc != 0) {
        std::printf("ERROR %d\n", rc);
        return 3;
    }
    if (!infoHandle || !bitsHandle) {
        std::printf("BAD null handle\n");
        return 4;
    }
    auto* header = static_cast<const BITMAPINFO*>(LocalLock(infoHandle));
    auto* bits = static_cast<const uint8_t*>(LocalLock(bitsHandle));
    const BITMAPINFOHEADER& h = header->bmiHeader;
    LONG width = h.biWidth, height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    size_t stride = (static_cast<size_t>(width) * h.biBitCount + 31) / 32 * 4;
    size_t colours = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount) : 0;
    size_t infoSize = h.biSize + colours * sizeof(RGBQUAD);
    const char* bad = nullptr;
    if (h.biSize < sizeof(BITMAPINFOHEADER)) bad = "header size";
    else if (width <= 0 || height <= 0 || h.biPlanes != 1) bad = "dimensions";
    else if (h.biCompression != BI_RGB) bad = "compression";
    else if (LocalSize(infoHandle) < infoSize) bad = "info block too small";
    else if (LocalSize(bitsHandle) < stride * static_cast<size_t>(height)) bad = "bits block too small";
    if (bad) {
        std::printf("BAD %s\n", bad);
        return 4;
    }

    Dib dib{header, bits, stride};
    char palette0[16] = "none";
    if (colours) {
        const RGBQUAD& q = header->bmiColors[0];
        std::snprintf(palette0, sizeof palette0, "%02X%02X%02X", q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    std::printf("OK %ld %ld %d palette0=%s topleft=%06X center=%06X progress=%d\n", width, height, h.biBitCount,
                palette0, dib.Pixel(0, 0), dib.Pixel(width / 2, height / 2), calls);
    if (dump && !WriteBmp(dump, header, infoSize, bits, stride * static_cast<size_t>(height))) {
        std::printf("DUMPFAIL\n");
        return 1;
    }
    LocalUnlock(infoHandle);
    LocalUnlock(bitsHandle);
    LocalFree(infoHandle);
    LocalFree(bitsHandle);
    FreeLibrary(plugin);
    return 0;
}
