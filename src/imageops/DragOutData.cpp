#include "imageops/DragOutData.h"

#include <cstring>

namespace {

constexpr size_t kHeaderBytes = 20;

template <typename Char>
std::vector<uint8_t> DropFiles(std::basic_string_view<Char> path, int repeat, bool wide, size_t spare) {
    if (repeat < 0) repeat = 0;
    const size_t entry = (path.size() + 1) * sizeof(Char);
    std::vector<uint8_t> block(kHeaderBytes + size_t(repeat) * entry + sizeof(Char) + spare, 0);
    block[0] = uint8_t(kHeaderBytes);  // pFiles, little-endian; the rest of the header stays 0
    block[16] = wide ? 1 : 0;          // fWide
    for (int i = 0; i < repeat; ++i)
        std::memcpy(block.data() + kHeaderBytes + size_t(i) * entry, path.data(), path.size() * sizeof(Char));
    return block;
}

}  // namespace

std::vector<uint8_t> DropFilesBytes(std::string_view path, int repeat) {
    return DropFiles(path, repeat, false, 1);
}

std::vector<uint8_t> DropFilesBytesWide(std::u16string_view path, int repeat) {
    return DropFiles(path, repeat, true, 0);
}

DiskChange CompareFileStamps(const FileStamp& before, const FileStamp& after) {
    if (!after.Exists) return DiskChange::Gone;
    if (!before.Exists || before.WriteTime != after.WriteTime || before.Size != after.Size) return DiskChange::Changed;
    return DiskChange::Unchanged;
}

AfterDragOut DecideAfterDragOut(DiskChange change, bool edited) {
    switch (change) {
    case DiskChange::Gone: return edited ? AfterDragOut::Rescan : AfterDragOut::RescanShowNeighbour;
    case DiskChange::Changed: return edited ? AfterDragOut::Keep : AfterDragOut::Reload;
    case DiskChange::Unchanged: break;
    }
    return AfterDragOut::Keep;
}
