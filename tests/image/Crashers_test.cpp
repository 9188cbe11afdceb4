// Inputs that once broke a parser stay in crashers/ and must pass through it quietly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ImageFormatFuzz.h"

TEST(Crashers, ImageFormatReplaysQuietly) {
    const std::filesystem::path dir = std::filesystem::path(PIXARO_SOURCE_DIR) / "tests/image/crashers";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        FuzzImageFormat(bytes.data(), bytes.size());
        ++replayed;
    }
    SUCCEED() << replayed << " inputs replayed";
}
