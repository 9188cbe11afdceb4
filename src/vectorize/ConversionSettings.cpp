#include "vectorize/ConversionSettings.h"

#include <cstdlib>

namespace {

int32_t InRange(int64_t v, int32_t lo, int32_t hi, int32_t fallback) { return v >= lo && v <= hi ? int32_t(v) : fallback; }

// sscanf "%d" semantics without its undefined overflow: optional blanks, sign, digits.
bool ScanInt(const char* text, int64_t& value) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (*text < '0' || *text > '9') return false;
    value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value < (int64_t(1) << 40)) value = value * 10 + (*text - '0');
    if (negative) value = -value;
    return true;
}

}  // namespace

void LoadConversionSettings(SettingsRegistry& registry, ConversionSettings& s) {
    bool created = false;
    if (auto key = registry.Open(nullptr, created)) {
        if (created) {
            s.Dpi = kDefaultDpi;
            s.Scale = kDefaultScale;
        } else {
            uint32_t v;
            if (ReadSettingDword(*key, "RV_DPI", v)) s.Dpi = int32_t(v);
            if (ReadSettingDword(*key, "RV_SCALE", v)) s.Scale = int32_t(v);
            if (ReadSettingDword(*key, "TL", v)) s.TotalLines = int32_t(v);
        }
    }
    s.Dpi = InRange(s.Dpi, kMinDpi, kMaxDpi, kDefaultDpi);
    s.Scale = InRange(s.Scale, kMinScale, kMaxScale, kDefaultScale);
}

void SaveConversionSettings(SettingsRegistry& registry, const ConversionSettings& s) {
    bool created = false;
    if (auto key = registry.Open(nullptr, created)) {
        key->SetDword("RV_DPI", uint32_t(s.Dpi));
        key->SetDword("RV_SCALE", uint32_t(s.Scale));
        key->SetDword("TL", uint32_t(s.TotalLines));
    }
}

int32_t ParseDpiText(const char* text) {
    int64_t v;
    return ScanInt(text, v) ? InRange(v, kMinDpi, kMaxDpi, kDefaultDpi) : kDefaultDpi;
}

int32_t ParseScaleText(const char* text) {
    int64_t v;
    return ScanInt(text, v) ? InRange(v, kMinScale, kMaxScale, kDefaultScale) : kDefaultScale;
}

int LevelCode(int level, bool solidChecked, bool outlineChecked) {
    return level + (outlineChecked && !solidChecked ? 10 : 0);
}
