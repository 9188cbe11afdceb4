#include "vectorize/ConversionSettings.h"

#include "base/Limits.h"
#include "base/TextNumber.h"

namespace {

int32_t InRange(int64_t v, int32_t lo, int32_t hi, int32_t fallback) { return v >= lo && v <= hi ? int32_t(v) : fallback; }

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
        uint32_t centre;
        s.Centre = !created && ReadSettingDword(*key, "RV_CENTRE", centre) && centre == 1;
    }
    s.Dpi = InRange(s.Dpi, kMinDpi, kMaxDpi, kDefaultDpi);
    s.Scale = InRange(s.Scale, kMinScale, kMaxScale, kDefaultScale);
    if (s.TotalLines < 0) s.TotalLines = 0;
}

void SaveConversionSettings(SettingsRegistry& registry, const ConversionSettings& s) {
    bool created = false;
    if (auto key = registry.Open(nullptr, created)) {
        key->SetDword("RV_DPI", uint32_t(s.Dpi));
        key->SetDword("RV_SCALE", uint32_t(s.Scale));
        key->SetDword("TL", uint32_t(s.TotalLines));
        key->SetDword("RV_CENTRE", s.Centre ? 1 : 0);
    }
}

void LoadJwExportSettings(SettingsRegistry& registry, JwExportSettings& s) {
    bool created = false;
    if (auto key = registry.Open(nullptr, created); key && !created) {
        uint32_t v;
        if (ReadSettingDword(*key, "DPI", v)) s.Dpi = int32_t(v);
        if (ReadSettingDword(*key, "SCALE", v)) s.Scale = int32_t(v);
        if (ReadSettingDword(*key, "JWSCALE", v)) s.JwScale = int32_t(v);
        if (ReadSettingDword(*key, "WIDTH", v)) s.Width = int32_t(v);
        if (ReadSettingDword(*key, "JWOF", v)) s.Flags = v;
    }
    s.Dpi = InRange(s.Dpi, kPathDpiMin, kPathDpiMax, kPathDpiReplacement);
    s.Scale = InRange(s.Scale, kPathScaleMin, kPathScaleMax, kPathScaleReplacement);
    s.JwScale = InRange(s.JwScale, kPathScaleMin, kPathScaleMax, kPathScaleReplacement);
    s.Width = InRange(s.Width, kPathWidthMin, kPathWidthMax, kPathWidthReplacement);
}

void SaveJwExportSettings(SettingsRegistry& registry, const JwExportSettings& s) {
    bool created = false;
    if (auto key = registry.Open(nullptr, created)) {
        key->SetDword("DPI", uint32_t(s.Dpi));
        key->SetDword("SCALE", uint32_t(s.Scale));
        key->SetDword("JWSCALE", uint32_t(s.JwScale));
        key->SetDword("WIDTH", uint32_t(s.Width));
        key->SetDword("JWOF", s.Flags);
    }
}

const char* CheckDpiText(const char* text, int32_t& dpi) {
    const std::optional<int32_t> v = ParseWholeNumber(text);
    if (!v || *v < kMinDpi || *v > kMaxDpi) return "原稿解像度は 100 から 2000 までの整数で入力してください";
    dpi = *v;
    return nullptr;
}

const char* CheckScaleText(const char* text, int32_t& scale) {
    const std::optional<int32_t> v = ParseWholeNumber(text);
    if (!v || *v < kMinScale || *v > kMaxScale) return "原稿縮尺は 1/1 から 1/10000 まで、分母を整数で入力してください";
    scale = *v;
    return nullptr;
}

const char* CheckOutputName(std::string_view name) {
    if (name.size() >= kPathBytes) return "出力座標ファイル名が長すぎます (259 バイトまで)";
    return nullptr;
}

int LevelCode(int level, bool solidChecked, bool outlineChecked) {
    return level + (outlineChecked && !solidChecked ? 10 : 0);
}
