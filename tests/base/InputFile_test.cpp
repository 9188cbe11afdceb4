#include "base/InputFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

// What the command-line tools refuse before reading: anything but a regular file, and a file
// over the limit; a file right at the limit is read whole.
TEST(InputFile, RefusesWhatIsNoRegularFileOrTooLarge) {
    std::string pattern = (fs::temp_directory_path() / "pixaro-input-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string file = (dir / "ten.bin").string(), fifo = (dir / "pipe").string();
    std::ofstream(file, std::ios::binary) << "0123456789";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(ReadInputFile(dir.c_str(), bytes).Result, InputResult::NotRegular);
    EXPECT_TRUE(bytes.empty()) << "nothing is kept from a refused file";
    EXPECT_EQ(ReadInputFile("/dev/zero", bytes).Result, InputResult::NotRegular);
    EXPECT_EQ(ReadInputFile(fifo.c_str(), bytes).Result, InputResult::NotRegular) << "refused, not waited for";
    const InputStatus missing = ReadInputFile((dir / "missing").c_str(), bytes);
    EXPECT_EQ(missing.Result, InputResult::CannotOpen);
    EXPECT_NE(missing.Message().find("No such file"), std::string::npos) << missing.Message();

    EXPECT_EQ(ReadInputFile(file.c_str(), bytes, 9).Result, InputResult::TooLarge);
    EXPECT_EQ(InputStatus{InputResult::TooLarge}.Message(9), "larger than the input limit of 9 bytes");
    ASSERT_TRUE(ReadInputFile(file.c_str(), bytes, 10).Ok());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
    std::ofstream(file, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(ReadInputFile(file.c_str(), bytes).Ok());
    EXPECT_TRUE(bytes.empty());

    int fd = -1;
    uint64_t size = 1;
    EXPECT_EQ(OpenInputFile(dir.c_str(), fd, size).Result, InputResult::NotRegular);
    EXPECT_EQ(fd, -1);
    fs::remove_all(dir);
}
