// A folder in memory for the batch and journal tests: names compared as Windows does,
// times kept as the shooting time itself (the zone rules are the glue's), and an optional
// "crash" after a number of changes, from which on every change fails and leaves it as it was.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "imageops/BatchName.h"
#include "imageops/BatchRun.h"

class MemoryFolder : public BatchFolder {
public:
    std::map<std::string, std::pair<std::string, std::string>> Files;  // key -> name, bytes
    std::map<std::string, uint64_t> Times;                              // key -> time set
    std::string RefuseMoveOf;                                           // a name the system keeps
    long Budget = -1;                                                   // changes left; -1 no limit
    long Changes = 0;

    void Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        Files[NameKey(name)] = {name, std::string(bytes.begin(), bytes.end())};
    }
    bool Exists(const std::string& name) override { return Files.count(NameKey(name)) != 0; }
    bool Move(const std::string& from, const std::string& to) override {
        auto it = Files.find(NameKey(from));
        if (it == Files.end() || from == RefuseMoveOf || !Spend()) return false;
        if (NameKey(from) != NameKey(to) && Exists(to)) return false;
        std::string bytes = it->second.second;
        uint64_t time = Times[NameKey(from)];
        Files.erase(it);
        Times.erase(NameKey(from));
        Files[NameKey(to)] = {to, bytes};
        if (time) Times[NameKey(to)] = time;
        return true;
    }
    bool WriteWhole(const std::string& name, const std::string& bytes) override {
        if (!Spend()) return false;
        Files[NameKey(name)] = {name, bytes};
        return true;
    }
    bool Read(const std::string& name, std::string& bytes) override {
        auto it = Files.find(NameKey(name));
        if (it == Files.end()) return false;
        bytes = it->second.second;
        return true;
    }
    bool Remove(const std::string& name) override { return Spend() && Files.erase(NameKey(name)) != 0; }
    bool ReadBytes(const std::string& name, std::vector<uint8_t>& data) override {
        std::string bytes;
        if (!Read(name, bytes)) return false;
        data.assign(bytes.begin(), bytes.end());
        return true;
    }
    std::vector<std::string> List() override {
        std::vector<std::string> names;
        for (const auto& f : Files) names.push_back(f.second.first);
        return names;
    }
    bool TimesDiffer(const std::string& name, FileTime shot) override {
        return Times[NameKey(name)] != (uint64_t(shot.High) << 32 | shot.Low);
    }
    bool SetTimes(const std::string& name, FileTime shot, FileTime& utc) override {
        Times[NameKey(name)] = uint64_t(shot.High) << 32 | shot.Low;
        utc = shot;
        return true;
    }
    // Name -> contents, with the exact spelling of each name.
    std::map<std::string, std::string> Listing() const {
        std::map<std::string, std::string> out;
        for (const auto& f : Files) out[f.second.first] = f.second.second;
        return out;
    }

private:
    bool Spend() {
        if (Budget == 0) return false;
        if (Budget > 0) --Budget;
        ++Changes;
        return true;
    }
};
