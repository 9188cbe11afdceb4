#include "imageops/RenameJournal.h"

#include <cstdio>
#include <unordered_set>

#include "base/SjisText.h"
#include "imageops/BatchName.h"

namespace {

constexpr const char* kHeader = "Pixaro rename journal";

// A journal is data from the disk: a name that leaves the folder is refused.
bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.size() >= kBatchNameBytes) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsSjisLead(c) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (c < 0x20 || c == '\\' || c == '/' || c == ':') return false;
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string FormatRenameJournal(int phase, const std::vector<RenamePair>& pairs) {
    std::string text = std::string(kHeader) + "\r\nphase " + std::to_string(phase) + "\r\n";
    for (const RenamePair& p : pairs) text += p.Old + "\t" + p.Temp + "\t" + p.New + "\r\n";
    return text + "end\r\n";
}

bool ParseRenameJournal(const std::string& text, int& phase, std::vector<RenamePair>& pairs) {
    std::vector<std::string> lines = Lines(text);
    if (lines.size() < 3 || lines[0] != kHeader || lines.back() != "end") return false;
    if (lines[1] != "phase 1" && lines[1] != "phase 2") return false;
    std::vector<RenamePair> read;
    std::unordered_set<std::string> seen;
    for (size_t i = 2; i + 1 < lines.size(); ++i) {
        const std::string& l = lines[i];
        size_t a = l.find('\t'), b = a == std::string::npos ? a : l.find('\t', a + 1);
        if (b == std::string::npos || l.find('\t', b + 1) != std::string::npos) return false;
        RenamePair p{l.substr(0, a), l.substr(a + 1, b - a - 1), l.substr(b + 1)};
        if (!IsPlainName(p.Old) || !IsPlainName(p.Temp) || !IsPlainName(p.New)) return false;
        // Each name once among the olds, once among the temporaries, once among the news.
        auto fresh = [&seen](char role, const std::string& name) {
            std::string key(1, role);
            key += NameKey(name);
            return seen.insert(std::move(key)).second;
        };
        if (!fresh('o', p.Old) || !fresh('t', p.Temp) || !fresh('n', p.New)) return false;
        read.push_back(std::move(p));
    }
    phase = lines[1] == "phase 1" ? 1 : 2;
    pairs = std::move(read);
    return true;
}

void AssignTempNames(RenameFs& fs, std::vector<RenamePair>& pairs, unsigned tag) {
    std::unordered_set<std::string> used;
    for (const RenamePair& p : pairs) {
        used.insert(NameKey(p.Old));
        used.insert(NameKey(p.New));
    }
    unsigned serial = 0;
    for (RenamePair& p : pairs) {
        for (;;) {
            char name[40];
            std::snprintf(name, sizeof name, "~pxr%08x_%u.tmp", tag, serial++);
            if (!used.count(NameKey(name)) && !fs.Exists(name)) {
                used.insert(NameKey(name));
                p.Temp = name;
                break;
            }
        }
    }
}

RenameOutcome RunRenames(RenameFs& fs, const std::vector<RenamePair>& pairs, std::string* failed) {
    if (pairs.empty()) return RenameOutcome::Done;
    if (!fs.WriteWhole(kRenameJournalName, FormatRenameJournal(1, pairs))) return RenameOutcome::NotStarted;
    auto undo = [&](const std::string& name) {
        if (failed) *failed = name;
        return RecoverRenames(fs) == RecoverOutcome::Restored ? RenameOutcome::Undone : RenameOutcome::Stuck;
    };
    for (const RenamePair& p : pairs)
        if (!fs.Move(p.Old, p.Temp)) return undo(p.Old);
    if (!fs.WriteWhole(kRenameJournalName, FormatRenameJournal(2, pairs))) return undo(pairs.front().Old);
    for (const RenamePair& p : pairs)
        if (!fs.Move(p.Temp, p.New)) return undo(p.Old);
    // A journal that cannot be removed would undo a finished run later; try once more.
    if (!fs.Remove(kRenameJournalName)) fs.Remove(kRenameJournalName);
    return RenameOutcome::Done;
}

RecoverOutcome RecoverRenames(RenameFs& fs, std::vector<std::string>* problems) {
    if (!fs.Exists(kRenameJournalName)) return RecoverOutcome::NoJournal;
    std::string text;
    int phase = 0;
    std::vector<RenamePair> pairs;
    if (!fs.Read(kRenameJournalName, text) || !ParseRenameJournal(text, phase, pairs)) return RecoverOutcome::Unreadable;
    bool ok = true;
    auto problem = [&](const std::string& name) {
        ok = false;
        if (problems) problems->push_back(name);
    };
    if (phase == 2) {
        // Files that reached their new name go back to their temporary one first: only when
        // every old name is free again can the second step use them.
        for (size_t k = pairs.size(); k-- > 0;) {
            const RenamePair& p = pairs[k];
            if (fs.Exists(p.Temp)) continue;
            if (!fs.Exists(p.New) || !fs.Move(p.New, p.Temp)) problem(p.Old);
        }
        if (!ok || !fs.WriteWhole(kRenameJournalName, FormatRenameJournal(1, pairs))) return RecoverOutcome::Incomplete;
    }
    for (const RenamePair& p : pairs)
        if (fs.Exists(p.Temp) && !fs.Move(p.Temp, p.Old)) problem(p.Old);
    if (!ok || !fs.Remove(kRenameJournalName)) return RecoverOutcome::Incomplete;
    return RecoverOutcome::Restored;
}
