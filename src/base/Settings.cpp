#include "base/Settings.h"

#include <cstdio>

#include "base/ByteReader.h"
#include "base/SjisText.h"

ShellSettings g_Settings;

void SetNewKeyDefaults(ShellSettings& s, const char* programFolder) {
    CopySjis(s.SearchSPI, sizeof s.SearchSPI, programFolder);
    s.OFN[0] = 0;
    s.DCflag = 0;
    s.CP_JWout = 1;
    s.DI = 0x001FFF11;
    s.FileSC = 2;
    s.Window = kDefaultWindowRect;
    static const uint32_t kDefaultKeys[kKeySlots] = {0, 0, 0, 0, 5, 26, 2, 14, 17, 31, 32, 27};
    for (int i = 0; i < kKeySlots; ++i) s.Keys[i] = kDefaultKeys[i];
    for (auto& app : s.KeyApps) app[0] = 0;
}

bool ReadSettingDword(SettingsKey& key, const char* name, uint32_t& value) {
    RegValue v;
    if (!key.Query(name, v) || v.Type != RegType::Dword || v.Bytes.size() != 4) return false;
    value = ByteReader(v.Bytes.data(), v.Bytes.size()).U32LE();
    return true;
}

namespace {

bool ReadDword(SettingsKey& key, const char* name, uint32_t& value) { return ReadSettingDword(key, name, value); }

// The stored bytes up to their first NUL; kept only when they fit the buffer whole.
void ReadString(SettingsKey& key, const char* name, char* out, size_t size) {
    RegValue v;
    if (!key.Query(name, v) || v.Type != RegType::String) return;
    size_t length = 0;
    while (length < v.Bytes.size() && v.Bytes[length] != 0) ++length;
    if (length >= size) return;
    for (size_t i = 0; i < length; ++i) out[i] = char(v.Bytes[i]);
    out[length] = 0;
}

// Slots are 0..11, so "Key11_APP" is the longest name.
void KeyValueName(char* out, int slot, bool app) {
    std::snprintf(out, 16, app ? "Key%02d_APP" : "Key%02d", unsigned(slot) % 100u);
}

struct WindowValue {
    const char* name;
    int WindowRect::*field;
};
constexpr WindowValue kWindowValues[] = {{"pos_x", &WindowRect::Left},
                                         {"pos_y", &WindowRect::Top},
                                         {"size_wx", &WindowRect::Width},
                                         {"size_wy", &WindowRect::Height}};

}  // namespace

bool LoadShellSettings(SettingsRegistry& registry, ShellSettings& s, const char* programFolder) {
    ShellSettings defaults;
    SetNewKeyDefaults(defaults, programFolder);
    bool created = false, existed = false;
    if (auto key = registry.Open(nullptr, created)) {
        existed = !created;
        if (created) {
            CopySjis(s.SearchSPI, sizeof s.SearchSPI, defaults.SearchSPI);
            s.OFN[0] = 0;
            s.DCflag = defaults.DCflag;
            s.CP_JWout = defaults.CP_JWout;
            s.DI = defaults.DI;
            s.FileSC = defaults.FileSC;
        } else {
            ReadString(*key, "SearchSPI", s.SearchSPI, sizeof s.SearchSPI);
            ReadString(*key, "OFN", s.OFN, sizeof s.OFN);
            ReadDword(*key, "DCflag", s.DCflag);
            ReadDword(*key, "CP_JWout", s.CP_JWout);
            ReadDword(*key, "DI", s.DI);
            uint32_t order;
            if (ReadDword(*key, "FileSC", order)) s.FileSC = order <= 3 ? order : defaults.FileSC;
            s.LUDPresent = ReadDword(*key, "LUD", s.LUD);
        }
    }
    if (auto key = registry.Open("WindowPos", created)) {
        for (const WindowValue& w : kWindowValues) {
            uint32_t v;
            if (created)
                s.Window.*w.field = defaults.Window.*w.field;
            else if (ReadDword(*key, w.name, v))
                s.Window.*w.field = int32_t(v);
        }
    }
    if (auto key = registry.Open("KeyDefine", created)) {
        char name[16];
        for (int i = 0; i < kKeySlots; ++i) {
            uint32_t v;
            KeyValueName(name, i, false);
            if (created)
                s.Keys[i] = defaults.Keys[i];
            else if (ReadDword(*key, name, v))
                s.Keys[i] = v <= kMaxKeyIndex ? v : defaults.Keys[i];
        }
        for (int i = 0; i < kProgramSlots && !created; ++i) {
            KeyValueName(name, i, true);
            ReadString(*key, name, s.KeyApps[i], sizeof s.KeyApps[i]);
        }
    }
    return existed;
}

void SaveShellSettings(SettingsRegistry& registry, const ShellSettings& s) {
    bool created;
    if (auto key = registry.Open(nullptr, created)) {
        key->SetString("SearchSPI", s.SearchSPI, sizeof s.SearchSPI);
        key->SetString("OFN", s.OFN, sizeof s.OFN);
        key->SetDword("DCflag", s.DCflag);
        key->SetDword("CP_JWout", s.CP_JWout);
        key->SetDword("DI", s.DI);
        key->SetDword("FileSC", s.FileSC);
    }
    if (auto key = registry.Open("WindowPos", created))
        for (const WindowValue& w : kWindowValues) key->SetDword(w.name, uint32_t(s.Window.*w.field));
    if (auto key = registry.Open("KeyDefine", created)) {
        char name[16];
        for (int i = 0; i < kKeySlots; ++i) {
            KeyValueName(name, i, false);
            key->SetDword(name, s.Keys[i]);
        }
        for (int i = 0; i < kProgramSlots; ++i) {
            KeyValueName(name, i, true);
            key->SetString(name, s.KeyApps[i], sizeof s.KeyApps[i]);
        }
    }
}

void SaveUpdateCheckDay(SettingsRegistry& registry, uint32_t day) {
    bool created;
    if (auto key = registry.Open(nullptr, created)) key->SetDword("LUD", day);
}
