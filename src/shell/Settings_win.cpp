// The settings key in HKEY_CURRENT_USER\Software\Norvane\Pixaro, read once and written once.
#include <windows.h>

#include <cstdio>

#include "shell/App_win.h"

namespace {

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

void LoadSettings() {
    Win32Registry registry;
    g_Shell.SettingsKeyExisted = LoadShellSettings(registry, g_Settings, g_Shell.ProgramFolder);
}

void SaveSettings(HWND wnd) {
    RECT rc;
    GetWindowRect(wnd, &rc);
    g_Settings.Window = {int(rc.left), int(rc.top), int(rc.right - rc.left), int(rc.bottom - rc.top)};
    Win32Registry registry;
    SaveShellSettings(registry, g_Settings);
}

void StoreUpdateCheckDay(int32_t day) {
    Win32Registry registry;
    SaveUpdateCheckDay(registry, uint32_t(day));
    g_Settings.LUD = uint32_t(day);
    g_Settings.LUDPresent = true;
}
