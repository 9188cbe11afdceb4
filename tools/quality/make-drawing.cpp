// Helper for tools/trace-compare.sh: writes the synthetic drawings as PBM, a grey scan of one
// as PGM, and runs Pixaro's monochrome conversion on a PGM/PPM the way pixaro-trace does.
//   make-drawing pbm KIND SHEET SEED OUT.pbm      KIND: lines dashed ... mixed, hatching dimensions
//                                                 walls circles offsets scan, any + "-scanned";
//                                                 SHEET: a4 a3 a1
//   make-drawing pgm WIDTH HEIGHT SEED OUT.pgm     grey paper and ink with noise
//   make-drawing threshold IN N OUT.pbm            read, SimpleMonochrome, write P4
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SyntheticDrawing.h"
#include "imageops/Monochrome.h"
#include "vectorize/TraceInput.h"

using namespace quality;

namespace {

bool WriteAll(const char* path, const std::string& header, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() && std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

int Usage() {
    std::fputs("usage: make-drawing pbm KIND a4|a3|a1 SEED OUT | pgm WIDTH HEIGHT SEED OUT | threshold IN N OUT\n", stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string verb = argv[1];
    if (verb == "pbm" && argc == 6) {
        Kind kind = Kind::Mixed;
        std::string name = argv[2];
        const bool scanned = name.size() > 8 && name.compare(name.size() - 8, 8, "-scanned") == 0;
        if (scanned) name.resize(name.size() - 8);
        for (Kind k : kAllKinds)
            if (name == KindName(k)) kind = k;
        for (Kind k : kTechnicalKinds)
            if (name == KindName(k)) kind = k;
        const Sheet sheet = std::strcmp(argv[3], "a1") == 0 ? kA1At400 : std::strcmp(argv[3], "a3") == 0 ? kA3At300 : kA4At200;
        const Drawing d = MakeDrawing(kind, sheet.width, sheet.height, uint32_t(std::atoi(argv[4])), scanned);
        const std::string pbm = ToPbm(d.Image);
        return WriteAll(argv[5], "", reinterpret_cast<const uint8_t*>(pbm.data()), pbm.size()) ? 0 : 2;
    }
    if (verb == "pgm" && argc == 6) {
        const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
        const Drawing d = MakeDrawing(Kind::Mixed, w, h, uint32_t(std::atoi(argv[4])));
        std::vector<uint8_t> grey(size_t(w) * size_t(h));
        uint32_t noise = 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int jitter = int(noise >> 27) - 16;  // -16..15
                grey[size_t(y) * size_t(w) + size_t(x)] = uint8_t((d.Image.Ink(x, y) ? 50 : 220) + jitter);
            }
        const std::string header = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        return WriteAll(argv[5], header, grey.data(), grey.size()) ? 0 : 2;
    }
    if (verb == "threshold" && argc == 5) {
        FILE* f = std::fopen(argv[2], "rb");
        if (!f) return 2;
        std::vector<uint8_t> bytes;
        uint8_t buffer[1 << 16];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
        TraceInput in;
        if (ReadTraceInput(bytes.data(), bytes.size(), in) != kInputOk || in.Mono) return 2;
        const auto t0 = std::chrono::steady_clock::now();
        BilevelImage out;
        if (!SimpleMonochrome(in.Colour, out, std::atoi(argv[3]))) return 2;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        // P4 rows are (width + 7) / 8 bytes with 1 = black: the bilevel rows inverted and cut.
        const size_t rowBytes = (size_t(in.Colour.Width) + 7) / 8;
        std::vector<uint8_t> pbm(rowBytes * size_t(out.Height));
        for (int y = 0; y < out.Height; ++y)
            for (size_t b = 0; b < rowBytes; ++b) pbm[size_t(y) * rowBytes + b] = uint8_t(~out.Bits[size_t(y) * size_t(out.Pitch) + b]);
        const std::string header = "P4\n" + std::to_string(in.Colour.Width) + " " + std::to_string(out.Height) + "\n";
        std::fprintf(stderr, "SimpleMonochrome %.3f s\n", seconds);
        return WriteAll(argv[4], header, pbm.data(), pbm.size()) ? 0 : 2;
    }
    return Usage();
}
