#include "base/Host_win.h"

#include <commctrl.h>

#include <cstdio>

#include "base/Placement.h"

HostWindow g_Host;

namespace {

HostCallbacks g_Callbacks;

class Win32Key : public SettingsKey {
public:
    explicit Win32Key(HKEY key) : key_(key) {}
    ~Win32Key() override { RegCloseKey(key_); }
    bool Query(const char* name, RegValue& out) override {
        // A scratch buffer: after ERROR_MORE_DATA its contents are undefined, so a value
        // too long for it counts as unreadable.
        BYTE buffer[1024];
        DWORD type = 0, size = sizeof buffer;
        if (RegQueryValueExA(key_, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) return false;
        out.Type = type == REG_DWORD ? RegType::Dword : (type == REG_SZ || type == REG_EXPAND_SZ) ? RegType::String
                                                                                                 : RegType::Other;
        out.Bytes.assign(buffer, buffer + size);
        return true;
    }
    void SetDword(const char* name, uint32_t value) override {
        DWORD data = value;
        RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    }
    void SetString(const char* name, const char* buffer, size_t bytes) override {
        RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer), DWORD(bytes));
    }

private:
    HKEY key_;
};

class Win32Registry : public SettingsRegistry {
public:
    std::unique_ptr<SettingsKey> Open(const char* subkey, bool& created) override {
        char path[200];
        if (subkey)
            snprintf(path, sizeof path, "Software\\%s\\%s\\%s", kSettingsCompany, kSettingsProduct, subkey);
        else
            snprintf(path, sizeof path, "Software\\%s\\%s", kSettingsCompany, kSettingsProduct);
        HKEY key = nullptr;
        DWORD disposition = 0;
        created = false;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, const_cast<char*>(""), 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition) != ERROR_SUCCESS)
            return nullptr;
        created = disposition == REG_CREATED_NEW_KEY;
        return std::make_unique<Win32Key>(key);
    }
};

}  // namespace

std::unique_ptr<SettingsRegistry> MakeSettingsRegistry() { return std::make_unique<Win32Registry>(); }

void SetStatusText(int part, const char* text) {
    if (g_Host.StatusBar) SendMessageA(g_Host.StatusBar, SB_SETTEXTA, WPARAM(part), LPARAM(text));
}

void PlaceWindow(HWND wnd, int mode) {
    RECT desk, rc;
    GetWindowRect(GetDesktopWindow(), &desk);
    GetWindowRect(wnd, &rc);
    IntPoint p = PlacePosition(mode, {desk.left, desk.top, desk.right, desk.bottom}, rc.right - rc.left, rc.bottom - rc.top);
    SetWindowPos(wnd, nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void SetHostCallbacks(const HostCallbacks& callbacks) { g_Callbacks = callbacks; }

void NotifyChange(Change change) {
    if (g_Callbacks.Changed) g_Callbacks.Changed(change);
}

void RequestPopupMenu(HWND wnd, POINT clientPoint) {
    if (g_Callbacks.PopupMenu) g_Callbacks.PopupMenu(wnd, clientPoint);
}

void RequestDragOut() {
    if (g_Callbacks.DragOut) g_Callbacks.DragOut();
}

void RaiseMainWindow() {
    HWND wnd = g_Host.MainWindow;
    InvalidateRect(wnd, nullptr, TRUE);
    SetActiveWindow(wnd);
    SetForegroundWindow(wnd);
}

bool ChooseColour(HWND owner, uint32_t& colour, COLORREF* custom) {
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = colour;
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorA(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, uint32_t limit) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0, size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) {
        const DWORD want = (high != 0 || size > limit) ? DWORD(limit) + 1 : size;
        bytes.resize(want);
        DWORD done = 0, got = 0;
        while (ok && done < want) {
            ok = ReadFile(file, bytes.data() + done, want - done, &got, nullptr) && got != 0;
            done += got;
        }
    }
    CloseHandle(file);
    return ok;
}
