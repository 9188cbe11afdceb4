#include "vectorize/VectorOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

std::string TextOf(const LineStore& store, int dpi, int scale) {
    std::string out;
    EXPECT_TRUE(WriteVectorText(store, dpi, scale, [&](const char* p, size_t n) { return out.append(p, n), true; }));
    return out;
}

std::vector<uint8_t> BlockOf(const LineStore& store, int dpi, int scale) {
    std::vector<uint8_t> block(VectorBlockBytes(store));
    EXPECT_NE(BuildVectorBlock(store, dpi, scale, block.data(), block.size()), 0u);
    return block;
}

}  // namespace

// The two forms of a small store, byte for byte where a slip would move the drawing.
TEST(VectorOutput, SmallStoreInBothForms) {
    LineStore store(64);
    ASSERT_EQ(store.CreateStore(), 0);
    store.AddSegment(1, 1, 3, 4);
    store.AddSegment(10, 10, 20, 10);
    EXPECT_EQ(TextOf(store, 200, 100),
              "12.700000 -12.700000 38.100000 -50.800000\r\n"
              "127.000000 -127.000000 254.000000 -127.000000\r\n");
    EXPECT_EQ(TextOf(store, 100, 1),
              "0.254000 -0.254000 0.762000 -1.016000\r\n2.540000 -2.540000 5.080000 -2.540000\r\n")
        << "a row of 10 at 100 DPI and 1/1 is -2.54 mm";
    EXPECT_EQ(TextOf(store, 2000, 10000).substr(0, 22), "127.000000 -127.000000");

    const std::vector<uint8_t> block = BlockOf(store, 200, 100);
    EXPECT_EQ(block.size(), 4u * 49 + 200);
    EXPECT_EQ(block[144], 2);  // the line count
    EXPECT_EQ(block[145], 0);
    const uint8_t firstTag[] = {0xFF, 0xFF, 0xBC, 0x02, 0x08, 0x00, 'C', 'D', 'a', 't', 'a', 'S', 'e', 'n'};
    EXPECT_TRUE(std::equal(std::begin(firstTag), std::end(firstTag), block.begin() + 146));
    EXPECT_EQ(block[146 + 14 + 4], 1) << "pen style 1";
    EXPECT_EQ(block[146 + 14 + 5], 1) << "pen colour 1";
    EXPECT_EQ(block[146 + 14 + 13], 0x00);
    EXPECT_EQ(block[146 + 14 + 14], 0x02);
    EXPECT_EQ(block[146 + 61], 0x01);
    EXPECT_EQ(block[146 + 62], 0x80);
    const size_t used = 146 + 61 + 49;
    EXPECT_TRUE(std::all_of(block.begin() + used, block.end(), [](uint8_t b) { return b == 0; })) << "zero tail";
    JwContent c;
    ASSERT_EQ(ReadJwBlock(block.data(), block.size(), c), "");
    EXPECT_EQ(c.Scale, 100);
    EXPECT_EQ(c.Lines[1].X2, 254.0 * 0.01 * 10) << "×0.01 for the block, ×10 in the record";
    EXPECT_NEAR(c.Lines[0].Y2, -5.08, 1e-12);

    uint8_t tooSmall[200];
    EXPECT_EQ(BuildVectorBlock(store, 200, 100, tooSmall, sizeof tooSmall), 0u);
}

// Random stores at several resolutions and scales come back through our reader as the
// transform gives them: exactly from the block, to the sixth decimal from the text.
TEST(VectorOutput, RandomStoresRoundTrip) {
    std::mt19937 rng(11);
    const int settings[][2] = {{100, 1}, {200, 100}, {400, 50}, {600, 10000}, {2000, 1}, {1200, 3}};
    for (const auto& s : settings) {
        LineStore store(20001);
        ASSERT_EQ(store.CreateStore(), 0);
        // Few rows keep the store's grid small; the far corner is there once.
        std::uniform_int_distribution<int> x(1, 40000), y(1, 640);
        const int lines = 2 + int(rng() % 10000);
        ASSERT_EQ(store.AddSegment(1, 1, 40000, 20000), 1);
        for (int i = 1; i < lines; ++i) ASSERT_EQ(store.AddSegment(x(rng), y(rng), x(rng), y(rng)), 1);
        SCOPED_TRACE(std::to_string(s[0]) + " dpi 1/" + std::to_string(s[1]));

        const std::string text = TextOf(store, s[0], s[1]);
        JwContent t;
        ASSERT_EQ(ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), t), "");
        ASSERT_EQ(t.Lines.size(), size_t(lines));
        const std::vector<uint8_t> block = BlockOf(store, s[0], s[1]);
        JwContent b;
        ASSERT_EQ(ReadJwBlock(block.data(), block.size(), b), "");
        ASSERT_EQ(b.Count, uint32_t(lines));
        const JwwPaperTransform file = TextFileTransform(s[0], s[1]), clip = ClipboardTransform(s[0], s[1]);
        for (int i = 0; i < lines; ++i) {
            const int32_t k = 2 * i + 1;
            const double x1 = store.EndpointX(k), y1 = store.EndpointY(k), y2 = store.EndpointY(k + 1);
            ASSERT_NEAR(t.Lines[i].X1, x1 * 25.4 * s[1] / s[0], 5e-7);
            ASSERT_NEAR(t.Lines[i].Y2, -y2 * 25.4 * s[1] / s[0], 5e-7);
            ASSERT_EQ(b.Lines[i].X1, clip.X(x1) * 10);
            ASSERT_EQ(b.Lines[i].Y1, clip.Y(y1) * 10);
            ASSERT_NEAR(b.Lines[i].Y1 * 10, file.Y(y1), 1e-6);
        }
    }
}

