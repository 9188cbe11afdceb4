#include "exif/ExifOps_win.h"

#include <windows.h>

#include <vector>

#include "exif/ShotTime.h"

namespace {

int64_t Ticks(FILETIME t) { return int64_t(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime); }
FILETIME FromTicks(int64_t v) { return FILETIME{DWORD(uint64_t(v)), DWORD(uint64_t(v) >> 32)}; }
bool IsZero(FileTime t) { return (t.Low | t.High) == 0; }

}  // namespace

SaveResult WriteWithoutExif(const uint8_t* data, size_t size, const char* target, StripRefusal* why) {
    std::vector<ByteSpan> dropped;
    const StripRefusal refusal = PlanExifFreeCopy(data, size, dropped);
    if (why) *why = refusal;
    if (refusal != StripRefusal::None) return SaveResult::EncodeFailed;
    // Straight from the file's bytes: a photograph's worth is not copied once more first.
    SafeFile file(target);
    for (const ByteSpan& s : KeptSpans(size, dropped)) file.Write(data + s.Start, s.End - s.Start);
    return file.Ok() ? file.Commit() : file.Result();
}

bool ShotTimeToUtcFileTime(FileTime shotLocal, FileTime& utc) {
    if (IsZero(shotLocal)) return false;
    // SystemTimeToTzSpecificLocalTime applies the rules of the date it is given, so the
    // summer time is that of the shooting date, not of today.
    const UtcToLocal toLocal = [](int64_t u, int64_t& local) {
        SYSTEMTIME us, ls;
        FILETIME uf = FromTicks(u), lf;
        if (!FileTimeToSystemTime(&uf, &us) || !SystemTimeToTzSpecificLocalTime(nullptr, &us, &ls) ||
            !SystemTimeToFileTime(&ls, &lf))
            return false;
        local = Ticks(lf);
        return true;
    };
    int64_t u = 0;
    if (!ShotTimeToUtc(int64_t(uint64_t(shotLocal.High) << 32 | shotLocal.Low), toLocal, u)) return false;
    utc = FileTime{uint32_t(uint64_t(u)), uint32_t(uint64_t(u) >> 32)};
    return true;
}

bool SetFileTimesFromShot(const char* path, FileTime shotLocal, FileTime* utcSet) {
    FileTime utc;
    if (!ShotTimeToUtcFileTime(shotLocal, utc)) return false;
    // OPEN_EXISTING: a file that has gone is reported, never recreated empty.
    HANDLE h = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const FILETIME t = {utc.Low, utc.High};
    const bool ok = SetFileTime(h, &t, nullptr, &t) != 0;
    CloseHandle(h);
    if (ok && utcSet) *utcSet = utc;
    return ok;
}

bool FileTimesDifferFromShot(const char* path, FileTime shotLocal) {
    FileTime utc;
    if (!ShotTimeToUtcFileTime(shotLocal, utc)) return false;
    HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME created, written;
    const bool read = GetFileTime(h, &created, nullptr, &written) != 0;
    CloseHandle(h);
    if (!read) return false;
    const int64_t want = int64_t(uint64_t(utc.High) << 32 | utc.Low);
    return Ticks(created) != want || Ticks(written) != want;
}

bool HasExifSegment(const ExifSummary& summary) {
    // The parser sets ExifSegmentEnd for any APP1; only a start marks an Exif one.
    return summary.ExifSegmentStart != 0;
}
