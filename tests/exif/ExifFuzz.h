// One fuzz body shared by the libFuzzer target and the crasher replay test: the whole walk,
// then the promises every caller relies on.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "exif/ExifParser.h"
#include "exif/ExifStrip.h"

inline void FuzzExifParser(const uint8_t* data, size_t size) {
    static auto report = std::make_unique<InfoReport>();
    ExifSummary s;
    ResetExifSummary(s);
    ParseJpegMarkers(data, size, s, *report);
    if (report->Length() >= kInfoReportBytes || report->Text()[report->Length()] != 0) __builtin_trap();
    if (std::strlen(report->Text()) != report->Length()) __builtin_trap();
    for (const char* text : {s.MakeText, s.ModelText, s.ShotDateText, s.ExposureTimeText, s.GpsText, s.SoftwareText,
                             s.ImageDescriptionText, s.RightsText, s.XpTitle, s.XpAuthor, s.XpKeywords})
        if (!std::memchr(text, 0, 100)) __builtin_trap();
    if (!std::memchr(s.XpComment, 0, sizeof s.XpComment) || !std::memchr(s.XpSubject, 0, sizeof s.XpSubject) ||
        !std::memchr(s.MapLink, 0, sizeof s.MapLink) || !std::memchr(s.GpsLatitudeRef, 0, 4))
        __builtin_trap();
    if (s.ShotTime.DayOfWeek > 7 || ((s.ShotFileTime.Low | s.ShotFileTime.High) != 0 && s.ShotTime.Month == 0))
        __builtin_trap();
    if (size > 0 && (s.ExifSegmentStart >= size || s.ExifSegmentEnd >= size)) __builtin_trap();
    if (s.MapLink[0] && !s.GpsText[0]) __builtin_trap();
    for (const char* text : {s.MakeUtf8, s.ModelUtf8, s.SoftwareUtf8, s.ImageDescriptionUtf8, s.RightsUtf8})
        if (!std::memchr(text, 0, 100)) __builtin_trap();
    // The Exif-free copy: something goes, and SOI stays first.
    std::vector<uint8_t> copy;
    const StripRefusal why = BuildExifFreeCopy(data, size, copy);
    if (why == StripRefusal::None && (copy.size() >= size || copy.size() < 2 || copy[0] != 0xFF || copy[1] != 0xD8))
        __builtin_trap();
}
