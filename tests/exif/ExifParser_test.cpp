#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ExifBuilder.h"
#include "exif/ExifParser.h"
#include "base/SjisText.h"

using namespace exiftest;

namespace {

struct Parsed {
    std::string report;
    ExifSummary s;
};

Parsed Parse(const std::vector<uint8_t>& file) {
    auto report = std::make_unique<InfoReport>();
    Parsed p;
    ResetExifSummary(p.s);
    EXPECT_EQ(ParseJpegMarkers(file.data(), file.size(), p.s, *report), 0);
    EXPECT_LT(report->Length(), kInfoReportBytes);
    EXPECT_EQ(report->Text()[report->Length()], '\0');
    p.report.assign(report->View());
    return p;
}

// The lines of the IFDs: after IFD0's header, up to the APP1's closing blank line (the
// test files put the quantization table right after the APP1).
std::string IfdLines(const std::string& report) {
    size_t from = report.find("IFD0 Data(");
    size_t dqt = report.find("-FF DB");
    if (from == std::string::npos || dqt == std::string::npos) return "(no IFD lines) " + report;
    from = report.find('\n', from) + 1;
    return report.substr(from, dqt - 7 - from);
}

std::vector<uint8_t> ReadFixture(const char* name) {
    std::ifstream in(std::filesystem::path(PIXARO_SOURCE_DIR) / "tests/exif/fixtures" / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

}  // namespace

// Every decoded tag, in both byte orders: the same lines and the same summary.
TEST(ExifParser, EntriesDecodeAlikeInBothByteOrders) {
    std::string kanji80 = "a";
    for (int i = 0; i < 80; ++i) kanji80 += "\x95\x5c";  // 表: its trail byte is a backslash
    struct Row {
        const char* name;
        bool gps;  // entries go in the GPS IFD instead of IFD0
        std::vector<Ent> entries;
        std::string lines;
        const char* field = nullptr;  // summary text to check, by name
        std::string fieldValue = {};
    };
    const Row rows[] = {
        {"make", false, {Ascii(0x010F, "Canon")}, "メーカー = Canon \n", "Make", "Canon"},
        {"make without NUL", false, {Ascii(0x010F, "Canon", false)}, "メーカー = Canon \n", "Make", "Canon"},
        {"make wrong type", false, {Shorts(0x010F, {7})}, "メーカーError TTYPE= 3\n", "Make", ""},
        {"model of 3 letters in the entry", false, {Ascii(0x0110, "abc")}, "Model  = abc \n", "Model", "abc"},
        {"make longer than its field", false, {Ascii(0x010F, kanji80)}, "", "Make",
         kanji80.substr(0, 99)},
        {"software", false, {Ascii(0x0131, "v1")}, "Software Ver. = v1 \n", "Software", "v1"},
        {"description", false, {Ascii(0x010E, "d")}, "ImageDescription = d \n", "Description", "d"},
        {"rights", false, {Ascii(0x8298, "(c) me")}, "著作権 = (c) me \n", "Rights", "(c) me"},
        {"rights wrong type", false, {Shorts(0x8298, {1})}, "", "Rights", ""},
        {"edit date", false, {Ascii(0x0132, "2020:01:02 03:04:05")}, "編集日時 = 2020:01:02 03:04:05 \n"},
        {"silent tags", false, {Shorts(0x0112, {1}), Rationals(0x011A, {72, 1}), Shorts(0x0128, {2})}, ""},
        {"thumbnail", false, {Shorts(0x0103, {6}), Longs(0x0201, {1234}), Longs(0x0202, {567})},
         "サムネイル圧縮形式＝JPEG\nサムネイル画像オフセット [1234]\nサムネイル画像容量 [567]\n"},
        {"uncompressed thumbnail", false, {Shorts(0x0103, {1}), Shorts(0x0103, {3})}, "サムネイル圧縮形式＝非圧縮画像\n"},
        {"white point", false, {Rationals(0x013E, {313, 1000, 329, 1000})}, "白点色度[2] = 313 / 1000  329 / 1000 \n"},
        {"primaries", false, {Rationals(0x013F, {64, 100, 33, 100})}, "原色色度[2] = 64 / 100   33 / 100  \n"},
        {"positioning", false, {Shorts(0x0213, {2})}, "色情報サンプリング原点 = 点集合原点\n"},
        {"exposure", false, {Rationals(0x829A, {1, 250})}, "シャッター速度 1 / 250 （秒）\n", "Exposure", " 1 / 250"},
        {"exposure over 0", false, {Rationals(0x829A, {1, 0})}, "シャッター速度 1 / 0 （秒）\n", "Exposure", " 1 / 0"},
        {"f-number", false, {Rationals(0x829D, {28, 10})}, "F値 2.8\n"},
        {"f-number over 0", false, {Rationals(0x829D, {28, 0})}, "F値 28/0\n"},
        {"program", false, {Shorts(0x8822, {3})}, "露光制御モード = 絞り優先\n"},
        {"program out of the table", false, {Shorts(0x8822, {9})}, "露光制御モード = \n"},
        {"iso", false, {Shorts(0x8827, {200, 400, 800})}, "ISO 感度 = 200\n"},
        {"colour space", false, {Shorts(0xA001, {1}), Shorts(0xA001, {0xFFFF}), Shorts(0xA001, {2})},
         "色空間 = sRGB \n色空間 = Uncalibrate \n"},
        {"pixel sizes", false, {Shorts(0xA002, {640}), Longs(0xA003, {480})}, "ExifImageWide  = 640\nExifImageHeight = 480\n"},
        {"xp title", false, {Xp(0x9C9B, u"港の風景")}, "Win(タイトル) = 港の風景\n", "XpTitle", "港の風景"},
        {"xp without NUL, odd count", false, {Bytes(0x9C9F, std::string("\x0b\x6e\x37\x8c\x41", 5))},
         "win(表題) = 渋谷\n", "XpSubject", "渋谷"},
        {"xp beyond code page 932", false, {Xp(0x9C9C, u"caf\u00e9 \U0001F600!")}, "Win(コメント) = cafe ?!\n"},
        {"dump byte", false, {Bytes(0xC000, "\x01\x1a\xff")}, "UnKnown(0xc000) = (Byte)[3]1 1a ff \n"},
        {"dump ascii", false, {Ascii(0xC001, "hello")}, "UnKnown(0xc001) = (Ascii)[6] hello \n"},
        {"dump short", false, {Shorts(0xC002, {1, 2, 65535})}, "UnKnown(0xc002) = (Short)[3]1 2 65535 \n"},
        {"dump long", false, {Longs(0xC003, {7}), Longs(0xC004, {1, 0xFFFFFFFF})},
         "UnKnown(0xc003) = (Long)[1]7\nUnKnown(0xc004) = (Long)[2]1 -1 \n"},
        {"dump rational", false, {Rationals(0xC005, {1, 2, 3, 4})}, "UnKnown(0xc005) = (Ratioal Long)[2] 1 / 2   3 / 4  \n"},
        {"dump signed", false, {Values(0xC006, 9, {0xFFFFFFFE}), Rationals(0xC007, {0xFFFFFFFF, 2}, 10)},
         "UnKnown(0xc006) = (signed Long)[1]-2\nUnKnown(0xc007) = (Ratioal signed Long)[1] -1 / 2  \n"},
        {"dump undefined in file order", false, {Bytes(0x9000, "0230", 7)}, "UnKnown(0x9000) =  07-0004-30323330\n"},
        {"gps position", true,
         {Bytes(0, std::string("\x02\x03\x00\x00", 4)), Ascii(1, "N"), Rationals(2, {35, 1, 39, 1, 2967, 100}),
          Ascii(3, "E"), Rationals(4, {139, 1, 44, 1, 4089, 100})},
         "GPS TAG Ver = 2.3.0.0 \nN 35度39分29.67秒  E 139度44分40.89秒\n", "Map",
         "https://www.google.com/maps?q=+35%C2%B0+39%27+29.67%22,+139%C2%B0+44%27+40.89%22"},
        {"gps longitude degrees over 0", true,
         {Ascii(1, "N"), Rationals(2, {35, 1, 39, 1, 0, 1}), Ascii(3, "E"), Rationals(4, {139, 0, 44, 1, 0, 1})},
         "\n", "Map", ""},
        {"gps longitude without latitude", true, {Ascii(3, "E"), Rationals(4, {139, 1, 44, 1, 0, 1})}, "\n", "Map", ""},
        {"gps wrong types dump", true, {Ascii(1, "North"), Shorts(2, {1, 2, 3})},
         "UnKnown(0x0001) = (Ascii)[6] North \nUnKnown(0x0002) = (Short)[3]1 2 3 \n"},
        {"gps altitude and time", true,
         {Bytes(5, std::string("\0", 1)), Bytes(5, "\x01"), Rationals(6, {40, 1}),
          Rationals(7, {1, 1, 2, 1, 3, 10})},
         "高度の単位　=　海抜単位\n高度の単位　=(1)予約\n高度=40/1 (m)\nGPS時間 1/1時 2/1分 3/10秒 \n"},
        {"gps texts", true,
         {Ascii(8, "5"), Ascii(9, "A"), Ascii(10, "3"), Rationals(11, {1, 2, 3, 4, 5, 6}), Ascii(18, "WGS-84")},
         "GPSSatellites=5\nGPS受信状態=A　(A=測位 V=中断)\nGPS測位方法=　3次元測位\n"
         "GPS　DOP値 1 / 2   3 / 4   5 / 6  \nMAPDatum=WGS-84\n"},
        {"gps tags beyond the table dump", true, {Ascii(12, "K")}, "UnKnown(0x000c) = (Ascii)[2] K \n"},
        {"gps numbers outside the gps ifd", false, {Ascii(1, "N"), Ascii(18, "x")}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Parsed both[2];
        for (int big = 0; big < 2; ++big) {
            std::vector<Ifd> ifds;
            if (row.gps) {
                ifds = {{{Pointer(0x8825, 1)}}, {row.entries}};
            } else {
                ifds = {{row.entries}};
            }
            both[big] = Parse(Jpeg(Tiff(big).Build(ifds)));
        }
        EXPECT_EQ(both[0].report, both[1].report);
        EXPECT_EQ(0, std::memcmp(&both[0].s, &both[1].s, sizeof(ExifSummary)));
        std::string lines = IfdLines(both[0].report);
        if (row.gps) lines = lines.substr(lines.find("----------------\n") + 17);
        if (!row.lines.empty() || !row.field) {
            EXPECT_EQ(lines, row.lines);
        }
        if (!row.field) continue;
        const ExifSummary& s = both[0].s;
        const std::string name = row.field;
        std::string got = name == "Make" ? Field(s.MakeText, 100)
                        : name == "Model" ? Field(s.ModelText, 100)
                        : name == "Software" ? Field(s.SoftwareText, 100)
                        : name == "Description" ? Field(s.ImageDescriptionText, 100)
                        : name == "Rights" ? Field(s.RightsText, 100)
                        : name == "Exposure" ? Field(s.ExposureTimeText, 100)
                        : name == "XpTitle" ? Field(s.XpTitle, 100)
                        : name == "XpSubject" ? Field(s.XpSubject, 108)
                        : Field(s.MapLink, 152);
        EXPECT_EQ(got, row.fieldValue);
    }
}

TEST(ExifParser, MarkerWalk) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string report;
    };
    std::vector<uint8_t> sofs = {0xFF, 0xD8};
    for (uint8_t code : {0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xC4, 0xCC, 0xD0, 0xDD, 0xF0})
        Segment(sofs, code, {0, 0});
    std::vector<uint8_t> misc = {0xFF, 0xD8};
    Segment(misc, 0xE0, {1, 2});
    Segment(misc, 0xEF, {});
    Segment(misc, 0xFE, {'h', 'i'});
    Segment(misc, 0xDB, std::vector<uint8_t>(65));
    Segment(misc, 0xE1, {'h', 't', 't', 'p'});
    Segment(misc, 0xDA, {1});
    misc.insert(misc.end(), {0xFF, 0xFE, 0, 2});
    const Row rows[] = {
        {"not a JPEG", {0x89, 'P', 'N', 'G'}, ""},
        {"empty", {}, "No Data"},
        {"start of image only", {0xFF, 0xD8}, "Jpeg 形式 \nファイルが途中で切れています\n"},
        {"end of image", {0xFF, 0xD8, 0xFF, 0xD9}, "Jpeg 形式 \n"},
        {"not a marker", {0xFF, 0xD8, 0x00, 0xFF}, "Jpeg 形式 \n"},
        {"every frame and table kind", sofs,
         "Jpeg 形式 \n000002-FF C1 SOF1 Extanded sequential DCT \n000008-FF C2 SOF2 Progressive DCT \n"
         "00000E-FF C3 SOF3 Lossless(sequential \n000014-FF C5 SOF5 Differential sequential DCT \n"
         "00001A-FF C6 SOF6 Differential Progressive DCT \n000020-FF C7 SOF7 Differential Lossless(sequential) DCT\n"
         "000026-FF C8 JPG  Reserved for JPEG extensions\n00002C-FF C9 SOF9 Extended sequential DCT\n"
         "000032-FF CA OF10 Progressive DCT\n000038-FF CB SOF11 Lossless(sequential) DCT\n"
         "00003E-FF C4 (0004)byte  data \n000044-FF CC (0004)byte  data \n00004A-FF D0 (0004)byte  data \n"
         "000050-FF DD (0004)byte  data \n000056-FF F0 (0004)byte  data \nファイルが途中で切れています\n"},
        {"applications, comment, tables, a second APP1, the scan", misc,
         "Jpeg 形式 \n000002-FF E0 (0004)byte  JPEG内APP情報 \n000008-FF EF (0002)byte  JPEG内APP情報 \n"
         "00000C-FF FE (0004)byte Comment data \n000012-FF DB Define quantization table(s) (0067)byte data \n\n"
         "00005F-FF DA Start of scan　(0003)byte data \n"},
        {"segment longer than the file", {0xFF, 0xD8, 0xFF, 0xFE, 0x10, 0x00, 'x'},
         "Jpeg 形式 \n000002-FF FE (1000)byte Comment data \nファイルが途中で切れています\n"},
        {"marker without its length", {0xFF, 0xD8, 0xFF, 0xC0, 0x00}, "Jpeg 形式 \nファイルが途中で切れています\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Parse(row.bytes).report, row.report);
    }
    // The bytes the window shows, whatever the compiler was told: 形式 in code page 932.
    EXPECT_EQ(Parse({0xFF, 0xD8}).report.substr(0, 10), "Jpeg \x8c\x60\x8e\xae ");
    ExifSummary s;
    InfoReport report;
    ParseJpegMarkers(nullptr, 0, s, report);
    EXPECT_STREQ(report.Text(), "No Data");
}

TEST(ExifParser, ExifSegmentBounds) {
    std::vector<uint8_t> file = Jpeg(Tiff(false).Build({{{Ascii(0x010F, "m")}}}), true);
    Parsed p = Parse(file);
    EXPECT_EQ(p.s.ExifSegmentStart, 20u);  // after the 18-byte APP0, not 2
    const uint32_t exifEnd = p.s.ExifSegmentEnd;
    EXPECT_EQ(file[exifEnd + 1], 0xFF);
    // A second, non-Exif APP1 (XMP) after the Exif one moves the end to its own last byte.
    std::vector<uint8_t> xmp(file.begin(), file.begin() + exifEnd + 1);
    Segment(xmp, 0xE1, {'h', 't', 't', 'p', ':', '/', '/'});
    const size_t xmpEnd = xmp.size() - 1;
    xmp.insert(xmp.end(), file.begin() + exifEnd + 1, file.end());
    Parsed q = Parse(xmp);
    EXPECT_EQ(q.s.ExifSegmentStart, 20u);
    EXPECT_EQ(q.s.ExifSegmentEnd, xmpEnd);
}

// IFD0, IFD1, Exif, interoperability, GPS whatever their order, with the limits, the loops
// and the offsets that point nowhere.
TEST(ExifParser, IfdWalk) {
    auto entries = [](int n) {
        std::vector<Ent> e;
        for (int i = 0; i < n; ++i) e.push_back(Shorts(uint16_t(0xC100 + i), {1}));
        return e;
    };
    struct Row {
        const char* name;
        std::vector<Ifd> ifds;
        std::vector<std::string> want;   // pieces that must appear, in this order
        std::vector<std::string> never;  // pieces that must not appear
    };
    const Row rows[] = {
        {"fixed order",
         {{{Pointer(0x8825, 4), Pointer(0x8769, 2), Ascii(0x010F, "ifd0")}, 1},
          {{Ascii(0x0110, "ifd1")}},
          {{Pointer(0xA005, 3), Ascii(0x0131, "exif")}},
          {{Ascii(0xC000, "interop")}},
          {{Ascii(8, "gps")}}},
         {"IFD0 Data( 3)", "ifd0", "ifd1", "Exif IFD Data( 2)", "exif", "互換性 IFD Data( 1)", "interop",
          "GPS情報 IFD Data( 1)", "GPSSatellites=gps"},
         {}},
        {"gps without exif", {{{Pointer(0x8825, 1)}}, {{Ascii(8, "gps")}}}, {"GPS情報 IFD", "gps"}, {"Exif IFD"}},
        {"ifd0 is not limited", {{entries(100)}}, {"IFD0 Data(100)", "UnKnown(0xc163)"}, {}},
        {"90 entries are read", {{{Pointer(0x8769, 1)}}, {entries(90)}}, {"Exif IFD Data(90)", "UnKnown(0xc159)"}, {}},
        {"91 entries end the walk", {{{Pointer(0x8769, 1), Pointer(0x8825, 2)}}, {entries(91)}, {{Ascii(8, "gps")}}},
         {"IFD0 Data( 2)"}, {"Exif IFD", "UnKnown(0xc100)", "GPS"}},
        {"ifd1 linking back to ifd0", {{{Ascii(0x010F, "once")}, 1}, {{Ascii(0x0110, "one")}, 0}},
         {"once", "one", "IFDオフセット不正 (0x8)"}, {}},
        {"interop pointing at itself",
         {{{Pointer(0x8769, 1)}}, {{Pointer(0xA005, 2)}}, {{Pointer(0xA005, 2), Ascii(0xC000, "i")}}},
         {"互換性 IFD Data( 2)", "(Ascii)[2] i", "IFDオフセット不正"}, {}},
        {"exif ifd outside the file", {{{Raw(0x8769, 4, 1, 0x30000), Pointer(0x8825, 1)}}, {{Ascii(8, "g")}}},
         {"IFDオフセット不正 (0x30000)", "GPS情報 IFD", "=g"}, {"Exif IFD"}},
        {"value outside the file", {{{Raw(0x010F, 2, 20, 0x7FFFFFF0), Ascii(0x0110, "m")}}},
         {"Tag(0x010f) データ位置不正 (0x7FFFFFF0)", "Model  = m"}, {"メーカー ="}},
        {"count times size past 32 bits", {{{Raw(0xC000, 5, 0x20000001, 8), Raw(0xC001, 3, 0x80000001, 8)}}},
         {"(Ratioal Long)[536870913]\n", "データ位置不正", "(Short)[-2147483647]\n"}, {}},
        {"next link past the position limit", {{{Ascii(0x010F, "m")}, -1, 0xFFFFFFF0}}, {"メーカー = m"}, {"不正"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (int big = 0; big < 2; ++big) {
            const std::string report = Parse(Jpeg(Tiff(big).Build(row.ifds))).report;
            size_t at = 0;
            for (const std::string& w : row.want) {
                size_t found = report.find(w, at);
                EXPECT_NE(found, std::string::npos) << w << " in\n" << report;
                if (found != std::string::npos) at = found;
            }
            for (const std::string& n : row.never) EXPECT_EQ(report.find(n), std::string::npos) << n;
        }
    }
}

// The marker walk reads a marker at 262,128 but not beyond; the IFD walk reads an IFD whose
// first entry is at 262,143 from the TIFF header but not beyond.
TEST(ExifParser, PositionLimitsAtAndPastTheEdge) {
    for (uint32_t marker : {0x3FFF0u, 0x3FFF1u}) {
        SCOPED_TRACE(marker);
        std::vector<uint8_t> f = {0xFF, 0xD8};
        while (f.size() < marker) {
            const size_t rest = marker - f.size();
            const size_t total = rest <= 0x10001 ? rest : std::min<size_t>(0x10001, rest - 4);
            Segment(f, 0xFE, std::vector<uint8_t>(total - 4));
        }
        ASSERT_EQ(f.size(), marker);
        Segment(f, 0xC0, {8});
        std::string report = Parse(f).report;
        EXPECT_EQ(report.find("SOF0") != std::string::npos, marker == 0x3FFF0) << report.substr(report.size() - 80);
    }
    for (uint32_t ifd : {262141u, 262142u}) {
        SCOPED_TRACE(ifd);
        std::vector<uint8_t> tiff = Tiff(false).Build({{{Raw(0x8769, 4, 1, ifd)}}});
        tiff.resize(ifd + 20, 0);
        tiff[ifd] = 1;  // one entry: an ASCII "ok" held in the entry
        const uint8_t entry[12] = {0x10, 0x01, 2, 0, 3, 0, 0, 0, 'o', 'k', 0, 0};
        std::memcpy(&tiff[ifd + 2], entry, sizeof entry);
        std::vector<uint8_t> f = {0xFF, 0xD8};
        std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), tiff.begin(), tiff.begin() + 100);
        Segment(f, 0xE1, app1);
        f.insert(f.end(), tiff.begin() + 100, tiff.end());  // the rest lies after the segment
        std::string report = Parse(f).report;
        EXPECT_EQ(report.find("Model  = ok") != std::string::npos, ifd == 262141) << report;
    }
}

// A real camera header cut at every byte: what is reported was read, and a cut says so.
TEST(ExifParser, TruncatedAtEveryByteOfARealHeader) {
    const std::vector<uint8_t> full = ReadFixture("camera.jpg");
    ASSERT_GT(full.size(), 900u);
    const Parsed whole = Parse(full);
    const size_t scan = whole.report.rfind("-FF DA") - 6;
    const size_t headerEnd = std::stoul(whole.report.substr(scan, 6), nullptr, 16) + 4;
    const std::string cut = "ファイルが途中で切れています\n";
    for (size_t n = 2; n < headerEnd; ++n) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> part(full.begin(), full.begin() + n);
        Parsed p = Parse(part);
        ASSERT_NE(p.report.find(cut), std::string::npos) << p.report;
        size_t from = 0;
        while (from < p.report.size()) {
            size_t end = p.report.find('\n', from);
            std::string line = p.report.substr(from, end - from + 1);
            from = end + 1;
            if (line == cut || line.find("不正") != std::string::npos) continue;
            EXPECT_NE(whole.report.find(line), std::string::npos) << "not in the whole file's report: " << line;
        }
        for (auto [got, want] : {std::pair{Field(p.s.MakeText, 100), Field(whole.s.MakeText, 100)},
                                 {Field(p.s.GpsText, 100), Field(whole.s.GpsText, 100)},
                                 {Field(p.s.MapLink, 152), Field(whole.s.MapLink, 152)},
                                 {Field(p.s.XpTitle, 100), Field(whole.s.XpTitle, 100)}})
            if (!got.empty()) {
                EXPECT_EQ(got, want);
            }
        EXPECT_LT(p.s.ExifSegmentEnd, n);
    }
}

TEST(ExifParser, ShotDates) {
    SystemTime kNoDate{};
    kNoDate.DayOfWeek = 7;
    struct Row {
        const char* name;
        const char* text;
        SystemTime time;
        uint64_t fileTime;
    };
    const Row rows[] = {
        {"ordinary", "2023:04:05 06:07:08", {2023, 4, 3, 5, 6, 7, 8, 0}, 133251484280000000ull},
        {"leap day", "2020:02:29 23:59:59", {2020, 2, 6, 29, 23, 59, 59, 0}, 132274943990000000ull},
        {"first day of the epoch", "1601:01:01 00:00:00", {1601, 1, 1, 1, 0, 0, 0, 0}, 0},
        {"29 February of a common year", "2023:02:29 10:00:00", kNoDate, 0},
        {"month 13", "2023:13:01 10:00:00", kNoDate, 0},
        {"month 0", "2023:00:10 10:00:00", kNoDate, 0},
        {"day 32", "2023:01:32 10:00:00", kNoDate, 0},
        {"hour 24", "2023:01:01 24:00:00", kNoDate, 0},
        {"before 1601", "1600:12:31 10:00:00", kNoDate, 0},
        {"negative", "2023:-1:01 10:00:00", kNoDate, 0},
        {"blank", "    :  :     :  :  ", kNoDate, 0},
        {"empty", "", kNoDate, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SystemTime t;
        FileTime f;
        ParseShotDate(row.text, t, f);
        EXPECT_EQ(0, std::memcmp(&t, &row.time, sizeof t));
        EXPECT_EQ((uint64_t(f.High) << 32 | f.Low), row.fileTime);
    }
}

// DateTimeDigitized stands in only for a DateTimeOriginal written as spaces.
TEST(ExifParser, DigitizedDateReplacesOnlyABlankOriginal) {
    struct Row {
        const char* name;
        std::vector<Ent> entries;
        const char* shot;
    };
    const Row rows[] = {
        {"blank original", {Ascii(0x9003, "    :  :     :  :  "), Ascii(0x9004, "2020:02:29 23:59:59")},
         "2020:02:29 23:59:59"},
        {"valid original", {Ascii(0x9003, "2021:01:01 00:00:00"), Ascii(0x9004, "2020:02:29 23:59:59")},
         "2021:01:01 00:00:00"},
        {"no original", {Ascii(0x9004, "2020:02:29 23:59:59")}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Parsed p = Parse(Jpeg(Tiff(true).Build({{{Pointer(0x8769, 1)}}, {row.entries}})));
        EXPECT_STREQ(p.s.ShotDateText, row.shot);
        EXPECT_EQ(p.s.ShotFileTime.Low != 0, row.shot[0] != 0);
    }
}

// The report holds 100,000 bytes with its NUL; the cut falls between characters and says so.
TEST(ExifParser, ReportLimit) {
    const std::string note = "(以下省略)\n";
    const size_t lines = kInfoReportBytes - 2 - note.size();  // a line break and the note stay free
    for (size_t fill : {lines - 12, lines - 11, lines - 10, lines - 3}) {
        SCOPED_TRACE(fill);
        auto report = std::make_unique<InfoReport>();
        report->Append(std::string(fill - 1, 'x') + "\n");
        std::string line;
        for (int i = 0; i < 10; ++i) line += "\x95\x5c";  // 表 x 10, 20 bytes
        line += "\n";
        report->Append(line);
        report->Append("never\n");
        const std::string text(report->View());
        EXPECT_LT(text.size(), kInfoReportBytes);
        EXPECT_EQ(report->Text()[text.size()], '\0');
        EXPECT_TRUE(report->Full());
        EXPECT_EQ(text.substr(text.size() - note.size()), note);
        const std::string kept = text.substr(fill, text.size() - note.size() - fill);
        EXPECT_EQ(kept.size() % 2, 1u) << "a half character before the line break";
        EXPECT_EQ(text.find("never"), std::string::npos);
    }
    // A whole file whose entries overflow the report.
    std::vector<Ent> big;
    for (int i = 0; i < 60; ++i) big.push_back(Bytes(uint16_t(0xC000 + i), std::string(700, '\x7f')));
    Parsed p = Parse(Jpeg(Tiff(false).Build({{big}})));
    EXPECT_EQ(p.report.substr(p.report.size() - note.size()), note);
    EXPECT_EQ(p.report.find("SOF0"), std::string::npos);
}
