#include "view/Overlay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t Bit(int n) { return 1u << n; }

ExifSummary Sample() {
    ExifSummary s{};
    std::strcpy(s.XpTitle, "Title");
    std::strcpy(s.MakeText, "Maker");
    std::strcpy(s.SoftwareText, "Ver1.0");
    std::strcpy(s.ShotDateText, "2021:03:04 05:06:07");
    s.ShotTime = {2021, 3, 4, 4, 5, 6, 7, 0};
    return s;
}

struct Want { int x, y; std::string text; };

TEST(Overlay, RowsForFlagCombinations) {
    const std::string thursday = "2021/ 3/ 4(木)  5:06";   // 20 bytes
    const OverlayArea window{0, 28, 800, 580};
    const OverlayArea saved{0, 0, 1200, 1000};
    struct Row {
        const char* name; uint32_t flags; int mode; OverlayArea area; std::vector<Want> want;
    };
    const Row rows[] = {
        {"nothing enabled", 0, kOverlayWindowMode, window, {}},
        {"top and bottom rows", Bit(16) | Bit(9), kOverlayWindowMode, window,
         {{750, 28, "Title"}, {750, 440, "Maker"}}},
        {"empty texts draw nothing", Bit(17) | Bit(20) | Bit(11), kOverlayWindowMode, window, {}},
        {"shooting date", Bit(8), kOverlayWindowMode, window, {{615, 520, thursday}}},
        {"saving without bit 31", Bit(13) | Bit(16), kOverlaySaveMode, saved, {}},
        {"saving scales the cell and offsets", Bit(31) | Bit(13), kOverlaySaveMode, saved,
         {{1068, 507, "Ver1.0"}}},
    };
    const ExifSummary summary = Sample();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OverlayLayout got = LayoutOverlay(row.flags, summary, row.mode, row.area, 1000, 5, 7);
        ASSERT_EQ(got.Rows.size(), row.want.size());
        for (size_t i = 0; i < row.want.size(); ++i) {
            EXPECT_EQ(got.Rows[i].X, row.want[i].x);
            EXPECT_EQ(got.Rows[i].Y, row.want[i].y);
            EXPECT_EQ(got.Rows[i].Text, row.want[i].text);
        }
    }
    const OverlayCell cell =
        LayoutOverlay(Bit(31), summary, kOverlaySaveMode, saved, 1000, 5, 7).Cell;
    EXPECT_EQ(cell.N, 20);
    EXPECT_EQ(cell.CellWidth, 22);
    EXPECT_EQ(cell.LineHeight, 50);
}

TEST(Overlay, DateRowNeedsTextAndBoundsWeekday) {
    struct Row { const char* name; const char* dateText; uint16_t dayOfWeek; size_t rows; std::string want; };
    const Row rows[] = {
        {"sunday", "x", 0, 1, "2021/ 3/ 4(日)  5:06"},
        {"saturday", "x", 6, 1, "2021/ 3/ 4(土)  5:06"},
        {"day 7 from a bad file", "x", 7, 1, "2021/ 3/ 4(?)  5:06"},
        {"day 0xFFFF", "x", 0xFFFF, 1, "2021/ 3/ 4(?)  5:06"},
        {"no shooting date text", "", 2, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExifSummary s = Sample();
        std::strcpy(s.ShotDateText, row.dateText);
        s.ShotTime.DayOfWeek = row.dayOfWeek;
        const OverlayLayout got = LayoutOverlay(Bit(8), s, kOverlayWindowMode, {0, 0, 800, 600}, 0, 0, 0);
        ASSERT_EQ(got.Rows.size(), row.rows);
        if (row.rows) {
            EXPECT_EQ(got.Rows[0].Text, row.want);
        }
    }
}

TEST(Overlay, UnterminatedTextStopsAtItsField) {
    ExifSummary s = Sample();
    std::memset(s.MakeText, 'A', sizeof s.MakeText);
    const OverlayLayout got = LayoutOverlay(Bit(9), s, kOverlayWindowMode, {0, 0, 1000, 600}, 0, 0, 0);
    ASSERT_EQ(got.Rows.size(), 1u);
    EXPECT_EQ(got.Rows[0].Text, std::string(100, 'A'));
    EXPECT_EQ(got.Rows[0].X, 1000 - 9 * 100 - 5);
}

}  // namespace
