#include "base/SafeFile.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/SjisText.h"

namespace {
constexpr unsigned kTempAttempts = 100;

size_t FolderLength(std::string_view p, PathRule rule) {
    size_t sep = LastPathSeparator(p, rule);
    size_t folder = sep == std::string_view::npos ? 0 : sep + 1;
    // "C:name" lives in drive C's current folder; without the drive the rename would
    // cross drives and fail.
    if (rule == PathRule::Cp932 && folder == 0 && p.size() >= 2 && p[1] == ':' &&
        !IsSjisLead(static_cast<unsigned char>(p[0])))
        folder = 2;
    return folder;
}

// Digits as %u prints them: no sign, no leading zero, at most `limit`.
const char* ReadNumber(const char* p, uint64_t limit, uint64_t* value) {
    if (*p < '0' || *p > '9' || (*p == '0' && p[1] >= '0' && p[1] <= '9')) return nullptr;
    uint64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > limit) return nullptr;
    }
    *value = v;
    return p;
}
}

bool IsTempName(const char* name, uint32_t* process) {
    if (!name || std::strncmp(name, "~px", 3) != 0) return false;
    uint64_t pid = 0, attempt = 0;
    const char* p = ReadNumber(name + 3, UINT32_MAX, &pid);
    if (!p || pid == 0 || *p != '-') return false;
    p = ReadNumber(p + 1, UINT32_MAX, &attempt);
    if (!p || std::strcmp(p, ".tmp") != 0) return false;
    if (process) *process = static_cast<uint32_t>(pid);
    return true;
}

bool TempNameBeside(const char* path, uint32_t process, unsigned attempt, char* out, size_t size, PathRule rule) {
    if (!path || !out || size == 0) return false;
    out[0] = 0;
    const size_t folder = FolderLength(path, rule);
    char name[40];
    int n = std::snprintf(name, sizeof name, "~px%lu-%u.tmp", static_cast<unsigned long>(process), attempt);
    if (n <= 0 || folder + static_cast<size_t>(n) + 1 > size) return false;
    std::memcpy(out, path, folder);
    std::memcpy(out + folder, name, static_cast<size_t>(n) + 1);
    return true;
}

SaveResult SaveBytes(const char* path, const void* data, size_t size) {
    SafeFile file(path);
    file.Write(data, size);
    return file.Ok() ? file.Commit() : file.Result();
}

const char* SaveResultText(SaveResult r) {
    switch (r) {
    case SaveResult::Saved: return "保存しました";
    case SaveResult::NoName: return "ファイル名が長すぎるか、空です";
    case SaveResult::CannotCreate: return "ファイルを作成できません";
    case SaveResult::WriteFailed: return "ファイルの書き込みに失敗しました (ディスクの空き容量を確認してください)";
    case SaveResult::CannotReplace: return "ファイルを置き換えられません (読み取り専用か、他のプログラムが使用中です)";
    case SaveResult::EncodeFailed: return "画像をこの形式に変換できません (メモリー不足です)";
    }
    return "ファイルを保存できません";
}

SafeFile::SafeFile(const char* path) {
    if (!path || !*path || !CopySjis(target_, sizeof target_, path)) {
        result_ = SaveResult::NoName;
        return;
    }
    const uint32_t self = PlatformProcessId();
    folder_ = FolderLength(path, kNativePathRule);
    PlatformRemoveStaleTemps();
    for (unsigned attempt = 0; attempt < kTempAttempts; ++attempt) {
        if (!TempNameBeside(path, self, attempt, temp_, sizeof temp_)) {
            result_ = SaveResult::NoName;
            return;
        }
        Created c = PlatformCreate();
        if (c == Created::Yes) {
            open_ = true;
            buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kBufferBytes);
            return;
        }
        if (c == Created::Failed) break;
    }
    result_ = SaveResult::CannotCreate;
}

SafeFile::~SafeFile() {
    if (open_) Discard();
}

void SafeFile::Discard() {
    if (open_) PlatformClose(false);
    open_ = false;
    PlatformRemoveTemp();
}

bool SafeFile::Flush() {
    if (used_ > 0 && !PlatformWrite(buffer_.get(), used_)) {
        result_ = SaveResult::WriteFailed;
        return false;
    }
    used_ = 0;
    return true;
}

bool SafeFile::Write(const void* data, size_t size) {
    if (!Ok() || !open_) return false;
    if (size == 0) return true;
    if (used_ + size > kBufferBytes && !Flush()) return false;
    if (size >= kBufferBytes) {
        // Too big to gain from the buffer: straight through.
        if (!PlatformWrite(data, size)) {
            result_ = SaveResult::WriteFailed;
            return false;
        }
    } else {
        std::memcpy(buffer_.get() + used_, data, size);
        used_ += size;
    }
    written_ += size;
    return true;
}

SaveResult SafeFile::Commit() {
    if (!open_) return result_;
    if (!Ok() || !Flush()) {
        Discard();
        return result_;
    }
    open_ = false;
    if (!PlatformClose(true)) result_ = SaveResult::WriteFailed;
    else if (!PlatformReplace()) result_ = SaveResult::CannotReplace;
    else committed_ = true;
    if (!committed_) PlatformRemoveTemp();
    return result_;
}
