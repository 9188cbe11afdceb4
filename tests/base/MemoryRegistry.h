// The settings key in memory, for tests of what is read from and written to the registry.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"

struct MemoryRegistry : SettingsRegistry {
    std::map<std::string, RegValue> values;
    struct Key : SettingsKey {
        MemoryRegistry& r;
        explicit Key(MemoryRegistry& reg) : r(reg) {}
        bool Query(const char* name, RegValue& out) override {
            auto it = r.values.find(name);
            if (it == r.values.end()) return false;
            out = it->second;
            return true;
        }
        void SetDword(const char* name, uint32_t v) override { r.Put(name, v); }
        void SetString(const char* name, const char* buffer, size_t bytes) override {
            r.values[name] = {RegType::String, std::vector<uint8_t>(buffer, buffer + bytes)};
        }
    };
    // The key counts as created when nothing was stored in it yet.
    std::unique_ptr<SettingsKey> Open(const char*, bool& created) override {
        created = values.empty();
        return std::make_unique<Key>(*this);
    }
    void Put(const char* name, uint32_t v) {
        values[name] = {RegType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
    }
    uint32_t Dword(const char* name) {
        const auto& b = values.at(name).Bytes;
        return b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24;
    }
};
