#include "base/SjisText.h"

#include <gtest/gtest.h>

#include <string>

// "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their trail byte is a backslash.
static const std::string kHyo = "\x95\x5C";
static const std::string kSo = "\x83\x5C";

TEST(SjisPath, LastSeparatorSkipsTrailBytes) {
    struct Row {
        const char* name;
        std::string path;
        size_t want;
    };
    const Row rows[] = {
        {"ascii", "C:\\a\\b.jpg", 4},
        {"slash", "C:/a/b.jpg", 4},
        {"trail 0x5C in name", "C:\\" + kHyo + ".jpg", 2},
        {"trail 0x5C ends folder", "C:\\" + kSo + "\\x.jpg", 5},
        {"no separator", "b.jpg", std::string::npos},
        {"lone lead byte at end", "C:\\a\x95", 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(LastPathSeparator(r.path, PathRule::Cp932), r.want);
    }
}

TEST(SjisPath, PosixPathsSplitAtEverySlash) {
    // UTF-8 "あ" is E3 81 82 and "ア" E3 82 A2: 0x82 is a code page 932 lead byte, which would
    // swallow the '/' after it.
    const std::string a = "\xE3\x81\x82", ka = "\xE3\x82\xA2";
    EXPECT_EQ(LastPathSeparator("/mnt/" + a + "/z.jpg", PathRule::Posix), 8u);
    EXPECT_EQ(LastPathSeparator(a + "/" + ka + "/" + kHyo, PathRule::Posix), 7u);
    EXPECT_EQ(LastPathSeparator("dir\\name.jpg", PathRule::Posix), std::string::npos) << "a backslash is a name byte";
    EXPECT_EQ(LastPathSeparator("/mnt/" + a + "/z.jpg", PathRule::Cp932), 4u) << "why the rule matters";
    if (kNativePathRule == PathRule::Posix) {
        EXPECT_EQ(LastPathSeparator(a + "/z", kNativePathRule), 3u);
    }
}

TEST(SjisPath, SplitLikeSplitpath) {
    struct Row {
        const char* name;
        std::string path;
        std::string drive, folder, file, ext;
    };
    const Row rows[] = {
        {"full", "C:\\photos\\2020\\a.b.JPG", "C:", "\\photos\\2020\\", "a.b", ".JPG"},
        {"no extension", "D:\\x\\name", "D:", "\\x\\", "name", ""},
        {"unc", "\\\\srv\\share\\p.png", "", "\\\\srv\\share\\", "p", ".png"},
        {"kanji name with 0x5C", "C:\\" + kHyo + "\\" + kSo + ".bmp", "C:", "\\" + kHyo + "\\", kSo, ".bmp"},
        {"relative", "a.gif", "", "", "a", ".gif"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PathParts p;
        ASSERT_EQ(SplitPath(r.path, p), 0);
        EXPECT_EQ(std::string(p.Drive), r.drive);
        EXPECT_EQ(std::string(p.Folder), r.folder);
        EXPECT_EQ(std::string(p.Name), r.file);
        EXPECT_EQ(std::string(p.Extension), r.ext);
    }
    PathParts p;
    EXPECT_EQ(SplitPath("C:\\" + std::string(300, 'f') + "\\a.jpg", p), -1) << "folder over 255 bytes";
    EXPECT_EQ(SplitPath("C:\\a." + std::string(25, 'e'), p), -1) << "extension over 19 bytes";
}

TEST(SjisText, CaseFoldAndCutOnCharacterBoundary) {
    EXPECT_TRUE(SjisEqualNoCase(".JPG", ".jpg"));
    EXPECT_TRUE(SjisEqualNoCase(kHyo + "A", kHyo + "a"));
    // "ａ" (0x82 0x81) and "Ａ" (0x82 0x60): the trail bytes must not be case-folded.
    EXPECT_FALSE(SjisEqualNoCase("\x82\x81", "\x82\x61"));
    EXPECT_FALSE(SjisEqualNoCase(".jpg", ".jpeg"));

    char out[4];
    EXPECT_TRUE(CopySjis(out, sizeof out, "ab"));
    EXPECT_EQ(std::string(out), "ab");
    EXPECT_FALSE(CopySjis(out, sizeof out, "a" + kHyo + kHyo));
    EXPECT_EQ(std::string(out), "a" + kHyo) << "a double-byte character is never split";
    EXPECT_FALSE(CopySjis(out, sizeof out, "ab" + kHyo));
    EXPECT_EQ(std::string(out), "ab");
}

TEST(SjisText, OneLineBlanksControlBytesAndHalfCharacters) {
    struct Row {
        const char* name;
        std::string text, want;
    };
    const Row rows[] = {
        {"plain", "ABC " + kHyo + kSo + "\xB1", "ABC " + kHyo + kSo + "\xB1"},
        {"line breaks and end of file", "a\r\nlc 8\rb\x1A\x7F\t", "a  lc 8 b   "},
        {"lead byte before a control byte", "x\x95\n", "x  "},
        {"lead byte before a blank", "\x82 >", "  >"},
        {"lead byte at the end", "ab\x95", "ab "},
        {"trail bytes are never blanked", "\x81\x40\x9F\x7E\xFC\xFC", "\x81\x40\x9F\x7E\xFC\xFC"},
        {"0x7F is no trail byte", "\x81\x7F", "  "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string out = "<";
        AppendOneLine(out, r.text);
        EXPECT_EQ(out, "<" + r.want);
        EXPECT_EQ(IsOneLine(r.text), r.text == r.want);
    }
}
