#include "imageops/DragOutData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Reads the file list as a drop target does: from pFiles, names of Char up to a zero,
// until an empty name. Every read must stay inside the block.
template <typename Char>
std::vector<std::basic_string<Char>> ReadList(const std::vector<uint8_t>& b) {
    std::vector<std::basic_string<Char>> names;
    size_t at = U32(b, 0);
    for (;;) {
        std::basic_string<Char> name;
        for (;;) {
            EXPECT_LE(at + sizeof(Char), b.size()) << "list runs past the block";
            if (at + sizeof(Char) > b.size()) return names;
            Char c;
            std::memcpy(&c, b.data() + at, sizeof c);
            at += sizeof c;
            if (c == 0) break;
            name.push_back(c);
        }
        if (name.empty()) return names;
        names.push_back(name);
    }
}

TEST(DragOutData, DropFilesBlocksHoldThePathListWithinTheirSize) {
    // "C:\写真\表.jpg" in Shift-JIS: 表 ends in 0x5C, which must not split the name.
    const std::string path = "C:\\\x8e\xca\x90\x5e\\\x95\x5c.jpg";
    std::vector<uint8_t> one = DropFilesBytes(path, 1);
    ASSERT_EQ(one.size(), 22 + path.size() + 1);
    EXPECT_EQ(U32(one, 0), 20u);
    EXPECT_EQ(U32(one, 4), 0u);   // drop point
    EXPECT_EQ(U32(one, 8), 0u);
    EXPECT_EQ(U32(one, 12), 0u);  // client area
    EXPECT_EQ(U32(one, 16), 0u);  // ANSI
    EXPECT_EQ(ReadList<char>(one), std::vector<std::string>{path});

    std::vector<uint8_t> two = DropFilesBytes(path, 2);
    EXPECT_EQ(ReadList<char>(two), (std::vector<std::string>{path, path}));
    EXPECT_EQ(ReadList<char>(DropFilesBytes(path, 0)), std::vector<std::string>{});

    // Two bytes a character and a 16-bit end, however long the path.
    for (size_t length : {1u, 5u, 259u}) {
        const std::u16string wide(length, u'\x5199');
        for (int repeat : {1, 3}) {
            std::vector<uint8_t> w = DropFilesBytesWide(wide, repeat);
            EXPECT_EQ(w.size(), 20 + repeat * (length + 1) * 2 + 2);
            EXPECT_EQ(U32(w, 16), 1u);
            EXPECT_EQ(ReadList<char16_t>(w), std::vector<std::u16string>(size_t(repeat), wide));
        }
    }
}

TEST(DragOutData, AfterADragAnUnsavedEditIsNeverThrownAway) {
    const FileStamp loaded{true, 1000, 500};
    FileStamp touched = loaded, grown = loaded, gone;
    touched.WriteTime = 2000;
    grown.Size = 501;
    EXPECT_EQ(CompareFileStamps(loaded, loaded), DiskChange::Unchanged);
    EXPECT_EQ(CompareFileStamps(loaded, touched), DiskChange::Changed);
    EXPECT_EQ(CompareFileStamps(loaded, grown), DiskChange::Changed);
    EXPECT_EQ(CompareFileStamps(gone, loaded), DiskChange::Changed);  // written while dragged
    EXPECT_EQ(CompareFileStamps(loaded, gone), DiskChange::Gone);

    struct Row { DiskChange change; bool edited; AfterDragOut want; };
    const Row rows[] = {
        {DiskChange::Unchanged, false, AfterDragOut::Keep},
        {DiskChange::Unchanged, true, AfterDragOut::Keep},
        {DiskChange::Changed, false, AfterDragOut::Reload},
        {DiskChange::Changed, true, AfterDragOut::Keep},
        {DiskChange::Gone, false, AfterDragOut::RescanShowNeighbour},
        {DiskChange::Gone, true, AfterDragOut::Rescan},
    };
    for (const Row& r : rows)
        EXPECT_EQ(DecideAfterDragOut(r.change, r.edited), r.want) << int(r.change) << " " << r.edited;
}

}  // namespace
