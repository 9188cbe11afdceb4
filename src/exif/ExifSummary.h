// Metadata of the current image that the view, the report and the file operations read.
// Texts are NUL-terminated Shift-JIS; each array size includes the terminator.
#pragma once
#include <cstdint>

struct SystemTime {            // same layout as Win32 SYSTEMTIME
    uint16_t Year, Month, DayOfWeek, Day, Hour, Minute, Second, Milliseconds;
};
struct FileTime {              // same layout as Win32 FILETIME
    uint32_t Low, High;
};
struct Rational32 {
    uint32_t Numerator, Denominator;
};

struct ExifSummary {
    char MakeText[100];
    char ModelText[100];
    char ShotDateText[100];
    char ExposureTimeText[100];
    char GpsText[100];
    char GpsLatitudeRef[4];
    Rational32 GpsLatitude[3];
    char GpsLongitudeRef[4];
    Rational32 GpsLongitude[3];
    char SoftwareText[100];
    char ImageDescriptionText[100];
    char RightsText[100];
    uint32_t ExifSegmentStart;
    uint32_t ExifSegmentEnd;
    uint32_t ThumbnailCompression;
    uint32_t ThumbnailOffset;
    uint32_t ThumbnailLength;
    SystemTime ShotTime;
    FileTime ShotFileTime;
    FileTime FileCreateTime;
    FileTime FileAccessTime;
    FileTime FileWriteTime;
    char XpTitle[100];
    char XpComment[200];
    char XpAuthor[100];
    char XpKeywords[100];
    char XpSubject[108];
    char MapLink[152];
    // The texts above that the file held in UTF-8, byte for byte (empty when it held them in
    // Shift-JIS): their code page 932 form above cannot hold every character.
    char MakeUtf8[100];
    char ModelUtf8[100];
    char SoftwareUtf8[100];
    char ImageDescriptionUtf8[100];
    char RightsUtf8[100];
};

// Empties every field before a load: a GPS position or thumbnail left over from the
// previous file must never be taken for this file's.
void ResetExifSummary(ExifSummary& s);
