#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "exif/GpsFormat.h"

namespace {

struct Coordinate {
    Rational32 parts[3];
};

Coordinate C(uint32_t dn, uint32_t dd, uint32_t mn, uint32_t md, uint32_t sn, uint32_t sd) {
    return {{{dn, dd}, {mn, md}, {sn, sd}}};
}

const std::string kBase = std::string("https://") + kMapServiceHost + "/maps?q=";

}  // namespace

// The ten formats, chosen per coordinate by its own denominators, in all four hemispheres.
TEST(GpsFormat, PositionRows) {
    struct Row {
        const char* name;
        const char *latRef, *lonRef;
        Coordinate lat, lon;
        const char* text;
        const char* link;  // after the base; "" = no link
    };
    const Row rows[] = {
        {"1 decimal degrees", "N", "E", C(3565824, 100000, 0, 1, 0, 1), C(13974469, 100000, 0, 1, 0, 1),
         "N 35.65824度  E 139.74469度", "+35.65824%C2%B0,+139.74469%C2%B0"},
        {"2 minutes /100", "N", "W", C(35, 1, 3946, 100, 0, 1), C(139, 1, 4456, 100, 0, 1),
         "N 35度39.46分  W 139度44.56分", "+35%C2%B0+39.46%27,-139%C2%B0+44.56%27"},
        {"3 minutes /1000", "S", "E", C(35, 1, 39461, 1000, 0, 1), C(139, 1, 44562, 1000, 0, 1),
         "S 35度39.461分  E 139度44.562分", "-35%C2%B0+39.461%27,+139%C2%B0+44.562%27"},
        {"4 minutes /10000, zero-padded", "S", "W", C(35, 1, 123, 10000, 0, 1), C(139, 1, 5, 10000, 0, 1),
         "S 35度0.0123分  W 139度0.0005分", "-35%C2%B0+0.0123%27,-139%C2%B0+0.0005%27"},
        {"5 whole seconds", "N", "E", C(35, 1, 39, 1, 29, 1), C(139, 1, 4, 1, 0, 1), "N 35度39分29秒  E 139度04分00秒",
         "+35%C2%B0+39%27+29%22,+139%C2%B0+4%27+0%22"},
        {"6 seconds /10", "N", "E", C(35, 1, 39, 1, 297, 10), C(139, 1, 44, 1, 409, 10),
         "N 35度39分29.7秒  E 139度44分40.9秒", "+35%C2%B0+39%27+29.7%22,+139%C2%B0+44%27+40.9%22"},
        {"7 seconds /100", "N", "E", C(35, 1, 39, 1, 2967, 100), C(139, 1, 44, 1, 4089, 100),
         "N 35度39分29.67秒  E 139度44分40.89秒", "+35%C2%B0+39%27+29.67%22,+139%C2%B0+44%27+40.89%22"},
        {"8 seconds /1000", "S", "W", C(35, 1, 39, 1, 29671, 1000), C(139, 1, 44, 1, 40891, 1000),
         "S 35度39分29.671秒  W 139度44分40.891秒", "-35%C2%B0+39%27+29.671%22,-139%C2%B0+44%27+40.891%22"},
        {"9 seconds /10000, zero-padded", "N", "W", C(35, 1, 39, 1, 123, 10000), C(139, 1, 44, 1, 408912, 10000),
         "N 35度39分00.0123秒  W 139度44分40.8912秒", "+35%C2%B0+39%27+0.0123%22,-139%C2%B0+44%27+40.8912%22"},
        {"10 other denominators as decimal degrees", "S", "E", C(355, 10, 0, 1, 0, 1), C(1397, 10, 30, 1, 0, 0),
         "[S] 355/10 0/1 0/1  [E] 1397/10 30/1 0/0", "-35.500000%C2%B0,+140.200000%C2%B0"},
        {"longitude in its own row", "N", "E", C(35, 1, 39, 1, 2967, 100), C(139, 1, 4456, 100, 0, 1),
         "N 35度39分29.67秒  E 139度44.56分", "+35%C2%B0+39%27+29.67%22,+139%C2%B0+44.56%27"},
        {"longitude seconds over 0", "N", "E", C(35, 1, 39, 1, 2967, 100), C(139, 1, 44, 1, 4089, 0),
         "N 35度39分29.67秒  [E] 139/1 44/1 4089/0", ""},
        {"minutes past 60 linked as degrees", "N", "E", C(35, 1, 75, 1, 0, 1), C(139, 1, 0, 1, 0, 1),
         "N 35度75分00秒  E 139度00分00秒", "+36.250000%C2%B0,+139%C2%B0+0%27+0%22"},
        {"no hemisphere", "", "E", C(35, 1, 39, 1, 0, 1), C(139, 1, 0, 1, 0, 1), " 35度39分00秒  E 139度00分00秒", ""},
        {"latitude beyond 90", "N", "E", C(95, 1, 0, 1, 0, 1), C(139, 1, 0, 1, 0, 1), "N 95度00分00秒  E 139度00分00秒", ""},
        {"negative degrees", "S", "E", C(uint32_t(-33), 1, 51, 1, 0, 1), C(151, 1, 0, 1, 0, 1),
         "[S] -33/1 51/1 0/1  E 151度00分00秒", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char text[100] = "old", link[152] = "old";
        ASSERT_TRUE(BuildGpsPosition(row.latRef, row.lat.parts, row.lonRef, row.lon.parts, text, sizeof text, link,
                                     sizeof link));
        EXPECT_STREQ(text, row.text);
        EXPECT_EQ(link, row.link[0] ? kBase + row.link : std::string());
    }
}

TEST(GpsFormat, NoRowLeavesBothTexts) {
    Coordinate zero = C(0, 0, 0, 1, 5, 1), lon = C(139, 1, 0, 1, 0, 1);
    char text[100] = "kept", link[152] = "kept";
    EXPECT_EQ(GpsFormatRow(zero.parts), 0);
    EXPECT_FALSE(BuildGpsPosition("N", zero.parts, "E", lon.parts, text, sizeof text, link, sizeof link));
    EXPECT_STREQ(text, "kept");
    EXPECT_STREQ(link, "kept");
}

// The longest position still fits both fields.
TEST(GpsFormat, LongestValuesFit) {
    Coordinate big = C(0x7FFFFFFF, 7, 0x7FFFFFFF, 7, 0x7FFFFFFF, 7);
    Coordinate edge = C(89, 1, 59, 1, 599999, 10000);
    char text[100], link[152];
    BuildGpsPosition("N", big.parts, "W", big.parts, text, sizeof text, link, sizeof link);
    EXPECT_LT(std::strlen(text), sizeof text);
    EXPECT_STREQ(link, "");
    BuildGpsPosition("S", edge.parts, "W", C(179, 1, 59, 1, 599999, 10000).parts, text, sizeof text, link, sizeof link);
    EXPECT_EQ(std::string(link), kBase + "-89%C2%B0+59%27+59.9999%22,-179%C2%B0+59%27+59.9999%22");
}
