#include "vectorize/ConversionSettings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct MemoryRegistry : SettingsRegistry {
    std::map<std::string, uint32_t> values;
    bool exists = false;
    struct Key : SettingsKey {
        MemoryRegistry& r;
        explicit Key(MemoryRegistry& reg) : r(reg) {}
        bool Query(const char* name, RegValue& out) override {
            auto it = r.values.find(name);
            if (it == r.values.end()) return false;
            uint32_t v = it->second;
            out = {RegType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
            return true;
        }
        void SetDword(const char* name, uint32_t v) override { r.values[name] = v; }
        void SetString(const char*, const char*, size_t) override {}
    };
    std::unique_ptr<SettingsKey> Open(const char*, bool& created) override {
        created = !exists;
        exists = true;
        return std::make_unique<Key>(*this);
    }
};

}  // namespace

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
    reg.values["RV_DPI"] = 50;
    reg.values["RV_SCALE"] = 0;
    LoadConversionSettings(reg, again);
    EXPECT_EQ(again.Dpi, 200);
    EXPECT_EQ(again.Scale, 100);
}

TEST(ConversionSettings, ControlTextsAndLevelCode) {
    struct Row {
        const char* text;
        int32_t dpi, scale;
    };
    const Row rows[] = {{"400", 400, 400}, {"50", 200, 50},     {"0", 200, 100},        {"", 200, 100},
                        {"abc", 200, 100}, {" 300x", 300, 300}, {"99999999999", 200, 100}, {"-5", 200, 100}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(ParseDpiText(r.text), r.dpi);
        EXPECT_EQ(ParseScaleText(r.text), r.scale);
    }
    EXPECT_EQ(LevelCode(3, true, false), 3);
    EXPECT_EQ(LevelCode(3, false, true), 13);
    EXPECT_EQ(LevelCode(6, true, true), 6) << "outline counts only when solid is not checked";
}
