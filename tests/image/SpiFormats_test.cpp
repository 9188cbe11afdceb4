#include "image/plugins/SpiFormats.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Data = std::vector<uint8_t>;

ByteReader View(const Data& d) { return ByteReader(d.data(), d.size()); }

Data FromText(const std::string& s) { return Data(s.begin(), s.end()); }

void Le16(Data& d, unsigned v) { d.push_back(uint8_t(v)); d.push_back(uint8_t(v >> 8)); }
void Le32(Data& d, uint32_t v) { Le16(d, v & 0xFFFF); Le16(d, v >> 16); }
void Be32(Data& d, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) d.push_back(uint8_t(v >> s));
}

Data Png(uint32_t w, uint32_t h, uint8_t depth, uint8_t colour) {
    Data d = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Be32(d, 13);
    for (char c : std::string("IHDR")) d.push_back(uint8_t(c));
    Be32(d, w);
    Be32(d, h);
    d.insert(d.end(), {depth, colour, 0, 0, 0});
    Be32(d, 0);  // CRC is not checked by the sniffer
    return d;
}

// Little-endian TIFF with one IFD of (tag, type, value) entries.
Data Tiff(std::initializer_list<std::array<uint32_t, 3>> tags) {
    Data d = {'I', 'I', 42, 0};
    Le32(d, 8);
    Le16(d, unsigned(tags.size()));
    for (const auto& t : tags) {
        Le16(d, t[0]);
        Le16(d, t[1]);
        Le32(d, 1);
        Le32(d, t[2]);
    }
    Le32(d, 0);
    return d;
}

Data PlainWmf(std::initializer_list<std::vector<unsigned>> records, unsigned objects) {
    Data body;
    for (const auto& r : records) {  // r[0] = function, rest = parameters
        Le32(body, uint32_t(2 + r.size()));
        for (unsigned v : r) Le16(body, v);
    }
    Le32(body, 3);
    Le16(body, 0);
    Data d;
    Le16(d, 1);
    Le16(d, 9);
    Le16(d, 0x0300);
    Le32(d, uint32_t(9 + body.size() / 2));
    Le16(d, objects);
    Le32(d, 8);
    Le16(d, 0);
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

Data Placeable(int16_t right, int16_t bottom, uint16_t inch, const Data& wmf) {
    Data d;
    Le32(d, spi::kPlaceableKey);
    Le16(d, 0);
    for (int v : {0, 0, int(right), int(bottom)}) Le16(d, unsigned(v) & 0xFFFF);
    Le16(d, inch);
    Le32(d, 0);
    Le16(d, 0);
    d.insert(d.end(), wmf.begin(), wmf.end());
    return d;
}

// EMF header with the given frame and bounds, then records (type, params...), then EOF.
Data Emf(std::array<int32_t, 4> frame, std::array<int32_t, 4> bounds, uint16_t handles,
         std::initializer_list<std::vector<uint32_t>> records) {
    Data d;
    Le32(d, 1);
    Le32(d, 88);
    for (int32_t v : bounds) Le32(d, uint32_t(v));
    for (int32_t v : frame) Le32(d, uint32_t(v));
    Le32(d, 0x464D4520);
    Le32(d, 0x10000);
    Le32(d, 0);
    Le32(d, 0);
    Le16(d, handles);
    Le16(d, 0);
    while (d.size() < 88) d.push_back(0);
    for (const auto& r : records) {
        Le32(d, r[0]);
        Le32(d, uint32_t(4 + 4 * r.size()));
        for (size_t i = 1; i < r.size(); ++i) Le32(d, r[i]);
    }
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) Le32(d, v);
    uint32_t total = uint32_t(d.size());
    for (int i = 0; i < 4; ++i) d[48 + i] = uint8_t(total >> (8 * i));
    return d;
}

