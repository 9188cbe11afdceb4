#include "exif/ExifStrip.h"
#include "exif/ShotTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Seg {
    uint8_t code;
    std::string payload;
    bool drop;
};

Bytes Segment(uint8_t code, const std::string& payload) {
    Bytes b = {0xFF, code, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)};
    for (char c : payload) b.push_back(uint8_t(c));
    return b;
}

const std::string kExif = std::string("Exif\0\0MM\0\x2a\0\0\0\x08\0\0\0\0\0\0", 20);
const std::string kXmp = "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>";
// SOS header, entropy-coded bytes with a stuffed 0xFF 0x00 and a restart marker, then EOI.
const Bytes kScan = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 63, 0, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xD9};

TEST(ExifStrip, DropsExifAndTheAppRangeKeepsEverythingElse) {
    struct Row {
        const char* name;
        std::vector<Seg> segs;
    };
    const Row rows[] = {
        {"APP0, Exif, DQT", {{0xE0, "JFIF", false}, {0xE1, kExif, true}, {0xDB, "q", false}}},
        {"Exif, APP2, XMP", {{0xE1, kExif, true}, {0xE2, "ICC_PROFILE", true}, {0xE1, kXmp, true}, {0xDB, "q", false}}},
        {"DQT between Exif and XMP",
         {{0xE1, kExif, true}, {0xDB, "q", false}, {0xC4, "h", false}, {0xE1, kXmp, true}, {0xC0, "f", false}}},
        {"two Exif, APP13 after the last APP1",
         {{0xE1, kExif, true}, {0xFE, "comment", false}, {0xE1, kExif + "gps", true}, {0xED, "Photoshop", false}}},
        {"XMP before Exif stays", {{0xE1, kXmp, false}, {0xE1, kExif, true}, {0xE2, "after", false}}},
        {"empty APP1 after Exif", {{0xE1, kExif, true}, {0xE1, "", true}, {0xDB, "q", false}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = {0xFF, 0xD8}, want = {0xFF, 0xD8};
        std::vector<ByteSpan> wantDropped;
        for (const Seg& s : row.segs) {
            const Bytes seg = Segment(s.code, s.payload);
            if (s.drop) wantDropped.push_back({file.size(), file.size() + seg.size()});
            else want.insert(want.end(), seg.begin(), seg.end());
            file.insert(file.end(), seg.begin(), seg.end());
        }
        file.insert(file.end(), kScan.begin(), kScan.end());
        want.insert(want.end(), kScan.begin(), kScan.end());

        std::vector<ByteSpan> dropped;
        ASSERT_EQ(PlanExifFreeCopy(file.data(), file.size(), dropped), StripRefusal::None);
        ASSERT_EQ(dropped.size(), wantDropped.size());
        for (size_t i = 0; i < dropped.size(); ++i) {
            EXPECT_EQ(dropped[i].Start, wantDropped[i].Start);
            EXPECT_EQ(dropped[i].End, wantDropped[i].End);
        }
        Bytes out;
        ASSERT_EQ(BuildExifFreeCopy(file.data(), file.size(), out), StripRefusal::None);
        EXPECT_EQ(out, want);
    }
}

TEST(ExifStrip, RefusesUnsoundStreamsAndLeavesTheOutputAlone) {
    const Bytes exif = Segment(0xE1, kExif);
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes b;
        for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
        return b;
    };
    const Bytes soi = {0xFF, 0xD8};
    Bytes pastEnd = join({soi, exif});
    pastEnd[5] += 40;  // the APP1 length now runs past the end of the file
    struct Row {
        const char* name;
        Bytes file;
        StripRefusal want;
    };
    const Row rows[] = {
        {"empty", {}, StripRefusal::NotJpeg},
        {"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A}, StripRefusal::NotJpeg},
        {"lone XMP APP1", join({soi, Segment(0xE1, kXmp), kScan}), StripRefusal::NoExif},
        {"APP1 length past the end", join({pastEnd, kScan}), StripRefusal::Damaged},
        {"APP1 cut in its length", join({soi, {0xFF, 0xE1, 0x00}}), StripRefusal::Damaged},
        {"length below 2", join({soi, {0xFF, 0xE1, 0x00, 0x01}, exif, kScan}), StripRefusal::Damaged},
        {"no scan", join({soi, exif, Segment(0xDB, "q")}), StripRefusal::Damaged},
        {"EOI before the scan", join({soi, exif, {0xFF, 0xD9}, kScan}), StripRefusal::Damaged},
        {"garbage between segments", join({soi, exif, {0x00}, kScan}), StripRefusal::Damaged},
        {"SOS header past the end", join({soi, exif, {0xFF, 0xDA, 0x00, 0x20}}), StripRefusal::Damaged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes out = {1, 2, 3};
        EXPECT_EQ(BuildExifFreeCopy(row.file.data(), row.file.size(), out), row.want);
        EXPECT_EQ(out, (Bytes{1, 2, 3}));
        EXPECT_NE(std::string(StripRefusalText(row.want)), "");
    }
    // Fill bytes before a marker go with the segment they precede.
    const Bytes filled = join({soi, {0xFF, 0xFF}, exif, {0xFF}, Segment(0xDB, "q"), kScan});
    Bytes out;
    ASSERT_EQ(BuildExifFreeCopy(filled.data(), filled.size(), out), StripRefusal::None);
    EXPECT_EQ(out, join({soi, {0xFF}, Segment(0xDB, "q"), kScan}));
}

// A zone with fixed rules, in 100 ns ticks: standard offset `std` hours, one more in summer
// between two UTC instants of each year.
constexpr int64_t kHour = 36000000000LL;

int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return int64_t(era) * 146097 + int64_t(doe) - 719468;
}
int64_t At(int y, unsigned mo, unsigned d, int h, int mi) {
    // Ticks since 1601-01-01.
    return ((DaysFromCivil(y, mo, d) - DaysFromCivil(1601, 1, 1)) * 24 + h) * kHour + mi * (kHour / 60);
}

struct Zone {
    int stdHours;
    int64_t summerStart, summerEnd;  // UTC
    UtcToLocal Fn() const {
        return [z = *this](int64_t utc, int64_t& local) {
            const bool summer = utc >= z.summerStart && utc < z.summerEnd;
            local = utc + (z.stdHours + (summer ? 1 : 0)) * kHour;
            return true;
        };
    }
};

TEST(ShotTime, UsesTheDatesRulesAndResolvesTheChangesOneWay) {
    // 2024: Berlin changes at 01:00 UTC on 31 March and 27 October; New York at 07:00 UTC on
    // 10 March and 06:00 UTC on 3 November.
    const Zone berlin{1, At(2024, 3, 31, 1, 0), At(2024, 10, 27, 1, 0)};
    const Zone newYork{-5, At(2024, 3, 10, 7, 0), At(2024, 11, 3, 6, 0)};
    struct Row {
        const char* name;
        const Zone& zone;
        int64_t local, want;
    };
    const Row rows[] = {
        {"Berlin July", berlin, At(2024, 7, 14, 12, 0), At(2024, 7, 14, 10, 0)},
        {"Berlin January", berlin, At(2024, 1, 14, 12, 0), At(2024, 1, 14, 11, 0)},
        {"Berlin skipped 02:30 read as winter time", berlin, At(2024, 3, 31, 2, 30), At(2024, 3, 31, 1, 30)},
        {"Berlin repeated 02:30 is the first", berlin, At(2024, 10, 27, 2, 30), At(2024, 10, 27, 0, 30)},
        {"Berlin 03:00 after the repeat", berlin, At(2024, 10, 27, 3, 0), At(2024, 10, 27, 2, 0)},
        {"New York July", newYork, At(2024, 7, 14, 12, 0), At(2024, 7, 14, 16, 0)},
        {"New York January", newYork, At(2024, 1, 14, 12, 0), At(2024, 1, 14, 17, 0)},
        {"New York skipped 02:30", newYork, At(2024, 3, 10, 2, 30), At(2024, 3, 10, 7, 30)},
        {"New York repeated 01:30 is the first", newYork, At(2024, 11, 3, 1, 30), At(2024, 11, 3, 5, 30)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int64_t utc = 0;
        ASSERT_TRUE(ShotTimeToUtc(row.local, row.zone.Fn(), utc));
        EXPECT_EQ(utc, row.want);
    }
    // Every other half hour of the year reads back as itself.
    const UtcToLocal fn = berlin.Fn();
    for (int64_t local = At(2024, 1, 1, 0, 0); local < At(2025, 1, 1, 0, 0); local += kHour / 2) {
        int64_t utc = 0, back = 0;
        ASSERT_TRUE(ShotTimeToUtc(local, fn, utc));
        fn(utc, back);
        if (local < At(2024, 3, 31, 2, 0) || local >= At(2024, 3, 31, 3, 0)) {
            ASSERT_EQ(back, local);
        }
    }
    int64_t utc = 0;
    EXPECT_FALSE(ShotTimeToUtc(0, fn, utc));
    EXPECT_FALSE(ShotTimeToUtc(At(2024, 1, 1, 0, 0), [](int64_t, int64_t&) { return false; }, utc));
}

}  // namespace
