#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "imageops/BatchPlan.h"

// A full catalogue of camera files, a tenth without Exif, bursts of up to four shots in one
// second, and names that a renumbering up by one frees only as the run goes.
static std::vector<BatchPlanFile> TenThousandPhotos() {
    std::mt19937 rng(44);
    std::vector<BatchPlanFile> files;
    int second = 0;
    for (int i = 0; i < 10000; ++i) {
        BatchPlanFile f;
        char name[32], date[32];
        std::snprintf(name, sizeof name, "%04d.jpg", i + 1);
        if (rng() % 4 == 0) ++second;
        second += int(rng() % 2);
        std::snprintf(date, sizeof date, "2024:05:%02d %02d:%02d:%02d", 1 + second / 86400 % 28, second / 3600 % 24,
                      second / 60 % 60, second % 60);
        f.Name = name;
        f.HasExif = rng() % 10 != 0;
        f.Make = rng() % 2 ? "Pixacam" : "Norvane Optics, Inc.";
        f.Model = "PX-1 Mark II";
        f.ShotDate = date;
        f.HasShotTime = true;
        files.push_back(std::move(f));
    }
    return files;
}

static void BM_PlanBatch10000(benchmark::State& state) {
    const std::vector<BatchPlanFile> files = TenThousandPhotos();
    std::vector<std::string> folder;
    for (const auto& f : files) folder.push_back(f.Name);
    BatchRule rule;
    rule.Mask = state.range(0) == 0 ? (kBatchFirstMaker | kBatchMiddleModel | kBatchLastShotTime | kBatchCopyStep)
                                    : (kBatchLastNumber | kBatchCopyStep);
    rule.StartNumber = 2;
    rule.Digits = 4;
    for (auto _ : state) {
        BatchPlan plan = PlanBatch("C:\\photos\\2024\\", files, folder, rule);
        benchmark::DoNotOptimize(plan.Entries.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(files.size()));
    state.SetLabel(state.range(0) == 0 ? "maker_model_time" : "renumber_up_by_one");
}
BENCHMARK(BM_PlanBatch10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
