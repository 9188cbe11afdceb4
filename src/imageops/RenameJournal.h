// Renaming many files of one folder so that a crash at any moment can be undone: a journal
// of (old, temporary, new) names beside the files, written before the first rename; every
// file first to its own temporary name, then each to its new one; the journal removed at the
// end. A journal found later rolls the folder back to the old names. Portable.
#pragma once
#include <string>
#include <vector>

// The file system of one folder, by names inside it.
class RenameFs {
public:
    virtual ~RenameFs() = default;
    virtual bool Exists(const std::string& name) = 0;
    // Never replaces an existing file.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    // The whole file or, on failure, the old one as it was.
    virtual bool WriteWhole(const std::string& name, const std::string& bytes) = 0;
    virtual bool Read(const std::string& name, std::string& bytes) = 0;
    virtual bool Remove(const std::string& name) = 0;
};

// Not an image extension, so the catalogue never lists it.
constexpr const char* kRenameJournalName = "~pixaro-rename.jnl";

struct RenamePair {
    std::string Old, Temp, New;
};

std::string FormatRenameJournal(int phase, const std::vector<RenamePair>& pairs);
// False for anything but a whole journal of plain names (no folder parts) of this folder.
bool ParseRenameJournal(const std::string& text, int& phase, std::vector<RenamePair>& pairs);

// Gives every pair a temporary name that nothing in the folder has and no pair uses.
// `tag` varies the names between runs.
void AssignTempNames(RenameFs& fs, std::vector<RenamePair>& pairs, unsigned tag);

enum class RenameOutcome {
    Done,        // every file has its new name
    NotStarted,  // the journal could not be written; nothing was renamed
    Undone,      // a rename failed and every file has its old name again
    Stuck,       // a rename failed and the undo did not finish: the journal stays for later
};
// `failed` receives the old name of the file whose rename failed.
RenameOutcome RunRenames(RenameFs& fs, const std::vector<RenamePair>& pairs, std::string* failed = nullptr);

enum class RecoverOutcome {
    NoJournal,
    Restored,    // every file has its old name again; the journal is gone
    Unreadable,  // the journal is damaged; nothing was touched
    Incomplete,  // some files could not be moved back; the journal stays
};
RecoverOutcome RecoverRenames(RenameFs& fs, std::vector<std::string>* problems = nullptr);
