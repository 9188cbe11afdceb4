#include "document/CurrentFile.h"

#include <gtest/gtest.h>

#include <string>

// "表" ends in 0x5C, which a byte-wise split would take for a separator.
TEST(CurrentFile, SplitsShiftJisPathsOnceAndFollowsRenames) {
    CurrentFile f;
    EXPECT_TRUE(f.Empty());
    ASSERT_TRUE(f.Set("C:\\写真\\表\\旅行.表.jpg"));
    EXPECT_EQ(f.Path(), "C:\\写真\\表\\旅行.表.jpg");
    EXPECT_EQ(f.Folder(), "C:\\写真\\表\\");
    EXPECT_STREQ(f.FolderOnly(), "\\写真\\表\\");
    EXPECT_STREQ(f.Name(), "旅行.表");
    EXPECT_STREQ(f.Extension(), ".jpg");
    EXPECT_EQ(f.FileName(), "旅行.表.jpg");
    EXPECT_EQ(f.Sibling("m.trd"), "C:\\写真\\表\\m.trd");

    // A batch rename: same folder, every part from the new name.
    ASSERT_TRUE(f.Rename("2020-01-02 表.JPEG"));
    EXPECT_EQ(f.Path(), "C:\\写真\\表\\2020-01-02 表.JPEG");
    EXPECT_STREQ(f.Name(), "2020-01-02 表");
    EXPECT_STREQ(f.Extension(), ".JPEG");
    // A name with a folder in it is no rename.
    EXPECT_FALSE(f.Rename("..\\x.jpg"));
    EXPECT_EQ(f.FileName(), "2020-01-02 表.JPEG");

    f.Clear();
    EXPECT_TRUE(f.Empty());
    EXPECT_EQ(f.Folder(), "");
    EXPECT_FALSE(f.Rename("x.jpg"));
}

TEST(CurrentFile, RefusesWhatCannotBeOpenedAndKeepsTheFileItHad) {
    CurrentFile f;
    ASSERT_TRUE(f.Set("D:\\a\\b.png"));
    const std::string longName(300, 'n');
    EXPECT_FALSE(f.Set("D:\\a\\" + longName + ".png"));  // a name no folder holds
    EXPECT_FALSE(f.Set(""));
    EXPECT_FALSE(f.Set("D:\\" + std::string(260, 'f') + "\\b.png"));  // past the path limit
    EXPECT_FALSE(f.Rename(longName + ".png"));
    EXPECT_EQ(f.Path(), "D:\\a\\b.png");
    EXPECT_STREQ(f.Name(), "b");
    // No drive and no folder: a bare name is still a file, found beside nothing.
    ASSERT_TRUE(f.Set("b.trd"));
    EXPECT_EQ(f.Folder(), "");
    EXPECT_EQ(f.Sibling("b.jpg"), "b.jpg");
}
