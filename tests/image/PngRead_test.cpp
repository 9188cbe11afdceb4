// Our PNG reader against ImageMagick's decodes of files of every colour type, depth and
// interlacing (tests/image/fixtures/png, made by make.sh there), and damaged files refused.
#include "image/PngRead.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(PIXARO_SOURCE_DIR) / "tests/image/fixtures/png";

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v);
}

// The chunk at `offset` given a correct CRC again after an edit.
void FixCrc(Bytes& file, size_t offset) {
    const uint32_t length = uint32_t(file[offset]) << 24 | file[offset + 1] << 16 | file[offset + 2] << 8 | file[offset + 3];
    Put32(&file[offset + 8 + length], uint32_t(crc32(0, &file[offset + 4], length + 4)));
}

// Offset of the first chunk of `type`, or 0.
size_t FindChunk(const Bytes& file, const char* type) {
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = uint32_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (std::string(reinterpret_cast<const char*>(&file[at + 4]), 4) == type) return at;
        at += 12 + size_t(length);
    }
    return 0;
}

PngStatus Read(const Bytes& file, PngPicture& picture) { return ReadPng(file.data(), file.size(), picture); }

TEST(PngRead, MatchesImageMagickOnEveryLayout) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kFixtures)) {
        if (entry.path().extension() != ".png") continue;
        ++files;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const Bytes png = ReadAll(entry.path());
        Bytes expected = ReadAll(fs::path(entry.path()).replace_extension(".rgb"));
        PngPicture picture;
        ASSERT_EQ(Read(png, picture), PngStatus::Ok);
        const PngLayout& l = picture.Layout;
        ASSERT_EQ(size_t(l.Width) * size_t(l.Height) * 3, expected.size());
        int wrong = 0;
        for (int y = 0; y < l.Height; ++y)
            for (int x = 0; x < l.Width; ++x) {
                const uint8_t* e = &expected[(size_t(y) * size_t(l.Width) + size_t(x)) * 3];
                const uint32_t want = uint32_t(e[0]) << 16 | uint32_t(e[1]) << 8 | e[2];
                const uint32_t got = picture.ColourAt(x, y);
                if (got != want && wrong++ < 3) ADD_FAILURE() << x << "," << y << " " << std::hex << got << " != " << want;
            }
        EXPECT_EQ(wrong, 0);
        // Two-grey pictures at one bit stay bilevel for the host's 1-bit path; nothing else does.
        const bool bilevel = name.rfind("grey1-", 0) == 0 || name.rfind("palette1-greys", 0) == 0;
        EXPECT_EQ(l.BitCount, bilevel ? 1 : 24);
        if (name.find("chunks") != std::string::npos) {
            EXPECT_NEAR(l.Dpi, 300, 0.5);
        }
    }
    EXPECT_GE(files, 30);
}

TEST(PngRead, RefusesDamagedFiles) {
    const Bytes good = ReadAll(kFixtures / "rgb8-13x7.png");
    PngPicture picture;
    ASSERT_EQ(Read(good, picture), PngStatus::Ok);
    const size_t ihdr = 8, idat = FindChunk(good, "IDAT");
    ASSERT_NE(idat, 0u);

    Bytes wrongSignature = good;
    wrongSignature[1] = 'J';
    EXPECT_EQ(Read(wrongSignature, picture), PngStatus::NotPng);
    EXPECT_EQ(Read(Bytes(good.begin(), good.begin() + 5), picture), PngStatus::NotPng);

    for (size_t at : {ihdr + 10, idat + 12, idat + 8 + 5}) {
        Bytes badCrc = good;
        badCrc[at] ^= 0x10;
        EXPECT_EQ(Read(badCrc, picture), PngStatus::BadChecksum) << at;
    }

    // Every cut before the picture's last compressed byte is refused, none crashes.
    const uint32_t idatLength = uint32_t(good[idat + 2]) << 8 | good[idat + 3];
    for (size_t cut = 8; cut < idat + 12 + idatLength; ++cut) {
        const PngStatus s = Read(Bytes(good.begin(), good.begin() + long(cut)), picture);
        EXPECT_TRUE(s == PngStatus::Truncated || s == PngStatus::Broken) << cut;
    }

    Bytes huge = good;
    Put32(&huge[ihdr + 8], 40000);
    FixCrc(huge, ihdr);
    EXPECT_EQ(Read(huge, picture), PngStatus::TooLarge);
    Put32(&huge[ihdr + 8], 30000);
    Put32(&huge[ihdr + 12], 30000);  // each side fits, the rows do not
    FixCrc(huge, ihdr);
    EXPECT_EQ(Read(huge, picture), PngStatus::TooLarge);
    EXPECT_TRUE(picture.Bits.empty() || picture.Layout.Width != 30000);
    // At one bit the same sides fit: a bilevel scan is refused only when it cannot be held.
    struct NoRows : PngPicture {
        PngLayout seen;
        bool Begin(const PngLayout& l) override {
            seen = l;
            return false;
        }
    } noRows;
    Bytes bilevel = ReadAll(kFixtures / "grey1-13x7.png");
    Put32(&bilevel[ihdr + 8], 30000);
    Put32(&bilevel[ihdr + 12], 30000);
    FixCrc(bilevel, ihdr);
    EXPECT_EQ(ReadPng(bilevel.data(), bilevel.size(), noRows), PngStatus::NoMemory);
    EXPECT_EQ(noRows.seen.BitCount, 1);
    EXPECT_EQ(noRows.seen.Height, 30000);
    Bytes colourPair = ReadAll(kFixtures / "palette1-13x7.png");
    Put32(&colourPair[ihdr + 8], 30000);
    Put32(&colourPair[ihdr + 12], 30000);
    FixCrc(colourPair, ihdr);
    EXPECT_EQ(Read(colourPair, picture), PngStatus::TooLarge);  // two colours need 24 bits

    // Each edit keeps the chunk's CRC right, so only the reader's own checks can refuse it.
    const auto broken = [&](size_t chunk, size_t at, const Bytes& bytes) {
        Bytes edited = good;
        std::copy(bytes.begin(), bytes.end(), edited.begin() + long(chunk + at));
        FixCrc(edited, chunk);
        return Read(edited, picture) == PngStatus::Broken;
    };
    EXPECT_TRUE(broken(ihdr, 8, {0, 0, 0, 0}));   // no columns
    EXPECT_TRUE(broken(ihdr, 12, {0, 0, 0, 0}));  // no rows
    EXPECT_TRUE(broken(ihdr, 16, {3}));           // a depth PNG has not
    // No IDAT: the chunk renamed to one nobody knows (ancillary), so IEND comes first.
    EXPECT_TRUE(broken(idat, 4, {'i', 'D', 'A', 'x'}));
    // An unknown critical chunk before the pixels changes their meaning.
    EXPECT_TRUE(broken(idat, 4, {'Q', 'D', 'A', 'x'}));
    // Pixels that inflate to garbage: a broken zlib header.
    EXPECT_TRUE(broken(idat, 8, {0}));

    // What follows the pixels is not read at all, even garbage.
    Bytes tail(good.begin(), good.begin() + long(idat + 12 + idatLength));
    tail.insert(tail.end(), 40, 0xEE);
    EXPECT_EQ(Read(tail, picture), PngStatus::Ok);
}

}  // namespace
