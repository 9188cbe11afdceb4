// pixaro-trace: traces a 1-bit drawing into straight segments with Pixaro's tracer and
// compressor and prints them as "x1 y1 x2 y2" lines in 1-based pixel coordinates.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <new>
#include <vector>

#include "base/Cp932.h"
#include "imageops/Monochrome.h"
#include "vectorize/Tracer.h"
#include "vectorize/TraceInput.h"

namespace {

constexpr const char* kUsage =
    "usage: pixaro-trace [--mode solid|outline] [--level 1..6] [--region X,Y,W,H]\n"
    "                    [--threshold N] INPUT [-o OUTPUT]\n"
    "  INPUT      1-bit BMP or PBM (P1/P4); with --threshold also grey or colour BMP, PGM, PPM\n"
    "  --mode     solid traces every ink pixel, outline only the edges of filled areas (solid)\n"
    "  --level    precision, 1 coarse .. 5 fine, 6 no compression (3)\n"
    "  --region   0-based pixel rectangle to trace; W or H 0 = the whole image\n"
    "  --threshold N  the monochrome conversion for grey and colour pictures: a pixel with\n"
    "             any channel below N (1..255) is ink; 255 makes every non-white pixel ink\n"
    "  -o OUTPUT  write the segments there instead of to standard output\n"
    "Prints one segment per line as \"x1 y1 x2 y2\"; the count and the time go to standard error.\n";

enum Exit { kExitOk = 0, kExitUsage = 1, kExitInput = 2, kExitTrace = 3, kExitOutput = 4 };

// Not <chrono>: its "\u00b5s" literal has no code page 932 form, so it does not compile here.
double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "pixaro-trace: %s\n", message.c_str());
    return code;
}

bool ParseInt(const char* text, int lo, int hi, int& out) {
    const char* end = text + std::strlen(text);
    int v = 0;
    auto [p, ec] = std::from_chars(text, end, v);
    if (ec != std::errc() || p != end || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseRegion(const char* text, ImageRegion& r) {
    int v[4];
    const char* p = text;
    const char* end = text + std::strlen(text);
    for (int i = 0; i < 4; ++i) {
        auto [next, ec] = std::from_chars(p, end, v[i]);
        if (ec != std::errc() || v[i] < 0) return false;
        p = next;
        if (i < 3) {
            if (p == end || *p != ',') return false;
            ++p;
        }
    }
    if (p != end) return false;
    r = {v[0], v[1], v[2], v[3]};
    return true;
}

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) bytes.reserve(size_t(size));
        std::rewind(f);
    }
    uint8_t buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteSegments(const LineStore& store, FILE* out) {
    std::string text;
    text.reserve(1 << 20);
    char number[16];
    for (int32_t i = 1; i < store.EndpointCount(); i += 2) {
        const int32_t v[4] = {store.EndpointX(i), store.EndpointY(i), store.EndpointX(i + 1), store.EndpointY(i + 1)};
        for (int k = 0; k < 4; ++k) {
            auto [end, ec] = std::to_chars(number, number + sizeof number, v[k]);
            text.append(number, end);
            text += k < 3 ? ' ' : '\n';
        }
        if (text.size() > (1 << 20) - 64) {
            if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) return false;
            text.clear();
        }
    }
    return std::fwrite(text.data(), 1, text.size(), out) == text.size() && std::fflush(out) == 0;
}

