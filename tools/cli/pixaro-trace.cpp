// pixaro-trace: traces a 1-bit drawing into straight segments with Pixaro's tracer and
// compressor and prints them as "x1 y1 x2 y2" lines in 1-based pixel coordinates, or in
// JWW's coordinate text or "Jw_win" block exactly as the conversion dialog writes them; and
// checks such files with the reader the tests use; and writes a graffiti layer's coordinate
// text as the graffiti export dialog does.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <new>
#include <vector>

#include "base/Cp932.h"
#include "base/InputFile.h"
#include "base/SafeFile.h"
#include "graffiti/GraffitiJww.h"
#include "graffiti/TrdFile.h"
#include "imageops/Monochrome.h"
#include "vectorize/ConversionSettings.h"
#include "vectorize/VectorOutput.h"
#include "vectorize/Tracer.h"
#include "vectorize/TraceInput.h"

namespace {

constexpr const char* kUsage =
    "usage: pixaro-trace [--mode solid|outline|centre] [--level 1..6] [--threads N] [--region X,Y,W,H]\n"
    "                    [--threshold N] [--format pixels|jww|jww-clip] [--dpi N] [--scale N]\n"
    "                    INPUT [-o OUTPUT]\n"
    "       pixaro-trace --check FILE\n"
    "       pixaro-trace --graffiti FILE.trd [--dpi N] [--scale N] [-o OUTPUT]\n"
    "  INPUT      1-bit BMP or PBM (P1/P4); with --threshold also grey or colour BMP, PGM, PPM\n"
    "  --mode     solid traces every ink pixel, outline only the edges of filled areas,\n"
    "             centre one line along the middle of each stroke, with its width (solid)\n"
    "  --level    precision, 1 coarse .. 5 fine, 6 no compression (3)\n"
    "  --threads N  workers of the centre mode, 0 = one per core (0); the lines do not\n"
    "             depend on it\n"
    "  --region   0-based pixel rectangle to trace; W or H 0 = the whole image\n"
    "  --threshold N  the monochrome conversion for grey and colour pictures: a pixel with\n"
    "             any channel below N (1..255) is ink; 255 makes every non-white pixel ink\n"
    "  --format   pixels: \"x1 y1 x2 y2\" a line (default); jww: the coordinate text file in\n"
    "             millimetres; jww-clip: the \"Jw_win\" clipboard block, zero tail included;\n"
    "             centre lines get their width class as line colour 1..3\n"
    "  --dpi N    scan resolution for the jww forms, 100..2000 (200)\n"
    "  --scale N  drawing scale 1/N for the jww forms, 1..10000 (100)\n"
    "  -o OUTPUT  write there (through a temporary file, replaced when complete) instead of\n"
    "             to standard output\n"
    "  --check FILE  read a coordinate text or \"Jw_win\" block and print its counts and\n"
    "             extent (and a block's first text); exit status 2 when it is malformed\n"
    "  --graffiti FILE.trd  the layer's coordinate text, as the graffiti export writes it\n"
    "The count and the time go to standard error.\n";

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

// A folder, a device or a file over the input limit is refused before anything is read.
bool ReadInput(const char* path, std::vector<uint8_t>& bytes, int& exitCode) {
    const InputStatus status = ReadInputFile(path, bytes);
    if (!status.Ok()) exitCode = Fail(kExitInput, std::string(path) + ": " + status.Message());
    return status.Ok();
}

enum class Format { Pixels, Jww, JwwClip };

// "x1 y1 x2 y2" per line, through put.
bool WriteSegments(const LineStore& store, const std::function<bool(const char*, size_t)>& put) {
    std::string text;
    text.reserve(1 << 16);
    char number[16];
    for (int32_t i = 1; i < store.EndpointCount(); i += 2) {
        const int32_t v[4] = {store.EndpointX(i), store.EndpointY(i), store.EndpointX(i + 1), store.EndpointY(i + 1)};
        for (int k = 0; k < 4; ++k) {
            auto [end, ec] = std::to_chars(number, number + sizeof number, v[k]);
            text.append(number, end);
            text += k < 3 ? ' ' : '\n';
        }
        if (text.size() > (1 << 16) - 64) {
            if (!put(text.data(), text.size())) return false;
            text.clear();
        }
    }
    return text.empty() || put(text.data(), text.size());
}

bool WriteOutput(const LineStore& store, Format format, int dpi, int scale,
                 const std::function<bool(const char*, size_t)>& put) {
    if (format == Format::Pixels) return WriteSegments(store, put);
    if (format == Format::Jww) return WriteVectorText(store, dpi, scale, put);
    std::vector<uint8_t> block(size_t(VectorBlockBytes(store)));
    if (BuildVectorBlock(store, dpi, scale, block.data(), block.size()) == 0) return false;
    return put(reinterpret_cast<const char*>(block.data()), block.size());
}

std::string Extent(const JwContent& c) {
    if (c.MinX > c.MaxX) return "empty";
    char text[160];
    std::snprintf(text, sizeof text, "x %.6f .. %.6f, y %.6f .. %.6f", c.MinX, c.MaxX, c.MinY, c.MaxY);
    return text;
}

// Tries the text form first: a block never ends its first line in CR LF with a command.
int Check(const char* path) {
    std::vector<uint8_t> bytes;
    if (int rc = 0; !ReadInput(path, bytes, rc)) return rc;
    JwContent text, block;
    const std::string textError = ReadJwCoordinateText(bytes.data(), bytes.size(), text);
    if (textError.empty()) {
        std::printf("%s: coordinate text, %zu lines, %zu points, %zu ellipses, %zu texts; %s\n", path, text.Lines.size(),
                    text.Points.size(), text.Ellipses.size(), text.Texts.size(), Extent(text).c_str());
        return kExitOk;
    }
    const std::string blockError = ReadJwBlock(bytes.data(), bytes.size(), block);
    if (blockError.empty()) {
        std::printf("%s: Jw_win block, %u objects (%zu lines, %zu ellipses, %zu texts), scale 1/%g, reference %g,%g, "
                    "%zu of %zu bytes used; %s\n",
                    path, block.Count, block.Lines.size(), block.Ellipses.size(), block.Texts.size(), block.Scale,
                    block.RefX, block.RefY, block.BlockBytesUsed, bytes.size(), Extent(block).c_str());
        if (!block.Texts.empty()) std::printf("first text \"%s\"\n", Cp932ToUtf8(block.Texts[0].Text).c_str());
        return kExitOk;
    }
    return Fail(kExitInput, std::string(path) + ": neither form: as text, " + textError + "; as a block, " + blockError);
}

int GraffitiText(const char* path, int dpi, int scale, const char* output) {
    std::vector<uint8_t> bytes;
    if (int rc = 0; !ReadInput(path, bytes, rc)) return rc;
    auto contents = std::make_unique<TrdContents>();
    if (DecodeTrd(bytes.data(), bytes.size(), *contents) != 0) return Fail(kExitInput, std::string(path) + ": not a readable .trd file");
    const std::string text = ExportGraffitiText(contents->Store, dpi, scale);
    if (!output) return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? kExitOk : Fail(kExitOutput, "cannot write standard output");
    const SaveResult r = SaveBytes(output, text.data(), text.size());
    return r == SaveResult::Saved ? kExitOk : Fail(kExitOutput, std::string("cannot write ") + output + ": " + Cp932ToUtf8(SaveResultText(r)));
}

int Run(int argc, char** argv) {
    enum class Mode { Solid, Outline, Centre } mode = Mode::Solid;
    int level = kDefaultLevel, threshold = 0, threads = 0;
    ImageRegion region;
    const char* input = nullptr;
    const char* output = nullptr;
    const char* graffiti = nullptr;
    Format format = Format::Pixels;
    int dpi = kDefaultDpi, scale = kDefaultScale;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (a == "--mode" && hasValue) {
            const std::string m = argv[++i];
            if (m != "solid" && m != "outline" && m != "centre")
                return Fail(kExitUsage, "--mode takes solid, outline or centre, not '" + m + "'");
            mode = m == "outline" ? Mode::Outline : m == "centre" ? Mode::Centre : Mode::Solid;
        } else if (a == "--level" && hasValue) {
            if (!ParseInt(argv[++i], 1, 6, level)) return Fail(kExitUsage, "--level takes 1 to 6");
        } else if (a == "--threads" && hasValue) {
            if (!ParseInt(argv[++i], 0, 1024, threads)) return Fail(kExitUsage, "--threads takes 0 to 1024");
        } else if (a == "--threshold" && hasValue) {
            if (!ParseInt(argv[++i], 1, 255, threshold)) return Fail(kExitUsage, "--threshold takes 1 to 255");
        } else if (a == "--region" && hasValue) {
            if (!ParseRegion(argv[++i], region)) return Fail(kExitUsage, "--region takes X,Y,W,H (four numbers, none negative)");
        } else if (a == "--format" && hasValue) {
            const std::string f = argv[++i];
            if (f != "pixels" && f != "jww" && f != "jww-clip")
                return Fail(kExitUsage, "--format takes pixels, jww or jww-clip, not '" + f + "'");
            format = f == "jww" ? Format::Jww : f == "jww-clip" ? Format::JwwClip : Format::Pixels;
        } else if (a == "--dpi" && hasValue) {
            if (!ParseInt(argv[++i], kMinDpi, kMaxDpi, dpi)) return Fail(kExitUsage, "--dpi takes 100 to 2000");
        } else if (a == "--scale" && hasValue) {
            if (!ParseInt(argv[++i], kMinScale, kMaxScale, scale)) return Fail(kExitUsage, "--scale takes 1 to 10000");
        } else if (a == "--check" && hasValue) {
            return Check(argv[++i]);
        } else if (a == "--graffiti" && hasValue) {
            graffiti = argv[++i];
        } else if (a == "-o" && hasValue) {
            output = argv[++i];
        } else if (a == "--mode" || a == "--level" || a == "--threads" || a == "--threshold" || a == "--region" || a == "-o" ||
                   a == "--format" || a == "--dpi" || a == "--scale" || a == "--check" || a == "--graffiti") {
            return Fail(kExitUsage, "missing value for " + a);
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail(kExitUsage, "unknown option " + a + "\n" + kUsage);
        } else if (!input) {
            input = argv[i];
        } else {
            return Fail(kExitUsage, "more than one input: '" + std::string(input) + "' and '" + a + "'");
        }
    }
    if (graffiti) return GraffitiText(graffiti, dpi, scale, output);
    if (!input) return Fail(kExitUsage, std::string("no input file\n") + kUsage);

