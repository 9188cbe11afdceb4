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

TEST(Keys, PathPartsSplitAtRealSeparatorsOnly) {
    struct Row {
        const char* path;
        const char* name;
        const char* folder;
    };
    const Row rows[] = {
        {"C:\\tools\\edit.exe", "edit.exe", "C:\\tools"},
        {"C:/tools/view.exe", "view.exe", "C:/tools"},
        {"edit.exe", "edit.exe", ""},
        {"", "", ""},
        // "表" ends in 0x5C, "ソ" in 0x5C too: neither splits the path.
        {"C:\\\x95\x5C\\\x83\x5C\x83t\x83g.exe", "\x83\x5C\x83t\x83g.exe", "C:\\\x95\x5C"},
        {"C:\\\x95\x5C.exe", "\x95\x5C.exe", "C:"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(FileNamePart(r.path), r.name);
        EXPECT_EQ(FolderPart(r.path), r.folder);
    }
    // Bounded at 300 bytes, never ending in half a character.
    std::string longName = "C:\\" + std::string(299, 'a') + "\x95\x5C" + "b.exe";
    EXPECT_EQ(FileNamePart(longName), std::string(299, 'a'));
    std::string longFolder = std::string(400, 'f') + "\\x.exe";
    EXPECT_EQ(FolderPart(longFolder).size(), 300u);
}

TEST(Keys, TableNeverHoldsOneKeyTwice) {
    // As the registry may hold it: out of range, duplicates, and free slots that share 0.
    uint32_t keys[kKeySlots] = {5, 0, 99, 5, 5, 26, 35, 0, 17, 26, 34, 27};
    NormaliseKeyTable(keys);
    const uint32_t expected[kKeySlots] = {5, 0, 0, 0, 0, 26, 0, 0, 17, 0, 34, 27};
    for (int i = 0; i < kKeySlots; ++i) EXPECT_EQ(keys[i], expected[i]) << "slot " << i;

    // The defaults: programs without keys, E on the information report.
    uint32_t d[kKeySlots] = {0, 0, 0, 0, 5, 26, 2, 14, 17, 31, 32, 27};
    EXPECT_EQ(ChooseKey(d, 9, 0), 0u) << "no key is never a conflict";
    EXPECT_EQ(ChooseKey(d, 0, 5), 0u) << "E is the report's";
    d[4] = ChooseKey(d, 4, 0);
    EXPECT_EQ(ChooseKey(d, 0, 5), 5u) << "free again after the report let it go";
    EXPECT_EQ(ChooseKey(d, 5, 26), 26u) << "a slot may keep its own key";
    EXPECT_EQ(ChooseKey(d, 5, 35), 26u) << "no such key";

    // Whatever the user picks in whatever order, the table stays sound.
    uint32_t t[kKeySlots] = {};
    uint32_t seed = 12345;
    for (int step = 0; step < 5000; ++step) {
        seed = seed * 1103515245 + 12345;
        int slot = int((seed >> 16) % kKeySlots);
        t[slot] = ChooseKey(t, slot, (seed >> 4) % 36);
        for (int i = 0; i < kKeySlots; ++i)
            for (int j = i + 1; j < kKeySlots; ++j) ASSERT_TRUE(t[i] == 0 || t[i] != t[j]);
    }
}

TEST(Keys, PathGoesAsOneArgument) {
    EXPECT_EQ(QuotedArgument("C:\\My Pictures\\\x95\x5C 1.jpg"), "\"C:\\My Pictures\\\x95\x5C 1.jpg\"");
}
