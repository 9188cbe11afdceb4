// pixaro-png: Pixaro's PNG writer and reader on the command line.
//   pixaro-png IN.bmp|IN.pnm OUT.png   writes the picture as the Save command does (a 1-bit
//                                      picture stays 1-bit)
//   pixaro-png --decode IN.png OUT.ppm the pixels the ifpng plug-in hands the viewer, as PPM
// Exit status 1 with a message on stderr when a file cannot be read or written.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/SafeFile.h"
#include "image/PngRead.h"
#include "image/RasterFile.h"
#include "imageops/PngWriter.h"

namespace {

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "pixaro-png: %s\n", text.c_str());
    return 1;
}

uint32_t Rgb(uint32_t bgr) { return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF); }

int Encode(const char* in, const char* out) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(in, bytes)) return Fail(std::string("cannot read ") + in);
    RasterReader raster;
    if (raster.Open(bytes.data(), bytes.size()) != ImageCheck::Ok) return Fail(std::string("not a picture: ") + in);
    DibPixels pixels;
    if (!pixels.Allocate(raster.Width(), raster.Height(), raster.Mono() ? 1 : 24)) return Fail("too large");
    std::vector<uint32_t> row(size_t(raster.Width()));
    if (raster.Mono()) pixels.Palette = {Rgb(raster.MonoColour(0)), Rgb(raster.MonoColour(1))};
    for (int y = 0; y < pixels.Height; ++y) {
        uint8_t* dst = pixels.Row(y);
        if (raster.Mono()) {
            if (raster.ReadMonoRow(dst) != ImageCheck::Ok) return Fail(std::string("damaged: ") + in);
            continue;
        }
        if (raster.ReadColourRow(row.data()) != ImageCheck::Ok) return Fail(std::string("damaged: ") + in);
        for (int x = 0; x < pixels.Width; ++x)
            dst[3 * x] = uint8_t(row[x] >> 16), dst[3 * x + 1] = uint8_t(row[x] >> 8), dst[3 * x + 2] = uint8_t(row[x]);
    }
    std::vector<uint8_t> png;
    if (!EncodePng(pixels, png)) return Fail("cannot encode");
    const SaveResult r = SaveBytes(out, png.data(), png.size());
    return r == SaveResult::Saved ? 0 : Fail(std::string(SaveResultText(r)) + ": " + out);
}

int Decode(const char* in, const char* out) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(in, bytes)) return Fail(std::string("cannot read ") + in);
    PngPicture picture;
    const PngStatus s = ReadPng(bytes.data(), bytes.size(), picture);
    if (s != PngStatus::Ok) return Fail("refused (" + std::to_string(int(s)) + "): " + in);
    const PngLayout& l = picture.Layout;
    std::string ppm = "P6\n" + std::to_string(l.Width) + " " + std::to_string(l.Height) + "\n255\n";
    std::vector<uint8_t> file(ppm.begin(), ppm.end());
    file.reserve(file.size() + size_t(l.Width) * size_t(l.Height) * 3);
    for (int y = 0; y < l.Height; ++y)
        for (int x = 0; x < l.Width; ++x) {
            const uint32_t c = picture.ColourAt(x, y);
            const uint8_t rgb[3] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
            file.insert(file.end(), rgb, rgb + 3);
        }
    const SaveResult r = SaveBytes(out, file.data(), file.size());
    return r == SaveResult::Saved ? 0 : Fail(std::string(SaveResultText(r)) + ": " + out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--decode") == 0) return Decode(argv[2], argv[3]);
    if (argc == 3 && argv[1][0] != '-') return Encode(argv[1], argv[2]);
    std::fprintf(stderr, "usage: pixaro-png IN.bmp|IN.pnm OUT.png\n       pixaro-png --decode IN.png OUT.ppm\n");
    return 2;
}