int Run(int argc, char** argv) {
    bool outline = false;
    int level = kDefaultLevel, threshold = 0;
    ImageRegion region;
    const char* input = nullptr;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (a == "--mode" && hasValue) {
            const std::string m = argv[++i];
            if (m != "solid" && m != "outline") return Fail(kExitUsage, "--mode takes solid or outline, not '" + m + "'");
            outline = m == "outline";
        } else if (a == "--level" && hasValue) {
            if (!ParseInt(argv[++i], 1, 6, level)) return Fail(kExitUsage, "--level takes 1 to 6");
        } else if (a == "--threshold" && hasValue) {
            if (!ParseInt(argv[++i], 1, 255, threshold)) return Fail(kExitUsage, "--threshold takes 1 to 255");
        } else if (a == "--region" && hasValue) {
            if (!ParseRegion(argv[++i], region)) return Fail(kExitUsage, "--region takes X,Y,W,H (four numbers, none negative)");
        } else if (a == "-o" && hasValue) {
            output = argv[++i];
        } else if (a == "--mode" || a == "--level" || a == "--threshold" || a == "--region" || a == "-o") {
            return Fail(kExitUsage, "missing value for " + a);
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail(kExitUsage, "unknown option " + a + "\n" + kUsage);
        } else if (!input) {
            input = argv[i];
        } else {
            return Fail(kExitUsage, "more than one input: '" + std::string(input) + "' and '" + a + "'");
        }
    }
    if (!input) return Fail(kExitUsage, std::string("no input file\n") + kUsage);

    const double start = NowSeconds();
    std::vector<uint8_t> bytes;
    if (!ReadFile(input, bytes)) return Fail(kExitInput, std::string("cannot read ") + input + ": " + std::strerror(errno));
    TraceInput picture;
    if (int rc = ReadTraceInput(bytes.data(), bytes.size(), picture); rc != kInputOk)
        return Fail(kExitInput, std::string(input) + ": " + TraceInputErrorText(rc));
    bytes = {};
    MonoBits bits = picture.Bits.Bits();
    BilevelImage converted;
    double thresholdSeconds = 0;
    if (!picture.Mono) {
        if (threshold == 0)
            return Fail(kExitInput, std::string(input) + ": a grey or colour image; give --threshold N to make it 1-bit");
        const double t0 = NowSeconds();
        if (!SimpleMonochrome(picture.Colour, converted, threshold))
            return Fail(kExitInput, std::string(input) + ": too large for the monochrome conversion");
        thresholdSeconds = NowSeconds() - t0;
        // Its rows are padded white to a multiple of 32 columns; 0 bits are black.
        bits = MonoBits{converted.Bits.data(), picture.Colour.Width, converted.Height, size_t(converted.Pitch), false, 0};
        picture.Colour = {};
    }

    if (p_ta.CreateStore() != 0) return Fail(kExitTrace, "not enough memory for the line store");
    const double traceStart = NowSeconds();
    const int rc = TraceImage(bits, TraceOptionsFor(level, outline, region), p_ta);
    const double traceEnd = NowSeconds();
    if (rc == kTraceTooLarge) return Fail(kExitTrace, "the region reaches column 40000 or row 20000; nothing traced");
    if (rc == kTraceStoreFull)
        std::fprintf(stderr, "pixaro-trace: %s; writing what was traced\n", Cp932ToUtf8(StoreFullText(p_ta)).c_str());
    else if (rc == kTraceNoMemory) return Fail(kExitTrace, "not enough memory to trace this picture");
    else if (rc != kTraceDone) return Fail(kExitTrace, "tracing failed (" + std::to_string(rc) + ")");

    FILE* out = output ? std::fopen(output, "wb") : stdout;
    if (!out) return Fail(kExitOutput, std::string("cannot create ") + output + ": " + std::strerror(errno));
    const bool written = WriteSegments(p_ta, out);
    if (output && std::fclose(out) != 0) return Fail(kExitOutput, std::string("cannot write ") + output);
    if (!written) return Fail(kExitOutput, std::string("cannot write ") + (output ? output : "standard output"));
    const double end = NowSeconds();
    char thresholdText[48] = "";
    if (!picture.Mono) std::snprintf(thresholdText, sizeof thresholdText, "threshold %.3f s, ", thresholdSeconds);
    std::fprintf(stderr, "pixaro-trace: %s lines, %dx%d, level %d %s; %strace+compress %.3f s, total %.3f s\n",
                 FormatThousands(p_ta.LineCount()).c_str(), bits.Width, bits.Height, level, outline ? "outline" : "solid",
                 thresholdText, traceEnd - traceStart, end - start);
    return rc == kTraceStoreFull ? kExitTrace : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail(kExitInput, "not enough memory for this picture");
    }
}
