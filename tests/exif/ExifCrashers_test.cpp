// Inputs that once broke the Exif walk stay in crashers/ and must pass through it quietly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "ExifFuzz.h"

TEST(ExifCrashers, ReplayQuietly) {
    const std::filesystem::path dir = std::filesystem::path(PIXARO_SOURCE_DIR) / "tests/exif/crashers";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        FuzzExifParser(bytes.data(), bytes.size());
        ++replayed;
    }
    SUCCEED() << replayed << " inputs replayed";
}
