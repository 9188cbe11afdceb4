#include "base/SafeFile.h"

#include <windows.h>

namespace {
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}

SafeFile::Created SafeFile::PlatformCreate() {
    HANDLE h = CreateFileA(temp_, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // A name held by a folder or by a file still being deleted answers "access denied".
        DWORD e = GetLastError();
        bool taken = e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS || e == ERROR_ACCESS_DENIED;
        return taken ? Created::Taken : Created::Failed;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return Created::Yes;
}

bool SafeFile::PlatformWrite(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(AsHandle(handle_), p, chunk, &done, nullptr) || done == 0) return false;
        p += done;
        size -= done;
    }
    return true;
}

bool SafeFile::PlatformClose(bool keep) {
    HANDLE h = AsHandle(handle_);
    handle_ = -1;
    bool ok = !keep || FlushFileBuffers(h);
    if (!CloseHandle(h)) ok = false;
    return ok;
}

bool SafeFile::PlatformReplace() {
    // Windows refuses to replace a read-only file, Wine does not; the user's protection wins.
    const DWORD attributes = GetFileAttributesA(target_);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // A reader that has the old file open for a moment (a viewer reading ahead, a virus
    // scanner) makes the replace fail; it is tried again for half a second before we give up.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(temp_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if (attempt == 5 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) return false;
        Sleep(100);
    }
}

void SafeFile::PlatformRemoveTemp() { DeleteFileA(temp_); }
