// pixaro-exif: Pixaro's JPEG/Exif walk on the command line, with the very parser the
// program's information window uses.
//   pixaro-exif FILE...          the information report of each file, in UTF-8
//   pixaro-exif --raw FILE...    the report's own Shift-JIS bytes
//   pixaro-exif --json FILE...   one JSON object per line and file: the summary fields
//   pixaro-exif --strip FILE...  writes "Ne_" + name beside each file without its Exif block,
//                                with the code and the refusals of the viewer's command
// A file that cannot be read or is not a JPEG gets a message on stderr and makes the exit
// status 1; the other files are still printed.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/Cp932.h"
#include "base/InputFile.h"
#include "base/SafeFile.h"
#include "base/SjisText.h"
#include "exif/ExifParser.h"
#include "exif/ExifStrip.h"
#include "exif/ExifSummary.h"

namespace {

enum class Mode { Text, Raw, Json, Strip };

// The file mapped, not read: the walk touches the header pages only, wherever the offsets
// in them point.
class MappedFile {
public:
    // whole: every page is read (the Exif-free copy), so they are mapped at once; faulting
    // them in one by one inside write() costs more than the copy itself.
    bool Open(const char* path, std::string& error, bool whole = false) {
        int fd;
        uint64_t size;
        const InputStatus status = OpenInputFile(path, fd, size);
        if (!status.Ok()) {
            error = status.Message();
            return false;
        }
        size_ = size_t(size);
        if (size_ > 0) {
            void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | (whole ? MAP_POPULATE : 0), fd, 0);
            if (p == MAP_FAILED) {
                error = std::strerror(errno);
                ::close(fd);
                return false;
            }
            data_ = static_cast<const uint8_t*>(p);
        }
        ::close(fd);
        return true;
    }
    ~MappedFile() {
        if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
    }
    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

template <size_t N>
std::string_view Field(const char (&text)[N]) {
    return std::string_view(text, size_t(std::find(text, text + N, '\0') - text));
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string Rationals(const Rational32 (&parts)[3]) {
    std::string out = "[";
    for (int i = 0; i < 3; ++i) {
        char pair[48];
        std::snprintf(pair, sizeof pair, "%s[%u,%u]", i ? "," : "", parts[i].Numerator, parts[i].Denominator);
        out += pair;
    }
    return out + "]";
}

std::string Json(const char* path, const ExifSummary& s) {
    std::string out = "{\"file\":" + JsonString(path);
    auto text = [&](const char* name, std::string_view sjis) {
        out += ",\"" + std::string(name) + "\":" + JsonString(Cp932ToUtf8(sjis));
    };
    auto number = [&](const char* name, unsigned long long v) {
        out += ",\"" + std::string(name) + "\":" + std::to_string(v);
    };
    // A text the file held in UTF-8 goes out as it was, not through code page 932.
    auto either = [&](const char* name, std::string_view sjis, std::string_view utf8) {
        out += ",\"" + std::string(name) + "\":" + JsonString(utf8.empty() ? Cp932ToUtf8(sjis) : std::string(utf8));
    };
    either("MakeText", Field(s.MakeText), Field(s.MakeUtf8));
    either("ModelText", Field(s.ModelText), Field(s.ModelUtf8));
    text("ShotDateText", Field(s.ShotDateText));
    text("ExposureTimeText", Field(s.ExposureTimeText));
    text("GpsText", Field(s.GpsText));
    text("GpsLatitudeRef", Field(s.GpsLatitudeRef));
    out += ",\"GpsLatitude\":" + Rationals(s.GpsLatitude);
    text("GpsLongitudeRef", Field(s.GpsLongitudeRef));
    out += ",\"GpsLongitude\":" + Rationals(s.GpsLongitude);
    either("SoftwareText", Field(s.SoftwareText), Field(s.SoftwareUtf8));
    either("ImageDescriptionText", Field(s.ImageDescriptionText), Field(s.ImageDescriptionUtf8));
    either("RightsText", Field(s.RightsText), Field(s.RightsUtf8));
    number("ExifSegmentStart", s.ExifSegmentStart);
    number("ExifSegmentEnd", s.ExifSegmentEnd);
    number("ThumbnailCompression", s.ThumbnailCompression);
    number("ThumbnailOffset", s.ThumbnailOffset);
    number("ThumbnailLength", s.ThumbnailLength);
    char time[64];
    std::snprintf(time, sizeof time, "[%u,%u,%u,%u,%u,%u,%u]", s.ShotTime.Year, s.ShotTime.Month, s.ShotTime.Day,
                  s.ShotTime.Hour, s.ShotTime.Minute, s.ShotTime.Second, s.ShotTime.DayOfWeek);
    out += ",\"ShotTime\":" + std::string(time);
    number("ShotFileTime", (unsigned long long)s.ShotFileTime.High << 32 | s.ShotFileTime.Low);
    text("XpTitle", Field(s.XpTitle));
    text("XpComment", Field(s.XpComment));
    text("XpAuthor", Field(s.XpAuthor));
    text("XpKeywords", Field(s.XpKeywords));
    text("XpSubject", Field(s.XpSubject));
    text("MapLink", Field(s.MapLink));
    return out + "}";
}

int Usage() {
    std::fprintf(stderr, "usage: pixaro-exif [--json | --raw | --strip] FILE...\n");
    return 2;
}

// The copy's name: "Ne_" before the name, in the same folder.
std::string StrippedPath(const std::string& path) {
    const size_t slash = LastPathSeparator(path, kNativePathRule);
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, name) + "Ne_" + path.substr(name);
}

// The kept pieces go from the mapped file straight to the temporary file, as in the viewer.
bool StripOne(const char* path, const MappedFile& file) {
    std::vector<ByteSpan> dropped;
    const StripRefusal why = PlanExifFreeCopy(file.Data(), file.Size(), dropped);
    if (why != StripRefusal::None) {
        std::fprintf(stderr, "pixaro-exif: %s: %s\n", path, Cp932ToUtf8(StripRefusalText(why)).c_str());
        return false;
    }
    const std::string target = StrippedPath(path);
    SafeFile out(target.c_str());
    for (const ByteSpan& s : KeptSpans(file.Size(), dropped)) out.Write(file.Data() + s.Start, s.End - s.Start);
    const SaveResult r = out.Ok() ? out.Commit() : out.Result();
    if (r != SaveResult::Saved) {
        std::fprintf(stderr, "pixaro-exif: %s: %s\n", target.c_str(), Cp932ToUtf8(SaveResultText(r)).c_str());
        return false;
    }
    return true;
}

// Each copy waits for the disk before it replaces its target; a few files at a time keep the
// disk busy meanwhile. Messages are whole lines, in whatever order the files finish.
int StripAll(char** first, char** last) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    const size_t count = size_t(last - first);
    auto work = [&] {
        for (size_t i; (i = next++) < count;) {
            MappedFile file;
            std::string error;
            if (!file.Open(first[i], error, true)) {
                std::fprintf(stderr, "pixaro-exif: %s: %s\n", first[i], error.c_str());
                failed = true;
            } else if (!StripOne(first[i], file)) {
                failed = true;
            }
        }
    };
    std::vector<std::thread> workers;
    for (size_t k = 1; k < std::min<size_t>(count, 4); ++k) workers.emplace_back(work);
    work();
    for (std::thread& t : workers) t.join();
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    Mode mode = Mode::Text;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--json") == 0) mode = Mode::Json, first = 2;
    else if (argc > 1 && std::strcmp(argv[1], "--raw") == 0) mode = Mode::Raw, first = 2;
    else if (argc > 1 && std::strcmp(argv[1], "--strip") == 0) mode = Mode::Strip, first = 2;
    if (first < argc && std::strcmp(argv[first], "--") == 0) ++first;
    if (first >= argc) return Usage();

