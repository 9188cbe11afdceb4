// One batch run over a folder: read and parse every file into a summary of its own, plan the
// whole run, set the times, rename through the journal, write the Exif-free copies, and say
// what happened. Portable: the folder is an interface, the window only shows the result.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exif/ExifSummary.h"
#include "imageops/BatchPlan.h"
#include "imageops/RenameJournal.h"

class BatchFolder : public RenameFs {
public:
    virtual bool ReadBytes(const std::string& name, std::vector<uint8_t>& data) = 0;
    // Every name in the folder, files and folders.
    virtual std::vector<std::string> List() = 0;
    // The file's own creation or write time (UTC) differs from the local shooting time.
    virtual bool TimesDiffer(const std::string& name, FileTime shotLocal) = 0;
    // Sets both to the shooting time; the UTC time set in `utc`.
    virtual bool SetTimes(const std::string& name, FileTime shotLocal, FileTime& utc) = 0;
};

struct BatchEntryChange {
    int Position;          // in display order
    std::string NewName;   // empty when the name stays
    uint64_t WriteTime;    // UTC; 0 when the time stays
};

struct BatchRunResult {
    BatchCounts Counts;
    std::vector<BatchEntryChange> Changes;
    std::string Text;      // the result lines and the refused files
};

// `names` are the catalogue's in display order; `progress` gets 0 … 100; `tag` varies the
// temporary names between runs.
BatchRunResult RunBatch(BatchFolder& folder, const std::string& folderPath, const std::vector<std::string>& names,
                        const BatchRule& rule, const std::function<void(int)>& progress, unsigned tag);
