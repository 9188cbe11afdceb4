#include "imageops/RenameJournal.h"

#include <gtest/gtest.h>

#include <map>

#include "imageops/BatchName.h"

namespace {

// A folder that compares names as Windows does, and that "crashes" after a number of
// changes: from then on every change fails and leaves the folder as it was.
class FakeFolder : public RenameFs {
public:
    std::map<std::string, std::pair<std::string, std::string>> Files;  // key -> name, contents
    long Budget = -1;                                                   // changes left; -1 no limit
    long Changes = 0;

    bool Exists(const std::string& name) override { return Files.count(NameKey(name)) != 0; }
    bool Move(const std::string& from, const std::string& to) override {
        auto it = Files.find(NameKey(from));
        if (it == Files.end() || !Spend()) return false;
        if (NameKey(from) != NameKey(to) && Exists(to)) return false;
        auto contents = it->second.second;
        Files.erase(it);
        Files[NameKey(to)] = {to, contents};
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
    bool Remove(const std::string& name) override {
        if (!Spend()) return false;
        return Files.erase(NameKey(name)) != 0;
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

// Twenty photographs renumbered up by one (each target the next file's old name), two
// that only change case, and an outsider that must not be touched.
FakeFolder TwentyFiles(std::vector<RenamePair>& pairs) {
    FakeFolder f;
    for (int i = 1; i <= 18; ++i) {
        std::string name = std::to_string(i) + ".jpg";
        f.Files[NameKey(name)] = {name, "photo " + std::to_string(i * 7919)};
        pairs.push_back({name, "", std::to_string(i + 1) + ".jpg"});
    }
    f.Files[NameKey("A.JPG")] = {"A.JPG", "photo A"};
    f.Files[NameKey("\x95\x5C.JPG")] = {"\x95\x5C.JPG", "photo hyou"};
    f.Files[NameKey("note.txt")] = {"note.txt", "outsider"};
    pairs.push_back({"A.JPG", "", "A.jpg"});
    pairs.push_back({"\x95\x5C.JPG", "", "\x95\x5C.jpg"});
    AssignTempNames(f, pairs, 0x1234);
    return f;
}

}  // namespace

TEST(RenameJournal, EveryStopOfARunIsRolledBack) {
    std::vector<RenamePair> pairs;
    const FakeFolder original = TwentyFiles(pairs);
    const auto before = original.Listing();

    FakeFolder whole = original;
    ASSERT_EQ(RunRenames(whole, pairs), RenameOutcome::Done);
    const long steps = whole.Changes;
    EXPECT_EQ(steps, 2 + 2 * long(pairs.size()) + 1);
    auto after = whole.Listing();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.at("19.jpg"), before.at("18.jpg"));
    EXPECT_EQ(after.at("A.jpg"), "photo A");
    EXPECT_EQ(RecoverRenames(whole), RecoverOutcome::NoJournal);

    // Stop after every single change; then recover, and stop the recovery itself after each
    // of its changes too before a last, whole recovery.
    for (long stop = 0; stop < steps; ++stop) {
        FakeFolder crashed = original;
        crashed.Budget = stop;
        RunRenames(crashed, pairs);
        crashed.Budget = -1;
        crashed.Changes = 0;
        FakeFolder probe = crashed;
        RecoverOutcome first = RecoverRenames(probe);
        EXPECT_TRUE(first == RecoverOutcome::Restored || (stop == 0 && first == RecoverOutcome::NoJournal)) << stop;
        EXPECT_EQ(probe.Listing(), before) << "stopped after " << stop;
        for (long again = 0; again < probe.Changes; ++again) {
            FakeFolder twice = crashed;
            twice.Budget = again;
            RecoverRenames(twice);
            twice.Budget = -1;
            RecoverRenames(twice);
            EXPECT_EQ(twice.Listing(), before) << "stopped after " << stop << ", recovery after " << again;
        }
    }
}

TEST(RenameJournal, AFailedRenameUndoesTheRunAndBadJournalsAreLeftAlone) {
    std::vector<RenamePair> pairs;
    FakeFolder folder = TwentyFiles(pairs);
    const auto before = folder.Listing();
    // Someone else takes the last new name between the plan and the run.
    folder.Files[NameKey("19.jpg")] = {"19.jpg", "intruder"};
    std::string failed;
    EXPECT_EQ(RunRenames(folder, pairs, &failed), RenameOutcome::Undone);
    EXPECT_EQ(failed, "18.jpg");
    auto now = folder.Listing();
    EXPECT_EQ(now.at("19.jpg"), "intruder");
    now.erase("19.jpg");
    EXPECT_EQ(now, before);

    int phase = 0;
    std::vector<RenamePair> read;
    ASSERT_TRUE(ParseRenameJournal(FormatRenameJournal(2, pairs), phase, read));
    EXPECT_EQ(phase, 2);
    EXPECT_EQ(read.size(), pairs.size());
    EXPECT_EQ(read[19].Old, "\x95\x5C.JPG");
    const std::string head = "Pixaro rename journal\r\nphase 2\r\n";
    const char* bad[] = {
        "Pixaro rename journal\r\nphase 2\r\na.jpg\tt.tmp\tb.jpg\r\n",          // no end: cut short
        "Pixaro rename journal\r\nphase 3\r\na.jpg\tt.tmp\tb.jpg\r\nend\r\n",   // unknown phase
        "Pixaro rename journal\r\nphase 1\r\na.jpg\tt.tmp\t..\\b.jpg\r\nend\r\n",  // leaves the folder
        "Pixaro rename journal\r\nphase 1\r\na.jpg\tt.tmp\tC:b.jpg\r\nend\r\n",
        "Pixaro rename journal\r\nphase 1\r\na.jpg\tt.tmp\tb.jpg\r\nA.JPG\tu.tmp\tc.jpg\r\nend\r\n",  // one file twice
        "Pixaro rename journal\r\nphase 1\r\na.jpg\tt.tmp\r\nend\r\n",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(ParseRenameJournal(text, phase, read)) << text;
        FakeFolder f;
        f.Files[NameKey("a.jpg")] = {"a.jpg", "x"};
        f.Files[NameKey(kRenameJournalName)] = {kRenameJournalName, text};
        EXPECT_EQ(RecoverRenames(f), RecoverOutcome::Unreadable);
        EXPECT_EQ(f.Changes, 0);
    }
    // A trail byte 0x5C is no separator.
    EXPECT_TRUE(ParseRenameJournal(head + "\x95\x5C.jpg\tt.tmp\tb.jpg\r\nend\r\n", phase, read));
}
