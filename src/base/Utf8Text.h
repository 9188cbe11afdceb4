// Exif text fields written in UTF-8 (phones, current tools, Exif 3.0) beside the Shift-JIS
// ones of older cameras: which is which, and the UTF-8 ones in code page 932.
#pragma once
#include <cstddef>
#include <string_view>

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF) holding at least
// one byte above 0x7F. Shift-JIS text of any length rarely is: its lead bytes 0x81..0x9F
// are UTF-8 continuation bytes and cannot start a character.
bool IsUtf8Text(std::string_view text);

// UTF-8 text into code page 932 (`size` bytes with the NUL); what code page 932 cannot hold,
// and malformed bytes, become '?'. Cut before a character that does not fit whole. Returns
// the bytes written without the NUL.
size_t Utf8ToCp932(std::string_view text, char* out, size_t size);

// The longest prefix of UTF-8 text that fits `max` bytes without splitting a character.
size_t Utf8Fit(std::string_view text, size_t max);
