#include "base/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <string>

namespace {

// Past a file-size limit (ulimit -f) the kernel would kill the process between create and
// replace, leaving the temporary file behind; ignored, the write fails with EFBIG and the
// ordinary path removes it and says so. A handler the program set itself is kept.
void IgnoreFileSizeSignal() {
    struct sigaction now;
    if (sigaction(SIGXFSZ, nullptr, &now) != 0 || now.sa_handler != SIG_DFL || (now.sa_flags & SA_SIGINFO)) return;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
}

}  // namespace

SafeFile::Created SafeFile::PlatformCreate() {
    IgnoreFileSizeSignal();
    int fd = open(temp_, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? Created::Taken : Created::Failed;
    handle_ = fd;
    return Created::Yes;
}

bool SafeFile::PlatformWrite(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(static_cast<int>(handle_), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SafeFile::PlatformClose(bool keep) {
    int fd = static_cast<int>(handle_);
    handle_ = -1;
    bool ok = !keep || fsync(fd) == 0;
    // Never retried: after EINTR the descriptor may already belong to someone else.
    if (close(fd) != 0) ok = false;
    return ok;
}

bool SafeFile::PlatformReplace() { return std::rename(temp_, target_) == 0; }

void SafeFile::PlatformRemoveTemp() { unlink(temp_); }

uint32_t SafeFile::PlatformProcessId() { return static_cast<uint32_t>(getpid()); }

void SafeFile::PlatformRemoveStaleTemps() {
    const std::string folder(target_, folder_);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const uint32_t self = PlatformProcessId();
    while (const dirent* e = readdir(dir)) {
        uint32_t pid = 0;
        if (!IsTempName(e->d_name, &pid) || pid == self || pid > INT_MAX) continue;
        // EPERM means another user's process is running: only "no such process" is stale.
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        unlink((folder + e->d_name).c_str());
    }
    closedir(dir);
}
