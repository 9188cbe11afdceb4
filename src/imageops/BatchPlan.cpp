#include "imageops/BatchPlan.h"

#include <cstdio>
#include <unordered_map>

namespace {

constexpr int kOutsider = -1;

// Folder names by key: the catalogue file that holds the name, or kOutsider.
std::unordered_map<std::string, int> NameOwners(const std::vector<BatchPlanFile>& files,
                                               const std::vector<std::string>& folderNames) {
    std::unordered_map<std::string, int> owners;
    owners.reserve(folderNames.size() + files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        auto [it, added] = owners.emplace(NameKey(files[i].Name), int(i));
        if (!added) it->second = kOutsider;
    }
    // A second spelling of a name (only possible on a case-sensitive disk) is nobody's to free.
    for (const std::string& name : folderNames) {
        auto [it, added] = owners.emplace(NameKey(name), kOutsider);
        if (!added && it->second != kOutsider && files[size_t(it->second)].Name != name) it->second = kOutsider;
    }
    return owners;
}

bool FitsPath(const std::string& folder, const std::string& name) {
    return name.size() < kBatchNameBytes && folder.size() + name.size() < kBatchPathBytes;
}

}  // namespace

BatchPlan PlanBatch(const std::string& folder, const std::vector<BatchPlanFile>& files,
                    const std::vector<std::string>& folderNames, const BatchRule& rule) {
    const size_t n = files.size();
    BatchPlan plan;
    plan.Entries.resize(n);
    for (size_t i = 0; i < n; ++i) plan.Entries[i].NewName = files[i].Name;
    if (rule.Renames()) {
        const auto owners = NameOwners(files, folderNames);
        // A file whose old name another file's target needs must really leave it. When it
        // turns out to stay, it is marked and the plan is made again. Each round marks at
        // least one more; after kHopefulRounds a name held by any later file counts as taken,
        // which needs no later round, so a chain of refusals cannot make the plan quadratic.
        constexpr int kHopefulRounds = 8;
        std::vector<bool> stays(n, false);
        for (size_t i = 0; i < n; ++i) stays[i] = !files[i].HasExif;
        // The name of a file only changes with its number: kept between rounds.
        struct Built {
            int Number = -1;
            BatchRefusal Refusal = BatchRefusal::None;
            std::string Name, Key;
        };
        std::vector<Built> built(n);
        for (int round = 0;; ++round) {
            const bool hopeful = round < kHopefulRounds;
            std::vector<BatchPlanEntry> entries(n);
            std::unordered_map<std::string, size_t> claimed;
            claimed.reserve(n);
            std::vector<size_t> reliedOn;
            int counter = 0;
            for (size_t i = 0; i < n; ++i) {
                BatchPlanEntry& e = entries[i];
                e.NewName = files[i].Name;
                if (!files[i].HasExif) continue;
                Built& b = built[i];
                if (b.Number != rule.StartNumber + counter) {
                    b.Number = rule.StartNumber + counter;
                    BatchPhoto photo{files[i].Make, files[i].Model, files[i].ShotDate, files[i].HasShotTime,
                                     files[i].Name};
                    b.Refusal = BuildBatchName(photo, rule, b.Number, b.Name);
                    if (b.Refusal == BatchRefusal::None && !FitsPath(folder, b.Name)) b.Refusal = BatchRefusal::PathTooLong;
                    if (b.Refusal == BatchRefusal::None) b.Key = NameKey(b.Name);
                }
                e.Refusal = b.Refusal;
                if (e.Refusal != BatchRefusal::None) continue;
                const std::string& name = b.Name;
                const std::string& key = b.Key;
                if (claimed.count(key)) {
                    e.Refusal = BatchRefusal::Taken;
                    continue;
                }
                auto owner = owners.find(key);
                if (owner != owners.end() && owner->second != int(i)) {
                    const int o = owner->second;
                    const bool earlierStays = o != kOutsider && size_t(o) < i && !entries[size_t(o)].Moves;
                    if (o == kOutsider || stays[size_t(o)] || earlierStays || (!hopeful && size_t(o) > i)) {
                        e.Refusal = BatchRefusal::Taken;
                        continue;
                    }
                    reliedOn.push_back(size_t(o));
                }
                e.Number = (rule.Mask & kBatchLastMask) == kBatchLastNumber ? rule.StartNumber + counter : -1;
                e.Moves = name != files[i].Name;
                e.NewName = name;
                claimed.emplace(key, i);
                ++counter;
            }
            bool again = false;
            for (size_t o : reliedOn)
                if (!entries[o].Moves && !stays[o]) stays[o] = again = true;
            if (!again) {
                plan.Entries = std::move(entries);
                break;
            }
        }
    }
    if (rule.Copies()) {
        // A copy never takes a photograph's name, nor one an earlier copy of the run took.
        std::unordered_map<std::string, bool> used;
        used.reserve(2 * n);
        for (size_t i = 0; i < n; ++i)
            if (files[i].HasExif) used.emplace(NameKey(plan.Entries[i].NewName), true);
        for (size_t i = 0; i < n; ++i) {
            if (!files[i].HasExif) continue;
            BatchPlanEntry& e = plan.Entries[i];
            std::string copy = "Ne_" + e.NewName;
            if (!FitsPath(folder, copy))
                e.CopyRefusal = copy.size() >= kBatchNameBytes ? BatchRefusal::NameTooLong : BatchRefusal::PathTooLong;
            else if (!used.emplace(NameKey(copy), true).second)
                e.CopyRefusal = BatchRefusal::CopyTaken;
            else
                e.CopyName = std::move(copy);
        }
    }
    for (const BatchPlanEntry& e : plan.Entries) plan.Moves += e.Moves ? 1 : 0;
    return plan;
}

std::string BatchResultText(const BatchCounts& c, const std::vector<BatchRefusedFile>& refused, size_t maxListed) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "対象ファイル　　　　=%4d\nファイルネーム変換　=%4d\nタイムスタンプ変換　=%4d\n"
                  "Exif情報削除        =%4d\n未変換ファイル　　　=%4d",
                  c.Files, c.Renamed, c.TimesSet, c.Copies, c.Unchanged);
    std::string out = text;
    for (size_t i = 0; i < refused.size() && i < maxListed; ++i)
        out += "\n" + refused[i].Name + " : " + BatchRefusalText(refused[i].Why);
    if (refused.size() > maxListed) {
        std::snprintf(text, sizeof text, "\nほか %u 件", unsigned(refused.size() - maxListed));
        out += text;
    }
    return out;
}
