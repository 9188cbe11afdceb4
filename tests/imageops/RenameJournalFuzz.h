// One fuzz body for the libFuzzer target and the crasher replay: a leftover journal is data
// from the disk. One the parser takes must write out to itself again, and undoing it in a
// folder holding its files must keep every file, and every name, inside that folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "MemoryFolder.h"
#include "base/SjisText.h"
#include "imageops/RenameJournal.h"

inline void FuzzRenameJournal(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int phase = 0;
    std::vector<RenamePair> pairs;
    if (!ParseRenameJournal(text, phase, pairs)) {
        if (!pairs.empty()) __builtin_trap();
        return;
    }
    int phase2 = 0;
    std::vector<RenamePair> again;
    if (!ParseRenameJournal(FormatRenameJournal(phase, pairs), phase2, again) || phase2 != phase ||
        again.size() != pairs.size())
        __builtin_trap();
    // The crashed run's folder: each file under the name the journal's phase left it with.
    MemoryFolder folder;
    folder.Files[NameKey(kRenameJournalName)] = {kRenameJournalName, text};
    for (size_t i = 0; i < pairs.size(); ++i) {
        const std::string& now = phase == 1 ? pairs[i].Temp : pairs[i].New;
        folder.Files[NameKey(now)] = {now, std::to_string(i)};
    }
    const size_t files = folder.Files.size();
    RecoverRenames(folder);
    if (folder.Files.size() > files) __builtin_trap();
    for (const auto& f : folder.Files) {
        const std::string& name = f.second.first;
        for (size_t i = 0; i < name.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (IsSjisLead(c) && i + 1 < name.size())
                ++i;  // a trail byte 0x5C is no separator
            else if (c == '\\' || c == '/' || c == ':')
                __builtin_trap();
        }
    }
}