// Width classes: the table's edges where the width on paper is exactly 0.3 or 0.6 mm, and a
// store of mixed widths in both forms, read back as JWW would take the colours.
TEST(VectorOutput, WidthClassesInTextAndBlock) {
    struct Row {
        float px;
        int dpi, colour;
    };
    const Row rows[] = {{0, 200, 1},   {1, 200, 1},   {2, 200, 1},   {2.5f, 200, 2}, {3, 200, 2},
                        {4.5f, 200, 2}, {5, 200, 3},  {127.5f, 200, 3}, {4.5f, 400, 1}, {5, 400, 2},
                        {9, 400, 2},   {9.5f, 400, 3}, {2.5f, 254, 1}, {3, 254, 2},    {5.5f, 254, 2},
                        {6, 254, 3},   {1.5f, 127, 2}, {3, 127, 3},   {0.5f, 100, 1}, {1.5f, 100, 2}};
    for (const Row& r : rows) EXPECT_EQ(WidthClassColour(r.px, r.dpi), r.colour) << r.px << " px at " << r.dpi << " dpi";

    LineStore store(64);
    ASSERT_EQ(store.CreateStore(), 0);
    const float widths[] = {2, 1.5f, 3, 6, 0, 1, 4};
    for (int i = 0; i < 7; ++i) {
        store.AddSegment(10 + i, 10, 10 + i, 50);
        store.SetLineWidth(2 * i + 1, widths[i]);
    }
    struct Expect {
        int dpi;
        std::vector<int> colours;
        int lcLines;
    };
    for (const Expect& e : {Expect{200, {1, 1, 2, 3, 1, 1, 2}, 5}, Expect{400, {1, 1, 1, 2, 1, 1, 1}, 3}}) {
        SCOPED_TRACE(e.dpi);
        const std::string text = TextOf(store, e.dpi, 100);
        EXPECT_EQ(text.rfind("lc 1\r\n", 0), 0u) << "the class comes before the first line";
        size_t lc = 0;
        for (size_t at = text.find("lc "); at != std::string::npos; at = text.find("lc ", at + 1)) ++lc;
        EXPECT_EQ(lc, size_t(e.lcLines)) << "only where the class changes";
        JwContent t, b;
        ASSERT_EQ(ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), t), "");
        const std::vector<uint8_t> block = BlockOf(store, e.dpi, 100);
        ASSERT_EQ(ReadJwBlock(block.data(), block.size(), b), "");
        ASSERT_EQ(t.Lines.size(), 7u);
        ASSERT_EQ(b.Lines.size(), 7u);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(t.Lines[i].Colour, e.colours[i]) << i;
            EXPECT_EQ(b.Lines[i].Colour, e.colours[i]) << i;
            EXPECT_EQ(b.Lines[i].Type, 1);
        }
    }
    // Taken back to the lines without widths, the text is as before widths existed.
    store.TruncateLines(0);
    store.AddSegment(1, 1, 3, 4);
    EXPECT_EQ(TextOf(store, 200, 100), "12.700000 -12.700000 38.100000 -50.800000\r\n");
}

// The metafile copy's block: only what the view shows, graffiti first, lines in their width
// classes, and a reference point at the centre of what was written.
TEST(VectorOutput, ViewBlockHoldsWhatTheViewShows) {
    LineStore lines(64);
    ASSERT_EQ(lines.CreateStore(), 0);
    lines.AddSegment(11, 11, 20, 11);    // inside the region 10..49 x 10..49 (1-based)
    lines.AddSegment(100, 100, 110, 100);  // outside
    lines.AddSegment(30, 12, 30, 40);    // inside, thick at 200 dpi
    lines.SetLineWidth(5, 8.0f);
    GraffitiStore graffiti;
    ASSERT_GE(graffiti.AddLine({0x0000FF, 0xFFFFFF, 2, 0, 12, 12, 30, 30, 0}), 0);
    ASSERT_GE(graffiti.AddLine({0x0000FF, 0xFFFFFF, 2, 0, 500, 500, 520, 520, 0}), 0);  // outside

    ViewBlockInput in;
    in.Region = {9, 9, 40, 40};
    in.Lines = &lines;
    in.Graffiti = &graffiti;
    in.GraffitiSettings.Dpi = 200;
    in.GraffitiSettings.ImageWidth = in.GraffitiSettings.ImageHeight = 600;
    in.Dpi = 200;
    in.Scale = 50;
    std::vector<uint8_t> block;
    ASSERT_EQ(BuildViewBlock(in, block), ViewBlockResult::Built);
    JwContent c;
    ASSERT_EQ(ReadJwBlock(block.data(), block.size(), c), "");
    ASSERT_EQ(c.Lines.size(), 3u) << "one graffiti line and two vector lines";
    EXPECT_EQ(c.Count, 3u);
    EXPECT_EQ(c.Scale, 50);
    EXPECT_EQ(c.Lines[1].X1, 11 * 0.0254 * 10);
    EXPECT_EQ(c.Lines[1].Colour, kThinColour);
    EXPECT_EQ(c.Lines[2].Colour, kThickColour);
    EXPECT_NEAR(c.RefX, (c.MinX + c.MaxX) / 2, 1e-9);
    EXPECT_NEAR(c.RefY, (c.MinY + c.MaxY) / 2, 1e-9);

    // Nothing shown: an empty block with its reference at the origin, not a failure.
    in.Lines = nullptr;
    in.Graffiti = nullptr;
    ASSERT_EQ(BuildViewBlock(in, block), ViewBlockResult::Built);
    JwContent empty;
    ASSERT_EQ(ReadJwBlock(block.data(), block.size(), empty), "");
    EXPECT_EQ(empty.Count, 0u);
    EXPECT_EQ(empty.RefX, 0);
}
