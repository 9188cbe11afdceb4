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

// What a run knows between its steps: each file's Exif facts, what was done to it and why
// it was refused, and the run's own troubles.
struct BatchRunState {
    BatchFolder& Folder;
    const std::vector<std::string>& Names;
    BatchRunResult& Result;
    std::vector<BatchPlanFile> Files;
    std::vector<FileTime> Shots;
    std::vector<bool> Acted;
    std::vector<BatchRefusal> Reason;
    std::vector<BatchRefusedFile> Troubles;
    std::vector<std::string> FinalNames;

    BatchRunState(BatchFolder& folder, const std::vector<std::string>& names, BatchRunResult& result)
        : Folder(folder), Names(names), Result(result), Files(names.size()), Shots(names.size(), FileTime{}),
          Acted(names.size(), false), Reason(names.size(), BatchRefusal::None), FinalNames(names) {}
    // The first refusal of a file is the one reported.
    void Refuse(size_t i, BatchRefusal why) {
        if (Reason[i] == BatchRefusal::None) Reason[i] = why;
    }
    void Done(size_t i) { Acted[i] = true; }
};

// Each file into a summary of its own; the report goes to a scratch one.
void ReadExifFacts(BatchRunState& run, const std::function<void(int)>& progress) {
    auto report = std::make_unique<InfoReport>();
    for (size_t i = 0; i < run.Names.size(); ++i) {
        BatchPlanFile& f = run.Files[i];
        f.Name = run.Names[i];
        std::vector<uint8_t> data;
        if (IsJpegName(f.Name) && run.Folder.ReadBytes(f.Name, data)) {
            ExifSummary exif;
            ResetExifSummary(exif);
            ParseJpegMarkers(data.data(), data.size(), exif, *report);
            f.HasExif = exif.ExifSegmentStart != 0;
            f.Make = exif.MakeText;
            f.Model = exif.ModelText;
            f.ShotDate = exif.ShotDateText;
            f.HasShotTime = HasShotTime(exif);
            run.Shots[i] = exif.ShotFileTime;
        }
        progress(Percent(i + 1, run.Names.size()) / 3);
    }
}

void SetShotTimes(BatchRunState& run) {
    for (size_t i = 0; i < run.Names.size(); ++i) {
        if (!run.Files[i].HasExif) continue;
        if (!run.Files[i].HasShotTime) {
            run.Refuse(i, BatchRefusal::NoShotDate);
            continue;
        }
        if (!run.Folder.TimesDiffer(run.Names[i], run.Shots[i])) continue;
        FileTime utc = {};
        if (run.Folder.SetTimes(run.Names[i], run.Shots[i], utc)) {
            ++run.Result.Counts.TimesSet;
            run.Done(i);
            run.Result.Changes.push_back({int(i), "", uint64_t(utc.High) << 32 | utc.Low});
        } else {
            run.Refuse(i, BatchRefusal::TimeFailed);
        }
    }
}

// The planned renames, journalled; true when every one was made.
bool RenameAsPlanned(BatchRunState& run, const BatchPlan& plan, unsigned tag) {
    std::vector<RenamePair> pairs;
    std::vector<size_t> movers;
    for (size_t i = 0; i < run.Names.size(); ++i) {
        const BatchPlanEntry& e = plan.Entries[i];
        if (e.Refusal != BatchRefusal::None) run.Refuse(i, e.Refusal);
        if (!e.Moves) continue;
        pairs.push_back({run.Names[i], "", e.NewName});
        movers.push_back(i);
    }
    AssignTempNames(run.Folder, pairs, tag);
    std::string failed;
    const RenameOutcome outcome = RunRenames(run.Folder, pairs, &failed);
    switch (outcome) {
    case RenameOutcome::Done:
        for (size_t i : movers) {
            run.FinalNames[i] = plan.Entries[i].NewName;
            run.Done(i);
            ++run.Result.Counts.Renamed;
            run.Result.Changes.push_back({int(i), run.FinalNames[i], 0});
        }
        break;
    case RenameOutcome::NotStarted: run.Troubles.push_back({kRenameJournalName, BatchRefusal::JournalFailed}); break;
    case RenameOutcome::Undone: run.Troubles.push_back({failed, BatchRefusal::RenameFailed}); break;
    case RenameOutcome::Stuck: run.Troubles.push_back({failed, BatchRefusal::UndoUnfinished}); break;
    }
    return outcome == RenameOutcome::Done;
}

