// The Exif-free copy of a JPEG file as a plan over its bytes: which segments go, which stay.
// Portable, so the viewer's command, the batch run and pixaro-exif --strip write the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class StripRefusal { None, NotJpeg, NoExif, Damaged };

struct ByteSpan {
    size_t Start;  // offset of the segment's first 0xFF
    size_t End;    // one past its last byte
};

// Every Exif APP1 goes, and the APPn segments from the first Exif APP1 to the last APP1
// before the scan; tables, frame headers and comments stay wherever they are, and the bytes
// from SOS to the end are copied unchanged. Refused (nothing planned) unless SOI comes first,
// every segment lies inside the file, an Exif APP1 is found and SOS is reached.
StripRefusal PlanExifFreeCopy(const uint8_t* data, size_t size, std::vector<ByteSpan>& dropped);

// The pieces of a file of `size` bytes that stay when `dropped` (in file order) goes.
std::vector<ByteSpan> KeptSpans(size_t size, const std::vector<ByteSpan>& dropped);

// The copy itself; `out` is touched only when the result is None.
StripRefusal BuildExifFreeCopy(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// One Japanese sentence for the user (Shift-JIS), empty for None.
const char* StripRefusalText(StripRefusal why);
