#include "imageops/BatchPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

BatchPlanFile Photo(std::string name, std::string date = "2020:01:02 03:04:05", std::string make = "Canon") {
    BatchPlanFile f;
    f.Name = std::move(name);
    f.HasExif = true;
    f.Make = std::move(make);
    f.Model = "EOS";
    f.ShotDate = std::move(date);
    f.HasShotTime = !f.ShotDate.empty();
    return f;
}

BatchPlanFile Plain(std::string name) {
    BatchPlanFile f;
    f.Name = std::move(name);
    return f;
}

BatchRule Numbered(int start, int digits, std::string fixed = "") {
    BatchRule r;
    r.Mask = kBatchLastNumber | (fixed.empty() ? 0 : kBatchFirstFixed);
    r.FixedText = std::move(fixed);
    r.StartNumber = start;
    r.Digits = digits;
    return r;
}

std::vector<std::string> NamesOf(const std::vector<BatchPlanFile>& files) {
    std::vector<std::string> out;
    for (const auto& f : files) out.push_back(f.Name);
    return out;
}

std::vector<std::string> NewNames(const BatchPlan& plan) {
    std::vector<std::string> out;
    for (const auto& e : plan.Entries) out.push_back(e.NewName);
    return out;
}

}  // namespace

TEST(BatchPlan, NumbersSkipRefusedFilesAndTakenNames) {
    BatchPlanFile longMake = Photo("b.jpg");
    longMake.Make = std::string(300, 'M');
    std::vector<BatchPlanFile> files = {Photo("a.jpg"), longMake,       Photo("c.jpg"), Plain("n.jpg"),
                                        Photo("d.jpg"), Photo("e.jpg"), Photo("f.jpg")};
    std::vector<std::string> folder = NamesOf(files);
    folder.push_back("Canon_10.JPG");  // only the case differs
    BatchRule rule = Numbered(7, 1);
    rule.Mask |= kBatchFirstMaker;
    BatchPlan plan = PlanBatch("C:\\p\\", files, folder, rule);
    EXPECT_EQ(NewNames(plan), (std::vector<std::string>{"Canon_7.jpg", "b.jpg", "Canon_8.jpg", "n.jpg", "Canon_9.jpg",
                                                        "e.jpg", "f.jpg"}));
    EXPECT_EQ(plan.Entries[1].Refusal, BatchRefusal::NameTooLong);
    EXPECT_EQ(plan.Entries[3].Refusal, BatchRefusal::None);  // no Exif: not a candidate at all
    EXPECT_EQ(plan.Entries[5].Refusal, BatchRefusal::Taken);
    EXPECT_EQ(plan.Entries[6].Refusal, BatchRefusal::Taken);
    EXPECT_EQ(plan.Entries[4].Number, 9);
    EXPECT_EQ(plan.Moves, 3);
}

