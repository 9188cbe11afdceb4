// What a file drag-out hands over and what the window does once it has ended. Portable:
// the glue copies these bytes into global blocks and reads the file's stamps from disk.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

// The CF_HDROP block: a 20-byte DROPFILES header (list at offset 20, point (0, 0), client
// area, the wide flag) and the path `repeat` times, each with its terminating zero, the
// list ended by one more zero character. The ANSI block keeps one spare zero byte after it.
std::vector<uint8_t> DropFilesBytes(std::string_view path, int repeat);
std::vector<uint8_t> DropFilesBytesWide(std::u16string_view path, int repeat);

// A file as last seen on disk.
struct FileStamp {
    bool Exists = false;
    uint64_t WriteTime = 0;  // FILETIME as one number
    uint64_t Size = 0;
};

// How the current file fared while a drop target had it. The value travels in the
// notification's wParam.
enum class DiskChange : uint32_t { Unchanged = 0, Changed = 1, Gone = 2 };
DiskChange CompareFileStamps(const FileStamp& before, const FileStamp& after);

// Keep: nothing to do. Reload: show the file as it now is. Rescan: the folder changed but an
// unsaved edit stays shown. RescanShowNeighbour: the file went; its neighbour takes its place.
enum class AfterDragOut { Keep, Reload, Rescan, RescanShowNeighbour };
// `edited`: the picture holds a change not saved to the file, which nothing may throw away
// without asking.
AfterDragOut DecideAfterDragOut(DiskChange change, bool edited);
