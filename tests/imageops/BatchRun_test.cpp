#include "imageops/BatchRun.h"

#include <gtest/gtest.h>

#include <map>

#include "../exif/ExifBuilder.h"
#include "MemoryFolder.h"
#include "exif/ExifStrip.h"

namespace {

using namespace exiftest;

std::vector<uint8_t> Photo(const std::string& make, const std::string& date) {
    Ifd ifd0, exif;
    if (!make.empty()) ifd0.entries.push_back(Ascii(0x010F, make));
    ifd0.entries.push_back(Pointer(0x8769, 1));
    if (!date.empty()) exif.entries.push_back(Ascii(0x9003, date));
    exif.entries.push_back(Ascii(0x9004, "x"));
    return Jpeg(Tiff(false).Build({ifd0, exif}));
}

std::vector<uint8_t> NoExif() {
    std::vector<uint8_t> out = {0xFF, 0xD8};
    Segment(out, 0xDB, std::vector<uint8_t>(65, 1));
    Segment(out, 0xDA, {1, 1, 0, 0, 63, 0});
    out.insert(out.end(), {0x12, 0x34, 0xFF, 0xD9});
    return out;
}

std::string Stripped(const std::vector<uint8_t>& photo) {
    std::vector<uint8_t> copy;
    EXPECT_EQ(BuildExifFreeCopy(photo.data(), photo.size(), copy), StripRefusal::None);
    return std::string(copy.begin(), copy.end());
}

std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

const char* kCounts = "対象ファイル　　　　=%4d\nファイルネーム変換　=%4d\nタイムスタンプ変換　=%4d\n"
                      "Exif情報削除        =%4d\n未変換ファイル　　　=%4d";

std::string Lines(int files, int renamed, int times, int copies, int unchanged) {
    char text[300];
    std::snprintf(text, sizeof text, kCounts, files, renamed, times, copies, unchanged);
    return text;
}

}  // namespace

TEST(BatchRun, RenamesTimesAndCopiesAsPlannedAndSaysWhatItLeft) {
    MemoryFolder folder;
    const auto a = Photo("Pixacam", "2024:05:05 05:05:05"), b = Photo("Pixacam", "2024:05:05 05:05:05"),
               nodate = Photo("Pixacam", ""), plain = NoExif(), hyou = Photo("Pixacam", "2024:07:07 07:07:07");
    folder.Put("a.jpg", a);
    folder.Put("b.jpg", b);
    folder.Put("nodate.jpg", nodate);
    folder.Put("plain.jpg", plain);
    folder.Put("\x95\x5C.jpg", hyou);
    folder.Put("note.txt", {'n'});
    const std::vector<std::string> names = {"a.jpg", "b.jpg", "nodate.jpg", "plain.jpg", "\x95\x5C.jpg"};
    BatchRule rule;
    rule.Mask = kBatchFirstMaker | kBatchLastShotTime | kBatchTimeStep | kBatchCopyStep;
    std::vector<int> seen;
    BatchRunResult r = RunBatch(folder, "C:\\p\\", names, rule, [&](int p) { seen.push_back(p); }, 7);

    EXPECT_EQ(r.Text, Lines(5, 2, 3, 4, 1) + "\nb.jpg : 同じ名前のファイルがあります\nnodate.jpg : 撮影日時がありません");
    const std::map<std::string, std::string> want = {
        {"Pixacam_2024_05_05_05_05_05.jpg", Str(a)},
        {"b.jpg", Str(b)},
        {"nodate.jpg", Str(nodate)},
        {"plain.jpg", Str(plain)},
        {"Pixacam_2024_07_07_07_07_07.jpg", Str(hyou)},
        {"note.txt", "n"},
        {"Ne_Pixacam_2024_05_05_05_05_05.jpg", Stripped(a)},
        {"Ne_b.jpg", Stripped(b)},
        {"Ne_nodate.jpg", Stripped(nodate)},
        {"Ne_Pixacam_2024_07_07_07_07_07.jpg", Stripped(hyou)},
    };
    EXPECT_EQ(folder.Listing(), want);
    EXPECT_EQ(folder.Times.count(NameKey("Pixacam_2024_05_05_05_05_05.jpg")), 1u);

    // The catalogue learns the new names and the times set, by position.
    int named = 0, timed = 0;
    for (const BatchEntryChange& c : r.Changes) {
        if (!c.NewName.empty()) {
            ++named;
            EXPECT_TRUE(c.Position == 0 || c.Position == 4) << c.Position;
        }
        timed += c.WriteTime != 0;
    }
    EXPECT_EQ(named, 2);
    EXPECT_EQ(timed, 3);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);

    // Again: the names and times are there already, only the copies are written (over the
    // run's own earlier copies, which are files of no Exif).
    std::vector<std::string> again;
    for (const auto& f : folder.Listing())
        if (f.first.rfind("Ne_", 0) != 0 && f.first != "note.txt") again.push_back(f.first);
    r = RunBatch(folder, "C:\\p\\", again, rule, [](int) {}, 8);
    EXPECT_EQ(r.Text.substr(0, Lines(5, 0, 0, 4, 1).size()), Lines(5, 0, 0, 4, 1));
}

TEST(BatchRun, ARefusedRenameUndoesTheRunAndOneFileGetsProgress100) {
    MemoryFolder folder;
    std::map<std::string, std::string> before;
    std::vector<std::string> names;
    for (int i = 1; i <= 5; ++i) {
        const std::string name = std::to_string(i) + ".jpg";
        folder.Put(name, Photo("Pixacam", "2024:01:01 00:00:0" + std::to_string(i)));
        names.push_back(name);
    }
    before = folder.Listing();
    folder.RefuseMoveOf = "4.jpg";
    BatchRule rule;
    rule.Mask = kBatchLastNumber | kBatchCopyStep;
    rule.StartNumber = 2;
    rule.Digits = 1;
    BatchRunResult r = RunBatch(folder, "C:\\p\\", names, rule, [](int) {}, 9);
    EXPECT_EQ(r.Text, Lines(5, 0, 0, 5, 0) + "\n4.jpg : 名前を変更できませんでした (全て元に戻しました)");
    for (const auto& [name, bytes] : before) {
        EXPECT_EQ(folder.Listing().at(name), bytes) << name;
        EXPECT_EQ(folder.Listing().count("Ne_" + name), 1u) << name;
    }
    EXPECT_EQ(folder.Listing().size(), 10u);
    for (const BatchEntryChange& c : r.Changes) EXPECT_TRUE(c.NewName.empty());

    // A journal left by an earlier run: nothing is touched until it is undone.
    folder.WriteWhole(kRenameJournalName, "x");
    const auto held = folder.Listing();
    r = RunBatch(folder, "C:\\p\\", names, rule, [](int) {}, 10);
    EXPECT_EQ(folder.Listing(), held);
    EXPECT_NE(r.Text.find(kRenameJournalName), std::string::npos);

    MemoryFolder one;
    one.Put("x.jpg", Photo("P", "2024:01:01 00:00:00"));
    int last = -1;
    RunBatch(one, "C:\\p\\", {"x.jpg"}, rule, [&](int p) { last = p; }, 11);
    EXPECT_EQ(last, 100);
    EXPECT_EQ(one.Listing().count("2.jpg"), 1u);
}
