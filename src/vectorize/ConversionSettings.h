// The conversion dialog's values: scan resolution, drawing scale, the running total of
// converted lines, and how the dialog's texts are read.
#pragma once
#include <cstdint>

#include "base/Settings.h"

struct ConversionSettings {
    int32_t Dpi = 200;
    int32_t Scale = 100;  // the drawing is 1/Scale
    int32_t TotalLines = 0;
};

constexpr int32_t kDefaultDpi = 200, kMinDpi = 100, kMaxDpi = 2000;
constexpr int32_t kDefaultScale = 100, kMinScale = 1, kMaxScale = 10000;

// RV_DPI, RV_SCALE and TL of the settings key; out-of-range values become the defaults.
void LoadConversionSettings(SettingsRegistry& registry, ConversionSettings& s);
void SaveConversionSettings(SettingsRegistry& registry, const ConversionSettings& s);

// "%d" of a control's text with the fallback for anything out of range or unreadable.
int32_t ParseDpiText(const char* text);
int32_t ParseScaleText(const char* text);

// Level 1..6, plus 10 for "輪郭線" when "ベタ" is not checked.
int LevelCode(int level, bool solidChecked, bool outlineChecked);
