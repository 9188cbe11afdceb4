#include "shell/Title.h"
#include "vectorize/LineStore.h"

#include <gtest/gtest.h>

static const std::string kMagnification = "表示倍率";

TEST(Title, FormatsByDisplayFlags) {
    TitleInput in;
    in.HasImage = true;
    in.CurrentPath = "C:\\photos\\2020\\a.jpg";
    in.CurrentFolder = "\\photos\\2020\\";
    in.CurrentName = "a";
    in.CurrentExtension = ".jpg";
    in.ImageWidth = 640;
    in.ImageHeight = 480;
    in.CurrentIndex = 2;
    in.LastIndex = 11;
    in.Scale = 1.0f / 1.5f;
    const std::string tail = " 640 x 480 (3/12)  " + kMagnification + " 1.50 ";
    struct Row {
        const char* name;
        uint32_t flags;
        const char* graffiti;
        std::string want;
    };
    const Row rows[] = {
        {"name", 0, nullptr, "a.jpg" + tail},
        {"folder and name", 8, nullptr, "2020\\a.jpg" + tail},
        {"full path wins", 12, nullptr, "C:\\photos\\2020\\a.jpg" + tail},
        {"graffiti file", 0, "C:\\photos\\a.trd", "a.jpg(C:\\photos\\a.trd)" + tail},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        in.DisplayFlags = r.flags;
        in.GraffitiFilePath = r.graffiti;
        EXPECT_EQ(FormatTitle(in), r.want);
    }
    in.DisplayFlags = 0;
    in.GraffitiFilePath = nullptr;
    in.LineCount = 1234;
    EXPECT_EQ(FormatTitle(in), "a.jpg" + tail + " [1,234]Lines ");
    in.HasImage = false;
    EXPECT_EQ(FormatTitle(in), "Pixaro Ver1.19");
}

TEST(Title, FolderPartAndThousands) {
    EXPECT_EQ(FolderPart("\\photos\\2020\\"), "2020\\");
    EXPECT_EQ(FolderPart("\\"), "") << "a root folder has no folder part";
    EXPECT_EQ(FolderPart("\\\x95\x5C\\"), "\x95\x5C\\") << "trail byte 0x5C is not a separator";
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(6500000), "6,500,000");
}
