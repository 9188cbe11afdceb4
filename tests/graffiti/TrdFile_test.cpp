#include "graffiti/TrdFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/Limits.h"
#include "graffiti/TrdFileFuzz.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }
Bytes Hex(const char* s) {
    Bytes out;
    for (; *s; ++s)
        if (*s != ' ') out.push_back(uint8_t(std::stoi(std::string(s, 2), nullptr, 16))), ++s;
    return out;
}
Bytes Le(int64_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::unique_ptr<TrdContents> Decoded(const Bytes& file, int& rc) {
    auto out = std::make_unique<TrdContents>();
    rc = DecodeTrd(file.data(), file.size(), *out);
    return out;
}

// One line, one ellipse, one text, as the golden bytes below spell them.
void SmallLayer(GraffitiStore& s) {
    s.AddLine({0xFF, 0xFFFFFF, 2, kStartArrow | kEndCircle | 1u << 16 | 1, 1, 2, 300, -4, 0x112233});
    s.AddEllipse({0xFF0000, 0, 1, kLineFill, -1, -2, 3, 4, 0});
    GraffitiText t{10, 20, 50, 40, 0, 0, kFrameRound | kTextItalic, 0xFF, 0xFFFFFF, 0, 900, -900, 400, {}, {}};
    SetTextStrings(t, "ab", "x\r\ny");
    s.PutText(t, -1);
}

const Bytes kSmallLayer =
    Text("QorRakuData0001") + Hex("00") + Text("bg.jpg") + Hex("00") +
    Hex("01000000 FF000000 FFFFFF00 02000000 01004180 01000000 02000000 2C010000 FCFFFFFF 33221100") +
    Hex("01000000 0000FF00 00000000 01000000 80000000 FFFFFFFF FEFFFFFF 03000000 04000000 00000000") +
    Hex("01000000 0A000000 14000000 32000000 28000000 00000000 00000000 12000000 FF000000 FFFFFF00 00000000"
        "84030000 7CFCFFFF 90010000") +
    Text("ab") + Hex("00") + Text("x\r\ny") + Hex("00");

// A current-form file with no lines or ellipses and one text.
Bytes OneText(const std::string& background, const std::string& font, const std::string& text) {
    return Text("QorRakuData0001") + Hex("00") + Text(background) + Hex("00") + Le(0) + Le(0) + Le(1) + Bytes(52, 1) +
           Text(font) + Hex("00") + Text(text) + Hex("00");
}

}  // namespace

