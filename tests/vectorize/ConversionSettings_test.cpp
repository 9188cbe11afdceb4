#include "vectorize/ConversionSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "base/MemoryRegistry.h"

TEST(ConversionSettings, DefaultsRangesAndRoundTrip) {
    MemoryRegistry reg;
    ConversionSettings s;
    s.Dpi = 999;
    LoadConversionSettings(reg, s);
    EXPECT_EQ(s.Dpi, 200) << "a key created now gets the defaults";
    EXPECT_EQ(s.Scale, 100);
    s.Dpi = 400;
    s.Scale = 50;
    s.TotalLines = 123456789;
    SaveConversionSettings(reg, s);
    ConversionSettings again;
    LoadConversionSettings(reg, again);
    EXPECT_EQ(again.Dpi, 400);
    EXPECT_EQ(again.Scale, 50);
    EXPECT_EQ(again.TotalLines, 123456789);
    reg.Put("RV_DPI", 50);
    reg.Put("RV_SCALE", 0);
    reg.Put("TL", 0xFFFFFFFF);
    LoadConversionSettings(reg, again);
    EXPECT_EQ(again.Dpi, 200);
    EXPECT_EQ(again.Scale, 100);
    EXPECT_EQ(again.TotalLines, 0);
}

// Only a stored 1 brings "芯線" back; whatever else is there, or nothing, means "ベタ".
TEST(ConversionSettings, CentreModeRemembered) {
    MemoryRegistry reg;
    ConversionSettings s;
    s.Centre = true;
    LoadConversionSettings(reg, s);
    EXPECT_FALSE(s.Centre) << "a new key";
    s.Centre = true;
    SaveConversionSettings(reg, s);
    EXPECT_EQ(reg.Dword("RV_CENTRE"), 1u);
    ConversionSettings again;
    LoadConversionSettings(reg, again);
    EXPECT_TRUE(again.Centre);
    for (uint32_t v : {0u, 2u, 0xFFFFFFFFu}) {
        reg.Put("RV_CENTRE", v);
        again.Centre = true;
        LoadConversionSettings(reg, again);
        EXPECT_FALSE(again.Centre) << v;
    }
    reg.values.erase("RV_CENTRE");
    again.Centre = true;
    LoadConversionSettings(reg, again);
    EXPECT_FALSE(again.Centre) << "missing";
    SaveConversionSettings(reg, again);
    EXPECT_EQ(reg.Dword("RV_CENTRE"), 0u);
}

TEST(ConversionSettings, ControlTextsAndLevelCode) {
    // Anything but a whole number in range is refused, never replaced by another size.
    struct Row {
        const char* text;
        int32_t dpi, scale;  // 0: refused
    };
    const Row rows[] = {{"400", 400, 400}, {" 2000 ", 2000, 2000}, {"50", 0, 50},  {"0", 0, 0},
                        {"", 0, 0},        {"abc", 0, 0},          {" 300x", 0, 0}, {"99999999999", 0, 0},
                        {"-5", 0, 0},      {"1e3", 0, 0},          {"10001", 0, 0}, {"100", 100, 100}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        int32_t dpi = -1, scale = -1;
        EXPECT_EQ(CheckDpiText(r.text, dpi) == nullptr, r.dpi != 0);
        EXPECT_EQ(CheckScaleText(r.text, scale) == nullptr, r.scale != 0);
        EXPECT_EQ(dpi, r.dpi ? r.dpi : -1) << "a refused text leaves the value alone";
        EXPECT_EQ(scale, r.scale ? r.scale : -1);
    }
    EXPECT_EQ(CheckOutputName(std::string(259, 'a')), nullptr);
    EXPECT_NE(CheckOutputName(std::string(260, 'a')), nullptr);
    EXPECT_EQ(LevelCode(3, true, false), 3);
    EXPECT_EQ(LevelCode(3, false, true), 13);
    EXPECT_EQ(LevelCode(6, true, true), 6) << "outline counts only when solid is not checked";
}

TEST(ConversionSettings, ExportValuesTakeReplacementsNotDefaults) {
    MemoryRegistry reg;
    JwExportSettings s;
    LoadJwExportSettings(reg, s);
    EXPECT_EQ(s.Dpi, 200);
    EXPECT_EQ(s.Scale, 1);
    EXPECT_EQ(s.JwScale, 100);
    EXPECT_EQ(s.Width, 125);
    EXPECT_EQ(s.Flags, 0u);
    reg.Put("DPI", 50);
    reg.Put("SCALE", 0);
    reg.Put("JWSCALE", 20000);
    reg.Put("WIDTH", 0xFFFFFFFF);
    reg.Put("JWOF", 0xD);
    LoadJwExportSettings(reg, s);
    EXPECT_EQ(s.Dpi, 600);
    EXPECT_EQ(s.Scale, 1);
    EXPECT_EQ(s.JwScale, 1);
    EXPECT_EQ(s.Width, 125);
    EXPECT_EQ(s.Flags, 0xDu);
    s.Dpi = 300;
    SaveJwExportSettings(reg, s);
    JwExportSettings again;
    LoadJwExportSettings(reg, again);
    EXPECT_EQ(again.Dpi, 300);
}
