// A full graffiti layer (2000 lines with a circle and an arrow at both ends, 200 ellipses,
// 200 framed texts of 301 bytes) as the image-path block's records and as coordinate text.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "graffiti/GraffitiJww.h"

namespace {

const GraffitiStore& FullLayer() {
    static const std::unique_ptr<GraffitiStore> store = [] {
        auto s = std::make_unique<GraffitiStore>();
        const uint32_t ends = kStartCircle | kStartArrow | kEndCircle | kEndArrow | 3u << 24 | 2u << 16;
        for (int i = 0; i < GraffitiStore::kMaxLines; ++i)
            s->RestoreLine({0xFF, 0, 1 + i % 8, ends | uint32_t(i % 5), i, 10, i + 40, 900 - i % 300, 0});
        for (int i = 0; i < GraffitiStore::kMaxEllipses; ++i)
            s->RestoreEllipse({0xFF, 0, 2, 1, i * 5, 100, i * 5 + 80, 160, 0});
        std::string text;
        while (text.size() + 12 < kTextBytes) text += "表示ソフト\r\n";
        text.resize(kTextBytes - 1, 'x');
        for (int i = 0; i < GraffitiStore::kMaxTexts; ++i) {
            GraffitiText t{};
            t.X1 = i * 10, t.Y1 = 1000, t.X2 = i * 10 + 600, t.Y2 = 1800, t.LeaderX = 50, t.LeaderY = 2000;
            t.Style = uint32_t(1 + i % 3);
            SetTextStrings(t, i % 2 ? "ＭＳ 明朝" : "ＭＳ ゴシック", text);
            s->RestoreText(t);
        }
        return s;
    }();
    return *store;
}

void BM_GraffitiRecords(benchmark::State& state) {
    const GraffitiStore& layer = FullLayer();
    GraffitiRecordSettings settings;
    settings.Dpi = 400, settings.ImageWidth = 4000, settings.ImageHeight = 3000;
    std::vector<uint8_t> block;
    for (auto _ : state) {
        BuildImagePathBlock("^@BMC:\\a\\b_memo.jpg,254.000000,190.500000", &layer, settings, 100.0, block);
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["blockKB"] = double(block.size()) / 1024;
}
BENCHMARK(BM_GraffitiRecords)->Unit(benchmark::kMicrosecond);

void BM_GraffitiText(benchmark::State& state) {
    const GraffitiStore& layer = FullLayer();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = ExportGraffitiText(layer, 400, 100);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["textKB"] = double(bytes) / 1024;
}
BENCHMARK(BM_GraffitiText)->Unit(benchmark::kMicrosecond);

// The block half of the metafile copy of a view holding the full layer and a million traced
// lines: sized from the counts, the layer's records, then one CDataSen per line.
void BM_ViewBlockMillionLines(benchmark::State& state) {
    const GraffitiStore& layer = FullLayer();
    GraffitiRecordSettings settings;
    settings.Dpi = 400, settings.ImageWidth = 6000, settings.ImageHeight = 4000;
    constexpr int kLines = 1000000;
    size_t used = 0;
    for (auto _ : state) {
        std::vector<uint8_t> block(kJwLongHeaderBytes + GraffitiRecordBytesBound(layer) +
                                   size_t(kLines) * (kJwSenBytes + kJwMaxTagBytes));
        JwBlockWriter w(block.data() + kJwLongHeaderBytes, block.size() - kJwLongHeaderBytes);
        JwExtent extent;
        AppendGraffitiRecords(w, layer, settings, extent);
        const JwPen pen{1, 1, 0};
        for (int i = 0; i < kLines; ++i) {
            const int x = i % 6000, y = i / 250;
            WriteJwSenRecord(w, pen, x * 0.0254, -y * 0.0254, (x + 3) * 0.0254, -(y + 2) * 0.0254);
        }
        WriteJwHeader(block.data(), kJwLongHeaderBytes, 0, 0, 100.0, w.ObjectCount());
        used = w.Size();
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["blockMB"] = double(used) / (1 << 20);
}
BENCHMARK(BM_ViewBlockMillionLines)->Unit(benchmark::kMillisecond);

}  // namespace
