// One fuzz body for the libFuzzer target and the replay in Crashers_test.cpp: any layer the
// .trd reader takes becomes records and coordinate text that read back whole, with every
// number finite and every font and text row in a command line of its own, at settings picked
// from the input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/SjisText.h"
#include "graffiti/GraffitiJww.h"
#include "graffiti/TrdFile.h"

inline void FuzzGraffitiJww(const uint8_t* data, size_t size) {
    static const std::unique_ptr<TrdContents> c = std::make_unique<TrdContents>();
    c->Store.Clear();
    if (DecodeTrd(data, size, *c) != 0) return;
    const GraffitiStore& s = c->Store;

    // Settings from the input's length and last byte, so every size mode and the extreme
    // resolutions are reached.
    static constexpr int kDpis[] = {0, -3, 1, 96, 600, std::numeric_limits<int>::max()};
    static constexpr int kWidths[] = {0, 125, -1000, std::numeric_limits<int>::max()};
    static constexpr int kSides[] = {0, 1, 30000, -7};
    const unsigned pick = unsigned(size) * 31u + (size ? data[size - 1] : 0u);
    GraffitiRecordSettings settings;
    settings.Dpi = kDpis[pick % 6];
    settings.SizeMode = int(pick / 6 % 5);
    settings.WidthMm = kWidths[pick / 30 % 4];
    settings.ImageWidth = kSides[pick / 120 % 4];
    settings.ImageHeight = kSides[pick / 480 % 4];

    std::vector<uint8_t> block;
    if (!BuildImagePathBlock("^@BMa.jpg,1.000000,1.000000", &s, settings, 0.0, block)) __builtin_trap();
    if (block.size() > kJwLongHeaderBytes + 200 + GraffitiRecordBytesBound(s)) __builtin_trap();
    JwContent read;
    // The reader refuses a value that is not finite.
    if (!ReadJwBlock(block.data(), block.size(), read).empty()) __builtin_trap();
    if (read.BlockBytesUsed != block.size() || read.Texts.empty()) __builtin_trap();
    if (read.Lines.size() + read.Ellipses.size() + read.Texts.size() != read.Count) __builtin_trap();

    // The metafile copy's filter only leaves objects out.
    std::vector<uint8_t> room(GraffitiRecordBytesBound(s) + 1);
    JwBlockWriter w(room.data(), room.size());
    JwExtent extent;
    if (!AppendGraffitiRecords(w, s, settings, extent, GraffitiImageRect{0, 0, 100, 100})) __builtin_trap();
    if (w.ObjectCount() + 1 > read.Count) __builtin_trap();

    const int dpi = settings.Dpi > 0 ? settings.Dpi : 1, n = int(pick % 3 == 0 ? 1000 : 1);
    const std::string text = ExportGraffitiText(s, dpi, n);
    if ((s.TotalCount() == 0) != text.empty()) __builtin_trap();
    // Whatever the fonts and texts hold, the text reads back (only finite numbers, no control
    // byte inside a line), with one "ch" per row under its own font: a line break smuggled in
    // would cut a font or a row, or add a text.
    JwContent back;
    if (!ReadJwCoordinateText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), back).empty())
        __builtin_trap();
    size_t k = 0;
    for (int i = 0; i < s.TextCount(); ++i) {
        const GraffitiText& g = s.Text(i);
        std::string font;
        AppendOneLine(font, std::string_view(g.Font, strnlen(g.Font, kFontBytes)));
        const std::string_view all(g.Text, strnlen(g.Text, kTextBytes));
        for (int row = 1; row <= MeasureText(all).Rows; ++row, ++k) {
            std::string line;
            AppendOneLine(line, TextLine(all, row));
            if (k >= back.Texts.size() || back.Texts[k].Font != font || back.Texts[k].Text != line) __builtin_trap();
        }
    }
    if (k != back.Texts.size()) __builtin_trap();
}
