#include "base/SafeFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pixaro-safefile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const char* name) const { return (dir_ / name).string(); }

    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir_;
};

std::string TempOf(long pid, unsigned attempt) {
    return "~px" + std::to_string(pid) + "-" + std::to_string(attempt) + ".tmp";
}

// The id of a process that has ended and been reaped.
long EndedPid() {
    pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

TEST_F(SafeFileTest, ReplacesALongerFileExactlyAndLeavesNoTemp) {
    const std::string target = Path("out.bin");
    Put(target, std::string(300000, 'x'));

    // A small write, one past the buffer, then many small ones across buffer boundaries.
    std::string want = "head";
    for (int i = 0; i < 70000; ++i) want += char('A' + i % 26);
    for (int i = 0; i < 3000; ++i) want += "<" + std::to_string(i) + ":0123456789abcdefghijklmnopqrstu>";
    ASSERT_LT(want.size(), 300000u);

    SafeFile f(target.c_str());
    ASSERT_EQ(f.Result(), SaveResult::Saved);
    ASSERT_TRUE(f.Write(want.data(), 4));
    ASSERT_TRUE(f.Write(want.data() + 4, 70000));
    for (size_t at = 70004; at < want.size();) {
        size_t n = want.find('>', at) + 1 - at;
        ASSERT_TRUE(f.Write(want.data() + at, n));
        at += n;
    }
    ASSERT_TRUE(f.Write(nullptr, 0));
    EXPECT_EQ(f.BytesWritten(), want.size());
    EXPECT_EQ(Get(target), std::string(300000, 'x')) << "the target changes only at Commit";

    EXPECT_EQ(f.Commit(), SaveResult::Saved);
    EXPECT_EQ(Get(target), want);
    EXPECT_EQ(Names(), std::set<std::string>{"out.bin"});
    EXPECT_FALSE(f.Write("z", 1)) << "nothing after Commit";
    EXPECT_EQ(Get(target), want);
}

TEST_F(SafeFileTest, UncommittedLeavesOldFileAndOthersTempsAlone) {
    const std::string target = Path("keep.txt");
    const std::string old = std::string("old\0content\r\n", 13) + std::string(100000, 'o');
    Put(target, old);
    const std::string mine0 = TempOf(getpid(), 0), mine1 = TempOf(getpid(), 1);
    Put(Path(mine0.c_str()), "another save of ours");
    Put(Path("~px0.tmp"), "an older version's");
    {
        SafeFile f(target.c_str());
        ASSERT_TRUE(f.Ok());
        EXPECT_EQ(Names(), (std::set<std::string>{"keep.txt", "~px0.tmp", mine0, mine1}))
            << "a name already taken is skipped, never reused";
        std::string big(200000, 'n');
        EXPECT_TRUE(f.Write(big.data(), big.size()));
    }
    EXPECT_EQ(Get(target), old);
    EXPECT_EQ(Get(Path(mine0.c_str())), "another save of ours");
    EXPECT_EQ(Names(), (std::set<std::string>{"keep.txt", "~px0.tmp", mine0}));
}

TEST_F(SafeFileTest, NextWriteRemovesOnlyEndedWritersTemps) {
    const long dead = EndedPid();
    ASSERT_EQ(kill(static_cast<pid_t>(dead), 0), -1) << "the ended child's id was taken again";
    const std::string d = std::to_string(dead);
    Put(Path(TempOf(dead, 0).c_str()), "killed mid-write");
    Put(Path(TempOf(dead, 42).c_str()), "killed mid-write");
    const std::set<std::string> kept = {
        TempOf(getppid(), 0), TempOf(1, 3),    // running processes
        "~px5.tmp",                            // older versions' names carry no id
        "~pxr00c0ffee_1.tmp",                  // the rename journal's
        "~px" + d + "-0.tmp.bak", "~PX" + d + "-0.TMP", "~px" + d + "_0.tmp", "~px" + d + "-.tmp",
        "~px-" + d + "-0.tmp", "~px0" + d + "-0.tmp", "~px" + d + "-00.tmp", "x~px" + d + "-0.tmp",
        "~px" + d + "-0x.tmp", "~px0-0.tmp", "~px4294967296-0.tmp", "~px" + d + "-0.tmp ",
        "sub", TempOf(dead, 1),                // a folder of that name, not a file
    };
    for (const std::string& name : kept)
        if (name != "sub" && name != TempOf(dead, 1)) Put(Path(name.c_str()), "keep");
    fs::create_directory(dir_ / "sub");
    Put(Path(("sub/" + TempOf(dead, 0)).c_str()), "not this folder");
    fs::create_directory(dir_ / TempOf(dead, 1));
    Put(Path((TempOf(dead, 1) + "/x").c_str()), "inside");

    ASSERT_EQ(SaveBytes(Path("a.txt").c_str(), "new", 3), SaveResult::Saved);
    std::set<std::string> want = kept;
    want.insert("a.txt");
    EXPECT_EQ(Names(), want);
    EXPECT_EQ(Get(Path("a.txt")), "new");
    EXPECT_EQ(Get(Path(TempOf(getppid(), 0).c_str())), "keep");
    EXPECT_EQ(Get(Path(("sub/" + TempOf(dead, 0)).c_str())), "not this folder");
    EXPECT_EQ(Get(Path((TempOf(dead, 1) + "/x").c_str())), "inside");
}

TEST_F(SafeFileTest, WritesIntoAFolderThatCannotBeListed) {
    // Write and search permission only. Root reads any folder, so a child gives up root.
    const std::string stale = TempOf(EndedPid(), 0);
    const fs::path locked = dir_ / "locked";
    fs::create_directory(locked);
    Put((locked / stale).string(), "stale");
    const std::string target = (locked / "a.txt").string();
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chmod(dir_.c_str(), 0711), 0);
        ASSERT_EQ(chown(locked.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(locked.c_str(), 0300), 0);
    int code = 0;
    if (root) {
        pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
            _exit(SaveBytes(target.c_str(), "new", 3) == SaveResult::Saved ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 3;
    } else {
        code = SaveBytes(target.c_str(), "new", 3) == SaveResult::Saved ? 0 : 1;
    }
    chmod(locked.c_str(), 0700);
    if (code == 2) GTEST_SKIP() << "cannot give up root here";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Get(target), "new");
    EXPECT_EQ(Get((locked / stale).string()), "stale") << "the folder was listed after all";
}

TEST_F(SafeFileTest, FailuresLeaveTheFolderAsItWas) {
    {
        SafeFile f(Path("missing/a.txt").c_str());
        EXPECT_EQ(f.Result(), SaveResult::CannotCreate);
        EXPECT_FALSE(f.Write("a", 1));
        EXPECT_EQ(f.Commit(), SaveResult::CannotCreate);
    }
    EXPECT_EQ(SafeFile("").Result(), SaveResult::NoName);
    EXPECT_EQ(SafeFile(Path(std::string(300, 'n').c_str()).c_str()).Result(), SaveResult::NoName);

    // rename() replaces even a read-only file here; a folder in the way cannot be replaced.
    const std::string target = Path("busy");
    fs::create_directory(target);
    Put(target + "/inside.txt", "inside");
    {
        SafeFile f(target.c_str());
        ASSERT_TRUE(f.Ok());
        EXPECT_TRUE(f.Write("new", 3));
        EXPECT_EQ(f.Commit(), SaveResult::CannotReplace);
        EXPECT_EQ(f.Result(), SaveResult::CannotReplace);
        EXPECT_FALSE(f.Write("more", 4)) << "a failure sticks";
    }
    EXPECT_EQ(Get(target + "/inside.txt"), "inside");
    EXPECT_EQ(Names(), std::set<std::string>{"busy"});
    for (SaveResult r : {SaveResult::NoName, SaveResult::CannotCreate, SaveResult::WriteFailed,
                         SaveResult::CannotReplace})
        EXPECT_NE(std::string(SaveResultText(r)), SaveResultText(SaveResult::Saved));
}

// The disk fills half-way through: a file size limit (ulimit -f) makes the kernel refuse the
// rest. In a child with the signal's default action, which would kill it with the temporary
// file left behind: the file layer must turn it into an ordinary failure.
TEST_F(SafeFileTest, FileSizeLimitFailsTheWriteAndKeepsTheOldFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string old = Path("old.png");
    Put(old, "old bytes");
    const auto overLimit = [&old] {
        signal(SIGXFSZ, SIG_DFL);
        rlimit small;
        getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 100000;
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(3);
        const std::string big(300000, 'x');
        SafeFile f(old.c_str());
        f.Write(big.data(), big.size());
        const SaveResult r = f.Ok() ? f.Commit() : f.Result();
        _exit(r == SaveResult::WriteFailed ? 0 : 1);
    };
    EXPECT_EXIT(overLimit(), testing::ExitedWithCode(0), "");
    EXPECT_EQ(Get(old), "old bytes");
    EXPECT_EQ(Names(), std::set<std::string>{"old.png"});
}

// On POSIX a UTF-8 folder name ending in a byte that code page 932 takes for a lead byte
// ("あ" is E3 81 82) still ends at its '/': the temporary file goes into it, not its parent,
// so the replace stays inside one folder (one mount).
TEST_F(SafeFileTest, TempFileInsideAUtf8Folder) {
    if (kNativePathRule != PathRule::Posix) GTEST_SKIP();
    const std::string folder = Path("\xE3\x81\x82");
    fs::create_directory(folder);
    const std::string target = folder + "/z.jpg";
    Put(target, "old");
    {
        SafeFile f(target.c_str());
        ASSERT_TRUE(f.Ok());
        EXPECT_TRUE(fs::exists(folder + "/" + TempOf(getpid(), 0)));
        EXPECT_TRUE(f.Write("new", 3));
        EXPECT_EQ(f.Commit(), SaveResult::Saved);
    }
    EXPECT_EQ(Get(target), "new");
    EXPECT_EQ(Names(), std::set<std::string>{"\xE3\x81\x82"}) << "nothing stray in the parent";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(SafeFileName, TempBesideTargetOnCharacterBoundaries) {
    // "表" is 0x95 0x5C: its trail byte is no separator.
    const std::string hyo = "\x95\x5C";
    // UTF-8 "あ" ends in 0x82, a lead byte in code page 932.
    const std::string a = "\xE3\x81\x82";
    struct Row {
        const char* name;
        PathRule rule;
        std::string path;
        uint32_t process;
        unsigned attempt;
        std::string want;
    };
    const Row rows[] = {
        {"folder ends in 0x5C trail", PathRule::Cp932, "a\\" + hyo + "\\b.txt", 12, 0, "a\\" + hyo + "\\~px12-0.tmp"},
        {"name ends in 0x5C trail", PathRule::Cp932, "C:\\d\\" + hyo, 7, 7, "C:\\d\\~px7-7.tmp"},
        {"only a name with 0x5C trail", PathRule::Cp932, hyo + ".txt", 1, 42, "~px1-42.tmp"},
        {"slash", PathRule::Cp932, "x/y/z.png", 4294967295u, 99, "x/y/~px4294967295-99.tmp"},
        {"drive without folder", PathRule::Cp932, "D:z.png", 300, 1, "D:~px300-1.tmp"},
        {"utf-8 folder", PathRule::Posix, "/m/" + a + "/z.jpg", 5, 0, "/m/" + a + "/~px5-0.tmp"},
        {"backslash and colon are name bytes", PathRule::Posix, "d/C:x\\y", 5, 3, "d/~px5-3.tmp"},
        {"posix name only", PathRule::Posix, "D:z.png", 5, 1, "~px5-1.tmp"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        char out[64];
        ASSERT_TRUE(TempNameBeside(r.path.c_str(), r.process, r.attempt, out, sizeof out, r.rule));
        EXPECT_EQ(std::string(out), r.want);
        uint32_t process = 0;
        EXPECT_TRUE(IsTempName(out + r.want.rfind('~'), &process));
        EXPECT_EQ(process, r.process);
        ASSERT_TRUE(TempNameBeside(r.path.c_str(), r.process, r.attempt, out, r.want.size() + 1, r.rule)) << "exact fit";
        EXPECT_FALSE(TempNameBeside(r.path.c_str(), r.process, r.attempt, out, r.want.size(), r.rule)) << "one byte short";
        EXPECT_EQ(out[0], 0) << "a refused name leaves an empty string";
    }
}

} // namespace
