#include "base/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// An in-memory registry: subkey name ("" = main key) -> value name -> value.
struct FakeRegistry : SettingsRegistry {
    std::map<std::string, std::map<std::string, RegValue>> keys;
    bool failOpen = false;

    struct Key : SettingsKey {
        std::map<std::string, RegValue>& values;
        explicit Key(std::map<std::string, RegValue>& v) : values(v) {}
        bool Query(const char* name, RegValue& out) override {
            auto it = values.find(name);
            if (it == values.end()) return false;
            out = it->second;
            return true;
        }
        void SetDword(const char* name, uint32_t v) override {
            values[name] = {RegType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
        }
        void SetString(const char* name, const char* buffer, size_t bytes) override {
            values[name] = {RegType::String, std::vector<uint8_t>(buffer, buffer + bytes)};
        }
    };
    std::unique_ptr<SettingsKey> Open(const char* subkey, bool& created) override {
        if (failOpen) return nullptr;
        std::string name = subkey ? subkey : "";
        created = keys.find(name) == keys.end();
        return std::make_unique<Key>(keys[name]);
    }
    static RegValue Dword(uint32_t v) { return {RegType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}}; }
    static RegValue Text(const std::string& s) { return {RegType::String, std::vector<uint8_t>(s.begin(), s.end())}; }
};

}  // namespace

TEST(Settings, FirstRunDefaultsThenRoundTrip) {
    FakeRegistry reg;
    ShellSettings s;
    EXPECT_FALSE(LoadShellSettings(reg, s, "C:\\Pixaro\\"));
    EXPECT_STREQ(s.PluginFolder, "C:\\Pixaro\\");
    EXPECT_EQ(s.InfoFlags, 0x001FFF11u);
    EXPECT_EQ(s.FileOrder, 2u);
    EXPECT_EQ(s.CopyJwRecords, 1u);
    EXPECT_EQ(s.Window.Width, 800);
    EXPECT_EQ(s.Keys[4], 5u);
    EXPECT_EQ(s.Keys[11], 27u);
    EXPECT_TRUE(reg.keys[""].empty()) << "defaults reach the registry only at the save";

    s.FileOrder = 3;
    s.Window = {10, 20, 640, 480};
    snprintf(s.KeyApps[1], sizeof s.KeyApps[1], "C:\\tools\\edit.exe");
    SaveShellSettings(reg, s);
    EXPECT_EQ(reg.keys[""]["SearchSPI"].Bytes.size(), 256u) << "strings are stored with their whole buffer";
    EXPECT_EQ(reg.keys[""]["OFN"].Bytes.size(), 300u);

    ShellSettings again;
    EXPECT_TRUE(LoadShellSettings(reg, again, "D:\\other\\"));
    EXPECT_STREQ(again.PluginFolder, "C:\\Pixaro\\");
    EXPECT_EQ(again.FileOrder, 3u);
    EXPECT_EQ(again.Window.Left, 10);
    EXPECT_EQ(again.Window.Height, 480);
    EXPECT_STREQ(again.KeyApps[1], "C:\\tools\\edit.exe");
    EXPECT_EQ(again.Keys[7], 14u);
}

TEST(Settings, BadStoredValuesLeaveSettingsSound) {
    FakeRegistry reg;
    ShellSettings first;
    LoadShellSettings(reg, first, "C:\\P\\");
    SaveShellSettings(reg, first);
    auto& main = reg.keys[""];
    main.erase("FileSC");                                             // missing: stays as it was (0)
    main["DI"] = FakeRegistry::Text("not a number");                  // wrong type
    main["DCflag"] = {RegType::Dword, {1, 2}};                        // wrong size
    main["SearchSPI"] = FakeRegistry::Text(std::string(300, 'x'));    // longer than its buffer
    main["OFN"] = FakeRegistry::Text("out.txt");                      // no terminator stored
    reg.keys["KeyDefine"]["Key05"] = FakeRegistry::Dword(99);         // out of range: the default
    reg.keys["KeyDefine"]["Key00_APP"] = {RegType::Other, {1, 2, 3}};
    reg.keys["WindowPos"]["pos_x"] = FakeRegistry::Dword(0xFFFFFFF6u);  // -10, corrected at start-up

    ShellSettings s;
    s.DisplayFlags = 4;
    snprintf(s.PluginFolder, sizeof s.PluginFolder, "kept");
    EXPECT_TRUE(LoadShellSettings(reg, s, "C:\\P\\"));
    EXPECT_EQ(s.FileOrder, 0u) << "a missing sort order is the directory order";
    EXPECT_EQ(s.InfoFlags, 0x11u);
    EXPECT_EQ(s.DisplayFlags, 4u);
    EXPECT_STREQ(s.PluginFolder, "kept");
    EXPECT_STREQ(s.OutputFile, "out.txt");
    EXPECT_EQ(s.Keys[5], 26u);
    EXPECT_EQ(s.KeyApps[0][0], 0);
    EXPECT_EQ(s.Window.Left, -10);

    main["FileSC"] = FakeRegistry::Dword(7);
    LoadShellSettings(reg, s, "C:\\P\\");
    EXPECT_EQ(s.FileOrder, 2u) << "an unknown sort order falls back to natural";

    FakeRegistry broken;
    broken.failOpen = true;
    ShellSettings none;
    EXPECT_FALSE(LoadShellSettings(broken, none, "C:\\P\\"));
    EXPECT_EQ(none.FileOrder, 0u);
    EXPECT_EQ(none.InfoFlags, 0x11u);
}