// Each copy carries its file's final name, as `copies` planned it.
void WriteExifFreeCopies(BatchRunState& run, const BatchPlan& copies, const std::function<void(int)>& progress) {
    for (size_t i = 0; i < run.Names.size(); ++i) {
        if (!run.Files[i].HasExif) continue;
        const BatchPlanEntry& e = copies.Entries[i];
        std::vector<uint8_t> data, copy;
        if (e.CopyName.empty()) {
            run.Refuse(i, e.CopyRefusal);
        } else if (!run.Folder.ReadBytes(run.FinalNames[i], data)) {
            run.Refuse(i, BatchRefusal::CopyFailed);
        } else if (BuildExifFreeCopy(data.data(), data.size(), copy) != StripRefusal::None) {
            run.Refuse(i, BatchRefusal::NoExifToRemove);
        } else if (!run.Folder.WriteWhole(e.CopyName, std::string(copy.begin(), copy.end()))) {
            run.Refuse(i, BatchRefusal::CopyFailed);
        } else {
            ++run.Result.Counts.Copies;
            run.Done(i);
        }
        progress(60 + Percent(i + 1, run.Names.size()) * 40 / 100);
    }
}

// The list in catalogue order, whichever step refused; the run's own troubles last.
std::string ReportOf(const BatchRunState& run) {
    BatchCounts& counts = run.Result.Counts;
    for (size_t i = 0; i < run.Names.size(); ++i) counts.Unchanged += run.Acted[i] ? 0 : 1;
    std::vector<BatchRefusedFile> list;
    for (size_t i = 0; i < run.Names.size(); ++i)
        if (run.Reason[i] != BatchRefusal::None) list.push_back({run.Names[i], run.Reason[i]});
    list.insert(list.end(), run.Troubles.begin(), run.Troubles.end());
    return BatchResultText(counts, list);
}

}  // namespace

BatchRunResult RunBatch(BatchFolder& folder, const std::string& folderPath, const std::vector<std::string>& names,
                        const BatchRule& rule, const std::function<void(int)>& progress, unsigned tag) {
    BatchRunResult result;
    result.Counts.Files = int(names.size());
    BatchRunState run(folder, names, result);
    progress(0);
    if (!names.empty() && folder.Exists(kRenameJournalName)) {
        // A run that did not finish owns the folder until its names are put back.
        run.Troubles.push_back({kRenameJournalName, BatchRefusal::JournalLeft});
        result.Counts.Unchanged = result.Counts.Files;
        progress(100);
        result.Text = BatchResultText(result.Counts, run.Troubles);
        return result;
    }
    if (!names.empty()) {
        ReadExifFacts(run, progress);
        const BatchPlan plan = PlanBatch(folderPath, run.Files, folder.List(), rule);
        if (rule.SetsTimes()) SetShotTimes(run);
        progress(45);
        const bool renamedAsPlanned = !rule.Renames() || RenameAsPlanned(run, plan, tag);
        progress(60);
        if (rule.Copies()) {
            // Renames undone: the copies are named again from the old names.
            BatchRule copyOnly = rule;
            copyOnly.Mask = kBatchCopyStep;
            WriteExifFreeCopies(run, renamedAsPlanned ? plan : PlanBatch(folderPath, run.Files, folder.List(), copyOnly),
                                progress);
        }
    }
    progress(100);
    result.Text = ReportOf(run);
    return result;
}
