// Exif-driven file operations on any JPEG file: the Exif-free "Ne_" copy and the file times
// set to the shooting time. They take the file's own bytes and summary, never the current
// image, so a batch run can call them for every file of a folder.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/SafeFile.h"
#include "exif/ExifStrip.h"
#include "exif/ExifSummary.h"

// Writes the Exif-free copy of `data` to `target` through a temporary file; the old target is
// untouched on any failure. A refused file gives EncodeFailed with the reason in `why`.
SaveResult WriteWithoutExif(const uint8_t* data, size_t size, const char* target, StripRefusal* why);

// The UTC instant of a local shooting time under this machine's zone rules for that date.
bool ShotTimeToUtcFileTime(FileTime shotLocal, FileTime& utc);

// Sets creation and last-write time of an existing file to the shooting time; the last access
// stays. False without a shooting date or when the file cannot be opened or set.
bool SetFileTimesFromShot(const char* path, FileTime shotLocal, FileTime* utcSet);

// True when the file's creation or last-write time on disk differs from the shooting time;
// false without a shooting date or when the file cannot be read.
bool FileTimesDifferFromShot(const char* path, FileTime shotLocal);

// The parser found an Exif APP1 in the file.
bool HasExifSegment(const ExifSummary& summary);
