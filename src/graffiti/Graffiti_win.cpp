#include "graffiti/Graffiti_win.h"

#include <windowsx.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/Host_win.h"
#include "base/SafeFile.h"
#include "base/SjisText.h"
#include "graffiti/GraffitiStore.h"
#include "graffiti/TrdFile.h"
#include "image/Image_win.h"

int g_GraffitiEditState = kEditNone;
char GraffitiFilePath[kPathBytes];
int GraffitiFileShown;
GraffitiStore g_Graffiti;

namespace {

bool g_Changed = false;
// The background name a .trd file gave, kept for writing it back even when its image was
// not found; empty when the layer was drawn on an ordinary image file.
std::string g_TrdBackground;

// A whole layer is well under a megabyte; anything larger is not ours.
constexpr DWORD kMaxTrdBytes = 1u << 20;

void LoadError(HWND wnd, const char* text) { MessageBoxA(wnd, text, "Load Error", MB_OK | MB_ICONEXCLAMATION); }

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0, size = GetFileSize(file, &high), got = 0;
    bool ok = size != INVALID_FILE_SIZE && high == 0;
    if (ok) {
        // One byte past the limit is enough to tell a file that is too large.
        bytes.resize(size > kMaxTrdBytes ? kMaxTrdBytes + 1 : size);
        ok = bytes.empty() || (ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

bool FileExists(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder of `path` (with its separator) + name; false when it does not fit a path.
bool BesideFile(const char* path, const std::string& name, char (&out)[kPathBytes]) {
    const std::string_view p(path);
    const size_t sep = LastPathSeparator(p);
    const std::string folder(sep == std::string_view::npos ? std::string_view() : p.substr(0, sep + 1));
    const int n = snprintf(out, sizeof out, "%s%s", folder.c_str(), name.c_str());
    return n > 0 && size_t(n) < sizeof out;
}

}  // namespace

bool GraffitiHasObjects() { return g_Graffiti.TotalCount() > 0; }
bool GraffitiChanged() { return g_Changed; }
void MarkGraffitiChanged() {
    g_Changed = true;
    NotifyChange(Change::Graffiti);
}
void ClearGraffiti() {
    g_Graffiti.Clear();
    g_Changed = false;
    GraffitiFileShown = 0;
    g_TrdBackground.clear();
}

int ReadGraffitiFile(HWND wnd, const char* path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        LoadError(wnd, "ファイルが開けません");
        return -2;
    }
    // Everything is checked before anything changes: a bad file leaves the current picture
    // and layer as they were.
    auto contents = std::make_unique<TrdContents>();
    if (bytes.size() > kMaxTrdBytes || DecodeTrd(bytes.data(), bytes.size(), *contents) != 0) {
        LoadError(wnd, "ファイルフォーマットが違います");
        return -2;
    }
    char background[kPathBytes] = {};
    const bool named = !contents->OldFormat && IsUsableBackgroundName(contents->Background) &&
                       BesideFile(path, contents->Background, background);
    const bool found = named && FileExists(background);
    int width, height;
    TrdCanvasSize(contents->Store.Extent(), width, height);
    if (!found && uint64_t(width) * uint64_t(height) * 4 > kMaxPixelBytes) {
        LoadError(wnd, "ファイルフォーマットが違います");
        return -2;
    }

    bool loaded = found && LoadImageFile(wnd, background, 0) == 0;
    if (!loaded) {
        if (named) MessageBoxA(wnd, "このフォルダー内に下絵が見つかりません", "Error", MB_OK | MB_ICONEXCLAMATION);
        ReleaseImage();
        CreateBlankImage(wnd, width, height);
        if (!HasImage()) {
            MessageBoxA(wnd, "下絵の代わりの白紙を作れません (メモリー不足)", "Error", MB_OK | MB_ICONEXCLAMATION);
            return -2;
        }
    }
    g_Graffiti = contents->Store;
    g_TrdBackground = named ? contents->Background : std::string();
    g_Changed = false;
    return 0;
}

int WriteGraffitiFile(HWND wnd, const char* path) {
    if (!path || !path[0]) return 0;
    // Shown from a .trd file, the layer keeps the background name that file gave.
    std::string background = GraffitiFileShown ? g_TrdBackground : std::string(CurrentName) + CurrentExtension;
    if (!IsUsableBackgroundName(background)) background.clear();
    const std::vector<uint8_t> bytes = EncodeTrd(g_Graffiti, background);
    SafeFile file(path);
    file.Write(bytes.data(), bytes.size());
    const SaveResult result = file.Ok() ? file.Commit() : file.Result();
    if (result != SaveResult::Saved) {
        MessageBoxA(wnd, (std::string(SaveResultText(result)) + "\n" + path).c_str(), "Error!", MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    g_Changed = false;
    return 0;
}

void GetGraffitiExtent(int& width, int& height) {
    const GraffitiExtent e = g_Graffiti.Extent();
    width = e.MaxX;
    height = e.MaxY;
}

int GraffitiMouse(HWND wnd, UINT msg, int state, LPARAM lp, WPARAM) {
    // Without an active drawing command the right button opens the pop-up menu.
    if (msg == WM_RBUTTONUP && (state & kEditToolMask) == 0)
        RequestPopupMenu(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    return state;
}
