#include "image/ImageFormat.h"

#include <cstring>

#include "base/ByteReader.h"
#include "base/SjisText.h"

LoaderKind LoaderForExtension(std::string_view ext) {
    struct Row {
        const char* ext;
        LoaderKind kind;
    };
    static const Row kRows[] = {
        {".bmp", LoaderKind::Bitmap},      {".jpg", LoaderKind::Picture},     {".jpeg", LoaderKind::Picture},
        {".gif", LoaderKind::Picture},     {".png", LoaderKind::PluginPng},   {".wmf", LoaderKind::PluginWmf},
        {".emf", LoaderKind::PluginGdip},  {".tif", LoaderKind::PluginTiff},  {".tiff", LoaderKind::PluginTiff},
        {".jww", LoaderKind::PluginJww},   {".jws", LoaderKind::PluginJww},   {".trd", LoaderKind::Graffiti},
    };
    for (const Row& r : kRows)
        if (SjisEqualNoCase(ext, r.ext)) return r.kind;
    return LoaderKind::Unknown;
}

bool IsJpegExtension(std::string_view ext) { return SjisEqualNoCase(ext, ".jpg") || SjisEqualNoCase(ext, ".jpeg"); }

uint8_t NextJpegMarker(ByteReader& r) {
    for (;;) {
        uint8_t marker = r.U8();
        while (r.Ok() && marker != 0xFF) marker = r.U8();  // tolerate fill bytes between segments
        while (r.Ok() && marker == 0xFF) marker = r.U8();
        if (!r.Ok()) return 0;
        if (marker != 0x01 && (marker < 0xD0 || marker > 0xD7)) return marker;
    }
}

ImageCheck CheckPictureFile(const uint8_t* bytes, size_t size, int& width, int& height) {
    if (size == 0) return ImageCheck::Empty;
    ByteReader r(bytes, size);
    const uint8_t first = r.U8(), second = r.U8();
    int64_t w = 0, h = 0;
    if (r.Ok() && first == 'B' && second == 'M') {  // the picture loader also reads bitmaps
        DibShape shape;
        ImageCheck rc = CheckBmpFile(bytes, size, shape);
        if (rc != ImageCheck::Ok) return rc;
        width = shape.Width;
        height = shape.Height;
        return rc;
    }
    if (r.Ok() && first == 0xFF && second == 0xD8) {
        for (;;) {
            const uint8_t marker = NextJpegMarker(r);
            if (!r.Ok()) return ImageCheck::Truncated;
            if (marker == 0xD9 || marker == 0xDA) return ImageCheck::Corrupt;  // no frame header before the scan
            ByteReader segment = r;
            const uint32_t length = segment.U16BE();
            if (!segment.Ok()) return ImageCheck::Truncated;
            if (length < 2) return ImageCheck::Corrupt;
            bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame) {
                segment.Skip(1);  // sample precision
                h = segment.U16BE();
                w = segment.U16BE();
                if (length < 8 || !segment.Ok()) return ImageCheck::Truncated;
                break;
            }
            r.Skip(length);
            if (!r.Ok()) return ImageCheck::Truncated;
        }
    } else {
        ByteReader gif(bytes, size);
        const uint8_t* signature = gif.Bytes(6);
        if (!signature || (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0))
            return ImageCheck::NotThisType;
        w = gif.U16LE();
        h = gif.U16LE();
        gif.Skip(3);  // flags, background, aspect: the whole screen descriptor
        if (!gif.Ok()) return ImageCheck::Truncated;
    }
    if (w <= 0 || h <= 0) return ImageCheck::Corrupt;
    if (!DibFits(w, h, 32)) return ImageCheck::TooLarge;
    width = int(w);
    height = int(h);
    return ImageCheck::Ok;
}

uint8_t MonoInversionMask(uint8_t paletteEntry0Blue) { return paletteEntry0Blue != 0 ? 0xFF : 0x00; }
int MonoDibPitch(int width) { return ((width + 31) / 32) * 4; }
int MonoDevicePitch(int width) { return ((width + 15) / 16) * 2; }
int MonoDeviceWidth(int width) {
    return MonoDevicePitch(width) == MonoDibPitch(width) ? width : 16 * ((width + 15) / 16) + 1;
}

void FlipMonoRows(uint8_t* bits, int width, int height, uint8_t mask, bool bottomUp) {
    const size_t pitch = size_t(MonoDibPitch(width));
    if (bottomUp) {
        for (int r = 1; r <= height / 2; ++r) {
            uint8_t* a = bits + size_t(r - 1) * pitch;
            uint8_t* b = bits + size_t(height - r) * pitch;
            for (size_t i = 0; i < pitch; ++i) {
                uint8_t t = a[i] ^ mask;
                a[i] = b[i] ^ mask;
                b[i] = t;
            }
        }
        if (height % 2 == 1) {
            uint8_t* m = bits + size_t(height / 2) * pitch;
            for (size_t i = 0; i < pitch; ++i) m[i] ^= mask;
        }
    } else {
        for (size_t i = 0; i < pitch * size_t(height); ++i) bits[i] ^= mask;
    }
    // Padding bits become paper: the widened device bitmap shows them as columns.
    const int fullBytes = width / 8, restBits = width % 8;
    for (int r = 0; r < height; ++r) {
        uint8_t* row = bits + size_t(r) * pitch;
        size_t first = size_t(fullBytes);
        if (restBits) {
            row[first] |= uint8_t(0xFF >> restBits);
            ++first;
        }
        for (size_t i = first; i < pitch; ++i) row[i] = 0xFF;
    }
}
