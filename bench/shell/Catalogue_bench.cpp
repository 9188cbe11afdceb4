#include <benchmark/benchmark.h>

#include <random>

#include "shell/Catalogue.h"

static FileCatalogue TenThousand() {
    std::mt19937 rng(7);
    FileCatalogue cat;
    for (int i = 0; i < kCatalogueCapacity; ++i) {
        std::string name = (rng() % 2 ? "IMG_" : "scan") + std::to_string(rng() % 5000) + "_" +
                           std::to_string(rng() % 100) + (rng() % 3 ? ".jpg" : ".JPG");
        AddDirectoryEntry(cat, "C:\\photos\\", name, rng() % 500, 0);
    }
    std::shuffle(cat.Order.begin(), cat.Order.end(), rng);
    return cat;
}

static void BM_Sort10000(benchmark::State& state) {
    const FileCatalogue start = TenThousand();
    for (auto _ : state) {
        FileCatalogue cat = start;
        SortCatalogue(cat, SortOrder(state.range(0)), CompareNoCase);
        benchmark::DoNotOptimize(cat.Order.data());
    }
    state.SetItemsProcessed(state.iterations() * kCatalogueCapacity);
}
BENCHMARK(BM_Sort10000)->Arg(kSortCode)->Arg(kSortNatural)->Arg(kSortTime)->Unit(benchmark::kMillisecond);

// The quadratic reference with a key built in every comparison, for the ratio.
static void BM_ExchangeReference10000(benchmark::State& state) {
    const FileCatalogue start = TenThousand();
    for (auto _ : state) {
        FileCatalogue cat = start;
        ExchangeSortReference(cat, kSortNatural, CompareNoCase);
        benchmark::DoNotOptimize(cat.Order.data());
    }
}
BENCHMARK(BM_ExchangeReference10000)->Unit(benchmark::kMillisecond)->Iterations(1);
