#include "shell/Startup.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandLine, TakesOnePathQuotedOrWhole) {
    struct Row {
        const char* name;
        std::string line;
        int rc;
        std::string path;
    };
    const Row rows[] = {
        {"empty", "", 0, ""},
        {"quoted with space", "\"C:\\my pics\\a b.jpg\"", 1, "C:\\my pics\\a b.jpg"},
        {"quoted then more", "\"C:\\a.jpg\" /x", 1, "C:\\a.jpg"},
        {"no closing quote", "\"C:\\a b.jpg", 1, "C:\\a b.jpg"},
        {"unquoted spaces kept", "C:\\my pics\\a b.jpg", 1, "C:\\my pics\\a b.jpg"},
        {"exactly 259 bytes", std::string(259, 'a'), 1, std::string(259, 'a')},
        {"260 bytes refused", std::string(260, 'a'), -1, ""},
        {"quoted 300 bytes refused", "\"" + std::string(300, 'a') + "\"", -1, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        char out[kPathBytes];
        EXPECT_EQ(ParseCommandLine(r.line, out, sizeof out), r.rc);
        if (r.rc >= 0) {
            EXPECT_EQ(std::string(out), r.path);
        }
    }
}

TEST(PlaceWindow, ModesAndTruncatingCentre) {
    const IntRect desk{0, 0, 1281, 1025};
    struct Row {
        int mode, w, h, x, y;
    };
    const Row rows[] = {
        {0, 400, 300, 440, 362},  // (1281-400)/2 = 440.5 truncates
        {1, 400, 300, 881, 0},
        {2, 400, 300, 881, 725},
        {3, 400, 300, 881, 362},
        {0, 2000, 1500, -359, -237},  // larger than the desktop: truncation toward zero
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mode);
        IntPoint p = PlacePosition(r.mode, desk, r.w, r.h);
        EXPECT_EQ(p.X, r.x);
        EXPECT_EQ(p.Y, r.y);
    }
}

TEST(SavedPosition, OffDesktopOrUnusableGivesDefault) {
    const IntRect desk{0, 0, 1280, 1024};
    struct Row {
        const char* name;
        WindowRect saved;
        bool kept;
    };
    const Row rows[] = {
        {"inside", {10, 20, 640, 480}, true},
        {"at the right edge", {1280, 1024, 640, 480}, true},
        {"negative left", {-1, 0, 640, 480}, false},
        {"negative top", {0, -8, 640, 480}, false},
        {"beyond right", {1281, 0, 640, 480}, false},
        {"beyond bottom", {0, 1025, 640, 480}, false},
        {"zero size", {0, 0, 0, 0}, false},
        {"negative size from a corrupt value", {0, 0, -5, 400}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WindowRect got = ValidateSavedPosition(r.saved, desk);
        WindowRect want = r.kept ? r.saved : kDefaultWindowRect;
        EXPECT_EQ(got.Left, want.Left);
        EXPECT_EQ(got.Top, want.Top);
        EXPECT_EQ(got.Width, want.Width);
        EXPECT_EQ(got.Height, want.Height);
    }
}

TEST(StatusBar, PartsAndViewHeight) {
    StatusParts p = StatusPartEdges(800);
    EXPECT_EQ(p.Edge[0], 550);
    EXPECT_EQ(p.Edge[1], 650);
    EXPECT_EQ(p.Edge[2], 800);
    EXPECT_EQ(ViewHeight(600, true, true), 552);
    EXPECT_EQ(ViewHeight(600, false, true), 572);
    EXPECT_EQ(ViewHeight(600, true, false), 580);
    EXPECT_EQ(ViewHeight(600, false, false), 600);
}

TEST(UpdateCheck, DayNumberAndReply) {
    EXPECT_EQ(DayNumber(2000, 1, 1), 1);
    EXPECT_EQ(DayNumber(2026, 12, 7) - DayNumber(2026, 11, 22), 15);
    struct Row {
        const char* name;
        std::string reply;
        int64_t version;
    };
    const Row rows[] = {
        {"plain", "20260101", 20260101},
        {"with text after", "20250123 new release\r\n", 20250123},
        {"leading blank", "\r\n 20250122", 20250122},
        {"html error page", "<html>404</html>", -1},
        {"empty", "", -1},
        {"absurdly long", std::string(40, '9'), -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ParseVersionReply(r.reply.data(), r.reply.size()), r.version);
    }
}
