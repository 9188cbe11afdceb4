// The shell's settings as held in memory, with their defaults and legal ranges.
// Read once at start-up and written once at close by the registry glue.
#pragma once
#include <cstdint>

#include "shell/Startup.h"

constexpr int kKeySlots = 12;
constexpr int kProgramSlots = 4;
constexpr uint32_t kMaxKeyIndex = 34;  // 1..26 letters, 27..34 F1..F8

struct ShellSettings {
    char SearchSPI[256] = {};
    char OFN[300] = {};
    uint32_t DCflag = 0;
    uint32_t CP_JWout = 0;
    uint32_t DI = 0x11;  // image and vector lines shown even when the key cannot be read
    uint32_t FileSC = 0;
    uint32_t LUD = 0;
    bool LUDPresent = false;
    WindowRect Window = kDefaultWindowRect;
    uint32_t Keys[kKeySlots] = {};
    char KeyApps[kProgramSlots][256] = {};
};

// Defaults for a key created now.
void SetNewKeyDefaults(ShellSettings& s, const char* programFolder);

// Values read from the registry outside their legal range fall back to their default.
uint32_t ClampSortOrder(uint32_t value);
uint32_t ClampKeyIndex(uint32_t value);
