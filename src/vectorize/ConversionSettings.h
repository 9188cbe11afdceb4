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
    bool Centre = false;  // "芯線" was chosen when the dialog last closed
};

constexpr int32_t kDefaultDpi = 200, kMinDpi = 100, kMaxDpi = 2000;
constexpr int32_t kDefaultScale = 100, kMinScale = 1, kMaxScale = 10000;

// RV_DPI, RV_SCALE, TL and RV_CENTRE of the settings key; out-of-range values become the
// defaults, and only RV_CENTRE = 1 means "芯線".
void LoadConversionSettings(SettingsRegistry& registry, ConversionSettings& s);
void SaveConversionSettings(SettingsRegistry& registry, const ConversionSettings& s);

// The dialog's texts, checked before anything is traced or written: nullptr when usable
// (and the value set), otherwise the message for the user. Registry values are not checked
// here; out of range they quietly become the defaults.
const char* CheckDpiText(const char* text, int32_t& dpi);
const char* CheckScaleText(const char* text, int32_t& scale);
// A name that fits a path; an empty one means the clipboard.
const char* CheckOutputName(std::string_view name);

// The image-path and graffiti exports: DPI and SCALE (shared by both), JWSCALE, WIDTH and
// the output flags JWOF (bits 0-1 size mode, 4 the displayed picture, 8 absolute paths).
struct JwExportSettings {
    int32_t Dpi = 200;
    int32_t Scale = 1;
    int32_t JwScale = 100;
    int32_t Width = 125;
    uint32_t Flags = 0;
};
constexpr uint32_t kJwofSizeMask = 0x3, kJwofDisplayed = 0x4, kJwofAbsolute = 0x8;
// Outside their ranges the values take replacements, not the defaults of a new key.
constexpr int32_t kPathDpiMin = 100, kPathDpiMax = 2000, kPathDpiReplacement = 600;
constexpr int32_t kPathScaleMin = 1, kPathScaleMax = 10000, kPathScaleReplacement = 1;
constexpr int32_t kPathWidthMin = 1, kPathWidthMax = 1000, kPathWidthReplacement = 125;
void LoadJwExportSettings(SettingsRegistry& registry, JwExportSettings& s);
void SaveJwExportSettings(SettingsRegistry& registry, const JwExportSettings& s);

// Level 1..6, plus 10 for "輪郭線" when "ベタ" is not checked.
int LevelCode(int level, bool solidChecked, bool outlineChecked);
