#include "view/Overlay.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};

// Bounded by the field size: a text copied from a file may lack its terminator.
template <size_t N>
std::string_view Field(const char (&text)[N]) {
    return std::string_view(text, static_cast<size_t>(std::find(text, text + N, '\0') - text));
}

}  // namespace

std::string ShotDateRowText(const SystemTime& t) {
    // The day of the week comes from the file; a wrong one must not index past the table.
    const char* weekday = t.DayOfWeek < 7 ? kWeekdays[t.DayOfWeek] : "?";
    char text[64];
    std::snprintf(text, sizeof text, "%d/%2d/%2d(%s) %2d:%02d", int{t.Year}, int{t.Month},
                  int{t.Day}, weekday, int{t.Hour}, int{t.Minute});
    return text;
}

OverlayLayout LayoutOverlay(uint32_t infoFlags, const ExifSummary& s, int mode,
                            const OverlayArea& area, int imageHeight, int destX, int destY) {
    OverlayLayout layout;
    if (mode == kOverlaySaveMode) {
        if (!(infoFlags & kInfoBurnIntoSavedImage)) return layout;
        const int n = imageHeight / 50;
        layout.Cell = {n, 9 * n / 8, 20 * n / 8, destX, destY};
    }
    const OverlayCell& cell = layout.Cell;

    // A date text that did not parse (year 0) would show as "0/ 0/ 0(?)": leave the row out.
    const std::string date = s.ShotDateText[0] && s.ShotTime.Year != 0 ? ShotDateRowText(s.ShotTime) : std::string();
    struct RowDef { int bit; bool top; int k; std::string_view text; };
    const RowDef defs[] = {
        {16, true, 0, Field(s.XpTitle)},
        {17, true, 1, Field(s.XpSubject)},
        {18, true, 2, Field(s.XpAuthor)},
        {19, true, 3, Field(s.XpKeywords)},
        {20, true, 4, Field(s.XpComment)},
        {13, false, 10, Field(s.SoftwareText)},
        {14, false, 9, Field(s.ImageDescriptionText)},
        {15, false, 8, Field(s.RightsText)},
        {9, false, 7, Field(s.MakeText)},
        {10, false, 6, Field(s.ModelText)},
        {12, false, 5, Field(s.ExposureTimeText)},
        {11, false, 4, Field(s.GpsText)},
        {8, false, 3, date},
    };
    for (const RowDef& def : defs) {
        if (!(infoFlags & (1u << def.bit)) || def.text.empty()) continue;
        OverlayRow row;
        row.X = area.Right - cell.CellWidth * static_cast<int>(def.text.size()) + cell.OffsetX - 5;
        row.Y = def.top ? area.Top + def.k * cell.LineHeight + cell.OffsetY
                         : area.Bottom - def.k * cell.LineHeight + cell.OffsetY;
        row.Text.assign(def.text);
        layout.Rows.push_back(std::move(row));
    }
    return layout;
}
