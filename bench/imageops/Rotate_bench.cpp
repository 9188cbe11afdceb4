#include <benchmark/benchmark.h>

#include <numbers>

#include "imageops/Rotate.h"

// A 6000 x 4000 photograph and a 13000 x 9400 (A0 at 300 dpi) scanned drawing.
static const DibPixels& Picture(int bits) {
    static DibPixels photo, drawing;
    DibPixels& p = bits == 24 ? photo : drawing;
    if (p.Bits.empty()) {
        bits == 24 ? p.Allocate(6000, 4000, 24) : p.Allocate(13000, 9400, 1);
        if (bits == 1) p.Palette = {0x000000, 0xFFFFFF};
        uint32_t seed = 1;
        for (auto& b : p.Bits) {
            seed = seed * 1664525u + 1013904223u;
            b = uint8_t(seed >> 24);
        }
    }
    return p;
}

template <class F>
static void Run(benchmark::State& state, int bits, F turn) {
    const DibPixels& src = Picture(bits);
    DibPixels out;
    for (auto _ : state) {
        turn(src, out);
        benchmark::DoNotOptimize(out.Bits.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(src.Width) * src.Height);
}

static void BM_RotateQuarter24(benchmark::State& s) {
    Run(s, 24, [](const DibPixels& p, DibPixels& o) { QuarterTurnPixels(p, 90, o); });
}
// The same into a new picture each time: on this VM first touching 72 MB of fresh pages
// alone takes longer than the turn.
static void BM_RotateQuarter24FreshDestination(benchmark::State& s) {
    Run(s, 24, [](const DibPixels& p, DibPixels&) {
        DibPixels fresh;
        QuarterTurnPixels(p, 90, fresh);
        benchmark::DoNotOptimize(fresh.Bits.data());
    });
}
static void BM_RotateQuarter1(benchmark::State& s) {
    Run(s, 1, [](const DibPixels& p, DibPixels& o) { QuarterTurnPixels(p, 90, o); });
}
static void BM_RotateQuarterVote24(benchmark::State& s) {
    Run(s, 24, [](const DibPixels& p, DibPixels& o) { RotateQuarterVote(p, 270, o); });
}
static void BM_RotateQuarterVote1(benchmark::State& s) {
    Run(s, 1, [](const DibPixels& p, DibPixels& o) { RotateQuarterVote(p, 270, o); });
}
static void BM_RotateByAngle24(benchmark::State& s) {
    Run(s, 24, [](const DibPixels& p, DibPixels& o) { RotateByAnglePixels(p, 1.7 * std::numbers::pi / 180, o); });
}
static void BM_RotateByAngle1(benchmark::State& s) {
    Run(s, 1, [](const DibPixels& p, DibPixels& o) { RotateByAnglePixels(p, 1.7 * std::numbers::pi / 180, o); });
}
BENCHMARK(BM_RotateQuarter24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarter24FreshDestination)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarter1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarterVote24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarterVote1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateByAngle24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateByAngle1)->Unit(benchmark::kMillisecond);
