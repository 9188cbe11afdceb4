// The conversion dialog's values: scan resolution, drawing scale, the running total of
// converted lines, and how the dialog's texts are read.
#pragma once
#include <cstdint>
#include <string_view>

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

// The dialog's texts, checked before anything is traced or written: nullptr when usable
// (and the value set), otherwise the message for the user. Registry values are not checked
// here; out of range they quietly become the defaults.
const char* CheckDpiText(const char* text, int32_t& dpi);
const char* CheckScaleText(const char* text, int32_t& scale);
// A name that fits a path; an empty one means the clipboard.
const char* CheckOutputName(std::string_view name);

// Level 1..6, plus 10 for "輪郭線" when "ベタ" is not checked.
int LevelCode(int level, bool solidChecked, bool outlineChecked);
