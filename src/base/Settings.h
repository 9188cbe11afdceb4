// The shell's settings as held in memory, with their defaults and legal ranges.
// Read once at start-up and written once at close by the registry glue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Placement.h"

constexpr int kKeySlots = 12;

// InfoFlags (stored as "DI"): what the view paints. The overlay rows use the bits above these.
enum InfoFlag : uint32_t {
    kInfoImageShown = 0x01,
    kInfoVectorLines = 0x10,
    kInfoImageAndLines = kInfoImageShown | kInfoVectorLines,
};
// DisplayFlags (stored as "DCflag"): smooth enlargement too; the title shows the full path,
// or folder and name.
enum DisplayFlag : uint32_t {
    kDisplaySmoothZoom = 0x01,
    kDisplayFullPath = 0x04,
    kDisplayFolderAndName = 0x08,
};
constexpr int kProgramSlots = 4;
constexpr uint32_t kMaxKeyIndex = 34;  // 1..26 letters, 27..34 F1..F8

// Each field is stored under its old registry name (Settings.cpp's tables), which users'
// settings keep.
struct ShellSettings {
    char PluginFolder[256] = {};
    char OutputFile[300] = {};
    uint32_t DisplayFlags = 0;
    uint32_t CopyJwRecords = 0;
    uint32_t InfoFlags = kInfoImageAndLines;  // even when the key cannot be read
    uint32_t FileOrder = 0;  // how the folder is listed: 0..3
    uint32_t UpdateCheckDay = 0;
    bool UpdateCheckDayKnown = false;
    WindowRect Window = kDefaultWindowRect;
    uint32_t Keys[kKeySlots] = {};
    char KeyApps[kProgramSlots][256] = {};
};

// The one copy of the settings: read at start-up, written at close.
extern ShellSettings g_Settings;

// Defaults for a key created now.
void SetNewKeyDefaults(ShellSettings& s, const char* programFolder);

// The registry as the settings see it, so the schema can be tested over an in-memory copy.
enum class RegType { None, Dword, String, Other };
struct RegValue {
    RegType Type = RegType::None;
    std::vector<uint8_t> Bytes;  // as stored; a string may lack its terminator
};

class SettingsKey {
public:
    virtual ~SettingsKey() = default;
    // False when the value is missing or cannot be read whole.
    virtual bool Query(const char* name, RegValue& out) = 0;
    virtual void SetDword(const char* name, uint32_t value) = 0;
    virtual void SetString(const char* name, const char* buffer, size_t bytes) = 0;
};

class SettingsRegistry {
public:
    virtual ~SettingsRegistry() = default;
    // Opens (creating when missing) the main key (subkey null) or one of its subkeys;
    // null when it cannot be opened.
    virtual std::unique_ptr<SettingsKey> Open(const char* subkey, bool& created) = 0;
};

constexpr const char* kSettingsCompany = "Norvane";
constexpr const char* kSettingsProduct = "Pixaro";

// A DWORD of 4 bytes into `value`; false (value untouched) for anything else.
bool ReadSettingDword(SettingsKey& key, const char* name, uint32_t& value);

// One DWORD value of a settings group, named once: loading and saving both go by the table.
template <class T>
struct DwordField {
    const char* Name;
    uint32_t T::*Unsigned = nullptr;
    int32_t T::*Signed = nullptr;  // stored as its two's complement bits
};
template <class T>
constexpr DwordField<T> UnsignedField(const char* name, uint32_t T::*field) { return {name, field, nullptr}; }
template <class T>
constexpr DwordField<T> SignedField(const char* name, int32_t T::*field) { return {name, nullptr, field}; }

// A value that cannot be read leaves its field as it was.
template <class T, size_t N>
void ReadDwordFields(SettingsKey& key, const DwordField<T> (&fields)[N], T& into) {
    for (const DwordField<T>& f : fields) {
        uint32_t v;
        if (!ReadSettingDword(key, f.Name, v)) continue;
        if (f.Unsigned) into.*f.Unsigned = v;
        else into.*f.Signed = int32_t(v);
    }
}
template <class T, size_t N>
void WriteDwordFields(SettingsKey& key, const DwordField<T> (&fields)[N], const T& from) {
    for (const DwordField<T>& f : fields) key.SetDword(f.Name, f.Unsigned ? from.*f.Unsigned : uint32_t(from.*f.Signed));
}

// Reads every shell value; a value that is missing, of the wrong type or size, too long for
// its buffer or out of its range leaves the setting as it was. A key created now gets the
// defaults. Returns whether the main key existed before.

bool LoadShellSettings(SettingsRegistry& registry, ShellSettings& s, const char* programFolder);
void SaveShellSettings(SettingsRegistry& registry, const ShellSettings& s);
void SaveUpdateCheckDay(SettingsRegistry& registry, uint32_t day);
