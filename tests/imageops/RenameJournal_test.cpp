#include "imageops/RenameJournal.h"

#include <gtest/gtest.h>

#include <map>

#include "MemoryFolder.h"
#include "imageops/BatchName.h"

namespace {

// Twenty photographs renumbered up by one (each target the next file's old name), two
// that only change case, and an outsider that must not be touched.
MemoryFolder TwentyFiles(std::vector<RenamePair>& pairs) {
    MemoryFolder f;
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
    const MemoryFolder original = TwentyFiles(pairs);
    const auto before = original.Listing();

    MemoryFolder whole = original;
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
        MemoryFolder crashed = original;
        crashed.Budget = stop;
        RunRenames(crashed, pairs);
        crashed.Budget = -1;
        crashed.Changes = 0;
        MemoryFolder probe = crashed;
        RecoverOutcome first = RecoverRenames(probe);
        EXPECT_TRUE(first == RecoverOutcome::Restored || (stop == 0 && first == RecoverOutcome::NoJournal)) << stop;
        EXPECT_EQ(probe.Listing(), before) << "stopped after " << stop;
        for (long again = 0; again < probe.Changes; ++again) {
            MemoryFolder twice = crashed;
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
    MemoryFolder folder = TwentyFiles(pairs);
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
        MemoryFolder f;
        f.Files[NameKey("a.jpg")] = {"a.jpg", "x"};
        f.Files[NameKey(kRenameJournalName)] = {kRenameJournalName, text};
        EXPECT_EQ(RecoverRenames(f), RecoverOutcome::Unreadable);
        EXPECT_EQ(f.Changes, 0);
    }
    // A trail byte 0x5C is no separator.
    EXPECT_TRUE(ParseRenameJournal(head + "\x95\x5C.jpg\tt.tmp\tb.jpg\r\nend\r\n", phase, read));
}
