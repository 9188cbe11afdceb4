// The name rule of batch conversion: what a photograph is called after the run, built from
// its Exif texts, a fixed text, its old name or a running number. Portable.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The rule mask the dialog builds.
constexpr uint32_t kBatchTimeMask = 0xF;        // 1: file times from the shooting time
constexpr uint32_t kBatchLastMask = 0xF0;       // 0 old name, 1 shooting time, 2 running number
constexpr uint32_t kBatchMiddleMask = 0xF00;    // 0 none, 1 camera model
constexpr uint32_t kBatchFirstMask = 0xF000;    // 0 none, 1 camera maker, 2 fixed text
constexpr uint32_t kBatchCopyMask = 0xF0000;    // 1: Exif-free copy
constexpr uint32_t kBatchExtMask = 0xF00000;    // 1: new extension
constexpr uint32_t kBatchRenameMask = 0xF0FFF0;

constexpr uint32_t kBatchLastShotTime = 0x10, kBatchLastNumber = 0x20;
constexpr uint32_t kBatchMiddleModel = 0x100;
constexpr uint32_t kBatchFirstMaker = 0x1000, kBatchFirstFixed = 0x2000;
constexpr uint32_t kBatchTimeStep = 0x1, kBatchCopyStep = 0x10000, kBatchNewExtension = 0x100000;

// Names and paths: 256-byte name slots and 260-byte paths, terminator included.
constexpr size_t kBatchNameBytes = 256;
constexpr size_t kBatchPathBytes = 260;

struct BatchRule {
    uint32_t Mask = 0;
    std::string FixedText;    // Shift-JIS, checked by CheckFixedText
    std::string Extension;    // with its dot, checked by CheckExtension
    int StartNumber = 1;
    int Digits = 3;           // the length of the start number as typed
    bool Renames() const { return (Mask & kBatchRenameMask) != 0; }
    bool SetsTimes() const { return (Mask & kBatchTimeMask) == kBatchTimeStep; }
    bool Copies() const { return (Mask & kBatchCopyMask) != 0; }
};

// What the rule reads from one photograph (Shift-JIS texts as the Exif walk gives them).
struct BatchPhoto {
    std::string_view Make, Model, ShotDate;
    bool HasShotTime = false;   // a real shooting date (the walk gave a non-zero file time)
    std::string_view OldName;   // with extension
};

// Why a file keeps its name (or gets no copy); None when it does not.
enum class BatchRefusal {
    None,
    NoShotDate,    // the shooting-time rule on a file without a date
    EmptyName,     // nothing before the extension
    BadName,       // ends in a dot or space, or a device name such as CON
    NameTooLong,
    PathTooLong,
    Taken,         // another file has the name or another file of the run takes it
    CopyTaken,     // the copy's name is a photograph's or another copy's of the run
    RenameFailed,  // the system refused; the run's renames were undone
    TimeFailed,
    CopyFailed,
    NoExifToRemove,
    JournalLeft,     // an unfinished run's journal is in the folder: undo it first
    JournalFailed,   // the journal could not be written; nothing was renamed
    UndoUnfinished,  // a failed run could not be undone whole; the journal stays
};
const char* BatchRefusalText(BatchRefusal why);

// Replaces the characters that cannot (or should not) be in a file name by "_", one "_" for a
// run of them. Double-byte characters are copied whole: their trail byte may be 0x5C or 0x7C.
std::string SanitizeNamePart(std::string_view text);

// The new name (without folder) for a photograph, or the reason there is none. `number` is
// the start number plus the running counter.
BatchRefusal BuildBatchName(const BatchPhoto& photo, const BatchRule& rule, int number, std::string& name);

// Checks of the dialog's texts: nullptr when fine, else the message for the user.
const char* CheckFixedText(std::string_view text);
const char* CheckExtension(std::string_view text);
// The start number as typed: digits only (1 to 9 of them); its value and digit count.
const char* ParseStartNumber(std::string_view text, int& number, int& digits);

// ASCII letters folded outside double-byte characters: two names that Windows takes for one
// give the same key.
std::string NameKey(std::string_view name);
