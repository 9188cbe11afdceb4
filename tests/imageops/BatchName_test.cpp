#include "imageops/BatchName.h"

#include <gtest/gtest.h>

namespace {

BatchRule Rule(uint32_t mask, std::string fixed = "", std::string ext = ".", int start = 1, int digits = 3) {
    BatchRule r;
    r.Mask = mask;
    r.FixedText = std::move(fixed);
    r.Extension = std::move(ext);
    r.StartNumber = start;
    r.Digits = digits;
    return r;
}

}  // namespace

TEST(BatchName, SanitizeKeepsDoubleByteCharactersWhole) {
    struct Row {
        const char* name;
        std::string in, want;
    };
    const Row rows[] = {
        {"date", "2009:05:01 12:34:56", "2009_05_01_12_34_56"},
        {"runs collapse", "EOS 5D Mark-II", "EOS_5D_Mark_II"},
        {"every listed character", "a ,.:;+-*/\\<>?|b", "a_b"},
        {"quote and controls", "a\"b\tc\x7F" "d", "a_b_c_d"},
        {"trail byte 0x5C of 表", "\x95\x5C" "x", "\x95\x5C" "x"},
        {"trail byte 0x7C of ポ", "\x83\x7C:", "\x83\x7C_"},
        {"lead byte cut off", "ab\x95", "ab_"},
        {"leading underscore kept once", "_ a", "_a"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(SanitizeNamePart(r.in), r.want);
    }
}

TEST(BatchName, BuildsTheNamesOfTheRule) {
    BatchPhoto canon{"Canon", "Canon EOS 5D", "2009:05:01 12:34:56", true, "IMG_0001.JPG"};
    BatchPhoto bare{"", "", "", false, "img.jpg"};
    struct Row {
        const char* name;
        BatchPhoto photo;
        BatchRule rule;
        int number;
        std::string want;
    };
    const Row rows[] = {
        {"number 7", canon, Rule(kBatchLastNumber, "", ".", 7, 1), 7, "7.JPG"},
        {"number 10", canon, Rule(kBatchLastNumber, "", ".", 7, 1), 10, "10.JPG"},
        {"number 007", canon, Rule(kBatchLastNumber, "", ".", 7, 3), 8, "008.JPG"},
        {"fixed trip, 01", canon, Rule(kBatchFirstFixed | kBatchLastNumber | kBatchNewExtension, "trip", ".jpg", 1, 2),
         2, "trip02.jpg"},
        {"six digits: no number", canon, Rule(kBatchFirstMaker | kBatchLastNumber, "", ".", 1, 6), 1, "Canon_.JPG"},
        {"maker, model, time", canon, Rule(kBatchFirstMaker | kBatchMiddleModel | kBatchLastShotTime), 0,
         "Canon_Canon_EOS_5D_2009_05_01_12_34_56.JPG"},
        {"unknown maker and model", bare, Rule(kBatchFirstMaker | kBatchMiddleModel), 0, "Unknown_Unknown_img.jpg"},
        {"upper-case extension", bare, Rule(kBatchNewExtension, "", ".JPG"), 0, "img.JPG"},
        {"old name kept", canon, Rule(kBatchMiddleModel), 0, "Canon_EOS_5D_IMG_0001.JPG"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string name;
        EXPECT_EQ(BuildBatchName(r.photo, r.rule, r.number, name), BatchRefusal::None);
        EXPECT_EQ(name, r.want);
    }

    struct Refused {
        const char* name;
        BatchPhoto photo;
        BatchRule rule;
        BatchRefusal want;
    };
    BatchPhoto dateless = canon;
    dateless.HasShotTime = false;
    BatchPhoto longModel = canon;
    std::string model(300, 'M');
    longModel.Model = model;
    const Refused refused[] = {
        {"no date for the time rule", dateless, Rule(kBatchFirstMaker | kBatchLastShotTime), BatchRefusal::NoShotDate},
        {"no number and nothing else", canon, Rule(kBatchLastNumber, "", ".", 1, 6), BatchRefusal::EmptyName},
        {"device name", bare, Rule(kBatchFirstFixed | kBatchLastNumber | kBatchNewExtension, "con", ".jpg", 1, 6),
         BatchRefusal::BadName},
        {"too long for a name slot", longModel, Rule(kBatchMiddleModel), BatchRefusal::NameTooLong},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        std::string name = "unchanged";
        EXPECT_EQ(BuildBatchName(r.photo, r.rule, 1, name), r.want);
        EXPECT_EQ(name, "unchanged");
    }
}

TEST(BatchName, DialogTextsAreChecked) {
    struct Row {
        const char* name;
        std::string text;
        bool fixedOk, extOk;
    };
    const Row rows[] = {
        {"plain", "trip", true, false},
        {"extension", ".jpg", true, true},
        {"upper extension", ".JPG", true, true},
        {"bare dot", ".", true, false},
        {"no dot", "jpg", true, false},
        {"eight after the dot", ".abcdefgh", true, false},
        {"seven after the dot", ".abcdefg", true, true},
        {"parent folder", "..\\x", false, false},
        {"two dots", "a..b", false, false},
        {"dot at the end of an extension", ".jp.", true, false},
        {"forbidden character", "a?b", false, false},
        {"quote", "a\"", false, false},
        {"tab", "a\tb", false, false},
        {"Japanese with trail 0x5C", "\x95\x5C\x8E\xA6", true, false},
        {"Japanese extension", ".\x95\x5C", true, true},
        {"cut double-byte character", "a\x95", false, false},
        {"empty", "", true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(CheckFixedText(r.text) == nullptr, r.fixedOk);
        EXPECT_EQ(CheckExtension(r.text) == nullptr, r.extOk);
    }
    EXPECT_NE(CheckFixedText(std::string(100, 'a')), nullptr);

    int number = -1, digits = -1;
    EXPECT_EQ(ParseStartNumber("007", number, digits), nullptr);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(digits, 3);
    for (const char* bad : {"", "7a", "-1", "1234567890"}) EXPECT_NE(ParseStartNumber(bad, number, digits), nullptr) << bad;
}