    const double start = NowSeconds();
    std::vector<uint8_t> bytes;
    if (int rc = 0; !ReadInput(input, bytes, rc)) return rc;
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

    if (g_Lines.CreateStore() != 0) return Fail(kExitTrace, "not enough memory for the line store");
    const double traceStart = NowSeconds();
    TraceOptions options = mode == Mode::Centre ? CentreOptionsFor(level, region)
                                                : TraceOptionsFor(level, mode == Mode::Outline, region);
    options.Threads = threads;
    const int rc = TraceImage(bits, options, g_Lines);
    const double traceEnd = NowSeconds();
    if (rc == kTraceTooLarge) return Fail(kExitTrace, "the region reaches column 40000 or row 20000; nothing traced");
    if (rc == kTraceStoreFull)
        std::fprintf(stderr, "pixaro-trace: %s; writing what was traced\n", Cp932ToUtf8(StoreFullText(g_Lines)).c_str());
    else if (rc == kTraceNoMemory) return Fail(kExitTrace, "not enough memory to trace this picture");
    else if (rc != kTraceDone) return Fail(kExitTrace, "tracing failed (" + std::to_string(rc) + ")");

    if (output) {
        SafeFile file(output);
        const bool written =
            file.Ok() && WriteOutput(g_Lines, format, dpi, scale, [&file](const char* p, size_t n) { return file.Write(p, n); });
        if (!written && file.Ok()) return Fail(kExitOutput, "not enough memory for the output");
        const SaveResult result = written ? file.Commit() : file.Result();
        if (result != SaveResult::Saved)
            return Fail(kExitOutput, std::string("cannot write ") + output + ": " + Cp932ToUtf8(SaveResultText(result)));
    } else if (!WriteOutput(g_Lines, format, dpi, scale, [](const char* p, size_t n) { return std::fwrite(p, 1, n, stdout) == n; }) ||
               std::fflush(stdout) != 0) {
        return Fail(kExitOutput, "cannot write standard output");
    }
    const double end = NowSeconds();
    char thresholdText[48] = "";
    if (!picture.Mono) std::snprintf(thresholdText, sizeof thresholdText, "threshold %.3f s, ", thresholdSeconds);
    std::fprintf(stderr, "pixaro-trace: %s lines, %dx%d, level %d %s; %strace+compress %.3f s, total %.3f s\n",
                 FormatThousands(g_Lines.LineCount()).c_str(), bits.Width, bits.Height, level,
                 mode == Mode::Outline ? "outline" : mode == Mode::Centre ? "centre" : "solid",
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
