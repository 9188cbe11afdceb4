#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "base/Cp932.h"

// glibc's converter is the independent reader: every character it maps, ours maps the same;
// what it does not map, ours leaves out or maps by a listed best fit.
TEST(Cp932, AgreesWithGlibcOnEveryBmpCharacter) {
    iconv_t cd = iconv_open("CP932", "UTF-16LE");
    ASSERT_NE(cd, iconv_t(-1));
    int mapped = 0, bestFits = 0;
    for (uint32_t u = 1; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        char in[2] = {char(u & 0xFF), char(u >> 8)}, out[8];
        char *ip = in, *op = out;
        size_t inLeft = 2, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool theirs = iconv(cd, &ip, &inLeft, &op, &outLeft) != size_t(-1);
        char mine[2];
        const int n = UnicodeToCp932(uint16_t(u), mine);
        if (theirs) {
            ASSERT_EQ(std::string(mine, size_t(n)), std::string(out, sizeof out - outLeft)) << std::hex << u;
            ++mapped;
        } else if (n != 0) {
            bool listed = false;
            for (size_t i = 0; i < kCp932BestFitCount; ++i) listed |= kCp932BestFit[i].Unicode == u;
            ASSERT_TRUE(listed) << std::hex << u;
            ++bestFits;
        }
    }
    iconv_close(cd);
    EXPECT_GT(mapped, 9000);
    EXPECT_LT(bestFits, 100);
}

TEST(Cp932, Utf16ToCp932) {
    struct Row {
        const char* name;
        std::u16string text;
        size_t size;
        std::string want;
    };
    const Row rows[] = {
        {"kana and kanji", u"カナ漢字", 20, "\x83\x4a\x83\x69\x8a\xbf\x8e\x9a"},
        {"half-width kana", u"\uFF76\uFF85", 20, "\xb6\xc5"},
        {"stops at NUL", std::u16string(u"ab\0cd", 5), 20, "ab"},
        {"cut before a character that does not fit", u"a漢字", 5, "a\x8a\xbf"},
        {"cut with one byte left", u"漢字", 4, "\x8a\xbf"},
        {"surrogate pair is one fallback", u"x\U0001F600y", 20, "x?y"},
        {"lone surrogate", std::u16string(1, char16_t(0xDC00)), 20, "?"},
        {"best fit", u"caf\u00e9", 20, "cafe"},
        {"wave dash", u"\u301C", 20, "\x81\x60"},
        {"no character", u"\u0E01", 20, "?"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char out[32];
        std::memset(out, 'Z', sizeof out);
        size_t n = Utf16ToCp932(reinterpret_cast<const uint16_t*>(row.text.data()), row.text.size(), out, row.size);
        EXPECT_EQ(std::string(out, n), row.want);
        EXPECT_EQ(out[n], '\0');
    }
}

TEST(Cp932, ToUtf8) {
    EXPECT_EQ(Cp932ToUtf8("a\x95\x5c\xb1"), "a\xE8\xA1\xA8\xEF\xBD\xB1");  // a表ｱ in UTF-8
    EXPECT_EQ(Cp932ToUtf8("\x81"), "\xEF\xBF\xBD");                 // lead byte at the end
    EXPECT_EQ(Cp932ToUtf8("\x81\x20z"), "\xEF\xBF\xBD z");           // trail byte out of range
    EXPECT_EQ(Cp932ToUtf8("\x85\x40"), "\xEF\xBF\xBD");             // an unassigned code
    EXPECT_EQ(Cp932ToUtf8(std::string("\x80\xa0\xfd", 3)), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}
