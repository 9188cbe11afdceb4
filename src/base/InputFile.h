// How the command-line tools take an input file: only a regular file of at most the input
// limit, refused before a byte is read, so a folder, a device such as /dev/zero or a pipe
// never reaches a reader. POSIX only; the viewer reads through its Win32 glue.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/Limits.h"

enum class InputResult { Read, CannotOpen, NotRegular, TooLarge, ReadFailed };

struct InputStatus {
    InputResult Result = InputResult::Read;
    int Error = 0;  // errno, for CannotOpen and ReadFailed

    bool Ok() const { return Result == InputResult::Read; }
    // What is wrong, in English, for a tool's message after the file name.
    std::string Message(uint64_t limit = kMaxFileBytes) const;
};

// Opens `path` for reading without waiting on a pipe; on success `fd` (the caller closes
// it) and `size` are those of a regular file of at most `limit` bytes.
InputStatus OpenInputFile(const char* path, int& fd, uint64_t& size, uint64_t limit = kMaxFileBytes);

// The whole file into `bytes`; a file that grows past `limit` while it is read is refused too.
InputStatus ReadInputFile(const char* path, std::vector<uint8_t>& bytes, uint64_t limit = kMaxFileBytes);
