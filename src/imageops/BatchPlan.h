// The plan of a batch run, made whole before any file is touched: which photograph gets which
// name and number, which Exif-free copies are written under which names, and why the others
// keep their names. Portable.
#pragma once
#include <string>
#include <vector>

#include "imageops/BatchName.h"

struct BatchPlanFile {           // one catalogue entry, in display order
    std::string Name;            // with extension
    bool HasExif = false;
    std::string Make, Model, ShotDate;
    bool HasShotTime = false;
};

struct BatchPlanEntry {
    std::string NewName;         // the name after the run (the old one when not renamed)
    bool Moves = false;          // renamed by the run
    int Number = -1;             // the running number it used, or -1
    BatchRefusal Refusal = BatchRefusal::None;   // why it keeps its name
    std::string CopyName;        // the Exif-free copy's name, empty when none
    BatchRefusal CopyRefusal = BatchRefusal::None;
};

struct BatchPlan {
    std::vector<BatchPlanEntry> Entries;   // one per file, same order
    int Moves = 0;
};

// `folder` ends in its separator; `folderNames` holds every name in the folder (files and
// folders, the catalogue's own included). Names are compared as Windows compares them.
BatchPlan PlanBatch(const std::string& folder, const std::vector<BatchPlanFile>& files,
                    const std::vector<std::string>& folderNames, const BatchRule& rule);

struct BatchCounts {
    int Files = 0, Renamed = 0, TimesSet = 0, Copies = 0, Unchanged = 0;
};
struct BatchRefusedFile {
    std::string Name;
    BatchRefusal Why;
};
// The five result lines, then one line per refused file (name and reason), at most
// `maxListed` of them and a count of the rest.
std::string BatchResultText(const BatchCounts& counts, const std::vector<BatchRefusedFile>& refused,
                            size_t maxListed = 40);