TEST(SpiFormats, RecognisesEachFormatByItsHead) {
    struct Row {
        const char* name;
        Data head;
        bool png, tiff, placeable, wmf, emf;
    };
    const Row rows[] = {
        {"png", Png(1, 1, 8, 2), true, false, false, false, false},
        {"png signature cut short", Data{0x89, 'P', 'N', 'G'}, false, false, false, false, false},
        {"tiff intel", FromText(std::string("II*\0", 4)), false, true, false, false, false},
        {"tiff motorola", FromText(std::string("MM\0*", 4)), false, true, false, false, false},
        {"tiff wrong order", FromText(std::string("II\0*", 4)), false, false, false, false, false},
        {"placeable wmf", Placeable(10, 10, 96, PlainWmf({}, 0)), false, false, true, false, false},
        {"plain wmf", PlainWmf({}, 0), false, false, false, true, false},
        {"emf", Emf({0, 0, 100, 100}, {0, 0, 3, 3}, 1, {}), false, false, false, false, true},
        {"text", FromText("This is plain text"), false, false, false, false, false},
        {"empty", Data{}, false, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ByteReader b = View(row.head);
        EXPECT_EQ(spi::IsPng(b), row.png);
        EXPECT_EQ(spi::IsTiff(b), row.tiff);
        EXPECT_EQ(spi::IsPlaceableWmf(b), row.placeable);
        EXPECT_EQ(spi::IsPlainWmf(b), row.wmf);
        EXPECT_EQ(spi::IsEmf(b), row.emf);
    }
}

TEST(SpiFormats, ReadsRasterSizeFromHeader) {
    struct Row {
        const char* name;
        Data file;
        bool png;
        bool ok;
        int64_t w, h;
        bool bilevel;
    };
    const Row rows[] = {
        {"png rgb", Png(640, 480, 8, 2), true, true, 640, 480, false},
        {"png 1-bit grey", Png(300, 200, 1, 0), true, true, 300, 200, true},
        {"png 1-bit palette", Png(10, 7, 1, 3), true, true, 10, 7, true},
        {"png huge", Png(60000, 60000, 8, 2), true, true, 60000, 60000, false},
        {"tiff bilevel", Tiff({{256, 3, 300}, {257, 4, 200}, {258, 3, 1}}), false, true, 300, 200, true},
        {"tiff rgb", Tiff({{256, 4, 64}, {257, 4, 32}, {258, 3, 8}, {277, 3, 3}}), false, true, 64, 32, false},
        {"tiff without height", Tiff({{256, 4, 64}}), false, false, 0, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        spi::RasterHead head;
        bool ok = row.png ? spi::PngHead(View(row.file), head) : spi::TiffHead(View(row.file), head);
        ASSERT_EQ(ok, row.ok);
        if (!ok) continue;
        EXPECT_EQ(head.width, row.w);
        EXPECT_EQ(head.height, row.h);
        EXPECT_EQ(head.bilevel, row.bilevel);
    }
    // An IFD offset or entry count pointing past the data must not be followed.
    Data lying = Tiff({{256, 4, 64}, {257, 4, 32}});
    lying[4] = 0xF0;
    spi::RasterHead head;
    EXPECT_FALSE(spi::TiffHead(View(lying), head));
    Data counted = Tiff({{256, 4, 64}, {257, 4, 32}});
    counted[8] = 0xFF;
    counted[9] = 0xFF;
    EXPECT_FALSE(spi::TiffHead(View(counted), head));
}

TEST(SpiFormats, RefusesTiffWhoseStripsLieOutsideTheFile) {
    struct Row {
        const char* name;
        Data file;
        bool sane;
    };
    // One strip of 4 bytes right after a 2-entry IFD (8 + 2 + 24 + 4 = 38).
    auto oneStrip = [](uint32_t offset, uint32_t size) {
        Data d = Tiff({{273, 4, offset}, {279, 4, size}});
        d.resize(42, 0xAA);
        return d;
    };
    Data manyOffsets = oneStrip(38, 4);
    manyOffsets[8 + 2 + 4] = 0x01;  // StripOffsets count 20225: its array would lie past the end
    manyOffsets[8 + 2 + 5] = 0x4F;
    const Row rows[] = {
        {"strip inside", oneStrip(38, 4), true},
        {"strip runs past the end", oneStrip(38, 5), false},
        {"strip offset past the end", oneStrip(4000, 1), false},
        {"offset array past the end", manyOffsets, false},
        {"no strips at all", Tiff({{256, 4, 1}, {257, 4, 1}}), true},
        {"strip offsets of an odd type", Tiff({{273, 99, 38}, {279, 4, 4}}), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(spi::TiffLayoutSane(View(row.file)), row.sane);
    }
}

TEST(SpiFormats, MetafileFrameInScreenPixels) {
    struct Row {
        const char* name;
        Data file;
        bool ok;
        int64_t w, h;
    };
    const Row rows[] = {
        {"placeable at 96 dpi", Placeable(200, 100, 96, PlainWmf({}, 0)), true, 200, 100},
        {"placeable in twips", Placeable(2880, 1440, 1440, PlainWmf({}, 0)), true, 192, 96},
        {"placeable without units", Placeable(200, 100, 0, PlainWmf({}, 0)), false, 0, 0},
        {"plain with extent", PlainWmf({{0x020C, 100, 200}}, 0), true, 200, 100},
        {"plain with large extent", PlainWmf({{0x020C, 10000, 20000}}, 0), true, 2048, 1024},
        {"plain without extent", PlainWmf({}, 0), true, 640, 480},
        {"emf frame", Emf({0, 0, 5291, 2645}, {0, 0, 199, 99}, 1, {}), true, 200, 100},
        {"emf empty frame uses bounds", Emf({0, 0, 0, 0}, {0, 0, 49, 29}, 1, {}), true, 50, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        spi::MetaFrame frame;
        ByteReader b = View(row.file);
        bool ok = spi::IsEmf(b) ? spi::EmfFrame(b, frame)
                  : spi::IsPlaceableWmf(b) ? spi::PlaceableWmfFrame(b, frame)
                                           : spi::PlainWmfFrame(b, frame);
        ASSERT_EQ(ok, row.ok);
        if (!ok) continue;
        EXPECT_EQ(frame.width, row.w);
        EXPECT_EQ(frame.height, row.h);
    }
}

TEST(SpiFormats, RefusesMetafileRecordsThatIndexPastTheObjectTable) {
    struct Row {
        const char* name;
        Data file;
        bool sane;
    };
    Data cut = PlainWmf({{0x012D, 0}}, 1);
    cut.resize(cut.size() - 6);
    Data emfCut = Emf({0, 0, 100, 100}, {0, 0, 3, 3}, 2, {{37, 1}});
    emfCut.resize(emfCut.size() - 20);
    const Row rows[] = {
        {"wmf select in range", PlainWmf({{0x02FC, 0, 0xFF, 0, 0}, {0x012D, 0}}, 1), true},
        {"wmf select past table", PlainWmf({{0x012D, 5}}, 1), false},
        {"wmf fill region bad brush", PlainWmf({{0x0228, 0, 9}}, 2), false},
        {"wmf record without parameter", PlainWmf({{0x01F0}}, 1), false},
        {"wmf without end record", cut, false},
        {"emf stock object", Emf({0, 0, 100, 100}, {0, 0, 3, 3}, 1, {{37, 0x80000008}}), true},
        {"emf created object", Emf({0, 0, 100, 100}, {0, 0, 3, 3}, 2, {{39, 1, 0, 0, 0}, {37, 1}}), true},
        {"emf select past table", Emf({0, 0, 100, 100}, {0, 0, 3, 3}, 2, {{37, 0x2D000008}}), false},
        {"emf create past table", Emf({0, 0, 100, 100}, {0, 0, 3, 3}, 2, {{39, 7, 0, 0, 0}}), false},
        {"emf without end record", emfCut, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ByteReader b = View(row.file);
        EXPECT_EQ(spi::IsEmf(b) ? spi::EmfRecordsSane(b) : spi::WmfRecordsSane(b, 0), row.sane);
    }
}

}  // namespace
