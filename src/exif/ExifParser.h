// The JPEG marker walk and the Exif (TIFF) IFD walk over a file held in memory: the
// information report (Shift-JIS lines) and the summary the view, the map command and the
// file operations read. Every offset, count and length in the file is untrusted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exif/ExifSummary.h"

constexpr size_t kInfoReportBytes = 100000;      // with the terminating NUL
constexpr uint32_t kMarkerWalkLimit = 0x3FFF0;   // last file position where a marker is read
constexpr uint32_t kIfdWalkLimit = 0x3FFFF;      // last position of an IFD's first entry
constexpr int kMaxChainedIfdEntries = 90;        // for every IFD but IFD0

// The report: lines appended in file order, each ending in "\n", always NUL-terminated.
// When the next line would not fit, as much of it as fits is kept, cut on a character
// boundary, and a closing line says the rest was left out; later lines are dropped.
class InfoReport {
public:
    InfoReport() { Clear(); }
    void Clear();
    void Append(std::string_view line);
    const char* Text() const { return text_; }
    size_t Length() const { return length_; }
    bool Full() const { return full_; }
    std::string_view View() const { return {text_, length_}; }

private:
    char text_[kInfoReportBytes];
    size_t length_ = 0;
    bool full_ = false;
};

// Walks data[0, size) as a JPEG marker stream into the report (emptied first) and the
// summary (only the fields the file sets are written; reset it before). No bytes at all give
// the report "No Data"; bytes that do not start with 0xFF 0xD8 an empty report. Returns 0.
int ParseJpegMarkers(const uint8_t* data, size_t size, ExifSummary& summary, InfoReport& report);

// The shooting date "YYYY:MM:DD hh:mm:ss" into ShotTime (day of the week filled in) and
// ShotFileTime. A date that is not a real one (month 13, 31 April, before 1601) gives a
// zero ShotFileTime and a ShotTime of zeros with DayOfWeek 7, so nothing indexes by it.
void ParseShotDate(const char* text, SystemTime& time, FileTime& fileTime);
