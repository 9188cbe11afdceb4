// The one place a file name is asked for: the system's open and save dialogs, set up the
// same way for every command.
#pragma once
#include <windows.h>

#include <cstddef>

enum class FileNameKind { Open, Save };

struct FileNameQuestion {
    const char* Title = nullptr;  // the system's own when none
    const char* Filter = "";  // pairs of NUL-terminated texts, the last followed by a second NUL
    DWORD FilterIndex = 0;
    const char* DefaultExtension = nullptr;  // without the dot
    const char* InitialFolder = nullptr;
    DWORD Flags = 0;  // OFN_* flags
    char* CustomFilter = nullptr;  // the user's own pattern, kept between calls by the caller
    DWORD CustomFilterSize = 0;
};

// `path` holds the proposed name on entry and the chosen one on return. False when the user
// cancelled or the dialog failed; CommDlgExtendedError then tells which.
bool AskFileName(HWND owner, FileNameKind kind, const FileNameQuestion& question, char* path, size_t size);