TEST(BatchPlan, TargetsHeldByFilesOfTheRunAreFreedOnlyWhenThoseMove) {
    // Renumbering up by one: every target is a later file's old name.
    std::vector<BatchPlanFile> up = {Photo("1.jpg"), Photo("2.jpg"), Photo("3.jpg"), Photo("4.jpg")};
    BatchPlan plan = PlanBatch("C:\\p\\", up, NamesOf(up), Numbered(2, 1));
    EXPECT_EQ(NewNames(plan), (std::vector<std::string>{"2.jpg", "3.jpg", "4.jpg", "5.jpg"}));
    EXPECT_EQ(plan.Moves, 4);

    // 2.jpg cannot move (3.jpg is a file without Exif), so 1.jpg cannot have its name; 2.jpg
    // then keeps its own name, which is its number.
    std::vector<BatchPlanFile> blocked = {Photo("1.jpg"), Photo("2.jpg"), Plain("3.jpg")};
    plan = PlanBatch("C:\\p\\", blocked, NamesOf(blocked), Numbered(2, 1));
    EXPECT_EQ(NewNames(plan), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(plan.Entries[0].Refusal, BatchRefusal::Taken);
    EXPECT_EQ(plan.Entries[1].Refusal, BatchRefusal::None);
    EXPECT_EQ(plan.Entries[1].Number, 2);
    EXPECT_EQ(plan.Moves, 0);

    // The last target is an outsider's: refusals run back one file per round, until a name
    // held by any later file counts as taken. Then nothing moves but nothing clashes either.
    std::vector<BatchPlanFile> chain;
    for (int i = 1; i <= 100; ++i) chain.push_back(Photo(std::to_string(i) + ".jpg"));
    std::vector<std::string> chainFolder = NamesOf(chain);
    chainFolder.push_back("101.jpg");
    plan = PlanBatch("C:\\p\\", chain, chainFolder, Numbered(2, 1));
    EXPECT_EQ(plan.Moves, 0);
    EXPECT_EQ(plan.Entries[0].Refusal, BatchRefusal::Taken);
    EXPECT_EQ(plan.Entries[99].NewName, "100.jpg");
    EXPECT_EQ(plan.Entries[99].Number, 100);

    // Only the case changes: the file frees its own name.
    std::vector<BatchPlanFile> upper = {Photo("A.JPG"), Photo("b.JPG")};
    BatchRule ext;
    ext.Mask = kBatchNewExtension;
    ext.Extension = ".jpg";
    plan = PlanBatch("C:\\p\\", upper, NamesOf(upper), ext);
    EXPECT_EQ(NewNames(plan), (std::vector<std::string>{"A.jpg", "b.jpg"}));
    EXPECT_EQ(plan.Moves, 2);

    // Two shots in the same second: the second is refused, and says why.
    std::vector<BatchPlanFile> burst = {Photo("x.jpg"), Photo("y.jpg"), Photo("z.jpg", "")};
    BatchRule time;
    time.Mask = kBatchLastShotTime;
    plan = PlanBatch("C:\\p\\", burst, NamesOf(burst), time);
    EXPECT_EQ(NewNames(plan), (std::vector<std::string>{"2020_01_02_03_04_05.jpg", "y.jpg", "z.jpg"}));
    EXPECT_EQ(plan.Entries[1].Refusal, BatchRefusal::Taken);
    EXPECT_EQ(plan.Entries[2].Refusal, BatchRefusal::NoShotDate);
}

TEST(BatchPlan, RandomFoldersNeverEndWithTwoFilesOfOneName) {
    std::mt19937 rng(16);
    const char* pool[] = {"1.jpg", "2.JPG", "3.jpg", "4.jpg", "5.jpg", "01.jpg", "02.jpg", "a.jpg", "A.jpg",
                          "\x95\x5C.jpg", "Canon_1.jpg", "Canon_2.jpg", "2020_01_02_03_04_05.jpg"};
    for (int round = 0; round < 3000; ++round) {
        std::vector<BatchPlanFile> files;
        std::vector<std::string> outsiders;
        std::set<std::string> keys;
        for (const char* n : pool) {
            if (!keys.insert(NameKey(n)).second) continue;
            switch (rng() % 4) {
            case 0: files.push_back(Photo(n, rng() % 2 ? "2020:01:02 03:04:05" : "")); break;
            case 1: files.push_back(Photo(n, "", rng() % 2 ? "Canon" : "")); break;
            case 2: outsiders.push_back(n); break;
            default: files.push_back(Plain(n)); break;
            }
        }
        std::shuffle(files.begin(), files.end(), rng);
        BatchRule rule = Numbered(int(rng() % 4), int(rng() % 3));
        const uint32_t firsts[] = {0, kBatchFirstMaker, kBatchFirstFixed};
        const uint32_t lasts[] = {0, kBatchLastShotTime, kBatchLastNumber};
        rule.Mask = firsts[rng() % 3] | lasts[rng() % 3] | (rng() % 2 ? kBatchNewExtension : 0) | kBatchCopyStep;
        rule.FixedText = "Canon_";
        rule.Extension = rng() % 2 ? ".jpg" : ".JPG";
        std::vector<std::string> folder = NamesOf(files);
        folder.insert(folder.end(), outsiders.begin(), outsiders.end());
        BatchPlan plan = PlanBatch("C:\\p\\", files, folder, rule);
        SCOPED_TRACE(round);

        std::set<std::string> after;
        for (const auto& o : outsiders) after.insert(NameKey(o));
        int expectNumber = rule.StartNumber;
        std::set<std::string> copies;
        for (size_t i = 0; i < files.size(); ++i) {
            const BatchPlanEntry& e = plan.Entries[i];
            EXPECT_TRUE(after.insert(NameKey(e.NewName)).second) << e.NewName;
            const bool accepted = e.Refusal == BatchRefusal::None && files[i].HasExif;
            if (!accepted) {
                EXPECT_EQ(e.NewName, files[i].Name);
            } else if ((rule.Mask & kBatchLastMask) == kBatchLastNumber) {
                EXPECT_EQ(e.Number, expectNumber++);
            }
            if (!e.CopyName.empty()) {
                EXPECT_TRUE(copies.insert(NameKey(e.CopyName)).second);
            }
            EXPECT_EQ(e.CopyName.empty(), !files[i].HasExif || e.CopyRefusal != BatchRefusal::None);
        }
        for (const auto& c : copies)
            for (size_t i = 0; i < files.size(); ++i)
                if (files[i].HasExif) {
                    EXPECT_NE(c, NameKey(plan.Entries[i].NewName));
                }
    }
}

TEST(BatchPlan, CopiesAndLongPathsAreRefusedNotCut) {
    std::vector<BatchPlanFile> files = {Photo("x.jpg"), Photo("Ne_x.jpg")};
    BatchRule copy;
    copy.Mask = kBatchCopyStep;
    BatchPlan plan = PlanBatch("C:\\p\\", files, NamesOf(files), copy);
    EXPECT_EQ(plan.Entries[0].CopyRefusal, BatchRefusal::CopyTaken);
    EXPECT_EQ(plan.Entries[1].CopyName, "Ne_Ne_x.jpg");

    // A folder of 245 bytes: "2020_01_02_03_04_05.jpg" no longer fits 260 bytes.
    const std::string folder = "C:\\" + std::string(241, 'f') + "\\";
    std::vector<BatchPlanFile> deep = {Photo("x.jpg")};
    BatchRule time;
    time.Mask = kBatchLastShotTime | kBatchCopyStep;
    plan = PlanBatch(folder, deep, NamesOf(deep), time);
    EXPECT_EQ(plan.Entries[0].Refusal, BatchRefusal::PathTooLong);
    EXPECT_EQ(plan.Entries[0].NewName, "x.jpg");
    EXPECT_EQ(plan.Entries[0].CopyName, "Ne_x.jpg");

    BatchCounts counts{3, 1, 2, 1, 1};
    EXPECT_EQ(BatchResultText(counts, {{"y.jpg", BatchRefusal::Taken}, {"z.jpg", BatchRefusal::NoShotDate}}, 1),
              "対象ファイル　　　　=   3\nファイルネーム変換　=   1\nタイムスタンプ変換　=   2\n"
              "Exif情報削除        =   1\n未変換ファイル　　　=   1\ny.jpg : 同じ名前のファイルがあります\nほか 1 件");
}