TEST(TrdFile, GoldenBytesBothWays) {
    auto store = std::make_unique<GraffitiStore>();
    EXPECT_EQ(EncodeTrd(*store, "a.png"), Text("QorRakuData0001") + Hex("00") + Text("a.png") + Hex("00") + Le(0) + Le(0) + Le(0));
    SmallLayer(*store);
    EXPECT_EQ(EncodeTrd(*store, "bg.jpg"), kSmallLayer);
    int rc;
    auto back = Decoded(kSmallLayer, rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(back->Background, "bg.jpg");
    EXPECT_FALSE(back->OldFormat);
    EXPECT_TRUE(SameTrdStore(back->Store, *store));
    // A name beyond a path is cut so that the file still reads.
    back = Decoded(EncodeTrd(*store, std::string(400, 'n')), rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(back->Background.size(), kPathBytes - 1);
}

TEST(TrdFile, RandomLayersRoundTrip) {
    std::mt19937 rng(11);
    auto any = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto u32 = [&]() { return uint32_t(rng()); };
    auto coord = [&]() { return any(0, 9) == 0 ? int32_t(rng()) : any(-500, 5000); };
    auto bytes = [&](int max) {
        std::string s(any(0, max), 'x');
        for (char& c : s) c = char(any(0, 5) == 0 ? '\n' : any(1, 255));
        return s;
    };
    for (int round = 0; round < 12; ++round) {
        auto s = std::make_unique<GraffitiStore>();
        const bool full = round == 0;
        for (int i = full ? 2000 : any(0, 60); i > 0; --i)
            s->AddLine({u32(), u32(), any(0, 100), u32(), coord(), coord(), coord(), coord(), u32()});
        for (int i = full ? 200 : any(0, 20); i > 0; --i)
            s->AddEllipse({u32(), u32(), any(0, 100), u32(), coord(), coord(), coord(), coord(), u32()});
        for (int i = full ? 200 : any(0, 20); i > 0; --i) {
            GraffitiText t{coord(), coord(), coord(), coord(), coord(), coord(), u32(), u32(),
                           u32(),   u32(),   coord(), coord(), any(0, 1000), {}, {}};
            SetTextStrings(t, bytes(40), bytes(330));
            s->PutText(t, -1);
        }
        const std::string background = bytes(200);
        int rc;
        auto back = Decoded(EncodeTrd(*s, background), rc);
        ASSERT_EQ(rc, 0) << round;
        EXPECT_EQ(back->Background, background);
        EXPECT_TRUE(SameTrdStore(back->Store, *s)) << round;
    }
}

TEST(TrdFile, OldFormReadsWithBlackShadows) {
    Bytes file = Text("QorRakuData0000") + Le(1);
    for (int32_t v : {0xFF, 0xFFFFFF, 3, 0, -7, 8, 90, 100, /* ellipses */ 1, 0xFF00, 0xFF00, 1, int(kLineFill), 0, 0,
                      40, 30, /* texts */ 1, 5, 6, 70, 80, 1, 2, int(kFrameLeader), 0xFF, 0, 0, 0, 0, 700})
        file = file + Le(v);
    // A font field without a NUL is cut before the pair that straddles its end; the text's
    // padding after its NUL does not reach the store.
    file = file + Text(std::string(28, 'F') + "\x82\xa0") + Text("old\r\ntext") + Hex("00") + Bytes(292, 'g');
    int rc;
    auto back = Decoded(file, rc);
    ASSERT_EQ(rc, 0);
    EXPECT_TRUE(back->OldFormat && back->Background.empty());
    const GraffitiStore& s = back->Store;
    ASSERT_EQ(s.TotalCount(), 3);
    EXPECT_EQ(std::tuple(s.Line(0).Y2, s.Line(0).Shadow, s.Ellipse(0).Style, s.Ellipse(0).Shadow),
              std::tuple(100, 0u, kLineFill, 0u));
    EXPECT_EQ(std::tuple(s.Text(0).Weight, std::string(s.Text(0).Font), std::string(s.Text(0).Text), s.Text(0).Text[20]),
              std::tuple(700, std::string(28, 'F'), std::string("old\r\ntext"), '\0'));
    const GraffitiExtent e = s.Extent();
    EXPECT_EQ(std::tuple(e.MinX, e.MaxX, e.MinY, e.MaxY), std::tuple(-7, 90, 0, 100));
    auto again = Decoded(EncodeTrd(s, ""), rc);  // written again in the current form
    ASSERT_EQ(rc, 0);
    EXPECT_TRUE(SameTrdStore(again->Store, s));
}

TEST(TrdFile, DamagedFilesLeaveTheOutputAlone) {
    auto out = std::make_unique<TrdContents>();
    out->Background = "keep";
    out->Store.AddLine({1, 2, 3, 4, 5, 6, 7, 8, 9});
    auto check = [&](const Bytes& file, int expected) {
        EXPECT_EQ(DecodeTrd(file.data(), file.size(), *out), expected) << file.size();
        EXPECT_EQ(out->Background, "keep");
        EXPECT_EQ(out->Store.TotalCount(), 1);
        EXPECT_EQ(out->Store.Line(0).X1, 5);
    };
    for (size_t cut = 0; cut < kSmallLayer.size(); ++cut)
        check(Bytes(kSmallLayer.begin(), kSmallLayer.begin() + cut), cut < 15 ? kTrdBadMagic : kTrdCorrupt);
    EXPECT_EQ(DecodeTrd(nullptr, 0, *out), kTrdBadMagic);

    const size_t lineCount = 23, ellipseCount = 63, textCount = 103;
    for (auto [at, value] : {std::pair{lineCount, 2001}, {lineCount, -1}, {lineCount, 2000}, {lineCount, INT32_MIN},
                             {ellipseCount, 201}, {ellipseCount, 2}, {textCount, 201}, {textCount, 2}, {textCount, -5}}) {
        Bytes file = kSmallLayer;
        const Bytes v = Le(value);
        std::copy(v.begin(), v.end(), file.begin() + at);
        check(file, kTrdCorrupt);
    }
    Bytes file = kSmallLayer;
    file[15] = ' ';
    check(file, kTrdCorrupt);
    file = kSmallLayer;
    file[14] = '2';
    check(file, kTrdBadMagic);
    check(OneText(std::string(260, 'b'), "f", "t"), kTrdCorrupt);
    check(OneText("b", std::string(30, 'f'), "t"), kTrdCorrupt);
    check(OneText("b", "f", std::string(302, 't')), kTrdCorrupt);

    // The largest fields and trailing bytes are fine.
    int rc;
    auto longest = Decoded(OneText(std::string(259, 'b'), std::string(29, 'f'), std::string(301, 't')) + Hex("0102"), rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(longest->Background.size(), 259u);
    EXPECT_EQ(std::strlen(longest->Store.Text(0).Text), 301u);
}

TEST(TrdFile, BackgroundNamesAndCanvas) {
    for (const char* good : {"a.jpg", "A.JPEG", "x.png", "scan.tiff", "\x95\x5c.bmp", "\x83\x7c.png", "plan.jww", "con1.gif"})
        EXPECT_TRUE(IsUsableBackgroundName(good)) << good;
    for (const char* bad : {"", ".", "..", "x.trd", "x.txt", "noext", "dir\\a.jpg", "a/b.jpg", "C:a.jpg", "a?.jpg",
                            "CON.jpg", "lpt3.bmp", "nul .png", "a\tb.gif", "a|b.png"})
        EXPECT_FALSE(IsUsableBackgroundName(bad)) << bad;
    EXPECT_FALSE(IsUsableBackgroundName(std::string_view("a.jpg\0.x", 8)));
    EXPECT_TRUE(IsUsableBackgroundName(std::string(255, 'a') + ".jpg"));
    EXPECT_FALSE(IsUsableBackgroundName(std::string(256, 'a') + ".jpg"));

    int w, h;
    TrdCanvasSize({30000, 0, 30000, 0}, w, h);
    EXPECT_TRUE(w == 1 && h == 1);
    TrdCanvasSize({-5, 640, 0, 40000}, w, h);
    EXPECT_TRUE(w == 640 && h == kMaxImageSide);
}
