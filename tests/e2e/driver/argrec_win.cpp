// A stand-in for an external program: writes the arguments it was given, as the C runtime
// splits its ANSI command line, to args.txt beside itself, joined with '|'. A path that
// arrives whole is one argument; one split at its spaces shows as several.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    char* slash = strrchr(path, '\\');
    if (!slash || size_t(slash - path) + 10 >= MAX_PATH) return 1;
    strcpy(slash + 1, "args.txt");
    std::string text;
    for (int i = 1; i < __argc; ++i) {
        if (i > 1) text += '|';
        text += __argv[i];
    }
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == text.size() ? 0 : 1;
}
