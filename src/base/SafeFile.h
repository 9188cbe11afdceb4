// The one way Pixaro writes a user's file: the bytes go to a new file in the same folder,
// which replaces the target only when every byte reached the disk. A failure at any step
// leaves the old file as it was and removes the temporary one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/SjisText.h"

enum class SaveResult {
    Saved = 0,
    NoName,       // empty path, or no room for the temporary name
    CannotCreate, // folder missing, not writable, or no temporary name free
    WriteFailed,  // disk full or an I/O error while writing or flushing
    CannotReplace, // the target is read-only or held open by another program
    EncodeFailed   // the picture could not be turned into the file's format
};

class SafeFile {
public:
    // Creates the temporary file beside `path` (ANSI, NUL-terminated); check Result().
    explicit SafeFile(const char* path);
    // Not committed: the temporary file is removed and the target left untouched.
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Buffered; after the first failure every later call does nothing and returns false.
    bool Write(const void* data, size_t size);
    bool Ok() const { return result_ == SaveResult::Saved; }
    SaveResult Result() const { return result_; }
    uint64_t BytesWritten() const { return written_; }

    // Flushes, closes and puts the file in place of the target.
    SaveResult Commit();

private:
    // Taken lets the constructor try the next name; Failed ends the search at once, so a
    // missing network folder costs one wait, not a hundred.
    enum class Created { Yes, Taken, Failed };

    bool Flush();
    void Discard();
    Created PlatformCreate();
    bool PlatformWrite(const void* data, size_t size);
    bool PlatformClose(bool keep);
    bool PlatformReplace();
    void PlatformRemoveTemp();
    // Removes the temporary files of ended processes in the target's folder; best effort.
    void PlatformRemoveStaleTemps();
    static uint32_t PlatformProcessId();

    static constexpr size_t kBufferBytes = 1 << 16;
    char target_[264] = {};
    char temp_[264] = {};
    size_t folder_ = 0; // bytes of target_ (and temp_) naming the folder, separator included
    intptr_t handle_ = -1;
    bool open_ = false;
    bool committed_ = false;
    SaveResult result_ = SaveResult::Saved;
    uint64_t written_ = 0;
    size_t used_ = 0;
    std::unique_ptr<unsigned char[]> buffer_;
};

// Builds the temporary name in the folder of `path` ("~px" + the writing process's id + "-" +
// the attempt number + ".tmp"), the path split by the platform's own rule (a trail byte 0x5C
// is no separator on Windows, and every '/' is one on POSIX). False when it does not fit
// `size`. The id lets a later write tell a killed writer's leftover from a live one's.
bool TempNameBeside(const char* path, uint32_t process, unsigned attempt, char* out, size_t size,
                    PathRule rule = kNativePathRule);

// True when `name` (no folder) is exactly a name TempNameBeside makes; gives its process id.
bool IsTempName(const char* name, uint32_t* process);

// A whole file from one block of bytes.
SaveResult SaveBytes(const char* path, const void* data, size_t size);

// A short Japanese sentence for the user, with the file name, for a failed save.
const char* SaveResultText(SaveResult r);
