// Settings in HKEY_CURRENT_USER\Software\Norvane\Pixaro, read once and written once.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/App_win.h"
#include "shell/SjisText.h"

namespace {

constexpr const char* kCompany = "Norvane";
constexpr const char* kProduct = "Pixaro";

void KeyPath(char* out, size_t size, const char* sub) {
    if (sub)
        snprintf(out, size, "Software\\%s\\%s\\%s", kCompany, kProduct, sub);
    else
        snprintf(out, size, "Software\\%s\\%s", kCompany, kProduct);
}

// Changes `value` only when the stored value is a DWORD of 4 bytes.
bool ReadDword(HKEY key, const char* name, uint32_t& value) {
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

// Reads into a scratch buffer first: after ERROR_MORE_DATA its contents are undefined,
// and a stored string may lack its terminator.
void ReadString(HKEY key, const char* name, char* out, size_t size) {
    char buffer[1024];
    DWORD type = 0, got = sizeof buffer - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return;
    buffer[got] = 0;
    if (strlen(buffer) >= size) return;  // too long for its buffer: keep the value we have
    CopySjis(out, size, buffer);
}

void WriteDword(HKEY key, const char* name, uint32_t value) {
    DWORD data = value;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void WriteString(HKEY key, const char* name, const char* text, size_t size) {
    // The whole buffer is stored, as readers of the key expect.
    char buffer[300] = {};
    CopySjis(buffer, size < sizeof buffer ? size : sizeof buffer, text);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer), DWORD(size));
}

HKEY CreateKey(const char* sub, bool& created) {
    char path[200];
    KeyPath(path, sizeof path, sub);
    HKEY key = nullptr;
    DWORD disposition = 0;
    created = false;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, const_cast<char*>(""), 0, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return nullptr;
    created = disposition == REG_CREATED_NEW_KEY;
    return key;
}

void KeyValueName(char* out, size_t size, int slot, bool app) {
    snprintf(out, size, app ? "Key%02d_APP" : "Key%02d", slot);
}

}  // namespace

void LoadSettings() {
    ShellSettings defaults;
    SetNewKeyDefaults(defaults, g_Shell.ProgramFolder);
    ShellSettings& s = g_Settings;
    bool created;
    if (HKEY key = CreateKey(nullptr, created)) {
        g_Shell.SettingsKeyExisted = !created;
        if (created) {
            CopySjis(s.SearchSPI, sizeof s.SearchSPI, defaults.SearchSPI);
            s.OFN[0] = 0;
            s.DCflag = defaults.DCflag;
            s.CP_JWout = defaults.CP_JWout;
            s.DI = defaults.DI;
            s.FileSC = defaults.FileSC;
        } else {
            ReadString(key, "SearchSPI", s.SearchSPI, sizeof s.SearchSPI);
            ReadString(key, "OFN", s.OFN, sizeof s.OFN);
            ReadDword(key, "DCflag", s.DCflag);
            ReadDword(key, "CP_JWout", s.CP_JWout);
            ReadDword(key, "DI", s.DI);
            if (ReadDword(key, "FileSC", s.FileSC)) s.FileSC = ClampSortOrder(s.FileSC);
            s.LUDPresent = ReadDword(key, "LUD", s.LUD);
        }
        RegCloseKey(key);
    }
    if (HKEY key = CreateKey("WindowPos", created)) {
        if (created) {
            s.Window = defaults.Window;
        } else {
            uint32_t v[4] = {uint32_t(s.Window.Left), uint32_t(s.Window.Top), uint32_t(s.Window.Width),
                             uint32_t(s.Window.Height)};
            ReadDword(key, "pos_x", v[0]);
            ReadDword(key, "pos_y", v[1]);
            ReadDword(key, "size_wx", v[2]);
            ReadDword(key, "size_wy", v[3]);
            s.Window = {int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
        }
        RegCloseKey(key);
    }
    if (HKEY key = CreateKey("KeyDefine", created)) {
        char name[16];
        for (int i = 0; i < kKeySlots; ++i) {
            if (created) {
                s.Keys[i] = defaults.Keys[i];
                continue;
            }
            KeyValueName(name, sizeof name, i, false);
            if (ReadDword(key, name, s.Keys[i])) s.Keys[i] = ClampKeyIndex(s.Keys[i]);
        }
        for (int i = 0; i < kProgramSlots && !created; ++i) {
            KeyValueName(name, sizeof name, i, true);
            ReadString(key, name, s.KeyApps[i], sizeof s.KeyApps[i]);
        }
        RegCloseKey(key);
    }
}

void SaveSettings(HWND wnd) {
    const ShellSettings& s = g_Settings;
    bool created;
    if (HKEY key = CreateKey(nullptr, created)) {
        WriteString(key, "SearchSPI", s.SearchSPI, sizeof s.SearchSPI);
        WriteString(key, "OFN", s.OFN, sizeof s.OFN);
        WriteDword(key, "DCflag", s.DCflag);
        WriteDword(key, "CP_JWout", s.CP_JWout);
        WriteDword(key, "DI", s.DI);
        WriteDword(key, "FileSC", s.FileSC);
        RegCloseKey(key);
    }
    if (HKEY key = CreateKey("WindowPos", created)) {
        RECT rc;
        GetWindowRect(wnd, &rc);
        WriteDword(key, "pos_x", uint32_t(rc.left));
        WriteDword(key, "pos_y", uint32_t(rc.top));
        WriteDword(key, "size_wx", uint32_t(rc.right - rc.left));
        WriteDword(key, "size_wy", uint32_t(rc.bottom - rc.top));
        RegCloseKey(key);
    }
    if (HKEY key = CreateKey("KeyDefine", created)) {
        char name[16];
        for (int i = 0; i < kKeySlots; ++i) {
            KeyValueName(name, sizeof name, i, false);
            WriteDword(key, name, s.Keys[i]);
        }
        for (int i = 0; i < kProgramSlots; ++i) {
            KeyValueName(name, sizeof name, i, true);
            WriteString(key, name, s.KeyApps[i], sizeof s.KeyApps[i]);
        }
        RegCloseKey(key);
    }
}

void StoreUpdateCheckDay(int32_t day) {
    bool created;
    if (HKEY key = CreateKey(nullptr, created)) {
        WriteDword(key, "LUD", uint32_t(day));
        RegCloseKey(key);
    }
    g_Settings.LUD = uint32_t(day);
    g_Settings.LUDPresent = true;
}
