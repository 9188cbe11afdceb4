// A full graffiti layer (2000 lines, 200 ellipses, 200 texts of 300 bytes) through the .trd
// writer and reader. Reading has a budget of 1 ms, since a file opens on the main thread.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graffiti/TrdFile.h"

namespace {

const GraffitiStore& FullLayer() {
    static const std::unique_ptr<GraffitiStore> store = [] {
        auto s = std::make_unique<GraffitiStore>();
        std::mt19937 rng(5);
        std::uniform_int_distribution<int32_t> coord(0, 4000);
        for (int i = 0; i < GraffitiStore::kMaxLines; ++i)
            s->AddLine({0xFF, 0xFFFFFF, 2, 0, coord(rng), coord(rng), coord(rng), coord(rng), 0});
        for (int i = 0; i < GraffitiStore::kMaxEllipses; ++i)
            s->AddEllipse({0xFF, 0xFFFFFF, 1, kLineFill, coord(rng), coord(rng), coord(rng), coord(rng), 0});
        std::string text;
        while (text.size() < 300) text += "\x82\xa0\x82\xa2\x82\xa4 line\r\n";
        text.resize(300);
        for (int i = 0; i < GraffitiStore::kMaxTexts; ++i) {
            GraffitiText t{};
            t.X1 = coord(rng), t.Y1 = coord(rng), t.X2 = t.X1 + 200, t.Y2 = t.Y1 + 100, t.Style = kFrameRect;
            SetTextStrings(t, "MS Gothic", text);
            s->PutText(t, -1);
        }
        return s;
    }();
    return *store;
}

void BM_TrdDecodeFull(benchmark::State& state) {
    const std::vector<uint8_t> file = EncodeTrd(FullLayer(), "background.jpg");
    auto out = std::make_unique<TrdContents>();
    for (auto _ : state) {
        if (DecodeTrd(file.data(), file.size(), *out) != 0) state.SkipWithError("refused");
        benchmark::DoNotOptimize(out->Store.TextCount());
    }
    state.counters["fileKB"] = double(file.size()) / 1024;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_TrdDecodeFull)->Unit(benchmark::kMicrosecond);

void BM_TrdEncodeFull(benchmark::State& state) {
    const GraffitiStore& store = FullLayer();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> file = EncodeTrd(store, "background.jpg");
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_TrdEncodeFull)->Unit(benchmark::kMicrosecond);

}  // namespace
