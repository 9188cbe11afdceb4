#include "shell/Settings.h"

#include "shell/SjisText.h"

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

uint32_t ClampSortOrder(uint32_t value) { return value <= 3 ? value : 2; }
uint32_t ClampKeyIndex(uint32_t value) { return value <= kMaxKeyIndex ? value : 0; }
