#include "base/SafeFile.h"

#include <windows.h>

#include <cstring>

namespace {
HANDLE AsHandle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Only "no such process" or a process that has exited counts: one we may not open (another
// user's) is taken to be writing still.
bool ProcessEnded(DWORD id) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!h) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}
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

uint32_t SafeFile::PlatformProcessId() { return GetCurrentProcessId(); }

void SafeFile::PlatformRemoveStaleTemps() {
    static const char kPattern[] = "~px*.tmp";
    char path[MAX_PATH + sizeof(WIN32_FIND_DATAA::cFileName)];
    if (folder_ + sizeof kPattern > MAX_PATH) return;
    std::memcpy(path, target_, folder_);
    std::memcpy(path + folder_, kPattern, sizeof kPattern);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    do {
        // The wildcard also matches short names and other cases; the long name decides.
        uint32_t pid = 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsTempName(found.cFileName, &pid) ||
            pid == self || !ProcessEnded(pid))
            continue;
        // A writer on another machine holds its file open unshared, so this fails for it.
        std::memcpy(path + folder_, found.cFileName, std::strlen(found.cFileName) + 1);
        DeleteFileA(path);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}
