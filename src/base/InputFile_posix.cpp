#include "base/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

std::string InputStatus::Message(uint64_t limit) const {
    switch (Result) {
    case InputResult::Read: return "read";
    case InputResult::CannotOpen: return std::string("cannot open: ") + std::strerror(Error);
    case InputResult::NotRegular: return "not a regular file";
    case InputResult::TooLarge: return "larger than the input limit of " + std::to_string(limit) + " bytes";
    case InputResult::ReadFailed: return std::string("cannot read: ") + std::strerror(Error);
    }
    return "cannot read";
}

InputStatus OpenInputFile(const char* path, int& fd, uint64_t& size, uint64_t limit) {
    fd = -1;
    size = 0;
    // Non-blocking, so that a pipe with no writer is refused instead of waited for.
    const int f = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (f < 0) return {InputResult::CannotOpen, errno};
    struct stat st;
    if (::fstat(f, &st) != 0) {
        const int error = errno;
        ::close(f);
        return {InputResult::CannotOpen, error};
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(f);
        return {InputResult::NotRegular, 0};
    }
    if (st.st_size < 0 || uint64_t(st.st_size) > limit) {
        ::close(f);
        return {InputResult::TooLarge, 0};
    }
    // Reads of a regular file block as usual.
    ::fcntl(f, F_SETFL, ::fcntl(f, F_GETFL) & ~O_NONBLOCK);
    fd = f;
    size = uint64_t(st.st_size);
    return {};
}

InputStatus ReadInputFile(const char* path, std::vector<uint8_t>& bytes, uint64_t limit) {
    bytes.clear();
    int fd;
    uint64_t size;
    InputStatus status = OpenInputFile(path, fd, size, limit);
    if (!status.Ok()) return status;
    // One byte past the limit is room enough to see that a growing file passed it.
    const uint64_t most = limit + 1;
    bytes.resize(size_t(size));
    size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have >= most) {
                status = {InputResult::TooLarge, 0};
                break;
            }
            bytes.resize(size_t(std::min<uint64_t>(most, uint64_t(have) + std::max<uint64_t>(have, 1 << 16))));
        }
        const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            status = {InputResult::ReadFailed, errno};
            break;
        }
        if (n == 0) break;
        have += size_t(n);
    }
    ::close(fd);
    if (status.Ok())
        bytes.resize(have);
    else
        bytes = {};
    return status;
}
