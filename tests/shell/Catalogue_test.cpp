#include "shell/Catalogue.h"

#include <gtest/gtest.h>

#include <random>

namespace {

FileCatalogue Make(const std::vector<std::string>& names, std::vector<uint64_t> times = {}) {
    FileCatalogue cat;
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_TRUE(AddDirectoryEntry(cat, "C:\\f\\", names[i], times.empty() ? 0 : times[i], 0)) << names[i];
    return cat;
}

std::vector<std::string> Names(const FileCatalogue& cat) {
    std::vector<std::string> out;
    for (int p = 0; p < cat.Count(); ++p) out.push_back(cat.NameAt(p));
    return out;
}

const TextCompare kCompare = CompareNoCase;

}  // namespace

TEST(Catalogue, ListsImageFilesThatFit) {
    FileCatalogue cat;
    struct Row {
        const char* name;
        std::string file;
        int mask;
        bool listed;
    };
    const Row rows[] = {
        {"jpeg upper case", "A.JPEG", 0, true},
        {"graffiti file", "x.trd", 0, true},
        {"png without plug-in", "a.png", 0, false},
        {"png with plug-in", "a.png", 1, true},
        {"tiff is not listed", "a.tiff", 16, false},
        {"tif with plug-in", "a.tif", 16, true},
        {"emf needs the GDI+ plug-in", "a.emf", 8, false},
        {"no extension", "README", 0, false},
        {"text", "notes.txt", 0, false},
        {"255-byte name fits its slot", std::string(251, 'n') + ".jpg", 0, false},  // but not the path
        {"name of 256 bytes", std::string(252, 'n') + ".jpg", 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(AddDirectoryEntry(cat, "C:\\f\\", r.file, 0, r.mask), r.listed);
    }
    // Drive + folder + name must stay below 260 bytes: the entry is skipped, not cut.
    EXPECT_TRUE(AddDirectoryEntry(cat, "C:\\", std::string(251, 'n') + ".jpg", 0, 0));
    EXPECT_FALSE(AddDirectoryEntry(cat, "C:\\abcdef\\", std::string(251, 'n') + ".jpg", 0, 0));

    FileCatalogue full;
    for (int i = 0; i < kCatalogueCapacity; ++i) ASSERT_TRUE(AddDirectoryEntry(full, "C:\\", "a" + std::to_string(i) + ".bmp", 0, 0));
    EXPECT_FALSE(AddDirectoryEntry(full, "C:\\", "over.bmp", 0, 0));
}

TEST(Catalogue, FindsCurrentOrSaysNotCatalogued) {
    FileCatalogue cat = Make({"a.jpg", "\x95\x5C.jpg", "B.JPG"});
    FindCurrent(cat, "b.jpg");
    EXPECT_EQ(cat.CurrentIndex, 2);
    FindCurrent(cat, "\x95\x5C.JPG");
    EXPECT_EQ(cat.CurrentIndex, 1);
    // 0x95 0x7C ("表" with a folded trail byte would be 0x95 0x7C) is another character.
    FindCurrent(cat, "\x95\x7C.jpg");
    EXPECT_EQ(cat.CurrentIndex, kNotCatalogued);
}

TEST(NaturalOrder, PiecesAndEdgeCases) {
    struct Row {
        const char* name;
        std::string before, after;
    };
    const Row rows[] = {
        {"numbers as numbers", "img2", "img10"},
        {"second number", "a1b2", "a1b10"},
        {"missing number counts as 999999999", "abc5", "abc"},
        {"leading digit has the filler text", "abc", "5abc"},
        {"text ignores case", "Apple3", "apple4"},
        {"tenth digit is text in T4", "x1234567891", "x1234567892"},
        {"three numbers then text", "a1b2c3d", "a1b2c3e"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_LT(CompareNatural(MakeNaturalKey(r.before), MakeNaturalKey(r.after), kCompare), 0);
        EXPECT_GT(CompareNatural(MakeNaturalKey(r.after), MakeNaturalKey(r.before), kCompare), 0);
    }
    EXPECT_EQ(CompareNatural(MakeNaturalKey("img01"), MakeNaturalKey("img1"), kCompare), 0) << "a tie";
    NaturalKey k = MakeNaturalKey("x1234567891");
    EXPECT_EQ(k.Number[0], 123456789u);
    EXPECT_EQ(k.Text[3], "1");
    NaturalKey longText = MakeNaturalKey(std::string(150, 'a') + "7");
    EXPECT_EQ(longText.Text[0].size(), 99u) << "text pieces are bounded";
    EXPECT_EQ(longText.Number[0], 7u);
    // A piece is cut before a double-byte character that would not fit whole.
    NaturalKey dbcs = MakeNaturalKey(std::string(98, 'a') + "\x95\x5C");
    EXPECT_EQ(dbcs.Text[0].size(), 98u);
}

TEST(Sorting, ThreeOrdersAndTheCurrentEntryFollows) {
    FileCatalogue cat = Make({"img10.jpg", "B.jpg", "img2.jpg", "a.jpg"}, {40, 10, 30, 20});
    cat.CurrentIndex = 2;  // img2.jpg
    SortCatalogue(cat, kSortNatural, kCompare);
    EXPECT_EQ(Names(cat), (std::vector<std::string>{"a.jpg", "B.jpg", "img2.jpg", "img10.jpg"}));
    EXPECT_EQ(cat.NameAt(cat.CurrentIndex), "img2.jpg");
    SortCatalogue(cat, kSortCode, kCompare);
    EXPECT_EQ(Names(cat), (std::vector<std::string>{"a.jpg", "B.jpg", "img10.jpg", "img2.jpg"}));
    SortCatalogue(cat, kSortTime, kCompare);
    EXPECT_EQ(Names(cat), (std::vector<std::string>{"B.jpg", "a.jpg", "img2.jpg", "img10.jpg"}));
    EXPECT_EQ(cat.NameAt(cat.CurrentIndex), "img2.jpg");
    SortCatalogue(cat, kSortAsFound, kCompare);
    EXPECT_EQ(Names(cat), (std::vector<std::string>{"img10.jpg", "B.jpg", "img2.jpg", "a.jpg"}));
}

// The fast sort must give exactly the exchange sort's order, ties included, whatever the
// order it starts from.
TEST(Sorting, SameOrderAsTheExchangeSort) {
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    const std::vector<std::string> stems = {"img", "IMG", "a", "b", "scan_", "\x95\x5C", "x", ""};
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> names;
        std::vector<uint64_t> times;
        int n = 1 + pick(round < 40 ? 40 : 400);
        for (int i = 0; i < n; ++i) {
            std::string name = stems[size_t(pick(int(stems.size())))];
            if (pick(3)) name += std::string(size_t(pick(3)), '0') + std::to_string(pick(20));  // ties: "01" vs "1"
            if (pick(4) == 0) name += stems[size_t(pick(int(stems.size())))] + std::to_string(pick(5));
            if (name.empty()) name = "7";
            names.push_back(name + (pick(2) ? ".jpg" : ".JPG"));
            times.push_back(uint64_t(pick(6)));  // many equal times
        }
        FileCatalogue fast = Make(names, times);
        std::shuffle(fast.Order.begin(), fast.Order.end(), rng);
        fast.CurrentIndex = pick(n);
        for (SortOrder order : {kSortNatural, kSortCode, kSortTime, kSortNatural, kSortTime}) {
            FileCatalogue slow = fast;
            SortCatalogue(fast, order, kCompare);
            ExchangeSortReference(slow, order, kCompare);
            ASSERT_EQ(fast.Order, slow.Order) << "order " << order;
            ASSERT_EQ(fast.CurrentIndex, slow.CurrentIndex);
        }
    }
}

TEST(Navigation, ClampsAndNotCatalogued) {
    FileCatalogue cat = Make({"a.jpg", "b.jpg", "c.jpg"});
    cat.CurrentIndex = 1;
    EXPECT_EQ(NavigationTarget(cat, -99999), 0);
    EXPECT_EQ(NavigationTarget(cat, -1), 0);
    EXPECT_EQ(NavigationTarget(cat, 0), 1);
    EXPECT_EQ(NavigationTarget(cat, 1), 2);
    EXPECT_EQ(NavigationTarget(cat, 999999), 2);
    cat.CurrentIndex = kNotCatalogued;
    EXPECT_EQ(NavigationTarget(cat, 0), kNotCatalogued) << "a reload of an uncatalogued file goes by path";
    EXPECT_EQ(NavigationTarget(cat, 1), 0);
    EXPECT_EQ(NavigationTarget(cat, -1), 0);
    EXPECT_EQ(NavigationTarget(FileCatalogue{}, 1), kNotCatalogued);
    // Keys pressed while a picture is still decoding step on from the entry stepped to.
    EXPECT_EQ(NavigationTarget(cat, 1, 1), 2);
    EXPECT_EQ(NavigationTarget(cat, PositionOfName(cat, "c.jpg"), 1), 2);
    EXPECT_EQ(PositionOfName(cat, "d.jpg"), kNotCatalogued);

    cat.CurrentIndex = 2;
    RemovePosition(cat, 2);  // the last entry goes: the current one moves back
    EXPECT_EQ(cat.CurrentIndex, 1);
    EXPECT_EQ(cat.NameAt(1), "b.jpg");
    RemovePosition(cat, 0);
    EXPECT_EQ(cat.CurrentIndex, 0);
    EXPECT_EQ(cat.NameAt(0), "b.jpg");
    RemovePosition(cat, 5);  // out of range: nothing happens
    EXPECT_EQ(cat.Count(), 1);
    RemovePosition(cat, 0);
    EXPECT_EQ(cat.Count(), 0);
    EXPECT_EQ(cat.CurrentIndex, kNotCatalogued);
}
