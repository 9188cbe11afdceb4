#include <gtest/gtest.h>

#include "base/ByteReader.h"

TEST(ByteReader, ReadsBothOrdersAndFailsForGood) {
    const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    ByteReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.U16LE(), 0x3412);
    EXPECT_EQ(r.U16BE(), 0x5678);
    EXPECT_EQ(r.U32BE(), 0u);  // one byte left
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.U8(), 0);  // still failed, although a byte is left
    EXPECT_EQ(ByteReader(bytes, 4).U32(false), 0x78563412u);
    EXPECT_EQ(ByteReader(bytes, 4).U32(true), 0x12345678u);
}

TEST(ByteReader, BoundsWithoutOverflow) {
    const uint8_t bytes[16] = {};
    const ByteReader r(bytes, sizeof bytes);
    struct Row {
        const char* name;
        uint64_t offset, count, unit;
        bool fits;
    };
    const Row rows[] = {
        {"all", 0, 16, 1, true},
        {"one past", 0, 17, 1, false},
        {"empty at the end", 16, 0, 1, true},
        {"offset past the end", 17, 0, 1, false},
        {"count times unit wraps 32 bits", 8, 0x20000001, 8, false},
        {"count times unit wraps 64 bits", 0, 0x2000000000000001ull, 8, false},
        {"huge offset", ~uint64_t(0), 1, 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(r.Fits(row.offset, row.count, row.unit), row.fits);
    }
    ByteReader at = r.At(15);
    EXPECT_EQ(at.U8(), 0);
    EXPECT_TRUE(at.Ok());
    EXPECT_FALSE(r.At(17).Ok());
    ByteReader sub = r.Sub(4, 8);
    EXPECT_EQ(sub.Size(), 8u);
    EXPECT_EQ(sub.Bytes(9), nullptr);
    EXPECT_FALSE(r.Sub(10, 7).Ok());
    EXPECT_EQ(r.Sub(12).Size(), 4u);
}
