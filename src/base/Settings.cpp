#include "base/Settings.h"

#include <cstdio>

#include "base/ByteReader.h"
#include "base/SjisText.h"

ShellSettings g_Settings;

void SetNewKeyDefaults(ShellSettings& s, const char* programFolder) {
    CopySjis(s.PluginFolder, sizeof s.PluginFolder, programFolder);
    s.OutputFile[0] = 0;
    s.DisplayFlags = 0;
    s.CopyJwRecords = 1;
    s.InfoFlags = 0x001FFF11;
    s.FileOrder = 2;
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

// The values of each key, named once for loading and saving.
struct TextValue {
    const char* Name;
    char* (*Field)(ShellSettings&);
    size_t Size;
};
const TextValue kMainTexts[] = {
    {"SearchSPI", [](ShellSettings& s) { return s.PluginFolder; }, sizeof ShellSettings::PluginFolder},
    {"OFN", [](ShellSettings& s) { return s.OutputFile; }, sizeof ShellSettings::OutputFile},
};
const DwordField<ShellSettings> kMainDwords[] = {
    UnsignedField("DCflag", &ShellSettings::DisplayFlags),
    UnsignedField("CP_JWout", &ShellSettings::CopyJwRecords),
    UnsignedField("DI", &ShellSettings::InfoFlags),
    UnsignedField("FileSC", &ShellSettings::FileOrder),
};
constexpr uint32_t kLastSortOrder = 3;
constexpr const char* kUpdateDayValue = "LUD";  // written by the update check alone
const DwordField<WindowRect> kWindowValues[] = {
    SignedField("pos_x", &WindowRect::Left),
    SignedField("pos_y", &WindowRect::Top),
    SignedField("size_wx", &WindowRect::Width),
    SignedField("size_wy", &WindowRect::Height),
};

}  // namespace

bool LoadShellSettings(SettingsRegistry& registry, ShellSettings& s, const char* programFolder) {
    ShellSettings defaults;
    SetNewKeyDefaults(defaults, programFolder);
    bool created = false, existed = false;
    if (auto key = registry.Open(nullptr, created)) {
        existed = !created;
        for (const TextValue& t : kMainTexts) {
            if (created)
                CopySjis(t.Field(s), t.Size, t.Field(defaults));
            else
                ReadString(*key, t.Name, t.Field(s), t.Size);
        }
        for (const DwordField<ShellSettings>& d : kMainDwords)
            if (created) s.*d.Unsigned = defaults.*d.Unsigned;
        if (!created) {
            ReadDwordFields(*key, kMainDwords, s);
            if (s.FileOrder > kLastSortOrder) s.FileOrder = defaults.FileOrder;
            s.UpdateCheckDayKnown = ReadDword(*key, kUpdateDayValue, s.UpdateCheckDay);
        }
    }
    if (auto key = registry.Open("WindowPos", created)) {
        if (created)
            s.Window = defaults.Window;
        else
            ReadDwordFields(*key, kWindowValues, s.Window);
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
        ShellSettings& values = const_cast<ShellSettings&>(s);  // the accessors only read here
        for (const TextValue& t : kMainTexts) key->SetString(t.Name, t.Field(values), t.Size);
        WriteDwordFields(*key, kMainDwords, s);
    }
    if (auto key = registry.Open("WindowPos", created)) WriteDwordFields(*key, kWindowValues, s.Window);
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
    if (auto key = registry.Open(nullptr, created)) key->SetDword(kUpdateDayValue, day);
}
