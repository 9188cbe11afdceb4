// Every size limit on what Pixaro reads, in one place.
#pragma once
#include <cstddef>
#include <cstdint>

// Paths are ANSI and end in a NUL; a longer one is refused, never cut.
constexpr size_t kPathBytes = 260;

// The largest picture any reader takes: DIB sides fit in 16 bits signed, and the rows of
// the decoded picture (as a DIB of its depth) stay within 512 MiB, so a 32-bit process can
// hold the file bytes, the DIB and one screen copy of it at the same time.
constexpr int kMaxImageSide = 32767;
constexpr uint64_t kMaxPixelBytes = uint64_t{512} << 20;

// Whole files read into memory (32-bit sizes): the window reads the file, and a plug-in
// then copies what it is given, so its share is smaller.
constexpr uint32_t kMaxFileBytes = uint32_t{1} << 30;
constexpr uint32_t kMaxPluginInputBytes = uint32_t{512} << 20;

// The tracer's grid ends at this column and row; the command-line tracer reads pictures up
// to just below them.
constexpr int kTraceColumnLimit = 40000;
constexpr int kTraceRowLimit = 20000;