    if (mode == Mode::Strip) return StripAll(argv + first, argv + argc);

    auto report = std::make_unique<InfoReport>();
    int status = 0;
    bool printed = false;
    const bool headers = mode == Mode::Text && argc - first > 1;
    for (int i = first; i < argc; ++i) {
        const char* path = argv[i];
        MappedFile file;
        std::string error;
        if (!file.Open(path, error)) {
            std::fprintf(stderr, "pixaro-exif: %s: %s\n", path, error.c_str());
            status = 1;
            continue;
        }
        const uint8_t* bytes = file.Data();
        if (file.Size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
            std::fprintf(stderr, "pixaro-exif: %s: not a JPEG file\n", path);
            status = 1;
            continue;
        }
        ExifSummary summary;
        ResetExifSummary(summary);
        ParseJpegMarkers(bytes, file.Size(), summary, *report);
        switch (mode) {
        case Mode::Json: std::printf("%s\n", Json(path, summary).c_str()); break;
        case Mode::Raw: std::fwrite(report->Text(), 1, report->Length(), stdout); break;
        case Mode::Strip: break;
        case Mode::Text:
            if (headers) std::printf("%s==> %s <==\n", printed ? "\n" : "", path);
            std::fputs(Cp932ToUtf8(report->View()).c_str(), stdout);
            break;
        }
        printed = true;
    }
    std::fflush(stdout);
    return status;
}
