#include "imageops/BatchRun.h"

#include <memory>

#include "exif/ExifParser.h"
#include "exif/ExifStrip.h"
#include "image/ImageFormat.h"

namespace {

int Percent(size_t done, size_t total) { return total == 0 ? 100 : int(done * 100 / total); }

bool HasShotTime(const ExifSummary& s) { return (s.ShotFileTime.Low | s.ShotFileTime.High) != 0; }

bool IsJpegName(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && IsJpegExtension(std::string_view(name).substr(dot));
}

}  // namespace

BatchRunResult RunBatch(BatchFolder& folder, const std::string& folderPath, const std::vector<std::string>& names,
                        const BatchRule& rule, const std::function<void(int)>& progress, unsigned tag) {
    BatchRunResult result;
    BatchCounts& counts = result.Counts;
    counts.Files = int(names.size());
    std::vector<BatchRefusedFile> troubles;  // of the run, not of one file
    progress(0);
    if (names.empty()) {
        progress(100);
        result.Text = BatchResultText(counts, troubles);
        return result;
    }
    if (folder.Exists(kRenameJournalName)) {
        troubles.push_back({kRenameJournalName, BatchRefusal::JournalLeft});
        counts.Unchanged = counts.Files;
        progress(100);
        result.Text = BatchResultText(counts, troubles);
        return result;
    }

    // Each file into a summary of its own; the report goes to a scratch one.
    auto report = std::make_unique<InfoReport>();
    std::vector<FileTime> shots(names.size(), FileTime{});
    std::vector<BatchPlanFile> files(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        files[i].Name = names[i];
        std::vector<uint8_t> data;
        if (IsJpegName(names[i]) && folder.ReadBytes(names[i], data)) {
            ExifSummary exif;
            ResetExifSummary(exif);
            ParseJpegMarkers(data.data(), data.size(), exif, *report);
            BatchPlanFile& f = files[i];
            f.HasExif = exif.ExifSegmentStart != 0;
            f.Make = exif.MakeText;
            f.Model = exif.ModelText;
            f.ShotDate = exif.ShotDateText;
            f.HasShotTime = HasShotTime(exif);
            shots[i] = exif.ShotFileTime;
        }
        progress(Percent(i + 1, names.size()) / 3);
    }
    const BatchPlan plan = PlanBatch(folderPath, files, folder.List(), rule);

    std::vector<bool> acted(names.size(), false);
    std::vector<BatchRefusal> reason(names.size(), BatchRefusal::None);
    auto refuse = [&](size_t i, BatchRefusal why) {
        if (reason[i] == BatchRefusal::None) reason[i] = why;
    };
    if (rule.SetsTimes()) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (!files[i].HasExif) continue;
            if (!files[i].HasShotTime) {
                refuse(i, BatchRefusal::NoShotDate);
                continue;
            }
            if (!folder.TimesDiffer(names[i], shots[i])) continue;
            FileTime utc = {};
            if (folder.SetTimes(names[i], shots[i], utc)) {
                ++counts.TimesSet;
                acted[i] = true;
                result.Changes.push_back({int(i), "", uint64_t(utc.High) << 32 | utc.Low});
            } else {
                refuse(i, BatchRefusal::TimeFailed);
            }
        }
    }
    progress(45);

    std::vector<std::string> finalNames = names;
    bool renamedAsPlanned = true;
    if (rule.Renames()) {
        std::vector<RenamePair> pairs;
        std::vector<size_t> movers;
        for (size_t i = 0; i < names.size(); ++i) {
            const BatchPlanEntry& e = plan.Entries[i];
            if (e.Refusal != BatchRefusal::None) refuse(i, e.Refusal);
            if (!e.Moves) continue;
            pairs.push_back({names[i], "", e.NewName});
            movers.push_back(i);
        }
        AssignTempNames(folder, pairs, tag);
        std::string failed;
        const RenameOutcome outcome = RunRenames(folder, pairs, &failed);
        renamedAsPlanned = outcome == RenameOutcome::Done;
        switch (outcome) {
        case RenameOutcome::Done:
            for (size_t i : movers) {
                finalNames[i] = plan.Entries[i].NewName;
                acted[i] = true;
                ++counts.Renamed;
                result.Changes.push_back({int(i), finalNames[i], 0});
            }
            break;
        case RenameOutcome::NotStarted: troubles.push_back({kRenameJournalName, BatchRefusal::JournalFailed}); break;
        case RenameOutcome::Undone: troubles.push_back({failed, BatchRefusal::RenameFailed}); break;
        case RenameOutcome::Stuck: troubles.push_back({failed, BatchRefusal::UndoUnfinished}); break;
        }
    }
    progress(60);

    if (rule.Copies()) {
        // Each copy carries its file's final name: when the renames were undone, the names
        // are planned again from the old ones.
        BatchRule copyOnly = rule;
        copyOnly.Mask = kBatchCopyStep;
        const BatchPlan copies = renamedAsPlanned ? plan : PlanBatch(folderPath, files, folder.List(), copyOnly);
        for (size_t i = 0; i < names.size(); ++i) {
            if (!files[i].HasExif) continue;
            const BatchPlanEntry& e = copies.Entries[i];
            std::vector<uint8_t> data, copy;
            if (e.CopyName.empty()) {
                refuse(i, e.CopyRefusal);
            } else if (!folder.ReadBytes(finalNames[i], data)) {
                refuse(i, BatchRefusal::CopyFailed);
            } else if (BuildExifFreeCopy(data.data(), data.size(), copy) != StripRefusal::None) {
                refuse(i, BatchRefusal::NoExifToRemove);
            } else if (!folder.WriteWhole(e.CopyName, std::string(copy.begin(), copy.end()))) {
                refuse(i, BatchRefusal::CopyFailed);
            } else {
                ++counts.Copies;
                acted[i] = true;
            }
            progress(60 + Percent(i + 1, names.size()) * 40 / 100);
        }
    }
    for (size_t i = 0; i < names.size(); ++i) counts.Unchanged += acted[i] ? 0 : 1;
    // The list in catalogue order, whichever step refused; the run's own troubles last.
    std::vector<BatchRefusedFile> list;
    for (size_t i = 0; i < names.size(); ++i)
        if (reason[i] != BatchRefusal::None) list.push_back({names[i], reason[i]});
    list.insert(list.end(), troubles.begin(), troubles.end());
    progress(100);
    result.Text = BatchResultText(counts, list);
    return result;
}
