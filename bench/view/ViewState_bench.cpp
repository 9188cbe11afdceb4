#include "view/ViewState.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int kPoints = 3000000;

struct Point { int x, y; };

// A paint of a dense vector layer: refit, then map every endpoint to the window.
void BM_RefitAndMapPoints(benchmark::State& state) {
    ViewState view;
    view.ImageWidth = 9921;    // A1 at 300 dpi
    view.ImageHeight = 7016;
    SetWholeImage(view);
    const ClientLayout client{1280, 1000, true, true};

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> xs(0, view.ImageWidth - 1), ys(0, view.ImageHeight - 1);
    std::vector<Point> points(kPoints);
    for (Point& p : points) p = {xs(rng), ys(rng)};

    for (auto _ : state) {
        ViewState v = view;
        RefitView(v, client);
        int64_t sum = 0;
        for (const Point& p : points) {
            sum += v.DestX + ImageToWindow(p.x, v.SourceX, v.Scale);
            sum += v.DestY + ImageToWindow(p.y, v.SourceY, v.Scale);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kPoints);
}
BENCHMARK(BM_RefitAndMapPoints)->Unit(benchmark::kMillisecond);

}  // namespace
