#include "shell/Keys.h"

#include <gtest/gtest.h>

TEST(Keys, IndexesLabelsAndFirstSlotWins) {
    struct Row {
        int vk;
        uint32_t index;
        const char* label;
    };
    const Row rows[] = {{'A', 1, "[A]"}, {'Z', 26, "[Z]"}, {0x70, 27, "[F1]"}, {0x77, 34, "[F8]"},
                        {0x76, 33, "[F7]"}, {0x78, 0, "---"}, {'1', 0, "---"}, {0x2E, 0, "---"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        EXPECT_EQ(KeyIndexFromVirtualKey(r.vk), r.index);
        EXPECT_EQ(KeyLabel(r.index), r.label);
    }
    uint32_t keys[kKeySlots] = {0, 0, 0, 0, 5, 26, 2, 14, 17, 31, 32, 27};
    EXPECT_EQ(FindKeySlot(keys, KeyIndexFromVirtualKey(0x70)), 11) << "F1 opens the image-path export by default";
    EXPECT_EQ(FindKeySlot(keys, KeyIndexFromVirtualKey('E')), 4);
    EXPECT_EQ(FindKeySlot(keys, 0), -1) << "slots without a key never act";
    keys[1] = 5;
    EXPECT_EQ(FindKeySlot(keys, 5), 1) << "two slots with one key: the first acts";
}

TEST(Keys, ProgramFileName) {
    EXPECT_EQ(ProgramFileName("C:\\tools\\edit.exe"), "edit.exe");
    EXPECT_EQ(ProgramFileName("C:/tools/view.exe"), "view.exe");
    EXPECT_EQ(ProgramFileName(""), "");
    EXPECT_EQ(ProgramFileName("C:\\\x95\x5C.exe"), "\x95\x5C.exe") << "the trail byte 0x5C is no separator";
}
