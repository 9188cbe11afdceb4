#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ExifBuilder.h"
#include "base/Utf8Text.h"
#include "exif/ExifParser.h"

using namespace exiftest;

namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(ExifText, EachFieldIsReadAsUtf8OrShiftJis) {
    std::string longUtf8, longSjis;
    for (int i = 0; i < 40; ++i) longUtf8 += U8(u8"表"), longSjis += "表";
    struct Case {
        const char* name;
        Ent entry;
        int field;  // 0 Make, 1 Model, 2 Software, 3 ImageDescription, 4 Copyright
        std::string wantSjis, wantUtf8, wantLine;
    };
    const Case cases[] = {
        {"UTF-8 Software", Ascii(0x0131, U8(u8"表ソフト 1.0")), 2, "表ソフト 1.0", U8(u8"表ソフト 1.0"),
         "Software Ver. = 表ソフト 1.0 \n"},
        {"Shift-JIS Software", Ascii(0x0131, "表ソフト 1.0"), 2, "表ソフト 1.0", "", "Software Ver. = 表ソフト 1.0 \n"},
        {"type 129 Make", Bytes(0x010F, U8(u8"カメラ社") + '\0', 129), 0, "カメラ社", U8(u8"カメラ社"), "カメラ社"},
        {"outside code page 932", Ascii(0x0110, U8(u8"PX \U0001F600 é")), 1, "PX ? e", U8(u8"PX \U0001F600 é"),
         "Model  = PX ? e \n"},
        {"plain ASCII", Ascii(0x010E, "Harbour"), 3, "Harbour", "", "ImageDescription = Harbour \n"},
        {"Latin-1 byte is no UTF-8", Ascii(0x8298, "\xA9 2023"), 4, "\xA9 2023", "", ""},
        {"cut on a character", Ascii(0x010F, longUtf8), 0, longSjis, longUtf8.substr(0, 99), ""},
    };
    for (bool big : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (big ? " MM" : " II"));
            const std::vector<uint8_t> file = Jpeg(Tiff(big).Build({{{c.entry}}}));
            auto report = std::make_unique<InfoReport>();
            ExifSummary s;
            ResetExifSummary(s);
            ParseJpegMarkers(file.data(), file.size(), s, *report);
            const char* sjis[] = {s.MakeText, s.ModelText, s.SoftwareText, s.ImageDescriptionText, s.RightsText};
            const char* utf8[] = {s.MakeUtf8, s.ModelUtf8, s.SoftwareUtf8, s.ImageDescriptionUtf8, s.RightsUtf8};
            EXPECT_EQ(std::string(sjis[c.field]), c.wantSjis);
            EXPECT_EQ(std::string(utf8[c.field]), c.wantUtf8);
            EXPECT_NE(std::string(report->View()).find(c.wantLine), std::string::npos) << report->View();
        }
    }
    // A type-129 value of a tag that is not a text field is not taken for one.
    const std::vector<uint8_t> date = Jpeg(Tiff(false).Build({{{Bytes(0x0132, "2024:01:01 00:00:00", 129)}}}));
    auto report = std::make_unique<InfoReport>();
    ExifSummary s;
    ResetExifSummary(s);
    ParseJpegMarkers(date.data(), date.size(), s, *report);
    EXPECT_EQ(std::string(report->View()).find("2024:01:01"), std::string::npos);

    EXPECT_FALSE(IsUtf8Text("ascii only"));
    EXPECT_FALSE(IsUtf8Text("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(IsUtf8Text("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsUtf8Text("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsUtf8Text("\xE8\xA1"));          // cut short
    EXPECT_TRUE(IsUtf8Text(U8(u8"表")));
}

}  // namespace
